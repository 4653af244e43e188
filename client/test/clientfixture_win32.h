// The fixture of the in-process client tests: the substitute service on loopback (any free ports,
// default and fallback host), the client's settings pointed at it, a scripted message box, a
// manual timer clock, a recording URL opener, a fake for the system actions, the process end
// caught, the saved-login key cleaned up, and a factory for the main window that runs the login
// with the input a test queues.
#pragma once

#include "client/globals.h"
#include "client/loginform.h"
#include "client/mainform.h"
#include "client/tools.h"
#include "client/trayicon.h"
#include "core/thread.h"

#include "sim/service/server.h"
#include "sim/service/service.h"
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/edit.h"
#include "skin/controls/skinned.h"
#include "support/registry.h"
#include "ui/test/uitest.h"
#include "ui/urlopener.h"

#include <memory>
#include <string>
#include <vector>

namespace client::test {

inline const char kServiceData[] =
    "[account demo]\npassword=demo123\ninfo=包月用户 到期时间:2030-12-31\ndial=issued\ndial_user=vu\ndial_password=vp\n"
    "[account own]\npassword=own123\ninfo=免费测试帐户\n"
    "[account expired]\npassword=x\nstate=expire\n"
    "[account usedup]\npassword=x\nstate=useup\n"
    "[area 华东电信]\n上海电信1=127.0.0.11,98%,1\n上海电信2=127.0.0.12,95%,1\n杭州电信=127.0.0.13,90%,0\n"
    "[area 华南网通]\n广州网通=127.0.0.21,97%,1\n"
    "[area 海外加速]\n香港=127.0.0.31,99%,1\n";

// Records what the client would do to the system.
class FakeSystem : public SystemActions {
public:
    std::vector<ProcessInfo> processes;
    std::vector<uint32_t> terminated;
    std::vector<core::String> started;
    std::vector<ProcessInfo> Processes() override { return processes; }
    core::String ProcessCommandLine(uint32_t) override { return {}; }
    bool TerminateProcess(uint32_t pid) override
    {
        terminated.push_back(pid);
        return true;
    }
    bool StartService(const core::String& name) override
    {
        started.push_back(name);
        return true;
    }
};

// Records the notification-area calls and keeps the icons it was given.
class FakeTrayShell : public TrayShell {
public:
    struct Call {
        DWORD message;
        NOTIFYICONDATAW data;
    };
    std::vector<Call> calls;
    bool accept = true;
    int icons = 0;  // icons in the notification area now
    bool Notify(DWORD message, NOTIFYICONDATAW& data) override
    {
        calls.push_back({message, data});
        if (!accept)
            return false;
        if (message == NIM_ADD)
            ++icons;
        if (message == NIM_DELETE)
            --icons;
        return true;
    }
};

inline void DeleteSavedLoginKey()
{
    support::Registry registry(support::HKeyCurrentUser);
    registry.DeleteKey(u"\\Software\\vavovav");
}

// One substitute service for the whole test program: starting and stopping its listeners for
// every test costs seconds under Wine. Each test loads its own data and starts with an empty log
// and no scenario.
struct SharedService {
    sim::service::Service service;
    std::unique_ptr<sim::service::Server> server;

