// The provider command, its parameter descriptors, the provider field descriptor and the shared server
// cursor. A command keeps the SQL as the user wrote it and as it goes to the server, with named
// markers (":name") turned into the provider's markers ("?") and one parameter descriptor per marker.
// Executing, preparing and the cursor's state are a provider's.
#pragma once

#include "data/access/craccess.h"
#include "data/access/crcursor.h"
#include "data/access/sqlinfo.h"
#include "data/storage/fielddesc.h"
#include "data/storage/parser.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace data {

// ---- types --------------------------------------------------------------------------------------

enum TCursorState {
    csInactive,
    csOpen,
    csParsed,
    csPrepared,
    csBound,
    csExecuteFetchAll,
    csExecuting,
    csExecuted,
    csFetching,
    csFetchingAll,
    csFetched,
};

// ctCursor: the statement returns rows.
enum TCommandType { ctUnknown, ctStatement, ctCursor };

enum TParamDirection { pdUnknown, pdInput, pdOutput, pdInputOutput, pdResult };

// TCompressBlobMode comes with the blobs.

using TBoolProc = std::function<void(bool Value)>;
using TReadParamsProc = std::function<void()>;
using TBeforeFetchProc = std::function<void(bool& Cancel)>;
using TAfterFetchProc = std::function<void()>;
using TDataChangeProc = std::function<void()>;

// ---- numbered properties of the command and the record set --------------------------------------

inline constexpr int PropScanParams = 11;
inline constexpr int PropUniDirectional = 20;
inline constexpr int PropFetchRows = 21;
inline constexpr int PropFetchAll = 22;
inline constexpr int PropExecuting = 24;
inline constexpr int PropLongStrings = 25;
inline constexpr int PropEnableEmptyStrings = 26;
inline constexpr int PropFlatBuffers = 27;
inline constexpr int PropIndexFieldNames = 29;
inline constexpr int PropCompressBlob = 30;
inline constexpr int PropDisableParamScan = 32;
// Accepted and ignored by the base command.
inline constexpr int PropReserved33 = 33;
inline constexpr int PropQuoteNames = 34;
inline constexpr int PropReadParamsNeeded = 43;
inline constexpr int PropRecordSetReadOnly = 44;
inline constexpr int PropIsStoredProc = 45;
inline constexpr int PropRowsProcessedKnown = 46;
inline constexpr int PropLockFetchAll = 47;
inline constexpr int PropExtendedFieldsInfo = 51;
inline constexpr int PropDefaultValues = 52;
inline constexpr int PropFieldsOrigin = 53;
inline constexpr int PropParamsDescribed = 54;

// ---- parameter descriptors ----------------------------------------------------------------------

class TParamDesc : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    TParamDesc() = default;
    virtual void SetDataType(uint16_t Value) { FDataType = Value; }
    virtual void SetSubDataType(uint16_t Value) { FSubDataType = Value; }
    virtual void SetParamType(TParamDirection Value) { FParamType = Value; }
    virtual void SetSize(int32_t Value) { FSize = Value; }
    virtual core::Variant GetValue() const { return FData; }
    // Empty and Null values make the parameter null.
    virtual void SetValue(const core::Variant& Value);
    // None for an empty or null value; an assertion failure when the value holds no object.
    virtual TSharedObject* GetObject() const;
    // Holds the object by reference (not counted); the null flag is left as it is.
    virtual void SetObject(TSharedObject* Value);
    virtual bool GetNull() const { return FIsNull; }
    // An object reference stays; any other value is cleared.
    virtual void SetNull(bool Value);
    virtual void SetIsBound(bool Value) { FIsBound = Value; }
    virtual bool GetNational() const { return FNational; }
    virtual void SetNational(bool Value) { FNational = Value; }

    // ---- static operations ----
    void Clear() { FDataType = dtUnknown; }
    const String& GetName() const { return FName; }
    void SetName(StringView Value) { FName = String(Value); }
    uint16_t GetDataType() const { return FDataType; }
    uint16_t GetSubDataType() const { return FSubDataType; }
    TParamDirection GetParamType() const { return FParamType; }
    int32_t GetSize() const { return FSize; }
    bool GetIsBound() const { return FIsBound; }
    bool GetConvertEOL() const { return FConvertEOL; }
    void SetConvertEOL(bool Value) { FConvertEOL = Value; }

    // The stored value or object reference as it is.
    const core::Variant& Value() const { return FData; }

