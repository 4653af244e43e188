// The string tree in a real form, configured as the client's node list: painting into a bitmap
// (selection, grid lines, colour bands of a draw-text handler, disabled text), clicks, keys, the
// incremental search, the header, and the text services (paths, widths, shortening, spans, chunks).
#include "treeview/string_tree.h"
#include "treeview/unit_services.h"
#include "treeview/test/nodelist_win32.h"
#include "ui/test/uitest.h"
#include "core/stream.h"
#include "treeview/test/treeform_win32.h"
#include <climits>
#include <map>
#include <set>
#include <vector>

namespace treeview::test {
namespace {

// Opens the painting step of a cell for the tests.
class TestStringTree : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    using TCustomVirtualStringTree::PaintNodeContent;
    using TCustomVirtualStringTree::PaintDropMark;

    // A stand-in visual style for the header: active while the tree follows themes, each part
    // recorded and drawn as a flat colour of its part and state.
    struct ThemePart {
        int part, state;
        TRect r;
        bool operator==(const ThemePart&) const = default;
    };
    bool standInStyle = false;
    std::vector<ThemePart> themeParts;
    static COLORREF ThemePartColor(int part, int state) { return RGB(40 * part, 60 * state, 7); }
    bool HeaderThemed() override
    {
        return standInStyle ? (TreeStates() & tsUseThemes) != 0 : TVirtualStringTree::HeaderThemed();
    }

protected:
    bool DrawHeaderThemePart(HDC dc, int part, int state, const RECT& r) override
    {
        if (!standInStyle)
            return TVirtualStringTree::DrawHeaderThemePart(dc, part, state, r);
        themeParts.push_back({part, state, TRect{r.left, r.top, r.right, r.bottom}});
        HBRUSH brush = CreateSolidBrush(ThemePartColor(part, state));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        return true;
    }
};

class NodeList : public TreeInForm<TestStringTree> {
protected:
    NodeList()
    {
        SetUpNodeListStrings(*tree, rows);
        form->Show();
        SetNodeListHeaderHeights(tree->Header());
    }
    ~NodeList() override
    {
        if (tree) {
            tree->OnGetText = nullptr;
            tree->OnDrawText = nullptr;
        }
        form.reset();
    }

    void Fill(int count)
    {
        const char16_t* delays[] = {u"45", u"NA", u"180", u"260", u"禁ping", u"420"};
        for (int i = 0; i < count; ++i) {
            core::String index = core::String(1, char16_t(u'0' + i / 10)) + char16_t(u'0' + i % 10);
            rows.push_back({u"节点" + index, delays[i % 6], u"9" + core::String(1, char16_t(u'0' + i % 10)) + u"%",
                            i % 2 ? u"支持" : u"不支持"});
        }
        tree->SetRootNodeCount(uint32_t(count));
        Pump();
    }

    HWND Window() { return tree->Handle(); }
    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(Window(), msg, w, l); }
    PVirtualNode Node(uint32_t index)
    {
        PVirtualNode node = tree->GetFirst();
        while (node && node->Index != index)
            node = tree->GetNextSibling(node);
        return node;
    }
    void Click(int x, int y, WPARAM keys = 0)
    {
        Send(WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
        Send(WM_LBUTTONUP, keys, MAKELPARAM(x, y));
    }
    void Key(WORD key) { Send(WM_KEYDOWN, key, 1); Send(WM_KEYUP, key, 0xC0000001); }
    void Type(char16_t ch) { Send(WM_CHAR, ch, 1); }
    // The visible rows painted into a 32-bit bitmap the size of the client area.
    std::unique_ptr<ui::Bitmap> Paint()
    {
        RECT client{};
        GetClientRect(Window(), &client);
        auto bitmap = std::make_unique<ui::Bitmap>(client.right, client.bottom, ui::pf32bit);
        tree->PaintTree(bitmap->Canvas(), TRect{0, 0, client.right, client.bottom}, TPoint{0, 0}, WindowPaintOptions);
        return bitmap;
    }
    static std::set<ui::Color> ColorsIn(ui::Bitmap& bitmap, const RECT& r)
    {
        std::set<ui::Color> colors;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                colors.insert(bitmap.PixelColor(x, y));
        return colors;
    }
    static ui::Color Blend(ui::Color over, ui::Color under, int alpha)
    {
        auto channel = [&](int shift) {
            int a = int((over >> shift) & 0xFF), b = int((under >> shift) & 0xFF);
            return uint32_t((a - b) * alpha / 256 + b) << shift;
        };
        return channel(0) | channel(8) | channel(16);
    }

    std::vector<NodeListRow> rows;
};

// ---- Painting ----

TEST_F(NodeList, PaintedRowsShowSelectionGridLinesAndColourBands)
{
    Fill(12);
    tree->SetFocus();
    Pump();
    ASSERT_TRUE(tree->Focused());
    tree->FocusCell(Node(1), 0);
    tree->SetSelected(Node(1), true);
    auto bitmap = Paint();
    const ui::Color white = ui::clWhite;
    const ui::Color grid = ui::ColorToRGB(ui::clBtnFace);
    // A row without a measurement: white cells, a grid line along its bottom pixel row.
    EXPECT_EQ(bitmap->PixelColor(160, 7 * 20 + 5), white);
    EXPECT_EQ(bitmap->PixelColor(100, 7 * 20 + 19), grid);
    EXPECT_EQ(bitmap->PixelColor(300, 7 * 20 + 19), grid);
    // A measured row: the band fills the cell's left edge (text rectangle widened by 4 pixels).
    struct Case { uint32_t row; const char* delay; };
    const Case cases[] = {{0, "45"}, {3, "260"}, {4, "禁ping"}, {5, "420"}};
    for (const Case& c : cases) {
        const int y = int(c.row) * 20 + 10;
        EXPECT_EQ(bitmap->PixelColor(170 + 1, y), NodeListBandColor(rows[c.row].delay)) << c.delay;
        EXPECT_EQ(bitmap->PixelColor(250 + 1, y), NodeListBandColor(rows[c.row].delay)) << c.delay;
    }
    // The focused tree's selected row is blended with the selection colour (factor 200); in a
    // measured row the band is drawn over it, as the client's handler fills behind the text.
    const ui::Color selection = RGB(55, 109, 125);
    EXPECT_EQ(bitmap->PixelColor(160, 1 * 20 + 5), Blend(selection, white, 200));
    EXPECT_EQ(bitmap->PixelColor(300, 1 * 20 + 5), Blend(selection, white, 200));
    tree->FocusCell(Node(2), 0);
    tree->SetSelected(Node(2), true);
    bitmap = Paint();
    EXPECT_EQ(bitmap->PixelColor(170 + 1, 2 * 20 + 10), NodeListBandColor(u"180"));
    tree->FocusCell(Node(1), 0);
    tree->ClearSelection();
    tree->SetSelected(Node(1), true);
    // Below the last row: the tree's colour.
    EXPECT_EQ(bitmap->PixelColor(100, 12 * 20 + 5), white);
    // Unfocused, the selection takes the unfocused colour.
    tree->Perform(WM_KILLFOCUS, 0, 0);
    SetFocus(nullptr);
    Pump();
    ASSERT_FALSE(tree->Focused());
    bitmap = Paint();
    EXPECT_EQ(bitmap->PixelColor(160, 1 * 20 + 5), Blend(ui::ColorToRGB(ui::clBtnFace), white, 200));
}

TEST_F(NodeList, NodeImagesAreDrawnBeforeTheTextAndMoveIt)
{
    Fill(2);
    TCustomImageList images(nullptr, 16, 16);
    ShowRedImageInFirstRow(*tree, images);
    auto bitmap = Paint();
    const int left = int(tree->Indent());   // one level of indentation, margin 0
    EXPECT_EQ(bitmap->PixelColor(left + 8, 10), ui::clRed);
    EXPECT_NE(bitmap->PixelColor(left + 8, 30), ui::clRed);   // the second row has no image
    // The label starts behind the image.
    THitInfo info;
    tree->GetHitTestInfoAt(left + 8, 10, true, info);
    EXPECT_TRUE(info.HitPositions & hiOnNormalIcon);
    tree->GetHitTestInfoAt(left + 16 + 2 + 3, 10, true, info);
    EXPECT_TRUE(info.HitPositions & hiOnItemLabel);
    tree->OnGetImageIndex = nullptr;
    tree->SetImages(nullptr);
}

TEST_F(NodeList, BackgroundPictureIsTiledOrFixed)
{
    Fill(2);
    tree->SetDefaultText(u"");
    rows[0] = rows[1] = {u"", u"NA", u"", u""};   // no text, no bands
    // A 4 x 4 picture: red left half, blue right half.
    ui::Bitmap& picture = tree->Background();
    picture.SetPixelFormat(ui::pf24bit);
    picture.SetSize(4, 4);
    picture.Canvas().SetBrushColor(ui::clRed);
    picture.Canvas().FillRect(RECT{0, 0, 2, 4});
    picture.Canvas().SetBrushColor(ui::clBlue);
    picture.Canvas().FillRect(RECT{2, 0, 4, 4});
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions((tree->TreeOptions().PaintOptions() | toShowBackground) &
                                                        ~(toShowTreeLines | toShowHorzGridLines)));
    auto bitmap = Paint();
    // Rows and the band below them alike, in the picture's phase.
    for (int y : {5, 25, 100, 200})
        for (int x : {200, 201, 202, 203, 300})
            EXPECT_EQ(bitmap->PixelColor(x, y), x % 4 < 2 ? ui::clRed : ui::clBlue) << x << "," << y;
    // Fixed: once, at the offset; the tree's colour elsewhere.
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() | toStaticBackground));
    tree->SetBackgroundOffsetX(200);
    tree->SetBackgroundOffsetY(100);
    bitmap = Paint();
    EXPECT_EQ(bitmap->PixelColor(200, 100), ui::clRed);
    EXPECT_EQ(bitmap->PixelColor(203, 103), ui::clBlue);
    EXPECT_EQ(bitmap->PixelColor(204, 100), ui::clWhite);
    EXPECT_EQ(bitmap->PixelColor(200, 5), ui::clWhite);
}

