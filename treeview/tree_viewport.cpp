// The tree's view: properties, ranges and offsets, scroll bars, the scroll step, display rectangles,
// hit testing, invalidation and scrolling into view (see tree_viewport.h).
#include "treeview/tree_viewport.h"
#include "treeview/published_properties.h"
#include "core/exception.h"
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

namespace treeview {

TTreeViewport::TTreeViewport(TreeWindowPort* port)
    : TBaseVirtualTree(port), m_header(std::make_unique<TVTHeader>(this)), m_scroll_bar_options(this),
      m_colors(this), m_clipboard_formats(this)
{
}

TTreeViewport::~TTreeViewport()
{
    BeginDestruction();
}

PublishedHeader& TTreeViewport::HeaderObject()
{
    if (!m_published_header)
        m_published_header = std::make_unique<PublishedHeader>(*this);
    return *m_published_header;
}

// ---- Properties ----

void TTreeViewport::SetIndent(uint32_t value)
{
    if (value == m_indent)
        return;
    m_indent = value;
    if (!Loading() && UpdateCount() == 0 && WindowPort().HandleAllocated()) {
        UpdateScrollBars(false);
        Invalidate();
    }
}

void TTreeViewport::SetMargin(int value)
{
    if (value == m_margin)
        return;
    m_margin = value;
    if (WindowPort().HandleAllocated())
        Invalidate();
}

void TTreeViewport::SetTextMargin(int value)
{
    if (value == m_text_margin)
        return;
    m_text_margin = value;
    if (!Loading())
        Invalidate();
}

void TTreeViewport::SetAlignment(TAlignment value)
{
    if (value == m_alignment)
        return;
    m_alignment = value;
    if (!Loading())
        Invalidate();
}

void TTreeViewport::SetBiDiMode(TBiDiMode value)
{
    if (value == m_bidi_mode)
        return;
    m_bidi_mode = value;
    if (Loading())
        return;
    m_effective_offset_x = EffectiveOffsetFor(OffsetX());
    TVirtualTreeColumns& columns = m_header->Columns();
    for (TColumnIndex i = 0; i < columns.Count(); ++i)
        columns[i].ParentBiDiModeChanged();
    if (TreeOptions().AutoOptions() & toAutoBidiColumnOrdering)
        columns.ResetColumnOrder(UseRightToLeftAlignment());
    BiDiModeChanged();
    if (WindowPort().HandleAllocated()) {
        UpdateScrollBars(false);
        InvalidateHeaderRect(nullptr);
        Invalidate();
    }
}

int TTreeViewport::EffectiveOffsetFor(int offsetX) const
{
    // Right-to-left: measured from the right end of the content; 0 while the content fits.
    if (UseRightToLeftAlignment())
        return std::max(0, int(m_range_x) + offsetX - ClientWidth());
    return -offsetX;
}

int TTreeViewport::TreeOffsetX() const
{
    if (UseRightToLeftAlignment() && m_header->UseColumns())
        return m_effective_offset_x - RightToLeftOffset(true);
    return m_effective_offset_x;
}

int TTreeViewport::LeftScrollBarWidth() const
{
    if (!UseRightToLeftScrollBar() || int(m_range_y) <= ClientHeight() || !m_scroll_bar_options.Vertical())
        return 0;
    return WindowPort().VerticalScrollBarWidth();
}

int TTreeViewport::RightToLeftOffset(bool excludeScrollBar) const
{
    const bool verticalBar = int(m_range_y) > ClientHeight() && m_scroll_bar_options.Vertical();
    const int barWidth = verticalBar ? WindowPort().VerticalScrollBarWidth() : 0;
    int result = barWidth;
    const int headerWidth = m_header_rect.Right - m_header_rect.Left;
    if (headerWidth >= result + int(m_range_x))
        result = headerWidth - int(m_range_x);
    return excludeScrollBar ? result - barWidth : result;
}

void TTreeViewport::SetBottomSpace(uint32_t value)
{
    if (value == m_bottom_space)
        return;
    m_bottom_space = value;
    UpdateVerticalScrollBar(true);
}

void TTreeViewport::SetAnimationDuration(uint32_t value)
{
    m_animation_duration = value;
    TVTAnimationOptions options = TreeOptions().AnimationOptions();
    if (value == 0)
        options &= TVTAnimationOptions(~toAnimatedToggle);
    else
        options |= toAnimatedToggle;
    TreeOptions().SetAnimationOptions(options);
}

void TTreeViewport::SetFocusedColumn(TColumnIndex value)
{
    if (value == FocusedColumn() || !DoFocusChanging(FocusedNode(), FocusedNode(), FocusedColumn(), value))
        return;
    CancelEditing();
    InvalidateColumn(FocusedColumn());
    InvalidateColumn(value);
    StoreFocusedColumn(value);
    if (FocusedNode() && !(TreeOptions().AutoOptions() & toDisableAutoscrollOnFocus)) {
        if (ScrollIntoView(FocusedNode(), (TreeOptions().SelectionOptions() & toCenterScrollIntoView) != 0, true))
            InvalidateNode(FocusedNode());
    }
    if (DropTargetNode())
        InvalidateNode(DropTargetNode());
    DoFocusChange(FocusedNode(), FocusedColumn());
}

void TTreeViewport::AssignView(const TTreeViewport& source)
{
    if (TreeOptions().MiscOptions() & toReadOnly)
        throw core::EConvertError(u"Cannot assign to a read-only tree");
    SetAutoScrollDelay(source.m_auto_scroll_delay);
    SetAutoScrollInterval(source.m_auto_scroll_interval);
    SetChangeDelay(source.ChangeDelay());
    m_colors.Assign(source.m_colors);
    SetDefaultNodeHeight(source.DefaultNodeHeight());
    m_header->Assign(*source.m_header);
    SetIndent(source.m_indent);
    SetMargin(source.m_margin);
    SetNodeDataSize(source.NodeDataSize());
    SetTreeOptions(source.TreeOptions());
    SetRootNodeCount(source.RootNodeCount());
    m_scroll_bar_options.Assign(source.m_scroll_bar_options);
    SetSelectionBlendFactor(source.m_selection_blend_factor);
}

void TTreeViewport::ChangeScale(int m, int d)
{
    if (m == d || d == 0 || !(TreeOptions().AutoOptions() & toAutoChangeScale))
        return;
    if (Loading() && !(TreeStates() & tsNeedScale))
        return;
    // Existing nodes keep their heights: only the default changes.
    StoreDefaultNodeHeight(uint32_t((int64_t(DefaultNodeHeight()) * m + d / 2) / d));
    m_header->ScaleHeaderFont(m, d);
}

// ---- Offsets, ranges and scroll bars ----

void TTreeViewport::SetOffsetX(int value) { ApplyOffset(TPoint{value, OffsetY()}); }
void TTreeViewport::SetOffsetY(int value) { ApplyOffset(TPoint{OffsetX(), value}); }
void TTreeViewport::SetOffsetXY(int x, int y) { ApplyOffset(TPoint{x, y}); }

void TTreeViewport::UpdateRanges()
{
    PVirtualNode root = RootNode();
    if (root) {
        uint32_t total = std::max<uint32_t>(root->TotalHeight, DefaultNodeHeight());
        m_range_y = uint32_t(std::max<int64_t>(0, int64_t(total) + m_bottom_space - root->NodeHeight));
    } else {
        m_range_y = 0;
    }
    if (m_header->UseColumns()) {
        m_range_x = uint32_t(std::max(0, m_header->Columns().TotalWidth()));
    } else {
        // Without columns the content is as wide as the widest visible row reaches.
        int widest = 0;
        for (PVirtualNode node = GetFirstVisibleNoInit(nullptr, true); node; node = GetNextVisibleNoInit(node, true)) {
            int right = NodeIndentation(node) + m_margin + DoGetNodeWidth(node, NoColumn) + 2 * m_text_margin;
            widest = std::max(widest, right);
        }
        m_range_x = uint32_t(widest);
    }
}

void TTreeViewport::UpdateScrollBars(bool doRepaint)
{
    if (!WindowPort().HandleAllocated())
        return;
    UpdateVerticalScrollBar(doRepaint);
    UpdateHorizontalScrollBar(doRepaint);
}

void TTreeViewport::UpdateVerticalScrollBar(bool doRepaint)
{
    UpdateRanges();
    if (TreeStates() & tsUpdating)
        return;
    TreeWindowPort& port = WindowPort();
    int clientHeight = ClientHeight();
    if (!m_scroll_bar_options.Vertical()) {
        ShowScrollBarAndNotify(TScrollBarKind::Vertical, false);
        StoreOffsets(OffsetX(), std::max(std::min(0, OffsetY()), std::min(0, clientHeight - int(m_range_y))));
        return;
    }
    TScrollInfo info;
    if (clientHeight < int(m_range_y) || m_scroll_bar_options.AlwaysVisible()) {
        ShowScrollBarAndNotify(TScrollBarKind::Vertical, true);
        info.Min = 0;
        info.Max = int(m_range_y);
        info.Page = std::max(0, clientHeight + 1);
        // The platform keeps the position within 0..Max - Page + 1.
        info.Pos = std::max(0, std::min(-OffsetY(), info.Max - info.Page + 1));
        info.DisableNoScroll = m_scroll_bar_options.AlwaysVisible();
        port.SetScrollInfo(TScrollBarKind::Vertical, info);
        if (doRepaint)
            port.Invalidate(nullptr);
    } else {
        port.SetScrollInfo(TScrollBarKind::Vertical, info);
        ShowScrollBarAndNotify(TScrollBarKind::Vertical, false);
    }
    int newY = -info.Pos;
    if (newY != OffsetY()) {
        int dy = newY - OffsetY();
        StoreOffsets(OffsetX(), newY);
        port.Invalidate(nullptr);
        DoScroll(0, dy);
    }
}

void TTreeViewport::UpdateHorizontalScrollBar(bool doRepaint)
{
    UpdateRanges();
    if (TreeStates() & tsUpdating)
        return;
    TreeWindowPort& port = WindowPort();
    int clientWidth = ClientWidth();
    bool rtl = UseRightToLeftAlignment();
    m_effective_offset_x = EffectiveOffsetFor(OffsetX());
    if (!m_scroll_bar_options.Horizontal()) {
        ShowScrollBarAndNotify(TScrollBarKind::Horizontal, false);
        int x = std::max(std::min(0, OffsetX()), std::min(0, clientWidth - int(m_range_x)));
        StoreOffsets(x, OffsetY());
        m_effective_offset_x = EffectiveOffsetFor(x);
        return;
    }
    TScrollInfo info;
    if (clientWidth < int(m_range_x) || m_scroll_bar_options.AlwaysVisible()) {
        ShowScrollBarAndNotify(TScrollBarKind::Horizontal, true);
        info.Max = int(m_range_x);
        info.Page = std::max(0, clientWidth + 1);
        info.Pos = std::max(0, std::min(m_effective_offset_x, info.Max - info.Page + 1));
        info.DisableNoScroll = m_scroll_bar_options.AlwaysVisible();
        port.SetScrollInfo(TScrollBarKind::Horizontal, info);
        if (doRepaint)
            port.Invalidate(nullptr);
    } else {
        port.SetScrollInfo(TScrollBarKind::Horizontal, info);
        ShowScrollBarAndNotify(TScrollBarKind::Horizontal, false);
    }
    m_effective_offset_x = info.Pos;
    // Content narrower than a right-to-left window keeps the offset 0 (it is never positive).
    int newX = rtl ? std::min(0, clientWidth + m_effective_offset_x - int(m_range_x)) : -m_effective_offset_x;
    if (newX != OffsetX()) {
        int dx = newX - OffsetX();
        StoreOffsets(newX, OffsetY());
        port.Invalidate(nullptr);
        port.InvalidateHeader(nullptr);
        DoScroll(dx, 0);
    }
}

bool TTreeViewport::ApplyOffset(TPoint value, TScrollUpdateOptions options, const TRect* clipRect)
{
    int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    bool rtl = UseRightToLeftAlignment();
    int x = value.X;
    if (x < clientWidth - int(m_range_x))
        x = clientWidth - int(m_range_x);
    if (x > 0)
        x = 0;
    int deltaX = x - OffsetX();
    if (rtl)
        deltaX = -deltaX;
    int y = value.Y;
    if (y < clientHeight - int(m_range_y))
        y = clientHeight - int(m_range_y);
    if (y > 0)
        y = 0;
    int deltaY = y - OffsetY();
    if (deltaX == 0 && deltaY == 0)
        return false;
    StoreOffsets(x, y);
    m_effective_offset_x = EffectiveOffsetFor(x);
    CancelHint();
    TreeWindowPort& port = WindowPort();
    if (UpdateCount() == 0 && port.HandleAllocated()) {
        if ((options & suoScrollClientArea) && !(TreeStates() & tsInAnimation)) {
            int fixed = m_header->UseColumns() ? m_header->Columns().GetVisibleFixedWidth() : 0;
            if (deltaX != 0 && fixed > 0) {
                TRect right{fixed, 0, clientWidth, clientHeight};
                port.ScrollClient(deltaX, 0, &right);
                if (deltaY != 0)
                    port.ScrollClient(0, deltaY, clipRect);
            } else {
                port.ScrollClient(deltaX, deltaY, clipRect);
            }
        }
        if (options & suoUpdateNCArea) {
            if (deltaX != 0) {
                if ((options & suoRepaintHeader) && (m_header->Options() & hoVisible))
                    port.InvalidateHeader(nullptr);
                if (!(TreeStates() & tsSizing) && m_scroll_bar_options.Horizontal())
                    UpdateHorizontalScrollBar((options & suoRepaintScrollBars) != 0);
            }
            if (deltaY != 0 && !(TreeStates() & (tsSizing | tsThumbTracking))) {
                UpdateVerticalScrollBar((options & suoRepaintScrollBars) != 0);
                if (!m_header->UseColumns() && !(TreeStates() & tsDrawSelecting) && m_scroll_bar_options.Horizontal())
                    UpdateHorizontalScrollBar((options & suoRepaintScrollBars) != 0);
            }
        }
    }
    TrackHotAfterScroll();
    DoScroll(deltaX, deltaY);
    return true;
}

void TTreeViewport::HandleScrollRequest(TScrollBarKind bar, TScrollCode code, int trackPos)
{
    if (bar == TScrollBarKind::Vertical) {
        int step = m_scroll_bar_options.VerticalIncrement();
        switch (code) {
        case scLineUp: SetOffsetY(OffsetY() + step); break;
        case scLineDown: SetOffsetY(OffsetY() - step); break;
        case scPageUp: SetOffsetY(OffsetY() + ClientHeight()); break;
        case scPageDown: SetOffsetY(OffsetY() - ClientHeight()); break;
        case scTop: SetOffsetY(0); break;
        case scBottom: SetOffsetY(-int(RootNode()->TotalHeight)); break;
        case scEndScroll:
            ChangeStates(0, tsThumbTracking);
            UpdateVerticalScrollBar(true);
            break;
        case scThumbPosition:
        case scThumbTrack:
            ChangeStates(tsThumbTracking, 0);
            SetOffsetY(-trackPos);
            break;
        }
        return;
    }
    bool rtl = UseRightToLeftAlignment();
    int step = m_scroll_bar_options.HorizontalIncrement();
    int page = ClientWidth() - (m_header->UseColumns() ? m_header->Columns().GetVisibleFixedWidth() : 0);
    int sign = rtl ? -1 : 1;
    switch (code) {
    case scLineUp: SetOffsetX(OffsetX() + sign * step); break;
    case scLineDown: SetOffsetX(OffsetX() - sign * step); break;
    case scPageUp: SetOffsetX(OffsetX() + sign * page); break;
    case scPageDown: SetOffsetX(OffsetX() - sign * page); break;
    // The bar itself is not mirrored: its left end shows the content's left end in both layouts.
    case scTop: SetOffsetX(rtl ? -int(m_range_x) : 0); break;
    case scBottom: SetOffsetX(rtl ? 0 : -int(m_range_x)); break;
    case scEndScroll:
        ChangeStates(0, tsThumbTracking);
        UpdateHorizontalScrollBar(false);
        break;
    case scThumbPosition:
    case scThumbTrack:
        ChangeStates(tsThumbTracking, 0);
        SetOffsetX(rtl ? ClientWidth() + trackPos - int(m_range_x) : -trackPos);
        break;
    }
}

void TTreeViewport::HandleWheel(int delta, bool shift, bool ctrl, unsigned lines)
{
    double factor = delta / 120.0;
    bool pageWise = ctrl || lines == UINT_MAX;
    if (int(m_range_y) > ClientHeight() && !shift) {
        double step = pageWise ? ClientHeight() * factor : double(lines) * factor * DefaultNodeHeight();
        SetOffsetY(OffsetY() + int(step));
    } else {
        int fixed = m_header->UseColumns() ? m_header->Columns().GetVisibleFixedWidth() : 0;
        double step = pageWise ? (ClientWidth() - fixed) * factor
                               : double(m_header->Columns().GetScrollWidth()) * lines * factor;
        int dx = int(step);
        if (UseRightToLeftAlignment())
            dx = -dx;
        SetOffsetX(OffsetX() + dx);
    }
}

// ---- Geometry ----

int TTreeViewport::NodeIndentation(PVirtualNode node) const
{
    int level = int(GetNodeLevel(node));
    int indent = int(m_indent) * level;
    if (TreeOptions().PaintOptions() & toShowRoot)
        indent += int(m_indent);
    return indent;
}

TSize TTreeViewport::ImageSize(TVTImageKind) const { return {}; }

bool TTreeViewport::ShowsImage(PVirtualNode node, TVTImageKind kind, TColumnIndex column)
{
    if (ImageSize(kind).cx <= 0)
        return false;
    bool ghosted = false;
    int index = -1;
    QueryImageIndex(node, kind, column, ghosted, index);
    return index >= 0;
}

int TTreeViewport::DoGetNodeExtraWidth(PVirtualNode node, TColumnIndex column)
{
    int extra = 0;
    if (OnGetNodeExtraWidth)
        OnGetNodeExtraWidth(this, node, column, extra);
    return extra;
}

PVirtualNode TTreeViewport::GetNodeAt(int x, int y, bool relative, int& nodeTop)
{
    (void)x;
    if (y < 0)
        y = 0;
    int absolute = relative ? y - OffsetY() : y;
    if (absolute < 0)
        absolute = 0;
    uint32_t top = 0;
    PVirtualNode node = GetNodeAtY(uint32_t(absolute), &top);
    nodeTop = relative ? int(top) + OffsetY() : int(top);
    return node;
}

TRect TTreeViewport::GetDisplayRect(PVirtualNode node, TColumnIndex column, bool textOnly, bool unclipped,
                                       bool applyCellContentMargin)
{
    (void)applyCellContentMargin;
    CORE_ASSERT(node != nullptr, u"Node must not be nil.");
    CORE_ASSERT(node != RootNode(), u"Node must not be the hidden root node.");
    if (!treeview::HasState(node, vsInitialized))
        InitializeNode(node);
    TRect result;
    bool mainColumn = column == NoColumn || column == m_header->MainColumn();
    if (!IsEffectivelyVisible(node) || IsEffectivelyHidden(node))
        return result;
    int indent = 0;
    for (PVirtualNode p = node->Parent; p && p != RootNode(); p = p->Parent) {
        if (!treeview::HasState(p, vsVisible) || !treeview::HasState(p, vsExpanded))
            return result;
        if (mainColumn)
            indent += int(m_indent);
    }
    int top = int(GetNodeTop(node));
    int width = std::max(ClientWidth(), int(m_range_x));
    result = TRect{0, top, width, top + int(NodeHeight(node))};
    if (column == NoColumn || !m_header->Columns().IsValidColumn(column)) {
        result.Left -= m_effective_offset_x;
        result.Right -= m_effective_offset_x;
    } else {
        int left = 0, right = 0;
        m_header->Columns().GetColumnBounds(column, left, right);
        result.Left = left;
        result.Right = right - 1;
    }
    result.Top += OffsetY();
    result.Bottom += OffsetY();
    if (!textOnly)
        return result;
    int offset = m_margin + indent;
    if (mainColumn) {
        if (TreeOptions().PaintOptions() & toShowRoot)
            offset += int(m_indent);
        if ((TreeOptions().MiscOptions() & toCheckSupport) && CheckImageWidth() > 0 && node->CheckType != ctNone)
            offset += CheckImageWidth() + 2;
    }
    if (ShowsImage(node, TVTImageKind::ikState, column))
        offset += ImageSize(TVTImageKind::ikState).cx + 2;
    if (ShowsImage(node, TVTImageKind::ikNormal, column))
        offset += ImageSize(TVTImageKind::ikNormal).cx + 2;
    TAlignment alignment = m_alignment;
    bool rtl = UseRightToLeftReading();
    if (m_header->Columns().IsValidColumn(column)) {
        alignment = m_header->Columns()[column].Alignment();
        rtl = m_header->Columns()[column].UseRightToLeftReading();
    }
    if (rtl) {
        result.Right -= offset;
        if (alignment == taLeftJustify)
            alignment = taRightJustify;
        else if (alignment == taRightJustify)
            alignment = taLeftJustify;
    } else {
        result.Left += offset;
    }
    int textWidth = DoGetNodeWidth(node, column);
    if (unclipped) {
        if (result.Right - result.Left < textWidth - 1)
            alignment = rtl ? taRightJustify : taLeftJustify;
        int textHeight = WindowPort().TextHeight();
        int rowHeight = result.Bottom - result.Top;
        if (textHeight > rowHeight) {
            int grow = (textHeight - rowHeight) / 2 + 1;
            result.Top -= grow;
            result.Bottom += grow;
        }
        switch (alignment) {
        case taLeftJustify: result.Right = result.Left + textWidth - 1; break;
        case taRightJustify: result.Left = result.Right - textWidth; break;
        case taCenter:
            result.Left = (result.Left + result.Right - textWidth) / 2;
            result.Right = result.Left + textWidth;
            break;
        }
    } else if (textWidth < result.Right - result.Left) {
        switch (alignment) {
        case taLeftJustify: result.Right = result.Left + textWidth; break;
        case taRightJustify: result.Left = result.Right - textWidth; break;
        case taCenter:
            result.Left = (result.Left + result.Right - textWidth) / 2;
            result.Right = result.Left + textWidth;
            break;
        }
    }
    return result;
}

void TTreeViewport::GetHitTestInfoAt(int x, int y, bool relative, THitInfo& hitInfo)
{
    hitInfo = THitInfo{};
    int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    if (x < 0)
        hitInfo.HitPositions |= hiToLeft;
    else if (x > std::max(clientWidth, int(m_range_x)))
        hitInfo.HitPositions |= hiToRight;
    if (y < 0)
        hitInfo.HitPositions |= hiAbove;
    else if (y > std::max(clientHeight, int(m_range_y)))
        hitInfo.HitPositions |= hiBelow;
    if (hitInfo.HitPositions != 0)
        return;
    int fixed = m_header->UseColumns() ? m_header->Columns().GetVisibleFixedWidth() : 0;
    if (relative) {
        if (x > fixed)
            x += m_effective_offset_x;
        y -= OffsetY();
    }
    int nodeTop = 0;
    PVirtualNode node = GetNodeAt(x, y, false, nodeTop);
    if (!node) {
        hitInfo.HitPositions = hiNowhere;
        return;
    }
    if (!treeview::HasState(node, vsInitialized))
        InitializeNode(node);
    hitInfo.HitNode = node;
    int left = 0, right = 0;
    TColumnIndex column = NoColumn;
    TVirtualTreeColumns& columns = m_header->Columns();
    if (m_header->UseColumns()) {
        // Column bounds in unscrolled content coordinates.
        column = columns.ColumnAndBoundsAt(TPoint{x, 0}, left, right, false);
        if (columns.IsValidColumn(column) && (TreeOptions().AutoOptions() & toAutoSpanColumns)) {
            while (IsCellEmpty(node, column)) {
                TColumnIndex previous = columns.GetPreviousVisibleColumn(column);
                if (!columns.IsValidColumn(previous))
                    break;
                column = previous;
                columns[column].GetUnscrolledBounds(left, right);
            }
            for (TColumnIndex next = columns.GetNextVisibleColumn(column);
                 columns.IsValidColumn(next) && IsCellEmpty(node, next); next = columns.GetNextVisibleColumn(next)) {
                right += columns[next].Width();
            }
        }
    } else {
        right = std::max(clientWidth, int(m_range_x));
    }
    hitInfo.HitColumn = column;
    if (column == InvalidColumn) {
        hitInfo.HitPositions = hiNowhere;
        return;
    }
    hitInfo.HitPositions = hiOnItem;
    if (TreeOptions().MiscOptions() & toNodeHeightResize) {
        int rowBottom = nodeTop + int(NodeHeight(node));
        if (y <= nodeTop + 1)
            hitInfo.HitPositions |= hiUpperSplitter;
        else if (y >= rowBottom - 3)
            hitInfo.HitPositions |= hiLowerSplitter;
    }
    int offset = x - left;
    int width = right - left;
    TAlignment alignment = m_alignment;
    bool rtl = UseRightToLeftReading();
    if (columns.IsValidColumn(column)) {
        alignment = columns[column].Alignment();
        rtl = columns[column].UseRightToLeftReading();
    }
    if (rtl)
        HitPositionRightToLeft(hitInfo, offset, alignment, width);
    else
        HitPositionLeftToRight(hitInfo, offset, alignment, width);
}

void TTreeViewport::HitPositionLeftToRight(THitInfo& hitInfo, int offset, TAlignment alignment, int right)
{
    PVirtualNode node = hitInfo.HitNode;
    TColumnIndex column = hitInfo.HitColumn;
    bool mainColumn = column == NoColumn || column == m_header->MainColumn();
    int indent = 0;
    if (mainColumn) {
        if (TreeOptions().PaintOptions() & toFixedIndent)
            indent = int(m_indent);
        else
            indent = NodeIndentation(node);
    }
    THitPositions& positions = hitInfo.HitPositions;
    if (offset < indent) {
        if ((TreeOptions().PaintOptions() & toShowButtons) && treeview::HasState(node, vsHasChildren)) {
            if (offset >= indent - int(m_indent))
                positions |= hiOnItemButton;
            if (offset >= indent - PlusButtonWidth())
                positions |= hiOnItemButtonExact;
        }
        if (!(positions & (hiOnItemButton | hiOnItemButtonExact)))
            positions |= hiOnItemIndent;
        return;
    }
    if (!mainColumn && (TreeOptions().MiscOptions() & toReportMode))
        return;
    indent += m_margin;
    bool check = mainColumn && (TreeOptions().MiscOptions() & toCheckSupport) && CheckImageWidth() > 0 &&
                 node->CheckType != ctNone;
    if (check)
        indent += CheckImageWidth() + 2;
    if (mainColumn && offset < indent) {
        positions = hiOnItem | (node->CheckType != ctNone ? THitPositions(hiOnItemCheckbox) : 0u);
        return;
    }
    THitPositions position = 0;
    if (ShowsImage(node, TVTImageKind::ikState, column)) {
        indent += ImageSize(TVTImageKind::ikState).cx + 2;
        position = hiOnStateIcon;
    }
    if (offset >= indent) {
        if (ShowsImage(node, TVTImageKind::ikNormal, column)) {
            indent += ImageSize(TVTImageKind::ikNormal).cx + 2;
            position = hiOnNormalIcon;
        }
        if (offset >= indent) {
            int w = DoGetNodeWidth(node, column);
            if (right - indent < w) {
                position = hiOnItemLabel;
            } else {
                switch (alignment) {
                case taRightJustify: position = offset < right - w ? hiOnItemLeft : hiOnItemLabel; break;
                case taCenter: {
                    int m = (right + indent - w) / 2;
                    position = offset < m ? hiOnItemLeft : offset < m + w ? hiOnItemLabel : hiOnItemRight;
                    break;
                }
                default: position = offset < indent + w ? hiOnItemLabel : hiOnItemRight; break;
                }
            }
        }
    }
    positions |= position;
}

void TTreeViewport::HitPositionRightToLeft(THitInfo& hitInfo, int offset, TAlignment alignment, int right)
{
    PVirtualNode node = hitInfo.HitNode;
    TColumnIndex column = hitInfo.HitColumn;
    bool mainColumn = column == NoColumn || column == m_header->MainColumn();
    int c = right;
    if (mainColumn)
        c -= (TreeOptions().PaintOptions() & toFixedIndent) ? int(m_indent) : NodeIndentation(node);
    THitPositions& positions = hitInfo.HitPositions;
    THitPositions position = 0;
    if (offset < c) {
        if (!mainColumn && (TreeOptions().MiscOptions() & toReportMode))
            return;
        c -= m_margin;
        if (mainColumn && (TreeOptions().MiscOptions() & toCheckSupport) && CheckImageWidth() > 0 &&
            node->CheckType != ctNone)
            c -= CheckImageWidth() + 2;
        if (mainColumn && c < offset) {
            positions = hiOnItem | (node->CheckType != ctNone ? THitPositions(hiOnItemCheckbox) : 0u);
            return;
        }
        if (ShowsImage(node, TVTImageKind::ikState, column)) {
            c -= ImageSize(TVTImageKind::ikState).cx + 2;
            position = hiOnStateIcon;
        }
        if (c >= offset) {
            if (ShowsImage(node, TVTImageKind::ikNormal, column)) {
                c -= ImageSize(TVTImageKind::ikNormal).cx + 2;
                position = hiOnNormalIcon;
            }
            if (c >= offset) {
                int w = DoGetNodeWidth(node, column);
                position = hiOnItemLabel;
                if (c >= w) {
                    TAlignment mirrored = alignment == taLeftJustify    ? taRightJustify
                                          : alignment == taRightJustify ? taLeftJustify
                                                                        : taCenter;
                    c -= w;
                    switch (mirrored) {
                    case taRightJustify: position = offset < c ? hiOnItemLeft : hiOnItemLabel; break;
                    case taCenter: {
                        int h = c / 2;
                        position = offset < h ? hiOnItemLeft : offset < w + h ? hiOnItemLabel : hiOnItemRight;
                        break;
                    }
                    default: position = w < offset ? hiOnItemRight : hiOnItemLabel; break;
                    }
                }
            }
        }
    } else {
        if ((TreeOptions().PaintOptions() & toShowButtons) && treeview::HasState(node, vsHasChildren)) {
            if (c + int(m_indent) >= offset)
                positions |= hiOnItemButton;
            if (c + PlusButtonWidth() >= offset)
                positions |= hiOnItemButtonExact;
        }
        if (positions & (hiOnItemButton | hiOnItemButtonExact))
            return;
        position = hiOnItemIndent;
    }
    positions |= position;
}

TRect TTreeViewport::GetTreeRect() const
{
    return TRect{0, 0, std::max(ClientWidth(), int(m_range_x)), std::max(ClientHeight(), int(m_range_y))};
}

int TTreeViewport::GetMaxColumnWidth(TColumnIndex column, bool useSmartColumnWidth)
{
    TVirtualTreeColumns& columns = m_header->Columns();
    if (OperationCanceled())
        return columns.IsValidColumn(column) ? columns[column].Width() : 0;
    BeginOperation();
    struct End {
        TTreeViewport& tree;
        ~End() { tree.EndOperation(); }
    } end{*this};
    if (OnBeforeGetMaxColumnWidth)
        OnBeforeGetMaxColumnWidth(m_header.get(), column, useSmartColumnWidth);
    bool mainColumn = column == NoColumn || column == m_header->MainColumn();
    PVirtualNode node, last = nullptr;
    if (useSmartColumnWidth) {
        node = TopNode();
        last = BottomNode();
    } else {
        node = GetFirstVisible(nullptr, true);
    }
    int result = 0;
    bool check = mainColumn && (TreeOptions().MiscOptions() & toCheckSupport) && CheckImageWidth() > 0;
    for (; node; node = GetNextVisible(node, true)) {
        int width = m_margin;
        if (mainColumn)
            width += (TreeOptions().PaintOptions() & toFixedIndent) ? int(m_indent) : NodeIndentation(node);
        if (check && node->CheckType != ctNone)
            width += CheckImageWidth() + 2;
        if (ShowsImage(node, TVTImageKind::ikNormal, column))
            width += ImageSize(TVTImageKind::ikNormal).cx + 2;
        if (ShowsImage(node, TVTImageKind::ikState, column))
            width += ImageSize(TVTImageKind::ikState).cx + 2;
        width += DoGetNodeWidth(node, column) + DoGetNodeExtraWidth(node, column);
        result = std::max(result, width);
        if (node == last || OperationCanceled())
            break;
    }
    if (!GetFirstVisibleNoInit(nullptr, true))
        result = 0;
    if (TreeOptions().PaintOptions() & toShowVertGridLines)
        ++result;
    if (OnAfterGetMaxColumnWidth)
        OnAfterGetMaxColumnWidth(m_header.get(), column, result);
    return result;
}

void TTreeViewport::SetTopNode(PVirtualNode node)
{
    if (!node)
        return;
    for (PVirtualNode p = node->Parent; p && p != RootNode(); p = p->Parent)
        if (!Expanded(p))
            ToggleNode(p);
    UpdateRanges();
    TRect r = GetDisplayRect(node, NoColumn, false);
    SetOffsetY(OffsetY() - r.Top);
}

PVirtualNode TTreeViewport::BottomNode()
{
    int top = 0;
    return GetNodeAt(0, ClientHeight() - 1, true, top);
}

void TTreeViewport::SetBottomNode(PVirtualNode node)
{
    if (!node)
        return;
    for (PVirtualNode p = node->Parent; p && p != RootNode(); p = p->Parent)
        if (!Expanded(p))
            ToggleNode(p);
    UpdateRanges();
    TRect r = GetDisplayRect(node, NoColumn, false);
    ApplyOffset(TPoint{OffsetX(), ClientHeight() + OffsetY() - r.Top - int(NodeHeight(node))},
                suoRepaintScrollBars | suoUpdateNCArea | suoScrollClientArea);
}

bool TTreeViewport::ScrollIntoView(PVirtualNode node, bool center, bool horizontally)
{
    if (!node || node == RootNode())
        return false;
    for (PVirtualNode p = node->Parent; p && p != RootNode(); p = p->Parent)
        if (!Expanded(p))
            ToggleNode(p);
    UpdateRanges();
    TVirtualTreeColumns& columns = m_header->Columns();
    bool textOnly = !(TreeOptions().MiscOptions() & toGridExtensions);
    TColumnIndex column = m_header->UseColumns() && columns.IsValidColumn(FocusedColumn()) ? FocusedColumn() : NoColumn;
    TRect r = GetDisplayRect(node, column, textOnly);
    int clientHeight = ClientHeight();
    bool scrolled = false;
    if (r.Top < 0) {
        int y = OffsetY() - r.Top + (center ? clientHeight / 2 : 0);
        scrolled = ApplyOffset(TPoint{OffsetX(), y}) || scrolled;
        scrolled = true;
    } else if (r.Bottom > clientHeight || center) {
        int y = OffsetY() + (center ? clientHeight / 2 : clientHeight) - r.Bottom;
        bool horizontalShown = m_scroll_bar_options.Horizontal() &&
                               (m_scroll_bar_options.AlwaysVisible() || int(m_range_x) > ClientWidth());
        if (!m_header->UseColumns() && !horizontalShown && int(m_range_x) > ClientWidth())
            y -= WindowPort().HorizontalScrollBarHeight();
        ApplyOffset(TPoint{OffsetX(), y});
        scrolled = true;
    }
    if (horizontally && ScrollIntoView(FocusedColumn(), center))
        scrolled = true;
    return scrolled;
}

bool TTreeViewport::ScrollIntoView(TColumnIndex column, bool center)
{
    TVirtualTreeColumns& columns = m_header->Columns();
    if (!m_header->UseColumns() || !columns.IsValidColumn(column))
        return false;
    int l = columns[column].Left();
    int w = columns[column].Width();
    int f = columns.GetVisibleFixedWidth();
    int clientWidth = ClientWidth();
    int newPos;
    if (center) {
        newPos = l + m_effective_offset_x + w / 2 - f / 2 - clientWidth / 2;
        if (newPos == m_effective_offset_x)
            return true;
    } else if (l + w > clientWidth) {
        newPos = l + w + m_effective_offset_x - clientWidth;
    } else if (l < f) {
        newPos = m_effective_offset_x + l - f;
    } else {
        return true;
    }
    if (newPos == m_effective_offset_x)
        return true;
    if (UseRightToLeftAlignment())
        SetOffsetX(newPos + clientWidth - int(m_range_x));
    else
        SetOffsetX(-newPos);
    return true;
}

void TTreeViewport::ToggleNode(PVirtualNode node)
{
    CORE_ASSERT(node != nullptr, u"Node must not be nil.");
    if (node == RootNode() || treeview::HasState(node, vsDeleting) || treeview::HasState(node, vsToggling))
        return;
    bool wasToggling = (TreeStates() & tsToggling) != 0;
    ChangeStates(tsToggling, 0);
    struct Leave {
        TTreeViewport& tree;
        bool keep;
        ~Leave()
        {
            if (!keep)
                tree.ChangeStates(0, tsToggling);
        }
    } leave{*this, wasToggling};
    bool wasExpanded = Expanded(node);
    uint32_t collapsedHeight = node->TotalHeight - NodeHeight(node);
    bool childrenAbove = (TreeOptions().PaintOptions() & toChildrenAbove) != 0;
    TRect row;
    if (IsEffectivelyVisible(node) && !IsEffectivelyHidden(node) && FullyVisible(node))
        row = GetDisplayRect(node, NoColumn, false);
    m_toggle_repaint_all = false;
    TBaseVirtualTree::ToggleNode(node);
    bool animatedRepaintAll = m_toggle_repaint_all;
    m_toggle_repaint_all = false;
    if (Expanded(node) == wasExpanded)
        return; // refused
    if (wasExpanded && (TreeOptions().AutoOptions() & toAutoFreeOnCollapse) && node->ChildCount > 0) {
        DeleteChildren(node, false);
        SetHasChildren(node, true);
    }
    if (UpdateCount() > 0 || node->ChildCount == 0 || (TreeStates() & (tsExpanding | tsPainting))) {
        UpdateRanges();
        return;
    }
    UpdateRanges();
    int clientHeight = ClientHeight();
    int delta = wasExpanded ? -int(collapsedHeight) : int(node->TotalHeight - NodeHeight(node));
    bool autoScroll = (TreeOptions().AutoOptions() & toAutoScrollOnExpand) != 0;
    bool repaintAll = false;
    if (wasExpanded || (!autoScroll && !childrenAbove)) {
        // A collapse with children above moves the content down, so the row stays where it was.
        if (childrenAbove)
            ApplyOffset(TPoint{OffsetX(), OffsetY() - delta});
        repaintAll = true;
    } else if (childrenAbove) {
        repaintAll = true;
        bool fitsAll = int(NodeHeight(node)) + delta <= clientHeight;
        bool fitsAbove = row.Top - delta >= 0;
        bool rowInside = row.Bottom <= clientHeight;
        if ((fitsAll && fitsAbove && rowInside) || !autoScroll) {
            ApplyOffset(TPoint{OffsetX(), OffsetY() - delta});
        } else if (fitsAll && rowInside) {
            PVirtualNode first = GetFirstVisible(node, true);
            if (first)
                ApplyOffset(TPoint{OffsetX(), OffsetY() - GetDisplayRect(first, NoColumn, false).Top});
        } else {
            SetBottomNode(node);
        }
    } else {
        bool fits = int(NodeHeight(node)) + delta <= clientHeight;
        if (fits) {
            PVirtualNode last = GetLastVisible(node, true);
            repaintAll = last && ScrollIntoView(last, false, false);
        } else {
            SetTopNode(node);
            repaintAll = true;
        }
    }
    UpdateScrollBars(true);
    if (repaintAll || animatedRepaintAll)
        Invalidate();
    else
        InvalidateToBottom(node);
}

// ---- Toggle animation ----

void TTreeViewport::ToggleNodeChanging(PVirtualNode node, bool expanding)
{
    if (UpdateCount() > 0 || !(TreeOptions().AnimationOptions() & toAnimatedToggle) || AnimationDuration() == 0 ||
        !WindowPort().HandleAllocated())
        return;
    if (expanding)
        PlanExpandAnimation(node);
    else
        PlanCollapseAnimation(node);
}

void TTreeViewport::PlanCollapseAnimation(PVirtualNode node)
{
    if (TreeStates() & tsCollapsing)
        return;
    TRect row = GetDisplayRect(node, NoColumn, false);
    if (row.Bottom <= row.Top)
        return; // not on screen
    const int clientHeight = ClientHeight();
    const int clientWidth = ClientWidth();
    const int c = int(node->TotalHeight - NodeHeight(node));
    const int offsetY = OffsetY();
    const bool advanced = (TreeOptions().AnimationOptions() & toAdvancedAnimatedToggle) != 0;
    CancelHint();
    WindowPort().Update();
    TToggleAnimationPlan plan;
    plan.R1 = TRect{0, row.Top, clientWidth, row.Bottom};
    if (TreeOptions().PaintOptions() & toChildrenAbove) {
        if (row.Top >= clientHeight)
            return;
        if (c + offsetY <= 0 || !advanced) {
            plan.R1.Top = 0;
            plan.R1.Bottom = row.Top;
            plan.Mode1 = tamScrollDown;
            plan.Amount1 = std::min(row.Top + 1, c);
        } else {
            plan.R1.Top = std::max(0, row.Top - c);
            plan.R1.Bottom = clientHeight;
            plan.Mode1 = tamScrollUp;
            plan.Amount1 = offsetY + c;
        }
    } else {
        const int rangeY = int(RangeY());
        if (rangeY + offsetY - c < clientHeight && clientHeight < rangeY && offsetY != 0 && advanced) {
            // The content would end above the window's bottom: the rows above come down instead.
            plan.R1.Top = 0;
            plan.R1.Bottom = std::min(clientHeight, row.Bottom);
            plan.Mode1 = tamScrollDown;
            plan.Amount1 = std::min(-offsetY, clientHeight - (rangeY + offsetY - c));
            m_toggle_repaint_all = true;
        } else {
            plan.R1.Top = row.Top + int(NodeHeight(node));
            plan.R1.Bottom = clientHeight;
            plan.Mode1 = tamScrollUp;
            plan.Amount1 = std::min(clientHeight - plan.R1.Top + 1, c);
        }
    }
    if (plan.R1.Top < clientHeight)
        StartToggleAnimation(plan);
}

void TTreeViewport::PlanExpandAnimation(PVirtualNode node)
{
    if (node->ChildCount == 0 || (TreeStates() & (tsExpanding | tsPainting)))
        return;
    TRect row = GetDisplayRect(node, NoColumn, false);
    if (row.Bottom <= row.Top)
        return; // not on screen
    int delta = 0;
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        if (IsEffectivelyVisible(child))
            delta += int(child->TotalHeight);
    const int clientHeight = ClientHeight();
    const int clientWidth = ClientWidth();
    const int nodeHeight = int(NodeHeight(node));
    const int rangeY = int(RangeY());
    const int offsetY = OffsetY();
    const bool childrenAbove = (TreeOptions().PaintOptions() & toChildrenAbove) != 0;
    const bool advanced = (TreeOptions().AnimationOptions() & toAdvancedAnimatedToggle) != 0;
    const bool autoScroll = (TreeOptions().AutoOptions() & toAutoScrollOnExpand) != 0;
    const int rowTop = row.Top;
    const bool fitsAll = nodeHeight + delta <= clientHeight;
    const bool fits = childrenAbove ? fitsAll && rangeY >= clientHeight : fitsAll;
    const bool fitsBelow = row.Bottom + delta <= clientHeight;
    const bool fitsAbove = rowTop - delta >= 0;
    const bool rowInside = row.Bottom <= clientHeight;
    if (rowTop >= clientHeight)
        return;
    CancelHint();
    WindowPort().Update();
    TToggleAnimationPlan plan;
    if (!childrenAbove) {
        if (!(fits && fitsBelow) && autoScroll && advanced && rowTop > 0) {
            // The row moves up while the children slide in below it.
            plan.R1 = TRect{0, 0, clientWidth, rowTop + nodeHeight + 1};
            plan.Mode1 = tamScrollUp;
            plan.R2 = TRect{0, plan.R1.Bottom, clientWidth, clientHeight};
            plan.Mode2 = tamScrollDown;
            plan.Amount2 = clientHeight - plan.R2.Top;
            plan.Amount1 = std::min(delta - plan.Amount2, plan.R1.Bottom - nodeHeight);
        } else {
            plan.R1 = TRect{0, rowTop + nodeHeight, clientWidth, clientHeight};
            plan.Mode1 = tamScrollDown;
            plan.Amount1 = std::min(plan.R1.Bottom - plan.R1.Top, delta);
        }
    } else if (!advanced || (fits && ((fitsAbove && rowInside) || !autoScroll))) {
        plan.R1 = TRect{0, 0, clientWidth, rowTop};
        plan.Mode1 = tamScrollUp;
        plan.Amount1 = std::min(delta, rowTop);
    } else {
        plan.R1 = TRect{0, rowTop, clientWidth, clientHeight};
        plan.Mode1 = tamScrollDown;
        plan.R2 = TRect{0, 0, clientWidth, rowTop};
        plan.Mode2 = tamScrollUp;
        const int over = rangeY + delta - clientHeight;
        if (!autoScroll) {
            plan.Amount1 = delta - offsetY - std::max(0, over);
            if (over <= 0)
                plan.Mode2 = tamNoScroll;
            else
                plan.Amount2 = std::min(over, rowTop);
        } else {
            if (fitsAll && rowInside && over > 0) {
                plan.Amount1 = delta < rowTop ? clientHeight - rangeY : std::abs(rowTop - delta);
            } else if (over <= 0) {
                plan.Mode2 = tamNoScroll;
                plan.Amount1 = delta;
            } else {
                plan.Amount1 = clientHeight - rowTop - nodeHeight;
            }
            if (plan.Mode2 != tamNoScroll) {
                if (plan.Amount1 > 0) {
                    plan.Amount2 = std::min(delta - plan.Amount1, rowTop);
                } else {
                    plan.Mode1 = tamNoScroll;
                    plan.Amount2 = std::min(delta, clientHeight);
                }
            }
        }
    }
    if (plan.R1.Top <= clientHeight)
        StartToggleAnimation(plan);
}

void TTreeViewport::StartToggleAnimation(TToggleAnimationPlan plan)
{
    if (plan.Mode1 != tamNoScroll && plan.Mode2 != tamNoScroll && plan.Amount1 < plan.Amount2) {
        std::swap(plan.R1, plan.R2);
        std::swap(plan.Mode1, plan.Mode2);
        std::swap(plan.Amount1, plan.Amount2);
    }
    int steps = plan.Mode1 != tamNoScroll ? plan.Amount1 : plan.Amount2;
    if (steps > 0)
        AnimateToggle(plan);
}

void TTreeViewport::ReinitNode(PVirtualNode node, bool recursive)
{
    if (node && node != RootNode()) {
        ExcludeStates(node, vsChecking | vsCutOrCopy | vsDeleting | vsHeightMeasured);
        InitializeNode(node);
    }
    if (recursive)
        ReinitChildren(node, true);
}

void TTreeViewport::ReinitChildren(PVirtualNode node, bool recursive)
{
    if (!node)
        node = RootNode();
    if (node != RootNode())
        InitializeChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        ReinitNode(child, recursive);
}

void TTreeViewport::RepaintNode(PVirtualNode node)
{
    if (!node || node == RootNode() || !WindowPort().HandleAllocated())
        return;
    TRect r = GetDisplayRect(node, NoColumn, false);
    WindowPort().Invalidate(&r);
    WindowPort().Update();
}

void TTreeViewport::InvalidateChildren(PVirtualNode node, bool recursive)
{
    if (!node) {
        for (PVirtualNode child = RootNode()->FirstChild; child; child = child->NextSibling)
            InvalidateChildren(child, recursive), InvalidateNode(child);
        return;
    }
    if (!treeview::HasState(node, vsInitialized))
        InitializeNode(node);
    InvalidateNode(node);
    if (treeview::HasState(node, vsHasChildren) && node->ChildCount == 0)
        InitializeChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
        if (recursive)
            InvalidateChildren(child, true);
        else
            InvalidateNode(child);
    }
}

