// The PNG reader over images made by the test writers: every colour type and depth, filters,
// interlacing, chunk orders and each failure.
#include "skin/engine/png.h"
#include "skin/engine/testwriters/writers.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

using skin::testing::EncodePng;
using skin::testing::PackSamples;
using skin::testing::PngChunk;
using skin::testing::PngImage;

struct Decoded {
    PixelBufferTarget target;
    TPNGReader reader;
};

std::unique_ptr<Decoded> Decode(const std::string& bytes)
{
    auto d = std::make_unique<Decoded>();
    core::StringStream stream(bytes);
    d->reader.Load(stream, d->target);
    return d;
}

int Channels(int type) { return type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1; }

// An image whose samples follow a pattern; sample(x, y, c) gives each value.
PngImage MakeImage(int type, int depth, int w, int h, int filter, bool interlaced)
{
    PngImage image;
    image.width = w;
    image.height = h;
    image.colorType = type;
    image.bitDepth = depth;
    image.filter = filter;
    image.interlaced = interlaced;
    const int max = (1 << depth) - 1;
    for (int y = 0; y < h; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < Channels(type); ++c)
                samples.push_back((x * 37 + y * 91 + c * 53 + x * y * 7) % (max + 1));
        image.rows.push_back(PackSamples(samples, depth));
    }
    if (type == 3)
        for (int i = 0; i <= max; ++i)
            image.palette += std::string{char(i), char(255 - i), char(i * 3)};
    return image;
}

uint32_t Expected(int type, int depth, int x, int y)
{
    const int max = (1 << depth) - 1;
    auto s = [&](int c) { return uint32_t((x * 37 + y * 91 + c * 53 + x * y * 7) % (max + 1)); };
    auto to8 = [&](uint32_t v) { return depth == 16 ? v * 255 / 65535 : v; };
    switch (type) {
    case 0:
    case 3:
        return depth == 2 ? s(0) * 5 : to8(s(0));
    case 4:
        return to8(s(0));
    case 2:
        return to8(s(0)) | to8(s(1)) << 8 | to8(s(2)) << 16;
    default:
        return to8(s(0)) | to8(s(1)) << 8 | to8(s(2)) << 16 | to8(s(3)) << 24;
    }
}

TEST(PngReader, RoundTripsOfEveryTypeAndDepth)
{
    struct Case {
        int type, depth;
        ui::PixelFormat format;
    } cases[] = {
        {0, 1, ui::pf1bit}, {0, 2, ui::pf4bit}, {0, 4, ui::pf4bit}, {0, 8, ui::pf8bit}, {0, 16, ui::pf8bit},
        {2, 8, ui::pf24bit}, {2, 16, ui::pf24bit}, {3, 1, ui::pf1bit}, {3, 2, ui::pf4bit}, {3, 4, ui::pf4bit},
        {3, 8, ui::pf8bit}, {4, 8, ui::pf8bit}, {4, 16, ui::pf8bit}, {6, 8, ui::pf32bit}, {6, 16, ui::pf32bit},
    };
    for (const Case& c : cases)
        for (int filter : {0, 1, 2, 3, 4, -1})
            for (bool interlaced : {false, true}) {
                const int w = 13, h = 11;
                auto d = Decode(EncodePng(MakeImage(c.type, c.depth, w, h, filter, interlaced), 50));
                const ui::PixelView v = d->target.Buffer.View();
                ASSERT_EQ(v.Format(), c.format) << c.type << "/" << c.depth;
                ASSERT_EQ(v.Width(), w);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        ASSERT_EQ(v.ReadPixel(x, y), Expected(c.type, c.depth, x, y))
                            << "type " << c.type << " depth " << c.depth << " filter " << filter << " interlaced "
                            << interlaced << " at " << x << "," << y;
                if (c.type == 3 && c.depth == 2) {
                    ASSERT_EQ(d->target.Palette.size(), 16u);
                    EXPECT_EQ(d->target.Palette[5], 0x03FE01u); // old entry 1: red 1, green 254, blue 3
                }
                if (c.type == 0 && c.depth == 2) {
                    EXPECT_EQ(d->target.Palette[15], 0xFFFFFFu);
                }
            }
}

TEST(PngReader, LargeImagesAcrossManyChunksAndInflateBlocks)
{
    for (bool interlaced : {false, true}) {
        auto d = Decode(EncodePng(MakeImage(6, 8, 300, 260, -1, interlaced), 4096));
        const ui::PixelView v = d->target.Buffer.View();
        for (int y = 0; y < 260; y += 7)
            for (int x = 0; x < 300; x += 3)
                ASSERT_EQ(v.ReadPixel(x, y), Expected(6, 8, x, y)) << interlaced << " at " << x << "," << y;
    }
}

