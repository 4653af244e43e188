// Thread identifiers and priorities of the host build (Linux). Priorities are kept but not applied:
// an ordinary user may not raise a thread's priority there, and the host build only runs tests.
#include "core/thread_os.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace core {

ThreadId CurrentThreadId()
{
    static thread_local const ThreadId id = ThreadId(::syscall(SYS_gettid));
    return id;
}

namespace detail {

bool ApplyThreadPriority(ThreadId, ThreadPriority) { return true; }

} // namespace detail

} // namespace core
