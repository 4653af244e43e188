// Encodings, marshalling and the wide-string builder.
#include "data/storage/encoding.h"

#include "core/codepage.h"
#include "core/exception.h"

#include <cstdlib>
#include <map>
#include <memory>

namespace data {

namespace {

constexpr unsigned kErrorInvalidParameter = 87;
constexpr unsigned kErrorInsufficientBuffer = 122;

[[noreturn]] void RaiseOSError(unsigned code, const char16_t* text)
{
    throw core::EOSError(u"System Error.  Code: " + core::IntToStr(code) + u".\r\n" + text, code);
}

[[noreturn]] void RaiseRange()
{
    throw core::ERangeError(u"Range check error");
}

// index and count describe a part of something `size` long.
void CheckRange(size_t size, int index, int count)
{
    if (index < 0 || count < 0 || size_t(index) > size || size_t(count) > size - size_t(index))
        RaiseRange();
}

// The system ANSI code page's conversions.
std::string ToAnsi(StringView text) { return core::ToAnsi(text, 0); }
String FromAnsi(std::string_view bytes) { return core::FromAnsi(bytes, 0); }

void CheckCodePage(unsigned codePage)
{
    if (!core::IsCodePageSupported(codePage))
        RaiseOSError(kErrorInvalidParameter, u"The parameter is incorrect.");
}

std::string_view ByteView(const TBytes& bytes, int index, int count)
{
    CheckRange(bytes.size(), index, count);
    return std::string_view(reinterpret_cast<const char*>(bytes.data()) + index, size_t(count));
}

TBytes ToBytes(std::string_view text)
{
    return TBytes(text.begin(), text.end());
}

// Writes `source` into bytes[byteIndex..]; the array is never grown.
int Place(std::string_view source, TBytes& bytes, int byteIndex)
{
    CheckRange(bytes.size(), byteIndex, int(source.size()));
    if (!source.empty())
        std::memcpy(bytes.data() + byteIndex, source.data(), source.size());
    return int(source.size());
}

// The unit's shared objects.
struct Shared {
    Encoding default_encoding;
    UnicodeEncoding unicode;
    UTF8Encoding utf8;
    std::mutex lock;
    std::vector<std::unique_ptr<CodePageEncoding>> cache;  // in order of first request
};

Shared* g_shared = nullptr;
int g_init_count = 0;

Shared& SharedObjects()
{
    CORE_ASSERT(g_shared, u"Encoding unit is not initialised");
    return *g_shared;
}

} // namespace

// ---- Marshal ------------------------------------------------------------------------------------

void* Marshal::AllocHGlobal(size_t cb)
{
    void* p = std::malloc(cb ? cb : 1);
    if (!p)
        throw core::EOutOfMemory(u"Out of memory");
    return p;
}

void* Marshal::ReallocHGlobal(void* pv, size_t cb)
{
    void* p = std::realloc(pv, cb ? cb : 1);
    if (!p)
        throw core::EOutOfMemory(u"Out of memory");
    return p;
}

void Marshal::FreeHGlobal(void* hglobal)
{
    std::free(hglobal);
}

AnsiString Marshal::PtrToStringAnsi(const void* ptr, int len)
{
    const char* p = static_cast<const char*>(ptr);
    return len <= 0 ? AnsiString(p) : AnsiString(p, size_t(len));
}

WideString Marshal::PtrToStringUni(const void* ptr, int len)
{
    // The units may sit at an odd address inside a record: copied as bytes, or read one by one.
    if (len > 0) {
        WideString result(size_t(len), u'\0');
        std::memcpy(result.data(), ptr, size_t(len) * 2);
        return result;
    }
    WideString result;
    for (const uint8_t* b = static_cast<const uint8_t*>(ptr);; b += 2) {
        core::Char c;
        std::memcpy(&c, b, 2);
        if (!c)
            break;
        result += c;
    }
    return result;
}

// ---- Encoding (the system ANSI code page) -------------------------------------------------------

TBytes Encoding::GetBytes(const AnsiString& chars) const
{
    return ToBytes(chars);
}

int Encoding::GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const
{
    if (charCount <= 0)
        return 0;
    CheckRange(chars.size(), charIndex, charCount);
    return Place(std::string_view(chars).substr(size_t(charIndex), size_t(charCount)), bytes, byteIndex);
}

TBytes Encoding::GetBytes(const WideString& chars) const
{
    return GetBytes(ToAnsi(chars));
}

int Encoding::GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const
{
    // The indices count bytes of the converted text, as the system's own conversion did.
    return Encoding::GetBytes(ToAnsi(chars), charIndex, charCount, bytes, byteIndex);
}

AnsiString Encoding::GetString(const TBytes& bytes) const
{
    return GetString(bytes, 0, int(bytes.size()));
}

AnsiString Encoding::GetString(const TBytes& bytes, int index, int count) const
{
    if (count == 0)
        return {};
    return AnsiString(ByteView(bytes, index, count));
}

WideString Encoding::GetWideString(const TBytes& bytes) const
{
    return FromAnsi(GetString(bytes));
}

WideString Encoding::GetWideString(const TBytes& bytes, int index, int count) const
{
    return FromAnsi(GetString(bytes, index, count));
}

int Encoding::GetMaxByteCount(int charCount) const
{
    return charCount;
}

unsigned Encoding::CodePage() const
{
    return core::SystemAnsiCodePage();
}

int Encoding::CompleteByteCount(const uint8_t* bytes, int count) const
{
    const unsigned codePage = CodePage();
    if (codePage == 65001)
        return UTF8().CompleteByteCount(bytes, count);
    // Walk the characters from the start: only there is it known which byte leads.
    int i = 0;
    while (i < count) {
        const int width = IsLeadByte(codePage, bytes[i]) ? 2 : 1;
        if (i + width > count)
            break;
        i += width;
    }
    return i;
}

Encoding& Encoding::Default() { return SharedObjects().default_encoding; }
Encoding& Encoding::Unicode() { return SharedObjects().unicode; }
Encoding& Encoding::UTF8() { return SharedObjects().utf8; }

Encoding& Encoding::GetEncoding(int codepage)
{
    Shared& shared = SharedObjects();
    if (codepage == 1200)
        return shared.unicode;
    if (codepage == 65001)
        return shared.utf8;
    if (unsigned(codepage) == core::SystemAnsiCodePage())
        return shared.default_encoding;
    std::lock_guard<std::mutex> guard(shared.lock);
    for (const auto& cached : shared.cache)
        if (cached->CodePage() == unsigned(codepage))
            return *cached;
    shared.cache.push_back(std::make_unique<CodePageEncoding>(codepage));
    return *shared.cache.back();
}

TBytes Encoding::Convert(const Encoding& srcEncoding, const Encoding& dstEncoding, const TBytes& bytes)
{
    return Convert(srcEncoding, dstEncoding, bytes, 0, int(bytes.size()));
}

TBytes Encoding::Convert(const Encoding& srcEncoding, const Encoding& dstEncoding, const TBytes& bytes,
                         int index, int count)
{
    if (&srcEncoding == &dstEncoding)
        return ToBytes(ByteView(bytes, index, count));
    return dstEncoding.GetBytes(srcEncoding.GetWideString(bytes, index, count));
}

bool IsLeadByte(unsigned codePage, uint8_t byte)
{
    switch (codePage) {
    case 936: case 949: case 950:
        return byte >= 0x81 && byte <= 0xFE;
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    default:
        return false;
    }
}

// ---- UnicodeEncoding ----------------------------------------------------------------------------

TBytes UnicodeEncoding::GetBytes(const AnsiString& chars) const
{
    return GetBytes(FromAnsi(chars));
}

int UnicodeEncoding::GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const
{
    return GetBytes(FromAnsi(chars), charIndex, charCount, bytes, byteIndex);
}

TBytes UnicodeEncoding::GetBytes(const WideString& chars) const
{
    TBytes result(chars.size() * 2);
    if (!chars.empty())
        std::memcpy(result.data(), chars.data(), result.size());
    return result;
}

int UnicodeEncoding::GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const
{
    if (charCount <= 0)
        return 0;
    CheckRange(chars.size(), charIndex, charCount);
    const std::string_view units(reinterpret_cast<const char*>(chars.data() + charIndex), size_t(charCount) * 2);
    return Place(units, bytes, byteIndex);
}

AnsiString UnicodeEncoding::GetString(const TBytes& bytes) const
{
    return ToAnsi(GetWideString(bytes));
}

AnsiString UnicodeEncoding::GetString(const TBytes& bytes, int index, int count) const
{
    return ToAnsi(GetWideString(bytes, index, count));
}

WideString UnicodeEncoding::GetWideString(const TBytes& bytes) const
{
    return GetWideString(bytes, 0, int(bytes.size()));
}

WideString UnicodeEncoding::GetWideString(const TBytes& bytes, int index, int count) const
{
    if (count == 0)
        return {};
    const std::string_view view = ByteView(bytes, index, count);
    WideString result(view.size() / 2, u'\0');  // an odd last byte is no character
    std::memcpy(result.data(), view.data(), result.size() * 2);
    return result;
}

int UnicodeEncoding::CompleteByteCount(const uint8_t* bytes, int count) const
{
    return count & ~1;
}

// ---- UTF8Encoding -------------------------------------------------------------------------------

TBytes UTF8Encoding::GetBytes(const AnsiString& chars) const
{
    return GetBytes(FromAnsi(chars));
}

int UTF8Encoding::GetBytes(const AnsiString&, int, int, TBytes&, int) const
{
    core::AssertFailed(u"not implemented", __FILE__, __LINE__);
}

TBytes UTF8Encoding::GetBytes(const WideString& chars) const
{
    return ToBytes(core::ToUtf8(chars));
}

int UTF8Encoding::GetBytes(const WideString&, int, int, TBytes&, int) const
{
    core::AssertFailed(u"not implemented", __FILE__, __LINE__);
}

AnsiString UTF8Encoding::GetString(const TBytes& bytes) const
{
    return GetString(bytes, 0, int(bytes.size()));
}

AnsiString UTF8Encoding::GetString(const TBytes& bytes, int index, int count) const
{
    if (count == 0)
        return {};
    return ToAnsi(core::FromUtf8(ByteView(bytes, index, count)));
}

WideString UTF8Encoding::GetWideString(const TBytes& bytes) const
{
    return GetWideString(bytes, 0, int(bytes.size()));
}

WideString UTF8Encoding::GetWideString(const TBytes& bytes, int index, int count) const
{
    if (count == 0)
        return {};
    return core::FromUtf8(ByteView(bytes, index, count));
}

int UTF8Encoding::CompleteByteCount(const uint8_t* bytes, int count) const
{
    // Look back at most three bytes for a lead byte whose sequence runs past the end.
    for (int back = 1; back <= 3 && back <= count; ++back) {
        const uint8_t b = bytes[count - back];
        if ((b & 0xC0) == 0x80)
            continue;  // a continuation byte: keep looking for its lead
        const int width = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return width > back ? count - back : count;
    }
    return count;
}

// ---- CodePageEncoding ---------------------------------------------------------------------------

TBytes CodePageEncoding::GetBytes(const AnsiString& chars) const
{
    return GetBytes(FromAnsi(chars));
}

int CodePageEncoding::GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const
{
    return GetBytes(FromAnsi(chars), charIndex, charCount, bytes, byteIndex);
}

TBytes CodePageEncoding::GetBytes(const WideString& chars) const
{
    if (chars.empty())
        return {};
    CheckCodePage(CodePage());
    return ToBytes(core::ToAnsi(chars, CodePage()));
}

int CodePageEncoding::GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const
{
    if (charCount <= 0)
        return 0;
    CheckRange(chars.size(), charIndex, charCount);
    CheckRange(bytes.size(), byteIndex, 0);
    CheckCodePage(CodePage());
    const std::string converted = core::ToAnsi(StringView(chars).substr(size_t(charIndex), size_t(charCount)), CodePage());
    if (converted.size() > bytes.size() - size_t(byteIndex))
        RaiseOSError(kErrorInsufficientBuffer, u"The data area passed to a system call is too small.");
    return Place(converted, bytes, byteIndex);
}

AnsiString CodePageEncoding::GetString(const TBytes& bytes) const
{
    return ToAnsi(GetWideString(bytes));
}

AnsiString CodePageEncoding::GetString(const TBytes& bytes, int index, int count) const
{
    return ToAnsi(GetWideString(bytes, index, count));
}

WideString CodePageEncoding::GetWideString(const TBytes& bytes) const
{
    return GetWideString(bytes, 0, int(bytes.size()));
}

WideString CodePageEncoding::GetWideString(const TBytes& bytes, int index, int count) const
{
    if (count <= 0)
        return {};
    const std::string_view view = ByteView(bytes, index, count);
    CheckCodePage(CodePage());
    return core::FromAnsi(view, CodePage());
}

// ---- WideStringBuilder --------------------------------------------------------------------------

WideStringBuilder::WideStringBuilder(int capacity) : m_string(size_t(capacity > 0 ? capacity : 0), u'\0') {}

WideStringBuilder::WideStringBuilder(StringView value, int capacity) : WideStringBuilder(capacity)
{
    Append(value);
}

void WideStringBuilder::Reserve(int more)
{
    const int capacity = Capacity();
    if (capacity - m_actual_length < more)
        m_string.resize(size_t(m_actual_length) + size_t(more) + size_t(capacity / 2), u'\0');
}

WideStringBuilder& WideStringBuilder::Append(StringView value)
{
    if (value.empty())
        return *this;
    Reserve(int(value.size()));
    std::copy(value.begin(), value.end(), m_string.begin() + m_actual_length);
    m_actual_length += int(value.size());
    return *this;
}

WideStringBuilder& WideStringBuilder::Append(StringView value, int startIndex, int count)
{
    if (count == 0)
        return *this;
    CheckRange(value.size(), startIndex, count);
    return Append(value.substr(size_t(startIndex), size_t(count)));
}

WideStringBuilder& WideStringBuilder::Append(core::Char value)
{
    if (m_actual_length == Capacity())
        m_string.resize(size_t(m_actual_length) + size_t(Capacity() / 2) + 1, u'\0');
    m_string[size_t(m_actual_length++)] = value;
    return *this;
}

WideStringBuilder& WideStringBuilder::Append(core::Char value, int repeatCount)
{
    if (repeatCount <= 0)
        return *this;
    Reserve(repeatCount);
    std::fill_n(m_string.begin() + m_actual_length, repeatCount, value);
    m_actual_length += repeatCount;
    return *this;
}

WideStringBuilder& WideStringBuilder::Append(const WideStringBuilder* value)
{
    if (value && value->m_actual_length)
        Append(StringView(value->m_string).substr(0, size_t(value->m_actual_length)));
    return *this;
}

void WideStringBuilder::Insert(int index, StringView value)
{
    if (index < 0 || index > m_actual_length)
        RaiseRange();
    if (value.empty())
        return;
    Reserve(int(value.size()));
    const auto at = m_string.begin() + index;
    std::move_backward(at, m_string.begin() + m_actual_length, m_string.begin() + m_actual_length + int(value.size()));
    std::copy(value.begin(), value.end(), at);
    m_actual_length += int(value.size());
}

void WideStringBuilder::Replace(StringView oldValue, StringView newValue)
{
    if (oldValue.empty() || m_actual_length == 0)
        return;
    // One pass into a new text gives what replacing in place gives, without moving the tail once per
    // occurrence; the capacity still grows step by step as the in-place replacements would grow it.
    const StringView text = StringView(m_string).substr(0, size_t(m_actual_length));
    String result;
    size_t from = 0;
    size_t capacity = m_string.size(), length = text.size();
    bool found = false;
    for (size_t at = text.find(oldValue); at != StringView::npos; at = text.find(oldValue, from)) {
        result.append(text.substr(from, at - from));
        result.append(newValue);
        from = at + oldValue.size();
        found = true;
        if (newValue.size() > oldValue.size()) {
            const size_t more = newValue.size() - oldValue.size();
            if (capacity - length < more)
                capacity = length + more + capacity / 2;
            length += more;
        }
    }
    if (!found)
        return;
    result.append(text.substr(from));
    if (capacity > m_string.size())
        m_string.resize(capacity, u'\0');
    std::copy(result.begin(), result.end(), m_string.begin());
    m_actual_length = int(result.size());
}

void WideStringBuilder::SetLength(int value)
{
    if (value < 0)
        RaiseRange();
    if (Capacity() - m_actual_length < value)
        m_string.resize(size_t(value) + size_t(m_actual_length) + size_t(Capacity() / 2), u'\0');
    m_actual_length = value;
}

// ---- unit ---------------------------------------------------------------------------------------

void InitEncodingUnit()
{
    if (g_init_count++ == 0)
        g_shared = new Shared;
}

void DoneEncodingUnit()
{
    if (g_init_count > 0 && --g_init_count == 0) {
        delete g_shared;
        g_shared = nullptr;
    }
}

} // namespace data
