// The system's locale services: string sort of the user's locale, version query and the decimal
// separator.
#include "data/storage/memutils.h"

#include "core/exception.h"
#include "core/fileio.h"
#include "core/win32.h"

#include <climits>

namespace data::platform {

namespace {

DWORD Flags(bool ignoreCase)
{
    return SORT_STRINGSORT | (ignoreCase ? NORM_IGNORECASE : 0);
}

int Length(size_t size)
{
    return size > size_t(INT_MAX) ? INT_MAX : int(size);
}

} // namespace

bool DetectWin9x()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info)) {
        const unsigned code = GetLastError();
        throw core::EOSError(u"System Error.  Code: " + core::IntToStr(code) + u".\r\n" + core::SysErrorMessage(code), code);
    }
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

int CompareW(StringView S1, StringView S2, bool ignoreCase)
{
    return CompareStringW(LOCALE_USER_DEFAULT, Flags(ignoreCase), reinterpret_cast<LPCWSTR>(S1.data()),
                          Length(S1.size()), reinterpret_cast<LPCWSTR>(S2.data()), Length(S2.size()));
}

int CompareA(std::string_view S1, std::string_view S2, bool ignoreCase)
{
    return CompareStringA(LOCALE_USER_DEFAULT, Flags(ignoreCase), S1.data(), Length(S1.size()), S2.data(),
                          Length(S2.size()));
}

String DecimalSeparator()
{
    wchar_t buffer[8] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    if (length <= 1)
        return u".";
    return String(reinterpret_cast<const Char*>(buffer), size_t(length - 1));
}

} // namespace data::platform
