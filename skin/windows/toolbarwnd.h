// The wrapper of tool bars that the system draws: the window never paints itself; the bar and
// every button (separators, states, images, one- or two-line texts, faded disabled buttons) are
// drawn from the skin ("TOOLBAR", "TOOLBUTTON", "DIVIDER"), reading the buttons through the
// tool-bar messages.
#pragma once

#include "skin/windows/mainwnd.h"

#include <functional>

namespace skin {

class TacToolBarWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacToolBarWnd() override { Unhook(); }

    RECT ClientRect{};
    int BorderWidth = 0;
    int HotBtn = -1;

    void acWndProc(ui::Message& message) override;
    int Count() const;
    RECT GetButtonRect(int index) const;
    // Paints every button over the bar's cache into bmp (window coordinates).
    void DrawButtons(ui::Bitmap* bmp);

    // The split of a button's text: the leading words that fit width on the first line, the rest
    // on the second; second is empty when everything fits on one line.
    static void SplitButtonText(const core::String& text, int width,
                                const std::function<int(core::StringView)>& measure, core::String& first,
                                core::String& second);

private:
    void AC_WMPaint(HDC given);
    void AC_WMNCPaint();
    void PrepareCache();
    void DrawBtn(int index, const RECT& r, HDC dc);
    bool Updating();
};

} // namespace skin
