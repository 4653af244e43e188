// Scan then Expand of arbitrary text: the only failure is the lexer's own exception; the scanned
// names are distinct and the expansion leaves no reference to a known, active macro behind.
#include "data/access/macros.h"

#include "data/access/access.h"
#include "data/storage/storage.h"

#include "core/exception.h"

#include <cstdlib>
#include <string_view>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), InitAccessUnits(), true);
    (void)started;
    const String input = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    TMacros macros;
    try {
        macros.Scan(input);
    } catch (const core::Exception&) {
        return 0;
    }
    for (int i = 0; i < macros.Count(); ++i) {
        if (macros.FindMacro(macros[i]->Name()) != macros[i])
            std::abort();
        macros[i]->SetValue(u"v");
    }
    // A second scan of the same text changes nothing.
    TMacros before;
    before.Assign(macros);
    macros.Scan(input);
    if (!macros.IsEqual(before))
        std::abort();
    String sql = input;
    try {
        macros.Expand(sql);
    } catch (const core::Exception&) {
        std::abort();  // the scan of the same text succeeded
    }
    if (macros.Count() == 0 && sql != input)
        std::abort();
    return 0;
}
