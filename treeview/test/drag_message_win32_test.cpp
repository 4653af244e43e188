// Drags of the class library reach the tree as CM_DRAG: enter, move and leave go through the tree's
// drag-over step, the drop restores the target the last step left, find-target answers the control
// under the point and turns a pending drag into a running one.
#include "treeview/tree_control.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"
#include "treeview/test/treeform_win32.h"
#include <vector>

namespace treeview::test {
namespace {

constexpr int RowHeight = 20;

// The drag half as a recorder: every position over a row is accepted for a copy above that row.
class DragTree : public TVirtualTreeControl {
public:
    using TVirtualTreeControl::TVirtualTreeControl;
    using TVirtualTreeControl::ChangeStates;

    struct Over {
        core::Object* source;
        DWORD keys, effectIn;
        POINT pt;
        TDragState state;
    };
    struct Drop {
        core::Object* source;
        PVirtualNode target;
        POINT pt;
        DWORD effect;
        TDropMode mode;
    };
    std::vector<Over> Overs;
    std::vector<Drop> Drops;

protected:
    HRESULT HandleOLEDragOver(core::Object* source, DWORD keys, POINT pt, DWORD& effect, TDragState state) override
    {
        Overs.push_back({source, keys, effect, pt, state});
        ::ScreenToClient(Handle(), &pt);
        StoreDropTargetNode(state == dsDragLeave ? DropTargetNode() : GetNodeAt(pt.x, pt.y));
        SetLastDropMode(dmAbove);
        effect = DropTargetNode() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    void DoVCLDragDrop(core::Object* source, POINT pt, DWORD effect, TDropMode mode) override
    {
        Drops.push_back({source, DropTargetNode(), pt, effect, mode});
    }
};

class DragMessages : public TreeInForm<DragTree> {
protected:
    DragMessages()
    {
        tree->SetDefaultNodeHeight(RowHeight);
        source = new ui::Panel(form.get());
        source->SetParent(form.get());
        source->SetBounds(0, 0, 5, 5);
        drag.Control = source;
        form->Show();
        tree->SetRootNodeCount(10);
        Pump();
    }

    LRESULT Drag(TDragMessage step, int x, int y, bool docking = false)
    {
        TDragRec rec;
        rec.Pos = POINT{x, y};
        ClientToScreen(tree->Handle(), &rec.Pos);
        rec.Source = &drag;
        rec.Docking = docking;
        return SendMessageW(tree->Handle(), CM_DRAG, step, LPARAM(&rec));
    }
    PVirtualNode Node(uint32_t index)
    {
        PVirtualNode node = tree->GetFirst();
        while (node && node->Index != index)
            node = tree->GetNextSibling(node);
        return node;
    }

    ui::Panel* source = nullptr;
    TDragObject drag;
};

TEST_F(DragMessages, EnterMoveLeaveAndDropGoThroughTheDragSteps)
{
    // Enter over row 1: running, accepted, the source is the drag object's control.
    EXPECT_EQ(Drag(dmDragEnter, 50, 1 * RowHeight + 5), 1);
    EXPECT_TRUE(tree->TreeStates() & tsVCLDragging);
    EXPECT_EQ(tree->DropTargetNode(), Node(1));
    ASSERT_EQ(tree->Overs.size(), 1u);
    EXPECT_EQ(tree->Overs[0].source, source);
    EXPECT_EQ(tree->Overs[0].state, dsDragEnter);
    EXPECT_EQ(tree->Overs[0].effectIn, DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE));
    POINT screen{50, 1 * RowHeight + 5};
    ClientToScreen(tree->Handle(), &screen);
    EXPECT_EQ(tree->Overs[0].pt.x, screen.x);
    EXPECT_EQ(tree->Overs[0].pt.y, screen.y);

