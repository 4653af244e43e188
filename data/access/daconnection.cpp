// The connection component: connect and disconnect, counted use, local failover and the error loop.
#include "data/access/daconnection.h"

#include "data/access/connectdialog.h"
#include "data/access/connectionpool.h"
#include "data/access/crcommand.h"
#include "data/access/crmetadata.h"
#include "data/access/crrecordset.h"
#include "data/access/sqlmonitor.h"
#include "data/dataset/dataset.h"
#include "data/storage/recordstore.h"

#include <algorithm>
#include <map>

namespace data {

namespace {

// Sets a flag for the length of a scope, also when an exception passes.
class FlagScope {
public:
    FlagScope(bool& Flag, bool Value) : m_flag(Flag), m_saved(Flag) { m_flag = Value; }
    ~FlagScope() { m_flag = m_saved; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

} // namespace

// ---- construction -------------------------------------------------------------------------------

TCustomDAConnection::TCustomDAConnection(core::Component* Owner) : TCustomConnection(Owner)
{
    // A sub-component: owned here, freed explicitly before the rest of this component goes.
    std::unique_ptr<TDATransaction> transaction = CreateTransaction();
    transaction->SetShareTransaction(true);
    InsertComponent(transaction.get());
    FInternalDefTransaction = transaction.release();
    if (!Name().empty())
        FInternalDefTransaction->SetName(u"tr" + Name());
    FAutoCommit = true;
    SetLoginPrompt(true);
    FOptions = CreateOptions();
    FPoolingOptions = CreatePoolingOptions();
    FShouldShowPrompt = true;
}

TCustomDAConnection::~TCustomDAConnection()
{
    BeforeDestruction();
    try {
        Disconnect();
    } catch (...) {
        // Going away: what the server says about it no longer matters.
    }
    if (FIOHandler) {
        TCRIOHandlerUtils::UnRegisterClient(FIOHandler, this);
        RemoveFreeNotification(FIOHandler);
        FIOHandler = nullptr;
    }
    ClearRefs();
    if (FInternalDefTransaction) {
        TDATransaction* internal = FInternalDefTransaction;
        FInternalDefTransaction = nullptr;
        delete internal;
    }
    // From the last to the first; each removal takes the transaction out of the list.
    while (!FTransactions.empty())
        DoRemoveTransaction(FTransactions.back());
    SQLMonitorClass().ObjectDestroyed(this);
    FreeIConnection();
}

void TCustomDAConnection::ClearRefs()
{
    while (!FSQLs.empty()) {
        IDAConnectionSQL* command = FSQLs.front();
        command->DetachConnection();
        // A command that failed to unregister must not stall the loop.
        FSQLs.erase(std::remove(FSQLs.begin(), FSQLs.end(), command), FSQLs.end());
    }
    for (int i = DataSetCount(); i > 0; --i) {
        auto* dataset = dynamic_cast<IDAConnectionDataSet*>(DataSets(0));
        if (!dataset)
            break;
        dataset->DetachConnection();
    }
}

void TCustomDAConnection::Notification(core::Component* AComponent, core::Operation Operation)
{
    TCustomConnection::Notification(AComponent, Operation);
    if (Operation != core::opRemove)
        return;
    // The component may be half destroyed: compare addresses only.
    if (FConnectDialog && AComponent == static_cast<core::Component*>(FConnectDialog))
        FConnectDialog = nullptr;
    if (FDefaultTransaction && AComponent == static_cast<core::Component*>(FDefaultTransaction)) {
        FTransactions.erase(std::remove(FTransactions.begin(), FTransactions.end(), FDefaultTransaction),
                            FTransactions.end());
        FDefaultTransaction = nullptr;
    }
    if (FIOHandler && AComponent == static_cast<core::Component*>(FIOHandler)) {
        FIOHandler = nullptr;
        if (FIConnection)
            FIConnection->SetIOHandler(nullptr);
    }
}

void TCustomDAConnection::Loaded()
{
    TCustomConnection::Loaded();
    try {
        if (FStreamedConnected)
            SetConnected(true);
    } catch (const core::Exception&) {
        FStreamedConnected = false;
        if (HasState(core::csDesigning)) {
            core::HandleException();
            return;
        }
        throw;
    }
    FStreamedConnected = false;
}

void TCustomDAConnection::AssignTo(core::Persistent& Dest) const
{
    auto* dest = dynamic_cast<TCustomDAConnection*>(&Dest);
    if (!dest) {
        TCustomConnection::AssignTo(Dest);
        return;
    }
    dest->SetUsername(FUsername);
    dest->SetPassword(FPassword);
    dest->SetServer(FServer);
    dest->SetLoginPrompt(LoginPrompt());
    dest->PoolingOptions().Assign(*FPoolingOptions);
    dest->SetPooling(FPooling);
    dest->SetConnectDialog(FConnectDialog);
    dest->OnError = OnError;
    dest->SetConvertEOL(FConvertEOL);
    dest->Options().Assign(*FOptions);
    dest->SetAutoCommit(FAutoCommit);
    dest->AfterConnect = AfterConnect;
    dest->BeforeConnect = BeforeConnect;
    dest->AfterDisconnect = AfterDisconnect;
    dest->BeforeDisconnect = BeforeDisconnect;
    dest->OnLogin = OnLogin;
}

// ---- provider classes ---------------------------------------------------------------------------

TCRConnectionClass TCustomDAConnection::GetIConnectionClass() const
{
    CORE_ASSERT(false, u"Must be overrided");
}

TCRCommandClass TCustomDAConnection::GetICommandClass() const
{
    CORE_ASSERT(false, u"Must be overrided");
}

TCRRecordSetClass TCustomDAConnection::GetIRecordSetClass() const
{
    CORE_ASSERT(false, u"Must be overrided");
}

TCRMetaDataClass TCustomDAConnection::GetIMetaDataClass() const
{
    CORE_ASSERT(false, u"Must be overrided");
}

void TCustomDAConnection::CreateIConnection() { SetIConnection(nullptr); }

const TCustomDASQLMonitorClass& TCustomDAConnection::SQLMonitorClass() const { return TCustomDASQLMonitor::Class(); }

std::unique_ptr<TCRCommand> TCustomDAConnection::CreateICommand()
{
    std::unique_ptr<TCRCommand> command = GetICommandClass()();
    command->SetConnection(nullptr);
    return command;
}

std::unique_ptr<TCRRecordSet> TCustomDAConnection::CreateIRecordSet()
{
    std::unique_ptr<TCRRecordSet> recordSet = GetIRecordSetClass()();
    recordSet->SetConnection(FIConnection);
    return recordSet;
}

void TCustomDAConnection::DetachClientsFrom(TCRConnection* Value)
{
    for (IDAConnectionSQL* command : FSQLs)
        if (TCRCommand* icommand = command->GetICommand())
            icommand->SetConnection(Value);
    for (int i = 0; i < DataSetCount(); ++i)
        if (auto* dataset = dynamic_cast<IDAConnectionDataSet*>(DataSets(i)))
            if (TCRRecordSet* recordSet = dataset->GetIRecordSet())
                recordSet->SetConnection(Value);
}

void TCustomDAConnection::SetIConnection(TCRConnection* Value)
{
    // Shared transactions must not outlive the provider connection whose transaction they use.
    if (FIConnection && FIConnection != Value)
        DetachITransactions();
    if (Value) {
        FIConnection = Value;
        Value->OnError = [this](const core::Exception& E, bool& Fail, bool& Reconnect, bool& Reexecute,
                                int ReconnectAttempt, TConnLostCause& ConnLostCause) {
            // Only the layer's own errors carry what the handler needs.
            if (auto* error = dynamic_cast<const EDAError*>(&E))
                DoError(*error, Fail, Reconnect, Reexecute, ReconnectAttempt, ConnLostCause);
        };
        Value->OnReconnectError = [this] { Disconnect(); };
        Value->OnReconnectSuccess = [this] { DoAfterConnect(); };
        Value->SetComponent(this);
        DetachClientsFrom(Value);
    } else {
        if (FIConnection && !HasState(core::csDestroying))
            DetachClientsFrom(nullptr);
        FIConnection = nullptr;
    }
    // Ownership follows the pointer: a connection from no pool is the component's.
    if (FOwnedIConnection.get() != Value) {
        std::unique_ptr<TCRConnection> previous = std::move(FOwnedIConnection);
        if (Value && !Value->Pool())
            FOwnedIConnection.reset(Value);
    }
}

void TCustomDAConnection::FreeIConnection()
{
    if (!FIConnection)
        return;
    DetachITransactions();
    if (FIConnection->Pool()) {
        FIConnection->ReturnToPool();
        SetIConnection(nullptr);
    } else {
        std::unique_ptr<TCRConnection> owned = std::move(FOwnedIConnection);
        SetIConnection(nullptr);
    }
}

void TCustomDAConnection::DetachITransactions()
{
    for (TDATransaction* transaction : FTransactions) {
        TCRTransaction* itransaction = transaction->ITransaction();
        if (!itransaction)
            continue;
        if (transaction->ShareTransaction())
            transaction->FreeITransaction();
        else if (FIConnection)
            itransaction->RemoveConnection(FIConnection);
    }
}

void TCustomDAConnection::RemoveFromPool()
{
    if (FIConnection)
        FIConnection->SetIsValid(false);
}

void TCustomDAConnection::SetIOHandler(TCRIOHandler* Value)
{
    if (Value == FIOHandler)
        return;
    if (FIOHandler) {
        TCRIOHandlerUtils::UnRegisterClient(FIOHandler, this);
        RemoveFreeNotification(FIOHandler);
    }
    Disconnect();
    FIOHandler = Value;
    if (Value) {
        TCRIOHandlerUtils::RegisterClient(Value, this);
        FreeNotification(Value);
    }
    if (FIConnection)
        FIConnection->SetIOHandler(Value);
}

// ---- clients ------------------------------------------------------------------------------------

void TCustomDAConnection::RegisterClient(core::Object* Client, TConnectChangeEvent Event)
{
    core::CriticalSection::Lock lock(hRegisterClient);
    TCustomConnection::RegisterClient(Client, std::move(Event));
    if (auto* command = dynamic_cast<IDAConnectionSQL*>(Client))
        if (std::find(FSQLs.begin(), FSQLs.end(), command) == FSQLs.end())
            FSQLs.push_back(command);
}

void TCustomDAConnection::UnRegisterClient(core::Object* Client)
{
    core::CriticalSection::Lock lock(hRegisterClient);
    TCustomConnection::UnRegisterClient(Client);
    if (auto* command = dynamic_cast<IDAConnectionSQL*>(Client))
        FSQLs.erase(std::remove(FSQLs.begin(), FSQLs.end(), command), FSQLs.end());
}

// ---- connecting ---------------------------------------------------------------------------------

bool TCustomDAConnection::GetConnected() const { return FIConnection && FIConnection->GetConnected(); }

void TCustomDAConnection::TellClientsOfDisconnect()
{
    // A client whose connection is lost raises a fatal error while closing: the telling starts over
    // from the first client, but each client may cause that once; a second fatal error of the same
    // client is swallowed and the next client is told, so that a disconnect always ends.
    std::map<core::Object*, int> failures;
    for (;;) {
        bool restart = false;
        SendConnectEvent(false, [&](core::Object* client, const std::function<void()>& tell) {
            if (restart)
                return;
            try {
                tell();
            } catch (const EDAError& error) {
                if (!error.IsFatalError())
                    throw;
                if (++failures[client] == 1)
                    restart = true;
            }
        });
        if (!restart)
            return;
    }
}

void TCustomDAConnection::SetConnected(bool Value)
{
    if (Value == GetConnected())
        return;
    const bool loading = HasState(core::csLoading) || HasState(core::csReading);
    if (!Value) {
        FConnectCount = 0;
        FShouldShowPrompt = true;
        // The platform's disconnect runs whether or not the event or the clients raised, with
        // BeforeDisconnect detached so that it fires once.
        auto disconnect = [&] {
            if (loading)
                return;
            Notify saved = std::move(BeforeDisconnect);
            BeforeDisconnect = nullptr;
            try {
                TCustomConnection::SetConnected(false);
            } catch (...) {
                BeforeDisconnect = std::move(saved);
                throw;
            }
            BeforeDisconnect = std::move(saved);
        };
        try {
            if (BeforeDisconnect)
                BeforeDisconnect(*this);
            TellClientsOfDisconnect();
        } catch (...) {
            disconnect();
            throw;
        }
        disconnect();
        return;
    }

    if (loading) {
        // A dropped value is not counted: the counter counts connections that happen.
        if (FOptions->KeepDesignConnected() || HasState(core::csDesigning)) {
            if (!FStreamedConnected)
                ++FConnectCount;
            FStreamedConnected = true;
        }
        return;
    }
    if (!FStreamedConnected)
        ++FConnectCount;
    TConnectDialogClass dialogClass = NeedPrompt() ? ConnectDialogClass() : nullptr;
    if (dialogClass) {
        std::unique_ptr<TDAConnectDialogBase> created;
        TDAConnectDialogBase* dialog = FConnectDialog;
        if (!dialog) {
            created = dialogClass();
            dialog = created.get();
        }
        int32_t count = FConnectCount;
        bool connected = false;
        try {
            dialog->SetConnection(this);
            connected = dialog->Execute();
        } catch (...) {
            FConnectCount = count;
            throw;
        }
        if (!connected)
            --count;
        FConnectCount = count;
        if (!connected) {
            if (FStreamedConnected || HasState(core::csDesigning))
                DatabaseError(u"Cannot connect to database");
            core::Abort();
        }
        return;
    }
    int32_t count = FConnectCount;
    try {
        PerformConnect(false);
    } catch (...) {
        if (!GetConnected())
            --count;
        FConnectCount = count;
        throw;
    }
    FConnectCount = count;
}

TConnectDialogClass TCustomDAConnection::ConnectDialogClass() const
{
    return DefConnectDialogProc ? NewCustomConnectDialog : nullptr;
}

bool TCustomDAConnection::NeedPrompt() const
{
    const bool designing = HasState(core::csDesigning);
    return !FLockLoginPrompt && (LoginPrompt() || (designing && FUsername.empty() && FPassword.empty())) &&
           !(designing && (HasState(core::csLoading) || FStreamedConnected));
}

void TCustomDAConnection::PerformConnect(bool Retry)
{
    if (HasState(core::csLoading) || HasState(core::csReading)) {
        FStreamedConnected = true;
        return;
    }
    if (GetConnected())
        return;
    if (!Retry && BeforeConnect)
        BeforeConnect(*this);
    DoConnect();
    ++FConnectCount;
    SendConnectEvent(true);
    if (AfterConnect)
        AfterConnect(*this);
}

void TCustomDAConnection::DoConnect()
{
    uint32_t messageID = 0;
    SQLMonitorClass().DBConnect(this, messageID, true);
    CreateIConnection();
    PushOperation(clConnect, true);
    CallStartWaitHook();
    try {
        if (FIConnection) {
            FInternalDefTransaction->CheckITransaction();
            FIConnection->SetUsername(FUsername);
            FIConnection->SetPassword(FPassword);
            String server;
            GetServer(server);
            FIConnection->SetServer(server);
            // A connection lent by a pool comes connected.
            if (!FIConnection->GetConnected())
                FIConnection->Connect(u"");
        }
    } catch (...) {
        CallStopWaitHook();
        PopOperation();
        throw;
    }
    CallStopWaitHook();
    PopOperation();
    SQLMonitorClass().DBConnect(this, messageID, false);
}

void TCustomDAConnection::DoDisconnect()
{
    auto close = [&] {
        if (!GetConnected())
            return;
        uint32_t messageID = 0;
        SQLMonitorClass().DBDisconnect(this, messageID, true);
        if (FIConnection->Pool()) {
            // The pool keeps a valid connection for the next user and frees an invalid one.
            if (!FIConnection->IsValid())
                FIConnection->Disconnect();
            DetachITransactions();
            FIConnection->ReturnToPool();
            SetIConnection(nullptr);
        } else {
            FIConnection->Disconnect();
        }
        SQLMonitorClass().DBDisconnect(this, messageID, false);
    };
    try {
        try {
            DisconnectTransaction();
        } catch (...) {
            close();
            throw;
        }
        close();
    } catch (const EDAError& error) {
        if (!(HasState(core::csDestroying) && error.IsFatalError()))
            throw;
    }
}

void TCustomDAConnection::DoAfterConnect()
{
    if (AfterConnect)
        AfterConnect(*this);
}

void TCustomDAConnection::AssignConnect(TCustomDAConnection* Source)
{
    Disconnect();
    if (FPooling || (Source && Source->Pooling()))
        throw core::Exception(u"Operation is not allowed when Pooling is True");
    if (!Source) {
        if (FIConnection)
            FIConnection->AssignConnect(nullptr);
        return;
    }
    AssignConnectParams(Source);
    if (!FIConnection && Source->GetIConnection())
        CreateIConnection();
    else if (FIConnection && !Source->GetIConnection())
        FreeIConnection();
    if (FIConnection && Source->GetIConnection()) {
        FIConnection->AssignConnect(Source->GetIConnection());
        if (FIConnection->GetInternalTransaction()->GetInTransaction())
            GetDefaultTransaction()->PrepareTransaction(false);
    }
}

void TCustomDAConnection::AssignConnectParams(TCustomDAConnection* Source)
{
    SetUsername(Source->GetUsername());
    SetPassword(Source->Password());
    SetServer(Source->GetServer());
}

// ---- counted use --------------------------------------------------------------------------------

void TCustomDAConnection::InternalConnect()
{
    int32_t count = ++FConnectCount;
    const bool loginPrompt = LoginPrompt();
    SetLoginPrompt(loginPrompt && FShouldShowPrompt);
    try {
        Connect();
    } catch (const EFailOver&) {
        // The failover re-established the connection.
    } catch (...) {
        if (!GetConnected())
            --count;
        FConnectCount = count;
        SetLoginPrompt(loginPrompt);
        FShouldShowPrompt = !GetConnected();
        throw;
    }
    FConnectCount = count;
    SetLoginPrompt(loginPrompt);
    FShouldShowPrompt = !GetConnected();
}

void TCustomDAConnection::InternalDisconnect()
{
    FConnectCount = std::max(FConnectCount - 1, 0);
    if (FConnectCount == 0 && FOptions->DisconnectedMode() && !InTransaction())
        Disconnect();
    FShouldShowPrompt = false;
}

bool TCustomDAConnection::IsPermanentlyConnected() const { return GetConnected() && !FOptions->DisconnectedMode(); }

// ---- failover -----------------------------------------------------------------------------------

int TCustomDAConnection::PushOperation(TConnLostCause Operation, bool AllowFailOver)
{
    if (!FOptions->LocalFailover())
        return 0;
    if (FOperationsStackLen == int32_t(FOperationsStack.size()))
        FOperationsStack.resize(FOperationsStack.size() + 50);
    FOperationsStack[size_t(FOperationsStackLen)] = {Operation, AllowFailOver};
    return FOperationsStackLen++;
}

void TCustomDAConnection::PopOperation()
{
    if (FOptions->LocalFailover() && FOperationsStackLen > 0)
        --FOperationsStackLen;
}

void TCustomDAConnection::CloseTransactionsOnConnectionLost()
{
    for (TDATransaction* transaction : std::vector<TDATransaction*>(FTransactions))
        transaction->CloseOnConnectionLost();
}

void TCustomDAConnection::RestoreTransactionsAfterFailover()
{
    for (TDATransaction* transaction : std::vector<TDATransaction*>(FTransactions))
        transaction->RestoreAfterFailover();
}

bool TCustomDAConnection::IsFailOverAllowed() const
{
    for (TDATransaction* transaction : FTransactions) {
        TCRTransaction* itransaction = transaction->ITransaction();
        if (itransaction && itransaction->GetInTransaction() && !itransaction->CanRestoreAfterFailover())
            return false;
    }
    return true;
}

TConnLostCause TCustomDAConnection::DetectConnLostCause(core::Object* Component)
{
    TConnLostCause cause = clUnknown;
    bool allow = true;
    auto* dataset = dynamic_cast<IDAConnectionDataSet*>(Component);
    const bool runsStatement =
        (dataset && !dataset->IsQuery()) || dynamic_cast<IDAConnectionSQL*>(Component) != nullptr;
    for (int32_t i = FOperationsStackLen - 1; i >= 0; --i) {
        const TFailOverOperation& entry = FOperationsStack[size_t(i)];
        if (entry.Operation > cause) {
            cause = entry.Operation;
            allow = entry.AllowFailOver;
        }
        if ((cause == clExecute || cause == clOpen) && runsStatement)
            ++FConnectCount;
        if (cause == clConnect) {
            if (FShouldShowPrompt)
                cause = clUnknown;
            break;
        }
    }
    if (!allow)
        cause = clUnknown;
    if ((cause == clExecute || cause == clOpen || cause == clServiceQuery || cause == clTransStart) &&
        !IsFailOverAllowed())
        cause = clUnknown;
    return cause;
}

void TCustomDAConnection::DoError(const EDAError& E, bool& Fail, bool& Reconnect, bool& Reexecute,
                                  int ReconnectAttempt, TConnLostCause& ConnLostCause)
{
    ConnLostCause = clUnknown;
    SQLMonitorClass().DBError(E);
    const bool fatal = E.IsFatalError();
    if (fatal) {
        ConnLostCause = DetectConnLostCause(E.Component());
        Reconnect = (GetConnected() || (ReconnectAttempt > 0 && FOptions->LocalFailover()) ||
                     (ConnLostCause == clConnect && FOptions->DisconnectedMode())) &&
                    (IsFailOverAllowed() || ConnLostCause == clConnectionApply);
        // Open cursors and prepared statements do not survive a new server connection.
        if (Reconnect) {
            for (int i = 0; i < DataSetCount() && Reconnect; ++i) {
                auto* dataset = dynamic_cast<IDAConnectionDataSet*>(DataSets(i));
                if (!dataset)
                    continue;
                const bool openCursor = dataset->IsActive() && !dataset->Prepared() && !dataset->FetchAll() &&
                                        !dataset->Fetched();
                const bool refreshed = ConnLostCause == clRefresh &&
                                       E.Component() == static_cast<core::Object*>(DataSets(i));
                if ((dataset->Prepared() || openCursor) && !refreshed)
                    Reconnect = false;
            }
            for (IDAConnectionSQL* command : FSQLs)
                if (command->Prepared() && !command->Executing())
                    Reconnect = false;
        }
    }
    if (Reconnect && FOptions->LocalFailover()) {
        TRetryMode retryMode = (ConnLostCause == clUnknown || ConnLostCause == clExecute) ? rmRaise : rmReconnectExecute;
        if (OnConnectionLost)
            OnConnectionLost(this, E.Component(), ConnLostCause, retryMode);
        Reconnect = retryMode != rmRaise;
        Reexecute = (retryMode == rmReconnectExecute && ConnLostCause != clUnknown) ||
                    (ConnLostCause == clConnect && retryMode != rmRaise);
        Fail = !Reexecute;
    }
    if (!Reexecute && OnError)
        OnError(this, E, Fail);
    if (fatal && FIConnection) {
        FIConnection->SetIsValid(false);
        if (TCRConnectionPool* pool = FIConnection->Pool())
            pool->Invalidate();
    }
    if (fatal && ReconnectAttempt == 0)
        CloseTransactionsOnConnectionLost();
    if (!FInProcessError && !Reconnect && fatal && ReconnectAttempt == 0) {
        FlagScope inProcess(FInProcessError, true);
        try {
            Disconnect();
        } catch (...) {
            // The connection is lost already; the original error is what the caller sees.
        }
    }
}

// ---- transactions -------------------------------------------------------------------------------

TDATransaction* TCustomDAConnection::GetDefaultTransaction() const
{
    return FDefaultTransaction ? FDefaultTransaction : FInternalDefTransaction;
}

void TCustomDAConnection::SetDefaultTransaction(TDATransaction* Value)
{
    if (Value == FInternalDefTransaction)
        Value = nullptr;
    if (Value == FDefaultTransaction)
        return;
    if (FDefaultTransaction) {
        RemoveFreeNotification(FDefaultTransaction);
        DoRemoveTransaction(FDefaultTransaction);
    }
    if (Value) {
        DoAddTransaction(Value);
        FreeNotification(Value);
    }
    FDefaultTransaction = Value;
}

int TCustomDAConnection::AddTransaction(TDATransaction* Transaction)
{
    auto found = std::find(FTransactions.begin(), FTransactions.end(), Transaction);
    if (found != FTransactions.end())
        return int(found - FTransactions.begin());
    FTransactions.push_back(Transaction);
    return int(FTransactions.size()) - 1;
}

void TCustomDAConnection::RemoveTransaction(TDATransaction* Transaction)
{
    FTransactions.erase(std::remove(FTransactions.begin(), FTransactions.end(), Transaction), FTransactions.end());
    if (FDefaultTransaction == Transaction)
        FDefaultTransaction = nullptr;
}

int TCustomDAConnection::DoAddTransaction(TDATransaction* Transaction)
{
    int index = AddTransaction(Transaction);
    if (Transaction)
        Transaction->AddConnection(this);
    return index;
}

void TCustomDAConnection::DoRemoveTransaction(TDATransaction* Transaction)
{
    if (Transaction)
        Transaction->RemoveConnection(this);
    RemoveTransaction(Transaction);
}

bool TCustomDAConnection::DetectInTransaction(bool CanActivate) const
{
    for (TDATransaction* transaction : FTransactions)
        if (transaction->GetInTransaction(transaction == FInternalDefTransaction ? CanActivate : false))
            return true;
    return false;
}

TDATransaction* TCustomDAConnection::UsedTransaction() const
{
    if (!IsMultipleTransactionsSupported())
        for (TDATransaction* transaction : FTransactions)
            if (transaction->Active())
                return transaction;
    return GetDefaultTransaction();
}

void TCustomDAConnection::DisconnectTransaction()
{
    for (TDATransaction* transaction : std::vector<TDATransaction*>(FTransactions))
        transaction->CloseTransaction(true);
    DetachITransactions();
}

void TCustomDAConnection::SuppressAutoCommit()
{
    if (FIConnection)
        FIConnection->SetProp(PropAutoCommit, core::Variant(false));
}

void TCustomDAConnection::RestoreAutoCommit()
{
    if (FIConnection)
        FIConnection->SetProp(PropAutoCommit, core::Variant(FAutoCommit));
}

void TCustomDAConnection::StartTransaction()
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->StartTransaction();
}

void TCustomDAConnection::Commit()
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->Commit();
}

void TCustomDAConnection::Rollback()
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->Rollback();
}

