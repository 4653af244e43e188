// Wrappers of container windows. TacPanelWnd skins a panel control of a skinned form (its section
// follows the panel's bevels), TacDlgPanelWnd a panel window inside a skinned dialog, TacTransPanelWnd
// makes a container window show its parent's skin, and TacGroupBoxWnd skins a group box: a caption
// band over the parent's background and the box frame running through the middle of the caption.
// All paint into the skin state's cache and copy it around the child windows.
#pragma once

#include "skin/windows/mainwnd.h"

namespace ui {
class WinControl;
}

namespace skin {

class TacPanelWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacPanelWnd() override { Unhook(); }

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    virtual void PrepareCache();

    // The section a panel's bevels and border call for.
    static core::StringView SectionOfPanel(core::Object* panel);

private:
    void AC_WMPaint(HDC aDC);
    void AC_WMNCPaint(HDC aDC);
    void WriteText(RECT r, ui::Canvas& canvas);
    ui::WinControl* Owner() const;
};

class TacDlgPanelWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacDlgPanelWnd() override { Unhook(); }

    ui::Control* Panel = nullptr; // the panel component that owns the window, when one was found

    void Construct(core::StringView section, bool repaint) override;
    void SetSkinParams() override;
    void acWndProc(ui::Message& message) override;
    virtual void PrepareCache();

private:
    void AC_WMPaint(HDC aDC);
    void AC_WMNCPaint(HDC aDC);
    void KeepPanelOnGlobalColor();
    int FrameWidth() const;
};

class TacTransPanelWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacTransPanelWnd() override { Unhook(); }

    void acWndProc(ui::Message& message) override;
    virtual void AC_WMPaint();
};

class TacGroupBoxWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacGroupBoxWnd() override { Unhook(); }

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    // The caption's band: (6, 0, text width + 14, max(4, text height) + 2), within the window.
    RECT CaptionRect();

private:
    // Paints with the DC given when useGiven, else with the window DC.
    void AC_WMPaint(WPARAM dc, bool useGiven);
    void PrepareCache();
    void WriteText(RECT r);
    void PutParentBgUnder(const RECT& r);
    TacBGQuery m_bg;
};

} // namespace skin
