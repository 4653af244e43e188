// Evaluation of a parsed filter against a record. The variant road reads every operand as a variant
// and compares with the variant rules; a comparison of a field with a literal that the stored value can
// decide with the same answer (numbers against numbers, ASCII text) skips the variants.
#include "data/storage/filter.h"
#include "data/storage/memutils.h"
#include "data/storage/recordstore.h"

#include <algorithm>
#include <cstring>

namespace data {

namespace {

bool IsDateCode(uint16_t code)
{
    return code == dtDate || code == dtTime || code == dtDateTime;
}

// Whether the locale's upper case of ASCII text is its ASCII upper case (not so in every locale).
bool AsciiUpperIsLocaleUpper()
{
    static const bool same = StrToUpper(u"abcdefghijklmnopqrstuvwxyz") == u"ABCDEFGHIJKLMNOPQRSTUVWXYZ" &&
        StrToUpper(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") == u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    return same;
}

bool Ordered(TExpressionType type, int sign)
{
    switch (type) {
    case ntMore: return sign > 0;
    case ntLess: return sign < 0;
    case ntMoreEqual: return sign >= 0;
    case ntLessEqual: return sign <= 0;
    default: return false;
    }
}

// The comparison's answer on two numbers (NaN aside), as flag operations rather than jumps: the
// answer over a table's records is often a coin toss.
template<class T>
bool Decide(TExpressionType type, bool positive, T value, T literal)
{
    switch (type) {
    case ntMore: return value > literal;
    case ntLess: return value < literal;
    case ntMoreEqual: return value >= literal;
    case ntLessEqual: return value <= literal;
    default: return (value == literal) == positive;
    }
}

// Text that is not read in place: other codes, or any case-insensitive comparison. Copied to ASCII
// bytes first; false when a character is not ASCII. Kept apart so that the common roads do not pay
// for its buffers.
[[gnu::noinline]] bool EvaluateTextCopy(const TFieldDesc& field, const uint8_t* place, bool trim, bool FilterCaseInsensitive,
                                        bool FilterNoPartialCompare, const TExpressionNode& Node, TExpressionType type,
                                        bool equality, bool positive, bool& Result)
{
    char buffer[256];
    std::string heap;
    const char* text;
    size_t length = 0;
    auto take = [&](auto* units, size_t limit, bool trimmed) -> bool {
        while (length < limit && units[length])
            ++length;
        if (trimmed)
            while (length > 0 && units[length - 1] == ' ')
                --length;
        char* out = buffer;
        if (length > sizeof buffer) {
            heap.resize(length);
            out = heap.data();
        }
        for (size_t i = 0; i < length; ++i) {
            const auto c = units[i];
            if (uint32_t(c) >= 128u)
                return false;
            out[i] = FilterCaseInsensitive ? char(c >= 'a' && c <= 'z' ? c - 32 : c) : char(c);
        }
        text = out;
        return true;
    };
    bool ascii;
    switch (field.DataType) {
    case dtString:
        ascii = take(reinterpret_cast<const uint8_t*>(place), field.Size, trim);
        break;
    case dtExtString:
        ascii = take(ReadAt<const uint8_t*>(place), SIZE_MAX, false);
        break;
    case dtWideString: {
        // The record may place the characters at any offset: copied to aligned units first.
        const size_t units = field.Size / 2;
        std::u16string copy(units, u'\0');
        std::memcpy(copy.data(), place, units * 2);
        ascii = take(copy.data(), units, trim);
        break;
    }
    default: {
        const auto* units = ReadAt<const Char*>(place);
        ascii = take(units, SIZE_MAX, false);
        break;
    }
    }
    if (!ascii)
        return false;
    const std::string_view value(text, length);
    const std::string_view literal = FilterCaseInsensitive ? Node.LiteralUpper : Node.LiteralText;
    if (equality) {
        const bool equal = FilterNoPartialCompare ? value == literal : MatchPatternA(value, literal);
        Result = equal == positive;
        return true;
    }
    const int sign = value.compare(literal);
    Result = Ordered(type, sign < 0 ? -1 : sign > 0 ? 1 : 0);
    return true;
}

// A prefix pattern against inline ANSI text of `size` bytes, without measuring the text: the prefix
// holds no zero, so the text's end is a mismatch like any other. False when a byte of 128 or more
// decides.
inline bool InlinePrefix(const char* text, size_t size, const TExpressionNode& Node, bool positive, bool& Result)
{
    const size_t k = Node.PrefixLength;
    const size_t limit = std::min(k, size);
    size_t j = 0;
    while (j < limit && text[j] == Node.LiteralText[j])
        ++j;
    if (j < limit && uint8_t(text[j]) >= 128)
        return false;
    Result = (j == k) == positive;
    return true;
}

} // namespace

// The commonest in-place comparisons in short, for the filter pass over every record: a number field
// that is not null against a number, and an inline ANSI text against a prefix pattern (case-sensitive,
// untrimmed). Everything else, and every doubt, takes EvaluateNative.
inline bool TData::EvaluateInPlace(const TExpressionNode& Node, const void* RecBuf, bool& Result)
{
    const TFieldDesc& field = *(Node.NativeFieldLeft ? Node.LeftOperand : Node.RightOperand)->FieldDesc;
    const auto* record = static_cast<const uint8_t*>(RecBuf);
    const uint8_t* place = record + field.Offset;
    const TExpressionType type = Node.NativeType;
    const bool positive = type == ntEqual || type == ntLike;
    if (*FlagOf(RecBuf, field.FieldNo) == 0) {
        if (Node.Native == TNativeCompare::Number) {
            if (Node.LiteralIsInteger) {
                switch (field.DataType) {
                case dtInt32: Result = Decide<int64_t>(type, positive, ReadAt<int32_t>(place), Node.LiteralInt); return true;
                case dtInt64: Result = Decide<int64_t>(type, positive, ReadAt<int64_t>(place), Node.LiteralInt); return true;
                default: break;
                }
            }
            if (field.DataType == dtFloat) {
                const double value = ReadAt<double>(place);
                if (value == value && Node.LiteralDouble == Node.LiteralDouble) {
                    Result = Decide(type, positive, value, Node.LiteralDouble);
                    return true;
                }
            }
        } else if (Node.Native == TNativeCompare::Text && field.DataType == dtString &&
                   Node.PatternKind == TExpressionNode::Pattern::Prefix && (type == ntLike || type == ntNotLike ||
                   type == ntEqual || type == ntNoEqual) && !FilterCaseInsensitive && !FilterNoPartialCompare &&
                   !(field.Fixed ? TrimFixedChar : TrimVarChar)) {
            return InlinePrefix(reinterpret_cast<const char*>(place), field.Size, Node, positive, Result);
        }
    }
    return EvaluateNative(Node, RecBuf, Result);
}

bool TData::EvaluateFilter(const void* RecBuf)
{
    return !FFilterExpression || !FFilterExpression->Root() || EvaluateNode(*FFilterExpression->Root(), RecBuf);
}

bool TData::EvaluateNode(const TExpressionNode& Node, const void* RecBuf)
{
    switch (Node.NodeType) {
    case ntAnd: case ntOr: {
        const TExpressionNode& left = *Node.LeftOperand;
        const TExpressionNode& right = *Node.RightOperand;
        // Two comparisons read from the record's own bytes are both taken and joined without a branch
        // on the first answer, which is often a coin toss over a table: taking the second costs less
        // than a mispredicted jump. Either one undecided takes the ordinary road.
        if (left.NativeInPlace && right.NativeInPlace && !FilterVariantRoadOnly) {
            bool a = false, b = false;
            const bool leftDecided = EvaluateInPlace(left, RecBuf, a);
            const bool rightDecided = EvaluateInPlace(right, RecBuf, b);
            if (leftDecided && rightDecided)
                return Node.NodeType == ntAnd ? (a & b) : (a | b);
        }
        if (Node.NodeType == ntAnd)
            return EvaluateNode(left, RecBuf) && EvaluateNode(right, RecBuf);
        return EvaluateNode(left, RecBuf) || EvaluateNode(right, RecBuf);
    }
    case ntNot:
        return !EvaluateNode(*Node.LeftOperand, RecBuf);
    case ntTrue:
        return true;
    case ntFalse:
        return false;
    case ntEqual: case ntMore: case ntLess: case ntMoreEqual: case ntLessEqual: case ntNoEqual: case ntLike:
    case ntNotLike:
        return EvaluateComparison(Node, RecBuf);
    default:
        core::AssertFailed(u"Assertion failure", __FILE__, __LINE__);
    }
}

bool TData::EvaluateComparison(const TExpressionNode& Node, const void* RecBuf)
{
    CORE_ASSERT(Node.LeftOperand && Node.RightOperand, u"Assertion failure");
    bool result;
    if (Node.Native != TNativeCompare::None && !FilterVariantRoadOnly &&
        (Node.NativeInPlace ? EvaluateInPlace(Node, RecBuf, result) : EvaluateNative(Node, RecBuf, result)))
        return result;

    core::Variant operands[2];
    const TExpressionNode* nodes[2] = {Node.LeftOperand, Node.RightOperand};
    for (int i = 0; i < 2; ++i) {
        if (nodes[i]->NodeType == ntField)
            GetFieldAsVariant(nodes[i]->FieldDesc->FieldNo, RecBuf, operands[i]);
        else
            operands[i] = nodes[i]->Value;
    }
    // A text against a date field is read as a date.
    for (int i = 0; i < 2; ++i) {
        const TExpressionNode* other = nodes[1 - i];
        if (operands[i].IsString() && other->NodeType == ntField && IsDateCode(other->FieldDesc->DataType))
            operands[i] = core::Variant::FromDate(operands[i].AsDateTime());
    }
    if (FilterCaseInsensitive)
        for (core::Variant& operand : operands)
            if (operand.IsString())
                operand = StrToUpper(operand.AsString());
    const core::Variant& left = operands[0];
    const core::Variant& right = operands[1];
    switch (Node.NodeType) {
    case ntEqual: case ntLike: case ntNoEqual: case ntNotLike: {
        // A Null on the right (IS NULL) is the null test, never a pattern.
        const bool equal = FilterNoPartialCompare || !left.IsString() || right.IsNull()
            ? left == right
            : MatchPattern(left.AsString(), right.AsString());
        return (Node.NodeType == ntEqual || Node.NodeType == ntLike) ? equal : !equal;
    }
    case ntMore: return left > right;
    case ntLess: return left < right;
    case ntMoreEqual: return left >= right;
    case ntLessEqual: return left <= right;
    default:
        core::AssertFailed(u"Assertion failure", __FILE__, __LINE__);
    }
}

bool TData::EvaluateNative(const TExpressionNode& Node, const void* RecBuf, bool& Result)
{
    const TExpressionNode& fieldNode = Node.NativeFieldLeft ? *Node.LeftOperand : *Node.RightOperand;
    const TFieldDesc& field = *fieldNode.FieldDesc;
    const TExpressionType type = Node.NativeType;
    const bool equality = type == ntEqual || type == ntLike || type == ntNoEqual || type == ntNotLike;
    const bool positive = type == ntEqual || type == ntLike;
    // A blob's flag may be stale (GetNull looks at its size); any other field's flag is the answer.
    const bool blob = field.DataType == dtBlob || field.DataType == dtMemo || field.DataType == dtWideMemo;
    const bool isNull = blob ? GetNull(field.FieldNo, const_cast<void*>(RecBuf)) : *FlagOf(RecBuf, field.FieldNo) != 0;

    if (Node.Native == TNativeCompare::IsNull) {
        Result = type == ntEqual ? isNull : !isNull;
        return true;
    }
    if (isNull) {
        // Null equals no literal and has no order.
        Result = equality && !positive;
        return true;
    }
    const uint8_t* place = static_cast<const uint8_t*>(RecBuf) + field.Offset;

    if (Node.Native == TNativeCompare::Number) {
        if (field.DataType == dtFloat || !Node.LiteralIsInteger) {
            const double value =
                field.DataType == dtFloat ? ReadAt<double>(place) : double(ReadInteger(place, field.DataType));
            const double literal = Node.LiteralDouble;
            // A NaN is neither equal, less nor greater.
            if (value != value || literal != literal) {
                Result = equality && !positive;
                return true;
            }
            Result = Decide(type, positive, value, literal);
            return true;
        } else {
            Result = Decide(type, positive, ReadInteger(place, field.DataType), Node.LiteralInt);
            return true;
        }
    }

    // Text: the field's stored characters, ASCII only, trimmed as the variant would be.
    if (FilterCaseInsensitive && !AsciiUpperIsLocaleUpper())
        return false;
    const bool trim = (field.Fixed && TrimFixedChar) || (!field.Fixed && TrimVarChar);
    if (!FilterCaseInsensitive && (field.DataType == dtString || field.DataType == dtExtString)) {
        // ANSI text read in place. A byte of 128 or more may stand for another character (or for part
        // of one) in the variant's text: the stored bytes decide only where no such byte is decisive.
        const auto* text = field.DataType == dtString ? reinterpret_cast<const char*>(place) : ReadAt<const char*>(place);
        const bool prefix = equality && !FilterNoPartialCompare && Node.PatternKind == TExpressionNode::Pattern::Prefix;
        if (prefix && field.DataType == dtString && !trim)
            return InlinePrefix(text, field.Size, Node, positive, Result);
        size_t length = field.DataType == dtString ? strnlen(text, field.Size) : std::strlen(text);
        // As the variant reads it: only the inline form is trimmed.
        if (trim && field.DataType == dtString)
            while (length > 0 && text[length - 1] == ' ')
                --length;
        auto ascii = [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i)
                if (uint8_t(text[i]) >= 128)
                    return false;
            return true;
        };
        const std::string& literal = Node.LiteralText;
        const bool exact = FilterNoPartialCompare || Node.PatternKind == TExpressionNode::Pattern::Exact;
        if (equality && exact) {
            const bool equal = length == literal.size() && std::memcmp(text, literal.data(), length) == 0;
            if (!equal && !ascii(0, length))
                return false;
            Result = equal == positive;
            return true;
        }
        if (equality && Node.PatternKind == TExpressionNode::Pattern::Prefix) {
            const size_t k = Node.PrefixLength;
            const size_t compared = std::min(length, k);
            size_t j = 0;
            while (j < compared && text[j] == literal[j])
                ++j;
            if (j < compared && uint8_t(text[j]) >= 128)
                return false;
            Result = (j == k) == positive;
            return true;
        }
        if (!ascii(0, length))
            return false;
        const std::string_view value(text, length);
        if (equality) {
            Result = MatchPatternA(value, literal) == positive;
        } else {
            const int sign = value.compare(literal);
            Result = Ordered(type, sign < 0 ? -1 : sign > 0 ? 1 : 0);
        }
        return true;
    }
    return EvaluateTextCopy(field, place, trim, FilterCaseInsensitive, FilterNoPartialCompare, Node, type, equality,
                            positive, Result);
}

} // namespace data
