// The view's geometry and scrolling: node positions, display rectangles, hit tests, the scroll step,
// scroll bars, wheel and scroll requests, scrolling into view, the widest content of a column, and
// the small property objects.
#include "viewport_fixture.h"
#include "core/exception.h"
#include "core/stringlist.h"
#include "treeview/unit_services.h"
#include <climits>

namespace treeview::test {
namespace {

class GeometryTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        tree.SetRootNodeCount(30); // 600 pixels in a client area of 300 x 200
    }
};

TEST_F(GeometryTest, NodeAtAPosition)
{
    int top = 0;
    EXPECT_EQ(tree.GetNodeAt(0, -5, true, top), Node(0));
    EXPECT_EQ(tree.GetNodeAt(0, 45, true, top), Node(2));
    EXPECT_EQ(top, 40);
    tree.SetOffsetY(-30);
    EXPECT_EQ(tree.GetNodeAt(0, 45, true, top), Node(3));
    EXPECT_EQ(top, 30);
    EXPECT_EQ(tree.GetNodeAt(0, 45, false, top), Node(2));
    EXPECT_EQ(tree.GetNodeAt(0, 600, false, top), nullptr);
    EXPECT_EQ(tree.TopNode(), Node(1));
    EXPECT_EQ(tree.BottomNode(), Node(11));
}

TEST_F(GeometryTest, DisplayRectangleOfHiddenAndShownNodes)
{
    PVirtualNode parent = Node(1);
    PVirtualNode child = tree.AddChild(parent);
    EXPECT_EQ(tree.GetDisplayRect(child, NoColumn, false), TRect{});
    tree.SetExpanded(parent, true);
    tree.UpdateScrollBars(false);
    EXPECT_EQ(tree.GetDisplayRect(child, NoColumn, false), (TRect{0, 40, 300, 60}));
    // Text: two levels of indentation, the margin, then the text's width.
    EXPECT_EQ(tree.GetDisplayRect(child, NoColumn, true), (TRect{18 + 18 + 4, 40, 18 + 18 + 4 + 40, 60}));
    tree.Images = TSize{16, 16};
    tree.OnGetImageIndex = [](TBaseVirtualTree*, PVirtualNode, TVTImageKind kind, TColumnIndex, bool&, int& index) {
        if (kind == TVTImageKind::ikNormal)
            index = 0;
    };
    EXPECT_EQ(tree.GetDisplayRect(child, NoColumn, true).Left, 18 + 18 + 4 + 16 + 2);
    tree.OnGetImageIndex = nullptr;
}

TEST_F(GeometryTest, HitTestsOutsideAndInsideTheRows)
{
    struct Case {
        int x, y;
        THitPositions positions;
        bool node;
    } cases[] = {
        {-1, 10, hiToLeft, false},
        {10, -1, hiAbove, false},
        {10, 700, hiBelow, false},
        {5, 10, hiOnItem | hiOnItemIndent, true},
        {25, 10, hiOnItem | hiOnItemLabel, true},
        {100, 10, hiOnItem | hiOnItemRight, true},
    };
    for (const Case& c : cases) {
        THitInfo info;
        tree.GetHitTestInfoAt(c.x, c.y, true, info);
        EXPECT_EQ(info.HitPositions, c.positions) << c.x << "," << c.y;
        EXPECT_EQ(info.HitNode != nullptr, c.node) << c.x << "," << c.y;
        EXPECT_EQ(info.HitColumn, NoColumn);
    }
    // Row splitters with node height resizing: 2 pixels above a row's bottom.
    tree.TreeOptions().SetMiscOptions(TVTMiscOptions(tree.TreeOptions().MiscOptions() | toNodeHeightResize));
    THitInfo info;
    tree.GetHitTestInfoAt(25, 38, true, info);
    EXPECT_EQ(info.HitNode, Node(1));
    EXPECT_EQ(info.HitPositions, THitPositions(hiOnItem | hiLowerSplitter | hiOnItemLabel));
    tree.GetHitTestInfoAt(25, 41, true, info);
    EXPECT_EQ(info.HitPositions, THitPositions(hiOnItem | hiUpperSplitter | hiOnItemLabel));
}

