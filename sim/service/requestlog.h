// The log of every request the service ports answered, for tests to read through the control port.
//
// Each entry renders as one JSON object on one line:
//   {"seq":1,"time_ms":12,"host":"127.0.0.1","port":8000,"method":"POST",
//    "path":"/zirovadi/useradmin/usercheck.php","query":"","headers":[["Content-Type","..."],...],
//    "body":"UserID=demo&Upassword=demo","fields":[["UserID","demo"],["Upassword","demo"]],
//    "form_error":"","status":200,"reply":"...","rule":0,"delay_ms":0,"dropped":false}
// "body", "reply", "path", "query" and the headers are raw bytes, one character per byte (see
// AppendJsonBytes); "fields" holds the decoded form fields as text, in body order (absent when the
// body is not a form, "form_error" says why). "rule" is the line of the scenario rule that applied,
// 0 for none. "time_ms" counts from the start of the service.
#pragma once

#include "sim/service/form.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim::service {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct LoggedRequest {
    uint64_t seq = 0;
    int64_t time_ms = 0;
    std::string host;
    int port = 0;
    std::string method;
    std::string path;
    std::string query;
    HeaderList headers;
    std::string body;
    std::optional<Form> fields;
    std::string form_error;
    int status = 0;
    std::string reply;
    int rule = 0;
    int delay_ms = 0;
    bool dropped = false;

    std::string ToJson() const;
};

class RequestLog {
public:
    void Add(LoggedRequest entry);
    // The entries in order; with clear, the log is emptied in the same step, so that nothing logged
    // in between is lost.
    std::vector<LoggedRequest> Entries(bool clear = false);
    void Clear();
    // Entries dropped because the log was full since it was last cleared.
    uint64_t Dropped() const;

    // The oldest entries go first when either limit is passed.
    static constexpr size_t kMaxEntries = 10000;
    static constexpr size_t kMaxBytes = 32u << 20;  // bodies and replies together

private:
    mutable std::mutex m_mutex;
    std::deque<LoggedRequest> m_entries;
    uint64_t m_next_seq = 1;
    uint64_t m_dropped = 0;
    size_t m_bytes = 0;
};

} // namespace sim::service
