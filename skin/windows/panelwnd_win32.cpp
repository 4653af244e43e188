// Panel, dialog panel, transparent container and group box wrappers.
#include "skin/windows/panelwnd.h"

#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/color.h"
#include "ui/propinfo.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

namespace {

enum { bvNone, bvLowered, bvRaised };

int OrdOf(core::Object* obj, core::StringView name, int fallback)
{
    return obj && ui::HasProperty(obj, name) ? int(ui::GetOrdProperty(obj, name)) : fallback;
}

int HalfFrame(HWND handle)
{
    RECT wr{}, cr{};
    GetWindowRect(handle, &wr);
    GetClientRect(handle, &cr);
    return std::max(0, int((wr.right - wr.left) - (cr.right - cr.left)) / 2);
}

bool ChildCreated(const ui::Message& message) { return LOWORD(message.WParam) == WM_CREATE; }

bool ChildCreatedOrDestroyed(const ui::Message& message)
{
    return LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY;
}

// Passes the message on with the window's redraw off.
void PassQuietly(TacMainWnd* w, ui::Message& message)
{
    SendMessageW(w->CtrlHandle, WM_SETREDRAW, FALSE, 0);
    w->TacMainWnd::acWndProc(message);
    SendMessageW(w->CtrlHandle, WM_SETREDRAW, TRUE, 0);
}

} // namespace

// ---- TacPanelWnd ----

core::StringView TacPanelWnd::SectionOfPanel(core::Object* panel)
{
    const int outer = OrdOf(panel, u"BevelOuter", bvNone), inner = OrdOf(panel, u"BevelInner", bvNone);
    if (outer == bvLowered)
        return inner == bvRaised ? u"GROUPBOX" : u"PANEL_LOW";
    if (outer == bvRaised)
        return inner == bvLowered ? u"GROUPBOX" : u"PANEL";
    return OrdOf(panel, u"BorderStyle", 0) != 0 ? u"PANEL_LOW" : u"CHECKBOX";
}

void TacPanelWnd::Construct(core::StringView section, bool repaint)
{
    if (section.empty())
        section = SkinData->OwnerControl() ? SectionOfPanel(SkinData->OwnerControl()) : core::StringView(u"PANEL");
    TacMainWnd::Construct(section, repaint);
}

ui::WinControl* TacPanelWnd::Owner() const { return dynamic_cast<ui::WinControl*>(SkinData->OwnerControl()); }

void TacPanelWnd::acWndProc(ui::Message& message)
{
    ui::WinControl* owner = Destroyed || !SkinData ? nullptr : Owner();
    if (!owner || !(owner->ControlStyle() & ui::csAcceptsControls)) {
        TacMainWnd::acWndProc(message);
        if (message.Msg == WM_WINDOWPOSCHANGING && !Destroyed)
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
    }
    if (IsSkinCommand(message)) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRefresh:
            TacMainWnd::acWndProc(message);
            BroadcastToChildren(owner, CtrlHandle, message);
            return;
        case scSkinRemoved:
            SkinData->SkinIndex = -1;
            owner->SetControlStyle(owner->ControlStyle() & ~ui::csOpaque);
            TacMainWnd::acWndProc(message);
            return;
        case scUpdateDone:
            SkinData->FUpdating = false;
            RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
            return;
        case scIsSkinAware:
            message.Result = 1;
            return;
        case scPrepareCache:
            return;
        case scGetApplication:
            message.Result = ApplicationAnswer();
            return;
        }
    }
    if (SkinData->Skinned()) {
        switch (message.Msg) {
        case WM_SETTEXT:
            if (IsWindowVisible(CtrlHandle)) {
                PassQuietly(this, message);
                SkinData->BGChanged = true;
                SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
                return;
            }
            break;
        case WM_PAINT: {
            // The picture comes with the erase that validating the window brings.
            InvalidateRect(CtrlHandle, nullptr, TRUE);
            PaintScope paint(CtrlHandle);
            return;
        }
        case WM_ERASEBKGND:
            AC_WMPaint(reinterpret_cast<HDC>(message.WParam));
            message.Result = 1;
            return;
        case WM_UPDATEUISTATE:
            message.Result = 1;
            return;
        case WM_NCPAINT:
            AC_WMNCPaint(nullptr);
            message.Result = 0;
            return;
        case WM_PARENTNOTIFY:
            if (ChildCreatedOrDestroyed(message)) {
                TacMainWnd::acWndProc(message);
                if (ChildCreated(message))
                    NotifyFormOfControl(owner);
                return;
            }
            break;
        case WM_PRINT:
            AC_WMPaint(reinterpret_cast<HDC>(message.WParam));
            AC_WMNCPaint(reinterpret_cast<HDC>(message.WParam));
            return;
        }
    }
    TacMainWnd::acWndProc(message);
    if (message.Msg == WM_WINDOWPOSCHANGING && !Destroyed)
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
}

