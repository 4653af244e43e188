// The header, its columns and its font read and written by name through the property registry, and
// the header paint record converted to the shared record and back.
#include "treeview/header_paint_info.h"
#include "treeview/published_properties.h"
#include "treeview/tree_viewport.h"
#include "ui/propinfo.h"

#include <gtest/gtest.h>

namespace treeview {
namespace {

class PublishedHeaderTest : public ::testing::Test {
protected:
    PublishedHeaderTest() { RegisterPublishedHeaderClasses(); }
    TTreeViewport tree;
    core::Object* header = &tree.HeaderObject();
};

TEST_F(PublishedHeaderTest, HeaderPropertiesByName)
{
    EXPECT_EQ(ui::ClassNameOf(*header), u"TVTHeader");
    struct Case {
        const char16_t* name;
        int64_t value;
        std::function<int64_t()> own;
    } cases[] = {
        {u"Height", 31, [&] { return int64_t(tree.Header().Height()); }},
        {u"Color", 0x123456, [&] { return int64_t(tree.Header().Background()); }},
        {u"Color", int64_t(0xFF000012), [&] { return int64_t(uint32_t(tree.Header().Background())); }},
        {u"SortDirection", 1, [&] { return int64_t(tree.Header().SortDirection()); }},
        {u"SortDirection", 0, [&] { return int64_t(tree.Header().SortDirection()); }},
        {u"Options", hoVisible | hoOwnerDraw, [&] { return int64_t(tree.Header().Options()); }},
    };
    for (const Case& c : cases) {
        ui::SetOrdProperty(header, c.name, c.value);
        EXPECT_EQ(c.own(), c.value) << core::ToUtf8(c.name);
        EXPECT_EQ(ui::GetOrdProperty(header, c.name), c.value) << core::ToUtf8(c.name);
    }
    EXPECT_EQ(ui::FindProperty(*header, u"Color")->kind, ui::pkColor);
}

TEST_F(PublishedHeaderTest, OptionsAreASetInTheTreesOrder)
{
    const std::vector<core::String>& names = HeaderOptionNames();
    ASSERT_EQ(names.size(), 16u);
    EXPECT_EQ(names[5], u"hoOwnerDraw");
    EXPECT_EQ(names[10], u"hoVisible");
    tree.Header().SetOptions(hoColumnResize);
    EXPECT_FALSE(ui::SetPropHasElement(header, u"Options", u"hoOwnerDraw"));
    ui::ChangeSetProperty(header, u"Options", u"hoOwnerDraw", true);
    ui::ChangeSetProperty(header, u"Options", u"hoVisible", true);
    EXPECT_EQ(tree.Header().Options(), hoColumnResize | hoOwnerDraw | hoVisible);
    EXPECT_EQ(ui::GetSetProperty(header, u"Options"), u"hoColumnResize,hoOwnerDraw,hoVisible");
    ui::ChangeSetProperty(header, u"Options", u"hoOwnerDraw", false);
    EXPECT_EQ(tree.Header().Options(), hoColumnResize | hoVisible);
}

TEST_F(PublishedHeaderTest, FontGoesThroughTheHeaderFontRecord)
{
    core::Object* font = ui::GetObjectProperty(header, u"Font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(ui::ClassNameOf(*font), u"TFont");
    ui::SetOrdProperty(font, u"Color", 0xFF000012);
    ui::SetOrdProperty(font, u"Height", -15);
    ui::SetStrProperty(font, u"Name", u"Tahoma");
    ui::SetSetProperty(font, u"Style", u"fsBold,fsUnderline");
    const THeaderFontRecord r = tree.HeaderFontRecord();
    EXPECT_EQ(uint32_t(r.Color), 0xFF000012u);
    EXPECT_EQ(r.Height, -15);
    EXPECT_EQ(r.Name, u"Tahoma");
    EXPECT_EQ(r.Style, 5);
    EXPECT_EQ(ui::GetOrdProperty(font, u"Color"), 0xFF000012);
    EXPECT_EQ(ui::GetStrProperty(font, u"Name"), u"Tahoma");
}

TEST_F(PublishedHeaderTest, ColumnsTextAndColumnsThatGo)
{
    TVirtualTreeColumn& first = tree.Header().Columns().Add();
    first.SetText(u"Name");
    PublishedHeader& h = tree.HeaderObject();
    PublishedColumn* view = h.ColumnObject(&first);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(h.ColumnObject(&first), view) << "one view per column";
    EXPECT_EQ(ui::ClassNameOf(*view), u"TVirtualTreeColumn");
    EXPECT_EQ(ui::GetStrProperty(view, u"Text"), u"Name");
    ui::SetStrProperty(view, u"Text", u"Node");
    EXPECT_EQ(first.Text(), u"Node");
    EXPECT_EQ(h.ColumnObject(nullptr), nullptr);
    TTreeViewport other;
    EXPECT_EQ(h.ColumnObject(&other.Header().Columns().Add()), nullptr) << "another header's column";
    tree.Header().Columns().Clear();
    EXPECT_EQ(view->Column(), nullptr);
    EXPECT_EQ(ui::GetStrProperty(view, u"Text"), u"");
    ui::SetStrProperty(view, u"Text", u"gone"); // nothing to write to
}

TEST_F(PublishedHeaderTest, PaintRecordConvertsFieldByFieldBothWays)
{
    TVirtualTreeColumn& column = tree.Header().Columns().Add();
    THeaderPaintInfo info;
    info.Column = &column;
    info.PaintRectangle = {1, 2, 3, 4};
    info.TextRectangle = {5, 6, 7, 8};
    info.IsHoverIndex = true;
    info.IsDownIndex = false;
    info.IsEnabled = true;
    info.ShowHeaderGlyph = false;
    info.ShowSortGlyph = true;
    info.ShowRightBorder = true;
    info.DropMark = dmmRight;
    info.GlyphPos = {9, 10};
    info.SortGlyphPos = {11, 12};
    const ui::THeaderPaintInfo shared = ToSharedPaintInfo(info, tree.HeaderObject());
    EXPECT_EQ(shared.Column, tree.HeaderObject().ColumnObject(&column));
    EXPECT_EQ(shared.PaintRectangle, (ui::TPaintRect{1, 2, 3, 4}));
    EXPECT_EQ(shared.TextRectangle, (ui::TPaintRect{5, 6, 7, 8}));
    EXPECT_TRUE(shared.IsHoverIndex);
    EXPECT_FALSE(shared.IsDownIndex);
    EXPECT_TRUE(shared.IsEnabled);
    EXPECT_FALSE(shared.ShowHeaderGlyph);
    EXPECT_TRUE(shared.ShowSortGlyph);
    EXPECT_TRUE(shared.ShowRightBorder);
    EXPECT_EQ(shared.DropMark, ui::dmmRight);
    EXPECT_EQ(shared.GlyphPos, (ui::TPaintPoint{9, 10}));
    EXPECT_EQ(shared.SortGlyphPos, (ui::TPaintPoint{11, 12}));

    // Back: every field flipped or moved arrives in the tree's record.
    ui::THeaderPaintInfo changed = shared;
    changed.PaintRectangle = {21, 22, 23, 24};
    changed.TextRectangle = {25, 26, 27, 28};
    changed.IsHoverIndex = false;
    changed.IsDownIndex = true;
    changed.IsEnabled = false;
    changed.ShowHeaderGlyph = true;
    changed.ShowSortGlyph = false;
    changed.ShowRightBorder = false;
    changed.DropMark = ui::dmmLeft;
    changed.GlyphPos = {29, 30};
    changed.SortGlyphPos = {31, 32};
    THeaderPaintInfo back = info;
    FromSharedPaintInfo(changed, back);
    EXPECT_EQ(back.Column, &column);
    EXPECT_EQ(back.PaintRectangle, (TRect{21, 22, 23, 24}));
    EXPECT_EQ(back.TextRectangle, (TRect{25, 26, 27, 28}));
    EXPECT_FALSE(back.IsHoverIndex);
    EXPECT_TRUE(back.IsDownIndex);
    EXPECT_FALSE(back.IsEnabled);
    EXPECT_TRUE(back.ShowHeaderGlyph);
    EXPECT_FALSE(back.ShowSortGlyph);
    EXPECT_FALSE(back.ShowRightBorder);
    EXPECT_EQ(back.DropMark, dmmLeft);
    EXPECT_EQ(back.GlyphPos, (TPoint{29, 30}));
    EXPECT_EQ(back.SortGlyphPos, (TPoint{31, 32}));

    // The part right of the last column has no column; an object that is no column view keeps it;
    // a drop mark out of range is none.
    info.Column = nullptr;
    EXPECT_EQ(ToSharedPaintInfo(info, tree.HeaderObject()).Column, nullptr);
    back.Column = &column;
    core::Object stranger;
    changed.Column = &stranger;
    changed.DropMark = ui::TDropMarkMode(7);
    FromSharedPaintInfo(changed, back);
    EXPECT_EQ(back.Column, &column);
    EXPECT_EQ(back.DropMark, dmmNone);
    changed.Column = nullptr;
    FromSharedPaintInfo(changed, back);
    EXPECT_EQ(back.Column, nullptr);
}

} // namespace
} // namespace treeview
