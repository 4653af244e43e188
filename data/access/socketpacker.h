// The TCP client that writes monitor messages: big-endian 32-bit integers, texts as a byte count
// followed by UTF-8, no framing. Socket failures stay inside: Open and CheckActive answer false and
// a failed write drops the connection. The operating system is reached through TSocketPort, which
// tests replace.
#pragma once

#include "core/exception.h"
#include "core/tick.h"
#include "data/access/monitormessages.h"

#include <cstdint>
#include <string>

namespace data {

// A failed socket call; silent, like every EAbort.
CORE_DECLARE_EXCEPTION(ESocketError, core::EAbort);

// The few socket calls the packer makes (socketport_win32.cpp / socketport_host.cpp).
class TSocketPort {
public:
    using Handle = intptr_t;
    static constexpr Handle NoSocket = -1;

    virtual ~TSocketPort() = default;
    // Starts the socket library (version 2.2 on Windows): 0 or the error; Version gets the started one.
    virtual int Startup(uint16_t& Version) = 0;
    // A stream socket of the Internet family, or NoSocket.
    virtual Handle Create() = 0;
    // A dotted IPv4 address, or else the first IPv4 address of a host-name lookup (network order).
    virtual bool Resolve(const std::string& Host, uint32_t& Address) = 0;
    virtual bool Connect(Handle Socket, uint32_t Address, uint16_t Port) = 0;
    virtual bool SetSendTimeout(Handle Socket, uint32_t Milliseconds) = 0;
    // The bytes sent, or -1.
    virtual int Send(Handle Socket, const char* Data, int Size) = 0;
    virtual void Close(Handle Socket) = 0;
    // The error of the last failed call on this thread.
    virtual int LastError() = 0;

    // The operating system's sockets.
    static TSocketPort& System();
};

class TSocketMessagePacker : public TMessagePacker {
public:
    explicit TSocketMessagePacker(TSocketPort& Port = TSocketPort::System(),
                                  core::Clock& Clock = core::SystemClock::Instance());
    ~TSocketMessagePacker() override;

    // Connects unless a connect failed less than ReconnectTimeout ago. False on a socket failure.
    bool Open();
    void Close();
    bool IsActive() const { return FSocket != TSocketPort::NoSocket; }
    // Writes a probe over an existing connection; false (and closed) when that fails.
    bool CheckActive();
    // The type, then the message's fields. A socket failure drops the connection.
    void WriteMessage(const TMonitorMessage& Msg);

    void WriteByte(uint8_t Value) override;
    void WriteInteger(int32_t Value) override;
    void WriteString(const String& Value) override;

    const std::string& Host() const { return FHost; }
    void SetHost(std::string Value) { FHost = std::move(Value); }
    int32_t Port() const { return FPort; }
    void SetPort(int32_t Value) { FPort = Value; }
    uint32_t ReconnectTimeout() const { return FReconnectTimeout; }
    void SetReconnectTimeout(uint32_t Value) { FReconnectTimeout = Value; }
    uint32_t SendTimeout() const { return FSendTimeout; }
    void SetSendTimeout(uint32_t Value) { FSendTimeout = Value; }

private:
    void Send(const char* Data, int Size);
    [[noreturn]] void RaiseSocketError();

    TSocketPort& FSocketPort;
    core::Clock& FClock;
    std::string FHost;
    int32_t FPort = 0;
    uint32_t FReconnectTimeout = 5000;
    uint32_t FSendTimeout = 1000;
    uint16_t FWsaVersion = 0;  // 0: the socket library is not started yet
    TSocketPort::Handle FSocket = TSocketPort::NoSocket;
    uint32_t FLastConnectTime = 0;
    bool FLastConnectFailed = false;
};

} // namespace data
