#include "core/string.h"

#include <algorithm>

namespace core {

String FromUtf8(std::string_view bytes)
{
    String out;
    out.reserve(bytes.size());
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        char32_t code = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xF4) {
            length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            if (i + length > n) {
                length = 1;
            } else {
                char32_t value = lead & (0xFF >> (length + 1));
                bool ok = true;
                for (size_t k = 1; k < length; ++k) {
                    const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
                    if ((next & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    value = (value << 6) | (next & 0x3F);
                }
                // Overlong forms, surrogates and values past U+10FFFF are malformed.
                const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
                if (ok && value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF))
                    code = value;
                else
                    length = 1;
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<Char>(0xD800 + (code >> 10)));
            out.push_back(static_cast<Char>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<Char>(code));
        }
        i += length;
    }
    return out;
}

std::string ToUtf8(StringView text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

String Trim(StringView text)
{
    return TrimRight(TrimLeft(text));
}

String TrimLeft(StringView text)
{
    size_t first = 0;
    while (first < text.size() && text[first] <= u' ')
        ++first;
    return String(text.substr(first));
}

String TrimRight(StringView text)
{
    size_t end = text.size();
    while (end > 0 && text[end - 1] <= u' ')
        --end;
    return String(text.substr(0, end));
}

namespace {

Char AsciiUpper(Char c) { return c >= u'a' && c <= u'z' ? Char(c - 32) : c; }
Char AsciiLower(Char c) { return c >= u'A' && c <= u'Z' ? Char(c + 32) : c; }

} // namespace

String UpperCase(StringView text)
{
    String out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiUpper);
    return out;
}

String LowerCase(StringView text)
{
    String out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
    return out;
}

int CompareStr(StringView a, StringView b)
{
    const int r = a.compare(b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareText(StringView a, StringView b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const Char x = AsciiUpper(a[i]);
        const Char y = AsciiUpper(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool SameStr(StringView a, StringView b) { return a == b; }
bool SameText(StringView a, StringView b) { return a.size() == b.size() && CompareText(a, b) == 0; }

int AnsiCompareText(StringView a, StringView b)
{
    return CompareStr(AnsiUpperCase(a), AnsiUpperCase(b));
}

bool AnsiSameText(StringView a, StringView b) { return a.size() == b.size() && AnsiCompareText(a, b) == 0; }

int Pos(StringView needle, StringView haystack, int offset)
{
    if (needle.empty() || offset < 1 || size_t(offset) > haystack.size())
        return 0;
    const size_t at = haystack.find(needle, size_t(offset - 1));
    return at == StringView::npos ? 0 : int(at) + 1;
}

String Copy(StringView text, int index, int count)
{
    if (index < 1)
        index = 1;
    if (count <= 0 || size_t(index) > text.size())
        return {};
    return String(text.substr(size_t(index - 1), size_t(count)));
}

String StringReplace(StringView text, StringView from, StringView to, unsigned flags)
{
    if (from.empty())
        return String(text);
    const bool ignoreCase = flags & rfIgnoreCase;
    const String haystack = ignoreCase ? AnsiUpperCase(text) : String(text);
    const String needle = ignoreCase ? AnsiUpperCase(from) : String(from);
    String out;
    size_t start = 0;
    for (;;) {
        const size_t at = haystack.find(needle, start);
        if (at == String::npos)
            break;
        out.append(text.substr(start, at - start));
        out.append(to);
        start = at + needle.size();
        if (!(flags & rfReplaceAll))
            break;
    }
    out.append(text.substr(start));
    return out;
}

String UIntToStr(uint64_t value)
{
    Char buffer[24];
    Char* end = buffer + 24;
    Char* p = end;
    do {
        *--p = Char(u'0' + value % 10);
        value /= 10;
    } while (value);
    return String(p, end);
}

String IntToStr(int64_t value)
{
    if (value >= 0)
        return UIntToStr(uint64_t(value));
    // Negate in unsigned arithmetic so that the smallest value does not overflow.
    return u"-" + UIntToStr(0 - uint64_t(value));
}

String IntToHex(uint64_t value, int digits)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    String out;
    do {
        out.insert(out.begin(), hex[value & 15]);
        value >>= 4;
    } while (value);
    if (int(out.size()) < digits)
        out.insert(0, size_t(digits) - out.size(), u'0');
    return out;
}

} // namespace core
