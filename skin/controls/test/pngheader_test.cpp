// The PNG header reader on pictures the test makes itself.
#include "skin/controls/pngheader.h"

#include <gtest/gtest.h>

#include <vector>

namespace skin {
namespace {

std::vector<uint8_t> Header(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint32_t ihdrLength = 13)
{
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto be = [&](uint32_t v) { for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s)); };
    be(ihdrLength);
    for (char c : std::string("IHDR"))
        b.push_back(uint8_t(c));
    be(w);
    be(h);
    b.insert(b.end(), {depth, type, 0, 0, 0});
    be(0); // CRC, not checked here
    return b;
}

TEST(PngHeader, ReadsSizeAndFormat)
{
    auto bytes = Header(48, 16, 8, 6);
    auto header = ReadPngHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Width, 48u);
    EXPECT_EQ(header->Height, 16u);
    EXPECT_TRUE(header->HasAlpha());
}

TEST(PngHeader, RefusesMalformedHeaders)
{
    struct Case {
        std::vector<uint8_t> bytes;
    } cases[] = {{Header(0, 16, 8, 6)}, {Header(48, 16, 7, 6)}, {Header(48, 16, 8, 5)}, {Header(48, 16, 8, 6, 14)},
                 {Header(0x80000000u, 1, 8, 2)}, {std::vector<uint8_t>(10, 0x89)}};
    for (auto& c : cases)
        EXPECT_FALSE(ReadPngHeader(c.bytes.data(), c.bytes.size()));
    auto truncated = Header(48, 16, 8, 6);
    EXPECT_FALSE(ReadPngHeader(truncated.data(), truncated.size() - 1));
    EXPECT_FALSE(ReadPngHeader(nullptr, 0));
}

} // namespace
} // namespace skin
