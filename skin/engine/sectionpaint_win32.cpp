// Section backgrounds over the parent's picture, textures, whole section items, control borders and
// the copy of a cache to its window with the children clipped out.
#include "skin/engine/graphutils.h"
#include "skin/engine/paintsupport.h"
#include "skin/engine/skinnedforms.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "ui/canvas.h"
#include "ui/graphiccontrol.h"
#include "ui/jpegimage.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

namespace {

using paint::DcOf;
using paint::SavedDC;
using paint::ViewOf;

constexpr uint32_t kKey = MaskKeyColor;
constexpr Rect kNone{-1, -1, -1, -1};


// An opaque fill of r (32-bit bitmaps get alpha 255).
void FillOpaque(ui::Bitmap* bmp, const Rect& r, uint32_t color)
{
    if (RectWidth(r) <= 0 || RectHeight(r) <= 0)
        return;
    if (bmp->GetPixelFormat() == ui::pf32bit) {
        FillRect32Opaque(bmp, r, color);
        return;
    }
    FillDCSolid(DcOf(bmp), RECT{r.Left, r.Top, r.Right, r.Bottom}, color);
    GdiFlush();
}

std::unique_ptr<ui::Bitmap> TempLike(ui::Bitmap* bmp, int w, int h, bool keepFormat)
{
    return keepFormat && bmp->GetPixelFormat() == ui::pf32bit ? NewBmp32(w, h) : NewBmp24(w, h);
}

TCacheInfo Moved(TCacheInfo ci, POINT offset)
{
    ci.X += offset.x;
    ci.Y += offset.y;
    return ci;
}

// The texture of a section fill: a mask entry or a pattern.
struct Texture {
    int mask = -1;
    int pattern = -1;
};

// The fill of area a of target: texture, gradient and the section colour by their shares.
void SectionFill(ui::Bitmap* target, const Rect& a, const SectionValues& v, Texture tex, SkinManager* manager,
                 const TCacheInfo& ci, bool byIndex)
{
    const int w = RectWidth(a), h = RectHeight(a);
    if (w <= 0 || h <= 0)
        return;
    bool textured = false;
    if (v.IP > 0) {
        Rect rest = a;
        if (tex.mask >= 0 && manager->IsValidImgIndex(tex.mask)) {
            const MaskData& m = manager->Mask(tex.mask);
            if (m.MaskType > 0) {
                // The texture's transparent pixels show the section colour.
                TCacheInfo colour = EmptyCacheInfo;
                colour.FillColor = v.Color;
                PaintMaskedTexture(target, rest, colour, m.DrawMode, m);
            } else {
                PaintTexture(target->Canvas(), rest, m.Bmp.get(), m.DrawMode, m);
            }
            textured = true;
        } else if (ui::JpegImage* image = PatternImage(manager, tex.pattern)) {
            TilePattern(target->Canvas(), rest, image);
            rest = kNone;
            textured = true;
        }
        GdiFlush();
        if (!(rest == kNone))
            FillOpaque(target, rest, v.Color);
    }
    const bool gradient = v.GP > 0 && v.GradientData && v.GradientArray;
    if (gradient) {
        const bool empty = v.GradientData->empty();
        if (textured) {
            auto temp = TempLike(target, w, h, true);
            if (empty)
                FillOpaque(temp.get(), Rect{0, 0, w, h}, v.Color);
            else
                PaintGradient(temp.get(), Rect{0, 0, w, h}, *v.GradientArray, 0, 0);
            BlendBmpRect(target, temp.get(), byIndex ? TextureWeightByIndex(v.IP) : TextureWeight(v.IP),
                         POINT{a.Left, a.Top}, Rect{0, 0, w, h});
        } else if (empty) {
            FillOpaque(target, a, v.Color);
        } else {
            PaintGradient(target, a, *v.GradientArray, 0, 0);
        }
    }
    const int s = v.IP + v.GP;
    switch (ColourShareOf(s, byIndex)) {
    case ColourShare::Blend:
        BlendRectToColor(target, Rect{a.Left, a.Top, a.Right - 1, a.Bottom - 1}, s, v.Color);
        break;
    case ColourShare::Fill: {
        // The background's colour where it shows through, never the key colour of an unknown one.
        const bool bgColour = !ci.Ready && ci.FillColor != kKey && (byIndex ? v.T == 100 : v.T != 0);
        FillOpaque(target, a, bgColour ? ci.FillColor : v.Color);
        break;
    }
    case ColourShare::Keep:
        break;
    }
}

// The background of r: the parent's picture at the offset, or its colour.
void CopyBackground(ui::Bitmap* bmp, const Rect& r, const TCacheInfo& ci, POINT offset)
{
    if (ci.Ready) {
        if (ci.Bmp && ci.Bmp != bmp && !ci.Bmp->Empty()) {
            BitBlt(DcOf(bmp), r.Left, r.Top, RectWidth(r), RectHeight(r), DcOf(ci.Bmp), ci.X + offset.x,
                   ci.Y + offset.y, SRCCOPY);
            GdiFlush();
        }
    } else {
        FillOpaque(bmp, r, ci.FillColor);
    }
}

bool InsideBmp(const Rect& r, ui::Bitmap* bmp)
{
    return r.Left >= 0 && r.Top >= 0 && r.Right <= bmp->Width() && r.Bottom <= bmp->Height();
}

void PaintCorner(ui::Bitmap* bmp, SkinManager* manager, int index, int x, int y, bool fromRight, bool fromBottom,
                 int state)
{
    if (index < 0 || !manager->IsValidImgIndex(index))
        return;
    const MaskData& m = manager->Mask(index);
    if (fromRight)
        x -= MaskImageWidth(m);
    if (fromBottom)
        y -= MaskStateHeight(m);
    PaintMaskGlyph(bmp, POINT{x, y}, state, 1, m, MakeCacheInfo(bmp, 0, 0));
}

void PaintCorners(ui::Bitmap* bmp, SkinManager* manager, const SectionData& s, const Rect& r, int state)
{
    PaintCorner(bmp, manager, s.ImgTL, r.Left, r.Top, false, false, state);
    PaintCorner(bmp, manager, s.ImgTR, r.Right, r.Top, true, false, state);
    PaintCorner(bmp, manager, s.ImgBL, r.Left, r.Bottom, false, true, state);
    PaintCorner(bmp, manager, s.ImgBR, r.Right, r.Bottom, true, true, state);
}


} // namespace

