// The skinned form's image: the whole window (frame, title, icon, caption, buttons, grip and client
// background) is built off screen in the skin state's cache bitmap and copied out strip by strip for
// the non-client paint, and as a block for the client area. Small changes (one caption button, the
// title) repaint only their part of the image.
#include "skin/windows/skinprovider.h"

#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinnedforms.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/engine/system.h"
#include "skin/windows/borderform.h"
#include "skin/windows/sysmenu.h"
#include "ui/application.h"

#include <algorithm>
#include <cstring>

namespace skin {

namespace {

constexpr UINT kCaptionFlags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER; // $8824
static_assert(kCaptionFlags == 0x8824);
static_assert((kCaptionFlags | DT_CALCRECT) == 0x8C24);

int RectW(const RECT& r) { return r.right - r.left; }
int RectH(const RECT& r) { return r.bottom - r.top; }

// Saves and restores a DC's state around a block.
struct SavedDC {
    HDC dc;
    int id;
    explicit SavedDC(HDC d) : dc(d), id(SaveDC(d)) {}
    ~SavedDC() { RestoreDC(dc, id); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;
};

struct WindowDC {
    HWND wnd;
    HDC dc;
    explicit WindowDC(HWND w) : wnd(w), dc(GetWindowDC(w)) {}
    ~WindowDC() { ReleaseDC(wnd, dc); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
};

void CopyBmp(ui::Bitmap& dst, int dx, int dy, int w, int h, ui::Bitmap& src, int sx, int sy)
{
    if (w > 0 && h > 0)
        BitBlt(dst.Canvas().Handle(), dx, dy, w, h, src.Canvas().Handle(), sx, sy, SRCCOPY);
}

} // namespace

// ---- Measures of the image ----

int TsSkinProvider::TitleBottom() const
{
    const FormFrame f = Frame();
    return PlainBorderWidth(f, false) + skin::CaptionHeight(f, true) + ShadowSize().Top;
}

bool TsSkinProvider::SingleImageBorder() const
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager || !manager->IsValidImgIndex(FCommonData->BorderIndex))
        return true;
    return manager->Mask(FCommonData->BorderIndex).ImageCount <= 1;
}

namespace {

// Width of the caption-button block as the layout places it: the right margin, the system buttons
// with their spacing and, with user buttons, 8 more and each user button.
int ButtonsWidth(TsSkinProvider& p, SkinManager* manager)
{
    const TsSkinData& sd = manager->GetSkinData();
    const bool standard = IsStandardCaption(p.Frame());
    int w = sd.BIRightMargin;
    if (p.ButtonClose.State != -1)
        w += RectW(p.ButtonClose.Rect);
    for (const TsCaptionButton* b : {&p.ButtonMax, &p.ButtonMin, &p.ButtonHelp})
        if (b->State != -1)
            w += RectW(b->Rect) + (standard ? sd.BISpacing : 0);
    bool any = false;
    for (const TsTitleButton& b : p.TitleButtons())
        if (b.Visible()) {
            any = true;
            w += RectW(b.BtnData.Rect) + (standard ? sd.BISpacing : 0);
        }
    return w + (any ? 8 : 0);
}

int VisibleSysButtons(const TsSkinProvider& p)
{
    int n = 0;
    for (const TsCaptionButton* b : {&p.ButtonClose, &p.ButtonMax, &p.ButtonMin, &p.ButtonHelp})
        n += b->State != -1;
    return p.ButtonClose.State == -1 ? 0 : n;
}

int TitleBarMaskWidth(const MaskData& m, int buttonsWidth)
{
    if (m.Bmp)
        return m.Bmp->Width() / 9 * 2 + buttonsWidth;
    return RectWidth(m.R) / std::max(1, m.ImageCount * 3) * 2 + buttonsWidth;
}

} // namespace

// ---- Building the image ----

void TsSkinProvider::PaintFormCache()
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!Form || !Form->HandleAllocated() || (Form->ControlState() & ui::csCreating) || !manager || !Skinned())
        return;
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    const bool ex = f.ExBorders;
    const bool exMode1 = ex && manager->GetSkinData().ExDrawMode == 1;
    const bool menuShown = MenuPresent() && MenuHeight() > 0;
    const int w = skin::CaptionWidth(f);
    int h = f.WindowHeight;
    if (ex)
        h = f.WindowHeight + ExTitleExtra(f) + ExBorderExtra(f) + s.Top + s.Bottom + (menuShown ? 1 : 0);
    if (w <= 0 || h <= 0 || f.WindowWidth <= 0 || f.WindowHeight <= 0)
        return;
    FCommonData->EnsureCacheBmp();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!cache)
        return;
    if (cache->Empty() || cache->Width() == 0) {
        cache->SetPixelFormat(ex ? ui::pf32bit : ui::pf24bit);
        cache->SetSize(w, h);
        FCommonData->UpdateCtrlState(false);
        if (!Form->HasState(core::csLoading)) {
            ui::Message m{SM_SKINCMD, SkinWParam(scCtrlSkinState), 1, 0};
            SendMsgToChildControls(Form, m);
        }
    }
    if (FCommonData->BGChanged) {
        const int ch = skin::CaptionHeight(f, true);
        const int titleBottom = TitleBottom();
        Rect t{s.Left, s.Top, w - s.Right, h - s.Bottom};
        if (f.Iconic)
            t.Bottom = titleBottom - s.Bottom + 1;
        UpdateButtonRects();
        if (!MenuChanged && SingleImageBorder() && m_titleBG && !m_titleBGStale && m_titleBG->Width() == w &&
            cache->Height() == f.WindowHeight && ch != 0 && !ex) {
            if (FDrawNonClientArea) {
                CopyBmp(*cache, 0, 0, m_titleBG->Width(), m_titleBG->Height(), *m_titleBG, 0, 0);
                RedrawTitleFromSaved(Rect{0, 0, m_titleBG->Width(), m_titleBG->Height()});
            }
        } else {
            RgnChanged = true;
            cache->SetPixelFormat(ex ? ui::pf32bit : ui::pf24bit);
            cache->SetSize(w, h);
            const int state = FormActive ? 1 : 0;
            if (FCommonData->CtrlSkinState & 1) {
                HDC dc = cache->Canvas().Handle();
                const ui::Color color = ui::Color(FormColor());
                if (ex)
                    FillDCSolid(dc, RECT{s.Left, s.Top, w - s.Right, h - s.Bottom}, color);
                else
                    FillDCSolid(dc, RECT{0, 0, w, ch + BorderWidth(true) + 1}, color);
                if (!exMode1) {
                    RECT client{};
                    PaintControlBorder(dc, RECT{t.Left, t.Top, t.Right, t.Bottom}, BorderWidth(true), FCommonData.get(),
                                       state, client);
                }
            } else if (!HasSkinnedBorder() || exMode1) {
                PaintSectionBg(FCommonData->SkinIndex, FCommonData->SkinSection(), EmptyCacheInfo, state, t, POINT{},
                               cache, manager, FCommonData->Texture, FCommonData->HotTexture, MaskKeyColor);
            } else {
                PaintControlItem(FCommonData.get(), EmptyCacheInfo, true, state, t, POINT{}, cache, false);
            }
            if (GripShowing()) {
                FCommonData->BGChanged = false;
                PaintGripImage(cache->Canvas().Handle());
            }
            const TCacheInfo ci = MakeCacheInfo(cache, 0, 0);
            if (!exMode1)
                PaintTitleBar(ci);
            if (menuShown)
                PaintMenuLine(cache);
            if (ex && !exMode1)
                PaintCaptionText(false);
            if (ex)
                PaintExBorderImage(exMode1, titleBottom);
            if (SingleImageBorder() && (!m_titleBG || m_titleBGStale || m_titleBG->Width() != w))
                SaveTitleBg();
            if (!ex)
                PaintCaptionText(false);
            if (ch != 0 && FDrawNonClientArea) {
                StoreButtonStrip(true);
                PaintCaptionButtons();
            }
            MenuChanged = false;
        }
    }
    FirstInitialized = true;
    FCommonData->BGChanged = false;
    FCommonData->FUpdating = false;
}

