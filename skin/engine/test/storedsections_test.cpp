// Stored skin sections: the five-word font colours, reading into the section table, importing from
// an options document, writing back, copying and the values published by name.
#include "skin/engine/storedsections.h"

#include "core/inifile.h"
#include "core/stringlist.h"
#include "skin/engine/test/skintestsupport.h"
#include "ui/propinfo.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

using test::OptionsText;

TEST(StoredSections, FontColoursNeedExactlyFiveWords)
{
    struct Case {
        const char16_t* text;
        uint32_t colors[5];
    } cases[] = {
        {u"0 -1 -1 -1 -1", {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}},
        {u"255 1 2 3 $10", {255, 1, 2, 3, 16}},
        {u"0 -1 -1 -1", {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}},
        {u"7 1 2 3 4 5", {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}},
        {u"", {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}},
    };
    for (const Case& c : cases) {
        uint32_t colors[5] = {9, 9, 9, 9, 9};
        StoredFontColors(c.text, colors);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(colors[i], c.colors[i]) << core::ToUtf8(c.text) << " word " << i;
    }
}

TEST(StoredSections, ImportReadBackAndWriteOut)
{
    auto sf = OptionsText(u"[PANEL]\nCOLOR=$0000FF\nTCLEFT=255\nGRADIENTDATA=255;65280;100;1;0;\nGLOW=2\n"
                       u"[BUTTON]\nPARENTCLASS=PANEL\nSHOWFOCUS=true\nHOTCOLOR=$00FF00\n");
    TsSkinGenerals generals;
    ReadStoredGenerals(*sf, generals);
    ASSERT_EQ(generals.Count(), 2);
    const TsSkinGeneral& button = *generals.Item(1);
    EXPECT_EQ(button.SectionName, u"BUTTON");
    EXPECT_EQ(button.ParentClass, u"PANEL");
    EXPECT_EQ(button.Color, 0x0000FFu);
    EXPECT_EQ(button.FontColor, u"0 255 -1 -1 -1");
    EXPECT_EQ(button.HotFontColor, u"0 -1 -1 -1 -1");
    EXPECT_EQ(button.HotGradientData, u" ");
    EXPECT_EQ(button.FadingIterations, 5);
    EXPECT_EQ(button.GlowCount, 2);
    EXPECT_TRUE(button.ShowFocus);

    SkinTables t;
    LoadStoredSections(t, generals);
    ASSERT_EQ(t.gd.size(), 2u);
    const SectionData& s = t.gd[1];
    EXPECT_EQ(s.ClassName, u"BUTTON");
    EXPECT_EQ(s.FontColor[1], 255u);
    EXPECT_EQ(s.FontColor[2], 0xFFFFFFFFu);
    EXPECT_EQ(s.HotColor, 0x00FF00u);
    ASSERT_EQ(s.GradientArray.size(), 1u);
    EXPECT_EQ(s.GradientArray[0].Mode1, 1);
    EXPECT_TRUE(s.HotGradientArray.empty());
    EXPECT_EQ(s.ImgTL, -1);

    core::MemIniFile out;
    TsSkinGeneral* unnamed = generals.Add<TsSkinGeneral>();
    unnamed->Color = 5;
    SaveToIni(generals, out);
    core::StringList written;
    out.ReadSections(written);
    EXPECT_EQ(written.Count(), 2); // the item without a section name is not written
    struct Key {
        const char16_t *key, *value;
    } keys[] = {{u"PARENTCLASS", u"PANEL"}, {u"COLOR", u"255"}, {u"RESERVEDBOOLEAN", u"FALSE"},
                {u"SHOWFOCUS", u"TRUE"},    {u"FONTCOLOR", u"0"},     {u"TCLEFT", u"255"},
                {u"TCBOTTOM", u"-1"},       {u"HOTTCTOP", u"-1"},     {u"FADINGITERATIONS", u"5"},
                {u"HOTCOLOR", u"65280"},    {u"GRADIENTDATA", u"255;65280;100;1;0;"}};
    for (const Key& k : keys)
        EXPECT_EQ(out.ReadString(u"BUTTON", k.key, u"absent"), k.value) << core::ToUtf8(k.key);
    EXPECT_FALSE(out.ValueExists(u"BUTTON", u"VERSION"));

    // Written text read by the options reader of a skin gives the same section.
    TsSkinGenerals again;
    ReadStoredGenerals(out, again);
    EXPECT_EQ(again.Item(1)->FontColor, button.FontColor);
    EXPECT_EQ(again.Item(1)->Color, button.Color);
}

TEST(StoredSections, FourWordFontColourTextWritesEmptyFifthWord)
{
    TsSkinGenerals generals;
    TsSkinGeneral* g = generals.Add<TsSkinGeneral>();
    g->SectionName = u"EDIT";
    g->FontColor = u"0 -1 -1 -1";
    core::MemIniFile out;
    SaveToIni(generals, out);
    EXPECT_EQ(out.ReadString(u"EDIT", u"TCRIGHT", u"absent"), u"-1");
    EXPECT_EQ(out.ReadString(u"EDIT", u"TCBOTTOM", u"absent"), u"");
    SkinTables t;
    LoadStoredSections(t, generals);
    EXPECT_EQ(t.gd[0].FontColor[0], 0u);
    EXPECT_EQ(t.gd[0].FontColor[4], 0xFFFFFFFFu);
}

TEST(StoredSections, ItemsCopyTheirValuesAndPublishThemByName)
{
    RegisterStoredSectionProperties();
    TsSkinGenerals a, b;
    TsSkinGeneral* g = a.Add<TsSkinGeneral>();
    g->SectionName = u"PANEL";
    g->FontColor = u"1 2 3 4 5";
    g->ShowFocus = true;
    ui::SetOrdProperty(g, u"Transparency", 40);
    ui::SetOrdProperty(g, u"HotColor", 0x123456);
    b.Assign(a);
    ASSERT_EQ(b.Count(), 1);
    const TsSkinGeneral& copy = *b.Item(0);
    EXPECT_EQ(copy.SectionName, u"PANEL");
    EXPECT_EQ(copy.FontColor, u"1 2 3 4 5");
    EXPECT_TRUE(copy.ShowFocus);
    EXPECT_EQ(copy.Transparency, 40);
    EXPECT_EQ(ui::GetOrdProperty(&copy, u"HotColor"), 0x123456);
    EXPECT_EQ(ui::GetOrdProperty(&copy, u"ShowFocus"), 1);
    EXPECT_EQ(ui::GetOrdProperty(&copy, u"NoSuchValue"), -1);
}

} // namespace
} // namespace skin
