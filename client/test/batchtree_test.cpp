// Tests of the node tree's side of the batch latency test over the tree's own model: cell texts,
// the latency order through the tree's sort, passes that write the rows, and a refill right after a
// stop.
#include "client/batchtree.h"
#include "client/test/nodetree.h"

#include "core/thread.h"
#include "core/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <new>

using namespace client;
using client::test::NodeRecord;
using client::test::NodeTree;
using client::test::PumpUntil;
using treeview::PVirtualNode;

namespace {

class BatchTreeTest : public ::testing::Test {
protected:
    void SetUp() override { core::SetMainThread(); }
};

} // namespace

TEST_F(BatchTreeTest, CellTextsByColumn)
{
    NodeTree tree;
    PVirtualNode node = tree.Add(u"节点1", u"1.2.3.4", u"45");
    EXPECT_EQ(NodeCellText(tree.At(node), 0), u"节点1");
    EXPECT_EQ(NodeCellText(tree.At(node), 1), u"45");
    EXPECT_EQ(NodeCellText(tree.At(node), 2), u"98%");
    EXPECT_EQ(NodeCellText(tree.At(node), 3), u"支持");
    EXPECT_EQ(NodeCellText(tree.At(node), 4), u"");
}

TEST_F(BatchTreeTest, SortByLatencyKeepsUnmeasuredRowsInTheirOrder)
{
    NodeTree tree;
    tree.Add(u"a", u"", u"45");
    tree.Add(u"b", u"", u"NA");
    tree.Add(u"c", u"", u"12");
    tree.Add(u"d", u"", u"禁ping");
    tree.Add(u"e", u"", u"12");
    TreeBatchTarget<NodeRecord> target(tree);
    target.SortRows();
    EXPECT_EQ(tree.Column(0), (std::vector<core::String>{u"c", u"e", u"a", u"b", u"d"}));
    target.SortRows();
    EXPECT_EQ(tree.Column(0), (std::vector<core::String>{u"c", u"e", u"a", u"b", u"d"})) << "a second sort changes nothing";

    tree.SetSortDirection(treeview::sdDescending);
    target.SortRows();
    EXPECT_EQ(tree.Column(1), (std::vector<core::String>{u"NA", u"禁ping", u"45", u"12", u"12"}));
    tree.SetSortDirection(treeview::sdAscending);

    // Another column is not the sort column: every pair compares equal, nothing moves.
    tree.SortTree(0, treeview::sdAscending, true);
    EXPECT_EQ(tree.Column(1), (std::vector<core::String>{u"NA", u"禁ping", u"45", u"12", u"12"}));
}

TEST_F(BatchTreeTest, PassWritesLatenciesAndFailuresThenSorts)
{
    std::map<core::String, std::optional<EchoOutcome>> script = {
        {u"10.0.0.1", EchoOutcome{true, 250}}, {u"10.0.0.2", EchoOutcome{false, 0}},
        {u"10.0.0.3", EchoOutcome{true, 0}},   {u"10.0.0.4", std::nullopt},  // no echo object
        {u"10.0.0.5", EchoOutcome{true, 160}},
    };
    NodeTree tree;
    PVirtualNode slow = tree.Add(u"slow", u"10.0.0.1");
    PVirtualNode mute = tree.Add(u"mute", u"10.0.0.2");
    tree.Add(u"fast", u"10.0.0.3");
    tree.Add(u"none", u"10.0.0.4");
    tree.Add(u"mid", u"10.0.0.5");
    TreeBatchTarget<NodeRecord> target(tree);
    int passes = 0;
    int ended = 0;
    target.OnPassDone = [&] { ++passes; };
    target.OnEnded = [&] { ++ended; };
    support::TThreadPool pool;
    support::TThreadComponent thread;
    BatchLatencyTest test(pool, thread, target, [&](const core::String& ip) { return script.at(ip); });
    test.Configure();
    test.SetPaceMs(5);
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return passes >= 3; }));
    test.Stop();
    target.SortRows();
    test.Shutdown();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(tree.Column(0), (std::vector<core::String>{u"fast", u"mid", u"slow", u"mute", u"none"}));
    EXPECT_EQ(tree.Column(1), (std::vector<core::String>{u"0", u"160", u"250", u"禁ping", u"NA"}));
    EXPECT_GE(tree.At(mute).losttimes, 2) << "one more failure per pass";
    EXPECT_EQ(tree.At(slow).losttimes, 0);
    std::vector<std::optional<uint32_t>> bands;
    for (const core::String& delay : tree.Column(1))
        bands.push_back(LatencyBandColor(delay));
    EXPECT_EQ(bands, (std::vector<std::optional<uint32_t>>{0x9BFFB4, 0x8CFFED, 0x7BC8FC, std::nullopt, std::nullopt}));
}

TEST_F(BatchTreeTest, RefillRightAfterAStopFreesRowsThatEchoesStillHold)
{
    std::atomic<bool> release{false};
    NodeTree tree;
    for (int i = 0; i < 30; ++i)
        tree.Add(u"n" + core::IntToStr(i), u"10.1.0." + core::IntToStr(i));
    TreeBatchTarget<NodeRecord> target(tree);
    support::TThreadPool pool;
    support::TThreadComponent thread;
    std::atomic<int> started{0};
    BatchLatencyTest test(pool, thread, target, [&](const core::String&) {
        started.fetch_add(1);
        while (!release.load())
            core::Sleep(1);
        return std::optional<EchoOutcome>(EchoOutcome{true, 9});
    });
    test.Configure();
    test.SetPaceMs(1);
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return started.load() >= 5 && pool.TaskCount() > 0; }));
    test.Stop();
    tree.Clear();  // the area changes: every row is freed while echoes still run
    tree.Add(u"new", u"10.2.0.1");
    release.store(true);
    ASSERT_TRUE(PumpUntil([&] { return pool.IdleThreadCount() == pool.ThreadCount(); }));
    core::CheckSynchronize(20);
    test.Shutdown();
    EXPECT_EQ(tree.Column(1), std::vector<core::String>{u"NA"});
    EXPECT_GT(test.ResultsDiscarded(), 0);
}
