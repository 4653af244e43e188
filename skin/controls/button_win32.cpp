// Skinned push button.
#include "skin/controls/button.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/glow.h"
#include "skin/engine/skinpaint.h"
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

TsButton::~TsButton()
{
    StopFadeTimer(m_fade_timer, m_common.get());
    FreeRegion();
}

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
                StopFadeTimer(m_fade_timer, m_common.get());
                HandleCommonMessage(message, m_common.get());
                FreeRegion();
                m_region_changed = true;
                m_had_region = false;
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
            // The last frame is the new picture; the window shows the cache from here on.
            if (m_fade_timer) {
                StopFadeTimer(m_fade_timer, m_common.get());
                Invalidate();
            }
            return;
        case scPrepareCache:
            if (m_common->Skinned())
                PrepareCache();
            return;
        case scDrawFadeFrame:
            FreeRegion(); // the fade timer draws the frame itself
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
    SkinnedWndProc(message);
}

void TsButton::FreeRegion()
{
    if (m_region) {
        DeleteObject(m_region);
        m_region = nullptr;
    }
}

void TsButton::BaseWithoutRedraw(ui::Message& message)
{
    HWND wnd = HandleIfAllocated();
    if (wnd)
        SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
    ui::Button::WndProc(message);
    if (wnd && IsWindow(wnd))
        SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
}

RECT TsButton::CaptionRect(int state)
{
    const core::String text = Caption();
    RECT r{0, 0, text.empty() ? 0 : Width() - 2, 0};
    ui::Canvas& canvas = m_common->CacheBmp()->Canvas();
    canvas.Font().Assign(Font());
    if (!text.empty())
        DrawTextStr(canvas.Handle(), text, r, WordWrap() ? 0x451 : 0x461);
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT c{(Width() - w) / 2 - 1, (Height() - h) / 2, Width() - (Width() - w) / 2 + 2, Height() - (Height() - h) / 2};
    if (state == 2)
        OffsetRect(&c, 1, 1);
    return c;
}

void TsButton::DrawCaption(int state)
{
    const core::String text = Caption();
    ui::Canvas& canvas = m_common->CacheBmp()->Canvas();
    RECT r = CaptionRect(state);
    canvas.Font().Assign(Font());
    canvas.SetBrushStyle(ui::bsClear);
    WriteControlText(canvas, text.c_str(), Enabled(), r, WordWrap() ? 0x51 : 0x41, m_common.get(), state != 0);
    const SectionData* section = m_common->Section();
    if (Enabled() && Focused() && !text.empty() && section && section->ShowFocus && m_show_focus) {
        InflateRect(&r, m_focus_margin, m_focus_margin);
        PaintDotFrame(canvas, r);
    }
}

void TsButton::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const TCacheInfo ci = ParentBackground(*m_common);
    const int state = CurrentState();
    PaintControlBg(m_common.get(), ci, state, Rect{0, 0, Width(), Height()}, OffsetOf(this), cache);
    if (m_region_changed) {
        FreeRegion();
        m_region = CreateRectRgn(0, 0, Width(), Height());
    }
    SkinManager* manager = m_common->GetSkinManager();
    if (manager && manager->IsValidImgIndex(m_common->BorderIndex)) {
        const MaskData& m = manager->Mask(m_common->BorderIndex);
        if (state != 0 || !(m.DrawMode & 2))
            PaintMaskFrame(cache, m_region_changed ? m_region : nullptr, false, state, m);
    }
    DrawCaption(state);
    if (!Enabled())
        ApplyDisabledKind(cache, m_disabled_kind, this, ci, OffsetOf(this));
    m_common->BGChanged = false;
}

