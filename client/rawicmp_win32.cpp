// Echo over a raw ICMP socket. The request is an ICMP echo (type 8) with this process's identifier,
// sequence number 0 and PacketSize bytes of data; the reply is the first echo reply (type 0) with the
// same identifier and sequence that arrives within ReceiveTimeout. A raw IPv4 socket delivers the IP
// header in front of the ICMP message (its length is the low nibble of the first byte, in 32-bit
// words); a datagram ICMP socket, which some systems give instead, delivers the ICMP message alone.
#include "client/rawicmp.h"

#include "core/win32.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "core/codepage.h"
#include "core/exception.h"

#include <vector>

namespace client {

namespace {

constexpr uint8_t kEchoRequest = 8;
constexpr uint8_t kEchoReply = 0;

#pragma pack(push, 1)
struct IcmpHeader {
    uint8_t type;
    uint8_t code;
    uint16_t checksum;
    uint16_t id;
    uint16_t sequence;
};
#pragma pack(pop)
static_assert(sizeof(IcmpHeader) == 8);

uint16_t InternetChecksum(const uint8_t* data, size_t size)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2)
        sum += uint32_t(data[i]) | (uint32_t(data[i + 1]) << 8);
    if (size & 1)
        sum += data[size - 1];
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return uint16_t(~sum);
}

class Socket {
public:
    explicit Socket(SOCKET s) : m_socket(s) {}
    ~Socket()
    {
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return m_socket; }

private:
    SOCKET m_socket;
};

core::String ErrorText(const char16_t* what, int error)
{
    return core::String(what) + u" (error #" + core::IntToStr(error) + u")";
}

} // namespace

TRawIcmpClient::TRawIcmpClient()
{
    WSADATA data;
    m_wsaStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TRawIcmpClient::~TRawIcmpClient()
{
    if (m_wsaStarted)
        WSACleanup();
}

void TRawIcmpClient::Ping()
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const std::string host = core::ToAnsi(Host);
    if (Host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        throw core::Exception(u"Unable to resolve " + Host);
    sockaddr_in target = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);

    bool datagram = false;
    SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
        datagram = true;
    }
    if (s == INVALID_SOCKET)
        throw core::Exception(ErrorText(u"Unable to open a raw ICMP socket", WSAGetLastError()));
    Socket sock(s);

    const int dataSize = PacketSize < 0 ? 0 : (PacketSize > 65000 ? 65000 : PacketSize);
    std::vector<uint8_t> packet(sizeof(IcmpHeader) + size_t(dataSize));
    const uint16_t id = uint16_t(GetCurrentProcessId() & 0xFFFF);
    auto* header = reinterpret_cast<IcmpHeader*>(packet.data());
    header->type = kEchoRequest;
    header->code = 0;
    header->id = htons(id);
    header->sequence = 0;
    for (int i = 0; i < dataSize; ++i)
        packet[sizeof(IcmpHeader) + size_t(i)] = uint8_t('a' + i % 23);
    header->checksum = InternetChecksum(packet.data(), packet.size());

    const DWORD start = GetTickCount();
    if (sendto(s, reinterpret_cast<const char*>(packet.data()), int(packet.size()), 0,
               reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == SOCKET_ERROR)
        throw core::Exception(ErrorText(u"Unable to send the echo request", WSAGetLastError()));

    IcmpReplyStatus status;
    std::vector<uint8_t> buffer(packet.size() + 128);
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ReceiveTimeout) {
            status.timedOut = true;
            status.roundTripMs = elapsed;
            break;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        const DWORD left = ReceiveTimeout - elapsed;
        timeval wait{long(left / 1000), long((left % 1000) * 1000)};
        const int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready <= 0)
            continue;  // time-out (checked above) or an interrupted wait
        sockaddr_in from{};
        int fromSize = sizeof(from);
        const int got = recvfrom(s, reinterpret_cast<char*>(buffer.data()), int(buffer.size()), 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got <= 0)
            continue;
        size_t offset = 0;
        if (!datagram && (buffer[0] >> 4) == 4)
            offset = size_t(buffer[0] & 0x0F) * 4;
        if (size_t(got) < offset + sizeof(IcmpHeader))
            continue;
        const auto* reply = reinterpret_cast<const IcmpHeader*>(buffer.data() + offset);
        // A datagram socket rewrites the identifier to its own port: match on the type and sequence.
        if (reply->type != kEchoReply || reply->sequence != 0 || (!datagram && ntohs(reply->id) != id))
            continue;
        status.roundTripMs = GetTickCount() - start;
        break;
    }
    if (OnReply)
        OnReply(this, status);
}

} // namespace client
