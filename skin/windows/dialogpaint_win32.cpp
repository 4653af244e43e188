// The image of a skinned dialog: title bar, borders and, with an extended border window, the shadow,
// painted into the skin state's cache and copied to the window's frame and client background; the
// direct repaint of one title button; the window region cut from the skin's corner masks.
#include "skin/windows/dialogwnd.h"

#include "skin/engine/bitmapops.h"
#include "skin/engine/consts.h"
#include "skin/engine/glow.h"
#include "skin/engine/skintables.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/paintsupport.h"
#include "skin/engine/system.h"
#include "skin/windows/dialogskin.h"

#include <algorithm>

namespace skin {
namespace {

constexpr UINT kCaptionFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// The window DC, saved and released at the end of the scope.
class WindowDCScope {
public:
    explicit WindowDCScope(HWND wnd) : m_wnd(wnd), m_dc(GetWindowDC(wnd)), m_saved(SaveDC(m_dc)) {}
    ~WindowDCScope()
    {
        RestoreDC(m_dc, m_saved);
        ReleaseDC(m_wnd, m_dc);
    }
    WindowDCScope(const WindowDCScope&) = delete;
    WindowDCScope& operator=(const WindowDCScope&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
    int m_saved;
};

struct ExcludeData {
    HWND Parent;
    HDC DC;
    int X, Y;
};

BOOL CALLBACK ExcludeChild(HWND child, LPARAM param)
{
    const auto& d = *reinterpret_cast<ExcludeData*>(param);
    if (GetParent(child) != d.Parent || !IsWindowVisible(child))
        return TRUE;
    const DWORD style = DWORD(GetWindowLongW(child, GWL_STYLE));
    if ((style & 7) == 7 && WndClassName(child) == u"Button")
        return TRUE;
    if ((style & 0x10000) && WndClassName(child).size() == 6 &&
        std::equal(WndClassName(child).begin(), WndClassName(child).end(), u"static",
                   [](char16_t a, char16_t b) { return std::towlower(wchar_t(a)) == wchar_t(b); }))
        return TRUE;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, d.Parent, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(d.DC, r.left + d.X, r.top + d.Y, r.right + d.X, r.bottom + d.Y);
    return TRUE;
}

} // namespace

void ExcludeChildRects(HDC dc, HWND wnd, int x, int y)
{
    ExcludeData d{wnd, dc, x, y};
    EnumChildWindows(wnd, ExcludeChild, reinterpret_cast<LPARAM>(&d));
}

int TacDialogWnd::NormMaskIndex() const
{
    if (!SkinManager)
        return -1;
    const int global = SkinManager->GetConstData().IndexGLobalInfo;
    int i = SkinManager->GetMaskIndex(global, u"GLOBALINFO", u"BICONNORM");
    if (!SkinManager->IsValidImgIndex(i))
        i = SkinManager->GetMaskIndex(SkinData->SkinIndex, SkinData->SkinSection(), u"BICONNORM");
    return i;
}

void TacDialogWnd::PrepareTitleGlyph()
{
    TitleIcon = reinterpret_cast<HICON>(SendMessageW(CtrlHandle, WM_GETICON, ICON_SMALL, 0));
    if (!TitleIcon)
        TitleIcon = reinterpret_cast<HICON>(SendMessageW(CtrlHandle, WM_GETICON, ICON_BIG, 0));
    if (!TitleIcon) {
        TitleGlyph.reset();
        return;
    }
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    TitleGlyph = NewBmp24(cx, cy);
    HDC dc = TitleGlyph->Canvas().Handle();
    HBRUSH key = CreateSolidBrush(MaskKeyColor);
    RECT r{0, 0, cx, cy};
    FillRect(dc, &r, key);
    DeleteObject(key);
    DrawIconEx(dc, 0, 0, TitleIcon, cx, cy, 0, nullptr, DI_NORMAL);
}

void TacDialogWnd::PaintTitleIcon()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!TitleIcon || !cache)
        return;
    const RECT r = IconRect();
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    HDC dc = cache->Canvas().Handle();
    if (HICON copy = HICON(CopyImage(TitleIcon, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE))) {
        DrawIconEx(dc, r.left, r.top, copy, cx, cy, 0, nullptr, DI_NORMAL);
        DestroyIcon(copy);
    } else {
        DrawIconEx(dc, r.left, r.top, LoadIconW(nullptr, IDI_APPLICATION), cx, cy, 0, nullptr, DI_NORMAL);
    }
}

