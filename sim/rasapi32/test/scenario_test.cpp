// Scenario reader of the simulated remote-access library.
#include "sim/rasapi32/scenario.h"

#include "sim/rasapi32/codes.h"

#include <gtest/gtest.h>

namespace sim::rasapi32 {
namespace {

TEST(Scenario, WithoutAFileEveryServerConnectsAndTheMiniportsExist)
{
    const Scenario scenario;
    const ServerPlan& plan = scenario.PlanFor(u"203.0.113.9");
    EXPECT_EQ(plan.outcome, Outcome::Connect);
    EXPECT_EQ(plan.afterMs, 500u);
    EXPECT_FALSE(plan.checkCredentials);
    ASSERT_NE(scenario.FindDevice(u"WAN 微型端口 (PPTP)"), nullptr);
    EXPECT_EQ(scenario.FindDevice(u"wan 微型端口 (l2tp)")->type, u"vpn");
    EXPECT_EQ(scenario.FindDevice(u"Modem"), nullptr);
    EXPECT_FALSE(scenario.RefuseEntryWrites());
}

TEST(Scenario, ServerSectionsStartFromTheDefaultWhereverItStands)
{
    const Scenario scenario = Scenario::Parse(
        "[server 10.0.0.1]\n"
        "outcome = refuse\n"
        "error = 691\n"
        "[server 10.0.0.2]\n"
        "outcome=hold\n"
        "hold_state=6\n"
        "[default]\n"
        "after = 40\n"
        "user = alice\n"
        "password = s3cret\n"
        "drop_after = 900\n"
        "send_rate = 100\n"
        "[server  Host.Example ]\n"
        "client_ip = 10.9.9.2\n"
        "ip_error = 733\n");
    const ServerPlan& refused = scenario.PlanFor(u" 10.0.0.1 ");
    EXPECT_EQ(refused.outcome, Outcome::Refuse);
    EXPECT_EQ(refused.error, 691u);
    EXPECT_EQ(refused.afterMs, 40u);
    EXPECT_TRUE(refused.checkCredentials);
    EXPECT_EQ(refused.userName, u"alice");
    EXPECT_EQ(refused.password, u"s3cret");
    EXPECT_EQ(scenario.PlanFor(u"10.0.0.2").outcome, Outcome::Hold);
    EXPECT_EQ(scenario.PlanFor(u"10.0.0.2").holdState, 6u);
    EXPECT_EQ(scenario.PlanFor(u"host.example").clientIp, u"10.9.9.2");
    EXPECT_EQ(scenario.PlanFor(u"host.example").ipError, 733u);
    EXPECT_EQ(scenario.PlanFor(u"192.0.2.1").dropAfterMs, 900u);
    EXPECT_EQ(scenario.PlanFor(u"192.0.2.1").sendRate, 100u);
    EXPECT_TRUE(scenario.Warnings().empty());
}

TEST(Scenario, LibraryFlagsAndDevices)
{
    const Scenario scenario = Scenario::Parse(
        "[library]\nrefuse_entry_writes=1\nrefuse_credential_writes = 1\nhangup_ms=50\n"
        "[devices]\nMy Tunnel = VPN\n");
    EXPECT_TRUE(scenario.RefuseEntryWrites());
    EXPECT_TRUE(scenario.RefuseCredentialWrites());
    EXPECT_EQ(scenario.HangUpMs(), 50u);
    ASSERT_EQ(scenario.Devices().size(), 1u);
    EXPECT_EQ(scenario.Devices()[0].name, u"My Tunnel");
    EXPECT_EQ(scenario.Devices()[0].type, u"vpn");
    EXPECT_EQ(scenario.FindDevice(u"WAN 微型端口 (PPTP)"), nullptr);
}

TEST(Scenario, UnusableLinesAreSkippedAndReported)
{
    const Scenario scenario = Scenario::Parse(
        "[default]\n"
        "outcome = explode\n"
        "after = -5\n"
        "after = 99999999999\n"
        "error = 0\n"
        "hold_state = 8192\n"
        "fail_state = 3\n"
        "colour = blue\n"
        "[library]\nrefuse_entry_writes = yes\n"
        "[elsewhere]\nx=1\n");
    const ServerPlan& plan = scenario.PlanFor(u"any");
    EXPECT_EQ(plan.outcome, Outcome::Connect);
    EXPECT_EQ(plan.afterMs, 500u);
    EXPECT_EQ(plan.error, 678u);
    EXPECT_EQ(plan.holdState, 5u);
    EXPECT_EQ(plan.failState, 3);
    EXPECT_FALSE(scenario.RefuseEntryWrites());
    EXPECT_EQ(scenario.Warnings().size(), 8u);
}

TEST(Scenario, ErrorsComeWithTheStateTheyBelongTo)
{
    EXPECT_EQ(DefaultFailState(691), state::kAuthNotify);
    EXPECT_EQ(DefaultFailState(678), state::kConnectDevice);
    EXPECT_EQ(DefaultFailState(800), state::kConnectDevice);
    EXPECT_EQ(DefaultFailState(868), state::kConnectDevice);
    EXPECT_EQ(DialStates().front(), state::kOpenPort);
    EXPECT_EQ(DialStates().back(), state::kConnected);
}

} // namespace
} // namespace sim::rasapi32
