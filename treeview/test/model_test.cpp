// Node model and structure operations of the virtual tree.
#include "tree_fixture.h"
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>

namespace treeview::test {
namespace {

class ModelTest : public TreeTest {
public:
    void TearDown() override { DropHandlers(tree); }
    TestTree tree;
    void SetUp() override
    {
        TreeTest::SetUp();
        tree.SetNodeDataSize(8);
    }
    // a (a1 a2 (a21)) b c
    PVirtualNode a, a1, a2, a21, b, c;
    void Build()
    {
        a = Add(tree, nullptr, 'a');
        a1 = Add(tree, a, '1');
        a2 = Add(tree, a, '2');
        a21 = Add(tree, a2, '3');
        b = Add(tree, nullptr, 'b');
        c = Add(tree, nullptr, 'c');
    }
};

TEST_F(ModelTest, AddChildOnAnEmptyTreeMakesTheFirstRootChild)
{
    PVirtualNode node = tree.AddChild(nullptr);
    EXPECT_EQ(node->Index, 0u);
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    EXPECT_EQ(tree.TotalCount(), 1u);
    EXPECT_EQ(tree.VisibleCount(), 1u);
    EXPECT_EQ(node->NodeHeight, 18);
    EXPECT_EQ(node->Align, 50);
    EXPECT_EQ(tree.GetNodeData(tree.RootNode()), nullptr);
    EXPECT_EQ(TBaseVirtualTree::TreeFromNode(node), &tree);
    EXPECT_LE(tree.NodeBlockSize() - size_t(tree.NodeDataSize()), 96u);
}

TEST_F(ModelTest, CountsAndHeightsStayRightAfterEveryKindOfChange)
{
    struct Case {
        const char* name;
        std::function<void(ModelTest&)> change;
    };
    const std::vector<Case> cases = {
        {"expand", [](ModelTest& t) { t.tree.SetExpanded(t.a, true); }},
        {"expand deep", [](ModelTest& t) { t.tree.FullExpand(); }},
        {"collapse", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetExpanded(t.a, false); }},
        {"insert before", [](ModelTest& t) { t.tree.FullExpand(); t.tree.InsertNode(t.a2, amInsertBefore); }},
        {"insert after", [](ModelTest& t) { t.tree.FullExpand(); t.tree.InsertNode(t.a2, amInsertAfter); }},
        {"add child first", [](ModelTest& t) { t.tree.FullExpand(); t.tree.InsertNode(t.a2, amAddChildFirst); }},
        {"child count grows", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetChildCount(t.a, 5); }},
        {"child count shrinks", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetChildCount(t.a, 1); }},
        {"child count zero", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetChildCount(t.a, 0); }},
        {"delete expanded branch", [](ModelTest& t) { t.tree.FullExpand(); t.tree.DeleteNode(t.a2); }},
        {"delete children", [](ModelTest& t) { t.tree.FullExpand(); t.tree.DeleteChildren(t.a); }},
        {"move into other branch", [](ModelTest& t) { t.tree.FullExpand(); t.tree.MoveTo(t.a2, t.c, amAddChildLast, false); }},
        {"move children only", [](ModelTest& t) { t.tree.FullExpand(); t.tree.MoveTo(t.a, t.a, amInsertAfter, true); }},
        {"copy", [](ModelTest& t) { t.tree.FullExpand(); t.tree.CopyTo(t.a, t.b, amAddChildLast, false); }},
        {"hide expanded branch", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetIsHidden(t.a2, true); }},
        {"invisible node", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetIsVisible(t.a1, false); }},
        {"show hidden nodes", [](ModelTest& t) {
             t.tree.FullExpand();
             t.tree.SetIsHidden(t.a2, true);
             t.tree.TreeOptions().SetPaintOptions(t.tree.TreeOptions().PaintOptions() | toShowHiddenNodes);
         }},
        {"hide again", [](ModelTest& t) {
             t.tree.FullExpand();
             t.tree.SetIsHidden(t.a2, true);
             auto& o = t.tree.TreeOptions();
             o.SetPaintOptions(o.PaintOptions() | toShowHiddenNodes);
             o.SetPaintOptions(o.PaintOptions() & ~toShowHiddenNodes);
         }},
        {"node height", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SetNodeHeight(t.a21, 40); }},
        {"default height", [](ModelTest& t) { t.tree.SetDefaultNodeHeight(30); t.tree.AddChild(t.b); t.tree.FullExpand(); }},
        {"clear", [](ModelTest& t) { t.tree.Clear(); }},
        {"sort", [](ModelTest& t) { t.tree.FullExpand(); t.tree.SortTree(0, sdDescending); }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        tree.Clear();
        Build();
        test.change(*this);
        ExpectConsistent(tree);
    }
}

