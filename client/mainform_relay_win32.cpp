// The relay connection (a second VPN connection to the focused node, dialled with the login's own
// account) and the L2TP preparation (the offer before an L2TP connection and the forced one).
//
// The relay's dial progress arrives on the remote-access notification thread (and, from status
// queries and hang-ups, on the GUI thread); the handler only copies the state and queues its work
// for the GUI thread, where it acts on the relay's own current dial and nothing else.
#include "client/mainform.h"

#include "client/globals.h"
#include "client/l2tp.h"
#include "client/nodelist.h"
#include "client/tools.h"
#include "core/thread.h"
#include "core/tick.h"
#include "dialup/rascon.h"
#include "dialup/rasedt.h"
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/statusbar.h"
#include "treeview/virtual_tree.h"
#include "ui/application.h"
#include "ui/menu.h"
#include "ui/messagebox.h"
#include "ui/timer.h"

namespace client {

using core::String;

namespace {

constexpr char16_t kRelayIdleCaption[] = u"启用中转(&Z)";
constexpr char16_t kRelayUpCaption[] = u"挂断中转";

String AppTitle() { return ui::Application::Instance().Title(); }

int Ask(core::StringView text, core::StringView caption, unsigned flags)
{
    return ui::Application::Instance().MessageBox(text, caption, flags);
}

void Warn(core::StringView text) { Ask(text, AppTitle(), ui::mbOK | ui::mbIconWarning); }

String Lower(String s)
{
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return s;
}

constexpr const char16_t* kL2tpServices[] = {u"AudioSrv", u"CryptSvc", u"RasMan", u"Dhcp", u"lanmanworkstation",
                                             u"netman"};

} // namespace

// What the notification thread may reach of the window: the window itself while it lives, and the
// number of the relay dial that is current.
struct Tfrmmain::RelayLink {
    Tfrmmain* form = nullptr;
    std::atomic<uint64_t> generation{0};
};

void Tfrmmain::WireRelay()
{
    m_relay_link = std::make_shared<RelayLink>();
    m_relay_link->form = this;
    btn_zz->OnClick = [this](core::Object* s) { btn_zzClick(s); };
    rast2->SetOnTimer([this](core::Object* s) { rast2Timer(s); });
    L2TPQ1->OnClick = [this](core::Object* s) { L2TPQ1Click(s); };
    std::weak_ptr<RelayLink> weak = m_relay_link;
    ras2->SetOnStateChanged([weak](dialup::TRasCon& sender) { ras2StateChanged(weak, sender); });
}

// ---- Relay ----

void Tfrmmain::ras2StateChanged(const std::weak_ptr<RelayLink>& weak, dialup::TRasCon& sender)
{
    const std::shared_ptr<RelayLink> link = weak.lock();
    if (!link)
        return;
    const dialup::TRasStateRec record = sender.StateRecord();
    const uint64_t generation = link->generation.load();
    core::Thread::Queue(nullptr, [weak, record, generation] {
        if (const std::shared_ptr<RelayLink> live = weak.lock())
            live->form->RelayStateChanged(record, generation);
    });
}

void Tfrmmain::RelayStateChanged(const dialup::TRasStateRec& record, uint64_t generation)
{
    // Only the relay dial that is current, and only its own connection.
    if (!m_relay_active || generation != m_relay_link->generation.load() || ras2->EntryName.empty())
        return;
    if (record.StateEventSource == dialup::TStateEventSource::SourceHangup)
        return;
    if (h_relayconn == 0 || record.StateRasConn != h_relayconn)
        return;
    if (record.StateEventSource == dialup::TStateEventSource::SourceStatus &&
        record.ConnectState == dialup::kErrorUnknownState)
        return;  // a failed status query: the watch decides about a relay that is gone

    if (record.ConnectError == 0 && record.ConnectState == dialup::kStateConnected) {
        btn_zz->SetCaption(kRelayUpCaption);
        relay_connected = true;
        SetStatusPanel(0, u"中转连接成功");
        btn_zz->SetEnabled(true);
        return;
    }
    if (record.ConnectError == 0 && record.ConnectState != dialup::kStateDisconnected)
        return;  // still on its way

    const int code = record.ConnectError != 0 ? record.ConnectError : record.ConnectState;
    ras2->EntryName.clear();
    EndRelayDial();
    btn_zz->SetCaption(kRelayIdleCaption);
    Warn(u"发生错误，错误状态码:" + core::IntToStr(code) + u"\r\n" + u"详细的错误信息:" + record.StatusStr);
    HangUpRelay();
    relay_connected = false;
    btn_zz->SetEnabled(true);
}

void Tfrmmain::btn_zzClick(core::Object*)
{
    if (sb001)
        sb001->SetSimpleText(u"");
    relay_connected = false;
    if (btn_zz->Caption() != kRelayUpCaption) {
        const bool l2tp = rb_lp2p && rb_lp2p->Checked();
        if (l2tp)
            AskForceL2tp();
        // The focused row is the one dialled, so it is the one that must exist.
        treeview::TVirtualNode* node = vt1 ? vt1->FocusedNode() : nullptr;
        const ps* record = node ? NodeRecord(node) : nullptr;
        if (!record) {
            Warn(u"请选择你要连接的服务器");
            return;
        }
        if (ping_running) {
            Ask(u"请先关闭Ping测试再尝试中转拨号", AppTitle(), ui::mbOK | ui::mbIconInformation);
            return;
        }
        const String server = record->ip;
        HangUpRelay();

        FillEntryBasics(*rase2, l2tp, server);
        rase2->UserName = str_user;
        rase2->Password = str_pass;
        FillEntrySecurity(*rase2);
        if (rase2->PutAllEntryProps(str_relayentry) != 0) {
            Warn(u"无法建立中转拨号VPN属性\r\n\r\n请重试");
            HangUpRelay();
            return;
        }
        if (rase2->PutDialProps(str_relayentry) != 0) {
            Warn(u"无法建立中转拨号VPN属性(2)\r\n\r\n请重试");
            HangUpRelay();
            return;
        }
        ras2->EntryName = str_relayentry;
        ras2->SetPBLocation(1);
        h_relayconn = 0;
        m_relay_link->generation.fetch_add(1);
        m_relay_active = true;
        if (ras2->AutoConnectEx(h_relayconn) != 0) {
            EndRelayDial();
            Warn(u"产生远程连接服务失败");
            HangUpRelay();
            return;
        }
        btn_zz->SetEnabled(false);
        rast2->SetEnabled(true);
        return;
    }

    if (vpn_connected &&
        Ask(u"挂断中转会，同时挂断中转连接的其他服务器。\r\n\r\n继续吗？", AppTitle(),
            ui::mbYesNo | ui::mbIconQuestion) == ui::idNo)
        return;
    btn_zz->SetEnabled(true);
    btn_zz->SetCaption(kRelayIdleCaption);
    // The main connection goes down with the relay: end it the whole way (idle controls, report).
    if (btn_disconn->Enabled() || vpn_connected)
        btn_disconnClick(nullptr);
    else
        HangUpMain();
    HangUpRelay();
    SetStatusPanel(0, u"成功挂断中转");
}

// No state of the ended dial is acted on any more (a message box pumps messages, queued states
// included), and the watch stops.
void Tfrmmain::EndRelayDial()
{
    m_relay_active = false;
    if (m_relay_link)
        m_relay_link->generation.fetch_add(1);
    if (rast2)
        rast2->SetEnabled(false);
}

void Tfrmmain::HangUpRelay()
{
    EndRelayDial();
    if (!ras2)
        return;
    if (h_relayconn != 0)
        if (ras2->DisconnectEx(h_relayconn, 0, true, 3000) == 0)
            h_relayconn = 0;
    if (ras2->ValidateName(str_relayentry) != 0) {
        ras2->GetConnections();
        for (int i = 0; i < ras2->Connections.Count(); ++i)
            if (ras2->Connections.EntryName(i) == str_relayentry)
                ras2->DisconnectEx(ras2->Connections.RasConn(i), 0, false, 3000);
        ras2->EntryName = str_relayentry;
        ras2->DeletePhonebook();
        ras2->EntryName = str_relayentry;
        ras2->DeletePhonebook();
    }
    ras2->EntryName.clear();
}

void Tfrmmain::rast2Timer(core::Object*)
{
    ras2->GetConnections();
    if (ras2->LastError() != 0)
        return;
    bool listed = false;
    for (int i = 0; i < ras2->Connections.Count(); ++i)
        listed = listed || (h_relayconn != 0 && ras2->Connections.RasConn(i) == h_relayconn);
    if (listed) {
        String text;
        ras2->CurrentStatusEx(h_relayconn, 0, text);
        return;
    }
    if (h_relayconn == 0)
        return;
    relay_connected = false;
    EndRelayDial();
    Warn(u"网络无法连接");
    HangUpRelay();
    btn_zz->SetCaption(kRelayIdleCaption);
    btn_zz->SetEnabled(true);
}

// ---- L2TP preparation ----

void Tfrmmain::AnnounceL2tp(L2tpPreparation result, const String& done)
{
    switch (result) {
    case L2tpPreparation::WriteFailed:
        Warn(kL2tpWriteFailedText);
        break;
    case L2tpPreparation::ValueWritten:
        Ask(u"L2TP设置已写入，相关系统服务未能重新启动，请重新起动电脑后再连接", AppTitle(),
            ui::mbOK | ui::mbIconInformation);
        break;
    case L2tpPreparation::Done:
        Ask(done, AppTitle(), ui::mbOK | ui::mbIconInformation);
        break;
    }
}

void Tfrmmain::AskForceL2tp()
{
    if (ReadProhibitIpSec() != ProhibitIpSecState::Zero)
        return;
    if (Ask(u"要强行生效L2TP设置吗？", AppTitle(), ui::mbYesNo | ui::mbIconQuestion) == ui::idNo)
        return;
    AnnounceL2tp(ForceL2tp(), u"强制生效L2TP的设置完成");
}

void Tfrmmain::L2TPQ1Click(core::Object*)
{
    if (Ask(u"确定要强制生效L2TP的设置吗？", AppTitle(), ui::mbYesNo | ui::mbIconQuestion) == ui::idNo)
        return;
    AnnounceL2tp(ForceL2tp(), u"强制生效OK!\r\n\r\n尝试继续连接");
}

Tfrmmain::L2tpPreparation Tfrmmain::ForceL2tp()
{
    if (!SetProhibitIpSec())
        return L2tpPreparation::WriteFailed;
    SystemActions& system = System();
    uint32_t found = 0;
    for (const ProcessInfo& process : system.Processes()) {
        if (Lower(process.exe) != u"svchost.exe")
            continue;
        if (system.ProcessCommandLine(process.pid).find(u"-k netsvc") != String::npos) {
            found = process.pid;
            break;
        }
    }
    if (!found)
        return L2tpPreparation::ValueWritten;

    // The window keeps painting during the waits, but takes no input until the services are back.
    const bool wasEnabled = Enabled();
    SetEnabled(false);
    const bool ended = system.TerminateProcess(found);
    for (const char16_t* service : kL2tpServices) {
        system.StartService(service);
        WaitPumping(1000);
        system.StartService(service);
    }
    WaitPumping(10000);
    SetEnabled(wasEnabled);
    return ended ? L2tpPreparation::Done : L2tpPreparation::ValueWritten;
}

void Tfrmmain::WaitPumping(unsigned ms)
{
    core::Clock& clock = m_wait_clock ? *m_wait_clock : core::SystemClock::Instance();
    const uint32_t start = clock.Ticks();
    ui::Application& app = ui::Application::Instance();
    while (core::TickDiff(start, clock.Ticks()) < ms && !app.Terminated()) {
        app.ProcessMessages();
        core::Sleep(10);
    }
}

} // namespace client
