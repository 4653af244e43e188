// Benchmark of the skin engine's PNG reader and packed-skin reader against the reference libraries
// in the same run:
// - decoding 2048 x 2048 RGBA images (filters none, Paeth, adaptive), an RGB and a palette image,
//   and 200 images of 64 x 64, into the reader's pixel formats (BGRA, BGR, 8-bit indexes), against
//   libpng 1.6 set to give the same bytes (and spng, printed, when it is installed);
// - unpacking an archive of 200 synthetic entries against zlib's uncompress of the same streams.
// Each figure is the median of the rounds; the candidates alternate within each round. Speeds are
// reported as reference time / our time (above 1: ours is faster).
//   build/host/bench/png_bench [rounds]
#include "skin/engine/png.h"
#include "skin/engine/skinpack.h"
#include "skin/engine/testwriters/writers.h"

#include <png.h>
#include <zlib.h>

#include "bench/timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace skin::testing;

namespace {

using bench::Median;
using bench::Seconds;

// A picture with smooth areas, edges and some noise, as skin images have.
PngImage Picture(int w, int h, int type, int filter)
{
    PngImage image;
    image.width = w;
    image.height = h;
    image.colorType = type;
    image.filter = filter;
    const int channels = type == 2 ? 3 : type == 6 ? 4 : 1;
    uint32_t seed = 1;
    for (int y = 0; y < h; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 29);
            for (int c = 0; c < channels; ++c) {
                int v = ((x * (c + 1) + y * (3 - c % 3)) / 8 + ((x / 64 + y / 64) % 2) * 60 + noise) & 0xFF;
                if (type == 3)
                    v = (x / 16 + y / 16 + noise) & 0xFF;
                if (c == 3)
                    v = x < w / 8 ? 0 : 255 - (y & 0x3F);
                samples.push_back(v);
            }
        }
        image.rows.push_back(PackSamples(samples, 8));
    }
    if (type == 3)
        for (int i = 0; i < 256; ++i)
            image.palette += std::string{char(i), char(255 - i), char(i / 2)};
    return image;
}

struct MemoryReader {
    const std::string* bytes;
    size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (r->position + count > r->bytes->size())
        png_error(png, "read past end");
    std::memcpy(out, r->bytes->data() + r->position, count);
    r->position += count;
}

// libpng decoding into the same bytes the reader gives: BGR(A) order, 8-bit indexes, top-down rows.
size_t LibpngDecode(const std::string& bytes, std::vector<uint8_t>& pixels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&bytes, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    pixels.resize(rowBytes * h);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = pixels.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return rowBytes;
}

void OursDecode(const std::string& bytes, skin::PixelBufferTarget& target)
{
    core::StringStream stream(bytes);
    skin::TPNGReader reader;
    reader.Load(stream, target);
}

bool SameBytes(const std::string& png)
{
    std::vector<uint8_t> ref;
    const size_t rowBytes = LibpngDecode(png, ref);
    skin::PixelBufferTarget ours;
    OursDecode(png, ours);
    const ui::PixelView v = ours.Buffer.View();
    for (int y = 0; y < v.Height(); ++y)
        if (std::memcmp(v.Row(y), ref.data() + size_t(y) * rowBytes, rowBytes) != 0)
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    struct Set {
        const char* name;
        std::vector<std::string> files;
        double target;
    };
    std::vector<Set> sets;
    sets.push_back({"RGBA 2048x2048, filter none", {EncodePng(Picture(2048, 2048, 6, 0), 65536)}, 1.0});
    sets.push_back({"RGBA 2048x2048, Paeth", {EncodePng(Picture(2048, 2048, 6, 4), 65536)}, 1.3});
    sets.push_back({"RGBA 2048x2048, adaptive", {EncodePng(Picture(2048, 2048, 6, -1), 65536)}, 1.3});
    sets.push_back({"RGB 2048x2048, adaptive", {EncodePng(Picture(2048, 2048, 2, -1), 65536)}, 1.0});
    sets.push_back({"palette 2048x2048, adaptive", {EncodePng(Picture(2048, 2048, 3, -1), 65536)}, 1.0});
    Set small{"200 RGBA 64x64, adaptive", {}, 1.0};
    for (int i = 0; i < 200; ++i)
        small.files.push_back(EncodePng(Picture(64, 64, 6, -1)));
    sets.push_back(small);

    std::printf("speed = libpng time / our time (target in brackets)\n");
    bool allMet = true;
    for (const Set& set : sets) {
        if (!SameBytes(set.files[0])) {
            std::printf("%-30s different bytes from libpng!\n", set.name);
            allMet = false;
            continue;
        }
        std::vector<double> ours, ref;
        for (int r = 0; r < rounds; ++r) {
            ours.push_back(Seconds([&] {
                for (const std::string& f : set.files) {
                    skin::PixelBufferTarget t;
                    OursDecode(f, t);
                }
            }));
            ref.push_back(Seconds([&] {
                std::vector<uint8_t> pixels;
                for (const std::string& f : set.files)
                    LibpngDecode(f, pixels);
            }));
        }
        const double speed = Median(ref) / Median(ours);
        allMet &= speed >= set.target;
        std::printf("%-30s ours %7.2f ms  libpng %7.2f ms  speed %.2f (>= %.1f)\n", set.name, Median(ours) * 1e3,
                    Median(ref) * 1e3, speed, set.target);
    }

    // What the inflater alone costs for the Paeth image's data: the floor under both readers.
    {
        const PngImage paeth = Picture(2048, 2048, 6, 4);
        const std::string data = PngImageData(paeth);
        std::vector<uint8_t> raw(size_t(2048) * (2048 * 4 + 1));
        std::vector<double> alone;
        for (int r = 0; r < rounds; ++r)
            alone.push_back(Seconds([&] {
                uLongf size = uLongf(raw.size());
                uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()));
            }));
        std::printf("%-30s zlib uncompress alone %7.2f ms\n", "RGBA 2048x2048, Paeth", Median(alone) * 1e3);
    }

    // 200 entries of skin-like content.
    std::vector<PackEntry> entries;
    std::vector<std::string> streams;
    size_t unpacked = 0;
    for (int i = 0; i < 200; ++i) {
        PngImage p = Picture(64 + i % 64, 48, 2, 0);
        std::string content;
        for (const std::string& row : p.rows)
            content += row;
        unpacked += content.size();
        entries.emplace_back("image" + std::to_string(i) + ".bmp", content);
        streams.push_back(Deflate(content));
    }
    const std::string archive = PackArchive(entries);
    std::vector<double> ours, ref;
    for (int r = 0; r < rounds; ++r) {
        ours.push_back(Seconds([&] {
            core::StringStream data(archive);
            skin::TacSkinConvertor conv;
            conv.LendPackedData(&data);
            conv.Unpack();
            conv.LendPackedData(nullptr);
        }));
        ref.push_back(Seconds([&] {
            std::vector<uint8_t> out;
            for (size_t i = 0; i < streams.size(); ++i) {
                out.resize(entries[i].content.size());
                uLongf size = uLongf(out.size());
                uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(streams[i].data()), uLong(streams[i].size()));
            }
        }));
    }
    const double speed = Median(ref) / Median(ours);
    allMet &= speed >= 0.85;
    std::printf("archive of 200 entries, %zu KiB: ours %.2f ms  uncompress %.2f ms  throughput %.2f (>= 0.85)\n",
                unpacked / 1024, Median(ours) * 1e3, Median(ref) * 1e3, speed);
    std::printf(allMet ? "all targets met\n" : "some targets missed\n");
    return 0;
}