void TacDialogWnd::MakeTitleBG()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache)
        return;
    const int h = PlainBorderWidth(Frame(), true) + CaptionHeight(true);
    TitleBG = NewBmp24(cache->Width(), h);
    BitBlt(TitleBG->Canvas().Handle(), 0, 0, cache->Width(), h, cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacDialogWnd::PaintTitle(const Rect& r, int titleBottom, bool exMode)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || CaptionHeight(true) == 0)
        return;
    const FormFrame f = Frame();
    const TsSkinData& sd = SkinManager->GetSkinData();
    const int titleIndex = SkinManager->GetSkinIndex(u"FORMTITLE");
    if (!exMode && SkinManager->IsValidSkinIndex(titleIndex))
        PaintSectionItem(titleIndex, u"FORMTITLE", MakeCacheInfo(cache, 0, 0), true, FFormActive ? 1 : 0,
                         Rect{r.Left, r.Top, r.Right, Minimized() ? r.Bottom : titleBottom}, POINT{}, cache, SkinManager);
    PaintTitleIcon();
    ui::Canvas& canvas = cache->Canvas();
    HDC dc = canvas.Handle();
    paint::SavedDC saved(dc);
    HFONT font = CreateCaptionFont();
    if (font)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    RECT t{};
    t.left = SysBorderWidth(f, true) + (TitleIcon ? GetSystemMetrics(SM_CXSMICON) : 0) + sd.BILeftMargin + r.Left + 4;
    t.top = r.Top + 2;
    t.right = cache->Width() - TitleBtnsWidth() - (cache->Width() - r.Right) - 6;
    t.bottom = titleBottom;
    if (exMode)
        OffsetRect(&t, 0, sd.ExCenterOffs);
    if (t.right > t.left && t.bottom > t.top) {
        const std::wstring text(Caption.begin(), Caption.end());
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
        t.top += (t.bottom - t.top - size.cy) / 2;
        t.bottom = t.top + size.cy;
        if (SkinManager->IsValidSkinIndex(FCaptionSkinIndex)) {
            RECT plate = t;
            DrawTextW(dc, text.c_str(), int(text.size()), &plate, 0x8C24 | DT_CALCRECT);
            InflateRect(&plate, 4, 2);
            auto bg = NewBmp32(cache->Width(), titleBottom);
            BitBlt(bg->Canvas().Handle(), 0, 0, cache->Width(), titleBottom, dc, 0, 0, SRCCOPY);
            PaintSectionItem(FCaptionSkinIndex, u"CAPTION", MakeCacheInfo(bg.get(), 0, 0), true, FFormActive ? 1 : 0,
                             Rect{plate.left, plate.top, plate.right, plate.bottom}, POINT{}, cache, SkinManager);
            WriteSectionText(canvas, Caption.c_str(), true, t, 0x8824, FCaptionSkinIndex, FFormActive, SkinManager);
        } else {
            WriteSectionText(canvas, Caption.c_str(), true, t, 0x8824, titleIndex, FFormActive, SkinManager);
        }
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    if (font)
        DeleteObject(font);
}

