// Currency arithmetic, rounding and text, all on the scaled 64-bit integer.
#include "core/currency.h"

#include "core/exception.h"

#include <cmath>
#include <limits>
#include <string>

namespace core {

namespace {

[[noreturn]] void RaiseOverflow()
{
    throw EIntOverflow(u"Integer overflow");
}

[[noreturn]] void RaiseZeroDivide()
{
    throw EZeroDivide(u"Division by zero");
}

// Rounds half to even and stores the result when it fits. A double is scaled in double precision, as
// the platform's 64-bit code does, so that a decimal half such as 0.00005 (binary 5.0000000000000002E-5)
// scales to exactly 0.5; products and quotients of amounts are formed in the widest type at hand so
// that large amounts keep their last digits.
bool RoundScaled(long double scaled, int64_t& result) noexcept
{
    if (!std::isfinite(scaled))
        return false;
    long double whole = std::floor(scaled);
    const long double fraction = scaled - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0))
        whole += 1;
    // 2^63 is exact in every binary type; the int64 range is [-2^63, 2^63).
    constexpr long double limit = 9223372036854775808.0L;
    if (whole < -limit || whole >= limit)
        return false;
    result = static_cast<int64_t>(whole);
    return true;
}

Currency FromScaled(long double scaled)
{
    int64_t raw = 0;
    if (!RoundScaled(scaled, raw))
        RaiseOverflow();
    return Currency::FromRaw(raw);
}

