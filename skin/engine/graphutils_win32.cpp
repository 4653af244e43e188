// Working bitmaps, device-context fills and frames, clip exclusion of graphic children, the rounded
// shade, border-keeping stretches, the bitmap forms of the pixel kernels and the engine's start-up.
#include "skin/engine/graphutils.h"

#include "skin/engine/glow.h"
#include "ui/graphiccontrol.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

void BindGradientFill();
void ReleaseGradientFill();
void RegisterPngFormat();
void UnregisterPngFormat();
void InitSkinManagerUnit();
void DoneSkinManagerUnit();

namespace {

using UpdateLayeredWindowProc = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

struct EngineState {
    int arrowLength = 0;
    HMODULE user32 = nullptr;
    UpdateLayeredWindowProc updateLayeredWindow = nullptr;
    std::unique_ptr<TacFast24> fast24;
    std::unique_ptr<TacFast32> fast32;
    std::unique_ptr<TacFastSum24> fastSum24;
    bool (*splitterTest)(ui::Control*) = nullptr;
};

EngineState& State()
{
    static EngineState state;
    return state;
}

ui::PixelView ViewOf(ui::Bitmap* bmp) { return bmp ? bmp->Pixels() : ui::PixelView(); }

// Saves the context's state and selects a solid brush; both are put back and the brush deleted.
class SolidBrushScope {
public:
    SolidBrushScope(HDC dc, ui::Color color) : m_dc(dc), m_saved(SaveDC(dc)), m_brush(CreateSolidBrush(ui::ColorToRGB(color)))
    {
        if (m_brush)
            m_old = SelectObject(dc, m_brush);
    }
    ~SolidBrushScope()
    {
        if (m_brush) {
            SelectObject(m_dc, m_old);
            DeleteObject(m_brush);
        }
        if (m_saved)
            RestoreDC(m_dc, m_saved);
    }
    SolidBrushScope(const SolidBrushScope&) = delete;
    SolidBrushScope& operator=(const SolidBrushScope&) = delete;
    HBRUSH Brush() const { return m_brush; }

private:
    HDC m_dc;
    int m_saved;
    HBRUSH m_brush;
    HGDIOBJ m_old = nullptr;
};

void FillBand(HDC dc, HBRUSH brush, int left, int top, int right, int bottom)
{
    if (right > left && bottom > top) {
        RECT r{left, top, right, bottom};
        FillRect(dc, &r, brush);
    }
}

} // namespace

// ---- Start-up ----

void InitSkinEngine()
{
    EngineState& s = State();
    s.arrowLength = GetSystemMetrics(SM_CXHSCROLL);
    if (!s.updateLayeredWindow) {
        s.user32 = LoadLibraryW(L"user32.dll");
        if (s.user32)
            s.updateLayeredWindow =
                reinterpret_cast<UpdateLayeredWindowProc>(reinterpret_cast<void*>(GetProcAddress(s.user32, "UpdateLayeredWindow")));
    }
    BindGradientFill();
    RegisterPngFormat();
    if (!s.fast24)
        s.fast24 = std::make_unique<TacFast24>();
    if (!s.fast32)
        s.fast32 = std::make_unique<TacFast32>();
    if (!s.fastSum24)
        s.fastSum24 = std::make_unique<TacFastSum24>();
    InitSkinManagerUnit();
}

void DoneSkinEngine()
{
    DoneSkinManagerUnit();
    EngineState& s = State();
    s.fast24.reset();
    s.fast32.reset();
    s.fastSum24.reset();
    ReleaseGradientFill();
    UnregisterPngFormat();
    s.updateLayeredWindow = nullptr;
    if (s.user32)
        FreeLibrary(s.user32);
    s.user32 = nullptr;
    s.splitterTest = nullptr;
    // Glow windows go with the engine.
    ClearGlowEffects();
}

int DefaultArrowLength() { return State().arrowLength; }
TacFast24* Fast24() { return State().fast24.get(); }
TacFast32* Fast32() { return State().fast32.get(); }
TacFastSum24* FastSum24() { return State().fastSum24.get(); }
bool LayeredWindowsAvailable() { return State().updateLayeredWindow != nullptr; }
BOOL UpdateLayeredWnd(HWND wnd, HDC screenDC, POINT* pos, SIZE* size, HDC srcDC, POINT* srcPos, COLORREF key,
                      BLENDFUNCTION* blend, DWORD flags)
{
    UpdateLayeredWindowProc bound = State().updateLayeredWindow;
    return bound ? bound(wnd, screenDC, pos, size, srcDC, srcPos, key, blend, flags) : FALSE;
}
void SetSplitterTest(bool (*test)(ui::Control*)) { State().splitterTest = test; }

