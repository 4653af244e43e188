// Connection pooling: the key's equality and texts, the manager's one pool per key, the validator
// freeing empty pools and keeping busy ones, the reference pool's settings and the SQLite manager.
#include "data/access/connectionpool.h"
#include "data/access/test/eventually.h"
#include "data/access/testing/refpool.h"
#include "data/access/testing/sqlitepool.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace data;
using namespace data::testing;
using accesstest::Eventually;

namespace {

// A connection that needs no server; CheckIsValid answers what the test says.
class TFakeConnection : public TCRConnection {
public:
    void Disconnect() override { FConnected = false; }
    bool CheckIsValid() override { return valid; }
    bool valid = true;
};

std::unique_ptr<TCRConnection> MakeFake(const TCRConnectionParameters&)
{
    auto connection = std::make_unique<TFakeConnection>();
    connection->SetConnected(true);
    return connection;
}

// Reference pools of fake connections on the given clock.
class TFakeManager : public TCRConnectionPoolManager {
public:
    explicit TFakeManager(uint32_t Period = 10, core::Clock& Clock = core::SystemClock::Instance())
        : TCRConnectionPoolManager(Clock, Period), m_clock(Clock)
    {
    }
    ~TFakeManager() override { StopValidator(); }

    std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& Key) override
    {
        ++created;
        return std::make_unique<TRefConnectionPool>(this, Key, MakeFake, m_clock);
    }

    std::atomic<int> created = 0;

private:
    core::Clock& m_clock;
};

std::unique_ptr<TCRConnectionParameters> Key(StringView user = u"sa", StringView server = u"db1",
                                             StringView password = u"pw")
{
    auto key = std::make_unique<TCRConnectionParameters>();
    key->Username = String(user);
    key->Server = String(server);
    key->Password = String(password);
    return key;
}

// Routes the application handler's exceptions into a counter for the life of a test.
class HandlerGuard {
public:
    HandlerGuard()
    {
        core::SetApplicationExceptionHandler([this](const std::exception& e) {
            ++count;
            std::lock_guard lock(m_lock);
            last = core::ExceptionMessage(e);
        });
    }
    ~HandlerGuard() { core::SetApplicationExceptionHandler(nullptr); }
    String Last()
    {
        std::lock_guard lock(m_lock);
        return last;
    }

    std::atomic<int> count = 0;

private:
    std::mutex m_lock;
    String last;
};

} // namespace

// ---- key ----------------------------------------------------------------------------------------

TEST(ConnectionParameters, EqualsComparesEverySettingWithCaseFreeUserAndServer)
{
    TCRIOHandler handlerA, handlerB;
    struct Case {
        const char* name;
        std::function<void(TCRConnectionParameters&)> change;
        bool equal;
    };
    const Case cases[] = {
        {"same", [](auto&) {}, true},
        {"user case", [](auto& k) { k.Username = u"SA"; }, true},
        {"server case", [](auto& k) { k.Server = u"DB1"; }, true},
        {"password case", [](auto& k) { k.Password = u"PW"; }, false},
        {"other password", [](auto& k) { k.Password = u"x"; }, false},
        {"other user", [](auto& k) { k.Username = u"sb"; }, false},
        {"min pool size", [](auto& k) { k.MinPoolSize = 1; }, false},
        {"max pool size", [](auto& k) { k.MaxPoolSize = 99; }, false},
        {"life time", [](auto& k) { k.ConnectionLifeTime = 5; }, false},
        {"validate", [](auto& k) { k.Validate = true; }, false},
        {"same handler object", [&](auto& k) { k.IOHandler = &handlerA; }, true},
        {"equal handler, other object", [&](auto& k) { k.IOHandler = &handlerB; }, false},
        {"http url", [](auto& k) { k.HttpOptions().SetUrl(u"http://tunnel/"); }, false},
        {"proxy port", [](auto& k) { k.HttpOptions().ProxyOptions().SetPort(8080); }, false},
        {"error handler", [](auto& k) { k.OnError = [](auto&&...) {}; }, true},
    };
    for (const Case& c : cases) {
        auto a = Key(), b = Key();
        a->IOHandler = &handlerA;
        b->IOHandler = &handlerA;
        c.change(*b);
        EXPECT_EQ(a->Equals(b.get()), c.equal) << c.name;
        EXPECT_EQ(b->Equals(a.get()), c.equal) << c.name;
    }
    EXPECT_FALSE(Key()->Equals(nullptr));
}

