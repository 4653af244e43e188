// The library's own thread around the connection engine: it applies due states, reads commands and
// hands every event to the caller's notifier, outside the lock, so that a notifier may call back
// into the library (a hang-up from inside a notifier included).
#pragma once

#include "sim/rasapi32/engine.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sim::rasapi32 {

class Dispatcher {
public:
    struct Hooks {
        // Milliseconds of a steady clock.
        std::function<int64_t()> now;
        // Every event, in order, before it is delivered (the log, connection notifications).
        std::function<void(const Event&)> observe;
        // Calls the dial's notifier; false asks for no further notifications of that dial.
        std::function<bool(const Event&)> deliver;
        // Command lines that arrived since the last call; asked while connections are live.
        std::function<std::vector<String>()> pollCommands;
    };

    explicit Dispatcher(Hooks hooks);
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Runs f(engine, now) under the lock after applying due steps, then wakes the thread.
    template <class F>
    auto With(F&& f)
    {
        std::unique_lock lock(m_mutex);
        StartLocked();
        const int64_t now = m_hooks.now();
        m_engine.Advance(now);
        struct Wake {
            std::condition_variable& cv;
            ~Wake() { cv.notify_all(); }
        } wake{m_wake};
        return f(m_engine, now);
    }

    // Hangs up; unless called on the library's thread, returns only when no notifier call of that
    // connection is running any more, so that the caller may free what its notifier uses.
    uint32_t HangUp(uint64_t handle);
    // Waits until the dial is connected or has failed (synchronous dialling); its error or 0.
    uint32_t WaitForOutcome(uint64_t handle, int64_t timeoutMs);

    static constexpr int64_t kCommandPollMs = 50;

private:
    void StartLocked();
    void Run();

    Hooks m_hooks;
    Engine m_engine;
    std::mutex m_mutex;
    std::condition_variable m_wake;     // new work for the thread
    std::condition_variable m_settled;  // an event was handled, a delivery ended
    std::thread m_thread;
    std::thread::id m_thread_id;
    bool m_stop = false;
    uint64_t m_delivering = 0;          // handle whose notifier runs now
};

} // namespace sim::rasapi32
