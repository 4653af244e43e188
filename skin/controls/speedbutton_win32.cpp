// Skinned speed button.
#include "skin/controls/speedbutton.h"

#include "skin/controls/cachepaint.h"
#include "skin/controls/splitter.h"
#include "skin/engine/alphaimage.h"
#include "skin/engine/alphaimagelist.h"
#include "skin/engine/skinablemenus.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "ui/canvas.h"
#include "ui/wincontrol.h"

namespace skin {

namespace {

// The button whose drop-down menu is open, if any: a second one does not open meanwhile.
TsSpeedButton* g_dropping = nullptr;

UINT AlignmentFlags(ui::Alignment alignment)
{
    switch (alignment) {
    case ui::taRightJustify: return DT_RIGHT;
    case ui::taCenter: return DT_CENTER;
    default: return DT_LEFT;
    }
}

} // namespace

TsSpeedButton::TsSpeedButton(core::Component* owner) : ui::SpeedButton(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckSpeedButton;
    m_common->Loaded();
    m_glyph.OnChange = [this] {
        if (!IsLoading(this) && !IsDestroying(this))
            m_common->Invalidate();
    };
    m_images_link.OnChange = [this] { MarkChanged(); };
}

TsSpeedButton::~TsSpeedButton()
{
    StopFade();
    if (g_dropping == this)
        g_dropping = nullptr;
    m_glyph.OnChange = nullptr;
    if (m_images)
        m_images->UnRegisterChanges(&m_images_link);
}

void TsSpeedButton::Loaded()
{
    ui::SpeedButton::Loaded();
    m_common->Loaded();
    if (m_common->Skinned())
        SetControlStyle(ControlStyle() | ui::csOpaque);
    if (HasListGlyph())
        m_glyph.SetSize(0, 0);
}

void TsSpeedButton::MarkChanged()
{
    if (Visible() || IsDesigning(this)) {
        m_common->BGChanged = true;
        GraphRepaint();
    }
}

void TsSpeedButton::SetAlignment(ui::Alignment value) { if (value != m_alignment) { m_alignment = value; MarkChanged(); } }
void TsSpeedButton::SetTextAlignment(ui::Alignment value) { if (value != m_text_alignment) { m_text_alignment = value; Repaint(); } }
void TsSpeedButton::SetDrawOverBorder(bool value) { if (value != m_draw_over_border) { m_draw_over_border = value; MarkChanged(); } }
void TsSpeedButton::SetTextOffset(int value) { if (value != m_text_offset) { m_text_offset = value; MarkChanged(); } }
void TsSpeedButton::SetReflected(bool value) { if (value != m_reflected) { m_reflected = value; MarkChanged(); } }
void TsSpeedButton::SetDisabledKind(TsDisabledKind value) { if (value != m_disabled_kind) { m_disabled_kind = value; MarkChanged(); } }
void TsSpeedButton::SetDisabledGlyphKind(TsDisabledGlyphKind value) { if (value != m_disabled_glyph_kind) { m_disabled_glyph_kind = value; MarkChanged(); } }
void TsSpeedButton::SetMargin(int value) { if (value != m_margin) { m_margin = value; MarkChanged(); } }
void TsSpeedButton::SetSpacing(int value) { if (value != m_spacing) { m_spacing = value; MarkChanged(); } }
void TsSpeedButton::SetLayout(TButtonLayout value) { if (value != m_layout) { m_layout = value; MarkChanged(); } }

void TsSpeedButton::SetBlend(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == m_blend)
        return;
    m_blend = value;
    if (!(m_common->CtrlSkinState & (1 << 11)))
        MarkChanged();
}

void TsSpeedButton::SetGrayed(bool value)
{
    if (value == m_grayed)
        return;
    m_grayed = value;
    if (!(m_common->CtrlSkinState & (1 << 11)))
        MarkChanged();
}

void TsSpeedButton::SetImageIndex(int value)
{
    if (value == m_image_index)
        return;
    m_image_index = value;
    if (!(m_common->CtrlSkinState & (1 << 11)))
        MarkChanged();
}

void TsSpeedButton::SetButtonStyle(TToolButtonStyle value)
{
    if (value == m_button_style)
        return;
    if (!IsLoading(this)) {
        if (value == tbsDropDown)
            SetWidth(Width() + 16);
        else if (m_button_style == tbsDropDown)
            SetWidth(Width() - 16);
    }
    m_button_style = value;
    MarkChanged();
}

