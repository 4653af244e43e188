// The skinned form against the same form without a provider, 800 x 600, medians of one run:
// WM_NCPAINT of the skinned frame against the system's non-client paint (target at
// most 3x); a full repaint (at most 3x); a live resize of 200 SetWindowPos steps with UpdateWindow
// (skinned frame rate at least 1/3 of the unskinned); one title-button hover against a full skinned
// repaint (at most 1/10); the form's bitmap bytes against a 32-bit image of the window (at most 2x),
// unchanged after 100 skin refreshes.
// The skinned menus: a popup of 20 items open for real, its first full paint skinned against drawn
// by the system (at most 3x), and a form's menu line painted into its image against the form's full
// repaint, frame included (at most 1/10).
// The node-list tree of 10,000 rows skinned against unskinned, both on screen and measured in turn:
// one thumb-drag step (at most 2x) and the header repaint against the tree's own (at most 3x).
#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/testwriters/demoform_win32.h"
#include "bench/timing.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/virtualtreewnd.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/edit.h"
#include "ui/menu.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRounds = 60;
constexpr int kSteps = 200;
constexpr int kResizeRounds = 5;
constexpr int kTreeRounds = 200;

double Median(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
        times.push_back(bench::Seconds([&] {
            work();
            GdiFlush();
        }));
    return bench::Median(times);
}

struct Figures {
    double ncPaint = 0, rebuild = 0, repaint = 0, resize = 0;
};

