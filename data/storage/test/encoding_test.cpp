#include "data/storage/encoding.h"

#include "core/codepage.h"
#include "core/exception.h"

#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <functional>

using namespace data;

namespace {

TBytes B(std::string_view s) { return TBytes(s.begin(), s.end()); }

// Host tests pin the ANSI code page to 936, as on the users' machines.
struct AnsiCodePage936 {
    AnsiCodePage936() { core::SetHostAnsiCodePage(936); }
};


const String kChinese = u"\u4E2D\u6587";  // 中文
const std::string kChinese936 = "\xD6\xD0\xCE\xC4";
const std::string kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

} // namespace

TEST(BitConverterAndMarshal, ValuesAtAnyOffset)
{
    EXPECT_EQ(BitConverter::GetBytes(uint16_t(0x1234)), (TBytes{0x34, 0x12}));
    EXPECT_EQ(BitConverter::GetBytes(uint32_t(1)), (TBytes{1, 0, 0, 0}));
    EXPECT_EQ(BitConverter::GetBytes(1.0f), (TBytes{0, 0, 0x80, 0x3F}));
    const TBytes eight = BitConverter::GetBytes(1.5);
    EXPECT_EQ(BitConverter::ToDouble(eight, 0), 1.5);
    EXPECT_EQ(BitConverter::DoubleToInt64Bits(1.5), BitConverter::ToInt64(eight, 0));
    EXPECT_EQ(BitConverter::Int64BitsToDouble(BitConverter::DoubleToInt64Bits(-2.25)), -2.25);
    TBytes shifted(3);
    shifted.insert(shifted.end(), eight.begin(), eight.end());
    EXPECT_EQ(BitConverter::ToDouble(reinterpret_cast<const char*>(shifted.data()), 3), 1.5);

    // Record fields sit at odd offsets.
    void* record = Marshal::AllocHGlobal(40);
    Marshal::WriteInt32(record, 1, -5);
    Marshal::WriteInt64(record, 7, int64_t(1) << 40);
    Marshal::WriteInt64(record, 15, 2.5);
    Marshal::WriteInt16(record, 23, int16_t(-2));
    Marshal::WriteIntPtr(record, 25, record);
    EXPECT_EQ(Marshal::ReadInt32(record, 1), -5);
    EXPECT_EQ(Marshal::ReadInt64(record, 7), int64_t(1) << 40);
    EXPECT_EQ(BitConverter::Int64BitsToDouble(Marshal::ReadInt64(record, 15)), 2.5);
    EXPECT_EQ(Marshal::ReadInt16(record, 23), -2);
    EXPECT_EQ(Marshal::ReadIntPtr(record, 25), record);
    record = Marshal::ReallocHGlobal(record, 64);
    EXPECT_EQ(Marshal::ReadInt32(record, 1), -5);
    Marshal::FreeHGlobal(record);
}

TEST(BitConverterAndMarshal, StringsFromPointers)
{
    const char bytes[] = {'a', 0, 'b', 'c', 0};
    EXPECT_EQ(Marshal::PtrToStringAnsi(bytes, 0), "a");
    EXPECT_EQ(Marshal::PtrToStringAnsi(bytes, 4), std::string("a\0bc", 4));
    const char16_t units[] = u"xy\0z";
    EXPECT_EQ(Marshal::PtrToStringUni(units, 0), u"xy");
    EXPECT_EQ(Marshal::PtrToStringUni(units, 4), String(u"xy\0z", 4));
    const AnsiString ansi = "abc";
    EXPECT_EQ(Marshal::StringToHGlobalAnsi(ansi), ansi.c_str());
    TBytes target(4);
    Marshal::Copy("wxyz", target, 1, 3);
    EXPECT_EQ(target, (TBytes{0, 'w', 'x', 'y'}));
    char out[2] = {};
    Marshal::Copy(target, 2, out, 2);
    EXPECT_EQ(std::string(out, 2), "xy");
}

TEST(Encodings, SharedObjectsAndTheCodePageCache)
{
    AnsiCodePage936 acp;
    EXPECT_EQ(&Encoding::GetEncoding(1200), &Encoding::Unicode());
    EXPECT_EQ(&Encoding::GetEncoding(65001), &Encoding::UTF8());
    EXPECT_EQ(&Encoding::GetEncoding(936), &Encoding::Default());
    Encoding& western = Encoding::GetEncoding(1252);
    EXPECT_EQ(&Encoding::GetEncoding(1252), &western);
    EXPECT_NE(dynamic_cast<CodePageEncoding*>(&western), nullptr);
    EXPECT_EQ(western.CodePage(), 1252u);
}

