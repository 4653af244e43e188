// The test providers' connection pool.
#include "data/access/testing/refpool.h"

#include "core/exception.h"

#include <algorithm>

namespace data::testing {

TRefConnectionPool::TRefConnectionPool(TCRConnectionPoolManager* Manager, const TCRConnectionParameters& Parameters,
                                       Factory MakeConnection, core::Clock& Clock)
    : TCRConnectionPool(Manager, Parameters), FMakeConnection(std::move(MakeConnection)), FClock(Clock)
{
}

TRefConnectionPool::~TRefConnectionPool() = default;

bool TRefConnectionPool::Expired(const Entry& Entry) const
{
    int32_t lifeTime = ConnectionParameters().ConnectionLifeTime;
    return lifeTime > 0 && core::TickDiff(Entry.made, FClock.Ticks()) >= uint32_t(lifeTime);
}

void TRefConnectionPool::ValidateConnections()
{
    const TCRConnectionParameters& key = ConnectionParameters();
    std::vector<Entry> checking;
    int32_t version;
    {
        core::CriticalSection::Lock lock(FLock);
        checking.swap(FIdle);
        version = FVersion;
    }
    // Checked outside the lock: a check may talk to the server, and takers must not wait for it.
    // Meanwhile a taker finds no idle connection and makes one.
    std::vector<Entry> keep;
    for (auto& entry : checking) {
        if (!key.Validate)
            keep.push_back(std::move(entry));
        else if (entry.connection->CheckIsValid())
            keep.push_back(std::move(entry));
    }
    std::vector<Entry> dropped;
    {
        core::CriticalSection::Lock lock(FLock);
        if (version != FVersion) {
            dropped = std::move(keep);
        } else {
            for (auto& entry : keep) {
                int total = int(FIdle.size() + FLent.size()) + FCreating;
                if ((Expired(entry) && total >= key.MinPoolSize) || total >= key.MaxPoolSize)
                    dropped.push_back(std::move(entry));
                else
                    FIdle.push_back(std::move(entry));
            }
        }
    }
    // Connections close here, outside the lock.
}

int TRefConnectionPool::GetConnectionCount()
{
    core::CriticalSection::Lock lock(FLock);
    return int(FIdle.size() + FLent.size()) + FCreating;
}

TCRConnection* TRefConnectionPool::TakeConnection()
{
    int32_t version;
    {
        core::CriticalSection::Lock lock(FLock);
        if (!FIdle.empty()) {
            FLent.push_back(std::move(FIdle.back()));
            FIdle.pop_back();
            return FLent.back().connection.get();
        }
        if (int(FLent.size()) + FCreating >= ConnectionParameters().MaxPoolSize)
            throw core::Exception(u"Maximum number of pooled connections is reached");
        ++FCreating;
        version = FVersion;
    }
    Entry entry;
    try {
        entry.connection = FMakeConnection(ConnectionParameters());
        entry.made = FClock.Ticks();
    } catch (...) {
        core::CriticalSection::Lock lock(FLock);
        --FCreating;
        throw;
    }
    TCRConnection* connection = entry.connection.get();
    connection->SetPool(this);
    connection->SetPoolVersion(version);
    connection->OnError = ConnectionParameters().OnError;
    core::CriticalSection::Lock lock(FLock);
    --FCreating;
    FLent.push_back(std::move(entry));
    return connection;
}

void TRefConnectionPool::StoreConnection(TCRConnection* Connection)
{
    Entry entry;
    {
        core::CriticalSection::Lock lock(FLock);
        auto found = std::find_if(FLent.begin(), FLent.end(),
                                  [Connection](const Entry& e) { return e.connection.get() == Connection; });
        CORE_ASSERT(found != FLent.end(), u"The connection was not lent by this pool");
        entry = std::move(*found);
        FLent.erase(found);
        if (Connection->IsValid() && Connection->PoolVersion() == FVersion && !Expired(entry)) {
            Connection->OnError = ConnectionParameters().OnError;
            FIdle.push_back(std::move(entry));
            return;
        }
    }
    // A connection that failed, belongs to an older generation or has lived its time closes here.
}

void TRefConnectionPool::Invalidate()
{
    std::vector<Entry> dropped;
    {
        core::CriticalSection::Lock lock(FLock);
        ++FVersion;
        dropped.swap(FIdle);
    }
    // Lent connections are dropped when they come back; the idle ones close here, outside the lock.
}

int TRefConnectionPool::IdleCount()
{
    core::CriticalSection::Lock lock(FLock);
    return int(FIdle.size());
}

int TRefConnectionPool::LentCount()
{
    core::CriticalSection::Lock lock(FLock);
    return int(FLent.size());
}

int32_t TRefConnectionPool::Version()
{
    core::CriticalSection::Lock lock(FLock);
    return FVersion;
}

} // namespace data::testing
