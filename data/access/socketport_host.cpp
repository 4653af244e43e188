// The monitor's sockets over POSIX.
#include "data/access/socketpacker.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace data {

namespace {

class TPosixSocketPort final : public TSocketPort {
public:
    int Startup(uint16_t& Version) override
    {
        Version = 0x0202;
        return 0;
    }

    Handle Create() override { return ::socket(AF_INET, SOCK_STREAM, 0); }

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
            errno = rc == EAI_SYSTEM ? errno : EHOSTUNREACH;
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
        to.sin_port = htons(Port);
        int rc;
        do
            rc = ::connect(int(Socket), reinterpret_cast<const sockaddr*>(&to), sizeof to);
        while (rc != 0 && errno == EINTR);
        return rc == 0;
    }

    bool SetSendTimeout(Handle Socket, uint32_t Milliseconds) override
    {
        timeval tv{};
        tv.tv_sec = Milliseconds / 1000;
        tv.tv_usec = suseconds_t(Milliseconds % 1000) * 1000;
        return ::setsockopt(int(Socket), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
    }

    int Send(Handle Socket, const char* Data, int Size) override
    {
        // A peer that went away must give an error, not end the process with SIGPIPE.
        ssize_t sent;
        do
            sent = ::send(int(Socket), Data, size_t(Size), MSG_NOSIGNAL);
        while (sent < 0 && errno == EINTR);
        return int(sent);
    }

    void Close(Handle Socket) override { ::close(int(Socket)); }

    int LastError() override { return errno; }
};

} // namespace

TSocketPort& TSocketPort::System()
{
    static TPosixSocketPort port;
    return port;
}

} // namespace data
