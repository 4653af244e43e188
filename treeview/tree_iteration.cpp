// Node iteration of the virtual tree: first, last, next and previous nodes of every kind, levels,
// absolute indexes, subtree walks and full expand/collapse. Forms ending in NoInit never raise
// OnInitNode or OnInitChildren; the others initialise what they return or descend into.
#include "treeview/virtual_tree.h"

namespace treeview {

namespace {
constexpr char16_t RootAssertion[] = u"Node must not be the hidden root node.";
// How many places ahead a walk along a sorted level asks for nodes: enough to cover a memory read.
constexpr uint32_t WalkAhead = 32;
}

void TBaseVirtualTree::FetchAhead(PVirtualNode node) const
{
    // A sorted level lies scattered in memory; its kept order tells which nodes come next.
    if (!node || node->Parent != m_sorted_parent.load(std::memory_order_relaxed))
        return;
    size_t ahead = size_t(node->Index) + WalkAhead;
    if (ahead < m_sorted_children.size())
        FetchNode(m_sorted_children[ahead]);
}

void TBaseVirtualTree::FetchNode(PVirtualNode node) const
{
#if defined(__GNUC__) || defined(__clang__)
    const char* record = reinterpret_cast<const char*>(node);
    __builtin_prefetch(record);
    __builtin_prefetch(record + sizeof(TVirtualNode) + m_total_internal_data_size);
#else
    (void)node;
#endif
}

#define TREE_CHILDREN_ABOVE(cca) ((cca) && (m_options->PaintOptions() & toChildrenAbove))
#define TREE_INIT(node)                                              \
    do {                                                             \
        if ((node) && !HasState((node), vsInitialized))              \
            InitializeNode(node);                                    \
    } while (0)

PVirtualNode TBaseVirtualTree::GetFirst(bool considerChildrenAbove)
{
    AfterConstruction();
    if (!TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
        PVirtualNode result = m_root->FirstChild;
        TREE_INIT(result);
        return result;
    }
    PVirtualNode result = nullptr;
    for (PVirtualNode run = GetFirstChild(nullptr); run; run = GetFirstChild(run))
        result = run;
    return result;
}

PVirtualNode TBaseVirtualTree::GetFirstNoInit(bool considerChildrenAbove)
{
    AfterConstruction();
    PVirtualNode result = m_root->FirstChild;
    if (TREE_CHILDREN_ABOVE(considerChildrenAbove) && HasState(m_root, vsHasChildren))
        while (result && result->FirstChild)
            result = result->FirstChild;
    return result;
}

PVirtualNode TBaseVirtualTree::GetFirstChild(PVirtualNode node)
{
    AfterConstruction();
    PVirtualNode result = nullptr;
    if (!node || node == m_root) {
        result = m_root->FirstChild;
    } else {
        TREE_INIT(node);
        if (HasState(node, vsHasChildren)) {
            if (node->ChildCount == 0)
                InitializeChildren(node);
            result = node->FirstChild;
        }
    }
    TREE_INIT(result);
    return result;
}

PVirtualNode TBaseVirtualTree::GetFirstChildNoInit(PVirtualNode node)
{
    AfterConstruction();
    return (!node || node == m_root) ? m_root->FirstChild : node->FirstChild;
}

PVirtualNode TBaseVirtualTree::GetLastChild(PVirtualNode node)
{
    AfterConstruction();
    PVirtualNode result = nullptr;
    if (!node || node == m_root) {
        result = m_root->LastChild;
    } else {
        TREE_INIT(node);
        if (HasState(node, vsHasChildren)) {
            if (node->ChildCount == 0)
                InitializeChildren(node);
            result = node->LastChild;
        }
    }
    TREE_INIT(result);
    return result;
}

PVirtualNode TBaseVirtualTree::GetLastChildNoInit(PVirtualNode node)
{
    AfterConstruction();
    if (!node || node == m_root)
        return m_root->LastChild;
    return HasState(node, vsHasChildren) ? node->LastChild : nullptr;
}

PVirtualNode TBaseVirtualTree::GetFirstInitialized(bool considerChildrenAbove)
{
    PVirtualNode run = GetFirstNoInit(considerChildrenAbove);
    while (run && !HasState(run, vsInitialized))
        run = GetNextNoInit(run, considerChildrenAbove);
    return run;
}

PVirtualNode TBaseVirtualTree::GetNextInitialized(PVirtualNode node, bool considerChildrenAbove)
{
    PVirtualNode run = GetNextNoInit(node, considerChildrenAbove);
    while (run && !HasState(run, vsInitialized))
        run = GetNextNoInit(run, considerChildrenAbove);
    return run;
}

PVirtualNode TBaseVirtualTree::GetPreviousInitialized(PVirtualNode node, bool considerChildrenAbove)
{
    PVirtualNode run = GetPreviousNoInit(node, considerChildrenAbove);
    while (run && !HasState(run, vsInitialized))
        run = GetPreviousNoInit(run, considerChildrenAbove);
    return run;
}

PVirtualNode TBaseVirtualTree::GetLastInitialized(PVirtualNode node, bool considerChildrenAbove)
{
    PVirtualNode result = GetLastNoInit(node, considerChildrenAbove);
    if (result && !HasState(result, vsInitialized))
        result = GetPreviousInitialized(result, considerChildrenAbove);
    return result;
}

PVirtualNode TBaseVirtualTree::GetFirstLeaf() { return GetNextLeaf(nullptr); }

PVirtualNode TBaseVirtualTree::GetNextLeaf(PVirtualNode node)
{
    AfterConstruction();
    PVirtualNode run = (!node || node == m_root) ? m_root->FirstChild : GetNext(node);
    while (run) {
        TREE_INIT(run);
        if (!HasState(run, vsHasChildren))
            return run;
        run = GetNext(run);
    }
    return nullptr;
}

PVirtualNode TBaseVirtualTree::GetPreviousLeaf(PVirtualNode node)
{
    AfterConstruction();
    PVirtualNode run = (!node || node == m_root) ? m_root->LastChild : GetPrevious(node);
    while (run) {
        TREE_INIT(run);
        if (!HasState(run, vsHasChildren))
            return run;
        run = GetPrevious(run);
    }
    return nullptr;
}

PVirtualNode TBaseVirtualTree::GetFirstLevel(uint32_t nodeLevel)
{
    PVirtualNode run = GetFirstNoInit(true);
    while (run && GetNodeLevel(run) != nodeLevel)
        run = GetNextNoInit(run, true);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetNextLevel(PVirtualNode node, uint32_t nodeLevel)
{
    if (!node || node == m_root)
        return nullptr;
    // Subtrees already at or below the wanted level are skipped whole.
    auto skipSubtree = [&](PVirtualNode from) -> PVirtualNode {
        for (PVirtualNode run = from; run && run != m_root; run = run->Parent)
            if (run->NextSibling) {
                TREE_INIT(run->NextSibling);
                return run->NextSibling;
            }
        return nullptr;
    };
    PVirtualNode run = GetNodeLevel(node) < nodeLevel ? GetNext(node) : skipSubtree(node);
    while (run) {
        uint32_t level = GetNodeLevel(run);
        if (level == nodeLevel)
            return run;
        run = level < nodeLevel ? GetNext(run) : skipSubtree(run);
    }
    return nullptr;
}

PVirtualNode TBaseVirtualTree::GetPreviousLevel(PVirtualNode node, uint32_t nodeLevel)
{
    if (!node || node == m_root)
        return nullptr;
    PVirtualNode run = GetPrevious(node);
    while (run && GetNodeLevel(run) != nodeLevel)
        run = GetPrevious(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetFirstChecked(TCheckState state, bool considerChildrenAbove)
{
    return GetNextChecked(nullptr, state, considerChildrenAbove);
}

PVirtualNode TBaseVirtualTree::GetNextChecked(PVirtualNode node, TCheckState state, bool considerChildrenAbove)
{
    PVirtualNode run = (!node || node == m_root) ? GetFirstNoInit(considerChildrenAbove)
                                                 : GetNextNoInit(node, considerChildrenAbove);
    while (run && run->CheckState != state)
        run = GetNextNoInit(run, considerChildrenAbove);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetPreviousChecked(PVirtualNode node, TCheckState state, bool considerChildrenAbove)
{
    PVirtualNode run = (!node || node == m_root) ? GetLastNoInit(nullptr, considerChildrenAbove)
                                                 : GetPreviousNoInit(node, considerChildrenAbove);
    while (run && run->CheckState != state)
        run = GetPreviousNoInit(run, considerChildrenAbove);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetFirstCutCopy(bool considerChildrenAbove)
{
    return GetNextCutCopy(nullptr, considerChildrenAbove);
}

PVirtualNode TBaseVirtualTree::GetNextCutCopy(PVirtualNode node, bool considerChildrenAbove)
{
    if (!(m_states & (tsCutPending | tsCopyPending)))
        return nullptr;
    PVirtualNode run = (!node || node == m_root) ? GetFirstNoInit(considerChildrenAbove)
                                                 : GetNextNoInit(node, considerChildrenAbove);
    while (run && !HasState(run, vsCutOrCopy))
        run = GetNextNoInit(run, considerChildrenAbove);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetPreviousCutCopy(PVirtualNode node, bool considerChildrenAbove)
{
    if (!(m_states & (tsCutPending | tsCopyPending)))
        return nullptr;
    PVirtualNode run = (!node || node == m_root) ? GetLastNoInit(nullptr, considerChildrenAbove)
                                                 : GetPreviousNoInit(node, considerChildrenAbove);
    while (run && !HasState(run, vsCutOrCopy))
        run = GetPreviousNoInit(run, considerChildrenAbove);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetFirstSelected(bool considerChildrenAbove)
{
    return GetNextSelected(nullptr, considerChildrenAbove);
}

PVirtualNode TBaseVirtualTree::GetNextSelected(PVirtualNode node, bool considerChildrenAbove)
{
    if (m_selection_count <= 0)
        return nullptr;
    PVirtualNode run = (!node || node == m_root) ? GetFirstNoInit(considerChildrenAbove)
                                                 : GetNextNoInit(node, considerChildrenAbove);
    while (run && !HasState(run, vsSelected))
        run = GetNextNoInit(run, considerChildrenAbove);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetPreviousSelected(PVirtualNode node, bool considerChildrenAbove)
{
    if (m_selection_count <= 0)
        return nullptr;
    // From the very last node (not only the root's last child), so that no selected descendant of
    // the last top-level node is missed.
    PVirtualNode run = (!node || node == m_root) ? GetLastNoInit(nullptr, considerChildrenAbove)
                                                 : GetPreviousNoInit(node, considerChildrenAbove);
    while (run && !HasState(run, vsSelected))
        run = GetPreviousNoInit(run, considerChildrenAbove);
    TREE_INIT(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetLast(PVirtualNode node, bool considerChildrenAbove)
{
    PVirtualNode result = GetLastChild(node);
    if (!TREE_CHILDREN_ABOVE(considerChildrenAbove))
        while (result) {
            PVirtualNode next = GetLastChild(result);
            if (!next)
                break;
            result = next;
        }
    return result;
}

PVirtualNode TBaseVirtualTree::GetLastNoInit(PVirtualNode node, bool considerChildrenAbove)
{
    PVirtualNode result = GetLastChildNoInit(node);
    if (!TREE_CHILDREN_ABOVE(considerChildrenAbove))
        while (result) {
            PVirtualNode next = GetLastChildNoInit(result);
            if (!next)
                break;
            result = next;
        }
    return result;
}

PVirtualNode TBaseVirtualTree::NextNodeInOrder(PVirtualNode node, bool doInit, bool considerChildrenAbove)
{
    if (!node)
        return nullptr;
    CORE_ASSERT(node != m_root, RootAssertion);
    FetchAhead(node);
    PVirtualNode result = nullptr;
    if (!TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
        if (doInit && HasState(node, vsHasChildren) && node->ChildCount == 0)
            InitializeChildren(node);
        if (node->FirstChild) {
            result = node->FirstChild;
        } else {
            for (PVirtualNode run = node; run != m_root; run = run->Parent)
                if (run->NextSibling) {
                    result = run->NextSibling;
                    break;
                }
        }
    } else if (node->NextSibling) {
        result = node->NextSibling;
        while (true) {
            if (doInit) {
                TREE_INIT(result);
                if (HasState(result, vsHasChildren) && result->ChildCount == 0)
                    InitializeChildren(result);
            }
            if (!result->FirstChild)
                break;
            result = result->FirstChild;
        }
    } else {
        result = node->Parent == m_root ? nullptr : node->Parent;
    }
    if (doInit)
        TREE_INIT(result);
    return result;
}

PVirtualNode TBaseVirtualTree::PreviousNodeInOrder(PVirtualNode node, bool doInit, bool considerChildrenAbove)
{
    if (!node)
        return nullptr;
    CORE_ASSERT(node != m_root, RootAssertion);
    PVirtualNode result = nullptr;
    if (!TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
        if (node->PrevSibling) {
            result = node->PrevSibling;
            PVirtualNode last = doInit ? GetLast(result, false) : GetLastNoInit(result, false);
            if (last)
                result = last;
        } else {
            result = node->Parent == m_root ? nullptr : node->Parent;
        }
    } else {
        if (doInit && HasState(node, vsHasChildren) && node->ChildCount == 0)
            InitializeChildren(node);
        if (node->LastChild) {
            result = node->LastChild;
        } else {
            for (PVirtualNode run = node; run != m_root; run = run->Parent)
                if (run->PrevSibling) {
                    result = run->PrevSibling;
                    break;
                }
        }
    }
    if (doInit)
        TREE_INIT(result);
    return result;
}

PVirtualNode TBaseVirtualTree::GetNext(PVirtualNode node, bool cca) { return NextNodeInOrder(node, true, cca); }
PVirtualNode TBaseVirtualTree::GetNextNoInit(PVirtualNode node, bool cca) { return NextNodeInOrder(node, false, cca); }
PVirtualNode TBaseVirtualTree::GetPrevious(PVirtualNode node, bool cca) { return PreviousNodeInOrder(node, true, cca); }
PVirtualNode TBaseVirtualTree::GetPreviousNoInit(PVirtualNode node, bool cca) { return PreviousNodeInOrder(node, false, cca); }

PVirtualNode TBaseVirtualTree::GetNextSibling(PVirtualNode node)
{
    if (!node)
        return nullptr;
    CORE_ASSERT(node != m_root, RootAssertion);
    PVirtualNode result = node->NextSibling;
    TREE_INIT(result);
    return result;
}

PVirtualNode TBaseVirtualTree::GetPreviousSibling(PVirtualNode node)
{
    if (!node)
        return nullptr;
    CORE_ASSERT(node != m_root, RootAssertion);
    PVirtualNode result = node->PrevSibling;
    TREE_INIT(result);
    return result;
}

// ---- Visible nodes ----

PVirtualNode TBaseVirtualTree::NextVisibleSiblingImpl(PVirtualNode node, bool includeHidden, bool doInit)
{
    CORE_ASSERT(node && node != m_root, u"Invalid parameter.");
    for (PVirtualNode run = node->NextSibling; run; run = run->NextSibling) {
        if (doInit)
            TREE_INIT(run);
        if (HasState(run, vsVisible) && (includeHidden || !IsEffectivelyHidden(run)))
            return run;
    }
    return nullptr;
}

PVirtualNode TBaseVirtualTree::PreviousVisibleSiblingImpl(PVirtualNode node, bool includeHidden, bool doInit)
{
    CORE_ASSERT(node && node != m_root, u"Invalid parameter.");
    for (PVirtualNode run = node->PrevSibling; run; run = run->PrevSibling) {
        if (doInit)
            TREE_INIT(run);
        if (HasState(run, vsVisible) && (includeHidden || !IsEffectivelyHidden(run)))
            return run;
    }
    return nullptr;
}

PVirtualNode TBaseVirtualTree::GetNextVisibleSibling(PVirtualNode node, bool h) { return NextVisibleSiblingImpl(node, h, true); }
PVirtualNode TBaseVirtualTree::GetNextVisibleSiblingNoInit(PVirtualNode node, bool h) { return NextVisibleSiblingImpl(node, h, false); }
PVirtualNode TBaseVirtualTree::GetPreviousVisibleSibling(PVirtualNode node, bool h) { return PreviousVisibleSiblingImpl(node, h, true); }
PVirtualNode TBaseVirtualTree::GetPreviousVisibleSiblingNoInit(PVirtualNode node, bool h) { return PreviousVisibleSiblingImpl(node, h, false); }

PVirtualNode TBaseVirtualTree::GetFirstVisibleChild(PVirtualNode node, bool includeHidden)
{
    PVirtualNode result = GetFirstChild(node);
    if (result && (!HasState(result, vsVisible) || (!includeHidden && IsEffectivelyHidden(result))))
        result = GetNextVisibleSibling(result, includeHidden);
    return result;
}

PVirtualNode TBaseVirtualTree::GetFirstVisibleChildNoInit(PVirtualNode node, bool includeHidden)
{
    PVirtualNode result = GetFirstChildNoInit(node);
    if (result && (!HasState(result, vsVisible) || (!includeHidden && IsEffectivelyHidden(result))))
        result = GetNextVisibleSiblingNoInit(result, includeHidden);
    return result;
}

PVirtualNode TBaseVirtualTree::LastVisibleChildImpl(PVirtualNode node, bool includeHidden, bool doInit)
{
    AfterConstruction();
    PVirtualNode result;
    if (node && node != m_root) {
        if (!FullyVisible(node) || !HasState(node, vsExpanded))
            return nullptr;
        result = doInit ? GetLastChild(node) : GetLastChildNoInit(node);
    } else {
        result = m_root->LastChild;
        if (doInit)
            TREE_INIT(result);
    }
    if (result && (!HasState(result, vsVisible) || (!includeHidden && IsEffectivelyHidden(result))))
        result = PreviousVisibleSiblingImpl(result, includeHidden, doInit);
    return result;
}

PVirtualNode TBaseVirtualTree::GetLastVisibleChild(PVirtualNode node, bool h) { return LastVisibleChildImpl(node, h, true); }
PVirtualNode TBaseVirtualTree::GetLastVisibleChildNoInit(PVirtualNode node, bool h) { return LastVisibleChildImpl(node, h, false); }

PVirtualNode TBaseVirtualTree::LastVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool includeHidden, bool doInit)
{
    PVirtualNode result = LastVisibleChildImpl(node, includeHidden, doInit);
    if (!TREE_CHILDREN_ABOVE(considerChildrenAbove))
        while (result) {
            PVirtualNode next = LastVisibleChildImpl(result, includeHidden, doInit);
            if (!next)
                break;
            result = next;
        }
    return result;
}

PVirtualNode TBaseVirtualTree::GetLastVisible(PVirtualNode node, bool cca, bool h) { return LastVisibleImpl(node, cca, h, true); }
PVirtualNode TBaseVirtualTree::GetLastVisibleNoInit(PVirtualNode node, bool cca, bool h) { return LastVisibleImpl(node, cca, h, false); }

PVirtualNode TBaseVirtualTree::FirstVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool includeHidden, bool doInit)
{
    AfterConstruction();
    if (!node)
        node = m_root;
    if (!HasState(node, vsHasChildren))
        return nullptr;
    PVirtualNode result = doInit ? GetFirstChild(node) : GetFirstChildNoInit(node);
    if (!result)
        return nullptr;
    if (TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
        while (true) {
            while (!HasState(result, vsVisible) && result->NextSibling) {
                result = result->NextSibling;
                if (doInit)
                    TREE_INIT(result);
            }
            if (!HasState(result, vsVisible)) {
                result = result->Parent == m_root ? nullptr : result->Parent;
                break;
            }
            if (!HasState(result, vsExpanded))
                break;
            if (doInit && HasState(result, vsHasChildren) && result->ChildCount == 0)
                InitializeChildren(result);
            if (!result->FirstChild)
                break;
            result = result->FirstChild;
            if (doInit)
                TREE_INIT(result);
        }
    } else {
        while (result && !HasState(result, vsVisible)) {
            if (result->NextSibling) {
                result = result->NextSibling;
            } else {
                PVirtualNode up = result->Parent;
                while (up != m_root && !up->NextSibling)
                    up = up->Parent;
                result = up == m_root ? nullptr : up->NextSibling;
            }
            if (doInit)
                TREE_INIT(result);
        }
    }
    if (result && !includeHidden && IsEffectivelyHidden(result))
        result = NextVisibleImpl(result, true, doInit);
    return result;
}

PVirtualNode TBaseVirtualTree::GetFirstVisible(PVirtualNode node, bool cca, bool h) { return FirstVisibleImpl(node, cca, h, true); }
PVirtualNode TBaseVirtualTree::GetFirstVisibleNoInit(PVirtualNode node, bool cca, bool h) { return FirstVisibleImpl(node, cca, h, false); }

PVirtualNode TBaseVirtualTree::GetVisibleParent(PVirtualNode node, bool includeHidden)
{
    CORE_ASSERT(node, u"Node must not be nil.");
    CORE_ASSERT(node != m_root, RootAssertion);
    PVirtualNode result = node->Parent;
    while (result != m_root && !(FullyVisible(result) && (includeHidden || !IsEffectivelyHidden(result))))
        result = result->Parent;
    return result;
}

PVirtualNode TBaseVirtualTree::NextVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool doInit)
{
    if (!node)
        return nullptr;
    CORE_ASSERT(node != m_root, RootAssertion);
    FetchAhead(node);
    // Following siblings of from, climbing to the parents' siblings; the first with vsVisible.
    auto walkOn = [&](PVirtualNode from) -> PVirtualNode {
        for (PVirtualNode run = from; run && run != m_root; run = run->Parent)
            for (PVirtualNode sibling = run->NextSibling; sibling; sibling = sibling->NextSibling) {
                if (doInit)
                    TREE_INIT(sibling);
                if (HasState(sibling, vsVisible))
                    return sibling;
            }
        return nullptr;
    };
    bool descend = true;
    while (true) {
        PVirtualNode start = node;
        if (!FullyVisible(start)) {
            PVirtualNode parent = GetVisibleParent(start, true);
            if (parent == m_root) {
                // Nothing above is shown: go on after the top-level branch.
                while (start->Parent != m_root)
                    start = start->Parent;
                descend = false;
            } else {
                start = parent;
                descend = false;
                // The visible parent precedes the node; what follows it is after its subtree.
            }
        }
        PVirtualNode candidate = nullptr;
        if (TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
            PVirtualNode sibling = start->NextSibling;
            while (sibling && !HasState(sibling, vsVisible))
                sibling = sibling->NextSibling;
            if (sibling) {
                if (doInit)
                    TREE_INIT(sibling);
                candidate = sibling;
                while (HasState(candidate, vsExpanded)) {
                    if (doInit && HasState(candidate, vsHasChildren) && candidate->ChildCount == 0)
                        InitializeChildren(candidate);
                    PVirtualNode child = candidate->FirstChild;
                    if (!child || !HasState(child, vsVisible))
                        break;
                    if (doInit)
                        TREE_INIT(child);
                    candidate = child;
                }
            } else {
                candidate = start->Parent == m_root ? nullptr : start->Parent;
            }
        } else {
            if (descend && doInit && HasState(start, vsExpanded) && HasState(start, vsHasChildren) && start->ChildCount == 0)
                InitializeChildren(start);
            if (descend && HasState(start, vsExpanded) && start->FirstChild) {
                PVirtualNode child = start->FirstChild;
                if (doInit)
                    TREE_INIT(child);
                candidate = HasState(child, vsVisible) ? child : nullptr;
                if (!candidate) {
                    candidate = nullptr;
                    for (PVirtualNode sibling = child->NextSibling; sibling && !candidate; sibling = sibling->NextSibling) {
                        if (doInit)
                            TREE_INIT(sibling);
                        if (HasState(sibling, vsVisible))
                            candidate = sibling;
                    }
                    if (!candidate)
                        candidate = walkOn(start);
                }
            } else {
                candidate = walkOn(start);
            }
        }
        if (doInit)
            TREE_INIT(candidate);
        if (!candidate || !IsEffectivelyHidden(candidate))
            return candidate;
        // A hidden node hides its subtree as well: go on after it.
        node = candidate;
        descend = TREE_CHILDREN_ABOVE(considerChildrenAbove);
    }
}

PVirtualNode TBaseVirtualTree::GetNextVisible(PVirtualNode node, bool cca) { return NextVisibleImpl(node, cca, true); }
PVirtualNode TBaseVirtualTree::GetNextVisibleNoInit(PVirtualNode node, bool cca) { return NextVisibleImpl(node, cca, false); }

PVirtualNode TBaseVirtualTree::PreviousVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool doInit)
{
    if (!node)
        return nullptr;
    CORE_ASSERT(node != m_root, RootAssertion);
    while (true) {
        PVirtualNode candidate = nullptr;
        if (!FullyVisible(node)) {
            PVirtualNode parent = GetVisibleParent(node, true);
            if (parent != m_root) {
                candidate = parent;
                if (TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
                    PVirtualNode last = LastVisibleImpl(parent, true, false, doInit);
                    if (last)
                        candidate = last;
                }
            }
        } else if (TREE_CHILDREN_ABOVE(considerChildrenAbove)) {
            if (doInit && HasState(node, vsExpanded) && HasState(node, vsHasChildren) && node->ChildCount == 0)
                InitializeChildren(node);
            if (HasState(node, vsExpanded))
                for (PVirtualNode child = node->LastChild; child && !candidate; child = child->PrevSibling)
                    if (HasState(child, vsVisible))
                        candidate = child;
            for (PVirtualNode run = node; !candidate && run != m_root; run = run->Parent)
                for (PVirtualNode sibling = run->PrevSibling; sibling && !candidate; sibling = sibling->PrevSibling) {
                    if (doInit)
                        TREE_INIT(sibling);
                    if (HasState(sibling, vsVisible))
                        candidate = sibling;
                }
        } else {
            PVirtualNode sibling = node->PrevSibling;
            while (sibling) {
                if (doInit)
                    TREE_INIT(sibling);
                if (HasState(sibling, vsVisible))
                    break;
                sibling = sibling->PrevSibling;
            }
            if (sibling) {
                PVirtualNode last = IsEffectivelyHidden(sibling) ? nullptr : LastVisibleImpl(sibling, true, true, doInit);
                candidate = last ? last : sibling;
            } else {
                candidate = node->Parent == m_root ? nullptr : node->Parent;
            }
        }
        if (doInit)
            TREE_INIT(candidate);
        if (!candidate || IsEffectivelyVisible(candidate))
            return candidate;
        node = candidate;
    }
}

PVirtualNode TBaseVirtualTree::GetPreviousVisible(PVirtualNode node, bool cca) { return PreviousVisibleImpl(node, cca, true); }
PVirtualNode TBaseVirtualTree::GetPreviousVisibleNoInit(PVirtualNode node, bool cca) { return PreviousVisibleImpl(node, cca, false); }

// ---- Levels, ancestry and indexes ----

uint32_t TBaseVirtualTree::GetNodeLevel(PVirtualNode node) const
{
    uint32_t level = 0;
    if (!node || node == m_root)
        return 0;
    for (PVirtualNode run = node->Parent; run && run != m_root; run = run->Parent)
        ++level;
    return level;
}

bool TBaseVirtualTree::HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const
{
    if (!node || !potentialParent || node == potentialParent)
        return false;
    if (potentialParent == m_root)
        return true;
    for (PVirtualNode run = node->Parent; run && run != m_root; run = run->Parent)
        if (run == potentialParent)
            return true;
    return false;
}

uint32_t TBaseVirtualTree::AbsoluteIndex(PVirtualNode node)
{
    uint32_t result = 0;
    while (node && node != m_root) {
        TREE_INIT(node);
        if (node->PrevSibling) {
            node = node->PrevSibling;
            result += node->TotalCount;
        } else {
            node = node->Parent;
            if (node != m_root)
                ++result;
        }
    }
    return result;
}

PVirtualNode TBaseVirtualTree::IterateSubtree(PVirtualNode node, const TVTGetNodeProc& callback, void* data,
                                              TVirtualNodeStates filter, bool doInit, bool childNodesOnly)
{
    AfterConstruction();
    CORE_ASSERT(node != m_root, RootAssertion);
    bool wasIterating = (m_states & tsIterating) != 0;
    ChangeStates(tsIterating, 0);
    struct Leave {
        TBaseVirtualTree& tree;
        bool keep;
        ~Leave()
        {
            if (!keep)
                tree.ChangeStates(0, tsIterating);
        }
    } leave{*this, wasIterating};
    PVirtualNode stop = nullptr;
    if (node)
        for (PVirtualNode run = node; run != m_root; run = run->Parent)
            if (run->NextSibling) {
                stop = run->NextSibling;
                break;
            }
    if (!node)
        node = GetFirstNoInit(false);
    if (doInit)
        TREE_INIT(node);
    if (childNodesOnly && node) {
        if (doInit && HasState(node, vsHasChildren) && node->ChildCount == 0)
            InitializeChildren(node);
        node = node->FirstChild ? (doInit ? GetNext(node) : GetNextNoInit(node)) : nullptr;
    }
    while (node && node != stop) {
        if (filter == 0 || (LoadStates(node) & filter) == filter) {
            bool abort = false;
            callback(this, node, data, abort);
            if (abort)
                return node;
        }
        node = doInit ? GetNext(node) : GetNextNoInit(node);
    }
    return nullptr;
}

void TBaseVirtualTree::FullExpand(PVirtualNode node)
{
    AfterConstruction();
    if (m_root->ChildCount == 0)
        return;
    ChangeStates(tsExpanding, 0);
    BeginUpdate();
    try {
        PVirtualNode stop = nullptr;
        if (!node || node == m_root) {
            node = m_root->FirstChild;
        } else {
            for (PVirtualNode run = node; run != m_root; run = run->Parent)
                if (run->NextSibling) {
                    stop = run->NextSibling;
                    break;
                }
        }
        TREE_INIT(node);
        for (PVirtualNode run = node; run && run != stop; run = GetNext(run))
            if (!HasState(run, vsExpanded) && HasState(run, vsHasChildren))
                ToggleNode(run);
    } catch (...) {
        EndUpdate();
        ChangeStates(0, tsExpanding);
        throw;
    }
    EndUpdate();
    ChangeStates(0, tsExpanding);
}

void TBaseVirtualTree::FullCollapse(PVirtualNode node)
{
    AfterConstruction();
    if (m_root->ChildCount == 0)
        return;
    if (node == m_root)
        node = nullptr;
    ChangeStates(tsCollapsing, 0);
    BeginUpdate();
    try {
        PVirtualNode run = GetLastVisibleNoInit(node, true, false);
        while (run && run != node) {
            if (HasState(run, vsExpanded) && HasState(run, vsHasChildren))
                ToggleNode(run);
            run = GetPreviousNoInit(run);
        }
        if (node && HasState(node, vsExpanded) && HasState(node, vsHasChildren))
            ToggleNode(node);
    } catch (...) {
        EndUpdate();
        ChangeStates(0, tsCollapsing);
        throw;
    }
    EndUpdate();
    ChangeStates(0, tsCollapsing);
}

int32_t TBaseVirtualTree::CheckedCount()
{
    int32_t count = 0;
    for (PVirtualNode run = GetFirstChecked(csCheckedNormal); run; run = GetNextChecked(run, csCheckedNormal))
        ++count;
    return count;
}

int32_t TBaseVirtualTree::CutCopyCount()
{
    int32_t count = 0;
    for (PVirtualNode run = GetFirstCutCopy(); run; run = GetNextCutCopy(run))
        ++count;
    return count;
}

} // namespace treeview
