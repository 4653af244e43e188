// Skinned panel and group box.
#include "skin/controls/panel.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/wrapperkit.h"

#include <algorithm>

namespace skin {

namespace {

// Sub-codes 1, 2 and 3 of a container: handled by the state when they come from its own manager,
// and passed on to the children. True when finished.
bool ContainerSkinCommand(ui::WinControl* box, TsCommonData& data, ui::Message& message)
{
    if (message.Msg != SM_SKINCMD)
        return false;
    int code = SubCodeOf(message.WParam);
    if (code != scSkinLoaded && code != scSkinRemoved && code != scSkinRefresh)
        return false;
    if (code != scSkinRefresh)
        box->SetControlStyle(box->ControlStyle() & ~ui::csOpaque);
    if (FromOwnManager(message, data)) {
        HandleCommonMessage(message, &data);
        if (code != scSkinLoaded && box->HandleAllocated() && !IsLoading(box))
            RedrawWindow(box->HandleIfAllocated(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
    SendMsgToChildControls(box, message);
    return true;
}

} // namespace

TsPanel::TsPanel(core::Component* owner) : ui::Panel(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckPanel;
    m_common->Loaded();
}

TsPanel::~TsPanel() = default;

void TsPanel::Loaded()
{
    ui::Panel::Loaded();
    m_common->Loaded();
}

void TsPanel::Paint()
{
    if (Showing() && OnPaint) {
        OnPaint(this, Canvas());
        return;
    }
    ui::Panel::Paint();
}

void TsPanel::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message) || ContainerSkinCommand(this, *m_common, message))
        return;
    if (IsSubCode(message, scGetBackground)) {
        if (m_common->Skinned() && m_common->BGChanged && !m_common->GetUpdating())
            PrepareCache();
        if (message.LParam)
            m_common->GetBgInfo(*reinterpret_cast<TacBGQuery*>(message.LParam), 0, nullptr);
        return;
    }
    if (Unskinned(this, *m_common)) {
        switch (message.Msg) {
        case WM_ERASEBKGND:
            if (OnPaint) {
                message.Result = 1;
                return;
            }
            break;
        case WM_PRINT:
            // Only OnPaint prints a panel.
            if (OnPaint && message.WParam) {
                ui::Canvas canvas(HDC(message.WParam));
                canvas.Font().Assign(Font());
                OnPaint(this, canvas);
            }
            return;
        default:
            break;
        }
        ui::Panel::WndProc(message);
        return;
    }
    if (SkinnedMessage(message))
        return;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::Panel::WndProc(message);
    if (message.Msg == WM_SETFONT && !Caption().empty()) {
        m_common->BGChanged = true;
        Repaint();
    } else if (message.Msg == ui::CM_ENABLEDCHANGED) {
        m_common->Invalidate();
    }
}

bool TsPanel::SkinnedMessage(ui::Message& message)
{
    HWND wnd = HandleIfAllocated();
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                m_common->FUpdating = m_common->GetUpdating();
                if (!m_common->FUpdating && wnd)
                    RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
            }
            NotifyChildControls(this);
            return true;
        case scIsUpdating:
            message.Result = m_common->FUpdating ? 1 : 0;
            return true;
        default:
            if (!HandleSkinCommand(message, m_common.get()))
                ui::Panel::WndProc(message);
            return true;
        }
    }
    switch (message.Msg) {
    case WM_SIZE:
        m_common->BGChanged = true;
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ui::Panel::WndProc(message);
        return true;
    case WM_PAINT: {
        if (!Visible() && !IsDesigning(this))
            return false;
        const MessagePaintDC dc(wnd, message.WParam);
        m_common->FUpdating = m_common->GetUpdating();
        OurPaint(dc.Get(), true);
        message.Result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        // The paint covers the whole panel.
        message.Result = 1;
        return true;
    case WM_WINDOWPOSCHANGING:
        if (m_common->IsTransparent())
            m_common->BGChanged = true;
        return false;
    case WM_PRINT:
        m_common->FUpdating = false;
        if (ControlIsReady(this)) {
            PrepareCache();
            RestoreParentCorners(m_common.get(), 0);
            OurPaint(reinterpret_cast<HDC>(message.WParam), false);
        }
        return true;
    case ui::CM_VISIBLECHANGED:
        m_common->BGChanged = true;
        m_common->FUpdating = false;
        ui::Panel::WndProc(message);
        return true;
    case ui::CM_COLORCHANGED:
        if (m_common->CustomColor())
            m_common->BGChanged = true;
        return false;
    case ui::CM_TEXTCHANGED:
        if (!Parent())
            return false;
        m_common->Invalidate();
        return true;
    default:
        return false;
    }
}

