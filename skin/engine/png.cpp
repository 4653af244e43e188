// The PNG reader.
#include "skin/engine/png.h"

#include "skin/engine/zlibstream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Carry-less multiplication is compiled for x86 whatever the build's baseline and used only where
// the processor reports it.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SKIN_PNG_CLMUL 1
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#endif

namespace skin {
namespace {

const uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// Pictures above this many pixels are refused as an invalid format.
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

const char16_t* const kInvalidFormat = u"Cannot load image. Invalid or unexpected PNG image format.";

[[noreturn]] void Fail(const char16_t* message) { throw ui::EInvalidGraphic(message); }

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
unsigned BigEndian16(const uint8_t* p) { return unsigned(p[0]) << 8 | p[1]; }

// The generator's exponents below x^32 (x^32 + x^26 + ... + 1).
const int kCrcExponents[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};

// Eight tables of 256 entries: the standard one and seven more that let the CRC take eight bytes a
// step. Built from the polynomial's exponents, once; a function-local static is made by one thread.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

const CrcTables& CrcTable()
{
    static const CrcTables tables = [] {
        uint32_t poly = 0;
        for (int e : kCrcExponents)
            poly |= 1u << (31 - e);
        CrcTables t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? poly ^ (c >> 1) : c >> 1;
            t[0][n] = c;
        }
        for (uint32_t n = 0; n < 256; ++n)
            for (size_t k = 1; k < 8; ++k)
                t[k][n] = t[0][t[k - 1][n] & 0xFF] ^ (t[k - 1][n] >> 8);
        return t;
    }();
    return tables;
}

// The CRC register (bits reflected, neither inverted on entry nor on exit) carried over the bytes.
uint32_t CrcRegister(uint32_t c, const uint8_t* data, size_t size)
{
    const CrcTables& t = CrcTable();
    while (size >= 8) {
        const uint32_t lo = c ^ (uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
        c = t[7][lo & 0xFF] ^ t[6][lo >> 8 & 0xFF] ^ t[5][lo >> 16 & 0xFF] ^ t[4][lo >> 24] ^ t[3][data[4]] ^
            t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        size -= 8;
    }
    for (size_t i = 0; i < size; ++i)
        c = t[0][(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c;
}

#if defined(SKIN_PNG_CLMUL)
// Long chunks are folded 16 bytes at a time with carry-less multiplication, four lanes of 16 bytes
// side by side so that the multiplier's latency overlaps. The arithmetic: bits are reflected, so a
// 16-byte block loaded from memory holds its highest powers of x in the low half. Moving a block n
// bits further along the message multiplies it by x^n, and modulo the generator P that is the same
// as multiplying each half by x^(n+64) mod P (low half) or x^n mod P (high half): a 64 by 32-bit
// product that fits the 128-bit lane. Every fold keeps the lane congruent to the message read so far
// modulo P, so the CRC of the message equals the CRC of the final 16-byte lane, which the tables
// finish. The reflected product comes out one power of x too high, hence the exponents less one.
struct FoldConstants {
    uint64_t by4[2]; // a lane moved 512 bits on: for its low half, for its high half
    uint64_t by1[2]; // a lane moved 128 bits on
};

// x^n mod P, as a 32-bit polynomial in the upper half of a reflected 64-bit operand.
uint64_t ReflectedPower(unsigned n)
{
    uint32_t lower = 0; // P less x^32, bit e for x^e
    for (int e : kCrcExponents)
        lower |= 1u << e;
    uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i)
        r = (r << 1) ^ ((r >> 31) ? lower : 0u);
    uint32_t reflected = 0;
    for (int b = 0; b < 32; ++b)
        reflected |= ((r >> b) & 1u) << (31 - b);
    return uint64_t(reflected) << 32;
}

const FoldConstants& Folds()
{
    static const FoldConstants folds = {{ReflectedPower(512 + 64 - 1), ReflectedPower(512 - 1)},
                                        {ReflectedPower(128 + 64 - 1), ReflectedPower(128 - 1)}};
    return folds;
}

bool HasCarrylessMultiply()
{
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_PCLMUL) != 0 && (d & bit_SSE2) != 0;
    }();
    return has;
}

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i lane, __m128i by)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(lane, by, 0x00), _mm_clmulepi64_si128(lane, by, 0x11));
}

