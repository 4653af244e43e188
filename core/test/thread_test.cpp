// Worker threads and the main-thread queue: where synchronised and queued calls run and in what
// order, how exceptions are kept or passed back, the life cycle (suspended start, WaitFor, free on
// terminate, deletion of running and never-started threads) and the errors of misuse.
// Waits are on events or joins with generous limits; nothing depends on a sleep being long enough.
#include "core/thread.h"

#include "core/exception.h"
#include "core/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

using namespace core;

namespace {

constexpr uint32_t kLong = 10000;  // ms: "surely" for waits that must succeed

// A thread whose body is given by the test.
class TestThread : public Thread {
public:
    using Body = std::function<void(TestThread&)>;
    TestThread(bool createSuspended, Body body) : Thread(createSuspended), m_body(std::move(body)) {}
    ~TestThread() override
    {
        if (on_destroy)
            on_destroy();
    }

    std::function<void()> on_destroy;

protected:
    void Execute() override { m_body(*this); }

private:
    Body m_body;
};

// A thread that sleeps on its own event until terminated, as workers of the system do.
class SleeperThread : public Thread {
public:
    explicit SleeperThread(std::vector<std::string>* log) : Thread(true), m_log(log) {}
    ~SleeperThread() override { m_log->push_back("destroyed"); }

    Event running{true, false};

protected:
    void Execute() override
    {
        running.SetEvent();
        while (!Terminated())
            m_wake.WaitFor(INFINITE);
        m_log->push_back("execute returned");
    }
    void TerminatedSet() override { m_wake.SetEvent(); }

private:
    std::vector<std::string>* m_log;
    Event m_wake{false, false};
};

// Runs queued calls until done() holds; false when that takes longer than the generous limit.
template <class Done>
bool PumpUntil(Done done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLong);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        CheckSynchronize(10);
    }
    return true;
}

class ThreadTest : public testing::Test {
protected:
    void SetUp() override { SetMainThread(); }
    void TearDown() override
    {
        SetWakeMainThread(nullptr);
        SetApplicationExceptionHandler(nullptr);
        while (CheckSynchronize(0)) {
        }
    }
};

} // namespace

TEST_F(ThreadTest, SynchronizeRunsOnTheMainThreadAndBlocksTheWorker)
{
    ThreadId ranOn = 0;
    bool ran = false;
    bool sawResult = false;
    std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [&](TestThread& self) {
        self.Synchronize([&] {
            ranOn = CurrentThreadId();
            ran = true;
        });
        sawResult = ran;  // the call has finished when Synchronize returns
    }));
    ASSERT_TRUE(PumpUntil([&] { return worker->Finished(); }));
    EXPECT_EQ(ranOn, MainThreadId());
    EXPECT_NE(ranOn, worker->ThreadID());
    EXPECT_TRUE(sawResult);
}

TEST_F(ThreadTest, SynchronizeAndQueueOnTheMainThreadRunDirectly)
{
    int calls = 0;
    Thread::Synchronize(nullptr, [&] { ++calls; });
    Thread::Queue(nullptr, [&] { ++calls; });
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(CheckSynchronize(0));
}

TEST_F(ThreadTest, StaticSynchronizeWorksFromAnyThread)
{
    ThreadId ranOn = 0;
    std::atomic<bool> done = false;
    std::thread plain([&] {
        Thread::Synchronize(nullptr, [&] { ranOn = CurrentThreadId(); });
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    plain.join();
    EXPECT_EQ(ranOn, MainThreadId());
}

TEST_F(ThreadTest, QueuedCallsRunInOrderWithoutBlockingTheWorker)
{
    std::vector<int> order;
    Event queued(true, false);
    std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [&](TestThread& self) {
        for (int i = 1; i <= 5; ++i)
            self.Queue([&order, i] { order.push_back(i); });
        queued.SetEvent();
    }));
    // The worker gets here without the main thread having run anything.
    ASSERT_EQ(queued.WaitFor(kLong), WaitResult::Signaled);
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(CheckSynchronize(0));
}

