// Conversion between UTF-16 text and the byte text of Windows ANSI interfaces. Code page 0 means
// the system's ANSI code page (936 on the users' machines). Characters the code page lacks become
// "?"; invalid bytes become U+FFFD or the code page's own replacement, never an error.
#pragma once

#include "core/string.h"

#include <string>
#include <string_view>

namespace core {

// The system ANSI code page: GetACP() on Windows; on the host a process setting, 936 by default.
unsigned SystemAnsiCodePage();
// Host only (ignored on Windows): changes what SystemAnsiCodePage() reports, for tests.
void SetHostAnsiCodePage(unsigned codePage);

std::string ToAnsi(StringView text, unsigned codePage = 0);
String FromAnsi(std::string_view bytes, unsigned codePage = 0);

// Whether the conversion can represent the code page at all (936, 1252, 65001 and the other
// system code pages on Windows; on the host whatever the C library's iconv knows).
bool IsCodePageSupported(unsigned codePage);

} // namespace core
