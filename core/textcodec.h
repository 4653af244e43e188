// Text files as bytes: a byte-order mark selects UTF-8 or UTF-16, anything else is read in the
// system ANSI code page; writing puts the mark of the chosen encoding first (none for ANSI).
#pragma once

#include "core/string.h"

#include <string>
#include <string_view>

namespace core {

enum class TextEncoding {
    Ansi,     // the system ANSI code page, no mark
    Utf8,     // EF BB BF, then UTF-8
    Utf16LE,  // FF FE, then UTF-16 little-endian
    Utf16BE,  // FE FF, then UTF-16 big-endian
};

// Decodes bytes and reports the encoding found. A trailing odd byte of UTF-16 text becomes U+FFFD.
String DecodeText(std::string_view bytes, TextEncoding* detected = nullptr);
// Encodes text with the encoding's byte-order mark in front.
std::string EncodeText(StringView text, TextEncoding encoding);

} // namespace core
