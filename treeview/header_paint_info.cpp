// Conversion of the header paint record to and from the shared one.
#include "treeview/header_paint_info.h"

#include "treeview/published_properties.h"

namespace treeview {

namespace {

ui::TPaintRect Shared(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }
TRect Own(const ui::TPaintRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

} // namespace

ui::THeaderPaintInfo ToSharedPaintInfo(const THeaderPaintInfo& info, PublishedHeader& header)
{
    ui::THeaderPaintInfo shared;
    shared.Column = header.ColumnObject(info.Column);
    shared.PaintRectangle = Shared(info.PaintRectangle);
    shared.TextRectangle = Shared(info.TextRectangle);
    shared.IsHoverIndex = info.IsHoverIndex;
    shared.IsDownIndex = info.IsDownIndex;
    shared.IsEnabled = info.IsEnabled;
    shared.ShowHeaderGlyph = info.ShowHeaderGlyph;
    shared.ShowSortGlyph = info.ShowSortGlyph;
    shared.ShowRightBorder = info.ShowRightBorder;
    shared.DropMark = ui::TDropMarkMode(info.DropMark);
    shared.GlyphPos = {info.GlyphPos.X, info.GlyphPos.Y};
    shared.SortGlyphPos = {info.SortGlyphPos.X, info.SortGlyphPos.Y};
    return shared;
}

void FromSharedPaintInfo(const ui::THeaderPaintInfo& shared, THeaderPaintInfo& info)
{
    // Another object than a column view cannot name a column: the column stays.
    if (!shared.Column)
        info.Column = nullptr;
    else if (auto* column = dynamic_cast<PublishedColumn*>(shared.Column))
        info.Column = column->Column();
    info.PaintRectangle = Own(shared.PaintRectangle);
    info.TextRectangle = Own(shared.TextRectangle);
    info.IsHoverIndex = shared.IsHoverIndex;
    info.IsDownIndex = shared.IsDownIndex;
    info.IsEnabled = shared.IsEnabled;
    info.ShowHeaderGlyph = shared.ShowHeaderGlyph;
    info.ShowSortGlyph = shared.ShowSortGlyph;
    info.ShowRightBorder = shared.ShowRightBorder;
    info.DropMark = shared.DropMark <= ui::dmmRight ? TVTDropMarkMode(shared.DropMark) : dmmNone;
    info.GlyphPos = {shared.GlyphPos.X, shared.GlyphPos.Y};
    info.SortGlyphPos = {shared.SortGlyphPos.X, shared.SortGlyphPos.Y};
}

} // namespace treeview
