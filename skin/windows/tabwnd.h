// The wrappers of tab windows: TacTabControlWnd paints a tab control wholly from the skin (the page
// frame of "PAGECONTROL" by tab side, the tabs of "TABTOP" ... "TABRIGHT", images and texts), the
// selected tab last over the frame, and skins the up-down child that scrolls the tabs.
// TacPageControlWnd also gives each page window a TacPageWnd, which paints the page with the
// control's background.
#pragma once

#include "skin/windows/spinwnd.h"

namespace skin {

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TacTabControlWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacTabControlWnd() override;

    std::unique_ptr<TacSpinWnd> BtnSW; // the up-down child's wrapper, null when there is none

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    virtual RECT ClientRect() const;
    virtual RECT PageRect() const;

    int TabCount() const;
    int ActiveTabIndex() const;
    RECT TabRect(int index) const;
    RECT TabsRect() const;
    int TabRow(int index) const;
    RECT SkinTabRect(int index, bool active) const;
    TTabPosition TabPosition() const;
    TTabStyle Style() const;
    void CheckUpDown();
    // The section the frame is painted with for the present tabs and side.
    core::String FrameSection() const;

protected:
    void AC_WMPaint(HDC given, bool useGiven);
    void DrawSkinTabs(const TCacheInfo& ci);
    void DrawSkinTab(int index, int state, ui::Bitmap* bmp, POINT offset);
    void DrawSkinTab(int index, int state, HDC dc);

private:
    void DrawTabContent(int index, int state, ui::Bitmap* bmp, RECT t, int skinIndex);
    SIZE m_last_size{};
};

class TacPageControlWnd : public TacTabControlWnd {
public:
    using TacTabControlWnd::TacTabControlWnd;
    ~TacPageControlWnd() override { Unhook(); }

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    // Wraps every direct child window that is not skin-aware yet.
    void InitPages(bool skinned = true);
};

class TacPageWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacPageWnd() override { Unhook(); }

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    void PrepareCache() {}
    TTabPosition TabPosition() const;
    void AC_WMEraseBKGnd(HDC dc);
};

// The page wrappers made by page controls; freed by DoneWindowSkinning.
int PageWrapperCount();
void FreePageWrappers();

} // namespace skin
