#include "skin/windows/testwriters/windowtestmanager_win32.h"

#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"
#include "skin/windows/testwriters/windowtestskin.h"

namespace skin::testing {

WindowTestSkinManager::WindowTestSkinManager(WindowTestSkinFlavour flavour)
{
    const std::vector<SkinFile> files = WindowTestSkinFiles(flavour);
    m_folder = std::make_unique<test::SkinFolder>(files);
    auto ini = test::OptionsText(core::FromUtf8(files[0].bytes));
    ReadMasks(*this, *ini, {nullptr, m_folder->Path()}, nullptr, this);
    ReadPatterns(*this, *ini, {nullptr, m_folder->Path()}, nullptr, this);
    LoadAllGeneralData(*this, *ini, {});
    InitConstantIndexes();
    SkinData.Active = true;
}

WindowTestSkinManager::~WindowTestSkinManager() = default;

} // namespace skin::testing
