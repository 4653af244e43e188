// Small property objects of the tree's view: which scroll bars it may show and their steps, its table
// of drawing colours, and the names of the clipboard formats it offers (with the process-wide
// registry of formats and the tree classes that may offer them).
#pragma once
#include "treeview/types.h"
#include "core/string.h"
#include "core/stringlist.h"
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace treeview {

class TTreeViewport;
using TColor = int32_t;

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarStyle : uint8_t { sbmRegular, sbmFlat, sbm3D };

class TScrollBarOptions {
public:
    explicit TScrollBarOptions(TTreeViewport* owner) : m_owner(owner) {}
    bool AlwaysVisible() const { return m_always_visible; }
    void SetAlwaysVisible(bool value);
    TScrollStyle ScrollBars() const { return m_scroll_bars; }
    void SetScrollBars(TScrollStyle value);
    TScrollBarStyle ScrollBarStyle() const { return m_style; }
    // Only the regular style is supported: others fail an assertion and are not stored.
    void SetScrollBarStyle(TScrollBarStyle value);
    uint16_t HorizontalIncrement() const { return m_increment_x; }
    void SetHorizontalIncrement(uint16_t value) { m_increment_x = value; }
    uint16_t VerticalIncrement() const { return m_increment_y; }
    void SetVerticalIncrement(uint16_t value) { m_increment_y = value; }
    void Assign(const TScrollBarOptions& source);
    bool Horizontal() const { return m_scroll_bars == ssHorizontal || m_scroll_bars == ssBoth; }
    bool Vertical() const { return m_scroll_bars == ssVertical || m_scroll_bars == ssBoth; }

private:
    TTreeViewport* m_owner;
    bool m_always_visible = false;
    TScrollStyle m_scroll_bars = ssBoth;
    TScrollBarStyle m_style = sbmRegular;
    uint16_t m_increment_x = 20;
    uint16_t m_increment_y = 20;
};

// System colours in the platform's encoding (0xFF000000 | COLOR_* index).
namespace syscolor {
constexpr TColor clHighlight = int32_t(0xFF00000D);
constexpr TColor clBtnFace = int32_t(0xFF00000F);
constexpr TColor clBtnShadow = int32_t(0xFF000010);
constexpr TColor clWindowText = int32_t(0xFF000008);
constexpr TColor clWindow = int32_t(0xFF000005);
} // namespace syscolor

class TVTColors {
public:
    enum Index : int {
        DisabledColor, DropMarkColor, DropTargetColor, FocusedSelectionColor, GridLineColor, TreeLineColor,
        UnfocusedSelectionColor, BorderColor, HotColor, FocusedSelectionBorderColor, UnfocusedSelectionBorderColor,
        DropTargetBorderColor, SelectionRectangleBlendColor, SelectionRectangleBorderColor, HeaderHotColor, Count
    };
    explicit TVTColors(TTreeViewport* owner);
    TColor Color(int index) const { return m_colors.at(size_t(index)); }
    void SetColor(int index, TColor value);
    void Assign(const TVTColors& source);
    // Called when the tree-line colour changed (the painting half rebuilds its button images).
    std::function<void()> OnTreeLineColorChanged;

private:
    TTreeViewport* m_owner;
    std::array<TColor, Count> m_colors;
};

// Process-wide list of clipboard formats and the tree classes that may offer each.
// Entries are kept in priority order (lower first); a format's description is its registered name,
// for the predefined formats 1 to 16 a descriptive name (PredefinedFormatName).
// Tells whether a tree is of the registering class or one derived from it.
using TTreeClassTest = std::function<bool(const TTreeViewport*)>;
struct TClipboardFormatEntry {
    core::String Name;
    TTreeClassTest TreeClass;
    uint32_t Priority = 0;
    // The platform's format number and storage media (TYMED bits, 1 = global memory).
    uint32_t Format = 0;
    uint32_t Tymed = 1;
};
template <class TreeClass> TTreeClassTest TreeClassTest()
{
    return [](const TTreeViewport* tree) { return dynamic_cast<const TreeClass*>(tree) != nullptr; };
}
// Registers the name with the platform and lists it under the number the platform gives, which is
// returned. A name registered again takes the new class and priority.
uint32_t RegisterVTClipboardFormat(core::StringView name, TTreeClassTest treeClass, uint32_t priority);
// Lists a predefined or already registered format by number: formats 1 to 16 under their
// descriptive names, higher ones under the platform's registered name. 0, and a number the
// platform has no name for, add nothing.
void RegisterVTClipboardFormat(uint32_t format, TTreeClassTest treeClass, uint32_t priority);
template <class TreeClass> uint32_t RegisterVTClipboardFormat(core::StringView name, uint32_t priority)
{
    return RegisterVTClipboardFormat(name, TreeClassTest<TreeClass>(), priority);
}
template <class TreeClass> void RegisterVTClipboardFormat(uint32_t format, uint32_t priority)
{
    RegisterVTClipboardFormat(format, TreeClassTest<TreeClass>(), priority);
}
// The platform's half of the registry (unit_services_*.cpp): a name's format number, made on first
// use, and the registered name of a number above 16 (empty when it has none).
uint32_t PlatformRegisterClipboardFormat(core::StringView name);
core::String PlatformClipboardFormatName(uint32_t format);

// Name lookups ignore case; all lookups search from the end of the list.
const TClipboardFormatEntry* FindFormat(core::StringView name);
// The class of the entry named so, with its number in format; an empty class and format unchanged
// when there is none.
TTreeClassTest FindFormat(core::StringView name, uint32_t& format);
// The class of the entry with that number, with its name in description; an empty class and
// description unchanged when there is none.
TTreeClassTest FindFormat(uint32_t format, core::String& description);
// The entries a tree can render, in priority order, limited to the names in allowed when given.
class TClipboardFormats;
std::vector<TClipboardFormatEntry> EnumerateFormats(const TTreeViewport* tree, const TClipboardFormats* allowed);
// Appends the names of the formats a tree can render, in priority order.
void EnumerateFormats(const TTreeViewport* tree, core::Strings& formats);
// "Plain text" ... "Locale descriptor" for the predefined formats 1 to 16; empty for others.
core::String PredefinedFormatName(uint32_t format);
void ClearClipboardFormatRegistry();

// The format names a tree offers: sorted, no duplicates, only names registered for its class.
class TClipboardFormats {
public:
    explicit TClipboardFormats(TTreeViewport* owner) : m_owner(owner) {}
    TTreeViewport* Owner() const { return m_owner; }
    // The sorted index of the name, or -1 when it is not registered for the owner's class.
    int Add(core::StringView name);
    // A sorted list refuses inserting at a place; unregistered names are ignored.
    void Insert(int index, core::StringView name);
    void Clear() { m_names.clear(); }
    int Count() const { return int(m_names.size()); }
    const core::String& operator[](int index) const { return m_names.at(size_t(index)); }
    int IndexOf(core::StringView name) const;
    void Assign(const TClipboardFormats& source);

private:
    TTreeViewport* m_owner;
    std::vector<core::String> m_names;
};

} // namespace treeview
