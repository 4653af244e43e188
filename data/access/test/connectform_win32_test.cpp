// The connect dialog's window driven by real messages from a timer callback (so that no modal loop
// can hang): typing and Connect connects, wrong passwords show the provider's message until the
// attempts are used up, Cancel puts the login values back, the German texts are shown. The login
// and history go to a test key of the current user's registry, removed afterwards.
#include "data/access/connectform.h"

#include "data/access/access.h"
#include "data/access/test/logintesting.h"
#include "support/registry.h"
#include "ui/test/uitest.h"

#include "core/win32.h"

#include <algorithm>
#include <functional>
#include <string>

using namespace data;
using namespace data::testing;

namespace {

const String kTestKey = u"Software\\ClientTests\\da17\\";

// The dialog window's parts, found by class and style.
struct FormParts {
    HWND Form = nullptr;
    HWND Username = nullptr, Password = nullptr, Server = nullptr, Connect = nullptr, Cancel = nullptr;
    std::vector<std::wstring> Texts;  // every child's text
};

std::wstring TextOf(HWND Window)
{
    wchar_t text[256] = {};
    GetWindowTextW(Window, text, 256);
    return text;
}

// The library's classes carry the system class's name inside ("ui.EDIT.8").
bool ClassHas(HWND Window, const wchar_t* Name)
{
    wchar_t name[64] = {};
    GetClassNameW(Window, name, 64);
    CharUpperW(name);
    return wcsstr(name, Name) != nullptr;
}

// The caption of the dialog the steps are for.
std::wstring g_caption = L"Connect";

FormParts FindForm()
{
    FormParts parts;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* p = reinterpret_cast<FormParts*>(data);
            if (IsWindowVisible(window) && TextOf(window) == g_caption) {
                p->Form = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&parts));
    if (!parts.Form)
        return parts;
    EnumChildWindows(
        parts.Form,
        [](HWND child, LPARAM data) -> BOOL {
            auto* p = reinterpret_cast<FormParts*>(data);
            p->Texts.push_back(TextOf(child));
            if (GetParent(child) != p->Form)
                return TRUE;
            if (ClassHas(child, L"EDIT")) {
                (GetWindowLongPtrW(child, GWL_STYLE) & ES_PASSWORD ? p->Password : p->Username) = child;
            } else if (ClassHas(child, L"COMBOBOX")) {
                p->Server = child;
            } else if (ClassHas(child, L"BUTTON")) {
                (p->Connect ? p->Cancel : p->Connect) = child;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&parts));
    return parts;
}

// The steps run one per timer tick while the dialog is up.
std::vector<std::function<void(FormParts&)>> g_steps;
size_t g_step = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    FormParts parts = FindForm();
    if (!parts.Form || g_step >= g_steps.size())
        return;
    try {
        g_steps[g_step++](parts);
    } catch (...) {
        // A failing step leaves the dialog to the fallback below.
    }
}

class ConnectForm : public ui::test::UiTest {
protected:
    ConnectForm()
    {
        InitAccessUnits();
        InstallConnectForm();
        g_steps.clear();
        g_step = 0;
        FTimer = SetTimer(nullptr, 0, 30, Tick);
    }
    ~ConnectForm() override
    {
        KillTimer(nullptr, FTimer);
        DoneAccessUnits();
        support::Registry registry;
        registry.DeleteKey(u"\\Software\\ClientTests");
    }

    // Runs Steps against the dialog, then presses Cancel whatever happened, so that the modal loop ends.
    void Script(std::vector<std::function<void(FormParts&)>> Steps, std::wstring Caption = L"Connect")
    {
        g_caption = std::move(Caption);
        g_steps = std::move(Steps);
        g_step = 0;
        g_steps.push_back([](FormParts& p) { SendMessageW(p.Cancel, BM_CLICK, 0, 0); });
    }

    static std::function<void(FormParts&)> Type(HWND FormParts::*Field, const wchar_t* Text)
    {
        return [=](FormParts& p) { SetWindowTextW(p.*Field, Text); };
    }
    static std::function<void(FormParts&)> Press(HWND FormParts::*Field)
    {
        return [=](FormParts& p) { PostMessageW(p.*Field, BM_CLICK, 0, 0); };
    }

