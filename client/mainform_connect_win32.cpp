// Connecting, the connection watch and disconnecting of the main window.
//
// FIXME: only what closing the window and the tray's exit item need is here so far (the
// disconnect with its report, hanging up both connections); connecting, the watch timers and the
// forced L2TP preparation are still to come.
#include "client/mainform.h"

#include "client/globals.h"
#include "client/nodelist.h"
#include "client/protocol.h"

#include "core/datetime.h"
#include "dialup/rascon.h"
#include "skin/controls/button.h"
#include "skin/controls/combobox.h"
#include "ui/label.h"
#include "ui/menu.h"
#include "ui/statusbar.h"

namespace client {

using core::String;

void Tfrmmain::WireConnection()
{
    btn_conn->OnClick = [this](core::Object* s) { btn_connClick(s); };
    btn_disconn->OnClick = [this](core::Object* s) { btn_disconnClick(s); };
    N5->OnClick = [this](core::Object* s) { btn_connClick(s); };
    N6->OnClick = [this](core::Object* s) { btn_disconnClick(s); };
    L2TPQ1->OnClick = [this](core::Object* s) { L2TPQ1Click(s); };
}

void Tfrmmain::btn_connClick(core::Object*) {}

void Tfrmmain::L2TPQ1Click(core::Object*) {}

void Tfrmmain::btn_disconnClick(core::Object*)
{
    if (vpn_connected && !own_account) {
        ReportFields fields;
        fields.serverip = ras1 ? ras1->PhoneNumber : String();
        fields.uniqueid = str_uniqueid;
        fields.username = str_user;
        fields.onlinetime = int64_t((core::Now() - dt_connstart) * 86400000.0);
        ServiceClient(Transport(), Settings().default_host, Settings().fallback_host, Settings().app_port)
            .PostStopReport(str_host, fields);
    }
    HangUpMain();
    btn_conn->SetEnabled(true);
    btn_disconn->SetEnabled(false);
    statuslabel->SetCaption(u"未连接");
}

void Tfrmmain::HangUpMain()
{
    if (ras1 && h_vpnconn) {
        ras1->DisconnectEx(h_vpnconn, 0, false, 3000);
        ras1->EntryName = str_entryname;
        ras1->DeletePhonebook();
    }
    h_vpnconn = 0;
    vpn_connected = false;
}

void Tfrmmain::HangUpRelay()
{
    if (ras2 && h_relayconn) {
        ras2->DisconnectEx(h_relayconn, 0, false, 3000);
        ras2->EntryName = str_relayentry;
        ras2->DeletePhonebook();
    }
    h_relayconn = 0;
    relay_connected = false;
}

} // namespace client
