// Tick counts of the host build: the monotonic clock, which on Linux also counts from system start.
#include "core/tick.h"

#include <time.h>

namespace core {

uint64_t GetTickCount64()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
}

uint32_t GetTickCount() { return uint32_t(GetTickCount64()); }

} // namespace core
