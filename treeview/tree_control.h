// The virtual tree as a window control: a custom control of the class library whose window hosts the
// portable tree (TTreeViewport). It makes the window and its frame (border, bevel and the header
// in the non-client area), routes the window messages to the tree and implements the TreeWindowPort.
// Painting, mouse, keyboard navigation, focus handling and the header's mouse interaction plug in
// through the protected hooks below (see treeview/README.md).
#pragma once
#include "treeview/tree_viewport.h"
#include "treeview/unit_services.h"
#include "ui/dragsource.h"
#include "ui/customcontrol.h"
#include <oleidl.h>
#include <uxtheme.h>

namespace treeview {

enum TBorderStyle : uint8_t { bsNone, bsSingle };
enum TBevelKind : uint8_t { bkNone, bkTile, bkSoft, bkFlat };
enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelEdge : uint8_t { beLeft = 1, beTop = 2, beRight = 4, beBottom = 8 };
using TBevelEdges = uint8_t;

enum TDragOperation : uint8_t { doCopy = 1u << 0, doMove = 1u << 1, doLink = 1u << 2 };
using TDragOperations = uint8_t;
enum TVTDragType : uint8_t { dtOLE, dtVCL };
enum TVTDragImageKind : uint8_t { diComplete, diMainColumnOnly, diNoImage };
enum THintAnimationType : uint8_t { hatNone, hatFade, hatSlide, hatSystemDefault };
enum TVTHintMode : uint8_t { hmDefault, hmHint, hmHintAndDefault, hmTooltip };

// The drop mark's place relative to the drop target.
enum TDropMode : uint8_t { dmNowhere, dmAbove, dmOnNode, dmBelow };

// Drags of the class library (not OLE) come as CM_DRAG (ui/dragsource.h); enter and move answer
// non-zero when the tree accepts, find-target answers the ui::Control* under the point.
constexpr UINT CM_DRAG = ui::CM_DRAG;
enum TDragMessage : uint8_t { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
using TDragObject = ui::DragObject;
using TDragRec = ui::DragRec;

// The validation thread's state request (wParam: states to enter, lParam: states to leave).
constexpr UINT WM_CHANGESTATE = WM_APP + 32;
// Answered 1: the class library asks whether the control is a tree of this kind.
constexpr UINT CM_ISVIRTUALTREE = 0xB000 + 2000;

class TVirtualTreeControl : public ui::CustomControl, public TTreeViewport {
public:
    explicit TVirtualTreeControl(core::Component* owner = nullptr);
    ~TVirtualTreeControl() override;
    // The tree is this class's second base: deleting goes through the tree's deletion from here,
    // where the object starts.
    static void operator delete(TVirtualTreeControl* control, std::destroying_delete_t) { DeleteTree(control); }
    static void* operator new(std::size_t size) { return TBaseVirtualTree::operator new(size); }
    static void operator delete(void* block) { TBaseVirtualTree::operator delete(block); }

    // ---- Properties of the frame ----
    TBorderStyle BorderStyle() const { return m_border_style; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return m_ctl3d; }
    void SetCtl3D(bool value);
    TBevelKind BevelKind() const { return m_bevel_kind; }
    void SetBevelKind(TBevelKind value);
    TBevelCut BevelInner() const { return m_bevel_inner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return m_bevel_outer; }
    void SetBevelOuter(TBevelCut value);
    TBevelEdges BevelEdges() const { return m_bevel_edges; }
    void SetBevelEdges(TBevelEdges value);
    int BevelWidth() const { return m_bevel_width; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return m_border_width; }
    void SetBorderWidth(int value);
    ui::Cursor HotCursor() const { return m_hot_cursor; }
    void SetHotCursor(ui::Cursor value) { m_hot_cursor = value; }