TEST_F(GeometryTest, ButtonsAndCheckBoxesInTheMainColumn)
{
    PVirtualNode parent = Node(0);
    tree.SetHasChildren(parent, true);
    tree.TreeOptions().SetMiscOptions(TVTMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport));
    tree.CheckWidth = 13;
    tree.SetCheckType(Node(1), ctCheckBox);
    struct Case {
        int x, y;
        THitPositions positions;
    } cases[] = {
        {2, 5, hiOnItem | hiOnItemButton},
        {12, 5, hiOnItem | hiOnItemButton | hiOnItemButtonExact},
        {2, 25, hiOnItem | hiOnItemIndent},
        {25, 25, hiOnItem | hiOnItemCheckbox},
        {40, 25, hiOnItem | hiOnItemLabel},
    };
    for (const Case& c : cases) {
        THitInfo info;
        tree.GetHitTestInfoAt(c.x, c.y, true, info);
        EXPECT_EQ(info.HitPositions, c.positions) << c.x << "," << c.y;
    }
}

TEST_F(GeometryTest, ApplyOffsetClampsAndNotifies)
{
    std::vector<std::pair<int, int>> scrolls;
    tree.OnScroll = [&](TBaseVirtualTree*, int dx, int dy) { scrolls.emplace_back(dx, dy); };
    EXPECT_FALSE(tree.ApplyOffset(TPoint{0, 0}));
    EXPECT_TRUE(scrolls.empty());
    EXPECT_FALSE(tree.ApplyOffset(TPoint{5, 10})) << "an offset above 0 is 0";
    EXPECT_TRUE(tree.ApplyOffset(TPoint{0, -50}));
    EXPECT_TRUE(tree.ApplyOffset(TPoint{0, -5000}));
    EXPECT_EQ(tree.OffsetY(), 200 - 600);
    EXPECT_EQ(scrolls, (std::vector<std::pair<int, int>>{{0, -50}, {0, -350}}));
    TScrollInfo bar = port.LastScrollInfo(TScrollBarKind::Vertical);
    EXPECT_EQ(bar.Max, 600);
    EXPECT_EQ(bar.Page, 201);
    EXPECT_EQ(bar.Pos, 400);
}

TEST_F(GeometryTest, ScrollRequestsAndTheWheel)
{
    struct Case {
        TScrollCode code;
        int expected;
    } cases[] = {{scLineDown, -20}, {scPageDown, -220}, {scBottom, -400}, {scLineUp, -380}, {scTop, 0}};
    for (const Case& c : cases) {
        tree.HandleScrollRequest(TScrollBarKind::Vertical, c.code, 0);
        EXPECT_EQ(tree.OffsetY(), c.expected) << c.code;
    }
    tree.HandleScrollRequest(TScrollBarKind::Vertical, scThumbTrack, 123);
    EXPECT_EQ(tree.OffsetY(), -123);
    EXPECT_TRUE(tree.TreeStates() & tsThumbTracking);
    tree.HandleScrollRequest(TScrollBarKind::Vertical, scEndScroll, 0);
    EXPECT_FALSE(tree.TreeStates() & tsThumbTracking);
    tree.SetOffsetY(0);

    // A notch with three wheel lines and rows of 18 pixels scrolls 54 pixels.
    tree.SetDefaultNodeHeight(18);
    tree.HandleWheel(-120, false, false, 3);
    EXPECT_EQ(tree.OffsetY(), -54);
    tree.HandleWheel(-120, false, true, 3);
    EXPECT_EQ(tree.OffsetY(), -254) << "Ctrl scrolls a page";
    tree.HandleWheel(240, false, false, UINT_MAX);
    EXPECT_EQ(tree.OffsetY(), 0) << "page-wise wheel setting";
    // Shift (or content that fits) scrolls sideways, by the columns' average width.
    AddColumns({250, 250});
    tree.UpdateScrollBars(false);
    tree.HandleWheel(-120, true, false, 1);
    EXPECT_EQ(tree.OffsetX(), -200) << "limited to the content width";
    tree.HandleWheel(120, true, false, 1);
    EXPECT_EQ(tree.OffsetX(), 0);
}

