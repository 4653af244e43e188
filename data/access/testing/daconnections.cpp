// The connection components of the test providers.
#include "data/access/testing/daconnections.h"

#include "data/access/sqlmonitor.h"
#include "data/access/testing/scriptedcommand.h"
#include "data/access/testing/scriptedmeta.h"
#include "data/access/testing/sqlite.h"
#include "data/access/testing/sqlitecommand.h"
#include "data/access/testing/sqliteloader.h"
#include "data/access/testing/sqlitepool.h"

namespace data::testing {

TScriptedDAConnection::TScriptedDAConnection(std::shared_ptr<TScriptedServer> Server, core::Component* Owner)
    : TCustomDAConnection(Owner), m_server(std::move(Server))
{
}

TCRConnectionClass TScriptedDAConnection::GetIConnectionClass() const { return NewOf<TScriptedConnection, TCRConnection>; }
TCRCommandClass TScriptedDAConnection::GetICommandClass() const { return NewOf<TScriptedCommand, TCRCommand>; }
TCRRecordSetClass TScriptedDAConnection::GetIRecordSetClass() const { return NewOf<TScriptedRecordSet, TCRRecordSet>; }
TCRMetaDataClass TScriptedDAConnection::GetIMetaDataClass() const { return NewOf<TScriptedMetaData, TCRMetaData>; }

void TScriptedDAConnection::CreateIConnection()
{
    if (!FIConnection)
        SetIConnection(NewConnection<TScriptedConnection>(m_server).release());
}

TCRConnectionClass TSQLiteDAConnection::GetIConnectionClass() const { return NewOf<TSQLiteConnection, TCRConnection>; }
TCRCommandClass TSQLiteDAConnection::GetICommandClass() const { return NewOf<TSQLiteCommand, TCRCommand>; }
TCRRecordSetClass TSQLiteDAConnection::GetIRecordSetClass() const { return NewOf<TSQLiteRecordSet, TCRRecordSet>; }
TCRMetaDataClass TSQLiteDAConnection::GetIMetaDataClass() const { return NewOf<TSQLiteMetaData, TCRMetaData>; }

void TSQLiteDAConnection::CreateIConnection()
{
    if (!Pooling()) {
        if (!FIConnection)
            SetIConnection(NewConnection<TSQLiteConnection>().release());
        return;
    }
    TCRConnectionParameters key;
    key.MinPoolSize = PoolingOptions().MinPoolSize();
    key.MaxPoolSize = PoolingOptions().MaxPoolSize();
    key.ConnectionLifeTime = PoolingOptions().ConnectionLifetime();
    key.Validate = PoolingOptions().Validate();
    key.Username = FUsername;
    key.Server = FServer;
    key.Password = FPassword;
    key.IOHandler = FIOHandler;
    SetIConnection(TSQLiteConnectionPoolManager::GetConnection(key, &SQLMonitorClass()));
}

} // namespace data::testing