    // ---- Plain properties of the other halves (drag, hints, paste, background) ----
    TDragOperations DragOperations() const { return m_drag_operations; }
    void SetDragOperations(TDragOperations value) { m_drag_operations = value; }
    TVTDragType DragType() const { return m_drag_type; }
    void SetDragType(TVTDragType value) { m_drag_type = value; }
    TVTDragImageKind DragImageKind() const { return m_drag_image_kind; }
    void SetDragImageKind(TVTDragImageKind value) { m_drag_image_kind = value; }
    int DragHeight() const { return m_drag_height; }
    void SetDragHeight(int value) { m_drag_height = value; }
    int DragWidth() const { return m_drag_width; }
    void SetDragWidth(int value) { m_drag_width = value; }
    THintAnimationType HintAnimation() const { return m_hint_animation; }
    void SetHintAnimation(THintAnimationType value) { m_hint_animation = value; }
    TVTHintMode HintMode() const { return m_hint_mode; }
    void SetHintMode(TVTHintMode value) { m_hint_mode = value; }
    TVTNodeAttachMode DefaultPasteMode() const { return m_default_paste_mode; }
    void SetDefaultPasteMode(TVTNodeAttachMode value) { m_default_paste_mode = value; }
    int BackgroundOffsetX() const { return m_background_offset_x; }
    void SetBackgroundOffsetX(int value);
    int BackgroundOffsetY() const { return m_background_offset_y; }
    void SetBackgroundOffsetY(int value);
    // The check images: the shared list of the kind, or CustomCheckImages for ckCustom.
    TCheckImageKind CheckImageKind() const { return m_check_image_kind; }
    void SetCheckImageKind(TCheckImageKind value);
    ui::ImageList* CustomCheckImages() const { return m_custom_check_images; }
    void SetCustomCheckImages(ui::ImageList* value);
    ui::ImageList* CheckImages() const { return m_check_images; }
    // The drop mark's place relative to the drop target (set by drag and drop).
    TDropMode LastDropMode() const { return m_last_drop_mode; }
    void SetLastDropMode(TDropMode value) { m_last_drop_mode = value; }

    // ---- Events of the window ----
    std::function<void(TVirtualTreeControl*, ui::Cursor&)> OnGetCursor;

    // ---- Names both bases have ----
    void Invalidate() override;
    bool CanFocus() const override;
    using TBaseVirtualTree::Destroying;
    using TTreeViewport::ClientHeight;
    using TTreeViewport::ClientWidth;

    // The end of form loading: the stored root nodes are made, the columns settle.
    void Loaded() override;

    // Copies another tree's properties (window, frame and view); nodes are not copied.
    void Assign(const TVirtualTreeControl& source);

    // ---- Font watch: text painting notices font changes made by event handlers ----
    void HookCanvasFont(ui::Canvas& canvas);
    void UnhookCanvasFont(ui::Canvas& canvas);
    bool FontChangedFlag() const { return m_font_changed; }
    void ClearFontChangedFlag() { m_font_changed = false; }

    // ---- Frame geometry ----
    // The frame's thickness as negative numbers (for inflating a rectangle).
    TSize BorderDimensions() const;
    void UpdateHeaderRect();
    void HeaderFrameChanged() override;
    void BiDiModeChanged() override;

    // ---- Scrolling by key (the scrolling part of the keyboard: Ctrl+arrows, Ctrl+Home/End, ...) ----
    // Scrolls for a key that scrolls the view without moving the focus; false when the key is no such key.
    bool ScrollByKey(WORD key, ui::ShiftState shift);

    // ---- Wheel panning ----
    // Opens the panning window at a client point and scrolls towards the pointer until it ends.
    void BeginWheelPanning(POINT position);
    void EndWheelPanning();
    void UpdatePanningCursor(int x, int y);
    HWND PanningWindow() const { return m_panning_window; }

    // ---- Tree-view compatibility: answers TVM_GETITEMW/TVM_GETITEMRECT/TVM_GETNEXTITEM ----
    // An item handle is a node of this tree; anything else is answered as no item.
    PVirtualNode NodeFromItemHandle(LPARAM item);

    // Calls the tree made to the system's SetTimer and KillTimer (a figure for tests).
    uint64_t SystemTimerCalls() const;

    // The nodes of an OLE drag of this tree in tree order (empty outside one); freed nodes leave it.
    const TNodeArray& DragSelection() const { return m_drag_selection; }

    // ---- OLE transfer (tree_transfer_win32.cpp) ----
    // Pastes the clipboard's nodes at the focused node; false for a read-only tree or data
    // without nodes. No clipboard data object raises EVirtualTreeError 2007.
    virtual bool PasteFromClipboard();
    bool ProcessOLEData(TVirtualTreeControl* source, IDataObject* dataObject, PVirtualNode targetNode,
                        TVTNodeAttachMode mode, bool optimized);
    // The formats this tree offers: the registered ones its class renders and ClipboardFormats
    // allows, then what OnGetUserClipboardFormats makes of them.
    virtual void NativeClipboardFormats(std::vector<FORMATETC>& formats);
    virtual HRESULT RenderData(const FORMATETC& formatIn, STGMEDIUM& medium, bool forClipboard);
    // The tree of this process that made a data object, or null.
    TVirtualTreeControl* TreeOfDataObject(IDataObject* dataObject);
    // A new data object (OnCreateDataObject, else the tree's own); the caller holds one reference.
    IDataObject* CreateDataObject(bool forClipboard);
    std::function<void(TBaseVirtualTree*, std::vector<FORMATETC>&)> OnGetUserClipboardFormats;
    std::function<void(TBaseVirtualTree*, const FORMATETC&, STGMEDIUM&, bool forClipboard, HRESULT& result)> OnRenderOLEData;
    std::function<void(TBaseVirtualTree*, IDataObject*& dataObject)> OnCreateDataObject;

protected:
    // ---- Window creation and loading ----
    void CreateParams(ui::CreateParamsRec& params) override;
    void CreateWnd() override;