Figures Measure(ui::Form& form, skin::TsSkinProvider* provider)
{
    HWND h = form.Handle();
    auto changed = [provider] {
        if (provider)
            provider->SkinData()->BGChanged = true;
    };
    Figures f;
    f.ncPaint = Median([&] { SendMessageW(h, WM_NCPAINT, 1, 0); });
    f.rebuild = Median([&] {
        changed();
        SendMessageW(h, WM_NCPAINT, 1, 0);
    });
    f.repaint = Median([&] {
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    std::vector<double> resizes;
    for (int round = 0; round < kResizeRounds; ++round)
        resizes.push_back(bench::Seconds([&] {
            for (int i = 0; i < kSteps; ++i) {
                SetWindowPos(h, nullptr, 0, 0, 800 - (i % 50), 600 - (i % 50),
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                UpdateWindow(h);
            }
            SetWindowPos(h, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            GdiFlush();
        }));
    f.resize = bench::Median(resizes);
    return f;
}

uint64_t Bytes(const ui::Bitmap* bmp)
{
    if (!bmp || bmp->Empty())
        return 0;
    const int bpp = bmp->GetPixelFormat() == ui::pf32bit ? 4 : 3;
    return uint64_t((bmp->Width() * bpp + 3) & ~3) * uint64_t(bmp->Height());
}

uint64_t FormBitmapBytes(skin::TsSkinProvider& p)
{
    return Bytes(p.SkinData()->CacheBmp()) + Bytes(p.TempBmp()) + Bytes(p.TitleBG());
}


// ---- Menus ----

constexpr int kMenuItems = 20;

std::function<void(HWND)> g_measure;
double g_result = 0;

// Runs the measuring inside the menu loop, then closes the menu.
VOID CALLBACK MeasureAndClose(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (HWND wnd = FindWindowW(L"#32768", nullptr); wnd && g_measure)
        g_measure(wnd);
    EndMenu();
}

// Median of full paints of the open popup; before each, prepare() drops what a first paint builds.
double PopupPaint(ui::PopupMenu& popup, const std::function<void()>& prepare)
{
    g_result = 0;
    g_measure = [&](HWND wnd) {
        g_result = Median([&] {
            prepare();
            RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        });
    };
    SetTimer(nullptr, 0, 100, MeasureAndClose);
    popup.Popup(100, 100);
    g_measure = nullptr;
    return g_result;
}

void MenuFigures()
{
    using namespace skin;
    ui::PopupMenu popup;
    for (int i = 0; i < kMenuItems; ++i) {
        auto* item = new ui::MenuItem(&popup);
        item->SetCaption(i % 7 == 6 ? u"-" : u"Menu item " + core::IntToStr(i));
        item->SetChecked(i % 5 == 1);
        popup.Items()->Add(item);
    }
    const double plain = PopupPaint(popup, [] {});
    testing::WindowTestMenuManager manager;
    SetDefaultManager(&manager);
    manager.Painter()->HookPopupMenu(&popup, true);
    const double skinned = PopupPaint(popup, [] { TsMenuPainter::ClearMenuInfos(); });
    std::printf("popup of %d items, first full paint: skinned %.1f us, system-drawn %.1f us, ratio %.2f (target at "
                "most 3)\n",
                kMenuItems, skinned * 1e6, plain * 1e6, plain > 0 ? skinned / plain : 0.0);

    // The menu line of a skinned form against the form's full repaint (frame, image and children).
    auto form = std::make_unique<ui::Form>(nullptr);
    form->SetBounds(50, 50, 640, 480);
    auto* menu = new ui::MainMenu(form.get());
    for (const char16_t* caption : {u"&File", u"&Edit", u"&View", u"&Tools", u"&Window", u"&Help"}) {
        auto* top = new ui::MenuItem(form.get());
        top->SetCaption(caption);
        menu->Items()->Add(top);
    }
    form->SetMenu(menu);
    for (int i = 0; i < 12; ++i) {
        auto* edit = new ui::Edit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(10 + (i % 3) * 200, 10 + (i / 3) * 40, 180, 24);
        auto* button = new ui::Button(form.get());
        button->SetParent(form.get());
        button->SetBounds(10 + (i % 3) * 200, 200 + (i / 3) * 40, 180, 28);
    }
    auto* provider = new TsSkinProvider(form.get());
    provider->AfterConstruction();
    form->Show();
    ui::App().ProcessMessages();
    provider->PaintFormCache();
    ui::Bitmap* image = provider->SkinData()->CacheBmp();
    const double line = Median([&] { provider->PaintMenuLine(image); });
    const double full = Median([&] {
        RedrawWindow(form->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    std::printf("menu line of %d items: %.1f us; full repaint of the skinned form: %.1f us; ratio %.3f (target at "
                "most 0.1)\n",
                menu->Items()->Count(), line * 1e6, full * 1e6, full > 0 ? line / full : 0.0);
    form.reset();
    SetDefaultManager(nullptr);
}

// ---- The node-list tree ----

treeview::TVirtualStringTree* MakeTree(ui::Form& form)
{
    auto* tree = new treeview::TVirtualStringTree(&form);
    tree->SetParent(&form);
    tree->SetBounds(10, 10, 400, 300);
    tree->Header().SetHeight(22);
    tree->Header().SetOptions(tree->Header().Options() | treeview::hoVisible);
    for (const char16_t* caption : {u"Node", u"Address", u"Ping"}) {
        treeview::TVirtualTreeColumn& c = tree->Header().Columns().Add();
        c.SetWidth(120);
        c.SetText(caption);
    }
    tree->OnGetText = [](treeview::TBaseVirtualTree*, treeview::PVirtualNode node, treeview::TColumnIndex column,
                         treeview::TVSTTextType, core::String& text) {
        text = core::String(u"node ") + core::String(1, char16_t(u'0' + (node->Index + column) % 10));
    };
    tree->SetRootNodeCount(10000);
    return tree;
}

void TreeFigures()
{
    using namespace skin;
    testing::WindowTestSkinManager manager;
    SetDefaultManager(&manager);
    ui::Form plainForm(nullptr), skinnedForm(nullptr);
    plainForm.SetBounds(0, 0, 440, 340);
    skinnedForm.SetBounds(460, 0, 440, 340);
    treeview::TVirtualStringTree* plain = MakeTree(plainForm);
    treeview::TVirtualStringTree* skinned = MakeTree(skinnedForm);
    skinned->HandleNeeded();
    auto wrapper = TacMainWnd::Create<TacVirtualTreeWnd>(skinned->Handle(), nullptr, &manager, u"");
    for (ui::Form* form : {&plainForm, &skinnedForm}) {
        form->Show();
        UpdateWindow(form->Handle());
    }
    // The two trees take their steps in turn, so that a change of the machine's speed meets both.
    std::vector<double> drag[2], header[2];
    int pos = 0;
    for (int round = 0; round < kTreeRounds; ++round) {
        pos = (pos + 37) % 9000;
        for (int i = 0; i < 2; ++i) {
            HWND wnd = (i ? skinned : plain)->Handle();
            drag[i].push_back(bench::Seconds([&] {
                SendScrollMessage(wnd, WM_VSCROLL, SB_THUMBTRACK, pos);
                UpdateWindow(wnd);
                GdiFlush();
            }));
            header[i].push_back(bench::Seconds([&] {
                SendMessageW(wnd, WM_NCPAINT, 1, 0);
                GdiFlush();
            }));
        }
    }
    const double d0 = bench::Median(drag[0]), d1 = bench::Median(drag[1]);
    const double h0 = bench::Median(header[0]), h1 = bench::Median(header[1]);
    std::printf("tree of 10,000 rows, one thumb-drag step: skinned %.1f us, unskinned %.1f us, ratio %.2f (target at "
                "most 2)\n",
                d1 * 1e6, d0 * 1e6, d1 / d0);
    std::printf("tree header repaint: skinned %.1f us, tree's own %.1f us, ratio %.2f (target at most 3)\n", h1 * 1e6,
                h0 * 1e6, h1 / h0);
    wrapper.reset();
    SetDefaultManager(nullptr);
}

} // namespace

int main()
{
    using namespace skin;
    InitSkinEngine();
    InitWindowSkinning();
    InitSkinCommand();
    Figures plain, skinned;
    double hover = 0;
    uint64_t bytes = 0, bytesAfter = 0, imageBytes = 0;
    {
        auto form = testing::MakeDemoForm(800, 600);
        form->Show();
        ui::App().ProcessMessages();
        plain = Measure(*form, nullptr);
    }
    {
        testing::DemoSkinManager manager;
        SetDefaultManager(&manager);
        auto form = testing::MakeDemoForm(800, 600);
        TsSkinProvider* provider = testing::SkinDemoForm(*form);
        form->Show();
        ui::App().ProcessMessages();
        skinned = Measure(*form, provider);
        provider->PaintFormCache();
        hover = Median([&] {
            provider->SetHotCode(htMinButton, true);
            provider->SetHotCode(0, true);
        }) / 2;
        auto refresh = [&] {
            form->Perform(SM_SKINCMD, SkinWParam(scSkinRefresh), LPARAM(static_cast<SkinManager*>(&manager)));
            SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
        };
        refresh();
        bytes = FormBitmapBytes(*provider);
        for (int i = 0; i < 100; ++i)
            refresh();
        bytesAfter = FormBitmapBytes(*provider);
        imageBytes = uint64_t(form->Width()) * uint64_t(form->Height()) * 4;
        form.reset();
        SetDefaultManager(nullptr);
    }
    const double plainFps = kSteps / plain.resize, skinnedFps = kSteps / skinned.resize;
    std::printf("WM_NCPAINT: skinned %.1f us, system %.1f us, ratio %.2f (target at most 3)\n", skinned.ncPaint * 1e6,
                plain.ncPaint * 1e6, skinned.ncPaint / plain.ncPaint);
    std::printf("WM_NCPAINT with the image rebuilt: skinned %.1f us (look changes: activation, caption, size)\n",
                skinned.rebuild * 1e6);
    std::printf("full repaint: skinned %.1f us, unskinned %.1f us, ratio %.2f (target at most 3)\n",
                skinned.repaint * 1e6, plain.repaint * 1e6, skinned.repaint / plain.repaint);
    std::printf("live resize: skinned %.0f fps, unskinned %.0f fps, ratio %.2f (target at least 0.33)\n", skinnedFps,
                plainFps, skinnedFps / plainFps);
    std::printf("title-button hover: %.1f us, full skinned repaint %.1f us, ratio %.3f (target at most 0.1)\n",
                hover * 1e6, skinned.repaint * 1e6, hover / skinned.repaint);
    std::printf("bitmap bytes: %llu, 32-bit window image %llu, ratio %.2f (target at most 2); after 100 skin "
                "refreshes %llu (%s)\n",
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(imageBytes),
                double(bytes) / double(imageBytes), static_cast<unsigned long long>(bytesAfter),
                bytes == bytesAfter ? "unchanged" : "CHANGED");
    MenuFigures();
    TreeFigures();
    DoneWindowSkinning();
    DoneSkinEngine();
    return 0;
}
