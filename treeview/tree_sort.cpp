// Sorting of the virtual tree: a stable sort of a sibling chain by the OnCompareNodes result, for
// one level or the whole tree.
//
// The chain is copied into an array of node addresses, the array is sorted (a bottom-up merge sort
// that fetches the nodes it is about to compare ahead of time: a long chain lies scattered in
// memory once sorted, and waiting for each node in turn is what would cost the time), and the links
// are rewritten once from the sorted array. The links are not touched before the sort has finished,
// so a compare handler that raises leaves every node in the tree in its former order.
#include "treeview/virtual_tree.h"
#include <algorithm>
#include <memory>

namespace treeview {

namespace {
// How many places ahead the merge asks for nodes; enough to keep several memory reads in flight.
constexpr size_t PrefetchDistance = 8;
// Runs of this length are sorted by insertion before the merging starts.
constexpr size_t InsertionRun = 24;

inline void Prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

template <class Before>
class PointerSort {
public:
    PointerSort(Before before, size_t dataOffset) : m_before(before), m_data_offset(dataOffset) {}

    // Stable: of two nodes that compare equal, the one earlier in items stays earlier.
    void Run(PVirtualNode* items, size_t count)
    {
        for (size_t start = 0; start < count; start += InsertionRun)
            Insertion(items + start, std::min(InsertionRun, count - start));
        if (count <= InsertionRun)
            return;
        auto buffer = std::make_unique<PVirtualNode[]>(count);
        PVirtualNode* from = items;
        PVirtualNode* to = buffer.get();
        for (size_t width = InsertionRun; width < count; width *= 2) {
            for (size_t left = 0; left < count; left += 2 * width) {
                size_t middle = std::min(left + width, count), right = std::min(left + 2 * width, count);
                Merge(from + left, from + middle, from + middle, from + right, to + left);
            }
            std::swap(from, to);
        }
        if (from != items)
            std::copy(from, from + count, items);
    }

private:
    void Fetch(PVirtualNode node) const
    {
        Prefetch(node);
        Prefetch(reinterpret_cast<const char*>(node) + m_data_offset);
    }

    void Insertion(PVirtualNode* items, size_t count)
    {
        for (size_t i = 1; i < count; ++i) {
            PVirtualNode item = items[i];
            size_t j = i;
            for (; j > 0 && m_before(item, items[j - 1]); --j)
                items[j] = items[j - 1];
            items[j] = item;
        }
    }

    void Merge(PVirtualNode* a, PVirtualNode* aEnd, PVirtualNode* b, PVirtualNode* bEnd, PVirtualNode* out)
    {
        while (a != aEnd && b != bEnd) {
            if (aEnd - a > ptrdiff_t(PrefetchDistance))
                Fetch(a[PrefetchDistance]);
            if (bEnd - b > ptrdiff_t(PrefetchDistance))
                Fetch(b[PrefetchDistance]);
            if (m_before(*b, *a))
                *out++ = *b++;
            else
                *out++ = *a++;
        }
        out = std::copy(a, aEnd, out);
        std::copy(b, bEnd, out);
    }

    Before m_before;
    size_t m_data_offset;
};
} // namespace

void TBaseVirtualTree::SortChildren(PVirtualNode parent, TColumnIndex column, TSortDirection direction)
{
    const uint32_t count = parent->ChildCount;
    // The array is the only thing changed until the end: the links still hold the former order
    // when the allocation or a compare handler raises.
    std::vector<PVirtualNode> items;
    items.reserve(count);
    for (PVirtualNode run = parent->FirstChild; run; run = run->NextSibling)
        items.push_back(run);
    CORE_ASSERT(items.size() == count, u"Child count and sibling chain disagree.");
    size_t dataOffset = sizeof(TVirtualNode) + m_total_internal_data_size;
    bool descending = direction == sdDescending;
    auto before = [this, column, descending](PVirtualNode x, PVirtualNode y) {
        int result = DoCompare(x, y, column);
        return descending ? result > 0 : result < 0;
    };
    PointerSort<decltype(before)>(before, dataOffset).Run(items.data(), items.size());

    // One pass writes the new order; nodes are fetched ahead as the merge did.
    PVirtualNode previous = nullptr;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i + PrefetchDistance < items.size())
            Prefetch(items[i + PrefetchDistance]);
        PVirtualNode node = items[i];
        node->PrevSibling = previous;
        node->Index = uint32_t(i);
        if (previous)
            previous->NextSibling = node;
        previous = node;
    }
    items.back()->NextSibling = nullptr;
    parent->FirstChild = items.front();
    parent->LastChild = items.back();
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
        SortChildren(node, column, direction);
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
