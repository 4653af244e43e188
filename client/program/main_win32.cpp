// client.exe: unit start-up, the application object, the three windows and the message loop.
#include "core/win32.h"

#include "client/globals.h"
#include "client/loginform.h"
#include "client/mainform.h"
#include "client/program/units.h"
#include "core/thread.h"
#include "ui/application.h"

int wmain(int, wchar_t**)
{
    core::SetMainThread();
    client::program::InitialiseUnits();

    auto& app = ui::App();
    app.SetTitle(u"客户端");
    // The main window's creation runs the login; without a login the process has ended there.
    client::frmmain = app.CreateForm<client::Tfrmmain>();
    client::frmlogin = app.CreateForm<client::Tfrmlogin>();
    client::Form1 = client::Tfrmmain::CreateSpeedForm(&app);
    app.Run();
    // Reached only when the loop ends without the main window's close, which ends the process itself.
    client::program::FinaliseUnits();
    return 0;
}
