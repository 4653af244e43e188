// TRasCon: entry properties, phonebook operations, the connection list, sub-entry handles, the
// device list and country information.
#include "dialup/rascon_impl_win32.h"

#include "core/codepage.h"

#include <cstring>

namespace dialup {

namespace {

HRASCONN H(uint64_t handle) { return reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(handle)); }

} // namespace

std::vector<String> ReadAlternates(const uint8_t* buffer, size_t end, size_t offset)
{
    std::vector<String> out;
    size_t at = offset;
    while (at < end) {
        const auto* start = reinterpret_cast<const char*>(buffer + at);
        const size_t length = strnlen(start, end - at);
        const std::string item = TrimAnsi(std::string_view(start, length));
        if (item.empty())
            break;
        out.push_back(core::FromAnsi(item));
        at += length + 1;
    }
    return out;
}

bool WriteAlternates(uint8_t* buffer, size_t capacity, size_t at, const std::vector<String>& items, size_t& written)
{
    std::string bytes;
    for (const String& item : items) {
        if (item.empty())
            continue;
        bytes += core::ToAnsi(item);
        bytes += '\0';
    }
    bytes += '\0';
    written = 0;
    if (at > capacity || bytes.size() > capacity - at)
        return false;
    std::memcpy(buffer + at, bytes.data(), bytes.size());
    written = bytes.size();
    return true;
}

// ---- Entry properties ----

int TRasCon::GetEntryProperties() { return GetEntryProps(true); }

int TRasCon::GetEntryProps(bool subEnts)
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    for (int i = 1; i <= 4; ++i) {
        SubLocalPhoneNumber[size_t(i)].clear();
        SubPhoneCanonical[size_t(i)].clear();
        SubDeviceType[size_t(i)].clear();
        SubDeviceName[size_t(i)].clear();
        SubDevicePort[size_t(i)].clear();
    }
    SubCurTotal = 0;
    Impl& m = *m_impl;
    std::fill(m.entry.begin(), m.entry.end(), 0);
    std::fill(m.devInfo.begin(), m.devInfo.end(), 0);
    m.entrySize = m.devInfoSize = 0;
    const OSKind kind = RasOSKind();
    const uint32_t recordSize = RecordSizesFor(kind).entry;
    auto* record = reinterpret_cast<RASENTRYA*>(m.entry.data());
    record->dwSize = recordSize;
    auto get = DIALUP_RASFN(ras, RasGetEntryPropertiesA);
    const std::string entry = core::ToAnsi(EntryName);
    DWORD size = 0, devSize = 0;
    int result = get ? static_cast<int>(get(PhonebookArg(), entry.c_str(), nullptr, &size, nullptr, &devSize))
                     : kErrorLibraryMissing;
    if (result == 0 || result == kErrorBufferTooSmall) {
        size = std::min<DWORD>(std::max<DWORD>(size, recordSize), kEntryBufferSize);
        if (kind == OSW9x && (devSize == 0 || devSize > kDevInfoBufferSize))
            devSize = kDevInfoBufferSize;
        devSize = std::min<DWORD>(devSize, kDevInfoBufferSize);
        record->dwSize = recordSize;
        result = static_cast<int>(get(PhonebookArg(), entry.c_str(), record, &size,
                                      devSize ? m.devInfo.data() : nullptr, devSize ? &devSize : nullptr));
    }
    SetLastError(result);
    if (result) {
        SetStatusStr(GetErrorString(result));
        return result;
    }
    // What the library reports is used only as far as the buffer goes.
    m.entrySize = std::min<DWORD>(std::max<DWORD>(size, recordSize), kEntryBufferSize);
    m.devInfoSize = std::min<DWORD>(devSize, kDevInfoBufferSize);
    EntryOptions = record->dwfOptions;
    UseCountryAndAreaCodes = (EntryOptions & RASEO_UseCountryAndAreaCodes) != 0;
    PromoteAlternates = (EntryOptions & RASEO_PromoteAlternates) != 0;
    CountryCode = static_cast<int>(record->dwCountryCode);
    CountryID = static_cast<int>(record->dwCountryID);
    AreaCode = core::FromAnsi(TrimAnsi(FixedToStr(record->szAreaCode, strnlen(record->szAreaCode, sizeof record->szAreaCode))));
    LocalPhoneNumber = core::FromAnsi(TrimAnsi(
        FixedToStr(record->szLocalPhoneNumber, strnlen(record->szLocalPhoneNumber, sizeof record->szLocalPhoneNumber))));
    PhoneCanonical = RasGetCanonical(UseCountryAndAreaCodes, CountryCode, AreaCode, LocalPhoneNumber);
    std::string name, port;
    SplitDeviceName(record->szDeviceName, sizeof record->szDeviceName, name, port);
    DeviceName = core::FromAnsi(name);
    DevicePort = core::FromAnsi(port);
    DeviceType = Impl::Lower(GetAnsiField(record->szDeviceType, sizeof record->szDeviceType));
    AutoDialDLL = GetAnsiField(record->szAutodialDll, sizeof record->szAutodialDll);
    AutoDialFunc = GetAnsiField(record->szAutodialFunc, sizeof record->szAutodialFunc);
    TotSubEntries = recordSize > offsetof(RASENTRYA, dwSubEntries) ? static_cast<int>(record->dwSubEntries) : 0;
    DialMode = recordSize > offsetof(RASENTRYA, dwDialMode) ? static_cast<int>(record->dwDialMode) : 0;
    AltPhoneNrList.clear();
    if (record->dwAlternateOffset)
        AltPhoneNrList = ReadAlternates(m.entry.data(), m.entrySize, record->dwAlternateOffset);
    if (subEnts && TotSubEntries > 0) {
        for (int i = 1; i <= std::min(TotSubEntries, 4); ++i) {
            if (const int r = GetSubEntryProps(i)) {
                result = r;
                break;
            }
            ++SubCurTotal;
        }
    }
    if (kind == OSW9x) {
        HKEY key = nullptr;
        const String path = u"RemoteAccess\\Profile\\" + EntryName;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.c_str()), 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            DWORD value = 0, type = 0, bytes = sizeof value;
            if (RegQueryValueExW(key, L"MultiLink", nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) ==
                    ERROR_SUCCESS &&
                bytes == 4 && value == 1)
                TotSubEntries = 2;
            RegCloseKey(key);
        }
    }
    return result;
}

