// The accessibility factory and the tree's accessibility answers and notifications.
#include "treeview/accessibility.h"

#include <algorithm>

namespace treeview {
namespace {

std::unique_ptr<TVTAccessibilityFactory>& FactorySlot()
{
    static std::unique_ptr<TVTAccessibilityFactory> factory;
    return factory;
}

} // namespace

TVTAccessibilityFactory& TVTAccessibilityFactory::GetAccessibilityFactory()
{
    auto& slot = FactorySlot();
    if (!slot)
        slot = std::make_unique<TVTAccessibilityFactory>();
    return *slot;
}

bool TVTAccessibilityFactory::Exists() { return FactorySlot() != nullptr; }

void TVTAccessibilityFactory::Free() { FactorySlot().reset(); }

void TVTAccessibilityFactory::RegisterAccessibleProvider(std::shared_ptr<IVTAccessibleProvider> provider)
{
    if (provider && std::find(m_providers.begin(), m_providers.end(), provider) == m_providers.end())
        m_providers.push_back(std::move(provider));
}

void TVTAccessibilityFactory::UnRegisterAccessibleProvider(const std::shared_ptr<IVTAccessibleProvider>& provider)
{
    m_providers.erase(std::remove(m_providers.begin(), m_providers.end(), provider), m_providers.end());
}

IAccessible* TVTAccessibilityFactory::CreateIAccessible(TCustomVirtualTreeControl* tree)
{
    if (!tree)
        return nullptr;
    if (!tree->Accessible() && !m_providers.empty())
        return m_providers.front()->CreateIAccessible(tree);
    if (IAccessible* item = tree->AccessibleItem()) {
        item->AddRef();
        return item;
    }
    if (m_providers.empty())
        return nullptr;
    for (size_t i = m_providers.size() - 1; i >= 1; --i)
        if (IAccessible* result = m_providers[i]->CreateIAccessible(tree))
            return result;
    return m_providers.front()->CreateIAccessible(tree);
}

// ---- The tree's side ----

void TCustomVirtualTreeControl::SetAccessible(IAccessible* value)
{
    if (value == m_accessible)
        return;
    if (m_accessible)
        m_accessible->Release();
    m_accessible = value;
}

void TCustomVirtualTreeControl::SetAccessibleItem(IAccessible* value)
{
    if (value == m_accessible_item)
        return;
    if (m_accessible_item)
        m_accessible_item->Release();
    m_accessible_item = value;
}

LRESULT TCustomVirtualTreeControl::HandleGetObject(WPARAM wparam, LPARAM lparam)
{
    if (!TVTAccessibilityFactory::Exists())
        return 0;
    TVTAccessibilityFactory& factory = TVTAccessibilityFactory::GetAccessibilityFactory();
    // The factory hands out new references; the tree keeps them.
    if (!m_accessible)
        SetAccessible(factory.CreateIAccessible(this));
    if (!m_accessible_item) {
        IAccessible* item = factory.CreateIAccessible(this);
        if (item && item == m_accessible_item)
            item->Release();
        else
            SetAccessibleItem(item);
    }
    if (LONG(lparam) == OBJID_CLIENT && m_accessible)
        // The identifier by __uuidof, not the library symbol: both uuid and oleacc define that one,
        // and a program linking the two would see it twice.
        return LresultFromObject(__uuidof(IAccessible), wparam, m_accessible);
    return 0;
}

void TCustomVirtualTreeControl::NotifyAccessibility(DWORD event)
{
    if (m_accessible_item && HandleAllocated())
        NotifyWinEvent(event, HandleIfAllocated(), OBJID_CLIENT, CHILDID_SELF);
}

void TCustomVirtualTreeControl::DoFocusChange(PVirtualNode node, TColumnIndex column)
{
    TVirtualTreeControl::DoFocusChange(node, column);
    for (DWORD event : {EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE,
                        EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_SELECTION, EVENT_OBJECT_FOCUS})
        NotifyAccessibility(event);
}

void TCustomVirtualTreeControl::DoChecked(PVirtualNode node)
{
    TVirtualTreeControl::DoChecked(node);
    NotifyAccessibility(EVENT_OBJECT_STATECHANGE);
}

void TCustomVirtualTreeControl::DoExpanded(PVirtualNode node)
{
    TVirtualTreeControl::DoExpanded(node);
    NotifyAccessibility(EVENT_OBJECT_STATECHANGE);
}

void TCustomVirtualTreeControl::DoCollapsed(PVirtualNode node)
{
    TVirtualTreeControl::DoCollapsed(node);
    NotifyAccessibility(EVENT_OBJECT_STATECHANGE);
}

void TCustomVirtualTreeControl::DoMainColumnChanged(TColumnIndex column)
{
    TVirtualTreeControl::DoMainColumnChanged(column);
    CancelEditing();
    NotifyAccessibility(EVENT_OBJECT_NAMECHANGE);
}

} // namespace treeview
