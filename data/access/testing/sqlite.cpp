// The SQLite test provider.
#include "data/access/testing/sqlite.h"

#include <sqlite3.h>

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is assigned
// from a temporary of another kind.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <memory>

namespace data::testing {

namespace {

core::Variant ColumnValue(sqlite3_stmt* Statement)
{
    switch (sqlite3_column_type(Statement, 0)) {
    case SQLITE_INTEGER: return core::Variant(int64_t(sqlite3_column_int64(Statement, 0)));
    case SQLITE_FLOAT: return core::Variant(sqlite3_column_double(Statement, 0));
    case SQLITE_NULL: return core::Variant::Null();
    default: return core::Variant(core::FromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(Statement, 0))));
    }
}

} // namespace

TSQLiteConnection::~TSQLiteConnection()
{
    if (m_db)
        Disconnect();
}

void TSQLiteConnection::RaiseError(int Code)
{
    String text = m_db ? core::FromUtf8(sqlite3_errmsg(m_db)) : core::FromUtf8(sqlite3_errstr(Code));
    int code = m_db ? sqlite3_extended_errcode(m_db) : Code;
    throw ESQLiteError(std::move(text), code, m_db == nullptr);
}

bool ESQLiteError::IsFatalError() const
{
    switch (ErrorCode() & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return true;
    default: return m_handle_closed;
    }
}

bool ESQLiteError::IsKeyViolation() const
{
    return ErrorCode() == SQLITE_CONSTRAINT_UNIQUE || ErrorCode() == SQLITE_CONSTRAINT_PRIMARYKEY;
}

void TSQLiteConnection::Fail(const ESQLiteError& Error)
{
    bool fail = true;
    ProcessError(Error, fail);
    if (fail)
        throw Error;
}

void TSQLiteConnection::ExecSQL(StringView SQL)
{
    CORE_ASSERT(m_db != nullptr, u"Not connected");
    std::string utf8 = core::ToUtf8(SQL);
    int rc = sqlite3_exec(m_db, utf8.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        try {
            RaiseError(rc);
        } catch (const ESQLiteError& error) {
            Fail(error);
        }
    }
}

core::Variant TSQLiteConnection::SelectValue(StringView SQL)
{
    CORE_ASSERT(m_db != nullptr, u"Not connected");
    std::string utf8 = core::ToUtf8(SQL);
    sqlite3_stmt* prepared = nullptr;
    int rc = sqlite3_prepare_v2(m_db, utf8.c_str(), int(utf8.size()), &prepared, nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepared, sqlite3_finalize);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW)
        return ColumnValue(statement.get());
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        try {
            RaiseError(rc);
        } catch (const ESQLiteError& error) {
            Fail(error);
        }
    }
    return core::Variant::Null();
}

TCRTransactionClass TSQLiteConnection::GetTransactionClass() const
{
    return NewOf<TSQLiteTransaction, TCRTransaction>;
}

void TSQLiteConnection::Connect(StringView ConnectString)
{
    if (m_db)
        Disconnect();
    std::string name = core::ToUtf8(FServer);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                             nullptr);
    if (rc != SQLITE_OK) {
        ESQLiteError error(db ? core::FromUtf8(sqlite3_errmsg(db)) : core::FromUtf8(sqlite3_errstr(rc)),
                           db ? sqlite3_extended_errcode(db) : rc);
        sqlite3_close_v2(db);
        throw error;
    }
    m_db = db;
    FNativeConnection = true;
    FConnected = true;
    TCRConnection::Connect(ConnectString);
}

void TSQLiteConnection::Disconnect()
{
    if (m_db && FNativeConnection)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    FConnected = false;
}

void TSQLiteConnection::AssignConnect(TCRConnection* Source)
{
    Disconnect();
    auto* source = dynamic_cast<TSQLiteConnection*>(Source);
    if (!source)
        return;
    // The source keeps the handle: this connection only borrows it.
    m_db = source->m_db;
    FConnected = m_db != nullptr;
    FNativeConnection = false;
}

bool TSQLiteConnection::CheckIsValid()
{
    return m_db && sqlite3_exec(m_db, "SELECT 1", nullptr, nullptr, nullptr) == SQLITE_OK;
}

String TSQLiteConnection::GetServerVersion() { return core::FromUtf8(sqlite3_libversion()); }

String TSQLiteConnection::GetServerVersionFull() { return u"SQLite " + GetServerVersion(); }

String TSQLiteConnection::GetClientVersion() { return GetServerVersion(); }

bool TSQLiteConnection::GetProp(int Prop, core::Variant& Value)
{
    if (Prop == PropLastInsertId) {
        Value = m_db ? int64_t(sqlite3_last_insert_rowid(m_db)) : int64_t(0);
        return true;
    }
    return TCRConnection::GetProp(Prop, Value);
}

namespace {

const TMemberTransaction::Texts kSQLiteTexts = {
    u"BEGIN", u"COMMIT", u"ROLLBACK", u"COMMIT; BEGIN", u"ROLLBACK; BEGIN",
    u"SAVEPOINT ", u"RELEASE SAVEPOINT ", u"ROLLBACK TO SAVEPOINT ",
};

} // namespace

TSQLiteTransaction::TSQLiteTransaction() : TMemberTransaction(kSQLiteTexts) {}

void TSQLiteTransaction::Run(TCRConnection* Member, StringView What)
{
    auto* sqlite = dynamic_cast<TSQLiteConnection*>(Member);
    CORE_ASSERT(sqlite != nullptr, u"");
    sqlite->ExecSQL(What);
}

String TSQLiteTransaction::SavepointName(StringView Name) const
{
    return u"\"" + core::StringReplace(Name, u"\"", u"\"\"", core::rfReplaceAll) + u"\"";
}

TSQLiteTempDatabase::TSQLiteTempDatabase() : m_file(m_dir.File(u"test.db"))
{
    // SQLite's side files, should a test leave one behind.
    for (const char16_t* suffix : {u"test.db-journal", u"test.db-wal", u"test.db-shm"})
        m_dir.File(suffix);
}

} // namespace data::testing
