// A hidden message-only window owned by one object: messages of the thread that created it go to a
// handler. Kept behind this one small class so that it can move onto the GUI class library.
#pragma once

#include "core/win32.h"

#include <functional>

namespace dialup {

class MessageWindow {
public:
    // Returns true when it handled the message (result in `result`); otherwise the default
    // window procedure runs. The handler must not throw.
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    explicit MessageWindow(Handler handler);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Handle() const { return m_handle; }
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler m_handler;
    HWND m_handle = nullptr;
};

} // namespace dialup
