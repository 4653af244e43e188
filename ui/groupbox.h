// Group box: a container framed by an etched line with its caption on the top edge.
#pragma once

#include "ui/customcontrol.h"

namespace ui {

class GroupBox : public CustomControl {
public:
    explicit GroupBox(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TGroupBox"; }

protected:
    // ---- Painting and messages ----
    void Paint() override;
    void WndProc(Message& message) override;
    void AlignControls(RECT& rect) override;
};

} // namespace ui
