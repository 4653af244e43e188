// The SQL monitor: the base class without a monitor, activation and streaming, the OnSQL texts of
// every action, parameter texts, trace flags, names and suffixes, the debug display rule and the
// events that reach a monitor tool over TCP.
#include "data/access/sqlmonitor.h"

#include "core/datetime.h"
#include "data/access/access.h"
#include "data/access/test/eventually.h"
#include "data/access/test/loopback.h"
#include "data/access/testing/refpool.h"
#include "data/access/testing/testmonitor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <thread>
#include <memory>
#include <vector>

using namespace data;
using data::testing::TTestSQLMonitor;
using accesstest::Eventually;
using monitortest::Decode;
using monitortest::Decoded;
using monitortest::LoopbackListener;
using core::String;

namespace {

constexpr TDATraceFlags kAllFlags = (1u << (tfPool + 1)) - 1;
constexpr TMonitorOptions kHandled = MonitorOption(moHandled);

class FakeConnection : public core::Component, public IDAConnection {
public:
    explicit FakeConnection(const char16_t* name = u"Conn1") { SetName(name); }
    String ClassName() const override { return u"TFakeConnection"; }
    void Disconnect() override {}
    TCRConnection* GetIConnection() const override { return nullptr; }
    String GetUsername() const override { return u"scott"; }
    String GetServer() const override { return u"db1"; }
};

class FakeCommand : public core::Component, public IDAMonitoredSQL {
public:
    FakeCommand(const char16_t* name, core::Component* connection) : m_connection(connection) { SetName(name); }
    String ClassName() const override { return u"TFakeCommand"; }
    bool IsDataSet() const override { return dataset; }
    core::Component* GetMonitoredConnection() const override { return m_connection; }
    bool Debug() const override { return debug; }
    int32_t GetRowsAffected() const override { return rows; }

    bool dataset = false;
    bool debug = false;
    int32_t rows = 0;

private:
    core::Component* m_connection;
};

struct Seen {
    core::Object* sender;
    String text;
    TDATraceFlag flag;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) { *out << core::ToUtf8(seen.text) << " / " << int(seen.flag); }

// A fresh process client and unset hooks for every test.
class SQLMonitor : public ::testing::Test {
protected:
    void SetUp() override { InitAccessUnits(); }
    void TearDown() override { DoneAccessUnits(); }

    // A monitor read from a stream with these settings, active once loaded.
    std::unique_ptr<TTestSQLMonitor> Loaded(TMonitorOptions options, TDATraceFlags flags = kAllFlags,
                                            uint16_t port = 0)
    {
        core::Component reader;
        reader.SetReading(true);
        auto monitor = std::make_unique<TTestSQLMonitor>(&reader);
        reader.RemoveComponent(monitor.get());
        EXPECT_FALSE(monitor->Active());
        monitor->BeginLoad();
        monitor->SetOptions(options);
        monitor->SetTraceFlags(flags);
        monitor->DBMonitorOptions().SetHost(u"127.0.0.1");
        monitor->DBMonitorOptions().SetPort(port);
        monitor->Loaded();
        EXPECT_TRUE(monitor->Active());
        monitor->OnSQL = [this](core::Object* sender, const String& text, TDATraceFlag flag) {
            seen.push_back({sender, text, flag});
        };
        return monitor;
    }