bool TacFast::Attach(ui::Bitmap* bmp) { return Attach(ViewOf(bmp)); }
bool TacFastSum::Attach(ui::Bitmap* src, ui::Bitmap* dst) { return Attach(ViewOf(src), ViewOf(dst)); }

// ---- Bitmaps and device contexts ----

std::unique_ptr<ui::Bitmap> NewBmp24(int width, int height) { return std::make_unique<ui::Bitmap>(width, height, ui::pf24bit); }
std::unique_ptr<ui::Bitmap> NewBmp32(int width, int height) { return std::make_unique<ui::Bitmap>(width, height, ui::pf32bit); }

std::unique_ptr<ui::Bitmap> NewBmpLike(ui::Bitmap& bmp)
{
    return std::make_unique<ui::Bitmap>(bmp.Width(), bmp.Height(), bmp.GetPixelFormat());
}

void FillDCSolid(HDC dc, const RECT& r, ui::Color color)
{
    SolidBrushScope scope(dc, color);
    if (scope.Brush())
        FillRect(dc, &r, scope.Brush());
}

void FillDCFrame(HDC dc, const RECT& r, int wl, int wt, int wr, int wb, ui::Color color)
{
    SolidBrushScope scope(dc, color);
    HBRUSH brush = scope.Brush();
    if (!brush)
        return;
    FillBand(dc, brush, r.left, r.top, r.right, r.top + wt);
    FillBand(dc, brush, r.left, r.top + wt, r.left + wl, r.bottom);
    FillBand(dc, brush, r.left + wl, r.bottom - wb, r.right, r.bottom);
    FillBand(dc, brush, r.right - wr, r.top + wt, r.right, r.bottom - wb);
}

void CopyDCFrame(HDC dstDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY, int borderWidth)
{
    const int b = borderWidth;
    BitBlt(dstDC, x, y, b, height, srcDC, srcX, srcY, SRCCOPY);
    BitBlt(dstDC, x + b, y, width - b, b, srcDC, srcX + b, srcY, SRCCOPY);
    BitBlt(dstDC, x + width - b, y + b, b, height - b, srcDC, srcX + width - b, srcY + b, SRCCOPY);
    BitBlt(dstDC, x + b, y + height - b, width - 2 * b, b, srcDC, srcX + b, srcY + height - b, SRCCOPY);
}

bool PassesSplitterTest(ui::Control* control) { return State().splitterTest && State().splitterTest(control); }

void ExcludeGraphicChildren(HDC dc, ui::WinControl* parent, int offsetX, int offsetY)
{
    if (!dc || !parent)
        return;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        ui::Control* child = parent->Controls(i);
        if (!dynamic_cast<ui::GraphicControl*>(child) || !child->Visible())
            continue;
        if (State().splitterTest && State().splitterTest(child))
            continue;
        const RECT r = child->BoundsRect();
        ExcludeClipRect(dc, r.left + offsetX, r.top + offsetY, r.right + offsetX, r.bottom + offsetY);
    }
}

void IniWriteString(core::StringView section, core::StringView ident, core::StringView value, core::CustomIniFile& ini)
{
    ini.WriteString(section, ident, value);
}

void PaintRoundShade(ui::Bitmap& bmp, const Rect& r, int percent, ui::Color color, int depth, int radius)
{
    const int w = RectWidth(r), h = RectHeight(r);
    if (w <= 0 || h <= 0 || bmp.Empty())
        return;
    auto copy = NewBmp24(w, h);
    auto mask = NewBmp24(w, h);
    BitBlt(copy->Canvas().Handle(), 0, 0, w, h, bmp.Canvas().Handle(), r.Left, r.Top, SRCCOPY);
    const int d = std::min({w / 2, h / 2, depth}), rad = std::min({w / 2, h / 2, radius});
    const int g = percent * 255 / 100;
    HDC dc = mask->Canvas().Handle();
    const int saved = SaveDC(dc);
    SelectObject(dc, GetStockObject(NULL_PEN));
    int grey = 255;
    for (int i = 0; i <= d; ++i) {
        HBRUSH brush = CreateSolidBrush(RGB(grey, grey, grey));
        HGDIOBJ old = SelectObject(dc, brush);
        RoundRect(dc, i, i, w - i, h - i, rad, rad);
        SelectObject(dc, old);
        DeleteObject(brush);
        grey = g + RoundEven(double(255 - g) / (d + 1) * (d - i));
    }
    RestoreDC(dc, saved);
    RECT centre{d, d, w - d, h - d};
    FillDCSolid(dc, centre, RGB(grey, grey, grey));
    MultiplyMaskToColor(copy.get(), mask.get(), color);
    BitBlt(bmp.Canvas().Handle(), r.Left, r.Top, w, h, copy->Canvas().Handle(), 0, 0, SRCCOPY);
}

