// What makes timers tick. The system clock (window timers on the GUI thread) is the default; tests
// install a manual clock and advance it by hand, so that timer-driven logic runs without waiting.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace ui {

class Timer;

class TimerClock {
public:
    virtual ~TimerClock() = default;
    // Starts (or restarts) the timer's period; the clock calls Timer::Tick each time it elapses.
    virtual void Schedule(Timer& timer, unsigned intervalMs) = 0;
    virtual void Cancel(Timer& timer) = 0;
};

// The clock timers use when they start: the system's unless one was installed (null puts the
// system's back). A timer keeps the clock it started on until it stops.
TimerClock& CurrentTimerClock();
void SetTimerClock(TimerClock* clock);
TimerClock& SystemTimerClock();

// A clock that moves only when told. Due timers tick in time order (equal times in the order they
// were scheduled); a timer re-arms itself for its next period after each tick.
class ManualTimerClock : public TimerClock {
public:
    ~ManualTimerClock() override;
    void Schedule(Timer& timer, unsigned intervalMs) override;
    void Cancel(Timer& timer) override;

    // Moves the clock forward, ticking every timer that falls due on the way.
    void Advance(uint64_t ms);
    uint64_t Now() const { return m_now; }
    bool IsScheduled(const Timer& timer) const;
    int ScheduledCount() const { return int(m_entries.size()); }

private:
    struct Entry {
        unsigned interval;
        uint64_t due;
        uint64_t order;
    };
    std::map<Timer*, Entry> m_entries;
    uint64_t m_now = 0;
    uint64_t m_order = 0;
};

// Installs a clock for the lifetime of the guard.
class TimerClockGuard {
public:
    explicit TimerClockGuard(TimerClock& clock);
    ~TimerClockGuard();
    TimerClockGuard(const TimerClockGuard&) = delete;
    TimerClockGuard& operator=(const TimerClockGuard&) = delete;

private:
    TimerClock* m_previous;
};

} // namespace ui
