// Command line of the service program.
#pragma once

#include "core/exception.h"
#include "sim/service/server.h"

#include <functional>
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

// Looks up an environment variable; nullptr when unset.
using Environment = std::function<const char*(const char*)>;

// The default hosts are the build's settings, overridden by the environment variables
// CLIENT_SERVICE_HOST and CLIENT_FALLBACK_HOST (the client reads the same ones), and those by the
// options. Throws ECommandLine for an unknown or malformed option.
ProgramOptions ParseCommandLine(const std::vector<std::string>& args, const Environment& environment = {});
const char* UsageText();

} // namespace sim::service
