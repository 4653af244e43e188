// The frame adapter: a component placed on a frame that skins the frame as a whole. It gives the
// frame a skin state (default section "GROUPBOX"), chains its own window method in front of the
// frame's, paints the frame's background from the skin (through a cache, or plainly when the
// section needs none), keeps the children told of skin changes and moves, and gives the frame
// skinned scroll bars. Freed, it gives the frame its window method back. Placed on anything but a
// frame it shows an error box and adapts nothing.
#pragma once

#include "core/component.h"
#include "skin/engine/commondata.h"
#include "skin/windows/scrollwnd.h"
#include "ui/frame.h"

#include <memory>

namespace skin {

class TsFrameAdapter : public core::Component {
public:
    explicit TsFrameAdapter(core::Component* owner);
    ~TsFrameAdapter() override;
    core::String ClassName() const override { return u"TsFrameAdapter"; }

    // ---- Properties ----
    TsCommonData* SkinData() { return FCommonData.get(); }
    ui::TFrame* Frame() const { return m_frame; }
    TacScrollWnd* ListSW() const { return m_list_sw.get(); }

    void Loaded() override;

protected:
    // ---- Messages and painting ----
    void NewWndProc(ui::Message& message);
    bool SkinCommandFirst(ui::Message& message);
    void SkinnedCommand(ui::Message& message);
    bool SkinnedMessage(ui::Message& message);
    void PaintFrame(HDC dc);
    void PrepareCache();

private:
    void CallOld(ui::Message& message);
    SkinManager* Manager() const { return FCommonData->GetSkinManager(); }
    bool ThirdPartyRule() const;
    // Indexes read again and the children told of the skin, as a newly shown or created frame needs.
    void RefreshChildren();
    void HookPopupMenus();
    void RedrawAll(UINT extra);
    // At design time a frame shown on the designer's form gives that form its colour.
    void ColorDesignParent(bool skinned);

    std::unique_ptr<TsCommonData> FCommonData;
    ui::TFrame* m_frame = nullptr;
    ui::WndMethod m_old_wnd_proc;
    std::unique_ptr<TacScrollWnd> m_list_sw;
};

// The frame's adapter, owned by the frame, with the given section (the control adapter's way of
// skinning a frame on a skinned form); nothing when the frame already answers as skin-aware.
TsFrameAdapter* AdaptFrame(ui::TFrame* frame, core::StringView section);

} // namespace skin
