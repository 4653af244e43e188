// Fuzz target: packed skin archives through the reader. Only the documented failures may leave it:
// not an archive, data that ends early, a damaged zlib stream.
#include "skin/engine/skinpack.h"
#include "skin/engine/zlibstream.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::StringStream packed(std::string(reinterpret_cast<const char*>(data), size));
    skin::TacSkinConvertor convertor;
    convertor.LendPackedData(&packed);
    try {
        convertor.Unpack();
    } catch (const skin::ENotPackedSkin&) {
    } catch (const core::EReadError&) {
    } catch (const core::EZDecompressionError&) {
    }
    convertor.LendPackedData(nullptr);
    return 0;
}
