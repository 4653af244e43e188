// The drag images of the tree: the selected rows rendered around the point a node drag starts at,
// and the header cell of a column being dragged.
#include "treeview/custom_tree_control.h"

#include <algorithm>

namespace treeview {

void TCustomVirtualTreeControl::PrepareDragImage(TPoint hotSpot, IDataObject* dataObject)
{
    if (DragImageKind() == diNoImage || !HandleAllocated())
        return;
    const int width = DragWidth(), height = DragHeight();
    if (width <= 0 || height <= 0)
        return;
    // The rows around the hot spot in tree coordinates; what lies left of or above the tree's
    // origin is cut off and the rest painted further into the image.
    TRect window{hotSpot.X + TreeOffsetX() - width / 2, hotSpot.Y - OffsetY() - height / 2, 0, 0};
    window.Right = window.Left + width;
    window.Bottom = window.Top + height;
    TPoint target{0, 0};
    if (window.Left < 0) {
        target.X = -window.Left;
        window.Left = 0;
    }
    if (window.Top < 0) {
        target.Y = -window.Top;
        window.Top = 0;
    }
    ui::Bitmap image(width, height, ui::pf32bit);
    image.Canvas().SetBrushColor(GetColor());
    image.Canvas().FillRect(RECT{0, 0, width, height});
    TVTInternalPaintOptions options = poDrawSelection | poSelectedOnly;
    if (DragImageKind() == diMainColumnOnly)
        options |= poMainOnly;
    PaintTree(image.Canvas(), window, target, options);

    POINT position{hotSpot.X - width / 2, hotSpot.Y - height / 2};
    POINT screenHotSpot{hotSpot.X, hotSpot.Y};
    ::ClientToScreen(Handle(), &position);
    ::ClientToScreen(Handle(), &screenHotSpot);
    // The tree's colour around the rows stays transparent.
    m_drag_image->SetColorKey(GetColor());
    m_drag_image->PrepareDrag(image, position, screenHotSpot, dataObject);
}

void TCustomVirtualTreeControl::StartColumnDrag(POINT hotSpot, POINT start)
{
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    columns.SetDropTarget(NoColumn, columns.DropBefore());
    POINT p = start;
    ::ScreenToClient(Handle(), &p);
    int left = 0, right = 0;
    const TColumnIndex column = columns.ColumnAndBoundsAt(TPoint{p.x, p.y + header.Height()}, left, right, true);
    columns.SetDragIndex(column);
    if (!columns.IsValidColumn(column))
        return;
    const TVirtualTreeColumn& dragged = columns[column];
    const int headerHeight = header.Height();
    ui::Bitmap image(dragged.Width(), headerHeight, ui::pf32bit);
    image.Canvas().SetBrushColor(ui::clBtnFace);
    image.Canvas().FillRect(RECT{0, 0, dragged.Width(), headerHeight});
    // Painting the whole header with the origin on the column's left edge leaves just its cell in
    // the bitmap.
    HDC dc = image.Canvas().Handle();
    POINT previous{};
    SetWindowOrgEx(dc, dragged.Left(), 0, &previous);
    PaintHeader(dc, TRect{0, 0, std::max(columns.TotalWidth(), ClientWidth()), headerHeight}, 0);
    SetWindowOrgEx(dc, previous.x, previous.y, nullptr);

    POINT position{dragged.Left(), 0};
    if (UseRightToLeftAlignment())
        position.x += RightToLeftOffset(true);
    ::ClientToScreen(Handle(), &position);
    position.y -= headerHeight;
    m_column_drag_image->SetMoveRestriction((header.Options() & hoRestrictDrag) ? dmrHorizontalOnly : dmrNone);
    m_column_drag_image->PrepareDrag(image, position, hotSpot, nullptr);
    m_column_drag_image->ShowDragImage();
}

void TCustomVirtualTreeControl::TrackColumnDrag(POINT p)
{
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    POINT q = p;
    ::ScreenToClient(Handle(), &q);
    int left = 0, right = 0;
    const TColumnIndex column = columns.ColumnAndBoundsAt(TPoint{q.x, q.y + header.Height()}, left, right, true);
    bool needRepaint = column != InvalidColumn && column != columns.DropTarget();
    bool before = columns.DropBefore();
    if (columns.IsValidColumn(column) && (q.x < (left + right) / 2) != before) {
        before = !before;
        needRepaint = true;
    }
    if (needRepaint) {
        const TColumnIndex previous = columns.DropTarget();
        if (columns.IsValidColumn(previous)) {
            columns.SetDropTarget(NoColumn, before);
            header.Invalidate(previous);
        }
        columns.SetDropTarget(columns.IsValidColumn(column) ? column : NoColumn, before);
        if (columns.IsValidColumn(column))
            header.Invalidate(column);
    }
    m_column_drag_image->DragTo(p, needRepaint);
}

} // namespace treeview
