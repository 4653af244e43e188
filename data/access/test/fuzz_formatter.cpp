// The dialect formatter over arbitrary text with the SQLite test dialect and a few user macros (one of
// them referring to itself): every failure is one of our exceptions and leaves the text as it was.
#include "data/access/testing/sqliteformatter.h"

#include "data/storage/storage.h"

#include "core/exception.h"

#include <cstdlib>
#include <string_view>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    static core::StringList names, values;
    if (names.Count() == 0) {
        const std::pair<const Char*, const Char*> macros[] = {
            {u"TBL", u"orders"}, {u"A", u""}, {u"UP", u"{fn UCASE(x)}"}, {u"LOOP", u"{loop}"}, {u"TOP", u"LIMIT"}};
        for (const auto& [name, value] : macros) {
            names.Add(name);
            values.Add(value);
        }
    }
    const String input = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    test_providers::TSQLiteSqlFormatter formatter;
    formatter.SetUserMacros(&names, &values);
    String sql = input;
    try {
        formatter.Expand(sql);
    } catch (const core::Exception&) {
        if (sql != input)
            std::abort();
    }
    return 0;
}
