// Catalogue metadata: the kinds and restrictions lists, the columns of every result table, dispatch
// of the kind, the scripted provider's rows and the SQLite provider's catalogue.
#include "data/access/testing/scriptedmeta.h"
#include "data/access/testing/sqliteloader.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <vector>

using namespace data;
using namespace data::testing;

namespace {

using Rows = std::vector<std::vector<String>>;

// Every record of a result store as texts, "-" for null.
Rows RowsOf(TData& Data)
{
    TDataHelper helper(&Data);
    helper.AllocBuffer();
    Data.SetToBegin();
    Rows rows;
    while (helper.NextRecord()) {
        std::vector<String> row;
        for (int n = 1; n <= Data.FieldCount(); ++n) {
            const core::Variant value = helper.GetFieldValue(n);
            row.push_back(value.IsNull() ? String(u"-") : value.AsString());
        }
        rows.push_back(row);
    }
    return rows;
}

std::unique_ptr<core::StringList> Restrictions(std::initializer_list<String> Lines)
{
    auto list = std::make_unique<core::StringList>();
    for (const String& line : Lines)
        list->Add(line);
    return list;
}

class MetaData : public ::testing::Test {
protected:
    void SetUp() override { connection->Connect(u""); }

    TData& Get(StringView Kind, std::initializer_list<String> Lines = {})
    {
        return *meta.GetMetaData(connection.get(), nullptr, Kind, *Restrictions(Lines));
    }

