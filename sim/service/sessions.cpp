// Session bookkeeping of the report endpoints.
#include "sim/service/sessions.h"

#include <algorithm>

namespace sim::service {

const char* SessionStateName(SessionState state) {
    switch (state) {
    case SessionState::Online: return "online";
    case SessionState::Superseded: return "superseded";
    case SessionState::Stopped: return "stopped";
    }
    return "?";
}

Session& SessionBook::Touch(const Report& report, const std::string& host, int64_t now_ms, bool& created) {
    auto it = std::find_if(m_sessions.begin(), m_sessions.end(),
                           [&](const Session& s) { return s.unique_id == report.unique_id; });
    created = it == m_sessions.end();
    if (created) {
        Session fresh;
        fresh.unique_id = report.unique_id;
        fresh.user_name = report.user_name;
        fresh.started_ms = now_ms;
        m_sessions.push_back(std::move(fresh));
        it = m_sessions.end() - 1;
    }
    Session& s = *it;
    s.server_ip = report.server_ip;
    s.client_ip = report.client_ip;
    s.host = host;
    s.sent = report.sent;
    s.received = report.received;
    s.online_ms = report.online_ms;
    s.last_ms = now_ms;
    return s;
}

bool SessionBook::StatusReport(const Report& report, const std::string& host, int64_t now_ms) {
    std::lock_guard lock(m_mutex);
    bool created = false;
    Session& s = Touch(report, host, now_ms, created);
    ++s.reports;
    if (created) {
        for (auto& other : m_sessions)
            if (&other != &s && other.user_name == s.user_name && other.state == SessionState::Online)
                other.state = SessionState::Superseded;
    }
    bool superseded = s.state == SessionState::Superseded;
    Trim();
    return superseded;
}

void SessionBook::StopReport(const Report& report, const std::string& host, int64_t now_ms) {
    std::lock_guard lock(m_mutex);
    bool created = false;
    Session& s = Touch(report, host, now_ms, created);
    s.state = SessionState::Stopped;
    Trim();
}

void SessionBook::Trim() {
    // Ended sessions go first, oldest first; only a flood of running ones drops a running one.
    while (m_sessions.size() > kMaxSessions) {
        auto ended = std::find_if(m_sessions.begin(), m_sessions.end(),
                                  [](const Session& s) { return s.state != SessionState::Online; });
        m_sessions.erase(ended != m_sessions.end() ? ended : m_sessions.begin());
    }
}

std::vector<Session> SessionBook::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_sessions;
}

void SessionBook::Clear() {
    std::lock_guard lock(m_mutex);
    m_sessions.clear();
}

} // namespace sim::service
