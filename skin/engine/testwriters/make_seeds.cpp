// Writes the seed corpora of the engine's fuzz targets from the test writers:
//   make_seeds <folder of the corpora>
#include "skin/engine/testwriters/writers.h"

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
    return 0;
}
