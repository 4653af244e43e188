// The tree's hints in a real form: the answers to CM_HINTSHOW per hint mode (default hint, tooltips
// for clipped cells only, multi-line labels, spans over empty cells, header hints, the states that
// refuse a hint, the owner-draw tree), CM_HINTSHOWPAUSE, and the hint window shown through the
// application: placed over the cell, kept on the desktop, faded in over its time in 255 steps with
// a key pressed meanwhile handled once.
#include "treeview/draw_tree.h"
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"
#include "treeview/tree_hint.h"
#include "ui/edit.h"

#include <functional>
#include <vector>

namespace treeview::test {
namespace {

POINT Screen(POINT p);

bool Empty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

class HintTree : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    using TVirtualStringTree::ChangeStates;
    // A clock for the animation: each reading moves it by a tenth of a millisecond.
    bool fakeClock = false;
    mutable uint64_t readings = 0;
    uint32_t TickMilliseconds() const override
    {
        return fakeClock ? uint32_t(readings++ / 10) : TVirtualStringTree::TickMilliseconds();
    }
};

HWND g_tree_window = nullptr;
POINT Screen(POINT p)
{
    ::ClientToScreen(g_tree_window, &p);
    return p;
}

class Hints : public TreeInForm<HintTree> {
protected:
    Hints()
    {
        TVTHeader& header = tree->Header();
        header.SetOptions(header.Options() | hoVisible);
        for (int width : {60, 100, 80, 80})
            header.Columns().Add().SetWidth(width);
        header.SetHeight(20);
        auto& options = tree->TreeOptions();
        options.SetAutoOptions(TVTAutoOptions(options.AutoOptions() | toAutoSpanColumns));
        tree->SetDefaultNodeHeight(20);
        tree->OnGetText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                                 core::String& text) { text = rows.at(node->Index).at(column < 0 ? 0 : column); };
        tree->SetShowHint(true);
        tree->SetHint(u"节点列表|all nodes of the area");
        tree->SetHintAnimation(hatNone);
        tree->SetRootNodeCount(uint32_t(rows.size()));
        other = new ui::Edit(form.get());
        other->SetParent(form.get());
        other->SetBounds(10, 312, 100, 6);
        form->Show();
        tree->SetFocus();
        g_tree_window = tree->Handle();
        Pump();
    }
    ~Hints() override
    {
        // The real cursor away from the windows of later tests.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        ui::App().CancelHint();
        tree->OnGetText = nullptr;
        form.reset();
    }

    // CM_HINTSHOW as the application sends it for the cursor at a client point.
    LRESULT Ask(POINT p, ui::HintInfo& info)
    {
        info = ui::HintInfo{};
        info.HintControl = tree;
        info.HintWindowClass = &ui::HintWindow::Make;
        info.CursorPos = p;
        info.HintPos = Screen(POINT{p.x, p.y + 20});
        info.CursorRect = tree->ClientRect();
        info.HintStr = u"节点列表";
        return tree->Perform(ui::CM_HINTSHOW, 0, LPARAM(&info));
    }
    unsigned Pause(unsigned pause)
    {
        tree->Perform(ui::CM_HINTSHOWPAUSE, 0, LPARAM(&pause));
        return pause;
    }

    std::vector<std::vector<core::String>> rows{
        {u"一条很长很长很长的线路名称", u"45", u"", u"x"},
        {u"节点二", u"180", u"98%", u"支持"},
        {u"节点三", u"NA", u"", u""},
    };
    ui::Edit* other = nullptr;
};

TEST_F(Hints, DefaultModeHandsTheShortHintToTheApplicationsWindow)
{
    ui::HintInfo info;
    EXPECT_EQ(Ask(POINT{20, 10}, info), 0);
    EXPECT_EQ(info.HintStr, u"节点列表");
    EXPECT_EQ(info.HintData, nullptr);
    EXPECT_EQ(info.HintWindowClass, &ui::HintWindow::Make);
    EXPECT_TRUE(Empty(tree->LastHintRect()));
    EXPECT_TRUE(tree->TreeStates() & tsHint);
}

