// Event machinery of the virtual tree: the dispatchers with their defaults, tree-state changes,
// delayed change notifications, update and synchronisation brackets, and the window seams
// (invalidation, scroll bars, timers, the worker's change-state message).
#include "treeview/virtual_tree.h"
#include "treeview/worker.h"

namespace treeview {

TVirtualTreeStates StatesFromMessageBits(uint32_t bits)
{
    TVirtualTreeStates states = 0;
    if (bits & csbStopValidation)
        states |= tsStopValidation;
    if (bits & csbUseCache)
        states |= tsUseCache;
    if (bits & csbValidating)
        states |= tsValidating;
    if (bits & csbValidationNeeded)
        states |= tsValidationNeeded;
    return states;
}

uint32_t MessageBitsFromStates(TVirtualTreeStates states)
{
    uint32_t bits = 0;
    if (states & tsStopValidation)
        bits |= csbStopValidation;
    if (states & tsUseCache)
        bits |= csbUseCache;
    if (states & tsValidating)
        bits |= csbValidating;
    if (states & tsValidationNeeded)
        bits |= csbValidationNeeded;
    return bits;
}

// ---- Dispatchers ----

void TBaseVirtualTree::DoInitNode(PVirtualNode parent, PVirtualNode node, TVirtualNodeInitStates& initStates)
{
    if (OnInitNode)
        OnInitNode(this, parent, node, initStates);
}

bool TBaseVirtualTree::DoInitChildren(PVirtualNode node, uint32_t& childCount)
{
    if (!OnInitChildren)
        return false;
    OnInitChildren(this, node, childCount);
    return true;
}

void TBaseVirtualTree::QueryNodeDataSize(int32_t& size)
{
    size = 0;
    if (OnGetNodeDataSize)
        OnGetNodeDataSize(this, size);
}

void TBaseVirtualTree::DoFreeNode(PVirtualNode node)
{
    if (OnFreeNode)
        OnFreeNode(this, node);
}

void TBaseVirtualTree::DoReset(PVirtualNode node)
{
    if (OnResetNode)
        OnResetNode(this, node);
}

void TBaseVirtualTree::DoMeasureItem(TCanvas* canvas, PVirtualNode node, int& nodeHeight)
{
    if (OnMeasureItem)
        OnMeasureItem(this, canvas, node, nodeHeight);
}

void TBaseVirtualTree::DoNodeMoving(PVirtualNode node, PVirtualNode target, bool& allowed)
{
    if (OnNodeMoving)
        OnNodeMoving(this, node, target, allowed);
}

void TBaseVirtualTree::DoNodeMoved(PVirtualNode node)
{
    if (OnNodeMoved)
        OnNodeMoved(this, node);
}

void TBaseVirtualTree::DoNodeCopying(PVirtualNode node, PVirtualNode target, bool& allowed)
{
    if (OnNodeCopying)
        OnNodeCopying(this, node, target, allowed);
}

void TBaseVirtualTree::DoNodeCopied(PVirtualNode node)
{
    if (OnNodeCopied)
        OnNodeCopied(this, node);
}

void TBaseVirtualTree::DoStructureChange(PVirtualNode node, TChangeReason reason)
{
    m_port->KillTimer(StructureChangeTimer);
    // The pending record is cleared first, so that a handler that raises leaves nothing half done.
    ChangeStates(0, tsStructureChangePending);
    m_last_structure_change_node = nullptr;
    m_last_structure_change_reason = crIgnore;
    if (OnStructureChange)
        OnStructureChange(this, node, reason);
}

void TBaseVirtualTree::DoChange(PVirtualNode node)
{
    m_port->KillTimer(ChangeTimer);
    ChangeStates(0, tsChangePending);
    m_last_changed_node = nullptr;
    if (OnChange)
        OnChange(this, node);
}

void TBaseVirtualTree::DoUpdating(TVTUpdateState state)
{
    if (OnUpdating)
        OnUpdating(this, state);
}

int TBaseVirtualTree::DoCompare(PVirtualNode node1, PVirtualNode node2, TColumnIndex column)
{
    int result = 0;
    if (OnCompareNodes)
        OnCompareNodes(this, node1, node2, column, result);
    return result;
}

bool TBaseVirtualTree::DoFocusChanging(PVirtualNode oldNode, PVirtualNode newNode, TColumnIndex oldColumn,
                                       TColumnIndex newColumn)
{
    // Without a header every column may take the focus, so a column change is allowed too.
    bool allowed = true;
    if (OnFocusChanging)
        OnFocusChanging(this, oldNode, newNode, oldColumn, newColumn, allowed);
    return allowed;
}

void TBaseVirtualTree::DoFocusChange(PVirtualNode node, TColumnIndex column)
{
    if (OnFocusChanged)
        OnFocusChanged(this, node, column);
}

bool TBaseVirtualTree::DoChecking(PVirtualNode node, TCheckState& newState)
{
    if (m_options->MiscOptions() & toReadOnly)
        return false;
    bool allowed = true;
    if (OnChecking)
        OnChecking(this, node, newState, allowed);
    return allowed;
}

void TBaseVirtualTree::DoChecked(PVirtualNode node)
{
    if (OnChecked)
        OnChecked(this, node);
}

bool TBaseVirtualTree::DoExpanding(PVirtualNode node)
{
    bool allowed = true;
    if (OnExpanding)
        OnExpanding(this, node, allowed);
    return allowed;
}

void TBaseVirtualTree::DoExpanded(PVirtualNode node)
{
    if (OnExpanded)
        OnExpanded(this, node);
}

bool TBaseVirtualTree::DoCollapsing(PVirtualNode node)
{
    bool allowed = true;
    if (OnCollapsing)
        OnCollapsing(this, node, allowed);
    return allowed;
}

void TBaseVirtualTree::DoCollapsed(PVirtualNode node)
{
    if (OnCollapsed)
        OnCollapsed(this, node);
}

void TBaseVirtualTree::DoHotChange(PVirtualNode oldNode, PVirtualNode newNode)
{
    if (OnHotChange)
        OnHotChange(this, oldNode, newNode);
}

bool TBaseVirtualTree::IsCellEmpty(PVirtualNode node, TColumnIndex column)
{
    bool isEmpty = true;
    if (OnGetCellIsEmpty)
        OnGetCellIsEmpty(this, node, column, isEmpty);
    return isEmpty;
}

TCustomImageList* TBaseVirtualTree::QueryImageIndex(PVirtualNode node, TVTImageKind kind, TColumnIndex column,
                                                    bool& ghosted, int& index)
{
    TCustomImageList* images = nullptr;
    if (OnGetImageIndexEx)
        OnGetImageIndexEx(this, node, kind, column, ghosted, index, images);
    else if (OnGetImageIndex)
        OnGetImageIndex(this, node, kind, column, ghosted, index);
    return images;
}

TPopupMenu* TBaseVirtualTree::QueryPopupMenu(PVirtualNode node, TColumnIndex column, int x, int y)
{
    if (!OnGetPopupMenu)
        return nullptr;
    TPopupMenu* menu = nullptr;
    bool askParent = true;
    if (node) {
        PVirtualNode run = node;
        do {
            OnGetPopupMenu(this, run, column, x, y, askParent, menu);
            run = run->Parent;
        } while (run && run != m_root && !menu && askParent);
    } else {
        OnGetPopupMenu(this, nullptr, NoColumn, x, y, askParent, menu);
    }
    return menu;
}

bool TBaseVirtualTree::DoKeyAction(uint16_t& charCode, TShiftState& shift)
{
    bool doDefault = true;
    if (OnKeyAction)
        OnKeyAction(this, charCode, shift, doDefault);
    return doDefault;
}

int TBaseVirtualTree::DoIncrementalSearch(PVirtualNode node, core::StringView text)
{
    int result = 0;
    if (OnIncrementalSearch)
        OnIncrementalSearch(this, node, text, result);
    return result;
}

bool TBaseVirtualTree::DoDragAllowed(PVirtualNode node, TColumnIndex column)
{
    bool allowed = false;
    if (OnDragAllowed)
        OnDragAllowed(this, node, column, allowed);
    return allowed;
}

bool TBaseVirtualTree::DoCanEdit(PVirtualNode node, TColumnIndex column)
{
    bool allowed = (m_options->MiscOptions() & toEditable) != 0;
    if (OnEditing)
        OnEditing(this, node, column, allowed);
    return allowed;
}

void TBaseVirtualTree::ThemeOptionsChanged(TVTPaintOptions value)
{
    // Without a window half the state records only whether themes are wanted.
    if (value & toThemeAware)
        ChangeStates(tsUseThemes, 0);
    else
        ChangeStates(0, tsUseThemes);
    Invalidate();
}

void TBaseVirtualTree::DoScroll(int deltaX, int deltaY)
{
    if (OnScroll)
        OnScroll(this, deltaX, deltaY);
}

void TBaseVirtualTree::ShowScrollBarAndNotify(TScrollBarKind bar, bool show)
{
    m_port->ShowScrollBar(bar, show);
    if (OnShowScrollbar)
        OnShowScrollbar(this, bar, show);
}

void TBaseVirtualTree::DoSaveUserData(PVirtualNode node, core::Stream& stream)
{
    if (OnSaveNode)
        OnSaveNode(this, node == m_root ? nullptr : node, stream);
}

void TBaseVirtualTree::DoLoadUserData(PVirtualNode node, core::Stream& stream)
{
    if (OnLoadNode)
        OnLoadNode(this, node == m_root ? nullptr : node, stream);
}

void TBaseVirtualTree::DoBeforePaint(TCanvas* canvas)
{
    if (OnBeforePaint)
        OnBeforePaint(this, canvas);
}

void TBaseVirtualTree::DoAfterPaint(TCanvas* canvas)
{
    if (OnAfterPaint)
        OnAfterPaint(this, canvas);
}

bool TBaseVirtualTree::DoPaintBackground(TCanvas* canvas, const TRect& rect)
{
    bool handled = false;
    if (OnPaintBackground)
        OnPaintBackground(this, canvas, rect, handled);
    return handled;
}

bool TBaseVirtualTree::DoBeforeItemPaint(TCanvas* canvas, PVirtualNode node, const TRect& itemRect)
{
    bool customDraw = false;
    if (OnBeforeItemPaint)
        OnBeforeItemPaint(this, canvas, node, itemRect, customDraw);
    return customDraw;
}

void TBaseVirtualTree::DoAfterItemPaint(TCanvas* canvas, PVirtualNode node, const TRect& itemRect)
{
    if (OnAfterItemPaint)
        OnAfterItemPaint(this, canvas, node, itemRect);
}

void TBaseVirtualTree::DoAfterCellPaint(TCanvas* canvas, PVirtualNode node, TColumnIndex column, const TRect& cellRect)
{
    if (OnAfterCellPaint)
        OnAfterCellPaint(this, canvas, node, column, cellRect);
}

// ---- States and notifications ----

void TBaseVirtualTree::ChangeStates(TVirtualTreeStates enter, TVirtualTreeStates leave)
{
    if (OnStateChange) {
        TVirtualTreeStates actualEnter = enter & ~m_states;
        TVirtualTreeStates actualLeave = m_states & leave;
        if (actualEnter | actualLeave)
            OnStateChange(this, enter, leave);
    }
    m_states = (m_states | enter) & ~leave;
    m_stop_validation.store((m_states & tsStopValidation) != 0, std::memory_order_release);
}

void TBaseVirtualTree::NoteChangeEvent(bool structureChange, PVirtualNode node, TChangeReason reason)
{
    if (structureChange) {
        if (m_states & tsStructureChangePending)
            m_port->KillTimer(StructureChangeTimer);
        else
            ChangeStates(tsStructureChangePending, 0);
        m_last_structure_change_node = node;
        if (m_last_structure_change_reason == crIgnore)
            m_last_structure_change_reason = reason;
        else if (reason != crIgnore && reason != m_last_structure_change_reason)
            m_last_structure_change_reason = crAccumulated;   // equal reasons stay what they are
    } else {
        if (m_states & tsChangePending)
            m_port->KillTimer(ChangeTimer);
        else
            ChangeStates(tsChangePending, 0);
        m_last_changed_node = node;
    }
}

void TBaseVirtualTree::NotifyChange(PVirtualNode node)
{
    NoteChangeEvent(false, node, crIgnore);
    if (m_update_count > 0)
        return;
    // A tree without a window has no timer to deliver a delayed change: it delivers at once.
    if (m_change_delay == 0 || (m_states & tsSynchMode) || !m_port->HandleAllocated())
        DoChange(m_last_changed_node);
    else
        m_port->SetTimer(ChangeTimer, m_change_delay);
}

void TBaseVirtualTree::NotifyStructureChange(PVirtualNode node, TChangeReason reason)
{
    NoteChangeEvent(true, node, reason);
    if (m_update_count > 0)
        return;
    if (m_change_delay == 0 || (m_states & tsSynchMode) || !m_port->HandleAllocated())
        DoStructureChange(m_last_structure_change_node, m_last_structure_change_reason);
    else
        m_port->SetTimer(StructureChangeTimer, m_change_delay);
}

void TBaseVirtualTree::FireChange()
{
    if (m_states & tsChangePending)
        DoChange(m_last_changed_node);
}

void TBaseVirtualTree::FireStructureChange()
{
    if (m_states & tsStructureChangePending)
        DoStructureChange(m_last_structure_change_node, m_last_structure_change_reason);
}

void TBaseVirtualTree::TimerFired(unsigned id)
{
    switch (id) {
    case ChangeTimer:
        FireChange();
        m_port->KillTimer(ChangeTimer);
        break;
    case StructureChangeTimer:
        FireStructureChange();
        m_port->KillTimer(StructureChangeTimer);
        break;
    default:
        // The other timers belong to the mouse, keyboard, drag and header handling of the window half.
        m_port->KillTimer(id);
        break;
    }
}

void TBaseVirtualTree::HandleChangeStateMessage(uint32_t enter, uint32_t leave)
{
    ChangeStates(StatesFromMessageBits(enter), StatesFromMessageBits(leave));
}

// ---- Brackets ----

void TBaseVirtualTree::BeginUpdate()
{
    if (!m_destroying) {
        if (m_update_count > 0) {
            DoUpdating(usUpdate);
        } else {
            DoUpdating(usBegin);
            if (m_port->Visible() && m_port->HandleAllocated())
                m_port->SetRedraw(false);
        }
    }
    ++m_update_count;
    ChangeStates(tsUpdating, 0);
}

void TBaseVirtualTree::EndUpdate()
{
    if (m_update_count > 0)
        --m_update_count;
    if (m_destroying)
        return;
    if (m_update_count == 0 && (m_states & tsUpdating)) {
        if (m_states & tsUpdateHiddenChildrenNeeded) {
            UpdateAllHiddenChildrenFlags();
            ChangeStates(0, tsUpdateHiddenChildrenNeeded);
        }
        ChangeStates(0, tsUpdating);
        PackSelection();
        InvalidateCache();
        RequestValidation();
        if (m_port->HandleAllocated())
            UpdateScrollBars(false);
        struct Finally {
            TBaseVirtualTree& tree;
            ~Finally() noexcept(false)
            {
                if (std::uncaught_exceptions() == 0) {
                    if ((tree.m_options->AutoOptions() & toAutoSort) && tree.m_sort_column >= NoColumn)
                        tree.SortTree(tree.m_sort_column, tree.m_sort_direction, true);
                }
                if (tree.m_port->Visible() && tree.m_port->HandleAllocated())
                    tree.m_port->SetRedraw(true);
                tree.Invalidate();
            }
        } finally{*this};
        FireStructureChange();
        FireChange();
    }
    DoUpdating(m_update_count == 0 ? usEnd : usUpdate);
}

void TBaseVirtualTree::BeginSynch()
{
    if (!m_destroying) {
        if (m_synch_update_count > 0) {
            DoUpdating(usSynch);
        } else {
            DoUpdating(usBeginSynch);
            for (unsigned id = ExpandTimer; id <= SearchTimer; ++id)
                m_port->KillTimer(id);
            m_last_search_node = nullptr;
            ChangeStates(0, tsEditPending | tsIncrementalSearching | tsScrolling | tsScrollPending);
            FireStructureChange();
            FireChange();
        }
    }
    ++m_synch_update_count;
    ChangeStates(tsSynchMode, 0);
}

void TBaseVirtualTree::EndSynch()
{
    if (m_synch_update_count > 0)
        --m_synch_update_count;
    if (m_destroying)
        return;
    if (m_synch_update_count > 0) {
        DoUpdating(usSynch);
    } else {
        ChangeStates(0, tsSynchMode);
        DoUpdating(usEndSynch);
    }
}

// ---- Window seams ----

void TBaseVirtualTree::Invalidate()
{
    if (m_update_count == 0)
        m_port->Invalidate(nullptr);
}

void TBaseVirtualTree::InvalidateNode(PVirtualNode node)
{
    if (!node || node == m_root || m_update_count > 0 || !m_port->HandleAllocated())
        return;
    if (!FullyVisible(node) || IsEffectivelyHidden(node))
        return;
    int top = int(GetNodeTop(node)) + m_offset_y;   // offsets are 0 or negative
    TRect rect{0, top, m_port->ClientSize().cx, top + int(node->NodeHeight)};
    m_port->Invalidate(&rect);
}

void TBaseVirtualTree::InvalidateToBottom(PVirtualNode node)
{
    if (m_update_count > 0 || !m_port->HandleAllocated())
        return;
    TSize client = m_port->ClientSize();
    int top = 0;
    if (node && node != m_root && FullyVisible(node) && !IsEffectivelyHidden(node))
        top = int(GetNodeTop(node)) + m_offset_y;
    if (top < client.cy) {
        TRect rect{0, top < 0 ? 0 : top, client.cx, client.cy};
        m_port->Invalidate(&rect);
    }
}

void TBaseVirtualTree::UpdateScrollBars(bool doRepaint)
{
    if (m_update_count > 0 || !m_port->HandleAllocated() || !m_root)
        return;
    TSize client = m_port->ClientSize();
    TScrollInfo vertical;
    vertical.Max = int(m_root->TotalHeight - m_root->NodeHeight);
    vertical.Page = client.cy;
    vertical.Pos = -m_offset_y;
    m_port->SetScrollInfo(TScrollBarKind::Vertical, vertical);
    if (doRepaint)
        Invalidate();
}

void TBaseVirtualTree::SetOffsetXY(int x, int y)
{
    int dx = x - m_offset_x, dy = y - m_offset_y;
    if (dx == 0 && dy == 0)
        return;
    m_offset_x = x;
    m_offset_y = y;
    Invalidate();
    DoScroll(dx, dy);
}

void TBaseVirtualTree::SetSortColumn(TColumnIndex column)
{
    if (column == m_sort_column)
        return;
    m_sort_column = column;
    if ((m_options->AutoOptions() & toAutoSort) && m_update_count == 0)
        SortTree(m_sort_column, m_sort_direction, true);
}

void TBaseVirtualTree::SetSortDirection(TSortDirection direction)
{
    if (direction == m_sort_direction)
        return;
    m_sort_direction = direction;
    if ((m_options->AutoOptions() & toAutoSort) && m_update_count == 0)
        SortTree(m_sort_column, m_sort_direction, true);
}

} // namespace treeview
