// The skinned menus: a popup menu of 20 items open for real, its full paint skinned (the menu's
// background and region built afresh, as on its first paint) against the same menu drawn by the
// system (medians, as a ratio; target at most 3x); and the menu line painted into a form image
// against a full repaint of the form. Until the form image is built, the full repaint is the form's
// client area and its children, and the output says so (target at most 1/10).
#include "bench/timing.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/button.h"
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/menu.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 60;
constexpr int kItems = 20;

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
        std::vector<double> times;
        for (int i = 0; i < kRounds; ++i) {
            prepare();
            times.push_back(bench::Seconds([&] {
                RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                GdiFlush();
            }));
        }
        g_result = bench::Median(times);
    };
    SetTimer(nullptr, 0, 100, MeasureAndClose);
    popup.Popup(100, 100);
    g_measure = nullptr;
    return g_result;
}

} // namespace

int wmain()
{
    skin::InitSkinEngine();
    skin::InitWindowSkinning();
    {
        ui::PopupMenu popup;
        for (int i = 0; i < kItems; ++i) {
            auto* item = new ui::MenuItem(&popup);
            item->SetCaption(i % 7 == 6 ? u"-" : u"Menu item " + core::IntToStr(i));
            item->SetChecked(i % 5 == 1);
            popup.Items()->Add(item);
        }
        const double plain = PopupPaint(popup, [] {});

        skin::testing::WindowTestMenuManager manager;
        skin::SetDefaultManager(&manager);
        manager.Painter()->HookPopupMenu(&popup, true);
        const double skinned = PopupPaint(popup, [] { skin::TsMenuPainter::ClearMenuInfos(); });
        std::printf("popup of %d items, first full paint: skinned %.1f us, system-drawn %.1f us, ratio %.2f "
                    "(target at most 3)\n",
                    kItems, skinned * 1e6, plain * 1e6, plain > 0 ? skinned / plain : 0.0);

        // The menu line of a form against the form's full repaint.
        auto* form = new ui::Form(nullptr);
        form->SetBounds(50, 50, 640, 480);
        auto* menu = new ui::MainMenu(form);
        for (const char16_t* caption : {u"&File", u"&Edit", u"&View", u"&Tools", u"&Window", u"&Help"}) {
            auto* top = new ui::MenuItem(form);
            top->SetCaption(caption);
            menu->Items()->Add(top);
        }
        form->SetMenu(menu);
        for (int i = 0; i < 12; ++i) {
            auto* edit = new ui::Edit(form);
            edit->SetParent(form);
            edit->SetBounds(10 + (i % 3) * 200, 10 + (i / 3) * 40, 180, 24);
            auto* button = new ui::Button(form);
            button->SetParent(form);
            button->SetBounds(10 + (i % 3) * 200, 200 + (i / 3) * 40, 180, 28);
        }
        auto* provider = new skin::TsSkinProvider(form);
        provider->AfterConstruction();
        form->Show();
        ui::App().ProcessMessages();
        std::unique_ptr<ui::Bitmap> image = skin::NewBmp24(form->Width(), form->Height());
        std::vector<double> line, full;
        for (int i = 0; i < kRounds; ++i) {
            line.push_back(bench::Seconds([&] {
                provider->PaintMenuLine(image.get());
                GdiFlush();
            }));
            full.push_back(bench::Seconds([&] {
                RedrawWindow(form->Handle(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                GdiFlush();
            }));
        }
        const double l = bench::Median(line), f = bench::Median(full);
        std::printf("menu line of %d items: %.1f us; full repaint of the client area and its %d children (the form "
                    "image is not built yet): %.1f us; ratio %.3f (target at most 0.1)\n",
                    menu->Items()->Count(), l * 1e6, 24, f * 1e6, f > 0 ? l / f : 0.0);
        delete form;
        skin::SetDefaultManager(nullptr);
    }
    skin::DoneWindowSkinning();
    skin::DoneSkinEngine();
    return 0;
}
