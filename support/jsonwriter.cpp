// The JSON writer: the sinks, and values turned into text (compact or indented, with full or
// minimal escaping).
//
// Layout: indented text puts each member on a line of its own (CR LF, then one blank per level, the
// level taken modulo 256) and keeps array elements on one line. Escaping: full mode writes every unit
// outside 32..127 as an escape (\b \t \n \f \r, else \u and four lower-case hex digits), minimal mode
// only the quotation mark, the backslash and the slash. Numbers are JSON numbers whatever the locale:
// 15 significant digits, a whole double ends in ".0" so that it reads back as a double, and a NaN or an
// infinity (which JSON cannot express) is written as null.
#include "support/jsonwriter.h"

#include "core/exception.h"
#include "core/stream.h"
#include "support/jsonarray.h"
#include "support/jsontable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace support {

// ---- sinks --------------------------------------------------------------------------------------------

int TJsonWriter::Append(const char16_t* buffer)
{
    return Append(buffer, int(std::char_traits<char16_t>::length(buffer)));
}

void TJsonWriterString::Grow(int size)
{
    const size_t capacity = FBuf.capacity() + 1;  // the NUL's unit counts
    FBuf.reserve(std::max(capacity * 2, FBuf.size() + size_t(size) + 8) - 1);
}

void TJsonWriterString::TrimRight()
{
    const size_t end = FBuf.find_last_not_of(u' ');
    FBuf.resize(end == String::npos ? 0 : end + 1);
}

namespace {

const char kHex[] = "0123456789abcdef";

// Units as bytes, each above 255 as its \u escape, through a local buffer for short pieces.
template <class Sink> auto WithBytes(const char16_t* buffer, int size, Sink&& sink)
{
    int64_t bytes = size;
    for (int i = 0; i < size; ++i)
        if (buffer[i] > 255)
            bytes += 5;
    char local[1024];
    std::string heap;
    char* out = local;
    if (bytes > int64_t(sizeof(local))) {
        heap.resize(size_t(bytes));
        out = heap.data();
    }
    char* p = out;
    for (int i = 0; i < size; ++i) {
        const char16_t c = buffer[i];
        if (c <= 255) {
            *p++ = char(c);
        } else {
            *p++ = '\\';
            *p++ = 'u';
            *p++ = kHex[c >> 12];
            *p++ = kHex[(c >> 8) & 15];
            *p++ = kHex[(c >> 4) & 15];
            *p++ = kHex[c & 15];
        }
    }
    return sink(out, int64_t(p - out));
}

} // namespace

int TJsonWriterStream::Append(const char16_t* buffer, int size)
{
    if (size <= 0)
        return size;
    return int(WithBytes(buffer, size, [&](const char* bytes, int64_t count) { return FStream.Write(bytes, count); }));
}

void TJsonWriterStream::Reset() { FStream.SetSize(0); }

int TJsonWriterSock::Append(const char16_t* buffer, int size)
{
    if (size <= 0)
        return size;
    const int sent =
        WithBytes(buffer, size, [&](const char* bytes, int64_t count) { return JsonSocketSend(FSocket, bytes, int(count)); });
    if (sent < 0)
        FFailed = true;
    else
        FSize += sent;
    return sent;
}

// ---- values into text ---------------------------------------------------------------------------------

namespace {

const char16_t kLineBreak[] = u"\r\n                                                                "
                              u"                                                                "
                              u"                                                                "
                              u"                                                                ";

// Where the text goes. Every sink is reached through one of three outputs known at compile time,
// so that no token costs a virtual call: the caller's sink (each piece passed on as it is made, the
// last result kept), text built straight in a buffer of units (AsJSon) and a count (CalcSize). The
// same emitting code serves all three, so CalcSize always equals the length AsJSon gives.
struct SinkOut {
    TJsonWriter& w;
    int Append(const char16_t* s, int n) { return w.Append(s, n); }
};

// Units in a block of its own that grows by realloc (which, for large blocks, remaps pages instead of
// copying them); the String is made once, at the exact length, at the end.
class TextOut {
public:
    TextOut() = default;
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;
    ~TextOut() { std::free(FBuf); }