void TacDialogWnd::PaintAll()
{
    if (!SkinData->BGChanged || !SkinManager)
        return;
    UpdateGeometry();
    const FormFrame f = Frame();
    const Rect s = ShadowSize();
    int w = WndSize.cx, h = WndSize.cy;
    if (BorderForm) {
        h += ExTitleExtra(f) + ExBorderExtra(f) + s.Top + s.Bottom;
        if (!Minimized())
            w += 2 * ExBorderExtra(f) + s.Left + s.Right;
    }
    if (w <= 0 || h <= 0)
        return;
    SkinData->EnsureCacheBmp();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache)
        return;
    cache->SetPixelFormat(BorderForm ? ui::pf32bit : ui::pf24bit);
    const int titleBottom = PlainBorderWidth(f, false) + CaptionHeight(true) + s.Top;
    const Rect r{s.Left, s.Top, w - s.Right, Minimized() ? titleBottom - s.Bottom + 1 : h - s.Bottom};
    RgnChanged = true;
    cache->SetSize(w, h);
    if (SkinManager->IsValidSkinIndex(SkinData->SkinIndex)) {
        const bool exMode = BorderForm && SkinManager->GetSkinData().ExDrawMode == 1;
        if (exMode)
            PaintSectionBg(SkinData->SkinIndex, SkinData->SkinSection(), EmptyCacheInfo, FFormActive ? 1 : 0, r,
                           POINT{}, cache, SkinManager, -1, -1, MaskKeyColor);
        else
            PaintControlItem(SkinData, EmptyCacheInfo, true, FFormActive ? 1 : 0, r, POINT{}, cache, false);
        if (!exMode)
            PaintTitle(r, titleBottom, false);
        if (BorderForm) {
            ui::PixelView v = cache->Pixels();
            for (int y = std::max(0, s.Top); y < h - s.Bottom; ++y) {
                uint8_t* row = v.Row(y);
                for (int x = std::max(0, s.Left); x < w - s.Right; ++x)
                    row[x * 4 + 3] = 255;
            }
            ui::Bitmap* shadow = SkinManager->ShadowTemplate(FFormActive);
            BorderForm->ShadowTemplate = shadow;
            if (shadow && !shadow->Empty()) {
                const int offs = SkinManager->GetSkinData().ExContentOffs;
                const Rect margins{s.Left + offs, s.Top + offs, s.Right + offs, s.Bottom + offs};
                auto frame = NewBmp32(w, h);
                StretchKeepBorders(*frame, *shadow, Rect{0, 0, w, h}, Rect{0, 0, shadow->Width(), shadow->Height()},
                                   margins, margins, Rect{1, 1, 1, 1}, 1, false);
                ui::PixelView fv = frame->Pixels();
                v = cache->Pixels();
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        if (x >= s.Left && x < w - s.Right && y >= s.Top && y < h - s.Bottom)
                            continue;
                        const uint8_t* from = fv.Row(y) + x * 4;
                        uint8_t* to = v.Row(y) + x * 4;
                        const int a = from[3];
                        to[0] = uint8_t(from[0] * a / 255), to[1] = uint8_t(from[1] * a / 255);
                        to[2] = uint8_t(from[2] * a / 255), to[3] = uint8_t(a);
                    }
                if (exMode)
                    PaintTitle(r, titleBottom, true);
            }
        }
        const bool singleImage = !SkinManager->IsValidImgIndex(SkinData->BorderIndex) ||
                                 SkinManager->Mask(SkinData->BorderIndex).ImageCount <= 1;
        if (singleImage && (!TitleBG || TitleBG->Width() != w))
            MakeTitleBG();
        if (CaptionHeight(true) != 0)
            PaintBorderIcons();
    }
    SkinData->BGChanged = false;
}

void TacDialogWnd::DrawButton(TsCaptionButton& b, int maskIndex, bool enabled)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || !SkinManager->IsValidImgIndex(maskIndex))
        return;
    const int state = FFormActive && enabled ? std::max(0, b.State) : 0;
    PaintMaskGlyph(cache, POINT{b.Rect.left, b.Rect.top}, state, 0, SkinManager->Mask(maskIndex), EmptyCacheInfo);
}

void TacDialogWnd::PaintBorderIcons()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    ButtonClose.Rect = ButtonMax.Rect = ButtonMin.Rect = ButtonHelp.Rect = RECT{};
    if (!VisibleClose() || !cache)
        return;
    const FormFrame f = Frame();
    const Rect s = ShadowSize();
    const TsSkinData& sd = SkinManager->GetSkinData();
    const int global = SkinManager->GetConstData().IndexGLobalInfo;
    const bool bigClose = ButtonClose.ImageIndex == SkinManager->GetMaskIndex(global, u"GLOBALINFO", u"BICONCLOSE");
    const int sp = StandardBorder() || bigClose ? sd.BISpacing : 0;
    int x = cache->Width() - sd.BIRightMargin - s.Right - SysBorderWidth(f, true);
    const auto place = [&](TsCaptionButton& b) {
        const int bh = ButtonHeight(b.ImageIndex);
        int top;
        if (b.HaveAlignment && sd.BIVAlign == 1) {
            top = s.Top + (BorderForm && Maximized() ? 3 : 0);
        } else {
            top = (PlainBorderWidth(f, true) + CaptionHeight(true) - bh) / 2 + s.Top;
            if (BorderForm && Maximized())
                top += SysBorderWidth(f, false) / 2;
            if (BorderForm && sd.ExDrawMode == 1)
                top += sd.ExCenterOffs;
        }
        b.Rect = RECT{x - SysButtonWidth(b), top, x, top + bh};
        x = b.Rect.left - sp;
    };
    if (SkinManager->IsValidImgIndex(ButtonClose.ImageIndex)) {
        place(ButtonClose);
        DrawButton(ButtonClose, ButtonClose.ImageIndex, EnabledClose());
    }
    if (VisibleMax()) {
        place(ButtonMax);
        if (Maximized())
            DrawButton(ButtonMax, NormMaskIndex(), EnabledRestore());
        else
            DrawButton(ButtonMax, ButtonMax.ImageIndex, EnabledMax());
    }
    if (VisibleMin()) {
        place(ButtonMin);
        if (Minimized())
            DrawButton(ButtonMin, NormMaskIndex(), EnabledRestore());
        else
            DrawButton(ButtonMin, ButtonMin.ImageIndex, EnabledMin());
    }
    if (VisibleHelp() && SkinManager->IsValidImgIndex(ButtonHelp.ImageIndex)) {
        place(ButtonHelp);
        DrawButton(ButtonHelp, ButtonHelp.ImageIndex, true);
    }
    // The strip under the buttons, for their direct repaint.
    if (TitleBG && TempBmp && ButtonClose.Rect.right > 0) {
        const int left = std::min({ButtonClose.Rect.left, ButtonMax.Rect.right ? ButtonMax.Rect.left : INT_MAX,
                                   ButtonMin.Rect.right ? ButtonMin.Rect.left : INT_MAX,
                                   ButtonHelp.Rect.right ? ButtonHelp.Rect.left : INT_MAX});
        const int width = cache->Width() - left;
        TempBmp->SetPixelFormat(ui::pf24bit);
        TempBmp->SetSize(width, TitleBG->Height());
        BitBlt(TempBmp->Canvas().Handle(), 0, 0, width, TitleBG->Height(), TitleBG->Canvas().Handle(), left, 0, SRCCOPY);
    }
}

