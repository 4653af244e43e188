// Tests of the worker thread component: refusal rules, cooperative stop, end events on the main
// thread, zombies, errors of the handlers, pausing across threads and the named mutex.
#include "support/threadcomponent.h"

#include "core/exception.h"
#include "core/tick.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace support;

namespace {

// Runs queued calls until the condition holds (bounded).
template <class F>
bool PumpUntil(F condition, int timeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        detail::HandleOneMessage(5);
    }
    return true;
}

class ThreadComponentTest : public ::testing::Test {
protected:
    void SetUp() override { core::SetMainThread(); }
    void TearDown() override { core::SetApplicationExceptionHandler(nullptr); }
};

} // namespace

TEST_F(ThreadComponentTest, RefusesWithoutHandlerWhileExclusiveAndAtTheLimit)
{
    TThreadComponent component;
    EXPECT_EQ(component.Execute(), nullptr) << "no OnExecute";
    EXPECT_TRUE(component.Terminated()) << "no thread";

    std::atomic<bool> release{false};
    component.OnExecute = [&](TComponentBaseThread* self, void*) {
        while (!release.load() && !self->Terminated())
            core::Sleep(1);
    };
    TComponentBaseThread* first = component.Execute();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(component.Execute(), nullptr) << "exclusive and running";
    release.store(true);
    component.WaitFor();
    EXPECT_EQ(component.Count(), 0);
    release.store(false);
    ASSERT_NE(component.Execute(), nullptr) << "the first thread's end was handled";
    release.store(true);
    component.WaitFor();

    component.SetExclusive(false);
    component.SetMaxCount(2);
    release.store(false);
    EXPECT_NE(component.Execute(), nullptr);
    EXPECT_NE(component.Execute(), nullptr);
    EXPECT_EQ(component.Execute(), nullptr) << "MaxCount reached";
    release.store(true);
    component.WaitFor();
}

TEST_F(ThreadComponentTest, TerminateIsCooperativeAndEndEventsRunOnTheMainThread)
{
    std::vector<std::string> events;
    std::atomic<bool> handlerReturned{false};
    core::ThreadId finishThread = 0, finishAllThread = 0, beginThread = 0;
    {
        TThreadComponent component;
        component.OnBegin = [&](TThreadComponent*) {
            beginThread = core::CurrentThreadId();
            events.push_back("begin");
        };
        component.BeforeResume = [&](TComponentBaseThread*) { events.push_back("before-resume"); };
        std::atomic<bool> running{false};
        component.OnExecute = [&](TComponentBaseThread* self, void* params) {
            EXPECT_EQ(params, &events);
            running.store(true);
            while (!self->Terminated())
                core::Sleep(1);
            core::Sleep(30);
            handlerReturned.store(true);
        };
        component.OnFinish = [&](TComponentBaseThread*) {
            finishThread = core::CurrentThreadId();
            events.push_back("finish");
        };
        component.OnFinishAll = [&](TThreadComponent*) {
            finishAllThread = core::CurrentThreadId();
            events.push_back("finish-all");
        };
        ASSERT_NE(component.Execute(&events), nullptr);
        EXPECT_FALSE(component.Terminated());
        // A thread terminated before it begins does not run its handler at all.
        ASSERT_TRUE(PumpUntil([&] { return running.load(); }));
        component.Terminate();
        EXPECT_TRUE(component.Terminated());
        EXPECT_FALSE(handlerReturned.load()) << "Terminate does not wait";
        ASSERT_TRUE(PumpUntil([&] { return !component.OneThreadIsRunning(); }));
        EXPECT_TRUE(handlerReturned.load());
    }
    const std::vector<std::string> expected = {"begin", "before-resume", "finish", "finish-all"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(beginThread, core::MainThreadId());
    EXPECT_EQ(finishThread, core::MainThreadId());
    EXPECT_EQ(finishAllThread, core::MainThreadId());
}

TEST_F(ThreadComponentTest, ThreadWithoutFreeOnTerminateStaysListedUntilRemoveZombie)
{
    TThreadComponent component;
    component.SetFreeOnTerminate(false);
    component.OnExecute = [](TComponentBaseThread*, void*) {};
    TComponentBaseThread* thread = component.Execute();
    ASSERT_NE(thread, nullptr);
    component.WaitFor();
    EXPECT_EQ(component.Count(), 1);
    EXPECT_TRUE(thread->Finished());
    EXPECT_FALSE(component.OneThreadIsRunning());
    component.RemoveZombie();
    EXPECT_EQ(component.Count(), 0);
}

TEST_F(ThreadComponentTest, HandlerErrorGoesToTheApplicationHandlerOnTheMainThread)
{
    std::string message;
    core::ThreadId shownOn = 0;
    core::SetApplicationExceptionHandler([&](const std::exception& e) {
        message = e.what();
        shownOn = core::CurrentThreadId();
    });
    TThreadComponent component;
    component.OnExecute = [](TComponentBaseThread*, void*) { throw core::Exception(u"worker failed"); };
    ASSERT_NE(component.Execute(), nullptr);
    component.WaitFor();
    EXPECT_EQ(message, "worker failed");
    EXPECT_EQ(shownOn, core::MainThreadId());
    EXPECT_NE(component.Execute(), nullptr) << "the component goes on";
    component.WaitFor();
}

TEST_F(ThreadComponentTest, ErrorInBeforeResumeStartsTheThreadTerminated)
{
    TThreadComponent component;
    std::atomic<int> sawTerminated{-1};
    component.BeforeResume = [](TComponentBaseThread*) { throw core::Exception(u"not now"); };
    component.OnExecute = [&](TComponentBaseThread* self, void*) { sawTerminated.store(self->Terminated() ? 1 : 0); };
    ASSERT_NE(component.Execute(), nullptr);
    component.WaitFor();
    EXPECT_EQ(sawTerminated.load(), 1);
}

TEST_F(ThreadComponentTest, RunOnCreateOffWaitsForResume)
{
    TThreadComponent component;
    component.SetRunOnCreate(false);
    std::atomic<bool> ran{false};
    component.OnExecute = [&](TComponentBaseThread*, void*) { ran.store(true); };
    TComponentBaseThread* thread = component.Execute();
    ASSERT_NE(thread, nullptr);
    core::Sleep(30);
    EXPECT_FALSE(ran.load());
    component.Resume(thread);
    component.WaitFor();
    EXPECT_TRUE(ran.load());
}

TEST_F(ThreadComponentTest, PauseAndResumeFromDifferentThreads)
{
    TThreadComponent component;
    std::atomic<int> rounds{0};
    component.OnExecute = [&](TComponentBaseThread* self, void*) {
        while (!self->Terminated()) {
            self->WaitWhilePaused();
            rounds.fetch_add(1);
            core::Sleep(1);
        }
    };
    TComponentBaseThread* thread = component.Execute();
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return rounds.load() > 0; }));
    thread->SetPaused(true);  // paused here, on the main thread ...
    core::Sleep(20);
    const int paused = rounds.load();
    core::Sleep(30);
    EXPECT_LE(rounds.load(), paused + 1);
    std::thread other([&] { thread->SetPaused(false); });  // ... resumed from another one
    other.join();
    ASSERT_TRUE(PumpUntil([&] { return rounds.load() > paused + 2; }));
    component.Terminate();
    component.WaitFor();
}

