// Formatting of text with arguments, with the platform's directive syntax:
//   "%" [index ":"] ["-"] [width] ["." precision] type
// type (either case): d u x (integers; precision = minimum digits, x is upper-case hex), e f g n m
// (floats; e/g precision = significant digits, default 15; f/n/m precision = decimals, default 2),
// p (pointer, 16 hex digits), s (text or character; precision = most characters). Width pads with
// blanks on the left, or on the right after "-". "*" takes a width, precision or index from the
// arguments; "%%" is a percent sign. An index sets which argument the directive and the ones after it
// take. %m is %n here: the number with thousand separators and two decimals, without a currency sign.
// A directive that does not parse or does not match its argument raises EConvertError
// "Format '<format>' invalid or incompatible with argument"; one past the last argument raises
// EConvertError "No argument for format '<format>'" (format texts are quoted up to 31 characters).
#pragma once

#include "core/convert.h"
#include "core/string.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace core {

// One argument. Text arguments are referred to, not copied: a FormatArg must not outlive the string
// it was made from (arguments written in the call itself always live long enough).
class FormatArg {
public:
    enum class Kind : uint8_t { Int32, UInt32, Int64, UInt64, Float, Text, Char, Pointer };

    FormatArg(int value) : m_kind(Kind::Int32) { m_int = value; }
    FormatArg(unsigned value) : m_kind(Kind::UInt32) { m_uint = value; }
    FormatArg(long value) : m_kind(sizeof(long) == 4 ? Kind::Int32 : Kind::Int64) { m_int = value; }
    FormatArg(unsigned long value) : m_kind(sizeof(long) == 4 ? Kind::UInt32 : Kind::UInt64) { m_uint = value; }
    FormatArg(long long value) : m_kind(Kind::Int64) { m_int = value; }
    FormatArg(unsigned long long value) : m_kind(Kind::UInt64) { m_uint = value; }
    FormatArg(double value) : m_kind(Kind::Float) { m_float = value; }
    FormatArg(long double value) : m_kind(Kind::Float) { m_float = double(value); }
    FormatArg(Char value) : m_kind(Kind::Char) { m_char = value; }
    FormatArg(const Char* text) : m_kind(Kind::Text), m_text(text ? StringView(text) : StringView()) {}
    FormatArg(const String& text) : m_kind(Kind::Text), m_text(text) {}
    FormatArg(StringView text) : m_kind(Kind::Text), m_text(text) {}
    FormatArg(const void* pointer) : m_kind(Kind::Pointer) { m_pointer = pointer; }
    FormatArg(std::nullptr_t) : m_kind(Kind::Pointer) { m_pointer = nullptr; }
    // A bool would silently become 1 or 0; narrow text belongs in a String first.
    FormatArg(bool) = delete;
    FormatArg(char) = delete;
    FormatArg(const char*) = delete;

    Kind GetKind() const { return m_kind; }
    bool IsInteger() const { return m_kind <= Kind::UInt64; }
    int64_t AsInt64() const { return m_int; }      // Int32, Int64
    uint64_t AsUInt64() const { return m_uint; }   // UInt32, UInt64
    double AsFloat() const { return m_float; }
    Char AsChar() const { return m_char; }
    StringView AsText() const { return m_text; }
    const void* AsPointer() const { return m_pointer; }

private:
    Kind m_kind;
    union {
        int64_t m_int;
        uint64_t m_uint;
        double m_float;
        Char m_char;
        const void* m_pointer;
    };
    StringView m_text;
};

String Format(StringView format, std::initializer_list<FormatArg> args,
              const FormatSettings& settings = DefaultFormatSettings());
String Format(StringView format, std::span<const FormatArg> args,
              const FormatSettings& settings = DefaultFormatSettings());

} // namespace core
