// TRasCon: dialling, dial progress, status queries, hang-up and projection.
#include "dialup/rascon_impl_win32.h"

#include "core/codepage.h"

#include <cstring>
#include <map>

namespace dialup {

namespace {

// Dial routing: the token in a dial's callback identifier, or (Windows 9x callbacks, which carry
// none) the connection handle, leads to the component that dialled.
struct Router {
    std::mutex mutex;
    std::map<uint64_t, std::shared_ptr<DialSink>> tokens;
    std::map<uint64_t, std::shared_ptr<DialSink>> handles;
    std::shared_ptr<DialSink> pending9x;
    uint64_t nextToken = 1;
};

Router& Routes()
{
    static Router* router = new Router();
    return *router;
}

std::shared_ptr<DialSink> FindSink(uint64_t token, uint64_t handle)
{
    Router& r = Routes();
    std::lock_guard lock(r.mutex);
    if (token) {
        auto it = r.tokens.find(token);
        return it == r.tokens.end() ? nullptr : it->second;
    }
    auto it = r.handles.find(handle);
    if (it != r.handles.end())
        return it->second;
    return r.pending9x;
}

void Deliver(const std::shared_ptr<DialSink>& sink, uint64_t handle, int subEntry, int state, int error, bool nineX)
{
    if (!sink)
        return;
    // Held while the component runs its handlers: its destructor waits here.
    std::lock_guard lock(sink->dispatch);
    if (sink->owner)
        TRasCon::Impl::Dispatch(*sink->owner, handle, subEntry, state, error, nineX);
}

DWORD WINAPI RasDialCallback2(ULONG_PTR callbackId, DWORD subEntry, HRASCONN handle, UINT, RASCONNSTATE state,
                              DWORD error, DWORD)
{
    try {
        const uint64_t h = reinterpret_cast<uintptr_t>(handle);
        Deliver(FindSink(callbackId, h), h, static_cast<int>(subEntry), static_cast<int>(state),
                static_cast<int>(error), false);
    } catch (...) {
        // Exceptions never cross into the library's thread.
    }
    return 1;
}

void WINAPI RasDialCallback1(HRASCONN handle, UINT, RASCONNSTATE state, DWORD error, DWORD)
{
    try {
        const uint64_t h = reinterpret_cast<uintptr_t>(handle);
        Deliver(FindSink(0, h), h, 0, static_cast<int>(state), static_cast<int>(error), true);
    } catch (...) {
    }
}

String LowerText(String s)
{
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

} // namespace

// ---- Routing registration ----

uint64_t TRasCon::Impl::RegisterDial()
{
    Router& r = Routes();
    std::lock_guard lock(r.mutex);
    const uint64_t token = r.nextToken++;
    r.tokens[token] = sink;
    tokens.push_back(token);
    return token;
}

void TRasCon::Impl::RegisterHandle(uint64_t handle)
{
    if (!handle)
        return;
    Router& r = Routes();
    std::lock_guard lock(r.mutex);
    r.handles[handle] = sink;
}

void TRasCon::Impl::SetPending9x(bool on)
{
    Router& r = Routes();
    std::lock_guard lock(r.mutex);
    r.pending9x = on ? sink : nullptr;
}

void TRasCon::Impl::Unregister()
{
    {
        Router& r = Routes();
        std::lock_guard lock(r.mutex);
        for (uint64_t token : tokens)
            r.tokens.erase(token);
        std::erase_if(r.handles, [&](const auto& item) { return item.second == sink; });
        if (r.pending9x == sink)
            r.pending9x = nullptr;
    }
    std::lock_guard lock(sink->dispatch);
    sink->owner = nullptr;
}

// ---- Life ----

TRasCon::TRasCon() : m_impl(std::make_unique<Impl>())
{
    m_impl->sink = std::make_shared<DialSink>();
    m_impl->sink->owner = this;
    m_impl->window = std::make_unique<MessageWindow>([this](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (message != kStateEventMessage)
            return false;
        TStateEvent handler;
        {
            std::lock_guard lock(m_mutex);
            handler = m_on_state_event;
        }
        const int slot = static_cast<int>(wParam);
        if (handler)
            if (auto record = m_impl->ring.Get(slot))
                handler(*this, *record);
        result = 0;
        return true;
    });
    GetPhoneBookFiles();
    SetPBLocation(RasOSKind() < OSVista ? 1 : 0);
    DefCountryId = StrToIntW(GetLocaleStr(LOCALE_ICOUNTRY));
    DUNVersion = GetFileVerInfo(u"RASAPI32.DLL", u"ProductVersion");
    if (DUNVersion.empty()) {
        // The version of the library as loaded (the system folder's copy, or a program-folder one).
        wchar_t path[MAX_PATH] = {};
        if (HMODULE module = GetModuleHandleW(L"RASAPI32.DLL"))
            if (GetModuleFileNameW(module, path, MAX_PATH))
                DUNVersion = GetFileVerInfo(reinterpret_cast<const char16_t*>(path), u"ProductVersion");
    }
    const OSVersion v = OSVersionInfo();
    DUNInfo = DunInfoFor(DUNVersion, v.servicePack, v.productType > 1);
}

TRasCon::~TRasCon()
{
    // No progress may reach a component that is going; a running handler is waited for.
    m_impl->Unregister();
    StopTAPI();
    const uint64_t handle = IntRasConn();
    if (handle && Ras().Load())
        if (auto hangUp = DIALUP_RASFN(Ras(), RasHangUpA))
            hangUp(reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(handle)));
}

// ---- Phonebook selection ----

const char* TRasCon::PhonebookArg() const { return m_phonebook.Arg(); }
void TRasCon::SetPhoneBookPath(const String& value) { m_phonebook.SetPath(value); }
void TRasCon::SetPBLocation(int value) { m_phonebook.SetLocation(value); }

// ---- Guarded state ----

int TRasCon::LastError() const { std::lock_guard l(m_mutex); return m_last_error; }
String TRasCon::StatusStr() const { std::lock_guard l(m_mutex); return m_status_str; }
void TRasCon::SetStatusStr(const String& value) { std::lock_guard l(m_mutex); m_status_str = value; }
uint64_t TRasCon::IntRasConn() const { std::lock_guard l(m_mutex); return m_int_ras_conn; }
int TRasCon::ConnectState() const { std::lock_guard l(m_mutex); return m_state.ConnectState; }
int TRasCon::ConnectError() const { std::lock_guard l(m_mutex); return m_state.ConnectError; }
uint64_t TRasCon::StateRasConn() const { std::lock_guard l(m_mutex); return m_state.StateRasConn; }
int TRasCon::StateSubEntry() const { std::lock_guard l(m_mutex); return m_state.StateSubEntry; }
TStateEventSource TRasCon::StateEventSource() const { std::lock_guard l(m_mutex); return m_state.StateEventSource; }
String TRasCon::CurDevName() const { std::lock_guard l(m_mutex); return m_state.CurDevName; }
String TRasCon::CurDevType() const { std::lock_guard l(m_mutex); return m_state.CurDevType; }
String TRasCon::ConnectPhoneNr() const { std::lock_guard l(m_mutex); return m_state.ConnectPhoneNr; }

TRasStateRec TRasCon::StateRecord() const
{
    std::lock_guard l(m_mutex);
    TRasStateRec record = m_state;
    record.StatusStr = m_status_str;
    return record;
}

void TRasCon::SetLastError(int code) { std::lock_guard l(m_mutex); m_last_error = code; }

int TRasCon::Fail1157()
{
    SetLastError(kErrorLibraryMissing);
    return kErrorLibraryMissing;
}

void TRasCon::SetOnStateChanged(TNotifyEvent h) { std::lock_guard l(m_mutex); m_on_state_changed = std::move(h); }
void TRasCon::SetOnStateEvent(TStateEvent h) { std::lock_guard l(m_mutex); m_on_state_event = std::move(h); }
void TRasCon::SetOnConnect(TRasConStateEvent h) { std::lock_guard l(m_mutex); m_on_connect = std::move(h); }
void TRasCon::SetOnDisconnect(TRasConStateEvent h) { std::lock_guard l(m_mutex); m_on_disconnect = std::move(h); }
void TRasCon::SetStateNotify(TRasConEvent e, TNotifyEvent h)
{
    if (e >= TRasConEvent::Count)
        return;
    std::lock_guard l(m_mutex);
    m_notify[static_cast<size_t>(e)] = std::move(h);
}

// ---- Texts ----

bool TRasCon::TestRas()
{
    if (Ras().Load())
        return true;
    std::lock_guard l(m_mutex);
    m_last_error = kErrorLibraryMissing;
    m_status_str = kNotAvailableText;
    return false;
}

String TRasCon::GetErrorString(int errorCode)
{
    bool missing = false;
    String text = RasErrorText(errorCode, &missing);
    if (missing)
        SetLastError(kErrorLibraryMissing);
    return text;
}

String TRasCon::GetMessText() const
{
    const int state = ConnectState();
    String text = StateTableText(state);
    if (!text.empty())
        return text;
    if (state <= kLastStateValue)
        return UnknownStateText(state);
    return RasErrorText(state);
}

// ---- State events ----

void TRasCon::PostStateEvent()
{
    TStateEvent onEvent;
    TNotifyEvent onChanged;
    TRasStateRec record;
    {
        std::lock_guard l(m_mutex);
        onEvent = m_on_state_event;
        onChanged = m_on_state_changed;
        record = m_state;
        record.StatusStr = m_status_str;
    }
    if (onEvent) {
        record.TickCount = GetTickCount();
        const int slot = m_impl->ring.Push(record);
        m_impl->window->Post(kStateEventMessage, static_cast<WPARAM>(slot), 0);
    }
    if (onChanged)
        onChanged(*this);
}

void TRasCon::OnDialProgress(uint64_t handle, int subEntry, int state, int error, bool nineX)
{
    String text = error ? RasErrorText(error) : String();
    {
        std::lock_guard l(m_mutex);
        m_state.StateEventSource = TStateEventSource::SourceDial;
        m_state.StateRasConn = handle;
        m_state.StateSubEntry = nineX ? 0 : subEntry;
        m_state.ConnectError = error;
        m_state.CurDevName.clear();
        m_state.CurDevType.clear();
        m_state.ConnectPhoneNr.clear();
        if (error) {
            m_last_error = error;
            m_state.ConnectState = error;
            m_status_str = text;
        } else {
            m_state.ConnectState = state;
        }
    }
    if (!error)
        SetStatusStr(GetMessText());
    PostStateEvent();
    if (!nineX || error)
        return;
    // The Windows 9x callback raises the event of the state.
    static constexpr std::pair<int, TRasConEvent> events[] = {
        {0, TRasConEvent::OnAboutToOpenPort}, {1, TRasConEvent::OnPortOpened}, {2, TRasConEvent::OnAboutToConnDev},
        {3, TRasConEvent::OnDevConnected}, {4, TRasConEvent::OnAllDevsConnected}, {5, TRasConEvent::OnAuthenticate},
        {6, TRasConEvent::OnAuthNotify}, {7, TRasConEvent::OnAuthRetry}, {8, TRasConEvent::OnAuthCallBack},
        {9, TRasConEvent::OnAuthChangePassword}, {10, TRasConEvent::OnAuthProject},
        {11, TRasConEvent::OnAuthLinkSpeed}, {12, TRasConEvent::OnAuthAck}, {13, TRasConEvent::OnReAuthenticate},
        {14, TRasConEvent::OnAuthenticated}, {15, TRasConEvent::OnPrepareforCallback},
        {16, TRasConEvent::OnWaitForModemReset}, {17, TRasConEvent::OnCallBack},
        {4096, TRasConEvent::OnInteractiveStarted}, {4097, TRasConEvent::OnRetryAuth},
        {4099, TRasConEvent::OnPasswordExpired},
    };
    if (state == kStateConnected) {
        TRasConStateEvent onConnect;
        {
            std::lock_guard l(m_mutex);
            onConnect = m_on_connect;
        }
        if (onConnect)
            onConnect(*this, 0, StatusStr());
        return;
    }
    if (state == kStateDisconnected) {
        DoDisconnectEvent(IntRasConn());
        return;
    }
    for (const auto& [value, event] : events) {
        if (value != state)
            continue;
        TNotifyEvent handler;
        {
            std::lock_guard l(m_mutex);
            handler = m_notify[static_cast<size_t>(event)];
        }
        if (handler)
            handler(*this);
    }
}

void TRasCon::DoDisconnectEvent(uint64_t handle)
{
    TRasConStateEvent handler;
    {
        std::lock_guard l(m_mutex);
        handler = m_on_disconnect;
    }
    if (!handle || !handler)
        return;
    int result = kErrorLibraryMissing;
    if (Ras().Load())
        if (auto status = DIALUP_RASFN(Ras(), RasGetConnectStatusA)) {
            RASCONNSTATUSA record{};
            record.dwSize = RecordSizesFor(RasOSKind()).connStatus;
            result = static_cast<int>(status(reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(handle)), &record));
        }
    SetLastError(result);
    handler(*this, result, GetErrorString(result));
}

