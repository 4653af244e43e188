// The virtual tree's portable heart: node model and structure operations, iteration, events and
// their dispatchers, delayed notifications, selection, check states, sorting and the position cache.
// Everything window-related goes through the TreeWindowPort; drawing, mouse, keyboard and the header
// are built on top of this class by the window half.
#pragma once
#include "treeview/options.h"
#include "treeview/tree_export.h"
#include "treeview/types.h"
#include "treeview/window_port.h"
#include "core/stream.h"
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace treeview {

class TVirtualTreeColumn;

// Fixed-size blocks for the nodes of one tree: chunks of many nodes, so that a node costs no
// allocator header and nodes made together lie together.
class NodePool {
public:
    NodePool() = default;
    ~NodePool();
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;
    // Changes the block size; only while no block is in use.
    void SetBlockSize(size_t size);
    size_t BlockSize() const { return m_block_size; }
    // A zero-filled block.
    void* Allocate();
    void Free(void* block) noexcept;
    size_t LiveCount() const { return m_live; }
    size_t ReservedBytes() const { return m_reserved; }

private:
    void ReleaseAll() noexcept;
    size_t m_block_size = 0;
    std::vector<std::pair<char*, size_t>> m_chunks;
    char* m_cursor = nullptr;   // next unused block of the newest chunk
    char* m_end = nullptr;
    void* m_free = nullptr;     // freed blocks, linked through their first bytes
    size_t m_live = 0;
    size_t m_reserved = 0;
    size_t m_next_chunk_blocks = 64;
};

struct TCacheEntry {
    PVirtualNode Node;
    uint32_t AbsoluteTop;
};
using TCache = std::vector<TCacheEntry>;

constexpr uint32_t CacheThreshold = 2000;

// The node stream version that SaveToStream writes (readers take 1 and 2).
constexpr int NodeStreamVersion = 2;

// Help contexts of EVirtualTreeError.
enum : int {
    hcTFEditLinkIsNil = 2000, hcTFWrongMoveError = 2001, hcTFWrongStreamFormat = 2002,
    hcTFWrongStreamVersion = 2003, hcTFStreamTooSmall = 2004, hcTFCorruptStream1 = 2005,
    hcTFCorruptStream2 = 2006, hcTFClipboardFailed = 2007, hcTFCannotSetUserData = 2008,
};

class TBaseVirtualTree {
public:
    // ---- Life cycle ----
    // port may be null (no window); it must outlive the tree or be replaced before it goes.
    explicit TBaseVirtualTree(TreeWindowPort* port = nullptr);
    virtual ~TBaseVirtualTree();
    // Deleting takes the tree back from the validation thread before any destructor runs: the
    // thread makes virtual calls on the tree, and every destructor rewrites its virtual table.
    static void operator delete(TBaseVirtualTree* tree, std::destroying_delete_t);
    // The allocation that pairs with it; the plain delete frees a tree whose constructor threw.
    static void* operator new(std::size_t size);
    static void operator delete(void* block);
    TBaseVirtualTree(const TBaseVirtualTree&) = delete;
    TBaseVirtualTree& operator=(const TBaseVirtualTree&) = delete;
    // Creates the root when missing (a descendant that reserves internal data calls it last).
    void AfterConstruction();

    TreeWindowPort& WindowPort() const { return *m_port; }
    void SetWindowPort(TreeWindowPort* port);
    bool Loading() const { return m_loading; }
    void SetLoading(bool loading) { m_loading = loading; }
    bool Destroying() const { return m_destroying; }

    // ---- Properties ----
    TCustomVirtualTreeOptions& TreeOptions() const { return *m_options; }
    void SetTreeOptions(const TCustomVirtualTreeOptions& options) { m_options->Assign(options); }
    int32_t NodeDataSize() const { return m_node_data_size; }
    void SetNodeDataSize(int32_t value);
    uint32_t RootNodeCount() const { return m_root ? m_root->ChildCount : 0; }
    void SetRootNodeCount(uint32_t value);
    uint32_t DefaultNodeHeight() const { return m_default_node_height; }
    void SetDefaultNodeHeight(uint32_t value);
    uint32_t TotalCount();
    uint32_t VisibleCount() const { return m_visible_count; }
    PVirtualNode RootNode() const { return m_root; }
    uint32_t UpdateCount() const { return m_update_count; }
    uint32_t ChangeDelay() const { return m_change_delay; }
    void SetChangeDelay(uint32_t value) { m_change_delay = value; }
    TVirtualTreeStates TreeStates() const { return m_states; }
    int32_t SelectedCount() const { return m_selection_count; }
    bool SelectionLocked() const { return m_selection_locked; }
    void SetSelectionLocked(bool value) { m_selection_locked = value; }
    PVirtualNode FocusedNode() const { return m_focused_node; }
    void SetFocusedNode(PVirtualNode node);
    TColumnIndex FocusedColumn() const { return m_focused_column; }
    PVirtualNode HotNode() const { return m_hot_node; }
    PVirtualNode DropTargetNode() const { return m_drop_target_node; }
    PVirtualNode RangeAnchor() const { return m_range_anchor; }
    int32_t CheckedCount();
    int32_t CutCopyCount();
    int OffsetX() const { return m_offset_x; }
    int OffsetY() const { return m_offset_y; }
    void SetOffsetXY(int x, int y);
    // The header's sort state (the header object comes with the window half).
    TColumnIndex SortColumn() const { return m_sort_column; }
    void SetSortColumn(TColumnIndex column);
    TSortDirection SortDirection() const { return m_sort_direction; }
    void SetSortDirection(TSortDirection direction);
    bool IsEffectivelyHidden(PVirtualNode node) const;
    bool IsEffectivelyVisible(PVirtualNode node) const;
    bool FullyVisible(PVirtualNode node) const;
    bool VisiblePath(PVirtualNode node) const;
    bool Expanded(PVirtualNode node) const { return node && HasState(node, vsExpanded); }
    void SetExpanded(PVirtualNode node, bool value);
    bool Selected(PVirtualNode node) const { return node && HasState(node, vsSelected); }
    void SetSelected(PVirtualNode node, bool value);
    bool IsVisible(PVirtualNode node) const { return node && HasState(node, vsVisible); }
    void SetIsVisible(PVirtualNode node, bool value);
    bool IsHidden(PVirtualNode node) const { return node && HasState(node, vsHidden); }
    void SetIsHidden(PVirtualNode node, bool value);
    bool IsDisabled(PVirtualNode node) const { return node && HasState(node, vsDisabled); }
    void SetIsDisabled(PVirtualNode node, bool value);
    bool HasChildren(PVirtualNode node) const { return node && HasState(node, vsHasChildren); }
    void SetHasChildren(PVirtualNode node, bool value);
    uint32_t ChildCount(PVirtualNode node) const { return (node ? node : m_root)->ChildCount; }
    void SetChildCount(PVirtualNode node, uint32_t count);
    TCheckState CheckState(PVirtualNode node) const { return node->CheckState; }
    void SetCheckState(PVirtualNode node, TCheckState value);
    TCheckType CheckType(PVirtualNode node) const { return node->CheckType; }
    void SetCheckType(PVirtualNode node, TCheckType value);
    uint32_t NodeHeight(PVirtualNode node);
    void SetNodeHeight(PVirtualNode node, uint32_t value);

    // ---- Node model and structure ----
    virtual PVirtualNode AddChild(PVirtualNode parent, void* userData = nullptr);
    PVirtualNode InsertNode(PVirtualNode node, TVTNodeAttachMode mode, void* userData = nullptr);
    void DeleteNode(PVirtualNode node, bool reindex = true);
    void DeleteChildren(PVirtualNode node, bool resetHasChildren = false);
    virtual void DeleteSelectedNodes();
    virtual void Clear();
    void MoveTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode, bool childrenOnly);
    void MoveTo(PVirtualNode node, TBaseVirtualTree* tree, TVTNodeAttachMode mode, bool childrenOnly);
    PVirtualNode CopyTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode, bool childrenOnly);
    PVirtualNode CopyTo(PVirtualNode source, TBaseVirtualTree* tree, TVTNodeAttachMode mode, bool childrenOnly);
    virtual void BeginUpdate();
    virtual void EndUpdate();
    void BeginSynch();
    void EndSynch();
    // Inline, because sorting and walking ask for every node's data.
    void* GetNodeData(PVirtualNode node) const
    {
        if (m_node_data_size <= 0 || !node || node == m_root)
            return NodeDataOutsideNodes(node);
        // A node whose data was handed out gets OnFreeNode even when never initialised, so that
        // nothing the application stored there is leaked. The mark lies next to the data where
        // the block has room, so that asking for the data touches no other cache line.
        // The mark byte holds nothing else, so it is set by a plain store (racing stores agree).
        std::atomic_ref<uint8_t> mark(DataMark(node));
        if (mark.load(std::memory_order_relaxed) == 0)
            mark.store(DataHandedOutMark, std::memory_order_relaxed);
        return reinterpret_cast<char*>(node) + sizeof(TVirtualNode) + m_total_internal_data_size;
    }
    template <class T> T* GetNodeData(PVirtualNode node) const { return static_cast<T*>(GetNodeData(node)); }
    void MeasureItemHeight(TCanvas* canvas, PVirtualNode node);
    // Initialises (and, recursively, initialises the children of) every node below node.
    void ValidateNode(PVirtualNode node, bool recursive);
    void ValidateChildren(PVirtualNode node, bool recursive);
    // Makes a node uninitialised again (OnResetNode, children deleted, its init states cleared);
    // nil or the root clears the tree.
    virtual void ResetNode(PVirtualNode node);
    // The tree that owns a node.
    static TBaseVirtualTree* TreeFromNode(PVirtualNode node);
    // Bytes of one node block (record, internal and user data).
    size_t NodeBlockSize() const { return m_pool.BlockSize(); }
    const NodePool& Pool() const { return m_pool; }
    // Bytes held for the nodes: their blocks and the kept order of the last sorted level.
    size_t NodeMemoryBytes() const { return m_pool.ReservedBytes() + m_sorted_children.capacity() * sizeof(PVirtualNode); }

    // ---- Node stream (tree_stream.cpp) ----
    // The whole tree, or node with its subtree.
    void SaveToStream(core::Stream& stream, PVirtualNode node = nullptr);
    void SaveToFile(const core::String& fileName);
    // Replace the tree's content; a read-only tree ignores them.
    void LoadFromStream(core::Stream& stream);
    void LoadFromFile(const core::String& fileName);
    // Adds the stream's nodes as last children of targetNode (RootNode() for top-level nodes).
    void AddFromStream(core::Stream& stream, PVirtualNode targetNode);

    // ---- Iteration ----
    PVirtualNode GetFirst(bool considerChildrenAbove = false);
    PVirtualNode GetFirstNoInit(bool considerChildrenAbove = false);
    PVirtualNode GetFirstChild(PVirtualNode node);
    PVirtualNode GetFirstChildNoInit(PVirtualNode node);
    PVirtualNode GetLastChild(PVirtualNode node);
    PVirtualNode GetLastChildNoInit(PVirtualNode node);
    PVirtualNode GetFirstInitialized(bool considerChildrenAbove = false);
    PVirtualNode GetFirstLeaf();
    PVirtualNode GetFirstLevel(uint32_t nodeLevel);
    PVirtualNode GetFirstChecked(TCheckState state = csCheckedNormal, bool considerChildrenAbove = false);
    PVirtualNode GetFirstCutCopy(bool considerChildrenAbove = false);
    PVirtualNode GetFirstSelected(bool considerChildrenAbove = false);
    PVirtualNode GetFirstVisible(PVirtualNode node = nullptr, bool considerChildrenAbove = true, bool includeHidden = false);
    PVirtualNode GetFirstVisibleNoInit(PVirtualNode node = nullptr, bool considerChildrenAbove = true, bool includeHidden = false);
    PVirtualNode GetFirstVisibleChild(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetFirstVisibleChildNoInit(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetLast(PVirtualNode node = nullptr, bool considerChildrenAbove = false);
    PVirtualNode GetLastNoInit(PVirtualNode node = nullptr, bool considerChildrenAbove = false);
    PVirtualNode GetLastInitialized(PVirtualNode node = nullptr, bool considerChildrenAbove = false);
    PVirtualNode GetLastVisible(PVirtualNode node = nullptr, bool considerChildrenAbove = true, bool includeHidden = false);
    PVirtualNode GetLastVisibleNoInit(PVirtualNode node = nullptr, bool considerChildrenAbove = true, bool includeHidden = false);
    PVirtualNode GetLastVisibleChild(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetLastVisibleChildNoInit(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetNext(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetNextNoInit(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetNextChecked(PVirtualNode node, TCheckState state = csCheckedNormal, bool considerChildrenAbove = false);
    PVirtualNode GetNextCutCopy(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetNextInitialized(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetNextLeaf(PVirtualNode node);
    PVirtualNode GetNextLevel(PVirtualNode node, uint32_t nodeLevel);
    PVirtualNode GetNextSelected(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetNextSibling(PVirtualNode node);
    PVirtualNode GetNextVisible(PVirtualNode node, bool considerChildrenAbove = true);
    PVirtualNode GetNextVisibleNoInit(PVirtualNode node, bool considerChildrenAbove = true);
    PVirtualNode GetNextVisibleSibling(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetNextVisibleSiblingNoInit(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetPrevious(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetPreviousNoInit(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetPreviousChecked(PVirtualNode node, TCheckState state = csCheckedNormal, bool considerChildrenAbove = false);
    PVirtualNode GetPreviousCutCopy(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetPreviousInitialized(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetPreviousLeaf(PVirtualNode node);
    PVirtualNode GetPreviousLevel(PVirtualNode node, uint32_t nodeLevel);
    PVirtualNode GetPreviousSelected(PVirtualNode node, bool considerChildrenAbove = false);
    PVirtualNode GetPreviousSibling(PVirtualNode node);
    PVirtualNode GetPreviousVisible(PVirtualNode node, bool considerChildrenAbove = true);
    PVirtualNode GetPreviousVisibleNoInit(PVirtualNode node, bool considerChildrenAbove = true);
    PVirtualNode GetPreviousVisibleSibling(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetPreviousVisibleSiblingNoInit(PVirtualNode node, bool includeHidden = false);
    PVirtualNode GetVisibleParent(PVirtualNode node, bool includeHidden = false);
    uint32_t GetNodeLevel(PVirtualNode node) const;
    bool HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const;
    uint32_t AbsoluteIndex(PVirtualNode node);
    using TVTGetNodeProc = std::function<void(TBaseVirtualTree* sender, PVirtualNode node, void* data, bool& abort)>;
    PVirtualNode IterateSubtree(PVirtualNode node, const TVTGetNodeProc& callback, void* data,
                                TVirtualNodeStates filter = 0, bool doInit = false, bool childNodesOnly = false);
    virtual void FullExpand(PVirtualNode node = nullptr);
    virtual void FullCollapse(PVirtualNode node = nullptr);
    // Expands a collapsed node or collapses an expanded one, with the expanding/collapsing events.
    virtual void ToggleNode(PVirtualNode node);

    // ---- Sorting ----
    virtual void Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction, bool doInit = true);
    virtual void SortTree(TColumnIndex column, TSortDirection direction, bool doInit = true);

    // ---- Selection and cut/copy marks ----
    void ClearSelection();
    void InvertSelection(bool visibleOnly);
    void SelectAll(bool visibleOnly);
    bool IsMouseSelecting() const { return (m_states & (tsDrawSelPending | tsDrawSelecting)) != 0; }
    TNodeArray GetSortedSelection(bool resolve);
    TNodeArray GetSortedCutCopySet(bool resolve);
    virtual void CopyToClipBoard();
    virtual void CutToClipBoard();
    void CancelCutOrCopy();
    void FinishCutOrCopy();
    void FlushClipboard();
    // Position order of two nodes (children-above aware when asked): <0, 0 or >0.
    int CompareNodePositions(PVirtualNode node1, PVirtualNode node2, bool considerChildrenAbove = false);
    // The click-selection rules that the mouse handling applies with multi-selection.
    struct TShiftState { bool Shift = false, Ctrl = false, Alt = false; };
    void HandleClickSelection(PVirtualNode lastFocused, PVirtualNode newNode, TShiftState shift, bool dragPending);
    // Packs count entries of a removal-marked array; -1 for an empty one (nothing to change).
    static int32_t PackArray(std::vector<uintptr_t>& array, int32_t count);

    // ---- Check states ----
    void ClearChecked();

    // ---- Position cache and geometry seams ----
    const TCache& PositionCache() const { return m_position_cache; }
    // Top of a node in tree coordinates; uses the position cache when it is valid.
    uint32_t GetNodeTop(PVirtualNode node);
    // The visible node at a vertical tree position (null below the last one).
    PVirtualNode GetNodeAtY(uint32_t y, uint32_t* nodeTop = nullptr);
    virtual void UpdateScrollBars(bool doRepaint);
    virtual void InvalidateNode(PVirtualNode node);
    virtual void InvalidateToBottom(PVirtualNode node);
    void Invalidate();

    // ---- Entry points of the window half ----
    void TimerFired(unsigned id);
    // The change-state message (WM_APP + 32) from the validation thread.
    void HandleChangeStateMessage(uint32_t enter, uint32_t leave);
    // Whether the validation thread could be interrupted; read by the worker only.
    bool StopValidationRequested() const { return m_stop_validation.load(std::memory_order_acquire); }
    // The validation thread's entry into the protected cache building.
    bool RunValidation() { return ValidatePositionCache(); }

    // ---- Events ----
    std::function<void(TBaseVirtualTree*, PVirtualNode parent, PVirtualNode node, TVirtualNodeInitStates&)> OnInitNode;
    std::function<void(TBaseVirtualTree*, PVirtualNode, uint32_t& childCount)> OnInitChildren;
    std::function<void(TBaseVirtualTree*, int32_t& nodeDataSize)> OnGetNodeDataSize;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnFreeNode;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnResetNode;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, int& nodeHeight)> OnMeasureItem;
    std::function<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode target, bool& allowed)> OnNodeMoving;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnNodeMoved;
    std::function<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode target, bool& allowed)> OnNodeCopying;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnNodeCopied;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TChangeReason)> OnStructureChange;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnChange;
    std::function<void(TBaseVirtualTree*, TVTUpdateState)> OnUpdating;
    std::function<void(TBaseVirtualTree*, TVirtualTreeStates enter, TVirtualTreeStates leave)> OnStateChange;
    std::function<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex, int& result)> OnCompareNodes;
    std::function<void(TBaseVirtualTree*, PVirtualNode oldNode, PVirtualNode newNode, TColumnIndex oldColumn,
                       TColumnIndex newColumn, bool& allowed)> OnFocusChanging;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex)> OnFocusChanged;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TCheckState& newState, bool& allowed)> OnChecking;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnChecked;
    std::function<void(TBaseVirtualTree*, PVirtualNode, bool& allowed)> OnExpanding;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnExpanded;
    std::function<void(TBaseVirtualTree*, PVirtualNode, bool& allowed)> OnCollapsing;
    std::function<void(TBaseVirtualTree*, PVirtualNode)> OnCollapsed;
    std::function<void(TBaseVirtualTree*, PVirtualNode oldNode, PVirtualNode newNode)> OnHotChange;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& isEmpty)> OnGetCellIsEmpty;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TVTImageKind, TColumnIndex, bool& ghosted, int& index)> OnGetImageIndex;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TVTImageKind, TColumnIndex, bool& ghosted, int& index,
                       TCustomImageList*& images)> OnGetImageIndexEx;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, int x, int y, bool& askParent,
                       TPopupMenu*& menu)> OnGetPopupMenu;
    std::function<void(TBaseVirtualTree*, uint16_t& charCode, TShiftState& shift, bool& doDefault)> OnKeyAction;
    std::function<void(TBaseVirtualTree*, PVirtualNode, core::StringView searchText, int& result)> OnIncrementalSearch;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& allowed)> OnDragAllowed;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& allowed)> OnEditing;
    std::function<void(TBaseVirtualTree*, int deltaX, int deltaY)> OnScroll;
    std::function<void(TBaseVirtualTree*, TScrollBarKind bar, bool show)> OnShowScrollbar;
    std::function<void(TBaseVirtualTree*, PVirtualNode, core::Stream&)> OnSaveNode;
    std::function<void(TBaseVirtualTree*, PVirtualNode, core::Stream&)> OnLoadNode;
    std::function<void(TBaseVirtualTree*, TCanvas*)> OnBeforePaint;
    std::function<void(TBaseVirtualTree*, TCanvas*)> OnAfterPaint;
    std::function<void(TBaseVirtualTree*, TCanvas*, const TRect&, bool& handled)> OnPaintBackground;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, const TRect&, bool& customDraw)> OnBeforeItemPaint;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, const TRect&)> OnAfterItemPaint;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, const TRect&)> OnAfterCellPaint;

    // Export events (the string tree's exporters raise them; the node events' results decide
    // whether a node is exported where the exporter asks).
    std::function<bool(TBaseVirtualTree*, TVTExportType, PVirtualNode)> OnBeforeNodeExport;
    std::function<bool(TBaseVirtualTree*, TVTExportType, PVirtualNode)> OnNodeExport;
    std::function<bool(TBaseVirtualTree*, TVTExportType, PVirtualNode)> OnAfterNodeExport;
    std::function<void(TBaseVirtualTree*, TVTExportType, TVirtualTreeColumn*)> OnBeforeColumnExport;
    std::function<void(TBaseVirtualTree*, TVTExportType, TVirtualTreeColumn*)> OnColumnExport;
    std::function<void(TBaseVirtualTree*, TVTExportType, TVirtualTreeColumn*)> OnAfterColumnExport;
    std::function<void(TBaseVirtualTree*, TVTExportType)> OnBeforeTreeExport;
    std::function<void(TBaseVirtualTree*, TVTExportType)> OnAfterTreeExport;
    std::function<void(TBaseVirtualTree*, TVTExportType)> OnBeforeHeaderExport;
    std::function<void(TBaseVirtualTree*, TVTExportType)> OnAfterHeaderExport;