TEST_F(ThreadComponentTest, DestructionRunsTheCallsAWorkerWaitsFor)
{
    std::atomic<bool> synchronized{false};
    std::atomic<bool> inside{false};
    {
        TThreadComponent component;
        component.OnExecute = [&](TComponentBaseThread* self, void*) {
            inside.store(true);
            while (!self->Terminated())
                core::Sleep(1);
            self->SynchronizeCall([&] { synchronized.store(true); });
        };
        ASSERT_NE(component.Execute(), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return inside.load(); }));
    }
    EXPECT_TRUE(synchronized.load());
}

TEST_F(ThreadComponentTest, MessageDialogFromAWorkerRunsOnTheMainThread)
{
    TThreadComponent component;
    core::ThreadId shownOn = 0;
    std::atomic<int> answer{0};
    component.OnShowMessageDlgEvent = [&](const core::String& msg, TMsgDlgType, TMsgDlgButtons, int, uint16_t& result) {
        shownOn = core::CurrentThreadId();
        result = msg == u"continue?" ? 6 : 7;
    };
    component.OnExecute = [&](TComponentBaseThread*, void*) {
        answer.store(component.SynchMessageDlg(u"continue?", mtConfirmation, mbYes | mbNo, 0));
    };
    ASSERT_NE(component.Execute(), nullptr);
    component.WaitFor();
    EXPECT_EQ(answer.load(), 6);
    EXPECT_EQ(shownOn, core::MainThreadId());
}

TEST(CallUnderThreadMutex, SerialisesRoutinesOfTwoThreads)
{
    std::atomic<int> inside{0};
    std::atomic<int> maxInside{0};
    auto routine = [&](core::Object* sender) {
        EXPECT_EQ(sender, nullptr);
        const int now = inside.fetch_add(1) + 1;
        int seen = maxInside.load();
        while (now > seen && !maxInside.compare_exchange_weak(seen, now)) {
        }
        core::Sleep(20);
        inside.fetch_sub(1);
    };
    std::thread a([&] {
        for (int i = 0; i < 3; ++i)
            CallUnderThreadMutex(routine);
    });
    std::thread b([&] {
        for (int i = 0; i < 3; ++i)
            CallUnderThreadMutex(routine);
    });
    a.join();
    b.join();
    EXPECT_EQ(maxInside.load(), 1);
    // The mutex is released also when the routine raises.
    EXPECT_THROW(CallUnderThreadMutex([](core::Object*) { throw core::Exception(u"x"); }), core::Exception);
    std::thread c([&] { CallUnderThreadMutex(routine); });
    c.join();
}