void TsSpeedButton::SetShowCaption(bool value)
{
    core::String caption = Caption();
    if (!caption.empty())
        m_old_caption = caption;
    m_show_caption = value;
    SetCaption(value ? core::StringView(m_old_caption) : core::StringView());
    MarkChanged();
}

void TsSpeedButton::SetDropdownMenu(ui::PopupMenu* menu)
{
    if (menu == m_dropdown_menu)
        return;
    if (m_dropdown_menu)
        m_dropdown_menu->RemoveFreeNotification(this);
    m_dropdown_menu = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TsSpeedButton::SetImages(ui::ImageList* value)
{
    if (value == m_images)
        return;
    if (m_images) {
        m_images->UnRegisterChanges(&m_images_link);
        m_images->RemoveFreeNotification(this);
    }
    m_images = value;
    if (m_images) {
        m_images->RegisterChanges(&m_images_link);
        m_images->FreeNotification(this);
    }
    if (!(m_common->CtrlSkinState & (1 << 11)))
        MarkChanged();
}

void TsSpeedButton::Notification(core::Component* component, core::Operation operation)
{
    ui::SpeedButton::Notification(component, operation);
    if (operation == core::opRemove && component == m_dropdown_menu)
        m_dropdown_menu = nullptr;
    if (operation == core::opRemove && component == m_images)
        m_images = nullptr; // the list's change link left it as it was freed
}

bool TsSpeedButton::HasListGlyph() const
{
    return m_images && m_images->Count() > 0 && m_image_index >= 0 && m_image_index < m_images->Count();
}

int TsSpeedButton::GlyphWidth() const
{
    if (HasListGlyph())
        return m_images->Width() / m_num_glyphs;
    return m_glyph.Width() > 0 ? m_glyph.Width() / m_num_glyphs : 0;
}

int TsSpeedButton::GlyphHeight() const
{
    if (HasListGlyph())
        return m_images->Height();
    return m_glyph.Height() > 0 ? m_glyph.Height() : 0;
}

void TsSpeedButton::PaintGlyphInto(ui::Bitmap& dst, const RECT& r)
{
    const int state = CurrentState();
    if (!m_glyph.Empty()) {
        if (m_glyph.StorageFormat() == ui::pf32bit && m_num_glyphs == 1) {
            // One cell with alpha: laid by its alpha, made fainter by Blend in the normal state.
            ui::Bitmap cell;
            cell.Assign(m_glyph);
            if (state == 0 && m_blend > 0) {
                for (int y = 0; y < cell.Height(); ++y) {
                    uint8_t* row = cell.ScanLine(y);
                    for (int x = 0; x < cell.Width(); ++x)
                        row[x * 4 + 3] = uint8_t(row[x * 4 + 3] * (100 - m_blend) / 100);
                }
            }
            BlendGlyphOver(dst, r.left, r.top, cell);
            return;
        }
        PaintGlyphBmp(&m_glyph, &dst, r, m_num_glyphs, Enabled(), m_disabled_glyph_kind, state, m_blend, Down(),
                      m_reflected);
        return;
    }
    if (!HasListGlyph())
        return;
    uint32_t grey = NoColorize;
    if (m_grayed && state == 0) {
        const SectionData* section = m_common->Skinned() ? m_common->Section() : nullptr;
        grey = section ? section->Color : ui::ColorToRGB(ui::clBtnFace);
    } else if (!Enabled() && (m_disabled_glyph_kind & dgGrayed)) {
        grey = ui::ColorToRGB(ui::clBtnFace);
    }
    int blend = state == 0 ? m_blend : 0;
    if (!Enabled() && (m_disabled_glyph_kind & dgBlended))
        blend = std::max(blend, 50);
    SIZE size{};
    PaintListGlyph(m_images, &dst, r.left, r.top, m_image_index, blend, grey, 0, m_num_glyphs, m_reflected, size);
}

void TsSpeedButton::DrawGlyph(ui::Canvas& canvas)
{
    const RECT r = ImgRect();
    const int w = r.right - r.left, h = (r.bottom - r.top) * (m_reflected ? 3 : 2) / 2;
    if (w <= 0 || h <= 0 || (m_glyph.Empty() && !HasListGlyph()))
        return;
    CacheBitmap* cache = m_common->CacheBmp();
    if (cache && &canvas == &cache->Canvas()) {
        PaintGlyphInto(*cache, r);
        return;
    }
    if (!m_glyph.Empty() && !(m_glyph.StorageFormat() == ui::pf32bit && m_num_glyphs == 1)) {
        // Unskinned, a glyph strip shows the cell of the state as the platform's speed button does:
        // up, disabled, down (clicked), exclusive down; a cell the strip lacks falls back to the first.
        int cell = 0;
        if (!Enabled())
            cell = 1;
        else if (State() == ui::bsDown)
            cell = 2;
        else if (State() == ui::bsExclusive)
            cell = 3;
        if (cell >= m_num_glyphs)
            cell = 0;
        const int gh = r.bottom - r.top;
        ui::Bitmap piece(w, gh, m_glyph.StorageFormat());
        BitBlt(piece.Canvas().Handle(), 0, 0, w, gh, m_glyph.Canvas().Handle(), cell * w, 0, SRCCOPY);
        piece.SetTransparentColor(m_glyph.TransparentColor());
        piece.SetTransparent(true);
        canvas.Draw(r.left, r.top, piece);
        return;
    }
    // Onto the control: through a 24-bit copy of the area under the glyph.
    ui::Bitmap under(w, h, ui::pf24bit);
    BitBlt(under.Canvas().Handle(), 0, 0, w, h, canvas.Handle(), r.left, r.top, SRCCOPY);
    GdiFlush();
    PaintGlyphInto(under, RECT{0, 0, w, r.bottom - r.top});
    GdiFlush();
    BitBlt(canvas.Handle(), r.left, r.top, w, h, under.Canvas().Handle(), 0, 0, SRCCOPY);
}

int TsSpeedButton::CaptionWidth() const
{
    if (!m_show_caption || Caption().empty())
        return 0;
    int w = Width() - 2 * m_margin - ArrowWidth();
    if ((m_layout == blGlyphLeft || m_layout == blGlyphRight) && GlyphWidth() != 0)
        w -= GlyphWidth() + m_spacing;
    return w;
}

SIZE TsSpeedButton::TextRectSize()
{
    core::String text = Caption();
    RECT r{0, 0, CaptionWidth(), 0};
    if (text.empty() || r.right <= 0)
        return SIZE{0, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), int(text.size()), &r, 0x450);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int TsSpeedButton::CurrentState()
{
    if (State() == ui::bsDown || State() == ui::bsExclusive)
        return 2;
    return m_common->IsHotOrFocused() ? 1 : 0;
}

RECT TsSpeedButton::CaptionRect()
{
    SIZE t = TextRectSize();
    int tw = t.cx, th = t.cy, gw = GlyphWidth(), gh = GlyphHeight(), a = ArrowWidth(), m = MarginValue();
    bool horizontal = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    int s = ((horizontal ? gw : gh) >= 1 && !Caption().empty()) ? m_spacing : 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    int W = Width(), H = Height();
    if (horizontal) {
        int h = (W - a - gw - s - tw) / 2 - m;
        top = (H - th) / 2;
        bottom = H - top;
        if (m_layout == blGlyphLeft) {
            int gap = gw > 0 ? m_spacing : 0;
            switch (m_alignment) {
            case ui::taLeftJustify: left = gw + m_margin + gap; right = W - a - m - 2 * h; break;
            case ui::taRightJustify: left = m + 2 * h + gw + gap; right = W - a - m; break;
            default: left = gw + m + h + gap; right = W - a - m - h; break;
            }
            m_text_layout = 0;
        } else {
            switch (m_alignment) {
            case ui::taLeftJustify: left = m; right = m + tw; break;
            case ui::taRightJustify: left = m + 2 * h; right = left + tw; break;
            default: left = m + h; right = left + tw; break;
            }
            m_text_layout = 2;
        }
    } else {
        int v = (H - gh - s - th) / 2 - m;
        left = (W - tw - a) / 2;
        if (m_layout == blGlyphTop) {
            right = W - left - a;
            top = gh + m + v + s;
            bottom = H - v - m;
        } else {
            right = W - (W - tw - a) / 2 - a;
            top = m + v;
            bottom = H - v - m - gh - s;
        }
        m_text_layout = 1;
    }
    RECT r{left + m_text_offset - 1, top, right + m_text_offset + 2, bottom};
    if (CurrentState() == 2)
        OffsetRect(&r, 1, 1);
    return r;
}

RECT TsSpeedButton::ImgRect()
{
    SIZE t = TextRectSize();
    int tw = t.cx, th = t.cy, gw = GlyphWidth(), gh = GlyphHeight(), a = ArrowWidth(), m = MarginValue();
    int s = (m_show_caption && gw > 0 && !Caption().empty()) ? m_spacing : 0;
    int W = Width(), H = Height();
    int h = (W - a - gw - s - tw) / 2 - m;
    int v = (H - (gh + s + th)) / 2 - m;
    int y0 = (H - gh) / 2;
    int x = 0, y = y0;
    switch (m_layout) {
    case blGlyphLeft:
        x = m_alignment == ui::taLeftJustify ? m : m_alignment == ui::taRightJustify ? m + 2 * h : m + h;
        break;
    case blGlyphRight:
        x = m_alignment == ui::taLeftJustify    ? W - a - m - 2 * h - s - gw
            : m_alignment == ui::taRightJustify ? W - a - gw - m
                                                 : (W + s + tw - a - gw) / 2;
        break;
    case blGlyphTop:
        x = (W - a - gw) / 2 + 1;
        y = v + m;
        break;
    case blGlyphBottom:
        x = (W - a - gw) / 2 + 1;
        y = H - m - v - gh;
        break;
    }
    if (CurrentState() == 2) {
        ++x;
        ++y;
    }
    RECT r{x, y, x + gw, y + gh};
    if (m_reflected)
        OffsetRect(&r, 0, -((r.bottom - r.top) / 6));
    return r;
}

void TsSpeedButton::GraphRepaint()
{
    if (IsDestroying(this) || IsLoading(this) || !Parent() || !Visible() || !Parent()->HandleAllocated())
        return;
    if (!m_common->Skinned() || IsDesigning(this)) {
        Repaint();
        return;
    }
    if (m_common->BGChanged || !m_common->CacheBmp() || m_common->CacheBmp()->Empty()) {
        PrepareCache();
        PaintOverlappingSiblings();
    }
    ui::Bitmap* image = m_common->CacheBmp();
    if (m_fade_timer && m_fade_timer->TmpBmp && m_fade_timer->TmpBmp->Width() == Width())
        image = m_fade_timer->TmpBmp.get();
    if (!image || image->Empty())
        return;
    // Straight onto the parent: the cache already holds what lies over the button, so no
    // repaint of the parent's area (and no flicker of the siblings) is needed.
    HWND parent = Parent()->HandleIfAllocated();
    if (HDC dc = GetDC(parent)) {
        BitBlt(dc, Left(), Top(), Width(), Height(), image->Canvas().Handle(), 0, 0, SRCCOPY);
        ReleaseDC(parent, dc);
    }
}

void TsSpeedButton::PaintOverlappingSiblings()
{
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    ui::WinControl* parent = Parent();
    const RECT own = BoundsRect();
    bool above = false;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        ui::Control* c = parent->Controls(i);
        if (c == this) {
            above = true;
            continue;
        }
        // Windowed siblings clip themselves out of the parent; only the graphic ones painted after
        // the button cover it.
        RECT r = c->BoundsRect(), common{};
        if (!above || dynamic_cast<ui::WinControl*>(c) || !c->Visible() || !IntersectRect(&common, &r, &own))
            continue;
        HDC dc = cache->Canvas().Handle();
        const int saved = SaveDC(dc);
        SetWindowOrgEx(dc, own.left - r.left, own.top - r.top, nullptr);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        c->PaintTo(dc);
        RestoreDC(dc, saved);
    }
}

