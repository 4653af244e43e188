// Skinned check box and radio button.
#include "skin/controls/checkbox.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/formutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/wrapperkit.h"
#include "skin/engine/skintables.h"

#include <algorithm>

namespace skin {

namespace {

} // namespace

SIZE SkinnedBoxSize(SIZE glyph, int margin, SIZE caption, int textIndent, bool hasCaption)
{
    SIZE size;
    size.cx = glyph.cx + 2 * margin + (hasCaption ? caption.cx + textIndent + 8 : 0);
    // The larger of glyph and caption: a caption taller than the glyph must not be cut.
    size.cy = std::max<LONG>(glyph.cy, (hasCaption ? caption.cy : 0) + 2 * margin) + 2;
    return size;
}

SIZE BoxGlyphSize(const ui::ImageList* images, int imgChecked, int imgUnchecked, const ui::Bitmap& glyphChecked,
                  const MaskData* skinMask)
{
    if (images && imgChecked >= 0 && imgUnchecked >= 0)
        return SIZE{images->Width() / 3, images->Height() / 2};
    if (!glyphChecked.Empty())
        return SIZE{glyphChecked.Width() / 3, glyphChecked.Height() / 2};
    if (skinMask) {
        SIZE size = MaskCellSize(*skinMask);
        if (size.cx > 0 && size.cy > 0)
            return size;
    }
    return SIZE{16, 16};
}

void LayGlyphCell(ui::Bitmap& dst, int x, int y, ui::Bitmap& glyph, int cell)
{
    const int cw = glyph.Width() / 3, ch = glyph.Height() / 2;
    if (cw <= 0 || ch <= 0 || dst.Empty() || dst.StorageFormat() != ui::pf24bit)
        return;
    ui::Bitmap src(glyph.Width(), glyph.Height(), ui::pf24bit);
    BitBlt(src.Canvas().Handle(), 0, 0, glyph.Width(), glyph.Height(), glyph.Canvas().Handle(), 0, 0, SRCCOPY);
    GdiFlush();
    const int sx0 = std::clamp(cell, 0, 2) * cw;
    for (int gy = 0; gy < ch; ++gy) {
        const int ty = y + gy;
        if (ty < 0 || ty >= dst.Height())
            continue;
        const uint8_t* image = src.ScanLine(gy);
        const uint8_t* mask = src.ScanLine(gy + ch);
        uint8_t* out = dst.ScanLine(ty);
        for (int gx = 0; gx < cw; ++gx) {
            const int tx = x + gx;
            if (tx < 0 || tx >= dst.Width())
                continue;
            const uint8_t* s = image + (sx0 + gx) * 3;
            const uint8_t* m = mask + (sx0 + gx) * 3;
            uint8_t* d = out + tx * 3;
            for (int c = 0; c < 3; ++c)
                d[c] = uint8_t(s[c] + (d[c] - s[c]) * m[c] / 256);
        }
    }
}

bool ReadOnlyBoxFilter::Drop(const ui::Message& message, bool readOnly)
{
    switch (message.Msg) {
    case BM_SETCHECK:
    case BM_SETSTATE:
        return readOnly && m_pressed;
    case WM_LBUTTONDBLCLK:
        return readOnly;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
        m_pressed = true;
        return false;
    case WM_KEYUP:
    case WM_LBUTTONUP:
        m_pressed = false;
        return false;
    default:
        return false;
    }
}

template <class Base>
TsSkinnedBox<Base>::TsSkinnedBox(core::Component* owner, int kind) : Base(owner)
{
    m_common = std::make_unique<TsCommonData>(this, false);
    m_common->COC = kind;
    m_common->Loaded();
}

template <class Base>
TsSkinnedBox<Base>::~TsSkinnedBox()
{
    StopFadeTimer(m_fade_timer, m_common.get());
}

template <class Base>
void TsSkinnedBox<Base>::SetDisabledKind(TsDisabledKind value)
{
    if (value == m_disabled_kind)
        return;
    m_disabled_kind = value;
    m_common->Invalidate();
}

template <class Base>
SIZE TsSkinnedBox<Base>::GlyphSize()
{
    SkinManager* manager = m_common->GetSkinManager();
    const int mask = m_common->Skinned() ? SkinGlyphMask() : -1;
    return BoxGlyphSize(nullptr, -1, -1, m_glyph_checked,
                        manager && manager->IsValidImgIndex(mask) ? &manager->Mask(mask) : nullptr);
}

template <class Base>
bool TsSkinnedBox<Base>::CanAutoSize(int& newWidth, int& newHeight)
{
    if (!m_auto_size)
        return true;
    if (!m_common->Skinned() || IsLoading(this))
        return false;
    SIZE caption{};
    const core::String text = this->Caption();
    if (!text.empty())
        FontTextExtent(this->Font().Handle(), text, caption);
    SIZE size = SkinnedBoxSize(GlyphSize(), m_margin, caption, m_text_indent, !text.empty());
    newWidth = size.cx;
    newHeight = size.cy;
    return true;
}

template <class Base>
void TsSkinnedBox<Base>::AdjustSize()
{
    int w = this->Width(), h = this->Height();
    if (m_auto_size && CanAutoSize(w, h) && (w != this->Width() || h != this->Height()))
        this->SetBounds(this->Left(), this->Top(), w, h);
}

template <class Base>
bool TsSkinnedBox<Base>::DrawUserGlyph(ui::Bitmap& cache, int x, int y, int cell)
{
    ui::Bitmap& glyph = this->Checked() || m_glyph_unchecked.Empty() ? m_glyph_checked : m_glyph_unchecked;
    if (m_glyph_checked.Empty())
        return false;
    LayGlyphCell(cache, x, y, glyph, cell);
    return true;
}

template <class Base>
void TsSkinnedBox<Base>::PrepareCache()
{
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    ui::Canvas& canvas = cache->Canvas();
    canvas.Font().Assign(this->Font());
    const TCacheInfo ci = ParentBackground(*m_common);
    const int W = this->Width(), H = this->Height();
    const bool hot = m_common->IsHotOrFocused() && !m_read_only;
    PaintControlItem(m_common.get(), ci, true, hot ? 1 : 0, Rect{0, 0, W, H}, OffsetOf(this), cache, false);

    const SIZE glyph = GlyphSize();
    const core::String text = this->Caption();
    if (!text.empty()) {
        const int available = W - glyph.cx - m_text_indent - 2 * m_margin - 2;
        RECT measure{0, 0, available, 0};
        DrawTextStr(canvas.Handle(), text, measure, DT_CALCRECT | (m_word_wrap ? DT_WORDBREAK : DT_SINGLELINE));
        const int th = measure.bottom - measure.top;
        const int left = GlyphAtLeft() ? W - available - m_margin + 2 : m_margin;
        const int top = std::min((H - th) / 2, m_margin);
        RECT r{left, top - 1, left + available, top + th - 1};
        if (m_word_wrap)
            OffsetRect(&r, -1, 0);
        canvas.SetBrushStyle(ui::bsClear);
        WriteControlText(canvas, text.c_str(), this->Enabled(), r,
                         m_word_wrap ? DT_WORDBREAK | DT_CENTER : DT_SINGLELINE, m_common.get(), hot);
        if (this->Focused() && m_show_focus) {
            RECT f{r.left, r.top + 1, r.left + std::min<LONG>(measure.right, available), r.bottom - (m_word_wrap ? 0 : 1)};
            InflateRect(&f, 1, 1);
            PaintDotFrame(canvas, f);
        }
    }

    const int cell = m_pressed ? 2 : hot ? 1 : 0;
    const int x = GlyphAtLeft() ? m_margin : W - glyph.cx - m_margin;
    if (!DrawUserGlyph(*cache, x, (H - glyph.cy) / 2, cell)) {
        SkinManager* manager = m_common->GetSkinManager();
        const int mask = SkinGlyphMask();
        if (manager && manager->IsValidImgIndex(mask)) {
            const MaskData& m = manager->Mask(mask);
            const SIZE size = MaskCellSize(m);
            const int mx = GlyphAtLeft() ? m_margin : W - size.cx - m_margin;
            const int state = m_pressed ? 2 : m_common->IsHotOrFocused() && !m_read_only ? 1 : 0;
            PaintMaskGlyph(cache, POINT{mx, (H - size.cy) / 2}, state, 1, m, MakeCacheInfo(cache, 0, 0));
        }
    }
    if (!this->Enabled())
        ApplyDisabledKind(cache, m_disabled_kind, this, ci, OffsetOf(this));
    m_common->BGChanged = false;
}

template <class Base>
void TsSkinnedBox<Base>::PaintTo(HDC dc)
{
    m_common->SetUpdating(m_common->GetUpdating());
    if (m_common->FUpdating || m_fade_timer)
        return;
    PrepareCache();
    RestoreParentCorners(m_common.get(), 0);
    CopyCache(*m_common, dc);
}

template <class Base>
void TsSkinnedBox<Base>::RepaintFading(TacAnimatEvent event, bool fast)
{
    RepaintWithFade(m_fade_timer, m_common.get(), fast, AnimEventAllowed(event, m_animat_events, m_common->GetSkinManager()),
                    fdUp);
}

template <class Base>
void TsSkinnedBox<Base>::SetGlyphChecked(const ui::Bitmap& value)
{
    m_glyph_checked.Assign(value);
    m_common->Invalidate();
}

template <class Base>
void TsSkinnedBox<Base>::SetGlyphUnChecked(const ui::Bitmap& value)
{
    m_glyph_unchecked.Assign(value);
    this->Invalidate();
}

template <class Base>
void TsSkinnedBox<Base>::Loaded()
{
    Base::Loaded();
    m_common->Loaded();
}

template <class Base>
bool TsSkinnedBox<Base>::HandleBoxMessage(ui::Message& message, WPARAM checkState)
{
    if (AnswerSkinQuery(message))
        return true;
    HWND wnd = this->HandleIfAllocated();
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRefresh:
            if (!FromOwnManager(message, *m_common))
                break;
            StopFadeTimer(m_fade_timer, m_common.get());
            HandleCommonMessage(message, m_common.get());
            if (SubCodeOf(message.WParam) == scSkinRefresh) {
                AdjustSize();
                this->Invalidate();
            }
            return true;
        case scSkinRemoved:
            if (!FromOwnManager(message, *m_common))
                break;
            StopFadeTimer(m_fade_timer, m_common.get());
            HandleCommonMessage(message, m_common.get());
            if (wnd) {
                SendMessageW(wnd, BM_SETCHECK, checkState, 0);
                SetWindowThemeOf(wnd, nullptr, nullptr);
            }
            this->Invalidate();
            return true;
        case scStopFading:
            if (m_fade_timer) {
                StopFadeTimer(m_fade_timer, m_common.get());
                this->Invalidate();
            }
            return true;
        case scPrepareCache:
            if (m_common->Skinned())
                PrepareCache();
            break;
        default:
            break;
        }
    }
    if (!ControlIsReady(this))
        return false;
    if (m_common->Skinned(true))
        return SkinnedMessage(message);
    HandleCommonMessage(message, m_common.get());
    if (m_common->Skinned())
        return false;
    return m_filter.Drop(message, m_read_only);
}

