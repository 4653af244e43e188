// Writes the seed corpora of the engine's fuzz targets from the test writers:
//   make_seeds <folder of the engine's corpora> [<folder of ui's corpora>]
#include "skin/engine/testwriters/writers.h"
#include "ui/bmpformat.h"
#include "ui/jpegformat.h"

#include <cstdio>
#include <string>

using namespace skin::testing;

namespace {

void Save(const std::string& folder, const std::string& name, const std::string& bytes)
{
    const std::string path = folder + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string root = argv[1];
    Save(root + "/fuzz_zstream", "text", Deflate("skin options and pictures, skin options and pictures"));
    Save(root + "/fuzz_zstream", "empty", Deflate(""));
    Save(root + "/fuzz_skinpack", "two_entries",
         PackArchive({{"Options.dat", "[GLOBALINFO]\r\nVersion=1"}, {"a.bmp", std::string(40, 'x')}}, -1, "tail"));
    Save(root + "/fuzz_skinpack", "empty", PackArchive({}));
    Save(root + "/fuzz_skinpack", "longer_stream", PackArchive({{"b.png", "abcdef", 3}, {"c", ""}}));
    for (int type : {0, 2, 3, 4, 6}) {
        PngImage image;
        image.width = 5;
        image.height = 4;
        image.colorType = type;
        image.bitDepth = type == 3 ? 4 : 8;
        image.interlaced = type == 6;
        image.filter = -1;
        const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
        for (int y = 0; y < image.height; ++y) {
            std::vector<int> samples;
            for (int i = 0; i < image.width * channels; ++i)
                samples.push_back((i * 7 + y * 3) % (type == 3 ? 16 : 256));
            image.rows.push_back(PackSamples(samples, image.bitDepth));
        }
        if (type == 3) {
            image.palette = std::string(48, '\x40');
            image.transparency = "\x10\x20";
        }
        if (type == 2)
            image.gamma = 45455;
        Save(root + "/fuzz_png", "type" + std::to_string(type), EncodePng(image, 16));
    }
    if (argc > 2) {
        for (ui::PixelFormat format : {ui::pf1bit, ui::pf8bit, ui::pf24bit, ui::pf32bit}) {
            ui::PixelBuffer pixels(6, 3, format);
            pixels.View().Fill(ui::PixelRect{0, 0, 3, 2}, 1);
            core::StringStream out;
            ui::WriteBmp(out, pixels.View(), {0x0000FF, 0xFFFFFF});
            Save(std::string(argv[2]) + "/fuzz_bmp", "bits" + std::to_string(ui::BitsPerPixel(format)), out.DataString());
        }
        ui::PixelBuffer photo(16, 8, ui::pf24bit);
        for (int x = 0; x < 16; ++x)
            photo.View().Fill(ui::PixelRect{x, 0, x + 1, 8}, ui::RGBValue(uint8_t(x * 16), 100, uint8_t(255 - x * 16)));
        Save(std::string(argv[2]) + "/fuzz_jpeg", "stripes", ui::EncodeJpeg(photo.View(), 75));
    }
    return 0;
}
