// Exported phonebook entry points of the simulated remote-access library: entry properties,
// sub-entries, names, enumeration, credentials and dial parameters, in ANSI and UTF-16 forms.
#include "sim/rasapi32/glue_win32.h"

#include "sim/rasapi32/codes.h"

namespace sim::rasapi32 {

namespace {

enum class FieldKind { Dword, Text, Address };

struct EntryField {
    const char16_t* key;
    FieldKind kind;
    size_t offset;
    size_t units;  // text fields: capacity in characters
};

template <class Ch>
size_t FieldBytes(const EntryField& f)
{
    return f.kind == FieldKind::Text ? f.units * sizeof(Ch) : 4;
}

// The properties of the entry record, named as in the phonebook file. The sub-entry count, the
// alternate offset and the identifier are not among them: the library keeps those itself.
template <class Ch>
const std::vector<EntryField>& EntryFields()
{
    using E = typename Records<Ch>::Entry;
#define DW(key, member) EntryField{u"" key, FieldKind::Dword, offsetof(E, member), 0}
#define IP(key, member) EntryField{u"" key, FieldKind::Address, offsetof(E, member), 0}
#define TX(key, member) EntryField{u"" key, FieldKind::Text, offsetof(E, member), sizeof(E::member) / sizeof(Ch)}
    static const std::vector<EntryField> fields = {
        DW("Options", dwfOptions), DW("CountryID", dwCountryID), DW("CountryCode", dwCountryCode),
        TX("AreaCode", szAreaCode), TX("LocalPhoneNumber", szLocalPhoneNumber), IP("IPAddress", ipaddr),
        IP("DnsAddress", ipaddrDns), IP("DnsAddressAlt", ipaddrDnsAlt), IP("WinsAddress", ipaddrWins),
        IP("WinsAddressAlt", ipaddrWinsAlt), DW("FrameSize", dwFrameSize), DW("NetProtocols", dwfNetProtocols),
        DW("FramingProtocol", dwFramingProtocol), TX("Script", szScript), TX("AutodialDll", szAutodialDll),
        TX("AutodialFunc", szAutodialFunc), TX("DeviceType", szDeviceType), TX("DeviceName", szDeviceName),
        TX("X25PadType", szX25PadType), TX("X25Address", szX25Address), TX("X25Facilities", szX25Facilities),
        TX("X25UserData", szX25UserData), DW("Channels", dwChannels), DW("Reserved1", dwReserved1),
        DW("Reserved2", dwReserved2), DW("DialMode", dwDialMode), DW("DialExtraPercent", dwDialExtraPercent),
        DW("DialExtraSampleSeconds", dwDialExtraSampleSeconds), DW("HangUpExtraPercent", dwHangUpExtraPercent),
        DW("HangUpExtraSampleSeconds", dwHangUpExtraSampleSeconds),
        DW("IdleDisconnectSeconds", dwIdleDisconnectSeconds), DW("Type", dwType),
        DW("EncryptionType", dwEncryptionType), DW("CustomAuthKey", dwCustomAuthKey),
        TX("CustomDialDll", szCustomDialDll), DW("VpnStrategy", dwVpnStrategy), DW("Options2", dwfOptions2),
        DW("Options3", dwfOptions3), TX("DnsSuffix", szDnsSuffix), DW("TcpWindowSize", dwTcpWindowSize),
        TX("PrerequisitePbk", szPrerequisitePbk), TX("PrerequisiteEntry", szPrerequisiteEntry),
        DW("RedialCount", dwRedialCount), DW("RedialPause", dwRedialPause),
    };
#undef DW
#undef IP
#undef TX
    return fields;
}

// What an entry reads as before anything was written: PPP over TCP/IP, a telephone entry.
const Phonebook::Fields& DefaultEntry()
{
    static const Phonebook::Fields fields = {
        {u"Options", core::UIntToStr(RASEO_RemoteDefaultGateway | RASEO_IpHeaderCompression | RASEO_SwCompression)},
        {u"NetProtocols", core::UIntToStr(RASNP_Ip)},
        {u"FramingProtocol", core::UIntToStr(RASFP_Ppp)},
        {u"DialMode", core::UIntToStr(RASEDM_DialAll)},
        {u"Type", core::UIntToStr(RASET_Phone)},
        {u"EncryptionType", core::UIntToStr(ET_Optional)},
    };
    return fields;
}

template <class Ch>
Phonebook::Fields RecordToFields(const BYTE* record, DWORD size)
{
    Phonebook::Fields out;
    for (const EntryField& f : EntryFields<Ch>()) {
        if (f.offset + FieldBytes<Ch>(f) > size)
            continue;
        switch (f.kind) {
        case FieldKind::Dword: {
            DWORD value;
            std::memcpy(&value, record + f.offset, 4);
            out.emplace_back(f.key, core::UIntToStr(value));
            break;
        }
        case FieldKind::Address: {
            RASIPADDR value;
            std::memcpy(&value, record + f.offset, 4);
            out.emplace_back(f.key, AddressText(value));
            break;
        }
        case FieldKind::Text:
            out.emplace_back(f.key, FromField(reinterpret_cast<const Ch*>(record + f.offset), f.units));
            break;
        }
    }
    return out;
}

template <class Ch>
void FieldsToRecord(const IniSection& entry, BYTE* record, DWORD size)
{
    for (const EntryField& f : EntryFields<Ch>()) {
        if (f.offset + FieldBytes<Ch>(f) > size)
            continue;
        const String value = entry.Value(f.key);
        switch (f.kind) {
        case FieldKind::Dword: {
            const DWORD number = ParseUInt(value);
            std::memcpy(record + f.offset, &number, 4);
            break;
        }
        case FieldKind::Address: {
            const RASIPADDR address = ParseAddress(value);
            std::memcpy(record + f.offset, &address, 4);
            break;
        }
        case FieldKind::Text:
            ToField(reinterpret_cast<Ch*>(record + f.offset), f.units, value);
            break;
        }
    }
}

IniSection SectionOf(const Phonebook::Fields& fields)
{
    IniSection section;
    for (const auto& [k, v] : fields)
        section.Append(k, v);
    return section;
}

// A device name that the scenario does not know is refused; an empty one lets the system choose.
uint32_t CheckDevice(const Scenario& scenario, StringView deviceName)
{
    return deviceName.empty() || scenario.FindDevice(deviceName) ? code::kSuccess : code::kDeviceDoesNotExist;
}

template <class Ch>
DWORD GetEntryProperties(const Ch* phonebook, const Ch* entryName, typename Records<Ch>::Entry* entry,
                         LPDWORD entrySize, LPBYTE deviceInfo, LPDWORD deviceInfoSize)
{
    using E = typename Records<Ch>::Entry;
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasGetEntryProperties", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("dwSize", entry ? entry->dwSize : 0);
    if (deviceInfoSize)
        *deviceInfoSize = 0;
    if (!entrySize)
        return call.Done(code::kInvalidParameter);
    if (entry && !Accepts(Sizes<Ch>::kEntry, entry->dwSize))
        return call.Done(code::kInvalidSize);

    IniSection section = SectionOf(DefaultEntry());
    std::vector<String> alternates;
    uint32_t subEntries = 1;
    if (!name.empty()) {
        Phonebook book = Phonebook::Parse("");
        if (const uint32_t r = rt.ReadPhonebook(path, book))
            return call.Done(r);
        const IniSection* found = book.Entry(name);
        if (!found)
            return call.Done(code::kCannotFindEntry);
        section = *found;
        alternates = found->Values(key::kAlternate);
        subEntries = book.SubEntryCount(name);
    }
    const DWORD recordSize = entry ? entry->dwSize : sizeof(E);
    const DWORD needed = recordSize + static_cast<DWORD>(StringListBytes<Ch>(alternates));
    if (!entry || *entrySize < needed) {
        *entrySize = needed;
        return call.Number("needed", needed).Done(code::kBufferTooSmall);
    }
    auto* bytes = reinterpret_cast<BYTE*>(entry);
    std::memset(bytes + 4, 0, recordSize - 4);
    FieldsToRecord<Ch>(section, bytes, recordSize);
    entry->dwAlternateOffset = alternates.empty() ? 0 : recordSize;
    if (recordSize >= Sizes<Ch>::kEntryV401)
        entry->dwSubEntries = subEntries;
    if (recordSize >= Sizes<Ch>::kEntryV501)
        entry->guidId = ParseGuid(section.Value(key::kGuid));
    WriteStringList<Ch>(bytes + recordSize, alternates);
    *entrySize = needed;
    (void)deviceInfo;
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD SetEntryProperties(const Ch* phonebook, const Ch* entryName, typename Records<Ch>::Entry* entry,
                         DWORD entrySize, LPBYTE, DWORD)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasSetEntryProperties", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("dwSize", entry ? entry->dwSize : 0)
        .Number("size", entrySize);
    if (!entry)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(Sizes<Ch>::kEntry, entry->dwSize) || entrySize < entry->dwSize)
        return call.Done(code::kInvalidSize);
    if (const uint32_t bad = CheckEntryName(name))
        return call.Done(bad);
    const auto* bytes = reinterpret_cast<const BYTE*>(entry);
    const Phonebook::Fields fields = RecordToFields<Ch>(bytes, entry->dwSize);
    const String device = FromField(entry->szDeviceName);
    call.Text("device", device).Text("number", FromField(entry->szLocalPhoneNumber));
    std::vector<String> alternates;
    if (entry->dwAlternateOffset) {
        if (entry->dwAlternateOffset < entry->dwSize || entry->dwAlternateOffset >= entrySize)
            return call.Done(code::kInvalidParameter);
        alternates = ReadStringList<Ch>(bytes, entry->dwAlternateOffset, entrySize);
    }
    const Scenario scenario = rt.CurrentScenario();
    if (scenario.RefuseEntryWrites())
        return call.Done(code::kAccessDenied);
    if (const uint32_t r = CheckDevice(scenario, device))
        return call.Done(r);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) { return book.Write(name, fields, alternates); }));
}

