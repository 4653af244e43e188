// Skinned status bar.
#include "skin/controls/statusbar.h"

namespace skin {

TsStatusBar::TsStatusBar(core::Component* owner) : ui::StatusBar(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckStatusBar;
    SetControlStyle(ControlStyle() | ui::csAcceptsControls | ui::csOpaque);
    m_common->Loaded();
}

TsStatusBar::~TsStatusBar() = default;

void TsStatusBar::Loaded()
{
    ui::StatusBar::Loaded();
    m_common->Loaded();
}

void TsStatusBar::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRefresh:
            if (FromOwnManager(message, *m_common)) {
                SendMsgToChildControls(this, message);
                HandleCommonMessage(message, m_common.get());
                if (SubCodeOf(message.WParam) == scSkinRefresh && HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
                return;
            }
            break;
        case scSkinRemoved:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (HandleAllocated())
                    RecreateWnd();
                SendMsgToChildControls(this, message);
                return;
            }
            break;
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                if (HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            }
            return;
        default:
            break;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::StatusBar::WndProc(message);
        return;
    }
    // Skinned road. FIXME: panels, dividers and grip painted from the skin need the engine's
    // painting primitives.
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::StatusBar::WndProc(message);
    if (message.Msg == WM_USER + 1 || message.Msg == WM_USER + 9 || message.Msg == WM_USER + 10)
        m_common->BGChanged = true;
}

} // namespace skin
