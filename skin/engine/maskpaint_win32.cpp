// Masks on bitmaps: the nine-slice painter, glyphs, corner repairs, the disabled look, the frame
// painter that cuts a window region, and the bitmap forms of the piece routines.
#include "skin/engine/graphutils.h"
#include "skin/engine/paintsupport.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "ui/control.h"

namespace skin {

namespace {

using paint::DcOf;
using paint::SavedDC;
using paint::ViewOf;

constexpr uint32_t kKey = MaskKeyColor;

ui::Bitmap* DefaultMasterLookup(const void* manager)
{
    SkinManager* m = DefaultManager();
    return m && static_cast<const void*>(m) == manager ? m->GetMasterBitmap() : nullptr;
}

MasterBitmapLookup& Lookup()
{
    static MasterBitmapLookup lookup = DefaultMasterLookup;
    return lookup;
}


// Plain pieces copied by the system in blocks, flushed before the pixel routines go on.
void BlockCopy(ui::Bitmap* dst, ui::Bitmap* src, const Rect& d, const Rect& s, bool stretch)
{
    HDC dd = DcOf(dst), sd = DcOf(src);
    if (stretch) {
        const int old = SetStretchBltMode(dd, HALFTONE);
        SetBrushOrgEx(dd, 0, 0, nullptr);
        StretchBlt(dd, d.Left, d.Top, RectWidth(d), RectHeight(d), sd, s.Left, s.Top, RectWidth(s), RectHeight(s),
                   SRCCOPY);
        SetStretchBltMode(dd, old);
    } else {
        BitBlt(dd, d.Left, d.Top, RectWidth(d), RectHeight(d), sd, s.Left, s.Top, SRCCOPY);
    }
    GdiFlush();
}

} // namespace

ui::Bitmap* MaskSourceBmp(const MaskData& m)
{
    if (m.Bmp)
        return m.Bmp.get();
    return m.Manager ? Lookup()(m.Manager) : nullptr;
}

void SetMasterBitmapLookup(MasterBitmapLookup lookup) { Lookup() = lookup ? lookup : DefaultMasterLookup; }

PaintBg PaintBgOf(const TCacheInfo& ci)
{
    PaintBg bg;
    bg.Ready = ci.Ready;
    bg.X = ci.X;
    bg.Y = ci.Y;
    bg.FillColor = ci.FillColor;
    if (ci.Ready && ci.Bmp)
        bg.View = ViewOf(ci.Bmp);
    return bg;
}

void PaintMaskRect(ui::Bitmap* bmp, const Rect& r, bool filling, const TCacheInfo& ci, const MaskData& m, int state,
                   bool updateCorners, SkinManager*)
{
    ui::Bitmap* src = MaskSourceBmp(m);
    if (!bmp || bmp->Empty() || !src || src->Empty())
        return;
    const ui::PixelView dst = ViewOf(bmp), sv = ViewOf(src);
    PaintMaskRectPixels(dst, sv, r, m, state, filling, PaintBgOf(ci), updateCorners, ci.Bmp == bmp,
                        [&](const Rect& d, const Rect& s, bool stretch) { BlockCopy(bmp, src, d, s, stretch); });
}

void PaintMaskGlyph(ui::Bitmap* bmp, POINT p, int state, int mode, const MaskData& m, const TCacheInfo& ci)
{
    if (!bmp || bmp->Empty() || m.ImageCount == 0)
        return;
    Rect s, d;
    MaskGlyphRects(m, state, p.x, p.y, s, d);
    if (m.Bmp) {
        if (m.Bmp->Width() >= m.R.Right && m.Bmp->Height() >= m.R.Bottom)
            CopyMaskedGlyph(d, s, ViewOf(bmp), m, mode, kKey, ViewOf(m.Bmp.get()));
        return;
    }
    ui::Bitmap* src = MaskSourceBmp(m);
    if (!m.Manager || !src || src->Empty())
        return;
    const ui::PixelView dst = ViewOf(bmp), sv = ViewOf(src);
    if (m.MaskType > 0)
        CopyMaskedGlyph(d, s, dst, m, mode, kKey, sv);
    else if (mode == 1)
        CopyKeyedPiece(dst, sv, d.Left, d.Top, true, PaintBgOf(ci), ci.Bmp == bmp, kKey, s);
    else
        BlendRectKeyed(dst, d.Left, d.Top, kKey, 0.5, s, sv);
}

void RestoreParentCorners(TsCommonData* data, int state) { RestoreCorners(data, state, 1 | 2 | 4 | 8); }

void RestoreCorners(TsCommonData* data, int state, unsigned corners)
{
    if (!data)
        return;
    SkinManager* manager = data->GetSkinManager();
    ui::Control* owner = data->OwnerControl();
    if (!manager || !manager->IsValidImgIndex(data->BorderIndex) || !data->CacheBmp() || data->CacheBmp()->Empty() ||
        !owner || owner->Width() <= 1 || owner->Height() <= 1 || !owner->Parent())
        return;
    TacBGQuery query;
    QueryBgOfControl(query, owner->Parent(), false);
    MaskData m = manager->Mask(data->BorderIndex);
    if (m.ImageCount == 0 && m.Bmp) {
        m.MaskType = 1;
        m.ImageCount = 3;
        m.R = Rect{0, 0, m.Bmp->Width(), m.Bmp->Height()};
    }
    PaintBg bg;
    if (query.BgType == 2 && query.Bmp) {
        bg.Ready = true;
        bg.View = ViewOf(query.Bmp);
        bg.X = query.Offset.x + owner->Left();
        bg.Y = query.Offset.y + owner->Top();
    } else {
        bg.FillColor = ui::ColorToRGB(query.Color);
    }
    ui::Bitmap* src = MaskSourceBmp(m);
    if (src && !src->Empty())
        RestoreCornerPixels(ViewOf(data->CacheBmp()), ViewOf(src), m, state, corners, bg);
}

void ReplaceKeyColorPixels(ui::Bitmap* dst, ui::Bitmap* src, const Rect& dstRect, const Rect& srcRect, int maskIndex,
                           SkinManager* manager, int cornerCode)
{
    if (!dst || !src)
        return;
    if (maskIndex >= 0) {
        if (!manager || !manager->IsValidImgIndex(maskIndex))
            return;
        const MaskData& m = manager->Mask(maskIndex);
        const ui::PixelView maskView = ViewOf(MaskSourceBmp(m));
        if (!maskView.Valid())
            return;
        ReplaceKeyColorPixels(ViewOf(dst), ViewOf(src), dstRect, srcRect, &maskView, KeyCornerOrigin(m, cornerCode));
        return;
    }
    ReplaceKeyColorPixels(ViewOf(dst), ViewOf(src), dstRect, srcRect, nullptr, {});
}

void ApplyDisabledKind(ui::Bitmap* bmp, TsDisabledKind kind, ui::Control* control, const TCacheInfo& ci, POINT offset)
{
    if (!bmp || bmp->Empty())
        return;
    if (kind & dkGrayed)
        GrayBmp24(ViewOf(bmp));
    if (!(kind & dkBlended))
        return;
    if (ci.Ready) {
        if (!ci.Bmp)
            return;
        const int x = ci.X + offset.x, y = ci.Y + offset.y;
        // The background is the source: each pixel becomes 60 % background and 40 % control.
        BlendRectKeyed(ViewOf(bmp), 0, 0, 0xFFFFFFFFu, 0.4, Rect{x, y, x + bmp->Width() - 1, y + bmp->Height() - 1},
                       ViewOf(ci.Bmp));
        return;
    }
    const uint32_t color = ci.FillColor != kKey ? ci.FillColor : ControlBgColor(control);
    BlendRectToColor(ViewOf(bmp), Rect{0, 0, bmp->Width(), bmp->Height()}, 50, color);
}

void CopyMaskedPiece(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* dst, ui::Bitmap* src, const TCacheInfo& ci,
                     bool updateCorners, const MaskData& m)
{
    CopyMaskedPiece(dstRect, srcRect, ViewOf(dst), ViewOf(src), PaintBgOf(ci), updateCorners, RectHeight(m.R) / 2);
}

void CopyKeyedPiece(ui::Bitmap* dst, ui::Bitmap* src, int x, int y, bool updateCorners, const TCacheInfo& ci,
                    uint32_t keyColor, const Rect& srcRect)
{
    CopyKeyedPiece(ViewOf(dst), ViewOf(src), x, y, updateCorners, PaintBgOf(ci), ci.Bmp && ci.Bmp == dst, keyColor,
                   srcRect);
}

void CopyKeyedRect(ui::Bitmap* dst, ui::Bitmap* src, int x, int y, uint32_t keyColor, const Rect& srcRect)
{
    CopyKeyedRect(ViewOf(dst), ViewOf(src), x, y, keyColor, srcRect);
}

void CopyMaskedGlyph(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* bmp, const MaskData& m, int mode,
                     uint32_t keyColor, ui::Bitmap* srcBmp)
{
    CopyMaskedGlyph(dstRect, srcRect, ViewOf(bmp), m, mode, keyColor, ViewOf(srcBmp));
}

void GrayBmp24(ui::Bitmap* bmp) { GrayBmp24(ViewOf(bmp)); }

void AddCornerKeyRects(TAOR& aor, int width, const MaskData& m, bool bottom, int y)
{
    AddCornerKeyRects(aor, width, m, ViewOf(MaskSourceBmp(m)), bottom, y);
}

void PaintMaskFrame(ui::Bitmap* bmp, HRGN region, bool filling, int state, const MaskData& m)
{
    if (!bmp || bmp->Width() <= 1 || bmp->Height() <= 1 || !m.Manager)
        return;
    ui::Bitmap* src = m.ImageCount < 1 ? m.Bmp.get() : MaskSourceBmp(m);
    if (!src || src->Empty())
        return;
    std::vector<Rect> runs;
    PaintMaskFramePixels(ViewOf(bmp), ViewOf(src), m, state, filling, region ? &runs : nullptr,
                         [&](const Rect& d, const Rect& s) { BlockCopy(bmp, src, d, s, true); });
    for (const Rect& run : runs) {
        HRGN cut = CreateRectRgn(run.Left, run.Top, run.Right, run.Bottom);
        if (!cut)
            continue;
        CombineRgn(region, region, cut, RGN_DIFF);
        DeleteObject(cut);
    }
}

} // namespace skin
