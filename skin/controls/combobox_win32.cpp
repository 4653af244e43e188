// Skinned combo box.
#include "skin/controls/combobox.h"

#include <unordered_map>

namespace skin {

namespace {

bool IsFilteredKey(WPARAM key) { return (key >= 32 && key <= 40) || key == 57 || (key >= 65 && key <= 90); }

// The edit and list windows inside combo boxes, with their owners and previous procedures. The
// windows are subclassed by replacing their procedure rather than through the common controls'
// subclass chain, which looks its data up in a window property on every message: each item added
// to a long list would pay for that several times. GUI thread only.
struct ChildHook {
    TsCustomComboBox* owner = nullptr;  // null once unhooked while another procedure sits on top
    WNDPROC previous = nullptr;
};

std::unordered_map<HWND, ChildHook>& ChildHooks()
{
    static std::unordered_map<HWND, ChildHook> hooks;
    return hooks;
}

} // namespace

TsCustomComboBox::TsCustomComboBox(core::Component* owner) : ui::ComboBox(owner)
{
    SetDropDownCount(16);
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckEdit;
    m_common->SetSkinSection(u"COMBOBOX");
    m_bound_label = std::make_unique<TsBoundLabel>(m_common.get(), MakeEditLabel);
    m_common->Loaded();
}

TsCustomComboBox::~TsCustomComboBox()
{
    if (m_list_sw) {
        if (m_list_handle && IsWindow(m_list_handle)) {
            LONG_PTR style = GetWindowLongPtrW(m_list_handle, GWL_STYLE);
            SetWindowLongPtrW(m_list_handle, GWL_STYLE, (style | WS_BORDER) & ~LONG_PTR(WS_THICKFRAME));
        }
        ReleaseScrollWnd(m_list_handle, true, false, m_list_sw);
        m_list_handle = nullptr;
    }
    UnhookChildren();
    m_bound_label.reset();
}

void TsCustomComboBox::Loaded()
{
    ui::ComboBox::Loaded();
    m_common->Loaded();
    if (m_common->Skinned()) {
        const SectionData* s = m_common->Section();
        if (!m_common->CustomColor())
            SetColor(s->Color);
        if (!m_common->CustomFont())
            Font().SetColor(s->FontColor[0]);
    }
}

void TsCustomComboBox::SetAlignment(ui::Alignment value)
{
    m_alignment = value;
    m_common->Invalidate();
}

void TsCustomComboBox::SetShowButton(bool value)
{
    if (value == m_show_button)
        return;
    m_show_button = value;
    m_common->Invalidate();
}

int TsCustomComboBox::IndexOf(core::StringView text) const
{
    auto& items = const_cast<TsCustomComboBox*>(this)->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Get(i) == text)
            return i;
    return -1;
}

RECT TsCustomComboBox::ButtonRect() const
{
    int w = (Style() != ui::csSimple && m_show_button) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    RECT r;
    r.left = Width() - w - 3;
    r.top = 2;
    r.right = r.left + w;
    r.bottom = Height() - 2;
    return r;
}

int TsCustomComboBox::ButtonHeight() const
{
    // FIXME: a skinned combo glyph gives its own height once the manager's constant indexes exist.
    return 16;
}

bool TsCustomComboBox::Focused()
{
    if (!HandleAllocated())
        return false;
    HWND focus = GetFocus();
    return focus == HandleIfAllocated() || (focus && GetParent(focus) == HandleIfAllocated()) || m_common->FFocused;
}

void TsCustomComboBox::CreateHandle()
{
    ui::ComboBox::CreateHandle();
    HookChildren();
    if (m_common->Skinned()) {
        const SectionData* s = m_common->Section();
        if (!m_common->CustomColor())
            SetColor(s->Color);
        if (!m_common->CustomFont())
            Font().SetColor(s->FontColor[0]);
    }
}

void TsCustomComboBox::DestroyingHandle()
{
    UnhookChildren();
    ui::ComboBox::DestroyingHandle();
}

void TsCustomComboBox::HookChildren()
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (!GetComboBoxInfo(HandleIfAllocated(), &info))
        return;
    HWND children[2] = {info.hwndItem != HandleIfAllocated() ? info.hwndItem : nullptr, info.hwndList};
    for (int i = 0; i < 2; ++i) {
        HWND child = children[i];
        if (!child)
            continue;
        auto found = ChildHooks().find(child);
        if (found != ChildHooks().end()) {
            // Still ours from an earlier hook that could not be taken off: take it over again.
            found->second.owner = this;
            m_hooked[i] = child;
            continue;
        }
        const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(child, GWLP_WNDPROC));
        if (!previous)
            continue;
        ChildHooks()[child] = ChildHook{this, previous};
        SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildProc));
        m_hooked[i] = child;
    }
}

