// Packed decimals: every operation unpacks to a digit string with a count of places, works on the
// digits and packs again, so nothing passes through a binary float unless a double is asked for.
#include "core/bcd.h"

#include "core/convert.h"

#include <algorithm>
#include <string>

namespace core {

namespace {

// Digits as ASCII, the last `places` of them after the decimal point; digits.size() >= places.
struct Decimal {
    bool negative = false;
    std::string digits = "0";
    int places = 0;
};

bool AllZero(const std::string& digits)
{
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

// Drops leading zeros of the integer part and the sign of zero.
void Tidy(Decimal& d)
{
    size_t drop = 0;
    while (drop + 1 < d.digits.size() && d.digits.size() - drop > size_t(d.places) && d.digits[drop] == '0')
        ++drop;
    d.digits.erase(0, drop);
    if (d.digits.empty())
        d.digits = "0";
    if (AllZero(d.digits))
        d.negative = false;
}

// Adds one unit in the last place of a digit string; true when a new leading digit appeared.
bool Increment(std::string& digits)
{
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

enum class Rounding { HalfAwayFromZero, HalfEven, Truncate };

// Cuts the number to `places` decimals (fewer than it has).
void RoundTo(Decimal& d, int places, Rounding mode)
{
    if (places >= d.places)
        return;
    const size_t keep = d.digits.size() - size_t(d.places - places);
    const std::string dropped = d.digits.substr(keep);
    d.digits.resize(keep);
    d.places = places;
    bool up = false;
    if (mode != Rounding::Truncate && !dropped.empty()) {
        const char first = dropped[0];
        const bool rest_zero = AllZero(dropped.substr(1));
        if (first > '5' || (first == '5' && !rest_zero))
            up = true;
        else if (first == '5')
            up = mode == Rounding::HalfAwayFromZero || (!d.digits.empty() && ((d.digits.back() - '0') & 1));
    }
    if (up)
        Increment(d.digits);
    if (d.digits.size() < size_t(d.places))
        d.digits.insert(0, size_t(d.places) - d.digits.size(), '0');
    Tidy(d);
}

// Brings the number within the packed form's limits.
bool Fit(Decimal& d)
{
    Tidy(d);
    if (d.places > Bcd::MaxPlaces)
        RoundTo(d, Bcd::MaxPlaces, Rounding::HalfAwayFromZero);
    if (d.digits.size() > size_t(Bcd::MaxDigits)) {
        const int excess = int(d.digits.size()) - Bcd::MaxDigits;
        if (excess > d.places)
            return false;
        RoundTo(d, d.places - excess, Rounding::HalfAwayFromZero);
        if (d.digits.size() > size_t(Bcd::MaxDigits))
            return false;
    }
    return true;
}

Decimal Unpack(const Bcd& value)
{
    Decimal d;
    const int precision = std::clamp(int(value.Precision), 1, Bcd::MaxDigits);
    d.digits.clear();
    for (int i = 0; i < precision; ++i)
        d.digits += char('0' + std::min(value.Digit(i), 9));
    d.places = value.Places();
    if (size_t(d.places) > d.digits.size())
        d.digits.insert(0, size_t(d.places) - d.digits.size(), '0');
    d.negative = (value.SignSpecialPlaces & Bcd::SignBit) != 0;
    Tidy(d);
    return d;
}

Bcd Pack(Decimal d)
{
    if (!Fit(d))
        throw EBcdOverflowException(u"BCD overflow");
    Bcd result;
    result.Precision = uint8_t(d.digits.size());
    result.SignSpecialPlaces = uint8_t(d.places) | (d.negative ? Bcd::SignBit : 0);
    for (size_t i = 0; i < d.digits.size(); ++i) {
        const uint8_t digit = uint8_t(d.digits[i] - '0');
        result.Fraction[i / 2] |= (i & 1) ? digit : uint8_t(digit << 4);
    }
    return result;
}

bool Parse(StringView text, Decimal& d)
{
    size_t i = 0, end = text.size();
    while (i < end && text[i] <= u' ')
        ++i;
    while (end > i && text[end - 1] <= u' ')
        --end;
    d = Decimal();
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        d.negative = text[i++] == u'-';
    d.digits.clear();
    bool point = false, any = false;
    for (; i < end; ++i) {
        const Char c = text[i];
        if (c >= u'0' && c <= u'9') {
            d.digits += char(c);
            any = true;
            if (point)
                ++d.places;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any)
        return false;
    if (i < end && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        bool minus = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            minus = text[i++] == u'-';
        if (i == end)
            return false;
        int exponent = 0;
        for (; i < end && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            exponent = exponent * 10 + (text[i] - u'0');
            if (exponent > 10000)
                return false;
        }
        if (minus)
            exponent = -exponent;
        d.places -= exponent;
        if (d.places < 0) {
            d.digits.append(size_t(-d.places), '0');
            d.places = 0;
        }
    }
    if (i != end)
        return false;
    if (d.digits.size() < size_t(d.places))
        d.digits.insert(0, size_t(d.places) - d.digits.size(), '0');
    Tidy(d);
    return true;
}

String ToText(const Decimal& value)
{
    Decimal d = value;
    // Trailing zeros after the point say nothing about the value.
    while (d.places > 0 && d.digits.back() == '0') {
        d.digits.pop_back();
        --d.places;
    }
    Tidy(d);
    std::string text = d.negative ? "-" : "";
    const size_t whole = d.digits.size() - size_t(d.places);
    text += whole ? d.digits.substr(0, whole) : "0";
    if (d.places)
        text += "." + d.digits.substr(whole);
    return String(text.begin(), text.end());
}

// Integer part of a number with no places left, or false when it exceeds 64 bits.
bool ToInt64(const Decimal& d, int64_t& result)
{
    unsigned __int128 magnitude = 0;
    for (char c : d.digits) {
        magnitude = magnitude * 10 + unsigned(c - '0');
        if (magnitude > (unsigned __int128)(1) << 63)
            return false;
    }
    if (!d.negative && magnitude == (unsigned __int128)(1) << 63)
        return false;
    result = d.negative ? int64_t(-(__int128)magnitude) : int64_t(magnitude);
    return true;
}

Decimal FromInt64(int64_t value, int places)
{
    Decimal d;
    d.negative = value < 0;
    const unsigned __int128 magnitude = value < 0 ? -(__int128)value : (__int128)value;
    d.digits = std::to_string((unsigned long long)magnitude);
    d.places = places;
    if (d.digits.size() < size_t(places))
        d.digits.insert(0, size_t(places) - d.digits.size(), '0');
    Tidy(d);
    return d;
}

} // namespace

bool Bcd::IsZero() const
{
    const int precision = std::clamp(int(Precision), 1, MaxDigits);
    for (int i = 0; i < precision; ++i)
        if (Digit(i) != 0)
            return false;
    return true;
}

bool Bcd::IsNegative() const
{
    return (SignSpecialPlaces & SignBit) && !IsZero();
}

bool TryStrToBcd(StringView text, Bcd& value)
{
    Decimal d;
    if (!Parse(text, d) || !Fit(d))
        return false;
    value = Pack(d);
    return true;
}

Bcd StrToBcd(StringView text)
{
    Decimal d;
    if (!Parse(text, d))
        throw EConvertError(u"'" + String(text) + u"' is not a valid BCD value");
    return Pack(d);
}

String BcdToStr(const Bcd& value)
{
    return ToText(Unpack(value));
}

Bcd IntegerToBcd(int64_t value)
{
    return Pack(FromInt64(value, 0));
}

int64_t BcdToInt64(const Bcd& value, bool truncate)
{
    Decimal d = Unpack(value);
    RoundTo(d, 0, truncate ? Rounding::Truncate : Rounding::HalfEven);
    int64_t result = 0;
    if (!ToInt64(d, result))
        throw EBcdOverflowException(u"BCD overflow");
    return result;
}

Bcd DoubleToBcd(double value)
{
    return StrToBcd(FloatToStr(value));
}

double BcdToDouble(const Bcd& value)
{
    const Decimal d = Unpack(value);
    std::string text = d.negative ? "-" : "";
    text += d.digits;
    text += "E-" + std::to_string(d.places);
    return std::strtod(text.c_str(), nullptr);
}

Bcd CurrToBcd(Currency value)
{
    return Pack(FromInt64(value.Raw(), 4));
}

bool TryBcdToCurr(const Bcd& value, Currency& result)
{
    Decimal d = Unpack(value);
    RoundTo(d, 4, Rounding::HalfEven);
    if (d.places < 4) {
        d.digits.append(size_t(4 - d.places), '0');
        d.places = 4;
    }
    int64_t raw = 0;
    if (!ToInt64(d, raw))
        return false;
    result = Currency::FromRaw(raw);
    return true;
}

Currency BcdToCurr(const Bcd& value)
{
    Currency result;
    if (!TryBcdToCurr(value, result))
        throw EBcdOverflowException(u"BCD overflow");
    return result;
}

bool NormalizeBcd(const Bcd& in, Bcd& out, int precision, int places)
{
    if (precision < 1 || precision > Bcd::MaxDigits || places < 0 || places > precision)
        return false;
    Decimal d = Unpack(in);
    if (d.places > places)
        RoundTo(d, places, Rounding::HalfAwayFromZero);
    if (d.places < places) {
        d.digits.append(size_t(places - d.places), '0');
        d.places = places;
    }
    Tidy(d);
    if (d.digits.size() - size_t(d.places) > size_t(precision - places))
        return false;
    out = Pack(d);
    return true;
}

int BcdCompare(const Bcd& a, const Bcd& b)
{
    Decimal x = Unpack(a), y = Unpack(b);
    if (x.negative != y.negative)
        return x.negative ? -1 : 1;
    // Same number of places, then the longer integer part is the larger magnitude.
    const int places = std::max(x.places, y.places);
    x.digits.append(size_t(places - x.places), '0');
    y.digits.append(size_t(places - y.places), '0');
    x.digits.erase(0, std::min(x.digits.find_first_not_of('0'), x.digits.size()));
    y.digits.erase(0, std::min(y.digits.find_first_not_of('0'), y.digits.size()));
    int order = 0;
    if (x.digits.size() != y.digits.size())
        order = x.digits.size() < y.digits.size() ? -1 : 1;
    else
        order = x.digits.compare(y.digits) < 0 ? -1 : x.digits == y.digits ? 0 : 1;
    return x.negative ? -order : order;
}

} // namespace core
