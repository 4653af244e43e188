// The monitor client and its sender thread. The ring is one producer section (under FAddEventLock)
// and one consumer (the sender): the indexes hand slots over with release/acquire.
#include "data/access/monitorclient.h"

#include "core/exception.h"
#include "core/format.h"
#include "core/thread.h"
#include "support/fileversion.h"
#include "support/sysos.h"

#include <mutex>

namespace data {

namespace {

int NextSlot(int Index) { return Index == TDBMonitor::CacheSlots - 1 ? 0 : Index + 1; }

} // namespace

class TEventSendThread final : public core::Thread {
public:
    explicit TEventSendThread(TDBMonitor* DBMonitor) : core::Thread(true), FDBMonitor(DBMonitor) {}

protected:
    void Execute() override
    {
        while (!Terminated()) {
            FDBMonitor->FNewMesEvent.WaitFor(core::INFINITE);
            FDBMonitor->SendCached([this] { return Terminated(); });
        }
    }

    void TerminatedSet() override { FDBMonitor->FNewMesEvent.SetEvent(); }

private:
    TDBMonitor* FDBMonitor;
};

TDBMonitor::TDBMonitor(TSocketPort& Port, core::Clock& Clock)
    : FClock(Clock), FSocketPort(Port), FNewMesEvent(false, false)
{
}

TDBMonitor::~TDBMonitor()
{
    if (FSendThread) {
        FSendThread->Terminate();
        FSendThread.reset();
    }
    for (int i = FCacheHead.load(); i != FCacheTail.load(); i = NextSlot(i)) {
        if (FEventCache[i]->MessageType != mtStartup)
            delete FEventCache[i];
    }
}

// ---- settings -----------------------------------------------------------------------------------

String TDBMonitor::Caption()
{
    core::CriticalSection::Lock lock(FAddEventLock);
    return FCaption;
}

void TDBMonitor::SetCaption(String Value)
{
    core::CriticalSection::Lock lock(FAddEventLock);
    FCaption = std::move(Value);
}

std::string TDBMonitor::Host()
{
    core::CriticalSection::Lock lock(FAddEventLock);
    return FHost;
}

void TDBMonitor::SetHost(std::string Value)
{
    core::CriticalSection::Lock lock(FAddEventLock);
    FHost = std::move(Value);
}

int32_t TDBMonitor::Port()
{
    core::CriticalSection::Lock lock(FAddEventLock);
    return FPort;
}

void TDBMonitor::SetPort(int32_t Value)
{
    core::CriticalSection::Lock lock(FAddEventLock);
    FPort = Value;
}

uint32_t TDBMonitor::ReconnectTimeout()
{
    core::CriticalSection::Lock lock(FAddEventLock);
    return FReconnectTimeout;
}

void TDBMonitor::SetReconnectTimeout(uint32_t Value)
{
    core::CriticalSection::Lock lock(FAddEventLock);
    FReconnectTimeout = Value;
}

uint32_t TDBMonitor::SendTimeout()
{
    core::CriticalSection::Lock lock(FAddEventLock);
    return FSendTimeout;
}

void TDBMonitor::SetSendTimeout(uint32_t Value)
{
    core::CriticalSection::Lock lock(FAddEventLock);
    FSendTimeout = Value;
}

int TDBMonitor::CachedCount() const
{
    int head = FCacheHead.load(std::memory_order_acquire);
    int tail = FCacheTail.load(std::memory_order_acquire);
    return (tail - head + CacheSlots) % CacheSlots;
}

// ---- queuing ------------------------------------------------------------------------------------

TStartupMessage* TDBMonitor::GetStartupMessage()
{
    core::CriticalSection::Lock lock(FAddEventLock);
    if (!FStartupMessage) {
        auto message = std::make_unique<TStartupMessage>();
        message->ProcessId = int32_t(support::sysos::CurrentProcessId());
        message->EventType = 0;
        message->Description = core::Format(u"%s monitoring is started", {FCaption});
        message->ExeName = support::ModuleFileName(support::sysos::ProgramModule());
        FStartupMessage = std::move(message);
    }
    return FStartupMessage.get();
}

bool TDBMonitor::AddToCache(TMonitorMessage* Message)
{
    core::CriticalSection::Lock lock(FAddEventLock);
    int tail = FCacheTail.load(std::memory_order_relaxed);
    int next = NextSlot(tail);
    if (next == FCacheHead.load(std::memory_order_acquire))
        return false;  // full: the message is lost
    if (!FSendThread) {
        FSendThread.reset(new TEventSendThread(this));
        FSendThread->Start();
    }
    FEventCache[tail] = Message;
    FCacheTail.store(next, std::memory_order_release);
    FNewMesEvent.SetEvent();
    return true;
}

void TDBMonitor::Queue(std::unique_ptr<TMonitorMessage> Message)
{
    if (AddToCache(Message.get()))
        Message.release();
}

void TDBMonitor::Startup() { AddToCache(GetStartupMessage()); }

void TDBMonitor::Finish()
{
    auto message = std::make_unique<TEventMessage>();
    message->ProcessId = int32_t(support::sysos::CurrentProcessId());
    message->EventType = 1;
    message->Description = core::Format(u"%s monitoring is finished", {Caption()});
    Queue(std::move(message));
}

void TDBMonitor::SendEvent(TMonitorEvent& Event)
{
    SendEventStart(Event);
    SendEventEnd(Event);
}

void TDBMonitor::SendEventStart(TMonitorEvent& Event)
{
    Event.EventID = uint32_t(FLastEventID.fetch_add(1, std::memory_order_acq_rel) + 1);
    auto message = std::make_unique<TEventStartMessage>();
    message->ProcessId = int32_t(support::sysos::CurrentProcessId());
    message->EventType = Event.EventType;
    message->Description = Event.Description;
    message->StartTime = int32_t(FClock.Ticks());
    message->EventID = int32_t(Event.EventID);
    message->ObjectID = int32_t(Event.ObjectID);
    message->ObjectName = Event.ObjectName;
    message->ObjectType = Event.ObjectType;
    message->ObjectTypeName = Event.ObjectTypeName;
    message->ParentID = int32_t(Event.ParentID);
    message->ParentName = Event.ParentName;
    message->ParentType = Event.ParentType;
    message->ParentTypeName = Event.ParentTypeName;
    message->SQL = Event.SQL;
    message->Params = Event.Params;
    message->CallStack = Event.CallStack;
    Queue(std::move(message));
}

void TDBMonitor::SendEventEnd(TMonitorEvent& Event)
{
    auto message = std::make_unique<TEventEndMessage>();
    message->ProcessId = int32_t(support::sysos::CurrentProcessId());
    message->EventType = Event.EventType;
    message->Description = Event.Description;
    message->EndTime = int32_t(FClock.Ticks());
    message->EventID = Event.EventID != 0 ? int32_t(Event.EventID) : FLastEventID.load(std::memory_order_acquire);
    message->Failed = Event.Failed ? 1 : 0;
    message->ErrorText = Event.ErrorText;
    message->Params = Event.Params;
    message->RowsAffected = Event.RowsAffected;
    Queue(std::move(message));
}

// ---- sending ------------------------------------------------------------------------------------

bool TDBMonitor::IsMonitorActive()
{
    core::CriticalSection::Lock packer(FPackerLock);
    bool opened;
    return Connect(opened);
}

bool TDBMonitor::Connect(bool& Opened)
{
    Opened = false;
    if (FPacker && FPacker->CheckActive())
        return true;
    if (!FPacker)
        FPacker = std::make_unique<TSocketMessagePacker>(FSocketPort, FClock);
    {
        core::CriticalSection::Lock lock(FAddEventLock);
        FPacker->SetHost(FHost);
        FPacker->SetPort(FPort);
        FPacker->SetReconnectTimeout(FReconnectTimeout);
        FPacker->SetSendTimeout(FSendTimeout);
    }
    Opened = FPacker->Open();
    return Opened;
}

template<class StopFn>
void TDBMonitor::SendCached(const StopFn& Stop)
{
    int head = FCacheHead.load(std::memory_order_relaxed);
    while (head != FCacheTail.load(std::memory_order_acquire) && !Stop()) {
        TMonitorMessage* message = FEventCache[head];
        try {
            core::CriticalSection::Lock packer(FPackerLock);
            auto* event = dynamic_cast<TEventMessage*>(message);
            int32_t eventType = event ? event->EventType : 0;
            bool finish = message->MessageType == mtEvent && eventType == 1;
            // A finish message never opens a connection. Any other opens one when needed, and
            // whatever opened it (also a probe that found the old one gone) puts the startup
            // message first.
            bool opened = false;
            bool ready = finish ? FPacker && FPacker->CheckActive() : Connect(opened);
            if (ready) {
                if (opened && eventType != 0)
                    FPacker->WriteMessage(*GetStartupMessage());
                FPacker->WriteMessage(*message);
                if (finish)
                    FPacker->Close();
            }
        } catch (...) {
            // Only a failure other than the socket's gets here: the message is dropped, the loop goes on.
            core::HandleException();
        }
        if (message->MessageType != mtStartup)
            delete message;
        FEventCache[head] = nullptr;
        head = NextSlot(head);
        FCacheHead.store(head, std::memory_order_release);
    }
}

// ---- the process's client -----------------------------------------------------------------------

namespace {

std::mutex g_monitor_lock;
TDBMonitor* g_monitor = nullptr;  // guarded by g_monitor_lock

} // namespace

TDBMonitor& GetDBMonitor()
{
    std::lock_guard lock(g_monitor_lock);
    if (g_monitor == nullptr)
        g_monitor = new TDBMonitor();
    return *g_monitor;
}

void FreeDBMonitor()
{
    TDBMonitor* monitor;
    {
        std::lock_guard lock(g_monitor_lock);
        monitor = g_monitor;
        g_monitor = nullptr;
    }
    delete monitor;
}

} // namespace data