TEST(ConnectionParameters, TextsDefaultsAndAssign)
{
    TCRConnectionParameters fresh;
    EXPECT_EQ(fresh.MaxPoolSize, 100);
    EXPECT_EQ(fresh.AsString(),
              u"Username=\rServer=\rMinPoolSize=0\rMaxPoolSize=100\rConnectionLifeTime=0\rValidate=False\r");

    auto owned = Key(u"用户", u"host");
    TCRConnectionParameters& key = *owned;
    key.MinPoolSize = 2;
    key.MaxPoolSize = 7;
    key.ConnectionLifeTime = -1;
    key.Validate = true;
    EXPECT_EQ(key.UserInfoText(), u"Username=用户\rServer=host\r");
    EXPECT_EQ(key.PoolInfoText(), u"MinPoolSize=2\rMaxPoolSize=7\rConnectionLifeTime=-1\rValidate=True\r");
    EXPECT_EQ(key.AsString(), key.UserInfoText() + key.PoolInfoText());
    EXPECT_EQ(key.AsString().find(u"pw"), String::npos);

    TCRIOHandler handler;
    key.IOHandler = &handler;
    key.HttpOptions().SetUrl(u"http://t/");
    int called = 0;
    key.OnError = [&](auto&&...) { ++called; };
    TCRConnectionParameters copy;
    copy.Assign(key);
    EXPECT_TRUE(copy.Equals(&key));
    EXPECT_EQ(copy.IOHandler, &handler);
    EXPECT_NE(&copy.HttpOptions(), &key.HttpOptions());
    ASSERT_TRUE(bool(copy.OnError));

    core::Persistent other;
    EXPECT_NE(ErrorOf<core::EConvertError>([&] { other.Assign(key); }), u"no exception");
    const core::Variant value(true);
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { key.SetProp(1, value); }), u"no exception");
}

// ---- manager ------------------------------------------------------------------------------------

TEST(ConnectionPoolManager, OnePoolPerKeyAndBaseEntryPointAsserts)
{
    TFakeManager manager(3600000);
    struct Case {
        std::unique_ptr<TCRConnectionParameters> key;
        int pools;  // after taking a connection for it
    };
    TCRIOHandler handlerA, handlerB;
    std::vector<Case> cases;
    cases.push_back({Key(u"sa", u"db1", u"pw"), 1});
    cases.push_back({Key(u"SA", u"DB1", u"pw"), 1});  // case only: the same pool
    cases.push_back({Key(u"sa", u"db1", u"PW"), 2});  // another password
    cases.push_back({Key(u"sa", u"db1", u"pw"), 3});
    cases.back().key->IOHandler = &handlerA;
    cases.push_back({Key(u"sa", u"db1", u"pw"), 4});  // an equal handler that is another object
    cases.back().key->IOHandler = &handlerB;
    std::vector<TCRConnection*> lent;
    for (const Case& c : cases) {
        TCRConnection* connection = manager.InternalGetConnection(*c.key);
        ASSERT_NE(connection, nullptr);
        EXPECT_NE(connection->Pool(), nullptr);
        lent.push_back(connection);
        EXPECT_EQ(manager.PoolCount(), c.pools);
    }
    EXPECT_EQ(lent[0]->Pool(), lent[1]->Pool());
    for (TCRConnection* connection : lent)
        connection->ReturnToPool();

    EXPECT_NE(ErrorOf<core::EAssertionFailed>([] { TCRConnectionPoolManager::GetConnection(*Key(), nullptr); })
                  .find(u"Must be overriden"),
              String::npos);
}

