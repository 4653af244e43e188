// Bitmap operations over pixel views: keyed copies and blends, tints and greys, the composition of a
// masked or alpha image over a background, the multiplication by a grey mask and the mix of two
// pictures that a form's fade-in shows. Pixels outside the bitmaps are skipped.
#pragma once

#include "skin/engine/utils.h"
#include "ui/pixelview.h"

#include <cstdint>

namespace skin {

// The background a painter puts under key-colour pixels: the pixel under destination (x, y) is the
// view's (X + x, Y + y); nothing is known unless Ready.
struct BgSource {
    ui::PixelView View;
    int X = 0, Y = 0;
    bool Ready = false;
};

// Puts the background pixel under destination (x, y) into the 24-bit or 32-bit pixel p (alpha 255
// when opaque is set); false when the background has none there.
bool PutBackgroundPixel(const BgSource& bg, int x, int y, uint8_t* p, bool opaque);

// The area two rectangles share when a picture is copied from one to the other: the smaller of their
// sizes (negative sizes count as 0); a negative left or top edge of either moves both right or down
// and shortens the area; then cut to both bitmaps. False when nothing is left.
struct CopySpan {
    int DstX = 0, DstY = 0, SrcX = 0, SrcY = 0, Width = 0, Height = 0;
};
bool ClipCopySpan(const Rect& dstRect, const Rect& srcRect, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                  CopySpan& span);

// All of the 24-bit src to (x, y) of dst, leaving out pixels of the key colour; a 32-bit dst receives
// them with alpha 255.
void CopyKeyedBmp(const ui::PixelView& dst, const ui::PixelView& src, int x, int y, uint32_t keyColor);
// srcRect of src (right and bottom included) to (x, y) of dst, each channel becoming
// round(src - level x (src - dst)), source pixels of the key colour left out; a key above $FEFFFFFF
// switches the key off. Pairs: 24 into 32 (alpha left), 32 into 24 (key compared with the whole
// 32-bit pixel), 24 into 24.
void BlendRectKeyed(const ui::PixelView& dst, int x, int y, uint32_t keyColor, double level, Rect srcRect,
                    const ui::PixelView& src);
// Every pixel but the key colour's moves toward the colour: channel := round(c + level x (channel - c)).
void TintBmp(const ui::PixelView& bmp, uint32_t color, uint32_t keyColor, double level);
// A 24-bit bitmap made grey (channel mean) except the pixels of the colour.
void GrayBmpExceptColor(const ui::PixelView& bmp, uint32_t color);
// Lays a masked image (24-bit: mask in the lower half) or an alpha image (32-bit) over dst.
void CopyMaskedOverBg(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const ui::PixelView& src,
                      const BgSource& bg, bool updateCorners);
// Two 24-bit bitmaps of one size: channel := c + floor((channel - c) x m / 256), m the mask's channel.
void MultiplyMaskToColor(const ui::PixelView& bmp, const ui::PixelView& mask, uint32_t color);
// Two 24-bit bitmaps a and b of one size mixed into the 32-bit dst: channel := b + ((a - b) x w) >> 8,
// w the level or, with a mask (24-bit), the mask's channel. dst's alpha bytes are left.
void MixBmpsTo32(const ui::PixelView& dst, const ui::PixelView& a, const ui::PixelView& b, uint16_t level,
                 const ui::PixelView* mask);

} // namespace skin