    static SharedService& Instance()
    {
        static SharedService* shared = [] {
            auto* s = new SharedService;
            sim::service::ServerOptions options = sim::service::LoopbackOptions();
            s->server = std::make_unique<sim::service::Server>(s->service, options);
            s->server->Start();
            return s;
        }();
        return *shared;
    }
};

// Stops the shared service before the program ends.
class SharedServiceEnvironment : public ::testing::Environment {
public:
    void TearDown() override { SharedService::Instance().server->Stop(); }
};

// Answers message boxes from the test's script, then presses Esc in the login window, so that a
// failed login inside the main window's creation ends without further input.
class BoxThenEsc : public ui::MessageBoxService {
public:
    explicit BoxThenEsc(ui::ScriptedMessageBox& inner) : m_inner(inner) {}
    Tfrmlogin* login = nullptr;
    int Show(core::StringView text, core::StringView caption, unsigned flags) override
    {
        const int answer = m_inner.Show(text, caption, flags);
        if (login)
            PostMessageW(login->edt_user->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        return answer;
    }

private:
    ui::ScriptedMessageBox& m_inner;
};

class ClientTest : public ui::test::UiTest {
protected:
    ClientTest() : service(SharedService::Instance().service), server(SharedService::Instance().server), m_url_guard(urls)
    {
        core::SetMainThread();
        // The text stand-in of the web panes, as under Wine anyway, without probing for the browser.
        _wputenv(L"CLIENT_WEBPANE=text");
        skin::InitSkinControls();
        ResetGlobals();
        DeleteSavedLoginKey();
        ui::App().SetTitle(u"客户端");
        ui::App().SetHaltHook([this](int code) { exits.push_back(code); });
        SetSystem(&system);
        SetTrayShell(&tray);
        UseData(kServiceData);
        LoadScenario("");
        service.Log().Clear();
        Settings().default_host = u"127.0.0.1";
        Settings().fallback_host = u"127.0.0.2";
        Settings().app_port = server->AppPort();
        Settings().content_port = server->ContentPort();
    }
    ~ClientTest() override
    {
        main.reset();
        BeforeLoginShown = nullptr;
        SetSystem(nullptr);
        SetTransport(nullptr);
        SetTrayShell(nullptr);
        ui::App().SetHaltHook(nullptr);
        ui::App().SetMainForm(nullptr);
        // Closing the main window ended the application: its quit message must not end the next
        // test's loops.
        Pump();
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ui::App().ClearTerminated();
        Settings() = m_saved_settings;
        LoadScenario("");
        ResetGlobals();
        DeleteSavedLoginKey();
    }

    void UseData(const std::string& data) { service.SetData(sim::service::ServiceData::Parse(data)); }

    void LoadScenario(const std::string& text)
    {
        service.LoadScenario(sim::service::Scenario::Parse(text), text);
    }
    // "host path" of every request to the application port, in order.
    std::vector<std::string> AppRequests()
    {
        std::vector<std::string> out;
        for (const auto& entry : service.Log().Entries())
            if (entry.port == server->AppPort())
                out.push_back(entry.host + " " + entry.path.substr(entry.path.rfind('/') + 1));
        return out;
    }
    // The body of the last request whose path ends with name ("<none>" when none).
    std::string LastBody(std::string_view name)
    {
        std::string body = "<none>";
        for (const auto& entry : service.Log().Entries())
            if (entry.path.size() >= name.size() && entry.path.compare(entry.path.size() - name.size(), name.size(), name) == 0)
                body = entry.body;
        return body;
    }

    // Makes the main window; its creation shows the login, into which `input` queues what the user
    // does.
    Tfrmmain* MakeMain(std::function<void(Tfrmlogin&)> input)
    {
        BeforeLoginShown = std::move(input);
        ui::MessageBoxServiceGuard boxes(m_esc_box);
        main = std::make_unique<Tfrmmain>(nullptr);
        ui::App().SetMainForm(main.get());
        main->AfterConstruction();
        BeforeLoginShown = nullptr;
        m_esc_box.login = nullptr;
        return main.get();
    }

    // Queues a login with these texts: the fields are filled and the login button clicked once
    // the modal loop runs; a failed login is then closed with Esc after its message.
    std::function<void(Tfrmlogin&)> TypeLogin(core::String user, core::String password, bool remember = false)
    {
        return [=, this](Tfrmlogin& login) {
            login.edt_user->SetText(user);
            login.edt_pass->SetText(password);
            login.chkpass->SetChecked(remember);
            m_esc_box.login = &login;
            PostMessageW(login.btn_login->Handle(), BM_CLICK, 0, 0);
        };
    }

    sim::service::Service& service;
    std::unique_ptr<sim::service::Server>& server;
    ui::RecordingUrlOpener urls;
    FakeSystem system;
    FakeTrayShell tray;
    std::vector<int> exits;
    std::unique_ptr<Tfrmmain> main;

private:
    ui::UrlOpenerGuard m_url_guard;
    BoxThenEsc m_esc_box{m_box};
    ServiceSettings m_saved_settings = Settings();
};

} // namespace client::test
