// Row conversion between pixel descriptions: a source and a target colour scheme, bits per sample
// and samples per pixel, with gamma correction, 16-bit byte swaps and bit-depth scaling on the way;
// and the palettes of indexed and grey targets (as $00BBGGRR colours). The converter is chosen once
// per change of description and then called for every row; a mask picks the pixels of a row that an
// interlaced image's pass holds (bit 7 for pixels 0, 8, 16 ...).
#pragma once

#include "core/exception.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skin {

enum TColorScheme {
    csUnknown, csIndexed, csG, csGA, csRGB, csRGBA, csBGR, csBGRA, csCMY, csCMYK, csCIELab, csYCbCr, csPhotoYCC
};

enum TConvertOption : unsigned {
    coAlpha = 1,           // the side carries an alpha sample
    coApplyGamma = 2,      // apply the gamma table (target options)
    coNeedByteSwap = 4,    // 16-bit samples are big-endian (source options)
    coLabByteRange = 8,    // CIELab lightness as 0..255
    coLabChromaOffset = 16 // CIELab a and b with an offset of 128
};
using TConvertOptions = unsigned;

// The storage a description stands for.
enum TManagerPixelFormat { mpfCustom, mpf1bit, mpf4bit, mpf8bit, mpf15bit, mpf24bit, mpf32bit };

CORE_DECLARE_EXCEPTION(EColorConversionError, core::Exception);

uint8_t ClampToByte(int value);
uint16_t MulDiv16(uint16_t value, uint16_t multiplier, uint16_t divisor);

class TColorManager {
public:
    TColorManager();

    int SourceBitsPerSample() const { return FSourceBPS; }
    void SetSourceBitsPerSample(int value);
    int TargetBitsPerSample() const { return FTargetBPS; }
    void SetTargetBitsPerSample(int value);
    int SourceSamplesPerPixel() const { return FSourceSPP; }
    void SetSourceSamplesPerPixel(int value);
    int TargetSamplesPerPixel() const { return FTargetSPP; }
    void SetTargetSamplesPerPixel(int value);
    TColorScheme SourceColorScheme() const { return FSourceScheme; }
    void SetSourceColorScheme(TColorScheme value);
    TColorScheme TargetColorScheme() const { return FTargetScheme; }
    void SetTargetColorScheme(TColorScheme value);
    TManagerPixelFormat SourcePixelFormat() const { return FormatOf(FSourceSPP, FSourceBPS); }
    TManagerPixelFormat TargetPixelFormat() const { return FormatOf(FTargetSPP, FTargetBPS); }

    TConvertOptions SourceOptions = 0;
    TConvertOptions TargetOptions = 0;

    // Converts count target pixels; source holds one pointer (interleaved samples) or one per
    // sample plane.
    void ConvertRow(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask);
    void ConvertRow(const uint8_t* source, uint8_t* target, unsigned count, uint8_t mask)
    {
        ConvertRow(&source, 1, target, count, mask);
    }

    // dataFormat: 0 interleaved 8-bit triples, 1 quadruples, 2 and 3 planar 8-bit, 4 and 5
    // interleaved 16-bit triples and quadruples, 6 and 7 planar 16-bit.
    std::vector<uint32_t> CreateColorPalette(const uint8_t* const* data, size_t planes, int dataFormat,
                                             unsigned colorCount, bool rgb);
    std::vector<uint32_t> CreateGrayscalePalette(bool minimumIsWhite);
    void SetGamma(float mainGamma, float displayGamma);
    uint8_t Gamma(int i) const { return FGammaTable[i]; }

private:
    using Converter = void (TColorManager::*)(const uint8_t* const*, size_t, uint8_t*, unsigned, uint8_t);

    static TManagerPixelFormat FormatOf(int spp, int bps);
    [[noreturn]] static void Error(const char16_t* message);
    void PrepareConversion();
    void InitYCbCrTables();
    uint16_t Sample(const uint8_t* p, bool alpha) const;
    void PutSample(uint8_t* p, uint16_t value) const;

    void RowRGB(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask);
    void RowModel(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask);
    void RowGray(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask);
    void RowIndexed(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask);

    bool FChanged = true;
    int FSourceBPS = 8, FTargetBPS = 8, FSourceSPP = 3, FTargetSPP = 3;
    float FMainGamma = 1, FDisplayGamma = 2.2f;
    uint8_t FGammaTable[256] = {};
    float FYCbCrCoefficients[3] = {0.299f, 0.587f, 0.114f};
    std::vector<int> FCrToRedTable, FCbToBlueTable, FCrToGreenTable, FCbToGreenTable;
    TColorScheme FSourceScheme = csRGB, FTargetScheme = csBGR;
    Converter FRowConversion = nullptr;
    bool FTargetBGR = true; // the chosen converter stores blue, green, red in memory order
};

} // namespace skin
