// Network services of the database layer: the services of a computer (listed, queried, started,
// stopped through the service control manager), the computers of the local network, and the search
// for the computers that run services matching keywords, with a cache and worker threads.
//
// The system functions are bound at run time into one table (TNetFunctions); until then each entry
// raises "function is not linked". Tests put a table of fakes in its place, so that no test starts
// or stops a real service.
#pragma once

#include "core/object.h"
#include "core/string.h"
#include "core/sync.h"
#include "core/tick.h"
#include "data/dataset/dbtypes.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace core {
class Strings;
class StringList;
}

namespace data {

enum TCRServiceStatus {
    ssStopped, ssStartPending, ssStopPending, ssRunning, ssContinuePending, ssPausePending, ssPaused,
};

// The system's service states 1 to 7; any other raises EDatabaseError
// "Unknown service status $%X (%d)".
TCRServiceStatus ServiceStatusOf(uint32_t State);

struct TCRServiceInfo {
    String ServiceName;
    String DisplayName;
    TCRServiceStatus Status = ssStopped;
};
using TCRServicesInfo = std::vector<TCRServiceInfo>;

// The system records the functions exchange, in their x64 layouts (the platform's structures are
// checked against them where the functions are bound).
struct TServiceStatusRec {
    uint32_t ServiceType;
    uint32_t CurrentState;
    uint32_t ControlsAccepted;
    uint32_t Win32ExitCode;
    uint32_t ServiceSpecificExitCode;
    uint32_t CheckPoint;
    uint32_t WaitHint;
};
static_assert(sizeof(TServiceStatusRec) == 28);

struct TEnumServiceStatusA {
    char* ServiceName;
    char* DisplayName;
    TServiceStatusRec ServiceStatus;
};
static_assert(sizeof(TEnumServiceStatusA) == 48, "x64 ENUM_SERVICE_STATUSA");

struct TServerInfo100 {
    uint32_t PlatformId;
    char16_t* Name;
};
static_assert(sizeof(TServerInfo100) == 16, "x64 SERVER_INFO_100");

using TSCHandle = void*;

// The nine bound functions with the system's signatures (x64 has one calling convention), and the
// calling thread's last system error that their failures leave.
struct TNetFunctions {
    TSCHandle (*OpenSCManagerA)(const char* MachineName, const char* DatabaseName, uint32_t Access);
    int32_t (*CloseServiceHandle)(TSCHandle Handle);
    TSCHandle (*OpenServiceA)(TSCHandle Manager, const char* ServiceName, uint32_t Access);
    int32_t (*EnumServicesStatusA)(TSCHandle Manager, uint32_t ServiceType, uint32_t ServiceState,
                                   TEnumServiceStatusA* Services, uint32_t BufSize, uint32_t* BytesNeeded,
                                   uint32_t* ServicesReturned, uint32_t* ResumeHandle);
    int32_t (*QueryServiceStatus)(TSCHandle Service, TServiceStatusRec* Status);
    int32_t (*StartServiceA)(TSCHandle Service, uint32_t ArgCount, const char** Args);
    int32_t (*ControlService)(TSCHandle Service, uint32_t Control, TServiceStatusRec* Status);
    uint32_t (*NetServerEnum)(const char16_t* ServerName, uint32_t Level, uint8_t** Buf, uint32_t PrefMaxLen,
                              uint32_t* EntriesRead, uint32_t* TotalEntries, uint32_t ServerType,
                              const char16_t* Domain, uint32_t* ResumeHandle);
    uint32_t (*NetApiBufferFree)(void* Buffer);
    uint32_t (*GetLastError)();
};

// Every entry on its stub (GetLastError answers 0).
const TNetFunctions& UnlinkedNetFunctions();
// The table in use; the unit binds the system's functions into it at start-up.
const TNetFunctions& NetFunctions();
// Puts Functions (which must outlive its use; null: the unit's bound table) in place. Tests only,
// while no network operation runs.
void SetNetFunctions(const TNetFunctions* Functions);

// Splits a service's start parameters with the command-line rules: blanks and control characters
// separate arguments; double quotes group text and are removed; a pair of double quotes before an
// argument is skipped; splitting stops at the first empty argument.
std::vector<String> SplitServiceArgs(StringView ParamStr);

class TCRNetManager : public core::Object {
public:
    explicit TCRNetManager(core::Clock& Clock = core::SystemClock::Instance());
    // Waits for the search threads still running, so that none writes into a freed cache.
    ~TCRNetManager() override;
    TCRNetManager(const TCRNetManager&) = delete;
    TCRNetManager& operator=(const TCRNetManager&) = delete;

    // ---- class operations ----
    // Server "" or "localhost" (any case, blanks around) is the local computer. Failing system calls
    // raise the operating-system error.
    static TCRServicesInfo GetServiceNames(const String& Server);
    static TCRServiceStatus GetServiceStatus(const String& Server, const String& ServiceName);
    static void ServiceStart(const String& Server, const String& ServiceName, const String& ParamStr = String());
    static void ServiceStop(const String& Server, const String& ServiceName);
    // The workstations of the local network; "NetServerEnum error <code>" when the system refuses.
    static void GetServerList(core::Strings& List);

    // ---- keyword search ----
    // The computers with a service whose name or display name contains one of the lines of Keywords
    // (case ignored). A search of the network runs when the cache is older than CacheTimeout seconds
    // and is waited for up to Timeout seconds; later finds still go to the cache. Timeout 0 answers
    // an empty list at once.
    void GetServerList(core::Strings& List, const String& Keywords, uint32_t Timeout, uint32_t CacheTimeout);
    void ClearServerCache();

    // The number of search threads still running (tests).
    int RunningSearches() const;

private:
    friend class TCRServicesThread;
    friend class TCRServiceNamesThread;

    // Adds Server to the cached computers of Keywords; on the service-name threads.
    void AddFound(const String& Keywords, const String& Server);
    void SearchStarted();
    void SearchEnded();

    core::Clock& FClock;
    mutable core::CriticalSection FServicesCS;
    std::unique_ptr<core::StringList> FCachedServerList;  // guarded by FServicesCS
    uint32_t FLastTickCount = 0;                          // guarded by FServicesCS
    bool FSearched = false;                               // guarded by FServicesCS
    int FRunningSearches = 0;                             // guarded by FServicesCS
    std::condition_variable_any FSearchEnded;
};

// The process's manager, made by the unit's start-up; null outside it.
TCRNetManager* CRNetManager();

// The unit's start-up and end: the dialog display procedure cleared, the provider-neutral SQL
// information made, the system functions bound and the manager made; the end releases them.
void InitNetUnit();
void DoneNetUnit();

class TSQLInfo;
// The SQL information of datasets that have no provider command; null outside the unit's life.
TSQLInfo* NeutralSQLInfo();

namespace detail {
// The platform's half: binds the system functions into Table (missing ones keep their stub); frees
// the libraries again.
void BindNetFunctions(TNetFunctions& Table);
void UnbindNetFunctions();
}

} // namespace data