TEST_F(NodeList, FixedTransparentBackgroundLetsTheTreeColourThrough)
{
    Fill(2);
    tree->SetDefaultText(u"");
    rows[0] = rows[1] = {u"", u"NA", u"", u""};
    // A 4 x 4 picture: red top-left quarter, the rest lime (its bottom-left pixel: the transparent
    // colour when the picture is transparent).
    ui::Bitmap& picture = tree->Background();
    picture.SetPixelFormat(ui::pf24bit);
    picture.SetSize(4, 4);
    picture.Canvas().SetBrushColor(ui::clLime);
    picture.Canvas().FillRect(RECT{0, 0, 4, 4});
    picture.Canvas().SetBrushColor(ui::clRed);
    picture.Canvas().FillRect(RECT{0, 0, 2, 2});
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(
        (tree->TreeOptions().PaintOptions() | toShowBackground | toStaticBackground) & ~(toShowTreeLines | toShowHorzGridLines)));
    struct Case {
        int offsetY;   // on the first row, or in the band below the rows
        bool transparent;
        ui::Color lime;
    } cases[] = {
        {5, false, ui::clLime}, {5, true, ui::clWhite}, {100, false, ui::clLime}, {100, true, ui::clWhite},
    };
    for (const Case& c : cases) {
        picture.SetTransparent(c.transparent);
        tree->SetBackgroundOffsetX(200);
        tree->SetBackgroundOffsetY(c.offsetY);
        auto bitmap = Paint();
        SCOPED_TRACE(testing::Message() << "y " << c.offsetY << (c.transparent ? ", transparent" : ""));
        EXPECT_EQ(bitmap->PixelColor(200, c.offsetY), ui::clRed);
        EXPECT_EQ(bitmap->PixelColor(201, c.offsetY + 1), ui::clRed);
        EXPECT_EQ(bitmap->PixelColor(203, c.offsetY), c.lime);
        EXPECT_EQ(bitmap->PixelColor(200, c.offsetY + 3), c.lime);
        EXPECT_EQ(bitmap->PixelColor(204, c.offsetY), ui::clWhite);
    }
    picture.SetTransparent(false);
}

TEST_F(NodeList, ToggleAnimationStepScrollsAndFillsTheUncoveredStrip)
{
    Fill(1);
    // Without columns the strip takes the fill brush.
    tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() & ~hoVisible));
    while (tree->Header().Columns().Count() > 0)
        tree->Header().Columns().Delete(0);
    ui::Bitmap bitmap(40, 40, ui::pf32bit);
    HDC dc = bitmap.Canvas().Handle();
    auto fill = [&](RECT r, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    };
    fill(RECT{0, 0, 40, 40}, RGB(255, 255, 255));
    fill(RECT{0, 10, 40, 11}, RGB(255, 0, 0));     // a red line at y = 10
    fill(RECT{0, 30, 40, 31}, RGB(0, 0, 255));     // a blue line at y = 30
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    TToggleAnimationData data;
    data.DC = dc;
    data.Brush = green;
    data.R1 = RECT{0, 0, 40, 20};
    data.R2 = RECT{0, 20, 40, 40};
    data.Mode1 = tamScrollUp;
    data.Mode2 = tamScrollDown;
    data.ScaleFactor = 0.5;
    EXPECT_TRUE(tree->ToggleCallback(3, data));
    EXPECT_EQ(bitmap.PixelColor(5, 7), ui::Color(RGB(255, 0, 0)));    // R1 moved up by 3
    EXPECT_EQ(bitmap.PixelColor(5, 17), ui::Color(RGB(0, 255, 0)));   // strip of 4 at R1's bottom
    EXPECT_EQ(bitmap.PixelColor(5, 15), ui::Color(RGB(255, 255, 255)));
    // R2 moves by round(3 * 0.5) = 2 and carries the rest (-0.5).
    EXPECT_EQ(bitmap.PixelColor(5, 32), ui::Color(RGB(0, 0, 255)));
    EXPECT_EQ(bitmap.PixelColor(5, 20), ui::Color(RGB(0, 255, 0)));
    EXPECT_DOUBLE_EQ(data.MissedSteps, -0.5);
    EXPECT_TRUE(tree->ToggleCallback(0, data));   // nothing for a step of 0
    EXPECT_DOUBLE_EQ(data.MissedSteps, -0.5);
    DeleteObject(green);
}

TEST_F(NodeList, DisabledNodesDrawTheirTextInTheDisabledColour)
{
    Fill(3);
    tree->SetIsDisabled(Node(1), true);
    auto bitmap = Paint();
    const ui::Color disabled = ui::ColorToRGB(ui::Color(tree->Colors().Color(TVTColors::DisabledColor)));
    const ui::Color black = ui::ColorToRGB(ui::clWindowText);
    // Colours of the name cells (text area only; no text pixel is compared).
    std::set<ui::Color> enabledColors = ColorsIn(*bitmap, RECT{18, 0, 160, 19});
    std::set<ui::Color> disabledColors = ColorsIn(*bitmap, RECT{18, 20, 160, 39});
    EXPECT_TRUE(enabledColors.count(black));
    EXPECT_FALSE(enabledColors.count(disabled));
    EXPECT_TRUE(disabledColors.count(disabled));
    EXPECT_FALSE(disabledColors.count(black));
}

TEST_F(NodeList, PaintingPassEventsAndRowSkipping)
{
    Fill(4);
    std::vector<std::string> events;
    tree->OnBeforePaint = [&](TBaseVirtualTree*, TCanvas*) { events.push_back("before"); };
    tree->OnAfterPaint = [&](TBaseVirtualTree*, TCanvas*) { events.push_back("after"); };
    tree->OnBeforeItemPaint = [&](TBaseVirtualTree*, TCanvas* canvas, PVirtualNode node, const TRect& r, bool& custom) {
        custom = node->Index == 1;
        if (custom) {
            canvas->SetBrushColor(ui::clRed);
            canvas->FillRect(RECT{r.Left, r.Top, r.Right, r.Bottom});
        }
    };
    int cells = 0;
    tree->OnAfterCellPaint = [&](TBaseVirtualTree*, TCanvas*, PVirtualNode node, TColumnIndex, const TRect&) {
        EXPECT_NE(node->Index, 1u);
        ++cells;
    };
    auto bitmap = Paint();
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(bitmap->PixelColor(100, 30), ui::clRed);   // the custom-drawn row is still copied
    EXPECT_GT(cells, 0);
    // A paint requested while painting does nothing.
    int nested = 0;
    tree->OnBeforePaint = [&](TBaseVirtualTree*, TCanvas*) {
        ui::Bitmap inner(10, 10, ui::pf32bit);
        tree->PaintTree(inner.Canvas(), TRect{0, 0, 10, 10}, TPoint{0, 0}, WindowPaintOptions);
        ++nested;
    };
    tree->OnAfterPaint = nullptr;
    Paint();
    EXPECT_EQ(nested, 1);
    // An exception of a handler leaves the tree paintable.
    tree->OnBeforePaint = nullptr;
    tree->OnPaintText = [](TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, TVSTTextType) {
        throw core::Exception(u"boom");
    };
    EXPECT_THROW(Paint(), core::Exception);
    EXPECT_FALSE(tree->TreeStates() & tsPainting);
    tree->OnPaintText = nullptr;
    tree->OnBeforeItemPaint = nullptr;
    tree->OnAfterCellPaint = nullptr;
}

