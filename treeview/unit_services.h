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