TEST_F(ModelTest, ShowingHiddenNodesCountsTheRowsBelowThem)
{
    Build();
    tree.FullExpand();
    tree.SetIsHidden(a2, true);
    EXPECT_EQ(tree.VisibleCount(), 4u);   // a a1 b c
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toShowHiddenNodes);
    EXPECT_EQ(tree.VisibleCount(), 6u);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u * 7);
}

TEST_F(ModelTest, ChildCountAppendsAndDeletesAtTheEnd)
{
    Build();
    tree.SetChildCount(a, 5);
    EXPECT_EQ(a->LastChild->Index, 4u);
    EXPECT_EQ(a->LastChild->PrevSibling->Index, 3u);
    tree.SetChildCount(a, 2);
    EXPECT_EQ(a->ChildCount, 2u);
    EXPECT_EQ(a->LastChild, a2);
    tree.SetChildCount(a, 0);
    EXPECT_EQ(a->ChildCount, 0u);
    // An explicit zero keeps the "may have children" mark of a node whose children came lazily.
    tree.SetHasChildren(b, true);
    tree.SetChildCount(b, 3);
    tree.SetChildCount(b, 0);
    EXPECT_TRUE(tree.HasChildren(b));
}

TEST_F(ModelTest, InitialUserDataIsRefusedBeforeAnyNodeIsMade)
{
    tree.SetNodeDataSize(2);
    int value = 0;
    try {
        tree.AddChild(nullptr, &value);
        FAIL() << "no exception";
    } catch (const EVirtualTreeError& error) {
        EXPECT_EQ(error.HelpContext(), 2008);
        EXPECT_EQ(error.Message(), u"Cannot set initial user data because there is not enough user data space allocated.");
    }
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    EXPECT_THROW(tree.InsertNode(nullptr, amAddChildLast, &value), EVirtualTreeError);
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    tree.SetNodeDataSize(16);
    PVirtualNode node = tree.AddChild(nullptr, &value);
    EXPECT_TRUE(HasState(node, vsInitialUserData));
    EXPECT_EQ(*tree.GetNodeData<int*>(node), &value);
}

TEST_F(ModelTest, NodeDataNeedsASize)
{
    TestTree other;
    PVirtualNode node = other.AddChild(nullptr);
    EXPECT_THROW(other.GetNodeData(node), core::EAssertionFailed);
}

TEST_F(ModelTest, FreeNodeReachesEveryNodeWhoseDataWasHandedOut)
{
    std::vector<PVirtualNode> freed;
    tree.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode node) { freed.push_back(node); };
    PVirtualNode untouched = tree.AddChild(nullptr);
    PVirtualNode written = tree.AddChild(nullptr);
    *tree.GetNodeData<int>(written) = 7;   // never initialised, but its data was handed out
    PVirtualNode initialised = tree.AddChild(nullptr);
    tree.GetFirst();   // initialises the first node only
    tree.ValidateNode(initialised, false);
    tree.Clear();
    EXPECT_EQ(freed.size(), 3u);
    EXPECT_NE(std::find(freed.begin(), freed.end(), written), freed.end());
    (void)untouched;
}

