// Keyed copies and blends, tints, greys and compositions over pixel views.
#include "skin/engine/bitmapops.h"

#include "skin/engine/alphagraph.h"

#include <algorithm>

namespace skin {
namespace {

int PixelSize(const ui::PixelView& view)
{
    return view.Format() == ui::pf32bit ? 4 : view.Format() == ui::pf24bit ? 3 : 0;
}

uint32_t RgbOf(const uint8_t* p) { return ui::RGBValue(p[2], p[1], p[0]); }
uint32_t DwordOf(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Cuts one direction of a copy: start positions in both bitmaps and the length.
bool ClipAxis(int& d, int& s, int& n, int dstSize, int srcSize)
{
    if (d < 0) {
        s -= d;
        n += d;
        d = 0;
    }
    if (s < 0) {
        d -= s;
        n += s;
        s = 0;
    }
    n = int(std::min<int64_t>({n, int64_t(dstSize) - d, int64_t(srcSize) - s}));
    return n > 0;
}

} // namespace

bool PutBackgroundPixel(const BgSource& bg, int x, int y, uint8_t* p, bool opaque)
{
    const int bx = bg.X + x, by = bg.Y + y;
    if (!bg.View.Contains(bx, by) || PixelSize(bg.View) == 0)
        return false;
    const uint32_t c = bg.View.ReadPixel(bx, by);
    p[0] = uint8_t(c >> 16);
    p[1] = uint8_t(c >> 8);
    p[2] = uint8_t(c);
    if (opaque)
        p[3] = 0xFF;
    return true;
}

bool ClipCopySpan(const Rect& dstRect, const Rect& srcRect, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                  CopySpan& span)
{
    span.DstX = dstRect.Left;
    span.DstY = dstRect.Top;
    span.SrcX = srcRect.Left;
    span.SrcY = srcRect.Top;
    span.Width = std::min(RectWidth(dstRect, true), RectWidth(srcRect, true));
    span.Height = std::min(RectHeight(dstRect, true), RectHeight(srcRect, true));
    return ClipAxis(span.DstX, span.SrcX, span.Width, dstWidth, srcWidth) &&
           ClipAxis(span.DstY, span.SrcY, span.Height, dstHeight, srcHeight);
}

void CopyKeyedBmp(const ui::PixelView& dst, const ui::PixelView& src, int x, int y, uint32_t keyColor)
{
    if (PixelSize(dst) == 0 || src.Format() != ui::pf24bit)
        return;
    ui::PixelView target = dst;
    target.CopyKeyed(src, x, y, keyColor);
}

void BlendRectKeyed(const ui::PixelView& dst, int x, int y, uint32_t keyColor, double level, Rect srcRect,
                    const ui::PixelView& src)
{
    const int ds = PixelSize(dst), ss = PixelSize(src);
    if (ds == 0 || ss == 0 || (ds == 4 && ss == 4))
        return;
    const bool keyed = keyColor <= 0xFEFFFFFFu;
    if (srcRect.Left < 0) {
        x -= srcRect.Left;
        srcRect.Left = 0;
    }
    if (srcRect.Top < 0) {
        y -= srcRect.Top;
        srcRect.Top = 0;
    }
    srcRect.Right = std::min(srcRect.Right, src.Width() - 1);
    srcRect.Bottom = std::min(srcRect.Bottom, src.Height() - 1);
    // Destination columns and rows inside dst, with their source inside srcRect.
    const int64_t dx = int64_t(x) - srcRect.Left, dy = int64_t(y) - srcRect.Top;
    const int64_t left = std::max<int64_t>(srcRect.Left, -dx), right = std::min<int64_t>(srcRect.Right, dst.Width() - 1 - dx);
    const int64_t top = std::max<int64_t>(srcRect.Top, -dy), bottom = std::min<int64_t>(srcRect.Bottom, dst.Height() - 1 - dy);
    for (int64_t sy = top; sy <= bottom; ++sy) {
        const uint8_t* s = src.Row(int(sy)) + left * ss;
        uint8_t* d = dst.Row(int(sy + dy)) + (left + dx) * ds;
        for (int64_t sx = left; sx <= right; ++sx, s += ss, d += ds) {
            if (keyed && (ss == 4 ? DwordOf(s) : RgbOf(s)) == keyColor)
                continue;
            for (int i = 0; i < 3; ++i)
                d[i] = uint8_t(RoundEven(s[i] - level * (s[i] - d[i])));
        }
    }
}

void TintBmp(const ui::PixelView& bmp, uint32_t color, uint32_t keyColor, double level)
{
    const int size = PixelSize(bmp);
    if (size == 0)
        return;
    const double c[3] = {double(color >> 16 & 0xFF), double(color >> 8 & 0xFF), double(color & 0xFF)};
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* p = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x, p += size) {
            if ((size == 4 ? DwordOf(p) : RgbOf(p)) == keyColor)
                continue;
            for (int i = 0; i < 3; ++i)
                p[i] = uint8_t(RoundEven(c[i] + level * (p[i] - c[i])));
        }
    }
}

