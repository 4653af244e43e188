// Sorting of the virtual tree: a stable, count-driven merge sort of a sibling chain in place (no
// allocation) by the OnCompareNodes result, for one level or the whole tree.
//
// Only NextSibling links change while a chain is sorted; PrevSibling still holds the old order.
// When a compare handler raises, the chain is rebuilt from PrevSibling, so every node stays in the
// tree in its former order.
#include "treeview/virtual_tree.h"
#include <algorithm>

namespace treeview {

namespace {
struct SortContext {
    TBaseVirtualTree* tree;
    TColumnIndex column;
    bool descending;
    int (*compare)(TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex);
};

PVirtualNode Merge(const SortContext& context, PVirtualNode a, PVirtualNode b)
{
    PVirtualNode head = nullptr;
    PVirtualNode* tail = &head;
    while (a && b) {
        int result = context.compare(context.tree, a, b, context.column);
        bool takeB = context.descending ? result < 0 : result > 0;
        if (takeB) {
            *tail = b;
            b = b->NextSibling;
        } else {
            *tail = a;
            a = a->NextSibling;
        }
        tail = &(*tail)->NextSibling;
    }
    *tail = a ? a : b;
    return head;
}

PVirtualNode Split(const SortContext& context, PVirtualNode& chain, uint32_t count)
{
    if (count > 1) {
        PVirtualNode left = Split(context, chain, count / 2);
        PVirtualNode right = Split(context, chain, (count + 1) / 2);
        return Merge(context, left, right);
    }
    PVirtualNode head = chain;
    chain = head->NextSibling;
    head->NextSibling = nullptr;
    return head;
}
} // namespace

PVirtualNode TBaseVirtualTree::SortChain(PVirtualNode& chain, uint32_t count, TColumnIndex column, TSortDirection direction)
{
    // A lambda of a member function shares its access to the protected compare step.
    auto compare = +[](TBaseVirtualTree* tree, PVirtualNode a, PVirtualNode b, TColumnIndex c) {
        return tree->DoCompare(a, b, c);
    };
    SortContext context{this, column, direction == sdDescending, compare};
    return Split(context, chain, count);
}

void TBaseVirtualTree::RelinkAfterSort(PVirtualNode parent)
{
    PVirtualNode previous = nullptr;
    uint32_t index = 0;
    for (PVirtualNode run = parent->FirstChild; run; run = run->NextSibling) {
        run->PrevSibling = previous;
        run->Index = index++;
        previous = run;
    }
    parent->LastChild = previous;
}

void TBaseVirtualTree::Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction, bool doInit)
{
    AfterConstruction();
    InterruptValidation();
    if (m_states & tsEditPending) {
        m_port->KillTimer(EditTimer);
        ChangeStates(0, tsEditPending);
    }
    if (!node)
        node = m_root;
    if (!HasState(node, vsHasChildren))
        return;
    if (doInit && node->ChildCount == 0)
        InitializeChildren(node);
    if (doInit && node->ChildCount > 0)
        ValidateChildren(node, false);
    if (node->ChildCount > 1) {
        PVirtualNode chain = node->FirstChild;
        try {
            node->FirstChild = SortChain(chain, node->ChildCount, column, direction);
        } catch (...) {
            // Back to the former order from the untouched PrevSibling links.
            PVirtualNode next = nullptr;
            for (PVirtualNode run = node->LastChild; run; run = run->PrevSibling) {
                run->NextSibling = next;
                next = run;
            }
            node->FirstChild = next;
            InvalidateCache();
            throw;
        }
        RelinkAfterSort(node);
        InvalidateCache();
    }
    if (m_update_count == 0) {
        RequestValidation();
        Invalidate();
    }
}

void TBaseVirtualTree::SortTree(TColumnIndex column, TSortDirection direction, bool doInit)
{
    AfterConstruction();
    struct Scope {
        TBaseVirtualTree& tree;
        explicit Scope(TBaseVirtualTree& t) : tree(t) { ++tree.m_update_count; }
        ~Scope()
        {
            if (tree.m_update_count > 0 && --tree.m_update_count == 0) {
                tree.RequestValidation();
                tree.Invalidate();
            }
        }
    } scope(*this);
    if (column >= NoColumn) {
        // Top-down: a level is sorted before its children are visited in their new order.
        std::vector<PVirtualNode> pending{m_root};
        while (!pending.empty()) {
            PVirtualNode node = pending.back();
            pending.pop_back();
            Sort(node, column, direction, doInit);
            size_t mark = pending.size();
            for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
                if (doInit && !HasState(child, vsInitialized))
                    InitializeNode(child);
                if (HasState(child, vsInitialized) && HasState(child, vsHasChildren))
                    pending.push_back(child);
            }
            std::reverse(pending.begin() + ptrdiff_t(mark), pending.end());
        }
    }
    InvalidateCache();
}

} // namespace treeview
