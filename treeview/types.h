// Shared types of the virtual tree: the node record, node and tree state bits, enumerations and the
// tree's exception.
#pragma once
#include "core/exception.h"
#include "core/string.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace treeview {

class TBaseVirtualTree;

// Node state bits; the bit numbers are part of the node stream format.
enum TVirtualNodeState : uint16_t {
    vsInitialized = 1u << 0,
    vsChecking = 1u << 1,
    vsCutOrCopy = 1u << 2,
    vsDisabled = 1u << 3,
    vsDeleting = 1u << 4,
    vsExpanded = 1u << 5,
    vsHasChildren = 1u << 6,
    vsVisible = 1u << 7,
    vsSelected = 1u << 8,
    vsInitialUserData = 1u << 9,
    vsAllChildrenHidden = 1u << 10,
    vsClearing = 1u << 11,
    vsMultiline = 1u << 12,
    vsHeightMeasured = 1u << 13,
    vsToggling = 1u << 14,
    vsHidden = 1u << 15,
};
using TVirtualNodeStates = uint16_t;

enum TVirtualNodeInitState : uint8_t {
    ivsDisabled = 1u << 0,
    ivsExpanded = 1u << 1,
    ivsHasChildren = 1u << 2,
    ivsMultiline = 1u << 3,
    ivsSelected = 1u << 4,
};
using TVirtualNodeInitStates = uint8_t;

enum TCheckType : uint8_t { ctNone, ctTriStateCheckBox, ctCheckBox, ctRadioButton, ctButton };
enum TCheckState : uint8_t {
    csUncheckedNormal, csUncheckedPressed, csCheckedNormal, csCheckedPressed, csMixedNormal, csMixedPressed
};

enum TChangeReason : uint8_t {
    crIgnore, crAccumulated, crChildAdded, crChildDeleted, crNodeAdded, crNodeCopied, crNodeMoved
};
enum TVTNodeAttachMode : uint8_t { amNoWhere, amInsertBefore, amInsertAfter, amAddChildFirst, amAddChildLast };
enum TVTUpdateState : uint8_t { usBegin, usBeginSynch, usSynch, usUpdate, usEnd, usEndSynch };
enum TSortDirection : uint8_t { sdAscending, sdDescending };

using TColumnIndex = int32_t;
constexpr TColumnIndex NoColumn = -1;
constexpr TColumnIndex InvalidColumn = -2;

// The node record. Its user data area follows the record and the descendant's internal data (see
// TBaseVirtualTree::GetNodeData); a node is one zero-filled block of the tree's node pool.
struct TVirtualNode {
    uint32_t Index;
    uint32_t ChildCount;
    uint16_t NodeHeight;
    TVirtualNodeStates States;
    uint8_t Align;
    TCheckState CheckState;
    TCheckType CheckType;
    uint8_t Dummy;
    uint32_t TotalCount;
    uint32_t TotalHeight;
    TVirtualNode* Parent;       // null for the root (the root's block records its tree)
    TVirtualNode* PrevSibling;  // the root refers to itself in both sibling links
    TVirtualNode* NextSibling;
    TVirtualNode* FirstChild;
    TVirtualNode* LastChild;
};
static_assert(sizeof(TVirtualNode) == 64, "the record is 24 bytes of fields and five full-width links");
using PVirtualNode = TVirtualNode*;
using TNodeArray = std::vector<PVirtualNode>;

// Node states are written on the GUI thread and read by the validation thread, so every access
// that may overlap a running validation goes through an atomic view of the field.
inline TVirtualNodeStates LoadStates(const TVirtualNode* node)
{
    return std::atomic_ref<TVirtualNodeStates>(const_cast<TVirtualNode*>(node)->States).load(std::memory_order_relaxed);
}
inline bool HasState(const TVirtualNode* node, TVirtualNodeStates states) { return (LoadStates(node) & states) != 0; }
// A look first spares the locked write when it would change nothing.
inline void IncludeStates(TVirtualNode* node, TVirtualNodeStates states)
{
    std::atomic_ref<TVirtualNodeStates> field(node->States);
    if ((field.load(std::memory_order_relaxed) & states) != states)
        field.fetch_or(states, std::memory_order_relaxed);
}
inline void ExcludeStates(TVirtualNode* node, TVirtualNodeStates states)
{
    std::atomic_ref<TVirtualNodeStates> field(node->States);
    if (field.load(std::memory_order_relaxed) & states)
        field.fetch_and(TVirtualNodeStates(~states), std::memory_order_relaxed);
}

