// Synchronisation objects of one process: the recursive critical section, and the waitable event,
// semaphore and mutex with the platform's wait semantics (time-outs in milliseconds, INFINITE, the
// abandoned state of a mutex whose owner ended). WaitForAny waits for the first of several of them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>

namespace core {

// The Windows headers define INFINITE as a macro of the same value; where they came first, that
// macro serves and this constant must not be declared.
#ifndef INFINITE
inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;
#endif

enum class WaitResult {
    Signaled,   // the object was signalled (and taken, for auto-reset events, semaphores and mutexes)
    Timeout,    // the time-out passed first
    Abandoned,  // a mutex whose owning thread ended without releasing it; the caller now owns it
    Error,      // the wait could not be made
};

// A recursive lock for short sections within one process. The thread that entered leaves.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }
    // Takes the section only when that needs no waiting (it is free or already the caller's).
    bool TryEnter() { return m_mutex.try_lock(); }

    // The standard lockable interface, for std::lock_guard and std::condition_variable_any.
    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

    // Holds the section for the life of a scope.
    class Lock {
    public:
        explicit Lock(CriticalSection& section) : m_section(section) { m_section.Enter(); }
        ~Lock() { m_section.Leave(); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CriticalSection& m_section;
    };

private:
    std::recursive_mutex m_mutex;
};

namespace detail {
class WaitCore;
}

// The outcome of WaitForAny: the result and the position of the object it concerns (-1 when the
// time-out passed or the wait could not be made).
struct WaitAnyResult {
    WaitResult result = WaitResult::Timeout;
    int index = -1;
};

// Base of the objects a thread can wait for.
class Waitable {
public:
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;
    virtual ~Waitable();

    // Waits up to timeoutMs milliseconds (INFINITE: without limit; 0: only tests) for the object and
    // takes it.
    WaitResult WaitFor(uint32_t timeoutMs);

protected:
    explicit Waitable(std::shared_ptr<detail::WaitCore> core);

    // The state is shared so that a mutex can be marked abandoned by a thread that ends after the
    // Mutex object itself is gone.
    std::shared_ptr<detail::WaitCore> m_core;

    friend WaitAnyResult WaitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs);
};

// An event: manual reset (stays signalled until ResetEvent, releases every waiter) or auto reset
// (releases one waiter, then resets itself).
class Event : public Waitable {
public:
    Event(bool manualReset, bool initialState);

    void SetEvent();
    void ResetEvent();
    bool IsSet() const;
};

// A counting semaphore: each wait takes one count; Release gives counts back up to the maximum.
class Semaphore : public Waitable {
public:
    // Raises EOSError (code 87) unless 0 <= initialCount <= maximumCount and maximumCount > 0.
    Semaphore(int32_t initialCount, int32_t maximumCount);

    // Waits without limit.
    void Acquire();
    // Adds count and returns the count before. A count that would pass the maximum leaves the
    // semaphore unchanged and raises EOSError (code 298); a count below 1 raises EOSError (code 87).
    int32_t Release(int32_t count = 1);
    int32_t Count() const;
};

// A recursive mutex of one process that can be waited for with a time-out and reports abandonment:
// when its owner thread ends without releasing it, the next waiter gets WaitResult::Abandoned and
// owns it. (Named mutexes shared between processes are a Win32 matter and not this class.)
class Mutex : public Waitable {
public:
    explicit Mutex(bool initiallyOwned = false);

    // Waits without limit. Returns Signaled or Abandoned; either way the caller owns the mutex.
    WaitResult Acquire();
    // Waits up to timeoutMs; true when the caller now owns the mutex (also after an abandonment).
    bool TryAcquire(uint32_t timeoutMs = 0);
    // Undoes one acquisition; false (and no change) when the calling thread does not own it.
    bool Release();
};

// Waits for the first of the objects to be signalled and takes only that one. When several are
// signalled, the earliest in the list wins. An empty list gives WaitResult::Error.
WaitAnyResult WaitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs);
inline WaitAnyResult WaitForAny(std::initializer_list<Waitable*> objects, uint32_t timeoutMs)
{
    return WaitForAny(std::span<Waitable* const>(objects.begin(), objects.size()), timeoutMs);
}

} // namespace core
