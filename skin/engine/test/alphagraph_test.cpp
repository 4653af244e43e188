// Pixel accessors, the two-bitmap blenders, rectangle blends and colour adjustments over pixel
// buffers of both row orders.
#include "skin/engine/alphagraph.h"
#include "ui/color.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

ui::PixelBuffer Filled(int w, int h, ui::PixelFormat f, uint32_t value, bool bottomUp = false)
{
    ui::PixelBuffer b(w, h, f, bottomUp);
    b.View().Fill(b.View().Bounds(), value);
    return b;
}

TEST(Accessors, AttachRules)
{
    struct Case {
        int w, h;
        ui::PixelFormat f;
        bool ok24, ok32;
    } cases[] = {
        {1, 5, ui::pf24bit, false, false}, {5, 1, ui::pf32bit, false, false}, {2, 2, ui::pf24bit, true, false},
        {2, 2, ui::pf32bit, true, true},   {3, 4, ui::pf8bit, false, false},
    };
    for (const Case& c : cases) {
        ui::PixelBuffer b(c.w, c.h, c.f);
        TacFast24 f24;
        TacFast32 f32;
        EXPECT_EQ(f24.Attach(b.View()), c.ok24) << c.w << "x" << c.h;
        EXPECT_EQ(f24.Width(), c.ok24 ? c.w : 0);
        EXPECT_EQ(f32.Attach(b.View()), c.ok32) << c.w << "x" << c.h;
        EXPECT_EQ(f32.Width(), c.ok32 ? c.w : 0);
    }
    TacFast32 empty;
    EXPECT_FALSE(empty.Attach(ui::PixelView()));
    EXPECT_EQ(empty.Width(), 0);
}

TEST(Accessors, PixelsReadAndWriteInBothRowOrders)
{
    for (bool bottomUp : {false, true}) {
        ui::PixelBuffer b(4, 3, ui::pf32bit, bottomUp);
        TacFast32 f;
        ASSERT_TRUE(f.Attach(b.View()));
        f.WritePixel(1, 2, 0x80112233);
        const uint8_t* p = b.View().PixelAddress(1, 2);
        EXPECT_EQ(p[0], 0x11); // blue
        EXPECT_EQ(p[2], 0x33); // red
        EXPECT_EQ(p[3], 0x80); // alpha
        EXPECT_EQ(f.ReadPixel(1, 2), 0x80112233u);
        f.WritePixel(9, 9, 1); // outside: ignored
        EXPECT_EQ(f.ReadPixel(-1, 0), 0u);
    }
    ui::PixelBuffer b24(3, 3, ui::pf24bit);
    TacFast24 f24;
    ASSERT_TRUE(f24.Attach(b24.View()));
    b24.View().WritePixel(2, 1, 0x00ABCDEF);
    EXPECT_EQ(f24.ReadPixel(2, 1), 0x00ABCDEFu);
}

TEST(Accessors, FillRectWritesRawValuesInsideTheBitmapOnly)
{
    ui::PixelBuffer b(4, 4, ui::pf32bit);
    TacFast32 f;
    ASSERT_TRUE(f.Attach(b.View()));
    f.FillRect({-5, 2, 100, 100}, 0x12345678);
    EXPECT_EQ(f.ReadPixel(0, 1), 0u);
    EXPECT_EQ(f.ReadPixel(3, 3), 0x12785634u); // raw: bytes 78 56 34 12 are blue, green, red, alpha
    f.FillRect({2, 0, 1, 2}, 7); // negative width: nothing
    EXPECT_EQ(f.ReadPixel(1, 0), 0u);
    EXPECT_EQ(b.Bytes().size(), 64u);
    FillRect32Opaque(b.View(), {0, 0, 1, 1}, 0x00332211);
    EXPECT_EQ(b.View().ReadPixel(0, 0), 0xFF332211u);
    EXPECT_EQ(ColorToOpaquePixel(0x00332211), 0xFF112233u); // bytes blue 0x33, green, red 0x11, alpha
    EXPECT_EQ(ColorToPixel32(0x01020304), 0x01020304u);
    uint32_t words[3] = {1, 1, 1};
    FillDwords(words, -1, 9);
    EXPECT_EQ(words[0], 1u);
    FillDwords(words, 2, 9);
    EXPECT_EQ(words[1], 9u);
    EXPECT_EQ(words[2], 1u);
}

