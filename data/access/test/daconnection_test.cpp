// The connection component against the scripted provider (whose call log is the oracle) and the
// SQLite provider: connecting, counted use, the login prompt, failover, pooling and clean-up.
#include "data/access/daconnection.h"
#include "data/access/testing/daconnections.h"
#include "data/access/testing/refpool.h"
#include "data/access/testing/sqlite.h"
#include "data/access/testing/sqlitepool.h"
#include "data/access/testing/testmonitor.h"
#include "data/dataset/test/arraydataset.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace data;
using namespace data::testing;
using Log = std::vector<core::String>;

namespace {

int CountOf(const Log& log, const core::String& entry) { return int(std::count(log.begin(), log.end(), entry)); }

// The log without the property settings, which follow every new provider transaction.
Log Calls(const Log& log)
{
    Log calls;
    std::copy_if(log.begin(), log.end(), std::back_inserter(calls),
                 [](const core::String& entry) { return entry.find(u" prop ") == core::String::npos; });
    return calls;
}

// A dataset client with the cursor state DoError looks at.
class TFakeDataSet : public data::test::TArrayDataSet, public IDAConnectionDataSet {
public:
    explicit TFakeDataSet(TCustomDAConnection* Connection) : m_connection(Connection) { Connection->RegisterClient(this); }
    ~TFakeDataSet() override { DetachConnection(); }

    void DetachConnection() override
    {
        if (m_connection)
            m_connection->UnRegisterClient(this);
        m_connection = nullptr;
    }
    TCRRecordSet* GetIRecordSet() const override { return nullptr; }
    bool Prepared() const override { return prepared; }
    bool IsActive() const override { return active; }
    bool FetchAll() const override { return false; }
    bool Fetched() const override { return false; }
    bool IsQuery() const override { return true; }
    TCustomDAConnection* Connection() const { return m_connection; }

    bool prepared = false;
    bool active = false;

private:
    TCustomDAConnection* m_connection;
};

// A command client; told clients may raise what the test plans.
class TFakeSQL : public core::Component, public IDAConnectionSQL {
public:
    explicit TFakeSQL(TCustomDAConnection* Connection) : m_connection(Connection)
    {
        Connection->RegisterClient(this, [this](core::Object*, bool connecting) {
            if (!connecting && failures > 0) {
                --failures;
                throw EScriptedError(sfConnectionLost);
            }
            if (!connecting)
                ++told;
        });
    }
    ~TFakeSQL() override { DetachConnection(); }

    void DetachConnection() override
    {
        if (m_connection)
            m_connection->UnRegisterClient(this);
        m_connection = nullptr;
    }
    TCRCommand* GetICommand() const override { return nullptr; }
    bool Prepared() const override { return prepared; }
    bool Executing() const override { return false; }
    void SetDebug(bool) override {}
    TCustomDAConnection* Connection() const { return m_connection; }

    bool prepared = false;
    int failures = 0;  // fatal errors still to raise when told of a disconnect
    int told = 0;

private:
    TCustomDAConnection* m_connection;
};

// A login dialog that connects when the test says yes.
class TFakeDialog : public TDAConnectDialogBase {
public:
    TCustomDAConnection* Connection() const override { return m_connection; }
    void SetConnection(TCustomDAConnection* Value) override { m_connection = Value; }
    bool Execute() override
    {
        ++shown;
        if (answer)
            m_connection->PerformConnect();
        return answer;
    }

    static inline int shown = 0;
    static inline bool answer = true;

private:
    TCustomDAConnection* m_connection = nullptr;
};

class TPromptedConnection : public TScriptedDAConnection {
public:
    using TScriptedDAConnection::TScriptedDAConnection;
    TConnectDialogClass ConnectDialogClass() const override { return NewOf<TFakeDialog, TDAConnectDialogBase>; }
};

// Runs one server call as a component's operation would: pushed under Cause, run again after EFailOver.
struct OperationRun {
    int runs = 0;
    bool raised = false;
    core::String error;
};

OperationRun RunOperation(TCustomDAConnection& Connection, TConnLostCause Cause, bool AllowFailOver = true)
{
    OperationRun result;
    Connection.PushOperation(Cause, AllowFailOver);
    auto* provider = dynamic_cast<TScriptedConnection*>(Connection.GetIConnection());
    for (;;) {
        try {
            ++result.runs;
            provider->Execute(u"work");
            break;
        } catch (const EFailOver&) {
            Connection.RestoreTransactionsAfterFailover();
        } catch (const EDAError& error) {
            result.raised = true;
            result.error = error.Message();
            break;
        }
    }
    Connection.PopOperation();
    return result;
}

} // namespace

