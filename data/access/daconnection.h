// The connection component of the database access layer. It owns one provider connection and drives
// it: connecting with an optional login dialog, disconnecting, handing pooled connections back,
// keeping the server connection only while it is used (disconnected mode), and after a lost
// connection reconnecting and running the interrupted operation again (local failover). Datasets and
// SQL commands register with it as clients; its transactions are held in a list with one internal
// default transaction; connects, disconnects and errors go to the SQL monitor.
//
// The class is a base: a provider's connection class supplies the provider classes and the creation
// of the provider connection (optionally through its pool manager).
#pragma once

#include "core/sync.h"
#include "data/access/craccess.h"
#include "data/access/crloader.h"
#include "data/access/daerror.h"
#include "data/access/datransaction.h"
#include "data/dataset/connection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace data {

class TCRCommand;
class TCRRecordSet;
class TCRMetaData;
class TCustomDASQLMonitorClass;
class TCustomDAConnection;
class TCustomDADataSet;
class TCustomDASQL;
class TDAMetaData;

enum TRetryMode { rmRaise, rmReconnect, rmReconnectExecute };

struct TFailOverOperation {
    TConnLostCause Operation;
    bool AllowFailOver;
};
using TOperationsStack = std::vector<TFailOverOperation>;

using TDAConnectionErrorEvent = std::function<void(core::Object* Sender, const EDAError& E, bool& Fail)>;
using TConnectionLostEvent = std::function<void(core::Object* Sender, core::Object* Component,
                                                TConnLostCause ConnLostCause, TRetryMode& RetryMode)>;

// Class references of the provider objects.
using TCRCommandClass = std::unique_ptr<TCRCommand> (*)();
using TCRMetaDataClass = std::unique_ptr<TCRMetaData> (*)();

// What the connection needs of an SQL command registered with it; the command component implements
// it.
class IDAConnectionSQL {
public:
    // Connection := none, which unregisters the command.
    virtual void DetachConnection() = 0;
    // The provider command, or null.
    virtual TCRCommand* GetICommand() const = 0;
    virtual bool Prepared() const = 0;
    virtual bool Executing() const = 0;
    // Copied from the connection into its internal command.
    virtual void SetDebug(bool Value) = 0;

protected:
    ~IDAConnectionSQL() = default;
};

// What the connection needs of a dataset or metadata component registered with it; the dataset
// component implements it.
class IDAConnectionDataSet {
public:
    // Connection := none, which unregisters the dataset.
    virtual void DetachConnection() = 0;
    // The provider record set, or null.
    virtual TCRRecordSet* GetIRecordSet() const = 0;
    virtual bool Prepared() const = 0;
    virtual bool IsActive() const = 0;
    virtual bool FetchAll() const = 0;
    // Every row of the open cursor has been read.
    virtual bool Fetched() const = 0;
    // False for a statement that returns no rows (the open runs it on the server).
    virtual bool IsQuery() const = 0;

protected:
    ~IDAConnectionDataSet() = default;
};

// The login dialog as the connection drives it: given the connection, Execute asks for the login
// values and connects; false when the user gave up. The connect dialog component derives from it.
class TDAConnectDialogBase : public core::Component {
public:
    using core::Component::Component;

    virtual TCustomDAConnection* Connection() const = 0;
    virtual void SetConnection(TCustomDAConnection* Value) = 0;
    virtual bool Execute() = 0;
};
using TConnectDialogClass = std::unique_ptr<TDAConnectDialogBase> (*)();

class TCustomDAConnection : public TCustomConnection, public IDAConnection {
public:
    explicit TCustomDAConnection(core::Component* Owner = nullptr);
    ~TCustomDAConnection() override;

    // ---- overrides of the platform classes ----
    void Loaded() override;
    void SetConnected(bool Value) override;
    void RegisterClient(core::Object* Client, TConnectChangeEvent Event = {}) override;
    void UnRegisterClient(core::Object* Client) override;

