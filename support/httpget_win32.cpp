// HTTP GET over the system's HTTP client (WinINet). Each call opens its own session, connection
// and request, so that nothing of one request (cookies, kept connections) leaks into the next.
// Plain http goes over the class library's socket exchange (one deadline for the whole reply);
// https over WinINet, whose redirects are followed here rather than by the library, which gives
// them a fixed limit; the read time-out is set on every handle, as some implementations take it
// only from the request handle.
#include "core/win32.h"

#include <wininet.h>

#include "support/httpget.h"
#include "support/internethandle_win32.h"

#include "core/codepage.h"
#include "core/string.h"
#include "ui/httpget.h"

#include <string>
#include <vector>

namespace support {

using core::String;

namespace {

constexpr size_t MaxBodyBytes = 64u << 20;

const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

String FromW(const wchar_t* text, size_t length) { return String(reinterpret_cast<const char16_t*>(text), length); }

bool IsHttpUrl(const String& url)
{
    return core::AnsiLowerCase(core::Copy(url, 1, 7)) == u"http://" ||
           core::AnsiLowerCase(core::Copy(url, 1, 8)) == u"https://";
}

struct Response {
    DWORD status = 0;
    String location;
    std::string body;
};

String QueryText(HINTERNET request, DWORD info)
{
    std::vector<wchar_t> buffer(512);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = DWORD(buffer.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(request, info, buffer.data(), &size, nullptr))
            return FromW(buffer.data(), size / sizeof(wchar_t));
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return String();
        buffer.resize(size / sizeof(wchar_t) + 1);
    }
    return String();
}

// One request without following redirects; false when it could not be made or read.
bool Fetch(HINTERNET session, const String& url, unsigned timeoutMs, Response& response)
{
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = DWORD(-1);
    parts.dwUrlPathLength = DWORD(-1);
    parts.dwExtraInfoLength = DWORD(-1);
    if (!InternetCrackUrlW(W(url), DWORD(url.size()), 0, &parts) || !parts.lpszHostName ||
        parts.dwHostNameLength == 0)
        return false;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP)
        return false;
    const String host = FromW(parts.lpszHostName, parts.dwHostNameLength);
    String object = FromW(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.lpszUrlPath ? parts.dwUrlPathLength : 0);
    if (parts.lpszExtraInfo)
        object += FromW(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    // A fragment is the browser's business, not the server's.
    if (const size_t hash = object.find(u'#'); hash != String::npos)
        object.resize(hash);
    if (object.empty())
        object.push_back(u'/');

    InternetHandle connection(InternetConnectW(session, W(host), parts.nPort, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return false;
    SetReadTimeout(connection.Get(), timeoutMs);

    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    if (secure)
        flags |= INTERNET_FLAG_SECURE;
    static const wchar_t* const AcceptAll[] = {L"*/*", nullptr};
    InternetHandle request(HttpOpenRequestW(connection.Get(), L"GET", W(object), nullptr, nullptr,
                                            const_cast<LPCWSTR*>(AcceptAll), flags, 0));
    if (!request)
        return false;
    SetReadTimeout(request.Get(), timeoutMs);
    if (!HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0))
        return false;

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    response.status = status;
    if (status >= 300 && status < 400) {
        response.location = QueryText(request.Get(), HTTP_QUERY_LOCATION);
        return true;
    }
    if (status < 200 || status >= 300)
        return true;

    char chunk[16384];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.Get(), chunk, sizeof chunk, &got))
            return false;
        if (got == 0)
            break;
        if (response.body.size() + got > MaxBodyBytes)
            return false;
        response.body.append(chunk, got);
    }
    return true;
}

String Combine(const String& base, const String& relative)
{
    std::vector<wchar_t> buffer(2048);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = DWORD(buffer.size());
        if (InternetCombineUrlW(W(base), W(relative), buffer.data(), &size, ICU_NO_ENCODE))
            return FromW(buffer.data(), size);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return String();
        buffer.resize(size + 1);
    }
    return String();
}

// A plain http address goes over the socket exchange of the class library: its time-out bounds the
// connection and the whole reply, and its redirects stay on http.
String GetPlain(const String& url, const HttpGetOptions& options)
{
    ui::HttpRequest request;
    if (!ui::ParseHttpUrl(url, request.url))
        return String();
    request.version = "HTTP/1.1";
    request.headers = "User-Agent: " + core::ToUtf8(HttpUserAgent) + "\r\n";
    request.timeoutMs = options.ReadTimeoutMs;
    request.maxReplyBytes = MaxBodyBytes;
    ui::HttpReply reply;
    String error;
    if (!ui::HttpFetch(std::move(request), options.MaxRedirects, reply, error) || reply.status < 200 || reply.status >= 300)
        return String();
    return core::FromAnsi(reply.body);
}

String Get(const String& url, const HttpGetOptions& options)
{
    if (!IsHttpUrl(url))
        return String();
    if (core::AnsiLowerCase(core::Copy(url, 1, 7)) == u"http://")
        return GetPlain(url, options);
    InternetHandle session(InternetOpenW(reinterpret_cast<const wchar_t*>(HttpUserAgent),
                                         INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session)
        return String();
    SetReadTimeout(session.Get(), options.ReadTimeoutMs);

    String current = url;
    for (int hop = 0; hop <= options.MaxRedirects; ++hop) {
        Response response;
        if (!Fetch(session.Get(), current, options.ReadTimeoutMs, response))
            return String();
        if (response.status >= 200 && response.status < 300)
            return core::FromAnsi(response.body);
        const bool redirect = response.status == 301 || response.status == 302 || response.status == 303 ||
                              response.status == 307 || response.status == 308;
        if (!redirect || response.location.empty())
            return String();
        current = Combine(current, response.location);
        if (!IsHttpUrl(current))
            return String();
    }
    return String();
}

} // namespace

String HttpGetText(const String& url, const HttpGetOptions& options)
{
    try {
        return Get(url, options);
    } catch (...) {
        return String();
    }
}

} // namespace support
