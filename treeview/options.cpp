// Option sets of the tree: defaults, and the reactions of a changed set.
#include "treeview/options.h"
#include "treeview/virtual_tree.h"
#include "core/string.h"

namespace treeview {

TCustomVirtualTreeOptions::TCustomVirtualTreeOptions(TBaseVirtualTree* owner) : m_owner(owner) {}

void TCustomVirtualTreeOptions::SetPaintOptions(TVTPaintOptions value)
{
    TVTPaintOptions old = PaintOptions();
    if (value == old)
        return;
    m_paint.store(value, std::memory_order_relaxed);
    TBaseVirtualTree* tree = m_owner;
    if (!tree || tree->Loading())
        return;
    TVTPaintOptions changed = value ^ old;
    if (changed & toShowHiddenNodes)
        tree->ShowHiddenNodesChanged();   // counts follow the option also without a window
    if (!tree->WindowPort().HandleAllocated())
        return;
    if (changed & (toThemeAware | toUseExplorerTheme)) {
        tree->ThemeOptionsChanged(value);
    } else if (!(changed & toShowHiddenNodes)) {
        tree->Invalidate();
    }
}

void TCustomVirtualTreeOptions::SetAnimationOptions(TVTAnimationOptions value) { m_animation.store(value, std::memory_order_relaxed); }

void TCustomVirtualTreeOptions::SetAutoOptions(TVTAutoOptions value)
{
    TVTAutoOptions old = AutoOptions();
    if (value == old)
        return;
    m_auto.store(value, std::memory_order_relaxed);
    if (m_owner && !m_owner->Loading() && ((value ^ old) & toAutoSpanColumns) && m_owner->WindowPort().HandleAllocated())
        m_owner->Invalidate();
}

void TCustomVirtualTreeOptions::SetSelectionOptions(TVTSelectionOptions value)
{
    TVTSelectionOptions old = SelectionOptions();
    if (value == old)
        return;
    m_selection.store(value, std::memory_order_relaxed);
    if (!m_owner)
        return;
    TVTSelectionOptions changed = value ^ old;
    if ((changed & toMultiSelect) || ((changed & value) & (toLevelSelectConstraint | toSiblingSelectConstraint)))
        m_owner->ClearSelection();
    // Without a header the main column is NoColumn: losing extended focus puts the focus there.
    if (!(value & toExtendedFocus)) {
        if ((old & toExtendedFocus) && m_owner->m_focused_column > 0 && m_owner->WindowPort().HandleAllocated()) {
            m_owner->m_focused_column = NoColumn;
            m_owner->Invalidate();
        }
        m_owner->m_focused_column = NoColumn;
    }
}

void TCustomVirtualTreeOptions::SetMiscOptions(TVTMiscOptions value)
{
    TVTMiscOptions old = MiscOptions();
    if (value == old)
        return;
    m_misc.store(value, std::memory_order_relaxed);
    if (!m_owner || m_owner->Loading() || !m_owner->WindowPort().HandleAllocated())
        return;
    // Re-creating the window and OLE drop registration follow in the window half.
    if ((value ^ old) & toCheckSupport)
        m_owner->Invalidate();
}

void TCustomVirtualTreeOptions::AssignTo(TCustomVirtualTreeOptions& dest) const
{
    dest.SetPaintOptions(PaintOptions());
    dest.SetAnimationOptions(AnimationOptions());
    dest.SetAutoOptions(AutoOptions());
    dest.SetSelectionOptions(SelectionOptions());
    dest.SetMiscOptions(MiscOptions());
}

void TCustomStringTreeOptions::SetStringOptions(TVTStringOptions value)
{
    TVTStringOptions old = StringOptions();
    if (value == old)
        return;
    m_string.store(value, std::memory_order_relaxed);
    TBaseVirtualTree* tree = Owner();
    if (tree && !tree->Loading() && ((value ^ old) & toShowStaticText) && tree->WindowPort().HandleAllocated())
        tree->Invalidate();
}

void TCustomStringTreeOptions::AssignTo(TCustomVirtualTreeOptions& dest) const
{
    if (auto* strings = dynamic_cast<TCustomStringTreeOptions*>(&dest))
        strings->SetStringOptions(StringOptions());
    TCustomVirtualTreeOptions::AssignTo(dest);
}

} // namespace treeview
