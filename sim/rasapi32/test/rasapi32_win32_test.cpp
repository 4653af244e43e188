// The built rasapi32.dll, loaded by name and bound with GetProcAddress as the dial-up layer binds
// the system's library: phonebook entries, dials to connected, refused and hung-up dials,
// projection and statistics, concurrent connections, the notifier sequence and the call log.
#include "core/win32.h"
#include "sim/rasapi32/test/rassimworld_win32.h"

#include <ras.h>
#include <raserror.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// --- The library, bound by name ------------------------------------------------------------

#define RAS_FUNCTIONS(X)                                                                                          \
    X(RasDialA) X(RasHangUpA) X(RasGetConnectStatusA) X(RasEnumConnectionsA) X(RasGetErrorStringA)               \
    X(RasGetProjectionInfoA) X(RasGetConnectionStatistics) X(RasClearConnectionStatistics)                      \
    X(RasGetEntryPropertiesA) X(RasSetEntryPropertiesA) X(RasValidateEntryNameA) X(RasDeleteEntryA)              \
    X(RasRenameEntryA) X(RasEnumEntriesA) X(RasGetCredentialsA) X(RasSetCredentialsA) X(RasEnumDevicesA)         \
    X(RasGetCountryInfoA) X(RasGetEntryPropertiesW) X(RasSetEntryPropertiesW) X(RasEnumConnectionsW)            \
    X(RasGetSubEntryPropertiesA) X(RasGetSubEntryHandleA)

struct Api {
#define DECLARE(name) decltype(&::name) name = nullptr;
    RAS_FUNCTIONS(DECLARE)
#undef DECLARE
    HMODULE module = nullptr;
};

Api& Ras()
{
    static Api api = [] {
        Api a;
        a.module = LoadLibraryW(L"rasapi32.dll");
        if (a.module) {
#define BIND(name) a.name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(a.module, #name)));
            RAS_FUNCTIONS(BIND)
#undef BIND
        }
        return a;
    }();
    return api;
}

std::string Ansi(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

std::wstring ModulePath(HMODULE module)
{
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(module, buffer, MAX_PATH);
    return buffer;
}

// --- Fixtures ------------------------------------------------------------------------------

// The library's environment in a folder of the test's own, and where its phonebook lies.
class TempWorld : public sim::rasapi32::test::RasSimWorld {
public:
    TempWorld() : RasSimWorld(L"rassim-") {}
    std::string Phonebook() const { return Ansi(Path(L"rasphone.pbk")); }
};

// What the dial notifier saw, from the library's thread.
struct Notification {
    ULONG_PTR callbackId;
    DWORD subEntry;
    HRASCONN handle;
    UINT message;
    RASCONNSTATE state;
    DWORD error;
    DWORD threadId;
};

struct NotifierLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Notification> seen;

    void Clear()
    {
        std::lock_guard lock(mutex);
        seen.clear();
    }
    std::vector<Notification> For(HRASCONN handle)
    {
        std::lock_guard lock(mutex);
        std::vector<Notification> out;
        for (const Notification& n : seen)
            if (n.handle == handle)
                out.push_back(n);
        return out;
    }
    // Waits until the dial of that handle has connected or failed.
    bool WaitForEnd(HRASCONN handle, int ms = 10000)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            for (const Notification& n : seen)
                if (n.handle == handle && (n.error || n.state == RASCS_Connected))
                    return true;
            return false;
        });
    }
};

NotifierLog g_notifications;

DWORD WINAPI Notifier(ULONG_PTR callbackId, DWORD subEntry, HRASCONN handle, UINT message, RASCONNSTATE state,
                      DWORD error, DWORD)
{
    {
        std::lock_guard lock(g_notifications.mutex);
        g_notifications.seen.push_back({callbackId, subEntry, handle, message, state, error, GetCurrentThreadId()});
    }
    g_notifications.changed.notify_all();
    return 1;
}

constexpr const wchar_t* kPptp = L"WAN 微型端口 (PPTP)";

class SimulatedLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Ras().module, nullptr) << "rasapi32.dll did not load";
        g_notifications.Clear();
    }

    // The entry the client writes: a VPN entry for the server over the PPTP miniport.
    DWORD WriteEntry(const std::string& name, const std::string& server, const std::wstring& device = kPptp)
    {
        RASENTRYA entry{};
        entry.dwSize = sizeof(RASENTRYA);
        entry.dwfOptions = RASEO_RemoteDefaultGateway | RASEO_RequirePAP | RASEO_RequireCHAP | RASEO_RequireMsCHAP |
                           RASEO_RequireMsCHAP2 | RASEO_Custom | RASEO_PreviewUserPw | RASEO_PreviewPhoneNumber;
        entry.dwfNetProtocols = RASNP_Ip;
        entry.dwFramingProtocol = RASFP_Ppp;
        strcpy(entry.szDeviceType, "vpn");
        strcpy(entry.szDeviceName, Ansi(device).c_str());
        strcpy(entry.szLocalPhoneNumber, server.c_str());
        entry.dwType = RASET_Vpn;
        entry.dwEncryptionType = ET_Optional;
        entry.dwVpnStrategy = VS_PptpOnly;
        entry.dwIdleDisconnectSeconds = 0xFFFFFFFF;
        return Ras().RasSetEntryPropertiesA(m_world.Phonebook().c_str(), name.c_str(), &entry, sizeof entry, nullptr, 0);
    }

    DWORD WriteCredentials(const std::string& name, const std::string& user, const std::string& password)
    {
        RASCREDENTIALSA credentials{};
        credentials.dwSize = sizeof credentials;
        credentials.dwMask = RASCM_UserName | RASCM_Password;
        strcpy(credentials.szUserName, user.c_str());
        strcpy(credentials.szPassword, password.c_str());
        return Ras().RasSetCredentialsA(m_world.Phonebook().c_str(), name.c_str(), &credentials, FALSE);
    }

    DWORD Dial(const std::string& name, const std::string& user, const std::string& password, HRASCONN& handle,
               ULONG_PTR callbackId = 7)
    {
        RASDIALPARAMSA params{};
        params.dwSize = sizeof params;
        strcpy(params.szEntryName, name.c_str());
        strcpy(params.szUserName, user.c_str());
        strcpy(params.szPassword, password.c_str());
        params.dwSubEntry = 1;
        params.dwCallbackId = callbackId;
        handle = nullptr;
        return Ras().RasDialA(nullptr, m_world.Phonebook().c_str(), &params, 2, reinterpret_cast<LPVOID>(&Notifier),
                              &handle);
    }

    RASCONNSTATUSA Status(HRASCONN handle, DWORD* result)
    {
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        *result = Ras().RasGetConnectStatusA(handle, &status);
        return status;
    }

    // The handle stays valid a little after the hang-up, then is gone.
    void HangUpAndWaitForTheHandleToGo(HRASCONN handle)
    {
        ASSERT_EQ(Ras().RasHangUpA(handle), 0u);
        DWORD result = 0;
        const RASCONNSTATUSA status = Status(handle, &result);
        if (result == 0) {
            EXPECT_EQ(status.rasconnstate, RASCS_Disconnected);
        }
        for (int i = 0; i < 100 && result != ERROR_INVALID_HANDLE; ++i) {
            Sleep(20);
            Status(handle, &result);
        }
        EXPECT_EQ(result, DWORD(ERROR_INVALID_HANDLE));
    }

    std::vector<std::string> LogLinesWith(const std::string& needle)
    {
        std::vector<std::string> out;
        for (const std::string& line : m_world.LogLines())
            if (line.find(needle) != std::string::npos)
                out.push_back(line);
        return out;
    }

    TempWorld m_world;
};

std::vector<RASCONNSTATE> States(const std::vector<Notification>& seen)
{
    std::vector<RASCONNSTATE> out;
    for (const Notification& n : seen)
        out.push_back(n.state);
    return out;
}

const std::vector<RASCONNSTATE> kConnectSequence = {
    RASCS_OpenPort,      RASCS_PortOpened,    RASCS_ConnectDevice, RASCS_DeviceConnected,
    RASCS_AllDevicesConnected, RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject,
    RASCS_Authenticated, RASCS_Projected,     RASCS_Connected};

// --- Tests ---------------------------------------------------------------------------------

