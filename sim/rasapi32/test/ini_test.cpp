// INI document of the simulated remote-access library: parsing, escaping and editing.
#include "sim/rasapi32/ini.h"

#include <gtest/gtest.h>

namespace sim::rasapi32 {
namespace {

TEST(IniDocument, ValuesSurviveARoundTripExactly)
{
    IniDocument doc;
    IniSection& section = doc.Ensure(u"Entry ]with[ brackets");
    const std::vector<String> values = {u"  leading and trailing  ", u"back\\slash", u"line\r\nbreak", u"tab\tand\x01",
                                        u"", u"中文 = 值"};
    for (size_t i = 0; i < values.size(); ++i)
        section.Append(u"Key" + core::IntToStr(static_cast<int64_t>(i)), values[i]);

    const IniDocument back = IniDocument::Parse(doc.Serialize());
    ASSERT_EQ(back.Sections().size(), 1u);
    EXPECT_EQ(back.Sections()[0].Name(), u"Entry ]with[ brackets");
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.Sections()[0].Value(u"Key" + core::IntToStr(static_cast<int64_t>(i))), values[i]) << i;
}

TEST(IniDocument, ParsesCommentsBomCrlfAndRepeatedKeys)
{
    const std::string text =
        "\xEF\xBB\xBF; comment\r\n"
        "orphan=1\r\n"
        "[First]\r\n"
        "  # another comment\r\n"
        " Alternate = 1.1.1.1\r\n"
        "Alternate=2.2.2.2\r\n"
        "no equals sign here\r\n"
        "=no key\r\n"
        "[Second]\n"
        "KEY=upper";
    const IniDocument doc = IniDocument::Parse(text);
    ASSERT_EQ(doc.Sections().size(), 3u);
    EXPECT_EQ(doc.Sections()[0].Name(), u"");
    EXPECT_EQ(doc.Sections()[0].Value(u"orphan"), u"1");
    const IniSection* first = doc.Find(u"first");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Values(u"alternate"), (std::vector<String>{u" 1.1.1.1", u"2.2.2.2"}));
    EXPECT_EQ(first->Items().size(), 2u);
    EXPECT_EQ(doc.Find(u"SECOND")->Value(u"key"), u"upper");
}

TEST(IniDocument, DamagedTextYieldsWhatCanBeRead)
{
    const std::string text = "[unterminated\nkey=1\n[\xFF\xFE]\nbad\xC3=\xE4\xB8\n[ok]\nk=v\n";
    const IniDocument doc = IniDocument::Parse(text);
    const IniSection* ok = doc.Find(u"ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Value(u"k"), u"v");
}

TEST(IniDocument, WritingAndReadingBackAgreeForOddLines)
{
    struct Case {
        const char* text;
        size_t sections;
    } cases[] = {
        {" [looks]=like a section\n[s]\nk=v\n", 1},        // the key would read as a header
        {"\xEF\xBB\xBF\n \xEF\xBB\xBFkey=1\n[s]\n", 1},   // a mark before a key
        {"[]\n[named]\nk=1\n", 2},                         // a nameless section first
        {"orphan=1\n[named]\n", 2},
    };
    for (const Case& c : cases) {
        const IniDocument doc = IniDocument::Parse(c.text);
        EXPECT_EQ(doc.Sections().size(), c.sections) << c.text;
        const std::string once = doc.Serialize();
        EXPECT_EQ(IniDocument::Parse(once).Serialize(), once) << c.text;
    }
}

TEST(IniSection, SetAllReplacesRepeatsInPlace)
{
    IniSection section;
    section.Append(u"A", u"1");
    section.Append(u"Alt", u"x");
    section.Append(u"B", u"2");
    section.Append(u"alt", u"y");
    section.SetAll(u"ALT", {u"p", u"q", u"r"});
    ASSERT_EQ(section.Items().size(), 5u);
    EXPECT_EQ(section.Items()[1].second, u"p");
    EXPECT_EQ(section.Items()[3].second, u"r");
    EXPECT_EQ(section.Items()[4].first, u"B");
    section.Set(u"alt", u"only");
    EXPECT_EQ(section.Values(u"alt"), std::vector<String>{u"only"});
    section.Remove(u"ALT");
    EXPECT_FALSE(section.Has(u"alt"));
}

TEST(IniEscape, UnknownEscapesStayAsWritten)
{
    EXPECT_EQ(UnescapeIniValue(u"C:\\temp\\x4"), u"C:\\temp\\x4");
    EXPECT_EQ(UnescapeIniValue(u"\\x41\\n\\\\"), u"A\n\\");
    EXPECT_EQ(EscapeIniValue(u"a\x7F"), u"a\\x7F");
}

} // namespace
} // namespace sim::rasapi32
