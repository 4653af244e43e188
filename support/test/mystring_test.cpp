// The utility interface's text, split, path, file and conversion operations.
#include "support/mystring.h"

#include "core/codepage.h"
#include "core/datetime.h"
#include "core/fileio.h"
#include "core/path.h"
#include "core/stream.h"
#include "core/stringlist.h"
#include "core/test/tempfile.h"
#include "support/sysutil.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using core::Ref;
using core::String;
using namespace support;

Ref<Istrings4> Make(String text = {}) { return core::MakeRef<strings4>(std::move(text)); }

String Joined(const std::vector<String>& pieces)
{
    String text;
    for (size_t i = 0; i < pieces.size(); ++i)
        text += (i ? u"|" : u"") + pieces[i];
    return text;
}

struct SplitCase {
    const char16_t* text;
    const char16_t* separator;
    const char16_t* pieces;  // joined with "|"
    size_t count;
};

TEST(SplitText, DropsEmptyPiecesBeforeASeparatorButKeepsTheLastPiece)
{
    const SplitCase cases[] = {
        {u"a,b,c", u",", u"a|b|c", 3},
        {u"a,,b", u",", u"a|b", 2},    // two commas in a row
        {u"a,b,", u",", u"a|b|", 3},   // trailing comma: an empty last piece
        {u",a", u",", u"a", 1},        // leading comma: no empty first piece
        {u"", u",", u"", 1},           // empty text: one empty piece
        {u",,", u",", u"", 1},         // two commas alone: one empty piece
        {u"a,b", u"", u"a,b", 1},      // empty separator never matches
        {u"userXYZpass", u"XYZ", u"user|pass", 2},
        {u"XYZpass", u"XYZ", u"pass", 1},  // a reply that begins with the separator
        {u"aXYXYb", u"XY", u"a|b", 2},
        {u"1.2.3.4,,99%,1", u",", u"1.2.3.4|99%|1", 3},
    };
    for (const SplitCase& c : cases) {
        const auto pieces = SplitText(c.text, c.separator);
        EXPECT_EQ(pieces.size(), c.count) << core::ToUtf8(c.text);
        EXPECT_EQ(Joined(pieces), c.pieces) << core::ToUtf8(c.text);
    }
}

TEST(Istrings, SplitFillsAFixedNumberOfParts)
{
    const auto six = Make(u"1,2,3,4,5,6")->Split5(u",");
    EXPECT_EQ(six, (Parts5{u"1", u"2", u"3", u"4", u"5"}));
    const auto none = Make(u"whole")->Split5(u",");
    EXPECT_EQ(none, (Parts5{u"whole", u"", u"", u"", u""}));
    const auto ten = Make(u"a,b")->Split10(u",");
    EXPECT_EQ(ten[0], u"a");
    EXPECT_EQ(ten[1], u"b");
    EXPECT_EQ(ten[9], u"");
    String many;
    for (int i = 0; i < 25; ++i)
        many += core::IntToStr(i) + u";";
    const auto twenty = Make(many)->Split20(u";");
    EXPECT_EQ(twenty[19], u"19");
}

TEST(Istrings, SplitToListMakesANewListOrNoneForAnEmptySeparator)
{
    const auto s = Make(u"x,,y,");
    EXPECT_EQ(s->SplitToList(u""), nullptr);
    const auto list = s->SplitToList(u",");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ((*list)[0], u"x");
    EXPECT_EQ((*list)[1], u"y");
    EXPECT_EQ((*list)[2], u"");
}

TEST(Istrings, SubStringCountsNonPositiveIndexesFromTheEnd)
{
    const auto s = Make(u"abcdef");
    EXPECT_EQ(s->SubString(0, 2), u"");  // starts after the last character
    EXPECT_EQ(s->SubString(-2, 2), u"ef");
    EXPECT_EQ(s->SubString(2, 3), u"bcd");
    EXPECT_EQ(s->SubString(5, 10), u"ef");
    EXPECT_EQ(s->SubString(-100, 2), u"ab");
    EXPECT_EQ(s->SubString(std::numeric_limits<int>::min(), 2), u"ab");
    EXPECT_EQ(s->RightPart(2), u"ef");
    EXPECT_EQ(s->RightPart(0), u"");
    EXPECT_EQ(s->RightPart(std::numeric_limits<int>::min()), u"");
    EXPECT_EQ(s->LeftPart(3), u"abc");
    EXPECT_EQ(s->GetText(), u"abcdef");
}