template <class Ch>
DWORD ValidateEntryName(const Ch* phonebook, const Ch* entryName)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasValidateEntryName", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name);
    Phonebook book = Phonebook::Parse("");
    if (const uint32_t r = rt.ReadPhonebook(path, book))
        return call.Done(r);
    return call.Done(book.Validate(name));
}

template <class Ch>
DWORD DeleteEntry(const Ch* phonebook, const Ch* entryName)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasDeleteEntry", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name);
    if (rt.CurrentScenario().RefuseEntryWrites())
        return call.Done(code::kAccessDenied);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) { return book.Delete(name); }));
}

template <class Ch>
DWORD RenameEntry(const Ch* phonebook, const Ch* oldName, const Ch* newName)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String from = FromArg(oldName);
    const String to = FromArg(newName);
    Call call("RasRenameEntry", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", from).Text("new_name", to);
    if (rt.CurrentScenario().RefuseEntryWrites())
        return call.Done(code::kAccessDenied);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) { return book.Rename(from, to); }));
}

template <class Ch>
DWORD EnumEntries(const Ch* reserved, const Ch* phonebook, typename Records<Ch>::EntryName* names, LPDWORD bytes,
                  LPDWORD count)
{
    using N = typename Records<Ch>::EntryName;
    Runtime& rt = Runtime::Get();
    const String given = FromArg(phonebook);
    Call call("RasEnumEntries", Records<Ch>::kSuffix);
    call.Text("phonebook", given).Number("dwSize", names ? names->dwSize : 0);
    if (reserved || !bytes || !count)
        return call.Done(code::kInvalidParameter);
    if (names && !Accepts(Sizes<Ch>::kEntryName, names->dwSize))
        return call.Done(code::kInvalidSize);

    struct Found {
        String name;
        DWORD flags;
        String path;
    };
    std::vector<Found> found;
    std::vector<String> paths;
    if (given.empty())
        paths = {rt.AllUsersPhonebook(), rt.UserPhonebook()};
    else
        paths = {given};
    for (const String& path : paths) {
        Phonebook book = Phonebook::Parse("");
        if (const uint32_t r = rt.ReadPhonebook(path, book))
            return call.Done(r);
        const DWORD flags = rt.IsAllUsers(path) ? REN_AllUsers : REN_User;
        for (const String& name : book.EntryNames())
            found.push_back({name, flags, path});
    }
    const DWORD recordSize = names ? names->dwSize : sizeof(N);
    const DWORD needed = static_cast<DWORD>(found.size()) * recordSize;
    call.Number("entries", static_cast<int64_t>(found.size()));
    if (needed && (!names || *bytes < needed)) {
        *bytes = needed;
        *count = static_cast<DWORD>(found.size());
        return call.Done(code::kBufferTooSmall);
    }
    auto* out = reinterpret_cast<BYTE*>(names);
    for (size_t i = 0; i < found.size(); ++i) {
        N record{};
        record.dwSize = recordSize;
        ToField(record.szEntryName, found[i].name);
        if (recordSize >= Sizes<Ch>::kEntryNameV401) {
            record.dwFlags = found[i].flags;
            ToField(record.szPhonebookPath, found[i].path);
        }
        std::memcpy(out + i * recordSize, &record, recordSize);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(found.size());
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD GetSubEntryProperties(const Ch* phonebook, const Ch* entryName, DWORD index,
                            typename Records<Ch>::SubEntry* sub, LPDWORD subSize, LPBYTE, LPDWORD deviceInfoSize)
{
    using S = typename Records<Ch>::SubEntry;
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasGetSubEntryProperties", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("sub_entry", index).Number("dwSize", sub ? sub->dwSize : 0);
    if (deviceInfoSize)
        *deviceInfoSize = 0;
    if (!subSize)
        return call.Done(code::kInvalidParameter);
    if (sub && !Accepts(Sizes<Ch>::kSubEntry, sub->dwSize))
        return call.Done(code::kInvalidSize);
    Phonebook book = Phonebook::Parse("");
    if (const uint32_t r = rt.ReadPhonebook(path, book))
        return call.Done(r);
    SubEntry link;
    if (const uint32_t r = book.GetSubEntry(name, index, link))
        return call.Done(r);
    const DWORD needed = sizeof(S) + static_cast<DWORD>(StringListBytes<Ch>(link.alternates));
    if (!sub || *subSize < needed) {
        *subSize = needed;
        return call.Done(code::kBufferTooSmall);
    }
    auto* bytes = reinterpret_cast<BYTE*>(sub);
    std::memset(bytes + 4, 0, sizeof(S) - 4);
    sub->dwfFlags = link.flags;
    ToField(sub->szDeviceType, link.deviceType);
    ToField(sub->szDeviceName, link.deviceName);
    ToField(sub->szLocalPhoneNumber, link.localPhoneNumber);
    sub->dwAlternateOffset = link.alternates.empty() ? 0 : sizeof(S);
    WriteStringList<Ch>(bytes + sizeof(S), link.alternates);
    *subSize = needed;
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD SetSubEntryProperties(const Ch* phonebook, const Ch* entryName, DWORD index,
                            typename Records<Ch>::SubEntry* sub, DWORD subSize, LPBYTE, DWORD)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasSetSubEntryProperties", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("sub_entry", index).Number("dwSize", sub ? sub->dwSize : 0);
    if (!sub)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(Sizes<Ch>::kSubEntry, sub->dwSize) || subSize < sub->dwSize)
        return call.Done(code::kInvalidSize);
    SubEntry link;
    link.flags = sub->dwfFlags;
    link.deviceType = FromField(sub->szDeviceType);
    link.deviceName = FromField(sub->szDeviceName);
    link.localPhoneNumber = FromField(sub->szLocalPhoneNumber);
    if (sub->dwAlternateOffset) {
        if (sub->dwAlternateOffset < sub->dwSize || sub->dwAlternateOffset >= subSize)
            return call.Done(code::kInvalidParameter);
        link.alternates = ReadStringList<Ch>(reinterpret_cast<const BYTE*>(sub), sub->dwAlternateOffset, subSize);
    }
    const Scenario scenario = rt.CurrentScenario();
    if (scenario.RefuseEntryWrites())
        return call.Done(code::kAccessDenied);
    if (const uint32_t r = CheckDevice(scenario, link.deviceName))
        return call.Done(r);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) { return book.SetSubEntry(name, index, link); }));
}

