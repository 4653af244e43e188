// Tinting a loaded skin: the hue turned around the colour wheel and the saturation raised or
// lowered, over the master bitmap, the masks' own bitmaps, the section colours and gradients and two
// skin-wide colours. Grey pixels and the key colour $FF00FF stay as they are, and so does a border
// colour of $FF00FF, which means "no border colour". Title-bar icons can keep their colours through
// a hue change ("BIKEEPHUE": 1 all nine icons, another non-zero value the two close icons).
#pragma once

#include "core/string.h"
#include "skin/engine/skintables.h"
#include "ui/pixelview.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace skin {

using ColorAdjuster = std::function<uint32_t(uint32_t)>;
// The pixels of a mask's own bitmap, 24-bit or 32-bit, ready to be changed in place.
using MaskPixels = std::function<ui::PixelView(MaskData&)>;

// The saturation delta for a manager's Saturation value: the remainder of -value by 101.
int SaturationDelta(int value);

// Every 24-bit or 32-bit pixel that is neither grey nor the key colour; alpha bytes are kept.
void AdjustPixels(const ui::PixelView& view, const ColorAdjuster& adjust);

// The section colours, font colours other than -1, gradient colours, shadow and border colours.
void AdjustSkinColors(SkinTables& tables, const ColorAdjuster& adjust);

// The title icons whose colours a hue change keeps (their glow masks are kept with them).
std::vector<core::String> KeptTitleIcons(int keepHue);

// The whole skin; master is the master bitmap's 24-bit pixels (empty when the skin has none).
void ShiftSkinHue(SkinTables& tables, int offset, const ui::PixelView& master, const MaskPixels& maskPixels);
void ChangeSkinSaturation(SkinTables& tables, int value, const ui::PixelView& master, const MaskPixels& maskPixels);

// The same over the tables' own bitmaps: mask bitmaps other than 32-bit ones become 24-bit first.
void ApplyHueOffset(SkinTables& tables, int offset);
void ApplySaturation(SkinTables& tables, int value);

} // namespace skin
