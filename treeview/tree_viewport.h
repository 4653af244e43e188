// The tree with a view: header and columns, the tree's view properties, scroll ranges and offsets,
// display rectangles, hit testing, invalidation, scrolling into view and the scroll bar arithmetic.
// Portable: the window is reached only through the TreeWindowPort, so that the host tests drive it
// with a RecordingWindowPort; the window control (tree_control.h) derives from this class.
#pragma once
#include "treeview/header.h"
#include "treeview/view_options.h"
#include "treeview/virtual_tree.h"
#include <memory>

namespace treeview {

enum THitPosition : uint32_t {
    hiAbove = 1u << 0, hiBelow = 1u << 1, hiNowhere = 1u << 2, hiOnItem = 1u << 3, hiOnItemButton = 1u << 4,
    hiOnItemButtonExact = 1u << 5, hiOnItemCheckbox = 1u << 6, hiOnItemIndent = 1u << 7, hiOnItemLabel = 1u << 8,
    hiOnItemLeft = 1u << 9, hiOnItemRight = 1u << 10, hiOnNormalIcon = 1u << 11, hiOnStateIcon = 1u << 12,
    hiToLeft = 1u << 13, hiToRight = 1u << 14, hiUpperSplitter = 1u << 15, hiLowerSplitter = 1u << 16,
};
using THitPositions = uint32_t;

struct THitInfo {
    PVirtualNode HitNode = nullptr;
    THitPositions HitPositions = 0;
    TColumnIndex HitColumn = NoColumn;
};

// Options of one scroll step (ApplyOffset).
enum TScrollUpdateOption : uint8_t {
    suoRepaintHeader = 1u << 0, suoRepaintScrollBars = 1u << 1, suoScrollClientArea = 1u << 2, suoUpdateNCArea = 1u << 3,
};
using TScrollUpdateOptions = uint8_t;
constexpr TScrollUpdateOptions DefaultScrollUpdateFlags = 15;

enum TScrollDirection : uint8_t { sdLeft = 1u << 0, sdRight = 1u << 1, sdUp = 1u << 2, sdDown = 1u << 3 };
using TScrollDirections = uint8_t;

// One step of an animation: (step, stepSize) -> go on. The loop ends with a final call (0, 0).
using TVTAnimationCallback = std::function<bool(int step, int stepSize)>;

// The expand/collapse animation: two areas of the client area (client coordinates) scrolled by
// their amounts of pixels, R1 carrying the larger amount once the plan is handed to AnimateToggle.
enum TToggleAnimationMode : uint8_t { tamScrollUp, tamScrollDown, tamNoScroll };
struct TToggleAnimationPlan {
    TRect R1, R2;
    TToggleAnimationMode Mode1 = tamNoScroll, Mode2 = tamNoScroll;
    int Amount1 = 0, Amount2 = 0;
};

// The scroll requests of WM_VSCROLL/WM_HSCROLL (the platform's SB_* codes).
enum TScrollCode : int {
    scLineUp = 0, scLineDown = 1, scPageUp = 2, scPageDown = 3, scThumbPosition = 4, scThumbTrack = 5, scTop = 6,
    scBottom = 7, scEndScroll = 8,
};

class PublishedHeader;

class TTreeViewport : public TBaseVirtualTree {
public:
    explicit TTreeViewport(TreeWindowPort* port = nullptr);
    ~TTreeViewport() override;