ui::JpegImage* PatternImage(SkinManager* manager, int patternIndex)
{
    ui::JpegImage* image = manager ? manager->PatternImage(patternIndex) : nullptr;
    return image && !image->Empty() ? image : nullptr;
}

int PatternIndexOf(SkinManager* manager, int skinIndex, core::StringView section, core::StringView name)
{
    return manager ? manager->GetPatternIndex(skinIndex, section, name) : -1;
}

// ---- Queries ----

bool QueryBgOfWnd(TacBGQuery& query, HWND wnd, bool pleaseDraw)
{
    query.BgType = 0;
    query.PleaseDraw = pleaseDraw;
    if (wnd)
        SendMessageW(wnd, SM_SKINCMD, SkinWParam(scGetBackground), LPARAM(&query));
    if (query.BgType != 0)
        return true;
    if (pleaseDraw && query.DrawDC) {
        SavedDC saved(query.DrawDC);
        OffsetViewportOrgEx(query.DrawDC, -query.Offset.x, -query.Offset.y, nullptr);
        IntersectClipRect(query.DrawDC, query.R.left + query.Offset.x, query.R.top + query.Offset.y,
                          query.R.right + query.Offset.x, query.R.bottom + query.Offset.y);
        SendMessageW(wnd, WM_ERASEBKGND, WPARAM(query.DrawDC), 0);
        SendMessageW(wnd, WM_PAINT, WPARAM(query.DrawDC), 0);
        return false;
    }
    query.BgType = 1;
    SkinManager* manager = DefaultManager();
    query.Color = manager ? manager->GlobalColor() : ui::ColorToRGB(ui::clBtnFace);
    return false;
}

