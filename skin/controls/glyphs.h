// The push-button glyph list: five 48 x 16 pictures with alpha ("SF", "SR", "SD", "SE", "SC", in this
// order), each three 16 x 16 cells (normal, hot, pressed), read from the program's RCDATA resources
// at start-up into an alpha image list kept for the whole run.
#pragma once

#include "skin/engine/alphaimagelist.h"

namespace skin {

// Fills the list once; a missing or unreadable picture is left out.
void LoadButtonGlyphs();
void FreeButtonGlyphs();
// Null before LoadButtonGlyphs and after FreeButtonGlyphs.
TsAlphaImageList* ButtonGlyphs();

} // namespace skin