RECT TsPanel::TextRect() const
{
    RECT r{0, 0, Width(), Height()};
    const int bevels = (BevelInner() != ui::bvNone ? BevelWidth() : 0) + (BevelOuter() != ui::bvNone ? BevelWidth() : 0);
    InflateRect(&r, -bevels, -bevels);
    return r;
}

void TsPanel::WriteText(RECT r, ui::Canvas& canvas)
{
    const core::String caption = Caption();
    if (caption.empty())
        return;
    canvas.Font().Assign(Font());
    canvas.SetBrushStyle(ui::bsClear);
    const int h = canvas.TextHeight(u"W");
    r.top = (Height() - h) / 2;
    r.bottom = r.top + h;
    WriteControlText(canvas, caption.c_str(), Enabled(), r, DrawTextFlagsOf(this, Alignment()), m_common.get(), false);
}

void TsPanel::PrepareCache()
{
    if (!m_common->NeedsCachePaint() && !Engine().FormAnimationActive)
        return;
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    PaintControlItemOnParent(m_common.get(), Parent(), true, 0, Rect{0, 0, Width(), Height()}, OffsetOf(this), cache,
                             true);
    WriteText(TextRect(), cache->Canvas());
    if (OnPaint)
        OnPaint(this, cache->Canvas());
    m_common->BGChanged = false;
}

void TsPanel::OurPaint(HDC dc, bool sendUpdated)
{
    if (!dc || !Showing() || !m_common->Skinned())
        return;
    const RECT all{0, 0, Width(), Height()};
    if ((m_common->NeedsCachePaint() && !m_common->CustomColor()) || Engine().FormAnimationActive) {
        m_common->FUpdating = m_common->GetUpdating();
        if (m_common->FUpdating)
            return;
        CacheBitmap* cache = m_common->CacheBmp();
        if ((m_common->HalfVisible || m_common->BGChanged || !cache || cache->Empty()) && !m_common->UrgentPainting)
            PrepareCache();
        RECT clip{};
        m_common->HalfVisible = m_common->RepaintIfMoved() && GetClipBox(dc, &clip) != ERROR &&
                                (clip.right - clip.left < Width() || clip.bottom - clip.top < Height());
        BltCacheExceptChildren(this, m_common.get(), all, 0, 0, false, dc, all);
        PaintGraphicChildren(dc, this, POINT{0, 0});
    } else {
        PaintDirect(dc);
    }
    if (sendUpdated)
        NotifyChildControls(this);
}

void TsPanel::PaintDirect(HDC dc)
{
    ui::Canvas canvas(dc);
    if (OnPaint) {
        OnPaint(this, canvas);
        return;
    }
    m_common->FUpdating = false;
    const int saved = SaveDC(dc);
    ExcludeGraphicChildren(dc, this, 0, 0);
    TacBGQuery bg;
    uint32_t color = ui::ColorToRGB(GetColor());
    if (!m_common->CustomColor() && QueryBgOfControl(bg, this, false) && bg.BgType == 1)
        color = bg.Color;
    const RECT all{0, 0, Width(), Height()};
    const SectionData* s = m_common->Section();
    const int b = m_common->MaxBorderWidth();
    RECT inner = all;
    if (s && s->Transparency == 100 && bg.BgType == 2 && bg.Bmp) {
        // Fully transparent: the parent's picture shows through, inside the border.
        if (b > 0)
            PaintControlBorder(dc, all, b, m_common.get(), 0, inner);
        BitBlt(dc, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, bg.Bmp->Canvas().Handle(),
               bg.Offset.x + inner.left, bg.Offset.y + inner.top, SRCCOPY);
    } else if (b > 0) {
        PaintControlBorder(dc, all, b, m_common.get(), 0, inner);
        FillDCSolid(dc, inner, ui::Color(s ? s->Color : color));
    } else {
        FillDCSolid(dc, all, ui::Color(color));
    }
    canvas.Font().Assign(Font());
    WriteText(TextRect(), canvas);
    RestoreDC(dc, saved);
    PaintGraphicChildren(dc, this, POINT{0, 0});
    // This road keeps no cache.
    m_common->EmptyCacheBmp();
}

