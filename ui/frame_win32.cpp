#include "ui/frame.h"

namespace ui {

TFrame::TFrame(core::Component* owner) : CustomControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 320, 240);
}

} // namespace ui
