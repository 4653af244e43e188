// The connection components of the test providers: the scripted one over a shared scripted server
// (with multiple transactions), the SQLite one over a database file (one transaction at a time,
// optionally pooled through the SQLite pool manager).
#pragma once

#include "data/access/daconnection.h"
#include "data/access/testing/scripted.h"

#include <memory>

namespace data::testing {

class TScriptedDAConnection : public TCustomDAConnection {
public:
    explicit TScriptedDAConnection(std::shared_ptr<TScriptedServer> Server = std::make_shared<TScriptedServer>(),
                                   core::Component* Owner = nullptr);

    TScriptedServer& Server() const { return *m_server; }

    TCRConnectionClass GetIConnectionClass() const override;
    TCRCommandClass GetICommandClass() const override;
    TCRRecordSetClass GetIRecordSetClass() const override;
    TCRMetaDataClass GetIMetaDataClass() const override;
    bool IsMultipleTransactionsSupported() const override { return true; }
    // A provider connection named "conn", logging to the component's server; kept between connects.
    void CreateIConnection() override;

private:
    std::shared_ptr<TScriptedServer> m_server;
};

class TSQLiteDAConnection : public TCustomDAConnection {
public:
    explicit TSQLiteDAConnection(core::Component* Owner = nullptr) : TCustomDAConnection(Owner) {}

    TCRConnectionClass GetIConnectionClass() const override;
    TCRCommandClass GetICommandClass() const override;
    TCRRecordSetClass GetIRecordSetClass() const override;
    TCRMetaDataClass GetIMetaDataClass() const override;
    bool IsMultipleTransactionsSupported() const override { return false; }
    // With Pooling, a connection of the pool keyed by the pooling options, Username, Server and
    // Password; otherwise one of its own, kept between connects.
    void CreateIConnection() override;
};

} // namespace data::testing
