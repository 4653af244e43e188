// The SQL monitor component: texts, activation and the TCP and OnSQL outputs. The COM output is
// in sqlmonitor_win32.cpp (the host build has none).
#include "data/access/sqlmonitor.h"

#include "core/datetime.h"
#include "core/format.h"
#include "data/access/connectionpool.h"
#include "data/access/monitorclient.h"

namespace data {

TShowDebugProc ShowDebugProc;
TGetCallStackProc GetCallStackProc;

void ClearSQLMonitorHooks()
{
    ShowDebugProc = nullptr;
    GetCallStackProc = nullptr;
}

String ObjectAddressText(const void* Obj)
{
    return core::IntToHex(uint64_t(reinterpret_cast<uintptr_t>(Obj)), int(sizeof(void*) * 2));
}

void TDBMonitorOptions::AssignTo(core::Persistent& Dest) const
{
    if (auto* dest = dynamic_cast<TDBMonitorOptions*>(&Dest)) {
        dest->FHost = FHost;
        dest->FPort = FPort;
        dest->FReconnectTimeout = FReconnectTimeout;
        dest->FSendTimeout = FSendTimeout;
    }
}

namespace {

const core::Char kCRLF[] = u"\r\n";

bool IsStringType(TFieldType Type)
{
    return Type == ftString || Type == ftFixedChar || Type == ftWideString || Type == ftFixedWideChar;
}

core::Component* AsComponent(core::Object* Obj) { return dynamic_cast<core::Component*>(Obj); }

// "user@server" of a connection component; empty for anything else.
String UserAtServer(core::Object* Obj)
{
    auto* connection = dynamic_cast<IDAConnection*>(Obj);
    return connection ? connection->GetUsername() + u"@" + connection->GetServer() : String();
}

} // namespace

// ---- class side ---------------------------------------------------------------------------------

void TCustomDASQLMonitorClass::MonitorActiveChanged(TCustomDASQLMonitor&, bool) const {}

void TCustomDASQLMonitorClass::SQLPrepare(core::Object* Obj, StringView SQL, TDAParams* Params, uint32_t& MessageID,
                                          bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalSQLPrepare(Obj, core::TrimRight(SQL), MessageID, BeforeEvent, Params);
    else if (BeforeEvent)
        ShowDebug(Obj, SQL, u"Prepare", Params);
}

void TCustomDASQLMonitorClass::SQLUnprepare(core::Object* Obj, StringView SQL, TDAParams* Params,
                                            uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalSQLUnprepare(Obj, core::TrimRight(SQL), MessageID, BeforeEvent, Params);
    else if (BeforeEvent)
        ShowDebug(Obj, SQL, u"Unprepare", Params);
}

void TCustomDASQLMonitorClass::SQLExecute(core::Object* Obj, StringView SQL, TDAParams* Params, StringView Caption,
                                          uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalSQLExecute(Obj, SQL, MessageID, BeforeEvent, Caption, Params);
    else if (BeforeEvent)
        ShowDebug(Obj, SQL, Caption.empty() ? StringView(u"Execute") : Caption, Params);
}

void TCustomDASQLMonitorClass::DBConnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalDBConnect(Connection, MessageID, BeforeEvent);
}

void TCustomDASQLMonitorClass::DBDisconnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalDBDisconnect(Connection, MessageID, BeforeEvent);
}

void TCustomDASQLMonitorClass::TRStart(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRStart(Obj, BeforeEvent, MessageID);
}

void TCustomDASQLMonitorClass::TRCommit(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRCommit(Obj, BeforeEvent, MessageID);
}

void TCustomDASQLMonitorClass::TRRollback(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRRollback(Obj, BeforeEvent, MessageID);
}

void TCustomDASQLMonitorClass::TRCommitRetaining(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRCommitRetaining(Obj, BeforeEvent, MessageID);
}

void TCustomDASQLMonitorClass::TRRollbackRetaining(core::Object* Obj, uint32_t& MessageID, bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRRollbackRetaining(Obj, BeforeEvent, MessageID);
}

void TCustomDASQLMonitorClass::TRSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                                           bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRSavepoint(Obj, Savepoint, MessageID, BeforeEvent);
}

void TCustomDASQLMonitorClass::TRRollbackToSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                                                     bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRRollbackToSavepoint(Obj, Savepoint, MessageID, BeforeEvent);
}

void TCustomDASQLMonitorClass::TRReleaseSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                                                  bool BeforeEvent) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalTRReleaseSavepoint(Obj, Savepoint, MessageID, BeforeEvent);
}