template <class Ch>
DWORD DeleteSubEntry(const Ch* phonebook, const Ch* entryName, DWORD index)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasDeleteSubEntry", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("sub_entry", index);
    if (rt.CurrentScenario().RefuseEntryWrites())
        return call.Done(code::kAccessDenied);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) { return book.DeleteSubEntry(name, index); }));
}

template <class Ch>
DWORD GetCredentials(const Ch* phonebook, const Ch* entryName, typename Records<Ch>::Credentials* credentials)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasGetCredentials", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("dwSize", credentials ? credentials->dwSize : 0);
    if (!credentials)
        return call.Done(code::kInvalidParameter);
    call.Number("mask", credentials->dwMask);
    if (!Accepts(Sizes<Ch>::kCredentials, credentials->dwSize))
        return call.Done(code::kInvalidSize);
    Phonebook book = Phonebook::Parse("");
    if (const uint32_t r = rt.ReadPhonebook(path, book))
        return call.Done(r);
    Credentials stored;
    if (const uint32_t r = book.GetCredentials(name, credentials->dwMask, stored))
        return call.Done(r);
    credentials->dwMask = stored.mask;
    ToField(credentials->szUserName, stored.userName);
    ToField(credentials->szPassword, stored.password);
    ToField(credentials->szDomain, stored.domain);
    call.Number("stored_mask", stored.mask).Text("user", stored.userName);
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD SetCredentials(const Ch* phonebook, const Ch* entryName, typename Records<Ch>::Credentials* credentials,
                     BOOL clear)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    const String name = FromArg(entryName);
    Call call("RasSetCredentials", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Text("entry", name).Number("dwSize", credentials ? credentials->dwSize : 0);
    if (!credentials)
        return call.Done(code::kInvalidParameter);
    call.Number("mask", credentials->dwMask).Number("clear", clear ? 1 : 0);
    if (!Accepts(Sizes<Ch>::kCredentials, credentials->dwSize))
        return call.Done(code::kInvalidSize);
    Credentials in;
    in.mask = credentials->dwMask;
    in.userName = FromField(credentials->szUserName);
    in.password = FromField(credentials->szPassword);
    in.domain = FromField(credentials->szDomain);
    call.Text("user", in.userName);
    if (rt.CurrentScenario().RefuseCredentialWrites())
        return call.Done(code::kAccessDenied);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) { return book.SetCredentials(name, in, clear); }));
}

