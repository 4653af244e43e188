// The client's node list laid out right to left in a real window: window styles, the mirrored rows
// and header painted into bitmaps, hit tests, the header's splitters and column dragging, and the
// keys that scroll or move the focus.
#include "treeview/string_tree.h"
#include "treeview/test/nodelist_win32.h"
#include "ui/test/uitest.h"
#include "treeview/test/treeform_win32.h"
#include <set>
#include <vector>

namespace treeview::test {
namespace {

class RightToLeftList : public TreeInForm<TVirtualStringTree> {
protected:
    // The client's tree (four columns 170/80/60/60, header 22, rows 20) in a client area of
    // 396 x 274: the columns (370 wide) end at its right edge, 26 pixels stay empty at the left.
    RightToLeftList()
    {
        SetUpNodeListStrings(*tree, rows);
        auto& options = tree->TreeOptions();
        options.SetAutoOptions(TVTAutoOptions(options.AutoOptions() | toAutoBidiColumnOrdering));
        // The looks without a visual style (the prefix may have one active).
        options.SetPaintOptions(TVTPaintOptions(options.PaintOptions() & ~toThemeAware));
        tree->SetBiDiMode(bdRightToLeft);
        form->Show();
        SetNodeListHeaderHeights(tree->Header());
        Fill(12);
    }
    void Fill(int count)
    {
        const char16_t* delays[] = {u"45", u"NA", u"180", u"260", u"禁ping", u"420"};
        for (int i = int(rows.size()); i < count; ++i) {
            core::String index = core::String(1, char16_t(u'0' + i / 10)) + char16_t(u'0' + i % 10);
            rows.push_back({u"节点" + index, delays[i % 6], u"9" + core::String(1, char16_t(u'0' + i % 10)) + u"%",
                            i % 2 ? u"支持" : u"不支持"});
        }
        tree->SetRootNodeCount(uint32_t(count));
        Pump();
    }
    ~RightToLeftList() override
    {
        if (tree) {
            tree->OnGetText = nullptr;
            tree->OnDrawText = nullptr;
        }
        form.reset();
    }

    HWND Window() { return tree->Handle(); }
    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(Window(), msg, w, l); }
    LPARAM Screen(int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        return MAKELPARAM(p.x, p.y);
    }
    void Key(WORD key) { Send(WM_KEYDOWN, key, 1), Send(WM_KEYUP, key, 0xC0000001); }
    PVirtualNode Node(uint32_t index)
    {
        PVirtualNode node = tree->GetFirst();
        while (node && node->Index != index)
            node = tree->GetNextSibling(node);
        return node;
    }
    // The client area as the window paints it (client coordinates).
    std::unique_ptr<ui::Bitmap> PaintClient()
    {
        auto bitmap = std::make_unique<ui::Bitmap>(tree->ClientWidth(), tree->ClientHeight(), ui::pf32bit);
        Send(WM_PRINTCLIENT, WPARAM(bitmap->Canvas().Handle()), PRF_CLIENT);
        return bitmap;
    }
    std::unique_ptr<ui::Bitmap> PaintHeader()
    {
        const int width = tree->HeaderRect().Right - tree->HeaderRect().Left, height = tree->Header().Height();
        auto bitmap = std::make_unique<ui::Bitmap>(width, height, ui::pf32bit);
        tree->PaintHeaderInto(bitmap->Canvas().Handle(), TRect{0, 0, width, height}, 0);
        return bitmap;
    }
    static int CountNot(ui::Bitmap& bitmap, ui::Color color, int left, int right, int top, int bottom)
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += bitmap.PixelColor(x, y) != color;
        return count;
    }
    struct Bounds {
        int left, right;
    };
    Bounds ColumnBounds(TColumnIndex column)
    {
        Bounds b{};
        tree->Header().Columns().GetColumnBounds(column, b.left, b.right);
        return b;
    }

    std::vector<NodeListRow> rows;
};

