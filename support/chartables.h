// Character classes and case mappings of the ANSI and UTF-16 character sets, taken once from the
// platform's locale services (the user's default locale) so that character tests and case mapping
// are table look-ups; the few text routines of the version reader built on them; and the
// locale-aware case-insensitive comparison of wide texts.
#pragma once

#include "core/string.h"

#include <cstdint>

namespace support {

// Character-type-1 class bits.
inline constexpr uint16_t kCharUpper = 0x1;
inline constexpr uint16_t kCharLower = 0x2;
inline constexpr uint16_t kCharDigit = 0x4;

// Sections of the case maps.
inline constexpr uint32_t kAnsiLowerSection = 0, kAnsiUpperSection = 256, kAnsiSwapSection = 512;
inline constexpr uint32_t kWideLowerSection = 0, kWideUpperSection = 65536, kWideSwapSection = 131072;

// Loaders (run at start-up; each table is built only once, later calls do nothing). The accessors
// build their table on first use too.
void LoadAnsiCharTypes();
void LoadAnsiCaseMap();
void LoadWideCharTypes();
void LoadWideCaseMap();
const uint16_t* AnsiCharTypes();  // 256 entries
const uint8_t* AnsiCaseMap();     // 3 x 256
const uint16_t* WideCharTypes();  // 65536 entries
const char16_t* WideCaseMap();    // 3 x 65536

bool IsAnsiUpperChar(uint8_t c);
bool IsAnsiLowerChar(uint8_t c);
bool IsWideUpperChar(char16_t c);
bool IsWideLowerChar(char16_t c);
// "A"-"F", "a"-"f" and every unit whose class says decimal digit.
bool IsHexDigitChar(char16_t c);

// Text routines; positions are 1-based and 0 means "not found". Copies are clamped to the text.
void MapCaseInPlace(core::String& text, uint32_t section);
void UpperCaseInPlace(core::String& text);
core::String UpperCaseCopy(core::StringView text);
core::String ReplaceChar(core::StringView text, char16_t from, char16_t to);
void CutAtNul(core::String& text);
int FindText(core::StringView pattern, core::StringView text);
int FindTextFrom(core::StringView pattern, core::StringView text, int start);
core::String TextBefore(core::StringView pattern, core::StringView text);
core::String LeftCopy(core::StringView text, int count);
core::String MidCopy(core::StringView text, int start, int count);
int CharPosFrom(core::StringView text, char16_t unit, int start);
int LastCharPos(core::StringView text, char16_t unit, int start);

// -1, 0 or +1, comparing case-insensitively under the locale (a locale identifier). When the
// platform cannot compare, the ordinal comparison of the upper-cased texts decides.
int CompareTextLocale(core::StringView a, core::StringView b, uint32_t locale);
// The locale's default ANSI code page, or the system's when the locale gives none.
unsigned LocaleCodePage(uint32_t locale);
// Chooses the comparison (wide on NT, through the ANSI code page on 9x) and makes its lock.
void InitTextComparison();
void FinalizeTextComparison();

// The system ANSI code page's default character, read at start-up; ESysInternalError "Failed to get
// ANSI replacement character" when the system cannot tell.
void ReadAnsiReplacementChar();
char AnsiReplacementChar();

// ---- The OS layer (chartables_win32.cpp / chartables_host.cpp) ----
namespace chartables_os {
void AnsiTypes(uint16_t types[256]);
void AnsiCase(uint8_t lower[256], uint8_t upper[256]);
void WideTypes(uint16_t* types);                  // 65536 entries
void WideCase(char16_t* lower, char16_t* upper);  // 65536 entries each
// The platform's comparison result (1, 2, 3) or 0 when it fails.
int CompareWide(core::StringView a, core::StringView b, uint32_t locale);
int CompareAnsi(const std::string& a, const std::string& b, uint32_t locale);
core::String LocaleAnsiCodePageText(uint32_t locale);
bool ReplacementChar(char& c);
} // namespace chartables_os

} // namespace support
