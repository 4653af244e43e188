// The monitor's sockets over Windows sockets 2.2.
#include "core/win32.h"
#include "data/access/socketpacker.h"

namespace data {

namespace {

class TWinSocketPort final : public TSocketPort {
public:
    int Startup(uint16_t& Version) override
    {
        WSADATA data{};
        int result = ::WSAStartup(MAKEWORD(2, 2), &data);
        Version = result == 0 ? data.wVersion : 0;
        return result;
    }

    Handle Create() override
    {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        return s == INVALID_SOCKET ? NoSocket : Handle(s);
    }

    bool Resolve(const std::string& Host, uint32_t& Address) override
    {
        in_addr parsed{};
        if (::inet_pton(AF_INET, Host.c_str(), &parsed) == 1) {
            Address = parsed.s_addr;
            return true;
        }
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        int rc = ::getaddrinfo(Host.c_str(), nullptr, &hints, &found);
        if (rc != 0 || found == nullptr) {
            ::WSASetLastError(rc != 0 ? rc : WSAHOST_NOT_FOUND);
            return false;
        }
        Address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        ::freeaddrinfo(found);
        return true;
    }

    bool Connect(Handle Socket, uint32_t Address, uint16_t Port) override
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = Address;
        to.sin_port = ::htons(Port);
        return ::connect(SOCKET(Socket), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    }

    bool SetSendTimeout(Handle Socket, uint32_t Milliseconds) override
    {
        DWORD value = Milliseconds;
        return ::setsockopt(SOCKET(Socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value),
                            sizeof value) == 0;
    }

    int Send(Handle Socket, const char* Data, int Size) override
    {
        int sent = ::send(SOCKET(Socket), Data, Size, 0);
        return sent == SOCKET_ERROR ? -1 : sent;
    }

    void Close(Handle Socket) override { ::closesocket(SOCKET(Socket)); }

    int LastError() override { return ::WSAGetLastError(); }
};

} // namespace

TSocketPort& TSocketPort::System()
{
    static TWinSocketPort port;
    return port;
}

} // namespace data
