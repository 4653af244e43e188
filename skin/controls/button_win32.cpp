// Skinned push button.
#include "skin/controls/button.h"

#include "ui/form.h"

namespace skin {

TsButton::TsButton(core::Component* owner) : ui::Button(owner)
{
    SetControlStyle(ControlStyle() & ~(ui::csOpaque | ui::csDoubleClicks));
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckButton;
    SetWordWrap(true);
    m_common->Loaded();
}

TsButton::~TsButton() = default;

void TsButton::Loaded()
{
    ui::Button::Loaded();
    m_common->Loaded();
}

void TsButton::SetDown(bool value)
{
    if (value == m_down)
        return;
    m_down = value;
    m_region_changed = true;
    if (!skin::IsLoading(this))
        m_common->Invalidate();
}

void TsButton::SetShowFocus(bool value)
{
    if (value == m_show_focus)
        return;
    m_show_focus = value;
    m_common->Invalidate();
}

void TsButton::SetDisabledKind(TsDisabledKind value)
{
    if (value == m_disabled_kind)
        return;
    m_disabled_kind = value;
    if (!skin::IsLoading(this))
        m_common->Invalidate();
}

int TsButton::CurrentState()
{
    bool pushed = HandleAllocated() && (SendMessageW(HandleIfAllocated(), BM_GETSTATE, 0, 0) & BST_PUSHED);
    if (((pushed || Engine().PressedPaint) && (m_common->FMouseAbove || !MouseIsDown())) || m_down)
        return 2;
    bool defaultStyle = HandleAllocated() &&
                        (GetWindowLongPtrW(HandleIfAllocated(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
    if (m_is_focused || defaultStyle || m_common->IsHotOrFocused() || (IsDesigning(this) && Default()))
        return 1;
    return 0;
}

void TsButton::CreateParams(ui::CreateParamsRec& params)
{
    ui::Button::CreateParams(params);
    params.ClassStyle &= ~UINT(CS_DBLCLKS);
    SkinManager* manager = m_common->GetSkinManager();
    if (manager && manager->Active() && m_common->Skinned())
        params.Style = (params.Style & ~DWORD(0xF)) | BS_OWNERDRAW;
}

void TsButton::SetButtonStyle(bool isDefault)
{
    m_is_focused = isDefault;
    m_common->Invalidate();
}

void TsButton::MouseEnter()
{
    if (Enabled() && !IsDesigning(this))
        ui::Button::MouseEnter();
}

void TsButton::MouseLeave()
{
    if (Enabled() && !IsDesigning(this))
        ui::Button::MouseLeave();
}

void TsButton::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (m_common->Skinned())
                    RecreateWnd(); // owner drawing from now on
                return;
            }
            break;
        case scSkinRemoved:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (HandleAllocated()) {
                    LONG_PTR style = GetWindowLongPtrW(HandleIfAllocated(), GWL_STYLE);
                    if ((style & 0xF) == BS_OWNERDRAW)
                        RecreateWnd();
                    else
                        SetWindowRgn(HandleIfAllocated(), nullptr, TRUE);
                }
                Invalidate();
                return;
            }
            break;
        case scSkinRefresh:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                m_region_changed = true;
                if (!Engine().FormAnimationActive)
                    Invalidate();
                return;
            }
            break;
        case scStopFading:
            return; // no fade runs without a skin
        case scPrepareCache:
            return; // FIXME: the skinned cache painting arrives with the painting primitives
        case scDrawFadeFrame:
            if (m_common->FRegion) {
                DeleteObject(m_common->FRegion);
                m_common->FRegion = nullptr;
            }
            return;
        default:
            break;
        }
    }
    if (message.Msg == WM_KILLFOCUS && IsDestroying(this))
        return;
    if (message.Msg == ui::CM_FOCUSCHANGED) {
        // The platform tells every button whether it is the default now; the frame of an unskinned
        // button stays the one its window got at creation.
        auto* focused = reinterpret_cast<ui::Control*>(message.LParam);
        SetButtonStyle(focused == this || (Default() && !dynamic_cast<ui::Button*>(focused)));
    }
    if (Unskinned(this, *m_common)) {
        ui::Button::WndProc(message);
        return;
    }
    // Skinned road. FIXME: painting from the skin (owner drawing into the cache bitmap) needs the
    // engine's painting primitives; until they exist the window paints as a standard button.
    switch (message.Msg) {
    case WM_SIZE:
        m_region_changed = true;
        break;
    case WM_LBUTTONDOWN:
        SuppressHints();
        m_mouse_clicked = true;
        break;
    case WM_LBUTTONUP:
        if (!m_mouse_clicked)
            return; // a release that did not start here is not passed on
        m_mouse_clicked = false;
        break;
    default:
        break;
    }
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::Button::WndProc(message);
    if (message.Msg == WM_LBUTTONUP)
        RestoreHints();
}

} // namespace skin
