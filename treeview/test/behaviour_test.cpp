// Iteration, events, selection, checks and sorting of the virtual tree.
#include "tree_fixture.h"
#include <algorithm>
#include <stdexcept>

namespace treeview::test {
namespace {

class BehaviourTest : public TreeTest {
public:
    void TearDown() override { DropHandlers(tree); }
    RecordingWindowPort port;
    TestTree tree{&port};
    PVirtualNode a, a1, a2, a21, b, c;
    void SetUp() override
    {
        TreeTest::SetUp();
        port.SetTree(&tree);
        port.SetHandleAllocated(false);   // no worker traffic unless a test wants it
        tree.SetNodeDataSize(8);
        a = Add(tree, nullptr, 'a');
        a1 = Add(tree, a, '1');
        a2 = Add(tree, a, '2');
        a21 = Add(tree, a2, '3');
        b = Add(tree, nullptr, 'b');
        c = Add(tree, nullptr, 'c');
    }
    template <class Step> std::string Walk(PVirtualNode first, Step step)
    {
        std::vector<PVirtualNode> nodes;
        for (PVirtualNode n = first; n; n = step(n))
            nodes.push_back(n);
        return Names(tree, nodes);
    }
};

TEST_F(BehaviourTest, IterationOrdersOnAFixedTree)
{
    tree.SetExpanded(a, true);
    auto next = [&](PVirtualNode n) { return tree.GetNext(n); };
    auto previous = [&](PVirtualNode n) { return tree.GetPrevious(n); };
    auto nextVisible = [&](PVirtualNode n) { return tree.GetNextVisible(n); };
    auto previousVisible = [&](PVirtualNode n) { return tree.GetPreviousVisible(n); };
    EXPECT_EQ(Walk(tree.GetFirst(), next), "a 1 2 3 b c");
    EXPECT_EQ(Walk(tree.GetLast(), previous), "c b 3 2 1 a");
    EXPECT_EQ(Walk(tree.GetFirstVisible(), nextVisible), "a 1 2 b c");   // a2 is collapsed
    EXPECT_EQ(Walk(tree.GetLastVisible(), previousVisible), "c b 2 1 a");
    EXPECT_EQ(Walk(tree.GetFirstLeaf(), [&](PVirtualNode n) { return tree.GetNextLeaf(n); }), "1 3 b c");
    EXPECT_EQ(Walk(tree.GetFirstLevel(1), [&](PVirtualNode n) { return tree.GetNextLevel(n, 1); }), "1 2");

    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toChildrenAbove);
    auto nextAbove = [&](PVirtualNode n) { return tree.GetNext(n, true); };
    EXPECT_EQ(Walk(tree.GetFirst(true), nextAbove), "1 3 2 a b c");
    EXPECT_EQ(Walk(tree.GetFirst(false), next), "a 1 2 3 b c");

    EXPECT_EQ(tree.AbsoluteIndex(a), 0u);
    EXPECT_EQ(tree.AbsoluteIndex(b), 4u);
    EXPECT_EQ(tree.GetNodeLevel(a21), 2u);
    EXPECT_TRUE(tree.HasAsParent(a21, tree.RootNode()));
    EXPECT_TRUE(tree.HasAsParent(a21, a));
    EXPECT_FALSE(tree.HasAsParent(a, a));
    EXPECT_EQ(tree.GetNext(c), nullptr);
    EXPECT_EQ(tree.GetNext(a21), b);
    EXPECT_THROW(tree.GetNext(tree.RootNode()), core::EAssertionFailed);
}

TEST_F(BehaviourTest, HiddenAndFilteredNodesAreSkipped)
{
    tree.FullExpand();
    tree.SetIsHidden(a1, true);
    EXPECT_EQ(tree.GetFirstVisibleChild(a), a2);
    EXPECT_EQ(tree.GetFirstVisibleChild(a, true), a1);
    tree.SetIsVisible(b, false);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toChildrenAbove);
    EXPECT_EQ(tree.GetPreviousVisible(c, true), a);
}

TEST_F(BehaviourTest, LazyChildrenAreMadeWhenTheWalkPassesThem)
{
    PVirtualNode lazy = tree.AddChild(nullptr);
    tree.SetHasChildren(lazy, true);
    int asked = 0;
    tree.OnInitChildren = [&](TBaseVirtualTree*, PVirtualNode, uint32_t& count) { ++asked, count = 2; };
    PVirtualNode next = tree.GetNext(lazy);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(next, lazy->FirstChild);
}

