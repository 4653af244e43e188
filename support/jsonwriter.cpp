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
#include "core/flagscope.h"
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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Units written straight into their final String (the one AsJSon returns, or a text buffer's own),
// so that a long text is neither copied at the end nor made twice in fresh memory; a buffer written
// again and again reuses its room. The room handed out grows a step at a time (the String fills it
// with zeros just before it is written over, so pages are touched once, while in the cache); the
// capacity grows geometrically, and once the top container is under way by a projection of its
// length from the share of its elements written, so that a large text moves at most once, early.
class TextOut {
public:
    // Appends to text; whatever happens, text holds what was written when this is gone.
    TextOut(const void* top, String& text)
        : FText(text), FPos(text.data() + text.size()), FEnd(FPos), FTop(top)
    {
    }
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;
    ~TextOut() { Finish(false); }

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
    // The top container has written `done` of its `count` elements.
    void Progress(const void* container, size_t done, size_t count)
    {
        if (container == FTop) {
            FDone = done;
            FCount = count;
        }
    }
    // Cuts the text to what was written; trim drops a short text's large unused capacity (a long
    // one's unused pages were never touched).
    void Finish(bool trim)
    {
        if (!FPos)
            return;
        const size_t length = Length();
        FText.resize(length);
        if (trim && FText.capacity() > 2 * length + 64 && length * sizeof(char16_t) < kKeepCapacity)
            FText.shrink_to_fit();
        FPos = FEnd = nullptr;
    }

private:
    static constexpr size_t kStep = 32768;             // units zero-filled ahead of the writing
    static constexpr size_t kKeepCapacity = 1 << 20;   // bytes

    size_t Length() const { return size_t(FPos - FText.data()); }
    void Grow(int n)
    {
        const size_t length = Length();
        const size_t need = length + size_t(n);
        if (need > FText.capacity()) {
            size_t capacity = std::max<size_t>({256, FText.capacity() * 2, need});
            if (FDone > 0 && FCount > FDone) {
                // The rest of the top container is likely to take what its first elements took (a
                // few large first elements must not claim many times the memory written).
                const double projected = std::min(double(length) * double(FCount) / double(FDone) * 1.125 + kStep,
                                                  8.0 * double(need));
                if (projected > double(capacity))
                    capacity = size_t(projected);
            }
            FText.resize(length);
            FText.reserve(capacity);
        }
        FText.resize(std::min(FText.capacity(), std::max(need, length + kStep)));
        FPos = FText.data() + length;
        FEnd = FText.data() + FText.size();
    }

    String& FText;
    char16_t* FPos;
    char16_t* FEnd;
    const void* FTop;
    size_t FDone = 0;
    size_t FCount = 0;
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

// Which units below 128 need an escape: in full mode the controls, the quotation mark, the backslash
// and the slash (and every unit from 128), in minimal mode only the last three.
struct EscapeTable {
    bool full[128];
    bool minimal[128];
    constexpr EscapeTable() : full(), minimal()
    {
        for (int c = 0; c < 32; ++c)
            full[c] = true;
        for (int c : {'"', '\\', '/'})
            full[c] = minimal[c] = true;
    }
};
constexpr EscapeTable kEscape;

inline bool Plain(char16_t c, bool escape)
{
    return c < 128 ? !(escape ? kEscape.full : kEscape.minimal)[c] : !escape;
}

#if defined(__SSE2__)
// Two mask bits for each of eight units that is not plain.
inline unsigned SpecialUnits(__m128i block, bool escape)
{
    __m128i special = _mm_or_si128(_mm_cmpeq_epi16(block, _mm_set1_epi16('"')),
                                   _mm_or_si128(_mm_cmpeq_epi16(block, _mm_set1_epi16('\\')),
                                                _mm_cmpeq_epi16(block, _mm_set1_epi16('/'))));
    if (escape) {
        // Below 32 (a signed compare, so units from 0x8000 count too) or from 128.
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(block, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
        special = _mm_or_si128(special, _mm_or_si128(_mm_cmplt_epi16(block, _mm_set1_epi16(32)),
                                                     _mm_andnot_si128(ascii, _mm_set1_epi16(-1))));
    }
    return unsigned(_mm_movemask_epi8(special));
}
#endif

// Writes the escape of a unit that is not plain at o; returns where it ends.
inline char16_t* PutEscape(char16_t* o, char16_t c)
{
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
    o[0] = u'\\';
    if (shortEscape) {
        o[1] = shortEscape;
        return o + 2;
    }
    o[1] = u'u';
    o[2] = char16_t(kHex[c >> 12]);
    o[3] = char16_t(kHex[(c >> 8) & 15]);
    o[4] = char16_t(kHex[(c >> 4) & 15]);
    o[5] = char16_t(kHex[c & 15]);
    return o + 6;
}

// Texts up to this length are escaped straight into an output's room (six units for each unit at
// most); longer ones go in runs, so that no output reserves six times a long text.
constexpr size_t kDirectText = 4096;

// The text between quotation marks, then `after` (the closing mark and what follows it).
template <class Out> int WriteQuoted(Out& w, StringView text, bool escape, StringView after)
{
    const char16_t* s = text.data();
    const size_t n = text.size();
    if constexpr (requires { w.Room(1); }) {
        if (n <= kDirectText) {
            char16_t* o = w.Room(int(n * 6 + 1 + after.size()));
            char16_t* start = o;
            *o++ = u'"';
            size_t i = 0;
#if defined(__SSE2__)
            // Eight units at a time: each block is stored whole, then the output resumes after its
            // plain units (the room holds six units for each one, so the store never passes it).
            for (; n - i >= 8; ++i) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), block);
                const unsigned special = SpecialUnits(block, escape);
                if (special == 0) {
                    o += 8;
                    i += 7;
                    continue;
                }
                const unsigned plain = unsigned(__builtin_ctz(special)) / 2;
                o = PutEscape(o + plain, s[i + plain]);
                i += plain;
            }
#endif
            const bool* special = escape ? kEscape.full : kEscape.minimal;
            for (; i < n; ++i) {
                const char16_t c = s[i];
                *o = c;
                if (!(c < 128 ? special[c] : escape))
                    ++o;
                else
                    o = PutEscape(o, c);
            }
            for (char16_t c : after)
                *o++ = c;
            w.Commit(o);
            return int(o - start);
        }
    }
    w.Append(u"\"", 1);
    size_t run = 0;
    char16_t buf[6];
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (Plain(c, escape))
            continue;
        if (i > run)
            w.Append(s + run, int(i - run));
        run = i + 1;
        w.Append(buf, int(PutEscape(buf, c) - buf));
    }
    if (n > run)
        w.Append(s + run, int(n - run));
    return w.Append(after.data(), int(after.size()));
}

