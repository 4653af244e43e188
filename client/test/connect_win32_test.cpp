// The main window's connections against the substitute service and the simulated remote-access
// library: connecting (PPTP and L2TP, login and issued credentials), the early stops, dial errors,
// the state poll on a manual clock, traffic text, status reports and the forced disconnect,
// disconnecting, the relay, and the L2TP preparation. After every test neither a phonebook entry nor
// a connection may remain in the library.
#include "client/test/clientfixture_win32.h"
#include "client/test/rasworld_win32.h"

#include "client/connwatch.h"
#include "client/l2tp.h"
#include "client/protocol.h"
#include "core/datetime.h"
#include "dialup/rascon.h"
#include "dialup/rasedt.h"
#include "dialup/rasper.h"
#include "skin/controls/combobox.h"
#include "skin/controls/statusbar.h"
#include "treeview/virtual_tree.h"
#include "ui/label.h"
#include "ui/statusbar.h"

#include <regex>

namespace client::test {
namespace {

using core::String;

const std::wstring kParamsKey = L"SYSTEM\\CurrentControlSet\\Services\\RasMan\\Parameters";

std::string U8(const String& s) { return core::ToUtf8(s); }

// A clock that moves on by itself each time it is read, so that waits measured with it pass fast.
class SteppingClock : public core::Clock {
public:
    uint32_t Ticks() const override { return m_ticks.fetch_add(250) + 250; }

private:
    mutable std::atomic<uint32_t> m_ticks{1000};
};

// The system actions of the L2TP preparation: processes with command lines, and what was done.
class L2tpSystem : public SystemActions {
public:
    struct Proc {
        uint32_t pid;
        String exe;
        String commandLine;
    };
    std::vector<Proc> procs;
    std::vector<uint32_t> terminated;
    std::vector<String> started;
    std::vector<bool> windowEnabledWhileStarting;
    Tfrmmain* window = nullptr;

    std::vector<ProcessInfo> Processes() override
    {
        std::vector<ProcessInfo> out;
        for (const Proc& p : procs)
            out.push_back({p.pid, p.exe});
        return out;
    }
    String ProcessCommandLine(uint32_t pid) override
    {
        for (const Proc& p : procs)
            if (p.pid == pid)
                return p.commandLine;
        return {};
    }
    bool TerminateProcess(uint32_t pid) override
    {
        terminated.push_back(pid);
        return true;
    }
    bool StartService(const String& name) override
    {
        started.push_back(name);
        if (window)
            windowEnabledWhileStarting.push_back(window->Enabled());
        return true;
    }
};

class ConnectTest : public ClientTest {
protected:
    ConnectTest()
    {
        RasLook::Get().Clean();
        m_saved_now = core::SetNowFunction([this] { return m_base + double(m_clock.Now()) / 86400000.0; });
    }
    ~ConnectTest() override { core::SetNowFunction(m_saved_now); }

    void TearDown() override
    {
        if (main) {
            // Nothing of a test may stay in the library, whatever the test left the window in.
            EXPECT_TRUE(RasLook::Get().Entries().empty()) << Joined(RasLook::Get().Entries());
            EXPECT_TRUE(RasLook::Get().Connections().empty());
        }
        RasLook::Get().Clean();
    }

    static std::string Joined(const std::vector<std::string>& items)
    {
        std::string out;
        for (const auto& s : items)
            out += s + ";";
        return out;
    }

    Tfrmmain* Login(const String& user, const String& password)
    {
        // Only the click: the accounts used here all log in.
        Tfrmmain* form = MakeMain([=](Tfrmlogin& login) {
            login.edt_user->SetText(user);
            login.edt_pass->SetText(password);
            PostMessageW(login.btn_login->Handle(), BM_CLICK, 0, 0);
        });
        EXPECT_TRUE(login_ok);
        EXPECT_TRUE(exits.empty());
        form->SetWaitClock(&m_wait_clock);
        return form;
    }

    template <class Pred>
    bool WaitFor(Pred pred, int ms = 5000)
    {
        for (int waited = 0; waited < ms; waited += 20) {
            ui::App().ProcessMessages();
            if (pred())
                return true;
            Sleep(20);
        }
        ui::App().ProcessMessages();
        return pred();
    }
    bool WaitMainState(int state)
    {
        return WaitFor([&] { return RasLook::Get().State(HRASCONN(uintptr_t(h_vpnconn))) == state; });
    }

    // Connects the main window's chosen node and waits until the library has it connected and the
    // first state poll (11 s on the manual clock) has seen it.
    void ConnectAndPoll()
    {
        main->btn_connClick(nullptr);
        ASSERT_NE(h_vpnconn, 0u);
        ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
        m_clock.Advance(11000);
        ASSERT_TRUE(vpn_connected);
    }

