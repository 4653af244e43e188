// Process, service and IP-helper utilities over the platform.
#include "core/win32.h"

#include <tlhelp32.h>
#include <winternl.h>

#include "client/tools.h"

#include <cstddef>

namespace client {

using core::String;

namespace {

const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HANDLE m_handle;
};

// The x64 layouts we read from another process.
static_assert(sizeof(PROCESS_BASIC_INFORMATION) == 48);
static_assert(offsetof(PROCESS_BASIC_INFORMATION, PebBaseAddress) == 8);
static_assert(offsetof(PEB, ProcessParameters) == 0x20);
static_assert(offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine) == 0x70);
static_assert(offsetof(UNICODE_STRING, Buffer) == 8);

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

const char* const kIpHlpNames[] = {
    "GetAdaptersInfo", "GetNetworkParams", "GetTcpTable", "GetTcpStatistics", "GetUdpTable", "GetUdpStatistics",
    "GetIpStatistics", "GetIpNetTable", "GetIpAddrTable", "GetIpForwardTable", "GetIcmpStatistics",
    "GetRTTAndHopCount", "GetIfTable", "GetIfEntry", "GetFriendlyIfIndex", "GetPerAdapterInfo",
    "AllocateAndGetTcpExTableFromStack", "AllocateAndGetUdpExTableFromStack", "GetAdaptersAddresses",
    "GetExtendedTcpTable", "GetOwnerModuleFromTcpEntry", "GetExtendedUdpTable", "GetOwnerModuleFromUdpEntry",
    "CreateIpForwardEntry", "SetIpForwardEntry", "DeleteIpForwardEntry",
};
static_assert(std::size(kIpHlpNames) == 26);

HMODULE g_iphlpapi = nullptr;
FARPROC g_iphlp_entries[26] = {};

bool ReadRemote(HANDLE process, const void* address, void* buffer, size_t size)
{
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

} // namespace

void EnableDebugPrivilege()
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
        return;
    Handle token(raw);
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
}

bool LoadIpHlpApi()
{
    if (g_iphlpapi)
        return true;
    g_iphlpapi = LoadLibraryW(L"IPHLPAPI.DLL");
    if (!g_iphlpapi)
        return false;
    for (size_t i = 0; i < std::size(kIpHlpNames); ++i)
        g_iphlp_entries[i] = GetProcAddress(g_iphlpapi, kIpHlpNames[i]);
    return true;
}

void UnloadIpHlpApi()
{
    if (!g_iphlpapi)
        return;
    FreeLibrary(g_iphlpapi);
    g_iphlpapi = nullptr;
    for (auto& entry : g_iphlp_entries)
        entry = nullptr;
}

int IpHlpApiBoundCount()
{
    int count = 0;
    for (auto entry : g_iphlp_entries)
        count += entry != nullptr;
    return count;
}

String GetProcessCommandLine(uint32_t pid)
{
    static const auto query = reinterpret_cast<NtQueryInformationProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query)
        return {};
    Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process)
        return {};
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (query(process.Get(), 0 /* ProcessBasicInformation */, &basic, sizeof(basic), &length) != 0 || !basic.PebBaseAddress)
        return {};
    PEB peb{};
    if (!ReadRemote(process.Get(), basic.PebBaseAddress, &peb, sizeof(peb)) || !peb.ProcessParameters)
        return {};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!ReadRemote(process.Get(), peb.ProcessParameters, &parameters, sizeof(parameters)))
        return {};
    const UNICODE_STRING& line = parameters.CommandLine;
    if (!line.Buffer || line.Length == 0)
        return {};
    String text(line.Length / 2, u'\0');
    if (!ReadRemote(process.Get(), line.Buffer, text.data(), text.size() * 2))
        return {};
    return text;
}

// ---- TServiceManager ----

TServiceManager::~TServiceManager()
{
    CloseService();
    if (m_manager)
        CloseServiceHandle(reinterpret_cast<SC_HANDLE>(m_manager));
}

void TServiceManager::CloseService()
{
    if (m_service)
        CloseServiceHandle(reinterpret_cast<SC_HANDLE>(m_service));
    m_service = 0;
}

bool TServiceManager::Connect(const String& machineName, const String& databaseName, unsigned)
{
    CloseService();
    if (m_manager)
        CloseServiceHandle(reinterpret_cast<SC_HANDLE>(m_manager));
    SC_HANDLE manager = OpenSCManagerW(machineName.empty() ? nullptr : W(machineName),
                                       databaseName.empty() ? nullptr : W(databaseName), SC_MANAGER_ALL_ACCESS);
    m_manager = reinterpret_cast<uintptr_t>(manager);
    return manager != nullptr;
}

bool TServiceManager::OpenServiceConnection(const String& serviceName)
{
    CloseService();
    if (!m_manager)
        return false;
    SC_HANDLE service = OpenServiceW(reinterpret_cast<SC_HANDLE>(m_manager), W(serviceName), SERVICE_ALL_ACCESS);
    m_service = reinterpret_cast<uintptr_t>(service);
    return service != nullptr;
}

bool TServiceManager::StartService()
{
    return m_service && ::StartServiceW(reinterpret_cast<SC_HANDLE>(m_service), 0, nullptr);
}

// ---- The real system ----

namespace {

class PlatformActions final : public SystemActions {
public:
    std::vector<ProcessInfo> Processes() override
    {
        std::vector<ProcessInfo> out;
        Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot)
            return out;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
            out.push_back({entry.th32ProcessID, String(reinterpret_cast<const char16_t*>(entry.szExeFile))});
        return out;
    }
    String ProcessCommandLine(uint32_t pid) override { return GetProcessCommandLine(pid); }
    bool TerminateProcess(uint32_t pid) override
    {
        Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
        return process && ::TerminateProcess(process.Get(), 0);
    }
    bool StartService(const String& name) override
    {
        TServiceManager manager;
        return manager.Connect() && manager.OpenServiceConnection(name) && manager.StartService();
    }
};

} // namespace

SystemActions& SystemActionsOfPlatform()
{
    static PlatformActions actions;
    return actions;
}

} // namespace client
