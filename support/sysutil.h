// The few operating-system services of the utility interface behind one thin layer:
// sysutil_win32.cpp uses the Win32 API, sysutil_host.cpp is the stand-in of the host build.
#pragma once

#include "core/exception.h"
#include "core/string.h"

#include <cstdint>

namespace support {

// "Resource <name> not found".
class EResNotFound : public core::Exception {
public:
    using Exception::Exception;
};

// The value of an environment variable; "" when it is not set.
core::String GetEnvironmentText(core::StringView name);

// Replaces every %NAME% of a variable that is set by its value (others stay as written). The
// expansion is not cut at any length. False when the system refuses.
bool ExpandEnvironmentText(core::StringView text, core::String& expanded);

// Sends the text to the debugger's output (standard error on the host).
void DebugOutput(core::StringView text);

// The short (8.3) form of an existing path; "" when there is none. The host has no short names and
// gives the path itself when it exists.
core::String ShortPathName(const core::String& path);

// Whether the system's class-identifier parser accepts the text: "{xxxxxxxx-xxxx-xxxx-xxxx-
// xxxxxxxxxxxx}" in hex digits (on Windows also a registered program identifier).
bool IsClassIdText(const core::String& text);

// The bytes of a resource of a module (a module handle; 0 is the program itself). Names and types
// are text, or "#<number>" for numbered ones. EResNotFound when there is no such resource.
std::string LoadResourceBytes(std::uintptr_t instance, const core::String& name, const core::String& type);

} // namespace support
