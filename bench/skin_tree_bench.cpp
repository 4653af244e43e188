// The node-list tree (10,000 rows, three columns) on a skinned form against the same tree unskinned:
// one thumb-drag step (the position set, the scroll message sent and the window updated) and one
// repaint of the frame with its header. Medians of one run, printed as ratios; the drag step should
// stay at most 2x, the header repaint at most 3x.
#include "bench/timing.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/virtualtreewnd.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "treeview/string_tree.h"
#include "ui/form.h"

#include <cstdio>
#include <memory>

namespace {

constexpr int kRounds = 200;

double MedianOf(const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
        times.push_back(bench::Seconds(step));
    return bench::Median(times);
}

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

struct Figures {
    double drag = 0, header = 0;
};

Figures Measure(ui::Form& form, treeview::TVirtualStringTree* tree)
{
    form.Show();
    UpdateWindow(form.Handle());
    HWND wnd = tree->Handle();
    Figures f;
    int pos = 0;
    f.drag = MedianOf([&] {
        pos = (pos + 37) % 9000;
        skin::SendScrollMessage(wnd, WM_VSCROLL, SB_THUMBTRACK, pos);
        UpdateWindow(wnd);
    });
    f.header = MedianOf([&] { SendMessageW(wnd, WM_NCPAINT, 1, 0); });
    return f;
}

} // namespace

int main()
{
    skin::InitSkinEngine();
    skin::InitWindowSkinning();
    Figures plain, skinned;
    {
        ui::Form form(nullptr);
        form.SetBounds(0, 0, 440, 340);
        plain = Measure(form, MakeTree(form));
    }
    {
        skin::testing::WindowTestSkinManager manager;
        skin::SetDefaultManager(&manager);
        ui::Form form(nullptr);
        form.SetBounds(0, 0, 440, 340);
        treeview::TVirtualStringTree* tree = MakeTree(form);
        tree->HandleNeeded();
        auto wrapper = skin::TacMainWnd::Create<skin::TacVirtualTreeWnd>(tree->Handle(), nullptr, &manager, u"");
        skinned = Measure(form, tree);
        wrapper.reset();
        skin::SetDefaultManager(nullptr);
    }
    std::printf("one thumb-drag step: skinned %.1f us, unskinned %.1f us, ratio %.2f\n", skinned.drag * 1e6,
                plain.drag * 1e6, skinned.drag / plain.drag);
    std::printf("header repaint: skinned %.1f us, tree's own %.1f us, ratio %.2f\n", skinned.header * 1e6,
                plain.header * 1e6, skinned.header / plain.header);
    skin::DoneWindowSkinning();
    skin::DoneSkinEngine();
    return 0;
}
