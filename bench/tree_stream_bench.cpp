// One million nodes with 24 data bytes saved into and loaded from a node stream, against a plain
// binary dump of the same node fields and data, measured in the same run; prints the ratios and
// the stream's bytes per node.
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

    std::vector<double> saveRatios, loadRatios;
    int64_t streamBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        core::MemoryStream dump;
        double dumpSave = Seconds([&] {
            for (treeview::PVirtualNode run = source.GetFirstNoInit(); run; run = run->NextSibling) {
                DumpRecord r{run->ChildCount, run->NodeHeight, run->States, run->Align, run->CheckState, run->CheckType, {}};
                std::memcpy(r.data, source.GetNodeData(run), 24);
                dump.WriteBuffer(&r, sizeof r);
            }
        });
        core::MemoryStream stream;
        double treeSave = Seconds([&] { source.SaveToStream(stream); });
        streamBytes = stream.Size();

        std::vector<DumpRecord> records;
        dump.SetPosition(0);
        double dumpLoad = Seconds([&] {
            records.resize(size_t(dump.Size()) / sizeof(DumpRecord));
            for (DumpRecord& r : records)
                dump.ReadBuffer(&r, sizeof r);
        });
        treeview::TBaseVirtualTree target;
        Prepare(target);
        stream.SetPosition(0);
        double treeLoad = Seconds([&] { target.LoadFromStream(stream); });
        if (target.RootNodeCount() != count || records.size() != count) {
            std::fprintf(stderr, "load lost nodes\n");
            return 1;
        }
        target.OnSaveNode = nullptr;
        target.OnLoadNode = nullptr;
        saveRatios.push_back(treeSave / dumpSave);
        loadRatios.push_back(treeLoad / dumpLoad);
        std::printf("round %d: save %.3f s (dump %.3f s), load %.3f s (dump %.3f s)\n", round + 1, treeSave, dumpSave,
                    treeLoad, dumpLoad);
    }
    source.OnSaveNode = nullptr;
    source.OnLoadNode = nullptr;
    double save = Median(saveRatios), load = Median(loadRatios);
    std::printf("nodes %u, stream bytes per node %.1f (dump %zu)\n", count, double(streamBytes) / count, sizeof(DumpRecord));
    std::printf("save ratio %.2f (target <= 3), load ratio %.2f (target <= 6)\n", save, load);
    return save <= 3 && load <= 6 ? 0 : 2;
}
