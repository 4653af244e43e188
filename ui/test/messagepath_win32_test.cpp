// The one message path: the handle map, the window method hook, reflection of notifications back to
// the child, component messages and errors stopped at the window procedure.
#include "core/thread.h"
#include "ui/test/uitest.h"
#include "ui/button.h"
#include "ui/customcontrol.h"
#include "ui/graphiccontrol.h"

namespace ui::test {
namespace {

using MessagePath = UiTest;

TEST_F(MessagePath, HandleMapFindsTheControlAndForgetsADestroyedWindow)
{
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    HWND window = button->Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WinControl::FindControl(window), button);
    EXPECT_EQ(WinControl::FindControl(form->Handle()), form.get());
    button->DestroyHandle();
    EXPECT_FALSE(button->HandleAllocated());
    EXPECT_EQ(WinControl::FindControl(window), nullptr);
    EXPECT_FALSE(IsWindow(window));
    // Made again on demand, under its parent.
    EXPECT_EQ(GetParent(button->Handle()), form->Handle());
}

TEST_F(MessagePath, ChainedWindowProcSeesSystemMessagesAndPerformAndPassesThemOn)
{
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    button->HandleNeeded();
    std::vector<UINT> seen;
    WndMethod previous = button->WindowProc();
    button->SetWindowProc([&](Message& message) {
        seen.push_back(message.Msg);
        previous(message);
    });
    SendMessageW(button->Handle(), WM_SETTEXT, 0, LPARAM(L"确定"));
    EXPECT_EQ(button->Caption(), u"确定"); // passed on to the system's procedure
    EXPECT_EQ(button->Perform(CM_MOUSEENTER), 0);
    EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_SETTEXT)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), CM_MOUSEENTER), seen.end());
    button->SetWindowProc(nullptr); // back to the control's own method
    seen.clear();
    button->Perform(CM_MOUSELEAVE);
    EXPECT_TRUE(seen.empty());
}

TEST_F(MessagePath, CommandOfAChildIsReflectedToItAsCnCommand)
{
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    int clicks = 0;
    button->OnClick = [&](core::Object* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    std::vector<UINT> seen;
    WndMethod previous = button->WindowProc();
    button->SetWindowProc([&](Message& message) {
        seen.push_back(message.Msg);
        previous(message);
    });
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(0xBC00 + WM_COMMAND)), seen.end());
}

TEST_F(MessagePath, ControlColourRequestIsAnsweredByTheChild)
{
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    button->SetColor(clRed);
    HDC dc = GetDC(button->Handle());
    auto brush = HBRUSH(SendMessageW(form->Handle(), WM_CTLCOLORBTN, WPARAM(dc), LPARAM(button->Handle())));
    LOGBRUSH info{};
    ASSERT_EQ(GetObjectW(brush, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.lbColor, COLORREF(0x0000FF));
    ReleaseDC(button->Handle(), dc);
}

TEST_F(MessagePath, ErrorOfAHandlerStopsAtTheWindowProcedureAndReachesTheApplication)
{
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    button->OnClick = [](core::Object*) { throw core::EConvertError(u"'x' is not a valid integer value"); };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], u"'x' is not a valid integer value");

    // The silent exception is swallowed without a report.
    button->OnClick = [](core::Object*) { core::Abort(); };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(m_errors.size(), 1u);
}

TEST_F(MessagePath, WithoutAnErrorHandlerTheErrorIsShownInAMessageBox)
{
    App().OnException = nullptr;
    App().SetTitle(u"客户端");
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    button->OnClick = [](core::Object*) { throw core::Exception(u"失败"); };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"失败.");
    EXPECT_EQ(m_box.Calls()[0].caption, u"客户端");
    EXPECT_EQ(m_box.Calls()[0].flags, unsigned(mbOK | mbIconError));
}

// A windowless control that counts what reaches it.
class Probe : public GraphicControl {
public:
    using GraphicControl::GraphicControl;
    int paints = 0;

protected:
    void Paint(Canvas& canvas) override
    {
        ++paints;
        canvas.SetBrushColor(clLime);
        canvas.FillRect(RECT{0, 0, Width(), Height()});
    }
};

