// The loader's column discovery and row-order rules, the SQLite loader against a real table, and the
// alerter.
#include "data/access/testing/scriptedmeta.h"
#include "data/access/testing/sqliteloader.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <vector>

using namespace data;
using namespace data::testing;

namespace {

// The columns the scripted server describes for the table.
std::vector<TScriptedColumn> g_columns;

std::unique_ptr<TCRRecordSet> DescribedRecordSet()
{
    auto recordSet = NewRecordSet<TScriptedRecordSet>();
    recordSet->Command().Script.Columns = g_columns;
    return recordSet;
}

class ScriptedLoader : public TCRLoader {
public:
    TCRRecordSetClass GetRecordSetClass() const override { return DescribedRecordSet; }
};

class Loader : public ::testing::Test {
protected:
    void SetUp() override
    {
        connection->Connect(u"");
        g_columns = {{u"ID", dtInt32, 0, 0, false},
                     {u"PRICE", dtBCD, 10, 2, false},
                     {u"NAME", dtWideString, 20, 0, false},
                     {u"STAMP", dtInt64, 0, 0, true}};
        loader.SetConnection(connection.get());
        loader.SetTableName(u"goods");
    }

    std::unique_ptr<TScriptedConnection> connection = NewConnection<TScriptedConnection>();
    ScriptedLoader loader;
};

TEST_F(Loader, ColumnsComeFromTheTableAndSkipReadOnlyOnes)
{
    loader.CreateColumns();
    ASSERT_EQ(loader.Columns().Count(), 3);
    struct Expected {
        const char16_t* name;
        uint16_t type;
        int size, precision, scale;
    } const expected[] = {{u"ID", dtInt32, 0, 0, 0}, {u"PRICE", dtBCD, 0, 10, 2}, {u"NAME", dtWideString, 20, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        const TCRLoaderColumn& column = *loader.Columns().Items(i);
        EXPECT_EQ(column.Name(), expected[i].name);
        EXPECT_EQ(column.DataType(), expected[i].type);
        EXPECT_EQ(column.Size(), expected[i].size);
        EXPECT_EQ(column.Precision(), expected[i].precision);
        EXPECT_EQ(column.Scale(), expected[i].scale);
    }
    loader.SetSkipReadOnlyFieldDescs(false);
    loader.CreateColumns();
    ASSERT_EQ(loader.Columns().Count(), 4);
    EXPECT_EQ(loader.Columns().Items(3)->Name(), u"STAMP");
}

TEST_F(Loader, TableNameOfBlanksIsRejected)
{
    for (const char16_t* name : {u"", u"   ", u"\t"}) {
        loader.SetTableName(name);
        EXPECT_EQ(ErrorOf<core::Exception>([&] { loader.Prepare(); }), u"TableName must be defined");
        EXPECT_EQ(ErrorOf<core::Exception>([&] { loader.CreateColumns(); }), u"TableName must be defined");
    }
}

TEST_F(Loader, ValuesGoInRowOrder)
{
    loader.CreateColumns();
    loader.Prepare();
    const core::Variant value = 1;
    struct Step {
        int col, row;
        const char16_t* error;  // empty: accepted
        int lastRow;            // after the step
    } const steps[] = {
        {0, 2, u"Invalid row number", -1},   // the first value must go to row 1
        {0, 0, u"Invalid row number", -1},
        {3, 1, u"Invalid column number", -1},
        {-1, 1, u"Invalid column number", -1},
        {0, 1, u"", 0},
        {2, 1, u"", 0},                        // the current row again
        {1, 2, u"", 1},
        {0, 1, u"Invalid row number", 1},      // never back
        {0, 4, u"Invalid row number", 1},      // never beyond the next row
        {0, 3, u"", 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.row);
        const String error = ErrorOf<core::Exception>([&] { loader.PutColumnData(step.col, step.row, value); });
        EXPECT_EQ(error, *step.error ? String(step.error) : String(u"no exception"));
        EXPECT_EQ(loader.LastRow(), step.lastRow);
    }
    loader.DiscardRow();
    EXPECT_EQ(loader.LastRow(), 1);
    loader.Reset();
    EXPECT_EQ(loader.LastRow(), -1);
    EXPECT_EQ(loader.LoadedRows(), 0);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { loader.PutColumnData(0, 2, value); }), u"Invalid row number");
}