// Tree states (55, bit 0 first).
enum TVirtualTreeState : uint64_t {
    tsCancelHintAnimation = 1ull << 0, tsChangePending = 1ull << 1, tsCheckPropagation = 1ull << 2,
    tsCollapsing = 1ull << 3, tsToggleFocusedSelection = 1ull << 4, tsClearPending = 1ull << 5,
    tsClipboardFlushing = 1ull << 6, tsCopyPending = 1ull << 7, tsCutPending = 1ull << 8,
    tsDrawSelPending = 1ull << 9, tsDrawSelecting = 1ull << 10, tsEditing = 1ull << 11,
    tsEditPending = 1ull << 12, tsExpanding = 1ull << 13, tsNodeHeightTracking = 1ull << 14,
    tsNodeHeightTrackPending = 1ull << 15, tsHint = 1ull << 16, tsInAnimation = 1ull << 17,
    tsIncrementalSearching = 1ull << 18, tsIncrementalSearchPending = 1ull << 19, tsIterating = 1ull << 20,
    tsKeyCheckPending = 1ull << 21, tsLeftButtonDown = 1ull << 22, tsLeftDblClick = 1ull << 23,
    tsMouseCheckPending = 1ull << 24, tsMiddleButtonDown = 1ull << 25, tsMiddleDblClick = 1ull << 26,
    tsNeedScale = 1ull << 27, tsNeedRootCountUpdate = 1ull << 28, tsOLEDragging = 1ull << 29,
    tsOLEDragPending = 1ull << 30, tsPainting = 1ull << 31, tsRightButtonDown = 1ull << 32,
    tsRightDblClick = 1ull << 33, tsPopupMenuShown = 1ull << 34, tsScrolling = 1ull << 35,
    tsScrollPending = 1ull << 36, tsSizing = 1ull << 37, tsStopValidation = 1ull << 38,
    tsStructureChangePending = 1ull << 39, tsSynchMode = 1ull << 40, tsThumbTracking = 1ull << 41,
    tsToggling = 1ull << 42, tsUpdateHiddenChildrenNeeded = 1ull << 43, tsUpdating = 1ull << 44,
    tsUseCache = 1ull << 45, tsUserDragObject = 1ull << 46, tsUseThemes = 1ull << 47,
    tsValidating = 1ull << 48, tsValidationNeeded = 1ull << 49, tsVCLDragging = 1ull << 50,
    tsVCLDragPending = 1ull << 51, tsWheelPanning = 1ull << 52, tsWheelScrolling = 1ull << 53,
    tsWindowCreating = 1ull << 54,
};
using TVirtualTreeStates = uint64_t;

// Bits of the change-state message (WM_APP + 32) that the validation thread sends to a tree.
enum TChangeStateBit : uint32_t { csbStopValidation = 1, csbUseCache = 2, csbValidating = 4, csbValidationNeeded = 8 };
TVirtualTreeStates StatesFromMessageBits(uint32_t bits);
uint32_t MessageBitsFromStates(TVirtualTreeStates states);

// The tree's own exception, with help contexts 2000 to 2008.
class EVirtualTreeError : public core::Exception {
public:
    using core::Exception::Exception;
};

// Portable geometry of the window seams.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};
struct TSize {
    int cx = 0, cy = 0;
};

// Types that the window half of the tree supplies; the portable part passes them through.
class TCanvas;
class TPopupMenu;
class TCustomImageList;

enum class TVTImageKind : uint8_t { ikNormal, ikSelected, ikState, ikOverlay };

} // namespace treeview
