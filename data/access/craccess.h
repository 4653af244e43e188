// The provider layer: the connection and transaction that a database provider derives from and that
// the components drive without knowing the server behind them, the distributed transaction over the
// system's coordinator, and the numbered properties through which the components set and read
// provider settings. The base classes talk to no server: what needs one is abstract or raises.
#pragma once

#include "core/exception.h"
#include "core/object.h"
#include "core/variant.h"
#include "data/access/mtscall.h"
#include "data/storage/iohandler.h"
#include "data/storage/sortcolumns.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace data {

// ---- numbered properties ------------------------------------------------------------------------

inline constexpr int PropUsername = 1;
inline constexpr int PropAutoCommit = 5;
inline constexpr int PropConvertEOL = 28;
inline constexpr int PropDisconnectedMode = 31;
inline constexpr int PropIsolationLevel = 35;
inline constexpr int PropReadOnly = 37;
// Accepted and ignored by the base; a provider may give them a meaning.
inline constexpr int PropReserved38 = 38;
inline constexpr int PropReserved39 = 39;
inline constexpr int PropParamSizeDefault = 40;
inline constexpr int PropEnableBCD = 41;
inline constexpr int PropEnableFMTBCD = 42;
inline constexpr int PropDefaultSortType = 48;
inline constexpr int PropLastInsertId = 49;

// An unknown property number is a programming error: an assertion failure whose message is the number.
[[noreturn]] void UnknownProp(int Prop);

// ---- shared types -------------------------------------------------------------------------------

// Why a connection was lost.
enum TConnLostCause {
    clUnknown,
    clExecute,
    clOpen,
    clRefresh,
    clApply,
    clServiceQuery,
    clTransStart,
    clConnectionApply,
    clConnect,
};

enum TCRIsolationLevel { ilReadCommitted, ilReadUnCommitted, ilRepeatableRead, ilIsolated, ilSnapshot, ilCustom };

// The connection's error handler: it may change Fail, ask for a reconnect and for the interrupted
// operation to run again, and name the cause of the loss.
using TErrorProc = std::function<void(const core::Exception& E, bool& Fail, bool& Reconnect, bool& Reexecute,
                                      int ReconnectAttempt, TConnLostCause& ConnLostCause)>;
using TReconnectProc = std::function<void()>;
using TCRErrorProc = std::function<void(const core::Exception& E, bool& Fail)>;

// Raised out of the error loop when the connection came back and the handler asked for the operation
// to run again; the component layer catches it. Its message is empty.
class EFailOver : public core::Exception {
public:
    explicit EFailOver(TConnLostCause ConnLostCause) : FConnLostCause(ConnLostCause) {}

    TConnLostCause FConnLostCause;
};

class TCRConnection;
class TCRTransaction;
class TMTSTransaction;

// Class references: the function that makes an object of the class.
using TCRConnectionClass = std::unique_ptr<TCRConnection> (*)();
using TCRTransactionClass = std::unique_ptr<TCRTransaction> (*)();

template<class T, class Base>
std::unique_ptr<Base> NewOf()
{
    return std::make_unique<T>();
}

// The pool that lent a connection (connectionpool.h): where ReturnToPool hands it back.
class TCRConnectionPool;

