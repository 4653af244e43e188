// TRasEdt: the entry record (RASENTRYA at the kind's size, with alternate numbers after it), the
// sub-entry records, credentials and the country table.
#include "core/win32.h"

#include "dialup/rasedt.h"

#include "dialup/ipaddr.h"
#include "dialup/rasapi_win32.h"
#include "dialup/rascon_impl_win32.h"
#include "dialup/rasent.h"

#include "core/codepage.h"

#include <cstring>

namespace dialup {

namespace {

using Flag = bool TRasEdt::*;

// dwfOptions: bit n is entry n (nullptr: bit 22, neither read nor written).
constexpr Flag kOptions[32] = {
    &TRasEdt::bUseCountryAndAreaCodes, &TRasEdt::bSpecificIPAddress, &TRasEdt::bSpecificNameServers,
    &TRasEdt::bHeaderCompression, &TRasEdt::bRemoteDefaultGateway, &TRasEdt::bDisableLCPExtensions,
    &TRasEdt::bTerminalBeforeDial, &TRasEdt::bTerminalAfterDial, &TRasEdt::bModemLights,
    &TRasEdt::bSoftwareCompression, &TRasEdt::bRequireEncryptedPassword, &TRasEdt::bRequireMSEncryptedPassword,
    &TRasEdt::bRequireDataEncryption, &TRasEdt::bNetworkLogon, &TRasEdt::bUseLogonCredentials,
    &TRasEdt::bPromoteAlternates, &TRasEdt::bSecureLocalFiles, &TRasEdt::bRequireEAP, &TRasEdt::bRequirePAP,
    &TRasEdt::bRequireSPAP, &TRasEdt::bCustom, &TRasEdt::bPreviewPhoneNumber, nullptr,
    &TRasEdt::bSharedPhoneNumbers, &TRasEdt::bPreviewUserPw, &TRasEdt::bPreviewDomain,
    &TRasEdt::bShowDialingProgress, &TRasEdt::bRequireCHAP, &TRasEdt::bRequireMsCHAP, &TRasEdt::bRequireMsCHAP2,
    &TRasEdt::bRequireW95MSCHAP, &TRasEdt::bCustomScript,
};
constexpr Flag kOptions2[10] = {
    &TRasEdt::bSecureFileAndPrint, &TRasEdt::bSecureClientForMSNet, &TRasEdt::bDontNegotiateMultilink,
    &TRasEdt::bDontUseRasCredentials, &TRasEdt::bUsePreSharedKey, &TRasEdt::bInternet, &TRasEdt::bDisableNbtOverIP,
    &TRasEdt::bUseGlobalDeviceSettings, &TRasEdt::bReconnectIfDropped, &TRasEdt::bSharePhoneNumbers,
};
static_assert(RASEO_UseCountryAndAreaCodes == 1u << 0 && RASEO_PromoteAlternates == 1u << 15 &&
              RASEO_PreviewPhoneNumber == 1u << 21 && RASEO_SharedPhoneNumbers == 1u << 23 &&
              RASEO_RequireMsCHAP2 == 1u << 29 && RASEO_CustomScript == 1u << 31);
static_assert(RASEO2_SecureFileAndPrint == 1u << 0 && RASEO2_SharePhoneNumbers == 1u << 9);

// The modem configuration written for a Windows 9x modem entry whose device information is unusable.
constexpr uint8_t kModemConfig[108] = {
    0x6C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x60, 0x00, 0x00, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x00, 0xC2, 0x01, 0x00, 0x15, 0x20, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00,
    0x0A, 0x00, 0x08, 0x00, 0x00, 0x11, 0x13, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x30, 0x00,
    0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,
    0x00, 0x00, 0xD3, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

RASIPADDR ToRasIp(const String& text)
{
    const uint32_t address = StrToIP(text);
    RASIPADDR ip;
    std::memcpy(&ip, &address, 4);
    return ip;
}

String FromRasIp(const RASIPADDR& ip)
{
    uint32_t address = 0;
    std::memcpy(&address, &ip, 4);
    return IPToStr(address);
}

template <size_t N>
String Field(const char (&field)[N])
{
    return GetAnsiField(field, N);
}

template <size_t N>
void Put(char (&field)[N], const String& text)
{
    PutAnsiField(field, N, text, N - 1);
}

String Lower(const String& s)
{
    String out = s;
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

} // namespace

struct TRasEdt::Impl {
    std::vector<uint8_t> entry = std::vector<uint8_t>(kEntryBufferSize);
    uint32_t entrySize = 0;
    std::vector<uint8_t> devInfo = std::vector<uint8_t>(kDevInfoBufferSize);
    uint32_t devInfoSize = 0;
};

TRasEdt::TRasEdt() : m_impl(std::make_unique<Impl>())
{
    DefaultProps();
    m_def_country_id = StrToIntW(GetLocaleStr(LOCALE_ICOUNTRY));
    if (LoadRasApi()) {
        // A missing phonebook file is created with one blank line, so that the library finds it.
        for (int i = 0; i < 2; ++i) {
            const String path = RasPhoneFile(i);
            if (path.size() < 2 || path[1] != u':')
                continue;
            const wchar_t* wide = reinterpret_cast<const wchar_t*>(path.c_str());
            if (GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES)
                continue;
            const size_t slash = path.find_last_of(u"\\/");
            if (slash != String::npos)
                ForceDirs(path.substr(0, slash));
            HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                DWORD written = 0;
                WriteFile(file, " \r\n", 3, &written, nullptr);
                CloseHandle(file);
            }
        }
    } else {
        m_last_error = kErrorLibraryMissing;
    }
    m_phonebook.Clear();
    m_sub_init_total = 0;
    bDefaultCreds = false;
    GetPhoneBookFiles();
    SetPBLocation(RasOSKind() < OSVista ? 1 : 0);
}

TRasEdt::~TRasEdt()
{
    Password.assign(Password.size(), u'\0');
}

int TRasEdt::Fail(int code)
{
    m_last_error = code;
    return code;
}

const char* TRasEdt::PhonebookArg() const { return m_phonebook.Arg(); }
void TRasEdt::SetPhoneBookPath(const String& value) { m_phonebook.SetPath(value); }
void TRasEdt::SetPBLocation(int value) { m_phonebook.SetLocation(value); }

void TRasEdt::DefaultProps()
{
    for (Flag f : kOptions)
        if (f)
            this->*f = false;
    for (Flag f : kOptions2)
        this->*f = false;
    CountryCode = CountryID = 0;
    AreaCode.clear();
    LocalPhoneNumber.clear();
    PhoneCanonical.clear();
    IPAddress = DNSAddress = DNSAddressAlt = WINSAddress = WINSAddressAlt = u"0.0.0.0";
    FrameSize = 0;
    FramingProtocol = TFramingProtocol::framePPP;
    bNetBEUI = bNetIPX = bNetTCPIP = false;
    Script.clear(), AutoDialDLL.clear(), AutoDialFunc.clear(), DeviceName.clear(), DeviceType.clear();
    m_device_port.clear();
    X25PadType.clear(), X25Address.clear(), X25Facilities.clear(), X25UserData.clear();
    ISDNChannels = 0;
    m_sub_entries = 0;
    DialMode = TDialMode::dialAll;
    DialExtraPercent = DialExtraSampleSeconds = HangUpExtraPercent = HangUpExtraSampleSeconds = 0;
    IdleDisconnectSeconds = 0xFFFFFFFFu;
    PType = TPType::typePhone;
    EncryptionType = TEncryptionType::encryptOptional;
    CustomAuthKey = 0;
    m_guid = {};
    CustomDialDll.clear();
    VpnStrategy = TVpnStrategy::vpnDefault;
    DnsSuffix.clear();
    TcpWindowSize = 0;
    PrerequisitePbk.clear(), PrerequisiteEntry.clear();
    RedialCount = RedialPause = 0;
    UserName.clear(), Password.clear(), Domain.clear(), CallbackNumber.clear();
    PasswordFlag = false;
    AltPhoneNrList.clear();
    for (int i = 1; i <= 4; ++i) {
        SubLocalPhoneNumber[size_t(i)].clear();
        SubPhoneCanonical[size_t(i)].clear();
        SubDeviceType[size_t(i)].clear();
        SubDeviceName[size_t(i)].clear();
        SubDevicePort[size_t(i)].clear();
        SubAltPhoneNrList[size_t(i)].clear();
    }
    SubCurTotal = 0;
    m_impl->devInfoSize = 0;
}

void TRasEdt::PPPDefault()
{
    DefaultProps();
    bNetTCPIP = true;
    bHeaderCompression = true;
    bRemoteDefaultGateway = true;
    CountryID = CountryCode = m_def_country_id;
    m_phonebook.Clear();
    SetPBLocation(RasOSKind() < OSVista ? 1 : 0);
}

uint32_t TRasEdt::Options() const
{
    uint32_t options = 0;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if (kOptions[bit] && this->*kOptions[bit])
            options |= 1u << bit;
    return options;
}

uint32_t TRasEdt::Options2() const
{
    uint32_t options = 0;
    for (uint32_t bit = 0; bit < 10; ++bit)
        if (this->*kOptions2[bit])
            options |= 1u << bit;
    return options;
}

void TRasEdt::ReadOptions(uint32_t options, uint32_t options2, bool hasOptions2)
{
    for (uint32_t bit = 0; bit < 32; ++bit)
        if (kOptions[bit])
            this->*kOptions[bit] = (options >> bit) & 1;
    for (uint32_t bit = 0; bit < 10; ++bit)
        this->*kOptions2[bit] = hasOptions2 && ((options2 >> bit) & 1);
}

// ---- Reading ----

int TRasEdt::GetAllEntryProps(const String& entryName)
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail(kErrorLibraryMissing);
    DefaultProps();
    m_sub_init_total = 0;
    Impl& m = *m_impl;
    std::fill(m.entry.begin(), m.entry.end(), 0);
    std::fill(m.devInfo.begin(), m.devInfo.end(), 0);
    const OSKind kind = RasOSKind();
    const uint32_t recordSize = RecordSizesFor(kind).entry;
    auto* e = reinterpret_cast<RASENTRYA*>(m.entry.data());
    e->dwSize = recordSize;
    auto get = DIALUP_RASFN(ras, RasGetEntryPropertiesA);
    if (!get)
        return Fail(kErrorLibraryMissing);
    const std::string name = core::ToAnsi(entryName);
    DWORD size = 0, devSize = 0;
    int result = static_cast<int>(get(PhonebookArg(), name.c_str(), nullptr, &size, nullptr, &devSize));
    if (result == 0 || result == kErrorBufferTooSmall) {
        size = std::min<DWORD>(std::max<DWORD>(size, recordSize), kEntryBufferSize);
        if (kind == OSW9x && (devSize == 0 || devSize > kDevInfoBufferSize))
            devSize = kDevInfoBufferSize;
        devSize = std::min<DWORD>(devSize, kDevInfoBufferSize);
        e->dwSize = recordSize;
        result = static_cast<int>(get(PhonebookArg(), name.c_str(), e, &size, devSize ? m.devInfo.data() : nullptr,
                                      devSize ? &devSize : nullptr));
    }
    m_last_error = result;
    if (result) {
        m_status_str = GetErrorString(result);
        return result;
    }
    m.entrySize = std::min<DWORD>(std::max<DWORD>(size, recordSize), kEntryBufferSize);
    m.devInfoSize = std::min<DWORD>(devSize, kDevInfoBufferSize);

