// SQL information: quoting and normalising names per identifier case, splitting qualified names, the
// tables of a FROM clause, the items of a select list, and the table list's lookups.
#include "data/access/testing/scriptedcommand.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <vector>

using namespace data;
using namespace data::testing;

namespace {

class CaseInfo : public TSQLInfo {
public:
    CaseInfo(TCRCommand* Command, TIdentCase Case) : TSQLInfo(Command), m_case(Case) {}
    TIdentCase IdentCase() const override { return m_case; }

private:
    TIdentCase m_case;
};

// Square brackets, as some servers quote.
class BracketInfo : public TSQLInfo {
public:
    using TSQLInfo::TSQLInfo;
    Char LeftQuote() const override { return u'['; }
    Char RightQuote() const override { return u']'; }
};

TEST(SQLInfo, QuotingOfTheBaseDialect)
{
    TSQLInfo info;
    struct Case {
        const char16_t* value;
        bool needed;
        const char16_t* quoted;
        const char16_t* unquoted;
    } const cases[] = {
        {u"abc", false, u"\"abc\"", u"abc"},
        {u"A1", false, u"\"A1\"", u"A1"},
        {u"x$", false, u"\"x$\"", u"x$"},
        {u"a_1$B", false, u"\"a_1$B\"", u"a_1$B"},
        {u"1a", true, u"\"1a\"", u"1a"},
        {u"_a", true, u"\"_a\"", u"_a"},
        {u"a-b", true, u"\"a-b\"", u"a-b"},
        {u"a b", true, u"\"a b\"", u"a b"},
        {u"\u00e9t\u00e9", true, u"\"\u00e9t\u00e9\"", u"\u00e9t\u00e9"},
        {u"", false, u"\"\"", u""},
        {u"\"ab\"", true, u"\"ab\"", u"ab"},
        {u"\"", true, u"\"\"\"", u"\""},          // one quote is not a quoted text
        {u"\"\"", true, u"\"\"", u""},
        {u"a\"b", true, u"\"a\"b\"", u"a\"b"},     // quotes inside are not doubled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.value));
        EXPECT_EQ(info.QuotesNeeded(c.value), c.needed);
        EXPECT_EQ(info.Quote(c.value), c.quoted);
        EXPECT_EQ(info.UnQuote(c.value), c.unquoted);
        EXPECT_EQ(info.QuoteIfNeed(c.value), c.needed ? String(c.quoted) : String(c.value));
    }
}

TEST(SQLInfo, QuotesNeededFollowsTheIdentifierCase)
{
    TCRCommand command;
    struct Case {
        TIdentCase identCase;
        const char16_t* value;
        bool needed;
    } const cases[] = {
        {icUpper, u"ABC_1$", false}, {icUpper, u"Abc", true},  {icUpper, u"abc", true},
        {icLower, u"abc_1$", false}, {icLower, u"aBc", true},  {icLower, u"ABC", true},
        {icMixed, u"aBc", false},    {icMixedCaseSensitive, u"aBc", false},
        {icMixedCaseSensitive, u"9", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.value));
        EXPECT_EQ(CaseInfo(&command, c.identCase).QuotesNeeded(c.value), c.needed);
    }
}

