// Synchronisation objects: recursion and try-enter of the critical section, event reset modes and
// time-outs, semaphore counts and over-release, the recursive timed mutex with abandonment, and
// waiting for the first of several objects. Other threads are std::threads joined by each test;
// every wait that should succeed has a generous limit, so a fault fails instead of hanging.
#include "core/sync.h"

#include "core/exception.h"
#include "core/tick.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace core;

namespace {

constexpr uint32_t kLong = 10000;  // ms: "surely" for waits that must succeed

// Runs fn on another thread and returns its result.
template <class Fn>
auto OnOtherThread(Fn fn)
{
    decltype(fn()) result{};
    std::thread([&] { result = fn(); }).join();
    return result;
}

} // namespace

// --- CriticalSection ---

TEST(CriticalSection, IsRecursiveForItsOwnerAndClosedToOthers)
{
    CriticalSection section;
    section.Enter();
    EXPECT_TRUE(section.TryEnter());  // recursion
    EXPECT_FALSE(OnOtherThread([&] { return section.TryEnter(); }));
    section.Leave();
    EXPECT_FALSE(OnOtherThread([&] { return section.TryEnter(); }));  // still entered once
    section.Leave();
    EXPECT_TRUE(OnOtherThread([&] {
        const bool entered = section.TryEnter();
        if (entered)
            section.Leave();
        return entered;
    }));
}

TEST(CriticalSection, LockHoldsTheSectionForItsScope)
{
    CriticalSection section;
    {
        CriticalSection::Lock lock(section);
        EXPECT_FALSE(OnOtherThread([&] { return section.TryEnter(); }));
    }
    EXPECT_TRUE(OnOtherThread([&] {
        std::unique_lock guard(section, std::try_to_lock);
        return guard.owns_lock();
    }));
}

TEST(CriticalSection, SerialisesIncrementsFromManyThreads)
{
    CriticalSection section;
    long counter = 0;  // deliberately not atomic: the section is what protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                CriticalSection::Lock lock(section);
                ++counter;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 8000);
}

// --- Event ---

TEST(Event, ResetModesAndInitialStates)
{
    struct Case {
        bool manual, initial;
        WaitResult first, second;
    };
    const Case cases[] = {
        {false, false, WaitResult::Timeout, WaitResult::Timeout},
        {false, true, WaitResult::Signaled, WaitResult::Timeout},  // auto reset: one wait takes it
        {true, false, WaitResult::Timeout, WaitResult::Timeout},
        {true, true, WaitResult::Signaled, WaitResult::Signaled},  // manual reset: stays set
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual=" << c.manual << " initial=" << c.initial);
        Event event(c.manual, c.initial);
        EXPECT_EQ(event.IsSet(), c.initial);
        EXPECT_EQ(event.WaitFor(0), c.first);
        EXPECT_EQ(event.WaitFor(0), c.second);
        event.SetEvent();
        EXPECT_EQ(event.WaitFor(0), WaitResult::Signaled);
        EXPECT_EQ(event.IsSet(), c.manual);
        event.SetEvent();
        event.ResetEvent();
        EXPECT_EQ(event.WaitFor(0), WaitResult::Timeout);
    }
}

TEST(Event, TimedWaitTimesOutAfterTheTimeout)
{
    Event event(true, false);
    const uint64_t start = GetTickCount64();
    EXPECT_EQ(event.WaitFor(50), WaitResult::Timeout);
    EXPECT_GE(GetTickCount64() - start, 30u);  // allows for a coarse tick counter
}

TEST(Event, SetFromAnotherThreadEndsAWait)
{
    Event event(false, false);
    std::thread setter([&] { event.SetEvent(); });
    EXPECT_EQ(event.WaitFor(kLong), WaitResult::Signaled);
    setter.join();
    EXPECT_FALSE(event.IsSet());
}

TEST(Event, AutoResetReleasesOneWaiterPerSet)
{
    Event event(false, false);
    std::atomic<int> woken = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (event.WaitFor(kLong) == WaitResult::Signaled)
                ++woken;
        });
    event.SetEvent();
    const uint64_t start = GetTickCount64();
    while (woken.load() == 0 && GetTickCount64() - start < kLong)
        std::this_thread::yield();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_FALSE(event.IsSet());  // the one set was consumed, so the other waiter cannot wake
    event.SetEvent();
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(woken.load(), 2);
}

