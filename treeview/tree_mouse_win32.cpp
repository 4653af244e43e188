// Mouse in the client area: hit positions inside a row, hot tracking, and the press, release,
// double-click and move handling that turns clicks into focus, selection, toggles and checks.
#include "treeview/custom_tree_control.h"
#include <windowsx.h>
#include <algorithm>
#include <cstdlib>

namespace treeview {

namespace {
constexpr int DragThreshold = 4;
TCheckState PressedState(TCheckState state) { return TCheckState(state | 1u); }
TCheckState NormalState(TCheckState state) { return TCheckState(state & ~1u); }
} // namespace

void TCustomVirtualTreeControl::TrackHotNode(int x, int y)
{
    THitInfo info;
    GetHitTestInfoAt(x, y, true, info);
    THitPositions mask = hiOnItemCheckbox | hiOnItemLabel;
    PVirtualNode node = info.HitNode;
    if (!(TreeOptions().SelectionOptions() & toFullRowSelect) && !(info.HitPositions & mask))
        node = nullptr;
    const bool tracking = TreeOptions().PaintOptions() & toHotTrack;
    const bool invalidating = tracking || (TreeOptions().MiscOptions() & toCheckSupport);
    bool changed = false;
    if (node != HotNode() || info.HitColumn != m_hot_column) {
        DoHotChange(HotNode(), node);
        if (invalidating)
            InvalidateNode(HotNode());
        StoreHotNode(node);
        m_hot_column = info.HitColumn;
        changed = true;
    }
    bool buttonHit = (info.HitPositions & hiOnItemButtonExact) && tracking;
    if (HotNode()) {
        if (m_hot_node_button_hit != buttonHit || (changed && invalidating)) {
            m_hot_node_button_hit = buttonHit;
            InvalidateNode(HotNode());
        }
    } else {
        m_hot_node_button_hit = false;
    }
}

namespace {
struct MouseArgs {
    int x, y;
    TBaseVirtualTree::TShiftState shift;
    ui::ShiftState uiShift;
};
MouseArgs ArgsOf(const ui::Message& message)
{
    MouseArgs args;
    args.x = GET_X_LPARAM(message.LParam);
    args.y = GET_Y_LPARAM(message.LParam);
    args.shift.Shift = (message.WParam & MK_SHIFT) != 0;
    args.shift.Ctrl = (message.WParam & MK_CONTROL) != 0;
    args.shift.Alt = GetKeyState(VK_MENU) < 0;
    args.uiShift = (args.shift.Shift ? ui::ShiftState(ui::ssShift) : 0u) | (args.shift.Ctrl ? ui::ShiftState(ui::ssCtrl) : 0u) | (args.shift.Alt ? ui::ShiftState(ui::ssAlt) : 0u);
    return args;
}
} // namespace

void TCustomVirtualTreeControl::MousePressed(ui::Message& message, THitInfo& hitInfo)
{
    const MouseArgs args = ArgsOf(message);
    const TShiftState shift = args.shift;
    const int x = args.x, y = args.y;
    if (TreeStates() & (tsWheelPanning | tsWheelScrolling)) {
        EndWheelPanning();
        return;
    }
    if (TreeStates() & tsEditPending) {
        WindowPort().KillTimer(EditTimer);
        ChangeStates(0, tsEditPending);
    }
    if (IsEditing() && !FinishEditing())
        return;
    if (!Focused() && CanFocus()) {
        SetFocus();
        GetHitTestInfoAt(x, y, true, hitInfo);
    }
    Header().Columns().SetClickIndex(hitInfo.HitColumn);

    const auto selectionOptions = TreeOptions().SelectionOptions();
    const auto miscOptions = TreeOptions().MiscOptions();
    PVirtualNode hitNode = hitInfo.HitNode;
    const THitPositions hit = hitInfo.HitPositions;
    bool columnChange;
    TColumnIndex newColumn;
    if ((hit & hiOnItemLabel) || (selectionOptions & toFullRowSelect) || (miscOptions & toGridExtensions)) {
        columnChange = hitInfo.HitColumn != FocusedColumn();
        newColumn = (selectionOptions & toExtendedFocus) ? hitInfo.HitColumn : Header().MainColumn();
        if (newColumn == FocusedColumn())
            columnChange = false;
    } else {
        columnChange = false;
        newColumn = FocusedColumn();
    }
    if (columnChange && Header().UseColumns() && !Header().AllowFocus(newColumn)) {
        columnChange = false;
        newColumn = FocusedColumn();
    }
    const bool focusChange = hitNode != FocusedNode();
    const TShiftState shiftState{shift.Shift, shift.Ctrl, false};
    const bool alt = shift.Alt;
    const bool isLabelHit = !alt && !(selectionOptions & toSimpleDrawSelection) && (hit & (hiOnItemLabel | hiOnNormalIcon));
    const bool isCellHit = !alt && !isLabelHit && hitNode && !(hit & (hiOnItemButton | hiOnItemCheckbox)) &&
                           ((selectionOptions & toFullRowSelect) || ((miscOptions & toGridExtensions) && hitInfo.HitColumn >= 0));
    const bool isAnyHit = isLabelHit || isCellHit;
    const bool multi = selectionOptions & toMultiSelect;
    const bool shiftEmpty = !shiftState.Shift && !shiftState.Ctrl;
    const bool nodeSelected = isAnyHit && Selected(hitNode);
    const bool fullRowDrag = miscOptions & toFullRowDrag;
    // In automatic drag mode the window procedure hands the press here with the mode switched off.
    bool autoDrag = (DragMode() == ui::dmAutomatic || m_automatic_press || Dragging()) &&
                    (!isCellHit || fullRowDrag);
    if (!autoDrag && hitNode && DoDragAllowed(hitNode, newColumn))
        autoDrag = !isCellHit || fullRowDrag;

    const bool isHeightTracking = message.Msg == WM_LBUTTONDOWN && (miscOptions & toNodeHeightResize) &&
                                  (hit & hiOnItem) && (hit & (hiUpperSplitter | hiLowerSplitter)) &&
                                  Header().Columns().IsValidColumn(hitInfo.HitColumn) &&
                                  Header().Columns()[hitInfo.HitColumn].Fixed();
    if (isHeightTracking) {
        PVirtualNode track = (hit & hiUpperSplitter) ? GetPreviousVisible(hitNode, true) : hitNode;
        if (track && track != RootNode()) {
            m_height_track_node = track;
            m_height_track_column = hitInfo.HitColumn;
            const TRect r = GetDisplayRect(track, NoColumn, false);
            m_height_track_point = TPoint{r.Left, r.Top};
            ChangeStates(tsNodeHeightTrackPending, 0);
            return;
        }
    }
    if ((hit & hiOnItemButton) && hitNode && HasChildren(hitNode)) {
        ToggleNode(hitNode);
        return;
    }
    if (hit & hiOnItemCheckbox) {
        if ((TreeStates() & (tsMouseCheckPending | tsKeyCheckPending)) || IsDisabled(hitNode) || !Enabled())
            return;
        TCheckState next = NextCheckState(hitNode->CheckType, hitNode->CheckState);
        if (DoChecking(hitNode, next)) {
            ChangeStates(tsMouseCheckPending, 0);
            m_check_node = hitNode;
            m_pending_check_state = next;
            hitNode->CheckState = PressedState(hitNode->CheckState);
            InvalidateNode(hitNode);
        }
        return;
    }

    if ((RootNode()->ChildCount > 0 && shiftEmpty) || SelectedCount() == 0) {
        PVirtualNode levelNode = hitNode ? hitNode : GetLastVisible(nullptr, true);
        if (levelNode)
            StoreLastSelectionLevel(int32_t(GetNodeLevel(levelNode)));
    }
    if (multi && shiftEmpty && isAnyHit && autoDrag && nodeSelected && !SelectionLocked())
        ChangeStates(tsClearPending, 0);
    if (!SelectionLocked() &&
        ((!isAnyHit && !fullRowDrag && multi && shiftEmpty) ||
         (isAnyHit && (!nodeSelected || (nodeSelected && !autoDrag && !QueryPopupMenu(hitNode, hitInfo.HitColumn, x, y))) &&
          (shiftEmpty || !multi)))) {
        if (nodeSelected || (alt && hitNode && hitInfo.HitColumn == Header().MainColumn())) {
            bool several = SelectedCount() > 1;
            DropSelection();
            AddNodesToSelection({hitNode}, true);
            if (several) {
                Invalidate();
                NotifyChange(nullptr);
            }
        } else {
            ClearSelection();
        }
    }
    if (Focused() && ((hit & hiOnItemLabel) || ((miscOptions & toGridExtensions) && (hit & hiOnItem))) &&
        nodeSelected && !columnChange && shiftEmpty)
        ChangeStates(tsEditPending, 0);
    m_last_click = TPoint{x, y};
    if (!(selectionOptions & toDisableDrawSelection) && !isLabelHit && !fullRowDrag && multi) {
        SetCapture(Handle());
        ChangeStates(tsDrawSelPending, 0);
        m_new_sel_rect = TRect{x + TreeOffsetX(), y - OffsetY(), x + TreeOffsetX(), y - OffsetY()};
        // The press point holds no row, so the rows under the first real band count as changes.
        m_last_sel_rect = m_new_sel_rect;
        m_draw_sel_ctrl = shift.Ctrl;
        if (!isCellHit)
            return;
    }
    if ((isLabelHit || isCellHit) && DoFocusChanging(FocusedNode(), hitNode, FocusedColumn(), newColumn)) {
        if (columnChange)
            StoreFocusedColumn(newColumn);
        PVirtualNode lastFocused = FocusedNode();
        if (focusChange)
            MoveFocusTo(hitNode, false);
        if (!multi || shiftEmpty) {
            if (shiftEmpty)
                ResetRangeAnchor();
            if (!nodeSelected)
                AddNodeToSelection(hitNode);
        } else {
            HandleClickSelection(lastFocused, hitNode, shiftState, autoDrag);
        }
        if (focusChange || columnChange) {
            ScrollIntoView(FocusedNode(), (selectionOptions & toCenterScrollIntoView) != 0,
                           !(TreeOptions().AutoOptions() & toDisableAutoscrollOnFocus));
            DoFocusChange(FocusedNode(), FocusedColumn());
        }
    }
    if (autoDrag && isAnyHit && (TreeStates() & (tsLeftButtonDown | tsMiddleButtonDown | tsRightButtonDown)))
        BeginDrag(false);
}

void TCustomVirtualTreeControl::MouseReleased(ui::Message& message, const THitInfo& hitInfo)
{
    const ui::ShiftState shift = ArgsOf(message).uiShift;
    if (GetCapture() == Handle())
        ReleaseCapture();
    ChangeStates(0, tsNodeHeightTracking | tsNodeHeightTrackPending);
    if (IsMouseSelecting()) {
        ChangeStates(0, tsDrawSelPending | tsDrawSelecting | tsToggleFocusedSelection);
        m_new_sel_rect = TRect{};
        Invalidate();
    }
    if (TreeStates() & tsClearPending) {
        PVirtualNode focused = FocusedNode();
        bool wasSelected = Selected(focused);
        ClearSelection();
        if (wasSelected && focused)
            AddNodeToSelection(focused);
    }
    if ((TreeStates() & tsToggleFocusedSelection) && hitInfo.HitNode == FocusedNode() && FocusedNode()) {
        if (Selected(FocusedNode()))
            RemoveFromSelection(FocusedNode());
        else
            AddNodeToSelection(FocusedNode());
        InvalidateNode(FocusedNode());
    }
    ChangeStates(0, tsToggleFocusedSelection | tsClearPending | tsDrawSelPending | tsOLEDragging | tsOLEDragPending |
                        tsScrolling | tsScrollPending);
    WindowPort().KillTimer(ScrollTimer);
    if (TreeStates() & tsMouseCheckPending) {
        ChangeStates(0, tsMouseCheckPending);
        PVirtualNode node = m_check_node;
        m_check_node = nullptr;
        if (node) {
            node->CheckState = NormalState(node->CheckState);
            if (hitInfo.HitNode == node && (hitInfo.HitPositions & hiOnItem))
                ApplyCheckState(node, m_pending_check_state);
            InvalidateNode(node);
        }
    }
    if (Header().Columns().ClickIndex() >= 0 && Header().Columns().ClickIndex() == hitInfo.HitColumn && OnColumnClick)
        OnColumnClick(this, hitInfo.HitColumn, shift);
    if (TreeStates() & tsEditPending) {
        if (hitInfo.HitNode == FocusedNode() && (hitInfo.HitPositions & hiOnItem) &&
            CanEdit(FocusedNode(), FocusedColumn()) && (TreeOptions().MiscOptions() & toEditOnClick)) {
            m_edit_column = FocusedColumn();
            WindowPort().SetTimer(EditTimer, EditDelay());
        } else {
            ChangeStates(0, tsEditPending);
        }
    }
}

void TCustomVirtualTreeControl::MouseDoubleClicked(ui::Message& message, const THitInfo& hitInfo)
{
    const ui::ShiftState shift = ArgsOf(message).uiShift;
    bool editAllowed = !IsEditing() && (TreeOptions().MiscOptions() & toEditOnDblClick);
    if (TreeStates() & tsEditPending) {
        WindowPort().KillTimer(EditTimer);
        ChangeStates(0, tsEditPending);
    }
    if (IsEditing() && !FinishEditing())
        return;
    if (hitInfo.HitColumn == Header().Columns().ClickIndex() && OnColumnDblClick)
        OnColumnDblClick(this, hitInfo.HitColumn, shift);
    const THitPositions hit = hitInfo.HitPositions;
    PVirtualNode node = hitInfo.HitNode;
    PVirtualNode heightNode = nullptr;
    if ((hit & hiOnItem) && Header().Columns().IsValidColumn(hitInfo.HitColumn) &&
        Header().Columns()[hitInfo.HitColumn].Fixed()) {
        if (hit & hiUpperSplitter)
            heightNode = GetPreviousVisible(node, true);
        else if (hit & hiLowerSplitter)
            heightNode = node;
    }
    if (heightNode && heightNode != RootNode() && (TreeOptions().MiscOptions() & toNodeHeightDblClickResize)) {
        bool allowed = true;
        const MouseArgs args = ArgsOf(message);
        if (OnNodeHeightDblClickResize)
            OnNodeHeightDblClickResize(this, heightNode, hitInfo.HitColumn, shift, TPoint{args.x, args.y}, allowed);
        if (allowed) {
            SetNodeHeight(heightNode, DefaultNodeHeight());
            UpdateWindow(Handle());
            editAllowed = false;
        }
    } else if (hit & hiOnItemCheckbox) {
        if (!(TreeStates() & (tsMouseCheckPending | tsKeyCheckPending)) && node && !IsDisabled(node)) {
            TCheckState next = NextCheckState(node->CheckType, node->CheckState);
            if (DoChecking(node, next)) {
                ChangeStates(tsMouseCheckPending, 0);
                m_check_node = node;
                m_pending_check_state = next;
                node->CheckState = PressedState(node->CheckState);
                InvalidateNode(node);
            }
        }
        editAllowed = false;
    } else if (node && ((hit & hiOnItemButton) ||
                        ((TreeOptions().MiscOptions() & toToggleOnDblClick) &&
                         ((hit & (hiOnItemButton | hiOnItemLabel | hiOnNormalIcon | hiOnStateIcon)) ||
                          (TreeOptions().SelectionOptions() & toFullRowSelect))))) {
        ToggleNode(node);
        editAllowed = false;
    }
    if (editAllowed && node == FocusedNode() && hitInfo.HitColumn == FocusedColumn() && CanEdit(node, FocusedColumn())) {
        ChangeStates(tsEditPending, 0);
        m_edit_column = FocusedColumn();
        WindowPort().SetTimer(EditTimer, EditDelay());
    }
}

void TCustomVirtualTreeControl::MouseMove(ui::ShiftState uiShift, int x, int y)
{
    struct CallBase {
        TCustomVirtualTreeControl* tree; ui::ShiftState s; int x, y;
        ~CallBase() { tree->TVirtualTreeControl::MouseMove(s, x, y); }
    } callBase{this, uiShift, x, y};
    if (TreeStates() & tsNodeHeightTrackPending) {
        for (unsigned timer : {ExpandTimer, EditTimer, HeaderTimer, ScrollTimer, SearchTimer})
            WindowPort().KillTimer(timer);
        m_search_buffer.clear();
        m_last_search_node = nullptr;
        ChangeStates(tsNodeHeightTracking, tsEditPending | tsNodeHeightTrackPending | tsIncrementalSearching |
                                               tsOLEDragPending | tsScrolling | tsScrollPending | tsVCLDragPending);
    }
    if (TreeStates() & tsNodeHeightTracking) {
        bool allowed = true;
        TPoint p{x, y};
        if (OnNodeHeightTracking)
            OnNodeHeightTracking(this, m_height_track_node, m_height_track_column, uiShift, m_height_track_point, p, allowed);
        if (allowed && m_height_track_node) {
            const int bottom = std::max(p.Y, m_height_track_point.Y + 1);
            SetNodeHeight(m_height_track_node, uint32_t(bottom - m_height_track_point.Y));
            UpdateWindow(Handle());
        }
        return;
    }
    if (TreeStates() & tsOLEDragPending) {
        const TPoint click = LastClickPos();
        if (std::abs(x - click.X) >= m_drag_threshold || std::abs(y - click.Y) >= m_drag_threshold) {
            RunOLEDrag(click);
            return;
        }
    }
    if (AutoScrollAllowed())
        AutoScrollAt(x, y);
    if (TreeStates() & tsDrawSelecting) {
        if (!(TreeStates() & tsScrolling) && UpdateSelectionRect(x, y)) {
            const TRect oldRect = m_last_sel_rect;
            m_last_sel_rect = m_new_sel_rect;
            if (HasChildren(RootNode()) && HandleDrawSelection(oldRect, m_new_sel_rect)) {
                Invalidate();
            } else {
                RECT r{std::min({oldRect.Left, oldRect.Right, m_new_sel_rect.Left, m_new_sel_rect.Right}),
                       std::min({oldRect.Top, oldRect.Bottom, m_new_sel_rect.Top, m_new_sel_rect.Bottom}),
                       std::max({oldRect.Left, oldRect.Right, m_new_sel_rect.Left, m_new_sel_rect.Right}) + 1,
                       std::max({oldRect.Top, oldRect.Bottom, m_new_sel_rect.Top, m_new_sel_rect.Bottom}) + 1};
                OffsetRect(&r, -TreeOffsetX(), OffsetY());
                InvalidateRect(Handle(), &r, FALSE);
            }
        }
        return;
    }
    if (TreeStates() & tsDrawSelPending) {
        UpdateSelectionRect(x, y);
        if (std::abs(x - m_last_click.X) > DragThreshold || std::abs(y - m_last_click.Y) > DragThreshold) {
            if (TreeStates() & tsClearPending) {
                ChangeStates(0, tsClearPending);
                ClearSelection();
            }
            ChangeStates(tsDrawSelecting, tsDrawSelPending);
            StoreFocusedColumn(Header().MainColumn());
            if (HasChildren(RootNode()))
                HandleDrawSelection(m_last_sel_rect, m_new_sel_rect);
            m_last_sel_rect = m_new_sel_rect;
            Invalidate();
        }
        return;
    }
    if (!IsMouseSelecting())
        TrackHotNode(x, y);
}

bool TCustomVirtualTreeControl::UpdateSelectionRect(int x, int y)
{
    // The band's moving corner, clamped to the larger of client area and range.
    const int maxX = std::max(ClientWidth(), int(RangeX())), maxY = std::max(ClientHeight(), int(RangeY()));
    const int right = std::clamp(x + TreeOffsetX(), 0, maxX), bottom = std::clamp(y - OffsetY(), 0, maxY);
    if (right == m_new_sel_rect.Right && bottom == m_new_sel_rect.Bottom)
        return false;
    m_new_sel_rect.Right = right;
    m_new_sel_rect.Bottom = bottom;
    return true;
}

bool TCustomVirtualTreeControl::UpdateRubberBandAfterScroll(TPoint client)
{
    if (!(TreeStates() & tsDrawSelecting) || !UpdateSelectionRect(client.X, client.Y))
        return false;
    const TRect oldRect = m_last_sel_rect;
    m_last_sel_rect = m_new_sel_rect;
    return HasChildren(RootNode()) && HandleDrawSelection(oldRect, m_new_sel_rect);
}

bool TCustomVirtualTreeControl::HandleDrawSelection(const TRect& oldRect, const TRect& newRect)
{
    if (SelectionLocked())
        return false;
    auto normalise = [](const TRect& r) {
        return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                     std::max(r.Top, r.Bottom)};
    };
    const TRect before = normalise(oldRect), after = normalise(newRect);
    TVirtualTreeColumns& columns = Header().Columns();
    const TColumnIndex mainColumn = Header().MainColumn();
    const bool useColumns = Header().UseColumns() && columns.IsValidColumn(mainColumn);
    const TColumnIndex column = useColumns ? mainColumn : NoColumn;
    TAlignment alignment = Alignment();
    bool rtl = UseRightToLeftReading();
    int bandLeft = 0, bandRight = std::max(ClientWidth(), int(RangeX()));
    if (useColumns) {
        alignment = columns[mainColumn].Alignment();
        rtl = columns[mainColumn].UseRightToLeftReading();
        columns[mainColumn].GetUnscrolledBounds(bandLeft, bandRight);
    }
    // A right-to-left band (indentation counted from its right end, the alignments swapped, no span
    // over empty cells) is the mirror image of a left-to-right one with the column's own alignment:
    // the box is laid out in the mirror image and mirrored back.
    auto mirror = [&](const TRect& r) { return TRect{bandLeft + bandRight - r.Right, r.Top, bandLeft + bandRight - r.Left, r.Bottom}; };
    const TRect layoutBefore = rtl ? mirror(before) : before, layoutAfter = rtl ? mirror(after) : after;
    const bool simple = (TreeOptions().SelectionOptions() & toSimpleDrawSelection) != 0;
    const bool checks = (TreeOptions().MiscOptions() & toCheckSupport) && CheckImageWidth() > 0;
    const bool span = useColumns && !rtl && (TreeOptions().AutoOptions() & toAutoSpanColumns);

