// The pixel routines of the mask, frame, texture and corner painters and the layout arithmetic, over
// pixel buffers.
#include "skin/engine/maskpaint.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

constexpr uint32_t kKey = 0xFF00FF;
const int kManager = 0; // any non-null address marks an entry as loaded

ui::PixelBuffer Filled(int w, int h, uint32_t value, ui::PixelFormat f = ui::pf24bit)
{
    ui::PixelBuffer b(w, h, f);
    b.View().Fill(b.View().Bounds(), value);
    return b;
}

PaintBg Ready(ui::PixelView view, int x = 0, int y = 0)
{
    PaintBg bg;
    bg.View = view;
    bg.X = x;
    bg.Y = y;
    bg.Ready = true;
    return bg;
}

PaintBg Colour(uint32_t color)
{
    PaintBg bg;
    bg.FillColor = color;
    return bg;
}

MaskData Entry(Rect r, int images, int maskType, int wl, int wt, int wr, int wb, int drawMode = 0)
{
    MaskData m;
    m.R = r;
    m.ImageCount = int16_t(images);
    m.MaskType = int16_t(maskType);
    m.WL = int16_t(wl), m.WT = int16_t(wt), m.WR = int16_t(wr), m.WB = int16_t(wb);
    m.DrawMode = int16_t(drawMode);
    m.Manager = &kManager;
    return m;
}

// Each piece rule by background kind and UpdateCorners: a masked source of two pixels, a key pixel
// and a grey one (mask 0 shows it), over a white destination.
TEST(CopyMaskedPiece, KeyPixelsByBackgroundAndUpdateCorners)
{
    ui::PixelBuffer src(2, 2, ui::pf24bit);
    src.View().WritePixel(0, 0, kKey);
    src.View().WritePixel(1, 0, 0x404040);
    src.View().WritePixel(0, 1, 0x000000); // masks
    src.View().WritePixel(1, 1, 0x000000);
    ui::PixelBuffer bgPic = Filled(2, 1, 0x00FF00);
    struct Case {
        const char* name;
        bool ready, update;
        uint32_t keyResult;
    };
    const Case cases[] = {
        {"ready, update: background", true, true, 0x00FF00},
        {"ready, no update: mask formula", true, false, 0xFF00FF},
        {"not ready, no update: left", false, false, 0xFFFFFF},
        {"not ready, update: fill colour", false, true, 0x123456},
    };
    for (const Case& c : cases) {
        ui::PixelBuffer dst = Filled(2, 1, 0xFFFFFF);
        PaintBg bg = c.ready ? Ready(bgPic.View()) : Colour(0x123456);
        CopyMaskedPiece(Rect{0, 0, 2, 1}, Rect{0, 0, 2, 1}, dst.View(), src.View(), bg, c.update, 1);
        EXPECT_EQ(dst.View().ReadPixel(0, 0), c.keyResult) << c.name;
        EXPECT_EQ(dst.View().ReadPixel(1, 0), 0x404040u) << c.name;
    }
}

TEST(CopyMaskedPiece, MaskFormulaAndBackgroundOutside)
{
    ui::PixelBuffer src(2, 2, ui::pf24bit);
    src.View().WritePixel(0, 0, 0x000000);
    src.View().WritePixel(1, 0, kKey);
    src.View().WritePixel(0, 1, 0x808080); // half mask
    ui::PixelBuffer dst = Filled(2, 1, 0xC8C8C8);
    ui::PixelBuffer bgPic = Filled(1, 1, 0x00FF00); // (1, 0) lies outside it
    CopyMaskedPiece(Rect{0, 0, 2, 1}, Rect{0, 0, 2, 1}, dst.View(), src.View(), Ready(bgPic.View()), true, 1);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x646464u); // 0 + 200 * 128 / 256
    EXPECT_EQ(dst.View().ReadPixel(1, 0), 0xC8C8C8u);
}

