// Number <-> text conversions. Parsing is done by hand so that the accepted forms are exactly the
// platform's; digits are produced by std::to_chars/from_chars, which are correctly rounded and never
// look at the C locale.
#include "core/convert.h"

#include "core/exception.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

namespace core {

const FormatSettings& DefaultFormatSettings()
{
    static const FormatSettings settings;
    return settings;
}

int HexDigitValue(Char c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

namespace {

bool IsBlank(Char c) { return c == u' ' || c == u'\t'; }

int DigitValue(Char c, int base)
{
    const int d = HexDigitValue(c);
    return d < base ? d : -1;
}

// Decimal text must fit the signed type; hex text may use every bit of it, so "$FFFFFFFF" reads -1 for
// 32 bits, as the platform does. A sign in front of hex negates the bit pattern.
template <typename T>
bool ParseInteger(StringView text, T& value)
{
    using U = std::make_unsigned_t<T>;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return false;
    const U limit = base == 16 ? std::numeric_limits<U>::max()
                    : negative ? U(std::numeric_limits<T>::max()) + 1
                               : U(std::numeric_limits<T>::max());
    U magnitude = 0;
    for (; i < n; ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0)
            return false;
        if (magnitude > (limit - U(d)) / U(base))
            return false;
        magnitude = U(magnitude * U(base) + U(d));
    }
    value = T(negative ? U(U(0) - magnitude) : magnitude);
    return true;
}

[[noreturn]] void RaiseConvert(const char16_t* pattern, StringView text)
{
    String message(pattern);
    const size_t at = message.find(u"%s");
    message.replace(at, 2, text);
    throw EConvertError(message);
}

[[noreturn]] void RaiseInteger(StringView text) { RaiseConvert(u"'%s' is not a valid integer value", text); }

} // namespace

bool TryStrToInt(StringView text, int32_t& value) { return ParseInteger(text, value); }
bool TryStrToInt64(StringView text, int64_t& value) { return ParseInteger(text, value); }

int32_t StrToInt(StringView text)
{
    int32_t value = 0;
    if (!ParseInteger(text, value))
        RaiseInteger(text);
    return value;
}

int64_t StrToInt64(StringView text)
{
    int64_t value = 0;
    if (!ParseInteger(text, value))
        RaiseInteger(text);
    return value;
}

int32_t StrToIntDef(StringView text, int32_t fallback)
{
    int32_t value = 0;
    return ParseInteger(text, value) ? value : fallback;
}

int64_t StrToInt64Def(StringView text, int64_t fallback)
{
    int64_t value = 0;
    return ParseInteger(text, value) ? value : fallback;
}

bool TryStrToFloat(StringView text, double& value, const FormatSettings& settings)
{
    size_t i = 0;
    size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (n > i && IsBlank(text[n - 1]))
        --n;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    const StringView rest = text.substr(i, n - i);
    if (rest.size() == 3 && SameText(rest, u"INF")) {
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    if (rest.size() == 3 && SameText(rest, u"NAN")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }

    // The mantissa's digits are copied without leading zeros; `scale` counts where the decimal point
    // sits relative to them, so the value is 0.<digits> * 10^(scale + exponent).
    std::string digits;
    long scale = 0;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < n; ++i) {
        const Char c = text[i];
        if (c >= u'0' && c <= u'9') {
            sawDigit = true;
            if (digits.empty() && c == u'0') {
                if (sawPoint)
                    --scale;
                continue;
            }
            digits.push_back(char(c));
            if (!sawPoint)
                ++scale;
        } else if (c == settings.DecimalSeparator && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
    }
    if (!sawDigit)
        return false;
    long exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == u'-' || text[i] == u'+')) {
            expNegative = text[i] == u'-';
            ++i;
        }
        if (i == n)
            return false;
        for (; i < n; ++i) {
            if (text[i] < u'0' || text[i] > u'9')
                return false;
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i] - u'0');
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (i != n)
        return false;
    if (digits.empty()) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    const long magnitude = scale + exponent;  // the value lies in [10^(magnitude-1), 10^magnitude)
    if (magnitude > 400)
        return false;
    if (magnitude < -400) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    std::string ascii = "0." + digits + "e" + std::to_string(magnitude);
    double parsed = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude > 0)
            return false;  // overflow
        parsed = 0;        // underflow
    } else if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size()) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

double StrToFloat(StringView text, const FormatSettings& settings)
{
    double value = 0;
    if (!TryStrToFloat(text, value, settings))
        RaiseConvert(u"'%s' is not a valid floating point value", text);
    return value;
}

double StrToFloatDef(StringView text, double fallback, const FormatSettings& settings)
{
    double value = 0;
    return TryStrToFloat(text, value, settings) ? value : fallback;
}

namespace {

constexpr int kMaxDigits = 18;

// A finite value as decimal digits: value = 0.<digits> * 10^exponent, with no trailing zeros; zero has
// no digits. Eighteen significant digits are taken first (enough to tell a double apart from its
// neighbours) and every later rounding is half away from zero on those digits, as the platform's
// conversion does, so 0.125 with two decimals reads 0.13.
struct Decimal {
    bool negative = false;
    int count = 0;
    int exponent = 0;
    char digits[kMaxDigits + 1] = {};

    void TrimZeros()
    {
        while (count > 0 && digits[count - 1] == '0')
            --count;
        if (count == 0)
            exponent = 0;
    }

    // Keeps `keep` significant digits; keep <= 0 rounds on the first digit.
    void RoundTo(int keep)
    {
        if (keep >= count)
            return;
        if (keep < 0) {
            count = 0;
            exponent = 0;
            return;
        }
        const bool up = digits[keep] >= '5';
        count = keep;
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9')
                --i;
            if (i < 0) {
                digits[0] = '1';
                count = 1;
                ++exponent;
            } else {
                ++digits[i];
                count = i + 1;
            }
        }
        TrimZeros();
    }

