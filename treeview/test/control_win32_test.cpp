// The tree's window control in a real form, configured as the client's node list (report mode, four
// columns of 170, 80, 60 and 60 pixels, header 22 high, rows 20 high, sort column 1), driven by real
// window messages.
#include "treeview/tree_control.h"
#include "treeview/test/nodelist_win32.h"
#include "treeview/unit_services.h"
#include "ui/imagelist.h"
#include "ui/test/uitest.h"
#include "treeview/test/treeform_win32.h"
#include <commctrl.h>
#include <climits>
#include <cstring>

namespace treeview::test {
namespace {

// Rows answer a text width per column (what the string tree measures) and an item text.
class NodeListTree : public TVirtualTreeControl {
public:
    using TVirtualTreeControl::TVirtualTreeControl;
    using TVirtualTreeControl::HandleHeaderMessage;

protected:
    int DoGetNodeWidth(PVirtualNode node, TColumnIndex column) override
    {
        return column == 0 ? 100 + int(node->Index) : 30;
    }
    core::String ItemText(PVirtualNode node) override
    {
        return u"node " + core::String(1, char16_t(u'0' + node->Index % 10)) + u" text";
    }
};

class TreeControl : public TreeInForm<NodeListTree> {
protected:
    TreeControl()
    {
        SetUpNodeListHeader(tree->Header());
        tree->TreeOptions().SetMiscOptions(TVTMiscOptions(tree->TreeOptions().MiscOptions() | toReportMode));
        tree->TreeOptions().SetSelectionOptions(toFullRowSelect);
        tree->SetDefaultNodeHeight(20);
        form->Show();
        SetNodeListHeaderHeights(tree->Header());
        tree->SetRootNodeCount(100);
        Pump();
    }

    HWND Window() { return tree->Handle(); }
    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(Window(), msg, w, l); }
    static LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }
    POINT ToScreen(int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        return p;
    }
    PVirtualNode Node(uint32_t index)
    {
        PVirtualNode node = tree->GetFirst();
        while (node && node->Index != index)
            node = tree->GetNextSibling(node);
        return node;
    }
    static SCROLLINFO ScrollInfo(UINT mask)
    {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = mask;
        return si;
    }
    // TVM_GETITEMRECT takes the item handle in the rectangle it fills.
    static RECT RectWithHandle(LPARAM handle)
    {
        RECT rect{};
        std::memcpy(&rect, &handle, sizeof(handle));
        return rect;
    }
    RECT Client()
    {
        RECT r{};
        GetClientRect(Window(), &r);
        return r;
    }

};

TEST_F(TreeControl, WindowHasClientEdgeScrollBarsAndHeaderAboveTheClientArea)
{
    LONG_PTR style = GetWindowLongPtrW(Window(), GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(Window(), GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(style & WS_BORDER);
    EXPECT_TRUE(style & WS_CLIPCHILDREN);
    TSize border = tree->BorderDimensions();
    EXPECT_EQ(border.cx, -GetSystemMetrics(SM_CXEDGE));
    EXPECT_EQ(border.cy, -GetSystemMetrics(SM_CYEDGE));
    TRect header = tree->HeaderRect();
    EXPECT_EQ(header.Top, GetSystemMetrics(SM_CYEDGE));
    EXPECT_EQ(header.Bottom - header.Top, 22);
    // The client area starts right below the header.
    POINT origin{0, 0};
    ClientToScreen(Window(), &origin);
    RECT window{};
    GetWindowRect(Window(), &window);
    EXPECT_EQ(origin.y - window.top, header.Bottom);
    EXPECT_EQ(Client().bottom, 300 - 2 * GetSystemMetrics(SM_CYEDGE) - 22);
    // A point in the header is border to the system, so the header gets non-client messages.
    POINT inHeader = ToScreen(50, -5);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(inHeader.x, inHeader.y)), HTBORDER);
}