template <class Base>
bool TsSkinnedBox<Base>::SkinnedMessage(ui::Message& message)
{
    HWND wnd = this->HandleIfAllocated();
    const bool enabled = this->Enabled();
    switch (message.Msg) {
    case WM_SETFOCUS:
    case ui::CM_ENTER:
        if (enabled)
            Base::WndProc(message);
        HandleCommonMessage(message, m_common.get());
        m_common->BGChanged = true;
        if (m_fade_timer)
            m_fade_timer->Change();
        else
            this->Repaint();
        return true;
    case WM_KILLFOCUS:
    case ui::CM_EXIT:
        if (!enabled)
            break;
        StopFadeTimer(m_fade_timer, m_common.get());
        SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
        Base::WndProc(message);
        SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
        m_common->FFocused = false;
        m_common->FMouseAbove = false;
        m_pressed = false;
        m_common->Invalidate();
        return true;
    case ui::CM_MOUSEENTER:
        if (enabled && !m_common->FMouseAbove) {
            m_common->FMouseAbove = true;
            m_common->BGChanged = false;
            RepaintFading(aeMouseEnter, false);
        }
        break;
    case ui::CM_MOUSELEAVE:
        m_common->FMouseAbove = false;
        m_pressed = false;
        m_common->BGChanged = false;
        RepaintFading(aeMouseLeave, false);
        break;
    default:
        break;
    }
    HandleCommonMessage(message, m_common.get());
    switch (message.Msg) {
    case WM_ENABLE:
    case WM_NCPAINT:
        return true;
    case WM_PAINT: {
        const MessagePaintDC dc(wnd, message.WParam);
        PaintTo(dc.Get());
        message.Result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        message.Result = 1;
        return true;
    case WM_KEYDOWN:
        if (!enabled || message.WParam != VK_SPACE)
            return false;
        if (!m_read_only) {
            m_pressed = true;
            if (!this->Focused())
                this->SetFocus();
            this->Repaint();
            WORD key = WORD(message.WParam);
            this->KeyDown(key, ui::KeyboardShiftState());
        }
        return true;
    case WM_KEYUP:
        if (!enabled)
            return false;
        if (!m_read_only) {
            if (m_pressed) {
                m_pressed = false;
                Release();
                this->Repaint();
            }
            WORD key = WORD(message.WParam);
            this->KeyUp(key, ui::KeyboardShiftState());
        }
        return true;
    case WM_UPDATEUISTATE:
        // The native face must not draw over the skinned one.
        if (SetWindowThemeAvailable())
            SetWindowThemeOf(wnd, L" ", L" ");
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!enabled)
            return false;
        if (!m_read_only) {
            const int x = short(LOWORD(message.LParam)), y = short(HIWORD(message.LParam));
            m_pressed = true;
            m_common->BGChanged = false;
            RepaintFading(aeMouseDown, true);
            if (!this->Focused())
                this->SetFocus();
            if (message.Msg == WM_LBUTTONDBLCLK)
                this->DblClick();
            else
                this->MouseDown(ui::mbLeft, ui::KeysToShiftState(message.WParam), x, y);
        }
        return true;
    case WM_LBUTTONUP:
        if (!enabled)
            return false;
        {
            const bool pressed = m_pressed;
            m_pressed = false;
            if (!m_read_only && pressed)
                Release();
            if (!m_read_only || ReadOnlyMouseUpFires()) {
                this->Repaint();
                this->MouseUp(ui::mbLeft, ui::KeysToShiftState(message.WParam), short(LOWORD(message.LParam)),
                              short(HIWORD(message.LParam)));
            }
        }
        return true;
    case BM_SETCHECK:
        SkinnedSetCheck(message);
        return true;
    case WM_PRINT:
        m_common->FUpdating = false;
        PrepareCache();
        CopyCache(*m_common, HDC(message.WParam));
        return false;
    case ui::CM_ENABLEDCHANGED:
        Base::WndProc(message);
        m_common->BGChanged = true;
        this->Repaint();
        return true;
    case ui::CM_TEXTCHANGED:
        AdjustSize();
        m_common->BGChanged = true;
        this->Repaint();
        return true;
    default:
        break;
    }
    if (IsSubCode(message, scUpdateDone) && (m_common->FUpdating || m_common->HalfVisible)) {
        m_common->FUpdating = false;
        this->Repaint();
        return true;
    }
    return false;
}

