// The dialect of the SQLite test provider: its functions, literals, macros and bracket quotes. Kept in
// the header so that tests and fuzz targets take it without the provider's library.
#pragma once

#include "data/access/sqlformatter.h"

namespace data::test_providers {

class TSQLiteSqlFormatter : public TUniSqlFormatter {
public:
    TSQLiteSqlFormatter()
    {
        AddFunction(u"UCASE", u"UPPER(%s)");
        AddFunction(u"LCASE", u"LOWER(%s)");
        AddFunction(u"NOW", u"DATETIME('now')");
        AddFunction(u"SUBSTRING", u"SUBSTR(%s, %s, %s)");
        AddFunction(u"CONCAT", u"(%s || %s)");
        AddFunction(u"__DATE_LITERAL", u"DATE(%s)");
        AddFunction(u"__TIME_LITERAL", u"TIME(%s)");
        AddFunction(u"__DATE_TIME_LITERAL", u"DATETIME(%s)");
        AddPredefinedMacro(u"SQLITE", u"");
        AddPredefinedMacro(u"AUTOINC", u"INTEGER PRIMARY KEY AUTOINCREMENT");
        AddPredefinedMacro(u"CURRENT", u"{fn NOW}");
    }

    Char LeftQuote() const override { return u'['; }
    Char RightQuote() const override { return u']'; }
};

} // namespace data::test_providers