TEST_F(TreeControl, DefaultsAndDialogCodes)
{
    EXPECT_EQ(tree->Indent(), 18u);
    EXPECT_EQ(tree->Margin(), 4);
    EXPECT_EQ(tree->TextMargin(), 4);
    NodeListTree fresh(form.get());
    EXPECT_EQ(fresh.NodeDataSize(), -1);
    EXPECT_EQ(fresh.Width(), 200);
    EXPECT_EQ(fresh.Height(), 100);
    EXPECT_EQ(fresh.DefaultNodeHeight(), 18u);
    EXPECT_EQ(tree->Header().SortColumn(), 1);
    EXPECT_EQ(tree->SortColumn(), 1);
    EXPECT_EQ(Send(WM_GETDLGCODE), 129);
    tree->SetWantTabs(true);
    EXPECT_EQ(Send(WM_GETDLGCODE), 131);
    EXPECT_EQ(Send(CM_ISVIRTUALTREE), 1);
    EXPECT_EQ(Send(WM_ERASEBKGND, WPARAM(GetDC(nullptr))), 1);
    tree->SetAnimationDuration(0);
    EXPECT_FALSE(tree->TreeOptions().AnimationOptions() & toAnimatedToggle);
    tree->SetAnimationDuration(200);
    EXPECT_TRUE(tree->TreeOptions().AnimationOptions() & toAnimatedToggle);
}

TEST_F(TreeControl, VerticalScrollBarFollowsTheContent)
{
    SCROLLINFO si = ScrollInfo(SIF_ALL);
    ASSERT_TRUE(GetScrollInfo(Window(), SB_VERT, &si));
    EXPECT_EQ(tree->RangeY(), 2000u);
    EXPECT_EQ(si.nMax, 2000);
    EXPECT_EQ(int(si.nPage), Client().bottom + 1);
    EXPECT_EQ(si.nPos, 0);
    EXPECT_TRUE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VSCROLL);
    // The columns (370 pixels) fit: no horizontal bar.
    EXPECT_EQ(tree->RangeX(), 370u);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_HSCROLL);

    // Fewer rows than the client area holds: the bar goes and the view returns to the top.
    tree->SetOffsetY(-500);
    EXPECT_EQ(tree->OffsetY(), -500);
    tree->SetRootNodeCount(3);
    EXPECT_EQ(tree->OffsetY(), 0);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VSCROLL);

    // Narrower than the columns: the horizontal bar comes.
    tree->SetWidth(200);
    Pump();
    EXPECT_TRUE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_HSCROLL);
    si = ScrollInfo(SIF_ALL);
    ASSERT_TRUE(GetScrollInfo(Window(), SB_HORZ, &si));
    EXPECT_EQ(si.nMax, 370);
}

TEST_F(TreeControl, ScrollBarMessagesMoveTheView)
{
    int clientHeight = Client().bottom;
    int lowest = clientHeight - 2000;
    struct Case {
        WPARAM request;
        int expected;
    } cases[] = {
        {SB_LINEDOWN, -20}, {SB_LINEDOWN, -40}, {SB_LINEUP, -20}, {SB_PAGEDOWN, -20 - clientHeight},
        {SB_PAGEUP, -20},   {SB_BOTTOM, lowest}, {SB_LINEDOWN, lowest}, {SB_TOP, 0}, {SB_LINEUP, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Send(WM_VSCROLL, c.request), 0);
        EXPECT_EQ(tree->OffsetY(), c.expected) << "request " << c.request;
    }
    Send(WM_VSCROLL, SB_PAGEDOWN);
    SCROLLINFO si = ScrollInfo(SIF_POS);
    GetScrollInfo(Window(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, clientHeight);
    EXPECT_EQ(tree->TopNode(), Node(uint32_t(clientHeight / 20)));
}

TEST_F(TreeControl, WheelAndCtrlKeysScroll)
{
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_NE(lines, UINT(WHEEL_PAGESCROLL));
    POINT p = ToScreen(20, 20);
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), MAKELPARAM(p.x, p.y));
    EXPECT_EQ(tree->OffsetY(), -int(lines) * 20);
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(p.x, p.y));
    EXPECT_EQ(tree->OffsetY(), 0);
    // Ctrl turns a notch into a page.
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WORD(-WHEEL_DELTA)), MAKELPARAM(p.x, p.y));
    EXPECT_EQ(tree->OffsetY(), -Client().bottom);
    tree->SetOffsetY(0);

    ui::test::KeysDown ctrl({VK_CONTROL});
    Send(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(tree->OffsetY(), -20);
    Send(WM_KEYDOWN, VK_NEXT);
    EXPECT_EQ(tree->OffsetY(), -20 - Client().bottom);
    Send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(tree->OffsetY(), -Client().bottom);
    Send(WM_KEYDOWN, VK_END);
    EXPECT_EQ(tree->OffsetY(), Client().bottom - 2000);
    Send(WM_KEYDOWN, VK_HOME);
    EXPECT_EQ(tree->OffsetY(), 0);
}

