// The tree control with its painting and input: the painting pass and the pieces that draw one
// element of a row, the header's painting and mouse handling, keyboard navigation and incremental
// search, mouse presses and click selection, hot tracking, moving the focus, the tree's side of
// editing and node popup menus. It fills the hooks of TVirtualTreeControl; the string tree derives
// from it and draws the cell texts.
#pragma once
#include "treeview/drag_image_win32.h"
#include "treeview/drag_manager_win32.h"
#include "treeview/header_paint_info.h"
#include "treeview/tree_control.h"
#include "treeview/unit_services.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/imagelist.h"
#include "ui/hintwindow.h"
#include "ui/menu.h"
#include "ui/printer.h"
#include <oleacc.h>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace treeview {

// The canvas handed to paint events: a canvas over the row bitmap's device context.
class TCanvas : public ui::Canvas {
public:
    using ui::Canvas::Canvas;
};

// One step of the expand/collapse animation: two areas of the window DC scrolled against each
// other, the uncovered strips filled.
struct TToggleAnimationData {
    HDC DC = nullptr;
    HBRUSH Brush = nullptr;
    RECT R1{}, R2{};
    TToggleAnimationMode Mode1 = tamNoScroll, Mode2 = tamNoScroll;
    double ScaleFactor = 0;
    double MissedSteps = 0;
};

// The popup menus the tree's events hand out.
class TPopupMenu : public ui::PopupMenu {
public:
    using ui::PopupMenu::PopupMenu;
};

// The image lists the tree's image events hand out.
class TCustomImageList : public ui::ImageList {
public:
    using ui::ImageList::ImageList;
};

// ---- Drawing types ----
enum TVTInternalPaintOption : uint8_t {
    poBackground = 1u << 0, poColumnColor = 1u << 1, poDrawFocusRect = 1u << 2, poDrawSelection = 1u << 3,
    poDrawDropMark = 1u << 4, poGridLines = 1u << 5, poMainOnly = 1u << 6, poSelectedOnly = 1u << 7,
};
using TVTInternalPaintOptions = uint8_t;
constexpr TVTInternalPaintOptions WindowPaintOptions = 63;

enum TVTLineType : uint8_t { ltNone, ltBottomRight, ltTopDown, ltTopDownRight, ltRight, ltTopRight, ltLeft, ltLeftBottom };
using TLineImage = std::vector<TVTLineType>;
enum TVTLineStyle : uint8_t { lsCustomStyle, lsDotted, lsSolid };
enum TVTButtonStyle : uint8_t { bsRectangle, bsTriangle };
enum TVTButtonFillMode : uint8_t { fmTreeColor, fmWindowColor, fmShaded, fmTransparent };
enum TVTNodeAlignment : uint8_t { naFromBottom, naFromTop, naProportional };
enum TVTDrawSelectionMode : uint8_t { smDottedRectangle, smBlendedRectangle };
enum TVTLineMode : uint8_t { lmNormal, lmBands };
enum TItemEraseAction : uint8_t { eaColor, eaDefault, eaNone };
enum TVTCellPaintMode : uint8_t { cpmPaint, cpmGetContentMargin };
enum TVTCellContentMarginType : uint8_t { ccmtAllSides, ccmtTopLeftOnly, ccmtBottomRightOnly };

struct TVTImageInfo {
    int Index = -1;
    int XPos = 0, YPos = 0;
    bool Ghosted = false;
    TCustomImageList* Images = nullptr;
};

// What every cell painting step gets.
struct TVTPaintInfo {
    TCanvas* Canvas = nullptr;
    TVTInternalPaintOptions PaintOptions = 0;
    PVirtualNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    TColumnPosition Position = 0;
    TRect CellRect;
    TRect ContentRect;
    int NodeWidth = 0;
    TAlignment Alignment = taLeftJustify;
    TAlignment CaptionAlignment = taLeftJustify;
    TBiDiMode BidiMode = bdLeftToRight;
    TPoint BrushOrigin;
    // Normal, state, check and overlay image.
    std::array<TVTImageInfo, 4> ImageInfo;
};
enum TVTImageInfoIndex : uint8_t { iiNormal, iiState, iiCheck, iiOverlay };