TEST(PngReader, RowsWiderThanHalfAnInflateBlock)
{
    // Rows of about 200,000 bytes against blocks of 256 KiB: rows lie inside a block, straddle two, or
    // straddle one after another, and each filter needs the row above from wherever it was made.
    struct Case {
        int type, width, filter;
    } cases[] = {{6, 50000, -1}, {6, 50000, 2}, {6, 50000, 4}, {2, 65000, -1}, {6, 60000, 0}, {6, 60000, 3}};
    for (const Case& c : cases) {
        const int h = 7;
        auto d = Decode(EncodePng(MakeImage(c.type, 8, c.width, h, c.filter, false), 1 << 16));
        const ui::PixelView v = d->target.Buffer.View();
        ASSERT_EQ(v.Width(), c.width);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(v.ReadPixel(x, y), Expected(c.type, 8, x, y))
                    << "type " << c.type << " filter " << c.filter << " at " << x << "," << y;
    }
}

TEST(PngReader, SixteenBitSamplesScaleDown)
{
    PngImage image;
    image.width = image.height = 2;
    image.colorType = 6;
    image.bitDepth = 16;
    for (int y = 0; y < 2; ++y)
        image.rows.push_back(PackSamples({0xFF00, 0, 0xFFFF, 0x8000, 0xFF00, 0, 0xFFFF, 0x8000}, 16));
    auto d = Decode(EncodePng(image));
    EXPECT_EQ(d->target.Buffer.View().ReadPixel(1, 1), 0x7FFF00FEu);
}

TEST(PngReader, GammaBackgroundAndTransparency)
{
    PngImage image = MakeImage(2, 8, 4, 3, 0, false);
    image.gamma = 45455; // with the display's 2.2: the identity
    image.background = std::string("\0\x10\0\x20\0\x30", 6);
    image.transparency = std::string("\0\x01\0\x02\0\x03", 6);
    auto d = Decode(EncodePng(image));
    EXPECT_EQ(d->target.Buffer.View().ReadPixel(3, 2), Expected(2, 8, 3, 2));
    EXPECT_EQ(d->reader.BackgroundColor(), 0x302010u);
    EXPECT_EQ(d->target.TransparentColor, 0x030201u);
    EXPECT_TRUE(d->reader.ImageProperties().Options & ioUseGamma);
    EXPECT_FLOAT_EQ(d->reader.ImageProperties().FileGamma, 0.45455f);

    PngImage grey = MakeImage(0, 8, 2, 2, 0, false);
    grey.background = std::string("\0\x40", 2);
    grey.gamma = 100000; // 1 / 2.2 applied to the palette
    auto g = Decode(EncodePng(grey));
    EXPECT_EQ(g->reader.BackgroundColor(), 0x404040u); // equal channels
    EXPECT_EQ(g->target.Palette[128], 0xBABABAu);

    PngImage indexed = MakeImage(3, 8, 2, 2, 0, false);
    indexed.transparency = "\x01\x02\x03";
    auto i = Decode(EncodePng(indexed));
    ASSERT_EQ(i->reader.Transparency().size(), 256u);
    EXPECT_EQ(i->reader.Transparency()[2], 3);
    EXPECT_EQ(i->reader.Transparency()[3], 255);
    indexed.transparency = std::string(300, '\x07');
    EXPECT_EQ(Decode(EncodePng(indexed))->reader.Transparency()[255], 7);
}

// The image bytes with a chunk put before IEND (or after the IDAT chunks).
std::string WithChunkBeforeEnd(const std::string& png, const std::string& chunk)
{
    return png.substr(0, png.size() - 12) + chunk + png.substr(png.size() - 12);
}

TEST(PngReader, ChunkOrdersAndTolerance)
{
    PngImage image = MakeImage(6, 8, 5, 4, 4, false);
    const std::string plain = EncodePng(image, 7);
    // Ancillary chunks anywhere, types in any letter case, are passed over.
    std::string text = plain;
    text.insert(33, PngChunk("tEXt", "Comment\0x"));
    auto d = Decode(text);
    EXPECT_EQ(d->target.Buffer.View().ReadPixel(4, 3), Expected(6, 8, 4, 3));
    Decode(WithChunkBeforeEnd(plain, PngChunk("bKGD", std::string(6, '\0'))));
    // The image data running out early: the rows not covered keep the background.
    const std::string data = skin::testing::PngImageData(image);
    std::string cut = plain.substr(0, 33) + PngChunk("IDAT", data.substr(0, data.size() / 3)) + PngChunk("IEND", "");
    auto partial = Decode(cut);
    EXPECT_EQ(partial->target.Buffer.View().ReadPixel(4, 3), 0x00FFFFFFu);
    EXPECT_TRUE(TPNGReader::CanLoad(*std::make_unique<core::StringStream>(plain)));
}

