// The speed-test window.
#include "client/speedform.h"

#include "client/mainform.h"
#include "client/rawicmp.h"
#include "core/exception.h"
#include "ui/application.h"
#include "ui/messagebox.h"

namespace client {

TForm1::TForm1(core::Component* owner) : ui::Form(owner)
{
    SetCaption(u"速度测试");
    SetBorderStyle(ui::bsSingle);
    SetBorderIcons(ui::biSystemMenu | ui::biMinimize);
    Font().SetName(u"Tahoma");
    Font().SetHeight(-11);
    SetClientSize(254, 205);

    ListBox1 = new ui::ListBox(this);
    ListBox1->SetParent(this);
    ListBox1->SetBounds(4, 3, 245, 161);

    Button1 = new ui::Button(this);
    Button1->SetParent(this);
    Button1->SetBounds(88, 172, 75, 25);
    Button1->SetCaption(u"重新测速");
    Button1->OnClick = [this](core::Object* sender) { Button1Click(sender); };

    SetIcmpClient(std::make_unique<TRawIcmpClient>());
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::SetIcmpClient(std::unique_ptr<TIcmpClient> client)
{
    m_icmp = std::move(client);
    m_icmp->PacketSize = kSpeedPacketSize;
    m_icmp->OnReply = [this](TIcmpClient* sender, const IcmpReplyStatus& status) { ICMPReply(sender, status); };
}

void TForm1::Measure(const SpeedRequest& request)
{
    if (m_measuring)
        return;  // the echoes of the running measurement are still to come
    if (request.nodeValue.empty()) {
        ui::MessageBox(kSpeedNoNodeValue, ui::App().Title(), ui::mbOK);
        return;
    }
    m_label = SpeedLineLabel(request.nodeText);
    ListBox1->Clear();
    SetBounds(request.mainLeft + 300, request.mainTop + 20, Width(), Height());
    Show();

    m_icmp->Host = SpeedTarget(request.nodeValue);
    m_icmp->ReceiveTimeout = kSpeedReceiveTimeoutMs;

    m_measuring = true;
    if (request.startButton)
        request.startButton->SetEnabled(false);
    Button1->SetEnabled(false);
    try {
        for (int i = 0; i < kSpeedEchoCount; ++i) {
            m_icmp->Ping();
            ui::App().ProcessMessages();
        }
    } catch (const std::exception& error) {
        // The remaining echoes are not sent; the error goes to the application's report.
        ui::App().HandleException(error);
    }
    m_measuring = false;
    Button1->SetEnabled(true);
    if (request.startButton)
        request.startButton->SetEnabled(true);
}

void TForm1::Button1Click(core::Object*)
{
    if (m_measuring)
        return;
    ListBox1->Clear();
    if (OnRemeasure)
        OnRemeasure(this);
}

void TForm1::ICMPReply(TIcmpClient*, const IcmpReplyStatus& status)
{
    ListBox1->Items().Add(SpeedReplyLine(m_label, status));
}

} // namespace client
