// The provider error and its fatal and key-violation answers in both test providers, and the
// connection's option objects: defaults, the provider properties they write and copying.
#include "data/access/daerror.h"
#include "data/access/testing/scripted.h"
#include "data/access/testing/sqlite.h"
#include "data/access/testing/sqlitecommand.h"

#include "core/codepage.h"
#include "core/fileio.h"
#include "core/stream.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <tuple>

using namespace data;
using namespace data::testing;
using core::String;

namespace {

TEST(DAError, ABaseErrorCarriesItsCodeAndNoVerdict)
{
    EDAError error(1017, u"x");
    EXPECT_EQ(error.Message(), u"x");
    EXPECT_EQ(error.ErrorCode(), 1017);
    EXPECT_EQ(error.Component(), nullptr);
    EXPECT_FALSE(error.IsFatalError());
    EXPECT_FALSE(error.IsKeyViolation());
    core::Object owner;
    error.SetComponent(&owner);
    EXPECT_EQ(error.Component(), &owner);
    // The dataset framework's handlers catch it as theirs.
    EXPECT_NE(dynamic_cast<EDatabaseError*>(&error), nullptr);
}

TEST(DAError, ProviderErrorsTellFatalAndKeyViolation)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<EDAError>()> make;
        bool fatal, key;
    };
    const auto sqlite = [](int code, bool closed = false) {
        return [=] { return std::unique_ptr<EDAError>(new ESQLiteError(u"", code, closed)); };
    };
    const auto scripted = [](TScriptedFault fault) {
        return [=] { return std::unique_ptr<EDAError>(new EScriptedError(fault)); };
    };
    const std::vector<Case> cases = {
        {"unique", sqlite(SQLITE_CONSTRAINT_UNIQUE), false, true},
        {"primary key", sqlite(SQLITE_CONSTRAINT_PRIMARYKEY), false, true},
        {"not null", sqlite(SQLITE_CONSTRAINT_NOTNULL), false, false},
        {"plain constraint", sqlite(SQLITE_CONSTRAINT), false, false},
        {"I/O", sqlite(SQLITE_IOERR_READ), true, false},
        {"corrupt", sqlite(SQLITE_CORRUPT), true, false},
        {"not a database", sqlite(SQLITE_NOTADB), true, false},
        {"busy", sqlite(SQLITE_BUSY), false, false},
        {"closed handle", sqlite(SQLITE_MISUSE, true), true, false},
        {"refused", scripted(sfRefused), false, false},
        {"fatal", scripted(sfFatal), true, false},
        {"key violation", scripted(sfKeyViolation), false, true},
        {"lost", scripted(sfConnectionLost), true, false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<EDAError> error = c.make();
        EXPECT_EQ(error->IsFatalError(), c.fatal) << c.what;
        EXPECT_EQ(error->IsKeyViolation(), c.key) << c.what;
    }
    EXPECT_EQ(EScriptedError(sfKeyViolation).ErrorCode(), int(sfKeyViolation));
}

