// The window-skinning services that the skinned controls call: the scroll-bar wrapper that a scroll
// box or frame bar keeps for its window while skinned, and the list wrapper of a combo box. Both act
// only under an active skin; with no skin manager (the client) SyncScrollWnd frees and makes
// nothing, and releasing or refreshing a missing wrapper does nothing.
// FIXME: the skinned painting of scroll bars and list windows belongs to the window-skinning module;
// these wrappers keep the binding (window property "ACSBSC", chained window method) and the
// scroll information, and paint nothing yet.
#pragma once

#include "skin/engine/commondata.h"

#include <memory>

namespace skin {

class TacScrollWnd {
public:
    TacScrollWnd(HWND handle, TsCommonData* skinData, SkinManager* manager, core::StringView section);
    virtual ~TacScrollWnd();

    HWND CtrlHandle = nullptr;
    SkinManager* Manager = nullptr;
    TsCommonData* SkinData = nullptr;
    bool Destroyed = false;
    bool OwnSkinData = false;
    SCROLLINFO sBarHorz{}, sBarVert{};
    ui::WndMethod OldWndProc;
    virtual void acWndProc(ui::Message& message);

private:
    std::unique_ptr<TsCommonData> m_own_data;
};

class TacComboListWnd : public TacScrollWnd {
public:
    TacComboListWnd(HWND handle, TsCommonData* skinData, SkinManager* manager, core::StringView section);
    bool Showed = false;
    bool SimplyBox = false;
};

// Makes or frees the wrapper as the skin state says (nothing while loading, destroying or designing).
void SyncScrollWnd(TsCommonData* skinData, std::unique_ptr<TacScrollWnd>& wrapper);
// Reads both bars' scroll information into the wrapper (nothing for a missing wrapper or while the
// wrapper's state is updating).
void UpdateScrollInfo(TacScrollWnd* wrapper, bool repaint);
// Gives the window back its own procedure once; with freeIt the wrapper is freed too.
void ReleaseScrollWnd(std::unique_ptr<TacScrollWnd>& wrapper, bool freeIt);
// The wrapper bound to a window, or null.
TacScrollWnd* GetWrapper(HWND wnd);

} // namespace skin
