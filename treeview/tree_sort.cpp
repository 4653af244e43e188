// Sorting of the virtual tree: a stable sort of a sibling chain by the OnCompareNodes result, for
// one level or the whole tree.
//
// The chain is copied into an array of node addresses, the array is sorted, and the links are
// rewritten once from the sorted array. The sort is a merge sort that sorts each half whole before
// the other, so that small parts are sorted in the nearest cache; its merges work from both ends
// at once without guessing comparisons, and in parts too big for the cache they fetch the nodes
// they are about to compare ahead of time (a long chain lies scattered in memory once sorted, and
// waiting for each node in turn is what would cost the time). The links are not touched before
// the sort has finished, so a compare handler that raises leaves every node in the tree in its
// former order. The array is kept until the structure changes: SortTree visits the level through
// it, and walks along the level fetch nodes ahead by it.
#include "treeview/virtual_tree.h"
#include <algorithm>
#include <memory>

namespace treeview {

namespace {
// How many places ahead the merge asks for nodes; enough to keep several memory reads in flight.
constexpr size_t PrefetchDistance = 16;
// Runs of this length are sorted by binary insertion before the merging starts.
constexpr size_t InsertionRun = 32;

inline void Prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// Up to this many nodes a part is at hand in the cache while it is merged; beyond, the merge asks for
// the nodes ahead of their use.
constexpr size_t CacheBlock = 4096;
constexpr uintptr_t CacheLine = 64;

// What the last sort of a level on this thread saw of the children while it relinked them: whether
// any is uninitialised or has children, that is, whether SortTree has anything to do with them.
struct LevelSeen {
    const TBaseVirtualTree* tree = nullptr;
    PVirtualNode parent = nullptr;
    bool anyToVisit = true;
};
thread_local LevelSeen t_level_seen;

// after(earlier, later) tells whether a node must go behind one that now lies after it. The compare
// handler is always asked with the earlier node first and moves it behind only on a strict answer,
// so that nodes it calls equal keep their order even when it never answers 0 (ascending, -1 for
// equal keys).
template <class After>
class PointerSort {
public:
    PointerSort(After after, size_t dataOffset, size_t markOffset)
        : m_after(after), m_data_offset(dataOffset), m_mark_offset(markOffset)
    {
    }

    // Stable: of two nodes that compare equal, the one earlier in items stays earlier.
    void Run(PVirtualNode* items, size_t count)
    {
        if (count <= InsertionRun) {
            Insertion(items, count);
            return;
        }
        auto buffer = std::make_unique_for_overwrite<PVirtualNode[]>(count);   // every cell is written before it is read
        SortInto(items, buffer.get(), count, false);
    }

private:
    // Sorts the count nodes at items, with scratch (as long) for the merging; the result goes to
    // scratch when toScratch is set, otherwise back to items. Each half is sorted whole before the
    // other is begun, so the nodes of a part stay in the nearest cache that holds them all while
    // the part is sorted (nodes made together lie together in the pool).
    void SortInto(PVirtualNode* items, PVirtualNode* scratch, size_t count, bool toScratch)
    {
        if (count <= InsertionRun) {
            Insertion(items, count);
            if (toScratch)
                std::copy(items, items + count, scratch);
            return;
        }
        PVirtualNode* from = toScratch ? items : scratch;   // where the halves are sorted to
        PVirtualNode* to = toScratch ? scratch : items;
        size_t half = count / 2;
        SortInto(items, scratch, half, !toScratch);
        SortInto(items + half, scratch + half, count - half, !toScratch);
        if (count <= CacheBlock)
            MergeTwo<false>(from, from + half, from + count, to);
        else
            MergeTwo<true>(from, from + half, from + count, to);
    }

