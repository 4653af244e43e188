// The one way into the Win32 API: version macros, include order and the few switches every Windows
// source file of the project shares. Portable code never includes this header.
#pragma once

#ifndef _WIN32
#error "core/win32.h is for the Windows build only"
#endif

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// Windows 7 is the oldest system whose headers we build against; newer calls are bound at run time.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WINVER
#define WINVER _WIN32_WINNT
#endif

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