uint64_t Magnitude(int64_t value)
{
    return value < 0 ? uint64_t(0) - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

bool IsBlank(Char c)
{
    return c <= u' ';
}

bool IsDigit(Char c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

Currency Currency::FromInt(int64_t value)
{
    int64_t raw = 0;
    if (__builtin_mul_overflow(value, Scale, &raw))
        RaiseOverflow();
    return FromRaw(raw);
}

bool Currency::TryFromDouble(double value, Currency& result) noexcept
{
    int64_t raw = 0;
    if (!RoundScaled(value * Scale, raw))
        return false;
    result = FromRaw(raw);
    return true;
}

Currency Currency::FromDouble(double value)
{
    return FromScaled(value * Scale);
}

int64_t Currency::Round() const
{
    int64_t whole = m_value / Scale;
    const int64_t rest = m_value % Scale;  // same sign as m_value
    const int64_t twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > Scale || (twice == Scale && whole % 2 != 0))
        whole += m_value < 0 ? -1 : 1;
    return whole;
}

Currency Currency::operator-() const
{
    if (m_value == std::numeric_limits<int64_t>::min())
        RaiseOverflow();
    return FromRaw(-m_value);
}

Currency& Currency::operator+=(Currency other)
{
    if (__builtin_add_overflow(m_value, other.m_value, &m_value))
        RaiseOverflow();
    return *this;
}

Currency& Currency::operator-=(Currency other)
{
    int64_t result = 0;
    if (__builtin_sub_overflow(m_value, other.m_value, &result))
        RaiseOverflow();
    m_value = result;
    return *this;
}

Currency operator*(Currency a, int64_t factor)
{
    int64_t raw = 0;
    if (__builtin_mul_overflow(a.m_value, factor, &raw))
        RaiseOverflow();
    return Currency::FromRaw(raw);
}

Currency operator*(Currency a, double factor)
{
    return FromScaled(static_cast<long double>(a.m_value) * factor);
}

Currency operator/(Currency a, int64_t divisor)
{
    if (divisor == 0)
        RaiseZeroDivide();
    if (divisor == -1)
        return -a;
    int64_t quotient = a.m_value / divisor;
    const uint64_t rest = Magnitude(a.m_value % divisor);
    const uint64_t by = Magnitude(divisor);
    // rest < by <= 2^63, so doubling cannot wrap.
    if (2 * rest > by || (2 * rest == by && quotient % 2 != 0))
        quotient += (a.m_value < 0) != (divisor < 0) ? -1 : 1;
    return Currency::FromRaw(quotient);
}

Currency operator/(Currency a, double divisor)
{
    if (divisor == 0)
        RaiseZeroDivide();
    return FromScaled(static_cast<long double>(a.m_value) / divisor);
}

String CurrToStr(Currency value)
{
    const uint64_t magnitude = Magnitude(value.Raw());
    String text = value.Raw() < 0 ? u"-" : u"";
    text += UIntToStr(magnitude / Currency::Scale);
    unsigned fraction = static_cast<unsigned>(magnitude % Currency::Scale);
    if (fraction != 0) {
        Char digits[4];
        for (int i = 3; i >= 0; --i) {
            digits[i] = static_cast<Char>(u'0' + fraction % 10);
            fraction /= 10;
        }
        int count = 4;
        while (digits[count - 1] == u'0')
            --count;
        text += u'.';
        text.append(digits, count);
    }
    return text;
}

bool TryStrToCurr(StringView text, Currency& value)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';

    // The number is `digits` x 10^exponent, digits without leading zeros.
    std::string digits;
    int64_t exponent = 0;
    bool any_digit = false;
    bool point = false;
    for (; i < n; ++i) {
        const Char c = text[i];
        if (IsDigit(c)) {
            any_digit = true;
            if (point)
                --exponent;
            if (c != u'0' || !digits.empty())
                digits += static_cast<char>(c);
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any_digit)
        return false;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        bool exponent_negative = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            exponent_negative = text[i++] == u'-';
        if (i >= n || !IsDigit(text[i]))
            return false;
        int64_t written = 0;
        for (; i < n && IsDigit(text[i]); ++i) {
            // Saturate: anything this large is out of range or rounds to zero anyway.
            if (written < 1000000000)
                written = written * 10 + (text[i] - u'0');
        }
        exponent += exponent_negative ? -written : written;
    }
    while (i < n && IsBlank(text[i]))
        ++i;
    if (i != n)
        return false;

    // Scale to ten-thousandths: keep digits.size() + shift digits, round on the ones dropped.
    const int64_t shift = exponent + 4;
    const int64_t length = static_cast<int64_t>(digits.size());
    const int64_t kept = shift >= 0 ? length : length + shift;
    uint64_t magnitude = 0;
    if (length > 0 && length + shift > 19)
        return false;
    for (int64_t k = 0; k < kept; ++k) {
        if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
            __builtin_add_overflow(magnitude, static_cast<unsigned>(digits[k] - '0'), &magnitude))
            return false;
    }
    if (shift > 0 && length > 0) {
        for (int64_t k = 0; k < shift; ++k) {
            if (__builtin_mul_overflow(magnitude, 10u, &magnitude))
                return false;
        }
    }
    if (kept < length) {
        // Dropped digits start at index max(kept, 0); a kept count below zero drops leading zeros
        // first, which means less than half.
        if (kept >= 0) {
            const char first = digits[kept];
            bool rest_nonzero = false;
            for (int64_t k = kept + 1; k < length && !rest_nonzero; ++k)
                rest_nonzero = digits[k] != '0';
            const bool up = first > '5' || (first == '5' && (rest_nonzero || magnitude % 2 != 0));
            if (up && __builtin_add_overflow(magnitude, 1u, &magnitude))
                return false;
        }
    }
    constexpr uint64_t max_positive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (magnitude > max_positive + (negative ? 1 : 0))
        return false;
    value = Currency::FromRaw(negative ? static_cast<int64_t>(uint64_t(0) - magnitude)
                                       : static_cast<int64_t>(magnitude));
    return true;
}

Currency StrToCurr(StringView text)
{
    Currency value;
    if (!TryStrToCurr(text, value))
        throw EConvertError(u"'" + String(text) + u"' is not a valid floating point value");
    return value;
}

Currency StrToCurrDef(StringView text, Currency fallback)
{
    Currency value;
    return TryStrToCurr(text, value) ? value : fallback;
}

} // namespace core
