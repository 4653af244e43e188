// Variant conversions, comparisons and type names.
#include "core/variant.h"

#include "core/datetime.h"

#include "core/convert.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace core {

namespace {

// ---- type codes ---------------------------------------------------------------------------------

bool IsIntegerCode(VarType type)
{
    switch (type) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64:
        return true;
    default:
        return false;
    }
}

bool IsFloatCode(VarType type)
{
    return type == varSingle || type == varDouble || type == varDate;
}

bool IsStringCode(VarType type)
{
    return type == varUString || type == varString || type == varOleStr;
}

// Numbers as the comparisons see them: integers, currency, decimals, floats, dates and time stamps.
bool IsNumberCode(VarType type)
{
    return IsIntegerCode(type) || IsFloatCode(type) || type == varCurrency || type == varFMTBcd ||
        type == varSQLTimeStamp;
}

// The kinds that hold an exact value: they compare with a decimal digit by digit.
bool IsExactCode(VarType type)
{
    return IsIntegerCode(type) || type == varCurrency || type == varFMTBcd;
}

[[noreturn]] void RaiseCast(VarType from, VarType to)
{
    throw EVariantTypeCastError(u"Could not convert variant of type (" + VarTypeAsText(from) +
                                u") into type (" + VarTypeAsText(to) + u")");
}

[[noreturn]] void RaiseOverflow(VarType from, VarType to)
{
    throw EVariantOverflowError(u"Overflow while converting variant of type (" + VarTypeAsText(from) +
                                u") into type (" + VarTypeAsText(to) + u")");
}

[[noreturn]] void RaiseInvalidOp()
{
    throw EVariantInvalidOpError(u"Invalid variant operation");
}

// ---- numbers ------------------------------------------------------------------------------------

// Half to even, as the platform's floating-point unit rounds; false when the result is no int64.
bool RoundHalfEven(double value, int64_t& result)
{
    if (!std::isfinite(value))
        return false;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0))
        whole += 1;
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (whole < -limit || whole >= limit)
        return false;
    result = static_cast<int64_t>(whole);
    return true;
}

enum class Parse { Ok, NotANumber, Overflow };

// Text as an integer: integer text ("$"/"0x" hex too), else float text rounded, else "True"/"False".
Parse TextToInt64(StringView text, int64_t& result)
{
    if (TryStrToInt64(text, result))
        return Parse::Ok;
    double value = 0;
    if (TryStrToFloat(text, value))
        return RoundHalfEven(value, result) ? Parse::Ok : Parse::Overflow;
    bool flag = false;
    if (TryStrToBool(text, flag)) {
        result = flag ? -1 : 0;
        return Parse::Ok;
    }
    return Parse::NotANumber;
}

// Plain decimal text beyond the signed range, which the signed rules cannot read exactly.
bool TextToUInt64(StringView text, uint64_t& result)
{
    size_t i = 0;
    while (i < text.size() && text[i] <= u' ')
        ++i;
    if (i < text.size() && text[i] == u'+')
        ++i;
    if (i == text.size())
        return false;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9' || __builtin_mul_overflow(value, 10u, &value) ||
            __builtin_add_overflow(value, unsigned(text[i] - u'0'), &value))
            return false;
    }
    result = value;
    return true;
}

// Text as a float: float text, else integer text (for hex), else "True"/"False".
bool TextToDouble(StringView text, double& result)
{
    if (TryStrToFloat(text, result))
        return true;
    int64_t whole = 0;
    if (TryStrToInt64(text, whole)) {
        result = static_cast<double>(whole);
        return true;
    }
    bool flag = false;
    if (TryStrToBool(text, flag)) {
        result = flag ? -1 : 0;
        return true;
    }
    return false;
}

// ---- dates --------------------------------------------------------------------------------------

void AppendNumber(String& text, int64_t value, int width)
{
    String digits = IntToStr(value);
    if (static_cast<int>(digits.size()) < width)
        text.append(width - digits.size(), u'0');
    text += digits;
}

