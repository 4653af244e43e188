// A tree with a view on a recording window port, for the tests of columns, header, geometry and
// scrolling: rows answer a text width per column so that fitting and hit tests have content.
#pragma once
#include "tree_fixture.h"
#include "treeview/tree_viewport.h"
#include <vector>

namespace treeview::test {

class ViewTree : public TTreeViewport {
public:
    using TTreeViewport::TTreeViewport;
    using TTreeViewport::ChangeStates;
    int TextWidth = 40;
    int CheckWidth = 0;
    TSize Images{};
    // A clock that moves one millisecond per reading, plus what a test adds.
    mutable uint32_t Now = 1000;
    // The toggle animations asked for.
    std::vector<TToggleAnimationPlan> Plans;

protected:
    void AnimateToggle(const TToggleAnimationPlan& plan) override { Plans.push_back(plan); }
    uint32_t TickMilliseconds() const override { return Now++; }
    int DoGetNodeWidth(PVirtualNode node, TColumnIndex column) override
    {
        return column <= 0 ? TextWidth + int(node->Index) : 30;
    }
    int CheckImageWidth() const override { return CheckWidth; }
    TSize ImageSize(TVTImageKind kind) const override { return kind == TVTImageKind::ikNormal ? Images : TSize{}; }
};

class ViewTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        port.SetTree(&tree);
        port.SetClientSize(TSize{300, 200});
        tree.AfterConstruction();
        tree.SetDefaultNodeHeight(20);
    }
    void TearDown() override
    {
        DropHandlers(tree);
        tree.OnScroll = nullptr;
        tree.OnColumnResize = nullptr;
    }
    void AddColumns(std::initializer_list<int> widths)
    {
        for (int width : widths)
            tree.Header().Columns().Add().SetWidth(width);
    }
    TVirtualTreeColumns& Columns() { return tree.Header().Columns(); }
    std::vector<int> Widths()
    {
        std::vector<int> result;
        for (int i = 0; i < Columns().Count(); ++i)
            result.push_back(Columns()[i].Width());
        return result;
    }
    PVirtualNode Node(uint32_t index)
    {
        PVirtualNode node = tree.GetFirst();
        while (node && node->Index != index)
            node = tree.GetNextSibling(node);
        return node;
    }

    RecordingWindowPort port;
    ViewTree tree{&port};
};

} // namespace treeview::test
