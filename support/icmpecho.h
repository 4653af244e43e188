// ICMP echo over the system's icmp.dll: TICMP owns one ICMP handle and sends one synchronous echo per
// Ping. The three entry points go through a table (TIcmpApi) that tests can replace with scripted
// replies. Windows only.
#pragma once
#include "core/win32.h"

#include <iphlpapi.h>
#include <icmpapi.h>
#include <ipexport.h>

#include "core/exception.h"
#include "core/string.h"

#include <cstddef>
#include <functional>

namespace support {

// The x64 layouts of the records passed to the system.
static_assert(sizeof(IP_OPTION_INFORMATION) == 16);
static_assert(sizeof(ICMP_ECHO_REPLY) == 40);
static_assert(offsetof(ICMP_ECHO_REPLY, RoundTripTime) == 8);
static_assert(offsetof(ICMP_ECHO_REPLY, Data) == 16);
static_assert(offsetof(ICMP_ECHO_REPLY, Options) == 24);

using TIcmpEchoReply = ICMP_ECHO_REPLY;

class TICMPException : public core::Exception {
public:
    using Exception::Exception;
};

// The entry points of icmp.dll.
struct TIcmpApi {
    HANDLE(WINAPI* IcmpCreateFile)();
    BOOL(WINAPI* IcmpCloseHandle)(HANDLE icmpHandle);
    DWORD(WINAPI* IcmpSendEcho)(HANDLE icmpHandle, IPAddr destinationAddress, LPVOID requestData, WORD requestSize,
                                PIP_OPTION_INFORMATION requestOptions, LPVOID replyBuffer, DWORD replySize,
                                DWORD timeout);
};

// Every TICMP made while an override is installed uses it instead of icmp.dll (null: icmp.dll
// again). The table must outlive the objects made with it.
void SetIcmpApiOverride(const TIcmpApi* api);

// The reply buffer of an echo of dataSize bytes: the reply record, the data and 8 bytes for an ICMP
// error's header.
constexpr DWORD IcmpReplyBufferSize(int dataSize) { return DWORD(sizeof(ICMP_ECHO_REPLY)) + DWORD(dataSize) + 8; }

class TICMP {
public:
    // Raises TICMPException: "Error initialising Winsock", "Unable to register icmp.dll",
    // "Error loading dll functions", "Unable to get ping handle".
    TICMP();
    ~TICMP();
    TICMP(const TICMP&) = delete;
    TICMP& operator=(const TICMP&) = delete;

    // One echo; the number of successful replies (0 for none, for a time-out or an ICMP error reply).
    int Ping();
    core::String GetErrorString() const;

    const core::String& Address() const { return FAddress; }
    void SetAddress(core::StringView value);
    const core::String& HostName() const { return FHostName; }
    const core::String& HostIP() const { return FHostIP; }
    uint32_t IPAddress() const { return FIPAddress; }
    int Size() const { return FSize; }
    // 0 to 65500 bytes; other values are clipped.
    void SetSize(int value);
    int TimeOut() const { return FTimeOut; }
    void SetTimeOut(int value) { FTimeOut = value; }
    int TTL() const { return FTTL; }
    void SetTTL(int value) { FTTL = value; }
    int Flags() const { return FFlags; }
    void SetFlags(int value) { FFlags = value; }
    // The record of the last reply (its pointers cleared: the buffer is gone).
    const TIcmpEchoReply& Reply() const { return FReply; }
    int LastError() const { return FLastError; }
    HMODULE ICMPDLLHandle() const { return hICMPdll; }

    std::function<void(TICMP* sender, const core::String& msg)> OnDisplay;
    std::function<void(TICMP* sender)> OnEchoRequest;
    std::function<void(TICMP* sender, int replies)> OnEchoReply;

private:
    void Cleanup() noexcept;
    void ResolveAddress();

    HMODULE hICMPdll = nullptr;
    TIcmpApi m_api{};
    HANDLE hICMP = INVALID_HANDLE_VALUE;
    bool m_wsaStarted = false;
    TIcmpEchoReply FReply{};
    core::String FAddress;
    core::String FHostName;
    core::String FHostIP;
    uint32_t FIPAddress = 0;
    int FSize = 56;
    int FTimeOut = 4000;
    int FTTL = 64;
    int FFlags = 0;
    int FLastError = 0;
    bool FAddrResolved = false;
};

// Loads icmp.dll and starts the socket library once for the life of the process (program start-up)
// and releases both at the end. A missing library is ignored.
void PingComponentInitialize();
void PingComponentFinalize();

} // namespace support