    int Append(const char16_t* s, int n)
    {
        if (n <= 0)
            return n;
        if (FEnd - FPos < n)
            Grow(n);
        if (n <= 8) {
            for (int i = 0; i < n; ++i)
                FPos[i] = s[i];
        } else {
            std::memcpy(FPos, s, size_t(n) * sizeof(char16_t));
        }
        FPos += n;
        return n;
    }
    // Room for n more units, which the caller fills and then passes to Commit.
    char16_t* Room(int n)
    {
        if (FEnd - FPos < n)
            Grow(n);
        return FPos;
    }
    void Commit(char16_t* end) { FPos = end; }
    String Take() const { return FBuf ? String(FBuf, size_t(FPos - FBuf)) : String(); }

private:
    void Grow(int n)
    {
        const size_t length = size_t(FPos - FBuf);
        const size_t capacity = std::max<size_t>({256, size_t(FEnd - FBuf) * 2, length + size_t(n)});
        auto* grown = static_cast<char16_t*>(std::realloc(FBuf, capacity * sizeof(char16_t)));
        if (!grown)
            throw std::bad_alloc();
        FBuf = grown;
        FPos = grown + length;
        FEnd = grown + capacity;
    }

    char16_t* FBuf = nullptr;
    char16_t* FPos = nullptr;
    char16_t* FEnd = nullptr;
};

struct CountOut {
    int64_t size = 0;
    int Append(const char16_t*, int n)
    {
        size += n;
        return int(size);
    }
};

template <class Out> int LineBreak(Out& w, int level)
{
    return w.Append(kLineBreak, 2 + (level & 0xFF));
}

// Which units need an escape: 1 = short escape, 2 = \u form (full mode; minimal mode escapes only the
// quotation mark, the backslash and the slash).
struct EscapeTable {
    unsigned char full[128];
    EscapeTable()
    {
        for (int c = 0; c < 128; ++c)
            full[c] = c < 32 ? 2 : 0;
        for (int c : {8, 9, 10, 12, 13, int('"'), int('\\'), int('/')})
            full[c] = 1;
    }
};
const EscapeTable kEscape;

inline bool Plain(char16_t c, bool escape)
{
    if (c < 128)
        return escape ? kEscape.full[c] == 0 : (c != u'"' && c != u'\\' && c != u'/');
    return !escape;
}

template <class Out> int WriteEscaped(Out& w, StringView text, bool escape)
{
    const char16_t* s = text.data();
    const size_t n = text.size();
    size_t run = 0;
    int result = 0;
    char16_t buf[6] = {u'\\', u'u', u'0', u'0', u'0', u'0'};
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (Plain(c, escape))
            continue;
        char16_t shortEscape = 0;
        switch (c) {
        case u'"': case u'\\': case u'/': shortEscape = c; break;
        case 8: shortEscape = u'b'; break;
        case 9: shortEscape = u't'; break;
        case 10: shortEscape = u'n'; break;
        case 12: shortEscape = u'f'; break;
        case 13: shortEscape = u'r'; break;
        default: break;
        }
        if (i > run)
            w.Append(s + run, int(i - run));
        run = i + 1;
        if (shortEscape) {
            buf[1] = shortEscape;
            result = w.Append(buf, 2);
        } else {
            buf[1] = u'u';
            buf[2] = char16_t(kHex[c >> 12]);
            buf[3] = char16_t(kHex[(c >> 8) & 15]);
            buf[4] = char16_t(kHex[(c >> 4) & 15]);
            buf[5] = char16_t(kHex[c & 15]);
            result = w.Append(buf, 6);
        }
    }
    if (n > run)
        result = w.Append(s + run, int(n - run));
    return result;
}