    // A component the tree refers to goes away: the reference is dropped.
    void Notification(core::Component* component, core::Operation operation) override;

    // ---- Message handling ----
    void WndProc(ui::Message& message) override;
    void PaintWindow(HDC dc) override;
    bool DoMouseWheel(ui::ShiftState shift, int delta, POINT mouse) override;
    void Resize() override;
    // Ctrl with the arrow, page and Home/End keys scrolls (ScrollByKey); the keyboard half extends it.
    void KeyDown(WORD& key, ui::ShiftState shift) override;
    void DoScroll(int deltaX, int deltaY) override;

    // ---- Hooks of the painting, input and header halves (defaults: plain background, no input) ----
    // WM_PAINT: paints updateRect (client coordinates) of the tree. The default fills it with the
    // tree's colour.
    virtual void PaintTreeArea(ui::Canvas& canvas, const TRect& updateRect);
    // WM_NCPAINT: paints the header into rect (window coordinates on the window's device context),
    // scrolled by hOffset. The default draws flat cells with the captions.
    virtual void PaintHeader(HDC dc, const TRect& rect, int hOffset);
    // Paints bevel and border in the non-client area.
    virtual void PaintBorder(HDC windowDC);
    // Mouse buttons in the client area, after the button state and the class library's events: the
    // left button always, the right one with toRightClickSelect, the middle one with
    // toMiddleClickSelect when no wheel panning starts. hitInfo is the hit test at the message's point.
    virtual void MousePressed(ui::Message& message, THitInfo& hitInfo) { (void)message, (void)hitInfo; }
    virtual void MouseReleased(ui::Message& message, const THitInfo& hitInfo) { (void)message, (void)hitInfo; }
    virtual void MouseDoubleClicked(ui::Message& message, const THitInfo& hitInfo) { (void)message, (void)hitInfo; }
    // The right button went up without a popup menu: the node popup (Part of the focus half).
    virtual void ShowNodePopup(const THitInfo& hitInfo, POINT client) { (void)hitInfo, (void)client; }
    // Focus arrived or left, after the tree's own reaction (repaint).
    virtual void FocusChanged(bool focused) { (void)focused; }
    // The header's mouse handling: offered every message first; true when it took it. The default
    // handles column width tracking and the double-click fit of a column border.
    virtual bool HandleHeaderMessage(ui::Message& message);
    // Timers of the other halves: 1 expand, 2 edit, 7 incremental search.
    virtual void TreeTimer(unsigned id);
    // WM_SETCURSOR over the client area: the plain cursor to show. Over a row edge with
    // toNodeHeightResize the row splitter shows instead, over the hot node with toHotTrack the
    // HotCursor; OnGetCursor has the last word.
    virtual ui::Cursor CursorAt(POINT client) { (void)client; return Cursor(); }
    HCURSOR CursorHandleAt(POINT client);
    // The node's text for the tree-view compatibility messages (the string tree answers its text).
    virtual core::String ItemText(PVirtualNode node) { (void)node; return {}; }
    // Wheel panning and auto-scroll stepping (timer 4).
    virtual void ScrollOnTimer();
    // ---- Visual themes ----
    // Whether the platform's visual themes are on for this program.
    virtual bool ThemesEnabled() const;
    // The theme data of a class ("TREEVIEW" for the tree's own parts, "BUTTON" for check boxes,
    // "HEADER" for the header's cells), opened on first use while the tree uses themes
    // (tsUseThemes); null otherwise. The handles are closed when the theme or the theme options
    // change and with the window.
    HTHEME ThemeData(const wchar_t* themeClass);
    // The explorer look is used: themes in use, toUseExplorerTheme, a system of the explorer theme.
    bool UsesExplorerTheme() const;
    // Themes were switched on or off, or the theme changed: the button images follow.
    virtual void ThemeChanged() {}
    void ThemeOptionsChanged(TVTPaintOptions value) override;
    // ---- Drag and drop steps (the drag half fills them in) ----
    // A drag over the tree (pt in screen coordinates): decides drop target, LastDropMode and the
    // effect (DROPEFFECT_*); the default refuses every position.
    virtual HRESULT HandleOLEDragOver(core::Object* source, DWORD keyState, POINT pt, DWORD& effect, TDragState state);
    // The drop of a class-library drag onto DropTargetNode() with the mode and effect its last
    // move left; the default does nothing.
    virtual void DoVCLDragDrop(core::Object* source, POINT pt, DWORD effect, TDropMode mode);
    // After an auto-scroll step while mouse selecting: follows the band to the pointer (client
    // point); true when the selection changed.
    virtual bool UpdateRubberBandAfterScroll(TPoint client) { (void)client; return false; }
    bool IsControlAt(int x, int y) const override;

