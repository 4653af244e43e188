// The service control manager's and the network API's functions, bound by name at start-up so that
// a system without one of them still starts and fails only when it is called.
#include "data/access/netmanager.h"

#include "core/win32.h"

#include <cstddef>
#include <lm.h>
#include <winsvc.h>

namespace data::detail {

static_assert(sizeof(ENUM_SERVICE_STATUSA) == sizeof(TEnumServiceStatusA));
static_assert(offsetof(ENUM_SERVICE_STATUSA, lpDisplayName) == offsetof(TEnumServiceStatusA, DisplayName));
static_assert(offsetof(ENUM_SERVICE_STATUSA, ServiceStatus) == offsetof(TEnumServiceStatusA, ServiceStatus));
static_assert(sizeof(SERVICE_STATUS) == sizeof(TServiceStatusRec));
static_assert(offsetof(SERVICE_STATUS, dwCurrentState) == offsetof(TServiceStatusRec, CurrentState));
static_assert(sizeof(SERVER_INFO_100) == sizeof(TServerInfo100));
static_assert(offsetof(SERVER_INFO_100, sv100_name) == offsetof(TServerInfo100, Name));

namespace {

HMODULE g_advapi = nullptr;
HMODULE g_netapi = nullptr;

template <class T>
void Bind(HMODULE Module, const char* Name, T& Entry)
{
    if (FARPROC proc = GetProcAddress(Module, Name))
        Entry = reinterpret_cast<T>(reinterpret_cast<void*>(proc));
}

uint32_t LastError() { return ::GetLastError(); }

} // namespace

void BindNetFunctions(TNetFunctions& Table)
{
    Table.GetLastError = LastError;
    if (!g_advapi)
        g_advapi = LoadLibraryW(L"advapi32.dll");
    if (g_advapi) {
        Bind(g_advapi, "OpenSCManagerA", Table.OpenSCManagerA);
        Bind(g_advapi, "CloseServiceHandle", Table.CloseServiceHandle);
        Bind(g_advapi, "OpenServiceA", Table.OpenServiceA);
        Bind(g_advapi, "EnumServicesStatusA", Table.EnumServicesStatusA);
        Bind(g_advapi, "QueryServiceStatus", Table.QueryServiceStatus);
        Bind(g_advapi, "StartServiceA", Table.StartServiceA);
        Bind(g_advapi, "ControlService", Table.ControlService);
    }
    if (!g_netapi)
        g_netapi = LoadLibraryW(L"netapi32.dll");
    if (g_netapi) {
        Bind(g_netapi, "NetServerEnum", Table.NetServerEnum);
        Bind(g_netapi, "NetApiBufferFree", Table.NetApiBufferFree);
    }
}

void UnbindNetFunctions()
{
    if (g_advapi)
        FreeLibrary(g_advapi);
    if (g_netapi)
        FreeLibrary(g_netapi);
    g_advapi = nullptr;
    g_netapi = nullptr;
}

} // namespace data::detail
