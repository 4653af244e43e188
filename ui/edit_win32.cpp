// Edit boxes over the system EDIT class.
#include "ui/edit.h"

namespace ui {

Edit::Edit(core::Component* owner) : WinControl(owner)
{
    SetControlStyle(ControlStyle() & ~(csClickEvents | csAcceptsControls));
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

void Edit::SetPasswordChar(core::Char ch)
{
    if (ch == m_password_char)
        return;
    m_password_char = ch;
    if (HandleAllocated()) {
        SendMessageW(HandleIfAllocated(), EM_SETPASSWORDCHAR, WPARAM(ch), 0);
        Invalidate();
    }
}

void Edit::SetReadOnly(bool value)
{
    m_read_only = value;
    if (HandleAllocated())
        SendMessageW(HandleIfAllocated(), EM_SETREADONLY, value, 0);
}

void Edit::SetMaxLength(int length)
{
    m_max_length = std::max(length, 0);
    if (HandleAllocated())
        SendMessageW(HandleIfAllocated(), EM_LIMITTEXT, WPARAM(m_max_length), 0);
}

void Edit::SetBorderStyle(ui::BorderStyle style)
{
    if (style == m_border_style)
        return;
    m_border_style = style;
    RecreateWnd();
}

int Edit::SelStart() const
{
    DWORD start = 0;
    if (HandleIfAllocated())
        SendMessageW(HandleIfAllocated(), EM_GETSEL, WPARAM(&start), 0);
    return int(start);
}

void Edit::SetSelStart(int start) { SendMessageW(Handle(), EM_SETSEL, WPARAM(start), LPARAM(start)); }

int Edit::SelLength() const
{
    DWORD start = 0, end = 0;
    if (HandleIfAllocated())
        SendMessageW(HandleIfAllocated(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    return int(end - start);
}

void Edit::SetSelLength(int length)
{
    int start = SelStart();
    SendMessageW(Handle(), EM_SETSEL, WPARAM(start), LPARAM(start + length));
}

bool Edit::Modified() const
{
    return HandleIfAllocated() && SendMessageW(HandleIfAllocated(), EM_GETMODIFY, 0, 0) != 0;
}

void Edit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }

void Edit::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = L"EDIT";
    params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (m_password_char)
        params.Style |= ES_PASSWORD;
    if (m_read_only)
        params.Style |= ES_READONLY;
    if (m_border_style == bsSingleBorder)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void Edit::CreateHandle()
{
    WinControl::CreateHandle();
    HWND h = HandleIfAllocated();
    if (m_password_char)
        SendMessageW(h, EM_SETPASSWORDCHAR, WPARAM(m_password_char), 0);
    if (m_max_length)
        SendMessageW(h, EM_LIMITTEXT, WPARAM(m_max_length), 0);
}

void Edit::WndProc(Message& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == EN_CHANGE) {
            Change();
            return;
        }
        break;
    default:
        break;
    }
    WinControl::WndProc(message);
}

void Edit::Change()
{
    if (OnChange)
        OnChange(this);
}

} // namespace ui
