// Identifier quoting and the statement's table list.
#include "data/access/sqlinfo.h"

#include "core/exception.h"

namespace data {

namespace {

bool IsAsciiLetter(Char Ch) { return (Ch >= u'A' && Ch <= u'Z') || (Ch >= u'a' && Ch <= u'z'); }

} // namespace

bool TSQLInfo::QuotesNeeded(StringView Value) const
{
    if (Value.empty())
        return false;
    if (!IsAsciiLetter(Value[0]))
        return true;
    for (Char ch : Value.substr(1)) {
        if (!IsAsciiLetter(ch) && !(ch >= u'0' && ch <= u'9') && ch != u'_' && ch != u'$')
            return true;
    }
    return false;
}

bool TSQLInfo::IsQuoted(StringView Value) const
{
    return Value.size() > 1 && Value.front() == LeftQuote() && Value.back() == RightQuote();
}

String TSQLInfo::Quote(StringView Value, Char LeftQ, Char RightQ) const
{
    if (IsQuoted(Value))
        return String(Value);
    String result;
    result.reserve(Value.size() + 2);
    result += LeftQ;
    result += Value;
    result += RightQ;
    return result;
}

TCRTableInfo* TCRTablesInfo::Add()
{
    FList.push_back(FTableInfoClass(this));
    TCRTableInfo* item = FList.back().get();
    item->SetIndex(Count() - 1);
    return item;
}

TCRTableInfo* TCRTablesInfo::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw core::Exception(u"List index out of bounds (" + core::IntToStr(Index) + u")");
    return FList[size_t(Index)].get();
}

} // namespace data
