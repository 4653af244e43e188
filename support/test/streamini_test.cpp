// TStreamIniFile: parsing rules, lookups, encodings, saving and writing back to its file.
#include "support/streamini.h"

#include "core/codepage.h"
#include "core/exception.h"
#include "core/fileio.h"
#include "core/stream.h"
#include "core/stringlist.h"
#include "core/test/tempfile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using core::String;
using core::StringList;
using support::TStreamIniFile;

std::unique_ptr<TStreamIniFile> Load(const std::string& bytes)
{
    auto ini = std::make_unique<TStreamIniFile>();
    core::StringStream stream(bytes);
    EXPECT_TRUE(ini->LoadFromStream(stream));
    return ini;
}

String Joined(const StringList& list)
{
    String text;
    for (int i = 0; i < list.Count(); ++i)
        text += (i ? u"|" : u"") + list[i];
    return text;
}

String Sections(const TStreamIniFile& ini)
{
    StringList list;
    ini.ReadSections(list);
    return Joined(list);
}

String Keys(const TStreamIniFile& ini, core::StringView section)
{
    StringList list;
    list.Add(u"stale");
    ini.ReadSection(section, list);
    return Joined(list);
}

String Values(const TStreamIniFile& ini, core::StringView section)
{
    StringList list;
    list.Add(u"stale");
    ini.ReadSectionValues(section, list);
    return Joined(list);
}

TEST(TStreamIniFile, ParsesLinesByTheDocumentRules)
{
    const auto ini = Load("orphan=dropped\r\n"
                          "bare before\r\n"
                          "[ Spaced ]\r\n"
                          "  key  =  value = with equals  \r\n"
                          "   ; comment after blanks\r\n"
                          "semi=a;b\r\n"
                          "\r\n"
                          "bare line\r\n"
                          "[]\r\n"
                          "k=empty-named section\r\n");
    EXPECT_EQ(Sections(*ini), u"Spaced|");
    EXPECT_EQ(Keys(*ini, u"Spaced"), u"key|semi|");
    EXPECT_EQ(Values(*ini, u"Spaced"), u"key=value = with equals|semi=a;b|bare line");
    EXPECT_EQ(ini->ReadString(u"Spaced", u"key", u"-"), u"value = with equals");
    EXPECT_EQ(ini->ReadString(u"Spaced", u"semi", u"-"), u"a;b");
    EXPECT_EQ(ini->ReadString(u"", u"k", u"-"), u"empty-named section");
    // Bare entries are never found by key.
    EXPECT_EQ(ini->ReadString(u"Spaced", u"bare line", u"-"), u"-");
}

TEST(TStreamIniFile, LaterSectionAndLaterKeyWinLookups)
{
    const auto ini = Load("[Area]\r\nold=1\r\n[Other]\r\nx=2\r\n[AREA]\r\nnew=3\r\nnew=4\r\n");
    EXPECT_EQ(Sections(*ini), u"Area|Other|AREA");
    EXPECT_EQ(Keys(*ini, u"area"), u"new|new");
    EXPECT_EQ(Values(*ini, u"Area"), u"new=3|new=4");
    EXPECT_EQ(ini->ReadString(u"aReA", u"NEW", u"-"), u"4");
    EXPECT_EQ(ini->ReadString(u"Area", u"old", u"-"), u"-");
}

TEST(TStreamIniFile, MissingSectionOrKeyGivesTheDefaultAndEmptyLists)
{
    const auto ini = Load("[a]\r\nk=v\r\n");
    EXPECT_EQ(ini->ReadString(u"b", u"k", u"def"), u"def");
    EXPECT_EQ(ini->ReadString(u"a", u"x", u"def"), u"def");
    EXPECT_EQ(Keys(*ini, u"b"), u"");
    EXPECT_EQ(Values(*ini, u"b"), u"");
}

TEST(TStreamIniFile, LineEndsOfEveryKindSplitLines)
{
    const auto ini = Load("[a]\nb=1\rc=2\r\nd=3");
    EXPECT_EQ(Values(*ini, u"a"), u"b=1|c=2|d=3");
}

struct EncodingCase {
    const char* name;
    std::string bytes;
};

TEST(TStreamIniFile, ByteOrderMarkSelectsTheEncodingElseAnsi)
{
    const String expected = core::S("1.2.3.4,99%,1");
    const String area = core::S("电信加速");
    const String node = core::S("节点一");
    const EncodingCase cases[] = {
        {"utf-8", "\xEF\xBB\xBF[" + core::ToUtf8(area) + "]\r\n" + core::ToUtf8(node) + "=1.2.3.4,99%,1\r\n"},
        {"ansi", core::ToAnsi(u"[" + area + u"]\r\n" + node + u"=1.2.3.4,99%,1\r\n", 936)},
        {"utf-16le", core::EncodeText(u"[" + area + u"]\r\n" + node + u"=1.2.3.4,99%,1\r\n",
                                      core::TextEncoding::Utf16LE)},
        {"utf-16be", core::EncodeText(u"[" + area + u"]\r\n" + node + u"=1.2.3.4,99%,1\r\n",
                                      core::TextEncoding::Utf16BE)},
    };
    ASSERT_EQ(core::SystemAnsiCodePage(), 936u);
    for (const EncodingCase& c : cases) {
        const auto ini = Load(c.bytes);
        EXPECT_EQ(ini->ReadString(area, node, u"-"), expected) << c.name;
        // Bytes already in memory read the same as from a stream, and the encoding is kept.
        TStreamIniFile direct;
        ASSERT_TRUE(direct.LoadFromBytes(c.bytes)) << c.name;
        EXPECT_EQ(direct.ReadString(area, node, u"-"), expected) << c.name;
        EXPECT_EQ(direct.Encoding(), ini->Encoding()) << c.name;
    }
}

