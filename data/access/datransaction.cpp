// The part of the transaction component that the connection component relies on.
#include "data/access/datransaction.h"

#include "data/access/daconnection.h"

#include <algorithm>

namespace data {

TDATransaction::TDATransaction(core::Component* Owner) : core::Component(Owner) {}

TDATransaction::~TDATransaction()
{
    BeforeDestruction();
    CloseTransaction(true);
    // From the last member to the first, so that the positions of those still to go hold.
    while (!FConnections.empty())
        DoRemoveConnection(FConnections.back());
    FreeITransaction();
}

TCRTransactionClass TDATransaction::GetITransactionClass() const
{
    if (FTransactionType == ttMTS)
        return NewOf<TMTSTransaction, TCRTransaction>;
    CORE_ASSERT(false, u"Must be overrided");
}

void TDATransaction::CreateITransaction() { SetITransaction(GetITransactionClass()().release()); }

void TDATransaction::FreeITransaction()
{
    if (!FShareTransaction)
        delete FITransaction;
    FITransaction = nullptr;
}

void TDATransaction::CheckITransaction()
{
    if (FShareTransaction) {
        CORE_ASSERT(FDefaultConnection != nullptr, u"");
        TCRConnection* connection = FDefaultConnection->GetIConnection();
        CORE_ASSERT(connection != nullptr, u"");
        if (FITransaction != connection->GetInternalTransaction())
            SetITransaction(connection->GetInternalTransaction());
        return;
    }
    if (!FITransaction)
        CreateITransaction();
}

void TDATransaction::SetITransaction(TCRTransaction* Value)
{
    if (FITransaction && FITransaction != Value)
        FreeITransaction();
    FITransaction = Value;
    if (Value) {
        Value->SetProp(PropIsolationLevel, core::Variant(int32_t(ilReadCommitted)));
        Value->SetProp(PropReadOnly, core::Variant(false));
        Value->SetComponent(this);
    }
}

bool TDATransaction::GetInTransaction(bool) const { return FITransaction && FITransaction->GetInTransaction(); }

void TDATransaction::PrepareTransaction(bool CheckOnly)
{
    for (TCustomDAConnection* connection : FConnections)
        if (!connection->Connected())
            throw core::Exception(u"One of the connections in the transaction is not active");
    CheckITransaction();
    for (TCustomDAConnection* connection : FConnections)
        FITransaction->AddConnection(connection->GetIConnection());
    FPrepared = !CheckOnly;
}

void TDATransaction::CheckActive() const
{
    if (!Active())
        throw core::Exception(u"Can't perform operation on inactive transaction");
}

void TDATransaction::CheckInactive() const
{
    if (Active())
        throw core::Exception(u"Can't perform operation on active transaction");
}

void TDATransaction::StartTransaction()
{
    CheckInactive();
    PrepareTransaction(false);
    TCustomDAConnection* single = FConnections.size() == 1 ? FConnections.front() : nullptr;
    if (single)
        single->PushOperation(clTransStart, single->IsFailOverAllowed());
    try {
        for (;;) {
            try {
                FITransaction->StartTransaction();
                break;
            } catch (const EFailOver& failover) {
                if (failover.FConnLostCause != clTransStart || !single)
                    throw;
                single->RestoreTransactionsAfterFailover();
            }
        }
    } catch (...) {
        if (single)
            single->PopOperation();
        throw;
    }
    if (single)
        single->PopOperation();
}

void TDATransaction::EndTransaction(TCRTransactionAction Action)
{
    if (!FPrepared)
        PrepareTransaction(false);
    try {
        if (Action == taCommit)
            FITransaction->Commit();
        else
            FITransaction->Rollback();
    } catch (...) {
        if (!FITransaction->GetInTransaction())
            FPrepared = false;
        throw;
    }
    FPrepared = false;
}

void TDATransaction::Commit() { EndTransaction(taCommit); }

void TDATransaction::Rollback() { EndTransaction(taRollback); }

void TDATransaction::CommitRetaining()
{
    CheckActive();
    FITransaction->CommitRetaining();
}

void TDATransaction::RollbackRetaining()
{
    CheckActive();
    FITransaction->RollbackRetaining();
}

void TDATransaction::Savepoint(StringView Name)
{
    if (!FPrepared)
        PrepareTransaction(true);
    FITransaction->Savepoint(Name);
}

void TDATransaction::ReleaseSavepoint(StringView Name)
{
    if (!FPrepared)
        PrepareTransaction(true);
    FITransaction->ReleaseSavepoint(Name);
}

void TDATransaction::RollbackToSavepoint(StringView Name)
{
    if (!FPrepared)
        PrepareTransaction(true);
    FITransaction->RollbackToSavepoint(Name);
}

void TDATransaction::CloseTransaction(bool Force)
{
    if (!Active())
        return;
    try {
        EndTransaction(FDefaultCloseAction);
    } catch (const EDAError& error) {
        if (HasState(core::csDestroying) && error.IsFatalError())
            return;
        if (!Force)
            throw;
        if (FITransaction)
            FITransaction->Reset();
    } catch (...) {
        if (!Force)
            throw;
    }
}

void TDATransaction::CloseOnConnectionLost()
{
    if (!Active()) {
        FFailOverSatus = 0;
        return;
    }
    FFailOverSatus = FITransaction->CanRestoreAfterFailover() ? 1 : 0;
    try {
        if (FDefaultCloseAction == taCommit)
            FITransaction->Commit();
        else
            FITransaction->Rollback();
    } catch (...) {
        FITransaction->Reset();
    }
    FPrepared = false;
}

void TDATransaction::RestoreAfterFailover()
{
    if (FFailOverSatus <= 0)
        return;
    if (!Active()) {
        CheckITransaction();
        FITransaction->StartTransaction();
    }
}

int TDATransaction::AddConnection(TCustomDAConnection* Connection)
{
    if (Active()) {
        if (FTransactionType == ttMTS && Connection && Connection->GetIConnection())
            FITransaction->AddConnection(Connection->GetIConnection());
        else if (FTransactionType != ttMTS)
            CloseTransaction(false);
    }
    auto found = std::find(FConnections.begin(), FConnections.end(), Connection);
    if (found != FConnections.end())
        return int(found - FConnections.begin());
    FConnections.push_back(Connection);
    return int(FConnections.size()) - 1;
}

void TDATransaction::RemoveConnection(TCustomDAConnection* Connection)
{
    if (Active() && FTransactionType != ttMTS)
        CloseTransaction(false);
    if (FDefaultConnection == Connection)
        FDefaultConnection = nullptr;
    FConnections.erase(std::remove(FConnections.begin(), FConnections.end(), Connection), FConnections.end());
    if (!FShareTransaction && Connection && FITransaction && Connection->GetIConnection())
        FITransaction->RemoveConnection(Connection->GetIConnection());
}

int TDATransaction::DoAddConnection(TCustomDAConnection* Connection)
{
    int index = AddConnection(Connection);
    if (Connection)
        Connection->AddTransaction(this);
    return index;
}

void TDATransaction::DoRemoveConnection(TCustomDAConnection* Connection)
{
    RemoveConnection(Connection);
    if (Connection)
        Connection->RemoveTransaction(this);
}

void TDATransaction::SetDefaultConnection(TCustomDAConnection* Value)
{
    if (Value == FDefaultConnection)
        return;
    if (FDefaultConnection) {
        RemoveFreeNotification(FDefaultConnection);
        DoRemoveConnection(FDefaultConnection);
    }
    if (Value) {
        DoAddConnection(Value);
        FreeNotification(Value);
    }
    FDefaultConnection = Value;
}

void TDATransaction::Notification(core::Component* AComponent, core::Operation Operation)
{
    // The connection may be half destroyed: compare the address only.
    if (Operation == core::opRemove && FDefaultConnection &&
        AComponent == static_cast<core::Component*>(FDefaultConnection)) {
        FDefaultConnection = nullptr;
        FConnections.erase(std::remove_if(FConnections.begin(), FConnections.end(),
                                          [&](TCustomDAConnection* c) { return static_cast<core::Component*>(c) == AComponent; }),
                           FConnections.end());
    }
    core::Component::Notification(AComponent, Operation);
}

} // namespace data
