// A timer component with a hidden window of its own, so that data-access components receive periodic
// events wherever they live. Events arrive on the creating thread through its message loop. Windows
// only (win32timer_win32.cpp).
#pragma once

#include "core/component.h"

#include <cstdint>
#include <functional>

namespace data {

class TWin32Timer : public core::Component {
public:
    using TNotifyEvent = std::function<void(core::Object* Sender)>;

    // Enabled, 1000 ms; nothing runs until OnTimer is assigned.
    explicit TWin32Timer(core::Component* AOwner = nullptr);
    ~TWin32Timer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // Always restarts, even with the same handler.
    void SetOnTimer(TNotifyEvent value);

    // The timer's window (an HWND).
    void* WindowHandle() const { return FWindowHandle; }

protected:
    // Stops the timer and starts it again when Enabled, Interval and OnTimer are all set;
    // EOutOfResources "Not enough timers available" when the system has none left.
    virtual void UpdateTimer();
    // Runs OnTimer.
    virtual void Timer();

private:
    friend struct TimerWindow;

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    void* FWindowHandle = nullptr;
};

} // namespace data