void TTreeViewport::InvalidateNode(PVirtualNode node)
{
    if (!node || node == RootNode() || UpdateCount() > 0 || !WindowPort().HandleAllocated())
        return;
    TRect r = GetDisplayRect(node, NoColumn, false);
    if (r.Bottom > r.Top)
        WindowPort().Invalidate(&r);
}

void TTreeViewport::InvalidateToBottom(PVirtualNode node)
{
    if (UpdateCount() > 0 || !WindowPort().HandleAllocated())
        return;
    if (!node || node == RootNode()) {
        WindowPort().Invalidate(nullptr);
        return;
    }
    if (!treeview::HasState(node, vsInitialized) || !IsEffectivelyVisible(node) || IsEffectivelyHidden(node))
        return;
    TRect r = GetDisplayRect(node, NoColumn, false);
    if (r.Bottom <= r.Top)
        return;
    if ((TreeOptions().PaintOptions() & toChildrenAbove) && Expanded(node))
        r.Top -= int(NodeHeight(node)) + int(node->TotalHeight);
    int clientHeight = ClientHeight();
    if (r.Top < clientHeight) {
        TRect area{0, std::max(0, r.Top), std::max(ClientWidth(), int(m_range_x)), clientHeight};
        WindowPort().Invalidate(&area);
    }
}

