// TPing: the echo component over TICMP, with the asynchronous name lookup on its hidden window.
#include "support/ping.h"

#include "core/codepage.h"
#include "core/format.h"

#include <cstring>

namespace support {


TPing::TPing(core::Component* owner) : THiddenWndControl(owner)
{
    try {
        AttachWindow();
        FIcmp = std::make_unique<TICMP>();
        WSADATA wsa;
        m_wsaStarted = WSAStartup(MAKEWORD(1, 1), &wsa) == 0;
    } catch (...) {
        FIcmp.reset();
        DisposeWindow();
        throw;
    }
    FIcmp->OnDisplay = [this](TICMP* icmp, const core::String& msg) {
        if (OnDisplay)
            OnDisplay(this, icmp, msg);
    };
    FIcmp->OnEchoRequest = [this](TICMP* icmp) {
        if (OnEchoRequest)
            OnEchoRequest(this, icmp);
    };
    FIcmp->OnEchoReply = [this](TICMP* icmp, int status) {
        if (OnEchoReply)
            OnEchoReply(this, icmp, status);
    };
}

TPing::~TPing()
{
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    FIcmp.reset();
    // Detached here, while this class's FreeMessages can still run.
    DisposeWindow();
    if (m_wsaStarted)
        WSACleanup();
}

void TPing::SetAddress(core::StringView value)
{
    if (FIcmp)
        FIcmp->SetAddress(value);
}
void TPing::SetSize(int value)
{
    if (FIcmp)
        FIcmp->SetSize(value);
}
void TPing::SetTimeout(int value)
{
    if (FIcmp)
        FIcmp->SetTimeOut(value);
}
void TPing::SetTTL(int value)
{
    if (FIcmp)
        FIcmp->SetTTL(value);
}
void TPing::SetFlags(int value)
{
    if (FIcmp)
        FIcmp->SetFlags(value);
}

int TPing::Ping() { return FIcmp ? FIcmp->Ping() : 0; }

void TPing::ReserveMessages()
{
    THiddenWndControl::ReserveMessages();
    FMsg_WM_ASYNCGETHOSTBYNAME = FWndHandler->AllocateMsgHandler(this);
}

void TPing::FreeMessages()
{
    if (FWndHandler)
        FWndHandler->UnregisterMessage(FMsg_WM_ASYNCGETHOSTBYNAME);
    THiddenWndControl::FreeMessages();
}

void TPing::CancelDnsLookup()
{
    if (!FDnsLookupHandle)
        return;
    if (WSACancelAsyncRequest(FDnsLookupHandle) != 0) {
        const int error = WSAGetLastError();
        FDnsLookupHandle = nullptr;
        throw core::Exception(core::Format(u"WSACancelAsyncRequest failed, error #%d", {error}));
    }
    FDnsLookupHandle = nullptr;
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, WSAEINTR);
}

void TPing::DnsLookup(core::StringView hostName)
{
    try {
        CancelDnsLookup();
    } catch (...) {
        // The failed cancellation is of no interest here.
    }
    FDnsResult.clear();
    const std::string ansi = core::ToAnsi(hostName);
    const unsigned long address = inet_addr(ansi.c_str());
    if (address != INADDR_NONE) {
        in_addr in{};
        in.s_addr = address;
        FDnsResult = core::FromAnsi(inet_ntoa(in));
        if (OnDnsLookupDone)
            OnDnsLookupDone(this, 0);
        return;
    }
    FDnsLookupHandle = WSAAsyncGetHostByName(Handle(), FMsg_WM_ASYNCGETHOSTBYNAME, ansi.c_str(), FDnsLookupBuffer,
                                             sizeof(FDnsLookupBuffer));
    if (!FDnsLookupHandle)
        throw core::Exception(core::Format(u"%s: can't start DNS lookup, error #%d",
                                           {core::String(hostName), WSAGetLastError()}));
}

void TPing::HandleDnsLookupMessage(TMessage& msg)
{
    if (!FDnsLookupHandle || reinterpret_cast<HANDLE>(msg.WParam) != FDnsLookupHandle)
        return;
    FDnsLookupHandle = nullptr;
    const uint16_t error = WSAGETASYNCERROR(msg.LParam);
    if (error == 0) {
        const auto* host = reinterpret_cast<const hostent*>(FDnsLookupBuffer);
        if (host->h_addr_list && host->h_addr_list[0]) {
            in_addr in{};
            std::memcpy(&in, host->h_addr_list[0], sizeof(in));
            FDnsResult = core::FromAnsi(inet_ntoa(in));
        }
    }
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, error);
}

void TPing::WindowProcedure(TMessage& msg)
{
    try {
        if (msg.Msg == FMsg_WM_ASYNCGETHOSTBYNAME && FMsg_WM_ASYNCGETHOSTBYNAME != 0)
            HandleDnsLookupMessage(msg);
        else
            THiddenWndControl::WindowProcedure(msg);
    } catch (const core::Exception& e) {
        HandleBackgroundError(e);
    }
}

void TPing::HandleBackgroundError(const std::exception& e) { THiddenWndControl::HandleBackgroundError(e); }

} // namespace support
