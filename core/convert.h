// Number <-> text conversions with the platform's rules: integers accept a sign, leading blanks and
// "$" or "0x" hex; floats print with 15 significant digits.
#pragma once

#include "core/string.h"

#include <cstdint>

namespace core {

// The separators the conversions use; fixed, not taken from the user's locale.
struct FormatSettings {
    Char DecimalSeparator = u'.';
    Char ThousandSeparator = u',';
};
const FormatSettings& DefaultFormatSettings();

// Integers: optional leading blanks (space, tab), optional sign, then decimal digits or hex after
// "$", "0x" or "0X"; nothing may follow, not even blanks. Decimal text out of range for the type is an
// error; hex text may use every bit, so "$FFFFFFFF" is -1 for 32 bits, and a sign negates it.
// StrToInt/StrToInt64 raise EConvertError "'<text>' is not a valid integer value".
// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigitValue(Char c);

bool TryStrToInt(StringView text, int32_t& value);
bool TryStrToInt64(StringView text, int64_t& value);
int32_t StrToInt(StringView text);
int64_t StrToInt64(StringView text);
int32_t StrToIntDef(StringView text, int32_t fallback);
int64_t StrToInt64Def(StringView text, int64_t fallback);

// Floats: optional blanks around, sign, digits with one decimal separator, optional exponent
// ("E"/"e", sign, digits); also "INF" and "NAN" in any case. Values too small for a double read 0, too
// large ones are an error. StrToFloat raises EConvertError "'<text>' is not a valid floating point value".
bool TryStrToFloat(StringView text, double& value, const FormatSettings& settings = DefaultFormatSettings());
double StrToFloat(StringView text, const FormatSettings& settings = DefaultFormatSettings());
double StrToFloatDef(StringView text, double fallback, const FormatSettings& settings = DefaultFormatSettings());

enum class FloatFormat { General, Exponent, Fixed, Number, Currency };
// General: shortest text with at most `precision` significant digits, in scientific notation
// ("1E20", "1.5E-5", `digits` minimum exponent digits) when the value has more integer digits than
// `precision` or is below 0.0001; Exponent: "d.dddE+dd", `precision` digits, `digits` minimum exponent
// digits; Fixed/Number: `digits` decimals (Number with thousand separators), in general format when
// the value has more integer digits than `precision`; Currency: as Number, without a currency sign.
// Precision is 1..18 significant digits; rounding is half away from zero (0.125 -> "0.13" with two
// decimals). A value that rounds to zero has no sign. NaN and infinities read "NAN", "INF", "-INF".
String FloatToStrF(double value, FloatFormat format, int precision, int digits,
                   const FormatSettings& settings = DefaultFormatSettings());
// General format with 15 significant digits.
String FloatToStr(double value, const FormatSettings& settings = DefaultFormatSettings());

// "True"/"False", or "-1"/"0" when useBoolStrs is false.
String BoolToStr(bool value, bool useBoolStrs = false);
// Accepts "True"/"False" in any case and any number (non-zero is true).
bool TryStrToBool(StringView text, bool& value);
bool StrToBool(StringView text);  // EConvertError "'<text>' is not a valid boolean value"

} // namespace core
