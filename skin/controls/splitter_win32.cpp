// Skinned splitter.
#include "skin/controls/splitter.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/skinpaint.h"
#include "ui/canvas.h"
#include "ui/wincontrol.h"

namespace skin {

TsSplitter::TsSplitter(core::Component* owner) : ui::Splitter(owner)
{
    m_common = std::make_unique<TsCommonData>(this, false);
    m_common->COC = ckSplitter;
    SetControlStyle(ui::csAcceptsControls | ui::csCaptureMouse | ui::csClickEvents | ui::csOpaque | ui::csDoubleClicks);
    SetWidth(6);
    m_common->Loaded();
}

TsSplitter::~TsSplitter() = default;

void TsSplitter::SetGlyph(const ui::Bitmap& value)
{
    m_glyph.Assign(value);
    Repaint();
}

void BlendGlyphOver(ui::Bitmap& target, int x, int y, ui::Bitmap& glyph)
{
    if (target.Empty() || glyph.Empty() || target.StorageFormat() != ui::pf24bit || glyph.StorageFormat() != ui::pf32bit)
        return;
    for (int gy = 0; gy < glyph.Height(); ++gy) {
        const int ty = y + gy;
        if (ty < 0 || ty >= target.Height())
            continue;
        const uint8_t* src = glyph.ScanLine(gy);
        uint8_t* dst = target.ScanLine(ty);
        for (int gx = 0; gx < glyph.Width(); ++gx) {
            const int tx = x + gx;
            if (tx < 0 || tx >= target.Width())
                continue;
            const uint8_t* s = src + gx * 4;
            uint8_t* d = dst + tx * 3;
            const int a = s[3];
            for (int c = 0; c < 3; ++c)
                d[c] = uint8_t((s[c] * a + d[c] * (255 - a) + 127) / 255);
        }
    }
}

int TsSplitter::CurrentState() const
{
    if (m_sizing && m_resize_style == rsUpdate)
        return 2;
    return m_common->IsHotOrFocused() ? 1 : 0;
}

void TsSplitter::Paint(ui::Canvas& canvas)
{
    if (Unskinned(this, *m_common)) {
        ui::Splitter::Paint(canvas);
        DrawGlyph(canvas);
        return;
    }
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    PaintControlItem(m_common.get(), ParentBackground(*m_common), true, CurrentState(), Rect{0, 0, Width(), Height()},
                     OffsetOf(this), cache, true);
    DrawGlyph(cache->Canvas());
    GdiFlush();
    BitBlt(canvas.Handle(), 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    // Splitters are thin and seldom repainted: the cache is not kept between paints.
    m_common->EmptyCacheBmp();
    m_common->BGChanged = false;
}

void TsSplitter::DrawGlyph(ui::Canvas& canvas)
{
    if (m_glyph.Empty())
        return;
    const int x = (Width() - m_glyph.Width()) / 2, y = (Height() - m_glyph.Height()) / 2;
    if (m_glyph.StorageFormat() == ui::pf32bit) {
        // The face under the glyph is copied out, the glyph laid over it by its alpha, and copied back.
        const int w = m_glyph.Width(), h = m_glyph.Height();
        ui::Bitmap under(w, h, ui::pf24bit);
        BitBlt(under.Canvas().Handle(), 0, 0, w, h, canvas.Handle(), x, y, SRCCOPY);
        BlendGlyphOver(under, 0, 0, m_glyph);
        BitBlt(canvas.Handle(), x, y, w, h, under.Canvas().Handle(), 0, 0, SRCCOPY);
    } else {
        ui::Bitmap copy;
        copy.Assign(m_glyph);
        copy.SetTransparent(true);
        canvas.Draw(x, y, copy);
    }
}

void TsSplitter::Loaded()
{
    ui::Splitter::Loaded();
    m_common->Loaded();
}

void TsSplitter::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    SuppressHints();
    if (m_auto_snap && Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            ui::Control* c = Parent()->Controls(i);
            if (c == this)
                continue;
            if (Align() == ui::alTop && c->Height() == 0)
                c->SetTop(Top());
            else if (Align() == ui::alLeft && c->Width() == 0)
                c->SetLeft(Left());
        }
    }
    ui::Splitter::MouseDown(button, shift, x, y);
    m_sizing = true;
    if (m_resize_style == rsUpdate)
        Repaint();
}

void TsSplitter::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y)
{
    ui::Splitter::MouseUp(button, shift, x, y);
    m_sizing = false;
    if (m_resize_style == rsUpdate)
        Repaint();
    RestoreHints();
}

void TsSplitter::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        int code = SubCodeOf(message.WParam);
        if ((code == scSkinLoaded || code == scSkinRemoved || code == scSkinRefresh) && FromOwnManager(message, *m_common)) {
            HandleCommonMessage(message, m_common.get());
            if (code != scSkinLoaded)
                Repaint();
            return;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::Splitter::WndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_MOUSEWHEEL:
    case ui::CM_VISIBLECHANGED:
    case ui::CM_ENABLEDCHANGED:
        m_common->BGChanged = true;
        break;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
        message.Result = 1;
        return;
    default:
        if (IsSubCode(message, scUpdateDone) && m_common->FUpdating) {
            m_common->FUpdating = false;
            Repaint();
            return;
        }
        break;
    }
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::Splitter::WndProc(message);
    switch (message.Msg) {
    case ui::CM_MOUSEENTER:
    case ui::CM_MOUSELEAVE:
        if (!m_common->FFocused && !IsDesigning(this)) {
            m_common->FMouseAbove = message.Msg == ui::CM_MOUSEENTER;
            m_common->BGChanged = true;
            Repaint();
        }
        break;
    default:
        break;
    }
}

} // namespace skin