TEST_F(Hints, TooltipsShowOnlyForClippedCellsAndMultiLineLabels)
{
    tree->SetHintMode(hmTooltip);
    Node(1)->States |= vsMultiline;
    int left = 0, right = 0;
    tree->Header().Columns().GetColumnBounds(1, left, right);
    struct Case {
        const char* what;
        POINT p;
        LRESULT result;
    } cases[] = {
        {"clipped text", {40, 10}, 0},
        {"fitting text", {left + 8, 10}, 1},
        {"multi-line label", {left + 8, 30}, 0},
    };
    for (const Case& c : cases) {
        ui::HintInfo info;
        EXPECT_EQ(Ask(c.p, info), c.result) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(info.HintData, &tree->HintData()) << c.what;
            EXPECT_EQ(info.HintWindowClass, tree->TreeHintWindowClass()) << c.what;
            const TRect& r = tree->LastHintRect();
            EXPECT_FALSE(Empty(r)) << c.what;
            EXPECT_EQ(info.CursorRect.left, r.Left);
            EXPECT_EQ(info.CursorRect.top, r.Top);
            POINT corner = Screen(POINT{r.Left, r.Top});
            EXPECT_EQ(info.HintPos.x, corner.x) << c.what;
            EXPECT_EQ(info.HintPos.y, corner.y) << c.what;
            EXPECT_EQ(tree->HintData().Node, c.p.y < 20 ? Node(0) : Node(1));
            // The same rectangle is not offered twice.
            EXPECT_EQ(Ask(c.p, info), 1) << c.what;
            tree->Perform(ui::CM_MOUSELEAVE, 0, 0);
            EXPECT_TRUE(Empty(tree->LastHintRect()));
        } else {
            EXPECT_TRUE(Empty(tree->LastHintRect())) << c.what;
            EXPECT_FALSE(tree->TreeStates() & tsHint) << c.what;
        }
    }
    EXPECT_EQ(Pause(500), 0u);
}

TEST_F(Hints, NodeHintsSpanEmptyCellsAndSitTwoPixelsBelowTheRow)
{
    tree->SetHintMode(hmHint);
    auto& columns = tree->Header().Columns();
    int l1 = 0, r1 = 0, l2 = 0, r2 = 0, l3 = 0, r3 = 0;
    columns.GetColumnBounds(1, l1, r1);
    columns.GetColumnBounds(2, l2, r2);
    columns.GetColumnBounds(3, l3, r3);
    struct Case {
        int node;
        TColumnIndex column;
        int left, right;
    } cases[] = {
        {0, 1, l1, r2}, // stops at the first filled cell
        {2, 1, l1, r3}, // runs to the last column
        {1, 1, l1, r1},
    };
    for (const Case& c : cases) {
        ui::HintInfo info;
        tree->Perform(ui::CM_MOUSELEAVE, 0, 0);
        ASSERT_EQ(Ask(POINT{l1 + 5, c.node * 20 + 10}, info), 0) << c.node;
        EXPECT_EQ(info.CursorRect.left, c.left) << c.node;
        EXPECT_EQ(info.CursorRect.right, c.right) << c.node;
        EXPECT_EQ(info.CursorRect.top, c.node * 20);
        EXPECT_EQ(info.CursorRect.bottom, c.node * 20 + 20);
        // The application's place (the cursor plus 20) lies below the row already; then 2 more.
        EXPECT_EQ(info.HintPos.y, Screen(POINT{0, c.node * 20 + 30}).y + 2) << c.node;
        EXPECT_EQ(tree->HintData().Column, c.column);
        EXPECT_TRUE(tree->HintData().DefaultHint.empty());
    }
}

