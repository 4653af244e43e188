// Helpers of the window tests: a scripted message box and a manual timer clock installed for each
// test, errors routed to a list instead of a box, and message pumping.
#pragma once

#include "core/exception.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/messagebox.h"
#include "ui/timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ui::test {

class UiTest : public ::testing::Test {
protected:
    UiTest() : m_box_guard(m_box), m_clock_guard(m_clock)
    {
        App().OnException = [this](core::Object*, const std::exception& error) {
            m_errors.push_back(core::ExceptionMessage(error));
        };
    }
    ~UiTest() override
    {
        App().OnException = nullptr;
        Pump();
    }

    // Handles whatever is queued (a bounded number of rounds).
    static void Pump()
    {
        for (int i = 0; i < 5; ++i)
            App().ProcessMessages();
    }

    ScriptedMessageBox m_box;
    ManualTimerClock m_clock;
    std::vector<core::String> m_errors;

private:
    MessageBoxServiceGuard m_box_guard;
    TimerClockGuard m_clock_guard;
};

// Holds the keyboard state's modifier keys down for the lifetime of the guard (the thread's own
// state, which is what GetKeyState reads).
class KeysDown {
public:
    explicit KeysDown(std::initializer_list<int> keys)
    {
        GetKeyboardState(m_saved);
        BYTE state[256];
        std::copy(std::begin(m_saved), std::end(m_saved), state);
        for (int key : keys)
            state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~KeysDown() { SetKeyboardState(m_saved); }

private:
    BYTE m_saved[256]{};
};

inline std::wstring W(core::StringView text) { return std::wstring(text.begin(), text.end()); }

} // namespace ui::test
