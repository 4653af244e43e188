// The text web pane against a loopback server made by the test, the choice of pane under Wine, and
// the URL opener seam.
#include "ui/httpget.h"
#include "ui/test/loopback_win32.h"
#include "ui/test/uitest.h"
#include "ui/textwebpane.h"
#include "ui/urlopener.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace ui::test {
namespace {

// Serves one connection with a fixed reply on 127.0.0.1 and keeps the request it got.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply) : m_reply(std::move(reply))
    {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = test::ListenOnLoopback(1, m_port);
        m_thread = std::thread([this] {
            SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            char buffer[4096];
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                int n = recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, size_t(n));
            }
            m_request = request;
            send(client, m_reply.data(), int(m_reply.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        });
    }
    ~OneShotServer()
    {
        closesocket(m_listener); // ends a pending accept
        if (m_thread.joinable())
            m_thread.join();
        WSACleanup();
    }
    int Port() const { return m_port; }
    std::string Request()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    std::string m_reply;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
    std::string m_request;
};

class WebPanes : public UiTest {
protected:
    WebPanes()
    {
        pane = new TextWebPane(form.get());
        pane->SetParent(form.get());
        pane->SetBounds(6, 272, 302, 121);
        pane->OnDocumentComplete = [this](core::Object*, const core::String& url) { completed = url; };
        pane->OnNavigateError = [this](core::Object*, const core::String&, const core::String& error) { failed = error; };
    }

    // Handles messages until the pane has finished (at most a few seconds).
    void WaitForPane()
    {
        for (int i = 0; i < 500 && pane->Busy(); ++i) {
            App().ProcessMessages();
            Sleep(10);
        }
    }

    std::unique_ptr<Form> form{new Form()};
    TextWebPane* pane = nullptr;
    core::String completed, failed;
};

