// The drag image drawn by itself on the screen, checked by reading the screen back: the blend over
// known colours, the colour key, moves that must leave the screen as it was once the image is
// hidden, and the saved background renewed when the image is shown again.
#include "treeview/drag_image_win32.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

#include <ostream>
#include <vector>

// Rectangles compared and printed by the checks below.
inline bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}
inline std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
}

namespace treeview::test {
namespace {

constexpr int ImageW = 40, ImageH = 30;
constexpr ui::Color Blue = 0xFF0000, Red = 0x0000FF, Green = 0x00FF00, Magenta = 0xFF00FF, Black = 0x000000;

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

// The screen's pixels in r, row by row.
std::vector<uint32_t> Snapshot(const RECT& r)
{
    ui::Bitmap copy(r.right - r.left, r.bottom - r.top, ui::pf32bit);
    HDC screen = GetDC(nullptr);
    BitBlt(copy.Canvas().Handle(), 0, 0, copy.Width(), copy.Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < copy.Height(); ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(copy.ScanLine(y));
        for (int x = 0; x < copy.Width(); ++x)
            pixels.push_back(row[x] & 0xFFFFFF);
    }
    return pixels;
}

// The blend of one channel as the image's constant-alpha drawing makes it.
int Blend(int background, int image, int alpha)
{
    return (background * (256 - alpha) + image * alpha) / 256;
}

void ExpectColor(COLORREF actual, int r, int g, int b)
{
    EXPECT_NEAR(GetRValue(actual), r, 1);
    EXPECT_NEAR(GetGValue(actual), g, 1);
    EXPECT_NEAR(GetBValue(actual), b, 1);
}

// A form in blue with a green panel over its top-left part, so that the background under the image
// has edges in both directions; the image is prepared over the panel's corner.
class DragImageTest : public ui::test::UiTest {
protected:
    DragImageTest()
    {
        form->SetColor(Blue);
        form->SetBounds(60, 60, 320, 240);
        panel = new ui::Panel(form.get());
        panel->SetParent(form.get());
        panel->SetBevelOuter(ui::bvNone);
        panel->SetColor(Green);
        panel->SetBounds(0, 0, 100, 80);
        form->Show();
        Pump();
        UpdateWindow(form->Handle());
        origin = POINT{0, 0};
        ClientToScreen(form->Handle(), &origin);
        area = RECT{origin.x, origin.y, origin.x + 300, origin.y + 200};
        // The image's centre is the hot spot, over the panel's bottom-right corner.
        hotSpot = POINT{origin.x + 100, origin.y + 80};
    }
    ~DragImageTest() override { form.reset(); }

    void Prepare(ui::Color fill, ui::Color left = ui::clNone)
    {
        ui::Bitmap picture(ImageW, ImageH, ui::pf24bit);
        picture.Canvas().SetBrushColor(fill);
        picture.Canvas().FillRect(RECT{0, 0, ImageW, ImageH});
        if (left != ui::clNone) {
            picture.Canvas().SetBrushColor(left);
            picture.Canvas().FillRect(RECT{0, 0, ImageW / 2, ImageH});
        }
        image.PrepareDrag(picture, POINT{hotSpot.x - ImageW / 2, hotSpot.y - ImageH / 2}, hotSpot, nullptr);
    }

