// client.exe from the outside: started as a process against the substitute service and the
// simulated remote-access library, steered only through its windows, and judged by the service's
// request log, the library's call log, the saved-login registry key, the phonebook and the exit code.
#include "tests/e2e/client.h"
#include "tests/e2e/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <thread>

namespace e2e {
namespace {

using namespace std::chrono_literals;

// The dial user and password the demo data issues for the account "demo".
constexpr char kDialScenario[] = "[default]\nuser = vpn_demo\npassword = vpn_demo_pw\n";
constexpr char kLoggedInElsewhereMarker[] = "5e1f0a9c7b3d2e8f4a6c1b0d9e7f3a25";

std::string FieldOf(const ServiceRequest& r, const std::string& name)
{
    auto it = r.fields.find(name);
    return it == r.fields.end() ? std::string("<missing>") : it->second;
}

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteSavedLogin({});  // no saved login: empty fields at start
        m_service = std::make_unique<Service>(FromBuildPath(E2E_SERVICE_PROGRAM), m_scratch.Path(),
                                              FromBuildPath(E2E_DEMO_DATA));
    }

    void TearDown() override
    {
        if (m_client) {
            m_client->Proc().Kill();
            // Every phonebook entry the client wrote is gone again.
            std::set<std::wstring> written;
            for (const Json& call : m_client->Calls("RasSetEntryProperties"))
                written.insert(Wide(call.Str("entry")));
            for (const std::wstring& name : PhonebookEntries())
                EXPECT_EQ(written.count(name), 0u) << "entry left behind: " << Utf8(name);
        }
        m_client.reset();
        m_service.reset();
    }

    void Launch(const std::string& dial_scenario = kDialScenario)
    {
        m_client = std::make_unique<Client>(m_scratch, FromBuildPath(E2E_CLIENT_PROGRAM),
                                            FromBuildPath(E2E_RASAPI32_DLL), dial_scenario);
        m_client->Start();
    }

    DWORD Pid() const { return m_client->Pid(); }

    LoginWindow WaitLogin()
    {
        LoginWindow login = LoginWindow::Find(Pid(), 30s);
        EXPECT_TRUE(login.Valid()) << "no login window with two edits and \"登  陆\"";
        return login;
    }

    // The next message box; fails the test unless it shows the text. Answers it with OK.
    void ExpectBox(const std::wstring& wanted, Milliseconds timeout = 15s)
    {
        auto box = WaitMessageBox(Pid(), timeout);
        ASSERT_TRUE(box) << "no message box \"" << Utf8(wanted) << "\"";
        EXPECT_EQ(Utf8(box->text), Utf8(wanted));
        EXPECT_EQ(Utf8(box->caption), Utf8(kClientTitle));
        ASSERT_TRUE(Answer(*box, box->buttons.size() > 1 ? IDYES : IDOK));
    }

    // Logs in with the demo account; the main window with the node list of the demo data.
    MainWindow LogInAsDemo(bool remember = false)
    {
        LoginWindow login = WaitLogin();
        EXPECT_TRUE(login.Submit(L"demo", L"demo123", remember));
        MainWindow main = MainWindow::Find(Pid(), 30s);
        EXPECT_TRUE(main.Valid()) << "no main window with \"连接\" and \"断开\"";
        return main;
    }

    // Waits until the service has answered the script at least count times.
    std::vector<ServiceRequest> WaitRequests(const std::string& script, size_t count, Milliseconds timeout)
    {
        std::vector<ServiceRequest> got;
        WaitFor([&] { return (got = m_service->Requests(script)).size() >= count; }, timeout);
        return got;
    }

    std::vector<Json> WaitCalls(const std::string& name, size_t count, Milliseconds timeout)
    {
        std::vector<Json> got;
        WaitFor([&] { return (got = m_client->Calls(name)).size() >= count; }, timeout);
        return got;
    }

    // Presses "连接" on the selected node and waits for the first state poll to find it connected.
    void ConnectAndWait(MainWindow& main)
    {
        ASSERT_TRUE(Click(main.connect));
        auto dials = WaitCalls("RasDial", 1, 20s);
        ASSERT_EQ(dials.size(), 1u) << "no dial";
        EXPECT_EQ(dials[0].Num("result"), 0);
        ASSERT_TRUE(WaitFor([&] { return main.StatusShows(text::kConnectedStatus); }, 20s))
            << "the state poll did not find the connection up";
    }

    void ExpectExit(DWORD code, Milliseconds timeout = 20s)
    {
        EXPECT_EQ(m_client->Proc().WaitExit(timeout), std::optional<DWORD>(code));
    }

