// What the skinned controls' cache road shares.
#include "skin/controls/cachepaint.h"

#include "skin/engine/skintables.h"
#include "ui/wincontrol.h"

namespace skin {

POINT OffsetOf(const ui::Control* control) { return POINT{control->Left(), control->Top()}; }

TCacheInfo ParentBackground(TsCommonData& data)
{
    TCacheInfo ci;
    data.GetParentCache(ci);
    return ci;
}

bool CacheNeedsRebuild(TsCommonData& data)
{
    ui::Control* owner = data.OwnerControl();
    bool parentHidden = false;
    if (owner && owner->Parent()) {
        ui::WinControl* parent = owner->Parent();
        RECT pr = parent->ClientRect();
        RECT b = owner->BoundsRect();
        data.HalfVisible = !RectInsideRect(Rect{pr.left, pr.top, pr.right, pr.bottom},
                                           Rect{b.left, b.top, b.right, b.bottom});
        if (parent->HandleAllocated())
            parentHidden = SendAcMessage(parent->HandleIfAllocated(), scIsHalfVisible, 0) != 0;
    }
    return data.BGChanged || data.HalfVisible || parentHidden;
}

void CopyCache(TsCommonData& data, HDC dc)
{
    CacheBitmap* cache = data.CacheBmp();
    if (!dc || !cache || cache->Empty())
        return;
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

int GlobalMaskIndex(SkinManager* manager, core::StringView name)
{
    if (!manager)
        return -1;
    const int global = manager->GetConstData().IndexGLobalInfo;
    if (global < 0)
        return -1;
    return manager->GetMaskIndex(global, u"GLOBALINFO", name);
}

SIZE MaskCellSize(const MaskData& m)
{
    if (m.Bmp && !m.Bmp->Empty())
        return SIZE{m.Bmp->Width() / 3, m.Bmp->Height() / 2};
    return SIZE{MaskImageWidth(m), MaskStateHeight(m)};
}

} // namespace skin