// A member name after the unit `lead` (none when 0), then its closing mark and the colon (and a blank
// when indented). Most names are short and need no escape: a name of fewer than eight units is
// copied into an eight-unit block (only its own units are read) and checked and written as one
// block, inline in the member loop; others go through WriteQuoted.
template <class Out>
[[gnu::always_inline]] inline int WriteName(Out& w, char16_t lead, const String& name, bool escape, bool indent)
{
#if defined(__SSE2__)
    if constexpr (requires { w.Room(1); }) {
        const size_t n = name.size();
        if (n < 8) {
            alignas(16) char16_t units[8] = {};
            std::memcpy(units, name.data(), n * sizeof(char16_t));
            const __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(units));
            if ((SpecialUnits(block, escape) & ((1u << (2 * n)) - 1)) == 0) {
                char16_t* const start = w.Room(16);
                char16_t* o = start;
                *o = lead;
                o += lead != 0;
                *o++ = u'"';
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), block);
                o += n;
                std::memcpy(o, u"\": ", 3 * sizeof(char16_t));
                o += indent ? 3 : 2;
                w.Commit(o);
                return int(o - start);
            }
        }
    }
#endif
    if (lead)
        w.Append(&lead, 1);
    return WriteQuoted(w, name, escape, indent ? StringView(u"\": ") : StringView(u"\":"));
}

// Short pieces (numbers) made by put(char16_t* out) -> end, at most kShortPiece units: straight into
// an output's room, or through a local buffer.
constexpr int kShortPiece = 48;

template <class Out, class Put> int WriteShort(Out& w, Put&& put)
{
    if constexpr (requires { w.Room(1); }) {
        char16_t* o = w.Room(kShortPiece);
        char16_t* end = put(o);
        w.Commit(end);
        return int(end - o);
    } else {
        char16_t buf[kShortPiece];
        return w.Append(buf, int(put(buf) - buf));
    }
}

// Digits two at a time.
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

inline void PutPair(char16_t* out, unsigned pair)  // pair < 100
{
    std::memcpy(out, kDigitPairs.units + 2 * pair, 2 * sizeof(char16_t));
}

using Wide = unsigned __int128;

constexpr Wide Power10(int k)
{
    Wide p = 1;
    while (k-- > 0)
        p *= 10;
    return p;
}

