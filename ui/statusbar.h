// Status bar over the system status window: panels with widths and texts, or one simple text.
#pragma once

#include "ui/wincontrol.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class StatusBar;
class Canvas;

// An owner-drawn panel is painted by the bar's OnDrawPanel instead of showing its text.
enum StatusPanelStyle { psText, psOwnerDraw };

class StatusPanel {
public:
    explicit StatusPanel(StatusBar& bar) : m_bar(bar) {}

    // ---- Properties ----
    const core::String& Text() const { return m_text; }
    void SetText(core::StringView text);
    int Width() const { return m_width; }
    void SetWidth(int width);
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment alignment);
    StatusPanelStyle Style() const { return m_style; }
    void SetStyle(StatusPanelStyle style);

private:
    StatusBar& m_bar;
    StatusPanelStyle m_style = psText;
    core::String m_text;
    int m_width = 50;
    ui::Alignment m_alignment = taLeftJustify;
};

class StatusBar : public WinControl {
public:
    explicit StatusBar(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TStatusBar"; }

    // ---- Properties ----
    int PanelCount() const { return int(m_panels.size()); }
    StatusPanel* Panels(int index) const;
    bool SimplePanel() const { return m_simple_panel; }
    void SetSimplePanel(bool value);
    const core::String& SimpleText() const { return m_simple_text; }
    void SetSimpleText(core::StringView text);
    bool SizeGrip() const { return m_size_grip; }
    void SetSizeGrip(bool value);

    // ---- Events ----
    // Paints an owner-drawn panel into rect of canvas.
    std::function<void(StatusBar* bar, StatusPanel* panel, Canvas& canvas, const RECT& rect)> OnDrawPanel;

    // ---- Operations ----
    StatusPanel* AddPanel();
    void ClearPanels();

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void WndProc(Message& message) override;

private:
    friend class StatusPanel;
    void UpdatePanels();

    std::vector<std::unique_ptr<StatusPanel>> m_panels;
    bool m_simple_panel = false;
    core::String m_simple_text;
    bool m_size_grip = true;
};

} // namespace ui
