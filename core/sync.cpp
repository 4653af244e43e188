// Waitable objects on the standard library's mutex and condition variable. Each object keeps its state
// in a core guarded by one std::mutex; a wait tests the state under that lock and sleeps on the core's
// condition variable. WaitForAny registers a waiter with every core it watches, and each core wakes
// its registered waiters whenever it may have become available.
#include "core/sync.h"

#include "core/exception.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

#include <pthread.h>

namespace core {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The platform's codes and texts for the failures the objects report.
constexpr unsigned kErrorInvalidParameter = 87;
constexpr unsigned kErrorTooManyPosts = 298;

[[noreturn]] void RaiseOSError(unsigned code, const char16_t* text)
{
    throw EOSError(u"System Error.  Code: " + IntToStr(code) + u".\r\n" + text, code);
}

// One thread inside WaitForAny.
struct AnyWaiter {
    std::mutex lock;
    std::condition_variable wake;
    bool pending = false;
};

} // namespace

namespace detail {

class WaitCore : public std::enable_shared_from_this<WaitCore> {
public:
    virtual ~WaitCore() = default;

    // Takes the object for the calling thread when it is available; Timeout when it is not.
    // Called with lock held.
    virtual WaitResult TryTakeLocked() = 0;

    // Wakes every thread that waits for this object. Called with lock held, after a change that may
    // have made the object available.
    void SignalLocked()
    {
        changed.notify_all();
        for (AnyWaiter* waiter : any_waiters) {
            {
                std::lock_guard guard(waiter->lock);
                waiter->pending = true;
            }
            // The waiter cannot be gone yet: it unregisters under our lock, which we hold.
            waiter->wake.notify_all();
        }
    }

    std::mutex lock;
    std::condition_variable changed;
    std::vector<AnyWaiter*> any_waiters;
};

} // namespace detail

namespace {

using detail::WaitCore;

class EventCore final : public WaitCore {
public:
    EventCore(bool manualReset, bool signaled) : manual_reset(manualReset), signaled(signaled) {}

    WaitResult TryTakeLocked() override
    {
        if (!signaled)
            return WaitResult::Timeout;
        if (!manual_reset)
            signaled = false;
        return WaitResult::Signaled;
    }

    const bool manual_reset;
    bool signaled;
};

class SemaphoreCore final : public WaitCore {
public:
    SemaphoreCore(int32_t initial, int32_t maximum) : count(initial), maximum(maximum) {}

    WaitResult TryTakeLocked() override
    {
        if (count <= 0)
            return WaitResult::Timeout;
        --count;
        return WaitResult::Signaled;
    }

    int32_t count;
    const int32_t maximum;
};

class MutexCore;

// The mutexes a thread owns, so that they can be marked abandoned when the thread ends holding them.
// The list is handed to a thread-specific key, whose destructor runs when the thread ends: a
// thread_local object with a destructor is not safe here, because on MinGW the storage of thread
// locals can be freed before their destructors run.
struct OwnedMutexes {
    std::thread::id thread = std::this_thread::get_id();
    std::vector<std::shared_ptr<MutexCore>> items;
};

thread_local OwnedMutexes* t_owned = nullptr;

void AbandonOwned(void* list);

pthread_key_t OwnedKey()
{
    static const pthread_key_t key = [] {
        pthread_key_t created{};
        pthread_key_create(&created, &AbandonOwned);
        return created;
    }();
    return key;
}

OwnedMutexes& Owned()
{
    if (!t_owned) {
        t_owned = new OwnedMutexes;
        pthread_setspecific(OwnedKey(), t_owned);
    }
    return *t_owned;
}

class MutexCore final : public WaitCore {
public:
    WaitResult TryTakeLocked() override
    {
        const std::thread::id me = std::this_thread::get_id();
        if (owner == me) {
            if (recursion == INT32_MAX)
                return WaitResult::Error;
            ++recursion;
            return WaitResult::Signaled;
        }
        if (owner != std::thread::id())
            return WaitResult::Timeout;
        owner = me;
        recursion = 1;
        Owned().items.push_back(std::static_pointer_cast<MutexCore>(shared_from_this()));
        if (abandoned) {
            abandoned = false;
            return WaitResult::Abandoned;
        }
        return WaitResult::Signaled;
    }

    bool ReleaseLocked()
    {
        if (owner != std::this_thread::get_id())
            return false;
        if (--recursion > 0)
            return true;
        owner = std::thread::id();
        auto& items = Owned().items;
        auto it = std::find_if(items.begin(), items.end(), [this](const auto& item) { return item.get() == this; });
        if (it != items.end())
            items.erase(it);
        SignalLocked();
        return true;
    }

    // The owning thread is ending.
    void Abandon(std::thread::id thread)
    {
        std::lock_guard guard(lock);
        if (owner != thread)
            return;
        owner = std::thread::id();
        recursion = 0;
        abandoned = true;
        SignalLocked();
    }

    std::thread::id owner;
    int32_t recursion = 0;
    bool abandoned = false;
};

void AbandonOwned(void* list)
{
    std::unique_ptr<OwnedMutexes> owned(static_cast<OwnedMutexes*>(list));
    // Forgotten first: a mutex taken while the list is torn down starts a new one.
    t_owned = nullptr;
    for (const auto& core : owned->items)
        core->Abandon(owned->thread);
}

template <class Core>
Core& CoreOf(const std::shared_ptr<WaitCore>& core)
{
    return static_cast<Core&>(*core);
}

SteadyClock::time_point DeadlineAfter(uint32_t timeoutMs)
{
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
}

} // namespace