TEST(CopyKeyedPiece, EmptyBackgroundGivesBlackCornersReadyKeeps)
{
    ui::PixelBuffer src = Filled(2, 1, kKey);
    src.View().WritePixel(1, 0, 0x112233);
    for (bool update : {false, true}) {
        ui::PixelBuffer dst = Filled(2, 1, 0xFFFFFF);
        CopyKeyedPiece(dst.View(), src.View(), 0, 0, update, Colour(0), false, kKey, Rect{0, 0, 1, 0});
        EXPECT_EQ(dst.View().ReadPixel(0, 0), 0u) << update;
        EXPECT_EQ(dst.View().ReadPixel(1, 0), 0x112233u) << update;
    }
    ui::PixelBuffer bgPic = Filled(2, 1, 0x00FF00);
    ui::PixelBuffer dst = Filled(2, 1, 0xFFFFFF);
    CopyKeyedPiece(dst.View(), src.View(), 0, 0, false, Ready(bgPic.View()), false, kKey, Rect{0, 0, 1, 0});
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0xFFFFFFu);
    CopyKeyedPiece(dst.View(), src.View(), 0, 0, true, Ready(bgPic.View()), false, kKey, Rect{0, 0, 1, 0});
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x00FF00u);
    // A 32-bit destination gets opaque pixels.
    ui::PixelBuffer dst32 = Filled(2, 1, 0, ui::pf32bit);
    CopyKeyedPiece(dst32.View(), src.View(), 0, 0, true, Colour(0x0000FF), false, kKey, Rect{0, 0, 1, 0});
    EXPECT_EQ(dst32.View().ReadPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(dst32.View().ReadPixel(1, 0), 0xFF112233u);
}

TEST(KeyedAndGray, OtherFormatsAreLeft)
{
    ui::PixelBuffer src = Filled(2, 2, 0x102030);
    ui::PixelBuffer dst32 = Filled(2, 2, 0x01020304, ui::pf32bit);
    CopyKeyedRect(dst32.View(), src.View(), 0, 0, kKey, Rect{0, 0, 1, 1});
    GrayBmp24(dst32.View());
    EXPECT_EQ(dst32.View().ReadPixel(1, 1), 0x01020304u);
    ui::PixelBuffer dst = Filled(3, 3, 0);
    CopyKeyedRect(dst.View(), src.View(), 2, -1, kKey, Rect{-5, 0, 9, 1});
    EXPECT_EQ(dst.View().ReadPixel(2, 0), 0x102030u);
    EXPECT_EQ(dst.View().ReadPixel(1, 0), 0u);
    ui::PixelBuffer gray = Filled(1, 1, 0x0000FF);
    GrayBmp24(gray.View());
    EXPECT_EQ(gray.View().ReadPixel(0, 0), 0x555555u);
}

TEST(NineSlices, BordersShrinkInNarrowRects)
{
    struct Case {
        int size, a, b;
    };
    const Case cases[] = {{7, 4, 3}, {6, 3, 3}, {10, 5, 5}, {1, 1, 0}};
    for (const Case& c : cases) {
        int a = 5, b = 5;
        ShrinkBorders(c.size, a, b);
        EXPECT_EQ(a, c.a) << c.size;
        EXPECT_EQ(b, c.b) << c.size;
    }
}

TEST(NineSlices, PlanOrderStateClampAndNothingCases)
{
    const MaskData m = Entry(Rect{10, 0, 40, 8}, 3, 0, 2, 2, 2, 2);
    const auto pieces = PlanMaskRect(Rect{0, 0, 20, 20}, m, 7, false);
    ASSERT_EQ(pieces.size(), 8u);
    EXPECT_EQ(pieces[0].Src, (Rect{30, 0, 32, 2})); // image 2 starts at 10 + 2 * 10
    EXPECT_EQ(pieces[0].Dst, (Rect{0, 0, 2, 2}));
    EXPECT_EQ(pieces[1].Dst, (Rect{0, 2, 2, 18})); // left edge
    EXPECT_EQ(pieces[5].Src, (Rect{38, 6, 40, 8})); // bottom-right corner: the image's last columns
    EXPECT_EQ(pieces[6].Dst, (Rect{18, 0, 20, 2})); // top-right corner before the right edge
    EXPECT_EQ(PlanMaskRect(Rect{0, 0, 20, 20}, m, 0, true).size(), 8u); // no DrawMode bit 2: no centre
    EXPECT_EQ(PlanMaskRect(Rect{0, 0, 20, 20}, Entry(m.R, 3, 0, 2, 2, 2, 2, 4), 0, true).size(), 9u);
    EXPECT_TRUE(PlanMaskRect(Rect{0, 0, 20, 1}, m, 0, false).empty());
    EXPECT_TRUE(PlanMaskRect(Rect{0, 0, 20, 20}, Entry(m.R, 3, 0, 2, 2, 2, 2, 2), 0, false).empty());
    EXPECT_FALSE(PlanMaskRect(Rect{0, 0, 20, 20}, Entry(m.R, 3, 0, 2, 2, 2, 2, 2), 1, false).empty());
    MaskData none = m;
    none.Manager = nullptr;
    EXPECT_TRUE(PlanMaskRect(Rect{0, 0, 20, 20}, none, 0, false).empty());
}