TEST(SQLInfo, NormalizeNamePerCaseAndFlags)
{
    TCRCommand command;
    struct Case {
        TIdentCase identCase;
        bool quoteNames, unQuoteNames;
        const char16_t* value;
        const char16_t* expected;
    } const cases[] = {
        {icMixed, false, false, u"", u""},
        {icMixed, false, false, u"Emp", u"Emp"},
        {icMixed, false, false, u"\"Emp\"", u"\"Emp\""},       // a quoted name stays quoted
        {icMixed, false, false, u"\"my table\"", u"\"my table\""},
        {icMixed, false, false, u"my-table", u"\"my-table\""},
        {icMixed, true, false, u"Emp", u"\"Emp\""},
        {icMixed, true, true, u"\"Emp\"", u"Emp"},              // unquoting wins
        {icMixed, false, true, u"\"my table\"", u"my table"},
        {icUpper, false, false, u"scott.emp", u"SCOTT.EMP"},
        {icUpper, false, false, u"scott.\"emp\"", u"SCOTT.\"emp\""},  // a quoted part keeps its case
        {icUpper, false, false, u"\"a.b\".c", u"\"a.b\".C"},   // a "." inside quotes does not split
        {icUpper, true, false, u"scott.emp", u"\"scott\".\"emp\""},  // quoting keeps the case
        {icUpper, false, true, u"\"emp\"", u"emp"},
        {icLower, false, false, u"SCOTT.EMP", u"scott.emp"},
        {icLower, false, false, u"A.B.C", u"a.b.c"},
        {icLower, false, false, u"a..b", u"a..b"},
        {icLower, false, false, u"a.", u"a."},
        {icMixedCaseSensitive, false, false, u"Scott.Emp", u"Scott.Emp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.value));
        EXPECT_EQ(CaseInfo(&command, c.identCase).NormalizeName(c.value, c.quoteNames, c.unQuoteNames), c.expected);
    }
    // Other quote characters: the object's own still decide what counts as quoted.
    BracketInfo brackets(&command);
    EXPECT_EQ(brackets.NormalizeName(u"[a b].c", true, false), u"[a b].[c]");
    EXPECT_EQ(brackets.NormalizeName(u"x y", u'<', u'>', false, false), u"<x y>");
}

TEST(SQLInfo, SplitObjectName)
{
    TSQLInfo info;
    struct Case {
        const char16_t* name;
        const char16_t* catalog;
        const char16_t* schema;
        const char16_t* table;
    } const cases[] = {
        {u"t", u"", u"", u"t"},
        {u"s.t", u"", u"s", u"t"},
        {u"c.s.t", u"c", u"s", u"t"},
        {u"a.b.c.d", u"b", u"c", u"d"},
        {u"\"my.schema\".\"t.x\"", u"", u"\"my.schema\"", u"\"t.x\""},
        {u"s.", u"", u"s", u""},
        {u"", u"", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.name));
        TExtTableInfo result;
        result.DBLink = u"link";
        result.Synonym = u"syn";
        result.Flag = 7;
        info.SplitObjectName(c.name, result);
        EXPECT_EQ(result.Catalog, c.catalog);
        EXPECT_EQ(result.Schema, c.schema);
        EXPECT_EQ(result.Table, c.table);
        EXPECT_EQ(result.DBLink, u"");
        EXPECT_EQ(result.Synonym, u"syn");
        EXPECT_EQ(result.Flag, 7);
    }
}

struct Table {
    String name, alias;
    bool operator==(const Table&) const = default;
};

void PrintTo(const Table& t, std::ostream* os) { *os << core::ToUtf8(t.name) << " " << core::ToUtf8(t.alias); }

std::vector<Table> TablesOf(StringView SQL)
{
    TScriptedCommand command;
    TCRTablesInfo tables(NewTableInfo<TCRTableInfo>);
    tables.Add()->SetTableName(u"stale");
    command.SQLInfo().ParseTablesInfo(SQL, tables);
    EXPECT_EQ(tables.UpdateCount(), 0);
    std::vector<Table> result;
    for (int i = 0; i < tables.Count(); ++i) {
        EXPECT_EQ(tables.Items(i)->Index(), i);
        result.push_back({tables.Items(i)->TableName(), tables.Items(i)->TableAlias()});
    }
    return result;
}

TEST(SQLInfo, TablesOfTheFromClause)
{
    struct Case {
        const char16_t* sql;
        std::vector<Table> tables;
    } const cases[] = {
        {u"SELECT * FROM t1 a, t2 JOIN t3 ON t2.id = t3.id", {{u"t1", u"a"}, {u"t2", u""}, {u"t3", u""}}},
        {u"select x from t1 as a left outer join s.t2 b on a.k = b.k inner join t3 on (a.k = t3.k and 1 = 1)",
         {{u"t1", u"a"}, {u"s.t2", u"b"}, {u"t3", u""}}},
        {u"SELECT * FROM t WHERE x IN (SELECT y FROM u)", {{u"t", u""}}},
        {u"SELECT * FROM t1, t2 ORDER BY 1", {{u"t1", u""}, {u"t2", u""}}},
        {u"SELECT * FROM t1 GROUP BY a", {{u"t1", u""}}},
        {u"SELECT * FROM f(1) x, t", {{u"t", u""}}},                     // a table function is not added
        {u"SELECT * FROM (SELECT a FROM inner_t WHERE b = 1) q, t2 r", {{u"t2", u"r"}}},
        {u"SELECT (SELECT max(v) FROM w) AS m FROM t", {{u"t", u""}}},  // the FROM at depth 0
        {u"SELECT * FROM \"my table\" \"my alias\"", {{u"\"my table\"", u"\"my alias\""}}},
        {u"SELECT * FROM \"Emp\"", {{u"\"Emp\"", u""}}},
        {u"SELECT * FROM db.s.t full join u", {{u"db.s.t", u""}, {u"u", u""}}},
        {u"SELECT * FROM t /* c */ -- d\n a", {{u"t", u"a"}}},
        {u"SELECT * FROM t1 a RIGHT JOIN t2 ON a.x = t2.x UNION SELECT * FROM t3", {{u"t1", u"a"}, {u"t2", u""}}},
        {u"SELECT a FROM", {}},
        {u"SELECT 1", {}},
        {u"UPDATE t SET a = 1", {}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.sql));
        EXPECT_EQ(TablesOf(c.sql), c.tables);
    }
}

