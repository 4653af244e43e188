// Splitters.
#include "ui/splitter.h"

#include "ui/wincontrol.h"

namespace ui {

Splitter::Splitter(core::Component* owner) : GraphicControl(owner)
{
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
    SetColor(clBtnFace);
}

void Splitter::SetBeveled(bool value)
{
    m_beveled = value;
    Invalidate();
}

Control* Splitter::FindControl() const
{
    WinControl* parent = Parent();
    if (!parent || Align() == alNone || Align() == alClient)
        return nullptr;
    // The neighbour touches the splitter's edge on the side it is aligned to.
    for (int i = 0; i < parent->ControlCount(); ++i) {
        Control* c = parent->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align())
            continue;
        RECT r = c->BoundsRect();
        bool touches = false;
        switch (Align()) {
        case alLeft: touches = r.right == Left(); break;
        case alRight: touches = r.left == Left() + Width(); break;
        case alTop: touches = r.bottom == Top(); break;
        case alBottom: touches = r.top == Top() + Height(); break;
        default: break;
        }
        if (touches)
            return c;
    }
    return nullptr;
}

void Splitter::Paint(Canvas& canvas)
{
    RECT r{0, 0, Width(), Height()};
    canvas.SetBrushColor(GetColor());
    canvas.FillRect(r);
    if (m_beveled && Width() > 1 && Height() > 1)
        canvas.Frame3D(r, clBtnHighlight, clBtnShadow, 1);
}

void Splitter::MouseDown(MouseButton button, ShiftState shift, int x, int y)
{
    GraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled())
        return;
    m_control = FindControl();
    m_down = ClientToScreen(POINT{x, y});
    if (m_control)
        m_start_size = (Align() == alLeft || Align() == alRight) ? m_control->Width() : m_control->Height();
}

void Splitter::MouseMove(ShiftState shift, int x, int y)
{
    GraphicControl::MouseMove(shift, x, y);
    if (!m_control || !(shift & ssLeft))
        return;
    POINT now = ClientToScreen(POINT{x, y});
    int delta = 0;
    switch (Align()) {
    case alLeft: delta = now.x - m_down.x; break;
    case alRight: delta = m_down.x - now.x; break;
    case alTop: delta = now.y - m_down.y; break;
    case alBottom: delta = m_down.y - now.y; break;
    default: return;
    }
    int size = std::max(m_start_size + delta, m_min_size);
    if (Align() == alLeft || Align() == alRight)
        m_control->SetWidth(size);
    else
        m_control->SetHeight(size);
}

void Splitter::MouseUp(MouseButton button, ShiftState shift, int x, int y)
{
    GraphicControl::MouseUp(button, shift, x, y);
    if (m_control && button == mbLeft) {
        m_control = nullptr;
        if (OnMoved)
            OnMoved(this);
    }
}

} // namespace ui
