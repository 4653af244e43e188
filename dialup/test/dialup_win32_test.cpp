// The dial-up components against the simulated remote-access library (loaded from the test's
// folder): binding by kind, the client's entry written and read back from the phonebook file,
// dials to connected and refused, state, projection and statistics, hang-up, the connection list,
// two components dialling at once, and the error paths.
#include "core/win32.h"

#include "dialup/rasapi_win32.h"
#include "dialup/rascon.h"
#include "dialup/rasedt.h"
#include "dialup/rasper.h"
#include "sim/rasapi32/test/rassimworld_win32.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

namespace dialup {
namespace {

const wchar_t* W(const String& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// The dial-up layer is loaded first, before the library's environment points into the folder.
struct DialupLoaded {
    DialupLoaded() { InitialiseDialup(); }
};

// Temp folder with the library's scenario, log and command files; removed afterwards.
class SimWorld : DialupLoaded, public sim::rasapi32::test::RasSimWorld {
public:
    SimWorld() : RasSimWorld(L"dialup-") {}
    std::string Log() const { return FileText(L"calls.log"); }
};

// A unique entry name, deleted from the all-users phonebook at the end.
class EntryGuard {
public:
    explicit EntryGuard(const char16_t* stem)
        : name(String(stem) + core::UIntToStr(GetCurrentProcessId()) + u"x" + core::UIntToStr(++s_counter))
    {
    }
    ~EntryGuard()
    {
        TRasCon con;
        con.SetPBLocation(1);
        con.EntryName = name;
        con.DeletePhonebook();
    }
    String name;

private:
    static inline int s_counter = 0;
};

void Pump(uint32_t ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& done, uint32_t ms = 10000)
{
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        if (done())
            return true;
        Pump(20);
    }
    return done();
}

// The entry the client writes for a PPTP connection to `server`.
void ClientEntry(TRasEdt& edt, const String& server, bool l2tp = false)
{
    edt.PPPDefault();
    edt.SetPBLocation(1);
    edt.DeviceName = l2tp ? u"WAN 微型端口 (L2TP)" : u"WAN 微型端口 (PPTP)";
    edt.VpnStrategy = l2tp ? TVpnStrategy::vpnL2tpOnly : TVpnStrategy::vpnPptpOnly;
    edt.DeviceType = u"vpn";
    edt.bPreviewUserPw = edt.bPreviewPhoneNumber = true;
    edt.LocalPhoneNumber = server;
    edt.UserName = u"用户1";
    edt.Password = u"secret";
    edt.bRequireDataEncryption = false;
    edt.EncryptionType = TEncryptionType::encryptOptional;
    edt.bPromoteAlternates = edt.bHeaderCompression = edt.bRequireEncryptedPassword = edt.bSoftwareCompression = false;
    edt.bRequirePAP = edt.bRequireCHAP = edt.bRequireMsCHAP = edt.bRequireMsCHAP2 = edt.bCustom = true;
    edt.PType = TPType::typeVNP;
}

int WriteClientEntry(const String& name, const String& server, bool l2tp = false)
{
    TRasEdt edt;
    ClientEntry(edt, server, l2tp);
    const int put = edt.PutAllEntryProps(name);
    return put ? put : edt.PutDialProps(name);
}

// The section of `entry` in a phonebook file, as key=value lines.
std::map<std::string, std::string> Section(const String& file, const String& entry)
{
    std::ifstream in(W(file), std::ios::binary);
    std::map<std::string, std::string> keys;
    const std::string header = "[" + core::ToUtf8(entry) + "]";
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inside = line == header;
            continue;
        }
        const size_t eq = line.find('=');
        if (inside && eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

// ---- Binding ----

TEST(Binding, BindsTheEntryPointsOfEachKind)
{
    SimWorld world;
    for (OSKind kind : {OSW9x, OSNT4, OSW2K, OSWXP, OSVista}) {
        RasBinding::Options options;
        options.kind = kind;
        options.dialogLibrary = nullptr;
        RasBinding binding(options);
        ASSERT_TRUE(binding.Load()) << int(kind);
        EXPECT_TRUE(binding.EntryFuncs());
        for (const BindRule& rule : RasBindRules()) {
            if (rule.library == RasLibrary::Dialog)
                continue;
            const bool expected = RuleApplies(rule, kind, OSVersionInfo().minor) &&
                                  GetProcAddress(binding.MainModule(), rule.name) != nullptr;
            EXPECT_EQ(binding.Slot(rule.fn) != nullptr, expected) << rule.name << " kind " << int(kind);
        }
    }
}

TEST(Binding, MissingLibraryIsTriedOnceAndGives1157)
{
    SimWorld world;
    RasBinding::Options options;
    options.mainLibrary = L"no-such-remote-access.dll";
    RasBinding missing(options);
    ScopedRasBinding scope(missing);
    EXPECT_FALSE(LoadRasApi());
    EXPECT_FALSE(LoadRasApi());
    EXPECT_EQ(missing.LoadAttempts(), 1);

    TRasCon con;
    con.EntryName = u"any";
    uint64_t handle = 77;
    EXPECT_EQ(con.ConnectEx(handle), 1157);
    EXPECT_EQ(handle, 0u);
    EXPECT_FALSE(con.TestRas());
    EXPECT_EQ(con.StatusStr(), u"RASAPI32.DLL Not Available");
    EXPECT_EQ(con.GetErrorString(691), u"RASAPI32.DLL Not Available");
    EXPECT_EQ(con.DeletePhonebook(), 1157);
    EXPECT_EQ(con.GetConnections(), 1157);
    EXPECT_EQ(con.GetProtocolEx(1), 1157);

    TRasEdt edt;
    EXPECT_EQ(edt.LastError(), 1157);
    EXPECT_EQ(edt.PutAllEntryProps(u"any"), 1157);
    EXPECT_EQ(edt.GetAllEntryProps(u"any"), 1157);
    EXPECT_EQ(edt.PutDialProps(u"any"), 1157);
    EXPECT_EQ(missing.LoadAttempts(), 1);
}

TEST(Binding, PhonebookFilesByKind)
{
    SimWorld world;
    {
        ScopedOSKind kind(OSNT4);
        GetPhoneBookFiles();
        EXPECT_NE(RasPhoneFile(0).find(u"\\System32\\ras\\rasphone.pbk"), String::npos);
        EXPECT_TRUE(RasPhoneFile(1).empty());
        TRasCon con;
        con.SetPBLocation(1);
        EXPECT_EQ(con.PBLocation(), 0);
    }
    {
        ScopedOSKind kind(OSW9x);
        GetPhoneBookFiles();
        EXPECT_TRUE(RasPhoneFile(0).empty() && RasPhoneFile(1).empty());
    }
    GetPhoneBookFiles();
    EXPECT_NE(RasPhoneFile(1).find(u"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk"), String::npos);
    TRasCon con;
    con.SetPBLocation(1);
    EXPECT_EQ(con.PBLocation(), 1);
    EXPECT_EQ(con.PhoneBookPath(), RasPhoneFile(1));
    con.SetPhoneBookPath(u"C:\\elsewhere.pbk");  // stored on NT 4 only
    EXPECT_EQ(con.PhoneBookPath(), RasPhoneFile(1));
}

// ---- The entry editor ----

TEST(EntryEditor, WritesTheClientsEntryAndReadsItBack)
{
    SimWorld world;
    EntryGuard entry(u"edt");
    TRasEdt edt;
    ClientEntry(edt, u"10.20.30.40");
    edt.AltPhoneNrList = {u"10.0.0.2", u"", u"10.0.0.3"};
    ASSERT_EQ(edt.PutAllEntryProps(entry.name), 0) << core::ToUtf8(edt.StatusStr());
    ASSERT_EQ(edt.PutDialProps(entry.name), 0);

    const auto keys = Section(RasPhoneFile(1), entry.name);
    ASSERT_FALSE(keys.empty());
    const uint32_t options = (1u << 4) | (1u << 18) | (1u << 20) | (1u << 21) | (1u << 24) | (1u << 27) |
                             (1u << 28) | (1u << 29);
    EXPECT_EQ(keys.at("Options"), std::to_string(options));
    EXPECT_EQ(keys.at("VpnStrategy"), "1");
    EXPECT_EQ(keys.at("Type"), "2");
    EXPECT_EQ(keys.at("EncryptionType"), "3");
    EXPECT_EQ(keys.at("NetProtocols"), "4");
    EXPECT_EQ(keys.at("FramingProtocol"), "1");
    EXPECT_EQ(keys.at("DeviceType"), "vpn");
    EXPECT_EQ(keys.at("DeviceName"), "WAN 微型端口 (PPTP)");
    EXPECT_EQ(keys.at("LocalPhoneNumber"), "10.20.30.40");
    EXPECT_EQ(keys.at("IPAddress"), "0.0.0.0");
    EXPECT_EQ(keys.at("UserName"), "用户1");

    TRasEdt back;
    back.SetPBLocation(1);
    ASSERT_EQ(back.GetAllEntryProps(entry.name), 0);
    EXPECT_EQ(back.LocalPhoneNumber, u"10.20.30.40");
    EXPECT_EQ(back.PhoneCanonical, u"10.20.30.40");
    EXPECT_EQ(back.DeviceName, u"WAN 微型端口 (PPTP)");
    EXPECT_EQ(back.VpnStrategy, TVpnStrategy::vpnPptpOnly);
    EXPECT_EQ(back.PType, TPType::typeVNP);
    EXPECT_TRUE(back.bRequireMsCHAP2 && back.bCustom && back.bRemoteDefaultGateway && back.bNetTCPIP);
    EXPECT_FALSE(back.bHeaderCompression || back.bSoftwareCompression);
    EXPECT_EQ(back.AltPhoneNrList, (std::vector<String>{u"10.0.0.2", u"10.0.0.3"}));
    ASSERT_EQ(back.GetDialProps(entry.name), 0);
    EXPECT_EQ(back.UserName, u"用户1");
    // The library hands out a password handle, never the stored password itself.
    EXPECT_EQ(back.Password, String(16, u'*'));
    EXPECT_TRUE(back.PasswordFlag);
    EXPECT_EQ(Section(RasPhoneFile(1), entry.name).at("Password"), "secret");
}

TEST(EntryEditor, DefaultsCutsAndRefusals)
{
    SimWorld world;
    EntryGuard entry(u"def");
    TRasEdt edt;
    edt.PPPDefault();
    edt.SetPBLocation(1);
    edt.LocalPhoneNumber = String(200, u'7');
    ASSERT_EQ(edt.PutAllEntryProps(entry.name), 0);
    const auto keys = Section(RasPhoneFile(1), entry.name);
    EXPECT_EQ(keys.at("Options"), std::to_string((1u << 3) | (1u << 4)));
    EXPECT_EQ(keys.at("Type"), "1");
    EXPECT_EQ(keys.at("LocalPhoneNumber"), std::string(128, '7'));
    EXPECT_EQ(keys.at("IdleDisconnectSeconds"), "4294967295");

    EXPECT_EQ(edt.GetSubEntryProps(entry.name, 5), -1);
    EXPECT_EQ(edt.GetAllEntryProps(u"no such entry here"), 623);
    EXPECT_FALSE(edt.StatusStr().empty());

    world.Scenario("[library]\nrefuse_entry_writes = 1\n");
    EXPECT_EQ(edt.PutAllEntryProps(entry.name), 5);
}

// ---- Dialling ----

struct Watch {
    std::mutex mutex;
    std::vector<uint64_t> handles;
    std::vector<int> states;
    std::vector<TRasStateRec> events;
    std::set<DWORD> eventThreads;
};

void Observe(TRasCon& con, Watch& watch)
{
    con.SetOnStateChanged([&watch](TRasCon& sender) {
        const TRasStateRec rec = sender.StateRecord();
        std::lock_guard lock(watch.mutex);
        watch.handles.push_back(rec.StateRasConn);
        watch.states.push_back(rec.ConnectState);
    });
    con.SetOnStateEvent([&watch](TRasCon&, const TRasStateRec& rec) {
        std::lock_guard lock(watch.mutex);
        watch.events.push_back(rec);
        watch.eventThreads.insert(GetCurrentThreadId());
    });
}

TEST(Dialling, ConnectsReportsAndHangsUp)
{
    SimWorld world;
    world.Scenario("[server 10.1.1.1]\nafter = 200\nclient_ip = 10.64.9.2\nserver_ip = 10.64.9.1\n"
                   "send_rate = 50000\nrecv_rate = 90000\n");
    EntryGuard entry(u"dial");
    ASSERT_EQ(WriteClientEntry(entry.name, u"10.1.1.1"), 0);

    TRasCon con;
    Watch watch;
    Observe(con, watch);
    con.EntryName = entry.name;
    con.SetPBLocation(1);
    ASSERT_EQ(con.GetDialParams(), 0);
    EXPECT_EQ(con.UserName, u"用户1");
    uint64_t handle = 0;
    ASSERT_EQ(con.ConnectEx(handle), 0);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(PumpUntil([&] { return con.ConnectState() == kStateConnected; }));
    EXPECT_EQ(con.StatusStr(), u"Connected/Online");
    EXPECT_EQ(con.StateRasConn(), handle);

    String text;
    con.CurrentStatusEx(handle, 0, text);
    EXPECT_EQ(text, u"Connected/Online");
    EXPECT_EQ(con.ConnectState(), kStateConnected);
    EXPECT_EQ(con.ConnectPhoneNr(), u"10.1.1.1");
    EXPECT_EQ(con.StateEventSource(), TStateEventSource::SourceStatus);

    ASSERT_EQ(con.GetProtocolEx(handle), 0);
    EXPECT_EQ(con.ClientIP, u"10.64.9.2");
    EXPECT_EQ(con.ServerIP, u"10.64.9.1");
    EXPECT_EQ(con.ConnProtocol, u"PPP CHAP ");

    ASSERT_EQ(con.GetEntryProperties(), 0);
    EXPECT_EQ(con.PhoneCanonical, u"10.1.1.1");
    EXPECT_EQ(con.DeviceType, u"vpn");

    TRasPer per;
    per.SetRasConn(1, handle);
    Sleep(300);
    ASSERT_TRUE(per.GetPerfStats());
    EXPECT_GT(per.GetXmitCur(1), 0u);
    EXPECT_EQ(per.GetXmitCur(0), per.GetXmitCur(1));
    EXPECT_EQ(per.GetRecvCur(0), per.GetRecvCur(1));

    ASSERT_EQ(con.GetConnections(), 0);
    EXPECT_TRUE(con.ConnChangedFlag);
    ASSERT_EQ(con.Connections.Count(), 1);
    EXPECT_EQ(con.Connections.EntryName(0), entry.name);
    EXPECT_EQ(con.Connections.RasConn(0), handle);
    EXPECT_EQ(con.CurConnName, entry.name);
    ASSERT_EQ(con.GetConnections(), 0);
    EXPECT_FALSE(con.ConnChangedFlag);

    EXPECT_EQ(con.DisconnectEx(handle, 0, true, 3000), 0);
    Pump(100);
    {
        std::lock_guard lock(watch.mutex);
        EXPECT_TRUE(std::any_of(watch.events.begin(), watch.events.end(), [](const TRasStateRec& r) {
            return r.StateEventSource == TStateEventSource::SourceHangup;
        }));
        EXPECT_TRUE(std::any_of(watch.events.begin(), watch.events.end(),
                                [](const TRasStateRec& r) { return r.ConnectState == kStateConnected; }));
        // State events run on the thread that made the component.
        EXPECT_EQ(watch.eventThreads, std::set<DWORD>{GetCurrentThreadId()});
    }
    ASSERT_TRUE(PumpUntil([&] { return con.GetConnections() == 0 && con.Connections.Count() == 0; }));

    EXPECT_EQ(con.DeletePhonebook(), 0);
    EXPECT_TRUE(con.EntryName.empty());
    con.EntryName = entry.name;
    EXPECT_EQ(con.DeletePhonebook(), 623);
    EXPECT_EQ(con.ValidateName(entry.name), 0);
}

TEST(Dialling, RefusedDialReportsTheError)
{
    SimWorld world;
    world.Scenario("[server 10.9.9.9]\noutcome = refuse\nerror = 691\nafter = 100\n");
    EntryGuard entry(u"refuse");
    ASSERT_EQ(WriteClientEntry(entry.name, u"10.9.9.9"), 0);
    TRasCon con;
    con.EntryName = entry.name;
    con.SetPBLocation(1);
    uint64_t handle = 0;
    ASSERT_EQ(con.AutoConnectEx(handle), 0);
    ASSERT_TRUE(PumpUntil([&] { return con.ConnectState() == 691; }));
    EXPECT_EQ(con.LastError(), 691);
    EXPECT_EQ(con.ConnectError(), 691);
    EXPECT_EQ(con.StatusStr(), con.GetErrorString(691));
    EXPECT_FALSE(con.StatusStr().empty());
    con.DisconnectEx(handle, 0, false, 1000);
}

TEST(Dialling, TwoComponentsEachSeeOnlyTheirOwnDial)
{
    SimWorld world;
    world.Scenario("[default]\nafter = 300\n");
    EntryGuard first(u"twoA"), second(u"twoB");
    ASSERT_EQ(WriteClientEntry(first.name, u"10.2.0.1"), 0);
    ASSERT_EQ(WriteClientEntry(second.name, u"10.2.0.2", true), 0);
    TRasCon a, b;
    Watch wa, wb;
    Observe(a, wa);
    Observe(b, wb);
    for (TRasCon* c : {&a, &b})
        c->SetPBLocation(1);
    a.EntryName = first.name;
    b.EntryName = second.name;
    uint64_t ha = 0, hb = 0;
    ASSERT_EQ(a.AutoConnectEx(ha), 0);
    ASSERT_EQ(b.AutoConnectEx(hb), 0);
    ASSERT_TRUE(PumpUntil([&] {
        return a.ConnectState() == kStateConnected && b.ConnectState() == kStateConnected;
    }));
    {
        std::lock_guard la(wa.mutex), lb(wb.mutex);
        ASSERT_FALSE(wa.handles.empty());
        ASSERT_FALSE(wb.handles.empty());
        EXPECT_TRUE(std::all_of(wa.handles.begin(), wa.handles.end(), [&](uint64_t h) { return h == ha; }));
        EXPECT_TRUE(std::all_of(wb.handles.begin(), wb.handles.end(), [&](uint64_t h) { return h == hb; }));
    }
    ASSERT_EQ(a.GetConnections(), 0);
    EXPECT_EQ(a.Connections.Count(), 2);
    // Without waiting: the hang-up returns after the request, the link goes a little later.
    EXPECT_EQ(a.DisconnectEx(ha, 0, false, 0), 0);
    EXPECT_EQ(b.DisconnectEx(hb, 0, true, 3000), 0);
    ASSERT_TRUE(PumpUntil([&] { return a.GetConnections() == 0 && a.Connections.Count() == 0; }));
    EXPECT_TRUE(a.ConnChangedFlag);
}

TEST(Dialling, ComponentDestroyedDuringADialIsNotCalled)
{
    SimWorld world;
    world.Scenario("[default]\noutcome = hold\n");
    EntryGuard entry(u"gone");
    ASSERT_EQ(WriteClientEntry(entry.name, u"10.3.0.1"), 0);
    std::atomic<int> calls{0};
    {
        TRasCon con;
        con.SetOnStateChanged([&](TRasCon&) { ++calls; });
        con.EntryName = entry.name;
        con.SetPBLocation(1);
        ASSERT_EQ(con.AutoConnect(), 0);
        ASSERT_NE(con.IntRasConn(), 0u);
        PumpUntil([&] { return calls.load() > 0; }, 3000);
    }  // hangs up its own connection and unregisters
    const int seen = calls.load();
    Pump(400);
    EXPECT_EQ(calls.load(), seen);
}

TEST(Dialling, ErrorPathsWithoutAConnection)
{
    SimWorld world;
    TRasCon con;
    Watch watch;
    con.SetOnStateChanged([&](TRasCon&) { ++watch.states.emplace_back(0); });
    EXPECT_EQ(con.GetConnectStatusEx(0, 0), 601);
    EXPECT_EQ(con.ConnectState(), 601);
    EXPECT_EQ(con.StatusStr(), u"Unknown State (601)");
    String text;
    con.CurrentStatusEx(0, 0, text);
    EXPECT_EQ(text, con.GetErrorString(601));
    EXPECT_EQ(watch.states.size(), 1u);  // called without a state-event handler, nothing queued

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(con.DisconnectEx(0, 0, true, 3000), 6);
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(con.LeaveOpen(), 6);
    EXPECT_EQ(con.ReOpen(0), 6);

    EXPECT_EQ(con.PutEntryProperties(), 603);
    EXPECT_EQ(con.StatusStr(), u"Must Read Entry Properties First");
    EXPECT_EQ(con.UpdatePhonebook(), 603);
    EXPECT_EQ(con.StatusStr(), u"Must Specify Canonical Number");
    EXPECT_EQ(con.GetSubEntryProps(5), -1);

    // A handle that never existed: the status query fails and the wait ends at once.
    EXPECT_NE(con.DisconnectEx(0x7777, 0, true, 3000), 0);
    EXPECT_EQ(con.ConnectState(), 601);

    {
        ScopedOSKind kind(OSW9x);
        uint64_t handle = 0;
        EXPECT_EQ(con.ConnectNT(handle, false, TSpeakerMode::SpeakerDefault), -1);
    }
    EXPECT_EQ(con.GetDeviceList(), 0);
    EXPECT_NE(std::find(con.DeviceNameList.begin(), con.DeviceNameList.end(), u"WAN 微型端口 (L2TP)"),
              con.DeviceNameList.end());
}

TEST(Dialling, PhonebookEntriesListsWhatWasWritten)
{
    SimWorld world;
    EntryGuard entry(u"list");
    ASSERT_EQ(WriteClientEntry(entry.name, u"10.4.0.1"), 0);
    TRasCon con;
    con.SetPBLocation(1);
    ASSERT_EQ(con.GetPhoneBookEntries(), 0);
    EXPECT_NE(std::find(con.PhoneBookEntries.begin(), con.PhoneBookEntries.end(), entry.name),
              con.PhoneBookEntries.end());
    EXPECT_NE(con.ValidateName(entry.name), 0);
    con.EntryName = entry.name;
    ASSERT_EQ(con.GetEntryProps(false), 0);
    con.PhoneCanonical = u"+86 (10) 1234";
    ASSERT_EQ(con.UpdatePhonebook(), 0);
    ASSERT_EQ(con.GetEntryProps(false), 0);
    EXPECT_EQ(con.PhoneCanonical, u"+86 (10) 1234");
    EXPECT_EQ(con.CountryID, 86);
}

TEST(Dialling, RenameCopyCountriesAndSubEntryHandles)
{
    SimWorld world;
    world.Scenario("[default]\nafter = 100\n");
    EntryGuard entry(u"ren"), renamed(u"renB");
    ASSERT_EQ(WriteClientEntry(entry.name, u"10.5.0.1"), 0);
    TRasCon con;
    con.SetPBLocation(1);
    con.EntryName = entry.name;
    ASSERT_EQ(con.RenamePhonebook(renamed.name), 0);
    EXPECT_EQ(con.EntryName, renamed.name);
    EXPECT_EQ(con.ValidateName(entry.name), 0);
    // Renaming onto a name in use is refused by the validation.
    ASSERT_EQ(WriteClientEntry(entry.name, u"10.5.0.2"), 0);
    EXPECT_NE(con.RenamePhonebook(entry.name), 0);
    EXPECT_EQ(con.EntryName, renamed.name);

    int code = 0;
    String name;
    ASSERT_EQ(con.GetOneCountryInfo(86, code, name), 0);
    EXPECT_EQ(code, 86);
    EXPECT_FALSE(name.empty());
    TRasEdt edt;
    ASSERT_EQ(edt.GetAllCountryInfo(), 0);
    EXPECT_GT(edt.CountryList.size(), 1u);

    uint64_t handle = 0;
    ASSERT_EQ(con.AutoConnectEx(handle), 0);
    ASSERT_TRUE(PumpUntil([&] { return con.ConnectState() == kStateConnected; }));
    TSubHandList list{};
    EXPECT_EQ(con.GetSubHandles(handle, 1, list), 0);
    EXPECT_EQ(list[0], 1u);
    EXPECT_NE(list[1], 0u);
    EXPECT_EQ(con.GetSubHandles(handle, 0, list), -1);
    {
        ScopedOSKind kind(OSW9x);
        uint64_t sub = 5;
        EXPECT_EQ(con.GetSubHandle(handle, 1, sub), -1);
        EXPECT_EQ(sub, 0u);
    }
    EXPECT_EQ(con.DisconnectEx(handle, 0, false, 3000), 0);
}

} // namespace
} // namespace dialup