TEST_F(GeometryTest, ScrollBarOptionsDecideWhichBarsShow)
{
    tree.SetOffsetY(-300);
    port.ClearLog();
    tree.ScrollBarOptions().SetScrollBars(ssNone);
    tree.UpdateScrollBars(false);
    auto log = port.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "scroll bar v hidden"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "scroll bar h hidden"), log.end());
    EXPECT_EQ(tree.OffsetY(), -300) << "within range the offset stays";
    tree.SetRootNodeCount(5);
    EXPECT_EQ(tree.OffsetY(), 0);

    tree.ScrollBarOptions().SetScrollBars(ssBoth);
    tree.ScrollBarOptions().SetAlwaysVisible(true);
    port.ClearLog();
    tree.UpdateScrollBars(false);
    log = port.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "scroll bar v shown"), log.end());
    EXPECT_TRUE(port.LastScrollInfo(TScrollBarKind::Vertical).DisableNoScroll);
}

TEST_F(GeometryTest, ScrollIntoViewNodesAndColumns)
{
    EXPECT_FALSE(tree.ScrollIntoView(Node(2), false)) << "already shown";
    EXPECT_TRUE(tree.ScrollIntoView(Node(20), false));
    EXPECT_EQ(tree.OffsetY(), 200 - 21 * 20);
    EXPECT_TRUE(tree.ScrollIntoView(Node(3), false));
    EXPECT_EQ(tree.OffsetY(), -60);
    // A node inside a collapsed parent: the parent opens first.
    PVirtualNode child = tree.AddChild(Node(25));
    tree.ScrollIntoView(child, false);
    EXPECT_TRUE(tree.Expanded(Node(25)));
    EXPECT_EQ(tree.BottomNode(), child);

    // A column under the fixed columns comes out right of them.
    AddColumns({100, 150, 150});
    Columns()[0].SetOptions(TVTColumnOptions(Columns()[0].Options() | coFixed));
    tree.UpdateScrollBars(false);
    tree.SetOffsetX(-100);
    EXPECT_EQ(Columns()[1].Left(), 0);
    EXPECT_TRUE(tree.ScrollIntoView(1, false));
    EXPECT_EQ(tree.OffsetX(), 0);
    EXPECT_EQ(Columns()[1].Left(), 100);
    EXPECT_TRUE(tree.ScrollIntoView(2, false));
    EXPECT_EQ(tree.OffsetX(), -100);
}

TEST_F(GeometryTest, MaxColumnWidthOfAnEmptyTreeRaisesBothEvents)
{
    tree.SetRootNodeCount(0);
    int events = 0;
    tree.OnBeforeGetMaxColumnWidth = [&](TVTHeader*, TColumnIndex, bool&) { ++events; };
    tree.OnAfterGetMaxColumnWidth = [&](TVTHeader*, TColumnIndex, int&) { ++events; };
    EXPECT_EQ(tree.GetMaxColumnWidth(NoColumn), 0);
    EXPECT_EQ(events, 2);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowVertGridLines);
    EXPECT_EQ(tree.GetMaxColumnWidth(NoColumn), 1);
    tree.OnBeforeGetMaxColumnWidth = nullptr;
    tree.OnAfterGetMaxColumnWidth = nullptr;
}

TEST_F(GeometryTest, LongOperationsAndTheirCancellation)
{
    tree.CancelOperation(); // nothing runs: no effect
    tree.BeginOperation();
    EXPECT_FALSE(tree.OperationCanceled());
    tree.CancelOperation();
    EXPECT_TRUE(tree.OperationCanceled());
    tree.EndOperation();
    EXPECT_FALSE(tree.OperationCanceled()) << "outside operations nothing is cancelled";
    EXPECT_THROW(tree.EndOperation(), core::EAssertionFailed);
}