TEST(Blenders, AlphaIsTheDestinationWeight)
{
    struct Case {
        uint8_t alpha;
        uint32_t dst, src, expect;
    } cases[] = {
        {0, 0x000000, 0xFFFFFF, 0xFEFEFE},   // source, 255 becomes 254
        {255, 0xFFFFFF, 0x000000, 0xFEFEFE}, // destination, 255 becomes 254
        {128, 0x000000, 0xC8C8C8, 0x636363}, // (0 * 128 + 200 * 127 + 127) >> 8 = 99
    };
    for (const Case& c : cases)
        for (ui::PixelFormat f : {ui::pf24bit, ui::pf32bit}) {
            ui::PixelBuffer dst = Filled(3, 3, f, c.dst, true), src = Filled(3, 3, f, c.src);
            TacFastSum24 s24;
            TacFastSum32 s32;
            TacFastSum& sum = f == ui::pf24bit ? static_cast<TacFastSum&>(s24) : s32;
            ASSERT_TRUE(sum.Attach(src.View(), dst.View()));
            sum.Alpha = c.alpha;
            sum.BlendBitmaps();
            EXPECT_EQ(dst.View().ReadPixel(2, 2) & 0xFFFFFF, c.expect) << int(c.alpha);
        }
}

TEST(Blenders, RectAlignsColumnsLeftAndRowsAtTheBottom)
{
    ui::PixelBuffer dst(6, 6, ui::pf24bit), src(6, 6, ui::pf24bit);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            src.View().WritePixel(x, y, ui::RGBValue(uint8_t(x * 10), uint8_t(y * 10), 0));
    TacFastSum24 sum;
    ASSERT_TRUE(sum.Attach(src.View(), dst.View()));
    EXPECT_EQ(sum.WidthDst(), 6);
    sum.Alpha = 0;
    sum.DstX1 = 1, sum.DstY1 = 1, sum.DstX2 = 3, sum.DstY2 = 3; // 2 x 2
    sum.SrcX1 = 2, sum.SrcY1 = 0, sum.SrcX2 = 4, sum.SrcY2 = 4; // 2 wide, 4 high: bottom rows 2 and 3
    sum.BlendBitmapsRect();
    EXPECT_EQ(dst.View().ReadPixel(1, 1), ui::RGBValue(20, 20, 0));
    EXPECT_EQ(dst.View().ReadPixel(2, 2), ui::RGBValue(30, 30, 0));
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0u);
    // Rectangles reaching outside either bitmap touch nothing outside.
    sum.DstX1 = -4, sum.DstY1 = -4, sum.DstX2 = 40, sum.DstY2 = 40;
    sum.SrcX1 = -4, sum.SrcY1 = -4, sum.SrcX2 = 40, sum.SrcY2 = 40;
    sum.BlendBitmapsRect();
    EXPECT_EQ(dst.View().ReadPixel(5, 5), ui::RGBValue(50, 50, 0));
    EXPECT_FALSE(sum.Attach(ui::PixelBuffer(1, 6, ui::pf24bit).View(), dst.View()));
}

TEST(BlendBmpRect, ClipsAndAligns)
{
    struct Case {
        const char* name;
        int x, y;
        Rect srcRect;
        int probeX, probeY; // destination pixel that must show source (sx, sy)
        int sx, sy;
        int untouchedX, untouchedY;
    } cases[] = {
        {"negative position", -3, -2, {0, 0, 8, 8}, 0, 0, 3, 2, 5, 6},
        {"source from row 10", 1, 0, {0, 10, 4, 14}, 1, 0, 0, 10, 0, 0},
        {"negative source", 0, 0, {-2, -1, 3, 3}, 2, 1, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        ui::PixelBuffer dst(8, 8, ui::pf24bit), src(10, 16, ui::pf24bit, true);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 10; ++x)
                src.View().WritePixel(x, y, ui::RGBValue(uint8_t(x * 20), uint8_t(y * 10), 100));
        BlendBmpRect(dst.View(), src.View(), 0, c.x, c.y, c.srcRect);
        const uint32_t want = src.View().ReadPixel(c.sx, c.sy);
        const uint32_t got = dst.View().ReadPixel(c.probeX, c.probeY);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 1) << c.name;
        EXPECT_EQ(dst.View().ReadPixel(c.untouchedX, c.untouchedY), 0u) << c.name;
    }
    // Mixed formats change nothing.
    ui::PixelBuffer d24 = Filled(4, 4, ui::pf24bit, 0x102030), s32 = Filled(4, 4, ui::pf32bit, 0xFFFFFFFF);
    BlendBmpRect(d24.View(), s32.View(), 0, 0, 0, {0, 0, 4, 4});
    EXPECT_EQ(d24.View().ReadPixel(1, 1), 0x102030u);
    // 32-bit pairs blend the alpha byte too.
    ui::PixelBuffer d32 = Filled(4, 4, ui::pf32bit, 0);
    BlendBmpRect(d32.View(), s32.View(), 0, 0, 0, {0, 0, 4, 4});
    EXPECT_EQ(d32.View().ReadPixel(3, 3), 0xFEFEFEFEu);
}

