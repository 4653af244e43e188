#include "data/storage/filter.h"

#include "data/storage/memutils.h"
#include "data/storage/recordstore.h"

#include <cerrno>
#include <cstdlib>

namespace data {

namespace {

std::unique_ptr<TLexemList> g_symbols;
std::unique_ptr<TLexemList> g_keywords;

[[noreturn]] void Illegal()
{
    throw core::Exception(u"Illegal filter expression");
}

bool IsAsciiText(StringView text)
{
    for (Char c : text)
        if (c >= 128)
            return false;
    return true;
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// A number lexem as a 64-bit integer when it is one, otherwise as a double.
core::Variant NumberValue(StringView text, StringView separator, bool negative)
{
    std::string ascii;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!separator.empty() && text.substr(i, separator.size()) == separator) {
            ascii += '.';
            i += separator.size() - 1;
        } else {
            ascii += char(text[i]);
        }
    }
    if (ascii.find('.') == std::string::npos) {
        errno = 0;
        char* end = nullptr;
        const long long value = std::strtoll(ascii.c_str(), &end, 10);
        if (errno == 0 && end && *end == 0)
            return core::Variant(int64_t(negative ? -value : value));
    }
    const double value = std::strtod(ascii.c_str(), nullptr);
    return core::Variant(negative ? -value : value);
}

class FilterParser {
public:
    FilterParser(StringView text, const TData& data, TFilterExpression& tree)
        : m_parser(text), m_data(data), m_tree(tree)
    {
        m_parser.SetOmitBlank(true);
        m_parser.SetOmitComment(true);
    }

    TExpressionNode* Parse()
    {
        Next();
        TExpressionNode* root = Expression();
        if (m_code != LexemEnd)
            Illegal();
        return root;
    }

private:
    void Next() { m_code = m_parser.GetNext(m_lexem); }

    TExpressionNode* Binary(TExpressionType type, TExpressionNode* left, TExpressionNode* right)
    {
        TExpressionNode* node = m_tree.NewNode(type);
        node->LeftOperand = left;
        node->RightOperand = right;
        return node;
    }

    TExpressionNode* Expression()
    {
        TExpressionNode* node = Term();
        while (m_code == lxOR) {
            Next();
            node = Binary(ntOr, node, Term());
        }
        return node;
    }

    TExpressionNode* Term()
    {
        TExpressionNode* node = Condition();
        while (m_code == lxAND) {
            Next();
            node = Binary(ntAnd, node, Condition());
        }
        return node;
    }

    TExpressionNode* Condition()
    {
        switch (m_code) {
        case lxLeftParen: {
            Next();
            TExpressionNode* node = Expression();
            if (m_code != lxRightParen)
                Illegal();
            Next();
            return node;
        }
        case lxNOT:
            Next();
            return Binary(ntNot, Condition(), nullptr);
        case lxTRUE:
            Next();
            return m_tree.NewNode(ntTrue);
        case lxFALSE:
            Next();
            return m_tree.NewNode(ntFalse);
        case lxMinus: case lxPlus: case lxLeftSquare: case lxRightSquare: case LexemString: case LexemNumber:
        case LexemIdent:
            return Comparison();
        default:
            Illegal();
        }
    }

    TExpressionNode* Comparison()
    {
        TExpressionNode* left = Operand();
        TExpressionType type;
        bool nullRight = false;
        switch (m_code) {
        case lxEqual: type = ntEqual; break;
        case lxMore: type = ntMore; break;
        case lxLess: type = ntLess; break;
        case lxMoreEqual: type = ntMoreEqual; break;
        case lxLessEqual: type = ntLessEqual; break;
        case lxNoEqual: type = ntNoEqual; break;
        case lxLIKE: type = ntLike; break;
        case lxNOT:
            Next();
            if (m_code != lxLIKE)
                Illegal();
            type = ntNotLike;
            break;
        case lxIS:
            Next();
            type = ntEqual;
            if (m_code == lxNOT) {
                type = ntNoEqual;
                Next();
            }
            if (m_code != lxNULL)
                Illegal();
            nullRight = true;
            break;
        default:
            Illegal();
        }
        Next();
        TExpressionNode* right;
        if (nullRight) {
            right = m_tree.NewNode(ntValue);
            right->Value = core::Variant::Null();
        } else {
            right = Operand();
        }
        TExpressionNode* node = Binary(type, left, right);
        PlanNative(*node);
        return node;
    }

    TExpressionNode* FieldNode(const String& name)
    {
        TFieldDesc* field = m_data.FindField(name);
        if (!field)
            throw core::Exception(core::Format(u"Field %s not found", {name}));
        TExpressionNode* node = m_tree.NewNode(ntField);
        node->FieldDesc = field;
        node->Value = name;
        return node;
    }