void TacDialogWnd::RepaintButton(int code)
{
    TsCaptionButton* b = nullptr;
    switch (code) {
    case HTMINBUTTON: b = &ButtonMin; break;
    case HTMAXBUTTON: b = &ButtonMax; break;
    case HTCLOSE: b = &ButtonClose; break;
    case HTHELP: b = &ButtonHelp; break;
    default: return;
    }
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || !SkinManager || b->State == -1 ||
        b->Rect.left <= SysBorderWidth(Frame(), true) + GetSystemMetrics(SM_CXSMICON))
        return;
    // The button's cell gets the title background back before its image is drawn again.
    if (TempBmp && !TempBmp->Empty())
        BitBlt(cache->Canvas().Handle(), b->Rect.left, b->Rect.top, b->Rect.right - b->Rect.left,
               b->Rect.bottom - b->Rect.top, TempBmp->Canvas().Handle(),
               TempBmp->Width() + b->Rect.left - cache->Width(), b->Rect.top, SRCCOPY);
    int mask = b->ImageIndex;
    bool enabled = true;
    if (code == HTMAXBUTTON) {
        mask = Maximized() ? NormMaskIndex() : ButtonMax.ImageIndex;
        enabled = EnabledMax() || EnabledRestore();
    } else if (code == HTMINBUTTON && Minimized()) {
        mask = NormMaskIndex();
    } else if (code == HTCLOSE) {
        enabled = EnabledClose();
    }
    DrawButton(*b, mask, enabled);
    if (!BorderForm) {
        WindowDCScope dc(CtrlHandle);
        BitBlt(dc.Get(), b->Rect.left, b->Rect.top, b->Rect.right - b->Rect.left, b->Rect.bottom - b->Rect.top,
               cache->Canvas().Handle(), b->Rect.left, b->Rect.top, SRCCOPY);
    } else {
        BorderForm->UpdateExBordersPos(false, 255);
    }
    if (b->State != 1 && b->GlowID > -1) {
        RemoveGlowEffect(b->GlowID);
        b->GlowID = -1;
    }
}

void TacDialogWnd::PaintCaption(HDC dc)
{
    if (BorderForm)
        return;
    if (SkinData->BGChanged) {
        PaintAll();
        SkinData->BGChanged = false;
        SkinData->FUpdating = false;
    }
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    HDC src = cache->Canvas().Handle();
    const int header = HeaderHeight();
    const int border = SysBorderWidth(Frame(), true);
    const int w = WndSize.cx, h = WndSize.cy;
    BitBlt(dc, 0, 0, w, header, src, 0, 0, SRCCOPY);
    BitBlt(dc, 0, header, border, h - header, src, 0, header, SRCCOPY);
    BitBlt(dc, 0, h - border, w, border, src, 0, h - border, SRCCOPY);
    BitBlt(dc, w - border, header, border, h - header, src, w - border, header, SRCCOPY);
}

