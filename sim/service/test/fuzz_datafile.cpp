// Fuzz target: any data file either loads or is refused with EDataFile, never worse.
#include "sim/service/datafile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        sim::service::ServiceData parsed =
            sim::service::ServiceData::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)parsed.NodeListText();
    } catch (const sim::service::EDataFile&) {
    }
    return 0;
}
