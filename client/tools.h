// Process, service and IP-helper utilities, and the system actions the client takes (ending a
// process, starting services, reading another process's command line) behind one interface that
// tests replace.
#pragma once

#include "core/string.h"

#include <cstdint>
#include <vector>

// The Windows headers make StartService a macro; here it is the method's name.
#ifdef StartService
#undef StartService
#endif

namespace client {

struct ProcessInfo {
    uint32_t pid = 0;
    core::String exe;  // file name of the executable, as the process snapshot gives it
};

class SystemActions {
public:
    virtual ~SystemActions() = default;
    virtual std::vector<ProcessInfo> Processes() = 0;
    // Empty on any failure.
    virtual core::String ProcessCommandLine(uint32_t pid) = 0;
    virtual bool TerminateProcess(uint32_t pid) = 0;
    // Connects to the local service manager, opens the service and starts it without arguments.
    virtual bool StartService(const core::String& name) = 0;
};

// The real system (on the host build: nothing to act on, every action fails).
SystemActions& SystemActionsOfPlatform();

// Enables "SeDebugPrivilege" for the own process token; failures ignored.
void EnableDebugPrivilege();
// Binds "IPHLPAPI.DLL" and its 26 entry points by name; true when loaded (once per process).
bool LoadIpHlpApi();
void UnloadIpHlpApi();
// How many of the 26 names were found (0 while not loaded).
int IpHlpApiBoundCount();
// The command line of another process, "" on any failure.
core::String GetProcessCommandLine(uint32_t pid);

// The service control manager: one manager handle and the service opened last, closed by the
// destructor or by the next open.
class TServiceManager {
public:
    TServiceManager() = default;
    ~TServiceManager();
    TServiceManager(const TServiceManager&) = delete;
    TServiceManager& operator=(const TServiceManager&) = delete;

    bool Connect(const core::String& machineName = {}, const core::String& databaseName = {}, unsigned access = 0);
    bool OpenServiceConnection(const core::String& serviceName);
    bool StartService();
    uintptr_t ServiceControlManager() const { return m_manager; }
    uintptr_t ServiceHandle() const { return m_service; }

private:
    void CloseService();
    uintptr_t m_manager = 0;
    uintptr_t m_service = 0;
};

} // namespace client
