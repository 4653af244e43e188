// Connection watch decisions and texts.
#include "client/connwatch.h"

#include <cfloat>
#include <cmath>

namespace client {

// The traffic text depends on the x87 extended format (64-bit mantissa), as on the machines the
// client runs on; both of our targets have it.
static_assert(LDBL_MANT_DIG == 64, "long double must be the 80-bit extended format");

bool IsConnected(const PollResult& poll)
{
    return poll.lastError == 0 && poll.connectState == kRasConnected;
}

bool IsDialInProgress(const PollResult& poll)
{
    // Dial states, the paused ones included, lie below the connected state.
    return poll.lastError == 0 && poll.connectError == 0 && poll.connectState < kRasConnected;
}

PollVerdict DecideStatePoll(const PollSituation& s)
{
    if (IsConnected(s.poll))
        return PollVerdict::Connected;
    if (!s.disconnectEnabled)
        return PollVerdict::Nothing;
    // Only a dial that has not yet been up gets more time; a connection that was up and is now in
    // any other state is lost.
    if (!s.wasConnected && IsDialInProgress(s.poll) && s.msSinceDial < kDialGraceMs)
        return PollVerdict::Wait;
    return PollVerdict::Failed;
}

uint64_t TrafficKB(uint32_t bytes)
{
    const long double value = static_cast<long double>(bytes) * 0.001L;
    const long double whole = std::floor(value);
    const long double rest = value - whole;
    uint64_t result = static_cast<uint64_t>(whole);
    if (rest > 0.5L || (rest == 0.5L && (result & 1u)))
        ++result;
    return result;
}

String OnlineTimeText(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    const int64_t seconds = ms / 1000;
    const int64_t hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int secs = static_cast<int>(seconds % 60);
    auto two = [](int64_t v) {
        String text = core::IntToStr(v);
        return text.size() < 2 ? u"0" + text : text;
    };
    return two(hours) + u":" + two(minutes) + u":" + two(secs);
}

String TrafficText(uint32_t sentBytes, uint32_t receivedBytes, int64_t onlineMs)
{
    return u"已加速:" + core::UIntToStr(TrafficKB(sentBytes)) + u"KB" + u"/" + core::UIntToStr(TrafficKB(receivedBytes)) +
           u"KB" + u"  在线时间:" + OnlineTimeText(onlineMs);
}

bool ReplyOrdersDisconnect(ReportKind kind, StringView reply, StringView marker)
{
    return kind != ReportKind::First && reply == marker;
}

} // namespace client
