// Shared helpers of the tree tests: a tree that opens its protected steps, a consistency check that
// recomputes every count and height from scratch, and small builders.
#pragma once
#include "treeview/recording_port.h"
#include "treeview/virtual_tree.h"
#include "core/thread.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace treeview::test {

class TestTree : public TBaseVirtualTree {
public:
    using TBaseVirtualTree::TBaseVirtualTree;
    using TBaseVirtualTree::AddNodeToSelection;
    using TBaseVirtualTree::ChangeStates;
    using TBaseVirtualTree::NextCheckState;
    using TBaseVirtualTree::RemoveFromSelection;
    using TBaseVirtualTree::SelectRange;
    using TBaseVirtualTree::ToggleRange;
    using TBaseVirtualTree::ValidatePositionCache;
    using TBaseVirtualTree::RangeAnchor;
};

// Recomputes what the tree keeps incrementally and compares.
inline void ExpectConsistent(TBaseVirtualTree& tree)
{
    struct Walk {
        TBaseVirtualTree& tree;
        uint32_t visible = 0;
        uint32_t Count(PVirtualNode node)
        {
            uint32_t total = 1, index = 0, children = 0;
            PVirtualNode prev = nullptr;
            for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
                EXPECT_EQ(child->Parent, node);
                EXPECT_EQ(child->Index, index++);
                EXPECT_EQ(child->PrevSibling, prev);
                prev = child;
                ++children;
                total += Count(child);
            }
            EXPECT_EQ(node->LastChild, prev);
            EXPECT_EQ(node->ChildCount, children);
            EXPECT_EQ(node->TotalCount, total);
            return total;
        }
        uint32_t Height(PVirtualNode node)
        {
            uint32_t sum = node->NodeHeight;
            for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
                uint32_t h = Height(child);
                if (HasState(node, vsExpanded) && tree.IsEffectivelyVisible(child))
                    sum += h;
            }
            EXPECT_EQ(node->TotalHeight, sum) << "node at level " << tree.GetNodeLevel(node);
            return sum;
        }
        void Visible(PVirtualNode node)
        {
            if (!HasState(node, vsExpanded))
                return;
            for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
                if (tree.IsEffectivelyVisible(child)) {
                    ++visible;
                    Visible(child);
                }
        }
    } walk{tree};
    walk.Count(tree.RootNode());
    walk.Height(tree.RootNode());
    walk.Visible(tree.RootNode());
    EXPECT_EQ(tree.VisibleCount(), walk.visible);
}

// Tree order as "a b c" of the names kept in a node's data (one char16_t per node).
inline std::string Names(TBaseVirtualTree& tree, const std::vector<PVirtualNode>& nodes)
{
    std::string out;
    for (PVirtualNode node : nodes) {
        if (!out.empty())
            out += ' ';
        out += char(*tree.GetNodeData<char16_t>(node));
    }
    return out;
}

inline PVirtualNode Add(TBaseVirtualTree& tree, PVirtualNode parent, char name)
{
    PVirtualNode node = tree.AddChild(parent);
    *tree.GetNodeData<char16_t>(node) = char16_t(name);
    return node;
}

// Handlers of a test capture its locals; they are dropped before the tree is destroyed.
inline void DropHandlers(TBaseVirtualTree& tree)
{
    tree.OnStateChange = nullptr;
    tree.OnChange = nullptr;
    tree.OnStructureChange = nullptr;
    tree.OnUpdating = nullptr;
    tree.OnFreeNode = nullptr;
    tree.OnResetNode = nullptr;
    tree.OnChecking = nullptr;
    tree.OnChecked = nullptr;
    tree.OnFocusChanging = nullptr;
    tree.OnFocusChanged = nullptr;
    tree.OnCompareNodes = nullptr;
    tree.OnInitNode = nullptr;
    tree.OnInitChildren = nullptr;
}

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override { core::SetMainThread(); }
};

} // namespace treeview::test