// "yyyy-mm-dd hh:nn:ss", the time left out at midnight and the date left out on day 0; false for
// values outside years 1 to 9999.
bool DateToText(double value, String& text)
{
    if (!std::isfinite(value) || std::fabs(value) > 3e6)
        return false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    const TimeStamp stamp = DateTimeToTimeStamp(value);
    if (!DecodeDate(value, year, month, day) || year > 9999)
        return false;
    DecodeTime(value, hour, minute, second, msec);
    const bool has_time = stamp.Time >= MSecsPerSec;
    text.clear();
    if (stamp.Date != DateDelta || !has_time) {
        AppendNumber(text, year, 4);
        text += u'-';
        AppendNumber(text, month, 2);
        text += u'-';
        AppendNumber(text, day, 2);
    }
    if (has_time) {
        if (!text.empty())
            text += u' ';
        AppendNumber(text, hour, 2);
        text += u':';
        AppendNumber(text, minute, 2);
        text += u':';
        AppendNumber(text, second, 2);
    }
    return true;
}

// Reads 1..max_digits decimal digits at `i`.
bool ReadNumber(StringView text, size_t& i, size_t min_digits, size_t max_digits, unsigned& value)
{
    size_t count = 0;
    value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && count < max_digits) {
        value = value * 10 + (text[i] - u'0');
        ++i;
        ++count;
    }
    return count >= min_digits;
}

bool ReadTime(StringView text, size_t& i, int64_t& msecs)
{
    unsigned hour = 0, minute = 0, second = 0, milli = 0;
    if (!ReadNumber(text, i, 1, 2, hour) || i >= text.size() || text[i] != u':')
        return false;
    ++i;
    if (!ReadNumber(text, i, 1, 2, minute))
        return false;
    if (i < text.size() && text[i] == u':') {
        ++i;
        if (!ReadNumber(text, i, 1, 2, second))
            return false;
        if (i < text.size() && text[i] == u'.') {
            ++i;
            const size_t start = i;
            if (!ReadNumber(text, i, 1, 3, milli))
                return false;
            for (size_t digits = i - start; digits < 3; ++digits)
                milli *= 10;
        }
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    msecs = ((hour * 60 + minute) * 60 + second) * int64_t(1000) + milli;
    return true;
}

bool TextToDate(StringView input, double& value)
{
    const String trimmed = Trim(input);
    const StringView text = trimmed;
    size_t i = 0;
    int64_t days = 0, msecs = 0;
    unsigned year = 0, month = 0, day = 0;
    if (ReadNumber(text, i, 4, 4, year) && i < text.size() && (text[i] == u'-' || text[i] == u'/')) {
        const Char separator = text[i++];
        if (!ReadNumber(text, i, 1, 2, month) || i >= text.size() || text[i] != separator)
            return false;
        ++i;
        if (!ReadNumber(text, i, 1, 2, day))
            return false;
        double date = 0;
        if (!TryEncodeDate(int(year), int(month), int(day), date))
            return false;
        days = int64_t(date);
        if (i < text.size()) {
            if (text[i] != u' ' && text[i] != u'T')
                return false;
            ++i;
            while (i < text.size() && text[i] == u' ')
                ++i;
            if (!ReadTime(text, i, msecs))
                return false;
        }
    } else {
        i = 0;
        if (!ReadTime(text, i, msecs))
            return false;
    }
    if (i != text.size())
        return false;
    const double time = static_cast<double>(msecs) / MSecsPerDay;
    value = days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
    return true;
}

} // namespace

// ---- construction -------------------------------------------------------------------------------

Variant Variant::Null()
{
    Variant result;
    result.m_type = varNull;
    return result;
}

Variant Variant::FromDate(double value)
{
    Variant result(value);
    result.m_type = varDate;
    return result;
}

