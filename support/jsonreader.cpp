// The reader's state machine and the path language on top of it.
//
// Each stack level holds one value being built (or one path step being evaluated) and the state it is
// in. A level that needs a nested value pushes a new level and, when that one finishes, takes the
// completed value in its own state (tsArrayAdd, tsObjectValueAdd, tsParamPut, tsMethodPut). A state
// either consumes the character or passes it on ("redo") to the next state or level, so one character
// may cross several states. The machine keeps everything it needs in the tokenizer, so text that
// arrives in pieces (ParseStream) resumes where the last piece stopped.
#include "support/jsonreader.h"

#include "core/convert.h"
#include "core/exception.h"
#include "core/stream.h"
#include "support/jsonarray.h"
#include "support/jsontable.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string>

namespace support {

namespace {

// Character classes over units 0..255; units above 255 belong to none.
enum : uint8_t { kWhite = 1, kDelim = 2, kNumber = 4 };

struct Classes {
    uint8_t bits[256] = {};
    constexpr Classes()
    {
        const int white[] = {8, 9, 10, 12, 13, 32};
        const int delim[] = {0, 8, 9, 10, 12, 13, 32, '"', '(', ')', ',', '.', ':', '[', ']', '{', '}'};
        const int number[] = {'+', '-', '.', 'E', 'e'};
        for (int c : white)
            bits[c] |= kWhite;
        for (int c : delim)
            bits[c] |= kDelim;
        for (int c : number)
            bits[c] |= kNumber;
        for (int c = '0'; c <= '9'; ++c)
            bits[c] |= kNumber;
    }
};
constexpr Classes kClasses;

inline bool Is(char16_t c, uint8_t cls) { return c < 256 && (kClasses.bits[c] & cls); }

// The first unit at or after pos that is not white space (length when there is none).
inline int64_t SkipWhite(const char16_t* text, int64_t pos, int64_t length)
{
    while (pos < length && Is(text[pos], kWhite))
        ++pos;
    return pos;
}

// The first unit at or after pos that ends a plain run of a quoted text: its quote, a backslash or a
// NUL (length when there is none). Four units are tested at a time: over 16-bit lanes, the high bit of
// (x - 1) & ~x is set in a lane that is zero, exactly so in the lowest one, so the lowest bit set for
// any of the three marks the first unit that ends the run.
inline int64_t PlainRunEnd(const char16_t* text, int64_t pos, int64_t length, char16_t quote)
{
    static_assert(std::endian::native == std::endian::little, "the first unit is the low lane");
    constexpr uint64_t kOnes = 0x0001000100010001u, kHighs = 0x8000800080008000u;
    const uint64_t quotes = quote * kOnes, backslashes = u'\\' * kOnes;
    const auto zeroLanes = [](uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    for (; pos + 4 <= length; pos += 4) {
        uint64_t x;
        std::memcpy(&x, text + pos, sizeof(x));
        if (const uint64_t hit = zeroLanes(x) | zeroLanes(x ^ quotes) | zeroLanes(x ^ backslashes))
            return pos + std::countr_zero(hit) / 16;
    }
    while (pos < length && text[pos] != quote && text[pos] != u'\\' && text[pos] != 0)
        ++pos;
    return pos;
}

// A quoted name without escapes at pos whose closing quote, colon and value's first character all lie
// in the text, with nothing but white space between them: the name with its member hash into the
// level, and where the value starts; -1 for anything else (an escape, a comment, the end of the
// text), which the states read instead. The name is a view of the text: tsObjectValue uses it up
// before the text can change.
int64_t PlainMemberName(const char16_t* text, int64_t pos, int64_t length, TJsonTokenerSrec& level)
{
    const char16_t quote = text[pos];
    const int64_t end = PlainRunEnd(text, pos + 1, length, quote);
    if (end >= length || text[end] != quote)
        return -1;
    int64_t next = SkipWhite(text, end + 1, length);
    if (next >= length || text[next] != u':')
        return -1;
    next = SkipWhite(text, next + 1, length);
    if (next >= length || text[next] == u'/')
        return -1;
    level.field = StringView(text + pos + 1, size_t(end - pos - 1));
    level.field_hash = TJsonAvlEntry::Hash(level.field);
    return next;
}

// Appends the run of plain characters of a quoted text that starts at pos (up to its closing quote,
// a backslash or a NUL) to the buffer in one piece; returns where the run ends.
int64_t AppendPlainRun(TJsonWriterString& pb, const char16_t* text, int64_t pos, int64_t length, char16_t quote)
{
    const int64_t end = PlainRunEnd(text, pos + 1, length, quote);
    pb.Append(text + pos, int(end - pos));
    return end;
}

// The first n units of the buffer equal those of the keyword.
bool KeywordPrefix(const TJsonWriterString& pb, const char16_t* keyword, int n)
{
    if (pb.Length() < n)
        return false;
    return std::memcmp(pb.Data(), keyword, size_t(n) * sizeof(char16_t)) == 0;
}

// Texts taken from the buffer end at its first NUL, so a \u0000 escape cuts them there.
StringView BufferText(const TJsonWriterString& pb)
{
    StringView all = pb.View();
    const size_t nul = all.find(u'\0');
    return nul == StringView::npos ? all : all.substr(0, nul);
}

// Reads [-]digits[.digits][(e|E)[+-]digits] with at most 15 significant digits and a resulting
// power of ten within 22; false for anything else (left to the full conversion).
bool ShortDecimal(StringView text, double& result)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    size_t i = 0;
    const size_t n = text.size();
    const bool negative = i < n && text[i] == u'-';
    if (negative)
        ++i;
    uint64_t mantissa = 0;
    int digits = 0;       // significant digits taken (leading zeros not counted)
    int intDigits = 0;    // digits before the point
    int scale = 0;        // digits after the point
    bool any = false;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i, ++intDigits) {
        any = true;
        if (mantissa || text[i] != u'0') {
            if (++digits > 15)
                return false;
            mantissa = mantissa * 10 + (text[i] - u'0');
        }
    }
    if (i < n && text[i] == u'.') {
        ++i;
        bool fraction = false;
        for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            fraction = true;
            ++scale;
            if (mantissa || text[i] != u'0') {
                if (++digits > 15)
                    return false;
            }
            mantissa = mantissa * 10 + (text[i] - u'0');
        }
        if (!fraction)
            return false;
    }
    if (!any || (intDigits > 1 && text[negative ? 1 : 0] == u'0'))
        return false;
    int exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool minus = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            minus = text[i++] == u'-';
        if (i >= n)
            return false;
        for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            exponent = exponent * 10 + (text[i] - u'0');
            if (exponent > 400)
                return false;
        }
        if (minus)
            exponent = -exponent;
    }
    if (i != n)
        return false;
    const int power = exponent - scale;
    if (power < -22 || power > 22)
        return false;
    double value = double(mantissa);
    value = power < 0 ? value / kPowers[-power] : value * kPowers[power];
    result = negative ? -value : value;
    return true;
}