void TCustomDAConnection::CommitRetaining()
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->CommitRetaining();
}

void TCustomDAConnection::RollbackRetaining()
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->RollbackRetaining();
}

void TCustomDAConnection::Savepoint(StringView Name)
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->Savepoint(Name);
}

void TCustomDAConnection::RollbackToSavepoint(StringView Name)
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->RollbackToSavepoint(Name);
}

void TCustomDAConnection::ReleaseSavepoint(StringView Name)
{
    if (TDATransaction* transaction = GetDefaultTransaction())
        transaction->ReleaseSavepoint(Name);
}

// ---- factories ----------------------------------------------------------------------------------

std::unique_ptr<TDAConnectionOptions> TCustomDAConnection::CreateOptions()
{
    return std::make_unique<TDAConnectionOptions>(this);
}

std::unique_ptr<TPoolingOptions> TCustomDAConnection::CreatePoolingOptions()
{
    return std::make_unique<TPoolingOptions>(this);
}

std::unique_ptr<TDATransaction> TCustomDAConnection::CreateTransaction()
{
    auto transaction = std::make_unique<TDATransaction>();
    transaction->SetDefaultConnection(this);
    return transaction;
}

void TCustomDAConnection::CheckCommand() { CORE_ASSERT(false, u"The internal SQL command is not available"); }

