// The client's shared state and its seams.
#include "client/globals.h"

#include "client/httptransport.h"
#include "client/tools.h"

#include <cstdlib>

namespace client {

bool login_ok = false;
std::atomic<bool> ping_running{false};
bool vpn_connected = false;
bool relay_connected = false;
bool own_account = true;
core::String str_relayentry = u"VEDEZEVERI";
core::String str_user;
core::String str_pass;
std::unique_ptr<support::TStreamIniFile> nodeini;
uint64_t h_vpnconn = 0;
uint64_t h_relayconn = 0;
core::String str_apppath;
core::String str_host;
double dt_connstart = 0;
core::String str_uniqueid;
core::String str_entryname;

namespace {

HttpTransport* g_transport = nullptr;
SystemActions* g_system = nullptr;

core::String HostSetting(const char* variable, const char* built)
{
    const char* value = std::getenv(variable);
    return core::FromUtf8(value && *value ? value : built);
}

} // namespace

ServiceSettings ReadServiceSettings()
{
    return {HostSetting("CLIENT_SERVICE_HOST", CLIENT_SERVICE_HOST), HostSetting("CLIENT_FALLBACK_HOST", CLIENT_FALLBACK_HOST)};
}

ServiceSettings& Settings()
{
    static ServiceSettings settings = ReadServiceSettings();
    return settings;
}

core::String ServiceUrl(core::StringView host, int port, core::StringView path)
{
    return u"http://" + core::String(host) + u":" + core::IntToStr(port) + core::String(path);
}

HttpTransport& Transport() { return g_transport ? *g_transport : SystemTransport(); }
void SetTransport(HttpTransport* transport) { g_transport = transport; }
SystemActions& System() { return g_system ? *g_system : SystemActionsOfPlatform(); }
void SetSystem(SystemActions* actions) { g_system = actions; }

void ResetGlobals()
{
    login_ok = false;
    ping_running = false;
    vpn_connected = false;
    relay_connected = false;
    own_account = true;
    str_relayentry = u"VEDEZEVERI";
    str_user.clear();
    str_pass.clear();
    nodeini.reset();
    h_vpnconn = 0;
    h_relayconn = 0;
    str_host.clear();
    dt_connstart = 0;
    str_uniqueid.clear();
    str_entryname.clear();
}

} // namespace client
