// Benchmark of the painting pass: one screen of a 1,000,000-node string tree scrolled to the middle
// against one screen of a 100-node tree, both configured as the client's node list (four columns,
// rows 20 high, colour bands drawn by a draw-text handler). Only the rows that meet the screen are
// visited, so the two should cost about the same. Prints both times and their ratio.
// Run under Wine: scripts/wine-run build/win/bench/tree_paint_bench.exe
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/form.h"
#include "core/thread.h"
#include "bench/timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

using namespace treeview;

namespace {

// Batches of screens; the fastest batch counts, so that other load on the machine weighs less.
constexpr int kBatches = 10;
constexpr int kScreens = 20;

ui::Color Band(uint32_t index)
{
    static const ui::Color bands[] = {RGB(180, 255, 155), RGB(237, 255, 140), RGB(252, 200, 123), RGB(255, 93, 82)};
    return bands[index % 4];
}

struct Bench {
    std::unique_ptr<ui::Form> form{new ui::Form()};
    TVirtualStringTree* tree;

    explicit Bench(uint32_t nodes)
    {
        form->SetClientSize(400, 500);
        tree = new TVirtualStringTree(form.get());
        tree->SetParent(form.get());
        tree->SetBounds(0, 0, 400, 500);
        TVTHeader& header = tree->Header();
        header.SetOptions(hoColumnResize | hoShowSortGlyphs | hoVisible);
        const int widths[] = {170, 80, 60, 60};
        for (int width : widths)
            header.Columns().Add().SetWidth(width);
        tree->TreeOptions().SetSelectionOptions(toFullRowSelect);
        tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() | toShowHorzGridLines |
                                                            toUseBlendedSelection));
        tree->SetDefaultNodeHeight(20);
        tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                             core::String& text) {
            // Names of one width in both trees (seven digits), so that a screen of either draws as
            // many glyphs and the ratio compares the trees, not the length of their numbers.
            text = column == 1 ? core::IntToStr(node->Index % 500)
                               : u"节点" + core::IntToStr(10000000 + int64_t(node->Index)).substr(1);
        };
        tree->OnDrawText = [](TBaseVirtualTree*, TCanvas* canvas, PVirtualNode node, TColumnIndex, core::StringView,
                              const TRect& r, bool&) {
            canvas->SetBrushColor(Band(node->Index));
            canvas->FillRect(RECT{r.Left - 4, r.Top, r.Right + 4, r.Bottom});
        };
        form->Show();
        header.SetHeight(22);
        tree->SetRootNodeCount(nodes);
        // Let the background thread build the position cache (large trees only).
        const auto start = std::chrono::steady_clock::now();
        while (nodes > CacheThreshold && !(tree->TreeStates() & tsUseCache) &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
            ui::App().ProcessMessages();
        tree->SetOffsetY(-int(tree->RangeY() / 2));
        tree->SetFocusedNode(tree->TopNode());
        tree->SetSelected(tree->FocusedNode(), true);
    }
    ~Bench()
    {
        tree->OnGetText = nullptr;
        tree->OnDrawText = nullptr;
    }

    // Seconds per screen (fastest batch); faults receives the page faults of a screen, on average.
    double PaintScreens(double& faults)
    {
        const int width = tree->ClientWidth(), height = tree->ClientHeight();
        ui::Bitmap bitmap(width, height, ui::pf32bit);
        const TRect window{0, -tree->OffsetY(), width, height - tree->OffsetY()};
        tree->PaintTree(bitmap.Canvas(), window, TPoint{0, 0}, WindowPaintOptions);   // warm-up
        double best = 1e9;
        const uint64_t before = bench::PageFaults();
        for (int batch = 0; batch < kBatches; ++batch) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kScreens; ++i)
                tree->PaintTree(bitmap.Canvas(), window, TPoint{0, 0}, WindowPaintOptions);
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kScreens);
        }
        faults = double(bench::PageFaults() - before) / (kBatches * kScreens);
        return best;
    }
};

} // namespace

int wmain()
{
    core::SetMainThread();
    double small, large, smallFaults = 0, largeFaults = 0;
    bool cached;
    {
        Bench bench(100);
        small = bench.PaintScreens(smallFaults);
    }
    {
        Bench bench(1000000);
        cached = (bench.tree->TreeStates() & tsUseCache) != 0;
        large = bench.PaintScreens(largeFaults);
    }
    std::printf("one screen, 100 nodes: %.3f ms\n", small * 1000);
    std::printf("one screen, 1,000,000 nodes scrolled to the middle: %.3f ms (position cache %s)\n", large * 1000,
                cached ? "in use" : "not built");
    std::printf("page faults a screen: %.1f (100 nodes), %.1f (1,000,000 nodes)\n", smallFaults, largeFaults);
    std::printf("ratio: %.2f (target <= 1.1)\n", small > 0 ? large / small : 0);
    return 0;
}
