// JPEG images: loading keeps the file's bytes and a 24-bit bitmap that draws on a device context.
#include "ui/jpegformat.h"
#include "ui/jpegimage.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(JpegImage, LoadsKeepsTheBytesAndDraws)
{
    PixelBuffer b(16, 8, pf24bit);
    b.View().Fill(b.View().Bounds(), RGBValue(0, 200, 0));
    const std::string file = EncodeJpeg(b.View(), 95);
    core::StringStream stream(file);
    JpegImage image;
    image.LoadFromStream(stream);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(image.Bytes(), file);
    ASSERT_NE(image.Bitmap(), nullptr);
    EXPECT_EQ(image.Bitmap()->GetPixelFormat(), pf24bit);
    Bitmap target(20, 10, pf24bit);
    image.Draw(target.Canvas().Handle(), RECT{2, 1, 18, 9});
    GdiFlush();
    EXPECT_NEAR(int(target.PixelColor(10, 5) >> 8 & 0xFF), 200, 6);
    EXPECT_EQ(target.PixelColor(0, 0), clWhite);
    core::StringStream bad(std::string("junk"));
    EXPECT_THROW(image.LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(image.Bytes(), file); // a failed load keeps the picture
    core::StringStream saved;
    image.SaveToStream(saved);
    EXPECT_EQ(saved.DataString(), file);
}

} // namespace
} // namespace ui