TEST_F(SimulatedLibrary, TheLibraryLoadedIsOursFromTheProgramFolder)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring dll = ModulePath(Ras().module);
    EXPECT_EQ(CompareStringOrdinal(Folder(dll).c_str(), -1, Folder(self).c_str(), -1, TRUE), CSTR_EQUAL)
        << "loaded from another folder";

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.c_str(), 0, size, data.data()));
    wchar_t* name = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904E4\\ProductName",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_STREQ(name, L"vpnclient remote-access simulator");

    // Every entry point the dial-up layer binds, the country query included (without it the
    // binding would look for the entry functions elsewhere).
    const char* names[] = {
        "RasDialA", "RasEnumConnectionsA", "RasEnumEntriesA", "RasGetConnectStatusA", "RasGetErrorStringA",
        "RasHangUpA", "RasGetEntryDialParamsA", "RasSetEntryDialParamsA", "RasMonitorDlgA", "RasEditPhonebookEntryA",
        "RasCreatePhonebookEntryA", "RasGetProjectionInfoA", "RasConnectionNotificationA", "RasGetSubEntryHandleA",
        "RasGetSubEntryPropertiesA", "RasSetSubEntryPropertiesA", "RasGetAutodialAddressA", "RasSetAutodialAddressA",
        "RasEnumAutodialAddressesA", "RasGetAutodialEnableA", "RasSetAutodialEnableA", "RasGetAutodialParamA",
        "RasSetAutodialParamA", "RasGetCredentialsA", "RasSetCredentialsA", "RasGetConnectionStatistics",
        "RasClearConnectionStatistics", "RasGetLinkStatistics", "RasClearLinkStatistics", "RasDeleteSubEntryA",
        "RasGetCountryInfoA", "RasGetEntryPropertiesA", "RasSetEntryPropertiesA", "RasRenameEntryA", "RasDeleteEntryA",
        "RasValidateEntryNameA", "RasEnumDevicesA", "RasDialW", "RasGetEntryPropertiesW", "RasHangUpW"};
    for (const char* export_name : names)
        EXPECT_NE(GetProcAddress(Ras().module, export_name), nullptr) << export_name;
}

TEST_F(SimulatedLibrary, RecordSizesOfOtherLayoutsAreRefused)
{
    ASSERT_EQ(WriteEntry("sizes", "10.0.0.1"), 0u);
    // The 32-bit sizes of the active-connection and dial-parameter records are not x64 layouts.
    RASCONNA conns[2] = {};
    DWORD bytes = sizeof conns, count = 0;
    struct Case {
        DWORD size;
        DWORD expected;
    };
    for (const Case& c : {Case{704, ERROR_INVALID_SIZE}, Case{692, ERROR_INVALID_SIZE}, Case{708, 0}, Case{680, 0}}) {
        conns[0].dwSize = c.size;
        bytes = sizeof conns;
        EXPECT_EQ(Ras().RasEnumConnectionsA(conns, &bytes, &count), c.expected) << c.size;
    }
    RASDIALPARAMSA params{};
    strcpy(params.szEntryName, "sizes");
    HRASCONN handle = nullptr;
    for (DWORD size : {1060u, 1056u}) {
        params.dwSize = size;
        EXPECT_EQ(Ras().RasDialA(nullptr, m_world.Phonebook().c_str(), &params, 2, reinterpret_cast<LPVOID>(&Notifier),
                                 &handle),
                  DWORD(ERROR_INVALID_SIZE))
            << size;
        EXPECT_EQ(handle, nullptr);
    }
    RASENTRYA entry{};
    DWORD entrySize = sizeof entry;
    for (const Case& c : {Case{2880, ERROR_INVALID_SIZE}, Case{2884, 0}, Case{2088, 0}, Case{1796, 0}, Case{1768, 0}}) {
        entry.dwSize = c.size;
        entrySize = sizeof entry;
        EXPECT_EQ(Ras().RasGetEntryPropertiesA(m_world.Phonebook().c_str(), "sizes", &entry, &entrySize, nullptr, nullptr),
                  c.expected)
            << c.size;
    }
    RAS_STATS stats{};
    stats.dwSize = 56;
    EXPECT_EQ(Ras().RasGetConnectionStatistics(reinterpret_cast<HRASCONN>(1), &stats), DWORD(ERROR_INVALID_SIZE));
    EXPECT_EQ(LogLinesWith("\"result\":632").size(), 6u);
}