// The member connections of a transaction, in the order added; they are not owned.
class TCRConnections {
public:
    int Count() const { return int(m_items.size()); }
    TCRConnection* Items(int Index) const { return m_items.at(size_t(Index)); }
    int IndexOf(const TCRConnection* Connection) const;
    void Add(TCRConnection* Connection) { m_items.push_back(Connection); }
    void Delete(int Index) { m_items.erase(m_items.begin() + Index); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<TCRConnection*> m_items;
};

// ---- connection ---------------------------------------------------------------------------------

// A provider connects in Connect (setting FConnected, then calling the inherited Connect) and supplies
// GetTransactionClass, Disconnect, AssignConnect, CheckIsValid and the three version texts. Make
// connections with NewConnection<T>(), which also creates the internal transaction of T's class: a
// constructor cannot reach the provider's GetTransactionClass. Likewise a provider's destructor
// disconnects: the base's cannot reach the provider's Disconnect.
class TCRConnection : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    virtual void JoinDistributedTransaction(TMTSTransaction* Transaction);
    virtual void LeaveDistributedTransaction(TMTSTransaction* Transaction);
    // The error loop, for a provider to call with the error of a failed server call; the handler may
    // change Fail, which the provider reads afterwards. Raises EFailOver when a reconnect succeeded and
    // the handler asked for the operation to run again.
    virtual void ProcessError(const core::Exception& E, bool& Fail);
    virtual TCRTransactionClass GetTransactionClass() const;
    TCRConnection();
    virtual void Connect(StringView ConnectString);
    virtual void Disconnect();
    virtual void Assign(const TCRConnection& Source);
    virtual void AssignConnect(TCRConnection* Source);
    virtual void SetUsername(StringView Value) { FUsername = String(Value); }
    virtual void SetPassword(StringView Value) { FPassword = String(Value); }
    virtual bool CheckIsValid();
    virtual void ReturnToPool();
    virtual String GetServerVersion();
    virtual String GetServerVersionFull();
    virtual String GetClientVersion();
    virtual bool CanChangeDatabase() { return true; }
    virtual bool SetProp(int Prop, const core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);

    ~TCRConnection() override;

    // ---- static operations ----
    bool GetConnected() const { return FConnected; }
    void SetConnected(bool Value);
    // Creates the internal transaction on first use when the connection was not made by NewConnection.
    TCRTransaction* GetInternalTransaction();
    void CreateInternalTransaction();
    void SetServer(StringView Value) { FServer = String(Value); }
    const String& GetUsername() const { return FUsername; }
    const String& GetPassword() const { return FPassword; }
    const String& GetServer() const { return FServer; }
    THttpOptions& HttpOptions() const { return *FHttpOptions; }
    void SetHttpOptions(const THttpOptions& Value) { FHttpOptions->Assign(Value); }

    // ---- properties ----
    TErrorProc OnError;
    TReconnectProc OnReconnectError;
    TReconnectProc OnReconnectSuccess;

    uint32_t ConnectionTime() const { return FConnectionTime; }
    bool NativeConnection() const { return FNativeConnection; }
    bool IsValid() const { return FIsValid; }
    void SetIsValid(bool Value) { FIsValid = Value; }
    TCRConnectionPool* Pool() const { return FPool; }
    void SetPool(TCRConnectionPool* Value) { FPool = Value; }
    int32_t PoolVersion() const { return FPoolVersion; }
    void SetPoolVersion(int32_t Value) { FPoolVersion = Value; }
    core::Object* Component() const { return FComponent; }
    void SetComponent(core::Object* Value) { FComponent = Value; }
    bool DisconnectedMode() const { return FDisconnectedMode; }
    void SetDisconnectedMode(bool Value) { FDisconnectedMode = Value; }
    TCRIOHandler* IOHandler() const { return FIOHandler; }
    void SetIOHandler(TCRIOHandler* Value) { FIOHandler = Value; }
    bool AutoCommit() const { return FAutoCommit; }
    bool ConvertEOL() const { return FConvertEOL; }
    bool EnableBCD() const { return FEnableBCD; }
    bool EnableFMTBCD() const { return FEnableFMTBCD; }
    TSortType DefaultSortType() const { return FDefaultSortType; }
    bool InProcessError() const { return FInProcessError; }
    bool Reconnected() const { return FReconnected; }

protected:
    uint32_t FConnectionTime = 0;
    std::unique_ptr<TCRTransaction> FInternalTransaction;
    bool FConnected = false;
    bool FNativeConnection = true;
    String FUsername;
    String FPassword;
    String FServer;
    bool FAutoCommit = false;
    bool FConvertEOL = false;
    bool FIsValid = true;
    TCRConnectionPool* FPool = nullptr;
    int32_t FPoolVersion = 0;
    core::Object* FComponent = nullptr;
    bool FDisconnectedMode = false;
    bool FEnableBCD = false;
    bool FEnableFMTBCD = false;
    bool FInProcessError = false;
    bool FReconnected = false;
    TSortType FDefaultSortType = stCaseSensitive;
    TCRIOHandler* FIOHandler = nullptr;
    std::unique_ptr<THttpOptions> FHttpOptions;
};

