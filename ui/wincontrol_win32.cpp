// Windowed controls and the one window procedure of the library.
#include "ui/wincontrol.h"

#include "core/exception.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/form.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace ui {

LRESULT CALLBACK StaticWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

namespace {

// Handle -> object, at full pointer width. Windows are used on the thread that made them, but the
// map itself is shared, so it is guarded.
std::mutex g_map_mutex;
std::unordered_map<HWND, WinControl*>& Map()
{
    static std::unordered_map<HWND, WinControl*> map;
    return map;
}

// The control whose window is being made on this thread: the first message of the new window binds it.
thread_local WinControl* t_creating = nullptr;

struct ClassInfo {
    std::wstring name;
    WNDPROC original = nullptr;
};
std::mutex g_class_mutex;
std::unordered_map<std::wstring, ClassInfo>& Classes()
{
    static std::unordered_map<std::wstring, ClassInfo> classes;
    return classes;
}
std::unordered_map<ATOM, WNDPROC>& ClassProcs()
{
    static std::unordered_map<ATOM, WNDPROC> procs;
    return procs;
}

void Bind(HWND window, WinControl* control)
{
    std::lock_guard lock(g_map_mutex);
    Map()[window] = control;
}

void Unbind(HWND window)
{
    std::lock_guard lock(g_map_mutex);
    Map().erase(window);
}

WNDPROC ClassProc(HWND window)
{
    std::lock_guard lock(g_class_mutex);
    auto it = ClassProcs().find(ATOM(GetClassWord(window, GCW_ATOM)));
    return it == ClassProcs().end() ? nullptr : it->second;
}

// Registers the library's window class for a base class (a superclass of a system control, or the
// plain window class for an empty base) and answers its name and the base's window procedure.
ClassInfo RegisterClassFor(const std::wstring& base, UINT classStyle)
{
    std::wstring key = base + L"#" + std::to_wstring(classStyle);
    std::lock_guard lock(g_class_mutex);
    auto it = Classes().find(key);
    if (it != Classes().end())
        return it->second;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    ClassInfo info;
    if (base.empty()) {
        wc.style = classStyle;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        info.original = DefWindowProcW;
    } else {
        if (!GetClassInfoExW(nullptr, base.c_str(), &wc)) {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
            InitCommonControlsEx(&icc);
            if (!GetClassInfoExW(nullptr, base.c_str(), &wc))
                throw core::EOSError(u"Window class not found: " + core::String(base.begin(), base.end()), GetLastError());
        }
        wc.cbSize = sizeof wc;
        info.original = wc.lpfnWndProc;
    }
    info.name = L"ui." + (base.empty() ? std::wstring(L"Window") : base) + L"." + std::to_wstring(classStyle);
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = info.name.c_str();
    wc.lpszMenuName = nullptr;
    ATOM atom = RegisterClassExW(&wc);
    if (!atom)
        throw core::EOSError(u"Cannot register a window class", GetLastError());
    ClassProcs()[atom] = info.original;
    Classes()[key] = info;
    return info;
}

int NextChildId()
{
    static int id = 100;
    id = id >= 0x7FFF ? 100 : id + 1;
    return id;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK && msg != WM_MOUSEWHEEL; }

} // namespace

LRESULT CALLBACK StaticWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    WinControl* control = WinControl::FindControl(window);
    if (!control && t_creating) {
        control = t_creating;
        t_creating = nullptr;
        control->m_handle = window;
        Bind(window, control);
    }
    if (!control) {
        WNDPROC original = ClassProc(window);
        return original ? CallWindowProcW(original, window, msg, wparam, lparam)
                        : DefWindowProcW(window, msg, wparam, lparam);
    }
    Message message{msg, wparam, lparam, 0};
    try {
        control->m_window_proc(message);
    } catch (...) {
        // Nothing may unwind through the system's window procedure.
        core::HandleException();
    }
    if (msg == WM_NCDESTROY) {
        Unbind(window);
        if (control->m_handle == window)
            control->Detach();
    }
    return message.Result;
}

