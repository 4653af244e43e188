// Up-down control wrapper.
#include "skin/windows/spinwnd.h"

#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/wrapperkit.h"

#include <algorithm>

namespace skin {

bool TacSpinWnd::IsVertical() const { return !(GetWindowLongW(CtrlHandle, GWL_STYLE) & UDS_HORZ); }

void TacSpinWnd::ButtonRects(RECT& first, RECT& second) const
{
    const int w = WndSize.cx, h = WndSize.cy;
    if (IsVertical()) {
        first = {lOffset, 0, w, h / 2 + h % 2};
        second = {lOffset, h / 2, w, h};
    } else {
        first = {0, 0, w / 2 + w % 2, h};
        second = {w / 2, 0, w, h};
    }
}

void TacSpinWnd::acWndProc(ui::Message& message)
{
    // A section missing from the skin is taken for "BUTTON" at the paint.
    if (Destroyed || !SkinData || !SkinManager || !SkinManager->Active()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (AbsorbEraseAndFrame(message))
        return;
    switch (message.Msg) {
    case WM_PAINT:
        AC_WMPaint(message.WParam);
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        bMousePressed = message.Msg == WM_LBUTTONDOWN;
        TacMainWnd::acWndProc(message);
        if (!Destroyed)
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
    case WM_MOUSELEAVE:
        InvalidateRect(CtrlHandle, nullptr, FALSE);
        break;
    case WM_MOUSEMOVE:
        TacMainWnd::acWndProc(message);
        // Already the active control: only the halves change.
        if (!Destroyed && TrackActiveControl(CtrlHandle))
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
    }
    TacMainWnd::acWndProc(message);
}

void TacSpinWnd::AC_WMPaint(WPARAM given)
{
    UpdateGeometry();
    Btn1State = Btn2State = 0;
    POINT p{};
    if (GetCursorPos(&p) && PtInRect(&WndRect, p)) {
        RECT firstHalf = WndRect;
        if (IsVertical())
            firstHalf.bottom -= WndSize.cy / 2;
        else
            firstHalf.right -= WndSize.cx / 2;
        (PtInRect(&firstHalf, p) ? Btn1State : Btn2State) = bMousePressed ? 2 : 1;
    }
    PaintScope paint(CtrlHandle);
    if (RefreshUpdating(SkinData))
        return;
    MessageDC dc(CtrlHandle, given);
    SkinData->BGChanged = true;
    PrepareCache();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!dc.Get() || !cache || cache->Empty())
        return;
    const int x = IsVertical() ? lOffset : 0;
    BitBlt(dc.Get(), x, 0, WndSize.cx - x, WndSize.cy, cache->Canvas().Handle(), x, 0, SRCCOPY);
}

void TacSpinWnd::PrepareCache()
{
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (!manager)
        return;
    if (!manager->IsValidSkinIndex(manager->GetSkinIndex(SkinData->SkinSection())))
        SkinData->SetSkinSection(u"BUTTON");
    RECT first{}, second{};
    ButtonRects(first, second);
    TacBGQuery query;
    QueryBgOfWnd(query, ParentWnd, false);
    TCacheInfo ci;
    BgQueryToCacheInfo(query, ci);
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    const bool vertical = IsVertical();
    const TConstantSkinData& cd = manager->GetConstData();
    const int arrows[2] = {vertical ? cd.MaskArrowTop : cd.MaskArrowLeft,
                           vertical ? cd.MaskArrowBottom : cd.MaskArrowRight};
    const RECT rects[2] = {first, second};
    const int states[2] = {Btn1State, Btn2State};
    for (int i = 0; i < 2; ++i) {
        const RECT& r = rects[i];
        // Both halves take the parent's background at their own place in the parent, whichever
        // way the control is laid out.
        const POINT offset{WndRect.left - ParentRect.left + r.left - query.Offset.x,
                           WndRect.top - ParentRect.top + r.top - query.Offset.y};
        PaintControlItem(SkinData, ci, true, states[i], Rect{r.left, r.top, r.right, r.bottom}, offset, cache, true);
        if (arrows[i] < 0 || !manager->IsValidImgIndex(arrows[i]))
            continue;
        const MaskData& m = manager->Mask(arrows[i]);
        const int w = MaskImageWidth(m), h = MaskStateHeight(m);
        PaintMaskGlyph(cache, POINT{r.left + (r.right - r.left - w) / 2, r.top + (r.bottom - r.top - h) / 2},
                       states[i], 1, m, MakeCacheInfo(cache, 0, 0));
    }
}

} // namespace skin
