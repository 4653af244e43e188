// Edit-like wrappers of tree views and grids. TacTreeViewWnd sets the tree's background through
// the tree-view message and paints the erase itself, unless the tree control draws its own items
// ("OnCustomDraw" assigned). TacGridWnd gives a grid its many colours, found by property name on
// whatever grid class owns the window, puts them back on release, and keeps the vertical thumb of a
// data-bound grid in step; TacGridEhWnd is the same wrapper under a name of its own.
#pragma once

#include "skin/windows/editwnd.h"

namespace skin {

class TacTreeViewWnd : public TacEditWnd {
public:
    using TacEditWnd::TacEditWnd;
    ~TacTreeViewWnd() override { Unhook(); }

    void RestoreStdParams() override;
    void SetSkinParams() override;
    void acWndProc(ui::Message& message) override;

private:
    void SetTreeBkColor(uint32_t color);
    // The owning tree control draws its own items, so the erase is left to it.
    bool OwnerDrawsItself() const;
};

class TacGridWnd : public TacEditWnd {
public:
    using TacEditWnd::TacEditWnd;
    ~TacGridWnd() override { Unhook(); }

    // ---- The colours the grid had before skinning ----
    uint32_t FixedColor = 0;
    uint32_t FooterColor = 0;
    uint32_t FooterCellColor = 0;
    uint32_t TitleFontColor = 0;
    uint32_t TitleColor = 0;
    uint32_t IndColor = 0;
    uint32_t SelectionColor = 0;
    uint32_t SelectionTextColor = 0;
    uint32_t GridLineColor = 0;
    uint32_t GridFixedLineColor = 0;
    uint32_t FixedGradientFrom = 0;
    uint32_t FixedGradientTo = 0;
    int DrawingStyle = 0; // not used

    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void acWndProc(ui::Message& message) override;

private:
    void ClipToClient(HDC dc);
};

class TacGridEhWnd : public TacGridWnd {
public:
    using TacGridWnd::TacGridWnd;
    ~TacGridEhWnd() override { Unhook(); }

    void acWndProc(ui::Message& message) override { TacGridWnd::acWndProc(message); }
};

} // namespace skin
