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
    double add = 1e9, sort = 1e9, walk = 1e9;
    void Keep(double a, double s, double w)
    {
        add = std::min(add, a);
        sort = std::min(sort, s);
        walk = std::min(walk, w);
    }
    double Total() const { return add + sort + walk; }
};

} // namespace

int main(int argc, char** argv)
{
    uint32_t count = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    if (count == 0)
        count = 1000000;
    std::vector<uint32_t> keys(count);
    std::mt19937 random(12345);
    for (uint32_t& key : keys)
        key = random() % (count / 4 + 1);   // many equal keys, so that stability matters

    Times vectorTimes, treeTimes;
    uint64_t vectorSum = 0, treeSum = 0;
    double bytesPerNode = 0, overheadPerNode = 0;
    for (int round = 0; round < 3; ++round) {
        std::vector<Record> records;
        double a = Seconds([&] {
            for (uint32_t i = 0; i < count; ++i)
                records.push_back(Record{keys[i], i, nullptr, nullptr});
        });
        double s = Seconds([&] {
            std::stable_sort(records.begin(), records.end(), [](const Record& x, const Record& y) { return x.key < y.key; });
        });
        double w = Seconds([&] {
            vectorSum = 0;
            for (const Record& record : records)
                vectorSum += record.key + record.count;
        });
        vectorTimes.Keep(a, s, w);

        auto tree = std::make_unique<treeview::TBaseVirtualTree>();
        tree->SetNodeDataSize(sizeof(Record));
        tree->OnCompareNodes = [](treeview::TBaseVirtualTree* t, treeview::PVirtualNode x, treeview::PVirtualNode y,
                                  treeview::TColumnIndex, int& result) {
            uint32_t kx = t->GetNodeData<Record>(x)->key, ky = t->GetNodeData<Record>(y)->key;
            result = kx < ky ? -1 : kx > ky ? 1 : 0;
        };
        a = Seconds([&] {
            tree->BeginUpdate();
            for (uint32_t i = 0; i < count; ++i)
                *tree->GetNodeData<Record>(tree->AddChild(nullptr)) = Record{keys[i], i, nullptr, nullptr};
            tree->EndUpdate();
        });
        s = Seconds([&] { tree->SortTree(0, treeview::sdAscending, true); });
        w = Seconds([&] {
            treeSum = 0;
            for (treeview::PVirtualNode node = tree->GetFirst(); node; node = tree->GetNext(node)) {
                const Record* record = tree->GetNodeData<Record>(node);
                treeSum += record->key + record->count;
            }
        });
        treeTimes.Keep(a, s, w);
        bytesPerNode = double(tree->NodeMemoryBytes()) / count;
        overheadPerNode = bytesPerNode - double(sizeof(Record));
    }
    if (treeSum != vectorSum) {
        std::fprintf(stderr, "tree and vector disagree: %llu != %llu\n", (unsigned long long)treeSum, (unsigned long long)vectorSum);
        return 1;
    }
    std::printf("%u nodes of %zu data bytes\n", count, sizeof(Record));
    std::printf("%-6s %12s %12s %8s\n", "step", "vector s", "tree s", "ratio");
    auto row = [](const char* name, double v, double t) { std::printf("%-6s %12.4f %12.4f %8.2f\n", name, v, t, t / v); };
    row("add", vectorTimes.add, treeTimes.add);
    row("sort", vectorTimes.sort, treeTimes.sort);
    row("walk", vectorTimes.walk, treeTimes.walk);
    row("total", vectorTimes.Total(), treeTimes.Total());
    std::printf("bytes per node: %.1f (tree overhead %.1f beyond the data; target at most 96: %s)\n", bytesPerNode,
                overheadPerNode, overheadPerNode <= 96 ? "met" : "missed");
    std::printf("target: at most 3x the vector's time: %s\n", treeTimes.Total() <= 3 * vectorTimes.Total() ? "met" : "missed");
    return 0;
}