TEST(NineSlices, PlainEdgesTileFromThePieceStart)
{
    // One image 6 x 3: borders 1, the centre column pair holds 0x10 and 0x20.
    ui::PixelBuffer src = Filled(6, 3, 0xFFFFFF);
    for (int y = 0; y < 3; ++y)
        for (int x = 1; x < 5; ++x)
            src.View().WritePixel(x, y, uint32_t(x * 0x10));
    ui::PixelBuffer dst = Filled(11, 3, 0);
    const MaskData m = Entry(Rect{0, 0, 6, 3}, 1, 0, 1, 1, 1, 1);
    PaintMaskRectPixels(dst.View(), src.View(), Rect{0, 0, 11, 3}, m, 0, false, Colour(0), true, false, nullptr);
    // Top edge: tiles of 4 (0x10 0x20 0x30 0x40) from x 1, the last one cut.
    const uint32_t expected[] = {0xFFFFFF, 0x10, 0x20, 0x30, 0x40, 0x10, 0x20, 0x30, 0x40, 0x10, 0xFFFFFF};
    for (int x = 0; x < 11; ++x)
        EXPECT_EQ(dst.View().ReadPixel(x, 0), expected[x]) << x;
}

TEST(NineSlices, MaskedEntryWithoutCentreRowsPaintsNoSideEdges)
{
    // State height 4 = WT 2 + WB 2: no rows between the borders.
    ui::PixelBuffer src = Filled(6, 8, 0x000000); // masks of 0: the image shows
    src.View().Fill(ui::PixelRect{0, 0, 6, 4}, 0x0000FF);
    const MaskData m = Entry(Rect{0, 0, 6, 8}, 1, 1, 2, 2, 2, 2);
    ui::PixelBuffer dst = Filled(10, 10, 0xFFFFFF);
    PaintMaskRectPixels(dst.View(), src.View(), Rect{0, 0, 10, 10}, m, 0, true, Colour(0), true, false, nullptr);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(dst.View().ReadPixel(5, 0), 0x0000FFu); // top edge
    EXPECT_EQ(dst.View().ReadPixel(0, 5), 0xFFFFFFu); // left edge: nothing
    EXPECT_EQ(dst.View().ReadPixel(9, 5), 0xFFFFFFu);
}

TEST(Glyphs, NegativeStartCutsLeftColumnsAndModeTwoAddsHundred)
{
    // A masked glyph of 5 x 2 whose column x holds red x * 40, mask 0.
    ui::PixelBuffer src = Filled(5, 4, 0);
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 2; ++y)
            src.View().WritePixel(x, y, uint32_t(x * 40));
    const MaskData m = Entry(Rect{0, 0, 5, 4}, 1, 1, 0, 0, 0, 0);
    Rect s, d;
    MaskGlyphRects(m, 0, -3, 2, s, d);
    EXPECT_EQ(s, (Rect{3, 0, 4, 1}));
    EXPECT_EQ(d, (Rect{0, 2, 1, 3}));
    ui::PixelBuffer dst = Filled(6, 6, 0xC8);
    CopyMaskedGlyph(d, s, dst.View(), m, 1, kKey, src.View());
    EXPECT_EQ(dst.View().ReadPixel(0, 2), 120u);
    EXPECT_EQ(dst.View().ReadPixel(1, 3), 160u);
    EXPECT_EQ(dst.View().ReadPixel(2, 2), 0xC8u); // not past the image
    // Mode 2: mask 0 counts as 100.
    ui::PixelBuffer half = Filled(1, 1, 0xC8);
    CopyMaskedGlyph(Rect{0, 0, 0, 0}, Rect{0, 0, 0, 0}, half.View(), m, 2, kKey, src.View());
    EXPECT_EQ(half.View().ReadPixel(0, 0), uint32_t(200 * 100 / 256));
}

