// Speed buttons.
#include "ui/speedbutton.h"

#include "ui/shortcut.h"
#include "ui/wincontrol.h"

namespace ui {

SpeedButton::SpeedButton(core::Component* owner) : GraphicControl(owner)
{
    // Clicks are made on release by the button itself.
    SetControlStyle(ControlStyle() & ~csClickEvents);
    SetColor(clBtnFace);
    SetBounds(0, 0, 23, 22);
}

void SpeedButton::SetState(ButtonState state)
{
    if (state == m_state)
        return;
    m_state = state;
    Invalidate();
}

void SpeedButton::SetDown(bool value)
{
    if (m_group_index == 0)
        value = false;
    if (value == m_down)
        return;
    if (m_down && !m_allow_all_up)
        return; // a group keeps one button down
    m_down = value;
    SetState(value ? bsExclusive : bsUp);
    if (value && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            Parent()->Controls(i)->Perform(CM_BUTTONPRESSED, WPARAM(m_group_index), LPARAM(this));
}

void SpeedButton::SetFlat(bool value)
{
    m_flat = value;
    Invalidate();
}

void SpeedButton::Click() { GraphicControl::Click(); }

void SpeedButton::MouseDown(MouseButton button, ShiftState shift, int x, int y)
{
    GraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled()) {
        if (!m_down)
            SetState(bsDown);
        m_dragging = true;
    }
}

void SpeedButton::MouseUp(MouseButton button, ShiftState shift, int x, int y)
{
    GraphicControl::MouseUp(button, shift, x, y);
    if (!m_dragging || button != mbLeft)
        return;
    m_dragging = false;
    bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
    if (m_group_index == 0) {
        SetState(bsUp);
    } else if (inside) {
        SetDown(!m_down);
        if (m_down)
            SetState(bsExclusive);
        else
            SetState(bsUp);
    } else {
        SetState(m_down ? bsExclusive : bsUp);
    }
    if (inside)
        Click();
}

void SpeedButton::MouseEnter()
{
    m_mouse_in_control = true;
    if (m_flat && Enabled())
        Invalidate();
    GraphicControl::MouseEnter();
}

void SpeedButton::MouseLeave()
{
    m_mouse_in_control = false;
    if (m_flat && Enabled())
        Invalidate();
    GraphicControl::MouseLeave();
}

bool SpeedButton::DialogChar(core::Char key)
{
    if (IsAccel(key, Caption()) && Enabled() && Visible() && Parent() && Parent()->CanFocus()) {
        Click();
        return true;
    }
    return false;
}

void SpeedButton::WndProc(Message& message)
{
    if (message.Msg == CM_BUTTONPRESSED) {
        auto* sender = reinterpret_cast<SpeedButton*>(message.LParam);
        if (sender != this && int(message.WParam) == m_group_index && m_group_index != 0 && m_down) {
            m_down = false;
            SetState(bsUp);
        }
        return;
    }
    if (message.Msg == CM_ENABLEDCHANGED)
        SetState(Enabled() ? (m_down ? bsExclusive : bsUp) : bsDisabled);
    GraphicControl::WndProc(message);
}

void SpeedButton::Paint(Canvas& canvas)
{
    RECT r{0, 0, Width(), Height()};
    canvas.SetBrushColor(GetColor());
    canvas.FillRect(r);
    bool pressed = m_state == bsDown || m_state == bsExclusive;
    if (!m_flat || m_mouse_in_control || pressed)
        DrawEdge(canvas.Handle(), &r, pressed ? EDGE_SUNKEN : (m_flat ? BDR_RAISEDINNER : EDGE_RAISED), BF_RECT);
    core::String text = Caption();
    if (text.empty())
        return;
    canvas.SetBrushStyle(bsClear);
    if (pressed)
        OffsetRect(&r, 1, 1);
    if (!Enabled())
        canvas.Font().SetColor(clGrayText);
    canvas.TextRect(r, text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

} // namespace ui
