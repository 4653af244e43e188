// Skinned edit.
#include "skin/controls/edit.h"

namespace skin {

void BoundLabelFollows(TsBoundLabel& bound, ui::Control* control, TsDisabledKind disabledKind, const ui::Message& message)
{
    ui::Label* label = bound.TheLabel();
    if (!label)
        return;
    switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        bound.AlignLabel();
        break;
    case ui::CM_VISIBLECHANGED:
        label->SetVisible(control->Visible());
        bound.AlignLabel();
        break;
    case ui::CM_ENABLEDCHANGED:
        label->SetEnabled(control->Enabled() || !(disabledKind & dkBlended));
        bound.AlignLabel();
        break;
    case ui::CM_PARENTBIDIMODECHANGED:
        bound.AlignLabel();
        break;
    default:
        break;
    }
}

TsEdit::TsEdit(core::Component* owner) : ui::Edit(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckEdit;
    m_bound_label = std::make_unique<TsBoundLabel>(m_common.get(), MakeEditLabel);
    m_common->Loaded();
}

TsEdit::~TsEdit()
{
    m_bound_label.reset();
}

void TsEdit::Loaded()
{
    ui::Edit::Loaded();
    m_common->Loaded();
}

void TsEdit::SetDisabledKind(TsDisabledKind value)
{
    if (value == m_disabled_kind)
        return;
    m_disabled_kind = value;
    m_common->Invalidate();
}

void TsEdit::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRemoved:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                return;
            }
            break;
        case scSkinRefresh:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (!Engine().FormAnimationActive && HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
                return;
            }
            break;
        case scIsTextured:
            message.LParam = 0;
            message.Result = 0;
            return;
        case scGetBgColor:
            if (!m_common->Skinned()) {
                message.Result = LRESULT(ui::ColorToRGB(GetColor()));
                return;
            }
            break;
        default:
            break;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::Edit::WndProc(message);
        BoundLabelFollows(message);
        return;
    }
    // Skinned road. FIXME: the frame and the disabled face painted from the cache bitmap need the
    // engine's painting primitives; until then the native edit paints itself in the section colours.
    if (message.Msg == WM_PAINT) {
        const SectionData* s = m_common->Section();
        bool hot = m_common->IsHotOrFocused();
        if (s && !m_common->CustomColor() && GetColor() != (hot ? s->HotColor : s->Color))
            SetColor(hot ? s->HotColor : s->Color);
        if (s && !m_common->CustomFont() && Font().FontColor() != (hot ? s->HotFontColor[0] : s->FontColor[0]))
            Font().SetColor(hot ? s->HotFontColor[0] : s->FontColor[0]);
    }
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::Edit::WndProc(message);
    if (message.Msg == WM_KILLFOCUS || message.Msg == ui::CM_EXIT) {
        m_common->FFocused = false;
        m_common->FMouseAbove = false;
        m_common->BGChanged = true;
    }
    BoundLabelFollows(message);
}

void TsEdit::BoundLabelFollows(const ui::Message& message)
{
    skin::BoundLabelFollows(*m_bound_label, this, m_disabled_kind, message);
}

} // namespace skin