namespace {

// Fills a band along one axis with pieces of the source edge: tiled (full pieces, then a shortened
// one) or stretched.
void EdgeBand(HDC dst, HDC src, bool vertical, bool stretch, int x, int y, int thickness, int length, int srcX, int srcY,
              int srcLength)
{
    if (thickness <= 0 || length <= 0 || srcLength <= 0)
        return;
    if (stretch) {
        if (vertical)
            StretchBlt(dst, x, y, thickness, length, src, srcX, srcY, thickness, srcLength, SRCCOPY);
        else
            StretchBlt(dst, x, y, length, thickness, src, srcX, srcY, srcLength, thickness, SRCCOPY);
        return;
    }
    for (int pos = 0; pos < length; pos += srcLength) {
        const int n = std::min(srcLength, length - pos);
        if (vertical)
            BitBlt(dst, x, y + pos, thickness, n, src, srcX, srcY, SRCCOPY);
        else
            BitBlt(dst, x + pos, y, n, thickness, src, srcX, srcY, SRCCOPY);
    }
}

} // namespace

void StretchKeepBorders(ui::Bitmap& dst, ui::Bitmap& src, const Rect& D, const Rect& S, const Rect& B, const Rect& M,
                        const Rect& E, int centerMode, bool fillCenter)
{
    if (dst.Empty() || src.Empty())
        return;
    HDC dc = dst.Canvas().Handle(), sc = src.Canvas().Handle();
    const int oldMode = SetStretchBltMode(dc, BLACKONWHITE);
    const int dl = std::min(B.Left, M.Left), dt = std::min(B.Top, M.Top);
    const int dr = std::min(B.Right, M.Right), db = std::min(B.Bottom, M.Bottom);
    auto copy = [&](int x, int y, int w, int h, int sx, int sy) {
        if (w > 0 && h > 0)
            BitBlt(dc, x, y, w, h, sc, sx, sy, SRCCOPY);
    };
    // Corners as L-shaped bands: the outer rows over the corner's width, the outer columns below.
    copy(D.Left, D.Top, B.Left, dt, S.Left, S.Top);
    if (dt != B.Top)
        copy(D.Left, D.Top + dt, dl, B.Top - dt, S.Left, S.Top + dt);
    copy(D.Left, D.Bottom - db, B.Left, db, S.Left, S.Bottom - db);
    if (db != B.Bottom)
        copy(D.Left, D.Bottom - B.Bottom, dl, B.Bottom - db, S.Left, S.Bottom - B.Bottom);
    copy(D.Right - B.Right, D.Top, B.Right, dt, S.Right - B.Right, S.Top);
    if (dt != B.Top)
        copy(D.Right - dr, D.Top + dt, dr, B.Top - dt, S.Right - dr, S.Top + dt);
    copy(D.Right - B.Right, D.Bottom - db, B.Right, db, S.Right - B.Right, S.Bottom - db);
    if (db != B.Bottom)
        copy(D.Right - dr, D.Bottom - B.Bottom, dr, B.Bottom - db, S.Right - dr, S.Bottom - B.Bottom);
    // Edges.
    const int cw = RectWidth(S) - B.Left - B.Right, ch = RectHeight(S) - B.Top - B.Bottom;
    const int edgeHeight = RectHeight(D) - B.Top - B.Bottom, edgeWidth = RectWidth(D) - B.Left - B.Right;
    EdgeBand(dc, sc, true, E.Left == 1, D.Left, D.Top + B.Top, dl, edgeHeight, S.Left, S.Top + B.Top, ch);
    EdgeBand(dc, sc, true, E.Right == 1, D.Right - dr, D.Top + B.Top, dr, edgeHeight, S.Right - dr, S.Top + B.Top, ch);
    EdgeBand(dc, sc, false, E.Top == 1, D.Left + B.Left, D.Top, dt, edgeWidth, S.Left + B.Left, S.Top, cw);
    EdgeBand(dc, sc, false, E.Bottom == 1, D.Left + B.Left, D.Bottom - db, db, edgeWidth, S.Left + B.Left, S.Bottom - db, cw);
    // Centre.
    if (fillCenter && cw > 0 && ch > 0 && edgeWidth > 0 && edgeHeight > 0) {
        const int x0 = D.Left + B.Left, y0 = D.Top + B.Top, sx = S.Left + B.Left, sy = S.Top + B.Top;
        if (centerMode == 1) {
            StretchBlt(dc, x0, y0, edgeWidth, edgeHeight, sc, sx, sy, cw, ch, SRCCOPY);
        } else if (centerMode == 0) {
            for (int y = 0; y < edgeHeight; y += ch)
                for (int x = 0; x < edgeWidth; x += cw)
                    BitBlt(dc, x0 + x, y0 + y, std::min(cw, edgeWidth - x), std::min(ch, edgeHeight - y), sc, sx, sy, SRCCOPY);
        }
    }
    SetStretchBltMode(dc, oldMode);
}