// ---- Dial parameters ----

int TRasCon::GetDialParams()
{
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    UserName.clear();
    Password.clear();
    CallbackNumber.clear();
    Domain.clear();
    PasswordFlag = false;
    int result = kErrorLibraryMissing;
    const std::string entry = core::ToAnsi(EntryName);
    if (IsNTKind(RasOSKind())) {
        if (auto get = DIALUP_RASFN(ras, RasGetCredentialsA)) {
            RASCREDENTIALSA credentials{};
            credentials.dwSize = sizeof credentials;
            credentials.dwMask = RASCM_UserName | RASCM_Password | RASCM_Domain;
            if (m_phonebook.location == 1 && bDefaultCreds)
                credentials.dwMask |= RASCM_DefaultCreds;
            result = static_cast<int>(get(PhonebookArg(), entry.c_str(), &credentials));
            if (result == 0) {
                if (credentials.dwMask & RASCM_UserName)
                    UserName = GetAnsiField(credentials.szUserName, sizeof credentials.szUserName);
                if (credentials.dwMask & RASCM_Password) {
                    Password = GetAnsiField(credentials.szPassword, sizeof credentials.szPassword);
                    PasswordFlag = true;
                }
                if (credentials.dwMask & RASCM_Domain)
                    Domain = GetAnsiField(credentials.szDomain, sizeof credentials.szDomain);
            }
            SecureZeroMemory(&credentials, sizeof credentials);
        }
    } else if (auto get = DIALUP_RASFN(ras, RasGetEntryDialParamsA)) {
        RASDIALPARAMSA params{};
        params.dwSize = RecordSizesFor(OSW9x).dialParams;
        PutAnsiField(params.szEntryName, sizeof params.szEntryName, EntryName, 256);
        BOOL stored = FALSE;
        result = static_cast<int>(get(nullptr, &params, &stored));
        if (result == 0) {
            PasswordFlag = stored;
            UserName = GetAnsiField(params.szUserName, sizeof params.szUserName);
            if (stored)
                Password = GetAnsiField(params.szPassword, sizeof params.szPassword);
            CallbackNumber = GetAnsiField(params.szCallbackNumber, sizeof params.szCallbackNumber);
            Domain = GetAnsiField(params.szDomain, sizeof params.szDomain);
        }
        SecureZeroMemory(&params, sizeof params);
    }
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    return result;
}