template <class Out> int WriteAscii(Out& w, const char* text, size_t n)
{
    if constexpr (requires { w.Room(1); }) {
        char16_t* out = w.Room(int(n));
        for (size_t i = 0; i < n; ++i)
            out[i] = char16_t(text[i]);
        w.Commit(out + n);
        return int(n);
    }
    char16_t wide[40];
    for (size_t i = 0; i < n; ++i)
        wide[i] = char16_t(text[i]);
    return w.Append(wide, int(n));
}

// The value rounded to 15 significant digits, laid out as printf's "%.15g" does (trailing zeros
// dropped; exponent form below 1e-4 and from 1e15), plus ".0" when the text would read as an integer.
// When the shortest text that reads back as the value has at most 15 digits, those are the digits:
// the value lies within half a unit in the 17th place of them, far inside half a unit in the 15th, so
// rounding to 15 gives them again. Only longer ones need the exact (and slower) 15-digit conversion.
// Most doubles met are short decimals (text read back): when |d| × 10^k is a whole number below 10^15
// for some k whose quotient by 10^k gives |d| back, that number with the point k places from the right
// is the 15-digit text (d lies within half an ulp of it), found without a general conversion. Returns
// 0 when that is not so, and for the exponent form's range.
size_t FormatShortDecimal(double d, char* out)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double a = std::fabs(d);
    if (!(a >= 1e-4 && a < 1e15))
        return 0;
    for (int k = 0; k < 16; ++k) {
        const double r = a * kPowers[k];
        if (r >= 1e15)
            return 0;
        // r is below 2^63 here, so the conversion is exact for whole numbers (and cheaper than floor).
        if (r != double(int64_t(r)) || r / kPowers[k] != a)
            continue;
        char digits[24];
        int n = int(std::to_chars(digits, digits + sizeof(digits), uint64_t(r)).ptr - digits);
        while (k > 0 && digits[n - 1] == '0') {
            --n;
            --k;
        }
        char* o = out;
        if (d < 0)
            *o++ = '-';
        if (k == 0) {
            std::memcpy(o, digits, size_t(n));
            o += n;
            *o++ = '.';
            *o++ = '0';
        } else if (n > k) {
            std::memcpy(o, digits, size_t(n - k));
            o += n - k;
            *o++ = '.';
            std::memcpy(o, digits + n - k, size_t(k));
            o += k;
        } else {
            *o++ = '0';
            *o++ = '.';
            for (int i = n; i < k; ++i)
                *o++ = '0';
            std::memcpy(o, digits, size_t(n));
            o += n;
        }
        return size_t(o - out);
    }
    return 0;
}

size_t FormatDouble(double d, char* out)
{
    if (const size_t n = FormatShortDecimal(d, out))
        return n;
    char sci[40];
    const char* sciEnd = std::to_chars(sci, sci + sizeof(sci), d, std::chars_format::scientific).ptr;
    const bool negative = sci[0] == '-';
    const char* p = sci + (negative ? 1 : 0);
    {
        const char* e = p;
        while (e < sciEnd && *e != 'e')
            ++e;
        if (e - p - (e - p > 1 ? 1 : 0) > 15)
            sciEnd = std::to_chars(sci, sci + sizeof(sci), d, std::chars_format::scientific, 14).ptr;
    }
    char digits[20];
    int count = 0;
    digits[count++] = *p++;
    if (*p == '.')
        ++p;
    while (p < sciEnd && *p != 'e')
        digits[count++] = *p++;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), sciEnd, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;

    char* o = out;
    if (negative)
        *o++ = '-';
    if (exponent < -4 || exponent >= 15) {
        *o++ = digits[0];
        if (count > 1) {
            *o++ = '.';
            for (int i = 1; i < count; ++i)
                *o++ = digits[i];
        }
        *o++ = 'e';
        *o++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            *o++ = '0';
        o = std::to_chars(o, o + 4, magnitude).ptr;
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i)
            *o++ = i < count ? digits[i] : '0';
        *o++ = '.';
        if (count > exponent + 1) {
            for (int i = exponent + 1; i < count; ++i)
                *o++ = digits[i];
        } else {
            *o++ = '0';
        }
    } else {
        *o++ = '0';
        *o++ = '.';
        for (int i = -1; i > exponent; --i)
            *o++ = '0';
        for (int i = 0; i < count; ++i)
            *o++ = digits[i];
    }
    return size_t(o - out);
}