    std::unique_ptr<TScriptedConnection> connection = NewConnection<TScriptedConnection>();
    TScriptedMetaData meta;
};

TEST_F(MetaData, KindsAndTheirRestrictions)
{
    const Rows kinds = {{u"MetaDataKinds"}, {u"Restrictions"}, {u"Tables"}, {u"Columns"}, {u"Procedures"},
                        {u"ProcedureParameters"}, {u"Indexes"}, {u"IndexColumns"}, {u"Constraints"}};
    EXPECT_EQ(RowsOf(Get(u"")), kinds);
    EXPECT_EQ(RowsOf(Get(u" MetaDataKinds ")), kinds);

    const Rows all = RowsOf(Get(u"restrictions"));
    ASSERT_EQ(all.size(), 30u);
    EXPECT_EQ(all[0], (std::vector<String>{u"Restrictions", u"METADATA_NAME"}));
    EXPECT_EQ(all[1], (std::vector<String>{u"Tables", u"TABLE_CATALOG"}));
    EXPECT_EQ(all[29], (std::vector<String>{u"Constraints", u"CONSTRAINT_TYPE"}));
    int perKind[9] = {};
    for (const auto& row : all)
        for (int k = 0; k < 9; ++k)
            if (row[0] == kinds[size_t(k)][0])
                ++perKind[k];
    EXPECT_EQ(std::vector<int>(perKind, perKind + 9), (std::vector<int>{0, 1, 4, 4, 4, 4, 4, 4, 5}));

    // The filter is read under the advertised name and the older one, trimmed and lower-cased.
    const Rows indexes = {{u"indexcolumns", u"TABLE_CATALOG"}, {u"indexcolumns", u"TABLE_SCHEMA"},
                          {u"indexcolumns", u"TABLE_NAME"}, {u"indexcolumns", u"INDEX_NAME"}};
    EXPECT_EQ(RowsOf(Get(u"Restrictions", {u"METADATA_NAME= IndexColumns "})), indexes);
    EXPECT_EQ(RowsOf(Get(u"Restrictions", {u"METAINFO_NAME=INDEXCOLUMNS"})), indexes);
    EXPECT_EQ(RowsOf(Get(u"Restrictions", {u"METADATA_NAME=synonyms"})), Rows{});

    core::StringList list;
    list.Add(u"old");
    meta.GetRestrictionsList(list, u"  Constraints ");
    EXPECT_EQ(list.CommaText(), u"TABLE_CATALOG,TABLE_SCHEMA,TABLE_NAME,CONSTRAINT_NAME,CONSTRAINT_TYPE");
    meta.GetMetaDataKindsList(list);
    EXPECT_EQ(list.Count(), 9);
}

struct Column {
    const char16_t* name;
    uint16_t type;
    int length;
};

TEST_F(MetaData, ColumnsOfEveryResultTable)
{
    const uint16_t s = dtString, i = dtInt32;
    struct Kind {
        const char16_t* kind;
        std::vector<Column> columns;
    } const kinds[] = {
        {u"metadatakinds", {{u"METADATA_NAME", s, 50}}},
        {u"restrictions", {{u"METADATA_NAME", s, 50}, {u"RESTRICTION_NAME", s, 50}}},
        {u"tables", {{u"TABLE_CATALOG", s, 100}, {u"TABLE_SCHEMA", s, 100}, {u"TABLE_NAME", s, 100},
                     {u"TABLE_TYPE", s, 50}}},
        {u"columns", {{u"TABLE_CATALOG", s, 100}, {u"TABLE_SCHEMA", s, 100}, {u"TABLE_NAME", s, 100},
                      {u"COLUMN_NAME", s, 100}, {u"POSITION", i, 0}, {u"DATA_TYPE", s, 50},
                      {u"DATA_LENGTH", i, 0}, {u"DATA_PRECISION", i, 0}, {u"DATA_SCALE", i, 0},
                      {u"NULLABLE", i, 0}, {u"DEFAULT_VALUE", dtMemo, 0}}},
        {u"procedures", {{u"PROCEDURE_CATALOG", s, 100}, {u"PROCEDURE_SCHEMA", s, 100},
                         {u"PROCEDURE_NAME", s, 100}, {u"PROCEDURE_TYPE", s, 50}}},
        {u"procedureparameters", {{u"PROCEDURE_CATALOG", s, 100}, {u"PROCEDURE_SCHEMA", s, 100},
                                  {u"PROCEDURE_NAME", s, 100}, {u"PARAMETER_NAME", s, 100}, {u"POSITION", i, 0},
                                  {u"DIRECTION", s, 10}, {u"DATA_TYPE", s, 50}, {u"DATA_LENGTH", i, 0},
                                  {u"DATA_PRECISION", i, 0}, {u"DATA_SCALE", i, 0}}},
        {u"indexes", {{u"TABLE_CATALOG", s, 100}, {u"TABLE_SCHEMA", s, 100}, {u"TABLE_NAME", s, 100},
                      {u"INDEX_CATALOG", s, 100}, {u"INDEX_SCHEMA", s, 100}, {u"INDEX_NAME", s, 100},
                      {u"UNIQUE", i, 0}}},
        {u"indexcolumns", {{u"TABLE_CATALOG", s, 100}, {u"TABLE_SCHEMA", s, 100}, {u"TABLE_NAME", s, 100},
                           {u"INDEX_CATALOG", s, 100}, {u"INDEX_SCHEMA", s, 100}, {u"INDEX_NAME", s, 100},
                           {u"COLUMN_NAME", s, 100}, {u"COLUMN_POSITION", i, 0}, {u"SORT_ORDER", s, 4}}},
        {u"constraints", {{u"TABLE_CATALOG", s, 100}, {u"TABLE_SCHEMA", s, 100}, {u"TABLE_NAME", s, 100},
                          {u"CONSTRAINT_NAME", s, 100}, {u"CONSTRAINT_TYPE", s, 100}, {u"INDEX_CATALOG", s, 100},
                          {u"INDEX_SCHEMA", s, 100}, {u"INDEX_NAME", s, 100}}},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(core::ToUtf8(k.kind));
        TData& data = Get(k.kind);
        ASSERT_EQ(data.FieldCount(), k.columns.size());
        for (size_t n = 0; n < k.columns.size(); ++n) {
            const TFieldDesc& field = *data.Fields().Items(int(n));
            EXPECT_EQ(field.Name, k.columns[n].name);
            EXPECT_EQ(field.ActualName, k.columns[n].name);
            EXPECT_EQ(field.DataType, k.columns[n].type);
            EXPECT_EQ(field.Length, k.columns[n].length);
            EXPECT_EQ(field.FieldNo, n + 1);
        }
    }
    // The databases columns, which the base makes but does not dispatch to.
    class Databases : public TScriptedMetaData {
    public:
        TData* GetDatabases(const core::Strings&) override
        {
            CreateDatabasesFields();
            OpenResult();
            return FMemData.get();
        }
    } databases;
    TData& data = *databases.GetMetaData(connection.get(), nullptr, u"Databases", core::StringList());
    ASSERT_EQ(data.FieldCount(), 1);
    EXPECT_EQ(data.Fields().Items(0)->Name, u"DATABASE_NAME");
    EXPECT_EQ(data.Fields().Items(0)->Length, 100);
}

TEST_F(MetaData, FieldSizesByType)
{
    struct Case {
        uint16_t type;
        int length;
        uint16_t size;
    } const cases[] = {{dtString, 50, 51}, {dtInt8, 0, 1},        {dtInt16, 0, 2},  {dtBoolean, 0, 2},
                       {dtInt32, 0, 4},    {dtFloat, 0, 8},       {dtDate, 0, 8},   {dtDateTime, 0, 8},
                       {dtInt64, 0, 8},    {dtWideString, 10, 22}, {dtFMTBCD, 0, 34},
                       {dtMemo, 0, uint16_t(sizeof(void*))}, {dtExtWideString, 0, uint16_t(sizeof(void*))}};
    for (const Case& c : cases) {
        meta.AddField(u"F", c.type, c.length);
        const TFieldDesc& field = *meta.MemData().Fields().Items(meta.MemData().FieldCount() - 1);
        EXPECT_EQ(field.Size, c.size) << c.type;
        EXPECT_EQ(field.Length, c.length);
    }
}

TEST_F(MetaData, KindIsTrimmedAndLowerCasedAndUnknownKindsRaise)
{
    meta.Rows[u"tables"] = {{core::Variant::Null(), u"main", u"EMP", u"TABLE"}, {u"db", u"main", u"V", u"VIEW"}};
    TData& tables = Get(u"  TaBLes\t", {u"TABLE_NAME=EMP"});
    EXPECT_EQ(RowsOf(tables), (Rows{{u"-", u"main", u"EMP", u"TABLE"}, {u"db", u"main", u"V", u"VIEW"}}));
    EXPECT_EQ(connection->Server().Log().back(), u"conn metadata tables TABLE_NAME=EMP");

    for (const char16_t* kind : {u"synonyms", u"databases", u"DataTypes", u"users", u"roles", u"userdefinedtypes",
                                 u"packages", u"table"}) {
        SCOPED_TRACE(core::ToUtf8(kind));
        EXPECT_EQ(ErrorOf<core::Exception>([&] { Get(kind); }), u"Unsupported metadata kind");
        // No store was made: the last result stands.
        EXPECT_EQ(meta.MemData().FieldCount(), 4);
        EXPECT_EQ(RowsOf(meta.MemData()).size(), 2u);
    }
    // The server's failure passes through.
    connection->Server().FailCall(1, sfFatal);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { Get(u"columns"); }), u"Fatal error");
}

