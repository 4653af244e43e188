// Push button, glyph button and check box wrappers.
#include "skin/windows/btnwnd.h"

#include "skin/engine/glow.h"
#include "skin/engine/maskpaint.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/canvas.h"
#include "ui/control.h"
#include "ui/propinfo.h"

#include <algorithm>

namespace skin {

namespace {

void GiveCanvasFont(ui::Canvas& canvas, TsCommonData* data, HWND handle)
{
    if (ui::Control* owner = data->OwnerControl())
        canvas.Font().Assign(owner->Font());
    else
        AssignWindowFont(handle, canvas.Font());
}

void BlitCache(HDC dc, ui::Bitmap* cache)
{
    if (dc && cache && !cache->Empty())
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

LRESULT ButtonState(HWND handle) { return SendMessageW(handle, BM_GETSTATE, 0, 0); }

} // namespace

// ---- TacBtnWnd ----

void TacBtnWnd::Construct(core::StringView section, bool repaint)
{
    // The skin data of a control may already name its class's section: the wrapper's own wins.
    SkinData->SetSkinSection(section.empty() ? core::StringView(u"BUTTON") : section);
    TacMainWnd::Construct(section, repaint);
}

bool TacBtnWnd::Down() const { return (ButtonState(CtrlHandle) & BST_PUSHED) != 0; }

int TacBtnWnd::CurrentState()
{
    if (Down()) {
        ClearGlowEffects();
        return 2;
    }
    if (!IsWindowEnabled(CtrlHandle))
        return 0;
    skin::SkinManager* m = DefaultManager();
    if (GetFocus() == CtrlHandle || (m && m->ActiveControl() == CtrlHandle))
        return 1;
    if (SkinData->OwnerControl())
        return (CtrlStyle() & 0xF) == BS_DEFPUSHBUTTON ? 1 : 0;
    return (CtrlStyle() & 1) ? 1 : 0;
}

void TacBtnWnd::PassQuietlyAndRepaint(ui::Message& message)
{
    SendMessageW(CtrlHandle, WM_SETREDRAW, FALSE, 0);
    TacMainWnd::acWndProc(message);
    SendMessageW(CtrlHandle, WM_SETREDRAW, TRUE, 0);
    SkinData->BGChanged = true;
    SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
}

void TacBtnWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        switch (SubCodeOf(message.WParam)) {
        case scUpdateDone:
            if (SkinData->FUpdating) {
                SkinData->FUpdating = false;
                SkinData->FUpdating = SkinData->GetUpdating();
                if (!SkinData->FUpdating)
                    RedrawWindow(CtrlHandle, nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
                return;
            }
            break;
        case scMouseEnter:
            if (skin::SkinManager* m = DefaultManager(); !SkinData->FMouseAbove && m && m->ActiveControl() == CtrlHandle) {
                if (!CursorInside(CtrlHandle))
                    return;
                SkinData->FMouseAbove = true;
                SkinData->BGChanged = true;
                SkinData->FUpdating = false;
                SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
                SkinData->UpdateGlow(false, CtrlHandle);
            }
            break;
        case scMouseLeave:
            if (SkinData->FMouseAbove) {
                ClearGlowEffects();
                SkinData->FMouseAbove = false;
                SkinData->FUpdating = false;
                SkinData->BGChanged = true;
                SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
            }
            break;
        }
        TacMainWnd::acWndProc(message);
        return;
    }
    const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
    const bool enabled = IsWindowEnabled(CtrlHandle) != FALSE;
    switch (message.Msg) {
    case WM_MOVE:
        if (const SectionData* s = SkinData->Section();
            s && (s->Transparency > 0 || (s->HotTransparency > 0 && SkinData->IsHotOrFocused()))) {
            SkinData->BGChanged = true;
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (!enabled) {
            // A disabled button never takes the focus highlight.
            if (message.Msg == WM_SETFOCUS)
                return;
            break;
        }
        SendMessageW(CtrlHandle, WM_SETREDRAW, FALSE, 0);
        TacMainWnd::acWndProc(message);
        SendMessageW(CtrlHandle, WM_SETREDRAW, TRUE, 0);
        SkinData->FFocused = message.Msg == WM_SETFOCUS;
        SkinData->BGChanged = true;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
    case WM_ENABLE:
    case WM_SETTEXT:
        if (visible) {
            PassQuietlyAndRepaint(message);
            return;
        }
        break;
    case BM_SETSTATE:
        if (visible) {
            SendMessageW(CtrlHandle, WM_SETREDRAW, FALSE, 0);
            message.Result = CallPrevWndProc(message);
            SendMessageW(CtrlHandle, WM_SETREDRAW, TRUE, 0);
            SkinData->BGChanged = true;
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
            return;
        }
        break;
    case WM_PAINT:
        if (!ParamsChanged)
            SetSkinParams();
        AC_WMPaint(message.WParam);
        return;
    case WM_PRINT:
        AC_WMPaint(message.WParam);
        return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE:
        message.Result = 1;
        return;
    }
    TacMainWnd::acWndProc(message);
    if (message.Msg == WM_MOUSEMOVE && !Destroyed)
        TrackActiveControl(CtrlHandle);
}

void TacBtnWnd::AC_WMPaint(WPARAM dc)
{
    UpdateGeometry();
    PaintScope paint(CtrlHandle);
    if (RefreshUpdating(SkinData))
        return;
    MessageDC target(CtrlHandle, dc);
    SkinData->BGChanged = true;
    PrepareCache();
    BlitCache(target.Get(), SkinData->CacheBmp());
}

void TacBtnWnd::PrepareCache()
{
    UpdateGeometry();
    GetParentCacheOfWnd(CtrlHandle, m_parent_bg);
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    const int state = CurrentState();
    PaintControlItem(SkinData, m_parent_bg, true, state, Rect{0, 0, WndSize.cx, WndSize.cy}, WndPos, cache, false);
    RestoreWndCorners(SkinData, state, this);
    DrawCaption();
    DrawGlyph();
    if (!IsWindowEnabled(CtrlHandle))
        FadeDisabledCache(cache, m_parent_bg, WndPos);
    SkinData->BGChanged = false;
}

void TacBtnWnd::DrawCaption()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache)
        return;
    ui::Canvas& canvas = cache->Canvas();
    GiveCanvasFont(canvas, SkinData, CtrlHandle);
    RECT r = CaptionRect();
    DoDrawText(r, DT_CENTER | DT_EXPANDTABS | WordBreakFlag());
    const SectionData* s = SkinData->Section();
    if (IsWindowEnabled(CtrlHandle) && (ButtonState(CtrlHandle) & BST_FOCUS) && !Caption.empty() && s &&
        s->ShowFocus) {
        InflateRect(&r, 1, 1);
        PaintDotFrame(canvas, r);
    }
}

