// Control-kind codes of the skin state: the section a kind gets when none is named, and the three
// groups of kinds that the common message handling treats apart (edit-like, never hot, no glow).
#pragma once

#include "core/string.h"

namespace skin {

// Kind codes that the skinned controls store in their skin state.
enum ControlKind : int {
    ckEdit = 3, ckBar = 19, ckBarTitle = 20, ckCheckBox = 32, ckRadioButton = 33, ckPanel = 51,
    ckScrollBox = 58, ckGroupBox = 74, ckSplitter = 75, ckSpeedButton = 92, ckButton = 93,
    ckStatusBar = 151, ckSkinProvider = 224, ckFrameAdapter = 226,
};

// The default section of a kind, or empty when the kind has none (the owner's class name is used).
core::String DefaultSectionOf(int kind);

// Edit-like kinds: focus and hover changes redraw their frame.
bool IsEditKind(int kind);
// Kinds that the mouse never makes hot.
bool IsNoHotKind(int kind);
// Kinds that never show a glow.
bool IsNoGlowKind(int kind);

} // namespace skin
