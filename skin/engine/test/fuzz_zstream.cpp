// Fuzz target: bytes read through the decompression stream as a zlib stream, with a seek to the end
// and a rewind. Only the decompression and stream read errors may leave it.
#include "skin/engine/zlibstream.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::StringStream source(std::string(reinterpret_cast<const char*>(data), size));
    try {
        skin::TZDecompressionStream z(source);
        uint8_t buffer[4096];
        int64_t total = 0;
        for (int64_t n; (n = z.Read(buffer, sizeof buffer)) > 0 && total < (int64_t(1) << 24);)
            total += n;
        z.Seek(0, core::soBeginning);
        z.Seek(total / 2, core::soCurrent);
    } catch (const core::EZDecompressionError&) {
    } catch (const core::EReadError&) {
    }
    return 0;
}
