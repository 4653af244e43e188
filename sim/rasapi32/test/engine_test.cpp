// Connection engine of the simulated remote-access library, on a test clock.
#include "sim/rasapi32/engine.h"

#include "sim/rasapi32/codes.h"

#include <gtest/gtest.h>

namespace sim::rasapi32 {
namespace {

const std::vector<uint32_t> kFullSequence = {0, 1, 2, 3, 4, 5, 6, 10, 14, 18, state::kConnected};

DialRequest Request(StringView entry, StringView server, StringView user = u"alice", StringView password = u"pw")
{
    DialRequest r;
    r.entryName = String(entry);
    r.phonebook = u"C:\\pbk\\rasphone.pbk";
    r.server = String(server);
    r.deviceType = u"vpn";
    r.deviceName = u"WAN 微型端口 (PPTP)";
    r.userName = String(user);
    r.password = String(password);
    return r;
}

struct Seen {
    uint64_t handle;
    uint32_t state;
    uint32_t error;
    bool toNotifier;
};

std::vector<Seen> Drain(Engine& engine, int64_t now)
{
    engine.Advance(now);
    std::vector<Seen> out;
    for (const Event& e : engine.TakeEvents())
        out.push_back({e.handle, e.state, e.error, e.toNotifier});
    return out;
}

std::vector<uint32_t> States(const std::vector<Seen>& seen)
{
    std::vector<uint32_t> out;
    for (const Seen& s : seen)
        out.push_back(s.state);
    return out;
}

const char kScenario[] =
    "[default]\nafter=1000\n"
    "[server 10.0.0.2]\noutcome=refuse\nerror=678\nafter=400\n"
    "[server 10.0.0.3]\nuser=alice\npassword=pw\nafter=600\n"
    "[server 10.0.0.4]\noutcome=hold\nafter=250\n"
    "[server 10.0.0.5]\ndrop_after=2000\nsend_rate=1000\nrecv_rate=4000\nclient_ip=10.8.0.7\n"
    "[server 10.0.0.6]\nip_error=733\nafter=0\n"
    "[library]\nhangup_ms=300\n";

TEST(Engine, DialWalksTheRealStatesToConnectedOnSchedule)
{
    Engine engine(Scenario::Parse(kScenario));
    uint64_t handle = 0;
    ASSERT_EQ(engine.Dial(1000, Request(u"main", u"10.0.0.1"), handle), code::kSuccess);
    EXPECT_GE(handle, Engine::kHandleBase);
    EXPECT_EQ(engine.Find(handle)->state, state::kOpenPort);

    const auto early = Drain(engine, 1000);
    EXPECT_EQ(States(early), std::vector<uint32_t>{0});
    const auto middle = Drain(engine, 1500);
    EXPECT_EQ(States(middle), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    ASSERT_TRUE(engine.NextDue().has_value());
    EXPECT_EQ(*engine.NextDue(), 1600);
    const auto rest = Drain(engine, 2000);
    EXPECT_EQ(States(rest), (std::vector<uint32_t>{6, 10, 14, 18, state::kConnected}));
    for (const Seen& s : rest) {
        EXPECT_EQ(s.error, 0u);
        EXPECT_TRUE(s.toNotifier);
    }
    EXPECT_EQ(engine.Find(handle)->phase, Phase::Connected);
    EXPECT_FALSE(engine.NextDue().has_value());
}

TEST(Engine, RefusalsComeWithTheirStateAndError)
{
    struct Case {
        const char16_t* server;
        const char16_t* password;
        std::vector<uint32_t> states;
        uint32_t error;
    } cases[] = {
        {u"10.0.0.2", u"pw", {0, 1, 2}, code::kNoAnswer},
        {u"10.0.0.3", u"wrong", {0, 1, 2, 3, 4, 5, 6}, code::kAuthenticationFailure},
        {u"10.0.0.3", u"pw", kFullSequence, 0},
    };
    for (const Case& c : cases) {
        Engine engine(Scenario::Parse(kScenario));
        uint64_t handle = 0;
        ASSERT_EQ(engine.Dial(0, Request(u"e", c.server, u"alice", c.password), handle), code::kSuccess);
        const auto seen = Drain(engine, 5000);
        EXPECT_EQ(States(seen), c.states) << core::ToUtf8(c.server);
        EXPECT_EQ(seen.back().error, c.error);
        for (size_t i = 0; i + 1 < seen.size(); ++i)
            EXPECT_EQ(seen[i].error, 0u);
        EXPECT_EQ(engine.Find(handle)->phase, c.error ? Phase::Failed : Phase::Connected);
        EXPECT_EQ(engine.Live().size(), c.error ? 0u : 1u);
    }
}

TEST(Engine, HeldDialWaitsForACommand)
{
    Engine engine(Scenario::Parse(kScenario));
    uint64_t held = 0, other = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"held", u"10.0.0.4"), held), code::kSuccess);
    ASSERT_EQ(engine.Dial(0, Request(u"failing", u"10.0.0.4"), other), code::kSuccess);
    Drain(engine, 100000);
    EXPECT_EQ(engine.Find(held)->phase, Phase::Held);
    EXPECT_EQ(engine.Find(held)->state, state::kAuthenticate);
    EXPECT_FALSE(engine.NextDue().has_value());

