// Top-level windows: border style and icons, position, always-on-top, showing normally or modally
// with a modal result, closing with a query, key preview, default and cancel buttons (Enter and Esc),
// the main menu and the form events.
#pragma once

#include "ui/wincontrol.h"

namespace ui {

class MainMenu;
class PopupMenu;
class Button;

enum FormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum BorderIconFlag : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using BorderIcons = unsigned;
enum Position { poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
// fsMDIForm: a frame whose system "MDICLIENT" window holds the fsMDIChild forms.
enum FormStyle { fsNormal, fsStayOnTop, fsMDIChild, fsMDIForm };
enum TileMode { tbHorizontal, tbVertical };
enum CloseAction { caNone, caHide, caFree, caMinimize };
enum WindowState { wsNormal, wsMinimized, wsMaximized };

using CloseEvent = std::function<void(core::Object* sender, CloseAction& action)>;
using CloseQueryEvent = std::function<void(core::Object* sender, bool& canClose)>;
// Limits of the form's size; 0 means no limit.
struct SizeConstraints {
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

using ShortCutEvent = std::function<void(WORD key, ShiftState shift, bool& handled)>;

class Form : public WinControl {
public:
    explicit Form(core::Component* owner = nullptr);
    ~Form() override;

    // Runs OnCreate once the derived constructor has finished (CreateForm calls it; forms made with
    // new call it themselves). Later calls do nothing.
    void AfterConstruction();

    // ---- Properties ----
    FormBorderStyle BorderStyle() const { return m_border_style; }
    void SetBorderStyle(FormBorderStyle style);
    BorderIcons GetBorderIcons() const { return m_border_icons; }
    void SetBorderIcons(BorderIcons icons);
    ui::Position Position() const { return m_position; }
    void SetPosition(ui::Position position) { m_position = position; }
    ui::FormStyle FormStyle() const { return m_form_style; }
    void SetFormStyle(ui::FormStyle style);
    ui::WindowState WindowState() const;
    void SetWindowState(ui::WindowState state);
    bool KeyPreview() const { return m_key_preview; }
    void SetKeyPreview(bool value) { m_key_preview = value; }
    int GetModalResult() const { return m_modal_result; }
    void SetModalResult(int result) { m_modal_result = result; }
    bool Modal() const { return m_modal; }
    bool Active() const;
    WinControl* ActiveControl() const { return m_active_control; }
    void SetActiveControl(WinControl* control);
    MainMenu* Menu() const { return m_menu; }
    void SetMenu(MainMenu* menu);
    void SetClientSize(int width, int height) override;
    void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
    void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
    // Buttons that Enter and Esc press (set through Button::SetDefault / SetCancel).
    Button* DefaultButton() const { return m_default_button; }
    Button* CancelButton() const { return m_cancel_button; }
    void SetVisible(bool visible) override;
    bool Showing() const override;
    // Space between the client edge and the aligned children.
    int BorderWidth() const { return m_border_width; }
    void SetBorderWidth(int value);
    const SizeConstraints& Constraints() const { return m_constraints; }
    void SetConstraints(const SizeConstraints& value) { m_constraints = value; }
    // A layered window of the given opacity while AlphaBlend is on.
    bool AlphaBlend() const { return m_alpha_blend; }
    void SetAlphaBlend(bool value);
    BYTE AlphaBlendValue() const { return m_alpha_value; }
    void SetAlphaBlendValue(BYTE value);
    // The caption's icon (not owned); null keeps the program's own.
    HICON Icon() const { return m_icon; }
    void SetIcon(HICON icon);
    // The menu a right click (WM_CONTEXTMENU) on the form shows; not owned.
    ui::PopupMenu* PopupMenu() const { return m_popup_menu; }
    void SetPopupMenu(ui::PopupMenu* menu) { m_popup_menu = menu; }
    // Set while the form is being shown (the showing-changed notification runs).
    bool ShowingPhase() const { return m_showing_phase; }
    // The canvas OnPaint draws on; valid only while OnPaint runs.
    ui::Canvas* Canvas() const { return m_canvas; }

