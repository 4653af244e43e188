// The notification-area icon.
#include "client/trayicon.h"

#include "core/exception.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/imagelist.h"
#include "ui/menu.h"
#include "ui/timer.h"

#include <shlwapi.h>

#include <algorithm>

namespace client {

namespace {

UINT g_taskbar_created = 0;
const wchar_t kWindowClass[] = L"TTrayIconMessageWindow";

class ShellNotify final : public TrayShell {
public:
    bool Notify(DWORD message, NOTIFYICONDATAW& data) override { return Shell_NotifyIconW(message, &data) != FALSE; }
};

int GetShell32Version()
{
    // Only the already loaded library: the icon is no reason to load it.
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!shell)
        return 0;
    auto get = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")));
    if (!get)
        return 0;
    DLLVERSIONINFO info{};
    static_assert(sizeof(DLLVERSIONINFO) == 20);
    info.cbSize = sizeof(info);
    if (FAILED(get(&info)))
        return 0;
    return int(info.dwMajorVersion);
}

void CopyText(wchar_t* target, size_t capacity, core::StringView text)
{
    const size_t count = std::min(text.size(), capacity - 1);
    std::copy_n(reinterpret_cast<const wchar_t*>(text.data()), count, target);
    target[count] = 0;
}

} // namespace

TrayShell& SystemTrayShell()
{
    static ShellNotify shell;
    return shell;
}

namespace {
TrayShell* g_tray_shell = nullptr;
}

TrayShell& CurrentTrayShell() { return g_tray_shell ? *g_tray_shell : SystemTrayShell(); }
void SetTrayShell(TrayShell* shell) { g_tray_shell = shell; }

UINT TaskbarCreatedMessage() { return g_taskbar_created; }

void InitTrayIconUnit()
{
    if (!g_taskbar_created)
        g_taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
}

