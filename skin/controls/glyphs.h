// The push-button glyph list: five 48 x 16 pictures with alpha ("SF", "SR", "SD", "SE", "SC", in this
// order), read from the program's RCDATA resources at start-up and kept for the whole run.
// FIXME: the pictures are kept as PNG bytes with their checked header; turning them into the alpha
// image list (ui::ImageList of 16 x 16 cells) needs the skin engine's PNG reader, which is not built
// yet.
#pragma once

#include "core/string.h"
#include "skin/controls/pngheader.h"

#include <string>
#include <vector>

namespace skin {

struct ButtonGlyph {
    core::String Name;
    PngHeader Header;
    std::string Png;
};

// Reads the five pictures; a missing or malformed resource is left out. Runs once.
void LoadButtonGlyphs();
void FreeButtonGlyphs();
const std::vector<ButtonGlyph>& ButtonGlyphs();

} // namespace skin
