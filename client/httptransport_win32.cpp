// The transport over the system's HTTP client (WinINet). Each request opens its own session so that
// nothing of one request (cookies, kept connections) leaks into the next; the read time-out is set
// on every handle.
#include "core/win32.h"

#include <wininet.h>

#include "client/httptransport.h"

#include "core/codepage.h"
#include "support/internethandle_win32.h"

#include <vector>

namespace client {

using core::String;
using support::InternetHandle;
using support::SetReadTimeout;

namespace {

constexpr size_t kMaxBodyBytes = 64u << 20;

const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

HttpReply Request(const wchar_t* verb, const String& url, const std::string* body, unsigned readMs)
{
    HttpReply reply;
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    wchar_t host[256] = {}, path[2048] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = DWORD(std::size(host));
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = DWORD(std::size(path));
    if (!InternetCrackUrlW(W(url), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP)
        return reply;

    InternetHandle session(InternetOpenW(L"iisuser_class", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session)
        return reply;
    SetReadTimeout(session.Get(), readMs);
    InternetHandle connection(InternetConnectW(session.Get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return reply;
    SetReadTimeout(connection.Get(), readMs);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE
                        | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    InternetHandle request(HttpOpenRequestW(connection.Get(), verb, path[0] ? path : L"/", nullptr, nullptr, nullptr, flags, 0));
    if (!request)
        return reply;
    SetReadTimeout(request.Get(), readMs);

    BOOL sent;
    if (body) {
        static const wchar_t header[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
        sent = HttpSendRequestW(request.Get(), header, DWORD(-1), const_cast<char*>(body->data()), DWORD(body->size()));
    } else {
        sent = HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0);
    }
    if (!sent)
        return reply;

    DWORD status = 0, size = sizeof(status);
    if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)
        || status < 200 || status >= 300)
        return reply;

    std::string bytes;
    char buffer[8192];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.Get(), buffer, sizeof(buffer), &read))
            return reply;
        if (read == 0)
            break;
        bytes.append(buffer, read);
        if (bytes.size() > kMaxBodyBytes)
            return reply;
    }
    // A connection closed before the announced length is a failed read, not a short page.
    DWORD announced = 0;
    size = sizeof(announced);
    if (HttpQueryInfoW(request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, nullptr)
        && bytes.size() < announced)
        return reply;
    reply.ok = true;
    reply.text = core::FromAnsi(bytes);
    return reply;
}

class WinInetTransport final : public HttpTransport {
public:
    HttpReply Get(const String& url, unsigned readTimeoutMs) override { return Request(L"GET", url, nullptr, readTimeoutMs); }
    HttpReply Post(const String& url, const std::string& body, unsigned readTimeoutMs) override
    {
        return Request(L"POST", url, &body, readTimeoutMs);
    }
};

} // namespace

HttpTransport& SystemTransport()
{
    static WinInetTransport transport;
    return transport;
}

} // namespace client
