// The readers of a skin's images: the master bitmap and the masks that the options document names
// (own BMP or PNG files, rectangles of the master bitmap, bitmap files), and the JPEG patterns, of
// which the small ones become texture masks. Images come from the unpacked archive of a packed skin
// (entries found by their upper-cased names) or from the skin folder. The masks and patterns of the
// application's common sections are read from files only.
#pragma once

#include "core/string.h"
#include "core/stringlist.h"
#include "skin/engine/skintables.h"

namespace core {
class CustomIniFile;
}

namespace skin {

class TacSkinConvertor;

struct SkinImageSource {
    const TacSkinConvertor* Archive = nullptr; // the packed skin's entries, or null for a folder skin
    core::String SkinPath;                     // the folder, with its trailing separator
};

// A JPEG below this many pixels is a texture mask rather than a pattern.
constexpr int kPatternMinPixels = 90000;

// Releases the masks' own bitmaps from the last entry to the first, then the master bitmap.
void FreeMasks(SkinTables& tables);
void FreePatterns(SkinTables& tables);

// A damaged image or a bad mask field raises, leaving the masks read before it in the table.
void ReadMasks(SkinTables& tables, const core::CustomIniFile& ini, const SkinImageSource& source,
               const core::StringList* commonSections, const void* manager);
void ReadPatterns(SkinTables& tables, const core::CustomIniFile& ini, const SkinImageSource& source,
                  const core::StringList* commonSections, const void* manager);

} // namespace skin
