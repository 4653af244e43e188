// Parameter scanning of SQL text: named markers become "?" with one parameter each (or, without a
// parameter list, the rename prefix and the name); everything else comes back as written.
#include "data/access/testing/scriptedcommand.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <vector>

using namespace data;
using namespace data::testing;

namespace {

enum Mode { List, Prefix, Neither };

struct Case {
    const char16_t* sql;
    Mode mode;
    const char16_t* expected;
    std::vector<String> names;  // with a list
};

std::vector<String> NamesOf(const TParamDescs& Params)
{
    std::vector<String> names;
    for (const auto& param : Params)
        names.push_back(param->GetName());
    return names;
}

TEST(ParseSQL, MarkersNamesAndWhatStaysAsWritten)
{
    const Case cases[] = {
        {u"SELECT * FROM t WHERE a = :p1", List, u"SELECT * FROM t WHERE a = ?", {u"p1"}},
        {u"SELECT * FROM t WHERE a = :a AND b = ':b'", List, u"SELECT * FROM t WHERE a = ? AND b = ':b'", {u"a"}},
        {u"SELECT :a /* :b */ FROM t -- :c\n", List, u"SELECT ? /* :b */ FROM t -- :c\n", {u"a"}},
        {u"SELECT x::int FROM t", List, u"SELECT x::int FROM t", {}},
        {u"WHERE a = :\"my name\"", List, u"WHERE a = ?", {u"my name"}},
        {u"WHERE a = :@p", List, u"WHERE a = ?", {u"@p"}},
        {u"WHERE a = :1", List, u"WHERE a = ?", {u"1"}},
        {u"WHERE a = : b", List, u"WHERE a = : b", {}},
        {u"WHERE a = :select", List, u"WHERE a = ?", {u"SELECT"}},
        {u"VALUES (:a, :b, :a)", List, u"VALUES (?, ?, ?)", {u"a", u"b", u"a"}},
        {u"WHERE a=:a,b=:b", List, u"WHERE a=?,b=?", {u"a", u"b"}},
        {u"WHERE a = :MixedCase", List, u"WHERE a = ?", {u"MixedCase"}},
        {u"WHERE a = :@+1", List, u"WHERE a = :@+1", {}},
        {u"WHERE a = :", List, u"WHERE a = :", {}},
        {u"WHERE a = ':p", List, u"WHERE a = ':p", {}},
        {u"WHERE a = 1 /* :p", List, u"WHERE a = 1 /* :p", {}},
        {u"", List, u"", {}},
        {u"WHERE a = :a", Prefix, u"WHERE a = p_a", {}},
        {u"WHERE a = :\"x y\" AND b = :@q", Prefix, u"WHERE a = p_x y AND b = p_@q", {}},
        {u"WHERE a = :a AND b = :\"c\"", Neither, u"WHERE a = :a AND b = :\"c\"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.sql));
        TScriptedCommand command;
        TParamDescs params;
        params.Add(std::make_unique<TParamDesc>());  // a list is cleared first
        const String result = command.ParseSQL(c.sql, c.mode == List ? &params : nullptr, true,
                                               c.mode == Prefix ? u"p_" : u"");
        EXPECT_EQ(core::ToUtf8(result), core::ToUtf8(c.expected));
        if (c.mode == List) {
            EXPECT_EQ(NamesOf(params), c.names);
        }
        EXPECT_EQ(command.GetParamCount(), 0);  // a caller's list is not the command's
    }
}

TEST(ParseSQL, SetSQLParsesOnceAndKeepsTheTextVerbatimWithoutScanning)
{
    TScriptedCommand command;
    command.SetSQL(u"SELECT :a");
    ASSERT_EQ(command.GetParamCount(), 1);
    TParamDesc* first = command.GetParam(0);
    command.SetSQL(u"SELECT :a");  // the same text: the parameter objects stay
    EXPECT_EQ(command.GetParam(0), first);
    EXPECT_EQ(command.SQL(), u"SELECT ?");
    EXPECT_EQ(command.UserSQL(), u"SELECT :a");

    command.SetProp(PropDisableParamScan, true);
    command.SetSQL(u"SELECT :b, :c");
    EXPECT_EQ(command.SQL(), u"SELECT :b, :c");
    ASSERT_EQ(command.GetParamCount(), 1);
    EXPECT_EQ(command.GetParam(0)->GetName(), u"a");

    // Scanning switched back on parses the user's text again.
    command.SetProp(PropScanParams, false);
    command.SetProp(PropDisableParamScan, false);
    command.SetProp(PropScanParams, true);
    EXPECT_EQ(command.SQL(), u"SELECT ?, ?");
    EXPECT_EQ(NamesOf(command.Params()), (std::vector<String>{u"b", u"c"}));
}

TEST(ParseSQL, ATextTheLexerRefusesLeavesThePreviousStatementAndCanBeSetAgain)
{
    TScriptedCommand command;
    command.SetSQL(u"SELECT :a");
    const String refused = u"SELECT \u001d :b";
    EXPECT_EQ(ErrorOf<core::Exception>([&] { command.SetSQL(refused); }), u"Parser: The unknown symbol '\u001d'  $001D");
    EXPECT_EQ(command.UserSQL(), u"SELECT :a");
    EXPECT_EQ(command.SQL(), u"SELECT ?");
    // The same text again is parsed again, and refused again.
    EXPECT_THROW(command.SetSQL(refused), core::Exception);
}

TEST(ParseSQL, ScanParamsSwitchedOnWithoutTextParsesNothing)
{
    TScriptedCommand command;
    command.SetProp(PropScanParams, false);
    command.SetProp(PropScanParams, true);
    EXPECT_EQ(command.SQL(), u"");
    EXPECT_EQ(command.GetParamCount(), 0);
}

} // namespace
