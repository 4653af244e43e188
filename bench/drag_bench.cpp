// Benchmark of the drag image: 1,000 moves of 3 pixels (strips of the saved background copied)
// against 1,000 forced full updates of a 200 x 350 image, and rendering the selected rows into the
// drag image on a 1,000,000-node tree against a 100-node tree (only the rows around the hot spot
// are painted, so the two should cost about the same). Prints the times and their ratios.
// Run under Wine: scripts/wine-run build/win/bench/drag_bench.exe
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/form.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

using namespace treeview;

namespace {

constexpr int kBatches = 5;
constexpr int kMoves = 1000;

// Seconds of the fastest batch, so that other load on the machine weighs less.
double Fastest(const std::function<void()>& batch)
{
    double best = 1e9;
    for (int i = 0; i < kBatches; ++i) {
        const auto start = std::chrono::steady_clock::now();
        batch();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

struct TreeBench {
    std::unique_ptr<ui::Form> form{new ui::Form()};
    TVirtualStringTree* tree;

    explicit TreeBench(uint32_t nodes)
    {
        form->SetClientSize(400, 500);
        tree = new TVirtualStringTree(form.get());
        tree->SetParent(form.get());
        tree->SetBounds(0, 0, 400, 500);
        tree->SetDefaultNodeHeight(20);
        tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType, core::String& text) {
            text = u"node " + core::IntToStr(node->Index);
        };
        form->Show();
        tree->SetRootNodeCount(nodes);
        const auto start = std::chrono::steady_clock::now();
        while (nodes > CacheThreshold && !(tree->TreeStates() & tsUseCache) &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
            ui::App().ProcessMessages();
        tree->SetOffsetY(-int(tree->RangeY() / 2));
        tree->SetFocusedNode(tree->TopNode());
        tree->SetSelected(tree->FocusedNode(), true);
        ui::App().ProcessMessages();
    }
    ~TreeBench() { tree->OnGetText = nullptr; }

    double Prepare()
    {
        return Fastest([this] {
            for (int i = 0; i < 50; ++i) {
                tree->PrepareDragImage(TPoint{100, 10}, nullptr);
                tree->DragImage().EndDrag();
            }
        });
    }
};

} // namespace

int wmain()
{
    ui::Form screen;
    screen.SetBounds(0, 0, 800, 600);
    screen.Show();
    ui::App().ProcessMessages();

    ui::Bitmap picture(200, 350, ui::pf24bit);
    picture.Canvas().SetBrushColor(0x3366CC);
    picture.Canvas().FillRect(RECT{0, 0, 200, 350});
    TVTDragImage image(nullptr);
    const POINT hotSpot{300, 250};
    image.PrepareDrag(picture, POINT{200, 75}, hotSpot, nullptr);
    image.ShowDragImage();
    const double incremental = Fastest([&] {
        for (int i = 0; i < kMoves; ++i) {
            const int step = (i / 20) % 2 ? -3 : 3; // back and forth, staying on the screen
            const POINT last{image.ImagePosition().x + 100, image.ImagePosition().y + 175};
            image.DragTo(POINT{last.x + step, last.y}, false);
        }
    });
    const double full = Fastest([&] {
        const POINT p{image.ImagePosition().x + 100, image.ImagePosition().y + 175};
        for (int i = 0; i < kMoves; ++i)
            image.DragTo(p, true);
    });
    image.EndDrag();
    std::printf("drag image, %d moves of 3 px: %.4f s; %d full updates: %.4f s; ratio %.3f (target <= 0.5)\n", kMoves,
                incremental, kMoves, full, incremental / full);

    double large, small;
    {
        TreeBench bench(1000000);
        large = bench.Prepare();
    }
    {
        TreeBench bench(100);
        small = bench.Prepare();
    }
    std::printf("PrepareDragImage x50: 1,000,000 nodes %.4f s, 100 nodes %.4f s, ratio %.2f (target <= 2)\n", large,
                small, large / small);
    return 0;
}
