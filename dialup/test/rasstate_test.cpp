// State texts and the state ring.
#include "dialup/rasstate.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace dialup {
namespace {

TEST(StateText, KnownAndUnknownStates)
{
    EXPECT_EQ(StateTableText(0), u"Opening Serial Port");
    EXPECT_EQ(StateTableText(8192), u"Connected/Online");
    EXPECT_EQ(StateTableText(8193), u"Disconnected/Offline");
    EXPECT_EQ(StateTableText(4100), u"Paused for Authentication");
    EXPECT_TRUE(StateTableText(7).empty());
    EXPECT_TRUE(StateTableText(9).empty());
    EXPECT_EQ(UnknownStateText(7), u"Unknown State (7)");
    EXPECT_EQ(UnknownStateText(601), u"Unknown State (601)");
}

TEST(StateRing, WrapsAfterSixteenAndRejectsBadSlots)
{
    StateRing ring;
    for (int i = 0; i < 17; ++i) {
        TRasStateRec rec;
        rec.ConnectState = i;
        EXPECT_EQ(ring.Push(rec), i % 16 + 1);
    }
    EXPECT_EQ(ring.Get(1)->ConnectState, 16);  // rewritten by the 17th record
    EXPECT_EQ(ring.Get(16)->ConnectState, 15);
    EXPECT_FALSE(ring.Get(0));
    EXPECT_FALSE(ring.Get(17));
    EXPECT_EQ(ring.NextSlot(), 2);
}

TEST(StateRing, WritersAndReadersOnManyThreads)
{
    StateRing ring;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&ring, t] {
            for (int i = 0; i < 500; ++i) {
                TRasStateRec rec;
                rec.ConnectState = t;
                rec.StatusStr = u"state text long enough to allocate";
                const int slot = ring.Push(rec);
                EXPECT_TRUE(ring.Get(slot).has_value());
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(ring.NextSlot(), (4 * 500) % 16 + 1);
}

} // namespace
} // namespace dialup
