// Which Windows release the program runs on, as the system-utility family numbers them, and the
// basic machine facts recorded at start-up. The version code is a pure function of the version
// facts, so every row of the table can be checked without that release; CurrentVersionFacts()
// collects the facts of the running system (winversion_win32.cpp, or the host stand-in).
#pragma once

#include "core/string.h"

#include <array>
#include <cstdint>

namespace support {

enum WindowsVersion : int {
    wvUnknown = 0, wvWin95 = 1, wvWin95OSR2 = 2, wvWin98 = 3, wvWin98SE = 4, wvWinME = 5, wvWinNT31 = 6,
    wvWinNT35 = 7, wvWinNT351 = 8, wvWinNT4 = 9, wvWin2000 = 10, wvWinXP = 11, wvWin2003 = 12, wvWinXP64 = 13,
    wvWin2003R2 = 14, wvWinVista = 15, wvWinServer2008 = 16, wvWin7 = 17, wvWinServer2008R2 = 18,
};
inline constexpr int kWindowsVersionCount = 19;

inline constexpr uint32_t kPlatformWindows9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
inline constexpr uint32_t kPlatformNT = 2;         // VER_PLATFORM_WIN32_NT
inline constexpr uint16_t kArchitectureX86 = 0;    // PROCESSOR_ARCHITECTURE_INTEL
inline constexpr uint16_t kArchitectureAmd64 = 9;
inline constexpr uint8_t kProductWorkstation = 1;  // VER_NT_WORKSTATION

struct VersionFacts {
    uint32_t platform = kPlatformNT;
    uint32_t major = 0;
    uint32_t minor = 0;
    core::String servicePack;                // as reported; compared trimmed
    bool productTypeKnown = false;           // the extended version query succeeded
    uint8_t productType = 0;
    int serverR2Metric = 0;                  // system metric 89
    uint16_t nativeArchitecture = kArchitectureX86;
    uint32_t kernelProductVersion = 0;       // 9x only: high half of kernel32's product version
};

int WindowsVersionCode(const VersionFacts& facts);

// The live facts, straight from the system (the OS layer).
VersionFacts CollectVersionFacts();
// The facts of the running system (a scoped replacement while one is set).
VersionFacts CurrentVersionFacts();
int WindowsVersionCode();

// Lets a test run the code that consults the live version against other facts.
class ScopedVersionFacts {
public:
    explicit ScopedVersionFacts(const VersionFacts& facts);
    ~ScopedVersionFacts();
    ScopedVersionFacts(const ScopedVersionFacts&) = delete;
    ScopedVersionFacts& operator=(const ScopedVersionFacts&) = delete;

private:
    bool m_had = false;
    VersionFacts m_saved;
};

// "Older than Windows 2000" and "NT 4 or older", decided on the platform and major version: the
// version code cannot tell, since its 0 also stands for every release after Windows 7.
bool OlderThanWindows2000(const VersionFacts& facts);
bool NT4OrOlder(const VersionFacts& facts);

// The platform's system information (SYSTEM_INFO), in portable fields.
struct SystemInfoRec {
    uint16_t processorArchitecture = 0;
    uint32_t pageSize = 0;
    std::uintptr_t minimumApplicationAddress = 0;
    std::uintptr_t maximumApplicationAddress = 0;
    std::uintptr_t activeProcessorMask = 0;
    uint32_t numberOfProcessors = 0;
    uint32_t processorType = 0;
    uint32_t allocationGranularity = 0;
    uint16_t processorLevel = 0;
    uint16_t processorRevision = 0;
};

// Through GetNativeSystemInfo when kernel32 has it (true), else the ordinary information (false).
bool NativeSystemInfo(SystemInfoRec& info);

struct StartupFacts {
    uint32_t processorCount = 0;
    uint32_t allocationGranularity = 0;
    uint32_t pageSize = 0;
    bool isNT = false;
    uint32_t kernelProductVersion = 0;
    int versionCode = wvUnknown;
    std::array<bool, kWindowsVersionCount> isRelease{};  // one flag per code; [0] unused
    bool isWinNT3 = false;                              // any of NT 3.1, 3.5, 3.51
};

StartupFacts MakeStartupFacts(const VersionFacts& facts, const SystemInfoRec& info);
// InitSystemInfo fills the process's facts; FinalizeSystemInfo frees what the unit holds.
void InitSystemInfo();
void FinalizeSystemInfo();
const StartupFacts& SystemFacts();

} // namespace support
