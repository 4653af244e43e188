// Columns and header: defaults, width limits, display positions, proportional resizing, fitting,
// sort and main column, height limits.
#include "viewport_fixture.h"

namespace treeview::test {
namespace {

using HeaderTest = ViewTest;

TEST_F(HeaderTest, NewColumnTakesDefaultsAndTheNextPosition)
{
    AddColumns({100, 100, 100});
    TVirtualTreeColumn& column = Columns().Add();
    EXPECT_EQ(column.Position(), 3u);
    EXPECT_EQ(column.Width(), 50);
    EXPECT_EQ(column.LastWidth(), 50);
    EXPECT_EQ(column.MinWidth(), 10);
    EXPECT_EQ(column.MaxWidth(), 10000);
    EXPECT_EQ(column.Margin(), 4);
    EXPECT_EQ(column.Spacing(), 4);
    EXPECT_EQ(column.ImageIndex(), -1);
    EXPECT_EQ(column.Options(), DefaultColumnOptions);
    EXPECT_EQ(column.Left(), 300);
    EXPECT_EQ(tree.Header().Height(), 17);
    EXPECT_EQ(tree.Header().Options(), DefaultHeaderOptions);
    EXPECT_EQ(tree.Header().MainColumn(), 0);
}

TEST_F(HeaderTest, WidthStaysWithinItsLimits)
{
    AddColumns({100, 100});
    std::vector<TColumnIndex> resized;
    tree.OnColumnResize = [&](TVTHeader*, TColumnIndex column) { resized.push_back(column); };
    struct Case {
        int requested, expected;
    } cases[] = {{5, 10}, {20000, 10000}, {150, 150}};
    for (const Case& c : cases) {
        Columns()[0].SetWidth(c.requested);
        EXPECT_EQ(Columns()[0].Width(), c.expected) << c.requested;
    }
    EXPECT_EQ(Columns()[1].Left(), 150);
    size_t events = resized.size();
    Columns()[0].SetWidth(150);
    EXPECT_EQ(resized.size(), events) << "an unchanged width raises no event";
    Columns()[0].SetMinWidth(200);
    EXPECT_EQ(Columns()[0].Width(), 200);
    Columns()[0].SetMaxWidth(120); // raised to the minimum
    EXPECT_EQ(Columns()[0].MaxWidth(), 200);
}

TEST_F(HeaderTest, AutoSizeColumnTakesTheRemainingWidthOnly)
{
    AddColumns({100, 60});
    tree.Header().SetAutoSizeIndex(0);
    tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoAutoResize));
    EXPECT_EQ(Columns()[0].Width(), 300 - 60);
    Columns()[0].SetWidth(50);
    EXPECT_EQ(Columns()[0].Width(), 240);
    Columns()[1].SetWidth(100);
    EXPECT_EQ(Columns()[0].Width(), 200);
}

TEST_F(HeaderTest, PositionsMoveWhileIndexesStay)
{
    AddColumns({10, 20, 30});
    Columns()[0].SetPosition(2);
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{1, 2, 0}));
    EXPECT_EQ(Columns()[0].Index(), 0);
    EXPECT_EQ(Columns()[0].Left(), 50);
    EXPECT_EQ(Columns()[1].Left(), 0);
    EXPECT_EQ(Columns().TotalWidth(), 60);
    // Past the end the position is clipped to the last.
    Columns()[1].SetPosition(9);
    EXPECT_EQ(Columns()[1].Position(), 2u);
}

TEST_F(HeaderTest, DeletingAColumnRenumbersThePositionsAndIndexes)
{
    AddColumns({10, 20, 30, 40});
    Columns()[3].SetPosition(0); // [3, 0, 1, 2]
    Columns()[1].SetPosition(1); // [3, 1, 0, 2]
    ASSERT_EQ(Columns().PositionToIndex(), (TIndexArray{3, 1, 0, 2}));
    tree.Header().SetSortColumn(3);
    tree.Header().SetMainColumn(1);
    Columns().Delete(1);
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{2, 0, 1}));
    EXPECT_EQ(tree.Header().SortColumn(), 2);
    EXPECT_EQ(tree.Header().MainColumn(), 0) << "a deleted main column gives way to the first";
}

