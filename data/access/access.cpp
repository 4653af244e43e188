// The units of the database access layer, started in unit order and finished in reverse.
#include "data/access/access.h"

#include "data/access/macros.h"
#include "data/access/monitorclient.h"
#include "data/access/mtscall.h"
#include "data/access/netmanager.h"
#include "data/access/sqlmonitor.h"
#include "data/storage/storage.h"
#include "data/storage/unitgroup.h"

namespace data {

namespace {

// The storage units come first: the lexer's word lists that the macros and commands parse with are
// theirs. The coordinator binding starts unbound; its end frees what a distributed transaction
// loaded. The macro unit sets the macro character. The monitor client is made on first use; its
// unit's end frees it. The SQL monitor's hooks start and end unset. The network unit binds the
// service-control and network functions and makes the process's manager.
constexpr TUnitSteps kUnits[] = {
    {InitStorageUnits, DoneStorageUnits},
    {nullptr, FreeDtcLibrary},
    {InitMacrosUnit, nullptr},
    {nullptr, FreeDBMonitor},
    {ClearSQLMonitorHooks, ClearSQLMonitorHooks},
    {InitNetUnit, DoneNetUnit},
};

constinit TUnitGroup g_units(kUnits);

} // namespace

void InitAccessUnits() { g_units.Start(); }

void DoneAccessUnits() { g_units.Finish(); }

} // namespace data
