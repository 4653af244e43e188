// The SQLite provider's command and record set. The command binds its parameters by position to the
// "?" markers that parameter scanning leaves, by each parameter's data type; the record set takes its
// column types from the declared types of the result columns and fetches FetchRows rows a block.
#pragma once

#include "data/access/crrecordset.h"
#include "data/access/testing/sqlite.h"

struct sqlite3_stmt;

namespace data::testing {

// SQLite's count of the rows the last statement changed (read).
inline constexpr int PropRowsChanged = 13;

// Binds a value by the data type it is for (a variant's own kind for unknown and variant types);
// Name is for the error on a type that cannot be bound.
void BindValue(sqlite3_stmt* Statement, int Index, uint16_t DataType, const core::Variant& Value, StringView Name);

class TSQLiteCommand : public TCRCommand {
public:
    ~TSQLiteCommand() override;

    void Prepare() override;
    void Unprepare() override;
    bool GetPrepared() override { return m_prepared; }
    // Prepares on the way when the command is not prepared, binds and runs to the first row.
    void Execute(int Iters = 1) override;
    TCursorState GetCursorState() override { return m_state; }
    void SetCursorState(TCursorState Value) override { m_state = Value; }
    TSQLParserClass GetParserClass() const override { return NewParser<TSQLParser>; }
    String CreateProcCall(StringView Name, bool NeedDescribe, bool IsQuery) override;
    bool GetProp(int Prop, core::Variant& Value) override;

    sqlite3_stmt* Statement() const { return m_stmt; }
    int ColumnCount() const;
    // Moves to the next row; false (and the cursor fetched) after the last one.
    bool Step();
    // Ends the cursor; a statement prepared only for the execution goes with it.
    void CloseCursor();

private:
    TSQLiteConnection& Connection() const;
    void PrepareStatement();
    void Bind();
    // Raises SQLite's error through the connection's error loop (the statement is released first).
    void Fail();

    sqlite3_stmt* m_stmt = nullptr;
    bool m_prepared = false;
    bool m_pending_row = false;
    TCursorState m_state = csInactive;
    int m_rows_changed = 0;
};

class TSQLiteRecordSet : public TCRRecordSet {
public:
    ~TSQLiteRecordSet() override;

    TSQLiteCommand& Command() const { return static_cast<TSQLiteCommand&>(*FCommand); }

    void CreateCommand() override { SetCommand(std::make_unique<TSQLiteCommand>()); }
    void ExecCommand() override;
    bool FetchMore(bool FetchBack) override;

protected:
    void DoPrepare() override;
    void DoClose() override { Command().CloseCursor(); }
    void DoInitFields() override;

private:
    void TakeCommandType();
    void ReadRow(void* RecBuf);
};

} // namespace data::testing
