// client.exe from the outside, up to the main window: the login with its refusals and the saved
// login, closing the login, the choice of the service host, a node list that is garbage or fails, a
// batch test and a node list of 10,000 nodes. Steered only through its windows, judged by the
// service's request log, the registry and the exit code.
#include "tests/e2e/test/clienttest.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(ClientTest, LoginRefusedUntilTheAccountIsRightThenRemembered)
{
    Launch();
    LoginWindow login = WaitLogin();
    ASSERT_TRUE(login.Valid());
    struct Case {
        const wchar_t* user;
        const wchar_t* password;
        const wchar_t* message;
    };
    const Case refusals[] = {
        {L"", L"demo123", text::kUserEmpty},
        {L"demo", L"", text::kPasswordEmpty},
        {L"demo", L"wrong", text::kWrongPassword},
        {L"expired", L"expired123", text::kExpired},
        {L"usedup", L"usedup123", text::kUsedUp},
    };
    for (const Case& c : refusals) {
        SCOPED_TRACE(Utf8(c.message));
        ASSERT_TRUE(login.Submit(c.user, c.password, false));
        ExpectBox(c.message);
        EXPECT_TRUE(IsVisible(login.window)) << "the login window stays";
    }
    // Empty fields never reach the service; each other press probes the host and checks the account.
    EXPECT_EQ(m_service->Requests("usercheck.php").size(), 3u);

    // Blanks around the user name are trimmed for the check only.
    ASSERT_TRUE(login.Submit(L" demo ", L"demo123", true));
    MainWindow main = MainWindow::Find(Pid(), 30s);
    ASSERT_TRUE(main.Valid());
    const auto checks = m_service->Requests("usercheck.php");
    ASSERT_EQ(checks.size(), 4u);
    EXPECT_EQ(checks.back().host, m_service->Host());
    EXPECT_EQ(FieldOf(checks.back(), "UserID"), "demo");
    EXPECT_EQ(FieldOf(checks.back(), "Upassword"), "demo123");
    EXPECT_FALSE(m_service->Requests("vpnlist.php").empty());

    // The login is remembered (the password in whatever form the client keeps it).
    const SavedLogin saved = ReadSavedLogin();
    EXPECT_EQ(saved.save_password, std::optional<DWORD>(1));
    EXPECT_EQ(saved.user_name, std::optional<std::wstring>(L" demo "));
    EXPECT_TRUE(saved.password && !saved.password->empty());

    // The node list of the demo data: its areas, and the first area's nodes.
    const auto areas = ComboItems(main.area);
    EXPECT_TRUE(std::find(areas.begin(), areas.end(), L"华东电信") != areas.end());
    EXPECT_TRUE(std::find(areas.begin(), areas.end(), L"海外加速") != areas.end());
    EXPECT_EQ(ComboItems(main.node), (std::vector<std::wstring>{L"上海电信1", L"上海电信2", L"杭州电信"}));
    EXPECT_TRUE(IsEnabled(main.connect));
    EXPECT_FALSE(IsEnabled(main.disconnect));

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);

    // The next start fills the login in from the registry.
    Launch();
    LoginWindow again = WaitLogin();
    ASSERT_TRUE(again.Valid());
    EXPECT_TRUE(WaitFor([&] { return TextOf(again.user) == L" demo "; }, 5s));
    EXPECT_EQ(TextOf(again.password), L"demo123");
    EXPECT_EQ(CheckState(again.remember), BST_CHECKED);
}

TEST_F(ClientTest, ClosingTheLoginEndsTheProgram)
{
    // Esc and "关  闭" both end the program with exit code 0 before the main window shows.
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Esc" : "关  闭");
        ASSERT_EQ(m_service->ClearLog(), 200);
        Launch();
        LoginWindow login = WaitLogin();
        ASSERT_TRUE(login.Valid());
        if (escape) {
            HWND focus = nullptr;
            // The keys go to the focused control once the window has settled.
            ASSERT_TRUE(WaitFor(
                [&] {
                    focus = FocusOf(login.window);
                    return focus && (focus == login.window || IsChild(login.window, focus));
                },
                5s));
            ASSERT_TRUE(PressKey(focus, VK_ESCAPE));
        } else {
            ASSERT_TRUE(Click(login.close));
        }
        ExpectExit(0);
        EXPECT_FALSE(MainWindow::Find(Pid(), 0ms).Valid());
        EXPECT_TRUE(m_service->Requests("usercheck.php").empty());
    }
}

