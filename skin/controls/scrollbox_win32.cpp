// Skinned scroll box.
#include "skin/controls/scrollbox.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/wrapperkit.h"
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
            if (m_common->Skinned() && m_common->NeedsCachePaint() && BarTracking(horizontal) && HandleAllocated())
                SendMessageW(HandleIfAllocated(), WM_SETREDRAW, FALSE, 0);
            return;
        case scAfterScroll:
            if (HandleAllocated()) {
                HWND wnd = HandleIfAllocated();
                if (m_common->Skinned() && m_common->NeedsCachePaint() && m_list_sw && BarTracking(horizontal)) {
                    // Redrawing was held back while the thumb moved.
                    SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
                    RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
                } else if (m_common->Skinned() && m_common->NeedsCachePaint()) {
                    RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
                } else {
                    // Unskinned (and skinned without the cache) the box and its children are redrawn.
                    RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
                }
            }
            if (OnAfterScroll)
                OnAfterScroll(this);
            return;
        default:
            break;
        }
    }
    if (message.Msg == WM_NCHITTEST && HandleAllocated()) {
        message.Result = DefWindowProcW(HandleIfAllocated(), message.Msg, message.WParam, message.LParam);
        return;
    }
    if (!ControlIsReady(this) || !m_common->Skinned()) {
        HandleCommonMessage(message, m_common.get());
        ui::ScrollBox::WndProc(message);
        return;
    }
    if (SkinnedMessage(message))
        return;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::ScrollBox::WndProc(message);
    switch (message.Msg) {
    case WM_SIZE:
        if (HandleAllocated())
            RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        break;
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

bool TsScrollBox::BarTracking(bool horizontal) const
{
    return m_list_sw && m_list_sw->fThumbTracking && Tracking().PressBar == (horizontal ? 0 : 1);
}

int TsScrollBox::FrameWidth() const { return BorderStyle() == ui::bsSingleBorder ? 2 : 0; }

bool TsScrollBox::SkinnedMessage(ui::Message& message)
{
    HWND wnd = HandleIfAllocated();
    switch (message.Msg) {
    case SM_SKINCMD:
        switch (SubCodeOf(message.WParam)) {
        case scIsUpdating:
            message.Result = m_common->NeedsCachePaint() && m_common->FUpdating ? 1 : 0;
            return true;
        case scGetBackground:
            if (auto* query = reinterpret_cast<TacBGQuery*>(message.LParam)) {
                if (m_common->BGChanged && !m_common->FUpdating)
                    PrepareCache();
                m_common->GetBgInfo(*query, 0, nullptr);
                // Children lie inside the frame.
                if (query->BgType == 2 && !query->PleaseDraw) {
                    query->Offset.x += FrameWidth();
                    query->Offset.y += FrameWidth();
                }
            }
            return true;
        default:
            return HandleSkinCommand(message, m_common.get());
        }
    case WM_PAINT: {
        if (m_common->NeedsCachePaint()) {
            const MessagePaintDC dc(wnd, message.WParam);
            Paint(dc.Get(), true);
        } else {
            const MessagePaintDC dc(wnd, 0);
            PaintGraphicChildren(dc.Get(), this, POINT{0, 0});
        }
        message.Result = 0;
        return true;
    }
    case WM_NCPAINT:
        if (BorderStyle() != ui::bsSingleBorder || !Visible())
            return false;
        if (!Engine().FormAnimationActive)
            PaintFrame();
        return true;
    case WM_ERASEBKGND:
        if (Engine().FormAnimationActive) {
            if (reinterpret_cast<void*>(message.WParam) == Engine().AnimationDC)
                Paint(reinterpret_cast<HDC>(message.WParam), false);
        } else if (const SectionData* s = m_common->Section(); s && s->Transparency == 0) {
            Paint(reinterpret_cast<HDC>(message.WParam), false);
        }
        message.Result = 1;
        return true;
    case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (!dc)
            return true;
        m_common->FUpdating = false;
        PrepareCache();
        RestoreParentCorners(m_common.get(), 0);
        CacheBitmap* cache = m_common->CacheBmp();
        const int b = FrameWidth();
        if (cache && !cache->Empty())
            CopyDCFrame(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, b);
        if (m_list_sw)
            m_list_sw->PaintScrolls(wnd, -1, dc);
        const int saved = SaveDC(dc);
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - b, origin.y - b, nullptr);
        RECT client{};
        GetClientRect(wnd, &client);
        IntersectClipRect(dc, 0, 0, client.right, client.bottom);
        m_common->HalfVisible = false;
        Paint(dc, false);
        RestoreDC(dc, saved);
        return true;
    }
    case ui::CM_VISIBLECHANGED:
        m_common->BGChanged = true;
        return false;
    case ui::CM_ENTER:
    case ui::CM_EXIT:
        m_common->BeginUpdate();
        HandleCommonMessage(message, m_common.get());
        ui::ScrollBox::WndProc(message);
        m_common->EndUpdate();
        return true;
    default:
        return false;
    }
}