// Number text as a value in place in the (nil) slot: an integer when it is one and fits 64 bits, else
// a double when the whole text is one, else the text itself as a string.
void NumberValue(StringView text, bool isDouble, bool& isInteger, int64_t& integer, TJsonSlot& slot)
{
    isInteger = false;
    // Most numbers are short integers: read those without a conversion call.
    // Eighteen digits always fit 64 bits.
    if (!isDouble && !text.empty() && text.size() - (text[0] == u'-') <= 18) {
        const bool negative = text[0] == u'-';
        size_t i = negative ? 1 : 0;
        int64_t v = 0;
        bool digits = i < text.size();
        for (; i < text.size() && digits; ++i) {
            digits = text[i] >= u'0' && text[i] <= u'9';
            v = v * 10 + (text[i] - u'0');
        }
        if (digits) {
            isInteger = true;
            integer = negative ? -v : v;
            return slot.PutInt(integer);
        }
    }
    // A decimal of at most 15 significant digits and a power of ten up to 22 is exact as a quotient or
    // product of two exactly representable doubles, so one correctly rounded operation gives the same
    // double as the full conversion.
    if (isDouble) {
        double exact = 0;
        if (ShortDecimal(text, exact))
            return slot.PutDouble(exact);
    }
    char local[64];
    std::string heap;
    char* ascii = local;
    if (text.size() > sizeof(local)) {
        heap.resize(text.size());
        ascii = heap.data();
    }
    for (size_t i = 0; i < text.size(); ++i)
        ascii[i] = char(text[i]);
    const char* end = ascii + text.size();
    if (!isDouble) {
        auto [p, ec] = std::from_chars(ascii, end, integer);
        if (ec == std::errc() && p == end) {
            isInteger = true;
            return slot.PutInt(integer);
        }
        if (ec != std::errc::result_out_of_range || p != end)
            return slot.PutString(text);
    }
    double d = 0;
    auto [p, ec] = std::from_chars(ascii, end, d, std::chars_format::general);
    if (ec == std::errc() && p == end)
        return slot.PutDouble(d);
    slot.PutString(text);
}

