// Reader of the system performance data block (the value of a performance object read from the
// performance-data registry root), for the NT 4 traffic statistics.
//
// Format (little-endian, every length and offset checked against the buffer): a data block header
// whose HeaderLength (offset 24) leads to the first object and whose NumObjectTypes (offset 28)
// counts them. Each object starts with TotalByteLength, DefinitionLength, HeaderLength, ...,
// NumCounters (offset 32) and NumInstances (offset 40, -1 for none). Counter definitions follow at
// the object's HeaderLength, each ByteLength long, with its title index at offset 4 and its data
// offset at offset 36. The object's data begins at DefinitionLength: either one counter block (no
// instances) or instances, each an instance definition of ByteLength bytes with its UTF-16 name at
// NameOffset (offset 16) of NameLength bytes (offset 20), followed by its counter block whose first
// word is the block's ByteLength. Counter values are 32-bit words at their offsets in the block.
#pragma once

#include "dialup/dialsubs.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dialup {

struct PerfInstance {
    String name;          // lower case; empty for an object without instances
    bool named = false;
    bool hasXmit = false, hasRecv = false;
    uint32_t xmit = 0, recv = 0;
};

enum class PerfParse { Ok, NoObjects, TooManyCounters };

inline constexpr size_t kMaxPerfCounters = 50;

PerfParse ParsePerfData(const uint8_t* data, size_t size, uint32_t xmitCounter, uint32_t recvCounter,
                        std::vector<PerfInstance>& out);

} // namespace dialup