TEST_F(MetaData, RecordSetFetchesAllWithoutFlatBuffers)
{
    Get(u"metadatakinds");
    EXPECT_TRUE(meta.RecordSet().FetchAllRows());
    EXPECT_FALSE(meta.RecordSet().FlatBuffers());
    EXPECT_EQ(meta.RecordSet().GetCommand()->GetConnection(), connection.get());
    EXPECT_EQ(meta.Operator(), u"=");
}

TEST(DataHelper, MemoFieldsAreMadePerRecordAndKeptByTheStore)
{
    TMemData store;
    store.AutoInitFields = false;
    for (auto [name, type] : {std::pair{u"N", dtInt32}, {u"M", dtMemo}}) {
        auto field = std::make_unique<TFieldDesc>();
        field->Name = name;
        field->DataType = type;
        field->Size = type == dtMemo ? uint16_t(sizeof(void*)) : 4;
        store.Fields().Add(std::move(field));
    }
    store.InitFields();
    store.Open();
    {
        TDataHelper helper(&store);
        helper.AllocBuffer();
        for (int i = 1; i <= 3; ++i) {
            helper.InitRecord();
            helper.SetFieldValue(1, i);
            helper.SetFieldValue(2, u"memo " + core::IntToStr(i));
            helper.AppendRecord();
        }
        helper.InitRecord();  // made and not appended: freed with the buffer
    }
    EXPECT_EQ(RowsOf(store), (Rows{{u"1", u"memo 1"}, {u"2", u"memo 2"}, {u"3", u"memo 3"}}));
}

// ---- SQLite -------------------------------------------------------------------------------------