// The mark that a node's data was handed out lives beside the data or in the record, never in the
// data itself, and costs no memory: a node whose whole data area is cleared after it was handed
// out still gets OnFreeNode, and one that was never touched does not.
TEST_F(ModelTest, TheHandedOutMarkSurvivesAnyDataAndCostsNoSpace)
{
    for (int32_t size : {8, 16, 24, 61, 64}) {
        SCOPED_TRACE(testing::Message() << "data size " << size);
        TestTree sized;
        sized.SetNodeDataSize(size);
        std::vector<PVirtualNode> freed;
        sized.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode node) { freed.push_back(node); };
        PVirtualNode untouched = sized.AddChild(nullptr);
        PVirtualNode cleared = sized.AddChild(nullptr);
        std::memset(sized.GetNodeData(cleared), 0, size_t(size));
        PVirtualNode filled = sized.AddChild(nullptr);
        std::memset(sized.GetNodeData(filled), 0xff, size_t(size));
        size_t exact = sizeof(TVirtualNode) + size_t(size);
        const size_t align = alignof(std::max_align_t);
        EXPECT_EQ(sized.NodeBlockSize(), (exact + align - 1) / align * align);
        EXPECT_FALSE(HasState(untouched, vsInitialized));
        sized.Clear();
        std::sort(freed.begin(), freed.end());
        std::vector<PVirtualNode> expected{filled, cleared};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(freed, expected);
        DropHandlers(sized);
    }
}

TEST_F(ModelTest, NodeDataSizeChangeRemakesTheNodes)
{
    int freed = 0;
    tree.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode) { ++freed; };
    tree.SetRootNodeCount(10);
    for (PVirtualNode node = tree.GetFirst(); node; node = tree.GetNextSibling(node)) {
    }
    tree.SetNodeDataSize(24);
    EXPECT_EQ(freed, 10);
    EXPECT_EQ(tree.RootNodeCount(), 10u);
    EXPECT_FALSE(HasState(tree.GetFirstNoInit(), vsInitialized));
}

TEST_F(ModelTest, MovingIntoTheOwnSubtreeFailsAndChangesNothing)
{
    Build();
    try {
        tree.MoveTo(a, a21, amAddChildLast, false);
        FAIL() << "no exception";
    } catch (const EVirtualTreeError& error) {
        EXPECT_EQ(error.HelpContext(), 2001);
    }
    EXPECT_EQ(a21->Parent, a2);
    EXPECT_EQ(tree.RootNodeCount(), 3u);
    ExpectConsistent(tree);
}

TEST_F(ModelTest, MovingChildrenBehindTheirParentKeepsTheirOrder)
{
    Build();
    tree.MoveTo(a, a, amInsertAfter, true);
    std::vector<PVirtualNode> order;
    for (PVirtualNode n = tree.GetFirstNoInit(); n; n = n->NextSibling)
        order.push_back(n);
    EXPECT_EQ(Names(tree, order), "a 1 2 b c");
    ExpectConsistent(tree);
}

TEST_F(ModelTest, CopyToAnotherTreeCarriesDataThroughTheSaveAndLoadEvents)
{
    Build();
    TestTree target;
    target.SetNodeDataSize(8);
    tree.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode node, core::Stream& s) { s.WriteUInt16(*t->GetNodeData<char16_t>(node)); };
    target.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode node, core::Stream& s) { *t->GetNodeData<char16_t>(node) = s.ReadUInt16(); };
    PVirtualNode copy = tree.CopyTo(a, &target, amAddChildLast, false);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(target.TotalCount(), 4u);
    EXPECT_EQ(*target.GetNodeData<char16_t>(copy->LastChild->FirstChild), u'3');
    ExpectConsistent(target);

    target.OnNodeCopying = nullptr;
    tree.OnNodeCopying = [](TBaseVirtualTree*, PVirtualNode, PVirtualNode, bool& allowed) { allowed = false; };
    EXPECT_EQ(tree.CopyTo(b, &target, amAddChildLast, false), nullptr);
    EXPECT_EQ(target.RootNodeCount(), 1u);

    target.TreeOptions().SetMiscOptions(target.TreeOptions().MiscOptions() | toReadOnly);
    tree.OnNodeCopying = nullptr;
    EXPECT_EQ(tree.CopyTo(b, &target, amAddChildLast, false), nullptr);
    target.TreeOptions().SetMiscOptions(target.TreeOptions().MiscOptions() & ~toReadOnly);
}