    // Stable: of equal heads, the one of the first run goes first. The first run holds half the
    // nodes (rounded down). The merge works from both ends at once, the front taking the smaller
    // head and the back the greater, each step chosen without a branch: the two chains of
    // comparisons do not wait for each other, and a comparison's outcome is never guessed (and
    // so never guessed wrong). Each end takes half the nodes, so neither reads past its runs
    // whatever the handler answers; a handler that contradicts itself makes the two ends disagree
    // where they meet, and then the plain merge is made instead. With fetchAhead (parts beyond
    // the cache), each end asks for the nodes it will reach some places on.
    template <bool fetchAhead>
    void MergeTwo(PVirtualNode* first, PVirtualNode* middle, PVirtualNode* last, PVirtualNode* out)
    {
        if (!m_after(middle[-1], *middle)) {   // already in order
            std::copy(first, last, out);
            return;
        }
        size_t count = size_t(last - first), steps = count / 2;
        PVirtualNode* left = first;
        PVirtualNode* right = middle;
        PVirtualNode* leftEnd = middle - 1;
        PVirtualNode* rightEnd = last - 1;
        PVirtualNode* front = out;
        PVirtualNode* back = out + count - 1;
        for (size_t i = 0; i < steps; ++i) {
            if constexpr (fetchAhead) {   // never beyond the other end's node
                const auto ahead = ptrdiff_t(PrefetchDistance);
                Fetch(left[std::min(ahead, leftEnd - left)]);
                Fetch(right[std::min(ahead, rightEnd - right)]);
                Fetch(leftEnd[std::max(-ahead, left - leftEnd)]);
                Fetch(rightEnd[std::max(-ahead, right - rightEnd)]);
            }
            size_t takeRight = m_after(*left, *right);
            *front++ = Choose(takeRight, *left, *right);
            right += takeRight;
            left += 1 - takeRight;
            size_t takeLeft = m_after(*leftEnd, *rightEnd);
            *back-- = Choose(takeLeft, *rightEnd, *leftEnd);
            leftEnd -= takeLeft;
            rightEnd -= 1 - takeLeft;
        }
        ptrdiff_t leftRest = leftEnd + 1 - left, rightRest = rightEnd + 1 - right;
        if (leftRest >= 0 && rightRest >= 0 && size_t(leftRest + rightRest) == count % 2) {
            if (count % 2)
                *front = leftRest ? *left : *right;
            return;
        }
        MergeInOrder(first, middle, last, out);
    }

    // second when which is 1, first when 0, by arithmetic: a branch on a comparison is guessed wrong
    // half the time.
    static PVirtualNode Choose(size_t which, PVirtualNode first, PVirtualNode second)
    {
        uintptr_t mask = uintptr_t(0) - which;
        return reinterpret_cast<PVirtualNode>((reinterpret_cast<uintptr_t>(first) & ~mask) | (reinterpret_cast<uintptr_t>(second) & mask));
    }

    // The plain stable merge, one comparison per node taken.
    void MergeInOrder(PVirtualNode* first, PVirtualNode* middle, PVirtualNode* last, PVirtualNode* out)
    {
        PVirtualNode* second = middle;
        while (true) {
            if (m_after(*first, *second)) {
                *out++ = *second++;
                if (second == last)
                    break;
            } else {
                *out++ = *first++;
                if (first == middle)
                    break;
            }
        }
        out = std::copy(first, middle, out);
        std::copy(second, last, out);
    }

    // A compare handler reads the node's data (and GetNodeData the mark beside it), not the record.
    void Fetch(PVirtualNode node) const
    {
        uintptr_t data = reinterpret_cast<uintptr_t>(node) + m_data_offset;
        uintptr_t mark = reinterpret_cast<uintptr_t>(node) + m_mark_offset;
        Prefetch(reinterpret_cast<const void*>(data));
        if ((data ^ mark) >= CacheLine)
            Prefetch(reinterpret_cast<const void*>(mark));
    }

    // Binary insertion: the compare handler is the expensive part, so few comparisons count more
    // than few moves. Each node goes after every earlier node that need not go behind it (stable).
    // While the run is in order so far (sorting again), a node is first compared with the last
    // one only, which costs one comparison per node in order; from the first node out of order
    // on, the search is balanced, which costs fewer comparisons than that extra first one.
    void Insertion(PVirtualNode* items, size_t count)
    {
        bool inOrder = true;
        for (size_t i = 1; i < count; ++i) {
            PVirtualNode item = items[i];
            size_t low = 0, high = i;
            if (inOrder) {
                if (!m_after(items[i - 1], item))
                    continue;
                inOrder = false;
                high = i - 1;
            }
            while (low < high) {
                size_t middle = (low + high) / 2;
                if (m_after(items[middle], item))
                    high = middle;
                else
                    low = middle + 1;
            }
            if (low == i)
                continue;
            std::move_backward(items + low, items + i, items + i + 1);
            items[low] = item;
        }
    }

