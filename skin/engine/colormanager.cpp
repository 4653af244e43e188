// The row converters, the palettes and the gamma and YCbCr tables.
#include "skin/engine/colormanager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skin {
namespace {

int RoundEven(double v) { return int(std::nearbyint(v)); }

bool IsRgbLike(TColorScheme s) { return s == csRGB || s == csRGBA; }
bool IsBgrLike(TColorScheme s) { return s == csBGR || s == csBGRA; }

uint16_t Swap16(uint16_t v) { return uint16_t(v << 8 | v >> 8); }
uint16_t Native16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void PutNative16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// Walks the pixels of a row under a mask: bit 7 of the mask for pixel 0, rotating right.
class MaskWalk {
public:
    explicit MaskWalk(uint8_t mask) : m_mask(mask) {}
    bool Take()
    {
        const bool take = (m_mask & m_bit) != 0;
        m_bit = uint8_t(m_bit >> 1 | m_bit << 7);
        return take;
    }

private:
    uint8_t m_mask;
    uint8_t m_bit = 0x80;
};

// Reads and writes values of any width from 1 to 8 bits packed from the most significant bit, or 16
// bits in native order.
unsigned ReadPacked(const uint8_t* row, size_t index, int bits)
{
    if (bits == 16)
        return Native16(row + index * 2);
    if (bits == 8)
        return row[index];
    unsigned value = 0;
    const size_t first = index * size_t(bits);
    for (int i = 0; i < bits; ++i) {
        const size_t bit = first + size_t(i);
        value = value << 1 | ((row[bit / 8] >> (7 - bit % 8)) & 1);
    }
    return value;
}

void WritePacked(uint8_t* row, size_t index, int bits, unsigned value)
{
    if (bits == 16) {
        PutNative16(row + index * 2, uint16_t(value));
        return;
    }
    if (bits == 8) {
        row[index] = uint8_t(value);
        return;
    }
    const size_t first = index * size_t(bits);
    for (int i = 0; i < bits; ++i) {
        const size_t bit = first + size_t(i);
        const uint8_t mask = uint8_t(0x80 >> (bit % 8));
        if (value >> (bits - 1 - i) & 1)
            row[bit / 8] |= mask;
        else
            row[bit / 8] &= uint8_t(~mask);
    }
}

} // namespace

uint8_t ClampToByte(int value) { return uint8_t(value < 0 ? 0 : value > 255 ? 255 : value); }

uint16_t MulDiv16(uint16_t value, uint16_t multiplier, uint16_t divisor)
{
    return divisor == 0 ? 0 : uint16_t(uint32_t(value) * multiplier / divisor);
}

TColorManager::TColorManager() { SetGamma(1, 2.2f); }

void TColorManager::Error(const char16_t* message) { throw EColorConversionError(message); }

static const char16_t* const kBadDepth = u"Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
static const char16_t* const kBadCount = u"Sample count per pixel does not correspond to the given color scheme.";

void TColorManager::SetSourceBitsPerSample(int value)
{
    if (value <= 0 || value > 16)
        Error(kBadDepth);
    FChanged |= value != FSourceBPS;
    FSourceBPS = value;
}

void TColorManager::SetTargetBitsPerSample(int value)
{
    if (value <= 0 || value > 16)
        Error(kBadDepth);
    FChanged |= value != FTargetBPS;
    FTargetBPS = value;
}

void TColorManager::SetSourceSamplesPerPixel(int value)
{
    if (value <= 0 || value > 4)
        Error(kBadCount);
    FChanged |= value != FSourceSPP;
    FSourceSPP = value;
}

void TColorManager::SetTargetSamplesPerPixel(int value)
{
    if (value <= 0 || value > 4)
        Error(kBadCount);
    FChanged |= value != FTargetSPP;
    FTargetSPP = value;
}

void TColorManager::SetSourceColorScheme(TColorScheme value)
{
    FChanged |= value != FSourceScheme;
    FSourceScheme = value;
}

void TColorManager::SetTargetColorScheme(TColorScheme value)
{
    FChanged |= value != FTargetScheme;
    FTargetScheme = value;
}

TManagerPixelFormat TColorManager::FormatOf(int spp, int bps)
{
    if (spp == 1) {
        if (bps == 1)
            return mpf1bit;
        if (bps >= 2 && bps <= 4)
            return mpf4bit;
        if (bps >= 8)
            return mpf8bit;
    } else if (spp == 3) {
        return bps <= 5 ? mpf15bit : mpf24bit;
    } else if (spp == 4 && bps >= 8) {
        return mpf32bit;
    }
    return mpfCustom;
}

