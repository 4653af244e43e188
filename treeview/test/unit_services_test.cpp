// Portable routines of the tree unit: ellipsis shortening, caption wrapping, pixel blending,
// rectangle normalisation and the built-in pictures.
#include "treeview/builtin_images.h"
#include "treeview/unit_services.h"
#include "treeview/virtual_tree.h"
#include <gtest/gtest.h>
#include <array>
#include <vector>

namespace treeview::test {
namespace {

// Every character is 10 pixels wide, "..." 12.
int Measure(core::StringView text) { return text == u"..." ? 12 : int(text.size()) * 10; }

TEST(UnitServices, ShortenWithEllipsisKeepsWhatFitsAndNeverTheWhole)
{
    struct Case {
        int width;
        core::String expected;
    } cases[] = {{42, u"abc..."}, {41, u"ab..."}, {12, u""}, {0, u""}, {1000, u"abcde..."}};
    for (const Case& c : cases)
        EXPECT_EQ(ShortenWithEllipsis(Measure, u"abcdef", c.width), c.expected) << c.width;
    EXPECT_EQ(ShortenWithEllipsis(Measure, u"", 100), u"");
    EXPECT_EQ(ShortenWithEllipsis(Measure, u"abcdef", 30, 5), u"ab...");
}

TEST(UnitServices, WrapCaptionSplitsWordsThatDoNotFit)
{
    EXPECT_EQ(WrapCaption(Measure, u"ab cdef", 15, false), u"ab\nc\ndef");
    EXPECT_EQ(WrapCaption(Measure, u"  one two three ", 75, false), u"one two\nthree");
    EXPECT_EQ(WrapCaption(Measure, u"one two three four", 95, false), u"one two\nthree\nfour");
    EXPECT_EQ(WrapCaption(Measure, u"one two three four", 95, true), u"one\ntwo three\nfour");
    EXPECT_EQ(WrapCaption(Measure, u"   ", 75, false), u"");
}

TEST(UnitServices, BlendRowsPerChannel)
{
    std::array<uint8_t, 4> source{200, 100, 0, 128};
    struct Case {
        TBlendMode mode;
        int alpha, bias;
        std::array<uint8_t, 4> destination, expected;
    } cases[] = {
        {bmConstantAlpha, 0, 0, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {bmConstantAlpha, 255, 0, {10, 20, 30, 40}, {(10 + 255 * 200) / 256, (20 + 255 * 100) / 256, 30 / 256, (40 + 255 * 128) / 256}},
        {bmConstantAlpha, 0, 64, {10, 220, 30, 40}, {74, 255, 94, 104}},
        {bmPerPixelAlpha, 0, 0, {0, 0, 0, 0}, {100, 50, 0, 64}},
        {bmMasterAlpha, 128, 0, {0, 0, 0, 0}, {50, 25, 0, 32}},
        {bmConstantAlphaAndColor, 128, 0x0000FF /* red */, {0, 0, 0, 200}, {0, 0, 127, 100}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 4> d = c.destination;
        BlendRow(source.data(), d.data(), 1, c.mode, c.alpha, c.bias);
        EXPECT_EQ(d, c.expected) << int(c.mode) << " " << c.alpha << " " << c.bias;
    }
}

// Whole rows without a bias take a faster path: every pixel must come out as the per-channel
// formula gives it.
TEST(UnitServices, BlendRowsWithoutBiasMatchThePerChannelFormula)
{
    constexpr int count = 67;
    std::vector<uint8_t> source(4 * count), destination(4 * count);
    uint32_t seed = 12345;
    auto next = [&seed] { return uint8_t((seed = seed * 1103515245u + 12345u) >> 16); };
    for (int i = 0; i < 4 * count; ++i) {
        source[i] = next();
        destination[i] = next();
    }
    source[3] = 255, source[7] = 0;
    for (TBlendMode mode : {bmConstantAlpha, bmPerPixelAlpha, bmMasterAlpha})
        for (int alpha : {0, 1, 128, 255, 256}) {
            std::vector<uint8_t> d = destination;
            BlendRow(source.data(), d.data(), count, mode, alpha, 0);
            for (int i = 0; i < count; ++i) {
                const uint8_t* s = &source[4 * i];
                const int f = mode == bmConstantAlpha ? alpha : mode == bmPerPixelAlpha ? s[3] : s[3] * alpha / 256;
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(d[4 * i + c], (destination[4 * i + c] * (256 - f) + s[c] * f) / 256)
                        << int(mode) << " alpha " << alpha << " pixel " << i << " channel " << c;
            }
        }
}

TEST(UnitServices, SmallRoutines)
{
    EXPECT_EQ(NormalizeRect(TRect{10, 20, 0, 5}), (TRect{0, 5, 10, 20}));
    EXPECT_THROW(RaiseTreeError(u"bad", hcTFCorruptStream1), EVirtualTreeError);
    try {
        RaiseTreeError(u"bad", hcTFCorruptStream1);
    } catch (const EVirtualTreeError& e) {
        EXPECT_EQ(e.HelpContext(), 2005);
    }
    TVirtualNode nodes[3]{};
    std::array<PVirtualNode, 3> list{&nodes[2], &nodes[0], &nodes[1]};
    SortNodesByAddress(list);
    EXPECT_EQ(list, (std::array<PVirtualNode, 3>{&nodes[0], &nodes[1], &nodes[2]}));
}

TEST(BuiltinImages, StripsHaveTheirLayout)
{
    struct Case {
        const char* name;
        int images, side;
    } cases[] = {{"VT_CHECK_LIGHT", 25, 16}, {"VT_CHECK_DARK", 25, 16}, {"VT_TICK_LIGHT", 25, 16},
                 {"VT_TICK_DARK", 25, 16},   {"VT_FLAT", 25, 16},       {"VT_XP", 25, 16},
                 {"VT_UTILITIES", 9, 16},    {"VT_XPBUTTONPLUS", 1, 9}, {"VT_MOVEALL", 1, 32}};
    for (const Case& c : cases) {
        TPixelStrip strip;
        ASSERT_TRUE(BuiltinStrip(c.name, strip)) << c.name;
        EXPECT_EQ(strip.Height, c.side) << c.name;
        EXPECT_EQ(strip.Width, c.images * c.side) << c.name;
        if (c.images == 25) {
            // Image 0 is all mask; every other image shows something.
            uint32_t mask = strip.At(0, 0);
            for (int image = 0; image < 25; ++image) {
                int drawn = 0;
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        drawn += strip.At(image * 16 + x, y) != mask;
                EXPECT_EQ(drawn == 0, image == 0) << c.name << " image " << image;
            }
        }
    }
    TPixelStrip strip;
    EXPECT_FALSE(BuiltinStrip("VT_NONE", strip));
    // Checked and unchecked boxes differ.
    ASSERT_TRUE(BuiltinStrip("VT_CHECK_LIGHT", strip));
    int differing = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            differing += strip.At(9 * 16 + x, y) != strip.At(13 * 16 + x, y);
    EXPECT_GT(differing, 5);
}

TEST(BuiltinImages, CursorsHaveAShapeAroundTheirHotSpot)
{
    for (const char* name : {"VT_HEADERSPLIT", "VT_VERTSPLIT", "VT_MOVEALL", "VT_MOVEEW", "VT_MOVENS", "VT_MOVEN",
                             "VT_MOVES", "VT_MOVEE", "VT_MOVEW", "VT_MOVENE", "VT_MOVENW", "VT_MOVESE", "VT_MOVESW"}) {
        TCursorShape shape;
        ASSERT_TRUE(BuiltinCursor(name, shape)) << name;
        ASSERT_EQ(shape.AndMask.size(), 128u);
        int black = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                black += shape.PixelAt(x, y) == 1;
        EXPECT_GT(black, 8) << name;
        EXPECT_EQ(shape.PixelAt(0, 0), 0) << name;
    }
    TCursorShape shape;
    ASSERT_TRUE(BuiltinCursor("VT_MOVEN", shape));
    EXPECT_NE(shape.PixelAt(16, 6), 0) << "the north arrow points up";
    EXPECT_EQ(shape.PixelAt(16, 26), 0);
    EXPECT_FALSE(BuiltinCursor("VT_NONE", shape));
}

} // namespace
} // namespace treeview::test
