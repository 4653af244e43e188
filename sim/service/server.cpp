// The service's HTTP servers (see server.h).
#include "sim/service/server.h"

#include "sim/service/httplib_include.h"
#include "sim/service/json.h"

#include <thread>

namespace sim::service {

struct Server::Listener {
    std::string host;
    Port port = Port::App;
    bool control = false;
    int number = 0;  // 0 until bound
    std::unique_ptr<httplib::Server> http;
    std::thread thread;
    bool running = false;
    // In place of the server while a silent rule holds: a socket that listens and never accepts,
    // its queue filled by connections of our own so that the system answers no one else.
    std::vector<socket_t> silent;
};

namespace {

// Whether the service's dispatcher saw the request now being answered on this thread; the library's
// own refusals (a body too large, a malformed request line) are logged by the error handler instead.
thread_local bool t_dispatched = false;

const char* PortName(Port port) { return port == Port::App ? "app" : "content"; }

HeaderList LoggableHeaders(const httplib::Request& req) {
    HeaderList headers;
    for (const auto& [name, value] : req.headers) {
        // The library adds the socket's addresses as headers; they are not the client's.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
        headers.emplace_back(name, value);
    }
    return headers;
}

void SplitTarget(const httplib::Request& req, std::string& path, std::string& query) {
    const std::string& target = req.target.empty() ? req.path : req.target;
    size_t mark = target.find('?');
    path = target.substr(0, mark);
    query = mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

std::string SessionJson(const Session& s) {
    std::string out = "{\"uniqueid\":";
    AppendJsonText(out, core::ToUtf8(s.unique_id));
    out += ",\"username\":";
    AppendJsonText(out, core::ToUtf8(s.user_name));
    out += ",\"serverip\":";
    AppendJsonText(out, core::ToUtf8(s.server_ip));
    out += ",\"clientip\":";
    AppendJsonText(out, core::ToUtf8(s.client_ip));
    out += ",\"host\":";
    AppendJsonText(out, s.host);
    out += ",\"state\":\"";
    out += SessionStateName(s.state);
    out += "\",\"xmitdata\":" + std::to_string(s.sent) + ",\"recvdata\":" + std::to_string(s.received) +
           ",\"onlinetime\":" + std::to_string(s.online_ms) + ",\"reports\":" + std::to_string(s.reports) +
           ",\"started_ms\":" + std::to_string(s.started_ms) + ",\"last_ms\":" + std::to_string(s.last_ms) + "}";
    return out;
}

// The library's default lets a second server share a port it should find taken (a second service
// started by mistake, a parallel test run): the port must be ours alone. Quick rebinds after a stop
// or a refusal still work on POSIX systems with the address in TIME_WAIT.
void ExclusiveAddress(socket_t sock) {
    int yes = 1;
#ifdef _WIN32
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

void PlainText(httplib::Response& res, int status, const std::string& text) {
    res.status = status;
    res.set_content(text, "text/plain; charset=utf-8");
}

} // namespace

Server::Server(Service& service, ServerOptions options) : m_service(service), m_options(std::move(options)) {
    if (m_options.control_host.empty()) m_options.control_host = m_options.host;
    if (m_options.fallback_host == m_options.host) m_options.fallback_host.clear();
}

Server::~Server() { Stop(); }

void Server::Delay(int ms) {
    if (ms <= 0) return;
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

void Server::RequestShutdown() {
    std::lock_guard lock(m_mutex);
    m_shutdown_requested = true;
    m_wake.notify_all();
}

bool Server::WaitForShutdownRequest(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_wake.wait_for(lock, timeout, [this] { return m_shutdown_requested; });
}

void Server::StartListener(Listener& l) {
    auto http = std::make_unique<httplib::Server>();
    http->set_payload_max_length(l.control ? ServiceData::kMaxFileSize + 4096 : m_options.max_body);
    // Short keep-alive and read waits: an idle connection must not hold up a stop for long.
    http->set_keep_alive_timeout(1);
    http->set_read_timeout(5, 0);
    http->set_write_timeout(5, 0);
    http->set_socket_options(ExclusiveAddress);

    if (l.control) {
        SetUpControlOn(*http);
    } else {
        auto dispatch = [this, &l](const httplib::Request& req, httplib::Response& res) {
            t_dispatched = true;
            Request request;
            request.host = l.host;
            request.port_number = l.number;
            request.port = l.port;
            request.method = req.method;
            SplitTarget(req, request.path, request.query);
            request.headers = LoggableHeaders(req);
            request.body = req.body;
            Reply reply = m_service.Handle(request);
            Delay(reply.delay_ms);
            res.status = reply.status;
            for (const auto& [name, value] : reply.headers) res.set_header(name.c_str(), value);
            if (reply.trickle_ms > 0 && !reply.body.empty()) {
                auto body = std::make_shared<std::string>(std::move(reply.body));
                const int interval = reply.trickle_ms;
                res.set_content_provider(body->size(), reply.content_type.c_str(),
                                         [this, body, interval](size_t offset, size_t, httplib::DataSink& sink) {
                                             Delay(interval);
                                             if (Stopping()) return false;
                                             return sink.write(body->data() + offset, 1);
                                         });
            } else if (reply.cut) {
                // The body's chunks go out, then the connection closes before the last chunk.
                auto body = std::make_shared<std::string>(std::move(reply.body));
                res.set_chunked_content_provider(reply.content_type.c_str(),
                                                 [body](size_t offset, httplib::DataSink& sink) {
                                                     if (offset < body->size()) return sink.write(body->data(), body->size());
                                                     return false;
                                                 });
            } else if (reply.drop) {
                // Headers go out, then the connection closes before the promised body.
                res.set_content_provider(reply.body.size() + 1, reply.content_type.c_str(),
                                         [](size_t, size_t, httplib::DataSink&) { return false; });
            } else {
                res.set_content(reply.body, reply.content_type.c_str());
            }
        };
        const std::string any = ".*";
        http->Get(any, dispatch);
        http->Post(any, dispatch);
        http->Put(any, dispatch);
        http->Delete(any, dispatch);
        http->Patch(any, dispatch);
        http->Options(any, dispatch);
        httplib::Server::HandlerWithResponse on_error = [this, &l](const httplib::Request& req,
                                                                   httplib::Response& res) {
            if (t_dispatched) return httplib::Server::HandlerResponse::Unhandled;
            LoggedRequest entry;
            entry.time_ms = m_service.Now();
            entry.host = l.host;
            entry.port = l.number;
            entry.method = req.method;
            SplitTarget(req, entry.path, entry.query);
            entry.headers = LoggableHeaders(req);
            entry.status = res.status;
            entry.reply = res.status == 413   ? "request body too large\n"
                          : res.status == 414 ? "request target too long\n"
                                              : "bad request\n";
            res.set_content(entry.reply, "text/plain");
            m_service.Log().Add(std::move(entry));
            return httplib::Server::HandlerResponse::Handled;
        };
        http->set_error_handler(std::move(on_error));
        // Cleared when a request reaches routing and after every answer, so that a stale mark of an
        // earlier request on this thread (whose answer could not be written) hides nothing.
        http->set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
            t_dispatched = false;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        http->set_logger([](const httplib::Request&, const httplib::Response&) { t_dispatched = false; });
    }
    http->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        PlainText(res, 500, "internal error\n");
    });

    if (l.number == 0) {
        int port = http->bind_to_any_port(l.host);
        if (port <= 0) throw EServer(core::FromUtf8("cannot listen on " + l.host + " (any port)"));
        l.number = port;
    } else if (!http->bind_to_port(l.host, l.number)) {
        throw EServer(core::FromUtf8("cannot listen on " + l.host + ":" + std::to_string(l.number)));
    }
    l.http = std::move(http);
    httplib::Server* raw = l.http.get();
    l.thread = std::thread([raw] { raw->listen_after_bind(); });
    l.running = true;
    // The library's stop does nothing until its loop runs: a stop right after the start would wait
    // for ever. The loop marks itself running first thing.
    for (int i = 0; i < 5000 && !raw->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool Server::Stopping() {
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

namespace {

void CloseSocket(socket_t sock) {
#ifdef _WIN32
    closesocket(sock);
#else
    close(sock);
#endif
}

} // namespace

void Server::SilenceListener(Listener& l) {
    if (!l.silent.empty()) return;
    socket_t sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET) throw EServer(core::FromUtf8("cannot make a silent listener on " + l.host));
    ExclusiveAddress(sock);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(l.number));
    inet_pton(AF_INET, l.host.c_str(), &address.sin_addr);
    if (bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(sock, 0) != 0) {
        CloseSocket(sock);
        throw EServer(core::FromUtf8("cannot listen silently on " + l.host + ":" + std::to_string(l.number)));
    }
    l.silent.push_back(sock);
    // The system completes a few connections on its own before the queue is full; these are ours.
    for (int i = 0; i < 4; ++i) {
        socket_t filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (filler == INVALID_SOCKET) break;
#ifdef _WIN32
        u_long nonblocking = 1;
        ioctlsocket(filler, FIONBIO, &nonblocking);
#else
        fcntl(filler, F_SETFL, fcntl(filler, F_GETFL) | O_NONBLOCK);
#endif
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        l.silent.push_back(filler);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void Server::UnsilenceListener(Listener& l) {
    for (socket_t sock : l.silent) CloseSocket(sock);
    l.silent.clear();
}

void Server::StopListener(Listener& l) {
    if (!l.running) return;
    l.http->stop();
    if (l.thread.joinable()) l.thread.join();
    l.http.reset();
    l.running = false;
}

void Server::Start() {
    std::lock_guard guard(m_listener_mutex);
    if (m_started) return;
    if (m_options.host.empty()) throw EServer(u"no service host given");

    std::vector<std::string> hosts{m_options.host};
    if (!m_options.fallback_host.empty()) hosts.push_back(m_options.fallback_host);

    try {
        for (Port port : {Port::App, Port::Content}) {
            int wanted = port == Port::App ? m_options.app_port : m_options.content_port;
            // With any port, the first host picks one and the others must get the same: the client
            // builds every host's URLs with one port number. Another program may hold it there.
            for (int attempt = 0;; ++attempt) {
                size_t first = m_listeners.size();
                try {
                    int number = wanted;
                    for (const auto& host : hosts) {
                        auto l = std::make_unique<Listener>();
                        l->host = host;
                        l->port = port;
                        l->number = number;
                        m_listeners.push_back(std::move(l));
                        StartListener(*m_listeners.back());
                        number = m_listeners.back()->number;
                    }
                    (port == Port::App ? m_app_port : m_content_port) = number;
                    break;
                } catch (const EServer&) {
                    for (size_t i = first; i < m_listeners.size(); ++i) StopListener(*m_listeners[i]);
                    m_listeners.resize(first);
                    if (wanted != 0 || attempt >= 20) throw;
                }
            }
        }
        auto control = std::make_unique<Listener>();
        control->host = m_options.control_host;
        control->control = true;
        control->number = m_options.control_port;
        m_listeners.push_back(std::move(control));
        StartListener(*m_listeners.back());
        m_control_port = m_listeners.back()->number;
    } catch (...) {
        for (auto& l : m_listeners) StopListener(*l);
        m_listeners.clear();
        throw;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
    m_started = true;
    std::string error;
    ApplyRefusals(error);
}

void Server::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wake.notify_all();
    }
    // The control port goes first and without the listener lock: its handlers take that lock, and
    // stopping a listener waits for its handlers.
    Listener* control = nullptr;
    {
        std::lock_guard guard(m_listener_mutex);
        if (!m_listeners.empty() && m_listeners.back()->control) control = m_listeners.back().get();
    }
    if (control) StopListener(*control);
    std::lock_guard guard(m_listener_mutex);
    for (auto& l : m_listeners) {
        StopListener(*l);
        UnsilenceListener(*l);
    }
    m_listeners.clear();
    m_started = false;
}

bool Server::LoadScenario(const std::string& text, std::string& error) {
    Scenario scenario = Scenario::Parse(text);
    std::lock_guard guard(m_listener_mutex);
    m_service.LoadScenario(std::move(scenario), text);
    return ApplyRefusals(error);
}

bool Server::ApplyRefusals(std::string& error) {
    Scenario scenario = m_service.CurrentScenario();
    bool ok = true;
    for (auto& l : m_listeners) {
        if (l->control) continue;
        const bool silent = scenario.Silences(l->host, l->port);
        const bool refuse = silent || scenario.Refuses(l->host, l->port);
        try {
            if (!silent) UnsilenceListener(*l);
            if (refuse && l->running) StopListener(*l);
            if (silent) SilenceListener(*l);
            if (!refuse && !l->running) StartListener(*l);
        } catch (const EServer& e) {
            error += e.what();
            error += '\n';
            ok = false;
        }
    }
    return ok;
}

std::string Server::Describe() const {
    std::string out;
    for (const auto& l : m_listeners) {
        out += l->control ? "control" : PortName(l->port);
        out += " http://" + l->host + ":" + std::to_string(l->number) +
               (l->running ? "" : !l->silent.empty() ? " (silent)" : " (refusing)") + "\n";
    }
    return out;
}

void Server::SetUpControlOn(httplib::Server& http) {
    http.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        std::string text;
        {
            std::lock_guard guard(m_listener_mutex);
            text = Describe();
        }
        PlainText(res, 200, text);
    });
    auto load = [this](const std::string& text, httplib::Response& res) {
        Scenario scenario;
        try {
            scenario = Scenario::Parse(text);
        } catch (const EScenario& e) {
            PlainText(res, 400, std::string(e.what()) + "\n");
            return;
        }
        std::lock_guard guard(m_listener_mutex);
        m_service.LoadScenario(std::move(scenario), text);
        std::string error;
        if (ApplyRefusals(error)) PlainText(res, 200, "ok\n");
        else PlainText(res, 500, error);
    };
    http.Post("/scenario", [load](const httplib::Request& req, httplib::Response& res) { load(req.body, res); });
    http.Put("/scenario", [load](const httplib::Request& req, httplib::Response& res) { load(req.body, res); });
    http.Delete("/scenario", [load](const httplib::Request&, httplib::Response& res) { load({}, res); });
    http.Get("/scenario", [this](const httplib::Request&, httplib::Response& res) {
        PlainText(res, 200, m_service.CurrentScenarioText());
    });
    http.Get("/log", [this](const httplib::Request& req, httplib::Response& res) {
        bool clear = req.has_param("clear") && req.get_param_value("clear") != "0";
        std::string out;
        for (const auto& entry : m_service.Log().Entries(clear)) out += entry.ToJson() + "\n";
        res.set_content(out, "application/x-ndjson; charset=utf-8");
    });
    http.Delete("/log", [this](const httplib::Request&, httplib::Response& res) {
        m_service.Log().Clear();
        PlainText(res, 200, "ok\n");
    });
    http.Get("/sessions", [this](const httplib::Request&, httplib::Response& res) {
        std::string out;
        for (const auto& s : m_service.Sessions().Snapshot()) out += SessionJson(s) + "\n";
        res.set_content(out, "application/x-ndjson; charset=utf-8");
    });
    http.Delete("/sessions", [this](const httplib::Request&, httplib::Response& res) {
        m_service.Sessions().Clear();
        PlainText(res, 200, "ok\n");
    });
    http.Post("/data", [this](const httplib::Request& req, httplib::Response& res) {
        try {
            m_service.SetData(ServiceData::Parse(req.body));
            PlainText(res, 200, "ok\n");
        } catch (const EDataFile& e) {
            PlainText(res, 400, std::string(e.what()) + "\n");
        }
    });
    http.Post("/shutdown", [this](const httplib::Request&, httplib::Response& res) {
        RequestShutdown();
        PlainText(res, 200, "stopping\n");
    });
}

} // namespace sim::service