// What a real SQLite database raises, caught as the layer's error.
TEST(DAError, SQLiteRaisesKeyViolationsAndFatalErrorsAsTheLayersError)
{
    const auto errorOf = [](const std::function<void()>& action) -> std::tuple<int, bool, bool> {
        try {
            action();
        } catch (const EDAError& error) {
            return {error.ErrorCode(), error.IsFatalError(), error.IsKeyViolation()};
        }
        return {0, false, false};
    };
    TSQLiteTempDatabase file;
    TSQLiteConnection connection;
    connection.SetServer(file.FileName());
    connection.Connect(u"");
    connection.ExecSQL(u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL)");
    connection.ExecSQL(u"INSERT INTO t VALUES (1, 'a')");
    EXPECT_EQ(errorOf([&] { connection.ExecSQL(u"INSERT INTO t VALUES (1, 'b')"); }),
              std::make_tuple(int(SQLITE_CONSTRAINT_PRIMARYKEY), false, true));
    EXPECT_EQ(errorOf([&] { connection.ExecSQL(u"INSERT INTO t VALUES (2, 'a')"); }),
              std::make_tuple(int(SQLITE_CONSTRAINT_UNIQUE), false, true));
    EXPECT_EQ(errorOf([&] { connection.ExecSQL(u"INSERT INTO t VALUES (3, NULL)"); }),
              std::make_tuple(int(SQLITE_CONSTRAINT_NOTNULL), false, false));
    connection.Disconnect();

    // A file that is no database: opening succeeds, the first statement fails for good.
    TSQLiteTempDatabase garbage;
    {
        core::FileStream out(garbage.FileName(), core::fmCreate);
        const std::string bytes(4096, 'x');
        out.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    }
    TSQLiteConnection broken;
    broken.SetServer(garbage.FileName());
    broken.Connect(u"");
    EXPECT_EQ(errorOf([&] { broken.ExecSQL(u"SELECT * FROM sqlite_master"); }),
              std::make_tuple(int(SQLITE_NOTADB), true, false));

    // A command whose connection has closed its handle: fatal, so that failover may reconnect.
    TSQLiteCommand command;
    command.SetConnection(&connection);
    command.SetSQL(u"SELECT 1");
    EXPECT_EQ(errorOf([&] { command.Execute(); }), std::make_tuple(int(SQLITE_MISUSE), true, false));
}

// ---- option objects ---------------------------------------------------------------------------

// A connection component as the options see it: its disconnect goes into the scripted server's log
// beside the property writes, so that their order shows.
class FakeConnection : public IDAConnection {
public:
    explicit FakeConnection(bool withProvider = true)
    {
        if (withProvider)
            provider = std::make_unique<TScriptedConnection>(server);
    }
    void Disconnect() override
    {
        server->Note(u"owner", u"disconnect");
        if (failDisconnect)
            throw core::Exception(u"cannot disconnect");
    }
    TCRConnection* GetIConnection() const override { return provider.get(); }
    String GetUsername() const override { return u"scott"; }
    String GetServer() const override { return u"db"; }

    std::shared_ptr<TScriptedServer> server = std::make_shared<TScriptedServer>();
    std::unique_ptr<TScriptedConnection> provider;
    bool failDisconnect = false;
};

TEST(ConnectionOptions, NewObjectsHoldTheirDefaults)
{
    FakeConnection owner;
    TDAConnectionOptions options(&owner);
    EXPECT_TRUE(options.KeepDesignConnected());
    EXPECT_FALSE(options.DisconnectedMode());
    EXPECT_FALSE(options.LocalFailover());
    EXPECT_EQ(options.DefaultSortType(), stCaseSensitive);
    EXPECT_FALSE(options.EnableBCD());
    EXPECT_FALSE(options.EnableFMTBCD());
    EXPECT_EQ(options.Owner(), &owner);
    TPoolingOptions pooling(&owner);
    EXPECT_EQ(pooling.MaxPoolSize(), 100);
    EXPECT_EQ(pooling.MinPoolSize(), 0);
    EXPECT_EQ(pooling.ConnectionLifetime(), 0);
    EXPECT_FALSE(pooling.Validate());
    EXPECT_TRUE(owner.server->Log().empty());
}

