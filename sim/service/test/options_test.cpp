// The service program's command line.
#include "sim/service/options.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

const char* NoVariables(const char*) { return nullptr; }

TEST(CommandLine, DefaultsAreTheBuildsHostsAndTheUsualPorts) {
    ProgramOptions o = ParseCommandLine({}, NoVariables);
    EXPECT_EQ(o.server.host, CLIENT_SERVICE_HOST);
    EXPECT_EQ(o.server.fallback_host, CLIENT_FALLBACK_HOST);
    EXPECT_EQ(o.server.app_port, 8000);
    EXPECT_EQ(o.server.content_port, 8001);
    EXPECT_EQ(o.server.control_port, 8002);
    EXPECT_EQ(o.data_file, "");
    EXPECT_FALSE(o.help);
}

TEST(CommandLine, EnvironmentOverridesTheBuildsHostsAndOptionsOverrideBoth) {
    auto variables = [](const char* name) -> const char* {
        std::string n = name;
        return n == "CLIENT_SERVICE_HOST" ? "127.0.0.7" : n == "CLIENT_FALLBACK_HOST" ? "127.0.0.8" : nullptr;
    };
    ProgramOptions o = ParseCommandLine({}, variables);
    EXPECT_EQ(o.server.host, "127.0.0.7");
    EXPECT_EQ(o.server.fallback_host, "127.0.0.8");
    o = ParseCommandLine({"--host", "127.0.0.9"}, variables);
    EXPECT_EQ(o.server.host, "127.0.0.9");
    EXPECT_EQ(o.server.fallback_host, "127.0.0.8");
    // An empty variable counts as unset.
    o = ParseCommandLine({}, [](const char*) { return ""; });
    EXPECT_EQ(o.server.host, CLIENT_SERVICE_HOST);
}

TEST(CommandLine, OptionsOverrideHostsPortsAndFiles) {
    ProgramOptions o = ParseCommandLine({"--host", "127.0.0.5", "--fallback-host", "none", "--app-port", "0",
                                         "--content-port", "9001", "--control-host", "127.0.0.9",
                                         "--control-port", "65535", "--data", "d.data", "--scenario", "s.txt"});
    EXPECT_EQ(o.server.host, "127.0.0.5");
    EXPECT_EQ(o.server.fallback_host, "");
    EXPECT_EQ(o.server.app_port, 0);
    EXPECT_EQ(o.server.content_port, 9001);
    EXPECT_EQ(o.server.control_host, "127.0.0.9");
    EXPECT_EQ(o.server.control_port, 65535);
    EXPECT_EQ(o.data_file, "d.data");
    EXPECT_EQ(o.scenario_file, "s.txt");
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
}

TEST(CommandLine, RefusesWhatItDoesNotKnow) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--port", "1"}, "unknown option \"--port\""},
        {{"extra"}, "unexpected argument \"extra\""},
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--data"}, "--data needs a value"},
        {{"--host", ""}, "--host needs a value"},
        {{"--app-port", "65536"}, "--app-port needs a port number from 0 to 65535 (0: any free port)"},
        {{"--control-port", "8x"}, "--control-port needs a port number from 0 to 65535 (0: any free port)"},
    };
    for (const auto& c : cases) {
        try {
            ParseCommandLine(c.args);
            ADD_FAILURE() << c.error;
        } catch (const ECommandLine& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
    }
}

} // namespace
} // namespace sim::service
