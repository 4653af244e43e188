// PNG pictures as bitmaps: loading, alpha drawing over known colours with and without reflection,
// drawing at another size, icon masks and the "png" picture format.
#include "skin/engine/graphutils.h"
#include "skin/engine/pnggraphic.h"
#include "skin/engine/testwriters/writers.h"
#include "ui/pictureformats.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using skin::testing::EncodePng;
using skin::testing::PackSamples;
using skin::testing::PngImage;

class PngGraphicTest : public ui::test::UiTest {
protected:
    PngGraphicTest() { InitSkinEngine(); }
    ~PngGraphicTest() override { DoneSkinEngine(); }

    // A w x h RGBA image: opaque white in the left half, fully transparent in the right half.
    static std::string HalfOpaque(int w, int h)
    {
        return skin::testing::EncodeRgbaPng(w, h, [w](int x, int) { return x < w / 2 ? 0xFFFFFFFFu : 0x00FFFFFFu; });
    }
    static void Load(TPNGGraphic& png, const std::string& bytes)
    {
        core::StringStream stream(bytes);
        png.LoadFromStream(stream);
    }
};

TEST_F(PngGraphicTest, DrawsWithAlphaAndReflection)
{
    TPNGGraphic png;
    Load(png, HalfOpaque(8, 6));
    ASSERT_EQ(png.GetPixelFormat(), ui::pf32bit);
    ui::Bitmap canvas(20, 20, ui::pf24bit);
    RECT all{0, 0, 20, 20};
    FillDCSolid(canvas.Canvas().Handle(), all, ui::clBlue);
    png.Reflected = true;
    png.Draw(canvas.Canvas().Handle(), RECT{2, 2, 10, 8});
    GdiFlush();
    EXPECT_EQ(canvas.PixelColor(3, 3), 0xFFFEFEu);   // white over blue, alpha 255: 254 where it differs
    EXPECT_EQ(canvas.PixelColor(8, 3), ui::clBlue);  // transparent half
    // The working area is 6 + 6 div 2 rows high: the mirrored rows start one below the image and end
    // one above the area's last row.
    EXPECT_EQ(canvas.PixelColor(3, 8), ui::clBlue);
    EXPECT_NE(canvas.PixelColor(3, 9), ui::clBlue);
    EXPECT_NE(canvas.PixelColor(3, 10), ui::clBlue);
    EXPECT_EQ(canvas.PixelColor(3, 11), ui::clBlue);
    EXPECT_EQ(canvas.PixelColor(8, 9), ui::clBlue);
    // At another size: no reflection; the solid parts stay solid.
    FillDCSolid(canvas.Canvas().Handle(), all, ui::clRed);
    png.Draw(canvas.Canvas().Handle(), RECT{0, 0, 16, 12});
    GdiFlush();
    EXPECT_EQ(canvas.PixelColor(2, 5), 0xFEFEFFu);
    EXPECT_EQ(canvas.PixelColor(14, 5), ui::clRed);
    EXPECT_EQ(canvas.PixelColor(2, 14), ui::clRed);
}

TEST_F(PngGraphicTest, IconMasksAndTheFormatTable)
{
    TPNGGraphic png;
    Load(png, HalfOpaque(8, 8));
    HICON alphaIcon = png.MakeIcon(false);
    ASSERT_NE(alphaIcon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(alphaIcon, &info));
    ui::Bitmap mask;
    mask.AssignHandle(info.hbmMask);
    EXPECT_EQ(mask.PixelColor(7, 0), ui::clBlack); // the alpha carries the transparency
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(alphaIcon);

    HICON keyed = png.MakeIcon(true);
    ASSERT_TRUE(GetIconInfo(keyed, &info));
    mask.AssignHandle(info.hbmMask);
    EXPECT_EQ(mask.PixelColor(0, 0), ui::clWhite); // the top-left pixel's value is transparent
    EXPECT_EQ(mask.PixelColor(7, 0), ui::clBlack);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(keyed);

    EXPECT_EQ(ui::PictureFormatDescription(u"PNG"), u"Portable network graphics (QuorraControls)");
    auto made = ui::MakePicture(u"png");
    EXPECT_NE(dynamic_cast<TPNGGraphic*>(made.get()), nullptr);
    DoneSkinEngine();
    EXPECT_EQ(ui::PictureFormatDescription(u"png"), u"");
    InitSkinEngine();
}

TEST_F(PngGraphicTest, IndexedImagesKeepTheirPalette)
{
    PngImage image;
    image.width = image.height = 4;
    image.colorType = 3;
    image.bitDepth = 2;
    image.palette = std::string("\xFF\0\0\0\xFF\0\0\0\xFF\x10\x20\x30", 12);
    for (int y = 0; y < 4; ++y)
        image.rows.push_back(PackSamples({0, 1, 2, 3}, 2));
    TPNGGraphic png;
    Load(png, EncodePng(image));
    EXPECT_EQ(png.GetPixelFormat(), ui::pf4bit);
    EXPECT_EQ(png.PixelColor(0, 0), ui::clRed);
    EXPECT_EQ(png.PixelColor(2, 3), ui::clBlue);
    EXPECT_EQ(png.PixelColor(3, 1), 0x302010u);
    TPNGGraphic copy;
    copy.Assign(png);
    EXPECT_EQ(copy.ImageProperties().BitsPerSample, 2);
    EXPECT_EQ(copy.PixelColor(2, 3), ui::clBlue);
    core::StringStream eight(std::string("\x89PNG\r\n\x1A\n", 8));
    EXPECT_FALSE(TPNGGraphic::CanLoad(eight));
}

} // namespace
} // namespace skin
