// The pixel side of skin painting over pixel views: masked and keyed pieces of mask entries, the
// nine-slice plan of a mask over a rectangle, the frame walk that also finds the transparent runs of
// a frame's corners, masked textures, the corner repairs, and the arithmetic of section backgrounds
// and of glyph layout. The Windows painters (skinpaint.h) hand their bitmaps' pixels to these.
//
// Mask entries hold 24-bit images; a masked entry (MaskType 1) keeps each image's mask one state
// height below it. Mask formula, per channel: d := ((d - s) x m + s x 256) >> 8 (mask byte 0 shows
// the image, 255 leaves the destination almost as it was). Source rectangles called "inclusive"
// include their right and bottom edges.
#pragma once

#include "skin/engine/bitmapops.h"
#include "skin/engine/skinmanager.h"
#include "ui/pixelview.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace skin {

// The background under transparent pixels: a picture (Ready) or the plain FillColor.
struct PaintBg : BgSource {
    uint32_t FillColor = 0;
};

inline uint8_t MaskMix(int s, int d, int m) { return uint8_t(((d - s) * m + s * 256) >> 8); }

// ---- Pieces ----
// A masked piece: dstRect (exclusive) from srcRect (exclusive) of the 24-bit src, the mask maskOffset
// rows below each image row. Key pixels follow the background rules of the mask painter.
void CopyMaskedPiece(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const ui::PixelView& src,
                     const PaintBg& bg, bool updateCorners, int maskOffset);
// A plain piece: srcRect (inclusive) of src to (x, y) of dst. dstIsBg: dst is the background's own
// picture, so key pixels are left.
void CopyKeyedPiece(const ui::PixelView& dst, const ui::PixelView& src, int x, int y, bool updateCorners,
                    const PaintBg& bg, bool dstIsBg, uint32_t keyColor, Rect srcRect);
// srcRect (inclusive) of src to (x, y) of dst without the key colour; both 24-bit, else nothing.
void CopyKeyedRect(const ui::PixelView& dst, const ui::PixelView& src, int x, int y, uint32_t keyColor, Rect srcRect);
// The image of a mask entry at its own size: dstRect and srcRect inclusive. Mode 1 is normal, any other
// mode half transparent (mask byte + 100).
void CopyMaskedGlyph(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const MaskData& m, int mode,
                     uint32_t keyColor, const ui::PixelView& src);
// The source and destination rectangles (inclusive) of the state's image painted with its top-left
// corner at (x, y), cut where it would lie left of or above the bitmap.
void MaskGlyphRects(const MaskData& m, int state, int x, int y, Rect& src, Rect& dst);
// Each pixel's channels become their mean; 24-bit views only.
void GrayBmp24(const ui::PixelView& bmp);

// ---- Nine slices ----
// Shrinks two opposite borders that do not fit size.
void ShrinkBorders(int size, int& a, int& b);

struct MaskPiece {
    enum Kind { Corner, Edge, Centre };
    Rect Dst, Src; // Src: the source piece (exclusive) in the entry's source bitmap
    Kind kind = Corner;
};

// The pieces of a mask entry over r in painting order; empty when nothing is painted (state 0 with
// DrawMode bit 1, r below 2 pixels either way, no manager, no images). frame: the order and the
// source edges of the frame painter (edges between the stored borders).
std::vector<MaskPiece> PlanMaskRect(const Rect& r, const MaskData& m, int state, bool filling, bool frame = false);

// Positions and lengths of tiles of length len from start to end: full tiles while the next one ends
// before end, then the rest; nothing for a length below 1.
struct TileRun {
    int Pos = 0, Len = 0;
};
std::vector<TileRun> TileRuns(int start, int end, int len);
// Calls put(dst tile, source tile) for every tile of src's size (the source piece from its top-left
// corner) over dst, column by column.
void ForEachTile(const Rect& dst, const Rect& src, const std::function<void(const Rect&, const Rect&)>& put);

// The pixel pieces of PaintMaskRect. Plain edges and the centre go to plainBlock (a block copy, or a
// stretch when stretch is set) when one is given, else they are tiled here pixel by pixel.
void PaintMaskRectPixels(const ui::PixelView& dst, const ui::PixelView& src, const Rect& r, const MaskData& m, int state,
                         bool filling, const PaintBg& bg, bool updateCorners, bool dstIsBg,
                         const std::function<void(const Rect& dst, const Rect& src, bool stretch)>& plainBlock);

