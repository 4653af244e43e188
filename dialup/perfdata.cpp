// Reader of performance data blocks; see perfdata.h for the layout.
#include "dialup/perfdata.h"

#include <cstring>

namespace dialup {

namespace {

constexpr size_t kMaxInstances = 1024;

bool Read32(const uint8_t* data, size_t size, size_t at, uint32_t& value)
{
    if (at > size || size - at < 4)
        return false;
    std::memcpy(&value, data + at, 4);
    return true;
}

String LowerName(const uint8_t* data, size_t size, size_t at, size_t bytes)
{
    String name;
    if (at > size || bytes > size - at)
        return name;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        char16_t c = static_cast<char16_t>(data[at + i] | (data[at + i + 1] << 8));
        if (!c)
            break;
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        name += c;
    }
    return name;
}

} // namespace

PerfParse ParsePerfData(const uint8_t* data, size_t size, uint32_t xmitCounter, uint32_t recvCounter,
                        std::vector<PerfInstance>& out)
{
    out.clear();
    uint32_t header = 0, objects = 0;
    if (!Read32(data, size, 24, header) || !Read32(data, size, 28, objects) || objects == 0 || header >= size)
        return PerfParse::NoObjects;
    size_t object = header;
    for (uint32_t o = 0; o < objects; ++o) {
        uint32_t total = 0, definition = 0, objHeader = 0, counters = 0, instancesWord = 0;
        if (!Read32(data, size, object, total) || !Read32(data, size, object + 4, definition) ||
            !Read32(data, size, object + 8, objHeader) || !Read32(data, size, object + 32, counters) ||
            !Read32(data, size, object + 40, instancesWord))
            return out.empty() && o == 0 ? PerfParse::NoObjects : PerfParse::Ok;
        if (counters > kMaxPerfCounters)
            return PerfParse::TooManyCounters;
        // Where the two counters lie in a counter block.
        bool hasXmit = false, hasRecv = false;
        uint32_t xmitOffset = 0, recvOffset = 0;
        size_t def = object + objHeader;
        for (uint32_t c = 0; c < counters; ++c) {
            uint32_t length = 0, title = 0, offset = 0;
            if (!Read32(data, size, def, length) || !Read32(data, size, def + 4, title) ||
                !Read32(data, size, def + 36, offset) || length < 40)
                break;
            if (title == xmitCounter)
                hasXmit = true, xmitOffset = offset;
            else if (title == recvCounter)
                hasRecv = true, recvOffset = offset;
            def += length;
        }
        auto readBlock = [&](size_t block, PerfInstance& item) {
            uint32_t blockLength = 0;
            if (!Read32(data, size, block, blockLength))
                return size_t(0);
            if (hasXmit && xmitOffset + 4 <= blockLength)
                item.hasXmit = Read32(data, size, block + xmitOffset, item.xmit);
            if (hasRecv && recvOffset + 4 <= blockLength)
                item.hasRecv = Read32(data, size, block + recvOffset, item.recv);
            return size_t(blockLength);
        };
        const auto instances = static_cast<int32_t>(instancesWord);
        size_t at = object + definition;
        if (instances < 0) {
            PerfInstance item;
            readBlock(at, item);
            out.push_back(item);
        } else {
            for (int32_t i = 0; i < instances && static_cast<size_t>(i) < kMaxInstances; ++i) {
                uint32_t length = 0, nameOffset = 0, nameLength = 0;
                if (!Read32(data, size, at, length) || !Read32(data, size, at + 16, nameOffset) ||
                    !Read32(data, size, at + 20, nameLength) || length < 24)
                    break;
                PerfInstance item;
                item.named = true;
                item.name = LowerName(data, size, at + nameOffset, nameLength);
                const size_t blockLength = readBlock(at + length, item);
                out.push_back(std::move(item));
                if (blockLength < 4)
                    break;
                at += length + blockLength;
            }
        }
        if (total == 0)
            break;
        object += total;
    }
    return PerfParse::Ok;
}

} // namespace dialup
