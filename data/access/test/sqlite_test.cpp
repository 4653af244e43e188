// The SQLite test provider: transaction outcomes read back through a second connection to the same
// file, and SQLite's errors with its own code and text.
#include "data/access/testing/sqlite.h"
#include "data/storage/memutils.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <functional>

using namespace data;
using namespace data::testing;

namespace {

class SQLiteProvider : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto* c : {writer.get(), reader.get()}) {
            c->SetServer(file.FileName());
            c->Connect(u"");
        }
        writer->ExecSQL(u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)");
    }

    // The names the other connection sees, in order.
    String Committed()
    {
        return core::VarToStr(
            reader->SelectValue(u"SELECT group_concat(name, ',') FROM (SELECT name FROM t ORDER BY id)"));
    }

    TSQLiteTempDatabase file;
    std::unique_ptr<TSQLiteConnection> writer = NewConnection<TSQLiteConnection>();
    std::unique_ptr<TSQLiteConnection> reader = NewConnection<TSQLiteConnection>();
};

TEST_F(SQLiteProvider, ConnectionFacts)
{
    EXPECT_TRUE(IsClassOf<TSQLiteTransaction>(writer->GetInternalTransaction()));
    EXPECT_EQ(writer->GetServerVersion(), core::FromUtf8(SQLITE_VERSION));
    EXPECT_EQ(writer->GetClientVersion(), core::FromUtf8(SQLITE_VERSION));
    EXPECT_TRUE(writer->CheckIsValid());
    writer->ExecSQL(u"INSERT INTO t (name) VALUES ('a'); INSERT INTO t (name) VALUES ('b')");
    core::Variant id;
    EXPECT_TRUE(writer->GetProp(PropLastInsertId, id));
    EXPECT_EQ(id.AsInt64(), 2);
    writer->Disconnect();
    EXPECT_FALSE(writer->GetConnected());
    EXPECT_FALSE(writer->CheckIsValid());
}

TEST_F(SQLiteProvider, TransactionOutcomesSeenByASecondConnection)
{
    TCRTransaction* transaction = writer->GetInternalTransaction();
    struct Step {
        std::function<void()> action;
        const char16_t* committed;
    };
    const Step steps[] = {
        {[&] { transaction->StartTransaction(); }, u""},
        {[&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('a')"); }, u""},
        {[&] { transaction->CommitRetaining(); }, u"a"},
        {[&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('b')"); }, u"a"},
        {[&] { transaction->Savepoint(u"s1"); }, u"a"},
        {[&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('c')"); }, u"a"},
        {[&] { transaction->RollbackToSavepoint(u"s1"); }, u"a"},
        {[&] { transaction->Savepoint(u"s2"); }, u"a"},
        {[&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('d')"); }, u"a"},
        {[&] { transaction->ReleaseSavepoint(u"s2"); }, u"a"},
        {[&] { transaction->Commit(); }, u"a,b,d"},
        {[&] { transaction->StartTransaction(); }, u"a,b,d"},
        {[&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('e')"); }, u"a,b,d"},
        {[&] { transaction->RollbackRetaining(); }, u"a,b,d"},
        {[&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('f')"); }, u"a,b,d"},
        {[&] { transaction->Rollback(); }, u"a,b,d"},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        step.action();
        EXPECT_EQ(Committed(), step.committed);
    }
    EXPECT_FALSE(transaction->GetInTransaction());
}

TEST_F(SQLiteProvider, ErrorsCarrySQLitesCodeAndTextAndLeaveTheConnectionUsable)
{
    auto errorOf = [](const std::function<void()>& action) -> std::pair<int, String> {
        try {
            action();
        } catch (const ESQLiteError& error) {
            return {error.ErrorCode(), error.Message()};
        }
        return {0, u"no exception"};
    };
    writer->ExecSQL(u"INSERT INTO t (name) VALUES ('a')");
    EXPECT_EQ(errorOf([&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('a')"); }),
              std::make_pair(int(SQLITE_CONSTRAINT_UNIQUE), String(u"UNIQUE constraint failed: t.name")));

    // The reader holds a write lock; the writer is refused at once.
    reader->GetInternalTransaction()->StartTransaction();
    reader->ExecSQL(u"INSERT INTO t (name) VALUES ('r')");
    EXPECT_EQ(errorOf([&] { writer->ExecSQL(u"INSERT INTO t (name) VALUES ('b')"); }),
              std::make_pair(int(SQLITE_BUSY), String(u"database is locked")));
    reader->GetInternalTransaction()->Rollback();

    TSQLiteTempDatabase other;
    auto readOnly = NewConnection<TSQLiteConnection>();
    readOnly->SetServer(u"file:" + other.FileName() + u"?mode=ro");
    EXPECT_EQ(errorOf([&] { readOnly->Connect(u""); }),
              std::make_pair(int(SQLITE_CANTOPEN), String(u"unable to open database file")));
    EXPECT_FALSE(readOnly->GetConnected());

    // The handler may let an error pass; without it the error is raised.
    bool asked = false;
    writer->OnError = [&](const core::Exception& E, bool& Fail, bool&, bool&, int, TConnLostCause&) {
        asked = true;
        Fail = false;
    };
    EXPECT_NO_THROW(writer->ExecSQL(u"INSERT INTO t (name) VALUES ('a')"));
    EXPECT_TRUE(asked);
    writer->ExecSQL(u"INSERT INTO t (name) VALUES ('b')");
    EXPECT_EQ(Committed(), u"a,b");
}

TEST(SQLiteProviderInMemory, MemoryDatabase)
{
    auto connection = NewConnection<TSQLiteConnection>();
    connection->SetServer(u":memory:");
    connection->Connect(u"");
    connection->ExecSQL(u"CREATE TABLE t (v TEXT); INSERT INTO t VALUES ('\u4E2D')");
    EXPECT_EQ(connection->SelectValue(u"SELECT v FROM t"), core::Variant(u"\u4E2D"));
    EXPECT_TRUE(connection->SelectValue(u"SELECT v FROM t WHERE 0").IsNull());
}

} // namespace
