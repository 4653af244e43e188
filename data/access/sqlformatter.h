// The SQL dialect formatter: rewrites provider-neutral SQL into one database's dialect. The neutral
// text may hold directives "{name}" or "{name body}":
//   {if name} ... {else} ... {endif}   conditional sections; the condition holds when name is a
//                                      defined user or predefined macro (its value plays no part)
//   {fn name(arg, ...)}                a function of the dialect's table, at most three arguments
//   {date 'v'} {time 'v'} {timestamp 'v'}  the dialect's literals
//   {other body}                       a macro: the user's, else the dialect's; the body follows its
//                                      value after one blank and the result is expanded again
// Quoted identifiers get the dialect's quotes and "--" comments become block comments. Directives in
// strings and comments are left alone. Each provider derives its dialect: the function table, the
// three literal formats (the reserved names "__DATE_LITERAL", "__TIME_LITERAL",
// "__DATE_TIME_LITERAL"), the predefined macros and the quote characters.
#pragma once

#include "data/storage/encoding.h"

#include "core/object.h"
#include "core/stringlist.h"

#include <memory>
#include <vector>

namespace data {

class TSQLParser;

// The object of a dialect list's entry: a function's format ("%s" per argument) or a macro's text.
class TSqlText : public core::Object {
public:
    explicit TSqlText(String text) : Text(std::move(text)) {}
    String Text;
};

class TUniSqlFormatter : public core::Object {
public:
    TUniSqlFormatter() = default;

    // ---- Dialect ----
    virtual Char LeftQuote() const { return u'"'; }
    virtual Char RightQuote() const { return u'"'; }
    // A function the table lacks; raises Exception "Unknown function: <name>".
    virtual void ProcessUnknownFunction(const String& Name, const std::vector<String>& Args, String& Result);

    // ---- Expansion ----
    // The caller's macros, names and values at equal positions; not copied, not owned. Without them
    // there are no user macros.
    void SetUserMacros(const core::StringList* Names, const core::StringList* Values);
    // Replaces SQL by its expansion; on any error raises and leaves SQL as it was.
    void Expand(String& SQL);
    bool CheckIfCondition(StringView Body) const;

    // How deep macro values and directive bodies may nest before the expansion gives up
    // ("Macro nesting too deep: <name>"): a macro that refers to itself would never end.
    static constexpr int MaxNesting = 64;

protected:
    // Entries of the dialect lists, made on first use.
    void AddFunction(StringView Name, StringView Format);
    void AddPredefinedMacro(StringView Name, StringView Text);

    void Parse(TSQLParser& Lexer, StringView EndMark, String& Result);
    String ProcessFunction(StringView Body);
    String ProcessLiteral(StringView Directive, StringView Body) const;
    String ProcessMacro(StringView Name, StringView Body);

    std::unique_ptr<core::StringList> FFunctions;
    std::unique_ptr<core::StringList> FPredefinedMacros;
    const core::StringList* FUserMacroNames = nullptr;
    const core::StringList* FUserMacroValues = nullptr;

private:
    // Parse of a nested text (a body or a macro's value), one level deeper.
    void ParseNested(TSQLParser& Lexer, StringView EndMark, String& Result, StringView Name);

    int m_depth = 0;
};

} // namespace data
