// The main connection of the main window: connecting and disconnecting, the hang-up of the main
// connection, the idle control state, and the connection watch (state poll, traffic and online time,
// status reports, the forced disconnect, minimising to the tray once connected).
//
// Everything here runs on the GUI thread from buttons, menu items and the window's timers. The main
// connection's state is learnt only by polling it.
#include "client/mainform.h"

#include "client/connwatch.h"
#include "client/globals.h"
#include "client/l2tp.h"
#include "client/nodelist.h"
#include "client/protocol.h"
#include "client/trayicon.h"
#include "core/datetime.h"
#include "dialup/rascon.h"
#include "dialup/rasedt.h"
#include "dialup/rasper.h"
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/combobox.h"
#include "treeview/virtual_tree.h"
#include "ui/application.h"
#include "ui/label.h"
#include "ui/menu.h"
#include "ui/messagebox.h"
#include "ui/statusbar.h"
#include "ui/timer.h"

#include <algorithm>
#include <cstdlib>

namespace client {

using core::String;

namespace {

constexpr char16_t kIdleText[] = u"未连接";
constexpr char16_t kConnectingText[] = u"正在建立连接";
constexpr char16_t kConnectedText[] = u"连接成功";
constexpr char16_t kFailedText[] = u"无法连接,请更换一条线路尝试";
constexpr char16_t kPingRunningText[] = u"请先关闭Ping测试再尝试拨号";
constexpr char16_t kNoNodeValueText[] = u"发生错误，请关闭程序再重新运行";
constexpr char16_t kNoL2tpText[] = u"系统出错，不支持L2TP，将以PPTP形式连接";
constexpr char16_t kRestartText[] = u"此台电脑是第一次使用L2TP模式，需要关闭程序并重新起动电脑";
constexpr char16_t kEntryWriteText[] = u"win7系统，请右键单击客户端-选择以管理员身份运行-再连接即可\r\n\r\n请重试";

String AppTitle() { return ui::Application::Instance().Title(); }

int Ask(core::StringView text, core::StringView caption, unsigned flags)
{
    return ui::Application::Instance().MessageBox(text, caption, flags);
}

ServiceClient Service()
{
    return ServiceClient(Transport(), Settings().default_host, Settings().fallback_host, Settings().app_port);
}

void StartTimer(ui::Timer* timer)
{
    if (timer)
        timer->SetEnabled(true);
}

void StopTimer(ui::Timer* timer)
{
    if (timer)
        timer->SetEnabled(false);
}

// A fresh period: the timer's first tick comes one interval from now.
void RestartTimer(ui::Timer* timer)
{
    if (!timer)
        return;
    timer->SetEnabled(false);
    timer->SetEnabled(true);
}

// The node tree is locked with the other choices. vt1 is held as the tree's base type, which has
// no enabled state: the window control it is takes it.
void EnableTree(treeview::TBaseVirtualTree* tree, bool enabled)
{
    if (auto* control = dynamic_cast<ui::Control*>(tree))
        control->SetEnabled(enabled);
}

int64_t MsSinceConnectStart()
{
    if (dt_connstart == 0)
        return 0;
    const double now = core::Now();
    const int64_t ms = core::MilliSecondsBetween(now, dt_connstart);
    return now < dt_connstart ? 0 : ms;
}

} // namespace

// ---- Wiring ----

void Tfrmmain::WireConnection()
{
    // The window's dial-up components work on the all-users phonebook.
    for (dialup::TRasCon* con : {ras1.get(), ras2.get()})
        con->SetPBLocation(1);
    for (dialup::TRasEdt* edit : {rase1.get(), rase2.get()})
        edit->SetPBLocation(1);
    btn_conn->OnClick = [this](core::Object* s) { btn_connClick(s); };
    btn_disconn->OnClick = [this](core::Object* s) { btn_disconnClick(s); };
    N5->OnClick = [this](core::Object* s) { btn_connClick(s); };
    N6->OnClick = [this](core::Object* s) { btn_disconnClick(s); };
    dialupcheck->SetOnTimer([this](core::Object* s) { dialupcheckTimer(s); });
    rast12->SetOnTimer([this](core::Object* s) { rast12Timer(s); });
    statuscheck1->SetOnTimer([this](core::Object* s) { statuscheck1Timer(s); });
    statuscheck2->SetOnTimer([this](core::Object* s) { statuscheck2Timer(s); });
    statuscheck->SetOnTimer([this](core::Object* s) { statuscheckTimer(s); });
    Timer2->SetOnTimer([this](core::Object* s) { Timer2Timer(s); });
    WireRelay();
}

// ---- Small helpers ----

void Tfrmmain::SetStatusPanel(int index, const String& text)
{
    if (StatusBar1)
        if (ui::StatusPanel* panel = StatusBar1->Panels(index))
            panel->SetText(text);
}

void Tfrmmain::SetStatusLabel(const String& text, bool red)
{
    if (red)
        statuslabel->Font().SetColor(ui::clRed);
    statuslabel->SetCaption(text);
}

void Tfrmmain::IdleControls(const String& status)
{
    statuslabel->SetCaption(status);
    for (ui::Control* c : std::initializer_list<ui::Control*>{btn_speed, IPAddrTxt, AreaTxt2, btn_conn, rb_pptp, rb_lp2p,
                                                               cesu})
        if (c)
            c->SetEnabled(true);
    EnableTree(vt1, true);
    btn_disconn->SetEnabled(false);
    // No timer of the ended attempt may fire into the next one.
    StopTimer(rast12);
    StopTimer(statuscheck);
    StopTimer(statuscheck1);
    StopTimer(statuscheck2);
    StopTimer(Timer2);
    vpn_connected = false;
    m_main_seen_connected = false;
    // The traffic of an ended connection is not shown beside the next one's online time. The
    // counters stay until the next connect: the end-of-connection report still reads them.
    ClearTrafficText();
}

void Tfrmmain::ClearTrafficText()
{
    if (datalabel) {
        datalabel->SetCaption(u"");
        datalabel->SetWidth(kTrafficLabelWidth);
    }
    if (userlabel)
        userlabel->SetLeft(kUserLabelLeft);
    SetStatusPanel(1, u"");
}

void Tfrmmain::LockControls()
{
    for (ui::Control* c : std::initializer_list<ui::Control*>{IPAddrTxt, AreaTxt2, btn_conn, rb_pptp, rb_lp2p, cesu,
                                                               btn_speed})
        if (c)
            c->SetEnabled(false);
    EnableTree(vt1, false);
    btn_disconn->SetEnabled(true);
    vpn_connected = false;
}

// ---- Connecting ----

void Tfrmmain::FillEntryBasics(dialup::TRasEdt& edit, bool l2tp, const String& server)
{
    edit.PPPDefault();
    edit.SetPBLocation(1);
    edit.DeviceName = l2tp ? String(kL2tpDeviceName) : String(kPptpDeviceName);
    edit.VpnStrategy = l2tp ? dialup::TVpnStrategy::vpnL2tpOnly : dialup::TVpnStrategy::vpnPptpOnly;
    edit.DeviceType = u"vpn";
    edit.bPreviewUserPw = true;
    edit.bPreviewPhoneNumber = true;
    edit.LocalPhoneNumber = server;
}

void Tfrmmain::FillEntrySecurity(dialup::TRasEdt& edit)
{
    edit.bRequireDataEncryption = false;
    edit.EncryptionType = dialup::TEncryptionType::encryptOptional;
    edit.bPromoteAlternates = false;
    edit.bHeaderCompression = false;
    edit.bRequireEncryptedPassword = false;
    edit.bSoftwareCompression = false;
    edit.bRequirePAP = true;
    edit.bRequireCHAP = true;
    edit.bRequireMsCHAP = true;
    edit.bRequireMsCHAP2 = true;
    edit.bCustom = true;
    edit.PType = dialup::TPType::typeVNP;
}

void Tfrmmain::btn_connClick(core::Object*)
{
    // Refused before anything changes, so that the window stays as the batch test has it.
    if (ping_running) {
        Ask(kPingRunningText, AppTitle(), ui::mbOK | ui::mbIconInformation);
        return;
    }
    LockControls();
    bool l2tp = rb_lp2p && rb_lp2p->Checked();
    if (l2tp)
        AskForceL2tp();
    HangUpMain();

    const String area = AreaTxt2->Text();
    const String node = IPAddrTxt->Text();
    const String value = nodeini ? nodeini->ReadString(area, node, String()) : String();
    if (value.empty()) {
        // Dialling an empty address can only fail; the attempt ends here.
        Ask(kNoNodeValueText, AppTitle(), ui::mbOK);
        IdleControls(kIdleText);
        return;
    }
    const String server = ParseNodeValue(value).ip;

    SetStatusPanel(0, kConnectingText);
    statuslabel->SetCaption(kConnectingText);
    rase1->PPPDefault();
    rase1->SetPBLocation(1);

    if (l2tp) {
        switch (ReadProhibitIpSec()) {
        case ProhibitIpSecState::KeyMissing:
            Ask(kNoL2tpText, AppTitle(), ui::mbOK);
            l2tp = false;
            break;
        case ProhibitIpSecState::One:
            break;
        default:
            if (!SetProhibitIpSec()) {
                Ask(kL2tpWriteFailedText, AppTitle(), ui::mbOK | ui::mbIconWarning);
                IdleControls(kIdleText);
                return;
            }
            Ask(kRestartText, u"提示", ui::mbOK);
            IdleControls(kIdleText);
            return;
        }
    }

    FillEntryBasics(*rase1, l2tp, server);

    DialCredentials credentials;
    if (!Service().RequestDialCredentials(str_host, server, str_user, str_pass, credentials)) {
        Ask(kNetworkMessage, AppTitle(), ui::mbOK);
        IdleControls(kIdleText);
        return;
    }
    if (credentials.own_account) {
        rase1->UserName = str_user;
        rase1->Password = str_pass;
    } else {
        rase1->UserName = credentials.user;
        rase1->Password = credentials.password;
    }
    own_account = credentials.own_account;

    const double now = core::Now();
    str_uniqueid = MakeUniqueId(now, [] { return std::rand(); });
    str_entryname = FormatEntryName(now);
    FillEntrySecurity(*rase1);

    if (rase1->PutAllEntryProps(str_entryname) != 0 || rase1->PutDialProps(str_entryname) != 0) {
        Ask(kEntryWriteText, AppTitle(), ui::mbOK | ui::mbIconWarning);
        HangUpMain();
        btn_zz->SetEnabled(true);
        IdleControls(kIdleText);
        return;
    }

    ras1->EntryName = str_entryname;
    ras1->SetPBLocation(1);
    h_vpnconn = 0;
    int result = ras1->GetDialParams();
    if (result == 0)
        result = ras1->ConnectEx(h_vpnconn);
    if (result != 0) {
        IdleControls(u"错误代码" + core::IntToStr(result) + u"-" + ras1->StatusStr());
        HangUpMain();
        return;
    }

    // The poll's first look comes a full interval after this dial, whatever an earlier attempt left.
    RestartTimer(statuscheck1);
    RestartTimer(Timer2);
    RestartTimer(rast12);
    RestartTimer(dialupcheck);
    btn_conn->SetEnabled(false);
    // Each connection counts its traffic from zero.
    rasp1->ResetPerfStats();
    ClearTrafficText();
    dt_connstart = core::Now();
    m_main_seen_connected = false;
}

// ---- Hang-up and disconnect ----

void Tfrmmain::HangUpMain()
{
    if (!ras1)
        return;
    if (h_vpnconn != 0)
        if (ras1->DisconnectEx(h_vpnconn, 0, true, 3000) == 0)
            h_vpnconn = 0;
    if (str_entryname.empty())
        return;
    if (ras1->ValidateName(str_entryname) != 0) {
        // The entry may be dialled by a connection other than the first listed one.
        ras1->GetConnections();
        for (int i = 0; i < ras1->Connections.Count(); ++i)
            if (ras1->Connections.EntryName(i) == str_entryname)
                ras1->DisconnectEx(ras1->Connections.RasConn(i), 0, false, 3000);
        ras1->EntryName = str_entryname;
        ras1->DeletePhonebook();
        ras1->EntryName = str_entryname;
        ras1->DeletePhonebook();
    }
}

void Tfrmmain::btn_disconnClick(core::Object*)
{
    IdleControls(u"正在断开");
    // The service hears of the end only of connections it issued the credentials for.
    if (!own_account && IsConnected(PollMain()))
        PostReport(true);
    HangUpMain();
    if (com_game)
        com_game->SetEnabled(true);
    if (btn_zz)
        btn_zz->SetEnabled(true);
    SetStatusPanel(0, u"连接已断开");
    IdleControls(u"连接已经断开");
    rasp1->ResetPerfStats();
    StopTimer(dialupcheck);
}

// ---- Connection watch ----

PollResult Tfrmmain::PollMain()
{
    ras1->GetConnections();
    ras1->EntryName = str_entryname;
    String text;
    ras1->CurrentStatusEx(h_vpnconn, 0, text);
    rasp1->SetRasConn(1, h_vpnconn);
    return PollResult{ras1->LastError(), ras1->ConnectState(), ras1->ConnectError()};
}

void Tfrmmain::dialupcheckTimer(core::Object*)
{
    PollSituation situation;
    situation.poll = PollMain();
    situation.disconnectEnabled = btn_disconn->Enabled();
    situation.wasConnected = m_main_seen_connected;
    situation.msSinceDial = MsSinceConnectStart();
    switch (DecideStatePoll(situation)) {
    case PollVerdict::Connected:
        vpn_connected = true;
        m_main_seen_connected = true;
        if (com_game)
            com_game->SetEnabled(false);
        btn_speed->SetEnabled(false);
        EnableTree(vt1, false);
        SetStatusLabel(kConnectedText, true);
        SetStatusPanel(0, u"服务器连接成功");
        StartTimer(rast12);
        if (!own_account)
            StartTimer(statuscheck);
        else
            StopTimer(statuscheck);
        break;
    case PollVerdict::Failed:
        SetStatusLabel(kFailedText, true);
        IdleControls(kFailedText);
        HangUpMain();
        break;
    case PollVerdict::Wait:
    case PollVerdict::Nothing:
        break;
    }
}

void Tfrmmain::rast12Timer(core::Object*)
{
    if (!IsConnected(PollMain()))
        return;
    rasp1->GetPerfStats();
    const int64_t online = MsSinceConnectStart();
    SetStatusPanel(1, TrafficText(rasp1->StatsXmit(), rasp1->StatsRecv(), online));
    datalabel->Font().SetColor(ui::clRed);
    datalabel->SetCaption(TrafficText(rasp1->StatsXmit(), rasp1->StatsRecv(), online));
    FitTrafficLabel();
    SetStatusLabel(kConnectedText, true);
}

void Tfrmmain::FitTrafficLabel()
{
    // Four and more digits of kilobytes make the text longer than its place: the label grows to
    // the whole text and the user's label moves aside, never back over the online time.
    datalabel->SetAutoSize(true);
    const int right = datalabel->Left() + std::max(datalabel->Width(), kTrafficLabelWidth);
    datalabel->SetAutoSize(false);
    datalabel->SetWidth(right - datalabel->Left());
    userlabel->SetLeft(std::max(kUserLabelLeft, right + 6));
}

ReportFields Tfrmmain::MainReportFields()
{
    rasp1->GetPerfStats();
    ReportFields fields;
    fields.clientip = ras1->GetProtocolEx(h_vpnconn) == 0 ? ras1->ClientIP : String();
    ras1->GetEntryProperties();
    fields.serverip = ras1->PhoneCanonical;
    fields.uniqueid = str_uniqueid;
    fields.username = str_user;
    fields.xmitdata = rasp1->StatsXmit();
    fields.recvdata = rasp1->StatsRecv();
    fields.onlinetime = MsSinceConnectStart();
    return fields;
}

HttpReply Tfrmmain::PostReport(bool stop)
{
    const ReportFields fields = MainReportFields();
    return stop ? Service().PostStopReport(str_host, fields) : Service().PostStatusReport(str_host, fields);
}

void Tfrmmain::ReportTick(ReportKind kind)
{
    if (IsConnected(PollMain())) {
        const HttpReply reply = PostReport(false);
        if (!reply.ok)
            return;  // the timer stays on and tries again
        if (ReplyOrdersDisconnect(kind, reply.text, kLoggedInElsewhereMarker)) {
            btn_disconnClick(nullptr);
            statuslabel->SetCaption(u"已经断开");
            Ask(kLoggedInElsewhereMessage, AppTitle(), ui::mbOK | ui::mbIconWarning);
            return;
        }
    }
    if (kind == ReportKind::First) {
        StopTimer(statuscheck1);
        RestartTimer(statuscheck2);
    } else if (kind == ReportKind::Second) {
        StopTimer(statuscheck2);
    }
}

void Tfrmmain::statuscheck1Timer(core::Object*) { ReportTick(ReportKind::First); }
void Tfrmmain::statuscheck2Timer(core::Object*) { ReportTick(ReportKind::Second); }
void Tfrmmain::statuscheckTimer(core::Object*) { ReportTick(ReportKind::Repeating); }

void Tfrmmain::Timer2Timer(core::Object*)
{
    if (!vpn_connected)
        return;
    TrayIcon1->MinimizeApp();
    TrayIcon1->SetHint(Caption());
    TrayIcon1->ShowBalloonHint(u"提示", u"程序已最小化", bhiInfo, 10);
    StopTimer(Timer2);
}

} // namespace client