TEST(SQLInfo, ParsingNeedsACommandAndEndsTheUpdateOnAFailure)
{
    TSQLInfo info;
    TCRTablesInfo tables(NewTableInfo<TCRTableInfo>);
    TColumnsInfo columns;
    EXPECT_THROW(info.ParseTablesInfo(u"SELECT * FROM t", tables), core::EAssertionFailed);
    EXPECT_THROW(info.ParseColumnsInfo(u"SELECT a FROM t", columns), core::EAssertionFailed);

    TScriptedCommand command;
    // The lexer refuses a character it does not know after the second table.
    EXPECT_THROW(command.SQLInfo().ParseTablesInfo(u"SELECT * FROM t1, t2 ON \x01", tables), core::Exception);
    EXPECT_EQ(tables.UpdateCount(), 0);
    ASSERT_EQ(tables.Count(), 2);
    EXPECT_EQ(tables.IndexByName(u"T2"), 1);  // the lookup lists were rebuilt
}

struct Column {
    String name, table, expr, alias;
    bool operator==(const Column&) const = default;
};

void PrintTo(const Column& c, std::ostream* os)
{
    *os << "name=" << core::ToUtf8(c.name) << " table=" << core::ToUtf8(c.table) << " expr=" << core::ToUtf8(c.expr)
        << " alias=" << core::ToUtf8(c.alias);
}

std::vector<Column> ColumnsOf(StringView SQL)
{
    TScriptedCommand command;
    TColumnsInfo columns;
    command.SQLInfo().ParseColumnsInfo(SQL, columns);
    std::vector<Column> result;
    for (int i = 0; i < columns.Count(); ++i) {
        const TColumnInfo& c = *columns.Items(i);
        EXPECT_EQ(c.TableIndex, -1);
        result.push_back({c.Name, c.Table, c.Expr, c.Alias});
    }
    return result;
}

TEST(SQLInfo, ItemsOfTheSelectList)
{
    struct Case {
        const char16_t* sql;
        std::vector<Column> columns;
    } const cases[] = {
        {u"SELECT x AS y FROM t", {{u"x", u"", u"", u"y"}}},
        {u"SELECT x y, t.z FROM t", {{u"x", u"", u"", u"y"}, {u"z", u"t", u"", u""}}},
        {u"SELECT * FROM t", {{u"*", u"", u"", u""}}},
        {u"SELECT t.*, s.t.c, d.s.t.c FROM t",
         {{u"*", u"t", u"", u""}, {u"c", u"s.t", u"", u""}, {u"c", u"d.s.t", u"", u""}}},
        {u"SELECT ALL a, b FROM t", {{u"a", u"", u"", u""}, {u"b", u"", u"", u""}}},
        {u"SELECT \"My Col\" AS \"Nice Name\" FROM t", {{u"My Col", u"", u"", u"Nice Name"}}},
        {u"SELECT a + b FROM t", {{u"", u"", u"a + b", u""}}},
        {u"SELECT a+b AS s FROM t", {{u"", u"", u"a+b", u"s"}}},
        {u"SELECT a  +   b   total FROM t", {{u"", u"", u"a + b", u"total"}}},
        {u"SELECT count(*) c, max(t.v) FROM t", {{u"", u"", u"count(*)", u"c"}, {u"", u"", u"max(t.v)", u""}}},
        {u"SELECT f(a), f(b) FROM t", {{u"", u"", u"f(a)", u""}, {u"", u"", u"f(b)", u""}}},
        {u"SELECT f( a , 'x  y' ) FROM t", {{u"", u"", u"f( a , 'x  y' )", u""}}},
        {u"SELECT 'it''s' AS s, 42 n FROM t", {{u"", u"", u"'it''s'", u"s"}, {u"", u"", u"42", u"n"}}},
        {u"SELECT a /* note */ + b FROM t", {{u"", u"", u"a + b", u""}}},
        {u"SELECT (SELECT max(v) FROM w) m, b FROM t", {{u"", u"", u"(SELECT max(v) FROM w)", u"m"},
                                                       {u"b", u"", u"", u""}}},
        {u"SELECT NULL, null AS n FROM t", {{u"", u"", u"NULL", u""}, {u"", u"", u"null", u"n"}}},
        {u"SELECT a.", {{u"", u"", u"a.", u""}}},
        {u"SELECT a. + 1", {{u"", u"", u"a. + 1", u""}}},
        {u"SELECT a", {{u"a", u"", u"", u""}}},
        {u"UPDATE t SET a = 1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.sql));
        EXPECT_EQ(ColumnsOf(c.sql), c.columns);
    }
}

TEST(SQLInfo, ColumnNamesAreUnquotedAndTheHookSeesTheNextLexem)
{
    class Hooked : public TSQLInfo {
    public:
        using TSQLInfo::TSQLInfo;
        void ParseAfterColumnName(TSQLParser& Parser, int& Code, String& Lexem) override
        {
            seen.push_back(Lexem);
            // A server's "(+)" after a name is part of the name, not an expression.
            if (Lexem == u"(") {
                Parser.GetNext(Lexem);
                Parser.GetNext(Lexem);
                Code = Parser.GetNext(Lexem);
            }
        }
        std::vector<String> seen;
    };
    TScriptedCommand command;
    Hooked info(&command);
    TColumnsInfo columns;
    info.ParseColumnsInfo(u"SELECT a(+) x, \"b\" FROM t", columns);
    ASSERT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns.Items(0)->Name, u"a");
    EXPECT_EQ(columns.Items(0)->Alias, u"x");
    EXPECT_EQ(columns.Items(1)->Name, u"b");
    EXPECT_EQ(info.seen, (std::vector<String>{u"(", u"FROM"}));
}

