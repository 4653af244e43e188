// File version information: fetching blocks and file names from the platform.
#include "core/win32.h"

#include "support/fileversion.h"
#include "support/syserror.h"
#include "support/winversion.h"

#include <psapi.h>

namespace support::fileversion_os {

namespace {
const wchar_t* W(const core::String& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
core::String S(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

// Closes a handle or frees a library when the scope ends, also when an exception passes.
struct ProcessHandle {
    HANDLE h;
    ~ProcessHandle() { if (h) CloseHandle(h); }
};
struct Library {
    HMODULE h;
    ~Library() { if (h) FreeLibrary(h); }
};
} // namespace

uint32_t InfoSize(const core::String& fileName)
{
    DWORD ignored = 0;
    return GetFileVersionInfoSizeW(W(fileName), &ignored);
}

bool ReadInfo(const core::String& fileName, std::string& block)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(W(fileName), &ignored);
    if (!size)
        return false;
    block.assign(size, '\0');
    return GetFileVersionInfoW(W(fileName), 0, size, block.data()) != 0;
}

core::String ModuleFile(std::uintptr_t module)
{
    wchar_t name[261] = {};
    const DWORD n = GetModuleFileNameW(reinterpret_cast<HMODULE>(module), name, 261);
    return core::String(reinterpret_cast<const char16_t*>(name), n);
}

core::String WindowProcessImage(std::uintptr_t window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &pid);
    ProcessHandle process{OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)};
    if (!process.h)
        throw ESysError(u"The process with ID " + core::UIntToStr(pid) + u" is not valid");
    if (OlderThanWindows2000(CurrentVersionFacts()))
        throw ESysWin32Error(u"This windows version is not supported");
    Library psapi{LoadLibraryW(L"Psapi.dll")};
    if (!psapi.h)
        throw ESysError(u"Library not found: Psapi.dll");
    using Fn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
    auto get = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(psapi.h, "GetModuleFileNameExW")));
    if (!get)
        throw ESysError(u"Function not found: Psapi.dll.GetModuleFileNameEx");
    wchar_t name[301] = {};
    const DWORD n = get(process.h, nullptr, name, 301);
    return core::String(reinterpret_cast<const char16_t*>(name), n);
}

core::String LanguageName(uint16_t langId)
{
    wchar_t name[260] = {};
    VerLanguageNameW(langId, name, 260);
    return S(name);
}

} // namespace support::fileversion_os
