// Tests of the thread pool: growth and reduction on a hand-driven clock, queue packing order,
// duplicate rejection, event order, dead threads, request removal and destruction during a long
// request.
#include "support/threadpool.h"

#include "core/exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace support;

namespace {

// Waits (bounded) until the condition holds.
template <class F>
bool WaitUntil(F condition, int timeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The thread and killing counts, asked again while a starting or ending thread holds the thread
// lock (the pool answers -1 then).
int Threads(TThreadPool& pool)
{
    int count = -1;
    WaitUntil([&] { return (count = pool.ThreadCount()) != -1; });
    return count;
}

int KillingThreads(TThreadPool& pool)
{
    int count = -1;
    WaitUntil([&] { return (count = pool.ThreadKillingCount()) != -1; });
    return count;
}

// A gate that blocked handlers wait at until the test opens it.
class Gate {
public:
    void Wait()
    {
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_changed.wait(lock, [this] { return m_open; });
        --m_waiting;
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    int Waiting()
    {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_waiting = 0;
};

std::atomic<int> g_liveTasks{0};

class Task : public TTaskDataObject {
public:
    explicit Task(int key, bool clonable = false) : m_key(key), m_clonable(clonable) { g_liveTasks.fetch_add(1); }
    ~Task() override { g_liveTasks.fetch_sub(1); }
    std::unique_ptr<TTaskDataObject> Clone() const override
    {
        if (!m_clonable)
            return nullptr;
        return std::make_unique<Task>(m_key + 1000, false);
    }
    bool Duplicate(const TTaskDataObject& other, bool) const override
    {
        return static_cast<const Task&>(other).m_key == m_key;
    }
    int Key() const { return m_key; }

private:
    int m_key;
    bool m_clonable;
};

std::unique_ptr<Task> MakeTask(int key) { return std::make_unique<Task>(key); }

} // namespace

TEST(PoolTickDiff, CountsOneLessAcrossTheWrap)
{
    struct Case {
        uint32_t earlier, later, expected;
    } cases[] = {
        {0, 0, 0}, {100, 350, 250}, {0xFFFFFFF0u, 0xFFFFFFFFu, 15}, {0xFFFFFFF0u, 0x10, 0x1F}, {0xFFFFFFFFu, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PoolTickDiff(c.earlier, c.later), c.expected) << c.earlier << " -> " << c.later;
}

TEST(RunningAverage, MeanOfTheFirstEightThenAnEighthForTheNewest)
{
    struct Case {
        int32_t average, sample;
        int64_t samples;
        int32_t expected;
    } cases[] = {
        {999, 40, 0, 40},    // the first sample is the average
        {400, 0, 1, 200},    // a mean: a quick request after a long wait halves it
        {200, 0, 2, 133},
        {133, 0, 3, 99},     // truncated toward zero
        {100, 900, 7, 200},  // eighth sample: still the mean
        {200, 0, 8, 175},    // then 7/8 of the old and 1/8 of the new
        {-80, 0, 8, -70},
        {2000000000, 2000000000, 5, 2000000000},  // 64-bit products
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunningAverage(c.average, c.sample, c.samples), c.expected) << c.average << " " << c.sample << " " << c.samples;
}

TEST(ThreadPool, ProcessingAverageIsTheMeanOfTheRequestsSoFar)
{
    // One worker; each request takes the scripted time on the hand-driven clock.
    core::ManualClock clock(1000);
    TThreadPool pool(nullptr, clock);
    pool.SetThreadsMaxCount(1);
    std::atomic<int> takes{0};
    pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { clock.Advance(uint32_t(takes.load())); };
    const struct {
        int takesMs, average;
    } steps[] = {{300, 300}, {0, 150}, {0, 100}, {100, 100}};
    int done = 0;
    for (const auto& step : steps) {
        takes.store(step.takesMs);
        pool.AddRequest(MakeTask(done));
        ++done;
        ASSERT_TRUE(WaitUntil([&] { return pool.TaskCount() == 0 && pool.IdleThreadCount() == 1; }));
        EXPECT_EQ(pool.AverageProcessingTime(), step.average) << "after request " << done;
    }
}

TEST(ThreadPool, NewDefaultsAndComponentInfo)
{
    TThreadPool pool;
    EXPECT_EQ(pool.AdjustInterval(), 10000u);
    EXPECT_TRUE(pool.DeadTaskAsNew());
    EXPECT_FALSE(pool.MinAtLeast());
    EXPECT_EQ(pool.ThreadDeadTimeout(), 0u);
    EXPECT_EQ(pool.ThreadsMinCount(), 0);
    EXPECT_EQ(pool.ThreadsMaxCount(), 1);
    EXPECT_EQ(Threads(pool), 0);
    EXPECT_EQ(pool.TaskCount(), 0);
    EXPECT_EQ(pool.AverageWaitingTime(), 10);
    EXPECT_EQ(pool.AverageProcessingTime(), 20);
    const String about = pool.About();
    pool.SetAbout(u"changed");
    EXPECT_EQ(pool.About(), about);
    String name, author, email, comment;
    pool.GetComponentInfo(name, author, email, comment);
    EXPECT_EQ(name, u"线程池组件");
    EXPECT_EQ(comment, u"实现线程池的组件");
}

TEST(ThreadPool, GrowsToTheMinimumOnTheSecondRequestThenOneAtATimeUpToTheMaximum)
{
    core::ManualClock clock(1000);
    Gate gate;
    {
        TThreadPool pool(nullptr, clock);
        pool.SetThreadsMinCount(10);
        pool.SetThreadsMaxCount(40);
        pool.SetMinAtLeast(true);
        pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { gate.Wait(); };

        EXPECT_TRUE(pool.AddRequest(MakeTask(0)));
        EXPECT_EQ(Threads(pool), 1);
        EXPECT_TRUE(pool.AddRequest(MakeTask(1)));
        EXPECT_EQ(Threads(pool), 10);
        for (int i = 2; i < 10; ++i) {
            // Each request is taken before the next comes, so that an idle thread is free for it.
            ASSERT_TRUE(WaitUntil([&] { return pool.TaskCount() == 0; }));
            pool.AddRequest(MakeTask(i));
            EXPECT_EQ(Threads(pool), 10);
        }
        ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 10; }));
        // Every thread busy but nothing queued: the growth test sees an empty queue.
        pool.AddRequest(MakeTask(10));
        EXPECT_EQ(Threads(pool), 10);
        // From here one thread per request while requests wait and no thread is idle.
        int grownAt = 0;
        for (int i = 11; i < 200; ++i) {
            const int before = Threads(pool);
            pool.AddRequest(MakeTask(i));
            const int after = Threads(pool);
            ASSERT_LE(after - before, 1);
            ASSERT_LE(after, 40);
            if (after > before && grownAt == 0)
                grownAt = i;
            // A new thread takes a queued request; wait until none is idle again.
            ASSERT_TRUE(WaitUntil([&] { return pool.IdleThreadCount() == 0; }));
        }
        EXPECT_GT(grownAt, 11) << "growth waits for queued requests";
        EXPECT_EQ(Threads(pool), 40);
        gate.Open();
        ASSERT_TRUE(WaitUntil([&] { return pool.TaskCount() == 0 && pool.IdleThreadCount() == 40; }));
    }
    EXPECT_EQ(g_liveTasks.load(), 0);
}

TEST(ThreadPool, ReduceTickRetiresOneIdleThreadPerTickAndNeverTheFirstOnes)
{
    core::ManualClock clock(5000);
    Gate gate;
    TThreadPool pool(nullptr, clock);
    pool.SetThreadsMinCount(2);
    pool.SetThreadsMaxCount(5);
    pool.SetMinAtLeast(true);
    pool.SetAdjustInterval(2000);
    pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { gate.Wait(); };
    for (int i = 0; i < 2; ++i)
        pool.AddRequest(MakeTask(i));
    ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 2; }));
    for (int i = 2; i < 40 && Threads(pool) < 5; ++i)
        pool.AddRequest(MakeTask(i));
    ASSERT_EQ(Threads(pool), 5);
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return pool.TaskCount() == 0 && pool.IdleThreadCount() == 5; }));

    // Waiting has not lasted 200 ms yet: a tick retires nothing.
    clock.Advance(100);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Threads(pool), 5);

    for (int expected = 4; expected >= 2; --expected) {
        clock.Advance(2000);
        ASSERT_TRUE(WaitUntil([&] { return Threads(pool) == expected; })) << expected;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(Threads(pool), expected) << "one thread per tick";
    }
    clock.Advance(2000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    clock.Advance(2000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Threads(pool), 2);
    // Retired threads end and are freed by a later round of housekeeping.
    ASSERT_TRUE(WaitUntil([&] {
        String info;
        pool.DefaultGetInfo(&pool, info);
        return pool.ThreadKillingCount() == 0;
    }));
}

