// Benchmark of the skin engine's alpha drawing and resampling on 1024 x 1024 DIB sections, each
// against yardsticks timed in the same run:
// - DrawAlphaBmp of a 32-bit image over a 24-bit picture against a straightforward scalar loop of the
//   same formula and against the system's AlphaBlend (premultiplied source, per-pixel alpha);
// - ResampleBmp with kernel 6, 1 MP down to 0.25 MP and back, against a plain floating-point two-pass
//   resampler with the same kernel and against StretchBlt in HALFTONE mode (printed for reference:
//   under Wine it samples points).
// Each figure is the median of the rounds; the rounds alternate the candidates so that a change in
// the machine's load weighs on all of them. Run under Wine:
//   scripts/wine-run build/win/bench/blend_bench.exe [rounds]
#include "skin/engine/graphutils.h"

#include "bench/timing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kSide = 1024;

using bench::Median;
using bench::Seconds;

// A picture with some structure, so that no branch is always taken the same way.
void Pattern(ui::Bitmap& bmp, bool alpha)
{
    ui::PixelView v = bmp.Pixels();
    uint32_t seed = 12345;
    for (int y = 0; y < v.Height(); ++y)
        for (int x = 0; x < v.Width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t a = alpha ? ((x + y) & 0xFF) : 0xFF;
            v.WritePixel(x, y, (seed >> 8 & 0xFFFFFF) | a << 24);
        }
}

// The formula of DrawAlphaBmp (opaque blend, no key) written as the obvious per-pixel loop.
void ScalarAlpha(ui::Bitmap& dst, ui::Bitmap& src)
{
    ui::PixelView d = dst.Pixels(), s = src.Pixels();
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) {
            uint8_t* dp = d.PixelAddress(x, y);
            const uint8_t* sp = s.PixelAddress(x, y);
            const int a = sp[3];
            for (int i = 0; i < 3; ++i)
                dp[i] = uint8_t(dp[i] + (((sp[i] - dp[i]) * a) >> 8));
        }
}

// A plain two-pass resampler in floating point with the same kernel and mirrored edges.
void FloatResample(ui::Bitmap& src, ui::Bitmap& dst, int newWidth, int newHeight)
{
    const int ps = 3;
    ui::PixelView s = src.Pixels();
    auto pass = [](int oldSize, int newSize, auto&& read, auto&& write) {
        const double scale = newSize < oldSize ? double(newSize) / oldSize : 1.0;
        const double width = 2.0 / scale;
        for (int i = 0; i < newSize; ++i) {
            const double center = double(oldSize) * i / newSize;
            double sum[3] = {0, 0, 0};
            for (int j = int(std::floor(center - width)); j <= int(std::ceil(center + width)); ++j) {
                const double x = std::fabs(center - j) * scale;
                if (x >= 2)
                    continue;
                const double v = skin::KernelValue(6, x) * scale;
                const int k = std::clamp(j < 0 ? -j : j >= oldSize ? 2 * oldSize - 1 - j : j, 0, oldSize - 1);
                const uint8_t* p = read(k);
                for (int c = 0; c < 3; ++c)
                    sum[c] += v * p[c];
            }
            uint8_t out[3];
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t(std::clamp(sum[c], 0.0, 255.0));
            write(i, out);
        }
    };
    std::vector<uint8_t> temp(size_t(newWidth) * s.Height() * ps);
    for (int y = 0; y < s.Height(); ++y)
        pass(
            s.Width(), newWidth, [&](int k) { return s.PixelAddress(k, y); },
            [&](int i, const uint8_t* px) { std::copy(px, px + 3, &temp[(size_t(y) * newWidth + i) * ps]); });
    dst.SetPixelFormat(ui::pf24bit);
    dst.SetSize(newWidth, newHeight);
    ui::PixelView d = dst.Pixels();
    for (int x = 0; x < newWidth; ++x)
        pass(
            s.Height(), newHeight, [&](int k) { return &temp[(size_t(k) * newWidth + x) * ps]; },
            [&](int i, const uint8_t* px) { std::copy(px, px + 3, d.PixelAddress(x, i)); });
}