TEST(Corners, ReplaceKeyPixelsByBottomRightMaskCorner)
{
    // State 0 image 4 x 4 at (2, 0) of a 2-image entry; WR = WB = 2. Only (5, 3) of the image is key.
    ui::PixelBuffer maskSrc = Filled(10, 4, 0x101010);
    maskSrc.View().WritePixel(5, 3, kKey);
    maskSrc.View().WritePixel(2, 0, kKey); // top-left: not consulted
    const MaskData m = Entry(Rect{2, 0, 10, 4}, 2, 0, 2, 2, 2, 2);
    const PixelPos o = KeyCornerOrigin(m, 17);
    EXPECT_EQ(o.X, 4);
    EXPECT_EQ(o.Y, 2);
    ui::PixelBuffer dst = Filled(2, 2, 0xFF000000, ui::pf32bit);
    ui::PixelBuffer src = Filled(2, 2, 0x80ABCDEF, ui::pf32bit);
    const ui::PixelView mv = maskSrc.View();
    ReplaceKeyColorPixels(dst.View(), src.View(), Rect{0, 0, 2, 2}, Rect{0, 0, 2, 2}, &mv, o);
    EXPECT_EQ(dst.View().ReadPixel(1, 1), 0x80ABCDEFu);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0xFF000000u);
    // Without a mask the destination's own key pixels are replaced.
    dst.View().WritePixel(0, 1, 0xFFFF00FF);
    ReplaceKeyColorPixels(dst.View(), src.View(), Rect{0, 0, 2, 2}, Rect{0, 0, 2, 2}, nullptr, {});
    EXPECT_EQ(dst.View().ReadPixel(0, 1), 0x80ABCDEFu);
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0xFF000000u);
}

TEST(Corners, KeyRectsOfTopAndBottomCorners)
{
    ui::PixelBuffer src = Filled(8, 6, 0x101010);
    for (int x = 0; x < 3; ++x)
        src.View().WritePixel(x, 0, kKey);
    src.View().WritePixel(7, 0, kKey);
    src.View().WritePixel(7, 5, kKey);
    const MaskData m = Entry(Rect{0, 0, 8, 6}, 1, 0, 4, 2, 4, 2);
    std::vector<Rect> aor{Rect{9, 9, 9, 9}};
    AddCornerKeyRects(aor, 20, m, src.View(), false, 5);
    ASSERT_EQ(aor.size(), 3u);
    EXPECT_EQ(aor[1], (Rect{0, 5, 3, 6}));
    EXPECT_EQ(aor[2], (Rect{19, 5, 20, 6})); // column 7 placed so the image's right edge meets 20
    std::vector<Rect> bottom;
    AddCornerKeyRects(bottom, 8, m, src.View(), true, 0);
    ASSERT_EQ(bottom.size(), 1u);
    EXPECT_EQ(bottom[0], (Rect{7, 1, 8, 2}));
    std::vector<Rect> tooLow;
    AddCornerKeyRects(tooLow, 8, Entry(Rect{0, 0, 8, 12}, 1, 0, 4, 2, 4, 2), src.View(), true, 0);
    EXPECT_TRUE(tooLow.empty());
}

TEST(Corners, RestoreTakesBackgroundOrColour)
{
    ui::PixelBuffer src = Filled(6, 6, 0x101010);
    src.View().WritePixel(0, 0, kKey);
    src.View().WritePixel(5, 5, kKey);
    const MaskData m = Entry(Rect{0, 0, 6, 6}, 1, 0, 2, 2, 2, 2);
    ui::PixelBuffer cache = Filled(10, 8, 0xFFFFFF);
    ui::PixelBuffer parent = Filled(20, 20, 0x00FF00);
    RestoreCornerPixels(cache.View(), src.View(), m, 0, 1 | 8, Ready(parent.View(), 3, 3));
    EXPECT_EQ(cache.View().ReadPixel(0, 0), 0x00FF00u);
    EXPECT_EQ(cache.View().ReadPixel(9, 7), 0x00FF00u);
    ui::PixelBuffer cache2 = Filled(10, 8, 0xFFFFFF);
    RestoreCornerPixels(cache2.View(), src.View(), m, 0, 1, Colour(kKey)); // plain entry: no key colour
    EXPECT_EQ(cache2.View().ReadPixel(0, 0), 0xFFFFFFu);
    RestoreCornerPixels(cache2.View(), src.View(), m, 0, 2 | 4, Colour(0x123456)); // corners without key pixels
    EXPECT_EQ(cache2.View().ReadPixel(0, 7), 0xFFFFFFu);
}

