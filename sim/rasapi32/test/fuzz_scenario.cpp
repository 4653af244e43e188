// Fuzz target: any bytes as a scenario file, then a dial through the engine and the command parser.
#include "sim/rasapi32/engine.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace sim::rasapi32;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Engine engine(Scenario::Parse(text));
    DialRequest request;
    request.entryName = u"e";
    request.server = u"10.0.0.1";
    uint64_t handle = 0;
    engine.Dial(0, request, handle);
    const core::String lines = core::FromUtf8(text);
    size_t start = 0;
    int64_t now = 0;
    while (start <= lines.size() && now < 100000) {
        size_t end = lines.find(u'\n', start);
        if (end == core::String::npos)
            end = lines.size();
        if (auto command = ParseCommand(core::StringView(lines).substr(start, end - start)))
            engine.Apply(now, *command);
        now += 997;
        engine.Advance(now);
        Statistics stats;
        engine.GetStatistics(now, handle, stats);
        IpProjection ip;
        engine.GetIpProjection(handle, ip);
        start = end + 1;
    }
    engine.Advance(4000000000);
    engine.TakeEvents();
    return 0;
}
