// The driver against a program of its own (tests/e2e/fixture): windows, controls, typing, keys,
// message boxes, time-outs and exit codes, all across a process boundary.
#include "tests/e2e/driver.h"
#include "tests/e2e/process.h"
#include "tests/e2e/world.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

using namespace std::chrono_literals;

const wchar_t kTitle[] = L"测试夹具";

class Fixture : public ::testing::Test {
protected:
    void Launch(const std::wstring& arguments = {})
    {
        m_process = Process::Start(FromBuildPath(E2E_FIXTURE_PROGRAM), arguments, {});
        WindowQuery query;
        query.title = kTitle;
        m_window = WaitTopLevel(m_process.Id(), query, 15s);
        ASSERT_NE(m_window, nullptr) << "the fixture's window did not appear";
    }
    HWND Button(const wchar_t* caption) { return FindControl(m_window, L"BUTTON", caption); }

    Process m_process;
    HWND m_window = nullptr;
};

TEST_F(Fixture, FindsWindowAndControlsByKindAndText)
{
    Launch();
    EXPECT_EQ(ClassOf(m_window), L"E2EFixtureWindow");
    WindowQuery by_class;
    by_class.kind = L"e2efixturewindow";
    EXPECT_EQ(TopLevelWindows(m_process.Id(), by_class), std::vector<HWND>{m_window});
    EXPECT_EQ(Controls(m_window, L"EDIT").size(), 2u) << DescribeControls(m_window);
    EXPECT_NE(Button(L"登  陆"), nullptr);
    EXPECT_NE(FindControl(m_window, L"STATIC", L"用户名:"), nullptr);
    EXPECT_EQ(FindControl(m_window, L"BUTTON", L"没有"), nullptr);
    EXPECT_EQ(ControlAt(m_window, L"EDIT", 2), nullptr);
    HWND status = ControlAt(m_window, L"msctls_statusbar32", 0);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(TextOf(status), L"未连接");
    EXPECT_EQ(StatusBarTexts(status), (std::vector<std::wstring>{L"未连接", L"", L"已加速:1KB/2KB"}));
    // Windows of another process are not found under this one's id.
    WindowQuery by_title;
    by_title.title = kTitle;
    EXPECT_TRUE(TopLevelWindows(GetCurrentProcessId(), by_title).empty());
}

TEST_F(Fixture, WarningBoxIsReadAndAnswered)
{
    Launch();
    ASSERT_TRUE(Click(Button(L"登  陆")));
    auto box = WaitMessageBox(m_process.Id(), 10s);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, kTitle);
    EXPECT_EQ(box->text, L"账号不能为空");
    EXPECT_EQ(box->buttons.size(), 1u);
    EXPECT_TRUE(box->has_icon);
    ASSERT_TRUE(Answer(*box, IDOK));
    EXPECT_TRUE(MessageBoxes(m_process.Id()).empty());
    EXPECT_TRUE(m_process.Running());
}

TEST_F(Fixture, TypedTextReachesTheProgramAndYesEndsIt)
{
    Launch();
    HWND user = ControlAt(m_window, L"EDIT", 0);
    HWND pass = ControlAt(m_window, L"EDIT", 1);
    ASSERT_TRUE(SetText(user, L"演示 user"));
    ASSERT_TRUE(TypeText(pass, L"p&ss 密码"));
    EXPECT_TRUE(WaitFor([&] { return TextOf(pass) == L"p&ss 密码"; }, 5s));
    ASSERT_TRUE(Click(FindControl(m_window, L"BUTTON", L"记住密码")));
    EXPECT_TRUE(WaitFor([&] { return CheckState(FindControl(m_window, L"BUTTON", L"记住密码")) == BST_CHECKED; }, 5s));

    ASSERT_TRUE(Click(Button(L"登  陆")));
    auto box = WaitMessageBox(m_process.Id(), 10s);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"演示 user|p&ss 密码");
    EXPECT_EQ(box->buttons.size(), 2u);
    ASSERT_TRUE(Answer(*box, IDNO));
    EXPECT_FALSE(m_process.WaitExit(300ms)) << "No keeps the program running";

    ASSERT_TRUE(Click(Button(L"登  陆")));
    box = WaitMessageBox(m_process.Id(), 10s);
    ASSERT_TRUE(box);
    ASSERT_TRUE(Answer(*box, IDYES));
    EXPECT_EQ(m_process.WaitExit(10s), std::optional<DWORD>(30 + 7));
}

