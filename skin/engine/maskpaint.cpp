// Pixel routines of the mask, frame, texture and corner painters, and the arithmetic of section
// backgrounds and glyph layout.
#include "skin/engine/maskpaint.h"

#include <algorithm>

namespace skin {

namespace {

constexpr uint32_t kKey = 0xFF00FF;

int Bpp(const ui::PixelView& v)
{
    if (!v.Valid())
        return 0;
    return v.Format() == ui::pf24bit ? 3 : v.Format() == ui::pf32bit ? 4 : 0;
}

uint32_t Rgb(const uint8_t* p) { return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16; }

void PutColor(uint8_t* d, int ds, uint32_t color, bool opaque)
{
    d[0] = uint8_t(color >> 16);
    d[1] = uint8_t(color >> 8);
    d[2] = uint8_t(color);
    if (ds == 4)
        d[3] = opaque ? 0xFF : uint8_t(color >> 24);
}

void Mix(uint8_t* d, const uint8_t* s, const uint8_t* m, int add = 0)
{
    for (int i = 0; i < 3; ++i)
        d[i] = MaskMix(s[i], d[i], std::min(m[i] + add, 255));
}

// Cuts an inclusive source rectangle to the view.
Rect CutInclusive(Rect r, const ui::PixelView& v)
{
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, v.Width() - 1);
    r.Bottom = std::min(r.Bottom, v.Height() - 1);
    return r;
}

Rect Inclusive(const Rect& r) { return Rect{r.Left, r.Top, r.Right - 1, r.Bottom - 1}; }

const PaintBg& NoBg()
{
    static const PaintBg bg{};
    return bg;
}

// Walks one frame piece: corners leave key pixels (and report their runs), edges and the centre take
// every pixel; masked pieces go through the mask formula, plain ones are copied.
void WalkFramePiece(const ui::PixelView& dst, const ui::PixelView& src, const Rect& d, const Rect& s, bool masked,
                    int maskOffset, bool corner, std::vector<Rect>* runs)
{
    const int ds = Bpp(dst);
    if (ds == 0 || src.Format() != ui::pf24bit || !src.Valid())
        return;
    CopySpan span;
    const int srcRows = src.Height() - (masked ? maskOffset : 0);
    if (!ClipCopySpan(d, s, dst.Width(), dst.Height(), src.Width(), srcRows, span))
        return;
    for (int row = 0; row < span.Height; ++row) {
        const int dy = span.DstY + row;
        const uint8_t* sp = src.Row(span.SrcY + row) + ptrdiff_t(span.SrcX) * 3;
        const uint8_t* mp = masked ? src.Row(span.SrcY + row + maskOffset) + ptrdiff_t(span.SrcX) * 3 : nullptr;
        uint8_t* dp = dst.Row(dy) + ptrdiff_t(span.DstX) * ds;
        int runStart = -1;
        for (int col = 0; col < span.Width; ++col, sp += 3, dp += ds) {
            const bool key = corner && Rgb(sp) == kKey;
            if (key) {
                if (runStart < 0)
                    runStart = span.DstX + col;
                continue;
            }
            if (runStart >= 0 && runs)
                runs->push_back(Rect{runStart, dy, span.DstX + col, dy + 1});
            runStart = -1;
            if (masked)
                Mix(dp, sp, mp + ptrdiff_t(col) * 3);
            else
                dp[0] = sp[0], dp[1] = sp[1], dp[2] = sp[2];
            if (ds == 4)
                dp[3] = 0xFF;
        }
        if (runStart >= 0 && runs)
            runs->push_back(Rect{runStart, dy, span.DstX + span.Width, dy + 1});
    }
}

// Plain pixels copied (or scaled to the nearest source pixel) without the platform's block copies.
void CopyBlockPixels(const ui::PixelView& dst, const ui::PixelView& src, const Rect& d, const Rect& s, bool stretch)
{
    const int dw = RectWidth(d, true), dh = RectHeight(d, true), sw = RectWidth(s, true), sh = RectHeight(s, true);
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0)
        return;
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            const int sx = s.Left + (stretch ? x * sw / dw : x), sy = s.Top + (stretch ? y * sh / dh : y);
            if (!stretch && (x >= sw || y >= sh))
                continue;
            if (src.Contains(sx, sy) && dst.Contains(d.Left + x, d.Top + y))
                ui::PixelView(dst).WritePixel(d.Left + x, d.Top + y,
                               (dst.Format() == ui::pf32bit ? 0xFF000000u : 0u) | (src.ReadPixel(sx, sy) & 0xFFFFFF));
        }
}