TEST_F(ModelTest, ACopyThatFailsHalfWayFreesEveryNodeItLoaded)
{
    Build();
    TestTree target;
    target.SetNodeDataSize(8);
    tree.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode node, core::Stream& s) { s.WriteUInt16(*t->GetNodeData<char16_t>(node)); };
    target.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode node, core::Stream& s) {
        char16_t name = s.ReadUInt16();
        *t->GetNodeData<char16_t>(node) = name;
        if (name == u'3')
            throw std::runtime_error("cannot load");
    };
    std::string freed;
    target.OnFreeNode = [&](TBaseVirtualTree* t, PVirtualNode node) { freed += char(*t->GetNodeData<char16_t>(node)); };
    // a (a1 a2 (a21)): the failure comes at a21, when a1 already hangs below the copy of a. A
    // node's data follows its children in the stream, so a and a2 have none yet (0).
    EXPECT_THROW(tree.CopyTo(a, &target, amAddChildLast, false), std::runtime_error);
    EXPECT_EQ(freed, std::string("3\0" "1\0", 4));
    EXPECT_EQ(target.RootNodeCount(), 0u);
    EXPECT_EQ(target.Pool().LiveCount(), 0u);
    ExpectConsistent(target);
    DropHandlers(target);
    target.OnLoadNode = nullptr;
}

TEST_F(ModelTest, MoveToAnotherTreeLeavesTheSource)
{
    Build();
    TestTree target;
    target.SetNodeDataSize(8);
    tree.MoveTo(a, &target, amAddChildLast, false);
    EXPECT_EQ(tree.TotalCount(), 2u);
    EXPECT_EQ(target.TotalCount(), 4u);
    ExpectConsistent(tree);
    ExpectConsistent(target);
}

TEST_F(ModelTest, ReadOnlyTreesRefuseStructureChanges)
{
    Build();
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    EXPECT_EQ(tree.AddChild(nullptr), nullptr);
    EXPECT_EQ(tree.InsertNode(a, amInsertAfter), nullptr);
    tree.DeleteNode(a);
    tree.Clear();
    tree.MoveTo(b, c, amAddChildLast, false);
    EXPECT_EQ(tree.TotalCount(), 6u);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() & ~toReadOnly);
}

TEST_F(ModelTest, DeletingTheFocusedNodeMovesTheFocusToNil)
{
    Build();
    std::vector<std::string> events;
    tree.SetFocusedNode(b);
    tree.OnFocusChanging = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode n, TColumnIndex, TColumnIndex, bool&) {
        events.push_back(n ? "changing" : "changing nil");
    };
    tree.OnFocusChanged = [&](TBaseVirtualTree*, PVirtualNode n, TColumnIndex) { events.push_back(n ? "changed" : "changed nil"); };
    tree.DeleteNode(b);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"changing nil", "changed nil"}));
}

TEST_F(ModelTest, DefaultNodeHeightZeroMeansEighteen)
{
    tree.SetDefaultNodeHeight(30);
    tree.SetDefaultNodeHeight(0);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
}

TEST_F(ModelTest, LazyChildrenComeFromTheInitEvents)
{
    tree.OnInitNode = [](TBaseVirtualTree*, PVirtualNode parent, PVirtualNode, TVirtualNodeInitStates& states) {
        if (!parent)
            states |= ivsHasChildren;
    };
    tree.OnInitChildren = [](TBaseVirtualTree*, PVirtualNode, uint32_t& count) { count = 3; };
    tree.SetRootNodeCount(2);
    EXPECT_EQ(tree.RootNode()->TotalCount, 3u);
    EXPECT_EQ(tree.TotalCount(), 8u);
    ExpectConsistent(tree);
}

TEST_F(ModelTest, NodeMemoryCountsTheBlocksAndTheKeptOrder)
{
    TestTree big;
    big.SetNodeDataSize(24);
    big.OnCompareNodes = [](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex, int& result) {
        result = int(*t->GetNodeData<uint32_t>(x) % 97) - int(*t->GetNodeData<uint32_t>(y) % 97);
    };
    const uint32_t count = 50000;
    big.BeginUpdate();
    for (uint32_t i = 0; i < count; ++i)
        *big.GetNodeData<uint32_t>(big.AddChild(nullptr)) = i * 7919u;
    big.EndUpdate();
    EXPECT_GE(big.Pool().ReservedBytes(), count * big.NodeBlockSize());
    EXPECT_EQ(big.NodeMemoryBytes(), big.Pool().ReservedBytes());
    big.SortTree(0, sdAscending);   // keeps the order of the sorted level, which counts too
    EXPECT_EQ(big.NodeMemoryBytes(), big.Pool().ReservedBytes() + count * sizeof(PVirtualNode));
    big.OnCompareNodes = nullptr;
    big.Clear();
    EXPECT_EQ(big.NodeMemoryBytes(), 0u);   // the blocks and the kept order go with the nodes
}

