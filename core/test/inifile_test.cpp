// In-memory INI documents: parsing and lookup rules, typed values with defaults, editing, and
// loading and writing back files.
#include "core/exception.h"
#include "core/fileio.h"
#include "core/inifile.h"
#include "core/stream.h"
#include "core/stringlist.h"
#include "core/test/tempfile.h"

#include <gtest/gtest.h>

using namespace core;
using core::test::TempFile;

namespace {

std::vector<String> Lines(const Strings& list)
{
    std::vector<String> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Get(i));
    return out;
}

void Load(MemIniFile& ini, StringView text)
{
    StringList lines;
    lines.SetText(text);
    ini.SetStrings(lines);
}

// A node list as the service sends it, with the irregularities the parser must handle.
const char16_t NodeList[] =
    u"stray=before any section\r\n"
    u"[华东]\r\n"
    u"  上海1 = 1.2.3.4,80%,1  \r\n"
    u"杭州=5.6.7.8,20%,0\r\n"
    u"; a comment line\r\n"
    u"   ;indented comment\r\n"
    u"\r\n"
    u"bare line\r\n"
    u"上海1=9.9.9.9,99%,1\r\n"
    u"url=http://x/?a=b;c\r\n"
    u"[ Route ]\r\n"
    u"net=10.0.0.0\r\n"
    u"[]\r\n"
    u"k=empty name\r\n"
    u"[华东]\r\n"
    u"青岛=7.7.7.7,1%,1\r\n"
    u"[[x]\r\n";

} // namespace

TEST(MemIniFile, ParsesSectionsEntriesAndComments)
{
    MemIniFile ini;
    Load(ini, NodeList);

    StringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(Lines(sections), (std::vector<String>{u"华东", u"Route", u"", u"华东", u"[x"}));

    // Of two sections with one name, lookups see the later.
    StringList keys, values;
    ini.ReadSection(u"华东", keys);
    EXPECT_EQ(Lines(keys), (std::vector<String>{u"青岛"}));
    EXPECT_EQ(ini.ReadString(u"华东", u"上海1", u"none"), u"none");

    Load(ini, Copy(NodeList, 1, Pos(u"[ Route ]", NodeList) - 1));
    ini.ReadSection(u"华东", keys);
    EXPECT_EQ(Lines(keys), (std::vector<String>{u"上海1", u"杭州", u"", u"上海1", u"url"}));
    ini.ReadSectionValues(u"华东", values);
    EXPECT_EQ(Lines(values), (std::vector<String>{u"上海1=1.2.3.4,80%,1", u"杭州=5.6.7.8,20%,0", u"bare line",
                                                  u"上海1=9.9.9.9,99%,1", u"url=http://x/?a=b;c"}));
    struct Case { String section, key, value; } reads[] = {
        {u"华东", u"上海1", u"9.9.9.9,99%,1"},  // the later of two equal keys
        {u"华东", u"杭州", u"5.6.7.8,20%,0"},
        {u"华东", u"url", u"http://x/?a=b;c"},  // "=" and ";" inside a value stay
        {u"华东", u"URL", u"http://x/?a=b;c"},  // keys ignore case
        {u"华东", u"bare line", u"-"},         // bare entries are not keys
        {u"华东", u"stray", u"-"},
        {u"华东", u"; a comment line", u"-"},
        {u"nowhere", u"url", u"-"},
    };
    for (const auto& c : reads)
        EXPECT_EQ(ini.ReadString(c.section, c.key, u"-"), c.value) << ToUtf8(c.key);
}

