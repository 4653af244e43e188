// Row conversion, palettes and tables of the colour manager.
#include "skin/engine/colormanager.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TColorManager Manager(TColorScheme from, int fromBits, int fromSamples, TColorScheme to, int toBits, int toSamples)
{
    TColorManager m;
    m.SetSourceColorScheme(from);
    m.SetSourceBitsPerSample(fromBits);
    m.SetSourceSamplesPerPixel(fromSamples);
    m.SetTargetColorScheme(to);
    m.SetTargetBitsPerSample(toBits);
    m.SetTargetSamplesPerPixel(toSamples);
    return m;
}

TEST(ColorManager, IndexedWideningAndItsPalette)
{
    TColorManager m = Manager(csIndexed, 2, 1, csIndexed, 4, 1);
    const uint8_t row[1] = {0x1B}; // 0, 1, 2, 3
    uint8_t out[2] = {};
    m.ConvertRow(row, out, 4, 0xFF);
    EXPECT_EQ(out[0], 0x05);
    EXPECT_EQ(out[1], 0xAF);
    const uint8_t plte[12] = {1, 2, 3, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    const uint8_t* planes[1] = {plte};
    const std::vector<uint32_t> palette = m.CreateColorPalette(planes, 1, 0, 4, false);
    ASSERT_EQ(palette.size(), 16u);
    for (int v = 0; v < 4; ++v)
        EXPECT_EQ(palette[size_t(5 * v)], uint32_t(plte[3 * v]) | plte[3 * v + 1] << 8 | plte[3 * v + 2] << 16);
}

TEST(ColorManager, MaskPicksThePixelsOfAPass)
{
    TColorManager m = Manager(csIndexed, 8, 1, csIndexed, 8, 1);
    const uint8_t row[4] = {11, 12, 13, 14};
    uint8_t out[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    m.ConvertRow(row, out, 8, 0x55);
    const uint8_t want[8] = {0, 11, 0, 12, 0, 13, 0, 14};
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(want, want + 8));
}

TEST(ColorManager, SixteenBitRgbaToBgraSwapsAndScales)
{
    TColorManager m = Manager(csRGBA, 16, 4, csBGRA, 8, 4);
    m.SourceOptions = coNeedByteSwap;
    const uint8_t row[8] = {0xFF, 0x00, 0x00, 0x80, 0x12, 0x34, 0xFF, 0xFF};
    uint8_t out[4] = {};
    m.ConvertRow(row, out, 1, 0xFF);
    EXPECT_EQ(out[2], 254);                   // red 0xFF00
    EXPECT_EQ(out[1], 0);                     // green 0x0080
    EXPECT_EQ(out[0], 0x1234 * 255 / 65535);  // blue
    EXPECT_EQ(out[3], 255);                   // alpha
    // 8-bit RGB into RGB keeps the order and the target's fourth byte.
    TColorManager same = Manager(csRGB, 8, 3, csRGBA, 8, 4);
    const uint8_t rgb[3] = {1, 2, 3};
    uint8_t rgba[4] = {0, 0, 0, 77};
    same.ConvertRow(rgb, rgba, 1, 0xFF);
    EXPECT_EQ(rgba[0], 1);
    EXPECT_EQ(rgba[2], 3);
    EXPECT_EQ(rgba[3], 77);
}

TEST(ColorManager, ColourModels)
{
    struct Case {
        const char* name;
        TColorScheme scheme;
        int samples;
        uint8_t in[4];
        uint8_t bgr[3];
    } cases[] = {
        {"YCbCr grey", csYCbCr, 3, {128, 128, 128, 0}, {128, 128, 128}},
        {"PhotoYCC centre", csPhotoYCC, 3, {100, 156, 137, 0}, {100, 100, 100}},
        {"CMYK no ink", csCMYK, 4, {0, 0, 0, 0}, {255, 255, 255}},
        {"CMYK full black", csCMYK, 4, {0, 0, 0, 255}, {0, 0, 0}},
        {"Lab black", csCIELab, 3, {0, 0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        TColorManager m = Manager(c.scheme, 8, c.samples, csBGR, 8, 3);
        uint8_t out[3] = {};
        m.ConvertRow(c.in, out, 1, 0xFF);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 3), std::vector<uint8_t>(c.bgr, c.bgr + 3)) << c.name;
    }
}

TEST(ColorManager, GreyRowsAndFailures)
{
    TColorManager ga = Manager(csGA, 8, 1, csIndexed, 8, 1);
    const uint8_t row[4] = {10, 200, 20, 100};
    uint8_t out[2] = {};
    ga.ConvertRow(row, out, 2, 0xFF);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 20);
    struct Case {
        TColorScheme from, to;
        const char16_t* message;
    } cases[] = {
        {csGA, csGA, u"Conversion between indexed and non-indexed pixel formats is not supported."},
        {csRGB, csIndexed, u"Conversion between indexed and non-indexed pixel formats is not supported."},
        {csCMY, csBGR, u"Color conversion failed. Could not find a proper method."},
        {csUnknown, csRGB, u"Color conversion failed. Could not find a proper method."},
    };
    for (const Case& c : cases) {
        TColorManager m = Manager(c.from, 8, 1, c.to, 8, 1);
        for (int twice = 0; twice < 2; ++twice) {
            try {
                m.ConvertRow(row, out, 1, 0xFF);
                FAIL();
            } catch (const EColorConversionError& e) {
                EXPECT_EQ(e.Message(), c.message);
            }
        }
    }
    TColorManager m;
    EXPECT_THROW(m.SetSourceBitsPerSample(17), EColorConversionError);
    EXPECT_THROW(m.SetTargetBitsPerSample(0), EColorConversionError);
    EXPECT_THROW(m.SetTargetSamplesPerPixel(5), EColorConversionError);
    EXPECT_EQ(m.SourceBitsPerSample(), 8);
    EXPECT_EQ(m.TargetPixelFormat(), mpf24bit);
    m.SetTargetSamplesPerPixel(4);
    EXPECT_EQ(m.TargetPixelFormat(), mpf32bit);
    m.SetTargetSamplesPerPixel(1);
    m.SetTargetBitsPerSample(2);
    EXPECT_EQ(m.TargetPixelFormat(), mpf4bit);
    m.SetTargetSamplesPerPixel(3);
    EXPECT_EQ(m.TargetPixelFormat(), mpf15bit);
}

TEST(ColorManager, GammaAndGreyPalettes)
{
    TColorManager a, b;
    a.SetGamma(0, 0);
    b.SetGamma(1, 2.2f);
    TColorManager identity;
    identity.SetGamma(0.45455f, 2.2f);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(a.Gamma(i), b.Gamma(i));
        EXPECT_EQ(identity.Gamma(i), i);
    }
    EXPECT_EQ(b.Gamma(128), 186); // (128 / 255)^(1 / 2.2) x 255
    TColorManager grey = Manager(csG, 2, 1, csG, 4, 1);
    const std::vector<uint32_t> palette = grey.CreateGrayscalePalette(false);
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_EQ(palette[1], 0x111111u);
    EXPECT_EQ(palette[15], 0xFFFFFFu);
    EXPECT_EQ(grey.CreateGrayscalePalette(true)[0], 0xFFFFFFu);
}

} // namespace
} // namespace skin