void TsButton::ApplyRegion(HDC dc, int state)
{
    RestoreParentCorners(m_common.get(), state);
    HWND wnd = HandleIfAllocated();
    if (wnd && m_region && dc != HDC(Engine().AnimationDC) && !IsDesigning(this)) {
        // The window owns the region from here on: it is never deleted by the button.
        HRGN region = m_region;
        m_region = nullptr;
        SetWindowRgn(wnd, region, !m_had_region);
        m_had_region = true;
    }
    // A narrower or lower button uncovers strips of the parent that its old corners hid.
    const RECT b = BoundsRect();
    ui::WinControl* parent = Parent();
    const bool parentCached = parent && parent->Perform(SM_SKINCMD, SkinWParam(scIsSkinAware), 0) == 1;
    if (parent && parent->HandleAllocated() && !parentCached && !IsRectEmpty(&m_last_rect)) {
        SkinManager* manager = m_common->GetSkinManager();
        int wr = 0, wb = 0;
        if (manager && manager->IsValidImgIndex(m_common->BorderIndex)) {
            wr = manager->Mask(m_common->BorderIndex).WR;
            wb = manager->Mask(m_common->BorderIndex).WB;
        }
        if (b.right < m_last_rect.right) {
            RECT strip{std::max(b.right - wr, m_last_rect.left), m_last_rect.top, m_last_rect.right, m_last_rect.bottom};
            InvalidateRect(parent->HandleIfAllocated(), &strip, TRUE);
        }
        if (b.bottom < m_last_rect.bottom) {
            RECT strip{m_last_rect.left, std::max(b.bottom - wb, m_last_rect.top), m_last_rect.right, m_last_rect.bottom};
            InvalidateRect(parent->HandleIfAllocated(), &strip, TRUE);
        }
    }
    m_last_rect = b;
    m_region_changed = false;
}

void TsButton::PaintSkinned(HDC dc)
{
    m_common->SetUpdating(m_common->GetUpdating());
    if (m_common->FUpdating || m_fade_timer)
        return;
    const bool regionChanged = m_region_changed;
    if (CacheNeedsRebuild(*m_common) || regionChanged)
        PrepareCache();
    if (regionChanged)
        ApplyRegion(dc, CurrentState());
    CopyCache(*m_common, dc);
}