TEST_F(NodeList, HeaderPaintsButtonsAndTheSortGlyph)
{
    Fill(1);
    // The looks without a visual style (the prefix may have one active).
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() & ~toThemeAware));
    const int height = tree->Header().Height();
    ui::Bitmap bitmap(420, height, ui::pf32bit);
    tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, height}, 0);
    // XP look: the face colour and the splitter at each button's right edge.
    EXPECT_EQ(bitmap.PixelColor(5, 3), RGB(0xEB, 0xEA, 0xDB));
    EXPECT_EQ(bitmap.PixelColor(170 - 2, 8), RGB(0xC7, 0xC5, 0xB2));
    EXPECT_EQ(bitmap.PixelColor(170 - 1, 8), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(bitmap.PixelColor(5, height - 1), RGB(0xCB, 0xC7, 0xB8));
    // The sort glyph: painting again without a sort column changes the sort column's cell only
    // (the captions are the same in both).
    ui::Bitmap unsorted(420, height, ui::pf32bit);
    tree->Header().SetSortColumn(NoColumn);
    tree->PaintHeaderInto(unsorted.Canvas().Handle(), TRect{0, 0, 400, height}, 0);
    tree->Header().SetSortColumn(1);
    auto differing = [&](int left, int right) {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = left; x < right; ++x)
                count += bitmap.PixelColor(x, y) != unsorted.PixelColor(x, y);
        return count;
    };
    EXPECT_GT(differing(170, 250), 10);
    EXPECT_EQ(differing(0, 170) + differing(250, 400), 0);
    // Classic styles: a pressed column is drawn sunken.
    tree->Header().SetStyle(hsFlatButtons);
    tree->Header().Columns().SetDownIndex(2);
    tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, height}, 0);
    EXPECT_EQ(bitmap.PixelColor(250, 5), ui::ColorToRGB(ui::clBtnShadow));
    tree->Header().Columns().SetDownIndex(NoColumn);
}

// ---- Mouse, focus and keys ----

TEST_F(NodeList, ClickFocusesAndSelectsTheRowWithEvents)
{
    Fill(10);
    std::vector<std::string> events;
    tree->OnFocusChanging = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode node, TColumnIndex, TColumnIndex, bool&) {
        events.push_back("changing " + std::to_string(node ? node->Index : 99));
    };
    tree->OnFocusChanged = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex) {
        events.push_back("changed " + std::to_string(node ? node->Index : 99));
    };
    tree->OnChange = [&](TBaseVirtualTree*, PVirtualNode node) {
        events.push_back("change " + std::to_string(node ? node->Index : 99));
    };
    Click(300, 3 * 20 + 5);   // any column of the row: full-row selection
    EXPECT_EQ(tree->FocusedNode(), Node(3));
    EXPECT_TRUE(tree->Selected(Node(3)));
    EXPECT_EQ(tree->SelectedCount(), 1);
    EXPECT_TRUE(tree->Focused());
    EXPECT_EQ(events, (std::vector<std::string>{"changing 3", "change 3", "changed 3"}));
    events.clear();
    Click(20, 5 * 20 + 5, MK_CONTROL);   // no multi-selection: Ctrl changes nothing
    EXPECT_EQ(tree->FocusedNode(), Node(5));
    EXPECT_EQ(tree->SelectedCount(), 1);
    EXPECT_TRUE(tree->Selected(Node(5)));
    // Below the last row nothing changes.
    Click(20, 280);
    EXPECT_EQ(tree->FocusedNode(), Node(5));
    EXPECT_TRUE(tree->Selected(Node(5)));
    // A refused focus change keeps focus and selection.
    tree->OnFocusChanging = [](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex, TColumnIndex, bool& allowed) {
        allowed = false;
    };
    Click(20, 1 * 20 + 5);
    EXPECT_EQ(tree->FocusedNode(), Node(5));
    tree->OnFocusChanging = nullptr;
    tree->OnFocusChanged = nullptr;
    tree->OnChange = nullptr;
}

TEST_F(NodeList, CheckBoxPressShowsThePressedStateAndReleaseApplies)
{
    Fill(3);
    tree->TreeOptions().SetMiscOptions(TVTMiscOptions(tree->TreeOptions().MiscOptions() | toCheckSupport));
    tree->SetCheckType(Node(0), ctCheckBox);
    int checked = 0;
    tree->OnChecked = [&](TBaseVirtualTree*, PVirtualNode) { ++checked; };
    const int x = int(tree->Indent()) + 5, y = 10;   // the box follows the root level's indentation
    // Released outside the node: back to the previous state, no event.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    EXPECT_EQ(Node(0)->CheckState, csUncheckedPressed);
    EXPECT_EQ(tree->FocusedNode(), nullptr);   // a check box press moves no focus
    Send(WM_LBUTTONUP, 0, MAKELPARAM(x, 2 * 20 + 10 + 200));
    EXPECT_EQ(Node(0)->CheckState, csUncheckedNormal);
    EXPECT_EQ(checked, 0);
    // Released on the node: the next state.
    Click(x, y);
    EXPECT_EQ(Node(0)->CheckState, csCheckedNormal);
    EXPECT_EQ(checked, 1);
    // The box is painted: the cell differs from one without a check type.
    auto withBox = Paint();
    tree->SetCheckType(Node(0), ctNone);
    auto without = Paint();
    int differing = 0;
    for (int py = 2; py < 18; ++py)
        for (int px = x - 5; px < x + 12; ++px)
            differing += withBox->PixelColor(px, py) != without->PixelColor(px, py);
    EXPECT_GT(differing, 10);
    tree->OnChecked = nullptr;
}

TEST_F(NodeList, RowHeightsAreDraggedInAFixedColumnOnly)
{
    Fill(4);
    tree->TreeOptions().SetMiscOptions(TVTMiscOptions(tree->TreeOptions().MiscOptions() | toNodeHeightResize |
                                                      toNodeHeightDblClickResize));
    // Not in a column without coFixed.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 38));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 60));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(50, 60));
    EXPECT_EQ(tree->NodeHeight(Node(1)), 20u);
    auto& column = tree->Header().Columns()[0];
    column.SetOptions(TVTColumnOptions(column.Options() | coFixed));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 38));
    EXPECT_TRUE(tree->TreeStates() & tsNodeHeightTrackPending);
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 60));
    EXPECT_EQ(tree->NodeHeight(Node(1)), 40u);
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 5));   // above the top edge: at least one pixel
    EXPECT_EQ(tree->NodeHeight(Node(1)), 1u);
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 50));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(tree->NodeHeight(Node(1)), 30u);
    EXPECT_FALSE(tree->TreeStates() & (tsNodeHeightTracking | tsNodeHeightTrackPending));
    // A double click on the lower edge goes back to the default height.
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 48));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(50, 48));
    EXPECT_EQ(tree->NodeHeight(Node(1)), 20u);
}

TEST_F(NodeList, MultiSelectionClicksWithModifiers)
{
    Fill(10);
    tree->TreeOptions().SetSelectionOptions(toFullRowSelect | toMultiSelect);
    Click(20, 2 * 20 + 5);
    Click(20, 5 * 20 + 5, MK_SHIFT);
    EXPECT_EQ(tree->SelectedCount(), 4);
    Click(20, 3 * 20 + 5, MK_CONTROL);
    EXPECT_FALSE(tree->Selected(Node(3)));
    EXPECT_EQ(tree->SelectedCount(), 3);
    Click(20, 7 * 20 + 5);
    EXPECT_EQ(tree->SelectedCount(), 1);
    EXPECT_TRUE(tree->Selected(Node(7)));
}

TEST_F(NodeList, ButtonsToggleAndDoubleClickToggles)
{
    Fill(3);
    tree->SetChildCount(Node(0), 2);   // rows of the children reuse the table by index
    tree->TreeOptions().SetMiscOptions(TVTMiscOptions(tree->TreeOptions().MiscOptions() & ~toReportMode));
    ASSERT_FALSE(tree->Expanded(Node(0)));
    // The button sits in the first indentation level (toShowRoot).
    Click(9, 10);
    EXPECT_TRUE(tree->Expanded(Node(0)));
    EXPECT_EQ(tree->FocusedNode(), nullptr);   // a button press changes neither focus nor selection
    EXPECT_EQ(tree->SelectedCount(), 0);
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 10));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
    EXPECT_FALSE(tree->Expanded(Node(0)));
}