    SavedLoginGuard m_login_guard;
    ScratchFolder m_scratch;
    std::unique_ptr<Service> m_service;
    std::unique_ptr<Client> m_client;
};

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
    EXPECT_EQ(checks.back().host, "127.0.0.1");
    EXPECT_EQ(FieldOf(checks.back(), "UserID"), "demo");
    EXPECT_EQ(FieldOf(checks.back(), "Upassword"), "demo123");
    EXPECT_FALSE(m_service->Requests("vpnlist.php").empty());

    const SavedLogin saved = ReadSavedLogin();
    EXPECT_EQ(saved.save_password, std::optional<DWORD>(1));
    EXPECT_EQ(saved.user_name, std::optional<std::wstring>(L" demo "));
    EXPECT_EQ(saved.password, std::optional<std::wstring>(L"demo123"));

    // The node list of the demo data: its areas, and the first area's nodes.
    const auto areas = ComboItems(main.area);
    EXPECT_TRUE(std::find(areas.begin(), areas.end(), L"华东电信") != areas.end());
    EXPECT_TRUE(std::find(areas.begin(), areas.end(), L"海外加速") != areas.end());
    EXPECT_EQ(ComboItems(main.node), (std::vector<std::wstring>{L"上海电信1", L"上海电信2", L"杭州电信"}));
    EXPECT_TRUE(IsEnabled(main.connect));
    EXPECT_FALSE(IsEnabled(main.disconnect));

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, ClosingTheLoginEndsTheProgram)
{
    // Esc and "关  闭" both end the program with exit code 0 before the main window shows.
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Esc" : "关  闭");
        Launch();
        LoginWindow login = WaitLogin();
        ASSERT_TRUE(login.Valid());
        if (escape) {
            HWND focus = nullptr;
            ASSERT_TRUE(WaitFor([&] { return (focus = FocusOf(login.window)) != nullptr; }, 5s));
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
        const char* scenario;
        const char* chosen_host;  // nullptr: none answers
    };
    const Case cases[] = {
        {"host=127.0.0.1 port=app refuse\n", "127.0.0.2"},
        // "1" followed by a line break, a server error and a stall are no answer.
        {"host=127.0.0.1 path=netcheck.php body=1%0D%0A\nhost=127.0.0.2 path=netcheck.php status=500\n", nullptr},
        {"path=netcheck.php drop\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_EQ(m_service->LoadScenario(c.scenario), 200);
        Launch();
        LoginWindow login = WaitLogin();
        ASSERT_TRUE(login.Submit(L"demo", L"demo123", false));
        if (c.chosen_host) {
            MainWindow main = MainWindow::Find(Pid(), 30s);
            ASSERT_TRUE(main.Valid());
            const auto checks = m_service->Requests("usercheck.php");
            ASSERT_EQ(checks.size(), 1u);
            EXPECT_EQ(checks[0].host, c.chosen_host);
        } else {
            ExpectBox(text::kNetwork, 30s);
            EXPECT_TRUE(m_service->Requests("usercheck.php").empty());
            EXPECT_TRUE(IsVisible(login.window));
        }
        m_client->Proc().Kill();
        ASSERT_EQ(m_service->ClearScenario(), 200);
    }
}

TEST_F(ClientTest, BatchTestRunsStopsAndBlocksConnecting)
{
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_NE(main.batch, nullptr);
    ASSERT_TRUE(Click(main.batch));
    ASSERT_TRUE(WaitFor([&] { return TextOf(main.batch) == text::kBatchStop; }, 10s));
    std::this_thread::sleep_for(2s);  // a few passes over the nodes

    // Connecting is refused while the test runs; only "断开" brings the controls back.
    ASSERT_TRUE(Click(main.connect));
    ExpectBox(text::kStopPingFirst);
    EXPECT_TRUE(m_client->Calls("RasDial").empty());
    EXPECT_TRUE(m_service->Requests("ipcheck2.php").empty());

    ASSERT_TRUE(Click(main.batch));
    ASSERT_TRUE(WaitFor([&] { return TextOf(main.batch) == text::kBatch; }, 10s));
    ASSERT_TRUE(Click(main.disconnect));
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 10s));

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, PptpConnectionWithIssuedCredentialsReportsAndDisconnects)
{
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));

    const auto credentials = m_service->Requests("ipcheck2.php");
    ASSERT_EQ(credentials.size(), 1u);
    EXPECT_EQ(FieldOf(credentials[0], "serverip"), "127.0.0.11");
    EXPECT_EQ(FieldOf(credentials[0], "username"), "demo");

    const auto entries = m_client->Calls("RasSetEntryProperties");
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().Str("device"), "WAN 微型端口 (PPTP)");
    EXPECT_EQ(entries.back().Str("number"), "127.0.0.11");
    const std::string entry = entries.back().Str("entry");
    EXPECT_GE(entry.size(), 9u);
    EXPECT_TRUE(std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; })) << entry;
    const auto dial = m_client->Calls("RasDial").front();
    EXPECT_EQ(dial.Str("user"), "vpn_demo") << "dialled with the service's credentials";
    EXPECT_EQ(dial.Str("server"), "127.0.0.11");
    EXPECT_EQ(dial.Str("entry"), entry);

    // The first report 4 s after the dial, the second 16 s later, each with the seven fields.
    const auto reports = WaitRequests("statuscheck2.php", 2, 30s);
    ASSERT_GE(reports.size(), 2u);
    for (const auto& report : reports) {
        EXPECT_EQ(FieldOf(report, "serverip"), "127.0.0.11");
        EXPECT_EQ(FieldOf(report, "username"), "demo");
        EXPECT_EQ(FieldOf(report, "clientip").rfind("10.64.", 0), 0u) << FieldOf(report, "clientip");
        EXPECT_EQ(FieldOf(report, "uniqueid").size(), FieldOf(reports[0], "uniqueid").size());
        EXPECT_GE(FieldOf(report, "uniqueid").size(), 20u);
        EXPECT_NE(FieldOf(report, "xmitdata"), "<missing>");
        EXPECT_NE(FieldOf(report, "recvdata"), "<missing>");
        EXPECT_GT(std::stoll("0" + FieldOf(report, "onlinetime")), 0);
    }
    EXPECT_EQ(FieldOf(reports[0], "uniqueid"), FieldOf(reports[1], "uniqueid"));
    EXPECT_FALSE(IsEnabled(main.connect));
    EXPECT_FALSE(IsEnabled(main.batch));

    // Traffic shows in the status bar as "已加速:…KB/…KB  在线时间:hh:nn:ss".
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const auto& t : main.AllStatusTexts())
                if (t.rfind(L"已加速:", 0) == 0 && t.find(L"在线时间:") != std::wstring::npos)
                    return true;
            return false;
        },
        10s));

    ASSERT_TRUE(Click(main.disconnect));
    const auto stops = WaitRequests("stopcheck.php", 1, 15s);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(FieldOf(stops[0], "uniqueid"), FieldOf(reports[0], "uniqueid"));
    EXPECT_EQ(FieldOf(stops[0], "username"), "demo");
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 15s));
    EXPECT_TRUE(main.StatusShows(text::kDisconnectedStatus));
    EXPECT_FALSE(WaitCalls("RasHangUp", 1, 5s).empty());
    const auto sessions = m_service->Sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].Str("state"), "stopped");
    const auto book = PhonebookEntries();
    EXPECT_TRUE(std::find(book.begin(), book.end(), Wide(entry)) == book.end()) << "entry deleted at hang-up";

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, ClosingWhileConnectedAsksFirstAndSendsNoReport)
{
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    // Files the close removes from the program folder.
    WriteFileBytes(m_client->ProgramFolder() + L"\\route.bat", "rem\r\n");
    WriteFileBytes(m_client->ProgramFolder() + L"\\delroute.bat", "rem\r\n");
    ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    auto box = WaitMessageBox(Pid(), 15s);
    ASSERT_TRUE(box);
    EXPECT_EQ(Utf8(box->text), Utf8(text::kCloseWhileConnected));
    ASSERT_TRUE(Answer(*box, IDNO));
    EXPECT_FALSE(m_client->Proc().WaitExit(2s)) << "No keeps the client running";
    EXPECT_TRUE(m_client->Calls("RasHangUp").empty()) << "and the connection up";

    PostMessageW(main.window, WM_CLOSE, 0, 0);
    box = WaitMessageBox(Pid(), 15s);
    ASSERT_TRUE(box);
    ASSERT_TRUE(Answer(*box, IDYES));
    ExpectExit(0);
    EXPECT_FALSE(m_client->Calls("RasHangUp").empty());
    EXPECT_TRUE(m_service->Requests("stopcheck.php").empty()) << "closing sends no end report";
    EXPECT_EQ(GetFileAttributesW((m_client->ProgramFolder() + L"\\route.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((m_client->ProgramFolder() + L"\\delroute.bat").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ClientTest, ServiceOrdersTheDisconnect)
{
    // The second report's answer says the account logged in elsewhere.
    ASSERT_EQ(m_service->LoadScenario(std::string("path=statuscheck2.php call=2 body=") + kLoggedInElsewhereMarker +
                                      "\n"),
              200);
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));
    ExpectBox(text::kLoggedInElsewhere, 30s);
    EXPECT_EQ(m_service->Requests("statuscheck2.php").size(), 2u);
    EXPECT_EQ(m_service->Requests("stopcheck.php").size(), 1u) << "the forced disconnect reports its end";
    EXPECT_FALSE(m_client->Calls("RasHangUp").empty());
    EXPECT_TRUE(IsEnabled(main.connect));
    EXPECT_FALSE(IsEnabled(main.disconnect));
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, CredentialRequestThatStallsOrFailsStopsTheConnect)
{
    // A stall beyond the post's read time-out, a server error and a cut connection.
    for (const char* rule : {"path=ipcheck2.php delay=6000\n", "path=ipcheck2.php status=500\n",
                             "path=ipcheck2.php drop\n"}) {
        SCOPED_TRACE(rule);
        ASSERT_EQ(m_service->LoadScenario(rule), 200);
        Launch();
        MainWindow main = LogInAsDemo();
        ASSERT_TRUE(main.Valid());
        ASSERT_TRUE(Click(main.connect));
        ExpectBox(text::kNetwork, 20s);
        EXPECT_TRUE(m_client->Calls("RasDial").empty());
        // "断开" is the way out, and the client goes on working.
        ASSERT_TRUE(Click(main.disconnect));
        ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 15s));
        ASSERT_EQ(m_service->ClearScenario(), 200);
        ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));
        ASSERT_TRUE(Click(main.disconnect));
        ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect); }, 15s));
        PostMessageW(main.window, WM_CLOSE, 0, 0);
        ExpectExit(0);
    }
}

