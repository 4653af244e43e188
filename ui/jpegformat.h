// JPEG pictures through libjpeg (API version 62): decoding into a 24-bit (B, G, R) pixel buffer and
// encoding one. libjpeg's fatal errors become EInvalidGraphic "JPEG error #N" (N its message code),
// never an exit; pictures above 2^26 pixels are refused the same way.
#pragma once

#include "ui/pixelview.h"

#include <string>

namespace ui {

PixelBuffer DecodeJpeg(const std::string& bytes);
// The 24-bit view as a baseline JPEG of the given quality (1..100).
std::string EncodeJpeg(const PixelView& pixels, int quality = 90);

} // namespace ui