template class TsSkinnedBox<ui::CheckBox>;
template class TsSkinnedBox<ui::RadioButton>;

TsCheckBox::TsCheckBox(core::Component* owner) : TsSkinnedBox(owner, ckCheckBox) {}

void TsCheckBox::SetImages(ui::ImageList* value)
{
    if (value == m_images)
        return;
    if (m_images)
        m_images->RemoveFreeNotification(this);
    m_images = value;
    if (m_images)
        m_images->FreeNotification(this);
    Invalidate();
}

void TsCheckBox::SetImgChecked(int value)
{
    if (value == m_img_checked)
        return;
    m_img_checked = value;
    if (Checked())
        m_common->Invalidate();
}

void TsCheckBox::SetImgUnchecked(int value)
{
    if (value == m_img_unchecked)
        return;
    m_img_unchecked = value;
    if (!Checked())
        m_common->Invalidate();
}

void TsCheckBox::Notification(core::Component* component, core::Operation operation)
{
    ui::CheckBox::Notification(component, operation);
    if (operation == core::opRemove && component == m_images)
        m_images = nullptr;
}

SIZE TsCheckBox::GlyphSize()
{
    if (m_images && m_img_checked >= 0 && m_img_unchecked >= 0)
        return BoxGlyphSize(m_images, m_img_checked, m_img_unchecked, GlyphChecked());
    return TsSkinnedBox::GlyphSize();
}

