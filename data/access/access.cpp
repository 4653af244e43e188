// The units of the database access layer, started in unit order and finished in reverse.
#include "data/access/access.h"

#include "data/access/macros.h"
#include "data/access/mtscall.h"

#include <iterator>

namespace data {

namespace {

int g_init_count = 0;

struct Unit {
    void (*init)();
    void (*done)();
};

// The coordinator binding starts unbound; its end frees what a distributed transaction loaded.
// The macro unit sets the macro character.
constexpr Unit kUnits[] = {
    {nullptr, FreeDtcLibrary},
    {InitMacrosUnit, nullptr},
};

} // namespace

void InitAccessUnits()
{
    if (g_init_count++ > 0)
        return;
    size_t started = 0;
    try {
        for (; started < std::size(kUnits); ++started) {
            if (kUnits[started].init)
                kUnits[started].init();
        }
    } catch (...) {
        while (started-- > 0) {
            if (kUnits[started].done)
                kUnits[started].done();
        }
        --g_init_count;
        throw;
    }
}

void DoneAccessUnits()
{
    if (g_init_count == 0 || --g_init_count > 0)
        return;
    for (size_t i = std::size(kUnits); i-- > 0;) {
        if (kUnits[i].done)
            kUnits[i].done();
    }
}

} // namespace data