TEST_F(NodeList, KeysMoveTheFocusAndTheSelection)
{
    Fill(40);
    tree->SetFocus();
    Key(VK_DOWN);   // without focus: the first row
    EXPECT_EQ(tree->FocusedNode(), Node(0));
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(tree->FocusedNode(), Node(2));
    EXPECT_EQ(tree->SelectedCount(), 1);
    EXPECT_TRUE(tree->Selected(Node(2)));
    Key(VK_UP);
    EXPECT_EQ(tree->FocusedNode(), Node(1));
    Key(VK_END);
    EXPECT_EQ(tree->FocusedNode(), Node(39));
    EXPECT_EQ(tree->TopNode(), Node(uint32_t((40 * 20 - tree->ClientHeight()) / 20)));
    Key(VK_DOWN);   // on the last row: stays
    EXPECT_EQ(tree->FocusedNode(), Node(39));
    Key(VK_HOME);
    EXPECT_EQ(tree->FocusedNode(), Node(0));
    // A page: the rows whose heights passed stay below the client height.
    Key(VK_NEXT);
    EXPECT_EQ(tree->FocusedNode(), Node(uint32_t((tree->ClientHeight() - 1) / 20)));
    Key(VK_PRIOR);
    EXPECT_EQ(tree->FocusedNode(), Node(0));
    // A key the application cancels does nothing.
    tree->OnKeyAction = [](TBaseVirtualTree*, uint16_t&, TBaseVirtualTree::TShiftState&, bool& doDefault) {
        doDefault = false;
    };
    Key(VK_DOWN);
    EXPECT_EQ(tree->FocusedNode(), Node(0));
    tree->OnKeyAction = nullptr;
    // Shift extends the selection in a multi-selection tree.
    tree->TreeOptions().SetSelectionOptions(toFullRowSelect | toMultiSelect);
    Key(VK_HOME);   // the focused row again the only selected one
    EXPECT_EQ(tree->SelectedCount(), 1);
    {
        ui::test::KeysDown shift({VK_SHIFT});
        Key(VK_DOWN);
        Key(VK_DOWN);
    }
    EXPECT_EQ(tree->SelectedCount(), 3);
    Key(VK_DOWN);
    EXPECT_EQ(tree->SelectedCount(), 1);
    EXPECT_TRUE(tree->Selected(Node(3)));
}

TEST_F(NodeList, RightExpandsThenEntersLeftCollapsesThenLeaves)
{
    Fill(4);
    tree->SetChildCount(Node(1), 2);
    tree->SetFocus();
    tree->FocusCell(Node(1), 0);
    Key(VK_RIGHT);
    EXPECT_TRUE(tree->Expanded(Node(1)));
    EXPECT_EQ(tree->FocusedNode(), Node(1));
    Key(VK_RIGHT);
    EXPECT_EQ(tree->FocusedNode(), Node(1)->FirstChild);
    Key(VK_LEFT);
    EXPECT_EQ(tree->FocusedNode(), Node(1));
    Key(VK_LEFT);
    EXPECT_FALSE(tree->Expanded(Node(1)));
    Key(VK_LEFT);   // a top-level node has no parent to go to
    EXPECT_EQ(tree->FocusedNode(), Node(1));
}

TEST_F(NodeList, CommandKeysExpandCollapseSelectAllAndAskForHelp)
{
    Fill(4);
    tree->SetChildCount(Node(1), 2);
    tree->SetChildCount(Node(1)->FirstChild, 1);
    tree->SetFocus();
    tree->FocusCell(Node(1), 0);
    Key(VK_ADD);
    EXPECT_TRUE(tree->Expanded(Node(1)));
    EXPECT_FALSE(tree->Expanded(Node(1)->FirstChild));
    Key(VK_SUBTRACT);
    EXPECT_FALSE(tree->Expanded(Node(1)));
    Key(VK_MULTIPLY);   // the whole subtree
    EXPECT_TRUE(tree->Expanded(Node(1)));
    EXPECT_TRUE(tree->Expanded(Node(1)->FirstChild));
    Key(VK_DIVIDE);
    EXPECT_FALSE(tree->Expanded(Node(1)));
    // Ctrl+A selects every visible node of a multi-selection tree.
    tree->TreeOptions().SetSelectionOptions(toFullRowSelect | toMultiSelect);
    {
        ui::test::KeysDown ctrl({VK_CONTROL});
        Key('A');
    }
    EXPECT_EQ(tree->SelectedCount(), 4);
    // F1: the first help context of the focused node or its ancestors.
    tree->FocusCell(Node(1)->FirstChild, 0);
    std::vector<int> shown;
    tree->OnGetHelpContext = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, int& context) {
        if (node == Node(1))
            context = 42;
    };
    tree->ShowHelp = [&](int context) { shown.push_back(context); };
    Key(VK_F1);
    EXPECT_EQ(shown, std::vector<int>{42});
    tree->OnGetHelpContext = nullptr;
    tree->ShowHelp = nullptr;
}

TEST_F(NodeList, IncrementalSearchTypesWholeCharacters)
{
    rows = {{u"ba", u"NA", u"", u""}, {u"bb", u"NA", u"", u""}, {u"bc", u"NA", u"", u""},
            {u"𠀀x", u"NA", u"", u""}, {u"线路", u"NA", u"", u""}};
    tree->SetRootNodeCount(uint32_t(rows.size()));
    tree->SetIncrementalSearch(isAll);
    tree->SetFocus();
    tree->FocusCell(Node(0), 0);
    int beeps = 0;
    tree->Beep = [&] { ++beeps; };
    auto typeKey = [&](WORD key, core::StringView chars) {
        Send(WM_KEYDOWN, key, 1);
        for (char16_t c : chars)
            Type(c);
    };
    // The same letter again moves on to the next node starting with it.
    typeKey('B', u"b");
    EXPECT_EQ(tree->FocusedNode(), Node(1));
    typeKey('B', u"b");
    EXPECT_EQ(tree->FocusedNode(), Node(1));   // "bb" matches where the search stands
    EXPECT_EQ(tree->SearchBuffer(), u"bb");
    EXPECT_EQ(tree->SelectedCount(), 1);
    // The time-out (timer 7, 1000 ms) forgets the buffer.
    Send(WM_TIMER, SearchTimer, 0);
    EXPECT_EQ(tree->SearchBuffer(), u"");
    // Characters beyond the keyboard's code page: a Chinese character and a surrogate pair.
    typeKey(VK_PROCESSKEY, u"线");
    EXPECT_EQ(tree->FocusedNode(), Node(4));
    Send(WM_TIMER, SearchTimer, 0);
    typeKey(VK_PROCESSKEY, u"𠀀");
    EXPECT_EQ(tree->FocusedNode(), Node(3));
    EXPECT_EQ(tree->SearchBuffer(), u"𠀀");
    // Backspace removes the whole pair and searches backwards with what is left (everything
    // starts with the empty text).
    typeKey(VK_BACK, u"\b");
    EXPECT_EQ(tree->SearchBuffer(), u"");
    EXPECT_EQ(tree->FocusedNode(), Node(2));
    // Nothing found: a beep, the focus stays.
    Send(WM_TIMER, SearchTimer, 0);
    typeKey('Q', u"q");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(tree->FocusedNode(), Node(2));
    // Backspace with an empty buffer changes nothing.
    typeKey(VK_BACK, u"\b");
    EXPECT_EQ(tree->FocusedNode(), Node(2));
    EXPECT_EQ(tree->SearchBuffer(), u"");
    tree->Beep = nullptr;
}

// ---- Header ----

TEST_F(NodeList, HeaderClicksReportTheColumnAndBordersResize)
{
    Fill(3);
    std::vector<TVTHeaderHitInfo> clicks;
    tree->OnHeaderClick = [&](TVTHeader*, const TVTHeaderHitInfo& info) { clicks.push_back(info); };
    auto screen = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        return MAKELPARAM(p.x, p.y);
    };
    Send(WM_NCLBUTTONDOWN, HTBORDER, screen(200, -10));
    EXPECT_EQ(tree->Header().Columns().DownIndex(), 1);
    Send(WM_NCLBUTTONUP, HTBORDER, screen(200, -10));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(200, -10));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].Column, 1);
    EXPECT_EQ(clicks[0].HitPosition, hhiOnColumn);
    EXPECT_EQ(clicks[0].Button, ui::mbLeft);
    EXPECT_EQ(tree->Header().Columns().DownIndex(), NoColumn);
    // Right button: a click without a menu.
    Send(WM_NCRBUTTONDOWN, HTBORDER, screen(300, -10));
    Send(WM_NCRBUTTONUP, HTBORDER, screen(300, -10));
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[1].Column, 2);
    EXPECT_EQ(clicks[1].Button, ui::mbRight);
    // The border between columns 0 and 1 still tracks the width.
    Send(WM_NCLBUTTONDOWN, HTBORDER, screen(170, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(190, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, -10));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(200, -10));
    EXPECT_EQ(tree->Header().Columns()[0].Width(), 200);
    EXPECT_EQ(clicks.size(), 2u);
    tree->OnHeaderClick = nullptr;
}

TEST_F(NodeList, DraggingAColumnMovesIt)
{
    Fill(2);
    std::vector<std::pair<TColumnIndex, TColumnPosition>> dragged;
    tree->OnHeaderDragged = [&](TVTHeader*, TColumnIndex column, TColumnPosition old) { dragged.push_back({column, old}); };
    auto screen = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        return MAKELPARAM(p.x, p.y);
    };
    // Column 0 dropped after column 2 lands at position 2.
    Send(WM_NCLBUTTONDOWN, HTBORDER, screen(50, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, -10));
    EXPECT_TRUE(tree->Header().States() & hsDragging);
    EXPECT_EQ(tree->Header().Columns().DropTarget(), 2);
    EXPECT_FALSE(tree->Header().Columns().DropBefore());
    Send(WM_LBUTTONUP, 0, MAKELPARAM(300, -10));
    EXPECT_EQ(tree->Header().Columns()[0].Position(), 2u);
    EXPECT_EQ(dragged, (std::vector<std::pair<TColumnIndex, TColumnPosition>>{{0, 0}}));
    EXPECT_EQ(tree->Header().States(), 0);
    // Escape ends a drag without moving anything.
    Send(WM_NCLBUTTONDOWN, HTBORDER, screen(300, -10));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(360, -10));
    EXPECT_TRUE(tree->Header().States() & hsDragging);
    Send(WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(tree->Header().States(), 0);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(360, -10));
    EXPECT_EQ(tree->Header().Columns()[0].Position(), 2u);
    EXPECT_EQ(dragged.size(), 1u);
    tree->OnHeaderDragged = nullptr;
}

