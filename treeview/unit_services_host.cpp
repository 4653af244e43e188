// The tree unit's start and end on the host: no platform resources, only the format registry.
#include "treeview/unit_services.h"
#include "treeview/published_properties.h"
#include "treeview/tree_viewport.h"
#include <mutex>
#include <vector>

namespace treeview {

namespace {
bool g_initialized = false;

// The host has no clipboard: names get numbers from the process-wide range the platform uses for
// registered formats, so the registry behaves as it does on Windows.
constexpr uint32_t kFirstRegisteredFormat = 0xC000;
std::mutex g_format_names_lock;
std::vector<core::String> g_format_names;
} // namespace

uint32_t PlatformRegisterClipboardFormat(core::StringView name)
{
    std::lock_guard<std::mutex> lock(g_format_names_lock);
    for (size_t i = 0; i < g_format_names.size(); ++i)
        if (core::AnsiSameText(g_format_names[i], name))
            return kFirstRegisteredFormat + uint32_t(i);
    g_format_names.emplace_back(name);
    return kFirstRegisteredFormat + uint32_t(g_format_names.size() - 1);
}

core::String PlatformClipboardFormatName(uint32_t format)
{
    std::lock_guard<std::mutex> lock(g_format_names_lock);
    if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= g_format_names.size())
        return {};
    return g_format_names[format - kFirstRegisteredFormat];
}

void InitializeTreeUnit()
{
    if (g_initialized)
        return;
    g_initialized = true;
    RegisterVTClipboardFormat<TTreeViewport>(u"Virtual Tree Data", 50);
    RegisterPublishedHeaderClasses();
}

void FinalizeTreeUnit()
{
    g_initialized = false;
    ClearClipboardFormatRegistry();
}

bool TreeUnitInitialized() { return g_initialized; }

} // namespace treeview