void FillBgRect(const ui::PixelView& dst, const Rect& r, const PaintBg& bg)
{
    const int ds = Bpp(dst);
    if (ds == 0)
        return;
    const int left = std::max(r.Left, 0), top = std::max(r.Top, 0);
    const int right = std::min(r.Right, dst.Width()), bottom = std::min(r.Bottom, dst.Height());
    for (int y = top; y < bottom; ++y) {
        uint8_t* d = dst.Row(y) + ptrdiff_t(left) * ds;
        for (int x = left; x < right; ++x, d += ds) {
            if (bg.Ready)
                PutBackgroundPixel(bg, x, y, d, ds == 4);
            else
                PutColor(d, ds, bg.FillColor, true);
        }
    }
}

} // namespace

// ---- Pieces ----

void CopyMaskedPiece(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const ui::PixelView& src,
                     const PaintBg& bg, bool updateCorners, int maskOffset)
{
    const int ds = Bpp(dst);
    if (ds == 0 || src.Format() != ui::pf24bit || !src.Valid() || maskOffset < 0)
        return;
    CopySpan span;
    if (!ClipCopySpan(dstRect, srcRect, dst.Width(), dst.Height(), src.Width(), src.Height() - maskOffset, span))
        return;
    const bool opaqueBg = bg.Ready && updateCorners && ds == 4 && bg.View.Format() == ui::pf32bit;
    for (int row = 0; row < span.Height; ++row) {
        const int dy = span.DstY + row;
        const uint8_t* s = src.Row(span.SrcY + row) + ptrdiff_t(span.SrcX) * 3;
        const uint8_t* m = src.Row(span.SrcY + row + maskOffset) + ptrdiff_t(span.SrcX) * 3;
        uint8_t* d = dst.Row(dy) + ptrdiff_t(span.DstX) * ds;
        for (int col = 0; col < span.Width; ++col, s += 3, m += 3, d += ds) {
            const bool key = Rgb(s) == kKey;
            if (key && updateCorners) {
                if (bg.Ready)
                    PutBackgroundPixel(bg, span.DstX + col, dy, d, opaqueBg);
                else
                    PutColor(d, ds, bg.FillColor, false);
                continue;
            }
            if (key && !bg.Ready)
                continue;
            Mix(d, s, m);
            if (opaqueBg)
                d[3] = 0xFF;
        }
    }
}

void CopyKeyedPiece(const ui::PixelView& dst, const ui::PixelView& src, int x, int y, bool updateCorners,
                    const PaintBg& bg, bool dstIsBg, uint32_t keyColor, Rect srcRect)
{
    const int ds = Bpp(dst), ss = Bpp(src);
    if (ds == 0 || ss == 0 || (ss == 4 && ds != 4))
        return;
    srcRect = CutInclusive(srcRect, src);
    const bool fromBg = updateCorners && bg.Ready && bg.View.Valid();
    keyColor &= 0xFFFFFF;
    for (int j = 0; j <= srcRect.Bottom - srcRect.Top; ++j) {
        const int dy = y + j;
        if (dy < 0 || dy >= dst.Height())
            continue;
        const uint8_t* s = src.Row(srcRect.Top + j) + ptrdiff_t(srcRect.Left) * ss;
        for (int i = 0; i <= srcRect.Right - srcRect.Left; ++i, s += ss) {
            const int dx = x + i;
            if (dx < 0 || dx >= dst.Width())
                continue;
            uint8_t* d = dst.Row(dy) + ptrdiff_t(dx) * ds;
            if (Rgb(s) == keyColor) {
                if (fromBg) {
                    if (!dstIsBg)
                        PutBackgroundPixel(bg, dx, dy, d, ds == 4);
                } else if (!bg.Ready) {
                    PutColor(d, ds, bg.FillColor, ss == 3);
                }
                continue;
            }
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
            if (ds == 4)
                d[3] = ss == 4 ? s[3] : 0xFF;
        }
    }
}

