// Expanding and collapsing with the animation in a real window: the steps scroll the window's
// pixels (the rows below slide, the uncovered strip takes the tree's colour) and the toggle ends
// with the same picture and state as without the animation.
#include "treeview/custom_tree_control.h"
#include "ui/bitmap.h"
#include "ui/test/uitest.h"
#include "treeview/test/treeform_win32.h"
#include <vector>

namespace treeview::test {
namespace {

constexpr int RowHeight = 20;

// Each root row erased in a colour of its own, the children in one more; the clock moves one
// millisecond per reading so that the paced loop runs at once.
class AnimatedTree : public TCustomVirtualTreeControl {
public:
    using TCustomVirtualTreeControl::TCustomVirtualTreeControl;

    static ui::Color RowColor(PVirtualNode node)
    {
        return node->Parent->Parent ? ui::Color(RGB(250, 200, 0)) : ui::Color(RGB(node->Index * 12, 80, 160));
    }

    mutable uint32_t Now = 5000;
    std::vector<int> Steps;
    // Called after each step with the pixels scrolled so far.
    std::function<void(int scrolled)> AfterStep;

protected:
    uint32_t TickMilliseconds() const override { return Now++; }
    bool ToggleCallback(int step, TToggleAnimationData& data) override
    {
        bool go = TCustomVirtualTreeControl::ToggleCallback(step, data);
        if (step > 0) {
            Steps.push_back(step);
            if (AfterStep) {
                int scrolled = 0;
                for (int s : Steps)
                    scrolled += s;
                AfterStep(scrolled);
            }
        }
        return go;
    }
};

class ToggleAnimation : public TreeInForm<AnimatedTree> {
protected:
    ToggleAnimation()
    {
        tree->SetColor(ui::clWhite);
        tree->SetDefaultNodeHeight(RowHeight);
        tree->OnBeforeItemErase = [](TBaseVirtualTree*, TCanvas*, PVirtualNode node, const TRect&, ui::Color& color,
                                     TItemEraseAction& action) {
            color = AnimatedTree::RowColor(node);
            action = eaColor;
        };
        form->Show();
        tree->SetRootNodeCount(20);
        for (int i = 0; i < 3; ++i)
            tree->AddChild(Node(2));
        Pump();
    }
    ~ToggleAnimation() override
    {
        tree->OnBeforeItemErase = nullptr;
        tree->AfterStep = nullptr;
        form.reset();
    }

    PVirtualNode Node(uint32_t index)
    {
        PVirtualNode node = tree->GetFirst();
        while (node && node->Index != index)
            node = tree->GetNextSibling(node);
        return node;
    }
    // The window's pixels as they are on the screen now (not painted anew).
    std::unique_ptr<ui::Bitmap> Screen()
    {
        UpdateWindow(tree->Handle());
        RECT client{};
        GetClientRect(tree->Handle(), &client);
        auto bitmap = std::make_unique<ui::Bitmap>(client.right, client.bottom, ui::pf32bit);
        HDC dc = GetDC(tree->Handle());
        BitBlt(bitmap->Canvas().Handle(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(tree->Handle(), dc);
        return bitmap;
    }
    static bool SamePicture(ui::Bitmap& a, ui::Bitmap& b)
    {
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.PixelColor(x, y) != b.PixelColor(x, y))
                    return false;
        return true;
    }
    ui::Color ScreenPixel(int x, int y)
    {
        HDC dc = GetDC(tree->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(tree->Handle(), dc);
        return ui::Color(c);
    }
    struct State {
        bool expanded;
        uint32_t visibleCount, totalHeight;
        int offsetY;
        bool operator==(const State&) const = default;
    };
    State StateOf(PVirtualNode node)
    {
        return State{tree->Expanded(node), tree->VisibleCount(), tree->RootNode()->TotalHeight, tree->OffsetY()};
    }
    // Toggles node 2 and answers the screen and the state afterwards.
    std::pair<std::unique_ptr<ui::Bitmap>, State> Toggle()
    {
        tree->ToggleNode(Node(2));
        Pump();
        auto screen = Screen();
        return {std::move(screen), StateOf(Node(2))};
    }

};

TEST_F(ToggleAnimation, StepsScrollTheRowsAndEndWithThePictureOfThePlainToggle)
{
    const int x = 350;   // right of any button, line or text: only the row colours
    auto collapsedScreen = Screen();
    auto [plainExpanded, plainExpandedState] = Toggle();
    auto [plainCollapsed, plainCollapsedState] = Toggle();
    EXPECT_TRUE(tree->Steps.empty());   // no animation without the option
    EXPECT_TRUE(SamePicture(*collapsedScreen, *plainCollapsed));
    EXPECT_EQ(plainExpanded->PixelColor(x, 3 * RowHeight + 5), ui::Color(RGB(250, 200, 0)));

    tree->TreeOptions().SetAnimationOptions(toAnimatedToggle);
    // Expanding: the rows below node 2 (from y = 60) slide down, the strip above them is white.
    const ui::Color row3 = AnimatedTree::RowColor(Node(3));
    std::vector<bool> slid;
    tree->AfterStep = [&](int scrolled) {
        slid.push_back(ScreenPixel(x, 3 * RowHeight + scrolled + 5) == row3 &&
                       ScreenPixel(x, 3 * RowHeight + scrolled / 2) == ui::clWhite);
    };
    auto [animatedExpanded, animatedExpandedState] = Toggle();
    int total = 0;
    for (int step : tree->Steps)
        total += step;
    EXPECT_GT(tree->Steps.size(), 1u);
    EXPECT_EQ(total, 3 * RowHeight);
    EXPECT_EQ(slid, std::vector<bool>(tree->Steps.size(), true));
    EXPECT_TRUE(SamePicture(*plainExpanded, *animatedExpanded));
    EXPECT_EQ(animatedExpandedState, plainExpandedState);

    // Collapsing: the rows below the children slide up over them.
    tree->Steps.clear();
    tree->AfterStep = nullptr;
    auto [animatedCollapsed, animatedCollapsedState] = Toggle();
    EXPECT_GT(tree->Steps.size(), 1u);
    EXPECT_TRUE(SamePicture(*plainCollapsed, *animatedCollapsed));
    EXPECT_EQ(animatedCollapsedState, plainCollapsedState);
    EXPECT_FALSE(tree->TreeStates() & (tsInAnimation | tsToggling));
}

TEST_F(ToggleAnimation, AdvancedExpandNearTheBottomEndsLikeThePlainToggle)
{
    // Node 13 (rows 260..280 of 300) with children that do not fit below it: the row moves up while
    // the children come in.
    for (int i = 0; i < 4; ++i)
        tree->AddChild(Node(13));
    auto [plainExpanded, plainState] = [&] {
        tree->ToggleNode(Node(13));
        Pump();
        auto screen = Screen();
        return std::make_pair(std::move(screen), StateOf(Node(13)));
    }();
    tree->ToggleNode(Node(13));
    tree->SetOffsetY(0);
    Pump();
    tree->TreeOptions().SetAnimationOptions(toAnimatedToggle | toAdvancedAnimatedToggle);
    tree->ToggleNode(Node(13));
    Pump();
    EXPECT_FALSE(tree->Steps.empty());
    EXPECT_TRUE(SamePicture(*plainExpanded, *Screen()));
    EXPECT_EQ(StateOf(Node(13)), plainState);
}

} // namespace
} // namespace treeview::test