TEST_F(Hints, StatesThatRefuseAHint)
{
    tree->SetHintMode(hmHint);
    TVTHeader& header = tree->Header();
    header.SetOptions(header.Options() | hoShowHint);
    auto& options = tree->TreeOptions();
    options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toEditable));
    struct Case {
        const char* what;
        POINT p;
        std::function<void()> enter, leave;
        LRESULT result;
    } cases[] = {
        {"header column without hint", {20, -5}, [] {}, [] {}, 1},
        {"header column with hint", {20, -5}, [&] { header.Columns()[0].SetHint(u"线路"); }, [] {}, 0},
        {"left button held on the header", {20, -5}, [&] { tree->ChangeStates(tsLeftButtonDown, 0); },
         [&] { tree->ChangeStates(0, tsLeftButtonDown); }, 1},
        {"the edited node", {70, 10}, [&] { tree->EditNode(Node(0), 1); }, [&] { tree->CancelEditNode(); }, 1},
        {"another node while editing", {70, 30}, [&] { tree->EditNode(Node(0), 1); }, [&] { tree->CancelEditNode(); }, 0},
        {"mouse captured", {70, 10}, [&] { SetCapture(other->Handle()); }, [] { ReleaseCapture(); }, 1},
        {"dragging", {70, 10}, [&] { tree->ChangeStates(tsOLEDragging, 0); }, [&] { tree->ChangeStates(0, tsOLEDragging); }, 1},
        {"OLE drag pending", {70, 10}, [&] { tree->ChangeStates(tsOLEDragPending, 0); },
         [&] { tree->ChangeStates(0, tsOLEDragPending); }, 1},
        {"draw selection", {70, 10}, [&] { tree->ChangeStates(tsDrawSelecting, 0); },
         [&] { tree->ChangeStates(0, tsDrawSelecting); }, 1},
        {"scrolling", {70, 10}, [&] { tree->ChangeStates(tsScrolling, 0); }, [&] { tree->ChangeStates(0, tsScrolling); }, 1},
        {"header busy", {70, 10}, [&] { header.EnterStates(hsDragging); }, [&] { header.LeaveStates(hsDragging); }, 1},
        {"plain row", {70, 10}, [] {}, [] {}, 0},
    };
    for (const Case& c : cases) {
        tree->Perform(ui::CM_MOUSELEAVE, 0, 0);
        c.enter();
        ui::HintInfo info;
        EXPECT_EQ(Ask(c.p, info), c.result) << c.what;
        if (c.result == 0 && c.p.y < 0) {
            EXPECT_EQ(tree->HintData().DefaultHint, u"线路");
            EXPECT_EQ(info.CursorRect.top, -20);
            EXPECT_EQ(info.CursorRect.bottom, 0);
            EXPECT_EQ(tree->HintData().Node, nullptr);
        }
        c.leave();
    }
}

TEST_F(Hints, HintAndDefaultShowsTheControlsHintOverEmptySpace)
{
    for (TVTHintMode mode : {hmHintAndDefault, hmHint}) {
        tree->SetHintMode(mode);
        tree->Perform(ui::CM_MOUSELEAVE, 0, 0);
        ui::HintInfo info;
        const LRESULT result = Ask(POINT{20, 200}, info);
        if (mode == hmHintAndDefault) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(tree->HintData().DefaultHint, u"节点列表");
            EXPECT_EQ(tree->HintData().Node, nullptr);
            EXPECT_EQ(info.HintData, &tree->HintData());
        } else {
            EXPECT_EQ(result, 1);
        }
    }
}

class DrawHints : public TreeInForm<TVirtualDrawTree> {
protected:
    DrawHints()
    {
        tree->SetShowHint(true);
        tree->SetHintMode(hmHint);
        tree->SetRootNodeCount(3);
        form->Show();
        tree->SetFocus();
        Pump();
    }
};

TEST_F(DrawHints, TheHintSizeEventDecides)
{
    ui::HintInfo info;
    info.HintControl = tree;
    info.CursorPos = POINT{10, 5};
    EXPECT_EQ(tree->Perform(ui::CM_HINTSHOW, 0, LPARAM(&info)), 1);
    tree->OnGetHintSize = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TRect& r) { r = TRect{0, 0, 40, 16}; };
    EXPECT_EQ(tree->Perform(ui::CM_HINTSHOW, 0, LPARAM(&info)), 0);
    EXPECT_EQ(tree->HintData().HintRect, (TRect{0, 0, 40, 16}));
    TVirtualTreeHintWindow window;
    RECT r = window.CalcHintRect(300, u" ", info.HintData);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(r.bottom, 16);
    tree->OnGetHintSize = nullptr;
    // Without a width event each cell is two text margins wide.
    int painted = 0;
    tree->OnDrawNode = [&](TBaseVirtualTree*, const TVTPaintInfo& paintInfo) {
        ++painted;
        EXPECT_EQ(paintInfo.NodeWidth, 2 * tree->TextMargin());
    };
    ui::Bitmap bitmap(200, 100, ui::pf32bit);
    tree->PaintTree(bitmap.Canvas(), TRect{0, 0, 200, 60}, TPoint{0, 0}, poBackground);
    EXPECT_EQ(painted, 3);
    tree->OnDrawNode = nullptr;
}