    // ---- virtual operations, in slot order ----
    // 1-4: a provider supplies them; the base fails with "Must be overrided".
    virtual TCRConnectionClass GetIConnectionClass() const;
    virtual TCRCommandClass GetICommandClass() const;
    virtual TCRRecordSetClass GetIRecordSetClass() const;
    virtual TCRMetaDataClass GetIMetaDataClass() const;
    virtual bool IsMultipleTransactionsSupported() const { return false; }
    // Creates and attaches the provider connection; the base attaches none.
    virtual void CreateIConnection();
    // Attaches Value (or detaches with null): the component owns a connection that came from no
    // pool; a pooled one belongs to its pool and goes back through ReturnToPool.
    virtual void SetIConnection(TCRConnection* Value);
    virtual const TCustomDASQLMonitorClass& SQLMonitorClass() const;
    // The login dialog created when none is assigned: the connect dialog component while a window
    // unit has installed its display; null (connect without one) otherwise.
    virtual TConnectDialogClass ConnectDialogClass() const;
    virtual void DisconnectTransaction();
    // Bracket every server operation of a client: counted uses of the server connection, which in
    // disconnected mode is closed by the last InternalDisconnect outside a transaction.
    virtual void InternalConnect();
    virtual void InternalDisconnect();
    virtual void GetServer(String& Server) const { Server = FServer; }
    virtual bool IsPermanentlyConnected() const;
    virtual bool NeedPrompt() const;
    // The failover operation stack; records nothing unless LocalFailover is on.
    virtual int PushOperation(TConnLostCause Operation, bool AllowFailOver = true);
    virtual void PopOperation();
    virtual void CloseTransactionsOnConnectionLost();
    virtual void RestoreTransactionsAfterFailover();
    virtual bool IsFailOverAllowed() const;
    virtual TConnLostCause DetectConnLostCause(core::Object* Component);
    // The provider connection's error handler (its error loop calls it through OnError).
    virtual void DoError(const EDAError& E, bool& Fail, bool& Reconnect, bool& Reexecute, int ReconnectAttempt,
                         TConnLostCause& ConnLostCause);
    virtual String GetServerInfoText() const { return {}; }  // slot 23: no behaviour in the base
    virtual void ServerInfoChanged() {}                       // slot 24: no behaviour in the base
    virtual void SetServer(StringView Value);
    virtual bool DetectInTransaction(bool CanActivate = false) const;
    virtual bool GetInTransaction() const { return DetectInTransaction(false); }
    virtual TDATransaction* UsedTransaction() const;
    // FIXME: creates the internal SQL command; lands with the SQL command component.
    virtual void CheckCommand();
    virtual void AssignConnectParams(TCustomDAConnection* Source);
    virtual std::unique_ptr<TDAConnectionOptions> CreateOptions();
    virtual std::unique_ptr<TPoolingOptions> CreatePoolingOptions();
    virtual int DoAddTransaction(TDATransaction* Transaction);
    virtual void DoRemoveTransaction(TDATransaction* Transaction);
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(StringView Name);
    virtual void RollbackToSavepoint(StringView Name);
    virtual void ReleaseSavepoint(StringView Name);
    // FIXME: slots 40-46 (ExecSQL, ExecSQLEx, ExecProc, ExecProcEx through the internal command;
    // GetTableNames, GetDatabaseNames, GetStoredProcNames through a metadata component) land with the
    // SQL command and metadata components.
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    // FIXME: slots 50-51 (ApplyUpdates) land with the dataset updater.
    // 52-55: factories; the object has no owner and the caller frees it.
    virtual std::unique_ptr<TDATransaction> CreateTransaction();
    // FIXME: 53-55 make the dataset, SQL command and metadata components once they exist; until then
    // the base fails with an assertion.
    virtual std::unique_ptr<TCustomDADataSet> CreateDataSet();
    virtual std::unique_ptr<TCustomDASQL> CreateSQL();
    virtual std::unique_ptr<TDAMetaData> CreateMetaData();

    // ---- connecting ----
    void Connect() { SetConnected(true); }
    void Disconnect() override { SetConnected(false); }
    void PerformConnect(bool Retry = false);
    // Makes this connection share Source's provider connection; "Operation is not allowed when
    // Pooling is True" with Pooling on either side.
    void AssignConnect(TCustomDAConnection* Source);
    // Clears IsValid, so that the next disconnect closes the pooled connection instead of keeping it.
    void RemoveFromPool();
    void MonitorMessage(StringView Msg);

    // ---- provider objects ----
    TCRConnection* GetIConnection() const override { return FIConnection; }
    std::unique_ptr<TCRCommand> CreateICommand();
    std::unique_ptr<TCRRecordSet> CreateIRecordSet();
    void FreeIConnection();
    void DetachITransactions();
    TCRIOHandler* IOHandler() const { return FIOHandler; }
    void SetIOHandler(TCRIOHandler* Value);