void HalftoneResample(ui::Bitmap& src, ui::Bitmap& dst, int newWidth, int newHeight)
{
    dst.SetPixelFormat(ui::pf24bit);
    dst.SetSize(newWidth, newHeight);
    HDC dc = dst.Canvas().Handle();
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, newWidth, newHeight, src.Canvas().Handle(), 0, 0, src.Width(), src.Height(), SRCCOPY);
    GdiFlush();
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    skin::InitSkinEngine();
    ui::Bitmap image(kSide, kSide, ui::pf32bit), base(kSide, kSide, ui::pf24bit), target(kSide, kSide, ui::pf24bit);
    Pattern(image, true);
    Pattern(base, false);
    // AlphaBlend wants premultiplied colours.
    ui::Bitmap premultiplied;
    premultiplied.Assign(image);
    {
        ui::PixelView v = premultiplied.Pixels();
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                uint8_t* p = v.PixelAddress(x, y);
                for (int i = 0; i < 3; ++i)
                    p[i] = uint8_t(p[i] * p[3] / 255);
            }
    }
    auto reset = [&] { target.Assign(base); };
    std::vector<double> ours, scalar, gdi;
    const skin::Rect all{0, 0, kSide, kSide};
    for (int r = 0; r < rounds; ++r) {
        reset();
        ours.push_back(Seconds([&] {
            skin::DrawAlphaBmp(all, all, &target, &image, skin::EmptyCacheInfo, false, skin::NoColorize, 0, false);
        }));
        reset();
        scalar.push_back(Seconds([&] { ScalarAlpha(target, image); }));
        reset();
        gdi.push_back(Seconds([&] {
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(target.Canvas().Handle(), 0, 0, kSide, kSide, premultiplied.Canvas().Handle(), 0, 0, kSide, kSide,
                       blend);
            GdiFlush();
        }));
    }
    const double mOurs = Median(ours), mScalar = Median(scalar), mGdi = Median(gdi);
    std::printf("DrawAlphaBmp 32 over 24, %dx%d: %.2f ms; scalar loop %.2f ms; AlphaBlend %.2f ms\n", kSide, kSide,
                mOurs * 1e3, mScalar * 1e3, mGdi * 1e3);
    std::printf("  ratio to scalar loop %.2f (target <= 1.2), to AlphaBlend %.2f (target <= 0.5)\n", mOurs / mScalar,
                mOurs / mGdi);

    ui::Bitmap picture(kSide, kSide, ui::pf24bit), small, back;
    Pattern(picture, false);
    std::vector<double> rOurs, rFloat, rHalftone;
    for (int r = 0; r < rounds; ++r) {
        rOurs.push_back(Seconds([&] {
            skin::ResampleBmp(&picture, &small, kSide / 2, kSide / 2, 6);
            skin::ResampleBmp(&small, &back, kSide, kSide, 6);
        }));
        rFloat.push_back(Seconds([&] {
            FloatResample(picture, small, kSide / 2, kSide / 2);
            FloatResample(small, back, kSide, kSide);
        }));
        rHalftone.push_back(Seconds([&] {
            HalftoneResample(picture, small, kSide / 2, kSide / 2);
            HalftoneResample(small, back, kSide, kSide);
        }));
    }
    const double qOurs = Median(rOurs), qFloat = Median(rFloat), qHalftone = Median(rHalftone);
    std::printf("ResampleBmp kind 6, 1 MP to 0.25 MP and back: %.2f ms; float two-pass %.2f ms; StretchBlt HALFTONE "
                "%.2f ms (reference)\n",
                qOurs * 1e3, qFloat * 1e3, qHalftone * 1e3);
    std::printf("  ratio to float two-pass %.2f (target <= 0.5)\n", qOurs / qFloat);
    skin::DoneSkinEngine();
    return 0;
}
