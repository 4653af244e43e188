// Record views, the registry's rules, and two module states sharing one registry.
#ifdef _WIN32
#include "core/win32.h"
#endif

#include "support/sysos.h"
#include "support/sysunits.h"
#include "support/unitversion.h"

#include "core/exception.h"

#include <gtest/gtest.h>

namespace support {
namespace {

const TUnitVersionInfo kUrl = {u" $URL: https://svn.example.org/lib/trunk/source/common/SysBase.pas $ ",
                               u"$Revision: 3072 $", u"$Date: 2009-11-05 18:19:08 +0100 (jeu., 05 nov. 2009) $",
                               u" source/common ", u"", nullptr};
const TUnitVersionInfo kRcs = {u"$RCSfile: SysBase.pas,v $", u"3072", u"11/05/2009 18:19:08", u"other", u"", nullptr};
const TUnitVersionInfo kDotted = {u"$URL: a/b/Dotted.pas $", u"", u"$Date: 05.11.2009 7:8:9x $", u"", u"", nullptr};
const TUnitVersionInfo kNoDate = {u"$URL: NoDate.pas $", u"", u"$Date: yesterday $", u"", u"", nullptr};
const TUnitVersionInfo kSlashTime = {u"x.pas", u"", u"2009/11/05 10/20/30", u"", u"", nullptr};
const TUnitVersionInfo kBadDate = {u"y.pas", u"", u"2009-13-05", u"", u"", nullptr};

TEST(UnitVersion, ViewsOfTheBanners)
{
    const TUnitVersion url(kUrl), rcs(kRcs);
    EXPECT_EQ(url.RCSfile(), u"SysBase.pas");
    EXPECT_EQ(rcs.RCSfile(), u"SysBase.pas");
    EXPECT_EQ(url.Revision(), u"3072");
    EXPECT_EQ(rcs.Revision(), u"3072");
    EXPECT_EQ(url.Date(), u"2009-11-05 18:19:08 +0100 (jeu., 05 nov. 2009)");
    EXPECT_EQ(url.LogPath(), u"source/common");
    EXPECT_EQ(TUnitVersion(kDotted).RCSfile(), u"Dotted.pas");
}

TEST(UnitVersion, DateTimeReadsTheDateForms)
{
    const core::TDateTime expected = core::EncodeDateTime(2009, 11, 5, 18, 19, 8, 0);
    EXPECT_DOUBLE_EQ(TUnitVersion(kUrl).DateTime(), expected);
    EXPECT_DOUBLE_EQ(TUnitVersion(kRcs).DateTime(), expected);
    EXPECT_DOUBLE_EQ(TUnitVersion(kDotted).DateTime(), core::EncodeDateTime(2009, 11, 5, 7, 8, 9, 0));
    EXPECT_DOUBLE_EQ(TUnitVersion(kSlashTime).DateTime(), core::EncodeDateTime(2009, 11, 5, 10, 20, 30, 0));
    EXPECT_EQ(TUnitVersion(kNoDate).DateTime(), 0);
    EXPECT_THROW(TUnitVersion(kBadDate).DateTime(), core::EConvertError);
}

TEST(UnitVersioning, RegistersSearchesAndUnregisters)
{
    TUnitVersioning registry;
    // Modules that are loaded: entries of unloaded ones are dropped when counted.
    const std::uintptr_t first = sysos::ProgramModule();
#ifdef _WIN32
    const std::uintptr_t second = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(L"kernel32.dll"));
    registry.RegisterModule(0x10000, kNoDate);  // no module lives there
#else
    const std::uintptr_t second = 0x2000;
#endif
    registry.RegisterModule(first, kUrl);
    registry.RegisterModule(first, kUrl);  // the same record again: kept once
    registry.RegisterModule(second, kRcs);
    registry.RegisterModule(first, kDotted);
    EXPECT_EQ(registry.ModuleCount(), 2);
    EXPECT_EQ(registry.Count(), 3);
    EXPECT_EQ(registry.Modules(0).Count(), 2);
    EXPECT_EQ(&registry.Items(2), &registry.Modules(1).Items(0));

