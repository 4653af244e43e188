// Benchmark of the content export: rows of four columns through the text, CSV, HTML and RTF
// exporters, against a loop that asks OnGetText for the same texts and joins them, measured in the
// same run; then the export of 100,000 rows against 10,000 (the exporters must stay linear).
// Run under Wine: scripts/wine-run build/win/bench/export_bench.exe
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/form.h"
#include "core/codepage.h"
#include "core/thread.h"
#include "bench/timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

using namespace treeview;

namespace {

// The fastest of the rounds; faults (when given) receives the page faults of a round, on average.
double Seconds(const std::function<void()>& step, double* faults = nullptr, int rounds = 3)
{
    double best = 1e9;
    const uint64_t before = bench::PageFaults();
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        step();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (faults)
        *faults = double(bench::PageFaults() - before) / rounds;
    return best;
}

struct Bench {
    std::unique_ptr<ui::Form> form{new ui::Form()};
    TVirtualStringTree* tree;

    explicit Bench(uint32_t rows)
    {
        tree = new TVirtualStringTree(form.get());
        tree->SetParent(form.get());
        tree->SetBounds(0, 0, 400, 300);
        for (int width : {170, 80, 60, 60})
            tree->Header().Columns().Add().SetWidth(width);
        tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType, core::String& text) {
            text = column == 1 ? core::IntToStr(node->Index % 500) : u"节点" + core::IntToStr(node->Index);
        };
        tree->SetRootNodeCount(rows);
        tree->ValidateNode(nullptr, true);
    }
    ~Bench() { tree->OnGetText = nullptr; }

    // What any exporter must do at least: every text asked for and joined.
    size_t Joined()
    {
        core::String out;
        for (PVirtualNode node = tree->GetFirst(); node; node = tree->GetNext(node)) {
            for (TColumnIndex column = 0; column < 4; ++column) {
                out += tree->Text(node, column);
                out += u'\t';
            }
            out += u"\r\n";
        }
        return core::ToAnsi(out).size();
    }
};

} // namespace

int wmain()
{
    core::SetMainThread();
    double text, csv, html, rtf, baseline, small, large;
    double faults[5] = {};  // a round's page faults: joined, text, CSV, HTML, RTF
    {
        Bench bench(100000);
        baseline = Seconds([&] { bench.Joined(); }, &faults[0]);
        text = Seconds([&] { bench.tree->ContentToText(tstAll, '\t'); }, &faults[1]);
        csv = Seconds([&] { bench.tree->ContentToText(tstAll, ","); }, &faults[2]);
        html = Seconds([&] { bench.tree->ContentToHTML(tstAll); }, &faults[3]);
        rtf = Seconds([&] { bench.tree->ContentToRTF(tstAll); }, &faults[4]);
        large = text + html + rtf;
    }
    {
        Bench bench(10000);
        small = Seconds([&] { bench.tree->ContentToText(tstAll, '\t'); }) +
                Seconds([&] { bench.tree->ContentToHTML(tstAll); }) + Seconds([&] { bench.tree->ContentToRTF(tstAll); });
    }
    std::printf("100,000 rows x 4 columns: joined texts %.3f s\n", baseline);
    std::printf("text %.2f, CSV %.2f (targets <= 2); HTML %.2f, RTF %.2f (targets <= 5)\n", text / baseline,
                csv / baseline, html / baseline, rtf / baseline);
    std::printf("page faults a round: joined %.0f, text %.0f, CSV %.0f, HTML %.0f, RTF %.0f\n", faults[0], faults[1],
                faults[2], faults[3], faults[4]);
    std::printf("100,000 rows against 10,000: %.2f (target <= 12)\n", small > 0 ? large / small : 0);
    return 0;
}