int TRasCon::SetDialParams()
{
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    int result = kErrorLibraryMissing;
    if (IsNTKind(RasOSKind())) {
        if (auto set = DIALUP_RASFN(ras, RasSetCredentialsA)) {
            RASCREDENTIALSA credentials{};
            credentials.dwSize = sizeof credentials;
            credentials.dwMask = RASCM_UserName;
            if (!Password.empty() || PasswordFlag)
                credentials.dwMask |= RASCM_Password;
            if (!Domain.empty())
                credentials.dwMask |= RASCM_Domain;
            if (m_phonebook.location == 1 && bDefaultCreds)
                credentials.dwMask |= RASCM_DefaultCreds;
            PutAnsiField(credentials.szUserName, sizeof credentials.szUserName, UserName, 256);
            PutAnsiField(credentials.szPassword, sizeof credentials.szPassword, Password, 256);
            PutAnsiField(credentials.szDomain, sizeof credentials.szDomain, Domain, 15);
            const std::string entry = core::ToAnsi(EntryName);
            result = static_cast<int>(set(PhonebookArg(), entry.c_str(), &credentials, FALSE));
            SecureZeroMemory(&credentials, sizeof credentials);
        }
    } else if (auto set = DIALUP_RASFN(ras, RasSetEntryDialParamsA)) {
        RASDIALPARAMSA params{};
        m_impl->FillDialParams(*this, params, 0);
        result = static_cast<int>(set(nullptr, &params, Password.empty() && !PasswordFlag));
        SecureZeroMemory(&params, sizeof params);
    }
    SetLastError(result);
    if (result)
        SetStatusStr(GetErrorString(result));
    return result;
}

