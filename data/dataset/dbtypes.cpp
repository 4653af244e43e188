// Names of the field types and the database error.
#include "data/dataset/dbtypes.h"

#include "core/format.h"

namespace data {

String FieldTypeName(TFieldType type)
{
    static const char* const names[FieldTypeCount] = {
        "Unknown", "String", "Smallint", "Integer", "Word", "Boolean", "Float", "Currency", "BCD", "Date",
        "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo",
        "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint", "ADT",
        "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant", "Interface", "IDispatch", "Guid",
        "TimeStamp", "FMTBcd", "FixedWideChar", "WideMemo", "OraTimeStamp", "OraInterval", "LongWord",
        "Shortint", "Byte", "Extended", "Connection", "Params", "Stream", "TimeStampOffset", "Object",
        "Single",
    };
    return int(type) < FieldTypeCount ? core::S(names[type]) : core::S("Unknown");
}

bool IsBlobFieldType(TFieldType type)
{
    switch (type) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

std::vector<String> SplitFieldNames(StringView names)
{
    std::vector<String> result;
    size_t start = 0;
    while (start <= names.size()) {
        size_t stop = names.find(u';', start);
        if (stop == StringView::npos)
            stop = names.size();
        String name = core::Trim(names.substr(start, stop - start));
        if (!name.empty())
            result.push_back(name);
        start = stop + 1;
    }
    return result;
}

void DatabaseError(StringView message)
{
    throw EDatabaseError(String(message));
}

void DatabaseErrorFmt(StringView format, StringView argument)
{
    throw EDatabaseError(core::Format(format, {argument}));
}

} // namespace data
