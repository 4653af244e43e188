// Keyboard: navigation keys move the focus and the selection, command keys expand, collapse, check,
// edit, pop up menus and ask for help, and printable keys feed the incremental search.
#include "treeview/custom_tree_control.h"
#include <algorithm>

namespace treeview {

namespace {
TCheckState Unpressed(TCheckState state) { return TCheckState(state & ~1u); }
TCheckState Pressed(TCheckState state) { return TCheckState(state | 1u); }

// The column questions of the keyboard in the words it asks them.
struct Cols {
    TVTHeader& h;
    TVirtualTreeColumns& c() const { return h.Columns(); }
    bool UseColumns() const { return h.UseColumns(); }
    TColumnIndex MainColumn() const { return h.MainColumn(); }
    TColumnIndex FirstVisible() const { return c().GetFirstVisibleColumn(); }
    TColumnIndex LastVisible() const { return c().GetLastVisibleColumn(); }
    TColumnIndex NextVisible(TColumnIndex x) const { return c().GetNextVisibleColumn(x); }
    TColumnIndex PreviousVisible(TColumnIndex x) const { return c().GetPreviousVisibleColumn(x); }
    bool AllowFocus(TColumnIndex x) const { return c().IsValidColumn(x) && h.AllowFocus(x); }
    bool IsValid(TColumnIndex x) const { return c().IsValidColumn(x); }
    int Width(TColumnIndex x) const { return c()[x].Width(); }
    TVTColumnOptions Options(TColumnIndex x) const { return c()[x].Options(); }
    int FixedWidth() const { return c().GetVisibleFixedWidth(); }
};

ui::ShiftState ToShift(TBaseVirtualTree::TShiftState shift)
{
    return (shift.Shift ? ui::ShiftState(ui::ssShift) : 0u) | (shift.Ctrl ? ui::ShiftState(ui::ssCtrl) : 0u) | (shift.Alt ? ui::ShiftState(ui::ssAlt) : 0u);
}
bool ModifierHeld(TBaseVirtualTree::TShiftState shift) { return shift.Shift || shift.Ctrl || shift.Alt; }
} // namespace

void TCustomVirtualTreeControl::KeyDown(WORD& key, ui::ShiftState uiShift)
{
    TVirtualTreeControl::KeyDown(key, uiShift);
    if (key == 0)
        return;
    KeyAction(key, TShiftState{(uiShift & ui::ssShift) != 0, (uiShift & ui::ssCtrl) != 0, (uiShift & ui::ssAlt) != 0});
}

void TCustomVirtualTreeControl::KeyAction(uint16_t key, TShiftState shift)
{
    uint16_t code = key;
    if (!DoKeyAction(code, shift))
        return;
    if ((TreeStates() & tsKeyCheckPending) && code != VKSpace) {
        ChangeStates(0, tsKeyCheckPending);
        if (m_check_node) {
            m_check_node->CheckState = Unpressed(m_check_node->CheckState);
            InvalidateNode(m_check_node);
            m_check_node = nullptr;
        }
    }
    if (code == VKBack || code == VKTab || (code >= VKPrior && code <= VKDown))
        KeyNavigation(code, shift);
    else
        KeyCommand(code, shift);
}

TColumnIndex TCustomVirtualTreeControl::FirstFocusableColumn(bool forward)
{
    Cols cols{Header()};
    TColumnIndex column = forward ? cols.FirstVisible() : cols.LastVisible();
    while (column >= 0 && (!cols.AllowFocus(column) ||
                           !DoFocusChanging(FocusedNode(), FocusedNode(), FocusedColumn(), column)))
        column = forward ? cols.NextVisible(column) : cols.PreviousVisible(column);
    return column;
}

void TCustomVirtualTreeControl::KeyNavigation(uint16_t key, TShiftState shift)
{
    Cols cols{Header()};
    const auto selectionOptions = TreeOptions().SelectionOptions();
    const auto miscOptions = TreeOptions().MiscOptions();
    const bool multi = selectionOptions & toMultiSelect;
    const bool extend = shift.Shift && multi && !IsEditing();
    const bool rangeKey = extend && (key == VKPrior || key == VKNext || key == VKEnd || key == VKHome);
    const bool repaintAll = rangeKey || SelectedCount() > 1;
    const bool modifier = ModifierHeld(shift);
    const bool clearFirst = !(modifier && (!(miscOptions & toGridExtensions) || shift.Shift) && multi &&
                              key != VKBack && key != VKTab);
    const bool noModifier = !modifier;
    PVirtualNode lastFocused = FocusedNode();
    if (!lastFocused && modifier)
        lastFocused = GetFirstVisible(nullptr, true);
    const TSize client = WindowPort().ClientSize();
    const bool useColumns = cols.UseColumns();
    PVirtualNode focused = FocusedNode();
    TColumnIndex column = FocusedColumn();
    bool rangeMove = false;

    auto focusTo = [&](PVirtualNode node, TColumnIndex newColumn) {
        if (node)
            FocusCell(node, newColumn);
    };

    switch (key) {
    case VKBack:
        if (TreeStates() & tsIncrementalSearching)
            ChangeStates(tsIncrementalSearchPending, 0);
        else if (focused && focused->Parent != RootNode())
            focusTo(focused->Parent, column);
        break;
    case VKTab:
        if ((selectionOptions & toExtendedFocus) && useColumns) {
            bool forward = !shift.Shift;
            PVirtualNode node = focused;
            TColumnIndex next = forward ? cols.NextVisible(column) : cols.PreviousVisible(column);
            while (node) {
                while (next >= 0 && !(cols.AllowFocus(next) && DoFocusChanging(FocusedNode(), node, column, next)))
                    next = forward ? cols.NextVisible(next) : cols.PreviousVisible(next);
                if (next >= 0) {
                    focusTo(node, next);
                    break;
                }
                node = forward ? GetNextVisible(node, true) : GetPreviousVisible(node, true);
                next = forward ? cols.FirstVisible() : cols.LastVisible();
            }
        }
        break;
    case VKPrior:
    case VKNext: {
        const bool up = key == VKPrior;
        if (shift.Ctrl && shift.Shift) {
            ScrollByKey(key, ToShift(shift));
        } else if (shift.Shift && useColumns) {
            int passed = cols.FixedWidth();
            TColumnIndex c = cols.IsValid(column) ? column : cols.FirstVisible();
            for (;;) {
                TColumnIndex n = up ? cols.PreviousVisible(c) : cols.NextVisible(c);
                if (n < 0 || (cols.Options(n) & coFixed) || passed + cols.Width(n) >= client.cx)
                    break;
                passed += cols.Width(n);
                c = n;
            }
            if (c != column)
                focusTo(focused, c);
        } else if (shift.Ctrl) {
            ScrollByKey(key, ToShift(shift));
        } else if (!focused) {
            focusTo(up ? GetFirstVisible(nullptr, true) : GetLastVisible(nullptr, true), column);
        } else {
            PVirtualNode node = focused;
            int passed = 0;
            for (;;) {
                PVirtualNode n = up ? GetPreviousVisible(node, true) : GetNextVisible(node, true);
                if (!n || passed + int(node->NodeHeight) >= client.cy)
                    break;
                passed += int(node->NodeHeight);
                node = n;
            }
            rangeMove = extend;
            focusTo(node, column);
        }
        break;
    }
    case VKHome:
    case VKEnd: {
        // Rows are not mirrored: Home is the first row in both layouts, and OffsetX 0 is the start
        // of the reading direction (the right end of a right-to-left tree). Columns are: Home goes to
        // the column at the start of the reading direction, the last position right to left.
        const bool home = key == VKHome;
        PVirtualNode target = home ? GetFirstVisible(nullptr, true) : GetLastVisible(nullptr, true);
        TColumnIndex targetColumn = useColumns ? FirstFocusableColumn(home != UseRightToLeftAlignment()) : column;
        if (shift.Ctrl && !shift.Shift && !shift.Alt && !(miscOptions & toGridExtensions)) {
            if (target)
                ScrollIntoView(target, (selectionOptions & toCenterScrollIntoView) != 0,
                               !(TreeOptions().AutoOptions() & toDisableAutoscrollOnFocus));
            SetOffsetX(home ? 0 : -int(RangeX()));
        } else {
            rangeMove = extend;
            if (!(miscOptions & toGridExtensions) || shift.Ctrl)
                focusTo(target, ((miscOptions & toGridExtensions) && !(selectionOptions & toFullRowSelect))
                                    ? targetColumn : column);
            else if (!(selectionOptions & toFullRowSelect) && targetColumn >= 0)
                focusTo(focused, targetColumn);
        }
        break;
    }
    case VKLeft:
    case VKRight: {
        const bool left = key == VKLeft;
        if (shift.Ctrl) {
            ScrollByKey(key, ToShift(shift));
        } else if ((selectionOptions & toExtendedFocus) && (miscOptions & toGridExtensions)) {
            TColumnIndex c = left ? cols.PreviousVisible(column) : cols.NextVisible(column);
            while (c >= 0 && !cols.AllowFocus(c))
                c = left ? cols.PreviousVisible(c) : cols.NextVisible(c);
            if (c >= 0)
                focusTo(focused, c);
        } else if (!focused) {
            focusTo(GetFirstVisible(nullptr, true), column);
        } else if (left) {
            if (Expanded(focused) && HasChildren(focused) && noModifier) {
                ToggleNode(focused);
            } else if (focused->Parent != RootNode()) {
                PVirtualNode parent = focused->Parent;
                if (extend) {
                    if (focused->Index != 0)
                        rangeMove = true;
                    else if (RangeAnchor() && CompareNodePositions(parent, RangeAnchor()) > 0)
                        RemoveFromSelection(focused);
                }
                focusTo(parent, column);
            }
        } else {
            if (!Expanded(focused) && HasChildren(focused) && noModifier) {
                ToggleNode(focused);
            } else if (PVirtualNode child = GetFirstVisibleChild(focused, false)) {
                if (extend && RangeAnchor() && CompareNodePositions(child, RangeAnchor()) < 0)
                    RemoveFromSelection(focused);
                focusTo(child, column);
            }
        }
        break;
    }
    case VKUp:
    case VKDown: {
        const bool up = key == VKUp;
        if (shift.Ctrl) {
            ScrollByKey(key, ToShift(shift));
            break;
        }
        PVirtualNode target;
        if (focused)
            target = up ? GetPreviousVisible(focused, true) : GetNextVisible(focused, true);
        else
            target = up ? GetLastVisible(nullptr, true) : GetFirstVisible(nullptr, true);
        if (target) {
            if (IsEditing())
                FinishEditing();
            if (extend && lastFocused && RangeAnchor()) {
                int order = CompareNodePositions(lastFocused, RangeAnchor());
                if ((up && order > 0) || (!up && order < 0))
                    RemoveFromSelection(focused);
            }
            TColumnIndex c = column;
            if (c < 0 && useColumns)
                c = cols.MainColumn();
            focusTo(target, c);
        } else {
            InvalidateNode(focused);
        }
        break;
    }
    default:
        break;
    }

    PVirtualNode now = FocusedNode();
    bool cleared = false;
    if (clearFirst && (lastFocused != now || SelectedCount() != 1)) {
        ClearSelection();
        cleared = true;
    }
    if (noModifier && now) {
        ResetRangeAnchor();
        StoreLastSelectionLevel(int32_t(GetNodeLevel(now)));
    }
    if (rangeMove && lastFocused && now)
        ToggleRange(lastFocused, now);
    if (now && (now != lastFocused || cleared))
        AddNodeToSelection(now);
    if (repaintAll)
        Invalidate();
}

void TCustomVirtualTreeControl::KeyCommand(uint16_t key, TShiftState shift)
{
    {
        // The main keyboard's signs act like the numeric pad's.
        switch (char16_t(MapVirtualKeyW(key, MAPVK_VK_TO_CHAR))) {
        case u'*': key = VKMultiply; break;
        case u'+': key = VKAdd; break;
        case u'-': key = VKSubtract; break;
        case u'/': key = VKDivide; break;
        default: break;
        }
    }
    PVirtualNode focused = FocusedNode();
    const bool searching = (TreeStates() & tsIncrementalSearching) != 0;
    auto search = [this] { ChangeStates(tsIncrementalSearchPending, 0); };
    switch (key) {
    case VKEscape:
        if (TreeStates() & (tsDrawSelPending | tsDrawSelecting)) {
            ChangeStates(0, tsDrawSelPending | tsDrawSelecting);
            Invalidate();
        } else if (IsEditing()) {
            CancelEditing();
        }
        break;
    case VKSpace:
        if ((TreeOptions().MiscOptions() & toCheckSupport) && focused && focused->CheckType != ctNone) {
            if ((TreeStates() & (tsKeyCheckPending | tsMouseCheckPending)) || IsDisabled(focused) || !Enabled())
                break;
            TCheckState next = NextCheckState(focused->CheckType, focused->CheckState);
            if (DoChecking(focused, next)) {
                ChangeStates(tsKeyCheckPending, 0);
                m_check_node = focused;
                m_pending_check_state = next;
                focused->CheckState = Pressed(focused->CheckState);
                InvalidateNode(focused);
            }
        } else {
            search();
        }
        break;
    case 'A':
    case 'a':
        if (shift.Ctrl)
            SelectAll(true);
        else
            search();
        break;
    case VKApps:
        if (focused) {
            TRect text = GetDisplayRect(focused, FocusedColumn(), true);
            TRect cell = GetDisplayRect(focused, FocusedColumn(), false);
            int width = std::min(text.Right - text.Left, cell.Right - cell.Left);
            THitInfo info;
            info.HitNode = focused;
            info.HitColumn = FocusedColumn();
            info.HitPositions = hiOnItem | hiOnItemLabel;
            ShowNodePopup(info, POINT{text.Left + width / 2, (cell.Top + cell.Bottom) / 2});
        }
        break;
    case VKMultiply:
        if (searching)
            search();
        else
            FullExpand(focused);
        break;
    case VKAdd:
        if (searching)
            search();
        else if (shift.Ctrl && shift.Shift)
            FullExpand(nullptr);
        else if (!shift.Ctrl && focused && !Expanded(focused))
            ToggleNode(focused);
        break;
    case VKSubtract:
        if (searching)
            search();
        else if (shift.Ctrl && shift.Shift)
            FullCollapse(nullptr);
        else if (!shift.Ctrl && focused && Expanded(focused))
            ToggleNode(focused);
        break;
    case VKDivide:
        if (searching)
            search();
        else
            FullCollapse(focused);
        break;
    case VKF1:
        if (OnGetHelpContext) {
            int context = 0;
            for (PVirtualNode node = focused; node && node != RootNode() && context == 0; node = node->Parent)
                OnGetHelpContext(this, node, 0, context);
            if (context != 0 && ShowHelp)
                ShowHelp(context);
        }
        break;
    case VKF2:
        if (!ModifierHeld(shift) && focused && CanEdit(focused, FocusedColumn())) {
            m_edit_column = FocusedColumn();
            StartEditing();
        }
        break;
    default:
        if (shift.Alt || shift.Ctrl || key < 32)
            break;
        search();
        break;
    }
}

void TCustomVirtualTreeControl::KeyUp(WORD& key, ui::ShiftState shift)
{
    TVirtualTreeControl::KeyUp(key, shift);
    if (key != VKSpace || !(TreeStates() & tsKeyCheckPending))
        return;
    ChangeStates(0, tsKeyCheckPending);
    PVirtualNode node = m_check_node;
    m_check_node = nullptr;
    if (!node)
        return;
    if (node == FocusedNode()) {
        node->CheckState = Unpressed(node->CheckState);
        ApplyCheckState(node, m_pending_check_state);
    } else {
        node->CheckState = Unpressed(node->CheckState);
    }
    InvalidateNode(node);
}

void TCustomVirtualTreeControl::KeyPress(core::Char& key)
{
    if (TreeStates() & tsIncrementalSearchPending)
        SearchCharacter(key);
    TVirtualTreeControl::KeyPress(key);
}

void TCustomVirtualTreeControl::SearchCharacter(char16_t ch)
{
    // A character outside the basic plane arrives as two units: the search takes it whole.
    if (ch >= 0xD800 && ch <= 0xDBFF) {
        m_pending_high_surrogate = ch;
        return;
    }
    char16_t text[2];
    size_t length = 0;
    if (ch >= 0xDC00 && ch <= 0xDFFF) {
        if (!m_pending_high_surrogate) {
            ChangeStates(0, tsIncrementalSearchPending);
            return;
        }
        text[length++] = m_pending_high_surrogate;
    }
    text[length++] = ch;
    m_pending_high_surrogate = 0;
    SearchIncrementally(core::StringView(text, length));
    ChangeStates(0, tsIncrementalSearchPending);
}

} // namespace treeview