// A 16 x 16 image list of one opaque red image, the header's glyph in the tests below.
struct RedGlyphs {
    RedGlyphs()
    {
        ui::Bitmap red(16, 16, ui::pf24bit);
        red.Canvas().SetBrushColor(ui::clRed);
        red.Canvas().FillRect(RECT{0, 0, 16, 16});
        list.Add(red);
    }
    TCustomImageList list{nullptr, 16, 16};
};

// Bounds of the pixels of a bitmap area that pass a test (empty when none does).
template <typename Test>
TRect PixelBounds(ui::Bitmap& bitmap, const TRect& area, Test test)
{
    TRect found{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (test(bitmap.PixelColor(x, y)))
                found = TRect{std::min(found.Left, x), std::min(found.Top, y), std::max(found.Right, x + 1),
                              std::max(found.Bottom, y + 1)};
    return found.Left == INT_MAX ? TRect{} : found;
}

bool IsRed(ui::Color c) { return c == ui::Color(RGB(255, 0, 0)); }
bool IsDark(ui::Color c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200; }

TEST_F(NodeList, HeaderGlyphFollowsLayoutAlignmentAndMargins)
{
    Fill(1);
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() & ~toThemeAware));
    RedGlyphs glyphs;
    TVTHeader& header = tree->Header();
    header.SetImages(&glyphs.list);
    header.SetOptions(TVTHeaderOptions(header.Options() | hoShowImages));
    header.SetHeight(40);
    TVirtualTreeColumn& column = header.Columns()[0];
    column.SetText(u"Abc");
    column.SetImageIndex(0);
    // The caption's size in the header font.
    HDC measure = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(measure, tree->HeaderFont().Handle());
    SIZE extent{};
    GetTextExtentPoint32W(measure, L"Abc", 3, &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(measure, &metrics);
    SelectObject(measure, old);
    DeleteDC(measure);
    // The cell's inner area starts at (2, 2) and is 146 x 36 in a column of 150; margin and spacing 4.
    const int tw = extent.cx + 2, th = metrics.tmHeight;
    const int d = (36 - 16 - th - 4) / 2;
    enum Side { textRight, textLeft, textBelow, textAbove };
    struct Case {
        int width;
        TVTHeaderColumnLayout layout;
        TAlignment alignment;
        int glyphX, glyphY;
        Side text;
    } cases[] = {
        {150, blGlyphLeft, taLeftJustify, 2 + 4, 12, textRight},
        {150, blGlyphRight, taLeftJustify, 2 + 4 + tw + 4, 12, textLeft},
        {150, blGlyphLeft, taRightJustify, 2 + 142 - tw - 4 - 16, 12, textRight},
        {150, blGlyphRight, taRightJustify, 2 + 142 - 16, 12, textLeft},
        {150, blGlyphLeft, taCenter, 2 + (146 - 16 - 4 - tw) / 2, 12, textRight},
        {150, blGlyphTop, taLeftJustify, 2 + (146 - 16) / 2, 2 + d, textBelow},
        {150, blGlyphBottom, taLeftJustify, 2 + (146 - 16) / 2, 2 + d + th + 4, textAbove},
        // Too narrow: the glyph keeps to the left margin.
        {30, blGlyphLeft, taRightJustify, 2 + 4, 12, textRight},
    };
    for (const Case& c : cases) {
        column.SetWidth(c.width);
        column.SetLayout(c.layout);
        column.SetAlignment(c.alignment);
        ui::Bitmap bitmap(400, 40, ui::pf32bit);
        tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, 40}, 0);
        const TRect cell{3, 3, c.width - 3, 37};
        const TRect glyph = PixelBounds(bitmap, cell, IsRed);
        const TRect expected{c.glyphX, c.glyphY, c.glyphX + 16, c.glyphY + 16};
        SCOPED_TRACE(testing::Message() << "layout " << int(c.layout) << ", alignment " << int(c.alignment));
        EXPECT_EQ(glyph, expected);
        EXPECT_TRUE(column.HasImage());
        EXPECT_EQ(column.ImageRect(), expected);
        if (c.width < 40)
            continue;
        const TRect text = PixelBounds(bitmap, cell, IsDark);
        ASSERT_LT(text.Left, text.Right) << "the caption is drawn";
        switch (c.text) {
        case textRight: EXPECT_GE(text.Left, glyph.Right + 4); break;
        case textLeft: EXPECT_LE(text.Right + 4, glyph.Left); break;
        case textBelow: EXPECT_GE(text.Top, glyph.Bottom + 4 - 1); break;
        case textAbove: EXPECT_LE(text.Bottom + 4 - 1, glyph.Top); break;
        }
    }
    // Every button style draws the glyph at the same place.
    column.SetWidth(150);
    column.SetLayout(blGlyphLeft);
    column.SetAlignment(taLeftJustify);
    for (TVTHeaderStyle style : {hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle}) {
        header.SetStyle(style);
        ui::Bitmap bitmap(400, 40, ui::pf32bit);
        tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, 40}, 0);
        EXPECT_EQ(PixelBounds(bitmap, TRect{3, 3, 147, 37}, IsRed), (TRect{6, 12, 22, 28})) << int(style);
    }
    // A sort glyph that is pushed onto the glyph hides it (the sort column is 1, right of column 0).
    TVirtualTreeColumn& sorted = header.Columns()[1];
    column.SetWidth(150);
    sorted.SetImageIndex(0);
    for (int width : {30, 80}) {
        sorted.SetWidth(width);
        ui::Bitmap bitmap(400, 40, ui::pf32bit);
        tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, 40}, 0);
        const bool shown = width == 80;
        EXPECT_EQ(sorted.HasImage(), shown) << width;
        EXPECT_EQ(PixelBounds(bitmap, TRect{150, 0, 150 + width, 40}, IsRed) != TRect{}, shown) << width;
    }
    sorted.SetImageIndex(-1);
    // A wrapped caption is laid out in lines that fit the text's room.
    column.SetWidth(60);
    column.SetLayout(blGlyphLeft);
    column.SetAlignment(taLeftJustify);
    column.SetText(u"Abc Abc Abc");
    column.SetOptions(TVTColumnOptions(column.Options() | coWrapCaption));
    {
        ui::Bitmap bitmap(400, 40, ui::pf32bit);
        tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, 40}, 0);
        EXPECT_NE(column.CaptionText().find(u'\n'), core::String::npos) << "wrapped";
        const TRect text = PixelBounds(bitmap, TRect{3, 3, 57, 37}, IsDark);
        EXPECT_GT(text.Bottom - text.Top, th) << "more than one line";
        EXPECT_LE(text.Right, 60 - 2 - 4);
    }
    column.SetOptions(TVTColumnOptions(column.Options() & ~coWrapCaption));
    // Without hoShowImages no glyph is drawn or recorded.
    header.SetOptions(TVTHeaderOptions(header.Options() & ~hoShowImages));
    ui::Bitmap bitmap(400, 40, ui::pf32bit);
    tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, 40}, 0);
    EXPECT_EQ(PixelBounds(bitmap, TRect{0, 0, 150, 40}, IsRed), TRect{});
    EXPECT_FALSE(column.HasImage());
}

