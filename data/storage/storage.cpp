// The units of the data-access library, started in unit order and finished in reverse.
#include "data/storage/storage.h"

#include "data/storage/encoding.h"
#include "data/storage/memdata.h"
#include "data/storage/memutils.h"
#include "data/storage/parser.h"

namespace data {

namespace {

int g_init_count = 0;

struct Unit {
    void (*init)();
    void (*done)();
};

constexpr Unit kUnits[] = {
    {InitEncodingUnit, DoneEncodingUnit},
    {InitMemUtilsUnit, DoneMemUtilsUnit},
    {InitParserUnit, DoneParserUnit},
    {InitMemDataUnit, DoneMemDataUnit},
};

} // namespace

void InitStorageUnits()
{
    if (g_init_count++ > 0)
        return;
    size_t started = 0;
    try {
        for (; started < std::size(kUnits); ++started)
            kUnits[started].init();
    } catch (...) {
        while (started-- > 0)
            kUnits[started].done();
        --g_init_count;
        throw;
    }
}

void DoneStorageUnits()
{
    if (g_init_count == 0 || --g_init_count > 0)
        return;
    for (size_t i = std::size(kUnits); i-- > 0;)
        kUnits[i].done();
}

} // namespace data
