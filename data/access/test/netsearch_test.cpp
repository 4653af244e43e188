// The keyword search of the network's computers: its cache and time-outs on a hand-driven clock,
// keyword matching, the local computer asked when the network list fails, and search threads that
// outlive the caller's wait but never the manager. Also run under ThreadSanitizer.
#include "data/access/netmanager.h"

#include "core/stringlist.h"
#include "core/thread.h"
#include "data/access/test/fakenet.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace data;
using data::testing::FakeNet;
using core::String;

namespace {

std::vector<String> Search(TCRNetManager& Manager, const String& Keywords, uint32_t Timeout = 5,
                           uint32_t CacheTimeout = 60)
{
    core::StringList list;
    Manager.GetServerList(list, Keywords, Timeout, CacheTimeout);
    std::vector<String> result;
    for (int i = 0; i < list.Count(); ++i)
        result.push_back(list[i]);
    return result;
}

// Two database servers and a file server on the network, the local computer without a database.
void Network(FakeNet& Net)
{
    Net.Network = {u"DB1", u"DB2", u"FILES"};
    Net.Computers["DB1"] = {{"Spooler", "Print Spooler", 4}, {"dbsrv", "Database Server", 4}};
    Net.Computers["DB2"] = {{"DBSRV9", "Db Engine 9", 1}};
    Net.Computers["FILES"] = {{"LanmanServer", "Server", 4}};
    Net.Computers[""] = {{"RpcSs", "Remote Procedure Call", 4}};
}

TEST(NetSearch, ComputersWithAMatchingServiceFoundSortedAndCached)
{
    FakeNet net;
    Network(net);
    core::ManualClock clock(5);  // a fresh boot: the first search runs all the same
    TCRNetManager manager(clock);
    EXPECT_EQ(Search(manager, u"dbsrv"), (std::vector<String>{u"DB1", u"DB2"}));
    EXPECT_EQ(net.NetEnumCalls, 1);

    // Within the cache time the network is not asked again; other keywords answer from the cache
    // too (nothing cached for them yet).
    clock.Advance(59'000);
    EXPECT_EQ(Search(manager, u"DBSRV"), (std::vector<String>{u"DB1", u"DB2"}));
    EXPECT_TRUE(Search(manager, u"remote procedure").empty());
    EXPECT_EQ(net.NetEnumCalls, 1);

    clock.Advance(2'000);
    EXPECT_EQ(Search(manager, u"remote procedure"), std::vector<String>{u"localhost"});
    EXPECT_EQ(net.NetEnumCalls, 2);

    manager.ClearServerCache();
    EXPECT_TRUE(Search(manager, u"dbsrv", 5, 600).empty());
}

TEST(NetSearch, KeywordLinesMatchNamesOrDisplayNamesWhateverTheirCase)
{
    FakeNet net;
    Network(net);
    const struct {
        const char16_t* Keywords;
        std::vector<String> Found;
    } cases[] = {
        {u"ENGINE", {u"DB2"}},
        {u"spooler\r\nLanman", {u"DB1", u"FILES"}},
        {u"\r\n\r\n", {}},  // empty lines match nothing
        {u"nosuch", {}},
    };
    for (const auto& c : cases) {
        core::ManualClock clock(1000);
        TCRNetManager manager(clock);
        EXPECT_EQ(Search(manager, c.Keywords), c.Found) << core::ToUtf8(c.Keywords);
    }
}

TEST(NetSearch, TimeoutZeroAnswersEmptyWithoutTheNetwork)
{
    FakeNet net;
    Network(net);
    TCRNetManager manager;
    core::StringList list;
    list.Add(u"old");
    manager.GetServerList(list, u"dbsrv", 0, 60);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(net.NetEnumCalls, 0);
    EXPECT_TRUE(net.Machines.empty());
}

TEST(NetSearch, LocalComputerAskedWhenTheNetworkListFails)
{
    FakeNet net;
    Network(net);
    net.NetResult = 6118;
    TCRNetManager manager;
    EXPECT_EQ(Search(manager, u"rpcss"), std::vector<String>{u"localhost"});
}

TEST(NetSearch, ClockWrapSearchesAgain)
{
    FakeNet net;
    Network(net);
    core::ManualClock clock(0xFFFFF000u);
    TCRNetManager manager(clock);
    Search(manager, u"dbsrv", 5, 3600);
    clock.Advance(0x2000);  // wrapped: below the last search's count
    Search(manager, u"dbsrv", 5, 3600);
    EXPECT_EQ(net.NetEnumCalls, 2);
}

TEST(NetSearch, LateFindsReachTheCacheAndTheManagerWaitsForThem)
{
    FakeNet net;
    Network(net);
    net.Blocked = true;
    auto manager = std::make_unique<TCRNetManager>();
    EXPECT_TRUE(Search(*manager, u"dbsrv", 1).empty());
    EXPECT_EQ(manager->RunningSearches(), 1);

    net.Unblock();
    for (int i = 0; i < 500 && manager->RunningSearches() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(manager->RunningSearches(), 0);
    EXPECT_EQ(Search(*manager, u"dbsrv"), (std::vector<String>{u"DB1", u"DB2"}));

    // A search still running when the manager goes: the destruction waits until it has ended.
    manager->ClearServerCache();
    {
        std::lock_guard lock(net.Lock);
        net.Blocked = true;
    }
    EXPECT_TRUE(Search(*manager, u"other", 1, 0).empty());
    const int returned = net.EnumsReturned;
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        net.Unblock();
    });
    manager.reset();
    EXPECT_EQ(net.EnumsReturned, returned + 4);
    release.join();
}

} // namespace