    int affected = 0;
    ASSERT_EQ(engine.Apply(100000, *ParseCommand(u"complete held"), &affected), code::kSuccess);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(States(Drain(engine, 100100)), (std::vector<uint32_t>{6, 10, 14, 18, state::kConnected}));
    EXPECT_EQ(engine.Find(held)->phase, Phase::Connected);

    ASSERT_EQ(engine.Apply(100200, *ParseCommand(u"fail FAILING 800")), code::kSuccess);
    const auto failed = Drain(engine, 100200);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].state, state::kAuthenticate);
    EXPECT_EQ(failed[0].error, code::kAutomaticVpnFailed);
    EXPECT_EQ(engine.Apply(100300, *ParseCommand(u"complete 10.0.0.99")), code::kNoConnection);
}

TEST(Engine, ConnectedLinksDropOnTheirOwnOrWhenTold)
{
    Engine engine(Scenario::Parse(kScenario));
    uint64_t dropping = 0, told = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"a", u"10.0.0.5"), dropping), code::kSuccess);
    ASSERT_EQ(engine.Dial(0, Request(u"b", u"10.0.0.1"), told), code::kSuccess);
    Drain(engine, 1000);
    ASSERT_EQ(engine.Live().size(), 2u);

    const auto drop = Drain(engine, 3000);
    ASSERT_EQ(drop.size(), 1u);
    EXPECT_EQ(drop[0].handle, dropping);
    EXPECT_EQ(drop[0].state, state::kDisconnected);
    EXPECT_EQ(drop[0].error, code::kPortDisconnected);
    EXPECT_FALSE(drop[0].toNotifier);
    EXPECT_EQ(engine.Find(dropping)->phase, Phase::Dropped);

    ASSERT_EQ(engine.Apply(3100, *ParseCommand(u"drop b 628")), code::kSuccess);
    const auto second = Drain(engine, 3100);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].error, 628u);
    EXPECT_TRUE(engine.Live().empty());
}

TEST(Engine, HangUpDisconnectsAtOnceAndTheHandleGoesLater)
{
    Engine engine(Scenario::Parse(kScenario));
    uint64_t handle = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"e", u"10.0.0.1"), handle), code::kSuccess);
    Drain(engine, 300);
    ASSERT_EQ(engine.HangUp(300, handle), code::kSuccess);
    const auto seen = Drain(engine, 300);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].state, state::kDisconnected);
    EXPECT_FALSE(seen[0].toNotifier);
    EXPECT_EQ(engine.Find(handle)->state, state::kDisconnected);
    EXPECT_EQ(engine.HangUp(400, handle), code::kSuccess);
    Drain(engine, 5000);  // no dial progress after the hang-up
    EXPECT_EQ(engine.Find(handle), nullptr);
    EXPECT_EQ(engine.HangUp(5000, handle), code::kInvalidHandle);
    EXPECT_EQ(engine.HangUp(5000, 0), code::kInvalidHandle);
    EXPECT_EQ(engine.HangUp(5000, handle & 0xFFFFFFFFu), code::kInvalidHandle);
}

TEST(Engine, StatisticsGrowWhileConnectedAndCanBeCleared)
{
    Engine engine(Scenario::Parse(kScenario));
    uint64_t handle = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"e", u"10.0.0.5"), handle), code::kSuccess);
    Statistics stats;
    ASSERT_EQ(engine.GetStatistics(200, handle, stats), code::kSuccess);
    EXPECT_EQ(stats.bytesSent, 0u);
    Drain(engine, 1000);  // connected at 1000
    ASSERT_EQ(engine.GetStatistics(2000, handle, stats), code::kSuccess);
    EXPECT_EQ(stats.bytesSent, 1000u);
    EXPECT_EQ(stats.bytesReceived, 4000u);
    EXPECT_EQ(stats.framesReceived, 3u);
    EXPECT_EQ(stats.durationMs, 1000u);
    EXPECT_EQ(stats.bps, 100000000u);

    ASSERT_EQ(engine.ClearStatistics(2000, handle), code::kSuccess);
    ASSERT_EQ(engine.GetStatistics(2500, handle, stats), code::kSuccess);
    EXPECT_EQ(stats.bytesSent, 500u);
    EXPECT_EQ(stats.durationMs, 1500u);

    Drain(engine, 3000);  // dropped at 3000: counters stop there
    ASSERT_EQ(engine.GetStatistics(9000, handle, stats), code::kSuccess);
    EXPECT_EQ(stats.bytesSent, 1000u);
    ASSERT_EQ(engine.HangUp(9000, handle), code::kSuccess);
    EXPECT_EQ(engine.GetStatistics(9000, handle, stats), code::kInvalidHandle);
    EXPECT_EQ(engine.ClearStatistics(9000, handle), code::kInvalidHandle);
}

