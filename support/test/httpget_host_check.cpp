// HttpGet of the host build against a loopback server of the HTTP library: bodies, error statuses,
// redirects, a server that stalls past the read time-out and a closed port.
#include "support/httpget.h"
#include "support/mystring.h"

#include "core/codepage.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using core::String;
using namespace support;

class HostServer {
public:
    HostServer()
    {
        m_server.Get("/page", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("\xd6\xd0\xce\xc4 " + request.get_header_value("User-Agent"), "text/plain");
        });
        m_server.Get("/gone", [](const httplib::Request&, httplib::Response& response) { response.status = 404; });
        m_server.Get("/start", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("sub/next?x=1", 302);
        });
        m_server.Get("/sub/next", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("arrived " + request.get_param_value("x"), "text/plain");
        });
        m_server.Get("/loop", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/loop", 307);
        });
        m_server.Get("/stall", [this](const httplib::Request&, httplib::Response& response) {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_stop; });
            response.set_content("late", "text/plain");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~HostServer()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_server.stop();
        m_thread.join();
    }

    String Url(const char* path) const { return u"http://127.0.0.1:" + core::IntToStr(m_port) + core::FromUtf8(path); }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
};

TEST(HostHttpGet, FetchesFollowsAndFails)
{
    HostServer server;
    EXPECT_EQ(HttpGetText(server.Url("/page")), core::S("中文 iisuser_class"));
    EXPECT_EQ(HttpGetText(server.Url("/start")), u"arrived 1");
    EXPECT_EQ(HttpGetText(server.Url("/gone")), u"");
    EXPECT_EQ(HttpGetText(server.Url("/loop")), u"");
    EXPECT_EQ(HttpGetText(u"http://127.0.0.1:1/closed"), u"");
    EXPECT_EQ(HttpGetText(u"ftp://127.0.0.1/file"), u"");

    core::Ref<Istrings4> s = core::MakeRef<strings4>(u"before");
    dynamic_cast<strings&>(*s).SetHttpReadTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s->HttpGet(server.Url("/stall"), true), u"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(s->GetText(), u"");
}

} // namespace