int TsCheckBox::SkinGlyphMask()
{
    SkinManager* manager = m_common->GetSkinManager();
    if (!manager)
        return -1;
    const TConstantSkinData& c = manager->GetConstData();
    switch (State()) {
    case ui::cbChecked: return c.CheckBoxChecked;
    case ui::cbGrayed: return c.CheckBoxGrayed;
    default: return c.CheckBoxUnChecked;
    }
}

bool TsCheckBox::DrawUserGlyph(ui::Bitmap& cache, int x, int y, int cell)
{
    if (!(m_images && m_img_checked >= 0 && m_img_unchecked >= 0))
        return TsSkinnedBox::DrawUserGlyph(cache, x, y, cell);
    const int index = Checked() ? m_img_checked : m_img_unchecked;
    if (index >= m_images->Count())
        return true; // an index outside the list draws no glyph
    ui::Bitmap image(m_images->Width(), m_images->Height(), ui::pf24bit);
    m_images->Draw(image.Canvas(), 0, 0, index, ui::dsNormal, ui::itImage, true);
    LayGlyphCell(cache, x, y, image, cell);
    return true;
}

void TsCheckBox::Release()
{
    Toggle();
    m_common->BGChanged = false;
    RepaintFading(aeMouseUp, true);
}

void TsCheckBox::SkinnedSetCheck(ui::Message&)
{
    // The box keeps its state itself and draws it: the native mark stays as it is.
    StopFadeTimer(m_fade_timer, m_common.get());
    m_common->Invalidate();
}

