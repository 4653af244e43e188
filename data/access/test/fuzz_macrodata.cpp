// The "Data" reader over arbitrary bytes for a collection of three macros: it either reads every
// record or raises one of our exceptions and leaves the macros as they were.
#include "data/access/macros.h"

#include "data/access/access.h"
#include "data/storage/storage.h"

#include "core/exception.h"
#include "core/stream.h"

#include <cstdlib>
#include <string>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), InitAccessUnits(), true);
    (void)started;
    TMacros macros;
    macros.Scan(u"select &a from &b where &c");
    macros[1]->SetValue(u"kept");
    TMacros before;
    before.Assign(macros);
    core::StringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        macros.ReadData(stream);
    } catch (const core::Exception&) {
        if (!macros.IsEqual(before))
            std::abort();
        return 0;
    }
    for (int i = 0; i < macros.Count(); ++i)
        if (macros[i]->Value().size() > 1000)
            std::abort();
    return 0;
}
