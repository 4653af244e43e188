// The login window against the substitute service: input checks, host choice, each reply of the
// account check, the node list download, the saved login and leaving with Esc.
#include "client/test/clientfixture_win32.h"

#include "client/httptransport.h"
#include "client/protocol.h"
#include "client/savedlogin.h"
#include "ui/label.h"
#include "ui/statusbar.h"

#include <gtest/gtest.h>

namespace client::test {
namespace {

using core::String;

class LoginTest : public ClientTest {
protected:
    // A login window shown without a modal loop, so that a test can press its button and look.
    Tfrmlogin& Login()
    {
        if (!login) {
            login = std::make_unique<Tfrmlogin>(nullptr);
            login->AfterConstruction();
            login->Show();
        }
        return *login;
    }
    void Press(const String& user, const String& password, bool remember = false)
    {
        Login().edt_user->SetText(user);
        Login().edt_pass->SetText(password);
        Login().chkpass->SetChecked(remember);
        Login().btn_loginClick(Login().btn_login);
    }
    ~LoginTest() override { login.reset(); }

    std::unique_ptr<Tfrmlogin> login;
};

TEST_F(LoginTest, EmptyFieldsAreRefusedBeforeAnyRequest)
{
    const struct {
        const char16_t* user;
        const char16_t* password;
        const char16_t* message;
    } cases[] = {
        {u"", u"demo123", u"账号不能为空"},
        {u"", u"", u"账号不能为空"},
        {u"demo", u"", u"密码必须输入"},
    };
    for (const auto& c : cases) {
        m_box.Clear();
        Press(c.user, c.password);
        ASSERT_EQ(m_box.Calls().size(), 1u);
        EXPECT_EQ(m_box.Calls()[0].text, c.message);
        EXPECT_EQ(m_box.Calls()[0].caption, u"客户端");
        EXPECT_EQ(m_box.Calls()[0].flags, unsigned(ui::mbOK | ui::mbIconWarning));
    }
    EXPECT_TRUE(AppRequests().empty());
    EXPECT_FALSE(login_ok);
}

TEST_F(LoginTest, HostChoice)
{
    const struct {
        const char* name;
        std::string scenario;
        const char16_t* fallback;  // null: the service's fallback host
        const char16_t* host;      // empty: no host answers
        std::vector<std::string> probes;
    } cases[] = {
        {"default answers", "", nullptr, u"127.0.0.1", {"127.0.0.1 netcheck.php"}},
        {"fallback answers", "host=127.0.0.1 path=netcheck.php status=503", nullptr, u"127.0.0.2",
         {"127.0.0.1 netcheck.php", "127.0.0.2 netcheck.php"}},
        {"a line break is no answer", "host=127.0.0.1 path=netcheck.php body=1%0D%0A\nhost=127.0.0.2 path=netcheck.php body=1%0A",
         nullptr, u"", {"127.0.0.1 netcheck.php", "127.0.0.2 netcheck.php"}},
        {"neither answers", "path=netcheck.php status=500", nullptr, u"",
         {"127.0.0.1 netcheck.php", "127.0.0.2 netcheck.php"}},
        {"nothing listens on the fallback", "host=127.0.0.1 path=netcheck.php body=0", u"127.0.0.3", u"",
         {"127.0.0.1 netcheck.php"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetGlobals();
        m_box.Clear();
        service.Log().Clear();
        LoadScenario(c.scenario);
        Settings().fallback_host = c.fallback ? c.fallback : u"127.0.0.2";
        Press(u"demo", u"demo123");
        const std::vector<std::string> requests = AppRequests();
        ASSERT_GE(requests.size(), c.probes.size());
        EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + c.probes.size()), c.probes);
        EXPECT_EQ(str_host, String(c.host));
        EXPECT_EQ(login_ok, !String(c.host).empty());
        if (String(c.host).empty()) {
            ASSERT_EQ(m_box.Calls().size(), 1u);
            EXPECT_EQ(m_box.Calls()[0].text, String(kNetworkMessage));
            EXPECT_EQ(requests.size(), c.probes.size());  // no account check
            EXPECT_FALSE(Login().Label3->Visible());
        } else {
            EXPECT_EQ(requests.back(), std::string(c.host == String(u"127.0.0.1") ? "127.0.0.1" : "127.0.0.2") + " vpnlist.php");
        }
        login.reset();
    }
}

TEST_F(LoginTest, AccountCheckReplies)
{
    const struct {
        const char* name;
        const char16_t* user;
        const char16_t* password;
        std::string scenario;
        const char16_t* message;  // null: success
    } cases[] = {
        {"wrong password", u"demo", u"nope", "", u"用户名或密码错误"},
        {"expired", u"expired", u"x", "", u"此帐户已过期，请及时充值后才能使用此功能"},
        {"used up", u"usedup", u"x", "", u"此帐户免费测试时间已经用完，请注册正式帐户"},
        {"empty reply", u"demo", u"demo123", "path=usercheck.php status=200", kNetworkMessage},
        {"failed post", u"demo", u"demo123", "path=usercheck.php status=500", kNetworkMessage},
        {"slow post", u"demo", u"demo123", "path=usercheck.php delay=3500", kNetworkMessage},
        {"refusal in other letter case", u"demo", u"demo123", "path=usercheck.php body=Error", nullptr},
        {"node list fails", u"demo", u"demo123", "path=vpnlist.php status=500", kNetworkMessage},
        {"success", u"demo", u"demo123", "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetGlobals();
        m_box.Clear();
        LoadScenario(c.scenario);
        Press(c.user, c.password);
        EXPECT_EQ(login_ok, c.message == nullptr);
        EXPECT_FALSE(Login().Label3->Visible());
        EXPECT_TRUE(Login().btn_login->Enabled());
        if (c.message) {
            ASSERT_EQ(m_box.Calls().size(), 1u);
            EXPECT_EQ(m_box.Calls()[0].text, String(c.message));
            EXPECT_EQ(m_box.Calls()[0].flags, unsigned(ui::mbOK));
            EXPECT_TRUE(Login().Showing());
            EXPECT_FALSE(nodeini);
            EXPECT_EQ(Login().edt_user->Text(), c.user);  // the texts stay for another try
        } else {
            EXPECT_TRUE(m_box.Calls().empty());
            EXPECT_FALSE(Login().Showing());
            ASSERT_TRUE(nodeini);
            EXPECT_EQ(str_user, c.user);
        }
        login.reset();
    }
}

TEST_F(LoginTest, FieldsAreTrimmedForTheCheckAndKeptAsTypedForLater)
{
    Press(u" demo ", u"demo123 ");
    ASSERT_TRUE(login_ok);
    EXPECT_EQ(LastBody("usercheck.php"), "UserID=demo&Upassword=demo123");
    EXPECT_EQ(str_user, u" demo ");
    EXPECT_EQ(str_pass, u"demo123 ");
}

TEST_F(LoginTest, SpecialCharactersArriveIntact)
{
    UseData("[account 张三]\npassword=a&b=c+d%\ninfo=ok\n");
    Press(u"张三", u"a&b=c+d%");
    EXPECT_TRUE(login_ok);
    EXPECT_EQ(LastBody("usercheck.php"), "UserID=%E5%BC%A0%E4%B8%89&Upassword=a%26b%3Dc%2Bd%25");
}

// Re-enters the login from inside the account post, as a click handled during the post would.
class ReenteringTransport : public HttpTransport {
public:
    Tfrmlogin* login = nullptr;
    bool button_was_enabled = true;
    int posts = 0;
    HttpReply Get(const String& url, unsigned timeout) override { return SystemTransport().Get(url, timeout); }
    HttpReply Post(const String& url, const std::string& body, unsigned timeout) override
    {
        ++posts;
        button_was_enabled = login->btn_login->Enabled();
        login->btn_loginClick(login->btn_login);
        return SystemTransport().Post(url, body, timeout);
    }
};

TEST_F(LoginTest, ASecondPressDuringTheLoginDoesNothing)
{
    ReenteringTransport transport;
    transport.login = &Login();
    SetTransport(&transport);
    Press(u"demo", u"demo123");
    SetTransport(nullptr);
    EXPECT_EQ(transport.posts, 1);
    EXPECT_FALSE(transport.button_was_enabled);
    EXPECT_TRUE(login_ok);
}

TEST_F(LoginTest, RefusalThenRetryProbesAgain)
{
    LoadScenario("path=usercheck.php call=1 body=expire");
    Press(u"demo", u"demo123");
    EXPECT_FALSE(login_ok);
    Press(u"demo", u"demo123");
    EXPECT_TRUE(login_ok);
    EXPECT_EQ(AppRequests(), (std::vector<std::string>{"127.0.0.1 netcheck.php", "127.0.0.1 usercheck.php",
                                                       "127.0.0.1 netcheck.php", "127.0.0.1 usercheck.php",
                                                       "127.0.0.1 vpnlist.php"}));
}

TEST_F(LoginTest, LinksUseTheDefaultHost)
{
    Settings().default_host = u"127.0.0.1";
    str_host = u"127.0.0.2";
    Login().Label1Click(nullptr);
    Login().Label2Click(nullptr);
    const String port = core::IntToStr(server->AppPort());
    EXPECT_EQ(urls.Urls(), (std::vector<String>{u"http://127.0.0.1:" + port + u"/zirovadi/useradmin/user_self_new.php",
                                                u"http://127.0.0.1:" + port + u"/zirovadi/useradmin/"}));
}

// ---- Saved login ----

String RegString(const char16_t* name)
{
    support::Registry registry(support::HKeyCurrentUser);
    if (!registry.OpenKeyReadOnly(u"\\Software\\vavovav") || !registry.ValueExists(name))
        return u"<missing>";
    return registry.ReadString(name);
}

bool RegSave()
{
    support::Registry registry(support::HKeyCurrentUser);
    return registry.OpenKeyReadOnly(u"\\Software\\vavovav") && registry.ReadBool(u"savepassword");
}

TEST_F(LoginTest, RememberedLoginIsStoredProtectedAndReadBack)
{
    Press(u"demo", u"demo123", true);
    ASSERT_TRUE(login_ok);
    EXPECT_TRUE(RegSave());
    EXPECT_EQ(RegString(u"username"), u"demo");
    const String stored = RegString(u"password");
    EXPECT_EQ(stored.rfind(kProtectedPrefix, 0), 0u);
    EXPECT_EQ(stored.find(u"demo123"), String::npos);
    login.reset();
    EXPECT_TRUE(Login().chkpass->Checked());
    EXPECT_EQ(Login().edt_user->Text(), u"demo");
    EXPECT_EQ(Login().edt_pass->Text(), u"demo123");
}

TEST_F(LoginTest, PlainPasswordOfAnOlderClientIsReadAndResavedProtected)
{
    {
        support::Registry registry(support::HKeyCurrentUser);
        ASSERT_TRUE(registry.OpenKey(u"\\Software\\vavovav", true));
        registry.WriteBool(u"savepassword", true);
        registry.WriteString(u"username", u"demo");
        registry.WriteString(u"password", u"demo123");
    }
    EXPECT_EQ(Login().edt_pass->Text(), u"demo123");
    Login().btn_loginClick(nullptr);
    ASSERT_TRUE(login_ok);
    EXPECT_EQ(RegString(u"password").rfind(kProtectedPrefix, 0), 0u);
}

TEST_F(LoginTest, AProtectedPasswordThatCannotBeUnprotectedIsNoSavedPassword)
{
    // Another user's protection cannot be made here; bytes the system's protection does not accept
    // stand for it, as does a damaged value.
    String damaged = ProtectPassword(u"demo123");
    ASSERT_GT(damaged.size(), String(kProtectedPrefix).size() + 40);
    damaged[damaged.size() - 20] = damaged[damaged.size() - 20] == u'0' ? u'1' : u'0';
    const struct {
        const char* name;
        String stored;
    } cases[] = {
        {"damaged", damaged},
        {"another user's", String(kProtectedPrefix) + u"01000000d08c9ddf0115d1118c7a00c04fc297eb0100000000"},
        {"not hex", String(kProtectedPrefix) + u"zz"},
        {"odd length", String(kProtectedPrefix) + u"abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            support::Registry registry(support::HKeyCurrentUser);
            ASSERT_TRUE(registry.OpenKey(u"\\Software\\vavovav", true));
            registry.WriteBool(u"savepassword", true);
            registry.WriteString(u"username", u"demo");
            registry.WriteString(u"password", c.stored);
        }
        const SavedLogin saved = ReadSavedLogin();
        EXPECT_TRUE(saved.save);
        EXPECT_EQ(saved.user, u"demo");
        EXPECT_EQ(saved.password, u"");
        EXPECT_FALSE(saved.password_was_plain);
        login.reset();
        EXPECT_EQ(Login().edt_user->Text(), u"demo");
        EXPECT_EQ(Login().edt_pass->Text(), u"");
        login.reset();
    }
}

TEST_F(LoginTest, UntickedLoginForgetsTheStoredOne)
{
    Press(u"demo", u"demo123", true);
    login.reset();
    ResetGlobals();
    Press(u"demo", u"demo123", false);
    ASSERT_TRUE(login_ok);
    EXPECT_FALSE(RegSave());
    EXPECT_EQ(RegString(u"username"), u"<missing>");
    EXPECT_EQ(RegString(u"password"), u"<missing>");
    login.reset();
    EXPECT_FALSE(Login().chkpass->Checked());
    EXPECT_EQ(Login().edt_user->Text(), u"");
}

// ---- Inside the main window's creation ----

TEST_F(LoginTest, EscEndsTheProgramWithExitCodeZero)
{
    MakeMain([](Tfrmlogin& login) { PostMessageW(login.edt_user->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_FALSE(login_ok);
    ASSERT_FALSE(exits.empty());
    for (int code : exits)
        EXPECT_EQ(code, 0);
    EXPECT_TRUE(AppRequests().empty());
}

TEST_F(LoginTest, SuccessfulLoginFillsTheMainWindow)
{
    Tfrmmain* form = MakeMain(TypeLogin(u"demo", u"demo123"));
    EXPECT_TRUE(m_box.Calls().empty());
    ASSERT_TRUE(login_ok);
    EXPECT_TRUE(exits.empty());
    const String status = u"用户名：demo 包月用户 到期时间:2030-12-31";
    EXPECT_EQ(form->userlabel->Caption(), status);
    EXPECT_EQ(form->StatusBar1->Panels(2)->Text(), status);
    EXPECT_EQ(form->StatusBar1->Panels(0)->Text(), u"未连接");
    EXPECT_EQ(form->statuslabel->Caption(), u"未连接");
    EXPECT_EQ(form->Caption(), u"客户端");
}

TEST_F(LoginTest, FailedLoginThenEscEndsTheProgram)
{
    MakeMain(TypeLogin(u"demo", u"wrong"));
    EXPECT_FALSE(login_ok);
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"用户名或密码错误");
    ASSERT_FALSE(exits.empty());
    EXPECT_EQ(exits.front(), 0);
}

} // namespace
} // namespace client::test