TEST(PngReader, Failures)
{
    PngImage image = MakeImage(6, 8, 4, 4, 0, false);
    const std::string good = EncodePng(image);
    std::string badCrc = good;
    badCrc[30] = char(badCrc[30] ^ 1); // a byte of IHDR's CRC
    std::string widthZero = good;
    widthZero[16] = widthZero[17] = widthZero[18] = widthZero[19] = 0;
    std::string badType = good;
    badType[25] = 5; // colour type 5
    const std::string ihdr = good.substr(8, 25);
    std::string compression = good;
    compression[26] = 1;
    const std::string data = skin::testing::PngImageData(image);
    std::string corrupt = data;
    corrupt[2] = char(0xFF); // a reserved block type
    std::string extra = data + "extra";
    std::string sig = good.substr(0, 8);
    auto fix = [](std::string png, size_t chunkStart) {
        // Recomputes the CRC of the chunk at chunkStart after a test changed its data.
        const uint32_t length = uint32_t(uint8_t(png[chunkStart])) << 24 | uint32_t(uint8_t(png[chunkStart + 1])) << 16 |
                                uint32_t(uint8_t(png[chunkStart + 2])) << 8 | uint8_t(png[chunkStart + 3]);
        const uint32_t crc = skin::testing::Crc32(png.substr(chunkStart + 4, 4 + length));
        for (int i = 0; i < 4; ++i)
            png[chunkStart + 8 + length + size_t(i)] = char(crc >> (24 - 8 * i));
        return png;
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char16_t* message;
    } cases[] = {
        {"no signature", "\x89PNH" + good.substr(4), u"Cannot load image. Invalid or unexpected PNG image format."},
        {"first chunk not IHDR", sig + PngChunk("IDAT", ""), u"Cannot load image. Invalid or unexpected PNG image format."},
        {"width 0", fix(widthZero, 8), u"Cannot load image. Invalid or unexpected PNG image format."},
        {"too many pixels", fix(sig + PngChunk("IHDR", std::string("\0\0\x20\0\0\0\x20\x01\x08\x06\0\0\0", 13)), 8) + PngChunk("IEND", ""),
         u"Cannot load image. Invalid or unexpected PNG image format."},
        {"CRC", badCrc, u"Cannot load image. CRC error found in PNG file."},
        {"compression", fix(compression, 8), u"Cannot load image. The compression scheme is not supported for PNG files."},
        {"colour type", fix(badType, 8), u"Invalid color format in PNG file."},
        {"palette length", sig + ihdr + PngChunk("PLTE", "ab") + PngChunk("IEND", ""),
         u"Cannot load image. Palette in PNG file is invalid."},
        {"damaged data", sig + ihdr + PngChunk("IDAT", corrupt) + PngChunk("IEND", ""),
         u"Cannot load image. Compression error found in PNG file."},
        {"data after the stream", sig + ihdr + PngChunk("IDAT", extra) + PngChunk("IEND", ""),
         u"Cannot load image. Extra compressed data found in PNG file."},
        {"critical chunk", sig + ihdr + PngChunk("ZZZZ", "") + PngChunk("IEND", ""),
         u"Cannot load PNG image. Unexpected but critical chunk detected."},
        {"PLTE after the data", WithChunkBeforeEnd(good, PngChunk("PLTE", "abc")),
         u"Cannot load PNG image. Unexpected but critical chunk detected."},
        {"no IEND", good.substr(0, good.size() - 12), u"Stream read error"},
        {"cut chunk", good.substr(0, 40), u"Stream read error"},
    };
    for (const Case& c : cases) {
        try {
            Decode(c.bytes);
            FAIL() << c.name;
        } catch (const core::Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
        }
    }
    // Exactly 8 bytes left, even the signature itself, cannot be loaded.
    core::StringStream eight(sig);
    EXPECT_FALSE(TPNGReader::CanLoad(eight));
    EXPECT_EQ(eight.Position(), 0);
}

TEST(PngReader, ProgressEvents)
{
    for (bool interlaced : {false, true}) {
        TPNGReader reader;
        PixelBufferTarget target;
        std::vector<int> running;
        std::vector<std::u16string> texts;
        ui::PixelRect last;
        reader.OnProgress = [&](TProgressStage stage, int percent, const std::u16string& text, const ui::PixelRect& r) {
            if (stage == psRunning) {
                running.push_back(percent);
                last = r;
            } else if (!text.empty()) {
                texts.push_back(text);
            }
        };
        core::StringStream s(EncodePng(MakeImage(6, 8, 9, 8, 0, interlaced)));
        reader.Load(s, target);
        EXPECT_EQ(texts, (std::vector<std::u16string>{u"Preparing...", u"Transfering..."}));
        // In order: every row; interlaced: the rows of the last pass only.
        ASSERT_EQ(running.size(), interlaced ? 4u : 8u);
        EXPECT_EQ(running.back(), interlaced ? 100 : 87);
        EXPECT_EQ(last.top, int(running.size()) - 1);
        EXPECT_EQ(last.right, 9);
    }
}

