// The Windows version table over injected version facts, and the start-up facts.
#include "support/winversion.h"

#include <gtest/gtest.h>

namespace support {
namespace {

VersionFacts Nt(uint32_t major, uint32_t minor, uint8_t productType = kProductWorkstation,
                uint16_t architecture = kArchitectureX86, int r2 = 0)
{
    VersionFacts f;
    f.platform = kPlatformNT;
    f.major = major;
    f.minor = minor;
    f.productTypeKnown = true;
    f.productType = productType;
    f.nativeArchitecture = architecture;
    f.serverR2Metric = r2;
    return f;
}

VersionFacts Nine(uint32_t minor, const char16_t* servicePack, uint32_t kernel = 0)
{
    VersionFacts f;
    f.platform = kPlatformWindows9x;
    f.major = 4;
    f.minor = minor;
    f.servicePack = servicePack;
    f.kernelProductVersion = kernel;
    return f;
}

TEST(WindowsVersionCode, CoversEveryRow)
{
    VersionFacts unknownProduct = Nt(6, 1);
    unknownProduct.productTypeKnown = false;
    VersionFacts otherPlatform = Nt(6, 1);
    otherPlatform.platform = 0;
    const struct {
        VersionFacts facts;
        int code;
    } cases[] = {
        {Nine(0, u""), wvWin95},
        {Nine(0, u" B "), wvWin95OSR2},
        {Nine(3, u"C"), wvWin95OSR2},
        {Nine(10, u""), wvWin98},
        {Nine(10, u"A"), wvWin98SE},
        {Nine(10, u"B"), wvWin98SE},
        {Nine(10, u"", 0x0004005A), wvWinME},
        {Nine(90, u""), wvWinME},
        {Nine(91, u""), wvUnknown},
        {Nt(3, 1), wvWinNT31},
        {Nt(3, 5), wvWinNT35},
        {Nt(3, 51), wvWinNT351},
        {Nt(3, 0), wvUnknown},
        {Nt(4, 0), wvWinNT4},
        {Nt(5, 0), wvWin2000},
        {Nt(5, 1), wvWinXP},
        {Nt(5, 2, 3), wvWin2003},
        {Nt(5, 2, 3, kArchitectureAmd64), wvWin2003},
        {Nt(5, 2, kProductWorkstation, kArchitectureAmd64), wvWinXP64},
        {Nt(5, 2, 3, kArchitectureAmd64, 1), wvWin2003R2},
        {Nt(5, 3), wvUnknown},
        {Nt(6, 0), wvWinVista},
        {Nt(6, 0, 3), wvWinServer2008},
        {Nt(6, 1), wvWin7},
        {Nt(6, 1, 2), wvWinServer2008R2},
        {unknownProduct, wvWinServer2008R2},
        {Nt(6, 2), wvUnknown},
        {Nt(6, 3), wvUnknown},
        {Nt(10, 0), wvUnknown},
        {otherPlatform, wvUnknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsVersionCode(c.facts), c.code)
            << c.facts.platform << " " << c.facts.major << "." << c.facts.minor << " " << core::ToUtf8(c.facts.servicePack);
}

TEST(WindowsVersionCode, OldSystemChecksUseTheVersionNotTheCode)
{
    EXPECT_FALSE(OlderThanWindows2000(Nt(10, 0)));
    EXPECT_FALSE(OlderThanWindows2000(Nt(5, 0)));
    EXPECT_TRUE(OlderThanWindows2000(Nt(4, 0)));
    EXPECT_TRUE(OlderThanWindows2000(Nine(10, u"")));
    EXPECT_FALSE(NT4OrOlder(Nt(6, 2)));
    EXPECT_TRUE(NT4OrOlder(Nt(4, 0)));
    EXPECT_TRUE(NT4OrOlder(Nine(90, u"")));
}

TEST(StartupFacts, SetOneFlagPerReleaseAndTheNT3Flags)
{
    SystemInfoRec info;
    info.numberOfProcessors = 4;
    info.pageSize = 4096;
    info.allocationGranularity = 65536;
    const StartupFacts win7 = MakeStartupFacts(Nt(6, 1), info);
    EXPECT_EQ(win7.processorCount, 4u);
    EXPECT_EQ(win7.pageSize, 4096u);
    EXPECT_TRUE(win7.isNT);
    EXPECT_TRUE(win7.isRelease[wvWin7]);
    EXPECT_FALSE(win7.isRelease[wvWinVista]);
    EXPECT_FALSE(win7.isWinNT3);

    const StartupFacts nt351 = MakeStartupFacts(Nt(3, 51), info);
    EXPECT_TRUE(nt351.isRelease[wvWinNT351]);
    EXPECT_TRUE(nt351.isRelease[wvWinNT35]);
    EXPECT_TRUE(nt351.isWinNT3);

    const StartupFacts me = MakeStartupFacts(Nine(10, u"", 0x0004005A), info);
    EXPECT_FALSE(me.isNT);
    EXPECT_EQ(me.kernelProductVersion, 0x0004005Au);
    EXPECT_TRUE(me.isRelease[wvWinME]);
}

TEST(StartupFacts, InjectedFactsReplaceTheLiveOnesForAScope)
{
    const int live = WindowsVersionCode();
    {
        ScopedVersionFacts xp(Nt(5, 1));
        EXPECT_EQ(WindowsVersionCode(), wvWinXP);
    }
    EXPECT_EQ(WindowsVersionCode(), live);
    SystemInfoRec info;
    NativeSystemInfo(info);
    EXPECT_GT(info.numberOfProcessors, 0u);
    EXPECT_GT(info.pageSize, 0u);
}

} // namespace
} // namespace support
