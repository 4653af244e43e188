// The application object and the message loop.
#include "ui/application.h"

#include "core/exception.h"
#include "core/thread.h"
#include "ui/form.h"
#include "ui/hintwindow.h"
#include "ui/timer.h"
#include "ui/messagebox.h"

#include <commctrl.h>

namespace ui {
namespace {

constexpr wchar_t kAppClass[] = L"ui.Application";

// The text before a '|' is the short hint, the one a hint window shows.
core::String ShortHint(const core::String& hint)
{
    size_t bar = hint.find(u'|');
    return bar == core::String::npos ? hint : hint.substr(0, bar);
}

} // namespace

namespace {
// The application once it is fully made: the window procedure must not ask for the instance while
// the constructor still runs (the window is made from inside it).
Application* g_constructed = nullptr;
} // namespace

Application& Application::Instance()
{
    static Application application;
    g_constructed = &application;
    return application;
}

Application::Application()
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    core::SetApplicationExceptionHandler([](const std::exception& error) { Instance().HandleException(error); });
    // The window exists before any thread can queue a call, so that no wake is lost.
    Handle();
    core::SetWakeMainThread([] { Instance().WakeMainThread(); });
}

Application::~Application()
{
    // Forms go while the application is still whole: their controls report to it as they die.
    CancelHint();
    m_hint_window.reset();
    m_hint_pause_timer.reset();
    m_hint_hide_timer.reset();
    DestroyComponents();
    m_main_form = nullptr;
    core::SetApplicationExceptionHandler(nullptr);
    core::SetWakeMainThread(nullptr);
    m_wake_window = nullptr;
    if (m_handle)
        DestroyWindow(m_handle);
}

void Application::SetTitle(core::StringView title)
{
    m_title = core::String(title);
    if (m_handle) {
        std::wstring w(title.begin(), title.end());
        SetWindowTextW(m_handle, w.c_str());
    }
}

HWND Application::Handle()
{
    if (!m_handle) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = AppWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kAppClass;
            registered = RegisterClassExW(&wc) != 0;
        }
        std::wstring title(m_title.begin(), m_title.end());
        // A hidden tool window: the main form owns the taskbar button.
        m_handle = CreateWindowExW(WS_EX_TOOLWINDOW, kAppClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        m_wake_window = m_handle;
    }
    return m_handle;
}

LRESULT CALLBACK Application::AppWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    try {
        if (g_constructed && !g_constructed->m_main_window_hooks.empty()) {
            Message message{msg, wparam, lparam, 0};
            // A copy: a hook may remove itself or others.
            auto hooks = g_constructed->m_main_window_hooks;
            for (auto& [id, hook] : hooks)
                if (hook(message))
                    return message.Result;
        }
        switch (msg) {
        case UM_WAKEMAINTHREAD:
            Instance().CheckSynchronize();
            return 0;
        case CM_RELEASE:
            // The form is looked up by its window, so a form that is already gone is never touched.
            if (auto* control = WinControl::FindControl(reinterpret_cast<HWND>(wparam))) {
                if (auto* form = dynamic_cast<Form*>(control)) {
                    if (Instance().m_main_form == form)
                        Instance().m_main_form = nullptr;
                    form->BeforeDestruction();
                    delete form;
                } else if (!control->Owner()) {
                    // A control without owner that asked to be released (an in-place editor).
                    delete control;
                }
            }
            return 0;
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
        case WM_COMMAND:
        case WM_INITMENUPOPUP:
            // Popup menus are tracked with this window as their owner.
            if (Instance().m_popup_handler)
                return Instance().m_popup_handler(msg, wparam, lparam);
            break;
        default:
            break;
        }
    } catch (...) {
        core::HandleException();
        return 0;
    }
    return DefWindowProcW(window, msg, wparam, lparam);
}

void Application::FormCreated(Form* form) { form->AfterConstruction(); }

int Application::HookMainWindow(MainWindowHook hook)
{
    m_main_window_hooks.emplace_back(++m_next_hook_id, std::move(hook));
    return m_next_hook_id;
}

void Application::UnhookMainWindow(int id)
{
    std::erase_if(m_main_window_hooks, [id](const auto& entry) { return entry.first == id; });
}

void Application::Run()
{
    if (m_main_form && m_show_main_form)
        m_main_form->Show();
    while (!m_terminated) {
        try {
            HandleMessage();
        } catch (...) {
            core::HandleException();
        }
    }
}