Variant Variant::FromUnknown(Ref<IInterface> value)
{
    Variant result;
    result.m_type = varUnknown;
    result.m_value = std::move(value);
    return result;
}

Variant Variant::FromOleStr(String value)
{
    Variant result(std::move(value));
    result.m_type = varOleStr;
    return result;
}

Variant Variant::FromAnsiString(String value)
{
    Variant result(std::move(value));
    result.m_type = varString;
    return result;
}

Variant Variant::FromError(int32_t code)
{
    Variant result;
    result.SetInteger(varError, code);
    return result;
}

Variant Variant::ArrayOf(Items items)
{
    Variant result;
    result.m_type = varArray | varVariant;
    result.m_value = std::move(items);
    return result;
}

Variant Variant::FromPointer(void* pointer)
{
    Variant result;
    result.m_type = varByRef;
    result.m_value = pointer;
    return result;
}

bool Variant::IsNumeric() const
{
    return IsIntegerCode(m_type) || m_type == varSingle || m_type == varDouble || m_type == varCurrency ||
        m_type == varFMTBcd;
}

bool Variant::IsString() const
{
    return IsStringCode(m_type);
}

// ---- conversions --------------------------------------------------------------------------------

int64_t Variant::AsInt64() const
{
    switch (m_type) {
    case varEmpty:
        return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return std::get<int64_t>(m_value);
    case varUInt64: {
        const uint64_t value = std::get<uint64_t>(m_value);
        if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            RaiseOverflow(m_type, varInt64);
        return static_cast<int64_t>(value);
    }
    case varBoolean:
        return std::get<int64_t>(m_value) ? -1 : 0;
    case varCurrency:
        return Currency::FromRaw(std::get<int64_t>(m_value)).Round();
    case varSingle: case varDouble: case varDate: {
        int64_t result = 0;
        if (!RoundHalfEven(std::get<double>(m_value), result))
            RaiseOverflow(m_type, varInt64);
        return result;
    }
    case varFMTBcd:
        try {
            return BcdToInt64(std::get<Bcd>(m_value));
        } catch (const EBcdOverflowException&) {
            RaiseOverflow(m_type, varInt64);
        }
    case varSQLTimeStamp: {
        int64_t result = 0;
        if (!RoundHalfEven(AsDouble(), result))
            RaiseOverflow(m_type, varInt64);
        return result;
    }
    case varString: case varUString: case varOleStr: {
        int64_t result = 0;
        switch (TextToInt64(std::get<String>(m_value), result)) {
        case Parse::Ok: return result;
        case Parse::Overflow: RaiseOverflow(m_type, varInt64);
        case Parse::NotANumber: break;
        }
        break;
    }
    default:
        break;
    }
    RaiseCast(m_type, varInt64);
}

int32_t Variant::AsInteger() const
{
    int64_t value = 0;
    try {
        value = AsInt64();
    } catch (const EVariantOverflowError&) {
        RaiseOverflow(m_type, varInteger);
    } catch (const EVariantTypeCastError&) {
        RaiseCast(m_type, varInteger);
    }
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        RaiseOverflow(m_type, varInteger);
    return static_cast<int32_t>(value);
}

uint64_t Variant::AsUInt64() const
{
    if (m_type == varUInt64)
        return std::get<uint64_t>(m_value);
    uint64_t exact = 0;
    if (IsStringCode(m_type) && TextToUInt64(std::get<String>(m_value), exact))
        return exact;
    int64_t value = 0;
    try {
        value = AsInt64();
    } catch (const EVariantOverflowError&) {
        // Floats beyond the signed range may still fit; there they are whole numbers already.
        if (IsFloatCode(m_type) || IsStringCode(m_type) || m_type == varFMTBcd) {
            const double large = AsDouble();
            if (large >= 0 && large < 18446744073709551616.0)
                return static_cast<uint64_t>(large);
        }
        RaiseOverflow(m_type, varUInt64);
    } catch (const EVariantTypeCastError&) {
        RaiseCast(m_type, varUInt64);
    }
    if (value < 0)
        RaiseOverflow(m_type, varUInt64);
    return static_cast<uint64_t>(value);
}

