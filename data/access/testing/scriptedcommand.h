// The scripted provider's command and record set: a statement's rows, its processed-row count and
// output values come from a script; every prepare, execution and fetch is logged, and a fetch can be
// made to fail at a given block.
#pragma once

#include "data/access/crrecordset.h"
#include "data/access/testing/scripted.h"

#include <map>
#include <vector>

namespace data::testing {

// The provider's processed-row count of the last execution (read).
inline constexpr int PropRowsProcessed = 13;

struct TScriptedColumn {
    String Name;
    uint16_t DataType = dtInt32;
    uint16_t Length = 0;  // characters of a text
    uint16_t Scale = 0;
    bool ReadOnly = false;
};

// What the statement does when executed.
struct TStatementScript {
    std::vector<TScriptedColumn> Columns;     // none: the statement returns no rows
    std::vector<std::vector<core::Variant>> Rows;
    int RowsProcessed = 0;
    std::map<String, core::Variant> Outputs;  // by parameter name, for output parameters
    int FailExecute = 0;                      // the execution that raises "Fatal error" (1: the first)
    int FailFetchBlock = 0;                   // the fetch block that raises "Fatal error" (1: the first)
};

class TScriptedCommand : public TCRCommand {
public:
    TStatementScript Script;
    // "prepare", "unprepare", "execute", "fetch <block>", "fetch back <block>", "close".
    std::vector<String> Log;

    void Prepare() override;
    void Unprepare() override;
    bool GetPrepared() override { return m_prepared; }
    // Sets the output parameters from the script, then calls ReadParams and AfterExecute.
    void Execute(int Iters = 1) override;
    TCursorState GetCursorState() override { return m_state; }
    void SetCursorState(TCursorState Value) override { m_state = Value; }
    TSQLParserClass GetParserClass() const override { return NewParser<TSQLParser>; }
    String CreateProcCall(StringView Name, bool NeedDescribe, bool IsQuery) override;
    bool GetProp(int Prop, core::Variant& Value) override;

    // The cursor: the rows from FirstRow up to NextRow are those in the record set.
    int FirstRow = 0;
    int NextRow = 0;
    int Blocks = 0;
    // Ends the cursor.
    void CloseCursor();

private:
    bool m_prepared = false;
    TCursorState m_state = csInactive;
    int m_executions = 0;
};

class TScriptedRecordSet : public TCRRecordSet {
public:
    ~TScriptedRecordSet() override;

    TScriptedCommand& Command() const { return static_cast<TScriptedCommand&>(*FCommand); }
    // A provider that keeps only the current fetch block.
    void SetFetchesWithoutCache(bool Value) { m_without_cache = Value; }

    void CreateCommand() override { SetCommand(std::make_unique<TScriptedCommand>()); }
    bool FetchesWithoutCache() override { return m_without_cache; }
    void ExecCommand() override;
    // A block of FetchRows rows (at least one) after the rows fetched, or before them for FetchBack.
    bool FetchMore(bool FetchBack) override;

protected:
    void DoPrepare() override;
    void DoClose() override { Command().CloseCursor(); }
    void DoInitFields() override;

private:
    void TakeCommandType();

    bool m_without_cache = false;
};

} // namespace data::testing
