// One echo of the batch latency test through the echo component: a new echo object per request
// (56 bytes, 4000 ms, TTL 64), made and freed in the calling pool thread. Windows only.
#pragma once
#include "client/batchtest.h"

namespace client {

// Only a successful echo counts as an answer; an ICMP error reply, a time-out or an address that
// does not resolve is none. Raises when no echo object can be made (no echo library).
std::optional<EchoOutcome> PingEcho(const core::String& ip);

} // namespace client