// The register carried over at least 64 bytes.
__attribute__((target("pclmul,sse2"))) uint32_t CrcRegisterFolded(uint32_t c, const uint8_t* data, size_t size)
{
    const FoldConstants& f = Folds();
    const __m128i by4 = _mm_set_epi64x((long long)f.by4[1], (long long)f.by4[0]);
    const __m128i by1 = _mm_set_epi64x((long long)f.by1[1], (long long)f.by1[0]);
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    // The register enters as the first four bytes' difference, as in the table steps.
    __m128i x0 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(int(c)));
    __m128i x1 = load(data + 16), x2 = load(data + 32), x3 = load(data + 48);
    data += 64;
    size -= 64;
    for (; size >= 64; data += 64, size -= 64) {
        x0 = _mm_xor_si128(Fold(x0, by4), load(data));
        x1 = _mm_xor_si128(Fold(x1, by4), load(data + 16));
        x2 = _mm_xor_si128(Fold(x2, by4), load(data + 32));
        x3 = _mm_xor_si128(Fold(x3, by4), load(data + 48));
    }
    x1 = _mm_xor_si128(Fold(x0, by1), x1);
    x2 = _mm_xor_si128(Fold(x1, by1), x2);
    x3 = _mm_xor_si128(Fold(x2, by1), x3);
    for (; size >= 16; data += 16, size -= 16)
        x3 = _mm_xor_si128(Fold(x3, by1), load(data));
    uint8_t lane[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lane), x3);
    return CrcRegister(CrcRegister(0, lane, 16), data, size);
}
#endif

inline int Paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
}

#if defined(__SSE2__)
// Paeth for three- and four-byte pixels, one pixel a step in 16-bit lanes: the same predictor
// (the smallest distance wins, a before b before c on ties), without a jump per byte.
template <size_t Bpp>
void PaethRest(uint8_t* row, const uint8_t* prior, size_t length)
{
    const __m128i zero = _mm_setzero_si128();
    auto load = [&](const uint8_t* p) {
        uint32_t v = 0;
        std::memcpy(&v, p, Bpp);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), zero);
    };
    auto absolute = [&](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(zero, x)); };
    auto choose = [](__m128i mask, __m128i yes, __m128i no) {
        return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
    };
    __m128i a = load(row), c = load(prior);
    for (size_t i = Bpp; i + Bpp <= length; i += Bpp) {
        const __m128i b = load(prior + i), d = load(row + i);
        const __m128i pa0 = _mm_sub_epi16(b, c), pb0 = _mm_sub_epi16(a, c);
        const __m128i pa = absolute(pa0), pb = absolute(pb0), pc = absolute(_mm_add_epi16(pa0, pb0));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i nearest =
            choose(_mm_cmpeq_epi16(smallest, pa), a, choose(_mm_cmpeq_epi16(smallest, pb), b, c));
        a = _mm_and_si128(_mm_add_epi16(nearest, d), _mm_set1_epi16(0xFF));
        const uint32_t out = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(a, a)));
        std::memcpy(row + i, &out, Bpp);
        c = b;
    }
}
#else
// Paeth after the first pixel, a whole pixel a step, its left and upper-left neighbours kept in
// registers.
template <size_t Bpp>
void PaethRest(uint8_t* row, const uint8_t* prior, size_t length)
{
    int a[Bpp], c[Bpp];
    for (size_t k = 0; k < Bpp; ++k) {
        a[k] = row[k];
        c[k] = prior[k];
    }
    for (size_t i = Bpp; i + Bpp <= length; i += Bpp)
        for (size_t k = 0; k < Bpp; ++k) {
            const int b = prior[i + k];
            a[k] = uint8_t(row[i + k] + Paeth(a[k], b, c[k]));
            row[i + k] = uint8_t(a[k]);
            c[k] = b;
        }
}
#endif