    const TCustomDASQLMonitorClass& cls = TTestSQLMonitor::Class();
    std::vector<Seen> seen;
    FakeConnection conn;
    FakeCommand cmd{u"Cmd1", &conn};
};

String Suffix(core::Object* obj, const char16_t* name) { return u" [" + String(name) + u"$" + ObjectAddressText(obj) + u"] "; }

TEST_F(SQLMonitor, TheBaseClassHasNoMonitorAndOnlyShowsStatementsBeforeTheAction)
{
    const TCustomDASQLMonitorClass& base = TCustomDASQLMonitor::Class();
    EXPECT_FALSE(base.HasMonitor());
    EXPECT_EQ(base.GetCaption(), u"DataAccess");
    uint32_t id = 0;
    base.SQLExecute(&cmd, u"select 1", nullptr, u"", id, true);  // hook unset: nothing

    std::vector<String> shown;
    ShowDebugProc = [&](core::Object* obj, const String& sql, const String& caption, TDAParams*) {
        EXPECT_EQ(obj, &cmd);
        shown.push_back(caption + u": " + sql);
    };
    base.SQLExecute(&cmd, u"select 1", nullptr, u"", id, true);
    base.SQLExecute(&cmd, u"select 2", nullptr, u"Run", id, true);
    base.SQLExecute(&cmd, u"select 3", nullptr, u"", id, false);
    base.SQLPrepare(&cmd, u"select 4", nullptr, id, true);
    base.SQLUnprepare(&cmd, u"select 5", nullptr, id, true);
    base.SQLUnprepare(&cmd, u"select 6", nullptr, id, false);
    base.DBConnect(&conn, id, true);
    base.CustomMessage(&conn, u"hello");
    base.DBError(EDAError(1, u"boom"));
    EXPECT_EQ(shown, (std::vector<String>{u"Execute: select 1", u"Run: select 2", u"Prepare: select 4",
                                          u"Unprepare: select 5"}));
    EXPECT_EQ(id, 0u);
}

TEST_F(SQLMonitor, ActivationFollowsCreationStreamingAndFirstUse)
{
    {
        TTestSQLMonitor monitor;
        EXPECT_TRUE(monitor.Active());
        EXPECT_EQ(monitor.Options(), DefaultMonitorOptions);
        EXPECT_EQ(monitor.TraceFlags(), DefaultTraceFlags);
        EXPECT_EQ(DefaultTraceFlags, TraceFlag(tfQPrepare) | TraceFlag(tfQExecute) | TraceFlag(tfError) |
                                         TraceFlag(tfConnect) | TraceFlag(tfTransact) | TraceFlag(tfMisc) |
                                         TraceFlag(tfParams));
        EXPECT_EQ(cls.GetMonitor(), &monitor);
        monitor.SetActive(false);
        EXPECT_FALSE(cls.HasMonitor());
        monitor.SetActive(true);
        EXPECT_EQ(cls.GetMonitor(), &monitor);
    }
    EXPECT_FALSE(cls.HasMonitor());

    // Read from a stream and never told Loaded: the first report activates it.
    core::Component reader;
    reader.SetReading(true);
    auto* monitor = new TTestSQLMonitor(&reader);
    EXPECT_FALSE(monitor->Active());
    EXPECT_FALSE(cls.HasMonitor());
    monitor->SetOptions(0);
    std::vector<String> texts;
    monitor->OnSQL = [&](core::Object*, const String& text, TDATraceFlag) { texts.push_back(text); };
    monitor->InternalCustomMessage(&conn, u"first");
    EXPECT_TRUE(monitor->Active());
    EXPECT_EQ(cls.GetMonitor(), monitor);
    EXPECT_EQ(texts, std::vector<String>{u"first"});

    // Deactivated while being loaded: the value waits for Loaded.
    monitor->BeginLoad();
    monitor->SetActive(false);
    EXPECT_TRUE(monitor->Active());
    monitor->Loaded();
    EXPECT_FALSE(monitor->Active());
    uint32_t id = 0;
    cls.CustomMessage(&conn, u"unheard");
    monitor->InternalCustomMessage(&conn, u"unheard either");
    EXPECT_EQ(texts, std::vector<String>{u"first"});
    EXPECT_EQ(id, 0u);
}

TEST_F(SQLMonitor, DBMonitorOptionsDefaultAndCopy)
{
    TDBMonitorOptions options;
    EXPECT_EQ(options.Host(), u"");
    EXPECT_EQ(options.Port(), 1000);
    EXPECT_EQ(options.ReconnectTimeout(), 5000);
    EXPECT_EQ(options.SendTimeout(), 1000);
    options.SetHost(u"tool");
    options.SetPort(7);
    options.SetReconnectTimeout(8);
    options.SetSendTimeout(9);
    TDBMonitorOptions copy;
    copy.Assign(options);
    EXPECT_EQ(copy.Host(), u"tool");
    EXPECT_EQ(copy.Port(), 7);
    EXPECT_EQ(copy.ReconnectTimeout(), 8);
    EXPECT_EQ(copy.SendTimeout(), 9);
    // Another destination is left as it is.
    core::Component other;
    EXPECT_NO_THROW(other.Assign(options));
    auto monitor = Loaded(0);
    monitor->SetDBMonitorOptions(options);
    EXPECT_EQ(monitor->DBMonitorOptions().Port(), 7);
}

TEST_F(SQLMonitor, EveryActionGivesItsOnSQLText)
{
    TDAParams params;
    params.CreateParam(ftString, u"p", ptInput)->SetAsString(u"abc");
    params.CreateParam(ftInteger, u"n", ptInput);
    const String paramText = u":p(String[3],IN)='abc' \r\n:n(Integer,IN)=<NULL>";
    data::testing::TRefConnectionPool pool(nullptr, TCRConnectionParameters(), nullptr, core::SystemClock::Instance());
    FakeCommand unnamed(u"", &conn);

    using Run = std::function<void(uint32_t& id, bool before)>;
    struct Case {
        const char* what;
        bool handled;
        Run run;
        std::vector<Seen> expected;
    };
    const String connSuffix = Suffix(&conn, u"Conn1");
    const String cmdSuffix = u" [Cmd1$" + ObjectAddressText(&cmd) + u"; Conn1$" + ObjectAddressText(&conn) + u"] ";
    const std::vector<Case> cases = {
        {"prepare", false, [&](uint32_t& id, bool b) { cls.SQLPrepare(&cmd, u"select 1  ", nullptr, id, b); },
         {{&cmd, u"Prepare: select 1", tfQPrepare}}},
        {"prepare with parameters, handled", true,
         [&](uint32_t& id, bool b) { cls.SQLPrepare(&cmd, u"select 1", &params, id, b); },
         {{&cmd, u"Prepare: select 1\r\n" + paramText, tfQPrepare}}},
        {"unprepare", true, [&](uint32_t& id, bool b) { cls.SQLUnprepare(&cmd, u"select 1\r\n", nullptr, id, b); },
         {{&cmd, u"Unprepare: select 1", tfQPrepare}}},
        {"execute with caption and parameters", true,
         [&](uint32_t& id, bool b) { cls.SQLExecute(&cmd, u"update t", &params, u"Run", id, b); },
         {{&cmd, u"update t\r\n" + paramText, tfQExecute}}},
        {"connect", false, [&](uint32_t& id, bool b) { cls.DBConnect(&conn, id, b); },
         {{&conn, u"Connect: scott@db1", tfConnect}}},
        {"connect, handled", true, [&](uint32_t& id, bool b) { cls.DBConnect(&conn, id, b); },
         {{&conn, u"Connect: scott@db1" + connSuffix, tfConnect}}},
        {"disconnect", false, [&](uint32_t& id, bool b) { cls.DBDisconnect(&conn, id, b); },
         {{&conn, u"Disconnect: scott@db1", tfConnect}}},
        {"start on a connection", false, [&](uint32_t& id, bool b) { cls.TRStart(&conn, id, b); },
         {{&conn, u"Start: scott@db1", tfTransact}}},
        {"commit on another object, handled", true, [&](uint32_t& id, bool b) { cls.TRCommit(&cmd, id, b); },
         {{&cmd, u"Commit: " + cmdSuffix, tfTransact}}},
        {"rollback", false, [&](uint32_t& id, bool b) { cls.TRRollback(&conn, id, b); },
         {{&conn, u"Rollback: scott@db1", tfTransact}}},
        {"commit retaining", false, [&](uint32_t& id, bool b) { cls.TRCommitRetaining(&conn, id, b); },
         {{&conn, u"CommitRetaining: ", tfTransact}}},
        {"rollback retaining, handled", true, [&](uint32_t& id, bool b) { cls.TRRollbackRetaining(&conn, id, b); },
         {{&conn, u"RollbackRetaining: " + connSuffix, tfTransact}}},
        {"savepoint, before and after", false, [&](uint32_t& id, bool b) { cls.TRSavepoint(&conn, u"sp1", id, b); },
         {{&conn, u"Savepoint sp1 ", tfTransact}, {&conn, u"Savepoint sp1 ", tfTransact}}},
        {"rollback to savepoint, handled", true,
         [&](uint32_t& id, bool b) { cls.TRRollbackToSavepoint(&conn, u"sp1", id, b); },
         {{&conn, u"Rollback to savepoint sp1 " + connSuffix, tfTransact},
          {&conn, u"Rollback to savepoint sp1 " + connSuffix, tfTransact}}},
        {"release savepoint", false, [&](uint32_t& id, bool b) { cls.TRReleaseSavepoint(&conn, u"sp1", id, b); },
         {{&conn, u"Release savepoint sp1 ", tfTransact}, {&conn, u"Release savepoint sp1 ", tfTransact}}},
        {"error", true,
         [&](uint32_t&, bool b) {
             if (!b)
                 return;
             EDAError error(3, u"boom");
             error.SetComponent(&cmd);
             cls.DBError(error);
         },
         {{&cmd, u"Error: boom", tfError}}},
        {"custom message, handled", true, [&](uint32_t&, bool b) { if (b) cls.CustomMessage(&conn, u"hello"); },
         {{&conn, u"hello" + connSuffix, tfMisc}}},
        {"object destroyed", true, [&](uint32_t&, bool b) { if (b) cls.ObjectDestroyed(&conn); },
         {{&conn, u"Object destroyed: Conn1", tfObjDestroy}}},
        {"unnamed object destroyed", false, [&](uint32_t&, bool b) { if (b) cls.ObjectDestroyed(&unnamed); },
         {{&unnamed, u"Object destroyed: TFakeCommand ($" + ObjectAddressText(&unnamed) + u")", tfObjDestroy}}},
        {"pool message with count", false,
         [&](uint32_t&, bool b) { if (b) cls.PoolMessage(&pool, u"Pool made", true, false); },
         {{&pool, u"Pool made. Pool has 0 connection(s)", tfPool}}},
        {"pool message, handled", true,
         [&](uint32_t&, bool b) { if (b) cls.PoolMessage(&pool, u"Pool freed", false, true); },
         {{&pool, u"Pool freed [$" + ObjectAddressText(&pool) + u"] ", tfPool}}},
    };
    for (const Case& c : cases) {
        auto monitor = Loaded(c.handled ? kHandled : 0);
        seen.clear();
        uint32_t id = 0;
        c.run(id, true);
        c.run(id, false);
        EXPECT_EQ(seen, c.expected) << c.what;
    }
}

TEST_F(SQLMonitor, ParameterTexts)
{
    struct Case {
        TFieldType type;
        TParamType direction;
        std::function<void(TDAParam&)> set;  // null: the value stays null
        const char16_t* expected;
    };
    const core::TDateTime day = core::EncodeDate(2024, 3, 5);
    const core::TDateTime moment = day + core::EncodeTime(13, 4, 5, 0);
    const String dayText = core::DateToStr(day), momentText = core::DateTimeToStr(moment);
    const std::vector<Case> cases = {
        {ftString, ptInput, [](TDAParam& p) { p.SetAsString(u"abc"); }, u":p(String[3],IN)='abc'"},
        {ftInteger, ptInput, nullptr, u":p(Integer,IN)=<NULL>"},
        {ftInteger, ptOutput, [](TDAParam& p) { p.SetAsInteger(42); }, u":p(Integer,OUT)=42"},
        {ftFloat, ptInputOutput, [](TDAParam& p) { p.SetAsFloat(1.5); }, u":p(Float,IN/OUT)=1.5"},
        {ftInteger, ptResult, [](TDAParam& p) { p.SetAsInteger(-1); }, u":p(Integer,RESULT)=-1"},
        {ftInteger, ptUnknown, [](TDAParam& p) { p.SetAsInteger(7); }, u":p(Integer)=7"},
        {ftFixedChar, ptInput, [](TDAParam& p) { p.SetAsString(u"it's"); }, u":p(FixedChar[4],IN)='it's'"},
        {ftWideString, ptInput, [](TDAParam& p) { p.SetAsString(u"\u4f60\u597d"); },
         u":p(WideString[2],IN)='\u4f60\u597d'"},
        {ftFixedWideChar, ptInput, [](TDAParam& p) { p.SetAsString(u""); }, u":p(FixedWideChar[0],IN)=''"},
        {ftString, ptInput, nullptr, u":p(String[0],IN)=<NULL>"},
        {ftBytes, ptInput, [](TDAParam& p) { p.SetAsBytes({1, 2, 3}); }, u":p(Bytes,IN)=<BLOB:3>"},
        {ftVarBytes, ptInput, [](TDAParam& p) { p.SetAsBytes({1}); }, u":p(VarBytes,IN)=<BLOB:1>"},
        {ftBlob, ptInput, [](TDAParam& p) { p.SetAsBytes({1, 2, 3, 4, 5}); }, u":p(Blob,IN)=<BLOB:5>"},
        {ftMemo, ptInput, [](TDAParam& p) { p.SetAsString(u"hello"); }, u":p(Memo,IN)=<BLOB:5>"},
        {ftWideMemo, ptInput, [](TDAParam& p) { p.SetAsString(u"\u4f60"); }, u":p(WideMemo,IN)=<BLOB:2>"},
        {ftCursor, ptOutput, nullptr, u":p(Cursor,OUT)=<CURSOR>"},
    };
    const TCustomDASQLMonitorClass& base = TCustomDASQLMonitor::Class();
    for (const Case& c : cases) {
        TDAParams params;
        TDAParam* p = params.CreateParam(c.type, u"p", c.direction);
        if (c.set)
            c.set(*p);
        TMsgSQLParam record;
        EXPECT_EQ(base.GetParam(*p, record), c.expected) << FieldTypeName(c.type).size();
        EXPECT_EQ(record.Name, u"p");
    }

    // Dates in the short formats; several parameters each end with a blank and CR LF, with records.
    TDAParams params;
    params.CreateParam(ftDate, u"d", ptInput)->SetAsDateTime(day);
    params.CreateParam(ftDateTime, u"t", ptUnknown)->SetAsDateTime(moment);
    TMsgSQLParams records;
    EXPECT_EQ(base.GetParams(&params, records),
              u":d(Date,IN)=" + dayText + u" \r\n:t(DateTime)=" + momentText + u" \r\n");
    EXPECT_EQ(records, (TMsgSQLParams{{u"d", u"Date", u"IN", dayText}, {u"t", u"DateTime", u"", momentText}}));
    EXPECT_EQ(base.GetParams(nullptr), u"");
}

TEST_F(SQLMonitor, AClearTraceFlagSilencesItsReportsOnEveryOutput)
{
    LoopbackListener tool;
    auto monitor = Loaded(MonitorOption(moDBMonitor), kAllFlags & ~TraceFlag(tfQPrepare), tool.Port());
    uint32_t id = 0;
    cls.SQLPrepare(&cmd, u"select 1", nullptr, id, true);
    cls.SQLPrepare(&cmd, u"select 1", nullptr, id, false);
    cls.SQLUnprepare(&cmd, u"select 1", nullptr, id, true);
    EXPECT_EQ(id, 0u);
    cls.SQLExecute(&cmd, u"select 2", nullptr, u"", id, true);
    EXPECT_NE(id, 0u);
    ASSERT_TRUE(tool.WaitFor([](const auto& c) { return c.size() == 1 && Decode(c[0]).size() == 2; }));
    const std::vector<Decoded> messages = Decode(tool.Connections()[0]);
    EXPECT_EQ(messages[0].type, 2);
    EXPECT_EQ(messages[1].fields[1], "10");
    EXPECT_EQ(seen, (std::vector<Seen>{{&cmd, u"select 2", tfQExecute}}));

    // Without tfConnect and tfError nothing of those shows either.
    seen.clear();
    monitor->SetTraceFlags(TraceFlag(tfQExecute));
    cls.DBConnect(&conn, id, true);
    cls.DBError(EDAError(1, u"boom"));
    cls.CustomMessage(&conn, u"hello");
    EXPECT_TRUE(seen.empty());
}

TEST_F(SQLMonitor, NamesAndSuffixesPrintFullWidthAddresses)
{
    auto monitor = Loaded(kHandled);
    EXPECT_EQ(ObjectAddressText(&conn).size(), sizeof(void*) * 2);
    EXPECT_EQ(monitor->GetObjectSuffix(&conn), Suffix(&conn, u"Conn1"));
    EXPECT_EQ(monitor->GetObjectSuffix(&cmd),
              u" [Cmd1$" + ObjectAddressText(&cmd) + u"; Conn1$" + ObjectAddressText(&conn) + u"] ");
    FakeCommand alone(u"Cmd2", nullptr);
    EXPECT_EQ(monitor->GetObjectSuffix(&alone), Suffix(&alone, u"Cmd2"));
    core::Object plain;
    EXPECT_EQ(monitor->GetObjectSuffix(&plain), Suffix(&plain, u""));
    EXPECT_EQ(monitor->GetObjectName(&conn), u"Conn1");
    EXPECT_EQ(monitor->GetObjectName(&plain), plain.ClassName() + u" ($" + ObjectAddressText(&plain) + u")");
    monitor->SetOptions(0);
    EXPECT_EQ(monitor->GetObjectSuffix(&conn), u"");

    // Object types and parents.
    data::testing::TRefConnectionPool pool(nullptr, TCRConnectionParameters(), nullptr, core::SystemClock::Instance());
    FakeCommand dataset(u"Data1", &conn);
    dataset.dataset = true;
    EXPECT_EQ(monitor->GetObjectType(&conn), 1);
    EXPECT_EQ(monitor->GetObjectType(&cmd), 3);
    EXPECT_EQ(monitor->GetObjectType(&dataset), 4);
    EXPECT_EQ(monitor->GetObjectType(&pool), 5);
    EXPECT_EQ(monitor->GetObjectType(&plain), 0);
    EXPECT_EQ(monitor->GetObjectType(nullptr), 0);
    EXPECT_EQ(monitor->GetObjectConnection(&dataset), &conn);
    EXPECT_EQ(monitor->GetObjectConnection(&conn), nullptr);
    EXPECT_EQ(monitor->GetObjectConnection(&pool), nullptr);
}

TEST_F(SQLMonitor, TheDebugDisplayRule)
{
    struct Case {
        const char* what;
        TMonitorOptions options;
        bool designing, objectDebug, shown;
    };
    const TMonitorOptions dialog = MonitorOption(moDialog), custom = MonitorOption(moCustom);
    const std::vector<Case> cases = {
        {"dialog", dialog, false, false, true},
        {"no dialog", 0, false, true, false},
        {"dialog while designing", dialog, true, false, false},
        {"custom, object not debugging", dialog | custom, false, false, false},
        {"custom, object debugging", dialog | custom, false, true, true},
        {"designing, object debugging", dialog, true, true, true},
    };
    int shown = 0;
    ShowDebugProc = [&](core::Object*, const String&, const String& caption, TDAParams*) {
        EXPECT_EQ(caption, u"Run");
        ++shown;
    };
    for (const Case& c : cases) {
        auto monitor = Loaded(c.options);
        monitor->SetDesigning(c.designing);
        cmd.debug = c.objectDebug;
        shown = 0;
        uint32_t id = 0;
        cls.SQLExecute(&cmd, u"select 1", nullptr, u"Run", id, true);
        cls.SQLExecute(&cmd, u"select 1", nullptr, u"Run", id, false);
        EXPECT_EQ(shown, c.shown ? 1 : 0) << c.what;
    }
}

// The fields of a decoded start event (type 4) and end event (type 5), by position.
enum StartField { sEventType = 1, sDescription, sEventID, sObjectID = 5, sObjectName, sObjectType, sObjectTypeName,
                  sParentID, sParentName, sParentType, sParentTypeName, sSQL, sParamCount };
enum EndField { eEventType = 1, eEventID = 3, eFailed = 5, eErrorText, eParamCount };

std::string Quoted(const String& text) { return "'" + core::ToUtf8(text) + "'"; }
std::string Low32(const void* obj) { return std::to_string(int32_t(uint32_t(reinterpret_cast<uintptr_t>(obj)))); }

TEST_F(SQLMonitor, EventsReachTheToolPairedAndWithTheirObjects)
{
    LoopbackListener tool;
    auto monitor = Loaded(MonitorOption(moDBMonitor) | kHandled, kAllFlags, tool.Port());
    GetCallStackProc = [](std::vector<String>& stack) { stack.push_back(u"frame"); };
    TDAParams params;
    params.CreateParam(ftString, u"p", ptInput)->SetAsString(u"abc");
    cmd.rows = 7;
    data::testing::TRefConnectionPool pool(nullptr, TCRConnectionParameters(), nullptr, core::SystemClock::Instance());

    uint32_t execute = 0, connect = 0;
    cls.SQLExecute(&cmd, u"update t", &params, u"Run", execute, true);
    cls.DBConnect(&conn, connect, true);
    cls.DBConnect(&conn, connect, false);
    cls.SQLExecute(&cmd, u"update t", &params, u"Run", execute, false);
    EDAError error(3, u"boom");
    error.SetComponent(&cmd);
    cls.DBError(error);
    cls.ObjectDestroyed(&cmd);
    cls.PoolMessage(&pool, u"Pool made", false, true);
    EXPECT_NE(execute, 0u);
    EXPECT_NE(connect, execute);

    ASSERT_TRUE(tool.WaitFor([](const auto& c) { return c.size() == 1 && Decode(c[0]).size() == 10; }));
    const std::vector<Decoded> m = Decode(tool.Connections()[0]);
    std::vector<int32_t> types;
    for (const Decoded& d : m)
        types.push_back(d.type);
    EXPECT_EQ(types, (std::vector<int32_t>{2, 4, 4, 5, 5, 5, 4, 5, 4, 5}));

    const String cmdSuffix = u" [Cmd1$" + ObjectAddressText(&cmd) + u"; Conn1$" + ObjectAddressText(&conn) + u"] ";
    // The execute start: the statement alone as SQL, the parameter text in the description (no
    // caption), the command with its connection as parent, the call stack.
    const std::vector<std::string>& start = m[1].fields;
    EXPECT_EQ(start[sEventType], "10");
    EXPECT_EQ(start[sDescription], Quoted(u"SQL Execute" + cmdSuffix + u": update t\r\n:p(String[3],IN)='abc'"));
    EXPECT_EQ(start[sEventID], std::to_string(execute));
    EXPECT_EQ(start[sObjectID], Low32(&cmd));
    EXPECT_EQ(start[sObjectName], "'Cmd1'");
    EXPECT_EQ(start[sObjectType], "3");
    EXPECT_EQ(start[sObjectTypeName], "'TFakeCommand'");
    EXPECT_EQ(start[sParentID], Low32(&conn));
    EXPECT_EQ(start[sParentName], "'Conn1'");
    EXPECT_EQ(start[sParentType], "1");
    EXPECT_EQ(start[sParentTypeName], "'TFakeConnection'");
    EXPECT_EQ(start[sSQL], "'update t'");
    ASSERT_EQ(start.size(), size_t(sParamCount) + 1 + 4 + 2);
    EXPECT_EQ(std::vector<std::string>(start.begin() + sParamCount, start.end()),
              (std::vector<std::string>{"1", "'p'", "'String[3]'", "'IN'", "''abc''", "1", "'frame'"}));

    // The connect pair: its own id, user and server as SQL, no parent.
    EXPECT_EQ(m[2].fields[sEventType], "2");
    EXPECT_EQ(m[2].fields[sEventID], std::to_string(connect));
    EXPECT_EQ(m[2].fields[sSQL], "'Username=scott\r\nServer=db1'");
    EXPECT_EQ(m[2].fields[sParentID], "0");
    EXPECT_EQ(m[3].fields[eEventID], std::to_string(connect));

    // The execute end: same id, rows affected last.
    const std::vector<std::string>& end = m[4].fields;
    EXPECT_EQ(end[eEventType], "10");
    EXPECT_EQ(end[eEventID], std::to_string(execute));
    EXPECT_EQ(end[eFailed], "0");
    EXPECT_EQ(end.back(), "7");

    // The error: one end event, failed, with the message.
    EXPECT_EQ(m[5].fields[eEventType], "16");
    EXPECT_EQ(m[5].fields[eFailed], "1");
    EXPECT_EQ(m[5].fields[eErrorText], "'boom'");
    EXPECT_EQ(m[5].fields[sDescription], "'Error: boom'");

    // The destroyed object: a start and an end, without a parent although the command has one.
    EXPECT_EQ(m[6].fields[sEventType], "14");
    EXPECT_EQ(m[6].fields[sParentID], "0");
    EXPECT_EQ(m[6].fields[sParentName], "''");
    EXPECT_EQ(m[7].fields[eEventID], m[6].fields[sEventID]);

    // The pool: its parameters as SQL.
    EXPECT_EQ(m[8].fields[sEventType], "15");
    EXPECT_EQ(m[8].fields[sObjectType], "5");
    EXPECT_EQ(m[8].fields[sSQL], Quoted(TCRConnectionParameters().AsString()));
    EXPECT_EQ(m[9].fields[eEventType], "15");
    EXPECT_EQ(m[9].fields[eEventID], m[8].fields[sEventID]);
}

TEST_F(SQLMonitor, SwitchingTheToolOffSendsTheFinishMessageAndDetaches)
{
    LoopbackListener tool;
    auto monitor = Loaded(MonitorOption(moDBMonitor), kAllFlags, tool.Port());
    cls.CustomMessage(&conn, u"one");
    ASSERT_TRUE(tool.WaitFor([](const auto& c) { return c.size() == 1 && Decode(c[0]).size() == 3; }));
    monitor->SetOptions(0);
    ASSERT_TRUE(tool.WaitFor([](const auto& c) { return c.size() == 1 && Decode(c[0]).size() == 4; }));
    EXPECT_EQ(Decode(tool.Connections()[0])[3].type, 1);
    cls.CustomMessage(&conn, u"two");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(tool.Connections().size(), 1u);
    EXPECT_EQ(Decode(tool.Connections()[0]).size(), 4u);
    EXPECT_EQ(seen.size(), 2u);  // the event still reports

    // On again: a startup message; deactivation finishes once more.
    monitor->SetOptions(MonitorOption(moDBMonitor));
    monitor->SetActive(false);
    cls.CustomMessage(&conn, u"three");
    ASSERT_TRUE(tool.WaitFor([](const auto& c) {
        std::vector<int32_t> types;
        for (const auto& bytes : c)
            for (const Decoded& d : Decode(bytes))
                types.push_back(d.type);
        return types == std::vector<int32_t>{2, 4, 5, 1, 2, 1};
    }));
    EXPECT_EQ(seen.size(), 2u);
}

} // namespace
