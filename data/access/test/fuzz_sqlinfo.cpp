// The SELECT parse and name normalising over arbitrary text: no crash, the table list's update ends
// however the parse ends, and every table index matches its place.
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

class UpperInfo : public TSQLInfo {
public:
    using TSQLInfo::TSQLInfo;
    TIdentCase IdentCase() const override { return icUpper; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    const String input = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    Command command;
    TCRTablesInfo tables(NewTableInfo<TCRTableInfo>);
    TColumnsInfo columns;
    try {
        command.SQLInfo().ParseTablesInfo(input, tables);
    } catch (const core::Exception&) {
        // The lexer refused a character.
    }
    if (tables.UpdateCount() != 0)
        std::abort();
    for (int i = 0; i < tables.Count(); ++i)
        if (tables.Items(i)->Index() != i || tables.IndexByName(tables.Items(i)->TableName()) < 0)
            std::abort();
    try {
        command.SQLInfo().ParseColumnsInfo(input, columns);
    } catch (const core::Exception&) {
    }
    UpperInfo upper(&command);
    for (bool quote : {false, true})
        for (bool unquote : {false, true}) {
            command.SQLInfo().NormalizeName(input, quote, unquote);
            upper.NormalizeName(input, quote, unquote);
        }
    TExtTableInfo info;
    command.SQLInfo().SplitObjectName(input, info);
    return 0;
}
