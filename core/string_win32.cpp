// Locale-aware case mapping of the Windows build, through the system's own tables.
#include "core/string.h"
#include "core/win32.h"

namespace core {

namespace {

String Map(StringView text, DWORD flag)
{
    String out(text);
    if (!out.empty())
        LCMapStringW(LOCALE_USER_DEFAULT, flag, reinterpret_cast<LPCWSTR>(text.data()), int(text.size()),
                     reinterpret_cast<LPWSTR>(out.data()), int(out.size()));
    return out;
}

} // namespace

String AnsiUpperCase(StringView text) { return Map(text, LCMAP_UPPERCASE); }
String AnsiLowerCase(StringView text) { return Map(text, LCMAP_LOWERCASE); }

} // namespace core