const struct Powers10 {
    Wide p[28];
    constexpr Powers10() : p()
    {
        for (int k = 0; k < 28; ++k)
            p[k] = Power10(k);
    }
} kPowers10;

// num / den rounded to the nearest whole number, an exact tie to the even one.
inline uint64_t RoundedQuotient(Wide num, Wide den)
{
    const Wide q = num / den;
    const Wide twice = (num - q * den) * 2;
    return uint64_t(q) + (twice > den || (twice == den && (q & 1)));
}

// A positive normal double as m × 2^e with a 53-bit m; false for zero, subnormals, infinities and NaN.
inline bool Binary(double a, uint64_t& m, int& e)
{
    uint64_t bits;
    std::memcpy(&bits, &a, sizeof(bits));
    const int biased = int(bits >> 52) & 0x7FF;
    m = (bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
    e = biased - 1075;
    return biased != 0 && biased != 0x7FF;
}

// The positive finite a rounded to 15 significant digits, exactly (as printf rounds: to nearest, an
// exact tie to even): a ≈ digits × 10^(exponent − 14) with 10^14 <= digits < 10^15. a is m × 2^e with
// a 53-bit m; the product or quotient with a power of ten is made in 128-bit integers, which covers
// 10^-8 <= a < 10^37. False outside that range (and for subnormals).
bool Round15(double a, uint64_t& digits, int& exponent)
{
    uint64_t m;
    int e;
    if (!Binary(a, m, e))
        return false;
    const int biased = e + 1075;
    // floor(b × log10 2) for a in [2^b, 2^(b+1)): the decimal exponent or one less, told apart by
    // the powers of ten that doubles hold exactly (elsewhere the loop below finds it out).
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    int E = ((biased - 1023) * 78913) >> 18;
    if (E >= -1 && E < 22 && a >= kExact[E + 1])
        ++E;
    for (;;) {
        const int k = 14 - E;
        if (k > 22 || k < -27)
            return false;
        uint64_t q;
        if (k >= 0) {
            // Here a < 10^15 < 2^53, so e < 0.
            const int s = -e;
            if (s <= 0 || s > 127)
                return false;
            const Wide p = Wide(m) * kPowers10.p[k];
            const Wide whole = p >> s;
            const Wide rest = p - (whole << s);
            const Wide half = Wide(1) << (s - 1);
            q = uint64_t(whole) + (rest > half || (rest == half && (whole & 1)));
        } else if (e >= 0) {
            if (e > 74)
                return false;
            q = RoundedQuotient(Wide(m) << e, kPowers10.p[-k]);
        } else {
            q = RoundedQuotient(m, kPowers10.p[-k] << -e);  // a >= 10^15 > 2^49: e >= -3
        }
        if (q < 1000000000000000) {
            digits = q;
            exponent = E;
            return true;
        }
        ++E;  // the estimate was one short, or the rounding carried into a 16th digit
    }
}

// The 15 digits of v < 10^15, leading zeros kept, in groups that do not wait on each other.
inline void PutFifteen(char16_t* out, uint64_t v)
{
    const auto high = uint32_t(v / 100000000);  // 7 digits
    const auto low = uint32_t(v % 100000000);   // 8 digits
    out[0] = char16_t(u'0' + high / 1000000);
    PutPair(out + 1, high / 10000 % 100);
    PutPair(out + 3, high / 100 % 100);
    PutPair(out + 5, high % 100);
    PutPair(out + 7, low / 1000000);
    PutPair(out + 9, low / 10000 % 100);
    PutPair(out + 11, low / 100 % 100);
    PutPair(out + 13, low % 100);
}

// Copies 16 units (the layouts below copy whole blocks of the zero-padded digits and then say how
// much of them counts, so that no copy depends on the number of digits).
inline void CopySixteen(char16_t* to, const char16_t* from)
{
    std::memcpy(to, from, 16 * sizeof(char16_t));
}

// The number of the 15 digits left when trailing zeros are dropped (at least one).
inline int SignificantDigits(const char16_t* digits)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_set1_epi16('0');
    const auto low = unsigned(_mm_movemask_epi8(
        _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(digits)), zero)));
    const auto high = unsigned(_mm_movemask_epi8(
        _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(digits + 8)), zero)));
    const unsigned nonzero = ~(low | high << 16) & ((1u << 30) - 1);  // two bits for each digit
    return nonzero ? (31 - __builtin_clz(nonzero)) / 2 + 1 : 1;
#else
    int count = 15;
    while (count > 1 && digits[count - 1] == u'0')
        --count;
    return count;
#endif
}

