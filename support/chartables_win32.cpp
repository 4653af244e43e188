// Character tables and locale comparison: the Win32 half. The tables are filled a block at a time:
// the platform classifies and maps each unit on its own, so one call over all units gives the same
// entries as one call per unit, at a fraction of the start-up time.
#include "core/win32.h"

#include "support/chartables.h"

#include <vector>

namespace support::chartables_os {

void AnsiTypes(uint16_t types[256])
{
    char all[256];
    for (int c = 0; c < 256; ++c)
        all[c] = char(c);
    WORD out[256] = {};
    // One byte at a time: a lead byte of the code page must not join its neighbour.
    for (int c = 0; c < 256; ++c)
        GetStringTypeExA(LOCALE_USER_DEFAULT, CT_CTYPE1, &all[c], 1, &out[c]);
    for (int c = 0; c < 256; ++c)
        types[c] = out[c];
}

void AnsiCase(uint8_t lower[256], uint8_t upper[256])
{
    for (int c = 0; c < 256; ++c) {
        char l = char(c), u = char(c);
        CharLowerBuffA(&l, 1);
        CharUpperBuffA(&u, 1);
        lower[c] = uint8_t(l);
        upper[c] = uint8_t(u);
    }
}

void WideTypes(uint16_t* types)
{
    std::vector<wchar_t> all(65536);
    for (uint32_t c = 0; c < 65536; ++c)
        all[c] = wchar_t(c);
    std::vector<WORD> out(65536);
    GetStringTypeW(CT_CTYPE1, all.data(), 65536, out.data());
    for (uint32_t c = 0; c < 65536; ++c)
        types[c] = out[c];
}

void WideCase(char16_t* lower, char16_t* upper)
{
    std::vector<wchar_t> l(65536), u(65536);
    for (uint32_t c = 0; c < 65536; ++c)
        l[c] = u[c] = wchar_t(c);
    CharLowerBuffW(l.data(), 65536);
    CharUpperBuffW(u.data(), 65536);
    for (uint32_t c = 0; c < 65536; ++c) {
        lower[c] = char16_t(l[c]);
        upper[c] = char16_t(u[c]);
    }
}

int CompareWide(core::StringView a, core::StringView b, uint32_t locale)
{
    return CompareStringW(locale, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(a.data()), int(a.size()),
                          reinterpret_cast<const wchar_t*>(b.data()), int(b.size()));
}

int CompareAnsi(const std::string& a, const std::string& b, uint32_t locale)
{
    return CompareStringA(locale, NORM_IGNORECASE, a.data(), int(a.size()), b.data(), int(b.size()));
}

core::String LocaleAnsiCodePageText(uint32_t locale)
{
    wchar_t buffer[16] = {};
    if (!GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE, buffer, 16))
        return {};
    return reinterpret_cast<const char16_t*>(buffer);
}

bool ReplacementChar(char& c)
{
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info))
        return false;
    c = char(info.DefaultChar[0]);
    return true;
}

} // namespace support::chartables_os
