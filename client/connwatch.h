// What the connection watch decides and shows, apart from any window: the verdict of a state poll,
// the traffic and online-time texts of the status line, and which report replies order a disconnect.
#pragma once

#include "core/string.h"

#include <cstdint>

namespace client {

using core::String;
using core::StringView;

// ---- State poll ----

inline constexpr int kRasConnected = 8192;
inline constexpr int kRasDisconnected = 8193;
// A dial still on its way is given this long from its start before the state poll fails it.
inline constexpr int64_t kDialGraceMs = 55000;

// What one status query of the main connection found.
struct PollResult {
    int lastError = 0;     // the query's own result; non-zero: no such connection or a fault
    int connectState = 0;  // the state read (valid when lastError is 0)
    int connectError = 0;  // the error the connection carries
};

bool IsConnected(const PollResult& poll);
// No error, not connected and not disconnected: the dial is still walking its states.
bool IsDialInProgress(const PollResult& poll);

enum class PollVerdict {
    Connected,  // the connection is up
    Failed,     // the dial or the connection counts as failed: idle state and hang-up
    Wait,       // a dial in progress within its grace time: poll again at the next tick
    Nothing,    // no attempt is running
};

struct PollSituation {
    PollResult poll;
    bool disconnectEnabled = false;  // an attempt or a connection is running
    bool wasConnected = false;       // a poll of this attempt has already seen it connected
    int64_t msSinceDial = 0;
};

PollVerdict DecideStatePoll(const PollSituation& situation);

// ---- Status line texts ----

// Bytes as whole KB (1000 bytes): the count times one thousandth in 80-bit extended precision,
// whose nearest value lies just below 0.001, rounded to the nearest integer with ties to even.
// So 2500 bytes give 2 and 3500 give 3.
uint64_t TrafficKB(uint32_t bytes);
// "hh:nn:ss" of a duration, hours counted in full (25 hours give "25:00:00"); negative is zero.
String OnlineTimeText(int64_t ms);
// "已加速:<S>KB/<R>KB  在线时间:<T>".
String TrafficText(uint32_t sentBytes, uint32_t receivedBytes, int64_t onlineMs);

// ---- Reports ----

// Which status report a timer tick is.
enum class ReportKind { First, Second, Repeating };
// Whether the reply of this report orders the disconnect (the first report's reply is ignored).
bool ReplyOrdersDisconnect(ReportKind kind, StringView reply, StringView loggedInElsewhereMarker);

} // namespace client
