// Position cache of the virtual tree: every 2000th visible node with its top, built by the shared
// validation thread; its invalidation, the validation request, the interruption before structure
// changes, and the position lookups that use it.
#include "treeview/virtual_tree.h"
#include "treeview/worker.h"
#include <algorithm>

namespace treeview {

void TBaseVirtualTree::InvalidateCache()
{
    if ((m_states & tsUseCache) || !(m_states & tsValidationNeeded))
        ChangeStates(tsValidationNeeded, tsUseCache);
}

void TBaseVirtualTree::InterruptValidation()
{
    m_sorted_parent.store(nullptr, std::memory_order_relaxed);   // every structure change comes here first
    TakeBackFromWorker();
}

void TBaseVirtualTree::BeginDestruction()
{
    m_destroying = true;
    TakeBackFromWorker();
}

void TBaseVirtualTree::TakeBackFromWorker()
{
    if (worker::OnWorkerThread())
        return;   // the worker changes what it validates itself (variable node heights)
    if (!(m_states & tsStopValidation) || (m_states & tsUseCache))
        ChangeStates(tsStopValidation, tsUseCache);
    // Only a request puts the tree in the worker's hands; without one since the last interruption
    // there is nothing to take back (and adding many nodes one by one costs no lock each).
    if (!m_handed_to_worker || !worker::Exists())
        return;
    if (worker::RemoveTree(this)) {
        // The worker is inside this tree: let its change-state messages through until it lets go.
        // Always pump, whatever HandleAllocated says now: the worker decided whether to send when
        // it looked, and a window that went away since must not leave it waiting for us forever.
        while (worker::IsCurrentTree(this)) {
            if (!m_port->PumpMessages())
                break;   // the application is quitting and will not dispatch anything any more
        }
        ChangeStates(tsValidationNeeded, 0);
    }
    // Still inside only when the application quits while we wait: look again next time.
    m_handed_to_worker = worker::IsCurrentTree(this);
}

void TBaseVirtualTree::RequestValidation()
{
    // A request changes no structure: the kept order of the last sorted level stays good.
    TakeBackFromWorker();
    m_start_index = 0;
    if ((m_states & tsValidationNeeded) && worker::Exists()) {
        ChangeStates(0, tsStopValidation);
        m_handed_to_worker = true;
        worker::AddTree(this);
    }
}

bool TBaseVirtualTree::ValidatePositionCache()
{
    if (StopValidationRequested())
        return false;
    m_position_cache.clear();
    if (m_visible_count <= CacheThreshold)
        return false;
    size_t length = (size_t(m_visible_count) + CacheThreshold - 1) / CacheThreshold;
    m_position_cache.resize(length);
    PVirtualNode node = GetFirstVisibleNoInit(nullptr, true, false);
    PVirtualNode last = nullptr;
    size_t index = 0;
    uint32_t top = 0, count = 0;
    while (node && !StopValidationRequested()) {
        if (count % CacheThreshold == 0)
            m_position_cache[index++] = {node, top};
        top += NodeHeight(node);
        last = node;
        PVirtualNode next = GetNextVisibleNoInit(node, true);
        if (!next)
            break;
        ++count;
        if (index == length) {
            --count;
            break;
        }
        node = next;
    }
    bool stopped = StopValidationRequested();
    if (!stopped && last && index < length) {
        // The walk found fewer nodes than counted: a closing entry marks the end of the tree.
        m_position_cache.resize(index + 1);
        m_position_cache[index] = {last, top};
    }
    return count > 0 && !stopped;
}

uint32_t TBaseVirtualTree::GetNodeTop(PVirtualNode node)
{
    // Subtree heights make this one step per earlier sibling and ancestor.
    uint32_t top = 0;
    for (PVirtualNode run = node; run && run != m_root; run = run->Parent) {
        for (PVirtualNode sibling = run->PrevSibling; sibling; sibling = sibling->PrevSibling)
            if (IsEffectivelyVisible(sibling))
                top += sibling->TotalHeight;
        if (run->Parent != m_root && run->Parent)
            top += run->Parent->NodeHeight;
    }
    return top;
}

PVirtualNode TBaseVirtualTree::GetNodeAtY(uint32_t y, uint32_t* nodeTop)
{
    PVirtualNode node;
    uint32_t top = 0;
    if ((m_states & tsUseCache) && !m_position_cache.empty()) {
        auto entry = std::upper_bound(m_position_cache.begin(), m_position_cache.end(), y,
                                      [](uint32_t value, const TCacheEntry& e) { return value < e.AbsoluteTop; });
        if (entry != m_position_cache.begin())
            --entry;
        node = entry->Node;
        top = entry->AbsoluteTop;
    } else {
        node = GetFirstVisibleNoInit(nullptr, true, false);
    }
    while (node) {
        uint32_t height = node->NodeHeight;
        if (y < top + height) {
            if (nodeTop)
                *nodeTop = top;
            return node;
        }
        top += height;
        node = GetNextVisibleNoInit(node, true);
    }
    return nullptr;
}

} // namespace treeview
