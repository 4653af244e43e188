// List boxes over the system LISTBOX class.
#include "ui/listbox.h"

namespace ui {

ListBox::ListBox(core::Component* owner) : WinControl(owner), m_items(std::make_unique<ItemStrings>(static_cast<ItemStrings::Sink&>(*this)))
{
    SetControlStyle(ControlStyle() & ~(csClickEvents | csAcceptsControls));
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

ListBox::~ListBox() { DestroyHandle(); }

int ListBox::ItemIndex() const
{
    if (HWND h = HandleIfAllocated())
        return int(SendMessageW(h, LB_GETCURSEL, 0, 0));
    return m_item_index;
}

void ListBox::SetItemIndex(int index)
{
    if (index < -1 || index >= m_items->Count())
        index = -1;
    m_item_index = index;
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, LB_SETCURSEL, WPARAM(index), 0);
}

int ListBox::TopIndex() const
{
    HWND h = HandleIfAllocated();
    return h ? int(SendMessageW(h, LB_GETTOPINDEX, 0, 0)) : 0;
}

void ListBox::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = L"LISTBOX";
    params.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | LBS_HASSTRINGS;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void ListBox::CreateHandle()
{
    int index = m_item_index;
    WinControl::CreateHandle();
    m_items->Refill();
    if (index >= 0)
        SendMessageW(HandleIfAllocated(), LB_SETCURSEL, WPARAM(index), 0);
}

void ListBox::DestroyingHandle() { m_item_index = int(SendMessageW(HandleIfAllocated(), LB_GETCURSEL, 0, 0)); }

void ListBox::ItemInserted(int index, const core::String& text)
{
    if (HWND h = HandleIfAllocated()) {
        std::wstring w(text.begin(), text.end());
        SendMessageW(h, LB_INSERTSTRING, WPARAM(index), LPARAM(w.c_str()));
    }
}

void ListBox::ItemDeleted(int index)
{
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, LB_DELETESTRING, WPARAM(index), 0);
    else if (m_item_index >= m_items->Count())
        m_item_index = -1;
}

void ListBox::ItemsCleared()
{
    if (HWND h = HandleIfAllocated())
        SendMessageW(h, LB_RESETCONTENT, 0, 0);
    m_item_index = -1;
}

void ListBox::ItemsUpdating(bool updating)
{
    // As for combo boxes: no scroll-bar update and repaint per item while a fill runs.
    if (HWND h = HandleIfAllocated()) {
        SendMessageW(h, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
        if (!updating)
            InvalidateRect(h, nullptr, TRUE);
    }
}

void ListBox::WndProc(Message& message)
{
    if (message.Msg == CN_COMMAND) {
        switch (HIWORD(message.WParam)) {
        case LBN_SELCHANGE:
            Click();
            return;
        case LBN_DBLCLK:
            DblClick();
            return;
        default:
            break;
        }
    }
    WinControl::WndProc(message);
}

} // namespace ui