    // ---- View properties ----
    TVTHeader& Header() { return *m_header; }
    const TVTHeader& Header() const { return *m_header; }
    // The header as an object of the property registry, made on first use and owned by the tree.
    PublishedHeader& HeaderObject();
    TScrollBarOptions& ScrollBarOptions() { return m_scroll_bar_options; }
    TVTColors& Colors() { return m_colors; }
    TClipboardFormats& ClipboardFormats() { return m_clipboard_formats; }
    uint32_t Indent() const { return m_indent; }
    void SetIndent(uint32_t value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int TextMargin() const { return m_text_margin; }
    void SetTextMargin(int value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    // Reading order and layout. bdRightToLeft mirrors the whole layout (columns start at the right,
    // horizontal scrolling and keys run the other way); any mode but bdLeftToRight mirrors the
    // cells of column -1 and the columns that follow the tree (coParentBidiMode).
    TBiDiMode BiDiMode() const { return m_bidi_mode; }
    void SetBiDiMode(TBiDiMode value);
    uint32_t BottomSpace() const { return m_bottom_space; }
    void SetBottomSpace(uint32_t value);
    uint32_t AnimationDuration() const { return m_animation_duration; }
    void SetAnimationDuration(uint32_t value);
    uint32_t AutoExpandDelay() const { return m_auto_expand_delay; }
    void SetAutoExpandDelay(uint32_t value) { m_auto_expand_delay = value; }
    uint32_t AutoScrollDelay() const { return m_auto_scroll_delay; }
    void SetAutoScrollDelay(uint32_t value) { m_auto_scroll_delay = value; }
    uint16_t AutoScrollInterval() const { return m_auto_scroll_interval; }
    void SetAutoScrollInterval(uint16_t value) { m_auto_scroll_interval = value; }
    uint32_t EditDelay() const { return m_edit_delay; }
    void SetEditDelay(uint32_t value) { m_edit_delay = value; }
    bool WantTabs() const { return m_want_tabs; }
    void SetWantTabs(bool value) { m_want_tabs = value; }
    uint8_t SelectionBlendFactor() const { return m_selection_blend_factor; }
    void SetSelectionBlendFactor(uint8_t value) { m_selection_blend_factor = value; }
    void SetFocusedColumn(TColumnIndex value);

    // Copies the view's properties from another tree (nodes are not copied, only the root count).
    void AssignView(const TTreeViewport& source);
    // Scaling with the form (multiplier m, divisor d): the default node height and the header font.
    void ChangeScale(int m, int d);

    // ---- Offsets and ranges ----
    void SetOffsetX(int value);
    void SetOffsetY(int value);
    void SetOffsetXY(int x, int y);
    int EffectiveOffsetX() const { return m_effective_offset_x; }
    uint32_t RangeX() const { return m_range_x; }
    uint32_t RangeY() const { return m_range_y; }
    // The central scroll step: clamps, stores, scrolls the window and notifies. True when moved.
    virtual bool ApplyOffset(TPoint value, TScrollUpdateOptions options = DefaultScrollUpdateFlags,
                             const TRect* clipRect = nullptr);
    void UpdateScrollBars(bool doRepaint) override;
    void UpdateVerticalScrollBar(bool doRepaint);
    void UpdateHorizontalScrollBar(bool doRepaint);
    void UpdateRanges();
    // A scroll bar request (WM_VSCROLL / WM_HSCROLL); trackPos is the bar's track position.
    void HandleScrollRequest(TScrollBarKind bar, TScrollCode code, int trackPos);
    // A wheel turn: delta in 120ths of a notch, lines = the system's wheel lines (UINT_MAX: page-wise).
    void HandleWheel(int delta, bool shift, bool ctrl, unsigned lines);

    // ---- Animation and auto-scroll ----
    // Runs callback in steps paced over duration milliseconds (nothing while another runs or for 0).
    void RunAnimation(int steps, uint32_t duration, const TVTAnimationCallback& callback);
    // Whether the mouse near an edge may scroll now (rubber band, drag, wheel panning).
    virtual bool AutoScrollAllowed();
    // Directions to scroll for a client point (empty unless allowed; delayed by AutoScrollDelay).
    TScrollDirections ScrollDirectionsAt(int x, int y);
    // Mouse moves while auto-scrolling is allowed: starts or stops timer 4.
    void AutoScrollAt(int x, int y);
    TScrollDirections ScrollDirections() const { return m_scroll_directions; }
    TPoint LastClickPos() const { return m_last_click_pos; }
    void SetLastClickPos(TPoint p) { m_last_click_pos = p; }
    // The deltas of one timer step: cursor in client coordinates, inside the client area or not, the
    // distance outside it; drops the directions that cannot scroll further.
    TPoint ScrollDeltasAt(TPoint cursor, bool inClient, TPoint outside);

    // ---- Geometry and hit testing ----
    TRect GetDisplayRect(PVirtualNode node, TColumnIndex column, bool textOnly, bool unclipped = false,
                         bool applyCellContentMargin = false);
    PVirtualNode GetNodeAt(int x, int y) { int top = 0; return GetNodeAt(x, y, true, top); }
    PVirtualNode GetNodeAt(int x, int y, bool relative, int& nodeTop);
    virtual void GetHitTestInfoAt(int x, int y, bool relative, THitInfo& hitInfo);
    TRect GetTreeRect() const;
    int GetMaxColumnWidth(TColumnIndex column, bool useSmartColumnWidth = false);
    PVirtualNode TopNode() { return GetNodeAt(0, 0); }
    void SetTopNode(PVirtualNode node);
    PVirtualNode BottomNode();
    void SetBottomNode(PVirtualNode node);
    bool ScrollIntoView(PVirtualNode node, bool center, bool horizontally = false);
    // Expands or collapses with the view's follow-up: frees children with toAutoFreeOnCollapse, keeps
    // the row in place with toChildrenAbove, scrolls the new children into view with
    // toAutoScrollOnExpand.
    void ToggleNode(PVirtualNode node) override;
    virtual void ReinitNode(PVirtualNode node, bool recursive);
    virtual void ReinitChildren(PVirtualNode node, bool recursive);
    // Redraws the node's row at once.
    void RepaintNode(PVirtualNode node);
    bool ScrollIntoView(TColumnIndex column, bool center);
    // Repaint requests in client coordinates (the rows' tops shifted by OffsetY).
    void InvalidateNode(PVirtualNode node) override;
    void InvalidateToBottom(PVirtualNode node) override;
    void InvalidateChildren(PVirtualNode node, bool recursive);
    void InvalidateColumn(TColumnIndex column);
    int ClientWidth() const { return WindowPort().ClientSize().cx; }
    int ClientHeight() const { return WindowPort().ClientSize().cy; }
    bool UseRightToLeftAlignment() const { return m_bidi_mode == bdRightToLeft; }
    bool UseRightToLeftReading() const { return m_bidi_mode != bdLeftToRight; }
    bool UseRightToLeftScrollBar() const { return m_bidi_mode == bdRightToLeft || m_bidi_mode == bdRightToLeftNoAlign; }
    // How far the columns are moved right in a right-to-left layout: columns narrower than the
    // header end at its right edge. Header coordinates, or client coordinates with excludeScrollBar
    // (a vertical scroll bar then stands left of the client area).
    int RightToLeftOffset(bool excludeScrollBar) const;
    // Width of a vertical scroll bar shown left of the client area (0 without one): the header,
    // which spans the bar too, starts that far left of the client area.
    int LeftScrollBarWidth() const;
    // The painted tree's x at client x 0 (tree x = client x + TreeOffsetX()): the scroll position,
    // less the right-to-left shift of narrow columns.
    int TreeOffsetX() const;

    // ---- Long operations ----
    void BeginOperation();
    void EndOperation();
    void CancelOperation();
    bool OperationCanceled() const { return m_operation_canceled && m_operation_count > 0; }

    // ---- Header notifications (called by the header and the columns) ----
    virtual void DoColumnResize(TColumnIndex column);
    virtual void DoMainColumnChanged(TColumnIndex column) {}
    // Whether the tree is being read from a form (its setters only store then).
    bool IsLoading() const { return Loading(); }
    // Repaints part of the header (header coordinates: x from the header's left, y from its top;
    // null: all of it).
    void InvalidateHeaderRect(const TRect* rect) { WindowPort().InvalidateHeader(rect); }
    // The header's rectangle in window coordinates (set by the window half).
    const TRect& HeaderRect() const { return m_header_rect; }
    void SetHeaderRect(const TRect& rect) { m_header_rect = rect; }
    // The header changed its height or visibility: the window recomputes its frame.
    virtual void HeaderFrameChanged() { WindowPort().FrameChanged(); }
    // The reading order changed after the view took the new mode (the window renews its styles).
    virtual void BiDiModeChanged() {}
    // The header's image list changed from old to Header().Images() (the window half follows the
    // list's changes).
    virtual void HeaderImagesChanged(TCustomImageList* old) { (void)old; }
    // The header font as the header stream writes and reads it (the window half maps it onto
    // its header font).
    virtual THeaderFontRecord HeaderFontRecord() const { return m_header_font_record; }
    virtual void SetHeaderFontRecord(const THeaderFontRecord& font) { m_header_font_record = font; }

    // ---- Events of the view ----
    std::function<void(TVTHeader*, TColumnIndex)> OnColumnResize;
    std::function<void(TVTHeader*, TSmartAutoFitType&)> OnBeforeAutoFitColumns;
    std::function<void(TVTHeader*)> OnAfterAutoFitColumns;
    std::function<void(TVTHeader*, TColumnIndex, TSmartAutoFitType&, bool& allowed)> OnBeforeAutoFitColumn;
    std::function<void(TVTHeader*, TColumnIndex)> OnAfterAutoFitColumn;
    std::function<void(TVTHeader*, TColumnIndex, bool& useSmartColumnWidth)> OnBeforeGetMaxColumnWidth;
    std::function<void(TVTHeader*, TColumnIndex, int& maxWidth)> OnAfterGetMaxColumnWidth;
    std::function<void(TVTHeader*, TColumnIndex, TPoint, bool& allowed)> OnColumnWidthDblClickResize;
    std::function<void(TVTHeader*, TColumnIndex)> OnBeforeColumnWidthTracking;
    std::function<void(TVTHeader*, TColumnIndex)> OnAfterColumnWidthTracking;
    std::function<void(TVTHeader*, TColumnIndex, TPoint& trackPoint, TPoint p, bool& allowed)> OnColumnWidthTracking;
    std::function<void(TVTHeader*, TPoint, TColumnIndex, bool& allowed)> OnCanSplitterResizeColumn;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, int& extraWidth)> OnGetNodeExtraWidth;

protected:
    // ---- Seams of the painting half (images and text metrics of a cell) ----
    // Size of one image of a kind (0 when the tree has no such images); ikNormal/ikState.
    virtual TSize ImageSize(TVTImageKind kind) const;
    // Width of the check images (0 without any).
    virtual int CheckImageWidth() const { return 0; }
    // Width of the expand button images.
    virtual int PlusButtonWidth() const { return 9; }
    // Width of a node's text in a column (the string tree measures its caption).
    virtual int DoGetNodeWidth(PVirtualNode node, TColumnIndex column) { return 0; }
    virtual int DoGetNodeExtraWidth(PVirtualNode node, TColumnIndex column);
    virtual void HitPositionLeftToRight(THitInfo& hitInfo, int offset, TAlignment alignment, int right);
    virtual void HitPositionRightToLeft(THitInfo& hitInfo, int offset, TAlignment alignment, int right);
    // Milliseconds of a monotonic clock (the animation and the auto-scroll delay).
    virtual uint32_t TickMilliseconds() const;
    // Whether this tree is the current drop target of a drag, or the control under a client point.
    virtual bool IsCurrentDropTarget() const { return false; }
    virtual bool IsControlAt(int x, int y) const { (void)x, (void)y; return true; }
    // A drag that enters waits the whole auto-scroll delay again, whatever an earlier one left.
    void ResetDragScrollStart() { m_drag_scroll_start = 0; }
    // Runs the toggle animation of a plan (the window half scrolls the window's pixels); steps of
    // Amount1 pixels (Amount2 when R1 does not scroll) over AnimationDuration.
    virtual void AnimateToggle(const TToggleAnimationPlan& plan) { (void)plan; }
    void ToggleNodeChanging(PVirtualNode node, bool expanding) override;
    // Hot tracking after a scroll (the mouse half fills it in).
    virtual void TrackHotAfterScroll() {}
    virtual void CancelHint() {}
    bool ShowsImage(PVirtualNode node, TVTImageKind kind, TColumnIndex column);
    // The scroll position (EffectiveOffsetX) of an OffsetX.
    int EffectiveOffsetFor(int offsetX) const;
    int NodeIndentation(PVirtualNode node) const;

private:
    void PlanCollapseAnimation(PVirtualNode node);
    void PlanExpandAnimation(PVirtualNode node);
    void StartToggleAnimation(TToggleAnimationPlan plan);

    std::unique_ptr<TVTHeader> m_header;
    std::unique_ptr<PublishedHeader> m_published_header;
    THeaderFontRecord m_header_font_record;
    TScrollBarOptions m_scroll_bar_options;
    TVTColors m_colors;
    TClipboardFormats m_clipboard_formats;
    uint32_t m_indent = 18;
    int m_margin = 4;
    int m_text_margin = 4;
    TAlignment m_alignment = taLeftJustify;
    TBiDiMode m_bidi_mode = bdLeftToRight;
    uint32_t m_bottom_space = 0;
    uint32_t m_animation_duration = 200;
    uint32_t m_auto_expand_delay = 1000;
    uint32_t m_auto_scroll_delay = 1000;
    uint16_t m_auto_scroll_interval = 1;
    uint32_t m_edit_delay = 1000;
    bool m_want_tabs = false;
    uint8_t m_selection_blend_factor = 128;
    int m_effective_offset_x = 0;
    uint32_t m_range_x = 0;
    uint32_t m_range_y = 0;
    TRect m_header_rect;
    TScrollDirections m_scroll_directions = 0;
    uint32_t m_drag_scroll_start = 0;
    TPoint m_last_click_pos;
    uint32_t m_operation_count = 0;
    bool m_operation_canceled = false;
    // The advanced collapse animation moved the rows above the node: the whole window repaints.
    bool m_toggle_repaint_all = false;
};

} // namespace treeview