TEST(DAConnection, ConnectOnceDisconnectAndRefusal)
{
    TScriptedDAConnection connection;
    int afterConnect = 0;
    connection.AfterConnect = [&](TCustomConnection&) { ++afterConnect; };
    connection.SetLoginPrompt(false);

    connection.SetConnected(true);
    connection.SetConnected(true);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 1);
    EXPECT_EQ(afterConnect, 1);
    EXPECT_EQ(CountOf(connection.Server().Log(), u"conn connect"), 1);

    // Disconnect keeps the provider connection for the next connect and resets the counter.
    TCRConnection* provider = connection.GetIConnection();
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 0);
    EXPECT_EQ(connection.GetIConnection(), provider);

    connection.Server().RefuseConnects(1);
    EXPECT_EQ(ErrorOf<EDAError>([&] { connection.Connect(); }), u"Connection refused");
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 0);
    EXPECT_EQ(afterConnect, 1);
    EXPECT_EQ(connection.OperationsStackLen(), 0);
}

TEST(DAConnection, SettersDisconnectAndTheBaseAsksForAProvider)
{
    TScriptedDAConnection connection;
    connection.SetLoginPrompt(false);
    for (auto set : std::vector<std::function<void()>>{
             [&] { connection.SetUsername(u"u"); }, [&] { connection.SetPassword(u"p"); },
             [&] { connection.SetServer(u"s"); }, [&] { connection.Options().SetDisconnectedMode(true); }}) {
        connection.Connect();
        set();
        EXPECT_FALSE(connection.Connected());
    }
    // The same value again changes nothing.
    connection.Connect();
    connection.SetServer(u"s");
    EXPECT_TRUE(connection.Connected());

    TCustomDAConnection base;
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { base.GetIConnectionClass(); }).find(u"Must be overrided"),
              core::String::npos);
    EXPECT_FALSE(base.IsMultipleTransactionsSupported());
}

TEST(DAConnection, CountedUseInDisconnectedMode)
{
    TPromptedConnection connection;
    connection.Options().SetDisconnectedMode(true);
    TFakeDialog::shown = 0;
    TFakeDialog::answer = true;

    connection.InternalConnect();
    connection.InternalConnect();
    EXPECT_EQ(connection.ConnectCount(), 2);
    connection.InternalDisconnect();
    EXPECT_TRUE(connection.Connected());
    connection.InternalDisconnect();
    EXPECT_FALSE(connection.Connected());

    // The next use reconnects without a prompt; an active transaction keeps the server connection.
    connection.InternalConnect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(TFakeDialog::shown, 1);
    connection.StartTransaction();
    connection.InternalDisconnect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 0);
    connection.Rollback();
    EXPECT_EQ(Calls(connection.Server().Log()),
              (Log{u"conn connect", u"conn disconnect", u"conn connect", u"conn start", u"conn rollback"}));

    // A full disconnect makes the next connect prompt again.
    connection.Disconnect();
    connection.Connect();
    EXPECT_EQ(TFakeDialog::shown, 2);
}

