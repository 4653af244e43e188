// Connection pooling: the key, the pool contract and the manager with its validator thread.
#include "data/access/connectionpool.h"

#include "core/exception.h"
#include "core/format.h"
#include "core/thread.h"
#include "data/storage/memutils.h"

#include <algorithm>

namespace data {

// ---- key ----------------------------------------------------------------------------------------

TCRConnectionParameters::TCRConnectionParameters() : FHttpOptions(std::make_unique<THttpOptions>()) {}

String TCRConnectionParameters::UserInfoText() const
{
    return core::Format(u"Username=%s\rServer=%s\r", {Username, Server});
}

String TCRConnectionParameters::PoolInfoText() const
{
    return core::Format(u"MinPoolSize=%d\rMaxPoolSize=%d\rConnectionLifeTime=%d\rValidate=",
                        {MinPoolSize, MaxPoolSize, ConnectionLifeTime}) +
           (Validate ? u"True" : u"False") + u"\r";
}

bool TCRConnectionParameters::Equals(const TCRConnectionParameters* Other) const
{
    if (Other == nullptr)
        return false;
    // Every get goes through here: the cheap exact comparisons first, the locale's only when needed.
    auto sameNoCase = [](const String& a, const String& b) { return a == b || StrSameNoCase(a, b); };
    return MinPoolSize == Other->MinPoolSize && MaxPoolSize == Other->MaxPoolSize &&
           ConnectionLifeTime == Other->ConnectionLifeTime && Validate == Other->Validate &&
           IOHandler == Other->IOHandler && Password == Other->Password && sameNoCase(Username, Other->Username) &&
           sameNoCase(Server, Other->Server) && FHttpOptions->Equals(Other->FHttpOptions.get());
}

bool TCRConnectionParameters::SetProp(int Prop, const core::Variant&) { UnknownProp(Prop); }

String TCRConnectionParameters::AsString() const { return UserInfoText() + PoolInfoText(); }

void TCRConnectionParameters::AssignTo(core::Persistent& Dest) const
{
    auto* dest = dynamic_cast<TCRConnectionParameters*>(&Dest);
    if (dest == nullptr) {
        core::Persistent::AssignTo(Dest);
        return;
    }
    dest->MinPoolSize = MinPoolSize;
    dest->MaxPoolSize = MaxPoolSize;
    dest->Username = Username;
    dest->Password = Password;
    dest->Server = Server;
    dest->ConnectionLifeTime = ConnectionLifeTime;
    dest->Validate = Validate;
    dest->IOHandler = IOHandler;
    dest->OnError = OnError;
    dest->FHttpOptions->Assign(*FHttpOptions);
}

// ---- pool contract ------------------------------------------------------------------------------

TCRConnectionPool::TCRConnectionPool(TCRConnectionPoolManager* Manager, const TCRConnectionParameters& Parameters)
    : FManager(Manager), FConnectionParameters(std::make_unique<TCRConnectionParameters>())
{
    FConnectionParameters->Assign(Parameters);
}

void TCRConnectionPool::ReturnConnection(TCRConnection* Connection)
{
    CORE_ASSERT(Connection != nullptr && Connection->Pool() != nullptr, u"");
    TCRConnectionPool* pool = Connection->Pool();
    pool->StoreConnection(pool->FManager->PrepareToReturn(Connection));
}

// ---- validator ----------------------------------------------------------------------------------

class TValidateThread final : public core::Thread {
public:
    explicit TValidateThread(TCRConnectionPoolManager* Manager)
        : core::Thread(true), FManager(Manager), FEvent(true, false)
    {
    }

protected:
    void Execute() override
    {
        uint32_t elapsed = 0;
        const uint32_t period = FManager->FValidatePeriod;
        while (!Terminated()) {
            if (elapsed < period && FEvent.WaitFor(period - elapsed) != core::WaitResult::Timeout)
                return;
            uint32_t start = FManager->FClock.Ticks();
            FManager->ValidatePools(*this);
            elapsed = core::TickDiff(start, FManager->FClock.Ticks());
        }
    }

