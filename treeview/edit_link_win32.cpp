// The string tree's default in-place editor.
#include "treeview/edit_link.h"

#include "ui/application.h"

namespace treeview {

// ---- TVTEdit ----

TVTEdit::TVTEdit(TStringEditLink* link) : ui::Edit(nullptr), m_link(link)
{
    SetShowHint(false);
    SetParentShowHint(false);
}

TVTEdit::~TVTEdit()
{
    // A parent that frees its children may take the edit before the link lets go of it.
    if (m_link && m_link->m_edit == this)
        m_link->m_edit = nullptr;
    if (m_ref_link && m_ref_link->m_edit == this)
        m_ref_link->m_edit = nullptr;
    m_link = nullptr;
    auto keep = std::move(m_ref_link);
}

void TVTEdit::Detach()
{
    m_link = nullptr;
    // The last reference may be this one: the link then goes, and with it its hold on the edit.
    auto keep = std::move(m_ref_link);
}

bool TVTEdit::Multiline() const
{
    return m_link && m_link->m_node && treeview::HasState(m_link->m_node, vsMultiline);
}

void TVTEdit::Release()
{
    if (HWND window = HandleIfAllocated()) {
        // The application frees the control after the messages already queued for it.
        PostMessageW(ui::App().Handle(), ui::CM_RELEASE, WPARAM(window), 0);
        return;
    }
    // Without a window no release message could ever arrive: free the control now.
    delete this;
}

void TVTEdit::CreateParams(ui::CreateParamsRec& params)
{
    ui::Edit::CreateParams(params);
    params.Style |= ES_MULTILINE;
    if (Multiline()) {
        params.Style &= ~DWORD(WS_HSCROLL | ES_AUTOHSCROLL);
        params.Style |= WS_VSCROLL | ES_AUTOVSCROLL;
    }
    TCustomVirtualStringTree* tree = m_link ? m_link->m_tree : nullptr;
    if (tree && (tree->TreeStates() & tsUseThemes)) {
        params.ExStyle |= WS_EX_CLIENTEDGE;
        params.Style &= ~DWORD(WS_BORDER);
    } else {
        params.Style |= WS_BORDER;
        params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
    }
}

void TVTEdit::FitToText()
{
    TStringEditLink* link = m_link;
    HWND window = HandleIfAllocated();
    if (!link || !link->m_tree || !window || Multiline())
        return;
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    HDC dc = GetDC(window);
    HGDIOBJ oldFont = SelectObject(dc, Font().Handle());
    struct Restore {
        HWND window;
        HDC dc;
        HGDIOBJ font;
        ~Restore()
        {
            SelectObject(dc, font);
            ReleaseDC(window, dc);
            SendMessageW(window, WM_SETREDRAW, TRUE, 0);
        }
    } restore{window, dc, oldFont};
    std::wstring text;
    {
        core::String s = Text();
        text.assign(s.begin(), s.end());
    }
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    const int width = extent.cx + 2 * link->m_tree->TextMargin();
    const RECT bounds = BoundsRect();
    if (width < bounds.right - bounds.left)
        link->m_tree->InvalidateNode(link->m_node);
    TRect r{bounds.left, bounds.top, bounds.right, bounds.bottom};
    if (link->m_alignment == taRightJustify)
        r.Left = r.Right - width;
    else
        r.Right = r.Left + width;
    link->SetBounds(r);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void TVTEdit::WndProc(ui::Message& message)
{
    switch (message.Msg) {
    case WM_KEYDOWN: {
        TStringEditLink* link = m_link;
        TCustomVirtualStringTree* tree = link ? link->m_tree : nullptr;
        switch (message.WParam) {
        case VK_RETURN:
            if (tree && (!Multiline() || (GetKeyState(VK_CONTROL) < 0))) {
                tree->InvalidateNode(link->m_node);
                tree->EndEditNode();
                if (tree->CanFocus())
                    tree->SetFocus();
                return;
            }
            break;
        case VK_ESCAPE:
            if (tree) {
                tree->CancelEditNode();
                if (tree->CanFocus())
                    tree->SetFocus();
                return;
            }
            break;
        case VK_UP:
        case VK_DOWN:
            // A single line has nowhere up or down to go: the caret moves along the line instead.
            if (!Multiline())
                message.WParam = message.WParam == VK_UP ? VK_LEFT : VK_RIGHT;
            break;
        default:
            break;
        }
        break;
    }
    case WM_CHAR:
        if (message.WParam == VK_TAB || message.WParam == VK_ESCAPE)
            return;
        break;
    case WM_GETDLGCODE:
        ui::Edit::WndProc(message);
        message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
        return;
    case ui::CN_COMMAND:
        if (HIWORD(message.WParam) == EN_UPDATE && m_link && m_link->m_tree &&
            !(m_link->m_tree->TreeOptions().MiscOptions() & toGridExtensions) && !Multiline()) {
            // EN_UPDATE comes before the edit shows the new text but after it holds it: fit now.
            FitToText();
        }
        break;
    case WM_FITTOTEXT:
        FitToText();
        return;
    case ui::CM_EXIT:
        if (m_link && !m_link->m_stopping && m_link->m_tree) {
            if (m_link->m_tree->StringOptions() & toAutoAcceptEditChange)
                m_link->m_tree->EndEditNode();
            else
                m_link->m_tree->CancelEditNode();
        }
        break;
    case WM_DESTROY:
        if (m_link && !m_link->m_stopping && !m_recreating) {
            TStringEditLink* link = m_link;
            if (link->m_tree && (link->m_tree->StringOptions() & toAutoAcceptEditChange) && Modified())
                link->m_tree->SetText(link->m_node, link->m_column, Text());
            // The link must outlive this message: drop the counted reference after the default handling.
            auto keep = std::move(m_ref_link);
            m_link = nullptr;
            ui::Edit::WndProc(message);
            return;
        }
        break;
    default:
        break;
    }
    ui::Edit::WndProc(message);
}

// ---- TStringEditLink ----

std::shared_ptr<TStringEditLink> TStringEditLink::Create()
{
    std::shared_ptr<TStringEditLink> link(new TStringEditLink);
    auto* edit = new TVTEdit(link.get());
    edit->SetVisible(false);
    edit->SetBorderStyle(ui::bsSingleBorder);
    link->m_edit = edit;
    return link;
}

TStringEditLink::~TStringEditLink() { SetEdit(nullptr); }

void TStringEditLink::SetEdit(TVTEdit* edit)
{
    TVTEdit* old = m_edit;
    m_edit = edit;
    if (old && old != edit) {
        old->m_link = nullptr;
        // The edit's own reference may be what keeps this link alive; it is dropped by Release's
        // eventual destruction, never from inside this destructor.
        std::shared_ptr<TStringEditLink> ref = std::move(old->m_ref_link);
        old->Release();
        (void)ref;
    }
}

bool TStringEditLink::PrepareEdit(TCustomVirtualTreeControl& tree, PVirtualNode node, TColumnIndex column)
{
    auto* stringTree = dynamic_cast<TCustomVirtualStringTree*>(&tree);
    if (!stringTree || !m_edit)
        return false;
    m_tree = stringTree;
    m_node = node;
    m_column = column;
    ui::Font& font = m_edit->Font();
    font.Assign(stringTree->Font());
    core::String text;
    stringTree->GetTextInfo(node, column, font, m_text_bounds, text);
    font.SetColor(ui::clWindowText);
    // From here on the edit keeps its link alive until the edit ends.
    m_edit->m_ref_link = shared_from_this();
    m_edit->m_recreating = true;
    try {
        m_edit->SetParent(stringTree);
        m_edit->RecreateWnd();
        m_edit->HandleNeeded();
    } catch (...) {
        m_edit->m_recreating = false;
        throw;
    }
    m_edit->m_recreating = false;
    m_edit->SetText(text);
    TVirtualTreeColumns& columns = stringTree->Header().Columns();
    bool rtl;
    if (columns.IsValidColumn(column)) {
        m_alignment = columns[column].Alignment();
        rtl = columns[column].UseRightToLeftReading();
    } else {
        m_alignment = stringTree->Alignment();
        rtl = stringTree->UseRightToLeftReading();
    }
    if (rtl && m_alignment != taCenter)
        m_alignment = m_alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    if (HWND window = m_edit->HandleIfAllocated()) {
        LONG_PTR ex = GetWindowLongPtrW(window, GWL_EXSTYLE);
        ex = rtl ? (ex | WS_EX_RTLREADING | WS_EX_RIGHT) : (ex & ~LONG_PTR(WS_EX_RTLREADING | WS_EX_RIGHT));
        SetWindowLongPtrW(window, GWL_EXSTYLE, ex);
    }
    return true;
}

bool TStringEditLink::BeginEdit()
{
    if (m_stopping || !m_edit)
        return false;
    m_edit->Show();
    m_edit->SelectAll();
    m_edit->SetFocus();
    return true;
}

bool TStringEditLink::EndEdit()
{
    if (m_stopping)
        return false;
    m_stopping = true;
    // Keeps this link alive while the edit lets go of it.
    auto self = shared_from_this();
    if (m_edit && m_edit->Modified() && m_tree) {
        try {
            m_tree->SetText(m_node, m_column, m_edit->Text());
        } catch (...) {
            m_stopping = false;
            throw;
        }
    }
    if (m_edit) {
        m_edit->Hide();
        m_edit->Detach();
    }
    return true;
}

bool TStringEditLink::CancelEdit()
{
    if (m_stopping)
        return false;
    m_stopping = true;
    auto self = shared_from_this();
    if (m_edit)
        m_edit->Hide();
    if (m_tree)
        m_tree->CancelEditNode();
    if (m_edit)
        m_edit->Detach();
    return true;
}

TRect TStringEditLink::GetBounds()
{
    if (!m_edit)
        return {};
    RECT r = m_edit->BoundsRect();
    return TRect{r.left, r.top, r.right, r.bottom};
}

void TStringEditLink::ProcessMessage(ui::Message& message)
{
    if (m_edit)
        m_edit->Perform(message.Msg, message.WParam, message.LParam);
}

void TStringEditLink::SetBounds(const TRect& rect)
{
    if (m_stopping || !m_edit || !m_tree)
        return;
    constexpr int MinimumWidth = 30;
    TRect r = rect;
    if (r.Left < 0)
        r.Left = 0;
    if (r.Right - r.Left < MinimumWidth) {
        if (m_alignment == taRightJustify)
            r.Left = r.Right - MinimumWidth;
        else
            r.Right = r.Left + MinimumWidth;
    }
    if (r.Right > m_tree->ClientWidth())
        r.Right = m_tree->ClientWidth();
    m_edit->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    HWND window = m_edit->HandleIfAllocated();
    if (!window)
        return;
    const int offset = (m_tree->TreeStates() & tsUseThemes) ? 3 : 2;
    RECT client{};
    GetClientRect(window, &client);
    InflateRect(&client, offset - m_tree->TextMargin(), offset);
    if (!treeview::HasState(m_node, vsMultiline))
        OffsetRect(&client, 0, m_text_bounds.Top - m_edit->Top());
    SendMessageW(window, EM_SETRECTNP, 0, LPARAM(&client));
}

// ---- The string tree's default editor ----

std::shared_ptr<IVTEditLink> TCustomVirtualStringTree::MakeEditLink(PVirtualNode node, TColumnIndex column)
{
    std::shared_ptr<IVTEditLink> link = TCustomVirtualTreeControl::MakeEditLink(node, column);
    if (!link && !OnCreateEditor)
        link = TStringEditLink::Create();
    return link;
}

} // namespace treeview