void TRasCon::Impl::FillDialParams(TRasCon& self, RASDIALPARAMSA& params, uint64_t token)
{
    if (self.SubEntry < 0)
        self.SubEntry = 1;
    std::memset(&params, 0, sizeof params);
    const bool nt = IsNTKind(RasOSKind());
    params.dwSize = RecordSizesFor(RasOSKind()).dialParams;
    PutAnsiField(params.szEntryName, sizeof params.szEntryName, self.EntryName, 256);
    PutAnsiField(params.szPhoneNumber, sizeof params.szPhoneNumber, self.PhoneNumber, 128);
    PutAnsiField(params.szCallbackNumber, sizeof params.szCallbackNumber, self.CallbackNumber, 128);
    PutAnsiField(params.szUserName, sizeof params.szUserName, self.UserName, 256);
    PutAnsiField(params.szPassword, sizeof params.szPassword, self.Password, 256);
    PutAnsiField(params.szDomain, sizeof params.szDomain, self.Domain, 15);
    if (nt) {
        params.dwSubEntry = static_cast<DWORD>(self.SubEntry);
        params.dwCallbackId = static_cast<ULONG_PTR>(token);
    }
}

// ---- Dialling ----

int TRasCon::Impl::Dial(TRasCon& self, uint64_t& connHandle, RASDIALEXTENSIONS* extensions)
{
    RasBinding& ras = Ras();
    auto dial = DIALUP_RASFN(ras, RasDialA);
    {
        std::lock_guard l(self.m_mutex);
        self.m_state.ConnectState = 0;
    }
    const bool nt = IsNTKind(RasOSKind());
    const uint64_t token = nt ? RegisterDial() : 0;
    RASDIALPARAMSA params{};
    FillDialParams(self, params, token);
    HRASCONN handle = reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(connHandle));
    int result;
    if (nt) {
        result = static_cast<int>(dial(extensions, self.PhonebookArg(), &params, 2,
                                       reinterpret_cast<LPVOID>(&RasDialCallback2), &handle));
    } else {
        SetPending9x(true);
        result = static_cast<int>(dial(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&RasDialCallback1),
                                       &handle));
        RegisterHandle(reinterpret_cast<uintptr_t>(handle));
        SetPending9x(false);
    }
    SecureZeroMemory(&params, sizeof params);
    connHandle = reinterpret_cast<uintptr_t>(handle);
    self.SetLastError(result);
    if (result)
        self.SetStatusStr(self.GetErrorString(result));
    return result;
}