// The header's click events.
enum THeaderHitPosition : uint8_t { hhiNoWhere = 1, hhiOnColumn = 2, hhiOnIcon = 4, hhiOnCheckbox = 8 };
struct TVTHeaderHitInfo {
    int X = 0, Y = 0;
    ui::MouseButton Button = ui::mbLeft;
    ui::ShiftState Shift = 0;
    TColumnIndex Column = NoColumn;
    uint8_t HitPosition = hhiNoWhere;
};

// The in-place editor as the tree sees it.
class IVTEditLink {
public:
    virtual ~IVTEditLink() = default;
    virtual bool PrepareEdit(class TCustomVirtualTreeControl& tree, PVirtualNode node, TColumnIndex column) = 0;
    virtual bool BeginEdit() = 0;
    virtual bool EndEdit() = 0;
    virtual bool CancelEdit() = 0;
    // The editor's rectangle in the tree's client coordinates.
    virtual TRect GetBounds() = 0;
    // Hands a window message to the editor.
    virtual void ProcessMessage(ui::Message& message) = 0;
    virtual void SetBounds(const TRect& rect) = 0;
};

// The tree's hint data, handed to its hint window with the hint (tree_hint.h).
enum TVTTooltipLineBreakStyle : uint8_t { hlbDefault, hlbForceSingleLine, hlbForceMultiLine };
struct TVTHintData {
    class TCustomVirtualTreeControl* Tree = nullptr;
    PVirtualNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    TRect HintRect;           // the owner-draw tree's hint size
    core::String DefaultHint; // shown as it is when not empty
    core::String HintText;
    TBiDiMode BidiMode = bdLeftToRight;
    TAlignment Alignment = taLeftJustify;
    TVTTooltipLineBreakStyle LineBreakStyle = hlbDefault;
};

enum TVTIncrementalSearch : uint8_t { isAll, isNone, isInitializedOnly, isVisibleOnly };
enum TVTSearchDirection : uint8_t { sdForward, sdBackward };
enum TVTSearchStart : uint8_t { ssAlwaysStartOver, ssLastHit, ssFocusedNode };

// Virtual-key codes the tree acts on.
enum : uint16_t {
    VKBack = 8, VKTab = 9, VKEscape = 27, VKSpace = 32, VKPrior = 33, VKNext = 34, VKEnd = 35, VKHome = 36,
    VKLeft = 37, VKUp = 38, VKRight = 39, VKDown = 40, VKApps = 93, VKMultiply = 106, VKAdd = 107,
    VKSubtract = 109, VKDivide = 111, VKF1 = 112, VKF2 = 113,
};

class TCustomVirtualTreeControl : public TVirtualTreeControl {
public:
    using TShiftState = TBaseVirtualTree::TShiftState;

    explicit TCustomVirtualTreeControl(core::Component* owner = nullptr);
    ~TCustomVirtualTreeControl() override;

