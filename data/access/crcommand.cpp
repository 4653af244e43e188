// The provider command: parameter scanning of SQL text, numbered properties and what the base leaves
// to a provider; parameter descriptors and the provider field descriptor.
#include "data/access/crcommand.h"

#include "data/storage/memutils.h"

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is assigned
// from a temporary of another kind.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace data {

namespace {

[[noreturn]] void Abstract() { throw core::EAbstractError(u"Abstract Error"); }

bool HoldsObject(const core::Variant& Value) { return Value.VarType() == core::varByRef; }

} // namespace

// ---- parameter descriptors ----------------------------------------------------------------------

void TParamDesc::SetValue(const core::Variant& Value)
{
    FData = Value;
    FIsNull = Value.IsEmpty() || Value.IsNull();
}

TSharedObject* TParamDesc::GetObject() const
{
    if (FData.IsEmpty() || FData.IsNull())
        return nullptr;
    CORE_ASSERT(HoldsObject(FData), u"");
    return static_cast<TSharedObject*>(FData.AsPointer());
}

void TParamDesc::SetObject(TSharedObject* Value) { FData = core::Variant::FromPointer(static_cast<void*>(Value)); }

void TParamDesc::SetNull(bool Value)
{
    FIsNull = Value;
    if (!HoldsObject(FData))
        FData.Clear();
}

TParamDesc* TParamDescs::FindParam(StringView Name) const
{
    for (const auto& param : m_items) {
        if (param && StrSameNoCase(param->GetName(), Name))
            return param.get();
    }
    return nullptr;
}

TParamDesc* TParamDescs::ParamByName(StringView Name) const
{
    TParamDesc* param = FindParam(Name);
    CORE_ASSERT(param != nullptr, u"");
    return param;
}

// ---- provider field descriptor ------------------------------------------------------------------

String TCRFieldDesc::ActualNameQuoted(const TSQLInfo& SQLInfo, bool QuoteNames)
{
    String& cached = FActualNameQuoted[QuoteNames ? 1 : 0];
    if (cached.empty())
        cached = QuoteNames || SQLInfo.QuotesNeeded(ActualName) ? SQLInfo.Quote(ActualName) : ActualName;
    return cached;
}

// ---- command ------------------------------------------------------------------------------------

TCRCommand::TCRCommand() = default;

TCRCommand::~TCRCommand() = default;

bool TCRCommand::GetPrepared() { Abstract(); }
void TCRCommand::Execute(int) { Abstract(); }
TCursorState TCRCommand::GetCursorState() { Abstract(); }
void TCRCommand::SetCursorState(TCursorState) { Abstract(); }
String TCRCommand::CreateProcCall(StringView, bool, bool) { Abstract(); }

TSQLParserClass TCRCommand::GetParserClass() const { core::AssertFailed(u"Must be overrided", __FILE__, __LINE__); }

void TCRCommand::SetCursor(TCRCursor*) { throw core::Exception(u"Operation is not supported by the database"); }

TSQLInfo& TCRCommand::SQLInfo()
{
    if (!FSQLInfo)
        FSQLInfo = GetSQLInfoClass()(this);
    return *FSQLInfo;
}

TParamDesc* TCRCommand::AddParam()
{
    FParams.Add(GetParamDescType());
    return FParams.Items(FParams.Count() - 1);
}

void TCRCommand::SetSQL(StringView Value)
{
    if (Value == FUserSQL)
        return;
    // The lexer may refuse the text: the user's text is taken only once it parsed, so that setting it
    // again parses again rather than leaving the previous statement in force.
    String sql = FDisableParamScan ? String(Value) : ParseSQL(Value, &FParams, true, {});
    FUserSQL = String(Value);
    FSQL = std::move(sql);
}

void TCRCommand::ParseSQL(bool ReplaceAll) { FSQL = ParseSQL(FUserSQL, &FParams, ReplaceAll, {}); }

