// The library thread of the simulated remote-access library.
#include "sim/rasapi32/dispatcher.h"

#include "sim/rasapi32/codes.h"

#include <chrono>

namespace sim::rasapi32 {

Dispatcher::Dispatcher(Hooks hooks) : m_hooks(std::move(hooks)) {}

Dispatcher::~Dispatcher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void Dispatcher::StartLocked()
{
    if (m_thread.joinable() || m_stop)
        return;
    m_thread = std::thread([this] { Run(); });
    m_thread_id = m_thread.get_id();
}

uint32_t Dispatcher::HangUp(uint64_t handle)
{
    std::unique_lock lock(m_mutex);
    StartLocked();
    const int64_t now = m_hooks.now();
    m_engine.Advance(now);
    const Connection* c = m_engine.Find(handle);
    const uint64_t base = c ? c->handle : 0;
    const uint32_t result = m_engine.HangUp(now, handle);
    m_wake.notify_all();
    if (std::this_thread::get_id() != m_thread_id) {
        // Bounded: a notifier that never returns must not hang the caller for ever.
        m_settled.wait_for(lock, std::chrono::seconds(30), [&] { return m_delivering != base || base == 0; });
    }
    return result;
}

uint32_t Dispatcher::WaitForOutcome(uint64_t handle, int64_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    StartLocked();
    uint32_t result = code::kNoConnection;
    m_settled.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        m_engine.Advance(m_hooks.now());
        m_wake.notify_all();
        const Connection* c = m_engine.Find(handle);
        if (!c) {
            result = code::kInvalidHandle;
            return true;
        }
        switch (c->phase) {
        case Phase::Connected:
            result = code::kSuccess;
            return true;
        case Phase::Failed:
        case Phase::Dropped:
            result = c->error;
            return true;
        case Phase::HungUp:
            result = code::kUserDisconnection;
            return true;
        default:
            return false;
        }
    });
    return result;
}

void Dispatcher::Run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (m_hooks.pollCommands && m_engine.HasLive()) {
            lock.unlock();
            std::vector<String> lines = m_hooks.pollCommands();
            lock.lock();
            for (const String& line : lines)
                if (auto command = ParseCommand(line))
                    m_engine.Apply(m_hooks.now(), *command);
        }
        m_engine.Advance(m_hooks.now());
        std::vector<Event> events = m_engine.TakeEvents();
        for (const Event& event : events) {
            lock.unlock();
            if (m_hooks.observe)
                m_hooks.observe(event);
            lock.lock();
            // A hang-up that came in meanwhile silences the dial's notifier.
            const Connection* c = m_engine.Find(event.handle);
            if (!event.toNotifier || !m_hooks.deliver || !c || c->phase == Phase::HungUp || c->notificationsStopped)
                continue;
            m_delivering = c->handle;
            lock.unlock();
            const bool more = m_hooks.deliver(event);
            lock.lock();
            m_delivering = 0;
            if (!more)
                m_engine.StopNotifications(event.handle);
            m_settled.notify_all();
        }
        if (!events.empty()) {
            m_settled.notify_all();
            continue;
        }
        const int64_t now = m_hooks.now();
        int64_t waitMs = 60000;
        if (auto due = m_engine.NextDue())
            waitMs = std::max<int64_t>(0, *due - now);
        if (m_hooks.pollCommands && m_engine.HasLive())
            waitMs = std::min(waitMs, kCommandPollMs);
        if (waitMs > 0)
            m_wake.wait_for(lock, std::chrono::milliseconds(waitMs));
    }
}

} // namespace sim::rasapi32