void TacPanelWnd::AC_WMPaint(HDC aDC)
{
    ui::WinControl* owner = Owner();
    if (!owner || IsDestroying(owner))
        return;
    HDC dc = aDC ? aDC : GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    if (!RefreshUpdating(SkinData)) {
        const bool redo = SkinData->HalfVisible || SkinData->BGChanged;
        if (SkinData->RepaintIfMoved()) {
            RECT clip{};
            GetClipBox(dc, &clip);
            SkinData->HalfVisible = clip.right - clip.left != owner->Width() || clip.bottom - clip.top != owner->Height();
        } else {
            SkinData->HalfVisible = false;
        }
        if (redo)
            PrepareCache();
        const int b = HalfFrame(CtrlHandle);
        const RECT r{b, b, owner->Width() - b, owner->Height() - b};
        BltCacheExceptChildren(owner, SkinData, r, 0, 0, false, dc, r);
        PaintGraphicChildren(dc, owner, POINT{0, 0});
        NotifyChildControls(owner);
    }
    RestoreDC(dc, saved);
    if (!aDC)
        ReleaseDC(CtrlHandle, dc);
}

void TacPanelWnd::PrepareCache()
{
    ui::WinControl* owner = Owner();
    ui::Bitmap* cache = owner ? SizedCache(SkinData, owner->Width(), owner->Height()) : nullptr;
    if (!cache)
        return;
    TCacheInfo ci;
    SkinData->GetParentCache(ci);
    PaintControlItem(SkinData, ci, true, 0, Rect{0, 0, owner->Width(), owner->Height()},
                     POINT{owner->Left(), owner->Top()}, cache, true);
    RECT r = owner->ClientRect();
    const int bevel = OrdOf(owner, u"BevelWidth", 1);
    int shrink = OrdOf(owner, u"BorderWidth", 0);
    if (OrdOf(owner, u"BevelInner", bvNone) != bvNone)
        shrink += bevel;
    if (OrdOf(owner, u"BevelOuter", bvNone) != bvNone)
        shrink += bevel;
    InflateRect(&r, -shrink, -shrink);
    WriteText(r, cache->Canvas());
    SkinData->BGChanged = false;
}

void TacPanelWnd::WriteText(RECT r, ui::Canvas& canvas)
{
    ui::Control* owner = SkinData->OwnerControl();
    if (owner)
        canvas.Font().Assign(owner->Font());
    canvas.SetBrushStyle(ui::bsClear);
    RECT line{0, 0, 0, 0};
    canvas.TextRect(line, u"W", DT_CALCRECT | DT_SINGLELINE);
    const int h = line.bottom - line.top;
    r.top = (r.top + r.bottom - h) / 2;
    r.bottom = r.top + h;
    WriteControlText(canvas, Caption.c_str(), owner ? owner->Enabled() : true, r, DT_CENTER | DT_VCENTER, SkinData,
                     false);
}