TEST(Frame, PaintsAndReportsCornerRuns)
{
    // One plain image 6 x 6, borders 2; its top-left corner's first row is transparent (2 pixels).
    ui::PixelBuffer src = Filled(6, 6, 0x0000FF);
    src.View().WritePixel(0, 0, kKey);
    src.View().WritePixel(1, 0, kKey);
    const MaskData m = Entry(Rect{0, 0, 6, 6}, 1, 0, 2, 2, 2, 2);
    ui::PixelBuffer dst = Filled(10, 10, 0xFFFFFF);
    std::vector<Rect> runs;
    PaintMaskFramePixels(dst.View(), src.View(), m, 0, false, &runs, nullptr);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (Rect{0, 0, 2, 1}));
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(dst.View().ReadPixel(5, 0), 0x0000FFu);
    EXPECT_EQ(dst.View().ReadPixel(5, 5), 0xFFFFFFu); // no filling
    ui::PixelBuffer thin = Filled(1, 50, 0xFFFFFF);
    PaintMaskFramePixels(thin.View(), src.View(), m, 0, true, &runs, nullptr);
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(thin.View().ReadPixel(0, 0), 0xFFFFFFu);
}

TEST(Textures, MaskedModesAndPlainPlans)
{
    // A masked 2 x 2 tile: (0, 0) key, others red with mask 0.
    ui::PixelBuffer src = Filled(2, 4, 0);
    src.View().Fill(ui::PixelRect{0, 0, 2, 2}, 0x0000FF);
    src.View().WritePixel(0, 0, kKey);
    const MaskData m = Entry(Rect{0, 0, 2, 4}, 1, 1, 0, 0, 0, 0);
    ui::PixelBuffer dst = Filled(5, 5, 0xFFFFFF);
    Rect r{0, 0, 5, 5};
    PaintMaskedTexture(dst.View(), r, Colour(0x00FF00), 0, m, src.View());
    EXPECT_EQ(r, (Rect{-1, -1, -1, -1}));
    EXPECT_EQ(dst.View().ReadPixel(0, 0), 0x00FF00u); // key: fill colour
    EXPECT_EQ(dst.View().ReadPixel(1, 1), 0x0000FFu);
    EXPECT_EQ(dst.View().ReadPixel(4, 4), 0x00FF00u); // the last row and column are tiled too
    ui::PixelBuffer ten = Filled(5, 5, 0xFFFFFF);
    r = Rect{0, 0, 5, 5};
    PaintMaskedTexture(ten.View(), r, Colour(0x123456), 10, m, src.View());
    EXPECT_EQ(ten.View().ReadPixel(1, 1), 0x0000FFu);
    EXPECT_EQ(ten.View().ReadPixel(4, 1), 0x123456u); // right strip
    EXPECT_EQ(ten.View().ReadPixel(1, 4), 0x123456u); // bottom strip
    r = Rect{0, 0, 5, 5};
    PaintMaskedTexture(ten.View(), r, Colour(0), 3, m, src.View());
    EXPECT_EQ(r, (Rect{0, 0, 5, 5}));

    std::vector<TextureBlock> blocks;
    Rect area{0, 0, 25, 30};
    ASSERT_TRUE(PlanTexture(area, 2, 10, 10, blocks));
    EXPECT_EQ(area, (Rect{0, 10, 25, 30}));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].Dst, (Rect{20, 0, 25, 10}));
    EXPECT_EQ(blocks[2].Src, (Rect{0, 0, 5, 10}));
    struct Case {
        int mode;
        Rect left;
        size_t count;
    };
    const Case cases[] = {
        {0, {-1, -1, -1, -1}, 9}, {1, {-1, -1, -1, -1}, 1}, {3, {10, 0, 25, 30}, 3}, {4, {0, 10, 25, 30}, 1},
        {5, {10, 0, 25, 30}, 1},  {6, {0, 0, 25, 20}, 3},   {7, {0, 0, 15, 30}, 3},  {10, {-1, -1, -1, -1}, 9},
    };
    for (const Case& c : cases) {
        blocks.clear();
        area = Rect{0, 0, 25, 30};
        ASSERT_TRUE(PlanTexture(area, c.mode, 10, 10, blocks)) << c.mode;
        EXPECT_EQ(area, c.left) << c.mode;
        EXPECT_EQ(blocks.size(), c.count) << c.mode;
    }
    area = Rect{0, 0, 25, 30};
    EXPECT_FALSE(PlanTexture(area, 8, 10, 10, blocks));
    EXPECT_EQ(area, (Rect{0, 0, 25, 30}));
}

