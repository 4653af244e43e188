// The tree unit's shared image lists, cursors and device-context routines on Windows.
#include "treeview/unit_services.h"
#include "core/exception.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"
#include <gtest/gtest.h>
#include <commctrl.h>

namespace treeview::test {
namespace {

TEST(TreeUnit, SharedImageListsAndCursors)
{
    InitializeTreeUnit();
    for (TCheckImageKind kind : {ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick, ckFlat, ckXP, ckSystemDefault,
                                 ckSystemFlat}) {
        ui::ImageList* list = CheckImagesOfKind(kind);
        ASSERT_NE(list, nullptr) << int(kind);
        EXPECT_EQ(list->Count(), 25) << int(kind);
    }
    EXPECT_EQ(CheckImagesOfKind(ckCustom), nullptr);
    ASSERT_NE(UtilityImages(), nullptr);
    EXPECT_EQ(UtilityImages()->Count(), 9);
    EXPECT_EQ(CheckImagesOfKind(ckSystemDefault)->Width(), GetSystemMetrics(SM_CXMENUCHECK) + 3);
    EXPECT_NE(TreeCursor(62), nullptr);
    EXPECT_NE(TreeCursor(63), nullptr);
    EXPECT_NE(PanningCursor("VT_MOVENE"), nullptr);
    EXPECT_EQ(PanningCursor("VT_MOVENE"), PanningCursor("VT_MOVENE"));
    EXPECT_NE(TreeReferenceFormat(), 0u);

    // Image 0 of the system set is transparent: drawn on white it leaves white.
    ui::Bitmap target(32, 32, ui::pf24bit);
    HDC dc = target.Canvas().Handle();
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(CheckImagesOfKind(ckSystemDefault)->Handle(), 0, dc, 0, 0, ILD_TRANSPARENT);
    GdiFlush();
    for (int y = 0; y < 16; ++y)
        EXPECT_EQ(GetPixel(dc, 5, y), RGB(255, 255, 255));

    ui::ImageList list(nullptr, 16, 16);
    EXPECT_THROW(LoadImageStrip(list, "VT_NONE", true), core::EAssertionFailed);
}

TEST(TreeUnit, BlendingNeedsThirtyTwoBitSections)
{
    ui::Bitmap source(4, 2, ui::pf32bit), destination(4, 2, ui::pf32bit), plain(4, 2, ui::pf24bit);
    for (int y = 0; y < 2; ++y) {
        uint8_t* s = source.ScanLine(y);
        uint8_t* d = destination.ScanLine(y);
        for (int i = 0; i < 16; ++i)
            s[i] = 200, d[i] = 0;
    }
    HDC sdc = source.Canvas().Handle(), ddc = destination.Canvas().Handle();
    BlendBitmapArea(sdc, ddc, RECT{0, 0, 2, 2}, POINT{2, 0}, bmConstantAlpha, 128, 0);
    GdiFlush();
    EXPECT_EQ(destination.ScanLine(0)[4 * 2], 100);
    EXPECT_EQ(destination.ScanLine(1)[4 * 3 + 1], 100);
    EXPECT_EQ(destination.ScanLine(0)[0], 0) << "outside the target stays";
    BlendBitmapArea(sdc, ddc, RECT{0, 0, 0, 0}, POINT{0, 0}, bmConstantAlpha, 128, 0); // empty: nothing
    EXPECT_THROW(BlendBitmapArea(plain.Canvas().Handle(), ddc, RECT{0, 0, 1, 1}, POINT{0, 0}, bmConstantAlpha, 1, 0),
                 core::EAssertionFailed);
}

TEST(TreeUnit, MeasureStringRectGrowsFromTheTopLeft)
{
    HDC dc = GetDC(nullptr);
    RECT r{10, 20, 10, 20};
    MeasureStringRect(dc, u"Hello", r, DT_SINGLELINE);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_GT(r.right, 30);
    EXPECT_GT(r.bottom, 25);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(ColorToImageListColor(0x1FFFFFFF), CLR_NONE);
    EXPECT_EQ(ColorToImageListColor(0x20000000), CLR_DEFAULT);
    EXPECT_EQ(ColorToImageListColor(0x00123456), 0x00123456u);
}

} // namespace
} // namespace treeview::test