    const bool nt = IsNTKind(kind);
    ReadOptions(e->dwfOptions, e->dwfOptions2, kind >= OSWXP);
    CountryID = static_cast<int>(e->dwCountryID);
    CountryCode = static_cast<int>(e->dwCountryCode);
    AreaCode = Field(e->szAreaCode);
    LocalPhoneNumber = Field(e->szLocalPhoneNumber);
    PhoneCanonical = RasGetCanonical(bUseCountryAndAreaCodes, CountryCode, AreaCode, LocalPhoneNumber);
    IPAddress = FromRasIp(e->ipaddr);
    DNSAddress = FromRasIp(e->ipaddrDns);
    DNSAddressAlt = FromRasIp(e->ipaddrDnsAlt);
    WINSAddress = FromRasIp(e->ipaddrWins);
    WINSAddressAlt = FromRasIp(e->ipaddrWinsAlt);
    FrameSize = static_cast<int>(e->dwFrameSize);
    bNetBEUI = e->dwfNetProtocols & RASNP_NetBEUI;
    bNetIPX = e->dwfNetProtocols & RASNP_Ipx;
    bNetTCPIP = e->dwfNetProtocols & RASNP_Ip;
    switch (e->dwFramingProtocol) {
    case RASFP_Ppp: FramingProtocol = TFramingProtocol::framePPP; break;
    case RASFP_Slip: FramingProtocol = TFramingProtocol::frameSLIP; break;
    case RASFP_Ras: FramingProtocol = TFramingProtocol::frameNetbeui; break;
    default: break;
    }
    Script = Field(e->szScript);
    AutoDialDLL = Field(e->szAutodialDll);
    AutoDialFunc = Field(e->szAutodialFunc);
    DeviceType = Lower(Field(e->szDeviceType));
    std::string devName, devPort;
    SplitDeviceName(e->szDeviceName, sizeof e->szDeviceName, devName, devPort);
    DeviceName = core::FromAnsi(devName);
    m_device_port = core::FromAnsi(devPort);
    X25PadType = Field(e->szX25PadType);
    X25Address = Field(e->szX25Address);
    X25Facilities = Field(e->szX25Facilities);
    X25UserData = Field(e->szX25UserData);
    ISDNChannels = static_cast<int>(e->dwChannels);
    if (nt) {
        m_sub_entries = static_cast<int>(e->dwSubEntries);
        DialMode = e->dwDialMode <= 2 ? static_cast<TDialMode>(e->dwDialMode) : TDialMode::dialAll;
        DialExtraPercent = static_cast<int>(e->dwDialExtraPercent);
        DialExtraSampleSeconds = static_cast<int>(e->dwDialExtraSampleSeconds);
        HangUpExtraPercent = static_cast<int>(e->dwHangUpExtraPercent);
        HangUpExtraSampleSeconds = static_cast<int>(e->dwHangUpExtraSampleSeconds);
        IdleDisconnectSeconds = e->dwIdleDisconnectSeconds;
    }
    if (kind >= OSW2K) {
        PType = e->dwType <= 5 ? static_cast<TPType>(e->dwType) : TPType::typeUnknown;
        EncryptionType = e->dwEncryptionType <= 3 ? static_cast<TEncryptionType>(e->dwEncryptionType)
                                                  : TEncryptionType::encryptOptional;
        CustomAuthKey = static_cast<int>(e->dwCustomAuthKey);
        std::memcpy(m_guid.data(), &e->guidId, 16);
        CustomDialDll = Field(e->szCustomDialDll);
        VpnStrategy = e->dwVpnStrategy <= 4 ? static_cast<TVpnStrategy>(e->dwVpnStrategy) : TVpnStrategy::vpnDefault;
    }
    if (kind >= OSWXP) {
        DnsSuffix = Field(e->szDnsSuffix);
        TcpWindowSize = e->dwTcpWindowSize;
        PrerequisitePbk = Field(e->szPrerequisitePbk);
        PrerequisiteEntry = Field(e->szPrerequisiteEntry);
        RedialCount = e->dwRedialCount;
        RedialPause = e->dwRedialPause;
    }
    if (nt && e->dwAlternateOffset)
        AltPhoneNrList = ReadAlternates(m.entry.data(), m.entrySize, e->dwAlternateOffset);
    SubCurTotal = 0;
    for (int i = 1; i <= std::min(m_sub_entries, 4); ++i) {
        if (const int r = GetSubEntryProps(entryName, i)) {
            result = r;
            break;
        }
        ++SubCurTotal;
    }
    m_sub_init_total = SubCurTotal;
    return result;
}

int TRasEdt::GetSubEntryProps(const String& entryName, int subEntry)
{
    if (!IsNTKind(RasOSKind()) || subEntry < 1 || subEntry > 4)
        return -1;
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail(kErrorLibraryMissing);
    auto get = DIALUP_RASFN(ras, RasGetSubEntryPropertiesA);
    if (!get)
        return Fail(kErrorLibraryMissing);
    std::vector<uint8_t> buffer(kSubEntryBufferSize);
    auto* sub = reinterpret_cast<RASSUBENTRYA*>(buffer.data());
    sub->dwSize = sizeof(RASSUBENTRYA);
    const std::string name = core::ToAnsi(entryName);
    DWORD size = 0;
    int result = static_cast<int>(get(PhonebookArg(), name.c_str(), DWORD(subEntry), nullptr, &size, nullptr, nullptr));
    if (result == 0 || result == kErrorBufferTooSmall) {
        size = std::min<DWORD>(std::max<DWORD>(size, sizeof(RASSUBENTRYA)), kSubEntryBufferSize);
        result = static_cast<int>(get(PhonebookArg(), name.c_str(), DWORD(subEntry), sub, &size, nullptr, nullptr));
    }
    m_last_error = result;
    if (result) {
        m_status_str = GetErrorString(result);
        return result;
    }
    const auto i = static_cast<size_t>(subEntry);
    SubDeviceType[i] = Lower(Field(sub->szDeviceType));
    std::string devName, devPort;
    SplitDeviceName(sub->szDeviceName, sizeof sub->szDeviceName, devName, devPort);
    SubDeviceName[i] = core::FromAnsi(devName);
    SubDevicePort[i] = core::FromAnsi(devPort);
    SubLocalPhoneNumber[i] = Field(sub->szLocalPhoneNumber);
    SubPhoneCanonical[i] = RasGetCanonical(bUseCountryAndAreaCodes, CountryCode, AreaCode, SubLocalPhoneNumber[i]);
    SubAltPhoneNrList[i].clear();
    if (sub->dwAlternateOffset)
        SubAltPhoneNrList[i] = ReadAlternates(buffer.data(), std::min<size_t>(size, buffer.size()), sub->dwAlternateOffset);
    return 0;
}

// ---- Writing ----

int TRasEdt::PutAllEntryProps(const String& entryName)
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail(kErrorLibraryMissing);
    Impl& m = *m_impl;
    const OSKind kind = RasOSKind();
    const bool nt = IsNTKind(kind);
    const uint32_t recordSize = RecordSizesFor(kind).entry;
    std::fill(m.entry.begin(), m.entry.end(), 0);
    auto* e = reinterpret_cast<RASENTRYA*>(m.entry.data());
    e->dwSize = recordSize;
    uint32_t dataSize = recordSize;
    if (nt) {
        m.devInfoSize = 0;
    } else if (m.devInfoSize != 0) {
        uint32_t first = 0;
        std::memcpy(&first, m.devInfo.data(), 4);
        if (first != sizeof kModemConfig) {
            std::memcpy(m.devInfo.data(), kModemConfig, sizeof kModemConfig);
            m.devInfoSize = sizeof kModemConfig;
        }
    }
    e->dwfOptions = Options();
    e->dwCountryID = static_cast<DWORD>(CountryID);
    e->dwCountryCode = static_cast<DWORD>(CountryCode);
    PutAnsiField(e->szAreaCode, sizeof e->szAreaCode, AreaCode, 10);
    PutAnsiField(e->szLocalPhoneNumber, sizeof e->szLocalPhoneNumber, LocalPhoneNumber, 128);
    e->ipaddr = ToRasIp(IPAddress);
    e->ipaddrDns = ToRasIp(DNSAddress);
    e->ipaddrDnsAlt = ToRasIp(DNSAddressAlt);
    e->ipaddrWins = ToRasIp(WINSAddress);
    e->ipaddrWinsAlt = ToRasIp(WINSAddressAlt);
    e->dwFrameSize = FramingProtocol == TFramingProtocol::frameSLIP ? static_cast<DWORD>(FrameSize) : 0;
    e->dwfNetProtocols = (bNetBEUI ? RASNP_NetBEUI : 0) | (bNetIPX ? RASNP_Ipx : 0) | (bNetTCPIP ? RASNP_Ip : 0);
    e->dwFramingProtocol = FramingProtocol == TFramingProtocol::framePPP    ? RASFP_Ppp
                           : FramingProtocol == TFramingProtocol::frameSLIP ? RASFP_Slip
                                                                            : RASFP_Ras;
    Put(e->szScript, Script);
    Put(e->szAutodialDll, AutoDialDLL);
    Put(e->szAutodialFunc, AutoDialFunc);
    Put(e->szDeviceType, DeviceType);
    Put(e->szDeviceName, DeviceName);
    Put(e->szX25PadType, X25PadType);
    Put(e->szX25Address, X25Address);
    Put(e->szX25Facilities, X25Facilities);
    Put(e->szX25UserData, X25UserData);
    if (nt) {
        e->dwSubEntries = 0;
        e->dwDialMode = static_cast<DWORD>(DialMode);
        e->dwDialExtraPercent = static_cast<DWORD>(DialExtraPercent);
        e->dwDialExtraSampleSeconds = static_cast<DWORD>(DialExtraSampleSeconds);
        e->dwHangUpExtraPercent = static_cast<DWORD>(HangUpExtraPercent);
        e->dwHangUpExtraSampleSeconds = static_cast<DWORD>(HangUpExtraSampleSeconds);
        e->dwIdleDisconnectSeconds = IdleDisconnectSeconds;
    }
    if (kind >= OSW2K) {
        e->dwType = static_cast<DWORD>(PType);
        e->dwEncryptionType = static_cast<DWORD>(EncryptionType);
        e->dwCustomAuthKey = static_cast<DWORD>(CustomAuthKey);
        Put(e->szCustomDialDll, CustomDialDll);
        e->dwVpnStrategy = static_cast<DWORD>(VpnStrategy);
    }
    if (kind >= OSWXP) {
        e->dwfOptions2 = Options2();
        e->dwfOptions3 = 0;
        Put(e->szDnsSuffix, DnsSuffix);
        e->dwTcpWindowSize = TcpWindowSize;
        Put(e->szPrerequisitePbk, PrerequisitePbk);
        Put(e->szPrerequisiteEntry, PrerequisiteEntry);
        e->dwRedialCount = RedialCount;
        e->dwRedialPause = RedialPause;
    }
    e->dwAlternateOffset = 0;
    if (nt && !AltPhoneNrList.empty()) {
        size_t written = 0;
        // Numbers that would not fit the buffer are not written at all, rather than cut.
        if (WriteAlternates(m.entry.data(), m.entry.size(), recordSize, AltPhoneNrList, written)) {
            e->dwAlternateOffset = recordSize;
            dataSize += static_cast<uint32_t>(written);
        }
    }
    const std::string name = core::ToAnsi(entryName);
    if (kind >= OSWXP && SubCurTotal != 0 && SubCurTotal < m_sub_init_total) {
        if (auto remove = DIALUP_RASFN(ras, RasDeleteSubEntryA))
            remove(PhonebookArg(), name.c_str(), static_cast<DWORD>(m_sub_init_total));
        --m_sub_init_total;
    }
    auto set = DIALUP_RASFN(ras, RasSetEntryPropertiesA);
    if (!set)
        return Fail(kErrorLibraryMissing);
    auto write = [&] {
        const int r = static_cast<int>(set(PhonebookArg(), name.c_str(), e, dataSize,
                                           m.devInfoSize ? m.devInfo.data() : nullptr, m.devInfoSize));
        m_last_error = r;
        if (r)
            m_status_str = GetErrorString(r);
        return r;
    };
    int result = write();
    m.entrySize = dataSize;
    if (result || !nt || SubCurTotal == 0)
        return result;
    for (int i = 1; i <= std::min(SubCurTotal, 4); ++i)
        if (const int r = PutSubEntryProps(entryName, i))
            return r;
    return write();
}

