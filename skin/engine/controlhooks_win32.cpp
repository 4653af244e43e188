#include "skin/engine/controlhooks.h"

namespace skin {

namespace {
SkinnedControlHooks g_hooks;
}

const SkinnedControlHooks& ControlHooks() { return g_hooks; }
void SetControlHooks(const SkinnedControlHooks& hooks) { g_hooks = hooks; }

bool IsSkinnedLabel(ui::Control* control) { return g_hooks.IsSkinnedLabel && g_hooks.IsSkinnedLabel(control); }
bool SpeedButtonMouseAbove(ui::Control* control)
{
    return g_hooks.SpeedButtonMouseAbove && g_hooks.SpeedButtonMouseAbove(control);
}
bool IsSkinnedScrollBox(ui::Control* control) { return g_hooks.IsScrollBox && g_hooks.IsScrollBox(control); }

} // namespace skin
