// Worker threads with the platform's life cycle (created suspended or not, cooperative termination,
// free on terminate, a termination event on the main thread), and the queue through which worker
// threads have calls run on the main thread (Synchronize waits for the call, Queue does not).
//
// The main thread is the thread that called SetMainThread() (program entry and test set-up do). When
// nobody did, the first thread that constructs a Thread or asks for the main thread becomes it.
// The main thread services the queue with CheckSynchronize(); the UI layer installs a WakeMainThread
// hook that posts its message loop a message whenever a call is queued.
//
// Threads cannot be stopped from outside: there is no portable way to kill or suspend a running
// thread, so every request to stop one (also a "forced" one) sets Terminated() and the thread's
// Execute is expected to look at it and return.
#pragma once

#include "core/object.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <type_traits>
#include <utility>

namespace core {

// The system's identifier of a thread (never 0 for a live thread).
using ThreadId = uint32_t;

ThreadId CurrentThreadId();
ThreadId MainThreadId();
// Makes the calling thread the main thread.
void SetMainThread();

// Runs the calls queued for the main thread, waiting up to timeoutMs for the first one when none is
// pending. Returns whether any call ran. Raises EThread when called from another thread.
// An exception of a queued (asynchronous) call goes to the application's exception handler.
bool CheckSynchronize(uint32_t timeoutMs = 0);

// Called, on the queuing thread, each time a call is queued for the main thread.
void SetWakeMainThread(std::function<void()> hook);

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class Thread : public Object {
public:
    // A thread created suspended runs when Start() is called. One not created suspended starts as
    // soon as it is complete: through Create<T>(), or by a Start() at the end of the most-derived
    // constructor (a base constructor cannot start it: Execute would run before the object exists).
    explicit Thread(bool createSuspended);
    // Deleting a thread that is still running sets Terminated() and waits for it to end (on the main
    // thread, running queued calls meanwhile); a thread never started is freed without running
    // (no Execute, no OnTerminate). Never delete a thread from its own OnTerminate: it waits there
    // for that call to return. Use FreeOnTerminate instead.
    ~Thread() override;

    // Deleting stops the thread before any destructor runs, so that Execute never sees its object
    // half destroyed. Threads therefore live on the heap, like the platform's.
    static void operator delete(Thread* thread, std::destroying_delete_t);
    // The allocation that pairs with it; the plain delete frees an object whose constructor threw.
    static void* operator new(std::size_t size);
    static void operator delete(void* block);

    // Makes a T and starts it unless it was created suspended. With FreeOnTerminate set, the pointer
    // returned may already be dangling.
    template <class T, class... Args>
    static T* Create(Args&&... args);

    // Starts a thread that has not run yet. Raises EThread when it has started already, or when the
    // system cannot make a thread.
    void Start();
    // Asks the thread to end: sets Terminated(); Execute decides when to return.
    void Terminate();
    bool Terminated() const { return m_terminated.load(std::memory_order_acquire); }
    // Waits until the thread has finished (OnTerminate included) and returns ReturnValue(). On the
    // main thread, queued calls run while waiting. Raises EThread when called from the thread itself,
    // for a thread never started, or for one that frees itself.
    int WaitFor();

    bool Started() const;
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // 0 until the thread has started.
    ThreadId ThreadID() const;
    // The exception that ended Execute, if any. It never leaves the thread otherwise.
    std::exception_ptr FatalException() const;
    int ReturnValue() const { return m_return_value.load(std::memory_order_acquire); }
    void SetReturnValue(int value) { m_return_value.store(value, std::memory_order_release); }
    // When set, the object deletes itself once the thread has finished (after OnTerminate). Such a
    // thread must not be touched from outside once it runs.
    bool FreeOnTerminate() const { return m_free_on_terminate.load(std::memory_order_acquire); }
    void SetFreeOnTerminate(bool value) { m_free_on_terminate.store(value, std::memory_order_release); }
    ThreadPriority Priority() const;
    void SetPriority(ThreadPriority priority);

    // Run on the main thread (through Synchronize) after Execute has returned. Assign before Start.
    std::function<void(Thread* sender)> OnTerminate;

    // Runs method on the main thread and waits until it has run; an exception it raises is raised
    // again here. Called on the main thread, it runs method directly.
    void Synchronize(std::function<void()> method) { Synchronize(this, std::move(method)); }
    // Has method run on the main thread later, without waiting. Called on the main thread, it runs
    // method directly.
    void Queue(std::function<void()> method) { Queue(this, std::move(method)); }
    // The same from any thread; thread (may be null) is what RemoveQueuedEvents matches.
    static void Synchronize(Thread* thread, std::function<void()> method);
    static void Queue(Thread* thread, std::function<void()> method);
    // Drops the queued calls of a thread that have not run yet, so that none outlives it.
    static void RemoveQueuedEvents(Thread* thread);

    // The Thread object whose Execute the caller runs in, or null.
    static Thread* CurrentThread();

protected:
    // The thread's work. Runs only when the thread was not terminated before it started.
    virtual void Execute() = 0;
    // Called by Terminate after the flag is set: a thread that sleeps on an event signals it here.
    virtual void TerminatedSet() {}
    // Runs OnTerminate on the main thread.
    virtual void DoTerminate();

private:
    static void Run(Thread* self);
    // Ends the thread (terminate and wait) unless the caller is the thread itself.
    void StopBeforeDestruction() noexcept;
    void WaitUntilFinished() noexcept;

    mutable std::mutex m_lock;
    std::condition_variable m_state_changed;
    std::thread m_thread;
    bool m_started = false;          // guarded by m_lock
    bool m_start_returned = false;   // guarded by m_lock: Start() no longer touches the object
    ThreadId m_thread_id = 0;        // guarded by m_lock
    std::exception_ptr m_fatal;      // guarded by m_lock
    ThreadPriority m_priority = ThreadPriority::Normal;  // guarded by m_lock
    const bool m_create_suspended;
    std::atomic<bool> m_terminated = false;
    std::atomic<bool> m_finished = false;
    std::atomic<bool> m_free_on_terminate = false;
    std::atomic<int> m_return_value = 0;
};

template <class T, class... Args>
T* Thread::Create(Args&&... args)
{
    static_assert(std::is_base_of_v<Thread, T>, "Create makes threads");
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "threads are freed with the plain delete");
    T* thread = new T(std::forward<Args>(args)...);
    if (!static_cast<Thread*>(thread)->m_create_suspended) {
        try {
            thread->Start();
        } catch (...) {
            delete thread;
            throw;
        }
    }
    return thread;
}

} // namespace core
