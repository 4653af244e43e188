// Tfrmlogin: asks for the account, chooses the service host, checks the account, keeps the login
// in the user's registry on request and downloads the node list. Shown modally from the main
// window's creation.
#pragma once

#include "ui/form.h"

#include <functional>

namespace ui {
class Label;
class WebPane;
}
namespace skin {
class TsButton;
class TsCheckBox;
class TsEdit;
class TsGroupBox;
class TsLabel;
class TsPanel;
}

namespace client {

inline constexpr char16_t kWaitText[] = u"请稍后，正在获取连接信息......";

class Tfrmlogin : public ui::Form {
public:
    explicit Tfrmlogin(core::Component* owner);
    ~Tfrmlogin() override;

    // ---- Parts ----
    ui::WebPane* wb1 = nullptr;
    skin::TsGroupBox* sGroupBox1 = nullptr;
    skin::TsLabel* sLabel1 = nullptr;
    skin::TsLabel* sLabel2 = nullptr;
    skin::TsEdit* edt_user = nullptr;
    skin::TsEdit* edt_pass = nullptr;
    skin::TsCheckBox* chkpass = nullptr;
    ui::Label* Label1 = nullptr;  // "注册帐户"
    ui::Label* Label2 = nullptr;  // "登录充值"
    skin::TsButton* btn_login = nullptr;
    skin::TsButton* btn_exit = nullptr;
    skin::TsPanel* Panel1 = nullptr;
    ui::Label* Label3 = nullptr;  // waiting text

    // ---- Handlers ----
    void FormCreate(core::Object* sender);
    void btn_loginClick(core::Object* sender);
    void Label1Click(core::Object* sender);
    void Label2Click(core::Object* sender);
    void btn_exitClick(core::Object* sender);
    void FormClose(core::Object* sender, ui::CloseAction& action);

    // Whether a login is running now (the button is disabled meanwhile).
    bool LoggingIn() const { return m_logging_in; }

private:
    // The login's steps; false when it stopped before success.
    bool Login();
    void Fail(const core::String& message, unsigned flags);
    bool m_logging_in = false;
};

} // namespace client

namespace client {
// Runs with the login window made and about to be shown modally (tests fill it and queue their
// input here).
extern std::function<void(Tfrmlogin&)> BeforeLoginShown;
}
