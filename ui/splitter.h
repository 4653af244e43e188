// Splitter: a thin windowless bar aligned to a side; dragging it resizes the control that lies
// against it on the same side.
#pragma once

#include "ui/graphiccontrol.h"

namespace ui {

class Splitter : public GraphicControl {
public:
    explicit Splitter(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TSplitter"; }

    // ---- Properties ----
    int MinSize() const { return m_min_size; }
    void SetMinSize(int size) { m_min_size = std::max(size, 1); }
    bool Beveled() const { return m_beveled; }
    void SetBeveled(bool value);
    // The control a drag resizes (found when the drag starts), or null.
    Control* FindControl() const;

    // ---- Events ----
    NotifyEvent OnMoved;

protected:
    // ---- Painting and mouse ----
    void Paint(Canvas& canvas) override;
    void MouseDown(MouseButton button, ShiftState shift, int x, int y) override;
    void MouseMove(ShiftState shift, int x, int y) override;
    void MouseUp(MouseButton button, ShiftState shift, int x, int y) override;

private:
    int m_min_size = 30;
    bool m_beveled = false;
    Control* m_control = nullptr; // during a drag
    POINT m_down{};
    int m_start_size = 0;
};

} // namespace ui
