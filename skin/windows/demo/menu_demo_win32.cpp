// A skinned form of the window test skin with its main menu and a skinned popup menu open: caption
// item, default, disabled, checked and radio items, a shortcut, a divider, a submenu and the
// vertical extra line. The menu opens by itself and the demo closes itself after the number of
// seconds given as its argument (default 10), so that a script can take a screenshot unattended.
#include "core/win32.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinablemenus.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/form.h"
#include "ui/menu.h"
#include "ui/timer.h"

#include <cwchar>

namespace {

using namespace skin;

ui::MenuItem* AddItem(core::Component* owner, ui::MenuItem* parent, core::StringView caption)
{
    auto* item = new ui::MenuItem(owner);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

// Ends the open menu from the menu loop's own message dispatch.
VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EndMenu();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    InitSkinEngine();
    InitWindowSkinning();
    const int seconds = argc > 1 ? int(std::wcstol(argv[1], nullptr, 10)) : 10;
    testing::WindowTestMenuManager manager;
    manager.Support().UseExtraLine = true;
    SetDefaultManager(&manager);
    {
        ui::App().SetTitle(u"Skinned menus");
        auto* form = ui::App().CreateForm<ui::Form>();
        form->SetCaption(u"Skinned menus");
        form->SetBounds(80, 60, 520, 380);
        auto* menu = new ui::MainMenu(form);
        for (const char16_t* caption : {u"&File", u"&Edit", u"&View", u"&Help"})
            AddItem(form, AddItem(form, menu->Items(), caption), u"Item");
        form->SetMenu(menu);

        auto* popup = new ui::PopupMenu(form);
        AddItem(form, popup->Items(), u"-Connection-");
        AddItem(form, popup->Items(), u"Connect")->SetDefault(true);
        AddItem(form, popup->Items(), u"Disconnect")->SetEnabled(false);
        AddItem(form, popup->Items(), u"-");
        AddItem(form, popup->Items(), u"Reconnect automatically")->SetChecked(true);
        ui::MenuItem* fast = AddItem(form, popup->Items(), u"Fastest node");
        fast->SetRadioItem(true);
        fast->SetChecked(true);
        AddItem(form, popup->Items(), u"Steadiest node")->SetRadioItem(true);
        AddItem(form, popup->Items(), u"Settings...")->SetShortCut(ui::scCtrl | 'S');
        ui::MenuItem* more = AddItem(form, popup->Items(), u"More");
        AddItem(form, more, u"About");

        auto* provider = new TsSkinProvider(form);
        provider->AfterConstruction();
        form->Show();
        // The line's background for the items the system draws in the menu bar.
        std::unique_ptr<ui::Bitmap> image = NewBmp24(form->Width(), form->Height());
        provider->PaintMenuLine(image.get());
        DrawMenuBar(form->Handle());

        auto* open = new ui::Timer(form);
        open->SetInterval(300);
        open->SetOnTimer([=](core::Object*) {
            open->SetEnabled(false);
            SetTimer(nullptr, 0, UINT(seconds > 1 ? seconds - 1 : 1) * 1000, CloseMenu);
            POINT p{160, 120};
            ClientToScreen(form->Handle(), &p);
            popup->Popup(p.x, p.y);
            form->Close();
        });
        ui::App().Run();
    }
    SetDefaultManager(nullptr);
    DoneWindowSkinning();
    DoneSkinEngine();
    return 0;
}
