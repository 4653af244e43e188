// Kernel objects of the system-utility family: the Win32 half.
#include "core/win32.h"

#include "support/sysos.h"

namespace support::sysos {

namespace {
HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle Of(HANDLE h) { return reinterpret_cast<Handle>(h); }
const wchar_t* W(const core::String& s) { return s.empty() ? nullptr : reinterpret_cast<const wchar_t*>(s.c_str()); }
} // namespace

Handle CreateNamedMutex(const void* security, bool initiallyOwned, const core::String& name, bool& existed)
{
    HANDLE h = CreateMutexW(static_cast<SECURITY_ATTRIBUTES*>(const_cast<void*>(security)), initiallyOwned, W(name));
    existed = h && GetLastError() == ERROR_ALREADY_EXISTS;
    return Of(h);
}

Handle OpenNamedMutex(uint32_t access, bool inheritable, const core::String& name)
{
    return Of(OpenMutexW(access, inheritable, W(name)));
}

bool ReleaseMutexHandle(Handle mutex) { return ReleaseMutex(H(mutex)) != 0; }

uint32_t WaitHandle(Handle object, uint32_t timeoutMs, bool alertable)
{
    return WaitForSingleObjectEx(H(object), timeoutMs, alertable);
}

uint32_t SignalAndWaitHandles(Handle toSignal, Handle toWait, uint32_t timeoutMs, bool alertable)
{
    return SignalObjectAndWait(H(toSignal), H(toWait), timeoutMs, alertable);
}

bool CloseObject(Handle object) { return object && CloseHandle(H(object)) != 0; }

Handle OpenMapping(uint32_t access, const core::String& name) { return Of(OpenFileMappingW(access, FALSE, W(name))); }

Handle CreateMapping(uint32_t size, bool copyOnWrite, const core::String& name, bool& existed)
{
    HANDLE h = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, copyOnWrite ? PAGE_WRITECOPY : PAGE_READWRITE, 0,
                                  size, W(name));
    existed = h && GetLastError() == ERROR_ALREADY_EXISTS;
    return Of(h);
}

void* MapView(Handle mapping, uint32_t access, size_t size) { return MapViewOfFile(H(mapping), access, 0, 0, size); }

bool UnmapView(void* address) { return UnmapViewOfFile(address) != 0; }

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

std::uintptr_t ProgramModule() { return reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)); }

bool ModuleLoaded(std::uintptr_t module)
{
    wchar_t name[1024];
    return GetModuleFileNameW(reinterpret_cast<HMODULE>(module), name, 1024) != 0;
}

core::String LoadResourceText(std::uintptr_t module, uint32_t id)
{
    const HINSTANCE instance = module ? reinterpret_cast<HINSTANCE>(module) : GetModuleHandleW(nullptr);
    const wchar_t* text = nullptr;
    const int length = LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text ? core::String(reinterpret_cast<const char16_t*>(text), size_t(length)) : core::String();
}

void FreeLibraryModule(std::uintptr_t module)
{
    if (module)
        FreeLibrary(reinterpret_cast<HMODULE>(module));
}

} // namespace support::sysos