void TTreeViewport::InvalidateColumn(TColumnIndex column)
{
    if (UpdateCount() > 0 || !m_header->Columns().IsValidColumn(column) || !WindowPort().HandleAllocated())
        return;
    int left = 0, right = 0;
    m_header->Columns().GetColumnBounds(column, left, right);
    TRect r{left, 0, right, ClientHeight()};
    WindowPort().Invalidate(&r);
}

// ---- Animation and auto-scroll ----

uint32_t TTreeViewport::TickMilliseconds() const
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TTreeViewport::RunAnimation(int steps, uint32_t duration, const TVTAnimationCallback& callback)
{
    if ((TreeStates() & tsInAnimation) || duration == 0)
        return;
    ChangeStates(tsInAnimation, 0);
    struct Leave {
        TTreeViewport& tree;
        ~Leave() { tree.ChangeStates(0, tsInAnimation | tsCancelHintAnimation); }
    } leave{*this};
    int stepSize = int(std::lround(std::max(1.0, double(steps) / duration)));
    int64_t remainingTime = duration;
    int remainingSteps = steps / stepSize;
    int currentStep = 0;
    TreeWindowPort& port = WindowPort();
    while (remainingSteps > 0 && remainingTime > 0 && !port.ApplicationTerminated()) {
        uint32_t start = TickMilliseconds();
        bool go = callback(currentStep, stepSize);
        int64_t nextTimeStep = remainingTime / remainingSteps;
        if (!go)
            break;
        // Spin rather than sleep: steps keep the requested pace.
        while (int64_t(TickMilliseconds() - start) < nextTimeStep) {
        }
        int64_t elapsed = int64_t(TickMilliseconds() - start);
        int64_t before = remainingTime;
        remainingTime = std::max<int64_t>(0, remainingTime - elapsed);
        remainingSteps = elapsed > before ? 0 : remainingSteps - 1;
        while (remainingSteps > 0 && remainingTime / remainingSteps == 0) {
            ++stepSize;
            remainingSteps = int(remainingTime / stepSize);
        }
        currentStep = steps - remainingSteps;
    }
    if (!port.ApplicationTerminated())
        callback(0, 0);
}