TEST_F(ViewTest, PropertyObjectsOfTheView)
{
    EXPECT_THROW(tree.ScrollBarOptions().SetScrollBarStyle(sbmFlat), core::EAssertionFailed);
    EXPECT_EQ(tree.ScrollBarOptions().ScrollBarStyle(), sbmRegular);
    EXPECT_EQ(tree.ScrollBarOptions().VerticalIncrement(), 20);

    EXPECT_EQ(tree.Colors().Color(TVTColors::FocusedSelectionColor), syscolor::clHighlight);
    port.SetHandleAllocated(false);
    int rebuilt = 0;
    tree.Colors().OnTreeLineColorChanged = [&] { ++rebuilt; };
    int invalidates = port.InvalidateCount();
    tree.Colors().SetColor(TVTColors::TreeLineColor, 0x123456);
    EXPECT_EQ(tree.Colors().Color(TVTColors::TreeLineColor), 0x123456);
    EXPECT_EQ(rebuilt, 0);
    EXPECT_EQ(port.InvalidateCount(), invalidates);
    port.SetHandleAllocated(true);
    tree.Colors().SetColor(TVTColors::TreeLineColor, 0x654321);
    EXPECT_EQ(rebuilt, 1);
    tree.Colors().OnTreeLineColorChanged = nullptr;

    RegisterVTClipboardFormat<TTreeViewport>(u"Virtual Tree Data", 50);
    EXPECT_EQ(tree.ClipboardFormats().Add(u"No Such Format"), -1);
    EXPECT_EQ(tree.ClipboardFormats().Add(u"Virtual Tree Data"), 0);
    EXPECT_EQ(tree.ClipboardFormats().Add(u"Virtual Tree Data"), 0);
    EXPECT_EQ(tree.ClipboardFormats().Count(), 1);
    // A format registered for a derived class only is refused by a plain view.
    struct Derived : ViewTree {};
    RegisterVTClipboardFormat<Derived>(u"CSV", 90);
    EXPECT_EQ(tree.ClipboardFormats().Add(u"CSV"), -1);
    EXPECT_THROW(tree.ClipboardFormats().Insert(0, u"Virtual Tree Data"), core::EStringListError);
}

TEST_F(ViewTest, FormatRegistryLooksFormatsUpByNameAndNumber)
{
    // The registry is process-wide: start empty and leave it as the unit's start-up makes it.
    ClearClipboardFormatRegistry();
    struct Restore {
        ~Restore()
        {
            FinalizeTreeUnit();
            InitializeTreeUnit();
        }
    } restore;
    struct Derived : ViewTree {};
    Derived derived;

    uint32_t data = RegisterVTClipboardFormat<TTreeViewport>(u"Virtual Tree Data", 50);
    uint32_t csv = RegisterVTClipboardFormat<Derived>(u"CSV", 90);
    EXPECT_GT(data, 16u);
    EXPECT_NE(csv, data);
    // A name registered again gets a second entry: lookups find the newer, enumeration lists both.
    EXPECT_EQ(RegisterVTClipboardFormat<TTreeViewport>(u"virtual tree data", 50), data) << "names ignore case";
    EXPECT_EQ(FindFormat(u"Virtual Tree Data")->Name, u"virtual tree data");
    RegisterVTClipboardFormat<Derived>(uint32_t(13), 95);
    RegisterVTClipboardFormat<TTreeViewport>(uint32_t(1), 100);
    RegisterVTClipboardFormat<TTreeViewport>(uint32_t(0), 10); // no such format: nothing added
    // A number above 16 is listed under the name the platform registered it with.
    uint32_t pictures = PlatformRegisterClipboardFormat(u"Tree Test Pictures");
    RegisterVTClipboardFormat<TTreeViewport>(pictures, 70);

    const struct {
        const char16_t* name;
        uint32_t format;
        bool forView;
    } cases[] = {{u"virtual TREE data", data, true},   {u"CSV", csv, false},
                 {u"Unicode text", 13, false},          {u"PLAIN TEXT", 1, true},
                 {u"Tree Test Pictures", pictures, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.name));
        const TClipboardFormatEntry* entry = FindFormat(c.name);
        ASSERT_NE(entry, nullptr);
        uint32_t format = 0;
        TTreeClassTest treeClass = FindFormat(c.name, format);
        ASSERT_TRUE(treeClass);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(treeClass(&tree), c.forView);
        EXPECT_TRUE(treeClass(&derived));
        core::String description;
        ASSERT_TRUE(FindFormat(c.format, description));
        EXPECT_EQ(description, entry->Name);
    }
    uint32_t untouched = 7;
    EXPECT_FALSE(FindFormat(u"No Such Format", untouched));
    EXPECT_EQ(untouched, 7u);
    core::String kept = u"kept";
    EXPECT_FALSE(FindFormat(uint32_t(2), kept));
    EXPECT_FALSE(FindFormat(uint32_t(0), kept));
    EXPECT_EQ(kept, u"kept");
    EXPECT_EQ(FindFormat(u"No Such Format"), nullptr);

    // The names a class renders, in priority order, appended to what the list holds.
    core::StringList names;
    names.Add(u"first");
    EnumerateFormats(&derived, names);
    std::vector<core::String> got;
    for (int i = 0; i < names.Count(); ++i)
        got.push_back(names[i]);
    EXPECT_EQ(got, (std::vector<core::String>{u"first", u"Virtual Tree Data", u"virtual tree data",
                                              u"Tree Test Pictures", u"CSV", u"Unicode text", u"Plain text"}));
    names.Clear();
    EnumerateFormats(&tree, names);
    EXPECT_EQ(names.Count(), 4);
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(GeometryTest, RepaintRequestsAreInClientCoordinates)
{
    tree.SetOffsetY(-40);
    port.ClearLog();
    tree.InvalidateNode(Node(3)); // rows 60..80 of the content, 20..40 of the window
    tree.InvalidateToBottom(Node(5));
    tree.InvalidateNode(Node(0)); // above the window: an empty request is dropped or off-screen
    auto log = port.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "invalidate 20..40");
    EXPECT_EQ(log[1], "invalidate 60..200");
    tree.BeginUpdate();
    port.ClearLog();
    tree.InvalidateNode(Node(3));
    EXPECT_TRUE(port.Log().empty()) << "no repaint inside an update";
    tree.EndUpdate();
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(ViewTest, AnimationRunsPacedStepsAndAFinalCall)
{
    std::vector<std::pair<int, int>> calls;
    tree.RunAnimation(100, 0, [&](int step, int size) { calls.emplace_back(step, size); return true; });
    EXPECT_TRUE(calls.empty()) << "no duration, no animation";
    tree.RunAnimation(100, 200, [&](int step, int size) { calls.emplace_back(step, size); return true; });
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front(), (std::pair<int, int>{0, 1}));
    EXPECT_EQ(calls.back(), (std::pair<int, int>{0, 0}));
    for (size_t i = 1; i + 1 < calls.size(); ++i)
        EXPECT_GT(calls[i].first, calls[i - 1].first);
    EXPECT_FALSE(tree.TreeStates() & tsInAnimation);
    // A callback that stops ends the loop, still with the final call.
    calls.clear();
    tree.RunAnimation(10, 100, [&](int step, int size) { calls.emplace_back(step, size); return false; });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 1}, {0, 0}}));
}