TEST(Istrings, PosOfSearchesFromTheOffset)
{
    const auto s = Make(u"abcabc");
    EXPECT_EQ(s->PosOf(u"bc", 0), 2);
    EXPECT_EQ(s->PosOf(u"bc", -5), 2);
    EXPECT_EQ(s->PosOf(u"bc", 3), 5);
    EXPECT_EQ(s->PosOf(u"x", 0), 0);
    EXPECT_EQ(s->PosOf(u"", 0), 0);
    EXPECT_EQ(s->PosOf(u"c", 100), 0);
}

TEST(Istrings, StartsAndEndsWith)
{
    const auto s = Make(u"Prefix.txt");
    EXPECT_TRUE(s->StartsWith(u""));
    EXPECT_FALSE(s->EndsWith(u""));
    EXPECT_TRUE(s->StartsWith(u"Pre"));
    EXPECT_FALSE(s->StartsWith(u"pre"));
    EXPECT_TRUE(s->EndsWith(u".txt"));
    EXPECT_FALSE(s->EndsWith(u".TXT"));
    EXPECT_FALSE(s->EndsWith(u"longer than Prefix.txt"));
    EXPECT_TRUE(Make()->StartsWith(u""));
    EXPECT_FALSE(Make()->EndsWith(u""));
}

TEST(Istrings, EqualsTextIgnoresCaseOnlyForOne)
{
    const auto s = Make(u"Word");
    EXPECT_TRUE(s->EqualsText(u"WORD", 1));
    EXPECT_FALSE(s->EqualsText(u"WORD", 2));
    EXPECT_FALSE(s->EqualsText(u"WORD", 0));
    EXPECT_TRUE(s->EqualsText(u"Word", 2));
}

TEST(Istrings, StoreDecidesWhetherTheResultBecomesTheText)
{
    struct Case {
        const char* name;
        std::function<String(Istrings4&, bool)> op;
        const char16_t* result;
    };
    const Case cases[] = {
        {"Lower", [](Istrings4& s, bool st) { return s.Lower(st); }, u" mixed case "},
        {"Upper", [](Istrings4& s, bool st) { return s.Upper(st); }, u" MIXED CASE "},
        {"TrimText", [](Istrings4& s, bool st) { return s.TrimText(st); }, u"Mixed Case"},
        {"Prepend", [](Istrings4& s, bool st) { return s.Prepend(u"<", st); }, u"< Mixed Case "},
        {"Append", [](Istrings4& s, bool st) { return s.Append(u">", st); }, u" Mixed Case >"},
        {"Quote", [](Istrings4& s, bool st) { return s.Quote(u"'", st); }, u"' Mixed Case '"},
        {"Reverse", [](Istrings4& s, bool st) { return s.Reverse(st); }, u" esaC dexiM "},
        {"RepeatText", [](Istrings4& s, bool st) { return s.RepeatText(2, st); }, u" Mixed Case  Mixed Case "},
        {"Replace", [](Istrings4& s, bool st) { return s.Replace(u"case", u"Text", core::rfIgnoreCase, st); },
         u" Mixed Text "},
        {"ReplaceSuffix",
         [](Istrings4& s, bool st) {
             const String suffixes[] = {u"x", u"Case ", u"e "};
             return s.ReplaceSuffix(suffixes, u"Box", st);
         },
         u" Mixed Box"},
    };
    for (const Case& c : cases) {
        const auto kept = Make(u" Mixed Case ");
        EXPECT_EQ(c.op(*kept, false), c.result) << c.name;
        EXPECT_EQ(kept->GetText(), u" Mixed Case ") << c.name;
        const auto stored = Make(u" Mixed Case ");
        EXPECT_EQ(c.op(*stored, true), c.result) << c.name;
        EXPECT_EQ(stored->GetText(), c.result) << c.name;
    }
}

