// Scroll bar options, colours and clipboard format names of the tree (see view_options.h).
#include "treeview/view_options.h"
#include "treeview/tree_viewport.h"
#include "core/exception.h"
#include <algorithm>
#include <mutex>

namespace treeview {

// ---- TScrollBarOptions ----

void TScrollBarOptions::SetAlwaysVisible(bool value)
{
    if (value == m_always_visible)
        return;
    m_always_visible = value;
    if (!m_owner->Loading() && m_owner->WindowPort().HandleAllocated())
        m_owner->WindowPort().RecreateWindow();
}

void TScrollBarOptions::SetScrollBars(TScrollStyle value)
{
    if (value == m_scroll_bars)
        return;
    m_scroll_bars = value;
    if (!m_owner->Loading() && m_owner->WindowPort().HandleAllocated())
        m_owner->WindowPort().RecreateWindow();
}

void TScrollBarOptions::SetScrollBarStyle(TScrollBarStyle value)
{
    CORE_ASSERT(value == sbmRegular, u"Flat scrollbars styles are disabled. Enable UseFlatScrollbars in VTConfig.inc "
                                     u"forflat scrollbar support.");
    m_style = value;
}

void TScrollBarOptions::Assign(const TScrollBarOptions& source)
{
    SetAlwaysVisible(source.m_always_visible);
    m_increment_x = source.m_increment_x;
    SetScrollBars(source.m_scroll_bars);
    SetScrollBarStyle(source.m_style);
    m_increment_y = source.m_increment_y;
}

// ---- TVTColors ----

TVTColors::TVTColors(TTreeViewport* owner) : m_owner(owner)
{
    using namespace syscolor;
    m_colors = {clBtnShadow, clHighlight, clHighlight, clHighlight, clBtnFace, clBtnShadow, clBtnFace, clBtnFace,
                clWindowText, clHighlight, clBtnFace, clHighlight, clHighlight, clHighlight, clBtnShadow};
}

void TVTColors::SetColor(int index, TColor value)
{
    TColor& slot = m_colors.at(size_t(index));
    if (slot == value)
        return;
    slot = value;
    if (m_owner->Loading() || !m_owner->WindowPort().HandleAllocated())
        return;
    if (index == TreeLineColor) {
        if (OnTreeLineColorChanged)
            OnTreeLineColorChanged();
        m_owner->Invalidate();
    } else if (index == BorderColor) {
        m_owner->WindowPort().FrameChanged();
    } else {
        m_owner->Invalidate();
    }
}

void TVTColors::Assign(const TVTColors& source)
{
    m_colors = source.m_colors;
    if (m_owner->UpdateCount() == 0)
        m_owner->Invalidate();
}

// ---- Clipboard format registry ----

namespace {
std::mutex g_registry_lock;
std::vector<TClipboardFormatEntry>* g_registry = nullptr; // made on first registration
} // namespace

namespace {
void AddFormat(core::StringView name, TTreeClassTest treeClass, uint32_t priority, uint32_t format)
{
    std::lock_guard<std::mutex> lock(g_registry_lock);
    if (!g_registry)
        g_registry = new std::vector<TClipboardFormatEntry>();
    // A name registered again gets a second entry: searches run from the end and find the newer one.
    g_registry->push_back(TClipboardFormatEntry{core::String(name), std::move(treeClass), priority, format, 1});
    std::stable_sort(g_registry->begin(), g_registry->end(), [](const auto& a, const auto& b) { return a.Priority < b.Priority; });
}

const TClipboardFormatEntry* FindLast(const std::function<bool(const TClipboardFormatEntry&)>& match)
{
    std::lock_guard<std::mutex> lock(g_registry_lock);
    if (!g_registry)
        return nullptr;
    for (auto entry = g_registry->rbegin(); entry != g_registry->rend(); ++entry)
        if (match(*entry))
            return &*entry;
    return nullptr;
}
} // namespace

uint32_t RegisterVTClipboardFormat(core::StringView name, TTreeClassTest treeClass, uint32_t priority)
{
    uint32_t format = PlatformRegisterClipboardFormat(name);
    AddFormat(name, std::move(treeClass), priority, format);
    return format;
}

void RegisterVTClipboardFormat(uint32_t format, TTreeClassTest treeClass, uint32_t priority)
{
    core::String name = format <= 16 ? PredefinedFormatName(format) : PlatformClipboardFormatName(format);
    if (!name.empty())
        AddFormat(name, std::move(treeClass), priority, format);
}

const TClipboardFormatEntry* FindFormat(core::StringView name)
{
    return FindLast([&](const TClipboardFormatEntry& e) { return core::AnsiSameText(e.Name, name); });
}

TTreeClassTest FindFormat(core::StringView name, uint32_t& format)
{
    const TClipboardFormatEntry* entry = FindFormat(name);
    if (!entry)
        return {};
    format = entry->Format;
    return entry->TreeClass;
}

TTreeClassTest FindFormat(uint32_t format, core::String& description)
{
    const TClipboardFormatEntry* entry = FindLast([&](const TClipboardFormatEntry& e) { return e.Format == format; });
    if (!entry || format == 0)
        return {};
    description = entry->Name;
    return entry->TreeClass;
}

std::vector<TClipboardFormatEntry> EnumerateFormats(const TTreeViewport* tree, const TClipboardFormats* allowed)
{
    std::vector<TClipboardFormatEntry> result;
    std::lock_guard<std::mutex> lock(g_registry_lock);
    if (!g_registry)
        return result;
    for (const TClipboardFormatEntry& entry : *g_registry)
        if (entry.TreeClass && entry.TreeClass(tree) && (!allowed || allowed->IndexOf(entry.Name) >= 0))
            result.push_back(entry);
    return result;
}

void EnumerateFormats(const TTreeViewport* tree, core::Strings& formats)
{
    for (const TClipboardFormatEntry& entry : EnumerateFormats(tree, nullptr))
        formats.Add(entry.Name);
}

core::String PredefinedFormatName(uint32_t format)
{
    static const char16_t* const names[] = {
        u"Plain text", u"Windows bitmap", u"Windows metafile", u"Symbolic link", u"Data interchange format",
        u"Tiff image", u"OEM text", u"DIB image", u"Palette data", u"Pen data", u"Riff audio data",
        u"Wav audio data", u"Unicode text", u"Enhanced metafile image", u"File name(s)", u"Locale descriptor"};
    return format >= 1 && format <= 16 ? core::String(names[format - 1]) : core::String();
}

void ClearClipboardFormatRegistry()
{
    std::lock_guard<std::mutex> lock(g_registry_lock);
    delete g_registry;
    g_registry = nullptr;
}

// ---- TClipboardFormats ----

int TClipboardFormats::IndexOf(core::StringView name) const
{
    auto found = std::lower_bound(m_names.begin(), m_names.end(), name);
    return found != m_names.end() && *found == name ? int(found - m_names.begin()) : -1;
}

int TClipboardFormats::Add(core::StringView name)
{
    const TClipboardFormatEntry* entry = FindFormat(name);
    if (!entry || !entry->TreeClass || !entry->TreeClass(m_owner))
        return -1;
    // The list holds the registered spelling, so that lookups by name find it whatever case was given.
    const core::String registered = entry->Name;
    auto found = std::lower_bound(m_names.begin(), m_names.end(), registered);
    if (found != m_names.end() && *found == registered)
        return int(found - m_names.begin());
    auto inserted = m_names.insert(found, registered);
    return int(inserted - m_names.begin());
}

void TClipboardFormats::Insert(int index, core::StringView name)
{
    (void)index;
    const TClipboardFormatEntry* entry = FindFormat(name);
    if (!entry || !entry->TreeClass || !entry->TreeClass(m_owner))
        return;
    throw core::EStringListError(u"Operation not allowed on sorted list");
}

void TClipboardFormats::Assign(const TClipboardFormats& source)
{
    m_names.clear();
    for (const core::String& name : source.m_names)
        Add(name);
}

} // namespace treeview
