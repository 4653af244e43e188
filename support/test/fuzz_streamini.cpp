// Fuzzes TStreamIniFile's loading: arbitrary bytes are loaded as a stream, every section and key is
// read back, and the saved document must load again into the same saved form.
#include "support/streamini.h"

#include "core/stream.h"
#include "core/stringlist.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace core;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::string Saved(support::TStreamIniFile& ini)
{
    StringStream out;
    Check(ini.SaveToStream(out));
    return out.DataString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    support::TStreamIniFile ini;
    StringStream in(std::string(reinterpret_cast<const char*>(data), size));
    Check(ini.LoadFromStream(in));

    StringList sections, keys, values;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        ini.ReadSection(sections[s], keys);
        ini.ReadSectionValues(sections[s], values);
        Check(keys.Count() == values.Count());
        for (int k = 0; k < keys.Count(); ++k)
            ini.ReadString(sections[s], keys[k], String());
    }

    const std::string first = Saved(ini);
    support::TStreamIniFile again;
    StringStream reread(first);
    Check(again.LoadFromStream(reread));
    Check(Saved(again) == first);
    return 0;
}