TEST_F(ClientTest, GarbageCredentialsFailTheDialAndLeaveNoEntry)
{
    // Bytes that are no credentials: the dial is refused (691) and the state poll gives up.
    ASSERT_EQ(m_service->LoadScenario("path=ipcheck2.php body=%00%FF%FE%0D%0A%3C%3E\n"), 200);
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_TRUE(Click(main.connect));
    const auto dials = WaitCalls("RasDial", 1, 20s);
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_NE(dials[0].Str("user"), "vpn_demo");
    // The first state poll (11 s) finds no connection: idle again, the entry hung up and deleted.
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 25s));
    EXPECT_FALSE(WaitCalls("RasDeleteEntry", 1, 5s).empty());
    EXPECT_TRUE(m_service->Requests("stopcheck.php").empty());
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, ServiceGoneMidSessionLeavesTheClientWorking)
{
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));
    m_service->Kill();
    std::this_thread::sleep_for(12s);  // the second report fails silently against a closed port
    EXPECT_TRUE(m_client->Proc().Running());
    EXPECT_TRUE(MessageBoxes(Pid()).empty());
    EXPECT_TRUE(IsEnabled(main.disconnect));

    ASSERT_TRUE(Click(main.disconnect));
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 20s));
    EXPECT_FALSE(m_client->Calls("RasHangUp").empty());
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, TenThousandNodesListAndConnect)
{
    std::string data = "[account demo]\npassword = demo123\ninfo = 包月\ndial = issued\ndial_user = vpn_demo\n"
                       "dial_password = vpn_demo_pw\n[area 大区]\n";
    for (int i = 1; i <= 10000; ++i)
        data += "节点" + std::to_string(i) + " = 127.0." + std::to_string(1 + i / 250) + "." +
                std::to_string(1 + i % 250) + ",9" + std::to_string(i % 10) + "%," + std::to_string(i % 2) + "\n";
    ASSERT_EQ(m_service->LoadData(data), 200);
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    const auto nodes = ComboItems(main.node);
    ASSERT_EQ(nodes.size(), 10000u);
    EXPECT_EQ(nodes.back(), L"节点10000");
    ASSERT_TRUE(ComboSelect(main.node, L"节点10000"));
    ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));
    const auto credentials = m_service->Requests("ipcheck2.php");
    ASSERT_EQ(credentials.size(), 1u);
    EXPECT_EQ(FieldOf(credentials[0], "serverip"), "127.0.41.1");
    ASSERT_TRUE(Click(main.disconnect));
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect); }, 15s));
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

} // namespace
} // namespace e2e