    // ---- Drawing properties ----
    TVTLineStyle LineStyle() const { return m_line_style; }
    void SetLineStyle(TVTLineStyle value);
    TVTLineMode LineMode() const { return m_line_mode; }
    void SetLineMode(TVTLineMode value) { m_line_mode = value; Invalidate(); }
    TVTButtonStyle ButtonStyle() const { return m_button_style; }
    void SetButtonStyle(TVTButtonStyle value);
    TVTButtonFillMode ButtonFillMode() const { return m_button_fill_mode; }
    void SetButtonFillMode(TVTButtonFillMode value);
    TVTNodeAlignment NodeAlignment() const { return m_node_alignment; }
    void SetNodeAlignment(TVTNodeAlignment value) { m_node_alignment = value; Invalidate(); }
    TVTDrawSelectionMode DrawSelectionMode() const { return m_draw_selection_mode; }
    void SetDrawSelectionMode(TVTDrawSelectionMode value) { m_draw_selection_mode = value; }
    int SelectionCurveRadius() const { return m_selection_curve_radius; }
    void SetSelectionCurveRadius(int value) { m_selection_curve_radius = value; Invalidate(); }
    // Node images: normal (and selected) and state images; null for none. The lists must outlive
    // their use by the tree.
    TCustomImageList* Images() const { return m_images; }
    void SetImages(TCustomImageList* value) { m_images = value; Invalidate(); }
    TCustomImageList* StateImages() const { return m_state_images; }
    void SetStateImages(TCustomImageList* value) { m_state_images = value; Invalidate(); }
    // The background picture (toShowBackground): tiled over the content, or fixed in the window
    // at BackgroundOffsetX/Y with toStaticBackground.
    ui::Bitmap& Background() { return m_background; }
    // The header's font (the tree's font unless set).
    ui::Font& HeaderFont() { return m_header_font; }
    // The header stream's font fields are this font's (header_font_win32.cpp).
    THeaderFontRecord HeaderFontRecord() const override;
    void SetHeaderFontRecord(const THeaderFontRecord& font) override;
    // The narrowest column in which the header, laying the cell out as it paints it (in the header's
    // font, alignment and glyphs included), gives the caption its whole room on one line and keeps the
    // header glyph and the sort glyph inside the margins; 0 for an invalid column.
    int HeaderCaptionWidth(TColumnIndex column);
    // Whether the header is painted in the visual style (the tree uses themes and the window has
    // the header's theme data).
    virtual bool HeaderThemed();

    // ---- Incremental search and editing ----
    TVTIncrementalSearch IncrementalSearch() const { return m_incremental_search; }
    void SetIncrementalSearch(TVTIncrementalSearch value);
    TVTSearchDirection IncrementalSearchDirection() const { return m_search_direction; }
    void SetIncrementalSearchDirection(TVTSearchDirection value) { m_search_direction = value; }
    TVTSearchStart IncrementalSearchStart() const { return m_search_start; }
    void SetIncrementalSearchStart(TVTSearchStart value) { m_search_start = value; }
    uint32_t IncrementalSearchTimeout() const { return m_search_timeout; }
    void SetIncrementalSearchTimeout(uint32_t value) { m_search_timeout = value; }
    const core::String& SearchBuffer() const { return m_search_buffer; }
    TColumnIndex EditColumn() const { return m_edit_column; }
    const std::shared_ptr<IVTEditLink>& EditLink() const { return m_edit_link; }
    bool IsEditing() const { return (TreeStates() & tsEditing) != 0; }
    bool EditNode(PVirtualNode node, TColumnIndex column);
    bool EndEditNode() { return FinishEditing(); }
    bool CancelEditNode() { return CancelEditing(); }
    PVirtualNode CheckNode() const { return m_check_node; }
    TColumnIndex HotColumn() const { return m_hot_column; }
    bool HotNodeButtonHit() const { return m_hot_node_button_hit; }

    // ---- Drag images ----
    // The picture that follows nodes dragged out of this tree, and the one of a dragged header column.
    TVTDragImage& DragImage() { return *m_drag_image; }
    TVTDragImage& ColumnDragImage() { return *m_column_drag_image; }
    // Renders the selected rows around hotSpot (client coordinates) into the drag image, prepared
    // but not yet shown; nothing with diNoImage.
    void PrepareDragImage(TPoint hotSpot, IDataObject* dataObject);