void GetParentCacheOfWnd(HWND handle, TCacheInfo& ci)
{
    ci.Ready = false;
    HWND parent = handle ? GetParent(handle) : nullptr;
    if (!parent) {
        ci = EmptyCacheInfo;
        return;
    }
    TacBGQuery query;
    QueryBgOfWnd(query, parent, false);
    BgQueryToCacheInfo(query, ci);
}

// ---- Backgrounds ----

void PaintSectionBg(int skinIndex, core::StringView section, const TCacheInfo& ci, int state, const Rect& r, POINT offset,
                    ui::Bitmap* bmp, SkinManager* manager, int texture, int hotTexture, uint32_t customColor)
{
    if (!manager)
        manager = DefaultManager();
    if (!manager || !manager->IsValidSkinIndex(skinIndex) || !bmp || bmp->Empty())
        return;
    const SectionValues v = SectionValuesOf(manager->Section(skinIndex), state, customColor);
    Texture tex;
    if (v.IP > 0) {
        const int given = state == 0 ? texture : hotTexture;
        const core::StringView name = state == 0 ? u"PATTERN" : u"HOTPATTERN";
        if (given != -1) {
            if (manager->IsValidImgIndex(given) && manager->Mask(given).MaskType == 0)
                tex.mask = given;
        } else {
            tex.mask = manager->GetMaskIndex(skinIndex, section, name);
        }
        if (!manager->IsValidImgIndex(tex.mask)) {
            tex.mask = -1;
            const int pattern = PatternIndexOf(manager, skinIndex, section, name);
            if (pattern >= 0)
                tex.pattern = pattern;
        }
    }
    const bool known = ci.Ready || ci.FillColor != kKey;
    const int w = RectWidth(r), h = RectHeight(r);
    if (!known || v.T == 0) {
        SectionFill(bmp, r, v, tex, manager, ci, false);
    } else if (v.T == 100) {
        CopyBackground(bmp, r, ci, offset);
    } else if (w > 0 && h > 0) {
        auto temp = TempLike(bmp, w, h, true);
        SectionFill(temp.get(), Rect{0, 0, w, h}, v, tex, manager, ci, false);
        CopyBackground(bmp, r, ci, offset);
        BlendBmpRect(bmp, temp.get(), BgWeight(v.T), POINT{r.Left, r.Top}, Rect{0, 0, w, h});
    }
    if (state == 0) {
        auto overlay = [&](int index) {
            return manager->IsValidImgIndex(index) && manager->Mask(index).MaskType > 0;
        };
        int index = -1;
        if (texture != -1 && overlay(texture))
            index = manager->Mask(texture).DrawMode == 10 ? texture : -1;
        else if (overlay(hotTexture) && manager->Mask(hotTexture).DrawMode == 10)
            index = hotTexture;
        if (index >= 0) {
            Rect area = r;
            PaintMaskedTexture(bmp, area, Moved(ci, offset), 10, manager->Mask(index));
        }
    }
}

void PaintControlBg(TsCommonData* data, const TCacheInfo& ci, int state, const Rect& r, POINT offset, ui::Bitmap* bmp)
{
    if (!data)
        return;
    uint32_t custom = kKey;
    if (data->CustomColor()) {
        // A provider's custom colour is its form's.
        auto* provider = dynamic_cast<FormSkinProvider*>(data->OwnerObject());
        if (ui::Form* form = provider ? provider->ProviderForm() : nullptr)
            custom = ui::ColorToRGB(form->GetColor());
        else if (data->OwnerControl())
            custom = ui::ColorToRGB(data->OwnerControl()->GetColor());
    }
    PaintSectionBg(data->SkinIndex, data->SkinSection(), ci, state, r, offset, bmp, data->GetSkinManager(), data->Texture,
                   data->HotTexture, custom);
}