int TRasEdt::PutSubEntryProps(const String& entryName, int subEntry)
{
    if (!IsNTKind(RasOSKind()) || subEntry < 1 || subEntry > 4)
        return -1;
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail(kErrorLibraryMissing);
    auto set = DIALUP_RASFN(ras, RasSetSubEntryPropertiesA);
    if (!set)
        return Fail(kErrorLibraryMissing);
    std::vector<uint8_t> buffer(kSubEntryBufferSize);
    auto* sub = reinterpret_cast<RASSUBENTRYA*>(buffer.data());
    sub->dwSize = sizeof(RASSUBENTRYA);
    const auto i = static_cast<size_t>(subEntry);
    Put(sub->szDeviceType, SubDeviceType[i]);
    Put(sub->szDeviceName, SubDeviceName[i]);
    Put(sub->szLocalPhoneNumber, SubLocalPhoneNumber[i]);
    size_t size = sizeof(RASSUBENTRYA);
    if (!SubAltPhoneNrList[i].empty()) {
        size_t written = 0;
        if (WriteAlternates(buffer.data(), buffer.size(), sizeof(RASSUBENTRYA), SubAltPhoneNrList[i], written)) {
            sub->dwAlternateOffset = sizeof(RASSUBENTRYA);
            size += written;
        }
    }
    const std::string name = core::ToAnsi(entryName);
    const int result = static_cast<int>(
        set(PhonebookArg(), name.c_str(), DWORD(subEntry), sub, static_cast<DWORD>(size), nullptr, 0));
    m_last_error = result;
    if (result)
        m_status_str = GetErrorString(result);
    return result;
}