    std::vector<PVirtualNode> added;
    bool removed = false;
    int rowTop = 0;
    PVirtualNode run = GetNodeAt(0, std::min(before.Top, after.Top), false, rowTop);
    const int bottom = std::max(before.Bottom, after.Bottom);
    for (; run && rowTop <= bottom; run = GetNextVisibleNoInit(run, true)) {
        MeasureItemHeight(nullptr, run);
        const int rowBottom = rowTop + int(NodeHeight(run));
        int start = bandLeft + Margin() +
                    ((TreeOptions().PaintOptions() & toFixedIndent) ? int(Indent()) : NodeIndentation(run));
        if (checks && run->CheckType != ctNone)
            start += CheckImageWidth() + 2;
        if (ShowsImage(run, TVTImageKind::ikNormal, column))
            start += ImageSize(TVTImageKind::ikNormal).cx + 2;
        if (ShowsImage(run, TVTImageKind::ikState, column))
            start += ImageSize(TVTImageKind::ikState).cx + 2;
        int boxLeft = start, boxRight = bandRight;
        if (!simple) {
            if (span) {
                for (TColumnIndex next = columns.GetNextVisibleColumn(mainColumn);
                     columns.IsValidColumn(next) && IsCellEmpty(run, next) && !columns[next].UseRightToLeftReading();
                     next = columns.GetNextVisibleColumn(next))
                    boxRight += columns[next].Width();
            }
            if (!(start > layoutBefore.Left && start > layoutAfter.Left && alignment == taLeftJustify)) {
                const int width = DoGetNodeWidth(run, column), space = boxRight - start;
                if (width < space) {
                    switch (alignment) {
                    case taCenter: boxLeft = start + (space - width) / 2; boxRight = boxLeft + width; break;
                    case taRightJustify: boxLeft = boxRight - width; break;
                    default: boxRight = start + width; break;
                    }
                }
            }
        }
        if (rtl) {
            const int mirroredLeft = bandLeft + bandRight - boxRight;
            boxRight = bandLeft + bandRight - boxLeft;
            boxLeft = mirroredLeft;
        }
        // Touching left and right edges overlap, touching top and bottom ones do not; a band
        // without height (the press point) holds no row.
        auto inside = [&](const TRect& r) {
            return r.Bottom > r.Top && rowTop < r.Bottom && rowBottom > r.Top && (simple || (boxLeft <= r.Right && boxRight >= r.Left));
        };
        const bool wasIn = inside(before), isIn = inside(after);
        if (wasIn != isIn) {
            const bool selected = Selected(run);
            const bool select = m_draw_sel_ctrl ? !selected : isIn;
            if (select && !selected) {
                added.push_back(run);
            } else if (!select && selected) {
                UnselectQuietly(run);
                removed = true;
            }
        }
        rowTop = rowBottom;
    }
    if (added.empty() && !removed)
        return false;
    PackSelection();
    if (removed) {
        if (SelectedCount() == 0)
            ResetRangeAnchor();
        Invalidate();
    }
    if (added.empty() || !AddNodesToSelection(std::move(added), false))
        NotifyChange(nullptr);
    return true;
}

void TCustomVirtualTreeControl::TrackHotAfterScroll()
{
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    if (!IsMouseSelecting())
        TrackHotNode(p.x, p.y);
}

} // namespace treeview
