// Fuzz target of the node stream reader: loading and adding, with a handler that reads user data.
// The reader takes a plain memory stream's bytes straight from its memory and any other stream
// through the stream's calls; both ways must read the same nodes and fail with the same error.
#include "treeview/virtual_tree.h"
#include "core/exception.h"
#include "core/stream.h"
#include "core/thread.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// Every error the reader may raise derives from core::Exception; anything else is a finding.
void Run(treeview::TBaseVirtualTree& tree, const std::string& bytes, bool add, bool inMemory, std::string& outcome)
{
    std::unique_ptr<core::Stream> stream;
    if (inMemory) {
        auto memory = std::make_unique<core::MemoryStream>();
        memory->WriteBuffer(bytes.data(), int64_t(bytes.size()));
        memory->SetPosition(0);
        stream = std::move(memory);
    } else {
        stream = std::make_unique<core::StringStream>(bytes);
    }
    try {
        if (add)
            tree.AddFromStream(*stream, tree.GetFirstNoInit() ? tree.GetFirstNoInit() : tree.RootNode());
        else
            tree.LoadFromStream(*stream);
        outcome += "ok;";
    } catch (const core::Exception& error) {
        outcome += std::string(error.what()) + ";";
    }
}

// Loads and adds the bytes, and returns the outcomes and what the tree then saves.
std::string ReadAll(const uint8_t* data, size_t size, bool inMemory)
{
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
    std::string outcome;
    Run(tree, bytes, false, inMemory, outcome);
    Run(tree, bytes, true, inMemory, outcome);
    // What was read must still save and walk.
    core::StringStream out;
    tree.SaveToStream(out);
    uint32_t count = 0;
    for (treeview::PVirtualNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        ++count;
    if (count + 1 != tree.RootNode()->TotalCount)
        __builtin_trap();
    tree.OnLoadNode = nullptr;
    out.SetPosition(0);
    return outcome + out.ReadToEnd();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::SetMainThread();
    if (ReadAll(data, size, false) != ReadAll(data, size, true))
        __builtin_trap();
    return 0;
}
