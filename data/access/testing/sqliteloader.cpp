// The SQLite provider's loader and metadata.
#include "data/access/testing/sqliteloader.h"

#include <sqlite3.h>

#include <functional>

namespace data::testing {

namespace {

const char16_t* const kSavepoint = u"SAVEPOINT loader";

String QuoteName(StringView Name)
{
    String result = u"\"";
    for (Char ch : Name) {
        result += ch;
        if (ch == u'"')
            result += ch;
    }
    return result + u"\"";
}

} // namespace

// ---- loader -------------------------------------------------------------------------------------

TSQLiteLoader::~TSQLiteLoader()
{
    try {
        Abandon();
    } catch (...) {
        core::HandleException();
    }
}

TSQLiteConnection& TSQLiteLoader::Connection() const
{
    auto* connection = dynamic_cast<TSQLiteConnection*>(FConnection);
    if (!connection || !connection->Handle())
        throw core::Exception(u"Not connected");
    return *connection;
}

void TSQLiteLoader::Prepare()
{
    Abandon();
    TCRLoader::Prepare();
    if (FColumns.Count() == 0)
        CreateColumns();
    String names, markers;
    for (int i = 0; i < FColumns.Count(); ++i) {
        names += (i ? u", " : u"") + QuoteName(FColumns.Items(i)->Name());
        markers += i ? u", ?" : u"?";
    }
    const std::string sql = core::ToUtf8(u"INSERT INTO " + FTableName + u" (" + names + u") VALUES (" + markers + u")");
    TSQLiteConnection& connection = Connection();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.Handle(), sql.c_str(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        ESQLiteError error(core::FromUtf8(sqlite3_errmsg(connection.Handle())),
                           sqlite3_extended_errcode(connection.Handle()));
        bool fail = true;
        connection.ProcessError(error, fail);
        if (fail)
            throw error;
        return;
    }
    try {
        connection.ExecSQL(kSavepoint);
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
    m_stmt = statement;
    m_loaded_before = FLoadedRows;
    m_row_pending = false;
    m_error.reset();
}

void TSQLiteLoader::PutColumnData(int Col, int Row, const core::Variant& Value)
{
    CORE_ASSERT(m_stmt, u"Loader is not prepared");
    if (Row >= 1 && Row <= FLoadedRows)
        throw core::Exception(u"Invalid row number");
    // DiscardRow gave up the row whose values are bound.
    if (m_row_pending && FLastRow < m_pending_row) {
        sqlite3_clear_bindings(m_stmt);
        m_row_pending = false;
    }
    TCRLoader::PutColumnData(Col, Row, Value);
    if (m_row_pending && FLastRow != m_pending_row)
        InsertRow();
    if (!m_error)
        BindValue(m_stmt, Col + 1, FColumns.Items(Col)->DataType(), Value, FColumns.Items(Col)->Name());
    m_row_pending = true;
    m_pending_row = FLastRow;
}

void TSQLiteLoader::InsertRow()
{
    m_row_pending = false;
    if (m_error)
        return;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_DONE) {
        ++FLoadedRows;
    } else {
        sqlite3* db = Connection().Handle();
        m_error.emplace(core::FromUtf8(sqlite3_errmsg(db)), sqlite3_extended_errcode(db));
    }
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void TSQLiteLoader::DoLoad()
{
    CORE_ASSERT(m_stmt, u"Loader is not prepared");
    if (m_row_pending && FLastRow == m_pending_row)
        InsertRow();
    if (m_error) {
        const ESQLiteError error = *m_error;
        Abandon();
        bool fail = true;
        Connection().ProcessError(error, fail);
        if (fail)
            throw error;
        return;
    }
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    Connection().ExecSQL(u"RELEASE loader");
}

void TSQLiteLoader::Finish() { Abandon(); }

void TSQLiteLoader::Abandon()
{
    if (!m_stmt)
        return;
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_row_pending = false;
    m_error.reset();
    FLoadedRows = m_loaded_before;
    Connection().ExecSQL(u"ROLLBACK TO loader; RELEASE loader");
}

// ---- metadata -----------------------------------------------------------------------------------

namespace {

// Runs a query with text parameters (?1, ?2, ...) and hands each row to Row.
void Query(TSQLiteConnection& Connection, StringView SQL, std::initializer_list<String> Params,
           const std::function<void(sqlite3_stmt*)>& Row)
{
    sqlite3* db = Connection.Handle();
    sqlite3_stmt* statement = nullptr;
    const String sql(SQL);
    auto raise = [&] {
        ESQLiteError error(core::FromUtf8(sqlite3_errmsg(db)), sqlite3_extended_errcode(db));
        sqlite3_finalize(statement);
        throw error;
    };
    if (sqlite3_prepare16_v2(db, sql.data(), int(sql.size() * sizeof(Char)), &statement, nullptr) != SQLITE_OK)
        raise();
    int index = 1;
    for (const String& param : Params)
        sqlite3_bind_text16(statement, index++, param.data(), int(param.size() * sizeof(Char)), SQLITE_TRANSIENT);
    try {
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            Row(statement);
        if (rc != SQLITE_DONE)
            raise();
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
    sqlite3_finalize(statement);
}

String Text(sqlite3_stmt* Statement, int Column)
{
    const void* text = sqlite3_column_text16(Statement, Column);
    return text ? String(static_cast<const Char*>(text), size_t(sqlite3_column_bytes16(Statement, Column)) / 2)
                : String();
}

core::Variant Int(sqlite3_stmt* Statement, int Column) { return int32_t(sqlite3_column_int(Statement, Column)); }

core::Variant Null() { return core::Variant::Null(); }

// The numbers in brackets of a declared type: VARCHAR(20) gives 20, DECIMAL(10,2) gives 10 and 2.
std::vector<int> TypeNumbers(const String& Declared)
{
    std::vector<int> numbers;
    const size_t open = Declared.find(u'(');
    if (open == String::npos)
        return numbers;
    int value = -1;
    for (size_t i = open + 1; i < Declared.size() && Declared[i] != u')'; ++i) {
        const Char ch = Declared[i];
        if (ch >= u'0' && ch <= u'9') {
            value = std::min((value < 0 ? 0 : value) * 10 + (ch - u'0'), 1000000);
        } else if (ch == u',') {
            numbers.push_back(value < 0 ? 0 : value);
            value = -1;
        }
    }
    if (value >= 0)
        numbers.push_back(value);
    return numbers;
}

core::Variant Number(const std::vector<int>& Numbers, size_t Index)
{
    return Index < Numbers.size() ? core::Variant(int32_t(Numbers[Index])) : Null();
}

const char16_t* const kTables =
    u"SELECT name, upper(type) FROM sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' "
    u"ESCAPE '\\' AND (?1 = '' OR name = ?1 COLLATE NOCASE) AND (?2 = '' OR type = ?2 COLLATE NOCASE) ORDER BY name";

} // namespace

TSQLiteConnection& TSQLiteMetaData::Connection()
{
    auto* connection = dynamic_cast<TSQLiteConnection*>(RecordSet().GetCommand()->GetConnection());
    if (!connection || !connection->Handle())
        throw core::Exception(u"Not connected");
    return *connection;
}

TData* TSQLiteMetaData::GetTables(const core::Strings& Restrictions)
{
    TSQLiteConnection& connection = Connection();
    CreateTablesFields();
    OpenResult();
    Query(connection, kTables, {Restrictions.Values(u"TABLE_NAME"), Restrictions.Values(u"TABLE_TYPE")},
          [&](sqlite3_stmt* Row) { AddResultRow({Null(), Null(), Text(Row, 0), Text(Row, 1)}); });
    FMemData->SetToBegin();
    return FMemData.get();
}

namespace {

// The tables (not views) that a restriction names, or all of them.
std::vector<String> TableNames(TSQLiteConnection& Connection, const core::Strings& Restrictions, bool WithViews)
{
    std::vector<String> names;
    Query(Connection, kTables, {Restrictions.Values(u"TABLE_NAME"), WithViews ? String() : String(u"table")},
          [&](sqlite3_stmt* Row) { names.push_back(Text(Row, 0)); });
    return names;
}

} // namespace

TData* TSQLiteMetaData::GetColumns(const core::Strings& Restrictions)
{
    TSQLiteConnection& connection = Connection();
    CreateColumnsFields();
    OpenResult();
    const String column = Restrictions.Values(u"COLUMN_NAME");
    for (const String& table : TableNames(connection, Restrictions, true)) {
        Query(connection,
              u"SELECT cid, name, type, \"notnull\", dflt_value FROM pragma_table_info(?1) "
              u"WHERE ?2 = '' OR name = ?2 COLLATE NOCASE ORDER BY cid",
              {table, column}, [&](sqlite3_stmt* Row) {
                  const String type = Text(Row, 2);
                  const std::vector<int> numbers = TypeNumbers(type);
                  const bool scaled = numbers.size() > 1;
                  const String defaultValue = Text(Row, 4);
                  AddResultRow({Null(), Null(), table, Text(Row, 1), int32_t(sqlite3_column_int(Row, 0) + 1), type,
                                scaled ? Null() : Number(numbers, 0), scaled ? Number(numbers, 0) : Null(),
                                scaled ? Number(numbers, 1) : Null(), int32_t(sqlite3_column_int(Row, 3) ? 0 : 1),
                                defaultValue.empty() ? Null() : core::Variant(defaultValue)});
              });
    }
    FMemData->SetToBegin();
    return FMemData.get();
}

TData* TSQLiteMetaData::GetProcedures(const core::Strings&)
{
    CreateProceduresFields();
    OpenResult();
    return FMemData.get();
}

TData* TSQLiteMetaData::GetProcedureParameters(const core::Strings&)
{
    CreateProcedureParametersFields();
    OpenResult();
    return FMemData.get();
}

TData* TSQLiteMetaData::GetIndexes(const core::Strings& Restrictions)
{
    TSQLiteConnection& connection = Connection();
    CreateIndexesFields();
    OpenResult();
    const String index = Restrictions.Values(u"INDEX_NAME");
    for (const String& table : TableNames(connection, Restrictions, false)) {
        Query(connection,
              u"SELECT name, \"unique\" FROM pragma_index_list(?1) WHERE ?2 = '' OR name = ?2 COLLATE NOCASE "
              u"ORDER BY name",
              {table, index}, [&](sqlite3_stmt* Row) {
                  AddResultRow({Null(), Null(), table, Null(), Null(), Text(Row, 0), Int(Row, 1)});
              });
    }
    FMemData->SetToBegin();
    return FMemData.get();
}

TData* TSQLiteMetaData::GetIndexColumns(const core::Strings& Restrictions)
{
    TSQLiteConnection& connection = Connection();
    CreateIndexColumnsFields();
    OpenResult();
    const String index = Restrictions.Values(u"INDEX_NAME");
    for (const String& table : TableNames(connection, Restrictions, false)) {
        Query(connection,
              u"SELECT l.name, x.name, x.seqno, x.\"desc\" FROM pragma_index_list(?1) AS l, "
              u"pragma_index_xinfo(l.name) AS x WHERE x.key = 1 AND (?2 = '' OR l.name = ?2 COLLATE NOCASE) "
              u"ORDER BY l.name, x.seqno",
              {table, index}, [&](sqlite3_stmt* Row) {
                  AddResultRow({Null(), Null(), table, Null(), Null(), Text(Row, 0), Text(Row, 1),
                                int32_t(sqlite3_column_int(Row, 2) + 1),
                                String(sqlite3_column_int(Row, 3) ? u"DESC" : u"ASC")});
              });
    }
    FMemData->SetToBegin();
    return FMemData.get();
}

TData* TSQLiteMetaData::GetConstraints(const core::Strings& Restrictions)
{
    TSQLiteConnection& connection = Connection();
    CreateConstraintsFields();
    OpenResult();
    // SQLite keeps no names for primary and foreign keys: they are named after the table.
    const char16_t* const constraints =
        u"SELECT 'PK_' || ?1 AS cname, 'PRIMARY KEY' AS ctype, "
        u"(SELECT name FROM pragma_index_list(?1) WHERE origin = 'pk') AS iname "
        u"WHERE EXISTS (SELECT 1 FROM pragma_table_info(?1) WHERE pk > 0) "
        u"UNION ALL SELECT name, 'UNIQUE', name FROM pragma_index_list(?1) WHERE origin = 'u' "
        u"UNION ALL SELECT DISTINCT 'FK_' || ?1 || '_' || id, 'FOREIGN KEY', NULL FROM pragma_foreign_key_list(?1)";
    const String name = Restrictions.Values(u"CONSTRAINT_NAME");
    const String type = Restrictions.Values(u"CONSTRAINT_TYPE");
    for (const String& table : TableNames(connection, Restrictions, false)) {
        Query(connection,
              String(u"SELECT * FROM (") + constraints +
                  u") WHERE (?2 = '' OR cname = ?2 COLLATE NOCASE) AND (?3 = '' OR ctype = ?3 COLLATE NOCASE)",
              {table, name, type}, [&](sqlite3_stmt* Row) {
                  AddResultRow({Null(), Null(), table, Text(Row, 0), Text(Row, 1), Null(), Null(), Text(Row, 2)});
              });
    }
    FMemData->SetToBegin();
    return FMemData.get();
}

} // namespace data::testing
