// One echo of the batch latency test.
#include "client/batchecho.h"

#include "support/ping.h"

namespace client {

std::optional<EchoOutcome> PingEcho(const core::String& ip)
{
    support::TPing ping;
    ping.SetAddress(ip);
    const int replies = ping.Ping();
    EchoOutcome outcome;
    outcome.answered = replies == 1 && ping.Reply().Status == IP_SUCCESS;
    outcome.rtt = outcome.answered ? uint32_t(ping.Reply().RoundTripTime) : 0;
    return outcome;
}

} // namespace client
