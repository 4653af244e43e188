// Parameter scanning over arbitrary text, with a parameter list and with a rename prefix: no crash,
// and the text with "?" markers, scanned again, holds no parameter.
#include "data/access/crcommand.h"
#include "data/storage/storage.h"

#include <cstdlib>
#include <string_view>

using namespace data;

namespace {

class Command : public TCRCommand {
public:
    TSQLParserClass GetParserClass() const override { return NewParser<TSQLParser>; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    const String input = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    Command command;
    TParamDescs params;
    String marked;
    try {
        marked = command.ParseSQL(input, &params, true, u"");
        command.ParseSQL(input, nullptr, true, u"p_");
        command.ParseSQL(input, nullptr, false, u"");
    } catch (const core::Exception&) {
        return 0;  // the lexer refused a character
    }
    // The marked text holds only characters the lexer took, and "?".
    TParamDescs again;
    try {
        command.ParseSQL(marked, &again, true, u"");
    } catch (...) {
        std::abort();
    }
    if (again.Count() != 0)
        std::abort();
    return 0;
}