    std::unique_ptr<ui::Form> form{new ui::Form()};
    ui::Panel* panel = nullptr;
    POINT origin{}, hotSpot{};
    RECT area{};
    TVTDragImage image{nullptr};
};

TEST_F(DragImageTest, PreparedImageStaysHiddenUntilShownAndBlendsHalfWithoutKeyOrFade)
{
    Prepare(Red);
    EXPECT_EQ(image.States(), disHidden | disInDrag | disPrepared);
    EXPECT_FALSE(image.Visible());
    EXPECT_EQ(image.GetDragImageRect(), (RECT{}));
    const POINT p{hotSpot.x + 10, hotSpot.y + 10}; // over the blue form
    ExpectColor(ScreenPixel(p.x, p.y), 0, 0, 255);

    image.ShowDragImage();
    ASSERT_TRUE(image.Visible());
    EXPECT_EQ(image.GetDragImageRect(),
              (RECT{hotSpot.x - ImageW / 2, hotSpot.y - ImageH / 2, hotSpot.x + ImageW / 2, hotSpot.y + ImageH / 2}));
    // Without key and fade every pixel is the half blend, the edges as much as the centre.
    ExpectColor(ScreenPixel(p.x, p.y), Blend(0, 255, 128), 0, Blend(255, 0, 128));
    ExpectColor(ScreenPixel(hotSpot.x - 15, hotSpot.y - 10), Blend(0, 255, 128), Blend(255, 0, 128), 0);
    ExpectColor(ScreenPixel(hotSpot.x + ImageW / 2, hotSpot.y), 0, 0, 255); // just outside

    image.EndDrag();
    EXPECT_EQ(image.States() & (disInDrag | disPrepared), 0);
    ExpectColor(ScreenPixel(p.x, p.y), 0, 0, 255);
}

TEST_F(DragImageTest, KeyColouredPixelsStayInvisible)
{
    image.SetColorKey(Magenta);
    const auto before = Snapshot(RECT{hotSpot.x - ImageW / 2, hotSpot.y - ImageH / 2, hotSpot.x, hotSpot.y + ImageH / 2});
    Prepare(Black, Magenta);
    image.ShowDragImage();
    // The keyed left half leaves the screen untouched; the right half is blended with the fading
    // alpha, at its centre about half (255 * 128 / 256).
    EXPECT_EQ(Snapshot(RECT{hotSpot.x - ImageW / 2, hotSpot.y - ImageH / 2, hotSpot.x, hotSpot.y + ImageH / 2}),
              before);
    ExpectColor(ScreenPixel(hotSpot.x, hotSpot.y), 0, 0, Blend(255, 0, 255 * 128 / 256));
}

TEST_F(DragImageTest, FadeLetsTheEdgesThrough)
{
    image.SetFade(true);
    Prepare(Red);
    image.ShowDragImage();
    // The corner's alpha is round(255 * e^(-8 * 0.625)) = 2, so the blue form shows nearly unchanged.
    const COLORREF corner = ScreenPixel(hotSpot.x + ImageW / 2 - 1, hotSpot.y + ImageH / 2 - 1);
    EXPECT_LE(GetRValue(corner), 2);
    EXPECT_GE(GetBValue(corner), 252);
}

TEST_F(DragImageTest, DragToTheSamePointChangesNothing)
{
    Prepare(Red);
    image.ShowDragImage();
    const RECT before = image.GetDragImageRect();
    EXPECT_FALSE(image.WillMove(hotSpot));
    EXPECT_FALSE(image.DragTo(hotSpot, false));
    EXPECT_EQ(image.GetDragImageRect(), before);
    EXPECT_TRUE(image.DragTo(hotSpot, true));
    EXPECT_EQ(image.GetDragImageRect(), before);
}

TEST_F(DragImageTest, VerticalOnlyIgnoresHorizontalMovement)
{
    image.SetMoveRestriction(dmrVerticalOnly);
    Prepare(Red);
    image.ShowDragImage();
    const RECT start = image.GetDragImageRect();
    EXPECT_FALSE(image.WillMove(POINT{hotSpot.x + 7, hotSpot.y}));
    EXPECT_FALSE(image.DragTo(POINT{hotSpot.x + 7, hotSpot.y}, false));
    EXPECT_EQ(image.GetDragImageRect(), start);
    EXPECT_TRUE(image.DragTo(POINT{hotSpot.x + 7, hotSpot.y + 4}, false));
    RECT moved = start;
    OffsetRect(&moved, 0, 4);
    EXPECT_EQ(image.GetDragImageRect(), moved);
}

// Every kind of move, small and large, must put back exactly what was under the image: once the
// image is hidden the screen is as it was before it was shown.
TEST_F(DragImageTest, MovesRestoreTheScreenExactly)
{
    struct Case {
        const char* name;
        std::vector<POINT> steps; // offsets from the hot spot
    } cases[] = {
        {"right and left", {{3, 0}, {6, 0}, {2, 0}, {-5, 0}}},
        {"down and up", {{0, 3}, {0, 9}, {0, -4}}},
        {"diagonal", {{3, 3}, {-2, 5}, {4, -6}, {-7, -1}}},
        {"exactly the width", {{ImageW, 0}, {ImageW, ImageH}}},
        {"far", {{120, 90}, {-30, 20}}},
        {"leaving the saved band", {{25, 0}, {50, 0}, {75, 10}, {60, -15}}},
        {"small moves after a far one", {{120, 90}, {123, 92}, {100, 95}}},
    };
    const auto clean = Snapshot(area);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(Red);
        image.ShowDragImage();
        for (POINT step : c.steps) {
            const POINT p{hotSpot.x + step.x, hotSpot.y + step.y};
            EXPECT_TRUE(image.DragTo(p, false));
            EXPECT_EQ(image.GetDragImageRect(),
                      (RECT{p.x - ImageW / 2, p.y - ImageH / 2, p.x + ImageW / 2, p.y + ImageH / 2}));
            // The pixel under the centre is the half blend over the background there.
            const bool overPanel = p.x < origin.x + 100 && p.y < origin.y + 80;
            ExpectColor(ScreenPixel(p.x, p.y), Blend(0, 255, 128), overPanel ? Blend(255, 0, 128) : 0,
                        overPanel ? 0 : Blend(255, 0, 128));
        }
        image.EndDrag();
        EXPECT_EQ(Snapshot(area), clean);
    }
}

// An image reaching past the screen's top-left corner saves and puts back the part on the screen.
TEST_F(DragImageTest, ImagePartlyOffTheScreenRestoresWhatWasThere)
{
    form->SetBounds(0, 0, 320, 240);
    Pump();
    UpdateWindow(form->Handle());
    const RECT corner{0, 0, 30, 30};
    const auto before = Snapshot(corner);
    ui::Bitmap picture(ImageW, ImageH, ui::pf24bit);
    picture.Canvas().SetBrushColor(Red);
    picture.Canvas().FillRect(RECT{0, 0, ImageW, ImageH});
    image.PrepareDrag(picture, POINT{-10, -8}, POINT{10, 7}, nullptr);
    image.ShowDragImage();
    const COLORREF under = before[5 * 30 + 5];
    ExpectColor(ScreenPixel(5, 5), Blend(GetBValue(under), 255, 128), Blend(GetGValue(under), 0, 128),
                Blend(GetRValue(under), 0, 128));
    EXPECT_TRUE(image.DragTo(POINT{13, 9}, false));
    image.EndDrag();
    EXPECT_EQ(Snapshot(corner), before);
}

// Small moves take the background from the band saved around the image, without reading the screen:
// a change drawn on the screen beside the image (behind the tree's back) is not seen until a move
// leaves the band, which reads it anew.
TEST_F(DragImageTest, MovesWithinTheBandReadNothingUntilTheyLeaveIt)
{
    Prepare(Red);
    image.ShowDragImage();
    const RECT start = image.GetDragImageRect();
    const RECT painted{start.right + 3, start.top, start.right + 10, start.bottom}; // over the blue form
    HDC screen = GetDC(nullptr);
    FillRect(screen, &painted, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(nullptr, screen);
    GdiFlush();
    ExpectColor(ScreenPixel(start.right + 3, hotSpot.y + 5), 0, 0, 0);

    EXPECT_TRUE(image.DragTo(POINT{hotSpot.x + 5, hotSpot.y}, false));
    ExpectColor(ScreenPixel(start.right + 3, hotSpot.y + 5), Blend(0, 255, 128), 0, Blend(255, 0, 128));
    ExpectColor(ScreenPixel(start.right + 7, hotSpot.y + 5), 0, 0, 0); // beside the image, untouched

    EXPECT_TRUE(image.DragTo(POINT{hotSpot.x + 5 + TVTDragImage::BandMargin, hotSpot.y}, false));
    ExpectColor(ScreenPixel(start.right + 7, hotSpot.y + 5), Blend(0, 255, 128), 0, 0);
    image.EndDrag();
    ExpectColor(ScreenPixel(start.right + 7, hotSpot.y + 5), 0, 0, 0);
    ExpectColor(ScreenPixel(start.right + 50, hotSpot.y + 5), 0, 0, 255);
}

TEST_F(DragImageTest, ShowAfterHideKeepsWhatChangedUnderneath)
{
    Prepare(Red);
    image.ShowDragImage();
    image.HideDragImage();
    EXPECT_FALSE(image.Visible());
    EXPECT_EQ(image.GetDragImageRect(), (RECT{}));
    panel->SetColor(Black);
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    image.ShowDragImage();
    ExpectColor(ScreenPixel(hotSpot.x - 5, hotSpot.y - 5), Blend(0, 255, 128), 0, 0);
    image.EndDrag();
    ExpectColor(ScreenPixel(hotSpot.x - 5, hotSpot.y - 5), 0, 0, 0);
}

} // namespace
} // namespace treeview::test
