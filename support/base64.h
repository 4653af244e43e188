// Base64 decoding of encoded text (the standard alphabet with "+" and "/"). Input and output are
// byte strings in the system ANSI code page; the decoded text is trimmed, so this is for text, not
// for binary data. There is no encoder: nothing in the system writes base64.
#pragma once

#include <string>
#include <string_view>

namespace support {

// Output := the decoded text. Characters outside the alphabet and "=" are skipped, so line breaks
// and blanks may appear anywhere; "=" counts as the value 0; an incomplete last group of one to
// three characters is ignored; bytes at or below the blank are cut from both ends of the result.
// An empty input leaves output untouched.
void Base64Decode(std::string_view input, std::string& output);

// The same, returning the result ("" for an empty input).
std::string Base64Decode(std::string_view input);

} // namespace support
