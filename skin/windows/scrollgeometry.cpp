// Scroll-bar geometry. MulDiv's rounding and its -1 for a zero divisor are kept on purpose: the
// thumb's clamping relies on them the way the platform's own bars do.
#include "skin/windows/scrollgeometry.h"

#include <algorithm>
#include <climits>

namespace skin {

int MulDivRound(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t p = int64_t(a) * int64_t(b);
    const int64_t d = c;
    const bool negative = (p < 0) != (d < 0);
    const int64_t ap = p < 0 ? -p : p, ad = d < 0 ? -d : d;
    int64_t q = (ap + ad / 2) / ad;
    if (negative)
        q = -q;
    if (q > INT_MAX || q < INT_MIN)
        return -1;
    return int(q);
}

int ScrollMetricOf(int setting, int unit) { return setting >= 0 ? setting : -setting * unit; }

ThumbGeometry ThumbOf(const ScrollRange& si, int start, int extent, int arrow, int minThumb)
{
    const int64_t range = int64_t(si.nMax) - si.nMin + 1;
    const int track = extent - 2 * arrow;
    const int page = int(std::min<unsigned>(si.nPage, unsigned(INT_MAX)));
    ThumbGeometry g;
    if (si.nPage == 0)
        g.length = arrow;
    else if (range > 0)
        g.length = std::max(MulDivRound(page, track, int(std::min<int64_t>(range, INT_MAX))), minThumb);
    int offset = 0;
    if (range > 0) {
        const int64_t divisor = range - std::max(page, 1);
        offset = divisor < INT_MIN || divisor > INT_MAX
                     ? -1
                     : MulDivRound(int(int64_t(si.nPos) - si.nMin), track - g.length, int(divisor));
        offset = std::max(0, std::min(offset, track - g.length));
    }
    g.pos = start + arrow + offset;
    return g;
}

int HitTestBarPart(const ScrollRange& si, int along, int across, int start, int extent, int acrossStart,
                   int acrossEnd, int arrow, int minThumb)
{
    if (across < acrossStart || across >= acrossEnd)
        return spNone;
    const ThumbGeometry thumb = ThumbOf(si, start, extent, arrow, minThumb);
    const int fullArrow = arrow;
    if (2 * arrow >= extent)
        arrow = extent / 2;
    const int end = start + extent;
    if (along >= start && along < start + arrow)
        return spFirstArrow;
    if (along >= end - arrow && along < end)
        return spSecondArrow;
    if (thumb.length >= extent - 2 * fullArrow)
        return spNone;
    if (along >= thumb.pos && along < thumb.pos + thumb.length)
        return spThumb;
    if (along >= start + arrow && along < thumb.pos)
        return spTrackBefore;
    if (along >= thumb.pos + thumb.length && along < end - arrow)
        return spTrackAfter;
    return spNone;
}

bool ThumbFits(const ScrollRange& si, int track, int minThumb, bool vertical, int thumbLength)
{
    const int page = int(std::min<unsigned>(si.nPage, unsigned(INT_MAX)));
    const int64_t span = int64_t(si.nMax) - si.nMin;
    const int fit = std::max(span > INT_MAX ? -1 : MulDivRound(page, track, int(span)), minThumb);
    if (fit > track)
        return false;
    return vertical ? thumbLength > 0 : fit > 0;
}

int DragPosition(const ScrollRange& si, bool vertical, int thumbStart, int trackStart, int trackLength,
                 int thumbLength)
{
    const int range = si.nMax - si.nMin;
    const int offset = thumbStart - trackStart;
    const int room = trackLength - thumbLength;
    const int page = int(std::min<unsigned>(si.nPage, unsigned(INT_MAX)));
    int pos;
    if (range < 1)
        pos = offset;
    else if (vertical && room == offset)
        pos = range - page + 2;
    else
        // A thumb that fills its track cannot move: position 0 rather than MulDiv's -1.
        pos = room <= 0 ? 0 : MulDivRound(offset, range - page + (vertical ? 2 : 1), room);
    return si.nMin + pos;
}

int DragThumbStart(int mouse, int offset, int trackStart, int trackLength, int thumbLength)
{
    int s = std::max(mouse - offset, trackStart);
    return std::min(s, trackStart + trackLength - thumbLength);
}

BarBox HorzBarBox(const BarBox& window, const ScrollEdges& edges, int horzThickness, int vertThickness,
                  bool leftScrollbar)
{
    BarBox r;
    r.bottom = window.bottom - edges.bottom;
    r.top = r.bottom - horzThickness;
    if (leftScrollbar) {
        r.left = window.left + vertThickness + edges.left;
        r.right = window.right - edges.right;
    } else {
        r.left = window.left + edges.left;
        r.right = window.right - vertThickness - edges.right;
    }
    return r;
}

BarBox VertBarBox(const BarBox& window, const ScrollEdges& edges, int horzThickness, int vertThickness,
                  bool leftScrollbar)
{
    BarBox r;
    r.top = window.top + edges.top;
    r.bottom = window.bottom - horzThickness - edges.bottom;
    if (leftScrollbar) {
        r.left = window.left + edges.left;
        r.right = r.left + vertThickness;
    } else {
        r.right = window.right - edges.right;
        r.left = r.right - vertThickness;
    }
    return r;
}

ClientSplit SplitClientForBars(const BarBox& client, bool horzStyle, bool vertStyle, int horzThickness,
                               int vertThickness, bool leftScrollbar)
{
    ClientSplit s;
    s.client = client;
    const int width = client.right - client.left;
    if (horzStyle && horzThickness <= client.bottom - client.top) {
        s.client.bottom -= horzThickness;
        s.horzVisible = true;
    }
    if (vertStyle && vertThickness <= width) {
        if (leftScrollbar)
            s.client.left += vertThickness;
        else
            s.client.right -= vertThickness;
        s.vertVisible = true;
    }
    return s;
}

} // namespace skin
