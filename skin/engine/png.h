// The PNG reader: chunks with their CRC-32 check, the image data inflated a row at a time, the row
// filters, Adam7 de-interlacing, and every row converted into the target's pixel format by the colour
// manager. It writes into a target of size, pixel format, palette and rows, so that the same decoder
// fills a class-library bitmap (TPNGGraphic) or a PixelBuffer.
//
// A PNG file: the 8-byte signature 89 50 4E 47 0D 0A 1A 0A, then chunks, each a big-endian data
// length, a four-letter type, the data and a big-endian CRC-32 of type and data. IHDR comes first
// (width, height, bit depth, colour type, compression, filter and interlace methods), IEND last; the
// IDAT chunks together hold one zlib stream of filtered rows, each row led by its filter byte.
#pragma once

#include "core/exception.h"
#include "core/stream.h"
#include "skin/engine/colormanager.h"
#include "ui/pixelview.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skin {

CORE_DECLARE_EXCEPTION(EGraphicCompression, core::Exception);

constexpr uint32_t NoTransparentColor = 0x1FFFFFFF;

enum TImageOption : unsigned { ioBigEndian = 1, ioUseGamma = 2 };
enum TCompressionType { ctUnknown, ctNone, ctLZ77 };

struct TImageProperties {
    unsigned Options = 0;
    uint32_t Width = 0, Height = 0;
    TColorScheme ColorScheme = csUnknown;
    uint8_t BitsPerSample = 0, SamplesPerPixel = 0, BitsPerPixel = 0;
    TCompressionType Compression = ctUnknown;
    float FileGamma = 1;
    bool Interlaced = false, HasAlpha = false;
    uint8_t FilterMode = 0;
};

enum TProgressStage { psStarting, psRunning, psEnding };

// Where decoded rows go.
class PngTarget {
public:
    virtual ~PngTarget() = default;
    // The image's size and storage (pf1bit, pf4bit, pf8bit, pf24bit or pf32bit), with its palette
    // for the indexed formats.
    virtual void Prepare(int width, int height, ui::PixelFormat format, const std::vector<uint32_t>& palette) = 0;
    virtual ui::PixelView Pixels() = 0;
    // The single transparent colour of a grey or RGB image.
    virtual void SetTransparentColor(uint32_t color) {}
};

// A target in memory.
class PixelBufferTarget : public PngTarget {
public:
    void Prepare(int width, int height, ui::PixelFormat format, const std::vector<uint32_t>& palette) override
    {
        Buffer = ui::PixelBuffer(width, height, format);
        Palette = palette;
    }
    ui::PixelView Pixels() override { return Buffer.View(); }
    void SetTransparentColor(uint32_t color) override { TransparentColor = color; }

    ui::PixelBuffer Buffer;
    std::vector<uint32_t> Palette;
    uint32_t TransparentColor = NoTransparentColor;
};

// The standard CRC-32 of PNG chunks, continued from crc (0 to start). Long runs are folded with
// carry-less multiplication where the processor has it; the tables are built once, on first use.
uint32_t PngCrc(uint32_t crc, const uint8_t* data, size_t size);
// The same by the tables alone, on every processor (the portable path, and a yardstick for tests).
uint32_t PngCrcByTable(uint32_t crc, const uint8_t* data, size_t size);

// The compression library's inflater as the reader drives it: a flush value and an optional reset.
class TLZ77Decoder {
public:
    TLZ77Decoder(int flushMode, bool autoReset);
    ~TLZ77Decoder();
    TLZ77Decoder(const TLZ77Decoder&) = delete;
    TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

    void DecodeInit();
    // Inflates from source into dest and moves both past what was used; nothing once a call has
    // ended with a result other than ok.
    void Decode(const uint8_t*& source, uint8_t*& dest, size_t packedSize, size_t unpackedSize);
    void DecodeEnd();
    void Encode() {}
    int ZLibResult() const { return FZLibResult; }
    size_t AvailableInput() const { return FStream.avail_in; }
    size_t AvailableOutput() const { return FStream.avail_out; }

private:
    z_stream FStream{};
    int FZLibResult = Z_OK;
    int FFlushMode;
    bool FAutoReset;
    bool FStarted = false;
};

class TPNGReader {
public:
    TPNGReader() = default;
    // True when more than 8 bytes follow the position and they start with the signature; the
    // position is restored.
    static bool CanLoad(core::Stream& stream);
    // Fills ImageProperties from the signature, IHDR and a gAMA chunk; false when no PNG or the size
    // is 0.
    bool ReadImageProperties(core::Stream& stream);
    // Decodes the PNG at the stream's position into the target; format errors raise EInvalidGraphic
    // with the fixed messages, data that ends early "Stream read error". Every load starts from a
    // fresh colour manager.
    void Load(core::Stream& stream, PngTarget& target);

    const TImageProperties& ImageProperties() const { return FImageProperties; }
    TColorManager& ColorManager() { return *FColorManager; }
    uint32_t BackgroundColor() const { return FBackgroundColor; }
    const std::vector<uint8_t>& Transparency() const { return FTransparency; }
    uint32_t TransparentColor() const { return FTransparentColor; }

    // Progress of a load: the stage, the percentage of rows converted, a text and the rectangle of
    // the image that the last row covered (it starts as the first row and moves down a row each time).
    std::function<void(TProgressStage stage, int percent, const std::u16string& text, const ui::PixelRect& rect)>
        OnProgress;

private:
    void Progress(TProgressStage stage, int percent, const std::u16string& text);
    void ReadChunkHeader();
    void ReadChunkData();
    bool IsChunkType(const char* type) const;
    void SkipChunk();
    bool IsCritical() const { return (FHeader.type[0] & 0x20) == 0; }
    int PrepareColorDepth(int colorType, int bitDepth);
    void ReadImageData(PngTarget& target);
    bool InflateRow(uint8_t* buffer, size_t count);
    size_t Inflate(uint8_t* buffer, size_t count);
    void ReadBackgroundChunk(int colorType, int bitDepth);
    void ReadTransparencyChunk(int colorType, int bitDepth);
    void CheckedRead(void* buffer, size_t count);

    struct ChunkHeader {
        uint32_t length = 0;
        uint8_t type[4] = {};
    };

    std::unique_ptr<TColorManager> FColorManager = std::make_unique<TColorManager>();
    TImageProperties FImageProperties;
    core::Stream* FStream = nullptr;
    std::unique_ptr<TLZ77Decoder> FDecoder;
    ChunkHeader FHeader;
    uint32_t FCurrentCRC = 0;
    std::vector<uint8_t> FRawBuffer;
    size_t FCurrentSource = 0;
    size_t FIDATSize = 0;
    int FSourceBPP = 1;
    int FInterlaceMethod = 0;
    bool FPrepared = false;
    ui::PixelFormat FFormat = ui::pfDevice;
    std::vector<uint32_t> FPalette;
    std::vector<uint8_t> FTransparency;
    uint32_t FTransparentColor = NoTransparentColor;
    uint32_t FBackgroundColor = 0xFFFFFF;
    ui::PixelRect FProgressRect;
    std::vector<uint8_t> FStage; // inflated rows not yet handed out
    size_t FStageBegin = 0, FStageEnd = 0;
    uint64_t FToInflate = 0; // bytes of the image's rows not yet inflated
};

// A 32-bit picture's fully transparent white pixels made transparent black (other formats and
// pictures under 2 x 2 pixels are left).
void ClearTransparentWhite(const ui::PixelView& view);

} // namespace skin