void TacBtnWnd::DoDrawText(RECT rect, UINT flags)
{
    ui::Canvas& canvas = SkinData->CacheBmp()->Canvas();
    canvas.SetBrushStyle(ui::bsClear);
    WriteControlText(canvas, Caption.c_str(), true, rect, flags, SkinData, CurrentState() != 0);
}

SIZE TacBtnWnd::TextRectSize()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || Caption.empty())
        return {0, 0};
    RECT r{0, 0, MaxCaptionWidth(), 0};
    cache->Canvas().TextRect(r, Caption, DT_CALCRECT | DT_NOPREFIX | DT_CENTER | DT_EXPANDTABS | WordBreakFlag());
    return {r.right - r.left, r.bottom - r.top};
}

RECT TacBtnWnd::CaptionRect()
{
    const SIZE text = TextRectSize();
    const int dx = (WndSize.cx - text.cx) / 2, dy = (WndSize.cy - text.cy) / 2;
    RECT r{dx - 1, dy, WndSize.cx - dx + 2, WndSize.cy - dy};
    if (Down())
        OffsetRect(&r, 1, 1);
    return r;
}

int TacBtnWnd::MaxCaptionWidth()
{
    if (Caption.empty())
        return 0;
    const SIZE glyph = GlyphSize();
    return WndSize.cx - 2 - (glyph.cx != 0 ? glyph.cx + 2 : 0);
}

// ---- TacBitBtnWnd ----

