// The record and element set of the header's owner-draw events, and their conversion to and from
// the shared record of ui/headerpaint.h that code outside the tree draws with.
#pragma once

#include "treeview/header.h"
#include "ui/headerpaint.h"

namespace treeview {

class PublishedHeader;

enum TVTDropMarkMode : uint8_t { dmmNone, dmmLeft, dmmRight };
enum THeaderPaintElement : uint8_t {
    hpeBackground = 1u << 0, hpeDropMark = 1u << 1, hpeHeaderGlyph = 1u << 2, hpeSortGlyph = 1u << 3, hpeText = 1u << 4,
};
using THeaderPaintElements = uint8_t;
static_assert(int(hpeBackground) == ui::hpeBackground && int(hpeDropMark) == ui::hpeDropMark &&
              int(hpeHeaderGlyph) == ui::hpeHeaderGlyph && int(hpeSortGlyph) == ui::hpeSortGlyph &&
              int(hpeText) == ui::hpeText);
static_assert(int(dmmNone) == ui::dmmNone && int(dmmLeft) == ui::dmmLeft && int(dmmRight) == ui::dmmRight);

// What the header's owner-draw events get.
struct THeaderPaintInfo {
    TCanvas* TargetCanvas = nullptr;
    TVirtualTreeColumn* Column = nullptr;
    TRect PaintRectangle;
    TRect TextRectangle;
    bool IsHoverIndex = false, IsDownIndex = false, IsEnabled = false, ShowHeaderGlyph = false,
         ShowSortGlyph = false, ShowRightBorder = false;
    TVTDropMarkMode DropMark = dmmNone;
    TPoint GlyphPos, SortGlyphPos;
};

// Every field but the canvas (the window half maps that, see HeaderPaintCanvas): the column goes to
// its object of the header's view, and back to the column when the object is one of that header's.
ui::THeaderPaintInfo ToSharedPaintInfo(const THeaderPaintInfo& info, PublishedHeader& header);
void FromSharedPaintInfo(const ui::THeaderPaintInfo& shared, THeaderPaintInfo& info);

} // namespace treeview