TEST_F(BehaviourTest, IterateSubtreeVisitsTheSubtreeAndGuardsAgainstDeletion)
{
    std::string visited;
    auto collect = [&](TBaseVirtualTree* t, PVirtualNode n, void*, bool&) { visited += char(*t->GetNodeData<char16_t>(n)); };
    EXPECT_EQ(tree.IterateSubtree(a, collect, nullptr), nullptr);
    EXPECT_EQ(visited, "a123");
    visited.clear();
    tree.IterateSubtree(a, collect, nullptr, 0, false, true);
    EXPECT_EQ(visited, "123");
    visited.clear();
    EXPECT_EQ(tree.IterateSubtree(a1, collect, nullptr, 0, false, true), nullptr);
    EXPECT_EQ(visited, "");
    PVirtualNode stopped = tree.IterateSubtree(nullptr, [&](TBaseVirtualTree*, PVirtualNode n, void*, bool& abort) { abort = n == b; }, nullptr);
    EXPECT_EQ(stopped, b);
    EXPECT_THROW(tree.IterateSubtree(nullptr, [&](TBaseVirtualTree* t, PVirtualNode n, void*, bool&) { t->DeleteNode(n); }, nullptr),
                 core::EAssertionFailed);
    EXPECT_FALSE(tree.TreeStates() & tsIterating);
}

TEST_F(BehaviourTest, UpdateBracketDeliversNotificationsOnceInOrder)
{
    std::vector<std::string> events;
    tree.OnUpdating = [&](TBaseVirtualTree*, TVTUpdateState s) { events.push_back("updating " + std::to_string(s)); };
    tree.OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode, TChangeReason r) { events.push_back("structure " + std::to_string(r)); };
    tree.OnChange = [&](TBaseVirtualTree*, PVirtualNode) { events.push_back("change"); };
    tree.BeginUpdate();
    tree.BeginUpdate();
    tree.AddChild(b);
    tree.MoveTo(c, a, amAddChildLast, false);
    tree.SetSelected(a1, true);
    tree.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"updating 0", "updating 3", "updating 3"}));
    tree.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"updating 0", "updating 3", "updating 3", "structure 1", "change", "updating 4"}));
}

TEST_F(BehaviourTest, ChangeDelayGoesThroughTimerSix)
{
    port.SetHandleAllocated(true);
    std::vector<TChangeReason> reasons;
    tree.OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode, TChangeReason r) { reasons.push_back(r); };
    tree.AddChild(b);
    EXPECT_EQ(reasons, (std::vector<TChangeReason>{crChildAdded}));   // no delay: before the call returns
    reasons.clear();
    tree.SetChangeDelay(100);
    tree.AddChild(b);
    tree.MoveTo(c, a, amAddChildLast, false);
    EXPECT_TRUE(reasons.empty());
    EXPECT_EQ(port.TimerInterval(StructureChangeTimer), 100u);
    port.FireTimer(StructureChangeTimer);
    EXPECT_EQ(reasons, (std::vector<TChangeReason>{crAccumulated}));
    EXPECT_FALSE(port.TimerRunning(StructureChangeTimer));
    EXPECT_FALSE(tree.TreeStates() & tsStructureChangePending);
}

TEST_F(BehaviourTest, StateChangesReportOnlyRealChanges)
{
    int raised = 0;
    tree.OnStateChange = [&](TBaseVirtualTree*, TVirtualTreeStates, TVirtualTreeStates) { ++raised; };
    tree.ChangeStates(tsHint, 0);
    tree.ChangeStates(tsHint, 0);
    tree.ChangeStates(0, tsHint);
    EXPECT_EQ(raised, 2);
}

TEST(PackArrayTest, PacksMarkedEntries)
{
    struct Case {
        std::vector<uintptr_t> entries;
        int32_t expected;
        std::vector<uintptr_t> left;
    };
    const std::vector<Case> cases = {
        {{}, -1, {}},
        {{16, 32, 48}, 3, {16, 32, 48}},
        {{17, 33}, 0, {}},
        {{16, 33, 48, 65, 80}, 3, {16, 48, 80}},
    };
    for (Case test : cases) {
        int32_t count = TBaseVirtualTree::PackArray(test.entries, int32_t(test.entries.size()));
        EXPECT_EQ(count, test.expected);
        if (count >= 0) {
            EXPECT_EQ(std::vector<uintptr_t>(test.entries.begin(), test.entries.begin() + count), test.left);
        }
    }
}

