// Character tables, the text routines on them, and the locale comparison.
#include "support/chartables.h"
#include "support/winversion.h"

#include <gtest/gtest.h>

namespace support {
namespace {

TEST(CharTables, ClassifyAndMapCase)
{
    EXPECT_TRUE(IsAnsiUpperChar('Q'));
    EXPECT_TRUE(IsAnsiLowerChar('q'));
    EXPECT_FALSE(IsAnsiUpperChar('1'));
    EXPECT_TRUE(IsWideUpperChar(u'Ä'));
    EXPECT_TRUE(IsWideLowerChar(u'ж'));
    EXPECT_FALSE(IsWideLowerChar(u'汉'));
    EXPECT_EQ(AnsiCaseMap()[kAnsiUpperSection + 'a'], 'A');
    EXPECT_EQ(AnsiCaseMap()[kAnsiSwapSection + 'A'], 'a');
    EXPECT_EQ(AnsiCaseMap()[kAnsiSwapSection + '5'], '5');
    EXPECT_EQ(WideCaseMap()[kWideSwapSection + u'Ж'], u'ж');
    EXPECT_EQ(WideCaseMap()[kWideLowerSection + u'Ж'], u'ж');
    for (char16_t c : {u'F', u'7', u'a', u'f'})
        EXPECT_TRUE(IsHexDigitChar(c)) << char(c);
    for (char16_t c : {u'g', u'G', u' ', u'x'})
        EXPECT_FALSE(IsHexDigitChar(c)) << char(c);
}

TEST(CharTables, UpperCaseKeepsTheLength)
{
    // The sharp s has no one-unit upper form: it stays, and no text grows.
    EXPECT_EQ(UpperCaseCopy(u"straße"), u"STRAßE");
    core::String text = u"abc汉ж";
    UpperCaseInPlace(text);
    EXPECT_EQ(text, u"ABC汉Ж");
    MapCaseInPlace(text, kWideSwapSection);
    EXPECT_EQ(text, u"abc汉ж");
}

TEST(TextRoutines, PositionsAndCopies)
{
    EXPECT_EQ(FindTextFrom(u"b", u"abcb", 3), 4);
    EXPECT_EQ(FindTextFrom(u"b", u"abcb", 5), 0);
    EXPECT_EQ(FindTextFrom(u"B", u"abcb", 1), 2);
    EXPECT_EQ(FindTextFrom(u"", u"abcb", 1), 0);
    EXPECT_EQ(FindTextFrom(u"b", u"", 1), 0);
    EXPECT_EQ(FindTextFrom(u"b", u"abcb", 0), 2);
    EXPECT_EQ(FindText(u"CB", u"abcb"), 3);
    EXPECT_EQ(FindText(u"x", u"abcb"), 0);
    EXPECT_EQ(TextBefore(u"=", u"Name=Value"), u"Name");
    EXPECT_EQ(TextBefore(u"X", u"Name=Value"), u"Name=Value");
    EXPECT_EQ(TextBefore(u"v", u"Name=Value"), u"Name=");

    EXPECT_EQ(LastCharPos(u"1.2.3", u'.', 1), 4);
    EXPECT_EQ(LastCharPos(u"1.2.3", u'.', 5), 0);
    EXPECT_EQ(LastCharPos(u"1.2.3", u'.', 6), 0);
    EXPECT_EQ(LastCharPos(u"1.2.3", u'.', 0), 0);
    EXPECT_EQ(CharPosFrom(u"1.2.3", u'.', 3), 4);
    EXPECT_EQ(CharPosFrom(u"1.2.3", u'.', 0), 0);
    EXPECT_EQ(CharPosFrom(u"1.2.3", u'.', 6), 0);
    EXPECT_EQ(CharPosFrom(u"", u'.', 1), 0);

    EXPECT_EQ(LeftCopy(u"abc", 2), u"ab");
    EXPECT_EQ(LeftCopy(u"abc", 9), u"abc");
    EXPECT_EQ(LeftCopy(u"abc", -1), u"");
    EXPECT_EQ(MidCopy(u"abcdef", 2, 3), u"bcd");
    EXPECT_EQ(MidCopy(u"abcdef", 5, 9), u"ef");
    EXPECT_EQ(MidCopy(u"abcdef", 7, 1), u"");
    EXPECT_EQ(MidCopy(u"abcdef", 0, 2), u"a");
    EXPECT_EQ(MidCopy(u"abcdef", 2, 0), u"");

    EXPECT_EQ(ReplaceChar(u"1,2,3", u',', u'.'), u"1.2.3");
    core::String withNul(u"ab\0cd", 5);
    CutAtNul(withNul);
    EXPECT_EQ(withNul, u"ab");
}

TEST(CompareTextLocale, IgnoresCaseAndNeverFails)
{
    InitTextComparison();
    const uint32_t userDefault = 0x0400;
    EXPECT_EQ(CompareTextLocale(u"abc", u"ABC", userDefault), 0);
    EXPECT_EQ(CompareTextLocale(u"abc", u"abd", userDefault), -1);
    EXPECT_EQ(CompareTextLocale(u"b", u"A", userDefault), 1);
    // A locale the platform does not know still gives an order.
    const int r = CompareTextLocale(u"abc", u"ABD", 0xFFFFFFF0);
    EXPECT_EQ(r, -1);
    EXPECT_GT(LocaleCodePage(userDefault), 0u);
    FinalizeTextComparison();

    // The 9x form compares through the locale's ANSI code page.
    VersionFacts nineX;
    nineX.platform = kPlatformWindows9x;
    nineX.major = 4;
    nineX.minor = 10;
    ScopedVersionFacts old(nineX);
    InitTextComparison();
    EXPECT_EQ(CompareTextLocale(u"abc", u"ABC", userDefault), 0);
    EXPECT_EQ(CompareTextLocale(u"abc", u"ABD", userDefault), -1);
    FinalizeTextComparison();
    ScopedVersionFacts back(CollectVersionFacts());
    InitTextComparison();
    FinalizeTextComparison();
}

} // namespace
} // namespace support
