#include "data/access/sqlformatter.h"

#include "data/storage/memutils.h"
#include "data/storage/parser.h"

#include "core/exception.h"
#include "core/format.h"

#include <algorithm>

namespace data {

namespace {

// Expansion keeps every lexem as written: blanks, original spelling and the quotes of strings.
void SetUpExpansionLexer(TSQLParser& lexer)
{
    lexer.SetOmitBlank(false);
    lexer.SetUppered(false);
    lexer.SetQuotedString(true);
}

// A name of a directive or function: an identifier or one of the lexer's keywords.
bool IsName(const TSQLParser& lexer, int code)
{
    return code == LexemIdent || code > lexer.SymbolLexems()->Count();
}

String TextOf(const core::StringList* list, int index)
{
    const auto* entry = static_cast<const TSqlText*>(list->Objects(index));
    return entry ? entry->Text : String();
}

int IndexIn(const core::StringList* list, StringView name)
{
    return list ? list->IndexOf(name) : -1;
}

void AddText(std::unique_ptr<core::StringList>& list, StringView name, StringView text)
{
    if (!list)
        list = std::make_unique<core::StringList>(true);
    auto entry = std::make_unique<TSqlText>(String(text));
    list->AddObject(String(name), entry.get());
    entry.release();
}

} // namespace

void TUniSqlFormatter::ProcessUnknownFunction(const String& Name, const std::vector<String>&, String&)
{
    throw core::Exception(core::Format(u"Unknown function: %s", {Name}));
}

void TUniSqlFormatter::SetUserMacros(const core::StringList* Names, const core::StringList* Values)
{
    FUserMacroNames = Names;
    FUserMacroValues = Values;
}

void TUniSqlFormatter::AddFunction(StringView Name, StringView Format)
{
    AddText(FFunctions, Name, Format);
}

void TUniSqlFormatter::AddPredefinedMacro(StringView Name, StringView Text)
{
    AddText(FPredefinedMacros, Name, Text);
}

void TUniSqlFormatter::Expand(String& SQL)
{
    TSQLParser lexer(SQL);
    SetUpExpansionLexer(lexer);
    String result;
    m_depth = 0;
    Parse(lexer, {}, result);
    SQL = std::move(result);
}

bool TUniSqlFormatter::CheckIfCondition(StringView Body) const
{
    const String name = core::Trim(StrToUpper(Body));
    return name.empty() || IndexIn(FUserMacroNames, name) >= 0 || IndexIn(FPredefinedMacros.get(), name) >= 0;
}

void TUniSqlFormatter::ParseNested(TSQLParser& Lexer, StringView EndMark, String& Result, StringView Name)
{
    if (m_depth >= MaxNesting)
        throw core::Exception(core::Format(u"Macro nesting too deep: %s", {Name}));
    struct Level {
        int& depth;
        explicit Level(int& d) : depth(d) { ++depth; }
        ~Level() { --depth; }
    } level(m_depth);
    Parse(Lexer, EndMark, Result);
}

void TUniSqlFormatter::Parse(TSQLParser& Lexer, StringView EndMark, String& Result)
{
    Result.clear();
    // One entry per open {if}: whether its current part yields text, and whether it had its {else}.
    std::vector<bool> states, elses;
    bool active = true;
    const auto recompute = [&] { active = std::all_of(states.begin(), states.end(), [](bool s) { return s; }); };

    String lexem;
    for (;;) {
        const int code = Lexer.GetNext(lexem);
        if (code == LexemEnd || (!EndMark.empty() && lexem == EndMark))
            break;

        if (code == LexemSymbol && lexem == u"{") {
            String name;
            if (!IsName(Lexer, Lexer.GetNext(name)))
                throw core::Exception(u"Empty macro or function name");
            String next, body;
            const int nextCode = Lexer.GetNext(next);
            if (nextCode == LexemBlank)
                ParseNested(Lexer, u"}", body, name);
            else if (nextCode != LexemSymbol || next != u"}")
                throw core::Exception(u"Unexpected character");

            const String word = StrToLower(name);
            if (word == u"if") {
                states.push_back(CheckIfCondition(body));
                elses.push_back(false);
                recompute();
            } else if (word == u"else") {
                if (states.empty() || elses.back())
                    throw core::Exception(u"Unexpected {else}");
                elses.back() = true;
                states.back() = !states.back();
                recompute();
            } else if (word == u"endif") {
                if (states.empty())
                    throw core::Exception(u"Unexpected {endif}");
                states.pop_back();
                elses.pop_back();
                recompute();
            } else if (active) {
                if (word == u"fn")
                    Result += ProcessFunction(body);
                else if (word == u"date" || word == u"time" || word == u"timestamp")
                    Result += ProcessLiteral(word, body);
                else
                    Result += ProcessMacro(name, body);
            }
            continue;
        }

        if (!active)
            continue;
        if (code == LexemIdent && lexem.size() > 1 && lexem.front() == u'"' && lexem.back() == u'"') {
            Result += LeftQuote();
            Result.append(lexem, 1, lexem.size() - 2);
            Result += RightQuote();
        } else if (code == LexemComment && lexem.size() > 1 && lexem.starts_with(u"--") &&
                   lexem.find(u"*/") == String::npos) {
            // Line comments do not survive being joined onto one line; block comments do.
            Result += u"/*";
            Result.append(lexem, 2);
            Result += u"*/";
        } else {
            Result += lexem;
        }
    }
    if (!states.empty())
        throw core::Exception(u"{if} statement not completed");
}

String TUniSqlFormatter::ProcessFunction(StringView Body)
{
    TSQLParser lexer(Body);
    lexer.SetOmitBlank(true);
    lexer.SetUppered(false);
    lexer.SetQuotedString(true);

    String name, lexem;
    if (!IsName(lexer, lexer.GetNext(name)))
        throw core::Exception(u"Empty function name");

    std::vector<String> args;
    const int code = lexer.GetNext(lexem);
    if (lexem == u"(") {
        // Arguments run from the "(" or the last separator to each "," or ")" at depth 0, as written.
        int depth = 0;
        size_t start = size_t(lexer.CurrPos());
        String last = lexem;
        while (lexer.GetNext(lexem) != LexemEnd) {
            last = lexem;
            const bool separator = lexem == u"," || lexem == u")";
            if (depth == 0 && separator) {
                const size_t at = size_t(lexer.CurrPos()) - 1;
                args.emplace_back(Body.substr(start, at - start));
                start = size_t(lexer.CurrPos());
            }
            if (lexem == u"(")
                ++depth;
            else if (lexem == u")")
                --depth;
        }
        // The call's own ")" takes the depth below 0; ending at 0 means it never came, however the
        // text ends.
        if (depth >= 0 || last.back() != u')')
            throw core::Exception(u"Invalid bracket count in function call");
    } else if (code != LexemEnd) {
        throw core::Exception(u"Unexpected character");
    }

    const int index = IndexIn(FFunctions.get(), name);
    if (index < 0) {
        String result;
        ProcessUnknownFunction(name, args, result);
        return result;
    }
    const String format = TextOf(FFunctions.get(), index);
    if (args.size() > 3)
        throw core::Exception(core::Format(u"Wrong argument count for function: %s", {name}));
    if (args.empty())
        return format;
    const std::vector<core::FormatArg> formatArgs(args.begin(), args.end());
    return core::Format(format, formatArgs);
}

String TUniSqlFormatter::ProcessLiteral(StringView Directive, StringView Body) const
{
    struct Kind {
        const Char* directive;
        const Char* reserved;
        const Char* message;
    };
    static const Kind kinds[] = {
        {u"date", u"__DATE_LITERAL", u"Invalid year-month-day string. The format is {date 'yyyy-mm-dd'}"},
        {u"time", u"__TIME_LITERAL", u"Invalid hour-minute-second string. The format is {time 'hh:mm:ss'}"},
        {u"timestamp", u"__DATE_TIME_LITERAL",
         u"Invalid timestamp string. The format is {timestamp 'yyyy-mm-dd hh:mm:ss'}"},
    };
    const Kind& kind = *std::find_if(std::begin(kinds), std::end(kinds),
                                     [&](const Kind& k) { return Directive == k.directive; });
    const String value = core::Trim(Body);
    if (value.size() < 2 || value.front() != u'\'' || value.back() != u'\'')
        throw core::Exception(kind.message);
    const int index = IndexIn(FFunctions.get(), kind.reserved);
    CORE_ASSERT(index >= 0, u"");
    return core::Format(TextOf(FFunctions.get(), index), {value});
}

String TUniSqlFormatter::ProcessMacro(StringView Name, StringView Body)
{
    const String key = core::Trim(StrToUpper(Name));
    String result;
    if (const int user = IndexIn(FUserMacroNames, key); user >= 0) {
        if (FUserMacroValues && user < FUserMacroValues->Count())
            result = (*FUserMacroValues)[user];
    } else if (const int predefined = IndexIn(FPredefinedMacros.get(), key); predefined >= 0) {
        result = TextOf(FPredefinedMacros.get(), predefined);
    }
    if (!Body.empty()) {
        result += u' ';
        result += Body;
    }
    if (result.empty())
        return result;
    // A macro's value may hold further directives.
    TSQLParser lexer(result);
    SetUpExpansionLexer(lexer);
    String expanded;
    ParseNested(lexer, {}, expanded, Name);
    return expanded;
}

} // namespace data
