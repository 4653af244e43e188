// Selection model of the virtual tree: a sorted array of node addresses beside the vsSelected bits,
// removal marks packed in one pass, ranges, inversion, select all, focus and the cut/copy marks.
#include "treeview/virtual_tree.h"
#include <algorithm>

namespace treeview {

namespace {
inline uintptr_t Address(PVirtualNode node) { return reinterpret_cast<uintptr_t>(node); }
inline PVirtualNode NodeOf(uintptr_t entry) { return reinterpret_cast<PVirtualNode>(entry & ~uintptr_t(1)); }
inline bool Marked(uintptr_t entry) { return (entry & 1) != 0; }
} // namespace

int32_t TBaseVirtualTree::PackArray(std::vector<uintptr_t>& array, int32_t count)
{
    if (count <= 0)
        return -1;
    int32_t first = 0;
    while (first < count && !Marked(array[size_t(first)]))
        ++first;
    if (first == count)
        return count;
    int32_t out = first;
    for (int32_t i = first + 1; i < count; ++i)
        if (!Marked(array[size_t(i)]))
            array[size_t(out++)] = array[size_t(i)];
    return out;
}

void TBaseVirtualTree::PackSelection()
{
    int32_t count = PackArray(m_selection, m_selection_count);
    if (count >= 0) {
        m_selection_count = count;
        m_selection.resize(size_t(count));
    }
}

bool TBaseVirtualTree::LocateInSelection(PVirtualNode node, int32_t& index, int32_t low, int32_t high) const
{
    if (low < 0)
        low = 0;
    if (high < 0)
        high = m_selection_count - 1;
    uintptr_t key = Address(node);
    int32_t lo = low, hi = high + 1;
    while (lo < hi) {
        int32_t mid = lo + (hi - lo) / 2;
        if ((m_selection[size_t(mid)] & ~uintptr_t(1)) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo <= high && m_selection[size_t(lo)] == key;
}

bool TBaseVirtualTree::InternalAddToSelection(std::vector<uintptr_t>& nodes, int32_t count, bool forceInsert)
{
    if (count <= 0)
        return false;
    TVTSelectionOptions options = m_options->SelectionOptions();
    if (forceInsert) {
        for (int32_t i = 0; i < count; ++i) {
            int32_t index;
            // Already in the array (or given twice): nothing to insert again.
            if (HasState(NodeOf(nodes[size_t(i)]), vsSelected) && LocateInSelection(NodeOf(nodes[size_t(i)]), index))
                nodes[size_t(i)] |= 1;
            else
                IncludeStates(NodeOf(nodes[size_t(i)]), vsSelected);
        }
        std::sort(nodes.begin(), nodes.begin() + count);
        for (int32_t i = 1; i < count; ++i)
            if ((nodes[size_t(i)] & ~uintptr_t(1)) == (nodes[size_t(i - 1)] & ~uintptr_t(1)))
                nodes[size_t(i)] |= 1;
    } else {
        PVirtualNode first = NodeOf(nodes[0]);
        if ((options & toLevelSelectConstraint) && m_last_selection_level < 0)
            m_last_selection_level = int32_t(GetNodeLevel(first));
        if ((options & toSiblingSelectConstraint) && !m_range_anchor)
            m_range_anchor = first;
        for (int32_t i = 0; i < count; ++i) {
            PVirtualNode node = NodeOf(nodes[size_t(i)]);
            bool refuse = HasState(node, vsDisabled | vsSelected) ||
                          ((options & toLevelSelectConstraint) && int32_t(GetNodeLevel(node)) != m_last_selection_level) ||
                          ((options & toSiblingSelectConstraint) && m_range_anchor && node->Parent != m_range_anchor->Parent);
            if (refuse)
                nodes[size_t(i)] |= 1;
            else
                IncludeStates(node, vsSelected);
        }
    }
    int32_t left = PackArray(nodes, count);
    if (left <= 0)
        return false;
    std::sort(nodes.begin(), nodes.begin() + left);
    // Merge from the end: each block of selection entries above a new node moves up once.
    size_t oldCount = size_t(m_selection_count);
    m_selection.resize(oldCount + size_t(left));
    ptrdiff_t i = ptrdiff_t(oldCount) - 1, j = left - 1, k = ptrdiff_t(oldCount) + left - 1;
    while (j >= 0) {
        if (i >= 0 && (m_selection[size_t(i)] & ~uintptr_t(1)) > nodes[size_t(j)])
            m_selection[size_t(k--)] = m_selection[size_t(i--)];
        else
            m_selection[size_t(k--)] = nodes[size_t(j--)];
    }
    m_selection_count += left;
    return true;
}

bool TBaseVirtualTree::AddNodeToSelection(PVirtualNode node)
{
    if (m_selection_locked)
        return false;
    CORE_ASSERT(node, u"Node must not be nil!");
    std::vector<uintptr_t> single{Address(node)};
    if (!InternalAddToSelection(single, 1, false))
        return false;
    InvalidateNode(node);
    NotifyChange(node);
    return true;
}

bool TBaseVirtualTree::AddNodesToSelection(std::vector<PVirtualNode> nodes, bool forceInsert)
{
    if (m_selection_locked || nodes.empty())
        return false;
    std::vector<uintptr_t> entries(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i)
        entries[i] = Address(nodes[i]);
    if (!InternalAddToSelection(entries, int32_t(entries.size()), forceInsert))
        return false;
    if (nodes.size() == 1) {
        InvalidateNode(nodes[0]);
        NotifyChange(nodes[0]);
    } else {
        Invalidate();
        NotifyChange(nullptr);
    }
    return true;
}

void TBaseVirtualTree::RemoveFromSelection(PVirtualNode node)
{
    if (m_selection_locked)
        return;
    CORE_ASSERT(node, u"Node must not be nil!");
    if (!HasState(node, vsSelected))
        return;
    ExcludeStates(node, vsSelected);
    int32_t index;
    if (LocateInSelection(node, index)) {
        m_selection.erase(m_selection.begin() + index);
        if (m_selection_count > 0)
            --m_selection_count;
    }
    if (m_selection_count == 0)
        ResetRangeAnchor();
    InvalidateNode(node);
    NotifyChange(node);
}

void TBaseVirtualTree::UnselectQuietly(PVirtualNode node)
{
    int32_t index;
    if (LocateInSelection(node, index)) {
        ExcludeStates(node, vsSelected);
        m_selection[size_t(index)] |= 1;
    }
}

void TBaseVirtualTree::ResetRangeAnchor()
{
    m_range_anchor = m_focused_node;
    m_last_selection_level = -1;
}

void TBaseVirtualTree::DropSelection()
{
    if (m_update_count > 0)
        PackSelection();
    for (int32_t i = m_selection_count; i-- > 0;)
        if (!Marked(m_selection[size_t(i)]))
            ExcludeStates(NodeOf(m_selection[size_t(i)]), vsSelected);
    m_selection_count = 0;
    ResetRangeAnchor();
    m_selection.clear();
    m_selection.shrink_to_fit();
    ChangeStates(0, tsClearPending);
}

void TBaseVirtualTree::ClearSelection()
{
    if (m_selection_locked || m_selection_count == 0 || m_destroying)
        return;
    if (m_update_count == 0 && m_port->HandleAllocated())
        for (int32_t i = 0; i < m_selection_count; ++i)
            if (!Marked(m_selection[size_t(i)]))
                InvalidateNode(NodeOf(m_selection[size_t(i)]));
    DropSelection();
    NotifyChange(nullptr);
}

void TBaseVirtualTree::AddTempNode(PVirtualNode node)
{
    if (m_temp_node_count == m_temp_node_cache.size()) {
        size_t size = m_temp_node_cache.size();
        m_temp_node_cache.resize(size < 100 ? 100 : size + size / 10);
    }
    m_temp_node_cache[m_temp_node_count++] = Address(node);
}

void TBaseVirtualTree::ClearTempNodes()
{
    m_temp_node_cache.clear();
    m_temp_node_cache.shrink_to_fit();
    m_temp_node_count = 0;
}

namespace {
std::vector<PVirtualNode> NodesOf(const std::vector<uintptr_t>& entries, uint32_t count)
{
    std::vector<PVirtualNode> nodes(count);
    for (uint32_t i = 0; i < count; ++i)
        nodes[i] = NodeOf(entries[i]);
    return nodes;
}
} // namespace

int TBaseVirtualTree::CompareNodePositions(PVirtualNode node1, PVirtualNode node2, bool considerChildrenAbove)
{
    CORE_ASSERT(node1 && node2, u"Nodes must never be nil.");
    if (node1 == node2)
        return 0;
    bool above = considerChildrenAbove && (m_options->PaintOptions() & toChildrenAbove);
    if (HasAsParent(node1, node2))
        return above ? -1 : 1;
    if (HasAsParent(node2, node1))
        return above ? 1 : -1;
    uint32_t level1 = GetNodeLevel(node1), level2 = GetNodeLevel(node2);
    for (; level1 > level2; --level1)
        node1 = node1->Parent;
    for (; level2 > level1; --level2)
        node2 = node2->Parent;
    while (node1->Parent != node2->Parent) {
        node1 = node1->Parent;
        node2 = node2->Parent;
    }
    return node1->Index < node2->Index ? -1 : node1->Index > node2->Index ? 1 : 0;
}

void TBaseVirtualTree::SelectRange(PVirtualNode startNode, PVirtualNode endNode, bool addOnly)
{
    CORE_ASSERT(endNode, u"EndNode must not be nil!");
    if (m_selection_locked)
        return;
    ClearTempNodes();
    if (!startNode || !FullyVisible(startNode)) {
        PVirtualNode previous = startNode ? GetPreviousVisible(startNode, true) : nullptr;
        startNode = previous ? previous : GetFirstVisible(nullptr, true);
    }
    if (!startNode)
        return;
    PVirtualNode upper = startNode, lower = endNode;
    if (CompareNodePositions(startNode, endNode, true) > 0)
        std::swap(upper, lower);
    PVirtualNode anchor = m_range_anchor;
    if (!addOnly)
        DropSelection();
    for (PVirtualNode run = upper; run; run = GetNextVisible(run, true)) {
        AddTempNode(run);
        if (run == lower)
            break;
    }
    AddNodesToSelection(NodesOf(m_temp_node_cache, m_temp_node_count), false);
    ClearTempNodes();
    if (!addOnly && anchor && HasState(anchor, vsSelected))
        m_range_anchor = anchor;
}

void TBaseVirtualTree::ToggleRange(PVirtualNode newStart, PVirtualNode endNode)
{
    if (m_selection_locked)
        return;
    CORE_ASSERT(endNode, u"EndNode must not be nil!");
    if (!newStart) {
        newStart = m_root->FirstChild;
    } else if (!FullyVisible(newStart)) {
        PVirtualNode previous = GetPreviousVisible(newStart, true);
        newStart = previous ? previous : m_root->FirstChild;
    }
    if (!newStart || newStart == endNode)
        return;
    ClearTempNodes();
    PVirtualNode upper = newStart, lower = endNode;
    if (CompareNodePositions(newStart, endNode, true) > 0)
        std::swap(upper, lower);
    PVirtualNode anchor = m_range_anchor;
    for (PVirtualNode run = upper; run; run = GetNextVisible(run, true)) {
        bool toggle = true;
        if (run == upper)
            toggle = anchor && CompareNodePositions(upper, anchor, true) < 0;
        else if (run == lower)
            toggle = anchor && CompareNodePositions(lower, anchor, true) > 0;
        if (toggle) {
            if (HasState(run, vsSelected))
                UnselectQuietly(run);
            else
                AddTempNode(run);
        }
        if (run == lower)
            break;
    }
    PackSelection();
    if (anchor && !HasState(anchor, vsSelected))
        AddTempNode(anchor);
    if (m_temp_node_count > 0)
        AddNodesToSelection(NodesOf(m_temp_node_cache, m_temp_node_count), false);
    ClearTempNodes();
}

void TBaseVirtualTree::UnselectRange(PVirtualNode newStart, PVirtualNode endNode)
{
    if (m_selection_locked)
        return;
    CORE_ASSERT(endNode, u"EndNode must not be nil!");
    if (!newStart || !FullyVisible(newStart)) {
        PVirtualNode previous = newStart ? GetPreviousVisible(newStart, true) : nullptr;
        newStart = previous ? previous : m_root->FirstChild;
    }
    if (!newStart)
        return;
    PVirtualNode upper = newStart, lower = endNode;
    if (CompareNodePositions(newStart, endNode, true) > 0)
        std::swap(upper, lower);
    for (PVirtualNode run = upper; run; run = GetNextVisible(run, true)) {
        UnselectQuietly(run);
        if (run == lower)
            break;
    }
    PackSelection();
}

void TBaseVirtualTree::HandleClickSelection(PVirtualNode lastFocused, PVirtualNode newNode, TShiftState shift, bool dragPending)
{
    if (!newNode)
        return;
    if (shift.Ctrl && shift.Shift) {
        SelectRange(m_range_anchor, newNode, true);
        Invalidate();
    } else if (shift.Ctrl) {
        if (!(m_options->SelectionOptions() & toSiblingSelectConstraint))
            m_range_anchor = newNode;
        if (dragPending)
            ChangeStates(tsToggleFocusedSelection, 0);
        else if (HasState(newNode, vsSelected))
            RemoveFromSelection(newNode);
        else
            AddNodeToSelection(newNode);
    } else if (shift.Shift) {
        if (!m_range_anchor)
            m_range_anchor = m_root->FirstChild;
        if (m_range_anchor)
            SelectRange(m_range_anchor, newNode, false);
        Invalidate();
    } else {
        if (!HasState(newNode, vsSelected)) {
            AddNodeToSelection(newNode);
            InvalidateNode(newNode);
        }
        m_range_anchor = newNode;
    }
    (void)lastFocused;
}

void TBaseVirtualTree::SetSelected(PVirtualNode node, bool value)
{
    if (m_selection_locked || !node || node == m_root || HasState(node, vsSelected) == value)
        return;
    if (value) {
        if (m_selection_count == 0)
            m_range_anchor = node;
        else if (!(m_options->SelectionOptions() & toMultiSelect))
            ClearSelection();
        AddNodeToSelection(node);
        if (!m_range_anchor)
            m_range_anchor = node;
    } else {
        RemoveFromSelection(node);
        if (m_selection_count == 0)
            ResetRangeAnchor();
    }
    InvalidateNode(node);
}

void TBaseVirtualTree::InvertSelection(bool visibleOnly)
{
    if (!(m_options->SelectionOptions() & toMultiSelect) || m_selection_locked)
        return;
    ClearTempNodes();
    bool removed = false;
    PVirtualNode run = visibleOnly ? GetFirstVisibleNoInit(nullptr, true) : GetFirstNoInit();
    while (run) {
        if (HasState(run, vsSelected)) {
            UnselectQuietly(run);
            removed = true;
        } else {
            AddTempNode(run);
        }
        run = visibleOnly ? GetNextVisibleNoInit(run, true) : GetNextNoInit(run);
    }
    PackSelection();
    if (m_temp_node_count > 0)
        AddNodesToSelection(NodesOf(m_temp_node_cache, m_temp_node_count), false);
    ClearTempNodes();
    Invalidate();
    if (removed && m_selection_count == 0)
        NotifyChange(nullptr);
    else if (removed)
        NotifyChange(nullptr);
}

void TBaseVirtualTree::SelectAll(bool visibleOnly)
{
    if (m_selection_locked || !(m_options->SelectionOptions() & toMultiSelect))
        return;
    ClearTempNodes();
    PVirtualNode run = visibleOnly ? GetFirstVisible(nullptr, true, false) : GetFirst();
    while (run) {
        if (!HasState(run, vsSelected))
            AddTempNode(run);
        run = visibleOnly ? GetNextVisible(run, true) : GetNext(run);
    }
    if (m_temp_node_count > 0)
        AddNodesToSelection(NodesOf(m_temp_node_cache, m_temp_node_count), false);
    ClearTempNodes();
    Invalidate();
}

namespace {
// The next node in tree order that is not inside node's subtree.
PVirtualNode SkipSubtree(PVirtualNode node, PVirtualNode root)
{
    for (PVirtualNode run = node; run && run != root; run = run->Parent)
        if (run->NextSibling)
            return run->NextSibling;
    return nullptr;
}
} // namespace

TNodeArray TBaseVirtualTree::GetSortedSelection(bool resolve)
{
    TNodeArray result;
    result.reserve(size_t(m_selection_count > 0 ? m_selection_count : 0));
    if (m_selection_count <= 0)
        return result;
    PVirtualNode run = GetFirstNoInit();
    while (run) {
        if (HasState(run, vsSelected)) {
            result.push_back(run);
            if (resolve) {
                run = SkipSubtree(run, m_root);
                continue;
            }
        }
        run = GetNextNoInit(run);
    }
    return result;
}

TNodeArray TBaseVirtualTree::GetSortedCutCopySet(bool resolve)
{
    TNodeArray result;
    PVirtualNode run = GetFirstNoInit();
    while (run) {
        if (HasState(run, vsCutOrCopy)) {
            if (result.size() == result.capacity())
                result.reserve(result.size() < 100 ? 100 : result.size() + result.size() / 10);
            result.push_back(run);
            if (resolve) {
                run = SkipSubtree(run, m_root);
                continue;
            }
        }
        run = GetNextNoInit(run);
    }
    return result;
}

void TBaseVirtualTree::MarkCutCopySet()
{
    for (int32_t i = 0; i < m_selection_count; ++i) {
        if (Marked(m_selection[size_t(i)]))
            continue;
        PVirtualNode node = NodeOf(m_selection[size_t(i)]);
        if (!HasState(node, vsDisabled))
            IncludeStates(node, vsCutOrCopy);
    }
}

void TBaseVirtualTree::CopyToClipBoard()
{
    if (m_selection_count == 0)
        return;
    if (m_port->OfferClipboard(*this)) {
        MarkCutCopySet();
        ChangeStates(tsCopyPending, 0);
        Invalidate();
    }
}

void TBaseVirtualTree::CutToClipBoard()
{
    if (m_selection_count == 0 || (m_options->MiscOptions() & toReadOnly))
        return;
    if (m_port->OfferClipboard(*this)) {
        MarkCutCopySet();
        ChangeStates(tsCutPending, tsCopyPending);
        Invalidate();
    }
}

void TBaseVirtualTree::CancelCutOrCopy()
{
    if (m_states & (tsCutPending | tsCopyPending)) {
        for (PVirtualNode run = GetFirstNoInit(); run; run = GetNextNoInit(run))
            ExcludeStates(run, vsCutOrCopy);
    }
    ChangeStates(0, tsCutPending | tsCopyPending);
}

void TBaseVirtualTree::FinishCutOrCopy()
{
    if (m_states & tsCutPending) {
        TNodeArray nodes = GetSortedCutCopySet(true);
        BeginUpdate();
        try {
            for (size_t i = nodes.size(); i-- > 0;)
                DeleteNode(nodes[i], true);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        ChangeStates(0, tsCutPending);
    }
}

void TBaseVirtualTree::FlushClipboard()
{
    if (m_states & (tsCutPending | tsCopyPending)) {
        ChangeStates(tsClipboardFlushing, 0);
        m_port->FlushClipboard();
        CancelCutOrCopy();
        ChangeStates(0, tsClipboardFlushing);
    }
}

void TBaseVirtualTree::MoveFocusTo(PVirtualNode node)
{
    if (node == m_focused_node)
        return;
    if (!DoFocusChanging(m_focused_node, node, m_focused_column, m_focused_column))
        return;
    PVirtualNode old = m_focused_node;
    m_focused_node = node;
    InvalidateNode(old);
    InvalidateNode(node);
}

void TBaseVirtualTree::SetFocusedNode(PVirtualNode node)
{
    if (node == m_root)
        node = nullptr;
    PVirtualNode old = m_focused_node;
    MoveFocusTo(node);
    if (old != m_focused_node && m_focused_node == node)
        DoFocusChange(node, m_focused_column);
}

} // namespace treeview
