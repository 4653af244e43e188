// Panel: a container with bevels and a caption drawn in its middle (or to one side).
#pragma once

#include "ui/customcontrol.h"

namespace ui {

enum BevelCut { bvNone, bvLowered, bvRaised };

class Panel : public CustomControl {
public:
    explicit Panel(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TPanel"; }

    // ---- Properties ----
    BevelCut BevelOuter() const { return m_bevel_outer; }
    void SetBevelOuter(BevelCut bevel);
    BevelCut BevelInner() const { return m_bevel_inner; }
    void SetBevelInner(BevelCut bevel);
    int BevelWidth() const { return m_bevel_width; }
    void SetBevelWidth(int width);
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment alignment);

protected:
    // ---- Painting and messages ----
    void Paint() override;
    void WndProc(Message& message) override;

private:
    BevelCut m_bevel_outer = bvRaised;
    BevelCut m_bevel_inner = bvNone;
    int m_bevel_width = 1;
    ui::Alignment m_alignment = taCenter;
};

} // namespace ui