bool TTreeViewport::AutoScrollAllowed()
{
    TVirtualTreeStates states = TreeStates();
    // Panning with the button held (tsWheelPanning) or released (tsWheelScrolling alone).
    bool panning = (states & (tsWheelPanning | tsWheelScrolling)) != 0;
    return (panning || (TreeOptions().AutoOptions() & toAutoScroll)) && m_header->States() == 0 &&
           ((states & (tsDrawSelPending | tsDrawSelecting)) || IsCurrentDropTarget() || (states & tsVCLDragging) ||
            panning);
}

TScrollDirections TTreeViewport::ScrollDirectionsAt(int x, int y)
{
    TScrollDirections result = 0;
    if (!AutoScrollAllowed())
        return result;
    if (TreeStates() & (tsWheelPanning | tsWheelScrolling)) {
        if (x - m_last_click_pos.X < -8)
            result |= sdLeft;
        if (x - m_last_click_pos.X > 8)
            result |= sdRight;
        if (y - m_last_click_pos.Y < -8)
            result |= sdUp;
        if (y - m_last_click_pos.Y > 8)
            result |= sdDown;
        return result;
    }
    int zone = int(DefaultNodeHeight());
    int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    if (x < zone && m_effective_offset_x != 0)
        result |= sdLeft;
    if (clientWidth + m_effective_offset_x < int(m_range_x) && x > clientWidth - zone)
        result |= sdRight;
    if (y < zone && OffsetY() != 0)
        result |= sdUp;
    if (clientHeight - OffsetY() < int(m_range_y) && y > clientHeight - zone)
        result |= sdDown;
    if (!result)
        m_drag_scroll_start = 0; // away from the edges: the delay starts anew next time
    if (result && (IsCurrentDropTarget() || IsControlAt(x, y))) {
        uint32_t now = TickMilliseconds();
        if (m_drag_scroll_start == 0)
            m_drag_scroll_start = now;
        if (now - m_drag_scroll_start < m_auto_scroll_delay)
            result = 0;
    }
    return result;
}

