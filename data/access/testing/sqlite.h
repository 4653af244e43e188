// A provider over SQLite linked into the test process: no server, a database file (or ":memory:", or
// a "file:" URI such as "file:x.db?mode=ro") named by the connection's server. Errors carry SQLite's
// own code and text.
#pragma once

#include "core/test/tempfile.h"
#include "data/access/testing/membertransaction.h"

struct sqlite3;

namespace data::testing {

class ESQLiteError : public core::Exception {
public:
    ESQLiteError(String Message, int ErrorCode) : core::Exception(std::move(Message)), m_code(ErrorCode) {}
    // SQLite's extended result code.
    int ErrorCode() const { return m_code; }

private:
    int m_code;
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
