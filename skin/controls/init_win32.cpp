// Start-up and shut-down of the skinned controls.
#include "skin/controls/glyphs.h"
#include "skin/controls/properties.h"
#include "skin/controls/skinned.h"

namespace skin {

namespace {

// Every windowed child is walked into by the skin broadcasts.
bool NoSkip(ui::WinControl*) { return false; }
void IgnoreActivation(bool) {}

} // namespace

void InitSkinControls()
{
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
    FreeButtonGlyphs();
}

} // namespace skin
