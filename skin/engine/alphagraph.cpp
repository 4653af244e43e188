// Pixel accessors, the two-bitmap blenders, fills and colour adjustments.
#include "skin/engine/alphagraph.h"

#include "ui/color.h"

#include <algorithm>
#include <cmath>

namespace skin {

int RoundEven(double value) { return int(std::nearbyint(value)); }

// ---- Accessors ----

bool TacFast::Attach(const ui::PixelView& view)
{
    FView = ui::PixelView();
    FWidth = FHeight = 0;
    if (!view.Valid() || view.Width() <= 1 || view.Height() <= 1 || ui::BitsPerPixel(view.Format()) < FPixelSize * 8)
        return false;
    FView = view;
    FWidth = view.Width();
    FHeight = view.Height();
    return true;
}

uint32_t TacFast::ReadPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return 0;
    const uint8_t* p = Address(x, y);
    uint32_t value = ui::RGBValue(p[2], p[1], p[0]);
    if (FPixelSize == 4)
        value |= uint32_t(p[3]) << 24;
    return value;
}

void TacFast::WritePixel(int x, int y, uint32_t value)
{
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return;
    uint8_t* p = Address(x, y);
    p[0] = uint8_t(value >> 16);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value);
    if (FPixelSize == 4)
        p[3] = uint8_t(value >> 24);
}

void TacFast32::FillRect(const Rect& r, uint32_t value)
{
    const int left = std::max(r.Left, 0), right = std::min(r.Right, FWidth);
    const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, FHeight);
    for (int y = top; y < bottom && left < right; ++y)
        FillDwords(reinterpret_cast<uint32_t*>(Address(left, y)), right - left, value);
}

void TacFast32::FillBitmap(uint32_t color) { FillRect(Rect{0, 0, FWidth, FHeight}, ColorToOpaquePixel(color)); }

void FillDwords(uint32_t* start, int count, uint32_t value)
{
    for (int i = 0; i < count; ++i)
        start[i] = value;
}

void FillRect32Opaque(const ui::PixelView& view, const Rect& r, uint32_t color)
{
    TacFast32 fast;
    if (fast.Attach(view))
        fast.FillRect(r, ColorToOpaquePixel(color));
}

// ---- Blenders ----

bool TacFastSum::Attach(const ui::PixelView& src, const ui::PixelView& dst)
{
    FSrc = FDst = ui::PixelView();
    FWidthDst = FHeightDst = 0;
    auto usable = [this](const ui::PixelView& v) {
        return v.Valid() && v.Width() >= 2 && v.Height() >= 2 && ui::BitsPerPixel(v.Format()) == FPixelSize * 8;
    };
    if (!usable(src) || !usable(dst))
        return false;
    FSrc = src;
    FDst = dst;
    FWidthDst = std::min(src.Width(), dst.Width());
    FHeightDst = std::min(src.Height(), dst.Height());
    return true;
}

void TacFastSum::BlendRow(uint8_t* dst, const uint8_t* src, int pixels) const
{
    const unsigned a = Alpha, b = 255u - Alpha;
    const int bytes = pixels * FPixelSize;
    for (int i = 0; i < bytes; ++i)
        dst[i] = uint8_t((dst[i] * a + src[i] * b + 127u) >> 8);
}

void TacFastSum::BlendBitmaps()
{
    for (int y = FHeightDst - 1; y >= 0; --y)
        BlendRow(FDst.Row(y), FSrc.Row(y), FWidthDst);
}

void TacFastSum::BlendBitmapsRect()
{
    if (!FDst.Valid())
        return;
    // Columns: x in [DstX1, DstX2) with x - DstX1 + SrcX1 inside the source; rows likewise, bottom-aligned.
    const int64_t dx = int64_t(SrcX1) - DstX1, dy = int64_t(SrcY2) - DstY2;
    const int64_t left = std::max<int64_t>({DstX1, 0, -dx});
    const int64_t right = std::min<int64_t>({DstX2, FDst.Width(), FSrc.Width() - dx});
    const int64_t top = std::max<int64_t>({DstY1, 0, -dy});
    const int64_t bottom = std::min<int64_t>({DstY2, FDst.Height(), FSrc.Height() - dy});
    if (right <= left)
        return;
    for (int64_t y = bottom - 1; y >= top; --y)
        BlendRow(FDst.Row(int(y)) + left * FPixelSize, FSrc.Row(int(y + dy)) + (left + dx) * FPixelSize, int(right - left));
}

// ---- Rectangles ----

void BlendRectToColor(const ui::PixelView& view, Rect r, int percent, uint32_t color)
{
    if (!view.Valid() || view.Format() < ui::pf24bit)
        return;
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, view.Width() - 1);
    r.Bottom = std::min(r.Bottom, view.Height() - 1);
    const uint32_t c = ui::ColorToRGB(color);
    const double f = percent / 100.0, g = 1 - f;
    const double cb = g * (c >> 16 & 0xFF), cg = g * (c >> 8 & 0xFF), cr = g * (c & 0xFF);
    const int size = view.Format() == ui::pf32bit ? 4 : 3;
    for (int y = r.Top; y <= r.Bottom; ++y) {
        uint8_t* p = view.Row(y) + ptrdiff_t(r.Left) * size;
        for (int x = r.Left; x <= r.Right; ++x, p += size) {
            p[0] = uint8_t(RoundEven(f * p[0] + cb));
            p[1] = uint8_t(RoundEven(f * p[1] + cg));
            p[2] = uint8_t(RoundEven(f * p[2] + cr));
        }
    }
}