    EXPECT_EQ(registry.IndexOf(u"sysbase.PAS", u"*"), 0);
    EXPECT_EQ(registry.IndexOf(u"SysBase.pas", u"OTHER"), 2);
    EXPECT_EQ(registry.IndexOf(u"SysBase.pas", u"nowhere"), -1);
    EXPECT_EQ(registry.IndexOf(u"Dotted.pas"), 1);
    ASSERT_NE(registry.FindUnit(u"SysBase.pas", u" other "), nullptr);
    EXPECT_EQ(registry.FindUnit(u"SysBase.pas", u"other")->Info(), &kRcs);
    EXPECT_EQ(registry.FindUnit(u"Missing.pas"), nullptr);
    EXPECT_THROW(registry.Items(3), core::EListError);

    registry.UnregisterModule(first);
    EXPECT_EQ(registry.ModuleCount(), 1);
    EXPECT_EQ(registry.IndexOf(u"SysBase.pas", u"*"), 0);
}

struct CountingProvider : TCustomUnitVersioningProvider {
    static inline int released = 0;
    void ReleaseModuleUnitVersioningInfo(std::uintptr_t) override { ++released; }
};

TEST(UnitVersioning, ProvidersAreRegisteredOncePerClass)
{
    TUnitVersioning registry;
    registry.RegisterProvider<CountingProvider>();
    registry.RegisterProvider<CountingProvider>();
    EXPECT_EQ(registry.ProviderCount(), 1);
    CountingProvider::released = 0;
    registry.UnregisterModule(0x1234);
    EXPECT_EQ(CountingProvider::released, 1);
}

// A process id no real process of this test has, so that the names are the test's own.
uint32_t TestProcessId()
{
    static uint32_t next = 0x7FFF0000;
    return ++next;
}

TEST(UnitVersioningState, ASecondModuleAdoptsTheFirstsRegistry)
{
    const uint32_t pid = TestProcessId();
    TUnitVersioningState exe(pid), library(pid);
    EXPECT_EQ(exe.MutexName(), u"MutexNPA_UnitVersioning_" + core::UIntToStr(pid));
    EXPECT_EQ(exe.BlockName(), u"ShmNPA_UnitVersioning_" + core::UIntToStr(pid));
    const std::uintptr_t program = sysos::ProgramModule();
    exe.RegisterUnitVersion(program, kUrl);
    library.RegisterUnitVersion(program, kRcs);
    EXPECT_TRUE(exe.Owner());
    EXPECT_FALSE(library.Owner());
    ASSERT_EQ(library.GetUnitVersioning(), exe.GetUnitVersioning());
    EXPECT_EQ(exe.GetUnitVersioning()->Count(), 2);

    // The adopting module's end leaves the registry published.
    library.Finalize();
    EXPECT_EQ(library.GetUnitVersioning(), nullptr);
    library.RegisterUnitVersion(program, kDotted);  // nothing once finalized
    EXPECT_EQ(exe.GetUnitVersioning()->Count(), 2);
}

TEST(UnitVersioningState, TheOwnersEndClearsTheBlock)
{
    const uint32_t pid = TestProcessId();
    TUnitVersioningState exe(pid), library(pid);
    const std::uintptr_t program = sysos::ProgramModule();
    exe.RegisterUnitVersion(program, kUrl);
    library.RegisterUnitVersion(program, kRcs);
    exe.Finalize();
    // The library re-reads the block, finds it cleared and makes a registry of its own.
    TUnitVersioning* fresh = library.GetUnitVersioning();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(library.Owner());
    EXPECT_EQ(fresh->Count(), 0);
    TUnitVersioningState late(pid);
    EXPECT_EQ(late.GetUnitVersioning(), fresh);
}

TEST(SysUnits, StartUpRegistersEveryUnitAndShutDownEndsTheRegistry)
{
    InitializeSysUnits();
    TUnitVersioning* registry = GetUnitVersioning();
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->Count(), int(SysUnits().size()));
    ASSERT_NE(registry->FindUnit(u"unitversion.cpp"), nullptr);
    EXPECT_EQ(registry->FindUnit(u"chartables.cpp", u"support/widechartables")->Revision(), u"1");
    EXPECT_GT(registry->FindUnit(u"syserror.cpp")->DateTime(), 0);
    for (const char16_t* file : {u"threadpool.cpp", u"threadcomponent.cpp", u"exforms_win32.cpp"})
        EXPECT_NE(registry->FindUnit(file), nullptr) << core::ToUtf8(file);
    FinalizeSysUnits();
    EXPECT_EQ(GetUnitVersioning(), nullptr);
    // A second start-up works with a fresh registry.
    InitializeSysUnits();
    EXPECT_EQ(GetUnitVersioning()->Count(), int(SysUnits().size()));
    FinalizeSysUnits();
}

} // namespace
} // namespace support