void TacPanelWnd::AC_WMNCPaint(HDC aDC)
{
    UpdateGeometry();
    HDC dc = aDC ? aDC : GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    SendAcMessage(CtrlHandle, scPrepareCache, 0);
    const int b = HalfFrame(CtrlHandle);
    if (ui::Bitmap* cache = SkinData->CacheBmp(); b > 0 && cache && !cache->Empty())
        CopyDCFrame(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, b);
    if (!aDC)
        ReleaseDC(CtrlHandle, dc);
}

// ---- TacDlgPanelWnd ----

void TacDlgPanelWnd::Construct(core::StringView section, bool repaint)
{
    TacMainWnd::Construct(section, repaint);
    Panel = dynamic_cast<ui::Control*>(FindWinControlByHandle(CtrlHandle, &ui::App()));
    if (Panel && Panel->ClassName() == core::StringView(u"TPanel")) {
        KeepPanelOnGlobalColor();
        SkinData->SetSkinSection(u"CHECKBOX");
    } else {
        SkinData->SetSkinSection(u"GROUPBOX");
    }
}

void TacDlgPanelWnd::KeepPanelOnGlobalColor()
{
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (Panel && manager && Panel->GetColor() != ui::Color(manager->GlobalColor()))
        Panel->SetColor(ui::Color(manager->GlobalColor()));
}

void TacDlgPanelWnd::SetSkinParams()
{
    TacMainWnd::SetSkinParams();
    KeepPanelOnGlobalColor();
}

int TacDlgPanelWnd::FrameWidth() const { return HalfFrame(CtrlHandle); }

void TacDlgPanelWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (IsSubCode(message, scSkinLoaded)) {
        BroadcastToChildren(nullptr, CtrlHandle, message);
        TacMainWnd::acWndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_SETTEXT:
        if (IsWindowVisible(CtrlHandle))
            SkinData->BGChanged = true;
        break;
    case WM_PAINT: {
        KeepPanelOnGlobalColor();
        PaintScope paint(CtrlHandle);
        return;
    }
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        const int saved = SaveDC(dc);
        AC_WMPaint(dc);
        UpdateGeometry();
        IntersectClipRect(dc, 6, 6, WndSize.cx - 6, WndSize.cy - 6);
        // The panel paints its own content inside the skinned frame.
        LPARAM none = 0;
        CallPrevWndProc(CtrlHandle, WM_PAINT, WPARAM(dc), none);
        RestoreDC(dc, saved);
        message.Result = 1;
        return;
    }
    case WM_NCPAINT:
        AC_WMNCPaint(nullptr);
        message.Result = 1;
        return;
    case WM_UPDATEUISTATE:
        message.Result = 1;
        return;
    case WM_PARENTNOTIFY:
        if (ChildCreatedOrDestroyed(message)) {
            TacMainWnd::acWndProc(message);
            KeepPanelOnGlobalColor();
            if (ChildCreated(message) && Panel)
                NotifyFormOfControl(Panel);
            return;
        }
        break;
    case WM_PRINT:
        AC_WMPaint(reinterpret_cast<HDC>(message.WParam));
        AC_WMNCPaint(reinterpret_cast<HDC>(message.WParam));
        return;
    case WM_THEMECHANGED:
        if (Panel && Panel->GetColor() != ui::clBtnFace)
            Panel->SetColor(ui::clBtnFace);
        break;
    }
    TacMainWnd::acWndProc(message);
}

void TacDlgPanelWnd::PrepareCache()
{
    UpdateGeometry();
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    TCacheInfo ci;
    GetParentCacheOfWnd(CtrlHandle, ci);
    PaintControlItem(SkinData, ci, true, 0, Rect{0, 0, WndSize.cx, WndSize.cy}, WndPos, cache, true);
    SkinData->BGChanged = false;
}

void TacDlgPanelWnd::AC_WMPaint(HDC aDC)
{
    HDC dc = aDC ? aDC : GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    if (!RefreshUpdating(SkinData)) {
        PrepareCache();
        const int b = FrameWidth();
        if (ui::Bitmap* cache = SkinData->CacheBmp(); cache && !cache->Empty())
            BitBlt(dc, b, b, WndSize.cx - 2 * b, WndSize.cy - 2 * b, cache->Canvas().Handle(), b, b, SRCCOPY);
    }
    RestoreDC(dc, saved);
    if (!aDC)
        ReleaseDC(CtrlHandle, dc);
}

