// Gradients of skin sections: the gradient text of the options file, its parser and the painter of
// modes 0 (vertical bands) and 1 (horizontal bands) over pixel views. Mode 2 (four triangles meeting
// in the centre) is drawn by the system's gradient fill; its Windows half takes ui::Bitmap.
//
// Gradient text: fields separated by ";" (empty fields skipped); every five fields make one piece:
// Color1, Color2, Percent, Mode and a fifth that is not read. Fields after the last complete group are
// ignored. Numbers are decimal or hexadecimal after "$"; colours are $00BBGGRR values.
#pragma once

#include "core/string.h"
#include "skin/engine/utils.h"
#include "ui/pixelview.h"

#include <cstdint>
#include <vector>

namespace ui {
class Bitmap;
}

namespace skin {

struct TsGradPie {
    uint32_t Color1 = 0;
    uint32_t Color2 = 0;
    uint8_t Percent = 0; // the piece's share of the gradient's length, 0..100
    int Mode1 = 0;       // of the first piece only: 0 vertical, 1 horizontal, 2 triangles
    int Mode2 = 0;
};
using TsGradArray = std::vector<TsGradPie>;

// data := the pieces of text. A field that is no integer raises EConvertError; data then holds the
// pieces read so far and zeros after them. Negative colours become 0, percentages are clamped to 0..100.
void ParseGradientData(core::StringView text, TsGradArray& data);

// Paints modes 0 and 1 into r of a 24-bit or 32-bit view (32-bit pixels opaque); other formats and
// modes are left. offsetY shifts a vertical gradient; offsetX is not used.
void PaintGradientPixels(const ui::PixelView& view, Rect r, const TsGradArray& data, int offsetX, int offsetY);
// Every mode into r of the bitmap; mode 2 on any format through its canvas (nothing when the system's
// gradient fill is missing).
void PaintGradient(ui::Bitmap* bmp, const Rect& r, const TsGradArray& data, int offsetX, int offsetY);

} // namespace skin
