// Tests of the batch test's echo through the echo component: scripted replies per address (answer,
// time-out, ICMP error reply, unresolvable name), a pass over a tree with them, and one pass over
// live loopback echoes.
#include "client/batchecho.h"
#include "client/batchtree.h"
#include "client/test/nodetree.h"
#include "client/test/scriptedechoes.h"

#include "core/convert.h"
#include "core/thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>

using namespace client;
using client::test::Echo;
using client::test::ScriptedEchoes;
using client::test::ScriptedEchoesScope;
using client::test::NodeRecord;
using client::test::NodeTree;
using client::test::PumpUntil;
using treeview::PVirtualNode;

namespace {

// Runs passes until every row has its echo in, then stops.
void RunPasses(NodeTree& tree, int passes)
{
    TreeBatchTarget<NodeRecord> target(tree);
    int done = 0;
    target.OnPassDone = [&] { ++done; };
    support::TThreadPool pool;
    support::TThreadComponent thread;
    BatchLatencyTest test(pool, thread, target, &PingEcho);
    test.Configure();
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return done >= passes; }, 15000));
    test.Stop();
    target.SortRows();
    test.Shutdown();
}

} // namespace

TEST(BatchEcho, OnlyASuccessfulEchoIsAnAnswer)
{
    core::SetMainThread();
    ScriptedEchoesScope scope;
    ScriptedEchoes::Instance().Set("10.0.0.1", {Echo::Reply, 50});
    ScriptedEchoes::Instance().Set("10.0.0.2", {Echo::Reply, 0});
    ScriptedEchoes::Instance().Set("10.0.0.3", {Echo::Timeout, 0, 20});
    ScriptedEchoes::Instance().Set("10.0.0.4", {Echo::ErrorReply, 3});
    struct Case {
        const char16_t* ip;
        bool answered;
        uint32_t rtt;
    } cases[] = {
        {u"10.0.0.1", true, 50}, {u"10.0.0.2", true, 0}, {u"10.0.0.3", false, 0}, {u"10.0.0.4", false, 0},
        {u"no-such-host.invalid", false, 0},
    };
    for (const Case& c : cases) {
        const auto outcome = PingEcho(c.ip);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->answered, c.answered) << core::ToUtf8(c.ip);
        EXPECT_EQ(outcome->rtt, c.rtt) << core::ToUtf8(c.ip);
        EXPECT_EQ(LatencyText(*outcome), c.answered ? core::UIntToStr(c.rtt) : core::String(u"禁ping"));
    }
    EXPECT_EQ(ScriptedEchoes::Instance().OpenHandles(), 0) << "every echo object is freed";
}

TEST(BatchEcho, PassOverScriptedRepliesGivesOrderAndBands)
{
    core::SetMainThread();
    ScriptedEchoesScope scope;
    ScriptedEchoes::Instance().Set("10.0.0.1", {Echo::Reply, 320, 30});
    ScriptedEchoes::Instance().Set("10.0.0.2", {Echo::Timeout, 0, 40});
    ScriptedEchoes::Instance().Set("10.0.0.3", {Echo::Reply, 50, 5});
    ScriptedEchoes::Instance().Set("10.0.0.4", {Echo::ErrorReply, 1});
    ScriptedEchoes::Instance().Set("10.0.0.5", {Echo::Reply, 180});
    ScriptedEchoes::Instance().Set("10.0.0.6", {Echo::Reply, 201});
    NodeTree tree;
    tree.Add(u"a", u"10.0.0.1");
    tree.Add(u"b", u"10.0.0.2");
    tree.Add(u"c", u"10.0.0.3");
    tree.Add(u"d", u"10.0.0.4");
    tree.Add(u"e", u"10.0.0.5");
    tree.Add(u"f", u"10.0.0.6");
    RunPasses(tree, 2);
    const auto rows = tree.Rows();
    EXPECT_EQ(rows, (std::vector<core::String>{u"c=50", u"e=180", u"f=201", u"a=320", u"b=禁ping", u"d=禁ping"}));
    std::vector<std::optional<uint32_t>> bands;
    for (PVirtualNode node = tree.GetFirst(); node; node = tree.GetNext(node))
        bands.push_back(LatencyBandColor(tree.GetNodeData<NodeRecord>(node)->delay));
    EXPECT_EQ(bands, (std::vector<std::optional<uint32_t>>{0x9BFFB4, 0x8CFFED, 0x7BC8FC, 0x525DFF, std::nullopt,
                                                           std::nullopt}));
    EXPECT_EQ(ScriptedEchoes::Instance().OpenHandles(), 0);
}

TEST(BatchEcho, PassOverLiveLoopbackEchoes)
{
    core::SetMainThread();
    NodeTree tree;
    tree.Add(u"本机", u"127.0.0.1");
    tree.Add(u"本机2", u"127.0.0.1");
    RunPasses(tree, 2);
    for (PVirtualNode node = tree.GetFirst(); node; node = tree.GetNext(node)) {
        const NodeRecord& record = *tree.GetNodeData<NodeRecord>(node);
        int32_t ms = -1;
        EXPECT_TRUE(core::TryStrToInt(record.delay, ms)) << core::ToUtf8(record.delay);
        EXPECT_GE(ms, 0);
        EXPECT_LT(ms, 1000);
        EXPECT_EQ(record.losttimes, 0);
    }
}
