// The scrolled wrappers of whole standard controls: TacBaseWnd re-reads the bars after sizing and
// scrolling and repaints the frame after enabling; TacEditWnd paints an edit-like control's frame
// from its skin section (default "EDIT"), gives the owner control the section's colours and puts its
// own back, and follows focus and hover for borders with state images. TacComboListWnd is the
// drop-down list of a combo box.
#pragma once

#include "skin/windows/scrollwnd.h"

namespace skin {

class TacBaseWnd : public TacScrollWnd {
public:
    using TacScrollWnd::TacScrollWnd;
    void acWndProc(ui::Message& message) override;
};

class TacEditWnd : public TacBaseWnd {
public:
    TacEditWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager);
    ~TacEditWnd() override;

    uint32_t Color = 0;      // background of a wrapper without owner control
    uint32_t FocusColor = 0; // the owner's "FocusColor" when the wrapper was made
    int FrameColor = 0;
    HBRUSH Brush = nullptr;  // not made by this class; freed when a descendant made one

    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void acWndProc(ui::Message& message) override;
    void Construct(core::StringView section, bool repaint) override;

protected:
    // The drop-down list made without repaint stays under visual themes.
    virtual bool KeepsThemes() const { return false; }
    void PaintFrameInto(HDC dc);
};

class TacComboListWnd : public TacEditWnd {
public:
    using TacEditWnd::TacEditWnd;
    bool Showed = false;
    bool SimplyBox = false;
    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    // The list's frame: the combo's own cache for a simple box, else the section's colours.
    void PrepareListCache();

protected:
    bool KeepsThemes() const override { return !m_repaint; }
    bool KeepsListCapture() const override;
    bool SwallowsListRelease() const override;

private:
    void PaintNonClient(ui::Message& message);
    void PrintList(ui::Message& message);
    void PaintBelowSimpleList();
    bool m_repaint = true;
};

} // namespace skin
