// The HTTP exchange against a loopback server made by the test: a large reply in each of its three
// framings, read whole while the caller keeps answering, and one time-out over a chain of slow
// redirects.
#include "core/win32.h"
#include "ui/httpget.h"
#include "ui/test/loopback_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ui {
namespace {

using Clock = std::chrono::steady_clock;

// Answers connections one after another on 127.0.0.1: each request line's path goes to `answer`,
// which may wait before it gives the reply's bytes; the connection is closed after them.
class LoopbackServer {
public:
    using Answer = std::function<std::string(const std::string& path)>;

    explicit LoopbackServer(Answer answer) : m_answer(std::move(answer))
    {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = test::ListenOnLoopback(8, m_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer()
    {
        m_stopping = true;
        closesocket(m_listener);  // ends a pending accept
        m_thread.join();
        WSACleanup();
    }
    HttpUrl Url(const std::string& path) const { return HttpUrl{"127.0.0.1", uint16_t(m_port), path}; }

private:
    void Serve()
    {
        for (;;) {
            const SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            char buffer[4096];
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int n = recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, size_t(n));
            }
            const size_t start = request.find(' ') + 1;
            const std::string reply = m_answer(request.substr(start, request.find(' ', start) - start));
            for (size_t sent = 0; sent < reply.size() && !m_stopping;) {
                const int n = send(client, reply.data() + sent, int(std::min<size_t>(reply.size() - sent, 1 << 20)), 0);
                if (n <= 0)
                    break;
                sent += size_t(n);
            }
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    Answer m_answer;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

std::string Chunked(const std::string& body, size_t chunk)
{
    std::string out;
    char size[16];
    for (size_t at = 0; at < body.size(); at += chunk) {
        const size_t n = std::min(chunk, body.size() - at);
        snprintf(size, sizeof size, "%zx\r\n", n);
        out += size;
        out.append(body, at, n);
        out += "\r\n";
    }
    return out + "0\r\n\r\n";
}

TEST(HttpExchange, ALargeReplyReadsInEveryFramingWhileTheCallerKeepsAnswering)
{
    std::string body(20u << 20, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = char('a' + (i * 7 + i / 8191) % 26);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    const struct {
        const char* framing;
        std::string reply;
    } cases[] = {
        {"Content-Length", head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body},
        {"to the close", head + "\r\n" + body},
        {"8 KB chunks", head + "Transfer-Encoding: chunked\r\n\r\n" + Chunked(body, 8192)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.framing);
        LoopbackServer server([&](const std::string&) { return c.reply; });
        HttpRequest request;
        request.url = server.Url("/nodes");
        request.timeoutMs = 20000;
        request.maxReplyBytes = 64u << 20;
        int calls = 0;
        request.waiting = [&] { ++calls; };
        const Clock::time_point start = Clock::now();
        HttpReply reply;
        core::String error;
        ASSERT_TRUE(HttpExchange(request, reply, error)) << core::ToUtf8(error);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(reply.status, 200);
        EXPECT_TRUE(reply.body == body) << reply.body.size() << " bytes";
        // Data arrived all along, and still the caller was called every 100 ms or sooner on average.
        EXPECT_GE(calls, int(seconds * 10)) << seconds << " s";
    }
}

TEST(HttpExchange, OneTimeOutCoversAChainOfRedirects)
{
    const struct {
        const char* name;
        int hopMs;  // each reply waits this long
        unsigned timeoutMs;
        bool ok;
    } cases[] = {
        // Five redirects and the page, six replies of 400 ms: past the 1 s time-out at the third.
        {"slow hops", 400, 1000, false},
        {"quick hops", 20, 10000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> replies{0};
        LoopbackServer server([&](const std::string& path) {
            Sleep(DWORD(c.hopMs));
            ++replies;
            const int hop = std::stoi(path.substr(1));
            if (hop == 5)
                return std::string("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
            return "HTTP/1.1 302 Found\r\nLocation: /" + std::to_string(hop + 1) + "\r\nContent-Length: 0\r\n\r\n";
        });
        HttpRequest request;
        request.url = server.Url("/0");
        request.timeoutMs = c.timeoutMs;
        HttpReply reply;
        core::String error;
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(HttpFetch(request, 5, reply, error), c.ok) << core::ToUtf8(error);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (c.ok) {
            EXPECT_EQ(reply.body, "ok");
            EXPECT_EQ(replies.load(), 6);
        } else {
            // Ended at the time-out, well before the chain's 2.4 s.
            EXPECT_EQ(error, u"The reply did not arrive in time");
            EXPECT_GE(seconds, c.timeoutMs / 1000.0 - 0.05);
            EXPECT_LT(seconds, 2.2);
            EXPECT_LE(replies.load(), 3);
        }
    }
}

} // namespace
} // namespace ui