// A number, a plain string (no escape, no NUL) or true, false or null that lies whole in this piece of
// text, made at once in the (nil) slot rather than through a level of its own; what follows it is left
// to the container's states. Only for reading JSON: on a path, numbers and names mean other things.
// Returns the end, or -1 when the value needs the machine.
int64_t InlineScalar(const char16_t* text, int64_t pos, int64_t length, TJsonSlot& slot)
{
    const char16_t c = text[pos];
    if (c == u'-' || (c >= u'0' && c <= u'9')) {
        // Most numbers are short integers: their value is taken in the pass that finds their end.
        int64_t end = pos + (c == u'-');
        uint64_t magnitude = 0;
        while (end < length && text[end] >= u'0' && text[end] <= u'9')
            magnitude = magnitude * 10 + (text[end++] - u'0');
        const int64_t digits = end - pos - (c == u'-');
        // Eighteen digits always fit 64 bits.
        if (digits > 0 && digits <= 18 && end < length && !Is(text[end], kNumber)) {
            slot.PutInt(c == u'-' ? -int64_t(magnitude) : int64_t(magnitude));
            return end;
        }
        bool isDouble = false;
        while (end < length && Is(text[end], kNumber)) {
            if (text[end] == u'.' || text[end] == u'e' || text[end] == u'E')
                isDouble = true;
            ++end;
        }
        if (end >= length)
            return -1;  // the number may go on in the next piece
        bool isInteger = false;
        int64_t integer = 0;
        NumberValue(StringView(text + pos, size_t(end - pos)), isDouble, isInteger, integer, slot);
        return end;
    }
    if (c == u'"' || c == u'\'') {
        int64_t end = PlainRunEnd(text, pos + 1, length, c);
        if (end < length && text[end] == c) {
            slot.PutString(StringView(text + pos + 1, size_t(end - pos - 1)));
            return end + 1;
        }
        // Escapes are decoded here too, as the machine does; a NUL (which cuts the text), a bad hex
        // digit or the end of the piece is left to the machine. The closing quote is found first, so
        // that the text is decoded in one pass into room of its raw size (on the stack when short).
        int64_t close = end;
        while (close < length && text[close] != c) {
            if (text[close] == 0)
                return -1;
            close += text[close] == u'\\' ? 2 : 1;  // an escaped quote does not close
        }
        if (close >= length)
            return -1;
        char16_t local[256];
        String longer;
        char16_t* units = local;
        if (close - pos - 1 > int64_t(std::size(local))) {
            longer.resize(size_t(close - pos - 1));
            units = longer.data();
        }
        char16_t* out = std::copy(text + pos + 1, text + end, units);
        while (end < close) {
            char16_t unit = text[end];
            if (unit != u'\\') {
                *out++ = unit;
                ++end;
                continue;
            }
            unit = text[end + 1];  // before the closing quote: the scan above stepped over the pair
            end += 2;
            switch (unit) {
            case u'b': unit = u'\b'; break;
            case u'f': unit = u'\f'; break;
            case u'n': unit = u'\n'; break;
            case u'r': unit = u'\r'; break;
            case u't': unit = u'\t'; break;
            case u'u':
            case u'x': {
                // A run of digits cannot pass the closing quote, which is no hex digit.
                const int digits = unit == u'u' ? 4 : 2;
                if (length - end < digits)
                    return -1;
                unit = 0;
                for (int d = 0; d < digits; ++d) {
                    const int v = core::HexDigitValue(text[end + d]);
                    if (v < 0)
                        return -1;
                    unit = char16_t(unit << 4 | v);
                }
                end += digits;
                break;
            }
            default:
                break;
            }
            if (unit == 0)
                return -1;
            *out++ = unit;
        }
        slot.PutString(StringView(units, size_t(out - units)));
        return close + 1;
    }
    // The keywords as the machine reads them: lower case, then a delimiter.
    const auto keyword = [&](const char16_t* word, int64_t n) {
        return length - pos > n && std::memcmp(text + pos, word, size_t(n) * sizeof(char16_t)) == 0 &&
               Is(text[pos + n], kDelim);
    };
    if (c == u't' && keyword(u"true", 4)) {
        slot.PutBoolean(true);
        return pos + 4;
    }
    if (c == u'f' && keyword(u"false", 5)) {
        slot.PutBoolean(false);
        return pos + 5;
    }
    if (c == u'n' && keyword(u"null", 4)) {
        slot.PutNull();
        return pos + 4;
    }
    return -1;
}

} // namespace

// ---- tokenizer ----------------------------------------------------------------------------------------

void TJsonTokenizer::Reset()
{
    for (int d = depth; d >= 0; --d)
        ResetLevel(d);
    depth = 0;
    err = teSuccess;
    eval_count = 0;
    completed = nullptr;
}

// ---- the machine --------------------------------------------------------------------------------------