// HeaderCaptionWidth is the narrowest column that gives the caption its whole room as the header lays
// it out (its extent and 2 pixels), with the sort glyph and the header glyph beside it inside the
// margins; one pixel less squeezes the caption. The painted layout is read through the advanced
// header drawing (claiming only the drop mark, which is never drawn here).
TEST_F(NodeList, HeaderCaptionWidthIsTheNarrowestColumnThatHoldsTheWholeCaption)
{
    Fill(1);
    RedGlyphs glyphs;
    TVTHeader& header = tree->Header();
    header.SetImages(&glyphs.list);
    header.SetOptions(TVTHeaderOptions(header.Options() | hoShowImages | hoOwnerDraw));
    std::map<TVirtualTreeColumn*, THeaderPaintInfo> painted;
    tree->OnHeaderDrawQueryElements = [](TVTHeader*, THeaderPaintInfo&, THeaderPaintElements& elements) {
        elements = hpeDropMark;
    };
    tree->OnAdvancedHeaderDraw = [&painted](TVTHeader*, THeaderPaintInfo& info, THeaderPaintElements) {
        if (info.Column)
            painted[info.Column] = info;
    };
    TVirtualTreeColumn& column = header.Columns()[0];
    auto extentOf = [this](const core::String& text) {
        HDC measure = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(measure, tree->HeaderFont().Handle());
        const std::wstring wide(text.begin(), text.end());
        SIZE extent{};
        GetTextExtentPoint32W(measure, wide.c_str(), int(wide.size()), &extent);
        SelectObject(measure, old);
        DeleteDC(measure);
        return int(extent.cx);
    };
    struct Case {
        const char16_t* caption;
        bool sorted, glyph;
        TVTHeaderColumnLayout layout;
        TAlignment alignment;
        bool wrap;
    } cases[] = {
        {u"L2TP支持", false, false, blGlyphLeft, taLeftJustify, false},
        {u"延时(ms)", true, false, blGlyphLeft, taLeftJustify, false},
        {u"线路名称", true, true, blGlyphLeft, taRightJustify, false},
        {u"在线率", false, true, blGlyphRight, taCenter, false},
        {u"Abc Abc Abc", true, false, blGlyphLeft, taCenter, true},
        {u"L2TP支持", false, true, blGlyphTop, taLeftJustify, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.caption, c.caption + std::char_traits<char16_t>::length(c.caption))
                                        << " sorted " << c.sorted << " glyph " << c.glyph << " layout " << int(c.layout));
        column.SetText(c.caption);
        column.SetImageIndex(c.glyph ? 0 : -1);
        column.SetLayout(c.layout);
        column.SetAlignment(c.alignment);
        column.SetOptions(c.wrap ? TVTColumnOptions(column.Options() | coWrapCaption)
                                 : TVTColumnOptions(column.Options() & ~coWrapCaption));
        header.SetSortColumn(c.sorted ? 0 : 1);
        const int tw = extentOf(column.Text()) + 2;
        const int width = tree->HeaderCaptionWidth(0);
        ASSERT_GT(width, tw);
        for (int w : {width, width - 1}) {
            column.SetWidth(w);
            painted.clear();
            ui::Bitmap bitmap(400, header.Height(), ui::pf32bit);
            tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, header.Height()}, 0);
            ASSERT_EQ(painted.count(&column), 1u);
            const THeaderPaintInfo& info = painted[&column];
            // The cell runs from 2 to w - 2; its contents keep the margins.
            const int left = 2 + column.Margin(), right = w - 2 - column.Margin();
            const TRect& text = info.TextRectangle;
            // A wrapping caption gets the room of its extent (without the 2 pixels of a single line).
            const bool textWhole = c.wrap ? text.Right - text.Left >= tw - 2 && column.CaptionText() == column.Text()
                                          : text.Right - text.Left == tw;
            const bool sortWhole = !c.sorted || (info.SortGlyphPos.X >= text.Right &&
                                                 info.SortGlyphPos.X + UtilityImages()->Width() <= right);
            bool glyphWhole = !c.glyph || (info.GlyphPos.X >= left && info.GlyphPos.X + 16 <= right);
            if (c.glyph && c.layout == blGlyphLeft)
                glyphWhole = glyphWhole && info.GlyphPos.X + 16 <= text.Left;
            if (c.glyph && c.layout == blGlyphRight)
                glyphWhole = glyphWhole && info.GlyphPos.X >= text.Right;
            SCOPED_TRACE(testing::Message() << "width " << w << " text " << text.Left << ".." << text.Right << " of "
                                            << tw << ", sort glyph at " << info.SortGlyphPos.X << ", glyph at "
                                            << info.GlyphPos.X);
            if (w == width) {
                EXPECT_TRUE(textWhole);
                EXPECT_TRUE(sortWhole);
                EXPECT_TRUE(glyphWhole);
                EXPECT_GE(text.Left, left);
                EXPECT_LE(text.Right, right);
            } else if (!c.wrap) {
                EXPECT_FALSE(textWhole && sortWhole && glyphWhole) << "one pixel less squeezes the cell";
            }
        }
    }
    EXPECT_EQ(tree->HeaderCaptionWidth(-1), 0);
    EXPECT_EQ(tree->HeaderCaptionWidth(header.Columns().Count()), 0);
}

TEST_F(NodeList, HeaderCheckBoxIsDrawnFromTheCheckImagesAndToggledByClicks)
{
    Fill(1);
    RedGlyphs glyphs;
    TVTHeader& header = tree->Header();
    header.SetImages(&glyphs.list);
    header.SetOptions(TVTHeaderOptions(header.Options() | hoShowImages));
    header.Columns()[0].SetImageIndex(0);
    TVirtualTreeColumn& checked = header.Columns()[2];
    checked.SetImageIndex(0);
    checked.SetCheckBox(true);
    std::vector<TVTHeaderHitInfo> clicks;
    tree->OnHeaderClick = [&](TVTHeader*, const TVTHeaderHitInfo& info) { clicks.push_back(info); };
    auto paintFrame = [&] { Send(WM_NCPAINT, 1, 0); };
    auto click = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        Send(WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(p.x, p.y));
        Send(WM_NCLBUTTONUP, HTBORDER, MAKELPARAM(p.x, p.y));
        paintFrame();
    };
    paintFrame();
    // Recorded in the cell (x from its left edge) and the header (y from its top); the third column
    // starts at client x 250.
    ASSERT_TRUE(checked.HasImage());
    EXPECT_EQ(checked.ImageRect().Left, 2 + 4);
    const TRect cellBox = checked.ImageRect();
    const TRect box{250 + cellBox.Left, cellBox.Top, 250 + cellBox.Right, cellBox.Bottom};
    const int x = (box.Left + box.Right) / 2, y = (box.Top + box.Bottom) / 2 - header.Height();

    // The check box replaces the header image and shows the state.
    auto cell = [&] {
        auto bitmap = std::make_unique<ui::Bitmap>(400, header.Height(), ui::pf32bit);
        tree->PaintHeaderInto(bitmap->Canvas().Handle(), TRect{0, 0, 400, header.Height()}, 0);
        return bitmap;
    };
    auto uncheckedLook = cell();
    ui::Bitmap& unchecked = *uncheckedLook;
    EXPECT_EQ(PixelBounds(unchecked, TRect{250, 0, 310, header.Height()}, IsRed), TRect{});
    EXPECT_NE(PixelBounds(unchecked, TRect{0, 0, 170, header.Height()}, IsRed), TRect{});

    struct Step {
        int x;
        uint8_t hit;
        TCheckState state;
    } steps[] = {
        {x, hhiOnColumn | hhiOnIcon | hhiOnCheckbox, csCheckedNormal},
        {x, hhiOnColumn | hhiOnIcon | hhiOnCheckbox, csUncheckedNormal},
        {box.Right + 10, hhiOnColumn, csUncheckedNormal},   // beside the box: a plain click
    };
    for (const Step& step : steps) {
        clicks.clear();
        click(step.x, y);
        ASSERT_EQ(clicks.size(), 1u);
        EXPECT_EQ(clicks[0].Column, 2);
        EXPECT_EQ(clicks[0].HitPosition, step.hit) << step.x;
        EXPECT_EQ(checked.CheckState(), step.state) << step.x;
    }
    checked.SetCheckState(csCheckedNormal);
    auto checkedLook = cell();
    int differing = 0;
    for (int py = box.Top; py < box.Bottom; ++py)
        for (int px = box.Left; px < box.Right; ++px)
            differing += checkedLook->PixelColor(px, py) != unchecked.PixelColor(px, py);
    EXPECT_GT(differing, 4);

    // A plain glyph is an icon hit; it toggles nothing.
    clicks.clear();
    const TRect icon = header.Columns()[0].ImageRect();
    click((icon.Left + icon.Right) / 2, y);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].HitPosition, hhiOnColumn | hhiOnIcon);
    EXPECT_EQ(header.Columns()[0].CheckState(), csUncheckedNormal);
    tree->OnHeaderClick = nullptr;
}

// The theme library's calls the test draws its references with.
struct ThemeCalls {
    ThemeCalls()
    {
        HMODULE module = LoadLibraryW(L"uxtheme.dll");
        active = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "IsThemeActive")));
        open = reinterpret_cast<HANDLE(WINAPI*)(HWND, LPCWSTR)>(reinterpret_cast<void*>(GetProcAddress(module, "OpenThemeData")));
        close = reinterpret_cast<HRESULT(WINAPI*)(HANDLE)>(reinterpret_cast<void*>(GetProcAddress(module, "CloseThemeData")));
        draw = reinterpret_cast<HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*)>(
            reinterpret_cast<void*>(GetProcAddress(module, "DrawThemeBackground")));
    }
    BOOL(WINAPI* active)() = nullptr;
    HANDLE(WINAPI* open)(HWND, LPCWSTR) = nullptr;
    HRESULT(WINAPI* close)(HANDLE) = nullptr;
    HRESULT(WINAPI* draw)(HANDLE, HDC, int, int, const RECT*, const RECT*) = nullptr;
};

