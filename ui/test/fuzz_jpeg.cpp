// Fuzz target: JPEG files through libjpeg's decoder. Only "JPEG error #N" may leave it.
#include "ui/jpegformat.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        (void)ui::DecodeJpeg(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const ui::EInvalidGraphic&) {
    }
    return 0;
}