WinControl::WinControl(core::Component* owner) : Control(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

WinControl::~WinControl()
{
    // The parent frees its children, as the platform does; each takes itself out of the list.
    while (!m_controls.empty())
        delete m_controls.back();
    // Hooks installed by wrappers may refer to parts of the object that are already gone.
    SetWindowProc(nullptr);
    DestroyHandle();
    if (m_brush)
        DeleteObject(m_brush);
}

WinControl* WinControl::FindControl(HWND window)
{
    if (!window)
        return nullptr;
    std::lock_guard lock(g_map_mutex);
    auto it = Map().find(window);
    return it == Map().end() ? nullptr : it->second;
}

HWND WinControl::Handle()
{
    if (!m_handle) {
        if (Parent())
            Parent()->HandleNeeded(); // makes the children's windows too
        if (!m_handle) {
            const ControlStates before = ControlState();
            SetControlState(before | csCreating);
            try {
                CreateWnd();
                CreateHandle();
            } catch (...) {
                SetControlState(before);
                throw;
            }
            SetControlState(before);
        }
    }
    return m_handle;
}

Control* WinControl::Controls(int index) const
{
    if (index < 0 || index >= int(m_controls.size()))
        throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return m_controls[size_t(index)];
}

void WinControl::SetTabStop(bool value)
{
    if (value == m_tab_stop)
        return;
    m_tab_stop = value;
    if (m_handle) {
        LONG_PTR style = GetWindowLongPtrW(m_handle, GWL_STYLE);
        SetWindowLongPtrW(m_handle, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP)));
    }
    Perform(CM_TABSTOPCHANGED, 0, 0);
}