template <class Out> int WriteDouble(Out& w, double d)
{
    if (!std::isfinite(d))
        return w.Append(u"null", 4);
    char text[40];
    return WriteAscii(w, text, FormatDouble(d, text));
}

// Digits two at a time, straight into units.
const struct DigitPairs {
    char16_t units[200];
    constexpr DigitPairs() : units()
    {
        for (int i = 0; i < 100; ++i) {
            units[2 * i] = char16_t(u'0' + i / 10);
            units[2 * i + 1] = char16_t(u'0' + i % 10);
        }
    }
} kDigitPairs;

template <class Out> int WriteInt(Out& w, int64_t i)
{
    char16_t text[24];
    char16_t* end = text + sizeof(text) / sizeof(text[0]);
    char16_t* p = end;
    uint64_t v = i < 0 ? 0 - uint64_t(i) : uint64_t(i);
    while (v >= 100) {
        const unsigned pair = unsigned(v % 100);
        v /= 100;
        p -= 2;
        p[0] = kDigitPairs.units[2 * pair];
        p[1] = kDigitPairs.units[2 * pair + 1];
    }
    if (v >= 10) {
        p -= 2;
        p[0] = kDigitPairs.units[2 * v];
        p[1] = kDigitPairs.units[2 * v + 1];
    } else {
        *--p = char16_t(u'0' + v);
    }
    if (i < 0)
        *--p = u'-';
    return w.Append(p, int(end - p));
}

} // namespace

inline bool TJsonObject::Skipped(const TJsonObject* item)
{
    return item && (item->FDataType == stMethod || item->FProcessing);
}

namespace {

template <class Out> int WriteString(Out& w, StringView text, bool escape)
{
    w.Append(u"\"", 1);
    WriteEscaped(w, text, escape);
    w.Append(u"\"", 1);
    return 0;
}

// A value held in place in its container's slot.
template <class Out> int WriteInPlace(Out& w, const TJsonSlot& slot, bool escape)
{
    switch (slot.Kind()) {
    case stBoolean:
        return slot.v.c_boolean ? w.Append(u"true", 4) : w.Append(u"false", 5);
    case stDouble:
        return WriteDouble(w, slot.v.c_double);
    case stInt:
        return WriteInt(w, slot.v.c_int);
    case stString:
        return WriteString(w, slot.Text(), escape);
    default:
        return w.Append(u"null", 4);
    }
}

} // namespace

template <class Out> int TJsonObject::EmitScalar(Out& w, bool escape)
{
    switch (FDataType) {
    case stNull:
        return w.Append(u"null", 4);
    case stBoolean:
        return FO.c_boolean ? w.Append(u"true", 4) : w.Append(u"false", 5);
    case stDouble:
        return WriteDouble(w, FO.c_double);
    case stInt:
        return WriteInt(w, FO.c_int);
    case stString:
        return WriteString(w, Text(), escape);
    default:
        return 0;  // a method writes nothing
    }
}

// An element or member: a value in place, nil (null) or the object `item` the slot holds.
template <class Out> int TJsonObject::EmitSlot(Out& w, const TJsonSlot& slot, TJsonObject* item, bool indent,
                                               bool escape, int level)
{
    if (slot.InPlace())
        return WriteInPlace(w, slot, escape);
    if (!item)
        return w.Append(u"null", 4);
    if (item->FDataType == stObject || item->FDataType == stArray)
        return item->Emit(w, indent, escape, level);
    return item->EmitScalar(w, escape);  // nothing to mark, so no frame of the container kind
}

