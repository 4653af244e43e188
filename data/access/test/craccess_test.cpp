// The provider base classes: numbered properties, what the base leaves to a provider, the error loop
// against the scripted provider's log, and the member list of a transaction.
#include "data/access/craccess.h"
#include "data/access/connectionpool.h"
#include "data/access/testing/scripted.h"
#include "data/storage/memutils.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace data;
using namespace data::testing;

namespace {

using Log = std::vector<String>;

// The message of an assertion failure without its "(file, line n)" tail.
String AssertionOf(const std::function<void()>& action)
{
    String message = ErrorOf<core::EAssertionFailed>(action);
    return message.substr(0, message.find(u" ("));
}

TEST(CRConnection, PropertiesOfTheBase)
{
    struct Case {
        int prop;
        bool write;
        core::Variant value;
        std::function<core::Variant(const TCRConnection&)> stored;  // what a write left, or null
        std::optional<core::Variant> read;                          // what a read yields
    };
    const Case cases[] = {
        {PropUsername, false, {}, nullptr, core::Variant(u"scott")},
        {PropAutoCommit, true, true, [](auto& c) { return core::Variant(c.AutoCommit()); }, {}},
        {PropConvertEOL, true, true, [](auto& c) { return core::Variant(c.ConvertEOL()); }, {}},
        {PropDisconnectedMode, true, true, [](auto& c) { return core::Variant(c.DisconnectedMode()); }, {}},
        {PropEnableBCD, true, true, [](auto& c) { return core::Variant(c.EnableBCD()); }, {}},
        {PropEnableFMTBCD, true, true, [](auto& c) { return core::Variant(c.EnableFMTBCD()); }, {}},
        {PropDefaultSortType, true, int32_t(stBinary),
         [](auto& c) { return core::Variant(int32_t(c.DefaultSortType())); }, {}},
        {PropReserved38, true, 7, nullptr, {}},
        {PropReserved39, true, 7, nullptr, {}},
        {PropParamSizeDefault, false, {}, nullptr, int32_t(0)},
        {PropLastInsertId, false, {}, nullptr, int32_t(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prop);
        TCRConnection connection;
        connection.SetUsername(u"scott");
        if (c.write) {
            EXPECT_TRUE(connection.SetProp(c.prop, c.value));
            if (c.stored) {
                EXPECT_EQ(c.stored(connection), c.value);
            }
            // Write-only numbers are unknown to a read.
            core::Variant out;
            EXPECT_EQ(AssertionOf([&] { connection.GetProp(c.prop, out); }), core::IntToStr(c.prop));
        } else {
            core::Variant out;
            EXPECT_TRUE(connection.GetProp(c.prop, out));
            EXPECT_EQ(out.VarType(), c.read->VarType());
            EXPECT_EQ(out, *c.read);
            EXPECT_EQ(AssertionOf([&] { connection.SetProp(c.prop, 1); }), core::IntToStr(c.prop));
        }
    }
    TCRConnection connection;
    core::Variant out;
    EXPECT_EQ(AssertionOf([&] { connection.SetProp(99, 1); }), u"99");
    EXPECT_EQ(AssertionOf([&] { connection.GetProp(99, out); }), u"99");
    TCRTransaction transaction;
    EXPECT_EQ(AssertionOf([&] { transaction.SetProp(99, 1); }), u"99");
    EXPECT_EQ(AssertionOf([&] { transaction.GetProp(99, out); }), u"99");
}

TEST(CRConnection, WhatTheBaseLeavesToAProvider)
{
    TCRConnection connection;
    const std::function<void()> abstract[] = {
        [&] { connection.GetTransactionClass(); },
        [&] { connection.Disconnect(); },
        [&] { connection.AssignConnect(nullptr); },
        [&] { connection.CheckIsValid(); },
        [&] { connection.GetServerVersion(); },
        [&] { connection.GetServerVersionFull(); },
        [&] { connection.GetClientVersion(); },
        [&] { connection.GetInternalTransaction(); },
        [&] { connection.SetConnected(false); },
    };
    for (const auto& operation : abstract)
        EXPECT_EQ(ErrorOf<core::EAbstractError>(operation), u"Abstract Error");
    EXPECT_EQ(ErrorOf<core::Exception>([&] { connection.JoinDistributedTransaction(nullptr); }),
              u"MS DTC transactions not supported");
    EXPECT_EQ(ErrorOf<core::Exception>([&] { connection.LeaveDistributedTransaction(nullptr); }),
              u"MS DTC transactions not supported");
    EXPECT_TRUE(connection.CanChangeDatabase());
    EXPECT_EQ(AssertionOf([&] { connection.ReturnToPool(); }), u"Assertion failed");

    connection.SetIsValid(false);
    connection.Connect(u"");
    EXPECT_TRUE(connection.IsValid());
    EXPECT_FALSE(connection.GetConnected());  // the provider sets it, not the base
}

TEST(CRConnection, CreationAssignAndPool)
{
    auto server = std::make_shared<TScriptedServer>();
    auto connection = NewConnection<TScriptedConnection>(server, u"a");
    TCRTransaction* internal = connection->GetInternalTransaction();
    EXPECT_TRUE(IsClassOf<TScriptedTransaction>(internal));
    ASSERT_EQ(internal->Connections().Count(), 1);
    EXPECT_EQ(internal->Connections().Items(0), connection.get());
    EXPECT_FALSE(connection->GetConnected());
    EXPECT_TRUE(connection->NativeConnection());
    EXPECT_TRUE(connection->IsValid());

    connection->SetConnected(true);
    connection->SetConnected(false);
    EXPECT_EQ(server->Log(), (Log{u"a connect", u"a disconnect"}));

    connection->SetServer(u"host");
    connection->SetUsername(u"u");
    connection->SetPassword(u"p");
    connection->SetProp(PropEnableBCD, true);
    connection->SetProp(PropAutoCommit, true);
    connection->OnError = [](auto&, bool&, bool&, bool&, int, TConnLostCause&) {};
    TScriptedConnection copy(server, u"b");
    copy.Assign(*connection);
    EXPECT_EQ(copy.GetServer(), u"host");
    EXPECT_EQ(copy.GetUsername(), u"u");
    EXPECT_EQ(copy.GetPassword(), u"p");
    EXPECT_TRUE(copy.EnableBCD());
    EXPECT_FALSE(copy.AutoCommit());  // not one of the copied settings
    EXPECT_TRUE(bool(copy.OnError));

    THttpOptions options;
    options.SetUrl(u"http://tunnel/");
    connection->SetHttpOptions(options);
    EXPECT_EQ(connection->HttpOptions().Url(), u"http://tunnel/");
    EXPECT_NE(&connection->HttpOptions(), &options);

    struct Manager : TCRConnectionPoolManager {
        std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters&) override { return nullptr; }
    } manager;
    struct Pool : TCRConnectionPool {
        using TCRConnectionPool::TCRConnectionPool;
        std::vector<TCRConnection*> returned;
        void ValidateConnections() override {}
        int GetConnectionCount() override { return 0; }
        TCRConnection* TakeConnection() override { return nullptr; }
        void StoreConnection(TCRConnection* c) override { returned.push_back(c); }
        void Invalidate() override {}
    } pool(&manager, TCRConnectionParameters());
    core::Object user;
    connection->SetPool(&pool);
    connection->SetComponent(&user);
    connection->ReturnToPool();
    EXPECT_EQ(pool.returned, std::vector<TCRConnection*>{connection.get()});
    EXPECT_FALSE(bool(connection->OnError));
    EXPECT_EQ(connection->Component(), nullptr);
}

// ---- the error loop -----------------------------------------------------------------------------

struct Decision {
    bool reconnect = false;
    bool reexecute = false;
    TConnLostCause cause = clUnknown;
};

enum class Outcome { Returns, RaisesError, RaisesFailOver, RaisesFromHandler };

struct LoopCase {
    const char* name;
    bool handler;
    std::vector<Decision> decisions;  // by attempt; none left: stop reconnecting
    int refusals;                     // reconnects the server refuses
    int raiseAt;                      // the handler raises at this attempt (-1: never)
    Log log;                          // after the failing call
    Outcome outcome;
    std::vector<int> attempts;        // the attempt numbers the handler saw
    int reconnectErrors;
    int reconnectSuccesses;
};

TEST(CRConnectionErrorLoop, HandlerChoicesAgainstTheServerLog)
{
    const Decision lost{true, false, clExecute};
    const Decision rerun{true, true, clOpen};
    const LoopCase cases[] = {
        {"no handler returns at once", false, {}, 0, -1, {}, Outcome::RaisesError, {}, 0, 0},
        {"handler without reconnect", true, {{}}, 0, -1, {}, Outcome::RaisesError, {0}, 0, 0},
        {"reconnect, no re-execution", true, {lost}, 0, -1, {u"a disconnect", u"a connect"}, Outcome::Returns,
         {0}, 0, 1},
        {"reconnect and re-execute", true, {rerun}, 0, -1, {u"a disconnect", u"a connect"},
         Outcome::RaisesFailOver, {0}, 0, 1},
        {"second attempt connects without disconnecting", true, {lost, lost}, 1, -1,
         {u"a disconnect", u"a connect", u"a connect"}, Outcome::Returns, {0, 1}, 0, 1},
        {"reconnect failing until the handler gives up", true, {lost, lost, {}}, 5, -1,
         {u"a disconnect", u"a connect", u"a connect"}, Outcome::RaisesError, {0, 1, 2}, 1, 0},
        {"handler raising at the second attempt", true, {lost}, 5, 1, {u"a disconnect", u"a connect"},
         Outcome::RaisesFromHandler, {0, 1}, 0, 0},
    };
    for (const LoopCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = std::make_shared<TScriptedServer>();
        auto connection = NewConnection<TScriptedConnection>(server, u"a");
        connection->Connect(u"");
        std::vector<int> attempts;
        int reconnectErrors = 0, reconnectSuccesses = 0;
        bool connectedDuringNotification = false;
        if (c.handler) {
            connection->OnError = [&](const core::Exception& E, bool& Fail, bool& Reconnect, bool& Reexecute,
                                      int Attempt, TConnLostCause& Cause) {
                EXPECT_EQ(E.Message(), u"Connection lost");
                EXPECT_TRUE(connection->InProcessError());
                // Re-entry from inside the handler returns at once.
                bool inner = true;
                connection->ProcessError(E, inner);
                attempts.push_back(Attempt);
                if (Attempt == c.raiseAt)
                    throw core::Exception(u"handler failed");
                Decision d = size_t(Attempt) < c.decisions.size() ? c.decisions[size_t(Attempt)] : Decision{};
                Reconnect = d.reconnect;
                Reexecute = d.reexecute;
                Cause = d.cause;
                // The operation goes on after a reconnect without re-execution; the last answer counts.
                Fail = !(Reconnect && !Reexecute);
            };
        }
        connection->OnReconnectError = [&] {
            ++reconnectErrors;
            connectedDuringNotification = connection->GetConnected();
        };
        connection->OnReconnectSuccess = [&] { ++reconnectSuccesses; };
        server->ClearLog();
        server->FailCall(1, sfConnectionLost);
        server->RefuseConnects(c.refusals);
        Outcome outcome = Outcome::Returns;
        try {
            connection->Execute(u"select");
        } catch (const EFailOver& error) {
            outcome = Outcome::RaisesFailOver;
            EXPECT_EQ(error.FConnLostCause, clOpen);
            EXPECT_EQ(error.Message(), u"");
        } catch (const EScriptedError& error) {
            outcome = Outcome::RaisesError;
            EXPECT_EQ(error.Fault(), sfConnectionLost);
        } catch (const core::Exception& error) {
            outcome = Outcome::RaisesFromHandler;
            EXPECT_EQ(error.Message(), u"handler failed");
        }
        Log expected{u"a select"};
        expected.insert(expected.end(), c.log.begin(), c.log.end());
        EXPECT_EQ(server->Log(), expected);
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(reconnectErrors, c.reconnectErrors);
        EXPECT_EQ(reconnectSuccesses, c.reconnectSuccesses);
        EXPECT_EQ(connectedDuringNotification, c.reconnectErrors > 0);
        EXPECT_FALSE(connection->InProcessError());
        EXPECT_EQ(connection->GetConnected(), c.reconnectSuccesses > 0);
    }
}

TEST(CRConnectionErrorLoop, FailuresInsideTheLoopAreSwallowed)
{
    auto server = std::make_shared<TScriptedServer>();
    auto connection = NewConnection<TScriptedConnection>(server, u"a");
    connection->Connect(u"");
    connection->OnError = [](auto&, bool& Fail, bool& Reconnect, bool&, int Attempt, TConnLostCause&) {
        Reconnect = Attempt == 0;
        Fail = false;
    };
    connection->OnReconnectSuccess = [] { throw core::Exception(u"notification failed"); };
    server->ClearLog();
    // The call itself, then the disconnect of the reconnect fail; the connect goes through.
    server->FailCall(1, sfFatal);
    server->FailCall(2, sfFatal);
    EXPECT_NO_THROW(connection->Execute(u"insert"));
    EXPECT_EQ(server->Log(), (Log{u"a insert", u"a disconnect", u"a connect"}));
    EXPECT_TRUE(connection->Reconnected());
    EXPECT_TRUE(connection->GetConnected());
}

// ---- transactions -------------------------------------------------------------------------------

TEST(CRTransaction, MembersPropertiesAndWhatTheBaseRefuses)
{
    TCRConnection a, b;
    TCRTransaction transaction;
    EXPECT_TRUE(transaction.AddConnection(&a));
    EXPECT_TRUE(transaction.AddConnection(&b));
    EXPECT_FALSE(transaction.AddConnection(&a));
    EXPECT_EQ(transaction.Connections().Count(), 2);
    EXPECT_TRUE(transaction.RemoveConnection(&a));
    EXPECT_FALSE(transaction.RemoveConnection(&a));
    ASSERT_EQ(transaction.Connections().Count(), 1);
    EXPECT_EQ(transaction.Connections().Items(0), &b);

    core::Variant value;
    EXPECT_TRUE(transaction.GetProp(PropIsolationLevel, value));
    EXPECT_EQ(value, core::Variant(int32_t(ilReadCommitted)));
    EXPECT_TRUE(transaction.SetProp(PropIsolationLevel, int32_t(ilSnapshot)));
    EXPECT_TRUE(transaction.SetProp(PropReadOnly, true));
    EXPECT_TRUE(transaction.GetProp(PropIsolationLevel, value));
    EXPECT_EQ(value.VarType(), core::varInteger);
    EXPECT_EQ(value.AsInteger(), int(ilSnapshot));
    EXPECT_TRUE(transaction.GetProp(PropReadOnly, value));
    EXPECT_EQ(value.VarType(), core::varBoolean);
    EXPECT_TRUE(value.AsBoolean());

    for (const auto& operation : std::initializer_list<std::function<void()>>{
             [&] { transaction.StartTransaction(); }, [&] { transaction.Commit(); },
             [&] { transaction.Rollback(); }})
        EXPECT_EQ(AssertionOf(operation), u"Must be overrided");
    for (const auto& operation : std::initializer_list<std::function<void()>>{
             [&] { transaction.CommitRetaining(); }, [&] { transaction.RollbackRetaining(); },
             [&] { transaction.Savepoint(u"s"); }, [&] { transaction.ReleaseSavepoint(u"s"); },
             [&] { transaction.RollbackToSavepoint(u"s"); }})
        EXPECT_EQ(ErrorOf<core::Exception>(operation), u"Operation is not supported by the database");
    EXPECT_FALSE(transaction.CanRestoreAfterFailover());

    EXPECT_EQ(ErrorOf<core::Exception>([&] { transaction.CheckActive(); }),
              u"Can't perform operation on inactive transaction");
    EXPECT_NO_THROW(transaction.CheckInactive());

    // Taking over an active transaction makes this one active and not its own.
    auto server = std::make_shared<TScriptedServer>();
    auto connection = NewConnection<TScriptedConnection>(server, u"a");
    TCRTransaction* running = connection->GetInternalTransaction();
    running->StartTransaction();
    transaction.AssignConnect(running);
    EXPECT_TRUE(transaction.GetInTransaction());
    EXPECT_TRUE(transaction.DetectInTransaction(false));
    EXPECT_FALSE(transaction.NativeTransaction());
    EXPECT_EQ(ErrorOf<core::Exception>([&] { transaction.CheckInactive(); }),
              u"Can't perform operation on active transaction");
    transaction.Reset();
    EXPECT_FALSE(transaction.GetInTransaction());
    EXPECT_EQ(server->Log(), (Log{u"a start"}));
}

} // namespace
