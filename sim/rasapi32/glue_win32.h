// Helpers of the exported entry points: text in the ANSI and UTF-16 forms of the records, the call
// log and the mapping of entry records to phonebook fields.
#pragma once

#include "sim/rasapi32/records_win32.h"
#include "sim/rasapi32/codes.h"
#include "sim/rasapi32/runtime_win32.h"

#include <cstring>
#include <string>
#include <vector>

namespace sim::rasapi32 {

// --- Text ------------------------------------------------------------------------------------

// At most cap units, up to the first zero; a field that is not terminated is read to its end.
template <class Ch>
size_t BoundedLength(const Ch* text, size_t cap)
{
    size_t n = 0;
    while (n < cap && text[n])
        ++n;
    return n;
}

inline String Decode(const char* text, size_t length)
{
    if (length == 0)
        return {};
    const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide.data(), units);
    return FromWide(wide.data(), wide.size());
}

inline String Decode(const wchar_t* text, size_t length) { return FromWide(text, length); }

template <class Ch>
String FromField(const Ch* field, size_t cap)
{
    return Decode(field, BoundedLength(field, cap));
}

// An argument string; a null pointer is the empty text.
template <class Ch>
String FromArg(const Ch* text)
{
    return text ? FromField(text, 32767) : String();
}

inline std::string EncodeAs(char, StringView text)
{
    if (text.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

inline std::wstring EncodeAs(wchar_t, StringView text)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

template <class Ch>
std::basic_string<Ch> Encode(StringView text)
{
    return EncodeAs(Ch(), text);
}

// Writes the text into a field of cap units, zero-terminated; a text that does not fit is cut at a
// whole character (never inside a double-byte character or a surrogate pair).
template <class Ch>
void ToField(Ch* field, size_t cap, StringView text)
{
    if (cap == 0)
        return;
    std::basic_string<Ch> encoded = Encode<Ch>(text);
    size_t keep = text.size();
    while (encoded.size() > cap - 1 && keep > 0) {
        --keep;
        if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
            --keep;
        encoded = Encode<Ch>(text.substr(0, keep));
    }
    std::memcpy(field, encoded.data(), encoded.size() * sizeof(Ch));
    field[encoded.size()] = 0;
}

template <class Ch, size_t N>
void ToField(Ch (&field)[N], StringView text)
{
    ToField(field, N, text);
}

template <class Ch, size_t N>
String FromField(const Ch (&field)[N])
{
    return FromField(field, N);
}

// Zero-terminated strings that follow a record, ending with an empty string or the buffer.
template <class Ch>
std::vector<String> ReadStringList(const BYTE* buffer, size_t offset, size_t end)
{
    std::vector<String> out;
    std::basic_string<Ch> current;
    for (size_t at = offset; at + sizeof(Ch) <= end; at += sizeof(Ch)) {
        Ch unit;
        std::memcpy(&unit, buffer + at, sizeof(Ch));
        if (unit == 0) {
            if (current.empty())
                break;
            out.push_back(Decode(current.data(), current.size()));
            current.clear();
        } else {
            current += unit;
        }
    }
    if (!current.empty())
        out.push_back(Decode(current.data(), current.size()));
    return out;
}

// Bytes of the list as written after a record: each string with its zero, then a closing zero;
// nothing for an empty list.
template <class Ch>
size_t StringListBytes(const std::vector<String>& list)
{
    if (list.empty())
        return 0;
    size_t units = 1;
    for (const String& item : list)
        units += Encode<Ch>(item).size() + 1;
    return units * sizeof(Ch);
}

template <class Ch>
void WriteStringList(BYTE* buffer, const std::vector<String>& list)
{
    size_t at = 0;
    const Ch zero = 0;
    for (const String& item : list) {
        const auto encoded = Encode<Ch>(item);
        std::memcpy(buffer + at, encoded.data(), encoded.size() * sizeof(Ch));
        at += encoded.size() * sizeof(Ch);
        std::memcpy(buffer + at, &zero, sizeof(Ch));
        at += sizeof(Ch);
    }
    if (!list.empty())
        std::memcpy(buffer + at, &zero, sizeof(Ch));
}

// --- Call log --------------------------------------------------------------------------------

class Call {
public:
    Call(std::string_view name, const char* suffix)
        : m_line(Runtime::Get().Begin("call", std::string(name) + suffix))
    {
    }
    Call& Text(std::string_view key, StringView value)
    {
        m_line.Text(key, value);
        return *this;
    }
    Call& Number(std::string_view key, int64_t value)
    {
        m_line.Number(key, value);
        return *this;
    }
    Call& Handle(std::string_view key, uint64_t handle)
    {
        m_line.Text(key, HandleHex(handle));
        return *this;
    }
    DWORD Done(DWORD result)
    {
        m_line.Number("result", result);
        Runtime::Get().Log(m_line);
        return result;
    }

private:
    JsonLine m_line;
};

inline uint64_t HandleValue(HRASCONN handle) { return reinterpret_cast<uintptr_t>(handle); }
inline HRASCONN ToHandle(uint64_t value) { return reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(value)); }

// --- Numbers, addresses and identifiers as phonebook text -----------------------------------

inline uint32_t ParseUInt(StringView text)
{
    uint64_t value = 0;
    if (text.empty() || text.size() > 10)
        return 0;
    for (core::Char c : text) {
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
    }
    return value > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(value);
}

inline String AddressText(const RASIPADDR& a)
{
    return core::UIntToStr(a.a) + u"." + core::UIntToStr(a.b) + u"." + core::UIntToStr(a.c) + u"." +
           core::UIntToStr(a.d);
}

inline RASIPADDR ParseAddress(StringView text)
{
    RASIPADDR out{};
    uint32_t parts[4] = {};
    size_t part = 0;
    size_t digits = 0;
    for (core::Char c : text) {
        if (c == u'.') {
            if (++part > 3 || digits == 0)
                return {};
            digits = 0;
        } else if (c >= u'0' && c <= u'9' && digits < 3) {
            parts[part] = parts[part] * 10 + static_cast<uint32_t>(c - u'0');
            ++digits;
        } else {
            return {};
        }
    }
    if (part != 3 || digits == 0 || parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255)
        return {};
    out.a = static_cast<BYTE>(parts[0]);
    out.b = static_cast<BYTE>(parts[1]);
    out.c = static_cast<BYTE>(parts[2]);
    out.d = static_cast<BYTE>(parts[3]);
    return out;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; a zero identifier for anything else.
inline GUID ParseGuid(StringView text)
{
    GUID out{};
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}')
        return out;
    uint8_t bytes[16] = {};
    size_t nibble = 0;
    for (size_t i = 1; i < 37; ++i) {
        const core::Char c = text[i];
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (c != u'-')
                return GUID{};
            continue;
        }
        int value = -1;
        if (c >= u'0' && c <= u'9')
            value = c - u'0';
        else if (c >= u'A' && c <= u'F')
            value = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            value = c - u'a' + 10;
        if (value < 0)
            return GUID{};
        bytes[nibble / 2] = static_cast<uint8_t>(bytes[nibble / 2] << 4 | value);
        ++nibble;
    }
    out.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
    out.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    out.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(out.Data4, bytes + 8, 8);
    return out;
}

} // namespace sim::rasapi32