int TsSkinProvider::MenuLineHeight() const
{
    return MenuPresent() && MenuHeight() > 0 ? std::max(FLinesCount, 1) * MenuHeight() : 0;
}

void TsSkinProvider::PaintTitleBar(const TCacheInfo& ci)
{
    const FormFrame f = Frame();
    const int ch = skin::CaptionHeight(f, true);
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (ch == 0 || !FDrawNonClientArea || !manager || !cache)
        return;
    const Rect s = skin::ShadowSize(f);
    const int w = cache->Width();
    const int index = TitleSkinIndexOf();
    const bool exMode1 = f.ExBorders && manager->GetSkinData().ExDrawMode == 1;
    if (manager->IsValidSkinIndex(index) && !exMode1) {
        Rect r{s.Left, s.Top, w - s.Right, f.Iconic ? TitleBottom() - s.Bottom + 1 + s.Bottom : TitleBottom()};
        if (f.Iconic)
            r.Bottom = std::min(r.Bottom, cache->Height() - s.Bottom);
        PaintSectionItem(index, manager->Section(index).ClassName, ci, true, FormActive ? 1 : 0, r, POINT{}, cache,
                         manager);
    }
    PaintTitleIcon();
    if (VisibleSysButtons(*this) > 0) {
        const int bar = manager->GetMaskIndex(FCommonData->SkinIndex, FCommonData->SkinSection(), u"TITLEBAR");
        if (manager->IsValidImgIndex(bar)) {
            const MaskData& m = manager->Mask(bar);
            const int left = skin::CaptionWidth(f) - TitleBarMaskWidth(m, ButtonsWidth(*this, manager));
            PaintMaskRect(cache, Rect{left, 0, w, ch + PlainBorderWidth(f, false)}, true, EmptyCacheInfo, m,
                          FormActive ? 1 : 0, false, manager);
        }
    }
}

void TsSkinProvider::PaintTitleIcon()
{
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!AppIconShown() || !cache || cache->Empty())
        return;
    const FormFrame f = Frame();
    const Rect r = TitleIconRect();
    const int iw = r.Right - r.Left, ih = r.Bottom - r.Top;
    HDC dc = cache->Canvas().Handle();
    if (FTitleIcon.HasGlyph()) {
        ui::Bitmap* glyph = FTitleIcon.Glyph();
        const int size = IconSizeFor(skin::HeaderHeight(f) - 2);
        const int gw = FTitleIcon.Width ? FTitleIcon.Width : size;
        const int gh = FTitleIcon.Height ? FTitleIcon.Height : size;
        if (glyph->GetPixelFormat() == ui::pf32bit) {
            // A 32-bit glyph keeps its own size: its alpha is composited over the title.
            CopyMaskedOverBg(Rect{r.Left, r.Top, r.Left + glyph->Width(), r.Top + glyph->Height()},
                             Rect{0, 0, glyph->Width(), glyph->Height()}, cache, glyph, EmptyCacheInfo, false);
        } else {
            glyph->SetTransparentColor(ui::Color(MaskKeyColor));
            StretchBlt(dc, r.Left, r.Top, gw, gh, glyph->Canvas().Handle(), 0, 0, glyph->Width(), glyph->Height(),
                       SRCCOPY);
        }
        return;
    }
    HICON icon = Form->Icon();
    if (!icon) {
        HWND app = ui::Application::Instance().Handle();
        if (app)
            icon = reinterpret_cast<HICON>(SendMessageW(app, WM_GETICON, 2 /* ICON_SMALL2 */, 0));
    }
    if (icon) {
        DrawIconEx(dc, r.Left, r.Top, icon, iw, ih, 0, nullptr, DI_NORMAL);
        return;
    }
    const int ch = skin::CaptionHeight(f, true);
    const int dw = FTitleIcon.Width ? FTitleIcon.Width : ch - r.Top;
    const int dh = FTitleIcon.Height ? FTitleIcon.Height : ch - r.Top;
    HICON shell = dh > 16 && AppLargeIcon() ? AppLargeIcon() : AppSmallIcon();
    if (shell)
        DrawIconEx(dc, r.Left, r.Top, shell, dw, dh, 0, nullptr, DI_NORMAL);
    else
        DrawIconEx(dc, r.Left, r.Top, LoadIconW(nullptr, IDI_APPLICATION), iw, ih, 0, nullptr, DI_NORMAL);
}