TEST_F(BehaviourTest, SelectionRules)
{
    auto& options = tree.TreeOptions();
    int changes = 0;
    tree.OnChange = [&](TBaseVirtualTree*, PVirtualNode) { ++changes; };
    EXPECT_TRUE(tree.AddNodeToSelection(a1));
    EXPECT_FALSE(tree.AddNodeToSelection(a1));   // already selected: nothing, no notification
    EXPECT_EQ(changes, 1);
    tree.ClearSelection();

    options.SetSelectionOptions(toMultiSelect | toLevelSelectConstraint);
    tree.AddNodeToSelection(a1);
    EXPECT_FALSE(tree.AddNodeToSelection(b));
    options.SetSelectionOptions(toMultiSelect | toSiblingSelectConstraint);
    tree.AddNodeToSelection(a1);
    EXPECT_FALSE(tree.AddNodeToSelection(a21));
    EXPECT_TRUE(tree.AddNodeToSelection(a2));
    EXPECT_EQ(tree.SelectedCount(), 2);

    options.SetSelectionOptions(toMultiSelect);
    tree.ClearSelection();
    tree.SetFocusedNode(c);
    tree.AddNodeToSelection(b);
    tree.RemoveFromSelection(b);
    EXPECT_EQ(tree.SelectedCount(), 0);
    EXPECT_EQ(tree.RangeAnchor(), c);   // reset to the focused node

    tree.FullExpand();
    tree.AddNodeToSelection(a);
    tree.AddNodeToSelection(a21);
    EXPECT_EQ(Names(tree, tree.GetSortedSelection(true)), "a");
    EXPECT_EQ(Names(tree, tree.GetSortedSelection(false)), "a 3");

    tree.SelectRange(a1, b, false);
    EXPECT_EQ(Names(tree, tree.GetSortedSelection(false)), "1 2 3 b");
    tree.InvertSelection(false);
    EXPECT_EQ(Names(tree, tree.GetSortedSelection(false)), "a c");
}

TEST_F(BehaviourTest, SelectAllAndInvertNeedMultiSelect)
{
    tree.SelectAll(false);
    tree.InvertSelection(false);
    EXPECT_EQ(tree.SelectedCount(), 0);
    tree.TreeOptions().SetSelectionOptions(toMultiSelect);
    tree.SelectAll(true);   // a2's child is inside a collapsed parent
    EXPECT_EQ(Names(tree, tree.GetSortedSelection(false)), "a b c");
    tree.SelectAll(false);
    EXPECT_EQ(tree.SelectedCount(), 6);
}

TEST_F(BehaviourTest, CutAndCopyMarks)
{
    port.SetHandleAllocated(true);
    tree.TreeOptions().SetSelectionOptions(toMultiSelect);
    tree.AddNodeToSelection(b);
    tree.AddNodeToSelection(c);
    tree.CopyToClipBoard();
    EXPECT_EQ(tree.CutCopyCount(), 2);
    tree.FinishCutOrCopy();   // a copy needs no finishing
    EXPECT_EQ(tree.RootNodeCount(), 2u + 1u);
    tree.CancelCutOrCopy();
    EXPECT_EQ(tree.CutCopyCount(), 0);

    port.SetClipboardAccepts(false);
    tree.CutToClipBoard();
    EXPECT_FALSE(tree.TreeStates() & tsCutPending);
    port.SetClipboardAccepts(true);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    tree.CutToClipBoard();
    EXPECT_FALSE(tree.TreeStates() & tsCutPending);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() & ~toReadOnly);
    tree.CutToClipBoard();
    tree.FinishCutOrCopy();
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    ExpectConsistent(tree);
}