void PaintSectionBgByIndex(int skinIndex, int texture, int hotTexture, const TCacheInfo& ci, int state, const Rect& r,
                           POINT offset, ui::Bitmap* bmp, SkinManager* manager)
{
    if (!manager)
        manager = DefaultManager();
    if (!manager || !manager->IsValidSkinIndex(skinIndex) || !bmp || bmp->Empty())
        return;
    const SectionValues v = SectionValuesOf(manager->Section(skinIndex), state, kKey);
    Texture tex;
    tex.mask = state == 0 ? texture : hotTexture;
    const int w = RectWidth(r), h = RectHeight(r);
    if (!ci.Ready || v.T == 0) {
        SectionFill(bmp, r, v, tex, manager, ci, true);
    } else if (v.T == 100) {
        CopyBackground(bmp, r, ci, offset);
    } else if (w > 0 && h > 0) {
        auto temp = NewBmp24(w, h);
        SectionFill(temp.get(), Rect{0, 0, w, h}, v, tex, manager, ci, true);
        if (ci.Bmp && ci.Bmp != bmp)
            CopyBackground(bmp, r, ci, offset);
        BlendBmpRect(bmp, temp.get(), BgWeight(v.T), POINT{r.Left, r.Top}, Rect{0, 0, w, h});
    }
}

// ---- Textures ----

void TilePattern(ui::Canvas& canvas, const Rect& r, ui::Bitmap* graphic)
{
    if (!graphic || graphic->Empty() || graphic->Width() == 0 || graphic->Height() == 0)
        return;
    HDC dc = canvas.Handle(), src = DcOf(graphic);
    ForEachTile(r, Rect{0, 0, graphic->Width(), graphic->Height()}, [&](const Rect& d, const Rect& s) {
        BitBlt(dc, d.Left, d.Top, RectWidth(d), RectHeight(d), src, s.Left, s.Top, SRCCOPY);
    });
}

void TilePattern(ui::Canvas& canvas, const Rect& r, ui::JpegImage* graphic)
{
    if (!graphic || graphic->Empty() || graphic->Width() == 0 || graphic->Height() == 0)
        return;
    HDC dc = canvas.Handle();
    SavedDC saved(dc);
    IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
    const int w = graphic->Width(), h = graphic->Height();
    for (int i = 0; i <= RectWidth(r) / w; ++i)
        for (int j = 0; j <= RectHeight(r) / h; ++j) {
            const int x = r.Left + i * w, y = r.Top + j * h;
            graphic->Draw(dc, RECT{x, y, x + w, y + h});
        }
}

void PaintTexture(ui::Canvas& canvas, Rect& r, ui::Bitmap* graphic, int mode, const MaskData& m)
{
    if (graphic && !graphic->Empty()) {
        TilePattern(canvas, r, graphic);
        r = kNone;
        return;
    }
    MaskData master = m;
    master.Bmp = nullptr;
    ui::Bitmap* src = MaskSourceBmp(master);
    if (!src || src->Empty())
        return;
    std::vector<TextureBlock> blocks;
    const int w = RectWidth(m.R), h = RectHeight(m.R);
    if (!PlanTexture(r, mode, w, h, blocks))
        return;
    HDC dc = canvas.Handle(), sd = DcOf(src);
    for (const TextureBlock& b : blocks) {
        if (b.Stretch)
            StretchBlt(dc, b.Dst.Left, b.Dst.Top, RectWidth(b.Dst), RectHeight(b.Dst), sd, m.R.Left, m.R.Top, w, h,
                       SRCCOPY);
        else
            BitBlt(dc, b.Dst.Left, b.Dst.Top, RectWidth(b.Dst), RectHeight(b.Dst), sd, m.R.Left + b.Src.Left,
                   m.R.Top + b.Src.Top, SRCCOPY);
    }
}

void PaintMaskedTexture(ui::Bitmap* bmp, Rect& r, const TCacheInfo& ci, int mode, const MaskData& m)
{
    ui::Bitmap* src = MaskSourceBmp(m);
    if (!bmp || bmp->Empty() || !src || src->Empty())
        return;
    PaintMaskedTexture(ViewOf(bmp), r, PaintBgOf(ci), mode, m, ViewOf(src));
}

void CopyMaskedTile(const Rect& dstRect, const Rect& srcRect, ui::Bitmap* bmp, const MaskData& m, const TCacheInfo& ci)
{
    ui::Bitmap* src = MaskSourceBmp(m);
    if (!bmp || !src)
        return;
    CopyMaskedTile(dstRect, srcRect, ViewOf(bmp), ViewOf(src), PaintBgOf(ci));
}

