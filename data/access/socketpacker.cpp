// The monitor's TCP writer. Byte format of the stream it writes:
//   Integer  4 bytes, two's complement, most significant first
//   Text     Integer N, then N bytes of UTF-8 (no terminator); an empty text is the Integer 0 alone
//   Byte     1 byte
//   Message  Integer type, then the message's fields; the Integer 6 alone between messages is a probe
#include "data/access/socketpacker.h"

#include "core/format.h"

namespace data {

TSocketMessagePacker::TSocketMessagePacker(TSocketPort& Port, core::Clock& Clock) : FSocketPort(Port), FClock(Clock) {}

TSocketMessagePacker::~TSocketMessagePacker() { Close(); }

void TSocketMessagePacker::RaiseSocketError()
{
    throw ESocketError(core::Format(u"Socket error %d", {FSocketPort.LastError()}));
}

bool TSocketMessagePacker::Open()
{
    if (FLastConnectFailed && core::TickDiff(FLastConnectTime, FClock.Ticks()) < FReconnectTimeout)
        return false;
    if (FHost.empty())
        FHost = "localhost";
    if (FPort == 0)
        FPort = 1000;
    try {
        Close();
        if (FWsaVersion == 0) {
            int result = FSocketPort.Startup(FWsaVersion);
            if (result != 0) {
                FWsaVersion = 0;
                throw ESocketError(core::Format(u"WSAStartup failed. Error code %d", {result}));
            }
        }
        FSocket = FSocketPort.Create();
        if (FSocket == TSocketPort::NoSocket)
            RaiseSocketError();
        uint32_t address = 0;
        if (!FSocketPort.Resolve(FHost, address))
            RaiseSocketError();
        if (!FSocketPort.Connect(FSocket, address, uint16_t(FPort)))
            RaiseSocketError();
        if (!FSocketPort.SetSendTimeout(FSocket, FSendTimeout))
            RaiseSocketError();
        FLastConnectFailed = false;
        return true;
    } catch (const ESocketError&) {
        Close();
        FLastConnectFailed = true;
        FLastConnectTime = FClock.Ticks();
        return false;
    }
}

void TSocketMessagePacker::Close()
{
    if (FSocket != TSocketPort::NoSocket) {
        FSocketPort.Close(FSocket);
        FSocket = TSocketPort::NoSocket;
    }
}

bool TSocketMessagePacker::CheckActive()
{
    if (!IsActive())
        return false;
    try {
        WriteInteger(mtProbe);
    } catch (const ESocketError&) {
        Close();
    }
    return IsActive();
}

void TSocketMessagePacker::WriteMessage(const TMonitorMessage& Msg)
{
    try {
        WriteInteger(Msg.MessageType);
        Msg.Write(*this);
    } catch (const ESocketError&) {
        // The message is cut off on the wire: the connection cannot be used any more.
        Close();
    }
}

void TSocketMessagePacker::Send(const char* Data, int Size)
{
    if (FSocket == TSocketPort::NoSocket)
        throw ESocketError(core::Format(u"Socket error %d", {0}));
    if (FSocketPort.Send(FSocket, Data, Size) != Size)
        RaiseSocketError();
}

void TSocketMessagePacker::WriteByte(uint8_t Value)
{
    char byte = char(Value);
    Send(&byte, 1);
}

void TSocketMessagePacker::WriteInteger(int32_t Value)
{
    uint32_t bits = uint32_t(Value);
    const char bytes[4] = {char(bits >> 24), char(bits >> 16), char(bits >> 8), char(bits)};
    Send(bytes, 4);
}

void TSocketMessagePacker::WriteString(const String& Value)
{
    std::string utf8 = core::ToUtf8(Value);
    WriteInteger(int32_t(utf8.size()));
    if (!utf8.empty())
        Send(utf8.data(), int(utf8.size()));
}

} // namespace data
