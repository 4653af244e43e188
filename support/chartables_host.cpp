// Character tables and locale comparison: the host stand-in takes classes and case forms from the C
// library's UTF-8 locale (ASCII rules for the ANSI table, whose upper half is lead bytes in the
// code pages the client meets) and compares by upper-cased code units.
#include "support/chartables.h"

#include "core/codepage.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace support::chartables_os {

namespace {

locale_t Utf8Locale()
{
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", locale_t(0));
    }();
    return loc;
}

uint16_t TypeOf(wint_t c)
{
    const locale_t loc = Utf8Locale();
    uint16_t t = 0;
    if (iswupper_l(c, loc))
        t |= kCharUpper;
    if (iswlower_l(c, loc))
        t |= kCharLower;
    if (iswdigit_l(c, loc))
        t |= kCharDigit;
    return t;
}

char16_t Map(uint32_t c, bool upper)
{
    // Surrogates stand for themselves; a form outside the basic plane keeps the unit unchanged.
    if (c >= 0xD800 && c <= 0xDFFF)
        return char16_t(c);
    const wint_t m = upper ? towupper_l(wint_t(c), Utf8Locale()) : towlower_l(wint_t(c), Utf8Locale());
    return m > 0xFFFF ? char16_t(c) : char16_t(m);
}

} // namespace

void AnsiTypes(uint16_t types[256])
{
    for (int c = 0; c < 256; ++c)
        types[c] = c < 128 ? TypeOf(wint_t(c)) : 0;
}

void AnsiCase(uint8_t lower[256], uint8_t upper[256])
{
    for (int c = 0; c < 256; ++c) {
        lower[c] = c >= 'A' && c <= 'Z' ? uint8_t(c + 32) : uint8_t(c);
        upper[c] = c >= 'a' && c <= 'z' ? uint8_t(c - 32) : uint8_t(c);
    }
}

void WideTypes(uint16_t* types)
{
    for (uint32_t c = 0; c < 65536; ++c)
        types[c] = c >= 0xD800 && c <= 0xDFFF ? 0 : TypeOf(wint_t(c));
}

void WideCase(char16_t* lower, char16_t* upper)
{
    for (uint32_t c = 0; c < 65536; ++c) {
        lower[c] = Map(c, false);
        upper[c] = Map(c, true);
    }
}

int CompareWide(core::StringView a, core::StringView b, uint32_t)
{
    const int r = core::CompareStr(UpperCaseCopy(a), UpperCaseCopy(b));
    return r < 0 ? 1 : r > 0 ? 3 : 2;
}

int CompareAnsi(const std::string& a, const std::string& b, uint32_t locale)
{
    return CompareWide(core::FromAnsi(a), core::FromAnsi(b), locale);
}

core::String LocaleAnsiCodePageText(uint32_t) { return core::UIntToStr(core::SystemAnsiCodePage()); }

bool ReplacementChar(char& c)
{
    c = '?';
    return true;
}

} // namespace support::chartables_os
