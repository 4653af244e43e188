// The SQLite provider's command and record set.
#include "data/access/testing/sqlitecommand.h"

#include "data/storage/memutils.h"

#include <sqlite3.h>

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is assigned
// from a temporary of another kind.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <algorithm>
#include <cwctype>

namespace data::testing {

namespace {

void BindText(sqlite3_stmt* Statement, int Index, const String& Text)
{
    sqlite3_bind_text16(Statement, Index, Text.data(), int(Text.size() * sizeof(Char)), SQLITE_TRANSIENT);
}

void BindBytes(sqlite3_stmt* Statement, int Index, const core::Variant::Bytes& Bytes)
{
    sqlite3_bind_blob(Statement, Index, Bytes.data(), int(Bytes.size()), SQLITE_TRANSIENT);
}

String DateText(const core::Variant& Value) { return core::Variant::FromDate(Value.AsDateTime()).AsString(); }

// A value bound by its own kind (a parameter of unknown or variant type).
void BindVariant(sqlite3_stmt* Statement, int Index, const core::Variant& Value)
{
    const core::VarType type = Value.VarType();
    if (Value.IsEmpty() || Value.IsNull())
        sqlite3_bind_null(Statement, Index);
    else if (type == core::varBoolean)
        sqlite3_bind_int(Statement, Index, Value.AsBoolean() ? 1 : 0);
    else if (type == core::varDate || type == core::varSQLTimeStamp)
        BindText(Statement, Index, DateText(Value));
    else if (type == core::varFMTBcd)
        BindText(Statement, Index, core::BcdToStr(Value.AsBcd()));
    else if (type == core::varSingle || type == core::varDouble || type == core::varCurrency)
        sqlite3_bind_double(Statement, Index, Value.AsDouble());
    else if (Value.IsNumeric())
        sqlite3_bind_int64(Statement, Index, Value.AsInt64());
    else if (Value.IsArray())
        BindBytes(Statement, Index, Value.AsBytes());
    else
        BindText(Statement, Index, Value.AsString());
}

} // namespace

void BindValue(sqlite3_stmt* Statement, int Index, uint16_t DataType, const core::Variant& value, StringView Name)
{
    if (value.IsEmpty() || value.IsNull()) {
        sqlite3_bind_null(Statement, Index);
        return;
    }
    switch (DataType) {
    case dtUnknown: case dtVariant: BindVariant(Statement, Index, value); return;
    case dtString: case dtExtString: case dtWideString: case dtExtWideString: case dtMemo: case dtWideMemo:
    case dtGuid: BindText(Statement, Index, value.AsString()); return;
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: case dtInt64: case dtUInt32:
        sqlite3_bind_int64(Statement, Index, value.AsInt64());
        return;
    case dtBoolean: sqlite3_bind_int(Statement, Index, value.AsBoolean() ? 1 : 0); return;
    case dtFloat: case dtCurrency: case dtBCD: sqlite3_bind_double(Statement, Index, value.AsDouble()); return;
    // Exact decimals keep their digits as text.
    case dtFMTBCD: BindText(Statement, Index, core::BcdToStr(value.AsBcd())); return;
    case dtDate: case dtTime: case dtDateTime: case dtSQLTimeStamp: BindText(Statement, Index, DateText(value)); return;
    case dtBlob: case dtBytes: case dtVarBytes: case dtExtVarBytes:
        if (value.IsString())
            BindText(Statement, Index, value.AsString());
        else
            BindBytes(Statement, Index, value.AsBytes());
        return;
    default:
        throw core::Exception(u"Parameter " + String(Name) + u" of data type " + core::IntToStr(DataType) +
                              u" cannot be bound");
    }
}

namespace {

void BindParam(sqlite3_stmt* Statement, int Index, const TParamDesc& Param)
{
    if (Param.GetNull())
        sqlite3_bind_null(Statement, Index);
    else
        BindValue(Statement, Index, Param.GetDataType(), Param.Value(), Param.GetName());
}

String Upper(const char* Text)
{
    String result = Text ? core::FromUtf8(Text) : String();
    for (Char& ch : result)
        ch = Char(std::towupper(ch));
    return result;
}

bool Has(const String& Text, StringView Part) { return Text.find(Part) != String::npos; }

struct ColumnType {
    uint16_t DataType;
    uint16_t Length;
};

// SQLite's affinity rules, with the date and Boolean names a schema uses; a text with a declared
// length is kept in the record, any other text by reference.
ColumnType TypeOfDeclared(const String& Declared)
{
    if (Has(Declared, u"BOOL"))
        return {dtBoolean, 0};
    if (Has(Declared, u"INT"))
        return {dtInt64, 0};
    if (Has(Declared, u"DATETIME") || Has(Declared, u"TIMESTAMP"))
        return {dtDateTime, 0};
    if (Has(Declared, u"DATE"))
        return {dtDate, 0};
    if (Has(Declared, u"TIME"))
        return {dtTime, 0};
    if (Has(Declared, u"CHAR") || Has(Declared, u"CLOB") || Has(Declared, u"TEXT")) {
        const size_t open = Declared.find(u'(');
        if (open != String::npos) {
            int length = 0;
            for (size_t i = open + 1; i < Declared.size() && Declared[i] >= u'0' && Declared[i] <= u'9'; ++i)
                length = std::min(length * 10 + (Declared[i] - u'0'), 32766);
            if (length > 0)
                return {dtWideString, uint16_t(length)};
        }
        return {dtExtWideString, 0};
    }
    if (Has(Declared, u"BLOB"))
        return {dtBlob, 0};
    if (Has(Declared, u"REAL") || Has(Declared, u"FLOA") || Has(Declared, u"DOUB") || Has(Declared, u"NUMERIC") ||
        Has(Declared, u"DECIMAL"))
        return {dtFloat, 0};
    return {dtExtWideString, 0};
}

uint16_t SizeOf(const ColumnType& Type)
{
    switch (Type.DataType) {
    case dtBoolean: return 2;
    case dtWideString: return uint16_t((Type.Length + 1) * 2);
    case dtInt64: case dtFloat: case dtDate: case dtTime: case dtDateTime: return 8;
    default: return uint16_t(sizeof(void*));
    }
}

} // namespace

// ---- command ------------------------------------------------------------------------------------

TSQLiteCommand::~TSQLiteCommand()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

TSQLiteConnection& TSQLiteCommand::Connection() const
{
    auto* connection = dynamic_cast<TSQLiteConnection*>(FConnection);
    if (!connection)
        throw core::Exception(u"Not connected");
    // A closed handle means the connection is gone: fatal, so that failover may reconnect.
    if (!connection->Handle())
        throw ESQLiteError(u"Not connected", SQLITE_MISUSE, true);
    return *connection;
}

void TSQLiteCommand::Fail()
{
    sqlite3* db = Connection().Handle();
    ESQLiteError error(core::FromUtf8(sqlite3_errmsg(db)), sqlite3_extended_errcode(db));
    m_pending_row = false;
    CloseCursor();
    bool fail = true;
    Connection().ProcessError(error, fail);
    if (fail)
        throw error;
}

void TSQLiteCommand::PrepareStatement()
{
    std::string sql = core::ToUtf8(FSQL);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(Connection().Handle(), sql.c_str(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        Fail();
        return;
    }
    m_stmt = statement;
}

void TSQLiteCommand::Prepare()
{
    if (m_prepared)
        return;
    CloseCursor();
    PrepareStatement();
    m_prepared = true;
    TCRCommand::Prepare();
}

void TSQLiteCommand::Unprepare()
{
    m_prepared = false;
    m_pending_row = false;
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    TCRCommand::Unprepare();
}

void TSQLiteCommand::CloseCursor()
{
    m_pending_row = false;
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        if (!m_prepared) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
        }
    }
    m_state = m_prepared ? csPrepared : csInactive;
}

