// TPing: the ICMP echo component. It wraps one TICMP, passes its events on, and resolves host names
// asynchronously through its hidden window (the completion arrives while the creating thread pumps
// messages). Create, use and destroy it in one thread. Windows only.
#pragma once
#include "support/hiddenwnd.h"
#include "support/icmpecho.h"

#include <memory>

namespace support {

class TPing : public THiddenWndControl {
public:
    // Raises TICMPException when the echo library cannot be used.
    explicit TPing(core::Component* owner = nullptr);
    ~TPing() override;

    virtual int Ping();
    virtual void DnsLookup(core::StringView hostName);
    void CancelDnsLookup();

    // Properties (defaults without a TICMP).
    core::String Address() const { return FIcmp ? FIcmp->Address() : core::String(); }
    void SetAddress(core::StringView value);
    int Size() const { return FIcmp ? FIcmp->Size() : 0; }
    void SetSize(int value);
    int Timeout() const { return FIcmp ? FIcmp->TimeOut() : 0; }
    void SetTimeout(int value);
    int TTL() const { return FIcmp ? FIcmp->TTL() : 0; }
    void SetTTL(int value);
    int Flags() const { return FIcmp ? FIcmp->Flags() : 0; }
    void SetFlags(int value);
    TIcmpEchoReply Reply() const { return FIcmp ? FIcmp->Reply() : TIcmpEchoReply{}; }
    int ErrorCode() const { return FIcmp ? FIcmp->LastError() : -1; }
    core::String ErrorString() const { return FIcmp ? FIcmp->GetErrorString() : core::String(); }
    core::String HostName() const { return FIcmp ? FIcmp->HostName() : core::String(); }
    core::String HostIP() const { return FIcmp ? FIcmp->HostIP() : core::String(); }
    const core::String& DnsResult() const { return FDnsResult; }
    HMODULE ICMPDLLHandle() const { return FIcmp ? FIcmp->ICMPDLLHandle() : nullptr; }
    UINT DnsLookupMessage() const { return FMsg_WM_ASYNCGETHOSTBYNAME; }

    // Events.
    std::function<void(TPing* sender, TICMP* icmp, const core::String& msg)> OnDisplay;
    std::function<void(TPing* sender, TICMP* icmp)> OnEchoRequest;
    std::function<void(TPing* sender, TICMP* icmp, int status)> OnEchoReply;
    std::function<void(TPing* sender, uint16_t error)> OnDnsLookupDone;

protected:
    virtual void HandleDnsLookupMessage(TMessage& msg);
    void WindowProcedure(TMessage& msg) override;
    void HandleBackgroundError(const std::exception& e) override;
    int MessageCountNeeded() override { return THiddenWndControl::MessageCountNeeded() + 1; }
    void ReserveMessages() override;
    void FreeMessages() override;

private:
    std::unique_ptr<TICMP> FIcmp;
    static_assert(2050 >= MAXGETHOSTSTRUCT, "the host entry fits");
    char FDnsLookupBuffer[2050]{};  // the system's host entry of an asynchronous lookup
    HANDLE FDnsLookupHandle = nullptr;
    core::String FDnsResult;
    UINT FMsg_WM_ASYNCGETHOSTBYNAME = 0;
    bool m_wsaStarted = false;
};

} // namespace support