    // ---- transactions ----
    TDATransaction* GetDefaultTransaction() const;
    void SetDefaultTransaction(TDATransaction* Value);
    // One-sided: the transaction's side is DoAddTransaction's.
    int AddTransaction(TDATransaction* Transaction);
    void RemoveTransaction(TDATransaction* Transaction);
    int TransactionCount() const { return int(FTransactions.size()); }
    TDATransaction* Transactions(int Index) const { return FTransactions.at(size_t(Index)); }
    TDATransaction* InternalDefTransaction() const { return FInternalDefTransaction; }
    void SuppressAutoCommit();
    void RestoreAutoCommit();

    // ---- clients ----
    int SQLCount() const { return int(FSQLs.size()); }
    IDAConnectionSQL* SQLs(int Index) const { return FSQLs.at(size_t(Index)); }

    // ---- properties ----
    String GetUsername() const override { return FUsername; }
    void SetUsername(StringView Value);
    const String& Password() const { return FPassword; }
    void SetPassword(StringView Value);
    String GetServer() const override { return FServer; }
    bool InTransaction() const { return GetInTransaction(); }
    TDAConnectDialogBase* ConnectDialog() const { return FConnectDialog; }
    void SetConnectDialog(TDAConnectDialogBase* Value);
    bool Debug() const { return FDebug; }
    void SetDebug(bool Value);
    bool ConvertEOL() const { return FConvertEOL; }
    void SetConvertEOL(bool Value);
    bool AutoCommit() const { return FAutoCommit; }
    void SetAutoCommit(bool Value);
    TDAConnectionOptions& Options() const { return *FOptions; }
    void SetOptions(const TDAConnectionOptions& Value) { FOptions->Assign(Value); }
    TPoolingOptions& PoolingOptions() const { return *FPoolingOptions; }
    void SetPoolingOptions(const TPoolingOptions& Value) { FPoolingOptions->Assign(Value); }
    bool Pooling() const { return FPooling; }
    void SetPooling(bool Value);
    bool LockLoginPrompt() const { return FLockLoginPrompt; }
    void SetLockLoginPrompt(bool Value) { FLockLoginPrompt = Value; }
    int32_t ConnectCount() const { return FConnectCount; }
    int32_t OperationsStackLen() const { return FOperationsStackLen; }
    const TOperationsStack& OperationsStack() const { return FOperationsStack; }

    TDAConnectionErrorEvent OnError;
    TConnectionLostEvent OnConnectionLost;

protected:
    void DoConnect() override;
    void DoDisconnect() override;
    bool GetConnected() const override;
    void AssignTo(core::Persistent& Dest) const override;
    void Notification(core::Component* AComponent, core::Operation Operation) override;
    // The provider connection's OnReconnectSuccess handler.
    void DoAfterConnect();
    // Detaches every command and dataset (destruction only).
    void ClearRefs();

    // The fields, in declared order.
    std::vector<TDATransaction*> FTransactions;  // not owned: each transaction is a member by itself
    String FUsername;
    bool FAutoCommit = true;
    bool FInProcessError = false;
    TDAConnectDialogBase* FConnectDialog = nullptr;  // not owned
    bool FDebug = false;
    bool FConvertEOL = false;
    std::unique_ptr<TDAConnectionOptions> FOptions;
    std::unique_ptr<TPoolingOptions> FPoolingOptions;
    bool FPooling = false;
    core::CriticalSection hRegisterClient;
    TDATransaction* FDefaultTransaction = nullptr;     // not owned
    TDATransaction* FInternalDefTransaction = nullptr;  // a sub-component owned by this component
    int32_t FConnectCount = 0;
    std::vector<IDAConnectionSQL*> FSQLs;  // items not owned
    TCRConnection* FIConnection = nullptr;
    bool FStreamedConnected = false;
    String FServer;
    String FPassword;
    bool FShouldShowPrompt = true;
    TOperationsStack FOperationsStack;
    int32_t FOperationsStackLen = 0;
    // FIXME: FCommand, the internal SQL command, lands with the SQL command component.
    bool FLockLoginPrompt = false;
    TCRIOHandler* FIOHandler = nullptr;  // not owned

private:
    void TellClientsOfDisconnect();
    void DetachClientsFrom(TCRConnection* Value);

    std::unique_ptr<TCRConnection> FOwnedIConnection;  // FIConnection when it came from no pool
};

} // namespace data