// --- Waitable ---

Waitable::Waitable(std::shared_ptr<detail::WaitCore> core) : m_core(std::move(core)) {}

Waitable::~Waitable() = default;

WaitResult Waitable::WaitFor(uint32_t timeoutMs)
{
    WaitCore& core = *m_core;
    std::unique_lock guard(core.lock);
    WaitResult result = core.TryTakeLocked();
    if (result != WaitResult::Timeout || timeoutMs == 0)
        return result;
    auto taken = [&] {
        result = core.TryTakeLocked();
        return result != WaitResult::Timeout;
    };
    if (timeoutMs == INFINITE)
        core.changed.wait(guard, taken);
    else if (!core.changed.wait_until(guard, DeadlineAfter(timeoutMs), taken))
        return WaitResult::Timeout;
    return result;
}

// --- Event ---

Event::Event(bool manualReset, bool initialState)
    : Waitable(std::make_shared<EventCore>(manualReset, initialState))
{
}

void Event::SetEvent()
{
    auto& core = CoreOf<EventCore>(m_core);
    std::lock_guard guard(core.lock);
    core.signaled = true;
    core.SignalLocked();
}

void Event::ResetEvent()
{
    auto& core = CoreOf<EventCore>(m_core);
    std::lock_guard guard(core.lock);
    core.signaled = false;
}

bool Event::IsSet() const
{
    auto& core = CoreOf<EventCore>(m_core);
    std::lock_guard guard(core.lock);
    return core.signaled;
}

// --- Semaphore ---

namespace {

std::shared_ptr<WaitCore> MakeSemaphoreCore(int32_t initialCount, int32_t maximumCount)
{
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount)
        RaiseOSError(kErrorInvalidParameter, u"The parameter is incorrect.");
    return std::make_shared<SemaphoreCore>(initialCount, maximumCount);
}

} // namespace

Semaphore::Semaphore(int32_t initialCount, int32_t maximumCount)
    : Waitable(MakeSemaphoreCore(initialCount, maximumCount))
{
}

void Semaphore::Acquire()
{
    WaitFor(INFINITE);
}

int32_t Semaphore::Release(int32_t count)
{
    if (count < 1)
        RaiseOSError(kErrorInvalidParameter, u"The parameter is incorrect.");
    auto& core = CoreOf<SemaphoreCore>(m_core);
    std::lock_guard guard(core.lock);
    if (count > core.maximum - core.count)
        RaiseOSError(kErrorTooManyPosts, u"Too many posts were made to a semaphore.");
    const int32_t previous = core.count;
    core.count += count;
    core.SignalLocked();
    return previous;
}

int32_t Semaphore::Count() const
{
    auto& core = CoreOf<SemaphoreCore>(m_core);
    std::lock_guard guard(core.lock);
    return core.count;
}

// --- Mutex ---

Mutex::Mutex(bool initiallyOwned) : Waitable(std::make_shared<MutexCore>())
{
    if (initiallyOwned) {
        std::lock_guard guard(m_core->lock);
        m_core->TryTakeLocked();
    }
}

WaitResult Mutex::Acquire()
{
    return WaitFor(INFINITE);
}

bool Mutex::TryAcquire(uint32_t timeoutMs)
{
    const WaitResult result = WaitFor(timeoutMs);
    return result == WaitResult::Signaled || result == WaitResult::Abandoned;
}

bool Mutex::Release()
{
    auto& core = CoreOf<MutexCore>(m_core);
    std::lock_guard guard(core.lock);
    return core.ReleaseLocked();
}

// --- WaitForAny ---

WaitAnyResult WaitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs)
{
    if (objects.empty() || std::find(objects.begin(), objects.end(), nullptr) != objects.end())
        return {WaitResult::Error, -1};

    AnyWaiter waiter;
    for (Waitable* object : objects) {
        WaitCore& core = *object->m_core;
        std::lock_guard guard(core.lock);
        core.any_waiters.push_back(&waiter);
    }
    struct Unregister {
        std::span<Waitable* const> objects;
        AnyWaiter* waiter;
        ~Unregister()
        {
            for (Waitable* object : objects) {
                WaitCore& core = *object->m_core;
                std::lock_guard guard(core.lock);
                auto& list = core.any_waiters;
                list.erase(std::find(list.begin(), list.end(), waiter));
            }
        }
    } unregister{objects, &waiter};

    const bool limited = timeoutMs != INFINITE;
    const auto deadline = limited ? DeadlineAfter(timeoutMs) : SteadyClock::time_point();
    for (;;) {
        // Clear the flag before testing, so that a signal arriving during the tests is not lost.
        {
            std::lock_guard guard(waiter.lock);
            waiter.pending = false;
        }
        for (size_t i = 0; i < objects.size(); ++i) {
            WaitCore& core = *objects[i]->m_core;
            std::lock_guard guard(core.lock);
            const WaitResult result = core.TryTakeLocked();
            if (result != WaitResult::Timeout)
                return {result, int(i)};
        }
        if (limited && SteadyClock::now() >= deadline)
            return {WaitResult::Timeout, -1};
        std::unique_lock guard(waiter.lock);
        if (limited)
            waiter.wake.wait_until(guard, deadline, [&] { return waiter.pending; });
        else
            waiter.wake.wait(guard, [&] { return waiter.pending; });
    }
}

} // namespace core
