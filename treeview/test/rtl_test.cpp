// Right-to-left layout of the view: the reading order reaching the columns and their order, the
// columns ending at the right edge, hit tests in mirrored cells, column splitters, and scrolling
// measured from the right end.
#include "viewport_fixture.h"

namespace treeview::test {
namespace {

class RightToLeftTest : public ViewTest {
protected:
    // Three columns (100, 60, 40) in a window whose header is 317 pixels wide: a client area of 300
    // and, with 30 rows of 20 pixels, a vertical scroll bar of 17.
    void SetUp() override
    {
        ViewTest::SetUp();
        tree.SetRootNodeCount(30);
        AddColumns({100, 60, 40});
        tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoVisible));
        tree.SetHeaderRect(TRect{2, 2, 319, 19});
        tree.TreeOptions().SetAutoOptions(TVTAutoOptions(tree.TreeOptions().AutoOptions() | toAutoBidiColumnOrdering));
        tree.SetBiDiMode(bdRightToLeft);
        tree.UpdateScrollBars(false);
    }
};

TEST_F(RightToLeftTest, ReadingOrderReachesTheColumnsAndReversesTheirOrder)
{
    EXPECT_TRUE(tree.UseRightToLeftAlignment());
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{2, 1, 0}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Columns()[i].BiDiMode(), bdRightToLeft) << i;
    // A column given its own mode stops following the tree.
    Columns()[1].SetBiDiMode(bdLeftToRight);
    EXPECT_FALSE(Columns()[1].Options() & coParentBidiMode);
    tree.SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{0, 1, 2}));
    EXPECT_EQ(Columns()[0].BiDiMode(), bdLeftToRight);
    // Reading only: the columns read right to left, the layout stays.
    Columns()[1].SetBiDiMode(bdRightToLeft);
    tree.SetBiDiMode(bdRightToLeftReadingOnly);
    EXPECT_TRUE(tree.UseRightToLeftReading());
    EXPECT_FALSE(tree.UseRightToLeftAlignment());
    EXPECT_FALSE(tree.UseRightToLeftScrollBar());
    EXPECT_EQ(Columns()[0].BiDiMode(), bdRightToLeftReadingOnly);
    EXPECT_EQ(Columns()[1].BiDiMode(), bdRightToLeft);
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{0, 1, 2}));
    // Without the auto option the order stays as it is.
    tree.TreeOptions().SetAutoOptions(TVTAutoOptions(tree.TreeOptions().AutoOptions() & ~toAutoBidiColumnOrdering));
    tree.SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{0, 1, 2}));
}

TEST_F(RightToLeftTest, NarrowColumnsEndAtTheRightEdge)
{
    struct Case {
        uint32_t rows;
        int firstWidth;
        int withBar, withoutBar;
    } cases[] = {
        {30, 100, 117, 100}, // bar shown: the client area starts 17 pixels into the header
        {5, 100, 117, 117},  // no bar
        {30, 300, 17, 0},    // columns wider than the header: only the bar
    };
    for (const Case& c : cases) {
        tree.SetRootNodeCount(c.rows);
        Columns()[0].SetWidth(c.firstWidth);
        tree.UpdateScrollBars(false);
        EXPECT_EQ(tree.RightToLeftOffset(false), c.withBar) << c.rows << "/" << c.firstWidth;
        EXPECT_EQ(tree.RightToLeftOffset(true), c.withoutBar) << c.rows << "/" << c.firstWidth;
    }
    tree.SetRootNodeCount(30);
    Columns()[0].SetWidth(100);
    tree.UpdateScrollBars(false);
    // Column 0 holds the right end of the client area, column 2 starts 100 pixels in.
    struct Bounds {
        TColumnIndex column;
        int left, right;
    } bounds[] = {{0, 200, 300}, {1, 140, 200}, {2, 100, 140}};
    for (const Bounds& b : bounds) {
        int left = 0, right = 0;
        Columns().GetColumnBounds(b.column, left, right);
        EXPECT_EQ(left, b.left) << b.column;
        EXPECT_EQ(right, b.right) << b.column;
        EXPECT_EQ(Columns().ColumnFromPosition(TPoint{b.left + 1, 5}), b.column);
    }
    EXPECT_EQ(Columns().ColumnFromPosition(TPoint{50, 5}), InvalidColumn) << "left of the columns";
    TRect r = tree.GetDisplayRect(Node(0), 0, false);
    EXPECT_EQ(r.Left, 200);
    EXPECT_EQ(r.Right, 299);
}

