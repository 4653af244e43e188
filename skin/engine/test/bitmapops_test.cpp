// Keyed copies and blends, tints, greys, masked compositions and mixes over pixel buffers.
#include "skin/engine/bitmapops.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

constexpr uint32_t kKey = 0xFF00FF;

ui::PixelBuffer Filled(int w, int h, ui::PixelFormat f, uint32_t value)
{
    ui::PixelBuffer b(w, h, f);
    b.View().Fill(b.View().Bounds(), value);
    return b;
}

// A 24-bit picture whose pixel (x, y) has red x * 10 and green y * 10.
ui::PixelBuffer Ramp(int w, int h)
{
    ui::PixelBuffer b(w, h, ui::pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.View().WritePixel(x, y, ui::RGBValue(uint8_t(x * 10), uint8_t(y * 10), 0));
    return b;
}

TEST(CopyKeyedBmp, CutsNegativeColumnsAndLeavesKeyPixels)
{
    ui::PixelBuffer src = Ramp(5, 3);
    src.View().WritePixel(3, 0, kKey);
    for (ui::PixelFormat f : {ui::pf24bit, ui::pf32bit}) {
        ui::PixelBuffer dst = Filled(6, 3, f, 0x123456);
        CopyKeyedBmp(dst.View(), src.View(), -2, 0, kKey);
        EXPECT_EQ(dst.View().ReadPixel(0, 1) & 0xFFFFFF, ui::RGBValue(20, 10, 0));
        EXPECT_EQ(dst.View().ReadPixel(1, 0) & 0xFFFFFF, 0x123456u); // key pixel left out
        EXPECT_EQ(dst.View().ReadPixel(3, 0) & 0xFFFFFF, 0x123456u); // beyond the source
        if (f == ui::pf32bit) {
            EXPECT_EQ(dst.View().ReadPixel(0, 1) >> 24, 0xFFu);
        }
    }
}

TEST(BlendRectKeyed, FormatPairsLevelsAndKeys)
{
    struct Case {
        const char* name;
        ui::PixelFormat dst, src;
        uint32_t srcValue, key;
        double level;
        uint32_t expect;
    } cases[] = {
        {"24 over 24", ui::pf24bit, ui::pf24bit, 0x0000FF, kKey, 0.4, 0x660099},  // red 153, blue 102
        {"24 into 32", ui::pf32bit, ui::pf24bit, 0x0000FF, kKey, 0.4, 0x660099},
        {"32 into 24", ui::pf24bit, ui::pf32bit, 0x800000FF, kKey, 0.4, 0x660099},
        {"level 0 copies", ui::pf24bit, ui::pf24bit, 0x0000FF, kKey, 0, 0x0000FF},
        {"level 1 keeps", ui::pf24bit, ui::pf24bit, 0x0000FF, kKey, 1, 0xFF0000},
        {"key pixel left", ui::pf24bit, ui::pf24bit, kKey, kKey, 0, 0xFF0000},
        {"key off", ui::pf24bit, ui::pf24bit, kKey, 0xFF000000, 0, kKey},
        {"32-bit key is the whole pixel", ui::pf24bit, ui::pf32bit, 0xFFFF00FF, kKey, 0, kKey},
    };
    for (const Case& c : cases) {
        ui::PixelBuffer dst = Filled(4, 4, c.dst, 0xFF0000), src = Filled(2, 2, c.src, c.srcValue);
        BlendRectKeyed(dst.View(), 1, 1, c.key, c.level, {0, 0, 1, 1}, src.View());
        EXPECT_EQ(dst.View().ReadPixel(2, 2) & 0xFFFFFF, c.expect) << c.name;
        EXPECT_EQ(dst.View().ReadPixel(3, 3) & 0xFFFFFF, 0xFF0000u) << c.name;
        if (c.dst == ui::pf32bit) {
            EXPECT_EQ(dst.View().ReadPixel(2, 2) >> 24, 0u) << c.name; // alpha untouched
        }
    }
    // A negative source corner moves the destination; positions outside it are skipped.
    ui::PixelBuffer src = Ramp(4, 4), dst = Filled(3, 3, ui::pf24bit, 0);
    BlendRectKeyed(dst.View(), 0, 0, 0xFFFFFFFF, 0, {-1, 0, 10, 10}, src.View());
    EXPECT_EQ(dst.View().ReadPixel(1, 0), ui::RGBValue(0, 0, 0));
    EXPECT_EQ(dst.View().ReadPixel(2, 2), ui::RGBValue(10, 20, 0));
}

TEST(TintBmp, LevelsAndKey)
{
    struct Case {
        ui::PixelFormat f;
        uint32_t pixel;
        double level;
        uint32_t expect;
    } cases[] = {
        {ui::pf24bit, 0x204060, 0, 0x0000FF},
        {ui::pf24bit, 0x204060, 1, 0x204060},
        {ui::pf24bit, kKey, 0, kKey},
        {ui::pf32bit, 0x7F204060, 0, 0x7F0000FF},
        {ui::pf32bit, 0x00FF00FF, 0, 0x00FF00FF}, // the whole pixel is the key
        {ui::pf32bit, 0xFFFF00FF, 0, 0xFF0000FF}, // opaque: no longer the key
    };
    for (const Case& c : cases) {
        ui::PixelBuffer b = Filled(2, 2, c.f, c.pixel);
        TintBmp(b.View(), 0x0000FF, kKey, c.level);
        EXPECT_EQ(b.View().ReadPixel(1, 1), c.expect);
    }
}

TEST(GrayBmpExceptColor, MeanOfTheChannels)
{
    ui::PixelBuffer b = Filled(2, 1, ui::pf24bit, 0x0A0B0F);
    b.View().WritePixel(1, 0, kKey);
    GrayBmpExceptColor(b.View(), kKey);
    EXPECT_EQ(b.View().ReadPixel(0, 0), 0x0C0C0Cu); // (10 + 11 + 15) div 3
    EXPECT_EQ(b.View().ReadPixel(1, 0), kKey);
}

TEST(CopyMaskedOverBg, MaskInTheLowerHalfAndBackgroundForKeys)
{
    // 2 x 4 source: pictures in rows 0-1, masks in rows 2-3.
    ui::PixelBuffer src(2, 4, ui::pf24bit);
    ui::PixelView s = src.View();
    s.WritePixel(0, 0, 0xC8C8C8);
    s.WritePixel(0, 2, 0x000000); // mask 0: the image
    s.WritePixel(1, 0, 0xC8C8C8);
    s.WritePixel(1, 2, 0x808080); // mask 128: half and half
    s.WritePixel(0, 1, kKey);
    s.WritePixel(1, 1, 0x000000);
    s.WritePixel(1, 3, 0xFFFFFF); // mask 255: nearly the destination
    ui::PixelBuffer bg = Filled(10, 10, ui::pf24bit, 0x00AA00);
    BgSource ready{bg.View(), 5, 5, true};
    struct Case {
        const char* name;
        BgSource bg;
        bool corners;
        uint32_t key;
    } cases[] = {
        {"no background", BgSource{}, true, 0x000064 + 0}, // mask 0 over a key pixel: the key itself
        {"ready, corners", ready, true, 0x00AA00},
        {"ready, no corners", ready, false, 0x000064},
    };
    for (const Case& c : cases) {
        ui::PixelBuffer dst = Filled(3, 3, ui::pf24bit, 0x000064);
        CopyMaskedOverBg({1, 1, 3, 3}, {0, 0, 2, 2}, dst.View(), src.View(), c.bg, c.corners);
        EXPECT_EQ(dst.View().ReadPixel(1, 1), 0xC8C8C8u) << c.name;
        // 200 + floor((d - 200) * 128 / 256) per channel: red 100 -> 150, others 0 -> 100.
        EXPECT_EQ(dst.View().ReadPixel(2, 1), 0x646496u) << c.name;
        EXPECT_EQ(dst.View().ReadPixel(2, 2), 0x000063u) << c.name; // 0 + floor(100 * 255 / 256)
        const uint32_t key = c.bg.Ready ? c.key : kKey;
        EXPECT_EQ(dst.View().ReadPixel(1, 2), key) << c.name;
        EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x000064u) << c.name;
    }
}

