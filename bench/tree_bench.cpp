// One million nodes added, sorted and walked in a virtual tree against a std::vector of the same
// records with std::stable_sort, measured in the same run; prints the ratios and bytes per node.
#include "treeview/virtual_tree.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

// The client's per-node record on x64: an address, five texts and a count, here as plain cells.
struct Record {
    uint32_t key;
    uint32_t count;
    void* name;
    void* text;
};
static_assert(sizeof(Record) == 24);

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& step)
{
    auto start = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Times {
    double add = 0, sort = 0, walk = 0;
    double Total() const { return add + sort + walk; }
};

// The middle value (the mean of the two middle ones for an even count).
double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    uint32_t count = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    if (count == 0)
        count = 1000000;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    if (rounds < 1)
        rounds = 7;
    std::vector<uint32_t> keys(count);
    std::mt19937 random(12345);
    for (uint32_t& key : keys)
        key = random() % (count / 4 + 1);   // many equal keys, so that stability matters

    // Each round times the vector and then the tree, so that a ratio compares two runs made under
    // the same load of the machine; the figures printed are the medians over the rounds.
    std::vector<Times> vectorTimes, treeTimes;
    uint64_t vectorSum = 0, treeSum = 0;
    double bytesPerNode = 0, overheadPerNode = 0;
    for (int round = 0; round < rounds; ++round) {
        Times v, t;
        std::vector<Record> records;
        v.add = Seconds([&] {
            for (uint32_t i = 0; i < count; ++i)
                records.push_back(Record{keys[i], i, nullptr, nullptr});
        });
        v.sort = Seconds([&] {
            std::stable_sort(records.begin(), records.end(), [](const Record& x, const Record& y) { return x.key < y.key; });
        });
        v.walk = Seconds([&] {
            vectorSum = 0;
            for (const Record& record : records)
                vectorSum += record.key + record.count;
        });
        vectorTimes.push_back(v);

        auto tree = std::make_unique<treeview::TBaseVirtualTree>();
        tree->SetNodeDataSize(sizeof(Record));
        tree->OnCompareNodes = [](treeview::TBaseVirtualTree* t, treeview::PVirtualNode x, treeview::PVirtualNode y,
                                  treeview::TColumnIndex, int& result) {
            // The usual three-way difference, free of jumps like the vector's single comparison.
            uint32_t kx = t->GetNodeData<Record>(x)->key, ky = t->GetNodeData<Record>(y)->key;
            result = int(kx > ky) - int(kx < ky);
        };
        t.add = Seconds([&] {
            tree->BeginUpdate();
            for (uint32_t i = 0; i < count; ++i)
                *tree->GetNodeData<Record>(tree->AddChild(nullptr)) = Record{keys[i], i, nullptr, nullptr};
            tree->EndUpdate();
        });
        t.sort = Seconds([&] { tree->SortTree(0, treeview::sdAscending, true); });
        t.walk = Seconds([&] {
            treeSum = 0;
            for (treeview::PVirtualNode node = tree->GetFirst(); node; node = tree->GetNext(node)) {
                const Record* record = tree->GetNodeData<Record>(node);
                treeSum += record->key + record->count;
            }
        });
        treeTimes.push_back(t);
        bytesPerNode = double(tree->NodeMemoryBytes()) / count;
        overheadPerNode = bytesPerNode - double(sizeof(Record));
        if (treeSum != vectorSum) {
            std::fprintf(stderr, "tree and vector disagree: %llu != %llu\n", (unsigned long long)treeSum,
                         (unsigned long long)vectorSum);
            return 1;
        }
    }

    auto median = [&](const std::vector<Times>& times, double Times::*step) {
        std::vector<double> values;
        for (const Times& t : times)
            values.push_back(t.*step);
        return Median(values);
    };
    auto ratios = [&](auto figure) {
        std::vector<double> values;
        for (int i = 0; i < rounds; ++i)
            values.push_back(figure(treeTimes[size_t(i)]) / figure(vectorTimes[size_t(i)]));
        std::sort(values.begin(), values.end());
        return values;
    };
    std::printf("%u nodes of %zu data bytes, median of %d rounds\n", count, sizeof(Record), rounds);
    std::printf("%-6s %12s %12s %8s\n", "step", "vector s", "tree s", "ratio");
    auto row = [&](const char* name, double Times::*step) {
        std::printf("%-6s %12.4f %12.4f %8.2f\n", name, median(vectorTimes, step), median(treeTimes, step),
                    Median(ratios([step](const Times& t) { return t.*step; })));
    };
    row("add", &Times::add);
    row("sort", &Times::sort);
    row("walk", &Times::walk);
    std::vector<double> totals = ratios([](const Times& t) { return t.Total(); });
    std::vector<double> vectorTotals, treeTotals;
    for (int i = 0; i < rounds; ++i) {
        vectorTotals.push_back(vectorTimes[size_t(i)].Total());
        treeTotals.push_back(treeTimes[size_t(i)].Total());
    }
    double totalRatio = Median(totals);
    std::printf("%-6s %12.4f %12.4f %8.2f   (ratio over the rounds: min %.2f, median %.2f, max %.2f)\n", "total",
                Median(vectorTotals), Median(treeTotals), totalRatio, totals.front(), totalRatio, totals.back());
    std::printf("bytes per node: %.1f (tree overhead %.1f beyond the data; target at most 96: %s)\n", bytesPerNode,
                overheadPerNode, overheadPerNode <= 96 ? "met" : "missed");
    std::printf("target: at most 3x the vector's time (median ratio): %s\n", totalRatio <= 3 ? "met" : "missed");
    return 0;
}
