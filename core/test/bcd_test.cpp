#include "core/bcd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace core;

TEST(BcdText, ReadsAndWritesTextAndKeepsThePlacesItWasGiven)
{
    struct Case { const char16_t* in; const char16_t* out; int precision; int places; bool negative; } cases[] = {
        {u"0", u"0", 1, 0, false},
        {u"12.50", u"12.5", 4, 2, false},
        {u" -0.001 ", u"-0.001", 3, 3, true},
        {u"+7", u"7", 1, 0, false},
        {u"-0", u"0", 1, 0, false},
        {u"000123", u"123", 3, 0, false},
        {u".5", u"0.5", 1, 1, false},
        {u"5.", u"5", 1, 0, false},
        {u"1.5E3", u"1500", 4, 0, false},
        {u"1.5e-3", u"0.0015", 4, 4, false},
        {u"123456789012345678901234567890.123456789", u"123456789012345678901234567890.123456789", 39, 9, false},
    };
    for (const auto& c : cases) {
        const Bcd value = StrToBcd(c.in);
        EXPECT_EQ(BcdToStr(value), c.out) << ToUtf8(c.in);
        EXPECT_EQ(value.Precision, c.precision) << ToUtf8(c.in);
        EXPECT_EQ(value.Places(), c.places) << ToUtf8(c.in);
        EXPECT_EQ(value.IsNegative(), c.negative) << ToUtf8(c.in);
    }
}

TEST(BcdText, PacksTwoDigitsToAByteMostSignificantFirst)
{
    const Bcd value = StrToBcd(u"-123.45");
    EXPECT_EQ(value.Precision, 5);
    EXPECT_EQ(value.SignSpecialPlaces, 0x80 | 2);
    EXPECT_EQ(value.Fraction[0], 0x12);
    EXPECT_EQ(value.Fraction[1], 0x34);
    EXPECT_EQ(value.Fraction[2], 0x50);
    EXPECT_EQ(value.Fraction[3], 0x00);
}

TEST(BcdText, RefusesWhatIsNoNumberAndOverflowsBeyondSixtyFourDigits)
{
    for (const char16_t* bad : {u"", u"-", u"1.2.3", u"12a", u"1E", u"E5", u"1 2"}) {
        Bcd value;
        EXPECT_FALSE(TryStrToBcd(bad, value)) << ToUtf8(bad);
        try {
            (void)StrToBcd(bad);
            ADD_FAILURE() << ToUtf8(bad);
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), u"'" + String(bad) + u"' is not a valid BCD value");
        }
    }
    const String digits65(65, u'9');
    Bcd value;
    EXPECT_FALSE(TryStrToBcd(digits65, value));
    EXPECT_THROW((void)StrToBcd(digits65), EBcdOverflowException);
    // Places are rounded off to make room: 64 digits remain.
    const Bcd rounded = StrToBcd(String(60, u'1') + u".123456");
    EXPECT_EQ(rounded.Precision, 64);
    EXPECT_EQ(BcdToStr(rounded), String(60, u'1') + u".1235");
}

TEST(BcdConversions, IntegersDoublesAndCurrency)
{
    EXPECT_EQ(BcdToStr(IntegerToBcd(std::numeric_limits<int64_t>::min())), u"-9223372036854775808");
    EXPECT_EQ(BcdToInt64(StrToBcd(u"-9223372036854775808")), std::numeric_limits<int64_t>::min());
    EXPECT_THROW((void)BcdToInt64(StrToBcd(u"9223372036854775808")), EBcdOverflowException);
    struct Rounded { const char16_t* in; int64_t even; int64_t cut; } rounded[] = {
        {u"2.5", 2, 2}, {u"3.5", 4, 3}, {u"-2.5", -2, -2}, {u"2.51", 3, 2}, {u"-0.4", 0, 0},
    };
    for (const auto& c : rounded) {
        EXPECT_EQ(BcdToInt64(StrToBcd(c.in)), c.even) << ToUtf8(c.in);
        EXPECT_EQ(BcdToInt64(StrToBcd(c.in), true), c.cut) << ToUtf8(c.in);
    }

    EXPECT_EQ(BcdToStr(DoubleToBcd(0.1)), u"0.1");
    EXPECT_EQ(BcdToStr(DoubleToBcd(-1.5e-5)), u"-0.000015");
    EXPECT_EQ(BcdToStr(DoubleToBcd(1e20)), u"100000000000000000000");
    EXPECT_DOUBLE_EQ(BcdToDouble(StrToBcd(u"-123.456")), -123.456);
    EXPECT_THROW((void)DoubleToBcd(std::nan("")), EConvertError);

    EXPECT_EQ(BcdToStr(CurrToBcd(Currency::FromRaw(-12345))), u"-1.2345");
    EXPECT_EQ(BcdToCurr(StrToBcd(u"1.23455")).Raw(), 12346);  // half to even
    EXPECT_EQ(BcdToCurr(StrToBcd(u"1.23445")).Raw(), 12344);
    EXPECT_EQ(BcdToCurr(StrToBcd(u"922337203685477.5807")).Raw(), std::numeric_limits<int64_t>::max());
    Currency out;
    EXPECT_FALSE(TryBcdToCurr(StrToBcd(u"922337203685477.5808"), out));
    EXPECT_THROW((void)BcdToCurr(StrToBcd(u"1E20")), EBcdOverflowException);
}

TEST(BcdCompare, ComparesByValueWhateverThePlaces)
{
    struct Case { const char16_t* a; const char16_t* b; int order; } cases[] = {
        {u"1.50", u"1.5", 0}, {u"0", u"-0.000", 0}, {u"0", u"0.5", -1}, {u"-1", u"-0.5", -1},
        {u"10", u"9.99", 1}, {u"-10", u"-9.99", -1}, {u"0.001", u"0.01", -1}, {u"123", u"0123.0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BcdCompare(StrToBcd(c.a), StrToBcd(c.b)), c.order) << ToUtf8(c.a) << " " << ToUtf8(c.b);
        EXPECT_EQ(BcdCompare(StrToBcd(c.b), StrToBcd(c.a)), -c.order);
    }
}

TEST(BcdNormalize, RoundsHalfAwayFromZeroAndRefusesTooManyWholeDigits)
{
    struct Case { const char16_t* in; int precision; int places; bool ok; const char16_t* out; int out_places; } cases[] = {
        {u"1.005", 10, 2, true, u"1.01", 2},
        {u"-1.005", 10, 2, true, u"-1.01", 2},
        {u"1.5", 10, 4, true, u"1.5", 4},
        {u"99.995", 4, 2, false, u"", 0},
        {u"12345", 6, 2, false, u"", 0},
        {u"1234", 6, 2, true, u"1234", 2},
    };
    for (const auto& c : cases) {
        Bcd out;
        ASSERT_EQ(NormalizeBcd(StrToBcd(c.in), out, c.precision, c.places), c.ok) << ToUtf8(c.in);
        if (c.ok) {
            EXPECT_EQ(BcdToStr(out), c.out);
            EXPECT_EQ(out.Places(), c.out_places);
        }
    }
}