TEST(BlendSameSizeBmps, OnlyForEqualSizes)
{
    ui::PixelBuffer dst = Filled(3, 3, ui::pf24bit, 0), src = Filled(3, 3, ui::pf24bit, 0xFFFFFF);
    BlendSameSizeBmps(dst.View(), src.View(), 0);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0xFEFEFEu);
    ui::PixelBuffer other = Filled(3, 4, ui::pf24bit, 0);
    BlendSameSizeBmps(other.View(), src.View(), 0);
    EXPECT_EQ(other.View().ReadPixel(0, 0), 0u);
}

TEST(BlendRectToColor, RightAndBottomInclusive)
{
    struct Case {
        int percent;
        uint32_t expect;
    } cases[] = {{100, 0x0000C8}, {0, 0x00FF00}, {50, 0x008064}}; // 50 %: red 100, green 127.5 -> 128
    for (const Case& c : cases)
        for (ui::PixelFormat f : {ui::pf24bit, ui::pf32bit}) {
            ui::PixelBuffer b = Filled(100, 100, f, f == ui::pf32bit ? 0x110000C8 : 0x0000C8);
            BlendRectToColor(b.View(), {0, 0, 10, 10}, c.percent, 0x00FF00);
            EXPECT_EQ(b.View().ReadPixel(10, 10) & 0xFFFFFF, c.expect) << c.percent;
            EXPECT_EQ(b.View().ReadPixel(11, 10) & 0xFFFFFF, 0x0000C8u);
            EXPECT_EQ(b.View().ReadPixel(10, 11) & 0xFFFFFF, 0x0000C8u);
            if (f == ui::pf32bit) {
                EXPECT_EQ(b.View().ReadPixel(0, 0) >> 24, 0x11u); // alpha untouched
            }
        }
    ui::PixelBuffer whole = Filled(4, 4, ui::pf24bit, 0);
    BlendRectToColor(whole.View(), {-5, -5, 4, 4}, 0, ui::clSystemColor | 5); // clWindow: white on the host
    EXPECT_EQ(whole.View().ReadPixel(3, 3), 0xFFFFFFu);
}

TEST(Colours, ChangeSaturationAndShiftHue)
{
    EXPECT_EQ(ChangeSaturation(0x000000FF, 100), 0x00555555u);
    EXPECT_EQ(ChangeSaturation(0x000000FF, -100), 0x000000FFu); // 425 clamped to 255, others 0
    EXPECT_EQ(ChangeSaturation(0x000000FF, -50), 0x000000FFu);
    EXPECT_EQ(ChangeSaturation(0x7F000080, 0), 0x7F000080u);
    EXPECT_EQ(ChangeSaturation(0x7F808080, 30), 0x00808080u);
    EXPECT_EQ(ShiftHue(120, 0x000000FF), 0x0000FF00u);
    EXPECT_EQ(ShiftHue(240, 0x000000FF), 0x00FF0000u);
    EXPECT_EQ(ShiftHue(-120, 0x000000FF), 0x00FF0000u); // turning backwards reaches blue, not magenta
    EXPECT_EQ(ShiftHue(90, 0x00808080), 0x00808080u);
    EXPECT_EQ(ShiftHue(0, 0x00336699), 0x00336699u);
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(3.5), 4);
}

} // namespace
} // namespace skin