    // ---- OLE drag and drop (tree_drag_win32.cpp) ----
    // Starts a drag of the selection: with dtVCL the class library's drag; with dtOLE, while a
    // button is down, at once (immediate) or once the mouse moved threshold pixels (negative: the
    // system's drag threshold) from the last press.
    void BeginDrag(bool immediate, int threshold = -1) override;
    // An OLE drag is pending or running, or a class-library drag runs.
    bool Dragging() const;
    // The drop target and drop source of this tree, made on first use (OnCreateDragManager may
    // supply one). The tree keeps its reference.
    IVTDragManager* DragManager();
    // Inserts the nodes of a dropped data object at targetNode: a move from a tree of this process
    // is done directly and effect becomes none, so the source deletes nothing; false for amNoWhere
    // and for data without nodes.
    bool ProcessDrop(IDataObject* dataObject, PVirtualNode targetNode, DWORD& effect, TVTNodeAttachMode mode);
    // The effect a drop would have by default for the keys held and the allowed effects.
    virtual DWORD ChooseDropEffect(core::Object* source, ui::ShiftState shift, POINT pt, DWORD allowed);
    // The drop-target steps the drag manager calls (pt in screen coordinates).
    virtual HRESULT HandleOLEDragEnter(DWORD keyState, POINT pt, DWORD& effect);
    HRESULT HandleOLEDragOver(core::Object* source, DWORD keyState, POINT pt, DWORD& effect, TDragState state) override;
    virtual void HandleOLEDragLeave();
    virtual HRESULT HandleOLEDrop(IDataObject* dataObject, DWORD keyState, POINT pt, DWORD& effect);
    bool IsCurrentDropTarget() const override;

    // ---- Painting ----
    // Draws window (tree coordinates: x from the left of the whole content, y from the tree's top)
    // onto target with its top-left corner at targetPoint.
    void PaintTree(ui::Canvas& target, const TRect& window, TPoint targetPoint, TVTInternalPaintOptions options);
    // The header into rect of dc (header coordinates) scrolled by hOffset.
    void PaintHeaderInto(HDC dc, const TRect& rect, int hOffset);
    // Line image of a row (one entry per indentation level) and its select level.
    TLineImage DetermineLineImage(PVirtualNode node, int& selectLevel);
    // Moves the focus to a cell (asking OnFocusChanging), as the keyboard does.
    void FocusCell(PVirtualNode node, TColumnIndex column);
    // Index of a check image: the table over type (tri-state as check box), state, enabled and
    // hot; -1 for ctNone.
    static int CheckImageIndex(TCheckType type, TCheckState state, bool enabled, bool hot);
    int CheckImageIndex(PVirtualNode node);
    // Levels of node2 minus levels of node1.
    int LevelDifference(PVirtualNode node1, PVirtualNode node2) const;
    // The margin OnBeforeCellPaint leaves around a cell's content ((0, 0) without a handler).
    virtual TPoint QueryContentMargin(PVirtualNode node, TColumnIndex column, TVTCellContentMarginType type, TCanvas* canvas);
    // Scrolls the animation's areas by step pixels (R2 scaled) and fills what they uncover.
    virtual bool ToggleCallback(int step, TToggleAnimationData& data);
    // The rubber band in tree coordinates while the mouse selects.
    TRect SelectionRect() const { return m_new_sel_rect; }

    // ---- Hints (tree_hint_win32.cpp) ----
    // The rectangle (client coordinates) the hint shown last belongs to; empty when none.
    const TRect& LastHintRect() const { return m_last_hint_rect; }
    const TVTHintData& HintData() const { return m_hint_data; }
    // The hint window class the tree's hints use.
    virtual ui::HintWindowClass TreeHintWindowClass() const;

    // ---- Accessibility (accessibility_win32.cpp) ----
    IAccessible* Accessible() const { return m_accessible; }
    IAccessible* AccessibleItem() const { return m_accessible_item; }
    void SetAccessible(IAccessible* value);
    void SetAccessibleItem(IAccessible* value);
    const core::String& AccessibleName() const { return m_accessible_name; }
    void SetAccessibleName(core::StringView value) { m_accessible_name = core::String(value); }

    // ---- Printing (tree_print_win32.cpp) ----
    // Prints the whole tree (with the header when printHeader and the header is visible) over as
    // many pages as it needs; nothing without a printer.
    void Print(ui::Printer* printer, bool printHeader);

