// The client's windows for screenshots: the substitute service runs in-process on free ports, the
// login window shows with the demo account typed in and logs in after five seconds, and the main
// window stays up for the number of seconds given as the argument (default 10).
#include "core/win32.h"

#include "client/globals.h"
#include "client/loginform.h"
#include "client/mainform.h"
#include "client/program/units.h"
#include "core/thread.h"
#include "sim/service/server.h"
#include "sim/service/service.h"
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/edit.h"
#include "skin/controls/skinned.h"
#include "ui/application.h"
#include "ui/timer.h"

#include <cwchar>

namespace {

const char kData[] =
    "[account demo]\npassword=demo123\ninfo=包月用户 到期时间:2030-12-31\ndial=issued\ndial_user=vu\ndial_password=vp\n"
    "[area 华东电信]\n上海电信1=127.0.0.11,98%,1\n上海电信2=127.0.0.12,95%,1\n杭州电信=127.0.0.13,90%,0\n"
    "[area 华南网通]\n广州网通=127.0.0.21,97%,1\n深圳网通=127.0.0.22,93%,0\n"
    "[area 海外加速]\n香港=127.0.0.31,99%,1\n"
    "[page news.htm]\n<html><body>欢迎使用加速器：新节点已上线，游戏更流畅。</body></html>\n"
    "[page top.htm]\n<html><body>游戏加速器 —— 登录后选择地区和节点即可连接</body></html>\n";

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int seconds = argc > 1 ? int(std::wcstol(argv[1], nullptr, 10)) : 10;
    core::SetMainThread();
    client::program::InitialiseUnits();

    sim::service::Service service(sim::service::ServiceData::Parse(kData));
    sim::service::ServerOptions options = sim::service::LoopbackOptions();
    sim::service::Server server(service, options);
    server.Start();
    client::Settings().default_host = u"127.0.0.1";
    client::Settings().fallback_host = u"127.0.0.2";
    client::Settings().app_port = server.AppPort();
    client::Settings().content_port = server.ContentPort();

    auto& app = ui::App();
    app.SetTitle(u"客户端");
    client::BeforeLoginShown = [](client::Tfrmlogin& login) {
        login.edt_user->SetText(u"demo");
        login.edt_pass->SetText(u"demo123");
        login.chkpass->SetChecked(true);
        auto* timer = new ui::Timer(&login);
        timer->SetInterval(5000);
        timer->SetOnTimer([&login, timer](core::Object*) {
            timer->SetEnabled(false);
            login.btn_loginClick(login.btn_login);
        });
    };
    app.SetHaltHook([&](int code) {
        server.Stop();
        ExitProcess(UINT(code));
    });
    client::frmmain = app.CreateForm<client::Tfrmmain>();
    auto* end = new ui::Timer(client::frmmain);
    end->SetInterval(unsigned(seconds > 0 ? seconds : 10) * 1000);
    end->SetOnTimer([](core::Object*) { client::frmmain->Close(); });
    app.Run();
    server.Stop();
    client::program::FinaliseUnits();
    return 0;
}