void CopyKeyedRect(const ui::PixelView& dst, const ui::PixelView& src, int x, int y, uint32_t keyColor, Rect srcRect)
{
    if (Bpp(dst) != 3 || Bpp(src) != 3)
        return;
    srcRect = CutInclusive(srcRect, src);
    keyColor &= 0xFFFFFF;
    for (int j = 0; j <= srcRect.Bottom - srcRect.Top; ++j) {
        const int dy = y + j;
        if (dy < 0 || dy >= dst.Height())
            continue;
        const uint8_t* s = src.Row(srcRect.Top + j) + ptrdiff_t(srcRect.Left) * 3;
        for (int i = 0; i <= srcRect.Right - srcRect.Left; ++i, s += 3) {
            const int dx = x + i;
            if (dx < 0 || dx >= dst.Width() || Rgb(s) == keyColor)
                continue;
            uint8_t* d = dst.Row(dy) + ptrdiff_t(dx) * 3;
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
        }
    }
}

void CopyMaskedGlyph(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const MaskData& m, int mode,
                     uint32_t keyColor, const ui::PixelView& src)
{
    if (m.MaskType <= 0) {
        CopyKeyedRect(dst, src, dstRect.Left, dstRect.Top, keyColor, srcRect);
        return;
    }
    const int ds = Bpp(dst);
    if (ds == 0 || Bpp(src) != 3)
        return;
    const int sh = MaskStateHeight(m);
    int rows = std::min(dstRect.Bottom - dstRect.Top, srcRect.Bottom - srcRect.Top) + 1;
    int cols = std::min(dstRect.Right - dstRect.Left, srcRect.Right - srcRect.Left) + 1;
    int dx0 = dstRect.Left, dy0 = dstRect.Top, sx0 = srcRect.Left, sy0 = srcRect.Top;
    const int shiftX = std::max({-dx0, -sx0, 0}), shiftY = std::max({-dy0, -sy0, 0});
    dx0 += shiftX, sx0 += shiftX, cols -= shiftX;
    dy0 += shiftY, sy0 += shiftY, rows -= shiftY;
    rows = std::min({rows, dst.Height() - dy0, src.Height() - sh - sy0});
    if (m.ImageCount < 1)
        rows = std::min(rows, sh);
    cols = std::min({cols, dst.Width() - dx0, src.Width() - sx0});
    const int add = mode == 1 ? 0 : 100;
    keyColor &= 0xFFFFFF;
    for (int j = 0; j < rows; ++j) {
        const uint8_t* s = src.Row(sy0 + j) + ptrdiff_t(sx0) * 3;
        const uint8_t* mk = src.Row(sy0 + j + sh) + ptrdiff_t(sx0) * 3;
        uint8_t* d = dst.Row(dy0 + j) + ptrdiff_t(dx0) * ds;
        for (int i = 0; i < cols; ++i, s += 3, mk += 3, d += ds) {
            if (Rgb(s) == keyColor)
                continue;
            Mix(d, s, mk, add);
            if (ds == 4)
                d[3] = 0xFF;
        }
    }
}

void MaskGlyphRects(const MaskData& m, int state, int x, int y, Rect& src, Rect& dst)
{
    const int iw = MaskImageWidth(m), ih = MaskStateHeight(m);
    const int s = std::max(std::min(state, m.ImageCount - 1), 0);
    const int sx = s * iw, dx = x < 0 ? -x : 0, dy = y < 0 ? -y : 0;
    // The cut columns and rows are dropped, not replaced by those past the image's far edges (which
    // belong to the next state's image or to the mask).
    src = Rect{m.R.Left + sx + dx, m.R.Top + dy, m.R.Left + sx + iw - 1, m.R.Top + ih - 1};
    dst = Rect{x + dx, y + dy, x + iw - 1, y + ih - 1};
}

void GrayBmp24(const ui::PixelView& bmp)
{
    if (Bpp(bmp) != 3)
        return;
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* p = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x, p += 3)
            p[0] = p[1] = p[2] = uint8_t((p[0] + p[1] + p[2]) / 3);
    }
}

// ---- Nine slices ----

void ShrinkBorders(int size, int& a, int& b)
{
    if (size >= a + b)
        return;
    const int d = (a + b - size) / 2;
    a -= d;
    b -= d;
    if (size % 2 != 0)
        --b;
    a = std::max(a, 0);
    b = std::max(b, 0);
}