TEST(DAConnection, LoginPromptOnceAndCancel)
{
    TPromptedConnection connection;
    TFakeDialog::shown = 0;

    // Cancelled: nothing connected, the counter lowered, the connect aborted silently.
    TFakeDialog::answer = false;
    EXPECT_THROW(connection.Connect(), core::EAbort);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 0);

    TFakeDialog::answer = true;
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 1);
    connection.InternalConnect();
    connection.InternalDisconnect();
    EXPECT_EQ(TFakeDialog::shown, 2);

    // An assigned dialog is used in place of a new one.
    TFakeDialog own;
    connection.Disconnect();
    connection.SetConnectDialog(&own);
    EXPECT_EQ(own.Connection(), &connection);
    connection.Connect();
    EXPECT_EQ(TFakeDialog::shown, 3);
    connection.SetConnectDialog(nullptr);
    EXPECT_EQ(own.Connection(), nullptr);

    // Cancelled while the stored Connected is applied: an error, not a silent abort.
    TPromptedConnection loading;
    TFakeDialog::answer = false;
    loading.BeginLoad();
    loading.SetConnected(true);
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { loading.Loaded(); }), u"Cannot connect to database");
    EXPECT_FALSE(loading.Connected());
    TFakeDialog::answer = true;
}

TEST(DAConnection, NeedPromptTable)
{
    struct Case {
        bool lock, loginPrompt, designing;
        const char16_t* username;
        bool expected;
    };
    const Case cases[] = {
        {false, true, false, u"", true},
        {true, true, false, u"", false},
        {false, false, false, u"", false},
        {false, false, true, u"", true},      // design state with no login values
        {false, false, true, u"user", false},
    };
    for (const Case& c : cases) {
        TScriptedDAConnection connection;
        connection.SetLockLoginPrompt(c.lock);
        connection.SetLoginPrompt(c.loginPrompt);
        connection.SetUsername(c.username);
        connection.SetDesigning(c.designing);
        EXPECT_EQ(connection.NeedPrompt(), c.expected) << c.lock << c.loginPrompt << c.designing;
    }
}

TEST(DAConnection, StoredConnectedFollowsKeepDesignConnected)
{
    for (bool keep : {true, false}) {
        TScriptedDAConnection connection;
        connection.SetLoginPrompt(false);
        connection.Options().SetKeepDesignConnected(keep);
        connection.BeginLoad();
        connection.SetConnected(true);
        EXPECT_FALSE(connection.Connected());
        connection.Loaded();
        EXPECT_EQ(connection.Connected(), keep);
        EXPECT_EQ(connection.ConnectCount(), keep ? 1 : 0);
    }
}