TTrayIcon::TTrayIcon(core::Component* owner, TrayShell* shell, bool loading)
    : core::Component(owner), m_shell(shell ? *shell : CurrentTrayShell())
{
    if (loading)
        BeginLoad();
    InitTrayIconUnit();
    m_timer = std::make_unique<ui::Timer>();
    m_timer->SetEnabled(false);
    m_timer->SetInterval(1000);
    m_timer->SetOnTimer([this](core::Object*) { AnimateTimer(); });
    m_shell_version = GetShell32Version();

    static bool registered = false;
    if (!registered) {
        WNDCLASSW cls{};
        cls.lpfnWndProc = StaticWndProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = kWindowClass;
        registered = RegisterClassW(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    // A hidden top-level window: broadcasts such as "TaskbarCreated" never reach message-only ones.
    m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        throw core::Exception(u"The tray icon's window cannot be made");
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    m_data.cbSize = m_shell_version >= 5 ? sizeof(NOTIFYICONDATAW) : NOTIFYICONDATAW_V1_SIZE;
    m_data.hWnd = m_window;
    m_data.uID = kTrayIconId;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON;
    m_data.uCallbackMessage = kTrayCallbackMessage;
    SetDefaultIcon();
    SetEnabled(true);
}

TTrayIcon::~TTrayIcon()
{
    DeleteIcon();
    auto& app = ui::App();
    // The application's events point at this object only while it lives.
    app.OnMinimize = nullptr;
    app.OnRestore = nullptr;
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    if (m_own_icon && m_icon)
        DestroyIcon(m_icon);
}

// ---- Properties ----

bool TTrayIcon::Animate() const { return m_timer->Enabled(); }
void TTrayIcon::SetAnimate(bool value) { m_timer->SetEnabled(value); }
unsigned TTrayIcon::Interval() const { return m_timer->Interval(); }
void TTrayIcon::SetInterval(unsigned value) { m_timer->SetInterval(value); }

void TTrayIcon::SetEnabled(bool value)
{
    if (value == m_enabled && !m_taskbar_recreated)
        return;
    m_enabled = value;
    if (!HasState(core::csLoading))
        UpdateTrayIcon();
}

void TTrayIcon::SetHint(core::StringView value)
{
    if (value == m_hint)
        return;
    m_hint = core::String(value);
    CopyText(m_data.szTip, 128, value);
    if (m_hint.empty())
        m_data.uFlags &= ~NIF_TIP;
    else
        m_data.uFlags |= NIF_TIP;
    ModifyIcon();
}

void TTrayIcon::SetPopupMenu(ui::PopupMenu* menu)
{
    if (m_popup_menu)
        m_popup_menu->RemoveFreeNotification(this);
    m_popup_menu = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TTrayIcon::SetIcons(ui::ImageList* icons)
{
    if (m_icons)
        m_icons->RemoveFreeNotification(this);
    m_icons = icons;
    if (icons)
        icons->FreeNotification(this);
    SetIconIndex(m_icon_index);
}

void TTrayIcon::SetIconIndex(int value)
{
    m_icon_index = value;
    ApplyIcon();
    ModifyIcon();
}

void TTrayIcon::Notification(core::Component* component, core::Operation operation)
{
    core::Component::Notification(component, operation);
    if (operation != core::opRemove)
        return;
    if (component == m_popup_menu)
        m_popup_menu = nullptr;
    if (component == m_icons) {
        m_icons = nullptr;
        SetIconIndex(m_icon_index);
    }
}

namespace {

// The application's icon: the program's first icon resource, else the system's.
HICON ApplicationIcon()
{
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

} // namespace

void TTrayIcon::ApplyIcon()
{
    if (m_own_icon && m_icon)
        DestroyIcon(m_icon);
    m_own_icon = false;
    m_icon = nullptr;
    if (m_icons && m_icon_index >= 0 && m_icon_index < m_icons->Count()) {
        m_icon = m_icons->GetIcon(m_icon_index);
        m_own_icon = m_icon != nullptr;
    }
    if (!m_icon)
        m_icon = ApplicationIcon();
}

void TTrayIcon::SetDefaultIcon()
{
    if (m_own_icon && m_icon)
        DestroyIcon(m_icon);
    m_own_icon = false;
    m_icon = ApplicationIcon();
    ModifyIcon();
}

void TTrayIcon::Loaded()
{
    core::Component::Loaded();
    ApplyIcon();
    if (m_enabled)
        UpdateTrayIcon();
    if (m_hide_on_startup) {
        ui::App().SetShowMainForm(false);
        HideApp();
    }
    ModifyIcon();
}

// ---- Shell calls ----

void TTrayIcon::UpdateTrayIcon()
{
    if (m_enabled) {
        m_data.hIcon = m_icon;
        if (m_shell.Notify(NIM_ADD, m_data))
            m_added = true;
        else
            m_enabled = false;  // refused: silently off
        ui::App().OnMinimize = [this](core::Object*) { MinimizeApp(); };
        ui::App().OnRestore = [this](core::Object*) {
            if (!m_restoring)
                RestoreApp();
        };
    } else {
        DeleteIcon();
    }
}

void TTrayIcon::ModifyIcon()
{
    m_data.hIcon = m_icon;
    if (m_added)
        m_shell.Notify(NIM_MODIFY, m_data);
}

void TTrayIcon::DeleteIcon()
{
    if (!m_added)
        return;
    m_shell.Notify(NIM_DELETE, m_data);
    m_added = false;
}

// ---- Balloon hints ----

void TTrayIcon::ShowBalloonHint(core::StringView title, core::StringView message, TBalloonHintIcon icon, int timeoutSeconds)
{
    if (!SupportBalloonHints())
        return;
    HideBalloonHint();
    m_data.uFlags = NIF_INFO;
    CopyText(m_data.szInfo, 256, message);
    CopyText(m_data.szInfoTitle, 64, title);
    m_data.uTimeout = UINT(std::clamp(timeoutSeconds, 10, 30) * 1000);
    m_data.dwInfoFlags = DWORD(icon);
    ModifyIcon();
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
}

void TTrayIcon::HideBalloonHint()
{
    if (!SupportBalloonHints())
        return;
    m_data.uFlags |= NIF_INFO;
    m_data.szInfo[0] = 0;
    ModifyIcon();
}

// ---- The application ----

void TTrayIcon::HideApp()
{
    if (auto* form = ui::App().MainForm(); form && form->HandleAllocated())
        ShowWindow(form->Handle(), SW_HIDE);
}

void TTrayIcon::ShowApp()
{
    auto& app = ui::App();
    app.SetShowMainForm(true);
    if (auto* form = app.MainForm(); form && form->HandleAllocated()) {
        ShowWindow(form->Handle(), IsIconic(form->Handle()) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(form->Handle());
    }
}

void TTrayIcon::MinimizeApp()
{
    ui::App().Minimize();
    if (m_enabled && m_hide_on_minimize)
        HideApp();
    DoMinimizeApp();
}

void TTrayIcon::RestoreApp()
{
    if (m_menu_up)
        return;
    m_restoring = true;
    try {
        ui::App().Restore();
        if (m_enabled)
            ShowApp();
        DoRestoreApp();
    } catch (...) {
        m_restoring = false;
        throw;
    }
    m_restoring = false;
}

void TTrayIcon::DoQueryEndSession(bool& canEnd)
{
    if (OnQueryEndSession)
        OnQueryEndSession(this, canEnd);
}
void TTrayIcon::DoEndSession()
{
    if (OnEndSession)
        OnEndSession(this);
}
void TTrayIcon::DoMinimizeApp()
{
    if (OnMinimizeApp)
        OnMinimizeApp(this);
}
void TTrayIcon::DoRestoreApp()
{
    if (OnRestoreApp)
        OnRestoreApp(this);
}

void TTrayIcon::ShowMenu()
{
    if (!m_popup_menu)
        return;
    POINT cursor{};
    GetCursorPos(&cursor);
    if (auto* form = dynamic_cast<ui::Form*>(Owner()); form && form->HandleAllocated())
        SetForegroundWindow(form->Handle());
    m_menu_up = true;
    try {
        if (PopupHook)
            PopupHook(cursor.x, cursor.y);
        else
            m_popup_menu->Popup(cursor.x, cursor.y);
    } catch (...) {
        m_menu_up = false;
        throw;
    }
    m_menu_up = false;
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(m_window, WM_NULL, 0, 0);
}

void TTrayIcon::MouseAction(TTrayIconClicks click, const ui::NotifyEvent& event)
{
    if (RestoreOn == click)
        RestoreApp();
    if (PopupMenuOn == click)
        ShowMenu();
    if (event)
        event(this);
}

void TTrayIcon::AnimateTimer()
{
    if (!m_icons || m_icons->Count() == 0)
        return;
    SetIconIndex(m_icon_index + 1 >= m_icons->Count() ? 0 : m_icon_index + 1);
}

// ---- Message window ----

LRESULT CALLBACK TTrayIcon::StaticWndProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<TTrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, msg, wparam, lparam);
    try {
        return self->MsgWndProc(msg, wparam, lparam);
    } catch (const std::exception& error) {
        ui::App().HandleException(error);
    } catch (...) {
    }
    return 0;
}

LRESULT TTrayIcon::MsgWndProc(UINT msg, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    switch (msg) {
    case WM_QUERYENDSESSION: {
        bool canEnd = true;
        DoQueryEndSession(canEnd);
        result = canEnd ? 1 : 0;
        break;
    }
    case WM_ENDSESSION:
        DoEndSession();
        if (wparam == 1)
            DeleteIcon();
        break;
    case kTrayCallbackMessage:
        switch (LOWORD(lparam)) {
        case WM_LBUTTONDOWN: MouseAction(ticLeftClick, OnLButtonDown); break;
        case WM_LBUTTONUP: MouseAction(ticLeftClickUp, OnLButtonUp); break;
        case WM_LBUTTONDBLCLK: MouseAction(ticLeftDblClick, OnLButtonDblClick); break;
        case WM_RBUTTONDOWN: MouseAction(ticRightClick, OnRButtonDown); break;
        case WM_RBUTTONUP: MouseAction(ticRightClickUp, OnRButtonUp); break;
        case WM_RBUTTONDBLCLK: MouseAction(ticRightDblClick, OnRButtonDblClick); break;
        case NIN_BALLOONHIDE:
            if (OnBalloonHintHide)
                OnBalloonHintHide(this);
            break;
        case NIN_BALLOONTIMEOUT:
            if (OnBalloonHintClose)
                OnBalloonHintClose(this);
            break;
        case NIN_BALLOONUSERCLICK:
            if (OnBalloonHintClick)
                OnBalloonHintClick(this);
            break;
        }
        break;
    }
    if (msg == g_taskbar_created && g_taskbar_created != 0 && m_enabled) {
        try {
            m_taskbar_recreated = true;
            m_added = false;  // the new taskbar has no icon of ours
            SetEnabled(true);
        } catch (...) {
        }
        m_taskbar_recreated = false;
    }
    return result;
}

} // namespace client
