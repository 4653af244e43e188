// Pixel views over memory: row addressing in both storage orders, pixel layouts, fills and copies.
#include "ui/pixelview.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(PixelView, RowBytesArePaddedToFourBytes)
{
    struct Case { int width; PixelFormat format; size_t bytes; };
    const Case cases[] = {
        {1, pf1bit, 4}, {33, pf1bit, 8}, {7, pf4bit, 4}, {9, pf4bit, 8}, {5, pf8bit, 8},
        {1, pf24bit, 4}, {5, pf24bit, 16}, {3, pf32bit, 12}, {0, pf24bit, 0}, {-1, pf32bit, 0},
        {10, pfDevice, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowBytes(c.width, c.format), c.bytes) << c.width << " " << int(c.format);
}

TEST(PixelView, BottomUpStorageIsSeenTopDown)
{
    for (PixelFormat format : {pf24bit, pf32bit}) {
        PixelBuffer buffer(3, 4, format, true);
        PixelView view = buffer.View();
        ASSERT_TRUE(view.Valid());
        EXPECT_LT(view.RowStep(), 0);
        view.WritePixel(1, 0, 0x00112233);
        // Row 0 of the view is the last stored row.
        const size_t row = RowBytes(3, format);
        const uint8_t* stored = buffer.Bytes().data() + row * 3 + (format == pf24bit ? 3 : 4);
        EXPECT_EQ(stored[0], 0x11); // blue first
        EXPECT_EQ(stored[1], 0x22);
        EXPECT_EQ(stored[2], 0x33);
        EXPECT_EQ(view.Row(1) - view.Row(0), view.RowStep());
    }
}

TEST(PixelView, PixelsReadBackInEveryFormat)
{
    struct Case { PixelFormat format; uint32_t written; uint32_t read; };
    const Case cases[] = {
        {pf24bit, 0xAA123456, 0x00123456}, // no alpha byte
        {pf32bit, 0x80123456, 0x80123456}, // alpha in the high byte
        {pf8bit, 0x1FE, 0xFE}, {pf4bit, 0x1B, 0x0B}, {pf1bit, 3, 1},
    };
    for (const Case& c : cases) {
        PixelBuffer buffer(9, 2, c.format);
        PixelView view = buffer.View();
        view.WritePixel(5, 1, c.written);
        EXPECT_EQ(view.ReadPixel(5, 1), c.read) << int(c.format);
        // Neighbours of a packed pixel keep their value.
        EXPECT_EQ(view.ReadPixel(4, 1), 0u);
        EXPECT_EQ(view.ReadPixel(6, 1), 0u);
        EXPECT_EQ(view.ReadPixel(5, 0), 0u);
    }
}

TEST(PixelView, OutsidePositionsAreIgnored)
{
    PixelBuffer buffer(2, 2, pf24bit);
    PixelView view = buffer.View();
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {1 << 30, 1 << 30}}) {
        view.WritePixel(x, y, 0xFFFFFF);
        EXPECT_EQ(view.ReadPixel(x, y), 0u);
    }
    for (uint8_t byte : buffer.Bytes())
        EXPECT_EQ(byte, 0);
    EXPECT_FALSE(PixelView().Valid());
    EXPECT_EQ(PixelView().ReadPixel(0, 0), 0u);
    EXPECT_FALSE(PixelBuffer(0, 5, pf24bit).View().Valid());
    EXPECT_FALSE(PixelBuffer(5, 5, pfDevice).View().Valid());
    EXPECT_FALSE(PixelBuffer(1 << 20, 1 << 20, pf32bit).View().Valid());
}

TEST(PixelView, FillIsCutToTheView)
{
    PixelBuffer buffer(6, 5, pf32bit);
    PixelView view = buffer.View();
    view.Fill(PixelRect{-3, 3, 2, 99}, 0xFF0000FF);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(view.ReadPixel(x, y), (x < 2 && y >= 3) ? 0xFF0000FFu : 0u) << x << "," << y;
}

TEST(PixelView, SubViewAddressesItsCorner)
{
    PixelBuffer buffer(8, 8, pf24bit, true);
    PixelView sub = buffer.View().Sub(PixelRect{2, 3, 20, 5});
    ASSERT_TRUE(sub.Valid());
    EXPECT_EQ(sub.Width(), 6);
    EXPECT_EQ(sub.Height(), 2);
    sub.WritePixel(0, 0, 0x0000FF);
    EXPECT_EQ(buffer.View().ReadPixel(2, 3), 0x0000FFu);
    EXPECT_FALSE(buffer.View().Sub(PixelRect{9, 9, 12, 12}).Valid());
}

TEST(PixelView, CopiesAreClippedOnBothSides)
{
    PixelBuffer src(4, 3, pf24bit);
    PixelView s = src.View();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            s.WritePixel(x, y, RGBValue(uint8_t(x), uint8_t(y), 7));
    PixelBuffer dst(5, 5, pf24bit, true);
    PixelView d = dst.View();
    ASSERT_TRUE(d.CopyFrom(s, -2, 3));
    // Source columns 2..3 and rows 0..1 land at (0..1, 3..4).
    EXPECT_EQ(d.ReadPixel(0, 3), RGBValue(2, 0, 7));
    EXPECT_EQ(d.ReadPixel(1, 4), RGBValue(3, 1, 7));
    EXPECT_EQ(d.ReadPixel(2, 3), 0u);
    EXPECT_EQ(d.ReadPixel(0, 2), 0u);
}

TEST(PixelView, KeyedCopyLeavesKeyPixelsAndMixesFormats)
{
    PixelBuffer src(3, 1, pf24bit);
    PixelView s = src.View();
    s.WritePixel(0, 0, 0x00FF00FF);
    s.WritePixel(1, 0, 0x00102030);
    s.WritePixel(2, 0, 0x00FF00FF);
    PixelBuffer dst(3, 1, pf32bit);
    PixelView d = dst.View();
    d.Fill(d.Bounds(), 0x40AAAAAA);
    ASSERT_TRUE(d.CopyKeyed(s, 0, 0, 0xFF00FF));
    EXPECT_EQ(d.ReadPixel(0, 0), 0x40AAAAAAu);
    EXPECT_EQ(d.ReadPixel(1, 0), 0xFF102030u); // 24-bit into 32-bit is opaque
    EXPECT_EQ(d.ReadPixel(2, 0), 0x40AAAAAAu);

    // 32-bit into 32-bit keeps the alpha; into 24-bit drops it.
    PixelBuffer alpha(1, 1, pf32bit);
    alpha.View().WritePixel(0, 0, 0x7F010203);
    ASSERT_TRUE(d.CopyFrom(alpha.View(), 2, 0));
    EXPECT_EQ(d.ReadPixel(2, 0), 0x7F010203u);
    PixelBuffer rgb(1, 1, pf24bit);
    ASSERT_TRUE(rgb.View().CopyFrom(alpha.View(), 0, 0));
    EXPECT_EQ(rgb.View().ReadPixel(0, 0), 0x00010203u);

    // Indexed views copy only into their own format.
    PixelBuffer indexed(3, 1, pf8bit);
    EXPECT_FALSE(indexed.View().CopyFrom(s, 0, 0));
    PixelBuffer indexed2(3, 1, pf8bit);
    indexed2.View().WritePixel(1, 0, 9);
    EXPECT_TRUE(indexed.View().CopyFrom(indexed2.View(), 0, 0));
    EXPECT_EQ(indexed.View().ReadPixel(1, 0), 9u);
}

} // namespace
} // namespace ui
