// A provider over SQLite linked into the test process: no server, a database file (or ":memory:", or
// a "file:" URI such as "file:x.db?mode=ro") named by the connection's server. Errors carry SQLite's
// own code and text.
#pragma once

#include "core/test/tempfile.h"
#include "data/access/daerror.h"
#include "data/access/testing/membertransaction.h"

struct sqlite3;

namespace data::testing {

// SQLite's extended result code as the error code. A closed handle (no database to ask) and the
// codes that leave the file unusable are fatal; UNIQUE and PRIMARY KEY failures are key violations.
class ESQLiteError : public EDAError {
public:
    ESQLiteError(String Message, int ErrorCode, bool HandleClosed = false)
        : EDAError(ErrorCode, std::move(Message)), m_handle_closed(HandleClosed)
    {
    }

    bool HandleClosed() const { return m_handle_closed; }
    bool IsFatalError() const override;
    bool IsKeyViolation() const override;

private:
    bool m_handle_closed;
};

class TSQLiteConnection : public TCRConnection {
public:
    TSQLiteConnection() = default;
    ~TSQLiteConnection() override;

    sqlite3* Handle() const { return m_db; }

    // Runs statements; a failure goes through the error loop and is raised unless the handler
    // cleared Fail.
    void ExecSQL(StringView SQL);
    // The first column of the first row (Null when there is none).
    core::Variant SelectValue(StringView SQL);

    TCRTransactionClass GetTransactionClass() const override;
    void Connect(StringView ConnectString) override;
    void Disconnect() override;
    void AssignConnect(TCRConnection* Source) override;
    bool CheckIsValid() override;
    String GetServerVersion() override;
    String GetServerVersionFull() override;
    String GetClientVersion() override;
    bool GetProp(int Prop, core::Variant& Value) override;

private:
    [[noreturn]] void RaiseError(int Code);
    void Fail(const ESQLiteError& Error);

    sqlite3* m_db = nullptr;
};

// BEGIN, COMMIT, ROLLBACK and the savepoints on each member connection; the retaining forms run the
// base statement and begin again.
class TSQLiteTransaction : public TMemberTransaction {
public:
    TSQLiteTransaction();

protected:
    void Run(TCRConnection* Member, StringView What) override;
    String SavepointName(StringView Name) const override;
};

// A database file in a folder of its own, removed with its journals when the guard goes.
class TSQLiteTempDatabase {
public:
    TSQLiteTempDatabase();
    const String& FileName() const { return m_file; }

private:
    core::test::TempDir m_dir;
    String m_file;
};

} // namespace data::testing
