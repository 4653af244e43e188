// Process-wide resources of the tree unit on Windows (see unit_services.h).
#include "treeview/unit_services.h"
#include "treeview/tree_view.h"
#include "core/win32.h"
#include <mmsystem.h>

namespace treeview {

namespace {
bool g_initialized = false;
UINT g_reference_format = 0;
} // namespace

void InitializeTreeUnit()
{
    if (g_initialized)
        return;
    g_initialized = true;
    g_reference_format = RegisterClipboardFormatW(L"Virtual Tree Reference");
    RegisterVTClipboardFormat<TVirtualTreeView>(u"Virtual Tree Data", 50);
    // Animations pace themselves on the multimedia timer.
    timeBeginPeriod(1);
}

void FinalizeTreeUnit()
{
    if (g_initialized) {
        timeEndPeriod(1);
        g_initialized = false;
    }
    ClearClipboardFormatRegistry();
}

bool TreeUnitInitialized() { return g_initialized; }

} // namespace treeview
