// Timers and the manual clock.
#include "ui/timer.h"

#include "core/exception.h"

#include <atomic>

namespace ui {
namespace {

std::atomic<TimerClock*> g_clock{nullptr};

} // namespace

TimerClock& CurrentTimerClock()
{
    TimerClock* clock = g_clock.load();
    return clock ? *clock : SystemTimerClock();
}

void SetTimerClock(TimerClock* clock) { g_clock = clock; }

TimerClockGuard::TimerClockGuard(TimerClock& clock) : m_previous(g_clock.load()) { SetTimerClock(&clock); }

TimerClockGuard::~TimerClockGuard() { SetTimerClock(m_previous); }

Timer::Timer(core::Component* owner) : core::Component(owner) {}

Timer::~Timer()
{
    if (m_clock)
        m_clock->Cancel(*this);
}

void Timer::SetInterval(unsigned ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    UpdateTimer();
}

void Timer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    UpdateTimer();
}

void Timer::SetOnTimer(std::function<void(core::Object* sender)> handler)
{
    OnTimer = std::move(handler);
    UpdateTimer();
}

// Setting any property restarts the period, as the platform's timer does.
void Timer::UpdateTimer()
{
    if (m_clock) {
        m_clock->Cancel(*this);
        m_clock = nullptr;
    }
    if (m_interval > 0 && m_enabled && OnTimer) {
        m_clock = &CurrentTimerClock();
        m_clock->Schedule(*this, m_interval);
    }
}

void Timer::Tick() noexcept
{
    if (!OnTimer)
        return;
    try {
        // A copy: the handler may replace OnTimer or free the timer's owner's other parts.
        auto handler = OnTimer;
        handler(this);
    } catch (...) {
        core::HandleException();
    }
}

ManualTimerClock::~ManualTimerClock() = default;

void ManualTimerClock::Schedule(Timer& timer, unsigned intervalMs)
{
    m_entries[&timer] = Entry{intervalMs, m_now + intervalMs, m_order++};
}

void ManualTimerClock::Cancel(Timer& timer) { m_entries.erase(&timer); }

bool ManualTimerClock::IsScheduled(const Timer& timer) const { return m_entries.count(const_cast<Timer*>(&timer)) != 0; }

void ManualTimerClock::Advance(uint64_t ms)
{
    uint64_t end = m_now + ms;
    for (;;) {
        // The earliest due entry (ties by scheduling order); handlers may add or remove timers.
        Timer* next = nullptr;
        Entry best{};
        for (auto& [timer, entry] : m_entries) {
            if (entry.due > end)
                continue;
            if (!next || entry.due < best.due || (entry.due == best.due && entry.order < best.order)) {
                next = timer;
                best = entry;
            }
        }
        if (!next)
            break;
        m_now = best.due;
        auto& entry = m_entries[next];
        entry.due = m_now + std::max(entry.interval, 1u);
        entry.order = m_order++;
        next->Tick();
    }
    m_now = end;
}

} // namespace ui