TEST_F(RightToLeftList, WindowStylesFollowTheMode)
{
    const LONG_PTR rtlStyles = WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;
    EXPECT_EQ(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & rtlStyles, rtlStyles);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) << "the tree mirrors its own drawing";
    {
        TVirtualStringTree copy(nullptr);
        copy.Assign(*tree);
        EXPECT_EQ(copy.BiDiMode(), bdRightToLeft);
    }
    tree->SetBiDiMode(bdLeftToRight);
    Pump();
    EXPECT_EQ(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & rtlStyles, 0);
    EXPECT_EQ(tree->Header().Columns().PositionToIndex(), (TIndexArray{0, 1, 2, 3}));
    EXPECT_EQ(ColumnBounds(0).left, 0);
    tree->SetBiDiMode(bdRightToLeftReadingOnly);
    Pump();
    EXPECT_EQ(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & rtlStyles, LONG_PTR(WS_EX_RTLREADING));
}

TEST_F(RightToLeftList, VerticalScrollBarStandsLeftOfTheClientArea)
{
    Fill(30);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    RECT window{};
    GetWindowRect(Window(), &window);
    POINT origin{0, 0};
    ClientToScreen(Window(), &origin);
    EXPECT_EQ(origin.x - window.left, 2 + bar);
    ASSERT_EQ(tree->ClientWidth(), 396 - bar);
    // The header still spans 396 pixels: column 0 ends at its right edge, the client area's.
    EXPECT_EQ(ColumnBounds(0).right, tree->ClientWidth());
    EXPECT_EQ(ColumnBounds(0).left, tree->ClientWidth() - 170);
    auto header = PaintHeader();
    EXPECT_EQ(header->PixelColor(396 - 2, 8), RGB(0xC7, 0xC5, 0xB2));
    EXPECT_EQ(header->PixelColor(396 - 170 - 2, 8), RGB(0xC7, 0xC5, 0xB2));
    // The header above the bar belongs to the header: a click there reports no column.
    EXPECT_TRUE(tree->Header().InHeader(TPoint{-bar + 1, -10}));
    EXPECT_FALSE(tree->Header().InHeader(TPoint{396 - bar, -10}));
    std::vector<TColumnIndex> clicks;
    tree->OnHeaderClick = [&](TVTHeader*, const TVTHeaderHitInfo& info) { clicks.push_back(info.Column); };
    for (int x : {ColumnBounds(1).left + 5, -bar + 1}) {
        Send(WM_NCLBUTTONDOWN, HTBORDER, Screen(x, -10));
        Send(WM_NCLBUTTONUP, HTBORDER, Screen(x, -10));
    }
    EXPECT_EQ(clicks, (std::vector<TColumnIndex>{1, NoColumn}));
    tree->OnHeaderClick = nullptr;
}

TEST_F(RightToLeftList, ColumnsAndRowsAreMirrored)
{
    ASSERT_EQ(tree->ClientWidth(), 396);
    struct Column {
        TColumnIndex index;
        int left, right;
    } columns[] = {{0, 226, 396}, {1, 146, 226}, {2, 86, 146}, {3, 26, 86}};
    for (const Column& c : columns) {
        EXPECT_EQ(ColumnBounds(c.index).left, c.left) << c.index;
        EXPECT_EQ(ColumnBounds(c.index).right, c.right) << c.index;
    }
    auto bitmap = PaintClient();
    const ui::Color white = ui::clWhite;
    // Left of the columns: the tree's colour in the rows and below them.
    EXPECT_EQ(CountNot(*bitmap, white, 0, 26, 0, 274), 0);
    // A measured row's band fills whole cells; the main column's indentation (18 at its right end)
    // is left out and carries the tree line.
    const int y0 = 10, y3 = 3 * 20 + 10;
    EXPECT_EQ(bitmap->PixelColor(146 + 1, y0), NodeListBandColor(u"45"));
    EXPECT_EQ(bitmap->PixelColor(226 - 2, y0), NodeListBandColor(u"45"));
    EXPECT_EQ(bitmap->PixelColor(226 + 1, y3), NodeListBandColor(u"260"));
    EXPECT_EQ(bitmap->PixelColor(378 - 1, y3), NodeListBandColor(u"260"));
    const ui::Color line = ui::ColorToRGB(ui::Color(tree->Colors().Color(TVTColors::TreeLineColor)));
    EXPECT_EQ(bitmap->PixelColor(378 + 9, 3 * 20 + 2), line) << "vertical piece in the indentation's middle";
    EXPECT_EQ(bitmap->PixelColor(378 + 2, y3), line) << "horizontal piece towards the text";
    EXPECT_EQ(bitmap->PixelColor(396 - 2, y3), white);
    // An unmeasured row: texts stand at the right end of their cells (mirrored left alignment).
    const int top1 = 20, bottom1 = 39;
    EXPECT_EQ(CountNot(*bitmap, white, 226, 310, top1, bottom1), 0);
    EXPECT_GT(CountNot(*bitmap, white, 320, 378, top1, bottom1), 20);
    EXPECT_EQ(CountNot(*bitmap, white, 146, 195, top1, bottom1), 0);
    EXPECT_GT(CountNot(*bitmap, white, 205, 226, top1, bottom1), 10);
    // The grid line along the row's bottom runs under every column.
    const ui::Color grid = ui::ColorToRGB(ui::clBtnFace);
    EXPECT_EQ(bitmap->PixelColor(30, bottom1), grid);
    EXPECT_EQ(bitmap->PixelColor(300, bottom1), grid);
}