TEST_F(ClientTest, HostChoiceFallsBackAndRefusesGarbage)
{
    struct Case {
        std::string scenario;
        bool fallback_chosen;  // false: none answers
    };
    const std::string host = m_service->Host();
    const std::string fallback = m_service->FallbackHost();
    const Case cases[] = {
        {"host=" + host + " port=app refuse\n", true},
        // "1" followed by a line break, a server error and a cut connection are no answer.
        {"host=" + host + " path=netcheck.php body=1%0D%0A\nhost=" + fallback + " path=netcheck.php status=500\n", false},
        {"path=netcheck.php drop\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_EQ(m_service->ClearLog(), 200);
        ASSERT_EQ(m_service->LoadScenario(c.scenario), 200);
        Launch();
        LoginWindow login = WaitLogin();
        ASSERT_TRUE(login.Submit(L"demo", L"demo123", false));
        if (c.fallback_chosen) {
            MainWindow main = MainWindow::Find(Pid(), 30s);
            ASSERT_TRUE(main.Valid());
            const auto checks = m_service->Requests("usercheck.php");
            ASSERT_EQ(checks.size(), 1u);
            EXPECT_EQ(checks[0].host, fallback);
        } else {
            ExpectBox(text::kNetwork, 30s);
            EXPECT_TRUE(m_service->Requests("usercheck.php").empty());
            EXPECT_TRUE(IsVisible(login.window));
        }
        m_client->Proc().Kill();
        ASSERT_EQ(m_service->ClearScenario(), 200);
    }
}

TEST_F(ClientTest, BatchTestStartsStopsAndHoldsTheAreaChoice)
{
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_NE(main.batch, nullptr);
    ASSERT_TRUE(Click(main.batch));
    ASSERT_TRUE(WaitFor([&] { return TextOf(main.batch) == text::kBatchStop; }, 10s));
    std::this_thread::sleep_for(2s);  // a few passes over the nodes

    // The area choice is refused while the test runs.
    ASSERT_TRUE(ComboSelect(main.area, L"华南网通"));
    ExpectBox(text::kStopPingFirstArea);
    EXPECT_EQ(ComboItems(main.node), (std::vector<std::wstring>{L"上海电信1", L"上海电信2", L"杭州电信"}));

    ASSERT_TRUE(Click(main.batch));
    ASSERT_TRUE(WaitFor([&] { return TextOf(main.batch) == text::kBatch; }, 10s));
    ASSERT_TRUE(ComboSelect(main.area, L"华南网通"));
    EXPECT_TRUE(WaitFor([&] { return ComboItems(main.node) == std::vector<std::wstring>{L"广州网通", L"深圳网通"}; }, 10s));
    EXPECT_TRUE(MessageBoxes(Pid()).empty());

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, NodeListThatIsGarbageOpensAnEmptyWindow)
{
    // Bytes that are no node list: the main window opens with no node, and "连接" finds none.
    ASSERT_EQ(m_service->LoadScenario("path=vpnlist.php body=%00%FF%5B%5B%5D%0D%0A=%2C%2C%0A%FE\n"), 200);
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    EXPECT_EQ(ComboCount(main.node), 0);
    ASSERT_TRUE(Click(main.connect));
    ExpectBox(text::kNoNode);
    EXPECT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 10s));
    EXPECT_TRUE(m_client->Calls("RasDial").empty());
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, NodeListThatFailsKeepsTheLoginOpen)
{
    // A server error and a cut connection: the network message, and the next press logs in.
    for (const char* rule : {"path=vpnlist.php status=500\n", "path=vpnlist.php drop\n"}) {
        SCOPED_TRACE(rule);
        ASSERT_EQ(m_service->LoadScenario(rule), 200);
        Launch();
        LoginWindow login = WaitLogin();
        ASSERT_TRUE(login.Submit(L"demo", L"demo123", false));
        ExpectBox(text::kNetwork, 30s);
        EXPECT_TRUE(IsVisible(login.window));
        ASSERT_EQ(m_service->ClearScenario(), 200);
        ASSERT_TRUE(Click(login.login));
        MainWindow main = MainWindow::Find(Pid(), 30s);
        ASSERT_TRUE(main.Valid());
        EXPECT_EQ(ComboCount(main.node), 3);
        PostMessageW(main.window, WM_CLOSE, 0, 0);
        ExpectExit(0);
    }
}

TEST_F(ClientTest, TenThousandNodesAreListed)
{
    ASSERT_EQ(m_service->LoadData(TenThousandNodes()), 200);
    Launch();
    MainWindow main = LogInAsDemo(kLargeListTime);
    ASSERT_TRUE(main.Valid());
    ASSERT_EQ(ComboCount(main.node), 10000);
    EXPECT_EQ(ComboItem(main.node, 0), std::optional<std::wstring>(L"节点1"));
    EXPECT_EQ(ComboItem(main.node, 9999), std::optional<std::wstring>(L"节点10000"));
    ASSERT_TRUE(ComboSelect(main.node, L"节点10000"));
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

} // namespace
} // namespace e2e
