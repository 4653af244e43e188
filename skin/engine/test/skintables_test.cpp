// The skin records, the lookups by name with their parent search, the size queries, the global
// colours and the constant indexes of the loaded-skin tables.
#include "skin/engine/skintables.h"
#include "ui/color.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

SectionData MakeSection(core::StringView name, core::StringView parent = {})
{
    SectionData s;
    s.ClassName = core::String(name);
    s.ParentClass = core::String(parent);
    return s;
}

MaskData MakeMask(core::StringView section, core::StringView name, TacImgType type = itisaBorder)
{
    MaskData m;
    m.ClassName = core::String(section);
    m.PropertyName = core::String(name);
    m.ImgType = type;
    return m;
}

TEST(SkinRecords, NewRecordsAreAllZeroOrEmpty)
{
    SectionData s;
    EXPECT_TRUE(s.ClassName.empty() && s.ParentClass.empty() && s.GradientData.empty());
    EXPECT_EQ(s.Color, 0u);
    EXPECT_EQ(s.HotColor, 0u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(s.FontColor[i] | s.HotFontColor[i], 0u);
    EXPECT_FALSE(s.ShowFocus || s.FadingEnabled || s.GiveOwnFont || s.ReservedBoolean);
    EXPECT_EQ(s.FadingIterations, 0);
    EXPECT_EQ(s.BorderIndex | s.ImgTL | s.ImgTR | s.ImgBL | s.ImgBR, 0);
    EXPECT_TRUE(s.GradientArray.empty() && s.HotGradientArray.empty());

    MaskData m;
    EXPECT_FALSE(m.Bmp);
    EXPECT_EQ(m.R, Rect{});
    EXPECT_EQ(m.ImageCount | m.MaskType | m.BorderWidth | m.DrawMode | m.WL | m.WT | m.WR | m.WB, 0);
    EXPECT_EQ(m.ImgType, itisaBorder);
    EXPECT_EQ(m.Manager, nullptr);

    TsSkinData d;
    EXPECT_EQ(d.Version, 0.0);
    EXPECT_FALSE(d.Active);
    EXPECT_EQ(d.ExTitleHeight | d.Shadow1Blur | d.BIKeepHUE, 0);
}

TEST(SkinRecords, MaskImageWidthAndStateHeight)
{
    struct Case {
        Rect r;
        int imageCount, maskType, width, height;
    } cases[] = {
        {{0, 0, 90, 40}, 0, 0, 0, 40}, {{0, 0, 90, 40}, 3, 1, 30, 20}, {{10, 5, 100, 45}, 3, 0, 30, 40},
        {{0, 0, 90, 40}, 3, -1, 30, 0}, {{0, 0, 91, 41}, 2, 2, 45, 13},
    };
    for (const Case& c : cases) {
        MaskData m;
        m.R = c.r;
        m.ImageCount = int16_t(c.imageCount);
        m.MaskType = int16_t(c.maskType);
        EXPECT_EQ(MaskImageWidth(m), c.width);
        EXPECT_EQ(MaskStateHeight(m), c.height);
    }
}

class SkinTablesTest : public ::testing::Test {
protected:
    // BUTTON, MYBUTTON (parent BUTTON), LOOPA <-> LOOPB, SELF naming itself, BUTTON again.
    void SetUp() override
    {
        t.gd = {MakeSection(u"BUTTON"),       MakeSection(u"MYBUTTON", u"BUTTON"), MakeSection(u"LOOPA", u"LOOPB"),
                MakeSection(u"LOOPB", u"LOOPA"), MakeSection(u"SELF", u"SELF"),     MakeSection(u"BUTTON", u"X")};
        t.ma = {MakeMask(u"BUTTON", u"BORDERSMASK"), MakeMask(u"BUTTON", u"PATTERN", itisaTexture),
                MakeMask(u"MYBUTTON", u"PATTERN", itisaGlyph), MakeMask(u"BUTTON", u"BORDERSMASK")};
        t.pa.resize(2);
        t.pa[0].ClassName = u"BUTTON";
        t.pa[0].PropertyName = u"PATTERN";
        t.pa[1].ClassName = u"LOOPB";
        t.pa[1].PropertyName = u"HOTPATTERN";
    }
    SkinTables t;
};

TEST_F(SkinTablesTest, SectionLookupIsExactAndFindsTheFirstOfTwins)
{
    EXPECT_EQ(t.GetSkinIndex(u"BUTTON"), 0);
    EXPECT_EQ(t.GetSkinIndex(u"button"), -1);
    EXPECT_EQ(t.GetSkinIndex(u""), -1);
    EXPECT_EQ(t.GetSkinIndex(u"SELF"), 4);
    EXPECT_TRUE(t.IsValidSkinIndex(5));
    EXPECT_FALSE(t.IsValidSkinIndex(6));
    EXPECT_FALSE(t.IsValidSkinIndex(-1));
    EXPECT_TRUE(t.IsValidImgIndex(3));
    EXPECT_FALSE(t.IsValidImgIndex(4));
}

TEST_F(SkinTablesTest, MaskLookupsSearchParentsAndEndEveryLoop)
{
    struct Case {
        int skinIndex;
        const char16_t *section, *mask;
        int withParents, withoutParents;
    } cases[] = {
        {0, u"BUTTON", u"BORDERSMASK", 0, 0},  {1, u"MYBUTTON", u"BORDERSMASK", 0, -1},
        {1, u"MYBUTTON", u"PATTERN", 2, 2},    {2, u"LOOPA", u"BORDERSMASK", -1, -1},
        {3, u"LOOPB", u"GLYPHMASK", -1, -1},   {4, u"SELF", u"BORDERSMASK", -1, -1},
        {-1, u"BUTTON", u"BORDERSMASK", -1, 0}, {0, u"", u"BORDERSMASK", -1, -1},
        {0, u"BUTTON", u"bordersmask", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.skinIndex << " " << int(c.section[0]));
        EXPECT_EQ(t.GetMaskIndex(c.skinIndex, c.section, c.mask), c.withParents);
        EXPECT_EQ(t.GetMaskIndex(c.section, c.mask), c.withoutParents);
    }
}

TEST_F(SkinTablesTest, TextureLookupSkipsMasksOfAnotherKind)
{
    // MYBUTTON's own "PATTERN" is a glyph, so the texture comes from BUTTON.
    EXPECT_EQ(t.GetTextureIndex(1, u"MYBUTTON", u"PATTERN"), 1);
    EXPECT_EQ(t.GetTextureIndex(0, u"BUTTON", u"BORDERSMASK"), -1);
    EXPECT_EQ(t.GetTextureIndex(2, u"LOOPA", u"PATTERN"), -1);
    EXPECT_EQ(t.GetPatternIndex(1, u"MYBUTTON", u"PATTERN"), 0);
    EXPECT_EQ(t.GetPatternIndex(2, u"LOOPA", u"HOTPATTERN"), 1);
    EXPECT_EQ(t.GetPatternIndex(3, u"LOOPB", u"PATTERN"), -1);
    SkinTables empty;
    EXPECT_EQ(empty.GetTextureIndex(0, u"BUTTON", u"PATTERN"), -1);
    EXPECT_EQ(empty.GetPatternIndex(0, u"BUTTON", u"PATTERN"), -1);
}

TEST(SkinTables, MarginQueriesFallBackToBorderWidthAndImageSize)
{
    SkinTables t;
    MaskData bare;
    bare.R = {0, 0, 90, 40};
    MaskData widths = bare;
    widths.WL = 3, widths.WT = 4, widths.WR = 5, widths.WB = 6, widths.BorderWidth = 9;
    MaskData border = bare;
    border.BorderWidth = 7;
    MaskData rows = bare;
    rows.MaskType = 1;
    t.ma = {bare, bare, widths, border, rows};

    EXPECT_EQ(t.MaskWidthRight(1), 0); // ImageCount 0, and this query leaves it so
    EXPECT_EQ(t.ma[1].ImageCount, 0);
    EXPECT_EQ(t.MaskWidthLeft(0), 90);
    EXPECT_EQ(t.ma[0].ImageCount, 1);
    EXPECT_EQ(t.MaskWidthRight(0), 90);
    EXPECT_EQ(t.MaskWidthLeft(2) * 1000 + t.MaskWidthTop(2) * 100 + t.MaskWidthRight(2) * 10 + t.MaskWidthBottom(2),
              3456);
    EXPECT_EQ(t.MaskWidthLeft(3) + t.MaskWidthTop(3) + t.MaskWidthRight(3) + t.MaskWidthBottom(3), 28);
    EXPECT_EQ(t.MaskWidthTop(4), 20);
    EXPECT_EQ(t.MaskWidthBottom(1), 40);
}

TEST(SkinTables, GlobalColoursAndTheirMarkers)
{
    SkinTables t;
    EXPECT_EQ(t.GetGlobalColor(), ui::ColorToRGB(ui::clBtnFace));
    EXPECT_EQ(t.GetGlobalFontColor(), MaskKeyColor);
    EXPECT_EQ(t.GetActiveEditColor(), ui::ColorToRGB(ui::clWindow));
    EXPECT_EQ(t.GetActiveEditFontColor(), MaskKeyColor);
    EXPECT_EQ(t.GetHighLightColor(), ui::clHighlight);
    EXPECT_EQ(t.GetHighLightFontColor(), ui::clHighlightText);

    SectionData global = MakeSection(u"GLOBALINFO");
    global.Color = 0x112233;
    global.FontColor[0] = 0x445566;
    global.HotColor = 0x778899;
    SectionData edit = MakeSection(u"EDIT");
    edit.HotFontColor[0] = 0x0000AA;
    SectionData menu = MakeSection(u"MENUITEM");
    menu.HotColor = 0xFFFFFF;
    menu.HotFontColor[0] = 0x00BB00;
    t.gd = {global, edit, menu};
    t.InitConstantIndexes();
    EXPECT_EQ(t.GetGlobalColor(), 0x112233u);
    EXPECT_EQ(t.GlobalFontColor(), 0x445566u);
    EXPECT_EQ(t.GetActiveEditColor(), 0x778899u);
    EXPECT_EQ(t.GetActiveEditFontColor(), 0x0000AAu);
    EXPECT_EQ(t.GetHighLightColor(), ui::clHighlight);
    EXPECT_EQ(t.GetHighLightFontColor(), ui::clHighlightText); // its HotColor says "none"

    struct Case {
        uint32_t hotColor, hotFont, highlight, highlightText;
    } cases[] = {
        {0x00FF00, 0x00BB00, 0x00FF00, 0x00BB00},
        {0x00FF00, 0, 0x00FF00, ui::clHighlightText},
        {0x00FF00, 0xFF00FF, 0x00FF00, ui::clHighlightText},
        {0xFF00FF, 0x00BB00, ui::clHighlight, ui::clHighlightText},
        {0xFFFFFFFF, 0x00BB00, ui::clHighlight, ui::clHighlightText},
    };
    for (const Case& c : cases) {
        t.gd[2].HotColor = c.hotColor;
        t.gd[2].HotFontColor[0] = c.hotFont;
        EXPECT_EQ(t.GetHighLightColor(), c.highlight);
        EXPECT_EQ(t.GetHighLightFontColor(), c.highlightText);
    }
}

TEST(SkinTables, MaskIndexesOfSectionsComeFromThemOrTheirParents)
{
    SkinTables t;
    SectionData global = MakeSection(u"GLOBALINFO");
    global.BorderIndex = 7;
    global.ImgTL = 8;
    t.gd = {global, MakeSection(u"PANEL"), MakeSection(u"MYPANEL", u"PANEL")};
    t.ma = {MakeMask(u"GLOBALINFO", u"BORDERSMASK"), MakeMask(u"PANEL", u"BORDERSMASK"),
            MakeMask(u"MYPANEL", u"IMGTOPLEFT"), MakeMask(u"PANEL", u"IMGBTMRIGHT")};
    t.InitMaskIndexes();
    EXPECT_EQ(t.gd[0].BorderIndex, 7); // the skin-wide record keeps what the reader gave it
    EXPECT_EQ(t.gd[0].ImgTL, 8);
    const int expected[2][5] = {{1, -1, -1, -1, 3}, {1, 2, -1, -1, 3}};
    for (int i = 0; i < 2; ++i) {
        const SectionData& s = t.gd[size_t(i + 1)];
        EXPECT_EQ(s.BorderIndex, expected[i][0]);
        EXPECT_EQ(s.ImgTL, expected[i][1]);
        EXPECT_EQ(s.ImgTR, expected[i][2]);
        EXPECT_EQ(s.ImgBL, expected[i][3]);
        EXPECT_EQ(s.ImgBR, expected[i][4]);
    }
}

TEST(SkinTables, ConstantIndexesOfAFullSkinAndThenAnEmptyOne)
{
    SkinTables t;
    t.gd = {MakeSection(u"GLOBALINFO"),         MakeSection(u"TAB"),
            MakeSection(u"TABTOP", u"TAB"),     MakeSection(u"TABBOTTOM", u"TABSIDE"),
            MakeSection(u"TABSIDE"),            MakeSection(u"SCROLLBTNTOP"),
            MakeSection(u"SCROLLSLIDERV"),      MakeSection(u"COMBOBTN"),
            MakeSection(u"COMBOBOX", u"COMBOBTN"), MakeSection(u"SCROLLBAR2V")};
    t.ma = {MakeMask(u"GLOBALINFO", u"BOXCHECKED"),     MakeMask(u"GLOBALINFO", u"SMALLGRAYED"),
            MakeMask(u"GLOBALINFO", u"EXBORDER"),       MakeMask(u"TAB", u"BORDERSMASK"),
            MakeMask(u"TABSIDE", u"BORDERSMASK"),       MakeMask(u"SCROLLBTNTOP", u"GLYPHMASK"),
            MakeMask(u"SCROLLBTNTOP", u"HOTPATTERN"),   MakeMask(u"SCROLLSLIDERV", u"GLYPHMASK"),
            MakeMask(u"COMBOBTN", u"PATTERN", itisaTexture), MakeMask(u"COMBOBTN", u"GLYPHMASK"),
            MakeMask(u"SCROLLBAR2V", u"PATTERN")};
    t.InitConstantIndexes();
    const TConstantSkinData& c = t.ConstData;
    EXPECT_EQ(c.IndexGLobalInfo, 0);
    EXPECT_EQ(c.CheckBoxChecked, 0);
    EXPECT_EQ(c.CheckBoxGrayed, -1);
    EXPECT_EQ(c.SmallCheckBoxGrayed, 1);
    EXPECT_EQ(c.ExBorder, 2);
    // Each tab side takes the border mask of its own parent.
    EXPECT_EQ(c.IndexTabTop, 2);
    EXPECT_EQ(c.MaskTabTop, 3);
    EXPECT_EQ(c.MaskTabBottom, 4);
    EXPECT_EQ(c.IndexTabLeft, -1);
    EXPECT_EQ(c.MaskTabLeft, -1);
    EXPECT_EQ(c.IndexScrollTop, 5);
    EXPECT_EQ(c.MaskArrowTop, 5);
    EXPECT_EQ(c.IndexBGHotScrollTop, 6);
    EXPECT_EQ(c.IndexBGScrollTop, -1);
    EXPECT_EQ(c.MaskSliderGlyphVert, 7);
    EXPECT_EQ(c.IndexSliderVert, 6);
    EXPECT_EQ(c.ComboBtnIndex, 7);
    EXPECT_EQ(c.ComboBtnBG, 8);
    EXPECT_EQ(c.ComboBtnBGHot, -1);
    EXPECT_EQ(c.ComboGlyph, -1); // no parent search for the combo glyph
    EXPECT_EQ(c.IndexScrollBar2V, 9);
    EXPECT_EQ(c.BGScrollBar2V, 10);
    EXPECT_EQ(c.BGHotScrollBar2V, -1);

    // The next skin lacks every section: arrows and slider glyphs follow the other fields to -1
    // instead of pointing into the rebuilt mask table.
    t.Clear();
    EXPECT_FALSE(t.IsValidSkinIndex(0));
    EXPECT_FALSE(t.IsValidImgIndex(0));
    t.InitConstantIndexes();
    const int16_t* first = &c.IndexGLobalInfo;
    const int16_t* last = &c.SmallCheckBoxGrayed;
    for (const int16_t* p = first; p <= last; ++p)
        EXPECT_EQ(*p, -1) << "field " << (p - first);
    EXPECT_EQ(c.ComboBtnIndex, -1);
    EXPECT_EQ(c.ComboBtnBorder, -1);
    EXPECT_EQ(c.ComboBtnBG, -1);
    EXPECT_EQ(c.ComboBtnBGHot, -1);
    EXPECT_EQ(c.ComboGlyph, -1);
}

} // namespace
} // namespace skin
