// "TestSkin" loaded from its folder into tables that act as the skin manager, with glowing allowed
// and animation settings of their own, for the tests of glows and fades.
#pragma once

#include "skin/engine/effects.h"
#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/skintables.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"

namespace skin::test {

class TestSkinManager : public SkinTables {
public:
    TestSkinManager()
    {
        const auto files = skin::testing::TestSkinFiles();
        auto ini = OptionsText(core::FromUtf8(files[0].bytes));
        ReadMasks(*this, *ini, {nullptr, m_folder.Path()}, nullptr, this);
        ReadPatterns(*this, *ini, {nullptr, m_folder.Path()}, nullptr, this);
        LoadAllGeneralData(*this, *ini, {});
        InitConstantIndexes();
        SkinData.Active = true;
    }
    bool AllowGlowing() const override { return allowGlowing; }
    bool Destroying() const override { return destroying; }
    const TacAnimEffects* AnimEffects() const override { return &effects; }

    bool allowGlowing = true;
    bool destroying = false;
    TacAnimEffects effects;

private:
    SkinFolder m_folder;
};

} // namespace skin::test