// The standard filters, in place over the row that follows the filter byte.
void UnfilterRow(uint8_t filter, uint8_t* row, const uint8_t* prior, size_t bpp, size_t length)
{
    switch (filter) {
    case 1:
        for (size_t i = bpp; i < length; ++i)
            row[i] = uint8_t(row[i] + row[i - bpp]);
        break;
    case 2:
        for (size_t i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + prior[i]);
        break;
    case 3:
        for (size_t i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + ((i >= bpp ? row[i - bpp] : 0) + prior[i]) / 2);
        break;
    case 4:
        for (size_t i = 0; i < bpp && i < length; ++i)
            row[i] = uint8_t(row[i] + prior[i]);
        if (bpp == 4)
            PaethRest<4>(row, prior, length);
        else if (bpp == 3)
            PaethRest<3>(row, prior, length);
        else
            for (size_t i = bpp; i < length; ++i)
                row[i] = uint8_t(row[i] + Paeth(row[i - bpp], prior[i], prior[i - bpp]));
        break;
    default:
        break;
    }
}

uint32_t Scale16(unsigned v) { return v * 255 / 65535; }

// The nearest palette index of a colour, for filling indexed pictures.
uint32_t NearestIndex(const std::vector<uint32_t>& palette, uint32_t color)
{
    uint32_t best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        long d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const long x = long(palette[i] >> shift & 0xFF) - long(color >> shift & 0xFF);
            d += x * x;
        }
        if (bestDistance < 0 || d < bestDistance) {
            best = uint32_t(i);
            bestDistance = d;
        }
    }
    return best;
}

} // namespace

uint32_t PngCrc(uint32_t crc, const uint8_t* data, size_t size)
{
#if defined(SKIN_PNG_CLMUL)
    if (size >= 64 && HasCarrylessMultiply())
        return ~CrcRegisterFolded(~crc, data, size);
#endif
    return ~CrcRegister(~crc, data, size);
}

uint32_t PngCrcByTable(uint32_t crc, const uint8_t* data, size_t size) { return ~CrcRegister(~crc, data, size); }

// ---- The decoder ----

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset) : FFlushMode(flushMode), FAutoReset(autoReset) {}

TLZ77Decoder::~TLZ77Decoder()
{
    if (FStarted)
        inflateEnd(&FStream);
}

void TLZ77Decoder::DecodeInit()
{
    if (ZInflateInit(FStream) < 0)
        throw EGraphicCompression(u"LZ77 decompression error.");
    FStarted = true;
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, size_t packedSize, size_t unpackedSize)
{
    FStream.next_in = const_cast<Bytef*>(source);
    FStream.avail_in = uInt(packedSize);
    if (FAutoReset)
        FZLibResult = inflateReset(&FStream);
    if (FZLibResult != Z_OK)
        return;
    FStream.next_out = dest;
    FStream.avail_out = uInt(unpackedSize);
    FZLibResult = inflate(&FStream, FFlushMode);
    source = FStream.next_in;
    dest = FStream.next_out;
}

void TLZ77Decoder::DecodeEnd()
{
    if (!FStarted)
        return;
    FStarted = false;
    if (inflateEnd(&FStream) < 0)
        throw EGraphicCompression(u"LZ77 decompression error.");
}

// ---- Chunks ----

bool TPNGReader::CanLoad(core::Stream& stream)
{
    const int64_t position = stream.Position();
    bool result = false;
    if (stream.Size() - position > 8) {
        uint8_t bytes[8];
        result = stream.Read(bytes, 8) == 8 && std::memcmp(bytes, kSignature, 8) == 0;
    }
    stream.Seek(position, core::soBeginning);
    return result;
}

void TPNGReader::CheckedRead(void* buffer, size_t count) { FStream->ReadBuffer(buffer, int64_t(count)); }

