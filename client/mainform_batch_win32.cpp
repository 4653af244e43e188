// The batch latency test and the node tree's handlers of the main window.
//
// FIXME: only the tree's row finalisation is here so far; the batch test, the tree's text, drawing,
// ordering and click handlers and the speed-test window are still to come.
#include "client/mainform.h"

#include "client/nodelist.h"

#include "treeview/virtual_tree.h"

namespace client {

void Tfrmmain::WireBatchTest()
{
    vt1->OnFreeNode = [this](treeview::TBaseVirtualTree* tree, treeview::PVirtualNode node) { vt1FreeNode(tree, node); };
}

void Tfrmmain::vt1FreeNode(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node)
{
    if (auto* record = sender->GetNodeData<ps>(node))
        record->~ps();
}

ui::Form* Tfrmmain::CreateSpeedForm(core::Component*) { return nullptr; }

} // namespace client
