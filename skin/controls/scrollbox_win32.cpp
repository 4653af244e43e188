// Skinned scroll box.
#include "skin/controls/scrollbox.h"

#include "ui/form.h"

namespace skin {

TsScrollBox::TsScrollBox(core::Component* owner) : ui::ScrollBox(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckScrollBox;
    SetControlStyle(ControlStyle() | ui::csAcceptsControls);
    SetBounds(Left(), Top(), 185, 41);
    SetAutoScroll(true);
    SetBorderStyle(ui::bsSingleBorder);
    SetTabStop(false);
    m_common->Loaded();
}

TsScrollBox::~TsScrollBox()
{
    m_list_sw.reset();
}

void TsScrollBox::Loaded()
{
    ui::ScrollBox::Loaded();
    m_common->Loaded();
}

void TsScrollBox::SetParent(ui::WinControl* parent)
{
    ui::ScrollBox::SetParent(parent);
    if (parent)
        m_common->Loaded();
}

void TsScrollBox::ScrollBy(int dx, int dy)
{
    if (HandleAllocated())
        SendAcMessage(HandleIfAllocated(), scBeforeScroll, 0);
    else
        Perform(SM_SKINCMD, SkinWParam(scBeforeScroll), 0);
    ui::ScrollBox::ScrollBy(dx, dy);
    if (HandleAllocated())
        SendAcMessage(HandleIfAllocated(), scAfterScroll, 0);
    else
        Perform(SM_SKINCMD, SkinWParam(scAfterScroll), 0);
}

bool TsScrollBox::DoMouseWheel(ui::ShiftState shift, int delta, POINT mouse)
{
    if (!m_auto_mouse_wheel)
        return ui::ScrollBox::DoMouseWheel(shift, delta, mouse);
    if (m_forwarding_wheel)
        return false;
    LRESULT answered = 0;
    if (ui::Form* form = ParentForm(); form && form->ActiveControl() && form->ActiveControl() != this &&
                                       form->ActiveControl()->HandleAllocated()) {
        m_forwarding_wheel = true;
        answered = SendMessageW(form->ActiveControl()->HandleIfAllocated(), WM_MOUSEWHEEL,
                                MAKEWPARAM(0, short(delta)), MAKELPARAM(mouse.x, mouse.y));
        m_forwarding_wheel = false;
    }
    if (answered == 0)
        VertScrollBar().SetPosition(VertScrollBar().Position() - (delta / 120) * VertScrollBar().Increment());
    return true;
}

void TsScrollBox::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        bool own = FromOwnManager(message, *m_common);
        bool horizontal = HIWORD(DWORD(message.LParam)) == WM_HSCROLL;
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
            SendMsgToChildControls(this, message);
            if (own)
                HandleCommonMessage(message, m_common.get());
            return;
        case scSkinRemoved:
            if (own) {
                ReleaseScrollWnd(HandleIfAllocated(), true, false, m_list_sw);
                HandleCommonMessage(message, m_common.get());
                if (!IsDestroying(this)) {
                    m_common->BorderIndex = m_common->SkinIndex = -1;
                    SetControlStyle(ControlStyle() & ~ui::csOpaque);
                    if (HandleAllocated())
                        RedrawWindow(HandleIfAllocated(), nullptr, nullptr,
                                     RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
                }
            }
            SendMsgToChildControls(this, message);
            return;
        case scSkinRefresh:
            if (own) {
                HandleCommonMessage(message, m_common.get());
                if (HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
                SyncScrollWnd(m_common.get(), m_list_sw);
            }
            SendMsgToChildControls(this, message);
            return;
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                if (HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
                return;
            }
            HandleSkinCommand(message, m_common.get());
            return;
        case scRepaint:
            if (HandleAllocated())
                RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
            break;
        case scBeforeScroll:
            if (OnBeforeScroll)
                OnBeforeScroll(this);
            m_scroll_pos = horizontal ? HorzScrollBar().Position() : VertScrollBar().Position();
            return;
        case scAfterScroll:
            // Unskinned (and skinned without the cache) the box and its children are redrawn.
            if (HandleAllocated())
                RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
            if (OnAfterScroll)
                OnAfterScroll(this);
            return;
        default:
            break;
        }
    }
    if (!ControlIsReady(this) || !m_common->Skinned()) {
        HandleCommonMessage(message, m_common.get());
        ui::ScrollBox::WndProc(message);
        return;
    }
    // Skinned road. FIXME: cache painting of the background and frame needs the engine's painting
    // primitives; the wrapper's scroll information is kept up to date meanwhile.
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::ScrollBox::WndProc(message);
    switch (message.Msg) {
    case WM_WINDOWPOSCHANGING: case WM_MOUSEWHEEL: case ui::CM_FOCUSCHANGED: case ui::CM_CONTROLLISTCHANGE:
    case ui::CM_CONTROLCHANGE:
        UpdateScrollInfo(m_list_sw.get(), true);
        break;
    case ui::CM_SHOWINGCHANGED:
        SyncScrollWnd(m_common.get(), m_list_sw);
        break;
    default:
        break;
    }
}

} // namespace skin
