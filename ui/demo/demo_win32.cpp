// A form holding one of every control kind of the class library, with Chinese captions. It closes
// itself after the number of seconds given as its argument (default 10), so that scripts can run it
// unattended and take a screenshot meanwhile.
#include "core/win32.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/checkbox.h"
#include "ui/combobox.h"
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/groupbox.h"
#include "ui/label.h"
#include "ui/listbox.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/panel.h"
#include "ui/radiobutton.h"
#include "ui/scrollbox.h"
#include "ui/speedbutton.h"
#include "ui/splitter.h"
#include "ui/statusbar.h"
#include "ui/textwebpane.h"
#include "ui/timer.h"

#include <cwchar>

namespace {

using namespace ui;

class DemoForm : public Form {
public:
    explicit DemoForm(core::Component* owner) : Form(owner)
    {
        SetCaption(u"控件演示");
        SetBorderStyle(bsSingle);
        SetBorderIcons(biSystemMenu | biMinimize);
        Font().SetName(u"宋体");
        Font().SetHeight(-12);
        Font().SetCharset(GB2312_CHARSET);
        SetClientSize(696, 415);
        SetBounds(20, 20, Width(), Height());

        auto* menu = new MainMenu(this);
        for (const char16_t* caption : {u"帐户管理", u"帮助中心(&H)", u"关于"}) {
            auto* item = new MenuItem(this);
            item->SetCaption(caption);
            menu->Items()->Add(item);
        }
        SetMenu(menu);

        auto* status = new StatusBar(this);
        status->SetParent(this);
        for (int width : {200, 220, 200})
            status->AddPanel()->SetWidth(width);
        status->Panels(0)->SetText(u"未连接");
        status->Panels(2)->SetText(u"用户名：演示帐户");

        auto* group = Place(new GroupBox(this), this, 5, 2, 302, 185);
        group->SetCaption(u"登陆");
        Place(new Label(this), group, 20, 25, 60, 17)->SetCaption(u"用户名:");
        Place(new Label(this), group, 20, 55, 60, 17)->SetCaption(u"密  码:");
        auto* user = Place(new Edit(this), group, 80, 20, 150, 21);
        user->SetText(u"张三");
        auto* pass = Place(new Edit(this), group, 80, 50, 150, 21);
        pass->SetPasswordChar(u'*');
        pass->SetText(u"secret");
        auto* remember = Place(new CheckBox(this), group, 20, 82, 100, 20);
        remember->SetCaption(u"记住密码");
        remember->SetChecked(true);
        auto* pptp = Place(new RadioButton(this), group, 20, 110, 70, 20);
        pptp->SetCaption(u"PPTP");
        pptp->SetChecked(true);
        Place(new RadioButton(this), group, 100, 110, 70, 20)->SetCaption(u"L2TP");
        auto* login = Place(new Button(this), group, 20, 142, 85, 27);
        login->SetCaption(u"登  陆");
        login->SetDefault(true);
        auto* close = Place(new Button(this), group, 190, 142, 85, 27);
        close->SetCaption(u"关  闭");
        close->SetCancel(true);
        close->OnClick = [this](core::Object*) { Close(); };

        Place(new Label(this), this, 12, 198, 70, 17)->SetCaption(u"选择地区：");
        auto* area = Place(new ComboBox(this), this, 80, 194, 140, 21);
        area->SetStyle(csDropDownList);
        for (const char16_t* item : {u"电信加速", u"网通加速", u"海外加速"})
            area->Items().Add(item);
        area->SetItemIndex(0);
        auto* speed = Place(new Button(this), this, 228, 192, 79, 25);
        speed->SetCaption(u"批量测速");
        speed->Font().SetStyle(fsBold);

        auto* memo = Place(new Memo(this), this, 6, 224, 301, 46);
        memo->Lines().Add(u"PPTP连接：最常用的连接方式，连接速度快而稳定，适合大部分网络");

        auto* web = Place(new TextWebPane(this), this, 6, 276, 301, 90);
        web->SetText(u"新闻\r\n\r\n服务公告：新节点已经开通。");

        auto* list = Place(new ListBox(this), this, 315, 2, 180, 120);
        for (const char16_t* line : {u"节点1:  time=45 ms", u"节点1:  time<10 ms", u"Request timed out."})
            list->Items().Add(line);
        list->SetItemIndex(0);

        auto* box = Place(new ScrollBox(this), this, 505, 2, 185, 120);
        for (int i = 0; i < 5; ++i) {
            auto* b = Place(new Button(this), box, 8, 8 + i * 32, 140, 26);
            b->SetCaption(u"节点 " + core::IntToStr(i + 1));
        }

        auto* panel = Place(new Panel(this), this, 315, 130, 375, 90);
        panel->SetCaption(u"面板");
        panel->SetBevelOuter(bvRaised);
        auto* left = Place(new Panel(this), panel, 0, 0, 120, 90);
        left->SetAlign(alLeft);
        left->SetBevelOuter(bvLowered);
        left->SetCaption(u"左侧");
        auto* splitter = Place(new Splitter(this), panel, 120, 0, 4, 90);
        splitter->SetBeveled(true);

        for (int i = 0; i < 3; ++i) {
            auto* s = Place(new SpeedButton(this), this, 315 + i * 64, 228, 60, 25);
            s->SetCaption(i == 0 ? u"测速" : i == 1 ? u"连接" : u"断开");
            s->SetGroupIndex(1);
            if (i == 1)
                s->SetDown(true);
        }
        auto* relay = Place(new Button(this), this, 520, 228, 120, 25);
        relay->SetCaption(u"启用中转(&Z)");

        auto* line = Place(new Panel(this), this, 315, 262, 375, 22);
        line->SetBevelOuter(bvLowered);
        line->SetCaption(u"");
        Place(new Label(this), line, 6, 4, 120, 17)->SetCaption(u"未连接");
        auto* data = Place(new Label(this), line, 180, 4, 180, 17);
        data->SetCaption(u"发送 0 KB / 接收 0 KB");
        data->Font().SetColor(clNavy);
    }

private:
    // GCC 12 folds this function's identical copies for different control classes into one and then
    // warns (-Warray-bounds) that a smaller control is read as the larger class: a false alarm that
    // goes away with -fno-ipa-icf. T is always the class of the control made with new.
    template <class T>
    T* Place(T* control, WinControl* parent, int left, int top, int width, int height)
    {
        control->SetParent(parent);
        control->SetBounds(left, top, width, height);
        return control;
    }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int seconds = argc > 1 ? std::max(1, int(std::wcstol(argv[1], nullptr, 10))) : 10;
    Application& app = App();
    app.SetTitle(u"控件演示");
    auto* form = app.CreateForm<DemoForm>();
    Timer quit(form);
    quit.SetInterval(unsigned(seconds) * 1000);
    quit.SetOnTimer([form](core::Object*) { form->Close(); });
    app.Run();
    return 0;
}