TEST(ThreadPool, PackedQueueKeepsTheOrderOfTheRemainingRequests)
{
    Gate gate;
    std::mutex orderLock;
    std::vector<int> order;
    std::atomic<int> queueEmpty{0};
    {
        TThreadPool pool;
        pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject* data, TPoolingThread*) {
            gate.Wait();
            std::lock_guard lock(orderLock);
            order.push_back(static_cast<Task*>(data)->Key());
        };
        pool.OnQueueEmpty = [&](TThreadPool*, TEmptyKind kind) {
            if (kind == ekQueueEmpty)
                queueEmpty.fetch_add(1);
        };
        pool.AddRequest(MakeTask(0));
        ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
        for (int i = 1; i <= 200; ++i)
            pool.AddRequest(MakeTask(i), 0);
        EXPECT_EQ(pool.TaskCount(), 200);
        EXPECT_EQ(Threads(pool), 1);
        gate.Open();
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard lock(orderLock);
            return order.size() == 201;
        }));
        EXPECT_EQ(pool.TaskCount(), 0);
    }
    for (int i = 0; i <= 200; ++i)
        ASSERT_EQ(order[size_t(i)], i);
    EXPECT_EQ(queueEmpty.load(), 2);  // the first request alone, then the 200
    EXPECT_EQ(g_liveTasks.load(), 0);
}