// ---- Section items ----

void PaintSectionItem(int skinIndex, core::StringView section, const TCacheInfo& ci, bool filling, int state,
                      const Rect& r, POINT offset, ui::Bitmap* bmp, SkinManager* manager, int texture, int hotTexture)
{
    if (!bmp || bmp->Empty() || r.Left >= r.Right || r.Top >= r.Bottom)
        return;
    if (!manager)
        manager = DefaultManager();
    if (!manager || !manager->IsValidSkinIndex(skinIndex) || !InsideBmp(r, bmp))
        return;
    PaintSectionBg(skinIndex, section, ci, state, r, offset, bmp, manager, texture, hotTexture, kKey);
    const SectionData& s = manager->Section(skinIndex);
    PaintCorners(bmp, manager, s, r, state);
    if (manager->IsValidImgIndex(s.BorderIndex))
        PaintMaskRect(bmp, r, filling, Moved(ci, offset), manager->Mask(s.BorderIndex), state, true);
}

void PaintSectionItemByIndex(int skinIndex, int maskIndex, int texture, int hotTexture, TCacheInfo& ci, bool filling,
                             int state, const Rect& r, POINT offset, ui::Bitmap* bmp, SkinManager* manager)
{
    if (!manager)
        manager = DefaultManager();
    if (!manager || !manager->IsValidSkinIndex(skinIndex) || !bmp || bmp->Empty() || !InsideBmp(r, bmp))
        return;
    PaintSectionBgByIndex(skinIndex, texture, hotTexture, ci, state, r, offset, bmp, manager);
    if (!manager->IsValidImgIndex(maskIndex))
        return;
    ci.X += offset.x;
    ci.Y += offset.y;
    PaintMaskRect(bmp, r, filling, ci, manager->Mask(maskIndex), state, true);
    ci.X -= offset.x;
    ci.Y -= offset.y;
}

void PaintSectionItemDC(int skinIndex, core::StringView section, const TCacheInfo& ci, bool filling, int state,
                        const Rect& r, POINT offset, HDC dc, SkinManager* manager)
{
    if (!manager)
        manager = DefaultManager();
    if (!manager || !manager->IsValidSkinIndex(skinIndex) || r.Left < 0 || r.Top < 0 || RectWidth(r) < 1 ||
        RectHeight(r) < 1 || !dc)
        return;
    SavedDC saved(dc);
    auto temp = NewBmp24(RectWidth(r), RectHeight(r));
    PaintSectionItem(skinIndex, section, ci, filling, state, Rect{0, 0, RectWidth(r), RectHeight(r)}, offset, temp.get(),
                     manager, -1, -1);
    GdiFlush();
    BitBlt(dc, r.Left, r.Top, RectWidth(r), RectHeight(r), DcOf(temp.get()), 0, 0, SRCCOPY);
}

int PaintSectionItemByName(ui::Bitmap* bmp, core::StringView sectionName, core::StringView altSectionName, int state,
                           SkinManager* manager, POINT srcPos, uint32_t fillColor, HDC dc)
{
    if (!manager)
        manager = DefaultManager();
    if (!manager)
        return -1;
    core::StringView section = sectionName;
    int index = manager->GetSkinIndex(sectionName);
    if (!manager->IsValidSkinIndex(index)) {
        section = altSectionName;
        index = manager->GetSkinIndex(altSectionName);
    }
    if (!manager->IsValidSkinIndex(index) || !bmp || bmp->Empty())
        return index;
    TCacheInfo ci;
    ci.FillColor = fillColor;
    if (dc) {
        BitBlt(DcOf(bmp), 0, 0, bmp->Width(), bmp->Height(), dc, srcPos.x, srcPos.y, SRCCOPY);
        GdiFlush();
        ci = MakeCacheInfo(bmp, 0, 0);
    }
    PaintSectionItem(index, section, ci, true, state, Rect{0, 0, bmp->Width(), bmp->Height()}, POINT{0, 0}, bmp, manager,
                     -1, -1);
    return index;
}

