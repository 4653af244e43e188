// System routines of the dial-up layer: the kind of the running system, folders, version
// resources and locale items.
#include "core/win32.h"

#include "dialup/dialsubs.h"
#include "dialup/rasapi_win32.h"
#include "dialup/tapiapi_win32.h"

#include <shlobj.h>

#include <vector>

namespace dialup {

namespace {

const wchar_t* W(const String& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
String FromW(const wchar_t* s) { return s ? String(reinterpret_cast<const char16_t*>(s)) : String(); }

} // namespace

void GetOSVersionInfo()
{
    // RtlGetVersion tells the truth whatever the manifest says; GetVersionExW is the fallback.
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    bool ok = false;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll"))
        if (auto get = reinterpret_cast<RtlGetVersionFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion"))))
            ok = get(&info) == 0;
    if (!ok) {
        info = {};
        info.dwOSVersionInfoSize = sizeof info;
        ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    OSVersion v;
    if (ok) {
        v.nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
        v.major = info.dwMajorVersion;
        v.minor = info.dwMinorVersion;
        v.build = info.dwBuildNumber;
        v.productType = info.wProductType;
        v.servicePack = FromW(info.szCSDVersion).substr(0, 128);
    }
    SetOSVersionInfo(v);
}

void InitialiseDialup()
{
    GetOSVersionInfo();
    const OSVersion v = OSVersionInfo();
    // Every 64-bit system is Vista or later.
    const OSKind kind = KindFromVersion(v.nt, v.major, v.minor);
    SetRasOSKind(sizeof(void*) == 8 && kind < OSVista ? OSVista : kind);
}

void FinaliseDialup()
{
    UnloadRasApi();
    Pdh().Unload();
    Tapi().Unload();
}

String RasGetWindowsDir()
{
    wchar_t buffer[261] = {};
    const UINT length = GetWindowsDirectoryW(buffer, 261);
    return length && length < 261 ? FromW(buffer) : String();
}

String GetSpecialFolder(int folder)
{
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &list)) || !list)
        return {};
    wchar_t buffer[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDListW(list, buffer);
    CoTaskMemFree(list);
    return ok ? FromW(buffer) : String();
}

String GetFileVerInfo(const String& fileName, const String& item)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(W(fileName), &handle);
    if (!size)
        return {};
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(W(fileName), 0, size, data.data()))
        return {};
    String key = u"040904E4";
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) && value && length >= 4) {
        WORD language = static_cast<const WORD*>(value)[0];
        WORD codePage = static_cast<const WORD*>(value)[1];
        if (!language)
            language = 1033;
        if (!codePage)
            codePage = 1252;
        wchar_t text[16];
        swprintf(text, 16, L"%.4x%.4x", language, codePage);
        key = FromW(text);
    }
    const String path = u"\\StringFileInfo\\" + key + u"\\" + item;
    if (!VerQueryValueW(data.data(), W(path), &value, &length) || !value || !length)
        return {};
    const auto* text = static_cast<const wchar_t*>(value);
    return FromW(text).substr(0, length);
}

bool RasDirExists(const String& path)
{
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirs(const String& path)
{
    String dir = path;
    while (!dir.empty() && (dir.back() == u'\\' || dir.back() == u'/'))
        dir.pop_back();
    if (dir.size() <= 2 || RasDirExists(dir))
        return true;
    const size_t slash = dir.find_last_of(u"\\/");
    if (slash != String::npos && !ForceDirs(dir.substr(0, slash)))
        return false;
    return CreateDirectoryW(W(dir), nullptr) || RasDirExists(dir);
}

String GetLocaleStr(int item)
{
    wchar_t buffer[256] = {};
    const int length = GetLocaleInfoW(0x800, static_cast<LCTYPE>(item), buffer, 256);
    return length > 0 ? FromW(buffer) : String();
}

} // namespace dialup
