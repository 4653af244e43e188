// Bcd: an exact decimal in the platform's packed form, 34 bytes that sit as they are in a record
// buffer: a precision byte (the number of digits stored, 1..64), a byte holding the sign (bit 7, set
// for negative values), a "special" flag (bit 6, kept but not interpreted) and the number of decimal
// places (bits 0..5), then 32 bytes of digits, two to a byte, most significant digit first in the
// high nibble of the first byte. The last `places` of the `precision` digits follow the decimal point.
//
// Text reads with optional blanks around, a sign, digits with at most one '.', and an optional
// exponent ("1.5E3"); the value keeps the places it was written with ("12.50" has 2 places). Text is
// written without trailing zeros after the point ("12.5", "-0.001", "0"). Digits beyond 64, or places
// beyond 63, are rounded off half away from zero; a value whose integer part needs more than 64
// digits raises EBcdOverflowException "BCD overflow".
#pragma once

#include "core/currency.h"
#include "core/exception.h"
#include "core/string.h"

#include <cstdint>

namespace core {

CORE_DECLARE_EXCEPTION(EBcdException, Exception);
CORE_DECLARE_EXCEPTION(EBcdOverflowException, EBcdException);

struct Bcd {
    static constexpr int MaxDigits = 64;
    static constexpr int MaxPlaces = 63;
    static constexpr uint8_t SignBit = 0x80;
    static constexpr uint8_t SpecialBit = 0x40;
    static constexpr uint8_t PlacesMask = 0x3F;

    uint8_t Precision = 1;
    uint8_t SignSpecialPlaces = 0;
    uint8_t Fraction[32] = {};

    int Places() const { return SignSpecialPlaces & PlacesMask; }
    bool IsNegative() const;  // false for zero, whatever the sign bit says
    bool IsZero() const;
    // The digit at a 0-based index of the Precision digits.
    int Digit(int index) const { return (index & 1) ? Fraction[index / 2] & 0x0F : Fraction[index / 2] >> 4; }
};
static_assert(sizeof(Bcd) == 34, "the packed decimal is 34 bytes in a record");

bool TryStrToBcd(StringView text, Bcd& value);
// EConvertError "'<text>' is not a valid BCD value"; EBcdOverflowException for too many digits.
Bcd StrToBcd(StringView text);
String BcdToStr(const Bcd& value);

Bcd IntegerToBcd(int64_t value);
// The whole part, with the fraction rounded half to even (as the platform rounds numbers to integers)
// or cut off; EBcdOverflowException when it does not fit 64 bits.
int64_t BcdToInt64(const Bcd& value, bool truncate = false);
// A double goes through its 15-digit text, so 0.1 becomes exactly 0.1. NaN and infinities raise
// EConvertError.
Bcd DoubleToBcd(double value);
double BcdToDouble(const Bcd& value);
Bcd CurrToBcd(Currency value);
// Places beyond four round half to even, as every conversion to currency does. False (or, for
// BcdToCurr, EBcdOverflowException) when the value is out of currency's range.
bool TryBcdToCurr(const Bcd& value, Currency& result);
Currency BcdToCurr(const Bcd& value);

// Rounds (half away from zero) or pads to `places` decimals within `precision` digits in all; false
// when the integer part needs more than precision - places digits. Precision 1..64, places
// 0..precision.
bool NormalizeBcd(const Bcd& in, Bcd& out, int precision, int places);

// -1, 0 or 1 by value: 1.50 equals 1.5, and -0 equals 0.
int BcdCompare(const Bcd& a, const Bcd& b);
inline bool operator==(const Bcd& a, const Bcd& b) { return BcdCompare(a, b) == 0; }
inline bool operator<(const Bcd& a, const Bcd& b) { return BcdCompare(a, b) < 0; }

} // namespace core
