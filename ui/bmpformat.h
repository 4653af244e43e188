// BMP files: reading into pixels and a palette, and writing them back.
//
// A BMP file: a 14-byte file header ("BM", the file size, two reserved words, the offset of the
// pixels), an information header of 40, 108 or 124 bytes (its own size, width, height - negative for
// rows stored top-down -, planes 1, bits per pixel, compression, image size, resolution, colours used
// and important; the longer headers add the red, green, blue and alpha masks), with a 40-byte header
// and BI_BITFIELDS three masks after it, then for 1, 4 and 8 bits a palette of B, G, R, 0 quads, and
// the rows, each padded to four bytes. We read 1, 4, 8, 24 and 32 bits, BI_RGB and (for 32 bits)
// BI_BITFIELDS, either row order; anything else raises EInvalidGraphic "Bitmap image is not valid".
#pragma once

#include "core/stream.h"
#include "ui/pixelview.h"

#include <cstdint>
#include <vector>

namespace ui {

struct BmpImage {
    PixelBuffer Pixels;
    std::vector<uint32_t> Palette; // $00BBGGRR, for the indexed formats
};

// Pictures above this many pixels are refused as not valid.
constexpr uint64_t kMaxBmpPixels = uint64_t(1) << 26;

BmpImage ReadBmp(core::Stream& stream);
// A 40-byte-header BI_RGB file of the view's pixels (1, 4, 8, 24 or 32 bits), bottom-up.
void WriteBmp(core::Stream& stream, const PixelView& pixels, const std::vector<uint32_t>& palette);

} // namespace ui