TEST(DAConnection, FailoverTable)
{
    enum Client { none, preparedDataSet, preparedCommand, openCursor };
    struct Case {
        const char* name;
        TConnLostCause cause;
        bool localFailover;
        bool handler;
        TRetryMode retry;  // what the handler answers
        Client client;
        int reconnects, runs, onError, disconnects;
        bool connectedAfter;
    };
    // Disconnects count the provider's close before a reconnect as well as the component's own.
    const Case cases[] = {
        {"open re-runs", clOpen, true, false, rmRaise, none, 1, 2, 0, 1, true},
        {"execute raises by default", clExecute, true, false, rmRaise, none, 0, 1, 1, 1, false},
        {"execute re-runs on request", clExecute, true, true, rmReconnectExecute, none, 1, 2, 0, 1, true},
        {"reconnect only", clOpen, true, true, rmReconnect, none, 1, 1, 1, 1, true},
        {"handler says raise", clRefresh, true, true, rmRaise, none, 0, 1, 1, 1, false},
        {"no local failover", clOpen, false, false, rmRaise, none, 1, 1, 1, 1, true},
        {"prepared dataset", clOpen, true, false, rmRaise, preparedDataSet, 0, 1, 1, 1, false},
        {"prepared command", clOpen, true, false, rmRaise, preparedCommand, 0, 1, 1, 1, false},
        {"open cursor", clApply, true, false, rmRaise, openCursor, 0, 1, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedDAConnection connection;
        connection.SetLoginPrompt(false);
        connection.Options().SetLocalFailover(c.localFailover);
        TFakeDataSet dataset(&connection);
        TFakeSQL command(&connection);
        dataset.prepared = c.client == preparedDataSet;
        dataset.active = c.client == openCursor;
        command.prepared = c.client == preparedCommand;
        int onError = 0;
        connection.OnError = [&](core::Object*, const EDAError&, bool&) { ++onError; };
        TConnLostCause told = clUnknown;
        if (c.handler)
            connection.OnConnectionLost = [&](core::Object*, core::Object*, TConnLostCause cause, TRetryMode& mode) {
                told = cause;
                mode = c.retry;
            };
        connection.Connect();
        connection.Server().ClearLog();
        connection.Server().FailCall(1, sfFatal);

        OperationRun run = RunOperation(connection, c.cause);

        const Log& log = connection.Server().Log();
        EXPECT_EQ(CountOf(log, u"conn connect"), c.reconnects);
        EXPECT_EQ(run.runs, c.runs);
        EXPECT_EQ(run.raised, c.runs == 1);
        EXPECT_EQ(onError, c.onError);
        EXPECT_EQ(CountOf(log, u"conn disconnect"), c.disconnects);
        EXPECT_EQ(connection.Connected(), c.connectedAfter);
        if (c.handler) {
            EXPECT_EQ(told, c.cause);
        }
        EXPECT_EQ(connection.OperationsStackLen(), 0);
    }
}

TEST(DAConnection, OperationStackAndCauseDetection)
{
    TScriptedDAConnection connection;
    EXPECT_EQ(connection.PushOperation(clOpen), 0);
    EXPECT_EQ(connection.OperationsStackLen(), 0);

    connection.Options().SetLocalFailover(true);
    for (int i = 0; i < 51; ++i)
        EXPECT_EQ(connection.PushOperation(i == 1 ? clApply : clExecute), i);
    EXPECT_EQ(connection.OperationsStack().size(), 100u);
    // The greatest cause on the stack wins.
    EXPECT_EQ(connection.DetectConnLostCause(nullptr), clApply);
    for (int i = 0; i < 51; ++i)
        connection.PopOperation();

    // A failover refused by the operation, and a connect that never succeeded, are unknown causes.
    connection.PushOperation(clOpen, false);
    EXPECT_EQ(connection.DetectConnLostCause(nullptr), clUnknown);
    connection.PopOperation();
    connection.PushOperation(clConnect);
    EXPECT_EQ(connection.DetectConnLostCause(nullptr), clUnknown);
    connection.PopOperation();
}

TEST(DAConnection, DisconnectEndsWhenAClientKeepsFailing)
{
    TScriptedDAConnection connection;
    connection.SetLoginPrompt(false);
    TFakeSQL first(&connection), second(&connection);
    connection.Connect();
    first.failures = 2;

    connection.Disconnect();

    EXPECT_FALSE(connection.Connected());
    // The first client's first failure restarts the telling; its second is swallowed and the later
    // client is still told (by the restarted pass and by the platform's own pass).
    EXPECT_EQ(first.failures, 0);
    EXPECT_EQ(first.told, 1);
    EXPECT_EQ(second.told, 2);
}

TEST(DAConnection, FreeDetachesClientsAndTransactions)
{
    auto connection = std::make_unique<TScriptedDAConnection>();
    connection->SetLoginPrompt(false);
    TFakeDataSet dataset(connection.get());
    TFakeSQL command(connection.get());
    EXPECT_EQ(connection->SQLCount(), 1);
    EXPECT_EQ(connection->DataSetCount(), 1);

    // The internal default transaction is a member; an assigned one takes its place until freed.
    ASSERT_EQ(connection->TransactionCount(), 1);
    EXPECT_EQ(connection->GetDefaultTransaction(), connection->InternalDefTransaction());
    EXPECT_TRUE(connection->InternalDefTransaction()->ShareTransaction());
    {
        TDATransaction assigned;
        connection->SetDefaultTransaction(&assigned);
        EXPECT_EQ(connection->GetDefaultTransaction(), &assigned);
        EXPECT_EQ(connection->TransactionCount(), 2);
        EXPECT_EQ(assigned.ConnectionsCount(), 1);
    }
    EXPECT_EQ(connection->GetDefaultTransaction(), connection->InternalDefTransaction());
    EXPECT_EQ(connection->TransactionCount(), 1);

    connection->Connect();
    connection->StartTransaction();
    connection.reset();
    EXPECT_EQ(dataset.Connection(), nullptr);
    EXPECT_EQ(command.Connection(), nullptr);
}

TEST(DAConnection, AssignToAndAssignConnect)
{
    TScriptedDAConnection source, dest;
    source.SetUsername(u"u");
    source.SetPassword(u"p");
    source.SetServer(u"s");
    source.SetLoginPrompt(false);
    source.SetConvertEOL(true);
    source.Options().SetLocalFailover(true);
    dest.Assign(source);
    EXPECT_EQ(dest.GetUsername(), u"u");
    EXPECT_EQ(dest.Password(), u"p");
    EXPECT_EQ(dest.GetServer(), u"s");
    EXPECT_FALSE(dest.LoginPrompt());
    EXPECT_TRUE(dest.ConvertEOL());
    EXPECT_TRUE(dest.Options().LocalFailover());

    source.Connect();
    dest.AssignConnect(&source);
    EXPECT_TRUE(dest.Connected());

    TSQLiteDAConnection pooled;
    pooled.SetPooling(true);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { dest.AssignConnect(&pooled); }),
              u"Operation is not allowed when Pooling is True");
}