protected:
    // What deleting a tree does: BeginDestruction, then the destructors, then the memory goes. A
    // class that declares its own operator delete (a second base) passes it here.
    static void DeleteTree(TBaseVirtualTree* tree);
    // Deletion calls this before any destructor runs (operator delete above, also when a control
    // is deleted through another base). A tree that is not deleted (a member, a local) comes here
    // from its destructors, each of which calls it first; such a tree must not be left validating
    // when it goes. No event reaches handlers while the tree is taken apart.
    void BeginDestruction();
    // ---- Dispatchers and virtual operations (each event is raised only through its dispatcher) ----
    virtual void DoInitNode(PVirtualNode parent, PVirtualNode node, TVirtualNodeInitStates& initStates);
    virtual bool DoInitChildren(PVirtualNode node, uint32_t& childCount);
    virtual void QueryNodeDataSize(int32_t& size);
    virtual void DoFreeNode(PVirtualNode node);
    virtual void DoReset(PVirtualNode node);
    virtual void DoMeasureItem(TCanvas* canvas, PVirtualNode node, int& nodeHeight);
    virtual void DoNodeMoving(PVirtualNode node, PVirtualNode target, bool& allowed);
    virtual void DoNodeMoved(PVirtualNode node);
    virtual void DoNodeCopying(PVirtualNode node, PVirtualNode target, bool& allowed);
    virtual void DoNodeCopied(PVirtualNode node);
    virtual void DoStructureChange(PVirtualNode node, TChangeReason reason);
    virtual void DoChange(PVirtualNode node);
    virtual void DoUpdating(TVTUpdateState state);
    virtual int DoCompare(PVirtualNode node1, PVirtualNode node2, TColumnIndex column);
    virtual bool DoFocusChanging(PVirtualNode oldNode, PVirtualNode newNode, TColumnIndex oldColumn, TColumnIndex newColumn);
    virtual void DoFocusChange(PVirtualNode node, TColumnIndex column);
    virtual bool DoChecking(PVirtualNode node, TCheckState& newState);
    virtual void DoChecked(PVirtualNode node);
    virtual bool DoExpanding(PVirtualNode node);
    virtual void DoExpanded(PVirtualNode node);
    virtual bool DoCollapsing(PVirtualNode node);
    virtual void DoCollapsed(PVirtualNode node);
    virtual void DoHotChange(PVirtualNode oldNode, PVirtualNode newNode);
    virtual bool IsCellEmpty(PVirtualNode node, TColumnIndex column);
    virtual TCustomImageList* QueryImageIndex(PVirtualNode node, TVTImageKind kind, TColumnIndex column, bool& ghosted, int& index);
    virtual TPopupMenu* QueryPopupMenu(PVirtualNode node, TColumnIndex column, int x, int y);
    virtual bool DoKeyAction(uint16_t& charCode, TShiftState& shift);
    virtual int DoIncrementalSearch(PVirtualNode node, core::StringView text);
    virtual bool DoDragAllowed(PVirtualNode node, TColumnIndex column);
    virtual bool DoCanEdit(PVirtualNode node, TColumnIndex column);
    virtual void DoScroll(int deltaX, int deltaY);
    virtual void ShowScrollBarAndNotify(TScrollBarKind bar, bool show);
    virtual void DoSaveUserData(PVirtualNode node, core::Stream& stream);
    virtual void DoLoadUserData(PVirtualNode node, core::Stream& stream);
    virtual void DoBeforePaint(TCanvas* canvas);
    virtual void DoAfterPaint(TCanvas* canvas);
    virtual bool DoPaintBackground(TCanvas* canvas, const TRect& rect);
    virtual bool DoBeforeItemPaint(TCanvas* canvas, PVirtualNode node, const TRect& itemRect);
    virtual void DoAfterItemPaint(TCanvas* canvas, PVirtualNode node, const TRect& itemRect);
    virtual void DoAfterCellPaint(TCanvas* canvas, PVirtualNode node, TColumnIndex column, const TRect& cellRect);

    // ---- Export dispatchers (tree_export.cpp); the node ones answer true without a handler ----
    virtual bool DoBeforeNodeExport(TVTExportType type, PVirtualNode node);
    virtual bool DoNodeExport(TVTExportType type, PVirtualNode node);
    virtual bool DoAfterNodeExport(TVTExportType type, PVirtualNode node);
    virtual void DoBeforeColumnExport(TVTExportType type, TVirtualTreeColumn* column);
    virtual void DoColumnExport(TVTExportType type, TVirtualTreeColumn* column);
    virtual void DoAfterColumnExport(TVTExportType type, TVirtualTreeColumn* column);
    virtual void DoBeforeTreeExport(TVTExportType type);
    virtual void DoAfterTreeExport(TVTExportType type);
    virtual void DoBeforeHeaderExport(TVTExportType type);
    virtual void DoAfterHeaderExport(TVTExportType type);

    // ---- Node stream steps ----
    virtual void WriteNode(core::Stream& stream, PVirtualNode node);
    virtual void WriteChunks(core::Stream& stream, PVirtualNode node);
    virtual void PatchChunkSize(core::Stream& stream, int64_t chunkStart, int64_t chunkEnd);
    // Reads one node chunk into node, a linked node of this tree (not the root).
    virtual void ReadSubtree(core::Stream& stream, int version, PVirtualNode node);
    virtual void ReadNode(core::Stream& stream, int version, PVirtualNode node);
    // Whether the chunk was handled; the stream is left behind the chunk.
    virtual bool ReadChunk(core::Stream& stream, int version, PVirtualNode node, int32_t chunkType, int32_t chunkSize);
    virtual void SkipNode(core::Stream& stream);

    // ---- Event machinery ----
    virtual void ChangeStates(TVirtualTreeStates enter, TVirtualTreeStates leave);
    virtual void NoteChangeEvent(bool structureChange, PVirtualNode node, TChangeReason reason);
    virtual void NotifyChange(PVirtualNode node);
    virtual void NotifyStructureChange(PVirtualNode node, TChangeReason reason);

    // ---- Node model internals ----
    virtual uint32_t ReserveInternalData(uint32_t size);
    PVirtualNode MakeNewNode();
    void SetChildCountInternal(PVirtualNode node, uint32_t newCount);
    virtual void InitializeNode(PVirtualNode node);
    virtual void InitializeChildren(PVirtualNode node);
    virtual void LinkNode(PVirtualNode node, PVirtualNode destination, TVTNodeAttachMode mode);
    virtual void UnlinkNode(PVirtualNode node, bool keepFocus, bool reindex);
    virtual void FreeNodeRecord(PVirtualNode node);
    void AdjustTotalCount(PVirtualNode node, int64_t value, bool relative);
    void AdjustTotalHeight(PVirtualNode node, int64_t value, bool relative);
    virtual uint32_t CountVisibleChildren(PVirtualNode node) const;
    virtual void UpdateHiddenChildrenFlag(PVirtualNode node);
    virtual void UpdateAllHiddenChildrenFlags();
    // Rebuilds every node's total height and the visible count from the node states.
    void RecountVisibleAndHeights();
    void InterruptValidation();
    void InvalidateCache();
    virtual void RequestValidation();
    virtual bool ValidatePositionCache();
    void ApplyStructureChangeAfterEdit(PVirtualNode node);
    // Structure changes close an open editor; the window control fills the hook.
    void CancelEditing() { CancelEditHook(); }
    virtual void CancelEditHook() {}

    // ---- Selection internals ----
    virtual bool AddNodeToSelection(PVirtualNode node);
    virtual bool AddNodesToSelection(std::vector<PVirtualNode> nodes, bool forceInsert);
    bool InternalAddToSelection(std::vector<uintptr_t>& nodes, int32_t count, bool forceInsert);
    virtual void RemoveFromSelection(PVirtualNode node);
    virtual void UnselectQuietly(PVirtualNode node);
    virtual void DropSelection();
    virtual void ResetRangeAnchor();
    virtual void SelectRange(PVirtualNode startNode, PVirtualNode endNode, bool addOnly = true);
    virtual void ToggleRange(PVirtualNode newStart, PVirtualNode endNode);
    virtual void UnselectRange(PVirtualNode newStart, PVirtualNode endNode);
    virtual bool LocateInSelection(PVirtualNode node, int32_t& index, int32_t low = -1, int32_t high = -1) const;
    virtual void AddTempNode(PVirtualNode node);
    virtual void ClearTempNodes();
    virtual void MarkCutCopySet();
    void PackSelection();
    void MoveFocusTo(PVirtualNode node);

    // ---- View seams (the view applies its own rules, then stores) ----
    void StoreOffsets(int x, int y) { m_offset_x = x, m_offset_y = y; }
    void StoreFocusedColumn(TColumnIndex column) { m_focused_column = column; }
    // Scaling changes the default for new nodes only.
    void StoreDefaultNodeHeight(uint32_t value) { m_default_node_height = value; }
    // Seams of the input half, which moves focus and hot node by its own rules.
    void StoreFocusedNode(PVirtualNode node) { m_focused_node = node; }
    void StoreHotNode(PVirtualNode node) { m_hot_node = node; }
    void StoreLastSelectionLevel(int32_t level) { m_last_selection_level = level; }
    // The drag half's drop target (drag and drop decide it by their own rules).
    void StoreDropTargetNode(PVirtualNode node) { m_drop_target_node = node; }
    // ToggleNode calls this once the change is allowed and before it is made (an expanding node's
    // children exist by then): the view animates the change here.
    virtual void ToggleNodeChanging(PVirtualNode node, bool expanding) { (void)node, (void)expanding; }
    // toThemeAware or toUseExplorerTheme changed on a tree with a window; the window half asks the
    // platform whether themes are on.
    virtual void ThemeOptionsChanged(TVTPaintOptions value);

    // ---- Check internals ----
    virtual TCheckState NextCheckState(TCheckType checkType, TCheckState checkState);
    virtual void ApplyCheckState(PVirtualNode node, TCheckState newState);
    virtual bool PropagateCheckToParent(PVirtualNode node, TCheckState newState);
    bool SetCheckStateInternal(PVirtualNode node, TCheckState value);