TEST_F(Hints, TheApplicationShowsTheTooltipOverTheCell)
{
    tree->SetHintMode(hmTooltip);
    POINT screen = Screen(POINT{40, 10});
    SetCursorPos(screen.x, screen.y);
    ui::App().SetMouseControl(nullptr);
    SendMessageW(tree->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 10));
    Pump();
    ASSERT_EQ(ui::App().HintControl(), tree);
    auto* window = dynamic_cast<TVirtualTreeHintWindow*>(ui::App().ActiveHintWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Shown());
    EXPECT_EQ(window->HintData().HintText, rows[0][0]);
    TRect cell = tree->LastHintRect();
    POINT corner = Screen(POINT{cell.Left, cell.Top});
    RECT r{};
    GetWindowRect(window->Handle(), &r);
    EXPECT_EQ(r.left, corner.x - 1);
    EXPECT_EQ(r.top, corner.y - 1);
    EXPECT_EQ(r.right - r.left, cell.Right - cell.Left + 2);
    // Leaving the control takes the hint away; the hide pause on the clock too.
    ui::App().CancelHint();
    EXPECT_FALSE(window->Shown());
    EXPECT_FALSE(TVirtualTreeHintWindow::AnimationStopped());
}

TEST_F(Hints, TheHintWindowStaysOnTheDesktop)
{
    TVirtualTreeHintWindow window;
    TVTHintData data;
    data.Tree = tree;
    data.DefaultHint = u"提示";
    RECT size = window.CalcHintRect(300, u" ", &data);
    const int w = size.right - size.left, h = size.bottom - size.top;
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    const int sw = GetSystemMetrics(SM_CXVIRTUALSCREEN), sh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int sx = GetSystemMetrics(SM_XVIRTUALSCREEN), sy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    struct Case {
        POINT at, expected;
    } cases[] = {
        {{sx + 50, sy + 60}, {sx + 50, sy + 60}},
        {{sx + sw - 5, sy + 60}, {sx + sw - w, sy + 60}},
        {{sx + 50, sy + sh - 3}, {sx + 50, sy + sh - h}},
        {{sx - 30, sy - 40}, {sx, sy}},
    };
    for (const Case& c : cases) {
        window.ActivateHint(RECT{c.at.x, c.at.y, c.at.x + w, c.at.y + h}, u" ");
        RECT r{};
        GetWindowRect(window.Handle(), &r);
        EXPECT_EQ(r.left, c.expected.x) << c.at.x;
        EXPECT_EQ(r.top, c.expected.y) << c.at.y;
        EXPECT_EQ(r.right - r.left, w);
        window.ReleaseHandle();
    }
}

TEST_F(Hints, AFadeTakes255StepsOverTwiceTheAnimationTimeAndAKeyMeanwhileIsHandledOnce)
{
    tree->SetHintAnimation(hatFade);
    tree->SetAnimationDuration(200);
    tree->fakeClock = true;
    int keys = 0;
    other->OnKeyDown = [&](core::Object*, WORD&, ui::ShiftState) { ++keys; };
    PostMessageW(other->Handle(), WM_KEYDOWN, 'A', 0);
    TVirtualTreeHintWindow window;
    TVTHintData data;
    data.Tree = tree;
    data.DefaultHint = u"提示";
    RECT size = window.CalcHintRect(300, u" ", &data);
    OffsetRect(&size, 100, 100);
    const uint64_t before = tree->readings;
    window.ActivateHint(size, u" ");
    const uint64_t elapsed = (tree->readings - before) / 10;
    tree->fakeClock = false;
    EXPECT_EQ(window.PaintSteps(), 255);
    EXPECT_GE(elapsed, 399u);
    EXPECT_LE(elapsed, 402u);
    Pump();
    EXPECT_EQ(keys, 1);
    other->OnKeyDown = nullptr;
    window.ReleaseHandle();

    // A slide shows one more pixel row per step over the animation time.
    tree->SetHintAnimation(hatSlide);
    tree->fakeClock = true;
    const uint64_t slideStart = tree->readings;
    window.CalcHintRect(300, u" ", &data);
    window.ActivateHint(size, u" ");
    tree->fakeClock = false;
    EXPECT_EQ(window.PaintSteps(), size.bottom - size.top);
    EXPECT_LE((tree->readings - slideStart) / 10, 202u);
}

} // namespace
} // namespace treeview::test
