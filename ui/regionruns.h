// Rectangle runs of a picture: the rectangles that cover every pixel not in a key colour, row by row,
// with equal runs of neighbouring rows merged. Window regions are cut from them (see region.h).
#pragma once

#include "ui/pixelview.h"

#include <vector>

namespace ui {

// Runs of the pixels whose colour ($00BBGGRR; 32-bit alpha left out) differs from key, in view
// coordinates moved by (offsetX, offsetY). Rectangles come top to bottom, left to right; a run of
// several rows is one rectangle when the rows have exactly the same runs. Only 24- and 32-bit views.
std::vector<PixelRect> OpaqueRuns(const PixelView& view, uint32_t key, int offsetX = 0, int offsetY = 0);

} // namespace ui