TEST_F(NodeList, HeaderUsesTheVisualStyleWhileOneIsActive)
{
    Fill(1);
    ThemeCalls theme;
    if (!theme.active || !theme.active())
        GTEST_SKIP() << "no visual style is active in this Wine prefix (the stand-in style test covers the painter)";
    TVTHeader& header = tree->Header();
    header.Columns()[2].SetText(u"");
    header.Columns()[3].SetText(u"");
    const int height = header.Height();
    ASSERT_TRUE(tree->TreeStates() & tsUseThemes);
    EXPECT_TRUE(tree->HeaderThemed());

    // References: the header's right part over the whole band, an item over the third column.
    HANDLE data = theme.open(Window(), L"HEADER");
    ASSERT_NE(data, nullptr);
    auto reference = [&](int itemState) {
        auto bitmap = std::make_unique<ui::Bitmap>(400, height, ui::pf32bit);
        const RECT band{0, 0, 400, height}, item{250, 0, 310, height};
        theme.draw(data, bitmap->Canvas().Handle(), 3, 1, &band, nullptr);
        theme.draw(data, bitmap->Canvas().Handle(), 1, itemState, &item, nullptr);
        return bitmap;
    };
    auto painted = [&] {
        auto bitmap = std::make_unique<ui::Bitmap>(400, height, ui::pf32bit);
        tree->PaintHeaderInto(bitmap->Canvas().Handle(), TRect{0, 0, 400, height}, 0);
        return bitmap;
    };
    auto differing = [&](ui::Bitmap& a, ui::Bitmap& b, int left, int right) {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = left; x < right; ++x)
                count += a.PixelColor(x, y) != b.PixelColor(x, y);
        return count;
    };
    auto normal = reference(1), pressed = reference(3);
    ASSERT_GT(differing(*normal, *pressed, 250, 310), 0) << "the style draws pressed items differently";
    struct Case {
        TColumnIndex down;
        ui::Bitmap* expected;
    } cases[] = {{NoColumn, normal.get()}, {2, pressed.get()}};
    for (const Case& c : cases) {
        header.Columns().SetDownIndex(c.down);
        auto bitmap = painted();
        EXPECT_EQ(differing(*bitmap, *c.expected, 250, 310), 0) << "the item, down " << c.down;
        EXPECT_EQ(differing(*bitmap, *c.expected, 372, 400), 0) << "right of the columns";
    }
    header.Columns().SetDownIndex(NoColumn);
    theme.close(data);

    // A tree that does not follow themes keeps its own look; a theme change reopens the style.
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() & ~toThemeAware));
    EXPECT_FALSE(tree->HeaderThemed());
    EXPECT_EQ(painted()->PixelColor(255, 3), RGB(0xEB, 0xEA, 0xDB));
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() | toThemeAware));
    Send(WM_THEMECHANGED);
    EXPECT_TRUE(tree->HeaderThemed());
    EXPECT_EQ(differing(*painted(), *normal, 250, 310), 0);
}

TEST_F(NodeList, HeaderDrawsTheStylePartsInTheirStates)
{
    Fill(1);
    tree->standInStyle = true;
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() | toThemeAware));
    TVTHeader& header = tree->Header();
    header.SetOptions(TVTHeaderOptions(header.Options() | hoHotTrack));
    const int h = header.Height();
    using Part = TestStringTree::ThemePart;
    struct Case {
        TColumnIndex hover, down;
        std::vector<Part> parts;
    } cases[] = {
        {NoColumn, NoColumn,
         {{3, 1, {0, 0, 400, h}}, {1, 1, {0, 0, 170, h}}, {1, 1, {170, 0, 250, h}}, {1, 1, {250, 0, 310, h}},
          {1, 1, {310, 0, 370, h}}}},
        {1, 2,
         {{3, 1, {0, 0, 400, h}}, {1, 1, {0, 0, 170, h}}, {1, 2, {170, 0, 250, h}}, {1, 3, {250, 0, 310, h}},
          {1, 1, {310, 0, 370, h}}}},
    };
    ui::Bitmap bitmap(400, h, ui::pf32bit);
    for (const Case& c : cases) {
        header.Columns().SetHoverIndex(c.hover);
        header.Columns().SetDownIndex(c.down);
        tree->themeParts.clear();
        tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, h}, 0);
        EXPECT_EQ(tree->themeParts, c.parts) << "hover " << c.hover << ", down " << c.down;
        // The faces are the style's; the band right of the columns too.
        EXPECT_EQ(bitmap.PixelColor(255, 2), TestStringTree::ThemePartColor(1, c.down == 2 ? 3 : 1));
        EXPECT_EQ(bitmap.PixelColor(390, 2), TestStringTree::ThemePartColor(3, 1));
    }
    header.Columns().SetHoverIndex(NoColumn);
    header.Columns().SetDownIndex(NoColumn);
    // Without themes the classic look returns and the style is not asked.
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() & ~toThemeAware));
    tree->themeParts.clear();
    tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, h}, 0);
    EXPECT_TRUE(tree->themeParts.empty());
    EXPECT_EQ(bitmap.PixelColor(255, 3), RGB(0xEB, 0xEA, 0xDB));
    tree->standInStyle = false;
}

TEST_F(NodeList, HeaderImageListThatGoesAwayLeavesTheHeaderWithout)
{
    Fill(1);
    auto glyphs = std::make_unique<RedGlyphs>();
    tree->Header().SetImages(&glyphs->list);
    EXPECT_EQ(tree->Header().Images(), &glyphs->list);
    glyphs.reset();
    EXPECT_EQ(tree->Header().Images(), nullptr);
    ui::Bitmap bitmap(400, 22, ui::pf32bit);
    tree->PaintHeaderInto(bitmap.Canvas().Handle(), TRect{0, 0, 400, 22}, 0);   // paints without the list
}

// ---- Text services ----

TEST_F(NodeList, TextsPathsAndDefaultText)
{
    Fill(2);
    tree->SetChildCount(Node(1), 1);
    PVirtualNode child = Node(1)->FirstChild;
    EXPECT_EQ(tree->Text(Node(0), 0), u"节点00");
    EXPECT_EQ(tree->Path(child, 0, ttNormal, u'\\'), u"节点01\\节点00\\");
    EXPECT_EQ(tree->Path(nullptr, 0, ttNormal, u'/'), u"/");
    // Each level starts from an empty text: a level that supplies none adds only its delimiter.
    tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType, core::String& text) {
        if (node->Parent->Parent)   // only the child answers
            text = u"c";
    };
    EXPECT_EQ(tree->Path(child, 0, ttNormal, u'\\'), u"\\c\\");
    tree->OnGetText = nullptr;
    EXPECT_EQ(tree->Text(Node(0), 3), u"Node");
    tree->SetDefaultText(u"");
    EXPECT_EQ(tree->Text(Node(0), 3), u"");
}

TEST_F(NodeList, MainColumnWidthIsCachedUntilTheNodeIsInvalidated)
{
    Fill(2);
    int measured = 0;
    tree->OnMeasureTextWidth = [&](TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView, int& w) {
        ++measured;
        w = 50;   // the handler's width is the one used and cached
    };
    tree->InvalidateNode(Node(0));   // the shown window's painting cached a width already
    EXPECT_EQ(tree->NodeWidth(nullptr, Node(0), 0), 50 + 2 * tree->TextMargin());
    EXPECT_EQ(tree->CachedWidth(Node(0)), uint32_t(50 + 2 * tree->TextMargin()));
    tree->NodeWidth(nullptr, Node(0), 0);
    EXPECT_EQ(measured, 1);
    tree->NodeWidth(nullptr, Node(0), 1);
    tree->NodeWidth(nullptr, Node(0), 1);
    EXPECT_EQ(measured, 3);   // other columns are measured every time
    tree->InvalidateNode(Node(0));
    EXPECT_EQ(tree->CachedWidth(Node(0)), 0u);
    tree->NodeWidth(nullptr, Node(0), 0);
    tree->Font().SetHeight(-16);   // a new font forgets every cached width
    EXPECT_EQ(tree->CachedWidth(Node(0)), 0u);
    tree->OnMeasureTextWidth = nullptr;
}

TEST_F(NodeList, ShortenTextKeepsTheLongestPrefixThatFits)
{
    Fill(1);
    ui::Bitmap bitmap(10, 10, ui::pf32bit);
    TCanvas canvas(bitmap.Canvas().Handle());
    canvas.Font().Assign(tree->Font());
    const int e = canvas.TextWidth(u"...");
    const int w = canvas.TextWidth(u"abcd");
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, u"abcdefghij", w + e, e), u"abcd...");
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, u"ab", 1000, e), u"a...");   // never the whole text
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, u"abc", e, e), u"");         // no room beside "..."
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, u"", 100, e), u"");
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, u"abc", 0, e), u"");
    const core::String pair = u"a𠀀b";
    const int oneChar = canvas.TextWidth(u"a");
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, pair, oneChar + e + 1, e), u"a...");   // a pair is never split
    tree->OnShortenString = [](TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView, int,
                               core::String& result, bool& done) {
        result = u"mine";
        done = true;
    };
    EXPECT_EQ(tree->ShortenText(&canvas, Node(0), 0, u"abcdefghij", 30, e), u"mine");
    tree->OnShortenString = nullptr;
}