void TCustomDASQLMonitorClass::DBError(const EDAError& Exception) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalDBError(Exception);
}

void TCustomDASQLMonitorClass::CustomMessage(core::Object* Obj, StringView Msg) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalCustomMessage(Obj, Msg);
}

void TCustomDASQLMonitorClass::ObjectDestroyed(core::Object* Obj) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalObjectDestroyed(Obj);
}

void TCustomDASQLMonitorClass::PoolMessage(core::Object* Obj, StringView Msg, bool WithCount, bool WithParams) const
{
    if (TCustomDASQLMonitor* monitor = GetMonitor())
        monitor->InternalPoolMessage(Obj, Msg, WithCount, WithParams);
}

String TCustomDASQLMonitorClass::GetParamDataType(const TDAParam& Param) const
{
    String text = FieldTypeName(Param.DataType());
    if (IsStringType(Param.DataType()))
        text += u"[" + core::IntToStr(int64_t(Param.IsNull() ? 0 : Param.AsString().size())) + u"]";
    return text;
}

String TCustomDASQLMonitorClass::GetParamParamType(const TDAParam& Param) const
{
    switch (Param.ParamType()) {
    case ptInput: return u"IN";
    case ptOutput: return u"OUT";
    case ptInputOutput: return u"IN/OUT";
    case ptResult: return u"RESULT";
    default: return {};
    }
}

String TCustomDASQLMonitorClass::GetParamValue(const TDAParam& Param) const
{
    const TFieldType type = Param.DataType();
    if (type == ftCursor)
        return u"<CURSOR>";
    if (Param.IsNull())
        return u"<NULL>";
    switch (type) {
    case ftDate: return core::DateToStr(Param.AsDateTime());
    case ftDateTime: return core::DateTimeToStr(Param.AsDateTime());
    case ftBytes:
    case ftVarBytes: return u"<BLOB:" + core::IntToStr(int64_t(Param.AsBytes().size())) + u">";
    case ftBlob:
    case ftMemo:
    case ftWideMemo:
    case ftOraBlob:
    case ftOraClob: {
        auto* blob = dynamic_cast<TBlob*>(Param.GetParamObject());
        return u"<BLOB:" + core::IntToStr(blob ? int64_t(blob->Size()) : 0) + u">";
    }
    default: break;
    }
    // Quotes inside are kept as they are: the text is for reading, not for running.
    if (IsStringType(type))
        return u"'" + Param.AsString() + u"'";
    return Param.AsString();
}

String TCustomDASQLMonitorClass::GetParam(const TDAParam& Param, TMsgSQLParam& SQLParam) const
{
    SQLParam.Name = Param.Name();
    SQLParam.DataType = GetParamDataType(Param);
    SQLParam.ParamType = GetParamParamType(Param);
    SQLParam.Value = GetParamValue(Param);
    String kind = SQLParam.DataType;
    if (!SQLParam.ParamType.empty())
        kind += (kind.empty() ? u"" : u",") + SQLParam.ParamType;
    String text = u":" + SQLParam.Name + u"(" + kind + u")";
    if (!SQLParam.Value.empty())
        text += u"=" + SQLParam.Value;
    return text;
}

String TCustomDASQLMonitorClass::GetParams(const TDAParams* Params, TMsgSQLParams& SQLParams) const
{
    SQLParams.clear();
    String text;
    if (Params == nullptr)
        return text;
    for (int i = 0; i < Params->Count(); ++i) {
        TMsgSQLParam record;
        text += GetParam(*Params->Items(i), record) + u" \r\n";
        SQLParams.push_back(std::move(record));
    }
    return text;
}

String TCustomDASQLMonitorClass::GetParams(const TDAParams* Params) const
{
    TMsgSQLParams records;
    return GetParams(Params, records);
}

void TCustomDASQLMonitorClass::ShowDebug(core::Object* Obj, StringView SQL, StringView Caption, TDAParams* Params) const
{
    if (ShowDebugProc)
        ShowDebugProc(Obj, String(SQL), String(Caption), Params);
}

// ---- object: activation -------------------------------------------------------------------------

const TCustomDASQLMonitorClass& TCustomDASQLMonitor::Class()
{
    static const TCustomDASQLMonitorClass base;
    return base;
}

TCustomDASQLMonitor::TCustomDASQLMonitor(core::Component* AOwner) : TCustomDASQLMonitor(AOwner, Class()) {}

