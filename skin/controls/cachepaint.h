// What the skinned controls' cache road shares: the background under a control, whether its cache
// must be rebuilt before a paint, and the copy of the finished cache to a device context.
#pragma once

#include "skin/engine/commondata.h"

namespace skin {

// The control's position in its parent, the offset its section item is painted at.
POINT OffsetOf(const ui::Control* control);
// The background under the control: its parent's picture at its position, or a plain colour.
TCacheInfo ParentBackground(TsCommonData& data);
// Whether the cache must be rebuilt: the background changed, the control lies partly outside its
// parent's client area (kept in HalfVisible), or the parent reports itself partly hidden.
bool CacheNeedsRebuild(TsCommonData& data);
// The whole cache onto dc at (0, 0); nothing without a cache.
void CopyCache(TsCommonData& data, HDC dc);
// The section's mask of that name in "GLOBALINFO"; -1 when the skin has none.
int GlobalMaskIndex(SkinManager* manager, core::StringView name);
// The size of one image of a mask: a third of its own bitmap's width and half its height, else its
// rectangle's width by ImageCount and height by MaskType + 1.
SIZE MaskCellSize(const MaskData& m);

} // namespace skin
