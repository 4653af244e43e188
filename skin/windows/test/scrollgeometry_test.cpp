#include "skin/windows/scrollgeometry.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(ScrollGeometry, MulDivRoundsHalfAwayFromZeroAndAnswersMinusOneForZeroDivisor)
{
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {7, 10, 4, 18}, {-7, 10, 4, -18}, {5, 1, 2, 3}, {1, 1, 3, 0}, {3, 4, 0, -1}, {0x40000000, 8, 1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(ScrollGeometry, ThumbLengthAndPosition)
{
    // A 100-pixel bar from 20 with 10-pixel arrows: the track is 80 long and starts at 30.
    struct Case {
        const char* what;
        ScrollRange si;
        int length, pos;
    } cases[] = {
        {"page of a quarter at the start", {0, 99, 25, 0}, 20, 30},
        {"page of a quarter at the end", {0, 99, 25, 75}, 20, 90},
        {"range from a non-zero minimum", {50, 149, 25, 50 + 75}, 20, 90},
        {"no page: one arrow long", {0, 99, 0, 0}, 10, 30},
        {"short thumb raised to the minimum", {0, 999, 1, 0}, 10, 30},
        {"empty range with a page: zero length after the first arrow", {5, 4, 3, 9}, 0, 30},
        {"negative range", {10, 0, 3, 5}, 0, 30},
        {"range equal to the page: MulDiv's -1 clamps to the start", {0, 24, 25, 10}, 80, 30},
        {"position past the end clamps to the last place", {0, 99, 25, 500}, 20, 90},
    };
    for (const Case& c : cases) {
        ThumbGeometry g = ThumbOf(c.si, 20, 100, 10, 10);
        EXPECT_EQ(g.length, c.length) << c.what;
        EXPECT_EQ(g.pos, c.pos) << c.what;
    }
}

TEST(ScrollGeometry, HitTestOfABarWithTrackAndThumb)
{
    // Bar from 0 to 100 along, 0 to 16 across; thumb 20 long at 30.
    const ScrollRange si{0, 99, 25, 25};
    struct Case {
        int along, across, part;
    } cases[] = {
        {0, 5, spFirstArrow}, {9, 5, spFirstArrow}, {10, 5, spTrackBefore}, {29, 5, spTrackBefore},
        {30, 5, spThumb},     {49, 5, spThumb},     {50, 5, spTrackAfter},  {89, 5, spTrackAfter},
        {90, 5, spSecondArrow}, {99, 5, spSecondArrow}, {100, 5, spNone},   {-1, 5, spNone},
        {30, 16, spNone},     {30, -1, spNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitTestBarPart(si, c.along, c.across, 0, 100, 0, 16, 10, 10), c.part) << c.along << "," << c.across;
}

TEST(ScrollGeometry, BarOfTwoArrowsOnlyIsSplitInHalvesWithoutThumb)
{
    const ScrollRange si{0, 99, 25, 50};
    struct Case {
        int along, part;
    } cases[] = {{0, spFirstArrow}, {8, spFirstArrow}, {9, spSecondArrow}, {17, spSecondArrow}, {18, spNone}};
    for (const Case& c : cases)
        EXPECT_EQ(HitTestBarPart(si, c.along, 0, 0, 18, 0, 16, 16, 10), c.part) << c.along;
}

TEST(ScrollGeometry, ThumbFillingTheTrackLeavesNothingButArrows)
{
    const ScrollRange si{0, 9, 10, 0};
    EXPECT_EQ(HitTestBarPart(si, 50, 0, 0, 100, 0, 16, 10, 10), spNone);
    EXPECT_EQ(HitTestBarPart(si, 5, 0, 0, 100, 0, 16, 10, 10), spFirstArrow);
}

TEST(ScrollGeometry, ThumbFitsOnlyWhenItsFitLengthIsWithinTheTrack)
{
    EXPECT_TRUE(ThumbFits({0, 99, 25, 0}, 80, 10, false, 20));
    EXPECT_FALSE(ThumbFits({0, 99, 25, 0}, 8, 10, false, 10));   // minimum longer than the track
    EXPECT_FALSE(ThumbFits({0, 99, 200, 0}, 80, 10, false, 80)); // page larger than the range
    EXPECT_FALSE(ThumbFits({0, 99, 25, 0}, 80, 10, true, 0));    // vertical: no thumb length
}

TEST(ScrollGeometry, DragPositionsAtBothEndsCountFromMinimum)
{
    // Track from 10, 80 long, thumb 20: the thumb moves over 60 pixels.
    struct Case {
        const char* what;
        ScrollRange si;
        bool vertical;
        int start, pos;
    } cases[] = {
        {"horizontal at the start", {0, 99, 25, 0}, false, 10, 0},
        {"horizontal at the end: nMax - nMin - nPage + 1", {0, 99, 25, 0}, false, 70, 75},
        {"horizontal halfway", {0, 99, 25, 0}, false, 40, 38},
        {"vertical at the end: nMax - nMin - nPage + 2", {0, 99, 25, 0}, true, 70, 76},
        {"horizontal from a minimum of 50, start", {50, 149, 25, 0}, false, 10, 50},
        {"horizontal from a minimum of 50, end", {50, 149, 25, 0}, false, 70, 125},
        {"vertical from a minimum of 50, end", {50, 149, 25, 0}, true, 70, 126},
        {"empty range: pixels from the track start", {3, 3, 0, 0}, false, 15, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragPosition(c.si, c.vertical, c.start, 10, 80, 20), c.pos) << c.what;
    // A thumb that fills its track stays at the minimum.
    EXPECT_EQ(DragPosition({7, 99, 25, 0}, false, 10, 10, 20, 20), 7);
}

TEST(ScrollGeometry, DraggedThumbStaysWithinTheTrack)
{
    EXPECT_EQ(DragThumbStart(5, 3, 10, 80, 20), 10);
    EXPECT_EQ(DragThumbStart(50, 3, 10, 80, 20), 47);
    EXPECT_EQ(DragThumbStart(500, 3, 10, 80, 20), 70);
}

TEST(ScrollGeometry, BarRectanglesAndClientSplit)
{
    const BarBox window{100, 100, 300, 250};
    const ScrollEdges edges{2, 2, 2, 2};
    BarBox h = HorzBarBox(window, edges, 16, 17, false);
    EXPECT_EQ(h.left, 102);
    EXPECT_EQ(h.right, 281);
    EXPECT_EQ(h.top, 232);
    EXPECT_EQ(h.bottom, 248);
    BarBox v = VertBarBox(window, edges, 16, 17, true);
    EXPECT_EQ(v.left, 102);
    EXPECT_EQ(v.right, 119);
    EXPECT_EQ(v.bottom, 232);
    EXPECT_EQ(HorzBarBox(window, edges, 16, 17, true).left, 119);

    struct Case {
        const char* what;
        BarBox client;
        bool left;
        BarBox expected;
        bool horz, vert;
    } cases[] = {
        {"both bars", {0, 0, 100, 100}, false, {0, 0, 83, 84}, true, true},
        {"left bar", {0, 0, 100, 100}, true, {17, 0, 100, 84}, true, true},
        {"too small for either", {0, 0, 10, 10}, false, {0, 0, 10, 10}, false, false},
        {"room for the vertical only", {0, 0, 100, 10}, false, {0, 0, 83, 10}, false, true},
    };
    for (const Case& c : cases) {
        ClientSplit s = SplitClientForBars(c.client, true, true, 16, 17, c.left);
        EXPECT_EQ(s.horzVisible, c.horz) << c.what;
        EXPECT_EQ(s.vertVisible, c.vert) << c.what;
        EXPECT_EQ(s.client.left, c.expected.left) << c.what;
        EXPECT_EQ(s.client.right, c.expected.right) << c.what;
        EXPECT_EQ(s.client.bottom, c.expected.bottom) << c.what;
    }
    EXPECT_FALSE(SplitClientForBars({0, 0, 100, 100}, false, false, 16, 17, false).horzVisible);
}

} // namespace
} // namespace skin
