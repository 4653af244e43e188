#include "core/currency.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace core;

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

} // namespace

TEST(CurrencyValue, FromDoubleRoundsHalfToEven)
{
    struct Case { double in; int64_t raw; } cases[] = {
        {0, 0},
        {1.5, 15000},
        {-0.0001, -1},
        {0.00005, 0},         // exact half in binary terms rounds to the even neighbour
        {0.00015, 1},         // scales to 1.4999999999999998
        {1.00005, 10001},     // scales to 10000.500000000002
        {0.00025, 2},
        {-0.00025, -2},
        {-0.00035, -4},
        {0.12344999, 1234},
        {0.123451, 1235},
        {922337203685477.0, 9223372036854769664},  // the nearest double of the product
        {-922337203685477.5, -9223372036854774784},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Currency::FromDouble(c.in).Raw(), c.raw) << c.in;
        Currency tried;
        EXPECT_TRUE(Currency::TryFromDouble(c.in, tried));
        EXPECT_EQ(tried.Raw(), c.raw);
    }
    EXPECT_DOUBLE_EQ(Currency::FromRaw(-12345).ToDouble(), -1.2345);
}

TEST(CurrencyValue, OutOfRangeAndNotANumberAreOverflow)
{
    const double bad[] = {1e15, -1e15, 922337203685477.6, std::nan(""), INFINITY, -INFINITY};
    for (double value : bad) {
        Currency tried = Currency::FromRaw(7);
        EXPECT_FALSE(Currency::TryFromDouble(value, tried)) << value;
        EXPECT_EQ(tried.Raw(), 7);  // untouched on failure
        EXPECT_THROW(Currency::FromDouble(value), EIntOverflow) << value;
    }
}

TEST(CurrencyValue, RoundAndTruncToWholeUnits)
{
    struct Case { int64_t raw, round, trunc; } cases[] = {
        {0, 0, 0},
        {25000, 2, 2},
        {35000, 4, 3},
        {-25000, -2, -2},
        {-35000, -4, -3},
        {25001, 3, 2},
        {-24999, -2, -2},
        {kMax, 922337203685478, 922337203685477},
        {kMin, -922337203685478, -922337203685477},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Currency::FromRaw(c.raw).Round(), c.round) << c.raw;
        EXPECT_EQ(Currency::FromRaw(c.raw).Trunc(), c.trunc) << c.raw;
    }
}

TEST(CurrencyValue, ArithmeticIsExactAndChecksOverflow)
{
    const Currency a = Currency::FromRaw(15000);  // 1.5
    const Currency b = Currency::FromRaw(-1);     // -0.0001
    EXPECT_EQ((a + b).Raw(), 14999);
    EXPECT_EQ((b - a).Raw(), -15001);
    EXPECT_EQ((-a).Raw(), -15000);
    EXPECT_EQ((a * int64_t(3)).Raw(), 45000);
    EXPECT_EQ((int64_t(-2) * a).Raw(), -30000);
    EXPECT_EQ((a * 0.5).Raw(), 7500);
    EXPECT_EQ((Currency::FromRaw(1) * 0.5).Raw(), 0);  // half to even
    EXPECT_EQ((Currency::FromRaw(3) * 0.5).Raw(), 2);
    EXPECT_EQ((a / 2.0).Raw(), 7500);
    EXPECT_EQ(Currency::FromInt(-7).Raw(), -70000);
    EXPECT_TRUE(b < a);
    EXPECT_TRUE(a == Currency::FromRaw(15000));
    EXPECT_TRUE(Currency() == Currency::FromInt(0));

    struct Division { int64_t raw, by, result; } divisions[] = {
        {10, 4, 2},   // 2.5 -> 2
        {14, 4, 4},   // 3.5 -> 4
        {-10, 4, -2},
        {-14, 4, -4},
        {10, -4, -2},
        {11, 4, 3},
        {-11, -4, 3},
        {kMin, 2, kMin / 2},
        {kMax, kMax, 1},
        {kMin, kMin, 1},
        {kMax, 1, kMax},
        {5, kMin, 0},
    };
    for (const auto& d : divisions)
        EXPECT_EQ((Currency::FromRaw(d.raw) / d.by).Raw(), d.result) << d.raw << "/" << d.by;

    const Currency top = Currency::FromRaw(kMax);
    const Currency bottom = Currency::FromRaw(kMin);
    EXPECT_THROW(top + Currency::FromRaw(1), EIntOverflow);
    EXPECT_THROW(bottom - Currency::FromRaw(1), EIntOverflow);
    EXPECT_THROW(-bottom, EIntOverflow);
    EXPECT_THROW(bottom / int64_t(-1), EIntOverflow);
    EXPECT_THROW(top * int64_t(2), EIntOverflow);
    EXPECT_THROW(top * 2.0, EIntOverflow);
    EXPECT_THROW(Currency::FromInt(kMax / 1000), EIntOverflow);
    EXPECT_THROW(a / int64_t(0), EZeroDivide);
    EXPECT_THROW(a / 0.0, EZeroDivide);
    try {
        Currency c = top;
        c += Currency::FromRaw(1);
        FAIL();
    } catch (const EIntOverflow& error) {
        EXPECT_EQ(error.Message(), u"Integer overflow");
    }
    EXPECT_EQ((top / int64_t(-1)).Raw(), -kMax);
}

