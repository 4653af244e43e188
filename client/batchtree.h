// The node tree's side of the batch latency test and the tree's handlers that only read the node
// records: cell texts, latency order, and releasing a record. Templates over the node record, which
// has the string fields ip, name, delay, lostpacket, sendtimes and the integer losttimes; records
// live in the tree's node data, made by placement and released by FreeNodeRecord.
#pragma once
#include "client/batchtest.h"
#include "treeview/virtual_tree.h"

#include <memory>

namespace client {

// The text of a cell: column 0 name, 1 latency, 2 online rate, 3 L2TP support.
template <class Record>
core::String NodeCellText(const Record& record, treeview::TColumnIndex column)
{
    switch (column) {
    case 0:
        return record.name;
    case 1:
        return record.delay;
    case 2:
        return record.lostpacket;
    case 3:
        return record.sendtimes;
    default:
        return {};
    }
}

// The latency order, for the header's sort column only (other columns compare equal).
template <class Record>
void CompareNodeRecords(treeview::TBaseVirtualTree& tree, treeview::PVirtualNode node1, treeview::PVirtualNode node2,
                        treeview::TColumnIndex column, int& result)
{
    if (column != tree.SortColumn())
        return;
    result = CompareLatency(tree.GetNodeData<Record>(node1)->delay, tree.GetNodeData<Record>(node2)->delay,
                            tree.SortDirection() == treeview::sdAscending);
}

// Releases a row's record (its strings) when the tree frees the row.
template <class Record>
void FreeNodeRecord(treeview::TBaseVirtualTree& tree, treeview::PVirtualNode node)
{
    std::destroy_at(tree.GetNodeData<Record>(node));
}

// The rows of a tree as the batch test sees them. Results are written only into rows that are in
// the tree at that moment.
template <class Record>
class TreeBatchTarget : public BatchTarget {
public:
    explicit TreeBatchTarget(treeview::TBaseVirtualTree& tree) : m_tree(tree) {}

    std::vector<BatchRow> BatchRows() override
    {
        std::vector<BatchRow> rows;
        for (treeview::PVirtualNode node = m_tree.GetFirst(); node; node = m_tree.GetNext(node))
            rows.push_back({node, m_tree.GetNodeData<Record>(node)->ip});
        return rows;
    }

    void ApplyEcho(const void* row, const EchoOutcome& outcome) override
    {
        for (treeview::PVirtualNode node = m_tree.GetFirstNoInit(); node; node = m_tree.GetNextNoInit(node)) {
            if (node != row)
                continue;
            Record* record = m_tree.GetNodeData<Record>(node);
            record->delay = LatencyText(outcome);
            if (!outcome.answered)
                ++record->losttimes;
            return;
        }
    }

    // Sorts by the header's sort column, ascending (the handler applies the header's direction),
    // repaints once, then OnPassDone shows the pool load.
    void BatchPassDone() override
    {
        SortRows();
        if (OnPassDone)
            OnPassDone();
    }

    void BatchEnded() override
    {
        if (OnEnded)
            OnEnded();
    }

    void SortRows()
    {
        m_tree.SortTree(m_tree.SortColumn(), treeview::sdAscending, true);
        m_tree.Invalidate();
    }

    std::function<void()> OnPassDone;
    std::function<void()> OnEnded;

private:
    treeview::TBaseVirtualTree& m_tree;
};

} // namespace client