void TsSkinProvider::PaintCaptionText(bool)
{
    const FormFrame f = Frame();
    const int ch = skin::CaptionHeight(f, true);
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (ch == 0 || !FDrawNonClientArea || !manager || !cache || cache->Empty())
        return;
    const TsSkinData& sd = manager->GetSkinData();
    const Rect s = skin::ShadowSize(f);
    const bool exMode1 = f.ExBorders && sd.ExDrawMode == 1;
    const int captionIndex = manager->GetSkinIndex(u"CAPTION");
    const bool plate = manager->IsValidSkinIndex(captionIndex);
    const int w = cache->Width();
    RECT r{};
    r.left = SysBorderWidth(f, true) + (AppIconShown() ? TitleIconRect().Right - TitleIconRect().Left : 0) +
             sd.BILeftMargin + s.Left + 4 + (plate ? 2 : 0);
    r.right = w - s.Right - ButtonsWidth(*this, manager) - s.Right - 6;
    r.bottom = TitleBottom();
    r.top = f.Zoomed ? s.Top + SysBorderWidth(f, false) / 2 + 1 : s.Top + 2;
    if (exMode1) {
        OffsetRect(&r, 0, sd.ExCenterOffs);
        if (f.Zoomed && sd.ExTitleHeight != sd.ExMaxHeight)
            OffsetRect(&r, 0, (sd.ExTitleHeight - sd.ExMaxHeight) / 2 - 2);
    }
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    ui::Canvas& canvas = cache->Canvas();
    HDC dc = canvas.Handle();
    SavedDC saved(dc);
    HFONT font = CreateCaptionFont();
    if (font)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const core::String caption = Form->Caption();
    const std::wstring wide(caption.begin(), caption.end());
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &size);
    const int th = size.cy;
    r.top += (RectH(r) - th) / 2;
    r.bottom = r.top + th;
    const UINT flags = FCaptionAlignment != ui::taLeftJustify ? DrawTextFlagsOf(Form, FCaptionAlignment) | DT_SINGLELINE |
                                                                    DT_END_ELLIPSIS | DT_NOPREFIX
                                                              : kCaptionFlags;
    const int titleIndex = TitleSkinIndexOf();
    if (!plate) {
        WriteSectionText(canvas, caption.c_str(), Form->Enabled(), r, flags, titleIndex, FormActive, manager);
        r.left += size.cx;
    } else {
        RECT text = r;
        DrawTextW(dc, wide.c_str(), int(wide.size()), &text, flags | DT_CALCRECT);
        const int spare = RectW(r) - RectW(text);
        if (FCaptionAlignment == ui::taRightJustify)
            OffsetRect(&text, spare, 0);
        else if (FCaptionAlignment == ui::taCenter)
            OffsetRect(&text, spare / 2, 0);
        InflateRect(&text, 4, 2);
        if (!m_plateBG)
            m_plateBG = NewBmp32(w, TitleBottom());
        else
            m_plateBG->SetSize(w, TitleBottom());
        CopyBmp(*m_plateBG, 0, 0, w, TitleBottom(), *cache, 0, 0);
        PaintSectionItem(captionIndex, u"CAPTION", MakeCacheInfo(m_plateBG.get(), 0, 0), true, FormActive ? 1 : 0,
                         Rect{text.left, text.top, text.right, text.bottom}, POINT{}, cache, manager);
        RECT inner = text;
        InflateRect(&inner, -4, -2);
        WriteSectionText(canvas, caption.c_str(), Form->Enabled(), inner, flags, captionIndex, FormActive, manager);
        r.left = text.right;
    }
    if (m_addedTitle && !m_addedTitle->Text().empty()) {
        const int oldLeft = r.left;
        r.left += 4;
        if (oldLeft + 12 < r.right) {
            HGDIOBJ old = SelectObject(dc, m_addedTitle->Font().Handle());
            uint32_t color = uint32_t(m_addedTitle->Font().FontColor());
            const SectionData* title = manager->IsValidSkinIndex(titleIndex) ? &manager->Section(titleIndex) : nullptr;
            if (color == 0x1FFFFFFF || color == 0xFF000008) {
                color = title ? (FormActive ? title->HotFontColor[0] : title->FontColor[0]) : 0;
            } else if (!FormActive && title) {
                color = BlendColors(color, title->FontColor[0], 0.5);
            }
            SetTextColor(dc, ui::ColorToRGB(ui::Color(color)));
            const core::String& text = m_addedTitle->Text();
            const std::wstring wtext(text.begin(), text.end());
            DrawTextW(dc, wtext.c_str(), int(wtext.size()), &r, flags);
            SelectObject(dc, old);
        }
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    if (font)
        DeleteObject(font);
}