void TTreeViewport::AutoScrollAt(int x, int y)
{
    m_scroll_directions = ScrollDirectionsAt(x, y);
    if (TreeStates() & (tsWheelPanning | tsWheelScrolling))
        return;
    TreeWindowPort& port = WindowPort();
    if (m_scroll_directions == 0) {
        if (TreeStates() & (tsScrollPending | tsScrolling)) {
            port.KillTimer(ScrollTimer);
            ChangeStates(0, tsScrollPending | tsScrolling);
        }
    } else if (!(TreeStates() & (tsScrollPending | tsScrolling))) {
        ChangeStates(tsScrollPending, 0);
        port.SetTimer(ScrollTimer, m_auto_scroll_delay);
    }
}

TPoint TTreeViewport::ScrollDeltasAt(TPoint cursor, bool inClient, TPoint outside)
{
    bool panning = (TreeStates() & (tsWheelPanning | tsWheelScrolling)) != 0;
    int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    int vinc = std::min<int>(m_scroll_bar_options.VerticalIncrement(), clientHeight);
    int hinc = m_scroll_bar_options.HorizontalIncrement();
    TPoint delta;
    if (m_scroll_directions & sdUp) {
        delta.Y = panning ? m_last_click_pos.Y - cursor.Y - 8 : inClient ? vinc : vinc * std::abs(outside.Y);
        if (OffsetY() == 0)
            m_scroll_directions &= TScrollDirections(~sdUp);
    }
    if (m_scroll_directions & sdDown) {
        delta.Y = panning ? m_last_click_pos.Y - cursor.Y + 8 : inClient ? -vinc : -vinc * std::abs(outside.Y);
        if (clientHeight - OffsetY() == int(m_range_y))
            m_scroll_directions &= TScrollDirections(~sdDown);
    }
    if (m_scroll_directions & sdLeft) {
        delta.X = panning ? m_last_click_pos.X - cursor.X - 8 : inClient ? hinc : hinc * std::abs(outside.X);
        if (m_effective_offset_x == 0)
            m_scroll_directions &= TScrollDirections(~sdLeft);
    }
    if (m_scroll_directions & sdRight) {
        delta.X = panning ? m_last_click_pos.X - cursor.X + 8 : inClient ? -hinc : -hinc * std::abs(outside.X);
        if (clientWidth + m_effective_offset_x == int(m_range_x))
            m_scroll_directions &= TScrollDirections(~sdRight);
    }
    if (UseRightToLeftAlignment())
        delta.X = -delta.X;
    return delta;
}