TEST_F(Fixture, KeysGoWhereTheKeyboardWouldSendThem)
{
    struct Case {
        UINT key;
        DWORD exit_code;
    };
    // Enter presses the default button (an empty user name: the warning), Esc the cancel button.
    for (const Case& c : {Case{VK_RETURN, 0}, Case{VK_ESCAPE, 5}}) {
        Launch();
        HWND focus = nullptr;
        // The window may hold the focus itself for a moment before it hands it to its first edit.
        ASSERT_TRUE(WaitFor([&] { return (focus = FocusOf(m_window)) == ControlAt(m_window, L"EDIT", 0); }, 5s));
        ASSERT_TRUE(PressKey(focus, c.key));
        if (c.key == VK_RETURN) {
            auto box = WaitMessageBox(m_process.Id(), 10s);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text, L"账号不能为空");
            ASSERT_TRUE(Answer(*box, IDOK));
            m_process.Kill();
        } else {
            EXPECT_EQ(m_process.WaitExit(10s), std::optional<DWORD>(c.exit_code));
        }
    }
}

TEST_F(Fixture, ComboItemsAreReadAndChosen)
{
    Launch();
    HWND combo = ControlAt(m_window, L"COMBOBOX", 0);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(ComboCount(combo), 3);
    EXPECT_EQ(ComboItems(combo), (std::vector<std::wstring>{L"华东", L"华南", L"海外"}));
    EXPECT_EQ(ComboItem(combo, 2), std::optional<std::wstring>(L"海外"));
    EXPECT_FALSE(ComboItem(combo, 3));
    HWND label = ControlAt(m_window, L"STATIC", 0);
    ASSERT_TRUE(ComboSelect(combo, L"华南"));
    EXPECT_TRUE(WaitFor([&] { return TextOf(label) == L"华南"; }, 5s)) << "the program was told of the choice";
    EXPECT_FALSE(ComboSelect(combo, L"华"));
}

TEST_F(Fixture, DisabledButtonCannotBePressed)
{
    Launch();
    HWND disabled = Button(L"不可用");
    ASSERT_NE(disabled, nullptr);
    EXPECT_FALSE(IsEnabled(disabled));
    EXPECT_FALSE(Click(disabled));
    EXPECT_FALSE(Click(nullptr));
}

TEST(Driver, WaitsEndAtTheirTimeOut)
{
    Process late = Process::Start(FromBuildPath(E2E_FIXTURE_PROGRAM), L"--delay 1500", {});
    WindowQuery query;
    query.title = kTitle;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitTopLevel(late.Id(), query, 300ms), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(late.WaitExit(100ms));
    EXPECT_NE(WaitTopLevel(late.Id(), query, 15s), nullptr) << "the late window appears after all";
    late.Kill();
    EXPECT_FALSE(late.Running());

    query.title = L"没有这个窗口";
    EXPECT_FALSE(WaitMessageBox(GetCurrentProcessId(), 200ms));
}

TEST(Driver, ExitCodeOfAProgramThatEndsAtOnce)
{
    Process quick = Process::Start(FromBuildPath(E2E_FIXTURE_PROGRAM), L"--exit 42", {});
    EXPECT_EQ(quick.WaitExit(15s), std::optional<DWORD>(42));
}

TEST(Driver, ArgumentsAreQuotedForTheRuntime)
{
    EXPECT_EQ(QuoteArgument(L"plain"), L"plain");
    EXPECT_EQ(QuoteArgument(L""), L"\"\"");
    EXPECT_EQ(QuoteArgument(L"C:\\a b\\"), L"\"C:\\a b\\\\\"");
    EXPECT_EQ(QuoteArgument(L"say \"hi\""), L"\"say \\\"hi\\\"\"");
}

} // namespace
} // namespace e2e
