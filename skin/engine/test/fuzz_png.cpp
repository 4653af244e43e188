// Fuzz target: PNG files through the reader into a pixel buffer. Only the documented failures may
// leave it: invalid pictures, data that ends early, the colour manager's and the decoder's errors.
#include "skin/engine/png.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::StringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    skin::TPNGReader reader;
    skin::PixelBufferTarget target;
    try {
        if (skin::TPNGReader::CanLoad(stream))
            reader.Load(stream, target);
        skin::ClearTransparentWhite(target.Buffer.View());
    } catch (const ui::EInvalidGraphic&) {
    } catch (const core::EReadError&) {
    } catch (const skin::EColorConversionError&) {
    } catch (const skin::EGraphicCompression&) {
    }
    return 0;
}
