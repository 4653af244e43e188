#include "data/storage/memutils.h"

#include "core/exception.h"

#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace data;
using core::Variant;

TEST(MemUtilsBuffers, CopyFillAndZeroTerminatedWideText)
{
    char buffer[8] = "abcdef";
    CopyBuffer(buffer, buffer + 2, 4);  // overlapping
    EXPECT_STREQ(buffer, "ababcd");
    FillBuffer(buffer, 3, 'x');
    EXPECT_STREQ(buffer, "xxxbcd");
    CopyFromAnsiString("12", buffer, 2);
    EXPECT_STREQ(buffer, "12xbcd");

    Char wide[8] = {};
    WideCopyZ(wide, u"hello");
    EXPECT_EQ(WideLengthZ(wide), 5);
    WideCopyZMax(wide, u"world", 3);
    EXPECT_EQ(String(wide), u"wor");
    CopyFromWideString(u"ab", wide, 4);
    EXPECT_EQ(String(wide), u"abr");
}

TEST(MemUtilsBuffers, TrimmingStopsAtTheFirstOtherCharacterOrTheStart)
{
    struct Case { std::string text; int len; std::string kept; } cases[] = {
        {"ab  ", -1, "ab"},
        {"    ", -1, ""},
        {"a b ", 4, "a b"},
        {std::string("ab\0 ", 4), 4, "ab"},
        {"ab  ", 3, "ab"},  // only the first Len characters are looked at
    };
    for (const auto& c : cases) {
        // A guard byte before the text shows that nothing before its start is touched.
        std::string memory = "#" + c.text + std::string(1, '\0');
        TrimTrailingBlanksA(memory.data() + 1, c.len);
        EXPECT_EQ(memory[0], '#');
        EXPECT_EQ(std::string(memory.c_str() + 1), c.kept);
    }
    Char wide[] = u"#x \0 ";
    TrimTrailingBlanksW(wide + 1, 4);
    EXPECT_EQ(wide[0], u'#');
    EXPECT_EQ(String(wide + 1), u"x");
}

TEST(MemUtilsText, QuotingAndNames)
{
    EXPECT_EQ(StrQuote(u"it's", u'\''), u"'it''s'");
    EXPECT_EQ(StrDequote(u"'it''s'", u'\''), u"it's");
    EXPECT_EQ(StrDequote(u"plain", u'\''), u"plain");
    EXPECT_EQ(StrDequote(u"'", u'\''), u"'");
    EXPECT_TRUE(StrSameNoCase(u"Field", u"FIELD"));
    EXPECT_FALSE(StrSameNoCase(u"Field", u"Fields"));
    EXPECT_EQ(StrToUpper(u"abc"), u"ABC");
    EXPECT_EQ(VarToText(Variant::Null()), u"");
    EXPECT_EQ(VarToText(Variant(12)), u"12");
    EXPECT_EQ(FormatText(u"Field %s not found", {u"ID"}), u"Field ID not found");
    core::Object plain;
    EXPECT_TRUE(IsClassOf<core::Object>(&plain));
    EXPECT_FALSE(IsClassOf<core::Object>(nullptr));
    EXPECT_TRUE(IsClassByName(&plain, plain.ClassName()));
    EXPECT_FALSE(IsClassByName(nullptr, u"Object"));
}

TEST(MemUtilsLocale, CaseAndLengthRules)
{
    EXPECT_EQ(LocaleCompareTextW(u"abc", u"ABC"), 0);
    EXPECT_NE(LocaleCompareW(u"abc", u"ABC"), 0);
    EXPECT_EQ(LocaleCompareW(u"abc", u"abd"), -1);
    EXPECT_EQ(LocaleCompareW(u"abd", u"abc"), 1);
    EXPECT_EQ(LocaleCompareW(String(u"ab\0x", 4), u"ab"), 0);  // up to the first zero
    EXPECT_EQ(LocaleCompareLenW(u"abcX", u"abcY", 3), 0);
    EXPECT_EQ(LocaleCompareTextLenW(u"ABcX", u"abCY", 3), 0);
    EXPECT_EQ(LocaleCompareA("abc", "abd"), -1);
    EXPECT_EQ(LocaleCompareTextA("abc", "ABC"), 0);
    EXPECT_EQ(LocaleCompareZ("b", "a"), 1);
    EXPECT_EQ(LocaleCompareTextZ("B", "b"), 0);
    EXPECT_EQ(LocaleCompareW(u"a", u"B"), -1);  // letters before case
}

