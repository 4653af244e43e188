// The SQLite test provider.
#include "data/access/testing/sqlite.h"

#include <sqlite3.h>

namespace data::testing {

namespace {

String Quoted(StringView Name) { return u"\"" + core::StringReplace(Name, u"\"", u"\"\"", core::rfReplaceAll) + u"\""; }

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
    throw ESQLiteError(std::move(text), code);
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
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(m_db, utf8.c_str(), int(utf8.size()), &statement, nullptr);
    core::Variant value = core::Variant::Null();
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW) {
            switch (sqlite3_column_type(statement, 0)) {
            case SQLITE_INTEGER: value = int64_t(sqlite3_column_int64(statement, 0)); break;
            case SQLITE_FLOAT: value = sqlite3_column_double(statement, 0); break;
            case SQLITE_NULL: break;
            default:
                value = core::FromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
                break;
            }
            rc = SQLITE_OK;
        } else if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_OK) {
        try {
            RaiseError(rc);
        } catch (const ESQLiteError& error) {
            Fail(error);
        }
    }
    return value;
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

void TSQLiteTransaction::OnMembers(StringView SQL)
{
    for (TCRConnection* connection : FConnections) {
        auto* sqlite = dynamic_cast<TSQLiteConnection*>(connection);
        CORE_ASSERT(sqlite != nullptr, u"");
        sqlite->ExecSQL(SQL);
    }
}

void TSQLiteTransaction::StartTransaction()
{
    CheckInactive();
    OnMembers(u"BEGIN");
    FActive = true;
}

void TSQLiteTransaction::Commit()
{
    CheckActive();
    OnMembers(u"COMMIT");
    FActive = false;
}

void TSQLiteTransaction::Rollback()
{
    CheckActive();
    OnMembers(u"ROLLBACK");
    FActive = false;
}

void TSQLiteTransaction::CommitRetaining()
{
    CheckActive();
    OnMembers(u"COMMIT");
    OnMembers(u"BEGIN");
}

void TSQLiteTransaction::RollbackRetaining()
{
    CheckActive();
    OnMembers(u"ROLLBACK");
    OnMembers(u"BEGIN");
}

void TSQLiteTransaction::Savepoint(StringView Name) { OnMembers(u"SAVEPOINT " + Quoted(Name)); }

void TSQLiteTransaction::ReleaseSavepoint(StringView Name) { OnMembers(u"RELEASE SAVEPOINT " + Quoted(Name)); }

void TSQLiteTransaction::RollbackToSavepoint(StringView Name)
{
    OnMembers(u"ROLLBACK TO SAVEPOINT " + Quoted(Name));
}

TSQLiteTempDatabase::TSQLiteTempDatabase() : m_file(m_dir.File(u"test.db"))
{
    // SQLite's side files, should a test leave one behind.
    for (const char16_t* suffix : {u"test.db-journal", u"test.db-wal", u"test.db-shm"})
        m_dir.File(suffix);
}

} // namespace data::testing
