// The system-utility family's unit table.
#include "support/sysunits.h"

#include "core/exception.h"
#include "support/chartables.h"
#include "support/syssync.h"
#include "support/sysos.h"
#include "support/winversion.h"

namespace support {

namespace {

// Several units live in one source file; their log paths tell them apart.
#define SYS_UNIT_RECORD(var, file, unit)                                                                    \
    const TUnitVersionInfo var = {u"$URL: support/" file " $", u"$Revision: 1 $",                          \
                                  u"$Date: 2026-12-11 00:00:00 +0000 (Fri, 11 Dec 2026) $", u"support/" unit, \
                                  u"", nullptr}

SYS_UNIT_RECORD(kSysSync, "syssync.cpp", "syssync");
SYS_UNIT_RECORD(kSysSharedBlocks, "syssync.cpp", "sharedblocks");
SYS_UNIT_RECORD(kAnsiTables, "chartables.cpp", "ansichartables");
SYS_UNIT_RECORD(kWinVersion, "winversion.cpp", "winversion");
SYS_UNIT_RECORD(kTextCompare, "chartables.cpp", "textcompare");
SYS_UNIT_RECORD(kWideTables, "chartables.cpp", "widechartables");
SYS_UNIT_RECORD(kUnitVersion, "unitversion.cpp", "unitversion");
SYS_UNIT_RECORD(kSysError, "syserror.cpp", "syserror");
SYS_UNIT_RECORD(kFileVersion, "fileversion.cpp", "fileversion");
SYS_UNIT_RECORD(kThreadPool, "threadpool.cpp", "threadpool");
SYS_UNIT_RECORD(kThreadComponent, "threadcomponent.cpp", "threadcomponent");
SYS_UNIT_RECORD(kFormBases, "exforms_win32.cpp", "exforms");

void Nothing() {}
void LoadAnsiTables()
{
    LoadAnsiCharTypes();
    LoadAnsiCaseMap();
}
void LoadWideTables()
{
    LoadWideCharTypes();
    LoadWideCaseMap();
}

const SysUnit kUnits[] = {
    {u"syssync", &kSysSync, Nothing, Nothing},
    {u"sharedblocks", &kSysSharedBlocks, InitializeSharedBlocks, FinalizeSharedBlocks},
    {u"ansichartables", &kAnsiTables, LoadAnsiTables, Nothing},
    {u"winversion", &kWinVersion, InitSystemInfo, FinalizeSystemInfo},
    {u"textcompare", &kTextCompare, InitTextComparison, FinalizeTextComparison},
    {u"widechartables", &kWideTables, LoadWideTables, Nothing},
    {u"unitversion", &kUnitVersion, Nothing, Nothing, true},
    {u"syserror", &kSysError, ReadAnsiReplacementChar, Nothing},
    {u"fileversion", &kFileVersion, Nothing, Nothing},
    // The worker-thread family registers the same way.
    {u"threadpool", &kThreadPool, Nothing, Nothing},
    {u"threadcomponent", &kThreadComponent, Nothing, Nothing},
    {u"exforms", &kFormBases, Nothing, Nothing},
};

size_t g_started = 0;

void FinalizeFirst(size_t count) noexcept
{
    const std::uintptr_t program = sysos::ProgramModule();
    for (size_t i = count; i-- > 0;) {
        const SysUnit& unit = kUnits[i];
        try {
            unit.finalize();
            if (unit.finalizesRegistry)
                ModuleUnitVersioning().Finalize();
            else
                UnregisterUnitVersion(program);
        } catch (...) {
            core::HandleException();
        }
    }
}

} // namespace

std::span<const SysUnit> SysUnits() { return kUnits; }

void InitializeSysUnits()
{
    if (g_started)
        return;
    // A start-up after an earlier shut-down gets a fresh registry.
    if (ModuleUnitVersioning().Finalized())
        ModuleUnitVersioning().Reset();
    const std::uintptr_t program = sysos::ProgramModule();
    size_t started = 0;
    try {
        for (const SysUnit& unit : kUnits) {
            RegisterUnitVersion(program, *unit.record);
            ++started;
            unit.initialize();
        }
    } catch (...) {
        FinalizeFirst(started);
        throw;
    }
    g_started = started;
}

void FinalizeSysUnits() noexcept
{
    FinalizeFirst(g_started);
    g_started = 0;
}

} // namespace support
