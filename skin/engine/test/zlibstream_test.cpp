// The inflate layer: error texts, reads, positions, seeks and what is given back to the source.
#include "skin/engine/testwriters/writers.h"
#include "skin/engine/zlibstream.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

using skin::testing::Deflate;

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    uint32_t seed = 7;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = char(i % 7 == 0 ? seed >> 16 : 'a' + i % 13);
    }
    return s;
}

std::string ReadAll(core::Stream& s)
{
    std::string out;
    char buf[1000];
    for (int64_t n; (n = s.Read(buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    return out;
}

TEST(ZLibLayer, ErrorTextsAndChecks)
{
    struct Case {
        int code;
        const char16_t* text;
    } cases[] = {{2, u"need dictionary"}, {1, u"stream end"},  {0, u"ok"},          {-1, u"file error"},
                 {-2, u"stream error"},   {-3, u"data error"}, {-4, u"insufficient memory"},
                 {-5, u"buffer error"},   {-6, u"incompatible version"}, {-7, u""}};
    for (const Case& c : cases) {
        EXPECT_EQ(ZLibErrorText(c.code), c.text);
        EXPECT_EQ(MakeZLibError(c.code).ErrorCode(), c.code);
    }
    EXPECT_EQ(ZErrorCode(zeDataError), -3);
    EXPECT_EQ(CheckInflateResult(1), 1);
    try {
        CheckInflateResult(-3);
        FAIL();
    } catch (const core::EZDecompressionError& e) {
        EXPECT_EQ(e.Message(), u"data error");
        EXPECT_EQ(e.ErrorCode(), -3);
    }
}

TEST(ZDecompressionStream, SourceIsLeftRightAfterTheStreamWhateverWasReadAhead)
{
    for (size_t size : {size_t(0), size_t(10), size_t(300000)}) {
        const std::string content = Pattern(size);
        core::StringStream source("head" + Deflate(content, 1) + "TAIL");
        source.Seek(4, core::soBeginning);
        TZDecompressionStream z(source);
        int refills = 0;
        z.OnProgress = [&](TZDecompressionStream&) { ++refills; };
        char nothing;
        EXPECT_EQ(z.Read(&nothing, 0), 0);
        EXPECT_EQ(ReadAll(z), content);
        EXPECT_EQ(z.Position(), int64_t(size));
        EXPECT_EQ(source.ReadString(4), "TAIL");
        source.Seek(0, core::soBeginning); // moved by someone else
        EXPECT_EQ(z.Read(&nothing, 1), 0);
        EXPECT_EQ(source.ReadString(4), "TAIL");
        EXPECT_GE(refills, 1);
    }
}

TEST(ZDecompressionStream, SeeksForwardRewindAndRefuse)
{
    const std::string content = Pattern(50000);
    core::StringStream source("xx" + Deflate(content));
    source.Seek(2, core::soBeginning);
    TZDecompressionStream z(source);
    char buf[10];
    z.Seek(100, core::soBeginning);
    z.ReadBuffer(buf, 10);
    EXPECT_EQ(std::string(buf, 10), content.substr(100, 10));
    EXPECT_EQ(z.Seek(5, core::soCurrent), 115);
    for (auto [offset, origin] : {std::pair{int64_t(115), core::soBeginning}, {int64_t(3), core::soBeginning},
                                  {int64_t(-1), core::soCurrent}, {int64_t(1), core::soEnd}}) {
        try {
            z.Seek(offset, origin);
            FAIL() << offset;
        } catch (const core::EZDecompressionError& e) {
            EXPECT_EQ(e.Message(), u"Invalid ZStream operation!");
        }
    }
    EXPECT_THROW(z.Write(buf, 1), core::EZDecompressionError);
    // The rewind starts again where the stream began in the source, not at the source's start.
    EXPECT_EQ(z.Seek(0, core::soBeginning), 0);
    z.ReadBuffer(buf, 10);
    EXPECT_EQ(std::string(buf, 10), content.substr(0, 10));
    EXPECT_EQ(z.Seek(0, core::soEnd), int64_t(content.size()));
    EXPECT_THROW(z.Seek(int64_t(content.size()) + 5, core::soBeginning), core::EReadError);
}

TEST(ZDecompressionStream, DamagedCutAndDictionaryStreams)
{
    std::string bad = Deflate(Pattern(1000));
    bad[bad.size() - 1] = char(bad.back() ^ 1); // wrong Adler-32
    core::StringStream badSource(bad);
    TZDecompressionStream z(badSource);
    try {
        ReadAll(z);
        FAIL();
    } catch (const core::EZDecompressionError& e) {
        EXPECT_EQ(e.Message(), u"data error");
        EXPECT_EQ(e.ErrorCode(), -3);
    }
    const std::string whole = Deflate(Pattern(5000));
    core::StringStream cut(whole.substr(0, whole.size() / 2));
    TZDecompressionStream partial(cut);
    EXPECT_LT(ReadAll(partial).size(), 5000u);
    char buf[8];
    EXPECT_THROW(partial.ReadBuffer(buf, 8), core::EReadError);
    // A stream that asks for a preset dictionary.
    z_stream d{};
    deflateInit(&d, 6);
    const char dict[] = "dictionary";
    deflateSetDictionary(&d, reinterpret_cast<const Bytef*>(dict), sizeof dict);
    std::string input = "dictionary dictionary", packed(200, '\0');
    d.next_in = reinterpret_cast<Bytef*>(input.data());
    d.avail_in = uInt(input.size());
    d.next_out = reinterpret_cast<Bytef*>(packed.data());
    d.avail_out = uInt(packed.size());
    deflate(&d, Z_FINISH);
    packed.resize(d.total_out);
    deflateEnd(&d);
    core::StringStream dictSource(packed);
    TZDecompressionStream needs(dictSource);
    try {
        ReadAll(needs);
        FAIL();
    } catch (const core::EZDecompressionError& e) {
        EXPECT_EQ(e.Message(), u"need dictionary");
        EXPECT_EQ(e.ErrorCode(), 2);
    }
}

} // namespace
} // namespace skin
