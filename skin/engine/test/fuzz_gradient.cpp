// Fuzz target: gradient text of skin options files through the parser and, when it parses, the
// band painter over a small bitmap. Only the conversion error may leave the parser.
#include "core/exception.h"
#include "core/string.h"
#include "skin/engine/gradient.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first bytes choose the rectangle; the rest is the text.
    const int left = int8_t(data[0]) / 8, top = int8_t(data[1]) / 8;
    const core::String text = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
    skin::TsGradArray pieces;
    try {
        skin::ParseGradientData(text, pieces);
    } catch (const core::EConvertError&) {
        return 0;
    }
    for (ui::PixelFormat format : {ui::pf24bit, ui::pf32bit}) {
        ui::PixelBuffer bitmap(13, 9, format, true);
        skin::PaintGradientPixels(bitmap.View(), skin::Rect{left, top, left + 20, top + 11}, pieces, 0, 0);
    }
    return 0;
}
