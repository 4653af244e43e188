// The filter language of the record store: a small boolean language of field comparisons, LIKE
// patterns, null tests (IS [NOT] NULL) joined by AND, OR and NOT, its scanner configuration
// (TBoolParser), the node tree a text parses into and the pattern match.
//
// Grammar (keywords without regard to case):
//   expression := term { OR term }
//   term       := condition { AND condition }
//   condition  := "(" expression ")" | NOT condition | TRUE | FALSE
//               | operand ( "=" | ">" | "<" | ">=" | "<=" | "<>" | LIKE | NOT LIKE ) operand
//               | operand IS [NOT] NULL
//   operand    := ("-" | "+") number | "[" lexems "]" | ident { "." ident } | TRUE | FALSE | NULL
//               | 'string' | number
#pragma once

#include "data/storage/parser.h"

#include "core/variant.h"

#include <memory>
#include <vector>

namespace data {

class TFieldDesc;
class TData;

// Codes of the filter lists.
enum : int {
    lxEqual = 1, lxMore, lxLess, lxMoreEqual, lxLessEqual, lxNoEqual, lxLeftParen, lxRightParen, lxMinus,
    lxPlus, lxLeftSquare, lxRightSquare,
    lxAND, lxFALSE, lxIS, lxLIKE, lxNOT, lxNULL, lxOR, lxTRUE,
};

// The scanner of filter texts and index-field lists: the filter symbol and keyword lists, and a
// doubled apostrophe inside a quoted string does not end it.
class TBoolParser : public TParser {
public:
    explicit TBoolParser(StringView Text);

protected:
    void InitParser() override;
    void SkipToQuote(Char Quote) override;
};

// The record-store unit builds and drops the two lists.
void InitFilterLists();
void DoneFilterLists();

enum TExpressionType {
    ntEqual, ntMore, ntLess, ntMoreEqual, ntLessEqual, ntNoEqual, ntAnd, ntOr, ntNot, ntField, ntValue, ntTrue,
    ntFalse, ntLike, ntNotLike,
};

// How a comparison of a field with a literal can be decided on the stored value.
enum class TNativeCompare : uint8_t { None, Number, Text, IsNull };

struct TExpressionNode {
    TExpressionType NodeType = ntValue;
    TExpressionNode* LeftOperand = nullptr;
    TExpressionNode* RightOperand = nullptr;
    TFieldDesc* FieldDesc = nullptr;  // of an ntField node
    core::Variant Value;              // of an ntValue node; the field name of an ntField node

    // Filled after the parse for comparisons that have a native road.
    TNativeCompare Native = TNativeCompare::None;
    bool NativeFieldLeft = true;      // the field is the left operand
    TExpressionType NativeType = ntEqual;  // the comparison read with the field on the left
    // The native road reads only the record's own bytes (no pointer out of it, no blob size): taking
    // such a comparison costs little and cannot fail, so AND and OR may take both sides unasked.
    bool NativeInPlace = false;
    bool LiteralIsInteger = false;
    int64_t LiteralInt = 0;
    double LiteralDouble = 0;
    std::string LiteralText;          // ASCII
    std::string LiteralUpper;         // ASCII upper case
    // The literal as a pattern: no wildcard at all, or a plain prefix and one run of "*"/"%" at its end.
    enum class Pattern : uint8_t { Exact, Prefix, General } PatternKind = Pattern::General;
    size_t PrefixLength = 0;
};

// One parsed filter text: the nodes (all owned here) and the root.
class TFilterExpression {
public:
    TExpressionNode* Root() const { return m_root; }
    TExpressionNode* NewNode(TExpressionType type);
    void SetRoot(TExpressionNode* root) { m_root = root; }
    int NodeCount() const { return int(m_nodes.size()); }

private:
    std::vector<std::unique_ptr<TExpressionNode>> m_nodes;
    TExpressionNode* m_root = nullptr;
};

// Parses Text against the fields of Data: null for a text that is empty after trimming blanks.
// Exception "Illegal filter expression" or "Field %s not found"; nothing is kept on failure.
std::unique_ptr<TFilterExpression> ParseFilterText(StringView Text, const TData& Data);

// Whether V matches the pattern P: "*" and "%" any run, "_" one character, anything else itself.
bool MatchPattern(StringView V, StringView P);
// The same over bytes (ASCII).
bool MatchPatternA(std::string_view V, std::string_view P);

} // namespace data