    void TerminatedSet() override { FEvent.SetEvent(); }

private:
    TCRConnectionPoolManager* FManager;
    core::Event FEvent;
};

// ---- manager ------------------------------------------------------------------------------------

TCRConnectionPoolManager::TCRConnectionPoolManager(core::Clock& Clock, uint32_t ValidatePeriod)
    : FClock(Clock), FValidatePeriod(ValidatePeriod)
{
    FValidateThread.reset(new TValidateThread(this));
    FValidateThread->Start();
}

TCRConnectionPoolManager::~TCRConnectionPoolManager()
{
    StopValidator();
    ClearPools();
}

void TCRConnectionPoolManager::StopValidator() noexcept
{
    if (FValidateThread) {
        // The thread sleeps on its event and looks at the flag before every pool: it ends promptly.
        FValidateThread->Terminate();
        FValidateThread.reset();
    }
}

TCRConnection* TCRConnectionPoolManager::InternalGetConnection(const TCRConnectionParameters& ConnectionParameters)
{
    core::CriticalSection::Lock get(FLockGet);
    return FindOrCreatePool(ConnectionParameters)->TakeConnection();
}

TCRConnection* TCRConnectionPoolManager::PrepareToReturn(TCRConnection* Connection) { return Connection; }

TCRConnection* TCRConnectionPoolManager::GetConnection(const TCRConnectionParameters&, TDASQLMonitorClass)
{
    core::AssertFailed(u"Must be overriden", __FILE__, __LINE__);
}

TCRConnectionPool* TCRConnectionPoolManager::FindOrCreatePool(const TCRConnectionParameters& ConnectionParameters)
{
    for (const auto& pool : FPools) {
        if (pool->ConnectionParameters().Equals(&ConnectionParameters))
            return pool.get();
    }
    std::unique_ptr<TCRConnectionPool> pool = CreateConnectionPool(ConnectionParameters);
    FPools.push_back(std::move(pool));
    return FPools.back().get();
}

void TCRConnectionPoolManager::ClearPools()
{
    std::vector<std::unique_ptr<TCRConnectionPool>> pools;
    {
        core::CriticalSection::Lock list(FLockList);
        core::CriticalSection::Lock get(FLockGet);
        pools.swap(FPools);
    }
    // Freed first to last, outside the locks: a pool may take its time closing connections.
    for (auto& pool : pools)
        pool.reset();
}

int TCRConnectionPoolManager::PoolCount()
{
    core::CriticalSection::Lock get(FLockGet);
    return int(FPools.size());
}

void TCRConnectionPoolManager::ValidatePools(const TValidateThread& Thread)
{
    // FLockList keeps every pool of the snapshot alive for the pass: only the validator and
    // ClearPools delete pools, and both hold it. Pools appended meanwhile wait for the next pass.
    core::CriticalSection::Lock list(FLockList);
    std::vector<TCRConnectionPool*> snapshot;
    {
        core::CriticalSection::Lock get(FLockGet);
        snapshot.reserve(FPools.size());
        for (const auto& pool : FPools)
            snapshot.push_back(pool.get());
    }
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (Thread.Terminated())
            return;
        TCRConnectionPool* pool = *it;
        // A failing pool must not stop the validator: every other pool would then stay forever.
        try {
            pool->ValidateConnections();
        } catch (...) {
            core::HandleException();
        }
        std::unique_ptr<TCRConnectionPool> deleted;
        try {
            core::CriticalSection::Lock get(FLockGet);
            if (pool->GetConnectionCount() == 0) {
                auto found = std::find_if(FPools.begin(), FPools.end(), [pool](const auto& p) { return p.get() == pool; });
                if (found != FPools.end()) {
                    deleted = std::move(*found);
                    FPools.erase(found);
                }
            }
        } catch (...) {
            core::HandleException();
        }
        // A deleted pool is freed here, after FLockGet is left.
    }
}

} // namespace data