// The large chunks of a big tree that is emptied are kept for the next big tree (or the same one
// refilled), whose nodes then come zero-filled from the same memory.
TEST_F(ModelTest, ABigTreeMadeAfterAnotherReusesItsMemory)
{
    const uint32_t count = 100000;      // two thirds of it in large chunks
    const uintptr_t largePage = 2 << 20;   // large chunks are aligned to it
    auto fill = [&](TestTree& big) {
        std::set<uintptr_t> pages;
        big.SetNodeDataSize(24);
        big.BeginUpdate();
        for (uint32_t i = 0; i < count; ++i) {
            PVirtualNode node = big.AddChild(nullptr);
            const auto* data = big.GetNodeData<const unsigned char>(node);
            EXPECT_TRUE(std::all_of(data, data + 24, [](unsigned char c) { return c == 0; }));
            std::memset(big.GetNodeData(node), 0xA5, 24);
            pages.insert(reinterpret_cast<uintptr_t>(node) / largePage);
        }
        big.EndUpdate();
        return pages;
    };
    std::set<uintptr_t> first;
    {
        TestTree big;
        first = fill(big);
    }
    TestTree again;
    fill(again);
    uint32_t reused = 0;
    for (PVirtualNode node = again.GetFirstNoInit(); node; node = node->NextSibling)
        reused += first.count(reinterpret_cast<uintptr_t>(node) / largePage) ? 1 : 0;
    EXPECT_GE(reused, count / 2);
    EXPECT_EQ(again.NodeMemoryBytes(), again.Pool().ReservedBytes());
    again.Clear();
    EXPECT_EQ(again.NodeMemoryBytes(), 0u);
}

TEST_F(ModelTest, ResetNodeMakesANodeUninitialisedAgain)
{
    Build();
    tree.FullExpand();
    tree.SetSelected(a, true);
    tree.SetIsDisabled(a, true);
    std::vector<std::string> events;
    tree.OnResetNode = [&](TBaseVirtualTree*, PVirtualNode node) {
        // Raised first, while the node still has its children.
        events.push_back("reset " + Names(tree, {node}) + " with " + std::to_string(node->ChildCount));
    };
    tree.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode node) { events.push_back("free " + Names(tree, {node})); };
    tree.OnInitNode = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode node, TVirtualNodeInitStates&) {
        events.push_back("init " + Names(tree, {node}));
    };
    tree.ResetNode(a);
    EXPECT_EQ(events, (std::vector<std::string>{"reset a with 2", "free 3", "free 2", "free 1"}));
    EXPECT_EQ(a->ChildCount, 0u);
    EXPECT_EQ(LoadStates(a) & (vsInitialized | vsExpanded | vsHasChildren | vsHeightMeasured), 0);
    EXPECT_TRUE(HasState(a, vsDisabled));
    EXPECT_TRUE(HasState(a, vsSelected));
    EXPECT_TRUE(HasState(a, vsVisible));
    EXPECT_EQ(tree.SelectedCount(), 1);
    EXPECT_EQ(*tree.GetNodeData<char16_t>(a), u'a');   // the data area is the application's to reset
    ExpectConsistent(tree);

    // Looking at it again initialises it again; clearing still frees its data.
    events.clear();
    tree.GetFirst();
    tree.Clear();
    EXPECT_EQ(events, (std::vector<std::string>{"init a", "free c", "free b", "free a"}));
}

TEST_F(ModelTest, ResetNodeOfTheRootClearsAndReadOnlyTreesKeepTheirNodes)
{
    Build();
    int resets = 0;
    tree.OnResetNode = [&](TBaseVirtualTree*, PVirtualNode) { ++resets; };
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    tree.ValidateNode(a, false);
    tree.ResetNode(a);
    EXPECT_EQ(a->ChildCount, 2u);
    EXPECT_TRUE(HasState(a, vsInitialized | vsHasChildren));
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() & ~toReadOnly);
    tree.ResetNode(tree.RootNode());
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    Build();
    tree.ResetNode(nullptr);
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    EXPECT_EQ(resets, 0);
    ExpectConsistent(tree);
}

} // namespace
} // namespace treeview::test
