// Canvas drawing into bitmaps: pixels of known areas after fills, frames, shapes, copies and text.
// Text is never compared pixel for pixel: only its extent and that it leaves ink in its box.
#include "ui/bitmap.h"

#include <gtest/gtest.h>

#include <thread>

namespace ui {
namespace {

// Counts the pixels of area whose colour is (or is not) color.
int CountColor(Bitmap& bitmap, RECT area, Color color, bool equal = true)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += (bitmap.PixelColor(x, y) == color) == equal;
    return count;
}

Bitmap& Blank(Bitmap& bitmap, Color color = clWhite)
{
    bitmap.Canvas().SetBrushColor(color);
    bitmap.Canvas().FillRect(RECT{0, 0, bitmap.Width(), bitmap.Height()});
    return bitmap;
}

TEST(Canvas, FillsFramesAndShapesCoverTheirAreas)
{
    Bitmap bitmap(20, 20);
    Canvas& canvas = Blank(bitmap).Canvas();
    canvas.SetBrushColor(clRed);
    canvas.FrameRect(RECT{2, 2, 10, 10});
    EXPECT_EQ(CountColor(bitmap, RECT{2, 2, 10, 10}, clRed), 28) << "a one-pixel ring of 8 x 8";
    EXPECT_EQ(bitmap.PixelColor(5, 5), clWhite);
    canvas.SetBrushStyle(bsClear);
    canvas.FillRect(RECT{0, 0, 20, 20});
    EXPECT_EQ(bitmap.PixelColor(5, 5), clWhite) << "a clear brush fills nothing";

    canvas.Pen().SetColor(clBlue);
    canvas.SetBrushColor(clLime);
    canvas.Rectangle(10, 10, 20, 20);
    EXPECT_EQ(bitmap.PixelColor(10, 10), clBlue);
    EXPECT_EQ(bitmap.PixelColor(19, 15), clBlue);
    EXPECT_EQ(bitmap.PixelColor(15, 15), clLime);
    EXPECT_EQ(CountColor(bitmap, RECT{11, 11, 19, 19}, clLime), 64);

    Blank(bitmap);
    canvas.Pen().SetStyle(psClear);
    canvas.SetBrushColor(clNavy);
    canvas.RoundRect(0, 0, 20, 20, 10, 10);
    EXPECT_EQ(bitmap.PixelColor(10, 10), clNavy);
    EXPECT_EQ(bitmap.PixelColor(0, 0), clWhite) << "the corner is rounded off";
    canvas.Pen().SetStyle(psSolid);

    Blank(bitmap);
    canvas.SetBrushColor(clYellow);
    const POINT triangle[] = {{0, 0}, {19, 0}, {0, 19}};
    canvas.Polygon(triangle);
    EXPECT_EQ(bitmap.PixelColor(3, 3), clYellow);
    EXPECT_EQ(bitmap.PixelColor(17, 17), clWhite);

    Blank(bitmap);
    canvas.Pen().SetColor(clBlack);
    canvas.MoveTo(0, 5);
    canvas.LineTo(10, 5);
    EXPECT_EQ(canvas.PenPos().x, 10);
    EXPECT_EQ(CountColor(bitmap, RECT{0, 5, 20, 6}, clBlack), 10) << "the end point is left out";
    const POINT line[] = {{0, 8}, {5, 8}, {5, 12}};
    canvas.Polyline(line);
    EXPECT_EQ(bitmap.PixelColor(5, 10), clBlack);
}

TEST(Canvas, PenChangesAreNotLostBetweenCalls)
{
    Bitmap bitmap(10, 10);
    Canvas& canvas = Blank(bitmap).Canvas();
    for (Color color : {clRed, clGreen, clBlue}) {
        canvas.Pen().SetColor(color);
        canvas.MoveTo(0, 0);
        canvas.LineTo(9, 0);
        EXPECT_EQ(bitmap.PixelColor(4, 0), color);
    }
    canvas.Pen().SetWidth(3);
    canvas.MoveTo(0, 5);
    canvas.LineTo(9, 5);
    EXPECT_EQ(bitmap.PixelColor(4, 4), clBlue);
    EXPECT_EQ(bitmap.PixelColor(4, 6), clBlue);
    canvas.Pen().SetMode(pmNot);
    canvas.MoveTo(0, 9);
    canvas.LineTo(9, 9);
    EXPECT_EQ(bitmap.PixelColor(4, 9), clBlack) << "the not mode inverts white";
    canvas.Pen().SetMode(pmCopy);
    int changes = 0;
    canvas.Pen().OnChange = [&] { ++changes; };
    canvas.Pen().SetWidth(0);
    EXPECT_EQ(canvas.Pen().Width(), 1);
    canvas.Pen().SetWidth(1);
    EXPECT_EQ(changes, 1);
    canvas.Pen().OnChange = nullptr;
}

TEST(Canvas, TextHasExtentAndLeavesInkInsideItsBox)
{
    Bitmap bitmap(200, 60);
    Canvas& canvas = Blank(bitmap).Canvas();
    canvas.Font().SetColor(clBlack);
    canvas.Font().SetHeight(-16);
    const SIZE size = canvas.TextExtent(u"连接 Connect");
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    EXPECT_GT(canvas.TextExtent(u"").cy, 0) << "an empty text still has a line height";
    canvas.SetBrushStyle(bsClear);
    canvas.TextOut(10, 10, u"连接 Connect");
    const RECT box{10, 10, 10 + size.cx, 10 + size.cy};
    EXPECT_GT(CountColor(bitmap, box, clWhite, false), 0);
    EXPECT_EQ(CountColor(bitmap, RECT{0, 0, 200, 9}, clWhite, false), 0) << "nothing above the box";

    Blank(bitmap);
    RECT calc{0, 0, 200, 0};
    canvas.DrawText(calc, u"ABC", DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(calc.right, 0);
    EXPECT_GT(calc.bottom, 0);
    EXPECT_EQ(CountColor(bitmap, RECT{0, 0, 200, 60}, clWhite, false), 0) << "measuring draws nothing";
    RECT right{0, 0, 200, 60};
    canvas.DrawText(right, u"ABC", DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_GT(CountColor(bitmap, RECT{150, 0, 200, 60}, clWhite, false), 0);
    EXPECT_EQ(CountColor(bitmap, RECT{0, 0, 100, 60}, clWhite, false), 0) << "right-aligned";

    Blank(bitmap);
    canvas.SetBrushColor(clYellow);
    canvas.TextRect(RECT{5, 5, 25, 25}, 5, 5, u"WWWWWWWWWW");
    EXPECT_EQ(bitmap.PixelColor(30, 10), clWhite) << "clipped to its rectangle";
    EXPECT_GT(CountColor(bitmap, RECT{5, 5, 25, 25}, clYellow), 0) << "opaque background";
}

TEST(Canvas, DrawAndCopyRectWithModes)
{
    Bitmap picture(4, 4);
    Blank(picture, clRed);
    picture.Canvas().SetBrushColor(clFuchsia);
    picture.Canvas().FillRect(RECT{0, 2, 4, 4}); // bottom half in the key colour

    struct Case { bool transparent; Color lower; };
    for (const Case& c : {Case{false, clFuchsia}, Case{true, clBlue}}) {
        Bitmap target(10, 10);
        Blank(target, clBlue);
        picture.SetTransparent(c.transparent);
        target.Canvas().Draw(3, 3, picture);
        EXPECT_EQ(target.PixelColor(3, 3), clRed);
        EXPECT_EQ(target.PixelColor(6, 4), clRed);
        EXPECT_EQ(target.PixelColor(4, 6), c.lower) << "transparent " << c.transparent;
        EXPECT_EQ(target.PixelColor(2, 3), clBlue);
        EXPECT_EQ(target.PixelColor(7, 3), clBlue);
    }
    picture.SetTransparent(false);

    // Stretching solid pieces keeps them solid and in proportion.
    Bitmap big(40, 40);
    big.Canvas().StretchDraw(RECT{0, 0, 40, 40}, picture);
    EXPECT_EQ(CountColor(big, RECT{0, 0, 40, 20}, clRed), 800);
    EXPECT_EQ(CountColor(big, RECT{0, 20, 40, 40}, clFuchsia), 800);

    // CopyRect with a copy mode: inverted source.
    Bitmap inverted(4, 4);
    inverted.Canvas().SetCopyMode(cmNotSrcCopy);
    inverted.Canvas().CopyRect(RECT{0, 0, 4, 4}, picture.Canvas(), RECT{0, 0, 4, 4});
    EXPECT_EQ(inverted.PixelColor(0, 0), clAqua);
    EXPECT_EQ(inverted.PixelColor(0, 3), clLime);
    Bitmap half(2, 2);
    half.Canvas().CopyRect(RECT{0, 0, 2, 2}, picture.Canvas(), RECT{0, 0, 4, 4});
    EXPECT_EQ(half.PixelColor(0, 0), clRed);
    EXPECT_EQ(half.PixelColor(1, 1), clFuchsia);
}

TEST(Canvas, CopiesBetween32BitBitmapsKeepAlpha)
{
    Bitmap source(3, 3, pf32bit);
    source.Pixels().Fill(PixelRect{0, 0, 3, 3}, 0x7F336699);
    Bitmap target(5, 5, pf32bit);
    target.Pixels().Fill(PixelRect{0, 0, 5, 5}, 0x00000000);
    target.Canvas().Draw(1, 1, source);
    EXPECT_EQ(target.Pixels().ReadPixel(2, 2), 0x7F336699u);
    EXPECT_EQ(target.Pixels().ReadPixel(0, 0), 0u);
    Bitmap copy(3, 3, pf32bit);
    copy.Canvas().CopyRect(RECT{0, 0, 3, 3}, source.Canvas(), RECT{0, 0, 3, 3});
    EXPECT_EQ(copy.Pixels().ReadPixel(1, 1), 0x7F336699u);
}

TEST(Canvas, ClippingAndSavedStates)
{
    Bitmap bitmap(10, 10);
    Canvas& canvas = Blank(bitmap).Canvas();
    EXPECT_EQ(canvas.ClipRect().right, 10);
    const int state = canvas.SaveState();
    EXPECT_GT(state, 0);
    canvas.IntersectClipRect(RECT{2, 2, 8, 8});
    canvas.ExcludeClipRect(RECT{4, 4, 6, 6});
    EXPECT_EQ(canvas.ClipRect().left, 2);
    canvas.SetBrushColor(clBlack);
    canvas.FillRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(bitmap.PixelColor(1, 1), clWhite);
    EXPECT_EQ(bitmap.PixelColor(2, 2), clBlack);
    EXPECT_EQ(bitmap.PixelColor(5, 5), clWhite);
    EXPECT_TRUE(canvas.RestoreState(state));
    EXPECT_FALSE(canvas.RestoreState()) << "nothing more was saved through the canvas";
    canvas.FillRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(bitmap.PixelColor(1, 1), clBlack);
    canvas.IntersectClipRect(RECT{0, 0, 1, 1});
    canvas.ClearClip();
    EXPECT_EQ(canvas.ClipRect().right, 10);
}

TEST(Canvas, HandedContextGetsItsStateBack)
{
    Bitmap bitmap(4, 4);
    HDC dc = bitmap.Canvas().Handle();
    const int mode = GetBkMode(dc);
    {
        Canvas canvas(dc);
        canvas.SetBrushStyle(bsClear);
        canvas.TextOut(0, 0, u"x");
        canvas.IntersectClipRect(RECT{0, 0, 1, 1});
    }
    EXPECT_EQ(GetBkMode(dc), mode);
    RECT clip{};
    GetClipBox(dc, &clip);
    EXPECT_EQ(clip.right, 4);
}

TEST(Canvas, LockSerialisesThreads)
{
    Canvas canvas;
    canvas.Lock();
    EXPECT_EQ(canvas.LockCount(), 1);
    bool other = true;
    std::thread([&] { other = canvas.TryLock(); }).join();
    EXPECT_FALSE(other);
    canvas.Unlock();
    std::thread([&] { other = canvas.TryLock(); if (other) canvas.Unlock(); }).join();
    EXPECT_TRUE(other);
    EXPECT_EQ(canvas.LockCount(), 0);
}

} // namespace
} // namespace ui
