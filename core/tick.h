// Millisecond tick counts, sleeping, and the clock that timing-dependent logic takes so that tests
// can drive time by hand.
#pragma once

#include <atomic>
#include <cstdint>

namespace core {

// Milliseconds since the system started. The 32-bit count wraps to 0 after about 49.7 days, as the
// platform's does; compare 32-bit ticks only through TickDiff.
uint32_t GetTickCount();
uint64_t GetTickCount64();

// Milliseconds from start to end, correct across one wrap of the 32-bit counter
// (TickDiff(0xFFFFFFF0, 0x10) == 0x20).
constexpr uint32_t TickDiff(uint32_t start, uint32_t end) { return end - start; }

// Suspends the calling thread for at least ms milliseconds; 0 gives up the rest of the time slice.
void Sleep(uint32_t ms);

// A source of 32-bit ticks. Code whose behaviour depends on elapsed time takes a Clock& so that tests
// can substitute a ManualClock.
class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    virtual uint32_t Ticks() const = 0;
};

// The system's tick count.
class SystemClock final : public Clock {
public:
    uint32_t Ticks() const override { return GetTickCount(); }

    // One shared instance for code that is not given a clock.
    static Clock& Instance();
};

// A clock that moves only when told to; safe to read and move from any thread.
class ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t ticks = 0) : m_ticks(ticks) {}

    uint32_t Ticks() const override { return m_ticks.load(std::memory_order_acquire); }
    void SetTicks(uint32_t ticks) { m_ticks.store(ticks, std::memory_order_release); }
    // Moves the clock forward; the count wraps like the system's.
    void Advance(uint32_t ms) { m_ticks.fetch_add(ms, std::memory_order_acq_rel); }

private:
    std::atomic<uint32_t> m_ticks;
};

} // namespace core
