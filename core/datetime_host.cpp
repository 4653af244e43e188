// The local clock of the host build: the C library's real-time clock and time zone.
#include "core/datetime.h"

#include <algorithm>
#include <ctime>

namespace core {

TDateTime SystemNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    TDateTime value = 0;
    // A leap second reads as the last second of its minute.
    TryEncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      std::min(local.tm_sec, 59), int(now.tv_nsec / 1000000), value);
    return value;
}

} // namespace core
