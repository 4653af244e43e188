// HTTP GET over a Windows socket.
#include "core/win32.h"
#include "ui/httpget.h"

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

bool ConnectWithTimeout(SOCKET s, const addrinfo* address, unsigned timeoutMs)
{
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, address->ai_addr, int(address->ai_addrlen)) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)
        return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv{long(timeoutMs / 1000), long(timeoutMs % 1000) * 1000};
    if (select(0, nullptr, &writable, &failed, &tv) <= 0 || FD_ISSET(s, &failed))
        return false;
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    return true;
}

} // namespace

bool HttpGet(const HttpUrl& url, unsigned timeoutMs, std::string& reply, core::String& error)
{
    WinsockSession session;
    if (!session.ok) {
        error = u"The socket library is not available";
        return false;
    }
    AddressList addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    std::string port = std::to_string(url.port);
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
    if (!ConnectWithTimeout(socket.s, addresses.list, timeoutMs)) {
        error = SocketError(u"Cannot connect");
        return false;
    }
    DWORD timeout = timeoutMs;
    setsockopt(socket.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(socket.s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string request = "GET " + url.path + " HTTP/1.0\r\nHost: " + url.host + ":" + port +
                          "\r\nAccept: text/html, */*\r\nConnection: close\r\n\r\n";
    for (size_t sent = 0; sent < request.size();) {
        int n = send(socket.s, request.data() + sent, int(request.size() - sent), 0);
        if (n <= 0) {
            error = SocketError(u"Cannot send the request");
            return false;
        }
        sent += size_t(n);
    }
    reply.clear();
    char buffer[16384];
    for (;;) {
        int n = recv(socket.s, buffer, sizeof buffer, 0);
        if (n == 0)
            break;
        if (n < 0) {
            error = SocketError(u"The reply did not arrive in time");
            return false;
        }
        if (reply.size() + size_t(n) > MaxReplyBytes) {
            error = u"The reply is too large";
            return false;
        }
        reply.append(buffer, size_t(n));
    }
    return true;
}

} // namespace ui