TEST(PngReader, SecondLoadStartsFresh)
{
    PngImage first = MakeImage(2, 8, 3, 3, 0, false);
    first.gamma = 100000;
    PngImage second = MakeImage(2, 8, 3, 3, 0, false);
    TPNGReader reader;
    PixelBufferTarget a, b;
    core::StringStream s1(EncodePng(first)), s2(EncodePng(second));
    reader.Load(s1, a);
    reader.Load(s2, b);
    EXPECT_EQ(b.Buffer.View().ReadPixel(1, 1), Expected(2, 8, 1, 1));
}

TEST(PngReader, CrcOfKnownMessages)
{
    struct Case {
        std::string message;
        uint32_t crc;
    };
    const Case cases[] = {
        {"", 0x00000000},
        {"a", 0xE8B7BE43},
        {"123456789", 0xCBF43926},
        {"IEND", 0xAE426082},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
        {std::string(64, '\0'), 0x758D6336},
        {std::string(100, 'x'), 0x5E0E5D8F},
        {std::string(4096, char(0xFF)), 0xF154670A},
    };
    for (const Case& c : cases) {
        const auto* p = reinterpret_cast<const uint8_t*>(c.message.data());
        EXPECT_EQ(PngCrc(0, p, c.message.size()), c.crc) << c.message.size() << " bytes";
        EXPECT_EQ(PngCrcByTable(0, p, c.message.size()), c.crc) << c.message.size() << " bytes";
    }
}

TEST(PngReader, CrcOfEveryLengthOffsetAndSplit)
{
    // Bytes of a simple generator, checked against the compression library's CRC: every length up to
    // a few folding steps past the long-run threshold, at every offset within 16 bytes, whole and
    // continued from a first part.
    std::vector<uint8_t> bytes(1 << 20);
    uint32_t state = 12345;
    for (uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = uint8_t(state >> 24);
    }
    for (size_t offset = 0; offset < 16; ++offset)
        for (size_t length = 0; length <= 300; ++length) {
            const uint8_t* p = bytes.data() + offset;
            const uint32_t expected = uint32_t(crc32(0, p, uInt(length)));
            ASSERT_EQ(PngCrc(0, p, length), expected) << offset << " " << length;
            ASSERT_EQ(PngCrcByTable(0, p, length), expected) << offset << " " << length;
            const size_t split = length / 3;
            ASSERT_EQ(PngCrc(PngCrc(0, p, split), p + split, length - split), expected) << offset << " " << length;
        }
    const uint32_t whole = uint32_t(crc32(0, bytes.data(), uInt(bytes.size())));
    EXPECT_EQ(PngCrc(0, bytes.data(), bytes.size()), whole);
    EXPECT_EQ(PngCrcByTable(0, bytes.data(), bytes.size()), whole);
}

TEST(PngReader, CrcErrorInALongImageDataChunk)
{
    // A changed byte deep inside a large IDAT chunk (checked by the long-run path) fails the load.
    const std::string good = EncodePng(MakeImage(6, 8, 64, 64, 0, false));
    const size_t idat = good.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const uint32_t length = uint32_t(uint8_t(good[idat - 4])) << 24 | uint32_t(uint8_t(good[idat - 3])) << 16 |
                            uint32_t(uint8_t(good[idat - 2])) << 8 | uint8_t(good[idat - 1]);
    ASSERT_GT(length, 200u);
    for (size_t at : {size_t(4), size_t(length / 2), size_t(length - 1), size_t(length + 3)}) {
        std::string bad = good;
        bad[idat + 4 + at] = char(bad[idat + 4 + at] ^ 0x10);
        try {
            Decode(bad);
            ADD_FAILURE() << "byte " << at << " changed but loaded";
        } catch (const ui::EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), u"Cannot load image. CRC error found in PNG file.") << at;
        }
    }
    EXPECT_NO_THROW(Decode(good));
}

TEST(PngReader, ClearTransparentWhite)
{
    ui::PixelBuffer b(2, 2, ui::pf32bit);
    b.View().Fill(b.View().Bounds(), 0x00FFFFFF);
    b.View().WritePixel(1, 1, 0x01FFFFFF);
    ClearTransparentWhite(b.View());
    EXPECT_EQ(b.View().ReadPixel(0, 0), 0u);
    EXPECT_EQ(b.View().ReadPixel(1, 1), 0x01FFFFFFu);
}

} // namespace
} // namespace skin