    // Move over row 3, then below the rows: refused there.
    EXPECT_EQ(Drag(dmDragMove, 50, 3 * RowHeight + 5), 1);
    EXPECT_EQ(tree->DropTargetNode(), Node(3));
    EXPECT_EQ(Drag(dmDragMove, 50, 12 * RowHeight), 0);
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
    EXPECT_EQ(Drag(dmDragMove, 50, 4 * RowHeight + 5), 1);
    EXPECT_EQ(tree->Overs.back().state, dsDragMove);

    // The leave before the drop clears the target; the drop restores it for its step.
    Drag(dmDragLeave, 50, 4 * RowHeight + 5);
    EXPECT_EQ(tree->Overs.back().state, dsDragLeave);
    EXPECT_FALSE(tree->TreeStates() & tsVCLDragging);
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
    Drag(dmDragDrop, 50, 4 * RowHeight + 5);
    ASSERT_EQ(tree->Drops.size(), 1u);
    EXPECT_EQ(tree->Drops[0].source, source);
    EXPECT_EQ(tree->Drops[0].target, Node(4));
    EXPECT_EQ(tree->Drops[0].effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(tree->Drops[0].mode, dmAbove);
    EXPECT_EQ(tree->Drops[0].pt.y, 4 * RowHeight + 5);   // client coordinates
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
}

TEST_F(DragMessages, UserDragObjectsDockingAndTargets)
{
    // With an application's own drag object, the object itself is the source.
    tree->ChangeStates(tsUserDragObject, 0);
    Drag(dmDragEnter, 50, 5);
    ASSERT_EQ(tree->Overs.size(), 1u);
    EXPECT_EQ(tree->Overs[0].source, &drag);
    tree->ChangeStates(0, tsUserDragObject | tsVCLDragging);

    // Docking drags are not the tree's.
    EXPECT_EQ(Drag(dmDragEnter, 50, 5, true), 0);
    EXPECT_EQ(tree->Overs.size(), 1u);
    EXPECT_FALSE(tree->TreeStates() & tsVCLDragging);

    // Find target: the tree itself (it has no child controls here); a pending drag now runs.
    tree->ChangeStates(tsVCLDragPending | tsEditPending | tsClearPending, 0);
    EXPECT_EQ(Drag(dmFindTarget, 50, 5), LRESULT(static_cast<ui::Control*>(tree)));
    EXPECT_TRUE(tree->TreeStates() & tsVCLDragging);
    EXPECT_FALSE(tree->TreeStates() & (tsVCLDragPending | tsEditPending | tsClearPending));
    tree->ChangeStates(0, tsVCLDragging);
}

TEST_F(DragMessages, MovesNearAnEdgeStartTheAutoScroll)
{
    tree->SetRootNodeCount(40);
    tree->SetAutoScrollDelay(0);
    tree->TreeOptions().SetAutoOptions(TVTAutoOptions(tree->TreeOptions().AutoOptions() | toAutoScroll));
    RECT client{};
    GetClientRect(tree->Handle(), &client);
    Drag(dmDragEnter, 50, 100);
    Drag(dmDragMove, 50, 100);
    EXPECT_FALSE(tree->TreeStates() & (tsScrollPending | tsScrolling));
    Drag(dmDragMove, 50, client.bottom - 3);
    EXPECT_TRUE(tree->TreeStates() & tsScrollPending);
    EXPECT_EQ(tree->ScrollDirections(), sdDown);
    Drag(dmDragMove, 50, 100);
    EXPECT_FALSE(tree->TreeStates() & (tsScrollPending | tsScrolling));
    Drag(dmDragLeave, 50, 100);
}

TEST_F(DragMessages, ADropAfterTheTargetWasDeletedHasNoTarget)
{
    Drag(dmDragEnter, 50, 2 * RowHeight + 5);
    Drag(dmDragLeave, 50, 2 * RowHeight + 5);
    tree->DeleteNode(Node(2));
    Drag(dmDragDrop, 50, 2 * RowHeight + 5);
    ASSERT_EQ(tree->Drops.size(), 1u);
    EXPECT_EQ(tree->Drops[0].target, nullptr);
}

} // namespace
} // namespace treeview::test
