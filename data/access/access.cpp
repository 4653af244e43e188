// The units of the database access layer, started in unit order and finished in reverse.
#include "data/access/access.h"

#include "data/access/mtscall.h"
#include "data/storage/unitgroup.h"

namespace data {

namespace {

// The coordinator binding starts unbound; its end frees what a distributed transaction loaded.
constexpr TUnitSteps kUnits[] = {
    {nullptr, FreeDtcLibrary},
};

constinit TUnitGroup g_units(kUnits);

} // namespace

void InitAccessUnits() { g_units.Start(); }

void DoneAccessUnits() { g_units.Finish(); }

} // namespace data