    After m_after;
    size_t m_data_offset;
    size_t m_mark_offset;
};
} // namespace

void TBaseVirtualTree::SortChildren(PVirtualNode parent, TColumnIndex column, TSortDirection direction)
{
    const uint32_t count = parent->ChildCount;
    // The array is the only thing changed until the end: the links still hold the former order
    // when the allocation or a compare handler raises. When it already holds this level's order
    // (sorted before, or collected while the level was initialised), the chain is not walked again:
    // following a long chain is one memory read after another.
    std::vector<PVirtualNode>& items = m_sorted_children;
    bool kept = m_sorted_parent.load(std::memory_order_relaxed) == parent && items.size() == count;
    m_sorted_parent.store(nullptr, std::memory_order_relaxed);
    if (!kept) {
        items.clear();
        items.reserve(count);
        for (PVirtualNode run = parent->FirstChild; run; run = run->NextSibling)
            items.push_back(run);
    }
    CORE_ASSERT(items.size() == count, u"Child count and sibling chain disagree.");
    size_t dataOffset = sizeof(TVirtualNode) + m_total_internal_data_size;
    bool descending = direction == sdDescending;
    bool baseStep = false;
#if defined(__GNUC__) && !defined(__clang__)
    // Whether the compare step is the base one (the compiler's own way to find which function a
    // virtual call would reach; elsewhere the virtual step is always called).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
    using Step = int (*)(TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex);
    baseStep = reinterpret_cast<Step>(this->*(&TBaseVirtualTree::DoCompare)) == reinterpret_cast<Step>(&TBaseVirtualTree::DoCompare);
#pragma GCC diagnostic pop
#endif
    if (baseStep) {
        // The compare step is the base one: the handler is called here without the virtual step
        // between, and the direction is chosen once instead of at every comparison. As in that
        // step, the handler is looked up at every call (a handler may replace it).
        const auto& handler = OnCompareNodes;
        auto sortBy = [&](auto after) { PointerSort<decltype(after)>(after, dataOffset, m_data_mark_offset).Run(items.data(), items.size()); };
        if (descending)
            sortBy([this, column, &handler](PVirtualNode earlier, PVirtualNode later) {
                int result = 0;
                if (handler)
                    handler(this, earlier, later, column, result);
                return result < 0;
            });
        else
            sortBy([this, column, &handler](PVirtualNode earlier, PVirtualNode later) {
                int result = 0;
                if (handler)
                    handler(this, earlier, later, column, result);
                return result > 0;
            });
    } else {
        auto after = [this, column, descending](PVirtualNode earlier, PVirtualNode later) {
            int result = DoCompare(earlier, later, column);
            return descending ? result < 0 : result > 0;
        };
        PointerSort<decltype(after)>(after, dataOffset, m_data_mark_offset).Run(items.data(), items.size());
    }

    // One pass writes the new order; nodes are fetched ahead as the merge did (both lines a record
    // may span). It notes on the way whether SortTree will have anything to do with the children.
    PVirtualNode previous = nullptr;
    bool anyToVisit = false;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i + PrefetchDistance < items.size()) {
            Prefetch(items[i + PrefetchDistance]);
            Prefetch(&items[i + PrefetchDistance]->PrevSibling);
        }
        PVirtualNode node = items[i];
        TVirtualNodeStates states = LoadStates(node);
        anyToVisit |= !(states & vsInitialized) || (states & vsHasChildren);
        node->PrevSibling = previous;
        node->Index = uint32_t(i);
        if (previous)
            previous->NextSibling = node;
        previous = node;
    }
    items.back()->NextSibling = nullptr;
    parent->FirstChild = items.front();
    parent->LastChild = items.back();
    // SortTree goes on through the children in this array rather than along the scattered chain,
    // and so can later walks of this level.
    m_sorted_parent.store(parent, std::memory_order_relaxed);
    t_level_seen = LevelSeen{this, parent, anyToVisit};
}

void TBaseVirtualTree::ReleaseSortedChildren() noexcept
{
    m_sorted_parent.store(nullptr, std::memory_order_relaxed);
    m_sorted_children.clear();
    m_sorted_children.shrink_to_fit();
}