    TExpressionNode* Operand()
    {
        TExpressionNode* node;
        switch (m_code) {
        case lxMinus: case lxPlus: {
            const bool negative = m_code == lxMinus;
            Next();
            if (m_code != LexemNumber)
                Illegal();
            node = m_tree.NewNode(ntValue);
            node->Value = NumberValue(m_lexem, m_parser.DecSeparator(), negative).AsDouble();
            Next();
            return node;
        }
        case lxLeftSquare: {
            // Blanks belong to the name between the brackets.
            m_parser.SetOmitBlank(false);
            String name;
            Next();
            while (m_code != lxRightSquare && m_code != LexemEnd) {
                name += m_lexem;
                Next();
            }
            m_parser.SetOmitBlank(true);
            node = FieldNode(name);
            Next();
            return node;
        }
        case LexemIdent: {
            String name = m_lexem;
            Next();
            while (m_code == LexemSymbol && m_lexem == u".") {
                Next();
                if (m_code != LexemIdent)
                    Illegal();
                name += u"." + m_lexem;
                Next();
            }
            return FieldNode(name);
        }
        case lxTRUE: case lxFALSE:
            node = m_tree.NewNode(ntValue);
            node->Value = m_code == lxTRUE;
            break;
        case lxNULL:
            node = m_tree.NewNode(ntValue);
            node->Value = core::Variant::Null();
            break;
        case LexemString: {
            String text;
            text.reserve(m_lexem.size());
            for (size_t i = 0; i < m_lexem.size(); ++i) {
                text += m_lexem[i];
                if (m_lexem[i] == u'\'' && i + 1 < m_lexem.size() && m_lexem[i + 1] == u'\'')
                    ++i;
            }
            node = m_tree.NewNode(ntValue);
            node->Value = std::move(text);
            break;
        }
        case LexemNumber:
            node = m_tree.NewNode(ntValue);
            node->Value = NumberValue(m_lexem, m_parser.DecSeparator(), false);
            break;
        default:
            Illegal();
        }
        Next();
        return node;
    }

    // The comparison with its operands swapped.
    static TExpressionType MirroredType(TExpressionType type)
    {
        switch (type) {
        case ntMore: return ntLess;
        case ntLess: return ntMore;
        case ntMoreEqual: return ntLessEqual;
        case ntLessEqual: return ntMoreEqual;
        default: return type;
        }
    }

    // Marks the comparisons of a field with a literal that the stored value can decide with the
    // variant road's answer.
    static void PlanNative(TExpressionNode& node)
    {
        TExpressionNode* left = node.LeftOperand;
        TExpressionNode* right = node.RightOperand;
        const bool fieldLeft = left->NodeType == ntField && right->NodeType == ntValue;
        const bool fieldRight = left->NodeType == ntValue && right->NodeType == ntField;
        if (!fieldLeft && !fieldRight)
            return;
        const TFieldDesc& field = *(fieldLeft ? left : right)->FieldDesc;
        const core::Variant& literal = (fieldLeft ? right : left)->Value;
        if (field.HasParent())
            return;
        node.NativeFieldLeft = fieldLeft;
        node.NativeType = fieldLeft ? node.NodeType : MirroredType(node.NodeType);
        const uint16_t code = field.DataType;
        if (literal.IsNull()) {
            // A variant field may hold Null without its flag; blobs and objects have no variant.
            if (fieldLeft && (node.NodeType == ntEqual || node.NodeType == ntNoEqual) && code != dtVariant &&
                code != dtUnknown && code != dtBlob && !(code >= dtObject && code <= dtTable) && code != dtCursor) {
                node.Native = TNativeCompare::IsNull;
                node.NativeInPlace = code != dtMemo && code != dtWideMemo;
            }
            return;
        }
        const bool integerField = code == dtInt8 || code == dtInt16 || code == dtInt32 || code == dtUInt16 ||
            code == dtInt64 || code == dtUInt32;
        const core::VarType type = literal.VarType();
        if ((integerField || code == dtFloat) && (type == core::varInt64 || type == core::varDouble)) {
            node.Native = TNativeCompare::Number;
            node.NativeInPlace = true;
            node.LiteralIsInteger = type == core::varInt64;
            node.LiteralInt = node.LiteralIsInteger ? literal.AsInt64() : 0;
            node.LiteralDouble = literal.AsDouble();
            return;
        }
        const bool textField = code == dtString || code == dtExtString || code == dtWideString || code == dtExtWideString;
        if (textField && literal.IsString()) {
            const String text = literal.AsString();
            if (!IsAsciiText(text))
                return;
            // A pattern match takes the field's text on the left only.
            const bool pattern = node.NodeType == ntEqual || node.NodeType == ntNoEqual || node.NodeType == ntLike ||
                node.NodeType == ntNotLike;
            if (pattern && !fieldLeft)
                return;
            // A zero character would meet the end of the stored text.
            if (text.find(u'\0') != String::npos)
                return;
            node.Native = TNativeCompare::Text;
            node.NativeInPlace = code == dtString;
            for (Char c : text) {
                node.LiteralText += char(c);
                node.LiteralUpper += UpperAscii(char(c));
            }
            const size_t wild = text.find_first_of(u"*%_");
            if (wild == String::npos) {
                node.PatternKind = TExpressionNode::Pattern::Exact;
            } else if (text[wild] != u'_' && text.find_first_not_of(u"*%", wild) == String::npos) {
                node.PatternKind = TExpressionNode::Pattern::Prefix;
                node.PrefixLength = wild;
            }
        }
    }