TEST_F(HeaderTest, LookupsAnswerMinusOneOrMinusTwo)
{
    AddColumns({100, 50});
    EXPECT_EQ(Columns().ColumnFromPosition(TPoint{120, 5}), 1);
    EXPECT_EQ(Columns().ColumnFromPosition(TPoint{160, 5}), InvalidColumn);
    EXPECT_EQ(Columns().ColumnFromPosition(TPoint{-1, 5}), InvalidColumn);
    EXPECT_EQ(Columns().ColumnFromPosition(TColumnPosition(2)), NoColumn);
    EXPECT_EQ(Columns().GetNextColumn(1), InvalidColumn);
    EXPECT_EQ(Columns().GetPreviousColumn(-1), InvalidColumn);
    // An invisible column at the last position adds nothing to the total width.
    Columns().Add().SetWidth(70);
    Columns()[2].SetOptions(TVTColumnOptions(Columns()[2].Options() & ~coVisible));
    EXPECT_EQ(Columns().TotalWidth(), 150);
    EXPECT_EQ(Columns().GetLastVisibleColumn(), 1);
    EXPECT_EQ(Columns().GetNextVisibleColumn(1), InvalidColumn);
    EXPECT_EQ(Columns().GetScrollWidth(), 75);
}

TEST_F(HeaderTest, SortAndMainColumnAreClamped)
{
    AddColumns({10, 10, 10, 10});
    struct Case {
        TColumnIndex requested, expected;
    } cases[] = {{7, 3}, {-5, -1}, {1, 1}};
    for (const Case& c : cases) {
        tree.Header().SetSortColumn(c.requested);
        EXPECT_EQ(tree.Header().SortColumn(), c.expected);
        EXPECT_EQ(tree.SortColumn(), c.expected) << "the tree sorts by the header's column";
    }
    tree.Header().SetMainColumn(9);
    EXPECT_EQ(tree.Header().MainColumn(), 3);
    Columns().Clear();
    EXPECT_EQ(tree.Header().MainColumn(), NoColumn);
}

TEST_F(HeaderTest, SortDirectionWithoutAutoSortOnlyRepaintsTheHeader)
{
    AddColumns({10, 10});
    tree.SetRootNodeCount(3);
    int compares = 0;
    tree.OnCompareNodes = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex, int& result) {
        ++compares;
        result = 0;
    };
    tree.Header().SetSortColumn(1);
    tree.Header().SetSortDirection(sdDescending);
    EXPECT_EQ(compares, 0);
    tree.TreeOptions().SetAutoOptions(TVTAutoOptions(tree.TreeOptions().AutoOptions() | toAutoSort));
    tree.Header().SetSortDirection(sdAscending);
    EXPECT_GT(compares, 0);
}

TEST_F(HeaderTest, HeightKeepsItsLimitsAndPercentages)
{
    port.SetClientSize(TSize{300, 378});
    tree.Header().SetHeight(22);
    tree.Header().FixedAreaConstraints().SetMaxHeightPercent(5);
    struct Case {
        int requested, expected;
    } cases[] = {{30, 20}, {5, 10}, {15, 15}};
    for (const Case& c : cases) {
        port.SetClientSize(TSize{300, 400 - tree.Header().Height()});
        tree.Header().SetHeight(c.requested);
        EXPECT_EQ(tree.Header().Height(), c.expected) << c.requested;
    }
    // Without a window the height is stored and applied later.
    port.SetHandleAllocated(false);
    tree.Header().SetHeight(300);
    EXPECT_EQ(tree.Header().Height(), 300);
    EXPECT_TRUE(tree.Header().States() & hsNeedScaling);
    port.SetHandleAllocated(true);
}

