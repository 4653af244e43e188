// Visual themes: whether the tree uses them (options, platform, theme changes), and what it then
// draws with the theme: the frame of a client edge, the expand buttons and the system check boxes;
// tree lines hide with toHideTreeLinesIfThemed. The prefix's visual style is active; the platform
// answer "no themes" comes from the tree's ThemesEnabled seam.
#include "treeview/custom_tree_control.h"
#include "ui/bitmap.h"
#include "ui/test/uitest.h"
#include "treeview/test/treeform_win32.h"
#include <uxtheme.h>
#include <vssym32.h>

namespace treeview::test {
namespace {

class ThemedTree : public TCustomVirtualTreeControl {
public:
    using TCustomVirtualTreeControl::TCustomVirtualTreeControl;
    using TCustomVirtualTreeControl::PaintCheckImage;
    using TCustomVirtualTreeControl::PaintExpandButton;
    using TCustomVirtualTreeControl::ThemeData;

    bool PlatformThemes = true;

protected:
    bool ThemesEnabled() const override { return PlatformThemes && TCustomVirtualTreeControl::ThemesEnabled(); }
};

class Themes : public TreeInForm<ThemedTree> {
protected:
    Themes()
    {
        tree->SetColor(ui::clWhite);
        tree->SetDefaultNodeHeight(20);
        form->Show();
        tree->SetRootNodeCount(5);
        tree->AddChild(tree->GetFirst());
        Pump();
    }

