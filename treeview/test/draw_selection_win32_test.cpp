// Rubber-band selection in a real form: the band selects the rows whose text it touches, drops the
// rows that leave it, toggles with Ctrl and, in the simple mode, goes by the rows' height only.
#include "treeview/custom_tree_control.h"
#include "ui/test/uitest.h"
#include "treeview/test/treeform_win32.h"
#include <set>

namespace treeview::test {
namespace {

constexpr int BandTextWidth = 60;
constexpr int RowHeight = 20;

class BandTree : public TCustomVirtualTreeControl {
public:
    using TCustomVirtualTreeControl::TCustomVirtualTreeControl;

protected:
    int DoGetNodeWidth(PVirtualNode, TColumnIndex) override { return BandTextWidth; }
};

class DrawSelection : public TreeInForm<BandTree> {
protected:
    DrawSelection()
    {
        tree->TreeOptions().SetSelectionOptions(toMultiSelect);
        tree->SetDefaultNodeHeight(RowHeight);
        form->Show();
        tree->SetRootNodeCount(30);
        Pump();
        textLeft = tree->Margin() + ((tree->TreeOptions().PaintOptions() & toShowRoot) ? int(tree->Indent()) : 0);
    }

    LRESULT Send(UINT msg, WPARAM w, int x, int y) { return SendMessageW(tree->Handle(), msg, w, MAKELPARAM(x, y)); }
    // Presses at from, moves through each of to and releases at the last.
    void Drag(POINT from, std::initializer_list<POINT> to, WPARAM keys = 0)
    {
        Send(WM_LBUTTONDOWN, MK_LBUTTON | keys, from.x, from.y);
        POINT last = from;
        for (POINT p : to) {
            Send(WM_MOUSEMOVE, MK_LBUTTON | keys, p.x, p.y);
            last = p;
        }
        Send(WM_LBUTTONUP, keys, last.x, last.y);
    }
    std::set<uint32_t> SelectedRows()
    {
        std::set<uint32_t> rows;
        for (PVirtualNode n = tree->GetFirst(); n; n = tree->GetNextSibling(n))
            if (tree->Selected(n))
                rows.insert(n->Index);
        return rows;
    }

    int textLeft = 0;
};

TEST_F(DrawSelection, BandSelectsRowsAndDropsThoseThatLeaveIt)
{
    // Pressed right of row 2's text, the band grows over rows 2..6 towards the text, then shrinks.
    const int x = textLeft + 200;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, x, 45);
    Send(WM_MOUSEMOVE, MK_LBUTTON, textLeft + 30, 125);
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 3, 4, 5, 6}));
    EXPECT_EQ(tree->SelectedCount(), 5);
    Send(WM_MOUSEMOVE, MK_LBUTTON, textLeft + 30, 85);
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 3, 4}));
    // Leaving the text horizontally drops every row.
    Send(WM_MOUSEMOVE, MK_LBUTTON, textLeft + BandTextWidth + 20, 85);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(tree->SelectedCount(), 0);
    Send(WM_MOUSEMOVE, MK_LBUTTON, textLeft + BandTextWidth, 85);   // touching the text's right edge counts
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 3, 4}));
    Send(WM_LBUTTONUP, 0, textLeft + BandTextWidth, 85);
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 3, 4}));
    EXPECT_FALSE(tree->IsMouseSelecting());
}

TEST_F(DrawSelection, CtrlBandTogglesRowsAndRestoresThoseThatLeaveIt)
{
    const int x = textLeft + 200;
    Drag({x, 45}, {{textLeft + 30, 125}});
    ASSERT_EQ(SelectedRows(), (std::set<uint32_t>{2, 3, 4, 5, 6}));
    int changes = 0;
    tree->OnChange = [&](TBaseVirtualTree*, PVirtualNode) { ++changes; };
    Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, x, 65);
    Send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, textLeft + 30, 105);   // over rows 3..5
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 6}));
    EXPECT_GT(changes, 0);
    Send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, textLeft + 30, 165);   // rows 6..8 enter: 6 off, 7 and 8 on
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 7, 8}));
    Send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, textLeft + 30, 75);    // back to row 3 only
    EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 4, 5, 6}));
    Send(WM_LBUTTONUP, MK_CONTROL, textLeft + 30, 75);
    EXPECT_EQ(tree->SelectedCount(), 4);
    tree->OnChange = nullptr;
}

TEST_F(DrawSelection, SimpleModeGoesByVerticalOverlapOnly)
{
    struct Case {
        TVTSelectionOptions extra;
        std::set<uint32_t> expected;
    };
    const Case cases[] = {{0, {}}, {toSimpleDrawSelection, {2, 3, 4, 5, 6}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra);
        tree->ClearSelection();
        tree->TreeOptions().SetSelectionOptions(TVTSelectionOptions(toMultiSelect | c.extra));
        // The band stays right of every row's text.
        Drag({textLeft + 200, 45}, {{textLeft + 150, 125}});
        EXPECT_EQ(SelectedRows(), c.expected);
    }
}

TEST_F(DrawSelection, RightToLeftBandFindsTheTextAtTheRowsRightEnd)
{
    // The same strokes in both reading orders, mirrored in the client area for right to left.
    for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
        tree->SetBiDiMode(mode);
        Pump();
        const int width = tree->ClientWidth();
        auto x = [&](int ltr) { return mode == bdRightToLeft ? width - ltr : ltr; };
        Send(WM_LBUTTONDOWN, MK_LBUTTON, x(textLeft + 200), 45);
        Send(WM_MOUSEMOVE, MK_LBUTTON, x(textLeft + 30), 125);
        EXPECT_EQ(SelectedRows(), (std::set<uint32_t>{2, 3, 4, 5, 6})) << int(mode);
        Send(WM_MOUSEMOVE, MK_LBUTTON, x(textLeft + BandTextWidth + 20), 125);
        EXPECT_TRUE(SelectedRows().empty()) << int(mode);
        Send(WM_LBUTTONUP, 0, x(textLeft + BandTextWidth + 20), 125);
    }
}

} // namespace
} // namespace treeview::test
