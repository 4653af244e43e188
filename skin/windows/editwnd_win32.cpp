// Base and edit wrappers.
#include "skin/windows/editwnd.h"

#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/sbutils.h"
#include "ui/bitmap.h"
#include "ui/color.h"
#include "ui/control.h"
#include "ui/listbox.h"
#include "ui/propinfo.h"
#include "ui/wincontrol.h"

namespace skin {

namespace {

// The kind code of the skin state the control adapter gives each control it wraps.
constexpr int kAdapterItemKind = 227;

} // namespace

void TacBaseWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacScrollWnd::acWndProc(message);
        return;
    }
    if (IsSubCode(message, scSkinRefresh) && message.LParam == LPARAM(SkinData->GetSkinManager())) {
        TacScrollWnd::acWndProc(message);
        if (IsWindowVisible(CtrlHandle))
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
    }
    if (IsSubCode(message, scPrepareCache))
        PrepareWndCache(SkinData, CtrlHandle, false);
    switch (message.Msg) {
    case WM_SIZE:
        SkinData->BGChanged = true;
        break;
    case WM_SETCURSOR:
        message.Result = CallPrevWndProc(message);
        return;
    case 0x2100:
        return;
    }
    TacScrollWnd::acWndProc(message);
    if (Destroyed)
        return;
    switch (message.Msg) {
    case WM_SIZE:
        if (!DontRepaint)
            UpdateScrollInfo(true);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (!DontRepaint)
            UpdateScrolledBar(message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ);
        break;
    case WM_ENABLE:
    case ui::CM_ENABLEDCHANGED:
        if (IsWindowVisible(CtrlHandle))
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        break;
    }
}

// ---- TacEditWnd ----

TacEditWnd::TacEditWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager)
    : TacBaseWnd(handle, skinData, manager)
{
}

TacEditWnd::~TacEditWnd()
{
    Unhook();
    FreeBars();
    if (Brush)
        DeleteObject(Brush);
}

void TacEditWnd::Construct(core::StringView section, bool repaint)
{
    if (!KeepsThemes())
        LeaveThemes(section);
    SkinData->SetSkinSection(section.empty() ? core::StringView(u"EDIT") : section);
    SaveStdParams();
    ParamsChanged = false;
    DlgMode = DialogModeFlag();
    AttachScrollWnd(this, CtrlHandle, repaint);
    if (ui::Control* owner = SkinData->OwnerControl())
        owner->SetControlStyle(owner->ControlStyle() | ui::csOpaque);
}

void TacEditWnd::SaveStdParams()
{
    TacBaseWnd::SaveStdParams();
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner)
        return;
    StdColor = owner->GetColor();
    StdFontColor = owner->Font().FontColor();
    if (ui::HasProperty(owner, u"FocusColor"))
        FocusColor = uint32_t(ui::GetOrdProperty(owner, u"FocusColor"));
}

void TacEditWnd::SetSkinParams()
{
    bPreventStyleChange = true;
    TacBaseWnd::SetSkinParams();
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (owner) {
        if (!SkinData->CustomColor()) {
            const uint32_t c = SkinData->GetBgColor(SkinData->IsHotOrFocused() ? 1 : 0, nullptr);
            if (ui::HasProperty(owner, u"FocusColor")) {
                if (c != owner->GetColor())
                    ui::SetOrdProperty(owner, u"Color", c);
                ui::SetOrdProperty(owner, u"FocusColor", c);
            } else if (c != owner->GetColor()) {
                owner->SetColor(c);
            }
        }
        if (!SkinData->CustomFont())
            if (const SectionData* s = SkinData->Section(); s && owner->Font().FontColor() != s->HotFontColor[0])
                owner->Font().SetColor(s->HotFontColor[0]);
    } else {
        const SectionData* s = SkinData ? SkinData->Section() : nullptr;
        Color = !DlgMode && s ? s->Color : ui::clWindow;
        FrameColor = 0;
    }
    if (SkinData)
        SkinData->BGChanged = true;
    bPreventStyleChange = false;
}

