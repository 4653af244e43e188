// The provider layer's base behaviour: properties, the error loop that drives failover, member lists
// and the distributed transaction.
#include "data/access/craccess.h"

#include "core/tick.h"
#include "data/access/connectionpool.h"

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is assigned
// from a temporary of another kind.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <algorithm>

namespace data {

namespace {

[[noreturn]] void Abstract() { throw core::EAbstractError(u"Abstract Error"); }

[[noreturn]] void NotSupported() { throw core::Exception(u"Operation is not supported by the database"); }

[[noreturn]] void DtcNotSupported() { throw core::Exception(u"MS DTC transactions not supported"); }

// The coordinator's isolation levels; the others have none.
int32_t DtcIsolationLevel(TCRIsolationLevel Level)
{
    switch (Level) {
    case ilReadCommitted: return 0x1000;
    case ilReadUnCommitted: return 0x100;
    case ilRepeatableRead: return 0x10000;
    case ilIsolated: return 0x100000;
    default: throw core::Exception(u"Transaction isolation level is not supported with MTS");
    }
}

} // namespace

void UnknownProp(int Prop) { core::AssertFailed(core::IntToStr(Prop), __FILE__, __LINE__); }

void CheckDtcResult(TDtcResult Result)
{
    if (Result < 0)
        throw core::EOSError(u"Exception in safecall method", uint32_t(Result));
}

int TCRConnections::IndexOf(const TCRConnection* Connection) const
{
    auto found = std::find(m_items.begin(), m_items.end(), Connection);
    return found == m_items.end() ? -1 : int(found - m_items.begin());
}

// ---- connection ---------------------------------------------------------------------------------

TCRConnection::TCRConnection() : FHttpOptions(std::make_unique<THttpOptions>()) {}

TCRConnection::~TCRConnection() = default;

void TCRConnection::JoinDistributedTransaction(TMTSTransaction*) { DtcNotSupported(); }

void TCRConnection::LeaveDistributedTransaction(TMTSTransaction*) { DtcNotSupported(); }

void TCRConnection::ProcessError(const core::Exception& E, bool& Fail)
{
    int Attempt = 0;
    bool Reconnect = false;
    bool Reexecute = false;
    TConnLostCause ConnLostCause = clUnknown;
    // An error raised while errors are processed (by a handler, or by the reconnect) is left alone.
    while (!FInProcessError) {
        Reconnect = Attempt > 0;
        Reexecute = false;
        if (OnError) {
            FInProcessError = true;
            try {
                OnError(E, Fail, Reconnect, Reexecute, Attempt, ConnLostCause);
            } catch (...) {
                FInProcessError = false;
                throw;
            }
            FInProcessError = false;
        }
        if (Reconnect) {
            FReconnected = false;
            FInProcessError = true;
            if (Attempt == 0) {
                try {
                    Disconnect();
                } catch (...) {
                    // The server is gone already: nothing to close.
                }
            }
            try {
                Connect(u"");
                FReconnected = true;
                if (OnReconnectSuccess)
                    OnReconnectSuccess();
            } catch (...) {
                // A failed attempt is what FReconnected reports; the handler decides on the next.
            }
            FInProcessError = false;
            if (FReconnected && Reexecute)
                throw EFailOver(ConnLostCause);
            ++Attempt;
        }
        if (!Reconnect && Attempt > 0 && !FReconnected && OnReconnectError) {
            FInProcessError = true;
            // Connected for the handler's sake, so that it may act on the connection.
            FConnected = true;
            try {
                OnReconnectError();
            } catch (...) {
                // Notification only.
            }
            FConnected = false;
            FInProcessError = false;
        }
        if (!Reconnect || FReconnected)
            break;
    }
}

TCRTransactionClass TCRConnection::GetTransactionClass() const { Abstract(); }

void TCRConnection::Connect(StringView)
{
    FConnectionTime = core::GetTickCount();
    FIsValid = true;
}

void TCRConnection::Disconnect() { Abstract(); }

void TCRConnection::Assign(const TCRConnection& Source)
{
    FServer = Source.FServer;
    FUsername = Source.FUsername;
    FPassword = Source.FPassword;
    FEnableBCD = Source.FEnableBCD;
    FEnableFMTBCD = Source.FEnableFMTBCD;
    OnError = Source.OnError;
}

void TCRConnection::AssignConnect(TCRConnection*) { Abstract(); }

bool TCRConnection::CheckIsValid() { Abstract(); }

void TCRConnection::ReturnToPool()
{
    CORE_ASSERT(FPool != nullptr, u"");
    OnError = nullptr;
    FComponent = nullptr;
    TCRConnectionPool::ReturnConnection(this);
}

String TCRConnection::GetServerVersion() { Abstract(); }
String TCRConnection::GetServerVersionFull() { Abstract(); }
String TCRConnection::GetClientVersion() { Abstract(); }

bool TCRConnection::SetProp(int Prop, const core::Variant& Value)
{
    switch (Prop) {
    case PropAutoCommit: FAutoCommit = Value.AsBoolean(); break;
    case PropConvertEOL: FConvertEOL = Value.AsBoolean(); break;
    case PropDisconnectedMode: FDisconnectedMode = Value.AsBoolean(); break;
    case PropEnableBCD: FEnableBCD = Value.AsBoolean(); break;
    case PropEnableFMTBCD: FEnableFMTBCD = Value.AsBoolean(); break;
    case PropDefaultSortType: FDefaultSortType = TSortType(Value.AsInteger()); break;
    case PropReserved38:
    case PropReserved39: break;
    default: UnknownProp(Prop);
    }
    return true;
}

bool TCRConnection::GetProp(int Prop, core::Variant& Value)
{
    switch (Prop) {
    case PropUsername: Value = FUsername; break;
    case PropParamSizeDefault:
    case PropLastInsertId: Value = int32_t(0); break;
    default: UnknownProp(Prop);
    }
    return true;
}

void TCRConnection::SetConnected(bool Value)
{
    if (Value)
        Connect(u"");
    else
        Disconnect();
}

void TCRConnection::CreateInternalTransaction()
{
    if (FInternalTransaction)
        return;
    FInternalTransaction = GetTransactionClass()();
    FInternalTransaction->AddConnection(this);
}

TCRTransaction* TCRConnection::GetInternalTransaction()
{
    CreateInternalTransaction();
    return FInternalTransaction.get();
}

// ---- transaction --------------------------------------------------------------------------------

bool TCRTransaction::AddConnection(TCRConnection* Connection)
{
    if (FConnections.IndexOf(Connection) >= 0)
        return false;
    FConnections.Add(Connection);
    return true;
}

bool TCRTransaction::RemoveConnection(TCRConnection* Connection)
{
    int index = FConnections.IndexOf(Connection);
    if (index < 0)
        return false;
    FConnections.Delete(index);
    return true;
}

bool TCRTransaction::SetProp(int Prop, const core::Variant& Value)
{
    switch (Prop) {
    case PropIsolationLevel: FIsolationLevel = TCRIsolationLevel(Value.AsInteger()); break;
    case PropReadOnly: FReadOnly = Value.AsBoolean(); break;
    default: UnknownProp(Prop);
    }
    return true;
}

bool TCRTransaction::GetProp(int Prop, core::Variant& Value)
{
    switch (Prop) {
    case PropIsolationLevel: Value = int32_t(FIsolationLevel); break;
    case PropReadOnly: Value = FReadOnly; break;
    default: UnknownProp(Prop);
    }
    return true;
}

void TCRTransaction::AssignConnect(TCRTransaction* Source)
{
    FActive = Source->FActive;
    FNativeTransaction = false;
}

void TCRTransaction::StartTransaction() { CORE_ASSERT(false, u"Must be overrided"); }
void TCRTransaction::Commit() { CORE_ASSERT(false, u"Must be overrided"); }
void TCRTransaction::Rollback() { CORE_ASSERT(false, u"Must be overrided"); }
void TCRTransaction::CommitRetaining() { NotSupported(); }
void TCRTransaction::RollbackRetaining() { NotSupported(); }
void TCRTransaction::Savepoint(StringView) { NotSupported(); }
void TCRTransaction::ReleaseSavepoint(StringView) { NotSupported(); }
void TCRTransaction::RollbackToSavepoint(StringView) { NotSupported(); }

void TCRTransaction::CheckInactive()
{
    if (GetInTransaction())
        throw core::Exception(u"Can't perform operation on active transaction");
}

void TCRTransaction::CheckActive()
{
    if (!GetInTransaction())
        throw core::Exception(u"Can't perform operation on inactive transaction");
}

// ---- distributed transaction --------------------------------------------------------------------

TMTSTransaction::~TMTSTransaction() = default;

bool TMTSTransaction::AddConnection(TCRConnection* Connection)
{
    bool added = TCRTransaction::AddConnection(Connection);
    if (added && FActive)
        EnlistConnection(Connection);
    return added;
}

bool TMTSTransaction::RemoveConnection(TCRConnection* Connection)
{
    bool removed = TCRTransaction::RemoveConnection(Connection);
    if (removed && FActive)
        UnenlistConnection(Connection);
    return removed;
}

void TMTSTransaction::StartTransaction()
{
    CheckInactive();
    for (TCRConnection* connection : FConnections) {
        if (!connection->GetConnected())
            throw core::Exception(u"One of the connections in the transaction is not active");
    }
    BeginDistributedTransaction();
    FActive = true;
    try {
        for (TCRConnection* connection : FConnections)
            EnlistConnection(connection);
    } catch (...) {
        // The coordinator's transaction goes first; the enlistment's error is the one to report.
        try {
            Rollback();
        } catch (...) {
        }
        throw;
    }
}

void TMTSTransaction::Commit()
{
    CheckActive();
    EndDistributedTransaction(true);
}

void TMTSTransaction::Rollback()
{
    CheckActive();
    EndDistributedTransaction(false);
}

void TMTSTransaction::Savepoint(StringView Name)
{
    for (TCRConnection* connection : FConnections)
        connection->GetInternalTransaction()->Savepoint(Name);
}

void TMTSTransaction::ReleaseSavepoint(StringView Name)
{
    for (TCRConnection* connection : FConnections)
        connection->GetInternalTransaction()->ReleaseSavepoint(Name);
}

void TMTSTransaction::RollbackToSavepoint(StringView Name)
{
    for (TCRConnection* connection : FConnections)
        connection->GetInternalTransaction()->RollbackToSavepoint(Name);
}

void TMTSTransaction::BeginDistributedTransaction()
{
    LoadDtcLibrary();
    if (!FMTSGC) {
        void* dispenser = nullptr;
        CheckDtcResult(DtcGetTransactionManagerEx.load()(nullptr, nullptr, &IID_ITransactionDispenser, 0,
                                                         nullptr, &dispenser));
        FMTSGC.reset(static_cast<ICRTransactionDispenserSC*>(dispenser));
    }
    int32_t level = DtcIsolationLevel(FIsolationLevel);
    ICRTransactionSC* transaction = nullptr;
    CheckDtcResult(FMTSGC->BeginTransaction(nullptr, level, 0, nullptr, &transaction));
    FMTSTrans.reset(transaction);
}

void TMTSTransaction::EndDistributedTransaction(bool Commit)
{
    CORE_ASSERT(FMTSTrans != nullptr, u"");
    FActive = false;
    {
        // Released whatever the coordinator answers.
        auto transaction = std::move(FMTSTrans);
        if (Commit)
            CheckDtcResult(transaction->Commit(0, 0, 0));
        else
            CheckDtcResult(transaction->Abort(nullptr, 0, 0));
    }
    for (TCRConnection* connection : FConnections)
        UnenlistConnection(connection);
}

void TMTSTransaction::EnlistConnection(TCRConnection* Connection) { Connection->JoinDistributedTransaction(this); }

void TMTSTransaction::UnenlistConnection(TCRConnection* Connection)
{
    Connection->LeaveDistributedTransaction(this);
}

} // namespace data