    std::vector<sim::service::LoggedRequest> Posts(std::string_view name)
    {
        std::vector<sim::service::LoggedRequest> out;
        for (auto& entry : service.Log().Entries())
            if (entry.path.size() >= name.size() &&
                entry.path.compare(entry.path.size() - name.size(), name.size(), name) == 0)
                out.push_back(entry);
        return out;
    }
    static String Field(const sim::service::LoggedRequest& entry, core::StringView name)
    {
        return entry.fields ? entry.fields->Value(name).value_or(u"<missing>") : u"<no form>";
    }

    std::vector<String> BoxTexts() const
    {
        std::vector<String> out;
        for (const auto& call : m_box.Calls())
            out.push_back(call.text);
        return out;
    }
    bool BoxShown(core::StringView text) const
    {
        for (const auto& call : m_box.Calls())
            if (call.text == text)
                return true;
        return false;
    }

    void ExpectIdle(core::StringView status)
    {
        EXPECT_EQ(main->statuslabel->Caption(), String(status));
        EXPECT_TRUE(main->btn_conn->Enabled());
        EXPECT_TRUE(main->IPAddrTxt->Enabled());
        EXPECT_TRUE(main->AreaTxt2->Enabled());
        EXPECT_TRUE(main->btn_speed->Enabled());
        EXPECT_TRUE(main->cesu->Enabled());
        EXPECT_FALSE(main->btn_disconn->Enabled());
        EXPECT_TRUE(TreeEnabled());
        EXPECT_FALSE(vpn_connected);
        for (ui::Timer* t : {main->rast12, main->statuscheck, main->statuscheck1, main->statuscheck2, main->Timer2})
            EXPECT_FALSE(t->Enabled());
        // The ended connection's traffic is not left beside the next one.
        EXPECT_EQ(main->datalabel->Caption(), u"");
        EXPECT_EQ(main->StatusBar1->Panels(1)->Text(), u"");
    }
    // The node tree's window, which is locked with the other choices.
    bool TreeEnabled() const
    {
        auto* tree = dynamic_cast<ui::WinControl*>(main->vt1);
        return tree && tree->Enabled() && IsWindowEnabled(tree->Handle());
    }

    // Dials another PPTP entry `name` to `server` beside the client's own; the test hangs it up.
    static void DialOther(dialup::TRasCon& dial, uint64_t& handle, const String& name, const String& server)
    {
        dialup::TRasEdt other;
        other.PPPDefault();
        other.SetPBLocation(1);
        other.DeviceName = kPptpDeviceName;
        other.DeviceType = u"vpn";
        other.LocalPhoneNumber = server;
        ASSERT_EQ(other.PutAllEntryProps(name), 0);
        dial.SetPBLocation(1);
        dial.EntryName = name;
        ASSERT_EQ(dial.ConnectEx(handle), 0);
    }
    // Hangs up the other entry's connection and deletes the entry.
    static void HangUpOther(dialup::TRasCon& dial, uint64_t handle, const String& name)
    {
        dial.DisconnectEx(handle, 0, false, 3000);
        dial.EntryName = name;
        dial.DeletePhonebook();
    }

    // The stored entry of the current main connection.
    std::unique_ptr<dialup::TRasEdt> ReadEntry(const String& name)
    {
        auto edit = std::make_unique<dialup::TRasEdt>();
        edit->SetPBLocation(1);
        EXPECT_EQ(edit->GetAllEntryProps(name), 0);
        return edit;
    }