void TPNGReader::ReadChunkHeader()
{
    uint8_t bytes[8];
    CheckedRead(bytes, 8);
    FHeader.length = BigEndian32(bytes);
    std::memcpy(FHeader.type, bytes + 4, 4);
    FCurrentCRC = PngCrc(0, FHeader.type, 4);
}

void TPNGReader::ReadChunkData()
{
    // A length beyond what the stream holds fails as data that ends early, before any allocation.
    if (int64_t(FHeader.length) > FStream->Size() - FStream->Position())
        throw core::EReadError(u"Stream read error");
    FRawBuffer.resize(FHeader.length);
    if (FHeader.length > 0)
        CheckedRead(FRawBuffer.data(), FHeader.length);
    uint8_t stored[4];
    CheckedRead(stored, 4);
    FCurrentCRC = PngCrc(FCurrentCRC, FRawBuffer.data(), FRawBuffer.size());
    if (FCurrentCRC != BigEndian32(stored))
        Fail(u"Cannot load image. CRC error found in PNG file.");
}

bool TPNGReader::IsChunkType(const char* type) const
{
    for (int i = 0; i < 4; ++i)
        if ((FHeader.type[i] & ~0x20) != (uint8_t(type[i]) & ~0x20))
            return false;
    return true;
}

void TPNGReader::SkipChunk() { FStream->Seek(int64_t(FHeader.length) + 4, core::soCurrent); }

void TPNGReader::Progress(TProgressStage stage, int percent, const std::u16string& text)
{
    if (OnProgress)
        OnProgress(stage, percent, text, FProgressRect);
    if (stage == psRunning) {
        ++FProgressRect.top;
        ++FProgressRect.bottom;
    }
}

bool TPNGReader::ReadImageProperties(core::Stream& stream)
{
    FStream = &stream;
    FImageProperties = TImageProperties{};
    FImageProperties.FileGamma = 1;
    uint8_t signature[8];
    if (stream.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0)
        return false;
    ReadChunkHeader();
    if (!IsChunkType("IHDR"))
        return false;
    TImageProperties& p = FImageProperties;
    p.Options |= ioBigEndian;
    ReadChunkData();
    if (FRawBuffer.size() < 13)
        return false;
    const uint8_t* d = FRawBuffer.data();
    p.Width = BigEndian32(d);
    p.Height = BigEndian32(d + 4);
    if (p.Width == 0 || p.Height == 0)
        return false;
    p.Compression = d[10] == 0 ? ctLZ77 : ctUnknown;
    p.BitsPerSample = d[8];
    p.SamplesPerPixel = 1;
    switch (d[9]) {
    case 0: p.ColorScheme = csG; break;
    case 2: p.ColorScheme = csRGB, p.SamplesPerPixel = 3; break;
    case 3: p.ColorScheme = csIndexed; break;
    // Grey with alpha holds two samples a pixel: its rows are twice as long as grey ones.
    case 4: p.ColorScheme = csGA, p.SamplesPerPixel = 2; break;
    case 6: p.ColorScheme = csRGBA, p.SamplesPerPixel = 4; break;
    default: p.ColorScheme = csUnknown; break;
    }
    p.BitsPerPixel = uint8_t(p.SamplesPerPixel * p.BitsPerSample);
    p.FilterMode = d[11];
    p.Interlaced = d[12] != 0;
    FInterlaceMethod = d[12];
    p.HasAlpha = p.ColorScheme == csGA || p.ColorScheme == csRGBA || p.ColorScheme == csBGRA;
    for (;;) {
        ReadChunkHeader();
        if (IsChunkType("gAMA")) {
            ReadChunkData();
            if (FRawBuffer.size() >= 4)
                p.FileGamma = float(BigEndian32(FRawBuffer.data()) / 100000.0);
            break;
        }
        if (IsChunkType("IEND"))
            break;
        SkipChunk();
    }
    return true;
}

