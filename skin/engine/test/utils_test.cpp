// Rectangles, colours, INI text, words, paths, kind tables and message box styles of the engine.
#include "skin/engine/kinds.h"
#include "skin/engine/msgbox.h"
#include "skin/engine/utils.h"
#include "ui/messagebox.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(SkinUtils, RectArithmetic)
{
    EXPECT_EQ(RectWidth({10, 0, 5, 0}), -5);
    EXPECT_EQ(RectWidth({10, 0, 5, 0}, true), 0);
    EXPECT_EQ(RectHeight({0, 7, 0, 3}, true), 0);
    EXPECT_FALSE(RectOverlaps({0, 0, 10, 10}, {10, 0, 20, 10}));
    EXPECT_TRUE(RectOverlaps({0, 0, 10, 10}, {9, 9, 20, 20}));
    EXPECT_FALSE(RectOverlaps({0, 0, 10, 10}, {2, 2, 2, 5}));
    EXPECT_TRUE(RectInsideRect({0, 0, 10, 10}, {0, 0, 10, 10}));
    EXPECT_FALSE(RectInsideRect({0, 0, 10, 10}, {0, 0, 11, 10}));
    EXPECT_EQ(ClampByte(-3), 0);
    EXPECT_EQ(ClampByte(300), 255);
    EXPECT_EQ(ChooseInt(false, 1, 2), 2);
}

TEST(SkinUtils, BlendColorsKeepsTheFirstHighByte)
{
    EXPECT_EQ(BlendColors(0x01FFFFFF, 0x00000000, 0.4), 0x01666666u);
    EXPECT_EQ(BlendColors(0x000000FF, 0x0000FF00, 0.5), 0x00008080u);
    // Halves go to the even neighbour: 0.5, 1.5 and 2.5 in blue, green and red.
    EXPECT_EQ(BlendColors(0x00050301, 0x00000000, 0.5), 0x00020200u);
}

TEST(SkinUtils, IniSectionsAndValues)
{
    core::StringList lines;
    lines.SetText(u"dropped=1\r\n[MAIN]\r\n;comment\r\n\r\nA=0x1F\r\nB=0x\r\nC=12\r\nD=text\r\n[OTHER]\r\nA=5");
    core::StringList sections;
    SplitIniSections(lines, sections);
    ASSERT_EQ(sections.Count(), 2);
    EXPECT_EQ(static_cast<core::StringList*>(sections.Objects(0))->Count(), 4);
    EXPECT_EQ(ReadSectionInteger(sections, u"MAIN", u"A", -1), 31);
    EXPECT_EQ(ReadSectionInteger(sections, u"MAIN", u"B", -1), -1);
    EXPECT_EQ(ReadSectionInteger(sections, u"MAIN", u"C", -1), 12);
    EXPECT_EQ(ReadSectionInteger(sections, u"MAIN", u"D", 7), 7);
    EXPECT_EQ(ReadSectionString(sections, u"OTHER", u"A", u""), u"5");
    EXPECT_EQ(ReadSectionString(sections, u"NONE", u"A", u"x"), u"x");
    EXPECT_EQ(ReadSectionString(sections, u"MAIN", u"dropped", u"none"), u"none");
}

TEST(SkinUtils, WordsAndReplacements)
{
    CharSet blank = MakeCharSet(" ");
    EXPECT_EQ(NthWordStart(2, u" ab cd", blank), 5);
    EXPECT_EQ(NthWord(3, u" ab cd", blank), u"");
    EXPECT_EQ(NthWord(2, u" ab cd", blank), u"cd");
    EXPECT_EQ(CountWords(u" ab cd  e", blank), 3);
    // U+0120 has the low byte of a blank: a delimiter for the wide test, not for the Ansi one.
    EXPECT_EQ(CountWords(u"a\u0120b", blank), 2);
    EXPECT_EQ(CountWordsAnsi(u"a\u0120b", blank), 1);
    EXPECT_EQ(ReplaceAll(u"aaa", u"a", u"aa"), u"aaaaaa");
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(DeleteChars(u"a-b-c", u'-'), u"abc");
    EXPECT_EQ(NormalizeDirPath(u"C"), u"C:\\");
    EXPECT_EQ(NormalizeDirPath(u"dir/"), u"dir\\");
    EXPECT_EQ(NormalizeDirPath(u"dir"), u"dir\\");
    EXPECT_EQ(NormalizeDirPath(u""), u"");
}

TEST(SkinUtils, CutTextToWidth)
{
    auto measure = [](core::StringView s) { return int(s.size()) * 10; };
    EXPECT_EQ(CutTextToWidth(u"abcdef", 60, measure), u"abcdef");
    EXPECT_EQ(CutTextToWidth(u"abcdef", 50, measure), u"ab...");
    EXPECT_EQ(CutTextToWidth(u"abcdef", 0, measure), u"");
}

TEST(SkinKinds, DefaultSectionsAndGroups)
{
    struct Case {
        int kind;
        const char16_t* section;
    } cases[] = {{3, u"EDIT"}, {12, u"COMBOBOX"}, {19, u"BAR"}, {20, u"BARTITLE"}, {32, u"CHECKBOX"},
                 {33, u"RADIOBUTTON"}, {51, u"PANEL"}, {58, u"PANEL_LOW"}, {74, u"GROUPBOX"}, {226, u"GROUPBOX"},
                 {75, u"SPLITTER"}, {92, u"SPEEDBUTTON"}, {93, u"BUTTON"}, {151, u"STATUSBAR"}, {0, u""}, {300, u""}};
    for (const auto& c : cases)
        EXPECT_EQ(DefaultSectionOf(c.kind), c.section) << c.kind;
    EXPECT_TRUE(IsEditKind(3) && IsEditKind(140) && !IsEditKind(93));
    EXPECT_TRUE(IsNoHotKind(51) && IsNoHotKind(19) && !IsNoHotKind(93));
    EXPECT_TRUE(IsNoGlowKind(151) && IsNoGlowKind(226) && !IsNoGlowKind(93));
}

TEST(SkinMessageBoxes, StylesCaptionsAndPosition)
{
    EXPECT_EQ(MessageBoxStyleOf(mtWarning, mbOK), 0x30u | 0x40000 | 0x10000);
    EXPECT_EQ(MessageBoxStyleOf(mtConfirmation, mbYes | mbNo | mbCancel) & 0xFF, 0x23u);
    EXPECT_EQ(MessageBoxStyleOf(mtError, mbAbort) & 0xFF, 0x12u);
    EXPECT_EQ(MessageBoxStyleOf(mtInformation, mbRetry) & 0xFF, 0x45u);
    EXPECT_EQ(MessageBoxStyleOf(mtCustom, mbOK | mbCancel | mbHelp), 0x1u | 0x4000 | 0x40000 | 0x10000);

    ui::ScriptedMessageBox box;
    ui::MessageBoxServiceGuard guard(box);
    ShowAlert();
    MessageBoxOfKind(u"custom", mtCustom, mbOK);
    ASSERT_EQ(box.Calls().size(), 2u);
    EXPECT_EQ(box.Calls()[0].text, u"Alert");
    EXPECT_EQ(box.Calls()[0].caption, u"Warning");
    EXPECT_EQ(box.Calls()[1].caption, u"");
    EXPECT_EQ(box.Calls()[1].flags & 0xF0, 0u);
    EXPECT_EQ(CurrentMessageBoxPos().X, -1);
}

} // namespace
} // namespace skin
