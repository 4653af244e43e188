// What the skinned controls share: the check whether a skin
// command of sub-code 1, 2 or 3 comes from the control's own manager, and the module's start-up.
#pragma once

#include "skin/engine/commondata.h"
#include "skin/engine/consts.h"

namespace skin {

// A sub-code 1, 2 or 3 whose manager (LParam) is the control's own (both empty in the client).
inline bool FromOwnManager(const ui::Message& message, TsCommonData& data)
{
    return LPARAM(data.GetSkinManager()) == message.LParam;
}

// Whether the control takes the unskinned road for this message.
inline bool Unskinned(ui::Control* control, TsCommonData& data)
{
    return !ControlIsReady(control) || !data.Skinned();
}

// Start-up of the skinned controls: registers the skin command, installs the engine's hooks and
// loads the push-button glyph list; finalisation frees what start-up made.
void InitSkinControls();
void DoneSkinControls();

} // namespace skin