template <class Ch>
DWORD GetEntryDialParams(const Ch* phonebook, typename Records<Ch>::DialParams* params, LPBOOL passwordStored)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    Call call("RasGetEntryDialParams", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Number("dwSize", params ? params->dwSize : 0);
    if (!params || !passwordStored)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(Sizes<Ch>::kDialParams, params->dwSize))
        return call.Done(code::kInvalidSize);
    const String name = FromField(params->szEntryName);
    call.Text("entry", name);
    Phonebook book = Phonebook::Parse("");
    if (const uint32_t r = rt.ReadPhonebook(path, book))
        return call.Done(r);
    Credentials stored;
    if (const uint32_t r = book.GetCredentials(name, mask::kUserName | mask::kPassword | mask::kDomain, stored))
        return call.Done(r);
    ToField(params->szPhoneNumber, u"");
    ToField(params->szCallbackNumber, book.Entry(name)->Value(key::kCallbackNumber));
    ToField(params->szUserName, stored.userName);
    ToField(params->szPassword, stored.password);
    ToField(params->szDomain, stored.domain);
    *passwordStored = (stored.mask & mask::kPassword) ? TRUE : FALSE;
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD SetEntryDialParams(const Ch* phonebook, typename Records<Ch>::DialParams* params, BOOL removePassword)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    Call call("RasSetEntryDialParams", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Number("dwSize", params ? params->dwSize : 0);
    if (!params)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(Sizes<Ch>::kDialParams, params->dwSize))
        return call.Done(code::kInvalidSize);
    const String name = FromField(params->szEntryName);
    Credentials in;
    in.mask = mask::kUserName | mask::kDomain | (removePassword ? 0 : mask::kPassword);
    in.userName = FromField(params->szUserName);
    in.password = FromField(params->szPassword);
    in.domain = FromField(params->szDomain);
    const String callback = FromField(params->szCallbackNumber);
    call.Text("entry", name).Text("user", in.userName).Number("remove_password", removePassword ? 1 : 0);
    if (rt.CurrentScenario().RefuseCredentialWrites())
        return call.Done(code::kAccessDenied);
    return call.Done(rt.ChangePhonebook(path, [&](Phonebook& book) {
        uint32_t r = book.SetCredentials(name, in, false);
        if (!r && removePassword) {
            Credentials password;
            password.mask = mask::kPassword;
            r = book.SetCredentials(name, password, true);
        }
        return r ? r : book.SetCallbackNumber(name, callback);
    }));
}

} // namespace

} // namespace sim::rasapi32

