// Thread identifiers and priorities of the Windows build.
#include "core/thread_os.h"
#include "core/win32.h"

namespace core {

ThreadId CurrentThreadId() { return ::GetCurrentThreadId(); }

namespace detail {

bool ApplyThreadPriority(ThreadId thread, ThreadPriority priority)
{
    static constexpr int kLevels[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                      THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                      THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                      THREAD_PRIORITY_TIME_CRITICAL};
    HANDLE handle = ::OpenThread(THREAD_SET_INFORMATION, FALSE, thread);
    if (!handle)
        return false;
    const bool done = ::SetThreadPriority(handle, kLevels[int(priority)]) != FALSE;
    ::CloseHandle(handle);
    return done;
}

} // namespace detail

} // namespace core
