// Variant: a value of one of the platform's variant types (numbers, currency, dates, text, Booleans,
// interfaces, byte arrays and arrays of variants), tagged with the platform's type codes, with the
// platform's conversions and comparisons.
//
// Conversions. Empty converts to 0, "", False, date 0 and no bytes; Null converts to nothing and
// raises EVariantTypeCastError "Could not convert variant of type (Null) into type (Integer)" (use
// VarToStr for the Null-as-empty-text rule). Text converts to numbers by the integer rules ("$"/"0x"
// hex included), then the float rules, then "True"/"False"; a fractional value becomes an integer by
// rounding half to even. True is -1 as a number and "True" as text. A value that does not fit the
// target raises EVariantOverflowError "Overflow while converting variant of type (Double) into type
// (Integer)". Dates read and print as "yyyy-mm-dd hh:nn:ss", the time left out at midnight and the
// date left out on day 0 (30 December 1899) when there is a time; reading also takes "/" between the
// date's parts, "T" before the time, seconds with milliseconds or a time alone. Before day 0 the
// time of day is subtracted (-1.25 is 29 December 1899 06:00), as the platform counts.
//
// Comparisons. Null equals only Null, and every ordering (<, <=, >, >=) with a Null on either side is
// false. Empty equals Empty and otherwise stands for the other side's zero or empty text. Numbers of
// every kind compare by value (integers and currency exactly, anything with a float as doubles; a NaN
// is neither equal, less nor greater). Texts compare ordinally, case-sensitively. A text against a
// number is converted to a number (to a date against a date), which raises when it is none. A Boolean
// on either side makes the comparison Boolean, False below True. Interfaces and pointers compare by
// identity, byte arrays and arrays of variants by content; ordering them raises
// EVariantInvalidOpError "Invalid variant operation".
//
// Two kinds carry database values: packed decimals (varFMTBcd, "FMTBcd") and SQL time stamps
// (varSQLTimeStamp, "SQLTimeStamp"). A decimal is a number: it converts to and from the others and
// compares exactly with integers, currency, text and other decimals (as a double against floats). A
// time stamp is a date: it converts to a date-time value and text, and compares with dates and
// numbers as its date-time value, with another time stamp field by field.
#pragma once

#include "core/bcd.h"
#include "core/currency.h"
#include "core/sqltimestamp.h"
#include "core/exception.h"
#include "core/interface.h"
#include "core/string.h"

#include <cstdint>
#include <concepts>
#include <variant>
#include <vector>

namespace core {

CORE_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
CORE_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
CORE_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);
CORE_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);

