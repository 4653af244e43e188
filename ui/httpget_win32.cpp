// HTTP over a non-blocking Windows socket: every wait goes through select against one deadline.
#include "core/win32.h"
#include "ui/httpget.h"

#include <algorithm>

namespace ui {
namespace {

struct WinsockSession {
    bool ok;
    WinsockSession()
    {
        WSADATA data{};
        ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession()
    {
        if (ok)
            WSACleanup();
    }
};

struct Socket {
    SOCKET s = INVALID_SOCKET;
    ~Socket()
    {
        if (s != INVALID_SOCKET)
            closesocket(s);
    }
};

struct AddressList {
    addrinfo* list = nullptr;
    ~AddressList()
    {
        if (list)
            freeaddrinfo(list);
    }
};

core::String SocketError(const char16_t* what) { return core::String(what) + u" (" + core::IntToStr(WSAGetLastError()) + u")"; }

enum class Wait { Ready, Failed, TimedOut };

// Waits until the socket can be written (or read) or the deadline passes, calling `waiting` about
// every 20 ms meanwhile.
Wait WaitFor(SOCKET s, bool write, ULONGLONG deadline, const std::function<void()>& waiting)
{
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return Wait::TimedOut;
        ULONGLONG slice = deadline - now;
        if (waiting)
            slice = std::min<ULONGLONG>(slice, 20);
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval tv{long(slice / 1000), long(slice % 1000) * 1000};
        const int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &tv);
        if (n < 0 || FD_ISSET(s, &failed))
            return Wait::Failed;
        if (n > 0)
            return Wait::Ready;
        if (waiting)
            waiting();
    }
}

} // namespace

bool HttpExchange(const HttpRequest& request, std::string& reply, core::String& error)
{
    reply.clear();
    WinsockSession session;
    if (!session.ok) {
        error = u"The socket library is not available";
        return false;
    }
    const HttpUrl& url = request.url;
    AddressList addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    const std::string port = std::to_string(url.port);
    if (getaddrinfo(url.host.c_str(), port.c_str(), &hints, &addresses.list) != 0 || !addresses.list) {
        error = u"Host not found: " + core::FromUtf8(url.host);
        return false;
    }
    Socket socket;
    socket.s = ::socket(addresses.list->ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket.s == INVALID_SOCKET) {
        error = SocketError(u"Cannot create a socket");
        return false;
    }
    u_long nonBlocking = 1;
    ioctlsocket(socket.s, FIONBIO, &nonBlocking);

    // A host that never accepts is given up after the time-out, like one that never answers.
    if (connect(socket.s, addresses.list->ai_addr, int(addresses.list->ai_addrlen)) != 0
        && WSAGetLastError() != WSAEWOULDBLOCK) {
        error = SocketError(u"Cannot connect");
        return false;
    }
    const Wait connected = WaitFor(socket.s, true, GetTickCount64() + request.timeoutMs, request.waiting);
    int socketError = 0, length = sizeof socketError;
    if (connected != Wait::Ready
        || getsockopt(socket.s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length) != 0 || socketError) {
        error = connected == Wait::TimedOut ? core::String(u"The host did not accept the connection in time")
                                            : SocketError(u"Cannot connect");
        return false;
    }

    // From here one deadline for sending the request and receiving the whole reply.
    const ULONGLONG deadline = GetTickCount64() + request.timeoutMs;
    std::string text = std::string(request.verb) + " " + url.path + " " + request.version + "\r\nHost: " + url.host + ":" + port
                       + "\r\nAccept: text/html, */*\r\nConnection: close\r\n" + request.headers;
    if (std::string_view(request.verb) != "GET")
        text += "Content-Length: " + std::to_string(request.body.size()) + "\r\n";
    text += "\r\n" + request.body;
    for (size_t sent = 0; sent < text.size();) {
        if (WaitFor(socket.s, true, deadline, request.waiting) != Wait::Ready) {
            error = u"Cannot send the request";
            return false;
        }
        const int n = send(socket.s, text.data() + sent, int(std::min<size_t>(text.size() - sent, 1 << 20)), 0);
        if (n <= 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
            error = SocketError(u"Cannot send the request");
            return false;
        }
        sent += size_t(std::max(n, 0));
    }

    char buffer[16384];
    for (;;) {
        const Wait readable = WaitFor(socket.s, false, deadline, request.waiting);
        if (readable == Wait::TimedOut) {
            error = u"The reply did not arrive in time";
            return false;
        }
        const int n = readable == Wait::Ready ? recv(socket.s, buffer, sizeof buffer, 0) : -1;
        if (n == 0)
            return true;
        if (n < 0) {
            if (readable == Wait::Ready && WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            error = SocketError(u"The connection failed while reading the reply");
            return false;
        }
        if (reply.size() + size_t(n) > request.maxReplyBytes) {
            error = u"The reply is too large";
            return false;
        }
        reply.append(buffer, size_t(n));
        // A reply that says where it ends is complete there, whether or not the server closes.
        HttpReply parsed;
        if (ParseHttpReply(reply, parsed) && parsed.framed)
            return true;
    }
}

bool HttpFetch(HttpRequest request, int maxRedirects, HttpReply& reply, core::String& error)
{
    for (int redirects = 0;; ++redirects) {
        std::string raw;
        if (!HttpExchange(request, raw, error))
            return false;
        if (!ParseHttpReply(raw, reply)) {
            error = u"The reply is incomplete";
            return false;
        }
        const int status = reply.status;
        if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
            return true;
        HttpUrl next;
        if (redirects >= maxRedirects) {
            error = u"Too many redirects";
            return false;
        }
        if (!ParseHttpUrl(core::FromUtf8(ResolveLocation(request.url, reply.location)), next)) {
            error = u"A redirect to an address that is not http";
            return false;
        }
        request.url = next;
        if (status == 303 || ((status == 301 || status == 302) && std::string_view(request.verb) != "GET")) {
            request.verb = "GET";
            request.body.clear();
            // Header lines about the body go with it.
            std::string kept;
            for (size_t at = 0; at < request.headers.size();) {
                size_t end = request.headers.find("\r\n", at);
                end = end == std::string::npos ? request.headers.size() : end + 2;
                const std::string line = request.headers.substr(at, end - at);
                if (line.compare(0, 13, "Content-Type:") != 0)
                    kept += line;
                at = end;
            }
            request.headers = kept;
        }
    }
}

bool HttpGet(const HttpUrl& url, unsigned timeoutMs, std::string& reply, core::String& error)
{
    HttpRequest request;
    request.url = url;
    request.timeoutMs = timeoutMs;
    return HttpExchange(request, reply, error);
}

} // namespace ui
