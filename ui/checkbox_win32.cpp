// Check boxes over the system BUTTON class.
#include "ui/checkbox.h"

#include "ui/shortcut.h"

namespace ui {

CheckBox::CheckBox(core::Component* owner) : WinControl(owner)
{
    SetControlStyle(ControlStyle() & ~(csClickEvents | csAcceptsControls | csDoubleClicks));
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 97, 17);
}

void CheckBox::SetState(CheckBoxState state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, BM_SETCHECK, WPARAM(state), 0);
    Click();
}

void CheckBox::SetAlignment(ui::Alignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    RecreateWnd();
}

void CheckBox::Toggle()
{
    switch (m_state) {
    case cbUnchecked: SetState(m_allow_grayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void CheckBox::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = L"BUTTON";
    params.Style |= BS_3STATE | (m_alignment == taLeftJustify ? BS_LEFTTEXT : 0);
}

void CheckBox::CreateHandle()
{
    WinControl::CreateHandle();
    SendMessageW(HandleIfAllocated(), BM_SETCHECK, WPARAM(m_state), 0);
}

bool CheckBox::DialogChar(core::Char key)
{
    if (IsAccel(key, Caption()) && CanFocus()) {
        SetFocus();
        Toggle();
        return true;
    }
    return false;
}

void CheckBox::WndProc(Message& message)
{
    if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == BN_CLICKED) {
        Toggle();
        return;
    }
    WinControl::WndProc(message);
}

} // namespace ui
