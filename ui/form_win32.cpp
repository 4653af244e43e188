// Forms: top-level windows with modal loops, closing rules, dialog keys and menu shortcuts.
#include "ui/form.h"

#include "core/exception.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/menu.h"

namespace ui {

Form::Form(core::Component* owner) : WinControl(owner)
{
    Control::SetVisible(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 320, 240);
}

Form::~Form()
{
    // Freed without an owner's BeforeDestruction (a form held by the program itself): the event
    // still comes, though only the Form part is left by now.
    BeforeDestruction();
    if (m_menu)
        SetMenu(nullptr);
    Application::Instance().ControlDestroying(this);
}

void Form::AfterConstruction()
{
    if (m_created)
        return;
    m_created = true;
    DoCreate();
}

void Form::Destroying()
{
    if (!m_destroy_raised) {
        m_destroy_raised = true;
        if (OnDestroy) {
            try {
                OnDestroy(this);
            } catch (...) {
                core::HandleException();
            }
        }
    }
    WinControl::Destroying();
}

void Form::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}

void Form::SetBorderStyle(FormBorderStyle style)
{
    if (style == m_border_style)
        return;
    m_border_style = style;
    RecreateWnd();
}

void Form::SetBorderIcons(BorderIcons icons)
{
    if (icons == m_border_icons)
        return;
    m_border_icons = icons;
    RecreateWnd();
}

void Form::SetFormStyle(ui::FormStyle style)
{
    if (style == m_form_style)
        return;
    // A frame or an MDI child is another kind of window: it is made again.
    const bool remake = style == fsMDIForm || style == fsMDIChild || m_form_style == fsMDIForm ||
                        m_form_style == fsMDIChild;
    m_form_style = style;
    if (remake)
        RecreateWnd();
    else
        UpdateWindowPos();
}

