// The SQLite provider's command and record set: fetching in blocks, parameters of every data type
// bound to "?" and read back, and a statement SQLite rejects.
#include "data/access/testing/sqlitecommand.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is copied
// from a table of cases.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <optional>

using namespace data;
using namespace data::testing;

namespace {

class SQLiteRecordSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        connection->SetServer(file.FileName());
        connection->Connect(u"");
    }

    std::unique_ptr<TSQLiteRecordSet> Select(StringView SQL, int FetchRows = 25)
    {
        auto recordSet = NewRecordSet<TSQLiteRecordSet>();
        recordSet->SetConnection(connection.get());
        recordSet->SetSQL(SQL);
        recordSet->SetProp(PropFetchRows, FetchRows);
        return recordSet;
    }

    // The first field of the first row.
    core::Variant FirstValue(StringView SQL)
    {
        auto recordSet = Select(SQL);
        recordSet->Open();
        void* buffer = recordSet->AllocRecBuf();
        recordSet->GetNextRecord(buffer);
        core::Variant value;
        if (recordSet->Fields().Items(0)->DataType == dtBlob && !recordSet->GetNull(1, buffer)) {
            core::Variant::Bytes bytes(size_t(recordSet->GetBlobSize(1, buffer)));
            recordSet->ReadBlob(1, buffer, 0, int(bytes.size()), bytes.data());
            value = bytes;
        } else {
            recordSet->GetFieldAsVariant(1, buffer, value);
        }
        recordSet->FreeRecBuf(buffer);
        return value;
    }

    TSQLiteTempDatabase file;
    std::unique_ptr<TSQLiteConnection> connection = NewConnection<TSQLiteConnection>();
};

TEST_F(SQLiteRecordSet, TenThousandRowsInBlocksOfTwentyFive)
{
    connection->ExecSQL(u"CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20), x REAL);"
                        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
                        u"INSERT INTO t SELECT i, 'name ' || i, i / 4.0 FROM n");
    auto recordSet = Select(u"SELECT id, name, x FROM t ORDER BY id");
    int blocks = 0;
    recordSet->OnAfterFetch = [&] { ++blocks; };
    EXPECT_FALSE(recordSet->FetchesWithoutCache());
    recordSet->Open();
    ASSERT_EQ(recordSet->FieldCount(), 3);
    EXPECT_EQ(recordSet->Fields().Items(0)->DataType, dtInt64);
    EXPECT_EQ(recordSet->Fields().Items(1)->DataType, dtWideString);
    EXPECT_EQ(recordSet->Fields().Items(1)->Length, 20);
    EXPECT_EQ(recordSet->Fields().Items(2)->DataType, dtFloat);
    EXPECT_EQ(recordSet->GetRecordCount(), 25);
    EXPECT_FALSE(recordSet->CanDisconnect());

    void* buffer = recordSet->AllocRecBuf();
    int expected = 0;
    bool inOrder = true;
    for (recordSet->GetNextRecord(buffer); !recordSet->GetEof(); recordSet->GetNextRecord(buffer)) {
        ++expected;
        core::Variant id, name, x;
        recordSet->GetFieldAsVariant(1, buffer, id);
        recordSet->GetFieldAsVariant(2, buffer, name);
        recordSet->GetFieldAsVariant(3, buffer, x);
        inOrder = inOrder && id.AsInteger() == expected && name.AsString() == u"name " + core::IntToStr(expected) &&
            x.AsDouble() == expected / 4.0;
        if (expected == 5000) {
            EXPECT_FALSE(recordSet->CanDisconnect());
        }
    }
    recordSet->FreeRecBuf(buffer);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, 10000);
    EXPECT_EQ(recordSet->GetRecordCount(), 10000);
    EXPECT_EQ(blocks, 401);  // the last one finds the end
    EXPECT_TRUE(recordSet->CanDisconnect());
    recordSet->Close();
    EXPECT_EQ(recordSet->GetCommand()->GetCursorState(), csInactive);
}