TEST(Encodings, EachClassConvertsByItsTable)
{
    AnsiCodePage936 acp;
    Encoding& ansi = Encoding::Default();
    Encoding& unicode = Encoding::Unicode();
    Encoding& utf8 = Encoding::UTF8();
    Encoding& western = Encoding::GetEncoding(1252);

    EXPECT_EQ(ansi.GetBytes(kChinese), B(kChinese936));
    EXPECT_EQ(ansi.GetBytes(kChinese936), B(kChinese936));
    EXPECT_EQ(ansi.GetWideString(B(kChinese936)), kChinese);
    EXPECT_EQ(unicode.GetBytes(u"A\u4E2D"), (TBytes{0x41, 0, 0x2D, 0x4E}));
    EXPECT_EQ(unicode.GetBytes(kChinese936), unicode.GetBytes(kChinese));  // ANSI text read as such
    EXPECT_EQ(unicode.GetString(unicode.GetBytes(kChinese)), kChinese936);
    EXPECT_EQ(utf8.GetBytes(kChinese), B(kChineseUtf8));  // no byte-order mark
    EXPECT_EQ(utf8.GetBytes(kChinese936), B(kChineseUtf8));
    EXPECT_EQ(utf8.GetWideString(B(kChineseUtf8)), kChinese);
    EXPECT_EQ(utf8.GetString(B(kChineseUtf8)), kChinese936);
    EXPECT_EQ(western.GetBytes(u"\u00E9"), (TBytes{0xE9}));
    EXPECT_EQ(western.GetWideString(TBytes{0xE9, 0x80}), u"\u00E9\u20AC");
    EXPECT_EQ(western.GetString(TBytes{0x41}), "A");
    EXPECT_TRUE(western.GetBytes(String()).empty());

    // Invalid input is replaced, never raised.
    EXPECT_EQ(utf8.GetWideString(TBytes{0x41, 0xFF}), u"A\uFFFD");
    // An odd last byte is no character.
    EXPECT_EQ(unicode.GetWideString(TBytes{0x41, 0, 0x42, 0, 0x43}), u"AB");

    struct Max { Encoding* e; int n; } maxima[] = {{&ansi, 5}, {&unicode, 10}, {&utf8, 15}, {&western, 5}};
    for (const auto& m : maxima)
        EXPECT_EQ(m.e->GetMaxByteCount(5), m.n);
    EXPECT_EQ(CodePageEncoding(1201).GetMaxByteCount(5), 10);
}

TEST(Encodings, RangedFormsWriteIntoTheArrayAndCheckTheirRanges)
{
    AnsiCodePage936 acp;
    TBytes bytes(6, 0xAA);
    EXPECT_EQ(Encoding::Default().GetBytes(AnsiString("abcd"), 1, 2, bytes, 3), 2);
    EXPECT_EQ(bytes, (TBytes{0xAA, 0xAA, 0xAA, 'b', 'c', 0xAA}));
    EXPECT_EQ(Encoding::Unicode().GetBytes(String(u"xyz"), 1, 2, bytes, 2), 4);
    EXPECT_EQ(bytes, (TBytes{0xAA, 0xAA, 'y', 0, 'z', 0}));
    EXPECT_EQ(Encoding::GetEncoding(1252).GetBytes(String(u"\u00E9t\u00E9"), 0, 3, bytes, 0), 3);
    EXPECT_EQ(bytes[0], 0xE9);
    EXPECT_EQ(Encoding::Default().GetString(TBytes{'a', 'b', 'c'}, 1, 2), "bc");
    EXPECT_EQ(Encoding::Unicode().GetWideString(TBytes{'a', 0, 'b', 0}, 2, 2), u"b");

    struct Case { const char* name; std::function<void()> action; } cases[] = {
        {"ansi source", [&] { Encoding::Default().GetBytes(AnsiString("ab"), 1, 2, bytes, 0); }},
        {"ansi destination", [&] { Encoding::Default().GetBytes(AnsiString("abc"), 0, 3, bytes, 4); }},
        {"unicode destination", [&] { Encoding::Unicode().GetBytes(String(u"abcd"), 0, 4, bytes, 0); }},
        {"negative index", [&] { Encoding::Unicode().GetBytes(String(u"ab"), -1, 1, bytes, 0); }},
        {"string range", [&] { (void)Encoding::Default().GetString(TBytes{1, 2}, 1, 2); }},
        {"utf-8 range", [&] { (void)Encoding::UTF8().GetWideString(TBytes{1, 2}, 3, 1); }},
        {"code page source", [&] { Encoding::GetEncoding(1252).GetBytes(String(u"ab"), 1, 5, bytes, 0); }},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf<core::ERangeError>(c.action), u"Range check error") << c.name;

    // The code page's own conversion keeps the system's error for a destination too small.
    TBytes small(1);
    const String message = ErrorOf<core::EOSError>([&] { Encoding::GetEncoding(1252).GetBytes(String(u"ab"), 0, 2, small, 0); });
    EXPECT_NE(message.find(u"Code: 122."), String::npos) << core::ToUtf8(message);
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { Encoding::UTF8().GetBytes(String(u"a"), 0, 1, small, 0); }).find(u"not implemented"),
              String::npos);
}