    const double m_base = core::EncodeDateTime(2026, 3, 3, 9, 5, 7, 42);
    SteppingClock m_wait_clock;
    RasWorld m_ras;

private:
    core::NowFunction m_saved_now;
};

const char kIssuedServer[] = "[server 127.0.0.11]\nuser=vu\npassword=vp\nafter=50\n";

// ---- Connecting ----

TEST_F(ConnectTest, PptpWithIssuedCredentialsConnectsReportsAndDisconnects)
{
    m_ras.Scenario(kIssuedServer);
    Login(u"demo", u"demo123");
    main->btn_connClick(nullptr);

    EXPECT_EQ(str_entryname, String(u"030395742"));
    EXPECT_FALSE(own_account);
    EXPECT_FALSE(main->btn_conn->Enabled());
    EXPECT_TRUE(main->btn_disconn->Enabled());
    EXPECT_FALSE(TreeEnabled()) << "the node choice is locked while connecting";
    EXPECT_EQ(main->statuslabel->Caption(), String(u"正在建立连接"));
    {
        auto entry = ReadEntry(str_entryname);
        EXPECT_EQ(entry->DeviceName, String(kPptpDeviceName));
        EXPECT_EQ(entry->VpnStrategy, dialup::TVpnStrategy::vpnPptpOnly);
        EXPECT_EQ(entry->LocalPhoneNumber, String(u"127.0.0.11"));
    }
    // The library accepts only the issued pair.
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    EXPECT_EQ(m_ras.LogWith({"\"RasDial", "\"user\":\"vu\""}).size(), 1u);

    m_clock.Advance(11000);
    EXPECT_TRUE(vpn_connected);
    EXPECT_EQ(main->statuslabel->Caption(), String(u"连接成功"));
    EXPECT_FALSE(main->btn_speed->Enabled());
    EXPECT_FALSE(TreeEnabled()) << "and while connected";
    EXPECT_TRUE(main->statuscheck->Enabled());
    EXPECT_EQ(main->StatusBar1->Panels(0)->Text(), String(u"服务器连接成功"));

    m_clock.Advance(1000);  // 12 s: traffic text and the minimise
    const std::string traffic = U8(main->datalabel->Caption());
    EXPECT_TRUE(std::regex_match(traffic, std::regex("已加速:[0-9]+KB/[0-9]+KB  在线时间:00:00:12"))) << traffic;
    EXPECT_EQ(main->StatusBar1->Panels(1)->Text(), main->datalabel->Caption());
    EXPECT_FALSE(main->Timer2->Enabled());

    m_clock.Advance(247000 - 12000);
    const auto reports = Posts("statuscheck2.php");
    ASSERT_EQ(reports.size(), 4u);
    const char16_t* times[] = {u"4000", u"20000", u"129000", u"247000"};
    for (size_t i = 0; i < reports.size(); ++i) {
        const auto& r = reports[i];
        ASSERT_TRUE(r.fields);
        EXPECT_EQ(r.fields->Fields().size(), 7u);
        EXPECT_EQ(Field(r, u"serverip"), String(u"127.0.0.11"));
        EXPECT_TRUE(std::regex_match(U8(Field(r, u"clientip")), std::regex("10\\.64\\.[0-9]+\\.[0-9]+")))
            << U8(Field(r, u"clientip"));
        EXPECT_EQ(Field(r, u"uniqueid"), str_uniqueid);
        EXPECT_EQ(Field(r, u"username"), String(u"demo"));
        EXPECT_TRUE(std::regex_match(U8(Field(r, u"xmitdata")), std::regex("[0-9]+")));
        EXPECT_TRUE(std::regex_match(U8(Field(r, u"recvdata")), std::regex("[0-9]+")));
        EXPECT_EQ(Field(r, u"onlinetime"), String(times[i]));
    }
    EXPECT_TRUE(std::regex_match(U8(str_uniqueid), std::regex("2026030395742[0-9]{8}"))) << U8(str_uniqueid);

    m_clock.Advance(1000);
    main->btn_disconnClick(nullptr);
    const auto stops = Posts("stopcheck.php");
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].fields->Fields().size(), 7u);
    EXPECT_EQ(Field(stops[0], u"onlinetime"), String(u"248000"));
    ExpectIdle(u"连接已经断开");
    EXPECT_FALSE(main->dialupcheck->Enabled());
    EXPECT_EQ(main->StatusBar1->Panels(0)->Text(), String(u"连接已断开"));
    EXPECT_EQ(h_vpnconn, 0u);
    EXPECT_TRUE(m_box.Calls().empty()) << U8(BoxTexts().front());
}

TEST_F(ConnectTest, L2tpWithOwnLoginReportsTwiceAndDisconnectsWithoutReport)
{
    RegistryValueGuard value(kParamsKey, L"ProhibitIpSec");
    value.SetState(1);
    m_ras.Scenario("[server 127.0.0.11]\nuser=own\npassword=own123\nafter=50\n");
    Login(u"own", u"own123");
    main->rb_lp2p->SetChecked(true);
    main->btn_connClick(nullptr);
    EXPECT_TRUE(own_account);
    {
        auto entry = ReadEntry(str_entryname);
        EXPECT_EQ(entry->DeviceName, String(kL2tpDeviceName));
        EXPECT_EQ(entry->VpnStrategy, dialup::TVpnStrategy::vpnL2tpOnly);
    }
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    m_clock.Advance(11000);
    EXPECT_TRUE(vpn_connected);
    EXPECT_FALSE(main->statuscheck->Enabled());
    m_clock.Advance(250000);
    EXPECT_EQ(Posts("statuscheck2.php").size(), 2u);
    main->btn_disconnClick(nullptr);
    EXPECT_TRUE(Posts("stopcheck.php").empty());
    ExpectIdle(u"连接已经断开");
    EXPECT_TRUE(m_box.Calls().empty());
}

