// Worker threads on std::thread, and the process-wide queue of calls for the main thread.
//
// A queued call carries a sequence number: CheckSynchronize runs the calls that were queued when it
// began, so that a call which queues another cannot keep the main thread in one CheckSynchronize.
// The queue's condition variable is also signalled when a thread finishes, so that the main thread
// can wait for a thread and run the calls that thread is blocked on in one loop.
#include "core/thread.h"

#include "core/exception.h"
#include "core/sync.h"
#include "core/thread_os.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <system_error>

namespace core {

namespace {

struct SyncRequest {
    std::function<void()> method;
    Thread* thread = nullptr;
    uint64_t sequence = 0;
    bool synchronous = false;
    // For synchronous calls, guarded by the queue's lock.
    bool done = false;
    std::exception_ptr error;
    std::condition_variable ran;
};

struct SyncQueue {
    std::mutex lock;
    std::condition_variable changed;  // a call was queued or a thread finished
    std::deque<std::shared_ptr<SyncRequest>> calls;
    uint64_t next_sequence = 0;
    std::function<void()> wake;
};

SyncQueue& Calls()
{
    // Never destroyed: a thread that frees itself may still finish while the process exits.
    static SyncQueue* queue = new SyncQueue;
    return *queue;
}

std::atomic<ThreadId> g_main_thread{0};

thread_local Thread* t_current_thread = nullptr;

bool OnMainThread() { return CurrentThreadId() == MainThreadId(); }

void Post(std::shared_ptr<SyncRequest> request)
{
    SyncQueue& queue = Calls();
    std::function<void()> wake;
    {
        std::lock_guard guard(queue.lock);
        request->sequence = queue.next_sequence++;
        queue.calls.push_back(std::move(request));
        wake = queue.wake;
    }
    queue.changed.notify_all();
    if (wake) {
        try {
            wake();
        } catch (...) {
            // The queue is serviced all the same the next time the main thread looks at it.
        }
    }
}

} // namespace

// --- Main thread and queue ---

ThreadId MainThreadId()
{
    ThreadId main = g_main_thread.load(std::memory_order_acquire);
    if (main != 0)
        return main;
    const ThreadId me = CurrentThreadId();
    return g_main_thread.compare_exchange_strong(main, me, std::memory_order_acq_rel) ? me : main;
}

void SetMainThread()
{
    g_main_thread.store(CurrentThreadId(), std::memory_order_release);
}

void SetWakeMainThread(std::function<void()> hook)
{
    SyncQueue& queue = Calls();
    std::lock_guard guard(queue.lock);
    queue.wake = std::move(hook);
}

bool CheckSynchronize(uint32_t timeoutMs)
{
    const ThreadId me = CurrentThreadId();
    if (me != MainThreadId())
        throw EThread(u"CheckSynchronize called from thread $" + IntToHex(me, 8) +
                      u", which is NOT the main thread");

    SyncQueue& queue = Calls();
    std::unique_lock guard(queue.lock);
    if (queue.calls.empty()) {
        if (timeoutMs == 0)
            return false;
        auto pending = [&] { return !queue.calls.empty(); };
        if (timeoutMs == INFINITE)
            queue.changed.wait(guard, pending);
        else if (!queue.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), pending))
            return false;
    }
    const uint64_t end = queue.next_sequence;
    bool ran = false;
    while (!queue.calls.empty() && queue.calls.front()->sequence < end) {
        std::shared_ptr<SyncRequest> request = std::move(queue.calls.front());
        queue.calls.pop_front();
        guard.unlock();
        ran = true;
        std::exception_ptr error;
        try {
            request->method();
        } catch (...) {
            if (request->synchronous)
                error = std::current_exception();
            else
                HandleException();
        }
        guard.lock();
        if (request->synchronous) {
            request->error = std::move(error);
            request->done = true;
            request->ran.notify_all();
        }
    }
    return ran;
}

void Thread::Synchronize(Thread* thread, std::function<void()> method)
{
    if (!method)
        return;
    if (OnMainThread()) {
        method();
        return;
    }
    auto request = std::make_shared<SyncRequest>();
    request->method = std::move(method);
    request->thread = thread;
    request->synchronous = true;
    Post(request);
    {
        std::unique_lock guard(Calls().lock);
        request->ran.wait(guard, [&] { return request->done; });
    }
    if (request->error)
        std::rethrow_exception(request->error);
}

void Thread::Queue(Thread* thread, std::function<void()> method)
{
    if (!method)
        return;
    if (OnMainThread()) {
        method();
        return;
    }
    auto request = std::make_shared<SyncRequest>();
    request->method = std::move(method);
    request->thread = thread;
    Post(std::move(request));
}

void Thread::RemoveQueuedEvents(Thread* thread)
{
    SyncQueue& queue = Calls();
    std::lock_guard guard(queue.lock);
    // A synchronous call stays: its thread is blocked until it runs.
    std::erase_if(queue.calls, [thread](const auto& request) {
        return !request->synchronous && request->thread == thread;
    });
}

Thread* Thread::CurrentThread()
{
    return t_current_thread;
}

// --- Thread ---

Thread::Thread(bool createSuspended) : m_create_suspended(createSuspended)
{
    MainThreadId();  // the creator of the first thread is the main thread unless one was set
}

Thread::~Thread()
{
    // Normally done by operator delete already; this covers an object that was not deleted (one that
    // frees itself) and is a no-op then.
    StopBeforeDestruction();
}

