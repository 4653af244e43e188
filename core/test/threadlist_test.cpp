// The locked pointer list: concurrent adds and removes keep it whole, duplicates are refused, and a
// locked walk keeps other threads out until it ends.
#include "core/threadlist.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(ThreadList, ConcurrentAddsAndRemovesKeepEveryItemOnce)
{
    core::TThreadList<int> list;
    std::vector<int> items(400);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = t * 100; i < (t + 1) * 100; ++i) {
                list.Add(&items[size_t(i)]);
                list.Add(&items[size_t(i)]);  // refused
                if (i % 2)
                    list.Remove(&items[size_t(i)]);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(list.Count(), 200);
    EXPECT_TRUE(list.Contains(&items[0]));
    EXPECT_FALSE(list.Contains(&items[1]));
}

TEST(ThreadList, LockedWalkKeepsOtherThreadsOut)
{
    core::TThreadList<int> list;
    int a = 0, b = 0;
    list.Add(&a);
    std::atomic<bool> added{false};
    std::thread other;
    {
        auto locked = list.LockList();
        other = std::thread([&] {
            list.Add(&b);
            added = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(added.load());
        EXPECT_EQ(locked->size(), 1u);
    }
    other.join();
    EXPECT_TRUE(added.load());
    EXPECT_EQ(list.Count(), 2);
}

} // namespace