TEST(TStreamIniFile, LoadsFromTheStreamPositionToItsEnd)
{
    TStreamIniFile ini;
    core::StringStream stream("garbage[a]\r\nk=v\r\n");
    stream.SetPosition(7);
    ASSERT_TRUE(ini.LoadFromStream(stream));
    EXPECT_EQ(ini.ReadString(u"a", u"k", u"-"), u"v");
}

// A stream whose reads fail, as a broken file or socket would.
class FailingStream : public core::Stream {
public:
    int64_t Read(void*, int64_t) override { throw core::EReadError(u"Stream read error"); }
    int64_t Write(const void*, int64_t) override { throw core::EWriteError(u"Stream write error"); }
    int64_t Seek(int64_t, core::SeekOrigin) override { return 0; }
    int64_t Size() override { return 100; }
};

TEST(TStreamIniFile, StreamFailuresAreReportedAndKeepTheContent)
{
    auto ini = Load("[a]\r\nk=v\r\n");
    FailingStream broken;
    EXPECT_FALSE(ini->LoadFromStream(broken));
    EXPECT_EQ(ini->ReadString(u"a", u"k", u"-"), u"v");
    EXPECT_FALSE(ini->SaveToStream(broken));
}

TEST(TStreamIniFile, SavesSectionsEntriesAndAnEmptyLineEach)
{
    const auto ini = Load("[a]\r\n k = v \r\nbare\r\n[b]\r\n");
    core::StringStream out;
    ASSERT_TRUE(ini->SaveToStream(out));
    EXPECT_EQ(out.DataString(), "[a]\r\nk=v\r\nbare\r\n\r\n[b]\r\n\r\n");
}

TEST(TStreamIniFile, SavingKeepsTheEncodingTheDocumentWasLoadedIn)
{
    // Text outside the ANSI code page survives a load and a save of a UTF-8 document.
    const std::string utf8 = "\xEF\xBB\xBF[a]\r\nk=" + core::ToUtf8(u"\u00e9\u4e2d") + "\r\n";
    const auto loaded = Load(utf8);
    core::StringStream out;
    ASSERT_TRUE(loaded->SaveToStream(out));
    EXPECT_EQ(out.DataString(), utf8 + "\r\n");

    // A new document, and one loaded without a mark, write ANSI without a mark.
    TStreamIniFile fresh;
    fresh.WriteString(u"a", u"k", core::S("中"));
    core::StringStream ansi;
    ASSERT_TRUE(fresh.SaveToStream(ansi));
    EXPECT_EQ(ansi.DataString(), "[a]\r\nk=\xd6\xd0\r\n\r\n");
}

TEST(TStreamIniFile, FileRoundTripAndFailures)
{
    core::test::TempFile file;
    {
        TStreamIniFile ini;
        ini.WriteString(u"s", u"k", u"v");
        ASSERT_TRUE(ini.SaveToFile(file.Name()));
    }
    TStreamIniFile back;
    ASSERT_TRUE(back.LoadFromFile(file.Name()));
    EXPECT_EQ(back.ReadString(u"s", u"k", u"-"), u"v");

    core::test::TempDir dir;
    const String missing = dir.File(u"missing.ini");
    EXPECT_FALSE(back.LoadFromFile(missing));
    EXPECT_EQ(back.ReadString(u"s", u"k", u"-"), u"v");
    EXPECT_FALSE(back.SaveToFile(dir.File(u"no-such-folder") + core::String(1, core::PathDelim) + u"x.ini"));
}

TEST(TStreamIniFile, WritesBackOnDestructionOnlyToAnExistingFile)
{
    core::test::TempDir dir;
    const String existing = dir.File(u"existing.ini");
    {
        core::FileStream seed(existing, core::fmCreate);
        const std::string text = "[s]\r\nk=old\r\n";
        seed.WriteBuffer(text.data(), int64_t(text.size()));
    }
    {
        TStreamIniFile ini(existing);
        EXPECT_EQ(ini.FileName(), existing);
        EXPECT_EQ(ini.ReadString(u"s", u"k", u"-"), u"old");
        ini.WriteString(u"s", u"k", u"new");
    }
    EXPECT_EQ(TStreamIniFile(existing).ReadString(u"s", u"k", u"-"), u"new");

    const String absent = dir.File(u"absent.ini");
    {
        TStreamIniFile ini(absent);
        ini.WriteString(u"s", u"k", u"v");
    }
    EXPECT_FALSE(core::FileExists(absent));
}

} // namespace
