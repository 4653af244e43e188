// The Windows version table and the start-up facts.
#include "support/winversion.h"

#include "support/sysos.h"

#include <mutex>
#include <optional>

namespace support {

namespace {
std::mutex g_facts_mutex;
std::optional<VersionFacts> g_injected;
StartupFacts g_startup;
} // namespace

int WindowsVersionCode(const VersionFacts& f)
{
    const core::String sp = core::Trim(f.servicePack);
    if (f.platform == kPlatformWindows9x) {
        if (f.minor < 10)
            return sp == u"B" || sp == u"C" ? wvWin95OSR2 : wvWin95;
        if (f.minor == 90)
            return wvWinME;
        if (f.minor > 90)
            return wvUnknown;
        if (f.kernelProductVersion == 0x0004005A)
            return wvWinME;
        return sp == u"A" || sp == u"B" ? wvWin98SE : wvWin98;
    }
    if (f.platform != kPlatformNT)
        return wvUnknown;
    const bool workstation = f.productTypeKnown && f.productType == kProductWorkstation;
    switch (f.major) {
    case 3:
        return f.minor == 1 ? wvWinNT31 : f.minor == 5 ? wvWinNT35 : f.minor == 51 ? wvWinNT351 : wvUnknown;
    case 4:
        return wvWinNT4;
    case 5:
        if (f.minor == 0)
            return wvWin2000;
        if (f.minor == 1)
            return wvWinXP;
        if (f.minor == 2) {
            if (f.serverR2Metric != 0)
                return wvWin2003R2;
            if (f.nativeArchitecture != kArchitectureX86 && workstation)
                return wvWinXP64;
            return wvWin2003;
        }
        return wvUnknown;
    case 6:
        if (f.minor == 0)
            return workstation ? wvWinVista : wvWinServer2008;
        if (f.minor == 1)
            return workstation ? wvWin7 : wvWinServer2008R2;
        return wvUnknown;
    default:
        return wvUnknown;
    }
}

bool OlderThanWindows2000(const VersionFacts& f) { return f.platform != kPlatformNT || f.major < 5; }
bool NT4OrOlder(const VersionFacts& f) { return f.platform != kPlatformNT || f.major <= 4; }

VersionFacts CurrentVersionFacts()
{
    {
        std::lock_guard lock(g_facts_mutex);
        if (g_injected)
            return *g_injected;
    }
    return CollectVersionFacts();
}

int WindowsVersionCode() { return WindowsVersionCode(CurrentVersionFacts()); }

ScopedVersionFacts::ScopedVersionFacts(const VersionFacts& facts)
{
    std::lock_guard lock(g_facts_mutex);
    m_had = g_injected.has_value();
    if (m_had)
        m_saved = *g_injected;
    g_injected = facts;
}

ScopedVersionFacts::~ScopedVersionFacts()
{
    std::lock_guard lock(g_facts_mutex);
    if (m_had)
        g_injected = m_saved;
    else
        g_injected.reset();
}

StartupFacts MakeStartupFacts(const VersionFacts& facts, const SystemInfoRec& info)
{
    StartupFacts s;
    s.processorCount = info.numberOfProcessors;
    s.allocationGranularity = info.allocationGranularity;
    s.pageSize = info.pageSize;
    s.isNT = facts.platform == kPlatformNT;
    s.kernelProductVersion = s.isNT ? 0 : facts.kernelProductVersion;
    s.versionCode = WindowsVersionCode(facts);
    if (s.versionCode != wvUnknown)
        s.isRelease[size_t(s.versionCode)] = true;
    // NT 3.51 also counts as NT 3.5; all three count as NT 3.
    if (s.versionCode == wvWinNT351)
        s.isRelease[wvWinNT35] = true;
    s.isWinNT3 = s.isRelease[wvWinNT31] || s.isRelease[wvWinNT35] || s.isRelease[wvWinNT351];
    return s;
}

void InitSystemInfo()
{
    SystemInfoRec info;
    NativeSystemInfo(info);
    g_startup = MakeStartupFacts(CurrentVersionFacts(), info);
}

const StartupFacts& SystemFacts() { return g_startup; }

} // namespace support

namespace support {

namespace {
// The resource-meter library of the 9x family; nothing in this system loads it.
std::uintptr_t g_resource_meter = 0;
} // namespace

void FinalizeSystemInfo()
{
    sysos::FreeLibraryModule(g_resource_meter);
    g_resource_meter = 0;
}

} // namespace support