void* Thread::operator new(std::size_t size)
{
    return ::operator new(size);
}

void Thread::operator delete(void* block)
{
    ::operator delete(block);
}

void Thread::operator delete(Thread* thread, std::destroying_delete_t)
{
    if (!thread)
        return;
    thread->StopBeforeDestruction();
    void* block = dynamic_cast<void*>(thread);
    thread->~Thread();
    ::operator delete(block);
}

void Thread::Start()
{
    std::unique_lock guard(m_lock);
    if (m_started || m_thread.joinable())
        throw EThread(u"Cannot call Start on a running or terminated thread");
    try {
        m_thread = std::thread(&Thread::Run, this);
    } catch (const std::system_error& error) {
        throw EThread(u"Thread creation error: " + FromUtf8(error.what()));
    }
    // The thread publishes its identifier before it runs anything, so ThreadID() is known from here.
    m_state_changed.wait(guard, [this] { return m_started; });
    // Until now a thread that frees itself must wait: this call still uses the object.
    m_start_returned = true;
    m_state_changed.notify_all();
}

void Thread::Terminate()
{
    m_terminated.store(true, std::memory_order_release);
    TerminatedSet();
}

int Thread::WaitFor()
{
    {
        std::lock_guard guard(m_lock);
        if (!m_started)
            throw EThread(u"Cannot call WaitFor on a thread that has not started");
        if (m_thread_id == CurrentThreadId())
            throw EThread(u"Cannot call WaitFor on the current thread");
    }
    if (FreeOnTerminate())
        throw EThread(u"Cannot call WaitFor on a thread that frees itself");
    WaitUntilFinished();
    return ReturnValue();
}

bool Thread::Started() const
{
    std::lock_guard guard(m_lock);
    return m_started;
}

ThreadId Thread::ThreadID() const
{
    std::lock_guard guard(m_lock);
    return m_thread_id;
}

std::exception_ptr Thread::FatalException() const
{
    std::lock_guard guard(m_lock);
    return m_fatal;
}

ThreadPriority Thread::Priority() const
{
    std::lock_guard guard(m_lock);
    return m_priority;
}

void Thread::SetPriority(ThreadPriority priority)
{
    std::lock_guard guard(m_lock);
    m_priority = priority;
    // Under the lock a started thread that has not finished is still alive, so its identifier cannot
    // have been reused by another thread.
    if (m_started && !Finished())
        detail::ApplyThreadPriority(m_thread_id, priority);
}

void Thread::DoTerminate()
{
    if (OnTerminate)
        Synchronize([this] { OnTerminate(this); });
}

void Thread::Run(Thread* self)
{
    t_current_thread = self;
    {
        std::lock_guard guard(self->m_lock);
        self->m_thread_id = CurrentThreadId();
        self->m_started = true;
        if (self->m_priority != ThreadPriority::Normal)
            detail::ApplyThreadPriority(self->m_thread_id, self->m_priority);
        self->m_state_changed.notify_all();
    }

    if (!self->Terminated()) {
        try {
            self->Execute();
        } catch (...) {
            std::lock_guard guard(self->m_lock);
            self->m_fatal = std::current_exception();
        }
    }
    try {
        self->DoTerminate();
    } catch (...) {
        HandleException();
    }

    bool freeSelf;
    {
        std::unique_lock guard(self->m_lock);
        self->m_state_changed.wait(guard, [self] { return self->m_start_returned; });
        freeSelf = self->FreeOnTerminate();
        self->m_finished.store(true, std::memory_order_release);
        // Notified under the lock: a waiter may delete the object as soon as it sees the flag.
        self->m_state_changed.notify_all();
    }
    {
        // The main thread may be waiting for this thread on the queue's condition variable.
        SyncQueue& queue = Calls();
        std::lock_guard guard(queue.lock);
    }
    Calls().changed.notify_all();
    t_current_thread = nullptr;
    if (freeSelf) {
        self->m_thread.detach();
        delete self;
    }
}

void Thread::StopBeforeDestruction() noexcept
{
    // Not joinable: never started, or already detached by a thread that is freeing itself.
    if (!m_thread.joinable()) {
        RemoveQueuedEvents(this);
        return;
    }
    if (m_thread.get_id() == std::this_thread::get_id()) {
        // Deleted by its own thread: it cannot wait for itself.
        m_thread.detach();
        RemoveQueuedEvents(this);
        return;
    }
    // Deleted from outside: the thread must not free itself as well.
    m_free_on_terminate.store(false, std::memory_order_release);
    try {
        if (!Finished())
            Terminate();
    } catch (...) {
        HandleException();
    }
    WaitUntilFinished();
    m_thread.join();
    RemoveQueuedEvents(this);
}

void Thread::WaitUntilFinished() noexcept
{
    if (!OnMainThread()) {
        std::unique_lock guard(m_lock);
        m_state_changed.wait(guard, [this] { return Finished(); });
        return;
    }
    // The thread may be blocked in Synchronize (OnTerminate, for one): run queued calls meanwhile.
    SyncQueue& queue = Calls();
    for (;;) {
        {
            std::unique_lock guard(queue.lock);
            queue.changed.wait(guard, [&] { return Finished() || !queue.calls.empty(); });
        }
        if (Finished())
            return;
        CheckSynchronize(0);
    }
}

} // namespace core
