// Image lists with masks drawn into bitmaps, change links, and regions from rectangle runs.
#include "ui/imagelist.h"
#include "ui/region.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

// A 4 x 4 picture: red with its right half in the key colour.
std::unique_ptr<Bitmap> HalfKeyed()
{
    auto result = std::make_unique<Bitmap>(4, 4);
    Bitmap& picture = *result;
    picture.Canvas().SetBrushColor(clRed);
    picture.Canvas().FillRect(RECT{0, 0, 4, 4});
    picture.Canvas().SetBrushColor(clFuchsia);
    picture.Canvas().FillRect(RECT{2, 0, 4, 4});
    return result;
}

std::unique_ptr<Bitmap> Filled(int w, int h, Color color)
{
    auto bitmap = std::make_unique<Bitmap>(w, h);
    bitmap->Canvas().SetBrushColor(color);
    bitmap->Canvas().FillRect(RECT{0, 0, w, h});
    return bitmap;
}

TEST(ImageList, MaskedImagesLeaveTheBackgroundWhereTransparent)
{
    ImageList list(nullptr, 4, 4);
    auto pictureHolder = HalfKeyed();
    Bitmap& picture = *pictureHolder;
    EXPECT_EQ(list.AddMasked(picture, clFuchsia), 0);
    auto maskHolder = Filled(4, 4, clBlack);
    Bitmap& mask = *maskHolder;
    mask.Canvas().SetBrushColor(clWhite);
    mask.Canvas().FillRect(RECT{0, 0, 4, 1}); // top row transparent
    EXPECT_EQ(list.Add(picture, &mask), 1);
    EXPECT_EQ(list.Add(picture), 2);
    EXPECT_EQ(list.Count(), 3);

    struct Case { int index; Color topLeft, bottomLeft, bottomRight; };
    const Case cases[] = {{0, clRed, clRed, clBlue}, {1, clBlue, clRed, clFuchsia}, {2, clRed, clRed, clFuchsia}};
    for (const Case& c : cases) {
        auto targetHolder = Filled(6, 6, clBlue);
        Bitmap& target = *targetHolder;
        list.Draw(target.Canvas(), 1, 1, c.index);
        EXPECT_EQ(target.PixelColor(1, 1), c.topLeft) << c.index;
        EXPECT_EQ(target.PixelColor(1, 4), c.bottomLeft) << c.index;
        EXPECT_EQ(target.PixelColor(4, 4), c.bottomRight) << c.index;
        EXPECT_EQ(target.PixelColor(5, 5), clBlue) << "outside the image";
    }
    Bitmap drawnMask;
    ASSERT_TRUE(list.GetBitmap(0, drawnMask, itMask));
    EXPECT_EQ(drawnMask.PixelColor(3, 0), clWhite);
    EXPECT_EQ(drawnMask.PixelColor(0, 0), clBlack);
    Bitmap image;
    ASSERT_TRUE(list.GetBitmap(2, image));
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.PixelColor(0, 0), clRed);
    EXPECT_FALSE(list.GetBitmap(3, image));
    HICON icon = list.GetIcon(0);
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(list.AddIcon(icon), 3);
    DestroyIcon(icon);
    EXPECT_EQ(list.GetIcon(-1), nullptr);
}

TEST(ImageList, ChangeLinksHearChangesUntilEitherGoes)
{
    auto list = std::make_unique<ImageList>(nullptr, 2, 2);
    ChangeLink first, second;
    int a = 0, b = 0;
    first.OnChange = [&] { ++a; };
    second.OnChange = [&] { ++b; };
    list->RegisterChanges(&first);
    list->RegisterChanges(&second);
    EXPECT_EQ(first.Sender(), list.get());
    auto pictureHolder = Filled(2, 2, clRed);
    Bitmap& picture = *pictureHolder;
    list->Add(picture);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    list->UnRegisterChanges(&second);
    list->BeginUpdate();
    list->Add(picture);
    list->Add(picture);
    list->Delete(0);
    EXPECT_EQ(a, 1) << "held back while updating";
    list->EndUpdate();
    EXPECT_EQ(a, 2) << "one notice for the whole update";
    EXPECT_EQ(b, 1);
    EXPECT_FALSE(list->Delete(7));
    list->SetSize(3, 3);
    EXPECT_EQ(list->Count(), 0) << "a new size empties the list";
    EXPECT_EQ(a, 3);
    {
        ChangeLink temporary;
        list->RegisterChanges(&temporary);
    } // unregisters itself
    list->Add(picture);
    EXPECT_EQ(a, 4);
    list.reset();
    EXPECT_EQ(first.Sender(), nullptr) << "the freed list lets go of its links";
}

TEST(Region, RectangleRunsOfAPictureMakeItsRegion)
{
    auto pictureHolder = HalfKeyed();
    Bitmap& picture = *pictureHolder;
    Region region = RegionFromPixels(picture.Pixels(), 0xFF00FF, 10, 20);
    EXPECT_TRUE(region.Contains(10, 20));
    EXPECT_TRUE(region.Contains(11, 23));
    EXPECT_FALSE(region.Contains(12, 20));
    EXPECT_FALSE(region.Contains(9, 20));
    EXPECT_EQ(region.Bounds().right, 12);
    EXPECT_EQ(region.Bounds().bottom, 24);

    const RECT rects[] = {{0, 0, 2, 2}, {5, 5, 5, 9}, {4, 0, 6, 1}};
    Region two = RegionFromRects(std::span<const RECT>(rects));
    EXPECT_TRUE(two.Contains(1, 1));
    EXPECT_TRUE(two.Contains(5, 0));
    EXPECT_FALSE(two.Contains(5, 6)) << "empty rectangles are left out";
    Region none = RegionFromRects(std::span<const RECT>());
    ASSERT_NE(none.Handle(), nullptr);
    EXPECT_FALSE(none.Contains(0, 0));
    HRGN taken = none.Release();
    EXPECT_EQ(none.Handle(), nullptr);
    DeleteObject(taken);
}

TEST(Metrics, ResolutionAndSystemMetrics)
{
    EXPECT_GT(ScreenDpi(), 0);
    EXPECT_EQ(ScaleByDpi(96), ScreenDpi());
    EXPECT_GT(SystemMetric(SM_CXVSCROLL), 0);
    const RECT work = WorkArea();
    EXPECT_GT(work.right - work.left, 0);
    EXPECT_GT(work.bottom - work.top, 0);
}

} // namespace
} // namespace ui
