// TRasCon: dials a phonebook entry, follows the state of the dial and of live connections, raises
// events for the states, reads the IP projection, hangs connections up, and the phonebook and
// connection-list operations of the connection component.
//
// Threads: dial progress arrives on the library's notification thread and goes to the component
// that started the dial (the dial carries the component's routing token as its callback
// identifier). The state it writes (ConnectState, StatusStr, ...) is guarded; its getters may be
// called from any thread. OnStateChanged runs on the notification thread, so a handler that touches
// windows must post to its own thread; OnStateEvent runs on the thread that created the component,
// through its hidden window (message 1390). Destroying a component waits for a handler of it that
// is running on the notification thread.
#pragma once

#include "dialup/connlist.h"
#include "dialup/rasstate.h"
#include "dialup/tapiapi.h"

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace dialup {

inline constexpr unsigned kStateEventMessage = 1024 + 366;  // 1390

enum class TSpeakerMode : uint8_t { SpeakerDefault, SpeakerOn, SpeakerOff };

// The events that the Windows 9x dial callback raises for the states (see RaiseStateNotify).
enum class TRasConEvent : uint8_t {
    OnAboutToOpenPort, OnPortOpened, OnAboutToConnDev, OnDevConnected, OnAllDevsConnected, OnAuthenticate,
    OnAuthNotify, OnAuthRetry, OnAuthCallBack, OnAuthChangePassword, OnAuthProject, OnAuthLinkSpeed, OnAuthAck,
    OnReAuthenticate, OnAuthenticated, OnPrepareforCallback, OnWaitForModemReset, OnCallBack,
    OnInteractiveStarted, OnRetryAuth, OnPasswordExpired, Count
};

// Sub-entry handles: [0] the number found, [1..8] the handles of sub-entries 1 to 8.
using TSubHandList = std::array<uint64_t, 9>;

class TRasCon {
public:
    using TNotifyEvent = std::function<void(TRasCon&)>;
    using TStateEvent = std::function<void(TRasCon&, const TRasStateRec&)>;
    using TRasConStateEvent = std::function<void(TRasCon&, int error, const String& errorString)>;

    TRasCon();
    ~TRasCon();
    TRasCon(const TRasCon&) = delete;
    TRasCon& operator=(const TRasCon&) = delete;

    // ---- Published properties (plain values) ----
    String EntryName;        // at most 256 characters at the interface
    String PhoneNumber;      // overrides the entry's number when dialling
    bool bDefaultCreds = false;
    String CallbackNumber, UserName, Password, Domain;
    String DeviceType, DeviceName, DevicePort;
    String PhoneCanonical;
    String AutoDialDLL, AutoDialFunc;
    int SubEntry = 1;
    int CallbackId = 0;      // kept for callers; the dial's identifier carries the routing token
    int CountryID = 0, CountryCode = 0;
    String AreaCode, LocalPhoneNumber;
    bool UseCountryAndAreaCodes = false, PromoteAlternates = false;
    uint32_t EntryOptions = 0;
    int DialMode = 0;
    String DUNVersion, DUNInfo;
    bool PasswordFlag = false;
    int DefCountryId = 0;

    // ---- Phonebook selection ----
    String PhoneBookPath() const { return m_phonebook.path; }
    void SetPhoneBookPath(const String& value);  // stored on NT 4 only
    int PBLocation() const { return m_phonebook.location; }
    void SetPBLocation(int value);

    // ---- State (guarded: written by the notification thread too) ----
    int LastError() const;
    String StatusStr() const;
    void SetStatusStr(const String& value);
    uint64_t IntRasConn() const;
    int ConnectState() const;
    int ConnectError() const;
    uint64_t StateRasConn() const;
    int StateSubEntry() const;
    TStateEventSource StateEventSource() const;
    String CurDevName() const;
    String CurDevType() const;
    String ConnectPhoneNr() const;
    TRasStateRec StateRecord() const;  // all of the above at one moment

    // ---- Projection results ----
    String ClientIP, ServerIP, ConnProtocol, PPPReplyMessage;
    int PPPError = -1;

    // ---- Entry, list and connection results (GUI thread) ----
    String CurConnName, CurPhonebook;
    uint64_t CurRasConn = 0;
    uint32_t NumConns = 0;
    bool ConnChangedFlag = false;
    TConnectionList Connections;
    std::vector<String> PhoneBookEntries, DeviceNameList, DeviceTypeList, AltPhoneNrList;
    int TotSubEntries = 0, SubCurTotal = 0;
    std::array<String, 5> SubLocalPhoneNumber, SubPhoneCanonical, SubDeviceType, SubDeviceName, SubDevicePort;
    String GetSubLocalPhoneNumber(int i) const { return Sub(SubLocalPhoneNumber, i); }
    String GetSubPhoneCanonical(int i) const { return Sub(SubPhoneCanonical, i); }
    String GetSubDeviceType(int i) const { return Sub(SubDeviceType, i); }
    String GetSubDeviceName(int i) const { return Sub(SubDeviceName, i); }
    String GetSubDevicePort(int i) const { return Sub(SubDevicePort, i); }

    // ---- Events ----
    void SetOnStateChanged(TNotifyEvent handler);
    void SetOnStateEvent(TStateEvent handler);
    void SetOnConnect(TRasConStateEvent handler);
    void SetOnDisconnect(TRasConStateEvent handler);
    void SetStateNotify(TRasConEvent event, TNotifyEvent handler);

    // ---- Dialling, state and hang-up ----
    bool TestRas();
    String GetErrorString(int errorCode);
    String GetMessText() const;
    int GetDialParams();
    int SetDialParams();
    int ConnectEx(uint64_t& connHandle);
    int Connect();
    int ConnectNT(uint64_t& connHandle, bool allowPause, TSpeakerMode speaker);
    int AutoConnectEx(uint64_t& connHandle);
    int AutoConnect();
    int GetConnectStatusEx(uint64_t connHandle, int subEntry);
    int GetConnectStatus();
    void CurrentStatusEx(uint64_t connHandle, int subEntry, String& statusText);
    void CurrentStatus(String& statusText);
    int IntDisconnectEx(uint64_t connHandle);
    int IntDisconnect();
    int DisconnectEx(uint64_t connHandle, int subEntry, bool events, uint32_t waitMs);
    int Disconnect();
    int LeaveOpen();
    int ReOpen(int item);
    int GetProtocolEx(uint64_t connHandle);
    int GetIPAddress();

    // ---- Phonebook operations and the connection list ----
    int GetEntryProperties();
    int GetEntryProps(bool subEnts);
    int GetSubEntryProps(int subEntry);
    int PutEntryProperties();
    int PutPhonebook();
    int UpdatePhonebook();
    int CopyPhonebook(const String& newName);
    int RenamePhonebook(const String& newName);
    int DeletePhonebook();
    int ValidateName(const String& name);
    int EditPhonebook(uintptr_t window);
    int CreatePhonebook(uintptr_t window);
    int GetPhoneBookEntries();
    void GetConnection(String& name);
    int GetConnections();
    int GetSubHandle(uint64_t connHandle, int subEntry, uint64_t& subRasConn);
    int GetSubHandles(uint64_t connHandle, int subEntries, TSubHandList& list);
    int GetDeviceList();
    int GetOneCountryInfo(int countryId, int& countryCode, String& countryName);
    String GetCanonical(bool useCountryAndAreaCodes, int countryCode, const String& areaCode,
                        const String& localPhoneNumber) const;
    void UnpackCanonical(const String& phoneCanonical, bool& useCountryAndAreaCodes, String& localPhoneNumber,
                         String& areaCode, int& countryCode) const;

    // ---- Telephony (GUI thread) ----
    // Starts telephony for the component: a line application with at least one device.
    bool InitTAPI();
    // Shuts the line application down (also on destruction).
    void StopTAPI();
    bool TranslateDialog(uintptr_t owner, uint32_t deviceId, const String& address);
    bool ConfigDialog(uintptr_t owner, uint32_t deviceId);
    // The current location, card and country; the last telephony result, -1 when telephony does not
    // start.
    int GetTransCaps(TDialProps& props, TDialLocation& location, TDialCountry& country, TDialCard& card);
    bool TransAddr(uint32_t deviceId, const String& number, String& dialNum, String& disNum, uint32_t flags,
                   uint32_t card);
    bool TranslateAddr(uint32_t deviceId, const String& number, String& dialNum, String& disNum);
    uint32_t TAPILineApp() const { return fTAPILineApp; }
    bool TAPIRunning() const { return fTAPIRunning; }
    uint32_t TAPIModemInst() const { return fTAPIModemInst; }

    // The notification thread's entry (internal).
    struct Impl;

private:
    static String Sub(const std::array<String, 5>& a, int i) { return i >= 1 && i <= 4 ? a[size_t(i)] : String(); }
    void SetLastError(int code);
    int Fail1157();
    void PostStateEvent();
    void DoDisconnectEvent(uint64_t handle);
    void OnDialProgress(uint64_t handle, int subEntry, int state, int error, bool nineX);
    const char* PhonebookArg() const;

    std::unique_ptr<Impl> m_impl;
    PhonebookChoice m_phonebook;
    uint32_t fTAPILineApp = 0;
    bool fTAPIRunning = false;
    uint32_t fTAPIModemInst = 0;

    mutable std::mutex m_mutex;
    int m_last_error = 0;
    String m_status_str;
    uint64_t m_int_ras_conn = 0;
    TRasStateRec m_state;
    TNotifyEvent m_on_state_changed;
    TStateEvent m_on_state_event;
    TRasConStateEvent m_on_connect, m_on_disconnect;
    std::array<TNotifyEvent, static_cast<size_t>(TRasConEvent::Count)> m_notify;
};

} // namespace dialup
