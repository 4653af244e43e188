// Controls: properties, the window method and the handling common to windowed and windowless ones.
#include "ui/control.h"

#include "ui/canvas.h"
#include "ui/dragsource.h"

#include "core/exception.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/wincontrol.h"

namespace ui {

ShiftState KeyboardShiftState()
{
    ShiftState state = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        state |= ssAlt;
    return state;
}

ShiftState KeysToShiftState(WPARAM keys)
{
    ShiftState state = 0;
    if (keys & MK_SHIFT)
        state |= ssShift;
    if (keys & MK_CONTROL)
        state |= ssCtrl;
    if (keys & MK_LBUTTON)
        state |= ssLeft;
    if (keys & MK_RBUTTON)
        state |= ssRight;
    if (keys & MK_MBUTTON)
        state |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        state |= ssAlt;
    return state;
}

HCURSOR CursorHandle(Cursor cursor)
{
    const wchar_t* id = IDC_ARROW;
    switch (cursor) {
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crHandPoint: id = IDC_HAND; break;
    default: break;
    }
    return LoadCursorW(nullptr, id);
}

Control::Control(core::Component* owner) : core::Component(owner)
{
    m_window_proc = [this](Message& message) { WndProc(message); };
    m_font.OnChange = [this] { FontChanged(); };
}

Control::~Control()
{
    Application::Instance().ControlDestroying(this);
    if (m_parent)
        m_parent->RemoveControl(this);
    m_font.OnChange = nullptr;
}

void Control::SetParent(WinControl* parent)
{
    if (parent == m_parent)
        return;
    for (Control* p = parent; p; p = p->m_parent)
        if (p == this)
            throw core::EInvalidOperation(u"A control cannot have itself as its parent");
    if (m_parent)
        m_parent->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void Control::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    if (!IsWindowed())
        Invalidate();
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    BoundsChanged();
    if (!IsWindowed())
        Invalidate();
    RequestAlign();
}

RECT Control::ClientRect() const { return RECT{0, 0, m_width, m_height}; }

void Control::SetAlign(ui::Align align)
{
    if (align == m_align)
        return;
    m_align = align;
    RequestAlign();
}

// Every change of a child's rectangle reaches the parent: aligned siblings move, and containers
// that depend on their children's extent (scroll boxes) update.
void Control::RequestAlign()
{
    if (m_parent)
        m_parent->Realign();
}

void Control::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    if (!IsWindowed())
        Invalidate();
    m_visible = visible;
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0, 0);
    if (!IsWindowed())
        Invalidate();
    RequestAlign();
}

bool Control::Showing() const { return m_visible && m_parent && m_parent->Showing(); }

void Control::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Perform(CM_ENABLEDCHANGED, enabled ? 1 : 0, 0);
}

void Control::SetText(core::StringView text)
{
    if (GetText() == text)
        return;
    SetTextBuf(text);
    Perform(CM_TEXTCHANGED, 0, 0);
}

void Control::SetTextBuf(core::StringView text) { m_text = core::String(text); }

void Control::SetColor(Color color)
{
    m_parent_color = false;
    if (color == m_color)
        return;
    m_color = color;
    Perform(CM_COLORCHANGED, 0, 0);
}

