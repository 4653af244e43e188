// Frames and the frame adapter.
#include "skin/controls/frame.h"

#include "skin/engine/msgbox.h"

namespace skin {

TFrame::TFrame(core::Component* owner) : ui::CustomControl(owner)
{
    SetControlStyle(ControlStyle() | ui::csAcceptsControls);
    SetBounds(0, 0, 320, 240);
}

TsFrameAdapter::TsFrameAdapter(core::Component* owner) : core::Component(owner)
{
    m_frame = dynamic_cast<TFrame*>(owner);
    m_common = std::make_unique<TsCommonData>(m_frame ? static_cast<core::Object*>(m_frame) : this, false);
    m_common->COC = ckFrameAdapter;
    if (!m_frame) {
        ErrorBox(u"TsFrameAdapter adapter must be placed on the handled frame");
        return;
    }
    m_old_wnd_proc = m_frame->WindowProc();
    m_frame->SetWindowProc([this](ui::Message& m) { AdapterWndProc(m); });
    m_common->Loaded();
    if (m_common->SkinSection().empty() || m_common->SkinSection() == u"TSFRAMEADAPTER")
        m_common->SetSkinSection(u"GROUPBOX");
}

TsFrameAdapter::~TsFrameAdapter()
{
    // The frame may go first (it owns the adapter): then its window method is gone with it.
    if (m_frame && !IsDestroying(m_frame) && m_old_wnd_proc)
        m_frame->SetWindowProc(m_old_wnd_proc);
}

void TsFrameAdapter::AdapterWndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (m_common->Skinned())
        HandleCommonMessage(message, m_common.get());
    m_old_wnd_proc(message);
}

} // namespace skin