// ---- Credentials ----

int TRasEdt::GetDialProps(const String& entryName)
{
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail(kErrorLibraryMissing);
    UserName.clear(), Password.clear(), CallbackNumber.clear(), Domain.clear();
    PasswordFlag = false;
    int result = kErrorLibraryMissing;
    const std::string name = core::ToAnsi(entryName);
    if (IsNTKind(RasOSKind())) {
        if (auto get = DIALUP_RASFN(ras, RasGetCredentialsA)) {
            RASCREDENTIALSA c{};
            c.dwSize = sizeof c;
            c.dwMask = RASCM_UserName | RASCM_Password | RASCM_Domain;
            if (m_phonebook.location == 1 && bDefaultCreds)
                c.dwMask |= RASCM_DefaultCreds;
            result = static_cast<int>(get(PhonebookArg(), name.c_str(), &c));
            if (result == 0) {
                if (c.dwMask & RASCM_UserName)
                    UserName = Field(c.szUserName);
                if (c.dwMask & RASCM_Password) {
                    Password = Field(c.szPassword);
                    PasswordFlag = true;
                }
                if (c.dwMask & RASCM_Domain)
                    Domain = Field(c.szDomain);
            }
            SecureZeroMemory(&c, sizeof c);
        }
    } else if (auto get = DIALUP_RASFN(ras, RasGetEntryDialParamsA)) {
        RASDIALPARAMSA p{};
        p.dwSize = RecordSizesFor(OSW9x).dialParams;
        PutAnsiField(p.szEntryName, sizeof p.szEntryName, entryName, 256);
        BOOL stored = FALSE;
        result = static_cast<int>(get(nullptr, &p, &stored));
        if (result == 0) {
            PasswordFlag = stored;
            UserName = Field(p.szUserName);
            if (stored)
                Password = Field(p.szPassword);
            CallbackNumber = Field(p.szCallbackNumber);
            Domain = Field(p.szDomain);
        }
        SecureZeroMemory(&p, sizeof p);
    }
    m_last_error = result;
    if (result)
        m_status_str = GetErrorString(result);
    return result;
}