TEST_F(Loader, BaseKnowsNoPropertyAndNoRecordSet)
{
    TCRLoader base;
    core::Variant value;
    EXPECT_THROW(base.GetRecordSetClass(), core::EAssertionFailed);
    EXPECT_THROW(base.SetProp(1, value), core::EAssertionFailed);
    EXPECT_THROW(base.GetProp(1, value), core::EAssertionFailed);
    base.SetTableName(u"t");
    EXPECT_THROW(base.CreateColumns(), core::EAssertionFailed);
    EXPECT_TRUE(base.SkipReadOnlyFieldDescs());
}

// ---- SQLite -------------------------------------------------------------------------------------

class SQLiteLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        connection->SetServer(file.FileName());
        connection->Connect(u"");
        connection->ExecSQL(u"CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20), x REAL, "
                            u"made DATETIME, ok BOOLEAN)");
        loader.SetConnection(connection.get());
        loader.SetTableName(u"t");
    }

    int64_t Count() { return connection->SelectValue(u"SELECT count(*) FROM t").AsInt64(); }

    TSQLiteTempDatabase file;
    std::unique_ptr<TSQLiteConnection> connection = NewConnection<TSQLiteConnection>();
    TSQLiteLoader loader;
};

TEST_F(SQLiteLoader, TenThousandRowsInOneLoad)
{
    loader.Prepare();
    ASSERT_EQ(loader.Columns().Count(), 5);
    for (int row = 1; row <= 10000; ++row) {
        loader.PutColumnData(0, row, row);
        loader.PutColumnData(1, row, u"name " + core::IntToStr(row));
        loader.PutColumnData(2, row, row / 4.0);
        // A null value and a column left out are both null.
        loader.PutColumnData(3, row, core::Variant::Null());
    }
    loader.DoLoad();
    loader.Finish();
    EXPECT_EQ(loader.LoadedRows(), 10000);
    EXPECT_EQ(Count(), 10000);
    EXPECT_EQ(connection->SelectValue(u"SELECT sum(x) FROM t").AsDouble(), 10000.0 * 10001 / 8);
    EXPECT_EQ(connection->SelectValue(u"SELECT name FROM t WHERE id = 9999").AsString(), u"name 9999");
    EXPECT_EQ(connection->SelectValue(u"SELECT count(*) FROM t WHERE made IS NULL AND ok IS NULL").AsInt64(), 10000);
}

TEST_F(SQLiteLoader, DuplicateKeyRollsTheLoadBack)
{
    connection->ExecSQL(u"INSERT INTO t (id) VALUES (5)");
    loader.Prepare();
    for (int row = 1; row <= 10; ++row)
        loader.PutColumnData(0, row, row);
    ESQLiteError error(u"", 0);
    try {
        loader.DoLoad();
        FAIL() << "no error";
    } catch (const ESQLiteError& e) {
        error = e;
    }
    EXPECT_EQ(error.ErrorCode(), 1555);  // primary key constraint
    EXPECT_EQ(loader.LoadedRows(), 0);
    EXPECT_EQ(Count(), 1);
    // The connection is usable and outside any transaction.
    EXPECT_NE(sqlite3_get_autocommit(connection->Handle()), 0);
}

