// The demo form of the screenshots and the form benchmark: a form with a user title button, a few
// standard controls and a status bar, skinned (or not) by the window test skin with extended borders
// on request.
#pragma once

#include "skin/engine/tsskinmanager.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/form.h"

#include <memory>

namespace skin::testing {

// The window test skin with extended borders (the engine's shadow templates) when asked.
class DemoSkinManager : public WindowTestSkinManager {
public:
    bool ExtendedBorders() const override { return Extended && ShadowResource(true); }
    ui::Bitmap* ShadowTemplate(bool active) const override { return Extended ? ShadowResource(active) : nullptr; }
    Rect FormShadowSize() const override { return Extended ? Rect{8, 8, 8, 8} : Rect{}; }
    bool Extended = false;
};

// The form's controls at width x height; the caller shows it. With a provider (skinned) the form
// gets one user title button.
std::unique_ptr<ui::Form> MakeDemoForm(int width, int height);
TsSkinProvider* SkinDemoForm(ui::Form& form);

} // namespace skin::testing
