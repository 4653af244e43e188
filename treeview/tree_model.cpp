// Node model of the virtual tree: the root, node blocks and their data areas, lazy initialisation,
// counts and heights, and the structure operations (add, insert, delete, clear, move, copy).
#include "treeview/virtual_tree.h"
#include "treeview/worker.h"
#include <cstring>

namespace treeview {

namespace {
bool IsRootNode(PVirtualNode node) { return node && node->NextSibling == node; }

// How many places ahead deleting a sorted level asks for its nodes.
constexpr size_t DeleteAhead = 16;

// Raises the update counter for a scope without OnUpdating (and lowers it also on an exception).
struct UpdateCounterScope {
    uint32_t& count;
    explicit UpdateCounterScope(uint32_t& c) : count(c) { ++count; }
    ~UpdateCounterScope() { if (count > 0) --count; }
};
} // namespace

// ---- Life cycle ----

TBaseVirtualTree::TBaseVirtualTree(TreeWindowPort* port)
    : m_port(port ? port : &m_null_port), m_options(std::make_unique<TStringTreeOptions>(this))
{
    worker::AddThreadReference();
    m_thread_reference = true;
}

TBaseVirtualTree::~TBaseVirtualTree()
{
    BeginDestruction();
    if (m_thread_reference)
        worker::ReleaseThreadReference(this);
    try {
        m_options->SetMiscOptions(m_options->MiscOptions() & ~toReadOnly);
        if (m_root)
            Clear();
    } catch (...) {
        // A destructor must not throw; an OnFreeNode handler that raises loses only its own node.
        core::HandleException();
    }
    // Whatever an interrupted clear left behind goes with the pool.
    ::operator delete(m_root_block);
}

void TBaseVirtualTree::operator delete(TBaseVirtualTree* tree, std::destroying_delete_t)
{
    DeleteTree(tree);
}

void TBaseVirtualTree::DeleteTree(TBaseVirtualTree* tree)
{
    if (!tree)
        return;
    tree->BeginDestruction();
    void* block = dynamic_cast<void*>(tree);
    tree->~TBaseVirtualTree();
    ::operator delete(block);
}

void* TBaseVirtualTree::operator new(std::size_t size) { return ::operator new(size); }

void TBaseVirtualTree::operator delete(void* block) { ::operator delete(block); }

void TBaseVirtualTree::SetWindowPort(TreeWindowPort* port)
{
    // The worker reads the port of the tree it validates: it must be out of this tree before the
    // port changes, and comes back for it afterwards.
    bool requested = (m_states & tsValidationNeeded) && !(m_states & tsStopValidation);
    if (requested || (m_states & tsValidating))
        InterruptValidation();
    m_port = port ? port : &m_null_port;
    if (requested && m_root && m_update_count == 0 && !m_destroying)
        RequestValidation();
}

void TBaseVirtualTree::AfterConstruction()
{
    if (!m_root)
        CreateRoot();
}

namespace {
// The root's block starts with the back pointer to its tree, kept apart from the record so that the
// record and the data areas behind it have the same layout as in every other node.
constexpr size_t RootPrefix = 16;
static_assert(RootPrefix >= sizeof(TBaseVirtualTree*) && RootPrefix % alignof(TVirtualNode) == 0);
} // namespace

void TBaseVirtualTree::CreateRoot()
{
    size_t size = RootPrefix + sizeof(TVirtualNode) + m_total_internal_data_size;
    void* block = ::operator new(size);
    std::memset(block, 0, size);
    ::operator delete(m_root_block);
    m_root_block = block;
    TBaseVirtualTree* self = this;
    std::memcpy(block, &self, sizeof(self));
    m_root = reinterpret_cast<PVirtualNode>(static_cast<char*>(block) + RootPrefix);
    InitRootFields();
}

void TBaseVirtualTree::InitRootFields()
{
    m_root->TotalCount = 1;
    m_root->TotalHeight = m_default_node_height;
    m_root->NodeHeight = uint16_t(m_default_node_height);
    m_root->Align = 50;
    m_root->States = vsInitialized | vsExpanded | vsHasChildren | vsVisible;
    m_root->PrevSibling = m_root;
    m_root->NextSibling = m_root;
    m_root->Parent = nullptr;
}

uint32_t TBaseVirtualTree::ReserveInternalData(uint32_t size)
{
    CORE_ASSERT(m_pool.LiveCount() == 0 && (!m_root || m_root->ChildCount == 0),
                u"Internal data allocation must be done before any node is created.");
    uint32_t offset = sizeof(TVirtualNode) + m_total_internal_data_size;
    // Multiples of 8 keep every data area pointer-aligned on x64.
    m_total_internal_data_size += (size + 7) / 8 * 8;
    CreateRoot();
    return offset;
}

TBaseVirtualTree* TBaseVirtualTree::TreeFromNode(PVirtualNode node)
{
    CORE_ASSERT(node, u"Node must not be nil.");
    while (!IsRootNode(node)) {
        node = node->Parent;
        if (!node)
            return nullptr;   // a detached subtree belongs to no tree yet
    }
    TBaseVirtualTree* tree;
    std::memcpy(&tree, reinterpret_cast<char*>(node) - RootPrefix, sizeof(tree));
    return tree;
}

// ---- Properties ----

void TBaseVirtualTree::SetNodeDataSize(int32_t value)
{
    if (value < -1)
        value = -1;
    if (value == m_node_data_size)
        return;
    m_node_data_size = value;
    if (!m_loading && m_root) {
        uint32_t count = m_root->ChildCount;
        Clear();
        SetRootNodeCount(count);
    }
}

void TBaseVirtualTree::SetRootNodeCount(uint32_t value)
{
    AfterConstruction();
    if (m_loading) {
        m_root->ChildCount = value;
        ChangeStates(tsNeedRootCountUpdate, 0);
        return;
    }
    if (m_root->ChildCount == value)
        return;
    BeginUpdate();
    try {
        InterruptValidation();
        SetChildCountInternal(m_root, value);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::SetDefaultNodeHeight(uint32_t value)
{
    AfterConstruction();
    if (value == 0)
        value = 18;
    if (value == m_default_node_height)
        return;
    InterruptValidation();
    ChangeStates(tsNeedScale, 0);
    int64_t diff = int64_t(value) - int64_t(m_default_node_height);
    m_root->TotalHeight = uint32_t(int64_t(m_root->TotalHeight) + diff);
    m_root->NodeHeight = uint16_t(int64_t(m_root->NodeHeight) + diff);
    m_default_node_height = value;
    InvalidateCache();
    if (m_update_count == 0 && m_port->HandleAllocated() && !m_loading) {
        RequestValidation();
        UpdateScrollBars(true);
        Invalidate();
    }
}

uint32_t TBaseVirtualTree::TotalCount()
{
    AfterConstruction();
    {
        UpdateCounterScope scope(m_update_count);
        ValidateNode(m_root, true);
    }
    return m_root->TotalCount - 1;
}

bool TBaseVirtualTree::IsEffectivelyHidden(PVirtualNode node) const
{
    return node && (LoadStates(node) & vsHidden) && !(m_options->PaintOptions() & toShowHiddenNodes);
}

bool TBaseVirtualTree::IsEffectivelyVisible(PVirtualNode node) const
{
    return node && (LoadStates(node) & vsVisible) && !IsEffectivelyHidden(node);
}

bool TBaseVirtualTree::VisiblePath(PVirtualNode node) const
{
    CORE_ASSERT(node && node != m_root, u"Invalid parameters.");
    // An effectively hidden ancestor hides its subtree as well, so it breaks the path too.
    for (PVirtualNode run = node->Parent; run != m_root; run = run->Parent) {
        if (!run)
            return false;
        TVirtualNodeStates states = LoadStates(run);
        if (!(states & vsExpanded) || !(states & vsVisible) || IsEffectivelyHidden(run))
            return false;
    }
    return true;
}

bool TBaseVirtualTree::FullyVisible(PVirtualNode node) const
{
    CORE_ASSERT(node, u"Invalid parameter.");
    return HasState(node, vsVisible) && (node == m_root || VisiblePath(node));
}

// ---- Making, linking and freeing nodes ----

PVirtualNode TBaseVirtualTree::MakeNewNode()
{
    AfterConstruction();
    if (m_node_data_size == -1) {
        int32_t size = 0;
        QueryNodeDataSize(size);
        m_node_data_size = size < -1 ? -1 : size;
    }
    size_t size = sizeof(TVirtualNode) + m_total_internal_data_size + size_t(m_node_data_size > 0 ? m_node_data_size : 0);
    if (m_pool.LiveCount() == 0) {
        m_pool.SetBlockSize(size);
        m_data_mark_offset = m_pool.BlockSize() > size ? size : offsetof(TVirtualNode, Dummy);
    }
    CORE_ASSERT(size <= m_pool.BlockSize(), u"NodeDataSize not initialized.");
    auto node = static_cast<PVirtualNode>(m_pool.Allocate());
    node->TotalCount = 1;
    node->TotalHeight = m_default_node_height;
    node->NodeHeight = uint16_t(m_default_node_height);
    node->States = vsVisible;
    node->Align = 50;
    return node;
}

void TBaseVirtualTree::AdjustTotalCount(PVirtualNode node, int64_t value, bool relative)
{
    int64_t diff = relative ? value : value - int64_t(node->TotalCount);
    if (diff == 0)
        return;
    for (PVirtualNode run = node; run; run = IsRootNode(run) ? nullptr : run->Parent)
        run->TotalCount = uint32_t(int64_t(run->TotalCount) + diff);
}

void TBaseVirtualTree::AdjustTotalHeight(PVirtualNode node, int64_t value, bool relative)
{
    int64_t diff = relative ? value : value - int64_t(node->TotalHeight);
    if (diff == 0)
        return;
    // The node itself always follows; an ancestor only while the subtree contributes to it.
    PVirtualNode run = node;
    while (true) {
        run->TotalHeight = uint32_t(int64_t(run->TotalHeight) + diff);
        if (IsRootNode(run) || !IsEffectivelyVisible(run))
            break;
        PVirtualNode parent = run->Parent;
        if (!parent || !HasState(parent, vsExpanded))
            break;
        run = parent;
    }
}

uint32_t TBaseVirtualTree::CountVisibleChildren(PVirtualNode node) const
{
    if (!HasState(node, vsExpanded))
        return 0;
    uint32_t count = 0;
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        if (IsEffectivelyVisible(child))
            count += CountVisibleChildren(child) + 1;
    return count;
}

namespace {
void ComputeHiddenChildrenFlag(const TBaseVirtualTree& tree, PVirtualNode node)
{
    if (node->ChildCount > 0) {
        bool allHidden = true;
        for (PVirtualNode child = node->FirstChild; child && allHidden; child = child->NextSibling)
            allHidden = !tree.IsEffectivelyVisible(child);
        allHidden ? IncludeStates(node, vsAllChildrenHidden) : ExcludeStates(node, vsAllChildrenHidden);
    } else if (HasState(node, vsHasChildren)) {
        ExcludeStates(node, vsAllChildrenHidden);
    } else {
        IncludeStates(node, vsAllChildrenHidden);
    }
}
} // namespace

void TBaseVirtualTree::UpdateHiddenChildrenFlag(PVirtualNode node)
{
    if (m_update_count > 0) {
        ChangeStates(tsUpdateHiddenChildrenNeeded, 0);
        return;
    }
    ComputeHiddenChildrenFlag(*this, node);
}

void TBaseVirtualTree::UpdateAllHiddenChildrenFlags()
{
    for (PVirtualNode run = GetFirstNoInit(); run; run = GetNextNoInit(run))
        ComputeHiddenChildrenFlag(*this, run);
}

void TBaseVirtualTree::RecountVisibleAndHeights()
{
    // Post-order without recursion: heights of children are known before their parent's.
    struct Local {
        static uint32_t Height(const TBaseVirtualTree& tree, PVirtualNode node)
        {
            uint32_t total = node == tree.RootNode() ? node->NodeHeight : node->NodeHeight;
            uint32_t childSum = 0;
            for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
                uint32_t h = Height(tree, child);
                if (tree.IsEffectivelyVisible(child))
                    childSum += h;
            }
            node->TotalHeight = total + (HasState(node, vsExpanded) ? childSum : 0);
            return node->TotalHeight;
        }
    };
    Local::Height(*this, m_root);
    m_visible_count = CountVisibleChildren(m_root);
}

void TBaseVirtualTree::LinkNode(PVirtualNode node, PVirtualNode destination, TVTNodeAttachMode mode)
{
    if (mode == amNoWhere)
        return;
    InterruptValidation();
    PVirtualNode parent = (mode == amInsertBefore || mode == amInsertAfter) ? destination->Parent : destination;
    PVirtualNode renumberFrom = nullptr;
    switch (mode) {
    case amInsertBefore:
        node->NextSibling = destination;
        node->PrevSibling = destination->PrevSibling;
        node->Index = destination->Index;
        if (destination->PrevSibling)
            destination->PrevSibling->NextSibling = node;
        else
            parent->FirstChild = node;
        destination->PrevSibling = node;
        renumberFrom = destination;
        break;
    case amInsertAfter:
        node->NextSibling = destination->NextSibling;
        node->PrevSibling = destination;
        node->Index = destination->Index + 1;
        if (destination->NextSibling)
            destination->NextSibling->PrevSibling = node;
        else
            parent->LastChild = node;
        destination->NextSibling = node;
        renumberFrom = node->NextSibling;
        break;
    case amAddChildFirst:
        node->PrevSibling = nullptr;
        node->NextSibling = destination->FirstChild;
        node->Index = 0;
        if (destination->FirstChild)
            destination->FirstChild->PrevSibling = node;
        else
            destination->LastChild = node;
        destination->FirstChild = node;
        renumberFrom = node->NextSibling;
        break;
    case amAddChildLast:
        node->NextSibling = nullptr;
        node->PrevSibling = destination->LastChild;
        node->Index = destination->LastChild ? destination->LastChild->Index + 1 : 0;
        if (destination->LastChild)
            destination->LastChild->NextSibling = node;
        else
            destination->FirstChild = node;
        destination->LastChild = node;
        break;
    default:
        break;
    }
    for (PVirtualNode run = renumberFrom; run; run = run->NextSibling)
        ++run->Index;
    node->Parent = parent;
    ++parent->ChildCount;
    IncludeStates(parent, vsHasChildren);
    AdjustTotalCount(parent, node->TotalCount, true);
    if (HasState(parent, vsExpanded) && IsEffectivelyVisible(node))
        AdjustTotalHeight(parent, node->TotalHeight, true);
    if (FullyVisible(node) && !IsEffectivelyHidden(node))
        m_visible_count += CountVisibleChildren(node) + 1;
    ExcludeStates(node, vsChecking | vsCutOrCopy | vsDeleting | vsClearing);
    if (parent != m_root) {
        if (IsEffectivelyVisible(node))
            ExcludeStates(parent, vsAllChildrenHidden);
        else if (parent->ChildCount == 1)
            IncludeStates(parent, vsAllChildrenHidden);
    }
    InvalidateCache();
}

void TBaseVirtualTree::UnlinkNode(PVirtualNode node, bool keepFocus, bool reindex)
{
    CORE_ASSERT(node && node != m_root, u"Node must neither be nil nor the root node.");
    InterruptValidation();
    if (node == m_focused_node && !keepFocus) {
        DoFocusChanging(m_focused_node, nullptr, m_focused_column, m_focused_column);
        m_focused_node = nullptr;
        DoFocusChange(nullptr, m_focused_column);
    }
    if (node == m_range_anchor)
        ResetRangeAnchor();
    PVirtualNode parent = node->Parent;
    if (!HasState(node, vsDeleting)) {
        ExcludeStates(node, vsChecking);
        bool parentExpanded = HasState(parent, vsExpanded);
        bool wasShown = FullyVisible(node) && !IsEffectivelyHidden(node);
        uint32_t shownCount = wasShown ? CountVisibleChildren(node) + 1 : 0;
        AdjustTotalCount(parent, -int64_t(node->TotalCount), true);
        if (parentExpanded && IsEffectivelyVisible(node))
            AdjustTotalHeight(parent, -int64_t(node->TotalHeight), true);
        m_visible_count -= shownCount;
        --parent->ChildCount;
        if (parent->ChildCount == 0) {
            ExcludeStates(parent, vsAllChildrenHidden | vsHasChildren);
            if (parent != m_root)
                ExcludeStates(parent, vsExpanded);
        }
        PVirtualNode prev = node->PrevSibling, next = node->NextSibling;
        if (prev)
            prev->NextSibling = next;
        else
            parent->FirstChild = next;
        if (next)
            next->PrevSibling = prev;
        else
            parent->LastChild = prev;
        if (reindex)
            for (uint32_t index = node->Index; next; next = next->NextSibling)
                next->Index = index++;
        node->PrevSibling = node->NextSibling = nullptr;
    }
    if (parent != m_root && !HasState(parent, vsClearing))
        UpdateHiddenChildrenFlag(parent);
    InvalidateCache();
}

void TBaseVirtualTree::ForgetNode(PVirtualNode node)
{
    // Nothing in the tree may refer to a node once it is freed.
    if (m_last_changed_node == node)
        m_last_changed_node = nullptr;
    if (m_last_structure_change_node == node)
        m_last_structure_change_node = nullptr;
    if (m_hot_node == node)
        m_hot_node = nullptr;
    if (m_drop_target_node == node)
        m_drop_target_node = nullptr;
    if (m_check_node == node)
        m_check_node = nullptr;
    if (m_last_search_node == node)
        m_last_search_node = nullptr;
    if (m_range_anchor == node)
        m_range_anchor = nullptr;
    if (m_focused_node == node)
        m_focused_node = nullptr;
}

void TBaseVirtualTree::FreeNodeRecord(PVirtualNode node)
{
    ForgetNode(node);
    bool dataTouched = DataMark(node) != 0;
    try {
        if (OnFreeNode && (HasState(node, vsInitialized | vsInitialUserData) || dataTouched))
            DoFreeNode(node);
    } catch (...) {
        m_pool.Free(node);
        throw;
    }
    m_pool.Free(node);
}

void* TBaseVirtualTree::NodeDataOutsideNodes(PVirtualNode node) const
{
    CORE_ASSERT(m_node_data_size > 0, u"NodeDataSize not initialized.");
    (void)node;   // nil or the root: no data of its own
    return nullptr;
}

void TBaseVirtualTree::ApplyUserData(PVirtualNode node, void* userData)
{
    if (!userData)
        return;
    void* cell = GetNodeData(node);
    std::memcpy(cell, &userData, sizeof(userData));
    IncludeStates(node, vsInitialUserData);
}

// ---- Initialisation ----

void TBaseVirtualTree::InitializeNode(PVirtualNode node)
{
    IncludeStates(node, vsInitialized);
    TVirtualNodeInitStates initStates = 0;
    DoInitNode(node->Parent == m_root ? nullptr : node->Parent, node, initStates);
    if (initStates & ivsDisabled)
        IncludeStates(node, vsDisabled);
    if (initStates & ivsHasChildren)
        IncludeStates(node, vsHasChildren);
    if (initStates & ivsSelected)
        AddNodeToSelection(node);
    if (initStates & ivsMultiline)
        IncludeStates(node, vsMultiline);
    bool expanded = HasState(node, vsExpanded);
    if (expanded != bool(initStates & ivsExpanded)) {
        if (initStates & ivsExpanded)
            ToggleNode(node);
        else if (HasState(node, vsHasChildren))
            InitializeChildren(node);
    }
}

void TBaseVirtualTree::InitializeChildren(PVirtualNode node)
{
    if (node == m_root || !HasState(node, vsHasChildren))
        return;
    uint32_t count = node->ChildCount;
    if (!DoInitChildren(node, count))
        return;
    if (count == 0) {
        DeleteChildren(node, false);
        ExcludeStates(node, vsHasChildren);
    } else {
        SetChildCountInternal(node, count);
    }
}

void TBaseVirtualTree::ValidateNode(PVirtualNode node, bool recursive)
{
    if (!node)
        node = m_root;
    if (node != m_root && !HasState(node, vsInitialized))
        InitializeNode(node);
    if (recursive)
        ValidateChildren(node, true);
}

void TBaseVirtualTree::ValidateChildren(PVirtualNode node, bool recursive)
{
    if (!node)
        node = m_root;
    if (HasState(node, vsHasChildren) && node->ChildCount == 0)
        InitializeChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
        if (!HasState(child, vsInitialized))
            InitializeNode(child);
        if (recursive)
            ValidateChildren(child, true);
    }
}

void TBaseVirtualTree::ResetNode(PVirtualNode node)
{
    AfterConstruction();
    CancelEditing();
    if (!node || node == m_root) {
        Clear();
        return;
    }
    // Clearing vsHasChildren over children that a read-only tree keeps would break the model.
    if (m_options->MiscOptions() & toReadOnly)
        return;
    DoReset(node);
    DeleteChildren(node, false);
    // The node is uninitialised again; its data area stays, and so does the mark that it was
    // handed out, so that OnFreeNode still reaches it.
    ExcludeStates(node, vsInitialized | vsChecking | vsCutOrCopy | vsDeleting | vsExpanded | vsHasChildren |
                            vsHeightMeasured);
    InvalidateNode(node);
}

// ---- Child counts and heights ----

void TBaseVirtualTree::SetChildCount(PVirtualNode node, uint32_t count)
{
    AfterConstruction();
    SetChildCountInternal(node ? node : m_root, count);
}

void TBaseVirtualTree::SetChildCountInternal(PVirtualNode node, uint32_t newCount)
{
    if (m_options->MiscOptions() & toReadOnly)
        return;
    if (!node)
        node = m_root;
    if (newCount == 0) {
        DeleteChildren(node, false);
        return;
    }
    if (newCount == node->ChildCount)
        return;
    InterruptValidation();
    if (newCount > node->ChildCount) {
        uint32_t index = node->LastChild ? node->LastChild->Index + 1 : 0;
        if (!node->LastChild)
            IncludeStates(node, vsHasChildren);
        ExcludeStates(node, vsAllChildrenHidden | vsHeightMeasured);
        uint32_t added = newCount - node->ChildCount;
        int64_t heights = 0;
        uint32_t made = 0;
        try {
            for (; made < added; ++made) {
                PVirtualNode child = MakeNewNode();
                child->Index = index++;
                child->Parent = node;
                child->PrevSibling = node->LastChild;
                if (node->LastChild)
                    node->LastChild->NextSibling = child;
                else
                    node->FirstChild = child;
                node->LastChild = child;
                heights += child->NodeHeight;
            }
        } catch (...) {
            added = made;   // keep the counts right for the nodes that were made
            newCount = node->ChildCount + made;
            if (HasState(node, vsExpanded))
                AdjustTotalHeight(node, heights, true);
            if (HasState(node, vsExpanded) && FullyVisible(node) && !IsEffectivelyHidden(node))
                m_visible_count += added;
            AdjustTotalCount(node, added, true);
            node->ChildCount = newCount;
            throw;
        }
        if (HasState(node, vsExpanded)) {
            AdjustTotalHeight(node, heights, true);
            if (FullyVisible(node) && !IsEffectivelyHidden(node))
                m_visible_count += added;
        }
        AdjustTotalCount(node, added, true);
        node->ChildCount = newCount;
        if (m_update_count == 0 && (m_options->AutoOptions() & toAutoSort) && m_sort_column >= NoColumn)
            Sort(node, m_sort_column, m_sort_direction, true);
        InvalidateCache();
    } else {
        while (node->ChildCount > newCount)
            DeleteNode(node->LastChild, true);
    }
    if (m_update_count == 0) {
        RequestValidation();
        UpdateScrollBars(true);
        Invalidate();
    }
    NotifyStructureChange(node == m_root ? nullptr : node, crChildAdded);
}

uint32_t TBaseVirtualTree::NodeHeight(PVirtualNode node)
{
    if (!node || node == m_root)
        return 0;
    if (m_options->MiscOptions() & toVariableNodeHeight) {
        if (!HasState(node, vsInitialized))
            InitializeNode(node);
        MeasureItemHeight(nullptr, node);
    }
    return node->NodeHeight;
}

void TBaseVirtualTree::MeasureItemHeight(TCanvas* canvas, PVirtualNode node)
{
    if (HasState(node, vsHeightMeasured))
        return;
    IncludeStates(node, vsHeightMeasured);
    int height = node->NodeHeight;
    DoMeasureItem(canvas, node, height);
    if (height >= 0 && uint32_t(height) != node->NodeHeight)
        SetNodeHeight(node, uint32_t(height));
}

void TBaseVirtualTree::SetNodeHeight(PVirtualNode node, uint32_t value)
{
    if (!node || node == m_root || value == node->NodeHeight || (m_options->MiscOptions() & toReadOnly))
        return;
    bool onWorker = worker::OnWorkerThread();
    if (!onWorker)
        InterruptValidation();
    int64_t diff = int64_t(uint16_t(value)) - int64_t(node->NodeHeight);
    node->NodeHeight = uint16_t(value);
    AdjustTotalHeight(node, diff, true);
    // The worker measures while it validates: it owns the cache then and touches no window.
    if (!onWorker && FullyVisible(node) && !IsEffectivelyHidden(node)) {
        InvalidateCache();
        if (m_update_count == 0) {
            RequestValidation();
            InvalidateToBottom(node);
            UpdateScrollBars(true);
        }
    }
}

// ---- Visibility, expansion and other node properties ----

void TBaseVirtualTree::ToggleNode(PVirtualNode node)
{
    if (!node || node == m_root || HasState(node, vsToggling))
        return;
    if (HasState(node, vsExpanded)) {
        if (!DoCollapsing(node))
            return;
        InterruptValidation();
        IncludeStates(node, vsToggling);
        try {
            ToggleNodeChanging(node, false);
        } catch (...) {
            ExcludeStates(node, vsToggling);
            throw;
        }
        if (FullyVisible(node) && !IsEffectivelyHidden(node))
            m_visible_count -= CountVisibleChildren(node);
        AdjustTotalHeight(node, node->NodeHeight, false);
        ExcludeStates(node, vsExpanded | vsToggling);
        DoCollapsed(node);
    } else {
        if (!DoExpanding(node))
            return;
        InterruptValidation();
        IncludeStates(node, vsToggling);
        try {
            if (HasState(node, vsHasChildren) && node->ChildCount == 0)
                InitializeChildren(node);
            ToggleNodeChanging(node, true);
        } catch (...) {
            ExcludeStates(node, vsToggling);
            throw;
        }
        IncludeStates(node, vsExpanded);
        int64_t heights = node->NodeHeight;
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
            if (IsEffectivelyVisible(child))
                heights += child->TotalHeight;
        AdjustTotalHeight(node, heights, false);
        if (FullyVisible(node) && !IsEffectivelyHidden(node))
            m_visible_count += CountVisibleChildren(node);
        ExcludeStates(node, vsToggling);
        DoExpanded(node);
    }
    InvalidateCache();
    if (m_update_count == 0) {
        RequestValidation();
        UpdateScrollBars(true);
        InvalidateToBottom(node);
    }
}

void TBaseVirtualTree::SetExpanded(PVirtualNode node, bool value)
{
    if (node && node != m_root && HasState(node, vsExpanded) != value)
        ToggleNode(node);
}

void TBaseVirtualTree::SetIsVisible(PVirtualNode node, bool value)
{
    CORE_ASSERT(node && node != m_root, u"Invalid parameter.");
    if (HasState(node, vsVisible) == value)
        return;
    InterruptValidation();
    PVirtualNode parent = node->Parent;
    bool before = FullyVisible(node) && !IsEffectivelyHidden(node);
    uint32_t shown = CountVisibleChildren(node) + 1;
    value ? IncludeStates(node, vsVisible) : ExcludeStates(node, vsVisible);
    bool after = FullyVisible(node) && !IsEffectivelyHidden(node);
    if (before != after)
        after ? m_visible_count += shown : m_visible_count -= shown;
    if (HasState(parent, vsExpanded) && !IsEffectivelyHidden(node))
        AdjustTotalHeight(parent, value ? int64_t(node->TotalHeight) : -int64_t(node->TotalHeight), true);
    if (parent != m_root)
        UpdateHiddenChildrenFlag(parent);
    InvalidateCache();
    if (m_update_count == 0) {
        RequestValidation();
        UpdateScrollBars(true);
        Invalidate();
    }
}

void TBaseVirtualTree::SetIsHidden(PVirtualNode node, bool value)
{
    CORE_ASSERT(node && node != m_root, u"Invalid parameter.");
    if (HasState(node, vsHidden) == value)
        return;
    InterruptValidation();
    PVirtualNode parent = node->Parent;
    bool before = FullyVisible(node) && !IsEffectivelyHidden(node);
    bool wasVisible = IsEffectivelyVisible(node);
    uint32_t shown = CountVisibleChildren(node) + 1;
    value ? IncludeStates(node, vsHidden) : ExcludeStates(node, vsHidden);
    bool after = FullyVisible(node) && !IsEffectivelyHidden(node);
    if (before != after)
        after ? m_visible_count += shown : m_visible_count -= shown;
    bool isVisible = IsEffectivelyVisible(node);
    if (wasVisible != isVisible && HasState(parent, vsExpanded))
        AdjustTotalHeight(parent, isVisible ? int64_t(node->TotalHeight) : -int64_t(node->TotalHeight), true);
    if (parent != m_root)
        UpdateHiddenChildrenFlag(parent);
    InvalidateCache();
    if (m_update_count == 0) {
        RequestValidation();
        UpdateScrollBars(true);
        Invalidate();
    }
}

void TBaseVirtualTree::SetIsDisabled(PVirtualNode node, bool value)
{
    if (!node || node == m_root || HasState(node, vsDisabled) == value)
        return;
    value ? IncludeStates(node, vsDisabled) : ExcludeStates(node, vsDisabled);
    InvalidateNode(node);
}

void TBaseVirtualTree::SetHasChildren(PVirtualNode node, bool value)
{
    if (!node)
        return;
    if (value) {
        IncludeStates(node, vsHasChildren);
    } else {
        ExcludeStates(node, vsHasChildren);
        if (node->ChildCount > 0)
            DeleteChildren(node, false);
    }
    if (node != m_root)
        UpdateHiddenChildrenFlag(node);
    InvalidateNode(node);
}

void TBaseVirtualTree::ShowHiddenNodesChanged()
{
    // Every count and height follows the new rule; adding each hidden node's own height would miss
    // the rows below an expanded hidden node.
    BeginUpdate();
    try {
        InterruptValidation();
        RecountVisibleAndHeights();
        InvalidateCache();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- Structure operations ----

PVirtualNode TBaseVirtualTree::AddChild(PVirtualNode parent, void* userData)
{
    if (m_options->MiscOptions() & toReadOnly)
        return nullptr;
    AfterConstruction();
    CancelEditing();
    if (!parent)
        parent = m_root;
    if (!HasState(parent, vsInitialized))
        InitializeNode(parent);
    if (userData) {
        // Refused before anything is made, so that a failed call leaves no half-made node.
        if (m_node_data_size == -1) {
            int32_t size = 0;
            QueryNodeDataSize(size);
            m_node_data_size = size < -1 ? -1 : size;
        }
        if (m_node_data_size < int32_t(sizeof(void*)))
            throw EVirtualTreeError(u"Cannot set initial user data because there is not enough user data space allocated.",
                                    hcTFCannotSetUserData);
    }
    {
        UpdateCounterScope scope(m_update_count);
        if (parent->ChildCount == UINT32_MAX) {
            SetChildCountInternal(parent, parent->ChildCount + 1);
        } else {
            // Raising the child count by one, as SetChildCountInternal does, without its loop and
            // with the counts of the root (the common parent) kept here: adding nodes one by one is
            // how a big tree is filled.
            InterruptValidation();
            PVirtualNode last = parent->LastChild;
            if (!last)
                IncludeStates(parent, vsHasChildren);
            ExcludeStates(parent, vsAllChildrenHidden | vsHeightMeasured);
            PVirtualNode child = MakeNewNode();
            child->Index = last ? last->Index + 1 : 0;
            child->Parent = parent;
            child->PrevSibling = last;
            if (last)
                last->NextSibling = child;
            else
                parent->FirstChild = child;
            parent->LastChild = child;
            if (HasState(parent, vsExpanded)) {
                if (parent == m_root) {
                    m_root->TotalHeight += child->NodeHeight;
                    if (HasState(m_root, vsVisible) && !IsEffectivelyHidden(m_root))
                        ++m_visible_count;
                } else {
                    AdjustTotalHeight(parent, child->NodeHeight, true);
                    if (FullyVisible(parent) && !IsEffectivelyHidden(parent))
                        ++m_visible_count;
                }
            }
            if (parent == m_root)
                ++m_root->TotalCount;
            else
                AdjustTotalCount(parent, 1, true);
            ++parent->ChildCount;
            InvalidateCache();
            NotifyStructureChange(parent == m_root ? nullptr : parent, crChildAdded);
        }
        ExcludeStates(parent, vsAllChildrenHidden);
    }
    PVirtualNode result = parent->LastChild;
    ApplyUserData(result, userData);
    InvalidateCache();
    if (m_update_count == 0) {
        RequestValidation();
        if (m_states & tsStructureChangePending)
            NotifyStructureChange(parent == m_root ? nullptr : parent, crChildAdded);
        if ((m_options->AutoOptions() & toAutoSort) && m_sort_column >= NoColumn)
            Sort(parent, m_sort_column, m_sort_direction, true);
        InvalidateToBottom(parent);
        UpdateScrollBars(true);
    }
    return result;
}

PVirtualNode TBaseVirtualTree::InsertNode(PVirtualNode node, TVTNodeAttachMode mode, void* userData)
{
    if (mode == amNoWhere || (m_options->MiscOptions() & toReadOnly))
        return nullptr;
    AfterConstruction();
    CancelEditing();
    if (!node)
        node = m_root;
    if (userData) {
        if (m_node_data_size == -1) {
            int32_t size = 0;
            QueryNodeDataSize(size);
            m_node_data_size = size < -1 ? -1 : size;
        }
        if (m_node_data_size < int32_t(sizeof(void*)))
            throw EVirtualTreeError(u"Cannot set initial user data because there is not enough user data space allocated.",
                                    hcTFCannotSetUserData);
    }
    if (node == m_root) {
        if (mode == amInsertBefore)
            mode = amAddChildFirst;
        else if (mode == amInsertAfter)
            mode = amAddChildLast;
    }
    if ((mode == amAddChildFirst || mode == amAddChildLast) && !HasState(node, vsInitialized))
        InitializeNode(node);
    PVirtualNode result = MakeNewNode();
    LinkNode(result, node, mode);
    ApplyUserData(result, userData);
    if (m_update_count == 0) {
        if ((m_options->AutoOptions() & toAutoSort) && m_sort_column >= NoColumn) {
            PVirtualNode level = (mode == amInsertBefore || mode == amInsertAfter) ? node->Parent : node;
            Sort(level, m_sort_column, m_sort_direction, true);
        }
        RequestValidation();
        UpdateScrollBars(true);
        InvalidateToBottom(mode == amInsertBefore ? result : node);
    }
    NotifyStructureChange(result, crNodeAdded);
    return result;
}

void TBaseVirtualTree::CheckNotIterating()
{
    CORE_ASSERT(!(m_states & tsIterating), u"Deleting nodes during tree iteration leads to invalid pointers.");
}

void TBaseVirtualTree::DeleteNode(PVirtualNode node, bool reindex)
{
    if (!node || node == m_root || (m_options->MiscOptions() & toReadOnly))
        return;
    CheckNotIterating();
    PVirtualNode parent = node->Parent;
    bool parentClearing = HasState(parent, vsClearing);
    if (!parentClearing)
        NotifyStructureChange(parent == m_root ? nullptr : parent, crChildDeleted);
    int oldX = m_offset_x, oldY = m_offset_y;
    if (HasState(node, vsSelected)) {
        if (m_update_count > 0) {
            UnselectQuietly(node);
        } else {
            bool wasSynch = (m_states & tsSynchMode) != 0;
            ChangeStates(tsSynchMode, 0);
            try {
                RemoveFromSelection(node);
            } catch (...) {
                if (!wasSynch)
                    ChangeStates(0, tsSynchMode);
                throw;
            }
            if (!wasSynch)
                ChangeStates(0, tsSynchMode);
        }
    }
    if (!parentClearing)
        InvalidateToBottom(parent);
    if (m_states & tsHint)
        ChangeStates(0, tsHint);
    if (node->ChildCount > 0)
        DeleteChildren(node, false);
    UnlinkNode(node, false, reindex);
    FreeNodeRecord(node);
    if (parentClearing)
        return;
    if (parent != m_root)
        UpdateHiddenChildrenFlag(parent);
    InvalidateCache();
    if (m_update_count == 0) {
        RequestValidation();
        UpdateScrollBars(true);
        if (oldX != m_offset_x || oldY != m_offset_y)
            Invalidate();
    }
}

void TBaseVirtualTree::DeleteChildren(PVirtualNode node, bool resetHasChildren)
{
    if (!node)
        node = m_root;
    if (!node || node->ChildCount == 0 || (m_options->MiscOptions() & toReadOnly))
        return;
    CheckNotIterating();
    int oldX = m_offset_x, oldY = m_offset_y;
    {
        UpdateCounterScope scope(m_update_count);
        bool sorted = m_sorted_parent.load(std::memory_order_relaxed) == node;
        InterruptValidation();
        // The kept order of a sorted level tells which nodes come next (they lie scattered); it is
        // only used to fetch them ahead, so a change made meanwhile by an event cannot mislead us.
        std::vector<PVirtualNode> order;
        if (sorted && m_sorted_children.size() == node->ChildCount)
            order = std::move(m_sorted_children);
        bool shown = node == m_root || (FullyVisible(node) && HasState(node, vsExpanded) && !IsEffectivelyHidden(node));
        IncludeStates(node, vsClearing);
        // The counts of the whole subtree go at once; the children are then cut off one by one.
        int64_t removedCount = int64_t(node->TotalCount) - 1;
        try {
            while (PVirtualNode child = node->LastChild) {
                if (size_t left = node->ChildCount; left > DeleteAhead && left <= order.size())
                    FetchNode(order[left - 1 - DeleteAhead]);
                PVirtualNode prev = child->PrevSibling;
                if (shown && IsEffectivelyVisible(child))
                    --m_visible_count;
                IncludeStates(child, vsDeleting);
                if (prev)
                    prev->NextSibling = nullptr;
                node->LastChild = prev;
                if (!prev)
                    node->FirstChild = nullptr;
                --node->ChildCount;
                DeleteNode(child, true);
            }
        } catch (...) {
            ExcludeStates(node, vsClearing);
            RecountVisibleAndHeights();
            // Keep the ancestors' counts right for what is left.
            int64_t left = 1;
            for (PVirtualNode c = node->FirstChild; c; c = c->NextSibling)
                left += c->TotalCount;
            AdjustTotalCount(node, left, false);
            throw;
        }
        (void)removedCount;
        ExcludeStates(node, vsClearing | (resetHasChildren ? vsHasChildren : 0));
        if (node != m_root)
            ExcludeStates(node, vsExpanded);
        node->ChildCount = 0;
        if (node == m_root || HasState(node, vsDeleting)) {
            node->TotalCount = 1;
            node->TotalHeight = (node == m_root ? m_root->NodeHeight : node->NodeHeight);
        } else {
            AdjustTotalHeight(node, node->NodeHeight, false);
            AdjustTotalCount(node, 1, false);
        }
        node->FirstChild = node->LastChild = nullptr;
    }
    InvalidateCache();
    if (m_update_count == 0) {
        PackSelection();
        RequestValidation();
        UpdateScrollBars(true);
        if (oldX != m_offset_x || oldY != m_offset_y)
            Invalidate();
        else
            InvalidateToBottom(node);
    }
    NotifyStructureChange(node == m_root ? nullptr : node, crChildDeleted);
}

void TBaseVirtualTree::DeleteSelectedNodes()
{
    if (m_selection_count == 0 || (m_options->MiscOptions() & toReadOnly))
        return;
    BeginUpdate();
    try {
        TNodeArray nodes = GetSortedSelection(true);
        for (size_t i = nodes.size(); i-- > 1;)
            DeleteNode(nodes[i], nodes[i]->Parent != nodes[i - 1]->Parent);
        if (!nodes.empty())
            DeleteNode(nodes[0], true);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::Clear()
{
    if ((m_options->MiscOptions() & toReadOnly) && !m_destroying)
        return;
    if (!m_root)
        return;
    BeginUpdate();
    try {
        InterruptValidation();
        CancelEditing();
        if (m_states & (tsCutPending | tsCopyPending)) {
            m_port->EmptyClipboard();
            ChangeStates(0, tsCutPending | tsCopyPending);
        }
        if (m_destroying)
            DropSelection();
        else
            ClearSelection();
        m_focused_node = nullptr;
        m_hot_node = nullptr;
        m_drop_target_node = nullptr;
        m_last_changed_node = nullptr;
        m_range_anchor = nullptr;
        m_check_node = nullptr;
        m_last_search_node = nullptr;
        DeleteChildren(m_root, true);
        ReleaseSortedChildren();
        m_offset_x = 0;
        m_offset_y = 0;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- Moving and copying ----
//
// Between trees, and for copies, nodes travel in the node stream format (tree_stream.cpp): what
// the application keeps per node goes through OnSaveNode and OnLoadNode.

void TBaseVirtualTree::MoveTo(PVirtualNode node, TBaseVirtualTree* tree, TVTNodeAttachMode mode, bool childrenOnly)
{
    tree->AfterConstruction();
    MoveTo(node, tree->RootNode(), mode, childrenOnly);
}

void TBaseVirtualTree::MoveTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode, bool childrenOnly)
{
    CORE_ASSERT(!source || TreeFromNode(source) == this, u"The source tree must contain the source node.");
    if (!(source != target || ((mode == amInsertBefore || mode == amInsertAfter) && childrenOnly)))
        return;
    if (mode == amNoWhere || !source || source == m_root || (m_options->MiscOptions() & toReadOnly))
        return;
    TBaseVirtualTree* targetTree;
    if (!target) {
        targetTree = this;
        target = m_root;
        mode = amAddChildFirst;
    } else {
        targetTree = TreeFromNode(target);
    }
    if (target == targetTree->m_root) {
        if (mode == amInsertBefore)
            mode = amAddChildFirst;
        else if (mode == amInsertAfter)
            mode = amAddChildLast;
    }
    if (target != targetTree->m_root) {
        if (!HasState(target, vsInitialized))
            InitializeNode(target);
        else if (HasState(target, vsHasChildren) && target->ChildCount == 0)
            InitializeChildren(target);
    }
    bool allowed = true;
    DoNodeMoving(source, target == targetTree->m_root ? nullptr : target, allowed);
    if (allowed) {
        if (targetTree == this) {
            if (source != target && HasAsParent(target, source))
                throw EVirtualTreeError(u"Target node cannot be a child node of the node to be moved.", hcTFWrongMoveError);
            if (!childrenOnly) {
                UnlinkNode(source, true, true);
                LinkNode(source, target, mode);
                DoNodeMoved(source);
            } else if (mode == amAddChildFirst) {
                for (PVirtualNode child = source->LastChild; child;) {
                    PVirtualNode prev = child->PrevSibling;
                    UnlinkNode(child, true, false);
                    LinkNode(child, target, mode);
                    DoNodeMoved(child);
                    child = prev;
                }
            } else {
                // Insert-after moves keep their order by inserting each child behind the one before.
                PVirtualNode anchor = target;
                for (PVirtualNode child = source->FirstChild; child;) {
                    PVirtualNode next = child->NextSibling;
                    UnlinkNode(child, true, false);
                    LinkNode(child, anchor, mode);
                    if (mode == amInsertAfter)
                        anchor = child;
                    DoNodeMoved(child);
                    child = next;
                }
            }
            // Indexes of the source level were left alone above; renumber them once.
            if (childrenOnly) {
                uint32_t index = 0;
                for (PVirtualNode run = source->FirstChild; run; run = run->NextSibling)
                    run->Index = index++;
            }
        } else {
            for (PVirtualNode node : CopyAcross(source, targetTree, target, mode, childrenOnly, false))
                DoNodeMoved(node);
            BeginUpdate();
            try {
                if (childrenOnly)
                    DeleteChildren(source, false);
                else
                    DeleteNode(source, true);
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
        }
    }
    InvalidateCache();
    if (m_update_count == 0 && allowed) {
        RequestValidation();
        UpdateScrollBars(true);
        Invalidate();
        if (targetTree != this)
            targetTree->Invalidate();
    }
    NotifyStructureChange(source, crNodeMoved);
}

PVirtualNode TBaseVirtualTree::CopyTo(PVirtualNode source, TBaseVirtualTree* tree, TVTNodeAttachMode mode, bool childrenOnly)
{
    tree->AfterConstruction();
    return CopyTo(source, tree->RootNode(), mode, childrenOnly);
}

PVirtualNode TBaseVirtualTree::CopyTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode, bool childrenOnly)
{
    CORE_ASSERT(!source || TreeFromNode(source) == this, u"The source tree must contain the source node.");
    if (mode == amNoWhere || !source || source == m_root)
        return nullptr;
    TBaseVirtualTree* targetTree;
    if (!target) {
        targetTree = this;
        target = m_root;
        mode = amAddChildFirst;
    } else {
        targetTree = TreeFromNode(target);
    }
    if (targetTree->m_options->MiscOptions() & toReadOnly)
        return nullptr;
    if (target == targetTree->m_root) {
        if (mode == amInsertBefore)
            mode = amAddChildFirst;
        else if (mode == amInsertAfter)
            mode = amAddChildLast;
    }
    std::vector<PVirtualNode> made = CopyAcross(source, targetTree, target, mode, childrenOnly, true);
    PVirtualNode result = made.empty() ? nullptr : made.back();
    targetTree->InvalidateCache();
    if (targetTree->m_update_count == 0) {
        targetTree->RequestValidation();
        targetTree->UpdateScrollBars(true);
        targetTree->Invalidate();
    }
    targetTree->NotifyStructureChange(source, crNodeCopied);
    return childrenOnly ? target : result;
}

} // namespace treeview