TEST_F(RightToLeftTest, HitTestsInMirroredCells)
{
    tree.SetHasChildren(Node(0), true);
    tree.TreeOptions().SetMiscOptions(TVTMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport));
    tree.CheckWidth = 13;
    tree.SetCheckType(Node(1), ctCheckBox);
    // Main column 0 at 200..300: one level of indentation (18) at its right end, the margin (4)
    // left of it, the text (40 pixels for row 0) right-aligned against the margin.
    struct Case {
        int x, y;
        THitPositions positions;
        TColumnIndex column;
    } cases[] = {
        {295, 5, hiOnItem | hiOnItemButton, 0},
        {285, 5, hiOnItem | hiOnItemButton | hiOnItemButtonExact, 0},
        {295, 25, hiOnItem | hiOnItemIndent, 0},
        {270, 25, hiOnItem | hiOnItemCheckbox, 0},
        {250, 5, hiOnItem | hiOnItemLabel, 0},
        {210, 5, hiOnItem | hiOnItemLeft, 0},
        {180, 5, hiOnItem | hiOnItemLabel, 1},
        {150, 5, hiOnItem | hiOnItemLeft, 1},
        {120, 5, hiOnItem | hiOnItemLabel, 2},
        {50, 5, hiNowhere, InvalidColumn},
    };
    for (const Case& c : cases) {
        THitInfo info;
        tree.GetHitTestInfoAt(c.x, c.y, true, info);
        EXPECT_EQ(info.HitPositions, c.positions) << c.x << "," << c.y;
        EXPECT_EQ(info.HitColumn, c.column) << c.x << "," << c.y;
    }
    // The text rectangle of a cell lies at its right end as well.
    TRect text = tree.GetDisplayRect(Node(0), 0, true);
    EXPECT_EQ(text.Right, 300 - 1 - 18 - 4);
    EXPECT_EQ(text.Left, text.Right - 40);
}

TEST_F(RightToLeftTest, ColumnSplittersAreTheLeftEdges)
{
    tree.Header().SetOptions(TVTHeaderOptions(tree.Header().Options() | hoColumnResize));
    struct Case {
        int x;
        TColumnIndex track;
        int trackX;
    } cases[] = {{98, 2, 140}, {102, 2, 140}, {95, NoColumn, 0}, {141, 1, 200}, {199, 0, 300}, {250, NoColumn, 0}};
    for (const Case& c : cases) {
        tree.Header().IsColumnSplitterHit(TPoint{c.x, -5});
        EXPECT_EQ(Columns().TrackIndex(), c.track) << c.x;
        if (c.track != NoColumn) {
            EXPECT_EQ(tree.Header().TrackPoint().X, c.trackX) << c.x;
        }
    }
}

TEST_F(RightToLeftTest, ScrollingIsMeasuredFromTheRightEnd)
{
    // Wider columns (600 in a client of 300): the view starts at the content's right end.
    Columns()[0].SetWidth(500);
    tree.UpdateScrollBars(false);
    EXPECT_EQ(tree.OffsetX(), 0);
    EXPECT_EQ(tree.EffectiveOffsetX(), 300);
    EXPECT_EQ(port.LastScrollInfo(TScrollBarKind::Horizontal).Pos, 300);
    int left = 0, right = 0;
    Columns().GetColumnBounds(0, left, right);
    EXPECT_EQ(right, 300);
    // Requests of the (unmirrored) bar: its left end shows the content's left end.
    struct Case {
        TScrollCode code;
        int track;
        int offsetX, effective;
    } cases[] = {
        {scLineUp, 0, -20, 280}, // line left: towards the content's left end
        {scLineDown, 0, 0, 300},
        {scTop, 0, -300, 0},
        {scBottom, 0, 0, 300},
        {scThumbTrack, 100, -200, 100},
    };
    for (const Case& c : cases) {
        tree.HandleScrollRequest(TScrollBarKind::Horizontal, c.code, c.track);
        EXPECT_EQ(tree.OffsetX(), c.offsetX) << c.code;
        EXPECT_EQ(tree.EffectiveOffsetX(), c.effective) << c.code;
    }
    tree.HandleScrollRequest(TScrollBarKind::Horizontal, scEndScroll, 0);
    // A wheel turn sideways moves the other way than in a left-to-right tree.
    tree.SetOffsetX(-150);
    tree.HandleWheel(-120, true, false, 1);
    EXPECT_GT(tree.OffsetX(), -150);
    // Content that fits keeps both offsets at 0.
    Columns()[0].SetWidth(100);
    tree.UpdateScrollBars(false);
    EXPECT_EQ(tree.OffsetX(), 0);
    EXPECT_EQ(tree.EffectiveOffsetX(), 0);
    tree.HandleWheel(-120, true, false, 1);
    EXPECT_EQ(tree.OffsetX(), 0);
    EXPECT_EQ(tree.EffectiveOffsetX(), 0);
}

} // namespace
} // namespace treeview::test
