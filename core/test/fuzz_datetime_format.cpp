// Fuzz target: FormatDateTime with any format text and any value. Input: 8 bytes of the value (a
// double as it lies in memory), then the format as UTF-16 code units (little-endian pairs).
#include "core/datetime.h"
#include "core/exception.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < sizeof(double))
        return 0;
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    size -= sizeof value;
    core::String format;
    for (size_t i = 0; i + 1 < size; i += 2)
        format.push_back(core::Char(data[i] | (data[i + 1] << 8)));
    try {
        const core::String text = core::FormatDateTime(format, value);
        // Output grows at most by the longest name or nested format per format character.
        if (text.size() > 64 * (format.size() + 1))
            __builtin_trap();
    } catch (const core::EConvertError&) {
        // Values outside the calendar are refused; that is the expected failure.
    }
    return 0;
}
