// Command-line parsing of the service program.
#include "sim/service/options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iterator>

#ifndef CLIENT_SERVICE_HOST
#define CLIENT_SERVICE_HOST "127.0.0.1"
#endif
#ifndef CLIENT_FALLBACK_HOST
#define CLIENT_FALLBACK_HOST "127.0.0.2"
#endif

namespace sim::service {

namespace {

[[noreturn]] void Fail(const std::string& message) { throw ECommandLine(core::FromUtf8(message)); }

int ParsePort(const std::string& option, const std::string& text) {
    int port = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || port < 0 || port > 65535)
        Fail(option + " needs a port number from 0 to 65535 (0: any free port)");
    return port;
}

} // namespace

const char* UsageText() {
    return "usage: service [options]\n"
           "  --host ADDRESS           default service host ($CLIENT_SERVICE_HOST or " CLIENT_SERVICE_HOST ")\n"
           "  --fallback-host ADDRESS  fallback service host ($CLIENT_FALLBACK_HOST or " CLIENT_FALLBACK_HOST
           "); \"none\" for none\n"
           "  --app-port N             application port (8000); 0 picks a free one\n"
           "  --content-port N         content port (8001); 0 picks a free one\n"
           "  --control-host ADDRESS   control host (the default service host)\n"
           "  --control-port N         control port (8002); 0 picks a free one\n"
           "  --data FILE              accounts, nodes and pages\n"
           "  --scenario FILE          scenario to load at start\n"
           "Prints one line \"ready app=N content=N control=N\" once listening; stops on Ctrl+C,\n"
           "SIGTERM or POST /shutdown to the control port.\n";
}

ProgramOptions ParseCommandLine(const std::vector<std::string>& args, const Environment& environment) {
    auto lookup = [&](const char* name) -> const char* {
        return environment ? environment(name) : std::getenv(name);
    };
    ProgramOptions options;
    options.server.host = CLIENT_SERVICE_HOST;
    options.server.fallback_host = CLIENT_FALLBACK_HOST;
    if (const char* host = lookup("CLIENT_SERVICE_HOST"); host && *host) options.server.host = host;
    if (const char* host = lookup("CLIENT_FALLBACK_HOST"); host && *host) options.server.fallback_host = host;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option.rfind("--", 0) != 0) Fail("unexpected argument \"" + option + "\"");
        static const char* const known[] = {"--host", "--fallback-host", "--app-port", "--content-port",
                                            "--control-host", "--control-port", "--data", "--scenario"};
        if (std::find(std::begin(known), std::end(known), option) == std::end(known))
            Fail("unknown option \"" + option + "\"");
        if (i + 1 >= args.size()) Fail(option + " needs a value");
        const std::string& value = args[++i];
        if (option == "--host") options.server.host = value;
        else if (option == "--fallback-host") options.server.fallback_host = value == "none" ? std::string() : value;
        else if (option == "--app-port") options.server.app_port = ParsePort(option, value);
        else if (option == "--content-port") options.server.content_port = ParsePort(option, value);
        else if (option == "--control-host") options.server.control_host = value;
        else if (option == "--control-port") options.server.control_port = ParsePort(option, value);
        else if (option == "--data") options.data_file = value;
        else if (option == "--scenario") options.scenario_file = value;
        else Fail("unknown option \"" + option + "\"");
        if (value.empty() && option != "--fallback-host") Fail(option + " needs a value");
    }
    return options;
}

} // namespace sim::service