TEST_F(RightToLeftList, ButtonsImagesAndCheckBoxesStandAtTheCellsRightEnd)
{
    TCustomImageList images(nullptr, 16, 16);
    ShowRedImageInFirstRow(*tree, images);
    tree->SetChildCount(Node(1), 2);
    auto& options = tree->TreeOptions();
    options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toCheckSupport));
    tree->SetCheckType(Node(2), ctCheckBox);
    auto bitmap = PaintClient();
    // Main column 226..396: the indentation (18) at the right end, then the image or check box.
    EXPECT_EQ(bitmap->PixelColor(378 - 8, 10), ui::clRed);
    EXPECT_NE(bitmap->PixelColor(226 + 18 + 8, 10), ui::clRed);
    // The expand button (9 pixels, 4 from the cell's right edge): its right border.
    const ui::Color line = ui::ColorToRGB(ui::Color(tree->Colors().Color(TVTColors::TreeLineColor)));
    EXPECT_EQ(bitmap->PixelColor(396 - 4 - 1, 20 + 8), line);
    EXPECT_NE(bitmap->PixelColor(226 + 4 + 8, 20 + 8), line);
    // The check box of row 2 interrupts the band right of the text, not left of it.
    const ui::Color band = NodeListBandColor(u"180");
    EXPECT_GT(CountNot(*bitmap, band, 378 - 13, 378, 40, 59), 10);
    EXPECT_EQ(CountNot(*bitmap, band, 226, 226 + 40, 40, 59), 0);
    struct Case {
        int x, y;
        THitPositions position;
    } cases[] = {{370, 10, hiOnNormalIcon}, {357, 10, hiOnItemLabel}, {370, 50, hiOnItemCheckbox}};
    for (const Case& c : cases) {
        THitInfo info;
        tree->GetHitTestInfoAt(c.x, c.y, true, info);
        EXPECT_TRUE(info.HitPositions & c.position) << c.x << "," << c.y;
    }
    tree->OnGetImageIndex = nullptr;
    tree->SetImages(nullptr);
}

