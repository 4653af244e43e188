// TICMP: one ICMP handle of icmp.dll, address resolution through the socket library, and one
// synchronous echo per Ping.
#include "support/icmpecho.h"

#include "core/codepage.h"
#include "support/icmperror.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace support {

namespace {
std::atomic<const TIcmpApi*> g_override{nullptr};
HMODULE g_startupIcmp = nullptr;
bool g_startupWinsock = false;
} // namespace

void SetIcmpApiOverride(const TIcmpApi* api) { g_override.store(api); }

void PingComponentInitialize()
{
    if (!g_startupIcmp)
        g_startupIcmp = LoadLibraryW(L"icmp.dll");
    // One start-up of the socket library for the process: the one of each echo object is then only
    // a count, not a fresh initialisation.
    if (!g_startupWinsock) {
        WSADATA wsa;
        g_startupWinsock = WSAStartup(MAKEWORD(1, 1), &wsa) == 0;
    }
}

void PingComponentFinalize()
{
    if (g_startupIcmp) {
        FreeLibrary(g_startupIcmp);
        g_startupIcmp = nullptr;
    }
    if (g_startupWinsock) {
        WSACleanup();
        g_startupWinsock = false;
    }
}

TICMP::TICMP()
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0)
        throw TICMPException(u"Error initialising Winsock");
    m_wsaStarted = true;
    try {
        if (const TIcmpApi* api = g_override.load()) {
            m_api = *api;
        } else {
            hICMPdll = LoadLibraryW(L"icmp.dll");
            if (!hICMPdll)
                throw TICMPException(u"Unable to register icmp.dll");
            m_api.IcmpCreateFile = reinterpret_cast<decltype(m_api.IcmpCreateFile)>(
                reinterpret_cast<void*>(GetProcAddress(hICMPdll, "IcmpCreateFile")));
            m_api.IcmpCloseHandle = reinterpret_cast<decltype(m_api.IcmpCloseHandle)>(
                reinterpret_cast<void*>(GetProcAddress(hICMPdll, "IcmpCloseHandle")));
            m_api.IcmpSendEcho = reinterpret_cast<decltype(m_api.IcmpSendEcho)>(
                reinterpret_cast<void*>(GetProcAddress(hICMPdll, "IcmpSendEcho")));
        }
        if (!m_api.IcmpCreateFile || !m_api.IcmpCloseHandle || !m_api.IcmpSendEcho)
            throw TICMPException(u"Error loading dll functions");
        hICMP = m_api.IcmpCreateFile();
        if (hICMP == INVALID_HANDLE_VALUE || hICMP == nullptr) {
            hICMP = INVALID_HANDLE_VALUE;
            throw TICMPException(u"Unable to get ping handle");
        }
    } catch (...) {
        Cleanup();
        throw;
    }
}

TICMP::~TICMP() { Cleanup(); }

void TICMP::Cleanup() noexcept
{
    if (hICMP != INVALID_HANDLE_VALUE && m_api.IcmpCloseHandle)
        m_api.IcmpCloseHandle(hICMP);
    hICMP = INVALID_HANDLE_VALUE;
    if (hICMPdll)
        FreeLibrary(hICMPdll);
    hICMPdll = nullptr;
    if (m_wsaStarted)
        WSACleanup();
    m_wsaStarted = false;
}

void TICMP::SetAddress(core::StringView value)
{
    if (FAddress == value)
        return;
    FAddress = core::String(value);
    FAddrResolved = false;
}

void TICMP::SetSize(int value) { FSize = value < 0 ? 0 : (value > 65500 ? 65500 : value); }

core::String TICMP::GetErrorString() const { return IcmpErrorString(FLastError); }

void TICMP::ResolveAddress()
{
    const std::string ansi = core::ToAnsi(FAddress);
    FIPAddress = inet_addr(ansi.c_str());
    if (FIPAddress == INADDR_NONE) {
        // Not a dotted address (255.255.255.255 counts as none): look the name up.
        hostent* host = ansi.empty() ? nullptr : gethostbyname(ansi.c_str());
        if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0]) {
            FLastError = host ? WSANO_DATA : WSAGetLastError();
            if (OnDisplay)
                OnDisplay(this, u"Unable to resolve " + FAddress);
            return;
        }
        std::memcpy(&FIPAddress, host->h_addr_list[0], sizeof(FIPAddress));
        FHostName = core::FromAnsi(host->h_name ? host->h_name : "");
    } else {
        FHostName = FAddress;
    }
    in_addr address{};
    address.s_addr = FIPAddress;
    FHostIP = core::FromAnsi(inet_ntoa(address));
    FAddrResolved = true;
}

int TICMP::Ping()
{
    FLastError = 0;
    if (!FAddrResolved) {
        FIPAddress = INADDR_NONE;
        ResolveAddress();
    }
    if (FIPAddress == INADDR_NONE) {
        FLastError = IP_BAD_DESTINATION;
        if (OnDisplay)
            OnDisplay(this, u"Invalid host address");
        return 0;
    }
    std::string data = IcmpEchoData(FSize);
    const DWORD replySize = IcmpReplyBufferSize(FSize);
    // 8-byte alignment for the reply record.
    std::vector<uint64_t> reply((replySize + 7) / 8, 0);

    if (OnEchoRequest)
        OnEchoRequest(this);

    IP_OPTION_INFORMATION options{};
    options.Ttl = UCHAR(FTTL & 0xFF);
    options.Tos = 0;
    options.Flags = UCHAR(FFlags & 0xFF);
    options.OptionsSize = 0;
    options.OptionsData = nullptr;

    SetLastError(0);
    DWORD replies = m_api.IcmpSendEcho(hICMP, FIPAddress, data.empty() ? nullptr : data.data(), WORD(FSize), &options,
                                       reply.data(), replySize, DWORD(FTimeOut));
    FLastError = int(GetLastError());
    std::memcpy(&FReply, reply.data(), sizeof(FReply));
    FReply.Data = nullptr;
    FReply.Options.OptionsData = nullptr;
    // An ICMP error reply (unreachable, TTL expired, ...) is no answer from the host.
    if (replies > 0 && FReply.Status != IP_SUCCESS) {
        FLastError = int(FReply.Status);
        replies = 0;
    }
    if (OnEchoReply)
        OnEchoReply(this, int(replies));
    return int(replies);
}

} // namespace support