JsonRef ParseEx(TJsonTokenizer& tok, const char16_t* text, int64_t length, bool endsWithNul, IJsonObject* self,
                TJsonFindOptions options, const JsonRef& put, TJsonType dt)
{
    tok.char_offset = 0;
    tok.err = teSuccess;
    TJsonWriterString& pb = tok.pb;
    const bool putting = options & foPutValue;
    const bool deleting = options & foDelete;
    const bool creating = options & foCreatePath;
    int64_t pos = 0;
    // The containers made here join the live count when the run stops, however it stops.
    struct MadeCount {
        int32_t count = 0;
        ~MadeCount() { TJsonObject::CountLive(count); }
    } made;

    for (;;) {
        if (pos >= length && !endsWithNul) {
            const TJsonTokenerSrec& top = tok.stack[tok.depth];
            tok.err = tok.depth == 0 && top.state == tsEatws && top.saved_state == tsFinish ? teSuccess : teContinue;
            break;
        }
        const char16_t c = pos < length ? text[pos] : u'\0';

    redo:
        TJsonTokenerSrec& L = tok.stack[tok.depth];

// Ends the level's value: the character goes on to whatever follows it.
#define FINISH(value)                                                                                                  \
    do {                                                                                                               \
        L.current = (value);                                                                                           \
        L.saved_state = tsFinish;                                                                                      \
        L.state = tsEatws;                                                                                             \
        goto redo;                                                                                                     \
    } while (0)
#define FAIL(error)                                                                                                    \
    do {                                                                                                               \
        tok.err = (error);                                                                                             \
        goto stop;                                                                                                     \
    } while (0)
// With the level waiting in tsEatws: when white space from `from` on ends, within this text, at a
// character that does not open a comment, that character goes straight to the state waited for.
#define SKIP_WHITE_TO(from)                                                                                            \
    if (const int64_t next_ = SkipWhite(text, (from), length); next_ < length && text[next_] != u'/') {               \
        L.state = L.saved_state;                                                                                       \
        pos = next_;                                                                                                   \
        tok.char_offset = pos;                                                                                         \
        continue; /* the character loop */                                                                             \
    } else                                                                                                             \
        ((void)0)
// A member's name at `at` read in one step as above: the level goes straight to the member's value.
#define MEMBER_NAME_AT(at)                                                                                             \
    if (const int64_t at_ = (at); at_ < length && (text[at_] == u'"' || text[at_] == u'\'')) {                          \
        if (const int64_t value_ = PlainMemberName(text, at_, length, L); value_ >= 0) {                               \
            L.saved_state = tsObjectValue;                                                                             \
            L.state = tsObjectValue;                                                                                   \
            pos = value_;                                                                                              \
            tok.char_offset = pos;                                                                                     \
            continue; /* the character loop */                                                                         \
        }                                                                                                              \
    } else                                                                                                             \
        ((void)0)
#define PUSH(next)                                                                                                     \
    do {                                                                                                               \
        if (tok.depth > kJsonMaxDepth - 2)                                                                             \
            FAIL(teDepth);                                                                                             \
        L.state = (next);                                                                                              \
        ++tok.depth; /* a level above the top is clean: each is reset as it is left, and by Reset */                   \
        if (!Is(c, kWhite) && c != u'/')                                                                               \
            tok.stack[tok.depth].state = tsStart; /* as the white space state would go on */                           \
        goto redo;                                                                                                     \
    } while (0)

        switch (L.state) {
        case tsEatws:
            if (Is(c, kWhite))
                break;
            if (c == u'/') {
                pb.Reset();
                pb.AppendUnit(u'/');
                L.state = tsCommentStart;
                break;
            }
            L.state = L.saved_state;
            goto redo;

        case tsStart:
            switch (c) {
            case u'"':
            case u'\'':
                tok.quote_char = c;
                pb.Reset();
                L.state = tsString;
                break;
            case u'(':
                if (self && tok.depth == 0 && self->GetDataType() == stMethod) {
                    // A call of the context method itself: the argument list as after a name.
                    L.current = JsonRef(self);
                    L.state = tsEvalMethod;
                }
                break;
            case u'-':
                L.state = tsNumber;
                pb.Reset();
                tok.is_double = 0;
                goto redo;
            case u't':
            case u'T':
            case u'f':
            case u'F':
                L.state = tsBoolean;
                pb.Reset();
                tok.st_pos = 0;
                goto redo;
            case u'n':
            case u'N':
                L.state = tsNull;
                pb.Reset();
                tok.st_pos = 0;
                goto redo;
            case u'[': {
                // An array with an element ahead comes with the room for its first elements.
                const int64_t first = SkipWhite(text, pos + 1, length);
                const bool elements = first < length && text[first] != u']';
                L.current = TJsonObject::MakeUncounted(stArray, elements);
                ++made.count;
                L.saved_state = tsArray;
                L.state = tsEatws;
                SKIP_WHITE_TO(pos + 1);
                break;
            }
            case u'{': {
                // An object whose first member's name follows comes with the room for its entry.
                const int64_t first = SkipWhite(text, pos + 1, length);
                const bool members = first < length && (text[first] == u'"' || text[first] == u'\'');
                L.current = TJsonObject::MakeUncounted(stObject, members);
                ++made.count;
                L.saved_state = tsObjectFieldStart;
                L.state = tsEatws;
                MEMBER_NAME_AT(first);
                SKIP_WHITE_TO(pos + 1);
                break;
            }
            default:
                if (c >= u'0' && c <= u'9') {
                    if (self && tok.depth == 0 && self->GetDataType() == stObject) {
                        // A member name that begins with a digit.
                        L.current = JsonRef(self);
                        pb.Reset();
                        L.state = tsIdentifier;
                        goto redo;
                    }
                    L.state = tsNumber;
                    pb.Reset();
                    tok.is_double = 0;
                    goto redo;
                }
                pb.Reset();
                L.state = tsIdentifier;
                goto redo;
            }
            break;

        case tsFinish:
            if (tok.depth == 0)
                goto stop;
            tok.completed = std::move(L.current);
            tok.ResetLevel(tok.depth);
            --tok.depth;
            goto redo;

        case tsNull:
            pb.AppendUnit(c);
            if (!KeywordPrefix(pb, u"null", std::min(tok.st_pos + 1, 4))) {
                pb.Truncate(pb.Length() - 1);
                L.state = tsIdentifier;
                goto redo;
            }
            if (tok.st_pos == 4) {
                if (Is(c, kDelim))
                    FINISH(TJsonObject::Make(stNull));
                L.state = tsIdentifier;
            }
            ++tok.st_pos;
            break;

        case tsBoolean:
            pb.AppendUnit(c);
            if (KeywordPrefix(pb, u"true", std::min(tok.st_pos + 1, 4))) {
                if (tok.st_pos == 4) {
                    if (Is(c, kDelim))
                        FINISH(TJsonObject::Make(true));
                    L.state = tsIdentifier;
                }
            } else if (KeywordPrefix(pb, u"false", std::min(tok.st_pos + 1, 5))) {
                if (tok.st_pos == 5) {
                    if (Is(c, kDelim))
                        FINISH(TJsonObject::Make(false));
                    L.state = tsIdentifier;
                }
            } else {
                pb.Truncate(pb.Length() - 1);
                L.state = tsIdentifier;
                goto redo;
            }
            ++tok.st_pos;
            break;

        case tsCommentStart:
            if (c == u'*')
                L.state = tsComment;
            else if (c == u'/')
                L.state = tsCommentEol;
            else
                FAIL(teParseComment);
            break;

        case tsComment:
            if (c == u'*')
                L.state = tsCommentEnd;
            break;

        case tsCommentEol:
            if (c == u'\n')
                L.state = tsEatws;
            break;

        case tsCommentEnd:
            L.state = c == u'/' ? tsEatws : tsComment;
            break;

        case tsString:
            if (c == tok.quote_char) {
                L.current = TJsonObject::Make(BufferText(pb));
                L.saved_state = tsFinish;
                L.state = tsEatws;
                break;
            }
            if (c == u'\\') {
                L.saved_state = tsString;
                L.state = tsStringEscape;
                break;
            }
            if (c != 0) {
                pos = AppendPlainRun(pb, text, pos, length, tok.quote_char);
                tok.char_offset = pos;
                continue;
            }
            pb.AppendUnit(c);
            break;

        case tsStringEscape:
            switch (c) {
            case u'b': pb.AppendUnit(u'\b'); break;
            case u'f': pb.AppendUnit(u'\f'); break;
            case u'n': pb.AppendUnit(u'\n'); break;
            case u'r': pb.AppendUnit(u'\r'); break;
            case u't': pb.AppendUnit(u'\t'); break;
            case u'u':
            case u'x':
                tok.ucs_char = 0;
                tok.st_pos = 0;
                L.state = c == u'u' ? tsEscapeUnicode : tsEscapeHexadecimal;
                goto advance;
            default:
                pb.AppendUnit(c);
                break;
            }
            L.state = L.saved_state;
            break;

        case tsEscapeUnicode:
        case tsEscapeHexadecimal: {
            const int digits = L.state == tsEscapeUnicode ? 4 : 2;
            const int v = core::HexDigitValue(c);
            if (v < 0)
                FAIL(teParseString);
            tok.ucs_char = char16_t(tok.ucs_char + (v << (4 * (digits - 1 - tok.st_pos))));
            if (++tok.st_pos == digits) {
                pb.AppendUnit(tok.ucs_char);
                L.state = L.saved_state;
            }
            break;
        }

        case tsIdentifier:
            if (!self) {
                if (c > 255) {
                    pb.AppendUnit(c);
                    break;
                }
                // Words end at the separators of the container they sit in; at the top level only
                // the end of the text ends them.
                bool end = c == 0;
                if (!end && tok.depth > 0) {
                    const TJsonTokenerState outer = tok.stack[tok.depth - 1].state;
                    if (outer == tsArrayAdd)
                        end = c == u',' || c == u']';
                    else if (outer == tsObjectValueAdd)
                        end = c == u',' || c == u'}';
                }
                if (end)
                    FINISH(TJsonObject::Make(BufferText(pb)));
                if (c == u'\\') {
                    L.saved_state = tsIdentifier;
                    L.state = tsStringEscape;
                    break;
                }
                pb.AppendUnit(c);
                break;
            }
            if (c > 255 || !Is(c, kDelim)) {
                pb.AppendUnit(c);
                break;
            }
            {
                // A path step ends: the name in the buffer is looked up in the value reached so far.
                L.gparent = L.parent;
                L.parent = L.current ? L.current : JsonRef(self);
                IJsonObject* parent = L.parent.get();
                const String name(BufferText(pb));
                const bool atTop = tok.eval_count == 0;
                switch (parent->GetDataType()) {
                case stObject: {
                    TJsonTableString* table = parent->AsObject();
                    if (c == u'(' || c == u'.' || c == u'[') {
                        if (!name.empty())
                            L.current = table->GetMember(name);
                        L.state = c == u'(' ? tsEvalMethod : c == u'.' ? tsEvalProperty : tsEvalArray;
                        goto advance;
                    }
                    if (!name.empty())
                        L.current = table->GetMember(name);
                    if (putting && atTop) {
                        table->PutMember(name, put);
                        L.current = put;
                    } else if (deleting && atTop) {
                        L.current = table->Delete(name);
                    } else if (!L.current && creating) {
                        JsonRef created(new TJsonObject(dt));
                        table->PutMember(name, created);
                        L.current = created;
                    } else {
                        L.current = table->GetMember(name);
                    }
                    L.state = tsFinish;
                    goto redo;
                }
                case stArray: {
                    TJsonArray* array = parent->AsArray();
                    if (L.obj) {
                        if (L.obj->GetDataType() != stInt || L.obj->AsInteger() < 0)
                            FAIL(teEvalInt);
                        const int64_t wide = L.obj->AsInteger();
                        // An index no array can reach reads nil and stores nothing.
                        const int32_t index = wide > 0x7FFFFFFE ? -1 : int32_t(wide);
                        L.obj = nullptr;
                        L.current = array->GetItem(index);
                        if (c == u'(') {
                            L.state = tsEvalMethod;
                        } else if (c == u'.') {
                            if (!L.current) {
                                JsonRef created = TJsonObject::Make(stObject);
                                if (!creating || !array->PutItem(index, created))
                                    FAIL(teEvalObject);
                                L.current = created;
                            }
                            L.state = tsEvalProperty;
                        } else if (c == u'[') {
                            if (!L.current) {
                                JsonRef created = TJsonObject::Make(stArray);
                                if (!creating || array->Add(created) < 0)
                                    FAIL(teEvalArray);
                                L.current = created;
                            }
                            L.state = tsEvalArray;
                        } else {
                            if (putting && atTop)
                                L.current = array->PutItem(index, put) ? put : nullptr;
                            else if (deleting && atTop)
                                L.current = array->Delete(index);
                            L.state = tsFinish;
                            goto redo;
                        }
                        goto advance;
                    }
                    // Empty brackets: the last element, or a new one at the end.
                    JsonRef last = array->GetItem(array->Length() - 1);
                    if (c == u'(') {
                        L.current = putting ? nullptr : last;
                        L.state = tsEvalMethod;
                    } else if (c == u'.' || c == u'[') {
                        if (putting) {
                            JsonRef created = TJsonObject::Make(c == u'.' ? stObject : stArray);
                            L.current = array->Add(created) >= 0 ? created : nullptr;
                        } else {
                            L.current = last;
                        }
                        L.state = c == u'.' ? tsEvalProperty : tsEvalArray;
                    } else {
                        if (putting && atTop)
                            L.current = array->Add(put) >= 0 ? put : nullptr;
                        else if (name.empty())
                            L.current = last;
                        L.state = tsFinish;
                        goto redo;
                    }
                    goto advance;
                }
                case stMethod: {
                    const TJsonMethod method = parent->AsMethod();
                    if (c == u'(' || c == u'.' || c == u'[') {
                        L.current = nullptr;
                        if (method)
                            method(L.gparent, L.obj, L.current);
                        L.obj = nullptr;
                        pb.Reset();
                        if (c != u'.')
                            L.state = c == u'(' ? tsEvalMethod : tsEvalArray;
                        goto advance;
                    }
                    if (putting && atTop)
                        FAIL(teEvalMethod);
                    L.current = nullptr;
                    if (method)
                        method(L.gparent, L.obj, L.current);
                    L.obj = nullptr;
                    L.state = tsFinish;
                    goto redo;
                }
                default:
                    // Nothing can be looked up in a scalar: the path runs on to its end and fails.
                    break;
                }
            }
            break;

        case tsNumber:
            if (Is(c, kNumber)) {
                int64_t end = pos;
                while (end < length && Is(text[end], kNumber)) {
                    if (text[end] == u'.' || text[end] == u'e' || text[end] == u'E')
                        tok.is_double = 1;
                    ++end;
                }
                pb.Append(text + pos, int(end - pos));
                pos = end;
                tok.char_offset = pos;
                continue;
            }
            {
                bool isInteger = false;
                int64_t integer = 0;
                TJsonSlot made{};
                NumberValue(pb.View(), tok.is_double != 0, isInteger, integer, made);
                JsonRef value = JsonRef::Adopt(made.Take());
                if (isInteger && self && self->GetDataType() == stArray) {
                    // A number on an array context is an index.
                    TJsonArray* array = self->AsArray();
                    const int32_t index = integer < 0 || integer > 0x7FFFFFFE ? -1 : int32_t(integer);
                    if (putting && tok.eval_count == 0)
                        value = array->PutItem(index, put) ? put : nullptr;
                    else if (deleting && tok.eval_count == 0)
                        value = array->Delete(index);
                    else
                        value = array->GetItem(index);
                }
                FINISH(std::move(value));
            }

        case tsArray:
            if (c == u']') {
                L.saved_state = tsFinish;
                L.state = tsEatws;
                break;
            }
            if (!self && pos < length && c != u'{' && c != u'[' && tok.depth <= kJsonMaxDepth - 2) {
                TJsonSlot value{};
                const int64_t end = InlineScalar(text, pos, length, value);
                if (end >= 0) {
                    if (TJsonSlot* slot = L.current->AsArray()->AddSlot())
                        *slot = value;
                    else
                        value.Release();
                    L.saved_state = tsArraySep;
                    L.state = tsEatws;
                    // A comma after the element: on to the next one without the separator's state.
                    if (const int64_t comma = SkipWhite(text, end, length); comma < length && text[comma] == u',') {
                        L.saved_state = tsArray;
                        SKIP_WHITE_TO(comma + 1);
                        L.saved_state = tsArraySep;
                    }
                    SKIP_WHITE_TO(end);
                    pos = end;
                    tok.char_offset = pos;
                    continue;
                }
            }
            PUSH(tsArrayAdd);

        case tsArrayAdd:
            L.current->AsArray()->Add(std::move(tok.completed));
            L.saved_state = tsArraySep;
            L.state = tsEatws;
            SKIP_WHITE_TO(pos);
            goto redo;

        case tsArraySep:
            if (c == u']')
                L.saved_state = tsFinish;
            else if (c == u',')
                L.saved_state = tsArray;
            else
                FAIL(teParseArray);
            L.state = tsEatws;
            if (c == u',') {
                SKIP_WHITE_TO(pos + 1);
            }
            break;

        case tsObjectFieldStart:
            if (c == u'}') {
                L.saved_state = tsFinish;
                L.state = tsEatws;
                break;
            }
            if (c == u'"' || c == u'\'') {
                MEMBER_NAME_AT(pos);
                tok.quote_char = c;
                pb.Reset();
                L.state = tsObjectField;
                break;
            }
            if (Is(c, kDelim))
                FAIL(teParseObjectKeyName);
            pb.Reset();
            L.state = tsObjectUnquotedField;
            goto redo;

        case tsObjectField:
            if (c == tok.quote_char) {
                L.field_name = BufferText(pb);
                L.field = L.field_name;
                L.field_hash = TJsonAvlEntry::Hash(L.field);
                L.saved_state = tsObjectFieldEnd;
                L.state = tsEatws;
                break;
            }
            if (c == u'\\') {
                L.saved_state = tsObjectField;
                L.state = tsStringEscape;
                break;
            }
            if (c != 0) {
                pos = AppendPlainRun(pb, text, pos, length, tok.quote_char);
                tok.char_offset = pos;
                continue;
            }
            pb.AppendUnit(c);
            break;

        case tsObjectUnquotedField:
            if (c == 0 || c == u':') {
                L.field_name = BufferText(pb);
                L.field = L.field_name;
                L.field_hash = TJsonAvlEntry::Hash(L.field);
                L.saved_state = tsObjectFieldEnd;
                L.state = tsEatws;
                goto redo;
            }
            if (c == u'\\') {
                L.saved_state = tsObjectUnquotedField;
                L.state = tsStringEscape;
                break;
            }
            pb.AppendUnit(c);
            break;

        case tsObjectFieldEnd:
            if (c != u':')
                FAIL(teParseObjectKeySep);
            L.saved_state = tsObjectValue;
            L.state = tsEatws;
            break;

        case tsObjectValue:
            if (!self && pos < length && c != u'{' && c != u'[' && tok.depth <= kJsonMaxDepth - 2) {
                TJsonSlot value{};
                const int64_t end = InlineScalar(text, pos, length, value);
                if (end >= 0) {
                    TJsonTableString* table = L.current->AsObject();
                    table->InsertEntry(table->NewEntry(L.field, L.field_hash, value));
                    L.field = {};
                    L.saved_state = tsObjectSep;
                    L.state = tsEatws;
                    // A comma after the member: on to the next member's name without the separator's state.
                    if (const int64_t comma = SkipWhite(text, end, length); comma < length && text[comma] == u',') {
                        MEMBER_NAME_AT(SkipWhite(text, comma + 1, length));
                    }
                    SKIP_WHITE_TO(end);
                    pos = end;
                    tok.char_offset = pos;
                    continue;
                }
            }
            // The member's entry is made before its value, so that a document's blocks lie in the order
            // the writer visits them.
            if (tok.depth <= kJsonMaxDepth - 2) {
                TJsonTableString* table = L.current->AsObject();
                TJsonAvlEntry* entry = table->InsertEntry(table->NewEntry(L.field, L.field_hash, TJsonSlot{}));
                L.field = {};
                L.member = &entry->Slot();  // nil: a member of the same name read before has gone
            }
            PUSH(tsObjectValueAdd);

        case tsObjectValueAdd:
            L.member->PutObject(tok.completed.Detach());
            L.member = nullptr;
            L.saved_state = tsObjectSep;
            L.state = tsEatws;
            SKIP_WHITE_TO(pos);
            goto redo;

        case tsObjectSep:
            if (c == u'}')
                L.saved_state = tsFinish;
            else if (c == u',')
                L.saved_state = tsObjectFieldStart;
            else
                FAIL(teParseObjectValueSep);
            L.state = tsEatws;
            if (c == u',') {
                MEMBER_NAME_AT(SkipWhite(text, pos + 1, length));
                SKIP_WHITE_TO(pos + 1);
            }
            break;

        case tsEvalProperty:
        case tsEvalArray: {
            const TJsonType kind = L.state == tsEvalProperty ? stObject : stArray;
            if (!L.current && creating && L.parent) {
                JsonRef created = TJsonObject::Make(kind);
                if (TJsonTableString* table = L.parent->AsObject())
                    table->PutMember(BufferText(pb), created);
                else if (TJsonArray* array = L.parent->AsArray())
                    array->Add(created);
                L.current = created;
            } else if (!L.current || L.current->GetDataType() != kind) {
                FAIL(kind == stObject ? teEvalObject : teEvalArray);
            }
            pb.Reset();
            L.state = kind == stObject ? tsIdentifier : tsParamValue;
            goto redo;
        }

        case tsParamValue:
            if (c == u']') {
                L.state = tsIdentifier;
                break;
            }
            ++tok.eval_count;
            PUSH(tsParamPut);

        case tsParamPut:
            --tok.eval_count;
            L.obj = std::move(tok.completed);
            pb.Reset();
            L.saved_state = tsIdentifier;
            L.state = tsEatws;
            if (c != u']')
                FAIL(teEvalArray);
            break;

        case tsEvalMethod:
            if (!L.current || !L.current->AsMethod())
                FAIL(teEvalMethod);
            pb.Reset();
            L.obj = TJsonObject::Make(stArray);
            L.state = tsMethodValue;
            goto redo;

        case tsMethodValue:
            if (c == u')') {
                L.state = tsIdentifier;
                break;
            }
            ++tok.eval_count;
            PUSH(tsMethodPut);

        case tsMethodPut: {
            // Each argument was counted as it opened, so each one closes its count here.
            --tok.eval_count;
            TJsonArray* args = L.obj->AsArray();
            args->Add(tok.completed);
            tok.completed = nullptr;
            if (c == u')') {
                if (args->Length() == 1)
                    L.obj = args->GetItem(0);
                L.saved_state = tsIdentifier;
            } else if (c == u',') {
                L.saved_state = tsMethodValue;
            } else {
                FAIL(teEvalMethod);
            }
            pb.Reset();
            L.state = tsEatws;
            break;
        }
        }
#undef FINISH
#undef FAIL
#undef PUSH
#undef SKIP_WHITE_TO
#undef MEMBER_NAME_AT

    advance:
        ++pos;
        tok.char_offset = pos;
        if (c == 0) {
            // The end of the text: only a complete value at the top level is a success.
            const TJsonTokenerSrec& top = tok.stack[tok.depth];
            if (tok.depth != 0 || (top.state != tsFinish && top.saved_state != tsFinish))
                tok.err = teParseEof;
            break;
        }
    }

stop:
    if (tok.err != teSuccess)
        return nullptr;
    TJsonTokenerSrec& top = tok.stack[0];
    if ((options & foCallMethod) && top.current && top.current->AsMethod()) {
        JsonRef result;
        top.current->AsMethod()(top.parent, put, result);
        return result;
    }
    return top.current;
}

