// The SQL monitor component: where connections, commands, datasets, transactions and pools report
// what they do. The library calls class operations of a monitor class before and after each action;
// when the class has an active monitor object, that object formats a text and passes it to the
// outputs its options choose: an external COM monitor, the external monitor tool over TCP (through
// the process's client) and its own OnSQL event. Reporting never changes an action's outcome.
//
// A monitor class is a pair: the component class and its class object (a TCustomDASQLMonitorClass
// descendant, one constant instance), which carries the class operations and the class's virtual
// ones. The base class object has no monitor to offer, so with it every report ends without output.
#pragma once

#include "core/component.h"
#include "data/access/daerror.h"
#include "data/access/daparams.h"
#include "data/access/monitormessages.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace data {

class TDBMonitor;
class TCustomDASQLMonitor;

enum TDATraceFlag {
    tfQPrepare, tfQExecute, tfQFetch, tfError, tfStmt, tfConnect, tfTransact, tfBlob, tfService, tfMisc,
    tfParams, tfObjDestroy, tfPool,
};
using TDATraceFlags = uint32_t;  // a set of TDATraceFlag
constexpr TDATraceFlags TraceFlag(TDATraceFlag Flag) { return TDATraceFlags(1) << Flag; }

enum TMonitorOption { moDialog, moSQLMonitor, moDBMonitor, moCustom, moHandled };
using TMonitorOptions = uint32_t;  // a set of TMonitorOption
constexpr TMonitorOptions MonitorOption(TMonitorOption Option) { return TMonitorOptions(1) << Option; }

// tfQPrepare, tfQExecute, tfError, tfConnect, tfTransact, tfMisc, tfParams.
inline constexpr TDATraceFlags DefaultTraceFlags = 1643;
// moDialog, moSQLMonitor, moDBMonitor, moCustom.
inline constexpr TMonitorOptions DefaultMonitorOptions = 15;

using TOnSQLEvent = std::function<void(core::Object* Sender, const String& Text, TDATraceFlag Flag)>;

// What the monitor asks of an SQL command or a dataset; their component classes implement it.
class IDAMonitoredSQL {
public:
    virtual bool IsDataSet() const = 0;
    // The connection component, or null.
    virtual core::Component* GetMonitoredConnection() const = 0;
    // Statements are shown by the debug display also when the monitor's options leave it to the
    // object (moCustom).
    virtual bool Debug() const = 0;
    virtual int32_t GetRowsAffected() const = 0;

protected:
    ~IDAMonitoredSQL() = default;
};

// The TCP settings of a monitor object.
class TDBMonitorOptions : public core::Persistent {
public:
    const String& Host() const { return FHost; }
    void SetHost(String Value) { FHost = std::move(Value); }
    int32_t Port() const { return FPort; }
    void SetPort(int32_t Value) { FPort = Value; }
    int32_t ReconnectTimeout() const { return FReconnectTimeout; }
    void SetReconnectTimeout(int32_t Value) { FReconnectTimeout = Value; }
    int32_t SendTimeout() const { return FSendTimeout; }
    void SetSendTimeout(int32_t Value) { FSendTimeout = Value; }

protected:
    // Copies to another TDBMonitorOptions; any other destination is left alone.
    void AssignTo(core::Persistent& Dest) const override;

private:
    String FHost;
    int32_t FPort = 1000;
    int32_t FReconnectTimeout = 5000;
    int32_t FSendTimeout = 1000;
};

// Unit hooks, unset by default and cleared by the unit's start and end. Set them before reporting
// starts: they are read by whichever thread reports.
using TShowDebugProc = std::function<void(core::Object* Obj, const String& SQL, const String& Caption, TDAParams* Params)>;
using TGetCallStackProc = std::function<void(std::vector<String>& CallStack)>;
extern TShowDebugProc ShowDebugProc;
extern TGetCallStackProc GetCallStackProc;
void ClearSQLMonitorHooks();

// The class side of a monitor class. Obj is the object whose action is reported; MessageID is the
// caller's variable that links the report before the action to the one after it.
class TCustomDASQLMonitorClass {
public:
    virtual ~TCustomDASQLMonitorClass() = default;

    // The active monitor object of the class; none in the base.
    virtual TCustomDASQLMonitor* GetMonitor() const { return nullptr; }
    // Callers skip building texts when this is false.
    bool HasMonitor() const { return GetMonitor() != nullptr; }

