// Windows version facts and system information: the Win32 half.
#include "core/win32.h"

#include "support/fileversion.h"

#include <cstring>
#include "support/winversion.h"

namespace support {

namespace {

void FromSystemInfo(const SYSTEM_INFO& si, SystemInfoRec& info)
{
    info.processorArchitecture = si.wProcessorArchitecture;
    info.pageSize = si.dwPageSize;
    info.minimumApplicationAddress = reinterpret_cast<std::uintptr_t>(si.lpMinimumApplicationAddress);
    info.maximumApplicationAddress = reinterpret_cast<std::uintptr_t>(si.lpMaximumApplicationAddress);
    info.activeProcessorMask = si.dwActiveProcessorMask;
    info.numberOfProcessors = si.dwNumberOfProcessors;
    info.processorType = si.dwProcessorType;
    info.allocationGranularity = si.dwAllocationGranularity;
    info.processorLevel = si.wProcessorLevel;
    info.processorRevision = si.wProcessorRevision;
}

} // namespace

bool NativeSystemInfo(SystemInfoRec& info)
{
    SYSTEM_INFO si{};
    using Fn = void(WINAPI*)(LPSYSTEM_INFO);
    auto native = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo")));
    if (native)
        native(&si);
    else
        GetSystemInfo(&si);
    FromSystemInfo(si, info);
    return native != nullptr;
}

VersionFacts CollectVersionFacts()
{
    VersionFacts f;
    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = sizeof(ex);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex))) {
        f.productTypeKnown = true;
        f.productType = ex.wProductType;
    } else {
        // The plain record still gives the version; the product type then counts as unknown.
        OSVERSIONINFOW plain{};
        plain.dwOSVersionInfoSize = sizeof(plain);
        GetVersionExW(&plain);
        std::memcpy(&ex, &plain, sizeof(plain));
    }
#pragma GCC diagnostic pop
    f.platform = ex.dwPlatformId;
    f.major = ex.dwMajorVersion;
    f.minor = ex.dwMinorVersion;
    f.servicePack = reinterpret_cast<const char16_t*>(ex.szCSDVersion);
    f.serverR2Metric = GetSystemMetrics(SM_SERVERR2);
    SystemInfoRec info;
    NativeSystemInfo(info);
    f.nativeArchitecture = info.processorArchitecture;
    if (f.platform == kPlatformWindows9x) {
        TVSFixedFileInfo fixed;
        if (ReadFixedVersionInfo(u"kernel32.dll", fixed))
            f.kernelProductVersion = fixed.dwProductVersionMS;
    }
    return f;
}

} // namespace support