int WinControl::TabOrder() const
{
    if (!Parent())
        return -1;
    auto& list = Parent()->m_tab_list;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void WinControl::SetTabOrder(int order)
{
    if (!Parent())
        return;
    auto& list = Parent()->m_tab_list;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    list.erase(it);
    order = std::clamp(order, 0, int(list.size()));
    list.insert(list.begin() + order, this);
}

bool WinControl::Showing() const { return m_handle && IsWindowVisible(m_handle); }

RECT WinControl::ClientRect() const
{
    RECT r{0, 0, Width(), Height()};
    if (m_handle)
        GetClientRect(m_handle, &r);
    return r;
}

bool WinControl::Focused() const { return m_handle && GetFocus() == m_handle; }

bool WinControl::CanFocus() const
{
    for (const Control* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void WinControl::SetFocus()
{
    if (Form* form = ParentForm(); form && form != this && !form->Visible())
        form->SetActiveControl(this); // focused when the form shows
    else
        ::SetFocus(Handle());
}

void WinControl::Invalidate()
{
    if (m_handle)
        InvalidateRect(m_handle, nullptr, TRUE);
}

void WinControl::Update()
{
    if (m_handle)
        UpdateWindow(m_handle);
}

void WinControl::BringToFront()
{
    Control::BringToFront();
    if (m_handle)
        SetWindowPos(m_handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WinControl::DestroyHandle()
{
    if (!m_handle)
        return;
    for (Control* c : m_controls)
        if (auto* w = dynamic_cast<WinControl*>(c))
            w->DestroyHandle();
    DestroyingHandle();
    DestroyWnd();
}

void WinControl::DestroyWnd()
{
    if (!m_handle)
        return;
    Control::SetTextBuf(GetText()); // what the user typed outlives the window
    m_destroying_handle = true;
    HWND window = m_handle;
    DestroyWindow(window);
    m_destroying_handle = false;
    if (m_handle == window) { // destroyed on another path without WM_NCDESTROY reaching us
        Unbind(window);
        Detach();
    }
}

void WinControl::Detach()
{
    m_handle = nullptr;
    m_default_proc = nullptr;
    m_capture_control = nullptr;
    m_showing = false;
}

void WinControl::RecreateWnd()
{
    if (!m_handle)
        return;
    bool focused = Focused();
    DestroyHandle();
    HandleNeeded();
    if (focused)
        ::SetFocus(m_handle);
}

void WinControl::CreateParams(CreateParamsRec& params)
{
    core::String text = Control::GetText();
    params.Caption.assign(text.begin(), text.end());
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle() & csAcceptsControls)
        params.Style |= WS_CLIPCHILDREN;
    if (Visible())
        params.Style |= WS_VISIBLE;
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (m_tab_stop)
        params.Style |= WS_TABSTOP;
    params.X = Left();
    params.Y = Top();
    params.Width = Width();
    params.Height = Height();
    params.WndParent = Parent() ? Parent()->HandleIfAllocated() : nullptr;
}

void WinControl::CreateWnd()
{
    CreateParamsRec params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw core::EInvalidOperation(u"Control '" + Name() + u"' has no parent window");
    CreateWindowHandle(params);
}

void WinControl::CreateWindowHandle(const CreateParamsRec& params)
{
    ClassInfo info = RegisterClassFor(params.ClassName, params.ClassStyle);
    m_default_proc = info.original;
    HMENU id = (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(INT_PTR(NextChildId())) : nullptr;
    t_creating = this;
    HWND window = CreateWindowExW(params.ExStyle, info.name.c_str(), params.Caption.c_str(), params.Style, params.X,
                                  params.Y, params.Width, params.Height, params.WndParent, id,
                                  GetModuleHandleW(nullptr), nullptr);
    t_creating = nullptr;
    if (!window) {
        m_handle = nullptr;
        throw core::EOSError(u"Cannot create the window of '" + Name() + u"'", GetLastError());
    }
    if (!m_handle) {
        m_handle = window;
        Bind(window, this);
    }
}

void WinControl::CreateHandle()
{
    SendMessageW(m_handle, WM_SETFONT, WPARAM(Font().Handle()), 0);
    for (Control* c : m_controls)
        if (auto* w = dynamic_cast<WinControl*>(c); w && !w->m_handle) {
            w->CreateWnd();
            w->CreateHandle();
        }
    Realign();
    UpdateShowing();
}

void WinControl::InsertControl(Control* control)
{
    Perform(CM_CONTROLLISTCHANGE, WPARAM(control), 1);
    m_controls.push_back(control);
    control->SetParentPointer(this);
    if (auto* w = dynamic_cast<WinControl*>(control))
        m_tab_list.push_back(w);
    if (control->ParentFont())
        control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    if (control->ParentColor())
        control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    if (control->ParentShowHint())
        control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    if (auto* w = dynamic_cast<WinControl*>(control); w && m_handle && !w->m_handle) {
        w->CreateWnd();
        w->CreateHandle();
    }
    if (!control->IsWindowed())
        control->Invalidate();
    control->RequestAlign();
    Perform(CM_CONTROLCHANGE, WPARAM(control), 1);
}

void WinControl::RemoveControl(Control* control)
{
    Perform(CM_CONTROLLISTCHANGE, WPARAM(control), 0);
    for (Control* p = this; p; p = p->Parent())
        if (auto* form = dynamic_cast<Form*>(p))
            form->ControlRemoved(control);
    if (!control->IsWindowed())
        control->Invalidate();
    if (m_capture_control == control) {
        m_capture_control = nullptr;
        if (m_handle && GetCapture() == m_handle)
            ReleaseCapture();
    }
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
    m_tab_list.erase(std::remove(m_tab_list.begin(), m_tab_list.end(), control), m_tab_list.end());
    // Only the window of a live windowed control is ours to destroy; a dying one does it itself.
    if (auto* w = dynamic_cast<WinControl*>(control); w && w->m_handle)
        w->DestroyHandle();
    control->SetParentPointer(nullptr);
    Realign();
    Perform(CM_CONTROLCHANGE, WPARAM(control), 0);
}

Control* WinControl::ControlAtPos(POINT point, bool allowDisabled) const
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        Control* c = *it;
        RECT r = c->BoundsRect();
        if (c->Visible() && (allowDisabled || c->Enabled()) && PtInRect(&r, point))
            return c;
    }
    return nullptr;
}

void WinControl::Broadcast(Message& message)
{
    // Children may be removed by a handler: walk a copy.
    std::vector<Control*> children = m_controls;
    for (Control* c : children) {
        message.Result = c->Perform(message.Msg, message.WParam, message.LParam);
        if (message.Result != 0)
            return;
    }
}

void WinControl::GetTabOrderList(std::vector<WinControl*>& list) const
{
    for (WinControl* w : m_tab_list) {
        list.push_back(w);
        w->GetTabOrderList(list);
    }
}

WinControl* WinControl::FindNextControl(WinControl* current, bool forward, bool checkTabStop) const
{
    std::vector<WinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    auto it = std::find(list.begin(), list.end(), current);
    int start = it == list.end() ? (forward ? -1 : 0) : int(it - list.begin());
    int n = int(list.size());
    for (int step = 1; step <= n; ++step) {
        int i = ((start + (forward ? step : -step)) % n + n) % n;
        WinControl* w = list[size_t(i)];
        if (w != current && w->CanFocus() && (!checkTabStop || w->TabStop()))
            return w;
    }
    return nullptr;
}

void WinControl::SelectNext(WinControl* current, bool forward, bool checkTabStop)
{
    if (WinControl* next = FindNextControl(current, forward, checkTabStop))
        next->SetFocus();
}

core::String WinControl::GetText() const
{
    if (!m_handle)
        return Control::GetText();
    int length = GetWindowTextLengthW(m_handle);
    std::wstring buffer(size_t(length) + 1, L'\0');
    int got = GetWindowTextW(m_handle, buffer.data(), length + 1);
    return core::String(buffer.begin(), buffer.begin() + std::max(got, 0));
}

void WinControl::SetTextBuf(core::StringView text)
{
    Control::SetTextBuf(text);
    if (m_handle) {
        std::wstring w(text.begin(), text.end());
        SetWindowTextW(m_handle, w.c_str());
    }
}

void WinControl::BoundsChanged()
{
    if (m_handle)
        SetWindowPos(m_handle, nullptr, Left(), Top(), Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    else
        Realign();
}

HBRUSH WinControl::BackgroundBrush()
{
    if (!m_brush || m_brush_color != GetColor()) {
        if (m_brush)
            DeleteObject(m_brush);
        m_brush_color = GetColor();
        m_brush = CreateSolidBrush(ColorToRGB(m_brush_color));
    }
    return m_brush;
}

void WinControl::Realign()
{
    RECT r = ClientRect();
    const ControlStates before = ControlState();
    SetControlState(before | csAligning);
    try {
        AlignControls(r);
    } catch (...) {
        SetControlState(before);
        throw;
    }
    SetControlState(before);
}

void WinControl::AlignControls(RECT& rect)
{
    static const ui::Align order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (ui::Align align : order) {
        for (Control* c : m_controls) {
            if (c->Align() != align || !c->Visible())
                continue;
            int w = c->Width(), h = c->Height();
            switch (align) {
            case alTop: c->SetBounds(rect.left, rect.top, rect.right - rect.left, h); rect.top += h; break;
            case alBottom: c->SetBounds(rect.left, rect.bottom - h, rect.right - rect.left, h); rect.bottom -= h; break;
            case alLeft: c->SetBounds(rect.left, rect.top, w, rect.bottom - rect.top); rect.left += w; break;
            case alRight: c->SetBounds(rect.right - w, rect.top, w, rect.bottom - rect.top); rect.right -= w; break;
            case alClient: c->SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top); break;
            default: break;
            }
        }
    }
}

void WinControl::UpdateShowing()
{
    bool now = m_handle && IsWindowVisible(m_handle);
    if (now != m_showing) {
        m_showing = now;
        Perform(CM_SHOWINGCHANGED, 0, 0);
    }
    for (Control* c : std::vector<Control*>(m_controls))
        if (auto* w = dynamic_cast<WinControl*>(c))
            w->UpdateShowing();
}

void WinControl::PaintControls(HDC dc)
{
    for (Control* c : m_controls) {
        if (c->IsWindowed() || !c->Visible())
            continue;
        RECT r = c->BoundsRect();
        RECT clip{};
        if (GetClipBox(dc, &clip) != NULLREGION && !IntersectRect(&clip, &clip, &r))
            continue;
        int saved = SaveDC(dc);
        POINT origin{};
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, origin.x + r.left, origin.y + r.top, nullptr);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        {
            Canvas canvas(dc);
            canvas.Font().Assign(c->Font());
            canvas.SetBrushColor(c->GetColor());
            c->Paint(canvas);
        }
        RestoreDC(dc, saved);
    }
}

void WinControl::KeyDown(WORD& key, ShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void WinControl::KeyUp(WORD& key, ShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void WinControl::KeyPress(core::Char& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
}

bool WinControl::WantsKey(WORD key) { return Perform(CM_WANTSPECIALKEY, key, 0) != 0; }

bool WinControl::DoMouseWheel(ShiftState shift, int delta, POINT mouse)
{
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, shift, delta, mouse, handled);
    return handled;
}

void WinControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

bool WinControl::ReflectToChild(Message& message)
{
    HWND child = nullptr;
    switch (message.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        child = reinterpret_cast<HWND>(message.LParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU)
            child = item->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU)
            child = GetDlgItem(m_handle, int(item->CtlID));
        break;
    }
    case WM_COMPAREITEM:
        child = reinterpret_cast<COMPAREITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        child = reinterpret_cast<DELETEITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    default:
        return false;
    }
    WinControl* target = FindControl(child);
    // Only direct children: a grandchild's notification belongs to its own parent.
    if (!target || target == this || target->Parent() != this)
        return false;
    message.Result = target->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

void WinControl::HandleKeyDown(Message& message, bool system)
{
    WORD key = WORD(message.WParam);
    ShiftState shift = KeyboardShiftState();
    Form* form = ParentForm();
    if (form && form->IsShortCut(key, shift)) {
        m_swallow_char = (shift & ssCtrl) && key >= 'A' && key <= 'Z' ? core::Char(key - 'A' + 1) : 0;
        message.Result = 0;
        return;
    }
    if (system) {
        // Alt+letter: the accelerator of a caption, also of a control outside the visible area.
        core::Char ch = core::Char(MapVirtualKeyW(key, MAPVK_VK_TO_CHAR));
        if (form && ch > u' ' && form->Perform(CM_DIALOGCHAR, ch, 0)) {
            m_swallow_char = core::Char(ch >= u'A' && ch <= u'Z' ? ch - u'A' + u'a' : ch);
            message.Result = 0;
            return;
        }
        DefaultHandler(message);
        return;
    }
    if (form && form != this && form->KeyPreview()) {
        form->KeyDown(key, shift);
        if (key == 0) {
            message.Result = 0;
            return;
        }
    }
    KeyDown(key, shift);
    if (key == 0) {
        message.Result = 0;
        return;
    }
    if ((key == VK_RETURN || key == VK_ESCAPE || key == VK_TAB) && !(shift & (ssCtrl | ssAlt)) && form &&
        !WantsKey(key) && form->Perform(CM_DIALOGKEY, key, shift)) {
        m_swallow_char = key == VK_RETURN ? u'\r' : key == VK_ESCAPE ? core::Char(27) : u'\t';
        message.Result = 0;
        return;
    }
    message.WParam = key;
    DefaultHandler(message);
}

void WinControl::HandleChar(Message& message)
{
    auto ch = core::Char(message.WParam);
    bool system = message.Msg == WM_SYSCHAR;
    core::Char swallow = m_swallow_char;
    m_swallow_char = 0;
    if (swallow) {
        core::Char lower = ch >= u'A' && ch <= u'Z' ? core::Char(ch - u'A' + u'a') : ch;
        if (lower == swallow || ch == swallow)
            return;
    }
    if (system) {
        DefaultHandler(message);
        return;
    }
    Form* form = ParentForm();
    if (form && form != this && form->KeyPreview()) {
        form->KeyPress(ch);
        if (ch == 0)
            return;
    }
    KeyPress(ch);
    if (ch == 0)
        return;
    message.WParam = ch;
    DefaultHandler(message);
}

void WinControl::RouteMouse(Message& message)
{
    POINT pt{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
    Control* target = m_capture_control;
    if (!target) {
        Control* c = ControlAtPos(pt, false);
        if (c && !c->IsWindowed())
            target = c;
    }
    UINT msg = message.Msg;
    bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
    bool up = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
    if (!target) {
        Control::WndProc(message);
        return;
    }
    if (down && (target->ControlStyle() & csCaptureMouse)) {
        m_capture_control = target;
        SetCapture(m_handle);
    }
    target->Perform(msg, message.WParam, MAKELPARAM(pt.x - target->Left(), pt.y - target->Top()));
    if (up && m_capture_control == target) {
        m_capture_control = nullptr;
        if (GetCapture() == m_handle)
            ReleaseCapture();
    }
    message.Result = 0;
}

void WinControl::WndProc(Message& message)
{
    if (m_handle && ReflectToChild(message))
        return;
    bool ownWindow = m_default_proc == DefWindowProcW;
    switch (message.Msg) {
    case WM_KEYDOWN:
        HandleKeyDown(message, false);
        return;
    case WM_SYSKEYDOWN:
        HandleKeyDown(message, true);
        return;
    case WM_KEYUP: {
        WORD key = WORD(message.WParam);
        KeyUp(key, KeyboardShiftState());
        if (key == 0)
            return;
        break;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
        HandleChar(message);
        return;
    case WM_SETFOCUS:
        DefaultHandler(message);
        if (Form* form = ParentForm())
            form->FocusChanged(this);
        return;
    case CM_ENTER:
        if (OnEnter)
            OnEnter(this);
        return;
    case CM_EXIT:
        if (OnExit)
            OnExit(this);
        return;
    case CM_FOCUSCHANGED:
        Broadcast(message);
        message.Result = 0;
        return;
    case CM_VISIBLECHANGED:
        if (m_handle) {
            ShowWindow(m_handle, message.WParam ? SW_SHOWNA : SW_HIDE);
            UpdateShowing();
        }
        return;
    case CM_ENABLEDCHANGED:
        if (m_handle)
            EnableWindow(m_handle, Enabled());
        return;
    case CM_FONTCHANGED: {
        if (m_handle) {
            SendMessageW(m_handle, WM_SETFONT, WPARAM(Font().Handle()), TRUE);
            Invalidate();
        }
        Message notify{CM_PARENTFONTCHANGED, 0, 0, 0};
        for (Control* c : std::vector<Control*>(m_controls))
            c->Perform(notify.Msg, 0, 0);
        return;
    }
    case CM_COLORCHANGED:
        Invalidate();
        for (Control* c : std::vector<Control*>(m_controls))
            c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
        return;
    case CM_SHOWHINTCHANGED:
        for (Control* c : std::vector<Control*>(m_controls))
            c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORLISTBOX: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, ColorToRGB(Enabled() ? Font().FontColor() : clGrayText));
        SetBkColor(dc, ColorToRGB(GetColor()));
        message.Result = reinterpret_cast<LRESULT>(BackgroundBrush());
        return;
    }
    case WM_MOUSEWHEEL:
        if (Perform(CM_MOUSEWHEEL, message.WParam, message.LParam) != 0) {
            message.Result = 0;
            return;
        }
        if (!ownWindow)
            DefaultHandler(message);
        return;
    case CM_MOUSEWHEEL: {
        POINT pt{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
        int delta = short(HIWORD(message.WParam));
        if (DoMouseWheel(KeysToShiftState(LOWORD(message.WParam)), delta, pt))
            message.Result = 1;
        else if (Parent())
            message.Result = Parent()->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
        return;
    }
    case WM_MOUSELEAVE: {
        Control* mouse = Application::Instance().MouseControl();
        if (mouse == this || (mouse && mouse->Parent() == this && !mouse->IsWindowed()))
            Application::Instance().SetMouseControl(nullptr);
        DefaultHandler(message);
        return;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(message.WParam) == m_handle && LOWORD(message.LParam) == HTCLIENT) {
            POINT pt{};
            GetCursorPos(&pt);
            ::ScreenToClient(m_handle, &pt);
            Control* c = ControlAtPos(pt, false);
            ui::Cursor cursor = (c && !c->IsWindowed()) ? c->Cursor() : Cursor();
            if (cursor != crDefault) {
                ::SetCursor(CursorHandle(cursor));
                message.Result = TRUE;
                return;
            }
        }
        break;
    case WM_ERASEBKGND:
        if (ownWindow) {
            RECT r{};
            GetClientRect(m_handle, &r);
            FillRect(reinterpret_cast<HDC>(message.WParam), &r, BackgroundBrush());
            message.Result = 1;
            return;
        }
        break;
    case WM_PAINT:
        if (ownWindow) {
            PAINTSTRUCT ps{};
            HDC dc = message.WParam ? reinterpret_cast<HDC>(message.WParam) : BeginPaint(m_handle, &ps);
            try {
                PaintWindow(dc);
                PaintControls(dc);
            } catch (...) {
                if (!message.WParam)
                    EndPaint(m_handle, &ps);
                throw;
            }
            if (!message.WParam)
                EndPaint(m_handle, &ps);
            return;
        }
        break;
    case WM_SIZE:
        DefaultHandler(message);
        Realign();
        Resize();
        return;
    case WM_WINDOWPOSCHANGED: {
        DefaultHandler(message);
        auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
        if (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE)) {
            RECT r{};
            GetWindowRect(m_handle, &r);
            if (HWND parent = GetParent(m_handle); parent && (GetWindowLongPtrW(m_handle, GWL_STYLE) & WS_CHILD))
                MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
            m_left = r.left;
            m_top = r.top;
            m_width = r.right - r.left;
            m_height = r.bottom - r.top;
        }
        if (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))
            UpdateShowing();
        return;
    }
    default:
        if (m_handle && IsMouseMessage(message.Msg)) {
            RouteMouse(message);
            return;
        }
        break;
    }
    Control::WndProc(message);
}

void WinControl::DefaultHandler(Message& message)
{
    if (!m_handle || !m_default_proc) {
        message.Result = 0;
        return;
    }
    // Component messages and reflected notifications are the library's own: no window procedure
    // of the system knows them. Registered messages (0xC000 and up) go on as usual.
    if (message.Msg >= CM_BASE && message.Msg < 0xC000) {
        if (message.Msg > CN_BASE) {
            // A reflected notification the child did not handle: what the parent would have answered.
            HWND parent = GetParent(m_handle);
            if (parent && message.Msg - CN_BASE >= WM_CTLCOLORMSGBOX && message.Msg - CN_BASE <= WM_CTLCOLORSTATIC)
                message.Result = DefWindowProcW(parent, message.Msg - CN_BASE, message.WParam, message.LParam);
        }
        return;
    }
    message.Result = CallWindowProcW(m_default_proc, m_handle, message.Msg, message.WParam, message.LParam);
}

} // namespace ui
