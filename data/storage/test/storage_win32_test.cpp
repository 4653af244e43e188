// What needs Windows itself: the system's collation under the Chinese prefix, its ANSI code page, the
// version query and the window timer in a real message loop.
#include "data/storage/encoding.h"
#include "data/storage/memutils.h"
#include "data/storage/win32timer.h"

#include "core/codepage.h"
#include "core/exception.h"
#include "core/win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace data;

TEST(StorageOnWindows, SystemCodePageAndVersion)
{
    ASSERT_EQ(core::SystemAnsiCodePage(), 936u);
    EXPECT_EQ(&Encoding::GetEncoding(936), &Encoding::Default());
    EXPECT_EQ(Encoding::Default().GetBytes(String(u"\u4E2D")), (TBytes{0xD6, 0xD0}));
    EXPECT_FALSE(IsWin9x());
}

TEST(StorageOnWindows, CollationOfTheUserLocale)
{
    struct Case { const char16_t* a; const char16_t* b; int cs; int ci; } cases[] = {
        {u"abc", u"ABC", -1, 0},
        {u"a", u"B", -1, -1},
        {u"co-op", u"coop", -1, -1},  // the hyphen sorts as a symbol
        {u"b", u"a-c", 1, 1},
        {u"\u4E2D", u"\u4E2D", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocaleCompareW(c.a, c.b), c.cs) << core::ToUtf8(c.a) << " " << core::ToUtf8(c.b);
        EXPECT_EQ(LocaleCompareTextW(c.a, c.b), c.ci) << core::ToUtf8(c.a) << " " << core::ToUtf8(c.b);
        EXPECT_EQ(LocaleCompareA(core::ToAnsi(c.a), core::ToAnsi(c.b)), c.cs);
        EXPECT_EQ(LocaleCompareTextA(core::ToAnsi(c.a), core::ToAnsi(c.b)), c.ci);
    }
    EXPECT_EQ(LocaleCompareTextLenW(u"ABCx", u"abcy", 3), 0);
    EXPECT_EQ(LocaleCompareZ("a", "b"), -1);
}

namespace {

// Counts the restarts, so that the tests see when the timer was started again.
class CountingTimer : public TWin32Timer {
public:
    int restarts = 0;

protected:
    void UpdateTimer() override
    {
        ++restarts;
        TWin32Timer::UpdateTimer();
    }
};

// Runs the thread's message loop until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

} // namespace

TEST(Win32Timer, WindowAndDefaults)
{
    CountingTimer timer;
    HWND window = static_cast<HWND>(timer.WindowHandle());
    ASSERT_TRUE(IsWindow(window));
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    EXPECT_STREQ(name, L"TOraAlerterWindow");
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_POPUP);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    // Nothing runs without a handler: killing the timer fails because none was set.
    EXPECT_FALSE(KillTimer(window, 1));
    timer.SetOnTimer([](core::Object*) {});
    EXPECT_EQ(timer.restarts, 1);
    EXPECT_TRUE(KillTimer(window, 1));  // it was running (with the 1000 ms default)
}

TEST(Win32Timer, RestartsOnlyOnChange)
{
    CountingTimer timer;
    timer.SetInterval(1000);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.restarts, 0);
    timer.SetInterval(20);
    EXPECT_EQ(timer.restarts, 1);
    const auto handler = [](core::Object*) {};
    timer.SetOnTimer(handler);
    timer.SetOnTimer(handler);
    EXPECT_EQ(timer.restarts, 3);
    timer.SetEnabled(false);
    EXPECT_EQ(timer.restarts, 4);
    EXPECT_FALSE(KillTimer(static_cast<HWND>(timer.WindowHandle()), 1));
}

TEST(Win32Timer, TicksInAMessageLoopAndSurvivesAnException)
{
    std::vector<String> reported;
    core::SetApplicationExceptionHandler([&](const std::exception& error) { reported.push_back(core::ExceptionMessage(error)); });
    {
        TWin32Timer timer;
        int ticks = 0;
        core::Object* sender = nullptr;
        timer.SetInterval(10);
        timer.SetOnTimer([&](core::Object* s) {
            sender = s;
            if (++ticks == 1)
                throw core::Exception(u"first tick fails");
        });
        EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
        EXPECT_EQ(sender, &timer);
        timer.SetEnabled(false);
        const int stopped_at = ticks;
        PumpUntil([] { return false; }, 100);
        EXPECT_EQ(ticks, stopped_at);
    }
    core::SetApplicationExceptionHandler({});
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], u"first tick fails");
}

TEST(Win32Timer, ReRegistersAClassLeftWithAnotherProcedure)
{
    {
        TWin32Timer first;  // makes sure the class exists, then lets it go with its window
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    ASSERT_TRUE(UnregisterClassW(L"TOraAlerterWindow", instance));
    WNDCLASSW other{};
    other.lpfnWndProc = DefWindowProcW;
    other.hInstance = instance;
    other.lpszClassName = L"TOraAlerterWindow";
    ASSERT_TRUE(RegisterClassW(&other));
    TWin32Timer timer;
    int ticks = 0;
    timer.SetInterval(10);
    timer.SetOnTimer([&](core::Object*) { ++ticks; });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; }));
}