// A double with few binary places has a short exact decimal expansion: n / 2^f = n × 5^f / 10^f.
// When those digits number at most 15 and the value is at least 10^-4 (so that "%.15g" keeps the plain
// layout), they are the text as they stand, nothing rounded: whole numbers, halves, quarters and the
// like, which are common, take this way. Returns 0 for any other value.
size_t FormatExactShort(double d, char16_t* out)
{
    // 5^f, and the bound below which n × 5^f stays under 10^15.
    static constexpr struct Fives {
        uint64_t power[21];
        uint64_t bound[21];
        constexpr Fives() : power(), bound()
        {
            uint64_t p = 1;
            for (int f = 0; f < 21; ++f, p *= 5) {
                power[f] = p;
                bound[f] = (1000000000000000 + p - 1) / p;
            }
        }
    } kFives;
    const double a = std::fabs(d);
    if (!(a >= 1e-4 && a < 1e15))
        return 0;
    uint64_t m;
    int e;
    Binary(a, m, e);  // normal here; a < 10^15 < 2^50, so e < 0
    const int zeros = __builtin_ctzll(m);
    int places = -e - zeros;
    uint64_t digits;
    if (places <= 0) {
        places = 0;
        digits = m >> -e;
    } else {
        if (places > 20 || (m >> zeros) >= kFives.bound[places])
            return 0;
        digits = (m >> zeros) * kFives.power[places];
    }
    // Backwards from the end: the fraction (or "0" when there is none), the point, the whole part.
    char16_t text[40];
    char16_t* const end = text + 40;
    char16_t* p = end;
    if (places == 0) {
        *--p = u'0';
    } else {
        int k = places;
        for (; k >= 2; k -= 2, digits /= 100)
            PutPair(p -= 2, unsigned(digits % 100));
        if (k) {
            *--p = char16_t(u'0' + digits % 10);
            digits /= 10;
        }
    }
    *--p = u'.';
    for (; digits >= 100; digits /= 100)
        PutPair(p -= 2, unsigned(digits % 100));
    if (digits >= 10)
        PutPair(p -= 2, unsigned(digits));
    else
        *--p = char16_t(u'0' + digits);
    if (std::signbit(d))
        *--p = u'-';
    std::memcpy(out, p, size_t(end - p) * sizeof(char16_t));
    return size_t(end - p);
}

// The value rounded to 15 significant digits, laid out as printf's "%.15g" does (trailing zeros
// dropped; exponent form below 1e-4 and from 1e15), plus ".0" when the text would read as an integer.
// Writes at most kShortPiece units at out and returns the number that count (at most 24).
size_t FormatDouble(double d, char16_t* out)
{
    if (const size_t n = FormatExactShort(d, out))
        return n;
    char16_t digits[32];  // the significant digits, then zeros
    for (int i = 0; i < 32; i += 16)
        CopySixteen(digits + i, u"0000000000000000");
    int exponent = 0;
    uint64_t q;
    if (d == 0) {
    } else if (Round15(std::fabs(d), q, exponent)) {
        PutFifteen(digits, q);
    } else {
        // Beyond the integer arithmetic: the library's exact conversion.
        char sci[40];
        const char* end = std::to_chars(sci, sci + sizeof(sci), std::fabs(d), std::chars_format::scientific, 14).ptr;
        const char* p = sci;
        int count = 0;
        digits[count++] = char16_t(*p++);
        for (++p; *p != 'e'; ++p)
            digits[count++] = char16_t(*p);
        std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    }
    const int count = SignificantDigits(digits);

    char16_t* o = out;
    if (std::signbit(d))
        *o++ = u'-';
    if (exponent >= 0 && exponent < 15) {
        // The whole part, the point, then the fraction (a single zero when there is none).
        const int whole = exponent + 1;
        CopySixteen(o, digits);
        o[whole] = u'.';
        CopySixteen(o + whole + 1, digits + whole);
        return size_t(o - out) + size_t(whole + 1 + std::max(count - whole, 1));
    }
    if (exponent < 0 && exponent >= -4) {
        // "0." and the zeros before the first digit.
        CopySixteen(o, u"0.00000000000000");
        CopySixteen(o + 1 - exponent, digits);
        return size_t(o - out) + size_t(1 - exponent + count);
    }
    *o++ = digits[0];
    if (count > 1) {
        *o++ = u'.';
        CopySixteen(o, digits + 1);
        o += count - 1;
    }
    *o++ = u'e';
    *o++ = exponent < 0 ? u'-' : u'+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude >= 100)
        *o++ = char16_t(u'0' + magnitude / 100);
    PutPair(o, unsigned(magnitude % 100));
    return size_t(o + 2 - out);
}

