// The engine's start-up values and the painting routines over real DIB sections and device contexts.
#include "skin/engine/gradient.h"
#include "skin/engine/graphutils.h"
#include "ui/graphiccontrol.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using ui::test::UiTest;

class GraphUtilsTest : public UiTest {
protected:
    GraphUtilsTest() { InitSkinEngine(); }
    ~GraphUtilsTest() override { DoneSkinEngine(); }

    static uint32_t At(ui::Bitmap& bmp, int x, int y) { return bmp.PixelColor(x, y); }
    static void Fill(ui::Bitmap& bmp, ui::Color color)
    {
        RECT r{0, 0, bmp.Width(), bmp.Height()};
        FillDCSolid(bmp.Canvas().Handle(), r, color);
        GdiFlush();
    }
};

TEST_F(GraphUtilsTest, StartUpValuesAndSharedAccessors)
{
    EXPECT_EQ(DefaultArrowLength(), GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_TRUE(LayeredWindowsAvailable());
    ASSERT_NE(Fast24(), nullptr);
    ASSERT_NE(FastSum24(), nullptr);
    EXPECT_EQ(EmptyCacheInfo.X, -99);
    EXPECT_EQ(EmptyCacheInfo.FillColor, 0u);
    EXPECT_FALSE(EmptyCacheInfo.Ready);
    auto bmp = NewBmp24(3, 2);
    EXPECT_TRUE(Fast24()->Attach(bmp.get()));
    EXPECT_FALSE(Fast32()->Attach(static_cast<ui::Bitmap*>(nullptr)));
    EXPECT_EQ(Fast32()->Width(), 0);
    EXPECT_EQ(NewBmp32(2, 2)->GetPixelFormat(), ui::pf32bit);
    EXPECT_EQ(NewBmpLike(*bmp)->Width(), 3);
    DoneSkinEngine();
    EXPECT_EQ(Fast24(), nullptr);
    EXPECT_FALSE(LayeredWindowsAvailable());
    InitSkinEngine();
}

TEST_F(GraphUtilsTest, FrameFillsAndFrameCopies)
{
    auto bmp = NewBmp24(10, 10);
    Fill(*bmp, ui::clWhite);
    FillDCFrame(bmp->Canvas().Handle(), RECT{0, 0, 10, 10}, 0, 0, 0, 0, ui::clRed);
    GdiFlush();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(At(*bmp, i, i), ui::clWhite);
    FillDCFrame(bmp->Canvas().Handle(), RECT{0, 0, 10, 10}, 1, 2, 3, 4, ui::clRed);
    GdiFlush();
    struct Probe {
        int x, y;
        ui::Color color;
    } probes[] = {{5, 1, ui::clRed}, {5, 2, ui::clWhite}, {0, 5, ui::clRed}, {1, 5, ui::clWhite},
                  {7, 5, ui::clRed}, {6, 5, ui::clWhite}, {5, 6, ui::clRed}, {5, 5, ui::clWhite}};
    for (const Probe& p : probes)
        EXPECT_EQ(At(*bmp, p.x, p.y), p.color) << p.x << "," << p.y;

    auto src = NewBmp24(10, 10), dst = NewBmp24(12, 12);
    Fill(*src, ui::clBlue);
    Fill(*dst, ui::clWhite);
    CopyDCFrame(dst->Canvas().Handle(), 1, 1, 10, 10, src->Canvas().Handle(), 0, 0, 2);
    GdiFlush();
    for (const Probe& p : {Probe{1, 1, ui::clBlue}, Probe{2, 10, ui::clBlue}, Probe{10, 5, ui::clBlue},
                           Probe{5, 10, ui::clBlue}, Probe{5, 2, ui::clBlue}, Probe{3, 3, ui::clWhite},
                           Probe{8, 8, ui::clWhite}, Probe{0, 0, ui::clWhite}, Probe{11, 11, ui::clWhite}})
        EXPECT_EQ(At(*dst, p.x, p.y), p.color) << p.x << "," << p.y;
}

class Graphic : public ui::GraphicControl {
public:
    using ui::GraphicControl::GraphicControl;
    bool splitter = false;
};

TEST_F(GraphUtilsTest, ExcludeGraphicChildrenKeepsWindowedHiddenAndSplitters)
{
    ui::Form form;
    form.SetClientSize(200, 100);
    auto* windowed = new ui::Panel(&form);
    windowed->SetParent(&form);
    windowed->SetBounds(0, 0, 20, 20);
    Graphic* children[3];
    for (int i = 0; i < 3; ++i) {
        children[i] = new Graphic(&form);
        children[i]->SetParent(&form);
        children[i]->SetBounds(40 + i * 40, 10, 20, 20);
    }
    children[1]->Hide();
    children[2]->splitter = true;
    SetSplitterTest([](ui::Control* c) { return static_cast<Graphic*>(c)->splitter; });
    auto bmp = NewBmp24(200, 100);
    HDC dc = bmp->Canvas().Handle();
    ExcludeGraphicChildren(dc, &form, 5, 0);
    auto visible = [&](int x, int y) {
        RECT r{x, y, x + 1, y + 1};
        return RectVisible(dc, &r) != FALSE;
    };
    EXPECT_FALSE(visible(50, 15));  // the visible graphic child, moved by the offset
    EXPECT_TRUE(visible(42, 15));   // its own left edge lies before the moved bounds
    EXPECT_TRUE(visible(5, 5));     // windowed
    EXPECT_TRUE(visible(90, 15));   // hidden
    EXPECT_TRUE(visible(130, 15));  // splitter
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_EQ(box.right, 200);
    SelectClipRgn(dc, nullptr);
}

TEST_F(GraphUtilsTest, RoundShadeOfDepthZeroKeepsThePercent)
{
    auto bmp = NewBmp24(20, 20);
    Fill(*bmp, ui::clWhite);
    PaintRoundShade(*bmp, Rect{2, 2, 18, 18}, 60, ui::clBlack, 0, 4);
    // 255 x 153 div 256 = 152: 60 % of white.
    EXPECT_EQ(At(*bmp, 10, 10), 0x989898u);
    EXPECT_EQ(At(*bmp, 2, 17), 0x989898u);
    EXPECT_EQ(At(*bmp, 1, 1), ui::clWhite);
    // With depth the edge stays lighter than the centre.
    Fill(*bmp, ui::clWhite);
    PaintRoundShade(*bmp, Rect{0, 0, 20, 20}, 40, ui::clBlack, 4, 4);
    EXPECT_GT(At(*bmp, 0, 10) & 0xFF, At(*bmp, 10, 10) & 0xFF);
    EXPECT_EQ(At(*bmp, 10, 10) & 0xFF, 255u * 102 / 256);
}

TEST_F(GraphUtilsTest, StretchKeepBordersWithAnEmptyCentre)
{
    // Source 6 x 4 with borders 2 all round: the centre is 2 wide and 0 high.
    auto src = NewBmp24(6, 4), dst = NewBmp24(20, 12);
    Fill(*src, ui::clRed);
    Fill(*dst, ui::clWhite);
    StretchKeepBorders(*dst, *src, Rect{0, 0, 20, 12}, Rect{0, 0, 6, 4}, Rect{2, 2, 2, 2}, Rect{2, 2, 2, 2},
                       Rect{0, 0, 0, 0}, 0, true);
    GdiFlush();
    EXPECT_EQ(At(*dst, 0, 0), ui::clRed);    // corner
    EXPECT_EQ(At(*dst, 19, 11), ui::clRed);  // corner
    EXPECT_EQ(At(*dst, 10, 0), ui::clRed);   // top edge
    EXPECT_EQ(At(*dst, 10, 11), ui::clRed);  // bottom edge
    EXPECT_EQ(At(*dst, 0, 6), ui::clWhite);  // no vertical edges
    EXPECT_EQ(At(*dst, 10, 6), ui::clWhite); // no centre
    // Stretched edges and centre fill everything.
    auto full = NewBmp24(6, 6);
    Fill(*full, ui::clBlue);
    StretchKeepBorders(*dst, *full, Rect{0, 0, 20, 12}, Rect{0, 0, 6, 6}, Rect{2, 2, 2, 2}, Rect{1, 1, 1, 1},
                       Rect{1, 1, 1, 1}, 1, true);
    GdiFlush();
    EXPECT_EQ(At(*dst, 0, 6), ui::clBlue);
    EXPECT_EQ(At(*dst, 10, 6), ui::clBlue);
    EXPECT_EQ(At(*dst, 1, 6), ui::clWhite); // the band past the maximum border stays
}

TEST_F(GraphUtilsTest, GradientTrianglesOnIndexedAndTrueColourBitmaps)
{
    TsGradArray data;
    ParseGradientData(u"255;0;0;2;0", data); // one piece: every vertex red
    for (ui::PixelFormat f : {ui::pf8bit, ui::pf24bit}) {
        ui::Bitmap bmp(16, 16, f);
        PaintGradient(&bmp, Rect{0, 0, 16, 16}, data, 0, 0);
        EXPECT_EQ(At(bmp, 8, 4), ui::clRed) << int(f);
    }
    // Modes 0 and 1 go through the pixel painter; 8-bit bitmaps are left.
    ParseGradientData(u"255;255;100;0;0", data);
    ui::Bitmap indexed(4, 4, ui::pf8bit);
    PaintGradient(&indexed, Rect{0, 0, 4, 4}, data, 0, 0);
    EXPECT_EQ(At(indexed, 1, 1), ui::clWhite);
    ui::Bitmap rgb(4, 4, ui::pf24bit);
    PaintGradient(&rgb, Rect{0, 0, 4, 4}, data, 0, 0);
    EXPECT_EQ(At(rgb, 1, 1), ui::clRed);
}

TEST_F(GraphUtilsTest, AlphaDrawingAndResamplingOfBitmaps)
{
    ui::Bitmap src(2, 2, ui::pf24bit), dst(4, 4, ui::pf24bit);
    Fill(src, ui::clWhite); // made 32-bit opaque by the drawing
    Fill(dst, ui::clBlack);
    DrawAlphaBmp(Rect{1, 1, 3, 3}, Rect{0, 0, 2, 2}, &dst, &src, EmptyCacheInfo, false, NoColorize, 50, false);
    EXPECT_EQ(src.GetPixelFormat(), ui::pf32bit);
    EXPECT_EQ(At(dst, 1, 1), 0x7E7E7Eu);
    EXPECT_EQ(At(dst, 0, 0), 0u);

    ui::Bitmap copy;
    ResampleBmp(&src, &copy, 2, 2, 1);
    EXPECT_EQ(copy.Width(), 2);
    ResampleBmp(&src, &copy, 5, 3, 6);
    EXPECT_EQ(copy.Width(), 5);
    EXPECT_EQ(copy.GetPixelFormat(), ui::pf32bit);
    EXPECT_GE(At(copy, 2, 1) & 0xFF, 253u); // the kernel's rounded weights may lose a step
    ui::Bitmap thin(1, 5, ui::pf24bit);
    EXPECT_THROW(ResampleBmp(&thin, &copy, 2, 2, 1), core::Exception);
}

} // namespace
} // namespace skin