void TsScrollBox::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    PaintControlItemOnParent(m_common.get(), Parent(), true, 0, Rect{0, 0, Width(), Height()}, OffsetOf(this), cache,
                             true);
    m_common->BGChanged = false;
    if (OnPaint)
        OnPaint(*cache);
}

void TsScrollBox::Paint(HDC dc, bool sendUpdated)
{
    HWND wnd = HandleIfAllocated();
    if (!wnd || !m_common->Skinned())
        return;
    const bool ownDC = !dc;
    if (ownDC)
        dc = GetDC(wnd);
    const int b = FrameWidth();
    RECT client{};
    GetClientRect(wnd, &client);
    if ((m_common->NeedsCachePaint() && !m_common->CustomColor()) || OnPaint) {
        m_common->FUpdating = m_common->GetUpdating();
        if (!m_common->FUpdating) {
            CacheBitmap* cache = m_common->CacheBmp();
            if (m_common->HalfVisible || m_common->BGChanged || !cache || cache->Empty())
                PrepareCache();
            RECT clip{};
            m_common->HalfVisible = m_common->RepaintIfMoved() && GetClipBox(dc, &clip) != ERROR &&
                                    (clip.right - clip.left < client.right || clip.bottom - clip.top < client.bottom);
            BltCacheExceptChildren(this, m_common.get(), RECT{b, b, b + client.right, b + client.bottom}, 0, 0, true, dc,
                                   client);
            PaintGraphicChildren(dc, this, POINT{0, 0});
        }
    } else {
        // A plain background: the box's own colour, or the parent's.
        uint32_t color = ui::ColorToRGB(GetColor());
        TacBGQuery bg;
        if (!m_common->CustomColor() && QueryBgOfControl(bg, this, false) && bg.BgType == 1)
            color = bg.Color;
        const int saved = SaveDC(dc);
        ExcludeGraphicChildren(dc, this, 0, 0);
        FillDCSolid(dc, client, ui::Color(color));
        RestoreDC(dc, saved);
        PaintGraphicChildren(dc, this, POINT{0, 0});
        m_common->EmptyCacheBmp();
    }
    if (ownDC)
        ReleaseDC(wnd, dc);
    if (sendUpdated)
        NotifyChildControls(this);
}

void TsScrollBox::PaintFrame()
{
    HWND wnd = HandleIfAllocated();
    HDC dc = GetWindowDC(wnd);
    if (!dc)
        return;
    m_common->FUpdating = m_common->GetUpdating();
    if (!m_common->FUpdating) {
        CacheBitmap* cache = m_common->CacheBmp();
        if (m_common->BGChanged || !cache || cache->Empty())
            PrepareCache();
        cache = m_common->CacheBmp();
        if (cache && !cache->Empty())
            CopyDCFrame(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, FrameWidth());
        if (m_list_sw)
            m_list_sw->PaintScrolls(wnd, -1, dc);
    }
    ReleaseDC(wnd, dc);
}

} // namespace skin
