// Skinned edit.
#include "skin/controls/edit.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "ui/canvas.h"

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
    if (SkinnedMessage(message))
        return;
    BoundLabelFollows(message);
}

int TsEdit::FrameWidth() const { return BorderStyle() == ui::bsSingleBorder ? 2 : 0; }

void TsEdit::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const int state = m_common->IsHotOrFocused() ? 1 : 0;
    const TCacheInfo ci = ParentBackground(*m_common);
    PaintControlItem(m_common.get(), ci, true, state, Rect{0, 0, Width(), Height()}, OffsetOf(this), cache, true);
    PaintText();
    if (!Enabled())
        ApplyDisabledKind(cache, m_disabled_kind, this, ParentBackground(*m_common), OffsetOf(this));
    m_common->BGChanged = false;
}

void TsEdit::PaintText()
{
    CacheBitmap* cache = m_common->CacheBmp();
    ui::Canvas& canvas = cache->Canvas();
    canvas.Font().Assign(Font());
    const int b = FrameWidth();
    const RECT r{b + 1, b + 1, Width() - b, Height() - b};
    // A password face never shows the text: one password character per character.
    core::String text = Text();
    if (PasswordChar())
        text.assign(text.size(), PasswordChar());
    WriteText(canvas, text, r, DrawTextFlagsOf(this, ui::taLeftJustify) | DT_WORDBREAK | DT_SINGLELINE | DT_NOPREFIX);
}

void TsEdit::WriteText(ui::Canvas& canvas, const core::String& text, const RECT& r, UINT flags)
{
    WriteControlText(canvas, text.c_str(), Enabled(), r, flags, m_common.get(), m_common->IsHotOrFocused());
}

void TsEdit::PaintFromCache(HDC dc, bool frameOnly)
{
    const bool animating = Engine().FormAnimationActive;
    HWND wnd = HandleIfAllocated();
    if (!wnd)
        return;
    PAINTSTRUCT ps{};
    const bool ownPaint = !frameOnly && !dc && !animating;
    if (ownPaint)
        dc = BeginPaint(wnd, &ps);
    const bool windowDC = !dc;
    if (windowDC)
        dc = GetWindowDC(wnd);
    m_common->FUpdating = m_common->GetUpdating();
    if (dc && !m_common->FUpdating) {
        if (CacheNeedsRebuild(*m_common))
            m_common->BGChanged = true;
        CacheBitmap* cache = m_common->CacheBmp();
        if ((m_common->BGChanged || !cache || cache->Empty()) && !m_common->UrgentPainting)
            PrepareCache();
        RestoreParentCorners(m_common.get(), 0);
        cache = m_common->CacheBmp();
        if (cache && !cache->Empty()) {
            if (frameOnly)
                CopyDCFrame(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, FrameWidth());
            else if (windowDC)
                BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
            else // a client-area DC starts inside the frame
                BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), FrameWidth(), FrameWidth(), SRCCOPY);
        }
    }
    if (windowDC && dc)
        ReleaseDC(wnd, dc);
    if (ownPaint)
        EndPaint(wnd, &ps);
}

void TsEdit::FollowSectionColours()
{
    const SectionData* s = m_common->Section();
    if (!s)
        return;
    const bool hot = m_common->IsHotOrFocused();
    if (!m_common->CustomColor() && GetColor() != (hot ? s->HotColor : s->Color))
        SetColor(hot ? s->HotColor : s->Color);
    if (!m_common->CustomFont() && Font().FontColor() != (hot ? s->HotFontColor[0] : s->FontColor[0]))
        Font().SetColor(hot ? s->HotFontColor[0] : s->FontColor[0]);
}

bool TsEdit::SkinnedMessage(ui::Message& message)
{
    const bool animating = Engine().FormAnimationActive;
    switch (message.Msg) {
    case WM_PAINT:
        m_common->FUpdating = m_common->GetUpdating();
        if (animating || m_common->FUpdating) {
            PAINTSTRUCT ps;
            BeginPaint(HandleIfAllocated(), &ps);
            EndPaint(HandleIfAllocated(), &ps);
            return true;
        }
        FollowSectionColours();
        if (!Enabled()) {
            PaintFromCache(reinterpret_cast<HDC>(message.WParam), false);
            message.Result = 0;
            return true;
        }
        break;
    case WM_ERASEBKGND:
    case ui::CN_DRAWITEM:
        if (!animating && !m_common->FUpdating && Enabled())
            ui::Edit::WndProc(message);
        return true;
    case WM_NCPAINT:
        if (!animating)
            PaintFromCache(nullptr, true);
        return true;
    case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        m_common->FUpdating = false;
        PrepareCache();
        RestoreParentCorners(m_common.get(), 0);
        CacheBitmap* cache = m_common->CacheBmp();
        if (!dc || !cache || cache->Empty())
            return true;
        const int b = FrameWidth();
        CopyDCFrame(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, b);
        BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
        // The base procedure prints the client area inside the frame.
        const int saved = SaveDC(dc);
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - b, origin.y - b, nullptr);
        IntersectClipRect(dc, 0, 0, cache->Width() - 2 * b, cache->Height() - 2 * b);
        if (Enabled())
            ui::Edit::WndProc(message);
        RestoreDC(dc, saved);
        return true;
    }
    case ui::CM_COLORCHANGED:
        if (m_common->CustomColor())
            m_common->BGChanged = true;
        break;
    default:
        break;
    }
    if (HandleCommonMessage(message, m_common.get()))
        return true;
    ui::Edit::WndProc(message);
    switch (message.Msg) {
    case WM_SIZE:
        SendMessageW(HandleIfAllocated(), WM_NCPAINT, 0, 0);
        break;
    case WM_KILLFOCUS:
    case ui::CM_EXIT:
        m_common->FFocused = false;
        m_common->FMouseAbove = false;
        m_common->BGChanged = true;
        if (Visible())
            Repaint();
        break;
    case WM_SETTEXT:
    case WM_SETFONT:
    case ui::CM_VISIBLECHANGED:
    case ui::CM_ENABLEDCHANGED:
    case ui::CM_TEXTCHANGED:
        if (!IsLoading(this) && !animating && HandleAllocated()) {
            m_common->Invalidate();
            SendMessageW(HandleIfAllocated(), WM_NCPAINT, 0, 0);
        }
        break;
    case SM_SKINCMD:
        if (SubCodeOf(message.WParam) == scUpdateDone && m_common->FUpdating) {
            m_common->FUpdating = false;
            Repaint();
            SendMessageW(HandleIfAllocated(), WM_NCPAINT, 0, 0);
        }
        break;
    default:
        break;
    }
    return false;
}

void TsEdit::BoundLabelFollows(const ui::Message& message)
{
    skin::BoundLabelFollows(*m_bound_label, this, m_disabled_kind, message);
}

} // namespace skin