void TsButton::SkinnedWndProc(ui::Message& message)
{
    HWND wnd = HandleIfAllocated();
    switch (message.Msg) {
    case SM_SKINCMD:
        switch (SubCodeOf(message.WParam)) {
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                Repaint();
            }
            return;
        case scSetUrgentPainting:
            HandleCommonMessage(message, m_common.get());
            if (m_common->UrgentPainting)
                PrepareCache();
            return;
        default:
            break;
        }
        break;
    case WM_MOVE:
        if (const SectionData* s = m_common->Section();
            s && (s->Transparency > 0 || (s->HotTransparency > 0 && CurrentState() != 0))) {
            m_common->BGChanged = true;
            Repaint();
        }
        break;
    case WM_SIZE:
        m_region_changed = true;
        RemoveGlowEffect(m_common->GlowID);
        m_common->GlowID = -1;
        break;
    case WM_SETFOCUS:
    case ui::CM_ENTER:
        if (Visible() && Enabled() && !IsDestroying(this) && !m_in_focus_change) {
            m_in_focus_change = true;
            if (message.Msg == WM_SETFOCUS)
                HandleCommonMessage(message, m_common.get());
            BaseWithoutRedraw(message);
            m_in_focus_change = false;
            m_common->BGChanged = true;
            if (!m_fade_timer)
                Invalidate();
            return;
        }
        break;
    case WM_KILLFOCUS:
    case ui::CM_EXIT:
        StopFadeTimer(m_fade_timer, m_common.get());
        BaseWithoutRedraw(message);
        m_common->FFocused = false;
        m_region_changed = true;
        m_common->Invalidate();
        return;
    case WM_ENABLE:
        return; // the enabling change repaints from the cache
    case WM_PAINT: {
        if (Engine().FormAnimationActive) {
            PaintSkinned(HDC(Engine().AnimationDC));
            ValidateRect(wnd, nullptr);
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(wnd, &ps);
            PaintSkinned(dc);
            EndPaint(wnd, &ps);
        }
        message.Result = 0;
        return;
    }
    case WM_PRINT:
        m_region_changed = true;
        m_common->BGChanged = true;
        m_common->FUpdating = false;
        PaintSkinned(HDC(message.WParam));
        return;
    case WM_ERASEBKGND:
    case WM_UPDATEUISTATE:
        if (Visible()) {
            message.Result = 1;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
        m_region_changed = true;
        if (!(pos->flags & SWP_NOMOVE))
            m_common->BGChanged = true;
        break;
    }
    case WM_KEYDOWN:
        if (message.WParam == VK_SPACE && Enabled() && Focused()) {
            StopFadeTimer(m_fade_timer, m_common.get());
            ui::Button::WndProc(message);
            m_region_changed = true;
            m_common->BGChanged = true;
            RemoveGlowEffect(m_common->GlowID);
            m_common->GlowID = -1;
            Repaint();
            return;
        }
        break;
    case WM_KEYUP:
        ui::Button::WndProc(message);
        if (message.WParam == VK_SPACE) {
            m_region_changed = true;
            m_common->BGChanged = true;
            Repaint();
        }
        return;
    case ui::CM_TEXTCHANGED:
        m_common->Invalidate();
        break;
    case ui::CM_MOUSEENTER:
        if (!Enabled() || IsDesigning(this))
            break;
        if (Engine().HoverSuspended || m_common->FMouseAbove)
            return;
        ui::Button::WndProc(message);
        m_common->FMouseAbove = true;
        m_common->BGChanged = false;
        RepaintWithFade(m_fade_timer, m_common.get(), false,
                        AnimEventAllowed(aeMouseEnter, m_animat_events, m_common->GetSkinManager()), fdUp);
        return;
    case ui::CM_MOUSELEAVE:
        if (!Enabled() || IsDesigning(this))
            break;
        ui::Button::WndProc(message);
        m_common->FMouseAbove = false;
        RepaintWithFade(m_fade_timer, m_common.get(), false,
                        AnimEventAllowed(aeMouseLeave, m_animat_events, m_common->GetSkinManager()), fdDown);
        return;
    case ui::CM_UIACTIVATE:
        m_common->FUpdating = false;
        break;
    case ui::CN_DRAWITEM:
        // The native press and release draw through here: the cache already shows them.
        message.WParam = 0;
        message.LParam = 0;
        message.Result = 1;
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SuppressHints();
        m_mouse_clicked = true;
        m_common->FUpdating = false;
        HandleCommonMessage(message, m_common.get());
        ui::Button::WndProc(message);
        RepaintWithFade(m_fade_timer, m_common.get(), true,
                        AnimEventAllowed(aeMouseDown, m_animat_events, m_common->GetSkinManager()), fdUp);
        return;
    case WM_LBUTTONUP:
        if (!m_mouse_clicked)
            return; // a release that did not start here is not passed on
        m_mouse_clicked = false;
        if (m_fade_timer) {
            // The press fade is finished at once, drawn pressed, before the release shows.
            StopFadeTimer(m_fade_timer, m_common.get());
            m_common->BGChanged = true;
            Engine().PressedPaint = true;
            Repaint();
            Engine().PressedPaint = false;
            Sleep(30);
        }
        RestoreHints();
        HandleCommonMessage(message, m_common.get());
        ui::Button::WndProc(message); // the click
        // A click handler that freed the button took its window with it.
        if (!wnd || !IsWindow(wnd))
            return;
        m_common->BGChanged = false;
        RepaintWithFade(m_fade_timer, m_common.get(), true,
                        AnimEventAllowed(aeMouseUp, m_animat_events, m_common->GetSkinManager()), fdUp);
        return;
    default:
        break;
    }
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::Button::WndProc(message);
    switch (message.Msg) {
    case WM_SETFONT:
    case ui::CM_VISIBLECHANGED:
    case ui::CM_ENABLEDCHANGED:
        m_common->Invalidate();
        break;
    default:
        break;
    }
}

} // namespace skin
