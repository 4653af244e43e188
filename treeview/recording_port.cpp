// The recording window port of tests (see recording_port.h).
#include "treeview/recording_port.h"
#include "treeview/virtual_tree.h"
#include "core/thread.h"

namespace treeview {

void RecordingWindowPort::Record(std::string entry)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_log.push_back(std::move(entry));
}

void RecordingWindowPort::Invalidate(const TRect* rect)
{
    ++m_invalidates;
    if (rect)
        Record("invalidate " + std::to_string(rect->Top) + ".." + std::to_string(rect->Bottom));
    else
        Record("invalidate all");
}

void RecordingWindowPort::SetTimer(unsigned id, unsigned milliseconds)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_timers[id] = milliseconds;
    }
    Record("timer " + std::to_string(id) + " " + std::to_string(milliseconds));
}

void RecordingWindowPort::KillTimer(unsigned id)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_timers.erase(id);
}

void RecordingWindowPort::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_scroll[int(bar)] = info;
}

void RecordingWindowPort::ShowScrollBar(TScrollBarKind bar, bool show)
{
    Record(std::string("scroll bar ") + (bar == TScrollBarKind::Vertical ? "v " : "h ") + (show ? "shown" : "hidden"));
}

void RecordingWindowPort::SendStateMessage(uint32_t enter, uint32_t leave)
{
    ++m_state_messages;
    TBaseVirtualTree* tree = m_tree;
    if (!tree)
        return;
    // A synchronous hand-over to the main thread, like SendMessage to a window of another thread.
    core::Thread::Synchronize(core::Thread::CurrentThread(), [tree, enter, leave] { tree->HandleChangeStateMessage(enter, leave); });
}

bool RecordingWindowPort::PumpMessages()
{
    core::CheckSynchronize(1);
    return true;
}

bool RecordingWindowPort::OfferClipboard(TBaseVirtualTree&)
{
    Record(m_clipboard_accepts ? "clipboard offered" : "clipboard refused");
    return m_clipboard_accepts;
}

bool RecordingWindowPort::TimerRunning(unsigned id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_timers.count(id) != 0;
}

unsigned RecordingWindowPort::TimerInterval(unsigned id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    auto found = m_timers.find(id);
    return found == m_timers.end() ? 0 : found->second;
}

void RecordingWindowPort::FireTimer(unsigned id)
{
    if (TimerRunning(id) && m_tree)
        m_tree->TimerFired(id);
}

std::vector<std::string> RecordingWindowPort::Log() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_log;
}

void RecordingWindowPort::ClearLog()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_log.clear();
}

TScrollInfo RecordingWindowPort::LastScrollInfo(TScrollBarKind bar) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    auto found = m_scroll.find(int(bar));
    return found == m_scroll.end() ? TScrollInfo{} : found->second;
}

} // namespace treeview