TEST_F(ConnectTest, ProhibitIpSecStates)
{
    RegistryValueGuard value(kParamsKey, L"ProhibitIpSec");
    m_ras.Scenario(kIssuedServer);
    Login(u"demo", u"demo123");
    main->rb_lp2p->SetChecked(true);

    // No parameters key: told, and dialled as PPTP.
    value.MakeKeyMissing();
    main->btn_connClick(nullptr);
    EXPECT_EQ(BoxTexts(), std::vector<String>{u"系统出错，不支持L2TP，将以PPTP形式连接"});
    ASSERT_NE(h_vpnconn, 0u);
    EXPECT_EQ(ReadEntry(str_entryname)->DeviceName, String(kPptpDeviceName));
    main->btn_disconnClick(nullptr);

    // Value missing or 0: written, a restart asked for, nothing dialled; 0 is offered the forced
    // preparation first (declined here).
    struct Case {
        std::optional<DWORD> state;
        std::vector<String> boxes;
    };
    const Case cases[] = {
        {std::nullopt, {u"此台电脑是第一次使用L2TP模式，需要关闭程序并重新起动电脑"}},
        {0, {u"要强行生效L2TP设置吗？", u"此台电脑是第一次使用L2TP模式，需要关闭程序并重新起动电脑"}},
    };
    for (const Case& c : cases) {
        value.SetState(c.state);
        m_box.Clear();
        m_box.Answer(ui::idNo);
        const size_t dialsBefore = m_ras.LogWith({"\"RasDial"}).size();
        const size_t postsBefore = Posts("ipcheck2.php").size();
        main->btn_connClick(nullptr);
        EXPECT_EQ(BoxTexts(), c.boxes);
        EXPECT_EQ(m_box.Calls().back().caption, String(u"提示"));
        EXPECT_EQ(value.Read(), std::optional<DWORD>(1));
        EXPECT_EQ(m_ras.LogWith({"\"RasDial"}).size(), dialsBefore);
        EXPECT_EQ(Posts("ipcheck2.php").size(), postsBefore);
        ExpectIdle(u"未连接");
        EXPECT_TRUE(system.terminated.empty());
    }
}

// ---- Early stops and dial errors ----