TEST(SectionArithmetic, ValuesWeightsAndShares)
{
    SectionData s;
    s.Color = 0x111111;
    s.HotColor = 0x222222;
    s.Transparency = 100;
    s.ImagePercent = 40;
    s.HotImagePercent = 60;
    s.HotGradientPercent = 20;
    SectionValues v = SectionValuesOf(s, 0, kKey);
    EXPECT_EQ(v.Color, 0x111111u);
    EXPECT_EQ(v.IP, 0); // fully transparent: no texture
    v = SectionValuesOf(s, 2, kKey);
    EXPECT_EQ(v.Color, 0x222222u);
    EXPECT_EQ(v.IP, 60);
    EXPECT_EQ(v.GradientArray, &s.HotGradientArray);
    v = SectionValuesOf(s, 2, 0x123456);
    EXPECT_EQ(v.Color, 0x123456u);
    EXPECT_EQ(v.T + v.IP + v.GP, 0);
    EXPECT_EQ(BgWeight(40), 102);
    EXPECT_EQ(TextureWeight(100), 255);
    EXPECT_EQ(TextureWeightByIndex(100), 255); // not 256 wrapped to 0
    EXPECT_EQ(TextureWeightByIndex(50), 128);
    struct Share {
        int s;
        bool byIndex;
        ColourShare result;
    };
    const Share shares[] = {{0, false, ColourShare::Fill}, {50, false, ColourShare::Blend}, {100, false, ColourShare::Keep},
                            {120, false, ColourShare::Keep}, {100, true, ColourShare::Keep}, {120, true, ColourShare::Fill}};
    for (const Share& c : shares)
        EXPECT_EQ(ColourShareOf(c.s, c.byIndex), c.result) << c.s << c.byIndex;
}

TEST(GlyphLayout, Examples)
{
    struct Case {
        const char* name;
        Rect client;
        PixelPos glyph, text;
        TButtonLayout layout;
        int alignment, margin, spacing, bidi;
        PixelPos glyphPos;
        Rect textBounds;
    };
    const Case cases[] = {
        {"left, centre", {0, 0, 100, 30}, {16, 16}, {40, 13}, blGlyphLeft, 2, 0, 0, 0, {22, 7}, {38, 9, 78, 22}},
        {"automatic margin and spacing", {0, 0, 100, 30}, {16, 16}, {40, 13}, blGlyphLeft, 0, -1, -1, 0, {14, 7},
         {44, 9, 84, 22}},
        {"right-to-left swaps", {0, 0, 100, 30}, {16, 16}, {40, 13}, blGlyphLeft, 2, 0, 0, 1 | 2, {62, 7},
         {22, 9, 62, 22}},
        {"top", {0, 0, 50, 60}, {16, 16}, {20, 13}, blGlyphTop, 0, 7, 4, 0, {17, 13}, {15, 33, 35, 46}},
        {"bottom", {0, 0, 50, 60}, {16, 16}, {20, 13}, blGlyphBottom, 1, 3, 4, 0, {17, 31}, {15, 14, 35, 27}},
        {"moved by the client", {10, 20, 110, 50}, {16, 16}, {40, 13}, blGlyphLeft, 2, 0, 0, 0, {32, 27},
         {48, 29, 88, 42}},
        // Free width 30 - 20 - 15 = -5 halves to -2 (toward zero).
        {"negative free space", {0, 0, 30, 10}, {20, 10}, {15, 10}, blGlyphLeft, 2, 0, 0, 0, {-2, 0}, {18, 0, 33, 10}},
    };
    for (const Case& c : cases) {
        PixelPos g;
        Rect t;
        CalcGlyphLayout(c.client, c.glyph, c.text, c.layout, c.alignment, c.margin, c.spacing, g, t, c.bidi);
        EXPECT_EQ(g.X, c.glyphPos.X) << c.name;
        EXPECT_EQ(g.Y, c.glyphPos.Y) << c.name;
        EXPECT_EQ(t, c.textBounds) << c.name;
    }
}

TEST(DotFrame, DotPositions)
{
    std::vector<std::pair<int, int>> black;
    for (const FrameDot& d : DotFramePoints(Rect{10, 10, 19, 13}))
        if (!d.White)
            black.emplace_back(d.X, d.Y);
    for (int x : {10, 13, 16, 19})
        for (int y : {10, 13})
            EXPECT_NE(std::find(black.begin(), black.end(), std::make_pair(x, y)), black.end()) << x << "," << y;
    EXPECT_EQ(std::find(black.begin(), black.end(), std::make_pair(11, 10)), black.end());
}

} // namespace
} // namespace skin