    // ---- Events ----
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, TVTCellPaintMode, const TRect& cellRect,
                       TRect& contentRect)> OnBeforeCellPaint;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, const TRect&, ui::Color& color,
                       TItemEraseAction& action)> OnBeforeItemErase;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, const TRect&)> OnAfterItemErase;
    std::function<void(TBaseVirtualTree*, TVTLineStyle, uint16_t (&bits)[8])> OnGetLineStyle;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, int& helpContext)> OnGetHelpContext;
    std::function<void(TBaseVirtualTree*, TColumnIndex, ui::ShiftState)> OnColumnClick;
    std::function<void(TBaseVirtualTree*, TColumnIndex, ui::ShiftState)> OnColumnDblClick;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, ui::ShiftState, TPoint& trackPoint, TPoint p,
                       bool& allowed)> OnNodeHeightTracking;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, ui::ShiftState, TPoint p, bool& allowed)>
        OnNodeHeightDblClickResize;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, std::shared_ptr<IVTEditLink>& link)> OnCreateEditor;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex)> OnEdited;
    std::function<void(TBaseVirtualTree*, TColumnIndex)> OnEditCancelled;
    std::function<void(TVTHeader*, const TVTHeaderHitInfo&)> OnHeaderClick;
    std::function<void(TVTHeader*, const TVTHeaderHitInfo&)> OnHeaderDblClick;
    std::function<void(TVTHeader*, ui::MouseButton, ui::ShiftState, int x, int y)> OnHeaderMouseDown;
    std::function<void(TVTHeader*, ui::MouseButton, ui::ShiftState, int x, int y)> OnHeaderMouseUp;
    std::function<void(TVTHeader*, ui::ShiftState, int x, int y)> OnHeaderMouseMove;
    std::function<void(TVTHeader*, TColumnIndex, TColumnPosition oldPosition)> OnHeaderDragged;
    std::function<void(TVTHeader*, TColumnIndex, TPoint dropPosition)> OnHeaderDraggedOut;
    std::function<void(TVTHeader*, TColumnIndex, bool& allowed)> OnHeaderDragging;
    std::function<void(TVTHeader*, TCanvas*, TVirtualTreeColumn*, const TRect&, bool hover, bool pressed,
                       TVTDropMarkMode)> OnHeaderDraw;
    std::function<void(TVTHeader*, THeaderPaintInfo&, THeaderPaintElements& elements)> OnHeaderDrawQueryElements;
    std::function<void(TVTHeader*, THeaderPaintInfo&, THeaderPaintElements elements)> OnAdvancedHeaderDraw;
    // Rings the bell when the incremental search finds nothing (MessageBeep without a handler).
    std::function<void()> Beep;
    // Shows the application's help for a context (F1).
    std::function<void(int helpContext)> ShowHelp;

    // A drag over the tree: whether a drop at pt (client) with mode would be accepted; effect may be
    // changed. Without a handler every position is refused.
    std::function<bool(TBaseVirtualTree*, core::Object* source, ui::ShiftState, TDragState, TPoint, TDropMode,
                       DWORD& effect)> OnDragOver;
    // A drop: formats are the clipboard format numbers the data object offers, in its order.
    std::function<void(TBaseVirtualTree*, core::Object* source, IDataObject*, const std::vector<UINT>& formats,
                       ui::ShiftState, TPoint, DWORD& effect, TDropMode)> OnDragDrop;
    std::function<void(TBaseVirtualTree*, IVTDragManager*& manager)> OnCreateDragManager;