TEST(TablesInfo, LookupsByNameAndAlias)
{
    TCRTablesInfo tables(NewTableInfo<TCRTableInfo>);
    tables.BeginUpdate();
    for (auto [name, alias] : {std::pair{u"Emp", u"e"}, {u"dept", u"D"}, {u"emp", u"e2"}}) {
        TCRTableInfo* table = tables.Add();
        table->SetTableName(name);
        table->SetTableAlias(alias);
    }
    // While the update is open the lookups search the items in order.
    EXPECT_EQ(tables.IndexByName(u"EMP"), 0);
    EXPECT_EQ(tables.IndexByAlias(u"d"), 1);
    tables.SetCaseSensitive(true);
    EXPECT_EQ(tables.IndexByName(u"emp"), 2);
    EXPECT_EQ(tables.IndexByName(u"EMP"), -1);
    tables.SetCaseSensitive(false);
    tables.EndUpdate();

    EXPECT_EQ(tables.IndexByName(u"DEPT"), 1);
    EXPECT_EQ(tables.IndexByAlias(u"E2"), 2);
    EXPECT_EQ(tables.IndexByName(u"none"), -1);
    EXPECT_EQ(tables.FindByName(u"Dept"), tables.Items(1));
    EXPECT_EQ(tables.FindByName(u"none"), nullptr);
    EXPECT_EQ(tables.IndexOf(tables.Items(2)), 2);
    // Renaming an item rebuilds the list.
    tables.Items(1)->SetTableName(u"division");
    EXPECT_EQ(tables.IndexByName(u"dept"), -1);
    EXPECT_EQ(tables.IndexByName(u"DIVISION"), 1);
    tables.SetCaseSensitive(true);
    EXPECT_EQ(tables.IndexByName(u"DIVISION"), -1);
    EXPECT_EQ(tables.IndexByName(u"emp"), 2);
    EXPECT_EQ(tables.TableInfoClass(), NewTableInfo<TCRTableInfo>);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { tables.Items(3); }), u"List index out of bounds (3)");
    tables.Clear();
    EXPECT_EQ(tables.Count(), 0);
    EXPECT_EQ(tables.IndexByName(u"emp"), -1);
}

TEST(TablesInfo, FullNameOfTheBaseIsTheName)
{
    TCRTablesInfo tables(NewTableInfo<TCRTableInfo>);
    TCRTableInfo* table = tables.Add();
    table->SetTableName(u"emp");
    table->SetTableNameFull(u"db.emp");
    EXPECT_EQ(table->TableNameFull(), u"emp");
    EXPECT_FALSE(table->IsView());
}

} // namespace
