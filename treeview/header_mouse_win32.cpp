// The header's mouse: hot tracking of the column under the mouse, pressing and clicking columns,
// dragging a column to a new position, and the header click events. Column width tracking and the
// double-click fit of a border stay with the window control's own handling.
#include "treeview/custom_tree_control.h"
#include <windowsx.h>
#include <cstdlib>

namespace treeview {

namespace {
ui::ShiftState CurrentShiftState()
{
    return (GetKeyState(VK_SHIFT) < 0 ? ui::ShiftState(ui::ssShift) : 0u) | (GetKeyState(VK_CONTROL) < 0 ? ui::ShiftState(ui::ssCtrl) : 0u) |
           (GetKeyState(VK_MENU) < 0 ? ui::ShiftState(ui::ssAlt) : 0u);
}
} // namespace

void TCustomVirtualTreeControl::ProcessHeaderClick(TPoint p, ui::MouseButton button, bool force, bool dblClick)
{
    TVirtualTreeColumns& columns = Header().Columns();
    const TPoint headerPoint{p.X, p.Y + Header().Height()};
    const TColumnIndex column = columns.ColumnFromPosition(headerPoint, true);
    TVTHeaderHitInfo info;
    info.X = headerPoint.X;
    info.Y = headerPoint.Y;
    info.Shift = CurrentShiftState() | (dblClick ? ui::ShiftState(ui::ssDouble) : 0u);
    info.Button = button;
    const TColumnIndex oldClick = columns.ClickIndex();
    if (columns.IsValidColumn(column) && (columns[column].Options() & coAllowClick) &&
        (force || column == columns.DownIndex())) {
        columns.SetClickIndex(column);
        info.Column = column;
        info.HitPosition = hhiOnColumn;
        // The glyph's rectangle is kept relative to its cell.
        const TRect& image = columns[column].ImageRect();
        int left = 0, right = 0;
        columns.ColumnAndBoundsAt(headerPoint, left, right, true);
        const int x = headerPoint.X - left;
        if (columns[column].HasImage() && x >= image.Left && x < image.Right && headerPoint.Y >= image.Top &&
            headerPoint.Y < image.Bottom) {
            info.HitPosition |= hhiOnIcon;
            if (columns[column].CheckBox()) {
                info.HitPosition |= hhiOnCheckbox;
                columns[column].SetCheckState(NextCheckState(columns[column].CheckType(), columns[column].CheckState()));
            }
        }
    } else {
        columns.SetClickIndex(NoColumn);
        info.Column = NoColumn;
        info.HitPosition = hhiNoWhere;
    }
    if (dblClick) {
        if (OnHeaderDblClick)
            OnHeaderDblClick(&Header(), info);
    } else if (OnHeaderClick) {
        OnHeaderClick(&Header(), info);
    }
    if (info.HitPosition != hhiNoWhere)
        Header().Invalidate(info.Column);
    if (oldClick != info.Column && columns.IsValidColumn(oldClick))
        Header().Invalidate(oldClick);
}

bool TCustomVirtualTreeControl::HandleHeaderMessage(ui::Message& message)
{
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    auto clientOfScreen = [this](LPARAM lparam) {
        POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ::ScreenToClient(Handle(), &p);
        return TPoint{p.x, p.y};
    };
    auto clientOfMessage = [](LPARAM lparam) { return TPoint{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; };
    auto columnAt = [&](TPoint client) {
        return columns.ColumnFromPosition(TPoint{client.X, client.Y + header.Height()}, true);
    };
    auto handled = [&message] {
        message.Result = 0;
        return true;
    };
    const THeaderStates tracking = hsColumnWidthTracking | hsColumnWidthTrackPending | hsHeightTracking | hsHeightTrackPending;

    switch (message.Msg) {
    case ui::CM_FONTCHANGED:
        // The tree's font changed, its own or taken from its parent: a header that follows the
        // tree's font takes it (the tree handles the rest).
        if (header.ParentFont())
            m_header_font.Assign(Font());
        break;
    case ui::CM_PARENTBIDIMODECHANGED:
        for (int i = 0; i < columns.Count(); ++i)
            columns[i].ParentBiDiModeChanged();
        break;
    case WM_KILLFOCUS:
    case WM_KEYDOWN:
        // Losing the focus or Escape ends a column drag.
        if ((message.Msg == WM_KILLFOCUS || message.WParam == VK_ESCAPE) && (header.States() & (hsDragging | hsDragPending))) {
            if (GetCapture() == Handle())
                ReleaseCapture();
            header.LeaveStates(hsDragging | hsDragPending);
            ColumnDragImage().EndDrag();
            columns.SetDropTarget(NoColumn, false);
            columns.SetDragIndex(NoColumn);
            columns.SetDownIndex(NoColumn);
            header.Invalidate(NoColumn);
            if (message.Msg == WM_KEYDOWN)
                return handled();
        }
        break;
    case WM_NCMOUSEMOVE: {
        TPoint p = clientOfScreen(message.LParam);
        if (OnHeaderMouseMove)
            OnHeaderMouseMove(&header, CurrentShiftState(), p.X, p.Y + header.Height());
        if (header.InHeader(p)) {
            TColumnIndex column = columnAt(p);
            if (column != columns.HoverIndex()) {
                if (columns.IsValidColumn(columns.HoverIndex()))
                    header.Invalidate(columns.HoverIndex());
                columns.SetHoverIndex(column);
                if (columns.IsValidColumn(column))
                    header.Invalidate(column);
                WindowPort().SetTimer(HeaderTimer, 50);
            } else if (columns.DownIndex() >= 0 && columns.HoverIndex() != columns.DownIndex()) {
                WindowPort().SetTimer(HeaderTimer, 50);
            }
        }
        break;
    }
    case WM_TIMER:
        if (message.WParam == HeaderTimer) {
            POINT cursor;
            GetCursorPos(&cursor);
            ::ScreenToClient(Handle(), &cursor);
            const TPoint p{cursor.x, cursor.y};
            if (!header.InHeader(p) || (columns.DownIndex() >= 0 && columns.HoverIndex() != columns.DownIndex())) {
                WindowPort().KillTimer(HeaderTimer);
                columns.SetHoverIndex(NoColumn);
                columns.SetClickIndex(NoColumn);
                columns.SetDownIndex(NoColumn);
                header.Invalidate(NoColumn);
            }
            return handled();
        }
        break;
    case WM_NCLBUTTONDOWN:
    case WM_LBUTTONDOWN: {
        const bool nc = message.Msg == WM_NCLBUTTONDOWN;
        const TPoint p = nc ? clientOfScreen(message.LParam) : clientOfMessage(message.LParam);
        if (((header.Options() & hoHeightResize) && header.InHeaderSplitterArea(p)) || header.IsColumnSplitterHit(p))
            break;   // width and height tracking: the window control's own handling
        if (!header.InHeader(p))
            break;
        WindowPort().KillTimer(EditTimer);
        ChangeStates(0, tsEditPending);
        if (nc)
            m_drag_start = TPoint{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
        const TColumnIndex column = columnAt(p);
        if (columns.IsValidColumn(column) && column != columns.DownIndex() &&
            (columns[column].Options() & coAllowClick) && (columns[column].Options() & coEnabled)) {
            if (columns.IsValidColumn(columns.DownIndex()))
                header.Invalidate(columns.DownIndex());
            columns.SetDownIndex(column);
            header.Invalidate(column);
        }
        if (OnHeaderMouseDown)
            OnHeaderMouseDown(&header, ui::mbLeft, CurrentShiftState(), p.X, p.Y + header.Height());
        if ((header.Options() & hoDrag) && columns.IsValidColumn(columns.DownIndex()) &&
            (columns[columns.DownIndex()].Options() & coDraggable)) {
            header.EnterStates(hsDragPending);
            SetCapture(Handle());
        }
        return handled();
    }
    case WM_MOUSEMOVE: {
        if (!(header.States() & (hsDragPending | hsDragging)))
            break;
        POINT screen{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
        ::ClientToScreen(Handle(), &screen);
        if (header.States() & hsDragPending) {
            bool allowed = true;
            if (OnHeaderDragging)
                OnHeaderDragging(&header, columns.DownIndex(), allowed);
            if (!(header.Options() & hoDrag) || !allowed)
                break;
            if (std::abs(screen.x - m_drag_start.X) < GetSystemMetrics(SM_CXDRAG) &&
                std::abs(screen.y - m_drag_start.Y) < GetSystemMetrics(SM_CYDRAG))
                break;
            WindowPort().KillTimer(HeaderTimer);
            const TColumnIndex pressed = columns.DownIndex();
            columns.SetDownIndex(NoColumn);
            columns.SetHoverIndex(NoColumn);
            header.Invalidate(pressed);
            UpdateWindow(Handle());
            StartColumnDrag(screen, POINT{m_drag_start.X, m_drag_start.Y});
            header.LeaveStates(hsDragPending);
            header.EnterStates(hsDragging);
            return handled();
        }
        TrackColumnDrag(screen);
        return handled();
    }
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP: {
        if (header.States() & tracking)
            break;
        const bool nc = message.Msg == WM_NCLBUTTONUP;
        const TPoint p = nc ? clientOfScreen(message.LParam) : clientOfMessage(message.LParam);
        const bool anyState = (header.States() & (hsDragPending | hsDragging)) != 0;
        if (anyState) {
            ReleaseCapture();
            ColumnDragImage().EndDrag();
            if (header.States() & hsDragging) {
                POINT screen{p.X, p.Y};
                ::ClientToScreen(Handle(), &screen);
                RECT window;
                GetWindowRect(Handle(), &window);
                const TColumnIndex dragged = columns.DragIndex();
                const TColumnIndex target = columns.DropTarget();
                if (columns.IsValidColumn(target) && target != dragged && PtInRect(&window, screen)) {
                    const TColumnPosition oldPosition = columns[dragged].Position();
                    const TColumnPosition targetPosition = columns[target].Position();
                    TColumnPosition position;
                    if (columns.DropBefore())
                        position = targetPosition > oldPosition ? targetPosition - 1 : targetPosition;
                    else
                        position = targetPosition > oldPosition ? targetPosition : targetPosition + 1;
                    columns[dragged].SetPosition(position);
                    if (OnHeaderDragged)
                        OnHeaderDragged(&header, dragged, oldPosition);
                } else if (OnHeaderDraggedOut) {
                    OnHeaderDraggedOut(&header, dragged, TPoint{screen.x, screen.y});
                }
                columns.SetDropTarget(NoColumn, false);
                columns.SetDragIndex(NoColumn);
                header.Invalidate(NoColumn);
            }
        }
        if (nc || columns.DownIndex() >= 0)
            ProcessHeaderClick(p, ui::mbLeft, false, false);
        if ((nc || anyState) && OnHeaderMouseUp)
            OnHeaderMouseUp(&header, ui::mbLeft, CurrentShiftState(), p.X, p.Y + header.Height());
        if (columns.IsValidColumn(columns.DownIndex())) {
            header.Invalidate(columns.DownIndex());
            columns.SetDownIndex(NoColumn);
        }
        header.LeaveStates(hsDragging | hsDragPending);
        if (nc || anyState)
            return handled();
        break;
    }
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDBLCLK: {
        if (TVirtualTreeControl::HandleHeaderMessage(message))
            return true;
        const TPoint p = clientOfScreen(message.LParam);
        if (header.InHeader(p)) {
            const ui::MouseButton button = message.Msg == WM_NCLBUTTONDBLCLK   ? ui::mbLeft
                                           : message.Msg == WM_NCRBUTTONDBLCLK ? ui::mbRight
                                                                               : ui::mbMiddle;
            ProcessHeaderClick(p, button, true, true);
        }
        return false;
    }
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: {
        const TPoint p = clientOfScreen(message.LParam);
        if (header.InHeader(p) && OnHeaderMouseDown)
            OnHeaderMouseDown(&header, message.Msg == WM_NCRBUTTONDOWN ? ui::mbRight : ui::mbMiddle,
                              CurrentShiftState(), p.X, p.Y + header.Height());
        break;
    }
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONUP: {
        const TPoint p = clientOfScreen(message.LParam);
        if (!header.InHeader(p))
            break;
        const ui::MouseButton button = message.Msg == WM_NCRBUTTONUP ? ui::mbRight : ui::mbMiddle;
        ProcessHeaderClick(p, button, true, false);
        if (OnHeaderMouseUp)
            OnHeaderMouseUp(&header, button, CurrentShiftState(), p.X, p.Y + header.Height());
        columns.SetDownIndex(NoColumn);
        if (button == ui::mbRight)
            columns.SetTrackIndex(NoColumn);
        return handled();
    }
    default:
        break;
    }
    return TVirtualTreeControl::HandleHeaderMessage(message);
}

} // namespace treeview
