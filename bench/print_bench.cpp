// Benchmark of printing: Print of a 100,000-row string tree to metafile pages against painting the
// same rows with PaintTree into page-sized bitmaps, both configured as the client's node list. The
// printed run adds the stretch of each page onto the printer's canvas; the target is at most 1.5
// times the painting run, with the process's peak private bytes under 64 MB. Prints both times, the
// ratio and the peak.
// Run under Wine: scripts/wine-run build/win/bench/print_bench.exe
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/printer.h"
#include "core/thread.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

using namespace treeview;

namespace {

constexpr uint32_t kRows = 100000;
constexpr int kPageWidth = 400, kPageHeight = 2000;
constexpr int kRounds = 3;

ui::Color Band(uint32_t index)
{
    static const ui::Color bands[] = {RGB(180, 255, 155), RGB(237, 255, 140), RGB(252, 200, 123), RGB(255, 93, 82)};
    return bands[index % 4];
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int wmain()
{
    core::SetMainThread();
    std::unique_ptr<ui::Form> form(new ui::Form());
    form->SetClientSize(400, 500);
    auto* tree = new TVirtualStringTree(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(0, 0, 400, 500);
    TVTHeader& header = tree->Header();
    header.SetOptions(hoColumnResize | hoVisible);
    for (int width : {170, 80, 60, 60})
        header.Columns().Add().SetWidth(width);
    tree->TreeOptions().SetPaintOptions(TVTPaintOptions(tree->TreeOptions().PaintOptions() | toShowHorzGridLines));
    tree->SetDefaultNodeHeight(20);
    tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType, core::String& text) {
        text = column == 1 ? core::IntToStr(node->Index % 500) : u"节点" + core::IntToStr(node->Index);
    };
    tree->OnDrawText = [](TBaseVirtualTree*, TCanvas* canvas, PVirtualNode node, TColumnIndex, core::StringView,
                          const TRect& r, bool&) {
        canvas->SetBrushColor(Band(node->Index));
        canvas->FillRect(RECT{r.Left - 4, r.Top, r.Right + 4, r.Bottom});
    };
    form->Show();
    header.SetHeight(22);
    tree->SetRootNodeCount(kRows);
    const auto wait = std::chrono::steady_clock::now();
    while (!(tree->TreeStates() & tsUseCache) && Seconds(wait) < 30)
        ui::App().ProcessMessages();

    double printBest = 1e9, paintBest = 1e9;
    int pages = 0;
    for (int round = 0; round < kRounds; ++round) {
        // The painting run: every page's rows into a page bitmap, nothing else.
        {
            ui::Bitmap page(kPageWidth, kPageHeight, ui::pf32bit);
            const int height = int(tree->RangeY()) + header.Height();
            const auto start = std::chrono::steady_clock::now();
            for (int y = 0; y < height; y += kPageHeight) {
                page.Canvas().SetBrushColor(ui::clWhite);
                page.Canvas().FillRect(RECT{0, 0, kPageWidth, kPageHeight});
                const int top = std::max(0, y - header.Height());
                const int bottom = std::min<int>(int(tree->RangeY()), y + kPageHeight - header.Height());
                tree->PaintTree(page.Canvas(), TRect{0, top, kPageWidth, bottom},
                                TPoint{0, std::max(0, header.Height() - y)}, poGridLines);
            }
            paintBest = std::min(paintBest, Seconds(start));
        }
        // The printed run.
        {
            ui::MetafilePrinter printer(kPageWidth, kPageHeight);
            printer.SetKeepPages(false);
            const auto start = std::chrono::steady_clock::now();
            tree->Print(&printer, true);
            printBest = std::min(printBest, Seconds(start));
            pages = printer.PageCount();
        }
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    tree->OnGetText = nullptr;
    tree->OnDrawText = nullptr;
    std::printf("%u rows, %d pages of %dx%d\n", kRows, pages, kPageWidth, kPageHeight);
    std::printf("PaintTree into page bitmaps: %.3f s\n", paintBest);
    std::printf("Print to metafiles: %.3f s\n", printBest);
    std::printf("ratio: %.2f (target <= 1.5)\n", paintBest > 0 ? printBest / paintBest : 0);
    std::printf("peak private bytes: %.1f MB (target < 64 MB)\n", double(memory.PeakPagefileUsage) / (1 << 20));
    return 0;
}
