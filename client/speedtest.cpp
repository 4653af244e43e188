// Texts of the speed test.
#include "client/speedtest.h"

#include "support/mystring.h"

namespace client {

core::String SpeedLineLabel(core::StringView nodeText)
{
    return support::SplitText(nodeText, u",").front();
}

core::String SpeedTarget(core::StringView nodeValue)
{
    return support::SplitText(nodeValue, u",").front();
}

core::String SpeedReplyLine(core::StringView label, const IcmpReplyStatus& status)
{
    if (status.timedOut || status.roundTripMs >= 1000)
        return kSpeedTimedOut;
    core::String line(label);
    if (status.roundTripMs == 0)
        return line + u":  time<1 ms";
    return line + u":  time=" + core::UIntToStr(status.roundTripMs) + u" ms";
}

} // namespace client