void TBaseVirtualTree::Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction, bool doInit)
{
    AfterConstruction();
    t_level_seen = LevelSeen{};
    // Interrupting for the sort changes no structure: the kept order of a level stays good, unless
    // the tree has to be taken back from the worker, which lets messages (and so changes) through.
    PVirtualNode kept = m_handed_to_worker ? nullptr : m_sorted_parent.load(std::memory_order_relaxed);
    InterruptValidation();
    if (kept)
        m_sorted_parent.store(kept, std::memory_order_relaxed);
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
    if (doInit && node->ChildCount > 0) {
        // ValidateChildren(node, false), collecting the order for the sort on the way. Any structure
        // change made by an initialisation forgets the collected order, and the sort walks the chain.
        // Meanwhile the kept parent is a mark that is no node's parent, so that nothing (a walk made
        // by an event, or the worker) reads the array while it grows; a change replaces the mark.
        std::vector<PVirtualNode>& items = m_sorted_children;
        const auto collecting = reinterpret_cast<PVirtualNode>(&m_sorted_children);
        bool collect = node->ChildCount > 1 && m_sorted_parent.load(std::memory_order_relaxed) != node;
        if (collect) {
            m_sorted_parent.store(nullptr, std::memory_order_relaxed);
            items.clear();
            items.reserve(node->ChildCount);
            m_sorted_parent.store(collecting, std::memory_order_relaxed);
        }
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
            if (collect)
                items.push_back(child);
            if (!HasState(child, vsInitialized))
                InitializeNode(child);
        }
        if (collect) {
            bool unchanged = m_sorted_parent.load(std::memory_order_relaxed) == collecting && items.size() == node->ChildCount;
            m_sorted_parent.store(unchanged ? node : nullptr, std::memory_order_relaxed);
        }
    }
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
        // With the base Sort nothing happens between the relinking and the visit, so what the
        // relinking saw of the children still holds (elsewhere the visit is always made).
        bool baseSort = false;
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
        using SortStep = void (*)(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TSortDirection, bool);
        baseSort = reinterpret_cast<SortStep>(this->*(&TBaseVirtualTree::Sort)) == reinterpret_cast<SortStep>(&TBaseVirtualTree::Sort);
#pragma GCC diagnostic pop
#endif
        // Top-down: a level is sorted before its children are visited in their new order.
        std::vector<PVirtualNode> pending{m_root};
        while (!pending.empty()) {
            PVirtualNode node = pending.back();
            pending.pop_back();
            m_sorted_parent.store(nullptr, std::memory_order_relaxed);
            Sort(node, column, direction, doInit);
            size_t mark = pending.size();
            auto visit = [&](PVirtualNode child) {
                if (doInit && !HasState(child, vsInitialized))
                    InitializeNode(child);
                if (HasState(child, vsInitialized) && HasState(child, vsHasChildren))
                    pending.push_back(child);
            };
            // The array of the sort holds the new order while nothing has changed the structure
            // since (every change interrupts the validation, which forgets the array); walking it
            // lets the nodes be fetched ahead. Otherwise, or from the first change on, the chain.
            PVirtualNode child = node->FirstChild;
            auto sortedHere = [&] { return m_sorted_parent.load(std::memory_order_relaxed) == node; };
            if (baseSort && sortedHere() && t_level_seen.tree == this && t_level_seen.parent == node && !t_level_seen.anyToVisit) {
                child = nullptr;   // every child initialised and without children: none to visit
            } else if (sortedHere() && m_sorted_children.size() == node->ChildCount) {
                child = nullptr;
                for (size_t i = 0, count = m_sorted_children.size(); i < count; ++i) {
                    if (i + PrefetchDistance < count)
                        Prefetch(m_sorted_children[i + PrefetchDistance]);
                    PVirtualNode current = m_sorted_children[i];
                    visit(current);
                    if (!sortedHere()) {
                        child = current->NextSibling;
                        break;
                    }
                }
            }
            for (; child; child = child->NextSibling)
                visit(child);
            std::reverse(pending.begin() + ptrdiff_t(mark), pending.end());
        }
    }
    InvalidateCache();
}

} // namespace treeview