TCustomDASQLMonitor::TCustomDASQLMonitor(core::Component* AOwner, const TCustomDASQLMonitorClass& Class)
    : core::Component(AOwner), FClass(&Class)
{
    const bool ownerReading = AOwner && (AOwner->HasState(core::csReading) || AOwner->HasState(core::csLoading));
    if (!ownerReading || HasState(core::csDesigning))
        SetActive(true);
}

TCustomDASQLMonitor::~TCustomDASQLMonitor()
{
    try {
        SetActive(false);
    } catch (...) {
        // Detaching cannot fail in a way worth more than letting the object go.
    }
}

void TCustomDASQLMonitor::Loaded()
{
    core::Component::Loaded();
    SetActive(FStreamedActive);
}

void TCustomDASQLMonitor::SetActive(bool Value)
{
    std::lock_guard lock(FLock);
    FStreamedActive = Value;
    if (HasState(core::csReading) || HasState(core::csLoading) || Value == FActive)
        return;
    FActive = Value;
    if (Value)
        FClass->MonitorActiveChanged(*this, true);
    if (HasOption(moSQLMonitor))
        AttachSQLMonitor(Value);
    if (HasOption(moDBMonitor))
        AttachDBMonitor(Value);
    if (!Value)
        FClass->MonitorActiveChanged(*this, false);
}

void TCustomDASQLMonitor::SetOptions(TMonitorOptions Value)
{
    std::lock_guard lock(FLock);
    const TMonitorOptions old = FOptions;
    if (Value == old)
        return;
    if (FActive) {
        const TMonitorOptions added = Value & ~old, removed = old & ~Value;
        if ((added | removed) & MonitorOption(moSQLMonitor))
            AttachSQLMonitor((added & MonitorOption(moSQLMonitor)) != 0);
        if ((added | removed) & MonitorOption(moDBMonitor))
            AttachDBMonitor((added & MonitorOption(moDBMonitor)) != 0);
    }
    FOptions = Value;
}

void TCustomDASQLMonitor::AttachSQLMonitor(bool Attach)
{
    if (Attach)
        RegisterSQLMonitorClient();
    else
        UnregisterSQLMonitorClient();
}

void TCustomDASQLMonitor::AttachDBMonitor(bool Attach)
{
    if (Attach) {
        FDBMonitor = &GetDBMonitor();
        StartDBMonitor();
    } else if (TDBMonitor* monitor = FDBMonitor.exchange(nullptr)) {
        monitor->Finish();
    }
}

void TCustomDASQLMonitor::StartDBMonitor()
{
    TDBMonitor* monitor = FDBMonitor;
    monitor->SetCaption(FClass->GetCaption());
    monitor->SetHost(core::ToUtf8(FDBMonitorOptions.Host()));
    monitor->SetPort(FDBMonitorOptions.Port());
    monitor->SetReconnectTimeout(uint32_t(FDBMonitorOptions.ReconnectTimeout()));
    monitor->SetSendTimeout(uint32_t(FDBMonitorOptions.SendTimeout()));
    try {
        monitor->Startup();
    } catch (const core::EAbort&) {
    }
}

bool TCustomDASQLMonitor::Tracing(TDATraceFlag Flag)
{
    if (FStreamedActive != FActive)
        SetActive(FStreamedActive);
    return FActive && (TraceFlags() & TraceFlag(Flag)) != 0;
}

// ---- object: names ------------------------------------------------------------------------------

core::Object* TCustomDASQLMonitor::GetObjectConnection(core::Object* Obj)
{
    if (auto* sql = dynamic_cast<IDAMonitoredSQL*>(Obj))
        return sql->GetMonitoredConnection();
    if (auto* pool = dynamic_cast<TCRConnectionPool*>(Obj))
        return pool->Manager();
    return nullptr;
}

int TCustomDASQLMonitor::GetObjectType(core::Object* Obj)
{
    if (dynamic_cast<IDAConnection*>(Obj))
        return 1;
    if (auto* sql = dynamic_cast<IDAMonitoredSQL*>(Obj))
        return sql->IsDataSet() ? 4 : 3;
    if (dynamic_cast<TCRConnectionPool*>(Obj) || dynamic_cast<TCRConnectionPoolManager*>(Obj))
        return 5;
    return 0;
}