int TSQLiteCommand::ColumnCount() const { return m_stmt ? sqlite3_column_count(m_stmt) : 0; }

void TSQLiteCommand::Bind()
{
    sqlite3_clear_bindings(m_stmt);
    const int markers = std::min(sqlite3_bind_parameter_count(m_stmt), FParams.Count());
    for (int i = 0; i < markers; ++i)
        BindParam(m_stmt, i + 1, *FParams.Items(i));
}

void TSQLiteCommand::Execute(int)
{
    sqlite3* db = Connection().Handle();
    CloseCursor();
    if (!m_stmt)
        PrepareStatement();
    m_rows_changed = 0;
    if (!m_stmt) {
        // Nothing but blanks or comments: nothing runs.
        if (AfterExecute)
            AfterExecute(true);
        return;
    }
    FExecuting = true;
    m_state = csExecuting;
    int rc;
    try {
        Bind();
        rc = sqlite3_step(m_stmt);
    } catch (...) {
        FExecuting = false;
        CloseCursor();
        if (AfterExecute)
            AfterExecute(false);
        throw;
    }
    FExecuting = false;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        if (AfterExecute)
            AfterExecute(false);
        Fail();
        return;
    }
    if (ColumnCount() > 0) {
        m_pending_row = rc == SQLITE_ROW;
        m_state = csExecuted;
    } else {
        m_rows_changed = sqlite3_changes(db);
        CloseCursor();
    }
    if (AfterExecute)
        AfterExecute(true);
}