int TRasCon::GetSubEntryProps(int subEntry)
{
    if (RasOSKind() == OSW9x || subEntry < 1 || subEntry > 4)
        return -1;
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    auto get = DIALUP_RASFN(ras, RasGetSubEntryPropertiesA);
    if (!get)
        return Fail1157();
    std::vector<uint8_t> buffer(kSubEntryBufferSize);
    auto* sub = reinterpret_cast<RASSUBENTRYA*>(buffer.data());
    sub->dwSize = sizeof(RASSUBENTRYA);
    const std::string entry = core::ToAnsi(EntryName);
    DWORD size = 0;
    int result = static_cast<int>(get(PhonebookArg(), entry.c_str(), static_cast<DWORD>(subEntry), nullptr, &size,
                                      nullptr, nullptr));
    if (result == 0 || result == kErrorBufferTooSmall) {
        size = std::min<DWORD>(std::max<DWORD>(size, sizeof(RASSUBENTRYA)), kSubEntryBufferSize);
        result = static_cast<int>(get(PhonebookArg(), entry.c_str(), static_cast<DWORD>(subEntry), sub, &size,
                                      nullptr, nullptr));
    }
    SetLastError(result);
    if (result) {
        SetStatusStr(GetErrorString(result));
        return result;
    }
    const auto i = static_cast<size_t>(subEntry);
    SubDeviceType[i] = Impl::Lower(GetAnsiField(sub->szDeviceType, sizeof sub->szDeviceType));
    std::string name, port;
    SplitDeviceName(sub->szDeviceName, sizeof sub->szDeviceName, name, port);
    SubDeviceName[i] = core::FromAnsi(name);
    SubDevicePort[i] = core::FromAnsi(port);
    SubLocalPhoneNumber[i] = GetAnsiField(sub->szLocalPhoneNumber, sizeof sub->szLocalPhoneNumber);
    SubPhoneCanonical[i] = RasGetCanonical(UseCountryAndAreaCodes, CountryCode, AreaCode, SubLocalPhoneNumber[i]);
    return 0;
}

