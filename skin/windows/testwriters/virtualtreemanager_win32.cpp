#include "skin/windows/testwriters/virtualtreemanager_win32.h"

#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"

namespace skin::testing {

VirtualTreeTestSkinManager::VirtualTreeTestSkinManager()
{
    const std::vector<SkinFile> files = VirtualTreeTestSkinFiles();
    m_folder = std::make_unique<test::SkinFolder>(files);
    auto ini = test::OptionsText(core::FromUtf8(files[0].bytes));
    ReadMasks(*this, *ini, {nullptr, m_folder->Path()}, nullptr, this);
    ReadPatterns(*this, *ini, {nullptr, m_folder->Path()}, nullptr, this);
    LoadAllGeneralData(*this, *ini, {});
    InitConstantIndexes();
    SkinData.Active = true;
    lists[kVirtualTreeList].Add(u"TVirtualStringTree");
}

VirtualTreeTestSkinManager::~VirtualTreeTestSkinManager() = default;

} // namespace skin::testing
