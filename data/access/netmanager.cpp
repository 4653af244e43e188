// Network services: service control through the bound system functions, and the keyword search of
// the local network's computers on worker threads.
#include "data/access/netmanager.h"

#include "core/codepage.h"
#include "core/exception.h"
#include "core/fileio.h"
#include "core/format.h"
#include "core/stringlist.h"
#include "core/thread.h"
#include "data/access/connectdialog.h"
#include "data/access/sqlinfo.h"
#include "data/storage/recordstore.h"

#include <atomic>

namespace data {

namespace {

// Access rights and codes of the service control manager and the network API.
constexpr uint32_t GENERIC_READ_ACCESS = 0x80000000u;
constexpr uint32_t SC_MANAGER_ALL = 0xF003Fu;
constexpr uint32_t SERVICE_ALL = 0xF01FFu;
constexpr uint32_t SERVICE_QUERY = 0x4u;
constexpr uint32_t SERVICE_WIN32_TYPES = 0x30u;
constexpr uint32_t SERVICE_STATE_ALL_STATES = 3u;
constexpr uint32_t SERVICE_CONTROL_STOP_CODE = 1u;
constexpr uint32_t ERROR_MORE_DATA_CODE = 234u;
constexpr uint32_t MAX_PREFERRED = 0xFFFFFFFFu;
constexpr uint32_t SV_TYPE_WORKSTATION_BIT = 1u;

[[noreturn]] void NotLinked() { throw core::Exception(u"function is not linked"); }

TSCHandle StubOpenSCManager(const char*, const char*, uint32_t) { NotLinked(); }
int32_t StubCloseServiceHandle(TSCHandle) { NotLinked(); }
TSCHandle StubOpenService(TSCHandle, const char*, uint32_t) { NotLinked(); }
int32_t StubEnumServicesStatus(TSCHandle, uint32_t, uint32_t, TEnumServiceStatusA*, uint32_t, uint32_t*, uint32_t*,
                               uint32_t*)
{
    NotLinked();
}
int32_t StubQueryServiceStatus(TSCHandle, TServiceStatusRec*) { NotLinked(); }
int32_t StubStartService(TSCHandle, uint32_t, const char**) { NotLinked(); }
int32_t StubControlService(TSCHandle, uint32_t, TServiceStatusRec*) { NotLinked(); }
uint32_t StubNetServerEnum(const char16_t*, uint32_t, uint8_t**, uint32_t, uint32_t*, uint32_t*, uint32_t,
                           const char16_t*, uint32_t*)
{
    NotLinked();
}
uint32_t StubNetApiBufferFree(void*) { NotLinked(); }
uint32_t NoLastError() { return 0; }

constexpr TNetFunctions kUnlinked = {
    StubOpenSCManager, StubCloseServiceHandle, StubOpenService, StubEnumServicesStatus, StubQueryServiceStatus,
    StubStartService, StubControlService, StubNetServerEnum, StubNetApiBufferFree, NoLastError,
};

// The unit's table: the stubs until the unit binds the system's functions.
TNetFunctions g_bound = kUnlinked;
std::atomic<const TNetFunctions*> g_functions{&g_bound};

TCRNetManager* g_manager = nullptr;
TSQLInfo* g_neutral_sql_info = nullptr;

[[noreturn]] void RaiseLastOSError()
{
    const uint32_t code = NetFunctions().GetLastError();
    throw core::EOSError(u"System Error.  Code: " + core::IntToStr(code) + u".\r\n" + core::SysErrorMessage(code),
                         code);
}

void Check(int32_t Result)
{
    if (Result == 0)
        RaiseLastOSError();
}

// A service control manager or service handle, closed when it goes; the service is declared after
// its manager, so it closes first.
class TSCHandleGuard {
public:
    explicit TSCHandleGuard(TSCHandle Handle) : FHandle(Handle) {}
    ~TSCHandleGuard()
    {
        if (FHandle)
            NetFunctions().CloseServiceHandle(FHandle);
    }
    TSCHandleGuard(const TSCHandleGuard&) = delete;
    TSCHandleGuard& operator=(const TSCHandleGuard&) = delete;
    TSCHandle Get() const { return FHandle; }

private:
    TSCHandle FHandle;
};

TSCHandle OpenManager(const String& Server, bool ReadOnly)
{
    String name = core::Trim(Server);
    if (core::LowerCase(name) == u"localhost")
        name.clear();
    // An empty name is the local computer as well; the other names are passed as typed.
    const std::string machine = name.empty() ? std::string() : core::ToAnsi(Server);
    TSCHandle manager = NetFunctions().OpenSCManagerA(machine.empty() ? nullptr : machine.c_str(), nullptr,
                                                      ReadOnly ? GENERIC_READ_ACCESS : SC_MANAGER_ALL);
    if (!manager)
        RaiseLastOSError();
    return manager;
}

// A service opened through a manager; the service closes before its manager. Read-only opens ask
// only for the status, which every user may read; full access is for starting and stopping.
class TOpenService {
public:
    TOpenService(const String& Server, const String& ServiceName, bool ReadOnly)
        : FManager(OpenManager(Server, ReadOnly)), FService(Open(FManager.Get(), ServiceName, ReadOnly))
    {
    }
    TSCHandle Get() const { return FService.Get(); }

private:
    static TSCHandle Open(TSCHandle Manager, const String& ServiceName, bool ReadOnly)
    {
        const std::string name = core::ToAnsi(ServiceName);
        TSCHandle service = NetFunctions().OpenServiceA(Manager, name.c_str(), ReadOnly ? SERVICE_QUERY : SERVICE_ALL);
        if (!service)
            RaiseLastOSError();
        return service;
    }

