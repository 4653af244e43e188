// Exported system entry points of the simulated remote-access library: error texts, devices,
// countries, the phonebook dialogs (which a library without a user interface declines) and the
// autodial settings (kept per process).
#include "sim/rasapi32/glue_win32.h"

#include "sim/rasapi32/codes.h"
#include "sim/rasapi32/errors.h"

namespace sim::rasapi32 {

namespace {

template <class Ch>
DWORD GetErrorString(UINT value, Ch* buffer, DWORD units)
{
    Call call("RasGetErrorString", Records<Ch>::kSuffix);
    call.Number("code", value);
    if (!buffer)
        return call.Done(code::kInvalidParameter);
    const String text = ErrorText(value);
    if (text.empty())
        return call.Done(code::kInvalidParameter);
    const auto encoded = Encode<Ch>(text);
    if (units < encoded.size() + 1)
        return call.Done(code::kInsufficientBuffer);
    std::memcpy(buffer, encoded.data(), encoded.size() * sizeof(Ch));
    buffer[encoded.size()] = 0;
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD EnumDevices(typename Records<Ch>::DevInfo* devices, LPDWORD bytes, LPDWORD count)
{
    using D = typename Records<Ch>::DevInfo;
    Call call("RasEnumDevices", Records<Ch>::kSuffix);
    call.Number("dwSize", devices ? devices->dwSize : 0);
    if (!bytes || !count)
        return call.Done(code::kInvalidParameter);
    if (devices && !Accepts(Sizes<Ch>::kDevInfo, devices->dwSize))
        return call.Done(code::kInvalidSize);
    const Scenario scenario = Runtime::Get().CurrentScenario();
    const auto& list = scenario.Devices();
    const DWORD needed = static_cast<DWORD>(list.size() * sizeof(D));
    if (needed && (!devices || *bytes < needed)) {
        *bytes = needed;
        *count = static_cast<DWORD>(list.size());
        return call.Done(code::kBufferTooSmall);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        D record{};
        record.dwSize = sizeof(D);
        ToField(record.szDeviceType, list[i].type);
        ToField(record.szDeviceName, list[i].name);
        std::memcpy(reinterpret_cast<BYTE*>(devices) + i * sizeof(D), &record, sizeof(D));
    }
    *bytes = needed;
    *count = static_cast<DWORD>(list.size());
    return call.Done(code::kSuccess);
}

struct Country {
    DWORD id;
    DWORD code;
    const char16_t* name;
};

// A small country table in identifier order; identifiers are the dialling codes.
constexpr Country kCountries[] = {
    {1, 1, u"United States of America"}, {7, 7, u"Russia"},        {33, 33, u"France"},
    {44, 44, u"United Kingdom"},         {49, 49, u"Germany"},     {60, 60, u"Malaysia"},
    {61, 61, u"Australia"},              {65, 65, u"Singapore"},   {81, 81, u"Japan"},
    {82, 82, u"Korea (South)"},          {86, 86, u"China"},       {852, 852, u"Hong Kong SAR"},
    {853, 853, u"Macao SAR"},            {886, 886, u"Taiwan"},
};

template <class Ch>
DWORD GetCountryInfo(RASCTRYINFO* info, LPDWORD bytes)
{
    Call call("RasGetCountryInfo", Records<Ch>::kSuffix);
    if (!info || !bytes)
        return call.Done(code::kInvalidParameter);
    call.Number("dwSize", info->dwSize).Number("country_id", info->dwCountryID);
    if (!Accepts(kCountryInfoSizes, info->dwSize))
        return call.Done(code::kInvalidSize);
    const size_t count = std::size(kCountries);
    size_t index = 0;
    while (index < count && kCountries[index].id != info->dwCountryID)
        ++index;
    if (index == count)
        return call.Done(code::kInvalidParameter);
    const auto name = Encode<Ch>(kCountries[index].name);
    const DWORD needed = static_cast<DWORD>(sizeof(RASCTRYINFO) + (name.size() + 1) * sizeof(Ch));
    if (*bytes < needed) {
        *bytes = needed;
        return call.Done(code::kBufferTooSmall);
    }
    info->dwNextCountryID = index + 1 < count ? kCountries[index + 1].id : 0;
    info->dwCountryCode = kCountries[index].code;
    info->dwCountryNameOffset = sizeof(RASCTRYINFO);
    auto* text = reinterpret_cast<BYTE*>(info) + sizeof(RASCTRYINFO);
    const Ch zero = 0;
    std::memcpy(text, name.data(), name.size() * sizeof(Ch));
    std::memcpy(text + name.size() * sizeof(Ch), &zero, sizeof(Ch));
    *bytes = needed;
    return call.Done(code::kSuccess);
}

DWORD Dialog(const char* name, const char* suffix)
{
    Call call(name, suffix);
    return call.Done(code::kNotSupported);
}

template <class Ch>
DWORD GetAutodialAddress(const Ch* address, LPDWORD reserved, typename Records<Ch>::AutodialEntry* entries,
                         LPDWORD bytes, LPDWORD count)
{
    using A = typename Records<Ch>::AutodialEntry;
    Runtime& rt = Runtime::Get();
    const String key = FromArg(address);
    Call call("RasGetAutodialAddress", Records<Ch>::kSuffix);
    call.Text("address", key);
    if (!address || reserved || !bytes || !count)
        return call.Done(code::kInvalidParameter);
    if (entries && entries->dwSize != sizeof(A))
        return call.Done(code::kInvalidSize);
    std::lock_guard lock(rt.AutodialLock());
    const auto found = rt.AutodialAddresses().find(core::LowerCase(key));
    if (found == rt.AutodialAddresses().end())
        return call.Done(code::kFileNotFound);
    const auto& list = found->second;
    const DWORD needed = static_cast<DWORD>(list.size() * sizeof(A));
    if (needed && (!entries || *bytes < needed)) {
        *bytes = needed;
        *count = static_cast<DWORD>(list.size());
        return call.Done(code::kBufferTooSmall);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        A record{};
        record.dwSize = sizeof(A);
        record.dwDialingLocation = list[i].first;
        ToField(record.szEntry, list[i].second);
        std::memcpy(reinterpret_cast<BYTE*>(entries) + i * sizeof(A), &record, sizeof(A));
    }
    *bytes = needed;
    *count = static_cast<DWORD>(list.size());
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD SetAutodialAddress(const Ch* address, DWORD reserved, typename Records<Ch>::AutodialEntry* entries,
                         DWORD bytes, DWORD count)
{
    using A = typename Records<Ch>::AutodialEntry;
    Runtime& rt = Runtime::Get();
    const String key = FromArg(address);
    Call call("RasSetAutodialAddress", Records<Ch>::kSuffix);
    call.Text("address", key).Number("entries", count);
    if (!address || reserved)
        return call.Done(code::kInvalidParameter);
    std::lock_guard lock(rt.AutodialLock());
    if (!entries) {
        rt.AutodialAddresses().erase(core::LowerCase(key));
        return call.Done(code::kSuccess);
    }
    if (entries->dwSize != sizeof(A))
        return call.Done(code::kInvalidSize);
    if (static_cast<uint64_t>(bytes) < static_cast<uint64_t>(count) * sizeof(A))
        return call.Done(code::kInvalidParameter);
    std::vector<std::pair<DWORD, String>> list;
    for (DWORD i = 0; i < count; ++i)
        list.emplace_back(entries[i].dwDialingLocation, FromField(entries[i].szEntry));
    rt.AutodialAddresses()[core::LowerCase(key)] = std::move(list);
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD EnumAutodialAddresses(Ch** addresses, LPDWORD bytes, LPDWORD count)
{
    Runtime& rt = Runtime::Get();
    Call call("RasEnumAutodialAddresses", Records<Ch>::kSuffix);
    if (!bytes || !count)
        return call.Done(code::kInvalidParameter);
    std::lock_guard lock(rt.AutodialLock());
    std::vector<std::basic_string<Ch>> names;
    size_t textBytes = 0;
    for (const auto& item : rt.AutodialAddresses()) {
        names.push_back(Encode<Ch>(item.first));
        textBytes += (names.back().size() + 1) * sizeof(Ch);
    }
    // The pointer array comes first, the strings it points to follow it in the same buffer.
    const DWORD needed = static_cast<DWORD>(names.size() * sizeof(Ch*) + textBytes);
    if (needed && (!addresses || *bytes < needed)) {
        *bytes = needed;
        *count = static_cast<DWORD>(names.size());
        return call.Done(code::kBufferTooSmall);
    }
    auto* text = reinterpret_cast<BYTE*>(addresses) + names.size() * sizeof(Ch*);
    for (size_t i = 0; i < names.size(); ++i) {
        addresses[i] = reinterpret_cast<Ch*>(text);
        std::memcpy(text, names[i].c_str(), (names[i].size() + 1) * sizeof(Ch));
        text += (names[i].size() + 1) * sizeof(Ch);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(names.size());
    return call.Done(code::kSuccess);
}

DWORD GetAutodialEnable(DWORD location, LPBOOL enabled, const char* suffix)
{
    Runtime& rt = Runtime::Get();
    Call call("RasGetAutodialEnable", suffix);
    call.Number("location", location);
    if (!enabled)
        return call.Done(code::kInvalidParameter);
    std::lock_guard lock(rt.AutodialLock());
    const auto found = rt.AutodialEnabled().find(location);
    *enabled = found == rt.AutodialEnabled().end() ? FALSE : found->second;
    return call.Done(code::kSuccess);
}

DWORD SetAutodialEnable(DWORD location, BOOL enabled, const char* suffix)
{
    Runtime& rt = Runtime::Get();
    Call call("RasSetAutodialEnable", suffix);
    call.Number("location", location).Number("enabled", enabled ? 1 : 0);
    std::lock_guard lock(rt.AutodialLock());
    rt.AutodialEnabled()[location] = enabled ? TRUE : FALSE;
    return call.Done(code::kSuccess);
}

DWORD GetAutodialParam(DWORD key, LPVOID value, LPDWORD bytes, const char* suffix)
{
    Runtime& rt = Runtime::Get();
    Call call("RasGetAutodialParam", suffix);
    call.Number("key", key);
    if (!value || !bytes || key > RASADP_ConnectionQueryTimeout)
        return call.Done(code::kInvalidParameter);
    if (*bytes < sizeof(DWORD)) {
        *bytes = sizeof(DWORD);
        return call.Done(code::kBufferTooSmall);
    }
    std::lock_guard lock(rt.AutodialLock());
    const auto found = rt.AutodialParams().find(key);
    const DWORD stored = found == rt.AutodialParams().end() ? 0 : found->second;
    std::memcpy(value, &stored, sizeof stored);
    *bytes = sizeof(DWORD);
    return call.Done(code::kSuccess);
}

DWORD SetAutodialParam(DWORD key, LPVOID value, DWORD bytes, const char* suffix)
{
    Runtime& rt = Runtime::Get();
    Call call("RasSetAutodialParam", suffix);
    call.Number("key", key);
    if (!value || key > RASADP_ConnectionQueryTimeout || bytes != sizeof(DWORD))
        return call.Done(code::kInvalidParameter);
    DWORD stored;
    std::memcpy(&stored, value, sizeof stored);
    std::lock_guard lock(rt.AutodialLock());
    rt.AutodialParams()[key] = stored;
    return call.Done(code::kSuccess);
}

} // namespace

} // namespace sim::rasapi32

using namespace sim::rasapi32;

extern "C" {

DWORD WINAPI RasGetErrorStringA(UINT value, LPSTR buffer, DWORD size) { return GetErrorString<char>(value, buffer, size); }
DWORD WINAPI RasGetErrorStringW(UINT value, LPWSTR buffer, DWORD size)
{
    return GetErrorString<wchar_t>(value, buffer, size);
}
DWORD WINAPI RasEnumDevicesA(LPRASDEVINFOA devices, LPDWORD bytes, LPDWORD count)
{
    return EnumDevices<char>(devices, bytes, count);
}
DWORD WINAPI RasEnumDevicesW(LPRASDEVINFOW devices, LPDWORD bytes, LPDWORD count)
{
    return EnumDevices<wchar_t>(devices, bytes, count);
}
DWORD WINAPI RasGetCountryInfoA(LPRASCTRYINFOA info, LPDWORD bytes) { return GetCountryInfo<char>(info, bytes); }
DWORD WINAPI RasGetCountryInfoW(LPRASCTRYINFOW info, LPDWORD bytes) { return GetCountryInfo<wchar_t>(info, bytes); }
DWORD WINAPI RasCreatePhonebookEntryA(HWND, LPCSTR) { return Dialog("RasCreatePhonebookEntry", "A"); }
DWORD WINAPI RasCreatePhonebookEntryW(HWND, LPCWSTR) { return Dialog("RasCreatePhonebookEntry", "W"); }
DWORD WINAPI RasEditPhonebookEntryA(HWND, LPCSTR, LPCSTR) { return Dialog("RasEditPhonebookEntry", "A"); }
DWORD WINAPI RasEditPhonebookEntryW(HWND, LPCWSTR, LPCWSTR) { return Dialog("RasEditPhonebookEntry", "W"); }
// The monitor dialog answers like the other dialog functions: FALSE, with the reason as last error.
BOOL WINAPI RasMonitorDlgA(LPSTR, LPVOID)
{
    SetLastError(Dialog("RasMonitorDlg", "A"));
    return FALSE;
}
DWORD WINAPI RasGetAutodialAddressA(LPCSTR address, LPDWORD reserved, LPRASAUTODIALENTRYA entries, LPDWORD bytes,
                                    LPDWORD count)
{
    return GetAutodialAddress<char>(address, reserved, entries, bytes, count);
}
DWORD WINAPI RasGetAutodialAddressW(LPCWSTR address, LPDWORD reserved, LPRASAUTODIALENTRYW entries, LPDWORD bytes,
                                    LPDWORD count)
{
    return GetAutodialAddress<wchar_t>(address, reserved, entries, bytes, count);
}
DWORD WINAPI RasSetAutodialAddressA(LPCSTR address, DWORD reserved, LPRASAUTODIALENTRYA entries, DWORD bytes,
                                    DWORD count)
{
    return SetAutodialAddress<char>(address, reserved, entries, bytes, count);
}
DWORD WINAPI RasSetAutodialAddressW(LPCWSTR address, DWORD reserved, LPRASAUTODIALENTRYW entries, DWORD bytes,
                                    DWORD count)
{
    return SetAutodialAddress<wchar_t>(address, reserved, entries, bytes, count);
}
DWORD WINAPI RasEnumAutodialAddressesA(LPSTR* addresses, LPDWORD bytes, LPDWORD count)
{
    return EnumAutodialAddresses<char>(addresses, bytes, count);
}
DWORD WINAPI RasEnumAutodialAddressesW(LPWSTR* addresses, LPDWORD bytes, LPDWORD count)
{
    return EnumAutodialAddresses<wchar_t>(addresses, bytes, count);
}
DWORD WINAPI RasGetAutodialEnableA(DWORD location, LPBOOL enabled) { return GetAutodialEnable(location, enabled, "A"); }
DWORD WINAPI RasGetAutodialEnableW(DWORD location, LPBOOL enabled) { return GetAutodialEnable(location, enabled, "W"); }
DWORD WINAPI RasSetAutodialEnableA(DWORD location, WINBOOL enabled) { return SetAutodialEnable(location, enabled, "A"); }
DWORD WINAPI RasSetAutodialEnableW(DWORD location, WINBOOL enabled) { return SetAutodialEnable(location, enabled, "W"); }
DWORD WINAPI RasGetAutodialParamA(DWORD key, LPVOID value, LPDWORD bytes) { return GetAutodialParam(key, value, bytes, "A"); }
DWORD WINAPI RasGetAutodialParamW(DWORD key, LPVOID value, LPDWORD bytes) { return GetAutodialParam(key, value, bytes, "W"); }
DWORD WINAPI RasSetAutodialParamA(DWORD key, LPVOID value, DWORD bytes) { return SetAutodialParam(key, value, bytes, "A"); }
DWORD WINAPI RasSetAutodialParamW(DWORD key, LPVOID value, DWORD bytes) { return SetAutodialParam(key, value, bytes, "W"); }

} // extern "C"
