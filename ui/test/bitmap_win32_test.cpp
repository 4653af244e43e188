// Bitmaps under the real GDI: scan lines over the bottom-up section, size and format changes, the
// transparent colour, the lazy memory context and drawing between bitmaps.
#include "ui/bitmap.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

// Paints a rectangle through GDI (so that the flush before pixel reads matters).
void GdiFill(Bitmap& bitmap, RECT rect, Color color)
{
    bitmap.Canvas().SetBrushColor(color);
    bitmap.Canvas().FillRect(rect);
}

TEST(Bitmap, ScanLinesAddressRowsFromTheTop)
{
    for (PixelFormat format : {pf24bit, pf32bit}) {
        Bitmap bitmap(4, 3, format);
        ASSERT_FALSE(bitmap.Empty());
        GdiFill(bitmap, RECT{0, 0, 4, 3}, clWhite);
        GdiFill(bitmap, RECT{0, 0, 4, 1}, clRed); // GDI's row 0 is the top row
        const uint8_t* top = bitmap.ScanLine(0);
        EXPECT_EQ(top[0], 0x00) << "blue";
        EXPECT_EQ(top[1], 0x00) << "green";
        EXPECT_EQ(top[2], 0xFF) << "red";
        EXPECT_EQ(bitmap.ScanLine(1)[2], 0xFF);
        EXPECT_EQ(bitmap.ScanLine(1)[1], 0xFF) << "row 1 is white";
        // The storage is bottom-up: the next row lies below in memory.
        EXPECT_LT(bitmap.ScanLine(1) - bitmap.ScanLine(0), 0);
        EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), bitmap.Pixels().RowStep());
        // Writing through a scan line shows in GDI.
        uint8_t* bottom = bitmap.ScanLine(2);
        bottom[0] = 0xFF; bottom[1] = 0; bottom[2] = 0;
        EXPECT_EQ(bitmap.Canvas().Pixel(0, 2), RGB(0, 0, 255));
        EXPECT_EQ(bitmap.PixelColor(0, 2), clBlue);
        for (int bad : {-1, 3})
            EXPECT_THROW(bitmap.ScanLine(bad), EInvalidGraphicOperation);
    }
    Bitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
    EXPECT_FALSE(empty.Pixels().Valid());
}

TEST(Bitmap, ResizingKeepsTheSharedAreaAndWhitensTheRest)
{
    struct Case { PixelFormat format; int width, height; };
    const Case cases[] = {{pf24bit, 6, 2}, {pf32bit, 2, 5}, {pf8bit, 7, 7}, {pf1bit, 40, 3}, {pf4bit, 3, 9}};
    for (const Case& c : cases) {
        Bitmap bitmap(3, 3, c.format);
        GdiFill(bitmap, RECT{0, 0, 3, 3}, clBlack);
        int changes = 0;
        bitmap.OnChange = [&] { ++changes; };
        bitmap.SetSize(c.width, c.height);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(bitmap.Width(), c.width);
        EXPECT_EQ(bitmap.Height(), c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(bitmap.PixelColor(x, y), (x < 3 && y < 3) ? clBlack : clWhite)
                    << int(c.format) << " at " << x << "," << y;
        if (c.format == pf32bit) {
            EXPECT_EQ(bitmap.Pixels().ReadPixel(1, 4), 0xFFFFFFFFu) << "new 32-bit pixels are opaque";
        }
        // The memory context follows the new section.
        GdiFill(bitmap, RECT{c.width - 1, c.height - 1, c.width, c.height}, clBlack);
        EXPECT_EQ(bitmap.PixelColor(c.width - 1, c.height - 1), clBlack);
    }
    Bitmap bitmap(5, 5);
    bitmap.SetHeight(0);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Handle(), nullptr);
    bitmap.SetSize(-4, 2);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_THROW(bitmap.SetSize(1 << 20, 1 << 20), EOutOfResources);
    EXPECT_TRUE(bitmap.Empty()) << "a failed resize keeps the bitmap";
}