int TRasEdt::PutDialProps(const String& entryName)
{
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail(kErrorLibraryMissing);
    int result = kErrorLibraryMissing;
    const std::string name = core::ToAnsi(entryName);
    if (IsNTKind(RasOSKind())) {
        if (auto set = DIALUP_RASFN(ras, RasSetCredentialsA)) {
            RASCREDENTIALSA c{};
            c.dwSize = sizeof c;
            c.dwMask = RASCM_UserName;
            if (!Password.empty() || PasswordFlag)
                c.dwMask |= RASCM_Password;
            if (!Domain.empty())
                c.dwMask |= RASCM_Domain;
            if (m_phonebook.location == 1 && bDefaultCreds)
                c.dwMask |= RASCM_DefaultCreds;
            PutAnsiField(c.szUserName, sizeof c.szUserName, UserName, 256);
            PutAnsiField(c.szPassword, sizeof c.szPassword, Password, 256);
            PutAnsiField(c.szDomain, sizeof c.szDomain, Domain, 15);
            result = static_cast<int>(set(PhonebookArg(), name.c_str(), &c, FALSE));
            SecureZeroMemory(&c, sizeof c);
        }
    } else if (auto set = DIALUP_RASFN(ras, RasSetEntryDialParamsA)) {
        RASDIALPARAMSA p{};
        p.dwSize = RecordSizesFor(OSW9x).dialParams;
        PutAnsiField(p.szEntryName, sizeof p.szEntryName, entryName, 256);
        PutAnsiField(p.szCallbackNumber, sizeof p.szCallbackNumber, CallbackNumber, 128);
        PutAnsiField(p.szUserName, sizeof p.szUserName, UserName, 256);
        PutAnsiField(p.szPassword, sizeof p.szPassword, Password, 256);
        PutAnsiField(p.szDomain, sizeof p.szDomain, Domain, 15);
        result = static_cast<int>(set(PhonebookArg(), &p, Password.empty() && !PasswordFlag));
        SecureZeroMemory(&p, sizeof p);
    }
    m_last_error = result;
    if (result)
        m_status_str = GetErrorString(result);
    return result;
}

