// Skinned speed button.
#include "skin/controls/speedbutton.h"

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

void TsSpeedButton::DrawGlyph(ui::Canvas& canvas)
{
    RECT r = ImgRect();
    if (!m_glyph.Empty()) {
        // The cell of the state: up, disabled, down (clicked), exclusive down; a cell the bitmap
        // does not hold falls back to the first. Blending, greying and reflection of the cell are
        // the skin engine's glyph painter's.
        // FIXME: PaintGlyphBmp (blend, disabled glyph kinds, reflection, 32-bit alpha) arrives with
        // the engine's painting primitives; until then the cell is drawn transparent as it is.
        int cell = 0;
        if (!Enabled())
            cell = 1;
        else if (State() == ui::bsDown)
            cell = 2;
        else if (State() == ui::bsExclusive)
            cell = 3;
        if (cell >= m_num_glyphs)
            cell = 0;
        const int w = GlyphWidth(), h = GlyphHeight();
        if (w <= 0 || h <= 0)
            return;
        ui::Bitmap piece(w, h, m_glyph.StorageFormat());
        BitBlt(piece.Canvas().Handle(), 0, 0, w, h, m_glyph.Canvas().Handle(), cell * w, 0, SRCCOPY);
        piece.SetTransparentColor(m_glyph.TransparentColor());
        piece.SetTransparent(true);
        canvas.Draw(r.left, r.top, piece);
        return;
    }
    if (HasListGlyph()) {
        // FIXME: Blend and the alpha image list's painter wait for the engine's painting primitives.
        bool grey = !Enabled() || (m_grayed && CurrentState() == 0);
        m_images->Draw(canvas, r.left, r.top, m_image_index, ui::dsTransparent, ui::itImage, !grey);
    }
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
    // Skinned or not, a plain repaint: the copy of overlapping siblings into the cache, and the
    // warning box the platform showed while painting as a copy, have no place in a paint path.
    Repaint();
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
    // FIXME: the skinned face painted from the cache bitmap needs the engine's painting primitives;
    // until they exist the standard painting serves both roads.
    StdPaint(canvas, true);
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
        m_dropdown_menu->Popup(p.x, p.y);
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
    if (IsSubCode(message, scIsUpdating)) {
        message.Result = m_common->FUpdating ? 1 : 0;
        return;
    }
    if (IsSubCode(message, scStopFading))
        return;
    if (message.Msg == WM_ERASEBKGND)
        return;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::SpeedButton::WndProc(message);
}

} // namespace skin
