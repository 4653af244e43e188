// Combo boxes over the system COMBOBOX class.
#include "ui/combobox.h"

namespace ui {

ComboBox::ComboBox(core::Component* owner) : WinControl(owner), m_items(std::make_unique<ItemStrings>(static_cast<ItemStrings::Sink&>(*this)))
{
    SetControlStyle(ControlStyle() & ~(csClickEvents | csAcceptsControls));
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
}

ComboBox::~ComboBox()
{
    // The list must not call back into a half-destroyed control.
    DestroyHandle();
}

int ComboBox::ItemIndex() const
{
    if (HWND h = HandleIfAllocated())
        return int(SendMessageW(h, CB_GETCURSEL, 0, 0));
    return m_item_index;
}

void ComboBox::SetItemIndex(int index)
{
    if (index < -1 || index >= m_items->Count())
        index = -1;
    m_item_index = index;
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, CB_SETCURSEL, WPARAM(index), 0);
    else
        Control::SetTextBuf(index >= 0 ? m_items->Get(index) : core::String());
}

void ComboBox::SetStyle(ComboBoxStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    RecreateWnd();
}

bool ComboBox::DroppedDown() const
{
    HWND h = HandleIfAllocated();
    return h && SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void ComboBox::SetDroppedDown(bool value) { SendMessageW(Handle(), CB_SHOWDROPDOWN, value, 0); }

void ComboBox::Clear()
{
    m_items->Clear();
    m_item_index = -1;
    SetText(u"");
}

int ComboBox::WindowHeight() const
{
    // The window's height includes the open list.
    return Height() + m_drop_down_count * 16 + 2;
}

void ComboBox::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = L"COMBOBOX";
    params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    params.Style |= m_style == csDropDownList ? CBS_DROPDOWNLIST : m_style == csSimple ? CBS_SIMPLE : CBS_DROPDOWN;
    if (m_style != csSimple)
        params.Height = WindowHeight();
}

void ComboBox::CreateHandle()
{
    int index = m_item_index;
    core::String text = Control::GetText();
    WinControl::CreateHandle();
    m_items->Refill();
    if (index >= 0)
        SendMessageW(HandleIfAllocated(), CB_SETCURSEL, WPARAM(index), 0);
    else if (m_style != csDropDownList)
        SetTextBuf(text);
}

void ComboBox::DestroyingHandle() { m_item_index = int(SendMessageW(HandleIfAllocated(), CB_GETCURSEL, 0, 0)); }

void ComboBox::BoundsChanged()
{
    if (HWND h = HandleIfAllocated())
        SetWindowPos(h, nullptr, Left(), Top(), Width(), m_style == csSimple ? Height() : WindowHeight(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBox::ItemInserted(int index, const core::String& text)
{
    if (HWND h = HandleIfAllocated()) {
        std::wstring w(text.begin(), text.end());
        SendMessageW(h, CB_INSERTSTRING, WPARAM(index), LPARAM(w.c_str()));
    }
}

void ComboBox::ItemDeleted(int index)
{
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, CB_DELETESTRING, WPARAM(index), 0);
    else if (m_item_index >= m_items->Count())
        m_item_index = -1;
}

void ComboBox::ItemsCleared()
{
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, CB_RESETCONTENT, 0, 0);
    m_item_index = -1;
}

void ComboBox::ItemsUpdating(bool updating)
{
    // Filling a long list item by item would otherwise update the list's scroll bar and repaint it
    // for every item.
    if (HWND h = HandleIfAllocated()) {
        SendMessageW(h, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
        if (!updating)
            InvalidateRect(h, nullptr, TRUE);
    }
}

bool ComboBox::WantsKey(WORD key)
{
    // While the list is open, Enter and Esc close it rather than pressing the form's buttons.
    if ((key == VK_RETURN || key == VK_ESCAPE) && DroppedDown())
        return true;
    return WinControl::WantsKey(key);
}

void ComboBox::WndProc(Message& message)
{
    if (message.Msg == CN_COMMAND) {
        switch (HIWORD(message.WParam)) {
        case CBN_SELCHANGE:
            // Only the user's choice arrives here: CB_SETCURSEL from the program sends nothing.
            Click();
            Select();
            return;
        case CBN_EDITCHANGE:
            Change();
            return;
        case CBN_DROPDOWN:
            if (OnDropDown)
                OnDropDown(this);
            return;
        case CBN_CLOSEUP:
            if (OnCloseUp)
                OnCloseUp(this);
            return;
        default:
            break;
        }
    }
    WinControl::WndProc(message);
}

void ComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

void ComboBox::Select()
{
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

} // namespace ui
