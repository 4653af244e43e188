// Images with an alpha channel: drawing a 32-bit image over an opaque picture (tinted, partly
// transparent, keyed over a parent background, with a fading reflection), moving one channel to and
// from an 8-bit bitmap, and the separable two-pass resampler with seven kernels in 16.16 fixed point.
#pragma once

#include "core/exception.h"
#include "skin/engine/bitmapops.h"
#include "ui/pixelview.h"

#include <cstdint>
#include <vector>

namespace skin {

// ColorizeColor of DrawAlphaBmp meaning no tint.
constexpr uint32_t NoColorize = 0x1FFFFFFF;

// Draws srcRect of the 32-bit src over dstRect of dst (24-bit; a 32-bit dst keeps its alpha). A tint
// changes src itself. blendPercent 0 draws the image opaque; reflected adds the image mirrored
// upward below dstRect, fading out over half the source's height.
void DrawAlphaBmp(Rect dstRect, Rect srcRect, const ui::PixelView& dst, const ui::PixelView& src, const BgSource& bg,
                  bool updateCorners, uint32_t colorizeColor, int blendPercent, bool reflected);

// Extract: byte channelIndex (0 blue .. 3 alpha) of every pixel of the 32-bit bmp32 into the 8-bit
// bmp8; else the other way. Only the area both share is touched.
void CopyChannel(const ui::PixelView& bmp32, const ui::PixelView& bmp8, int channelIndex, bool extract);

// One source sample of an output position: its byte offset and its weight in 16.16 fixed point.
struct TContributor {
    int Pixel = 0;
    int Weight = 0;
};
// The contributors of every output position of one pass, in one block.
struct TContributorList {
    std::vector<int> First; // output i has Items[First[i] .. First[i + 1])
    std::vector<TContributor> Items;
    int Count(int i) const { return First[size_t(i) + 1] - First[size_t(i)]; }
    const TContributor* Of(int i) const { return Items.data() + First[size_t(i)]; }
};

// Kernel kind 0..6 and its support radius; kinds above 6 count as 6.
double KernelSupport(int kind);
double KernelValue(int kind, double x);

// Indexes outside the source are mirrored back in (and clamped when a mirror is not enough).
void MakeContributors(TContributorList& list, int newSize, int oldSize, int stride, int kind);
void FreeContributors(TContributorList& list);

// dst (already newWidth x newHeight, src's format: 24-bit or 32-bit) := src resampled with the kernel.
// A source under 2 x 2 pixels raises "Source bitmap is too small".
void ResamplePixels(const ui::PixelView& src, const ui::PixelView& dst, int kind);

} // namespace skin
