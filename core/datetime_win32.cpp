// The local clock of the Windows build.
#include "core/datetime.h"
#include "core/win32.h"

namespace core {

TDateTime SystemNow()
{
    SYSTEMTIME local{};
    GetLocalTime(&local);
    TDateTime value = 0;
    TryEncodeDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                      local.wMilliseconds, value);
    return value;
}

} // namespace core