TEST_F(BehaviourTest, TriStateCheckPropagation)
{
    PVirtualNode parent = tree.AddChild(nullptr);
    std::vector<PVirtualNode> kids;
    tree.SetCheckType(parent, ctTriStateCheckBox);
    for (int i = 0; i < 3; ++i) {
        kids.push_back(tree.AddChild(parent));
        tree.SetCheckType(kids.back(), ctCheckBox);
    }
    tree.SetCheckState(parent, csCheckedNormal);
    for (PVirtualNode kid : kids)
        EXPECT_EQ(kid->CheckState, csCheckedNormal);
    EXPECT_EQ(parent->CheckState, csCheckedNormal);
    tree.SetCheckState(kids[0], csUncheckedNormal);
    EXPECT_EQ(parent->CheckState, csMixedNormal);
    tree.SetCheckState(kids[1], csUncheckedNormal);
    tree.SetCheckState(kids[2], csUncheckedNormal);
    EXPECT_EQ(parent->CheckState, csUncheckedNormal);

    tree.OnChecking = [&](TBaseVirtualTree*, PVirtualNode n, TCheckState&, bool& allowed) { allowed = n != kids[1]; };
    tree.SetCheckState(parent, csCheckedNormal);
    EXPECT_EQ(kids[1]->CheckState, csUncheckedNormal);
    EXPECT_EQ(parent->CheckState, csMixedNormal);
    EXPECT_EQ(tree.CheckedCount(), 2);
    tree.OnChecking = nullptr;
    tree.ClearChecked();
    EXPECT_EQ(tree.CheckedCount(), 0);
}

TEST_F(BehaviourTest, RadioButtonsDisabledNodesAndReadOnly)
{
    std::vector<PVirtualNode> radios;
    for (int i = 0; i < 3; ++i) {
        radios.push_back(tree.AddChild(c));
        tree.SetCheckType(radios.back(), ctRadioButton);
    }
    tree.SetCheckState(radios[0], csCheckedNormal);
    int checking = 0;
    tree.OnChecking = [&](TBaseVirtualTree*, PVirtualNode, TCheckState&, bool&) { ++checking; };
    tree.SetCheckState(radios[1], csCheckedNormal);
    EXPECT_EQ(checking, 1);   // the sibling was unchecked without events
    EXPECT_EQ(radios[0]->CheckState, csUncheckedNormal);
    tree.SetIsDisabled(radios[2], true);
    tree.SetCheckState(radios[2], csCheckedNormal);
    EXPECT_EQ(radios[2]->CheckState, csUncheckedNormal);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    tree.SetCheckState(radios[0], csCheckedNormal);
    EXPECT_EQ(radios[0]->CheckState, csUncheckedNormal);
    EXPECT_EQ(checking, 1);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() & ~toReadOnly);

    struct Case { TCheckType type; TCheckState from, to; };
    for (Case test : {Case{ctCheckBox, csCheckedNormal, csUncheckedNormal}, Case{ctTriStateCheckBox, csMixedNormal, csCheckedNormal},
                      Case{ctRadioButton, csUncheckedNormal, csCheckedNormal}, Case{ctButton, csCheckedNormal, csUncheckedNormal},
                      Case{ctNone, csUncheckedNormal, csMixedNormal}})
        EXPECT_EQ(tree.NextCheckState(test.type, test.from), test.to);
}

class SortTest : public TreeTest {
public:
    void TearDown() override { DropHandlers(tree); }
    TestTree tree;
    void SetUp() override
    {
        TreeTest::SetUp();
        tree.SetNodeDataSize(8);
        tree.OnCompareNodes = [](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex, int& result) {
            // Keys are the upper-case letters; case only tells equal keys apart.
            char16_t kx = *t->GetNodeData<char16_t>(x) & ~0x20, ky = *t->GetNodeData<char16_t>(y) & ~0x20;
            result = kx < ky ? -1 : kx > ky ? 1 : 0;
        };
    }
    std::string Level(PVirtualNode parent)
    {
        std::vector<PVirtualNode> nodes;
        for (PVirtualNode n = tree.GetFirstChildNoInit(parent); n; n = n->NextSibling)
            nodes.push_back(n);
        return Names(tree, nodes);
    }
};

TEST_F(SortTest, SortingIsStableInBothDirections)
{
    struct Case { const char* input; TSortDirection direction; const char* expected; };
    for (Case test : {Case{"bAaBc", sdAscending, "A a b B c"}, Case{"bAaBc", sdDescending, "c b B A a"}, Case{"abc", sdAscending, "a b c"},
                      Case{"x", sdAscending, "x"}}) {
        tree.Clear();
        for (const char* p = test.input; *p; ++p)
            Add(tree, nullptr, *p);
        tree.SortTree(0, test.direction);
        EXPECT_EQ(Level(nullptr), test.expected);
        ExpectConsistent(tree);
    }
}

