// Tree-view and grid wrappers.
#include "skin/windows/treewnd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skintables.h"
#include "skin/engine/utils.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/color.h"
#include "ui/control.h"
#include "ui/propinfo.h"

namespace skin {

// ---- TacTreeViewWnd ----

void TacTreeViewWnd::SetTreeBkColor(uint32_t color)
{
    if (CtrlHandle && IsWindow(CtrlHandle))
        SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, LPARAM(ui::ColorToRGB(ui::Color(color))));
}

bool TacTreeViewWnd::OwnerDrawsItself() const
{
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    return owner && ui::HasProperty(owner, u"OnCustomDraw") &&
           ui::GetMethodProperty(owner, u"OnCustomDraw").Assigned();
}

void TacTreeViewWnd::SetSkinParams()
{
    ParamsChanged = true;
    if (DlgMode) {
        SetTreeBkColor(ui::clWindow);
        return;
    }
    const SectionData* s = SkinData ? SkinData->Section() : nullptr;
    if (!s)
        return;
    if (ui::Control* owner = SkinData->OwnerControl()) {
        if (!SkinData->CustomFont() && owner->Font().FontColor() != ui::Color(s->HotFontColor[0]))
            owner->Font().SetColor(ui::Color(s->HotFontColor[0]));
        if (!SkinData->CustomColor() &&
            ui::ColorToRGB(ui::Color(s->HotColor)) != ui::ColorToRGB(owner->GetColor()))
            SetTreeBkColor(s->HotColor);
    } else {
        SetTreeBkColor(s->HotColor);
    }
}

void TacTreeViewWnd::RestoreStdParams()
{
    TacEditWnd::RestoreStdParams();
    SetTreeBkColor(ui::clWindow);
}

void TacTreeViewWnd::acWndProc(ui::Message& message)
{
    if (message.Msg != WM_ERASEBKGND || Destroyed || !SkinData || !SkinData->Skinned()) {
        TacEditWnd::acWndProc(message);
        if (message.Msg == WM_LBUTTONUP && !Destroyed)
            ReleaseCapture();
        return;
    }
    if (OwnerDrawsItself()) {
        message.Result = CallPrevWndProc(message);
        return;
    }
    if (RefreshUpdating(SkinData))
        return;
    UpdateGeometry();
    if (SkinData->BGChanged)
        PrepareWndCache(SkinData, CtrlHandle, DlgMode);
    HDC given = reinterpret_cast<HDC>(message.WParam);
    HDC dc = given ? given : GetWindowDC(CtrlHandle);
    if (dc) {
        const SectionData* s = SkinData->Section();
        const ui::Color fill = DlgMode || !s ? ui::clWindow : ui::Color(s->HotColor);
        FillDCSolid(dc, RECT{0, 0, WndSize.cx, WndSize.cy}, fill);
        if (!given)
            ReleaseDC(CtrlHandle, dc);
    }
    message.Result = 0;
}

// ---- TacGridWnd ----

namespace {

constexpr uint32_t kClNone = 0x1FFFFFFF;
constexpr uint32_t kClBtnFace = 0xFF00000F;

core::Object* ObjectOf(core::Object* obj, core::StringView name)
{
    return obj && ui::HasProperty(obj, name) ? ui::GetObjectProperty(obj, name) : nullptr;
}

uint32_t RawColor(core::Object* obj, core::StringView name)
{
    return obj && ui::HasProperty(obj, name) ? uint32_t(ui::GetOrdProperty(obj, name)) : 0;
}

// A gradient end saved; no colour is kept as the button face so that restoring gives a colour.
uint32_t SavedGradient(core::Object* look, core::StringView name)
{
    const uint32_t raw = RawColor(look, name);
    return raw == kClNone ? kClBtnFace : GetColorProp(look, name);
}

} // namespace

void TacGridWnd::SaveStdParams()
{
    TacEditWnd::SaveStdParams();
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner)
        return;
    const bool hasLook = ui::HasProperty(owner, u"ControlLook");
    FixedColor = GetColorProp(owner, u"FixedColor");
    if (core::Object* font = ObjectOf(owner, u"TitleFont"))
        TitleFontColor = RawColor(font, u"Color");
    if (core::Object* font = hasLook ? ObjectOf(owner, u"FixedFont") : nullptr)
        TitleFontColor = GetColorProp(font, u"Color");
    if (hasLook) {
        GridFixedLineColor = GetColorProp(owner, u"GridFixedLineColor");
        GridLineColor = GetColorProp(owner, u"GridLineColor");
    }
    if (core::Object* look = ObjectOf(owner, u"ControlLook")) {
        FixedGradientFrom = SavedGradient(look, u"FixedGradientFrom");
        FixedGradientTo = SavedGradient(look, u"FixedGradientTo");
    }
    if (hasLook) {
        SelectionColor = GetColorProp(owner, u"SelectionColor");
        SelectionTextColor = GetColorProp(owner, u"SelectionTextColor");
    }
    FooterColor = GetColorProp(owner, u"FooterColor");
    FooterCellColor = GetColorProp(owner, u"FooterCellColor");
    TitleColor = GetColorProp(owner, u"TitleColor");
    IndColor = GetColorProp(owner, u"IndicatorIconColor");
}