ui::Bitmap* TacBitBtnWnd::Glyph() const
{
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner || !ui::HasProperty(owner, u"Glyph"))
        return nullptr;
    auto* glyph = dynamic_cast<ui::Bitmap*>(ui::GetObjectProperty(owner, u"Glyph"));
    return glyph && !glyph->Empty() && glyph->Width() > 0 ? glyph : nullptr;
}

int TacBitBtnWnd::NumGlyphs() const
{
    ui::Control* owner = SkinData->OwnerControl();
    const int n = ui::HasProperty(owner, u"NumGlyphs") ? int(ui::GetOrdProperty(owner, u"NumGlyphs")) : 1;
    return std::max(n, 1);
}

SIZE TacBitBtnWnd::GlyphSize()
{
    if (SkinData->OwnerControl()) {
        if (ui::Bitmap* glyph = Glyph())
            return {glyph->Width() / NumGlyphs(), glyph->Height()};
        return {0, 0};
    }
    HBITMAP image = reinterpret_cast<HBITMAP>(SendMessageW(CtrlHandle, BM_GETIMAGE, IMAGE_BITMAP, 0));
    SIZE size{0, 0};
    if (image)
        GetBitmapDimensionEx(image, &size);
    return size;
}

namespace {

int OwnerOrd(ui::Control* owner, core::StringView name, int fallback)
{
    return ui::HasProperty(owner, name) ? int(ui::GetOrdProperty(owner, name)) : fallback;
}

} // namespace

int TacBitBtnWnd::MaxCaptionWidth()
{
    ui::Control* owner = SkinData->OwnerControl();
    if (!owner)
        return TacBtnWnd::MaxCaptionWidth();
    if (Caption.empty())
        return 0;
    // An automatic margin (-1) leaves no margin to subtract.
    const int margin = std::max(OwnerOrd(owner, u"Margin", 0), 0);
    const int layout = OwnerOrd(owner, u"Layout", blGlyphLeft);
    int w = WndSize.cx - 2 * margin;
    const SIZE glyph = GlyphSize();
    if ((layout == blGlyphLeft || layout == blGlyphRight) && glyph.cy != 0)
        w -= glyph.cx + OwnerOrd(owner, u"Spacing", 4);
    return w;
}

RECT TacBitBtnWnd::CaptionRect()
{
    ui::Control* owner = SkinData->OwnerControl();
    const SIZE glyph = GlyphSize();
    if (!owner) {
        RECT r = TacBtnWnd::CaptionRect();
        if (glyph.cx > 0)
            OffsetRect(&r, glyph.cx / 2 + 1, 0);
        return r;
    }
    const SIZE text = TextRectSize();
    PixelPos glyphPos;
    Rect bounds;
    CalcGlyphLayout(Rect{0, 0, WndSize.cx, WndSize.cy}, PixelPos{int(glyph.cx), int(glyph.cy)},
                    PixelPos{int(text.cx), int(text.cy)}, TButtonLayout(OwnerOrd(owner, u"Layout", blGlyphLeft)), 2, 0,
                    0, glyphPos, bounds, 0);
    RECT r{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
    if (CurrentState() == 2)
        OffsetRect(&r, 1, 1);
    return r;
}

RECT TacBitBtnWnd::GlyphRect()
{
    const SIZE g = GlyphSize();
    ui::Control* owner = SkinData->OwnerControl();
    const int W = WndSize.cx, H = WndSize.cy;
    if (!owner) {
        if (g.cx == 0)
            return {};
        const RECT c = CaptionRect();
        const int top = (H - g.cy) / 2 + (Down() ? 1 : 0);
        return {c.left - 2 - g.cx, top, c.left - 2, top + g.cy};
    }
    const int s = g.cx > 0 && !Caption.empty() ? OwnerOrd(owner, u"Spacing", 4) : 0;
    const SIZE t = TextRectSize();
    int left = 0, top = 0;
    switch (OwnerOrd(owner, u"Layout", blGlyphLeft)) {
    case blGlyphRight:
        left = (W + s + t.cx - g.cx) / 2;
        top = (H - g.cy) / 2;
        break;
    case blGlyphTop:
        left = (W - g.cx) / 2 + 1;
        top = (H - g.cy - t.cy - s) / 2;
        break;
    case blGlyphBottom:
        left = (W - g.cx) / 2 + 1;
        top = H - (H - g.cy - t.cy - s) / 2 - g.cy;
        break;
    default:
        left = (W - g.cx - t.cx - s) / 2;
        top = (H - g.cy) / 2;
        break;
    }
    if (CurrentState() == 2) {
        ++left;
        ++top;
    }
    return {left, top, left + g.cx, top + g.cy};
}

void TacBitBtnWnd::DrawGlyph()
{
    ui::Bitmap* glyph = Glyph();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!glyph || !cache)
        return;
    const RECT r = GlyphRect();
    if (r.right <= r.left)
        return;
    PaintGlyphBmp(glyph, cache, r, NumGlyphs(), SkinData->OwnerControl()->Enabled(), dgBlended, CurrentState(), 0,
                  Down(), false);
}

