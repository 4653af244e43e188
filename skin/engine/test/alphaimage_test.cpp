// Alpha drawing with tint, blend, key and reflection; channel moves; the resampler's kernels.
#include "skin/engine/alphaimage.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

ui::PixelBuffer Filled(int w, int h, ui::PixelFormat f, uint32_t value)
{
    ui::PixelBuffer b(w, h, f);
    b.View().Fill(b.View().Bounds(), value);
    return b;
}

TEST(DrawAlphaBmp, WeightsTintsAndKeys)
{
    struct Case {
        const char* name;
        uint32_t src;     // $AABBGGRR
        uint32_t colorize;
        int blendPercent;
        bool bgReady;
        uint32_t expect;  // destination over black
    } cases[] = {
        {"opaque white", 0xFFFFFFFF, NoColorize, 0, false, 0xFEFEFE},
        {"transparent", 0x00FFFFFF, NoColorize, 0, false, 0x000000},
        {"blend 50", 0xFFFFFFFF, NoColorize, 50, false, 0x7E7E7E}, // w 127: floor(255 x 127 / 256)
        {"red tint of white", 0xFFFFFFFF, 0x0000FF, 0, false, 0x0000FE},
        {"red tint of black", 0xFF000000, 0x0000FF, 0, false, 0x000000},
        {"key over ready background", 0x00FF00FF, NoColorize, 0, true, 0x00AA00},
        {"key without background", 0x00FF00FF, NoColorize, 0, false, 0x000000},
    };
    ui::PixelBuffer bg = Filled(8, 8, ui::pf24bit, 0x00AA00);
    for (const Case& c : cases) {
        ui::PixelBuffer src = Filled(2, 2, ui::pf32bit, c.src), dst = Filled(3, 3, ui::pf24bit, 0);
        BgSource background{bg.View(), 1, 1, c.bgReady};
        DrawAlphaBmp({1, 1, 3, 3}, {0, 0, 2, 2}, dst.View(), src.View(), background, true, c.colorize, c.blendPercent,
                     false);
        EXPECT_EQ(dst.View().ReadPixel(2, 2), c.expect) << c.name;
        EXPECT_EQ(dst.View().ReadPixel(0, 0), 0u) << c.name;
    }
    // The tint changes the source itself.
    ui::PixelBuffer src = Filled(2, 2, ui::pf32bit, 0xFFFFFFFF), dst = Filled(2, 2, ui::pf24bit, 0);
    DrawAlphaBmp({0, 0, 2, 2}, {0, 0, 2, 2}, dst.View(), src.View(), BgSource{}, false, 0x0000FF, 0, false);
    EXPECT_EQ(src.View().ReadPixel(0, 0), 0xFF0000FFu);
}

TEST(DrawAlphaBmp, OverlapOfNegativeRectangles)
{
    ui::PixelBuffer src(4, 2, ui::pf32bit), dst = Filled(4, 2, ui::pf24bit, 0);
    for (int x = 0; x < 4; ++x)
        src.View().WritePixel(x, 0, 0xFF000000u | uint32_t(x * 50));
    DrawAlphaBmp({-1, 0, 3, 1}, {0, 0, 4, 1}, dst.View(), src.View(), BgSource{}, false, NoColorize, 0, false);
    // dst column 0 takes source column 1; three columns drawn.
    EXPECT_EQ(dst.View().ReadPixel(0, 0), uint32_t(50 * 255 / 256));
    EXPECT_EQ(dst.View().ReadPixel(2, 0), uint32_t(150 * 255 / 256));
    EXPECT_EQ(dst.View().ReadPixel(3, 0), 0u);
}