std::unique_ptr<TCustomDADataSet> TCustomDAConnection::CreateDataSet()
{
    CORE_ASSERT(false, u"The dataset component is not available");
}

std::unique_ptr<TCustomDASQL> TCustomDAConnection::CreateSQL()
{
    CORE_ASSERT(false, u"The SQL command component is not available");
}

std::unique_ptr<TDAMetaData> TCustomDAConnection::CreateMetaData()
{
    CORE_ASSERT(false, u"The metadata component is not available");
}

// ---- properties ---------------------------------------------------------------------------------

void TCustomDAConnection::SetUsername(StringView Value)
{
    if (Value == FUsername)
        return;
    Disconnect();
    FUsername = String(Value);
}

void TCustomDAConnection::SetPassword(StringView Value)
{
    if (Value == FPassword)
        return;
    Disconnect();
    FPassword = String(Value);
}

void TCustomDAConnection::SetServer(StringView Value)
{
    if (Value == FServer)
        return;
    Disconnect();
    FServer = String(Value);
}

void TCustomDAConnection::SetConnectDialog(TDAConnectDialogBase* Value)
{
    if (Value == FConnectDialog)
        return;
    if (FConnectDialog) {
        RemoveFreeNotification(FConnectDialog);
        if (FConnectDialog->Connection() == this)
            FConnectDialog->SetConnection(nullptr);
    }
    FConnectDialog = Value;
    if (Value) {
        FreeNotification(Value);
        Value->SetConnection(this);
    }
}

void TCustomDAConnection::SetDebug(bool Value)
{
    FDebug = Value;
}

void TCustomDAConnection::SetConvertEOL(bool Value)
{
    FConvertEOL = Value;
    if (FIConnection)
        FIConnection->SetProp(PropConvertEOL, core::Variant(Value));
}

void TCustomDAConnection::SetAutoCommit(bool Value)
{
    FAutoCommit = Value;
    if (FIConnection)
        FIConnection->SetProp(PropAutoCommit, core::Variant(Value));
}

void TCustomDAConnection::SetPooling(bool Value)
{
    if (Value != FPooling) {
        SetConnected(false);
        FreeIConnection();
    }
    FPooling = Value;
}

void TCustomDAConnection::MonitorMessage(StringView Msg) { SQLMonitorClass().CustomMessage(this, Msg); }

} // namespace data
