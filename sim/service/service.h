// The substitute service's request handling, apart from any socket: a request in, the answer out,
// with the scenario applied, the sessions kept and the request logged before the answer leaves.
//
// Application port: netcheck.php (GET, "1"), usercheck.php (POST UserID, Upassword: "error",
// "expire", "useup" or the account's info), vpnlist.php (GET, the node list), ipcheck2.php (POST
// serverip, username: the dial-with-login marker or the issued user name and password joined by the
// separator), statuscheck2.php and stopcheck.php (POST the seven report fields: "ok", or the
// logged-in-elsewhere marker for a superseded session), and the account pages. Content port: the
// four pages. Text that carries Chinese goes out in code page 936.
//
// Bad requests get a status and a one-line reason: 400 for a body that is no form or lacks a field,
// 404 for an unknown path, 405 for a wrong method.
#pragma once

#include "sim/service/datafile.h"
#include "sim/service/protocol.h"
#include "sim/service/requestlog.h"
#include "sim/service/scenario.h"
#include "sim/service/sessions.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace sim::service {

struct Request {
    std::string host;        // the address the request came to
    int port_number = 0;
    Port port = Port::App;
    std::string method;
    std::string path;
    std::string query;
    HeaderList headers;
    std::string body;
};

struct Reply {
    int status = 200;
    std::string body;
    std::string content_type{kTextType};
    HeaderList headers;
    int delay_ms = 0;    // wait before answering
    bool drop = false;   // close the connection before the reply is complete
    int trickle_ms = 0;  // send the body a byte at a time, this far apart
    bool cut = false;    // send the body in chunks and close before the last one
};

class Service {
public:
    // Milliseconds on a steady clock; tests pass their own.
    using Clock = std::function<int64_t()>;

    explicit Service(ServiceData data = {}, Clock clock = {});

    // Never throws: a fault inside becomes a 500 answer.
    Reply Handle(const Request& request);

    void SetData(ServiceData data);
    std::shared_ptr<const ServiceData> Data() const;

    // Replaces the scenario and restarts the call counts.
    void LoadScenario(Scenario scenario, std::string text = {});
    Scenario CurrentScenario() const;
    std::string CurrentScenarioText() const;

    RequestLog& Log() { return m_log; }
    SessionBook& Sessions() { return m_sessions; }
    int64_t Now() const;

    static constexpr size_t kMaxCountedPaths = 4096;

private:
    Reply Answer(const Request& request, const ServiceData& data, LoggedRequest& entry);

    Clock m_clock;
    int64_t m_start_ms = 0;
    RequestLog m_log;
    SessionBook m_sessions;

    mutable std::mutex m_mutex;  // guards what follows
    std::shared_ptr<const ServiceData> m_data;
    Scenario m_scenario;
    std::string m_scenario_text;
    std::map<std::pair<std::string, std::string>, int> m_calls;  // (path, host) -> calls so far
};

} // namespace sim::service
