// BMP reading and writing.
#include "ui/bmpformat.h"

#include <bit>
#include <cstring>

namespace ui {
namespace {

[[noreturn]] void Invalid() { throw EInvalidGraphic(u"Bitmap image is not valid"); }

uint32_t LE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t LE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

// The channel a mask selects, scaled to 8 bits.
uint8_t Channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    const uint32_t v = (pixel & mask) >> shift;
    return uint8_t(max == 255 ? v : v * 255 / max);
}

} // namespace

BmpImage ReadBmp(core::Stream& stream)
{
    const int64_t start = stream.Position();
    uint8_t file[14];
    if (stream.Read(file, 14) != 14 || file[0] != 'B' || file[1] != 'M')
        Invalid();
    uint8_t info[124] = {};
    if (stream.Read(info, 4) != 4)
        Invalid();
    const uint32_t headerSize = LE32(info);
    if (headerSize != 40 && headerSize != 108 && headerSize != 124)
        Invalid();
    if (stream.Read(info + 4, headerSize - 4) != int64_t(headerSize - 4))
        Invalid();
    const int32_t width = int32_t(LE32(info + 4)), rawHeight = int32_t(LE32(info + 8));
    const uint16_t bits = LE16(info + 14);
    const uint32_t compression = LE32(info + 16), used = LE32(info + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || LE16(info + 12) != 1)
        Invalid();
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;
    if (uint64_t(width) * uint64_t(height) > kMaxBmpPixels || RowBytes(width, pf32bit) == 0 || height > 65536)
        Invalid();
    PixelFormat format;
    switch (bits) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    case 32: format = pf32bit; break;
    default: Invalid();
    }
    uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    if (compression == 3) { // BI_BITFIELDS
        if (bits != 32)
            Invalid();
        if (headerSize == 40) {
            uint8_t m[12];
            stream.ReadBuffer(m, 12);
            masks[0] = LE32(m), masks[1] = LE32(m + 4), masks[2] = LE32(m + 8), masks[3] = 0;
        } else {
            masks[0] = LE32(info + 40), masks[1] = LE32(info + 44), masks[2] = LE32(info + 48), masks[3] = LE32(info + 52);
        }
    } else if (compression != 0) {
        Invalid();
    }
    BmpImage image;
    if (IsIndexed(format)) {
        const uint32_t most = 1u << bits;
        const uint32_t count = used == 0 ? most : used;
        if (count > most)
            Invalid();
        std::vector<uint8_t> quads(size_t(count) * 4);
        stream.ReadBuffer(quads.data(), int64_t(quads.size()));
        for (uint32_t i = 0; i < count; ++i)
            image.Palette.push_back(RGBValue(quads[i * 4 + 2], quads[i * 4 + 1], quads[i * 4]));
    }
    const size_t rowBytes = RowBytes(width, format);
    if (stream.Size() - (start + int64_t(LE32(file + 10))) < int64_t(rowBytes) * height)
        throw core::EReadError(u"Stream read error");
    stream.Seek(start + int64_t(LE32(file + 10)), core::soBeginning);
    image.Pixels = PixelBuffer(width, height, format);
    PixelView view = image.Pixels.View();
    std::vector<uint8_t> row(rowBytes);
    const bool plainMasks = masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF;
    for (int32_t i = 0; i < height; ++i) {
        stream.ReadBuffer(row.data(), int64_t(rowBytes));
        uint8_t* target = view.Row(topDown ? i : height - 1 - i);
        if (compression != 3 || plainMasks) {
            std::memcpy(target, row.data(), rowBytes);
            if (compression == 3 && masks[3] == 0)
                for (int32_t x = 0; x < width; ++x)
                    target[x * 4 + 3] = 0;
            continue;
        }
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = LE32(&row[size_t(x) * 4]);
            target[x * 4] = Channel(p, masks[2]);
            target[x * 4 + 1] = Channel(p, masks[1]);
            target[x * 4 + 2] = Channel(p, masks[0]);
            target[x * 4 + 3] = Channel(p, masks[3]);
        }
    }
    return image;
}

void WriteBmp(core::Stream& stream, const PixelView& pixels, const std::vector<uint32_t>& palette)
{
    if (!pixels.Valid())
        throw EInvalidGraphic(u"Bitmap image is not valid");
    const int bits = BitsPerPixel(pixels.Format());
    const size_t rowBytes = RowBytes(pixels.Width(), pixels.Format());
    const uint32_t colours = IsIndexed(pixels.Format()) ? uint32_t(1) << bits : 0;
    const uint32_t offset = 14 + 40 + colours * 4;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(offset + rowBytes * size_t(pixels.Height())));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, uint32_t(pixels.Width()));
    Put32(out, uint32_t(pixels.Height()));
    Put16(out, 1);
    Put16(out, uint16_t(bits));
    Put32(out, 0);
    Put32(out, uint32_t(rowBytes * size_t(pixels.Height())));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, 0);
    for (uint32_t i = 0; i < colours; ++i) {
        const uint32_t c = i < palette.size() ? palette[i] : 0;
        out.push_back(uint8_t(c >> 16));
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
        out.push_back(0);
    }
    stream.WriteBuffer(out.data(), int64_t(out.size()));
    for (int y = pixels.Height() - 1; y >= 0; --y) {
        std::vector<uint8_t> row(pixels.Row(y), pixels.Row(y) + (size_t(pixels.Width()) * size_t(bits) + 7) / 8);
        row.resize(rowBytes, 0);
        stream.WriteBuffer(row.data(), int64_t(rowBytes));
    }
}

} // namespace ui