class SQLiteMetaData : public ::testing::Test {
protected:
    void SetUp() override
    {
        connection->SetServer(u":memory:");
        connection->Connect(u"");
        connection->ExecSQL(
            u"CREATE TABLE dept (id INTEGER PRIMARY KEY, name VARCHAR(30) NOT NULL UNIQUE);"
            u"CREATE TABLE emp (id INTEGER, code CHAR(4), salary DECIMAL(10,2) DEFAULT 0, dept INTEGER "
            u"REFERENCES dept(id), PRIMARY KEY (id, code));"
            u"CREATE INDEX emp_salary ON emp (salary DESC, dept);"
            u"CREATE VIEW rich AS SELECT * FROM emp WHERE salary > 1000;");
    }

    Rows Get(StringView Kind, std::initializer_list<String> Lines = {})
    {
        return RowsOf(*meta.GetMetaData(connection.get(), nullptr, Kind, *Restrictions(Lines)));
    }

    std::unique_ptr<TSQLiteConnection> connection = NewConnection<TSQLiteConnection>();
    TSQLiteMetaData meta;
};

TEST_F(SQLiteMetaData, TablesAndColumns)
{
    EXPECT_EQ(Get(u"tables"), (Rows{{u"-", u"-", u"dept", u"TABLE"}, {u"-", u"-", u"emp", u"TABLE"},
                                    {u"-", u"-", u"rich", u"VIEW"}}));
    EXPECT_EQ(Get(u"tables", {u"TABLE_TYPE=view"}), (Rows{{u"-", u"-", u"rich", u"VIEW"}}));
    EXPECT_EQ(Get(u"columns", {u"TABLE_NAME=EMP"}),
              (Rows{{u"-", u"-", u"emp", u"id", u"1", u"INTEGER", u"-", u"-", u"-", u"1", u"-"},
                    {u"-", u"-", u"emp", u"code", u"2", u"CHAR(4)", u"4", u"-", u"-", u"1", u"-"},
                    {u"-", u"-", u"emp", u"salary", u"3", u"DECIMAL(10,2)", u"-", u"10", u"2", u"1", u"0"},
                    {u"-", u"-", u"emp", u"dept", u"4", u"INTEGER", u"-", u"-", u"-", u"1", u"-"}}));
    EXPECT_EQ(Get(u"columns", {u"TABLE_NAME=dept", u"COLUMN_NAME=name"}),
              (Rows{{u"-", u"-", u"dept", u"name", u"2", u"VARCHAR(30)", u"30", u"-", u"-", u"0", u"-"}}));
    EXPECT_EQ(Get(u"procedures"), Rows{});
    EXPECT_EQ(Get(u"procedureparameters"), Rows{});
}

TEST_F(SQLiteMetaData, IndexesAndConstraints)
{
    EXPECT_EQ(Get(u"indexes", {u"TABLE_NAME=emp"}),
              (Rows{{u"-", u"-", u"emp", u"-", u"-", u"emp_salary", u"0"},
                    {u"-", u"-", u"emp", u"-", u"-", u"sqlite_autoindex_emp_1", u"1"}}));
    EXPECT_EQ(Get(u"indexcolumns", {u"INDEX_NAME=emp_salary"}),
              (Rows{{u"-", u"-", u"emp", u"-", u"-", u"emp_salary", u"salary", u"1", u"DESC"},
                    {u"-", u"-", u"emp", u"-", u"-", u"emp_salary", u"dept", u"2", u"ASC"}}));
    EXPECT_EQ(Get(u"constraints"),
              (Rows{{u"-", u"-", u"dept", u"PK_dept", u"PRIMARY KEY", u"-", u"-", u"-"},
                    {u"-", u"-", u"dept", u"sqlite_autoindex_dept_1", u"UNIQUE", u"-", u"-",
                     u"sqlite_autoindex_dept_1"},
                    {u"-", u"-", u"emp", u"PK_emp", u"PRIMARY KEY", u"-", u"-", u"sqlite_autoindex_emp_1"},
                    {u"-", u"-", u"emp", u"FK_emp_0", u"FOREIGN KEY", u"-", u"-", u"-"}}));
    EXPECT_EQ(Get(u"constraints", {u"CONSTRAINT_TYPE=foreign key"}),
              (Rows{{u"-", u"-", u"emp", u"FK_emp_0", u"FOREIGN KEY", u"-", u"-", u"-"}}));
}

TEST_F(SQLiteMetaData, NeedsAConnection)
{
    TSQLiteMetaData unconnected;
    EXPECT_EQ(ErrorOf<core::Exception>(
                  [&] { unconnected.GetMetaData(nullptr, nullptr, u"tables", core::StringList()); }),
              u"Not connected");
}

} // namespace
