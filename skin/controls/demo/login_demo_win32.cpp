// The login window's layout built from the skinned controls, unskinned as in the client, or under
// the window test skin when the environment variable SKIN_LOGIN_DEMO_SKINNED is 1. It closes itself
// after the number of seconds given as its argument (default 10), so that a script can take a
// screenshot of it unattended.
#include "core/win32.h"
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/timer.h"

#include <cstdlib>
#include <cwchar>
#include <memory>

namespace {

using namespace skin;

// GCC 12 folds this function's identical copies for different control classes into one and then
// warns (-Warray-bounds) that a smaller control is read as the larger class: a false alarm that
// goes away with -fno-ipa-icf. T is always the class of the control made with new.
template <class T>
T* Place(T* control, ui::WinControl* parent, int left, int top, int width, int height)
{
    control->SetParent(parent);
    control->SetBounds(left, top, width > 0 ? width : control->Width(), height > 0 ? height : control->Height());
    return control;
}

class LoginForm : public ui::Form {
public:
    explicit LoginForm(core::Component* owner) : ui::Form(owner)
    {
        SetCaption(u"加速器登录");
        SetBorderStyle(ui::bsSingle);
        SetBorderIcons(0);
        Font().SetName(u"宋体");
        Font().SetHeight(-12);
        Font().SetCharset(GB2312_CHARSET);
        SetClientSize(356, 312);
        SetBounds(40, 40, Width(), Height());

        // The banner page's place (the web pane shows the service's page in the client).
        auto* banner = Place(new TsPanel(this), this, 2, 0, 352, 102);
        banner->SetCaption(u"欢迎使用游戏加速器");
        banner->SetBevelOuter(ui::bvLowered);
        banner->SetColor(0xF0E0C0);

        auto* group = Place(new TsGroupBox(this), this, 15, 111, 326, 117);
        group->SetCaption(u"登陆");
        auto* userLabel = Place(new TsLabel(this), group, 31, 25, 0, 0);
        userLabel->SetCaption(u"用户名:");
        userLabel->SetAlignment(ui::taRightJustify);
        auto* passLabel = Place(new TsLabel(this), group, 31, 58, 0, 0);
        passLabel->SetCaption(u"密  码:");
        passLabel->SetAlignment(ui::taRightJustify);
        auto* user = Place(new TsEdit(this), group, 79, 20, 154, 21);
        user->SetText(u"demo");
        auto* pass = Place(new TsEdit(this), group, 79, 54, 154, 21);
        pass->SetPasswordChar(u'*');
        pass->SetText(u"secret");
        auto* remember = Place(new TsCheckBox(this), group, 31, 87, 70, 20);
        remember->SetAutoSize(false);
        remember->SetCaption(u"记住密码");
        remember->SetChecked(true);
        auto* reg = Place(new ui::Label(this), group, 256, 32, 0, 0);
        reg->SetCaption(u"注册帐户");
        reg->Font().SetColor(ui::clBlue);
        reg->SetCursor(ui::crHandPoint);
        auto* pay = Place(new ui::Label(this), group, 256, 64, 0, 0);
        pay->SetCaption(u"登录充值");
        pay->Font().SetColor(ui::clBlue);
        pay->SetCursor(ui::crHandPoint);

        auto* login = Place(new TsButton(this), this, 41, 252, 85, 27);
        login->SetCaption(u"登  陆");
        login->SetDefault(true);
        auto* exit = Place(new TsButton(this), this, 227, 252, 85, 27);
        exit->SetCaption(u"关  闭");
        exit->SetCancel(true);
        exit->OnClick = [this](core::Object*) { Close(); };

        auto* bottom = Place(new TsPanel(this), this, 0, 291, 356, 22);
        bottom->SetBevelOuter(ui::bvLowered);
        auto* wait = Place(new ui::Label(this), bottom, 7, 6, 315, 0);
        wait->SetAutoSize(false);
        wait->SetCaption(u"正在连接服务器，请稍候……");
        wait->Font().SetColor(ui::clRed);
        wait->Font().SetHeight(-13);
    }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    InitSkinControls();
    std::unique_ptr<skin::testing::WindowTestSkinManager> manager;
    if (const wchar_t* skinned = _wgetenv(L"SKIN_LOGIN_DEMO_SKINNED"); skinned && std::wcscmp(skinned, L"1") == 0) {
        manager = std::make_unique<skin::testing::WindowTestSkinManager>();
        SetDefaultManager(manager.get());
    }
    int seconds = argc > 1 ? int(std::wcstol(argv[1], nullptr, 10)) : 10;
    ui::App().SetTitle(u"加速器登录");
    auto* form = ui::App().CreateForm<LoginForm>();
    auto* timer = new ui::Timer(form);
    timer->SetInterval(unsigned(seconds > 0 ? seconds : 10) * 1000);
    timer->SetOnTimer([form](core::Object*) { form->Close(); });
    ui::App().Run();
    SetDefaultManager(nullptr);
    manager.reset();
    DoneSkinControls();
    return 0;
}