void TacEditWnd::RestoreStdParams()
{
    TacBaseWnd::RestoreStdParams();
    if (CtrlHandle && IsWindowVisible(CtrlHandle))
        SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x227);
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner || IsDestroying(owner))
        return;
    owner->SetColor(StdColor);
    owner->Font().SetColor(StdFontColor);
    if (ui::HasProperty(owner, u"FocusColor"))
        ui::SetOrdProperty(owner, u"FocusColor", FocusColor);
}

void TacEditWnd::PaintFrameInto(HDC dc)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!dc || !cache)
        return;
    CopyDCFrame(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, cxLeftEdge);
}

void TacEditWnd::acWndProc(ui::Message& message)
{
    if (!SkinData || !SkinData->Skinned()) {
        TacBaseWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        const bool own = message.LParam == LPARAM(SkinData->GetSkinManager());
        switch (SubCodeOf(message.WParam)) {
        case scSkinRefresh:
            if (own) {
                TacBaseWnd::acWndProc(message);
                SetSkinParams();
                return;
            }
            break;
        case scUpdateDone:
            if (SkinData->FUpdating) {
                SkinData->FUpdating = false;
                SkinData->FUpdating = SkinData->GetUpdating();
                if (!SkinData->FUpdating)
                    RedrawWindow(CtrlHandle, nullptr, nullptr, 0x585);
            }
            break;
        case scIsSkinAware:
            message.Result = 1;
            return;
        case scPrepareCache:
            UpdateGeometry();
            PrepareWndCache(SkinData, CtrlHandle, DlgMode);
            RestoreWndCorners(SkinData, 0, this);
            return;
        case scGetSkinIndex:
            message.Result = SkinData->SkinIndex + 1;
            return;
        case scGetApplication:
            message.Result = ApplicationAnswer();
            return;
        }
        TacBaseWnd::acWndProc(message);
        return;
    }
    const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
    switch (message.Msg) {
    case WM_PAINT:
        if (!visible)
            break;
        SkinData->FUpdating = SkinData->GetUpdating();
        if (SkinData->FUpdating || (Engine().FormAnimationActive && !Engine().AnimationDC)) {
            PAINTSTRUCT ps;
            BeginPaint(CtrlHandle, &ps);
            EndPaint(CtrlHandle, &ps);
            return;
        }
        message.Result = PaintScrolls(CtrlHandle, -1, reinterpret_cast<HDC>(message.WParam));
        if (!ParamsChanged)
            SetSkinParams();
        break;
    case WM_ERASEBKGND:
        if (!visible)
            break;
        SkinData->FUpdating = SkinData->GetUpdating();
        if (SkinData->FUpdating)
            return;
        if (!ParamsChanged)
            SetSkinParams();
        if (Engine().FormAnimationActive && reinterpret_cast<void*>(message.WParam) != Engine().AnimationDC) {
            message.Result = 1;
            return;
        }
        break;
    case WM_NCPAINT:
        if (!visible)
            break;
        if (Engine().FormAnimationActive)
            return;
        try {
            UpdateGeometry();
            SkinData->FUpdating = SkinData->GetUpdating();
            if (SkinData->FUpdating)
                return;
            if (SkinData->BGChanged) {
                if (!ParamsChanged)
                    SetSkinParams();
                PrepareWndCache(SkinData, CtrlHandle, DlgMode);
            }
            if (HDC dc = GetWindowDC(CtrlHandle)) {
                const int saved = SaveDC(dc);
                PaintFrameInto(dc);
                message.Result = PaintScrolls(CtrlHandle, -1, dc);
                RestoreDC(dc, saved);
                ReleaseDC(CtrlHandle, dc);
            }
        } catch (...) {
            // The frame is simply not repainted.
        }
        return;
    case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (!dc)
            break;
        UpdateGeometry();
        SkinData->FUpdating = false;
        SkinData->BGChanged = true;
        if (!ParamsChanged)
            SetSkinParams();
        PrepareWndCache(SkinData, CtrlHandle, DlgMode);
        if (!DlgMode)
            RestoreWndCorners(SkinData, 0, this);
        PaintFrameInto(dc);
        message.Result = PaintScrolls(CtrlHandle, -1, dc);
        ui::Bitmap* cache = SkinData->CacheBmp();
        const int saved = SaveDC(dc);
        const int vThick = sBarVert && sBarVert->fScrollVisible ? GetScrollMetric(*sBarVert, 1, false) : 0;
        const int hThick = sBarHorz && sBarHorz->fScrollVisible ? GetScrollMetric(*sBarHorz, 1, false) : 0;
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - cxLeftEdge, origin.y - cxLeftEdge, nullptr);
        if (cache)
            IntersectClipRect(dc, 0, 0, cache->Width() - 2 * cxLeftEdge - vThick,
                              cache->Height() - 2 * cxLeftEdge - hThick);
        SendMessageW(CtrlHandle, WM_ERASEBKGND, WPARAM(dc), 0);
        SendMessageW(CtrlHandle, WM_PAINT, WPARAM(dc), 0);
        SendMessageW(CtrlHandle, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT | PRF_OWNED);
        RestoreDC(dc, saved);
        break;
    }
    case ui::CM_FONTCHANGED:
        RedrawWindow(CtrlHandle, nullptr, nullptr, 0x405);
        break;
    }
    TacBaseWnd::acWndProc(message);
    if (Destroyed)
        return;
    ui::Control* owner = SkinData->OwnerControl();
    switch (message.Msg) {
    case WM_SIZE:
        if (IsWindowVisible(CtrlHandle))
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (auto* w = dynamic_cast<ui::WinControl*>(owner);
            w && HasStateBorder(SkinData) && w->CanFocus() && w->TabStop()) {
            SkinData->BGChanged = true;
            SkinData->FFocused = message.Msg == WM_SETFOCUS;
            RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr, 0x401);
        }
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case ui::CN_KEYDOWN:
    case ui::CN_KEYUP:
        if (!DontRepaint)
            UpdateScrollInfo(true);
        break;
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
        UpdateScrollInfo(true);
        break;
    case LB_GETTOPINDEX:
        if (auto* list = dynamic_cast<ui::ListBox*>(owner); list && message.Result == 0 && list->Items().Count() == 0)
            message.Result = -1;
        break;
    case WM_MOUSEMOVE:
        if (!SkinData->GetUpdating() && GetCapture())
            UpdateScrollInfo(true);
        break;
    case ui::CM_MOUSEENTER:
    case ui::CM_MOUSELEAVE:
        if (HasStateBorder(SkinData)) {
            const bool enter = message.Msg == ui::CM_MOUSEENTER;
            SkinData->FMouseAbove = enter;
            // Only the control adapter's items glow: a skinned control shows its own glow.
            if (enter && SkinData->COC == kAdapterItemKind)
                SkinData->UpdateGlow(false, nullptr);
            if (auto* w = dynamic_cast<ui::WinControl*>(owner)) {
                SkinData->BGChanged = true;
                RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr, 0x401);
            }
            if (!enter)
                ClearGlowEffects();
        }
        break;
    }
}

// ---- TacComboListWnd ----

void TacComboListWnd::Construct(core::StringView section, bool repaint)
{
    m_repaint = repaint;
    TacEditWnd::Construct(section, repaint);
}

bool TacComboListWnd::KeepsListCapture() const
{
    return !(SkinData && SkinData->OwnerControl()) && !SimplyBox && Tag != -1;
}

bool TacComboListWnd::SwallowsListRelease() const { return !(SkinData && SkinData->OwnerControl()) && !SimplyBox; }

} // namespace skin