TEST_F(TreeControl, HitTestsMapPointsToNodesColumnsAndRowParts)
{
    tree->SetOffsetY(-40); // node 2 at the top
    struct Case {
        int x, y;
        int node; // -1: none
        TColumnIndex column;
        THitPositions positions;
    } cases[] = {
        {5, 5, 2, 0, hiOnItem | hiOnItemIndent},                     // inside the root indentation
        {30, 5, 2, 0, hiOnItem | hiOnItemLabel},                     // 18 indent + 4 margin, then text
        {150, 25, 3, 0, hiOnItem | hiOnItemRight},                   // beyond the text of column 0
        {175, 45, 4, 1, hiOnItem},                                   // other columns in report mode
        {369, 45, 4, 3, hiOnItem},
        {375, 45, 4, InvalidColumn, hiNowhere},                      // right of the last column
        {-1, 5, -1, NoColumn, hiToLeft},
        {5, -1, -1, NoColumn, hiAbove},
    };
    for (const Case& c : cases) {
        THitInfo info;
        tree->GetHitTestInfoAt(c.x, c.y, true, info);
        EXPECT_EQ(info.HitNode, c.node < 0 ? nullptr : Node(uint32_t(c.node))) << c.x << "," << c.y;
        EXPECT_EQ(info.HitColumn, c.column) << c.x << "," << c.y;
        EXPECT_EQ(info.HitPositions, c.positions) << c.x << "," << c.y;
    }
    // Below the last row of a short tree: no node.
    tree->SetRootNodeCount(2);
    THitInfo info;
    tree->GetHitTestInfoAt(10, 100, true, info);
    EXPECT_EQ(info.HitNode, nullptr);
    EXPECT_EQ(info.HitPositions, THitPositions(hiNowhere));
}

TEST_F(TreeControl, DisplayRectanglesOfColumnsAndText)
{
    PVirtualNode node = Node(1);
    TRect row = tree->GetDisplayRect(node, NoColumn, false);
    EXPECT_EQ(row, (TRect{0, 20, Client().right, 40}));
    TRect cell = tree->GetDisplayRect(node, 1, false);
    EXPECT_EQ(cell, (TRect{170, 20, 249, 40}));
    // Text: after the root indentation and the margin, as wide as the text.
    TRect text = tree->GetDisplayRect(node, 0, true);
    EXPECT_EQ(text, (TRect{22, 20, 22 + 101, 40}));
    tree->SetOffsetY(-10);
    EXPECT_EQ(tree->GetDisplayRect(node, 1, false).Top, 10);
}