// The object a slot holds without making one of a value in place (nil then).
inline TJsonObject* TJsonObject::SlotObject(const TJsonSlot& slot)
{
    return slot.InPlace() ? nullptr : static_cast<TJsonObject*>(slot.Get());
}

// TJsonObject is the only class behind IJsonObject, so elements and members are followed without a
// virtual call.
template <class Out> int TJsonObject::Emit(Out& w, bool indent, bool escape, int level)
{
    if (FProcessing)
        return w.Append(u"null", 4);
    // Only a container can lead back to itself, so only containers are marked.
    struct Mark {
        bool* flag;
        explicit Mark(bool* f) : flag(f)
        {
            if (flag)
                *flag = true;
        }
        ~Mark()
        {
            if (flag)
                *flag = false;
        }
    } mark(FDataType == stObject || FDataType == stArray ? &FProcessing : nullptr);
    switch (FDataType) {
    case stNull:
    case stBoolean:
    case stDouble:
    case stInt:
    case stString:
    case stMethod:
        return EmitScalar(w, escape);
    case stObject: {
        if (Table()->IsEmpty())
            return w.Append(u"{}", 2);
        w.Append(u"{", 1);
        if (indent)
            ++level;
        bool first = true;
        TJsonAvlIterator it(*Table());
        while (it.MoveNext()) {
            const TJsonSlot& slot = it.Current()->Slot();
            TJsonObject* item = SlotObject(slot);
            if (Skipped(item))
                continue;
            if (!first)
                w.Append(u",", 1);
            first = false;
            if (indent)
                LineBreak(w, level);
            w.Append(u"\"", 1);
            WriteEscaped(w, it.Current()->Name(), escape);
            if (indent)
                w.Append(u"\": ", 3);
            else
                w.Append(u"\":", 2);
            EmitSlot(w, slot, item, indent, escape, level);
        }
        if (indent)
            LineBreak(w, --level);
        return w.Append(u"}", 1);
    }
    case stArray: {
        TJsonArray* array = Items();
        if (array->Length() == 0)
            return w.Append(u"[]", 2);
        w.Append(u"[", 1);
        if (indent)
            LineBreak(w, ++level);
        bool first = true;
        for (int32_t i = 0; i < array->Length(); ++i) {
            const TJsonSlot& slot = array->Slot(i);
            TJsonObject* item = SlotObject(slot);
            if (Skipped(item))
                continue;
            if (!first)
                w.Append(u",", 1);
            first = false;
            EmitSlot(w, slot, item, indent, escape, level);
        }
        return w.Append(u"]", 1);
    }
    }
    return 0;
}

int TJsonObject::WriteValue(TJsonWriter& w, bool indent, bool escape, int level)
{
    SinkOut out{w};
    return Emit(out, indent, escape, level);
}

String TJsonObject::AsJSon(bool indent, bool escape)
{
    TextOut out;
    Emit(out, indent, escape, 0);
    // The whole text: a string holding U+0000, written unescaped, keeps what follows it.
    return out.Take();
}

int64_t TJsonObject::SaveTo(core::Stream& stream, bool indent, bool escape)
{
    TJsonWriterStream w(stream);
    if (WriteValue(w, indent, escape, 0) < 0) {
        w.Reset();
        return 0;
    }
    return stream.Size();
}

int64_t TJsonObject::SaveTo(const String& fileName, bool indent, bool escape)
{
    try {
        core::FileStream file(fileName, core::fmCreate);
        return SaveTo(file, indent, escape);
    } catch (const core::Exception&) {
        return 0;  // the JSON part reports failure by result
    }
}

int64_t TJsonObject::SaveTo(JsonSocket socket, bool indent, bool escape)
{
    TJsonWriterSock w(socket);
    if (WriteValue(w, indent, escape, 0) < 0 || w.Failed())
        return 0;
    return w.Size();
}

int64_t TJsonObject::CalcSize(bool indent, bool escape)
{
    CountOut out;
    Emit(out, indent, escape, 0);
    return out.size;
}

} // namespace support