TEST_F(RightToLeftList, HeaderButtonsAndSortGlyphAreMirrored)
{
    auto sorted = PaintHeader();
    const int height = tree->Header().Height();
    EXPECT_EQ(sorted->PixelColor(5, 3), RGB(0xEB, 0xEA, 0xDB)) << "the empty band shows the header's face";
    for (int right : {86, 146, 226, 396}) {
        EXPECT_EQ(sorted->PixelColor(right - 2, 8), RGB(0xC7, 0xC5, 0xB2)) << right;
        EXPECT_EQ(sorted->PixelColor(right - 1, 8), RGB(0xFF, 0xFF, 0xFF)) << right;
    }
    // The sort glyph of column 1 (146..226) stands at its left end, before the right-aligned caption
    // (which it may shorten).
    tree->Header().SetSortColumn(NoColumn);
    auto unsorted = PaintHeader();
    tree->Header().SetSortColumn(1);
    auto differing = [&](int left, int right) {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = left; x < right; ++x)
                count += sorted->PixelColor(x, y) != unsorted->PixelColor(x, y);
        return count;
    };
    EXPECT_GT(differing(146, 170), 10);
    EXPECT_EQ(differing(0, 146) + differing(226, 396), 0) << "other columns stay as they were";
    // Scrolled content moves the header's cells with it.
    tree->Header().Columns()[0].SetWidth(400);
    tree->UpdateScrollBars(true);
    tree->SetOffsetX(-100);
    ASSERT_EQ(tree->EffectiveOffsetX(), 600 - 100 - tree->ClientWidth());
    const int width = tree->HeaderRect().Right - tree->HeaderRect().Left;
    ui::Bitmap scrolled(width, height, ui::pf32bit);
    tree->PaintHeaderInto(scrolled.Canvas().Handle(), TRect{0, 0, width, height}, tree->EffectiveOffsetX());
    const int border = ColumnBounds(1).right; // column 1's right edge, in client coordinates
    ASSERT_EQ(border, 200 - tree->EffectiveOffsetX());
    EXPECT_EQ(scrolled.PixelColor(border - 2, 8), RGB(0xC7, 0xC5, 0xB2)) << border;
    EXPECT_EQ(scrolled.PixelColor(border - 1, 8), RGB(0xFF, 0xFF, 0xFF)) << border;
}

TEST_F(RightToLeftList, HitTestsFindTheMirroredCells)
{
    struct Case {
        int x, y;
        TColumnIndex column;
        THitPositions positions;
    } cases[] = {
        {390, 10, 0, hiOnItem | hiOnItemIndent},
        {370, 10, 0, hiOnItem | hiOnItemLabel},
        {240, 10, 0, hiOnItem | hiOnItemLeft},
        {200, 30, 1, hiOnItem},
        {50, 10, 3, hiOnItem},
        {10, 10, InvalidColumn, hiNowhere},
    };
    for (const Case& c : cases) {
        THitInfo info;
        tree->GetHitTestInfoAt(c.x, c.y, true, info);
        EXPECT_EQ(info.HitColumn, c.column) << c.x << "," << c.y;
        EXPECT_EQ(info.HitPositions, c.positions) << c.x << "," << c.y;
    }
    // A click on the mirrored main column focuses its cell.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 50));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(300, 50));
    EXPECT_EQ(tree->FocusedNode(), Node(2));
    EXPECT_EQ(tree->FocusedColumn(), 0);
}

