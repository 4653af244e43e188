// Skinned scroll bars. A TacScrollWnd keeps the window's own scroll ranges, positions and scroll
// messages and replaces only the bars' look and mouse handling: it reserves the bars' room in the
// non-client size calculation, hit-tests and paints them from the skin's scroll-bar sections, and
// turns clicks, held buttons and thumb drags into the window's own WM_HSCROLL / WM_VSCROLL. Without
// an active skin it passes everything on and the window shows its standard bars.
#pragma once

#include "skin/windows/mainwnd.h"
#include "skin/windows/scrollgeometry.h"

#include <memory>

namespace skin {

class TacScrollWnd;

// The signed point packed in a mouse message's LParam (or GetMessagePos).
inline POINT PointOfLParam(LPARAM l) { return {short(LOWORD(DWORD(l))), short(HIWORD(DWORD(l)))}; }

class TacScrollBar {
public:
    uint16_t fScrollFlags = 0; // 8: the style shows the bar; 1 / 2: first / second arrow disabled; 4: needs a range
    bool fScrollVisible = false;
    SCROLLINFO ScrollInfo{};
    int nArrowLength = -1; // -n: n times the default arrow length
    int nArrowWidth = -1;  // -n: n times the system bar thickness
    int nButSizeBefore = 0;
    int nButSizeAfter = 0;
    bool fButVisibleBefore = false;
    bool fButVisibleAfter = false;
    uint16_t nBarType = SB_HORZ;
    uint16_t fFlatScrollbar = 0;
    int nMinThumbSize = 10;
    TacScrollWnd* sw = nullptr;

    ScrollRange Range() const;
    // Re-reads the window's scroll information (cbSize 28, SIF_ALL).
    void Read(HWND handle);
};

// The process-wide tracking state: one bar of one window is hovered or pressed at a time (GUI
// thread only).
struct ScrollTracking {
    HWND HoverWnd = nullptr;
    int HoverBar = -1;
    int HoverPart = -1;
    int LastHoverPart = -1;
    UINT_PTR HoverTimer = 0;
    RECT HoverRect{};
    int PressBar = -1;
    int PressPart = -1;
    int PressShownPart = -1;
    int LastMovePart = -1; // the part under the mouse at the previous move of this press
    UINT ScrollMsg = 0;
    UINT_PTR RepeatTimer = 0;
    int LastTrackPos = -1;
    int DragThumbLength = 0, DragThumbPos = 0;
    RECT DragBarRect{};
    int DragOffset = 0;
};
ScrollTracking& Tracking();

constexpr UINT_PTR kHoverTimerId = 0xFFF2;   // 20 ms
constexpr UINT_PTR kRepeatDelayId = 0xFFFD;  // 300 ms
constexpr UINT_PTR kRepeatTimerId = 0xFFFE;  // 55 ms

class TacScrollWnd : public TacMainWnd {
public:
    TacScrollWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager);
    ~TacScrollWnd() override;

    uint16_t bars = 0;
    std::unique_ptr<TacScrollBar> sBarHorz;
    std::unique_ptr<TacScrollBar> sBarVert;
    bool fThumbTracking = false;
    bool fLeftScrollbar = false;
    int cxLeftEdge = 0, cxRightEdge = 0, cyTopEdge = 0, cyBottomEdge = 0;
    bool bPreventStyleChange = false;

    void acWndProc(ui::Message& message) override;
    // Re-reads both bars and, with repaint, paints them (not during a form animation).
    void UpdateScrollInfo(bool repaint);
    // Paints both visible bars and the corner between them into dc (null: the window's own DC), or
    // with onlyBar (SB_HORZ, SB_VERT) that bar alone.
    LRESULT PaintScrolls(HWND handle, int thumbPos = -1, HDC dc = nullptr, int onlyBar = -1);
    // Re-reads both bars after the control scrolled with barType and repaints what changed: the
    // scrolled bar alone while the other kept its information.
    void UpdateScrolledBar(int barType);
    // Screen rectangles of the bars; GetBarRect is false for another nBar.
    void HorzBarRect(HWND handle, RECT& r) const;
    void VertBarRect(HWND handle, RECT& r) const;
    bool GetBarRect(int nBar, HWND handle, RECT& r) const;
    // The bar's rectangle less the room of extra buttons.
    RECT PartArea(const TacScrollBar& bar, const RECT& r) const;
    bool GripVisible(HWND handle, const RECT& r) const;
    TacScrollBar* Bar(int kind) const { return kind == 0 ? sBarHorz.get() : kind == 1 ? sBarVert.get() : nullptr; }