void TsSkinProvider::PaintExBorderImage(bool exMode1, int titleBottom)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!manager || !cache || cache->GetPixelFormat() != ui::pf32bit)
        return;
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    const int w = cache->Width(), h = cache->Height();
    ui::PixelView v = cache->Pixels();
    for (int y = std::max(0, s.Top); y < h - s.Bottom; ++y) {
        uint8_t* row = v.Row(y);
        for (int x = std::max(0, s.Left); x < w - s.Right; ++x)
            row[x * 4 + 3] = 255;
    }
    ui::Bitmap* shadow = manager->ShadowTemplate(FormActive);
    if (m_borderForm)
        m_borderForm->ShadowTemplate = shadow;
    if (!shadow || shadow->Empty())
        return;
    const int ex = manager->GetConstData().ExBorder;
    const Rect all{0, 0, w, h};
    const Rect src{0, 0, shadow->Width(), shadow->Height()};
    if (exMode1 && manager->IsValidImgIndex(ex)) {
        const MaskData& m = manager->Mask(ex);
        const int bw = BorderWidth(true);
        const Rect borders{std::min<int>(m.WL, bw + s.Left), m.WT, std::min<int>(m.WR, bw + s.Right), m.WB};
        StretchKeepBorders(*cache, *shadow, all, src, borders, borders, Rect{1, 1, 1, 1}, 1, true);
        auto before = NewBmp32(w, titleBottom);
        CopyBmp(*before, 0, 0, w, titleBottom, *cache, 0, 0);
        PaintTitleBar(MakeCacheInfo(cache, 0, 0));
        PaintCaptionText(true);
        ui::PixelView b = before->Pixels();
        v = cache->Pixels();
        for (int y = 0; y < titleBottom && y < h; ++y) {
            uint8_t* row = v.Row(y);
            const uint8_t* old = b.Row(y);
            for (int x = 0; x < w; ++x)
                if (std::memcmp(row + x * 4, old + x * 4, 3) != 0)
                    row[x * 4 + 3] = 255;
        }
        return;
    }
    const int offs = manager->GetSkinData().ExContentOffs;
    const Rect margins{s.Left + offs, s.Top + offs, s.Right + offs, s.Bottom + offs};
    // The template's frame is laid around the form; the form's own pixels stay where they are.
    auto frame = NewBmp32(w, h);
    StretchKeepBorders(*frame, *shadow, all, src, margins, margins, Rect{1, 1, 1, 1}, 1, false);
    ui::PixelView fv = frame->Pixels();
    for (int y = 0; y < h; ++y) {
        uint8_t* row = v.Row(y);
        const uint8_t* from = fv.Row(y);
        for (int x = 0; x < w; ++x) {
            const bool inside = x >= s.Left && x < w - s.Right && y >= s.Top && y < h - s.Bottom;
            if (!inside) {
                // The layered window takes premultiplied colours.
                const uint8_t* f = from + x * 4;
                uint8_t* d = row + x * 4;
                const int a = f[3];
                d[0] = uint8_t(f[0] * a / 255), d[1] = uint8_t(f[1] * a / 255), d[2] = uint8_t(f[2] * a / 255);
                d[3] = uint8_t(a);
            }
        }
    }
    // Key-coloured corners of the title's (or the form's) border mask show the template instead.
    int titleBorder = -1;
    const int titleIndex = TitleSkinIndexOf();
    if (manager->IsValidSkinIndex(titleIndex))
        titleBorder = manager->Section(titleIndex).BorderIndex;
    const bool own = !manager->IsValidImgIndex(titleBorder);
    const int mask = own ? FCommonData->BorderIndex : titleBorder;
    if (!manager->IsValidImgIndex(mask))
        return;
    const MaskData& m = manager->Mask(mask);
    const int cw = own ? std::min<int>(m.WL, 8) : m.WL, cwr = own ? std::min<int>(m.WR, 8) : m.WR;
    const int chh = own ? std::min<int>(m.WT, 8) : m.WT, chb = own ? std::min<int>(m.WB, 8) : m.WB;
    const Rect in{s.Left, s.Top, w - s.Right, h - s.Bottom};
    ReplaceKeyColorPixels(cache, frame.get(), Rect{in.Left, in.Top, in.Left + cw, in.Top + chh},
                          Rect{in.Left, in.Top, in.Left + cw, in.Top + chh}, mask, manager, 13);
    ReplaceKeyColorPixels(cache, frame.get(), Rect{in.Right - cwr, in.Top, in.Right, in.Top + chh},
                          Rect{in.Right - cwr, in.Top, in.Right, in.Top + chh}, mask, manager, 14);
    if (own) {
        ReplaceKeyColorPixels(cache, frame.get(), Rect{in.Left, in.Bottom - chb, in.Left + cw, in.Bottom},
                              Rect{in.Left, in.Bottom - chb, in.Left + cw, in.Bottom}, mask, manager, 16);
        ReplaceKeyColorPixels(cache, frame.get(), Rect{in.Right - cwr, in.Bottom - chb, in.Right, in.Bottom},
                              Rect{in.Right - cwr, in.Bottom - chb, in.Right, in.Bottom}, mask, manager, 17);
    }
}

// ---- Grip ----

