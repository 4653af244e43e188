// Request log and its JSON lines.
#include "sim/service/requestlog.h"

#include "sim/service/json.h"

namespace sim::service {

std::string LoggedRequest::ToJson() const {
    std::string out = "{\"seq\":" + std::to_string(seq) + ",\"time_ms\":" + std::to_string(time_ms) + ",\"host\":";
    AppendJsonBytes(out, host);
    out += ",\"port\":" + std::to_string(port) + ",\"method\":";
    AppendJsonBytes(out, method);
    out += ",\"path\":";
    AppendJsonBytes(out, path);
    out += ",\"query\":";
    AppendJsonBytes(out, query);
    out += ",\"headers\":[";
    for (size_t i = 0; i < headers.size(); ++i) {
        if (i) out += ',';
        out += '[';
        AppendJsonBytes(out, headers[i].first);
        out += ',';
        AppendJsonBytes(out, headers[i].second);
        out += ']';
    }
    out += "],\"body\":";
    AppendJsonBytes(out, body);
    if (fields) {
        out += ",\"fields\":[";
        bool first = true;
        for (const auto& field : fields->Fields()) {
            if (!first) out += ',';
            first = false;
            out += '[';
            AppendJsonText(out, core::ToUtf8(field.name));
            out += ',';
            AppendJsonText(out, core::ToUtf8(field.value));
            out += ']';
        }
        out += ']';
    }
    out += ",\"form_error\":";
    AppendJsonText(out, form_error);
    out += ",\"status\":" + std::to_string(status) + ",\"reply\":";
    AppendJsonBytes(out, reply);
    out += ",\"rule\":" + std::to_string(rule) + ",\"delay_ms\":" + std::to_string(delay_ms) +
           ",\"dropped\":" + (dropped ? "true" : "false") + "}";
    return out;
}

void RequestLog::Add(LoggedRequest entry) {
    std::lock_guard lock(m_mutex);
    entry.seq = m_next_seq++;
    m_bytes += entry.body.size() + entry.reply.size();
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > kMaxEntries || (m_bytes > kMaxBytes && m_entries.size() > 1)) {
        m_bytes -= m_entries.front().body.size() + m_entries.front().reply.size();
        m_entries.pop_front();
        ++m_dropped;
    }
}

std::vector<LoggedRequest> RequestLog::Entries(bool clear) {
    std::lock_guard lock(m_mutex);
    std::vector<LoggedRequest> out(m_entries.begin(), m_entries.end());
    if (clear) {
        m_entries.clear();
        m_dropped = 0;
        m_bytes = 0;
    }
    return out;
}

void RequestLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_dropped = 0;
    m_bytes = 0;
}

uint64_t RequestLog::Dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

} // namespace sim::service
