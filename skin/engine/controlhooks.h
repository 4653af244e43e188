// What the form skinning asks of the skinned controls, which sit above it: whether a control is a
// skinned label, speed button or scroll box, and the few operations it runs on them. The
// controls module installs the hooks at start-up; until then every test answers no.
#pragma once

#include "core/string.h"
#include "core/win32.h"

namespace ui {
class Control;
}

namespace skin {

struct SkinnedControlHooks {
    // A skinned label: the control adapter leaves it alone.
    bool (*IsSkinnedLabel)(ui::Control* control) = nullptr;
    // A skinned speed button whose skin state says the mouse is above it.
    bool (*SpeedButtonMouseAbove)(ui::Control* control) = nullptr;
    // A skinned scroll box (ends the search for the wheel's target).
    bool (*IsScrollBox)(ui::Control* control) = nullptr;
    // The scroll box's AutoMouseWheel.
    bool (*ScrollBoxAutoMouseWheel)(ui::Control* control) = nullptr;
    // The scroll box's wheel handling (key state, signed delta, screen point); its answer.
    bool (*ScrollBoxMouseWheel)(ui::Control* control, WORD keys, int delta, POINT screen) = nullptr;
};

const SkinnedControlHooks& ControlHooks();
void SetControlHooks(const SkinnedControlHooks& hooks);

// Each answers false (or does nothing) while its hook is not installed.
bool IsSkinnedLabel(ui::Control* control);
bool SpeedButtonMouseAbove(ui::Control* control);
bool IsSkinnedScrollBox(ui::Control* control);

} // namespace skin
