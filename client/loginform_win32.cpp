// The login window.
#include "client/loginform.h"

#include "client/globals.h"
#include "client/mainform.h"
#include "client/nodelist.h"
#include "client/place.h"
#include "client/protocol.h"
#include "client/savedlogin.h"

#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "ui/application.h"
#include "ui/label.h"
#include "ui/messagebox.h"
#include "ui/urlopener.h"
#include "ui/webpane.h"

namespace client {

using core::String;

std::function<void(Tfrmlogin&)> BeforeLoginShown;

Tfrmlogin::Tfrmlogin(core::Component* owner) : ui::Form(owner)
{
    SetBorderStyle(ui::bsSingle);
    SetBorderIcons(0);
    SetFormStyle(ui::fsStayOnTop);
    SetPosition(ui::poScreenCenter);
    UseDefinitionFont(*this);
    SetClientSize(356, 312);

    wb1 = Place(ui::CreateWebPane(this), this, 2, 0, 352, 102);
    sGroupBox1 = Place(new skin::TsGroupBox(this), this, 15, 111, 326, 117);
    sGroupBox1->SetCaption(u"登陆");
    sLabel1 = Place(new skin::TsLabel(this), sGroupBox1, 31, 25, 0, 0);
    sLabel1->SetCaption(u"用户名:");
    sLabel2 = Place(new skin::TsLabel(this), sGroupBox1, 31, 58, 0, 0);
    sLabel2->SetCaption(u"密  码:");
    edt_user = Place(new skin::TsEdit(this), sGroupBox1, 79, 20, 154, 21);
    edt_pass = Place(new skin::TsEdit(this), sGroupBox1, 79, 54, 154, 21);
    edt_pass->SetPasswordChar(u'*');
    chkpass = Place(new skin::TsCheckBox(this), sGroupBox1, 31, 87, 70, 20);
    chkpass->SetAutoSize(false);
    chkpass->SetCaption(u"记住密码");
    Label1 = Place(new ui::Label(this), sGroupBox1, 256, 32, 0, 0);
    Label1->SetCaption(u"注册帐户");
    Label1->Font().SetColor(ui::clBlue);
    Label1->SetCursor(ui::crHandPoint);
    Label2 = Place(new ui::Label(this), sGroupBox1, 256, 64, 0, 0);
    Label2->SetCaption(u"登录充值");
    Label2->Font().SetColor(ui::clBlue);
    Label2->SetCursor(ui::crHandPoint);
    btn_login = Place(new skin::TsButton(this), this, 41, 252, 85, 27);
    btn_login->SetCaption(u"登  陆");
    btn_login->SetDefault(true);
    btn_exit = Place(new skin::TsButton(this), this, 227, 252, 85, 27);
    btn_exit->SetCaption(u"关  闭");
    btn_exit->SetCancel(true);
    Panel1 = Place(new skin::TsPanel(this), this, 0, 291, 356, 22);
    Panel1->SetBevelOuter(ui::bvLowered);
    Label3 = Place(new ui::Label(this), Panel1, 7, 6, 315, 0);
    Label3->SetAutoSize(false);
    Label3->Font().SetColor(ui::clRed);
    Label3->Font().SetHeight(-13);
    Label3->SetCaption(u"");

    btn_login->OnClick = [this](core::Object* s) { btn_loginClick(s); };
    btn_exit->OnClick = [this](core::Object* s) { btn_exitClick(s); };
    Label1->OnClick = [this](core::Object* s) { Label1Click(s); };
    Label2->OnClick = [this](core::Object* s) { Label2Click(s); };
    OnCreate = [this](core::Object* s) { FormCreate(s); };
    OnClose = [this](core::Object* s, ui::CloseAction& a) { FormClose(s, a); };
}

Tfrmlogin::~Tfrmlogin() = default;

void Tfrmlogin::FormCreate(core::Object*)
{
    wb1->Navigate(ContentUrl(Settings().default_host, kBannerPath));
    SetCaption(ui::App().Title());
    const SavedLogin saved = ReadSavedLogin();
    chkpass->SetChecked(saved.save);
    if (saved.save) {
        edt_user->SetText(saved.user);
        edt_pass->SetText(saved.password);
    }
}

void Tfrmlogin::Label1Click(core::Object*) { ui::OpenUrl(AppUrl(Settings().default_host, kRegisterPath)); }
void Tfrmlogin::Label2Click(core::Object*) { ui::OpenUrl(AppUrl(Settings().default_host, kAccountPath)); }

void Tfrmlogin::btn_exitClick(core::Object*)
{
    if (frmmain)
        frmmain->Close();
    Close();
}

void Tfrmlogin::FormClose(core::Object*, ui::CloseAction&) {}

void Tfrmlogin::btn_loginClick(core::Object*)
{
    // The posts handle pending messages; a second press meanwhile must not start a second login.
    if (m_logging_in)
        return;
    m_logging_in = true;
    btn_login->SetEnabled(false);
    bool done = false;
    try {
        done = Login();
    } catch (...) {
        m_logging_in = false;
        btn_login->SetEnabled(true);
        Label3->SetVisible(false);
        throw;
    }
    m_logging_in = false;
    btn_login->SetEnabled(true);
    if (done)
        Close();
}

void Tfrmlogin::Fail(const String& message, unsigned flags)
{
    Label3->SetVisible(false);
    ui::App().MessageBox(message, ui::App().Title(), flags);
}

bool Tfrmlogin::Login()
{
    const String title = ui::App().Title();
    if (edt_user->Text().empty()) {
        ui::App().MessageBox(u"账号不能为空", title, ui::mbOK | ui::mbIconWarning);
        edt_user->SetFocus();
        return false;
    }
    if (edt_pass->Text().empty()) {
        ui::App().MessageBox(u"密码必须输入", title, ui::mbOK | ui::mbIconWarning);
        edt_pass->SetFocus();
        return false;
    }
    Label3->SetCaption(kWaitText);
    Label3->SetVisible(true);
    Label3->Update();

    ServiceClient service(Transport(), Settings().default_host, Settings().fallback_host, Settings().app_port);
    const String host = service.ChooseHost();
    if (host.empty()) {
        Fail(kNetworkMessage, ui::mbOK);
        return false;
    }
    str_host = host;

    const AccountCheck check = service.CheckAccount(host, edt_user->Text(), edt_pass->Text());
    ui::App().ProcessMessages();
    if (check.reply != AccountReply::Success) {
        Fail(AccountReplyMessage(check.reply), ui::mbOK);
        if (check.reply != AccountReply::Failed)
            edt_user->SetFocus();
        return false;
    }

    // The node list before anything is kept: a login without it leaves the window open.
    const HttpReply list = service.FetchNodeList(host);
    if (!list.ok) {
        Fail(kNetworkMessage, ui::mbOK);
        return false;
    }

    login_ok = true;
    str_user = edt_user->Text();
    str_pass = edt_pass->Text();
    if (frmmain)
        frmmain->SetLoginStatus(u"用户名：" + str_user + u" " + check.info);
    try {
        WriteSavedLogin(chkpass->Checked(), str_user, str_pass);
    } catch (const std::exception&) {
        // A registry that refuses the write costs the saved login, not the login.
    }
    nodeini = LoadNodeList(list.text);
    Label3->SetVisible(false);
    return true;
}

} // namespace client