String TCRCommand::ParseSQL(StringView SQL, TParamDescs* Params, bool ReplaceAll, StringView RenamePrefix)
{
    (void)ReplaceAll;
    const Char LeftQ = SQLInfo().LeftQuote();
    const Char RightQ = SQLInfo().RightQuote();
    String builder;
    builder.reserve(SQL.size() + SQL.size() / 2);
    std::unique_ptr<TSQLParser> parser = GetParserClass()(SQL);
    if (Params)
        Params->Clear();
    parser->SetOmitBlank(false);
    parser->SetOmitComment(true);
    parser->SetQuotedString(true);
    parser->SetDecSeparator(u".");
    parser->ToBegin();
    size_t start = size_t(parser->CurrPos());
    while (parser->ToLexem(u":")) {
        // The colon is the lexem just read: one character before the current position.
        const size_t colon = size_t(parser->CurrPos()) - 1;
        builder.append(SQL.substr(start, colon - start));
        ParseParamLexem(builder, *parser, Params, LeftQ, RightQ, RenamePrefix);
        start = size_t(parser->CurrPos());
    }
    if (start < SQL.size())
        builder.append(SQL.substr(start));
    return builder;
}

void TCRCommand::ParseParamLexem(String& Builder, TSQLParser& Parser, TParamDescs* Params, Char LeftQ, Char RightQ,
                                 StringView RenamePrefix)
{
    String lexem;
    int code = Parser.GetNext(lexem);
    const bool at = lexem == u"@";
    if (at)
        code = Parser.GetNext(lexem);
    // Keywords are names too: their codes follow the symbols'.
    const bool keyword = code > 0 && Parser.KeywordLexems() && code > Parser.SymbolLexems()->Count();
    const bool name = code == LexemIdent || code == LexemNumber || keyword;
    if ((!Params && RenamePrefix.empty()) || !name) {
        Builder += u':';
        if (at)
            Builder += u'@';
        Builder += lexem;
        return;
    }
    String paramName = at ? u"@" + lexem : lexem;
    // A lone quote character is no quoted name.
    if (paramName.size() > 1 && paramName.front() == LeftQ && paramName.back() == RightQ)
        paramName = paramName.substr(1, paramName.size() - 2);
    if (Params) {
        TParamDesc* param;
        if (Params == &FParams) {
            param = AddParam();
        } else {
            Params->Add(GetParamDescType());
            param = Params->Items(Params->Count() - 1);
        }
        param->SetName(paramName);
        Builder += u'?';
    } else {
        Builder += RenamePrefix;
        Builder += paramName;
    }
}

bool TCRCommand::SetProp(int Prop, const core::Variant& Value)
{
    switch (Prop) {
    case PropAutoCommit: FAutoCommit = Value.AsBoolean(); break;
    case PropScanParams: {
        const bool scan = Value.AsBoolean();
        if (scan != FScanParams) {
            FScanParams = scan;
            if (FScanParams && !FUserSQL.empty())
                ParseSQL(true);
        }
        break;
    }
    case PropCompressBlob: FCompressBlob = TCompressBlobMode(Value.AsInteger()); break;
    case PropDisableParamScan: FDisableParamScan = Value.AsBoolean(); break;
    case PropQuoteNames: FQuoteNames = Value.AsBoolean(); break;
    case PropEnableBCD: FEnableBCD = Value.AsBoolean(); break;
    case PropEnableFMTBCD: FEnableFMTBCD = Value.AsBoolean(); break;
    case PropReserved33:
    case PropReadParamsNeeded:
    case PropIsStoredProc: break;
    default: UnknownProp(Prop);
    }
    return true;
}

bool TCRCommand::GetProp(int Prop, core::Variant& Value)
{
    switch (Prop) {
    case PropExecuting: Value = FExecuting; break;
    case PropReadParamsNeeded: Value = true; break;
    case PropRowsProcessedKnown:
    case PropParamsDescribed: Value = false; break;
    default: UnknownProp(Prop);
    }
    return true;
}

} // namespace data