std::vector<MaskPiece> PlanMaskRect(const Rect& r, const MaskData& m, int state, bool filling, bool frame)
{
    std::vector<MaskPiece> pieces;
    const int w = RectWidth(r), h = RectHeight(r);
    if ((!frame && state == 0 && (m.DrawMode & 2)) || w < 2 || h < 2 || !m.Manager || m.ImageCount <= 0)
        return pieces;
    int wl = m.WL, wt = m.WT, wr = m.WR, wb = m.WB;
    ShrinkBorders(w, wl, wr);
    ShrinkBorders(h, wt, wb);
    const int s = std::max(std::min(state, m.ImageCount - 1), 0);
    const int iw = MaskImageWidth(m), ih = MaskStateHeight(m);
    const int sx = m.R.Left + s * iw, sy = m.R.Top;
    const int innerL = frame ? m.WL : wl, innerT = frame ? m.WT : wt;
    const int cw = std::max(iw - innerL - (frame ? m.WR : wr), 0), ch = std::max(ih - innerT - (frame ? m.WB : wb), 0);
    const int cx = sx + innerL, cy = sy + innerT;
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    const MaskPiece tl{{L, T, L + wl, T + wt}, {sx, sy, sx + wl, sy + wt}, MaskPiece::Corner};
    const MaskPiece le{{L, T + wt, L + wl, B - wb}, {sx, cy, sx + wl, cy + ch}, MaskPiece::Edge};
    const MaskPiece te{{L + wl, T, R - wr, T + wt}, {cx, sy, cx + cw, sy + wt}, MaskPiece::Edge};
    const MaskPiece bl{{L, B - wb, L + wl, B}, {sx, sy + ih - wb, sx + wl, sy + ih}, MaskPiece::Corner};
    const MaskPiece be{{L + wl, B - wb, R - wr, B}, {cx, sy + ih - wb, cx + cw, sy + ih}, MaskPiece::Edge};
    const MaskPiece br{{R - wr, B - wb, R, B}, {sx + iw - wr, sy + ih - wb, sx + iw, sy + ih}, MaskPiece::Corner};
    const MaskPiece tr{{R - wr, T, R, T + wt}, {sx + iw - wr, sy, sx + iw, sy + wt}, MaskPiece::Corner};
    const MaskPiece re{{R - wr, T + wt, R, B - wb}, {sx + iw - wr, cy, sx + iw, cy + ch}, MaskPiece::Edge};
    const MaskPiece ce{{L + wl, T + wt, R - wr, B - wb}, {cx, cy, cx + cw, cy + ch}, MaskPiece::Centre};
    if (frame)
        pieces = {tl, bl, le, te, be, re, br, tr};
    else
        pieces = {tl, le, te, bl, be, br, tr, re};
    if (filling && (m.DrawMode & 4))
        pieces.push_back(ce);
    std::erase_if(pieces, [](const MaskPiece& p) { return RectWidth(p.Dst) <= 0 || RectHeight(p.Dst) <= 0; });
    return pieces;
}

std::vector<TileRun> TileRuns(int start, int end, int len)
{
    std::vector<TileRun> runs;
    if (len < 1)
        return runs;
    int pos = start;
    for (; pos + len < end; pos += len)
        runs.push_back({pos, len});
    if (pos < end)
        runs.push_back({pos, end - pos});
    return runs;
}

void ForEachTile(const Rect& dst, const Rect& src, const std::function<void(const Rect&, const Rect&)>& put)
{
    const auto xs = TileRuns(dst.Left, dst.Right, RectWidth(src));
    const auto ys = TileRuns(dst.Top, dst.Bottom, RectHeight(src));
    for (const TileRun& x : xs)
        for (const TileRun& y : ys)
            put(Rect{x.Pos, y.Pos, x.Pos + x.Len, y.Pos + y.Len},
                Rect{src.Left, src.Top, src.Left + x.Len, src.Top + y.Len});
}