// A handler that never answers 0 (ascending, -1 for equal keys; descending, +1) still keeps
// nodes with equal keys in their former order, in short levels and in long ones that are merged.
TEST_F(SortTest, AHandlerThatNeverAnswersEqualKeepsEqualKeysInOrder)
{
    struct Item { uint32_t key, sequence; };
    tree.SetNodeDataSize(sizeof(Item));
    struct Case { TSortDirection direction; uint32_t count; };
    for (Case test : {Case{sdAscending, 7}, Case{sdDescending, 7}, Case{sdAscending, 20000}, Case{sdDescending, 20000}}) {
        SCOPED_TRACE(testing::Message() << test.count << " nodes, direction " << int(test.direction));
        tree.OnCompareNodes = [&](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex, int& result) {
            uint32_t kx = t->GetNodeData<Item>(x)->key, ky = t->GetNodeData<Item>(y)->key;
            if (kx == ky)
                result = test.direction == sdAscending ? -1 : 1;
            else
                result = kx < ky ? -1 : 1;
        };
        tree.Clear();
        tree.BeginUpdate();
        std::vector<Item> expected;
        for (uint32_t i = 0; i < test.count; ++i) {
            Item item{(i * 7919u) % (test.count / 3 + 1), i};
            *tree.GetNodeData<Item>(tree.AddChild(nullptr)) = item;
            expected.push_back(item);
        }
        tree.EndUpdate();
        std::stable_sort(expected.begin(), expected.end(), [&](const Item& x, const Item& y) {
            return test.direction == sdAscending ? x.key < y.key : x.key > y.key;
        });
        tree.SortTree(0, test.direction);
        size_t i = 0;
        for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n; n = n->NextSibling, ++i)
            ASSERT_EQ(tree.GetNodeData<Item>(n)->sequence, expected[i].sequence) << "place " << i;
        EXPECT_EQ(i, expected.size());
        ExpectConsistent(tree);
    }
}

TEST_F(SortTest, AThrowingCompareLeavesEveryNodeInItsPlace)
{
    for (const char* p = "dcbaef"; *p; ++p)
        Add(tree, nullptr, *p);
    int calls = 0;
    auto compare = tree.OnCompareNodes;
    tree.OnCompareNodes = [&](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex col, int& r) {
        if (++calls == 4)
            throw std::runtime_error("compare failed");
        compare(t, x, y, col, r);
    };
    EXPECT_THROW(tree.SortTree(0, sdAscending), std::runtime_error);
    EXPECT_EQ(Level(nullptr), "d c b a e f");
    ExpectConsistent(tree);
    EXPECT_EQ(tree.UpdateCount(), 0u);
}

// A descendant's own compare step decides the order, not the event behind the base step; without
// either, every level keeps its order.
TEST_F(SortTest, AnOverriddenCompareStepIsUsed)
{
    struct Reversing : TestTree {
        int DoCompare(PVirtualNode x, PVirtualNode y, TColumnIndex column) override
        {
            return -TestTree::DoCompare(x, y, column);
        }
    };
    for (uint32_t count : {5u, 5000u}) {
        for (int overridden = 0; overridden < 2; ++overridden) {
            std::unique_ptr<TestTree> sorted = overridden ? std::make_unique<Reversing>() : std::make_unique<TestTree>();
            sorted->SetNodeDataSize(sizeof(uint32_t));
            sorted->OnCompareNodes = [](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex, int& result) {
                uint32_t kx = *t->GetNodeData<uint32_t>(x), ky = *t->GetNodeData<uint32_t>(y);
                result = kx < ky ? -1 : kx > ky ? 1 : 0;
            };
            for (uint32_t i = 0; i < count; ++i)
                *sorted->GetNodeData<uint32_t>(sorted->AddChild(nullptr)) = (i * 7919u) % count;
            sorted->SortTree(0, sdAscending);
            uint32_t expected = overridden ? count - 1 : 0;
            for (PVirtualNode n = sorted->GetFirstChildNoInit(nullptr); n; n = n->NextSibling, expected += overridden ? -1 : 1)
                ASSERT_EQ(*sorted->GetNodeData<uint32_t>(n), expected) << count << " nodes, overridden " << overridden;
            sorted->OnCompareNodes = nullptr;
            sorted->SortTree(0, sdDescending);
            EXPECT_EQ(*sorted->GetNodeData<uint32_t>(sorted->GetFirstChildNoInit(nullptr)), overridden ? count - 1 : 0);
            ExpectConsistent(*sorted);
        }
    }
}

