// Fuzz target of the node stream reader: loading and adding, with a handler that reads user data.
#include "treeview/virtual_tree.h"
#include "core/exception.h"
#include "core/stream.h"
#include "core/thread.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Every error the reader may raise derives from core::Exception; anything else is a finding.
void Run(treeview::TBaseVirtualTree& tree, const std::string& bytes, bool add)
{
    core::StringStream stream(bytes);
    try {
        if (add)
            tree.AddFromStream(stream, tree.GetFirstNoInit() ? tree.GetFirstNoInit() : tree.RootNode());
        else
            tree.LoadFromStream(stream);
    } catch (const core::Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::SetMainThread();
    treeview::TBaseVirtualTree tree;
    tree.SetNodeDataSize(8);
    if (size > 0 && (data[0] & 1))
        tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() | treeview::toMultiSelect);
    tree.OnLoadNode = [](treeview::TBaseVirtualTree* t, treeview::PVirtualNode node, core::Stream& stream) {
        if (!node)
            return;
        uint32_t length = stream.ReadUInt32() & 7;
        stream.ReadBuffer(t->GetNodeData(node), length);
    };
    std::string bytes(reinterpret_cast<const char*>(data), size);
    Run(tree, bytes, false);
    Run(tree, bytes, true);
    // What was read must still save and walk.
    core::StringStream out;
    tree.SaveToStream(out);
    uint32_t count = 0;
    for (treeview::PVirtualNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        ++count;
    if (count + 1 != tree.RootNode()->TotalCount)
        __builtin_trap();
    tree.OnLoadNode = nullptr;
    return 0;
}