void PaintMaskRectPixels(const ui::PixelView& dst, const ui::PixelView& src, const Rect& r, const MaskData& m, int state,
                         bool filling, const PaintBg& bg, bool updateCorners, bool dstIsBg,
                         const std::function<void(const Rect& dst, const Rect& src, bool stretch)>& plainBlock)
{
    const int off = MaskStateHeight(m);
    const bool masked = m.MaskType > 0;
    const bool stretch = (m.DrawMode & 1) != 0;
    for (const MaskPiece& p : PlanMaskRect(r, m, state, filling)) {
        if (masked) {
            if (p.kind == MaskPiece::Corner)
                CopyMaskedPiece(p.Dst, p.Src, dst, src, bg, updateCorners, off);
            else
                ForEachTile(p.Dst, p.Src, [&](const Rect& d, const Rect& s) {
                    CopyMaskedPiece(d, s, dst, src, NoBg(), false, off);
                });
        } else if (p.kind == MaskPiece::Corner) {
            CopyKeyedPiece(dst, src, p.Dst.Left, p.Dst.Top, updateCorners, bg, dstIsBg, kKey, Inclusive(p.Src));
        } else if (stretch) {
            if (plainBlock)
                plainBlock(p.Dst, p.Src, true);
            else
                CopyBlockPixels(dst, src, p.Dst, p.Src, true);
        } else {
            ForEachTile(p.Dst, p.Src, [&](const Rect& d, const Rect& s) {
                if (plainBlock)
                    plainBlock(d, s, false);
                else
                    CopyBlockPixels(dst, src, d, s, false);
            });
        }
    }
}

void PaintMaskFramePixels(const ui::PixelView& dst, const ui::PixelView& src, MaskData m, int state, bool filling,
                          std::vector<Rect>* keyRuns,
                          const std::function<void(const Rect& dst, const Rect& src)>& stretchBlock)
{
    if (dst.Width() <= 1 || dst.Height() <= 1 || !m.Manager)
        return;
    if (m.ImageCount < 1) {
        m.ImageCount = 1;
        m.R = Rect{0, 0, src.Width(), src.Height()};
    }
    const bool masked = m.MaskType == 1;
    const int off = RectHeight(m.R) / 2;
    const bool stretch = !masked && (m.DrawMode & 1);
    for (const MaskPiece& p : PlanMaskRect(Rect{0, 0, dst.Width(), dst.Height()}, m, state, filling, true)) {
        if (p.kind == MaskPiece::Corner) {
            WalkFramePiece(dst, src, p.Dst, p.Src, masked, off, true, keyRuns);
        } else if (stretch) {
            if (stretchBlock)
                stretchBlock(p.Dst, p.Src);
            else
                CopyBlockPixels(dst, src, p.Dst, p.Src, true);
        } else {
            ForEachTile(p.Dst, p.Src,
                        [&](const Rect& d, const Rect& s) { WalkFramePiece(dst, src, d, s, masked, off, false, nullptr); });
        }
    }
}

// ---- Corners ----

void RestoreCornerPixels(const ui::PixelView& cache, const ui::PixelView& src, const MaskData& m, int state,
                         unsigned corners, const PaintBg& bg)
{
    const int cs = Bpp(cache);
    if (cs == 0 || Bpp(src) != 3 || m.ImageCount <= 0)
        return;
    const int w = RectWidth(m.R);
    const int sx = std::max(std::min(state, m.ImageCount - 1), 0) * w / m.ImageCount;
    const int sh = RectHeight(m.R) / (m.MaskType + 1);
    const int cw = MaskImageWidth(m) - m.WL - m.WR;
    const int W = cache.Width(), H = cache.Height();
    struct Corner {
        unsigned bit;
        int srcX, srcY, width, height, dstX, dstY;
    };
    const Corner list[] = {
        {1, sx, 0, m.WL, m.WT, 0, 0},
        {2, sx, sh - m.WB, m.WL, m.WB, 0, H - m.WB},
        {8, sx + m.WL + cw, sh - m.WB, m.WR, m.WB, W - m.WR, H - m.WB},
        {4, sx + m.WL + cw, 0, m.WR, m.WT, W - m.WR, 0},
    };
    for (const Corner& c : list) {
        if (!(corners & c.bit))
            continue;
        for (int j = 0; j < c.height; ++j)
            for (int i = 0; i < c.width; ++i) {
                const int px = m.R.Left + c.srcX + i, py = m.R.Top + c.srcY + j;
                const int dx = c.dstX + i, dy = c.dstY + j;
                if (!src.Contains(px, py) || !cache.Contains(dx, dy) || (src.ReadPixel(px, py) & 0xFFFFFF) != kKey)
                    continue;
                uint8_t* d = cache.PixelAddress(dx, dy);
                if (bg.Ready)
                    PutBackgroundPixel(bg, dx, dy, d, cs == 4);
                else if (m.MaskType != 0 || bg.FillColor != kKey)
                    PutColor(d, cs, bg.FillColor, true);
            }
    }
}

