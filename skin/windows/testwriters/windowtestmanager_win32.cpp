#include "skin/windows/testwriters/windowtestmanager_win32.h"

#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"
#include "skin/windows/skinmenus.h"
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

// ---- Menus ----

WindowTestMenuManager::WindowTestMenuManager()
    : m_support(std::make_unique<TacMenuSupport>()), m_painter(std::make_unique<TsMenuPainter>(this))
{
    m_support->IcoLineSkin = u"ICOLINE";
    SectionData form;
    form.ClassName = u"FORM";
    form.Color = 0x203040;
    gd.push_back(form);
}

WindowTestMenuManager::~WindowTestMenuManager() = default;

TsSkinableMenus* WindowTestMenuManager::SkinableMenus() const { return m_painter.get(); }

void WindowTestMenuManager::HideSection(core::StringView name)
{
    for (SectionData& s : gd)
        if (s.ClassName == name)
            s.ClassName = u"HIDDEN_" + core::String(name);
}

} // namespace skin::testing