TEST_F(TreeControl, HeaderBorderDragResizesTheColumn)
{
    std::vector<TColumnIndex> resized;
    tree->OnColumnResize = [&](TVTHeader*, TColumnIndex column) { resized.push_back(column); };
    POINT border = ToScreen(170, -10);
    Send(WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(border.x, border.y));
    EXPECT_TRUE(tree->Header().States() & hsColumnWidthTrackPending);
    EXPECT_EQ(tree->Header().Columns().TrackIndex(), 0);
    Send(WM_MOUSEMOVE, MK_LBUTTON, Point(200, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, Point(215, -10));
    Send(WM_LBUTTONUP, 0, Point(215, -10));
    EXPECT_EQ(tree->Header().States(), 0);
    EXPECT_EQ(tree->Header().Columns()[0].Width(), 215);
    EXPECT_EQ(tree->Header().Columns()[1].Left(), 215);
    EXPECT_EQ(tree->RangeX(), 415u);
    EXPECT_EQ(resized, (std::vector<TColumnIndex>{0, 0}));
    // Below the minimum the width stops at the minimum.
    border = ToScreen(215, -10);
    Send(WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(border.x, border.y));
    Send(WM_MOUSEMOVE, MK_LBUTTON, Point(3, -10));
    Send(WM_LBUTTONUP, 0, Point(3, -10));
    EXPECT_EQ(tree->Header().Columns()[0].Width(), 10);
    tree->OnColumnResize = nullptr;
}

TEST_F(TreeControl, DoubleClickOnHeaderBorderFitsTheColumnToItsContent)
{
    // Widest text of column 0: 100 + 99 pixels, after 18 indent and 4 margin.
    POINT border = ToScreen(170, -10);
    Send(WM_NCLBUTTONDBLCLK, HTBORDER, MAKELPARAM(border.x, border.y));
    EXPECT_EQ(tree->Header().Columns()[0].Width(), 4 + 18 + 199);
    // Column 2 holds 30-pixel texts behind the margin.
    border = ToScreen(221 + 80 + 60, -10);
    Send(WM_NCLBUTTONDBLCLK, HTBORDER, MAKELPARAM(border.x, border.y));
    EXPECT_EQ(tree->Header().Columns()[2].Width(), 34);
    // A handler may refuse the fit.
    tree->OnColumnWidthDblClickResize = [](TVTHeader*, TColumnIndex, TPoint, bool& allowed) { allowed = false; };
    border = ToScreen(221 + 80 + 34 + 60, -10);
    Send(WM_NCLBUTTONDBLCLK, HTBORDER, MAKELPARAM(border.x, border.y));
    EXPECT_EQ(tree->Header().Columns()[3].Width(), 60);
    tree->OnColumnWidthDblClickResize = nullptr;
}

TEST_F(TreeControl, TreeViewMessagesWalkTheNodes)
{
    auto next = [&](WPARAM relation, PVirtualNode item) {
        return reinterpret_cast<PVirtualNode>(Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    PVirtualNode first = Node(0);
    struct Case {
        WPARAM relation;
        PVirtualNode item;
        PVirtualNode expected;
    } cases[] = {
        {TVGN_ROOT, nullptr, first},       {TVGN_NEXT, first, Node(1)},      {TVGN_PREVIOUS, Node(1), first},
        {TVGN_PARENT, Node(5), nullptr},   {TVGN_CHILD, first, nullptr},     {TVGN_FIRSTVISIBLE, nullptr, first},
        {TVGN_NEXTVISIBLE, Node(1), Node(2)}, {TVGN_PREVIOUSVISIBLE, Node(2), Node(1)},
        {TVGN_LASTVISIBLE, nullptr, Node(99)}, {TVGN_CARET, nullptr, nullptr}, {TVGN_NEXT, nullptr, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(next(c.relation, c.item), c.expected) << "relation " << c.relation;

    // Text into a short buffer: cut to the buffer, terminated.
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_CHILDREN | TVIF_STATE;
    item.hItem = reinterpret_cast<HTREEITEM>(Node(3));
    item.pszText = buffer;
    item.cchTextMax = 4;
    EXPECT_EQ(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(std::wstring(buffer), L"nod");
    EXPECT_EQ(item.cChildren, 0);
    EXPECT_EQ(item.stateMask, 0xFF2Fu);
    tree->SetSelected(Node(3), true);
    tree->SetFocusedNode(Node(3));
    EXPECT_EQ(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(item.state & 0xFF, UINT(0x1 | TVIS_SELECTED));
    EXPECT_EQ(next(TVGN_CARET, nullptr), Node(3));

    RECT rect = RectWithHandle(reinterpret_cast<LPARAM>(Node(2)));
    EXPECT_EQ(Send(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&rect)), 1);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.bottom, 60);
}

TEST_F(TreeControl, ItemHandlesThatAreNoNodesOfTheTreeAreRefused)
{
    // Handles come from other programs: garbage, another tree's node, the hidden root.
    NodeListTree other(form.get());
    other.SetRootNodeCount(1);
    char garbage[64] = {};
    LPARAM handles[] = {reinterpret_cast<LPARAM>(garbage), reinterpret_cast<LPARAM>(other.GetFirst()),
                        reinterpret_cast<LPARAM>(tree->RootNode()), LPARAM(0x10)};
    for (LPARAM handle : handles) {
        EXPECT_EQ(Send(TVM_GETNEXTITEM, TVGN_NEXT, handle), 0);
        EXPECT_EQ(Send(TVM_GETNEXTITEM, TVGN_PARENT, handle), 0);
        TVITEMW item{};
        item.mask = TVIF_HANDLE | TVIF_CHILDREN;
        item.hItem = reinterpret_cast<HTREEITEM>(handle);
        item.cChildren = -7;
        EXPECT_EQ(Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
        EXPECT_EQ(item.cChildren, -7);
        RECT rect = RectWithHandle(handle);
        EXPECT_EQ(Send(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect)), 0);
    }
}

TEST_F(TreeControl, ValidationThreadStateMessageChangesTheStates)
{
    std::vector<std::pair<TVirtualTreeStates, TVirtualTreeStates>> changes;
    tree->OnStateChange = [&](TBaseVirtualTree*, TVirtualTreeStates enter, TVirtualTreeStates leave) {
        changes.emplace_back(enter, leave);
    };
    Send(WM_CHANGESTATE, 2 | 4, 8);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().first, tsUseCache | tsValidating);
    EXPECT_EQ(changes.back().second, tsValidationNeeded);
    tree->OnStateChange = nullptr;
}

TEST_F(TreeControl, AddingManyNodesMakesNoSystemTimerCalls)
{
    // Every added node cancels a pending edit; with no edit timer running that must not reach the
    // system (a round trip per node under some hosts).
    const uint64_t before = tree->SystemTimerCalls();
    for (int i = 0; i < 2000; ++i)
        tree->AddChild(nullptr);
    tree->BeginUpdate();
    for (int i = 0; i < 2000; ++i)
        tree->AddChild(nullptr);
    tree->EndUpdate();
    EXPECT_EQ(tree->RootNodeCount(), 4100u);
    EXPECT_EQ(tree->SystemTimerCalls(), before);
}

TEST_F(TreeControl, ARunningTimerIsStillStopped)
{
    // A delayed structure change runs a timer; when it fires the tree stops it in the system.
    int changes = 0;
    tree->OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode, TChangeReason) { ++changes; };
    tree->SetChangeDelay(10);
    const uint64_t before = tree->SystemTimerCalls();
    tree->AddChild(nullptr);
    EXPECT_EQ(tree->SystemTimerCalls(), before + 1);
    for (int i = 0; i < 200 && changes == 0; ++i) {
        Sleep(5);
        ui::App().ProcessMessages();
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tree->SystemTimerCalls(), before + 2);
    EXPECT_FALSE(::KillTimer(Window(), StructureChangeTimer));  // already gone
    tree->OnStructureChange = nullptr;
}

TEST_F(TreeControl, ScrollIntoViewAndBottomNode)
{
    int clientHeight = Client().bottom;
    EXPECT_FALSE(tree->ScrollIntoView(Node(1), false));
    EXPECT_TRUE(tree->ScrollIntoView(Node(50), false));
    // The row's text bottom lands on the client area's bottom.
    EXPECT_EQ(tree->OffsetY(), clientHeight - 51 * 20);
    EXPECT_EQ(tree->BottomNode(), Node(50));
    tree->SetTopNode(Node(10));
    EXPECT_EQ(tree->OffsetY(), -200);
    EXPECT_EQ(tree->TopNode(), Node(10));
    tree->SetBottomNode(Node(30));
    EXPECT_EQ(tree->OffsetY(), clientHeight - 31 * 20);
    EXPECT_TRUE(tree->ScrollIntoView(Node(30), true));
    EXPECT_EQ(tree->OffsetY(), clientHeight / 2 - 31 * 20);
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(TreeControl, MiddleButtonPansTowardsThePointer)
{
    tree->TreeOptions().SetMiscOptions(TVTMiscOptions(tree->TreeOptions().MiscOptions() | toWheelPanning));
    Send(WM_MBUTTONDOWN, MK_MBUTTON, Point(100, 100));
    ASSERT_TRUE(tree->TreeStates() & tsWheelPanning);
    ASSERT_NE(tree->PanningWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(tree->PanningWindow()));
    RECT panning{};
    GetWindowRect(tree->PanningWindow(), &panning);
    POINT press = ToScreen(100, 100);
    EXPECT_EQ(panning.left, press.x - 16);
    EXPECT_EQ(panning.bottom - panning.top, 32);

    // Within 8 pixels of the press point nothing scrolls; 58 pixels below, a step of 50.
    Send(WM_MOUSEMOVE, MK_MBUTTON, Point(100, 105));
    EXPECT_EQ(tree->ScrollDirections(), 0);
    POINT below = ToScreen(100, 158);
    SetCursorPos(below.x, below.y);
    Send(WM_MOUSEMOVE, MK_MBUTTON, Point(100, 158));
    EXPECT_EQ(tree->ScrollDirections(), TScrollDirections(sdDown));
    EXPECT_FALSE(tree->TreeStates() & tsWheelScrolling) << "moved past the drag threshold";
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x == below.x && cursor.y == below.y) { // a display that lets us move the pointer
        Send(WM_TIMER, ScrollTimer);
        EXPECT_EQ(tree->OffsetY(), 100 - 158 + 8);
    }
    Send(WM_MBUTTONUP, 0, Point(100, 158));
    EXPECT_FALSE(tree->TreeStates() & (tsWheelPanning | tsWheelScrolling));
    EXPECT_EQ(tree->PanningWindow(), nullptr);

    // Released without moving: panning goes on until the next press.
    Send(WM_MBUTTONDOWN, MK_MBUTTON, Point(50, 50));
    Send(WM_MBUTTONUP, 0, Point(50, 50));
    EXPECT_TRUE(tree->TreeStates() & tsWheelScrolling);
    EXPECT_NE(tree->PanningWindow(), nullptr);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(50, 50));
    EXPECT_EQ(tree->PanningWindow(), nullptr);
    Send(WM_LBUTTONUP, 0, Point(50, 50));

    // Content that fits: no panning.
    tree->SetRootNodeCount(2);
    Send(WM_MBUTTONDOWN, MK_MBUTTON, Point(50, 10));
    EXPECT_FALSE(tree->TreeStates() & tsWheelPanning);
    Send(WM_MBUTTONUP, 0, Point(50, 10));
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(TreeControl, BorderStylesDecideTheFrame)
{
    struct Case {
        TBorderStyle style;
        bool ctl3d;
        bool clientEdge, border;
        int thickness;
    } cases[] = {
        {bsSingle, true, true, false, GetSystemMetrics(SM_CXEDGE)},
        {bsSingle, false, false, true, 1},
        {bsNone, true, false, false, 0},
    };
    for (const Case& c : cases) {
        tree->SetBorderStyle(c.style);
        tree->SetCtl3D(c.ctl3d);
        LONG_PTR style = GetWindowLongPtrW(Window(), GWL_STYLE);
        LONG_PTR exStyle = GetWindowLongPtrW(Window(), GWL_EXSTYLE);
        EXPECT_EQ((exStyle & WS_EX_CLIENTEDGE) != 0, c.clientEdge) << int(c.style) << c.ctl3d;
        EXPECT_EQ((style & WS_BORDER) != 0, c.border) << int(c.style) << c.ctl3d;
        EXPECT_EQ(tree->BorderDimensions().cx, -c.thickness);
        EXPECT_EQ(tree->HeaderRect().Top, c.thickness);
        EXPECT_EQ(tree->RootNodeCount(), 100u) << "the nodes survive the new window";
    }
    // Scroll bar options make the window again with the new style, an unchanged value does not.
    HWND before = Window();
    tree->ScrollBarOptions().SetScrollBars(ssBoth);
    EXPECT_EQ(Window(), before);
    tree->ScrollBarOptions().SetScrollBars(ssNone);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VSCROLL);
    tree->SetOffsetY(-100);
    EXPECT_EQ(tree->OffsetY(), -100) << "scrolling goes on without bars";
    tree->ScrollBarOptions().SetScrollBars(ssBoth);
    EXPECT_TRUE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VSCROLL);
    // A hidden header leaves an empty rectangle at the top and gives its height to the client area.
    int clientHeight = Client().bottom;
    tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() & ~hoVisible));
    EXPECT_EQ(tree->HeaderRect().Bottom, tree->HeaderRect().Top);
    EXPECT_EQ(Client().bottom, clientHeight + 22);
}

