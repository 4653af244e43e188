// Shortcut texts and caption accelerators.
#include "ui/shortcut.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ShortCuts, TextRoundTrips)
{
    struct Case {
        ShortCut shortcut;
        const char16_t* text;
    };
    for (const Case& c : {Case{ShortCut(scCtrl | 'L'), u"Ctrl+L"}, Case{ShortCut(scCtrl | 'K'), u"Ctrl+K"},
                          Case{ShortCut(scShift | 0x74), u"Shift+F5"}, Case{ShortCut(scCtrl | scAlt | 0x2E), u"Ctrl+Alt+Del"},
                          Case{ShortCut('7'), u"7"}, Case{ShortCut(0x0D), u"Enter"}}) {
        EXPECT_EQ(ShortCutToText(c.shortcut), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.shortcut);
    }
    EXPECT_EQ(TextToShortCut(u"ctrl+l"), ShortCut(scCtrl | 'L'));
    EXPECT_EQ(TextToShortCut(u""), scNone);
    EXPECT_EQ(TextToShortCut(u"Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut(u"Hyper+X"), scNone);
    EXPECT_EQ(ShortCutToText(scNone), u"");
    EXPECT_EQ(MakeShortCut('K', 4), ShortCut(scCtrl | 'K'));
    EXPECT_EQ(MakeShortCut('K', 1 | 2), ShortCut(scShift | scAlt | 'K'));
}

TEST(ShortCuts, AcceleratorIsTheCharacterAfterASingleAmpersand)
{
    struct Case {
        const char16_t* caption;
        char16_t hotkey;
        const char16_t* stripped;
    };
    for (const Case& c : {Case{u"启用中转(&Z)", u'Z', u"启用中转(Z)"}, Case{u"&File", u'F', u"File"},
                          Case{u"A&&B", 0, u"A&B"}, Case{u"A&&&b", u'B', u"A&b"}, Case{u"trailing&", 0, u"trailing"},
                          Case{u"", 0, u""}, Case{u"帮助中心(&h)", u'H', u"帮助中心(h)"}}) {
        EXPECT_EQ(GetHotkey(c.caption), c.hotkey) << core::ToUtf8(c.caption);
        EXPECT_EQ(StripHotkey(c.caption), c.stripped);
    }
    EXPECT_TRUE(IsAccel(u'z', u"启用中转(&Z)"));
    EXPECT_TRUE(IsAccel(u'Z', u"启用中转(&Z)"));
    EXPECT_FALSE(IsAccel(u'Q', u"启用中转(&Z)"));
    EXPECT_FALSE(IsAccel(0, u"none"));
}

} // namespace
} // namespace ui
