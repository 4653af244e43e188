// The window test skin loaded from a temporary folder into tables that act as a skin manager.
#pragma once

#include "skin/engine/skintables.h"
#include "skin/windows/testwriters/windowtestskin.h"

#include <memory>

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

} // namespace skin::testing