int TPNGReader::PrepareColorDepth(int colorType, int bitDepth)
{
    TColorManager& m = *FColorManager;
    auto invalid = [] { Fail(u"Invalid color format in PNG file."); };
    auto describe = [&m](TColorScheme from, TColorScheme to, int samples, int sourceBits, int targetBits) {
        m.SetSourceColorScheme(from);
        m.SetTargetColorScheme(to);
        m.SetSourceSamplesPerPixel(samples);
        m.SetTargetSamplesPerPixel(samples);
        m.SetSourceBitsPerSample(sourceBits);
        m.SetTargetBitsPerSample(targetBits);
    };
    const bool byteDepth = bitDepth == 8 || bitDepth == 16;
    const bool smallDepth = bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    int sourceBPP = 1;
    switch (colorType) {
    case 0:
        if (!smallDepth && bitDepth != 16)
            invalid();
        describe(csG, csG, 1, bitDepth, bitDepth == 2 ? 4 : bitDepth == 16 ? 8 : bitDepth);
        sourceBPP = (bitDepth + 7) / 8;
        break;
    case 2:
        if (!byteDepth)
            invalid();
        describe(csRGB, csBGR, 3, bitDepth, 8);
        sourceBPP = bitDepth * 3 / 8;
        break;
    case 3:
        if (!smallDepth)
            invalid();
        describe(csIndexed, csIndexed, 1, bitDepth, bitDepth == 2 ? 4 : bitDepth);
        sourceBPP = 1;
        break;
    case 4:
        if (!byteDepth)
            invalid();
        describe(csGA, csIndexed, 1, bitDepth, 8);
        sourceBPP = bitDepth * 2 / 8;
        break;
    case 6:
        if (!byteDepth)
            invalid();
        describe(csRGBA, csBGRA, 4, bitDepth, 8);
        sourceBPP = bitDepth * 4 / 8;
        break;
    default:
        invalid();
    }
    switch (colorType) {
    case 2: FFormat = ui::pf24bit; break;
    case 6: FFormat = ui::pf32bit; break;
    case 4: FFormat = ui::pf8bit; break;
    default: {
        const int bits = m.TargetBitsPerSample();
        FFormat = bits == 1 ? ui::pf1bit : bits <= 4 ? ui::pf4bit : ui::pf8bit;
        break;
    }
    }
    if (colorType == 0 || colorType == 4)
        FPalette = m.CreateGrayscalePalette(false);
    FPrepared = true;
    return sourceBPP;
}

void TPNGReader::ReadBackgroundChunk(int colorType, int bitDepth)
{
    ReadChunkData();
    const std::vector<uint8_t>& d = FRawBuffer;
    auto sample = [&](size_t i) { return i * 2 + 1 < d.size() ? BigEndian16(&d[i * 2]) : 0u; };
    if (colorType == 0 || colorType == 4) {
        unsigned v = sample(0);
        v = bitDepth == 2 ? v * 15 / 3 : bitDepth == 16 ? Scale16(v) : (v & 0xFF);
        // Grey: equal red, green and blue.
        FBackgroundColor = (v & 0xFF) * 0x010101u;
    } else if (colorType == 2 || colorType == 6) {
        uint32_t c = 0;
        for (size_t i = 0; i < 3; ++i)
            c |= (bitDepth == 16 ? Scale16(sample(i)) : (sample(i) & 0xFF)) << (8 * i);
        FBackgroundColor = c;
    } else if (!d.empty()) {
        FBackgroundColor = d[0];
    }
}

void TPNGReader::ReadTransparencyChunk(int colorType, int bitDepth)
{
    ReadChunkData();
    const std::vector<uint8_t>& d = FRawBuffer;
    auto sample = [&](size_t i) { return i * 2 + 1 < d.size() ? BigEndian16(&d[i * 2]) : 0u; };
    switch (colorType) {
    case 0: {
        unsigned v = sample(0);
        v = bitDepth == 2 ? v * 15 / 3 : bitDepth == 16 ? Scale16(v) : v;
        FTransparentColor = (v & 0xFF) * 0x010101u;
        break;
    }
    case 2: {
        uint32_t c = 0;
        for (size_t i = 0; i < 3; ++i)
            c |= (bitDepth == 16 ? Scale16(sample(i)) : (sample(i) & 0xFF)) << (8 * i);
        FTransparentColor = c;
        break;
    }
    case 4:
    case 6:
        break;
    default:
        FTransparency.assign(256, 255);
        std::copy(d.begin(), d.begin() + ptrdiff_t(std::min<size_t>(d.size(), 256)), FTransparency.begin());
        break;
    }
}