double Variant::AsDouble() const
{
    switch (m_type) {
    case varEmpty:
        return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return static_cast<double>(std::get<int64_t>(m_value));
    case varUInt64:
        return static_cast<double>(std::get<uint64_t>(m_value));
    case varBoolean:
        return std::get<int64_t>(m_value) ? -1 : 0;
    case varCurrency:
        return Currency::FromRaw(std::get<int64_t>(m_value)).ToDouble();
    case varSingle: case varDouble: case varDate:
        return std::get<double>(m_value);
    case varFMTBcd:
        return BcdToDouble(std::get<Bcd>(m_value));
    case varSQLTimeStamp:
        return SQLTimeStampToDateTime(std::get<SQLTimeStamp>(m_value));
    case varString: case varUString: case varOleStr: {
        double result = 0;
        if (TextToDouble(std::get<String>(m_value), result))
            return result;
        break;
    }
    default:
        break;
    }
    RaiseCast(m_type, varDouble);
}

Currency Variant::AsCurrency() const
{
    switch (m_type) {
    case varCurrency:
        return Currency::FromRaw(std::get<int64_t>(m_value));
    case varFMTBcd: {
        Currency result;
        if (!TryBcdToCurr(std::get<Bcd>(m_value), result))
            RaiseOverflow(m_type, varCurrency);
        return result;
    }
    case varSingle: case varDouble: case varDate: case varSQLTimeStamp: {
        Currency result;
        if (!Currency::TryFromDouble(AsDouble(), result))
            RaiseOverflow(m_type, varCurrency);
        return result;
    }
    case varString: case varUString: case varOleStr: {
        const String& text = std::get<String>(m_value);
        Currency result;
        if (TryStrToCurr(text, result))
            return result;
        double value = 0;
        if (!TextToDouble(text, value))
            RaiseCast(m_type, varCurrency);
        if (!Currency::TryFromDouble(value, result))
            RaiseOverflow(m_type, varCurrency);
        return result;
    }
    case varEmpty: case varBoolean:
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64: {
        int64_t whole = 0;
        try {
            whole = AsInt64();
        } catch (const EVariantOverflowError&) {
            RaiseOverflow(m_type, varCurrency);
        }
        int64_t raw = 0;
        if (__builtin_mul_overflow(whole, Currency::Scale, &raw))
            RaiseOverflow(m_type, varCurrency);
        return Currency::FromRaw(raw);
    }
    default:
        break;
    }
    RaiseCast(m_type, varCurrency);
}

bool Variant::AsBoolean() const
{
    switch (m_type) {
    case varEmpty:
        return false;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varBoolean: case varCurrency:
        return std::get<int64_t>(m_value) != 0;
    case varUInt64:
        return std::get<uint64_t>(m_value) != 0;
    case varSingle: case varDouble: case varDate:
        return std::get<double>(m_value) != 0;
    case varFMTBcd:
        return !std::get<Bcd>(m_value).IsZero();
    case varString: case varUString: case varOleStr: {
        const String& text = std::get<String>(m_value);
        bool result = false;
        if (TryStrToBool(text, result))
            return result;
        double value = 0;
        if (TryStrToFloat(text, value))
            return value != 0;
        break;
    }
    default:
        break;
    }
    RaiseCast(m_type, varBoolean);
}

double Variant::AsDateTime() const
{
    if (IsStringCode(m_type)) {
        const String& text = std::get<String>(m_value);
        double value = 0;
        if (TextToDate(text, value) || TryStrToFloat(text, value))
            return value;
        RaiseCast(m_type, varDate);
    }
    try {
        return AsDouble();
    } catch (const EVariantTypeCastError&) {
        RaiseCast(m_type, varDate);
    }
}

