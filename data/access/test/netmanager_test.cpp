// Service control and the network list through the manager, against the in-memory service manager:
// status mapping, argument splitting, the local-computer names, handles closed in reverse order,
// failures as operating-system errors, and the stubs of unbound functions.
#include "data/access/netmanager.h"

#include "core/exception.h"
#include "core/stringlist.h"
#include "data/access/test/fakenet.h"

#include <gtest/gtest.h>

using namespace data;
using data::testing::FakeNet;
using core::String;

namespace {

TEST(NetManager, ServiceStatesMapInOrderAndOthersRaiseWithHexAndDecimal)
{
    const TCRServiceStatus expected[] = {ssStopped,         ssStartPending, ssStopPending, ssRunning,
                                         ssContinuePending, ssPausePending, ssPaused};
    for (uint32_t state = 1; state <= 7; ++state)
        EXPECT_EQ(ServiceStatusOf(state), expected[state - 1]) << state;

    const struct {
        uint32_t State;
        const char16_t* Text;
    } bad[] = {{0, u"Unknown service status $0 (0)"}, {8, u"Unknown service status $8 (8)"},
               {31, u"Unknown service status $1F (31)"}};
    for (const auto& c : bad) {
        try {
            ServiceStatusOf(c.State);
            ADD_FAILURE() << c.State;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), c.Text);
        }
    }
}

TEST(NetManager, StartParametersSplitWithTheCommandLineRules)
{
    const struct {
        const char16_t* Text;
        std::vector<String> Args;
    } cases[] = {
        {u"", {}},
        {u"   \t ", {}},
        {u"-a \"b c\"", {u"-a", u"b c"}},
        {u"one\ttwo\r\nthree", {u"one", u"two", u"three"}},
        {u"x\"y z\"w", {u"xy zw"}},
        {u"\"\" a", {u"a"}},
        {u"\"\"\"\" a", {u"a"}},
        {u"a \"unclosed b", {u"a", u"unclosed b"}},
        {u"a \"\"\" b", {u"a", u" b"}},  // the pair is skipped; the lone quote runs to the end
        {u"a \"", {u"a"}},                // an empty argument ends the splitting
        {u"a \"\"b", {u"a", u"b"}},
        {u"a \"x\"\"y\"", {u"a", u"xy"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitServiceArgs(c.Text), c.Args) << core::ToUtf8(c.Text);
    // A NUL ends the text.
    EXPECT_EQ(SplitServiceArgs(String(u"a\0b", 3)), std::vector<String>{u"a"});
}

TEST(NetManager, LocalhostInAnyCaseAndEmptyNameTheLocalComputer)
{
    FakeNet net;
    net.Computers[""] = {{"RpcSs", "Remote Procedure Call", 4}};
    net.Computers["db1"] = {{"RpcSs", "RPC", 1}};
    EXPECT_EQ(TCRNetManager::GetServiceStatus(u"  LocalHost  ", u"RpcSs"), ssRunning);
    EXPECT_EQ(TCRNetManager::GetServiceStatus(u"", u"RpcSs"), ssRunning);
    EXPECT_EQ(TCRNetManager::GetServiceStatus(u"db1", u"RpcSs"), ssStopped);
    EXPECT_EQ(net.Machines, (std::vector<std::string>{"", "", "db1"}));
    // Reading asks for read access and the status only; the service closes before its manager.
    EXPECT_EQ(net.ManagerAccess[0], 0x80000000u);
    EXPECT_EQ(net.ServiceAccess[0], 0x4u);
    EXPECT_EQ(net.Closed, (std::vector<std::string>{"service", "manager", "service", "manager", "service", "manager"}));
}

TEST(NetManager, ServicesListedWithNamesAndStates)
{
    FakeNet net;
    net.Computers[""] = {{"Spooler", "Print Spooler", 1}, {"RpcSs", "Remote Procedure Call", 4},
                         {"Odd", "Paused one", 7}};
    const TCRServicesInfo services = TCRNetManager::GetServiceNames(u"localhost");
    ASSERT_EQ(services.size(), 3u);
    EXPECT_EQ(services[0].ServiceName, u"Spooler");
    EXPECT_EQ(services[0].DisplayName, u"Print Spooler");
    EXPECT_EQ(services[0].Status, ssStopped);
    EXPECT_EQ(services[1].Status, ssRunning);
    EXPECT_EQ(services[2].Status, ssPaused);
    EXPECT_EQ(net.Closed, std::vector<std::string>{"manager"});
}

TEST(NetManager, StartPassesSplitArgumentsAndStopStops)
{
    FakeNet net;
    net.Computers[""] = {{"Db", "Database", 1}};
    TCRNetManager::ServiceStart(u"", u"Db", u"  -port \"C:\\Program Files\\db\"  ");
    ASSERT_EQ(net.Starts.size(), 1u);
    EXPECT_EQ(net.Starts[0], (std::vector<std::string>{"-port", "C:\\Program Files\\db"}));
    EXPECT_EQ(net.ManagerAccess.back(), 0xF003Fu);
    EXPECT_EQ(net.ServiceAccess.back(), 0xF01FFu);
    EXPECT_EQ(TCRNetManager::GetServiceStatus(u"", u"Db"), ssRunning);

    TCRNetManager::ServiceStart(u"", u"Db", u"   ");
    EXPECT_TRUE(net.Starts.back().empty());
    TCRNetManager::ServiceStop(u"", u"Db");
    EXPECT_EQ(TCRNetManager::GetServiceStatus(u"", u"Db"), ssStopped);
}

TEST(NetManager, SystemFailuresRaiseTheOperatingSystemErrorAndCloseWhatWasOpened)
{
    FakeNet net;
    net.Computers[""] = {};
    try {
        TCRNetManager::ServiceStop(u"", u"Missing");
        ADD_FAILURE();
    } catch (const core::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), 1060u);
        EXPECT_EQ(core::Pos(u"System Error.  Code: 1060.", e.Message()), 1);
    }
    EXPECT_EQ(net.Closed, std::vector<std::string>{"manager"});
    EXPECT_THROW(TCRNetManager::GetServiceNames(u"nowhere"), core::EOSError);
}

TEST(NetManager, NetworkListNamesTheWorkstationsOrRaisesTheCode)
{
    FakeNet net;
    net.Network = {u"ALPHA", u"\u6570\u636e"};
    core::StringList list;
    list.Add(u"stale");
    TCRNetManager::GetServerList(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], u"ALPHA");
    EXPECT_EQ(list[1], u"\u6570\u636e");
    EXPECT_EQ(net.BuffersFreed, 1);

    net.NetResult = 6118;
    try {
        TCRNetManager::GetServerList(list);
        ADD_FAILURE();
    } catch (const core::Exception& e) {
        EXPECT_EQ(e.Message(), u"NetServerEnum error 6118");
    }
    EXPECT_EQ(list.Count(), 0);
}

TEST(NetManager, UnboundFunctionsRaiseNotLinked)
{
    SetNetFunctions(&UnlinkedNetFunctions());
    try {
        TCRNetManager::GetServiceStatus(u"", u"RpcSs");
        ADD_FAILURE();
    } catch (const core::Exception& e) {
        EXPECT_EQ(e.Message(), u"function is not linked");
    }
    core::StringList list;
    EXPECT_THROW(TCRNetManager::GetServerList(list), core::Exception);
    SetNetFunctions(nullptr);
}

} // namespace