TEST(Event, ManualResetReleasesEveryWaiter)
{
    Event event(true, false);
    std::atomic<int> woken = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (event.WaitFor(kLong) == WaitResult::Signaled)
                ++woken;
        });
    event.SetEvent();
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(woken.load(), 3);
    EXPECT_TRUE(event.IsSet());
}

// --- Semaphore ---

TEST(Semaphore, InvalidCountsAreRefused)
{
    struct Case {
        int32_t initial, maximum;
    };
    for (const Case& c : {Case{-1, 5}, Case{6, 5}, Case{0, 0}, Case{0, -3}}) {
        try {
            Semaphore semaphore(c.initial, c.maximum);
            ADD_FAILURE() << c.initial << "/" << c.maximum << " was accepted";
        } catch (const EOSError& error) {
            EXPECT_EQ(error.ErrorCode(), 87u);
            EXPECT_EQ(error.Message(), u"System Error.  Code: 87.\r\nThe parameter is incorrect.");
        }
    }
}

TEST(Semaphore, EachWaitTakesOneCount)
{
    Semaphore semaphore(2, 3);
    EXPECT_EQ(semaphore.WaitFor(0), WaitResult::Signaled);
    EXPECT_EQ(semaphore.WaitFor(0), WaitResult::Signaled);
    EXPECT_EQ(semaphore.WaitFor(0), WaitResult::Timeout);
    EXPECT_EQ(semaphore.Count(), 0);
    EXPECT_EQ(semaphore.Release(3), 0);  // returns the count before
    EXPECT_EQ(semaphore.Count(), 3);
    semaphore.Acquire();
    EXPECT_EQ(semaphore.Count(), 2);
}

TEST(Semaphore, ReleaseAboveTheMaximumFailsAndChangesNothing)
{
    Semaphore semaphore(1, 2);
    try {
        semaphore.Release(2);
        ADD_FAILURE() << "over-release was accepted";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), 298u);
        EXPECT_EQ(error.Message(), u"System Error.  Code: 298.\r\nToo many posts were made to a semaphore.");
    }
    EXPECT_EQ(semaphore.Count(), 1);
    EXPECT_THROW(semaphore.Release(0), EOSError);
    EXPECT_EQ(semaphore.Release(1), 1);
    EXPECT_THROW(semaphore.Release(1), EOSError);
    EXPECT_EQ(semaphore.Count(), 2);

    Semaphore large(0, INT32_MAX);
    large.Release(INT32_MAX);
    EXPECT_THROW(large.Release(1), EOSError);  // no overflow past the largest count
    EXPECT_EQ(large.Count(), INT32_MAX);
}

TEST(Semaphore, ReleaseFromAnotherThreadWakesAWaiter)
{
    Semaphore semaphore(0, 10);
    std::thread releaser([&] { semaphore.Release(1); });
    EXPECT_EQ(semaphore.WaitFor(kLong), WaitResult::Signaled);
    releaser.join();
    EXPECT_EQ(semaphore.Count(), 0);
}

// --- Mutex ---

TEST(Mutex, IsRecursiveAndReleasedOnlyByItsOwner)
{
    Mutex mutex;
    EXPECT_EQ(mutex.Acquire(), WaitResult::Signaled);
    EXPECT_TRUE(mutex.TryAcquire());
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryAcquire(0); }));
    EXPECT_FALSE(OnOtherThread([&] { return mutex.Release(); }));  // not the owner
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryAcquire(0); }));  // held once more
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());  // nothing left to release
    EXPECT_TRUE(OnOtherThread([&] { return mutex.TryAcquire(0) && mutex.Release(); }));
}

TEST(Mutex, InitiallyOwnedBelongsToItsCreator)
{
    Mutex mutex(true);
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryAcquire(0); }));
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(OnOtherThread([&] { return mutex.TryAcquire(0) && mutex.Release(); }));
}

TEST(Mutex, TimedAcquireWaitsForTheOwnerToRelease)
{
    Mutex mutex;
    Event owned(true, false), release(true, false);
    std::thread owner([&] {
        mutex.Acquire();
        owned.SetEvent();
        release.WaitFor(kLong);
        mutex.Release();
    });
    ASSERT_EQ(owned.WaitFor(kLong), WaitResult::Signaled);
    EXPECT_FALSE(mutex.TryAcquire(20));
    release.SetEvent();
    EXPECT_TRUE(mutex.TryAcquire(kLong));
    owner.join();
    EXPECT_TRUE(mutex.Release());
}

