// Start-up and shut-down of the skinned controls.
#include "skin/controls/glyphs.h"
#include "skin/controls/label.h"
#include "skin/controls/scrollbox.h"
#include "skin/controls/speedbutton.h"
#include "skin/controls/properties.h"
#include "skin/controls/skinned.h"
#include "skin/controls/splitter.h"
#include "skin/engine/controlhooks.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"

namespace skin {

namespace {

// Every windowed child is walked into by the skin broadcasts.
bool NoSkip(ui::WinControl*) { return false; }
void IgnoreActivation(bool) {}
bool IsSkinnedSplitter(ui::Control* control) { return dynamic_cast<TsSplitter*>(control) != nullptr; }

// What the form skinning asks of the skinned controls.
bool IsLabel(ui::Control* control) { return dynamic_cast<TsCustomLabel*>(control) != nullptr; }
bool MouseAboveSpeedButton(ui::Control* control)
{
    auto* button = dynamic_cast<TsSpeedButton*>(control);
    return button && button->SkinData() && button->SkinData()->FMouseAbove;
}
bool IsScrollBox(ui::Control* control) { return dynamic_cast<TsScrollBox*>(control) != nullptr; }
bool AutoWheel(ui::Control* control)
{
    auto* box = dynamic_cast<TsScrollBox*>(control);
    return box && box->AutoMouseWheel();
}
// The scroll box's own wheel handling is protected: reached through a member pointer.
struct ScrollBoxWheel : TsScrollBox {
    using TsScrollBox::DoMouseWheel;
};
bool ScrollBoxWheelAnswer(ui::Control* control, WORD keys, int delta, POINT screen)
{
    auto* box = dynamic_cast<TsScrollBox*>(control);
    if (!box)
        return false;
    bool (TsScrollBox::*wheel)(ui::ShiftState, int, POINT) = &ScrollBoxWheel::DoMouseWheel;
    return (box->*wheel)(ui::KeysToShiftState(keys), delta, screen);
}

} // namespace

void InitSkinControls()
{
    InitWindowSkinning();
    InitSkinEngine();
    SetSplitterTest(IsSkinnedSplitter);
    SkinnedControlHooks hooks;
    hooks.IsSkinnedLabel = IsLabel;
    hooks.SpeedButtonMouseAbove = MouseAboveSpeedButton;
    hooks.IsScrollBox = IsScrollBox;
    hooks.ScrollBoxAutoMouseWheel = AutoWheel;
    hooks.ScrollBoxMouseWheel = ScrollBoxWheelAnswer;
    SetControlHooks(hooks);
    InitSkinCommand();
    SetSkipsSkinBroadcastHook(NoSkip);
    SetSkinActivationHook(IgnoreActivation);
    RegisterSkinProperties();
    LoadButtonGlyphs();
}

void DoneSkinControls()
{
    SetSkipsSkinBroadcastHook(nullptr);
    SetSkinActivationHook(nullptr);
    SetControlHooks({});
    FreeButtonGlyphs();
    DoneSkinEngine();
    DoneWindowSkinning();
}

} // namespace skin