TEST_F(ConnectTest, EveryEarlyStopReturnsToIdle)
{
    Login(u"demo", u"demo123");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        String box;
        std::function<void()> undo;
        bool relayEnabled = false;
    };
    const Case cases[] = {
        {"node without value",
         [&] {
             main->IPAddrTxt->Items().Add(u"无此节点");
             main->IPAddrTxt->SetItemIndex(main->IPAddrTxt->Items().Count() - 1);
         },
         u"发生错误，请关闭程序再重新运行", [&] { main->IPAddrTxt->SetItemIndex(0); }},
        {"credential request fails", [&] { LoadScenario("path=ipcheck2.php status=500\n"); }, kNetworkMessage,
         [&] { LoadScenario(""); }},
        {"entry not written", [&] { m_ras.Scenario("[library]\nrefuse_entry_writes=1\n"); },
         u"win7系统，请右键单击客户端-选择以管理员身份运行-再连接即可\r\n\r\n请重试", [&] { m_ras.Scenario(""); },
         true},
        {"credentials not written", [&] { m_ras.Scenario("[library]\nrefuse_credential_writes=1\n"); },
         u"win7系统，请右键单击客户端-选择以管理员身份运行-再连接即可\r\n\r\n请重试", [&] { m_ras.Scenario(""); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        m_box.Clear();
        main->btn_zz->SetEnabled(false);
        const size_t dialsBefore = m_ras.LogWith({"\"RasDial"}).size();
        main->btn_connClick(nullptr);
        EXPECT_EQ(BoxTexts(), std::vector<String>{c.box});
        ExpectIdle(u"未连接");
        EXPECT_EQ(main->btn_zz->Enabled(), c.relayEnabled);
        EXPECT_EQ(m_ras.LogWith({"\"RasDial"}).size(), dialsBefore);
        EXPECT_TRUE(RasLook::Get().Entries().empty());
        c.undo();
    }

    // The batch test refuses before anything is locked.
    ping_running = true;
    m_box.Clear();
    main->btn_connClick(nullptr);
    ping_running = false;
    EXPECT_EQ(BoxTexts(), std::vector<String>{u"请先关闭Ping测试再尝试拨号"});
    EXPECT_EQ(m_box.Calls().front().flags, unsigned(ui::mbOK | ui::mbIconInformation));
    EXPECT_TRUE(main->btn_conn->Enabled());
    EXPECT_FALSE(main->btn_disconn->Enabled());
    EXPECT_EQ(Posts("ipcheck2.php").size(), 3u);  // only the cases that reached the request
}

TEST_F(ConnectTest, DialErrorShowsCodeAndText)
{
    // Another dial of the very entry name the connect will use is in progress: the library refuses
    // the second dial of it.
    m_ras.Scenario("[server 127.0.0.99]\noutcome=hold\n");
    Login(u"demo", u"demo123");
    const String name = FormatEntryName(m_base);
    dialup::TRasCon otherDial;
    uint64_t otherHandle = 0;
    ASSERT_NO_FATAL_FAILURE(DialOther(otherDial, otherHandle, name, u"127.0.0.99"));

    main->btn_connClick(nullptr);
    const std::string status = U8(main->statuslabel->Caption());
    EXPECT_EQ(status.rfind("错误代码756-", 0), 0u) << status;
    EXPECT_GT(status.size(), std::string("错误代码756-").size());
    EXPECT_FALSE(main->btn_disconn->Enabled());
    EXPECT_TRUE(main->btn_conn->Enabled());
    // The hang-up found the entry's connection and deleted the entry.
    EXPECT_TRUE(RasLook::Get().Entries().empty());
    otherDial.DisconnectEx(otherHandle, 0, false, 3000);
}

// ---- State poll ----

TEST_F(ConnectTest, DialInProgressIsPolledAgainUpTo55Seconds)
{
    m_ras.Scenario("[server 127.0.0.11]\noutcome=hold\n");
    Login(u"demo", u"demo123");

    // Completed after the first poll: connected at the second.
    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitMainState(5));
    m_clock.Advance(11000);
    EXPECT_TRUE(main->btn_disconn->Enabled());
    EXPECT_EQ(main->statuslabel->Caption(), String(u"正在建立连接"));
    EXPECT_FALSE(vpn_connected);
    m_ras.Command("complete 127.0.0.11");
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    // The traffic display already says connected; the window minimises only once the poll has
    // seen the connection.
    m_clock.Advance(10000);
    EXPECT_EQ(main->statuslabel->Caption(), String(u"连接成功"));
    EXPECT_FALSE(vpn_connected);
    EXPECT_TRUE(main->Timer2->Enabled());
    m_clock.Advance(1000);
    EXPECT_TRUE(vpn_connected);
    m_clock.Advance(1000);
    EXPECT_FALSE(main->Timer2->Enabled());
    main->btn_disconnClick(nullptr);

    // Never completed: failed at the poll 55 s after the dial.
    m_clock.Advance(1000);
    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitMainState(5));
    m_clock.Advance(44000);
    EXPECT_TRUE(main->btn_disconn->Enabled());
    EXPECT_NE(h_vpnconn, 0u);
    m_clock.Advance(11000);
    ExpectIdle(u"无法连接,请更换一条线路尝试");
    EXPECT_EQ(main->statuslabel->Font().FontColor(), ui::clRed);
    EXPECT_TRUE(RasLook::Get().Connections().empty());
    // No report of the failed attempt fires later.
    const size_t reports = Posts("statuscheck2.php").size();
    m_clock.Advance(200000);
    EXPECT_EQ(Posts("statuscheck2.php").size(), reports);
}

TEST_F(ConnectTest, RefusedOrDroppedConnectionFailsAtThePoll)
{
    m_ras.Scenario("[server 127.0.0.11]\noutcome=refuse\nerror=678\nafter=20\n"
                   "[server 127.0.0.12]\nafter=20\n");
    Login(u"demo", u"demo123");
    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitFor([] {
        DWORD error = 0;
        RasLook::Get().State(HRASCONN(uintptr_t(h_vpnconn)), &error);
        return error == 678;
    }));
    m_clock.Advance(11000);
    ExpectIdle(u"无法连接,请更换一条线路尝试");

    main->IPAddrTxt->SetItemIndex(1);
    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    m_clock.Advance(11000);
    ASSERT_TRUE(vpn_connected);
    m_clock.Advance(3000);
    EXPECT_NE(main->datalabel->Caption(), u"");
    m_ras.Command("drop 127.0.0.12");
    ASSERT_TRUE(WaitFor([] { return RasLook::Get().State(HRASCONN(uintptr_t(h_vpnconn))) != dialup::kStateConnected; }));
    m_clock.Advance(11000);
    ExpectIdle(u"无法连接,请更换一条线路尝试");

    // The next connection starts with no traffic shown and counts its own from zero.
    main->btn_connClick(nullptr);
    EXPECT_EQ(main->datalabel->Caption(), u"");
    EXPECT_EQ(main->rasp1->StatsXmit(), 0u);
    EXPECT_EQ(main->rasp1->StatsRecv(), 0u);
    main->btn_disconnClick(nullptr);
}