bool Application::ProcessMessage(MSG& msg)
{
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        m_terminated = true;
        return true;
    }
    if (m_hint_shown && m_hint_window && m_hint_window->IsHintMsg(msg))
        CancelHint();
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    // Moves inside the hinted control: a hint whose rectangle the cursor left goes, and the pause
    // starts again for whatever lies under the cursor now.
    if ((msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) && m_mouse_control &&
        m_mouse_control == m_hint_control)
        HintMouseMoved(m_mouse_control);
    return true;
}

void Application::ProcessMessages()
{
    MSG msg{};
    while (ProcessMessage(msg)) {
    }
}

void Application::HandleMessage()
{
    MSG msg{};
    if (!ProcessMessage(msg))
        Idle();
}

void Application::Idle()
{
    if (OnIdle) {
        try {
            OnIdle(this);
        } catch (...) {
            core::HandleException();
        }
    }
    CheckSynchronize();
    WaitMessage();
}

void Application::Terminate()
{
    if (!m_terminated)
        PostQuitMessage(0);
}

void Application::Halt(int exitCode)
{
    if (m_halt_hook) {
        m_halt_hook(exitCode);
        return;
    }
    ExitProcess(UINT(exitCode));
}

void Application::Minimize()
{
    if (m_minimized)
        return;
    m_minimized = true;
    if (m_main_form && m_main_form->HandleAllocated() && !IsIconic(m_main_form->Handle()))
        ShowWindow(m_main_form->Handle(), SW_MINIMIZE);
    if (OnMinimize)
        OnMinimize(this);
}

void Application::Restore()
{
    if (!m_minimized)
        return;
    m_minimized = false;
    if (m_main_form && m_main_form->HandleAllocated() && IsIconic(m_main_form->Handle()))
        ShowWindow(m_main_form->Handle(), SW_RESTORE);
    if (OnRestore)
        OnRestore(this);
}

void Application::BringToFront()
{
    if (m_main_form && m_main_form->HandleAllocated())
        SetForegroundWindow(m_main_form->Handle());
}

void Application::HandleException(const std::exception& error)
{
    if (dynamic_cast<const core::EAbort*>(&error))
        return;
    if (OnException) {
        try {
            OnException(this, error);
        } catch (...) {
            // The handler of last resort must not fail: fall back to showing the first error.
            ShowException(error);
        }
        return;
    }
    ShowException(error);
}

void Application::ShowException(const std::exception& error)
{
    core::String text = core::ExceptionMessage(error);
    if (!text.empty() && text.back() > u'.')
        text += u'.';
    try {
        MessageBox(text, m_title, mbOK | mbIconError);
    } catch (...) {
    }
}

int Application::MessageBox(core::StringView text, core::StringView caption, unsigned flags)
{
    return ui::MessageBox(text, caption, flags);
}

void Application::CheckSynchronize()
{
    if (core::CurrentThreadId() == core::MainThreadId())
        core::CheckSynchronize(0);
}

void Application::WakeMainThread()
{
    // The window is made on the main thread (by the loop's owner) before any thread can wake it.
    if (HWND window = m_wake_window.load())
        PostMessageW(window, UM_WAKEMAINTHREAD, 0, 0);
}

void Application::SetMouseControl(Control* control)
{
    if (control == m_mouse_control)
        return;
    Control* old = m_mouse_control;
    m_mouse_control = control;
    if (old)
        old->Perform(CM_MOUSELEAVE, 0, 0);
    if (control && control == m_mouse_control) {
        WinControl* window = control->IsWindowed() ? static_cast<WinControl*>(control) : control->Parent();
        if (window && window->HandleAllocated()) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window->HandleIfAllocated(), 0};
            TrackMouseEvent(&track);
        }
        control->Perform(CM_MOUSEENTER, 0, 0);
    }
    if (m_mouse_control == control)
        HintMouseMoved(control);
}

void Application::SetShowHint(bool value)
{
    m_show_hint = value;
    if (!value)
        CancelHint();
}

namespace {

// A screen point in a control's client coordinates, through the windows' own mapping (frames,
// captions and non-client parts such as a tree's header lie between a window's origin and its
// client area's).
POINT ScreenToControl(Control* control, POINT p)
{
    if (control->IsWindowed()) {
        if (HWND window = static_cast<WinControl*>(control)->HandleIfAllocated()) {
            ::ScreenToClient(window, &p);
            return p;
        }
    } else if (WinControl* parent = control->Parent(); parent && parent->HandleIfAllocated()) {
        ::ScreenToClient(parent->HandleIfAllocated(), &p);
        p.x -= control->Left();
        p.y -= control->Top();
        return p;
    }
    return control->ScreenToClient(p);
}

// Where the cursor is in a control's client coordinates.
POINT CursorInControl(Control* control)
{
    POINT p{};
    GetCursorPos(&p);
    return ScreenToControl(control, p);
}

} // namespace