bool TSQLiteCommand::Step()
{
    if (m_pending_row) {
        m_pending_row = false;
        return true;
    }
    if (!m_stmt || m_state < csExecuted || m_state == csFetched)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        Fail();
    // The statement lets go of its read lock; the cursor has delivered every row.
    sqlite3_reset(m_stmt);
    m_state = csFetched;
    return false;
}

String TSQLiteCommand::CreateProcCall(StringView, bool, bool)
{
    throw core::Exception(u"Operation is not supported by the database");
}

bool TSQLiteCommand::GetProp(int Prop, core::Variant& Value)
{
    switch (Prop) {
    case PropRowsChanged: Value = int32_t(m_rows_changed); return true;
    case PropRowsProcessedKnown: Value = true; return true;
    default: return TCRCommand::GetProp(Prop, Value);
    }
}

// ---- record set ---------------------------------------------------------------------------------

TSQLiteRecordSet::~TSQLiteRecordSet()
{
    try {
        Close();
    } catch (...) {
        core::HandleException();
    }
}

void TSQLiteRecordSet::TakeCommandType() { FCommandType = Command().ColumnCount() > 0 ? ctCursor : ctStatement; }

void TSQLiteRecordSet::DoPrepare()
{
    TCRRecordSet::DoPrepare();
    TakeCommandType();
}

void TSQLiteRecordSet::ExecCommand()
{
    TCRRecordSet::ExecCommand();
    TakeCommandType();
}

void TSQLiteRecordSet::DoInitFields()
{
    sqlite3_stmt* statement = Command().Statement();
    for (int i = 0; statement && i < sqlite3_column_count(statement); ++i) {
        const ColumnType type = TypeOfDeclared(Upper(sqlite3_column_decltype(statement, i)));
        auto field = CreateFieldDesc();
        field->Name = core::FromUtf8(sqlite3_column_name(statement, i));
        field->ActualName = field->Name;
        field->DataType = type.DataType;
        field->Length = type.Length;
        field->Size = SizeOf(type);
        FFields.Add(std::move(field));
    }
}

void TSQLiteRecordSet::ReadRow(void* RecBuf)
{
    sqlite3_stmt* statement = Command().Statement();
    for (int i = 0; i < FFields.Count(); ++i) {
        const int type = sqlite3_column_type(statement, i);
        if (type == SQLITE_NULL)
            continue;
        const int fieldNo = i + 1;
        switch (FFields.Items(i)->DataType) {
        case dtInt64: {
            const int64_t value = sqlite3_column_int64(statement, i);
            PutField(fieldNo, RecBuf, &value);
            break;
        }
        case dtBoolean: {
            const uint16_t value = sqlite3_column_int(statement, i) != 0;
            PutField(fieldNo, RecBuf, &value);
            break;
        }
        case dtFloat: {
            const double value = sqlite3_column_double(statement, i);
            PutField(fieldNo, RecBuf, &value);
            break;
        }
        case dtWideString: case dtExtWideString: PutField(fieldNo, RecBuf, sqlite3_column_text16(statement, i)); break;
        case dtDate: case dtTime: case dtDateTime: {
            // A date is kept as text by the binding; a number is taken as a day count.
            const core::Variant value =
                type == SQLITE_TEXT
                    ? core::Variant::FromDate(
                          core::Variant(core::FromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i))))
                              .AsDateTime())
                    : core::Variant::FromDate(sqlite3_column_double(statement, i));
            PutFieldAsVariant(fieldNo, RecBuf, value);
            break;
        }
        default: {
            // A blob (the only other kind a declared type gives).
            const void* bytes = sqlite3_column_blob(statement, i);
            WriteBlob(fieldNo, RecBuf, 0, sqlite3_column_bytes(statement, i), bytes);
            SetNull(fieldNo, RecBuf, false);
            break;
        }
        }
    }
}

bool TSQLiteRecordSet::FetchMore(bool FetchBack)
{
    TSQLiteCommand& command = Command();
    const TCursorState state = command.GetCursorState();
    if (FetchBack || state < csExecuted || state == csFetched)
        return false;
    bool cancel = false;
    DoBeforeFetch(cancel);
    if (cancel)
        return false;
    command.SetCursorState(csFetching);
    TFetchBlock block(*this);
    const int count = std::max(FFetchRows, 1);
    while (block.Count() < count && command.Step())
        ReadRow(block.Add());
    block.Store(false);
    DoAfterFetch();
    return block.Count() > 0;
}

} // namespace data::testing
