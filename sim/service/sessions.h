// Bookkeeping of connections that report to the service, one session per unique id.
//
// A session starts with the first report of its unique id and ends with its end-of-connection report.
// An account is online on one computer at a time: when a new session of an account starts, every
// other running session of that account is superseded, and each of their later reports is answered
// with the logged-in-elsewhere marker.
#pragma once

#include "core/string.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace sim::service {

struct Report {
    core::String server_ip;
    core::String client_ip;
    core::String unique_id;
    core::String user_name;
    uint32_t sent = 0;
    uint32_t received = 0;
    uint64_t online_ms = 0;
};

enum class SessionState { Online, Superseded, Stopped };

struct Session {
    core::String unique_id;
    core::String user_name;
    core::String server_ip;
    core::String client_ip;
    std::string host;  // service host the session last reported to
    SessionState state = SessionState::Online;
    uint32_t sent = 0;
    uint32_t received = 0;
    uint64_t online_ms = 0;
    int reports = 0;   // status reports, the end-of-connection report not counted
    int64_t started_ms = 0;
    int64_t last_ms = 0;
};

class SessionBook {
public:
    // A status report: true when the session has been superseded (answer the marker).
    bool StatusReport(const Report& report, const std::string& host, int64_t now_ms);
    // An end-of-connection report; a report of an unknown id records a stopped session.
    void StopReport(const Report& report, const std::string& host, int64_t now_ms);

    std::vector<Session> Snapshot() const;
    void Clear();

    // Sessions beyond this many are forgotten, ended ones and oldest first, so that a long run (or a
    // flood of made-up ids) stays small.
    static constexpr size_t kMaxSessions = 4096;

private:
    Session& Touch(const Report& report, const std::string& host, int64_t now_ms, bool& created);
    void Trim();

    mutable std::mutex m_mutex;
    std::vector<Session> m_sessions;  // in order of start
};

const char* SessionStateName(SessionState state);

} // namespace sim::service