    void Construct(core::StringView section, bool repaint) override;
    void FreeBars();

protected:
    // Thickness of a visible bar, 0 for a hidden or missing one.
    int VisibleThickness(const TacScrollBar* bar) const;
    LRESULT HandleNcCalcSize(ui::Message& message);
    LRESULT HandleNcHitTest(ui::Message& message);
    // Mouse tracking.
    LRESULT HandleNcMouseMove(ui::Message& message);
    LRESULT HandleNcLButtonDown(ui::Message& message);
    LRESULT HandleTimer(ui::Message& message);
    LRESULT HandleMouseMove(ui::Message& message);
    LRESULT HandleLButtonUp(ui::Message& message);
    void HoverCheck();
    void StartRepeating(TacScrollBar& bar, const RECT& barRect, POINT p);
    void StartDragging(TacScrollBar& bar, const RECT& barRect, POINT p);
    void DragThumb(TacScrollBar& bar, POINT p);
    // Repaints one bar (window coordinates of its part area, the window's own DC).
    void RepaintBar(TacScrollBar& bar, int pressedPart);
    // The drop-down list of a combo box keeps the capture and the release of its own list.
    virtual bool KeepsListCapture() const { return false; }
    virtual bool SwallowsListRelease() const { return false; }

    friend void ReleaseScrollWnd(HWND, bool, bool, std::unique_ptr<TacScrollWnd>&);
    friend LRESULT PaintScrollBar(TacScrollBar&, HWND, HDC, const RECT&, int, int);

private:
    // The bar painter's bitmaps, kept between paints.
    std::unique_ptr<ui::Bitmap> m_barBmp, m_partBmp;
};

// The scroll-bar attachment that construction runs for every scrolled wrapper.
void AttachScrollWnd(TacScrollWnd* wrapper, HWND handle, bool repaint);
// Creates, keeps or frees a skinned control's scroll wrapper as its skin state says.
void SyncScrollWnd(TsCommonData* skinData, std::unique_ptr<TacScrollWnd>& listSW);
// The same for a window whose skin state belongs to no control of its own (a form's provider).
void SyncScrollWndOf(HWND handle, TsCommonData* skinData, std::unique_ptr<TacScrollWnd>& listSW);
// Gives a control's window back and frees both bars; with freeIt frees the wrapper too.
void ReleaseScrollWnd(HWND handle, bool freeIt, bool frameChanged, std::unique_ptr<TacScrollWnd>& wrapper);
// Null wrapper: nothing.
void UpdateScrollInfo(TacScrollWnd* wrapper, bool repaint);
TacScrollBar* GetScrollBarOf(HWND handle, int nBar);
bool SetMinThumbSize(HWND handle, int nBar, uint16_t size);
// Arrow length (metric 0) or thickness (metric 1) of a bar in pixels.
int GetScrollMetric(const TacScrollBar& bar, int metric, bool useSkin);
void GetThumbPos(const TacScrollBar& bar, const RECT& r, int& length, int& pos);
bool IsScrollBarActive(const TacScrollBar& bar);
int HitTestScrollBar(const TacScrollBar& bar, HWND handle, const RECT& r, int x, int y);
// Paints one bar at r (window coordinates) into dc; 1 when it painted.
LRESULT PaintScrollBar(TacScrollBar& bar, HWND handle, HDC dc, const RECT& r, int pressedPart, int thumbPos);
// One scroll command to the window, announced before and after with sub-codes 51 and 52.
void SendScrollMessage(HWND wnd, UINT msg, int code, int pos);

} // namespace skin