TEST(Mutex, OwnerEndingWithoutReleaseAbandonsIt)
{
    Mutex mutex;
    std::thread([&] { mutex.Acquire(); mutex.Acquire(); }).join();
    EXPECT_EQ(mutex.WaitFor(kLong), WaitResult::Abandoned);  // and now owned, once
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryAcquire(0); }));
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());
    EXPECT_EQ(mutex.WaitFor(0), WaitResult::Signaled);  // abandonment is reported once
    EXPECT_TRUE(mutex.Release());
}

TEST(Mutex, MayBeDestroyedWhileAnotherThreadOwnsIt)
{
    auto mutex = std::make_unique<Mutex>();
    Event owned(true, false), destroyed(true, false);
    std::thread owner([&] {
        mutex->Acquire();
        owned.SetEvent();
        destroyed.WaitFor(kLong);
        // Ends holding it: the abandonment must not touch the destroyed object.
    });
    ASSERT_EQ(owned.WaitFor(kLong), WaitResult::Signaled);
    mutex.reset();
    destroyed.SetEvent();
    owner.join();
}

// --- WaitForAny ---

TEST(WaitForAny, ReportsTheFirstSignalledObjectAndTakesOnlyIt)
{
    Event first(false, false), second(true, false);
    Semaphore third(0, 5);
    struct Case {
        bool setFirst, setSecond;
        int releaseThird;
        WaitAnyResult expected;
        int thirdLeft;
    };
    const Case cases[] = {
        {false, false, 0, {WaitResult::Timeout, -1}, 0},
        {true, false, 0, {WaitResult::Signaled, 0}, 0},
        {false, true, 0, {WaitResult::Signaled, 1}, 0},
        {false, false, 2, {WaitResult::Signaled, 2}, 1},
        {true, false, 1, {WaitResult::Signaled, 0}, 1},  // earliest wins; the semaphore keeps its count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.setFirst << c.setSecond << c.releaseThird);
        first.ResetEvent();
        second.ResetEvent();
        while (third.WaitFor(0) == WaitResult::Signaled) {
        }
        if (c.setFirst)
            first.SetEvent();
        if (c.setSecond)
            second.SetEvent();
        if (c.releaseThird)
            third.Release(c.releaseThird);
        const WaitAnyResult result = WaitForAny({&first, &second, &third}, 0);
        EXPECT_EQ(result.result, c.expected.result);
        EXPECT_EQ(result.index, c.expected.index);
        EXPECT_EQ(third.Count(), c.thirdLeft);
    }
}

TEST(WaitForAny, WakesWhenAnotherThreadSignals)
{
    Event stop(true, false);
    Semaphore requests(0, 100);
    std::thread producer([&] { requests.Release(1); });
    const WaitAnyResult result = WaitForAny({&stop, &requests}, kLong);
    producer.join();
    EXPECT_EQ(result.result, WaitResult::Signaled);
    EXPECT_EQ(result.index, 1);
    EXPECT_EQ(requests.Count(), 0);
}

TEST(WaitForAny, TimesOutAndRefusesEmptyLists)
{
    Event never(true, false);
    const uint64_t start = GetTickCount64();
    const WaitAnyResult timeout = WaitForAny({&never}, 40);
    EXPECT_EQ(timeout.result, WaitResult::Timeout);
    EXPECT_EQ(timeout.index, -1);
    EXPECT_GE(GetTickCount64() - start, 20u);
    EXPECT_EQ(WaitForAny(std::span<Waitable* const>(), 0).result, WaitResult::Error);
    EXPECT_EQ(WaitForAny({&never, nullptr}, 0).result, WaitResult::Error);
}

TEST(WaitForAny, ReportsAnAbandonedMutex)
{
    Event idle(true, false);
    Mutex mutex;
    std::thread([&] { mutex.Acquire(); }).join();
    const WaitAnyResult result = WaitForAny({&idle, &mutex}, kLong);
    EXPECT_EQ(result.result, WaitResult::Abandoned);
    EXPECT_EQ(result.index, 1);
    EXPECT_TRUE(mutex.Release());
}
