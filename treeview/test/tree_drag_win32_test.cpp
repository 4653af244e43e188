// Drag images of a tree: a header column dragged with the mouse shows its cell under the pointer and
// follows it; the selected rows rendered for a node drag keep the tree's colour transparent.
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"

#include <algorithm>
#include <vector>

namespace treeview::test {
namespace {

// Records the rectangles the header is painted with.
class HeaderProbe : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    std::vector<TRect> painted;

protected:
    void PaintHeader(HDC dc, const TRect& rect, int hOffset) override
    {
        painted.push_back(rect);
        TVirtualStringTree::PaintHeader(dc, rect, hOffset);
    }
};

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

// Lets a test repaint under a drag image as a drop target does.
class RepaintProbe : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    using TVirtualStringTree::RepaintUnderDragImage;
};

class ColumnDrag : public TreeInForm<HeaderProbe> {
protected:
    ColumnDrag()
    {
        for (const char16_t* caption : {u"one", u"two", u"three"}) {
            TVirtualTreeColumn& column = tree->Header().Columns().Add();
            column.SetText(caption);
            column.SetWidth(80);
        }
        tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() | hoVisible | hoDrag));
        form->Show();
        Pump();
    }
    // A point of the header in screen coordinates, x from the tree's client left edge.
    POINT HeaderPoint(int x)
    {
        POINT p{x, -tree->Header().Height() / 2};
        ClientToScreen(tree->Handle(), &p);
        return p;
    }
    void Move(POINT screen)
    {
        POINT client = screen;
        ScreenToClient(tree->Handle(), &client);
        SendMessageW(tree->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    }
};

TEST_F(ColumnDrag, ImageShowsTheCellAndFollowsThePointer)
{
    const POINT press = HeaderPoint(100); // inside column "two" (80..160)
    SendMessageW(tree->Handle(), WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(press.x, press.y));
    EXPECT_FALSE(tree->ColumnDragImage().Visible());
    // Within the threshold the drag is still pending.
    Move(POINT{press.x + 1, press.y});
    EXPECT_FALSE(tree->ColumnDragImage().Visible());

    const POINT first{press.x + 30, press.y};
    Move(first);
    ASSERT_TRUE(tree->ColumnDragImage().Visible());
    POINT cell{80, 0};
    ClientToScreen(tree->Handle(), &cell);
    const int height = tree->Header().Height();
    const RECT start = tree->ColumnDragImage().GetDragImageRect();
    EXPECT_EQ(start.left, cell.x);
    EXPECT_EQ(start.top, cell.y - height);
    EXPECT_EQ(start.right - start.left, 80);
    EXPECT_EQ(start.bottom - start.top, height);

    // The image moves with the pointer from the point the drag began at; the drop target is the
    // column under the pointer, after it in its right half.
    Move(POINT{first.x + 25, first.y + 7});
    const RECT moved = tree->ColumnDragImage().GetDragImageRect();
    EXPECT_EQ(moved.left - start.left, 25);
    EXPECT_EQ(moved.top - start.top, 7);
    EXPECT_EQ(tree->Header().Columns().DropTarget(), 1);
    EXPECT_FALSE(tree->Header().Columns().DropBefore());
    Move(POINT{first.x + 60, first.y});
    EXPECT_EQ(tree->Header().Columns().DropTarget(), 2);
    EXPECT_TRUE(tree->Header().Columns().DropBefore());
    EXPECT_EQ(tree->ColumnDragImage().GetDragImageRect().left - start.left, 60);

    POINT release{first.x + 60, first.y};
    ScreenToClient(tree->Handle(), &release);
    SendMessageW(tree->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(release.x, release.y));
    EXPECT_FALSE(tree->ColumnDragImage().Visible());
    EXPECT_FALSE(tree->Header().States() & hsDragging);
}

