// Number <-> text conversions: accepted integer and float forms, range limits, error texts and the
// shape of float output.
#include "core/convert.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace core;

namespace {

template <typename F>
String ConvertErrorOf(F&& f)
{
    try {
        f();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return u"<no error>";
}

} // namespace

TEST(Convert, StrToIntAcceptsTheIntegerForms)
{
    struct Case { String text; bool ok; int32_t value; } cases[] = {
        {u"0", true, 0},
        {u"42", true, 42},
        {u"  -12", true, -12},
        {u"\t7", true, 7},
        {u"+7", true, 7},
        {u"007", true, 7},
        {u"$FF", true, 255},
        {u"$ff", true, 255},
        {u"0x1f", true, 31},
        {u"0X1F", true, 31},
        {u"-$10", true, -16},
        {u"-0x10", true, -16},
        {u"2147483647", true, 2147483647},
        {u"-2147483648", true, std::numeric_limits<int32_t>::min()},
        {u"$7FFFFFFF", true, 2147483647},
        {u"$FFFFFFFF", true, -1},  // hex uses every bit, as the platform does
        {u"$80000000", true, std::numeric_limits<int32_t>::min()},
        {u"2147483648", false, 0},
        {u"-2147483649", false, 0},
        {u"$100000000", false, 0},
        {u"99999999999999999999999", false, 0},
        {u"12a", false, 0},
        {u"12 ", false, 0},  // trailing text, blanks included
        {u"", false, 0},
        {u"   ", false, 0},
        {u"-", false, 0},
        {u"$", false, 0},
        {u"0x", false, 0},
        {u"$G", false, 0},
        {u"- 1", false, 0},
        {u"--1", false, 0},
        {u"1.0", false, 0},
        {u"\uFF11", false, 0},  // full-width digit
    };
    for (const auto& c : cases) {
        int32_t value = -999;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << ToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(value, c.value) << ToUtf8(c.text);
            EXPECT_EQ(StrToInt(c.text), c.value);
        } else {
            EXPECT_EQ(StrToIntDef(c.text, -5), -5) << ToUtf8(c.text);
            EXPECT_EQ(ConvertErrorOf([&] { StrToInt(c.text); }),
                      u"'" + c.text + u"' is not a valid integer value");
        }
    }
}

TEST(Convert, StrToInt64CoversTheWholeRange)
{
    struct Case { String text; bool ok; int64_t value; } cases[] = {
        {u"9223372036854775807", true, std::numeric_limits<int64_t>::max()},
        {u"-9223372036854775808", true, std::numeric_limits<int64_t>::min()},
        {u"2147483648", true, 2147483648LL},
        {u"$FFFFFFFF", true, 4294967295LL},
        {u"$FFFFFFFFFFFFFFFF", true, -1},
        {u"0x8000000000000000", true, std::numeric_limits<int64_t>::min()},
        {u"9223372036854775808", false, 0},
        {u"-9223372036854775809", false, 0},
        {u"$10000000000000000", false, 0},
        {u"1e3", false, 0},
    };
    for (const auto& c : cases) {
        int64_t value = 0;
        EXPECT_EQ(TryStrToInt64(c.text, value), c.ok) << ToUtf8(c.text);
        if (c.ok)
            EXPECT_EQ(value, c.value) << ToUtf8(c.text);
        else
            EXPECT_EQ(StrToInt64Def(c.text, 77), 77);
    }
    EXPECT_THROW(StrToInt64(u"x"), EConvertError);
}

