// Small routines of the skinning code: rectangle and integer arithmetic, colour blending, INI text
// held in string lists, word splitting, string replacement, folder paths and text shortening.
#pragma once

#include "core/string.h"
#include "core/stringlist.h"

#include <bitset>
#include <cstdint>
#include <functional>

namespace skin {

// A rectangle as the system has it: right and bottom edges outside.
struct Rect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const Rect&) const = default;
};

int RectWidth(const Rect& r, bool noNegative = false);
int RectHeight(const Rect& r, bool noNegative = false);
// False when r is empty or lies wholly outside outer (a shared edge counts as outside).
bool RectOverlaps(const Rect& outer, const Rect& r);
// Both corners of inner inside outer, outer's right and bottom edges counted as inside.
bool RectInsideRect(const Rect& outer, const Rect& inner);

int ClampByte(int v);
inline bool IsBetween(int v, int min, int max) { return min <= v && v <= max; }
inline int MaxOf(int a, int b) { return a > b ? a : b; }
inline int MinOf(int a, int b) { return a < b ? a : b; }
inline int ChooseInt(bool flag, int a, int b) { return flag ? a : b; }
inline core::String ChooseStr(bool flag, core::StringView a, core::StringView b) { return core::String(flag ? a : b); }

// Per channel c1 x level + c2 x (1 - level), rounded; keeps c1's high byte.
uint32_t BlendColors(uint32_t c1, uint32_t c2, double level);

// ---- INI text in string lists ----
// Empties sections and fills it with one string list per "[name]" line of lines (owned by sections);
// empty lines, lines starting with ";" and lines before the first section are dropped.
void SplitIniSections(const core::StringList& lines, core::StringList& sections);
core::String ReadSectionString(const core::StringList& sections, core::StringView section, core::StringView key,
                               core::StringView fallback);
// "0x1F" (more than 2 characters) is read as hexadecimal; text that is no number gives fallback.
int ReadSectionInteger(const core::StringList& sections, core::StringView section, core::StringView key,
                       int fallback);

// ---- Words ----
using CharSet = std::bitset<256>;
CharSet MakeCharSet(std::string_view chars);
// 1-based start of the n-th word, 0 when there are fewer words. A character is a delimiter when its
// code is at most 0x44F and its low byte is in delims (the Ansi forms: code at most 255 and in delims).
int NthWordStart(int n, core::StringView s, const CharSet& delims);
int NthWordStartAnsi(int n, core::StringView s, const CharSet& delims);
core::String NthWord(int n, core::StringView s, const CharSet& delims);
int CountWords(core::StringView s, const CharSet& delims);
int CountWordsAnsi(core::StringView s, const CharSet& delims);
core::String DeleteChars(core::StringView s, core::Char ch);
// Every occurrence replaced, left to right; a replacement is never searched again.
core::String ReplaceAll(core::StringView s, core::StringView find, core::StringView repl);

// ---- Paths and text ----
core::String NormalizeDirPath(core::StringView s);
// text when it fits width, else text shortened from the end with "..." appended until it fits;
// empty for a width <= 0. measure gives the width of a text.
core::String CutTextToWidth(core::StringView text, int width, const std::function<int(core::StringView)>& measure);

} // namespace skin