TEST_F(MessagePath, MouseOverAWindowlessChildEntersAndLeavesIt)
{
    std::unique_ptr<Form> form(new Form());
    auto* probe = new Probe(form.get());
    probe->SetParent(form.get());
    probe->SetBounds(10, 10, 50, 20);
    int enters = 0, leaves = 0, clicks = 0;
    probe->OnMouseEnter = [&](core::Object*) { ++enters; };
    probe->OnMouseLeave = [&](core::Object*) { ++leaves; };
    probe->OnClick = [&](core::Object*) { ++clicks; };
    HWND window = form->Handle();
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(20, 15));
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(25, 16));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(App().MouseControl(), probe);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(21, 15));
    EXPECT_EQ(clicks, 1);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(App().MouseControl(), form.get());
    // The numbers other modules rely on.
    EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
    EXPECT_EQ(CM_MOUSELEAVE, 0xB014u);
}

TEST_F(MessagePath, WindowlessChildIsPaintedByItsParent)
{
    std::unique_ptr<Form> form(new Form());
    auto* probe = new Probe(form.get());
    probe->SetParent(form.get());
    probe->SetBounds(10, 10, 50, 20);
    form->SetBounds(100, 100, 200, 150);
    form->Show();
    UpdateWindow(form->Handle());
    EXPECT_GE(probe->paints, 1);
    HDC dc = GetDC(form->Handle());
    COLORREF inside = GetPixel(dc, 20, 15);
    COLORREF outside = GetPixel(dc, 100, 100);
    ReleaseDC(form->Handle(), dc);
    EXPECT_EQ(inside, COLORREF(0x00FF00));
    EXPECT_NE(outside, COLORREF(0x00FF00));
}

TEST_F(MessagePath, ShowingChangedReachesChildrenWhenTheFormShowsAndHides)
{
    std::unique_ptr<Form> form(new Form());
    auto* button = new Button(form.get());
    button->SetParent(form.get());
    int changes = 0;
    WndMethod previous = button->WindowProc();
    button->SetWindowProc([&](Message& message) {
        if (message.Msg == CM_SHOWINGCHANGED)
            ++changes;
        previous(message);
    });
    form->Show();
    EXPECT_TRUE(button->Showing());
    form->Hide();
    EXPECT_FALSE(button->Showing());
    EXPECT_EQ(changes, 2);
}

TEST_F(MessagePath, FontOfTheParentReachesChildrenThatFollowIt)
{
    std::unique_ptr<Form> form(new Form());
    auto* own = new Button(form.get());
    own->SetParent(form.get());
    own->Font().SetHeight(-20);
    auto* follower = new Button(form.get());
    follower->SetParent(form.get());
    form->Font().SetName(u"宋体");
    form->Font().SetHeight(-12);
    EXPECT_EQ(follower->Font().Name(), u"宋体");
    EXPECT_TRUE(follower->ParentFont());
    EXPECT_EQ(own->Font().Height(), -20);
    EXPECT_FALSE(own->ParentFont());
    EXPECT_EQ(HFONT(SendMessageW(follower->Handle(), WM_GETFONT, 0, 0)), follower->Font().Handle());
}

} // namespace
} // namespace ui::test

namespace ui::test {
namespace {

class Worker : public core::Thread {
public:
    explicit Worker(std::atomic<int>& result) : core::Thread(true), m_result(result) {}

protected:
    void Execute() override
    {
        // The call runs on the main thread while this one waits for it.
        Synchronize([&] { m_result = core::CurrentThreadId() == core::MainThreadId() ? 42 : -1; });
    }

private:
    std::atomic<int>& m_result;
};

TEST_F(MessagePath, WorkerSynchronizeRunsInTheMessageLoop)
{
    core::SetMainThread();
    std::atomic<int> result{0};
    std::unique_ptr<Worker> worker(new Worker(result));
    worker->Start();
    // The loop sleeps in WaitMessage until the worker's wake message arrives.
    for (int i = 0; i < 200 && result == 0; ++i)
        App().HandleMessage();
    worker->WaitFor();
    EXPECT_EQ(result, 42);
}

} // namespace
} // namespace ui::test
