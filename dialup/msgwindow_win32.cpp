// Hidden message-only window.
#include "dialup/msgwindow_win32.h"

namespace dialup {

namespace {

constexpr wchar_t kClassName[] = L"DialupMessageWindow";

ATOM RegisterOnce()
{
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassW(&wc);
    }();
    return atom;
}

} // namespace

MessageWindow::MessageWindow(Handler handler) : m_handler(std::move(handler))
{
    RegisterOnce();
    m_handle = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    if (m_handle) {
        // The object pointer at full width; the procedure is switched only after it is stored.
        SetWindowLongPtrW(m_handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindow::Procedure));
    }
}

MessageWindow::~MessageWindow()
{
    if (m_handle) {
        SetWindowLongPtrW(m_handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
        SetWindowLongPtrW(m_handle, GWLP_USERDATA, 0);
        DestroyWindow(m_handle);
    }
}

bool MessageWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return m_handle && PostMessageW(m_handle, message, wParam, lParam);
}

LRESULT CALLBACK MessageWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->m_handler) {
        LRESULT result = 0;
        try {
            if (self->m_handler(message, wParam, lParam, result))
                return result;
        } catch (...) {
            // Nothing may leave a window procedure.
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace dialup
