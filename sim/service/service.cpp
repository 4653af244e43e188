// Request handling of the substitute service (see service.h).
#include "sim/service/service.h"

#include "sim/service/pages.h"
#include "sim/service/text936.h"

#include <chrono>
#include <charconv>

namespace sim::service {

namespace {

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Reply Text(std::string_view body, int status = 200) {
    Reply reply;
    reply.status = status;
    reply.body = std::string(body);
    return reply;
}

Reply Chinese(const core::String& text, std::string_view type = kTextType) {
    Reply reply;
    reply.body = ToCodePage936(text);
    reply.content_type = std::string(type);
    return reply;
}

Reply BadRequest(const std::string& reason) { return Text("bad request: " + reason + "\n", 400); }

Reply WrongMethod(std::string_view allowed) {
    Reply reply = Text("method not allowed; use " + std::string(allowed) + "\n", 405);
    reply.headers.emplace_back("Allow", std::string(allowed));
    return reply;
}

bool IsGet(const std::string& method) { return method == "GET" || method == "HEAD"; }

// The fields a handler needs, each present; otherwise the reason for a 400.
struct Fields {
    const Form* form = nullptr;
    std::string missing;
    core::String Get(const char16_t* name) const { return form->Value(name).value_or(core::String()); }
};

Fields Need(const Form& form, std::initializer_list<const char16_t*> names) {
    Fields fields{&form, {}};
    for (const char16_t* name : names)
        if (!form.Value(name)) {
            fields.missing = "missing field " + core::ToUtf8(name);
            break;
        }
    return fields;
}

template <typename T>
bool ParseNumber(const core::String& text, T& value) {
    std::string ascii = core::ToUtf8(text);
    if (ascii.empty()) return false;
    auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return ec == std::errc{} && end == ascii.data() + ascii.size();
}

// The seven report fields, or the reason they are unusable.
std::string ReadReport(const Form& form, Report& report) {
    Fields f = Need(form, {u"serverip", u"clientip", u"uniqueid", u"username", u"xmitdata", u"recvdata", u"onlinetime"});
    if (!f.missing.empty()) return f.missing;
    report.server_ip = f.Get(u"serverip");
    report.client_ip = f.Get(u"clientip");
    report.unique_id = f.Get(u"uniqueid");
    report.user_name = core::Trim(f.Get(u"username"));
    if (report.unique_id.empty()) return "uniqueid is empty";
    if (!ParseNumber(f.Get(u"xmitdata"), report.sent)) return "xmitdata is not an unsigned 32-bit number";
    if (!ParseNumber(f.Get(u"recvdata"), report.received)) return "recvdata is not an unsigned 32-bit number";
    if (!ParseNumber(f.Get(u"onlinetime"), report.online_ms)) return "onlinetime is not a number of milliseconds";
    return {};
}

std::string_view LastSegment(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

Service::Service(ServiceData data, Clock clock)
    : m_clock(clock ? std::move(clock) : Clock(SteadyMs)),
      m_data(std::make_shared<const ServiceData>(std::move(data))) {
    m_start_ms = m_clock();
}

int64_t Service::Now() const { return m_clock() - m_start_ms; }

void Service::SetData(ServiceData data) {
    auto fresh = std::make_shared<const ServiceData>(std::move(data));
    std::lock_guard lock(m_mutex);
    m_data = std::move(fresh);
}

std::shared_ptr<const ServiceData> Service::Data() const {
    std::lock_guard lock(m_mutex);
    return m_data;
}

void Service::LoadScenario(Scenario scenario, std::string text) {
    std::lock_guard lock(m_mutex);
    m_scenario = std::move(scenario);
    m_scenario_text = std::move(text);
    m_calls.clear();
}

Scenario Service::CurrentScenario() const {
    std::lock_guard lock(m_mutex);
    return m_scenario;
}

std::string Service::CurrentScenarioText() const {
    std::lock_guard lock(m_mutex);
    return m_scenario_text;
}

Reply Service::Handle(const Request& request) {
    LoggedRequest entry;
    entry.time_ms = Now();
    entry.host = request.host;
    entry.port = request.port_number;
    entry.method = request.method;
    entry.path = request.path;
    entry.query = request.query;
    entry.headers = request.headers;
    entry.body = request.body;

    std::shared_ptr<const ServiceData> data;
    std::optional<ScenarioRule> rule;
    {
        std::lock_guard lock(m_mutex);
        data = m_data;
        // Garbage paths must not grow the counts without end; past the limit a new path counts as
        // its first call each time.
        std::pair<std::string, std::string> key{request.path, request.host};
        int call = 1;
        if (m_calls.size() < kMaxCountedPaths || m_calls.count(key)) call = ++m_calls[key];
        if (const ScenarioRule* match = m_scenario.Match(request.host, request.port, request.path, call))
            rule = *match;
    }

    Reply reply;
    try {
        reply = Answer(request, *data, entry);
    } catch (const std::exception& e) {
        reply = Text(std::string("internal error: ") + e.what() + "\n", 500);
    }

    if (rule) {
        entry.rule = rule->line;
        if (rule->ReplacesAnswer()) {
            reply = Reply{};
            reply.status = rule->status.value_or(200);
            reply.body = rule->body.value_or(std::string());
        }
        reply.delay_ms = rule->delay_ms;
        reply.drop = rule->drop;
        reply.trickle_ms = rule->trickle_ms;
        reply.cut = rule->cut;
        if (rule->location) reply.headers.emplace_back("Location", *rule->location);
    }

    entry.status = reply.status;
    entry.reply = reply.body;
    entry.delay_ms = reply.delay_ms;
    entry.dropped = reply.drop;
    m_log.Add(std::move(entry));
    return reply;
}

Reply Service::Answer(const Request& request, const ServiceData& data, LoggedRequest& entry) {
    const std::string& path = request.path;
    const std::string& method = request.method;

    // Every POST body is decoded for the log, whatever the path.
    FormResult decoded;
    bool is_post = method == "POST";
    if (is_post) {
        decoded = DecodeForm(request.body);
        if (decoded.error.empty()) entry.fields = decoded.form;
        else entry.form_error = decoded.error;
    }
    auto post_form = [&](Reply& failure) -> const Form* {
        if (!is_post) {
            failure = WrongMethod("POST");
            return nullptr;
        }
        if (!decoded.error.empty()) {
            failure = BadRequest("body is not a form: " + decoded.error);
            return nullptr;
        }
        return &decoded.form;
    };

    if (request.port == Port::Content) {
        if (path.size() > kContentPrefix.size() && path.compare(0, kContentPrefix.size(), kContentPrefix) == 0) {
            std::string_view name = std::string_view(path).substr(kContentPrefix.size());
            if (name == "top.htm" || name == "news.htm" || name == "about.htm" || name == "help.htm") {
                if (!IsGet(method)) return WrongMethod("GET");
                const core::String* page = data.FindPage(core::FromUtf8(name));
                return Chinese(page ? *page : BuiltInPage(name), kHtmlType);
            }
        }
        return Text("not found: " + path + "\n", 404);
    }

    if (path == kNetCheck) {
        if (!IsGet(method)) return WrongMethod("GET");
        return Text(kReplyNetCheck);
    }
    if (path == kVpnList) {
        if (!IsGet(method)) return WrongMethod("GET");
        return Chinese(data.NodeListText());
    }
    if (path == kUserCheck) {
        Reply failure;
        const Form* form = post_form(failure);
        if (!form) return failure;
        Fields f = Need(*form, {u"UserID", u"Upassword"});
        if (!f.missing.empty()) return BadRequest(f.missing);
        const Account* account = data.FindAccount(f.Get(u"UserID"));
        if (!account || account->password != f.Get(u"Upassword")) return Text(kReplyError);
        if (account->state == AccountState::Expired) return Text(kReplyExpired);
        if (account->state == AccountState::UsedUp) return Text(kReplyUsedUp);
        return Chinese(account->info);
    }
    if (path == kIpCheck) {
        Reply failure;
        const Form* form = post_form(failure);
        if (!form) return failure;
        Fields f = Need(*form, {u"serverip", u"username"});
        if (!f.missing.empty()) return BadRequest(f.missing);
        // The client sends the user name as typed; the account check had it trimmed.
        const Account* account = data.FindAccount(core::Trim(f.Get(u"username")));
        if (!account || account->state != AccountState::Ok) return Text(kReplyError);
        if (account->dial == DialMode::OwnLogin) return Text(kDialWithLoginMarker);
        return Chinese(account->dial_user + core::FromUtf8(kCredentialSeparator) + account->dial_password);
    }
    if (path == kStatusCheck || path == kStopCheck) {
        Reply failure;
        const Form* form = post_form(failure);
        if (!form) return failure;
        Report report;
        std::string problem = ReadReport(*form, report);
        if (!problem.empty()) return BadRequest(problem);
        if (!data.FindAccount(report.user_name)) return Text(kReplyError);
        if (path == kStopCheck) {
            m_sessions.StopReport(report, request.host, entry.time_ms);
            return Text(kReplyReportOk);
        }
        bool superseded = m_sessions.StatusReport(report, request.host, entry.time_ms);
        return Text(superseded ? kLoggedInElsewhereMarker : kReplyReportOk);
    }
    if (path == kRegisterPage || path == kAccountPage) {
        if (!IsGet(method) && !is_post) return WrongMethod("GET, POST");
        std::string_view name = path == kAccountPage ? std::string_view("useradmin") : LastSegment(path);
        const core::String* page = data.FindPage(core::FromUtf8(name));
        return Chinese(page ? *page : BuiltInPage(name), kHtmlType);
    }
    if (path == kAccountPageNoSlash) {
        // A folder asked for without its slash: the usual web server answer.
        Reply reply = Text("moved to " + std::string(kAccountPage) + "\n", 301);
        reply.headers.emplace_back("Location", std::string(kAccountPage));
        return reply;
    }
    return Text("not found: " + path + "\n", 404);
}

} // namespace sim::service