int TRasCon::ConnectEx(uint64_t& connHandle)
{
    connHandle = 0;
    if (!Ras().Load())
        return Fail1157();
    return m_impl->Dial(*this, connHandle, nullptr);
}

int TRasCon::Connect()
{
    if (IntRasConn())
        IntDisconnect();
    uint64_t handle = 0;
    const int result = ConnectEx(handle);
    std::lock_guard l(m_mutex);
    m_int_ras_conn = handle;
    return result;
}

int TRasCon::ConnectNT(uint64_t& connHandle, bool allowPause, TSpeakerMode speaker)
{
    if (!IsNTKind(RasOSKind())) {
        SetLastError(-1);
        return -1;
    }
    if (!Ras().Load())
        return Fail1157();
    RASDIALEXTENSIONS extensions{};
    extensions.dwSize = offsetof(RASDIALEXTENSIONS, reserved1);
    if (allowPause)
        extensions.dwfOptions |= RDEOPT_PausedStates;
    if (speaker != TSpeakerMode::SpeakerDefault)
        extensions.dwfOptions |= RDEOPT_IgnoreModemSpeaker;
    if (speaker == TSpeakerMode::SpeakerOn)
        extensions.dwfOptions |= RDEOPT_SetModemSpeaker;
    return m_impl->Dial(*this, connHandle, &extensions);
}