TEST(Istrings, ReplaceAllOrFirstAndReplaceSuffixWithoutMatch)
{
    const auto s = Make(u"a-b-c");
    EXPECT_EQ(s->Replace(u"-", u"+", 0, false), u"a+b-c");
    EXPECT_EQ(s->Replace(u"-", u"+", core::rfReplaceAll, false), u"a+b+c");
    const String suffixes[] = {u"", u"x"};
    EXPECT_EQ(s->ReplaceSuffix(suffixes, u"!", true), u"a-b-c");
    EXPECT_EQ(s->GetText(), u"a-b-c");
}

TEST(Istrings, CharacterOperations)
{
    const auto s = Make(u"abc");
    EXPECT_EQ(s->FirstChar(false), u"a");
    EXPECT_EQ(s->FirstChar(true), u"a");
    EXPECT_EQ(s->GetText(), u"bc");
    EXPECT_EQ(s->LastChar(true), u"c");
    EXPECT_EQ(s->GetText(), u"b");
    EXPECT_EQ(s->LastChar(true), u"b");
    EXPECT_EQ(s->LastChar(true), u"");
    EXPECT_EQ(s->FirstChar(true), u"");
    EXPECT_EQ(s->GetText(), u"");

    const auto d = Make(u"abcdef");
    EXPECT_EQ(d->DeleteChars(2, 2), u"adef");
    EXPECT_EQ(d->DeleteChars(3, 100), u"ad");
    EXPECT_EQ(d->DeleteChars(0, 1), u"ad");
    EXPECT_EQ(d->DeleteChars(9, 1), u"ad");
    EXPECT_EQ(d->TextLength(), 2);
}

TEST(Istrings, ReverseKeepsSurrogatePairsTogether)
{
    const String text = u"a\U0001F600b";
    EXPECT_EQ(Make(text)->Reverse(false), u"b\U0001F600a");
}

TEST(Istrings, NumbersAndRepetition)
{
    struct Case {
        const char16_t* text;
        int32_t value;
        int64_t value64;
    };
    const Case cases[] = {
        {u"42", 42, 42},      {u"-7", -7, -7},          {u"$1F", 31, 31},
        {u"0x10", 16, 16},    {u"abc", 0, 0},           {u"", 0, 0},
        {u"5 ", 0, 0},        {u"9999999999", 0, 9999999999LL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Make(c.text)->ToInteger(), c.value) << core::ToUtf8(c.text);
        EXPECT_EQ(Make(c.text)->ToInt64(), c.value64) << core::ToUtf8(c.text);
    }
    const auto s = Make(u"x");
    EXPECT_EQ(s->FromInteger(-12), u"-12");
    EXPECT_EQ(s->GetText(), u"-12");
    EXPECT_EQ(s->RepeatText(0, false), u"");
    EXPECT_EQ(s->RepeatText(-3, true), u"");
    EXPECT_EQ(s->GetText(), u"");
    EXPECT_EQ(core::MakeRef<strings>(int32_t(5))->GetText(), u"5");
}

TEST(Istrings, RandomDigitsDrawsOneCharacterPerDigitFromZeroToNine)
{
    const auto s = Make(u"keep");
    std::set<char16_t> seen;
    for (int round = 0; round < 200; ++round) {
        const String digits = s->RandomDigits(8, false);
        ASSERT_EQ(digits.size(), 8u);
        for (char16_t c : digits) {
            ASSERT_TRUE(c >= u'0' && c <= u'9');
            seen.insert(c);
        }
    }
    EXPECT_EQ(seen.size(), 10u);  // "0" included
    EXPECT_EQ(s->GetText(), u"keep");
    EXPECT_EQ(s->RandomDigits(3, true).size(), 3u);
    EXPECT_EQ(s->GetText().size(), 3u);
    EXPECT_EQ(s->RandomDigits(0, false), u"");
}

TEST(Istrings, BackupAndText)
{
    const auto s = Make(u"one");
    s->SaveBackup();
    s->SetText(u"two");
    EXPECT_EQ(s->GetText(), u"two");
    s->RestoreBackup();
    EXPECT_EQ(s->GetText(), u"one");
}

