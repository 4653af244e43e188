// The scripted provider's metadata and alerter.
#include "data/access/testing/scriptedmeta.h"

namespace data::testing {

namespace {

TScriptedConnection& ScriptedConnection(TCRConnection* Connection)
{
    auto* connection = dynamic_cast<TScriptedConnection*>(Connection);
    if (!connection || !connection->GetConnected())
        throw core::Exception(u"Not connected");
    return *connection;
}

} // namespace

// ---- metadata -----------------------------------------------------------------------------------

TData* TScriptedMetaData::Answer(StringView Kind, void (TCRMetaData::*CreateFields)(),
                                 const core::Strings& Restrictions)
{
    TScriptedConnection& connection = ScriptedConnection(RecordSet().GetCommand()->GetConnection());
    connection.Execute(u"metadata " + String(Kind) + u" " + Restrictions.CommaText());
    (this->*CreateFields)();
    OpenResult();
    auto rows = Rows.find(String(Kind));
    if (rows != Rows.end()) {
        for (const auto& row : rows->second) {
            MemDataHelper().InitRecord();
            for (size_t i = 0; i < row.size(); ++i)
                MemDataHelper().SetFieldValue(int(i) + 1, row[i]);
            MemDataHelper().AppendRecord();
        }
    }
    FMemData->SetToBegin();
    return FMemData.get();
}

TData* TScriptedMetaData::GetTables(const core::Strings& Restrictions)
{
    return Answer(u"tables", &TCRMetaData::CreateTablesFields, Restrictions);
}

TData* TScriptedMetaData::GetColumns(const core::Strings& Restrictions)
{
    return Answer(u"columns", &TCRMetaData::CreateColumnsFields, Restrictions);
}

TData* TScriptedMetaData::GetProcedures(const core::Strings& Restrictions)
{
    return Answer(u"procedures", &TCRMetaData::CreateProceduresFields, Restrictions);
}

TData* TScriptedMetaData::GetProcedureParameters(const core::Strings& Restrictions)
{
    return Answer(u"procedureparameters", &TCRMetaData::CreateProcedureParametersFields, Restrictions);
}

TData* TScriptedMetaData::GetIndexes(const core::Strings& Restrictions)
{
    return Answer(u"indexes", &TCRMetaData::CreateIndexesFields, Restrictions);
}

TData* TScriptedMetaData::GetIndexColumns(const core::Strings& Restrictions)
{
    return Answer(u"indexcolumns", &TCRMetaData::CreateIndexColumnsFields, Restrictions);
}

TData* TScriptedMetaData::GetConstraints(const core::Strings& Restrictions)
{
    return Answer(u"constraints", &TCRMetaData::CreateConstraintsFields, Restrictions);
}

// ---- alerter ------------------------------------------------------------------------------------

TScriptedConnection& TScriptedAlerter::Connection() const { return ScriptedConnection(FConnection); }

void TScriptedAlerter::Start()
{
    if (FActive)
        return;
    Connection().Execute(u"listen " + FEventNames.CommaText());
    FActive = true;
}

void TScriptedAlerter::Stop()
{
    if (!FActive)
        return;
    // Stopped also when the server call fails: nothing is delivered any more.
    FActive = false;
    Connection().Execute(u"unlisten");
}

void TScriptedAlerter::SendEvent(StringView EventName, StringView Message)
{
    Connection().Execute(u"send " + String(EventName) + u" " + String(Message));
}

bool TScriptedAlerter::Deliver(StringView EventName, StringView Message)
{
    if (!FActive || FEventNames.IndexOf(EventName) < 0)
        return false;
    if (OnEvent)
        OnEvent(String(EventName), String(Message));
    return true;
}

void TScriptedAlerter::DeliverError(const core::Exception& E)
{
    FActive = false;
    if (OnError)
        OnError(E);
}

} // namespace data::testing