// ---- entry points -------------------------------------------------------------------------------------

JsonRef ParseString(StringView text, bool partial, IJsonObject* self, TJsonFindOptions options, const JsonRef& put,
                    TJsonType dt, TJsonTokenizerError* error)
{
    TJsonTokenizer tok;
    JsonRef value = ParseEx(tok, text.data(), int64_t(text.size()), true, self, options, put, dt);
    if (error)
        *error = tok.err;
    if (tok.err != teSuccess)
        return nullptr;
    if (!partial && tok.char_offset < int64_t(text.size()) && text[size_t(tok.char_offset)] != 0)
        return nullptr;
    return value;
}

JsonRef ParseStream(core::Stream& stream, bool partial, IJsonObject* self, TJsonFindOptions options, const JsonRef& put,
                    TJsonType dt, TJsonTokenizerError* error)
{
    TJsonTokenizer tok;
    JsonRef value;
    unsigned char bytes[1024];
    char16_t units[1024];
    bool leftOver = false;
    for (;;) {
        const int64_t n = stream.Read(bytes, sizeof(bytes));
        if (n <= 0) {
            // The end of the data is the end of the text.
            value = ParseEx(tok, units, 0, true, self, options, put, dt);
            break;
        }
        for (int64_t i = 0; i < n; ++i)
            units[i] = bytes[i];
        value = ParseEx(tok, units, n, false, self, options, put, dt);
        if (tok.err == teContinue || (tok.err == teSuccess && tok.char_offset == n))
            continue;
        leftOver = tok.char_offset < n && units[tok.char_offset] != 0;
        break;
    }
    if (error)
        *error = tok.err;
    if (tok.err != teSuccess || (!partial && leftOver))
        return nullptr;
    return value;
}

JsonRef ParseFile(const String& fileName, bool partial, IJsonObject* self, TJsonFindOptions options, const JsonRef& put,
                  TJsonType dt, TJsonTokenizerError* error)
{
    try {
        core::FileStream file(fileName, core::fmOpenRead | core::fmShareDenyWrite);
        return ParseStream(file, partial, self, options, put, dt, error);
    } catch (const core::Exception&) {
        if (error)
            *error = teParseEof;
        return nullptr;
    }
}

} // namespace support
