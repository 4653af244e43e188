// Alpha drawing, channel moves and the two-pass resampler.
#include "skin/engine/alphaimage.h"

#include "skin/engine/alphagraph.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace skin {
namespace {

constexpr uint32_t kKeyPixel = 0x00FF00FF; // the key colour as a whole 32-bit pixel (alpha 0)

uint32_t DwordOf(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

int PixelSize(const ui::PixelView& view)
{
    return view.Format() == ui::pf32bit ? 4 : view.Format() == ui::pf24bit ? 3 : 0;
}

void Tint(const ui::PixelView& src, const CopySpan& span, uint32_t color)
{
    const int k[3] = {int(color >> 16 & 0xFF), int(color >> 8 & 0xFF), int(color & 0xFF)};
    for (int row = 0; row < span.Height; ++row) {
        uint8_t* s = src.Row(span.SrcY + row) + ptrdiff_t(span.SrcX) * 4;
        for (int col = 0; col < span.Width; ++col, s += 4) {
            if (DwordOf(s) == kKeyPixel)
                continue;
            const int grey = (s[0] + s[1] + s[2]) / 3;
            for (int i = 0; i < 3; ++i)
                s[i] = uint8_t(std::min(255, RoundEven(grey * k[i] / 255.0)));
        }
    }
}

} // namespace

void DrawAlphaBmp(Rect dstRect, Rect srcRect, const ui::PixelView& dst, const ui::PixelView& src, const BgSource& bg,
                  bool updateCorners, uint32_t colorizeColor, int blendPercent, bool reflected)
{
    const int ds = PixelSize(dst);
    if (ds == 0 || src.Format() != ui::pf32bit || !src.Valid())
        return;
    CopySpan span;
    if (!ClipCopySpan(dstRect, srcRect, dst.Width(), dst.Height(), src.Width(), src.Height(), span))
        return;
    if (colorizeColor != NoColorize)
        Tint(src, span, colorizeColor);
    const bool blended = blendPercent > 0;
    for (int row = 0; row < span.Height; ++row) {
        const int dy = span.DstY + row;
        const uint8_t* s = src.Row(span.SrcY + row) + ptrdiff_t(span.SrcX) * 4;
        uint8_t* d = dst.Row(dy) + ptrdiff_t(span.DstX) * ds;
        for (int col = 0; col < span.Width; ++col, s += 4, d += ds) {
            if (bg.Ready && DwordOf(s) == kKeyPixel) {
                if (updateCorners)
                    PutBackgroundPixel(bg, span.DstX + col, dy, d, false);
                continue;
            }
            const int w = blended ? uint8_t((100 - blendPercent) * s[3] / 100) : s[3];
            d[0] = uint8_t(d[0] + (((s[0] - d[0]) * w) >> 8));
            d[1] = uint8_t(d[1] + (((s[1] - d[1]) * w) >> 8));
            d[2] = uint8_t(d[2] + (((s[2] - d[2]) * w) >> 8));
        }
    }
    // The image mirrored upward below the drawn area, fading out; a source under two rows has none.
    const int half = src.Height() / 2;
    if (!reflected || half < 1)
        return;
    const int dstBottom = span.DstY + span.Height, srcBottom = span.SrcY + span.Height;
    const int rows = std::min(half, dst.Height() - dstBottom - 1);
    const int drop = 255 / half;
    int level = 255;
    for (int k = 1; k <= rows; ++k, level -= drop) {
        const int sy = srcBottom - k - 1;
        if (sy < 0)
            break;
        const uint8_t* s = src.Row(sy) + ptrdiff_t(span.SrcX) * 4;
        uint8_t* d = dst.Row(dstBottom + k) + ptrdiff_t(span.DstX) * ds;
        for (int col = 0; col < span.Width; ++col, s += 4, d += ds) {
            if (DwordOf(s) == kKeyPixel)
                continue;
            const int a = s[3];
            int w = blended ? (100 - blendPercent) * a / 300 * level / 255 : level * (a / 3) / 255;
            w = std::max(w, 0);
            for (int i = 0; i < 3; ++i)
                d[i] = uint8_t(d[i] + (((s[i] - d[i]) * w) >> 8));
        }
    }
}

void CopyChannel(const ui::PixelView& bmp32, const ui::PixelView& bmp8, int channelIndex, bool extract)
{
    if (bmp32.Format() != ui::pf32bit || bmp8.Format() != ui::pf8bit || channelIndex < 0 || channelIndex > 3)
        return;
    const int w = std::min(bmp32.Width(), bmp8.Width()), h = std::min(bmp32.Height(), bmp8.Height());
    for (int y = 0; y < h; ++y) {
        uint8_t* p = bmp32.Row(y) + channelIndex;
        uint8_t* b = bmp8.Row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            if (extract)
                b[x] = *p;
            else
                *p = b[x];
        }
    }
}

// ---- Resampling ----

double KernelSupport(int kind)
{
    static const double support[7] = {0.51, 1.0, 1.0, 1.5, 2.0, 3.0, 2.0};
    return support[std::clamp(kind, 0, 6)];
}

