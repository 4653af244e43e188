// Tick counts: wrap-safe differences, agreement of the two counters, sleeping, and the clocks.
#include "core/tick.h"

#include <gtest/gtest.h>

using namespace core;

TEST(TickDiff, IsTheModularDistanceFromStartToEnd)
{
    struct Case {
        uint32_t start, end, expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {100, 250, 150},
        {0xFFFFFFF0u, 0x10u, 0x20u},  // across the wrap
        {0xFFFFFFFFu, 0, 1},
        {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu},  // end one tick before start: almost a whole lap
    };
    for (const Case& c : cases)
        EXPECT_EQ(TickDiff(c.start, c.end), c.expected) << c.start << " -> " << c.end;
    static_assert(TickDiff(0xFFFFFFF0u, 0x10u) == 0x20u);
}

TEST(TickCount, ThirtyTwoBitCountIsTheLowHalfOfTheSixtyFourBitOne)
{
    const uint64_t before = GetTickCount64();
    const uint32_t ticks = GetTickCount();
    const uint64_t after = GetTickCount64();
    ASSERT_LE(before, after);
    EXPECT_LE(TickDiff(uint32_t(before), ticks), after - before);
}

TEST(TickCount, SleepLetsTimePass)
{
    const uint64_t start = GetTickCount64();
    Sleep(40);
    // The counter may run in steps of one system timer period (about 16 ms on Windows).
    EXPECT_GE(GetTickCount64() - start, 20u);
    Sleep(0);  // only yields
}

TEST(Clock, ManualClockMovesOnlyWhenToldAndWraps)
{
    ManualClock manual(0xFFFFFFF0u);
    Clock& clock = manual;
    EXPECT_EQ(clock.Ticks(), 0xFFFFFFF0u);
    manual.Advance(0x20);
    EXPECT_EQ(clock.Ticks(), 0x10u);
    EXPECT_EQ(TickDiff(0xFFFFFFF0u, clock.Ticks()), 0x20u);
    manual.SetTicks(5);
    EXPECT_EQ(clock.Ticks(), 5u);
}

TEST(Clock, SystemClockReadsTheTickCount)
{
    const uint32_t before = GetTickCount();
    const uint32_t ticks = SystemClock::Instance().Ticks();
    const uint32_t after = GetTickCount();
    EXPECT_LE(TickDiff(before, ticks), TickDiff(before, after));
    EXPECT_EQ(&SystemClock::Instance(), &SystemClock::Instance());
}