    // ---- TreeWindowPort pieces that descendants may refine ----
    int TextHeight() const;
    int TextWidth(core::StringView text) const;
    // What the clipboard holds, as OLE hands it out; a failure or no object makes a paste fail.
    virtual HRESULT GetClipboardDataObject(IDataObject** data);

    // ---- Hints and accessibility (the painting half fills them in) ----
    // CM_HINTSHOW, CM_HINTSHOWPAUSE, CM_MOUSELEAVE and WM_NCDESTROY pass here first; true when
    // the message is answered.
    virtual bool HandleHintMessage(ui::Message& message) { (void)message; return false; }
    // WM_GETOBJECT.
    virtual LRESULT HandleGetObject(WPARAM wparam, LPARAM lparam) { (void)wparam, (void)lparam; return 0; }

    // ---- Tree-view messages ----
    LRESULT HandleGetItem(LPARAM lparam);
    LRESULT HandleGetItemRect(WPARAM wparam, LPARAM lparam);
    LRESULT HandleGetNextItem(WPARAM wparam, LPARAM lparam);

    // Filled by the drag half for the length of an OLE drag of this tree.
    TNodeArray m_drag_selection;

private:
    class Port;
    void HandleScrollMessage(ui::Message& message, TScrollBarKind bar);
    void HandleButton(ui::Message& message);
    void HandleNCPaint(ui::Message& message);
    // The client area painted into a DC of the whole window, at the client's place in it.
    void PrintClientArea(HDC dc);
    void HandleSize(ui::Message& message);
    void HandleTimer(ui::Message& message);
    void HandleDragMessage(ui::Message& message);
    // Enters or leaves tsUseThemes for the options and the platform; gives the window the explorer
    // theme when asked for.
    void UpdateThemeState();
    void CloseThemes();
    void PaintThemedBorder(HDC windowDC);
    void FreeNodeRecord(PVirtualNode node) override;
    void RedrawFrame();
    THitInfo HitAt(LPARAM lparam);

    static LRESULT CALLBACK PanningWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

    std::unique_ptr<Port> m_port;
    std::function<void()> m_old_font_change;
    bool m_font_hooked = false;
    bool m_size_pending = false; // a size change arrived while one was being handled
    bool m_font_changed = false;
    HWND m_panning_window = nullptr;
    HBITMAP m_panning_image = nullptr;
    HCURSOR m_panning_cursor = nullptr;
    TBorderStyle m_border_style = bsSingle;
    bool m_ctl3d = true;
    TBevelKind m_bevel_kind = bkNone;
    TBevelCut m_bevel_inner = bvRaised;
    TBevelCut m_bevel_outer = bvLowered;
    TBevelEdges m_bevel_edges = beLeft | beTop | beRight | beBottom;
    int m_bevel_width = 1;
    int m_border_width = 0;
    ui::Cursor m_hot_cursor = ui::crDefault;
    TDragOperations m_drag_operations = doCopy | doMove;
    TVTDragType m_drag_type = dtOLE;
    TVTDragImageKind m_drag_image_kind = diComplete;
    int m_drag_height = 350;
    int m_drag_width = 200;
    THintAnimationType m_hint_animation = hatSystemDefault;
    TVTHintMode m_hint_mode = hmDefault;
    TVTNodeAttachMode m_default_paste_mode = amAddChildLast;
    int m_background_offset_x = 0;
    int m_background_offset_y = 0;
    TCheckImageKind m_check_image_kind = ckSystemDefault;
    ui::ImageList* m_custom_check_images = nullptr;
    ui::ImageList* m_check_images = nullptr;
    TDropMode m_last_drop_mode = dmNowhere;
    HTHEME m_tree_theme = nullptr;
    HTHEME m_button_theme = nullptr;
    HTHEME m_header_theme = nullptr;
    // What the last drag step of a class-library drag left: restored for its drop, which comes
    // after the leave that clears the drop target.
    PVirtualNode m_drag_drop_target = nullptr;
    DWORD m_drag_effect = 0;
};

} // namespace treeview