// ---- Reports ----

TEST_F(ConnectTest, LoggedInElsewhereMarkerDisconnectsFromTheSecondReportOn)
{
    m_ras.Scenario(kIssuedServer);
    Login(u"demo", u"demo123");
    const std::string marker = "5e1f0a9c7b3d2e8f4a6c1b0d9e7f3a25";
    // The first report's marker is ignored.
    LoadScenario("path=statuscheck2.php call=1 body=" + marker + "\npath=statuscheck2.php call=2 body=" + marker + "\n");
    ConnectAndPoll();
    EXPECT_TRUE(vpn_connected);
    m_clock.Advance(9000);  // 20 s: the second report
    EXPECT_EQ(Posts("statuscheck2.php").size(), 2u);
    EXPECT_EQ(Posts("stopcheck.php").size(), 1u);
    EXPECT_EQ(BoxTexts(), std::vector<String>{kLoggedInElsewhereMessage});
    ExpectIdle(u"已经断开");
    EXPECT_EQ(h_vpnconn, 0u);
}

TEST_F(ConnectTest, FailedReportIsRetriedByItsTimer)
{
    m_ras.Scenario(kIssuedServer);
    Login(u"demo", u"demo123");
    LoadScenario("path=statuscheck2.php call=1 status=500\n");
    ConnectAndPoll();
    m_clock.Advance(24000 - 11000);
    const auto reports = Posts("statuscheck2.php");
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(Field(reports[0], u"onlinetime"), String(u"4000"));
    EXPECT_EQ(Field(reports[1], u"onlinetime"), String(u"8000"));
    EXPECT_EQ(Field(reports[2], u"onlinetime"), String(u"24000"));
    main->btn_disconnClick(nullptr);
}

// ---- Hang-up ----

TEST_F(ConnectTest, HangUpMainFindsItsEntryAmongAllConnections)
{
    m_ras.Scenario("[default]\nafter=20\n");
    Login(u"own", u"own123");
    // Another connection is listed first.
    dialup::TRasCon otherDial;
    uint64_t otherHandle = 0;
    ASSERT_NO_FATAL_FAILURE(DialOther(otherDial, otherHandle, u"OTHER", u"127.0.0.50"));

    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    h_vpnconn = 0;  // the handle is lost; the entry's connection is second in the list
    main->HangUpMain();
    const auto conns = RasLook::Get().Connections();
    ASSERT_EQ(conns.size(), 1u);
    EXPECT_EQ(conns[0].entry, "OTHER");
    EXPECT_EQ(RasLook::Get().Entries(), std::vector<std::string>{"OTHER"});
    HangUpOther(otherDial, otherHandle, u"OTHER");
    main->btn_disconnClick(nullptr);
}

// ---- Relay ----

class RelayTest : public ConnectTest {
protected:
    void FocusFirstRow()
    {
        if (!main->vt1->GetFirst())
            main->FillTree(u"华东电信");
        treeview::PVirtualNode node = main->vt1->GetFirst();
        ASSERT_NE(node, nullptr);
        main->vt1->SetFocusedNode(node);
    }
    bool WaitCaption(core::StringView caption)
    {
        return WaitFor([&] { return main->btn_zz->Caption() == caption; });
    }
};

TEST_F(RelayTest, NeedsAFocusedRow)
{
    Login(u"demo", u"demo123");
    main->vt1->SetFocusedNode(nullptr);
    main->btn_zzClick(nullptr);
    EXPECT_EQ(BoxTexts(), std::vector<String>{u"请选择你要连接的服务器"});
    EXPECT_TRUE(RasLook::Get().Entries().empty());
}