String Variant::AsString() const
{
    switch (m_type) {
    case varEmpty:
        return {};
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return IntToStr(std::get<int64_t>(m_value));
    case varUInt64:
        return UIntToStr(std::get<uint64_t>(m_value));
    case varBoolean:
        return BoolToStr(std::get<int64_t>(m_value) != 0, true);
    case varCurrency:
        return CurrToStr(Currency::FromRaw(std::get<int64_t>(m_value)));
    case varSingle:
        // A single holds about 7 digits; more would print its binary noise (0.100000001).
        return FloatToStrF(std::get<double>(m_value), FloatFormat::General, 7, 0);
    case varDouble:
        return FloatToStr(std::get<double>(m_value));
    case varDate: {
        String text;
        if (DateToText(std::get<double>(m_value), text))
            return text;
        break;
    }
    case varFMTBcd:
        return BcdToStr(std::get<Bcd>(m_value));
    case varSQLTimeStamp:
        return SQLTimeStampToStr(std::get<SQLTimeStamp>(m_value));
    case varString: case varUString: case varOleStr:
        return std::get<String>(m_value);
    default:
        break;
    }
    RaiseCast(m_type, varUString);
}

Bcd Variant::AsBcd() const
{
    try {
        switch (m_type) {
        case varFMTBcd:
            return std::get<Bcd>(m_value);
        case varEmpty:
            return Bcd();
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
        case varLongWord: case varInt64: case varBoolean:
            return IntegerToBcd(AsInt64());
        case varUInt64:
            return StrToBcd(UIntToStr(std::get<uint64_t>(m_value)));
        case varCurrency:
            return CurrToBcd(Currency::FromRaw(std::get<int64_t>(m_value)));
        case varSingle: case varDouble: case varDate: case varSQLTimeStamp:
            return DoubleToBcd(AsDouble());
        case varString: case varUString: case varOleStr: {
            Bcd result;
            if (TryStrToBcd(std::get<String>(m_value), result))
                return result;
            return DoubleToBcd(AsDouble());
        }
        default:
            break;
        }
    } catch (const EBcdOverflowException&) {
        RaiseOverflow(m_type, varFMTBcd);
    } catch (const EConvertError&) {
        // NaN and infinities have no decimal form.
        RaiseOverflow(m_type, varFMTBcd);
    } catch (const EVariantTypeCastError&) {
    }
    RaiseCast(m_type, varFMTBcd);
}

SQLTimeStamp Variant::AsSQLTimeStamp() const
{
    if (m_type == varSQLTimeStamp)
        return std::get<SQLTimeStamp>(m_value);
    if (IsStringCode(m_type)) {
        SQLTimeStamp result;
        if (TryStrToSQLTimeStamp(std::get<String>(m_value), result))
            return result;
        RaiseCast(m_type, varSQLTimeStamp);
    }
    double value = 0;
    try {
        value = AsDateTime();
    } catch (const EVariantError&) {
        RaiseCast(m_type, varSQLTimeStamp);
    }
    try {
        return DateTimeToSQLTimeStamp(value);
    } catch (const EConvertError&) {
        RaiseOverflow(m_type, varSQLTimeStamp);
    }
}

Variant::Bytes Variant::AsBytes() const
{
    if (m_type == (varArray | varByte))
        return std::get<Bytes>(m_value);
    if (m_type == varEmpty)
        return {};
    RaiseCast(m_type, varArray | varByte);
}

Ref<IInterface> Variant::AsUnknown() const
{
    if (m_type == varUnknown || m_type == varDispatch)
        return std::get<Ref<IInterface>>(m_value);
    if (m_type == varEmpty)
        return {};
    RaiseCast(m_type, varUnknown);
}

void* Variant::AsPointer() const
{
    if (m_type == varByRef)
        return std::get<void*>(m_value);
    RaiseCast(m_type, varByRef);
}

int32_t Variant::AsError() const
{
    if (m_type == varError)
        return static_cast<int32_t>(std::get<int64_t>(m_value));
    RaiseCast(m_type, varError);
}

