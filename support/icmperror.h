// Texts of the IP status codes that ICMP echo reports, and the identification text at the start of
// every echo's data.
#pragma once
#include "core/string.h"

#include <cstdint>
#include <string>

namespace support {

// "No error", "Request timed out", ... ; "ICMP error #<code>" for a code outside the table.
core::String IcmpErrorString(int64_t code);

// The echo data of one request: size bytes of blanks whose start is the UTF-16 little-endian form of
// the 45-character identification text (cut at size).
std::string IcmpEchoData(int size);

inline constexpr char16_t kIcmpIdentification[] = u"Latency probe of the dial-up client echo data";
static_assert(sizeof(kIcmpIdentification) / sizeof(char16_t) - 1 == 45);

} // namespace support