// ---- Long operations ----

void TTreeViewport::BeginOperation()
{
    if (m_operation_count == 0)
        m_operation_canceled = false;
    ++m_operation_count;
}

void TTreeViewport::EndOperation()
{
    CORE_ASSERT(m_operation_count > 0, u"EndOperation must not be called when no operation in progress.");
    --m_operation_count;
}

void TTreeViewport::CancelOperation()
{
    if (m_operation_count > 0)
        m_operation_canceled = true;
}

void TTreeViewport::DoColumnResize(TColumnIndex column)
{
    if (Loading() || !WindowPort().HandleAllocated())
        return;
    for (PVirtualNode node = GetFirstInitialized(); node; node = GetNextInitialized(node))
        if (treeview::HasState(node, vsMultiline))
            ExcludeStates(node, vsHeightMeasured);
    UpdateHorizontalScrollBar(false);
    if (column >= 0 && m_header->Columns().IsValidColumn(column)) {
        TRect r{0, 0, ClientWidth(), ClientHeight()};
        if (!(TreeOptions().AutoOptions() & toAutoSpanColumns)) {
            int left = 0, right = 0;
            m_header->Columns().GetColumnBounds(column, left, right);
            if (UseRightToLeftAlignment())
                r.Right = right;
            else
                r.Left = left;
        }
        WindowPort().Invalidate(&r);
        m_header->Invalidate(column, true);
    }
    if ((m_header->States() & hsColumnWidthTracking) && !(m_header->States() & hsResizing))
        WindowPort().Update();
    if (!(m_header->States() & hsResizing) && OnColumnResize)
        OnColumnResize(m_header.get(), column);
}

} // namespace treeview