// In a long level where a single node has children, or a single node is still uninitialised, the
// level below that node is sorted too (and the node initialised) wherever it lands.
TEST_F(SortTest, SortTreeReachesTheOneNodeOfALongLevelThatHasChildren)
{
    for (int position : {0, 1500, 2999}) {
        for (bool uninitialised : {false, true}) {
            SCOPED_TRACE(testing::Message() << "position " << position << (uninitialised ? ", uninitialised" : ""));
            tree.Clear();
            tree.BeginUpdate();
            PVirtualNode special = nullptr;
            for (int i = 0; i < 3000; ++i) {
                // Keys from 'a' to 'y' in scattered order; the special node gets the key that
                // puts it at the position tried (first, middle or last after sorting).
                char key = char('a' + (i * 7) % 25);
                PVirtualNode node = Add(tree, nullptr, key);
                if (i == 0)
                    special = node;
            }
            *tree.GetNodeData<char16_t>(special) = position == 0 ? u'A' : position == 2999 ? u'Z' : u'm';
            for (const char* p = "cba"; *p; ++p)
                Add(tree, special, *p);
            tree.EndUpdate();
            if (uninitialised)
                ExcludeStates(special, vsInitialized);
            tree.SortTree(0, sdAscending, true);
            EXPECT_EQ(Level(special), "a b c");
            EXPECT_TRUE(HasState(special, vsInitialized));
            if (position != 1500) {
                EXPECT_EQ(special->Index, uint32_t(position));
            }
            char16_t previous = 0;
            for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n; n = n->NextSibling) {
                char16_t key = *tree.GetNodeData<char16_t>(n) & ~0x20;
                ASSERT_LE(previous, key);
                previous = key;
            }
            ExpectConsistent(tree);
        }
    }
}

// A node initialised by the sort that deletes a sibling and adds another: the sort takes the level
// as it is afterwards.
TEST_F(SortTest, ALevelChangedWhileItIsInitialisedIsSortedAsItIsThen)
{
    tree.BeginUpdate();
    for (int i = 0; i < 50; ++i)
        ExcludeStates(Add(tree, nullptr, char('b' + (i * 7) % 24)), vsInitialized);
    tree.EndUpdate();
    bool added = false;
    tree.OnInitNode = [&](TBaseVirtualTree* t, PVirtualNode, PVirtualNode node, TVirtualNodeInitStates&) {
        if (!added && *t->GetNodeData<char16_t>(node) == u'm') {
            added = true;
            // Both among the nodes already initialised, so that their number stays the same.
            PVirtualNode first = tree.InsertNode(tree.GetFirstChildNoInit(nullptr), amInsertBefore);
            *tree.GetNodeData<char16_t>(first) = u'a';
            tree.DeleteNode(first->NextSibling);
        }
    };
    tree.SortTree(0, sdAscending, true);
    EXPECT_TRUE(added);
    EXPECT_EQ(tree.RootNodeCount(), 50u);
    EXPECT_EQ(*tree.GetNodeData<char16_t>(tree.GetFirstChildNoInit(nullptr)), u'a');
    char16_t previous = 0;
    for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n; n = n->NextSibling) {
        EXPECT_LE(previous, *tree.GetNodeData<char16_t>(n));
        previous = *tree.GetNodeData<char16_t>(n);
    }
    ExpectConsistent(tree);
}

TEST_F(SortTest, SortTreeWithoutInitLeavesUninitialisedLevels)
{
    PVirtualNode p = Add(tree, nullptr, 'p');
    for (const char* s = "cba"; *s; ++s)
        Add(tree, p, *s);
    ExcludeStates(p, vsInitialized);
    tree.SortTree(0, sdAscending, false);
    EXPECT_EQ(Level(p), "c b a");
    tree.SortTree(InvalidColumn, sdAscending, true);
    EXPECT_EQ(Level(p), "c b a");
    tree.SortTree(0, sdAscending, true);
    EXPECT_EQ(Level(p), "a b c");
}