protected:
    String FName;
    uint16_t FDataType = dtUnknown;
    uint16_t FSubDataType = 0;
    TParamDirection FParamType = pdUnknown;
    int32_t FSize = 0;
    core::Variant FData;
    bool FIsNull = false;
    bool FIsBound = true;
    bool FConvertEOL = false;
    bool FNational = false;
};

// The owning list of a command's parameters.
class TParamDescs {
public:
    TParamDescs() = default;
    TParamDescs(const TParamDescs&) = delete;
    TParamDescs& operator=(const TParamDescs&) = delete;

    int Count() const { return int(m_items.size()); }
    TParamDesc* Items(int Index) const { return m_items.at(size_t(Index)).get(); }
    void Add(std::unique_ptr<TParamDesc> Param) { m_items.push_back(std::move(Param)); }
    void Delete(int Index) { m_items.erase(m_items.begin() + Index); }
    void Clear() { m_items.clear(); }
    // The first parameter of that name, case ignored (locale comparison); none when absent.
    TParamDesc* FindParam(StringView Name) const;
    // An assertion failure when absent.
    TParamDesc* ParamByName(StringView Name) const;

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<std::unique_ptr<TParamDesc>> m_items;
};

// ---- provider field descriptor ------------------------------------------------------------------

class TCRFieldDesc : public TFieldDesc {
public:
    TCRFieldDesc() = default;
    // The actual name as the server takes it: quoted when QuoteNames is set or the name needs quotes.
    // Cached per QuoteNames and never invalidated: set the actual name before the first call.
    virtual String ActualNameQuoted(const TSQLInfo& SQLInfo, bool QuoteNames);
    virtual bool IsNational() const { return false; }

    TCRTableInfo* TableInfo() const { return FTableInfo; }
    void SetTableInfo(TCRTableInfo* Value) { FTableInfo = Value; }
    const String& DefaultExpr() const { return FDefaultExpr; }
    void SetDefaultExpr(StringView Value) { FDefaultExpr = String(Value); }
    bool IsAutoIncrement() const { return FIsAutoIncrement; }
    void SetIsAutoIncrement(bool Value) { FIsAutoIncrement = Value; }

protected:
    TCRTableInfo* FTableInfo = nullptr;
    String FActualNameQuoted[2];
    String FDefaultExpr;
    bool FIsAutoIncrement = false;
};

// ---- command ------------------------------------------------------------------------------------

// Class references of a command: the functions that make its lexer and its SQL information object.
using TSQLParserClass = std::unique_ptr<TSQLParser> (*)(StringView Text);
using TSQLInfoClass = std::unique_ptr<TSQLInfo> (*)(TCRCommand* Command);

template<class T>
std::unique_ptr<TSQLParser> NewParser(StringView Text)
{
    return std::make_unique<T>(Text);
}

template<class T>
std::unique_ptr<TSQLInfo> NewSQLInfo(TCRCommand* Command)
{
    return std::make_unique<T>(Command);
}