TEST(ThreadPool, DuplicatesAreRejectedAndFreedOnlyForTheRequestedChecks)
{
    // Request 1 is being processed and request 2 is queued when the case's request is added.
    struct Case {
        int key;
        TCheckDuplicates check;
        bool accepted;
    } cases[] = {
        {2, cdQueue, false}, {1, cdProcessing, false}, {1, cdQueue | cdProcessing, false},
        {2, cdProcessing, true}, {1, cdQueue, true}, {2, 0, true}, {3, cdQueue | cdProcessing, true},
    };
    for (const Case& c : cases) {
        Gate gate;
        {
            TThreadPool pool;
            pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { gate.Wait(); };
            ASSERT_TRUE(pool.AddRequest(MakeTask(1)));
            ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
            ASSERT_TRUE(pool.AddRequest(MakeTask(2)));
            const int live = g_liveTasks.load();
            EXPECT_EQ(pool.AddRequest(MakeTask(c.key), c.check), c.accepted) << c.key << " check " << c.check;
            EXPECT_EQ(g_liveTasks.load(), live + (c.accepted ? 1 : 0)) << "a rejected request is freed";
            EXPECT_EQ(pool.TaskCount(), c.accepted ? 2 : 1);
            gate.Open();
        }
        EXPECT_EQ(g_liveTasks.load(), 0);
    }
}

TEST(ThreadPool, EventsComeInOrderOnOneThread)
{
    std::mutex lock;
    std::vector<std::string> events;
    auto note = [&](std::string text) {
        std::lock_guard guard(lock);
        events.push_back(std::move(text));
    };
    {
        TThreadPool pool;
        pool.OnThreadInitializing = [&](TThreadPool*, TPoolingThread*) { note("init"); };
        pool.OnThreadFinalizing = [&](TThreadPool*, TPoolingThread*) { note("final"); };
        pool.OnQueueEmpty = [&](TThreadPool*, TEmptyKind kind) { note(kind == ekQueueEmpty ? "queue-empty" : "task-empty"); };
        pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject* data, TPoolingThread*) {
            note("process " + std::to_string(static_cast<Task*>(data)->Key()));
        };
        pool.AddRequest(MakeTask(7));
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard guard(lock);
            return events.size() == 4;
        }));
    }
    const std::vector<std::string> expected = {"init", "queue-empty", "process 7", "task-empty", "final"};
    EXPECT_EQ(events, expected);
}

TEST(ThreadPool, FailedInitialisationAddsNoThreadButKeepsTheRequest)
{
    TThreadPool pool;
    pool.OnThreadInitializing = [](TThreadPool*, TPoolingThread*) { throw core::Exception(u"no socket"); };
    EXPECT_TRUE(pool.AddRequest(MakeTask(1)));
    EXPECT_EQ(Threads(pool), 0);
    EXPECT_EQ(pool.TaskCount(), 1);
}

TEST(ThreadPool, HandlerErrorsAreSwallowedAndTheThreadGoesOn)
{
    std::atomic<int> done{0};
    TThreadPool pool;
    pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject* data, TPoolingThread*) {
        done.fetch_add(1);
        if (static_cast<Task*>(data)->Key() == 1)
            throw std::runtime_error("handler failed");
    };
    pool.AddRequest(MakeTask(1));
    pool.AddRequest(MakeTask(2));
    ASSERT_TRUE(WaitUntil([&] { return done.load() == 2; }));
    EXPECT_EQ(Threads(pool), 1);
}

TEST(ThreadPool, RemoveRequestTakesOnlyQueuedRequests)
{
    Gate gate;
    {
        TThreadPool pool;
        pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { gate.Wait(); };
        pool.AddRequest(MakeTask(1));
        ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
        auto queued = MakeTask(2);
        const Task* queuedPointer = queued.get();
        pool.AddRequest(std::move(queued));
        Task stranger(3);
        const int live = g_liveTasks.load();
        EXPECT_EQ(pool.TaskCount(), 1);

        EXPECT_FALSE(pool.RemoveRequest(&stranger));
        EXPECT_EQ(pool.TaskCount(), 1);
        EXPECT_EQ(g_liveTasks.load(), live);

        EXPECT_TRUE(pool.RemoveRequest(queuedPointer));
        EXPECT_EQ(pool.TaskCount(), 0);
        EXPECT_EQ(g_liveTasks.load(), live - 1);
        EXPECT_FALSE(pool.RemoveRequest(queuedPointer));
        gate.Open();
    }
    EXPECT_EQ(g_liveTasks.load(), 0);
}