void PaintControlItem(TsCommonData* data, const TCacheInfo& ci, bool filling, int state, const Rect& r, POINT offset,
                      ui::Bitmap* bmp, bool updateCorners)
{
    if (!data || !bmp || bmp->Empty())
        return;
    SkinManager* manager = data->GetSkinManager();
    if (!manager || !manager->IsValidSkinIndex(data->SkinIndex) || !InsideBmp(r, bmp))
        return;
    PaintControlBg(data, ci, state, r, offset, bmp);
    if (manager->IsValidImgIndex(data->BorderIndex)) {
        const MaskData& m = manager->Mask(data->BorderIndex);
        if (!(state == 0 && (m.DrawMode & 2)))
            PaintMaskRect(bmp, r, filling, Moved(ci, offset), m, state, updateCorners);
    }
    PaintCorners(bmp, manager, manager->Section(data->SkinIndex), r, state);
}

void PaintControlItemOnParent(TsCommonData* data, ui::Control* parent, bool filling, int state, const Rect& r,
                              POINT offset, ui::Bitmap* bmp, bool updateCorners)
{
    TacBGQuery query;
    TCacheInfo ci;
    QueryBgOfControl(query, parent, false);
    BgQueryToCacheInfo(query, ci);
    PaintControlItem(data, ci, filling, state, r, offset, bmp, updateCorners);
}

// ---- Borders ----

void PaintControlBorder(HDC dc, const RECT& r, int borderWidth, TsCommonData* data, int state, RECT& clientRect)
{
    if (!data)
        return;
    ui::Control* owner = data->OwnerControl();
    auto* windowed = dynamic_cast<ui::WinControl*>(owner);
    const uint32_t c = data->GetBgColor(state, windowed ? windowed->HandleIfAllocated() : nullptr);
    TacBGQuery query;
    if (owner && owner->Parent()) {
        QueryBgOfControl(query, owner->Parent(), false);
        if (query.BgType == 2) {
            query.Offset.x += owner->Left();
            query.Offset.y += owner->Top();
        }
    } else {
        // No parent to ask: the control's own background colour stands behind the mask.
        query.BgType = 1;
        query.Color = c;
    }
    SkinManager* manager = data->GetSkinManager();
    const int W = r.right - r.left, H = r.bottom - r.top;
    if (manager && data->BorderIndex >= 0 && manager->IsValidImgIndex(data->BorderIndex)) {
        data->EnsureCacheBmp();
        ui::Bitmap* cache = data->CacheBmp();
        if (!cache || cache->Empty())
            return;
        const MaskData& m = manager->Mask(data->BorderIndex);
        HDC cacheDC = DcOf(cache);
        if (m.MaskType == 1) {
            if (query.BgType == 2 && query.Bmp && !query.Bmp->Empty())
                BitBlt(cacheDC, r.left, r.top, W, H, DcOf(query.Bmp), query.Offset.x + r.left, query.Offset.y + r.top,
                       SRCCOPY);
            else
                FillDCFrame(cacheDC, r, m.WL, m.WT, m.WR, m.WB, c);
            GdiFlush();
        }
        TCacheInfo ci;
        BgQueryToCacheInfo(query, ci);
        PaintMaskRect(cache, Rect{r.left, r.top, r.right, r.bottom}, false, ci, m, state, true);
        clientRect = RECT{r.left + m.WL, r.top + m.WT, r.right - m.WR, r.bottom - m.WB};
        if (borderWidth != 0) {
            const int bw = borderWidth;
            FillDCFrame(cacheDC, clientRect, std::max(std::min(bw, W - m.WR) - m.WL, 0),
                        std::max(std::min(bw, H - m.WB) - m.WT, 0), std::max(std::min(bw, W - m.WL) - m.WR, 0),
                        std::max(std::min(bw, H - m.WT) - m.WB, 0), c);
            GdiFlush();
            clientRect = RECT{r.left + bw, r.top + bw, r.right - bw, r.bottom - bw};
            clientRect.right = std::max(clientRect.right, clientRect.left);
            clientRect.bottom = std::max(clientRect.bottom, clientRect.top);
        }
        if (dc != cacheDC && borderWidth != 0)
            CopyDCFrame(dc, r.left, r.top, W, H, cacheDC, r.left, r.top, borderWidth);
        return;
    }
    if (borderWidth != 0 && dc)
        FillDCFrame(dc, r, borderWidth, borderWidth, borderWidth, borderWidth, c);
}