void BlendBmpRect(const ui::PixelView& dst, const ui::PixelView& src, uint8_t alpha, int x, int y, Rect srcRect)
{
    if (!dst.Valid() || !src.Valid())
        return;
    // A negative destination position cuts the source's start; a negative source start moves the
    // destination (and cuts again should the destination then still start before 0).
    auto clip = [](int& pos, int& start) {
        if (pos < 0) {
            start -= pos;
            pos = 0;
        }
        if (start < 0) {
            pos -= start;
            start = 0;
            if (pos < 0) {
                start -= pos;
                pos = 0;
            }
        }
    };
    clip(x, srcRect.Left);
    clip(y, srcRect.Top);
    if (srcRect.Right <= srcRect.Left || srcRect.Bottom <= srcRect.Top || x >= dst.Width() || y >= dst.Height() ||
        srcRect.Left >= src.Width() || srcRect.Top >= src.Height())
        return;
    srcRect.Right = std::min(srcRect.Right, src.Width());
    srcRect.Bottom = std::min(srcRect.Bottom, src.Height());
    if (int64_t(x) + RectWidth(srcRect) > dst.Width())
        srcRect.Right = dst.Width() - x + srcRect.Left;
    if (int64_t(y) + RectHeight(srcRect) > dst.Height())
        srcRect.Bottom = dst.Height() - y + srcRect.Top;
    const int w = RectWidth(srcRect), h = RectHeight(srcRect);
    if (w <= 0 || h <= 0 || dst.Format() != src.Format())
        return;
    TacFastSum24 sum24;
    TacFastSum32 sum32;
    TacFastSum* sum = dst.Format() == ui::pf32bit ? static_cast<TacFastSum*>(&sum32) : &sum24;
    if (dst.Format() != ui::pf32bit && dst.Format() != ui::pf24bit)
        return;
    if (!sum->Attach(src, dst))
        return;
    sum->Alpha = alpha;
    sum->DstX1 = x;
    sum->DstY1 = y;
    sum->DstX2 = x + w;
    sum->DstY2 = y + h;
    sum->SrcX1 = srcRect.Left;
    sum->SrcY1 = srcRect.Top;
    sum->SrcX2 = srcRect.Left + w;
    sum->SrcY2 = srcRect.Top + h;
    sum->BlendBitmapsRect();
}

void BlendSameSizeBmps(const ui::PixelView& dst, const ui::PixelView& src, uint8_t alpha)
{
    if (dst.Width() != src.Width() || dst.Height() != src.Height())
        return;
    TacFastSum24 sum;
    if (!sum.Attach(src, dst))
        return;
    sum.Alpha = alpha;
    sum.DstX2 = sum.SrcX2 = dst.Width();
    sum.DstY2 = sum.SrcY2 = dst.Height();
    sum.BlendBitmapsRect();
}

// ---- Colours ----

uint32_t ChangeSaturation(uint32_t color, int delta)
{
    if (delta == 0)
        return color;
    const int channel[3] = {int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF)};
    const double m = (channel[0] + channel[1] + channel[2]) / 3.0;
    uint32_t result = 0;
    for (int i = 0; i < 3; ++i) {
        const int v = ClampByte(RoundEven(channel[i] + delta * (m - channel[i]) / 100.0));
        result |= uint32_t(v) << (8 * i);
    }
    return result;
}

uint32_t ShiftHue(int offset, uint32_t color)
{
    const uint32_t c = ui::ColorToRGB(color);
    const int r = int(c & 0xFF), g = int(c >> 8 & 0xFF), b = int(c >> 16 & 0xFF);
    const int v = std::max({r, g, b});
    const double d = v - std::min({r, g, b});
    const double s = v == 0 ? 0 : d / v;
    if (s == 0)
        return c & 0xFFFFFF;
    double h;
    if (r == v)
        h = 60 * (g - b) / d;
    else if (g == v)
        h = 120 + 60 * (b - r) / d;
    else
        h = 240 + 60 * (r - g) / d;
    if (h < 0)
        h += 360;
    // A negative offset turns backwards: the remainder is brought into 0..359 so that its sector exists.
    int h2 = RoundEven(h + offset) % 360;
    if (h2 < 0)
        h2 += 360;
    const int k = int(std::trunc(h2 / 60.0));
    const double t = h2 / 60.0 - k;
    auto clamp = [](double x) { return x < 0 ? 0.0 : x > 255 ? 255.0 : x; };
    const double V = v;
    const double p = clamp(V * (1 - s)), q = clamp(V * (1 - t * s)), u = clamp(V * (1 - (1 - t) * s));
    double rr, gg, bb;
    switch (k) {
    case 0: rr = V, gg = u, bb = p; break;
    case 1: rr = q, gg = V, bb = p; break;
    case 2: rr = p, gg = V, bb = u; break;
    case 3: rr = p, gg = q, bb = V; break;
    case 4: rr = u, gg = p, bb = V; break;
    default: rr = V, gg = p, bb = q; break;
    }
    return ui::RGBValue(uint8_t(RoundEven(rr)), uint8_t(RoundEven(gg)), uint8_t(RoundEven(bb)));
}

} // namespace skin