template <class Out> int WriteDouble(Out& w, double d)
{
    if (!std::isfinite(d))
        return w.Append(u"null", 4);
    return WriteShort(w, [d](char16_t* o) { return o + FormatDouble(d, o); });
}

template <class Out> int WriteInt(Out& w, int64_t i)
{
    char16_t text[24];
    char16_t* const end = text + 24;
    char16_t* p = end;
    uint64_t v = i < 0 ? 0 - uint64_t(i) : uint64_t(i);
    for (; v >= 100; v /= 100)
        PutPair(p -= 2, unsigned(v % 100));
    if (v >= 10)
        PutPair(p -= 2, unsigned(v));
    else
        *--p = char16_t(u'0' + v);
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
    return WriteQuoted(w, text, escape, u"\"");
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

// An element or member: a value in place, nil (null) or the object `item` the slot holds. Inlined
// into the container's loop, so that a nested value costs one call (its Emit).
template <class Out> [[gnu::always_inline]] inline int TJsonObject::EmitSlot(Out& w, const TJsonSlot& slot, TJsonObject* item, bool indent,
                                               bool escape, int level)
{
    if (slot.InPlace())
        return WriteInPlace(w, slot, escape);
    if (!item)
        return w.Append(u"null", 4);
    if (item->FDataType == stObject || item->FDataType == stArray)
        return item->EmitContainer(w, indent, escape, level);
    return item->EmitScalar(w, escape);  // nothing to mark, so no frame of the container kind
}

// The object a slot holds without making one of a value in place (nil then).
inline TJsonObject* TJsonObject::SlotObject(const TJsonSlot& slot)
{
    return slot.InPlace() ? nullptr : static_cast<TJsonObject*>(slot.Get());
}

// A value from the top: a value being written already (a method called while writing) is null.
template <class Out> int TJsonObject::Emit(Out& w, bool indent, bool escape, int level)
{
    if (FProcessing)
        return w.Append(u"null", 4);
    if (FDataType == stObject || FDataType == stArray)
        return EmitContainer(w, indent, escape, level);
    return EmitScalar(w, escape);
}

// An object or array that is not being written yet. It is marked while it is (only a container can
// lead back to itself). TJsonObject is the only class behind IJsonObject, so elements and members are
// followed without a virtual call.
template <class Out> int TJsonObject::EmitContainer(Out& w, bool indent, bool escape, int level)
{
    const core::FlagScope mark(FProcessing);
    if (FDataType == stObject) {
        if (Table()->IsEmpty())
            return w.Append(u"{}", 2);
        if (indent)
            ++level;
        // What goes before the next name: the opening brace, then a comma.
        char16_t separator = u'{';
        Table()->ForEach([&](const TJsonAvlEntry* entry) {
            const TJsonSlot& slot = entry->Slot();
            TJsonObject* item = SlotObject(slot);
            if (Skipped(item))
                return;
            if (indent) {
                w.Append(&separator, 1);
                LineBreak(w, level);
                WriteName(w, 0, entry->Name(), escape, true);
            } else {
                WriteName(w, separator, entry->Name(), escape, false);
            }
            separator = u',';
            EmitSlot(w, slot, item, indent, escape, level);
        });
        if (separator == u'{')  // every member skipped
            w.Append(u"{", 1);
        if (indent)
            LineBreak(w, --level);
        return w.Append(u"}", 1);
    }
    TJsonArray* array = Items();
    if (array->Length() == 0)
        return w.Append(u"[]", 2);
    w.Append(u"[", 1);
    if (indent)
        LineBreak(w, ++level);
    bool first = true;
    for (int32_t i = 0; i < array->Length(); ++i) {
        if constexpr (requires { w.Progress(this, 0, 0); })
            w.Progress(this, size_t(i), size_t(array->Length()));
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

int TJsonObject::WriteValue(TJsonWriter& w, bool indent, bool escape, int level)
{
    // Text in memory goes straight into the buffer's own String, whose room a buffer kept by its
    // caller brings back from the last text.
    if (auto* text = dynamic_cast<TJsonWriterString*>(&w)) {
        TextOut out(this, text->FBuf);
        return Emit(out, indent, escape, level);
    }
    SinkOut out{w};
    return Emit(out, indent, escape, level);
}

String TJsonObject::AsJSon(bool indent, bool escape)
{
    // The whole text: a string holding U+0000, written unescaped, keeps what follows it.
    String text;
    {
        TextOut out(this, text);
        Emit(out, indent, escape, 0);
        out.Finish(true);
    }
    return text;
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
