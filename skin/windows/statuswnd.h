// The wrapper of status bars: the background, panel frames or dividers, panel texts and the size
// grip painted from the skin (section "STATUSBAR" by default) into a cache rebuilt on every paint;
// the system never paints the window itself while skinned.
#pragma once

#include "skin/windows/mainwnd.h"

namespace ui {
class StatusBar;
}

namespace skin {

class TacStatusBarWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacStatusBarWnd() override { Unhook(); }

    ui::StatusBar* StatusBar = nullptr; // the owner control when it is a status bar

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;

    RECT PartRect(int index) const;
    int PartsCount() const;
    core::String PartText(int index) const;
    bool SimplePanel() const;

private:
    void WMPaint(HDC dc);
    void WMNCPaint(HDC dc);
    void PrepareCache();
    void PaintPanels();
    void DrawPanel(int index, RECT r);
    void InternalDrawPanel(int index, const RECT& r);
    void DoDrawText(const core::String& text, const RECT& r, UINT flags);
    void PaintGrip();
};

} // namespace skin
