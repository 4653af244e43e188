// The SQLite test provider's pool manager: reference pools of SQLite connections opened on the key's
// server (the database file). The provider's GetConnection works on one manager of the process,
// made on first use and freed by FreeManager.
#pragma once

#include "data/access/testing/refpool.h"
#include "data/access/testing/sqlite.h"

namespace data::testing {

class TSQLiteConnectionPoolManager : public TCRConnectionPoolManager {
public:
    using TCRConnectionPoolManager::TCRConnectionPoolManager;
    ~TSQLiteConnectionPoolManager() override;

    std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& ConnectionParameters) override;

    // A connection of the process's manager, which records SQLMonitorClass.
    static TCRConnection* GetConnection(const TCRConnectionParameters& ConnectionParameters,
                                        TDASQLMonitorClass SQLMonitorClass);
    // Frees the process's manager and its pools; connections must have been returned.
    static void FreeManager();
};

} // namespace data::testing
