// What the tree needs of its window. The portable tree never touches a window itself: the control
// that owns a real window implements this port, tests use RecordingWindowPort.
//
// Every call but SendStateMessage comes from the GUI thread. SendStateMessage comes from the
// validation thread and must apply the states on the GUI thread (TBaseVirtualTree::
// HandleChangeStateMessage) before it returns; the tree's PumpMessages calls are where a GUI thread
// waiting for the validation thread lets such a message through.
#pragma once
#include "treeview/types.h"
#include "core/string.h"
#include <cstdint>
#include <thread>

namespace treeview {

enum class TScrollBarKind : uint8_t { Horizontal, Vertical };

struct TScrollInfo {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Pos = 0;
    // Show the bar disabled rather than hiding it when the content fits.
    bool DisableNoScroll = false;
    bool operator==(const TScrollInfo&) const = default;
};

// Tree timers (identifiers of window timers on the tree's window).
enum TreeTimer : unsigned {
    ExpandTimer = 1, EditTimer = 2, HeaderTimer = 3, ScrollTimer = 4, ChangeTimer = 5, StructureChangeTimer = 6,
    SearchTimer = 7,
};

class TreeWindowPort {
public:
    virtual ~TreeWindowPort() = default;

    // Whether the window exists; a tree without one paints nothing and gets no worker states.
    virtual bool HandleAllocated() const = 0;
    virtual bool Visible() const = 0;
    // rect null: the whole client area. Client coordinates.
    virtual void Invalidate(const TRect* rect) = 0;
    // Paints what is invalid now.
    virtual void Update() = 0;
    // WM_SETREDRAW.
    virtual void SetRedraw(bool redraw) = 0;
    // A timer fires by calling TBaseVirtualTree::TimerFired(id) on the GUI thread.
    virtual void SetTimer(unsigned id, unsigned milliseconds) = 0;
    virtual void KillTimer(unsigned id) = 0;
    virtual void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) = 0;
    virtual void ShowScrollBar(TScrollBarKind bar, bool show) = 0;
    virtual TSize ClientSize() const = 0;
    // Validation thread: the change-state message (WM_APP + 32), synchronous.
    virtual void SendStateMessage(uint32_t enter, uint32_t leave) = 0;
    // GUI thread: dispatch pending messages of the tree's window once (waiting briefly when there
    // are none). False when the application is quitting.
    virtual bool PumpMessages() = 0;
    virtual bool ApplicationTerminated() const = 0;
    // Text metrics of the tree's font.
    virtual int TextHeight() const = 0;
    virtual int TextWidth(core::StringView text) const = 0;
    // Clipboard: offer the tree's data object (false when the clipboard refuses it), empty or flush it.
    virtual bool OfferClipboard(TBaseVirtualTree& tree) = 0;
    virtual void EmptyClipboard() = 0;
    virtual void FlushClipboard() = 0;

    // The view's needs (header, scrolling, frame); a port without a header or frame keeps the defaults.
    // Repaints part of the header (header coordinates; null: all of it).
    virtual void InvalidateHeader(const TRect* rect) { (void)rect; }
    // Scrolls the client area's pixels (clip null: the whole client area) and invalidates what was
    // uncovered.
    virtual void ScrollClient(int dx, int dy, const TRect* clip)
    {
        (void)dx, (void)dy, (void)clip;
        Invalidate(nullptr);
    }
    // The header's height or visibility changed: the frame is computed again.
    virtual void FrameChanged() {}
    // A window style the tree decides on changed (border, scroll bars): the window is made again.
    virtual void RecreateWindow() {}
    // Height of a horizontal scroll bar and width of a vertical one (the platform's metrics).
    virtual int HorizontalScrollBarHeight() const { return 17; }
    virtual int VerticalScrollBarWidth() const { return 17; }
};

// The port of a tree that has no window (yet): nothing exists, nothing is painted.
class NullWindowPort : public TreeWindowPort {
public:
    bool HandleAllocated() const override { return false; }
    bool Visible() const override { return false; }
    void Invalidate(const TRect*) override {}
    void Update() override {}
    void SetRedraw(bool) override {}
    void SetTimer(unsigned, unsigned) override {}
    void KillTimer(unsigned) override {}
    void SetScrollInfo(TScrollBarKind, const TScrollInfo&) override {}
    void ShowScrollBar(TScrollBarKind, bool) override {}
    TSize ClientSize() const override { return {}; }
    void SendStateMessage(uint32_t, uint32_t) override {}
    // Nothing to dispatch: lets the worker thread run for a moment.
    bool PumpMessages() override
    {
        std::this_thread::yield();
        return true;
    }
    bool ApplicationTerminated() const override { return false; }
    int TextHeight() const override { return 0; }
    int TextWidth(core::StringView) const override { return 0; }
    bool OfferClipboard(TBaseVirtualTree&) override { return false; }
    void EmptyClipboard() override {}
    void FlushClipboard() override {}
};

} // namespace treeview