TEST(CurrencyText, ToTextUsesUpToFourDecimals)
{
    struct Case { int64_t raw; String text; } cases[] = {
        {0, u"0"},
        {15000, u"1.5"},
        {-1, u"-0.0001"},
        {1000000, u"100"},
        {12345, u"1.2345"},
        {-10, u"-0.001"},
        {kMax, u"922337203685477.5807"},
        {kMin, u"-922337203685477.5808"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CurrToStr(Currency::FromRaw(c.raw)), c.text);
        EXPECT_EQ(StrToCurr(c.text).Raw(), c.raw);  // round trip
    }
}

TEST(CurrencyText, FromTextIsExactAndRoundsHalfToEven)
{
    struct Case { String text; int64_t raw; } cases[] = {
        {u"1.5", 15000},
        {u"  -0.0001 ", -1},
        {u"+2", 20000},
        {u"1.", 10000},
        {u".5", 5000},
        {u"0.00005", 0},
        {u"0.00015", 2},
        {u"0.000050001", 1},
        {u"-0.00025", -2},
        {u"0.000049999999", 0},
        {u"1.5E3", 15000000},
        {u"1.5e-4", 2},
        {u"25E-5", 2},
        {u"0E99999999999999", 0},
        {u"1E-99999999999999", 0},
        {u"000000000000000000000000000001", 10000},
        {u"-0", 0},
        {u"922337203685477.58074", kMax},
        {u"-922337203685477.5808", kMin},
        {u"1.00000000000000000000000000000000000005", 10000},
    };
    for (const auto& c : cases) {
        Currency value;
        EXPECT_TRUE(TryStrToCurr(c.text, value)) << ToUtf8(c.text);
        EXPECT_EQ(value.Raw(), c.raw) << ToUtf8(c.text);
    }
}

TEST(CurrencyText, MalformedOrOutOfRangeTextIsRefused)
{
    const String bad[] = {
        u"", u"  ", u"-", u".", u"1.2.3", u"1,5", u"abc", u"1e", u"1e+", u"1 2", u"$10", u"0x10",
        u"922337203685477.5808", u"-922337203685477.58086", u"1E15", u"99999999999999999999",
        u"922337203685477.58075",
    };
    for (const auto& text : bad) {
        Currency value = Currency::FromRaw(9);
        EXPECT_FALSE(TryStrToCurr(text, value)) << ToUtf8(text);
        EXPECT_EQ(value.Raw(), 9);
        EXPECT_EQ(StrToCurrDef(text, Currency::FromRaw(-3)).Raw(), -3);
    }
    try {
        StrToCurr(u"1x");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), u"'1x' is not a valid floating point value");
    }
}
