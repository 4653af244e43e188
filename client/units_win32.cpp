// The client's unit initialisations, in the order of the program's unit table.
#include "core/win32.h"

#include "client/globals.h"
#include "client/tools.h"
#include "client/trayicon.h"

#include <cstdlib>
#include <ctime>

namespace client {

void InitClientUnits()
{
    EnableDebugPrivilege();
    InitTrayIconUnit();
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    core::String folder(reinterpret_cast<const char16_t*>(path), length);
    folder.resize(folder.find_last_of(u"\\/") == core::String::npos ? 0 : folder.find_last_of(u"\\/") + 1);
    str_apppath = folder;
    std::srand(unsigned(std::time(nullptr)) ^ GetCurrentProcessId());
    Settings();
}

} // namespace client