String TCustomDASQLMonitor::GetObjectSuffix(core::Object* Obj)
{
    if (!HasOption(moHandled))
        return {};
    core::Component* component = AsComponent(Obj);
    String text = u" [" + (component ? component->Name() : String()) + u"$" + ObjectAddressText(Obj);
    if (auto* sql = dynamic_cast<IDAMonitoredSQL*>(Obj)) {
        if (core::Component* connection = sql->GetMonitoredConnection())
            text += u"; " + connection->Name() + u"$" + ObjectAddressText(connection);
    }
    return text + u"] ";
}

String TCustomDASQLMonitor::GetObjectName(core::Object* Obj)
{
    if (Obj == nullptr)
        return {};
    core::Component* component = AsComponent(Obj);
    if (component && !component->Name().empty())
        return component->Name();
    return Obj->ClassName() + u" ($" + ObjectAddressText(Obj) + u")";
}

// ---- object: outputs ----------------------------------------------------------------------------

void TCustomDASQLMonitor::SendDBMonitorEvent(bool BeforeEvent, int32_t EventType, uint32_t& MessageID,
                                             StringView ErrorText, bool Failed, const TMsgSQLParams& Params,
                                             StringView SQL, core::Object* Obj, StringView Description)
{
    TDBMonitor* monitor = FDBMonitor;
    if (monitor == nullptr)
        return;
    TMonitorEvent event;
    event.EventID = MessageID;
    event.EventType = EventType;
    if (BeforeEvent && Obj != nullptr) {
        // The wire carries 32-bit ids: the low half of the address identifies the object.
        event.ObjectID = uint32_t(reinterpret_cast<uintptr_t>(Obj));
        event.ObjectName = GetObjectName(Obj);
        event.ObjectType = GetObjectType(Obj);
        event.ObjectTypeName = Obj->ClassName();
        if (EventType != 14) {
            if (core::Object* parent = GetObjectConnection(Obj)) {
                event.ParentID = uint32_t(reinterpret_cast<uintptr_t>(parent));
                event.ParentName = GetObjectName(parent);
                event.ParentType = GetObjectType(parent);
                event.ParentTypeName = parent->ClassName();
            }
        }
    }
    event.Description = String(Description);
    event.SQL = String(SQL);
    event.Params = Params;
    event.Failed = Failed;
    event.ErrorText = String(ErrorText);
    if (EventType == 10 && !BeforeEvent) {
        if (auto* sql = dynamic_cast<IDAMonitoredSQL*>(Obj))
            event.RowsAffected = sql->GetRowsAffected();
    }
    if (GetCallStackProc)
        GetCallStackProc(event.CallStack);
    try {
        if (BeforeEvent)
            monitor->SendEventStart(event);
        else
            monitor->SendEventEnd(event);
    } catch (const core::EAbort&) {
    }
    if (BeforeEvent)
        MessageID = event.EventID;
}

void TCustomDASQLMonitor::CallOnSQL(core::Object* Obj, const String& Text, TDATraceFlag Flag)
{
    if (OnSQL)
        OnSQL(Obj, Text, Flag);
}

void TCustomDASQLMonitor::ShowDebugIfDue(core::Object* Obj, StringView SQL, StringView Caption, TDAParams* Params)
{
    if (!HasOption(moDialog))
        return;
    auto* sql = dynamic_cast<IDAMonitoredSQL*>(Obj);
    if ((!HasOption(moCustom) && !HasState(core::csDesigning)) || (sql && sql->Debug()))
        FClass->ShowDebug(Obj, SQL, Caption, Params);
}

// ---- object: handlers ---------------------------------------------------------------------------

