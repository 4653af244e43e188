// Position cache and the shared validation thread.
#include "tree_fixture.h"
#include "treeview/worker.h"
#include "core/tick.h"
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace treeview::test {
namespace {

class ValidationTest : public TreeTest {
public:
    RecordingWindowPort port;
    // On the heap, as trees live: deleting it takes it back from the validation thread first.
    std::unique_ptr<TestTree> owned = std::make_unique<TestTree>(&port);
    TestTree& tree = *owned;
    void SetUp() override
    {
        TreeTest::SetUp();
        port.SetTree(&tree);
        tree.SetNodeDataSize(8);
        tree.SetDefaultNodeHeight(20);
    }
    void TearDown() override { DropHandlers(tree); }
    // Lets the worker's change-state messages through until the cache is in use (bounded).
    bool WaitForCache()
    {
        for (int i = 0; i < 5000; ++i) {
            core::CheckSynchronize(1);
            if ((tree.TreeStates() & tsUseCache) && !worker::IsCurrentTree(&tree) && worker::QueueLength() == 0)
                return true;
        }
        return false;
    }
};

TEST_F(ValidationTest, CacheEntriesEveryTwoThousandVisibleNodes)
{
    // The test builds the cache itself: an update bracket keeps the worker out of the tree (Clear
    // takes the tree back from it if set-up had queued it).
    port.SetHandleAllocated(false);
    tree.BeginUpdate();
    struct Case {
        uint32_t nodes;
        std::vector<std::pair<uint32_t, uint32_t>> entries;   // (absolute index, top)
    };
    const std::vector<Case> cases = {
        {2000, {}},
        {2001, {{0, 0}, {2000, 40000}}},
        {4000, {{0, 0}, {2000, 40000}}},
        {4001, {{0, 0}, {2000, 40000}, {4000, 80000}}},
    };
    for (const Case& test : cases) {
        tree.Clear();
        tree.SetRootNodeCount(test.nodes);
        tree.ChangeStates(0, tsStopValidation);
        EXPECT_EQ(tree.ValidatePositionCache(), !test.entries.empty());
        const TCache& cache = tree.PositionCache();
        ASSERT_EQ(cache.size(), test.entries.size()) << test.nodes;
        for (size_t i = 0; i < cache.size(); ++i) {
            EXPECT_EQ(tree.AbsoluteIndex(cache[i].Node), test.entries[i].first);
            EXPECT_EQ(cache[i].AbsoluteTop, test.entries[i].second);
        }
    }
    tree.EndUpdate();
}

TEST_F(ValidationTest, InterruptionServesAWorkerWaitingOnAWindowThatWentAway)
{
    // The worker enters the tree while the window exists and waits for its state message to be
    // dispatched; the window goes before the next change. The change must still get the worker out.
    tree.BeginUpdate();
    tree.SetRootNodeCount(2500);
    tree.EndUpdate();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (port.StateMessages() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(port.StateMessages(), 0);
    port.SetHandleAllocated(false);
    // Should the tree stop serving the worker, the watchdog brings the window back after a while
    // (the wait then ends) and the test fails instead of hanging.
    std::atomic<bool> done = false, rescued = false;
    std::thread watchdog([&] {
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done.load() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!done.load()) {
            rescued = true;
            port.SetHandleAllocated(true);
        }
    });
    tree.AddChild(nullptr);
    done = true;
    watchdog.join();
    EXPECT_FALSE(rescued.load());
    ExpectConsistent(tree);
}

TEST_F(ValidationTest, WorkerBuildsTheCacheAndStructureChangesInterruptIt)
{
    tree.BeginUpdate();
    tree.SetRootNodeCount(5000);
    tree.EndUpdate();
    ASSERT_TRUE(WaitForCache());
    EXPECT_EQ(tree.PositionCache().size(), 3u);
    uint32_t top = 0;
    PVirtualNode node = tree.GetNodeAtY(60017, &top);
    EXPECT_EQ(tree.AbsoluteIndex(node), 3000u);
    EXPECT_EQ(top, 60000u);

    // Changes while the worker runs: each interrupts it, and the tree ends consistent and cached.
    for (int round = 0; round < 20; ++round) {
        tree.AddChild(nullptr);
        tree.DeleteNode(tree.GetFirstNoInit());
        tree.SetExpanded(tree.AddChild(tree.GetFirstNoInit()), true);
        tree.SortTree(NoColumn, sdAscending);
        EXPECT_FALSE(tree.TreeStates() & tsUseCache);
        core::CheckSynchronize(0);
    }
    ExpectConsistent(tree);
    ASSERT_TRUE(WaitForCache());
    EXPECT_FALSE(tree.TreeStates() & tsValidationNeeded);
    EXPECT_EQ(tree.PositionCache().front().Node, tree.GetFirstVisibleNoInit());
    node = tree.GetNodeAtY(20 * 4000 + 5);
    uint32_t index = 0;
    for (PVirtualNode run = tree.GetFirstVisibleNoInit(); run != node; run = tree.GetNextVisibleNoInit(run))
        ++index;
    EXPECT_EQ(index, 4000u);
}

TEST_F(ValidationTest, ValidationFailureOfOneTreeDoesNotStopTheWorker)
{
    struct FailingTree : TestTree {
        using TestTree::TestTree;
        bool ValidatePositionCache() override { throw std::runtime_error("broken"); }
    };
    RecordingWindowPort failingPort;
    FailingTree failing(&failingPort);
    failingPort.SetTree(&failing);
    failing.SetRootNodeCount(10);   // requests a validation that throws in the worker
    for (int i = 0; i < 200 && (worker::IsCurrentTree(&failing) || worker::QueueLength() > 0); ++i)
        core::CheckSynchronize(1);
    EXPECT_FALSE(failing.TreeStates() & tsUseCache);
    tree.BeginUpdate();
    tree.SetRootNodeCount(2500);
    tree.EndUpdate();
    EXPECT_TRUE(WaitForCache());
}

TEST_F(ValidationTest, WorkerLivesAsLongAsAnyTree)
{
    size_t before = worker::ReferenceCount();
    ASSERT_TRUE(worker::Exists());
    {
        auto one = std::make_unique<TestTree>();
        auto two = std::make_unique<TestTree>();
        EXPECT_EQ(worker::ReferenceCount(), before + 2);
        one.reset();
        EXPECT_TRUE(worker::Exists());
    }
    EXPECT_EQ(worker::ReferenceCount(), before);
    worker::AddTree(&tree);
    worker::AddTree(&tree);
    EXPECT_LE(worker::QueueLength(), 1u);
}

} // namespace
} // namespace treeview::test
