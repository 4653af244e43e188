// Shared wrapper routines.
#include "skin/windows/sbutils.h"

#include "skin/engine/command.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/mainwnd.h"
#include "ui/bitmap.h"
#include "ui/color.h"
#include "ui/propinfo.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

core::String WindowTextOf(HWND handle)
{
    if (!handle)
        return {};
    const int length = GetWindowTextLengthW(handle);
    std::wstring text(size_t(std::max(length, 0)) + 1, L'\0');
    const int got = GetWindowTextW(handle, text.data(), length + 1);
    text.resize(size_t(std::max(got, 0)));
    return core::String(text.begin(), text.end());
}

void PrepareWndCache(TsCommonData* skinData, HWND handle, bool dlgMode)
{
    if (!skinData || !handle || !skinData->BGChanged)
        return;
    RECT r{};
    GetWindowRect(handle, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    TCacheInfo ci;
    GetParentCacheOfWnd(handle, ci);
    skinData->InitCacheBmp();
    ui::Bitmap* cache = skinData->CacheBmp();
    if (!cache)
        return;
    if (cache->Width() != w || cache->Height() != h)
        cache->SetSize(w, h);
    SkinManager* def = DefaultManager();
    if (dlgMode && def && def->GetSkinData().BorderColor != MaskKeyColor) {
        const RECT box{0, 0, w, h};
        HDC dc = cache->Canvas().Handle();
        FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
        HBRUSH frame = CreateSolidBrush(ui::ColorToRGB(def->GetSkinData().BorderColor));
        FrameRect(dc, &box, frame);
        DeleteObject(frame);
    } else {
        HWND parent = GetParent(handle);
        POINT pos{r.left, r.top};
        if (!parent || !ScreenToClient(parent, &pos))
            return;
        SkinManager* manager = skinData->GetSkinManager();
        if (manager && manager->IsValidSkinIndex(skinData->SkinIndex))
            PaintControlItem(skinData, ci, true, skinData->FFocused || skinData->FMouseAbove ? 1 : 0,
                             Rect{0, 0, w, h}, pos, cache, !dlgMode);
    }
    if (ui::Control* owner = skinData->OwnerControl(); owner && !owner->Enabled()) {
        SendAcMessage(handle, scPaintDisabled, 0);
        TCacheInfo parentBg;
        skinData->GetParentCache(parentBg);
        ApplyDisabledKind(cache, dkBlended, owner, parentBg, POINT{owner->Left(), owner->Top()});
    }
    skinData->BGChanged = false;
}

void RestoreWndCorners(TsCommonData* skinData, int state, TacMainWnd* wrapper)
{
    SkinManager* manager = skinData ? skinData->GetSkinManager() : nullptr;
    if (!manager || !wrapper || wrapper->DlgMode || !manager->IsValidImgIndex(skinData->BorderIndex))
        return;
    ui::Bitmap* cache = skinData->CacheBmp();
    const int width = wrapper->WndSize.cx, height = wrapper->WndSize.cy;
    if (!cache || width < 2 || height < 2)
        return;
    TCacheInfo ci;
    GetParentCacheOfWnd(wrapper->CtrlHandle, ci);
    if (ci.Ready) {
        ci.X += wrapper->WndPos.x;
        ci.Y += wrapper->WndPos.y;
    }
    MaskData m = manager->Mask(skinData->BorderIndex);
    if (m.ImageCount == 0 && m.Bmp) {
        m.ImageCount = 3;
        m.MaskType = 1;
        m.R = Rect{0, 0, m.Bmp->Width(), m.Bmp->Height()};
    }
    if (m.ImageCount <= 0)
        return;
    state = std::max(0, std::min(state, m.ImageCount - 1));
    ui::Bitmap* src = m.Bmp ? m.Bmp.get() : manager->GetMasterBitmap();
    if (!src)
        return;
    const int rw = RectWidth(m.R), rh = RectHeight(m.R);
    const int x0 = m.R.Left + rw * state / m.ImageCount;
    const int imageHeight = rh / (m.MaskType + 1);
    const int middle = rw / m.ImageCount - m.WL - m.WR;
    ui::Bitmap* bg = ci.Ready ? ci.Bmp : nullptr;
    if (bg && m.MaskType == 0 && bg->GetPixelFormat() != ui::pf24bit)
        bg = nullptr; // a 32-bit background leaves corners without mask rows as painted
    if (!bg && (ci.Ready || ci.FillColor == MaskKeyColor))
        return;
    const uint32_t fill = ui::ColorToRGB(ci.FillColor);
    ui::PixelView srcView = src->Pixels();
    ui::PixelView dst = cache->Pixels();
    ui::PixelView bgView = bg ? bg->Pixels() : ui::PixelView{};
    auto corner = [&](int sx, int sy, int cw, int chh, int dx, int dy) {
        for (int y = 0; y < chh; ++y)
            for (int x = 0; x < cw; ++x) {
                const int px = sx + x, py = sy + y, cx = dx + x, cy = dy + y;
                if (px < 0 || py < 0 || px >= srcView.Width() || py >= srcView.Height() || cx < 0 || cy < 0 ||
                    cx >= dst.Width() || cy >= dst.Height())
                    continue;
                if ((srcView.ReadPixel(px, py) & 0xFFFFFF) != MaskKeyColor)
                    continue;
                if (bg) {
                    const int bx = cx + ci.X, by = cy + ci.Y;
                    if (bx < 0 || by < 0 || bx >= bgView.Width() || by >= bgView.Height())
                        continue;
                    dst.WritePixel(cx, cy, bgView.ReadPixel(bx, by) & 0xFFFFFF);
                } else {
                    dst.WritePixel(cx, cy, fill);
                }
            }
    };
    const int top = m.R.Top, bottom = m.R.Top + imageHeight;
    const int right = x0 + m.WL + middle;
    corner(x0, top, m.WL, m.WT, 0, 0);
    corner(right, top, m.WR, m.WT, width - m.WR, 0);
    corner(x0, bottom - m.WB, m.WL, m.WB, 0, height - m.WB);
    corner(right, bottom - m.WB, m.WR, m.WB, width - m.WR, height - m.WB);
}

void BroadcastToChildren(ui::Control* control, HWND handle, ui::Message& message)
{
    if (auto* windowed = dynamic_cast<ui::WinControl*>(control))
        SendMsgToChildControls(windowed, message);
    else if (handle)
        SendMsgToChildWindows(handle, message);
}

bool HasStateBorder(TsCommonData* skinData)
{
    SkinManager* manager = skinData ? skinData->GetSkinManager() : nullptr;
    if (!manager || skinData->SkinIndex < 0 || skinData->BorderIndex < 0 ||
        !manager->IsValidImgIndex(skinData->BorderIndex))
        return false;
    return manager->Mask(skinData->BorderIndex).ImageCount > 1;
}

void NotifyTopWindow(HWND handle)
{
    if (!handle)
        return;
    while (HWND parent = GetParent(handle))
        handle = parent;
    SendAcMessage(handle, scControlCreated, 0);
}

core::Component* FindWinControlByHandle(HWND handle, core::Component* owner)
{
    if (!handle || !owner)
        return nullptr;
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        core::Component* c = owner->Components(i);
        if (auto* w = dynamic_cast<ui::WinControl*>(c); w && w->HandleIfAllocated() == handle)
            return c;
        if (core::Component* found = FindWinControlByHandle(handle, c))
            return found;
    }
    return nullptr;
}

uint32_t GetColorProp(core::Object* obj, core::StringView propName)
{
    if (!obj || !ui::HasProperty(obj, propName))
        return 0;
    return ui::ColorToRGB(ui::Color(ui::GetOrdProperty(obj, propName)));
}

void SetColorProp(core::Object* obj, core::StringView propName, uint32_t value)
{
    if (obj && ui::HasProperty(obj, propName))
        ui::SetOrdProperty(obj, propName, int64_t(value));
}

} // namespace skin
