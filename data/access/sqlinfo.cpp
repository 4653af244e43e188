// Identifier quoting, name normalising and the light SELECT parse.
#include "data/access/sqlinfo.h"

#include "core/exception.h"
#include "data/access/crcommand.h"
#include "data/storage/parser.h"

#include <algorithm>

namespace data {

namespace {

bool IsUpperLetter(Char Ch) { return Ch >= u'A' && Ch <= u'Z'; }
bool IsLowerLetter(Char Ch) { return Ch >= u'a' && Ch <= u'z'; }
bool IsDigit(Char Ch) { return Ch >= u'0' && Ch <= u'9'; }

// The keyword codes of one lexer, looked up by text: a provider's lexer may number them otherwise.
struct Keywords {
    explicit Keywords(const TSQLParser& Parser)
    {
        const TLexemList* list = Parser.KeywordLexems();
        auto code = [list](StringView Text) { return list ? list->Find(Text) : 0; };
        As = code(u"AS");
        From = code(u"FROM");
        Select = code(u"SELECT");
        Full = code(u"FULL");
        Inner = code(u"INNER");
        Join = code(u"JOIN");
        Left = code(u"LEFT");
        On = code(u"ON");
        Outer = code(u"OUTER");
        Right = code(u"RIGHT");
        m_list = list;
    }

    // Reads up to the keyword SELECT; false when there is none.
    bool ToSelect(TSQLParser& Parser) const
    {
        String lexem;
        int code;
        do
            code = Parser.GetNext(lexem);
        while (code != LexemEnd && !Is(code, Select));
        return code != LexemEnd;
    }

    // A keyword of the lexer (a symbol has a positive code too).
    bool IsKeyword(int Code, StringView Lexem) const { return Code > 0 && m_list && m_list->Find(Lexem) == Code; }
    bool Is(int Code, int Keyword) const { return Keyword != 0 && Code == Keyword; }
    bool IsJoinWord(int Code) const
    {
        return Is(Code, Full) || Is(Code, Inner) || Is(Code, Join) || Is(Code, Left) || Is(Code, Right);
    }