TEST_F(HeaderTest, ResizeColumnsSpreadsThePixelsAndRotatesTheRemainder)
{
    AddColumns({50, 50, 50});
    EXPECT_EQ(tree.Header().ResizeColumns(7, 0, 2, coVisible), 7);
    std::vector<int> first = Widths();
    EXPECT_EQ(first[0] + first[1] + first[2], 157);
    for (int w : first)
        EXPECT_TRUE(w == 52 || w == 53);
    EXPECT_EQ(tree.Header().ResizeColumns(7, 0, 2, coVisible), 7);
    std::vector<int> second = Widths();
    int extraFirst = int(std::max_element(first.begin(), first.end()) - first.begin());
    std::vector<int> gained{second[0] - first[0], second[1] - first[1], second[2] - first[2]};
    EXPECT_EQ(gained[size_t(extraFirst)], 2) << "the extra pixel goes to another column the second time";
    // No eligible column: nothing changes.
    EXPECT_EQ(tree.Header().ResizeColumns(5, 0, 2, coFixed), 0);
    EXPECT_EQ(Widths(), second);
    // Shrinking stops at the minimum widths.
    EXPECT_EQ(tree.Header().ResizeColumns(-1000, 0, 2, coVisible), 30 - 157 - 7);
    EXPECT_EQ(Widths(), (std::vector<int>{10, 10, 10}));
}

TEST_F(HeaderTest, AutoFitColumnsFitsContentUnlessRefused)
{
    AddColumns({100, 100, 100});
    tree.SetRootNodeCount(5); // widest text of column 0: 40 + 4
    tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoDisableAnimatedResize));
    int before = 0, after = 0;
    tree.OnBeforeAutoFitColumns = [&](TVTHeader*, TSmartAutoFitType&) { ++before; };
    tree.OnAfterAutoFitColumns = [&](TVTHeader*) { ++after; };
    tree.OnBeforeAutoFitColumn = [](TVTHeader*, TColumnIndex column, TSmartAutoFitType&, bool& allowed) {
        allowed = column != 2;
    };
    tree.Header().AutoFitColumns(true);
    // Main column: root indentation 18, margin 4, text 44. Others: margin 4 and 30.
    EXPECT_EQ(Widths(), (std::vector<int>{18 + 4 + 44, 34, 100}));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(tree.OperationCanceled());
    tree.OnBeforeAutoFitColumns = nullptr;
    tree.OnAfterAutoFitColumns = nullptr;
    tree.OnBeforeAutoFitColumn = nullptr;
}

TEST_F(HeaderTest, RestoreColumnsBringsBackTheLastWidthAfterReordering)
{
    for (int width : {100, 80, 60}) {
        Columns().SetDefaultWidth(width);
        Columns().Add();
    }
    tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoDisableAnimatedResize));
    Columns()[1].SetWidth(120);
    Columns()[1].SetPosition(0);
    tree.Header().RestoreColumns();
    EXPECT_EQ(Widths(), (std::vector<int>{100, 80, 60}));
}

TEST_F(HeaderTest, SpringColumnsCarryFractionsOfAWidening)
{
    AddColumns({50, 50, 50});
    tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoAutoSpring));
    for (int i = 0; i < 3; ++i)
        Columns()[i].SetOptions(TVTColumnOptions(Columns()[i].Options() | coAutoSpring));
    Columns().DistributeSpringWidth(); // first run: remembers the width
    port.SetClientSize(TSize{301, 200});
    Columns().DistributeSpringWidth();
    EXPECT_EQ(Widths(), (std::vector<int>{50, 50, 50}));
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(Columns()[i].SpringRest(), 1.0f / 3, 1e-6);
    port.SetClientSize(TSize{306, 200});
    Columns().DistributeSpringWidth(); // 5 more: 1/3 + 5/3 = 2 each
    EXPECT_EQ(Widths(), (std::vector<int>{52, 52, 52}));
}

TEST_F(HeaderTest, SplitterOfAColumnBorderIsFoundNearTheBorder)
{
    AddColumns({100, 50});
    tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoVisible));
    tree.SetHeaderRect(TRect{0, 0, 300, 17});
    tree.UpdateScrollBars(false);
    struct Case {
        int x;
        TColumnIndex track;
    } cases[] = {{98, 0}, {104, 0}, {96, NoColumn}, {149, 1}, {60, NoColumn}};
    for (const Case& c : cases) {
        tree.Header().IsColumnSplitterHit(TPoint{c.x, -5});
        EXPECT_EQ(Columns().TrackIndex(), c.track) << c.x;
    }
    Columns()[0].SetOptions(TVTColumnOptions(Columns()[0].Options() & ~coResizable));
    EXPECT_FALSE(tree.Header().IsColumnSplitterHit(TPoint{100, -5}));
}

} // namespace
} // namespace treeview::test