void TsSkinProvider::PaintGripImage(HDC dc)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!manager || !cache || cache->Empty())
        return;
    const int grip = manager->GetMaskIndex(manager->GetConstData().IndexGLobalInfo, u"GLOBALINFO", u"GRIPIMAGE");
    if (!manager->IsValidImgIndex(grip))
        return;
    const MaskData& m = manager->Mask(grip);
    const int iw = MaskImageWidth(m), ih = MaskStateHeight(m);
    if (iw <= 0 || ih <= 0)
        return;
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    const GridPoint p = GripPosition(f, cache->Width(), cache->Height(), iw, ih);
    auto bmp = NewBmp24(iw, ih);
    TacBGQuery query;
    FCommonData->GetBgInfo(query, FormActive ? 1 : 0, nullptr);
    if (query.BgType == 1) {
        FillDCSolid(bmp->Canvas().Handle(), RECT{0, 0, iw, ih}, ui::Color(query.Color));
        const int bw = SysBorderWidth(f, true);
        if (manager->IsValidImgIndex(FCommonData->BorderIndex)) {
            const MaskData& b = manager->Mask(FCommonData->BorderIndex);
            const int wr = b.WR, wb = b.WB;
            if (wr - bw > 0 && wb - bw > 0) {
                CopyBmp(*bmp, iw - (wr - bw), 0, wr - bw, ih, *cache, cache->Width() - wr - s.Right,
                        cache->Height() - bw - ih - s.Bottom);
                CopyBmp(*bmp, 0, ih - (wb - bw), iw, wb - bw, *cache, cache->Width() - bw - iw - s.Right,
                        cache->Height() - wb - s.Bottom);
            }
        }
    } else {
        CopyBmp(*bmp, 0, 0, iw, ih, *cache, p.X, p.Y);
    }
    PaintMaskGlyph(bmp.get(), POINT{0, 0}, 0, 1, m, MakeCacheInfo(bmp.get(), 0, 0));
    BitBlt(dc, p.X, p.Y, iw, ih, bmp->Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---- Caption buttons ----

void TsSkinProvider::DrawCaptionButton(TsCaptionButton& b, bool user, int state, ui::Bitmap* target, POINT at)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager || !target)
        return;
    const FormFrame f = Frame();
    const FormButtonRules rules = ButtonRules();
    int mask = b.ImageIndex;
    const int global = manager->GetConstData().IndexGLobalInfo;
    auto named = [&](const char16_t* name) {
        int i = manager->GetMaskIndex(global, u"GLOBALINFO", name);
        if (!manager->IsValidImgIndex(i))
            i = manager->GetMaskIndex(FCommonData->SkinIndex, FCommonData->SkinSection(), name);
        return i;
    };
    bool disabled = false;
    if (!user) {
        if (b.HitCode == htMaxButton && f.Zoomed)
            mask = named(u"BICONNORM");
        else if (b.HitCode == htMinButton && f.Iconic)
            mask = named(u"BICONNORM");
        else if (b.HitCode == htMaxButton && f.Iconic) {
            mask = named(u"BICONMAX");
            disabled = !rules.EnabledMax();
        }
        if (b.HitCode == htMaxButton && !f.Iconic)
            disabled = !(rules.EnabledMax() || (f.Zoomed && rules.EnabledRestore()));
        if (b.HitCode == htMinButton && !f.Iconic)
            disabled = !rules.EnabledMin();
    }
    TsTitleButton* tb = user && b.HitCode >= htUserButton && size_t(b.HitCode - htUserButton) < FTitleButtons.size()
                            ? &FTitleButtons[size_t(b.HitCode - htUserButton)]
                            : nullptr;
    if (tb && !tb->Enabled)
        disabled = true;
    const bool inactiveLook = (!FormActive || disabled) && state == 0;
    if (manager->IsValidImgIndex(mask) && (!tb || tb->UseSkinData))
        PaintMaskGlyph(target, at, state, inactiveLook || (!user && disabled) ? 2 : 1, manager->Mask(mask),
                       MakeCacheInfo(target, 0, 0));
    if (tb && tb->HasGlyph()) {
        ui::Bitmap* glyph = tb->Glyph();
        const int pressed = state == 2 ? 1 : 0;
        const int x = at.x + (RectW(b.Rect) - glyph->Width()) / 2 + pressed;
        const int y = at.y + (RectH(b.Rect) - glyph->Height()) / 2 + pressed;
        if (glyph->GetPixelFormat() == ui::pf32bit) {
            CopyMaskedOverBg(Rect{x, y, x + glyph->Width(), y + glyph->Height()},
                             Rect{0, 0, glyph->Width(), glyph->Height()}, target, glyph, EmptyCacheInfo, false);
        } else {
            auto copy = NewBmp24(glyph->Width(), glyph->Height());
            CopyBmp(*copy, 0, 0, glyph->Width(), glyph->Height(), *glyph, 0, 0);
            const ui::Color key = copy->PixelColor(0, copy->Height() - 1);
            CopyKeyedBmp(target, copy.get(), x, y, key);
        }
    }
}

void TsSkinProvider::PaintCaptionButtons()
{
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    UpdateButtonRects();
    for (TsCaptionButton* b : {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp}) {
        if (b->State == -1)
            continue;
        const int state = b->Timer && b->Timer->Enabled() ? 0 : b->State;
        DrawCaptionButton(*b, false, state, cache, POINT{b->Rect.left, b->Rect.top});
    }
    for (TsTitleButton& t : FTitleButtons) {
        if (!t.Visible())
            continue;
        TsCaptionButton& b = t.BtnData;
        DrawCaptionButton(b, true, std::max(0, b.State), cache, POINT{b.Rect.left, b.Rect.top});
    }
}

void TsSkinProvider::RedrawCaptionButton(int hitCode)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    TsCaptionButton* b = ButtonOfCode(hitCode);
    if (!b || !manager || !Form || !Form->HandleAllocated() || !FDrawNonClientArea || !Skinned())
        return;
    const FormFrame f = Frame();
    const bool user = hitCode >= htUserButton;
    if (!user && (manager->AllowGlowing() || f.ExBorders)) {
        if (b->State == 1)
            StartBtnAnimation(*b, 1, 10, true);
        else if (b->State == 2)
            StartBtnAnimation(*b, 2, 1, true);
        else if (b->State == 0)
            StartBtnAnimation(*b, 0, 10, false);
        return;
    }
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!cache || cache->Empty() || FCommonData->BGChanged) {
        RedrawFrame();
        return;
    }
    if (b->State == -1) {
        if (b->GlowID >= 0) {
            RemoveGlowEffect(b->GlowID);
            b->GlowID = -1;
        }
        return;
    }
    if (AppIconShown() && b->Rect.left < TitleIconRect().Right)
        return;
    // The background under the button comes back from the stored strip (right-aligned to the caption).
    if (m_tempBmp && !m_tempBmp->Empty()) {
        const int stripX = skin::CaptionWidth(f) - m_tempBmp->Width() - 1;
        CopyBmp(*cache, b->Rect.left, b->Rect.top, RectW(b->Rect), RectH(b->Rect), *m_tempBmp, b->Rect.left - stripX,
                b->Rect.top);
    }
    DrawCaptionButton(*b, user, std::max(0, b->State), cache, POINT{b->Rect.left, b->Rect.top});
    {
        WindowDC wdc(Form->Handle());
        SavedDC saved(wdc.dc);
        int x = b->Rect.left, y = b->Rect.top;
        if (f.ExBorders) {
            x -= ExBorderExtra(f) + skin::ShadowSize(f).Left;
            y -= ExTitleExtra(f) + skin::ShadowSize(f).Top;
        }
        BitBlt(wdc.dc, x, y, RectW(b->Rect), RectH(b->Rect), cache->Canvas().Handle(), b->Rect.left, b->Rect.top,
               SRCCOPY);
    }
    if (b->GlowID >= 0 && (b->State != 1 || user)) {
        RemoveGlowEffect(b->GlowID);
        b->GlowID = -1;
    }
}