// The frame painter's walk over all of dst; the transparent runs of the corners (rectangles one
// pixel high) go to keyRuns when given. Stretched plain edges go to stretchBlock when given.
void PaintMaskFramePixels(const ui::PixelView& dst, const ui::PixelView& src, MaskData m, int state, bool filling,
                          std::vector<Rect>* keyRuns,
                          const std::function<void(const Rect& dst, const Rect& src)>& stretchBlock);

// ---- Corners ----
// The key-colour pixels of the chosen corners (1 top-left, 2 bottom-left, 4 top-right, 8 bottom-right)
// of the state's image take the background, in the cache (a control's W x H picture).
void RestoreCornerPixels(const ui::PixelView& cache, const ui::PixelView& src, const MaskData& m, int state,
                         unsigned corners, const PaintBg& bg);
// The corner of state 0's image chosen by a hit-test code (13, 14, 16, 17; others: top-left).
struct PixelPos {
    int X = 0, Y = 0;
};
PixelPos KeyCornerOrigin(const MaskData& m, int cornerCode);
// Key-colour pixels of dstRect take the source pixels (both 32-bit); with a mask source the key test
// reads maskSrc at origin instead.
void ReplaceKeyColorPixels(const ui::PixelView& dst, const ui::PixelView& src, const Rect& dstRect, const Rect& srcRect,
                           const ui::PixelView* maskSrc, PixelPos origin);
// Appends the transparent runs of the two top (or bottom) corners of state 0's image.
void AddCornerKeyRects(std::vector<Rect>& aor, int width, const MaskData& m, const ui::PixelView& src, bool bottom, int y);

// ---- Textures ----
// A masked tile: srcRect (the entry's R) with its mask half its height below.
void CopyMaskedTile(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const ui::PixelView& src,
                    const PaintBg& bg);
// Modes 0 and 10; r becomes (-1, -1, -1, -1). Other modes paint nothing and leave r.
void PaintMaskedTexture(const ui::PixelView& dst, Rect& r, const PaintBg& bg, int mode, const MaskData& m,
                        const ui::PixelView& src);
struct TextureBlock {
    Rect Dst;
    Rect Src; // relative to the texture's top-left corner
    bool Stretch = false;
};
// The blocks of a plain texture w x h over r in a mode (0-7, 10); r becomes what is left uncovered,
// or (-1, -1, -1, -1). False for another mode (r left, nothing to paint).
bool PlanTexture(Rect& r, int mode, int w, int h, std::vector<TextureBlock>& blocks);

// ---- Section backgrounds ----
struct SectionValues {
    uint32_t Color = 0;
    int T = 0, IP = 0, GP = 0;
    const core::String* GradientData = nullptr;
    const TsGradArray* GradientArray = nullptr;
};
// The state's colour, transparency and shares; CustomColor other than $FF00FF switches them off.
SectionValues SectionValuesOf(const SectionData& s, int state, uint32_t customColor);
// Blend weights of the background over the section (T) and of a texture over its gradient (IP).
uint8_t BgWeight(int t);
uint8_t TextureWeight(int ip);
// The by-index painter's weight, IP x 256 div 100, kept at most 255.
uint8_t TextureWeightByIndex(int ip);
enum class ColourShare { Blend, Fill, Keep };
// What the section colour does with s = IP + GP.
ColourShare ColourShareOf(int s, bool byIndex);

// ---- Glyph layout ----
// Where the glyph stands beside a button's caption.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// alignment: 0 left, 1 right, 2 centre (as ui::Alignment).
void CalcGlyphLayout(const Rect& client, PixelPos glyphSize, PixelPos textSize, TButtonLayout layout, int alignment,
                     int margin, int spacing, PixelPos& glyphPos, Rect& textBounds, int biDiFlags);
// The dots of the dotted frame: black at the first of each pair, white at the second.
struct FrameDot {
    int X, Y;
    bool White;
};
std::vector<FrameDot> DotFramePoints(const Rect& r);

} // namespace skin
