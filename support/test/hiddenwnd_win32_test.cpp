// Tests of the hidden message windows: sharing of handlers and windows, per-thread handlers, the
// window class's life, message-number refusals, dispatching, timers and self-release.
#include "support/hiddenwnd.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace support;

namespace {

// A component that needs two message numbers and records what reaches it.
class TwoMessageControl : public THiddenWndControl {
public:
    using THiddenWndControl::THiddenWndControl;
    ~TwoMessageControl() override
    {
        DisposeWindow();
        if (destroyed)
            *destroyed = true;
    }
    UINT Extra() const { return m_extra; }
    UINT ReleaseMsg() const { return FMsgRelease; }
    std::vector<UINT> received;
    bool* destroyed = nullptr;
    bool raise = false;

protected:
    int MessageCountNeeded() override { return THiddenWndControl::MessageCountNeeded() + 1; }
    void ReserveMessages() override
    {
        THiddenWndControl::ReserveMessages();
        m_extra = FWndHandler->AllocateMsgHandler(this);
    }
    void FreeMessages() override
    {
        if (FWndHandler)
            FWndHandler->UnregisterMessage(m_extra);
        THiddenWndControl::FreeMessages();
    }
    void WindowProcedure(TMessage& msg) override
    {
        if (msg.Msg == m_extra && m_extra != 0) {
            received.push_back(msg.Msg);
            if (raise)
                throw core::Exception(u"handler failed");
            return;
        }
        THiddenWndControl::WindowProcedure(msg);
    }
    void HandleBackgroundError(const std::exception& e) override { THiddenWndControl::HandleBackgroundError(e); }

private:
    UINT m_extra = 0;
};

void Pump()
{
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

template <class F>
bool PumpUntil(F condition, int timeoutMs = 3000)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > DWORD(timeoutMs))
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return true;
}

} // namespace

TEST(HiddenWnd, FiftyOneComponentsOfTwoMessagesShareTwoWindowsAndTheClassGoesWithTheLast)
{
    const int windowsBefore = THiddenWndHandlerPool::WindowCount();
    ASSERT_EQ(windowsBefore, 0) << "another test left a hidden window";
    std::vector<std::unique_ptr<TwoMessageControl>> controls;
    for (int i = 0; i < 51; ++i) {
        controls.push_back(std::make_unique<TwoMessageControl>());
        ASSERT_NE(controls.back()->Handle(), nullptr);
    }
    EXPECT_EQ(THiddenWndHandlerPool::WindowCount(), 2);
    EXPECT_TRUE(HiddenWndClassRegistered());
    for (int i = 1; i < 50; ++i)
        EXPECT_EQ(controls[size_t(i)]->WndHandler(), controls[0]->WndHandler());
    EXPECT_NE(controls[50]->WndHandler(), controls[0]->WndHandler());
    EXPECT_EQ(controls[0]->WndHandler()->MsgLeft(), 0);
    EXPECT_EQ(controls[0]->WndHandler()->MsgLow(), 1025u);
    EXPECT_EQ(controls[50]->WndHandler()->MsgLow(), 1025u);

    HWND second = controls[50]->Handle();
    controls.pop_back();
    EXPECT_FALSE(IsWindow(second)) << "the handler's window goes with its last component";
    EXPECT_EQ(THiddenWndHandlerPool::WindowCount(), 1);
    controls.clear();
    EXPECT_EQ(THiddenWndHandlerPool::WindowCount(), 0);
    EXPECT_FALSE(HiddenWndClassRegistered());
}

TEST(HiddenWnd, TheWindowIsMadeWhenFirstNeededInTheOwningThread)
{
    TwoMessageControl control;
    control.ThreadAttach();
    EXPECT_TRUE(control.Attached());
    EXPECT_EQ(THiddenWndHandlerPool::WindowCount(), 0);
    std::thread other([&] {
        try {
            control.WndHandler()->Handle();
            ADD_FAILURE() << "made in another thread";
        } catch (const EHiddenWndException& e) {
            EXPECT_EQ(e.Message(), u"Cannot create the hidden window from another thread");
        }
    });
    other.join();
    HWND hwnd = control.Handle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), GetCurrentThreadId());
    EXPECT_EQ(THiddenWndHandlerPool::WindowCount(), 1);
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, L"HiddenWndControlWindowClass");
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, 0), reinterpret_cast<LONG_PTR>(control.WndHandler())) << "full width";
}