void TColorManager::SetGamma(float mainGamma, float displayGamma)
{
    FMainGamma = mainGamma > 0 ? mainGamma : 1;
    FDisplayGamma = displayGamma > 0 ? displayGamma : 2.2f;
    const float g = 1 / (FMainGamma * FDisplayGamma);
    for (int i = 0; i < 256; ++i)
        FGammaTable[i] = ClampToByte(RoundEven(std::pow(i / 255.0, double(g)) * 255));
}

void TColorManager::InitYCbCrTables()
{
    const float lr = FYCbCrCoefficients[0], lg = FYCbCrCoefficients[1], lb = FYCbCrCoefficients[2];
    const float fr = 2 - 2 * lr, fb = 2 - 2 * lb, frg = lr * fr / lg, fbg = lb * fb / lg;
    FCrToRedTable.assign(256, 0);
    FCbToBlueTable.assign(256, 0);
    FCrToGreenTable.assign(256, 0);
    FCbToGreenTable.assign(256, 0);
    const bool photo = FSourceScheme == csPhotoYCC;
    for (int i = 0; i < 256; ++i) {
        const int dr = i - (photo ? 137 : 128), db = i - (photo ? 156 : 128);
        FCrToRedTable[size_t(i)] = RoundEven(double(fr) * dr);
        FCbToBlueTable[size_t(i)] = RoundEven(double(fb) * db);
        FCrToGreenTable[size_t(i)] = -RoundEven(double(frg) * dr);
        FCbToGreenTable[size_t(i)] = -RoundEven(double(fbg) * db);
    }
}

void TColorManager::PrepareConversion()
{
    FRowConversion = nullptr;
    const bool sourceIndexed = FSourceScheme == csIndexed || FSourceScheme == csG || FSourceScheme == csGA;
    const bool targetIndexed = FTargetScheme == csIndexed || FTargetScheme == csG;
    if (sourceIndexed != targetIndexed)
        Error(u"Conversion between indexed and non-indexed pixel formats is not supported.");
    auto alpha = [](TColorScheme s) { return s == csGA || s == csRGBA || s == csBGRA; };
    SourceOptions = alpha(FSourceScheme) ? SourceOptions | coAlpha : SourceOptions & ~unsigned(coAlpha);
    TargetOptions = alpha(FTargetScheme) ? TargetOptions | coAlpha : TargetOptions & ~unsigned(coAlpha);
    const int s = FSourceBPS, t = FTargetBPS;
    const bool rgbTarget = IsRgbLike(FTargetScheme), bgrTarget = IsBgrLike(FTargetScheme);
    FTargetBGR = bgrTarget;
    switch (FSourceScheme) {
    case csIndexed:
        FRowConversion = &TColorManager::RowIndexed;
        break;
    case csG:
        if (s != 16 && t != 16)
            FRowConversion = &TColorManager::RowIndexed;
        else if (s >= 8 && t >= 8)
            FRowConversion = &TColorManager::RowGray;
        break;
    case csGA:
        if ((s == 8 || s == 16) && (t == 8 || t == 16))
            FRowConversion = &TColorManager::RowGray;
        break;
    case csRGB:
    case csRGBA:
    case csBGR:
    case csBGRA:
        if (rgbTarget || bgrTarget)
            FRowConversion = &TColorManager::RowRGB;
        break;
    case csYCbCr:
    case csPhotoYCC:
        if (rgbTarget || bgrTarget) {
            InitYCbCrTables();
            FRowConversion = &TColorManager::RowModel;
        }
        break;
    case csCMYK:
    case csCIELab:
        if (rgbTarget || bgrTarget)
            FRowConversion = &TColorManager::RowModel;
        break;
    default:
        break;
    }
    FChanged = false;
}

void TColorManager::ConvertRow(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask)
{
    if (FChanged)
        PrepareConversion();
    if (!FRowConversion)
        Error(u"Color conversion failed. Could not find a proper method.");
    if (planes == 0 || !source || !target)
        return;
    (this->*FRowConversion)(source, planes, target, count, mask);
}

