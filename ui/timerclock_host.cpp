// The host has no window timers: its system clock is a manual clock that nothing advances.
#include "ui/timerclock.h"

namespace ui {

TimerClock& SystemTimerClock()
{
    static ManualTimerClock clock;
    return clock;
}

} // namespace ui