PixelPos KeyCornerOrigin(const MaskData& m, int cornerCode)
{
    PixelPos p{m.R.Left, m.R.Top};
    if (cornerCode == 14 || cornerCode == 17)
        p.X += MaskImageWidth(m) - m.WR;
    if (cornerCode == 16 || cornerCode == 17)
        p.Y += MaskStateHeight(m) - m.WB;
    return p;
}

void ReplaceKeyColorPixels(const ui::PixelView& dst, const ui::PixelView& src, const Rect& dstRect, const Rect& srcRect,
                           const ui::PixelView* maskSrc, PixelPos origin)
{
    if (Bpp(dst) != 4 || Bpp(src) != 4)
        return;
    const int w = RectWidth(dstRect, true), h = RectHeight(dstRect, true);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int dx = dstRect.Left + i, dy = dstRect.Top + j;
            if (!dst.Contains(dx, dy))
                continue;
            bool key;
            if (maskSrc)
                key = maskSrc->Contains(origin.X + i, origin.Y + j) &&
                      (maskSrc->ReadPixel(origin.X + i, origin.Y + j) & 0xFFFFFF) == kKey;
            else
                key = (dst.ReadPixel(dx, dy) & 0xFFFFFF) == kKey;
            const int sx = srcRect.Left + i, sy = srcRect.Top + j;
            if (key && src.Contains(sx, sy))
                ui::PixelView(dst).WritePixel(dx, dy, src.ReadPixel(sx, sy));
        }
}

void AddCornerKeyRects(std::vector<Rect>& aor, int width, const MaskData& m, const ui::PixelView& src, bool bottom, int y)
{
    if (!m.Manager || !src.Valid())
        return;
    const int iw = MaskImageWidth(m);
    const int rows = bottom ? m.WB : m.WT;
    const int row0 = m.R.Top + (bottom ? MaskStateHeight(m) - m.WB : 0);
    if (row0 < 0 || row0 + rows > src.Height())
        return;
    struct Side {
        int first, last, shift;
    };
    const Side sides[] = {{0, m.WL - 1, 0}, {iw - m.WR, iw - 1, width - iw}};
    for (const Side& side : sides)
        for (int r = 0; r < rows; ++r) {
            int runStart = -1;
            for (int c = side.first; c <= side.last + 1; ++c) {
                bool key = false;
                if (c <= side.last) {
                    const int px = m.R.Left + c;
                    if (px < 0 || px >= src.Width())
                        return; // a corner outside the picture ends the list quietly
                    key = (src.ReadPixel(px, row0 + r) & 0xFFFFFF) == kKey;
                }
                if (key && runStart < 0)
                    runStart = c;
                if (!key && runStart >= 0) {
                    aor.push_back(Rect{runStart + side.shift, y + r, c + side.shift, y + r + 1});
                    runStart = -1;
                }
            }
        }
}

// ---- Textures ----

void CopyMaskedTile(const Rect& dstRect, const Rect& srcRect, const ui::PixelView& dst, const ui::PixelView& src,
                    const PaintBg& bg)
{
    const int ds = Bpp(dst);
    if (ds == 0 || Bpp(src) != 3)
        return;
    const int off = RectHeight(srcRect) / 2;
    const Rect image{srcRect.Left, srcRect.Top, srcRect.Right, srcRect.Top + off};
    CopySpan span;
    if (!ClipCopySpan(dstRect, image, dst.Width(), dst.Height(), src.Width(), src.Height() - off, span))
        return;
    for (int row = 0; row < span.Height; ++row) {
        const int dy = span.DstY + row;
        const uint8_t* s = src.Row(span.SrcY + row) + ptrdiff_t(span.SrcX) * 3;
        const uint8_t* m = src.Row(span.SrcY + row + off) + ptrdiff_t(span.SrcX) * 3;
        uint8_t* d = dst.Row(dy) + ptrdiff_t(span.DstX) * ds;
        for (int col = 0; col < span.Width; ++col, s += 3, m += 3, d += ds) {
            if (Rgb(s) != kKey) {
                Mix(d, s, m);
                if (ds == 4)
                    d[3] = 0xFF;
            } else if (bg.Ready) {
                PutBackgroundPixel(bg, span.DstX + col, dy, d, ds == 4);
            } else if (bg.FillColor != kKey) {
                PutColor(d, ds, bg.FillColor, true);
            }
        }
    }
}