void TCustomDASQLMonitor::ReportSQL(TActionKind Kind, core::Object* Obj, StringView SQL, uint32_t& MessageID,
                                    bool BeforeEvent, StringView Caption, TDAParams* Params)
{
    if (!Tracing(Kind == akExecute ? tfQExecute : tfQPrepare))
        return;
    static constexpr const core::Char* kTitles[] = {u"SQL Prepare", u"SQL Unprepare", u"SQL Execute"};
    static constexpr const core::Char* kOnSQL[] = {u"Prepare: ", u"Unprepare: ", u""};
    static constexpr int32_t kEventTypes[] = {8, 9, 10};
    TMsgSQLParams records;
    const String paramText = core::TrimRight(FClass->GetParams(Params, records));
    const bool withParams = Params != nullptr && Params->Count() > 0;
    const String tail = withParams ? kCRLF + paramText : String();
    const String suffix = GetObjectSuffix(Obj);
    const String title = kTitles[Kind];
    String text = title;
    if (Kind == akExecute && !Caption.empty())
        text += u" [" + String(Caption) + u"]";
    text += suffix + u": " + String(SQL);

    if (HasOption(moSQLMonitor) && (BeforeEvent || Kind == akUnprepare)) {
        SendToSQLMonitor(text);
        if (withParams && (TraceFlags() & TraceFlag(tfParams)) != 0)
            SendToSQLMonitor(paramText);
    }
    if (HasOption(moDBMonitor))
        SendDBMonitorEvent(BeforeEvent, kEventTypes[Kind], MessageID, u"", false, records, SQL, Obj,
                           title + suffix + u": " + String(SQL) + tail);
    if (BeforeEvent) {
        CallOnSQL(Obj, kOnSQL[Kind] + String(SQL) + tail, Kind == akExecute ? tfQExecute : tfQPrepare);
        static constexpr const core::Char* kDebugCaptions[] = {u"Prepare", u"Unprepare", u"Execute"};
        ShowDebugIfDue(Obj, SQL, Kind == akExecute && !Caption.empty() ? Caption : StringView(kDebugCaptions[Kind]),
                       Params);
    }
}

void TCustomDASQLMonitor::InternalSQLPrepare(core::Object* Obj, StringView SQL, uint32_t& MessageID, bool BeforeEvent,
                                             TDAParams* Params)
{
    ReportSQL(akPrepare, Obj, SQL, MessageID, BeforeEvent, u"", Params);
}

void TCustomDASQLMonitor::InternalSQLUnprepare(core::Object* Obj, StringView SQL, uint32_t& MessageID,
                                               bool BeforeEvent, TDAParams* Params)
{
    ReportSQL(akUnprepare, Obj, SQL, MessageID, BeforeEvent, u"", Params);
}

void TCustomDASQLMonitor::InternalSQLExecute(core::Object* Obj, StringView SQL, uint32_t& MessageID, bool BeforeEvent,
                                             StringView Caption, TDAParams* Params)
{
    ReportSQL(akExecute, Obj, SQL, MessageID, BeforeEvent, Caption, Params);
}

void TCustomDASQLMonitor::InternalDBConnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent)
{
    if (!Tracing(tfConnect))
        return;
    const String text = u"Connect: " + UserAtServer(Connection) + GetObjectSuffix(Connection);
    if (HasOption(moSQLMonitor) && BeforeEvent)
        SendToSQLMonitor(text);
    if (HasOption(moDBMonitor)) {
        String sql;
        if (auto* connection = dynamic_cast<IDAConnection*>(Connection))
            sql = core::Format(u"Username=%s\r\nServer=%s", {connection->GetUsername(), connection->GetServer()});
        SendDBMonitorEvent(BeforeEvent, 2, MessageID, u"", false, {}, sql, Connection, text);
    }
    if (BeforeEvent)
        CallOnSQL(Connection, text, tfConnect);
}

void TCustomDASQLMonitor::InternalDBDisconnect(core::Object* Connection, uint32_t& MessageID, bool BeforeEvent)
{
    if (!Tracing(tfConnect))
        return;
    const String text = u"Disconnect: " + UserAtServer(Connection) + GetObjectSuffix(Connection);
    if (HasOption(moSQLMonitor) && BeforeEvent)
        SendToSQLMonitor(text);
    if (HasOption(moDBMonitor))
        SendDBMonitorEvent(BeforeEvent, 3, MessageID, u"", false, {}, u"", Connection, text);
    if (BeforeEvent)
        CallOnSQL(Connection, text, tfConnect);
}

void TCustomDASQLMonitor::ReportTransaction(StringView Action, int32_t EventType, core::Object* Obj, bool BeforeEvent,
                                            uint32_t& MessageID, bool WithUser)
{
    if (!Tracing(tfTransact))
        return;
    const String text = String(Action) + (WithUser ? UserAtServer(Obj) : String()) + GetObjectSuffix(Obj);
    if (HasOption(moSQLMonitor) && BeforeEvent)
        SendToSQLMonitor(text);
    if (HasOption(moDBMonitor))
        SendDBMonitorEvent(BeforeEvent, EventType, MessageID, u"", false, {}, u"", Obj, text);
    if (BeforeEvent)
        CallOnSQL(Obj, text, tfTransact);
}

void TCustomDASQLMonitor::InternalTRStart(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID)
{
    ReportTransaction(u"Start: ", 4, Obj, BeforeEvent, MessageID, true);
}