namespace sim::rasapi32 {
// The portable code's numbers are the platform's.
static_assert(code::kBufferTooSmall == ERROR_BUFFER_TOO_SMALL && code::kInvalidSize == ERROR_INVALID_SIZE &&
              code::kCannotFindEntry == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY &&
              code::kAuthenticationFailure == ERROR_AUTHENTICATION_FAILURE && code::kNoAnswer == ERROR_NO_ANSWER &&
              code::kAutomaticVpnFailed == ERROR_AUTOMATIC_VPN_FAILED &&
              code::kDnsNameNotResolvable == ERROR_DNSNAME_NOT_RESOLVABLE &&
              code::kPortDisconnected == ERROR_PORT_DISCONNECTED && code::kDeviceDoesNotExist == ERROR_DEVICE_DOES_NOT_EXIST &&
              code::kProjectionNotComplete == RASBASE + 130 &&
              code::kDialAlreadyInProgress == ERROR_DIAL_ALREADY_IN_PROGRESS && code::kRasLast == RASBASEEND);
static_assert(state::kConnected == RASCS_Connected && state::kDisconnected == RASCS_Disconnected &&
              state::kAuthNotify == RASCS_AuthNotify && state::kProjected == RASCS_Projected &&
              state::kAuthenticated == RASCS_Authenticated && state::kAuthProject == RASCS_AuthProject);
static_assert(mask::kDefaultCreds == RASCM_DefaultCreds && kAllUsersFlag == RASCF_AllUsers &&
              kAllUsersFlag == REN_AllUsers);
} // namespace sim::rasapi32
