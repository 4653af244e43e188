// The window test skin loaded from a temporary folder into tables that act as a skin manager.
#pragma once

#include "skin/engine/skintables.h"
#include "skin/windows/testwriters/windowtestskin.h"

#include <memory>

namespace skin {
class TacMenuSupport;
class TsMenuPainter;
}

namespace skin::test {
class SkinFolder;
}

namespace skin::testing {

class WindowTestSkinManager : public SkinTables {
public:
    explicit WindowTestSkinManager(WindowTestSkinFlavour flavour = wfWrappers);
    ~WindowTestSkinManager() override;

private:
    std::unique_ptr<test::SkinFolder> m_folder;
};

// ---- Menus ----
// The window test skin with skinned popups, a menu painter and menu options of its own, and a
// "FORM" section for form providers.
class WindowTestMenuManager : public WindowTestSkinManager {
public:
    WindowTestMenuManager();
    ~WindowTestMenuManager() override;
    bool SkinnedPopups() const override { return true; }
    TsSkinableMenus* SkinableMenus() const override;
    TacMenuSupport* MenuSupport() const override { return m_support.get(); }
    TsMenuPainter* Painter() const { return m_painter.get(); }
    TacMenuSupport& Support() const { return *m_support; }
    // Renames a section so that lookups by its name fail.
    void HideSection(core::StringView name);

private:
    std::unique_ptr<TacMenuSupport> m_support;
    std::unique_ptr<TsMenuPainter> m_painter;
};

} // namespace skin::testing