bool TsCheckBox::GlyphAtLeft() const
{
    return Alignment() == ui::taRightJustify;
}

void TsCheckBox::WndProc(ui::Message& message)
{
    if (!HandleBoxMessage(message, WPARAM(State())))
        ui::CheckBox::WndProc(message);
}

TsRadioButton::TsRadioButton(core::Component* owner) : TsSkinnedBox(owner, ckRadioButton) {}

int TsRadioButton::SkinGlyphMask()
{
    SkinManager* manager = m_common->GetSkinManager();
    if (!manager || !manager->IsValidSkinIndex(m_common->SkinIndex))
        return -1;
    return Checked() ? manager->GetConstData().RadioButtonChecked : manager->GetConstData().RadioButtonUnChecked;
}

void TsRadioButton::Release()
{
    // Never unchecked by the user: only a checked radio of the group is unchecked by another.
    if (CanBeChecked())
        SetChecked(true);
}

void TsRadioButton::SkinnedSetCheck(ui::Message& message)
{
    ui::RadioButton::WndProc(message);
    m_common->BGChanged = true;
    StopFadeTimer(m_fade_timer, m_common.get());
    SetChecked(message.WParam == BST_CHECKED);
    RepaintFading(aeMouseUp, true);
}

void TsRadioButton::Invalidate()
{
    ui::RadioButton::Invalidate();
    if (m_auto_size)
        m_word_wrap = false;
}

void TsRadioButton::WndProc(ui::Message& message)
{
    if (!HandleBoxMessage(message, Checked() ? BST_CHECKED : BST_UNCHECKED))
        ui::RadioButton::WndProc(message);
}

} // namespace skin
