// The little JSON the control port writes: string literals of text and of raw bytes.
#pragma once

#include <string>
#include <string_view>

namespace sim::service {

// UTF-8 text as a JSON string literal (quotes included); bad bytes become U+FFFD.
void AppendJsonText(std::string& out, std::string_view utf8);
// Raw bytes as a JSON string literal, one character per byte (U+0000 to U+00FF), so that a reader
// gets the bytes back exactly by taking each character's code as a byte.
void AppendJsonBytes(std::string& out, std::string_view bytes);

} // namespace sim::service
