// The COM output of the SQL monitor: registration with an external COM monitor, which shows the
// statements it is handed and may change the trace flags through a callback. The monitor is another
// program's server; only its class and interface identities and its two operations are known here.
// Where it is not installed, creation fails and the monitor object stays unregistered.
#include "data/access/sqlmonitor.h"

#include "core/codepage.h"
#include "core/win32.h"
#include "data/storage/recordstore.h"

#include <objbase.h>

namespace data {

namespace {

// {CB9879E2-4395-11D0-9FFC-00A0248E4B9A}
constexpr CLSID CLSID_SQLMonitor = {0xCB9879E2, 0x4395, 0x11D0, {0x9F, 0xFC, 0x00, 0xA0, 0x24, 0x8E, 0x4B, 0x9A}};
// {CB9879E1-4395-11D0-9FFC-00A0248E4B9A}
constexpr IID IID_ISQLMonitorClient = {0xCB9879E1, 0x4395, 0x11D0, {0x9F, 0xFC, 0x00, 0xA0, 0x24, 0x8E, 0x4B, 0x9A}};

using TTraceFlagsCallback = void(WINAPI*)(void* Obj, int32_t TraceFlags);

// The client interface of the COM monitor, in its vtable order.
struct ISQLMonitorClient : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RegisterClient(intptr_t ID, const char* Name, void* Obj,
                                                     TTraceFlagsCallback Callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddStatement(const char* Statement, int32_t Length) = 0;
};

void WINAPI TraceFlagsChanged(void* Obj, int32_t TraceFlags)
{
    if (Obj != nullptr)
        SetMonitorTraceFlags(*static_cast<TCustomDASQLMonitor*>(Obj), TDATraceFlags(TraceFlags));
}

// The client interface of the monitor object, or null; the caller releases it.
ISQLMonitorClient* ClientOf(void* Unknown)
{
    void* client = nullptr;
    if (Unknown == nullptr ||
        FAILED(static_cast<IUnknown*>(Unknown)->QueryInterface(IID_ISQLMonitorClient, &client)))
        return nullptr;
    return static_cast<ISQLMonitorClient*>(client);
}

} // namespace

void SetMonitorTraceFlags(TCustomDASQLMonitor& Monitor, TDATraceFlags Flags) { Monitor.SetTraceFlags(Flags); }

void TCustomDASQLMonitor::RegisterSQLMonitorClient()
{
    std::lock_guard lock(FLock);
    if (FRegistered || FClass->GetMonitor() != this)
        return;
    if (FAILED(CoInitialize(nullptr)))
        return;
    IUnknown* unknown = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SQLMonitor, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&unknown)))) {
        CoUninitialize();
        return;
    }
    FSMClient = unknown;
    String name = GetHostAppTitle();
    if (HasState(core::csDesigning))
        name += u": " + FClass->GetCaption();
    try {
        if (ISQLMonitorClient* client = ClientOf(FSMClient)) {
            const std::string ansi = core::ToAnsi(name);
            client->RegisterClient(reinterpret_cast<intptr_t>(this), ansi.c_str(), this, TraceFlagsChanged);
            client->Release();
        }
    } catch (...) {
        // The monitor is someone else's program: whatever it raises leaves us registered anyway.
    }
    FRegistered = true;
}

void TCustomDASQLMonitor::UnregisterSQLMonitorClient()
{
    std::lock_guard lock(FLock);
    if (FSMClient != nullptr) {
        static_cast<IUnknown*>(FSMClient)->Release();
        FSMClient = nullptr;
    }
    if (FRegistered) {
        FRegistered = false;
        CoUninitialize();
    }
}

void TCustomDASQLMonitor::SendToSQLMonitor(const String& Text)
{
    std::lock_guard lock(FLock);
    if (ISQLMonitorClient* client = ClientOf(FSMClient)) {
        const std::string ansi = core::ToAnsi(Text);
        client->AddStatement(ansi.c_str(), int32_t(ansi.size()));
        client->Release();
    }
}

} // namespace data