// ---- arrays -------------------------------------------------------------------------------------

int Variant::ArrayCount() const
{
    if (auto items = std::get_if<Items>(&m_value))
        return static_cast<int>(items->size());
    if (auto bytes = std::get_if<Bytes>(&m_value))
        return static_cast<int>(bytes->size());
    throw EVariantNotAnArrayError(u"Variant is not an array");
}

Variant Variant::ArrayItem(int index) const
{
    if (index < 0 || index >= ArrayCount())
        throw EVariantBadIndexError(u"Variant or safe array index out of bounds");
    if (auto items = std::get_if<Items>(&m_value))
        return (*items)[static_cast<size_t>(index)];
    return std::get<Bytes>(m_value)[static_cast<size_t>(index)];
}

void Variant::SetArrayItem(int index, Variant value)
{
    if (index < 0 || index >= ArrayCount())
        throw EVariantBadIndexError(u"Variant or safe array index out of bounds");
    if (auto items = std::get_if<Items>(&m_value)) {
        (*items)[static_cast<size_t>(index)] = std::move(value);
        return;
    }
    const int64_t byte = value.AsInt64();
    if (byte < 0 || byte > 255)
        RaiseOverflow(value.m_type, varByte);
    std::get<Bytes>(m_value)[static_cast<size_t>(index)] = static_cast<uint8_t>(byte);
}

// ---- VarAsType ----------------------------------------------------------------------------------