TEST_F(ThreadTest, ACallQueuedByAQueuedCallWaitsForTheNextCheck)
{
    std::vector<int> order;
    std::thread([&] {
        Thread::Queue(nullptr, [&] {
            order.push_back(1);
            std::thread([&] { Thread::Queue(nullptr, [&] { order.push_back(2); }); }).join();
        });
    }).join();
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_EQ(order, (std::vector<int>{1}));
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(ThreadTest, ExceptionOfASynchronizedCallIsRaisedAgainInTheWorker)
{
    struct Case {
        std::function<void()> thrower;
        std::string expected;
    };
    const Case cases[] = {
        {[] { throw EConvertError(u"'x' is not a valid integer value"); }, "EConvertError:'x' is not a valid integer value"},
        {[] { throw std::runtime_error("plain"); }, "runtime_error:plain"},
        {[] { throw 42; }, "other"},
    };
    for (const Case& c : cases) {
        std::string caught;
        std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [&](TestThread& self) {
            try {
                self.Synchronize(c.thrower);
            } catch (const EConvertError& error) {
                caught = "EConvertError:" + std::string(error.what());
            } catch (const std::runtime_error& error) {
                caught = "runtime_error:" + std::string(error.what());
            } catch (...) {
                caught = "other";
            }
        }));
        EXPECT_EQ(worker->WaitFor(), 0);
        EXPECT_EQ(caught, c.expected);
        EXPECT_FALSE(worker->FatalException());
    }
}

TEST_F(ThreadTest, ExceptionOfAQueuedCallGoesToTheApplicationHandler)
{
    std::vector<std::string> handled;
    SetApplicationExceptionHandler([&](const std::exception& error) { handled.push_back(error.what()); });
    bool laterRan = false;
    std::thread([&] {
        Thread::Queue(nullptr, [] { throw EAbort(u"silent"); });  // EAbort is never shown
        Thread::Queue(nullptr, [] { throw EInvalidOperation(u"broken"); });
        Thread::Queue(nullptr, [&] { laterRan = true; });
    }).join();
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_EQ(handled, (std::vector<std::string>{"broken"}));
    EXPECT_TRUE(laterRan);
}

TEST_F(ThreadTest, ExceptionEndingExecuteIsKeptAsTheFatalException)
{
    std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [](TestThread& self) {
        self.SetReturnValue(7);
        throw EStreamError(u"Stream read error");
    }));
    EXPECT_EQ(worker->WaitFor(), 7);
    ASSERT_TRUE(worker->FatalException());
    try {
        std::rethrow_exception(worker->FatalException());
    } catch (const EStreamError& error) {
        EXPECT_EQ(error.Message(), u"Stream read error");
    }
}

TEST_F(ThreadTest, WaitForReturnsTheReturnValue)
{
    for (int value : {0, 42, -1, INT32_MIN}) {
        std::unique_ptr<TestThread> worker(
            Thread::Create<TestThread>(false, [value](TestThread& self) { self.SetReturnValue(value); }));
        EXPECT_EQ(worker->WaitFor(), value);
        EXPECT_TRUE(worker->Finished());
        EXPECT_EQ(worker->WaitFor(), value);  // again: it has finished
    }
}

TEST_F(ThreadTest, WaitForOnTheMainThreadRunsTheCallsTheWorkerWaitsFor)
{
    std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [](TestThread& self) {
        int value = 0;
        self.Synchronize([&] { value = 5; });
        self.SetReturnValue(value);
    }));
    EXPECT_EQ(worker->WaitFor(), 5);  // no separate pumping: WaitFor does it
}

TEST_F(ThreadTest, WaitForFromTheThreadItselfRaises)
{
    String message;
    std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [&](TestThread& self) {
        try {
            self.WaitFor();
        } catch (const EThread& error) {
            message = error.Message();
        }
    }));
    worker->WaitFor();
    EXPECT_EQ(message, u"Cannot call WaitFor on the current thread");
}

TEST_F(ThreadTest, SuspendedThreadRunsOnlyAfterStart)
{
    std::atomic<bool> ran = false;
    ThreadId idInside = 0;
    std::unique_ptr<TestThread> worker(new TestThread(true, [&](TestThread& self) {
        ran = true;
        idInside = CurrentThreadId();
        EXPECT_EQ(Thread::CurrentThread(), &self);
    }));
    EXPECT_FALSE(worker->Started());
    EXPECT_EQ(worker->ThreadID(), 0u);
    EXPECT_THROW(worker->WaitFor(), EThread);
    EXPECT_FALSE(ran);
    worker->Start();
    EXPECT_TRUE(worker->Started());
    EXPECT_NE(worker->ThreadID(), 0u);
    worker->WaitFor();
    EXPECT_TRUE(ran);
    EXPECT_EQ(idInside, worker->ThreadID());
    EXPECT_EQ(Thread::CurrentThread(), nullptr);
    try {
        worker->Start();
        ADD_FAILURE() << "second Start accepted";
    } catch (const EThread& error) {
        EXPECT_EQ(error.Message(), u"Cannot call Start on a running or terminated thread");
    }
}

