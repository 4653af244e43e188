// The record and element set of a tree header's owner-draw events, shared by the tree and by code
// that draws its header without knowing the tree's classes. The fields and elements keep the tree's
// order; the column is the column's object in the property registry (null for the part of the
// header right of the last column) and the sender is the header's object.
#pragma once

#include "core/object.h"

#include <cstdint>
#include <functional>

namespace ui {

class Canvas;

enum THeaderPaintElement : uint8_t {
    hpeBackground = 1u << 0, hpeDropMark = 1u << 1, hpeHeaderGlyph = 1u << 2, hpeSortGlyph = 1u << 3, hpeText = 1u << 4,
};
using THeaderPaintElements = uint8_t;
enum TDropMarkMode : uint8_t { dmmNone, dmmLeft, dmmRight };

struct TPaintRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TPaintRect&) const = default;
};
struct TPaintPoint {
    int X = 0, Y = 0;
    bool operator==(const TPaintPoint&) const = default;
};

struct THeaderPaintInfo {
    Canvas* TargetCanvas = nullptr;
    core::Object* Column = nullptr;
    TPaintRect PaintRectangle;
    TPaintRect TextRectangle;
    bool IsHoverIndex = false, IsDownIndex = false, IsEnabled = false, ShowHeaderGlyph = false,
         ShowSortGlyph = false, ShowRightBorder = false;
    TDropMarkMode DropMark = dmmNone;
    TPaintPoint GlyphPos, SortGlyphPos;
};

// The callables that the method properties "OnAdvancedHeaderDraw" and "OnHeaderDrawQueryElements"
// hold (MethodValue::callable points to one of these).
using TAdvancedHeaderPaintEvent = std::function<void(core::Object* sender, THeaderPaintInfo&, THeaderPaintElements)>;
using THeaderPaintQueryElementsEvent =
    std::function<void(core::Object* sender, THeaderPaintInfo&, THeaderPaintElements& elements)>;

} // namespace ui