// One colour or alpha sample of the source in the target's depth (8 or 16 bits).
uint16_t TColorManager::Sample(const uint8_t* p, bool alpha) const
{
    const bool gamma = (TargetOptions & coApplyGamma) && !alpha;
    const bool swap = SourceOptions & coNeedByteSwap;
    if (FSourceBPS == 8) {
        const uint8_t v = gamma ? FGammaTable[p[0]] : p[0];
        if (FTargetBPS == 8)
            return v;
        const uint16_t wide = uint16_t(v * 65535 / 255);
        return swap ? Swap16(wide) : wide;
    }
    uint16_t raw = Native16(p);
    if (swap)
        raw = Swap16(raw);
    if (FTargetBPS == 16)
        return raw;
    const uint8_t v = uint8_t(raw * 255 / 65535);
    return gamma ? FGammaTable[v] : v;
}

void TColorManager::PutSample(uint8_t* p, uint16_t value) const
{
    if (FTargetBPS == 8)
        p[0] = uint8_t(value);
    else
        PutNative16(p, value);
}

void TColorManager::RowRGB(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask)
{
    if ((FSourceBPS != 8 && FSourceBPS != 16) || (FTargetBPS != 8 && FTargetBPS != 16))
        return;
    const bool sourceAlpha = SourceOptions & coAlpha, targetAlpha = TargetOptions & coAlpha;
    const bool sourceBGR = IsBgrLike(FSourceScheme);
    if (FSourceBPS == 8 && FTargetBPS == 8 && mask == 0xFF && planes == 1 && !(TargetOptions & coApplyGamma) &&
        sourceBGR != FTargetBGR) {
        // The common case of whole rows of 8-bit samples: red and blue trade places.
        const uint8_t* s = source[0];
        if (sourceAlpha && targetAlpha) {
            unsigned i = 0;
#if defined(__SSE2__)
            // Four pixels a step: the same exchange in each 32-bit lane.
            const __m128i between = _mm_set1_epi32(int(0xFF00FF00u)), lowest = _mm_set1_epi32(0xFF);
            for (; i + 4 <= count; i += 4, s += 16, target += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
                const __m128i red = _mm_and_si128(_mm_srli_epi32(v, 16), lowest);
                const __m128i blue = _mm_slli_epi32(_mm_and_si128(v, lowest), 16);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(target),
                                 _mm_or_si128(_mm_and_si128(v, between), _mm_or_si128(red, blue)));
            }
#endif
            for (; i < count; ++i, s += 4, target += 4) {
                uint32_t v;
                std::memcpy(&v, s, 4);
                v = (v & 0xFF00FF00u) | (v >> 16 & 0xFF) | (v & 0xFF) << 16;
                std::memcpy(target, &v, 4);
            }
        } else {
            const int ss = sourceAlpha ? 4 : 3, ts = targetAlpha ? 4 : 3;
            for (unsigned i = 0; i < count; ++i, s += ss, target += ts) {
                target[0] = s[2];
                target[1] = s[1];
                target[2] = s[0];
            }
        }
        return;
    }
    const int ss = FSourceBPS / 8, ts = FTargetBPS / 8;
    const int sourceSamples = sourceAlpha ? 4 : 3, targetSamples = targetAlpha ? 4 : 3;
    const bool planar = planes >= size_t(sourceSamples);
    const uint8_t* plane[4] = {source[0], planar ? source[1] : nullptr, planar ? source[2] : nullptr,
                               planar && sourceAlpha ? source[3] : nullptr};
    size_t converted = 0;
    MaskWalk walk(mask);
    for (unsigned i = 0; i < count; ++i, target += targetSamples * ts) {
        if (!walk.Take())
            continue;
        const uint8_t* at[4];
        for (int k = 0; k < sourceSamples; ++k)
            at[k] = planar ? plane[k] + converted * ss : plane[0] + (converted * sourceSamples + k) * ss;
        ++converted;
        // Channels in red, green, blue order.
        const uint8_t* r = sourceBGR ? at[2] : at[0];
        const uint8_t* b = sourceBGR ? at[0] : at[2];
        PutSample(target + (FTargetBGR ? 2 : 0) * ts, Sample(r, false));
        PutSample(target + 1 * ts, Sample(at[1], false));
        PutSample(target + (FTargetBGR ? 0 : 2) * ts, Sample(b, false));
        if (sourceAlpha && targetAlpha)
            PutSample(target + 3 * ts, Sample(at[3], true));
    }
}