TEST(MemUtilsVariants, VarEqualRules)
{
    const Variant empty_text(u"");
    struct Case { Variant a; Variant b; bool equal; } cases[] = {
        {empty_text, Variant::Null(), false},
        {Variant::Null(), Variant::Null(), true},
        {empty_text, Variant(u""), true},
        {Variant(0), empty_text, false},
        {empty_text, Variant(0), false},
        {Variant(u"Abc"), Variant::FromAnsiString(u"Abc"), true},
        {Variant(u"Abc"), Variant(u"abc"), false},
        {Variant(1), Variant(1.0), true},
        {Variant(Variant::Bytes{1, 2}), Variant(Variant::Bytes{1, 2}), true},
        {Variant(Variant::Bytes{1, 2}), Variant(Variant::Bytes{1, 2, 3}), false},
        {Variant(Variant::Bytes{}), Variant(Variant::Bytes{}), true},
        {Variant(Variant::Bytes{1}), Variant(1), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VarEqual(c.a, c.b), c.equal) << core::ToUtf8(core::VarToStr(c.a)) << " vs " << core::ToUtf8(core::VarToStr(c.b));
}

TEST(MemUtilsTimeStamps, ConversionAndTheInvalidStampMessage)
{
    EXPECT_EQ(StampToDateTime({43200000, 693594}), 0.5);
    EXPECT_EQ(StampToDateTime({43200000, 693593}), -1.5);
    EXPECT_EQ(StampToDateTime({0, 1}), 1 - 693594.0);
    // A whole day of milliseconds passes this check.
    EXPECT_EQ(StampToDateTime({86400000, 693594}), 1.0);
    EXPECT_EQ(ErrorOf<core::EConvertError>([] { StampToDateTime({0, 0}); }), u"'0.0' is not a valid timestamp");
    EXPECT_EQ(ErrorOf<core::EConvertError>([] { CheckTimeStamp({-1, 5}); }), u"'5.-1' is not a valid timestamp");
}

TEST(MemUtilsCompression, RoundTripAndTooSmallTargets)
{
    EXPECT_NO_THROW(CheckCompressorLinked());
    std::vector<uint8_t> zeros(1000, 0), packed(1232);
    int packed_len = int(packed.size());
    EXPECT_EQ(CompressBlock(packed.data(), packed_len, zeros.data(), int(zeros.size())), 1);
    EXPECT_GT(packed_len, 0);
    EXPECT_LT(packed_len, 100);

    std::vector<uint8_t> back(2000, 0xAA);
    int back_len = int(back.size());
    EXPECT_EQ(UncompressBlock(back.data(), back_len, packed.data(), packed_len), 1);
    EXPECT_EQ(back_len, 1000);  // the bytes produced, not the room given
    EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), back.begin()));

    std::mt19937 random(7);
    std::vector<uint8_t> noise(4000);
    for (auto& b : noise)
        b = uint8_t(random());
    std::vector<uint8_t> half(2000);
    int half_len = int(half.size());
    try {
        ZCompressBlock(half.data(), half_len, noise.data(), int(noise.size()));
        ADD_FAILURE();
    } catch (const core::EZLibError& error) {
        EXPECT_EQ(error.Message(), u"ZLib error: target buffer may be too small");
    }
    EXPECT_EQ(half_len, 2000);

    // Too little room for the inflated bytes, and bytes that are no stream.
    std::vector<uint8_t> tiny(10);
    int tiny_len = int(tiny.size());
    EXPECT_THROW(ZUncompressBlock(tiny.data(), tiny_len, packed.data(), packed_len), core::EZLibError);
    tiny_len = int(tiny.size());
    EXPECT_EQ(ErrorOf<core::EZDecompressionError>([&] { ZUncompressBlock(tiny.data(), tiny_len, noise.data(), 100); }), u"Error");
}

TEST(MemUtilsCompression, UnlinkedProceduresAreReported)
{
    const CompressionProc saved_compress = CompressProc, saved_uncompress = UncompressProc;
    CompressProc = nullptr;
    EXPECT_EQ(ErrorOf<core::Exception>([] { CheckCompressorLinked(); }), u"Compressor function is not linked");
    int len = 0;
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { CompressBlock(nullptr, len, nullptr, 0); }).find(u"Compressor function is not linked"),
              String::npos);
    CompressProc = saved_compress;
    UncompressProc = nullptr;
    EXPECT_EQ(ErrorOf<core::Exception>([] { CheckCompressorLinked(); }), u"Uncompressor function is not linked");
    UncompressProc = saved_uncompress;
    EXPECT_FALSE(IsWin9x());
}
