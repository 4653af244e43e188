// Labels: text drawn with DrawText on the parent's canvas.
#include "ui/label.h"

#include "ui/shortcut.h"
#include "ui/wincontrol.h"

namespace ui {

Label::Label(core::Component* owner) : GraphicControl(owner)
{
    SetControlStyle(ControlStyle() | csSetCaption);
    SetColor(clBtnFace);
    SetBounds(0, 0, 65, 17);
}

void Label::SetAlignment(ui::Alignment alignment)
{
    m_alignment = alignment;
    Invalidate();
}

void Label::SetLayout(TextLayout layout)
{
    m_layout = layout;
    Invalidate();
}

void Label::SetWordWrap(bool value)
{
    m_word_wrap = value;
    AdjustBounds();
    Invalidate();
}

void Label::SetAutoSize(bool value)
{
    m_auto_size = value;
    AdjustBounds();
}

void Label::SetTransparent(bool value)
{
    m_transparent = value;
    Invalidate();
}

void Label::SetShowAccelChar(bool value)
{
    m_show_accel_char = value;
    AdjustBounds();
    Invalidate();
}

UINT Label::DrawFlags() const
{
    UINT flags = DT_EXPANDTABS;
    flags |= m_alignment == taRightJustify ? DT_RIGHT : m_alignment == taCenter ? DT_CENTER : DT_LEFT;
    flags |= m_word_wrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (!m_show_accel_char)
        flags |= DT_NOPREFIX;
    return flags;
}

void Label::AdjustBounds()
{
    if (!m_auto_size || m_adjusting)
        return;
    HDC dc = GetDC(nullptr);
    RECT r{0, 0, m_word_wrap ? Width() : 0, 0};
    {
        Canvas canvas(dc);
        canvas.Font().Assign(Font());
        core::String text = Caption();
        if (text.empty() || (m_show_accel_char && text == u"&"))
            text.assign(1, u' ');
        canvas.TextRect(r, text, DrawFlags() | DT_CALCRECT);
    }
    ReleaseDC(nullptr, dc);
    int width = m_word_wrap ? Width() : r.right - r.left;
    int left = Left();
    // Right-aligned text keeps its right edge, centred text its middle.
    if (!m_word_wrap && m_alignment == taRightJustify)
        left += Width() - width;
    else if (!m_word_wrap && m_alignment == taCenter)
        left += (Width() - width) / 2;
    m_adjusting = true;
    SetBounds(left, Top(), width, r.bottom - r.top);
    m_adjusting = false;
}

void Label::Paint(Canvas& canvas)
{
    RECT r{0, 0, Width(), Height()};
    if (!m_transparent) {
        canvas.SetBrushColor(GetColor());
        canvas.FillRect(r);
    }
    canvas.SetBrushStyle(bsClear);
    core::String text = Caption();
    UINT flags = DrawFlags();
    if (m_layout != tlTop) {
        RECT calc = r;
        canvas.TextRect(calc, text, flags | DT_CALCRECT);
        int offset = (r.bottom - calc.bottom) / (m_layout == tlCenter ? 2 : 1);
        r.top += offset;
    }
    if (!Enabled()) {
        OffsetRect(&r, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        canvas.TextRect(r, text, flags);
        OffsetRect(&r, -1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    canvas.TextRect(r, text, flags);
}

void Label::WndProc(Message& message)
{
    GraphicControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_FONTCHANGED)
        AdjustBounds();
}

bool Label::DialogChar(core::Char key)
{
    if (m_show_accel_char && m_focus_control && IsAccel(key, Caption()) && m_focus_control->CanFocus()) {
        m_focus_control->SetFocus();
        return true;
    }
    return false;
}

} // namespace ui
