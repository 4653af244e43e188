// Panels.
#include "ui/panel.h"

namespace ui {

Panel::Panel(core::Component* owner) : CustomControl(owner)
{
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void Panel::SetBevelOuter(BevelCut bevel)
{
    m_bevel_outer = bevel;
    Invalidate();
}

void Panel::SetBevelInner(BevelCut bevel)
{
    m_bevel_inner = bevel;
    Invalidate();
}

void Panel::SetBevelWidth(int width)
{
    m_bevel_width = std::max(width, 1);
    Invalidate();
}

void Panel::SetAlignment(ui::Alignment alignment)
{
    m_alignment = alignment;
    Invalidate();
}

void Panel::Paint()
{
    ui::Canvas& canvas = Canvas();
    RECT r = ClientRect();
    canvas.SetBrushColor(GetColor());
    canvas.FillRect(r);
    for (BevelCut bevel : {m_bevel_outer, m_bevel_inner})
        if (bevel != bvNone)
            canvas.Frame3D(r, bevel == bvLowered ? clBtnShadow : clBtnHighlight,
                           bevel == bvLowered ? clBtnHighlight : clBtnShadow, m_bevel_width);
    core::String text = Caption();
    if (text.empty())
        return;
    canvas.SetBrushStyle(bsClear);
    UINT flags = DT_SINGLELINE | DT_VCENTER |
                 (m_alignment == taLeftJustify ? DT_LEFT : m_alignment == taRightJustify ? DT_RIGHT : DT_CENTER);
    if (!Enabled())
        canvas.Font().SetColor(clGrayText);
    canvas.TextRect(r, text, flags);
}

void Panel::WndProc(Message& message)
{
    CustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == WM_SIZE)
        Invalidate();
}

} // namespace ui