int TRasCon::PutEntryProperties()
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    Impl& m = *m_impl;
    auto* record = reinterpret_cast<RASENTRYA*>(m.entry.data());
    if (m.entrySize == 0 || record->dwSize == 0) {
        SetStatusStr(u"Must Read Entry Properties First");
        SetLastError(kErrorBufferTooSmall);
        return kErrorBufferTooSmall;
    }
    auto set = DIALUP_RASFN(ras, RasSetEntryPropertiesA);
    const std::string entry = core::ToAnsi(EntryName);
    const int result = set ? static_cast<int>(set(PhonebookArg(), entry.c_str(), record, m.entrySize,
                                                  m.devInfoSize ? m.devInfo.data() : nullptr, m.devInfoSize))
                           : kErrorLibraryMissing;
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    return result;
}

int TRasCon::PutPhonebook()
{
    if (!Ras().Load() || !Ras().EntryFuncs())
        return Fail1157();
    Impl& m = *m_impl;
    auto* record = reinterpret_cast<RASENTRYA*>(m.entry.data());
    if (m.entrySize && record->dwSize) {
        record->dwfOptions = (EntryOptions & ~DWORD(RASEO_UseCountryAndAreaCodes)) |
                             (UseCountryAndAreaCodes ? RASEO_UseCountryAndAreaCodes : 0);
        record->dwCountryCode = static_cast<DWORD>(CountryCode);
        record->dwCountryID = static_cast<DWORD>(CountryID);
        PutAnsiField(record->szAreaCode, sizeof record->szAreaCode, AreaCode, 10);
        PutAnsiField(record->szLocalPhoneNumber, sizeof record->szLocalPhoneNumber, LocalPhoneNumber, 128);
        PutAnsiField(record->szAutodialDll, sizeof record->szAutodialDll, AutoDialDLL, 259);
        PutAnsiField(record->szAutodialFunc, sizeof record->szAutodialFunc, AutoDialFunc, 259);
        if (record->dwSize > offsetof(RASENTRYA, dwSubEntries))
            record->dwSubEntries = 0;
    }
    return PutEntryProperties();
}

int TRasCon::UpdatePhonebook()
{
    if (PhoneCanonical.empty()) {
        SetStatusStr(u"Must Specify Canonical Number");
        SetLastError(kErrorBufferTooSmall);
        return kErrorBufferTooSmall;
    }
    const int oldCountry = CountryCode;
    RasUnpackCanonical(PhoneCanonical, UseCountryAndAreaCodes, CountryCode, LocalPhoneNumber, AreaCode);
    if (CountryCode != oldCountry || CountryID == 0)
        CountryID = CountryCode;
    return PutPhonebook();
}

int TRasCon::CopyPhonebook(const String& newName)
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    auto validate = DIALUP_RASFN(ras, RasValidateEntryNameA);
    const std::string name = core::ToAnsi(newName);
    const int result = validate ? static_cast<int>(validate(nullptr, name.c_str())) : kErrorLibraryMissing;
    SetLastError(result);
    if (result) {
        SetStatusStr(GetErrorString(result));
        return result;
    }
    EntryName = newName;
    return PutEntryProperties();
}

