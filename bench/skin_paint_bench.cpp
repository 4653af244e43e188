// Benchmark of the skin engine's section item painter: PaintSectionItem of a 400 x 300 item (a masked
// border mask, 50 % gradient and 50 % tiled texture over a ready parent picture) against one GDI
// AlphaBlend (per-pixel alpha) of the same area, timed in the same run. Each figure is the median of
// the rounds; the rounds alternate the two so that a change in the machine's load weighs on both.
// Run under Wine:
//   scripts/wine-run build/win/bench/skin_paint_bench.exe [rounds]
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"

#include "bench/timing.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kWidth = 400, kHeight = 300, kRepeats = 20;

using bench::Median;
using bench::Seconds;

void Pattern(ui::Bitmap& bmp, uint32_t seed, bool alpha)
{
    ui::PixelView v = bmp.Pixels();
    for (int y = 0; y < v.Height(); ++y)
        for (int x = 0; x < v.Width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t a = alpha ? ((x + y) & 0xFF) : 0;
            v.WritePixel(x, y, (seed >> 8 & 0xFFFFFF) | a << 24);
        }
}

// A skin of one section: texture "PATTERN" of 32 x 32, a two-colour gradient, a masked border of three
// states with 6-pixel borders and key-colour corners.
int MakeSkin(skin::SkinTables& t)
{
    t.MasterBitmap = std::shared_ptr<ui::Bitmap>(skin::NewBmp24(128, 128).release());
    Pattern(*t.MasterBitmap, 7, false);
    ui::PixelView master = t.MasterBitmap->Pixels();
    skin::MaskData texture;
    texture.R = skin::Rect{0, 0, 32, 32};
    texture.ImageCount = 1;
    texture.ClassName = u"ITEM";
    texture.PropertyName = u"PATTERN";
    texture.Manager = &t;
    t.ma.push_back(texture);
    skin::MaskData border;
    border.R = skin::Rect{0, 40, 96, 104}; // three 32 x 32 images over their masks
    border.ImageCount = 3;
    border.MaskType = 1;
    border.WL = border.WT = border.WR = border.WB = 6;
    border.PropertyName = u"BORDERSMASK";
    border.Manager = &t;
    for (int y = 72; y < 104; ++y)
        for (int x = 0; x < 96; ++x)
            master.WritePixel(x, y, (x % 32 < 3 || y < 75) ? 0x000000 : 0x808080);
    for (int i = 0; i < 3; ++i)
        master.WritePixel(i * 32, 40, 0xFF00FF);
    t.ma.push_back(border);
    skin::SectionData s;
    s.ClassName = u"ITEM";
    s.Color = 0x405060;
    s.ImagePercent = 50;
    s.GradientPercent = 50;
    s.GradientData = u"$FF0000;$00FF00;100;0;0;";
    skin::ParseGradientData(s.GradientData, s.GradientArray);
    s.BorderIndex = 1;
    s.ImgTL = s.ImgTR = s.ImgBL = s.ImgBR = -1;
    t.gd.push_back(s);
    t.SkinData.Active = true;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    skin::InitSkinEngine();
    skin::SkinTables t;
    const int index = MakeSkin(t);
    skin::SetDefaultManager(&t);

    auto parent = skin::NewBmp24(kWidth, kHeight);
    Pattern(*parent, 3, false);
    auto item = skin::NewBmp24(kWidth, kHeight);
    auto dst = skin::NewBmp24(kWidth, kHeight);
    Pattern(*dst, 5, false);
    // AlphaBlend takes a premultiplied 32-bit source with per-pixel alpha.
    auto src = skin::NewBmp32(kWidth, kHeight);
    Pattern(*src, 9, true);
    {
        ui::PixelView v = src->Pixels();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint8_t* p = v.PixelAddress(x, y);
                for (int c = 0; c < 3; ++c)
                    p[c] = uint8_t(p[c] * p[3] / 255);
            }
    }
    const skin::TCacheInfo ci = skin::MakeCacheInfo(parent.get(), 0, 0);
    HDC dstDC = dst->Canvas().Handle(), srcDC = src->Canvas().Handle();
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

    std::vector<double> paint, alpha;
    for (int r = 0; r < rounds; ++r) {
        paint.push_back(Seconds([&] {
            for (int i = 0; i < kRepeats; ++i)
                skin::PaintSectionItem(index, u"ITEM", ci, true, 0, skin::Rect{0, 0, kWidth, kHeight}, POINT{0, 0},
                                       item.get(), nullptr);
            GdiFlush();
        }));
        alpha.push_back(Seconds([&] {
            for (int i = 0; i < kRepeats; ++i)
                AlphaBlend(dstDC, 0, 0, kWidth, kHeight, srcDC, 0, 0, kWidth, kHeight, blend);
            GdiFlush();
        }));
    }
    const double p = Median(paint) / kRepeats, a = Median(alpha) / kRepeats;
    std::printf("PaintSectionItem 400 x 300 (masked border, 50 %% gradient, 50 %% texture): %.3f ms\n", p * 1e3);
    std::printf("AlphaBlend 400 x 300 (per-pixel alpha):                                 %.3f ms\n", a * 1e3);
    std::printf("ratio: %.2f (target at most 4)\n", p / a);
    skin::SetDefaultManager(nullptr);
    skin::DoneSkinEngine();
    return 0;
}