void TsSkinProvider::StoreButtonStrip(bool fullHeight)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!manager || !cache || cache->Empty())
        return;
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    const int w = SysBorderWidth(f, true) + ButtonsWidth(*this, manager) + s.Right + 10;
    const int h = PlainBorderWidth(f, true) + skin::CaptionHeight(f, true) + SysBorderWidth(f, false) + MenuHeight() +
                  s.Top;
    if (w <= 0 || h <= 0)
        return;
    if (!m_tempBmp)
        m_tempBmp = std::make_unique<ui::Bitmap>();
    m_tempBmp->SetPixelFormat(cache->GetPixelFormat());
    m_tempBmp->SetSize(w, h);
    const int copyH = fullHeight ? h : PlainBorderWidth(f, true) + skin::CaptionHeight(f, true);
    CopyBmp(*m_tempBmp, 0, 0, w, copyH, *cache, skin::CaptionWidth(f) - w - 1, 0);
}

void TsSkinProvider::RestoreButtonStrip()
{
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!m_tempBmp || !cache || cache->Empty())
        return;
    CopyBmp(*cache, skin::CaptionWidth(Frame()) - m_tempBmp->Width() - 1, 0, m_tempBmp->Width(), m_tempBmp->Height(),
            *m_tempBmp, 0, 0);
}

void TsSkinProvider::SaveTitleBg()
{
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const FormFrame f = Frame();
    const int h = PlainBorderWidth(f, true) + skin::CaptionHeight(f, true) + skin::ShadowSize(f).Top;
    if (h <= 0)
        return;
    if (!m_titleBG)
        m_titleBG = NewBmp32(cache->Width(), h);
    else
        m_titleBG->SetSize(cache->Width(), h);
    m_titleBGStale = false;
    CopyBmp(*m_titleBG, 0, 0, cache->Width(), h, *cache, 0, 0);
}

void TsSkinProvider::RedrawTitleFromSaved(const Rect& r)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!manager || !cache)
        return;
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    const int index = TitleSkinIndexOf();
    const TCacheInfo ci = MakeCacheInfo(cache, 0, 0);
    if (manager->IsValidSkinIndex(index))
        PaintSectionItem(index, manager->Section(index).ClassName, ci, true, FormActive ? 1 : 0,
                         Rect{0, 0, r.Right, r.Bottom}, POINT{}, cache, manager);
    PaintTitleIcon();
    if (VisibleSysButtons(*this) > 0) {
        const int bar = manager->GetMaskIndex(FCommonData->SkinIndex, FCommonData->SkinSection(), u"TITLEBAR");
        if (manager->IsValidImgIndex(bar))
            PaintMaskRect(cache, Rect{r.Right - TitleBarMaskWidth(manager->Mask(bar), ButtonsWidth(*this, manager)), 0,
                                      r.Right, r.Bottom},
                          true, EmptyCacheInfo, manager->Mask(bar), FormActive ? 1 : 0, false, manager);
    }
    StoreButtonStrip(false);
    PaintCaptionButtons();
    const TsSkinData& sd = manager->GetSkinData();
    RECT tr{SysBorderWidth(f, true) + (AppIconShown() ? TitleIconRect().Right - TitleIconRect().Left : 0) +
                sd.BILeftMargin + s.Left + 4,
            s.Top + 2, cache->Width() - s.Right - ButtonsWidth(*this, manager) - 6,
            PlainBorderWidth(f, false) + skin::CaptionHeight(f, true) + s.Top};
    if (tr.right <= tr.left || tr.bottom <= tr.top)
        return;
    HDC dc = cache->Canvas().Handle();
    SavedDC saved(dc);
    HFONT font = CreateCaptionFont();
    if (font)
        SelectObject(dc, font);
    WriteSectionText(cache->Canvas(), Form->Caption().c_str(), Form->Enabled(), tr, kCaptionFlags, index, FormActive,
                     manager);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    if (font)
        DeleteObject(font);
}

// ---- Copying the image out ----

void TsSkinProvider::CopyFromCache(HDC dc, int dstX, int dstY, int width, int height, int srcX, int srcY)
{
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (cache && width > 0 && height > 0)
        BitBlt(dc, dstX, dstY, width, height, cache->Canvas().Handle(), srcX, srcY, SRCCOPY);
}

void TsSkinProvider::BltFrameFromCache(HDC dc)
{
    if (FCommonData->BGChanged || !FCommonData->CacheBmp() || FCommonData->CacheBmp()->Empty()) {
        ControlsChanged = !FirstInitialized;
        PaintFormCache();
        FCommonData->BGChanged = false;
        FCommonData->FUpdating = false;
    }
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const FormFrame f = Frame();
    const int hh = skin::HeaderHeight(f);
    const int bw1 = BorderWidth(true), bh = BorderHeight(true);
    const int fbw = f.FormBorderWidth;
    const int y0 = (f.Iconic ? 1 : 0) + PlainBorderWidth(f, true) + skin::CaptionHeight(f, true) +
                   (MenuLineHeight() > 0 ? MenuLineHeight() + 1 : 0) + fbw;
    const int fw = f.WindowWidth, fh = f.WindowHeight, cw = cache->Width(), chh = cache->Height();
    CopyFromCache(dc, 0, 0, fw, hh, 0, 0);
    CopyFromCache(dc, 0, hh, bw1, chh - hh, 0, y0);
    CopyFromCache(dc, bw1, fh - bh, fw - bw1, bh, SysBorderWidth(f, true) + fbw, fh - PlainBorderWidth(f, true) - fbw);
    const int rx = cw - SysBorderWidth(f, true) - fbw;
    CopyFromCache(dc, rx, hh, PlainBorderWidth(f, true) + fbw, chh - bh, rx, y0);
}

