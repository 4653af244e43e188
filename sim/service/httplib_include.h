// The HTTP library, after the Win32 set-up header on Windows so that its socket and windows headers
// come in the order and with the version macros the rest of the program uses.
#pragma once

#ifdef _WIN32
#include "core/win32.h"
#endif

#include <httplib.h>
