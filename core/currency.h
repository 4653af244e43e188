// Currency: a fixed-point amount, a 64-bit integer counting ten-thousandths, so that sums of money
// stay exact. Ranges from -922337203685477.5808 to 922337203685477.5807.
//
// Rounding: every conversion that drops digits (from a double, from text with more than four
// decimals, division, rounding to an integer) rounds half to even, as the platform's floating-point
// unit does in its default mode: 0.00005 -> 0.0000, 0.00015 -> 0.0002, 2.5 -> 2 when rounded to an
// integer. A double is scaled by 10^4 in double precision first, so a decimal half usually lands on
// an exact half; where the product is not one (0.00015 x 10^4 is 1.4999999999999998) it rounds by the
// binary value it really has.
//
// Overflow (and NaN or infinity from a double) raises EIntOverflow "Integer overflow"; division by
// zero raises EZeroDivide "Division by zero".
#pragma once

#include "core/string.h"

#include <compare>
#include <cstdint>

namespace core {

class Currency {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Currency() = default;

    static constexpr Currency FromRaw(int64_t scaled)
    {
        Currency result;
        result.m_value = scaled;
        return result;
    }
    static Currency FromInt(int64_t value);
    static Currency FromDouble(double value);
    static bool TryFromDouble(double value, Currency& result) noexcept;

    // The ten-thousandths.
    constexpr int64_t Raw() const { return m_value; }
    double ToDouble() const { return static_cast<double>(m_value) / Scale; }
    // Whole units: rounded half to even, or cut towards zero.
    int64_t Round() const;
    int64_t Trunc() const { return m_value / Scale; }

    Currency operator-() const;
    Currency& operator+=(Currency other);
    Currency& operator-=(Currency other);

    friend Currency operator+(Currency a, Currency b) { return a += b; }
    friend Currency operator-(Currency a, Currency b) { return a -= b; }
    friend Currency operator*(Currency a, int64_t factor);
    friend Currency operator*(int64_t factor, Currency a) { return a * factor; }
    friend Currency operator*(Currency a, double factor);
    friend Currency operator/(Currency a, int64_t divisor);
    friend Currency operator/(Currency a, double divisor);

    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;

private:
    int64_t m_value = 0;
};

// The shortest text with up to four decimals: "1.5", "-0.0001", "100". Exact: no double is involved.
String CurrToStr(Currency value);
// Optional blanks around, a sign, digits with at most one '.', an optional exponent ("1.5E3").
// Digits past the fourth decimal round half to even. StrToCurr raises EConvertError
// "'<text>' is not a valid floating point value"; out of range is an error too.
bool TryStrToCurr(StringView text, Currency& value);
Currency StrToCurr(StringView text);
Currency StrToCurrDef(StringView text, Currency fallback);

} // namespace core
