// Root of the visual controls: bounds in the parent's client coordinates, visibility, enabled state,
// caption, colour, font, cursor, hint, mouse events, and the one message path. Every message a
// control handles goes through its window method (WindowProc), which starts as the virtual WndProc;
// wrappers replace the method and call the previous one for what they leave alone.
#pragma once

#include "core/component.h"
#include "core/string.h"
#include "core/win32.h"
#include "ui/color.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <functional>

namespace ui {

class WinControl;
class Form;
class DragObject;
// Whether a left press starts a class-library drag by itself (see ui/dragsource.h).
enum DragMode { dmManual, dmAutomatic };
enum DragState { dsDragEnter, dsDragLeave, dsDragMove };
class Canvas;

enum Align { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum Alignment { taLeftJustify, taRightJustify, taCenter };

// What the class library does for a control on its own (ControlStyle).
enum ControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csClickEvents = 1u << 2,
    csOpaque = 1u << 3,
    csDoubleClicks = 1u << 4,
    csSetCaption = 1u << 5,
    csParentBackground = 1u << 6,
};
using ControlStyles = unsigned;

// What a control is going through (ControlState): its window is being made, its children are being
// aligned, or it paints a copy of itself (PaintTo) rather than its window.
enum ControlStateFlag : unsigned {
    csCreating = 1u << 0,
    csAligning = 1u << 1,
    csPaintCopy = 1u << 2,
};
using ControlStates = unsigned;

// Cursors: the platform's numbering; each maps to a system cursor.
enum Cursor : int {
    crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
    crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crNo = -18, crHandPoint = -21,
    crHSplit = -14, crVSplit = -15,
};
HCURSOR CursorHandle(Cursor cursor);

using NotifyEvent = std::function<void(core::Object* sender)>;
using MouseEvent = std::function<void(core::Object* sender, MouseButton button, ShiftState shift, int x, int y)>;
using MouseMoveEvent = std::function<void(core::Object* sender, ShiftState shift, int x, int y)>;

class Control : public core::Component {
public:
    explicit Control(core::Component* owner = nullptr);
    ~Control() override;

    // ---- Properties ----
    WinControl* Parent() const { return m_parent; }
    virtual void SetParent(WinControl* parent);
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int value) { SetBounds(value, m_top, m_width, m_height); }
    void SetTop(int value) { SetBounds(m_left, value, m_width, m_height); }
    void SetWidth(int value) { SetBounds(m_left, m_top, value, m_height); }
    void SetHeight(int value) { SetBounds(m_left, m_top, m_width, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{m_left, m_top, m_left + m_width, m_top + m_height}; }
    virtual RECT ClientRect() const;
    int ClientWidth() const { RECT r = ClientRect(); return r.right - r.left; }
    int ClientHeight() const { RECT r = ClientRect(); return r.bottom - r.top; }
    virtual void SetClientSize(int width, int height) { SetBounds(m_left, m_top, width, height); }
    ui::Align Align() const { return m_align; }
    void SetAlign(ui::Align align);

    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    // Visible here and in every parent up to a shown top-level window.
    virtual bool Showing() const;
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);

    // Caption and Text are the same text, as in the platform.
    core::String Caption() const { return GetText(); }
    void SetCaption(core::StringView text) { SetText(text); }
    core::String Text() const { return GetText(); }
    void SetText(core::StringView text);

    Color ControlColor() const { return m_color; }
    Color GetColor() const { return m_color; }
    void SetColor(Color color);
    bool ParentColor() const { return m_parent_color; }
    void SetParentColor(bool value);
    ui::Font& Font() { return m_font; }
    const ui::Font& Font() const { return m_font; }
    void SetFont(const ui::Font& font) { m_font.Assign(font); }
    bool ParentFont() const { return m_parent_font; }
    void SetParentFont(bool value);
    ui::Cursor Cursor() const { return m_cursor; }
    void SetCursor(ui::Cursor cursor);
    const core::String& Hint() const { return m_hint; }
    void SetHint(core::StringView hint) { m_hint = core::String(hint); }
    bool ShowHint() const { return m_show_hint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return m_parent_show_hint; }
    void SetParentShowHint(bool value);
    ControlStyles ControlStyle() const { return m_control_style; }
    void SetControlStyle(ControlStyles style) { m_control_style = style; }
    ControlStates ControlState() const { return m_control_state; }
    void SetControlState(ControlStates state) { m_control_state = state; }