TEST(Convert, StrToFloatAcceptsPlainAndScientificText)
{
    struct Case { String text; bool ok; double value; } cases[] = {
        {u"0", true, 0.0},
        {u"1.5", true, 1.5},
        {u" -2.25 ", true, -2.25},
        {u"+3", true, 3.0},
        {u".5", true, 0.5},
        {u"5.", true, 5.0},
        {u"1e3", true, 1000.0},
        {u"1.5E-5", true, 1.5e-5},
        {u"2E+2", true, 200.0},
        {u"0.1", true, 0.1},
        {u"000123.4500", true, 123.45},
        {u"1e-400", true, 0.0},  // below the smallest double: zero, not an error
        {u"4e-320", true, 4e-320},
        {u"1.7976931348623157e308", true, 1.7976931348623157e308},
        {u"INF", true, HUGE_VAL},
        {u"-inf", true, -HUGE_VAL},
        {u"1e309", false, 0},
        {u"", false, 0},
        {u".", false, 0},
        {u"1e", false, 0},
        {u"1e+", false, 0},
        {u"e5", false, 0},
        {u"1,5", false, 0},
        {u"1.2.3", false, 0},
        {u"1 2", false, 0},
        {u"$10", false, 0},
        {u"12abc", false, 0},
    };
    for (const auto& c : cases) {
        double value = -1;
        EXPECT_EQ(TryStrToFloat(c.text, value), c.ok) << ToUtf8(c.text);
        if (c.ok)
            EXPECT_EQ(value, c.value) << ToUtf8(c.text);
        else
            EXPECT_EQ(ConvertErrorOf([&] { StrToFloat(c.text); }),
                      u"'" + c.text + u"' is not a valid floating point value");
    }
    double nan = 0;
    EXPECT_TRUE(TryStrToFloat(u"NaN", nan));
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_EQ(StrToFloatDef(u"oops", 2.5), 2.5);
    // Correct rounding of long mantissas: the halfway case between two doubles, nudged up by a late digit.
    EXPECT_EQ(StrToFloat(u"9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(StrToFloat(u"9007199254740993.00000000000000000000000000000001"), 9007199254740994.0);
    // The separator is the one of the settings passed in, never the C locale's.
    FormatSettings comma;
    comma.DecimalSeparator = u',';
    EXPECT_EQ(StrToFloat(u"1,25", comma), 1.25);
    EXPECT_FALSE(TryStrToFloat(u"1.25", nan, comma));
}

TEST(Convert, FloatToStrUsesFifteenDigitsInGeneralFormat)
{
    struct Case { double value; String text; } cases[] = {
        {0.0, u"0"},
        {-0.0, u"0"},
        {100.0, u"100"},
        {0.1, u"0.1"},
        {-1.5, u"-1.5"},
        {1.0 / 3.0, u"0.333333333333333"},
        {2.0 / 3.0, u"0.666666666666667"},
        {0.1 + 0.2, u"0.3"},
        {1e15, u"1E15"},
        {123456789012345.0, u"123456789012345"},
        {1234567890123456.0, u"1.23456789012346E15"},
        {1.5e-5, u"1.5E-5"},
        {1e-5, u"1E-5"},
        {0.0001, u"0.0001"},
        {0.00012345, u"0.00012345"},
        {-2.5e-10, u"-2.5E-10"},
        {1e100, u"1E100"},
        {1.7976931348623157e308, u"1.79769313486232E308"},
        {4.9406564584124654e-324, u"4.94065645841247E-324"},
        {999999999999999.9, u"1E15"},
        {0.99999999999999999, u"1"},
        {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
        {HUGE_VAL, u"INF"},
        {-HUGE_VAL, u"-INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

TEST(Convert, FloatToStrFShapes)
{
    struct Case { double value; FloatFormat format; int precision, digits; String text; } cases[] = {
        {1234.5, FloatFormat::Exponent, 4, 2, u"1.235E+03"},
        {1234.5, FloatFormat::Exponent, 15, 3, u"1.23450000000000E+003"},
        {-0.00012, FloatFormat::Exponent, 3, 0, u"-1.20E-4"},
        {0.0, FloatFormat::Exponent, 3, 2, u"0.00E+00"},
        {0.125, FloatFormat::Fixed, 18, 2, u"0.13"},   // halves round away from zero
        {-0.125, FloatFormat::Fixed, 18, 2, u"-0.13"},
        {2.5, FloatFormat::Fixed, 18, 0, u"3"},
        {1.005, FloatFormat::Fixed, 18, 2, u"1.00"},   // 1.005 is a little below in binary
        {0.004, FloatFormat::Fixed, 18, 2, u"0.00"},
        {-0.004, FloatFormat::Fixed, 18, 2, u"0.00"},  // no sign on a value that rounds to zero
        {0.005, FloatFormat::Fixed, 18, 2, u"0.01"},
        {99.995, FloatFormat::Fixed, 18, 1, u"100.0"},
        {1234.5678, FloatFormat::Fixed, 4, 2, u"1235.00"},  // precision limits the digits
        {1e20, FloatFormat::Fixed, 15, 2, u"1E20"},         // too long for fixed: general
        {1234567.891, FloatFormat::Number, 18, 2, u"1,234,567.89"},
        {-1234.5, FloatFormat::Number, 18, 0, u"-1,235"},
        {123.0, FloatFormat::Number, 18, 1, u"123.0"},
        {0.5, FloatFormat::Currency, 18, 2, u"0.50"},
        {1e15, FloatFormat::General, 15, 2, u"1E15"},
        {1e-7, FloatFormat::General, 15, 2, u"1E-07"},
        {3.14159, FloatFormat::General, 3, 0, u"3.14"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.text) << c.value;

    FormatSettings german;
    german.DecimalSeparator = u',';
    german.ThousandSeparator = u'.';
    EXPECT_EQ(FloatToStrF(1234567.5, FloatFormat::Number, 18, 2, german), u"1.234.567,50");
    EXPECT_EQ(FloatToStr(0.5, german), u"0,5");
}

TEST(Convert, FloatTextRoundTripsWithSeventeenDigits)
{
    const double values[] = {0.1, 1.0 / 3.0, 2.0 / 7.0, 1e-300, 123456.789e200, 5e-324, 0.30000000000000004};
    for (double v : values) {
        EXPECT_EQ(StrToFloat(FloatToStrF(v, FloatFormat::General, 17, 0)), v);
        EXPECT_EQ(StrToFloat(FloatToStrF(-v, FloatFormat::Exponent, 17, 0)), -v);
    }
}

TEST(Convert, Booleans)
{
    EXPECT_EQ(BoolToStr(true), u"-1");
    EXPECT_EQ(BoolToStr(false), u"0");
    EXPECT_EQ(BoolToStr(true, true), u"True");
    EXPECT_EQ(BoolToStr(false, true), u"False");
    struct Case { String text; bool ok, value; } cases[] = {
        {u"True", true, true}, {u"TRUE", true, true}, {u"false", true, false}, {u"-1", true, true},
        {u"0", true, false},   {u"2", true, true},    {u"0.5", true, true},    {u"$0", true, false},
        {u"yes", false, false}, {u"", false, false},  {u" True", false, false},
    };
    for (const auto& c : cases) {
        bool value = !c.value;
        EXPECT_EQ(TryStrToBool(c.text, value), c.ok) << ToUtf8(c.text);
        if (c.ok)
            EXPECT_EQ(value, c.value) << ToUtf8(c.text);
        else
            EXPECT_EQ(ConvertErrorOf([&] { StrToBool(c.text); }), u"'" + c.text + u"' is not a valid boolean value");
    }
}
