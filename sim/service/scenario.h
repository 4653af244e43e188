// Scenarios: how the service departs from its normal answers for a test.
//
// A scenario is UTF-8 text, one rule per line; blank lines and lines starting with "#" are skipped.
// A rule is blank-separated words "key=value" (values hold no blanks: escape them as "%20"):
//
//   selectors (all optional; a missing one matches everything)
//     host=127.0.0.2        the service host the request came to
//     port=app|content      the application (8000) or the content (8001) port
//     path=/zirovadi/useradmin/netcheck.php   an exact path, or
//     path=netcheck.php     (no leading "/") the last segment of the path
//     call=3 | call=2-4 | call=3- | call=*    which calls, counted from 1 per path and host since the
//                           scenario was loaded
//   actions
//     status=503            reply with this status code (100 to 599) instead of the normal answer
//     body=%31%0D%0A        reply with these bytes (percent escapes; "+" is a plus sign)
//     text=%E6%B5%8B        reply with this UTF-8 text sent in code page 936
//     delay=2500            wait this many milliseconds (at most 120000) before answering
//     drop                  close the connection before the reply is complete
//     location=http://...   a Location header (percent escapes), for redirects: goes with status
//     trickle=1500          send the reply's body one byte at a time, this many milliseconds apart
//                           (at most 120000), its length announced first
//     cut                   send the reply in chunks and close the connection before the last one
//     refuse                (only with host, and port if one port only) stop listening there:
//                           connections are refused for as long as the scenario stays loaded
//     silent                (as refuse) listen there but never accept: connections stay unanswered
//
// A request takes the first rule that matches it. A rule with status, body or text replaces the
// answer (status 200 and an empty body where one of them is missing); delay and drop alone keep the
// normal answer. Every error names its line.
#pragma once

#include "core/exception.h"
#include "sim/service/protocol.h"

#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::service {

class EScenario : public core::Exception {
public:
    using Exception::Exception;
};

struct ScenarioRule {
    int line = 0;
    std::string host;               // empty: any
    std::optional<Port> port;       // none: any
    std::string path;               // empty: any
    int first_call = 1;
    int last_call = INT_MAX;
    std::optional<int> status;
    std::optional<std::string> body;
    int delay_ms = 0;
    bool drop = false;
    std::optional<std::string> location;
    int trickle_ms = 0;
    bool cut = false;
    bool refuse = false;
    bool silent = false;

    bool ReplacesAnswer() const { return status.has_value() || body.has_value(); }
    bool Matches(std::string_view host, Port port, std::string_view path, int call) const;
};

class Scenario {
public:
    const std::vector<ScenarioRule>& Rules() const { return m_rules; }
    // The first request rule matching the request; nullptr when none does.
    const ScenarioRule* Match(std::string_view host, Port port, std::string_view path, int call) const;
    // Whether a refuse rule closes this listener.
    bool Refuses(std::string_view host, Port port) const;
    // Whether a silent rule puts a listener that never accepts in its place.
    bool Silences(std::string_view host, Port port) const;

    static constexpr int kMaxDelayMs = 120000;
    static constexpr size_t kMaxRules = 10000;
    // Throws EScenario ("line N: ...") for anything malformed.
    static Scenario Parse(std::string_view utf8);

private:
    std::vector<ScenarioRule> m_rules;
};

} // namespace sim::service