void TsSkinProvider::HandleNCPaint()
{
    ProviderUnitState& unit = ProviderState();
    if (unit.MaxChildCreating || !FDrawNonClientArea || !Form || !Form->HandleAllocated())
        return;
    if (FResizeMode == rmBorder && DwmCompositionActive())
        FResizeMode = rmStandard;
    MenusInitialized = true;
    const FormFrame f = Frame();
    if (!RgnChanging && RgnChanged && (HasSkinnedBorder() || f.ThickFrame || f.Iconic)) {
        PrepareArOR();
        RgnChanged = false;
        if (Form->ShowingPhase() && Form->Position() != ui::poDefault && !f.Zoomed) {
            ApplyFormRgn(false);
        } else if (ApplyFormRgn(true, true)) {
            // The region change repaints the frame; an unchanged region is painted here.
            return;
        }
    }
    FCommonData->FUpdating = false;
    if (!FCommonData->CacheBmp() || FCommonData->CacheBmp()->Empty())
        FCommonData->BGChanged = true;
    WindowDC wdc(Form->Handle());
    {
        SavedDC saved(wdc.dc);
        if (f.ExBorders) {
            const Rect s = skin::ShadowSize(f);
            int y = skin::CaptionHeight(f, false) + SysBorderWidth(f, false) - (FSysExHeight ? 4 : 0);
            if (FCommonData->BGChanged)
                PaintFormCache();
            ui::Bitmap* cache = FCommonData->CacheBmp();
            const int menuH = (MenuLineHeight() > 0 ? MenuLineHeight() + 1 : 0);
            if (cache && !cache->Empty())
                CopyFromCache(wdc.dc, SysBorderWidth(f, false), y, cache->Width() - s.Left - s.Right,
                              menuH + f.FormBorderWidth, SysBorderWidth(f, true) + s.Left,
                              OffsetY() - menuH - f.FormBorderWidth);
        } else if (HasSkinnedBorder() || !f.ThickFrame || f.Iconic) {
            BltFrameFromCache(wdc.dc);
        } else {
            if (FCommonData->BGChanged)
                PaintFormCache();
            ui::Bitmap* cache = FCommonData->CacheBmp();
            if (cache && !cache->Empty()) {
                const int b = BorderWidth(true) + 3;
                const int fw = f.WindowWidth, fh = f.WindowHeight, cw = cache->Width(), chh = cache->Height();
                CopyFromCache(wdc.dc, 0, 0, fw, b, 0, 0);
                CopyFromCache(wdc.dc, 0, b, b, chh, 0, b);
                CopyFromCache(wdc.dc, b, fh - b, fw - b, b, b, fh - b);
                CopyFromCache(wdc.dc, cw - b, b, b, chh, cw - b, b);
            }
        }
    }
    RgnChanging = false;
}

// ---- The client area ----

void TsSkinProvider::HandlePaint(ui::Message& message)
{
    HWND h = Form->Handle();
    PAINTSTRUCT ps{};
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    const bool own = dc == nullptr;
    if (own)
        dc = BeginPaint(h, &ps);
    {
        SavedDC saved(dc);
        FCommonData->FUpdating = false;
        if (!fAnimating && !IsDestroying(Form))
            PaintClientArea(dc, true);
    }
    if (own)
        EndPaint(h, &ps);
}

void TsSkinProvider::PaintClientArea(HDC dc, bool notify)
{
    if (!Form)
        return;
    const FormFrame f = Frame();
    if (FCommonData->CtrlSkinState & 1) {
        FillDCSolid(dc, RECT{0, 0, f.ClientWidth, f.ClientHeight}, ui::Color(FormColor()));
    } else {
        if (!FCommonData->UrgentPainting)
            PaintFormCache();
        if (!FCommonData->CacheBmp() || FCommonData->CacheBmp()->Empty())
            return;
        const RECT client{0, 0, f.ClientWidth, f.ClientHeight};
        BltCacheExceptChildren(Form, FCommonData.get(), RECT{OffsetX(), OffsetY(), OffsetX() + f.ClientWidth,
                                                             OffsetY() + f.ClientHeight},
                               0, 0, false, dc, client);
        PaintGraphicChildren(dc, Form, POINT{});
    }
    if (notify) {
        NotifyChildControls(Form);
        ui::Message done{SM_SKINCMD, SkinWParam(scUpdateDone), 0, 0};
        PassToAdapter(done);
    }
    ControlsChanged = false;
}

void TsSkinProvider::PaintFormClient(HDC dc)
{
    if (!Form || !Form->HandleAllocated())
        return;
    HWND h = Form->Handle();
    const bool own = dc == nullptr;
    if (own)
        dc = GetDC(h);
    FCommonData->FUpdating = false;
    if (!fAnimating && !IsDestroying(Form)) {
        SavedDC saved(dc);
        ExcludeGraphicChildren(dc, Form, 0, 0);
        PaintClientArea(dc, true);
        if (GripShowing()) {
            SetWindowOrgEx(dc, OffsetX(), OffsetY(), nullptr);
            PaintGripImage(dc);
        }
    }
    PaintGraphicChildren(dc, Form, POINT{});
    if (own)
        ReleaseDC(h, dc);
}

