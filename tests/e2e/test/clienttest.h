// The fixture of the end-to-end tests of client.exe: a fresh service, a scratch program folder, no
// saved login; the steps and checks every test shares. After each test every phonebook entry the
// client wrote must be gone.
#pragma once

#include "tests/e2e/client.h"
#include "tests/e2e/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <thread>

namespace e2e {

using namespace std::chrono_literals;

// The dial user and password the demo data issues for the account "demo".
constexpr char kDialScenario[] = "[default]\nuser = vpn_demo\npassword = vpn_demo_pw\n";
constexpr char kLoggedInElsewhereMarker[] = "5e1f0a9c7b3d2e8f4a6c1b0d9e7f3a25";

inline std::string FieldOf(const ServiceRequest& r, const std::string& name)
{
    auto it = r.fields.find(name);
    return it == r.fields.end() ? std::string("<missing>") : it->second;
}

// The demo account and one area of 10,000 nodes on loopback addresses; the last is 127.0.41.1.
inline std::string TenThousandNodes()
{
    std::string data = "[account demo]\npassword = demo123\ninfo = 包月\ndial = issued\ndial_user = vpn_demo\n"
                       "dial_password = vpn_demo_pw\n[area 大区]\n";
    for (int i = 1; i <= 10000; ++i)
        data += "节点" + std::to_string(i) + " = 127.0." + std::to_string(1 + i / 250) + "." +
                std::to_string(1 + i % 250) + ",9" + std::to_string(i % 10) + "%," + std::to_string(i % 2) + "\n";
    return data;
}

// How long the client may take from the login to its main window with 10,000 nodes (under Wine).
// It takes about a second; a tree filled row by row outside an update took over 20.
constexpr Milliseconds kLargeListTime = std::chrono::seconds(20);

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteSavedLogin({});  // no saved login: empty fields at start
        m_service = std::make_unique<Service>(FromBuildPath(E2E_SERVICE_PROGRAM), m_scratch.Path(),
                                              FromBuildPath(E2E_DEMO_DATA));
    }

    void TearDown() override
    {
        if (m_client) {
            m_client->Proc().Kill();
            // Every phonebook entry the client wrote is gone again.
            std::set<std::wstring> written;
            for (const Json& call : m_client->Calls("RasSetEntryProperties"))
                written.insert(Wide(call.Str("entry")));
            for (const std::wstring& name : PhonebookEntries())
                EXPECT_EQ(written.count(name), 0u) << "entry left behind: " << Utf8(name);
        }
        m_client.reset();
        m_service.reset();
    }

    void Launch(const std::string& dial_scenario = kDialScenario, const std::wstring& arguments = {})
    {
        if (m_client)
            m_client->Proc().Kill();  // its log stays in the scratch folder for the final check
        m_client = std::make_unique<Client>(m_scratch, FromBuildPath(E2E_CLIENT_PROGRAM),
                                            FromBuildPath(E2E_RASAPI32_DLL), dial_scenario);
        m_client->Start(*m_service, arguments);
    }

    DWORD Pid() const { return m_client->Pid(); }

    LoginWindow WaitLogin()
    {
        LoginWindow login = LoginWindow::Find(Pid(), 30s);
        EXPECT_TRUE(login.Valid()) << "no login window with two edits and \"登  陆\"";
        return login;
    }

    // The next message box; fails the test unless it shows the text. Answers it with OK.
    void ExpectBox(const std::wstring& wanted, Milliseconds timeout = 15s)
    {
        auto box = WaitMessageBox(Pid(), timeout);
        ASSERT_TRUE(box) << "no message box \"" << Utf8(wanted) << "\"";
        EXPECT_EQ(Utf8(box->text), Utf8(wanted));
        EXPECT_EQ(Utf8(box->caption), Utf8(kClientTitle));
        ASSERT_TRUE(Answer(*box, box->buttons.size() > 1 ? IDYES : IDOK));
    }

    // Logs in with the demo account; the main window with the node list of the demo data.
    MainWindow LogInAsDemo(Milliseconds timeout = 30s)
    {
        LoginWindow login = WaitLogin();
        EXPECT_TRUE(login.Submit(L"demo", L"demo123", false));
        MainWindow main = MainWindow::Find(Pid(), timeout);
        EXPECT_TRUE(main.Valid()) << "no main window with \"连接\" and \"断开\"";
        return main;
    }

    // Waits until the service has answered the script at least count times.
    std::vector<ServiceRequest> WaitRequests(const std::string& script, size_t count, Milliseconds timeout)
    {
        std::vector<ServiceRequest> got;
        WaitFor([&] { return (got = m_service->Requests(script)).size() >= count; }, timeout);
        return got;
    }

    std::vector<Json> WaitCalls(const std::string& name, size_t count, Milliseconds timeout)
    {
        std::vector<Json> got;
        WaitFor([&] { return (got = m_client->Calls(name)).size() >= count; }, timeout);
        return got;
    }

    // Presses "连接" on the selected node and waits for the first state poll to find it connected.
    void ConnectAndWait(MainWindow& main)
    {
        const size_t before = m_client->Calls("RasDial").size();  // earlier clients of this test
        ASSERT_TRUE(Click(main.connect));
        auto dials = WaitCalls("RasDial", before + 1, 20s);
        ASSERT_EQ(dials.size(), before + 1) << "no dial";
        EXPECT_EQ(dials.back().Num("result"), 0);
        ASSERT_TRUE(WaitFor([&] { return main.StatusShows(text::kConnectedStatus); }, 20s))
            << "the state poll did not find the connection up";
    }

    void ExpectExit(DWORD code, Milliseconds timeout = 20s)
    {
        EXPECT_EQ(m_client->Proc().WaitExit(timeout), std::optional<DWORD>(code));
    }

    SavedLoginGuard m_login_guard;
    ScratchFolder m_scratch;
    std::unique_ptr<Service> m_service;
    std::unique_ptr<Client> m_client;
};

} // namespace e2e