// The platform's type codes; a code is a base type, optionally with varArray or varByRef.
enum VarType : uint16_t {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,
    varInteger = 0x0003,
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varOleStr = 0x0008,
    varDispatch = 0x0009,
    varError = 0x000A,
    varBoolean = 0x000B,
    varVariant = 0x000C,
    varUnknown = 0x000D,
    varShortInt = 0x0010,
    varByte = 0x0011,
    varWord = 0x0012,
    varLongWord = 0x0013,
    varInt64 = 0x0014,
    varUInt64 = 0x0015,
    varString = 0x0100,   // ANSI text (held here as UTF-16, converted where it leaves the process)
    varUString = 0x0102,  // the default text kind
    varFMTBcd = 0x0110,        // packed decimal (Bcd)
    varSQLTimeStamp = 0x0111,  // SQLTimeStamp
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
    varByRef = 0x4000,
};
constexpr VarType operator|(VarType a, VarType b)
{
    return static_cast<VarType>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr VarType operator&(VarType a, VarType b)
{
    return static_cast<VarType>(static_cast<unsigned>(a) & static_cast<unsigned>(b));
}

enum VariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// The integer types a Variant takes implicitly; characters and Booleans are kept apart.
template<class T>
concept VariantInteger = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
    !std::same_as<T, wchar_t> && !std::same_as<T, char8_t> && !std::same_as<T, char16_t> &&
    !std::same_as<T, char32_t>;

class Variant {
public:
    using Bytes = std::vector<uint8_t>;
    using Items = std::vector<Variant>;

    // Empty.
    Variant() noexcept = default;

    // Each integer type takes the code of its size and sign: int8_t varShortInt, uint8_t varByte,
    // int16_t varSmallint, uint16_t varWord, int32_t varInteger, uint32_t varLongWord, int64_t
    // varInt64, uint64_t varUInt64.
    // The value is built in place: assigning it over a default monostate would run the variant's
    // reset of whatever alternative it might hold.
    template<VariantInteger T>
    Variant(T value) noexcept
        requires(std::is_signed_v<T> || sizeof(T) < 8)
        : m_type(IntegerCode(sizeof(T), std::is_signed_v<T>)), m_value(std::in_place_type<int64_t>, value)
    {
    }
    template<VariantInteger T>
    Variant(T value) noexcept
        requires(std::is_unsigned_v<T> && sizeof(T) == 8)
        : m_type(varUInt64), m_value(std::in_place_type<uint64_t>, value)
    {
    }
    // Only a real bool: a pointer must not turn into a Boolean variant.
    template<class T>
        requires std::same_as<T, bool>
    Variant(T value) noexcept : m_type(varBoolean), m_value(int64_t(value ? 1 : 0))
    {
    }
    Variant(float value) noexcept : m_type(varSingle), m_value(double(value)) {}
    Variant(double value) noexcept : m_type(varDouble), m_value(value) {}
    Variant(Currency value) noexcept : m_type(varCurrency), m_value(value.Raw()) {}
    Variant(const Bcd& value) noexcept : m_type(varFMTBcd), m_value(value) {}
    Variant(const SQLTimeStamp& value) noexcept : m_type(varSQLTimeStamp), m_value(value) {}
    Variant(String value) noexcept : m_type(varUString), m_value(std::move(value)) {}
    Variant(StringView value) : m_type(varUString), m_value(String(value)) {}
    Variant(const Char* value) : m_type(varUString), m_value(String(value ? value : u"")) {}
    Variant(const char*) = delete;  // say which encoding: S("...") or u"..."
    Variant(std::nullptr_t) = delete;
    // A byte array: varArray | varByte.
    Variant(Bytes value) noexcept : m_type(varArray | varByte), m_value(std::move(value)) {}

    static Variant Null();
    static Variant FromDate(double value);
    static Variant FromUnknown(Ref<IInterface> value);
    static Variant FromOleStr(String value);
    static Variant FromAnsiString(String value);  // varString
    static Variant FromError(int32_t code);
    // An array of variants (varArray | varVariant), indexed from 0.
    static Variant ArrayOf(Items items);
    // varByRef holding a pointer the variant does not own.
    static Variant FromPointer(void* pointer);

    core::VarType VarType() const { return m_type; }
    bool IsEmpty() const { return m_type == varEmpty; }
    bool IsNull() const { return m_type == varNull; }
    bool IsNumeric() const;  // integers of every size, floats, currency, decimals (not dates or Booleans)
    bool IsString() const;   // varString, varUString or varOleStr
    bool IsArray() const { return (m_type & varArray) != 0; }
    void Clear() { *this = Variant(); }

    int32_t AsInteger() const;
    int64_t AsInt64() const;
    uint64_t AsUInt64() const;
    double AsDouble() const;
    String AsString() const;
    bool AsBoolean() const;
    Currency AsCurrency() const;
    double AsDateTime() const;
    Bcd AsBcd() const;
    SQLTimeStamp AsSQLTimeStamp() const;
    Bytes AsBytes() const;
    Ref<IInterface> AsUnknown() const;  // varUnknown or varDispatch; Empty gives null
    void* AsPointer() const;            // varByRef
    int32_t AsError() const;            // varError

    // Elements of an array of variants or of a byte array (whose elements read as varByte), indexed
    // from 0. Another kind raises EVariantNotAnArrayError "Variant is not an array"; an index outside
    // the array raises EVariantBadIndexError "Variant or safe array index out of bounds".
    int ArrayCount() const;
    Variant ArrayItem(int index) const;
    void SetArrayItem(int index, Variant value);

    // The platform's VarAsType for every scalar code, varString/varUString/varOleStr and byte arrays.
    Variant AsType(core::VarType type) const;

    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
    friend bool operator<(const Variant& a, const Variant& b);
    friend bool operator<=(const Variant& a, const Variant& b);
    friend bool operator>(const Variant& a, const Variant& b);
    friend bool operator>=(const Variant& a, const Variant& b);

private:
    static constexpr core::VarType IntegerCode(size_t size, bool is_signed)
    {
        switch (size) {
        case 1: return is_signed ? varShortInt : varByte;
        case 2: return is_signed ? varSmallint : varWord;
        case 4: return is_signed ? varInteger : varLongWord;
        default: return varInt64;
        }
    }
    void SetInteger(core::VarType type, int64_t value) noexcept
    {
        m_type = type;
        m_value = value;
    }

    friend struct VariantImpl;

    // Integers (and Booleans as 0/1, currency as ten-thousandths, error codes) as int64_t, only
    // varUInt64 as uint64_t; floats and dates as double; every text kind as String.
    core::VarType m_type = varEmpty;
    std::variant<std::monostate, int64_t, uint64_t, double, void*, String, Ref<IInterface>, Bytes, Items, Bcd,
                 SQLTimeStamp>
        m_value;
};

// The platform's names: "Integer", "UnicodeString", "Array Byte", "ByRef Empty", or "$xxxx" for a
// code it has no name for.
String VarTypeAsText(VarType type);
// Empty against Empty and Null against Null are equal, either against anything else not equal;
// otherwise the comparison above (vrNotEqual when neither equal nor ordered, as with a NaN).
VariantRelationship VarCompareValue(const Variant& a, const Variant& b);
inline bool VarIsNull(const Variant& value) { return value.IsNull(); }
inline bool VarIsEmpty(const Variant& value) { return value.IsEmpty(); }
// The text of a value, with Null as the empty text.
String VarToStr(const Variant& value);
String VarToStrDef(const Variant& value, StringView fallback);
inline Variant VarAsType(const Variant& value, VarType type) { return value.AsType(type); }

} // namespace core