void TCustomDASQLMonitor::InternalTRCommit(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID)
{
    ReportTransaction(u"Commit: ", 5, Obj, BeforeEvent, MessageID, true);
}

void TCustomDASQLMonitor::InternalTRRollback(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID)
{
    ReportTransaction(u"Rollback: ", 6, Obj, BeforeEvent, MessageID, true);
}

void TCustomDASQLMonitor::InternalTRCommitRetaining(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID)
{
    ReportTransaction(u"CommitRetaining: ", 5, Obj, BeforeEvent, MessageID, false);
}

void TCustomDASQLMonitor::InternalTRRollbackRetaining(core::Object* Obj, bool BeforeEvent, uint32_t& MessageID)
{
    ReportTransaction(u"RollbackRetaining: ", 6, Obj, BeforeEvent, MessageID, false);
}

void TCustomDASQLMonitor::ReportSavepoint(StringView Action, core::Object* Obj, StringView Savepoint,
                                          uint32_t& MessageID, bool BeforeEvent)
{
    if (!Tracing(tfTransact))
        return;
    const String text = String(Action) + String(Savepoint) + u" " + GetObjectSuffix(Obj);
    if (HasOption(moSQLMonitor))
        SendToSQLMonitor(text);
    if (HasOption(moDBMonitor))
        SendDBMonitorEvent(BeforeEvent, 7, MessageID, u"", false, {}, u"", Obj, text);
    CallOnSQL(Obj, text, tfTransact);
}

void TCustomDASQLMonitor::InternalTRSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                                              bool BeforeEvent)
{
    ReportSavepoint(u"Savepoint ", Obj, Savepoint, MessageID, BeforeEvent);
}

void TCustomDASQLMonitor::InternalTRRollbackToSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                                                        bool BeforeEvent)
{
    ReportSavepoint(u"Rollback to savepoint ", Obj, Savepoint, MessageID, BeforeEvent);
}

void TCustomDASQLMonitor::InternalTRReleaseSavepoint(core::Object* Obj, StringView Savepoint, uint32_t& MessageID,
                                                     bool BeforeEvent)
{
    ReportSavepoint(u"Release savepoint ", Obj, Savepoint, MessageID, BeforeEvent);
}

void TCustomDASQLMonitor::InternalDBError(const EDAError& Exception)
{
    if (!Tracing(tfError))
        return;
    const String text = u"Error: " + Exception.Message();
    if (HasOption(moSQLMonitor))
        SendToSQLMonitor(text);
    if (HasOption(moDBMonitor)) {
        uint32_t messageID = 0;
        SendDBMonitorEvent(false, 16, messageID, Exception.Message(), true, {}, u"", Exception.Component(), text);
    }
    CallOnSQL(Exception.Component(), text, tfError);
}

void TCustomDASQLMonitor::ReportWhole(TDATraceFlag Flag, int32_t EventType, core::Object* Obj, const String& Text,
                                      StringView SQL)
{
    if (HasOption(moSQLMonitor))
        SendToSQLMonitor(Text);
    if (HasOption(moDBMonitor)) {
        uint32_t messageID = 0;
        SendDBMonitorEvent(true, EventType, messageID, u"", false, {}, SQL, Obj, Text);
        SendDBMonitorEvent(false, EventType, messageID, u"", false, {}, SQL, Obj, Text);
    }
    CallOnSQL(Obj, Text, Flag);
}

void TCustomDASQLMonitor::InternalCustomMessage(core::Object* Obj, StringView Msg)
{
    if (Tracing(tfMisc))
        ReportWhole(tfMisc, 16, Obj, String(Msg) + GetObjectSuffix(Obj), u"");
}

void TCustomDASQLMonitor::InternalObjectDestroyed(core::Object* Obj)
{
    if (Tracing(tfObjDestroy))
        ReportWhole(tfObjDestroy, 14, Obj, u"Object destroyed: " + GetObjectName(Obj), u"");
}

void TCustomDASQLMonitor::InternalPoolMessage(core::Object* Obj, StringView Msg, bool WithCount, bool WithParams)
{
    if (!Tracing(tfPool))
        return;
    auto* pool = dynamic_cast<TCRConnectionPool*>(Obj);
    String text(Msg);
    if (WithCount && pool)
        text += core::Format(u". Pool has %d connection(s)", {pool->GetConnectionCount()});
    text += GetObjectSuffix(Obj);
    ReportWhole(tfPool, 15, Obj, text, WithParams && pool ? pool->ConnectionParameters().AsString() : String());
}

} // namespace data
