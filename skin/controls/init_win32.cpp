// Start-up and shut-down of the skinned controls.
#include "skin/controls/glyphs.h"
#include "skin/controls/properties.h"
#include "skin/controls/skinned.h"
#include "skin/controls/splitter.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"

namespace skin {

namespace {

// Every windowed child is walked into by the skin broadcasts.
bool NoSkip(ui::WinControl*) { return false; }
void IgnoreActivation(bool) {}
bool IsSkinnedSplitter(ui::Control* control) { return dynamic_cast<TsSplitter*>(control) != nullptr; }

} // namespace

void InitSkinControls()
{
    InitWindowSkinning();
    InitSkinEngine();
    SetSplitterTest(IsSkinnedSplitter);
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
    DoneSkinEngine();
    DoneWindowSkinning();
}

} // namespace skin