int TRasCon::RenamePhonebook(const String& newName)
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    auto validate = DIALUP_RASFN(ras, RasValidateEntryNameA);
    auto rename = DIALUP_RASFN(ras, RasRenameEntryA);
    const std::string from = core::ToAnsi(EntryName), to = core::ToAnsi(newName);
    int result = validate ? static_cast<int>(validate(PhonebookArg(), to.c_str())) : kErrorLibraryMissing;
    if (result == 0)
        result = rename ? static_cast<int>(rename(PhonebookArg(), from.c_str(), to.c_str())) : kErrorLibraryMissing;
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    else
        EntryName = newName;
    return result;
}

int TRasCon::DeletePhonebook()
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    auto remove = DIALUP_RASFN(ras, RasDeleteEntryA);
    const std::string entry = core::ToAnsi(EntryName);
    const int result = remove ? static_cast<int>(remove(PhonebookArg(), entry.c_str())) : kErrorLibraryMissing;
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    else
        EntryName.clear();
    return result;
}

int TRasCon::ValidateName(const String& name)
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    auto validate = DIALUP_RASFN(ras, RasValidateEntryNameA);
    const std::string text = core::ToAnsi(name);
    const int result = validate ? static_cast<int>(validate(PhonebookArg(), text.c_str())) : kErrorLibraryMissing;
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    return result;
}

int TRasCon::EditPhonebook(uintptr_t window)
{
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    const std::string entry = core::ToAnsi(EntryName);
    int result = kErrorLibraryMissing;
    if (IsNTKind(RasOSKind()) && DIALUP_RASFN(ras, RasEntryDlgA)) {
        RASENTRYDLGA dialog{};
        dialog.dwSize = sizeof dialog;
        dialog.hwndOwner = reinterpret_cast<HWND>(window);
        dialog.dwFlags = RASEDFLAG_NoRename;
        result = DIALUP_RASFN(ras, RasEntryDlgA)(const_cast<char*>(PhonebookArg()), const_cast<char*>(entry.c_str()),
                                                 &dialog)
                     ? 0
                     : static_cast<int>(dialog.dwError);
    } else if (auto edit = DIALUP_RASFN(ras, RasEditPhonebookEntryA)) {
        result = static_cast<int>(edit(reinterpret_cast<HWND>(window), PhonebookArg(), entry.c_str()));
    }
    SetLastError(result);
    return result;
}

int TRasCon::CreatePhonebook(uintptr_t window)
{
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    int result = kErrorLibraryMissing;
    if (IsNTKind(RasOSKind()) && DIALUP_RASFN(ras, RasEntryDlgA)) {
        RASENTRYDLGA dialog{};
        dialog.dwSize = sizeof dialog;
        dialog.hwndOwner = reinterpret_cast<HWND>(window);
        dialog.dwFlags = RASEDFLAG_NewEntry | RASEDFLAG_NoRename;
        result = DIALUP_RASFN(ras, RasEntryDlgA)(const_cast<char*>(PhonebookArg()), nullptr, &dialog)
                     ? 0
                     : static_cast<int>(dialog.dwError);
    } else if (auto create = DIALUP_RASFN(ras, RasCreatePhonebookEntryA)) {
        result = static_cast<int>(create(reinterpret_cast<HWND>(window), nullptr));
    }
    SetLastError(result);
    return result;
}

int TRasCon::GetPhoneBookEntries()
{
    PhoneBookEntries.clear();
    const int result = RasGetEntryList(m_phonebook.path);
    SetLastError(result);
    if (result == 0)
        for (const TEntryRec& rec : RasEntryRecs())
            PhoneBookEntries.push_back(rec.EntryName);
    return result;
}

// ---- Connections ----