    char Digit(int index) const { return index >= 0 && index < count ? digits[index] : '0'; }
};

Decimal ToDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buffer[64];
    // "d.ddddddddddddddddde+XX"
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, kMaxDigits - 1);
    const char* p = buffer;
    d.digits[d.count++] = *p++;
    if (*p == '.')
        ++p;
    while (p < result.ptr && *p != 'e' && d.count < kMaxDigits)
        d.digits[d.count++] = *p++;
    while (p < result.ptr && *p != 'e')
        ++p;
    int exponent = 0;
    if (p < result.ptr) {
        ++p;
        std::from_chars(*p == '+' ? p + 1 : p, result.ptr, exponent);
    }
    d.exponent = exponent + 1;
    d.TrimZeros();
    return d;
}

void AppendExponent(String& out, int exponent, int minDigits, bool plusSign)
{
    out += u'E';
    if (exponent < 0)
        out += u'-';
    else if (plusSign)
        out += u'+';
    const String number = UIntToStr(uint64_t(exponent < 0 ? -exponent : exponent));
    if (int(number.size()) < minDigits)
        out.append(size_t(minDigits) - number.size(), u'0');
    out += number;
}

String FormatGeneral(Decimal d, int precision, int expDigits, const FormatSettings& settings)
{
    d.RoundTo(precision);
    if (d.count == 0)
        return u"0";
    String out;
    if (d.negative)
        out += u'-';
    if (d.exponent > precision || d.exponent < -3) {
        out += Char(d.digits[0]);
        if (d.count > 1) {
            out += settings.DecimalSeparator;
            for (int i = 1; i < d.count; ++i)
                out += Char(d.digits[i]);
        }
        AppendExponent(out, d.exponent - 1, expDigits, false);
        return out;
    }
    if (d.exponent <= 0) {
        out += u'0';
        out += settings.DecimalSeparator;
        out.append(size_t(-d.exponent), u'0');
        for (int i = 0; i < d.count; ++i)
            out += Char(d.digits[i]);
        return out;
    }
    for (int i = 0; i < d.exponent; ++i)
        out += Char(d.Digit(i));
    if (d.count > d.exponent) {
        out += settings.DecimalSeparator;
        for (int i = d.exponent; i < d.count; ++i)
            out += Char(d.digits[i]);
    }
    return out;
}

String FormatExponent(Decimal d, int precision, int expDigits, const FormatSettings& settings)
{
    d.RoundTo(precision);
    String out;
    if (d.negative && d.count > 0)
        out += u'-';
    out += Char(d.Digit(0));
    if (precision > 1) {
        out += settings.DecimalSeparator;
        for (int i = 1; i < precision; ++i)
            out += Char(d.Digit(i));
    }
    AppendExponent(out, d.count == 0 ? 0 : d.exponent - 1, expDigits, true);
    return out;
}

String FormatFixed(Decimal d, int precision, int decimals, bool thousands, const FormatSettings& settings)
{
    if (d.exponent > precision)
        return FormatGeneral(d, precision, 0, settings);
    d.RoundTo(std::min(precision, d.exponent + decimals));
    String out;
    if (d.negative && d.count > 0)
        out += u'-';
    if (d.exponent <= 0) {
        out += u'0';
    } else {
        for (int i = 0; i < d.exponent; ++i) {
            if (thousands && i > 0 && (d.exponent - i) % 3 == 0)
                out += settings.ThousandSeparator;
            out += Char(d.Digit(i));
        }
    }
    if (decimals > 0) {
        out += settings.DecimalSeparator;
        for (int i = 0; i < decimals; ++i)
            out += Char(d.Digit(d.exponent + i));
    }
    return out;
}

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

} // namespace

String FloatToStrF(double value, FloatFormat format, int precision, int digits, const FormatSettings& settings)
{
    if (std::isnan(value))
        return u"NAN";
    if (std::isinf(value))
        return value < 0 ? u"-INF" : u"INF";
    precision = Clamp(precision, 1, kMaxDigits);
    const Decimal d = ToDecimal(value);
    switch (format) {
    case FloatFormat::General:
        return FormatGeneral(d, precision, Clamp(digits, 0, 4), settings);
    case FloatFormat::Exponent:
        return FormatExponent(d, precision, Clamp(digits, 0, 4), settings);
    case FloatFormat::Fixed:
        return FormatFixed(d, precision, Clamp(digits, 0, kMaxDigits), false, settings);
    case FloatFormat::Number:
    case FloatFormat::Currency:
        return FormatFixed(d, precision, Clamp(digits, 0, kMaxDigits), true, settings);
    }
    return FormatGeneral(d, precision, 0, settings);
}

String FloatToStr(double value, const FormatSettings& settings)
{
    return FloatToStrF(value, FloatFormat::General, 15, 0, settings);
}

String BoolToStr(bool value, bool useBoolStrs)
{
    if (useBoolStrs)
        return value ? u"True" : u"False";
    return value ? u"-1" : u"0";
}

bool TryStrToBool(StringView text, bool& value)
{
    if (SameText(text, u"True")) {
        value = true;
        return true;
    }
    if (SameText(text, u"False")) {
        value = false;
        return true;
    }
    int64_t integer = 0;
    if (TryStrToInt64(text, integer)) {
        value = integer != 0;
        return true;
    }
    double number = 0;
    if (TryStrToFloat(text, number)) {
        value = number != 0;
        return true;
    }
    return false;
}

bool StrToBool(StringView text)
{
    bool value = false;
    if (!TryStrToBool(text, value))
        RaiseConvert(u"'%s' is not a valid boolean value", text);
    return value;
}

} // namespace core