TEST_F(RelayTest, ConnectsWithTheLoginAndHangsUpTogetherWithTheMainConnection)
{
    m_ras.Scenario("[server 127.0.0.11]\nafter=50\n");
    Login(u"demo", u"demo123");
    FocusFirstRow();
    main->btn_zzClick(nullptr);
    EXPECT_FALSE(main->btn_zz->Enabled());
    EXPECT_TRUE(main->rast2->Enabled());
    ASSERT_TRUE(WaitCaption(u"挂断中转"));
    EXPECT_TRUE(relay_connected);
    EXPECT_TRUE(main->btn_zz->Enabled());
    EXPECT_EQ(main->StatusBar1->Panels(0)->Text(), String(u"中转连接成功"));
    EXPECT_EQ(m_ras.LogWith({"\"RasDial", "\"entry\":\"VEDEZEVERI\"", "\"user\":\"demo\""}).size(), 1u);

    // The main connection beside it, then the relay hung up: both go, the main one the whole way.
    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    m_clock.Advance(11000);
    ASSERT_TRUE(vpn_connected);
    m_box.Answer(ui::idYes);
    main->btn_zzClick(nullptr);
    EXPECT_EQ(BoxTexts(), std::vector<String>{u"挂断中转会，同时挂断中转连接的其他服务器。\r\n\r\n继续吗？"});
    EXPECT_EQ(Posts("stopcheck.php").size(), 1u);
    ExpectIdle(u"连接已经断开");
    EXPECT_EQ(main->btn_zz->Caption(), String(u"启用中转(&Z)"));
    EXPECT_EQ(main->StatusBar1->Panels(0)->Text(), String(u"成功挂断中转"));
    EXPECT_FALSE(main->rast2->Enabled());
    EXPECT_EQ(h_relayconn, 0u);
    EXPECT_TRUE(RasLook::Get().Connections().empty());
}

TEST_F(RelayTest, RefusedDialShowsTheNotifiersError)
{
    m_ras.Scenario("[server 127.0.0.11]\noutcome=refuse\nerror=691\nafter=50\n");
    Login(u"demo", u"demo123");
    FocusFirstRow();
    main->btn_zzClick(nullptr);
    ASSERT_TRUE(WaitFor([&] { return !m_box.Calls().empty(); }));
    const std::string text = U8(m_box.Calls().front().text);
    EXPECT_EQ(text.rfind("发生错误，错误状态码:691\r\n详细的错误信息:", 0), 0u) << text;
    EXPECT_TRUE(main->btn_zz->Enabled());
    EXPECT_EQ(main->btn_zz->Caption(), String(u"启用中转(&Z)"));
    EXPECT_FALSE(relay_connected);
    EXPECT_FALSE(main->rast2->Enabled());
    // The watch has nothing left to do.
    m_clock.Advance(3000);
    EXPECT_EQ(m_box.Calls().size(), 1u);
}

TEST_F(RelayTest, WatchNoticesALostRelayBesideTheMainConnection)
{
    m_ras.Scenario("[default]\nafter=50\n");
    Login(u"own", u"own123");
    FocusFirstRow();
    main->btn_zzClick(nullptr);
    ASSERT_TRUE(WaitCaption(u"挂断中转"));
    main->btn_connClick(nullptr);
    ASSERT_TRUE(WaitMainState(dialup::kStateConnected));
    m_clock.Advance(11000);
    ASSERT_TRUE(vpn_connected);

    // The relay's link goes away behind the client's back; the main connection stays listed.
    RasLook::Get().hangUp(HRASCONN(uintptr_t(h_relayconn)));
    ASSERT_TRUE(WaitFor([] { return RasLook::Get().Connections().size() == 1; }));
    m_box.Clear();
    m_clock.Advance(3000);
    WaitFor([&] { return !m_box.Calls().empty(); }, 1000);
    ASSERT_FALSE(m_box.Calls().empty());
    EXPECT_EQ(m_box.Calls().back().text, String(u"网络无法连接"));
    EXPECT_EQ(main->btn_zz->Caption(), String(u"启用中转(&Z)"));
    EXPECT_TRUE(main->btn_zz->Enabled());
    EXPECT_FALSE(relay_connected);
    EXPECT_TRUE(vpn_connected);
    main->btn_disconnClick(nullptr);
}

TEST_F(RelayTest, StatesOfOtherConnectionsDoNotTouchTheRelay)
{
    m_ras.Scenario("[server 127.0.0.11]\noutcome=hold\n[server 127.0.0.60]\noutcome=refuse\nerror=678\nafter=20\n");
    Login(u"demo", u"demo123");
    // A failed dial of another entry.
    dialup::TRasCon otherDial;
    uint64_t otherHandle = 0;
    ASSERT_NO_FATAL_FAILURE(DialOther(otherDial, otherHandle, u"OTHER", u"127.0.0.60"));
    ASSERT_TRUE(WaitFor([&] {
        DWORD error = 0;
        RasLook::Get().State(HRASCONN(uintptr_t(otherHandle)), &error);
        return error == 678;
    }));

    FocusFirstRow();
    main->btn_zzClick(nullptr);
    ASSERT_TRUE(main->RelayActive());
    // Once the relay dial rests in its held state its notifier is quiet (a query and a
    // notification on the same component at once may mix their fields in its state record).
    ASSERT_TRUE(WaitFor([] { return RasLook::Get().State(HRASCONN(uintptr_t(h_relayconn))) == 5; }));
    WaitFor([] { return false; }, 100);
    // The relay component reports the other connection's failure: not the relay's business.
    String text;
    main->ras2->CurrentStatusEx(otherHandle, 0, text);
    WaitFor([] { return false; }, 200);
    EXPECT_TRUE(m_box.Calls().empty()) << U8(BoxTexts().front());
    EXPECT_TRUE(main->RelayActive());
    EXPECT_FALSE(main->btn_zz->Enabled());
    EXPECT_TRUE(main->rast2->Enabled());

    HangUpOther(otherDial, otherHandle, u"OTHER");
    main->HangUpRelay();
    EXPECT_FALSE(main->RelayActive());
}