    int As, From, Select, Full, Inner, Join, Left, On, Outer, Right;

private:
    const TLexemList* m_list;
};

// Ends the table list's update however the parse ends.
class UpdateGuard {
public:
    explicit UpdateGuard(TCRTablesInfo& TablesInfo) : m_tables(TablesInfo) { m_tables.BeginUpdate(); }
    ~UpdateGuard()
    {
        try {
            m_tables.EndUpdate();
        } catch (...) {
            core::HandleException();
        }
    }
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;

private:
    TCRTablesInfo& m_tables;
};

} // namespace

// ---- quoting ------------------------------------------------------------------------------------

void TSQLInfo::ParseAfterColumnName(TSQLParser&, int&, String&) {}

bool TSQLInfo::QuotesNeeded(StringView Value) const
{
    if (Value.empty())
        return false;
    const TIdentCase identCase = IdentCase();
    auto isLetter = [identCase](Char Ch) {
        switch (identCase) {
        case icUpper: return IsUpperLetter(Ch);
        case icLower: return IsLowerLetter(Ch);
        default: return IsUpperLetter(Ch) || IsLowerLetter(Ch);
        }
    };
    if (!isLetter(Value[0]))
        return true;
    for (Char ch : Value.substr(1)) {
        if (!isLetter(ch) && !IsDigit(ch) && ch != u'_' && ch != u'$')
            return true;
    }
    return false;
}

bool TSQLInfo::IsQuoted(StringView Value) const
{
    return Value.size() > 1 && Value.front() == LeftQuote() && Value.back() == RightQuote();
}

String TSQLInfo::Quote(StringView Value, Char LeftQ, Char RightQ) const
{
    if (IsQuoted(Value))
        return String(Value);
    String result;
    result.reserve(Value.size() + 2);
    result += LeftQ;
    result += Value;
    result += RightQ;
    return result;
}

String TSQLInfo::UnQuote(StringView Value) const
{
    return IsQuoted(Value) ? String(Value.substr(1, Value.size() - 2)) : String(Value);
}

// ---- names --------------------------------------------------------------------------------------

String TSQLInfo::NormalizeName(StringView Value, bool QuoteNames, bool UnQuoteNames) const
{
    return NormalizeName(Value, LeftQuote(), RightQuote(), QuoteNames, UnQuoteNames);
}

String TSQLInfo::NormalizeName(StringView Value, Char LeftQ, Char RightQ, bool QuoteNames, bool UnQuoteNames) const
{
    // The part before a separating "." never holds another one, so the parts are taken from the left
    // in a loop: a long dotted name costs no stack.
    String result;
    for (;;) {
        if (Value.empty())
            return result;
        size_t dot = StringView::npos;
        if (Value.front() == LeftQ) {
            const Char closing[] = {RightQ, u'.'};
            const size_t at = Value.find(StringView(closing, 2), 1);
            if (at != StringView::npos)
                dot = at + 1;
        } else {
            dot = Value.find(u'.');
        }
        if (dot == StringView::npos) {
            result += NormalizePart(Value, LeftQ, RightQ, QuoteNames, UnQuoteNames);
            return result;
        }
        result += NormalizePart(Value.substr(0, dot), LeftQ, RightQ, QuoteNames, UnQuoteNames);
        result += u'.';
        Value = Value.substr(dot + 1);
    }
}

String TSQLInfo::NormalizePart(StringView Value, Char LeftQ, Char RightQ, bool QuoteNames, bool UnQuoteNames) const
{
    if (Value.empty())
        return {};
    String result(Value);
    if (!QuoteNames && !IsQuoted(result)) {
        if (IdentCase() == icUpper)
            result = core::AnsiUpperCase(result);
        else if (IdentCase() == icLower)
            result = core::AnsiLowerCase(result);
    }
    if (UnQuoteNames || (!QuoteNames && !QuotesNeeded(result)))
        return UnQuote(result);
    return Quote(result, LeftQ, RightQ);
}

void TSQLInfo::SplitObjectName(StringView Name, TExtTableInfo& Info) const
{
    Info.Table.clear();
    Info.Schema.clear();
    Info.Catalog.clear();
    Info.DBLink.clear();
    String* parts[] = {&Info.Table, &Info.Schema, &Info.Catalog};
    size_t part = 0;
    size_t end = Name.size();
    bool quoted = false;
    for (size_t i = Name.size(); i-- > 0 && part < 3;) {
        const Char ch = Name[i];
        // Scanning backwards a right quote opens a quoted stretch and a left one closes it.
        if (!quoted && ch == RightQuote())
            quoted = true;
        else if (quoted && ch == LeftQuote())
            quoted = false;
        else if (!quoted && ch == u'.') {
            *parts[part++] = String(Name.substr(i + 1, end - i - 1));
            end = i;
            continue;
        }
        if (i == 0)
            *parts[part++] = String(Name.substr(0, end));
    }
}

// ---- parsing ------------------------------------------------------------------------------------

std::unique_ptr<TSQLParser> TSQLInfo::CreateParser(StringView SQL) const
{
    CORE_ASSERT(FCommand, u"");
    return FCommand->GetParserClass()(SQL);
}

void TSQLInfo::ParseTablesInfo(StringView SQL, TCRTablesInfo& TablesInfo)
{
    TablesInfo.Clear();
    std::unique_ptr<TSQLParser> parser = CreateParser(SQL);
    parser->SetOmitBlank(true);
    parser->SetOmitComment(true);
    UpdateGuard update(TablesInfo);
    const Keywords kw(*parser);
    String lexem;
    int code = LexemEnd;
    if (!kw.ToSelect(*parser))
        return;

    int depth = 0;
    for (;;) {
        code = parser->GetNext(lexem);
        if (code == LexemEnd)
            return;
        if (lexem == u"(")
            ++depth;
        else if (lexem == u")")
            --depth;
        else if (depth == 0 && kw.Is(code, kw.From))
            break;
    }

    auto isNamePart = [&] { return code == LexemIdent || kw.IsKeyword(code, lexem); };
    code = parser->GetNext(lexem);
    for (;;) {
        String name;
        while (isNamePart() || (code > 0 && lexem == u".")) {
            name += lexem;
            if (lexem != u".") {
                code = parser->GetNext(lexem);
                if (lexem != u".")
                    break;
                name += lexem;
            }
            code = parser->GetNext(lexem);
        }
        if (!name.empty()) {
            if (kw.Is(code, kw.As))
                code = parser->GetNext(lexem);
            String alias;
            if (code == LexemIdent)
                alias = lexem;
            else if (kw.IsKeyword(code, lexem) && !kw.IsJoinWord(code) && !kw.Is(code, kw.On) &&
                     !parser->IsClauseLexem(code))
                alias = lexem;
            if (!alias.empty())
                code = parser->GetNext(lexem);
            // A name followed by "(" is a table function.
            if (lexem != u"(") {
                TCRTableInfo* table = TablesInfo.Add();
                table->SetTableName(NormalizeName(name, false, false));
                table->SetTableAlias(NormalizeName(alias, false, false));
            }
        }
        if (code == LexemEnd)
            return;
        // On to the next reference, passing over ON conditions and bracketed text.
        depth = 0;
        while (code != LexemEnd) {
            if (lexem == u"(")
                ++depth;
            else if (lexem == u")")
                --depth;
            else if (depth == 0) {
                if (kw.IsJoinWord(code) || lexem == u",")
                    break;
                if (parser->IsClauseLexem(code))
                    return;
            }
            code = parser->GetNext(lexem);
        }
        while (kw.IsJoinWord(code) || kw.Is(code, kw.Outer))
            code = parser->GetNext(lexem);
        if (lexem == u",")
            code = parser->GetNext(lexem);
        if (code == LexemEnd)
            return;
    }
}

namespace {

// The lexems of one select-list item with their places in the text, for the expression's text.
class ItemText {
public:
    explicit ItemText(StringView SQL) : m_sql(SQL) {}

