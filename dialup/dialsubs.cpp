// Operating-system kind and the portable text routines of the dial-up layer.
#include "dialup/dialsubs.h"

#include <atomic>
#include <climits>
#include <mutex>

namespace dialup {

namespace {

std::atomic<uint8_t> g_kind{OSVista};

std::mutex& VersionMutex()
{
    static std::mutex mutex;
    return mutex;
}

OSVersion& VersionStore()
{
    static OSVersion version;
    return version;
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 33; }

// Digits after an optional sign; `valid` tells whether the whole text was a number in range.
int32_t ParseDigits(const char16_t* p, const char16_t* end)
{
    while (p < end && *p == u' ')
        ++p;
    bool negative = false;
    if (p < end && (*p == u'-' || *p == u'+')) {
        negative = *p == u'-';
        ++p;
    }
    const char16_t* digits = p;
    int64_t value = 0;
    bool bad = false;
    for (; p < end; ++p) {
        if (*p < u'0' || *p > u'9') {
            bad = true;
            break;
        }
        const int64_t next = value * 10 + (*p - u'0');
        if (next > (negative ? int64_t(INT32_MAX) + 1 : int64_t(INT32_MAX))) {
            bad = true;
            break;
        }
        value = next;
    }
    if (p == digits)
        bad = true;
    if (bad)
        return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
    return static_cast<int32_t>(negative ? -value : value);
}

} // namespace

OSKind KindFromVersion(bool nt, uint32_t major, uint32_t minor)
{
    if (!nt)
        return OSW9x;
    if (major < 5)
        return OSNT4;
    if (major == 5)
        return minor > 0 ? OSWXP : OSW2K;
    return OSVista;
}

bool IsNTKind(OSKind kind) { return kind != OSW9x; }

OSKind RasOSKind() { return static_cast<OSKind>(g_kind.load(std::memory_order_relaxed)); }

void SetRasOSKind(OSKind kind) { g_kind.store(kind > OSVista ? OSVista : kind, std::memory_order_relaxed); }

OSVersion OSVersionInfo()
{
    std::lock_guard lock(VersionMutex());
    return VersionStore();
}

void SetOSVersionInfo(const OSVersion& version)
{
    std::lock_guard lock(VersionMutex());
    VersionStore() = version;
}

std::string TrimAnsi(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsControl(text[begin]))
        ++begin;
    while (end > begin && IsControl(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string TrimRightAnsi(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && IsControl(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string LowerAnsi(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string IntToStrAnsi(int32_t value)
{
    return std::to_string(value);
}

std::string FixedToStr(const void* bytes, size_t length)
{
    if (!bytes)
        return {};
    return std::string(static_cast<const char*>(bytes), length);
}

void SplitDeviceName(const void* bytes, size_t length, std::string& name, std::string& port)
{
    const std::string text = TrimRightAnsi(FixedToStr(bytes, length));
    port.clear();
    const size_t zero = text.find('\0');
    // Position 2 or later in 1-based terms: a name of at least one character before the zero.
    if (zero != std::string::npos && zero >= 1) {
        name = TrimAnsi(std::string_view(text).substr(0, zero));
        std::string rest = text.substr(zero + 1);
        if (rest.size() > 99)
            rest.resize(99);
        // The port ends at its own terminator when the field holds more after it.
        const size_t end = rest.find('\0');
        if (end != std::string::npos)
            rest.resize(end);
        port = LowerAnsi(TrimAnsi(rest));
        return;
    }
    name = text.substr(0, zero);
}

int32_t StrToIntA(std::string_view text)
{
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return ParseDigits(wide.data(), wide.data() + wide.size());
}

int32_t StrToIntW(StringView text) { return ParseDigits(text.data(), text.data() + text.size()); }

int PosChar(char c, std::string_view text)
{
    const size_t at = text.find(c);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

String DunInfoFor(StringView version, StringView servicePack, bool server)
{
    if (version.size() <= 3)
        return u"Unknown DUN Version";
    struct Exact {
        const char16_t* version;
        const char16_t* info;
    };
    static constexpr Exact exact[] = {
        {u"4.00.950", u"DUN 1.0/Win95/Retail"}, {u"4.00.1111", u"DUN 1.1/Win95/OSR2"},
        {u"4.00.1150", u"DUN 1.1/Win95/ISDN"},  {u"4.10.1537", u"DUN 1.2b/Win95/Patch"},
        {u"4.10.1903", u"DUN 1.3/Win95/Patch"}, {u"4.10.1998", u"DUN 1.2c/Win98"},
        {u"4.10.2000", u"DUN 1.3/Win98/Patch"}, {u"4.10.2222", u"DUN 1.3/Win98SE"},
    };
    for (const Exact& e : exact)
        if (version == e.version)
            return e.info;
    const String sp(servicePack.substr(0, 128));
    if (version.starts_with(u"4.90"))
        return u"DUN 1.3/WinME";
    if (version.starts_with(u"4.00"))
        return u"DUN NT4 " + sp;
    if (version[0] == u'5') {
        if (version[2] == u'1')
            return u"DUN WinXP " + sp;
        if (version[2] == u'2')
            return u"DUN Win2003 " + sp;
        return u"DUN W2K " + sp;
    }
    if (version[0] == u'6') {
        if (version[2] == u'0')
            return (server ? u"DUN Win2008 " : u"DUN Vista ") + sp;
        if (version[2] == u'1')
            return (server ? u"DUN Win2008 R2 " : u"DUN Windows 7 ") + sp;
        return u"Unknown Windows 6/7 version " + sp;
    }
    return u"DUN " + sp;
}

} // namespace dialup
