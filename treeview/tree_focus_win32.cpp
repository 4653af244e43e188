// Moving the focus, the tree's side of in-place editing and node popups.
#include "treeview/custom_tree_control.h"
#include <algorithm>

namespace treeview {

void TCustomVirtualTreeControl::FocusChanged(bool focused)
{
    (void)focused;
    // Selection colours and the focus rectangle depend on the focus.
    if (SelectedCount() > 0 || FocusedNode())
        Invalidate();
}

void TCustomVirtualTreeControl::MoveFocusTo(PVirtualNode node, bool ask)
{
    if (IsEditing() && !FinishEditing())
        return;
    if (node == RootNode())
        node = nullptr;
    PVirtualNode old = FocusedNode();
    if (node != old && (!ask || DoFocusChanging(old, node, FocusedColumn(), FocusedColumn()))) {
        if (old) {
            if ((TreeOptions().AutoOptions() & toAutoExpand) && node && node->Parent == old->Parent && Expanded(old))
                ToggleNode(old);
            else
                InvalidateNode(old);
        }
        StoreFocusedNode(node);
    }
    if (PVirtualNode focused = FocusedNode()) {
        if (Header().UseColumns() && !Header().Columns().IsValidColumn(FocusedColumn()))
            StoreFocusedColumn(Header().MainColumn());
        if ((TreeOptions().AutoOptions() & toAutoExpand) && !Expanded(focused))
            ToggleNode(focused);
        InvalidateNode(focused);
        if (UpdateCount() == 0 && !(TreeOptions().AutoOptions() & toDisableAutoscrollOnFocus)) {
            bool buttonDown = (GetKeyState(VK_LBUTTON) | GetKeyState(VK_RBUTTON) | GetKeyState(VK_MBUTTON)) < 0;
            ScrollIntoView(focused, (TreeOptions().SelectionOptions() & toCenterScrollIntoView) && !buttonDown, true);
        }
    }
    if (SelectedCount() == 0)
        ResetRangeAnchor();
}

void TCustomVirtualTreeControl::FocusCell(PVirtualNode node, TColumnIndex column)
{
    if (!Header().AllowFocus(column))
        column = FocusedColumn();
    const bool changed = node != FocusedNode() || column != FocusedColumn();
    const TColumnIndex oldColumn = FocusedColumn();
    StoreFocusedColumn(column);
    MoveFocusTo(node, true);
    if (FocusedNode() == node) {
        CancelEditing();
        if (changed)
            DoFocusChange(FocusedNode(), FocusedColumn());
    } else {
        StoreFocusedColumn(oldColumn);
    }
}

// ---- Editing ----

bool TCustomVirtualTreeControl::CanEdit(PVirtualNode node, TColumnIndex column)
{
    if (!(TreeOptions().MiscOptions() & toEditable) || (TreeOptions().MiscOptions() & toReadOnly))
        return false;
    return DoCanEdit(node, column);
}

bool TCustomVirtualTreeControl::EditNode(PVirtualNode node, TColumnIndex column)
{
    if (!node || node == RootNode() || !CanEdit(node, column))
        return false;
    if (node != FocusedNode())
        SetFocusedNode(node);
    m_edit_column = column;
    StartEditing();
    return IsEditing();
}

std::shared_ptr<IVTEditLink> TCustomVirtualTreeControl::MakeEditLink(PVirtualNode node, TColumnIndex column)
{
    std::shared_ptr<IVTEditLink> link;
    if (OnCreateEditor) {
        OnCreateEditor(this, node, column, link);
        if (!link)
            throw EVirtualTreeError(u"Edit link must not be nil.");
    }
    return link;
}

void TCustomVirtualTreeControl::StartEditing()
{
    WindowPort().KillTimer(ScrollTimer);
    WindowPort().KillTimer(EditTimer);
    ChangeStates(0, tsEditPending);
    PVirtualNode node = FocusedNode();
    if (!node || IsDisabled(node) || (TreeOptions().MiscOptions() & toReadOnly) || m_edit_link)
        return;
    m_edit_link = MakeEditLink(node, m_edit_column);
    if (!m_edit_link)
        return;
    ChangeStates(tsEditing, tsToggleFocusedSelection | tsClearPending | tsDrawSelPending | tsDrawSelecting |
                                tsMouseCheckPending | tsOLEDragging | tsOLEDragPending | tsScrolling | tsScrollPending);
    ScrollIntoView(node, (TreeOptions().SelectionOptions() & toCenterScrollIntoView) != 0,
                   !(TreeOptions().AutoOptions() & toDisableAutoscrollOnEdit));
    if (m_edit_link->PrepareEdit(*this, node, m_edit_column)) {
        PlaceEditor();
        InvalidateNode(node);
        if (!m_edit_link->BeginEdit())
            ChangeStates(0, tsEditing);
    } else {
        ChangeStates(0, tsEditing);
    }
    if (!IsEditing())
        m_edit_link.reset();
}

bool TCustomVirtualTreeControl::FinishEditing()
{
    WindowPort().KillTimer(EditTimer);
    const bool accepted = IsEditing() && m_edit_link && m_edit_link->EndEdit();
    if (accepted) {
        ChangeStates(0, tsEditing);
        m_edit_link.reset();
        if (OnEdited)
            OnEdited(this, FocusedNode(), m_edit_column);
    }
    ChangeStates(0, tsEditPending);
    return accepted;
}

bool TCustomVirtualTreeControl::CancelEditing()
{
    WindowPort().KillTimer(EditTimer);
    ChangeStates(0, tsEditPending);
    const bool cancelled = IsEditing() && m_edit_link && m_edit_link->CancelEdit();
    if (cancelled) {
        ChangeStates(0, tsEditing);
        if (OnEditCancelled)
            OnEditCancelled(this, m_edit_column);
        if (!TBaseVirtualTree::Destroying())
            m_edit_link.reset();
    }
    return cancelled;
}

void TCustomVirtualTreeControl::PlaceEditor()
{
    if (!IsEditing() || !m_edit_link || !FocusedNode())
        return;
    PVirtualNode node = FocusedNode();
    TRect r = GetDisplayRect(node, m_edit_column, true, !treeview::HasState(node, vsMultiline));
    if (TreeOptions().MiscOptions() & toGridExtensions) {
        // The editor reaches to the cell's far edge; the column bounds are client coordinates already.
        TVirtualTreeColumns& columns = Header().Columns();
        const bool column = columns.IsValidColumn(m_edit_column);
        TAlignment alignment = column ? columns[m_edit_column].Alignment() : Alignment();
        const bool rtl = column ? columns[m_edit_column].UseRightToLeftReading() : UseRightToLeftReading();
        if (rtl && alignment != taCenter)
            alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
        int left = 0, right = 0;
        columns.GetColumnBounds(column ? m_edit_column : NoColumn, left, right);
        if (alignment == taLeftJustify)
            r.Right = right;
        else
            r.Left = left;
    }
    if (TreeOptions().PaintOptions() & toShowHorzGridLines)
        --r.Bottom;
    m_edit_link->SetBounds(r);
}

// ---- Popups ----

void TCustomVirtualTreeControl::ShowNodePopup(const THitInfo& hitInfo, POINT client)
{
    TPopupMenu* menu = QueryPopupMenu(hitInfo.HitNode, hitInfo.HitColumn, client.x, client.y);
    if (!menu)
        return;
    ChangeStates(tsPopupMenuShown, 0);
    WindowPort().KillTimer(EditTimer);
    POINT screen = client;
    ::ClientToScreen(Handle(), &screen);
    menu->Popup(screen.x, screen.y);
}

// ---- Timers ----

void TCustomVirtualTreeControl::TreeTimer(unsigned id)
{
    switch (id) {
    case EditTimer:
        StartEditing();
        break;
    case ExpandTimer:
        ExpandDropTarget();
        break;
    case SearchTimer:
        WindowPort().KillTimer(SearchTimer);
        ChangeStates(0, tsIncrementalSearching);
        ClearSearch();
        break;
    default:
        TVirtualTreeControl::TreeTimer(id);
        break;
    }
}

} // namespace treeview
