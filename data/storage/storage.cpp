// The units of the data-access library, started in unit order and finished in reverse.
#include "data/storage/storage.h"

#include "data/storage/encoding.h"
#include "data/storage/memdata.h"
#include "data/storage/memutils.h"
#include "data/storage/parser.h"
#include "data/storage/unitgroup.h"

namespace data {

namespace {

constexpr TUnitSteps kUnits[] = {
    {InitEncodingUnit, DoneEncodingUnit},
    {InitMemUtilsUnit, DoneMemUtilsUnit},
    {InitParserUnit, DoneParserUnit},
    {InitMemDataUnit, DoneMemDataUnit},
};

constinit TUnitGroup g_units(kUnits);

} // namespace

void InitStorageUnits() { g_units.Start(); }

void DoneStorageUnits() { g_units.Finish(); }

} // namespace data