    TBoolParser m_parser;
    const TData& m_data;
    TFilterExpression& m_tree;
    int m_code = LexemEnd;
    String m_lexem;
};

enum class MatchResult { Match, NoMatch, TextOut };

template<class C>
bool IsWild(C c)
{
    return c == C('*') || c == C('%');
}

// A failure because the text ran out cannot be mended by giving an enclosing wildcard more text, so
// it ends every enclosing wildcard: that keeps patterns of many wildcards linear.
template<class C>
MatchResult MatchFrom(const std::basic_string_view<C> v, size_t vi, const std::basic_string_view<C> p, size_t pi)
{
    while (pi < p.size() && (vi < v.size() || IsWild(p[pi]))) {
        const C c = p[pi];
        if (IsWild(c)) {
            while (pi + 1 < p.size() && IsWild(p[pi + 1]))
                ++pi;
            if (pi + 1 == p.size())
                return MatchResult::Match;
            for (;;) {
                const MatchResult rest = MatchFrom(v, vi, p, pi + 1);
                if (rest != MatchResult::NoMatch)
                    return rest;
                if (vi >= v.size())
                    return MatchResult::TextOut;
                ++vi;
            }
        }
        if (c != C('_') && c != v[vi])
            return MatchResult::NoMatch;
        ++vi;
        ++pi;
    }
    if (vi < v.size())
        return MatchResult::NoMatch;
    return pi == p.size() ? MatchResult::Match : MatchResult::TextOut;
}

} // namespace

TBoolParser::TBoolParser(StringView Text) : TParser(Text)
{
    TBoolParser::InitParser();
}

void TBoolParser::InitParser()
{
    TParser::InitParser();
    SetLists(g_symbols.get(), g_keywords.get());
}

void TBoolParser::SkipToQuote(Char Quote)
{
    const int start = Pos;
    while (InText(Pos)) {
        if (At(Pos) == Quote) {
            if (Pos != start && InText(Pos + 1) && At(Pos + 1) == Quote) {
                Pos += 2;
                continue;
            }
            return;
        }
        if (!SkipLineBreak())
            ++Pos;
    }
}

void InitFilterLists()
{
    g_symbols = std::make_unique<TLexemList>(std::initializer_list<std::pair<const char16_t*, int>>{
        {u"=", lxEqual}, {u">", lxMore}, {u"<", lxLess}, {u">=", lxMoreEqual}, {u"<=", lxLessEqual},
        {u"<>", lxNoEqual}, {u"(", lxLeftParen}, {u")", lxRightParen}, {u"-", lxMinus}, {u"+", lxPlus},
        {u"[", lxLeftSquare}, {u"]", lxRightSquare}});
    g_keywords = std::make_unique<TLexemList>(std::initializer_list<std::pair<const char16_t*, int>>{
        {u"AND", lxAND}, {u"FALSE", lxFALSE}, {u"IS", lxIS}, {u"LIKE", lxLIKE}, {u"NOT", lxNOT},
        {u"NULL", lxNULL}, {u"OR", lxOR}, {u"TRUE", lxTRUE}});
}

void DoneFilterLists()
{
    g_symbols.reset();
    g_keywords.reset();
}

TExpressionNode* TFilterExpression::NewNode(TExpressionType type)
{
    m_nodes.push_back(std::make_unique<TExpressionNode>());
    m_nodes.back()->NodeType = type;
    return m_nodes.back().get();
}

std::unique_ptr<TFilterExpression> ParseFilterText(StringView Text, const TData& Data)
{
    const size_t first = Text.find_first_not_of(u' ');
    if (first == StringView::npos)
        return nullptr;
    auto tree = std::make_unique<TFilterExpression>();
    FilterParser parser(Text, Data, *tree);
    tree->SetRoot(parser.Parse());
    return tree;
}

bool MatchPattern(StringView V, StringView P)
{
    return MatchFrom<Char>(V, 0, P, 0) == MatchResult::Match;
}

bool MatchPatternA(std::string_view V, std::string_view P)
{
    return MatchFrom<char>(V, 0, P, 0) == MatchResult::Match;
}

} // namespace data