TEST(DrawAlphaBmp, ReflectionFadesOverHalfTheSource)
{
    ui::PixelBuffer src = Filled(2, 4, ui::pf32bit, 0xFFFFFFFF), dst = Filled(2, 8, ui::pf24bit, 0);
    DrawAlphaBmp({0, 0, 2, 4}, {0, 0, 2, 4}, dst.View(), src.View(), BgSource{}, false, NoColorize, 0, true);
    EXPECT_EQ(dst.View().ReadPixel(0, 3), 0xFEFEFEu);
    EXPECT_EQ(dst.View().ReadPixel(0, 5), 0x545454u); // level 255: w 85, (255 x 85) >> 8 = 84
    EXPECT_EQ(dst.View().ReadPixel(1, 6), 0x292929u); // level 128: w 42, 41
    EXPECT_EQ(dst.View().ReadPixel(0, 7), 0u);        // half the source's height only
    // A source of one row has no reflection (and nothing to divide by).
    ui::PixelBuffer flat = Filled(2, 1, ui::pf32bit, 0xFFFFFFFF), below = Filled(2, 4, ui::pf24bit, 0);
    DrawAlphaBmp({0, 0, 2, 1}, {0, 0, 2, 1}, below.View(), flat.View(), BgSource{}, false, NoColorize, 0, true);
    EXPECT_EQ(below.View().ReadPixel(0, 0), 0xFEFEFEu);
    EXPECT_EQ(below.View().ReadPixel(0, 2), 0u);
}

TEST(CopyChannel, ExtractAndPutBack)
{
    ui::PixelBuffer b32 = Filled(3, 2, ui::pf32bit, 0x7F102030), b8(3, 2, ui::pf8bit);
    CopyChannel(b32.View(), b8.View(), 3, true);
    EXPECT_EQ(b8.View().ReadPixel(2, 1), 0x7Fu);
    b8.View().WritePixel(0, 0, 0x11);
    CopyChannel(b32.View(), b8.View(), 0, false);
    EXPECT_EQ(b32.View().ReadPixel(0, 0), 0x7F112030u); // channel 0 is blue
    EXPECT_EQ(b32.View().ReadPixel(1, 0), 0x7F7F2030u);
}

TEST(Resample, TwoByTwoToOneWithTheTentKernel)
{
    ui::PixelBuffer src(2, 2, ui::pf24bit), dst(1, 1, ui::pf24bit);
    src.View().WritePixel(1, 0, 100);
    src.View().WritePixel(0, 1, 50);
    src.View().WritePixel(1, 1, 201);
    ResamplePixels(src.View(), dst.View(), 1);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 87u); // rows 50 and floor(125.5), then floor(87.5)
}

TEST(Resample, SameSizeCopiesAndUpscalingUsesTheKernelUnscaled)
{
    ui::PixelBuffer src(2, 2, ui::pf32bit), same(2, 2, ui::pf32bit), wide(4, 2, ui::pf32bit);
    src.View().WritePixel(0, 0, 0x40000000);
    src.View().WritePixel(1, 0, 0xFF0000C8);
    src.View().WritePixel(1, 1, 0x12345678);
    ResamplePixels(src.View(), same.View(), 1);
    EXPECT_EQ(same.Bytes(), src.Bytes());
    ResamplePixels(src.View(), wide.View(), 1);
    EXPECT_EQ(wide.View().ReadPixel(1, 0), 0x9F000064u); // halfway, alpha too
    EXPECT_EQ(wide.View().ReadPixel(0, 0), 0x40000000u);
}

TEST(Resample, EveryKernelShrinksSmallSourcesInside)
{
    for (int kind = 0; kind <= 6; ++kind)
        for (int side : {2, 3}) {
            ui::PixelBuffer src = Filled(side, side, ui::pf24bit, 0x646464), dst(1, 1, ui::pf24bit);
            ResamplePixels(src.View(), dst.View(), kind);
            if (kind == 5)
                continue; // its weights do not add up to one (checked by the sanitizers only)
            const uint32_t v = dst.View().ReadPixel(0, 0) & 0xFF;
            EXPECT_NEAR(int(v), 100, 2) << "kind " << kind << " side " << side;
        }
}

TEST(Resample, SourceTooSmall)
{
    ui::PixelBuffer src(1, 5, ui::pf24bit), dst(2, 2, ui::pf24bit);
    try {
        ResamplePixels(src.View(), dst.View(), 1);
        FAIL();
    } catch (const core::Exception& e) {
        EXPECT_EQ(e.Message(), u"Source bitmap is too small");
    }
}

TEST(Resample, ContributorsMirrorAndClamp)
{
    TContributorList list;
    MakeContributors(list, 1, 2, 3, 5);
    ASSERT_EQ(list.First.size(), 2u);
    for (int i = 0; i < list.Count(0); ++i) {
        EXPECT_GE(list.Of(0)[i].Pixel, 0);
        EXPECT_LE(list.Of(0)[i].Pixel, 3);
    }
    FreeContributors(list);
    EXPECT_TRUE(list.Items.empty());
}

} // namespace
} // namespace skin
