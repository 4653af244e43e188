// The mask values of a skin's options document. The first character of a value selects its form:
//   "!"  own image: words split at "!": file (".BMP" or ".PNG"), ImageCount, MaskType, image type
//        code, then optionally WL, WT, WR, WB;
//   "@"  glyph cut from the master bitmap: columns 2-5, 7-10, 12-15, 17-20 the rectangle,
//        22 ImageCount, 24 MaskType;
//   "^"  border: the rectangle as "@", 22-25 WL, 27-30 WT, 32-35 WR, 37-40 WB, 42 ImageCount,
//        44 MaskType, 46 DrawMode, 48 BorderWidth;
//   "~"  texture: the rectangle as "@", 22-23 DrawMode, 25 MaskType when the value is longer;
//   other, holding "#": words split at blanks and parentheses, word 2 the rectangle, word 3
//        ImageCount, MaskType and optionally BorderWidth and DrawMode ("#" alone is no mask);
//   other: an upper-cased bitmap file name holding ".BMP".
// Column numbers count from 1 at the form character; every field is a decimal integer, and one
// that is not (or is cut off) raises EConvertError.
#pragma once

#include "core/string.h"
#include "skin/engine/skinmanager.h"

namespace skin {

enum class MaskForm { None, OwnImage, Glyph, Border, Texture, Rectangle, BitmapFile };

MaskForm MaskFormOf(core::StringView value);
// The image file an OwnImage or BitmapFile value names, as the value writes it (OwnImage) or
// upper-cased (BitmapFile); empty for the other forms.
core::String MaskFileName(MaskForm form, core::StringView value);

// Fills a new mask record from the value (form as MaskFormOf gives it, not None). The image forms
// need the size of their loaded image; the others cut from the master bitmap and ignore it.
MaskData ParseMaskValue(MaskForm form, core::StringView section, core::StringView key, core::StringView value,
                        int imageWidth = 0, int imageHeight = 0);

// The same into an existing record, field by field in the order above: when a field raises, the
// fields before it are set (the loader keeps such an entry); the image and loader stay as they are.
void FillMaskValue(MaskData& m, MaskForm form, core::StringView section, core::StringView key, core::StringView value,
                   int imageWidth = 0, int imageHeight = 0);

// Margins of a mask whose skin gives none: BorderWidth on all sides when it is set, else a third of
// one state image each way.
void ApplyMarginRules(MaskData& m);

} // namespace skin