void Application::HintMouseMoved(Control* control)
{
    if (!control || !m_show_hint || !control->ShowHint()) {
        CancelHint();
        m_hint_control = nullptr;
        return;
    }
    if (control == m_hint_control && PtInRect(&m_hint_cursor_rect, CursorInControl(control)))
        return;
    const bool active = m_hint_shown;
    CancelHint();
    m_hint_control = control;
    StartHintPause(active);
}

void Application::StartHintPause(bool hintActive)
{
    Control* control = m_hint_control;
    unsigned pause = m_hint_pause;
    control->Perform(CM_HINTSHOWPAUSE, hintActive, LPARAM(&pause));
    if (m_hint_control != control)
        return;
    if (pause == 0) {
        ShowHintNow();
        return;
    }
    if (!m_hint_pause_timer) {
        m_hint_pause_timer = std::make_unique<Timer>();
        m_hint_pause_timer->SetEnabled(false);
        m_hint_pause_timer->SetOnTimer([this](core::Object*) {
            m_hint_pause_timer->SetEnabled(false);
            ShowHintNow();
        });
    }
    m_hint_pause_timer->SetInterval(pause);
    m_hint_pause_timer->SetEnabled(true);
}

void Application::ShowHintNow()
{
    if (m_hint_pause_timer)
        m_hint_pause_timer->SetEnabled(false);
    Control* control = m_hint_control;
    if (!control || !m_show_hint)
        return;
    HintInfo info;
    info.HintControl = control;
    info.HintWindowClass = &HintWindow::Make;
    GetCursorPos(&info.HintPos);
    info.CursorPos = ScreenToControl(control, info.HintPos);
    info.HintPos.y += GetSystemMetrics(SM_CYCURSOR) * 5 / 8;
    info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN);
    info.CursorRect = control->ClientRect();
    info.HintStr = ShortHint(control->Hint());
    const LRESULT refused = control->Perform(CM_HINTSHOW, 0, LPARAM(&info));
    if (m_hint_control != control)
        return;
    if (refused || info.HintStr.empty() || !info.HintWindowClass) {
        // Nothing to show here: the next rest of the mouse asks again.
        m_hint_cursor_rect = RECT{};
        return;
    }
    m_hint_cursor_rect = info.CursorRect;
    if (!m_hint_window || m_hint_window_class != info.HintWindowClass) {
        m_hint_window.reset();
        m_hint_window = info.HintWindowClass();
        m_hint_window_class = info.HintWindowClass;
    }
    RECT r = m_hint_window->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    OffsetRect(&r, info.HintPos.x, info.HintPos.y);
    m_hint_text = info.HintStr;
    m_hint_shown = true;
    if (!m_hint_hide_timer) {
        m_hint_hide_timer = std::make_unique<Timer>();
        m_hint_hide_timer->SetEnabled(false);
        m_hint_hide_timer->SetOnTimer([this](core::Object*) { CancelHint(); });
    }
    m_hint_hide_timer->SetInterval(m_hint_hide_pause);
    m_hint_hide_timer->SetEnabled(m_hint_hide_pause > 0);
    // The window may cancel the hint itself (an empty rectangle); m_hint_shown then is false again.
    m_hint_window->ActivateHint(r, info.HintStr);
}

void Application::CancelHint()
{
    if (m_hint_pause_timer)
        m_hint_pause_timer->SetEnabled(false);
    if (m_hint_hide_timer)
        m_hint_hide_timer->SetEnabled(false);
    const bool shown = m_hint_shown;
    m_hint_shown = false;
    m_hint_text.clear();
    m_hint_cursor_rect = RECT{};
    if (shown && m_hint_window)
        m_hint_window->ReleaseHandle();
}

void Application::ControlDestroying(Control* control)
{
    if (m_hint_control == control) {
        CancelHint();
        m_hint_control = nullptr;
    }
    if (m_mouse_control == control)
        m_mouse_control = nullptr;
    if (m_main_form == control)
        m_main_form = nullptr;
}

} // namespace ui