    void SetPaintOption(TVTPaintOptions option, bool on)
    {
        TVTPaintOptions paint = tree->TreeOptions().PaintOptions();
        tree->TreeOptions().SetPaintOptions(TVTPaintOptions(on ? paint | option : paint & ~option));
    }
    // Switches the platform's answer and tells the window that the theme changed.
    void PlatformThemes(bool on)
    {
        tree->PlatformThemes = on;
        SendMessageW(tree->Handle(), WM_THEMECHANGED, 0, 0);
    }
    static std::unique_ptr<ui::Bitmap> White(int w, int h)
    {
        auto bitmap = std::make_unique<ui::Bitmap>(w, h, ui::pf32bit);
        bitmap->Canvas().SetBrushColor(ui::clWhite);
        bitmap->Canvas().FillRect(RECT{0, 0, w, h});
        return bitmap;
    }
    // The part of the class as the theme draws it on white.
    std::unique_ptr<ui::Bitmap> ThemePart(const wchar_t* themeClass, int part, int state, RECT r, int w, int h)
    {
        auto bitmap = White(w, h);
        HTHEME theme = OpenThemeData(tree->Handle(), themeClass);
        EXPECT_TRUE(theme);
        if (theme) {
            DrawThemeBackground(theme, bitmap->Canvas().Handle(), part, state, &r, nullptr);
            CloseThemeData(theme);
        }
        return bitmap;
    }
    static bool Same(ui::Bitmap& a, ui::Bitmap& b, RECT area)
    {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (a.PixelColor(x, y) != b.PixelColor(x, y))
                    return false;
        return true;
    }
    std::unique_ptr<ui::Bitmap> Button(PVirtualNode node)
    {
        auto bitmap = White(20, 20);
        TCanvas canvas(bitmap->Canvas().Handle());
        tree->PaintExpandButton(canvas, node, TRect{0, 0, 20, 20}, 2, 3);
        return bitmap;
    }
    std::unique_ptr<ui::Bitmap> Check(int index)
    {
        auto bitmap = White(30, 24);
        TCanvas canvas(bitmap->Canvas().Handle());
        TVTPaintInfo info;
        info.Canvas = &canvas;
        info.ImageInfo[iiCheck].Index = index;
        info.ImageInfo[iiCheck].XPos = 5;
        info.ImageInfo[iiCheck].YPos = 4;
        tree->PaintCheckImage(info);
        return bitmap;
    }
    // The window's own pixels, frame included.
    ui::Color FramePixel(int x, int y)
    {
        RedrawWindow(tree->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetWindowDC(tree->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(tree->Handle(), dc);
        return ui::Color(c);
    }

};

#define REQUIRE_ACTIVE_STYLE()                                                                                   \
    if (!IsThemeActive())                                                                                        \
    GTEST_SKIP() << "the prefix has no visual style active"

TEST_F(Themes, TheTreeUsesThemesWhenItsOptionAndThePlatformAgree)
{
    REQUIRE_ACTIVE_STYLE();
    struct Case {
        bool aware, platform, themed;
    };
    for (Case c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}, Case{false, false, false}}) {
        SCOPED_TRACE(testing::Message() << "aware " << c.aware << ", platform " << c.platform);
        PlatformThemes(c.platform);
        SetPaintOption(toThemeAware, c.aware);
        EXPECT_EQ((tree->TreeStates() & tsUseThemes) != 0, c.themed);
        EXPECT_EQ(tree->ThemeData(L"TREEVIEW") != nullptr, c.themed);
        EXPECT_EQ(tree->ThemeData(L"BUTTON") != nullptr, c.themed);
    }
    // A new window decides again.
    PlatformThemes(true);
    SetPaintOption(toThemeAware, true);
    tree->PlatformThemes = false;
    tree->RecreateWnd();
    Pump();
    EXPECT_FALSE(tree->TreeStates() & tsUseThemes);
}

TEST_F(Themes, ButtonsAndCheckBoxesAreDrawnByTheThemeOrFromTheImages)
{
    REQUIRE_ACTIVE_STYLE();
    PVirtualNode parent = tree->GetFirst();
    ASSERT_TRUE(tree->TreeStates() & tsUseThemes);
    const RECT button{2, 3, 11, 12};
    // Collapsed: the closed glyph; expanded: the open one.
    EXPECT_TRUE(Same(*Button(parent), *ThemePart(L"TREEVIEW", TVP_GLYPH, GLPS_CLOSED, button, 20, 20), RECT{0, 0, 20, 20}));
    tree->ToggleNode(parent);
    EXPECT_TRUE(Same(*Button(parent), *ThemePart(L"TREEVIEW", TVP_GLYPH, GLPS_OPENED, button, 20, 20), RECT{0, 0, 20, 20}));
    // Check images: radio 1..8, check box 9..20, push button 21..24 map to the theme's states.
    struct Case {
        int index, part, state;
    };
    for (Case c : {Case{5, BP_RADIOBUTTON, RBS_CHECKEDNORMAL}, Case{13, BP_CHECKBOX, CBS_CHECKEDNORMAL},
                   Case{9, BP_CHECKBOX, CBS_UNCHECKEDNORMAL}, Case{17, BP_CHECKBOX, CBS_MIXEDNORMAL}}) {
        SCOPED_TRACE(c.index);
        EXPECT_TRUE(Same(*Check(c.index), *ThemePart(L"BUTTON", c.part, c.state, RECT{4, 4, 21, 20}, 30, 24),
                         RECT{0, 0, 30, 24}));
    }
    // Without themes the same calls draw the prepared bitmaps and the check image list.
    auto plain = White(30, 24);
    tree->CheckImages()->Draw(plain->Canvas(), 5, 4, 13);
    EXPECT_FALSE(Same(*Check(13), *plain, RECT{0, 0, 30, 24}));
    PlatformThemes(false);
    EXPECT_TRUE(Same(*Check(13), *plain, RECT{0, 0, 30, 24}));
    EXPECT_FALSE(Same(*Button(parent), *ThemePart(L"TREEVIEW", TVP_GLYPH, GLPS_OPENED, button, 20, 20), RECT{0, 0, 20, 20}));
    // The theme coming back brings the themed buttons back.
    PlatformThemes(true);
    EXPECT_TRUE(Same(*Button(parent), *ThemePart(L"TREEVIEW", TVP_GLYPH, GLPS_OPENED, button, 20, 20), RECT{0, 0, 20, 20}));
}

TEST_F(Themes, TreeLinesHideOnlyWhileThemedWithTheOption)
{
    REQUIRE_ACTIVE_STYLE();
    PVirtualNode child = tree->GetFirstChild(tree->GetFirst());
    tree->ToggleNode(tree->GetFirst());
    struct Case {
        bool hideIfThemed, platform;
        bool lines;
    };
    for (Case c : {Case{false, true, true}, Case{true, true, false}, Case{true, false, true}}) {
        SCOPED_TRACE(testing::Message() << "hide " << c.hideIfThemed << ", platform " << c.platform);
        PlatformThemes(c.platform);
        SetPaintOption(toHideTreeLinesIfThemed, c.hideIfThemed);
        int level = 0;
        TLineImage image = tree->DetermineLineImage(child, level);
        ASSERT_EQ(image.size(), 2u);
        EXPECT_EQ(image[1] == ltTopRight, c.lines);
        EXPECT_EQ(image[0] == ltTopDown, c.lines);
    }
}

TEST_F(Themes, ExplorerLookLeavesSelectedRowsToTheTheme)
{
    REQUIRE_ACTIVE_STYLE();
    SetPaintOption(toShowTreeLines | toShowRoot | toShowButtons, false);
    tree->TreeOptions().SetSelectionOptions(toFullRowSelect);
    PVirtualNode node = tree->GetNextSibling(tree->GetFirst());   // row 20..40
    tree->SetSelected(node, true);
    RECT client{};
    GetClientRect(tree->Handle(), &client);
    auto paint = [&] {
        auto bitmap = White(client.right, client.bottom);
        tree->PaintTree(bitmap->Canvas(), TRect{0, 0, client.right, client.bottom}, TPoint{0, 0}, WindowPaintOptions);
        return bitmap;
    };
    const RECT row{0, 20, client.right, 40};
    // The plain look: a box in the selection colour.
    const bool focused = tree->Focused();
    const ui::Color selection = ui::ColorToRGB(ui::Color(
        tree->Colors().Color(focused ? TVTColors::FocusedSelectionColor : TVTColors::UnfocusedSelectionColor)));
    EXPECT_EQ(paint()->PixelColor(client.right / 2, 30), selection);
    // The explorer look: the theme's selected item over the row (0 .. RangeX), nothing else.
    SetPaintOption(toUseExplorerTheme, true);
    ASSERT_TRUE(tree->TreeStates() & tsUseThemes);
    auto expected = White(client.right, client.bottom);
    HTHEME theme = OpenThemeData(tree->Handle(), L"TREEVIEW");
    RECT item{0, 20, int(tree->RangeX()), 40};
    DrawThemeBackground(theme, expected->Canvas().Handle(), TVP_TREEITEM,
                        focused ? TREIS_SELECTED : TREIS_SELECTEDNOTFOCUS, &item, &row);
    CloseThemeData(theme);
    EXPECT_TRUE(Same(*paint(), *expected, row));
    SetPaintOption(toUseExplorerTheme, false);
}

TEST_F(Themes, RubberBandIsBlendedWhileThemed)
{
    REQUIRE_ACTIVE_STYLE();
    tree->TreeOptions().SetSelectionOptions(toMultiSelect);
    SetPaintOption(toShowTreeLines | toShowRoot | toShowButtons, false);
    tree->SetRootNodeCount(12);   // the band lies over rows without text
    RECT client{};
    GetClientRect(tree->Handle(), &client);
    auto bandInterior = [&] {
        SendMessageW(tree->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 45));
        SendMessageW(tree->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 200));
        auto bitmap = White(client.right, client.bottom);
        tree->PaintTree(bitmap->Canvas(), TRect{0, 0, client.right, client.bottom}, TPoint{0, 0}, WindowPaintOptions);
        SendMessageW(tree->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
        return bitmap->PixelColor(150, 125);
    };
    EXPECT_NE(bandInterior(), ui::clWhite);   // blended with the band's colour
    PlatformThemes(false);
    EXPECT_EQ(bandInterior(), ui::clWhite);   // a dotted frame only
}

TEST_F(Themes, ClientEdgeIsPaintedByTheThemeWhenThemed)
{
    REQUIRE_ACTIVE_STYLE();
    ASSERT_TRUE(GetWindowLongPtrW(tree->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT window{};
    GetWindowRect(tree->Handle(), &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    auto themed = ThemePart(L"TREEVIEW", 0, 0, RECT{0, 0, w, h}, w, h);
    const int ex = GetSystemMetrics(SM_CXEDGE), ey = GetSystemMetrics(SM_CYEDGE);
    // Inside the edge on the left (away from the scroll bar and the header).
    const POINT probes[] = {{0, h / 2}, {ex - 1, h / 2}, {w / 2, 0}, {w / 2, ey - 1}};
    auto plain = White(w, h);
    RECT all{0, 0, w, h};
    DrawEdge(plain->Canvas().Handle(), &all, EDGE_SUNKEN, BF_RECT);
    for (POINT p : probes)
        EXPECT_EQ(FramePixel(p.x, p.y), themed->PixelColor(p.x, p.y)) << p.x << "," << p.y;
    EXPECT_NE(themed->PixelColor(ex - 1, h / 2), plain->PixelColor(ex - 1, h / 2));
    // Unthemed: the platform's sunken edge.
    PlatformThemes(false);
    for (POINT p : probes)
        EXPECT_EQ(FramePixel(p.x, p.y), plain->PixelColor(p.x, p.y)) << p.x << "," << p.y;
}

} // namespace
} // namespace treeview::test
