// The client's shared state: what the login, the main window, the connection watch and the latency
// test read and write. Everything here is touched on the GUI thread only, except ping_running, which
// the batch-test thread reads (hence atomic).
//
// Also the seams that tests replace: the HTTP transport, the system actions and the service hosts
// and ports. Message boxes, the URL opener and the clock come from ui:: and core:: services.
#pragma once

#include "core/string.h"
#include "support/streamini.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace client {

class HttpTransport;
class SystemActions;

// ---- Shared state ----
extern bool login_ok;
extern std::atomic<bool> ping_running;
extern bool vpn_connected;
extern bool relay_connected;
// True: the main connection was dialled with the login's own account; false: with credentials
// the service issued (then the repeating report runs and disconnecting reports).
extern bool own_account;
extern core::String str_relayentry;
extern core::String str_user;   // as typed, not trimmed
extern core::String str_pass;   // as typed, not trimmed
// The node list; made by a successful login and kept to the end of the process.
extern std::unique_ptr<support::TStreamIniFile> nodeini;
extern uint64_t h_vpnconn;      // remote-access connection handles, 0 = none
extern uint64_t h_relayconn;
extern core::String str_apppath; // program folder with a trailing delimiter

// The host a login found answering; empty until then.
extern core::String str_host;

// Of the main connection, set at every connect.
extern double dt_connstart;
extern core::String str_uniqueid;
extern core::String str_entryname;

// ---- Settings ----
struct ServiceSettings {
    core::String default_host;   // the build setting, or CLIENT_SERVICE_HOST
    core::String fallback_host;  // the build setting, or CLIENT_FALLBACK_HOST
    int app_port = 8000;
    int content_port = 8001;
};
// The settings in use, read once from the build settings and the environment.
ServiceSettings& Settings();
// Reads them afresh: CLIENT_SERVICE_HOST and CLIENT_FALLBACK_HOST, when set and not empty, take the
// place of the build settings.
ServiceSettings ReadServiceSettings();

// "http://" + host + ":" + port + path.
core::String ServiceUrl(core::StringView host, int port, core::StringView path);
inline core::String AppUrl(core::StringView host, core::StringView path) { return ServiceUrl(host, Settings().app_port, path); }
inline core::String ContentUrl(core::StringView host, core::StringView path) { return ServiceUrl(host, Settings().content_port, path); }

// ---- Seams ----
// The transport every exchange with the service goes through (the system's unless replaced).
HttpTransport& Transport();
void SetTransport(HttpTransport* transport);
// Ending processes, starting services, reading other processes (the system's unless replaced).
SystemActions& System();
void SetSystem(SystemActions* actions);

// ---- Start-up and end ----
// The unit initialisations of the client, in order: the debug privilege, the IP helper loader, the
// tray icon's message, the program folder, the random seed, the service settings.
void InitClientUnits();
// Puts every global back to its initial value (tests, between runs of the forms).
void ResetGlobals();

} // namespace client
