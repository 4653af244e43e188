// The transport over a socket of our own (ui::HttpFetch), so that every request ends within its
// time-out however the server behaves: one deadline covers the connections and replies of the
// request and of its redirects, which are followed at most five times and only to http addresses,
// and a reply that ends before its announced length or its last chunk is a failure. On the GUI
// thread the wait keeps the windows answering, between reads too: messages sent to them and
// painting are handled, nothing else, so that no click or timer runs in the middle of an exchange.
#include "core/win32.h"

#include "client/httptransport.h"

#include "core/codepage.h"
#include "core/thread.h"
#include "ui/httpget.h"

namespace client {

using core::String;

namespace {

constexpr size_t kMaxBodyBytes = 64u << 20;
constexpr int kMaxRedirects = 5;

void AnswerWindows()
{
    MSG msg;
    // Peeking handles the messages other threads sent; then the pending paints.
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageW(&msg);
}

HttpReply Request(const char* verb, const String& url, const std::string* body, unsigned readMs)
{
    HttpReply reply;
    ui::HttpRequest request;
    request.verb = verb;
    request.version = "HTTP/1.1";
    request.timeoutMs = readMs;
    request.maxReplyBytes = kMaxBodyBytes;
    request.headers = "User-Agent: iisuser_class\r\n";
    if (body) {
        request.headers += "Content-Type: application/x-www-form-urlencoded\r\n";
        request.body = *body;
    }
    if (core::CurrentThreadId() == core::MainThreadId())
        request.waiting = AnswerWindows;
    if (!ui::ParseHttpUrl(url, request.url))
        return reply;
    ui::HttpReply parsed;
    String error;
    if (!ui::HttpFetch(std::move(request), kMaxRedirects, parsed, error) || parsed.status < 200 || parsed.status >= 300)
        return reply;
    reply.ok = true;
    reply.text = core::FromAnsi(parsed.body);
    return reply;
}

class SocketTransport final : public HttpTransport {
public:
    HttpReply Get(const String& url, unsigned readTimeoutMs) override { return Request("GET", url, nullptr, readTimeoutMs); }
    HttpReply Post(const String& url, const std::string& body, unsigned readTimeoutMs) override
    {
        return Request("POST", url, &body, readTimeoutMs);
    }
};

} // namespace

HttpTransport& SystemTransport()
{
    static SocketTransport transport;
    return transport;
}

} // namespace client
