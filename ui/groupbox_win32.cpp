// Group boxes.
#include "ui/groupbox.h"

namespace ui {

GroupBox::GroupBox(core::Component* owner) : CustomControl(owner)
{
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 105);
}

void GroupBox::Paint()
{
    ui::Canvas& canvas = Canvas();
    RECT client = ClientRect();
    canvas.SetBrushColor(GetColor());
    canvas.FillRect(client);
    int textHeight = canvas.TextHeight(u"0");
    RECT frame{client.left, client.top + textHeight / 2, client.right, client.bottom};
    DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    core::String text = Caption();
    if (text.empty())
        return;
    RECT r{8, 0, 8, textHeight};
    canvas.TextRect(r, text, DT_SINGLELINE | DT_CALCRECT);
    r.right += 2;
    r.left -= 1;
    canvas.SetBrushColor(GetColor());
    canvas.FillRect(r);
    canvas.SetBrushStyle(bsClear);
    if (!Enabled())
        canvas.Font().SetColor(clGrayText);
    r.left += 1;
    canvas.TextRect(r, text, DT_SINGLELINE);
}

void GroupBox::AlignControls(RECT& rect)
{
    // Aligned children stay inside the frame, below the caption.
    rect.top += 15;
    InflateRect(&rect, -2, -2);
    CustomControl::AlignControls(rect);
}

void GroupBox::WndProc(Message& message)
{
    CustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == WM_SIZE)
        Invalidate();
}

} // namespace ui