TEST_F(ViewTest, EdgesScrollAfterTheDelayWhileSelectingWithTheMouse)
{
    tree.SetRootNodeCount(30);
    EXPECT_EQ(tree.ScrollDirectionsAt(10, 195), 0) << "auto-scroll needs the option and a rubber band";
    tree.TreeOptions().SetAutoOptions(TVTAutoOptions(tree.TreeOptions().AutoOptions() | toAutoScroll));
    tree.ChangeStates(tsDrawSelPending, 0);
    tree.AutoScrollAt(10, 195);
    EXPECT_EQ(tree.ScrollDirections(), 0) << "within the delay";
    EXPECT_TRUE(port.TimerRunning(ScrollTimer) == false);
    tree.Now += 1000;
    tree.AutoScrollAt(10, 195);
    EXPECT_EQ(tree.ScrollDirections(), TScrollDirections(sdDown));
    EXPECT_TRUE(tree.TreeStates() & tsScrollPending);
    EXPECT_EQ(port.TimerInterval(ScrollTimer), 1000u);
    // One step inside the client area: one vertical increment.
    TPoint delta = tree.ScrollDeltasAt(TPoint{10, 195}, true, TPoint{});
    EXPECT_EQ(delta.Y, -20);
    // Outside, the step grows with the distance.
    delta = tree.ScrollDeltasAt(TPoint{10, 230}, false, TPoint{0, 30});
    EXPECT_EQ(delta.Y, -600);
    // Away from the edges the timer stops.
    tree.AutoScrollAt(100, 100);
    EXPECT_EQ(tree.ScrollDirections(), 0);
    EXPECT_FALSE(port.TimerRunning(ScrollTimer));
    EXPECT_FALSE(tree.TreeStates() & (tsScrollPending | tsScrolling));
    tree.ChangeStates(0, tsDrawSelPending);
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(GeometryTest, ExpandingScrollsTheNewChildrenIntoView)
{
    PVirtualNode parent = Node(8); // rows 160..180 of a window 200 high
    for (int i = 0; i < 3; ++i)
        tree.AddChild(parent);
    tree.ToggleNode(parent);
    ASSERT_TRUE(tree.Expanded(parent));
    // The last child (row 220..240) is now at the bottom of the window.
    EXPECT_EQ(tree.OffsetY(), 200 - 240);
    EXPECT_FALSE(tree.TreeStates() & tsToggling);
    tree.ToggleNode(parent);
    EXPECT_FALSE(tree.Expanded(parent));

    // Too many children to fit: the node becomes the top node.
    tree.SetOffsetY(0);
    for (int i = 0; i < 20; ++i)
        tree.AddChild(parent);
    tree.ToggleNode(parent);
    EXPECT_EQ(tree.TopNode(), parent);

    // Freed on collapse with the option, yet still expandable.
    tree.TreeOptions().SetAutoOptions(TVTAutoOptions(tree.TreeOptions().AutoOptions() | toAutoFreeOnCollapse));
    tree.ToggleNode(parent);
    EXPECT_EQ(tree.ChildCount(parent), 0u);
    EXPECT_TRUE(tree.HasChildren(parent));
}

// The toggle animation's areas for the layouts of a window 200 pixels high over 30 rows of 20.
TEST_F(GeometryTest, ToggleAnimationScrollsTheAreasTheChangeMoves)
{
    struct Case {
        const char* name;
        TVTAnimationOptions animation;
        bool childrenAbove;
        uint32_t node;      // has three children of 20 pixels
        bool expandFirst;   // toggled once without animation before the animated toggle
        int offsetY;        // set before the animated toggle
        TToggleAnimationPlan expected;
    };
    const TVTAnimationOptions on = toAnimatedToggle, advanced = toAnimatedToggle | toAdvancedAnimatedToggle;
    const Case cases[] = {
        // The rows below the node slide up over the children / down to make room for them.
        {"collapse", on, false, 2, true, 0, {{0, 60, 300, 200}, {}, tamScrollUp, tamNoScroll, 60, 0}},
        {"expand", on, false, 2, false, 0, {{0, 60, 300, 200}, {}, tamScrollDown, tamNoScroll, 60, 0}},
        // Near the bottom: the row moves up while the children slide in below it; R1 carries the
        // larger amount.
        {"expand advanced", advanced, false, 8, false, 0,
         {{0, 0, 300, 181}, {0, 181, 300, 200}, tamScrollUp, tamScrollDown, 41, 19}},
        // Scrolled to the end: the content would end above the window's bottom, so the rows above
        // come down instead.
        {"collapse advanced at the end", advanced, false, 28, true, -460,
         {{0, 0, 300, 120}, {}, tamScrollDown, tamNoScroll, 60, 0}},
        {"collapse plain at the end", on, false, 28, true, -460,
         {{0, 120, 300, 200}, {}, tamScrollUp, tamNoScroll, 60, 0}},
        // Children above the row: the rows above it move (bottom -1: the row's top).
        {"expand children above", on, true, 5, false, 0, {{0, 0, 300, -1}, {}, tamScrollUp, tamNoScroll, 60, 0}},
        {"collapse children above", on, true, 5, true, 0, {{0, 0, 300, -1}, {}, tamScrollDown, tamNoScroll, 60, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree.Clear();
        tree.Plans.clear();
        tree.TreeOptions().SetAnimationOptions(0);
        TVTPaintOptions paint = tree.TreeOptions().PaintOptions() & ~toChildrenAbove;
        tree.TreeOptions().SetPaintOptions(TVTPaintOptions(c.childrenAbove ? paint | toChildrenAbove : paint));
        tree.SetRootNodeCount(30);
        PVirtualNode node = Node(c.node);
        for (int i = 0; i < 3; ++i)
            tree.AddChild(node);
        if (c.expandFirst)
            tree.ToggleNode(node);
        tree.SetOffsetY(c.offsetY);
        ASSERT_EQ(tree.OffsetY(), c.offsetY);
        tree.TreeOptions().SetAnimationOptions(c.animation);
        TToggleAnimationPlan expected = c.expected;
        if (expected.R1.Bottom < 0)
            expected.R1.Bottom = tree.GetDisplayRect(node, NoColumn, false).Top;
        bool wasExpanded = tree.Expanded(node);
        tree.ToggleNode(node);
        EXPECT_NE(tree.Expanded(node), wasExpanded);
        ASSERT_EQ(tree.Plans.size(), 1u);
        const TToggleAnimationPlan& plan = tree.Plans[0];
        EXPECT_EQ(plan.R1, expected.R1);
        EXPECT_EQ(plan.Mode1, expected.Mode1);
        EXPECT_EQ(plan.Amount1, expected.Amount1);
        EXPECT_EQ(plan.Mode2, expected.Mode2);
        if (expected.Mode2 != tamNoScroll) {
            EXPECT_EQ(plan.R2, expected.R2);
            EXPECT_EQ(plan.Amount2, expected.Amount2);
        }
    }
    tree.TreeOptions().SetPaintOptions(TVTPaintOptions(tree.TreeOptions().PaintOptions() & ~toChildrenAbove));
}

TEST_F(GeometryTest, NoToggleAnimationWithoutTheOptionInsideUpdatesOrOffScreen)
{
    PVirtualNode parent = Node(2);
    PVirtualNode child = tree.AddChild(parent);
    tree.AddChild(child);
    tree.ToggleNode(parent); // no option
    tree.ToggleNode(parent);
    tree.TreeOptions().SetAnimationOptions(toAnimatedToggle);
    tree.BeginUpdate();
    tree.ToggleNode(parent);
    tree.EndUpdate();
    tree.ToggleNode(parent);   // collapsed again, animated
    EXPECT_EQ(tree.Plans.size(), 1u);
    tree.ToggleNode(child);    // inside the collapsed parent: not on screen
    EXPECT_TRUE(tree.Expanded(child));
    tree.ToggleNode(Node(29)); // no children: nothing moves
    EXPECT_EQ(tree.Plans.size(), 1u);
    tree.TreeOptions().SetAnimationOptions(0);
}

TEST_F(GeometryTest, RefusedExpandChangesNothing)
{
    PVirtualNode parent = Node(2);
    tree.AddChild(parent);
    tree.OnExpanding = [](TBaseVirtualTree*, PVirtualNode, bool& allowed) { allowed = false; };
    int offset = tree.OffsetY();
    tree.ToggleNode(parent);
    EXPECT_FALSE(tree.Expanded(parent));
    EXPECT_EQ(tree.OffsetY(), offset);
    tree.OnExpanding = nullptr;
}

TEST_F(GeometryTest, ReinitAsksTheNodesAgain)
{
    int inits = 0;
    tree.OnInitNode = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TVirtualNodeInitStates&) { ++inits; };
    tree.ReinitNode(nullptr, false);
    EXPECT_EQ(inits, 0);
    tree.ReinitNode(nullptr, true);
    EXPECT_EQ(inits, 30);
    tree.ReinitNode(Node(3), false);
    EXPECT_EQ(inits, 31);
}

} // namespace
} // namespace treeview::test

namespace treeview::test {
namespace {

TEST_F(ViewTest, ScalingChangesTheDefaultHeightForNewNodesOnly)
{
    tree.SetRootNodeCount(2);
    tree.TreeOptions().SetAutoOptions(TVTAutoOptions(tree.TreeOptions().AutoOptions() | toAutoChangeScale));
    tree.ChangeScale(96, 96);
    EXPECT_EQ(tree.DefaultNodeHeight(), 20u);
    tree.ChangeScale(144, 96);
    EXPECT_EQ(tree.DefaultNodeHeight(), 30u);
    EXPECT_EQ(tree.NodeHeight(tree.GetFirst()), 20u) << "existing nodes keep their height";
    // While loading only a tree whose form assigned the default height scales.
    tree.SetLoading(true);
    tree.ChangeStates(0, tsNeedScale);
    tree.ChangeScale(2, 1);
    EXPECT_EQ(tree.DefaultNodeHeight(), 30u);
    tree.ChangeStates(tsNeedScale, 0);
    tree.ChangeScale(2, 1);
    EXPECT_EQ(tree.DefaultNodeHeight(), 60u);
    tree.SetLoading(false);
}

} // namespace
} // namespace treeview::test