TEST(MemIniFile, WholeTextReadsAsItsLinesDo)
{
    const StringView texts[] = {
        NodeList,
        u"[a]\rk=1\nbare\r\n\r\n[b]\n\n v = x = y \r",  // every line end, blank lines
        u"[a]\r\nlast=no line end",
        u"\t[ tabbed ]\t\r\n\x01k\x01=\x01v\x01",  // control characters are blanks
        u"",
        u"\r\n\r\n",
    };
    for (StringView text : texts) {
        SCOPED_TRACE(ToUtf8(text));
        MemIniFile byLines, byText;
        Load(byLines, text);
        byText.WriteString(u"old", u"k", u"v");  // replaced, not added to
        byText.SetText(text);
        StringList expected, got;
        byLines.GetStrings(expected);
        byText.GetStrings(got);
        EXPECT_EQ(Lines(got), Lines(expected));
        StringList sections;
        byText.ReadSections(sections);
        for (int i = 0; i < sections.Count(); ++i) {
            StringList keys;
            byText.ReadSection(sections.Get(i), keys);
            for (int k = 0; k < keys.Count(); ++k)
                EXPECT_EQ(byText.ReadString(sections.Get(i), keys.Get(k), u"-"),
                          byLines.ReadString(sections.Get(i), keys.Get(k), u"-"));
        }
    }
}

TEST(MemIniFile, NamesIgnoreCaseBeyondAscii)
{
    MemIniFile ini;
    Load(ini, u"[Straße]\r\nÄrger=1\r\n[route]\r\nA=1\r\n[ROUTE]\r\nb=2\r\n");
    EXPECT_EQ(ini.ReadString(u"STRASSE", u"ärger", u"-"), u"-");  // folding keeps lengths: no ß -> SS
    EXPECT_EQ(ini.ReadString(u"straße", u"ärger", u"-"), u"1");
    EXPECT_EQ(ini.ReadString(u"Route", u"b", u"-"), u"2");
    EXPECT_EQ(ini.ReadString(u"Route", u"a", u"-"), u"-");
    EXPECT_TRUE(ini.SectionExists(u"RoUtE"));
    EXPECT_TRUE(ini.ValueExists(u"route", u"B"));
    EXPECT_FALSE(ini.ValueExists(u"route", u"a"));

    // Names mixing letters with caseless CJK text, and full-width letters, fold as well.
    Load(ini, u"[节点a]\r\n节点b1=x\r\n[ｎｅｔ]\r\nｋ=y\r\n");
    EXPECT_EQ(ini.ReadString(u"节点A", u"节点B1", u"-"), u"x");
    EXPECT_EQ(ini.ReadString(u"ＮＥＴ", u"Ｋ", u"-"), u"y");
}

