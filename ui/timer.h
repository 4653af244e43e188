// The timer component: raises OnTimer every Interval milliseconds while Enabled. As on the platform,
// a timer runs only when it has an interval above zero, is enabled and has an OnTimer handler.
#pragma once

#include "core/component.h"
#include "ui/timerclock.h"

#include <functional>

namespace ui {

class Timer : public core::Component {
public:
    explicit Timer(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TTimer"; }
    ~Timer() override;

    // ---- Properties ----
    unsigned Interval() const { return m_interval; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Whether the timer is scheduled on a clock now.
    bool Running() const { return m_clock != nullptr; }

    // Assign OnTimer through this so that a timer waiting for its handler starts.
    void SetOnTimer(std::function<void(core::Object* sender)> handler);

    // Called by the clock when the period elapsed. Errors of the handler go to the application's
    // exception handler; nothing leaves this call.
    void Tick() noexcept;

    // ---- Events ----
    std::function<void(core::Object* sender)> OnTimer;

private:
    void UpdateTimer();

    unsigned m_interval = 1000;
    bool m_enabled = true;
    TimerClock* m_clock = nullptr;
};

} // namespace ui