TEST_F(WebPanes, PageTextIsShownAfterAGetOfThePath)
{
    // The service writes its pages in code page 936.
    OneShotServer server("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n"
                         "<html><body><p>\xD0\xC2\xCE\xC5</p><p>a &amp; b</p></body></html>");
    core::String url = u"http://127.0.0.1:" + core::IntToStr(server.Port()) + u"/divezevor2011/news.htm";
    pane->Navigate(url);
    EXPECT_TRUE(pane->Busy());
    WaitForPane();
    EXPECT_EQ(completed, url);
    EXPECT_EQ(failed, u"");
    EXPECT_EQ(pane->Text(), u"新闻\r\n\r\na & b");
    EXPECT_EQ(pane->LocationURL(), url);
    std::string request = server.Request();
    EXPECT_EQ(request.rfind("GET /divezevor2011/news.htm HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("Host: 127.0.0.1:"), std::string::npos);
}

TEST_F(WebPanes, ErrorsOfTheFetchAreReportedAndShowNothing)
{
    {
        OneShotServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        pane->Navigate(u"http://127.0.0.1:" + core::IntToStr(server.Port()) + u"/missing.htm");
        WaitForPane();
        EXPECT_EQ(failed, u"HTTP 404");
    }
    {
        OneShotServer server("garbage");
        failed.clear();
        pane->Navigate(u"http://127.0.0.1:" + core::IntToStr(server.Port()) + u"/");
        WaitForPane();
        EXPECT_EQ(failed, u"The server's reply is not HTTP");
    }
    failed.clear();
    pane->Navigate(u"about:blank");
    EXPECT_FALSE(pane->Busy());
    EXPECT_EQ(failed, u"Only http:// addresses can be shown");
    EXPECT_EQ(completed, u"");
    EXPECT_EQ(pane->Text(), u"");
}

TEST_F(WebPanes, APaneFreedDuringAFetchDropsTheResult)
{
    OneShotServer server("HTTP/1.1 200 OK\r\n\r\nlate");
    pane->Navigate(u"http://127.0.0.1:" + core::IntToStr(server.Port()) + u"/");
    delete pane;
    pane = nullptr;
    (void)server.Request();
    for (int i = 0; i < 20; ++i) {
        App().ProcessMessages();
        Sleep(5);
    }
    EXPECT_EQ(completed, u"");
}

TEST_F(WebPanes, APageAtTheSizeLimitLeavesTheWindowAnswering)
{
    // Numbered lines up to the fetch's limit; the text is the lines, one a line.
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
    std::string body;
    core::String text;
    for (int n = 0; head.size() + body.size() + 80 <= MaxReplyBytes; ++n) {
        const std::string line = "line " + std::to_string(n) + " of a page near the limit of what the pane fetches";
        body += line + "<br>\n";
        text += (text.empty() ? u"" : u"\r\n") + core::FromUtf8(line);
    }
    OneShotServer server(head + body);
    form->Show();
    const HWND window = form->Handle();
    std::atomic<bool> done{false}, asking{true};
    std::atomic<int> asked{0}, unanswered{0};
    std::thread asker([&] {
        // Asks the window for an answer all along, as the system does to find windows that hang.
        while (!done) {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result))
                ++unanswered;
            ++asked;
            Sleep(20);
        }
        asking = false;
    });
    // The longest the window's thread worked without looking at its messages again, in processor
    // time of its own: what a busy machine adds by running other threads is not the pane's.
    const auto busyMs = [] {
        FILETIME created, exited, kernel, user;
        GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
        const auto ticks = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        return (ticks(kernel) + ticks(user)) / 10000;
    };
    uint64_t longestMs = 0;
    const core::String url = u"http://127.0.0.1:" + core::IntToStr(server.Port()) + u"/news.htm";
    pane->Navigate(url);
    for (int i = 0; i < 6000 && pane->Busy(); ++i) {
        const uint64_t before = busyMs();
        App().ProcessMessages();
        longestMs = std::max(longestMs, busyMs() - before);
        Sleep(10);
    }
    done = true;
    while (asking)
        App().ProcessMessages();
    asker.join();

    EXPECT_FALSE(pane->Busy());
    EXPECT_EQ(failed, u"");
    EXPECT_EQ(completed, url);
    EXPECT_GT(asked.load(), 0);
    EXPECT_EQ(unanswered.load(), 0);
    EXPECT_LT(longestMs, 500u);
    // What the box can take in good time: whole lines from the start, then the mark of the cut.
    const core::String shown = pane->Text();
    ASSERT_GT(shown.size(), TextWebPane::MaxShownChars / 2);
    ASSERT_LE(shown.size(), TextWebPane::MaxShownChars);
    const size_t kept = shown.size() - 3;
    EXPECT_EQ(shown.substr(kept), u"\r\n\u2026");
    EXPECT_TRUE(shown.substr(0, kept) == text.substr(0, kept)) << "the start of the page, unchanged";
    EXPECT_EQ(text.substr(kept, 2), u"\r\n") << "cut at a line's end";
    // The box still shows the page's start, whatever it took in after.
    EXPECT_EQ(SendMessageW(pane->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(WebPanes, UnderWineTheStandInIsChosen)
{
    std::unique_ptr<WebPane> chosen(CreateWebPane(nullptr));
    EXPECT_NE(dynamic_cast<TextWebPane*>(chosen.get()), nullptr);
}

TEST(UrlOpeners, RecordingOpenerReceivesEveryUrl)
{
    RecordingUrlOpener opener;
    UrlOpenerGuard guard(opener);
    EXPECT_TRUE(OpenUrl(u"http://127.0.0.1:8000/zirovadi/useradmin"));
    opener.Result = false;
    EXPECT_FALSE(OpenUrl(u"http://127.0.0.1:8000/zirovadi/useradmin/"));
    EXPECT_EQ(opener.Urls(), (std::vector<core::String>{u"http://127.0.0.1:8000/zirovadi/useradmin",
                                                        u"http://127.0.0.1:8000/zirovadi/useradmin/"}));
}

} // namespace
} // namespace ui::test