TEST_F(SimulatedLibrary, PhonebookEntriesAreRealFilesWithTheInterfaceAnswers)
{
    const std::string pbk = m_world.Phonebook();
    EXPECT_EQ(Ras().RasValidateEntryNameA(pbk.c_str(), "030395742"), 0u);
    ASSERT_EQ(WriteEntry("030395742", "10.0.0.1"), 0u);
    EXPECT_EQ(Ras().RasValidateEntryNameA(pbk.c_str(), "030395742"), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Ras().RasValidateEntryNameA(pbk.c_str(), "bad\\name"), DWORD(ERROR_INVALID_NAME));
    EXPECT_NE(m_world.FileText(L"rasphone.pbk").find("[030395742]"), std::string::npos);

    // The size query answers 603 with the size needed; the read gives back what was written.
    DWORD size = 0;
    EXPECT_EQ(Ras().RasGetEntryPropertiesA(pbk.c_str(), "030395742", nullptr, &size, nullptr, nullptr),
              DWORD(ERROR_BUFFER_TOO_SMALL));
    EXPECT_GE(size, sizeof(RASENTRYA));
    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    size = sizeof entry - 1;
    EXPECT_EQ(Ras().RasGetEntryPropertiesA(pbk.c_str(), "030395742", &entry, &size, nullptr, nullptr),
              DWORD(ERROR_BUFFER_TOO_SMALL));
    size = sizeof entry;
    ASSERT_EQ(Ras().RasGetEntryPropertiesA(pbk.c_str(), "030395742", &entry, &size, nullptr, nullptr), 0u);
    EXPECT_STREQ(entry.szLocalPhoneNumber, "10.0.0.1");
    EXPECT_EQ(std::string(entry.szDeviceName), Ansi(kPptp));
    EXPECT_STREQ(entry.szDeviceType, "vpn");
    EXPECT_EQ(entry.dwVpnStrategy, DWORD(VS_PptpOnly));
    EXPECT_EQ(entry.dwType, DWORD(RASET_Vpn));
    EXPECT_EQ(entry.dwIdleDisconnectSeconds, 0xFFFFFFFFu);
    EXPECT_EQ(entry.dwSubEntries, 1u);
    EXPECT_EQ(entry.dwAlternateOffset, 0u);
    EXPECT_NE(entry.guidId.Data1 | entry.guidId.Data2, 0u);

    // The same entry in its UTF-16 form.
    RASENTRYW wide{};
    wide.dwSize = sizeof wide;
    size = sizeof wide;
    ASSERT_EQ(Ras().RasGetEntryPropertiesW(m_world.Path(L"rasphone.pbk").c_str(), L"030395742", &wide, &size, nullptr,
                                           nullptr),
              0u);
    EXPECT_STREQ(wide.szDeviceName, kPptp);

    // Credentials by mask; the password reads back as a handle, never as itself.
    ASSERT_EQ(WriteCredentials("030395742", "alice", "secret"), 0u);
    RASCREDENTIALSA credentials{};
    credentials.dwSize = sizeof credentials;
    credentials.dwMask = RASCM_UserName | RASCM_Password | RASCM_Domain;
    ASSERT_EQ(Ras().RasGetCredentialsA(pbk.c_str(), "030395742", &credentials), 0u);
    EXPECT_EQ(credentials.dwMask, DWORD(RASCM_UserName | RASCM_Password));
    EXPECT_STREQ(credentials.szUserName, "alice");
    EXPECT_STRNE(credentials.szPassword, "secret");
    EXPECT_STREQ(credentials.szPassword, "****************");

    // Enumeration, renaming and deletion.
    ASSERT_EQ(WriteEntry("VEDEZEVERI", "10.0.0.2"), 0u);
    RASENTRYNAMEA names[4] = {};
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof(RASENTRYNAMEA), count = 0;
    EXPECT_EQ(Ras().RasEnumEntriesA(nullptr, pbk.c_str(), names, &bytes, &count), DWORD(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(bytes, 2 * sizeof(RASENTRYNAMEA));
    ASSERT_EQ(Ras().RasEnumEntriesA(nullptr, pbk.c_str(), names, &bytes, &count), 0u);
    EXPECT_STREQ(names[0].szEntryName, "030395742");
    EXPECT_STREQ(names[1].szEntryName, "VEDEZEVERI");
    EXPECT_EQ(names[1].dwFlags, DWORD(REN_User));
    EXPECT_EQ(Ras().RasRenameEntryA(pbk.c_str(), "VEDEZEVERI", "030395742"), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Ras().RasRenameEntryA(pbk.c_str(), "VEDEZEVERI", "relay"), 0u);
    EXPECT_EQ(Ras().RasDeleteEntryA(pbk.c_str(), "030395742"), 0u);
    EXPECT_EQ(Ras().RasDeleteEntryA(pbk.c_str(), "030395742"), DWORD(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
    EXPECT_EQ(Ras().RasGetEntryPropertiesA(pbk.c_str(), "030395742", nullptr, &size, nullptr, nullptr),
              DWORD(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
    EXPECT_EQ(m_world.FileText(L"rasphone.pbk").find("030395742"), std::string::npos);
}

TEST_F(SimulatedLibrary, WritesCanBeRefusedAndUnknownDevicesAreRejected)
{
    EXPECT_EQ(WriteEntry("modem", "10.0.0.1", L"Standard Modem"), DWORD(ERROR_DEVICE_DOES_NOT_EXIST));
    ASSERT_EQ(WriteEntry("vpn", "10.0.0.1"), 0u);
    m_world.Scenario("[library]\nrefuse_credential_writes=1\n");
    EXPECT_EQ(WriteCredentials("vpn", "u", "p"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(WriteEntry("vpn2", "10.0.0.1"), 0u);
    m_world.Scenario("[library]\nrefuse_entry_writes=1\n");
    EXPECT_EQ(WriteEntry("vpn3", "10.0.0.1"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Ras().RasDeleteEntryA(m_world.Phonebook().c_str(), "vpn"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(WriteCredentials("vpn", "u", "p"), 0u);

    RASDEVINFOA devices[8] = {};
    devices[0].dwSize = sizeof(RASDEVINFOA);
    DWORD bytes = sizeof devices, count = 0;
    ASSERT_EQ(Ras().RasEnumDevicesA(devices, &bytes, &count), 0u);
    ASSERT_GE(count, 2u);
    EXPECT_EQ(std::string(devices[0].szDeviceName), Ansi(kPptp));
    EXPECT_STREQ(devices[0].szDeviceType, "vpn");
}

TEST_F(SimulatedLibrary, DialReachesConnectedThroughTheRealStates)
{
    m_world.Scenario("[default]\nafter=300\n");
    ASSERT_EQ(WriteEntry("main", "10.0.0.1"), 0u);
    ASSERT_EQ(WriteCredentials("main", "alice", "secret"), 0u);

    // The dial-up layer reads the stored credentials and dials with what it got.
    RASCREDENTIALSA credentials{};
    credentials.dwSize = sizeof credentials;
    credentials.dwMask = RASCM_UserName | RASCM_Password | RASCM_Domain;
    ASSERT_EQ(Ras().RasGetCredentialsA(m_world.Phonebook().c_str(), "main", &credentials), 0u);
    HRASCONN handle = nullptr;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Dial("main", credentials.szUserName, credentials.szPassword, handle, 0x1234), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250)) << "the dial must not block";
    ASSERT_NE(handle, nullptr);
    EXPECT_GT(reinterpret_cast<uintptr_t>(handle), uintptr_t(0xFFFFFFFF)) << "handles are full width";

    ASSERT_TRUE(g_notifications.WaitForEnd(handle));
    const auto seen = g_notifications.For(handle);
    EXPECT_EQ(States(seen), kConnectSequence);
    for (const Notification& n : seen) {
        EXPECT_EQ(n.callbackId, ULONG_PTR(0x1234));
        EXPECT_EQ(n.subEntry, 1u);
        EXPECT_EQ(n.error, 0u);
        EXPECT_EQ(n.message, UINT(WM_RASDIALEVENT));
        EXPECT_NE(n.threadId, GetCurrentThreadId());
    }

    DWORD result = 0;
    const RASCONNSTATUSA status = Status(handle, &result);
    ASSERT_EQ(result, 0u);
    EXPECT_EQ(status.rasconnstate, RASCS_Connected);
    EXPECT_STREQ(status.szPhoneNumber, "10.0.0.1");
    EXPECT_STREQ(status.szDeviceType, "vpn");

    RASCONNA conns[4] = {};
    conns[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof conns, count = 0;
    ASSERT_EQ(Ras().RasEnumConnectionsA(conns, &bytes, &count), 0u);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(conns[0].hrasconn, handle);
    EXPECT_STREQ(conns[0].szEntryName, "main");
    EXPECT_EQ(std::string(conns[0].szPhonebook), m_world.Phonebook());

    HangUpAndWaitForTheHandleToGo(handle);
    bytes = sizeof conns;
    ASSERT_EQ(Ras().RasEnumConnectionsA(conns, &bytes, &count), 0u);
    EXPECT_EQ(count, 0u);

    // The log has the dial (with the stored password used, never its text) and every state.
    const auto dials = LogLinesWith("\"call\":\"RasDialA\"");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_NE(dials[0].find("\"server\":\"10.0.0.1\""), std::string::npos);
    EXPECT_NE(dials[0].find("\"password\":\"stored\""), std::string::npos);
    EXPECT_NE(dials[0].find("\"result\":0"), std::string::npos);
    EXPECT_EQ(m_world.FileText(L"calls.log").find("secret"), std::string::npos);
    EXPECT_EQ(LogLinesWith("\"event\":\"state\"").size(), kConnectSequence.size() + 1);
    EXPECT_EQ(LogLinesWith("\"call\":\"RasHangUpA\"").size(), 1u);
}

TEST_F(SimulatedLibrary, RefusedDialsReportTheirErrorThroughTheNotifier)
{
    m_world.Scenario(
        "[server 10.0.0.3]\nuser=alice\npassword=secret\nafter=100\n"
        "[server 10.0.0.4]\noutcome=refuse\nerror=678\nafter=100\n"
        "[server 10.0.0.5]\noutcome=refuse\nerror=868\nafter=50\n");
    struct Case {
        const char* server;
        const char* password;
        DWORD error;
        RASCONNSTATE lastState;
    } cases[] = {
        {"10.0.0.3", "wrong", ERROR_AUTHENTICATION_FAILURE, RASCS_AuthNotify},
        {"10.0.0.4", "secret", ERROR_NO_ANSWER, RASCS_ConnectDevice},
        {"10.0.0.5", "secret", ERROR_DNSNAME_NOT_RESOLVABLE, RASCS_ConnectDevice},
        {"10.0.0.3", "secret", 0, RASCS_Connected},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "entry" + std::to_string(++n);
        ASSERT_EQ(WriteEntry(name, c.server), 0u);
        HRASCONN handle = nullptr;
        ASSERT_EQ(Dial(name, "alice", c.password, handle), 0u) << c.server;
        ASSERT_TRUE(g_notifications.WaitForEnd(handle)) << c.server;
        Sleep(30);
        const auto seen = g_notifications.For(handle);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().error, c.error) << c.server;
        EXPECT_EQ(seen.back().state, c.lastState) << c.server;
        DWORD result = 0;
        const RASCONNSTATUSA status = Status(handle, &result);
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(status.dwError, c.error);

        char text[256] = {};
        EXPECT_EQ(Ras().RasGetErrorStringA(c.error ? c.error : ERROR_INVALID_SIZE, text, sizeof text), 0u);
        EXPECT_GT(strlen(text), 5u);
        HangUpAndWaitForTheHandleToGo(handle);
    }
    char tiny[4];
    EXPECT_EQ(Ras().RasGetErrorStringA(ERROR_AUTHENTICATION_FAILURE, tiny, sizeof tiny), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(Ras().RasGetErrorStringA(12345, tiny, sizeof tiny), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(SimulatedLibrary, DialHungUpWhileInProgressOrCompletedOnCommand)
{
    m_world.Scenario("[default]\noutcome=hold\nafter=60\n");
    ASSERT_EQ(WriteEntry("held", "10.0.0.7"), 0u);
    ASSERT_EQ(WriteEntry("completed", "10.0.0.8"), 0u);
    HRASCONN held = nullptr, completed = nullptr;
    ASSERT_EQ(Dial("held", "u", "p", held), 0u);
    ASSERT_EQ(Dial("completed", "u", "p", completed), 0u);

    DWORD result = 0;
    for (int i = 0; i < 200 && g_notifications.For(held).size() < 6; ++i)
        Sleep(10);
    EXPECT_EQ(Status(held, &result).rasconnstate, RASCS_Authenticate);
    ASSERT_EQ(result, 0u);
    HangUpAndWaitForTheHandleToGo(held);
    const size_t heard = g_notifications.For(held).size();
    EXPECT_EQ(heard, 6u);

    m_world.Command("complete 10.0.0.8");
    ASSERT_TRUE(g_notifications.WaitForEnd(completed));
    EXPECT_EQ(States(g_notifications.For(completed)), kConnectSequence);
    EXPECT_EQ(g_notifications.For(held).size(), heard) << "no notification after the hang-up";
    EXPECT_EQ(LogLinesWith("\"event\":\"command\"").size(), 1u);

    // A connection dropped on command reads as disconnected with 619 until it is hung up.
    m_world.Command("drop completed");
    RASCONNSTATUSA status{};
    for (int i = 0; i < 200; ++i) {
        status = Status(completed, &result);
        if (status.rasconnstate == RASCS_Disconnected)
            break;
        Sleep(10);
    }
    EXPECT_EQ(status.rasconnstate, RASCS_Disconnected);
    EXPECT_EQ(status.dwError, DWORD(ERROR_PORT_DISCONNECTED));
    HangUpAndWaitForTheHandleToGo(completed);
}

TEST_F(SimulatedLibrary, ProjectionAndStatisticsOfAConnection)
{
    m_world.Scenario("[server 10.0.0.9]\nafter=50\nclient_ip=10.8.0.2\nserver_ip=10.8.0.1\nsend_rate=10000\n"
                     "recv_rate=40000\n");
    ASSERT_EQ(WriteEntry("stats", "10.0.0.9"), 0u);
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial("stats", "u", "p", handle), 0u);

    RASPPPIPA ip{};
    ip.dwSize = sizeof ip;
    DWORD bytes = sizeof ip;
    const DWORD early = Ras().RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &bytes);
    EXPECT_TRUE(early == 730 || early == 0) << early;
    ASSERT_TRUE(g_notifications.WaitForEnd(handle));

    for (DWORD size : {DWORD(sizeof(RASPPPIPA)), DWORD(40)}) {
        ip = {};
        ip.dwSize = size;
        bytes = sizeof ip;
        ASSERT_EQ(Ras().RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &bytes), 0u) << size;
        EXPECT_EQ(ip.dwError, 0u);
        EXPECT_STREQ(ip.szIpAddress, "10.8.0.2");
        EXPECT_STREQ(ip.szServerIpAddress, "10.8.0.1");
    }
    ip.dwSize = 44;
    EXPECT_EQ(Ras().RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &bytes), DWORD(ERROR_INVALID_SIZE));
    RASPPPLCPA lcp{};
    lcp.dwSize = sizeof lcp;
    bytes = sizeof lcp;
    ASSERT_EQ(Ras().RasGetProjectionInfoA(handle, RASP_PppLcp, &lcp, &bytes), 0u);
    EXPECT_EQ(lcp.dwServerAuthenticationProtocol, DWORD(RASLCPAP_CHAP));

    RAS_STATS first{}, second{};
    first.dwSize = second.dwSize = sizeof(RAS_STATS);
    ASSERT_EQ(Ras().RasGetConnectionStatistics(handle, &first), 0u);
    Sleep(300);
    ASSERT_EQ(Ras().RasGetConnectionStatistics(handle, &second), 0u);
    EXPECT_GT(second.dwBytesXmited, first.dwBytesXmited);
    EXPECT_GT(second.dwBytesRcved, second.dwBytesXmited);
    EXPECT_GE(second.dwBytesXmited, 2500u);
    EXPECT_GT(second.dwConnectDuration, first.dwConnectDuration);
    ASSERT_EQ(Ras().RasClearConnectionStatistics(handle), 0u);
    ASSERT_EQ(Ras().RasGetConnectionStatistics(handle, &first), 0u);
    EXPECT_LT(first.dwBytesXmited, second.dwBytesXmited);
    EXPECT_GE(first.dwConnectDuration, second.dwConnectDuration);

    HangUpAndWaitForTheHandleToGo(handle);
    EXPECT_EQ(Ras().RasGetConnectionStatistics(handle, &first), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(Ras().RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &bytes), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(SimulatedLibrary, TwoConcurrentConnections)
{
    m_world.Scenario("[server 10.0.1.1]\nafter=400\n[server 10.0.1.2]\nafter=100\n");
    ASSERT_EQ(WriteEntry("main", "10.0.1.1"), 0u);
    ASSERT_EQ(WriteEntry("VEDEZEVERI", "10.0.1.2"), 0u);
    HRASCONN main = nullptr, relay = nullptr;
    ASSERT_EQ(Dial("main", "u", "p", main, 1), 0u);
    ASSERT_EQ(Dial("VEDEZEVERI", "u", "p", relay, 2), 0u);
    ASSERT_NE(main, relay);
    ASSERT_TRUE(g_notifications.WaitForEnd(main));
    ASSERT_TRUE(g_notifications.WaitForEnd(relay));
    EXPECT_EQ(States(g_notifications.For(main)), kConnectSequence);
    EXPECT_EQ(States(g_notifications.For(relay)), kConnectSequence);
    for (const Notification& n : g_notifications.For(relay))
        EXPECT_EQ(n.callbackId, ULONG_PTR(2));

    // Listed in creation order, whatever order they connected in.
    RASCONNA conns[4] = {};
    conns[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof(RASCONNA), count = 0;
    EXPECT_EQ(Ras().RasEnumConnectionsA(conns, &bytes, &count), DWORD(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(bytes, 2 * sizeof(RASCONNA));
    ASSERT_EQ(Ras().RasEnumConnectionsA(conns, &bytes, &count), 0u);
    EXPECT_EQ(conns[0].hrasconn, main);
    EXPECT_EQ(conns[1].hrasconn, relay);
    EXPECT_STREQ(conns[1].szEntryName, "VEDEZEVERI");

    RASPPPIPA a{}, b{};
    a.dwSize = b.dwSize = sizeof(RASPPPIPA);
    DWORD size = sizeof a;
    ASSERT_EQ(Ras().RasGetProjectionInfoA(main, RASP_PppIp, &a, &size), 0u);
    ASSERT_EQ(Ras().RasGetProjectionInfoA(relay, RASP_PppIp, &b, &size), 0u);
    EXPECT_STRNE(a.szIpAddress, b.szIpAddress);

    // Dialling an entry that is connected already is refused.
    HRASCONN again = nullptr;
    EXPECT_EQ(Dial("main", "u", "p", again), DWORD(ERROR_PORT_ALREADY_OPEN));

    HangUpAndWaitForTheHandleToGo(main);
    bytes = sizeof conns;
    ASSERT_EQ(Ras().RasEnumConnectionsA(conns, &bytes, &count), 0u);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(conns[0].hrasconn, relay);
    HangUpAndWaitForTheHandleToGo(relay);
}

TEST_F(SimulatedLibrary, DefaultPhonebookIsTheAllUsersOneInThePrefix)
{
    wchar_t folder[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder)));
    const std::wstring path = std::wstring(folder) + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
    const bool existed = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::string name = "rassim-default-" + std::to_string(GetCurrentProcessId());

    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    strcpy(entry.szDeviceType, "vpn");
    strcpy(entry.szDeviceName, Ansi(kPptp).c_str());
    strcpy(entry.szLocalPhoneNumber, "10.0.0.1");
    ASSERT_EQ(Ras().RasSetEntryPropertiesA(nullptr, name.c_str(), &entry, sizeof entry, nullptr, 0), 0u);
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Ras().RasValidateEntryNameA(Ansi(path).c_str(), name.c_str()), DWORD(ERROR_ALREADY_EXISTS));

    RASENTRYNAMEA names[64] = {};
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof names, count = 0;
    ASSERT_EQ(Ras().RasEnumEntriesA(nullptr, nullptr, names, &bytes, &count), 0u);
    bool listed = false;
    for (DWORD i = 0; i < count; ++i) {
        if (name == names[i].szEntryName) {
            listed = true;
            EXPECT_EQ(names[i].dwFlags, DWORD(REN_AllUsers));
            EXPECT_EQ(std::string(names[i].szPhonebookPath), Ansi(path));
        }
    }
    EXPECT_TRUE(listed);

    EXPECT_EQ(Ras().RasDeleteEntryA(nullptr, name.c_str()), 0u);
    if (!existed)
        DeleteFileW(path.c_str());
}

} // namespace
