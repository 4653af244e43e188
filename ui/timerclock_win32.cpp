// The system clock: window timers of a hidden message window on the GUI thread.
#include "core/win32.h"
#include "ui/timer.h"

#include "core/exception.h"

#include <unordered_map>

namespace ui {
namespace {

class WindowTimerClock : public TimerClock {
public:
    ~WindowTimerClock() override
    {
        if (m_window)
            DestroyWindow(m_window);
    }

    void Schedule(Timer& timer, unsigned intervalMs) override
    {
        HWND window = Window();
        UINT_PTR& id = m_ids[&timer];
        if (!id) {
            id = ++m_next_id;
            m_timers[id] = &timer;
        }
        if (!SetTimer(window, id, intervalMs, nullptr)) {
            m_timers.erase(id);
            m_ids.erase(&timer);
            throw core::EOSError(u"Not enough timers available", GetLastError());
        }
    }

    void Cancel(Timer& timer) override
    {
        auto it = m_ids.find(&timer);
        if (it == m_ids.end())
            return;
        if (m_window)
            KillTimer(m_window, it->second);
        m_timers.erase(it->second);
        m_ids.erase(it);
    }

private:
    HWND Window()
    {
        if (!m_window) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"ui.TimerWindow";
            RegisterClassExW(&wc);
            m_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       wc.hInstance, nullptr);
            SetWindowLongPtrW(m_window, GWLP_USERDATA, LONG_PTR(this));
        }
        return m_window;
    }

    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
    {
        if (msg == WM_TIMER) {
            auto* self = reinterpret_cast<WindowTimerClock*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self) {
                auto it = self->m_timers.find(wparam);
                if (it != self->m_timers.end())
                    it->second->Tick(); // never throws
            }
            return 0;
        }
        return DefWindowProcW(window, msg, wparam, lparam);
    }

    HWND m_window = nullptr;
    UINT_PTR m_next_id = 0;
    std::unordered_map<UINT_PTR, Timer*> m_timers;
    std::unordered_map<Timer*, UINT_PTR> m_ids;
};

} // namespace

TimerClock& SystemTimerClock()
{
    static WindowTimerClock clock;
    return clock;
}

} // namespace ui