TEST(CopyMaskedOverBg, AlphaSourceMakesDestinationOpaque)
{
    ui::PixelBuffer src = Filled(2, 2, ui::pf32bit, 0x80FFFFFF);
    ui::PixelBuffer dst = Filled(2, 2, ui::pf32bit, 0x10000000);
    CopyMaskedOverBg({-1, 0, 2, 2}, {0, 0, 2, 2}, dst.View(), src.View(), BgSource{}, false);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0xFF7F7F7Fu); // 0 + floor(255 * 128 / 256)
    EXPECT_EQ(dst.View().ReadPixel(1, 0), 0x10000000u); // the area was shortened by the negative edge
}

TEST(MultiplyMaskToColor, ScalesTowardTheColour)
{
    ui::PixelBuffer b = Filled(2, 2, ui::pf24bit, 0xC8C8C8), mask = Filled(2, 2, ui::pf24bit, 0x99FF00);
    MultiplyMaskToColor(b.View(), mask.View(), 0x000000);
    // Channels: red mask 0 -> 0, green mask 255 -> 199, blue mask 153 -> 119.
    EXPECT_EQ(b.View().ReadPixel(0, 0), 0x77C700u);
    ui::PixelBuffer other = Filled(3, 2, ui::pf24bit, 0);
    MultiplyMaskToColor(b.View(), other.View(), 0xFFFFFF); // sizes differ: nothing
    EXPECT_EQ(b.View().ReadPixel(0, 0), 0x77C700u);
}

TEST(MixBmpsTo32, LevelOrMaskWeighsA)
{
    ui::PixelBuffer a = Filled(2, 2, ui::pf24bit, 0xFFFFFF), b = Filled(2, 2, ui::pf24bit, 0x000000);
    ui::PixelBuffer dst = Filled(2, 2, ui::pf32bit, 0x11000000);
    MixBmpsTo32(dst.View(), a.View(), b.View(), 128, nullptr);
    EXPECT_EQ(dst.View().ReadPixel(1, 1), 0x117F7F7Fu);
    ui::PixelBuffer mask = Filled(2, 2, ui::pf24bit, 0x0000FF);
    const ui::PixelView m = mask.View();
    MixBmpsTo32(dst.View(), a.View(), b.View(), 128, &m);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x110000FEu);
    // b brighter than a: the negative difference floors.
    MixBmpsTo32(dst.View(), b.View(), a.View(), 1, nullptr);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x11FEFEFEu);
}

} // namespace
} // namespace skin