RECT GroupCaptionRect(int width, SIZE text, TsGroupCaptionLayout layout, bool rightToLeft, int yOffset, bool skinned,
                      int bevelWidth)
{
    RECT r{};
    int height = std::max<int>(4, text.cy) + 2;
    r.top = 0;
    r.bottom = height;
    if (skinned) {
        if (yOffset < 0)
            r.top += yOffset;
        else
            r.bottom += yOffset;
    }
    if (layout == clTopCenter)
        r.left = (width - text.cx - 10) / 2;
    else if ((layout == clTopLeft && !rightToLeft) || (layout == clTopRight && rightToLeft))
        r.left = 6;
    else
        r.left = width - text.cx - 14;
    r.left = std::max<LONG>(r.left, 0);
    r.right = std::min<LONG>(r.left + text.cx + 8, width);
    if (r.right - r.left < 2 * bevelWidth) {
        r.left -= bevelWidth;
        r.right += bevelWidth;
    }
    return r;
}

TsGroupBox::TsGroupBox(core::Component* owner) : ui::GroupBox(owner)
{
    SetControlStyle(ControlStyle() & ~ui::csOpaque);
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckGroupBox;
    m_common->Loaded();
}

TsGroupBox::~TsGroupBox() = default;

void TsGroupBox::Loaded()
{
    ui::GroupBox::Loaded();
    m_common->Loaded();
}

void TsGroupBox::SetCaptionLayout(TsGroupCaptionLayout value)
{
    if (value == m_caption_layout)
        return;
    m_caption_layout = value;
    if (!Caption().empty())
        m_common->Invalidate();
}

void TsGroupBox::SetCaptionYOffset(int value)
{
    if (value == m_caption_y_offset)
        return;
    m_caption_y_offset = value;
    m_common->Invalidate();
    Realign();
}

void TsGroupBox::SetCaptionSkin(core::StringView value)
{
    if (value == m_caption_skin)
        return;
    m_caption_skin = value;
    m_common->Invalidate();
}

RECT TsGroupBox::CaptionRect()
{
    return GroupCaptionRect(Width(), TextSizeOfCaption(), m_caption_layout, false, m_caption_y_offset,
                            m_common->Skinned(), 1);
}

void TsGroupBox::AlignControls(RECT& rect)
{
    // The client area starts CaptionYOffset pixels lower, skinned or not.
    if (!IsDestroying(this))
        rect.top += m_caption_y_offset;
    ui::GroupBox::AlignControls(rect);
}

void TsGroupBox::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        int code = SubCodeOf(message.WParam);
        if (code == scSkinLoaded) {
            SendMsgToChildControls(this, message);
            if (FromOwnManager(message, *m_common))
                HandleCommonMessage(message, m_common.get());
            return;
        }
        if (code == scSkinRemoved || code == scSkinRefresh) {
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                SendMsgToChildControls(this, message);
                Invalidate();
            } else {
                SendMsgToChildControls(this, message);
            }
            return;
        }
    }
    if (IsSubCode(message, scGetBackground) && !m_caption_skin.empty() && message.LParam) {
        // Children under a caption skin lie over the cache itself.
        auto* query = reinterpret_cast<TacBGQuery*>(message.LParam);
        query->Bmp = m_common->CacheBmp();
        query->Offset = POINT{0, 0};
        query->BgType = 2;
        return;
    }
    if (Unskinned(this, *m_common)) {
        ui::GroupBox::WndProc(message);
        return;
    }
    if (SkinnedMessage(message))
        return;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::GroupBox::WndProc(message);
}

bool TsGroupBox::SkinnedMessage(ui::Message& message)
{
    HWND wnd = HandleIfAllocated();
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                m_common->FUpdating = m_common->GetUpdating();
                if (Showing() && !m_common->FUpdating)
                    RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
            }
            return true;
        case scSetUrgentPainting:
            HandleCommonMessage(message, m_common.get());
            if (m_common->UrgentPainting)
                PrepareCache();
            return true;
        case scIsUpdating:
            message.Result = m_common->BGChanged || m_common->FUpdating ? 1 : 0;
            return true;
        default:
            HandleSkinCommand(message, m_common.get());
            return true;
        }
    }
    switch (message.Msg) {
    case WM_MOVE:
        m_common->BGChanged = m_common->BGChanged || m_common->RepaintIfMoved();
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ui::GroupBox::WndProc(message);
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(wnd, &ps);
        PaintToDC(message.WParam ? reinterpret_cast<HDC>(message.WParam) : dc);
        EndPaint(wnd, &ps);
        message.Result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        message.Result = 1;
        return true;
    case WM_WINDOWPOSCHANGED:
    case ui::CM_VISIBLECHANGED:
        m_common->BGChanged = true;
        return false;
    case WM_PRINT:
        m_common->FUpdating = false;
        PaintToDC(reinterpret_cast<HDC>(message.WParam));
        return true;
    case ui::CM_TEXTCHANGED:
        m_common->Invalidate();
        return false;
    default:
        return false;
    }
}

