// Geometry of a skinned scroll bar, free of the platform: thumb length and start, which part of the
// bar lies under a point, the arrow and bar sizes a bar asks for, and the scroll position that a
// dragged thumb stands for. Positions along a bar are in whatever coordinates its span is given in.
#pragma once

#include <cstdint>

namespace skin {

// Parts of a bar; the codes double as the scroll codes sent while they are pressed.
enum ScrollPart : int {
    spNone = -1,
    spFirstArrow = 0,  // left or top arrow (SB_LINEUP)
    spSecondArrow = 1, // right or bottom arrow (SB_LINEDOWN)
    spTrackBefore = 2, // track between the first arrow and the thumb (SB_PAGEUP)
    spTrackAfter = 3,  // track between the thumb and the second arrow (SB_PAGEDOWN)
    spThumb = 5,       // SB_THUMBTRACK while dragged
};

// The scroll information of one bar as the platform reports it.
struct ScrollRange {
    int nMin = 0, nMax = 0;
    unsigned nPage = 0;
    int nPos = 0;
};

// The platform's MulDiv: a * b / c rounded half away from zero; -1 for a zero divisor or a result
// that does not fit 32 bits.
int MulDivRound(int a, int b, int c);

// Arrow length along a bar (metric 0) or bar thickness (metric 1) from a bar's setting: 0 or more is
// pixels, -n is n times unit.
int ScrollMetricOf(int setting, int unit);

struct ThumbGeometry {
    int length = 0;
    int pos = 0; // start of the thumb, in the span's coordinates
};
// The thumb of a bar whose span along its axis starts at start and is extent long; arrow is the
// arrow length, minThumb the smallest thumb length.
ThumbGeometry ThumbOf(const ScrollRange& si, int start, int extent, int arrow, int minThumb);

// The part at position along (the bar's axis) and across (the other axis) of a bar spanning
// [start, start + extent) along and [acrossStart, acrossEnd) across. A bar of two arrows only is
// split into two halves; a thumb that fills the track leaves neither thumb nor track to hit.
int HitTestBarPart(const ScrollRange& si, int along, int across, int start, int extent, int acrossStart,
                   int acrossEnd, int arrow, int minThumb);

// Whether the painters draw the thumb: the fit length max(MulDiv(nPage, track, nMax - nMin), minThumb)
// must not exceed the track; horizontal bars also need a positive fit, vertical ones a positive
// thumb length.
bool ThumbFits(const ScrollRange& si, int track, int minThumb, bool vertical, int thumbLength);

// The scroll position that a dragged thumb starting at thumbStart stands for, counted from nMin; the
// track spans [trackStart, trackStart + trackLength). The vertical bar's last position is one above
// the horizontal bar's.
int DragPosition(const ScrollRange& si, bool vertical, int thumbStart, int trackStart, int trackLength,
                 int thumbLength);

// Where a dragged thumb may start for a mouse position: mouse - offset kept within the track.
int DragThumbStart(int mouse, int offset, int trackStart, int trackLength, int thumbLength);

// ---- Bars around a window (screen or window coordinates) ----
struct BarBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct ScrollEdges {
    int left = 0, top = 0, right = 0, bottom = 0; // the window's own non-client edges
};
// Rectangles of the horizontal and vertical bar of a window rectangle; a thickness of 0 stands for
// a hidden bar.
BarBox HorzBarBox(const BarBox& window, const ScrollEdges& edges, int horzThickness, int vertThickness,
                  bool leftScrollbar);
BarBox VertBarBox(const BarBox& window, const ScrollEdges& edges, int horzThickness, int vertThickness,
                  bool leftScrollbar);

// The client rectangle left by the two bars of the non-client size calculation: each bar is shown
// (and its flag set) only when its style is set and its thickness fits the client size.
struct ClientSplit {
    BarBox client;
    bool horzVisible = false, vertVisible = false;
};
ClientSplit SplitClientForBars(const BarBox& client, bool horzStyle, bool vertStyle, int horzThickness,
                               int vertThickness, bool leftScrollbar);

} // namespace skin
