// Scroll boxes.
#include "ui/scrollbox.h"

namespace ui {

void ControlScrollBar::SetPosition(int position)
{
    RECT client = m_box.ClientRect();
    int page = m_kind == SB_HORZ ? client.right : client.bottom;
    position = std::clamp(position, 0, std::max(m_range - page, 0));
    if (position == m_position)
        return;
    int delta = m_position - position;
    m_position = position;
    if (m_kind == SB_HORZ)
        m_box.ScrollBy(delta, 0);
    else
        m_box.ScrollBy(0, delta);
    m_box.ApplyBar(*this);
}

void ControlScrollBar::SetRange(int range)
{
    m_range = std::max(range, 0);
    m_box.ApplyBar(*this);
}

bool ControlScrollBar::IsScrollBarVisible() const
{
    HWND h = m_box.HandleIfAllocated();
    return h && (GetWindowLongPtrW(h, GWL_STYLE) & (m_kind == SB_HORZ ? WS_HSCROLL : WS_VSCROLL));
}

ScrollBox::ScrollBox(core::Component* owner) : WinControl(owner)
{
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void ScrollBox::SetAutoScroll(bool value)
{
    m_auto_scroll = value;
    UpdateScrollBars();
}

void ScrollBox::SetBorderStyle(ui::BorderStyle style)
{
    if (style == m_border_style)
        return;
    m_border_style = style;
    RecreateWnd();
}

void ScrollBox::ScrollBy(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    m_updating = true;
    for (int i = 0; i < ControlCount(); ++i) {
        Control* c = Controls(i);
        c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
    m_updating = false;
    Invalidate();
}

void ScrollBox::ScrollInView(Control* control)
{
    if (!control)
        return;
    POINT topLeft = ScreenToClient(control->ClientToScreen(POINT{0, 0}));
    RECT client = ClientRect();
    if (topLeft.x < 0)
        m_horz.SetPosition(m_horz.m_position + topLeft.x);
    else if (topLeft.x + control->Width() > client.right)
        m_horz.SetPosition(m_horz.m_position + topLeft.x + control->Width() - client.right);
    if (topLeft.y < 0)
        m_vert.SetPosition(m_vert.m_position + topLeft.y);
    else if (topLeft.y + control->Height() > client.bottom)
        m_vert.SetPosition(m_vert.m_position + topLeft.y + control->Height() - client.bottom);
}

void ScrollBox::UpdateScrollBars()
{
    if (m_updating || !m_auto_scroll)
        return;
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        Control* c = Controls(i);
        if (!c->Visible() || c->Align() == alClient)
            continue;
        right = std::max(right, c->Left() + c->Width() + m_horz.m_position);
        bottom = std::max(bottom, c->Top() + c->Height() + m_vert.m_position);
    }
    m_updating = true;
    m_horz.m_range = right;
    m_vert.m_range = bottom;
    ApplyBar(m_horz);
    ApplyBar(m_vert);
    m_updating = false;
    // Content that now fits scrolls back into place.
    RECT client = ClientRect();
    for (ControlScrollBar* bar : {&m_horz, &m_vert}) {
        int page = bar->m_kind == SB_HORZ ? client.right : client.bottom;
        int limit = std::max(bar->m_range - page, 0);
        if (bar->m_position > limit)
            bar->SetPosition(limit);
    }
}

void ScrollBox::ApplyBar(ControlScrollBar& bar)
{
    HWND h = HandleIfAllocated();
    if (!h)
        return;
    RECT client = ClientRect();
    int page = bar.m_kind == SB_HORZ ? client.right : client.bottom;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    info.nMax = bar.m_range > page ? bar.m_range - 1 : 0;
    info.nPage = bar.m_range > page ? UINT(page) : 0;
    info.nPos = bar.m_position;
    SetScrollInfo(h, bar.m_kind, &info, TRUE);
    ShowScrollBar(h, bar.m_kind, bar.m_range > page);
}

void ScrollBox::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    if (m_border_style == bsSingleBorder)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void ScrollBox::CreateHandle()
{
    WinControl::CreateHandle();
    UpdateScrollBars();
}

void ScrollBox::AlignControls(RECT& rect)
{
    WinControl::AlignControls(rect);
    UpdateScrollBars();
}

void ScrollBox::ScrollMessage(ControlScrollBar& bar, WORD code)
{
    RECT client = ClientRect();
    int page = bar.m_kind == SB_HORZ ? client.right : client.bottom;
    int position = bar.m_position;
    switch (code) {
    case SB_LINEUP: position -= bar.m_increment; break;
    case SB_LINEDOWN: position += bar.m_increment; break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = bar.m_range; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(HandleIfAllocated(), bar.m_kind, &info);
        position = info.nTrackPos;
        break;
    }
    default: return;
    }
    bar.SetPosition(position);
}

bool ScrollBox::DoMouseWheel(ShiftState shift, int delta, POINT mouse)
{
    if (WinControl::DoMouseWheel(shift, delta, mouse))
        return true;
    ControlScrollBar& bar = (shift & ssShift) ? m_horz : m_vert;
    RECT client = ClientRect();
    int page = bar.m_kind == SB_HORZ ? client.right : client.bottom;
    if (bar.m_range <= page)
        return false;
    bar.SetPosition(bar.m_position - delta / WHEEL_DELTA * bar.m_increment * 3);
    return true;
}

void ScrollBox::WndProc(Message& message)
{
    switch (message.Msg) {
    case WM_HSCROLL:
        if (message.LParam == 0) {
            ScrollMessage(m_horz, LOWORD(message.WParam));
            return;
        }
        break;
    case WM_VSCROLL:
        if (message.LParam == 0) {
            ScrollMessage(m_vert, LOWORD(message.WParam));
            return;
        }
        break;
    case WM_SIZE:
        WinControl::WndProc(message);
        UpdateScrollBars();
        return;
    case CM_CONTROLCHANGE:
        WinControl::WndProc(message);
        UpdateScrollBars();
        return;
    default:
        break;
    }
    WinControl::WndProc(message);
}

} // namespace ui
