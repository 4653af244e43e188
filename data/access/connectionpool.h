// Connection pooling: the key that says which provider connections are interchangeable, the pool
// contract a provider implements, and the manager that keeps one pool per key with a background
// validator that asks every pool to check its connections and frees the pools that became empty.
#pragma once

#include "core/object.h"
#include "core/persistent.h"
#include "core/sync.h"
#include "core/tick.h"
#include "core/variant.h"
#include "data/access/craccess.h"
#include "data/storage/iohandler.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace data {

class TCustomDASQLMonitorClass;
// The monitor class that pool events are reported to: its class object (sqlmonitor.h), or null.
using TDASQLMonitorClass = const TCustomDASQLMonitorClass*;

class TCRConnectionPoolManager;
class TValidateThread;

// ---- key ----------------------------------------------------------------------------------------

class TCRConnectionParameters : public core::Persistent {
public:
    // ---- virtual operations, in slot order ----
    // "Username=<user>\rServer=<server>\r".
    virtual String UserInfoText() const;
    // The four pool settings, one per line, each ended by a carriage return.
    virtual String PoolInfoText() const;
    TCRConnectionParameters();
    // Whether a connection made for Other may serve this key; false for none.
    virtual bool Equals(const TCRConnectionParameters* Other) const;
    // The base knows no property number: every call is an assertion failure.
    virtual bool SetProp(int Prop, const core::Variant& Value);
    // UserInfoText then PoolInfoText; the password is never part of it.
    virtual String AsString() const;

    THttpOptions& HttpOptions() const { return *FHttpOptions; }

    int32_t MinPoolSize = 0;
    int32_t MaxPoolSize = 100;
    String Username;
    String Server;
    String Password;
    int32_t ConnectionLifeTime = 0;
    bool Validate = false;
    TCRIOHandler* IOHandler = nullptr;  // not owned
    TErrorProc OnError;

protected:
    void AssignTo(core::Persistent& Dest) const override;

private:
    std::unique_ptr<THttpOptions> FHttpOptions;
};

// ---- pool contract ------------------------------------------------------------------------------

// A provider's pool. It owns every connection it made, idle or lent, and guards its own lists: the
// validator and the callers reach it on different threads at the same time.
class TCRConnectionPool : public core::Object {
public:
    // Keeps a copy of Parameters as its key.
    TCRConnectionPool(TCRConnectionPoolManager* Manager, const TCRConnectionParameters& Parameters);

    const TCRConnectionParameters& ConnectionParameters() const { return *FConnectionParameters; }
    TCRConnectionPoolManager* Manager() const { return FManager; }

    // Checks the idle connections; called by the validator.
    virtual void ValidateConnections() = 0;
    // Every connection the pool still holds, lent ones included: 0 lets the validator free the pool.
    virtual int GetConnectionCount() = 0;
    // A connection for a caller, who hands it back through TCRConnection::ReturnToPool.
    virtual TCRConnection* TakeConnection() = 0;
    // Takes a lent connection back.
    virtual void StoreConnection(TCRConnection* Connection) = 0;
    // After a fatal error on one of its connections: stop handing out connections that may share it.
    virtual void Invalidate() = 0;

    // Passes Connection through its manager's PrepareToReturn to its pool's StoreConnection.
    static void ReturnConnection(TCRConnection* Connection);

private:
    TCRConnectionPoolManager* FManager;
    std::unique_ptr<TCRConnectionParameters> FConnectionParameters;
};

// ---- manager ------------------------------------------------------------------------------------

// The pools of one provider, at most one per distinct key. A provider derives from it, supplies
// CreateConnectionPool and a static GetConnection of its own that works on a manager object of its
// own. Connections lent out must be returned before the manager goes: it frees the pools with it.
class TCRConnectionPoolManager : public core::Object {
public:
    static constexpr uint32_t DefaultValidatePeriod = 30000;

    // Starts the validator: a pass every ValidatePeriod milliseconds on Clock, less the length of the
    // last pass.
    explicit TCRConnectionPoolManager(core::Clock& Clock = core::SystemClock::Instance(),
                                      uint32_t ValidatePeriod = DefaultValidatePeriod);
    ~TCRConnectionPoolManager() override;

    // ---- virtual operations, in slot order ----
    virtual std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& ConnectionParameters) = 0;
    virtual TCRConnection* InternalGetConnection(const TCRConnectionParameters& ConnectionParameters);
    // The connection its pool takes back; the base returns its argument.
    virtual TCRConnection* PrepareToReturn(TCRConnection* Connection);
    // The entry point of the components; a provider's manager class hides it with its own.
    static TCRConnection* GetConnection(const TCRConnectionParameters& ConnectionParameters,
                                        TDASQLMonitorClass SQLMonitorClass);

    // The pool of the key, made and appended when there is none. The caller holds FLockGet.
    TCRConnectionPool* FindOrCreatePool(const TCRConnectionParameters& ConnectionParameters);
    // Frees every pool.
    void ClearPools();
    int PoolCount();

    TDASQLMonitorClass SQLMonitorClass() const { return FSQLMonitorClass.load(std::memory_order_acquire); }
    void SetSQLMonitorClass(TDASQLMonitorClass Value) { FSQLMonitorClass.store(Value, std::memory_order_release); }
    core::Clock& Clock() const { return FClock; }
    uint32_t ValidatePeriod() const { return FValidatePeriod; }

protected:
    // Ends the validator; a provider whose pools depend on its own members calls it first in its
    // destructor. Safe to call twice.
    void StopValidator() noexcept;

private:
    friend class TValidateThread;

    // One validator pass over a snapshot of the pools, last to first.
    void ValidatePools(const TValidateThread& Thread);

    core::Clock& FClock;
    const uint32_t FValidatePeriod;
    std::vector<std::unique_ptr<TCRConnectionPool>> FPools;
    std::unique_ptr<TValidateThread> FValidateThread;
    core::CriticalSection FLockGet;
    core::CriticalSection FLockList;
    std::atomic<TDASQLMonitorClass> FSQLMonitorClass = nullptr;
};

} // namespace data