void TColorManager::RowModel(const uint8_t* const* source, size_t planes, uint8_t* target, unsigned count, uint8_t mask)
{
    if ((FSourceBPS != 8 && FSourceBPS != 16) || (FTargetBPS != 8 && FTargetBPS != 16))
        return;
    const int ss = FSourceBPS / 8, ts = FTargetBPS / 8;
    const int samples = FSourceScheme == csCMYK ? 4 : 3;
    const int targetSamples = (TargetOptions & coAlpha) ? 4 : 3;
    const bool planar = planes >= size_t(samples);
    const bool swap = SourceOptions & coNeedByteSwap;
    auto read = [&](size_t pixel, int k) -> int {
        const uint8_t* p = planar ? source[k] + pixel * ss : source[0] + (pixel * samples + size_t(k)) * ss;
        if (ss == 1)
            return p[0];
        uint16_t raw = Native16(p);
        if (swap)
            raw = Swap16(raw);
        return raw * 255 / 65535;
    };
    size_t converted = 0;
    MaskWalk walk(mask);
    for (unsigned i = 0; i < count; ++i, target += targetSamples * ts) {
        if (!walk.Take())
            continue;
        const int v0 = read(converted, 0), v1 = read(converted, 1), v2 = read(converted, 2);
        int r, g, b;
        switch (FSourceScheme) {
        case csCMYK: {
            const int k = read(converted, 3);
            r = ClampToByte(v0 * k / 255 - v0 - k + 255);
            g = ClampToByte(v1 * k / 255 - v1 - k + 255);
            b = ClampToByte(v2 * k / 255 - v2 - k + 255);
            break;
        }
        case csCIELab: {
            double l = v0;
            if (TargetOptions & coLabByteRange || SourceOptions & coLabByteRange)
                l /= 2.55;
            const bool offset = (SourceOptions | TargetOptions) & coLabChromaOffset;
            const double a = offset ? v1 - 128 : int8_t(v1), bb = offset ? v2 - 128 : int8_t(v2);
            double x, y, z;
            if (l < 7.9996) {
                y = l / 903.3;
                x = y + a / 3893.5;
                z = y - bb / 1557.4;
            } else {
                y = (l + 16) / 116;
                x = y + a / 500;
                z = y - bb / 200;
                x = x * x * x;
                y = y * y * y;
                z = z * z * z;
            }
            b = ClampToByte(RoundEven((0.099 * x - 0.198 * y + 1.099 * z) * 255));
            g = ClampToByte(RoundEven((-0.952 * x + 1.893 * y + 0.059 * z) * 255));
            r = ClampToByte(RoundEven((2.998 * x - 1.458 * y - 0.541 * z) * 255));
            break;
        }
        default: // YCbCr and PhotoYCC
            b = ClampToByte(v0 + FCbToBlueTable[size_t(v1)]);
            g = ClampToByte(v0 + FCbToGreenTable[size_t(v1)] + FCrToGreenTable[size_t(v2)]);
            r = ClampToByte(v0 + FCrToRedTable[size_t(v2)]);
            break;
        }
        ++converted;
        auto put = [&](int slot, int value) { PutSample(target + slot * ts, uint16_t(ts == 1 ? value : value * 65535 / 255)); };
        put(FTargetBGR ? 2 : 0, r);
        put(1, g);
        put(FTargetBGR ? 0 : 2, b);
    }
}

void TColorManager::RowGray(const uint8_t* const* source, size_t, uint8_t* target, unsigned count, uint8_t mask)
{
    const int ss = FSourceBPS / 8, ts = FTargetBPS / 8;
    const int step = ((SourceOptions & coAlpha) ? 2 : 1) * ss;
    const bool swap = SourceOptions & coNeedByteSwap;
    const uint8_t* s = source[0];
    MaskWalk walk(mask);
    for (unsigned i = 0; i < count; ++i, target += ts) {
        if (!walk.Take())
            continue;
        unsigned v = ss == 1 ? s[0] : Native16(s);
        if (ss == 2 && swap)
            v = Swap16(uint16_t(v));
        if (ss == 1 && ts == 2)
            v = v * 65535 / 255;
        else if (ss == 2 && ts == 1)
            v = v * 255 / 65535;
        PutSample(target, uint16_t(v));
        s += step;
    }
}

