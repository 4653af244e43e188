// Writers of the files the skin engine reads, for tests, fuzz seeds and benchmarks: zlib streams,
// packed skin archives and PNG images of every colour type, depth, filter and interlace, with the
// chunk order and the faults a test asks for. Everything is made in memory; nothing here comes from
// another product.
#pragma once

#include <cstdint>
#include <functional>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace skin::testing {

// A zlib stream of the bytes (header, deflate data, Adler-32 trailer).
std::string Deflate(const std::string& bytes, int level = 6);

// ---- Packed skin archives ----
constexpr int64_t kContentSize = INT64_MIN;
struct PackEntry {
    PackEntry(std::string name, std::string content, int64_t statedSize = kContentSize, std::string stream = {})
        : name(std::move(name)), content(std::move(content)), statedSize(statedSize), stream(std::move(stream))
    {
    }
    std::string name;    // ANSI bytes
    std::string content;
    int64_t statedSize;  // the unpacked size written; kContentSize: the content's size
    std::string stream;  // the compressed stream written; empty: Deflate(content)
};
// "ASzf", the count (-1: the number of entries) and the entries; trailing bytes follow.
std::string PackArchive(const std::vector<PackEntry>& entries, int64_t count = -1, const std::string& trailing = {});

// ---- PNG ----
std::string PngChunk(const std::string& type, const std::string& data);
uint32_t Crc32(const std::string& bytes);

struct PngImage {
    int width = 0, height = 0;
    int colorType = 6; // 0 grey, 2 RGB, 3 indexed, 4 grey and alpha, 6 RGBA
    int bitDepth = 8;
    // Samples of each row, packed as the file holds them (big-endian 16-bit, bits from the top).
    std::vector<std::string> rows;
    std::string palette;      // PLTE data (RGB triples)
    std::string transparency; // tRNS data
    std::string background;   // bKGD data
    int gamma = 0;            // gAMA value; 0: none
    bool interlaced = false;
    // Filter of every row: 0..4, or -1 to choose for each row the one of least absolute sum.
    int filter = 0;
};
// Bytes of one packed row of samples from 8-bit or 16-bit sample values.
std::string PackSamples(const std::vector<int>& samples, int bitDepth);
// The whole file: signature, IHDR, gAMA, PLTE, tRNS, bKGD, the IDAT chunks (idatSplit bytes each;
// 0: one chunk), IEND.
std::string EncodePng(const PngImage& image, size_t idatSplit = 0);
// An 8-bit RGBA file whose pixels ($AARRGGBB) come from pixel(x, y).
std::string EncodeRgbaPng(int width, int height, const std::function<uint32_t(int x, int y)>& pixel);
// The filtered and compressed image data alone (as one zlib stream).
std::string PngImageData(const PngImage& image);

// ---- ICO ----
struct IcoImage {
    int width = 0, height = 0;
    int bitCount = 32;              // 24 or 32
    std::vector<uint32_t> pixels;   // top-down, width x height values $AARRGGBB (alpha ignored at 24)
    std::vector<bool> transparent;  // the AND mask, top-down; empty: every pixel opaque
};
// An icon file holding the one image: header, directory entry, BITMAPINFOHEADER (twice the height),
// bottom-up colour rows, bottom-up mask rows.
std::string EncodeIco(const IcoImage& image);

} // namespace skin::testing