double KernelValue(int kind, double x)
{
    switch (std::clamp(kind, 0, 6)) {
    case 0: return 1; // the box: the caller decides by the signed distance
    case 1: return 1 - x;
    case 2: return x * x * (2 * x - 3) + 1;
    case 3: return x < 0.5 ? 0.75 - x * x : 0.5 * (x - 1.5) * (x - 1.5);
    case 4: return x < 1 ? x * x * (x / 2 - 1) + 2.0 / 3 : (2 - x) * (2 - x) * (2 - x) / 6;
    case 5: {
        if (x == 0)
            return 1;
        const double pi = std::numbers::pi;
        return std::sin(pi * x) * std::sin(x) / (pi * x * x);
    }
    default:
        return x < 1 ? x * x * (7.0 / 6 * x - 2) + 8.0 / 9 : x * x * (-7.0 / 18 * x + 2) - 10.0 / 3 * x + 16.0 / 9;
    }
}

void MakeContributors(TContributorList& list, int newSize, int oldSize, int stride, int kind)
{
    FreeContributors(list);
    if (newSize <= 0 || oldSize <= 0)
        return;
    const double support = KernelSupport(kind);
    const double scale = newSize < oldSize ? double(newSize) / oldSize : 1.0;
    const double width = support / scale;
    list.First.reserve(size_t(newSize) + 1);
    list.Items.reserve(size_t(newSize) * size_t(std::trunc(width * 2 + 1) + 1));
    for (int i = 0; i < newSize; ++i) {
        list.First.push_back(int(list.Items.size()));
        const double center = double(oldSize) * i / newSize;
        const int from = int(std::floor(center - width)), to = int(std::ceil(center + width));
        for (int j = from; j <= to; ++j) {
            const double t = (center - j) * scale;
            const double x = std::fabs(t);
            if (x >= support)
                continue;
            if (std::clamp(kind, 0, 6) == 0 && !(t > -0.5 && t <= 0.5))
                continue;
            const double v = KernelValue(kind, x);
            if (v == 0)
                continue;
            int k = j;
            // Mirrored back into the source; a narrow source may need a second mirror and a clamp.
            for (int pass = 0; pass < 2 && (k < 0 || k >= oldSize); ++pass)
                k = k < 0 ? -k : 2 * oldSize - 1 - k;
            k = std::clamp(k, 0, oldSize - 1);
            list.Items.push_back(TContributor{stride * k, int(std::nearbyint(v * scale * 65536))});
        }
    }
    list.First.push_back(int(list.Items.size()));
}

void FreeContributors(TContributorList& list)
{
    list.First.clear();
    list.Items.clear();
}

namespace {

inline uint8_t FixedToByte(int sum) { return sum < 0 ? 0 : sum < 0xFF0001 ? uint8_t(sum >> 16) : 255; }

// One output line of the horizontal pass.
template <int N>
void FilterRow(const uint8_t* src, uint8_t* out, const TContributorList& list, int count)
{
    for (int i = 0; i < count; ++i, out += N) {
        int sum[N] = {};
        const TContributor* c = list.Of(i);
        for (int n = list.Count(i); n > 0; --n, ++c) {
            const uint8_t* p = src + c->Pixel;
            for (int k = 0; k < N; ++k)
                sum[k] += c->Weight * p[k];
        }
        for (int k = 0; k < N; ++k)
            out[k] = FixedToByte(sum[k]);
    }
}

} // namespace

void ResamplePixels(const ui::PixelView& src, const ui::PixelView& dst, int kind)
{
    if (!src.Valid() || src.Width() < 2 || src.Height() < 2)
        throw core::Exception(u"Source bitmap is too small");
    const int ps = PixelSize(src);
    if (ps == 0 || dst.Format() != src.Format() || !dst.Valid())
        return;
    const int newWidth = dst.Width(), newHeight = dst.Height();
    // Horizontal pass into a temporary as high as the source.
    ui::PixelBuffer temp(newWidth, src.Height(), src.Format());
    ui::PixelView tv = temp.View();
    TContributorList list;
    MakeContributors(list, newWidth, src.Width(), ps, kind);
    for (int y = 0; y < src.Height(); ++y) {
        if (ps == 3)
            FilterRow<3>(src.Row(y), tv.Row(y), list, newWidth);
        else
            FilterRow<4>(src.Row(y), tv.Row(y), list, newWidth);
    }
    // Vertical pass, a whole output row at a time: the same sums as walking each column, in the
    // order the rows lie in memory.
    MakeContributors(list, newHeight, src.Height(), 1, kind);
    const int bytes = newWidth * ps;
    std::vector<int> sum(size_t(bytes), 0);
    for (int i = 0; i < newHeight; ++i) {
        std::fill(sum.begin(), sum.end(), 0);
        const TContributor* c = list.Of(i);
        for (int n = list.Count(i); n > 0; --n, ++c) {
            const uint8_t* p = tv.Row(c->Pixel);
            const int w = c->Weight;
            int* s = sum.data();
            for (int k = 0; k < bytes; ++k)
                s[k] += w * p[k];
        }
        uint8_t* out = dst.Row(i);
        for (int k = 0; k < bytes; ++k)
            out[k] = FixedToByte(sum[size_t(k)]);
    }
}

} // namespace skin
