// Services the tree unit shares between all trees: start and end of the unit's process-wide
// resources (built-in image strips, cursors, clipboard formats, timer resolution) and stand-alone
// routines (ellipsis shortening, caption wrapping, rectangle normalisation, pixel blending, node
// address sorting, the tree's exception).
#pragma once
#include "treeview/types.h"
#include "core/string.h"
#include <cstdint>
#include <functional>
#include <span>

namespace treeview {

// Process-wide resources; the first tree's construction starts them (Windows only), the program's
// finalisation ends them. Both may be called more than once.
void InitializeTreeUnit();
void FinalizeTreeUnit();
bool TreeUnitInitialized();

// Measures the width of a text in the font at hand.
using TTextMeasure = std::function<int(core::StringView text)>;

// Shortens s to fit width with "..." appended; never keeps the whole string (callers shorten only
// texts that do not fit). ellipsisWidth 0 measures "...".
core::String ShortenWithEllipsis(const TTextMeasure& measure, core::StringView s, int width, int ellipsisWidth = 0);
// Breaks a header caption into lines (joined by LF) no wider than width.
core::String WrapCaption(const TTextMeasure& measure, core::StringView caption, int width, bool rightToLeft);

TRect NormalizeRect(const TRect& r);
[[noreturn]] void RaiseTreeError(core::StringView message, int helpContext);
// The tree that owns a node (asserts a node is given).
class TBaseVirtualTree;
TBaseVirtualTree* TreeOfNode(PVirtualNode node);
void SortNodesByAddress(std::span<PVirtualNode> nodes);

// Blending of 32-bit pixels (B, G, R, A bytes), per channel, integer arithmetic.
enum TBlendMode : uint8_t { bmConstantAlpha, bmPerPixelAlpha, bmMasterAlpha, bmConstantAlphaAndColor };
// One row: source and destination hold count pixels of four bytes. In bmConstantAlphaAndColor the
// source is not used and bias carries the colour (0x00BBGGRR).
void BlendRow(const uint8_t* source, uint8_t* destination, int count, TBlendMode mode, int constantAlpha, int bias);

} // namespace treeview

// ---- Windows: shared image lists, cursors and drawing routines ----
#ifdef _WIN32
#include "core/win32.h"
namespace ui {
class ImageList;
}
namespace treeview {

enum TCheckImageKind : uint8_t {
    ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick, ckCustom, ckSystemDefault, ckSystemFlat, ckFlat, ckXP
};

// The shared check image list of a kind (null for ckCustom), the utility images; made by
// InitializeTreeUnit and rebuilt on a system colour change (RebuildTreeImages).
ui::ImageList* CheckImagesOfKind(TCheckImageKind kind);
ui::ImageList* UtilityImages();
void RebuildTreeImages();
// Loads a built-in strip into the list (16 x 16 squares, the top-left pixel's colour as mask);
// remap turns white, silver, grey and black into the window, face, shadow and text colours.
void LoadImageStrip(ui::ImageList& list, std::string_view name, bool remap);
// Builds the 25 system check images (radio, check and three-state buttons of the platform).
void BuildSystemCheckImages(ui::ImageList& list, bool flat);
// The tree's cursors: 62 the row splitter, 63 the header splitter; the panning cursors by name.
HCURSOR TreeCursor(int index);
HCURSOR PanningCursor(std::string_view name);
// Blends an area between two device contexts holding 32-bit DIB sections (see BlendRow).
void BlendBitmapArea(HDC source, HDC destination, const RECT& r, POINT target, TBlendMode mode, int constantAlpha,
                     int bias);
// The colour as an image list takes it (CLR_NONE and CLR_DEFAULT for clNone and clDefault).
COLORREF ColorToImageListColor(int32_t color);
// Measures text with the given DrawText format: R keeps its top-left corner.
void MeasureStringRect(HDC dc, core::StringView s, RECT& r, UINT drawFormat);
// Stretches a bitmap's device-independent bits into dest (printing).
void StretchBitmapForPrinter(HDC dc, const RECT& dest, HBITMAP bitmap);
// The clipboard format number of "Virtual Tree Reference".
UINT TreeReferenceFormat();

} // namespace treeview
#endif