// A provider supplies GetPrepared, Execute, the cursor state, GetParserClass and CreateProcCall.
class TCRCommand : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    // Handles one ":" that ParseSQL found: a name after it becomes a parameter ("?" in Builder) or,
    // without a list, RenamePrefix + name; anything else is copied as it stands.
    virtual void ParseParamLexem(String& Builder, TSQLParser& Parser, TParamDescs* Params, Char LeftQ, Char RightQ,
                                 StringView RenamePrefix);
    TCRCommand();
    virtual void Prepare() { SetCursorState(csPrepared); }
    virtual void Unprepare() { SetCursorState(csInactive); }
    virtual bool GetPrepared();
    // Iters: the number of parameter rows (1 for a plain execution).
    virtual void Execute(int Iters = 1);
    virtual void SetConnection(TCRConnection* Value) { FConnection = Value; }
    virtual void SetTransaction(TCRTransaction* Value) { FTransaction = Value; }
    virtual TCursorState GetCursorState();
    virtual void SetCursorState(TCursorState Value);
    virtual TTableInfoClass GetTableInfoClass() const { return NewTableInfo<TCRTableInfo>; }
    virtual TSQLInfoClass GetSQLInfoClass() const { return NewSQLInfo<TSQLInfo>; }
    // A provider names its lexer; an assertion failure here.
    virtual TSQLParserClass GetParserClass() const;
    virtual void SetSQL(StringView Value);
    // Clears Params (when given) and fills it with one descriptor per marker. ReplaceAll is for
    // providers; the base ignores it.
    virtual String ParseSQL(StringView SQL, TParamDescs* Params, bool ReplaceAll, StringView RenamePrefix);
    virtual String CreateProcCall(StringView Name, bool NeedDescribe, bool IsQuery);
    virtual std::unique_ptr<TParamDesc> GetParamDescType() const { return std::make_unique<TParamDesc>(); }
    virtual TParamDesc* AddParam();
    virtual TCRCursor* GetCursor() { return nullptr; }
    // Exception "Operation is not supported by the database".
    virtual void SetCursor(TCRCursor* Value);
    virtual bool SetProp(int Prop, const core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);

    ~TCRCommand() override;

    // ---- static operations ----
    TCRConnection* GetConnection() const { return FConnection; }
    TCRTransaction* GetTransaction() const { return FTransaction; }
    // The user's SQL parsed again into FSQL and the parameter list.
    void ParseSQL(bool ReplaceAll);
    void ClearParams() { FParams.Clear(); }
    void DeleteParam(int Index) { FParams.Delete(Index); }
    int GetParamCount() const { return FParams.Count(); }
    TParamDesc* GetParam(int Index) const { return FParams.Items(Index); }
    TParamDesc* FindParam(StringView Name) const { return FParams.FindParam(Name); }

    // ---- properties ----
    core::Object* Component() const { return FComponent; }
    void SetComponent(core::Object* Value) { FComponent = Value; }
    const String& SQL() const { return FSQL; }
    const String& UserSQL() const { return FUserSQL; }
    TParamDescs& Params() { return FParams; }
    // Made from the command's class on first use: a constructor cannot reach a provider's class.
    TSQLInfo& SQLInfo();
    TBoolProc AfterExecute;
    TReadParamsProc ReadParams;
    bool AutoCommit() const { return FAutoCommit; }
    bool Executing() const { return FExecuting; }
    bool ScanParams() const { return FScanParams; }
    bool DisableParamScan() const { return FDisableParamScan; }
    bool QuoteNames() const { return FQuoteNames; }
    TCompressBlobMode CompressBlob() const { return FCompressBlob; }
    bool EnableBCD() const { return FEnableBCD; }
    bool EnableFMTBCD() const { return FEnableFMTBCD; }

protected:
    core::Object* FComponent = nullptr;
    TCRConnection* FConnection = nullptr;
    TCRTransaction* FTransaction = nullptr;
    String FSQL;
    String FUserSQL;
    TParamDescs FParams;
    bool FAutoCommit = false;
    bool FExecuting = false;
    bool FScanParams = true;
    bool FDisableParamScan = false;
    bool FQuoteNames = false;
    TCompressBlobMode FCompressBlob = cbNone;
    bool FEnableBCD = false;
    bool FEnableFMTBCD = false;
    std::unique_ptr<TSQLInfo> FSQLInfo;
};

} // namespace data