TEST(ConnectionOptions, SettersWriteProviderPropertiesAsTheirRulesSay)
{
    using Log = std::vector<String>;
    struct Case {
        const char* what;
        std::function<void(TDAConnectionOptions&)> action;
        Log log;
    };
    const std::vector<Case> cases = {
        {"disconnected mode unchanged", [](auto& o) { o.SetDisconnectedMode(false); }, {}},
        {"disconnected mode on", [](auto& o) { o.SetDisconnectedMode(true); },
         {u"owner disconnect", u"conn prop 31=True"}},
        {"sort type unchanged", [](auto& o) { o.SetDefaultSortType(stCaseSensitive); }, {}},
        {"sort type", [](auto& o) { o.SetDefaultSortType(stBinary); }, {u"conn prop 48=2"}},
        {"BCD unchanged is written too", [](auto& o) { o.SetEnableBCD(false); }, {u"conn prop 41=False"}},
        {"FMTBCD", [](auto& o) { o.SetEnableFMTBCD(true); }, {u"conn prop 42=True"}},
        {"plain fields", [](auto& o) { o.SetLocalFailover(true); o.SetKeepDesignConnected(false); }, {}},
    };
    for (const Case& c : cases) {
        FakeConnection owner;
        TDAConnectionOptions options(&owner);
        c.action(options);
        EXPECT_EQ(owner.server->Log(), c.log) << c.what;
    }

    // Without a provider connection only the owner is disconnected; the values are kept.
    FakeConnection bare(false);
    TDAConnectionOptions options(&bare);
    options.SetDisconnectedMode(true);
    options.SetDefaultSortType(stCaseInsensitive);
    options.SetEnableBCD(true);
    EXPECT_EQ(bare.server->Log(), Log{u"owner disconnect"});
    EXPECT_TRUE(options.DisconnectedMode());
    EXPECT_EQ(options.DefaultSortType(), stCaseInsensitive);
    EXPECT_TRUE(options.EnableBCD());

    // The provider connection holds what was written.
    FakeConnection owner;
    TDAConnectionOptions written(&owner);
    written.SetDisconnectedMode(true);
    written.SetEnableFMTBCD(true);
    EXPECT_TRUE(owner.provider->DisconnectedMode());
    EXPECT_TRUE(owner.provider->EnableFMTBCD());
}

TEST(ConnectionOptions, AFailedDisconnectKeepsTheOldMode)
{
    FakeConnection owner;
    owner.failDisconnect = true;
    TDAConnectionOptions options(&owner);
    EXPECT_THROW(options.SetDisconnectedMode(true), core::Exception);
    EXPECT_FALSE(options.DisconnectedMode());
    EXPECT_EQ(owner.server->Log(), std::vector<String>{u"owner disconnect"});
}

TEST(ConnectionOptions, AssignCopiesInItsOrderAndLeavesTheSortType)
{
    FakeConnection from, to;
    TDAConnectionOptions source(&from), dest(&to);
    source.SetKeepDesignConnected(false);
    source.SetDisconnectedMode(true);
    source.SetLocalFailover(true);
    source.SetEnableBCD(true);
    source.SetDefaultSortType(stBinary);
    dest.SetDefaultSortType(stCaseInsensitive);
    to.server->ClearLog();

    dest.Assign(source);
    EXPECT_FALSE(dest.KeepDesignConnected());
    EXPECT_TRUE(dest.DisconnectedMode());
    EXPECT_TRUE(dest.LocalFailover());
    EXPECT_TRUE(dest.EnableBCD());
    EXPECT_FALSE(dest.EnableFMTBCD());
    EXPECT_EQ(dest.DefaultSortType(), stCaseInsensitive);
    EXPECT_EQ(to.server->Log(), (std::vector<String>{u"owner disconnect", u"conn prop 31=True",
                                                     u"conn prop 41=True", u"conn prop 42=False"}));

    // Again: the mode is unchanged, so no disconnect; the BCD switches are written anyway.
    to.server->ClearLog();
    dest.Assign(source);
    EXPECT_EQ(to.server->Log(), (std::vector<String>{u"conn prop 41=True", u"conn prop 42=False"}));

    // Another class is refused and nothing is copied.
    TPoolingOptions pooling(&from);
    to.server->ClearLog();
    EXPECT_THROW(dest.Assign(pooling), core::EConvertError);
    EXPECT_THROW(pooling.Assign(dest), core::EConvertError);
    EXPECT_TRUE(to.server->Log().empty());
}

TEST(PoolingOptions, AssignCopiesTheFourValues)
{
    FakeConnection owner;
    TPoolingOptions source(&owner), dest(&owner);
    source.SetMaxPoolSize(7);
    source.SetMinPoolSize(2);
    source.SetConnectionLifetime(60000);
    source.SetValidate(true);
    dest.Assign(source);
    EXPECT_EQ(dest.MaxPoolSize(), 7);
    EXPECT_EQ(dest.MinPoolSize(), 2);
    EXPECT_EQ(dest.ConnectionLifetime(), 60000);
    EXPECT_TRUE(dest.Validate());
    EXPECT_EQ(dest.Owner(), &owner);
}

} // namespace