TEST(Engine, IpProjectionOnceProjected)
{
    Engine engine(Scenario::Parse(kScenario));
    uint64_t plain = 0, fixed = 0, failing = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"p", u"10.0.0.1"), plain), code::kSuccess);
    ASSERT_EQ(engine.Dial(0, Request(u"f", u"10.0.0.5"), fixed), code::kSuccess);
    ASSERT_EQ(engine.Dial(0, Request(u"x", u"10.0.0.6"), failing), code::kSuccess);
    IpProjection ip;
    EXPECT_EQ(engine.GetIpProjection(plain, ip), code::kProjectionNotComplete);
    Drain(engine, 1000);
    ASSERT_EQ(engine.GetIpProjection(plain, ip), code::kSuccess);
    EXPECT_EQ(ip.clientIp, u"10.64.0.3");
    EXPECT_EQ(ip.serverIp, u"10.64.0.1");
    ASSERT_EQ(engine.GetIpProjection(fixed, ip), code::kSuccess);
    EXPECT_EQ(ip.clientIp, u"10.8.0.7");
    ASSERT_EQ(engine.GetIpProjection(failing, ip), code::kSuccess);
    EXPECT_EQ(ip.error, 733u);
    EXPECT_TRUE(ip.clientIp.empty());
    EXPECT_EQ(engine.GetIpProjection(Engine::kHandleBase + 999 * Engine::kHandleStride, ip), code::kInvalidHandle);
}

TEST(Engine, ConcurrentDialsInterleaveInTimeAndListInCreationOrder)
{
    Engine engine(Scenario::Parse("[default]\nafter=1000\n[server 10.0.0.9]\nafter=50\n"));
    uint64_t slow = 0, fast = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"slow", u"10.0.0.1"), slow), code::kSuccess);
    ASSERT_EQ(engine.Dial(0, Request(u"fast", u"10.0.0.9"), fast), code::kSuccess);
    EXPECT_NE(slow, fast);
    const auto seen = Drain(engine, 2000);
    ASSERT_EQ(seen.size(), 2 * kFullSequence.size());
    // The fast dial is connected before the slow one has opened its port.
    size_t fastConnected = 0, slowPortOpened = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].handle == fast && seen[i].state == state::kConnected)
            fastConnected = i;
        if (seen[i].handle == slow && seen[i].state == 1)
            slowPortOpened = i;
    }
    EXPECT_LT(fastConnected, slowPortOpened);
    const auto live = engine.Live();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0]->handle, slow);
    EXPECT_EQ(live[1]->handle, fast);
}

TEST(Engine, DialRefusals)
{
    Engine engine(Scenario::Parse("[default]\nafter=100\n"));
    uint64_t handle = 0, second = 0;
    ASSERT_EQ(engine.Dial(0, Request(u"e", u"10.0.0.1"), handle), code::kSuccess);
    EXPECT_EQ(engine.Dial(0, Request(u"E", u"10.0.0.1"), second), code::kDialAlreadyInProgress);
    Drain(engine, 200);
    EXPECT_EQ(engine.Dial(200, Request(u"e", u"10.0.0.1"), second), code::kPortAlreadyOpen);
    EXPECT_EQ(second, 0u);
    DialRequest unknown = Request(u"other", u"10.0.0.1");
    unknown.deviceName = u"Modem";
    EXPECT_EQ(engine.Dial(200, unknown, second), code::kDeviceDoesNotExist);
    uint64_t sub = 0;
    EXPECT_EQ(engine.SubEntryHandle(handle, 1, sub), code::kSuccess);
    EXPECT_EQ(engine.Find(sub), engine.Find(handle));
    EXPECT_EQ(engine.SubEntryHandle(handle, 2, sub), code::kNoConnection);
}

TEST(Command, ParsesTheThreeVerbs)
{
    struct Case {
        const char16_t* line;
        bool ok;
        Command::Verb verb;
        const char16_t* target;
        uint32_t error;
    } cases[] = {
        {u"complete 10.0.0.1", true, Command::Verb::Complete, u"10.0.0.1", 0},
        {u"  FAIL\t* 691 ", true, Command::Verb::Fail, u"*", 691},
        {u"drop 0x5a0000000010", true, Command::Verb::Drop, u"0x5a0000000010", 0},
        {u"drop main 619", true, Command::Verb::Drop, u"main", 619},
        {u"complete a 1", false, {}, u"", 0},
        {u"fail a 0", false, {}, u"", 0},
        {u"fail a 99999", false, {}, u"", 0},
        {u"fail a x", false, {}, u"", 0},
        {u"launch a", false, {}, u"", 0},
        {u"# complete a", false, {}, u"", 0},
        {u"", false, {}, u"", 0},
        {u"drop", false, {}, u"", 0},
    };
    for (const Case& c : cases) {
        const auto command = ParseCommand(c.line);
        ASSERT_EQ(command.has_value(), c.ok) << core::ToUtf8(c.line);
        if (!command)
            continue;
        EXPECT_EQ(command->verb, c.verb);
        EXPECT_EQ(command->target, c.target);
        EXPECT_EQ(command->error, c.error);
    }
}

} // namespace
} // namespace sim::rasapi32
