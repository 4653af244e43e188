// Keyboard shortcuts and caption accelerators. A shortcut is a virtual key in the low byte with
// modifier bits above it (scShift, scCtrl, scAlt), as the platform stores it; the accelerator of a
// caption is the character after a single '&' ("&&" is a literal ampersand).
#pragma once

#include "core/string.h"

#include <cstdint>

namespace ui {

using ShortCut = uint16_t;
constexpr ShortCut scShift = 0x2000;
constexpr ShortCut scCtrl = 0x4000;
constexpr ShortCut scAlt = 0x8000;
constexpr ShortCut scNone = 0;

// ShiftState bits (ssShift 1, ssAlt 2, ssCtrl 4) and a virtual key to a shortcut.
ShortCut MakeShortCut(uint16_t key, unsigned shift);
// "Ctrl+L", "Shift+F5", "Ctrl+Alt+Del"; empty for scNone.
core::String ShortCutToText(ShortCut shortcut);
// The reverse of ShortCutToText, modifier names compared without case; scNone for anything else.
ShortCut TextToShortCut(core::StringView text);

// The accelerator character of a caption, upper-cased for ASCII letters; 0 when it has none.
core::Char GetHotkey(core::StringView caption);
// Whether key is the caption's accelerator (letters compared without case).
bool IsAccel(core::Char key, core::StringView caption);
// The caption without its accelerator marks ("&&" becomes "&").
core::String StripHotkey(core::StringView caption);

} // namespace ui