void TsSpeedButton::DrawCaption(ui::Canvas& canvas)
{
    if (!m_show_caption)
        return;
    core::String text = Caption();
    if (text.empty())
        return;
    RECT r = CaptionRect();
    UINT flags = AlignmentFlags(m_text_alignment) | DT_VCENTER | DT_EXPANDTABS | DT_WORDBREAK;
    canvas.Font().Assign(Font());
    canvas.SetBrushStyle(ui::bsClear);
    CacheBitmap* cache = m_common->CacheBmp();
    if (cache && &canvas == &cache->Canvas()) {
        WriteControlText(canvas, text.c_str(), Enabled(), r, flags, m_common.get(), CurrentState() != 0);
        return;
    }
    if (Enabled()) {
        canvas.Font().SetColor(Font().FontColor());
        canvas.TextRect(r, text, flags);
    } else {
        // Embossed: highlight one pixel down and right, then shadow in place.
        RECT shifted = r;
        OffsetRect(&shifted, 1, 1);
        canvas.Font().SetColor(ui::clBtnHighlight);
        canvas.TextRect(shifted, text, flags);
        canvas.Font().SetColor(ui::clBtnShadow);
        canvas.TextRect(r, text, flags);
    }
}

void TsSpeedButton::StdPaint(ui::Canvas& canvas, bool full)
{
    if (m_button_style == tbsSeparator)
        return;
    if (m_button_style == tbsDivider) {
        RECT line{Width() / 2 - 1, 0, Width() / 2 + 1, Height()};
        DrawEdge(canvas.Handle(), &line, EDGE_ETCHED, BF_LEFT);
        return;
    }
    if (full) {
        RECT r{0, 0, Width(), Height()};
        bool pressed = State() == ui::bsDown || State() == ui::bsExclusive;
        canvas.SetBrushColor(GetColor());
        canvas.FillRect(r);
        if (Flat()) {
            if (MouseInControl() || pressed)
                DrawEdge(canvas.Handle(), &r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        } else {
            DrawFrameControl(canvas.Handle(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        }
    }
    DrawCaption(canvas);
    DrawGlyph(canvas);
}

void TsSpeedButton::Paint(ui::Canvas& canvas)
{
    SkinManager* manager = m_common->GetSkinManager();
    if (manager && manager->Active() && m_common->SkinIndex <= 0)
        m_common->UpdateIndexes();
    if (!m_common->Skinned()) {
        StdPaint(canvas, true);
        return;
    }
    if (Width() <= 0 || Height() <= 0)
        return;
    if (m_fade_timer && m_fade_timer->TmpBmp && m_fade_timer->TmpBmp->Width() == Width()) {
        BitBlt(canvas.Handle(), 0, 0, Width(), Height(), m_fade_timer->TmpBmp->Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    if (CurrentState() > 0 || m_stored_down != Down() || m_old_num_glyphs != m_num_glyphs || m_old_spacing != m_spacing)
        m_common->BGChanged = true;
    m_common->HalfVisible = m_common->RepaintIfMoved();
    CacheBitmap* cache = m_common->CacheBmp();
    if ((m_common->BGChanged || !cache || cache->Empty()) && !m_common->UrgentPainting)
        PrepareCache();
    RestoreParentCorners(m_common.get(), CurrentState());
    cache = m_common->CacheBmp();
    if (cache && !cache->Empty())
        BitBlt(canvas.Handle(), 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsSpeedButton::PaintArrowPart(const TCacheInfo& ci)
{
    CacheBitmap* cache = m_common->CacheBmp();
    const bool pressed = m_dropped_down || Down() || State() == ui::bsDown || State() == ui::bsExclusive;
    const int state = pressed ? 2 : CurrentState();
    const Rect part{Width() - 16, 0, Width(), Height()};
    PaintControlItem(m_common.get(), ci, true, state, part, OffsetOf(this), cache, true);
    // The arrow: the skin's bottom-arrow glyph centred in the part; a skin without one shows none.
    SkinManager* manager = m_common->GetSkinManager();
    const int mask = manager ? manager->GetConstData().MaskArrowBottom : -1;
    if (mask < 0 || !manager->IsValidImgIndex(mask))
        return;
    const MaskData& m = manager->Mask(mask);
    const SIZE cell = MaskCellSize(m);
    const POINT p{part.Left + (16 - cell.cx) / 2, (Height() - cell.cy) / 2};
    PaintMaskGlyph(cache, p, state, 0, m, MakeCacheInfo(cache, 0, 0));
}

void TsSpeedButton::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    cache->Canvas().Font().Assign(Font());
    const TCacheInfo ci = ParentBackground(*m_common);
    if (ci.Ready && (!ci.Bmp || ci.Bmp->Empty()))
        return;
    const int W = Width(), H = Height(), state = CurrentState();
    // The parent's background first: separators show nothing else, dividers only their line.
    if (ci.Ready) {
        BitBlt(cache->Canvas().Handle(), 0, 0, W, H, ci.Bmp->Canvas().Handle(), ci.X + Left(), ci.Y + Top(), SRCCOPY);
    } else {
        cache->Canvas().SetBrushStyle(ui::bsSolid);
        cache->Canvas().SetBrushColor(ci.FillColor);
        cache->Canvas().FillRect(RECT{0, 0, W, H});
    }
    SkinManager* manager = m_common->GetSkinManager();
    if (m_button_style == tbsDivider) {
        const int divider = manager->GetSkinIndex(u"DIVIDER");
        const int mask = manager->GetMaskIndex(divider, u"DIVIDER", u"BORDERSMASK");
        if (manager->IsValidImgIndex(mask)) {
            const MaskData& m = manager->Mask(mask);
            const int mw = std::min(MaskImageWidth(m), W);
            PaintMaskRect(cache, Rect{(W - mw) / 2, 0, (W - mw) / 2 + mw, H}, true, MakeCacheInfo(cache, 0, 0), m, 0,
                          false);
        }
    } else if (m_button_style != tbsSeparator) {
        const Rect face{0, 0, W - ArrowWidth(), H};
        if (m_draw_over_border) {
            PaintControlItem(m_common.get(), ci, true, state, face, OffsetOf(this), cache, true);
            DrawCaption(cache->Canvas());
            DrawGlyph(cache->Canvas());
        } else {
            PaintControlBg(m_common.get(), ci, state, face, OffsetOf(this), cache);
            DrawCaption(cache->Canvas());
            DrawGlyph(cache->Canvas());
            if (manager->IsValidImgIndex(m_common->BorderIndex))
                PaintMaskRect(cache, face, false, MakeCacheInfo(cache, 0, 0), manager->Mask(m_common->BorderIndex),
                              state, true);
        }
        if (m_button_style == tbsDropDown)
            PaintArrowPart(ci);
    }
    if (!Enabled())
        ApplyDisabledKind(cache, m_disabled_kind, this, ci, OffsetOf(this));
    m_stored_down = Down();
    m_old_num_glyphs = m_num_glyphs;
    m_old_spacing = m_spacing;
    m_common->BGChanged = false;
    if (OnPaint)
        OnPaint(this, cache);
}

void TsSpeedButton::StopFade()
{
    delete m_fade_timer;
    m_fade_timer = nullptr;
}

void TsSpeedButton::StartFade(bool halfTime, TacAnimatEvent event)
{
    if (IsDesigning(this) || !m_common->Skinned())
        return;
    int start = 1;
    if (m_fade_timer) {
        // A fade under way: the new one takes over its remaining steps.
        start = std::max(m_fade_timer->Iterations - m_fade_timer->FadeLevel, 1);
        StopFade();
    }
    const SectionData* section = m_common->Section();
    CacheBitmap* cache = m_common->CacheBmp();
    const bool allowed = AnimEventAllowed(event, m_animat_events, m_common->GetSkinManager()) && section &&
                         section->FadingEnabled && !Engine().FadingSuspended && !Engine().SkinChangeInProgress &&
                         cache && !cache->Empty() && !m_common->BGChanged && cache->Width() == Width();
    if (!allowed) {
        m_common->BGChanged = true;
        GraphRepaint();
        m_common->UpdateGlow(halfTime, nullptr);
        return;
    }
    m_fade_timer = new TsAnimTimer(nullptr);
    m_fade_timer->SetEnabled(false);
    m_fade_timer->SetOwnerData(m_common.get());
    if (halfTime)
        m_fade_timer->Iterations /= 2;
    m_fade_timer->FadeLevel = start;
    // The picture shown is the start; the cache is painted anew in the new state.
    m_fade_timer->BmpFrom->Assign(*cache);
    m_common->BGChanged = true;
    PrepareCache();
    RestoreParentCorners(m_common.get(), 1);
    m_fade_timer->SetEnabled(true);
    m_fade_timer->DoFade();
    m_common->UpdateGlow(halfTime, nullptr);
}

void TsSpeedButton::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    SuppressHints();
    if (button == ui::mbLeft && Enabled() && m_button_style == tbsDropDown && m_dropdown_menu &&
        (x > Width() - 16 || !OnClick)) {
        if (g_dropping)
            return;
        g_dropping = this;
        m_dropped_down = true;
        m_common->BGChanged = true;
        Repaint();
        POINT p = ClientToScreen(POINT{0, Height() + 1});
        MenuDropDownButton() = this;
        m_dropdown_menu->Popup(p.x, p.y);
        MenuDropDownButton() = nullptr;
        m_dropped_down = false;
        g_dropping = nullptr;
        POINT cursor{};
        GetCursorPos(&cursor);
        POINT origin = ClientToScreen(POINT{0, 0});
        if (cursor.x < origin.x || cursor.y < origin.y || cursor.x >= origin.x + Width() || cursor.y >= origin.y + Height())
            Perform(ui::CM_MOUSELEAVE, 0, 0);
        return;
    }
    ui::SpeedButton::MouseDown(button, shift, x, y);
}

void TsSpeedButton::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    if (button == ui::mbLeft && Enabled() && m_button_style == tbsDropDown) {
        m_dropped_down = false;
        if (g_dropping == this)
            g_dropping = nullptr;
    }
    ui::SpeedButton::MouseUp(button, shift, x, y);
    RestoreHints();
}

void TsSpeedButton::MouseEnter()
{
    if (!Enabled() || IsDesigning(this))
        return;
    m_common->FMouseAbove = true;
    ui::SpeedButton::MouseEnter();
}

void TsSpeedButton::MouseLeave()
{
    m_common->FMouseAbove = false;
    ui::SpeedButton::MouseLeave();
    // A button left while pressed comes back up.
    if (State() == ui::bsDown && !Down())
        SetState(ui::bsUp);
}

void TsSpeedButton::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (m_common->Skinned())
                    SetControlStyle(ControlStyle() | ui::csOpaque);
                return;
            }
            break;
        case scSkinRemoved:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (!IsDestroying(this)) {
                    SetControlStyle(ControlStyle() & ~ui::csOpaque);
                    if (Visible())
                        Repaint();
                }
                return;
            }
            break;
        case scSkinRefresh:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (Visible())
                    Repaint();
                return;
            }
            break;
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                GraphRepaint();
            }
            return;
        case scRepaint:
            m_common->FUpdating = false;
            m_common->BGChanged = true;
            GraphRepaint();
            return;
        default:
            break;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::SpeedButton::WndProc(message);
        return;
    }
    switch (message.Msg) {
    case SM_SKINCMD:
        switch (SubCodeOf(message.WParam)) {
        case scIsUpdating:
            message.Result = m_common->FUpdating ? 1 : 0;
            return;
        case scSectionChanged:
            GraphRepaint();
            return;
        case scStopFading:
            StopFade();
            GraphRepaint();
            return;
        default:
            break;
        }
        break;
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        if (Visible())
            m_common->BGChanged = true;
        break;
    case WM_ERASEBKGND:
        return;
    case WM_LBUTTONUP:
        if (m_fade_timer && m_fade_timer->TmpBmp && m_fade_timer->TmpBmp->Width() == Width()) {
            StopFade();
            m_common->BGChanged = true;
            PrepareCache();
        }
        break;
    case ui::CM_TEXTCHANGED:
        if (m_show_caption)
            MarkChanged();
        break;
    default:
        break;
    }
    const bool wasAbove = m_common->FMouseAbove;
    const bool wasEnabled = Enabled();
    if (HandleCommonMessage(message, m_common.get()))
        return;
    if (message.Msg == ui::CM_MOUSEENTER)
        m_common->FMouseAbove = wasAbove; // the button decides below whether this is new
    ui::SpeedButton::WndProc(message);
    switch (message.Msg) {
    case ui::CM_MOUSEENTER:
        if (wasEnabled && !wasAbove && m_common->FMouseAbove)
            StartFade(false, aeMouseEnter);
        break;
    case ui::CM_MOUSELEAVE:
        if (wasEnabled && wasAbove && Visible())
            StartFade(false, aeMouseLeave);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        StartFade(true, aeMouseDown);
        break;
    case WM_LBUTTONUP:
        if (IsDestroying(this))
            message.Result = 1;
        else
            StartFade(true, aeMouseUp);
        break;
    case ui::CM_VISIBLECHANGED:
        m_common->FMouseAbove = false;
        break;
    case ui::CM_ENABLEDCHANGED:
    case ui::CM_BUTTONPRESSED:
        if (!IsLoading(this)) {
            m_common->BGChanged = true;
            GraphRepaint();
        }
        break;
    default:
        break;
    }
}

} // namespace skin