TEST_F(ThreadTest, TerminatedBeforeStartSkipsExecuteButStillReportsTheEnd)
{
    bool ran = false;
    bool terminated = false;
    std::unique_ptr<TestThread> worker(new TestThread(true, [&](TestThread&) { ran = true; }));
    worker->OnTerminate = [&](Thread* sender) { terminated = sender == worker.get(); };
    worker->Terminate();
    worker->Start();
    worker->WaitFor();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(terminated);
}

TEST_F(ThreadTest, OnTerminateRunsOnTheMainThreadAfterExecute)
{
    std::vector<std::string> log;
    ThreadId ranOn = 0;
    std::unique_ptr<TestThread> worker(new TestThread(true, [&](TestThread&) { log.push_back("execute"); }));
    worker->OnTerminate = [&](Thread*) {
        log.push_back("terminate");
        ranOn = CurrentThreadId();
    };
    worker->Start();
    worker->WaitFor();
    EXPECT_EQ(log, (std::vector<std::string>{"execute", "terminate"}));
    EXPECT_EQ(ranOn, MainThreadId());
}

TEST_F(ThreadTest, FreeOnTerminateDeletesTheThreadAfterOnTerminate)
{
    std::vector<std::string> log;
    Event destroyed(true, false);
    auto* worker = new TestThread(true, [&](TestThread&) { log.push_back("execute"); });
    worker->SetFreeOnTerminate(true);
    worker->OnTerminate = [&](Thread*) { log.push_back("terminate"); };
    worker->on_destroy = [&] {
        log.push_back("destroyed");
        destroyed.SetEvent();
    };
    worker->Start();
    // Do not touch worker from here on: it frees itself.
    ASSERT_TRUE(PumpUntil([&] { return destroyed.IsSet(); }));
    EXPECT_EQ(log, (std::vector<std::string>{"execute", "terminate", "destroyed"}));
}

TEST_F(ThreadTest, ThreadsThatFreeThemselvesAtOnceAreFreedOnce)
{
    // No OnTerminate: nothing holds the thread back from freeing itself while Start returns.
    constexpr int kThreads = 40;
    Semaphore destroyed(0, kThreads);
    for (int i = 0; i < kThreads; ++i) {
        auto* worker = new TestThread(true, [](TestThread&) {});
        worker->SetFreeOnTerminate(true);
        worker->on_destroy = [&] { destroyed.Release(); };
        worker->Start();
    }
    for (int i = 0; i < kThreads; ++i)
        ASSERT_EQ(destroyed.WaitFor(kLong), WaitResult::Signaled);
}

TEST_F(ThreadTest, WaitForOnAThreadThatFreesItselfRaises)
{
    Event release(true, false);
    Event destroyed(true, false);
    auto* worker = new TestThread(true, [&](TestThread&) { release.WaitFor(kLong); });
    worker->SetFreeOnTerminate(true);
    worker->on_destroy = [&] { destroyed.SetEvent(); };
    worker->Start();
    EXPECT_THROW(worker->WaitFor(), EThread);  // still blocked on release, so still alive
    release.SetEvent();
    EXPECT_EQ(destroyed.WaitFor(kLong), WaitResult::Signaled);
}

TEST_F(ThreadTest, DeletingARunningThreadTerminatesAndWaitsBeforeDestroyingIt)
{
    std::vector<std::string> log;
    auto* worker = new SleeperThread(&log);
    bool terminated = false;
    worker->OnTerminate = [&](Thread*) { terminated = true; };  // needs the main thread during delete
    worker->Start();
    ASSERT_EQ(worker->running.WaitFor(kLong), WaitResult::Signaled);
    delete worker;
    EXPECT_EQ(log, (std::vector<std::string>{"execute returned", "destroyed"}));
    EXPECT_TRUE(terminated);
}

TEST_F(ThreadTest, DeletingAThreadThroughItsBaseAlsoStopsItFirst)
{
    std::vector<std::string> log;
    std::unique_ptr<Thread> worker(new SleeperThread(&log));
    worker->Start();
    ASSERT_EQ(static_cast<SleeperThread&>(*worker).running.WaitFor(kLong), WaitResult::Signaled);
    worker.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"execute returned", "destroyed"}));
}

