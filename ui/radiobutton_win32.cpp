// Radio buttons over the system BUTTON class.
#include "ui/radiobutton.h"

#include "ui/shortcut.h"

namespace ui {

RadioButton::RadioButton(core::Component* owner) : WinControl(owner)
{
    SetControlStyle(ControlStyle() & ~(csClickEvents | csAcceptsControls | csDoubleClicks));
    SetColor(clBtnFace);
    SetBounds(0, 0, 113, 17);
}

void RadioButton::SetChecked(bool value)
{
    if (value == m_checked)
        return;
    m_checked = value;
    SetTabStop(value);
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value)
        return;
    if (WinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* other = dynamic_cast<RadioButton*>(parent->Controls(i)); other && other != this)
                other->SetChecked(false);
    Click();
}

void RadioButton::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = L"BUTTON";
    params.Style |= BS_RADIOBUTTON;
}

void RadioButton::CreateHandle()
{
    WinControl::CreateHandle();
    SendMessageW(HandleIfAllocated(), BM_SETCHECK, m_checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool RadioButton::DialogChar(core::Char key)
{
    if (IsAccel(key, Caption()) && CanFocus()) {
        SetFocus();
        SetChecked(true);
        return true;
    }
    return false;
}

void RadioButton::WndProc(Message& message)
{
    if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == BN_CLICKED) {
        SetChecked(true);
        return;
    }
    WinControl::WndProc(message);
}

} // namespace ui