void TacDialogWnd::PaintForm(HDC dc)
{
    if (SkinData->BGChanged)
        PaintAll();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const Rect s = ShadowSize();
    BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), SysBorderWidth(Frame(), true) + s.Left,
           s.Top + HeaderHeight(), SRCCOPY);
    NotifyChildWindows(CtrlHandle);
}

void TacDialogWnd::Ac_WMPaint(HDC given)
{
    HDC dc = given ? given : GetDC(CtrlHandle);
    const int saved = SaveDC(dc);
    SkinData->FUpdating = false;
    ExcludeChildRects(dc, CtrlHandle, 0, 0);
    PaintForm(dc);
    RestoreDC(dc, saved);
    if (!given)
        ReleaseDC(CtrlHandle, dc);
}

void TacDialogWnd::PrepareArOR()
{
    ArOR.clear();
    if (!SkinManager)
        return;
    if (SkinManager->IsValidImgIndex(SkinData->BorderIndex)) {
        const MaskData& m = SkinManager->Mask(SkinData->BorderIndex);
        if (MaskImageWidth(m) > 0 && MaskStateHeight(m) > 0) {
            AddCornerKeyRects(ArOR, WndSize.cx, m, false, 0);
            AddCornerKeyRects(ArOR, WndSize.cx, m, true, WndSize.cy - m.WB);
        }
    }
    const int title = SkinManager->GetSkinIndex(u"FORMTITLE");
    if (SkinManager->IsValidSkinIndex(title)) {
        const int mask = SkinManager->GetMaskIndex(title, u"FORMTITLE", u"BORDERSMASK");
        if (SkinManager->IsValidImgIndex(mask)) {
            const MaskData& m = SkinManager->Mask(mask);
            if (MaskImageWidth(m) > 0 && MaskStateHeight(m) > 0)
                AddCornerKeyRects(ArOR, WndSize.cx, m, false, 0);
        }
    }
}

HRGN TacDialogWnd::CreateDialogRgn(int x, int y) const
{
    HRGN rgn = CreateRectRgn(x, y, x + WndSize.cx, y + WndSize.cy);
    for (const Rect& r : ArOR) {
        HRGN cut = CreateRectRgn(r.Left + x, r.Top + y, r.Right + x, r.Bottom + y);
        CombineRgn(rgn, rgn, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    return rgn;
}

void TacDialogWnd::ApplyDialogRgn(bool repaint)
{
    if (!Minimized() && BorderStyle == FormBorderKind::None)
        return;
    if (SendMessageW(CtrlHandle, 0xBC4D, 0x41A2, 0) == 0x41A2)
        return;
    DialogRegionChanging() = true;
    HRGN rgn;
    if (BorderForm) {
        const int b = SysBorderWidth(Frame(), false);
        rgn = CreateRectRgn(b, CaptionHeight(false) + b, WndSize.cx - b, WndSize.cy - b);
    } else {
        rgn = CreateDialogRgn(0, 0);
    }
    // The window owns the region from here on.
    SetWindowRgn(CtrlHandle, rgn, repaint);
}

void TacDialogWnd::Ac_WMNCPaint()
{
    if (Provider)
        Provider->InitHwndControls(CtrlHandle);
    if (!DialogRegionChanging() && RgnChanged &&
        (BorderStyle != FormBorderKind::None || (GetWindowLongW(CtrlHandle, GWL_STYLE) & WS_THICKFRAME))) {
        PrepareArOR();
        RgnChanged = false;
        ApplyDialogRgn(true);
    }
    {
        WindowDCScope dc(CtrlHandle);
        PaintCaption(dc.Get());
    }
    SkinData->FUpdating = false;
    DialogRegionChanging() = false;
}

void TacDialogWnd::UpdateExBorders(bool show)
{
    ui::Bitmap* cache = SkinData ? SkinData->CacheBmp() : nullptr;
    if (!show || !SkinManager || SkinManager->Designing()) {
        BorderForm.reset();
        if (cache)
            cache->SetPixelFormat(ui::pf24bit);
        return;
    }
    if (BorderForm)
        return;
    BorderForm = std::make_unique<TacBorderForm>(this);
    SkinData->BGChanged = true;
    if (cache)
        cache->SetPixelFormat(ui::pf32bit);
    if (IsWindowVisible(CtrlHandle))
        BorderForm->UpdateExBordersPos(true, 255);
}

} // namespace skin