void TPNGReader::Load(core::Stream& stream, PngTarget& target)
{
    // A second load decodes as into a new object.
    FColorManager = std::make_unique<TColorManager>();
    FStream = &stream;
    const int64_t base = stream.Position();
    if (!ReadImageProperties(stream))
        Fail(kInvalidFormat);
    const TImageProperties& p = FImageProperties;
    if (uint64_t(p.Width) * p.Height > kMaxPixels || p.Width > 0x7FFFFFFF || p.Height > 0x7FFFFFFF)
        Fail(kInvalidFormat);
    stream.Seek(base + 8, core::soBeginning);
    FProgressRect = ui::PixelRect{0, 0, int(p.Width), 1};
    Progress(psStarting, 0, u"Preparing...");
    FPalette.clear();
    FTransparency.clear();
    FBackgroundColor = 0xFFFFFF;
    FTransparentColor = NoTransparentColor;
    FPrepared = false;
    FFormat = ui::pfDevice;
    FCurrentSource = FIDATSize = 0;
    ReadChunkHeader();
    FColorManager->SourceOptions = coNeedByteSwap;
    ReadChunkData();
    if (p.Compression != ctLZ77)
        Fail(u"Cannot load image. The compression scheme is not supported for PNG files.");
    const int colorType = FRawBuffer[9], bitDepth = FRawBuffer[8];
    struct Cleanup {
        TPNGReader& r;
        ~Cleanup()
        {
            if (r.FDecoder) {
                try {
                    r.FDecoder->DecodeEnd();
                } catch (...) {
                }
                r.FDecoder.reset();
            }
            r.FRawBuffer.clear();
            r.FRawBuffer.shrink_to_fit();
            r.Progress(psEnding, 0, u"");
        }
    } cleanup{*this};
    FDecoder = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, false);
    FDecoder->DecodeInit();
    for (;;) {
        ReadChunkHeader();
        if (IsChunkType("IDAT")) {
            Progress(psEnding, 0, u"");
            ReadImageData(target);
            // The header after the last IDAT chunk is in place: handled as an unknown chunk.
        } else if (IsChunkType("PLTE")) {
            if (FHeader.length % 3 != 0)
                Fail(u"Cannot load image. Palette in PNG file is invalid.");
            ReadChunkData();
            if (colorType == 3) {
                FSourceBPP = PrepareColorDepth(colorType, bitDepth);
                const uint8_t* data[1] = {FRawBuffer.data()};
                FPalette = FColorManager->CreateColorPalette(data, 1, 0, FHeader.length / 3, false);
            }
            continue;
        } else if (IsChunkType("gAMA")) {
            ReadChunkData();
            if (FRawBuffer.size() >= 4)
                FColorManager->SetGamma(float(BigEndian32(FRawBuffer.data()) / 100000.0), 2.2f);
            FColorManager->TargetOptions |= coApplyGamma;
            FImageProperties.Options |= ioUseGamma;
            continue;
        } else if (IsChunkType("bKGD")) {
            ReadBackgroundChunk(colorType, bitDepth);
            continue;
        } else if (IsChunkType("tRNS")) {
            ReadTransparencyChunk(colorType, bitDepth);
            continue;
        }
        SkipChunk();
        if (IsChunkType("IEND"))
            break;
        if (IsCritical())
            Fail(u"Cannot load PNG image. Unexpected but critical chunk detected.");
    }
}

