// The kernel objects of the system-utility family behind one thin layer: named mutexes, named
// memory blocks backed by the paging file, waits, and a few process facts. sysos_win32.cpp uses the
// Win32 API; sysos_host.cpp stands in with process-local objects of the same names, so that the
// logic on top (shared-block directory, unit-version registry) runs in the host build.
// Failures return 0 / nullptr / false and leave the reason in core::GetLastOSError().
#pragma once

#include "core/string.h"

#include <cstddef>
#include <cstdint>

namespace support::sysos {

using Handle = std::uintptr_t;  // 0: none

// Raw wait results, as the platform reports them.
inline constexpr uint32_t kWaitObject0 = 0;
inline constexpr uint32_t kWaitAbandoned = 0x80;
inline constexpr uint32_t kWaitIoCompletion = 0xC0;
inline constexpr uint32_t kWaitTimeout = 0x102;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFF;

inline constexpr uint32_t kErrorAlreadyExists = 183;

// `security` is a SECURITY_ATTRIBUTES pointer on Windows and ignored on the host.
Handle CreateNamedMutex(const void* security, bool initiallyOwned, const core::String& name, bool& existed);
Handle OpenNamedMutex(uint32_t access, bool inheritable, const core::String& name);
bool ReleaseMutexHandle(Handle mutex);
uint32_t WaitHandle(Handle object, uint32_t timeoutMs, bool alertable);
// Signals `toSignal` (a mutex is released) and waits for `toWait` in one step.
uint32_t SignalAndWaitHandles(Handle toSignal, Handle toWait, uint32_t timeoutMs, bool alertable);
bool CloseObject(Handle object);

// Named memory: `access` takes the platform's view access bits (see syssync.h).
Handle OpenMapping(uint32_t access, const core::String& name);
Handle CreateMapping(uint32_t size, bool copyOnWrite, const core::String& name, bool& existed);
void* MapView(Handle mapping, uint32_t access, size_t size);
bool UnmapView(void* address);

uint32_t CurrentProcessId();
// The module of the program itself.
std::uintptr_t ProgramModule();
// Whether the module is still loaded: its file name can be obtained (1024-character buffer).
bool ModuleLoaded(std::uintptr_t module);
// A string of a module's string table (module 0: the program's); empty when there is none.
core::String LoadResourceText(std::uintptr_t module, uint32_t id);
// Unloads a library module.
void FreeLibraryModule(std::uintptr_t module);

} // namespace support::sysos
