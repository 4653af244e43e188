// TRasEdt: every property of one phonebook entry and of its dial parameters; reads an entry from
// the phonebook into them and writes them back as an entry (creating or replacing it).
//
// Published values are plain fields; what a field means in the entry record, and on which kinds it
// is read and written, is in rasedt_win32.cpp. GUI thread; each instance has its own buffers.
#pragma once

#include "dialup/dialsubs.h"

#include <array>
#include <memory>
#include <vector>

namespace dialup {

enum class TFramingProtocol : uint8_t { framePPP, frameSLIP, frameNetbeui };  // written 1, 2, 4
enum class TDialMode : uint8_t { dialSingle, dialAll, dialAsNeeded };
enum class TPType : uint8_t { typeUnknown, typePhone, typeVNP, typeDirect, typeInternet, typeBroadband };
enum class TEncryptionType : uint8_t { encryptNone, encrypt40bit, encrypt128bit, encryptOptional };
enum class TVpnStrategy : uint8_t { vpnDefault, vpnPptpOnly, vpnPptpFirst, vpnL2tpOnly, vpnL2tpFirst };

class TRasEdt {
public:
    TRasEdt();
    ~TRasEdt();
    TRasEdt(const TRasEdt&) = delete;
    TRasEdt& operator=(const TRasEdt&) = delete;

    // ---- Options (dwfOptions bits 0 to 31, bit 22 unused) ----
    bool bUseCountryAndAreaCodes = false, bSpecificIPAddress = false, bSpecificNameServers = false,
         bHeaderCompression = false, bRemoteDefaultGateway = false, bDisableLCPExtensions = false,
         bTerminalBeforeDial = false, bTerminalAfterDial = false, bModemLights = false, bSoftwareCompression = false,
         bRequireEncryptedPassword = false, bRequireMSEncryptedPassword = false, bRequireDataEncryption = false,
         bNetworkLogon = false, bUseLogonCredentials = false, bPromoteAlternates = false, bSecureLocalFiles = false,
         bRequireEAP = false, bRequirePAP = false, bRequireSPAP = false, bCustom = false,
         bPreviewPhoneNumber = false, bSharedPhoneNumbers = false, bPreviewUserPw = false, bPreviewDomain = false,
         bShowDialingProgress = false, bRequireCHAP = false, bRequireMsCHAP = false, bRequireMsCHAP2 = false,
         bRequireW95MSCHAP = false, bCustomScript = false;
    // ---- Second options (dwfOptions2 bits 0 to 9; XP and later) ----
    bool bSecureFileAndPrint = false, bSecureClientForMSNet = false, bDontNegotiateMultilink = false,
         bDontUseRasCredentials = false, bUsePreSharedKey = false, bInternet = false, bDisableNbtOverIP = false,
         bUseGlobalDeviceSettings = false, bReconnectIfDropped = false, bSharePhoneNumbers = false;

    // ---- Entry values ----
    int CountryID = 0, CountryCode = 0;
    String AreaCode, LocalPhoneNumber, PhoneCanonical;
    String IPAddress, DNSAddress, DNSAddressAlt, WINSAddress, WINSAddressAlt;
    int FrameSize = 0;
    bool bNetBEUI = false, bNetIPX = false, bNetTCPIP = false;
    TFramingProtocol FramingProtocol = TFramingProtocol::framePPP;
    String Script, AutoDialDLL, AutoDialFunc;
    String DeviceType, DeviceName;
    String DevicePort() const { return m_device_port; }
    String X25PadType, X25Address, X25Facilities, X25UserData;
    int ISDNChannels = 0;
    int SubEntries() const { return m_sub_entries; }
    TDialMode DialMode = TDialMode::dialAll;
    int DialExtraPercent = 0, DialExtraSampleSeconds = 0, HangUpExtraPercent = 0, HangUpExtraSampleSeconds = 0;
    uint32_t IdleDisconnectSeconds = 0xFFFFFFFFu;
    TPType PType = TPType::typePhone;
    TEncryptionType EncryptionType = TEncryptionType::encryptOptional;
    int CustomAuthKey = 0;
    std::array<uint8_t, 16> guidId() const { return m_guid; }
    String CustomDialDll;
    TVpnStrategy VpnStrategy = TVpnStrategy::vpnDefault;
    String DnsSuffix;
    uint32_t TcpWindowSize = 0;
    String PrerequisitePbk, PrerequisiteEntry;
    uint32_t RedialCount = 0, RedialPause = 0;
    std::vector<String> AltPhoneNrList;

    // ---- Dial parameters and phonebook ----
    String UserName, Password, Domain, CallbackNumber;
    bool PasswordFlag = false;
    bool bDefaultCreds = false;
    String PhoneBookPath() const { return m_phonebook.path; }
    void SetPhoneBookPath(const String& value);  // stored on NT 4 only
    int PBLocation() const { return m_phonebook.location; }
    void SetPBLocation(int value);
    int DefCountryId() const { return m_def_country_id; }

    // ---- Results and lists ----
    int LastError() const { return m_last_error; }
    String StatusStr() const { return m_status_str; }
    std::vector<String> CountryList;
    int SubCurTotal = 0;
    std::array<String, 5> SubLocalPhoneNumber, SubPhoneCanonical, SubDeviceType, SubDeviceName, SubDevicePort;
    std::array<std::vector<String>, 5> SubAltPhoneNrList;

    // ---- Operations ----
    void DefaultProps();
    void PPPDefault();
    int GetAllEntryProps(const String& entryName);
    int PutAllEntryProps(const String& entryName);
    int GetSubEntryProps(const String& entryName, int subEntry);
    int PutSubEntryProps(const String& entryName, int subEntry);
    int GetDialProps(const String& entryName);
    int PutDialProps(const String& entryName);
    int GetAllCountryInfo();
    String GetCanonical(bool useCountryAndAreaCodes, int countryCode, const String& areaCode,
                        const String& localPhoneNumber) const;
    void SetCanonical(const String& phoneCanonical);
    String GetErrorString(int errorCode);
    bool TestRas();

    struct Impl;

private:
    int Fail(int code);
    const char* PhonebookArg() const;
    void ReadOptions(uint32_t options, uint32_t options2, bool hasOptions2);
    uint32_t Options() const;
    uint32_t Options2() const;

    std::unique_ptr<Impl> m_impl;
    String m_device_port;
    int m_sub_entries = 0;
    std::array<uint8_t, 16> m_guid{};
    PhonebookChoice m_phonebook;
    int m_def_country_id = 0;
    int m_sub_init_total = 0;
    int m_last_error = 0;
    String m_status_str;
    std::array<int, 261> m_country_ids{}, m_country_codes{};
};

} // namespace dialup