    void Clear()
    {
        m_spans.clear();
        m_last = 0;
    }
    // The lexem just read ends at the parser's position; a string's text comes without its quotes.
    void Add(const TParser& Parser, int Code, const String& Lexem)
    {
        const size_t end = std::min(size_t(Parser.CurrPos()), m_sql.size());
        size_t length = Lexem.size();
        if (Code == LexemString && end > length) {
            const size_t open = end >= length + 2 ? end - length - 2 : 0;
            length += end >= length + 2 && m_sql[open] == m_sql[end - 1] ? 2 : 1;  // unterminated: one quote
        }
        size_t start = end >= length ? end - length : 0;
        start = std::max(start, size_t(std::max<int64_t>(Parser.PrevPos(), 0)));
        m_spans.push_back({std::min(start, end), end});
    }
    // Everything read so far belongs to the expression (the lexem just read too, or not).
    void TakeAll() { m_last = m_spans.size(); }
    void TakeBefore() { m_last = std::max(m_last, m_spans.empty() ? 0 : m_spans.size() - 1); }

    // From the first lexem to the last one taken, one blank wherever the text had blanks or comments.
    String Text() const
    {
        String result;
        for (size_t i = 0; i < m_last; ++i) {
            if (i > 0 && m_spans[i].start > m_spans[i - 1].end)
                result += u' ';
            result += m_sql.substr(m_spans[i].start, m_spans[i].end - m_spans[i].start);
        }
        return result;
    }

private:
    struct Span {
        size_t start, end;
    };
    StringView m_sql;
    std::vector<Span> m_spans;
    size_t m_last = 0;
};

} // namespace

void TSQLInfo::ParseColumnsInfo(StringView SQL, TColumnsInfo& ColumnsInfo)
{
    std::unique_ptr<TSQLParser> parser = CreateParser(SQL);
    parser->SetOmitComment(true);
    const Keywords kw(*parser);
    String lexem;
    int code = LexemEnd;
    if (!kw.ToSelect(*parser))
        return;

    auto isWord = [&](int Code, StringView Lexem) { return Code == LexemIdent || kw.IsKeyword(Code, Lexem); };
    ItemText text(SQL);
    // One lexem read ahead and given back (a "." not followed by a name part).
    bool pushed = false;
    int pushedCode = 0;
    String pushedLexem;
    auto next = [&] {
        if (pushed) {
            pushed = false;
            code = pushedCode;
            lexem = std::move(pushedLexem);
            return;
        }
        code = parser->GetNext(lexem);
        if (code != LexemEnd)
            text.Add(*parser, code, lexem);
    };
    for (;;) {
        text.Clear();
        next();
        if (parser->IsSelectModifier(code)) {
            text.Clear();
            next();
        }
        String name, table, alias;
        bool isExpr = false;

        if (code == LexemIdent || (kw.IsKeyword(code, lexem) && !kw.Is(code, kw.From)) || lexem == u"*") {
            name = lexem;
            next();
            bool gaveBack = false;
            for (int parts = 0; parts < 3 && code > 0 && lexem == u"."; ++parts) {
                const int dotCode = code;
                next();
                if (!isWord(code, lexem) && lexem != u"*") {
                    // Not a name part: the "." starts the expression and this lexem follows it.
                    pushed = true;
                    pushedCode = code;
                    pushedLexem = lexem;
                    code = dotCode;
                    lexem = u".";
                    gaveBack = true;
                    break;
                }
                table = table.empty() ? name : table + u"." + name;
                name = lexem;
                next();
            }
            if (!gaveBack) {
                ParseAfterColumnName(*parser, code, lexem);
                if (kw.Is(code, kw.As)) {
                    next();
                    if (code != LexemEnd) {
                        alias = lexem;
                        next();
                    }
                } else if (isWord(code, lexem) && !kw.Is(code, kw.From)) {
                    alias = lexem;
                    next();
                }
            }
        }

        int depth = 0;
        int previous = 0;
        String previousLexem;
        String pendingAlias;
        while (code != LexemEnd && !(depth == 0 && (lexem == u"," || kw.Is(code, kw.From)))) {
            if (!isExpr) {
                isExpr = true;
                alias.clear();
                text.TakeBefore();
            }
            // A pending alias followed by more is part of the expression.
            pendingAlias.clear();
            if (lexem == u"(")
                ++depth;
            else if (lexem == u")")
                --depth;
            bool taken = true;
            if (depth == 0) {
                const bool afterOperand = previous == LexemIdent || previous == LexemNumber ||
                                          previous == LexemString || kw.IsKeyword(previous, previousLexem) ||
                                          previousLexem == u")";
                if (kw.Is(code, kw.As)) {
                    taken = false;
                } else if (isWord(code, lexem) && afterOperand) {
                    pendingAlias = lexem;
                    taken = false;
                }
            }
            if (taken)
                text.TakeAll();
            previous = code;
            previousLexem = lexem;
            next();
        }
        if (!pendingAlias.empty())
            alias = pendingAlias;

        String expr;
        if (isExpr) {
            expr = text.Text();
        } else if (table.empty() && !name.empty() && parser->IsFunctionOrConst(core::AnsiUpperCase(name))) {
            isExpr = true;
            expr = name;
        }
        auto item = std::make_unique<TColumnInfo>();
        if (isExpr) {
            item->Expr = expr;
        } else {
            item->Name = NormalizeName(name, false, true);
            item->Table = NormalizeName(table, false, true);
        }
        item->TableIndex = -1;
        item->Alias = NormalizeName(alias, false, true);
        ColumnsInfo.Add(std::move(item));
        if (code == LexemEnd || kw.Is(code, kw.From))
            return;
    }
}

// ---- tables -------------------------------------------------------------------------------------

void TCRTableInfo::SetTableName(StringView Value)
{
    FTableName = String(Value);
    if (FOwner)
        FOwner->TableNameChanged();
}

void TCRTableInfo::SetTableAlias(StringView Value)
{
    FTableAlias = String(Value);
    if (FOwner)
        FOwner->TableAliasChanged();
}

TCRTablesInfo::TCRTablesInfo(TTableInfoClass TableInfoClass) : FTableInfoClass(TableInfoClass)
{
    for (core::StringList* list : {&FTableNameList, &FTableAliasList}) {
        list->SetDuplicates(core::dupAccept);
        list->SetSorted(true);
    }
}

TCRTablesInfo::~TCRTablesInfo() = default;

void TCRTablesInfo::EndUpdate()
{
    --FUpdateCount;
    RebuildList(FTableNameList, false);
    RebuildList(FTableAliasList, true);
}

TCRTableInfo* TCRTablesInfo::Add()
{
    FList.push_back(FTableInfoClass(this));
    TCRTableInfo* item = FList.back().get();
    item->SetIndex(Count() - 1);
    return item;
}

void TCRTablesInfo::Clear()
{
    // The lookup lists hold the items: they go first.
    FTableNameList.Clear();
    FTableAliasList.Clear();
    FList.clear();
    RebuildList(FTableNameList, false);
    RebuildList(FTableAliasList, true);
}

TCRTableInfo* TCRTablesInfo::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw core::Exception(u"List index out of bounds (" + core::IntToStr(Index) + u")");
    return FList[size_t(Index)].get();
}

