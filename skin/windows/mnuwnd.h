// The wrapper of a popup-menu window ("#32768") that the dialog skinning's hook makes while skinned
// popups are shown: it paints the menu window's 3-pixel frame from the menu painter's image of the
// menu (or its own cache) and frees itself when the window goes.
#pragma once

#include "skin/windows/scrollwnd.h"

namespace skin {

class TacMnuWnd : public TacScrollWnd {
public:
    TacMnuWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager) : TacScrollWnd(handle, skinData, manager) {}
    void acWndProc(ui::Message& message) override;
    virtual void PrepareCache();

    // 1 when the menu painter gave the window a new region that was not painted yet.
    int RgnChanged = 0;
};

// Raised by the skinned menus when they measure an item, cleared when a menu window goes and when
// a skinned form starts a popup.
bool& SkinnedMenuOpen();

} // namespace skin
