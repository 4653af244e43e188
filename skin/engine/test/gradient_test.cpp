// Gradient text and the band painter.
#include "skin/engine/gradient.h"

#include "core/exception.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(ParseGradientData, Texts)
{
    struct Case {
        const char16_t* text;
        size_t pieces;
        uint32_t color1, color2;
        int percent, mode;
    } cases[] = {
        {u"255;65280;50;0;0;65280;16711680;50;0;0", 2, 255, 65280, 50, 0},
        {u"255;65280;50;0", 0, 0, 0, 0, 0},
        {u"255;;65280;50;0;0", 1, 255, 65280, 50, 0},
        {u"-5;$FF00;150;1;x;7", 1, 0, 0xFF00, 100, 1},
        {u"", 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TsGradArray data{TsGradPie{}};
        ParseGradientData(c.text, data);
        ASSERT_EQ(data.size(), c.pieces);
        if (c.pieces == 0)
            continue;
        EXPECT_EQ(data[0].Color1, c.color1);
        EXPECT_EQ(data[0].Color2, c.color2);
        EXPECT_EQ(data[0].Percent, c.percent);
        EXPECT_EQ(data[0].Mode1, c.mode);
    }
    TsGradArray data;
    ParseGradientData(u"255;65280;50;0;0;65280;16711680;50;0;0", data);
    EXPECT_EQ(data[1].Color1, 65280u);
    EXPECT_EQ(data[1].Color2, 16711680u);
}

TEST(ParseGradientData, BadNumberKeepsThePiecesReadSoFar)
{
    TsGradArray data;
    EXPECT_THROW(ParseGradientData(u"1;2;3;0;0;4;five;6;0;0", data), core::EConvertError);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[0].Color2, 2u);
    EXPECT_EQ(data[1].Color1, 4u);
    EXPECT_EQ(data[1].Color2, 0u);
}

uint32_t Rgb(const ui::PixelView& v, int x, int y) { return v.ReadPixel(x, y) & 0xFFFFFF; }

TEST(PaintGradient, VerticalPiecesShareTheirMiddleRow)
{
    TsGradArray data;
    ParseGradientData(u"255;65280;50;0;0;65280;16711680;50;0;0", data);
    for (ui::PixelFormat f : {ui::pf24bit, ui::pf32bit}) {
        ui::PixelBuffer b(3, 11, f);
        PaintGradientPixels(b.View(), {0, 0, 3, 11}, data, 0, 0);
        const ui::PixelView v = b.View();
        EXPECT_EQ(Rgb(v, 0, 0), 0x0000FFu);  // red
        EXPECT_EQ(Rgb(v, 2, 5), 0x00FF00u);  // green in the middle
        EXPECT_EQ(Rgb(v, 1, 10), 0xFF0000u); // blue at the bottom
        // Row 2 of 5: red 255 - 2 x 51, green 2 x 51.
        EXPECT_EQ(Rgb(v, 1, 2), ui::RGBValue(153, 102, 0));
        if (f == ui::pf32bit) {
            EXPECT_EQ(v.ReadPixel(1, 1) >> 24, 0xFFu);
        }
    }
}

TEST(PaintGradient, EdgeCases)
{
    TsGradArray vertical, horizontal;
    ParseGradientData(u"0;16777215;100;0;0", vertical);
    ParseGradientData(u"0;16777215;30;1;0;16777215;0;70;0;0", horizontal);
    {
        // A first piece with mode 1 paints every piece horizontally.
        ui::PixelBuffer b(11, 2, ui::pf24bit);
        PaintGradientPixels(b.View(), {0, 0, 11, 2}, horizontal, 0, 0);
        EXPECT_EQ(Rgb(b.View(), 0, 1), 0u);
        EXPECT_EQ(Rgb(b.View(), 3, 1), 0xFFFFFFu); // the first piece ends at round(3.3) = 3
        EXPECT_EQ(Rgb(b.View(), 10, 0), 0u);
        EXPECT_EQ(Rgb(b.View(), 1, 0), 0x555555u); // 85
    }
    {
        // Height 1: nothing.
        ui::PixelBuffer b(4, 4, ui::pf24bit);
        PaintGradientPixels(b.View(), {0, 1, 4, 2}, vertical, 0, 0);
        EXPECT_EQ(Rgb(b.View(), 0, 1), 0u);
        EXPECT_EQ(b.Bytes(), ui::PixelBuffer(4, 4, ui::pf24bit).Bytes());
    }
    {
        // Wider and higher than the bitmap: the bitmap's own columns only.
        ui::PixelBuffer b(4, 3, ui::pf24bit);
        PaintGradientPixels(b.View(), {-2, -2, 40, 40}, vertical, 0, 0);
        EXPECT_EQ(Rgb(b.View(), 3, 2), 0xFFFFFFu);
        EXPECT_EQ(Rgb(b.View(), 0, 0), 0u);
    }
    {
        // 8-bit bitmaps and unknown modes are left.
        ui::PixelBuffer b(4, 4, ui::pf8bit);
        PaintGradientPixels(b.View(), {0, 0, 4, 4}, vertical, 0, 0);
        EXPECT_EQ(b.Bytes(), ui::PixelBuffer(4, 4, ui::pf8bit).Bytes());
        TsGradArray odd = vertical;
        odd[0].Mode1 = 7;
        ui::PixelBuffer c(4, 4, ui::pf24bit);
        PaintGradientPixels(c.View(), {0, 0, 4, 4}, odd, 0, 0);
        EXPECT_EQ(c.Bytes(), ui::PixelBuffer(4, 4, ui::pf24bit).Bytes());
    }
}

} // namespace
} // namespace skin
