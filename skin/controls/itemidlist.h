// Walks over shell item identifier lists: a sequence of items, each beginning with a 16-bit
// little-endian byte count that includes the count itself, ended by a count of 0. A count of 1
// cannot hold its own count field: a walk treats it as the end, so that a damaged list never makes
// it step by less than an item header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace skin {

// The byte count of the item at p (0 at the end).
inline unsigned ItemCount(const uint8_t* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
// The next item, or null at the end of the list.
const uint8_t* ItemIdNext(const uint8_t* item);
// The sum of the item counts plus 2 for the terminator; 0 for null.
size_t ItemIdListSize(const uint8_t* list);
// Display-name clean-up: a text of at least 2 characters that starts with "?" and a digit loses
// every "?".
std::u16string StripQuestionMarks(std::u16string text);
// Whether a file name has the extension ".zip", in any case.
bool HasZipExtension(std::u16string_view name);

} // namespace skin