using namespace sim::rasapi32;

extern "C" {

DWORD WINAPI RasGetEntryPropertiesA(LPCSTR pbk, LPCSTR entry, LPRASENTRYA rec, LPDWORD size, LPBYTE dev, LPDWORD devSize)
{
    return GetEntryProperties<char>(pbk, entry, rec, size, dev, devSize);
}
DWORD WINAPI RasGetEntryPropertiesW(LPCWSTR pbk, LPCWSTR entry, LPRASENTRYW rec, LPDWORD size, LPBYTE dev, LPDWORD devSize)
{
    return GetEntryProperties<wchar_t>(pbk, entry, rec, size, dev, devSize);
}
DWORD WINAPI RasSetEntryPropertiesA(LPCSTR pbk, LPCSTR entry, LPRASENTRYA rec, DWORD size, LPBYTE dev, DWORD devSize)
{
    return SetEntryProperties<char>(pbk, entry, rec, size, dev, devSize);
}
DWORD WINAPI RasSetEntryPropertiesW(LPCWSTR pbk, LPCWSTR entry, LPRASENTRYW rec, DWORD size, LPBYTE dev, DWORD devSize)
{
    return SetEntryProperties<wchar_t>(pbk, entry, rec, size, dev, devSize);
}
DWORD WINAPI RasValidateEntryNameA(LPCSTR pbk, LPCSTR entry) { return ValidateEntryName<char>(pbk, entry); }
DWORD WINAPI RasValidateEntryNameW(LPCWSTR pbk, LPCWSTR entry) { return ValidateEntryName<wchar_t>(pbk, entry); }
DWORD WINAPI RasDeleteEntryA(LPCSTR pbk, LPCSTR entry) { return DeleteEntry<char>(pbk, entry); }
DWORD WINAPI RasDeleteEntryW(LPCWSTR pbk, LPCWSTR entry) { return DeleteEntry<wchar_t>(pbk, entry); }
DWORD WINAPI RasRenameEntryA(LPCSTR pbk, LPCSTR from, LPCSTR to) { return RenameEntry<char>(pbk, from, to); }
DWORD WINAPI RasRenameEntryW(LPCWSTR pbk, LPCWSTR from, LPCWSTR to) { return RenameEntry<wchar_t>(pbk, from, to); }
DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR pbk, LPRASENTRYNAMEA names, LPDWORD bytes, LPDWORD count)
{
    return EnumEntries<char>(reserved, pbk, names, bytes, count);
}
DWORD WINAPI RasEnumEntriesW(LPCWSTR reserved, LPCWSTR pbk, LPRASENTRYNAMEW names, LPDWORD bytes, LPDWORD count)
{
    return EnumEntries<wchar_t>(reserved, pbk, names, bytes, count);
}
DWORD WINAPI RasGetSubEntryPropertiesA(LPCSTR pbk, LPCSTR entry, DWORD index, LPRASSUBENTRYA sub, LPDWORD size,
                                       LPBYTE dev, LPDWORD devSize)
{
    return GetSubEntryProperties<char>(pbk, entry, index, sub, size, dev, devSize);
}
DWORD WINAPI RasGetSubEntryPropertiesW(LPCWSTR pbk, LPCWSTR entry, DWORD index, LPRASSUBENTRYW sub, LPDWORD size,
                                       LPBYTE dev, LPDWORD devSize)
{
    return GetSubEntryProperties<wchar_t>(pbk, entry, index, sub, size, dev, devSize);
}
DWORD WINAPI RasSetSubEntryPropertiesA(LPCSTR pbk, LPCSTR entry, DWORD index, LPRASSUBENTRYA sub, DWORD size,
                                       LPBYTE dev, DWORD devSize)
{
    return SetSubEntryProperties<char>(pbk, entry, index, sub, size, dev, devSize);
}
DWORD WINAPI RasSetSubEntryPropertiesW(LPCWSTR pbk, LPCWSTR entry, DWORD index, LPRASSUBENTRYW sub, DWORD size,
                                       LPBYTE dev, DWORD devSize)
{
    return SetSubEntryProperties<wchar_t>(pbk, entry, index, sub, size, dev, devSize);
}
DWORD WINAPI RasDeleteSubEntryA(LPCSTR pbk, LPCSTR entry, DWORD index) { return DeleteSubEntry<char>(pbk, entry, index); }
DWORD WINAPI RasDeleteSubEntryW(LPCWSTR pbk, LPCWSTR entry, DWORD index)
{
    return DeleteSubEntry<wchar_t>(pbk, entry, index);
}
DWORD WINAPI RasGetCredentialsA(LPCSTR pbk, LPCSTR entry, LPRASCREDENTIALSA c) { return GetCredentials<char>(pbk, entry, c); }
DWORD WINAPI RasGetCredentialsW(LPCWSTR pbk, LPCWSTR entry, LPRASCREDENTIALSW c)
{
    return GetCredentials<wchar_t>(pbk, entry, c);
}
DWORD WINAPI RasSetCredentialsA(LPCSTR pbk, LPCSTR entry, LPRASCREDENTIALSA c, WINBOOL clear)
{
    return SetCredentials<char>(pbk, entry, c, clear);
}
DWORD WINAPI RasSetCredentialsW(LPCWSTR pbk, LPCWSTR entry, LPRASCREDENTIALSW c, WINBOOL clear)
{
    return SetCredentials<wchar_t>(pbk, entry, c, clear);
}
DWORD WINAPI RasGetEntryDialParamsA(LPCSTR pbk, LPRASDIALPARAMSA p, LPBOOL stored)
{
    return GetEntryDialParams<char>(pbk, p, stored);
}
DWORD WINAPI RasGetEntryDialParamsW(LPCWSTR pbk, LPRASDIALPARAMSW p, LPBOOL stored)
{
    return GetEntryDialParams<wchar_t>(pbk, p, stored);
}
DWORD WINAPI RasSetEntryDialParamsA(LPCSTR pbk, LPRASDIALPARAMSA p, WINBOOL remove)
{
    return SetEntryDialParams<char>(pbk, p, remove);
}
DWORD WINAPI RasSetEntryDialParamsW(LPCWSTR pbk, LPRASDIALPARAMSW p, WINBOOL remove)
{
    return SetEntryDialParams<wchar_t>(pbk, p, remove);
}

} // extern "C"
