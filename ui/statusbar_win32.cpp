// Status bars over the system status window class.
#include "ui/statusbar.h"

#include "core/exception.h"
#include "ui/canvas.h"
#include "ui/messages.h"

#include <commctrl.h>

namespace ui {

void StatusPanel::SetText(core::StringView text)
{
    if (text == m_text)
        return;
    m_text = core::String(text);
    m_bar.UpdatePanels();
}

void StatusPanel::SetWidth(int width)
{
    m_width = std::max(width, 0);
    m_bar.UpdatePanels();
}

void StatusPanel::SetAlignment(ui::Alignment alignment)
{
    m_alignment = alignment;
    m_bar.UpdatePanels();
}

void StatusPanel::SetStyle(StatusPanelStyle style)
{
    m_style = style;
    m_bar.UpdatePanels();
}

StatusBar::StatusBar(core::Component* owner) : WinControl(owner)
{
    SetControlStyle(ControlStyle() & ~csAcceptsControls);
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

StatusPanel* StatusBar::Panels(int index) const
{
    if (index < 0 || index >= int(m_panels.size()))
        throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return m_panels[size_t(index)].get();
}

StatusPanel* StatusBar::AddPanel()
{
    m_panels.push_back(std::make_unique<StatusPanel>(*this));
    UpdatePanels();
    return m_panels.back().get();
}

void StatusBar::ClearPanels()
{
    m_panels.clear();
    UpdatePanels();
}

void StatusBar::SetSimplePanel(bool value)
{
    m_simple_panel = value;
    UpdatePanels();
}

void StatusBar::SetSimpleText(core::StringView text)
{
    m_simple_text = core::String(text);
    UpdatePanels();
}

void StatusBar::SetSizeGrip(bool value)
{
    if (value == m_size_grip)
        return;
    m_size_grip = value;
    RecreateWnd();
}

void StatusBar::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = STATUSCLASSNAMEW;
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | (m_size_grip ? SBARS_SIZEGRIP : 0);
}

void StatusBar::CreateHandle()
{
    WinControl::CreateHandle();
    UpdatePanels();
}

void StatusBar::UpdatePanels()
{
    HWND h = HandleIfAllocated();
    if (!h)
        return;
    SendMessageW(h, SB_SIMPLE, m_simple_panel, 0);
    if (m_simple_panel) {
        std::wstring text(m_simple_text.begin(), m_simple_text.end());
        SendMessageW(h, SB_SETTEXTW, SB_SIMPLEID, LPARAM(text.c_str()));
        return;
    }
    std::vector<int> edges;
    int right = 0;
    for (size_t i = 0; i < m_panels.size(); ++i) {
        right += m_panels[i]->Width();
        edges.push_back(i + 1 == m_panels.size() ? -1 : right);
    }
    if (edges.empty())
        edges.push_back(-1);
    SendMessageW(h, SB_SETPARTS, WPARAM(edges.size()), LPARAM(edges.data()));
    for (size_t i = 0; i < m_panels.size(); ++i) {
        const StatusPanel& panel = *m_panels[i];
        // The system aligns a part's text by tab characters in front of it.
        std::wstring text = panel.Alignment() == taCenter ? L"\t" : panel.Alignment() == taRightJustify ? L"\t\t" : L"";
        text.append(panel.Text().begin(), panel.Text().end());
        if (panel.Style() == psOwnerDraw)
            SendMessageW(h, SB_SETTEXTW, WPARAM(i) | SBT_OWNERDRAW, LPARAM(&panel));
        else
            SendMessageW(h, SB_SETTEXTW, WPARAM(i), LPARAM(text.c_str()));
    }
    if (m_panels.empty())
        SendMessageW(h, SB_SETTEXTW, 0, LPARAM(L""));
}

void StatusBar::WndProc(Message& message)
{
    if (message.Msg == CN_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        const int index = int(item->itemID);
        if (OnDrawPanel && index >= 0 && index < PanelCount()) {
            Canvas canvas(item->hDC);
            OnDrawPanel(this, m_panels[size_t(index)].get(), canvas, item->rcItem);
        }
        message.Result = 1;
        return;
    }
    WinControl::WndProc(message);
    if (message.Msg == WM_SIZE)
        UpdatePanels();
}

} // namespace ui
