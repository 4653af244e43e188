// A connection pool for the test providers: idle and lent lists under the pool's own lock, at most
// MaxPoolSize connections, idle ones checked by the validator (CheckIsValid when Validate is set,
// older than ConnectionLifeTime milliseconds dropped while more than MinPoolSize remain), and a
// generation that Invalidate raises so that no connection made before it is handed out again.
#pragma once

#include "core/sync.h"
#include "core/tick.h"
#include "data/access/connectionpool.h"

#include <functional>
#include <memory>
#include <vector>

namespace data::testing {

class TRefConnectionPool : public TCRConnectionPool {
public:
    // Makes a connected connection for the key.
    using Factory = std::function<std::unique_ptr<TCRConnection>(const TCRConnectionParameters&)>;

    TRefConnectionPool(TCRConnectionPoolManager* Manager, const TCRConnectionParameters& Parameters,
                       Factory MakeConnection, core::Clock& Clock);
    ~TRefConnectionPool() override;

    void ValidateConnections() override;
    int GetConnectionCount() override;
    // Raises when MaxPoolSize connections are lent already.
    TCRConnection* TakeConnection() override;
    // Keeps a valid connection of the current generation idle; frees any other.
    void StoreConnection(TCRConnection* Connection) override;
    void Invalidate() override;

    int IdleCount();
    int LentCount();
    int32_t Version();

private:
    struct Entry {
        std::unique_ptr<TCRConnection> connection;
        uint32_t made = 0;  // tick of creation, for ConnectionLifeTime
    };

    bool Expired(const Entry& Entry) const;

    Factory FMakeConnection;
    core::Clock& FClock;
    core::CriticalSection FLock;
    std::vector<Entry> FIdle;  // guarded by FLock; the last is lent first
    std::vector<Entry> FLent;  // guarded by FLock
    int FCreating = 0;         // guarded by FLock: connections being made outside the lock
    int32_t FVersion = 0;      // guarded by FLock
};

} // namespace data::testing
