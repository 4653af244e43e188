// The scrolled wrapper: attachment, bar metrics, the non-client size and hit test, the message table
// and the synchronisation with skinned controls.
#include "skin/windows/scrollwnd.h"

#include "skin/engine/consts.h"
#include "skin/engine/formutils.h"
#include "skin/engine/skintables.h"
#include "skin/windows/sbutils.h"
#include "ui/control.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

namespace {

BarBox BoxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT RectOf(const BarBox& b) { return {b.left, b.top, b.right, b.bottom}; }

} // namespace

ScrollTracking& Tracking()
{
    static ScrollTracking state;
    return state;
}

// ---- TacScrollBar ----

ScrollRange TacScrollBar::Range() const
{
    return {ScrollInfo.nMin, ScrollInfo.nMax, ScrollInfo.nPage, ScrollInfo.nPos};
}

void TacScrollBar::Read(HWND handle)
{
    ScrollInfo.cbSize = sizeof(SCROLLINFO);
    ScrollInfo.fMask = SIF_ALL;
    if (!GetScrollInfo(handle, nBarType, &ScrollInfo)) {
        ScrollInfo = {};
        ScrollInfo.cbSize = sizeof(SCROLLINFO);
        ScrollInfo.fMask = SIF_ALL;
    }
}

static_assert(sizeof(SCROLLINFO) == 28);

int GetScrollMetric(const TacScrollBar& bar, int metric, bool useSkin)
{
    if (bar.nBarType > SB_VERT)
        return 0;
    const bool horz = bar.nBarType == SB_HORZ;
    if (metric == 1)
        return ScrollMetricOf(bar.nArrowWidth, GetSystemMetrics(horz ? SM_CYHSCROLL : SM_CXVSCROLL));
    if (bar.nArrowLength >= 0)
        return bar.nArrowLength;
    int unit = DefaultArrowLength();
    SkinManager* m = bar.sw ? bar.sw->SkinManager : nullptr;
    if (useSkin && m) {
        const TConstantSkinData& c = m->GetConstData();
        if (c.IndexScrollLeft >= 0 && m->IsValidSkinIndex(c.IndexScrollLeft) &&
            m->Section(c.IndexScrollLeft).ReservedBoolean && c.MaskScrollLeft >= 0) {
            const int image = horz ? (m->IsValidImgIndex(c.MaskScrollLeft) ? MaskImageWidth(m->Mask(c.MaskScrollLeft)) : 0)
                                   : (m->IsValidImgIndex(c.MaskScrollTop) ? MaskStateHeight(m->Mask(c.MaskScrollTop)) : 0);
            unit = std::max(unit, image);
        }
    }
    return ScrollMetricOf(bar.nArrowLength, unit);
}

void GetThumbPos(const TacScrollBar& bar, const RECT& r, int& length, int& pos)
{
    const bool horz = bar.nBarType == SB_HORZ;
    const ThumbGeometry g = ThumbOf(bar.Range(), horz ? r.left : r.top, horz ? r.right - r.left : r.bottom - r.top,
                                    GetScrollMetric(bar, 0, false), bar.nMinThumbSize);
    length = g.length;
    pos = g.pos;
}

