// The skin painters on the class library's bitmaps and device contexts: masks nine-sliced over
// rectangles and glyphs at their own size, corner repairs and the disabled look; the background query
// and section backgrounds with textures and gradients; whole section items with their borders and
// corner images; control borders and region-cutting frames; captions in the skin's font colours with
// contours, glyph strips, dotted and 3-D frames; and the copy of a control's cache to its window with
// its children clipped out. Painters never own the bitmaps they are handed and paint nothing (without
// an error) for missing managers, invalid indexes or rectangles outside their target.
#pragma once

#include "core/win32.h"
#include "skin/engine/commondata.h"
#include "skin/engine/consts.h"
#include "skin/engine/maskpaint.h"
#include "ui/bitmap.h"

namespace ui {
class Canvas;
class Control;
class JpegImage;
class WinControl;
}

namespace skin {

// ---- Where pictures come from ----
// The picture a mask entry is cut from: its own bitmap, else its manager's master bitmap (null when
// unknown). The master bitmap is found through the entry's manager: by default the default manager's
// tables when the entry was loaded by them; a skin manager that keeps its tables elsewhere installs
// its own lookup.
ui::Bitmap* MaskSourceBmp(const MaskData& m);
using MasterBitmapLookup = ui::Bitmap* (*)(const void* manager);
void SetMasterBitmapLookup(MasterBitmapLookup lookup);
// The pattern of a section by name, searching its parents (-1 when none), and a pattern's JPEG image
// (null when none). Patterns live in the manager's tables.
int PatternIndexOf(SkinManager* manager, int skinIndex, core::StringView section, core::StringView name);
ui::JpegImage* PatternImage(SkinManager* manager, int patternIndex);
// The background record as the pixel routines read it.
PaintBg PaintBgOf(const TCacheInfo& ci);

// ---- Masks ----
void PaintMaskRect(ui::Bitmap* bmp, const Rect& r, bool filling, const TCacheInfo& ci, const MaskData& m, int state,
                   bool updateCorners, SkinManager* manager = nullptr);
void PaintMaskGlyph(ui::Bitmap* bmp, POINT p, int state, int mode, const MaskData& m, const TCacheInfo& ci);
void RestoreParentCorners(TsCommonData* data, int state);
void RestoreCorners(TsCommonData* data, int state, unsigned corners);
// Both bitmaps 32-bit; maskIndex -1 tests the destination's own pixels for the key colour.
void ReplaceKeyColorPixels(ui::Bitmap* dst, ui::Bitmap* src, const Rect& dstRect, const Rect& srcRect, int maskIndex,
                           SkinManager* manager, int cornerCode);
void ApplyDisabledKind(ui::Bitmap* bmp, TsDisabledKind kind, ui::Control* control, const TCacheInfo& ci, POINT offset);
void CopyMaskedPiece(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* dst, ui::Bitmap* src, const TCacheInfo& ci,
                     bool updateCorners, const MaskData& m);
void CopyKeyedPiece(ui::Bitmap* dst, ui::Bitmap* src, int x, int y, bool updateCorners, const TCacheInfo& ci,
                    uint32_t keyColor, const Rect& srcRect);
void CopyKeyedRect(ui::Bitmap* dst, ui::Bitmap* src, int x, int y, uint32_t keyColor, const Rect& srcRect);
void CopyMaskedGlyph(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* bmp, const MaskData& m, int mode,
                     uint32_t keyColor, ui::Bitmap* srcBmp);
void GrayBmp24(ui::Bitmap* bmp);

// ---- Backgrounds ----
bool QueryBgOfWnd(TacBGQuery& query, HWND wnd, bool pleaseDraw);
// The background under a window: its parent's answer, or EmptyCacheInfo without a parent.
void GetParentCacheOfWnd(HWND handle, TCacheInfo& ci);
void PaintSectionBg(int skinIndex, core::StringView section, const TCacheInfo& ci, int state, const Rect& r, POINT offset,
                    ui::Bitmap* bmp, SkinManager* manager, int texture, int hotTexture, uint32_t customColor);
void PaintControlBg(TsCommonData* data, const TCacheInfo& ci, int state, const Rect& r, POINT offset, ui::Bitmap* bmp);
void PaintSectionBgByIndex(int skinIndex, int texture, int hotTexture, const TCacheInfo& ci, int state, const Rect& r,
                           POINT offset, ui::Bitmap* bmp, SkinManager* manager);
// graphic: a bitmap tiled over r, or null to paint the entry's area of the master bitmap in the mode.
// r comes back as what is left uncovered, (-1, -1, -1, -1) when all of it is; a mode other than 0-7
// and 10 paints nothing and leaves r.
void PaintTexture(ui::Canvas& canvas, Rect& r, ui::Bitmap* graphic, int mode, const MaskData& m);
void TilePattern(ui::Canvas& canvas, const Rect& r, ui::Bitmap* graphic);
void TilePattern(ui::Canvas& canvas, const Rect& r, ui::JpegImage* graphic);
void PaintMaskedTexture(ui::Bitmap* bmp, Rect& r, const TCacheInfo& ci, int mode, const MaskData& m);
void CopyMaskedTile(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* bmp, const MaskData& m, const TCacheInfo& ci);

// ---- Section items ----
void PaintSectionItem(int skinIndex, core::StringView section, const TCacheInfo& ci, bool filling, int state,
                      const Rect& r, POINT offset, ui::Bitmap* bmp, SkinManager* manager, int texture = -1,
                      int hotTexture = -1);
void PaintSectionItemByIndex(int skinIndex, int maskIndex, int texture, int hotTexture, TCacheInfo& ci, bool filling,
                             int state, const Rect& r, POINT offset, ui::Bitmap* bmp, SkinManager* manager);
void PaintSectionItemDC(int skinIndex, core::StringView section, const TCacheInfo& ci, bool filling, int state,
                        const Rect& r, POINT offset, HDC dc, SkinManager* manager);
// The skin index used (of the name, else of the alternative), -1 or invalid when neither is known.
int PaintSectionItemByName(ui::Bitmap* bmp, core::StringView sectionName, core::StringView altSectionName, int state,
                           SkinManager* manager, POINT srcPos, uint32_t fillColor, HDC dc);
void PaintControlItem(TsCommonData* data, const TCacheInfo& ci, bool filling, int state, const Rect& r, POINT offset,
                      ui::Bitmap* bmp, bool updateCorners);
void PaintControlItemOnParent(TsCommonData* data, ui::Control* parent, bool filling, int state, const Rect& r,
                              POINT offset, ui::Bitmap* bmp, bool updateCorners);
void AddCornerKeyRects(TAOR& aor, int width, const MaskData& m, bool bottom, int y);

// ---- Borders ----
void PaintControlBorder(HDC dc, const RECT& r, int borderWidth, TsCommonData* data, int state, RECT& clientRect);
void PaintMaskFrame(ui::Bitmap* bmp, HRGN region, bool filling, int state, const MaskData& m);

// ---- Text and glyphs ----
void WriteControlText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, TsCommonData* data,
                      bool hot, int unused = 0);