void TsSkinProvider::EraseBackground(ui::Message& message)
{
    if (!Form->Showing()) {
        CallOld(message);
        return;
    }
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if ((message.WParam != 0 && WPARAM(message.LParam) == message.WParam) || (Form->ControlState() & ui::csPaintCopy)) {
        // A DC handed over by skin code for a copy of the form.
        if (dc) {
            if (FCommonData->BGChanged)
                PaintFormCache();
            const FormFrame f = Frame();
            ui::Bitmap* cache = FCommonData->CacheBmp();
            if (cache && !cache->Empty())
                CopyFromCache(dc, 0, 0, f.WindowWidth, f.WindowHeight, OffsetX(), OffsetY());
            else
                FillDCSolid(dc, RECT{0, 0, f.WindowWidth, f.WindowHeight}, ui::Color(WndBgColor(Form->Handle())));
        }
    } else if (!FCommonData->NeedsCachePaint()) {
        // A plain form paints its client (and grip) here; WM_PAINT only validates.
        RECT clip{};
        const bool emptyClip = !dc || GetClipBox(dc, &clip) == NULLREGION;
        PaintFormClient(DwmCompositionActive() && emptyClip ? nullptr : dc);
    } else if (dc && !FCommonData->FUpdating) {
        RECT clip{};
        if (GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) {
            NotifyChildControls(Form);
            return;
        }
    }
    // With an image the client area is painted whole from it by WM_PAINT.
    message.Result = 1;
}

void TsSkinProvider::PrintForm(ui::Message& message)
{
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    HWND h = Form->HandleIfAllocated();
    if (!dc || !h || !IsWindowVisible(h) || (Form->ControlState() & ui::csCreating) || IsDestroying(Form) ||
        HasState(core::csLoading))
        return;
    MenusInitialized = true;
    FCommonData->FUpdating = false;
    const FormFrame f = Frame();
    SavedDC saved(dc);
    if (f.ExBorders) {
        if (FCommonData->BGChanged)
            PaintFormCache();
        ui::Bitmap* cache = FCommonData->CacheBmp();
        if (cache && !cache->Empty())
            CopyFromCache(dc, 0, 0, cache->Width(), cache->Height(), 0, 0);
        SetWindowOrgEx(dc, -OffsetX(), -(OffsetY() + (MenuHeight() > 0 ? 1 : 0)), nullptr);
        IntersectClipRect(dc, 0, 0, f.ClientWidth, f.ClientHeight);
        PaintGraphicChildren(dc, Form, POINT{});
        return;
    }
    if (FDrawNonClientArea) {
        if (HasSkinnedBorder() || !f.ThickFrame) {
            BltFrameFromCache(dc);
        } else {
            if (FCommonData->BGChanged)
                PaintFormCache();
            const int b = f.FormBorderWidth + 3;
            ui::Bitmap* cache = FCommonData->CacheBmp();
            if (cache && !cache->Empty()) {
                const int fw = f.WindowWidth, fh = f.WindowHeight, cw = cache->Width(), chh = cache->Height();
                CopyFromCache(dc, 0, 0, fw, b, 0, 0);
                CopyFromCache(dc, 0, b, b, chh, 0, b);
                CopyFromCache(dc, b, fh - b, fw - b, b, b, fh - b);
                CopyFromCache(dc, cw - b, b, b, chh, cw - b, b);
            }
        }
    }
    SetWindowOrgEx(dc, -OffsetX(), -OffsetY(), nullptr);
    IntersectClipRect(dc, 0, 0, f.ClientWidth, f.ClientHeight);
    if (FCommonData->CtrlSkinState & 1) {
        {
            SavedDC inner(dc);
            ExcludeGraphicChildren(dc, Form, 0, 0);
            PaintClientArea(dc, true);
        }
        PaintGraphicChildren(dc, Form, POINT{});
    } else {
        PaintClientArea(dc, true);
    }
}

// ---- The caption cover form ----

void TsSkinProvider::PlaceCaptionForm(bool fullHeight)
{
    if (!FDrawNonClientArea || fAnimating || LockCount > 0 || !Form || !Form->HandleAllocated())
        return;
    if (!m_captForm) {
        m_captForm = std::make_unique<ui::Form>(nullptr);
        m_captForm->SetTag(-98);
        m_captForm->SetBorderStyle(ui::bsNone);
        m_captFormOldProc = m_captForm->WindowProc();
        m_captForm->SetWindowProc([this](ui::Message& m) {
            // Windows' own caption must not show through: the cover never erases.
            if (m.Msg == WM_ERASEBKGND) {
                m.Result = 1;
                return;
            }
            if (m_captFormOldProc)
                m_captFormOldProc(m);
        });
    }
    HWND cover = m_captForm->Handle();
    ShowWindow(cover, SW_HIDE);
    const FormFrame f = Frame();
    RECT r{};
    GetWindowRect(Form->Handle(), &r);
    int x = r.left, y = r.top, w = RectW(r), h = fullHeight ? RectH(r) : skin::HeaderHeight(f);
    if (f.ExBorders) {
        const int menuH = MenuLineHeight();
        x = r.left + SysBorderWidth(f, false);
        y = r.top + OffsetY() - menuH - skin::ShadowSize(f).Top - ExTitleExtra(f);
        w = RectW(r) - 2 * SysBorderWidth(f, false);
        h = menuH + (menuH ? 1 : 0);
    }
    const bool topmost = (GetWindowLongPtrW(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    HWND after = topmost ? HWND_TOPMOST : GetWindow(Form->Handle(), GW_HWNDPREV);
    if (!after)
        after = HWND_TOP;
    SetWindowPos(cover, after, x, y, w, h,
                 SWP_NOACTIVATE | SWP_NOREDRAW | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
}

void TsSkinProvider::FreeCaptionForm()
{
    if (!m_captForm)
        return;
    if (m_captFormOldProc)
        m_captForm->SetWindowProc(m_captFormOldProc);
    m_captFormOldProc = nullptr;
    m_captForm.reset();
}

} // namespace skin
