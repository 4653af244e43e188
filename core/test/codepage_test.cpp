// ANSI code-page conversion: the system's code page, both directions for the code pages the client
// meets, and what happens to characters and bytes that do not fit.
#include "core/codepage.h"

#include <gtest/gtest.h>

using namespace core;

namespace {

// Restores the host's ANSI code page after a test changed it.
class AnsiCodePageGuard {
public:
    AnsiCodePageGuard() : m_saved(SystemAnsiCodePage()) {}
    ~AnsiCodePageGuard() { SetHostAnsiCodePage(m_saved); }

private:
    unsigned m_saved;
};

} // namespace

TEST(CodePage, SystemCodePageIsChineseByDefault)
{
    // The Wine prefix is made with a Chinese locale; the host build stands in with the same default.
    EXPECT_EQ(SystemAnsiCodePage(), 936u);
#if !defined(_WIN32)
    AnsiCodePageGuard guard;
    SetHostAnsiCodePage(1252);
    EXPECT_EQ(SystemAnsiCodePage(), 1252u);
    EXPECT_EQ(ToAnsi(u"café"), "caf\xE9");
#endif
}

TEST(CodePage, ConvertsBothWays)
{
    struct Case { unsigned codePage; String text; std::string bytes; } cases[] = {
        {936, u"WAN 微型端口 (PPTP)", "WAN \xCE\xA2\xD0\xCD\xB6\xCB\xBF\xDA (PPTP)"},
        {0, u"WAN 微型端口 (L2TP)", "WAN \xCE\xA2\xD0\xCD\xB6\xCB\xBF\xDA (L2TP)"},
        {936, u"客户端", "\xBF\xCD\xBB\xA7\xB6\xCB"},
        {1252, u"café", "caf\xE9"},
        {1252, u"€", "\x80"},
        {1252, u"Grüße „x“", "Gr\xFC\xDF\x65 \x84x\x93"},
        {1252, u"\u0081\u008D\u009D", "\x81\x8D\x9D"},  // the undefined bytes pass through
        {65001, u"微型 €", "\xE5\xBE\xAE\xE5\x9E\x8B \xE2\x82\xAC"},
        {437, u"é░", "\x82\xB0"},
        {936, u"", ""},
        {1252, String(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToAnsi(c.text, c.codePage), c.bytes) << c.codePage << " " << ToUtf8(c.text);
        EXPECT_EQ(FromAnsi(c.bytes, c.codePage), c.text) << c.codePage << " " << ToUtf8(c.text);
    }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks)
{
    struct Case { unsigned codePage; String text; std::string bytes; } cases[] = {
        {1252, u"a微b", "a?b"},
        {1252, u"\U0001F600!", "?" "?!"},  // one per UTF-16 unit, as Windows does
        {936, u"\uD55Cx", "?x"},       // a Korean syllable
        {1252, u"\u0101x", "?x"},      // no best-fit look-alike
        {1252, u"\uFF02", "?"},        // a full-width quote must not become a real one
        {1252, String(1, Char(0xD800)) + u"z", "?z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToAnsi(c.text, c.codePage), c.bytes) << c.codePage << " " << ToUtf8(c.text);
}

TEST(CodePage, InvalidBytesNeverFail)
{
    // A lead byte without its trail, a lead byte at the very end, and bytes that are no character.
    const std::string inputs[] = {"\xCE", "ab\xCE", "\xCE\x20x", "\xFF\xFF", "\x80\x81", std::string(1000, '\xA1')};
    for (const std::string& bytes : inputs) {
        const String text = FromAnsi(bytes, 936);
        EXPECT_FALSE(text.empty());
        EXPECT_LE(text.size(), bytes.size());
    }
    EXPECT_EQ(FromAnsi("ab\xCE", 936).substr(0, 2), u"ab");
    const String tail = FromAnsi("\xCE\x20x", 936);
    EXPECT_EQ(tail.substr(tail.size() - 1), u"x");
}

TEST(CodePage, LongTextKeepsEveryCharacter)
{
    String text;
    std::string bytes;
    for (int i = 0; i < 5000; ++i) {
        text += u"端a";
        bytes += "\xB6\xCB" "a";
    }
    EXPECT_EQ(ToAnsi(text, 936), bytes);
    EXPECT_EQ(FromAnsi(bytes, 936), text);
}

TEST(CodePage, KnowsWhichCodePagesItCanUse)
{
    EXPECT_TRUE(IsCodePageSupported(0));
    EXPECT_TRUE(IsCodePageSupported(936));
    EXPECT_TRUE(IsCodePageSupported(1252));
    EXPECT_TRUE(IsCodePageSupported(65001));
    EXPECT_FALSE(IsCodePageSupported(12345));
    // An unknown code page still converts ASCII rather than failing.
    EXPECT_EQ(ToAnsi(u"ab微", 12345), "ab?");
    EXPECT_EQ(FromAnsi("ab\xC0", 12345).substr(0, 2), u"ab");
}
