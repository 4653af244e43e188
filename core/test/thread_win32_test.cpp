// What the Windows build asks of the system for threads and ticks: identifiers, priorities and the
// tick count agree with what other Win32 code sees.
#include "core/sync.h"
#include "core/thread.h"
#include "core/tick.h"
#include "core/win32.h"

#include <gtest/gtest.h>

#include <memory>

using namespace core;

namespace {

class PriorityThread : public Thread {
public:
    PriorityThread() : Thread(true) {}

    Event read{false, false};
    Event changed{false, false};
    int before = 0;
    int after = 0;

protected:
    void Execute() override
    {
        before = ::GetThreadPriority(::GetCurrentThread());
        read.SetEvent();
        changed.WaitFor(10000);
        after = ::GetThreadPriority(::GetCurrentThread());
    }
};

} // namespace

TEST(ThreadWin32, IdentifiersAreTheSystemsThreadIds)
{
    SetMainThread();
    EXPECT_EQ(CurrentThreadId(), ::GetCurrentThreadId());
    EXPECT_EQ(MainThreadId(), ::GetCurrentThreadId());
}

TEST(ThreadWin32, PriorityIsAppliedAtStartAndWhileRunning)
{
    SetMainThread();
    std::unique_ptr<PriorityThread> worker(new PriorityThread);
    worker->SetPriority(ThreadPriority::Higher);
    worker->Start();
    ASSERT_EQ(worker->read.WaitFor(10000), WaitResult::Signaled);
    worker->SetPriority(ThreadPriority::Lowest);
    worker->changed.SetEvent();
    worker->WaitFor();
    EXPECT_EQ(worker->before, THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(worker->after, THREAD_PRIORITY_LOWEST);
}

TEST(TickWin32, TickCountIsTheSystems)
{
    const uint32_t before = ::GetTickCount();
    const uint32_t ticks = core::GetTickCount();  // qualified: windows.h has one too
    const uint32_t after = ::GetTickCount();
    EXPECT_LE(TickDiff(before, ticks), TickDiff(before, after));
}