TEST(ThreadPool, DeadThreadGoesToTheKillingListAndACopyOfItsRequestIsQueued)
{
    core::ManualClock clock(100);
    Gate gate;
    std::mutex lock;
    std::vector<int> started;
    {
        TThreadPool pool(nullptr, clock);
        pool.SetThreadsMaxCount(4);
        pool.SetThreadDeadTimeout(500);
        pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject* data, TPoolingThread*) {
            {
                std::lock_guard guard(lock);
                started.push_back(static_cast<Task*>(data)->Key());
            }
            if (static_cast<Task*>(data)->Key() == 1)
                gate.Wait();
        };
        pool.AddRequest(std::make_unique<Task>(1, true));
        ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
        clock.Advance(501);
        pool.AddRequest(MakeTask(2));
        EXPECT_EQ(KillingThreads(pool), 1);
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard guard(lock);
            return started.size() == 3;
        }));
        {
            std::lock_guard guard(lock);
            EXPECT_EQ(started[0], 1);
            EXPECT_EQ(std::count(started.begin(), started.end(), 1001), 1);  // the copy
        }
        gate.Open();
    }
    EXPECT_EQ(g_liveTasks.load(), 0);
}

TEST(ThreadPool, DestructionWaitsForALongRequestAndFreesQueuedOnes)
{
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> finalized{false};
    auto pool = std::make_unique<TThreadPool>();
    pool->OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) {
        inside.store(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        finished.store(true);
    };
    pool->OnThreadFinalizing = [&](TThreadPool*, TPoolingThread*) { finalized.store(true); };
    pool->AddRequest(MakeTask(1));
    ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
    pool->AddRequest(MakeTask(2));
    pool->AddRequest(MakeTask(3));
    pool.reset();
    EXPECT_TRUE(finished.load());
    EXPECT_TRUE(finalized.load());
    EXPECT_EQ(g_liveTasks.load(), 0);
}

TEST(ThreadPool, InfoReportsSettingsCountsAndThreads)
{
    TThreadPool pool;
    pool.SetThreadsMinCount(1);
    pool.SetThreadsMaxCount(3);
    pool.SetAdjustInterval(2000);
    std::atomic<int> done{0};
    pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { done.fetch_add(1); };
    pool.AddRequest(MakeTask(1));
    ASSERT_TRUE(WaitUntil([&] { return done.load() == 1 && pool.IdleThreadCount() == 1; }));
    const String info = pool.Info();
    EXPECT_EQ(info.rfind(u"MinCount=1; MaxCount=3; AdjustInterval=2000; DeadTimeOut=0\r\n"
                         u"ThreadCount=1; KillingCount=0; SpareThreadCount=1; TaskCount=0\r\n", 0), 0u)
        << core::ToUtf8(info);
    EXPECT_NE(info.find(u"Working Threads Info===============\r\nAverageWaitingTime="), String::npos);
    EXPECT_NE(info.find(u"; FCurState=ctsWaiting; FWorkCount=1; FProcessingDataObject=nil"), String::npos);
    EXPECT_NE(info.find(u"\r\nKilling Threads Info==============="), String::npos);
    pool.OnGetInfo = [](TThreadPool*, String& text) { text = u"custom"; };
    EXPECT_EQ(pool.Info(), u"custom");
}

TEST(ThreadPool, DeadThreadsStayWhileHalfTheMaximumIsBeingKilled)
{
    core::ManualClock clock(100);
    Gate gate;
    {
        TThreadPool pool(nullptr, clock);
        pool.SetThreadsMaxCount(2);
        pool.SetThreadDeadTimeout(100);
        pool.OnProcessRequest = [&](TThreadPool*, TTaskDataObject*, TPoolingThread*) { gate.Wait(); };
        pool.AddRequest(MakeTask(1));
        ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 1; }));
        clock.Advance(101);
        pool.AddRequest(MakeTask(2));  // the first thread is dead; the base request has no copy
        EXPECT_EQ(KillingThreads(pool), 1);
        EXPECT_EQ(Threads(pool), 1);
        ASSERT_TRUE(WaitUntil([&] { return gate.Waiting() == 2; }));
        clock.Advance(101);
        pool.AddRequest(MakeTask(3));  // one of two is being killed already: no more
        EXPECT_EQ(KillingThreads(pool), 1);
        EXPECT_EQ(Threads(pool), 1);
        gate.Open();
    }
    EXPECT_EQ(g_liveTasks.load(), 0);
}