// ---- Countries and texts ----

int TRasEdt::GetAllCountryInfo()
{
    RasBinding& ras = Ras();
    if (!ras.Load() || !ras.EntryFuncs())
        return Fail(kErrorLibraryMissing);
    auto get = DIALUP_RASFN(ras, RasGetCountryInfoA);
    if (!get)
        return Fail(kErrorLibraryMissing);
    CountryList.clear();
    m_country_ids.fill(0);
    m_country_codes.fill(0);
    int result = -1;
    DWORD id = 1;
    for (size_t n = 0; id != 0 && n < m_country_ids.size(); ++n) {
        alignas(RASCTRYINFOA) uint8_t buffer[276] = {};
        auto* info = reinterpret_cast<RASCTRYINFOA*>(buffer);
        info->dwSize = sizeof(RASCTRYINFOA);
        info->dwCountryID = id;
        DWORD bytes = sizeof buffer;
        result = static_cast<int>(get(info, &bytes));
        m_last_error = result;
        if (result)
            break;
        String name;
        if (info->dwCountryNameOffset >= sizeof(RASCTRYINFOA) && info->dwCountryNameOffset < sizeof buffer) {
            const char* text = reinterpret_cast<const char*>(buffer + info->dwCountryNameOffset);
            name = core::FromAnsi(TrimAnsi(std::string_view(text, strnlen(text, sizeof buffer - info->dwCountryNameOffset))));
        }
        CountryList.push_back(name + u" (" + core::UIntToStr(info->dwCountryCode) + u")");
        m_country_ids[n] = static_cast<int>(info->dwCountryID);
        m_country_codes[n] = static_cast<int>(info->dwCountryCode);
        id = info->dwNextCountryID;
    }
    return result;
}

String TRasEdt::GetCanonical(bool useCountryAndAreaCodes, int countryCode, const String& areaCode,
                             const String& localPhoneNumber) const
{
    return RasGetCanonical(useCountryAndAreaCodes, countryCode, areaCode, localPhoneNumber);
}

void TRasEdt::SetCanonical(const String& phoneCanonical)
{
    RasUnpackCanonical(phoneCanonical, bUseCountryAndAreaCodes, CountryCode, LocalPhoneNumber, AreaCode);
}

String TRasEdt::GetErrorString(int errorCode)
{
    bool missing = false;
    String text = RasErrorText(errorCode, &missing);
    if (missing)
        m_last_error = kErrorLibraryMissing;
    return text;
}

bool TRasEdt::TestRas()
{
    if (LoadRasApi())
        return true;
    m_last_error = kErrorLibraryMissing;
    m_status_str = kNotAvailableText;
    return false;
}

} // namespace dialup
