// The scripted provider's command and record set.
#include "data/access/testing/scriptedcommand.h"

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is assigned
// from a temporary of another kind.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <algorithm>

namespace data::testing {

// ---- command ------------------------------------------------------------------------------------

void TScriptedCommand::Prepare()
{
    Log.push_back(u"prepare");
    m_prepared = true;
    TCRCommand::Prepare();
}

void TScriptedCommand::Unprepare()
{
    Log.push_back(u"unprepare");
    m_prepared = false;
    TCRCommand::Unprepare();
}

void TScriptedCommand::Execute(int)
{
    Log.push_back(u"execute");
    FExecuting = true;
    m_state = csExecuting;
    FirstRow = NextRow = Blocks = 0;
    if (++m_executions == Script.FailExecute) {
        FExecuting = false;
        m_state = m_prepared ? csPrepared : csInactive;
        if (AfterExecute)
            AfterExecute(false);
        throw EScriptedError(sfFatal);
    }
    for (const auto& param : FParams) {
        const TParamDirection direction = param->GetParamType();
        if (direction != pdOutput && direction != pdInputOutput && direction != pdResult)
            continue;
        auto output = Script.Outputs.find(param->GetName());
        param->SetValue(output == Script.Outputs.end() ? core::Variant::Null() : output->second);
    }
    FExecuting = false;
    m_state = !Script.Columns.empty() ? csExecuted : m_prepared ? csPrepared : csInactive;
    if (ReadParams)
        ReadParams();
    if (AfterExecute)
        AfterExecute(true);
}

void TScriptedCommand::CloseCursor()
{
    if (m_state >= csExecuted)
        Log.push_back(u"close");
    m_state = m_prepared ? csPrepared : csInactive;
}

String TScriptedCommand::CreateProcCall(StringView Name, bool, bool) { return u"CALL " + String(Name); }

bool TScriptedCommand::GetProp(int Prop, core::Variant& Value)
{
    switch (Prop) {
    case PropRowsProcessed: Value = int32_t(Script.RowsProcessed); return true;
    case PropRowsProcessedKnown: Value = true; return true;
    default: return TCRCommand::GetProp(Prop, Value);
    }
}

// ---- record set ---------------------------------------------------------------------------------

TScriptedRecordSet::~TScriptedRecordSet()
{
    try {
        Close();
    } catch (...) {
        core::HandleException();
    }
}

void TScriptedRecordSet::TakeCommandType()
{
    FCommandType = Command().Script.Columns.empty() ? ctStatement : ctCursor;
}

void TScriptedRecordSet::DoPrepare()
{
    TCRRecordSet::DoPrepare();
    TakeCommandType();
}

void TScriptedRecordSet::ExecCommand()
{
    TakeCommandType();
    TCRRecordSet::ExecCommand();
}

void TScriptedRecordSet::DoInitFields()
{
    for (const TScriptedColumn& column : Command().Script.Columns) {
        auto field = CreateFieldDesc();
        field->Name = column.Name;
        field->ActualName = column.Name;
        field->DataType = column.DataType;
        field->Length = column.Length;
        field->Scale = column.Scale;
        field->ReadOnly = column.ReadOnly;
        switch (column.DataType) {
        case dtWideString: field->Size = uint16_t((column.Length + 1) * 2); break;
        case dtString: field->Size = uint16_t(column.Length + 1); break;
        case dtInt64: case dtFloat: case dtDateTime: case dtBCD: field->Size = 8; break;
        default: field->Size = 4; break;
        }
        FFields.Add(std::move(field));
    }
}

bool TScriptedRecordSet::FetchMore(bool FetchBack)
{
    TScriptedCommand& command = Command();
    const TCursorState state = command.GetCursorState();
    // A forward fetch ends at the last row; a block kept alone can always go back.
    if (state < csExecuted || (!FetchBack && state == csFetched))
        return false;
    const int rows = int(command.Script.Rows.size());
    const int count = std::max(FFetchRows, 1);
    int from, to;
    if (FetchBack) {
        to = command.FirstRow;
        from = std::max(0, to - count);
    } else {
        from = command.NextRow;
        to = std::min(rows, from + count);
    }
    if (from == to) {
        if (!FetchBack)
            command.SetCursorState(csFetched);
        return false;
    }
    bool cancel = false;
    DoBeforeFetch(cancel);
    if (cancel)
        return false;
    const int block = ++command.Blocks;
    command.Log.push_back((FetchBack ? u"fetch back " : u"fetch ") + core::IntToStr(block));
    command.SetCursorState(csFetching);
    if (block == command.Script.FailFetchBlock)
        throw EScriptedError(sfFatal);

    TFetchBlock fetched(*this);
    for (int row = from; row < to; ++row) {
        void* buffer = fetched.Add();
        const auto& values = command.Script.Rows[size_t(row)];
        for (int i = 0; i < FFields.Count() && i < int(values.size()); ++i)
            PutFieldAsVariant(i + 1, buffer, values[size_t(i)]);
    }
    fetched.Store(FetchBack);
    const bool oneBlock = FUniDirectional || FetchesWithoutCache();
    if (FetchBack) {
        command.FirstRow = from;
        if (oneBlock)
            command.NextRow = to;
    } else {
        command.NextRow = to;
        if (oneBlock)
            command.FirstRow = from;
        if (to == rows)
            command.SetCursorState(csFetched);
    }
    DoAfterFetch();
    return true;
}

} // namespace data::testing