// Inflates up to count bytes into buffer, loading IDAT chunks as they are needed; fewer only when
// the image data runs out (no IDAT chunk follows).
size_t TPNGReader::Inflate(uint8_t* buffer, size_t count)
{
    uint8_t* dest = buffer;
    while (size_t(dest - buffer) < count) {
        if (FDecoder->AvailableInput() == 0 || FCurrentSource >= FIDATSize) {
            FCurrentSource = FIDATSize = 0;
            while (FIDATSize == 0) {
                if (!IsChunkType("IDAT"))
                    return size_t(dest - buffer);
                ReadChunkData();
                FIDATSize = FRawBuffer.size();
                FCurrentSource = 0;
                ReadChunkHeader();
            }
        }
        const uint8_t* source = FRawBuffer.data() + FCurrentSource;
        FDecoder->Decode(source, dest, FIDATSize - FCurrentSource, count - size_t(dest - buffer));
        FCurrentSource = size_t(source - FRawBuffer.data());
        const int result = FDecoder->ZLibResult();
        if (result == Z_STREAM_END) {
            if (size_t(dest - buffer) < count || FCurrentSource < FIDATSize)
                Fail(u"Cannot load image. Extra compressed data found in PNG file.");
            break;
        }
        if (result != Z_OK)
            Fail(u"Cannot load image. Compression error found in PNG file.");
    }
    return size_t(dest - buffer);
}

bool TPNGReader::InflateRow(uint8_t* buffer, size_t count)
{
    // Rows are served from a larger block of inflated data: one inflate call then covers many rows,
    // and the image never asks the inflater for more than all its rows hold.
    while (count > 0) {
        if (FStageBegin == FStageEnd) {
            const size_t n = size_t(std::min<uint64_t>(std::max(FStage.size(), count), FToInflate));
            if (FStage.size() < n)
                FStage.resize(n);
            FStageBegin = 0;
            FStageEnd = n == 0 ? 0 : Inflate(FStage.data(), n);
            FToInflate -= FStageEnd;
            if (FStageEnd == 0)
                return false; // the data ran out: the rest keeps the background
        }
        const size_t n = std::min(count, FStageEnd - FStageBegin);
        std::memcpy(buffer, FStage.data() + FStageBegin, n);
        FStageBegin += n;
        buffer += n;
        count -= n;
    }
    return true;
}