TEST(Encodings, AnUnsupportedCodePageRaisesTheSystemError)
{
    Encoding& bogus = Encoding::GetEncoding(12345);
    const String message = ErrorOf<core::EOSError>([&] { (void)bogus.GetWideString(TBytes{0x41}); });
    EXPECT_NE(message.find(u"Code: 87."), String::npos) << core::ToUtf8(message);
}

TEST(Encodings, ConvertCopiesWithinOneEncodingAndRecodesBetweenTwo)
{
    AnsiCodePage936 acp;
    const TBytes source = B(kChineseUtf8);
    EXPECT_EQ(Encoding::Convert(Encoding::UTF8(), Encoding::UTF8(), source, 1, 2), (TBytes{0xB8, 0xAD}));
    EXPECT_EQ(Encoding::Convert(Encoding::UTF8(), Encoding::Default(), source), B(kChinese936));
    EXPECT_EQ(Encoding::Convert(Encoding::Default(), Encoding::Unicode(), B(kChinese936)),
              Encoding::Unicode().GetBytes(kChinese));
}

TEST(Encodings, CompleteByteCountKeepsCharactersWhole)
{
    const TBytes utf8 = B("a" + kChineseUtf8);
    struct Case { Encoding* e; TBytes bytes; int whole; } cases[] = {
        {&Encoding::UTF8(), utf8, 7},
        {&Encoding::UTF8(), TBytes(utf8.begin(), utf8.begin() + 3), 1},
        {&Encoding::UTF8(), TBytes(utf8.begin(), utf8.begin() + 5), 4},
        {&Encoding::Unicode(), TBytes{1, 0, 2}, 2},
        {&Encoding::GetEncoding(1252), TBytes{0xD6, 0xD0, 0xCE}, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.e->CompleteByteCount(c.bytes.data(), int(c.bytes.size())), c.whole);
    AnsiCodePage936 acp;
    // "a", then a two-byte character, then the lead byte of another.
    const TBytes gbk{'a', 0xD6, 0xD0, 0xCE};
    EXPECT_EQ(Encoding::Default().CompleteByteCount(gbk.data(), 4), 3);
    EXPECT_EQ(Encoding::Default().CompleteByteCount(gbk.data(), 3), 3);
}

TEST(WideStringBuilder, GrowsByHalfTheCapacity)
{
    WideStringBuilder b(4);
    b.Append(u"0123456789");
    EXPECT_EQ(b.Capacity(), 12);  // 10 + 0 + 4 div 2
    b.Append(u'x');
    EXPECT_EQ(b.Capacity(), 12);
    b.Append(u'y');
    EXPECT_EQ(b.Capacity(), 12);
    b.Append(u'z');  // full: 12 + 6 + 1
    EXPECT_EQ(b.Capacity(), 19);
    EXPECT_EQ(b.ToString(), u"0123456789xyz");
    b.Append(u'-', 3).Append(u"abcdef", 2, 3);
    EXPECT_EQ(b.ToString(), u"0123456789xyz---cde");
    WideStringBuilder other(u"!", 1);
    b.Append(&other).Append(static_cast<const WideStringBuilder*>(nullptr));
    EXPECT_EQ(b.ToString(), u"0123456789xyz---cde!");

    WideStringBuilder empty(0);
    empty.Insert(0, u"ab");
    EXPECT_EQ(empty.ToString(), u"ab");
    empty.Insert(1, u"XY");
    EXPECT_EQ(empty.ToString(), u"aXYb");

    WideStringBuilder length(u"abc", 4);
    length.SetLength(1);
    EXPECT_EQ(length.ToString(), u"a");
    length.SetLength(3);
    EXPECT_EQ(length.ToString(), u"abc");  // the old characters come back
    length.SetLength(6);
    EXPECT_EQ(length.ToString(), String(u"abc\0\0\0", 6));
    EXPECT_EQ(length.Capacity(), 11);  // v + length in use + capacity div 2 = 6 + 3 + 2
}

TEST(WideStringBuilder, ReplaceNeverMatchesWhatItInserted)
{
    struct Case { const char16_t* text; const char16_t* from; const char16_t* to; const char16_t* result; } cases[] = {
        {u"aaa", u"a", u"aa", u"aaaaaa"},
        {u"abcab", u"ab", u"", u"c"},
        {u"abc", u"", u"x", u"abc"},
        {u"abc", u"d", u"x", u"abc"},
        {u"a.b.c", u".", u"::", u"a::b::c"},
    };
    for (const auto& c : cases) {
        WideStringBuilder b(c.text, 2);
        b.Replace(c.from, c.to);
        EXPECT_EQ(b.ToString(), c.result) << core::ToUtf8(c.text);
        EXPECT_EQ(b.Length(), int(String(c.result).size()));
    }
}