TEST_F(TreeControl, LoadingAReadOnlyTreeStillMakesItsNodes)
{
    auto* loaded = new NodeListTree(form.get());
    loaded->SetParent(form.get());
    loaded->BeginLoad();
    loaded->SetLoading(true);
    loaded->TreeOptions().SetMiscOptions(TVTMiscOptions(loaded->TreeOptions().MiscOptions() | toReadOnly));
    loaded->SetRootNodeCount(5);
    EXPECT_EQ(loaded->GetFirst(), nullptr);
    loaded->Loaded();
    EXPECT_EQ(loaded->RootNodeCount(), 5u);
    EXPECT_NE(loaded->GetFirst(), nullptr);
    EXPECT_TRUE(loaded->TreeOptions().MiscOptions() & toReadOnly);
    EXPECT_FALSE(loaded->Loading());
}

TEST_F(TreeControl, AssignCopiesPropertiesButNotNodes)
{
    NodeListTree copy(form.get());
    copy.Assign(*tree);
    EXPECT_EQ(copy.Header().Columns().Count(), 4);
    EXPECT_EQ(copy.Header().Columns()[1].Width(), 80);
    EXPECT_EQ(copy.Header().Columns()[3].Text(), u"L2TP支持");
    EXPECT_EQ(copy.Header().SortColumn(), 1);
    EXPECT_EQ(copy.DefaultNodeHeight(), 20u);
    EXPECT_EQ(copy.RootNodeCount(), 100u);
    EXPECT_TRUE(copy.TreeOptions().MiscOptions() & toReportMode);
    EXPECT_EQ(copy.BorderStyle(), bsSingle);
    copy.TreeOptions().SetMiscOptions(TVTMiscOptions(copy.TreeOptions().MiscOptions() | toReadOnly));
    EXPECT_THROW(copy.Assign(*tree), core::EConvertError);
}