TEST(Istrings, FormatNowUsesTheClock)
{
    struct ClockGuard {
        core::NowFunction previous;
        ~ClockGuard() { core::SetNowFunction(previous); }
    } guard{core::SetNowFunction([] { return core::EncodeDateTime(2021, 3, 4, 5, 6, 7, 8); })};
    const auto s = Make(u"x");
    EXPECT_EQ(s->FormatNow(u"yyyymmddhnszz", false), u"2021030456708");
    EXPECT_EQ(s->GetText(), u"x");
    EXPECT_EQ(s->FormatNow(u"yyyy", true), u"2021");
    EXPECT_EQ(s->GetText(), u"2021");
}

TEST(Istrings, ToDateReadsTheShortDateFormat)
{
    EXPECT_EQ(Make(u"12/25/2020")->ToDate(), core::EncodeDate(2020, 12, 25));
    EXPECT_EQ(Make(u" 1/2/1999 ")->ToDate(), core::EncodeDate(1999, 1, 2));
    int year = 0, month = 0, day = 0;
    core::DecodeDate(core::Date(), year, month, day);
    EXPECT_EQ(Make(u"7/4")->ToDate(), core::EncodeDate(year, 7, 4));
    for (const char16_t* bad : {u"", u"x", u"2/30/2020", u"1/2/3/4", u"1//2020", u"13/1/2020", u"1/1/20200"})
        EXPECT_EQ(Make(bad)->ToDate(), 0.0) << core::ToUtf8(bad);
}

TEST(Istrings, ByteAndAnsiBuffers)
{
    const auto s = Make(u"x");
    // "A" is stored as the bytes 65 0: one character, the first digit of 65.
    EXPECT_EQ(s->ByteDigits(u"A", false), u"6");
    // "AB" is 65 0 66 0; two characters from the first two bytes.
    EXPECT_EQ(s->ByteDigits(u"AB", false), u"60");
    EXPECT_EQ(s->ByteDigits(u"", false), u"");
    EXPECT_EQ(s->ByteDigits(nullptr, false), u"");
    EXPECT_EQ(s->FromAnsiBuffer("ab\xd6\xd0", false), u"ab\u00d6\u00d0");
    EXPECT_EQ(s->FromAnsiBuffer(nullptr, true), u"");
    EXPECT_EQ(s->GetText(), u"");
}

TEST(Istrings, PathParts)
{
    struct Case {
        const char16_t* text;
        const char16_t* name;
        const char16_t* ext;
        const char16_t* path;
        const char16_t* drive;
    };
    const Case cases[] = {
        {u"C:\\Dir\\Name.Ext", u"Name.Ext", u".Ext", u"C:\\Dir\\", u"c:"},
        {u"file://C:/Dir/a.b.txt", u"a.b.txt", u".txt", u"file://C:/Dir/", u"c:"},
        {u"\\\\Server\\Share\\x\\y.z", u"y.z", u".z", u"\\\\Server\\Share\\x\\", u"\\\\server\\share"},
        {u"noext", u"noext", u"", u"", u""},
        {u"", u"", u"", u"", u""},
    };
    for (const Case& c : cases) {
        const auto s = Make(c.text);
        EXPECT_EQ(s->GetFileName(), c.name) << core::ToUtf8(c.text);
        EXPECT_EQ(s->GetFileExt(), c.ext) << core::ToUtf8(c.text);
        EXPECT_EQ(s->GetFilePath(), c.path) << core::ToUtf8(c.text);
        EXPECT_EQ(s->GetFileDrive(), c.drive) << core::ToUtf8(c.text);
        EXPECT_EQ(s->GetText(), c.text);
    }
}

TEST(Istrings, DecodeBase64GoesThroughTheAnsiCodePage)
{
    const auto s = Make(u"1tDO\r\nxA==");
    EXPECT_EQ(s->DecodeBase64(false), core::S("中文"));
    EXPECT_EQ(s->GetText(), u"1tDO\r\nxA==");
    EXPECT_EQ(s->DecodeBase64(true), core::S("中文"));
    EXPECT_EQ(s->GetText(), core::S("中文"));
    EXPECT_EQ(Make()->DecodeBase64(false), u"");
}

TEST(Istrings, ExpandEnvironmentReplacesSetVariablesOnly)
{
    const String path = GetEnvironmentText(u"PATH");
    ASSERT_FALSE(path.empty());
    const auto s = Make(u"  [%PATH%] %NO_SUCH_VARIABLE_HERE% ");
    EXPECT_EQ(s->ExpandEnvironment(false), u"[" + core::Trim(path) + u"] %NO_SUCH_VARIABLE_HERE%");
    EXPECT_EQ(s->GetText(), u"  [%PATH%] %NO_SUCH_VARIABLE_HERE% ");
}

