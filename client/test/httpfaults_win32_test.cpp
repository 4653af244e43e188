// Every request ends within its time-out however the service misbehaves: a reply trickled a byte
// at a time, a loop of redirects, a chain of slow ones or one to another scheme, a reply cut short
// or without its last chunk, a host that never accepts. The login meanwhile keeps its window answering, and ends in the
// fixed network message.
#include "client/test/clientfixture_win32.h"

#include "client/httptransport.h"
#include "client/protocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace client::test {
namespace {

using core::String;
using Clock = std::chrono::steady_clock;

class HttpFaultsTest : public ClientTest {
protected:
    ~HttpFaultsTest() override { ServerScenario(""); }
    // Through the server, so that refuse and silent rules act on its listeners too.
    void ServerScenario(const std::string& text)
    {
        std::string error;
        EXPECT_TRUE(server->LoadScenario(text, error)) << error;
    }
    String Url(const char* host, const char* path)
    {
        return u"http://" + core::FromUtf8(host) + u":" + core::IntToStr(server->AppPort()) + u"/zirovadi/useradmin/"
               + core::FromUtf8(path);
    }
    int Requests(const std::string& hostAndName)
    {
        int n = 0;
        for (const std::string& request : AppRequests())
            n += request == hostAndName;
        return n;
    }
};

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

TEST_F(HttpFaultsTest, ARequestFailsWithinItsTimeOutWhateverTheServerDoes)
{
    const struct {
        const char* name;
        std::string scenario;
        bool post;
        unsigned timeoutMs;
        bool ok;
        int requests;  // that reached the service
        bool upTo = false;  // a time-out cuts the chain: between 1 and requests, as the machine's speed allows
    } cases[] = {
        {"a reply trickled a byte every 400 ms", "path=usercheck.php body=0123456789 trickle=400", true, 1000, false, 1},
        {"a redirect to itself", "path=netcheck.php status=302 location=netcheck.php", false, 1000, false, 6},
        {"five redirects are followed", "path=netcheck.php call=1-5 status=302 location=netcheck.php", false, 1000, true, 6},
        {"a redirect to another scheme", "path=netcheck.php status=302 location=https://127.0.0.1/netcheck.php", false, 1000,
         false, 1},
        {"chunks without the last one", "path=netcheck.php body=1 cut", false, 1000, false, 1},
        {"a reply shorter than announced", "path=netcheck.php body=1 drop", false, 1000, false, 1},
        {"a host that never accepts", "host=127.0.0.1 port=app silent", false, 500, false, 0},
        // At most three replies of 400 ms fit a 1 s time-out; the redirects do not renew it.
        {"a chain of slow redirects", "path=netcheck.php call=1-5 status=302 location=netcheck.php delay=400\npath=netcheck.php delay=400",
         false, 1000, false, 3, true},
        {"the service as it should be", "", false, 1000, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServerScenario(c.scenario);
        service.Log().Clear();
        const Clock::time_point start = Clock::now();
        const HttpReply reply = c.post ? SystemTransport().Post(Url("127.0.0.1", "usercheck.php"), "UserID=demo&Upassword=demo123",
                                                                c.timeoutMs)
                                       : SystemTransport().Get(Url("127.0.0.1", "netcheck.php"), c.timeoutMs);
        const double seconds = Seconds(start);
        EXPECT_EQ(reply.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(reply.text, u"1");
        }
        // One time-out bounds the whole request: connection, reply and redirects.
        EXPECT_LT(seconds, c.timeoutMs / 1000.0 + 0.5);
        const int requests = int(service.Log().Entries().size());
        if (c.upTo) {
            EXPECT_GE(requests, 1);
            EXPECT_LE(requests, c.requests);
        } else {
            EXPECT_EQ(requests, c.requests);
        }
    }
}

TEST_F(HttpFaultsTest, TheLoginEndsInTheNetworkMessageWithItsWindowAnswering)
{
    const struct {
        const char* name;
        std::string scenario;
        double seconds;  // at most
        std::vector<std::string> requests;
    } cases[] = {
        {"the account check trickled", "path=usercheck.php trickle=1500", 4.0,
         {"127.0.0.1 netcheck.php", "127.0.0.1 usercheck.php"}},
        {"netcheck redirects to itself on both hosts", "path=netcheck.php status=302 location=netcheck.php", 4.0,
         {"127.0.0.1 netcheck.php", "127.0.0.1 netcheck.php", "127.0.0.1 netcheck.php", "127.0.0.1 netcheck.php",
          "127.0.0.1 netcheck.php", "127.0.0.1 netcheck.php", "127.0.0.2 netcheck.php", "127.0.0.2 netcheck.php",
          "127.0.0.2 netcheck.php", "127.0.0.2 netcheck.php", "127.0.0.2 netcheck.php", "127.0.0.2 netcheck.php"}},
        {"the node list without its last chunk", "path=vpnlist.php cut", 4.0,
         {"127.0.0.1 netcheck.php", "127.0.0.1 usercheck.php", "127.0.0.1 vpnlist.php"}},
        {"the node list cut short", "path=vpnlist.php drop", 4.0,
         {"127.0.0.1 netcheck.php", "127.0.0.1 usercheck.php", "127.0.0.1 vpnlist.php"}},
        // The account check's 2 s take three of its slow redirects, not all five and the page.
        {"the account check redirected slowly",
         "path=usercheck.php call=1-5 status=302 location=usercheck.php delay=800\npath=usercheck.php delay=800", 3.0,
         {"127.0.0.1 netcheck.php", "127.0.0.1 usercheck.php", "127.0.0.1 usercheck.php", "127.0.0.1 usercheck.php"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetGlobals();
        m_box.Clear();
        ServerScenario(c.scenario);
        service.Log().Clear();
        Tfrmlogin login(nullptr);
        login.AfterConstruction();
        login.Show();
        login.edt_user->SetText(u"demo");
        login.edt_pass->SetText(u"demo123");

        // Another thread asks the window for an answer all through the login, as the system does
        // to find windows that hang.
        std::atomic<bool> done{false}, asking{true};
        std::atomic<int> asked{0}, unanswered{0};
        const HWND window = login.Handle();
        std::thread asker([&] {
            while (!done) {
                DWORD_PTR result = 0;
                ++asked;
                if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result))
                    ++unanswered;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            asking = false;
        });
        const Clock::time_point start = Clock::now();
        login.btn_loginClick(login.btn_login);
        const double seconds = Seconds(start);
        done = true;
        // Its last question may still be on its way: answered here, as the message loop would.
        while (asking) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        asker.join();

        EXPECT_FALSE(login_ok);
        EXPECT_LT(seconds, c.seconds);
        EXPECT_GT(asked.load(), 0);
        EXPECT_EQ(unanswered.load(), 0);
        ASSERT_EQ(m_box.Calls().size(), 1u);
        EXPECT_EQ(m_box.Calls()[0].text, String(kNetworkMessage));
        EXPECT_EQ(AppRequests(), c.requests);
        // And after: the window answers and the login can be pressed again.
        DWORD_PTR result = 0;
        EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result));
        EXPECT_TRUE(login.btn_login->Enabled());
    }
}

TEST_F(HttpFaultsTest, ASilentDefaultHostGivesWayToTheFallbackAfterTheTimeOut)
{
    ServerScenario("host=127.0.0.1 port=app silent");
    Tfrmlogin login(nullptr);
    login.AfterConstruction();
    login.Show();
    login.edt_user->SetText(u"demo");
    login.edt_pass->SetText(u"demo123");
    const Clock::time_point start = Clock::now();
    login.btn_loginClick(login.btn_login);
    const double seconds = Seconds(start);
    EXPECT_TRUE(login_ok);
    EXPECT_EQ(str_host, u"127.0.0.2");
    EXPECT_GE(seconds, kFetchReadTimeoutMs / 1000.0 - 1);
    EXPECT_LT(seconds, kFetchReadTimeoutMs / 1000.0 + 10);
    EXPECT_EQ(AppRequests(), (std::vector<std::string>{"127.0.0.2 netcheck.php", "127.0.0.2 usercheck.php", "127.0.0.2 vpnlist.php"}));
}

} // namespace
} // namespace client::test
