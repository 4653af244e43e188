// Windowed controls: a control with its own window, made on demand (Handle), holding child controls.
// All windows of the library share one window procedure that finds the control through a map from
// window handle to object and hands the message to the control's window method. Notifications that
// a parent receives about a child window (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, ...) are
// reflected back to the child as CN_BASE + message.
#pragma once

#include "ui/control.h"

#include <string>
#include <vector>

namespace ui {

// How a control's window is made. ClassName names an existing window class (a system control
// such as L"BUTTON") that the library superclasses, or is empty for the library's plain window.
struct CreateParamsRec {
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    std::wstring ClassName;
    UINT ClassStyle = CS_DBLCLKS;
};

using KeyEvent = std::function<void(core::Object* sender, WORD& key, ShiftState shift)>;
using KeyPressEvent = std::function<void(core::Object* sender, core::Char& key)>;
using MouseWheelEvent = std::function<void(core::Object* sender, ShiftState shift, int delta, POINT mouse, bool& handled)>;

class WinControl : public Control {
public:
    explicit WinControl(core::Component* owner = nullptr);
    ~WinControl() override;

    // ---- Properties ----
    // The window, made (with the parents' windows) on first use.
    HWND Handle();
    HWND HandleIfAllocated() const { return m_handle; }
    bool HandleAllocated() const { return m_handle != nullptr; }
    void HandleNeeded() { (void)Handle(); }
    int ControlCount() const { return int(m_controls.size()); }
    Control* Controls(int index) const;
    bool TabStop() const { return m_tab_stop; }
    void SetTabStop(bool value);
    // Place among the windowed siblings in the Tab order; -1 when there is no parent.
    int TabOrder() const;
    void SetTabOrder(int order);
    bool IsWindowed() const override { return true; }
    bool Showing() const override;
    RECT ClientRect() const override;

    // ---- Focus ----
    bool Focused() const;
    // Visible and enabled up to its form.
    virtual bool CanFocus() const;
    virtual void SetFocus();

    // ---- Operations ----
    void Invalidate() override;
    void Update() override;
    void BringToFront() override;
    void DestroyHandle();
    void RecreateWnd();
    // The child (windowed or not) at a point of the client area, topmost first; null when none.
    Control* ControlAtPos(POINT point, bool allowDisabled) const;
    // Sends a message to every child (and not further).
    void Broadcast(Message& message);
    // The windowed controls below this one in Tab order, depth first.
    void GetTabOrderList(std::vector<WinControl*>& list) const;
    // The next control that can take the focus after current (or before it when backwards).
    WinControl* FindNextControl(WinControl* current, bool forward, bool checkTabStop) const;
    void SelectNext(WinControl* current, bool forward, bool checkTabStop);

    // The control whose window this is (only windows made by the library), or null.
    static WinControl* FindControl(HWND window);

    // ---- Events ----
    NotifyEvent OnEnter;
    NotifyEvent OnExit;
    KeyEvent OnKeyDown;
    KeyEvent OnKeyUp;
    KeyPressEvent OnKeyPress;
    MouseWheelEvent OnMouseWheel;
    NotifyEvent OnResize;

protected:
    // ---- Window creation ----
    virtual void CreateParams(CreateParamsRec& params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const CreateParamsRec& params);
    // The window exists: children get theirs, font and text are applied.
    virtual void CreateHandle();
    virtual void DestroyWnd();
    // Called just before the window goes (the state to keep is read back here).
    virtual void DestroyingHandle() {}

    // ---- Message handling ----
    void WndProc(Message& message) override;
    void DefaultHandler(Message& message) override;
    // Our own windows paint here, then their windowless children are painted over it.
    virtual void PaintWindow(HDC dc) {}
    void PaintControls(HDC dc);
    virtual void KeyDown(WORD& key, ShiftState shift);
    virtual void KeyUp(WORD& key, ShiftState shift);
    virtual void KeyPress(core::Char& key);
    // Whether the control takes Tab, Enter or Esc itself rather than leaving it to the form.
    virtual bool WantsKey(WORD key);
    virtual bool DoMouseWheel(ShiftState shift, int delta, POINT mouse);
    virtual void Resize();
    virtual void AlignControls(RECT& rect);
    void Realign();

    core::String GetText() const override;
    void SetTextBuf(core::StringView text) override;
    void BoundsChanged() override;
    // Brush of the control's colour (for WM_CTLCOLOR* answers and background erasing).
    HBRUSH BackgroundBrush();

private:
    friend class Control;
    friend LRESULT CALLBACK StaticWindowProc(HWND, UINT, WPARAM, LPARAM);
    void InsertControl(Control* control);
    void RemoveControl(Control* control);
    bool ReflectToChild(Message& message);
    void HandleKeyDown(Message& message, bool system);
    void HandleChar(Message& message);
    void RouteMouse(Message& message);
    void UpdateShowing();
    void Detach(); // the window is gone

    HWND m_handle = nullptr;
    WNDPROC m_default_proc = nullptr;
    std::vector<Control*> m_controls;   // children in z-order (first = bottom)
    std::vector<WinControl*> m_tab_list; // windowed children in Tab order
    bool m_tab_stop = false;
    // The character of the WM_CHAR that follows a key already handled as a dialog key or
    // shortcut; that WM_CHAR is dropped (0: none).
    core::Char m_swallow_char = 0;
    bool m_destroying_handle = false;
    HBRUSH m_brush = nullptr;
    Color m_brush_color = clNone;
    Control* m_capture_control = nullptr; // windowless child holding the mouse
    bool m_showing = false;
};

} // namespace ui