protected:
    // ---- OLE drag as source ----
    virtual void RunOLEDrag(TPoint hotSpot);
    virtual void StartOLEDragLoop(DWORD allowedEffects, IDataObject* dataObject, DWORD& effect);
    // Timer 1: expands the collapsed drop target.
    virtual void ExpandDropTarget();
    bool DragImageAllowed() const { return DragImageKind() != diNoImage; }
    // Renews the source tree's drag image over r (client) and redraws r around it at once.
    virtual void RepaintUnderDragImage(TCustomVirtualTreeControl* sourceTree, RECT r, bool reshowImage,
                                       bool includeFrame);
    // The end of a class-library drag: the pending release of the press is delivered.
    virtual void EndMouseDragging();
    // A drag object supplied at the start of a class-library drag is the tree's drag source; the
    // end of such a drag finishes the press.
    void DoStartDrag(ui::DragObject*& object) override;
    void DoEndDrag(ui::Control* target, int x, int y) override;
    void DoVCLDragDrop(core::Object* source, POINT pt, DWORD effect, TDropMode mode) override;
    void CreateWnd() override;
    void WndProc(ui::Message& message) override;

    // ---- Column drag ----
    // Shows the image of the column pressed at start (screen) following hotSpot (screen).
    void StartColumnDrag(POINT hotSpot, POINT start);
    // Moves the drop target and the column's image for the pointer at p (screen).
    void TrackColumnDrag(POINT p);

    // ---- Hooks of the window control ----
    void PaintTreeArea(ui::Canvas& canvas, const TRect& updateRect) override;
    void PaintHeader(HDC dc, const TRect& rect, int hOffset) override;
    void MousePressed(ui::Message& message, THitInfo& hitInfo) override;
    void MouseReleased(ui::Message& message, const THitInfo& hitInfo) override;
    void MouseDoubleClicked(ui::Message& message, const THitInfo& hitInfo) override;
    void ShowNodePopup(const THitInfo& hitInfo, POINT client) override;
    void FocusChanged(bool focused) override;
    bool HandleHeaderMessage(ui::Message& message) override;
    void TreeTimer(unsigned id) override;
    void KeyDown(WORD& key, ui::ShiftState shift) override;
    void KeyUp(WORD& key, ui::ShiftState shift) override;
    void KeyPress(core::Char& key) override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void TrackHotAfterScroll() override;
    // Scrolls the window's pixels for an expand or collapse (ToggleCallback per step).
    void AnimateToggle(const TToggleAnimationPlan& plan) override;
    void CreateHandle() override;
    void HeaderImagesChanged(TCustomImageList* old) override;
    void Notification(core::Component* component, core::Operation operation) override;
    int PlusButtonWidth() const override { return m_button_size; }
    void ThemeChanged() override;
    // Tree lines are drawn: toShowTreeLines, unless hidden while themed (toHideTreeLinesIfThemed).
    bool TreeLinesShown() const;
    int CheckImageWidth() const override;
    TSize ImageSize(TVTImageKind kind) const override;

    // ---- Hints, accessibility ----
    bool HandleHintMessage(ui::Message& message) override;
    void CancelHint() override;
    void DoFocusChange(PVirtualNode node, TColumnIndex column) override;
    void DoChecked(PVirtualNode node) override;
    void DoExpanded(PVirtualNode node) override;
    void DoCollapsed(PVirtualNode node) override;
    // The main column changed: an open edit is cancelled, accessibility clients hear of a new name.
    void DoMainColumnChanged(TColumnIndex column) override;
    // Tells accessibility clients of a change of the tree (only once an item object exists).
    void NotifyAccessibility(DWORD event);
    LRESULT HandleGetObject(WPARAM wparam, LPARAM lparam) override;

    // ---- Painting steps ----
    virtual void PaintCellBackground(TVTPaintInfo& info, int windowOrgX, int maxWidth);
    virtual void PaintTreeLines(TVTPaintInfo& info, int vAlignment, int indentSize, const TLineImage& lineImage);
    virtual void PaintExpandButton(TCanvas& canvas, PVirtualNode node, const TRect& r, int buttonX, int buttonY);
    virtual void PaintCheckImage(TVTPaintInfo& info);
    virtual void PaintNodeImage(TVTPaintInfo& info, TVTImageInfoIndex imageInfoIndex, bool doOverlay);
    // The image entry of a kind for the cell (index -1 when the cell has none).
    void FillImageInfo(TVTPaintInfo& info, TVTImageKind kind, TVTImageInfoIndex imageInfoIndex, TCustomImageList* defaultImages);
    virtual void PaintNodeContent(TVTPaintInfo& info) { (void)info; }
    virtual void PaintDropMark(TVTPaintInfo& info, const TRect& r);
    virtual void PaintSelectionRect(TCanvas& canvas, int windowOrgX, const TRect& selectionRect, const TRect& targetRect);
    // The next column the pass paints after info's; the string tree widens cells over empty ones.
    virtual TColumnIndex AdjustCellRect(TVTPaintInfo& info);
    virtual int NodeWidthOnCanvas(TCanvas* canvas, PVirtualNode node, TColumnIndex column);
    void DrawDottedHorzLine(TCanvas& canvas, int left, int right, int y);
    void DrawDottedVertLine(TCanvas& canvas, int top, int bottom, int x);
    void PrepareBitmaps(bool buttons, bool lines);
    int VerticalAlignment(PVirtualNode node);
    // Erases a row: colour, selection box or nothing.
    void PaintRowBackground(TVTPaintInfo& info, const TRect& r);

    // ---- Input steps ----
    // The tree's own key handling (after the class library's OnKeyDown).
    virtual void KeyAction(uint16_t key, TShiftState shift);
    // One WM_CHAR unit for the incremental search (a surrogate pair arrives as two).
    void SearchCharacter(char16_t ch);
    virtual void SearchIncrementally(core::StringView character);
    virtual int MatchSearchText(PVirtualNode node, core::StringView searchText);
    virtual void MoveFocusTo(PVirtualNode node, bool ask);
    virtual void StartEditing();
    virtual std::shared_ptr<IVTEditLink> MakeEditLink(PVirtualNode node, TColumnIndex column);
    virtual bool FinishEditing();
    virtual bool CancelEditing();
    void CancelEditHook() override { CancelEditing(); }
    virtual void PlaceEditor();
    virtual void TrackHotNode(int x, int y);
    // Rubber-band selection: selects or deselects (toggles with Ctrl held at the press) the rows
    // whose "in" state differs between the two bands (tree coordinates); true when any changed.
    virtual bool HandleDrawSelection(const TRect& oldRect, const TRect& newRect);
    // Moves the band's corner to the client point; true when the band changed.
    bool UpdateSelectionRect(int x, int y);
    bool UpdateRubberBandAfterScroll(TPoint client) override;
    virtual bool CanEdit(PVirtualNode node, TColumnIndex column);

    // ---- Header steps ----
    virtual void ProcessHeaderClick(TPoint p, ui::MouseButton button, bool force, bool dblClick);
    // Draws a header part of the visual style (1 item, 3 the band right of the items) in a state
    // (1 normal, 2 hot, 3 pressed); false when the style cannot, and the classic look is drawn.
    virtual bool DrawHeaderThemePart(HDC dc, int part, int state, const RECT& r);

