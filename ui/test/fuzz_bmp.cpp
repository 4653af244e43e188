// Fuzz target: BMP files through the reader, and what it read written back. Only "Bitmap image is
// not valid" and "Stream read error" may leave it.
#include "ui/bmpformat.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::StringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        ui::BmpImage image = ui::ReadBmp(stream);
        core::StringStream out;
        ui::WriteBmp(out, image.Pixels.View(), image.Palette);
    } catch (const ui::EInvalidGraphic&) {
    } catch (const core::EReadError&) {
    }
    return 0;
}