bool IsScrollBarActive(const TacScrollBar& bar)
{
    HWND wnd = bar.sw ? bar.sw->CtrlHandle : nullptr;
    if (!wnd)
        return false;
    if (auto info = WindowSkinningApi().GetScrollBarInfo) {
        SCROLLBARINFO sbi{};
        sbi.cbSize = sizeof(sbi);
        const LONG id = bar.nBarType == SB_HORZ ? OBJID_HSCROLL : bar.nBarType == SB_VERT ? OBJID_VSCROLL : OBJID_CLIENT;
        if (!info(wnd, id, &sbi))
            return false;
        const SCROLLINFO& si = bar.ScrollInfo;
        const bool usable = unsigned(si.nMax) >= si.nPage && si.nMax > si.nMin && si.nMax != 0;
        return (bar.fScrollFlags & 3) != 3 && (!(bar.fScrollFlags & 4) || usable) &&
               !(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    }
    const LONG style = GetWindowLongW(wnd, GWL_STYLE);
    return (style & (bar.nBarType == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
}

int HitTestScrollBar(const TacScrollBar& bar, HWND, const RECT& r, int x, int y)
{
    const bool horz = bar.nBarType == SB_HORZ;
    return horz ? HitTestBarPart(bar.Range(), x, y, r.left, r.right - r.left, r.top, r.bottom,
                                 GetScrollMetric(bar, 0, false), bar.nMinThumbSize)
                : HitTestBarPart(bar.Range(), y, x, r.top, r.bottom - r.top, r.left, r.right,
                                 GetScrollMetric(bar, 0, false), bar.nMinThumbSize);
}

TacScrollBar* GetScrollBarOf(HWND handle, int nBar)
{
    auto* w = dynamic_cast<TacScrollWnd*>(GetWrapper(handle));
    if (!w)
        return nullptr;
    return nBar == SB_HORZ ? w->sBarHorz.get() : nBar == SB_VERT ? w->sBarVert.get() : nullptr;
}

bool SetMinThumbSize(HWND handle, int nBar, uint16_t size)
{
    auto* w = dynamic_cast<TacScrollWnd*>(GetWrapper(handle));
    if (!w)
        return false;
    if ((nBar == SB_HORZ || nBar == SB_BOTH) && w->sBarHorz)
        w->sBarHorz->nMinThumbSize = size;
    if ((nBar == SB_VERT || nBar == SB_BOTH) && w->sBarVert)
        w->sBarVert->nMinThumbSize = size;
    return true;
}

// ---- TacScrollWnd ----

TacScrollWnd::TacScrollWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager)
    : TacMainWnd(handle, skinData, manager)
{
}

TacScrollWnd::~TacScrollWnd()
{
    Unhook();
    FreeBars();
}

void TacScrollWnd::FreeBars()
{
    ScrollTracking& t = Tracking();
    if (t.HoverWnd == CtrlHandle && CtrlHandle) {
        if (t.HoverTimer)
            KillTimer(CtrlHandle, kHoverTimerId);
        if (t.RepeatTimer)
            KillTimer(CtrlHandle, t.RepeatTimer);
        t = {};
    }
    if (sBarHorz)
        sBarHorz->sw = nullptr;
    if (sBarVert)
        sBarVert->sw = nullptr;
    sBarHorz.reset();
    sBarVert.reset();
}

void TacScrollWnd::Construct(core::StringView section, bool repaint)
{
    LeaveThemes(section);
    if (SkinData->SkinSection().empty())
        SkinData->SetSkinSection(section);
    DlgMode = DialogModeFlag();
    SaveStdParams();
    ParamsChanged = false;
    Caption = WindowTextOf(CtrlHandle);
    AttachScrollWnd(this, CtrlHandle, repaint);
    if (ui::Control* owner = SkinData->OwnerControl())
        owner->SetControlStyle(owner->ControlStyle() | ui::csOpaque);
}

void AttachScrollWnd(TacScrollWnd* w, HWND handle, bool repaint)
{
    if (!w || !handle || !IsWindow(handle))
        return;
    w->DontRepaint = false;
    w->CtrlHandle = handle;
    w->sBarHorz = std::make_unique<TacScrollBar>();
    w->sBarVert = std::make_unique<TacScrollBar>();
    w->sBarHorz->sw = w->sBarVert->sw = w;
    w->sBarHorz->nBarType = SB_HORZ;
    w->sBarVert->nBarType = SB_VERT;
    w->sBarHorz->Read(handle);
    w->sBarVert->Read(handle);
    w->fLeftScrollbar = (GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    const LONG style = GetWindowLongW(handle, GWL_STYLE);
    w->sBarHorz->fScrollFlags = (style & WS_HSCROLL) ? 8 : 0;
    w->sBarVert->fScrollFlags = (style & WS_VSCROLL) ? 8 : 0;
    w->bPreventStyleChange = false;
    AttachWrapper(w, handle);
    SetMinThumbSize(handle, SB_BOTH, 10);
    if (repaint)
        RefreshWndFrame(handle, true);
}

int TacScrollWnd::VisibleThickness(const TacScrollBar* bar) const
{
    return bar && bar->fScrollVisible ? GetScrollMetric(*bar, 1, false) : 0;
}

void TacScrollWnd::HorzBarRect(HWND handle, RECT& r) const
{
    RECT w{};
    GetWindowRect(handle, &w);
    r = RectOf(HorzBarBox(BoxOf(w), {cxLeftEdge, cyTopEdge, cxRightEdge, cyBottomEdge},
                          VisibleThickness(sBarHorz.get()), VisibleThickness(sBarVert.get()), fLeftScrollbar));
}

void TacScrollWnd::VertBarRect(HWND handle, RECT& r) const
{
    RECT w{};
    GetWindowRect(handle, &w);
    r = RectOf(VertBarBox(BoxOf(w), {cxLeftEdge, cyTopEdge, cxRightEdge, cyBottomEdge},
                          VisibleThickness(sBarHorz.get()), VisibleThickness(sBarVert.get()), fLeftScrollbar));
}

bool TacScrollWnd::GetBarRect(int nBar, HWND handle, RECT& r) const
{
    if (nBar == SB_HORZ)
        HorzBarRect(handle, r);
    else if (nBar == SB_VERT)
        VertBarRect(handle, r);
    else
        return false;
    return true;
}

RECT TacScrollWnd::PartArea(const TacScrollBar& bar, const RECT& r) const
{
    RECT a = r;
    const bool horz = bar.nBarType == SB_HORZ;
    if (bar.fButVisibleBefore)
        (horz ? a.left : a.top) += bar.nButSizeBefore;
    if (bar.fButVisibleAfter)
        (horz ? a.right : a.bottom) -= bar.nButSizeAfter;
    return a;
}

bool TacScrollWnd::GripVisible(HWND handle, const RECT& r) const
{
    HWND parent = GetParent(handle);
    if (!parent)
        return true;
    if (GetParent(parent))
        return false;
    RECT client{};
    GetClientRect(parent, &client);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (fLeftScrollbar)
        return r.left - cxLeftEdge == client.left && r.bottom + cyBottomEdge == client.bottom;
    return r.right + cxRightEdge == client.right && r.bottom + cyBottomEdge == client.bottom;
}

LRESULT TacScrollWnd::HandleNcCalcSize(ui::Message& message)
{
    auto* proposed = reinterpret_cast<RECT*>(message.LParam);
    if (!proposed)
        return CallPrevWndProc(message);
    const RECT old = *proposed;
    const LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    LRESULT result;
    if (style & (WS_HSCROLL | WS_VSCROLL)) {
        // The platform computes the client area as if the window had no bars.
        bPreventStyleChange = true;
        SetWindowLongW(CtrlHandle, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
        result = CallPrevWndProc(message);
        SetWindowLongW(CtrlHandle, GWL_STYLE, style);
        bPreventStyleChange = false;
    } else {
        result = CallPrevWndProc(message);
    }
    RECT& client = *proposed;
    cxLeftEdge = client.left - old.left;
    cxRightEdge = old.right - client.right;
    cyTopEdge = client.top - old.top;
    cyBottomEdge = old.bottom - client.bottom;
    if (!sBarHorz || !sBarVert)
        return result;
    sBarHorz->fScrollFlags = (style & WS_HSCROLL) ? 8 : 0;
    sBarVert->fScrollFlags = (style & WS_VSCROLL) ? 8 : 0;
    const ClientSplit split =
        SplitClientForBars(BoxOf(client), sBarHorz->fScrollFlags & 8, sBarVert->fScrollFlags & 8,
                           GetScrollMetric(*sBarHorz, 1, false), GetScrollMetric(*sBarVert, 1, false), fLeftScrollbar);
    client = RectOf(split.client);
    sBarHorz->fScrollVisible = split.horzVisible;
    sBarVert->fScrollVisible = split.vertVisible;
    return result;
}

LRESULT TacScrollWnd::HandleNcHitTest(ui::Message& message)
{
    const POINT p = PointOfLParam(message.LParam);
    RECT h{}, v{};
    HorzBarRect(CtrlHandle, h);
    VertBarRect(CtrlHandle, v);
    if (sBarHorz && sBarHorz->fScrollVisible && PtInRect(&h, p))
        return IsScrollBarActive(*sBarHorz) ? HTHSCROLL : HTNOWHERE;
    if (sBarVert && sBarVert->fScrollVisible && PtInRect(&v, p))
        return IsScrollBarActive(*sBarVert) ? HTVSCROLL : HTNOWHERE;
    if (sBarHorz && sBarHorz->fScrollVisible && sBarVert && sBarVert->fScrollVisible) {
        const RECT corner = fLeftScrollbar ? RECT{v.left, h.top, v.right, h.bottom} : RECT{h.right, h.top, v.right, h.bottom};
        if (PtInRect(&corner, p) && GripVisible(CtrlHandle, corner))
            return HTBOTTOMRIGHT;
    }
    return CallPrevWndProc(message);
}

void TacScrollWnd::UpdateScrollInfo(bool repaint)
{
    if ((SkinData && SkinData->FUpdating) || !sBarHorz || !sBarVert)
        return;
    sBarHorz->Read(CtrlHandle);
    sBarVert->Read(CtrlHandle);
    if (repaint && !Engine().FormAnimationActive)
        PaintScrolls(CtrlHandle);
}

void TacScrollWnd::UpdateScrolledBar(int barType)
{
    if ((SkinData && SkinData->FUpdating) || !sBarHorz || !sBarVert)
        return;
    // A thumb drag scrolls many times a second; the other bar and the corner are left alone unless
    // the scroll changed them too.
    const TacScrollBar& other = barType == SB_VERT ? *sBarHorz : *sBarVert;
    const SCROLLINFO before = other.ScrollInfo;
    sBarHorz->Read(CtrlHandle);
    sBarVert->Read(CtrlHandle);
    if (Engine().FormAnimationActive)
        return;
    const SCROLLINFO& after = other.ScrollInfo;
    const bool otherKept = before.nMin == after.nMin && before.nMax == after.nMax && before.nPage == after.nPage &&
                           before.nPos == after.nPos;
    PaintScrolls(CtrlHandle, -1, nullptr, otherKept ? barType : -1);
}

void UpdateScrollInfo(TacScrollWnd* wrapper, bool repaint)
{
    if (wrapper)
        wrapper->UpdateScrollInfo(repaint);
}

void TacScrollWnd::acWndProc(ui::Message& message)
{
    const UINT msg = message.Msg;
    if (msg == WM_DESTROY || msg == WM_NCDESTROY) {
        if (OldProc || OldWndProc) {
            // The window goes: it is given back (whoever owns the skin state) and the bars freed.
            LPARAM lparam = message.LParam;
            const WNDPROC oldProc = OldProc;
            ui::WndMethod oldMethod = OldWndProc;
            if (!Destroyed) {
                GiveBackWindowProc();
                if (GetWrapper(CtrlHandle) == this)
                    RemovePropW(CtrlHandle, L"ACSBSC");
                RestoreStdParams();
                FreeBars();
                Destroyed = true;
            }
            if (oldMethod) {
                ui::Message m{msg, message.WParam, lparam, 0};
                oldMethod(m);
                message.Result = m.Result;
            } else if (oldProc) {
                message.Result = CallWindowProcW(oldProc, CtrlHandle, msg, message.WParam, lparam);
            }
        }
        return;
    }
    if (msg == WM_UPDATEUISTATE || Destroyed)
        return;
    if (!SkinData || !SkinData->Skinned()) {
        if (IsSubCode(message, scSkinLoaded) && SkinData && message.LParam == LPARAM(SkinData->GetSkinManager()))
            SkinData->UpdateIndexes();
        message.Result = CallPrevWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        const bool own = message.LParam == LPARAM(SkinData->GetSkinManager());
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRemoved:
        case scSkinRefresh:
            ApplySkinChange(message, own);
            break;
        case scUpdateDone:
            if (SkinData->FUpdating) {
                // A frame aligning its controls ends its update itself once they are placed (its
                // adapter waits for that too): a redraw now would paint them half-placed.
                if (SkinData->COC == ckFrameAdapter && SkinData->OwnerControl() &&
                    (SkinData->OwnerControl()->ControlState() & ui::csAligning))
                    return;
                SkinData->FUpdating = false;
                SkinData->FUpdating = SkinData->GetUpdating();
                if (!SkinData->FUpdating)
                    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
            }
            break;
        case scIsSkinAware:
            message.Result = 1;
            return;
        case scSetUpdating:
            SkinData->SetUpdating(LOWORD(message.WParam) == 1);
            break;
        case scGetBgColor:
            message.Result = CallPrevWndProc(message);
            if (message.Result == 0)
                message.Result = LRESULT(SkinData->GetBgColor(0, nullptr));
            return;
        case scGetBackground:
            message.Result = CallPrevWndProc(message);
            if (auto* q = reinterpret_cast<TacBGQuery*>(message.LParam); q && q->BgType == 0)
                SkinData->GetBgInfo(*q, 0, nullptr);
            return;
        case scGetApplication:
            message.Result = ApplicationAnswer();
            return;
        }
        message.Result = CallPrevWndProc(message);
        return;
    }
    switch (msg) {
    case WM_STYLECHANGED:
        if (bPreventStyleChange) {
            message.Result = 0;
            return;
        }
        if (message.WParam == WPARAM(GWL_EXSTYLE) && message.LParam)
            fLeftScrollbar = (reinterpret_cast<STYLESTRUCT*>(message.LParam)->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
        break;
    case WM_NCCALCSIZE:
        message.Result = HandleNcCalcSize(message);
        return;
    case WM_NCHITTEST:
        message.Result = HandleNcHitTest(message);
        return;
    case WM_NCPAINT:
        // The platform paints the rest of the frame first: painting the bars before it lets its own
        // scroll-bar drawing cover them.
        message.Result = CallPrevWndProc(message);
        if (!Destroyed && IsWindowVisible(CtrlHandle)) {
            SkinData->FUpdating = SkinData->GetUpdating();
            if (!SkinData->FUpdating && !DontRepaint)
                PaintScrolls(CtrlHandle);
        }
        return;
    case WM_NCMOUSEMOVE:
        message.Result = HandleNcMouseMove(message);
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (message.WParam == HTHSCROLL || message.WParam == HTVSCROLL) {
            message.Result = HandleNcLButtonDown(message);
            return;
        }
        break;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
        if (message.WParam == HTHSCROLL || message.WParam == HTVSCROLL) {
            message.Result = 0;
            return;
        }
        break;
    case WM_SYSCOMMAND:
        if (LOWORD(message.WParam) == 0xF077)
            return;
        break;
    case WM_TIMER:
        message.Result = HandleTimer(message);
        if (!DontRepaint && !fThumbTracking && !Destroyed)
            UpdateScrollInfo(true);
        return;
    case WM_MOUSEMOVE:
        message.Result = HandleMouseMove(message);
        return;
    case WM_LBUTTONUP:
        message.Result = HandleLButtonUp(message);
        return;
    case ui::CM_UIACTIVATE:
        message.Result = CallPrevWndProc(message);
        if (WndSize.cx != 0)
            SetWindowPos(CtrlHandle, nullptr, 0, 0, WndSize.cx, WndSize.cy, 0x726);
        return;
    }
    message.Result = CallPrevWndProc(message);
    if (((msg == WM_MOUSEWHEEL || msg == ui::CM_MOUSEWHEEL) && !DontRepaint) || msg == ui::CM_FOCUSCHANGED)
        UpdateScrollInfo(true);
}

// ---- Release and synchronisation ----

void ReleaseScrollWnd(HWND handle, bool freeIt, bool frameChanged, std::unique_ptr<TacScrollWnd>& wrapper)
{
    if (!wrapper)
        return;
    TacScrollWnd* w = wrapper.get();
    if (!w->Destroyed && w->SkinData && w->SkinData->OwnerControl()) {
        w->GiveBackWindowProc();
        if (handle && GetWrapper(handle) == w)
            RemovePropW(handle, L"ACSBSC");
        w->RestoreStdParams();
        w->FreeBars();
        if (handle && IsWindowVisible(handle))
            RefreshWndFrame(handle, frameChanged);
        w->Destroyed = true;
    }
    if (freeIt) {
        w->OldProc = nullptr;
        w->OldWndProc = nullptr;
        wrapper.reset();
    }
}

void SyncScrollWnd(TsCommonData* skinData, std::unique_ptr<TacScrollWnd>& listSW)
{
    ui::Control* owner = skinData ? skinData->OwnerControl() : nullptr;
    if (!owner || IsLoading(owner) || IsDestroying(owner) || IsDesigning(owner))
        return;
    auto* windowed = dynamic_cast<ui::WinControl*>(owner);
    SyncScrollWndOf(windowed ? windowed->HandleIfAllocated() : nullptr, skinData, listSW);
}

void SyncScrollWndOf(HWND handle, TsCommonData* skinData, std::unique_ptr<TacScrollWnd>& listSW)
{
    const WindowSkinningFunctions& api = WindowSkinningApi();
    if (skinData->Skinned()) {
        if (api.UninitializeFlatSB && handle)
            api.UninitializeFlatSB(handle);
        if (listSW && listSW->Destroyed)
            listSW.reset();
        if (!listSW && handle)
            listSW = TacMainWnd::Create<TacScrollWnd>(handle, skinData, skinData->GetSkinManager(),
                                                      skinData->SkinSection(), true);
    } else {
        listSW.reset();
        if (api.InitializeFlatSB && handle)
            api.InitializeFlatSB(handle);
    }
}

} // namespace skin
