#include "data/access/sqlformatter.h"
#include "data/access/testing/sqliteformatter.h"

#include "data/storage/storage.h"

#include "core/exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace data;

namespace {

// The lexer's keyword lists live from the library's start-up to its shut-down.
class StorageUnits : public ::testing::Environment {
public:
    void SetUp() override { InitStorageUnits(); }
    void TearDown() override { DoneStorageUnits(); }
};
[[maybe_unused]] const auto* const g_units = ::testing::AddGlobalTestEnvironment(new StorageUnits);

using Macros = std::vector<std::pair<String, String>>;

struct UserMacros {
    core::StringList names, values;
    explicit UserMacros(const Macros& macros)
    {
        for (const auto& [name, value] : macros) {
            names.Add(name);
            values.Add(value);
        }
    }
};

// The expansion, or the error's text with a check that SQL stayed as it was.
String Expand(TUniSqlFormatter& formatter, const String& input)
{
    String sql = input;
    try {
        formatter.Expand(sql);
    } catch (const core::Exception& error) {
        EXPECT_EQ(sql, input) << "changed by a failed expansion";
        return u"error: " + error.Message();
    }
    return sql;
}

String ExpandWith(const Macros& macros, const String& input)
{
    test_providers::TSQLiteSqlFormatter formatter;
    UserMacros user(macros);
    // No user macros at all is a formatter that was never given any.
    if (!macros.empty())
        formatter.SetUserMacros(&user.names, &user.values);
    return Expand(formatter, input);
}

String Repeat(StringView text, int count)
{
    String result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

} // namespace

TEST(SqlFormatter, ExpandsDirectivesIntoTheDialect)
{
    const Macros none;
    const Macros a{{u"A", u""}};
    const Macros macros{{u"TBL", u"orders"}, {u"Top", u"LIMIT"}, {u"UP", u"{fn UCASE(n)}"},
                        {u"Chain", u"{tbl}"}, {u"Loop", u"x {loop}"}, {u"AUTOINC", u"serial"}};
    struct Case {
        const Macros& macros;
        String input, expected;
    };
    const Case cases[] = {
        // Text without directives comes out as written.
        {none, u"select a, 'b' from t where x = 1.5 } ", u"select a, 'b' from t where x = 1.5 } "},
        {none, u"select \"Order\" from t", u"select [Order] from t"},
        {none, u"select \"\" from t", u"select [] from t"},
        {none, u"a -- note\nb", u"a /* note*/\nb"},
        {none, u"a --", u"a /**/"},
        {none, u"a -- x */ y\nb", u"a -- x */ y\nb"},
        // Directives in strings and comments are one lexem and stay.
        {none, u"'{fn NOW}' /* {if X} */", u"'{fn NOW}' /* {if X} */"},
        {none, u"-- {fn X}", u"/* {fn X}*/"},
        // Conditions: defined user or predefined macros, whatever their values.
        {a, u"{if A}yes{else}no{endif}", u"yes"},
        {none, u"{if A}yes{else}no{endif}", u"no"},
        {none, u"{IF sqlite }yes{ELSE}no{EndIf}", u"yes"},
        {a, u"{if  a  }x{endif}", u"x"},
        {none, u"{if}x{endif}", u"x"},
        {a, u"{if A}1{if B}2{else}3{endif}4{else}5{endif}", u"134"},
        {none, u"{if A}1{if B}2{else}3{endif}4{else}5{endif}", u"5"},
        {a, u"{if A}{if B}{else}{if A}x{endif}{endif}{endif}", u"x"},
        {none, u"{else}", u"error: Unexpected {else}"},
        {a, u"{if A}{else}{else}{endif}", u"error: Unexpected {else}"},
        {a, u"{if A}{endif}{endif}", u"error: Unexpected {endif}"},
        {a, u"{if A}x", u"error: {if} statement not completed"},
        {a, u"{if A}{if A}{endif}", u"error: {if} statement not completed"},
        // A body is expanded whatever the condition around it.
        {none, u"{if B}{m {fn}}{endif}", u"error: Empty function name"},
        // Malformed directives.
        {none, u"{ fn NOW}", u"error: Empty macro or function name"},
        {none, u"{}", u"error: Empty macro or function name"},
        {none, u"{1}", u"error: Empty macro or function name"},
        {none, u"x {", u"error: Empty macro or function name"},
        {none, u"{fn(x)}", u"error: Unexpected character"},
        {none, u"{tbl", u"error: Unexpected character"},
        {none, u"a \x01", u"error: Parser: The unknown symbol '\x01'  $0001"},
        // Functions.
        {none, u"{fn NOW}", u"DATETIME('now')"},
        {none, u"{fn NOW()}", u"DATETIME('now')"},
        {none, u"{Fn ucase(name)}", u"UPPER(name)"},
        {none, u"{fn UCASE()}", u"UPPER()"},
        {none, u"{fn SUBSTRING(s, 1, 2)}", u"SUBSTR(s,  1,  2)"},
        {none, u"{fn UCASE(f(a, (b)))}", u"UPPER(f(a, (b)))"},
        {none, u"{fn UCASE('a,)')}", u"UPPER('a,)')"},
        {none, u"{fn CONCAT({fn NOW}, x)}", u"(DATETIME('now') ||  x)"},
        {none, u"{fn UCASE(a))}", u"UPPER(a)"},
        {none, u"{fn}", u"error: Empty function name"},
        {none, u"{fn 'x'}", u"error: Empty function name"},
        {none, u"{fn UCASE x}", u"error: Unexpected character"},
        {none, u"{fn UCASE(a}", u"error: Invalid bracket count in function call"},
        {none, u"{fn UCASE((a)}", u"error: Invalid bracket count in function call"},
        {none, u"{fn UCASE(a) x}", u"error: Invalid bracket count in function call"},
        {none, u"{fn SUBSTRING(a, b, c, d)}", u"error: Wrong argument count for function: SUBSTRING"},
        {none, u"{fn Nope(a)}", u"error: Unknown function: Nope"},
        // Literals.
        {none, u"{date '2024-01-02'}", u"DATE('2024-01-02')"},
        {none, u"{time   '10:00:00'  }", u"TIME('10:00:00')"},
        {none, u"{timestamp '2024-01-02 10:00:00'}", u"DATETIME('2024-01-02 10:00:00')"},
        {none, u"{date ''}", u"DATE('')"},
        {none, u"{date 2024-01-02}", u"error: Invalid year-month-day string. The format is {date 'yyyy-mm-dd'}"},
        {none, u"{time}", u"error: Invalid hour-minute-second string. The format is {time 'hh:mm:ss'}"},
        {none, u"{timestamp x}", u"error: Invalid timestamp string. The format is {timestamp 'yyyy-mm-dd hh:mm:ss'}"},
        // Macros: the user's first, then the dialect's; a body follows after one blank.
        {macros, u"select * from {tbl}", u"select * from orders"},
        {macros, u"select * from t {top 10}", u"select * from t LIMIT 10"},
        {macros, u"{nope}|{nope x}", u"| x"},
        {none, u"id {AUTOINC}", u"id INTEGER PRIMARY KEY AUTOINCREMENT"},
        {macros, u"id {AUTOINC}", u"id serial"},
        {macros, u"{up}", u"UPPER(n)"},
        {none, u"{current}", u"DATETIME('now')"},
        {macros, u"{chain}", u"orders"},
        {macros, u"{tbl x", u"orders x"},
        {macros, u"{loop}", u"error: Macro nesting too deep: loop"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandWith(c.macros, c.input), c.expected) << core::ToUtf8(c.input);
}

TEST(SqlFormatter, MacrosAndBodiesNestSixtyFourLevelsDeep)
{
    // M1 holds {M2}, ..., M64 holds "end" (or {M65} when the chain is one longer).
    for (const int levels : {64, 65}) {
        Macros chain;
        for (int i = 1; i <= levels; ++i)
            chain.emplace_back(u"M" + core::IntToStr(i), i < levels ? u"{m" + core::IntToStr(i + 1) + u"}" : u"end");
        EXPECT_EQ(ExpandWith(chain, u"{m1}"), levels == 64 ? u"end" : u"error: Macro nesting too deep: m65");
    }
    EXPECT_EQ(ExpandWith({}, u"x" + Repeat(u"{a ", 64)), u"x");
    EXPECT_EQ(ExpandWith({}, u"x" + Repeat(u"{a ", 65)), u"error: Macro nesting too deep: a");
}

TEST(SqlFormatter, TheBaseClassHasNoDialect)
{
    TUniSqlFormatter formatter;
    EXPECT_EQ(Expand(formatter, u"select \"a\" {x}{if SQLITE}1{else}2{endif}"), u"select \"a\" 2");
    EXPECT_EQ(Expand(formatter, u"{fn UCASE(a)}"), u"error: Unknown function: UCASE");
    // A dialect without a literal format is a provider's fault, not the user's.
    String sql = u"{date '2024-01-02'}";
    EXPECT_THROW(formatter.Expand(sql), core::EAssertionFailed);
}

TEST(SqlFormatter, UserMacrosAreReadAtEachExpansion)
{
    test_providers::TSQLiteSqlFormatter formatter;
    UserMacros user(Macros{{u"A", u"1"}});
    formatter.SetUserMacros(&user.names, &user.values);
    EXPECT_TRUE(formatter.CheckIfCondition(u" a "));
    EXPECT_EQ(Expand(formatter, u"{a}"), u"1");
    user.values.Put(0, u"2");
    user.names.Add(u"B");
    EXPECT_EQ(Expand(formatter, u"{a}{if b}b{endif}"), u"2b");
    // A name without a value is defined and stands for nothing.
    EXPECT_TRUE(formatter.CheckIfCondition(u"B"));
}
