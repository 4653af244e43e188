// Frame: a container of controls that is designed once and placed wherever it is needed (a frame
// bar opens one under each title). It paints nothing of its own beyond its colour.
#pragma once

#include "ui/customcontrol.h"

namespace ui {

class TFrame : public CustomControl {
public:
    explicit TFrame(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TFrame"; }
};
using TCustomFrame = TFrame;

} // namespace ui
