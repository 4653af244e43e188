// Writers of zlib streams, packed archives and PNG images for tests.
#include "skin/engine/testwriters/writers.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace skin::testing {
namespace {

void PutLE32(std::string& out, int64_t value)
{
    const uint32_t v = uint32_t(value);
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i) & 0xFF);
}

void PutBE32(std::string& out, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        out += char(v >> (8 * i) & 0xFF);
}

int Channels(int colorType)
{
    switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

// The bits of pixel x of a packed row (at most 64).
uint64_t PixelBits(const std::string& row, int x, int bpp)
{
    uint64_t value = 0;
    const int64_t first = int64_t(x) * bpp;
    for (int i = 0; i < bpp; ++i) {
        const int64_t bit = first + i;
        const int b = (uint8_t(row[size_t(bit / 8)]) >> (7 - bit % 8)) & 1;
        value = value << 1 | uint64_t(b);
    }
    return value;
}

void PutPixelBits(std::string& row, int x, int bpp, uint64_t value)
{
    const int64_t first = int64_t(x) * bpp;
    for (int i = 0; i < bpp; ++i) {
        const int64_t bit = first + i;
        if (value >> (bpp - 1 - i) & 1)
            row[size_t(bit / 8)] = char(uint8_t(row[size_t(bit / 8)]) | (0x80 >> (bit % 8)));
    }
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

std::string FilterRow(int type, const std::string& row, const std::string& prior, int bpp)
{
    std::string out(1, char(type));
    for (size_t i = 0; i < row.size(); ++i) {
        const int x = uint8_t(row[i]);
        const int a = i >= size_t(bpp) ? uint8_t(row[i - bpp]) : 0;
        const int b = uint8_t(prior[i]);
        const int c = i >= size_t(bpp) ? uint8_t(prior[i - bpp]) : 0;
        int p = 0;
        switch (type) {
        case 1: p = a; break;
        case 2: p = b; break;
        case 3: p = (a + b) / 2; break;
        case 4: p = Paeth(a, b, c); break;
        default: break;
        }
        out += char((x - p) & 0xFF);
    }
    return out;
}

// The rows of a (sub-)image filtered: the fixed filter, or per row the one of least absolute sum.
std::string FilterRows(const std::vector<std::string>& rows, int filter, int bpp)
{
    std::string out;
    std::string prior = rows.empty() ? std::string() : std::string(rows[0].size(), '\0');
    for (const std::string& row : rows) {
        std::string best;
        if (filter >= 0) {
            best = FilterRow(filter, row, prior, bpp);
        } else {
            long bestSum = -1;
            for (int type = 0; type <= 4; ++type) {
                std::string candidate = FilterRow(type, row, prior, bpp);
                long sum = 0;
                for (size_t i = 1; i < candidate.size(); ++i)
                    sum += std::abs(int(int8_t(candidate[i])));
                if (bestSum < 0 || sum < bestSum) {
                    bestSum = sum;
                    best = std::move(candidate);
                }
            }
        }
        out += best;
        prior = row;
    }
    return out;
}

} // namespace

std::string Deflate(const std::string& bytes, int level)
{
    uLongf size = compressBound(uLong(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  uLong(bytes.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

std::string PackArchive(const std::vector<PackEntry>& entries, int64_t count, const std::string& trailing)
{
    std::string out = "ASzf";
    PutLE32(out, count < 0 ? int64_t(entries.size()) : count);
    for (const PackEntry& e : entries) {
        PutLE32(out, int64_t(e.name.size()));
        out += e.name;
        PutLE32(out, e.statedSize == kContentSize ? int64_t(e.content.size()) : e.statedSize);
        out += e.stream.empty() ? Deflate(e.content) : e.stream;
    }
    return out + trailing;
}

uint32_t Crc32(const std::string& bytes)
{
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
}

std::string PngChunk(const std::string& type, const std::string& data)
{
    std::string out;
    PutBE32(out, uint32_t(data.size()));
    out += type + data;
    PutBE32(out, Crc32(type + data));
    return out;
}

std::string PackSamples(const std::vector<int>& samples, int bitDepth)
{
    std::string out(((samples.size() * size_t(bitDepth)) + 7) / 8, '\0');
    for (size_t i = 0; i < samples.size(); ++i)
        PutPixelBits(out, int(i), bitDepth, uint64_t(samples[i]));
    return out;
}

std::string PngImageData(const PngImage& image)
{
    const int bpp = Channels(image.colorType) * image.bitDepth;
    const int filterBpp = std::max(1, bpp / 8);
    std::string raw;
    if (!image.interlaced) {
        raw = FilterRows(image.rows, image.filter, filterBpp);
    } else {
        static const int startRow[7] = {0, 0, 4, 0, 2, 0, 1}, startCol[7] = {0, 4, 0, 2, 0, 1, 0};
        static const int rowStep[7] = {8, 8, 8, 4, 4, 2, 2}, colStep[7] = {8, 8, 4, 4, 2, 2, 1};
        for (int pass = 0; pass < 7; ++pass) {
            std::vector<std::string> rows;
            const int w = (image.width - startCol[pass] + colStep[pass] - 1) / colStep[pass];
            if (w <= 0)
                continue;
            for (int y = startRow[pass]; y < image.height; y += rowStep[pass]) {
                std::string row((size_t(w) * bpp + 7) / 8, '\0');
                for (int i = 0; i < w; ++i)
                    PutPixelBits(row, i, bpp, PixelBits(image.rows[size_t(y)], startCol[pass] + i * colStep[pass], bpp));
                rows.push_back(row);
            }
            raw += FilterRows(rows, image.filter, filterBpp);
        }
    }
    return Deflate(raw);
}

std::string EncodePng(const PngImage& image, size_t idatSplit)
{
    std::string out = "\x89PNG\r\n\x1A\n";
    std::string ihdr;
    PutBE32(ihdr, uint32_t(image.width));
    PutBE32(ihdr, uint32_t(image.height));
    ihdr += char(image.bitDepth);
    ihdr += char(image.colorType);
    ihdr += '\0';
    ihdr += '\0';
    ihdr += char(image.interlaced ? 1 : 0);
    out += PngChunk("IHDR", ihdr);
    if (image.gamma > 0) {
        std::string g;
        PutBE32(g, uint32_t(image.gamma));
        out += PngChunk("gAMA", g);
    }
    if (!image.palette.empty())
        out += PngChunk("PLTE", image.palette);
    if (!image.transparency.empty())
        out += PngChunk("tRNS", image.transparency);
    if (!image.background.empty())
        out += PngChunk("bKGD", image.background);
    const std::string data = PngImageData(image);
    if (idatSplit == 0)
        idatSplit = data.size() + 1;
    for (size_t i = 0; i < data.size(); i += idatSplit)
        out += PngChunk("IDAT", data.substr(i, idatSplit));
    out += PngChunk("IEND", "");
    return out;
}

std::string EncodeRgbaPng(int width, int height, const std::function<uint32_t(int x, int y)>& pixel)
{
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = 6;
    for (int y = 0; y < height; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixel(x, y);
            samples.insert(samples.end(),
                           {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF), int(p >> 24)});
        }
        image.rows.push_back(PackSamples(samples, 8));
    }
    return EncodePng(image);
}

std::string EncodeIco(const IcoImage& image)
{
    const int w = image.width, h = image.height, bytesPerPixel = image.bitCount / 8;
    const int colorStride = (w * bytesPerPixel + 3) / 4 * 4, maskStride = ((w + 31) / 32) * 4;
    std::string bits;
    PutLE32(bits, 40);
    PutLE32(bits, w);
    PutLE32(bits, 2 * h);
    bits += std::string("\x01\x00", 2);
    bits += char(image.bitCount);
    bits += '\0';
    for (int i = 0; i < 6; ++i)
        PutLE32(bits, 0);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const uint32_t p = image.pixels[size_t(y) * size_t(w) + size_t(x)];
            for (int c = 0; c < bytesPerPixel; ++c)
                row += char(p >> (8 * c) & 0xFF);
        }
        row.resize(size_t(colorStride), '\0');
        bits += row;
    }
    for (int y = h - 1; y >= 0; --y) {
        std::string row(size_t(maskStride), '\0');
        for (int x = 0; x < w; ++x)
            if (!image.transparent.empty() && image.transparent[size_t(y) * size_t(w) + size_t(x)])
                row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
        bits += row;
    }
    std::string out("\0\0\x01\0\x01\0", 6);
    out += char(w >= 256 ? 0 : w);
    out += char(h >= 256 ? 0 : h);
    out += std::string("\0\0\x01\0", 4);
    out += char(image.bitCount);
    out += '\0';
    PutLE32(out, int64_t(bits.size()));
    PutLE32(out, 22);
    return out + bits;
}

} // namespace skin::testing
