// Text of the whole system: UTF-16 strings with the platform's rules for trimming, case, comparison
// and 1-based positions. UTF-8 is used only for bytes that leave the process as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

using Char = char16_t;
using String = std::u16string;
using StringView = std::u16string_view;

// UTF-8 <-> UTF-16. Malformed input never throws: bad bytes and lone surrogates become U+FFFD.
String FromUtf8(std::string_view bytes);
std::string ToUtf8(StringView text);

// Blanks are every character at or below U+0020, control characters included.
String Trim(StringView text);
String TrimLeft(StringView text);
String TrimRight(StringView text);

// ASCII-only case mapping and comparison, as the platform's plain text routines do.
String UpperCase(StringView text);
String LowerCase(StringView text);
int CompareStr(StringView a, StringView b);   // ordinal: <0, 0, >0
int CompareText(StringView a, StringView b);  // ASCII letters folded
bool SameStr(StringView a, StringView b);
bool SameText(StringView a, StringView b);

// Locale-aware variants: every letter the system can map, not only ASCII.
String AnsiUpperCase(StringView text);
String AnsiLowerCase(StringView text);
int AnsiCompareText(StringView a, StringView b);
bool AnsiSameText(StringView a, StringView b);

// 1-based positions; 0 means not found. Offset is where the search starts (1 = whole string).
int Pos(StringView needle, StringView haystack, int offset = 1);
// Up to count characters from the 1-based index; out-of-range parts are clipped, never an error.
String Copy(StringView text, int index, int count);

enum ReplaceFlags : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
String StringReplace(StringView text, StringView from, StringView to, unsigned flags);

String IntToStr(int64_t value);
String UIntToStr(uint64_t value);
// Upper-case hex, at least `digits` digits, zero-padded.
String IntToHex(uint64_t value, int digits);

// Convenience for literals that are plain ASCII or UTF-8 in source.
inline String S(std::string_view utf8) { return FromUtf8(utf8); }

} // namespace core