void TacDlgPanelWnd::AC_WMNCPaint(HDC aDC)
{
    const int b = FrameWidth();
    SkinData->BGChanged = true;
    PrepareCache();
    HDC dc = aDC ? aDC : GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    if (ui::Bitmap* cache = SkinData->CacheBmp(); cache && !cache->Empty())
        CopyDCFrame(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, b + 6);
    if (!aDC)
        ReleaseDC(CtrlHandle, dc);
}

// ---- TacTransPanelWnd ----

void TacTransPanelWnd::acWndProc(ui::Message& message)
{
    if (!Destroyed && SkinData && SkinData->Skinned()) {
        if (message.Msg == WM_ERASEBKGND) {
            AC_WMPaint();
            message.Result = 1;
            return;
        }
        if (message.Msg == WM_NCPAINT)
            return;
    }
    TacMainWnd::acWndProc(message);
}

void TacTransPanelWnd::AC_WMPaint()
{
    UpdateGeometry();
    PaintScope paint(CtrlHandle);
    HDC dc = GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    SkinData->BGChanged = true;
    SendAcMessage(CtrlHandle, scPrepareCache, 0);
    const RECT r{0, 0, WndSize.cx, WndSize.cy};
    BltCacheExceptChildWnds(CtrlHandle, SkinData, r, 0, 0, false, dc, r);
    ReleaseDC(CtrlHandle, dc);
}

// ---- TacGroupBoxWnd ----

void TacGroupBoxWnd::Construct(core::StringView section, bool repaint)
{
    // The skin data of a control may already name its class's section: the wrapper's own wins.
    SkinData->SetSkinSection(section.empty() ? core::StringView(u"GROUPBOX") : section);
    TacMainWnd::Construct(section, repaint);
}

RECT TacGroupBoxWnd::CaptionRect()
{
    UpdateGeometry();
    SkinData->EnsureCacheBmp();
    ui::Bitmap* cache = SkinData->CacheBmp();
    RECT r{0, 0, 0, 0};
    if (cache) {
        ui::Canvas& canvas = cache->Canvas();
        if (ui::Control* owner = SkinData->OwnerControl())
            canvas.Font().Assign(owner->Font());
        else
            AssignWindowFont(CtrlHandle, canvas.Font());
        canvas.TextRect(r, Caption, DT_CALCRECT | DT_CENTER);
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    return {6, 0, std::min<LONG>(w + 14, WndSize.cx - 1), std::max(4, h) + 2};
}

void TacGroupBoxWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (IsSubCode(message, scSkinRemoved)) {
        if (ui::Control* owner = SkinData->OwnerControl())
            owner->SetControlStyle(owner->ControlStyle() & ~ui::csOpaque);
    } else if (IsSubCode(message, scGetCaptionHeight)) {
        const RECT c = CaptionRect();
        message.Result = c.bottom - c.top;
        return;
    }
    switch (message.Msg) {
    case WM_SETTEXT:
        TacMainWnd::acWndProc(message);
        SkinData->BGChanged = true;
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
    case WM_PAINT:
        if (DlgMode)
            break;
        AC_WMPaint(message.WParam, message.LParam == 1);
        message.Result = 0;
        return;
    case WM_ERASEBKGND:
        if (DlgMode)
            break;
        if (message.WParam == WPARAM(message.LParam)) {
            if (SkinData->BGChanged)
                PrepareCache();
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            ui::Bitmap* cache = SkinData->CacheBmp();
            if (!SkinData->BGChanged && dc) {
                if (SkinData->NeedsCachePaint() && cache)
                    BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
                else
                    FillDCSolid(dc, RECT{0, 0, WndSize.cx, WndSize.cy}, ui::Color(WndBgColor(CtrlHandle)));
            }
        }
        message.Result = 1;
        return;
    case WM_NCPAINT:
        if (!DlgMode)
            break;
        AC_WMPaint(0, false);
        message.Result = 1;
        return;
    case WM_PARENTNOTIFY:
        if (ChildCreatedOrDestroyed(message)) {
            TacMainWnd::acWndProc(message);
            if (ui::Control* owner = SkinData->OwnerControl(); owner && ChildCreated(message))
                NotifyFormOfControl(owner);
            return;
        }
        break;
    case WM_PRINT:
        if (DlgMode)
            break;
        SkinData->BGChanged = true;
        AC_WMPaint(message.WParam, true);
        return;
    }
    TacMainWnd::acWndProc(message);
}

