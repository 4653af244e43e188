// client.exe from the outside, connected: the PPTP connection with the service's credentials, the
// reports, the disconnect and its end report, dialling with the login itself, closing while
// connected, the service's order to disconnect, a credential request that stalls or fails, garbage
// credentials, the service going away mid-session, connecting to the last of 10,000 nodes. Judged by
// the service's request log, the simulated remote-access library's call log, the phonebook and the
// exit code.
#include "tests/e2e/test/clienttest.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

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

TEST_F(ClientTest, OwnLoginDialsWithItselfAndReportsNoEnd)
{
    // The service answers "dial with your login": no repeating report, no end report.
    Launch("[default]\nuser = own\npassword = own123\n");
    LoginWindow login = WaitLogin();
    ASSERT_TRUE(login.Submit(L"own", L"own123", false));
    MainWindow main = MainWindow::Find(Pid(), 30s);
    ASSERT_TRUE(main.Valid());
    ASSERT_NO_FATAL_FAILURE(ConnectAndWait(main));
    const auto dial = m_client->Calls("RasDial").front();
    EXPECT_EQ(dial.Str("user"), "own");
    EXPECT_EQ(WaitRequests("statuscheck2.php", 2, 30s).size(), 2u);
    ASSERT_TRUE(Click(main.disconnect));
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 15s));
    EXPECT_FALSE(WaitCalls("RasHangUp", 1, 5s).empty());
    EXPECT_TRUE(m_service->Requests("stopcheck.php").empty());
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

TEST_F(ClientTest, ClosingWhileConnectedAsksFirstAndEndsTheConnection)
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
    // The client ends the connection as "断开" does, so the service hears of the end once.
    EXPECT_EQ(m_service->Requests("stopcheck.php").size(), 1u);
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
        ASSERT_EQ(m_service->ClearLog(), 200);
        ASSERT_EQ(m_service->LoadScenario(rule), 200);
        Launch();
        const size_t dials = m_client->Calls("RasDial").size();  // of the cases before
        MainWindow main = LogInAsDemo();
        ASSERT_TRUE(main.Valid());
        ASSERT_TRUE(Click(main.connect));
        ExpectBox(text::kNetwork, 20s);
        EXPECT_EQ(m_client->Calls("RasDial").size(), dials);
        // The attempt is over: the controls are back and the client goes on working.
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

TEST_F(ClientTest, TenThousandNodesConnectToTheLast)
{
    ASSERT_EQ(m_service->LoadData(TenThousandNodes()), 200);
    Launch();
    MainWindow main = LogInAsDemo(kLargeListTime);
    ASSERT_TRUE(main.Valid());
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

TEST_F(ClientTest, ConnectingIsRefusedWhileTheBatchTestRuns)
{
    Launch();
    MainWindow main = LogInAsDemo();
    ASSERT_TRUE(main.Valid());
    ASSERT_TRUE(Click(main.batch));
    ASSERT_TRUE(WaitFor([&] { return TextOf(main.batch) == text::kBatchStop; }, 10s));
    // Refused before anything changes: the window stays as the running test has it.
    ASSERT_TRUE(Click(main.connect));
    ExpectBox(text::kStopPingFirst);
    EXPECT_TRUE(m_client->Calls("RasDial").empty());
    EXPECT_TRUE(m_service->Requests("ipcheck2.php").empty());
    EXPECT_TRUE(IsEnabled(main.connect));
    EXPECT_FALSE(IsEnabled(main.disconnect));
    EXPECT_EQ(TextOf(main.batch), text::kBatchStop);
    ASSERT_TRUE(Click(main.batch));
    ASSERT_TRUE(WaitFor([&] { return TextOf(main.batch) == text::kBatch; }, 10s));
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    ExpectExit(0);
}

} // namespace
} // namespace e2e