void TPNGReader::ReadImageData(PngTarget& target)
{
    Progress(psStarting, 0, u"Transfering...");
    const TImageProperties& p = FImageProperties;
    const int colorType = p.ColorScheme == csG ? 0 : p.ColorScheme == csRGB ? 2 : p.ColorScheme == csIndexed ? 3
                                                   : p.ColorScheme == csGA ? 4 : p.ColorScheme == csRGBA ? 6 : -1;
    if (!FPrepared)
        FSourceBPP = PrepareColorDepth(colorType, p.BitsPerSample);
    const int width = int(p.Width), height = int(p.Height);
    std::vector<uint32_t> palette = FPalette;
    if (ui::IsIndexed(FFormat) && palette.empty())
        palette = FColorManager->CreateGrayscalePalette(false);
    target.Prepare(width, height, FFormat, palette);
    ui::PixelView view = target.Pixels();
    if (!view.Valid())
        Fail(kInvalidFormat);
    const uint32_t fill = ui::IsIndexed(FFormat) ? NearestIndex(palette, FBackgroundColor) : FBackgroundColor;
    // Rows read in order are filled only where the image data does not reach; passes fill first.
    if (FInterlaceMethod == 1)
        view.Fill(view.Bounds(), fill);
    if (FTransparentColor != NoTransparentColor)
        target.SetTransparentColor(FTransparentColor);

    const uint64_t bitsPerRow = uint64_t(width) * p.BitsPerSample;
    const size_t rowLength = size_t((bitsPerRow + 7) / 8 * p.SamplesPerPixel) + 1;
    std::vector<uint8_t> current(rowLength, 0), previous(rowLength, 0);
    FStage.assign(size_t(256) * 1024, 0);
    FStageBegin = FStageEnd = 0;
    FToInflate = uint64_t(rowLength) * uint64_t(height);
    bool more = true;
    auto convert = [&](int y, size_t bytes, uint8_t mask) {
        UnfilterRow(current[0], current.data() + 1, previous.data() + 1, size_t(FSourceBPP), bytes);
        FColorManager->ConvertRow(current.data() + 1, view.Row(y), unsigned(width), mask);
        std::swap(current, previous);
    };
    // Interlace method 1 is Adam7; any other value reads the rows in order.
    if (FInterlaceMethod == 1) {
        static const int startRow[7] = {0, 0, 4, 0, 2, 0, 1}, startCol[7] = {0, 4, 0, 2, 0, 1, 0};
        static const int rowStep[7] = {8, 8, 8, 4, 4, 2, 2}, colStep[7] = {8, 8, 4, 4, 2, 2, 1};
        static const uint8_t masks[7] = {0x80, 0x08, 0x88, 0x22, 0xAA, 0x55, 0xFF};
        FToInflate = 0;
        for (int pass = 0; pass < 7; ++pass)
            if (startCol[pass] < width) {
                const int pixels = (width + colStep[pass] - startCol[pass] - 1) / colStep[pass];
                const int rows = (height - startRow[pass] + rowStep[pass] - 1) / rowStep[pass];
                if (rows > 0)
                    FToInflate += ((uint64_t(pixels) * p.BitsPerSample + 7) / 8 * p.SamplesPerPixel + 1) * uint64_t(rows);
            }
        for (int pass = 0; pass < 7 && more; ++pass) {
            if (startCol[pass] >= width)
                continue;
            const int pixels = (width + colStep[pass] - startCol[pass] - 1) / colStep[pass];
            const size_t bytes = size_t((uint64_t(pixels) * p.BitsPerSample + 7) / 8 * p.SamplesPerPixel);
            std::fill(previous.begin(), previous.end(), 0);
            for (int y = startRow[pass]; y < height; y += rowStep[pass]) {
                if (!InflateRow(current.data(), bytes + 1)) {
                    more = false;
                    break;
                }
                convert(y, bytes, masks[pass]);
                if (pass == 6)
                    Progress(psRunning, int(int64_t(y + 1) * 100 / height), u"");
            }
        }
    } else {
        // A row wholly inside the block of inflated data is unfiltered and converted where it lies;
        // only a row that straddles two blocks is put together in a row buffer. The row above stays
        // where it was made until the block is refilled, when it is kept in the other row buffer.
        const uint8_t* prior = previous.data();
        for (int y = 0; y < height; ++y) {
            uint8_t* row;
            if (FStageEnd - FStageBegin >= rowLength) {
                row = FStage.data() + FStageBegin;
                FStageBegin += rowLength;
            } else {
                if (prior == current.data())
                    std::swap(current, previous);
                else if (prior != previous.data())
                    std::memcpy(previous.data(), prior, rowLength);
                prior = previous.data();
                if (!InflateRow(current.data(), rowLength)) {
                    more = false;
                    view.Fill(ui::PixelRect{0, y, width, height}, fill);
                    break;
                }
                row = current.data();
            }
            UnfilterRow(row[0], row + 1, prior + 1, size_t(FSourceBPP), rowLength - 1);
            FColorManager->ConvertRow(row + 1, view.Row(y), unsigned(width), 0xFF);
            prior = row;
            Progress(psRunning, int(int64_t(y) * 100 / height), u"");
        }
    }
    FStage.clear();
    FStage.shrink_to_fit();
    // Further IDAT chunks are read and checked, not decompressed.
    while (IsChunkType("IDAT")) {
        ReadChunkData();
        ReadChunkHeader();
    }
}

void ClearTransparentWhite(const ui::PixelView& view)
{
    if (view.Format() != ui::pf32bit || view.Width() < 2 || view.Height() < 2)
        return;
    for (int y = 0; y < view.Height(); ++y) {
        uint8_t* p = view.Row(y);
        for (int x = 0; x < view.Width(); ++x, p += 4)
            if (p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 0)
                p[0] = p[1] = p[2] = 0;
    }
}

} // namespace skin