void Control::SetParentColor(bool value)
{
    if (value == m_parent_color)
        return;
    m_parent_color = value;
    if (value && m_parent)
        Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void Control::SetParentFont(bool value)
{
    if (value == m_parent_font)
        return;
    m_parent_font = value;
    if (value && m_parent)
        Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void Control::FontChanged()
{
    if (!m_font_updating)
        m_parent_font = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void Control::SetCursor(ui::Cursor cursor)
{
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void Control::SetShowHint(bool value)
{
    m_parent_show_hint = false;
    if (value == m_show_hint)
        return;
    m_show_hint = value;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void Control::SetParentShowHint(bool value)
{
    if (value == m_parent_show_hint)
        return;
    m_parent_show_hint = value;
    if (value && m_parent)
        Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void Control::PaintTo(HDC dc)
{
    Canvas canvas(dc);
    canvas.Font().Assign(Font());
    canvas.SetBrushColor(GetColor());
    const ControlStates before = m_control_state;
    m_control_state |= csPaintCopy;
    try {
        Paint(canvas);
    } catch (...) {
        m_control_state = before;
        throw;
    }
    m_control_state = before;
}

LRESULT Control::Perform(UINT msg, WPARAM wparam, LPARAM lparam)
{
    Message message{msg, wparam, lparam, 0};
    m_window_proc(message);
    return message.Result;
}

void Control::SetWindowProc(WndMethod method)
{
    m_window_proc = method ? std::move(method) : DefaultWindowProc();
}

WndMethod Control::DefaultWindowProc()
{
    return [this](Message& message) { WndProc(message); };
}

void Control::Invalidate()
{
    if (m_parent && m_parent->HandleAllocated() && m_width > 0 && m_height > 0) {
        RECT r = BoundsRect();
        InvalidateRect(m_parent->HandleIfAllocated(), &r, TRUE);
    }
}

void Control::Update()
{
    if (m_parent)
        m_parent->Update();
}

void Control::Repaint()
{
    Invalidate();
    Update();
}

void Control::Click()
{
    if (OnClick)
        OnClick(this);
}

void Control::BringToFront()
{
    if (!m_parent)
        return;
    auto& list = m_parent->m_controls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
        list.erase(it);
        list.push_back(this);
    }
    Invalidate();
}

// A control with a window asks the system: its client area starts inside its frame (a form's
// caption and borders), which its bounds do not tell.
POINT Control::ClientToScreen(POINT point) const
{
    if (IsWindowed())
        if (HWND window = static_cast<const WinControl*>(this)->HandleIfAllocated()) {
            ::ClientToScreen(window, &point);
            return point;
        }
    point.x += m_left;
    point.y += m_top;
    return m_parent ? m_parent->ClientToScreen(point) : point;
}

POINT Control::ScreenToClient(POINT point) const
{
    if (IsWindowed())
        if (HWND window = static_cast<const WinControl*>(this)->HandleIfAllocated()) {
            ::ScreenToClient(window, &point);
            return point;
        }
    if (m_parent)
        point = m_parent->ScreenToClient(point);
    point.x -= m_left;
    point.y -= m_top;
    return point;
}

Form* Control::ParentForm() const
{
    const Control* top = this;
    while (top->m_parent)
        top = top->m_parent;
    return dynamic_cast<Form*>(const_cast<Control*>(top));
}

void Control::WndProc(Message& message)
{
    auto x = int(short(LOWORD(message.LParam)));
    auto y = int(short(HIWORD(message.LParam)));
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (m_control_style & csCaptureMouse)
            m_mouse_down = true;
        if (message.Msg == WM_LBUTTONDOWN && m_drag_mode == dmAutomatic) {
            BeginDrag(false);
            return;
        }
        if (message.Msg == WM_LBUTTONDBLCLK && (m_control_style & csDoubleClicks))
            DblClick();
        MouseDown(mbLeft, KeysToShiftState(message.WParam) | (message.Msg == WM_LBUTTONDBLCLK ? ShiftState(ssDouble) : 0u), x, y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, KeysToShiftState(message.WParam), x, y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, KeysToShiftState(message.WParam), x, y);
        break;
    case WM_LBUTTONUP: {
        bool wasDown = m_mouse_down;
        m_mouse_down = false;
        MouseUp(mbLeft, KeysToShiftState(message.WParam), x, y);
        RECT r = ClientRect();
        if (wasDown && (m_control_style & csClickEvents) && x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            Click();
        break;
    }
    case WM_RBUTTONUP:
        MouseUp(mbRight, KeysToShiftState(message.WParam), x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, KeysToShiftState(message.WParam), x, y);
        break;
    case WM_MOUSEMOVE:
        Application::Instance().SetMouseControl(this);
        MouseMove(KeysToShiftState(message.WParam), x, y);
        break;
    case CM_MOUSEENTER:
        MouseEnter();
        return;
    case CM_DRAG:
        HandleDragTargetMessage(message);
        return;
    case CM_MOUSELEAVE:
        MouseLeave();
        return;
    case CM_DIALOGCHAR:
        message.Result = DialogChar(core::Char(message.WParam)) ? 1 : 0;
        return;
    case CM_PARENTFONTCHANGED:
        if (m_parent_font && m_parent) {
            m_font_updating = true;
            m_font.Assign(m_parent->Font());
            m_font_updating = false;
        }
        return;
    case CM_PARENTCOLORCHANGED:
        if (m_parent_color && m_parent && m_color != m_parent->m_color) {
            m_color = m_parent->m_color;
            Perform(CM_COLORCHANGED, 0, 0);
        }
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (m_parent_show_hint && m_parent)
            m_show_hint = m_parent->m_show_hint;
        return;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED:
        if (!IsWindowed())
            Invalidate();
        return;
    default:
        break;
    }
    DefaultHandler(message);
}

void Control::DefaultHandler(Message& message) { (void)message; }

void Control::MouseDown(MouseButton button, ShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void Control::MouseUp(MouseButton button, ShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void Control::MouseMove(ShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void Control::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void Control::MouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void Control::MouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
}

} // namespace ui