    void SQLPrepare(core::Object* Obj, StringView SQL, TDAParams* Params, uint32_t& MessageID, bool BeforeEvent) const;
    void SQLUnprepare(core::Object* Obj, StringView SQL, TDAParams* Params, uint32_t& MessageID, bool BeforeEvent) const;
    void SQLExecute(core::Object* Obj, StringView SQL, TDAParams* Params, StringView Caption, uint32_t& MessageID,
                    bool BeforeEvent) const;
    // Connection is the connection component (an IDAConnection).
    void DBConnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent) const;
    void DBDisconnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent) const;
    virtual void TRStart(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const;
    virtual void TRCommit(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const;
    virtual void TRRollback(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const;
    void TRCommitRetaining(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const;
    void TRRollbackRetaining(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const;
    void TRSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID, bool BeforeEvent) const;
    void TRRollbackToSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID, bool BeforeEvent) const;
    void TRReleaseSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID, bool BeforeEvent) const;
    // Obj is the error's component.
    void DBError(const EDAError& Exception) const;
    void CustomMessage(core::Object* Obj, StringView Msg) const;
    void ObjectDestroyed(core::Object* Obj) const;
    // Obj is a pool (TCRConnectionPool) when WithCount or WithParams is set.
    void PoolMessage(core::Object* Obj, StringView Msg, bool WithCount, bool WithParams) const;

    // Parameter texts: the framework's type name (string types with "[length]"), the direction, the
    // value as shown to the user.
    virtual String GetParamDataType(const TDAParam& Param) const;
    virtual String GetParamParamType(const TDAParam& Param) const;
    virtual String GetParamValue(const TDAParam& Param) const;
    // ":name(type,direction)=value"; fills SQLParam.
    String GetParam(const TDAParam& Param, TMsgSQLParam& SQLParam) const;
    // Each parameter's text followed by " \r\n"; SQLParams gets one record each.
    String GetParams(const TDAParams* Params, TMsgSQLParams& SQLParams) const;
    String GetParams(const TDAParams* Params) const;
    virtual String GetCaption() const { return u"DataAccess"; }

    // Calls ShowDebugProc when it is set.
    void ShowDebug(core::Object* Obj, StringView SQL, StringView Caption, TDAParams* Params) const;

protected:
    friend class TCustomDASQLMonitor;
    // Told when an object of the class becomes active or inactive, before its outputs attach and
    // after they detach; a descendant keeps its active object here. Also called while the object is
    // constructed or destroyed: only its base part may be used.
    virtual void MonitorActiveChanged(TCustomDASQLMonitor& Monitor, bool Active) const;
};

class TCustomDASQLMonitor : public core::Component {
public:
    // Active unless the owner is being read from a stream; then Loaded applies the streamed value.
    explicit TCustomDASQLMonitor(core::Component* AOwner = nullptr);
    ~TCustomDASQLMonitor() override;

    // The class object of the base class.
    static const TCustomDASQLMonitorClass& Class();
    const TCustomDASQLMonitorClass& GetClass() const { return *FClass; }

    bool Active() const { return FActive.load(); }
    void SetActive(bool Value);
    TDATraceFlags TraceFlags() const { return FTraceFlags.load(); }
    void SetTraceFlags(TDATraceFlags Value) { FTraceFlags.store(Value); }
    TMonitorOptions Options() const { return FOptions.load(); }
    void SetOptions(TMonitorOptions Value);
    const TDBMonitorOptions& DBMonitorOptions() const { return FDBMonitorOptions; }
    TDBMonitorOptions& DBMonitorOptions() { return FDBMonitorOptions; }
    void SetDBMonitorOptions(const TDBMonitorOptions& Value) { FDBMonitorOptions.Assign(Value); }
    // Registered with the COM monitor.
    bool Registered() const { return FRegistered; }

    void Loaded() override;

    TOnSQLEvent OnSQL;

protected:
    friend class TCustomDASQLMonitorClass;

    // For descendants: Class is the class object of the concrete class, which lives for the process.
    TCustomDASQLMonitor(core::Component* AOwner, const TCustomDASQLMonitorClass& Class);

    // While an object is constructed its own overrides are not reached yet: activation in the
    // constructor uses the base versions of these.
    virtual void RegisterSQLMonitorClient();
    virtual void UnregisterSQLMonitorClient();
    // The parent of Obj: a command's or dataset's connection, a pool's manager; null otherwise.
    virtual core::Object* GetObjectConnection(core::Object* Obj);
    // 1 connection, 2 transaction, 3 SQL command, 4 dataset, 5 pool or pool manager, 0 other.
    virtual int GetObjectType(core::Object* Obj);
    virtual void InternalSQLExecute(core::Object* Obj, StringView SQL, uint32_t& MessageID, bool BeforeEvent,
                                    StringView Caption, TDAParams* Params);
    virtual void InternalTRStart(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID);
    virtual void InternalTRCommit(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID);
    virtual void InternalTRRollback(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID);

    void InternalSQLPrepare(core::Object* Obj, StringView SQL, uint32_t& MessageID, bool BeforeEvent, TDAParams* Params);
    void InternalSQLUnprepare(core::Object* Obj, StringView SQL, uint32_t& MessageID, bool BeforeEvent,
                              TDAParams* Params);
    void InternalDBConnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent);
    void InternalDBDisconnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent);
    void InternalTRSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID, bool BeforeEvent);
    void InternalTRRollbackToSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID, bool BeforeEvent);
    void InternalTRReleaseSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID, bool BeforeEvent);
    void InternalTRCommitRetaining(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID);
    void InternalTRRollbackRetaining(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID);
    void InternalDBError(const EDAError& Exception);
    void InternalCustomMessage(core::Object* Obj, StringView Msg);
    void InternalObjectDestroyed(core::Object* Obj);
    void InternalPoolMessage(core::Object* Obj, StringView Msg, bool WithCount, bool WithParams);

    // Empty unless moHandled: " [name$address; connection$address] ".
    String GetObjectSuffix(core::Object* Obj);
    // The component's name, or "<class> ($address)".
    String GetObjectName(core::Object* Obj);
    // Reports a TCP event: a start event before the action, an end event after it, paired by
    // MessageID.
    void SendDBMonitorEvent(bool BeforeEvent, int32_t EventType, uint32_t& MessageID, StringView ErrorText,
                            bool Failed, const TMsgSQLParams& Params, StringView SQL, core::Object* Obj,
                            StringView Description);
    // Hands Text to the COM monitor, when registered with one.
    void SendToSQLMonitor(const String& Text);

