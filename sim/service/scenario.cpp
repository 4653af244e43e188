// Scenario rules: parsing and matching (format at the top of scenario.h).
#include "sim/service/scenario.h"

#include "sim/service/form.h"
#include "sim/service/text936.h"

#include <charconv>

namespace sim::service {

namespace {

[[noreturn]] void Fail(int line, const std::string& message) {
    throw EScenario(core::FromUtf8("line " + std::to_string(line) + ": " + message));
}

bool ParseInt(std::string_view text, int& value) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size();
}

std::string Unescape(int line, std::string_view key, std::string_view value) {
    std::string bytes;
    size_t bad = 0;
    if (!PercentDecode(value, bytes, &bad))
        Fail(line, "malformed percent escape in " + std::string(key) + " at character " + std::to_string(bad + 1));
    return bytes;
}

void ParseWord(int line, std::string_view word, ScenarioRule& rule) {
    size_t equals = word.find('=');
    std::string_view key = word.substr(0, equals);
    bool has_value = equals != std::string_view::npos;
    std::string_view value = has_value ? word.substr(equals + 1) : std::string_view{};
    auto need_value = [&] {
        if (!has_value || value.empty()) Fail(line, std::string(key) + " needs a value");
    };

    if (key == "drop" || key == "refuse" || key == "cut" || key == "silent") {
        if (has_value) Fail(line, std::string(key) + " takes no value");
        (key == "drop" ? rule.drop : key == "refuse" ? rule.refuse : key == "cut" ? rule.cut : rule.silent) = true;
    } else if (key == "location") {
        need_value();
        rule.location = Unescape(line, key, value);
    } else if (key == "trickle") {
        need_value();
        int interval = 0;
        if (!ParseInt(value, interval) || interval < 1 || interval > Scenario::kMaxDelayMs)
            Fail(line, "trickle must be 1 to " + std::to_string(Scenario::kMaxDelayMs) + " milliseconds");
        rule.trickle_ms = interval;
    } else if (key == "host") {
        need_value();
        if (value != "*") rule.host = std::string(value);
    } else if (key == "port") {
        need_value();
        if (value == "app") rule.port = Port::App;
        else if (value == "content") rule.port = Port::Content;
        else if (value != "*") Fail(line, "port must be app or content");
    } else if (key == "path") {
        need_value();
        if (value != "*") rule.path = Unescape(line, key, value);
    } else if (key == "call") {
        need_value();
        if (value == "*") return;
        size_t dash = value.find('-');
        int first = 0, last = 0;
        if (dash == std::string_view::npos) {
            if (!ParseInt(value, first)) Fail(line, "call must be N, N-M, N- or *");
            last = first;
        } else {
            if (!ParseInt(value.substr(0, dash), first)) Fail(line, "call must be N, N-M, N- or *");
            std::string_view rest = value.substr(dash + 1);
            if (rest.empty()) last = INT_MAX;
            else if (!ParseInt(rest, last)) Fail(line, "call must be N, N-M, N- or *");
        }
        if (first < 1 || last < first) Fail(line, "call range must start at 1 or later and not run backwards");
        rule.first_call = first;
        rule.last_call = last;
    } else if (key == "status") {
        need_value();
        int status = 0;
        if (!ParseInt(value, status) || status < 100 || status > 599) Fail(line, "status must be 100 to 599");
        rule.status = status;
    } else if (key == "body") {
        if (rule.body) Fail(line, "body given twice");
        rule.body = has_value ? Unescape(line, key, value) : std::string();
    } else if (key == "text") {
        if (rule.body) Fail(line, "body given twice");
        std::string utf8 = has_value ? Unescape(line, key, value) : std::string();
        if (!IsValidUtf8(utf8)) Fail(line, "text is not UTF-8 once unescaped");
        rule.body = ToCodePage936(core::FromUtf8(utf8));
    } else if (key == "delay") {
        need_value();
        int delay = 0;
        if (!ParseInt(value, delay) || delay < 0 || delay > Scenario::kMaxDelayMs)
            Fail(line, "delay must be 0 to " + std::to_string(Scenario::kMaxDelayMs) + " milliseconds");
        rule.delay_ms = delay;
    } else {
        Fail(line, "unknown word \"" + std::string(key) + "\"");
    }
}

} // namespace

bool ScenarioRule::Matches(std::string_view request_host, Port request_port, std::string_view request_path,
                           int call) const {
    if (refuse || silent) return false;
    if (!host.empty() && host != request_host) return false;
    if (port && *port != request_port) return false;
    if (!path.empty()) {
        if (path.front() == '/') {
            if (path != request_path) return false;
        } else {
            size_t slash = request_path.rfind('/');
            std::string_view segment = slash == std::string_view::npos ? request_path : request_path.substr(slash + 1);
            if (path != segment) return false;
        }
    }
    return call >= first_call && call <= last_call;
}

const ScenarioRule* Scenario::Match(std::string_view host, Port port, std::string_view path, int call) const {
    for (const auto& rule : m_rules)
        if (rule.Matches(host, port, path, call)) return &rule;
    return nullptr;
}

bool Scenario::Refuses(std::string_view host, Port port) const {
    for (const auto& rule : m_rules)
        if (rule.refuse && rule.host == host && (!rule.port || *rule.port == port)) return true;
    return false;
}

bool Scenario::Silences(std::string_view host, Port port) const {
    for (const auto& rule : m_rules)
        if (rule.silent && rule.host == host && (!rule.port || *rule.port == port)) return true;
    return false;
}

Scenario Scenario::Parse(std::string_view utf8) {
    Scenario scenario;
    int number = 0;
    size_t start = 0;
    while (start < utf8.size()) {
        size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view line = utf8.substr(start, end - start);
        start = end + 1;
        ++number;

        ScenarioRule rule;
        rule.line = number;
        bool any = false;
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
            if (i >= line.size()) break;
            if (!any && line[i] == '#') break;
            size_t word_end = i;
            while (word_end < line.size() && line[word_end] != ' ' && line[word_end] != '\t' && line[word_end] != '\r')
                ++word_end;
            ParseWord(number, line.substr(i, word_end - i), rule);
            any = true;
            i = word_end;
        }
        if (!any) continue;
        const bool acts = rule.ReplacesAnswer() || rule.drop || rule.delay_ms || rule.location || rule.trickle_ms || rule.cut;
        if (rule.refuse || rule.silent) {
            if (rule.refuse && rule.silent) Fail(number, "refuse and silent exclude each other");
            if (rule.host.empty() || !rule.path.empty() || rule.first_call != 1 || rule.last_call != INT_MAX || acts)
                Fail(number, std::string(rule.refuse ? "refuse" : "silent") + " goes with a host (and a port) only");
        } else if (!acts) {
            Fail(number, "the rule does nothing (no status, body, text, delay, drop, trickle, cut, refuse or silent)");
        } else if (rule.location && !rule.status) {
            Fail(number, "location goes with a status");
        } else if (int(rule.drop) + int(rule.trickle_ms > 0) + int(rule.cut) > 1) {
            Fail(number, "drop, trickle and cut exclude each other");
        }
        if (scenario.m_rules.size() >= kMaxRules) Fail(number, "more than 10000 rules");
        scenario.m_rules.push_back(std::move(rule));
    }
    return scenario;
}

} // namespace sim::service
