// Fuzz target: any scenario text either loads or is refused with EScenario, and matching a loaded
// one is safe.
#include "sim/service/scenario.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        sim::service::Scenario s =
            sim::service::Scenario::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)s.Match("127.0.0.1", sim::service::Port::App, "/zirovadi/useradmin/netcheck.php", 1);
        (void)s.Refuses("127.0.0.2", sim::service::Port::Content);
    } catch (const sim::service::EScenario&) {
    }
    return 0;
}