namespace {

// Enumerates the active connections into normalised records; more than the buffer holds are
// fetched with a buffer of the size the library asks for.
int EnumerateConnections(std::vector<TRasConnRecord>& out, uint32_t& count)
{
    out.clear();
    count = 0;
    RasBinding& ras = Ras();
    auto enumerate = DIALUP_RASFN(ras, RasEnumConnectionsA);
    if (!enumerate)
        return kErrorLibraryMissing;
    const uint32_t recordSize = RecordSizesFor(RasOSKind()).conn;
    std::vector<uint8_t> buffer(size_t(kMaxListedConnections) * kLargestConnRecord);
    int result = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::fill(buffer.begin(), buffer.end(), 0);
        reinterpret_cast<RASCONNA*>(buffer.data())->dwSize = recordSize;
        DWORD bytes = static_cast<DWORD>(buffer.size());
        DWORD n = 0;
        result = static_cast<int>(enumerate(reinterpret_cast<RASCONNA*>(buffer.data()), &bytes, &n));
        if (result == kErrorBufferTooSmall && bytes > buffer.size() && bytes <= (1u << 20)) {
            buffer.resize(bytes);
            continue;
        }
        if (result != 0)
            return result;
        count = n;
        break;
    }
    if (result != 0)
        return result;
    const size_t fits = buffer.size() / recordSize;
    for (size_t i = 0; i < std::min<size_t>(count, fits); ++i) {
        RASCONNA record{};
        std::memcpy(&record, buffer.data() + i * recordSize, std::min<size_t>(recordSize, sizeof record));
        TRasConnRecord r;
        r.dwSize = recordSize;
        r.rasConn = reinterpret_cast<uintptr_t>(record.hrasconn);
        r.szEntryName = GetAnsiField(record.szEntryName, sizeof record.szEntryName);
        r.szDeviceType = GetAnsiField(record.szDeviceType, sizeof record.szDeviceType);
        r.szDeviceName = GetAnsiField(record.szDeviceName, sizeof record.szDeviceName);
        if (recordSize > offsetof(RASCONNA, szPhonebook)) {
            r.szPhonebook = GetAnsiField(record.szPhonebook, sizeof record.szPhonebook);
            r.dwSubEntry = record.dwSubEntry;
        }
        if (recordSize > offsetof(RASCONNA, guidEntry))
            std::memcpy(r.guidEntry.data(), &record.guidEntry, 16);
        if (recordSize > offsetof(RASCONNA, dwFlags)) {
            r.dwFlags = record.dwFlags;
            std::memcpy(&r.luid, &record.luid, sizeof r.luid);
        }
        out.push_back(std::move(r));
    }
    return 0;
}

} // namespace

void TRasCon::GetConnection(String& name)
{
    CurConnName.clear();
    CurRasConn = 0;
    NumConns = 0;
    name.clear();
    SetLastError(kErrorLibraryMissing);
    if (!Ras().Load())
        return;
    std::vector<TRasConnRecord> records;
    uint32_t count = 0;
    const int result = EnumerateConnections(records, count);
    SetLastError(result);
    NumConns = count;
    m_impl->lastRecords = std::move(records);
    if (result != 0 || m_impl->lastRecords.empty())
        return;
    const TRasConnRecord& first = m_impl->lastRecords.front();
    CurConnName = first.szEntryName;
    CurRasConn = first.rasConn;
    {
        std::lock_guard l(m_mutex);
        m_state.CurDevName = first.szDeviceName;
        m_state.CurDevType = Impl::Lower(first.szDeviceType);
    }
    CurPhonebook = first.szPhonebook;
    name = CurConnName;
}

int TRasCon::GetConnections()
{
    ConnChangedFlag = false;
    String name;
    GetConnection(name);
    const int result = LastError();
    if (result == 0)
        ConnChangedFlag = Connections.Update(m_impl->lastRecords);
    return result;
}

int TRasCon::GetSubHandle(uint64_t connHandle, int subEntry, uint64_t& subRasConn)
{
    subRasConn = 0;
    if (!Ras().Load())
        return Fail1157();
    if (RasOSKind() == OSW9x)
        return -1;
    auto get = DIALUP_RASFN(Ras(), RasGetSubEntryHandleA);
    HRASCONN sub = nullptr;
    const int result = get ? static_cast<int>(get(H(connHandle), static_cast<DWORD>(subEntry), &sub))
                           : kErrorLibraryMissing;
    subRasConn = reinterpret_cast<uintptr_t>(sub);
    SetLastError(result);
    return result;
}