TEST_F(RightToLeftList, SplittersResizeFromTheLeftEdgeAndColumnsDrag)
{
    // Column 0's resizing border is its left edge (226): dragged 20 pixels left it widens by 20 and
    // its left edge follows the pointer.
    Send(WM_NCLBUTTONDOWN, HTBORDER, Screen(226, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(216, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(206, -10));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(206, -10));
    EXPECT_EQ(tree->Header().Columns()[0].Width(), 190);
    EXPECT_EQ(ColumnBounds(0).left, 206);
    EXPECT_EQ(ColumnBounds(1).left, 126);
    EXPECT_EQ(tree->Header().States(), 0);
    // Dragging column 3 (6..66 now) onto the right half of column 1 (126..206) puts it after it.
    Send(WM_NCLBUTTONDOWN, HTBORDER, Screen(40, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(190, -10));
    EXPECT_EQ(tree->Header().Columns().DropTarget(), 1);
    EXPECT_FALSE(tree->Header().Columns().DropBefore());
    Send(WM_LBUTTONUP, 0, MAKELPARAM(190, -10));
    EXPECT_EQ(tree->Header().Columns().PositionToIndex(), (TIndexArray{2, 1, 3, 0}));
}

TEST_F(RightToLeftList, KeysScrollTowardsTheirSideAndMoveTheFocus)
{
    tree->SetFocus();
    // Content wider than the window starts at its right end.
    tree->Header().Columns()[0].SetWidth(400);
    tree->UpdateScrollBars(true);
    const int start = tree->EffectiveOffsetX();
    ASSERT_EQ(start, 600 - tree->ClientWidth());
    EXPECT_EQ(ColumnBounds(0).right, tree->ClientWidth());
    struct Case {
        WORD key;
        bool ctrl;
        int effective; // -1: somewhere between the ends
    } cases[] = {
        {VK_LEFT, true, -1},     // towards the content's left end
        {VK_RIGHT, true, start}, // back to the right end
        {VK_END, true, 0},       // the end of the reading direction: the left end
        {VK_HOME, true, start},  // its start: the right end
    };
    for (const Case& c : cases) {
        if (c.ctrl) {
            ui::test::KeysDown ctrl({VK_CONTROL});
            Key(c.key);
        } else {
            Key(c.key);
        }
        if (c.effective < 0) {
            EXPECT_GT(tree->EffectiveOffsetX(), 0) << c.key;
            EXPECT_LT(tree->EffectiveOffsetX(), start) << c.key;
        } else {
            EXPECT_EQ(tree->EffectiveOffsetX(), c.effective) << c.key;
        }
    }
    // Rows are not mirrored: Home and End go to the first and the last row; Right expands.
    tree->SetChildCount(Node(1), 2);
    tree->FocusCell(Node(1), 0);
    Key(VK_END);
    EXPECT_EQ(tree->FocusedNode(), Node(11));
    Key(VK_HOME);
    EXPECT_EQ(tree->FocusedNode(), Node(0));
    tree->FocusCell(Node(1), 0);
    Key(VK_RIGHT);
    EXPECT_TRUE(tree->Expanded(Node(1)));
    Key(VK_LEFT);
    EXPECT_FALSE(tree->Expanded(Node(1)));
    // Cells focused one by one: Home goes to the column where reading starts (column 0, rightmost),
    // End to the leftmost one.
    auto& options = tree->TreeOptions();
    options.SetSelectionOptions(TVTSelectionOptions(options.SelectionOptions() & ~toFullRowSelect));
    options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toGridExtensions));
    tree->FocusCell(Node(1), 1);
    Key(VK_END);
    EXPECT_EQ(tree->FocusedColumn(), 3);
    Key(VK_HOME);
    EXPECT_EQ(tree->FocusedColumn(), 0);
}

// Records where the tree puts its editor.
class BoundsLink : public IVTEditLink {
public:
    explicit BoundsLink(TRect& bounds) : m_bounds(bounds) {}
    bool PrepareEdit(TCustomVirtualTreeControl&, PVirtualNode, TColumnIndex) override { return true; }
    bool BeginEdit() override { return true; }
    bool EndEdit() override { return true; }
    bool CancelEdit() override { return true; }
    TRect GetBounds() override { return m_bounds; }
    void ProcessMessage(ui::Message&) override {}
    void SetBounds(const TRect& rect) override { m_bounds = rect; }

private:
    TRect& m_bounds;
};

TEST_F(RightToLeftList, GridEditorReachesTheCellsFarEdge)
{
    TRect bounds;
    tree->OnCreateEditor = [&](TBaseVirtualTree*, PVirtualNode, TColumnIndex, std::shared_ptr<IVTEditLink>& link) {
        link = std::make_shared<BoundsLink>(bounds);
    };
    auto& options = tree->TreeOptions();
    options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toEditable | toGridExtensions));
    struct Case {
        TBiDiMode mode;
        int offsetX;
        int left, right;
    } cases[] = {
        {bdRightToLeft, 0, 146, 225},    // mirrored left alignment: from the cell's left edge to the text's end
        {bdLeftToRight, 0, 170, 250},    // from the text's start to the cell's right edge
        {bdLeftToRight, -100, 370, 450}, // scrolled: client coordinates, scrolled once
    };
    for (const Case& c : cases) {
        tree->SetBiDiMode(c.mode);
        tree->Header().Columns()[0].SetWidth(c.offsetX ? 470 : 170);
        tree->UpdateScrollBars(true);
        tree->SetOffsetX(c.offsetX);
        ASSERT_TRUE(tree->EditNode(Node(0), 1)) << c.mode;
        EXPECT_EQ(bounds.Left, c.left) << c.mode << " " << c.offsetX;
        EXPECT_EQ(bounds.Right, c.right) << c.mode << " " << c.offsetX;
        tree->CancelEditNode();
    }
    tree->OnCreateEditor = nullptr;
}

} // namespace
} // namespace treeview::test
