// MDI forms: the frame's "MDICLIENT" window, its children, their arrangement and the merging of
// the active child's menu into the frame's bar. The system keeps the child list and the
// activation; the form only asks it through the WM_MDI* messages.
#include "ui/form.h"

#include "core/exception.h"
#include "ui/application.h"
#include "ui/menu.h"

namespace ui {

namespace {

// Identifier of the first child in the frame's window menu; above every menu command we hand out.
constexpr UINT kFirstMDIChildId = 0xFF00;

} // namespace

Form* Form::MDIParent() const
{
    if (auto* owner = dynamic_cast<Form*>(Owner()); owner && owner->m_form_style == fsMDIForm)
        return owner;
    Form* main = Application::Instance().MainForm();
    return main && main->m_form_style == fsMDIForm ? main : nullptr;
}

void Form::CreateMDIClient()
{
    CLIENTCREATESTRUCT info{};
    info.idFirstChild = kFirstMDIChildId;
    RECT r{};
    GetClientRect(HandleIfAllocated(), &r);
    m_client_handle = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL |
                                          WS_HSCROLL,
                                      0, 0, r.right, r.bottom, HandleIfAllocated(), nullptr, GetModuleHandleW(nullptr),
                                      &info);
    if (!m_client_handle)
        throw core::EOSError(u"Cannot create the MDI client window", GetLastError());
}

Form* Form::ActiveMDIChild() const
{
    if (!m_client_handle)
        return nullptr;
    auto* active = reinterpret_cast<HWND>(SendMessageW(m_client_handle, WM_MDIGETACTIVE, 0, 0));
    return dynamic_cast<Form*>(WinControl::FindControl(active));
}

int Form::MDIChildCount() const
{
    int count = 0;
    while (MDIChildren(count))
        ++count;
    return count;
}

Form* Form::MDIChildren(int index) const
{
    if (!m_client_handle || index < 0)
        return nullptr;
    // Only our own child forms count: icon title windows and foreign children are skipped.
    for (HWND w = GetWindow(m_client_handle, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (auto* form = dynamic_cast<Form*>(WinControl::FindControl(w)); form && form->IsMDIChild() && index-- == 0)
            return form;
    return nullptr;
}

void Form::Cascade()
{
    if (m_client_handle)
        SendMessageW(m_client_handle, WM_MDICASCADE, 0, 0);
}

void Form::Tile()
{
    if (m_client_handle)
        SendMessageW(m_client_handle, WM_MDITILE, m_tile_mode == tbHorizontal ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
}

void Form::ArrangeIcons()
{
    if (m_client_handle)
        SendMessageW(m_client_handle, WM_MDIICONARRANGE, 0, 0);
}

void Form::Next()
{
    if (m_client_handle)
        SendMessageW(m_client_handle, WM_MDINEXT, 0, 0);
}

void Form::Previous()
{
    if (m_client_handle)
        SendMessageW(m_client_handle, WM_MDINEXT, 0, 1);
}

void Form::MergeMDIMenus()
{
    if (m_menu && m_form_style == fsMDIForm && HandleAllocated())
        m_menu->SetWindow(this);
}

void Form::MDIChildActivated(bool active)
{
    (void)active;
    if (Form* frame = MDIParent(); frame && frame->m_menu && m_menu)
        frame->MergeMDIMenus();
}

void Form::DefaultHandler(Message& message)
{
    HWND h = HandleIfAllocated();
    const bool systemMessage = message.Msg < CM_BASE || message.Msg >= 0xC000;
    if (h && systemMessage && m_form_style == fsMDIForm && message.Msg != WM_SIZE) {
        // The frame places its client window itself (AlignControls), so WM_SIZE skips the frame procedure.
        message.Result = DefFrameProcW(h, m_client_handle, message.Msg, message.WParam, message.LParam);
        return;
    }
    if (h && systemMessage && IsMDIChild() && (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
        message.Result = DefMDIChildProcW(h, message.Msg, message.WParam, message.LParam);
        return;
    }
    WinControl::DefaultHandler(message);
}

void Form::DestroyWnd()
{
    HWND h = HandleIfAllocated();
    HWND client = h && IsMDIChild() ? GetParent(h) : nullptr;
    if (client) {
        // Through the client, so that its child list, the activation and the frame's bar follow.
        Control::SetTextBuf(GetText());
        SendMessageW(client, WM_MDIDESTROY, WPARAM(h), 0);
        WinControl::DestroyWnd();
        if (Form* frame = MDIParent(); frame && frame->m_client_handle == client)
            frame->MergeMDIMenus();
        return;
    }
    WinControl::DestroyWnd();
    m_client_handle = nullptr;
}

} // namespace ui
