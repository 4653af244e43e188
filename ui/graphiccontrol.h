// Windowless controls: no window of their own; the parent paints them (Paint) and passes them the
// mouse messages that fall on them.
#pragma once

#include "ui/canvas.h"
#include "ui/control.h"

namespace ui {

class GraphicControl : public Control {
public:
    explicit GraphicControl(core::Component* owner = nullptr) : Control(owner) {}

protected:
    void Paint(Canvas& canvas) override {}
};

} // namespace ui