    // ---- MDI ----
    // The "MDICLIENT" window of an MDI frame (null for other forms or before the window exists).
    HWND ClientHandle() const { return m_client_handle; }
    // The frame an MDI child lives in: its owner when that is an MDI frame, else the main form.
    Form* MDIParent() const;
    Form* ActiveMDIChild() const;
    // Children of the client window in z-order (the active one first).
    int MDIChildCount() const;
    Form* MDIChildren(int index) const;
    ui::TileMode TileMode() const { return m_tile_mode; }
    void SetTileMode(ui::TileMode mode) { m_tile_mode = mode; }
    void Cascade();
    void Tile();
    void ArrangeIcons();
    void Next();
    void Previous();
    // The menu bar of an MDI frame again, with the active child's menu merged in: a child's items
    // replace the frame's items of the same GroupIndex; other child groups go in group order.
    void MergeMDIMenus();

    // ---- Operations ----
    void Show();
    // Shows the form, disables the other windows of the program and handles messages until the
    // modal result is set (a button with a modal result, Close, Esc on a cancel button). Returns it.
    int ShowModal();
    // Asks OnCloseQuery, raises OnClose and acts on its action; closing the main form ends the
    // application, closing a modal form ends its modal loop with mrCancel.
    void Close();
    bool CloseQuery();
    // Frees the form once the messages already queued have been handled.
    void Release();
    // Handles a menu shortcut of the form's menus; true when one acted.
    virtual bool IsShortCut(WORD key, ShiftState shift);
    void FocusControl(WinControl* control);

    // ---- Events ----
    NotifyEvent OnCreate;
    NotifyEvent OnDestroy;
    NotifyEvent OnShow;
    NotifyEvent OnHide;
    NotifyEvent OnActivate;
    NotifyEvent OnDeactivate;
    CloseEvent OnClose;
    CloseQueryEvent OnCloseQuery;
    ShortCutEvent OnShortCut;
    // The client area is painted (after the background); draw on Canvas().
    NotifyEvent OnPaint;

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void WndProc(Message& message) override;
    // Raises OnDestroy while the whole form still exists (owners call BeforeDestruction first).
    void Destroying() override;
    virtual void DoCreate();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(CloseAction& action);
    virtual void Activate();
    virtual void Deactivate();
    // Enter, Esc and Tab that no control took.
    virtual bool DialogKey(WORD key);
    void PaintWindow(HDC dc) override;
    void AlignControls(RECT& rect) override;
    void DefaultHandler(Message& message) override;
    void DestroyWnd() override;

private:
    friend class Button;
    friend class WinControl;
    // Focus moved to control (WM_SETFOCUS): exits, enters and the focus-changed broadcast.
    void FocusChanged(WinControl* control);
    // A control below the form is going away: forget every reference to it.
    void ControlRemoved(Control* control);
    void SetDefaultButton(Button* button, bool value);
    void SetCancelButton(Button* button, bool value);
    void CloseModal();
    void PlaceOnShow();
    void UpdateWindowPos();
    void ApplyAlpha();
    bool IsMDIChild() const { return m_form_style == fsMDIChild; }
    void CreateMDIClient();
    void MDIChildActivated(bool active);

    FormBorderStyle m_border_style = bsSizeable;
    BorderIcons m_border_icons = biSystemMenu | biMinimize | biMaximize;
    ui::Position m_position = poDesigned;
    ui::FormStyle m_form_style = fsNormal;
    bool m_key_preview = false;
    int m_modal_result = mrNone;
    bool m_modal = false;
    bool m_created = false;
    bool m_destroy_raised = false;
    bool m_placed = false;
    WinControl* m_active_control = nullptr;
    WinControl* m_entered = nullptr; // the control that last got CM_ENTER
    MainMenu* m_menu = nullptr;
    Button* m_default_button = nullptr;
    Button* m_cancel_button = nullptr;
    int m_border_width = 0;
    SizeConstraints m_constraints;
    bool m_alpha_blend = false;
    BYTE m_alpha_value = 255;
    HICON m_icon = nullptr;
    ui::PopupMenu* m_popup_menu = nullptr;
    bool m_showing_phase = false;
    ui::Canvas* m_canvas = nullptr;
    HWND m_client_handle = nullptr;
    ui::TileMode m_tile_mode = tbHorizontal;
    HMENU m_merged_menu = nullptr; // the frame's bar while a child's menu is merged into it
};

} // namespace ui
