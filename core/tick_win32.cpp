// Tick counts of the Windows build come from the system, so that they agree with the ticks other
// Win32 code reads (message times, timer callbacks).
#include "core/tick.h"
#include "core/win32.h"

namespace core {

uint32_t GetTickCount() { return uint32_t(::GetTickCount64()); }

uint64_t GetTickCount64() { return ::GetTickCount64(); }

} // namespace core
