// Reads the header of a PNG picture.
//
// A PNG file begins with the 8-byte signature 89 50 4E 47 0D 0A 1A 0A, followed by chunks: a
// 4-byte big-endian data length, a 4-byte type, the data and a 4-byte CRC. The first chunk is IHDR
// with 13 data bytes: width and height (4 bytes each, big-endian, 1 to 2^31-1), bit depth, colour
// type (0 grey, 2 RGB, 3 palette, 4 grey with alpha, 6 RGB with alpha), compression method (0),
// filter method (0) and interlace method (0 or 1). The CRC is not checked here: the decoder does.
#include "skin/controls/pngheader.h"

namespace skin {

namespace {

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

bool ValidDepth(uint8_t type, uint8_t depth)
{
    switch (type) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: case 4: case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

} // namespace

std::optional<PngHeader> ReadPngHeader(const uint8_t* data, size_t size)
{
    static const uint8_t signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    constexpr size_t kNeeded = 8 + 8 + 13 + 4;
    if (!data || size < kNeeded)
        return std::nullopt;
    for (int i = 0; i < 8; ++i)
        if (data[i] != signature[i])
            return std::nullopt;
    if (BigEndian32(data + 8) != 13 || data[12] != 'I' || data[13] != 'H' || data[14] != 'D' || data[15] != 'R')
        return std::nullopt;
    const uint8_t* ihdr = data + 16;
    PngHeader header;
    header.Width = BigEndian32(ihdr);
    header.Height = BigEndian32(ihdr + 4);
    header.BitDepth = ihdr[8];
    header.ColorType = ihdr[9];
    header.Interlace = ihdr[12];
    if (header.Width == 0 || header.Height == 0 || header.Width > 0x7FFFFFFFu || header.Height > 0x7FFFFFFFu)
        return std::nullopt;
    if (!ValidDepth(header.ColorType, header.BitDepth) || ihdr[10] != 0 || ihdr[11] != 0 || header.Interlace > 1)
        return std::nullopt;
    return header;
}

} // namespace skin
