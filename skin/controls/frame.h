// Frames: containers with controls of their own that the frame bar opens under its titles, and the
// frame adapter that gives a frame its skin state. The class library has no frame class, so the
// frame here is a plain container.
#pragma once

#include "skin/controls/skinned.h"
#include "ui/customcontrol.h"

#include <memory>

namespace skin {

class TFrame : public ui::CustomControl {
public:
    explicit TFrame(core::Component* owner = nullptr);
};
using TCustomFrame = TFrame;

class TsFrameAdapter : public core::Component {
public:
    // A frame as owner is hooked; any other owner gets an error box and the adapter stays inert.
    explicit TsFrameAdapter(core::Component* owner);
    ~TsFrameAdapter() override;

    TsCommonData* SkinData() { return m_common.get(); }
    TFrame* Frame() const { return m_frame; }

private:
    void AdapterWndProc(ui::Message& message);

    std::unique_ptr<TsCommonData> m_common;
    TFrame* m_frame = nullptr;
    ui::WndMethod m_old_wnd_proc;
};

} // namespace skin