// Long levels go through the merging and its cache blocks, not only the short runs.
TEST_F(SortTest, LongLevelsSortLikeAStableSortAndSurviveAThrowingCompare)
{
    struct Item { uint32_t key, sequence; };
    tree.OnCompareNodes = [](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex, int& result) {
        uint32_t kx = t->GetNodeData<Item>(x)->key, ky = t->GetNodeData<Item>(y)->key;
        result = kx < ky ? -1 : kx > ky ? 1 : 0;
    };
    const uint32_t count = 20000;
    auto fill = [&] {
        tree.Clear();
        tree.BeginUpdate();
        for (uint32_t i = 0; i < count; ++i)
            *tree.GetNodeData<Item>(tree.AddChild(nullptr)) = Item{(i * 7919u) % 613u, i};
        tree.EndUpdate();
    };
    auto level = [&] {
        std::vector<uint32_t> sequences;
        for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n; n = n->NextSibling)
            sequences.push_back(tree.GetNodeData<Item>(n)->sequence);
        return sequences;
    };
    int calls = 0;
    auto compare = tree.OnCompareNodes;
    tree.OnCompareNodes = [&](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex col, int& r) {
        ++calls;
        compare(t, x, y, col, r);
    };
    int sortCalls = 0;
    for (TSortDirection direction : {sdAscending, sdDescending}) {
        fill();
        calls = 0;
        std::vector<Item> expected;
        for (uint32_t i = 0; i < count; ++i)
            expected.push_back(Item{(i * 7919u) % 613u, i});
        std::stable_sort(expected.begin(), expected.end(), [&](const Item& x, const Item& y) {
            return direction == sdAscending ? x.key < y.key : x.key > y.key;
        });
        std::vector<uint32_t> sequences;
        for (const Item& item : expected)
            sequences.push_back(item.sequence);
        tree.SortTree(0, direction);
        sortCalls = calls;
        EXPECT_EQ(level(), sequences);
        tree.SortTree(0, direction);   // sorted runs are recognised and kept as they are
        EXPECT_EQ(level(), sequences);
        ExpectConsistent(tree);
    }

    // The failure comes in the last merge, when nearly everything has been compared.
    fill();
    std::vector<uint32_t> before = level();
    calls = 0;
    tree.OnCompareNodes = [&](TBaseVirtualTree* t, PVirtualNode x, PVirtualNode y, TColumnIndex col, int& r) {
        if (++calls == sortCalls - 100)
            throw std::runtime_error("compare failed");
        compare(t, x, y, col, r);
    };
    EXPECT_THROW(tree.SortTree(0, sdAscending), std::runtime_error);
    EXPECT_EQ(level(), before);
    EXPECT_EQ(tree.RootNodeCount(), count);
    ExpectConsistent(tree);
    EXPECT_EQ(tree.UpdateCount(), 0u);
}

// A handler whose answers contradict one another (a key that changes under the sort, a broken
// comparison) gives some order, but every node stays in the level exactly once.
TEST_F(SortTest, AHandlerThatContradictsItselfLosesNoNode)
{
    struct Case { const char* name; int (*answer)(uint32_t call); };
    for (Case test : {Case{"scattered", [](uint32_t call) { return int((call * 2654435761u) >> 31) * 2 - 1; }},
                      Case{"always after", [](uint32_t) { return 1; }}, Case{"always before", [](uint32_t) { return -1; }}}) {
        for (uint32_t count : {7u, 100u, 20000u}) {
            SCOPED_TRACE(testing::Message() << test.name << ", " << count << " nodes");
            uint32_t calls = 0;
            tree.OnCompareNodes = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex, int& result) {
                result = test.answer(++calls);
            };
            tree.Clear();
            tree.BeginUpdate();
            for (uint32_t i = 0; i < count; ++i)
                *tree.GetNodeData<uint32_t>(tree.AddChild(nullptr)) = i;
            tree.EndUpdate();
            tree.SortTree(0, sdAscending);
            std::vector<uint32_t> found;
            for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n && found.size() <= count; n = n->NextSibling)
                found.push_back(*tree.GetNodeData<uint32_t>(n));
            std::sort(found.begin(), found.end());
            ASSERT_EQ(found.size(), count);
            for (uint32_t i = 0; i < count; ++i)
                ASSERT_EQ(found[i], i);
            ExpectConsistent(tree);
        }
    }
}