// ---- The kernels over bitmaps ----

BgSource BgSourceOf(const TCacheInfo& ci)
{
    BgSource bg;
    bg.Ready = ci.Ready;
    bg.X = ci.X;
    bg.Y = ci.Y;
    if (ci.Ready && ci.Bmp)
        bg.View = ci.Bmp->Pixels();
    return bg;
}

void FillRect32Opaque(ui::Bitmap* bmp, const Rect& r, ui::Color color) { FillRect32Opaque(ViewOf(bmp), r, color); }

void BlendRectToColor(ui::Bitmap* bmp, const Rect& r, int percent, ui::Color color)
{
    BlendRectToColor(ViewOf(bmp), r, percent, color);
}

void BlendBmpRect(ui::Bitmap* dst, ui::Bitmap* src, uint8_t alpha, POINT dstPos, const Rect& srcRect)
{
    if (dst && src && dst->GetPixelFormat() == src->GetPixelFormat())
        BlendBmpRect(ViewOf(dst), ViewOf(src), alpha, dstPos.x, dstPos.y, srcRect);
}

void BlendSameSizeBmps(ui::Bitmap* dst, ui::Bitmap* src, uint8_t alpha) { BlendSameSizeBmps(ViewOf(dst), ViewOf(src), alpha); }

void CopyKeyedBmp(ui::Bitmap* dst, ui::Bitmap* src, int x, int y, ui::Color keyColor)
{
    CopyKeyedBmp(ViewOf(dst), ViewOf(src), x, y, keyColor);
}

void BlendRectKeyed(ui::Bitmap* dst, int x, int y, ui::Color keyColor, double level, const Rect& srcRect, ui::Bitmap* src)
{
    BlendRectKeyed(ViewOf(dst), x, y, keyColor, level, srcRect, ViewOf(src));
}

void TintBmp(ui::Bitmap* bmp, ui::Color color, ui::Color keyColor, double level) { TintBmp(ViewOf(bmp), color, keyColor, level); }

void GrayBmpExceptColor(ui::Bitmap* bmp, ui::Color color) { GrayBmpExceptColor(ViewOf(bmp), color); }

void CopyMaskedOverBg(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* dst, ui::Bitmap* src, const TCacheInfo& ci,
                      bool updateCorners)
{
    CopyMaskedOverBg(dstRect, srcRect, ViewOf(dst), ViewOf(src), BgSourceOf(ci), updateCorners);
}

void MultiplyMaskToColor(ui::Bitmap* bmp, ui::Bitmap* mask, ui::Color color)
{
    MultiplyMaskToColor(ViewOf(bmp), ViewOf(mask), color);
}

void MixBmpsTo32(ui::Bitmap* dst, ui::Bitmap* a, ui::Bitmap* b, uint16_t level, ui::Bitmap* mask)
{
    const ui::PixelView maskView = ViewOf(mask);
    MixBmpsTo32(ViewOf(dst), ViewOf(a), ViewOf(b), level, mask ? &maskView : nullptr);
}

void DrawAlphaBmp(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* dst, ui::Bitmap* src, const TCacheInfo& ci,
                  bool updateCorners, ui::Color colorizeColor, int blendPercent, bool reflected)
{
    if (!src || !dst)
        return;
    src->SetPixelFormat(ui::pf32bit);
    DrawAlphaBmp(dstRect, srcRect, ViewOf(dst), ViewOf(src), BgSourceOf(ci), updateCorners, colorizeColor, blendPercent,
                 reflected);
}

void CopyChannel(ui::Bitmap* bmp32, ui::Bitmap* bmp8, int channelIndex, bool extract)
{
    CopyChannel(ViewOf(bmp32), ViewOf(bmp8), channelIndex, extract);
}

void ResampleBmp(ui::Bitmap* src, ui::Bitmap* dst, int newWidth, int newHeight, int kind)
{
    if (!src || !dst)
        return;
    if (src->Width() < 2 || src->Height() < 2)
        throw core::Exception(u"Source bitmap is too small");
    if (newWidth == src->Width() && newHeight == src->Height()) {
        if (dst != src)
            dst->Assign(*src);
        return;
    }
    const ui::PixelFormat format = src->GetPixelFormat() == ui::pf32bit ? ui::pf32bit : ui::pf24bit;
    src->SetPixelFormat(format);
    if (dst == src) {
        ui::Bitmap copy;
        copy.Assign(*src);
        ResampleBmp(&copy, dst, newWidth, newHeight, kind);
        return;
    }
    dst->SetPixelFormat(format);
    dst->SetSize(newWidth, newHeight);
    ResamplePixels(ViewOf(src), ViewOf(dst), kind);
}

} // namespace skin