// ---- L2TP preparation ----

class L2tpTest : public ConnectTest {
protected:
    L2tpTest() { SetSystem(&fake); }
    ~L2tpTest() override { SetSystem(&system); }
    L2tpSystem fake;
};

TEST_F(L2tpTest, ForcedPreparationEndsTheFirstNetsvcHostAndStartsTheServices)
{
    RegistryValueGuard value(kParamsKey, L"ProhibitIpSec");
    value.SetState(0);
    Login(u"demo", u"demo123");
    fake.window = main.get();
    fake.procs = {{10, u"svchost.exe", u"svchost.exe -k rpcss"},
                  {11, u"SVCHOST.EXE", u"C:\\windows\\system32\\svchost.exe -k NetSvc"},
                  {12, u"SvcHost.exe", u"svchost.exe -k netsvcs"},
                  {13, u"svchost.exe", u"svchost.exe -k netsvc"}};
    main->L2TPQ1Click(nullptr);
    EXPECT_EQ(value.Read(), std::optional<DWORD>(1));
    EXPECT_EQ(fake.terminated, std::vector<uint32_t>{12});
    const std::vector<String> services = {u"AudioSrv", u"AudioSrv", u"CryptSvc", u"CryptSvc", u"RasMan", u"RasMan",
                                          u"Dhcp", u"Dhcp", u"lanmanworkstation", u"lanmanworkstation",
                                          u"netman", u"netman"};
    EXPECT_EQ(fake.started, services);
    EXPECT_EQ(fake.windowEnabledWhileStarting, std::vector<bool>(12, false));
    EXPECT_TRUE(main->Enabled());
    EXPECT_EQ(BoxTexts(), (std::vector<String>{u"确定要强制生效L2TP的设置吗？", u"强制生效OK!\r\n\r\n尝试继续连接"}));
}

TEST_F(L2tpTest, AnnouncesOnlyWhatItDid)
{
    RegistryValueGuard value(kParamsKey, L"ProhibitIpSec");
    value.SetState(0);
    Login(u"demo", u"demo123");
    fake.procs = {{11, u"svchost.exe", u"svchost.exe -k NetSvc"}};

    // Declined: nothing.
    m_box.Answer(ui::idNo);
    main->L2TPQ1Click(nullptr);
    EXPECT_EQ(value.Read(), std::optional<DWORD>(0));

    // No service host to end: the value is written and the message says no more.
    m_box.Clear();
    main->L2TPQ1Click(nullptr);
    EXPECT_EQ(value.Read(), std::optional<DWORD>(1));
    EXPECT_TRUE(fake.terminated.empty());
    EXPECT_TRUE(fake.started.empty());
    ASSERT_EQ(m_box.Calls().size(), 2u);
    EXPECT_EQ(m_box.Calls()[1].text, String(u"L2TP设置已写入，相关系统服务未能重新启动，请重新起动电脑后再连接"));

    // The key cannot be made: a failure, and nothing else is done. A volatile parent takes no
    // lasting child key.
    value.MakeKeyMissing();
    const std::wstring parent = kParamsKey.substr(0, kParamsKey.find_last_of(L'\\'));
    HKEY probe = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "the remote-access service key exists in this prefix";
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    fake.procs = {{13, u"svchost.exe", u"svchost.exe -k netsvc"}};
    m_box.Clear();
    main->L2TPQ1Click(nullptr);
    EXPECT_EQ(value.Read(), std::nullopt);
    EXPECT_TRUE(fake.terminated.empty());
    ASSERT_EQ(m_box.Calls().size(), 2u);
    EXPECT_EQ(m_box.Calls()[1].text, String(kL2tpWriteFailedText));
    EXPECT_EQ(m_box.Calls()[1].flags, unsigned(ui::mbOK | ui::mbIconWarning));
}

} // namespace
} // namespace client::test
