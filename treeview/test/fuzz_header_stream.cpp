// Fuzz target of the header stream reader.
#include "treeview/header.h"
#include "treeview/recording_port.h"
#include "treeview/tree_viewport.h"
#include "core/exception.h"
#include "core/stream.h"
#include "core/thread.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    core::SetMainThread();
    treeview::RecordingWindowPort port;
    treeview::TTreeViewport tree(&port);
    port.SetTree(&tree);
    tree.AfterConstruction();
    core::StringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        tree.Header().LoadFromStream(stream);
    } catch (const core::Exception&) {
    }
    // Whatever was read names only real columns in its order.
    const treeview::TVirtualTreeColumns& columns = tree.Header().Columns();
    for (treeview::TColumnIndex index : columns.PositionToIndex())
        if (!columns.IsValidColumn(index))
            __builtin_trap();
    core::StringStream out;
    tree.Header().SaveToStream(out);
    return 0;
}
