// The substitute service program: loads the data file and an optional scenario, listens on both
// service hosts and the control port until Ctrl+C, SIGTERM or a shutdown request.
#include "sim/service/options.h"
#include "sim/service/server.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnSignal(int) { g_interrupted = true; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw sim::service::ECommandLine(core::FromUtf8("cannot open " + path));
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv) {
    using namespace sim::service;
    try {
        ProgramOptions options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(UsageText(), stdout);
            return 0;
        }
        ServiceData data;
        if (!options.data_file.empty()) data = ServiceData::LoadFromFile(options.data_file);
        else std::fputs("service: no --data file: no accounts and an empty node list\n", stderr);

        Service service(std::move(data));
        if (!options.scenario_file.empty()) {
            std::string text = ReadFile(options.scenario_file);
            service.LoadScenario(Scenario::Parse(text), text);
        }

        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);

        Server server(service, options.server);
        server.Start();
        std::printf("ready app=%d content=%d control=%d\n", server.AppPort(), server.ContentPort(), server.ControlPort());
        std::fflush(stdout);

        while (!g_interrupted && !server.WaitForShutdownRequest(std::chrono::milliseconds(100))) {
        }
        server.Stop();
        std::puts("stopped");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "service: %s\n", e.what());
        if (dynamic_cast<const ECommandLine*>(&e)) std::fputs(UsageText(), stderr);
        return 1;
    }
}