// ---- TacCheckBoxWnd ----

void TacCheckBoxWnd::Construct(core::StringView section, bool repaint)
{
    // The skin data of a control may already name its class's section: the wrapper's own wins.
    SkinData->SetSkinSection(section.empty() ? core::StringView(u"CHECKBOX") : section);
    TacMainWnd::Construct(section, repaint);
}

TacCheckBoxWnd::CheckState TacCheckBoxWnd::State() const
{
    const LRESULT s = ButtonState(CtrlHandle);
    if (s & BST_INDETERMINATE)
        return cbGrayed;
    return (s & BST_CHECKED) ? cbChecked : cbUnchecked;
}

int TacCheckBoxWnd::CtlState() const
{
    if (ButtonState(CtrlHandle) & BST_PUSHED)
        return 2;
    if (GetFocus() == CtrlHandle)
        return 1;
    skin::SkinManager* m = DefaultManager();
    return m && m->ActiveControl() == CtrlHandle ? 1 : 0;
}

int TacCheckBoxWnd::GlyphMaskIndex(CheckState state) const
{
    skin::SkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
    if (!manager)
        return -1;
    const DWORD type = (m_painted_style ? m_painted_style : DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE))) & 0xF;
    const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    const char16_t* name = state == cbGrayed ? u"BOXGRAYED"
                           : state == cbChecked ? (radio ? u"RADIOCHECKED" : u"BOXCHECKED")
                                                : (radio ? u"RADIOUNCHECKED" : u"BOXUNCHECKED");
    const int index = manager->GetMaskIndex(manager->GetConstData().IndexGLobalInfo, u"GLOBALINFO", name);
    return manager->IsValidImgIndex(index) ? index : -1;
}

int TacCheckBoxWnd::SkinGlyphWidth(int i) const
{
    const MaskData& m = SkinData->GetSkinManager()->Mask(i);
    if (m.Bmp)
        return m.Bmp->Width() / 3;
    return RectWidth(m.R) / std::max<int>(m.ImageCount, 1);
}

int TacCheckBoxWnd::SkinGlyphHeight(int i) const
{
    const MaskData& m = SkinData->GetSkinManager()->Mask(i);
    if (m.Bmp)
        return m.Bmp->Height() / 2;
    return RectHeight(m.R) / (m.MaskType + 1);
}

RECT TacCheckBoxWnd::SkinCheckRect(int i) const
{
    if (i < 0)
        return {};
    RECT wr{};
    GetWindowRect(CtrlHandle, &wr);
    const int w = SkinGlyphWidth(i), h = SkinGlyphHeight(i);
    const int width = wr.right - wr.left, top = (wr.bottom - wr.top - h) / 2;
    const int left = (GetWindowLongW(CtrlHandle, GWL_STYLE) & BS_LEFTTEXT) ? width - w : 0;
    return {left, top, left + w, top + h};
}

RECT TacCheckBoxWnd::CheckRect() const
{
    const int i = GlyphMaskIndex(cbChecked);
    return i >= 0 ? SkinCheckRect(i) : RECT{0, 0, 16, 16};
}

void TacCheckBoxWnd::PassQuietlyAndRepaint(ui::Message& message)
{
    SendMessageW(CtrlHandle, WM_SETREDRAW, FALSE, 0);
    TacMainWnd::acWndProc(message);
    SendMessageW(CtrlHandle, WM_SETREDRAW, TRUE, 0);
    SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
}

void TacCheckBoxWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (IsSubCode(message, scMouseEnter) || IsSubCode(message, scMouseLeave)) {
        SkinData->FUpdating = false;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        TacMainWnd::acWndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
        if (IsWindowVisible(CtrlHandle)) {
            PassQuietlyAndRepaint(message);
            return;
        }
        break;
    case WM_PAINT:
    case WM_PRINT:
        AC_WMPaint(message.WParam);
        return;
    }
    if (AbsorbEraseAndFrame(message))
        return;
    TacMainWnd::acWndProc(message);
    if (Destroyed)
        return;
    switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        break;
    case WM_KEYDOWN:
        if (message.WParam == VK_SPACE)
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        break;
    case WM_NCHITTEST:
        if (IsWindowEnabled(CtrlHandle))
            MakeActiveControl(CtrlHandle);
        break;
    }
}

void TacCheckBoxWnd::AC_WMPaint(WPARAM dc)
{
    UpdateGeometry();
    PaintScope paint(CtrlHandle);
    if (RefreshUpdating(SkinData))
        return;
    m_painted_style = DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE));
    UpdateGeometry();
    if (ParentWnd)
        SendAcMessage(ParentWnd, scChildPaint, 0);
    if (!IsWindowVisible(CtrlHandle) && !dc)
        return;
    MessageDC target(CtrlHandle, dc);
    PrepareCache();
    BlitCache(target.Get(), SkinData->CacheBmp());
}

void TacCheckBoxWnd::PrepareCache()
{
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    GiveCanvasFont(cache->Canvas(), SkinData, CtrlHandle);
    TCacheInfo ci;
    GetParentCacheOfWnd(CtrlHandle, ci);
    PaintControlItem(SkinData, ci, true, SkinData->IsHotOrFocused() ? 1 : 0, Rect{0, 0, WndSize.cx, WndSize.cy},
                     WndPos, cache, false);
    DrawCheckText();
    DrawSkinGlyph(GlyphMaskIndex(State()));
    if (!IsWindowEnabled(CtrlHandle))
        FadeDisabledCache(cache, ci, WndPos);
    SkinData->BGChanged = false;
}

void TacCheckBoxWnd::DrawSkinGlyph(int i)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Empty() || i < 0)
        return;
    const RECT r = SkinCheckRect(i);
    PaintMaskGlyph(cache, POINT{r.left, r.top}, CtlState(), 1, SkinData->GetSkinManager()->Mask(i),
                   MakeCacheInfo(cache, 0, 0));
}

void TacCheckBoxWnd::DrawCheckText()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (Caption.empty() || !cache)
        return;
    const RECT check = CheckRect();
    const int W = WndSize.cx, H = WndSize.cy;
    const int available = W - (check.right - check.left) - 2;
    const DWORD style = DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE));
    const bool multiLine = (style & BS_MULTILINE) != 0;
    const bool focused = (ButtonState(CtrlHandle) & BST_FOCUS) != 0;
    ui::Canvas& canvas = cache->Canvas();
    RECT measure{0, 0, available, 0};
    canvas.TextRect(measure, Caption, DT_CALCRECT | (multiLine ? DT_WORDBREAK : DT_SINGLELINE));
    const int w = measure.right - measure.left, h = measure.bottom - measure.top;
    const int top = std::max((H - h) / 2, 0), bottom = H - top;
    RECT r{};
    if (style & BS_LEFTTEXT) {
        r = {2, top, w + 2, bottom};
    } else {
        const int left = W - available + 2;
        r = {left, top, left + w, bottom};
        OffsetRect(&r, multiLine ? -1 : 0, -1);
    }
    canvas.SetBrushStyle(ui::bsClear);
    WriteControlText(canvas, Caption.c_str(), true, r, multiLine ? DT_WORDBREAK | DT_CENTER : DT_SINGLELINE, SkinData,
                     SkinData->IsHotOrFocused());
    if (focused) {
        InflateRect(&r, 1, 0);
        PaintDotFrame(canvas, r);
    }
}

} // namespace skin