    TSCHandleGuard FManager;
    TSCHandleGuard FService;
};

} // namespace

const TNetFunctions& UnlinkedNetFunctions() { return kUnlinked; }

const TNetFunctions& NetFunctions() { return *g_functions.load(std::memory_order_acquire); }

void SetNetFunctions(const TNetFunctions* Functions)
{
    g_functions.store(Functions ? Functions : &g_bound, std::memory_order_release);
}

TCRServiceStatus ServiceStatusOf(uint32_t State)
{
    if (State >= 1 && State <= 7)
        return TCRServiceStatus(State - 1);
    throw EDatabaseError(core::Format(u"Unknown service status $%X (%d)", {State, int32_t(State)}));
}

std::vector<String> SplitServiceArgs(StringView ParamStr)
{
    // A NUL ends the text, as it ends the system's command line.
    const StringView text = ParamStr.substr(0, ParamStr.find(u'\0'));
    std::vector<String> args;
    size_t i = 0;
    const auto blank = [&](size_t at) { return at < text.size() && text[at] <= u' '; };
    for (;;) {
        for (;;) {
            while (blank(i))
                ++i;
            if (i + 1 < text.size() && text[i] == u'"' && text[i + 1] == u'"')
                i += 2;
            else
                break;
        }
        String arg;
        while (i < text.size() && text[i] > u' ') {
            if (text[i] == u'"') {
                ++i;
                while (i < text.size() && text[i] != u'"')
                    arg += text[i++];
                if (i < text.size())
                    ++i;
            } else {
                arg += text[i++];
            }
        }
        if (arg.empty())
            return args;
        args.push_back(std::move(arg));
    }
}

// ---- class operations ----

TCRServicesInfo TCRNetManager::GetServiceNames(const String& Server)
{
    TSCHandleGuard manager(OpenManager(Server, true));
    const TNetFunctions& f = NetFunctions();
    uint32_t needed = 0, returned = 0, resume = 0;
    if (f.EnumServicesStatusA(manager.Get(), SERVICE_WIN32_TYPES, SERVICE_STATE_ALL_STATES, nullptr, 0, &needed,
                              &returned, &resume))
        return {};
    if (f.GetLastError() != ERROR_MORE_DATA_CODE)
        RaiseLastOSError();
    // Whole records, so that the pointers inside are aligned.
    std::vector<TEnumServiceStatusA> buffer((needed + sizeof(TEnumServiceStatusA) - 1) / sizeof(TEnumServiceStatusA));
    returned = 0;
    resume = 0;
    Check(f.EnumServicesStatusA(manager.Get(), SERVICE_WIN32_TYPES, SERVICE_STATE_ALL_STATES, buffer.data(),
                                uint32_t(buffer.size() * sizeof(TEnumServiceStatusA)), &needed, &returned, &resume));
    TCRServicesInfo result;
    result.reserve(returned);
    for (uint32_t i = 0; i < returned && i < buffer.size(); ++i) {
        const TEnumServiceStatusA& entry = buffer[i];
        result.push_back({core::FromAnsi(entry.ServiceName ? entry.ServiceName : ""),
                          core::FromAnsi(entry.DisplayName ? entry.DisplayName : ""),
                          ServiceStatusOf(entry.ServiceStatus.CurrentState)});
    }
    return result;
}

TCRServiceStatus TCRNetManager::GetServiceStatus(const String& Server, const String& ServiceName)
{
    TOpenService service(Server, ServiceName, true);
    TServiceStatusRec status{};
    Check(NetFunctions().QueryServiceStatus(service.Get(), &status));
    return ServiceStatusOf(status.CurrentState);
}

void TCRNetManager::ServiceStart(const String& Server, const String& ServiceName, const String& ParamStr)
{
    TOpenService service(Server, ServiceName, false);
    std::vector<std::string> args;
    for (const String& arg : SplitServiceArgs(core::Trim(ParamStr)))
        args.push_back(core::ToAnsi(arg));
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    Check(NetFunctions().StartServiceA(service.Get(), uint32_t(argv.size()),
                                       argv.empty() ? nullptr : argv.data()));
}

void TCRNetManager::ServiceStop(const String& Server, const String& ServiceName)
{
    TOpenService service(Server, ServiceName, false);
    TServiceStatusRec status{};
    Check(NetFunctions().ControlService(service.Get(), SERVICE_CONTROL_STOP_CODE, &status));
}

void TCRNetManager::GetServerList(core::Strings& List)
{
    List.Clear();
    const TNetFunctions& f = NetFunctions();
    uint8_t* buffer = nullptr;
    uint32_t read = 0, total = 0, resume = 0;
    const uint32_t code = f.NetServerEnum(nullptr, 100, &buffer, MAX_PREFERRED, &read, &total,
                                          SV_TYPE_WORKSTATION_BIT, nullptr, &resume);
    struct TBufferGuard {
        const TNetFunctions& F;
        uint8_t* Buffer;
        ~TBufferGuard()
        {
            if (Buffer)
                F.NetApiBufferFree(Buffer);
        }
    } guard{f, buffer};
    if (code != 0)
        throw core::Exception(u"NetServerEnum error " + core::UIntToStr(code));
    const auto* entries = reinterpret_cast<const TServerInfo100*>(buffer);
    for (uint32_t i = 0; entries && i < read; ++i)
        List.Add(entries[i].Name ? String(entries[i].Name) : String());
}

// ---- the search threads ----

// One computer: its services are read and, when one matches a keyword line, the computer is added
// to the cache. A computer that cannot be asked is simply not found.
class TCRServiceNamesThread : public core::Thread {
public:
    TCRServiceNamesThread(TCRNetManager& Manager, String Keywords, String Server)
        : Thread(true), FManager(Manager), FKeywords(std::move(Keywords)), FServer(std::move(Server))
    {
    }

protected:
    void Execute() override
    {
        try {
            FServiceNames = TCRNetManager::GetServiceNames(FServer);
            core::StringList lines;
            lines.SetText(FKeywords);
            for (const TCRServiceInfo& info : FServiceNames) {
                const String name = core::AnsiLowerCase(info.ServiceName);
                const String display = core::AnsiLowerCase(info.DisplayName);
                for (int i = 0; i < lines.Count(); ++i) {
                    // Lower-cased as the names are, so that a keyword with capitals matches.
                    const String keyword = core::AnsiLowerCase(lines[i]);
                    if (!keyword.empty() && (core::Pos(keyword, name) > 0 || core::Pos(keyword, display) > 0)) {
                        FManager.AddFound(FKeywords, FServer);
                        return;
                    }
                }
            }
        } catch (...) {
            // Swallowed: the computer is not found.
        }
    }

private:
    TCRNetManager& FManager;
    const String FKeywords;
    const String FServer;
    TCRServicesInfo FServiceNames;
};

// Asks every computer on its own thread and waits for them all; frees itself. It works on its own
// copy of the names, and tells the manager and the waiting caller when it is done.
class TCRServicesThread : public core::Thread {
public:
    TCRServicesThread(TCRNetManager& Manager, std::vector<String> List, String Keywords,
                      std::shared_ptr<core::Event> Done)
        : Thread(true), FManager(Manager), FList(std::move(List)), FKeywords(std::move(Keywords)),
          FDone(std::move(Done))
    {
        SetFreeOnTerminate(true);
    }

protected:
    void Execute() override
    {
        try {
            std::vector<std::unique_ptr<TCRServiceNamesThread>> threads;
            try {
                for (const String& server : FList) {
                    threads.push_back(std::make_unique<TCRServiceNamesThread>(FManager, FKeywords, server));
                    threads.back()->SetPriority(core::ThreadPriority::Highest);
                    threads.back()->Start();
                }
            } catch (...) {
                // Those already started are waited for and freed below; the rest are not asked.
            }
            for (auto& thread : threads) {
                if (thread->Started())
                    thread->WaitFor();
            }
        } catch (...) {
        }
        FDone->SetEvent();
        // The last touch of the manager: its destruction waits for it.
        FManager.SearchEnded();
    }

private:
    TCRNetManager& FManager;
    const std::vector<String> FList;
    const String FKeywords;
    const std::shared_ptr<core::Event> FDone;
};

// ---- the manager ----

TCRNetManager::TCRNetManager(core::Clock& Clock) : FClock(Clock) {}

TCRNetManager::~TCRNetManager()
{
    std::unique_lock lock(FServicesCS);
    FSearchEnded.wait(lock, [this] { return FRunningSearches == 0; });
    FCachedServerList.reset();
}

int TCRNetManager::RunningSearches() const
{
    core::CriticalSection::Lock lock(FServicesCS);
    return FRunningSearches;
}

void TCRNetManager::SearchStarted()
{
    core::CriticalSection::Lock lock(FServicesCS);
    ++FRunningSearches;
}

void TCRNetManager::SearchEnded()
{
    std::lock_guard lock(FServicesCS);
    --FRunningSearches;
    FSearchEnded.notify_all();
}

void TCRNetManager::AddFound(const String& Keywords, const String& Server)
{
    core::CriticalSection::Lock lock(FServicesCS);
    if (!FCachedServerList) {
        FCachedServerList = std::make_unique<core::StringList>(true);
        FCachedServerList->SetSorted(true);
        FCachedServerList->SetCaseSensitive(false);
    }
    int index = FCachedServerList->IndexOf(Keywords);
    if (index < 0) {
        auto servers = std::make_unique<core::StringList>();
        servers->SetSorted(true);
        servers->SetCaseSensitive(false);
        index = FCachedServerList->AddObject(Keywords, servers.release());
    }
    auto* servers = static_cast<core::StringList*>(FCachedServerList->Objects(index));
    if (servers->IndexOf(Server) < 0)
        servers->Add(Server);
}

void TCRNetManager::ClearServerCache()
{
    core::CriticalSection::Lock lock(FServicesCS);
    FCachedServerList.reset();
}

void TCRNetManager::GetServerList(core::Strings& List, const String& Keywords, uint32_t Timeout,
                                  uint32_t CacheTimeout)
{
    List.Clear();
    if (Timeout == 0)
        return;
    CallStartWaitHook();
    struct TStopWait {
        ~TStopWait() { CallStopWaitHook(); }
    } stopWait;
    core::StringList found;
    found.SetSorted(true);
    found.SetCaseSensitive(false);

    const uint32_t now = FClock.Ticks();
    bool search;
    {
        core::CriticalSection::Lock lock(FServicesCS);
        // The first search always runs, whatever a fresh boot's low tick count says.
        search = !FSearched || uint32_t(FLastTickCount + CacheTimeout * 1000u) < now || now < FLastTickCount;
    }
    if (search) {
        core::StringList computers;
        try {
            GetServerList(computers);
        } catch (...) {
            // Without the network's list (no browser service) the local computer is still asked.
            computers.Clear();
        }
        computers.Add(u"localhost");
        std::vector<String> names;
        for (int i = 0; i < computers.Count(); ++i)
            names.push_back(computers[i]);
        auto done = std::make_shared<core::Event>(true, false);
        auto* thread = new TCRServicesThread(*this, std::move(names), Keywords, done);
        SearchStarted();
        try {
            thread->Start();
        } catch (...) {
            SearchEnded();
            delete thread;
            throw;
        }
        done->WaitFor(Timeout * 1000u);
        core::CriticalSection::Lock lock(FServicesCS);
        FLastTickCount = FClock.Ticks();
        FSearched = true;
    }

    {
        core::CriticalSection::Lock lock(FServicesCS);
        if (FCachedServerList) {
            found.Clear();
            const int index = FCachedServerList->IndexOf(Keywords);
            if (index >= 0)
                found.AddStrings(*static_cast<core::StringList*>(FCachedServerList->Objects(index)));
        }
    }
    List.Assign(found);
}

// ---- the unit ----

TCRNetManager* CRNetManager() { return g_manager; }

TSQLInfo* NeutralSQLInfo() { return g_neutral_sql_info; }

void InitNetUnit()
{
    DefConnectDialogProc = nullptr;
    g_neutral_sql_info = new TSQLInfo();
    g_bound = kUnlinked;
    detail::BindNetFunctions(g_bound);
    g_manager = new TCRNetManager();
}

void DoneNetUnit()
{
    DefConnectDialogProc = nullptr;
    delete g_manager;
    g_manager = nullptr;
    delete g_neutral_sql_info;
    g_neutral_sql_info = nullptr;
    g_bound = kUnlinked;
    detail::UnbindNetFunctions();
}

} // namespace data
