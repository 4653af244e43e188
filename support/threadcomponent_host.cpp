// Host stand-ins of the worker thread component's platform half: a process-wide recursive lock in
// place of the system-wide named mutex, and queued calls in place of GUI messages.
#include "support/threadcomponent.h"

#include "core/tick.h"

#include <mutex>

namespace support::detail {

namespace {
std::recursive_mutex& ThreadComponentMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}
} // namespace

void AcquireThreadComponentMutex() { ThreadComponentMutex().lock(); }
void ReleaseThreadComponentMutex() { ThreadComponentMutex().unlock(); }

void ServiceSentMessages() {}

void HandleOneMessage(uint32_t timeoutMs)
{
    if (core::CurrentThreadId() == core::MainThreadId())
        core::CheckSynchronize(timeoutMs);
    else
        core::Sleep(timeoutMs);
}

} // namespace support::detail