TEST_F(NodeList, EmptyCellsJoinTheSpanOfTheCellBeforeThem)
{
    rows = {{u"a long name", u"", u"", u"x"}};
    tree->SetRootNodeCount(1);
    tree->SetDefaultText(u"");
    EXPECT_TRUE(tree->IsCellEmpty(Node(0), 1));
    EXPECT_FALSE(tree->IsCellEmpty(Node(0), 3));
    std::vector<std::pair<TColumnIndex, int>> cells;
    tree->OnAfterCellPaint = [&](TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex column, const TRect& r) {
        cells.push_back({column, r.Right - r.Left});
    };
    Paint();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].first, 0);
    EXPECT_EQ(cells[0].second, 170 + 80 + 60);
    EXPECT_EQ(cells[1].first, 3);
    tree->OnAfterCellPaint = nullptr;
}

TEST_F(NodeList, CaptionChunkRoundTrips)
{
    Fill(2);
    tree->ValidateNode(nullptr, true);
    core::MemoryStream stream;
    tree->WriteCaptionChunk(stream, Node(0));
    tree->WriteCaptionChunk(stream, tree->RootNode());   // the root writes nothing
    EXPECT_EQ(stream.Size(), 8 + 2 * 4);
    stream.SetPosition(0);
    core::String received;
    tree->OnNewText = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, core::StringView text) {
        EXPECT_EQ(node, Node(1));
        received = core::String(text);
    };
    const int32_t type = stream.ReadInt32(), size = stream.ReadInt32();
    EXPECT_TRUE(tree->ReadChunk(stream, 2, Node(1), type, size));
    EXPECT_EQ(received, u"节点00");
    EXPECT_FALSE(tree->ReadChunk(stream, 2, Node(1), 7, 0));
    // A chunk that claims more than the stream holds is refused.
    core::MemoryStream shortStream;
    shortStream.WriteUInt16(u'a');
    shortStream.SetPosition(0);
    EXPECT_THROW(tree->ReadChunk(shortStream, 2, Node(1), CaptionChunk, 100), EVirtualTreeError);
    tree->OnNewText = nullptr;
}

TEST_F(NodeList, FontWatchEndsAlsoWhenAHandlerThrows)
{
    Fill(1);
    ui::Bitmap bitmap(200, 20, ui::pf32bit);
    TCanvas canvas(bitmap.Canvas().Handle());
    int ownChanges = 0;
    canvas.Font().OnChange = [&] { ++ownChanges; };
    TVTPaintInfo info;
    info.Canvas = &canvas;
    info.Node = Node(0);
    info.Column = 0;
    info.CellRect = info.ContentRect = TRect{0, 0, 170, 20};
    info.NodeWidth = 50;
    info.PaintOptions = WindowPaintOptions;
    bool changedSeen = false;
    tree->OnPaintText = [&](TBaseVirtualTree*, TCanvas* c, PVirtualNode, TColumnIndex, TVSTTextType) {
        c->Font().SetHeight(-20);
        changedSeen = tree->FontChangedWhilePainting();
        throw core::Exception(u"handler failed");
    };
    EXPECT_THROW(tree->PaintNodeContent(info), core::Exception);
    EXPECT_TRUE(changedSeen);
    // The canvas's own handler is back: a change reaches it alone.
    const int before = ownChanges;
    canvas.Font().SetHeight(-14);
    EXPECT_EQ(ownChanges, before + 1);
    tree->OnPaintText = nullptr;
}

TEST_F(NodeList, CheckImageIndexTable)
{
    struct Case { TCheckType type; TCheckState state; bool enabled, hot; int index; };
    const Case cases[] = {
        {ctCheckBox, csCheckedNormal, true, true, 14},    {ctCheckBox, csCheckedNormal, false, true, 16},
        {ctCheckBox, csCheckedNormal, false, false, 16},  {ctTriStateCheckBox, csMixedNormal, true, false, 17},
        {ctRadioButton, csUncheckedNormal, true, false, 1}, {ctRadioButton, csCheckedPressed, true, true, 7},
        {ctButton, csUncheckedPressed, false, false, 24},  {ctNone, csCheckedNormal, true, false, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TCustomVirtualTreeControl::CheckImageIndex(c.type, c.state, c.enabled, c.hot), c.index)
            << int(c.type) << " " << int(c.state);
    Fill(2);
    tree->SetChildCount(Node(0), 1);
    tree->SetChildCount(Node(0)->FirstChild, 1);
    EXPECT_EQ(tree->LevelDifference(Node(0), Node(0)->FirstChild->FirstChild), 2);
    EXPECT_EQ(tree->CheckImageIndex(Node(1)), -1);
    tree->SetCheckType(Node(1), ctCheckBox);
    EXPECT_EQ(tree->CheckImageIndex(Node(1)), 9);
    EXPECT_EQ(tree->QueryContentMargin(Node(1), 0, ccmtAllSides, nullptr), (TPoint{0, 0}));
}

TEST_F(NodeList, DropMarkIsDrawnAboveOrBelowTheRow)
{
    Fill(1);
    tree->Colors().SetColor(TVTColors::DropMarkColor, TColor(RGB(0, 0, 255)));
    const ui::Color mark = RGB(0, 0, 255);
    for (TDropMode mode : {dmAbove, dmBelow, dmOnNode, dmNowhere}) {
        ui::Bitmap bitmap(100, 20, ui::pf32bit);
        TCanvas canvas(bitmap.Canvas().Handle());
        canvas.SetBrushColor(ui::clWhite);
        canvas.FillRect(RECT{0, 0, 100, 20});
        TVTPaintInfo info;
        info.Canvas = &canvas;
        info.Node = Node(0);
        tree->SetLastDropMode(mode);
        tree->PaintDropMark(info, TRect{0, 0, 100, 20});
        EXPECT_EQ(bitmap.PixelColor(50, 1) == mark, mode == dmAbove) << int(mode);
        EXPECT_EQ(bitmap.PixelColor(50, 17) == mark, mode == dmBelow) << int(mode);
        EXPECT_EQ(bitmap.PixelColor(50, 10), ui::clWhite);
    }
}

TEST_F(NodeList, HintsTextInfoAndWrappedHeight)
{
    Fill(2);
    TVTTooltipLineBreakStyle style = hlbDefault;
    EXPECT_EQ(tree->NodeTooltipText(Node(0), 0, style), u"节点00");
    EXPECT_EQ(tree->NodeHintText(Node(0), 0, style), u"");
    tree->OnGetHint = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVTTooltipLineBreakStyle& s, core::String& hint) {
        hint = u"提示";
        s = hlbForceMultiLine;
    };
    EXPECT_EQ(tree->NodeTooltipText(Node(0), 0, style), u"提示");
    EXPECT_EQ(style, hlbForceMultiLine);
    tree->OnGetHint = nullptr;
    // A font change of OnPaintText is taken over by the text information.
    ui::Font font;
    font.Assign(tree->Font());
    tree->OnPaintText = [](TBaseVirtualTree*, TCanvas* canvas, PVirtualNode, TColumnIndex, TVSTTextType) {
        canvas->Font().SetHeight(-30);
    };
    TRect r;
    core::String text;
    tree->GetTextInfo(Node(1), 1, font, r, text);
    EXPECT_EQ(text, u"NA");
    EXPECT_EQ(font.Height(), -30);
    EXPECT_GT(r.Bottom - r.Top, 20);   // grown to the larger line height
    tree->OnPaintText = nullptr;
    // A long text wraps into several lines of the cell.
    const int one = tree->ComputeNodeHeight(nullptr, Node(0), 1, u"短");
    const int many = tree->ComputeNodeHeight(nullptr, Node(0), 1, u"很长很长很长很长很长很长很长很长的文字");
    EXPECT_GT(one, 0);
    EXPECT_GE(many, 3 * one);
}

// A header that follows the tree's font takes every new font of the tree, also one the tree takes
// from its parent.
TEST_F(NodeList, HeaderFollowsTheTreesFont)
{
    TCustomVirtualTreeControl& control = *tree;
    control.HeaderFont().SetHeight(-12);
    tree->Font().SetHeight(-20);
    EXPECT_EQ(control.HeaderFont().Height(), -12) << "the header keeps its own font";

    tree->Header().SetParentFont(true);
    tree->Font().SetHeight(-18);
    EXPECT_EQ(control.HeaderFont().Height(), -18);
    tree->SetParentFont(true);
    form->Font().SetHeight(-15);
    EXPECT_EQ(tree->Font().Height(), -15);
    EXPECT_EQ(control.HeaderFont().Height(), -15);
}

} // namespace
} // namespace treeview::test
