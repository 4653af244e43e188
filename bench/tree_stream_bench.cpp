// One million nodes with 24 data bytes saved into and loaded from a node stream, against a plain
// binary dump of the same node fields and data, and the load also against making the same nodes with
// the same data through the tree's own adding calls, measured in the same run; prints the ratios, the
// page faults of each side a round and the stream's bytes per node.
#include "treeview/virtual_tree.h"
#include "core/stream.h"
#include "core/thread.h"
#include "bench/timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using bench::Median;
using bench::Seconds;

// What the dump keeps of a node: the fields the stream's base chunk holds, then the data.
#pragma pack(push, 1)
struct DumpRecord {
    uint32_t childCount;
    uint32_t nodeHeight;
    uint16_t states;
    uint8_t align, checkState, checkType;
    uint8_t data[24];
};
#pragma pack(pop)

void Prepare(treeview::TBaseVirtualTree& tree)
{
    tree.SetNodeDataSize(24);
    tree.OnSaveNode = [](treeview::TBaseVirtualTree* t, treeview::PVirtualNode node, core::Stream& stream) {
        if (node)
            stream.WriteBuffer(t->GetNodeData(node), 24);
    };
    tree.OnLoadNode = [](treeview::TBaseVirtualTree* t, treeview::PVirtualNode node, core::Stream& stream) {
        if (node)
            stream.ReadBuffer(t->GetNodeData(node), 24);
    };
}

} // namespace

int main(int argc, char** argv)
{
    core::SetMainThread();
    uint32_t count = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    if (count == 0)
        count = 1000000;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    if (rounds < 1)
        rounds = 5;

    treeview::TBaseVirtualTree source;
    Prepare(source);
    for (uint32_t i = 0; i < count; ++i) {
        treeview::PVirtualNode node = source.AddChild(nullptr);
        uint8_t* data = source.GetNodeData<uint8_t>(node);
        for (int b = 0; b < 24; ++b)
            data[b] = uint8_t(i * 7 + b);
    }
    source.ValidateNode(nullptr, true);

    std::vector<double> saveRatios, loadRatios, loadAddRatios;
    std::vector<double> faults[5];  // a round's page faults: dump save, save, dump load, load, adding
    int64_t streamBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        double f[5] = {};
        core::MemoryStream dump;
        double dumpSave = Seconds([&] {
            for (treeview::PVirtualNode run = source.GetFirstNoInit(); run; run = run->NextSibling) {
                DumpRecord r{run->ChildCount, run->NodeHeight, run->States, run->Align, run->CheckState, run->CheckType, {}};
                std::memcpy(r.data, source.GetNodeData(run), 24);
                dump.WriteBuffer(&r, sizeof r);
            }
        }, f[0]);
        core::MemoryStream stream;
        double treeSave = Seconds([&] { source.SaveToStream(stream); }, f[1]);
        streamBytes = stream.Size();

        std::vector<DumpRecord> records;
        dump.SetPosition(0);
        double dumpLoad = Seconds([&] {
            records.resize(size_t(dump.Size()) / sizeof(DumpRecord));
            for (DumpRecord& r : records)
                dump.ReadBuffer(&r, sizeof r);
        }, f[2]);
        double added = 0;
        {
            treeview::TBaseVirtualTree tree;
            Prepare(tree);
            added = Seconds([&] {
                tree.BeginUpdate();
                for (const DumpRecord& r : records)
                    std::memcpy(tree.GetNodeData(tree.AddChild(nullptr)), r.data, sizeof r.data);
                tree.EndUpdate();
            }, f[4]);
            if (tree.RootNodeCount() != count) {
                std::fprintf(stderr, "adding lost nodes\n");
                return 1;
            }
            tree.OnSaveNode = nullptr;
            tree.OnLoadNode = nullptr;
        }
        treeview::TBaseVirtualTree target;
        Prepare(target);
        stream.SetPosition(0);
        double treeLoad = Seconds([&] { target.LoadFromStream(stream); }, f[3]);
        if (target.RootNodeCount() != count || records.size() != count) {
            std::fprintf(stderr, "load lost nodes\n");
            return 1;
        }
        target.OnSaveNode = nullptr;
        target.OnLoadNode = nullptr;
        saveRatios.push_back(treeSave / dumpSave);
        loadRatios.push_back(treeLoad / dumpLoad);
        loadAddRatios.push_back(treeLoad / added);
        for (int i = 0; i < 5; ++i)
            faults[i].push_back(f[i]);
        std::printf("round %d: save %.3f s (dump %.3f s), load %.3f s (dump %.3f s, adding %.3f s); page faults: save %.0f "
                    "(dump %.0f), load %.0f (dump %.0f, adding %.0f)\n",
                    round + 1, treeSave, dumpSave, treeLoad, dumpLoad, added, f[1], f[0], f[3], f[2], f[4]);
    }
    source.OnSaveNode = nullptr;
    source.OnLoadNode = nullptr;
    const double save = Median(saveRatios), load = Median(loadRatios), loadAdd = Median(loadAddRatios);
    std::printf("nodes %u, stream bytes per node %.1f (dump %zu)\n", count, double(streamBytes) / count, sizeof(DumpRecord));
    std::printf("page faults a round (medians): save %.0f (dump %.0f), load %.0f (dump %.0f, adding %.0f)\n",
                Median(faults[1]), Median(faults[0]), Median(faults[3]), Median(faults[2]), Median(faults[4]));
    std::printf("save / dump ratio %.2f (target <= 3: %s)\n", save, save <= 3 ? "met" : "NOT met");
    std::printf("load / dump ratio %.2f\n", load);
    std::printf("load / adding ratio %.2f (target <= 1.5: %s)\n", loadAdd, loadAdd <= 1.5 ? "met" : "NOT met");
    return save <= 3 && loadAdd <= 1.5 ? 0 : 2;
}