void PaintMaskedTexture(const ui::PixelView& dst, Rect& r, const PaintBg& bg, int mode, const MaskData& m,
                        const ui::PixelView& src)
{
    if (!m.Manager || (mode != 0 && mode != 10))
        return;
    const int w = RectWidth(m.R) / std::max<int>(m.ImageCount, 1), h = RectHeight(m.R) / 2;
    if (w >= 1 && h >= 1) {
        const Rect tile{m.R.Left, m.R.Top, m.R.Left + w, m.R.Top + 2 * h};
        int x = r.Left;
        // Mode 0 covers the whole area (its last row and column shortened); mode 10 lays full tiles only
        // and shows the background around them.
        const int rowEnd = mode == 0 ? r.Bottom : r.Bottom - h;
        int yEnd = r.Top;
        for (; x < r.Right - w; x += w)
            for (int y = r.Top; y < rowEnd; y += h) {
                CopyMaskedTile(Rect{x, y, x + w, std::min(y + h, r.Bottom)}, tile, dst, src, bg);
                yEnd = y + h;
            }
        if (mode == 0) {
            for (int y = r.Top; y < rowEnd; y += h)
                CopyMaskedTile(Rect{x, y, r.Right, std::min(y + h, r.Bottom)}, tile, dst, src, bg);
        } else {
            if (x == r.Left)
                for (int y = r.Top; y < rowEnd; y += h)
                    yEnd = y + h;
            FillBgRect(dst, Rect{r.Left, yEnd, x, r.Bottom}, bg);
            FillBgRect(dst, Rect{x, r.Top, r.Right, r.Bottom}, bg);
        }
    }
    r = Rect{-1, -1, -1, -1};
}

bool PlanTexture(Rect& r, int mode, int w, int h, std::vector<TextureBlock>& blocks)
{
    if (!((mode >= 0 && mode <= 7) || mode == 10))
        return false;
    const Rect none{-1, -1, -1, -1};
    const Rect whole{0, 0, w, h};
    if (w < 1 || h < 1)
        return true;
    auto tiles = [&](const Rect& area) {
        ForEachTile(area, whole, [&](const Rect& d, const Rect& s) { blocks.push_back({d, s, false}); });
    };
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    switch (mode) {
    case 0:
        tiles(r);
        r = none;
        break;
    case 1:
        blocks.push_back({r, whole, true});
        r = none;
        break;
    case 4:
        blocks.push_back({Rect{L, T, R, T + h}, whole, true});
        r = Rect{L, T + h, R, B};
        break;
    case 5:
        blocks.push_back({Rect{L, T, L + w, B}, whole, true});
        r = Rect{L + w, T, R, B};
        break;
    case 10: {
        int rowsEnd = T;
        while (rowsEnd + h <= B)
            rowsEnd += h;
        tiles(Rect{L, T, R, rowsEnd});
        r = none;
        break;
    }
    case 2:
        tiles(Rect{L, T, R, std::min(T + h, B)});
        r = Rect{L, T + h, R, B};
        break;
    case 3:
        tiles(Rect{L, T, std::min(L + w, R), B});
        r = Rect{L + w, T, R, B};
        break;
    case 6:
        tiles(Rect{L, std::max(B - h, T), R, B});
        r = Rect{L, T, R, B - h};
        break;
    case 7:
        tiles(Rect{std::max(R - w, L), T, R, B});
        r = Rect{L, T, R - w, B};
        break;
    }
    return true;
}

// ---- Section backgrounds ----

SectionValues SectionValuesOf(const SectionData& s, int state, uint32_t customColor)
{
    SectionValues v;
    if (customColor != kKey) {
        v.Color = customColor;
        return v;
    }
    const bool hot = state != 0;
    v.Color = hot ? s.HotColor : s.Color;
    v.T = hot ? s.HotTransparency : s.Transparency;
    v.IP = hot ? s.HotImagePercent : s.ImagePercent;
    v.GP = hot ? s.HotGradientPercent : s.GradientPercent;
    if (v.T == 100)
        v.IP = v.GP = 0;
    if (v.GP != 0) {
        v.GradientData = hot ? &s.HotGradientData : &s.GradientData;
        v.GradientArray = hot ? &s.HotGradientArray : &s.GradientArray;
    }
    return v;
}

