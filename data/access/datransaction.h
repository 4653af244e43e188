// The component-level transaction: groups connection components and drives one provider transaction
// through which they start, commit and roll back. The connection component keeps the reverse list
// and an internal default transaction that shares its provider connection's internal transaction.
//
// FIXME: this is the part the connection component relies on (membership, the provider transaction,
// start/commit/rollback, closing after a lost connection and restoring after failover). The use
// counter, disconnected-mode preparation, the monitor reports and the error handler come with the
// transaction component itself.
#pragma once

#include "core/component.h"
#include "data/access/craccess.h"

#include <functional>
#include <memory>
#include <vector>

namespace data {

class TCustomDAConnection;
class EDAError;

enum TTransactionType { ttNative, ttMTS };
enum TCRTransactionAction { taCommit, taRollback };

class TDATransaction : public core::Component {
public:
    explicit TDATransaction(core::Component* Owner = nullptr);
    ~TDATransaction() override;

    // ---- virtual operations, in slot order ----
    // TMTSTransaction for ttMTS; otherwise a provider's transaction class supplies it.
    virtual TCRTransactionClass GetITransactionClass() const;
    // Adopts Value (owned unless the transaction is shared) after freeing the previous one.
    virtual void SetITransaction(TCRTransaction* Value);
    virtual bool GetInTransaction(bool CanActivate) const;
    // Ends an active transaction by DefaultCloseAction. With Force every error is swallowed (the
    // provider transaction is reset after a database error).
    virtual void CloseTransaction(bool Force);
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(StringView Name);
    virtual void ReleaseSavepoint(StringView Name);
    virtual void RollbackToSavepoint(StringView Name);
    virtual int DoAddConnection(TCustomDAConnection* Connection);
    virtual void DoRemoveConnection(TCustomDAConnection* Connection);
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();

    // ---- provider transaction ----
    TCRTransaction* ITransaction() const { return FITransaction; }
    void CreateITransaction();
    void FreeITransaction();
    // Makes sure a provider transaction of the right kind exists: the default connection's internal
    // one when shared, otherwise a new one of GetITransactionClass.
    void CheckITransaction();
    // Raises "One of the connections in the transaction is not active" when a member is not
    // connected; then brings the provider transaction and its member connections in line.
    void PrepareTransaction(bool CheckOnly);

    // ---- membership (one-sided; Do* keep both sides) ----
    int AddConnection(TCustomDAConnection* Connection);
    void RemoveConnection(TCustomDAConnection* Connection);
    int ConnectionsCount() const { return int(FConnections.size()); }
    TCustomDAConnection* Connections(int Index) const { return FConnections.at(size_t(Index)); }
    TCustomDAConnection* DefaultConnection() const { return FDefaultConnection; }
    void SetDefaultConnection(TCustomDAConnection* Value);

    // ---- failover ----
    // A member connection was lost: remembers whether the transaction can be restored and ends the
    // provider transaction, ignoring its errors.
    void CloseOnConnectionLost();
    // After a reconnect: starts the provider transaction again when it was restorable.
    void RestoreAfterFailover();

    // ---- properties ----
    bool Active() const { return GetInTransaction(false); }
    bool ShareTransaction() const { return FShareTransaction; }
    void SetShareTransaction(bool Value) { FShareTransaction = Value; }
    TTransactionType TransactionType() const { return FTransactionType; }
    void SetTransactionType(TTransactionType Value) { FTransactionType = Value; }
    TCRTransactionAction DefaultCloseAction() const { return FDefaultCloseAction; }
    void SetDefaultCloseAction(TCRTransactionAction Value) { FDefaultCloseAction = Value; }

protected:
    void Notification(core::Component* AComponent, core::Operation Operation) override;

private:
    void CheckActive() const;
    void CheckInactive() const;
    void EndTransaction(TCRTransactionAction Action);

    TCustomDAConnection* FDefaultConnection = nullptr;
    int32_t FFailOverSatus = 0;
    bool FPrepared = false;
    TTransactionType FTransactionType = ttNative;
    TCRTransactionAction FDefaultCloseAction = taRollback;
    TCRTransaction* FITransaction = nullptr;  // owned unless FShareTransaction
    bool FShareTransaction = false;
    std::vector<TCustomDAConnection*> FConnections;  // not owned
};

} // namespace data
