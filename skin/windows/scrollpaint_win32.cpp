// Scroll-bar painting: each bar is composed in one bitmap of its size from the skin's track, arrow
// and thumb sections over the background the window reports, and reaches the screen in one BitBlt,
// so a half-painted bar is never visible. Parts take their states from the tracking state.
#include "skin/windows/scrollwnd.h"

#include "skin/engine/consts.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "ui/bitmap.h"
#include "ui/control.h"

#include <algorithm>

namespace skin {

namespace {

// Releases a window DC that the painter took itself.
struct WindowDC {
    HWND wnd;
    HDC dc;
    bool own;
    WindowDC(HWND w, HDC given) : wnd(w), dc(given ? given : GetWindowDC(w)), own(!given) {}
    ~WindowDC()
    {
        if (own && dc)
            ReleaseDC(wnd, dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
};

struct PartEntries {
    int section, mask, texture, hotTexture, glyph;
};

enum class GlyphArea { First, Last, All };

void CentreGlyph(ui::Bitmap* t, int maskIndex, int state, const RECT& area, SkinManager* manager)
{
    if (!manager->IsValidImgIndex(maskIndex))
        return;
    const MaskData& m = manager->Mask(maskIndex);
    const int w = MaskImageWidth(m), h = MaskStateHeight(m);
    const POINT p{area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2};
    PaintMaskGlyph(t, p, state, 1, m, MakeCacheInfo(t, 0, 0));
}

// Sizes a bitmap kept between paints (24-bit).
ui::Bitmap* Scratch(std::unique_ptr<ui::Bitmap>& bmp, int w, int h)
{
    if (!bmp)
        bmp = NewBmp24(w, h);
    else
        bmp->SetSize(w, h);
    return bmp.get();
}

void PaintPart(const PartEntries& e, GlyphArea glyphArea, bool vertical, int state, const RECT& part, ui::Bitmap* b,
               SkinManager* manager, std::unique_ptr<ui::Bitmap>& scratch)
{
    const int w = part.right - part.left, h = part.bottom - part.top;
    if (w <= 0 || h <= 0)
        return;
    ui::Bitmap* t = Scratch(scratch, w, h);
    TCacheInfo ci = MakeCacheInfo(b, part.left, part.top);
    PaintSectionItemByIndex(e.section, e.mask, e.texture, e.hotTexture, ci, true, state, Rect{0, 0, w, h},
                            POINT{part.left, part.top}, t, manager);
    RECT area{0, 0, w, h};
    const int len = DefaultArrowLength();
    if (glyphArea == GlyphArea::First)
        (vertical ? area.bottom : area.right) = std::min(len, vertical ? h : w);
    else if (glyphArea == GlyphArea::Last)
        (vertical ? area.top : area.left) = std::max(0, (vertical ? h : w) - len);
    CentreGlyph(t, e.glyph, state, area, manager);
    BitBlt(b->Canvas().Handle(), part.left, part.top, w, h, t->Canvas().Handle(), 0, 0, SRCCOPY);
}

} // namespace

LRESULT PaintScrollBar(TacScrollBar& bar, HWND handle, HDC dc, const RECT& r, int pressedPart, int thumbPos)
{
    TacScrollWnd* sw = bar.sw;
    SkinManager* manager = sw ? sw->SkinManager : nullptr;
    const bool vertical = bar.nBarType != SB_HORZ;
    if (!sw || sw->fThumbTracking || !bar.fScrollVisible || !manager || !dc)
        return 0;
    const TConstantSkinData& c = manager->GetConstData();
    if (!manager->IsValidSkinIndex(vertical ? c.IndexScrollBar1V : c.IndexScrollBar1H))
        return 0;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if ((vertical ? height : width) < 2 || (vertical && sw->DontRepaint))
        return 0;
    bar.Read(handle);
    const int arrow = GetScrollMetric(bar, 0, true);
    const int extent = vertical ? height : width;
    if (extent <= 0)
        return 0;
    const int track = extent - 2 * arrow;
    bool active = IsScrollBarActive(bar);
    if (sw->SkinData && sw->SkinData->OwnerControl())
        active = active && sw->SkinData->OwnerControl()->Enabled();

    const ScrollTracking& t = Tracking();
    const bool hoverHere = handle == t.HoverWnd;
    if (!hoverHere)
        pressedPart = -1;
    int thumbLength = 0, thumbStart = 0;
    GetThumbPos(bar, r, thumbLength, thumbStart);
    if (thumbPos != -1)
        thumbStart = thumbPos;
    const int kind = vertical ? 1 : 0;
    auto arrowState = [&](int part) {
        if (!hoverHere)
            return 0;
        if (pressedPart == part)
            return 2;
        return t.HoverBar == kind && t.HoverPart == part && active ? 1 : 0;
    };

    // A thumb drag repaints the bar many times a second: its bitmaps are kept by the wrapper.
    ui::Bitmap* b = Scratch(sw->m_barBmp, width, height);
    std::unique_ptr<ui::Bitmap>& part = sw->m_partBmp;
    TacBGQuery q;
    QueryBgOfWnd(q, handle, false);
    TCacheInfo ci;
    BgQueryToCacheInfo(q, ci);

    const PartEntries half1 = vertical ? PartEntries{c.IndexScrollBar1V, c.MaskScrollBar1V, c.BGScrollBar1V, c.BGHotScrollBar1V, -1}
                                       : PartEntries{c.IndexScrollBar1H, c.MaskScrollBar1H, c.BGScrollBar1H, c.BGHotScrollBar1H, -1};
    const PartEntries half2 = vertical ? PartEntries{c.IndexScrollBar2V, c.MaskScrollBar2V, c.BGScrollBar2V, c.BGHotScrollBar2V, -1}
                                       : PartEntries{c.IndexScrollBar2H, c.MaskScrollBar2H, c.BGScrollBar2H, c.BGHotScrollBar2H, -1};
    const PartEntries first = vertical ? PartEntries{c.IndexScrollTop, c.MaskScrollTop, c.IndexBGScrollTop, c.IndexBGHotScrollTop, c.MaskArrowTop}
                                       : PartEntries{c.IndexScrollLeft, c.MaskScrollLeft, c.IndexBGScrollLeft, c.IndexBGHotScrollLeft, c.MaskArrowLeft};
    const PartEntries second = vertical ? PartEntries{c.IndexScrollBottom, c.MaskScrollBottom, c.IndexBGScrollBottom, c.IndexBGHotScrollBottom, c.MaskArrowBottom}
                                        : PartEntries{c.IndexScrollRight, c.MaskScrollRight, c.IndexBGScrollRight, c.IndexBGHotScrollRight, c.MaskArrowRight};
    const PartEntries slider = vertical ? PartEntries{c.IndexSliderVert, c.MaskSliderVert, c.ScrollSliderBGVert, c.ScrollSliderBGHotVert, c.MaskSliderGlyphVert}
                                        : PartEntries{c.IndexSliderHorz, c.MaskSliderHorz, c.ScrollSliderBGHorz, c.ScrollSliderBGHotHorz, c.MaskSliderGlyphHorz};
    // A span along the bar as a rectangle of B.
    auto span = [&](int from, int to) { return vertical ? RECT{0, from, width, to} : RECT{from, 0, to, height}; };
    auto paintHalf = [&](const PartEntries& e, int from, int to, int state, POINT bgPoint) {
        if (to <= from)
            return;
        const RECT s = span(from, to);
        TCacheInfo hci = ci;
        PaintSectionItemByIndex(e.section, e.mask, e.texture, e.hotTexture, hci, true, state,
                                Rect{s.left, s.top, s.right, s.bottom}, bgPoint, b, manager);
    };
    const int origin = vertical ? r.top : r.left;
    if (2 * arrow < extent) {
        const int split = std::clamp(thumbStart + thumbLength / 2 - origin, 0, extent);
        paintHalf(half1, 0, split, pressedPart == spTrackBefore ? 2 : 0, POINT{r.left, r.top});
        paintHalf(half2, split, extent, pressedPart == spTrackAfter ? 2 : 0,
                  vertical ? POINT{r.left, r.top + split} : POINT{r.left + split, r.top});
        PaintPart(first, GlyphArea::First, vertical, arrowState(spFirstArrow), span(0, arrow), b, manager, part);
        PaintPart(second, GlyphArea::Last, vertical, arrowState(spSecondArrow), span(extent - arrow, extent), b,
                  manager, part);
        if (active && ThumbFits(bar.Range(), track, bar.nMinThumbSize, vertical, thumbLength)) {
            const int state = hoverHere && t.HoverBar == kind && t.HoverPart == spThumb ? 1 : 0;
            const int from = thumbStart - origin;
            PaintPart(slider, GlyphArea::All, vertical, state, span(from, from + thumbLength), b, manager, part);
        }
    } else {
        const int half = extent / 2;
        paintHalf(half1, 0, half, 0, POINT{0, 0});
        paintHalf(half2, half, extent, 0, POINT{0, 0});
        PaintPart(first, GlyphArea::First, vertical, arrowState(spFirstArrow), span(0, half), b, manager, part);
        PaintPart(second, GlyphArea::Last, vertical, arrowState(spSecondArrow), span(half, extent), b, manager, part);
    }
    if (!active) {
        TacBGQuery dq;
        QueryBgOfWnd(dq, handle, false);
        TCacheInfo dci;
        BgQueryToCacheInfo(dq, dci);
        if (dci.Ready && dci.Bmp)
            BlendRectKeyed(b, 0, 0, MaskKeyColor, 0.4,
                           Rect{dci.X + r.left, dci.Y + r.top, dci.X + r.right - 1, dci.Y + r.bottom - 1}, dci.Bmp);
        else
            PaintRoundShade(*b, Rect{0, 0, width + 1, height + 1}, 60, dci.FillColor, 0, 0);
    }
    BitBlt(dc, r.left, r.top, width, height, b->Canvas().Handle(), 0, 0, SRCCOPY);
    return 1;
}

LRESULT TacScrollWnd::PaintScrolls(HWND handle, int thumbPos, HDC dc, int onlyBar)
{
    if (!handle || !sBarHorz || !sBarVert)
        return 0;
    if (SkinData) {
        SkinData->FUpdating = SkinData->GetUpdating();
        if (SkinData->FUpdating)
            return 0;
        if (ui::Control* owner = SkinData->OwnerControl(); owner && !owner->Showing())
            return 0;
        if (SkinData->BGChanged)
            SendAcMessage(CtrlHandle, scPrepareCache, 0);
    }
    RECT w{};
    GetWindowRect(handle, &w);
    WindowDC target(handle, dc);
    if (!target.dc)
        return 0;
    const ScrollTracking& t = Tracking();
    if (sBarHorz->fScrollVisible && onlyBar != SB_VERT) {
        RECT r{};
        HorzBarRect(handle, r);
        OffsetRect(&r, -w.left, -w.top);
        PaintScrollBar(*sBarHorz, handle, target.dc, r, t.PressBar == 0 ? t.PressShownPart : -1, thumbPos);
    }
    if (sBarVert->fScrollVisible && onlyBar != SB_HORZ) {
        RECT r{};
        VertBarRect(handle, r);
        OffsetRect(&r, -w.left, -w.top);
        PaintScrollBar(*sBarVert, handle, target.dc, r, t.PressBar == 1 ? t.PressShownPart : -1, thumbPos);
    }
    if (sBarHorz->fScrollVisible && sBarVert->fScrollVisible && SkinManager && onlyBar < 0) {
        const int wh = w.bottom - w.top, ww = w.right - w.left;
        const int vThick = GetScrollMetric(*sBarVert, 1, false);
        RECT sq;
        sq.bottom = wh - cyBottomEdge;
        sq.top = sq.bottom - GetScrollMetric(*sBarHorz, 1, false);
        if (fLeftScrollbar) {
            sq.left = cxLeftEdge;
            sq.right = sq.left + vThick;
        } else {
            sq.right = ww - cxRightEdge;
            sq.left = sq.right - vThick;
        }
        const int cw = sq.right - sq.left, ch = sq.bottom - sq.top;
        if (cw > 0 && ch > 0) {
            std::unique_ptr<ui::Bitmap> b = NewBmp24(cw, ch);
            TacBGQuery q;
            QueryBgOfWnd(q, handle, false);
            if (q.BgType == 2 && q.Bmp)
                BitBlt(b->Canvas().Handle(), 0, 0, cw, ch, q.Bmp->Canvas().Handle(), sq.left + q.Offset.x,
                       sq.top + q.Offset.y, SRCCOPY);
            else
                FillDCSolid(b->Canvas().Handle(), RECT{0, 0, cw, ch}, q.Color);
            RECT screen = sq;
            OffsetRect(&screen, w.left, w.top);
            const int grip = SkinManager->GetMaskIndex(SkinManager->GetConstData().IndexGLobalInfo, u"GLOBALINFO",
                                                       u"GRIPIMAGE");
            if (GripVisible(handle, screen) && SkinManager->IsValidImgIndex(grip)) {
                const MaskData& m = SkinManager->Mask(grip);
                TCacheInfo gci;
                BgQueryToCacheInfo(q, gci);
                PaintMaskGlyph(b.get(), POINT{cw - MaskImageWidth(m), ch - MaskStateHeight(m)}, 0, 1, m, gci);
            }
            BitBlt(target.dc, sq.left, sq.top, cw, ch, b->Canvas().Handle(), 0, 0, SRCCOPY);
        }
    }
    return 0;
}

} // namespace skin
