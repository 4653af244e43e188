// Tests of the speed test's texts.
#include "client/speedtest.h"

#include <gtest/gtest.h>

using namespace client;

TEST(SpeedTexts, ReplyLinesByRoundTrip)
{
    struct Case {
        IcmpReplyStatus status;
        const char16_t* line;
    } cases[] = {
        {{0, false}, u"节点1:  time<1 ms"},    {{1, false}, u"节点1:  time=1 ms"},
        {{35, false}, u"节点1:  time=35 ms"},  {{999, false}, u"节点1:  time=999 ms"},
        {{1000, false}, u"Request timed out."}, {{4000, false}, u"Request timed out."},
        {{1003, true}, u"Request timed out."},  {{0, true}, u"Request timed out."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpeedReplyLine(u"节点1", c.status), c.line) << c.status.roundTripMs;
}

TEST(SpeedTexts, LabelAndTargetAreTheFirstField)
{
    struct Case {
        const char16_t* text;
        const char16_t* first;
    } cases[] = {
        {u"节点1", u"节点1"}, {u"节点,A", u"节点"}, {u",节点", u"节点"}, {u"", u""},
        {u"1.2.3.4,98%,1", u"1.2.3.4"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpeedLineLabel(c.text), c.first);
        EXPECT_EQ(SpeedTarget(c.text), c.first);
    }
}