int TsGroupBox::CaptionHeight()
{
    const RECT r = GroupCaptionRect(Width(), SIZE{0, TextSizeOfCaption().cy}, m_caption_layout, false, 0, false, 1);
    return r.bottom - r.top;
}

SIZE TsGroupBox::TextSizeOfCaption()
{
    SIZE text{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    core::String caption = Caption();
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(caption.c_str()), int(caption.size()), &text);
    SIZE w{};
    GetTextExtentPoint32W(dc, L"W", 1, &w);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    text.cy = w.cy;
    return text;
}

void TsGroupBox::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    const TCacheInfo ci = ParentBackground(*m_common);
    const int W = Width(), H = Height(), ch = CaptionHeight();
    // The band above the frame shows the parent.
    if (ci.Ready)
        BitBlt(cache->Canvas().Handle(), 0, 0, W, ch, ci.Bmp->Canvas().Handle(), ci.X + Left(), ci.Y + Top(), SRCCOPY);
    else
        FillDCSolid(cache->Canvas().Handle(), RECT{0, 0, W, ch}, ui::Color(ci.FillColor));
    const int y = m_caption_y_offset < 0 ? 0 : ch / 2;
    PaintControlItem(m_common.get(), ci, false, 0, Rect{0, y, W, H}, POINT{Left(), Top() + y}, cache, false);
    if (!Caption().empty())
        WriteText(CaptionRect(), ci);
    m_common->BGChanged = false;
}

void TsGroupBox::WriteText(const RECT& r, const TCacheInfo& ci)
{
    CacheBitmap* cache = m_common->CacheBmp();
    SkinManager* manager = m_common->GetSkinManager();
    const Rect area{r.left, r.top, r.right, r.bottom};
    if (!m_caption_skin.empty() && manager) {
        const int index = manager->GetSkinIndex(m_caption_skin);
        PaintSectionItem(index, m_caption_skin, MakeCacheInfo(cache, 0, 0), true, Focused() ? 1 : 0, area,
                         POINT{r.left, r.top}, cache, manager);
    } else if (ci.Ready && manager) {
        PaintSectionItem(manager->GetSkinIndex(u"CHECKBOX"), u"CHECKBOX", MakeCacheInfo(cache, 0, 0), true, 0, area,
                         POINT{r.left, r.top}, cache, manager);
    } else {
        FillDCSolid(cache->Canvas().Handle(), r, ui::Color(ci.FillColor));
    }
    ui::Canvas& canvas = cache->Canvas();
    canvas.Font().Assign(Font());
    canvas.SetBrushStyle(ui::bsClear);
    const core::String caption = Caption();
    WriteControlText(canvas, caption.c_str(), Enabled(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, m_common.get(),
                     false);
}

void TsGroupBox::PaintToDC(HDC dc)
{
    if (!dc || !m_common->Skinned() || IsDestroying(this) || (!Visible() && !IsDesigning(this)))
        return;
    if (Engine().FormAnimationActive && dc != Engine().AnimationDC)
        return;
    m_common->FUpdating = m_common->GetUpdating();
    if (m_common->FUpdating)
        return;
    m_common->HalfVisible = false;
    if (m_common->RepaintIfMoved() && Parent()) {
        const RECT pr = Parent()->ClientRect();
        const POINT a{Left() + 1, Top() + 1}, b{Left() + Width() - 1, Top() + Height() - 1};
        m_common->HalfVisible = !PtInRect(&pr, a) || !PtInRect(&pr, b);
    }
    if (!m_common->UrgentPainting)
        PrepareCache();
    const RECT all{0, 0, Width(), Height()};
    BltCacheExceptChildren(this, m_common.get(), all, 0, 0, false, dc, all);
    PaintGraphicChildren(dc, this, POINT{0, 0});
    NotifyChildControls(this);
}

} // namespace skin
