// The window test skin as the skinned controls' manager, switched on, with the button effects its
// tests step through.
#pragma once

#include "skin/engine/effects.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"

namespace skin::test {

using namespace skin::testing;

class ControlTestSkin : public WindowTestSkinManager {
public:
    ControlTestSkin() : WindowTestSkinManager(wfControls)
    {
        // Controls that defer to the manager change at once; a test asks for its fades.
        if (effects.Buttons)
            effects.Buttons->Events = 0;
    }
    const TacAnimEffects* AnimEffects() const override { return &effects; }

    TacAnimEffects effects;
};

} // namespace skin::test