TEST_F(TreeControl, FontWatchNoticesChangesAndKeepsTheCanvasReaction)
{
    ui::Canvas canvas;
    int canvasReactions = 0;
    canvas.Font().OnChange = [&] { ++canvasReactions; };
    tree->ClearFontChangedFlag();
    tree->HookCanvasFont(canvas);
    EXPECT_FALSE(tree->FontChangedFlag());
    canvas.Font().SetSize(canvas.Font().Size() + 3);
    EXPECT_TRUE(tree->FontChangedFlag());
    EXPECT_EQ(canvasReactions, 1);
    tree->UnhookCanvasFont(canvas);
    tree->ClearFontChangedFlag();
    canvas.Font().SetSize(canvas.Font().Size() + 3);
    EXPECT_FALSE(tree->FontChangedFlag());
    EXPECT_EQ(canvasReactions, 2);
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

class CursorProbe : public NodeListTree {
public:
    using NodeListTree::NodeListTree;
    using TVirtualTreeControl::CursorHandleAt;
};

TEST_F(TreeControl, CursorOverRowEdgesAndFromTheEvent)
{
    auto* probe = new CursorProbe(form.get());
    probe->SetParent(form.get());
    probe->SetBounds(0, 0, 200, 200);
    probe->SetRootNodeCount(5);
    probe->SetDefaultNodeHeight(20);
    EXPECT_EQ(probe->CursorHandleAt(POINT{10, 10}), ui::CursorHandle(ui::crArrow));
    probe->TreeOptions().SetMiscOptions(TVTMiscOptions(probe->TreeOptions().MiscOptions() | toNodeHeightResize));
    EXPECT_EQ(probe->CursorHandleAt(POINT{30, 18}), TreeCursor(62));
    EXPECT_EQ(probe->CursorHandleAt(POINT{30, 10}), ui::CursorHandle(ui::crArrow));
    probe->OnGetCursor = [](TVirtualTreeControl*, ui::Cursor& cursor) { cursor = ui::crHandPoint; };
    EXPECT_EQ(probe->CursorHandleAt(POINT{30, 10}), ui::CursorHandle(ui::crHandPoint));
    probe->OnGetCursor = nullptr;
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(TreeControl, CheckImagesFollowTheKindAndForgetARemovedCustomList)
{
    NodeListTree fresh(form.get());
    EXPECT_EQ(fresh.DragOperations(), TDragOperations(doCopy | doMove));
    EXPECT_EQ(fresh.DragHeight(), 350);
    EXPECT_EQ(fresh.DragWidth(), 200);
    EXPECT_EQ(fresh.HintAnimation(), hatSystemDefault);
    EXPECT_EQ(fresh.DefaultPasteMode(), amAddChildLast);
    EXPECT_EQ(fresh.CheckImageKind(), ckSystemDefault);
    ASSERT_NE(fresh.CheckImages(), nullptr);
    EXPECT_EQ(fresh.CheckImages()->Count(), 25);

    tree->SetCheckImageKind(ckDarkTick);
    EXPECT_EQ(tree->CheckImages(), CheckImagesOfKind(ckDarkTick));
    auto* custom = new ui::ImageList(form.get(), 16, 16);
    tree->SetCustomCheckImages(custom);
    tree->SetCheckImageKind(ckCustom);
    EXPECT_EQ(tree->CheckImages(), custom);
    delete custom;
    EXPECT_EQ(tree->CustomCheckImages(), nullptr);
    EXPECT_EQ(tree->CheckImageKind(), ckSystemDefault);
    EXPECT_EQ(tree->CheckImages(), CheckImagesOfKind(ckSystemDefault));
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

// Redraw is switched off during an update, which hides the window from IsWindowVisible; the end of
// the update must switch it on again, also for nested updates.
TEST_F(TreeControl, UpdatesLeaveTheWindowShown)
{
    ASSERT_TRUE(IsWindowVisible(Window()));
    tree->BeginUpdate();
    tree->BeginUpdate();
    tree->AddChild(nullptr);
    tree->EndUpdate();
    tree->EndUpdate();
    EXPECT_TRUE(IsWindowVisible(Window()));
    tree->SetRootNodeCount(5);
    EXPECT_TRUE(IsWindowVisible(Window()));
    // A hidden tree stays hidden.
    static_cast<ui::Control*>(tree)->SetVisible(false);
    tree->BeginUpdate();
    tree->EndUpdate();
    EXPECT_FALSE(IsWindowVisible(Window()));
}

// A size change whose pass shows or hides the vertical bar sizes the client area again inside the
// pass; the auto-size column must end with the width the final client area leaves, not the one the
// bar's coming or going made stale.
TEST_F(TreeControl, AutoSizeColumnFollowsTheScrollBarThatASizeChangeBrings)
{
    tree->Header().SetOptions(tree->Header().Options() | hoAutoResize);
    tree->SetRootNodeCount(3); // 60 pixels of rows
    Pump();
    const int others = tree->Header().Columns()[1].Width() + tree->Header().Columns()[2].Width() +
                       tree->Header().Columns()[3].Width();
    ASSERT_EQ(others, 200);
    struct Case {
        const char* what;
        int width, height;
        bool bar;
    };
    const Case cases[] = {
        {"shorter than the rows: the bar comes", 400, 70, true},
        {"narrower with the bar kept", 380, 70, true},
        {"taller than the rows: the bar goes", 380, 300, false},
        {"wider and shorter at once: the bar comes", 420, 60, true},
        {"back to the first size: the bar goes", 400, 300, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree->SetBounds(10, 10, c.width, c.height);
        EXPECT_EQ(bool(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VSCROLL), c.bar);
        // Checked before any further message: the pass itself must leave the right width.
        EXPECT_EQ(tree->Header().Columns()[0].Width(), Client().right - others);
        Pump();
        EXPECT_EQ(tree->Header().Columns()[0].Width(), Client().right - others);
        EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_HSCROLL);
    }
}

} // namespace
} // namespace treeview::test
