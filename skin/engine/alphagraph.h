// Pixel access and blending over pixel views: the accessors of 24-bit (B, G, R) and 32-bit
// (B, G, R, A) pixels, the two-bitmap blenders, rectangle fills and colour adjustments. Every routine
// here clips to the bitmaps it is given: no write lands outside a row, whatever rectangle a caller
// passes. The ui::Bitmap overloads (Windows only) take the bitmap's pixels after its pending drawing
// is flushed.
#pragma once

#include "skin/engine/utils.h"
#include "ui/pixelview.h"

#include <cstdint>

namespace ui {
class Bitmap;
}

namespace skin {

// A pixel accessor bound to one bitmap; Width is 0 after a failed attach.
class TacFast {
public:
    // False (and Width 0) for an invalid view, one of width or height 1 or less, or one whose pixels
    // are narrower than the accessor's.
    bool Attach(const ui::PixelView& view);
    bool Attach(ui::Bitmap* bmp);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    const ui::PixelView& View() const { return FView; }

    // The pixel as a colour: 24-bit $00BBGGRR, 32-bit $AABBGGRR. Positions outside read 0.
    uint32_t ReadPixel(int x, int y) const;
    // The inverse of ReadPixel; positions outside are left.
    void WritePixel(int x, int y, uint32_t value);

protected:
    explicit TacFast(int pixelSize) : FPixelSize(pixelSize) {}

    uint8_t* Address(int x, int y) const { return FView.Row(y) + ptrdiff_t(x) * FPixelSize; }

    ui::PixelView FView;
    int FWidth = 0;
    int FHeight = 0;
    int FPixelSize;
};

class TacFast24 : public TacFast {
public:
    TacFast24() : TacFast(3) {}
};

class TacFast32 : public TacFast {
public:
    TacFast32() : TacFast(4) {}
    // Stores the raw 32-bit value in every pixel of r inside the bitmap (a caller that wants an opaque
    // colour converts it first with ColorToOpaquePixel).
    void FillRect(const Rect& r, uint32_t value);
    // Fills the whole bitmap with the colour, opaque.
    void FillBitmap(uint32_t color);
};

// Mixes a source bitmap into a destination: new = (dst x Alpha + src x (255 - Alpha) + 127) >> 8 for
// every byte, so Alpha is the destination's weight and 255 becomes 254 at either end.
class TacFastSum {
public:
    // False when either bitmap is invalid, below 2 pixels in either direction or of other pixels.
    bool Attach(const ui::PixelView& src, const ui::PixelView& dst);
    bool Attach(ui::Bitmap* src, ui::Bitmap* dst);
    // The whole common area.
    void BlendBitmaps();
    // Destination rows DstY1..DstY2-1 and columns DstX1..DstX2-1; the destination pixel (x, y) takes
    // the source pixel (x - DstX1 + SrcX1, y - DstY2 + SrcY2): columns aligned at the left edges, rows
    // at the bottom edges. Pixels outside either bitmap are left.
    void BlendBitmapsRect();

    int WidthDst() const { return FWidthDst; }
    int HeightDst() const { return FHeightDst; }

    uint8_t Alpha = 0;
    int DstX1 = 0, DstY1 = 0, DstX2 = 0, DstY2 = 0;
    int SrcX1 = 0, SrcY1 = 0, SrcX2 = 0, SrcY2 = 0;

protected:
    explicit TacFastSum(int pixelSize) : FPixelSize(pixelSize) {}

private:
    void BlendRow(uint8_t* dst, const uint8_t* src, int pixels) const;

    ui::PixelView FSrc, FDst;
    int FWidthDst = 0;
    int FHeightDst = 0;
    int FPixelSize;
};

class TacFastSum24 : public TacFastSum {
public:
    TacFastSum24() : TacFastSum(3) {}
};

class TacFastSum32 : public TacFastSum {
public:
    TacFastSum32() : TacFastSum(4) {}
};

// Stores value count times from start; nothing when count is not positive.
void FillDwords(uint32_t* start, int count, uint32_t value);
// The 32-bit pixel with the colour's blue, green and red bytes and alpha 255.
constexpr uint32_t ColorToOpaquePixel(uint32_t color)
{
    return 0xFF000000u | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}
// The colour's four bytes taken as a pixel value, unchanged.
constexpr uint32_t ColorToPixel32(uint32_t color) { return color; }
void FillRect32Opaque(const ui::PixelView& view, const Rect& r, uint32_t color);

// Pulls the pixels r.Left..r.Right of rows r.Top..r.Bottom (right and bottom inclusive, cut to the
// bitmap) toward the colour: each channel becomes round(f x channel + (1 - f) x colour), f = percent
// / 100. The alpha byte of 32-bit pixels is left.
void BlendRectToColor(const ui::PixelView& view, Rect r, int percent, uint32_t color);
// Blends srcRect of src onto dst at (x, y) with the destination weight alpha, clipped to both
// bitmaps; both must be 24-bit or both 32-bit, else nothing changes.
void BlendBmpRect(const ui::PixelView& dst, const ui::PixelView& src, uint8_t alpha, int x, int y, Rect srcRect);
// All of src into dst when both have the same size (both 24-bit).
void BlendSameSizeBmps(const ui::PixelView& dst, const ui::PixelView& src, uint8_t alpha);

// A positive delta pulls the colour toward its grey by delta percent, a negative one pushes it away.
uint32_t ChangeSaturation(uint32_t color, int delta);
// Turns the hue by offset degrees, keeping saturation and value.
uint32_t ShiftHue(int offset, uint32_t color);

// Rounding to the nearest integer with halves to even, as the painters round.
int RoundEven(double value);

} // namespace skin
