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

// Calls `waiting` at most every 20 ms, after every wait whether or not data arrived, so that a
// caller's windows keep answering also while a large reply streams in without pause.
class Pacer {
public:
    explicit Pacer(const std::function<void()>& waiting) : m_waiting(waiting) {}
    bool Active() const { return bool(m_waiting); }
    void Tick()
    {
        if (!m_waiting)
            return;
        const ULONGLONG now = GetTickCount64();
        if (now < m_due)
            return;
        m_due = now + 20;
        m_waiting();
    }

private:
    const std::function<void()>& m_waiting;
    ULONGLONG m_due = 0;
};

// Waits until the socket can be written (or read) or the deadline passes.
Wait WaitFor(SOCKET s, bool write, ULONGLONG deadline, Pacer& pacer)
{
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return Wait::TimedOut;
        ULONGLONG slice = deadline - now;
        if (pacer.Active())
            slice = std::min<ULONGLONG>(slice, 20);
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval tv{long(slice / 1000), long(slice % 1000) * 1000};
        const int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &tv);
        pacer.Tick();
        if (n < 0 || FD_ISSET(s, &failed))
            return Wait::Failed;
        if (n > 0)
            return Wait::Ready;
    }
}

// One request and its reply on a fresh connection, all of it before `deadline`.
bool Exchange(const HttpRequest& request, ULONGLONG deadline, HttpReply& reply, core::String& error)
{
    reply = HttpReply();
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
    Pacer pacer(request.waiting);

    // A host that never accepts is given up at the deadline, like one that never answers.
    if (connect(socket.s, addresses.list->ai_addr, int(addresses.list->ai_addrlen)) != 0
        && WSAGetLastError() != WSAEWOULDBLOCK) {
        error = SocketError(u"Cannot connect");
        return false;
    }
    const Wait connected = WaitFor(socket.s, true, deadline, pacer);
    int socketError = 0, length = sizeof socketError;
    if (connected != Wait::Ready
        || getsockopt(socket.s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length) != 0 || socketError) {
        error = connected == Wait::TimedOut ? core::String(u"The host did not accept the connection in time")
                                            : SocketError(u"Cannot connect");
        return false;
    }

    std::string text = std::string(request.verb) + " " + url.path + " " + request.version + "\r\nHost: " + url.host + ":" + port
                       + "\r\nAccept: text/html, */*\r\nConnection: close\r\n" + request.headers;
    if (std::string_view(request.verb) != "GET")
        text += "Content-Length: " + std::to_string(request.body.size()) + "\r\n";
    text += "\r\n" + request.body;
    for (size_t sent = 0; sent < text.size();) {
        if (WaitFor(socket.s, true, deadline, pacer) != Wait::Ready) {
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

    // Each read goes to the reader, which keeps its place: nothing that arrived is parsed twice.
    HttpReplyReader reader;
    std::string buffer(64 * 1024, '\0');
    size_t received = 0;
    for (;;) {
        const Wait readable = WaitFor(socket.s, false, deadline, pacer);
        if (readable == Wait::TimedOut) {
            error = u"The reply did not arrive in time";
            return false;
        }
        const int n = readable == Wait::Ready ? recv(socket.s, buffer.data(), int(buffer.size()), 0) : -1;
        if (n < 0) {
            if (readable == Wait::Ready && WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            error = SocketError(u"The connection failed while reading the reply");
            return false;
        }
        received += size_t(n);
        if (received > request.maxReplyBytes) {
            error = u"The reply is too large";
            return false;
        }
        // A reply that says where it ends is complete there, whether or not the server closes.
        const HttpReplyReader::State state = n == 0 ? reader.Finish() : reader.Feed(std::string_view(buffer.data(), size_t(n)));
        if (state == HttpReplyReader::State::Complete) {
            reply = std::move(reader.Reply());
            return true;
        }
        if (state == HttpReplyReader::State::Malformed) {
            error = u"The server's reply is not HTTP";
            return false;
        }
        if (state == HttpReplyReader::State::Incomplete) {
            error = u"The reply is incomplete";
            return false;
        }
    }
}

} // namespace

bool HttpExchange(const HttpRequest& request, HttpReply& reply, core::String& error)
{
    return Exchange(request, GetTickCount64() + request.timeoutMs, reply, error);
}

bool HttpFetch(HttpRequest request, int maxRedirects, HttpReply& reply, core::String& error)
{
    // One deadline for the whole request: redirects spend the time-out, they do not renew it.
    const ULONGLONG deadline = GetTickCount64() + request.timeoutMs;
    for (int redirects = 0;; ++redirects) {
        if (!Exchange(request, deadline, reply, error))
            return false;
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

bool HttpGet(const HttpUrl& url, unsigned timeoutMs, HttpReply& reply, core::String& error)
{
    HttpRequest request;
    request.url = url;
    request.timeoutMs = timeoutMs;
    return HttpExchange(request, reply, error);
}

} // namespace ui
