// Skinned combo box.
#include "skin/controls/combobox.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/editwnd.h"
#include "ui/canvas.h"

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
    SkinManager* manager = m_common->GetSkinManager();
    if (m_common->Skinned() && manager) {
        const int glyph = manager->GetConstData().ComboGlyph;
        if (glyph >= 0 && manager->IsValidImgIndex(glyph))
            return MaskStateHeight(manager->Mask(glyph));
    }
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

bool TsCustomComboBox::ComboWndProc(HWND child, UINT msg, WPARAM, LPARAM)
{
    // Skinned, the face painted by the combo shows through children that would paint natively,
    // except where the native edit takes typing.
    if (m_common->Skinned() && Style() != ui::csSimple && !(Focused() && Enabled() && !m_read_only)) {
        if (msg == WM_PAINT) {
            ValidateRect(child, nullptr);
            return true;
        }
        if (msg == WM_ERASEBKGND || msg == WM_NCPAINT)
            return true;
    }
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
    if (SkinnedMessage(message))
        return;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::ComboBox::WndProc(message);
    if (IsSubCode(message, scIsDroppedDown))
        message.Result = m_drop_down ? 1 : 0;
    if (message.Msg == CB_SETCURSEL || message.Msg == ui::CM_TEXTCHANGED) {
        m_common->BGChanged = true;
        Repaint();
    }
    BoundLabelFollows(*m_bound_label, this, m_disabled_kind, message);
}

bool TsCustomComboBox::SkinnedMessage(ui::Message& message)
{
    switch (message.Msg) {
    case WM_SETFOCUS:
    case ui::CM_ENTER:
        if (CanFocus()) {
            m_common->FFocused = true;
            m_common->FMouseAbove = false;
            m_common->BGChanged = true;
        }
        ui::ComboBox::WndProc(message);
        return true;
    case WM_KILLFOCUS:
    case ui::CM_EXIT:
        if (DroppedDown())
            SetDroppedDown(false);
        m_common->FFocused = false;
        m_common->FMouseAbove = false;
        m_common->BGChanged = true;
        Repaint();
        ui::ComboBox::WndProc(message);
        return true;
    case WM_PAINT: {
        HWND wnd = HandleIfAllocated();
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(wnd, &ps);
        if (!Engine().FormAnimationActive)
            PaintFace(message.WParam ? reinterpret_cast<HDC>(message.WParam) : dc);
        EndPaint(wnd, &ps);
        message.Result = 0;
        return true;
    }
    case WM_NCPAINT:
        if (Engine().FormAnimationActive)
            PaintFace(nullptr);
        return true;
    case WM_SETFONT:
    case ui::CM_VISIBLECHANGED:
    case ui::CM_ENABLEDCHANGED:
    case ui::CM_COLORCHANGED:
    case ui::CM_MOUSEWHEEL:
        m_common->BGChanged = true;
        return false;
    case WM_COMMAND:
        if (m_read_only)
            return true;
        m_drop_down = false;
        PaintFace(nullptr);
        return false;
    case WM_CTLCOLORLISTBOX:
        WrapList(reinterpret_cast<HWND>(message.LParam));
        return false;
    case WM_PRINT:
        m_common->FUpdating = false;
        PaintFace(reinterpret_cast<HDC>(message.WParam));
        return true;
    case ui::CM_MOUSEENTER:
    case ui::CM_MOUSELEAVE: {
        if (IsDesigning(this))
            return false;
        if (m_drop_down) {
            ui::ComboBox::WndProc(message);
            return true;
        }
        const bool enter = message.Msg == ui::CM_MOUSEENTER;
        RECT r{};
        POINT p{};
        GetWindowRect(HandleIfAllocated(), &r);
        GetCursorPos(&p);
        if ((enter && m_common->FMouseAbove) || (!enter && PtInRect(&r, p)))
            return true;
        m_common->FMouseAbove = enter;
        m_common->BGChanged = true;
        Repaint();
        ui::ComboBox::WndProc(message);
        if (enter) {
            RemoveGlowEffect(m_common->GlowID);
            m_common->GlowID = -1;
            m_common->UpdateGlow(false, nullptr);
        } else {
            ClearGlowEffects();
        }
        return true;
    }
    case ui::CN_COMMAND:
        // A themed list may never ask for its colours: it is wrapped when it drops down at the latest.
        if (HIWORD(message.WParam) == CBN_DROPDOWN) {
            COMBOBOXINFO info{};
            info.cbSize = sizeof(info);
            if (GetComboBoxInfo(HandleIfAllocated(), &info))
                WrapList(info.hwndList);
        }
        // The button looks pressed exactly while the list is down.
        if (HIWORD(message.WParam) == CBN_CLOSEUP || HIWORD(message.WParam) == CBN_DROPDOWN) {
            m_common->BGChanged = true;
            PaintFace(nullptr);
        }
        return false;
    default:
        return false;
    }
}

void TsCustomComboBox::WrapList(HWND list)
{
    // Only a list that will scroll is wrapped, once.
    if (!list || IsLoading(this) || m_list_sw || Items().Count() <= DropDownCount())
        return;
    m_list_handle = list;
    // The wrapper keeps a skin state of its own: the list must not paint into the combo's cache.
    auto wrapper = TacMainWnd::Create<TacComboListWnd>(list, nullptr, m_common->GetSkinManager(), u"EDIT", true);
    wrapper->SimplyBox = Style() == ui::csSimple;
    m_list_sw = std::move(wrapper);
}

