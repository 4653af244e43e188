// The little of threads that the operating system must answer: identifiers and priorities.
// Implemented by thread_win32.cpp and, for the host build, thread_host.cpp.
#pragma once

#include "core/thread.h"

namespace core::detail {

// Sets the priority of a running thread of this process; false when the system refused.
bool ApplyThreadPriority(ThreadId thread, ThreadPriority priority);

} // namespace core::detail
