// Hue and saturation of a whole skin: the pixel rule, the section colours and the kept title icons.
#include "skin/engine/coloradjust.h"

#include "skin/engine/alphagraph.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

void PutPixel(const ui::PixelView& v, int x, int y, uint32_t color, uint8_t alpha = 0)
{
    int bytes = v.Format() == ui::pf32bit ? 4 : 3;
    uint8_t* p = v.Row(y) + x * bytes;
    p[0] = uint8_t(color >> 16);
    p[1] = uint8_t(color >> 8);
    p[2] = uint8_t(color);
    if (bytes == 4)
        p[3] = alpha;
}

uint32_t GetPixel(const ui::PixelView& v, int x, int y)
{
    int bytes = v.Format() == ui::pf32bit ? 4 : 3;
    const uint8_t* p = v.Row(y) + x * bytes;
    return p[2] | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

TEST(ColorAdjust, SaturationDeltaIsTheRemainderOfTheNegatedValue)
{
    const int cases[][2] = {{30, -30}, {-150, 49}, {100, -100}, {101, 0}, {0, 0}, {-202, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(SaturationDelta(c[0]), c[1]) << c[0];
}

TEST(ColorAdjust, PixelRuleSparesGreyAndKeyColourAndKeepsAlpha)
{
    for (ui::PixelFormat format : {ui::pf24bit, ui::pf32bit}) {
        ui::PixelBuffer buffer(4, 1, format);
        ui::PixelView v = buffer.View();
        PutPixel(v, 0, 0, 0x0000FF, 0x80);
        PutPixel(v, 1, 0, 0x808080, 0x40);
        PutPixel(v, 2, 0, MaskKeyColor, 0x20);
        PutPixel(v, 3, 0, 0x00FF00, 0x10);
        AdjustPixels(v, [](uint32_t c) { return ShiftHue(120, c); });
        EXPECT_EQ(GetPixel(v, 0, 0), 0x00FF00u);
        EXPECT_EQ(GetPixel(v, 1, 0), 0x808080u);
        EXPECT_EQ(GetPixel(v, 2, 0), MaskKeyColor);
        EXPECT_EQ(GetPixel(v, 3, 0), 0xFF0000u);
        if (format == ui::pf32bit) {
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(v.Row(0)[x * 4 + 3], 0x80 >> x);
        }
    }
}

TEST(ColorAdjust, SectionAndSkinColoursTurnWithTheHue)
{
    SkinTables t;
    SectionData s;
    s.Color = 0x0000FF;
    s.HotColor = 0x808080;
    s.FontColor[0] = 0x00FF00;
    s.FontColor[1] = 0xFFFFFFFFu;
    s.HotFontColor[4] = 0xFF0000;
    s.GradientArray = {{0x0000FF, 0x00FF00, 100, 0, 0}};
    t.gd = {s};
    t.SkinData.Shadow1Color = 0x0000FF;
    t.SkinData.BorderColor = MaskKeyColor;
    ShiftSkinHue(t, 0, {}, nullptr);
    EXPECT_EQ(t.gd[0].Color, 0x0000FFu); // an offset of 0 changes nothing
    ShiftSkinHue(t, 120, {}, nullptr);
    const SectionData& r = t.gd[0];
    EXPECT_EQ(r.Color, 0x00FF00u);
    EXPECT_EQ(r.HotColor, 0x808080u);
    EXPECT_EQ(r.FontColor[0], 0xFF0000u);
    EXPECT_EQ(r.FontColor[1], 0xFFFFFFFFu);
    EXPECT_EQ(r.HotFontColor[4], 0x0000FFu);
    EXPECT_EQ(r.GradientArray[0].Color1, 0x00FF00u);
    EXPECT_EQ(r.GradientArray[0].Color2, 0xFF0000u);
    EXPECT_EQ(t.SkinData.Shadow1Color, 0x00FF00u);
    EXPECT_EQ(t.SkinData.BorderColor, MaskKeyColor); // "no border colour" stays so

    ChangeSkinSaturation(t, 101, {}, nullptr);
    EXPECT_EQ(t.gd[0].Color, 0x00FF00u);
    t.gd[0].Color = 0x4080C0;
    ChangeSkinSaturation(t, -150, {}, nullptr);
    EXPECT_EQ(t.gd[0].Color, ChangeSaturation(0x4080C0, 49));
    EXPECT_EQ(t.SkinData.BorderColor, MaskKeyColor);
}

TEST(ColorAdjust, KeptTitleIconsByBIKeepHue)
{
    EXPECT_TRUE(KeptTitleIcons(0).empty());
    EXPECT_EQ(KeptTitleIcons(2), (std::vector<core::String>{u"BICONCLOSE", u"SICONCLOSE"}));
    EXPECT_EQ(KeptTitleIcons(-3).size(), 2u);
    auto all = KeptTitleIcons(1);
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[2], u"BICONMAX");
    EXPECT_EQ(all[8], u"SICONNORM");
}

// A 30 x 10 red master: the close icon at 0..9, the maximize icon at 10..19, the rest plain.
TEST(ColorAdjust, CloseIconsInTheMasterKeepTheirColoursByKeepHue)
{
    struct Case {
        int keepHue;
        uint32_t close, max, rest;
    } cases[] = {{0, 0x00FF00, 0x00FF00, 0x00FF00}, {1, 0x0000FF, 0x0000FF, 0x00FF00}, {2, 0x0000FF, 0x00FF00, 0x00FF00}};
    for (const Case& c : cases) {
        SkinTables t;
        t.SkinData.BIKeepHUE = int16_t(c.keepHue);
        MaskData close, max;
        close.ClassName = max.ClassName = u"GLOBALINFO";
        close.PropertyName = u"BICONCLOSE";
        close.R = {0, 0, 10, 10};
        max.PropertyName = u"BICONMAX";
        max.R = {10, 0, 20, 10};
        t.ma = {close, max};
        ui::PixelBuffer master(30, 10, ui::pf24bit);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 30; ++x)
                PutPixel(master.View(), x, y, 0x0000FF);
        ShiftSkinHue(t, 120, master.View(), nullptr);
        EXPECT_EQ(GetPixel(master.View(), 5, 5), c.close) << c.keepHue;
        EXPECT_EQ(GetPixel(master.View(), 15, 9), c.max) << c.keepHue;
        EXPECT_EQ(GetPixel(master.View(), 25, 0), c.rest) << c.keepHue;
    }
}

} // namespace
} // namespace skin