TEST_F(ThreadTest, DeletingAThreadThatFreesItselfBeforeItEndsStopsTheSelfFree)
{
    std::vector<std::string> log;
    auto* worker = new SleeperThread(&log);
    worker->SetFreeOnTerminate(true);
    worker->Start();
    ASSERT_EQ(worker->running.WaitFor(kLong), WaitResult::Signaled);
    delete worker;  // freed once, here (ASan reports a double free otherwise)
    EXPECT_EQ(log, (std::vector<std::string>{"execute returned", "destroyed"}));
}

TEST_F(ThreadTest, ThreadNeverStartedIsFreedWithoutRunning)
{
    for (bool freeOnTerminate : {false, true}) {
        bool ran = false;
        bool terminated = false;
        bool destroyed = false;
        auto* worker = new TestThread(true, [&](TestThread&) { ran = true; });
        worker->SetFreeOnTerminate(freeOnTerminate);
        worker->OnTerminate = [&](Thread*) { terminated = true; };
        worker->on_destroy = [&] { destroyed = true; };
        delete worker;
        EXPECT_TRUE(destroyed);
        EXPECT_FALSE(ran);
        EXPECT_FALSE(terminated);
    }
}

TEST_F(ThreadTest, DeletedThreadLeavesNoQueuedCallBehind)
{
    int stale = 0;
    int other = 0;
    auto* worker = new TestThread(true, [&](TestThread& self) {
        self.Queue([&] { ++stale; });
        self.Queue([&] { ++stale; });
        Thread::Queue(nullptr, [&] { ++other; });  // not the thread's: stays
    });
    worker->Start();
    std::thread([worker] {
        // Waiting from another thread does not run the queue, unlike the main thread.
        worker->WaitFor();
    }).join();
    delete worker;
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(other, 1);
}

TEST_F(ThreadTest, CheckSynchronizeWaitsForTheFirstCallAndRefusesOtherThreads)
{
    std::atomic<bool> ran = false;
    std::thread producer([&] { Thread::Queue(nullptr, [&] { ran = true; }); });
    EXPECT_TRUE(CheckSynchronize(kLong) || PumpUntil([&] { return ran.load(); }));
    producer.join();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(CheckSynchronize(20));  // nothing queued: times out

    String message;
    std::thread([&] {
        try {
            CheckSynchronize(0);
        } catch (const EThread& error) {
            message = error.Message();
        }
    }).join();
    EXPECT_NE(message.find(u"which is NOT the main thread"), String::npos);
    EXPECT_EQ(message.rfind(u"CheckSynchronize called from thread $", 0), 0u);
}

TEST_F(ThreadTest, WakeMainThreadIsCalledWhenACallIsQueued)
{
    Event woken(true, false);
    SetWakeMainThread([&] { woken.SetEvent(); });
    bool ran = false;
    std::thread([&] { Thread::Queue(nullptr, [&] { ran = true; }); }).join();
    EXPECT_EQ(woken.WaitFor(0), WaitResult::Signaled);
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, SetMainThreadMovesTheMainThread)
{
    const ThreadId original = MainThreadId();
    EXPECT_EQ(original, CurrentThreadId());
    ThreadId seen = 0;
    std::thread([&] {
        SetMainThread();
        seen = MainThreadId();
        EXPECT_FALSE(CheckSynchronize(0));  // allowed there now
    }).join();
    EXPECT_NE(seen, original);
    SetMainThread();
    EXPECT_EQ(MainThreadId(), original);
}

TEST_F(ThreadTest, CreateStartsAThreadNotCreatedSuspended)
{
    Event ran(true, false);
    std::unique_ptr<TestThread> worker(Thread::Create<TestThread>(false, [&](TestThread&) { ran.SetEvent(); }));
    EXPECT_TRUE(worker->Started());
    EXPECT_EQ(ran.WaitFor(kLong), WaitResult::Signaled);

    std::unique_ptr<TestThread> suspended(Thread::Create<TestThread>(true, [](TestThread&) {}));
    EXPECT_FALSE(suspended->Started());
}

TEST_F(ThreadTest, PriorityIsKeptAcrossStart)
{
    std::unique_ptr<TestThread> worker(new TestThread(true, [](TestThread&) {}));
    EXPECT_EQ(worker->Priority(), ThreadPriority::Normal);
    worker->SetPriority(ThreadPriority::Lower);
    worker->Start();
    worker->WaitFor();
    EXPECT_EQ(worker->Priority(), ThreadPriority::Lower);
}
