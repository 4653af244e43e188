// Code-page conversion of the host build, through the C library's iconv. Each thread keeps its own
// converters (an iconv descriptor carries state and may not be shared), opened on first use.
#include "core/codepage.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <string>
#include <vector>

namespace core {

namespace {

std::atomic<unsigned> g_ansi_code_page{936};

constexpr unsigned kUtf8 = 65001;

std::string IconvName(unsigned codePage)
{
    switch (codePage) {
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 28597: return "ISO-8859-7";
    case 28605: return "ISO-8859-15";
    case 54936: return "GB18030";
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 866: return "IBM866";
    default: return "CP" + std::to_string(codePage);
    }
}

const char* Utf16Name() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

class Converter {
public:
    Converter(unsigned codePage, bool toAnsi) : m_code_page(codePage), m_to_ansi(toAnsi)
    {
        const std::string name = IconvName(codePage);
        m_handle = toAnsi ? iconv_open(name.c_str(), Utf16Name()) : iconv_open(Utf16Name(), name.c_str());
    }
    ~Converter()
    {
        if (Valid())
            iconv_close(m_handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return m_handle != iconv_t(-1); }
    unsigned CodePage() const { return m_code_page; }
    bool ToAnsi() const { return m_to_ansi; }
    iconv_t Handle() const { return m_handle; }

private:
    unsigned m_code_page;
    bool m_to_ansi;
    iconv_t m_handle = iconv_t(-1);
};

// A few converters per thread; a process uses one or two code pages, so a short list is enough.
Converter* FindConverter(unsigned codePage, bool toAnsi)
{
    thread_local std::vector<std::unique_ptr<Converter>> cache;
    for (const auto& converter : cache) {
        if (converter->CodePage() == codePage && converter->ToAnsi() == toAnsi)
            return converter->Valid() ? converter.get() : nullptr;
    }
    if (cache.size() >= 16)
        cache.erase(cache.begin());
    cache.push_back(std::make_unique<Converter>(codePage, toAnsi));
    return cache.back()->Valid() ? cache.back().get() : nullptr;
}

unsigned Resolve(unsigned codePage) { return codePage == 0 ? SystemAnsiCodePage() : codePage; }

// The Windows ANSI code pages, whose bytes below 0x80 are ASCII.
bool AsciiCompatible(unsigned codePage)
{
    return codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           (codePage >= 1250 && codePage <= 1258);
}

// Code page 1252 leaves five bytes undefined; Windows passes them through as the C1 control of the
// same value, iconv refuses them.
bool Is1252Hole(unsigned value) { return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D; }

} // namespace

unsigned SystemAnsiCodePage() { return g_ansi_code_page.load(std::memory_order_relaxed); }

void SetHostAnsiCodePage(unsigned codePage) { g_ansi_code_page.store(codePage, std::memory_order_relaxed); }

bool IsCodePageSupported(unsigned codePage)
{
    codePage = Resolve(codePage);
    return codePage == kUtf8 || (FindConverter(codePage, true) && FindConverter(codePage, false));
}

std::string ToAnsi(StringView text, unsigned codePage)
{
    codePage = Resolve(codePage);
    if (codePage == kUtf8)
        return ToUtf8(text);
    std::string out;
    if (text.empty())
        return out;
    Converter* converter = FindConverter(codePage, true);
    if (!converter) {
        // Without a converter only ASCII is certain; everything else is unmappable.
        out.reserve(text.size());
        for (Char c : text)
            out.push_back(c < 0x80 ? char(c) : '?');
        return out;
    }
    iconv(converter->Handle(), nullptr, nullptr, nullptr, nullptr);
    out.resize(text.size() * 2 + 16);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    size_t inLeft = text.size() * sizeof(Char);
    size_t used = 0;
    while (inLeft > 0) {
        char* dst = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t r = iconv(converter->Handle(), &in, &inLeft, &dst, &outLeft);
        used = out.size() - outLeft;
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // An unmappable character or a lone surrogate: one "?" per UTF-16 unit, as Windows writes it.
        Char c;
        std::memcpy(&c, in, sizeof c);
        if (used + 1 > out.size())
            out.resize(out.size() * 2);
        out[used++] = codePage == 1252 && Is1252Hole(c) ? char(c) : '?';
        in += sizeof(Char);
        inLeft -= sizeof(Char);
        iconv(converter->Handle(), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state a stateful encoding keeps.
    for (;;) {
        char* dst = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t r = iconv(converter->Handle(), nullptr, nullptr, &dst, &outLeft);
        used = out.size() - outLeft;
        if (r != size_t(-1) || errno != E2BIG)
            break;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

String FromAnsi(std::string_view bytes, unsigned codePage)
{
    codePage = Resolve(codePage);
    if (codePage == kUtf8)
        return FromUtf8(bytes);
    String out;
    if (bytes.empty())
        return out;
    if (AsciiCompatible(codePage) &&
        std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; })) {
        // Plain ASCII reads the same in every Windows ANSI code page: no converter call for it.
        out.assign(bytes.begin(), bytes.end());
        return out;
    }
    Converter* converter = FindConverter(codePage, false);
    if (!converter) {
        out.reserve(bytes.size());
        for (char b : bytes)
            out.push_back(static_cast<unsigned char>(b) < 0x80 ? Char(b) : Char(0xFFFD));
        return out;
    }
    iconv(converter->Handle(), nullptr, nullptr, nullptr, nullptr);
    out.resize(bytes.size() + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t used = 0;  // in characters
    while (inLeft > 0) {
        char* dst = reinterpret_cast<char*>(out.data() + used);
        size_t outLeft = (out.size() - used) * sizeof(Char);
        const size_t r = iconv(converter->Handle(), &in, &inLeft, &dst, &outLeft);
        used = out.size() - outLeft / sizeof(Char);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // An invalid or cut-short sequence: its first byte becomes one replacement character.
        const unsigned char b = static_cast<unsigned char>(*in);
        if (used + 1 > out.size())
            out.resize(out.size() * 2);
        out[used++] = codePage == 1252 && Is1252Hole(b) ? Char(b) : Char(0xFFFD);
        ++in;
        --inLeft;
        iconv(converter->Handle(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

} // namespace core
