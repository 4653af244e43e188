// The accessibility factory: a process-wide list of providers that make accessibility objects
// (IAccessible) for trees. The tree asks it when its window is asked for an object (WM_GETOBJECT);
// with no provider registered the tree answers nothing.
#pragma once
#include "treeview/custom_tree_control.h"
#include <memory>
#include <vector>

namespace treeview {

class IVTAccessibleProvider {
public:
    virtual ~IVTAccessibleProvider() = default;
    // A new reference to an accessibility object for the tree, or null.
    virtual IAccessible* CreateIAccessible(TBaseVirtualTree* tree) = 0;
};

class TVTAccessibilityFactory {
public:
    // The factory, made on first use.
    static TVTAccessibilityFactory& GetAccessibilityFactory();
    // Whether the factory was made.
    static bool Exists();
    // Frees the factory (at the end of the process; tests).
    static void Free();

    void RegisterAccessibleProvider(std::shared_ptr<IVTAccessibleProvider> provider);
    void UnRegisterAccessibleProvider(const std::shared_ptr<IVTAccessibleProvider>& provider);
    // A new reference for the tree: the first provider makes the tree's object; once the tree has
    // its item object that one is returned; otherwise the providers are asked from the last down,
    // the first registered last.
    IAccessible* CreateIAccessible(TCustomVirtualTreeControl* tree);
    size_t ProviderCount() const { return m_providers.size(); }

private:
    std::vector<std::shared_ptr<IVTAccessibleProvider>> m_providers;
};

} // namespace treeview
