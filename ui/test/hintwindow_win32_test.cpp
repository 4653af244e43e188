// The hint protocol through the application: the pause and the hide pause on the timer clock, the
// control's say over pause, place, text and window class, the plain hint window, the messages that
// hide a hint; and print jobs recorded as metafile pages.
#include "ui/test/uitest.h"
#include "ui/customcontrol.h"
#include "ui/hintwindow.h"
#include "ui/printer.h"

namespace ui::test {
namespace {

// A control that answers the hint messages as the test tells it.
class HintingControl : public CustomControl {
public:
    using CustomControl::CustomControl;
    unsigned pause = 200;
    LRESULT answer = 0;
    POINT place{};
    RECT cursorRect{0, 0, 0, 0}; // empty: the application's (the client area) stays
    core::String text;
    int asked = 0;

protected:
    void WndProc(Message& message) override
    {
        if (message.Msg == CM_HINTSHOWPAUSE) {
            *reinterpret_cast<unsigned*>(message.LParam) = pause;
            return;
        }
        if (message.Msg == CM_HINTSHOW) {
            ++asked;
            auto& info = *reinterpret_cast<HintInfo*>(message.LParam);
            info.HintPos = place;
            if (!IsRectEmpty(&cursorRect))
                info.CursorRect = cursorRect;
            if (!text.empty())
                info.HintStr = text;
            message.Result = answer;
            return;
        }
        CustomControl::WndProc(message);
    }
};

class Hints : public UiTest {
protected:
    Hints()
    {
        form->SetClientSize(300, 200);
        control = new HintingControl(form.get());
        control->SetParent(form.get());
        control->SetBounds(10, 10, 100, 50);
        control->SetHint(u"提示|the long part");
        control->SetShowHint(true);
        form->Show();
        // The real cursor away from the form: its moves would start hints of their own.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        Pump();
        App().SetMouseControl(nullptr);
    }
    ~Hints() override
    {
        App().CancelHint();
        App().SetMouseControl(nullptr);
        form.reset();
    }
    void Enter() { SendMessageW(control->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); }

    std::unique_ptr<Form> form{new Form()};
    HintingControl* control = nullptr;
};

TEST_F(Hints, ThePauseAndTheHidePauseRunOnTheTimerClock)
{
    control->place = POINT{120, 140};
    App().SetHintHidePause(1000);
    Enter();
    EXPECT_EQ(App().HintControl(), nullptr);
    m_clock.Advance(199);
    EXPECT_EQ(control->asked, 0);
    m_clock.Advance(1);
    EXPECT_EQ(control->asked, 1);
    ASSERT_EQ(App().HintControl(), control);
    EXPECT_EQ(App().HintText(), u"提示");
    HintWindow* window = App().ActiveHintWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Shown());
    RECT r{};
    GetWindowRect(window->Handle(), &r);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 140);
    EXPECT_FALSE(GetWindowLongW(window->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_NE(GetActiveWindow(), window->Handle());
    m_clock.Advance(1000);
    EXPECT_EQ(App().HintControl(), nullptr);
    EXPECT_FALSE(window->Shown());
    App().SetHintHidePause(2500);
}

TEST_F(Hints, LeavingTheCursorRectangleHidesTheHintAndStartsThePauseAgain)
{
    control->cursorRect = RECT{0, 0, 40, 50};
    POINT inside{20, 20};
    ::ClientToScreen(control->Handle(), &inside);
    SetCursorPos(inside.x, inside.y);
    Enter();
    m_clock.Advance(200);
    ASSERT_EQ(App().HintControl(), control);
    // A move inside the rectangle keeps the hint.
    PostMessageW(control->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(25, 20));
    App().ProcessMessages();
    EXPECT_EQ(App().HintControl(), control);
    // Out of it: the hint goes and the pause runs again for the new place.
    POINT p{70, 20};
    ::ClientToScreen(control->Handle(), &p);
    SetCursorPos(p.x, p.y);
    PostMessageW(control->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(70, 20));
    App().ProcessMessages();
    EXPECT_EQ(App().HintControl(), nullptr);
    EXPECT_EQ(control->asked, 1);
    m_clock.Advance(200);
    EXPECT_EQ(control->asked, 2);
    EXPECT_EQ(App().HintControl(), control);
}

TEST_F(Hints, TheControlMayRefuseOrReplaceTheText)
{
    struct Case {
        LRESULT answer;
        const char16_t* text;
        bool shown;
        const char16_t* expected;
    } cases[] = {
        {0, u"", true, u"提示"},
        {0, u"另一个", true, u"另一个"},
        {1, u"", false, u""},
    };
    for (const Case& c : cases) {
        App().SetMouseControl(nullptr);
        control->pause = 0;
        control->answer = c.answer;
        control->text = c.text;
        Enter();
        EXPECT_EQ(App().HintControl() != nullptr, c.shown);
        EXPECT_EQ(App().HintText(), c.expected);
    }
}

TEST_F(Hints, KeysAndButtonsHideAPlainHintAndTheLoopStillHandlesThem)
{
    control->pause = 0;
    for (UINT msg : {UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN)}) {
        App().SetMouseControl(nullptr);
        Enter();
        ASSERT_NE(App().HintControl(), nullptr);
        PostMessageW(form->Handle(), msg, 0, 0);
        App().ProcessMessages();
        EXPECT_EQ(App().HintControl(), nullptr) << msg;
    }
}

TEST_F(Hints, APrintJobRecordsOneMetafilePerPage)
{
    MetafilePrinter printer(120, 80);
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    for (int page = 0; page < 3; ++page) {
        if (page > 0)
            printer.NewPage();
        Canvas& canvas = printer.Canvas();
        canvas.SetBrushColor(page == 1 ? clRed : clBlue);
        canvas.FillRect(RECT{10, 10, 50, 40});
    }
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    ASSERT_EQ(printer.Pages().size(), 3u);
    EXPECT_EQ(printer.PageCount(), 3);
    for (size_t page = 0; page < 3; ++page) {
        std::vector<uint32_t> pixels = printer.RenderPage(page);
        ASSERT_EQ(pixels.size(), 120u * 80u);
        const uint32_t inside = pixels[25 * 120 + 30], outside = pixels[70 * 120 + 100];
        EXPECT_EQ(inside, page == 1 ? 0xFF0000u : 0x0000FFu) << page; // 0xRRGGBB of the DIB
        EXPECT_EQ(outside, 0xFFFFFFu) << page;
    }
    // Aborted jobs keep the pages made so far.
    printer.BeginDoc();
    printer.Abort();
    EXPECT_EQ(printer.Pages().size(), 3u);
}

} // namespace
} // namespace ui::test
