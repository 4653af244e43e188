// The virtual tree wrapper's test skin loaded into tables that act as a skin manager, with the
// string tree's class in the control adapter's virtual-tree list and every skinning rule on.
#pragma once

#include "core/stringlist.h"
#include "skin/engine/skintables.h"
#include "skin/windows/testwriters/windowtestskin.h"

#include <memory>

namespace skin::test {
class SkinFolder;
}

namespace skin::testing {

constexpr int kVirtualTreeList = 12;

class VirtualTreeTestSkinManager : public SkinTables {
public:
    VirtualTreeTestSkinManager();
    ~VirtualTreeTestSkinManager() override;
    TacSkinningRules SkinningRules() const override { return kAllSkinningRules; }
    const core::StringList* ThirdList(int type) const override { return type >= 0 && type < 18 ? &lists[type] : nullptr; }

    core::StringList lists[18];

private:
    std::unique_ptr<test::SkinFolder> m_folder;
};

} // namespace skin::testing