int TRasCon::AutoConnectEx(uint64_t& connHandle)
{
    if (GetDialParams() == 0)
        ConnectEx(connHandle);
    return LastError();
}

int TRasCon::AutoConnect()
{
    if (GetDialParams() == 0)
        Connect();
    return LastError();
}

// ---- Status ----

int TRasCon::GetConnectStatusEx(uint64_t connHandle, int subEntry)
{
    {
        std::lock_guard l(m_mutex);
        m_state.ConnectState = kErrorUnknownState;
        m_status_str = UnknownStateText(kErrorUnknownState);
        m_state.StateRasConn = connHandle;
        m_state.StateSubEntry = subEntry;
        m_state.CurDevName.clear();
        m_state.CurDevType.clear();
        m_state.ConnectPhoneNr.clear();
        m_state.ConnectError = 0;
        m_last_error = kErrorUnknownState;
    }
    if (!connHandle)
        return kErrorUnknownState;
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    auto get = DIALUP_RASFN(ras, RasGetConnectStatusA);
    RASCONNSTATUSA status{};
    status.dwSize = RecordSizesFor(RasOSKind()).connStatus;
    const int result = get ? static_cast<int>(get(reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(connHandle)),
                                                  &status))
                           : kErrorLibraryMissing;
    int last = result;
    {
        std::lock_guard l(m_mutex);
        if (result == 0) {
            m_state.CurDevName = GetAnsiField(status.szDeviceName, sizeof status.szDeviceName);
            m_state.CurDevType = GetAnsiField(status.szDeviceType, sizeof status.szDeviceType);
            m_state.ConnectState = static_cast<int>(status.rasconnstate);
            m_state.ConnectError = static_cast<int>(status.dwError);
            if (status.dwError > kLastStateValue)
                last = static_cast<int>(status.dwError);
            if (IsNTKind(RasOSKind()))
                m_state.ConnectPhoneNr = GetAnsiField(status.szPhoneNumber, sizeof status.szPhoneNumber);
        }
        m_last_error = last;
    }
    if (last)
        SetStatusStr(GetErrorString(last));
    return last;
}

int TRasCon::GetConnectStatus() { return GetConnectStatusEx(IntRasConn(), 0); }

void TRasCon::CurrentStatusEx(uint64_t connHandle, int subEntry, String& statusText)
{
    GetConnectStatusEx(connHandle, subEntry);
    const int last = LastError();
    if (last == 0)
        SetStatusStr(GetMessText());
    else if (last >= kErrorUnknownState)
        SetStatusStr(GetErrorString(last));
    else if (last == kErrorNoHandle)
        SetStatusStr(u"Disconnected");
    else if (last == kErrorNotEnoughMemory)
        SetStatusStr(u"Not enough memory");
    else if (last == kLastStateValue)
        SetStatusStr(u"Device Connecting/Dialling");
    {
        std::lock_guard l(m_mutex);
        m_state.StateEventSource = TStateEventSource::SourceStatus;
    }
    PostStateEvent();
    statusText = StatusStr();
}

void TRasCon::CurrentStatus(String& statusText) { CurrentStatusEx(IntRasConn(), 0, statusText); }

// ---- Hang-up ----

int TRasCon::IntDisconnectEx(uint64_t connHandle)
{
    {
        std::lock_guard l(m_mutex);
        m_state.ConnectState = 0;
    }
    int result = kErrorNoHandle;
    if (!Ras().Load())
        result = kErrorLibraryMissing;
    else if (connHandle)
        if (auto hangUp = DIALUP_RASFN(Ras(), RasHangUpA))
            result = static_cast<int>(hangUp(reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(connHandle))));
    SetLastError(result);
    return result;
}

int TRasCon::IntDisconnect()
{
    const int result = IntDisconnectEx(IntRasConn());
    std::lock_guard l(m_mutex);
    m_int_ras_conn = 0;
    return result;
}

