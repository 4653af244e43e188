// A window port that records what the tree asks of its window, for tests of the portable tree and
// for the window half's own tests. It stands for a window that exists and is visible; timers fire
// only when a test calls FireTimer. The change-state message of the validation thread is handed to
// the main thread through core::Thread::Synchronize and applied there when PumpMessages runs.
#pragma once
#include "treeview/window_port.h"
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace treeview {

class RecordingWindowPort : public TreeWindowPort {
public:
    explicit RecordingWindowPort(TBaseVirtualTree* tree = nullptr) : m_tree(tree) {}
    void SetTree(TBaseVirtualTree* tree) { m_tree = tree; }

    bool HandleAllocated() const override { return m_handle.load(); }
    void SetHandleAllocated(bool value) { m_handle.store(value); }
    bool Visible() const override { return m_handle.load(); }
    void Invalidate(const TRect* rect) override;
    void Update() override { Record("update"); }
    void SetRedraw(bool redraw) override { Record(redraw ? "redraw on" : "redraw off"); }
    void SetTimer(unsigned id, unsigned milliseconds) override;
    void KillTimer(unsigned id) override;
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override;
    void ShowScrollBar(TScrollBarKind bar, bool show) override;
    TSize ClientSize() const override { return m_client; }
    void SetClientSize(TSize size) { m_client = size; }
    void SendStateMessage(uint32_t enter, uint32_t leave) override;
    bool PumpMessages() override;
    bool ApplicationTerminated() const override { return false; }
    int TextHeight() const override { return 13; }
    int TextWidth(core::StringView text) const override { return int(text.size()) * 7; }
    bool OfferClipboard(TBaseVirtualTree&) override;
    void EmptyClipboard() override { Record("clipboard empty"); }
    void FlushClipboard() override { Record("clipboard flush"); }

    // Test side.
    void SetClipboardAccepts(bool value) { m_clipboard_accepts = value; }
    bool TimerRunning(unsigned id) const;
    unsigned TimerInterval(unsigned id) const;
    // Runs the tree's handler of a running timer (as the window's WM_TIMER would).
    void FireTimer(unsigned id);
    std::vector<std::string> Log() const;
    void ClearLog();
    int InvalidateCount() const { return m_invalidates.load(); }
    TScrollInfo LastScrollInfo(TScrollBarKind bar) const;
    int StateMessages() const { return m_state_messages.load(); }

private:
    void Record(std::string entry);
    TBaseVirtualTree* m_tree;
    std::atomic<bool> m_handle = true;
    TSize m_client{200, 400};
    bool m_clipboard_accepts = true;
    mutable std::mutex m_lock;
    std::vector<std::string> m_log;            // guarded by m_lock
    std::map<unsigned, unsigned> m_timers;     // guarded by m_lock
    std::map<int, TScrollInfo> m_scroll;       // guarded by m_lock
    std::atomic<int> m_invalidates = 0;
    std::atomic<int> m_state_messages = 0;
};

} // namespace treeview
