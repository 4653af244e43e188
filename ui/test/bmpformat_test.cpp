// BMP files: round trips of every depth, the longer headers, bit fields, row orders and refusals.
#include "ui/bmpformat.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

std::string Save(const PixelView& v, const std::vector<uint32_t>& palette)
{
    core::StringStream s;
    WriteBmp(s, v, palette);
    return s.DataString();
}

BmpImage Load(const std::string& bytes)
{
    core::StringStream s(bytes);
    return ReadBmp(s);
}

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + size_t(i)] = char(v >> (8 * i));
}

TEST(BmpFormat, RoundTripsOfEveryDepth)
{
    for (PixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        PixelBuffer b(7, 5, f);
        PixelView v = b.View();
        const uint32_t mask = f == pf32bit ? 0xFFFFFFFF : f == pf24bit ? 0xFFFFFF : (1u << BitsPerPixel(f)) - 1;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                v.WritePixel(x, y, (uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u)) & mask);
        std::vector<uint32_t> palette = {0x0000FF, 0x00FF00, 0xFF0000};
        const BmpImage image = Load(Save(v, palette));
        ASSERT_EQ(image.Pixels.Format(), f);
        EXPECT_EQ(image.Pixels.Bytes(), b.Bytes()) << BitsPerPixel(f);
        if (IsIndexed(f)) {
            ASSERT_EQ(image.Palette.size(), size_t(1) << BitsPerPixel(f));
            EXPECT_EQ(image.Palette[1], 0x00FF00u);
        }
    }
}

TEST(BmpFormat, HeadersRowOrderAndBitFields)
{
    PixelBuffer b(2, 2, pf32bit);
    b.View().WritePixel(0, 0, 0x80112233);
    b.View().WritePixel(1, 1, 0x40445566);
    const std::string plain = Save(b.View(), {});
    // Top-down rows: the height negated and the rows in the other order.
    std::string topDown = plain;
    Put32(topDown, 22, uint32_t(-2));
    topDown.replace(54, 8, plain.substr(62, 8));
    topDown.replace(62, 8, plain.substr(54, 8));
    EXPECT_EQ(Load(topDown).Pixels.Bytes(), b.Bytes());
    // A 124-byte header with swapped red and blue masks.
    for (uint32_t size : {108u, 124u}) {
        std::string v5 = plain.substr(0, 14) + std::string(size, '\0') + plain.substr(54);
        v5.replace(14, 40, plain.substr(14, 40));
        Put32(v5, 14, size);
        Put32(v5, 10, 14 + size);
        Put32(v5, 30, 3); // BI_BITFIELDS
        Put32(v5, 54, 0x000000FF);
        Put32(v5, 58, 0x0000FF00);
        Put32(v5, 62, 0x00FF0000);
        Put32(v5, 66, 0xFF000000);
        BmpImage image = Load(v5);
        EXPECT_EQ(image.Pixels.View().ReadPixel(0, 0), 0x80332211u) << size;
    }
    // A 40-byte header with three masks after it: no alpha.
    std::string fields = plain.substr(0, 54) + std::string(12, '\0') + plain.substr(54);
    Put32(fields, 10, 66);
    Put32(fields, 30, 3);
    Put32(fields, 54, 0x00FF0000);
    Put32(fields, 58, 0x0000FF00);
    Put32(fields, 62, 0x000000FF);
    EXPECT_EQ(Load(fields).Pixels.View().ReadPixel(1, 1), 0x00445566u);
}

TEST(BmpFormat, Refusals)
{
    PixelBuffer b(3, 3, pf24bit);
    const std::string good = Save(b.View(), {});
    auto with = [&](size_t at, uint32_t v) {
        std::string s = good;
        Put32(s, at, v);
        return s;
    };
    std::string badSize = with(14, 64);
    std::string depth16 = good;
    depth16[28] = 16;
    std::string rle = with(30, 1);
    struct Case {
        const char* name;
        std::string bytes;
        const char16_t* message;
    } cases[] = {
        {"no magic", "XY" + good.substr(2), u"Bitmap image is not valid"},
        {"header size", badSize, u"Bitmap image is not valid"},
        {"16 bits", depth16, u"Bitmap image is not valid"},
        {"run-length", rle, u"Bitmap image is not valid"},
        {"width 0", with(18, 0), u"Bitmap image is not valid"},
        {"too many pixels", with(18, 70000), u"Bitmap image is not valid"},
        {"cut", good.substr(0, good.size() - 4), u"Stream read error"},
        {"short", good.substr(0, 20), u"Bitmap image is not valid"},
    };
    for (const Case& c : cases) {
        try {
            Load(c.bytes);
            FAIL() << c.name;
        } catch (const core::Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
        }
    }
}

} // namespace
} // namespace ui
