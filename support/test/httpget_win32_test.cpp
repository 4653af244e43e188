// HttpGet against a loopback HTTP server run by the test: bodies, error statuses, redirects, a
// server that stalls past the read time-out, a closed port and addresses of other schemes.
#include "core/win32.h"

#include "support/httpget.h"
#include "support/mystring.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using core::String;
using namespace support;

struct WinsockGuard {
    WinsockGuard()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockGuard() { WSACleanup(); }
};

// A one-connection-at-a-time HTTP server on 127.0.0.1 and an ephemeral port. Each path maps to a
// raw response; the response Stall keeps the connection open without answering until the server
// stops. Every request head is recorded.
class LoopbackServer {
public:
    static constexpr const char* Stall = "<stall>";

    explicit LoopbackServer(std::map<std::string, std::string> responses) : m_responses(std::move(responses))
    {
        m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (m_listen == INVALID_SOCKET || bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listen, 4) != 0 || getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no loopback listener";
            return;
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }

    ~LoopbackServer()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen != INVALID_SOCKET)
            closesocket(m_listen);
    }

    String Url(const std::string& path) const
    {
        return u"http://127.0.0.1:" + core::IntToStr(m_port) + core::FromUtf8(path);
    }

    std::vector<std::string> Requests()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_requests;
    }

private:
    bool Stopping()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_stop;
    }

    void Run()
    {
        while (!Stopping()) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(m_listen, &ready);
            timeval wait{0, 50 * 1000};
            if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
                continue;
            const SOCKET client = accept(m_listen, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                continue;
            Serve(client);
            closesocket(client);
        }
    }

    void Serve(SOCKET client)
    {
        DWORD timeout = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            const int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                return;
            head.append(buffer, size_t(got));
        }
        const size_t start = head.find(' ') + 1;
        const std::string path = head.substr(start, head.find(' ', start) - start);
        std::string response;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_requests.push_back(head);
            const auto found = m_responses.find(path);
            response = found == m_responses.end() ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"
                                                  : found->second;
        }
        if (response == Stall) {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_stop; });
            return;
        }
        send(client, response.data(), int(response.size()), 0);
        shutdown(client, SD_SEND);
    }

    WinsockGuard m_winsock;
    std::map<std::string, std::string> m_responses;
    SOCKET m_listen = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::vector<std::string> m_requests;
};

std::string Ok(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string Redirect(int status, const std::string& location)
{
    return "HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + location +
           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

TEST(HttpGet, BodyIsDecodedInTheAnsiCodePageAndSentWithTheUserAgent)
{
    LoopbackServer server({{"/page", Ok("1")}, {"/text", Ok("\xd6\xd0\xce\xc4 ok\r\n")}});
    EXPECT_EQ(HttpGetText(server.Url("/page")), u"1");
    EXPECT_EQ(HttpGetText(server.Url("/text")), core::S("中文 ok\r\n"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /page HTTP/1.1\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: iisuser_class\r\n"), std::string::npos) << requests[0];
}

TEST(HttpGet, ErrorStatusesGiveAnEmptyText)
{
    LoopbackServer server({{"/gone", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"},
                           {"/broken", "HTTP/1.1 500 Oops\r\nContent-Length: 4\r\n\r\nfail"},
                           {"/nolocation", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"}});
    for (const char* path : {"/gone", "/broken", "/nolocation"})
        EXPECT_EQ(HttpGetText(server.Url(path)), u"") << path;
}

TEST(HttpGet, RedirectsAreFollowedUpToTheLimit)
{
    LoopbackServer server({{"/start", Redirect(302, "/middle")},
                           {"/middle", Redirect(301, "final?x=1")},
                           {"/final?x=1", Ok("arrived")},
                           {"/loop", Redirect(307, "/loop")}});
    EXPECT_EQ(HttpGetText(server.Url("/start")), u"arrived");
    EXPECT_EQ(server.Requests().size(), 3u);

    HttpGetOptions options;
    options.MaxRedirects = 3;
    EXPECT_EQ(HttpGetText(server.Url("/loop"), options), u"");
    EXPECT_EQ(server.Requests().size(), 3u + 4u);  // the first request and three redirects
}

TEST(HttpGet, AStallingServerFailsAtTheReadTimeout)
{
    LoopbackServer server(std::map<std::string, std::string>{{"/stall", LoopbackServer::Stall}});
    HttpGetOptions options;
    options.ReadTimeoutMs = 500;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpGetText(server.Url("/stall"), options), u"");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(HttpGet, UnreachableAndUnsupportedAddressesGiveAnEmptyText)
{
    WinsockGuard winsock;
    // A port that was just free and is closed again refuses connections.
    unsigned short port = 0;
    {
        const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        closesocket(probe);
    }
    const String cases[] = {
        u"http://127.0.0.1:" + core::IntToStr(port) + u"/closed",
        u"ftp://127.0.0.1/file",
        u"file:///c:/windows/win.ini",
        u"not a url",
        u"",
    };
    for (const String& url : cases)
        EXPECT_EQ(HttpGetText(url), u"") << core::ToUtf8(url);
}

TEST(HttpGet, TheInterfaceStoresTheResultAlsoWhenEmpty)
{
    LoopbackServer server({{"/netcheck.php", Ok("1")}, {"/stall", LoopbackServer::Stall}});
    core::Ref<Istrings4> s = core::MakeRef<strings4>(u"before");
    EXPECT_EQ(s->HttpGet(server.Url("/netcheck.php"), false), u"1");
    EXPECT_EQ(s->GetText(), u"before");
    EXPECT_EQ(s->HttpGet(server.Url("/netcheck.php"), true), u"1");
    EXPECT_EQ(s->GetText(), u"1");

    dynamic_cast<strings&>(*s).SetHttpReadTimeout(300);
    EXPECT_EQ(s->HttpGet(server.Url("/stall"), true), u"");
    EXPECT_EQ(s->GetText(), u"");
}

} // namespace
