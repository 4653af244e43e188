// The process's client of the external monitor tool: callers queue events as messages in a fixed
// ring and return at once; a sender thread connects when it can and writes them in order, every new
// connection starting with the startup message. A full ring drops new messages; while the tool
// cannot be reached, queued messages are dropped.
#pragma once

#include "core/sync.h"
#include "core/tick.h"
#include "data/access/monitormessages.h"
#include "data/access/socketpacker.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace data {

struct TMonitorEvent {
    uint32_t EventID = 0;
    int32_t EventType = 0;
    uint32_t ObjectID = 0;
    String ObjectName;
    int32_t ObjectType = 0;
    String ObjectTypeName;
    uint32_t ParentID = 0;
    String ParentName;
    int32_t ParentType = 0;
    String ParentTypeName;
    String Description;
    String SQL;
    TMsgSQLParams Params;
    bool Failed = false;
    String ErrorText;
    int32_t RowsAffected = 0;
    std::vector<String> CallStack;
};

class TEventSendThread;

class TDBMonitor : public core::Object {
public:
    static constexpr int CacheSlots = 1001;

    explicit TDBMonitor(TSocketPort& Port = TSocketPort::System(), core::Clock& Clock = core::SystemClock::Instance());
    // Stops the sender (waiting at most for the write under way); queued messages are not sent.
    ~TDBMonitor() override;

    void Startup();
    void Finish();
    // Whether a connection to the tool exists or could be made now.
    bool IsMonitorActive();
    void SendEvent(TMonitorEvent& Event);
    void SendEventStart(TMonitorEvent& Event);
    void SendEventEnd(TMonitorEvent& Event);

    // Settings, copied to the packer before each connect attempt.
    String Caption();
    void SetCaption(String Value);
    std::string Host();
    void SetHost(std::string Value);
    int32_t Port();
    void SetPort(int32_t Value);
    uint32_t ReconnectTimeout();
    void SetReconnectTimeout(uint32_t Value);
    uint32_t SendTimeout();
    void SetSendTimeout(uint32_t Value);

    // Messages waiting in the ring (the one being written included).
    int CachedCount() const;

private:
    friend class TEventSendThread;

    TStartupMessage* GetStartupMessage();
    // Stores Message in the ring; false (nothing stored) when the ring is full. The ring owns every
    // message but the startup message.
    bool AddToCache(TMonitorMessage* Message);
    // Hands Message to the ring, or frees it when the ring is full.
    void Queue(std::unique_ptr<TMonitorMessage> Message);
    // Keeps or makes the connection; Opened tells whether this call made it. FPackerLock is held.
    bool Connect(bool& Opened);
    // The sender's loop over the ring; returns when the ring is empty or Stop says so.
    template<class StopFn>
    void SendCached(const StopFn& Stop);

    core::Clock& FClock;
    TSocketPort& FSocketPort;
    core::CriticalSection FPackerLock;
    std::unique_ptr<TSocketMessagePacker> FPacker;  // guarded by FPackerLock
    core::CriticalSection FAddEventLock;
    String FCaption;                                  // the settings are guarded by FAddEventLock
    std::string FHost;
    int32_t FPort = 0;
    uint32_t FReconnectTimeout = 5000;
    uint32_t FSendTimeout = 1000;
    std::atomic<int32_t> FLastEventID = 0;
    std::array<TMonitorMessage*, CacheSlots> FEventCache{};  // owned, except the startup message (type 2)
    std::atomic<int> FCacheHead = 0;                          // advanced by the sender only
    std::atomic<int> FCacheTail = 0;                          // advanced under FAddEventLock only
    std::unique_ptr<TStartupMessage> FStartupMessage;         // made under FAddEventLock
    core::Event FNewMesEvent;
    std::unique_ptr<TEventSendThread> FSendThread;            // made under FAddEventLock
};

// The process's client, made on the first call; FreeDBMonitor (the access units' end) frees it.
TDBMonitor& GetDBMonitor();
void FreeDBMonitor();

} // namespace data
