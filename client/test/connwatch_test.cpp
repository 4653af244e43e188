// The connection watch's decisions and texts.
#include "client/connwatch.h"

#include <gtest/gtest.h>

namespace client {
namespace {

TEST(TrafficKB, RoundsThousandthsWithTheExtendedConstant)
{
    struct Case {
        uint32_t bytes;
        uint64_t kb;
    };
    const Case cases[] = {
        {0, 0},       {499, 0},     {500, 0},         {999, 1},
        {1499, 1},    {1500, 1},    {1501, 2},        {2500, 2},
        {3500, 3},    {4500, 4},    {1000000, 1000},  {4294967295u, 4294967},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrafficKB(c.bytes), c.kb) << c.bytes;
}

TEST(OnlineTimeText, CountsHoursInFull)
{
    struct Case {
        int64_t ms;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, u"00:00:00"},
        {999, u"00:00:00"},
        {61001, u"00:01:01"},
        {3599999, u"00:59:59"},
        {25LL * 3600000, u"25:00:00"},
        {100LL * 3600000 + 5000, u"100:00:05"},
        {-5000, u"00:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OnlineTimeText(c.ms), String(c.text)) << c.ms;
}

TEST(TrafficText, JoinsCountersAndOnlineTime)
{
    EXPECT_EQ(TrafficText(1501, 3500, 3723000), String(u"已加速:2KB/3KB  在线时间:01:02:03"));
}

TEST(DecideStatePoll, TableOfSituations)
{
    const PollResult connected{0, kRasConnected, 0};
    const PollResult authenticating{0, 5, 0};
    const PollResult paused{0, 4096, 0};
    const PollResult refused{0, 2, 678};
    const PollResult gone{6, 0, 0};
    const PollResult disconnected{0, kRasDisconnected, 0};
    struct Case {
        PollSituation situation;
        PollVerdict verdict;
    };
    const Case cases[] = {
        {{connected, true, false, 11000}, PollVerdict::Connected},
        {{connected, false, false, 11000}, PollVerdict::Connected},
        {{authenticating, true, false, 11000}, PollVerdict::Wait},
        {{paused, true, false, 44000}, PollVerdict::Wait},
        {{authenticating, true, false, 54999}, PollVerdict::Wait},
        {{authenticating, true, false, 55000}, PollVerdict::Failed},
        {{authenticating, true, true, 22000}, PollVerdict::Failed},
        {{refused, true, false, 11000}, PollVerdict::Failed},
        {{gone, true, false, 11000}, PollVerdict::Failed},
        {{disconnected, true, false, 11000}, PollVerdict::Failed},
        {{gone, false, false, 11000}, PollVerdict::Nothing},
        {{authenticating, false, false, 11000}, PollVerdict::Nothing},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(DecideStatePoll(cases[i].situation), cases[i].verdict) << "case " << i;
}

TEST(ReplyOrdersDisconnect, OnlyLaterReportsAndOnlyTheWholeMarker)
{
    const String marker = u"5e1f0a9c7b3d2e8f4a6c1b0d9e7f3a25";
    EXPECT_FALSE(ReplyOrdersDisconnect(ReportKind::First, marker, marker));
    EXPECT_TRUE(ReplyOrdersDisconnect(ReportKind::Second, marker, marker));
    EXPECT_TRUE(ReplyOrdersDisconnect(ReportKind::Repeating, marker, marker));
    EXPECT_FALSE(ReplyOrdersDisconnect(ReportKind::Second, marker + u"\r\n", marker));
    EXPECT_FALSE(ReplyOrdersDisconnect(ReportKind::Repeating, u"ok", marker));
}

} // namespace
} // namespace client