uint8_t BgWeight(int t) { return uint8_t(std::clamp(t * 255 / 100, 0, 255)); }
uint8_t TextureWeight(int ip) { return uint8_t(std::clamp(ip * 255 / 100, 0, 255)); }
uint8_t TextureWeightByIndex(int ip) { return uint8_t(std::clamp(ip * 256 / 100, 0, 255)); }

ColourShare ColourShareOf(int s, bool byIndex)
{
    if (s >= 1 && s <= 99)
        return ColourShare::Blend;
    if (byIndex)
        return s == 100 ? ColourShare::Keep : ColourShare::Fill;
    return s >= 100 ? ColourShare::Keep : ColourShare::Fill;
}

// ---- Glyph layout ----

void CalcGlyphLayout(const Rect& client, PixelPos glyphSize, PixelPos textSize, TButtonLayout layout, int alignment,
                     int margin, int spacing, PixelPos& glyphPos, Rect& textBounds, int biDiFlags)
{
    constexpr int kCenter = 2, kLeft = 0, kRight = 1;
    if (biDiFlags & 2) {
        if (layout == blGlyphLeft)
            layout = blGlyphRight;
        else if (layout == blGlyphRight)
            layout = blGlyphLeft;
    }
    const int W = RectWidth(client), H = RectHeight(client);
    const int gx = glyphSize.X, gy = glyphSize.Y, tx = textSize.X, ty = textSize.Y;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    PixelPos textPos;
    glyphPos = PixelPos{};
    textBounds = Rect{0, 0, tx, ty};
    if (horizontal) {
        glyphPos.Y = (H - gy + 1) / 2;
        textPos.Y = (H - ty + 1) / 2;
    } else {
        glyphPos.X = (W - gx + 1) / 2;
        textPos.X = (W - tx + 1) / 2;
    }
    if (tx == 0 || gx == 0)
        spacing = 0;
    const int axis = horizontal ? W : H, g = horizontal ? gx : gy, t = horizontal ? tx : ty;
    if (margin == -1 && spacing < 0) {
        margin = (axis - g - t) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = alignment == kCenter ? (axis - g - spacing - t + 1) / 2 : 2;
    } else if (spacing < 0) {
        spacing = (axis - margin - g - t) / 2;
    }
    // Side by side: the first part (size a) left of the second (size b), placed by the alignment.
    const auto sideBySide = [&](int& first, int a, int& second, int b) {
        if (alignment == kLeft) {
            first = margin;
            second = margin + a + spacing;
        } else if (alignment == kRight) {
            second = W - margin - b;
            first = second - spacing - a;
        } else {
            first = (W - a - spacing - b) / 2;
            second = first + spacing + a;
        }
    };
    switch (layout) {
    case blGlyphLeft:
        sideBySide(glyphPos.X, gx, textPos.X, tx);
        break;
    case blGlyphRight:
        sideBySide(textPos.X, tx, glyphPos.X, gx);
        break;
    case blGlyphTop:
        glyphPos.Y = (H - gy - spacing - ty) / 2;
        textPos.Y = glyphPos.Y + gy + spacing;
        break;
    case blGlyphBottom:
        glyphPos.Y = H - gy - (H - gy - spacing - ty) / 2;
        textPos.Y = glyphPos.Y - spacing - ty;
        break;
    }
    glyphPos.X += client.Left;
    glyphPos.Y += client.Top;
    const int ox = client.Left + textPos.X, oy = client.Top + textPos.Y;
    textBounds = Rect{textBounds.Left + ox, textBounds.Top + oy, textBounds.Right + ox, textBounds.Bottom + oy};
}

std::vector<FrameDot> DotFramePoints(const Rect& r)
{
    std::vector<FrameDot> dots;
    for (int i = 0; i <= RectWidth(r) / 3; ++i) {
        const int x = r.Left + 3 * i;
        dots.push_back({x, r.Top, false});
        dots.push_back({x, r.Bottom, false});
        dots.push_back({x - 1, r.Top - 1, true});
        dots.push_back({x - 1, r.Bottom - 1, true});
    }
    for (int j = 0; j <= RectHeight(r) / 3; ++j) {
        const int y = r.Top + 3 * j;
        dots.push_back({r.Left, y, false});
        dots.push_back({r.Right, y, false});
        dots.push_back({r.Left - 1, y - 1, true});
        dots.push_back({r.Right - 1, y - 1, true});
    }
    return dots;
}

} // namespace skin
