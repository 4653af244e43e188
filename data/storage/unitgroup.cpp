#include "data/storage/unitgroup.h"

namespace data {

void TUnitGroup::Start()
{
    if (FNesting++ > 0)
        return;
    size_t started = 0;
    try {
        for (; started < FCount; ++started)
            if (FUnits[started].Init)
                FUnits[started].Init();
    } catch (...) {
        while (started-- > 0)
            if (FUnits[started].Done)
                FUnits[started].Done();
        --FNesting;
        throw;
    }
}

void TUnitGroup::Finish()
{
    if (FNesting == 0 || --FNesting > 0)
        return;
    for (size_t i = FCount; i-- > 0;)
        if (FUnits[i].Done)
            FUnits[i].Done();
}

} // namespace data