void TacGridWnd::SetSkinParams()
{
    TacEditWnd::SetSkinParams();
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    skin::SkinManager* m = SkinData ? SkinData->GetSkinManager() : nullptr;
    if (!owner || !m)
        return;
    const bool hasLook = ui::HasProperty(owner, u"ControlLook");
    SetColorProp(owner, u"FixedColor", m->GlobalColor());
    if (core::Object* font = ObjectOf(owner, u"TitleFont"))
        SetColorProp(font, u"Color", m->GlobalFontColor());
    if (core::Object* font = hasLook ? ObjectOf(owner, u"FixedFont") : nullptr)
        SetColorProp(font, u"Color", m->GlobalFontColor());
    if (hasLook) {
        SetColorProp(owner, u"GridFixedLineColor", m->GetSkinData().BorderColor);
        SetColorProp(owner, u"GridLineColor", BlendColors(m->GetActiveEditColor(), m->GetActiveEditFontColor(), 0.5));
    }
    if (core::Object* look = ObjectOf(owner, u"ControlLook")) {
        SetColorProp(look, u"FixedGradientFrom", BlendColors(m->GlobalColor(), m->GetActiveEditColor(), 0.5));
        SetColorProp(look, u"FixedGradientTo", m->GlobalColor());
    }
    if (hasLook) {
        SetColorProp(owner, u"SelectionColor", m->GetHighLightColor());
        SetColorProp(owner, u"SelectionTextColor", m->GetHighLightFontColor());
    }
    // A skin without a global section leaves the footer and title colours as they are.
    const int global = m->GetConstData().IndexGLobalInfo;
    if (m->IsValidSkinIndex(global)) {
        const uint32_t c = m->Section(global).Color;
        SetColorProp(owner, u"FooterColor", c);
        SetColorProp(owner, u"FooterCellColor", c);
        SetColorProp(owner, u"TitleColor", c);
    }
    if (const SectionData* s = SkinData->Section())
        SetColorProp(owner, u"IndicatorIconColor", s->FontColor[0]);
}

void TacGridWnd::RestoreStdParams()
{
    TacEditWnd::RestoreStdParams();
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner || IsDestroying(owner))
        return;
    // What was read only with a look is given back only with one: the others were never saved.
    const bool hasLook = ui::HasProperty(owner, u"ControlLook");
    SetColorProp(owner, u"FixedColor", FixedColor);
    SetColorProp(ObjectOf(owner, u"TitleFont"), u"Color", TitleFontColor);
    if (hasLook) {
        SetColorProp(ObjectOf(owner, u"FixedFont"), u"Color", TitleFontColor);
        SetColorProp(owner, u"GridFixedLineColor", GridFixedLineColor);
        SetColorProp(owner, u"GridLineColor", GridLineColor);
        SetColorProp(owner, u"SelectionColor", SelectionColor);
        SetColorProp(owner, u"SelectionTextColor", SelectionTextColor);
    }
    if (core::Object* look = ObjectOf(owner, u"ControlLook")) {
        SetColorProp(look, u"FixedGradientFrom", FixedGradientFrom);
        SetColorProp(look, u"FixedGradientTo", FixedGradientTo);
    }
    SetColorProp(owner, u"FooterColor", FooterColor);
    SetColorProp(owner, u"FooterCellColor", FooterCellColor);
    SetColorProp(owner, u"TitleColor", TitleColor);
    SetColorProp(owner, u"IndicatorIconColor", IndColor);
}

void TacGridWnd::ClipToClient(HDC dc)
{
    ui::Bitmap* cache = SkinData ? SkinData->CacheBmp() : nullptr;
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - cxLeftEdge, origin.y - cxLeftEdge, nullptr);
    if (!cache)
        return;
    const int vThick = sBarVert && sBarVert->fScrollVisible ? GetScrollMetric(*sBarVert, 1, false) : 0;
    const int hThick = sBarHorz && sBarHorz->fScrollVisible ? GetScrollMetric(*sBarHorz, 1, false) : 0;
    IntersectClipRect(dc, 0, 0, cache->Width() - 2 * cxLeftEdge - vThick, cache->Height() - 2 * cxLeftEdge - hThick);
}

void TacGridWnd::acWndProc(ui::Message& message)
{
    switch (message.Msg) {
    case WM_ERASEBKGND:
        if (SkinData)
            SkinData->FUpdating = SkinData->GetUpdating();
        message.Result = 1;
        return;
    case WM_VSCROLL: {
        const int code = LOWORD(message.WParam);
        ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
        if (owner && ui::HasProperty(owner, u"DataSource") && (code == SB_THUMBPOSITION || code == SB_THUMBTRACK)) {
            SCROLLINFO si{};
            si.cbSize = sizeof(si);
            si.fMask = SIF_ALL;
            if (GetScrollInfo(CtrlHandle, SB_VERT, &si)) {
                // A dropped thumb of a data-bound grid lands one past the track position.
                si.nPos = code == SB_THUMBPOSITION ? si.nTrackPos + 1 : si.nTrackPos;
                si.fMask = SIF_POS;
                SetScrollInfo(CtrlHandle, SB_VERT, &si, FALSE);
            }
        }
        break;
    }
    case WM_PRINT: {
        TacEditWnd::acWndProc(message);
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (Destroyed || !dc)
            return;
        const int saved = SaveDC(dc);
        ClipToClient(dc);
        SendMessageW(CtrlHandle, WM_PAINT, WPARAM(dc), message.LParam);
        RestoreDC(dc, saved);
        return;
    }
    }
    TacEditWnd::acWndProc(message);
    if (Destroyed)
        return;
    if (message.Msg == WM_PAINT)
        UpdateScrollInfo(true);
    else if (message.Msg == WM_WINDOWPOSCHANGED && IsWindowVisible(CtrlHandle))
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
}

} // namespace skin
