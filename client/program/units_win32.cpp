// The program's unit table and the loops that start and end it.
#include "client/program/units.h"

#include "client/globals.h"
#include "data/access/access.h"
#include "data/storage/storage.h"
#include "dialup/dialsubs.h"
#include "skin/controls/skinned.h"
#include "support/icmpecho.h"
#include "support/jsonobject.h"
#include "support/sysunits.h"

#include <iterator>

namespace client::program {

namespace {

// Libraries first, the client's own units last, as each unit may use those above it.
constexpr ProgramUnit kUnits[] = {
    // First in, last out: its finalisation checks that every JSON value the units above held is gone.
    {"jsonobject", nullptr, support::FinalizeJsonUnit},
    {"system units", support::InitializeSysUnits, support::FinalizeSysUnits},
    {"PingComponent", support::PingComponentInitialize, support::PingComponentFinalize},
    {"dialsubs", dialup::InitialiseDialup, dialup::FinaliseDialup},
    {"skin controls", skin::InitSkinControls, skin::DoneSkinControls},
    {"storage", data::InitStorageUnits, data::DoneStorageUnits},
    {"access", data::InitAccessUnits, data::DoneAccessUnits},
    {"client", client::InitClientUnits, nullptr},
};

// How many units of the table have started; only those are finalised.
size_t g_started = 0;

} // namespace

std::span<const ProgramUnit> ProgramUnits() { return kUnits; }

void InitialiseUnits(const std::function<void(const ProgramUnit&)>& starting)
{
    for (const ProgramUnit& unit : ProgramUnits().subspan(g_started)) {
        if (starting)
            starting(unit);
        // Counted before the start-up runs: one that fails half-way still gets its finalisation.
        ++g_started;
        if (unit.init)
            unit.init();
    }
}

void FinaliseUnits(const std::function<void(const ProgramUnit&)>& ending)
{
    while (g_started > 0) {
        const ProgramUnit& unit = ProgramUnits()[--g_started];
        if (ending)
            ending(unit);
        if (unit.done)
            unit.done();
    }
}

} // namespace client::program