TEST(Bitmap, FormatChangesConvertThePixels)
{
    Bitmap bitmap(4, 2, pf24bit);
    GdiFill(bitmap, RECT{0, 0, 2, 2}, clRed);
    GdiFill(bitmap, RECT{2, 0, 4, 2}, RGBValue(0x10, 0x20, 0x30));
    bitmap.SetPixelFormat(pf32bit);
    EXPECT_EQ(bitmap.Pixels().ReadPixel(0, 0), 0xFF0000FFu) << "opaque after 24 -> 32";
    EXPECT_EQ(bitmap.Pixels().ReadPixel(3, 1), 0xFF302010u);
    bitmap.Pixels().WritePixel(0, 1, 0x40112233);
    bitmap.SetPixelFormat(pf24bit);
    EXPECT_EQ(bitmap.Pixels().ReadPixel(0, 1), 0x00112233u);
    bitmap.SetPixelFormat(pf4bit);
    EXPECT_EQ(bitmap.PixelColor(0, 0), clRed);
    EXPECT_EQ(bitmap.Palette().size(), 16u);
    bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(bitmap.Palette().size(), 256u);
    EXPECT_EQ(bitmap.PixelColor(1, 1), clRed);
    bitmap.SetPixelFormat(pf1bit);
    EXPECT_EQ(bitmap.PixelColor(0, 0), clBlack) << "red maps to the nearer of black and white";
    // An indexed bitmap draws with its palette.
    Bitmap indexed(2, 1, pf8bit);
    indexed.SetPalette({clLime, clNavy});
    indexed.Pixels().WritePixel(0, 0, 0);
    indexed.Pixels().WritePixel(1, 0, 1);
    EXPECT_EQ(indexed.Canvas().Pixel(1, 0), RGB(0, 0, 0x80));
    EXPECT_EQ(indexed.Canvas().Pixel(0, 0), RGB(0, 0xFF, 0));
    EXPECT_EQ(indexed.PixelColor(1, 0), clNavy);
    EXPECT_EQ(indexed.Palette().size(), 256u) << "the entries after the given ones stay";
}

TEST(Bitmap, TransparentColourIsTheBottomLeftPixelUntilFixed)
{
    Bitmap bitmap(3, 3);
    GdiFill(bitmap, RECT{0, 0, 3, 3}, clYellow);
    GdiFill(bitmap, RECT{0, 2, 1, 3}, clFuchsia);
    EXPECT_EQ(bitmap.TransparentMode(), tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);
    bitmap.SetTransparentColor(clAqua);
    EXPECT_EQ(bitmap.TransparentMode(), tmFixed);
    EXPECT_EQ(bitmap.TransparentColor(), clAqua);
    bitmap.SetTransparentColor(clDefault);
    EXPECT_EQ(bitmap.TransparentMode(), tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);
}

TEST(Bitmap, MemoryContextIsMadeOnUseAndDroppedByDormant)
{
    Bitmap bitmap(2, 2);
    EXPECT_FALSE(bitmap.HandleAllocated());
    GdiFill(bitmap, RECT{0, 0, 2, 2}, clGreen);
    EXPECT_TRUE(bitmap.HandleAllocated());
    bitmap.Dormant();
    EXPECT_FALSE(bitmap.HandleAllocated());
    EXPECT_EQ(bitmap.PixelColor(1, 1), clGreen) << "the pixels stay";
    EXPECT_EQ(bitmap.Canvas().Pixel(1, 1), RGB(0, 0x80, 0));
}

TEST(Bitmap, AssignCopiesPixelsAndSettings)
{
    Bitmap source(3, 2, pf32bit);
    source.Pixels().Fill(PixelRect{0, 0, 3, 2}, 0x80123456);
    source.SetTransparent(true);
    source.SetTransparentColor(clRed);
    Bitmap copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.GetPixelFormat(), pf32bit);
    EXPECT_EQ(copy.Pixels().ReadPixel(2, 1), 0x80123456u);
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), clRed);
    EXPECT_NE(copy.Handle(), source.Handle());
    Bitmap adopted;
    adopted.AssignHandle(source.Handle());
    EXPECT_EQ(adopted.GetPixelFormat(), pf32bit);
    EXPECT_EQ(adopted.PixelColor(0, 0), 0x123456u);
    EXPECT_THROW(adopted.AssignHandle(nullptr), EInvalidGraphic);
}

TEST(Bitmap, BmpFilesRoundTripWithTheirPalette)
{
    Bitmap indexed(5, 3, pf4bit);
    indexed.SetPalette({clRed, clLime, clBlue});
    indexed.Pixels().WritePixel(4, 2, 2);
    indexed.Pixels().WritePixel(0, 0, 0);
    core::StringStream file;
    indexed.SaveToStream(file);
    file.Seek(0, core::soBeginning);
    Bitmap loaded;
    loaded.LoadFromStream(file);
    EXPECT_EQ(loaded.GetPixelFormat(), pf4bit);
    EXPECT_EQ(loaded.Width(), 5);
    EXPECT_EQ(loaded.PixelColor(4, 2), clBlue);
    EXPECT_EQ(loaded.PixelColor(0, 0), clRed);
    core::StringStream junk(std::string("BMjunk"));
    EXPECT_THROW(loaded.LoadFromStream(junk), EInvalidGraphic);
}

} // namespace
} // namespace ui