TEST(Istrings, ExtractExePathFindsTheProgramOfACommandLine)
{
    core::test::TempFile program;
    struct Case {
        String text;
        String result;
        String stored;  // the text after a call with store
    };
    const Case cases[] = {
        // The launcher itself: with store the text stays trimmed and lower-cased.
        {u"  RunDll32.exe shell32.dll,Control_RunDLL", u"rundll32.exe ", u"rundll32.exe shell32.dll,control_rundll"},
        {u"\"" + program.Name() + u"\" /arg", program.Name(), program.Name()},
        {u"  " + program.Name() + u" /arg", program.Name(), program.Name()},
        {u"C:\\Missing\\App.exe /s", u"C:\\Missing\\App.exe", u"C:\\Missing\\App.exe"},
    };
    for (const Case& c : cases) {
        const auto s = Make(c.text);
        EXPECT_TRUE(core::AnsiSameText(s->ExtractExePath(false), c.result)) << core::ToUtf8(c.text);
        EXPECT_EQ(s->GetText(), c.text);
        EXPECT_TRUE(core::AnsiSameText(s->ExtractExePath(true), c.result)) << core::ToUtf8(c.text);
        EXPECT_TRUE(core::AnsiSameText(s->GetText(), c.stored)) << core::ToUtf8(c.text);
    }
}

TEST(Istrings, FilesAndGuids)
{
    core::test::TempFile file;
    const auto s = Make(core::S("first line\nsecond 中 line\n"));
    EXPECT_TRUE(s->IsExistingFile(file.Name()));
    EXPECT_FALSE(s->IsExistingFile(u""));
    s->SaveToFile(file.Name());
    {
        core::FileStream read(file.Name(), core::fmOpenRead | core::fmShareDenyNone);
        EXPECT_EQ(read.ReadToEnd(), "first line\r\nsecond \xd6\xd0 line\r\n");
    }

    const auto loaded = Make(u"unchanged");
    core::test::TempDir dir;
    EXPECT_FALSE(loaded->LoadFromFile(dir.File(u"missing.txt")));
    EXPECT_EQ(loaded->GetText(), u"unchanged");
    EXPECT_TRUE(loaded->LoadFromFile(file.Name()));
    EXPECT_EQ(loaded->GetText(), core::S("first line\r\nsecond 中 line"));
    EXPECT_TRUE(Make(file.Name())->IsExistingFile(u""));
    EXPECT_FALSE(Make(file.Name())->GetShortPath().empty());
    EXPECT_EQ(Make(dir.File(u"missing.txt"))->GetShortPath(), u"");

    EXPECT_TRUE(Make(u"{FB4DCBAF-952D-49B3-B174-82C3672AB582}")->IsGuid());
    EXPECT_FALSE(Make(u"{FB4DCBAF-952D-49B3-B174-82C3672AB58}")->IsGuid());
    EXPECT_FALSE(Make(u"{FB4DCBAF-952D-49B3-B174-82C3672AB58G}")->IsGuid());
}

TEST(Istrings, InterfacesShareOneCountAndJsonParses)
{
    Ref<Istrings4> four = Make(u"{}");
    Ref<Istrings> one = four.Cast<Istrings>();
    Ref<Istrings2> two = four.Cast<Istrings2>();
    ASSERT_TRUE(one && two);
    auto* object = dynamic_cast<strings4*>(four.get());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->RefCount(), 3);
    four = nullptr;
    two = nullptr;
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_EQ(one->GetText(), u"{}");
    const auto json = one.Cast<Istrings3>()->ParseJson();
    ASSERT_NE(json, nullptr);
    EXPECT_EQ(json->GetDataType(), support::stObject);
}

TEST(Istrings, DebugPrintAndWindowsDirDoNotFail)
{
    const auto s = Make(u"x");
    s->DebugPrint(u"test output");
    EXPECT_EQ(s->GetWindowsDir(false), GetEnvironmentText(u"windir"));
    EXPECT_EQ(s->GetText(), u"x");
}

} // namespace