void Form::UpdateWindowPos()
{
    if (HandleAllocated() && !IsMDIChild())
        SetWindowPos(HandleIfAllocated(), m_form_style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

ui::WindowState Form::WindowState() const
{
    HWND h = HandleIfAllocated();
    if (h && IsIconic(h))
        return wsMinimized;
    if (h && IsZoomed(h))
        return wsMaximized;
    return wsNormal;
}

void Form::SetWindowState(ui::WindowState state)
{
    HWND h = Handle();
    if (Visible())
        ShowWindow(h, state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

bool Form::Active() const { return HandleIfAllocated() && GetActiveWindow() == HandleIfAllocated(); }

void Form::SetActiveControl(WinControl* control)
{
    m_active_control = control;
    if (control && Visible() && control->CanFocus())
        ::SetFocus(control->Handle());
}

void Form::FocusChanged(WinControl* control)
{
    if (control == this)
        return;
    // Enter and exit follow the focus itself, not ActiveControl, which may be set before the form shows.
    WinControl* old = m_entered;
    m_active_control = control;
    m_entered = control;
    if (old && old != control)
        old->Perform(CM_EXIT, 0, 0);
    if (control != old)
        control->Perform(CM_ENTER, 0, 0);
    Perform(CM_FOCUSCHANGED, 0, LPARAM(control));
}

void Form::ControlRemoved(Control* control)
{
    if (m_active_control == control)
        m_active_control = nullptr;
    if (m_entered == control)
        m_entered = nullptr;
    if (static_cast<Control*>(m_default_button) == control)
        m_default_button = nullptr;
    if (static_cast<Control*>(m_cancel_button) == control)
        m_cancel_button = nullptr;
}

void Form::SetMenu(MainMenu* menu)
{
    if (m_menu == menu)
        return;
    MainMenu* old = m_menu;
    m_menu = menu;
    if (old)
        old->SetWindow(nullptr);
    if (menu)
        menu->SetWindow(this);
}

void Form::SetClientSize(int width, int height)
{
    CreateParamsRec params;
    CreateParams(params);
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, params.Style, m_menu != nullptr && !IsMDIChild(), params.ExStyle);
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void Form::SetDefaultButton(Button* button, bool value)
{
    if (value)
        m_default_button = button;
    else if (m_default_button == button)
        m_default_button = nullptr;
}

void Form::SetCancelButton(Button* button, bool value)
{
    if (value)
        m_cancel_button = button;
    else if (m_cancel_button == button)
        m_cancel_button = nullptr;
}

void Form::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.Style = WS_CLIPCHILDREN;
    params.ExStyle = 0;
    switch (m_border_style) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: params.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME; params.ExStyle |= WS_EX_DLGMODALFRAME; break;
    case bsToolWindow: params.Style |= WS_CAPTION | WS_BORDER; params.ExStyle |= WS_EX_TOOLWINDOW; break;
    case bsSizeToolWin: params.Style |= WS_CAPTION | WS_THICKFRAME; params.ExStyle |= WS_EX_TOOLWINDOW; break;
    }
    if (m_border_style != bsNone && (m_border_icons & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (m_border_style != bsDialog && m_border_style != bsToolWindow && m_border_style != bsSizeToolWin) {
            if (m_border_icons & biMinimize)
                params.Style |= WS_MINIMIZEBOX;
            if (m_border_icons & biMaximize)
                params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (m_form_style == fsStayOnTop)
        params.ExStyle |= WS_EX_TOPMOST;
    // The main form owns the taskbar button; every other form is owned by it.
    Form* main = Application::Instance().MainForm();
    if (main == this || !main || !main->HandleAllocated()) {
        params.WndParent = nullptr;
        params.ExStyle |= WS_EX_APPWINDOW;
    } else {
        params.WndParent = main->HandleIfAllocated();
    }
    if (IsMDIChild()) {
        Form* frame = MDIParent();
        if (!frame || !frame->Handle() || !frame->m_client_handle)
            throw core::EInvalidOperation(u"Cannot create form. No MDI forms are currently active");
        params.Style = (params.Style & ~DWORD(WS_POPUP)) | WS_CHILD;
        params.ExStyle = (params.ExStyle & ~DWORD(WS_EX_APPWINDOW | WS_EX_TOPMOST | WS_EX_DLGMODALFRAME)) | WS_EX_MDICHILD;
        params.WndParent = frame->m_client_handle;
    }
}

void Form::CreateHandle()
{
    if (m_form_style == fsMDIForm && !m_client_handle)
        CreateMDIClient();
    WinControl::CreateHandle();
    if (m_menu)
        m_menu->SetWindow(this);
    // Every window of a program shows the program's own icon (icon resource 1) when it has one, in
    // its caption and on the taskbar; without one the system's default stays.
    const HINSTANCE module = GetModuleHandleW(nullptr);
    if (HICON big = LoadIconW(module, MAKEINTRESOURCEW(1))) {
        SendMessageW(Handle(), WM_SETICON, ICON_BIG, LPARAM(big));
        const int small = GetSystemMetrics(SM_CXSMICON);
        if (auto* icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, small, small, LR_SHARED)))
            SendMessageW(Handle(), WM_SETICON, ICON_SMALL, LPARAM(icon));
    }
    if (m_icon)
        SetIcon(m_icon);
    ApplyAlpha();
}

void Form::SetBorderWidth(int value)
{
    if (value == m_border_width)
        return;
    m_border_width = value;
    Realign();
    Invalidate();
}

void Form::AlignControls(RECT& rect)
{
    InflateRect(&rect, -m_border_width, -m_border_width);
    WinControl::AlignControls(rect);
    // The MDI client takes what the aligned controls leave.
    if (m_client_handle)
        MoveWindow(m_client_handle, rect.left, rect.top, std::max(0L, rect.right - rect.left),
                   std::max(0L, rect.bottom - rect.top), TRUE);
}

void Form::SetAlphaBlend(bool value)
{
    m_alpha_blend = value;
    ApplyAlpha();
}

void Form::SetAlphaBlendValue(BYTE value)
{
    m_alpha_value = value;
    ApplyAlpha();
}

void Form::ApplyAlpha()
{
    HWND h = HandleIfAllocated();
    if (!h)
        return;
    LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
    if (m_alpha_blend) {
        if (!(ex & WS_EX_LAYERED))
            SetWindowLongPtrW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        SetLayeredWindowAttributes(h, 0, m_alpha_value, LWA_ALPHA);
    } else if (ex & WS_EX_LAYERED) {
        SetWindowLongPtrW(h, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
        RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void Form::SetIcon(HICON icon)
{
    m_icon = icon;
    if (HWND h = HandleIfAllocated(); h && icon) {
        SendMessageW(h, WM_SETICON, ICON_BIG, LPARAM(icon));
        SendMessageW(h, WM_SETICON, ICON_SMALL, LPARAM(icon));
    }
}

void Form::PaintWindow(HDC dc)
{
    if (!OnPaint)
        return;
    ui::Canvas canvas(dc);
    canvas.Font().Assign(Font());
    canvas.SetBrushColor(GetColor());
    m_canvas = &canvas;
    struct Reset {
        ui::Canvas*& c;
        ~Reset() { c = nullptr; }
    } reset{m_canvas};
    OnPaint(this);
}

bool Form::Showing() const { return HandleIfAllocated() && IsWindowVisible(HandleIfAllocated()); }

void Form::PlaceOnShow()
{
    if (m_placed)
        return;
    m_placed = true;
    if (m_position == poScreenCenter || m_position == poMainFormCenter || m_position == poOwnerFormCenter) {
        RECT area{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        Form* main = Application::Instance().MainForm();
        if (m_position != poScreenCenter && main && main != this && main->Visible())
            area = main->BoundsRect();
        SetBounds(area.left + (area.right - area.left - Width()) / 2, area.top + (area.bottom - area.top - Height()) / 2,
                  Width(), Height());
    }
}

void Form::SetVisible(bool visible)
{
    if (visible == Visible() && (!visible || Showing()))
        return;
    Control::SetVisible(visible);
}

void Form::Show()
{
    SetVisible(true);
    if (HandleAllocated())
        SetForegroundWindow(HandleIfAllocated());
}

int Form::ShowModal()
{
    if (Visible() || !Enabled() || m_modal)
        throw core::EInvalidOperation(u"Cannot make a visible window modal");
    if (GetCapture())
        ReleaseCapture();
    HWND self = Handle();
    // Every other enabled top-level window of the thread is disabled while the form is modal.
    std::vector<HWND> disabled;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* list = reinterpret_cast<std::vector<HWND>*>(param);
            if (IsWindowVisible(window) && IsWindowEnabled(window))
                list->push_back(window);
            return TRUE;
        },
        LPARAM(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), self), disabled.end());
    for (HWND w : disabled)
        EnableWindow(w, FALSE);
    HWND previous = GetActiveWindow();
    m_modal = true;
    m_modal_result = mrNone;
    Application& app = Application::Instance();
    try {
        Show();
        do {
            if (app.Terminated())
                m_modal_result = mrCancel;
            else if (m_modal_result == mrNone)
                app.HandleMessage();
            if (m_modal_result != mrNone)
                CloseModal();
        } while (m_modal_result == mrNone);
    } catch (...) {
        m_modal = false;
        for (HWND w : disabled)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
        Hide();
        throw;
    }
    for (HWND w : disabled)
        if (IsWindow(w))
            EnableWindow(w, TRUE);
    if (previous && IsWindow(previous))
        SetActiveWindow(previous);
    Hide();
    m_modal = false;
    return m_modal_result;
}

void Form::CloseModal()
{
    CloseAction action = caHide;
    if (!Application::Instance().Terminated()) {
        if (!CloseQuery()) {
            m_modal_result = mrNone;
            return;
        }
        DoClose(action);
    }
    if (action == caNone)
        m_modal_result = mrNone;
}

bool Form::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void Form::DoClose(CloseAction& action)
{
    if (OnClose)
        OnClose(this, action);
}

void Form::Close()
{
    if (m_modal) {
        m_modal_result = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    bool isMain = Application::Instance().MainForm() == this;
    // An MDI child cannot hide in its client: it is minimised, or stays without a minimise button.
    CloseAction action = isMain ? caFree : IsMDIChild() ? (m_border_icons & biMinimize ? caMinimize : caNone) : caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (isMain) {
        Application::Instance().Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

void Form::Release()
{
    if (HWND h = Handle())
        PostMessageW(Application::Instance().Handle(), CM_RELEASE, WPARAM(h), 0);
}

bool Form::IsShortCut(WORD key, ShiftState shift)
{
    bool handled = false;
    if (OnShortCut)
        OnShortCut(key, shift, handled);
    if (handled)
        return true;
    ShortCut shortcut = MakeShortCut(key, shift);
    if (m_menu && m_menu->IsShortCut(shortcut))
        return true;
    // Popup menus of the form answer their shortcuts too.
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* popup = dynamic_cast<ui::PopupMenu*>(Components(i)); popup && popup->IsShortCut(shortcut))
            return true;
    return false;
}

void Form::FocusControl(WinControl* control) { SetActiveControl(control); }

bool Form::DialogKey(WORD key)
{
    switch (key) {
    case VK_TAB:
        SelectNext(m_active_control, !(KeyboardShiftState() & ssShift), true);
        return true;
    case VK_RETURN:
    case VK_ESCAPE: {
        Message message{CM_DIALOGKEY, key, 0, 0};
        // A focused button takes Enter itself; otherwise the default (Enter) or cancel (Esc) button.
        if (key == VK_RETURN)
            if (auto* focused = dynamic_cast<Button*>(m_active_control); focused && focused->Focused() && focused->CanFocus()) {
                focused->Click();
                return true;
            }
        Button* button = key == VK_RETURN ? m_default_button : m_cancel_button;
        if (button && button->CanFocus()) {
            button->Click();
            return true;
        }
        (void)message;
        return false;
    }
    default:
        return false;
    }
}

void Form::Activate()
{
    if (OnActivate)
        OnActivate(this);
}

void Form::Deactivate()
{
    if (OnDeactivate)
        OnDeactivate(this);
}

void Form::DoShow()
{
    if (OnShow)
        OnShow(this);
}

void Form::DoHide()
{
    if (OnHide)
        OnHide(this);
}

void Form::WndProc(Message& message)
{
    switch (message.Msg) {
    case CM_VISIBLECHANGED:
        if (message.WParam) {
            HWND h = Handle();
            m_showing_phase = true;
            struct EndPhase {
                bool& flag;
                ~EndPhase() { flag = false; }
            } endPhase{m_showing_phase};
            PlaceOnShow();
            ShowWindow(h, SW_SHOW);
            UpdateWindowPos();
            // Showing does not make an MDI child the active one; the client has to be told.
            if (IsMDIChild())
                SendMessageW(GetParent(h), WM_MDIACTIVATE, WPARAM(h), 0);
            // The focus goes to the active control, or to the first one in Tab order.
            WinControl* target = m_active_control;
            if (!target || !target->CanFocus())
                target = FindNextControl(nullptr, true, true);
            if (target)
                ::SetFocus(target->Handle());
        } else if (HandleAllocated()) {
            ShowWindow(HandleIfAllocated(), SW_HIDE);
        }
        return;
    case WM_SHOWWINDOW:
        WinControl::WndProc(message);
        if (message.WParam)
            DoShow();
        else
            DoHide();
        return;
    case WM_ACTIVATE:
        WinControl::WndProc(message);
        Perform(LOWORD(message.WParam) != WA_INACTIVE ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
        if (LOWORD(message.WParam) != WA_INACTIVE && m_active_control && m_active_control->CanFocus() &&
            m_active_control->HandleAllocated())
            ::SetFocus(m_active_control->HandleIfAllocated());
        return;
    case CM_ACTIVATE:
        Activate();
        return;
    case CM_DEACTIVATE:
        Deactivate();
        return;
    case CM_DIALOGKEY:
        if (DialogKey(WORD(message.WParam))) {
            message.Result = 1;
            return;
        }
        break;
    case CM_DIALOGCHAR: {
        // Alt+letter: the first control anywhere on the form whose caption accelerator matches.
        std::vector<Control*> stack(1, this);
        while (!stack.empty()) {
            Control* c = stack.back();
            stack.pop_back();
            if (c != this && c->Perform(CM_DIALOGCHAR, message.WParam, 0)) {
                message.Result = 1;
                return;
            }
            if (auto* w = dynamic_cast<WinControl*>(c))
                for (int i = w->ControlCount() - 1; i >= 0; --i)
                    stack.push_back(w->Controls(i));
        }
        return;
    }
    case WM_CLOSE:
        Close();
        return;
    case WM_MDIACTIVATE:
        WinControl::WndProc(message);
        if (IsMDIChild() && (HWND(message.LParam) == HandleIfAllocated() || message.LParam == 0))
            MDIChildActivated(HWND(message.LParam) == HandleIfAllocated());
        return;
    case WM_NCDESTROY:
        m_client_handle = nullptr;
        break;
    case WM_GETMINMAXINFO: {
        WinControl::WndProc(message);
        auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
        const SizeConstraints& c = m_constraints;
        if (c.MinWidth > 0)
            info->ptMinTrackSize.x = c.MinWidth;
        if (c.MinHeight > 0)
            info->ptMinTrackSize.y = c.MinHeight;
        if (c.MaxWidth > 0)
            info->ptMaxTrackSize.x = info->ptMaxSize.x = c.MaxWidth;
        if (c.MaxHeight > 0)
            info->ptMaxTrackSize.y = info->ptMaxSize.y = c.MaxHeight;
        return;
    }
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application::Instance().MainForm() == this) {
            Application::Instance().Minimize();
            return;
        }
        if ((message.WParam & 0xFFF0) == SC_RESTORE && Application::Instance().MainForm() == this &&
            Application::Instance().IsMinimized()) {
            Application::Instance().Restore();
            return;
        }
        break;
    case WM_SIZE:
        if (message.WParam == SIZE_RESTORED && Application::Instance().MainForm() == this &&
            Application::Instance().IsMinimized())
            Application::Instance().Restore();
        break;
    case WM_COMMAND:
        if (message.LParam == 0 && HIWORD(message.WParam) <= 1 && Menu::DispatchCommand(LOWORD(message.WParam))) {
            message.Result = 0;
            return;
        }
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (Menu::DispatchOwnerDraw(message.Msg, message.WParam, message.LParam)) {
            message.Result = TRUE;
            return;
        }
        break;
    default:
        break;
    }
    WinControl::WndProc(message);
}

} // namespace ui
