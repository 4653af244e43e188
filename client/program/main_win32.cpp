// client.exe: unit start-up, the application object, the three windows and the message loop.
#include "core/win32.h"

#include "client/globals.h"
#include "client/loginform.h"
#include "client/mainform.h"
#include "core/thread.h"
#include "skin/controls/skinned.h"
#include "support/sysunits.h"
#include "ui/application.h"

int wmain(int, wchar_t**)
{
    core::SetMainThread();
    support::InitializeSysUnits();
    skin::InitSkinControls();
    client::InitClientUnits();

    auto& app = ui::App();
    app.SetTitle(u"客户端");
    // The main window's creation runs the login; without a login the process has ended there.
    client::frmmain = app.CreateForm<client::Tfrmmain>();
    client::frmlogin = app.CreateForm<client::Tfrmlogin>();
    client::Form1 = client::Tfrmmain::CreateSpeedForm(&app);
    app.Run();
    support::FinalizeSysUnits();
    return 0;
}