TEST_F(SQLiteLoader, DiscardedRowIsNotInsertedAndLoadedRowsStayClosed)
{
    loader.Prepare();
    loader.PutColumnData(0, 1, 1);
    loader.PutColumnData(0, 2, 2);
    loader.PutColumnData(1, 2, u"dropped");
    loader.DiscardRow();
    EXPECT_EQ(loader.LastRow(), 0);
    // Row 1 went to the server when row 2 began: it cannot be written again.
    EXPECT_EQ(ErrorOf<core::Exception>([&] { loader.PutColumnData(0, 1, 7); }), u"Invalid row number");
    loader.PutColumnData(0, 2, 3);
    loader.DoLoad();
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(connection->SelectValue(u"SELECT group_concat(id || ':' || ifnull(name, '-')) FROM t").AsString(),
              u"1:-,3:-");
}

TEST_F(SQLiteLoader, UnfinishedLoadIsGivenUp)
{
    {
        TSQLiteLoader abandoned;
        abandoned.SetConnection(connection.get());
        abandoned.SetTableName(u"t");
        abandoned.Prepare();
        abandoned.PutColumnData(0, 1, 1);
        abandoned.PutColumnData(0, 2, 2);
    }
    EXPECT_EQ(Count(), 0);
    loader.SetTableName(u"missing");
    EXPECT_THROW(loader.Prepare(), core::Exception);
}

// ---- alerter ------------------------------------------------------------------------------------

TEST(Alerter, EventsAreDeliveredWhileListening)
{
    auto connection = NewConnection<TScriptedConnection>();
    connection->Connect(u"");
    TScriptedAlerter alerter;
    alerter.SetConnection(connection.get());
    alerter.EventNames().Add(u"price");
    alerter.EventNames().Add(u"stock");
    std::vector<String> events;
    std::vector<String> errors;
    alerter.OnEvent = [&](const String& Name, const String& Message) { events.push_back(Name + u":" + Message); };
    alerter.OnError = [&](const core::Exception& E) { errors.push_back(E.Message()); };

    EXPECT_FALSE(alerter.Deliver(u"price", u"before start"));
    alerter.Start();
    EXPECT_TRUE(alerter.IsActive());
    EXPECT_TRUE(alerter.Deliver(u"PRICE", u"up"));
    EXPECT_FALSE(alerter.Deliver(u"other", u"x"));
    alerter.SendEvent(u"stock", u"low");
    EXPECT_TRUE(alerter.Deliver(u"stock", u"low"));
    alerter.DeliverError(core::Exception(u"Connection lost"));
    EXPECT_FALSE(alerter.IsActive());
    EXPECT_FALSE(alerter.Deliver(u"price", u"after error"));
    alerter.Start();
    alerter.Stop();
    EXPECT_FALSE(alerter.IsActive());

    EXPECT_EQ(events, (std::vector<String>{u"PRICE:up", u"stock:low"}));
    EXPECT_EQ(errors, (std::vector<String>{u"Connection lost"}));
    EXPECT_EQ(connection->Server().Log(),
              (std::vector<String>{u"conn connect", u"conn listen price,stock", u"conn send stock low",
                                   u"conn listen price,stock", u"conn unlisten"}));
    core::Variant value = true;
    EXPECT_TRUE(alerter.SetProp(PropAutoCommit, value));
    EXPECT_THROW(alerter.SetProp(1, value), core::EAssertionFailed);
    EXPECT_THROW(alerter.GetProp(PropAutoCommit, value), core::EAssertionFailed);
}

TEST(Alerter, StartFailsWithTheServer)
{
    auto connection = NewConnection<TScriptedConnection>();
    connection->Connect(u"");
    TScriptedAlerter alerter;
    alerter.SetConnection(connection.get());
    connection->Server().FailCall(1, sfFatal);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { alerter.Start(); }), u"Fatal error");
    EXPECT_FALSE(alerter.IsActive());
    TScriptedAlerter unconnected;
    EXPECT_EQ(ErrorOf<core::Exception>([&] { unconnected.Start(); }), u"Not connected");
}

} // namespace