TEST(DAConnection, PoolingSharesTheHandleUntilAFatalError)
{
    TSQLiteTempDatabase database;
    TSQLiteDAConnection a, b;
    for (TSQLiteDAConnection* connection : {&a, &b}) {
        connection->SetLoginPrompt(false);
        connection->SetServer(database.FileName());
        connection->SetPooling(true);
    }
    a.Connect();
    sqlite3* handle = dynamic_cast<TSQLiteConnection*>(a.GetIConnection())->Handle();
    a.Disconnect();
    EXPECT_EQ(a.GetIConnection(), nullptr);
    b.Connect();
    EXPECT_EQ(dynamic_cast<TSQLiteConnection*>(b.GetIConnection())->Handle(), handle);

    // A fatal error: the connection is marked invalid and the pool invalidated, so that the
    // disconnect frees it instead of keeping it idle (the provider's own reconnect does not change
    // that: the pool no longer takes connections of the old generation).
    auto* pool = dynamic_cast<TRefConnectionPool*>(b.GetIConnection()->Pool());
    ASSERT_NE(pool, nullptr);
    int32_t version = pool->Version();
    bool fail = true;
    b.GetIConnection()->ProcessError(ESQLiteError(u"disk image is malformed", 11), fail);
    EXPECT_GT(pool->Version(), version);
    b.Disconnect();
    EXPECT_EQ(pool->IdleCount(), 0);
    EXPECT_EQ(pool->LentCount(), 0);
    TSQLiteConnectionPoolManager::FreeManager();
}

TEST(DAConnection, ConnectDisconnectAndErrorsReachTheMonitor)
{
    class TMonitored : public TScriptedDAConnection {
    public:
        const TCustomDASQLMonitorClass& SQLMonitorClass() const override { return TTestSQLMonitor::Class(); }
    };
    TTestSQLMonitor monitor;
    monitor.SetOptions(0);
    monitor.SetActive(true);
    std::vector<TDATraceFlag> flags;
    monitor.OnSQL = [&](core::Object*, const core::String&, TDATraceFlag flag) { flags.push_back(flag); };

    TMonitored connection;
    connection.SetLoginPrompt(false);
    connection.Connect();
    const auto connects = std::count(flags.begin(), flags.end(), tfConnect);
    EXPECT_GE(connects, 1);
    connection.Disconnect();
    EXPECT_GT(std::count(flags.begin(), flags.end(), tfConnect), connects);

    connection.Connect();
    connection.Server().FailCall(1, sfConnectionLost);
    EXPECT_EQ(RunOperation(connection, clExecute).error, u"Connection lost");
    EXPECT_EQ(std::count(flags.begin(), flags.end(), tfError), 1);
    EXPECT_FALSE(connection.Connected());
}