TEST_F(SQLiteRecordSet, EveryParameterDataTypeRoundTrips)
{
    const double day = 46000.0;  // a date
    const double noon = 0.5;
    struct Case {
        uint16_t dataType;
        const char16_t* declared;
        core::Variant value;
        core::Variant expected;
    };
    const Case cases[] = {
        {dtUnknown, u"INTEGER", int32_t(9), int64_t(9)},
        {dtString, u"TEXT", u"abc", u"abc"},
        {dtInt8, u"INTEGER", int8_t(-5), int64_t(-5)},
        {dtInt16, u"INTEGER", int16_t(-300), int64_t(-300)},
        {dtInt32, u"INTEGER", int32_t(-70000), int64_t(-70000)},
        {dtFloat, u"REAL", 1.25, 1.25},
        {dtDate, u"DATE", core::Variant::FromDate(day), core::Variant::FromDate(day)},
        {dtTime, u"TIME", core::Variant::FromDate(noon), core::Variant::FromDate(noon)},
        {dtDateTime, u"DATETIME", core::Variant::FromDate(day + noon), core::Variant::FromDate(day + noon)},
        {dtUInt16, u"INTEGER", uint16_t(65535), int64_t(65535)},
        {dtBoolean, u"BOOLEAN", true, true},
        {dtInt64, u"INTEGER", int64_t(1) << 40, int64_t(1) << 40},
        {dtCurrency, u"REAL", core::Currency::FromDouble(12.5), 12.5},
        {dtBlob, u"BLOB", core::Variant::Bytes{1, 0, 2}, core::Variant::Bytes{1, 0, 2}},
        {dtMemo, u"TEXT", u"memo", u"memo"},
        {dtVariant, u"REAL", 2.5, 2.5},
        {dtExtString, u"TEXT", u"ext", u"ext"},
        {dtBytes, u"BLOB", core::Variant::Bytes{9, 8}, core::Variant::Bytes{9, 8}},
        {dtVarBytes, u"BLOB", core::Variant::Bytes{7}, core::Variant::Bytes{7}},
        {dtExtVarBytes, u"BLOB", core::Variant::Bytes{6, 5, 4}, core::Variant::Bytes{6, 5, 4}},
        {dtUInt32, u"INTEGER", uint32_t(4000000000u), int64_t(4000000000)},
        {dtWideString, u"VARCHAR(10)", u"\u4e2d\u6587", u"\u4e2d\u6587"},
        {dtExtWideString, u"TEXT", u"wide \u00e9", u"wide \u00e9"},
        {dtBCD, u"REAL", 3.75, 3.75},
        {dtFMTBCD, u"TEXT", core::StrToBcd(u"123456789.123456789"), u"123456789.123456789"},
        {dtGuid, u"VARCHAR(38)", u"{00000000-0000-0000-0000-000000000001}",
         u"{00000000-0000-0000-0000-000000000001}"},
        {dtWideMemo, u"TEXT", u"wide memo", u"wide memo"},
        {dtSQLTimeStamp, u"DATETIME", core::Variant::FromDate(day + noon), core::Variant::FromDate(day + noon)},
        {dtInt32, u"INTEGER", core::Variant::Null(), core::Variant::Null()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataType);
        connection->ExecSQL(u"DROP TABLE IF EXISTS r; CREATE TABLE r (c " + String(c.declared) + u")");
        auto insert = Select(u"INSERT INTO r VALUES (:v)");
        TCRCommand& command = *insert->GetCommand();
        ASSERT_EQ(command.GetParamCount(), 1);
        command.GetParam(0)->SetDataType(c.dataType);
        command.GetParam(0)->SetValue(c.value);
        command.Execute();
        core::Variant changed;
        EXPECT_TRUE(command.GetProp(PropRowsChanged, changed));
        EXPECT_EQ(changed.AsInteger(), 1);
        const core::Variant value = FirstValue(u"SELECT c FROM r");
        EXPECT_EQ(value, c.expected) << core::ToUtf8(core::VarToStr(value));
    }

    for (uint16_t type : {dtObject, dtReference, dtArray, dtTable, dtCursor}) {
        auto insert = Select(u"INSERT INTO r VALUES (:v)");
        TCRCommand& command = *insert->GetCommand();
        command.GetParam(0)->SetDataType(type);
        command.GetParam(0)->SetValue(int32_t(1));
        EXPECT_EQ(ErrorOf<core::Exception>([&] { command.Execute(); }),
                  u"Parameter v of data type " + core::IntToStr(type) + u" cannot be bound");
        EXPECT_EQ(command.GetCursorState(), csInactive);
    }
}

TEST_F(SQLiteRecordSet, ARejectedStatementLeavesEverythingReusable)
{
    connection->ExecSQL(u"CREATE TABLE t (id INTEGER); INSERT INTO t VALUES (1), (2)");
    auto recordSet = Select(u"SELEC id FROM t");
    for (bool prepareFirst : {false, true}) {
        SCOPED_TRACE(prepareFirst);
        const String error = ErrorOf<ESQLiteError>([&] {
            if (prepareFirst)
                recordSet->Prepare();
            recordSet->Open();
        });
        EXPECT_EQ(error, u"near \"SELEC\": syntax error");
        EXPECT_EQ(recordSet->GetCommand()->GetCursorState(), csInactive);
        EXPECT_FALSE(recordSet->Prepared());
        EXPECT_FALSE(recordSet->Active());
        EXPECT_EQ(recordSet->First(), nullptr);
        EXPECT_EQ(recordSet->GetRecordCount(), 0);
    }
    recordSet->SetSQL(u"SELECT id FROM t WHERE id > :min");
    recordSet->GetCommand()->GetParam(0)->SetValue(int32_t(1));
    recordSet->Open();
    EXPECT_EQ(recordSet->GetRecordCount(), 1);
    EXPECT_TRUE(recordSet->CanDisconnect());
}

} // namespace
