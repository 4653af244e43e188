// Speed button: a windowless button with up, down, hot and disabled states; buttons of one group
// (GroupIndex other than 0) on the same parent stay down one at a time. Hot tracking follows
// CM_MOUSEENTER and CM_MOUSELEAVE, which other code may also send to reset the hot state.
#pragma once

#include "ui/graphiccontrol.h"

namespace ui {

enum ButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class SpeedButton : public GraphicControl {
public:
    explicit SpeedButton(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TSpeedButton"; }

    // ---- Properties ----
    bool Down() const { return m_down; }
    void SetDown(bool value);
    int GroupIndex() const { return m_group_index; }
    void SetGroupIndex(int index) { m_group_index = index; }
    bool AllowAllUp() const { return m_allow_all_up; }
    void SetAllowAllUp(bool value) { m_allow_all_up = value; }
    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    ButtonState State() const { return m_state; }
    bool MouseInControl() const { return m_mouse_in_control; }

    // ---- Operations ----
    void Click() override;

protected:
    // ---- Painting and messages ----
    void Paint(Canvas& canvas) override;
    void WndProc(Message& message) override;
    void MouseDown(MouseButton button, ShiftState shift, int x, int y) override;
    void MouseUp(MouseButton button, ShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool DialogChar(core::Char key) override;
    void SetState(ButtonState state);

private:
    bool m_down = false;
    int m_group_index = 0;
    bool m_allow_all_up = false;
    bool m_flat = false;
    bool m_mouse_in_control = false;
    bool m_dragging = false;
    ButtonState m_state = bsUp;
};

} // namespace ui
