// The service on the network: the application and content ports on the default and the fallback
// host, and the control port, each an HTTP server of its own with its own thread.
//
// Control port (plain text unless said otherwise):
//   GET    /                 what listens where
//   POST   /scenario         load the body as the scenario (400 with the faulty line on error)
//   GET    /scenario         the scenario text loaded last
//   DELETE /scenario         back to normal answers
//   GET    /log              the request log, one JSON object per line; "?clear=1" also empties it
//   DELETE /log              empty the log
//   GET    /sessions         the sessions, one JSON object per line
//   DELETE /sessions         forget all sessions
//   POST   /data             replace accounts, nodes and pages with the body (data file format)
//   POST   /shutdown         ask the program to stop (see ShutdownRequested)
#pragma once

#include "core/exception.h"
#include "sim/service/service.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace sim::service {

class EServer : public core::Exception {
public:
    using Exception::Exception;
};

struct ServerOptions {
    std::string host;           // default service host
    std::string fallback_host;  // empty: none
    int app_port = 8000;        // 0: any free port (the same one on both hosts)
    int content_port = 8001;
    std::string control_host;   // empty: the default host
    int control_port = 8002;
    size_t max_body = 64 * 1024;
};

// Both hosts on loopback (127.0.0.1, fallback 127.0.0.2) and every port chosen free: for a service
// run inside a test or tool process, clear of any other run.
inline ServerOptions LoopbackOptions()
{
    ServerOptions options;
    options.host = "127.0.0.1";
    options.fallback_host = "127.0.0.2";
    options.app_port = 0;
    options.content_port = 0;
    options.control_port = 0;
    return options;
}

class Server {
public:
    Server(Service& service, ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds every port; throws EServer naming the address that cannot be bound.
    void Start();
    // Stops every port, cutting delays short; waits for the server threads. Idempotent.
    void Stop();

    int AppPort() const { return m_app_port; }
    int ContentPort() const { return m_content_port; }
    int ControlPort() const { return m_control_port; }
    const ServerOptions& Options() const { return m_options; }

    // Set by POST /shutdown (or RequestShutdown); the program waits for it.
    void RequestShutdown();
    bool WaitForShutdownRequest(std::chrono::milliseconds timeout);

    // Loads a scenario into the service and applies its refuse and silent rules to the listeners,
    // as the control port's scenario request does. Throws EScenario for a malformed one; false (with
    // the reasons in error) when a listener cannot be reopened.
    bool LoadScenario(const std::string& text, std::string& error);

    struct Listener;

private:
    void SilenceListener(Listener& listener);
    void UnsilenceListener(Listener& listener);
    bool Stopping();
    void StartListener(Listener& listener);
    void StopListener(Listener& listener);
    // Closes and reopens listeners as the scenario's refuse rules say; false when one cannot reopen.
    bool ApplyRefusals(std::string& error);
    void SetUpControlOn(httplib::Server& http);
    std::string Describe() const;
    // Waits up to ms, returning early when the server stops.
    void Delay(int ms);

    Service& m_service;
    ServerOptions m_options;
    int m_app_port = 0;
    int m_content_port = 0;
    int m_control_port = 0;
    std::vector<std::unique_ptr<Listener>> m_listeners;  // service ports, then the control port
    std::mutex m_listener_mutex;                        // scenario loads come on several threads

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_shutdown_requested = false;
    bool m_started = false;
};

} // namespace sim::service
