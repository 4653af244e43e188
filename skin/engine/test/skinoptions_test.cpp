// The options reader: inheriting reads, value forms and missing markers, the skin-wide values, the
// version messages and the overlay of common sections.
#include "skin/engine/skinoptions.h"

#include "core/exception.h"
#include "core/inifile.h"
#include "core/string.h"
#include "core/textcodec.h"
#include "skin/engine/test/skintestsupport.h"
#include "ui/color.h"

#include <gtest/gtest.h>

#include <vector>

namespace skin {
namespace {

using test::OptionsText;

const SectionData& SectionOf(const SkinTables& t, core::StringView name)
{
    int i = t.GetSkinIndex(name);
    EXPECT_GE(i, 0);
    return t.gd[size_t(i)];
}

TEST(SkinOptions, InheritingReadsFollowParentsAndEndLoops)
{
    auto ini = OptionsText(u"[PANEL]\nCOLOR=$00FF00\nTCLEFT=255\nSHOWFOCUS=true\nTEXT=panel\n"
                        u"[BUTTON]\nPARENTCLASS=PANEL\nTCLEFT=-1\nSHOWFOCUS=?\n"
                        u"[A]\nPARENTCLASS=B\n[B]\nPARENTCLASS=A\n[SELF]\nPARENTCLASS=SELF\n"
                        u"[GREEN]\nCOLOR=green\nPARENTCLASS=PANEL\n");
    struct Case {
        const char16_t *section, *key;
        int integer;
        const char16_t* text;
    } cases[] = {
        {u"BUTTON", u"COLOR", 0x00FF00, u"$00FF00"}, {u"BUTTON", u"TCLEFT", 255, u"-1"},
        {u"BUTTON", u"SHOWFOCUS", 77, u"true"},      {u"A", u"COLOR", 77, u"dflt"},
        {u"B", u"TEXT", 77, u"dflt"},                {u"SELF", u"COLOR", 77, u"dflt"},
        {u"GREEN", u"COLOR", 0x00FF00, u"green"},   {u"NOSUCH", u"COLOR", 77, u"dflt"},
        {u"button", u"TEXT", 77, u"panel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(core::String(c.section) + u"." + c.key));
        EXPECT_EQ(ReadIntInherited(*ini, c.section, c.key, 77), c.integer);
        EXPECT_EQ(ReadStrInherited(*ini, c.section, c.key, u"dflt"), c.text);
    }
}

TEST(SkinOptions, SectionRecordsTakeInheritedValuesAndDefaults)
{
    auto ini = OptionsText(u"[GLOBALINFO]\nVERSION=6.48\nCOLOR=$336699\n"
                        u"[PANEL]\nCOLOR=0x00FF00\nTCLEFT=255\nGLOW=2\nFADINGITERATIONS=9\n"
                        u"GRADIENTDATA=255;65280;100;1;0;\n"
                        u"[BUTTON]\nPARENTCLASS=PANEL\nTCLEFT=-1\nSHOWFOCUS=TrUe\nFADINGENABLED=1\n"
                        u"[EDIT]\nCOLOR=green\nSHOWFOCUS=?\nHOTCOLOR=clRed\nGIVEOWNFONT=TRUE\n"
                        u"[EMPTY]\n[EMPTY]\n");
    SkinTables t;
    LoadAllGeneralData(t, *ini, {});
    ASSERT_EQ(t.gd.size(), 6u); // a listed-twice section gives two records; the first is found
    EXPECT_EQ(t.GetSkinIndex(u"EMPTY"), 4);
    EXPECT_EQ(t.gd[5].ClassName, u"EMPTY");

    const SectionData& button = SectionOf(t, u"BUTTON");
    EXPECT_EQ(button.ParentClass, u"PANEL");
    EXPECT_EQ(button.Color, 0x00FF00u);
    EXPECT_EQ(button.FontColor[0], 0u);
    EXPECT_EQ(button.FontColor[1], 255u);
    EXPECT_EQ(button.FontColor[2], 0xFFFFFFFFu);
    EXPECT_EQ(button.GlowCount, 2);
    EXPECT_EQ(button.FadingIterations, 9);
    EXPECT_TRUE(button.ShowFocus);
    EXPECT_FALSE(button.FadingEnabled);
    ASSERT_EQ(button.GradientArray.size(), 1u);
    EXPECT_EQ(button.GradientArray[0].Mode1, 1);
    EXPECT_EQ(button.HotGradientData, u"");

    const SectionData& edit = SectionOf(t, u"EDIT");
    EXPECT_EQ(edit.Color, 0xFFFFFFu);
    EXPECT_EQ(edit.HotColor, 0xFFFFFFu);
    EXPECT_FALSE(edit.ShowFocus);
    EXPECT_TRUE(edit.GiveOwnFont);
    EXPECT_EQ(edit.FadingIterations, 5);
    EXPECT_EQ(edit.GradientData, u" ");
    EXPECT_TRUE(edit.GradientArray.empty());
    EXPECT_EQ(edit.ImgTL, -1);
    EXPECT_EQ(edit.BorderIndex, -1); // filled after reading: the skin has no masks

    const SectionData& global = SectionOf(t, u"GLOBALINFO");
    EXPECT_EQ(global.Color, 0x336699u);
    EXPECT_EQ(global.ImgBR, -1);
}

TEST(SkinOptions, SkinWideValuesReadWithTheirDefaults)
{
    SkinTables t;
    LoadAllGeneralData(t, *OptionsText(u"[GLOBALINFO]\nAUTHOR=Someone\nMAXHEIGHT=0\nBICONCLOSEGLOW=3\n"
                                    u"BORDERCOLOR=$FF00FF\nSHADOW1COLOR=0x10\nBISPACE=70000\n"),
                       {});
    const TsSkinData& d = t.SkinData;
    EXPECT_EQ(d.Version, 0.0);
    EXPECT_EQ(d.Author, u"Someone");
    EXPECT_EQ(d.ExBorderWidth, 4);
    EXPECT_EQ(d.ExTitleHeight, 30);
    EXPECT_EQ(d.ExMaxHeight, 30);
    EXPECT_EQ(d.ExContentOffs, 8);
    EXPECT_EQ(d.Shadow1Blur, -1);
    EXPECT_EQ(d.Shadow1Color, 0x10u);
    EXPECT_EQ(d.BICloseGlow, 3);
    EXPECT_EQ(d.BorderColor, 0xFF00FFu);
    EXPECT_EQ(d.BISpacing, int16_t(70000 & 0xFFFF)); // SmallInt fields keep the low 16 bits

    LoadAllGeneralData(t, *OptionsText(u"[GLOBALINFO]\nVERSION=6.48\nTITLEHEIGHT=24\n"), {});
    EXPECT_DOUBLE_EQ(t.SkinData.Version, 6.48);
    EXPECT_EQ(t.SkinData.ExMaxHeight, 24);
    LoadAllGeneralData(t, *OptionsText(u"[GLOBALINFO]\nVERSION=6,48\n"), {});
    EXPECT_EQ(t.SkinData.Version, 0.0); // only "." separates decimals in a skin
}

TEST(SkinOptions, StrictIntegersStopTheLoad)
{
    const char16_t* keys[] = {u"SHADOW1OFFSET", u"SHADOW1BLUR", u"SHADOW1TRANSPARENCY", u"BICONCLOSEGLOW",
                              u"BICONMAXGLOWMARGIN", u"BICONMINGLOW"};
    for (const char16_t* key : keys) {
        SkinTables t;
        auto ini = OptionsText(u"[GLOBALINFO]\n" + core::String(key) + u"=abc\n[BUTTON]\n");
        try {
            LoadAllGeneralData(t, *ini, {});
            ADD_FAILURE() << "no error for a strict key";
        } catch (const core::EConvertError& e) {
            EXPECT_EQ(e.Message(), u"'abc' is not a valid integer value");
        }
        EXPECT_TRUE(t.gd.empty());
    }
}

TEST(SkinOptions, VersionMessagesByDesignState)
{
    struct Case {
        const char16_t* version;
        bool designing;
        int message; // 0 none, 1 old version, 2 too new
    } cases[] = {
        {u"5", true, 1}, {u"5", false, 0}, {u"6", true, 0}, {u"300", true, 2}, {u"300", false, 2},
        {u"255", false, 0},
    };
    for (const Case& c : cases) {
        std::vector<core::String> shown;
        GeneralDataContext context;
        context.SkinName = u"Blue";
        context.Designing = c.designing;
        context.ShowMessage = [&](core::StringView text) { shown.emplace_back(text); };
        SkinTables t;
        LoadAllGeneralData(t, *OptionsText(u"[GLOBALINFO]\nVERSION=" + core::String(c.version) + u"\n"), context);
        ASSERT_EQ(shown.size(), c.message == 0 ? 0u : 1u);
        if (c.message == 1) {
            EXPECT_EQ(shown[0], u"You use an old version of \"Blue\" skin, please update a skins to latest or link "
                                u"with QuorraControls support for upgrading of existing skin.\r\n\r\nThis "
                                u"notification occurs in design-time only for your information and will not "
                                u"occur in real-time.");
        }
        if (c.message == 2) {
            EXPECT_EQ(shown[0], u"This version of the skin have not complete support by used QuorraControls "
                                u"package release.\r\nComponents must be updated up to latest version for "
                                u"using this skin.");
        }
        EXPECT_EQ(t.gd.size(), 1u); // the messages only inform
    }
}

TEST(SkinOptions, CommonSectionsAddOnlyWhatTheSkinLacks)
{
    auto ini = OptionsText(u"[PANEL]\nCOLOR=$0000FF\nGLOW=3\nGLOWMARGIN=4\nTRANSPARENCY=40\nSHOWFOCUS=TRUE\n"
                        u"[BUTTON]\nCOLOR=$00FF00\n");
    core::StringList common;
    common.SetText(u"; a comment\nCOLOR=1\n[MYPANEL]\nPARENTCLASS=panel\nCOLOR=255\n"
                                    u"[BUTTON]\nCOLOR=7\n[GLOWING]\nparentclass=PANEL\nglow=-1\n"
                                    u"[ORPHAN]\nCOLOR=0x10\nSHOWFOCUS=?\n[MYPANEL]\nCOLOR=9\n");
    GeneralDataContext context;
    context.CommonSections = &common;
    SkinTables t;
    LoadAllGeneralData(t, *ini, context);
    ASSERT_EQ(t.gd.size(), 5u);

    const SectionData& mine = SectionOf(t, u"MYPANEL");
    EXPECT_EQ(mine.ParentClass, u"PANEL");
    EXPECT_EQ(mine.Color, 255u);
    EXPECT_EQ(mine.Transparency, 40);
    EXPECT_TRUE(mine.ShowFocus);
    EXPECT_EQ(mine.GlowCount, 0); // an absent "GLOW" is 0, not the parent's
    EXPECT_EQ(mine.GlowMargin, 0);
    EXPECT_EQ(SectionOf(t, u"BUTTON").Color, 0x00FF00u);

    const SectionData& glowing = SectionOf(t, u"GLOWING");
    EXPECT_EQ(glowing.GlowCount, 3); // an explicit -1 takes the parent's
    EXPECT_EQ(glowing.Color, 0x0000FFu);

    const SectionData& orphan = SectionOf(t, u"ORPHAN");
    EXPECT_EQ(orphan.ParentClass, u"-1");
    EXPECT_EQ(orphan.Color, 0x10u);
    EXPECT_EQ(orphan.HotColor, 0xFFFFFFu);
    EXPECT_EQ(orphan.FontColor[1], 0xFFFFFFFFu);
    EXPECT_EQ(orphan.FadingIterations, 5);
    EXPECT_FALSE(orphan.ShowFocus);
    EXPECT_EQ(orphan.GradientData, u" ");
    EXPECT_EQ(orphan.BorderIndex, -1);
}

TEST(SkinOptions, DocumentTextIsAnsiUnlessAByteOrderMarkSaysOtherwise)
{
    const core::String author = u"Ren\u00e9e \u4e2d";
    struct Case {
        std::string bytes;
        core::String expected;
    } cases[] = {
        {"[GLOBALINFO]\r\nAUTHOR=Plain\r\n", u"Plain"},
        {core::EncodeText(u"[GLOBALINFO]\r\nAUTHOR=" + author + u"\r\n", core::TextEncoding::Utf8), author},
        {core::EncodeText(u"[GLOBALINFO]\nAUTHOR=" + author + u"\n", core::TextEncoding::Utf16LE), author},
        {core::EncodeText(u"[GLOBALINFO]\nAUTHOR=" + author + u"\n", core::TextEncoding::Utf16BE), author},
    };
    for (const Case& c : cases) {
        SkinTables t;
        LoadAllGeneralData(t, *OpenOptionsDocument(c.bytes), {});
        EXPECT_EQ(t.SkinData.Author, c.expected);
    }
    // Without a mark the bytes are the system code page's, whatever they would mean as UTF-8.
    std::string ansi = "[GLOBALINFO]\r\nAUTHOR=\xC3\xA9\r\n";
    SkinTables t;
    LoadAllGeneralData(t, *OpenOptionsDocument(ansi), {});
    EXPECT_EQ(t.SkinData.Author, core::DecodeText("\xC3\xA9"));
    EXPECT_NE(t.SkinData.Author, u"\u00e9");
}

TEST(SkinOptions, ColoursAreAdjustedAfterTheMaskIndexes)
{
    auto ini = OptionsText(u"[PANEL]\nCOLOR=$0000FF\n");
    GeneralDataContext context;
    int calls = 0;
    context.AdjustColors = [&](SkinTables& t) {
        ++calls;
        ASSERT_EQ(t.gd.size(), 1u);
        EXPECT_EQ(t.gd[0].BorderIndex, -1);
        t.gd[0].Color = 0x00FF00;
    };
    SkinTables t;
    LoadAllGeneralData(t, *ini, context);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(t.gd[0].Color, 0x00FF00u);
}

} // namespace
} // namespace skin