TEST(MemIniFile, TypedValuesFallBackOnMissingOrBadText)
{
    MemIniFile ini;
    Load(ini, u"[v]\r\ndec=42\r\nneg=-7\r\nhex=$1F\r\nchex=0x10\r\ntext=abc\r\nempty=\r\nfloat=2.5\r\n"
              u"exp=1E3\r\nbig=99999999999\r\n");
    struct Case { String key; int integer; bool boolean; double number; } cases[] = {
        {u"dec", 42, true, 42},
        {u"neg", -7, true, -7},
        {u"hex", 31, true, 0.5},     // hex is for integers only
        {u"chex", 16, true, 0.5},
        {u"text", 5, true, 0.5},     // fallbacks
        {u"empty", 5, true, 0.5},
        {u"missing", 5, true, 0.5},
        {u"float", 5, true, 2.5},
        {u"exp", 5, true, 1000},
        {u"big", 5, true, 99999999999.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadInteger(u"v", c.key, 5), c.integer) << ToUtf8(c.key);
        EXPECT_EQ(ini.ReadBool(u"v", c.key, true), c.boolean) << ToUtf8(c.key);
        EXPECT_DOUBLE_EQ(ini.ReadFloat(u"v", c.key, 0.5), c.number) << ToUtf8(c.key);
    }
    EXPECT_FALSE(ini.ReadBool(u"v", u"text", false));
    EXPECT_FALSE(ini.ReadBool(u"v", u"missing", false));

    ini.WriteInteger(u"w", u"i", -12);
    ini.WriteBool(u"w", u"yes", true);
    ini.WriteBool(u"w", u"no", false);
    ini.WriteFloat(u"w", u"f", 0.25);
    ini.WriteString(u"w", u"s", u" padded ");
    EXPECT_EQ(ini.ReadString(u"w", u"i", u""), u"-12");
    EXPECT_EQ(ini.ReadString(u"w", u"yes", u""), u"1");
    EXPECT_EQ(ini.ReadString(u"w", u"no", u""), u"0");
    EXPECT_EQ(ini.ReadString(u"w", u"f", u""), u"0.25");
    EXPECT_EQ(ini.ReadString(u"w", u"s", u""), u" padded ");
    EXPECT_TRUE(ini.ReadBool(u"w", u"yes", false));
    EXPECT_FALSE(ini.ReadBool(u"w", u"no", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat(u"w", u"f", 0), 0.25);
}

TEST(MemIniFile, BinaryValuesAreHex)
{
    MemIniFile ini;
    StringStream in(std::string("\x00\x7F\xAB\xFF", 4));
    ini.WriteBinaryStream(u"b", u"data", in);
    EXPECT_EQ(ini.ReadString(u"b", u"data", u""), u"007FABFF");
    StringStream out;
    EXPECT_EQ(ini.ReadBinaryStream(u"b", u"data", out), 4);
    EXPECT_EQ(out.DataString(), std::string("\x00\x7F\xAB\xFF", 4));

    ini.WriteString(u"b", u"bad", u"41zz42");
    StringStream partial;
    EXPECT_EQ(ini.ReadBinaryStream(u"b", u"bad", partial), 1);  // up to the first pair that is not hex
    EXPECT_EQ(partial.DataString(), "A");
    StringStream none;
    EXPECT_EQ(ini.ReadBinaryStream(u"b", u"missing", none), 0);
}

TEST(MemIniFile, EditingKeepsOrderAndLookups)
{
    MemIniFile ini;
    Load(ini, u"[a]\r\nx=1\r\ny=2\r\nX=3\r\nbare\r\n[b]\r\nz=1\r\n[A]\r\nq=1\r\n[empty]\r\n");
    EXPECT_TRUE(ini.SectionExists(u"empty"));  // a header alone makes a section
    EXPECT_FALSE(ini.SectionExists(u"none"));

    ini.WriteString(u"a", u"Q", u"changed");  // the later [A] is the one lookups see
    ini.WriteString(u"b", u"new", u"v");
    ini.WriteString(u"c", u"k", u"v");        // a new section goes at the end
    StringList lines;
    ini.GetStrings(lines);
    EXPECT_EQ(Lines(lines), (std::vector<String>{u"[a]", u"x=1", u"y=2", u"X=3", u"bare", u"", u"[b]", u"z=1",
                                                 u"new=v", u"", u"[A]", u"Q=changed", u"", u"[empty]", u"",
                                                 u"[c]", u"k=v", u""}));

    ini.DeleteKey(u"A", u"q");
    EXPECT_FALSE(ini.ValueExists(u"a", u"q"));
    ini.EraseSection(u"a");  // every section of the name goes
    EXPECT_FALSE(ini.SectionExists(u"a"));
    EXPECT_EQ(ini.ReadString(u"a", u"x", u"-"), u"-");
    StringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(Lines(sections), (std::vector<String>{u"b", u"empty", u"c"}));
    EXPECT_EQ(ini.ReadString(u"c", u"k", u"-"), u"v");  // the index follows the erase

    // Deleting a key given twice removes both, so that the earlier does not resurface.
    Load(ini, u"[s]\r\nk=1\r\nm=2\r\nK=3\r\n");
    ini.DeleteKey(u"s", u"k");
    ini.ReadSectionValues(u"s", lines);
    EXPECT_EQ(Lines(lines), (std::vector<String>{u"m=2"}));
    EXPECT_EQ(ini.ReadString(u"s", u"m", u"-"), u"2");

    // Line breaks would break the document when it is written.
    EXPECT_THROW(ini.WriteString(u"s", u"k", u"a\r\n[evil]"), EIniFileException);
    EXPECT_THROW(ini.WriteString(u"s\n", u"k", u"v"), EIniFileException);
    EXPECT_THROW(ini.WriteString(u"s", u"k\r", u"v"), EIniFileException);
    EXPECT_FALSE(ini.ValueExists(u"s", u"k"));
}

TEST(MemIniFile, LoadsAndWritesBackFiles)
{
    struct Case { std::string bytes; TextEncoding encoding; } cases[] = {
        {"[\xBB\xAA\xB6\xAB]\r\n\xC9\xCF\xBA\xA3 = 1\r\n", TextEncoding::Ansi},                      // code page 936
        {"\xEF\xBB\xBF[\xE5\x8D\x8E\xE4\xB8\x9C]\n\xE4\xB8\x8A\xE6\xB5\xB7=1\n", TextEncoding::Utf8},  // UTF-8 with a mark
    };
    for (const auto& c : cases) {
        TempFile file;
        {
            FileStream out(file.Name(), fmCreate);
            out.WriteBuffer(c.bytes.data(), int64_t(c.bytes.size()));
        }
        {
            MemIniFile ini(file.Name());
            EXPECT_EQ(ini.FileName(), file.Name());
            EXPECT_EQ(ini.Encoding(), c.encoding);
            EXPECT_EQ(ini.ReadString(u"华东", u"上海", u"-"), u"1");
            ini.WriteString(u"华东", u"杭州", u"2");
            ini.UpdateFile();
        }
        MemIniFile again(file.Name());
        EXPECT_EQ(again.ReadString(u"华东", u"杭州", u"-"), u"2");
        EXPECT_EQ(again.ReadString(u"华东", u"上海", u"-"), u"1");
        FileStream in(file.Name(), fmOpenRead);
        const std::string written = in.ReadToEnd();
        if (c.encoding == TextEncoding::Ansi)
            EXPECT_EQ(written, "[\xBB\xAA\xB6\xAB]\r\n\xC9\xCF\xBA\xA3=1\r\n\xBA\xBC\xD6\xDD=2\r\n\r\n");
        else
            EXPECT_EQ(written.substr(0, 3), "\xEF\xBB\xBF");  // written back in the encoding it came in
    }

    // A missing file gives an empty document; an empty name never touches a file.
    TempFile file;
    const String absent = file.Name() + u".absent";
    MemIniFile missing(absent);
    StringList sections;
    missing.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 0);
    MemIniFile unnamed;
    unnamed.WriteString(u"s", u"k", u"v");
    unnamed.UpdateFile();
    EXPECT_FALSE(FileExists(absent));

    // Rename switches the file, and reload reads it.
    MemIniFile renamed;
    renamed.WriteString(u"old", u"k", u"v");
    {
        FileStream out(file.Name(), fmCreate);
        out.WriteBuffer("[new]\r\nk=w\r\n", 12);
    }
    renamed.Rename(file.Name(), true);
    EXPECT_EQ(renamed.ReadString(u"new", u"k", u"-"), u"w");
    EXPECT_FALSE(renamed.SectionExists(u"old"));
}

TEST(MemIniFile, ThousandsOfKeysAreLookedUpQuickly)
{
    // Linear lookups would make this take minutes under the sanitizers.
    String text;
    for (int s = 0; s < 50; ++s) {
        text += u"[area" + IntToStr(s) + u"]\r\n";
        for (int k = 0; k < 2000; ++k)
            text += u"node" + IntToStr(k) + u"=" + IntToStr(s * k) + u"\r\n";
    }
    MemIniFile ini;
    Load(ini, text);
    long long sum = 0;
    for (int s = 0; s < 50; ++s)
        for (int k = 0; k < 2000; ++k)
            sum += ini.ReadInteger(u"AREA" + IntToStr(s), u"NODE" + IntToStr(k), -1);
    EXPECT_EQ(sum, 49LL * 50 / 2 * (1999LL * 2000 / 2));
    for (int k = 0; k < 2000; ++k)
        ini.WriteInteger(u"area7", u"node" + IntToStr(k), k);
    EXPECT_EQ(ini.ReadInteger(u"area7", u"node1999", -1), 1999);
}
