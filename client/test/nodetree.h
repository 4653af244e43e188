// A node tree over the tree's own model with the client's node record, for the batch test's tests
// and its benchmark: rows are added by name and address, freed and ordered by the client's handlers.
#pragma once
#include "client/batchtree.h"
#include "client/test/pumpuntil.h"

#include <new>
#include <vector>

namespace client::test {

struct NodeRecord {
    core::String ip;
    core::String name;
    core::String delay;
    core::String lostpacket;
    core::String sendtimes;
    int32_t losttimes = 0;
};

class NodeTree : public treeview::TBaseVirtualTree {
public:
    NodeTree()
    {
        SetNodeDataSize(int32_t(sizeof(NodeRecord)));
        SetSortColumn(1);
        OnFreeNode = [](TBaseVirtualTree* tree, treeview::PVirtualNode node) {
            client::FreeNodeRecord<NodeRecord>(*tree, node);
        };
        OnCompareNodes = [](TBaseVirtualTree* tree, treeview::PVirtualNode a, treeview::PVirtualNode b,
                            treeview::TColumnIndex column, int& result) {
            client::CompareNodeRecords<NodeRecord>(*tree, a, b, column, result);
        };
    }
    ~NodeTree() override
    {
        // The records go while the handlers that free them are still ours.
        BeginDestruction();
        Clear();
    }
    treeview::PVirtualNode Add(const core::String& name, const core::String& ip, const core::String& delay = u"NA",
                               const core::String& lostpacket = u"98%")
    {
        treeview::PVirtualNode node = AddChild(nullptr);
        new (GetNodeData(node)) NodeRecord{ip, name, delay, lostpacket, u"支持", 0};
        return node;
    }
    NodeRecord& At(treeview::PVirtualNode node) { return *GetNodeData<NodeRecord>(node); }
    // The cell texts of one column in the tree's order.
    std::vector<core::String> Column(treeview::TColumnIndex column)
    {
        std::vector<core::String> texts;
        for (treeview::PVirtualNode node = GetFirst(); node; node = GetNext(node))
            texts.push_back(NodeCellText(At(node), column));
        return texts;
    }
    // "name=delay" for every row in the tree's order.
    std::vector<core::String> Rows()
    {
        std::vector<core::String> rows;
        for (treeview::PVirtualNode node = GetFirst(); node; node = GetNext(node))
            rows.push_back(At(node).name + u"=" + At(node).delay);
        return rows;
    }
};

} // namespace client::test