void TsCustomComboBox::UnhookChildren()
{
    for (HWND& child : m_hooked) {
        auto found = child ? ChildHooks().find(child) : ChildHooks().end();
        if (found != ChildHooks().end()) {
            if (IsWindow(child) &&
                reinterpret_cast<WNDPROC>(GetWindowLongPtrW(child, GWLP_WNDPROC)) == &ChildProc) {
                SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.previous));
                ChildHooks().erase(found);
            } else {
                // Another procedure was put on top of ours: ours stays in the chain, passing
                // everything on, until the window goes.
                found->second.owner = nullptr;
            }
        }
        child = nullptr;
    }
}

LRESULT CALLBACK TsCustomComboBox::ChildProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    const auto found = ChildHooks().find(wnd);
    if (found == ChildHooks().end())
        return DefWindowProcW(wnd, msg, wparam, lparam);
    const ChildHook hook = found->second;
    if (hook.owner) {
        try {
            if (hook.owner->ComboWndProc(wnd, msg, wparam, lparam))
                return 0;
        } catch (...) {
            // Nothing may leave a window procedure; the message then takes its normal way.
        }
    }
    const LRESULT result = CallWindowProcW(hook.previous, wnd, msg, wparam, lparam);
    if (msg == WM_NCDESTROY) {
        ChildHooks().erase(wnd);
        if (hook.owner)
            for (HWND& child : hook.owner->m_hooked)
                if (child == wnd)
                    child = nullptr;
    }
    return result;
}

bool TsCustomComboBox::ComboWndProc(HWND, UINT msg, WPARAM, LPARAM)
{
    if (!m_read_only)
        return false;
    switch (msg) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: case WM_SYSKEYUP: case WM_CUT: case WM_PASTE:
    case WM_CLEAR: case WM_UNDO: case ui::CN_KEYDOWN: case ui::CN_CHAR: case ui::CN_SYSKEYDOWN: case ui::CN_SYSCHAR:
        return true; // dropped; copying still works
    default:
        return false;
    }
}

void TsCustomComboBox::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    // The read-only filters, whatever the skin state.
    if (m_read_only) {
        switch (message.Msg) {
        case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_SYSCHAR: case ui::CN_KEYDOWN: case ui::CN_SYSKEYDOWN: case ui::CN_SYSCHAR:
            if (IsFilteredKey(message.WParam))
                return;
            break;
        case WM_CHAR:
            return;
        case WM_COMMAND:
        case ui::CN_COMMAND:
            if (HIWORD(message.WParam) == CBN_DROPDOWN) {
                // The list may already be opening (a click on the button): close it again.
                if (HandleAllocated())
                    PostMessageW(HandleIfAllocated(), CB_SHOWDROPDOWN, FALSE, 0);
                return;
            }
            break;
        case WM_LBUTTONDOWN:
            SetFocus(); // the list does not drop down
            return;
        case WM_LBUTTONDBLCLK:
            SetFocus();
            if (OnDblClick)
                OnDblClick(this);
            return;
        default:
            break;
        }
    }
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (m_list_sw)
                    m_list_sw->acWndProc(message);
                return;
            }
            break;
        case scSkinRemoved:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (!m_common->CustomColor())
                    SetColor(ui::clWindow);
                if (!m_common->CustomFont())
                    Font().SetColor(ui::clWindowText);
                ReleaseScrollWnd(m_list_handle, true, false, m_list_sw);
                m_list_handle = nullptr;
                RecreateWnd();
                return;
            }
            break;
        case scSkinRefresh:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                Invalidate();
                return;
            }
            break;
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->SetUpdating(false);
                Invalidate();
            }
            return;
        default:
            break;
        }
    }
    if (message.Msg == ui::CN_COMMAND) {
        if (HIWORD(message.WParam) == CBN_DROPDOWN)
            m_drop_down = true;
        else if (HIWORD(message.WParam) == CBN_CLOSEUP) {
            m_drop_down = false;
            m_common->BGChanged = true;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::ComboBox::WndProc(message);
        BoundLabelFollows(*m_bound_label, this, m_disabled_kind, message);
        return;
    }
    // Skinned road. FIXME: the face, the drop-down button and the wrapped list are painted with the
    // engine's painting primitives, which do not exist yet.
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::ComboBox::WndProc(message);
    if (IsSubCode(message, scIsDroppedDown))
        message.Result = m_drop_down ? 1 : 0;
    BoundLabelFollows(*m_bound_label, this, m_disabled_kind, message);
}

} // namespace skin
