// Incremental search: typed characters collect in a buffer and focus the next node whose text
// starts with it; the buffer is forgotten when no key comes within the search time-out. Characters
// are whole UTF-16 characters (a surrogate pair counts as one), whatever the keyboard layout.
#include "treeview/custom_tree_control.h"

namespace treeview {

namespace {
// Length in units of the last character of text (a surrogate pair is two).
size_t LastCharLength(core::StringView text)
{
    if (text.size() >= 2 && text.back() >= 0xDC00 && text.back() <= 0xDFFF && text[text.size() - 2] >= 0xD800 &&
        text[text.size() - 2] <= 0xDBFF)
        return 2;
    return text.empty() ? 0 : 1;
}
} // namespace

void TCustomVirtualTreeControl::SetIncrementalSearch(TVTIncrementalSearch value)
{
    if (value == m_incremental_search)
        return;
    m_incremental_search = value;
    if (value == isNone) {
        WindowPort().KillTimer(SearchTimer);
        ClearSearch();
    }
}

void TCustomVirtualTreeControl::ClearSearch()
{
    m_search_buffer.clear();
    m_last_search_node = nullptr;
}

int TCustomVirtualTreeControl::MatchSearchText(PVirtualNode node, core::StringView searchText)
{
    return DoIncrementalSearch(node, searchText);
}

PVirtualNode TCustomVirtualTreeControl::SearchStep(PVirtualNode node, bool forward)
{
    switch (m_incremental_search) {
    case isInitializedOnly: return forward ? GetNextNoInit(node) : GetPreviousNoInit(node);
    case isVisibleOnly: return forward ? GetNextVisible(node, true) : GetPreviousVisible(node, true);
    default: return forward ? GetNext(node) : GetPrevious(node);
    }
}

PVirtualNode TCustomVirtualTreeControl::SearchWrap(bool forward)
{
    switch (m_incremental_search) {
    case isInitializedOnly: return forward ? GetFirstNoInit() : GetLastNoInit();
    case isVisibleOnly: return forward ? GetFirstVisible(nullptr, true) : GetLastVisible(nullptr, true);
    default: return forward ? GetFirst() : GetLast();
    }
}

void TCustomVirtualTreeControl::SearchIncrementally(core::StringView character)
{
    WindowPort().KillTimer(SearchTimer);
    if (m_incremental_search == isNone)
        return;
    if (!character.empty() && character != core::StringView(u"\0", 1)) {
        ChangeStates(tsIncrementalSearching, 0);
        const bool backspace = character == u"\b";
        if (!(backspace && m_search_buffer.empty())) {
            PVirtualNode start = nullptr;
            if (m_search_start == ssLastHit)
                start = m_last_search_node;
            else if (m_search_start == ssFocusedNode)
                start = FocusedNode();
            if (start && m_incremental_search == isInitializedOnly && !treeview::HasState(start, vsInitialized))
                start = nullptr;
            if (start && m_incremental_search == isVisibleOnly && (!FullyVisible(start) || IsEffectivelyHidden(start)))
                start = nullptr;
            const PVirtualNode stop = start;
            bool forward = m_search_direction == sdForward;
            if (backspace)
                forward = !forward;
            core::String doubled = m_search_buffer + core::String(character);
            const bool repeated = !backspace && m_search_buffer == character &&
                                  (!start || MatchSearchText(start, doubled) != 0);
            PVirtualNode node = start;
            if (m_search_buffer.empty() || !start || repeated || backspace) {
                node = start ? SearchStep(start, forward) : nullptr;
                if (!node)
                    node = SearchWrap(forward);
            }
            core::String text;
            if (repeated)
                text = m_search_buffer;
            else if (backspace)
                text = m_search_buffer.substr(0, m_search_buffer.size() - LastCharLength(m_search_buffer));
            else
                text = doubled;

            PVirtualNode found = nullptr;
            if (node) {
                const PVirtualNode first = node;
                for (;;) {
                    if (MatchSearchText(node, text) == 0) {
                        found = node;
                        break;
                    }
                    node = SearchStep(node, forward);
                    if (!node)
                        node = SearchWrap(forward);
                    if (!node || node == stop || node == first)
                        break;
                }
                // The node where the search stopped gets its own look.
                if (!found && node && node != first && MatchSearchText(node, text) == 0)
                    found = node;
            }
            if (found) {
                ClearSelection();
                m_search_buffer = text;
                m_last_search_node = found;
                FocusCell(found, FocusedColumn());
                AddNodeToSelection(found);
            } else if (Beep) {
                Beep();
            } else {
                MessageBeep(0);
            }
        }
    }
    WindowPort().SetTimer(SearchTimer, m_search_timeout);
}

} // namespace treeview