private:
    // Value of the data mark byte once the node's user data area was handed out (GetNodeData or a
    // load); 0 before.
    static constexpr uint8_t DataHandedOutMark = 1;
    // The byte of a node block that holds the data mark: the first byte after the user data when
    // the block's rounding leaves room there, otherwise the record's filler byte.
    uint8_t& DataMark(PVirtualNode node) const { return reinterpret_cast<uint8_t*>(node)[m_data_mark_offset]; }
    void* NodeDataOutsideNodes(PVirtualNode node) const;
    void CreateRoot();
    void InitRootFields();
    PVirtualNode NextNodeInOrder(PVirtualNode node, bool doInit, bool considerChildrenAbove);
    PVirtualNode PreviousNodeInOrder(PVirtualNode node, bool doInit, bool considerChildrenAbove);
    PVirtualNode FirstVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool includeHidden, bool doInit);
    PVirtualNode NextVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool doInit);
    PVirtualNode PreviousVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool doInit);
    PVirtualNode LastVisibleChildImpl(PVirtualNode node, bool includeHidden, bool doInit);
    PVirtualNode LastVisibleImpl(PVirtualNode node, bool considerChildrenAbove, bool includeHidden, bool doInit);
    PVirtualNode NextVisibleSiblingImpl(PVirtualNode node, bool includeHidden, bool doInit);
    PVirtualNode PreviousVisibleSiblingImpl(PVirtualNode node, bool includeHidden, bool doInit);
    void FireChange();
    void FireStructureChange();
    void ApplyUserData(PVirtualNode node, void* userData);
    int ReadStreamHeader(core::Stream& stream, bool exactRead);
    void ReadTopLevelNodes(core::Stream& stream, int version, PVirtualNode target);
    // Total count, total height and the hidden-children flag of a subtree just read.
    void RecountLoadedSubtree(PVirtualNode node);
    PVirtualNode NextInSubtree(PVirtualNode run, PVirtualNode top) const;
    // Copies the nodes (source, or its children) after target in another tree through a node
    // stream; the nodes made in the target tree, in stream order.
    std::vector<PVirtualNode> CopyAcross(PVirtualNode source, TBaseVirtualTree* targetTree, PVirtualNode target,
                                         TVTNodeAttachMode mode, bool childrenOnly, bool askCopying);
    // Reorders the children of parent; a compare that raises leaves them as they were.
    void SortChildren(PVirtualNode parent, TColumnIndex column, TSortDirection direction);
    void ReleaseSortedChildren() noexcept;
    // The part of InterruptValidation that stops the worker, without forgetting the sorted order.
    void TakeBackFromWorker();
    // Asks for the node some places after node in its level when that level's order is known.
    void FetchAhead(PVirtualNode node) const;
    // Asks the memory for a node's record and user data ahead of their use.
    void FetchNode(PVirtualNode node) const;
    void ForgetNode(PVirtualNode node);
    void ShowHiddenNodesChanged();
    void CheckNotIterating();
    friend class TCustomVirtualTreeOptions;

    NullWindowPort m_null_port;
    TreeWindowPort* m_port;
    std::unique_ptr<TCustomVirtualTreeOptions> m_options;
    NodePool m_pool;
    PVirtualNode m_root = nullptr;
    void* m_root_block = nullptr;
    int32_t m_node_data_size = -1;
    uint32_t m_total_internal_data_size = 0;
    size_t m_data_mark_offset = offsetof(TVirtualNode, Dummy);   // set with the pool's block size
    uint32_t m_default_node_height = 18;
    uint32_t m_update_count = 0;
    uint32_t m_synch_update_count = 0;
    uint32_t m_visible_count = 0;
    PVirtualNode m_last_structure_change_node = nullptr;
    TChangeReason m_last_structure_change_reason = crIgnore;
    PVirtualNode m_last_changed_node = nullptr;
    uint32_t m_change_delay = 0;
    TVirtualTreeStates m_states = 0;
    std::atomic<bool> m_stop_validation = false;
    bool m_loading = false;
    bool m_destroying = false;
    bool m_thread_reference = false;
    bool m_handed_to_worker = false;   // queued for validation (or being validated) since the last request

    // Selection: entries are node addresses, sorted; the lowest bit marks an entry for removal.
    std::vector<uintptr_t> m_selection;
    int32_t m_selection_count = 0;
    bool m_selection_locked = false;
    PVirtualNode m_range_anchor = nullptr;
    int32_t m_last_selection_level = -1;
    std::vector<uintptr_t> m_temp_node_cache;
    uint32_t m_temp_node_count = 0;

    PVirtualNode m_focused_node = nullptr;
    TColumnIndex m_focused_column = NoColumn;
    PVirtualNode m_hot_node = nullptr;
    PVirtualNode m_drop_target_node = nullptr;
    PVirtualNode m_check_node = nullptr;
    TCheckState m_pending_check_state = csUncheckedNormal;
    PVirtualNode m_last_search_node = nullptr;
    uint32_t m_check_propagation_count = 0;

    TCache m_position_cache;
    uint32_t m_start_index = 0;
    int m_offset_x = 0;
    int m_offset_y = 0;
    TColumnIndex m_sort_column = NoColumn;
    TSortDirection m_sort_direction = sdAscending;
    // The children of m_sorted_parent in the order of the last sort, kept until the next sort or
    // clear: SortTree goes on through it, and walks along that level fetch nodes ahead from it. Any
    // structure change forgets the parent (the validation thread may read it, hence atomic); the
    // array itself changes only while the validation thread is kept out of the tree.
    std::vector<PVirtualNode> m_sorted_children;
    std::atomic<PVirtualNode> m_sorted_parent = nullptr;
};

} // namespace treeview
