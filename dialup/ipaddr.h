// Dotted IPv4 text of the entry editor's address properties. An address is 32 bits whose bytes in
// memory order (lowest first) are the four parts in order, as in the entry record.
#pragma once

#include "dialup/dialsubs.h"

namespace dialup {

String IPToStr(uint32_t address);
// Four dot-separated decimal parts, each below 256 (an empty part counts as 0); text of six
// characters or fewer, a non-digit, or a first part 0 before a non-zero part fails.
bool Str2IP(StringView text, uint32_t& address);
uint32_t StrToIP(StringView text);
bool IsIPStr(StringView text);
bool IsFmtIPStr(String& text);

} // namespace dialup