void TCRTablesInfo::SetCaseSensitive(bool Value)
{
    FCaseSensitive = Value;
    FTableNameList.SetCaseSensitive(Value);
    FTableAliasList.SetCaseSensitive(Value);
}

void TCRTablesInfo::RebuildList(core::StringList& List, bool Aliases)
{
    if (FUpdateCount > 0)
        return;
    List.BeginUpdate();
    List.Clear();
    for (const auto& item : FList)
        List.AddObject(Aliases ? item->TableAlias() : item->TableName(), item.get());
    List.EndUpdate();
}

int TCRTablesInfo::Lookup(const core::StringList& List, StringView Key, bool Aliases) const
{
    if (FUpdateCount > 0) {
        for (const auto& item : FList) {
            const String& text = Aliases ? item->TableAlias() : item->TableName();
            if (FCaseSensitive ? text == Key : core::AnsiCompareText(text, Key) == 0)
                return item->Index();
        }
        return -1;
    }
    int index = 0;
    if (!List.Find(Key, index))
        return -1;
    return static_cast<const TCRTableInfo*>(List.Objects(index))->Index();
}

int TCRTablesInfo::IndexByName(StringView Name) const { return Lookup(FTableNameList, Name, false); }

int TCRTablesInfo::IndexByAlias(StringView Alias) const { return Lookup(FTableAliasList, Alias, true); }

TCRTableInfo* TCRTablesInfo::FindByName(StringView Name) const
{
    const int index = IndexByName(Name);
    return index < 0 ? nullptr : Items(index);
}

int TCRTablesInfo::IndexOf(const TCRTableInfo* TableInfo) const
{
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].get() == TableInfo)
            return int(i);
    return -1;
}

} // namespace data