TEST_F(ColumnDrag, RestrictedDragMovesOnlyHorizontally)
{
    tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() | hoRestrictDrag));
    const POINT press = HeaderPoint(20);
    SendMessageW(tree->Handle(), WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(press.x, press.y));
    Move(POINT{press.x + 20, press.y});
    ASSERT_TRUE(tree->ColumnDragImage().Visible());
    const RECT start = tree->ColumnDragImage().GetDragImageRect();
    Move(POINT{press.x + 30, press.y + 9});
    const RECT moved = tree->ColumnDragImage().GetDragImageRect();
    EXPECT_EQ(moved.left - start.left, 10);
    EXPECT_EQ(moved.top, start.top);
    SendMessageW(tree->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(tree->ColumnDragImage().Visible());
}

// The cell is painted into the image with the header's rectangle from the window's top, moved back by
// the border width, so that a wider border does not shift it.
TEST_F(ColumnDrag, ImageIsPaintedWithTheHeaderRectangleLessTheBorderWidth)
{
    for (int borderWidth : {0, 4}) {
        SCOPED_TRACE(borderWidth);
        tree->SetBorderWidth(borderWidth);
        Pump();
        const TRect header = tree->HeaderRect();
        const POINT press = HeaderPoint(100);
        SendMessageW(tree->Handle(), WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(press.x, press.y));
        tree->painted.clear();
        Move(POINT{press.x + 30, press.y});
        ASSERT_TRUE(tree->ColumnDragImage().Visible());
        ASSERT_FALSE(tree->painted.empty());
        const TRect expected{header.Left - borderWidth, -borderWidth, 240 - borderWidth, header.Bottom - borderWidth};
        // The window may paint its header on the way; the image's painting is the one from the top.
        EXPECT_NE(std::find(tree->painted.begin(), tree->painted.end(), expected), tree->painted.end());
        SendMessageW(tree->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_FALSE(tree->ColumnDragImage().Visible());
    }
}

// The drag image keeps the screen around itself as well; a repaint of the tree under it renews that
// part too, so a later move over it blends over what the tree now shows.
using RepaintUnderImage = TreeInForm<RepaintProbe>;

TEST_F(RepaintUnderImage, RenewsTheBandAroundTheImage)
{
    tree->SetColor(ui::Color(0xFFFFFF));
    form->Show();
    Pump();
    UpdateWindow(tree->Handle());
    ui::Bitmap picture(40, 30, ui::pf24bit);
    picture.Canvas().SetBrushColor(ui::Color(0x0000FF));
    picture.Canvas().FillRect(RECT{0, 0, 40, 30});
    POINT topLeft{100, 100};
    ClientToScreen(tree->Handle(), &topLeft);
    const POINT hotSpot{topLeft.x + 20, topLeft.y + 15};
    TVTDragImage& image = tree->DragImage();
    image.PrepareDrag(picture, topLeft, hotSpot, nullptr);
    image.ShowDragImage();
    ASSERT_TRUE(image.Visible());

    tree->SetColor(ui::Color(0x000000));
    tree->RepaintUnderDragImage(tree, RECT{0, 0, tree->ClientWidth(), tree->ClientHeight()}, true, false);
    const POINT beside{topLeft.x + 42, hotSpot.y}; // outside the image, inside the band
    EXPECT_TRUE(image.DragTo(POINT{hotSpot.x + 5, hotSpot.y}, false));
    // Half red over black, not over the white the band held when it was captured.
    const COLORREF blended = ScreenPixel(beside.x, beside.y);
    EXPECT_NEAR(GetRValue(blended), 128, 1);
    EXPECT_LE(GetGValue(blended), 1);
    EXPECT_LE(GetBValue(blended), 1);
    // Hidden, the image puts back the renewed band.
    image.EndDrag();
    EXPECT_EQ(ScreenPixel(beside.x, beside.y), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(hotSpot.x, hotSpot.y), RGB(0, 0, 0));
}

} // namespace
} // namespace treeview::test
