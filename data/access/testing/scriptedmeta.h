// The scripted provider's metadata and alerter. The metadata answers each kind with the rows the test
// gave for it, logging the query on the server; the alerter logs listening, stopping and sending on
// the server and delivers an event or an error when the test says.
#pragma once

#include "data/access/crloader.h"
#include "data/access/crmetadata.h"
#include "data/access/testing/scriptedcommand.h"

#include <map>
#include <vector>

namespace data::testing {

class TScriptedMetaData : public TCRMetaData {
public:
    // The rows of each kind (lower case), one value per column; missing kinds give no rows.
    std::map<String, std::vector<std::vector<core::Variant>>> Rows;

    std::unique_ptr<TCRRecordSet> CreateRecordSet() override { return NewRecordSet<TScriptedRecordSet>(); }
    TData* GetTables(const core::Strings& Restrictions) override;
    TData* GetColumns(const core::Strings& Restrictions) override;
    TData* GetProcedures(const core::Strings& Restrictions) override;
    TData* GetProcedureParameters(const core::Strings& Restrictions) override;
    TData* GetIndexes(const core::Strings& Restrictions) override;
    TData* GetIndexColumns(const core::Strings& Restrictions) override;
    TData* GetConstraints(const core::Strings& Restrictions) override;

private:
    // Logs "metadata <kind> <restrictions as comma text>" on the server, then makes the columns and
    // appends the kind's rows.
    TData* Answer(StringView Kind, void (TCRMetaData::*CreateFields)(), const core::Strings& Restrictions);
};

class TScriptedAlerter : public TCRAlerter {
public:
    // "listen <event names as comma text>", "unlisten" and "send <name> <message>" on the server.
    void Start() override;
    void Stop() override;
    void SendEvent(StringView EventName, StringView Message) override;

    // An event from the server: OnEvent is called when the alerter is active and listens for the
    // name (case ignored). False when it was not delivered.
    bool Deliver(StringView EventName, StringView Message);
    // An error while listening: OnError is called and the alerter stops.
    void DeliverError(const core::Exception& E);

private:
    TScriptedConnection& Connection() const;
};

} // namespace data::testing