// ---- Cache to window ----

namespace {

// The cache's srcRect onto dstRect of dc, clipped to dstRect less what excludeChildren cuts out of
// the clip region.
template<class ExcludeChildren>
void BltCacheExcept(TsCommonData* data, const RECT& srcRect, bool update, HDC dc, const RECT& dstRect,
                    ExcludeChildren excludeChildren)
{
    if (!data || !dc)
        return;
    ui::Bitmap* cache = data->CacheBmp();
    if (!cache || cache->Empty())
        return;
    if (update)
        RestoreParentCorners(data, 0);
    SavedDC saved(dc);
    IntersectClipRect(dc, dstRect.left, dstRect.top, dstRect.right, dstRect.bottom);
    excludeChildren();
    BitBlt(dc, dstRect.left, dstRect.top, dstRect.right - dstRect.left, dstRect.bottom - dstRect.top, DcOf(cache),
           srcRect.left, srcRect.top, SRCCOPY);
}

} // namespace

void BltCacheExceptChildren(ui::WinControl* control, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX,
                            bool update, HDC dc, const RECT& dstRect)
{
    BltCacheExcept(data, srcRect, update, dc, dstRect, [&] {
        const Rect dst{dstRect.left, dstRect.top, dstRect.right, dstRect.bottom};
        for (int i = 0; control && i < control->ControlCount(); ++i) {
            ui::Control* child = control->Controls(i);
            if (!child || !child->Visible() || PassesSplitterTest(child))
                continue;
            const RECT b = child->BoundsRect();
            const Rect moved{b.left + offsetX, b.top + offsetY, b.right + offsetX, b.bottom + offsetY};
            if (!RectOverlaps(dst, moved))
                continue;
            if (child->HasState(core::csDesigning) || (child->ControlStyle() & ui::csOpaque) ||
                dynamic_cast<ui::GraphicControl*>(child))
                ExcludeClipRect(dc, moved.Left, moved.Top, moved.Right, moved.Bottom);
        }
    });
}

void BltCacheExceptChildWnds(HWND wnd, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX, bool update,
                             HDC dc, const RECT& dstRect)
{
    BltCacheExcept(data, srcRect, update, dc, dstRect, [&] {
        RECT own{};
        GetWindowRect(wnd, &own);
        SkinManager* manager = DefaultManager();
        for (HWND child = wnd ? GetTopWindow(wnd) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child))
                continue;
            RECT c{};
            GetWindowRect(child, &c);
            OffsetRect(&c, -own.left - offsetX, -own.top - offsetY);
            const LONG style = GetWindowLongW(child, GWL_STYLE), exStyle = GetWindowLongW(child, GWL_EXSTYLE);
            if ((style & 7) == BS_GROUPBOX && !(exStyle & WS_EX_CLIENTEDGE) && manager) {
                // A group box shows the parent through its inside: only its frame stays out.
                const int top = int(SendMessageW(child, SM_SKINCMD, SkinWParam(scGetCaptionHeight), 0));
                int wl = 0, wr = 0, wb = 0;
                const int section = manager->GetSkinIndex(u"GROUPBOX");
                const int mask = manager->GetMaskIndex(section, u"GROUPBOX", u"BORDERSMASK");
                if (manager->IsValidImgIndex(mask)) {
                    const MaskData& m = manager->Mask(mask);
                    wl = m.WL, wr = m.WR, wb = m.WB;
                }
                ExcludeClipRect(dc, c.left, c.top, c.right, c.top + top);
                ExcludeClipRect(dc, c.left, c.top, c.left + wl, c.bottom);
                ExcludeClipRect(dc, c.right - wr, c.top, c.right, c.bottom);
                ExcludeClipRect(dc, c.left, c.bottom - wb, c.right, c.bottom);
                continue;
            }
            ExcludeClipRect(dc, c.left, c.top, c.right, c.bottom);
        }
    });
}

} // namespace skin