void TacGroupBoxWnd::AC_WMPaint(WPARAM given, bool useGiven)
{
    UpdateGeometry();
    PaintScope paint(CtrlHandle);
    if (RefreshUpdating(SkinData))
        return;
    const bool own = !(given && useGiven);
    HDC dc = own ? GetWindowDC(CtrlHandle) : reinterpret_cast<HDC>(given);
    if (!dc)
        return;
    PrepareCache();
    if (DlgMode) {
        // The dialog paints inside the box itself.
        skin::SkinManager* manager = SkinData->GetSkinManager();
        const int mask = SkinData->BorderIndex;
        if (manager && manager->IsValidImgIndex(mask)) {
            const RECT c = CaptionRect();
            ExcludeClipRect(dc, manager->MaskWidthLeft(mask), c.bottom - c.top,
                            WndSize.cx - manager->MaskWidthRight(mask), WndSize.cy - manager->MaskWidthBottom(mask));
        }
    }
    const RECT r{0, 0, WndSize.cx, WndSize.cy};
    BltCacheExceptChildWnds(CtrlHandle, SkinData, r, 0, 0, false, dc, r);
    if (auto* owner = dynamic_cast<ui::WinControl*>(SkinData->OwnerControl()))
        PaintGraphicChildren(dc, owner, POINT{0, 0});
    if (own)
        ReleaseDC(CtrlHandle, dc);
    NotifyChildWindows(CtrlHandle);
}

void TacGroupBoxWnd::PutParentBgUnder(const RECT& r)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (m_bg.BgType == 2 && m_bg.Bmp)
        BitBlt(cache->Canvas().Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top,
               m_bg.Bmp->Canvas().Handle(), WndPos.x + r.left + m_bg.Offset.x, WndPos.y + r.top + m_bg.Offset.y,
               SRCCOPY);
    else
        FillDCSolid(cache->Canvas().Handle(), r, ui::Color(m_bg.Color));
}

void TacGroupBoxWnd::PrepareCache()
{
    UpdateGeometry();
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    const RECT c = CaptionRect();
    const int ch = c.bottom - c.top;
    m_bg = TacBGQuery{};
    QueryBgOfWnd(m_bg, ParentWnd, false);
    // Without a parent there is no place to take the background from: try again at the next paint.
    if (!ParentWnd)
        return;
    PutParentBgUnder(RECT{0, 0, WndSize.cx, c.bottom});
    TCacheInfo ci;
    BgQueryToCacheInfo(m_bg, ci);
    PaintControlItem(SkinData, ci, true, 0, Rect{0, ch / 2, WndSize.cx, WndSize.cy},
                     POINT{WndPos.x, WndPos.y + ch / 2}, cache, true);
    if (!Caption.empty())
        WriteText(c);
    SkinData->BGChanged = false;
}

void TacGroupBoxWnd::WriteText(RECT r)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    // The frame line must not show through the caption.
    PutParentBgUnder(r);
    ui::Canvas& canvas = cache->Canvas();
    canvas.SetBrushStyle(ui::bsClear);
    if (ui::Control* owner = SkinData->OwnerControl())
        canvas.Font().Assign(owner->Font());
    else
        AssignWindowFont(CtrlHandle, canvas.Font());
    WriteControlText(canvas, Caption.c_str(), true, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, SkinData, false);
}

} // namespace skin