int TRasCon::DisconnectEx(uint64_t connHandle, int subEntry, bool events, uint32_t waitMs)
{
    const int result = IntDisconnectEx(connHandle);
    if (connHandle) {
        const ULONGLONG start = GetTickCount64();
        int seen = -1;
        bool first = true;
        for (;;) {
            GetConnectStatusEx(connHandle, subEntry);
            const int state = ConnectState();
            if (events && (first || state != seen)) {
                SetStatusStr(GetMessText());
                {
                    std::lock_guard l(m_mutex);
                    m_state.StateEventSource = TStateEventSource::SourceHangup;
                }
                PostStateEvent();
            }
            first = false;
            seen = state;
            if (state == kStateDisconnected || state == kErrorUnknownState || GetTickCount64() - start > waitMs)
                break;
            Sleep(50);
        }
    }
    std::lock_guard l(m_mutex);
    if (connHandle == m_int_ras_conn)
        m_int_ras_conn = 0;
    return result;
}

int TRasCon::Disconnect()
{
    const uint64_t handle = IntRasConn();
    const int result = DisconnectEx(handle, 0, true, 3000);
    DoDisconnectEvent(handle);
    std::lock_guard l(m_mutex);
    m_int_ras_conn = 0;
    return result;
}

int TRasCon::LeaveOpen()
{
    {
        std::lock_guard l(m_mutex);
        m_int_ras_conn = 0;
    }
    return IntDisconnectEx(0);
}

int TRasCon::ReOpen(int item)
{
    if (!IntRasConn()) {
        if (!CurRasConn) {
            SetLastError(kErrorNoHandle);
            return kErrorNoHandle;
        }
        const uint64_t handle = item > 0 ? Connections.RasConn(item) : CurRasConn;
        std::lock_guard l(m_mutex);
        m_int_ras_conn = handle;
    }
    return GetConnectStatus();
}

// ---- Projection ----

int TRasCon::GetProtocolEx(uint64_t connHandle)
{
    PPPError = -1;
    ConnProtocol.clear();
    ClientIP.clear();
    ServerIP.clear();
    PPPReplyMessage.clear();
    RasBinding& ras = Ras();
    if (!ras.Load())
        return Fail1157();
    auto get = DIALUP_RASFN(ras, RasGetProjectionInfoA);
    if (!get)
        return Fail1157();
    const auto handle = reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(connHandle));
    const RecordSizes sizes = RecordSizesFor(RasOSKind());
    RASPPPIPA ip{};
    ip.dwSize = sizes.pppIp;
    DWORD bytes = sizeof ip;
    const int ipResult = static_cast<int>(get(handle, RASP_PppIp, &ip, &bytes));
    SetLastError(ipResult);
    if (ipResult == 0) {
        ConnProtocol = u"PPP ";
        PPPError = static_cast<int>(ip.dwError);
        ClientIP = GetAnsiField(ip.szIpAddress, sizeof ip.szIpAddress);
        ServerIP = GetAnsiField(ip.szServerIpAddress, sizeof ip.szServerIpAddress);
    }
    RASPPPLCPA lcp{};
    lcp.dwSize = sizes.pppLcp;
    bytes = sizeof lcp;
    if (get(handle, RASP_PppLcp, &lcp, &bytes) != 0)
        return ipResult;
    if (sizes.pppLcp >= sizeof lcp) {
        switch (lcp.dwServerAuthenticationProtocol) {
        case RASLCPAP_PAP: ConnProtocol += u"PAP "; break;
        case RASLCPAP_SPAP: ConnProtocol += u"SPAP "; break;
        case RASLCPAP_CHAP: ConnProtocol += u"CHAP "; break;
        case RASLCPAP_EAP: ConnProtocol += u"EAP "; break;
        default: break;
        }
        PPPReplyMessage = GetAnsiField(lcp.szReplyMessage, sizeof lcp.szReplyMessage);
        PPPError = static_cast<int>(lcp.dwServerTerminateReason);
    }
    return 0;
}

int TRasCon::GetIPAddress() { return GetProtocolEx(IntRasConn()); }

String TRasCon::Impl::Lower(const String& s) { return LowerText(s); }

void TRasCon::Impl::Dispatch(TRasCon& self, uint64_t handle, int subEntry, int state, int error, bool nineX)
{
    self.OnDialProgress(handle, subEntry, state, error, nineX);
}

} // namespace dialup