TEST(ConnectionPoolManager, ValidatorFreesEmptyPoolsAndKeepsOnesWithLentConnections)
{
    TFakeManager manager(10);
    TCRConnection* kept = manager.InternalGetConnection(*Key(u"kept"));
    TCRConnection* dropped = manager.InternalGetConnection(*Key(u"dropped"));
    ASSERT_EQ(manager.PoolCount(), 2);
    // A failed connection is not kept idle: its pool becomes empty.
    dropped->SetIsValid(false);
    dropped->ReturnToPool();
    ASSERT_TRUE(Eventually([&] { return manager.PoolCount() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // several more passes
    EXPECT_EQ(manager.PoolCount(), 1);
    // The pool that lent `kept` is still there to take it back.
    kept->ReturnToPool();
    EXPECT_EQ(static_cast<TRefConnectionPool*>(kept->Pool())->IdleCount(), 1);
}

TEST(ConnectionPoolManager, DestroyingEndsAWaitingValidatorThroughItsEvent)
{
    // An hour's period: the destructor returns only because the event ends the wait.
    auto manager = std::make_unique<TFakeManager>(3600000);
    manager->InternalGetConnection(*Key())->ReturnToPool();
    manager.reset();
    SUCCEED();
}

TEST(ConnectionPoolManager, AFailingPoolDoesNotStopTheValidator)
{
    HandlerGuard handler;
    class TFailingPool : public TCRConnectionPool {
    public:
        using TCRConnectionPool::TCRConnectionPool;
        void ValidateConnections() override { throw core::Exception(u"validate failed"); }
        int GetConnectionCount() override { throw core::Exception(u"count failed"); }
        TCRConnection* TakeConnection() override { return nullptr; }
        void StoreConnection(TCRConnection*) override {}
        void Invalidate() override {}
    };
    class TManager : public TFakeManager {
    public:
        std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& Key) override
        {
            if (Key.Username == u"failing")
                return std::make_unique<TFailingPool>(this, Key);
            return TFakeManager::CreateConnectionPool(Key);
        }
        ~TManager() override { StopValidator(); }
    } manager;
    EXPECT_EQ(manager.InternalGetConnection(*Key(u"failing")), nullptr);
    ASSERT_TRUE(Eventually([&] { return handler.count >= 4; }));  // two passes over the failing pool
    TCRConnection* connection = manager.InternalGetConnection(*Key(u"other"));
    connection->SetIsValid(false);
    connection->ReturnToPool();
    // The pass goes on after the failing pool: the empty one is still freed.
    ASSERT_TRUE(Eventually([&] { return manager.PoolCount() == 1; }));
    String last = handler.Last();
    EXPECT_TRUE(last == u"validate failed" || last == u"count failed") << core::ToUtf8(last);
}

// ---- reference pool -----------------------------------------------------------------------------

TEST(ReferencePool, SizeGenerationValidationAndLifeTime)
{
    core::ManualClock clock(1000);
    TFakeManager manager(3600000, clock);
    auto owned = Key();
    TCRConnectionParameters& key = *owned;
    key.MaxPoolSize = 2;
    key.ConnectionLifeTime = 500;
    key.Validate = true;
    int errors = 0;
    key.OnError = [&](auto&&...) { ++errors; };
    TRefConnectionPool pool(&manager, key, MakeFake, clock);

    TCRConnection* a = pool.TakeConnection();
    TCRConnection* b = pool.TakeConnection();
    EXPECT_EQ(a->Pool(), &pool);
    EXPECT_TRUE(bool(a->OnError));
    EXPECT_EQ(ErrorOf<core::Exception>([&] { pool.TakeConnection(); }), u"Maximum number of pooled connections is reached");
    EXPECT_EQ(pool.GetConnectionCount(), 2);

    // Idle connections are lent again, the last returned first.
    pool.StoreConnection(a);
    EXPECT_EQ(pool.TakeConnection(), a);

    // Invalidate: a new generation; connections of the old one are not kept.
    EXPECT_EQ(a->PoolVersion(), 0);
    pool.StoreConnection(b);
    pool.Invalidate();
    EXPECT_EQ(pool.Version(), 1);
    EXPECT_EQ(pool.IdleCount(), 0);
    pool.StoreConnection(a);
    EXPECT_EQ(pool.GetConnectionCount(), 0);
    TCRConnection* c = pool.TakeConnection();
    EXPECT_EQ(c->PoolVersion(), 1);

    // Validate: a connection whose check fails is dropped by the validator's call.
    TCRConnection* d = pool.TakeConnection();
    pool.StoreConnection(c);
    pool.StoreConnection(d);
    static_cast<TFakeConnection*>(d)->valid = false;
    pool.ValidateConnections();
    EXPECT_EQ(pool.IdleCount(), 1);

    // Life time: an old connection is dropped when checked and when it comes back.
    clock.Advance(500);
    pool.ValidateConnections();
    EXPECT_EQ(pool.GetConnectionCount(), 0);
    TCRConnection* e = pool.TakeConnection();
    clock.Advance(600);
    pool.StoreConnection(e);
    EXPECT_EQ(pool.GetConnectionCount(), 0);

    TFakeConnection stranger;
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { pool.StoreConnection(&stranger); }), u"no exception");
    EXPECT_EQ(errors, 0);
}

