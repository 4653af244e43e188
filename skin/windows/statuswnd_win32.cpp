#include "skin/windows/statuswnd.h"

#include "skin/engine/consts.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/engine/utils.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/statusbar.h"

#include <algorithm>

namespace skin {

void TacStatusBarWnd::Construct(core::StringView section, bool repaint)
{
    TacMainWnd::Construct(section.empty() ? core::StringView(u"STATUSBAR") : section, repaint);
    StatusBar = dynamic_cast<ui::StatusBar*>(SkinData ? SkinData->OwnerControl() : nullptr);
}

int TacStatusBarWnd::PartsCount() const { return int(SendMessageW(CtrlHandle, SB_GETPARTS, 0, 0)); }

bool TacStatusBarWnd::SimplePanel() const { return SendMessageW(CtrlHandle, SB_ISSIMPLE, 0, 0) == 1; }

RECT TacStatusBarWnd::PartRect(int index) const
{
    RECT r{};
    SendMessageW(CtrlHandle, SB_GETRECT, WPARAM(index), LPARAM(&r));
    return r;
}

core::String TacStatusBarWnd::PartText(int index) const
{
    if (PartsCount() == 0)
        return {};
    if (SimplePanel())
        return WindowTextOf(CtrlHandle);
    if (!StatusBar)
        return {};
    if (StatusBar->PanelCount() == 0)
        return StatusBar->SimpleText();
    return index >= 0 && index < StatusBar->PanelCount() ? StatusBar->Panels(index)->Text() : core::String();
}

void TacStatusBarWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_PAINT:
        InvalidateRect(CtrlHandle, nullptr, TRUE);
        { PaintScope paint(CtrlHandle); }
        return;
    case WM_ERASEBKGND:
        WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
    case WM_NCPAINT:
        WMNCPaint(Engine().FormAnimationActive ? reinterpret_cast<HDC>(message.WParam) : nullptr);
        return;
    case WM_PRINT:
        WMPaint(reinterpret_cast<HDC>(message.WParam));
        return;
    default:
        break;
    }
    TacMainWnd::acWndProc(message);
    if (!Destroyed && message.Msg == WM_SIZE && SkinData->Skinned())
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void TacStatusBarWnd::WMPaint(HDC dc)
{
    UpdateGeometry();
    MessageDC target(CtrlHandle, WPARAM(dc));
    if (!target.Get())
        return;
    PrepareCache();
    if (ui::Bitmap* cache = SkinData->CacheBmp(); cache && !cache->Empty())
        BitBlt(target.Get(), 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacStatusBarWnd::WMNCPaint(HDC dc)
{
    UpdateGeometry();
    RECT client{};
    GetClientRect(CtrlHandle, &client);
    const int border = (WndSize.cx - client.right) / 2;
    if (!StatusBar || border <= 0)
        return;
    HDC target = dc ? dc : GetWindowDC(CtrlHandle);
    if (!target)
        return;
    if (SkinData->BGChanged)
        PrepareCache();
    if (ui::Bitmap* cache = SkinData->CacheBmp(); cache && !cache->Empty())
        CopyDCFrame(target, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, border);
    if (!dc)
        ReleaseDC(CtrlHandle, target);
}

void TacStatusBarWnd::PrepareCache()
{
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    TCacheInfo parent;
    SkinData->GetParentCache(parent);
    PaintControlItem(SkinData, parent, true, 0, Rect{0, 0, WndSize.cx, WndSize.cy}, WndPos, cache, true);
    PaintPanels();
    PaintGrip();
    SkinData->BGChanged = false;
}

void TacStatusBarWnd::PaintPanels()
{
    if (SimplePanel()) {
        InternalDrawPanel(-1, RECT{0, 1, WndSize.cx - 1, WndSize.cy - 1});
        return;
    }
    const int count = PartsCount();
    for (int i = 0; i < count; ++i)
        DrawPanel(i, PartRect(i));
}

void TacStatusBarWnd::DrawPanel(int index, RECT r)
{
    InflateRect(&r, -1, -1);
    InternalDrawPanel(index, r);
}

void TacStatusBarWnd::InternalDrawPanel(int index, const RECT& r)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (!cache || cache->Empty())
        return;
    const bool simple = SimplePanel();
    if (manager && manager->IsValidSkinIndex(SkinData->SkinIndex)) {
        const int mask = manager->GetMaskIndex(SkinData->SkinIndex, SkinData->SkinSection(), u"STATUSPANELMASK");
        if (manager->IsValidImgIndex(mask)) {
            const Rect area = simple ? Rect{0, 0, WndSize.cx, WndSize.cy} : Rect{r.left, r.top, r.right, r.bottom};
            PaintMaskRect(cache, area, false, EmptyCacheInfo, manager->Mask(mask), 0, true, manager);
        } else if (!simple && index < PartsCount() - 1) {
            const int divider = manager->GetSkinIndex(u"DIVIDER");
            const int border = manager->GetMaskIndex(divider, u"DIVIDER", u"BORDERSMASK");
            if (manager->IsValidSkinIndex(divider) && manager->IsValidImgIndex(border)) {
                const int w = manager->MaskSize(border).cx - 1, h = WndSize.cy - 2;
                if (w > 0 && h > 0) {
                    auto b = NewBmp24(w, h);
                    BitBlt(b->Canvas().Handle(), 0, 0, w, h, cache->Canvas().Handle(), r.right - w, r.top, SRCCOPY);
                    PaintSectionItem(divider, u"DIVIDER", MakeCacheInfo(cache, r.right - w, 1), true, 0,
                                     Rect{0, 0, w, h}, POINT{0, 0}, b.get(), manager);
                    BitBlt(cache->Canvas().Handle(), r.right - w, 1, w, h, b->Canvas().Handle(), 0, 0, SRCCOPY);
                }
            }
        }
    }
    RECT t = r;
    InflateRect(&t, -1, -1);
    t.bottom -= 1;
    t.left += 2;
    t.right -= 4;
    if (!StatusBar)
        return;
    ui::Canvas& canvas = cache->Canvas();
    canvas.Font().Assign(StatusBar->Font());
    const core::String text = CutTextToWidth(PartText(index), t.right - t.left,
                                             [&canvas](core::StringView s) { return TextWidthOf(canvas, s); });
    ui::Alignment alignment = ui::taLeftJustify;
    if (!simple && index >= 0 && index < StatusBar->PanelCount())
        alignment = StatusBar->Panels(index)->Alignment();
    DoDrawText(text, t, DrawTextFlagsOf(StatusBar, alignment));
}

void TacStatusBarWnd::DoDrawText(const core::String& text, const RECT& r, UINT flags)
{
    ui::Canvas& canvas = SkinData->CacheBmp()->Canvas();
    canvas.Font().Assign(StatusBar->Font());
    WriteControlText(canvas, text.c_str(), true, r, flags | DT_VCENTER | DT_SINGLELINE, SkinData, false);
}

// The skin's grip in the bottom-right corner of a bar that shows one.
void TacStatusBarWnd::PaintGrip()
{
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (!manager || !(GetWindowLongW(CtrlHandle, GWL_STYLE) & SBARS_SIZEGRIP))
        return;
    const int mask = manager->GetMaskIndex(manager->GetConstData().IndexGLobalInfo, u"GLOBALINFO", u"GRIPIMAGE");
    if (!manager->IsValidImgIndex(mask))
        return;
    ui::Bitmap* cache = SkinData->CacheBmp();
    const MaskData& m = manager->Mask(mask);
    const int w = MaskImageWidth(m), h = MaskStateHeight(m);
    PaintMaskGlyph(cache, POINT{std::max(WndSize.cx - w, 0L), std::max(WndSize.cy - h, 0L)}, 0, 1, m,
                   MakeCacheInfo(cache, 0, 0));
}

} // namespace skin