// A level whose nodes expand while SortTree visits them still has every level sorted.
TEST_F(SortTest, SortTreeFollowsLevelsThatChangeWhileItVisitsThem)
{
    struct LateInitTree : TestTree {
        using TestTree::TestTree;
        void Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction, bool) override
        {
            TestTree::Sort(node, column, direction, false);   // leaves the visit to initialise
        }
    } late;
    late.SetNodeDataSize(8);
    late.OnCompareNodes = tree.OnCompareNodes;
    late.OnInitNode = [](TBaseVirtualTree*, PVirtualNode parent, PVirtualNode, TVirtualNodeInitStates& states) {
        if (!parent)
            states |= ivsHasChildren | ivsExpanded;
    };
    const char16_t* names = u"cba";
    late.OnInitChildren = [&](TBaseVirtualTree* t, PVirtualNode node, uint32_t& count) {
        count = 3;
        t->SetChildCount(node, 3);
        int i = 0;
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
            *t->GetNodeData<char16_t>(child) = names[i++];
    };
    for (const char* p = "zyx"; *p; ++p)
        *late.GetNodeData<char16_t>(late.AddChild(nullptr)) = char16_t(*p);
    for (PVirtualNode n = late.GetFirstChildNoInit(nullptr); n; n = n->NextSibling)
        ExcludeStates(n, vsInitialized);
    late.SortTree(0, sdAscending, true);
    std::vector<PVirtualNode> top;
    for (PVirtualNode n = late.GetFirstChildNoInit(nullptr); n; n = n->NextSibling)
        top.push_back(n);
    EXPECT_EQ(Names(late, top), "x y z");
    for (PVirtualNode parent : top) {
        std::vector<PVirtualNode> children;
        for (PVirtualNode n = late.GetFirstChildNoInit(parent); n; n = n->NextSibling)
            children.push_back(n);
        EXPECT_EQ(Names(late, children), "a b c");
    }
    ExpectConsistent(late);
    DropHandlers(late);
}

TEST(OptionsTest, DefaultsAndAssignment)
{
    TStringTreeOptions options(nullptr);
    EXPECT_EQ(options.AutoOptions(), 329);
    EXPECT_EQ(options.MiscOptions(), 16809);
    EXPECT_EQ(options.PaintOptions(), 7008);
    EXPECT_EQ(options.SelectionOptions(), 0);
    EXPECT_EQ(options.StringOptions(), 5);
    EXPECT_TRUE(options.MiscOptions() & toAcceptOLEDrop);
    EXPECT_TRUE(options.MiscOptions() & toEditOnClick);
    TStringTreeOptions other(nullptr);
    other.SetPaintOptions(toShowRoot);
    other.SetStringOptions(toShowStaticText);
    other.SetExportMode(emChecked);
    options.Assign(other);
    EXPECT_EQ(options.PaintOptions(), uint32_t(toShowRoot));
    EXPECT_EQ(options.StringOptions(), toShowStaticText);
    EXPECT_EQ(options.ExportMode(), emAll);
}

// Offsets are 0 or negative: a node's client top is its absolute top plus the vertical offset.
TEST_F(BehaviourTest, InvalidationOfAScrolledTreeHitsTheNodesOwnRows)
{
    port.SetHandleAllocated(true);
    port.SetClientSize(TSize{100, 200});
    tree.FullExpand();
    tree.SetOffsetXY(0, -18);   // one row scrolled away (default rows are 18 high)
    port.ClearLog();
    tree.InvalidateNode(a1);
    tree.InvalidateToBottom(b);
    const uint32_t a1Top = tree.GetNodeTop(a1), bTop = tree.GetNodeTop(b);
    std::vector<std::string> expected{
        "invalidate " + std::to_string(a1Top - 18) + ".." + std::to_string(a1Top),
        "invalidate " + std::to_string(bTop - 18) + "..200",
    };
    EXPECT_EQ(port.Log(), expected);
}

} // namespace
} // namespace treeview::test