void TsCustomComboBox::PaintFace(HDC dc)
{
    if (!Showing() || !HandleAllocated())
        return;
    HWND wnd = HandleIfAllocated();
    const bool windowDC = !dc;
    if (windowDC)
        dc = GetWindowDC(wnd);
    m_common->FUpdating = m_common->GetUpdating();
    const bool held = m_common->FUpdating || (Engine().FormAnimationActive && dc != Engine().AnimationDC);
    if (dc && !held) {
        if (CacheNeedsRebuild(*m_common))
            m_common->BGChanged = true;
        CacheBitmap* cache = m_common->CacheBmp();
        if (m_common->BGChanged || !cache || cache->Empty())
            PrepareCache();
        RestoreParentCorners(m_common.get(), 0);
        cache = m_common->CacheBmp();
        if (cache && !cache->Empty()) {
            HDC src = cache->Canvas().Handle();
            const bool frameOnly = Enabled() && ((Style() == ui::csDropDown && Focused()) || Style() == ui::csSimple);
            if (frameOnly) {
                // The native edit writes the text inside the frame.
                CopyDCFrame(dc, 0, 0, cache->Width(), cache->Height(), src, 0, 0, 3);
                if (Style() == ui::csDropDown) {
                    const RECT b = ButtonRect();
                    BitBlt(dc, b.left, b.top, b.right - b.left, b.bottom - b.top, src, b.left, b.top, SRCCOPY);
                }
            } else {
                BitBlt(dc, 0, 0, cache->Width(), cache->Height(), src, 0, 0, SRCCOPY);
            }
        }
    }
    if (windowDC && dc)
        ReleaseDC(wnd, dc);
}

void TsCustomComboBox::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const int state = m_common->IsHotOrFocused() ? 1 : 0;
    const TCacheInfo ci = ParentBackground(*m_common);
    if (Style() == ui::csSimple) {
        const int h = std::min(Height(), ItemHeightOf() + 8);
        PaintControlItem(m_common.get(), ci, true, state, Rect{0, 0, Width(), h}, OffsetOf(this), cache, true);
    } else {
        PaintControlItem(m_common.get(), ci, true, state, Rect{0, 0, Width(), Height()}, OffsetOf(this), cache, true);
        if (m_show_button)
            PaintButton();
        const RECT b = ButtonRect();
        WriteText(RECT{3, 3, b.left - 1, Height() - 3}, Focused() && Enabled() && Style() == ui::csDropDownList);
    }
    if (!Enabled())
        ApplyDisabledKind(cache, m_disabled_kind, this, ParentBackground(*m_common), OffsetOf(this));
    m_common->BGChanged = false;
}

int TsCustomComboBox::ItemHeightOf() const
{
    HWND wnd = HandleIfAllocated();
    return wnd ? int(SendMessageW(wnd, CB_GETITEMHEIGHT, 0, 0)) : 16;
}

void TsCustomComboBox::WriteText(RECT r, bool focusedLook)
{
    ui::Canvas& canvas = m_common->CacheBmp()->Canvas();
    canvas.Font().Assign(Font());
    if (Style() != ui::csDropDown)
        OffsetRect(&r, 1, 0);
    else
        --r.bottom;
    const UINT flags = DrawTextFlagsOf(this, m_alignment) | DT_SINGLELINE | DT_NOPREFIX;
    const core::String text = Text();
    if (focusedLook) {
        FillDCSolid(canvas.Handle(), r, ui::clHighlight);
        canvas.Font().SetColor(ui::clHighlightText);
    }
    canvas.SetBrushStyle(ui::bsClear);
    canvas.TextRect(r, text, flags);
    if (focusedLook)
        DrawFocusRect(canvas.Handle(), &r);
}

void TsCustomComboBox::PaintButton()
{
    CacheBitmap* cache = m_common->CacheBmp();
    SkinManager* manager = m_common->GetSkinManager();
    if (!cache || cache->Empty() || !manager)
        return;
    const int state = m_drop_down ? 2 : m_common->IsHotOrFocused() ? 1 : 0;
    const TConstantSkinData& c = manager->GetConstData();
    const RECT b = ButtonRect();
    if (b.right <= b.left)
        return;
    if (c.ComboBtnIndex >= 0)
        PaintSectionItem(c.ComboBtnIndex, u"COMBOBTN", MakeCacheInfo(cache, 0, 0), true, state,
                         Rect{b.left, b.top, b.right, b.bottom}, POINT{b.left, b.top}, cache, manager, c.ComboBtnBG,
                         c.ComboBtnBGHot);
    if (c.ComboGlyph >= 0 && manager->IsValidImgIndex(c.ComboGlyph)) {
        const MaskData& m = manager->Mask(c.ComboGlyph);
        const POINT p{b.left + (b.right - b.left - MaskImageWidth(m)) / 2, (Height() - ButtonHeight()) / 2};
        PaintMaskGlyph(cache, p, state, 1, m, MakeCacheInfo(cache, 0, 0));
    }
}

} // namespace skin
