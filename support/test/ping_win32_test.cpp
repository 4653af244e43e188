// Tests of TICMP and TPing: scripted replies (round trip, time-out, ICMP error), the request's data
// and options, address handling, name lookups on the hidden window and one live echo to loopback.
#include "support/ping.h"
#include "support/icmperror.h"
#include "support/test/scriptedicmp.h"

#include <gtest/gtest.h>

#include <vector>

using namespace support;
using support::test::EchoOutcome;
using support::test::EchoScript;
using support::test::ScriptedIcmp;
using support::test::ScriptedIcmpScope;

namespace {

void PumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace

TEST(Ping, DefaultEchoSendsFiftySixBytesWithTtl64AndWaitsFourSeconds)
{
    ScriptedIcmpScope scope({EchoOutcome::Reply, 50});
    TPing ping;
    ping.SetAddress(u"127.0.0.9");
    EXPECT_EQ(ping.Size(), 56);
    EXPECT_EQ(ping.Timeout(), 4000);
    EXPECT_EQ(ping.TTL(), 64);
    ASSERT_EQ(ping.Ping(), 1);
    EXPECT_EQ(ping.Reply().RoundTripTime, 50u);
    EXPECT_EQ(ping.Reply().Status, 0u);
    EXPECT_EQ(ping.ErrorCode(), 0);
    EXPECT_EQ(ping.HostIP(), u"127.0.0.9");
    EXPECT_EQ(ping.HostName(), u"127.0.0.9");

    const auto sent = ScriptedIcmp::Instance().Last();
    EXPECT_EQ(sent.address, inet_addr("127.0.0.9"));
    EXPECT_EQ(sent.ttl, 64);
    EXPECT_EQ(sent.timeout, 4000u);
    EXPECT_EQ(sent.replySize, sizeof(ICMP_ECHO_REPLY) + 56 + 8);
    ASSERT_EQ(sent.data.size(), 56u);
    EXPECT_EQ(sent.data, IcmpEchoData(56));
    EXPECT_EQ(sent.data.substr(45), std::string(11, ' '));
}

TEST(Ping, OutcomesOfScriptedEchoes)
{
    struct Case {
        EchoScript script;
        int replies;
        int errorCode;
        const char16_t* errorText;
    } cases[] = {
        {{EchoOutcome::Reply, 1}, 1, 0, u"No error"},
        {{EchoOutcome::Timeout}, 0, 11010, u"Request timed out"},
        {{EchoOutcome::ErrorReply, 0, IP_DEST_HOST_UNREACHABLE}, 0, 11003, u"Destination host unreachable"},
        {{EchoOutcome::ErrorReply, 0, IP_DEST_NET_UNREACHABLE}, 0, 11002, u"Destination network unreachable"},
        {{EchoOutcome::ErrorReply, 0, IP_TTL_EXPIRED_TRANSIT}, 0, 11013, u"TTL expired in transit"},
    };
    for (const Case& c : cases) {
        ScriptedIcmpScope scope(c.script);
        TPing ping;
        std::vector<int> replyEvents;
        int requests = 0;
        ping.OnEchoRequest = [&](TPing*, TICMP*) { ++requests; };
        ping.OnEchoReply = [&](TPing*, TICMP*, int status) { replyEvents.push_back(status); };
        ping.SetAddress(u"127.0.0.2");
        EXPECT_EQ(ping.Ping(), c.replies) << core::ToUtf8(c.errorText);
        EXPECT_EQ(ping.ErrorCode(), c.errorCode);
        EXPECT_EQ(ping.ErrorString(), c.errorText);
        EXPECT_EQ(requests, 1);
        EXPECT_EQ(replyEvents, std::vector<int>{c.replies});
    }
    EXPECT_EQ(ScriptedIcmp::Instance().OpenHandles(), 0);
}

TEST(Ping, InvalidAddressSendsNothingAndReportsBadDestination)
{
    ScriptedIcmpScope scope;
    TPing ping;
    std::vector<core::String> texts;
    ping.OnDisplay = [&](TPing*, TICMP*, const core::String& msg) { texts.push_back(msg); };
    const int sent = ScriptedIcmp::Instance().Sent();
    EXPECT_EQ(ping.Ping(), 0);
    EXPECT_EQ(ping.ErrorCode(), 11018);
    EXPECT_EQ(ping.ErrorString(), u"Bad Destination");
    EXPECT_EQ(ScriptedIcmp::Instance().Sent(), sent);
    EXPECT_EQ(texts, (std::vector<core::String>{u"Unable to resolve ", u"Invalid host address"}));
}

TEST(Ping, ShortEchoDataIsTheIdentificationOnlyAndSettingsReachTheRequest)
{
    ScriptedIcmpScope scope({EchoOutcome::Reply, 3});
    TPing ping;
    ping.SetAddress(u"127.0.0.3");
    ping.SetSize(10);
    ping.SetTTL(0x1FF);
    ping.SetFlags(2);
    ping.SetTimeout(250);
    ASSERT_EQ(ping.Ping(), 1);
    const auto sent = ScriptedIcmp::Instance().Last();
    EXPECT_EQ(sent.data, IcmpEchoData(45).substr(0, 10));
    EXPECT_EQ(sent.data.find(' '), std::string::npos);
    EXPECT_EQ(sent.ttl, 0xFF);
    EXPECT_EQ(sent.flags, 2);
    EXPECT_EQ(sent.timeout, 250u);
    EXPECT_EQ(sent.replySize, sizeof(ICMP_ECHO_REPLY) + 10 + 8);
}

TEST(Ping, CreationFailureRaisesAndLeavesNoWindow)
{
    static TIcmpApi failing{[]() -> HANDLE { return INVALID_HANDLE_VALUE; }, [](HANDLE) -> BOOL { return TRUE; },
                            ScriptedIcmp::Instance().Api().IcmpSendEcho};
    SetIcmpApiOverride(&failing);
    try {
        TPing ping;
        ADD_FAILURE() << "made without a handle";
    } catch (const TICMPException& e) {
        EXPECT_EQ(e.Message(), u"Unable to get ping handle");
    }
    SetIcmpApiOverride(nullptr);
    EXPECT_EQ(THiddenWndHandlerPool::WindowCount(), 0);
}

TEST(Ping, DnsLookupOfADottedAddressAnswersAtOnceAndCancelWithoutLookupIsSilent)
{
    ScriptedIcmpScope scope;
    TPing ping;
    std::vector<int> done;
    ping.OnDnsLookupDone = [&](TPing*, uint16_t error) { done.push_back(error); };
    ping.CancelDnsLookup();
    EXPECT_TRUE(done.empty());
    ping.DnsLookup(u"127.0.0.5");
    EXPECT_EQ(done, std::vector<int>{0});
    EXPECT_EQ(ping.DnsResult(), u"127.0.0.5");
}

TEST(Ping, DnsLookupOfANameCompletesOnTheHiddenWindow)
{
    ScriptedIcmpScope scope;
    TPing ping;
    std::vector<int> done;
    ping.OnDnsLookupDone = [&](TPing*, uint16_t error) { done.push_back(error); };
    ping.DnsLookup(u"localhost");
    EXPECT_TRUE(done.empty()) << "the answer comes as a message";
    for (int i = 0; i < 300 && done.empty(); ++i)
        PumpFor(10);
    ASSERT_EQ(done, std::vector<int>{0});
    EXPECT_EQ(ping.DnsResult(), u"127.0.0.1");
}

TEST(Ping, LiveEchoToLoopback)
{
    TPing ping;
    ASSERT_NE(ping.ICMPDLLHandle(), nullptr);
    ping.SetAddress(u"127.0.0.1");
    ping.SetTimeout(2000);
    ASSERT_EQ(ping.Ping(), 1) << core::ToUtf8(ping.ErrorString());
    EXPECT_EQ(ping.Reply().Status, 0u);
    EXPECT_EQ(ping.Reply().Address, inet_addr("127.0.0.1"));
    EXPECT_LT(ping.Reply().RoundTripTime, 2000u);
}