void GrayBmpExceptColor(const ui::PixelView& bmp, uint32_t color)
{
    if (bmp.Format() != ui::pf24bit)
        return;
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* p = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x, p += 3) {
            if (RgbOf(p) == color)
                continue;
            const uint8_t grey = uint8_t((p[0] + p[1] + p[2]) / 3);
            p[0] = p[1] = p[2] = grey;
        }
    }
}

void CopyMaskedOverBg(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const ui::PixelView& src,
                      const BgSource& bg, bool updateCorners)
{
    const int ds = PixelSize(dst), ss = PixelSize(src);
    if (ds == 0 || ss == 0)
        return;
    // A 24-bit image keeps its mask in its lower half: only the upper half holds pictures.
    const int maskOffset = ss == 3 ? src.Height() / 2 : 0;
    const int srcHeight = ss == 3 ? src.Height() - maskOffset : src.Height();
    CopySpan span;
    if (!ClipCopySpan(dstRect, srcRect, dst.Width(), dst.Height(), src.Width(), srcHeight, span))
        return;
    for (int row = 0; row < span.Height; ++row) {
        const int sy = span.SrcY + row, dy = span.DstY + row;
        const uint8_t* s = src.Row(sy) + ptrdiff_t(span.SrcX) * ss;
        const uint8_t* m = ss == 3 ? src.Row(sy + maskOffset) + ptrdiff_t(span.SrcX) * 3 : nullptr;
        uint8_t* d = dst.Row(dy) + ptrdiff_t(span.DstX) * ds;
        for (int col = 0; col < span.Width; ++col, s += ss, d += ds) {
            if (bg.Ready && RgbOf(s) == 0xFF00FF) {
                if (updateCorners)
                    PutBackgroundPixel(bg, span.DstX + col, dy, d, ds == 4);
                continue;
            }
            if (ss == 3) {
                const uint8_t* mp = m + ptrdiff_t(col) * 3;
                for (int i = 0; i < 3; ++i)
                    d[i] = uint8_t(s[i] + (((d[i] - s[i]) * mp[i]) >> 8));
            } else {
                const int a = s[3];
                for (int i = 0; i < 3; ++i)
                    d[i] = uint8_t(d[i] + (((s[i] - d[i]) * a) >> 8));
            }
            if (ds == 4)
                d[3] = 0xFF;
        }
    }
}

void MultiplyMaskToColor(const ui::PixelView& bmp, const ui::PixelView& mask, uint32_t color)
{
    if (bmp.Format() != ui::pf24bit || mask.Format() != ui::pf24bit || bmp.Width() != mask.Width() ||
        bmp.Height() != mask.Height() || !bmp.Valid())
        return;
    const int c[3] = {int(color >> 16 & 0xFF), int(color >> 8 & 0xFF), int(color & 0xFF)};
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* p = bmp.Row(y);
        const uint8_t* m = mask.Row(y);
        for (int i = 0; i < bmp.Width() * 3; ++i)
            p[i] = uint8_t(c[i % 3] + (((p[i] - c[i % 3]) * m[i]) >> 8));
    }
}

void MixBmpsTo32(const ui::PixelView& dst, const ui::PixelView& a, const ui::PixelView& b, uint16_t level,
                 const ui::PixelView* mask)
{
    if (dst.Format() != ui::pf32bit || a.Format() != ui::pf24bit || b.Format() != ui::pf24bit || !a.Valid() ||
        a.Width() != b.Width() || a.Height() != b.Height())
        return;
    if (mask && (mask->Format() != ui::pf24bit || mask->Width() < a.Width() || mask->Height() < a.Height()))
        return;
    const int w = std::min(a.Width(), dst.Width()), h = std::min(a.Height(), dst.Height());
    for (int y = 0; y < h; ++y) {
        const uint8_t* pa = a.Row(y);
        const uint8_t* pb = b.Row(y);
        const uint8_t* pm = mask ? mask->Row(y) : nullptr;
        uint8_t* d = dst.Row(y);
        for (int x = 0; x < w; ++x, pa += 3, pb += 3, d += 4)
            for (int i = 0; i < 3; ++i) {
                const int weight = pm ? pm[x * 3 + i] : level;
                d[i] = uint8_t(pb[i] + (((pa[i] - pb[i]) * weight) >> 8));
            }
    }
}

} // namespace skin