private:
    friend class TVirtualTreeHintWindow;
    void KeyNavigation(uint16_t key, TShiftState shift);
    void KeyCommand(uint16_t key, TShiftState shift);
    void ClearSearch();
    PVirtualNode SearchStep(PVirtualNode node, bool forward);
    PVirtualNode SearchWrap(bool forward);
    TColumnIndex FirstFocusableColumn(bool forward);
    void StartCheck(PVirtualNode node);
    // The pass itself, inside tsPainting.
    void PaintRows(ui::Canvas& target, const TRect& window, TPoint targetPoint, TVTInternalPaintOptions options);
    // reverse: a right-to-left row (horizontal pieces run from the middle to x, ltLeft lines stand
    // at x + Indent).
    void DrawLineImageEntry(TCanvas& canvas, TVTLineType type, int x, int y, int h, int v, bool reverse = false);
    // Covers r of dc with the background picture; dcToTree/dcToClient map dc points into the
    // tree's and the window's coordinates.
    void PaintBackgroundPicture(HDC dc, const TRect& r, TPoint dcToTree, TPoint dcToClient);
    bool UseBackground(TVTInternalPaintOptions options);
    void FillBandBelow(ui::Canvas& target, const TRect& area, TVTInternalPaintOptions options, int windowLeft);
    void DrawFlatHeaderButton(TCanvas& canvas, const TRect& r, bool splitter, bool down, bool hover);
    void DrawSortGlyph(TCanvas& canvas, TPoint at, bool ascending, bool themed);
    // Places a header cell's glyph, sort glyph and caption in client (header bitmap coordinates).
    // Measuring lays the caption out on one line and leaves the column untouched.
    void LayoutHeaderCell(TVirtualTreeColumn& column, HDC dc, const TRect& client, bool useHeaderGlyph,
                          bool useSortGlyph, TPoint& glyphPos, TPoint& sortGlyphPos, TRect& textBounds, UINT drawFormat,
                          bool measuring = false);
    void DrawCaptionText(HDC dc, core::StringView caption, TRect bounds, bool enabled, bool hot, UINT drawFormat,
                         bool wrapCaption);

    // Drawing state.
    TCustomImageList* m_images = nullptr;
    TCustomImageList* m_state_images = nullptr;
    TVTLineStyle m_line_style = lsDotted;
    TVTLineMode m_line_mode = lmNormal;
    TVTButtonStyle m_button_style = bsRectangle;
    TVTButtonFillMode m_button_fill_mode = fmTreeColor;
    TVTNodeAlignment m_node_alignment = naProportional;
    TVTDrawSelectionMode m_draw_selection_mode = smDottedRectangle;
    int m_selection_curve_radius = 0;
    int m_button_size = 9;
    ui::Bitmap m_plus_bm, m_minus_bm, m_hot_plus_bm, m_hot_minus_bm;
    HBRUSH m_dotted_brush = nullptr;
    ui::Bitmap m_row_bitmap;
    ui::Bitmap m_background;
    int m_row_top = 0;   // tree y of the row being painted
    ui::Bitmap m_header_bitmap;
    ui::Font m_header_font;
    ui::ChangeLink m_header_image_link;

    // Input state.
    TVTIncrementalSearch m_incremental_search = isNone;
    TVTSearchDirection m_search_direction = sdForward;
    TVTSearchStart m_search_start = ssFocusedNode;
    uint32_t m_search_timeout = 1000;
    core::String m_search_buffer;
    PVirtualNode m_last_search_node = nullptr;
    char16_t m_pending_high_surrogate = 0;
    PVirtualNode m_check_node = nullptr;
    TCheckState m_pending_check_state = csUncheckedNormal;
    std::shared_ptr<IVTEditLink> m_edit_link;
    TColumnIndex m_edit_column = NoColumn;
    TColumnIndex m_hot_column = NoColumn;
    bool m_hot_node_button_hit = false;
    TPoint m_last_click;
    TRect m_new_sel_rect;
    TRect m_last_sel_rect;   // the band the selection was last brought in line with
    bool m_draw_sel_ctrl = false;
    PVirtualNode m_height_track_node = nullptr;
    TColumnIndex m_height_track_column = NoColumn;
    TPoint m_height_track_point;
    TPoint m_drag_start;
    std::unique_ptr<TVTDragImage> m_drag_image{new TVTDragImage(this)};
    std::unique_ptr<TVTDragImage> m_column_drag_image{new TVTDragImage(this)};
    // The tree's reference to its drag manager; a manager that outlives the tree refuses calls.
    struct DragManagerRef {
        IVTDragManager* manager = nullptr;
        ~DragManagerRef();
    } m_drag_manager;
    int m_drag_threshold = 0;
    bool m_automatic_press = false; // a press of automatic drag mode is being handled

    // Hint and accessibility state.
    TVTHintData m_hint_data;
    TRect m_last_hint_rect;
    IAccessible* m_accessible = nullptr;
    IAccessible* m_accessible_item = nullptr;
    core::String m_accessible_name;
};

} // namespace treeview