// Makes a connection of class T with its internal transaction, which has the connection as its
// first member.
template<class T, class... Args>
std::unique_ptr<T> NewConnection(Args&&... args)
{
    auto connection = std::make_unique<T>(std::forward<Args>(args)...);
    connection->CreateInternalTransaction();
    return connection;
}

// ---- transaction --------------------------------------------------------------------------------

class TCRTransaction : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    TCRTransaction() = default;
    virtual bool AddConnection(TCRConnection* Connection);
    virtual bool RemoveConnection(TCRConnection* Connection);
    virtual bool SetProp(int Prop, const core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);
    virtual bool GetInTransaction() const { return FActive; }
    virtual bool DetectInTransaction(bool CanActivate) { return GetInTransaction(); }
    virtual void AssignConnect(TCRTransaction* Source);
    virtual void StartTransaction();
    virtual void Commit();
    virtual void Rollback();
    virtual void CommitRetaining();
    virtual void RollbackRetaining();
    virtual void Savepoint(StringView Name);
    virtual void ReleaseSavepoint(StringView Name);
    virtual void RollbackToSavepoint(StringView Name);
    virtual void Reset() { FActive = false; }
    virtual bool CanRestoreAfterFailover() { return false; }

    // ---- static operations ----
    // Raise "Can't perform operation on active transaction" / "... inactive transaction".
    void CheckInactive();
    void CheckActive();

    // ---- properties ----
    TCRErrorProc OnError;

    core::Object* Component() const { return FComponent; }
    void SetComponent(core::Object* Value) { FComponent = Value; }
    const TCRConnections& Connections() const { return FConnections; }
    TCRIsolationLevel IsolationLevel() const { return FIsolationLevel; }
    bool ReadOnly() const { return FReadOnly; }
    bool NativeTransaction() const { return FNativeTransaction; }

protected:
    bool FActive = false;
    core::Object* FComponent = nullptr;
    TCRConnections FConnections;
    TCRIsolationLevel FIsolationLevel = ilReadCommitted;
    bool FReadOnly = false;
    bool FNativeTransaction = true;
};

// ---- distributed transaction --------------------------------------------------------------------

// A transaction over the system's coordinator: each member connection joins the coordinator's
// transaction; savepoints go to the members' own transactions.
class TMTSTransaction : public TCRTransaction {
public:
    TMTSTransaction() = default;
    ~TMTSTransaction() override;

    bool AddConnection(TCRConnection* Connection) override;
    bool RemoveConnection(TCRConnection* Connection) override;
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    void Savepoint(StringView Name) override;
    void ReleaseSavepoint(StringView Name) override;
    void RollbackToSavepoint(StringView Name) override;

    // ---- own virtual operations ----
    virtual void BeginDistributedTransaction();
    virtual void EndDistributedTransaction(bool Commit);
    virtual void EnlistConnection(TCRConnection* Connection);
    virtual void UnenlistConnection(TCRConnection* Connection);

    ICRTransactionSC* MTSTransaction() const { return FMTSTrans.get(); }

private:
    // Holds one counted reference to a coordinator object.
    template<class I>
    struct Release {
        void operator()(I* Object) const { Object->Release(); }
    };

    std::unique_ptr<ICRTransactionDispenserSC, Release<ICRTransactionDispenserSC>> FMTSGC;
    std::unique_ptr<ICRTransactionSC, Release<ICRTransactionSC>> FMTSTrans;
};

// Raises when a coordinator call failed (the safe-call rule of its interfaces).
void CheckDtcResult(TDtcResult Result);

} // namespace data