TEST(HiddenWnd, ComponentsOfTwoThreadsNeverShareAHandler)
{
    TwoMessageControl mine;
    ASSERT_NE(mine.Handle(), nullptr);
    THiddenWndHandler* otherHandler = nullptr;
    HWND otherWindow = nullptr;
    DWORD otherThread = 0;
    std::thread worker([&] {
        TwoMessageControl theirs;
        otherWindow = theirs.Handle();
        otherHandler = theirs.WndHandler();
        otherThread = theirs.ThreadID();
        EXPECT_EQ(GetWindowThreadProcessId(otherWindow, nullptr), GetCurrentThreadId());
    });
    worker.join();
    EXPECT_NE(otherHandler, mine.WndHandler());
    EXPECT_NE(otherWindow, mine.Handle());
    EXPECT_NE(otherThread, mine.ThreadID());
    EXPECT_EQ(mine.ThreadID(), GetCurrentThreadId());
}

TEST(HiddenWnd, AttachAndDetachRefusals)
{
    TwoMessageControl control;
    control.Handle();
    try {
        control.ThreadAttach();
        ADD_FAILURE() << "attached twice";
    } catch (const EHiddenWndException& e) {
        EXPECT_EQ(e.Message(), u"Cannot attach when not detached");
    }
    std::thread other([&] {
        try {
            control.ThreadDetach();
            ADD_FAILURE() << "detached from another thread";
        } catch (const EHiddenWndException& e) {
            EXPECT_EQ(e.Message(), u"Cannot detach from another thread");
        }
    });
    other.join();
    control.ThreadDetach();
    EXPECT_EQ(control.WndHandler(), nullptr);
    control.ThreadAttach();
    EXPECT_NE(control.WndHandler(), nullptr);
}

TEST(HiddenWnd, HandlerMessageNumberRefusals)
{
    TwoMessageControl control;
    control.Handle();
    THiddenWndHandler* handler = control.WndHandler();
    const UINT low = handler->MsgLow();
    struct Case {
        const char* what;
        std::function<void()> call;
        const char16_t* message;
    } cases[] = {
        {"register above the range", [&] { handler->RegisterMessage(low + 100, &control); }, u"Msg value out of bound"},
        {"register below the range", [&] { handler->RegisterMessage(low - 1, &control); }, u"Msg value out of bound"},
        {"register a used number", [&] { handler->RegisterMessage(control.Extra(), &control); }, u"Msg already registered"},
        {"unregister an empty slot", [&] { UINT m = low + 50; handler->UnregisterMessage(m); }, u"Msg not registered"},
        {"unregister above the range", [&] { UINT m = low + 100; handler->UnregisterMessage(m); }, u"Msg value out of bound"},
        {"unregister below the range", [&] { UINT m = low - 5; handler->UnregisterMessage(m); }, u"Msg value out of bound"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << ": no refusal";
        } catch (const EHiddenWndException& e) {
            EXPECT_EQ(e.Message(), c.message) << c.what;
        }
    }
    UINT zero = 0;
    EXPECT_NO_THROW(handler->UnregisterMessage(zero));
    EXPECT_EQ(handler->MsgLeft(), 98);

    THiddenWndHandler unset(nullptr, 100);
    try {
        unset.AllocateMsgHandler(&control);
        ADD_FAILURE();
    } catch (const EHiddenWndException& e) {
        EXPECT_EQ(e.Message(), u"MsgLow not defined");
    }
}

TEST(HiddenWnd, MessagesTimersErrorsAndReleaseReachTheComponent)
{
    bool destroyed = false;
    auto* control = new TwoMessageControl();
    control->destroyed = &destroyed;
    HWND hwnd = control->Handle();
    PostMessageW(hwnd, control->Extra(), 0, 0);
    Pump();
    ASSERT_EQ(control->received.size(), 1u);

    // An error of the handler goes to OnBgException, not out of the window procedure.
    int bgErrors = 0;
    control->OnBgException = [&](core::Object*, const std::exception&, bool& canClose) {
        ++bgErrors;
        canClose = false;
    };
    control->raise = true;
    PostMessageW(hwnd, control->Extra(), 0, 0);
    Pump();
    EXPECT_EQ(bgErrors, 1);
    control->raise = false;

    int ticks = 0;
    control->SetComponentTimer(7, 10, [&] { ++ticks; });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    control->KillComponentTimer(7);
    // A timer message that is not one of the handler's timers is ignored.
    const int before = ticks;
    PostMessageW(hwnd, WM_TIMER, 12345, 0);
    PostMessageW(hwnd, WM_TIMER, 7, 0);
    Pump();
    EXPECT_EQ(ticks, before);

    control->Release();
    EXPECT_FALSE(destroyed);
    Pump();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(HiddenWnd, ProcessMessageStopsAtQuit)
{
    TwoMessageControl control;
    control.Handle();
    PostMessageW(control.Handle(), control.Extra(), 0, 0);
    PostQuitMessage(0);
    control.ProcessMessages();
    EXPECT_TRUE(control.Terminated());
    EXPECT_EQ(control.received.size(), 1u);
}