int TRasCon::GetSubHandles(uint64_t connHandle, int subEntries, TSubHandList& list)
{
    list.fill(0);
    if (!Ras().Load())
        return Fail1157();
    if (RasOSKind() == OSW9x)
        return -1;
    int result = -1;
    int found = 0;
    // The list has room for eight sub-entries.
    for (int i = 1; i <= std::min(subEntries, 8); ++i) {
        uint64_t handle = 0;
        result = GetSubHandle(connHandle, i, handle);
        list[size_t(i)] = handle;
        if (result == 0)
            ++found;
    }
    list[0] = static_cast<uint64_t>(found);
    return found >= 2 ? 0 : result;
}

int TRasCon::GetDeviceList()
{
    DeviceNameList.clear();
    DeviceTypeList.clear();
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    auto enumerate = DIALUP_RASFN(ras, RasEnumDevicesA);
    if (!enumerate)
        return Fail1157();
    DWORD bytes = 0, count = 0;
    int result = static_cast<int>(enumerate(nullptr, &bytes, &count));
    if ((result == 0 || result == kErrorBufferTooSmall) && count > 0 && bytes >= sizeof(RASDEVINFOA) &&
        bytes <= (1u << 20)) {
        std::vector<RASDEVINFOA> devices((bytes + sizeof(RASDEVINFOA) - 1) / sizeof(RASDEVINFOA));
        devices[0].dwSize = sizeof(RASDEVINFOA);
        bytes = static_cast<DWORD>(devices.size() * sizeof(RASDEVINFOA));
        result = static_cast<int>(enumerate(devices.data(), &bytes, &count));
        if (result == 0)
            for (size_t i = 0; i < std::min<size_t>(count, devices.size()); ++i) {
                const String name = GetAnsiField(devices[i].szDeviceName, sizeof devices[i].szDeviceName);
                if (name.empty())
                    continue;
                DeviceNameList.push_back(name);
                DeviceTypeList.push_back(Impl::Lower(GetAnsiField(devices[i].szDeviceType, sizeof devices[i].szDeviceType)));
            }
    }
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    return result;
}

int TRasCon::GetOneCountryInfo(int countryId, int& countryCode, String& countryName)
{
    countryCode = 0;
    countryName.clear();
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail1157();
    auto get = DIALUP_RASFN(ras, RasGetCountryInfoA);
    if (!get)
        return Fail1157();
    alignas(RASCTRYINFOA) uint8_t buffer[276] = {};
    auto* info = reinterpret_cast<RASCTRYINFOA*>(buffer);
    info->dwSize = sizeof(RASCTRYINFOA);
    info->dwCountryID = static_cast<DWORD>(countryId);
    DWORD bytes = sizeof buffer;
    const int result = static_cast<int>(get(info, &bytes));
    SetLastError(result);
    if (result == 0) {
        countryCode = static_cast<int>(info->dwCountryCode);
        // The name offset comes from the library: used only inside the buffer.
        if (info->dwCountryNameOffset >= sizeof(RASCTRYINFOA) && info->dwCountryNameOffset < sizeof buffer) {
            const char* name = reinterpret_cast<const char*>(buffer + info->dwCountryNameOffset);
            countryName = core::FromAnsi(TrimAnsi(std::string_view(name, strnlen(name, sizeof buffer - info->dwCountryNameOffset))));
        }
    } else {
        SetStatusStr(GetErrorString(result));
    }
    return result;
}

String TRasCon::GetCanonical(bool useCountryAndAreaCodes, int countryCode, const String& areaCode,
                             const String& localPhoneNumber) const
{
    return RasGetCanonical(useCountryAndAreaCodes, countryCode, areaCode, localPhoneNumber);
}

void TRasCon::UnpackCanonical(const String& phoneCanonical, bool& useCountryAndAreaCodes, String& localPhoneNumber,
                              String& areaCode, int& countryCode) const
{
    RasUnpackCanonical(phoneCanonical, useCountryAndAreaCodes, countryCode, localPhoneNumber, areaCode);
}

} // namespace dialup
