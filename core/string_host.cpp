// Locale-aware case mapping of the host build, through the C library's UTF-8 locale.
#include "core/string.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace core {

namespace {

locale_t Utf8Locale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", locale_t(0));
    }();
    return locale;
}

String Map(StringView text, bool upper)
{
    String out(text);
    const locale_t locale = Utf8Locale();
    for (Char& c : out) {
        // Surrogate halves are left alone: only the basic plane has case pairs that matter here.
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const wint_t mapped = upper ? towupper_l(wint_t(c), locale) : towlower_l(wint_t(c), locale);
        if (mapped <= 0xFFFF)
            c = Char(mapped);
    }
    return out;
}

} // namespace

String AnsiUpperCase(StringView text) { return Map(text, true); }
String AnsiLowerCase(StringView text) { return Map(text, false); }

} // namespace core