private:
    // The COM monitor's trace-flag callback lands here.
    friend void SetMonitorTraceFlags(TCustomDASQLMonitor& Monitor, TDATraceFlags Flags);

    enum TActionKind { akPrepare, akUnprepare, akExecute };
    // What prepare, unprepare and execute share.
    void ReportSQL(TActionKind Kind, core::Object* Obj, StringView SQL, uint32_t& MessageID, bool BeforeEvent,
                   StringView Caption, TDAParams* Params);
    // Applies the streamed Active value, then tells whether Flag is traced.
    bool Tracing(TDATraceFlag Flag);
    bool HasOption(TMonitorOption Option) const { return (Options() & MonitorOption(Option)) != 0; }
    // The transaction reports: start, commit, rollback and their retaining forms.
    void ReportTransaction(StringView Action, int32_t EventType, core::Object* Obj, bool BeforeEvent,
                           uint32_t& MessageID, bool WithUser);
    void ReportSavepoint(StringView Action, core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                         bool BeforeEvent);
    // An event reported as a start and an end at once.
    void ReportWhole(TDATraceFlag Flag, int32_t EventType, core::Object* Obj, const String& Text, StringView SQL);
    void AttachSQLMonitor(bool Attach);
    void AttachDBMonitor(bool Attach);
    void StartDBMonitor();
    void ShowDebugIfDue(core::Object* Obj, StringView SQL, StringView Caption, TDAParams* Params);
    void CallOnSQL(core::Object* Obj, const String& Text, TDATraceFlag Flag);

    const TCustomDASQLMonitorClass* FClass;
    std::atomic<bool> FActive = false;
    std::atomic<TDATraceFlags> FTraceFlags = DefaultTraceFlags;
    std::atomic<TMonitorOptions> FOptions = DefaultMonitorOptions;
    std::atomic<bool> FStreamedActive = true;
    bool FRegistered = false;                  // guarded by FLock
    void* FSMClient = nullptr;                 // the COM monitor object (IUnknown), guarded by FLock
    std::atomic<TDBMonitor*> FDBMonitor = nullptr;  // the process's client; not owned
    TDBMonitorOptions FDBMonitorOptions;
    std::recursive_mutex FLock;                // activation, option switches and the COM object
};

// The object's address as upper-case hexadecimal, full pointer width.
String ObjectAddressText(const void* Obj);

} // namespace data