    // ---- Class-library drag ----
    ui::DragMode DragMode() const { return m_drag_mode; }
    void SetDragMode(ui::DragMode mode) { m_drag_mode = mode; }
    // Drags this control with the mouse captured until a button is released (drop on the control
    // under the pointer that accepts) or Escape; immediate, or once the pointer moved threshold
    // pixels (negative: the system's drag threshold).
    virtual void BeginDrag(bool immediate, int threshold = -1);
    // A class-library drag of any control runs.
    static bool DragRunning();

    // ---- Messages ----
    // Sends a message through the control's window method and returns its Result.
    LRESULT Perform(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
    // Paints the control's face into dc (origin at the control's top-left corner), with its font
    // and colour on the canvas, as its parent paints it; for form animations and off-screen copies.
    void PaintTo(HDC dc);
    // The window method; replacing it hooks every message the control receives. A replacement keeps
    // the previous method and calls it for what it does not finish itself.
    const WndMethod& WindowProc() const { return m_window_proc; }
    void SetWindowProc(WndMethod method);
    // The window method the control started with (its WndProc).
    WndMethod DefaultWindowProc();

    // ---- Operations ----
    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    virtual void Click();
    virtual void BringToFront();
    POINT ClientToScreen(POINT point) const;
    POINT ScreenToClient(POINT point) const;
    // The form this control sits on (the control itself for a form), or null.
    Form* ParentForm() const;
    // The windowed control that paints this one: itself when windowed, else the parent.
    virtual bool IsWindowed() const { return false; }
    // The left button went down on the control and is not up yet.
    bool LButtonDown() const { return m_mouse_down; }

    // ---- Events ----
    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseUp;
    // Class-library drags (ui/dragsource_win32.cpp): the start may supply a drag object of its own;
    // the end names the control dropped on (null when cancelled). A target accepts by OnDragOver.
    std::function<void(Control* sender, DragObject*& object)> OnStartDrag;
    std::function<void(Control* sender, Control* target, int x, int y)> OnEndDrag;
    std::function<bool(Control* sender, Control* source, int x, int y, DragState state)> OnDragOver;
    std::function<void(Control* sender, Control* source, int x, int y)> OnDragDrop;
    MouseMoveEvent OnMouseMove;
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;

protected:
    // The start and end steps of a drag of this control (fire OnStartDrag and OnEndDrag).
    virtual void DoStartDrag(DragObject*& object);
    virtual void DoEndDrag(Control* target, int x, int y);
    // CM_DRAG reaching a control: find target answers the control, enter and move ask OnDragOver.
    void HandleDragTargetMessage(Message& message);
    // ---- Message handling ----
    virtual void WndProc(Message& message);
    // What happens to a message no handler finished: nothing for a windowless control; the window's
    // own procedure for a windowed one.
    virtual void DefaultHandler(Message& message);
    virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseMove(ShiftState shift, int x, int y);
    virtual void DblClick();
    virtual void MouseEnter();
    virtual void MouseLeave();
    // Text storage; windowed controls keep it in their window.
    virtual core::String GetText() const { return m_text; }
    virtual void SetTextBuf(core::StringView text);
    // Bounds changed: windowed controls move their window.
    virtual void BoundsChanged() {}
    // The control's rectangle in its parent changed: realign siblings.
    void RequestAlign();
    // A windowless control is painted by its parent through this.
    virtual void Paint(Canvas& canvas) {}
    // Accelerator character of the caption reached the control (Alt+key): true when it acted.
    virtual bool DialogChar(core::Char key) { return false; }
    void SetParentPointer(WinControl* parent) { m_parent = parent; }
    bool MouseIsDown() const { return m_mouse_down; }

private:
    friend class WinControl;
    friend class Form;
    friend LRESULT CALLBACK StaticWindowProc(HWND, UINT, WPARAM, LPARAM);
    void FontChanged();

    WinControl* m_parent = nullptr;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    ui::Align m_align = alNone;
    bool m_visible = true;
    bool m_enabled = true;
    core::String m_text;
    Color m_color = clWindow;
    bool m_parent_color = true;
    ui::Font m_font;
    bool m_parent_font = true;
    ui::Cursor m_cursor = crDefault;
    core::String m_hint;
    bool m_show_hint = false;
    bool m_parent_show_hint = true;
    ControlStyles m_control_style = csCaptureMouse | csClickEvents | csDoubleClicks | csSetCaption;
    bool m_mouse_down = false;
    ControlStates m_control_state = 0;
    ui::DragMode m_drag_mode = dmManual;
    bool m_font_updating = false;
    WndMethod m_window_proc;
};

} // namespace ui
