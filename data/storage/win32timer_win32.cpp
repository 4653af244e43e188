// The window timer: a hidden tool window per timer, whose procedure delivers WM_TIMER to the object
// kept in the window's user data.
#include "data/storage/win32timer.h"

#include "core/exception.h"
#include "core/fileio.h"
#include "core/win32.h"

namespace data {

namespace {

constexpr wchar_t kClassName[] = L"TOraAlerterWindow";
constexpr UINT_PTR kTimerId = 1;

} // namespace

struct TimerWindow {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_TIMER)
            return DefWindowProcW(window, message, wParam, lParam);
        // Exceptions never leave a window procedure: they go to the application's handler and the
        // timer keeps running.
        try {
            if (auto* timer = reinterpret_cast<TWin32Timer*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
                timer->Timer();
        } catch (...) {
            core::HandleException();
        }
        return 1;
    }

    // Registers the class with this procedure; a class of that name with another procedure (left by
    // another module) is registered again.
    static void EnsureClass()
    {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW existing{};
        const bool known = GetClassInfoW(instance, kClassName, &existing) != 0;
        if (known && existing.lpfnWndProc == &Procedure)
            return;
        if (known)
            UnregisterClassW(kClassName, instance);
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = instance;
        wc.lpszClassName = kClassName;
        RegisterClassW(&wc);
    }
};

TWin32Timer::TWin32Timer(core::Component* AOwner) : core::Component(AOwner)
{
    TimerWindow::EnsureClass();
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        const unsigned code = GetLastError();
        throw core::EOSError(u"System Error.  Code: " + core::IntToStr(code) + u".\r\n" + core::SysErrorMessage(code), code);
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FWindowHandle = window;
}

TWin32Timer::~TWin32Timer()
{
    FEnabled = false;
    HWND window = static_cast<HWND>(FWindowHandle);
    KillTimer(window, kTimerId);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

void TWin32Timer::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TWin32Timer::SetInterval(uint32_t value)
{
    if (value == FInterval)
        return;
    FInterval = value;
    UpdateTimer();
}

void TWin32Timer::SetOnTimer(TNotifyEvent value)
{
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TWin32Timer::UpdateTimer()
{
    HWND window = static_cast<HWND>(FWindowHandle);
    KillTimer(window, kTimerId);
    if (FInterval != 0 && FEnabled && FOnTimer) {
        if (SetTimer(window, kTimerId, FInterval, nullptr) == 0)
            throw core::EOutOfResources(u"Not enough timers available");
    }
}

void TWin32Timer::Timer()
{
    if (FOnTimer)
        FOnTimer(this);
}

} // namespace data
