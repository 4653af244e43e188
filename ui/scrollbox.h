// Scroll box: a container whose children may extend beyond its client area; with AutoScroll the
// scroll bars follow the children's extent and scrolling moves the children.
#pragma once

#include "ui/edit.h"
#include "ui/wincontrol.h"

namespace ui {

class ScrollBox;

// One scroll bar of a scroll box.
class ControlScrollBar {
public:
    ControlScrollBar(ScrollBox& box, int kind) : m_box(box), m_kind(kind) {}

    // ---- Properties ----
    int Position() const { return m_position; }
    void SetPosition(int position);
    // Extent of the content in pixels (0 when it fits).
    int Range() const { return m_range; }
    void SetRange(int range);
    int Increment() const { return m_increment; }
    void SetIncrement(int increment) { m_increment = std::max(increment, 1); }
    bool IsScrollBarVisible() const;

private:
    friend class ScrollBox;
    ScrollBox& m_box;
    int m_kind; // SB_HORZ or SB_VERT
    int m_position = 0;
    int m_range = 0;
    int m_increment = 8;
};

class ScrollBox : public WinControl {
public:
    explicit ScrollBox(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TScrollBox"; }

    // ---- Properties ----
    bool AutoScroll() const { return m_auto_scroll; }
    void SetAutoScroll(bool value);
    ControlScrollBar& HorzScrollBar() { return m_horz; }
    ControlScrollBar& VertScrollBar() { return m_vert; }
    ui::BorderStyle BorderStyle() const { return m_border_style; }
    void SetBorderStyle(ui::BorderStyle style);

    // ---- Operations ----
    // Moves every child by the distance (positive = right/down).
    void ScrollBy(int dx, int dy);
    // Scrolls so that the control (a descendant) is fully visible.
    void ScrollInView(Control* control);
    // Recomputes the ranges from the children and updates the bars.
    void UpdateScrollBars();

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void WndProc(Message& message) override;
    bool DoMouseWheel(ShiftState shift, int delta, POINT mouse) override;
    void AlignControls(RECT& rect) override;

private:
    friend class ControlScrollBar;
    void ScrollMessage(ControlScrollBar& bar, WORD code);
    void ApplyBar(ControlScrollBar& bar);

    ControlScrollBar m_horz{*this, SB_HORZ};
    ControlScrollBar m_vert{*this, SB_VERT};
    bool m_auto_scroll = true;
    ui::BorderStyle m_border_style = bsSingleBorder;
    bool m_updating = false;
};

} // namespace ui
