#include "core/string.h"
#include "core/exception.h"
#include "core/object.h"

#include <gtest/gtest.h>

using namespace core;

TEST(Text, Utf8RoundTripAndMalformedInput)
{
    struct Case { std::string bytes; String text; } cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xE5\xAE\xA2\xE6\x88\xB7\xE7\xAB\xAF", u"客户端"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xFF" "b", u"a\uFFFD" "b"},
        {"\xC0\x80", u"\uFFFD\uFFFD"},          // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // surrogate
        {"\xE5\xAE", u"\uFFFD\uFFFD"},          // cut short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.bytes), c.text) << c.bytes;
        if (c.text.find(u'\uFFFD') == String::npos) {
            EXPECT_EQ(ToUtf8(c.text), c.bytes);
        }
    }
    EXPECT_EQ(ToUtf8(String(1, Char(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, TrimRemovesEveryCharacterAtOrBelowBlank)
{
    struct Case { String in, both, left, right; } cases[] = {
        {u"", u"", u"", u""},
        {u"  a b  ", u"a b", u"a b  ", u"  a b"},
        {u"\t\r\n\x01x\x1F", u"x", u"x\x1F", u"\t\r\n\x01x"},
        {u" \u3000 ", u"\u3000", u"\u3000 ", u" \u3000"}, // the ideographic blank is text
        {u"\x20\x20", u"", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.in), c.both);
        EXPECT_EQ(TrimLeft(c.in), c.left);
        EXPECT_EQ(TrimRight(c.in), c.right);
    }
}

TEST(Text, CaseAndComparison)
{
    EXPECT_EQ(UpperCase(u"abc-xyzÄ"), u"ABC-XYZÄ");
    EXPECT_EQ(LowerCase(u"ABCä"), u"abcä");
    EXPECT_EQ(AnsiUpperCase(u"abcäö"), u"ABCÄÖ");
    EXPECT_EQ(AnsiLowerCase(u"ÄÖ客"), u"äö客");
    EXPECT_TRUE(SameText(u"Route", u"ROUTE"));
    EXPECT_FALSE(SameText(u"Route", u"Routes"));
    EXPECT_FALSE(SameText(u"ä", u"Ä"));
    EXPECT_TRUE(AnsiSameText(u"ä", u"Ä"));
    EXPECT_LT(CompareText(u"abc", u"ABD"), 0);
    EXPECT_GT(CompareText(u"abcd", u"ABC"), 0);
    EXPECT_EQ(CompareText(u"", u""), 0);
    EXPECT_LT(CompareStr(u"B", u"a"), 0);
}

TEST(Text, PositionsAreOneBased)
{
    EXPECT_EQ(Pos(u"b", u"abcb"), 2);
    EXPECT_EQ(Pos(u"b", u"abcb", 3), 4);
    EXPECT_EQ(Pos(u"x", u"abc"), 0);
    EXPECT_EQ(Pos(u"", u"abc"), 0);
    EXPECT_EQ(Pos(u"a", u"abc", 0), 0);
    EXPECT_EQ(Pos(u"a", u"abc", 9), 0);
    EXPECT_EQ(Copy(u"abcdef", 2, 3), u"bcd");
    EXPECT_EQ(Copy(u"abcdef", 0, 2), u"ab");
    EXPECT_EQ(Copy(u"abcdef", 5, 100), u"ef");
    EXPECT_EQ(Copy(u"abcdef", 7, 1), u"");
    EXPECT_EQ(Copy(u"abcdef", 2, -1), u"");
}

TEST(Text, ReplaceAndIntegers)
{
    EXPECT_EQ(StringReplace(u"a-b-c", u"-", u"+", 0), u"a+b-c");
    EXPECT_EQ(StringReplace(u"a-b-c", u"-", u"+", rfReplaceAll), u"a+b+c");
    EXPECT_EQ(StringReplace(u"xAx", u"a", u"b", rfReplaceAll | rfIgnoreCase), u"xbx");
    EXPECT_EQ(StringReplace(u"abc", u"", u"z", rfReplaceAll), u"abc");
    EXPECT_EQ(IntToStr(0), u"0");
    EXPECT_EQ(IntToStr(-42), u"-42");
    EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(UIntToStr(UINT64_MAX), u"18446744073709551615");
    EXPECT_EQ(IntToHex(255, 4), u"00FF");
    EXPECT_EQ(IntToHex(0xABCDEF, 2), u"ABCDEF");
}

namespace probe {
class TWidget : public Object {};
// Modules declare their exceptions with a qualified base from their own namespace.
CORE_DECLARE_EXCEPTION(EProbeError, core::EConvertError);
}

TEST(Exceptions, MessagesContextsAndAssertions)
{
    try {
        throw EConvertError(u"'x' is not a valid integer value", 7);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"'x' is not a valid integer value");
        EXPECT_EQ(e.HelpContext(), 7);
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    const int line = __LINE__ + 2;
    try {
        CORE_ASSERT(1 + 1 == 3, u"sum");
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), u"sum (string_test.cpp, line " + IntToStr(line) + u")");
    }
    EXPECT_THROW(AssertFailed(u"", "f.cpp", 1), EAssertionFailed);
    try {
        AssertFailed(u"", "dir/f.cpp", 3);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Assertion failed (f.cpp, line 3)");
    }
    try {
        throw probe::EProbeError(u"probe", 3);
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), u"probe");
        EXPECT_EQ(e.HelpContext(), 3);
    }
    probe::TWidget widget;
    EXPECT_EQ(widget.ClassName(), u"TWidget");
}

TEST(Exceptions, ApplicationHandlerSeesAllButAbort)
{
    String seen;
    int calls = 0;
    SetApplicationExceptionHandler([&](const std::exception& e) {
        ++calls;
        seen = ExceptionMessage(e);
    });
    try { throw EFOpenError(u"cannot open"); } catch (...) { HandleException(); }
    EXPECT_EQ(seen, u"cannot open");
    try { Abort(); } catch (...) { HandleException(); }
    EXPECT_EQ(calls, 1);
    try { throw std::runtime_error("plain"); } catch (...) { HandleException(); }
    EXPECT_EQ(seen, u"plain");
    SetApplicationExceptionHandler([](const std::exception&) { throw 1; });
    try { throw Exception(u"x"); } catch (...) { HandleException(); } // must not escape
    SetApplicationExceptionHandler(nullptr);
}
