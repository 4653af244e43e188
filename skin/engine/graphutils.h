// The painting routines of the skin engine over the class library's bitmaps and device contexts:
// making working bitmaps, fills and frames on a device context, keeping graphic children out of a
// clip region, the soft rounded shade, stretching that keeps borders, and the ui::Bitmap forms of
// the pixel kernels (alphagraph.h, bitmapops.h, alphaimage.h), which take the bitmap's pixels after
// its pending drawing is flushed. Also the engine's start-up and shutdown.
#pragma once

#include "core/inifile.h"
#include "core/win32.h"
#include "skin/engine/alphagraph.h"
#include "skin/engine/alphaimage.h"
#include "skin/engine/bitmapops.h"
#include "skin/engine/consts.h"
#include "ui/bitmap.h"

#include <memory>

namespace ui {
class Control;
class WinControl;
}

namespace skin {

// ---- Start-up ----
// Binds the optional system functions, reads the system metrics and makes the shared pixel
// accessors; DoneSkinEngine undoes it. Both may be called again.
void InitSkinEngine();
void DoneSkinEngine();
// The shared accessors, for one painting step at a time (null before InitSkinEngine).
TacFast24* Fast24();
TacFast32* Fast32();
TacFastSum24* FastSum24();
// True when UpdateLayeredWindow was found in user32.
bool LayeredWindowsAvailable();
// UpdateLayeredWindow through the bound function; FALSE when it was not found.
BOOL UpdateLayeredWnd(HWND wnd, HDC screenDC, POINT* pos, SIZE* size, HDC srcDC, POINT* srcPos, COLORREF key,
                      BLENDFUNCTION* blend, DWORD flags);
// Tells the skinned splitter apart (it lives in the controls module): such graphic children are
// never excluded from a clip region.
void SetSplitterTest(bool (*test)(ui::Control*));
// True when the installed test recognises the control as the skinned splitter.
bool PassesSplitterTest(ui::Control* control);

// ---- Bitmaps and device contexts ----
std::unique_ptr<ui::Bitmap> NewBmp24(int width, int height);
std::unique_ptr<ui::Bitmap> NewBmp32(int width, int height);
std::unique_ptr<ui::Bitmap> NewBmpLike(ui::Bitmap& bmp);
// A solid brush of ColorToRGB(color) over r; the context's state is put back afterwards.
void FillDCSolid(HDC dc, const RECT& r, ui::Color color);
// Four bands of r: top wt high, left wl wide, bottom wb high, right wr wide.
void FillDCFrame(HDC dc, const RECT& r, int wl, int wt, int wr, int wb, ui::Color color);
// The frame of width borderWidth of a width x height area, as four SRCCOPY strips.
void CopyDCFrame(HDC dstDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY, int borderWidth);
// Excludes the bounds (moved by the offset) of the visible graphic children of parent from the
// clip region, never those of a skinned splitter.
void ExcludeGraphicChildren(HDC dc, ui::WinControl* parent, int offsetX, int offsetY);
void IniWriteString(core::StringView section, core::StringView ident, core::StringView value, core::CustomIniFile& ini);
// Darkens r toward the colour with a soft rounded edge; depth 0 pulls the whole area evenly
// (percent of each pixel stays).
void PaintRoundShade(ui::Bitmap& bmp, const Rect& r, int percent, ui::Color color, int depth, int radius);
// srcRect of src into dstRect of dst keeping the border widths: corners copied, edges tiled (mode 0)
// or stretched (mode 1), the centre tiled or stretched when fillCenter.
void StretchKeepBorders(ui::Bitmap& dst, ui::Bitmap& src, const Rect& dstRect, const Rect& srcRect,
                        const Rect& borders, const Rect& maxBorders, const Rect& edgeModes, int centerMode,
                        bool fillCenter);

// ---- The kernels over bitmaps ----
BgSource BgSourceOf(const TCacheInfo& ci);
void FillRect32Opaque(ui::Bitmap* bmp, const Rect& r, ui::Color color);
void BlendRectToColor(ui::Bitmap* bmp, const Rect& r, int percent, ui::Color color);
void BlendBmpRect(ui::Bitmap* dst, ui::Bitmap* src, uint8_t alpha, POINT dstPos, const Rect& srcRect);
void BlendSameSizeBmps(ui::Bitmap* dst, ui::Bitmap* src, uint8_t alpha);
void CopyKeyedBmp(ui::Bitmap* dst, ui::Bitmap* src, int x, int y, ui::Color keyColor);
void BlendRectKeyed(ui::Bitmap* dst, int x, int y, ui::Color keyColor, double level, const Rect& srcRect, ui::Bitmap* src);
void TintBmp(ui::Bitmap* bmp, ui::Color color, ui::Color keyColor, double level);
void GrayBmpExceptColor(ui::Bitmap* bmp, ui::Color color);
void CopyMaskedOverBg(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* dst, ui::Bitmap* src, const TCacheInfo& ci,
                      bool updateCorners);
void MultiplyMaskToColor(ui::Bitmap* bmp, ui::Bitmap* mask, ui::Color color);
void MixBmpsTo32(ui::Bitmap* dst, ui::Bitmap* a, ui::Bitmap* b, uint16_t level, ui::Bitmap* mask);
// src is made 32-bit first.
void DrawAlphaBmp(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* dst, ui::Bitmap* src, const TCacheInfo& ci,
                  bool updateCorners, ui::Color colorizeColor, int blendPercent, bool reflected);
void CopyChannel(ui::Bitmap* bmp32, ui::Bitmap* bmp8, int channelIndex, bool extract);
// dst := src resized with the kernel (a copy when the size stays). "Source bitmap is too small" for a
// source under 2 x 2 pixels.
void ResampleBmp(ui::Bitmap* src, ui::Bitmap* dst, int newWidth, int newHeight, int kind);

} // namespace skin
