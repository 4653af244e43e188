// Scroll-bar mouse tracking: the hot part under the mouse, the pressed part, auto-repeat and thumb
// dragging, all turned into the window's own scroll messages. The state is process-wide because the
// mouse can hover or press one bar at a time (the capture guarantees it).
#include "skin/windows/scrollwnd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "ui/bitmap.h"
#include "ui/control.h"

#include <algorithm>

namespace skin {

namespace {

POINT MessagePoint()
{
    return PointOfLParam(LPARAM(GetMessagePos()));
}

} // namespace

void SendScrollMessage(HWND wnd, UINT msg, int code, int pos)
{
    const LPARAM info = MAKELPARAM(code, msg);
    if (SendAcMessage(wnd, scBeforeScroll, info) == 1) {
        SendMessageW(wnd, msg, MAKEWPARAM(code, LOWORD(pos)), LPARAM(pos));
    } else {
        if (code == SB_THUMBTRACK) {
            SCROLLINFO si{};
            si.cbSize = sizeof(si);
            si.fMask = SIF_POS;
            si.nPos = pos;
            SetScrollInfo(wnd, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, &si, FALSE);
        }
        SendMessageW(wnd, msg, MAKEWPARAM(code, std::min(pos, 0xFFFF)), 0);
    }
    SendAcMessage(wnd, scAfterScroll, info);
}

void TacScrollWnd::RepaintBar(TacScrollBar& bar, int pressedPart)
{
    RECT r{}, w{};
    GetBarRect(bar.nBarType, CtrlHandle, r);
    r = PartArea(bar, r);
    GetWindowRect(CtrlHandle, &w);
    OffsetRect(&r, -w.left, -w.top);
    if (HDC dc = GetWindowDC(CtrlHandle)) {
        PaintScrollBar(bar, CtrlHandle, dc, r, pressedPart, -1);
        ReleaseDC(CtrlHandle, dc);
    }
}

LRESULT TacScrollWnd::HandleNcMouseMove(ui::Message& message)
{
    ScrollTracking& t = Tracking();
    t.HoverWnd = CtrlHandle;
    const int kind = message.WParam == HTHSCROLL ? 0 : message.WParam == HTVSCROLL ? 1 : -1;
    if (kind >= 0 && kind != t.HoverBar) {
        t.LastHoverPart = t.HoverPart = -1;
        GetBarRect(kind, CtrlHandle, t.HoverRect);
        t.HoverBar = kind;
        t.HoverTimer = SetTimer(CtrlHandle, kHoverTimerId, 20, nullptr);
        PaintScrolls(CtrlHandle);
    }
    return CallPrevWndProc(message);
}

void TacScrollWnd::HoverCheck()
{
    ScrollTracking& t = Tracking();
    if (fThumbTracking)
        return;
    POINT p{};
    GetCursorPos(&p);
    TacScrollBar* bar = Bar(t.HoverBar);
    if (bar && PtInRect(&t.HoverRect, p)) {
        t.HoverPart = HitTestScrollBar(*bar, CtrlHandle, t.HoverRect, p.x, p.y);
        if (t.HoverPart != t.LastHoverPart)
            RepaintBar(*bar, -1);
        t.LastHoverPart = t.HoverPart;
    } else {
        KillTimer(CtrlHandle, kHoverTimerId);
        t.HoverTimer = 0;
        t.HoverBar = t.LastHoverPart = t.HoverPart = -1;
        PaintScrolls(CtrlHandle);
    }
}

LRESULT TacScrollWnd::HandleNcLButtonDown(ui::Message& message)
{
    ScrollTracking& t = Tracking();
    t.HoverWnd = CtrlHandle;
    const bool horz = message.WParam == HTHSCROLL;
    t.ScrollMsg = horz ? WM_HSCROLL : WM_VSCROLL;
    t.PressBar = horz ? 0 : 1;
    TacScrollBar* bar = Bar(t.PressBar);
    if (!bar)
        return CallPrevWndProc(message);
    RECT r{};
    GetBarRect(bar->nBarType, CtrlHandle, r);
    const POINT p = PointOfLParam(message.LParam);
    t.PressPart = HitTestScrollBar(*bar, CtrlHandle, r, p.x, p.y);
    t.LastMovePart = t.PressPart;
    switch (t.PressPart) {
    case spFirstArrow:
    case spSecondArrow:
        if (bar->fScrollFlags & (t.PressPart == spFirstArrow ? 1 : 2)) {
            t.PressPart = t.PressBar = -1;
            return 0;
        }
        [[fallthrough]];
    case spTrackBefore:
    case spTrackAfter:
        if (!IsScrollBarActive(*bar)) {
            t.PressPart = t.PressBar = -1;
            return 0;
        }
        StartRepeating(*bar, r, p);
        break;
    case spThumb:
        if (!IsScrollBarActive(*bar)) {
            t.PressPart = t.PressBar = -1;
            return 0;
        }
        StartDragging(*bar, r, p);
        break;
    default:
        t.PressBar = -1;
        return CallPrevWndProc(message);
    }
    SetCapture(CtrlHandle);
    return 0;
}

void TacScrollWnd::StartRepeating(TacScrollBar& bar, const RECT& barRect, POINT p)
{
    ScrollTracking& t = Tracking();
    const RECT area = PartArea(bar, barRect);
    t.PressShownPart = HitTestScrollBar(bar, CtrlHandle, area, p.x, p.y);
    RepaintBar(bar, t.PressShownPart);
    SendScrollMessage(CtrlHandle, t.ScrollMsg, t.PressPart, 0);
    t.PressShownPart = t.PressPart;
    t.RepeatTimer = SetTimer(CtrlHandle, kRepeatDelayId, 300, nullptr);
}

void TacScrollWnd::StartDragging(TacScrollBar& bar, const RECT& barRect, POINT p)
{
    ScrollTracking& t = Tracking();
    const RECT area = PartArea(bar, barRect);
    GetThumbPos(bar, area, t.DragThumbLength, t.DragThumbPos);
    t.DragBarRect = area;
    fThumbTracking = true;
    bar.ScrollInfo.nTrackPos = bar.ScrollInfo.nPos;
    t.DragOffset = (bar.nBarType == SB_HORZ ? p.x : p.y) - t.DragThumbPos;
    t.LastTrackPos = bar.ScrollInfo.nPos;
}

void TacScrollWnd::DragThumb(TacScrollBar& bar, POINT p)
{
    ScrollTracking& t = Tracking();
    const bool vertical = bar.nBarType != SB_HORZ;
    const int arrow = GetScrollMetric(bar, 0, false);
    const int paintArrow = GetScrollMetric(bar, 0, true);
    const int trackStart = (vertical ? t.DragBarRect.top : t.DragBarRect.left) + arrow;
    const int trackLength = (vertical ? t.DragBarRect.bottom - t.DragBarRect.top : t.DragBarRect.right - t.DragBarRect.left) - 2 * arrow;
    const int start = DragThumbStart(vertical ? p.y : p.x, t.DragOffset, trackStart, trackLength, t.DragThumbLength);

    // The bar with the thumb at its dragged place, pressed.
    skin::SkinManager* manager = SkinManager;
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    RECT r = t.DragBarRect;
    OffsetRect(&r, -w.left, -w.top);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (manager && width > 0 && height > 0) {
        const TConstantSkinData& c = manager->GetConstData();
        std::unique_ptr<ui::Bitmap> b = NewBmp24(width, height);
        TacBGQuery q;
        QueryBgOfWnd(q, CtrlHandle, false);
        TCacheInfo ci;
        BgQueryToCacheInfo(q, ci);
        const int extent = vertical ? height : width;
        const int from = start - (vertical ? t.DragBarRect.top : t.DragBarRect.left);
        const int split = std::clamp(from + t.DragThumbLength / 2, 0, extent);
        auto span = [&](int a, int z) { return vertical ? Rect{0, a, width, z} : Rect{a, 0, z, height}; };
        auto item = [&](int section, int mask, int tex, int hot, int state, Rect s) {
            TCacheInfo hci = ci;
            if (RectWidth(s) > 0 && RectHeight(s) > 0)
                PaintSectionItemByIndex(section, mask, tex, hot, hci, true, state, s, POINT{r.left + s.Left, r.top + s.Top},
                                        b.get(), manager);
        };
        if (vertical) {
            item(c.IndexScrollBar1V, c.MaskScrollBar1V, c.BGScrollBar1V, c.BGHotScrollBar1V, 0, span(0, split));
            item(c.IndexScrollBar2V, c.MaskScrollBar2V, c.BGScrollBar2V, c.BGHotScrollBar2V, 0, span(split, extent));
            item(c.IndexScrollTop, c.MaskScrollTop, c.IndexBGScrollTop, c.IndexBGHotScrollTop, 0, span(0, paintArrow));
            item(c.IndexScrollBottom, c.MaskScrollBottom, c.IndexBGScrollBottom, c.IndexBGHotScrollBottom, 0,
                 span(extent - paintArrow, extent));
            item(c.IndexSliderVert, c.MaskSliderVert, c.ScrollSliderBGVert, c.ScrollSliderBGHotVert, 2,
                 span(from, from + t.DragThumbLength));
        } else {
            item(c.IndexScrollBar1H, c.MaskScrollBar1H, c.BGScrollBar1H, c.BGHotScrollBar1H, 0, span(0, split));
            item(c.IndexScrollBar2H, c.MaskScrollBar2H, c.BGScrollBar2H, c.BGHotScrollBar2H, 0, span(split, extent));
            item(c.IndexScrollLeft, c.MaskScrollLeft, c.IndexBGScrollLeft, c.IndexBGHotScrollLeft, 0, span(0, paintArrow));
            item(c.IndexScrollRight, c.MaskScrollRight, c.IndexBGScrollRight, c.IndexBGHotScrollRight, 0,
                 span(extent - paintArrow, extent));
            item(c.IndexSliderHorz, c.MaskSliderHorz, c.ScrollSliderBGHorz, c.ScrollSliderBGHotHorz, 2,
                 span(from, from + t.DragThumbLength));
        }
        if (HDC dc = GetWindowDC(CtrlHandle)) {
            BitBlt(dc, r.left, r.top, width, height, b->Canvas().Handle(), 0, 0, SRCCOPY);
            ReleaseDC(CtrlHandle, dc);
        }
    }
    const int pos = DragPosition(bar.Range(), vertical, start, trackStart, trackLength, t.DragThumbLength);
    if (pos != t.LastTrackPos) {
        bar.ScrollInfo.nTrackPos = pos;
        DontRepaint = true;
        SendScrollMessage(CtrlHandle, t.ScrollMsg, SB_THUMBTRACK, pos);
        DontRepaint = false;
    }
    t.LastTrackPos = pos;
}

LRESULT TacScrollWnd::HandleTimer(ui::Message& message)
{
    ScrollTracking& t = Tracking();
    switch (message.WParam) {
    case kRepeatDelayId:
        KillTimer(CtrlHandle, t.RepeatTimer);
        t.RepeatTimer = SetTimer(CtrlHandle, kRepeatTimerId, 55, nullptr);
        return 0;
    case kRepeatTimerId: {
        ui::Message move{WM_MOUSEMOVE, 0, 0, 0};
        HandleMouseMove(move);
        if (t.PressShownPart != -1) {
            DontRepaint = true;
            SendScrollMessage(CtrlHandle, t.ScrollMsg, t.PressShownPart, 0);
            DontRepaint = false;
        }
        return 0;
    }
    case kHoverTimerId:
        HoverCheck();
        return 0;
    }
    return CallPrevWndProc(message);
}

LRESULT TacScrollWnd::HandleMouseMove(ui::Message& message)
{
    ScrollTracking& t = Tracking();
    TacScrollBar* bar = Bar(t.PressBar);
    if (fThumbTracking && bar) {
        DragThumb(*bar, MessagePoint());
        return 0;
    }
    if (t.PressPart == -1 || !bar)
        return CallPrevWndProc(message);
    const POINT p = MessagePoint();
    RECT r{};
    GetBarRect(bar->nBarType, CtrlHandle, r);
    const int part = HitTestScrollBar(*bar, CtrlHandle, r, p.x, p.y);
    t.PressShownPart = part == t.PressPart ? t.PressPart : -1;
    if (part != t.LastMovePart)
        RepaintBar(*bar, t.PressShownPart);
    t.LastMovePart = part;
    return 0;
}

LRESULT TacScrollWnd::HandleLButtonUp(ui::Message& message)
{
    ScrollTracking& t = Tracking();
    if (t.PressPart == -1)
        return CallPrevWndProc(message);
    if (!KeepsListCapture())
        ReleaseCapture();
    const int part = t.PressPart;
    if (part >= spFirstArrow && part <= spTrackAfter)
        KillTimer(CtrlHandle, t.RepeatTimer);
    DontRepaint = true;
    if (fThumbTracking) {
        SendScrollMessage(CtrlHandle, t.ScrollMsg, SB_THUMBPOSITION, t.LastTrackPos);
        fThumbTracking = false;
    }
    SendScrollMessage(CtrlHandle, t.ScrollMsg, SB_ENDSCROLL, part == spThumb ? t.LastTrackPos : 0);
    DontRepaint = false;
    if (TacScrollBar* bar = Bar(t.PressBar)) {
        t.PressShownPart = -1;
        RepaintBar(*bar, -1);
    }
    t.PressPart = t.PressShownPart = t.PressBar = t.LastMovePart = -1;
    t.RepeatTimer = 0;
    t.ScrollMsg = 0;
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if ((owner && owner->ClassName() == core::String(u"TImageEnView")) || SwallowsListRelease())
        return 0;
    return CallPrevWndProc(message);
}

} // namespace skin
