// A skinned demo form for a person to judge: a user title button, wrapped controls and a status bar
// under the window test skin; SKIN_FORM_EXTBORDERS=1 in the environment switches extended borders on.
// The demo closes itself after the number of seconds given as its argument (default 10).
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/testwriters/demoform_win32.h"
#include "ui/application.h"
#include "ui/timer.h"

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    using namespace skin;
    InitSkinEngine();
    InitWindowSkinning();
    InitSkinCommand();
    const int seconds = argc > 1 ? int(std::wcstol(argv[1], nullptr, 10)) : 10;
    {
        testing::DemoSkinManager manager;
        const char* ext = std::getenv("SKIN_FORM_EXTBORDERS");
        manager.Extended = ext && ext[0] == '1';
        SetDefaultManager(&manager);
        ui::App().SetTitle(u"Skinned form");
        auto form = testing::MakeDemoForm(520, 360);
        testing::SkinDemoForm(*form);
        ui::Form* shown = form.get();
        ui::Timer timer(nullptr);
        timer.SetInterval(unsigned(seconds > 0 ? seconds : 10) * 1000);
        timer.SetOnTimer([](core::Object*) { ui::App().Terminate(); });
        shown->Show();
        ui::App().Run();
        form.reset();
        SetDefaultManager(nullptr);
    }
    DoneWindowSkinning();
    DoneSkinEngine();
    return 0;
}
