// The speed test of one node: seven echoes of 1024 bytes through an ICMP client, one list line per
// echo. This file holds the portable parts: the client interface the window drives, and the texts.
#pragma once
#include "core/string.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace client {

inline constexpr int kSpeedEchoCount = 7;
inline constexpr int kSpeedPacketSize = 1024;
inline constexpr uint32_t kSpeedReceiveTimeoutMs = 1000;
inline constexpr char16_t kSpeedNoNodeValue[] = u"发生错误，请关闭程序再重新运行";
inline constexpr char16_t kSpeedTimedOut[] = u"Request timed out.";

// One echo's outcome as the ICMP client reports it. A time-out reports the time waited (at least the
// receive time-out) and sets timedOut.
struct IcmpReplyStatus {
    uint32_t roundTripMs = 0;
    bool timedOut = false;
};

// An ICMP echo client: a host, a receive time-out and a packet size, and a synchronous echo that
// raises OnReply before it returns.
class TIcmpClient {
public:
    virtual ~TIcmpClient() = default;
    // Sends one echo request (sequence number 0) to Host and waits for its reply; raises
    // core::Exception when the host cannot be resolved or the echo cannot be sent.
    virtual void Ping() = 0;

    core::String Host;
    uint32_t ReceiveTimeout = kSpeedReceiveTimeoutMs;
    int PacketSize = kSpeedPacketSize;
    std::function<void(TIcmpClient* sender, const IcmpReplyStatus& status)> OnReply;
};

// The label of the reply lines: the node choice's text up to its first comma.
core::String SpeedLineLabel(core::StringView nodeText);
// One reply line: "<label>:  time<1 ms" for a round trip under a millisecond, "<label>:  time=<n> ms"
// up to 999 ms, "Request timed out." from 1000 ms on or after a time-out.
core::String SpeedReplyLine(core::StringView label, const IcmpReplyStatus& status);
// The echo target of a node list value: its first field.
core::String SpeedTarget(core::StringView nodeValue);

} // namespace client