    UINT_PTR FTimer = 0;
};

TEST_F(ConnectForm, TypingAndConnectConnectsAndStoresTheLogin)
{
    TLoginConnection connection;
    TTestConnectDialog dialog(kTestKey);
    dialog.SetConnection(&connection);
    Script({Type(&FormParts::Username, L"scott"), Type(&FormParts::Password, L"secret"),
            Type(&FormParts::Server, L"db1"), Press(&FormParts::Connect)});
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.GetUsername(), u"scott");
    EXPECT_EQ(connection.GetServer(), u"db1");
    EXPECT_TRUE(m_box.Calls().empty());

    // The next dialog offers the stored user name and the history.
    support::Registry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(u"\\" + kTestKey + u"Connect\\"));
    EXPECT_EQ(registry.ReadString(u"Username"), u"scott");
    EXPECT_FALSE(registry.ValueExists(u"Password"));
    connection.Disconnect();
    connection.SetUsername(u"");
    std::wstring user, servers;
    Script({[&](FormParts& p) {
        user = TextOf(p.Username);
        servers = std::to_wstring(SendMessageW(p.Server, CB_GETCOUNT, 0, 0));
    }});
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(user, L"scott");
    EXPECT_EQ(servers, L"1");
}

TEST_F(ConnectForm, WrongPasswordsShowTheMessageUntilTheAttemptsAreUsed)
{
    TLoginConnection connection;
    connection.SetUsername(u"old");
    connection.SetPassword(u"oldpw");
    TTestConnectDialog dialog(kTestKey);
    dialog.SetConnection(&connection);
    dialog.SetStoreLogInfo(false);
    Script({Type(&FormParts::Username, L"scott"), Type(&FormParts::Password, L"wrong"), Press(&FormParts::Connect),
            Press(&FormParts::Connect), Press(&FormParts::Connect)});
    EXPECT_FALSE(dialog.Execute());
    ASSERT_EQ(m_box.Calls().size(), 3u);
    EXPECT_EQ(m_box.Calls()[0].text, u"invalid username/password; logon denied");
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.GetUsername(), u"old");
    EXPECT_EQ(connection.Password(), u"oldpw");

    // A wrong password, then the right one: the typed values were kept for the second try.
    m_box.Clear();
    Script({Type(&FormParts::Password, L"wrong"), Press(&FormParts::Connect), Type(&FormParts::Password, L"secret"),
            Press(&FormParts::Connect)});
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(m_box.Calls().size(), 1u);
    EXPECT_TRUE(connection.Connected());
}

TEST_F(ConnectForm, CancelPutsTheValuesBackAndTheGermanTextsShow)
{
    TLoginConnection connection;
    connection.SetUsername(u"u");
    connection.SetServer(u"s");
    TTestConnectDialog dialog(kTestKey);
    dialog.SetConnection(&connection);
    dialog.SetLabelSet(lsGerman);
    std::wstring caption;
    std::vector<std::wstring> texts;
    Script({Type(&FormParts::Username, L"typed"), [&](FormParts& p) {
                caption = TextOf(p.Form);
                texts = p.Texts;
            }},
           L"Anmeldung");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(connection.GetUsername(), u"u");
    EXPECT_EQ(connection.GetServer(), u"s");
    EXPECT_EQ(caption, L"Anmeldung");
    // The labels are drawn by the form, the buttons are windows of their own.
    for (const wchar_t* text : {L"Ok", L"Abbrechen"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << std::string(text, text + wcslen(text));
}

TEST_F(ConnectForm, ConnectionPromptsWithTheWindow)
{
    TLoginConnection connection;
    connection.SetUsername(u"scott");
    TTestConnectDialog dialog(kTestKey);
    connection.SetConnectDialog(&dialog);
    Script({Type(&FormParts::Password, L"secret"), Press(&FormParts::Connect)});
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
}

} // namespace