Variant Variant::AsType(core::VarType type) const
{
    if (type == m_type)
        return *this;
    if (type == varEmpty)
        return Variant();
    if (type == varNull)
        return Null();
    if (m_type == varNull)
        RaiseCast(m_type, type);

    // Integers go through int64_t and are checked against the target's range.
    auto ranged = [&](int64_t low, int64_t high) {
        int64_t value = 0;
        try {
            value = AsInt64();
        } catch (const EVariantOverflowError&) {
            RaiseOverflow(m_type, type);
        } catch (const EVariantTypeCastError&) {
            RaiseCast(m_type, type);
        }
        if (value < low || value > high)
            RaiseOverflow(m_type, type);
        Variant result;
        result.SetInteger(type, value);
        return result;
    };
    switch (type) {
    case varShortInt: return ranged(-128, 127);
    case varByte: return ranged(0, 255);
    case varSmallint: return ranged(-32768, 32767);
    case varWord: return ranged(0, 65535);
    case varInteger: return ranged(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    case varLongWord: return ranged(0, std::numeric_limits<uint32_t>::max());
    case varInt64: return Variant(AsInt64());
    case varUInt64: return Variant(AsUInt64());
    case varSingle: {
        const double value = AsDouble();
        if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
            RaiseOverflow(m_type, type);
        return Variant(static_cast<float>(value));
    }
    case varDouble: return Variant(AsDouble());
    case varCurrency: return Variant(AsCurrency());
    case varDate: return FromDate(AsDateTime());
    case varBoolean: return Variant(AsBoolean());
    case varUString: return Variant(AsString());
    case varOleStr: return FromOleStr(AsString());
    case varString: return FromAnsiString(AsString());
    case varUnknown: return FromUnknown(AsUnknown());
    case varFMTBcd: return Variant(AsBcd());
    case varSQLTimeStamp: return Variant(AsSQLTimeStamp());
    default:
        if (type == (varArray | varByte))
            return Variant(AsBytes());
        RaiseCast(m_type, type);
    }
}

// ---- comparisons --------------------------------------------------------------------------------

struct VariantImpl {
    enum class Order { Less, Equal, Greater, Unordered };

    static Order Sign(int value)
    {
        return value < 0 ? Order::Less : value > 0 ? Order::Greater : Order::Equal;
    }

    template<class T>
    static Order Compare(T a, T b)
    {
        if (a < b)
            return Order::Less;
        if (b < a)
            return Order::Greater;
        return a == b ? Order::Equal : Order::Unordered;  // a NaN is neither
    }

    // A number either exactly in ten-thousandths (integers, currency) or as a float.
    struct Number {
        bool exact = true;
        __int128 scaled = 0;
        long double value = 0;
    };

    static Number ToNumber(const Variant& v)
    {
        Number n;
        if (v.m_type == varCurrency) {
            n.scaled = std::get<int64_t>(v.m_value);
        } else if (v.m_type == varUInt64) {
            n.scaled = static_cast<__int128>(std::get<uint64_t>(v.m_value)) * Currency::Scale;
        } else if (IsIntegerCode(v.m_type)) {
            n.scaled = static_cast<__int128>(std::get<int64_t>(v.m_value)) * Currency::Scale;
        } else if (v.m_type == varFMTBcd || v.m_type == varSQLTimeStamp) {
            n.exact = false;
            n.value = v.AsDouble();
        } else {
            n.exact = false;
            n.value = std::get<double>(v.m_value);
        }
        return n;
    }

    static Number Float(long double value)
    {
        Number n;
        n.exact = false;
        n.value = value;
        return n;
    }

    static Order CompareNumbers(const Number& x, const Number& y)
    {
        if (x.exact && y.exact)
            return Compare(x.scaled, y.scaled);
        const long double left = x.exact ? static_cast<long double>(x.scaled) / Currency::Scale : x.value;
        const long double right = y.exact ? static_cast<long double>(y.scaled) / Currency::Scale : y.value;
        return Compare(left, right);
    }

    // A text against a number: the text becomes a date against a date, a float otherwise.
    static Order CompareTextWithNumber(const Variant& text, const Variant& number)
    {
        if (number.m_type == varFMTBcd) {
            Bcd exact;
            if (TryStrToBcd(std::get<String>(text.m_value), exact))
                return Sign(BcdCompare(exact, std::get<Bcd>(number.m_value)));
        }
        const bool date = number.m_type == varDate || number.m_type == varSQLTimeStamp;
        const double value = date ? text.AsDateTime() : text.AsDouble();
        return CompareNumbers(Float(value), ToNumber(number));
    }

    static Order Reverse(Order order)
    {
        return order == Order::Less ? Order::Greater : order == Order::Greater ? Order::Less : order;
    }

    // Neither side is Null. Kinds that have no order give Equal or Unordered, or raise when an order
    // is asked for.
    static Order CompareValues(const Variant& a, const Variant& b, bool ordering)
    {
        const VarType ta = a.m_type, tb = b.m_type;
        if (ta == varEmpty || tb == varEmpty) {
            if (ta == tb)
                return Order::Equal;
            const bool left_empty = ta == varEmpty;
            const Variant& other = left_empty ? b : a;
            // Empty stands for the other side's zero or empty text.
            const VarType kind = other.m_type;
            Order order;
            if (IsStringCode(kind))
                order = std::get<String>(other.m_value).empty() ? Order::Equal : Order::Less;
            else if (kind == varBoolean)
                order = Compare(0, int(other.AsBoolean()));
            else if (IsNumberCode(kind))
                order = CompareNumbers(Number(), ToNumber(other));
            else if (ordering)
                RaiseInvalidOp();
            else
                return Order::Unordered;
            return left_empty ? order : Reverse(order);
        }
        if (ta == varBoolean || tb == varBoolean) {
            const bool orderable_a = ta == varBoolean || IsStringCode(ta) || IsNumberCode(ta);
            const bool orderable_b = tb == varBoolean || IsStringCode(tb) || IsNumberCode(tb);
            if (orderable_a && orderable_b)
                return Compare(int(a.AsBoolean()), int(b.AsBoolean()));
        }
        if (IsStringCode(ta) && IsStringCode(tb))
            return Sign(CompareStr(std::get<String>(a.m_value), std::get<String>(b.m_value)));
        if (ta == varSQLTimeStamp && tb == varSQLTimeStamp)
            return Sign(CompareSQLTimeStamp(std::get<SQLTimeStamp>(a.m_value), std::get<SQLTimeStamp>(b.m_value)));
        if ((ta == varFMTBcd || tb == varFMTBcd) && IsExactCode(ta) && IsExactCode(tb))
            return Sign(BcdCompare(a.AsBcd(), b.AsBcd()));
        if (IsNumberCode(ta) && IsNumberCode(tb))
            return CompareNumbers(ToNumber(a), ToNumber(b));
        if (IsStringCode(ta) && IsNumberCode(tb))
            return CompareTextWithNumber(a, b);
        if (IsNumberCode(ta) && IsStringCode(tb))
            return Reverse(CompareTextWithNumber(b, a));

        // Identity and content: equal or not, never ordered.
        if (ordering)
            RaiseInvalidOp();
        bool equal = false;
        if (ta == tb) {
            equal = a.m_value == b.m_value;  // arrays of variants element by element, with these rules
        } else if ((ta == varUnknown || ta == varDispatch) && (tb == varUnknown || tb == varDispatch)) {
            equal = std::get<Ref<IInterface>>(a.m_value) == std::get<Ref<IInterface>>(b.m_value);
        }
        return equal ? Order::Equal : Order::Unordered;
    }
};

bool operator==(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return a.IsNull() && b.IsNull();
    return VariantImpl::CompareValues(a, b, false) == VariantImpl::Order::Equal;
}

bool operator<(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return false;
    return VariantImpl::CompareValues(a, b, true) == VariantImpl::Order::Less;
}

bool operator<=(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return false;
    const auto order = VariantImpl::CompareValues(a, b, true);
    return order == VariantImpl::Order::Less || order == VariantImpl::Order::Equal;
}

bool operator>(const Variant& a, const Variant& b)
{
    return b < a;
}

bool operator>=(const Variant& a, const Variant& b)
{
    return b <= a;
}

VariantRelationship VarCompareValue(const Variant& a, const Variant& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? vrEqual : vrNotEqual;
    if (a.IsNull())
        return b.IsNull() ? vrEqual : vrNotEqual;
    if (b.IsEmpty() || b.IsNull())
        return vrNotEqual;
    switch (VariantImpl::CompareValues(a, b, false)) {
    case VariantImpl::Order::Less: return vrLessThan;
    case VariantImpl::Order::Equal: return vrEqual;
    case VariantImpl::Order::Greater: return vrGreaterThan;
    case VariantImpl::Order::Unordered: break;
    }
    return vrNotEqual;
}

// ---- names and text -----------------------------------------------------------------------------

String VarTypeAsText(VarType type)
{
    static constexpr const char16_t* names[] = {
        u"Empty", u"Null", u"Smallint", u"Integer", u"Single", u"Double", u"Currency", u"Date",
        u"OleStr", u"Dispatch", u"Error", u"Boolean", u"Variant", u"Unknown", u"Decimal", nullptr,
        u"ShortInt", u"Byte", u"Word", u"LongWord", u"Int64", u"UInt64",
    };
    const unsigned base = type & varTypeMask;
    String text;
    if (base < std::size(names) && names[base])
        text = names[base];
    else if (base == varString)
        text = u"String";
    else if (base == varUString)
        text = u"UnicodeString";
    else if (base == varFMTBcd)
        text = u"FMTBcd";
    else if (base == varSQLTimeStamp)
        text = u"SQLTimeStamp";
    else
        text = u"$" + IntToHex(base, 4);
    if (type & varArray)
        text = u"Array " + text;
    if (type & varByRef)
        text = u"ByRef " + text;
    return text;
}

String VarToStr(const Variant& value)
{
    return value.IsNull() ? String() : value.AsString();
}

String VarToStrDef(const Variant& value, StringView fallback)
{
    return value.IsNull() ? String(fallback) : value.AsString();
}

} // namespace core