void PaintControlText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, TsCommonData* data,
                      bool hot);
void WriteSectionText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, int skinIndex,
                      bool hot, SkinManager* manager);
void PaintSectionText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, int skinIndex,
                      bool hot, SkinManager* manager);
int DrawTextStr(HDC dc, core::StringView text, RECT& r, UINT format);
int TextWidthOf(ui::Canvas& canvas, core::StringView text);
void TextSizeOf(ui::Canvas& canvas, core::StringView text, SIZE& size);
void CanvasTextRect(ui::Canvas& canvas, RECT& r, int x, int y, core::StringView text);
void FontTextExtent(HFONT font, core::StringView text, SIZE& size);
// The cell of a glyph strip for the state at r's top-left corner of dst (24-bit); blend is the percent
// of the background that shows through a single enabled glyph in state 0.
void PaintGlyphBmp(ui::Bitmap* glyph, ui::Bitmap* dst, const RECT& r, int numGlyphs, bool enabled,
                   TsDisabledGlyphKind disabledKind, int state, int blend, bool down, bool reflected);
void PaintDotFrame(ui::Canvas& canvas, const RECT& r);
void FrameDC3D(HDC dc, RECT& r, ui::Color color1, ui::Color color2, int& width);

// ---- Cache to window ----
void BltCacheExceptChildren(ui::WinControl* control, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX,
                            bool update, HDC dc, const RECT& dstRect);
void BltCacheExceptChildWnds(HWND wnd, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX, bool update,
                             HDC dc, const RECT& dstRect);

} // namespace skin
