// Skinned splitter.
#include "skin/controls/splitter.h"

#include "ui/wincontrol.h"

namespace skin {

TsSplitter::TsSplitter(core::Component* owner) : ui::Splitter(owner)
{
    m_common = std::make_unique<TsCommonData>(this, false);
    m_common->COC = ckSplitter;
    SetControlStyle(ui::csAcceptsControls | ui::csCaptureMouse | ui::csClickEvents | ui::csOpaque | ui::csDoubleClicks);
    SetWidth(6);
    m_common->Loaded();
}

TsSplitter::~TsSplitter() = default;

void TsSplitter::Loaded()
{
    ui::Splitter::Loaded();
    m_common->Loaded();
}

void TsSplitter::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    SuppressHints();
    if (m_auto_snap && Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            ui::Control* c = Parent()->Controls(i);
            if (c == this)
                continue;
            if (Align() == ui::alTop && c->Height() == 0)
                c->SetTop(Top());
            else if (Align() == ui::alLeft && c->Width() == 0)
                c->SetLeft(Left());
        }
    }
    ui::Splitter::MouseDown(button, shift, x, y);
    m_sizing = true;
    if (m_resize_style == rsUpdate)
        Repaint();
}

void TsSplitter::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    ui::Splitter::MouseUp(button, shift, x, y);
    m_sizing = false;
    if (m_resize_style == rsUpdate)
        Repaint();
    RestoreHints();
}

void TsSplitter::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        int code = SubCodeOf(message.WParam);
        if ((code == scSkinLoaded || code == scSkinRemoved || code == scSkinRefresh) && FromOwnManager(message, *m_common)) {
            HandleCommonMessage(message, m_common.get());
            if (code != scSkinLoaded)
                Repaint();
            return;
        }
    }
    if (!Unskinned(this, *m_common) && HandleCommonMessage(message, m_common.get()))
        return;
    ui::Splitter::WndProc(message);
}

} // namespace skin
