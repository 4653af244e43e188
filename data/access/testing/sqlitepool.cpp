// The SQLite test provider's pool manager.
#include "data/access/testing/sqlitepool.h"

#include <mutex>

namespace data::testing {

namespace {

std::mutex g_manager_lock;
TSQLiteConnectionPoolManager* g_manager = nullptr;  // guarded by g_manager_lock

std::unique_ptr<TCRConnection> MakeConnection(const TCRConnectionParameters& Key)
{
    auto connection = NewConnection<TSQLiteConnection>();
    connection->SetServer(Key.Server);
    connection->SetUsername(Key.Username);
    connection->SetPassword(Key.Password);
    connection->SetIOHandler(Key.IOHandler);
    connection->SetHttpOptions(Key.HttpOptions());
    connection->Connect(u"");
    return connection;
}

} // namespace

TSQLiteConnectionPoolManager::~TSQLiteConnectionPoolManager() { StopValidator(); }

std::unique_ptr<TCRConnectionPool> TSQLiteConnectionPoolManager::CreateConnectionPool(
    const TCRConnectionParameters& ConnectionParameters)
{
    return std::make_unique<TRefConnectionPool>(this, ConnectionParameters, MakeConnection, Clock());
}

TCRConnection* TSQLiteConnectionPoolManager::GetConnection(const TCRConnectionParameters& ConnectionParameters,
                                                           TDASQLMonitorClass SQLMonitorClass)
{
    TSQLiteConnectionPoolManager* manager;
    {
        std::lock_guard lock(g_manager_lock);
        if (g_manager == nullptr)
            g_manager = new TSQLiteConnectionPoolManager();
        manager = g_manager;
    }
    manager->SetSQLMonitorClass(SQLMonitorClass);
    return manager->InternalGetConnection(ConnectionParameters);
}

void TSQLiteConnectionPoolManager::FreeManager()
{
    TSQLiteConnectionPoolManager* manager;
    {
        std::lock_guard lock(g_manager_lock);
        manager = g_manager;
        g_manager = nullptr;
    }
    delete manager;
}

} // namespace data::testing
