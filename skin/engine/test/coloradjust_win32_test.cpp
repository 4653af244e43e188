// Hue and saturation over real bitmaps: the master bitmap, masks of their own with and without
// alpha, and the glow masks of kept title icons; also the size query that reads a mask's bitmap.
#include "skin/engine/coloradjust.h"

#include "ui/bitmap.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

std::shared_ptr<ui::Bitmap> Filled(int w, int h, ui::PixelFormat format, uint32_t color, uint8_t alpha)
{
    auto bmp = std::make_shared<ui::Bitmap>(w, h, format);
    ui::PixelView v = bmp->Pixels();
    int bytes = format == ui::pf32bit ? 4 : 3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = v.Row(y) + x * bytes;
            p[0] = uint8_t(color >> 16), p[1] = uint8_t(color >> 8), p[2] = uint8_t(color);
            if (bytes == 4)
                p[3] = alpha;
        }
    return bmp;
}

MaskData OwnMask(core::StringView name, std::shared_ptr<ui::Bitmap> bmp)
{
    MaskData m;
    m.ClassName = u"GLOBALINFO";
    m.PropertyName = core::String(name);
    m.R = {0, 0, bmp->Width(), bmp->Height()};
    m.Bmp = std::move(bmp);
    return m;
}

TEST(ColorAdjustBitmaps, HueTurnsMasksButKeptGlowsAndAlphaStay)
{
    SkinTables t;
    t.SkinData.BIKeepHUE = 2;
    t.MasterBitmap = Filled(20, 10, ui::pf24bit, 0x0000FF, 0);
    MaskData close;
    close.ClassName = u"GLOBALINFO";
    close.PropertyName = u"BICONCLOSE";
    close.R = {0, 0, 10, 10};
    t.ma = {close, OwnMask(u"BICONCLOSEGLOW0", Filled(4, 4, ui::pf24bit, 0x0000FF, 0)),
            OwnMask(u"PNGMASK", Filled(4, 4, ui::pf32bit, 0x0000FF, 0x7F)),
            OwnMask(u"BICONMAXGLOW0", Filled(4, 4, ui::pf24bit, 0x0000FF, 0))};
    ApplyHueOffset(t, 120);
    EXPECT_EQ(t.MasterBitmap->PixelColor(3, 3), 0x0000FFu);  // the close icon
    EXPECT_EQ(t.MasterBitmap->PixelColor(15, 3), 0x00FF00u); // around it
    EXPECT_EQ(t.ma[1].Bmp->PixelColor(1, 1), 0x0000FFu);     // its glow is kept
    EXPECT_EQ(t.ma[3].Bmp->PixelColor(1, 1), 0x00FF00u);     // the maximize glow is not
    EXPECT_EQ(t.ma[2].Bmp->GetPixelFormat(), ui::pf32bit);
    EXPECT_EQ(t.ma[2].Bmp->PixelColor(2, 2), 0x00FF00u);
    EXPECT_EQ(t.ma[2].Bmp->Pixels().Row(2)[2 * 4 + 3], 0x7F);

    ApplySaturation(t, 100); // pushes away from grey: pure colours stay pure
    EXPECT_EQ(t.ma[2].Bmp->Pixels().Row(0)[3], 0x7F);
    EXPECT_EQ(t.ma[2].Bmp->PixelColor(0, 0), 0x00FF00u);
}

TEST(ColorAdjustBitmaps, MaskSizeOfAnOwnBitmapIsAThirdByAHalf)
{
    SkinTables t;
    MaskData own = OwnMask(u"X", Filled(90, 40, ui::pf24bit, 0, 0));
    own.ImageCount = 5;
    own.MaskType = 3;
    MaskData cut;
    cut.R = {0, 0, 90, 40};
    cut.ImageCount = 3;
    cut.MaskType = 1;
    t.ma = {own, cut};
    EXPECT_EQ(t.MaskSize(0), (MaskSizeResult{30, 20}));
    EXPECT_EQ(t.MaskSize(1), (MaskSizeResult{30, 20}));
    t.ma[1].MaskType = 0;
    EXPECT_EQ(t.MaskSize(1), (MaskSizeResult{30, 40}));
}

} // namespace
} // namespace skin
