// Fuzz target of the performance data block reader.
#include "dialup/perfdata.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<dialup::PerfInstance> out;
    dialup::ParsePerfData(data, size, 872, 874, out);
    return 0;
}
