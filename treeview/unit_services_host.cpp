// The tree unit's start and end on the host: no platform resources, only the format registry.
#include "treeview/unit_services.h"
#include "treeview/tree_view.h"

namespace treeview {

namespace {
bool g_initialized = false;
} // namespace

void InitializeTreeUnit()
{
    if (g_initialized)
        return;
    g_initialized = true;
    RegisterVTClipboardFormat<TVirtualTreeView>(u"Virtual Tree Data", 50);
}

void FinalizeTreeUnit()
{
    g_initialized = false;
    ClearClipboardFormatRegistry();
}

bool TreeUnitInitialized() { return g_initialized; }

} // namespace treeview