TEST(ReferencePool, MinPoolSizeKeepsOldConnections)
{
    core::ManualClock clock(0);
    TFakeManager manager(3600000, clock);
    auto owned = Key();
    TCRConnectionParameters& key = *owned;
    key.MinPoolSize = 1;
    key.ConnectionLifeTime = 100;
    TRefConnectionPool pool(&manager, key, MakeFake, clock);
    TCRConnection* a = pool.TakeConnection();
    TCRConnection* b = pool.TakeConnection();
    pool.StoreConnection(a);
    pool.StoreConnection(b);
    clock.Advance(100);
    pool.ValidateConnections();
    EXPECT_EQ(pool.IdleCount(), 1);
}

// ---- SQLite provider ----------------------------------------------------------------------------

TEST(SQLitePoolManager, LendsWorkingConnectionsOfTheProcessManager)
{
    auto owned = Key(u"", u":memory:", u"");
    TCRConnectionParameters& key = *owned;
    TCRConnection* connection = TSQLiteConnectionPoolManager::GetConnection(key, nullptr);
    auto* sqlite = dynamic_cast<TSQLiteConnection*>(connection);
    ASSERT_NE(sqlite, nullptr);
    sqlite->ExecSQL(u"CREATE TABLE t(x); INSERT INTO t VALUES(42)");
    connection->ReturnToPool();
    // The same in-memory database comes back: the connection was kept idle.
    TCRConnection* again = TSQLiteConnectionPoolManager::GetConnection(key, nullptr);
    EXPECT_EQ(again, connection);
    EXPECT_EQ(static_cast<TSQLiteConnection*>(again)->SelectValue(u"SELECT x FROM t").AsInteger(), 42);
    again->ReturnToPool();
    TSQLiteConnectionPoolManager::FreeManager();
    TSQLiteConnectionPoolManager::FreeManager();  // a second call finds nothing to free

    key.Server = u"/no/such/folder/x.db";
    EXPECT_NE(ErrorOf<ESQLiteError>([&] { TSQLiteConnectionPoolManager::GetConnection(key, nullptr); }), u"no exception");
    TSQLiteConnectionPoolManager::FreeManager();
}
