// Portable half of the tick functions: sleeping and the shared system clock.
#include "core/tick.h"

#include <chrono>
#include <thread>

namespace core {

void Sleep(uint32_t ms)
{
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Clock& SystemClock::Instance()
{
    static SystemClock clock;
    return clock;
}

} // namespace core
