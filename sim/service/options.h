// Command line of the service program.
#pragma once

#include "core/exception.h"
#include "sim/service/server.h"

#include <string>
#include <vector>

namespace sim::service {

class ECommandLine : public core::Exception {
public:
    using Exception::Exception;
};

struct ProgramOptions {
    ServerOptions server;
    std::string data_file;      // empty: no accounts, no nodes
    std::string scenario_file;  // empty: normal answers
    bool help = false;
};

// The default hosts are the build's settings. Throws ECommandLine for an unknown or malformed option.
ProgramOptions ParseCommandLine(const std::vector<std::string>& args);
const char* UsageText();

} // namespace sim::service