void TColorManager::RowIndexed(const uint8_t* const* source, size_t, uint8_t* target, unsigned count, uint8_t mask)
{
    const int s = FSourceBPS, t = FTargetBPS;
    const bool swap = SourceOptions & coNeedByteSwap;
    if (s == t && mask == 0xFF && !(s == 16 && swap)) {
        std::copy(source[0], source[0] + (size_t(count) * size_t(s) + 7) / 8, target);
        return;
    }
    const uint16_t sourceMax = uint16_t((1u << s) - 1), targetMax = uint16_t((1u << t) - 1);
    size_t read = 0;
    MaskWalk walk(mask);
    for (unsigned i = 0; i < count; ++i) {
        if (!walk.Take())
            continue;
        unsigned v = ReadPacked(source[0], read++, s);
        if (s == 16 && swap)
            v = Swap16(uint16_t(v));
        if (s == 16 && t == 16) {
        } else if (s == 16) {
            v = MulDiv16(uint16_t(v), targetMax, 65535);
        } else if (t == 16) {
            v = MulDiv16(uint16_t(v), 65535, sourceMax);
            if (swap)
                v = Swap16(uint16_t(v));
        } else {
            v = MulDiv16(uint16_t(v), targetMax, sourceMax);
        }
        WritePacked(target, i, t, v);
    }
}

std::vector<uint32_t> TColorManager::CreateGrayscalePalette(bool minimumIsWhite)
{
    const int bits = std::min(FTargetBPS * FTargetSPP, 8);
    const int n = 1 << bits;
    const int step = n > 1 ? 255 / (n - 1) : 255;
    std::vector<uint32_t> palette(static_cast<size_t>(n), 0u);
    for (int i = 0; i < n; ++i) {
        int level = i * step;
        if (TargetOptions & coApplyGamma)
            level = FGammaTable[level];
        palette[size_t(minimumIsWhite ? n - 1 - i : i)] = uint32_t(level) * 0x010101u;
    }
    return palette;
}

std::vector<uint32_t> TColorManager::CreateColorPalette(const uint8_t* const* data, size_t planes, int dataFormat,
                                                        unsigned colorCount, bool rgb)
{
    const unsigned n = std::min(colorCount, 256u);
    std::vector<uint32_t> palette;
    const bool gamma = TargetOptions & coApplyGamma;
    const bool swap = SourceOptions & coNeedByteSwap;
    auto c8 = [&](uint8_t v) { return gamma ? FGammaTable[v] : v; };
    auto c16 = [&](const uint8_t* p) {
        uint16_t raw = Native16(p);
        if (swap)
            raw = Swap16(raw);
        return c8(uint8_t(raw * 255 / 65535));
    };
    const bool planar = dataFormat == 2 || dataFormat == 3 || dataFormat == 6 || dataFormat == 7;
    if (dataFormat < 0 || dataFormat > 7 || !data || (planar ? planes < 3 : planes < 1))
        return palette;
    for (unsigned i = 0; i < n; ++i) {
        uint8_t r = 0, g = 0, b = 0;
        switch (dataFormat) {
        case 0:
        case 1: {
            const uint8_t* p = data[0] + size_t(i) * (dataFormat == 0 ? 3 : 4);
            r = c8(rgb ? p[2] : p[0]);
            g = c8(p[1]);
            b = c8(rgb ? p[0] : p[2]);
            break;
        }
        case 2:
        case 3:
            r = c8(data[0][i]);
            g = c8(data[1][i]);
            b = c8(data[2][i]);
            break;
        case 4:
        case 5: {
            const uint8_t* p = data[0] + size_t(i) * (dataFormat == 4 ? 6 : 8);
            r = c16(rgb ? p : p + 4);
            g = c16(p + 2);
            b = c16(rgb ? p + 4 : p);
            break;
        }
        default:
            r = c16(data[0] + size_t(i) * 2);
            g = c16(data[1] + size_t(i) * 2);
            b = c16(data[2] + size_t(i) * 2);
            break;
        }
        palette.push_back(uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16);
    }
    // Re-spread to the target's values so that entries match what the indexed rows store.
    const int s = FSourceBPS, t = FTargetBPS;
    if (t <= 8 && s <= 16 && ((1 << s) - 1) != ((1 << t) - 1)) {
        const std::vector<uint32_t> old = palette;
        const int size = 1 << t;
        palette.assign(size_t(size), 0);
        for (int i = 0; i < size; ++i) {
            const size_t from = MulDiv16(uint16_t(i), uint16_t((1 << s) - 1), uint16_t((1 << t) - 1));
            palette[size_t(i)] = from < old.size() ? old[from] : 0;
        }
    }
    return palette;
}

} // namespace skin
