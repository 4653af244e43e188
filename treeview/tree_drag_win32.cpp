// The drag images of the tree: the selected rows rendered around the point a node drag starts at,
// and the header cell of a column being dragged.
#include "treeview/custom_tree_control.h"
#include "ui/application.h"

#include <algorithm>

namespace treeview {

void TCustomVirtualTreeControl::PrepareDragImage(TPoint hotSpot, IDataObject* dataObject)
{
    if (DragImageKind() == diNoImage || !HandleAllocated())
        return;
    const int width = DragWidth(), height = DragHeight();
    if (width <= 0 || height <= 0)
        return;
    // The rows around the hot spot in tree coordinates; what lies left of or above the tree's
    // origin is cut off and the rest painted further into the image.
    TRect window{hotSpot.X + TreeOffsetX() - width / 2, hotSpot.Y - OffsetY() - height / 2, 0, 0};
    window.Right = window.Left + width;
    window.Bottom = window.Top + height;
    TPoint target{0, 0};
    if (window.Left < 0) {
        target.X = -window.Left;
        window.Left = 0;
    }
    if (window.Top < 0) {
        target.Y = -window.Top;
        window.Top = 0;
    }
    ui::Bitmap image(width, height, ui::pf32bit);
    image.Canvas().SetBrushColor(GetColor());
    image.Canvas().FillRect(RECT{0, 0, width, height});
    TVTInternalPaintOptions options = poDrawSelection | poSelectedOnly;
    if (DragImageKind() == diMainColumnOnly)
        options |= poMainOnly;
    PaintTree(image.Canvas(), window, target, options);

    POINT position{hotSpot.X - width / 2, hotSpot.Y - height / 2};
    POINT screenHotSpot{hotSpot.X, hotSpot.Y};
    ::ClientToScreen(Handle(), &position);
    ::ClientToScreen(Handle(), &screenHotSpot);
    // The tree's colour around the rows stays transparent.
    m_drag_image->SetColorKey(GetColor());
    m_drag_image->PrepareDrag(image, position, screenHotSpot, dataObject);
}

void TCustomVirtualTreeControl::StartColumnDrag(POINT hotSpot, POINT start)
{
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    columns.SetDropTarget(NoColumn, columns.DropBefore());
    POINT p = start;
    ::ScreenToClient(Handle(), &p);
    int left = 0, right = 0;
    const TColumnIndex column = columns.ColumnAndBoundsAt(TPoint{p.x, p.y + header.Height()}, left, right, true);
    columns.SetDragIndex(column);
    if (!columns.IsValidColumn(column))
        return;
    const TVirtualTreeColumn& dragged = columns[column];
    const int headerHeight = header.Height();
    ui::Bitmap image(dragged.Width(), headerHeight, ui::pf32bit);
    image.Canvas().SetBrushColor(ui::clBtnFace);
    image.Canvas().FillRect(RECT{0, 0, dragged.Width(), headerHeight});
    // Painting the whole header with the origin on the column's left edge leaves just its cell in
    // the bitmap.
    HDC dc = image.Canvas().Handle();
    POINT previous{};
    SetWindowOrgEx(dc, dragged.Left(), 0, &previous);
    // The header's own rectangle from the window's top, less the border width on both axes, as the
    // header is laid out in the window.
    TRect paint = HeaderRect();
    paint.Top = 0;
    paint.Right = columns.TotalWidth();
    paint.Left -= BorderWidth(), paint.Right -= BorderWidth();
    paint.Top -= BorderWidth(), paint.Bottom -= BorderWidth();
    if (UseRightToLeftAlignment())
        paint.Left -= RightToLeftOffset(false);
    PaintHeader(dc, paint, 0);
    SetWindowOrgEx(dc, previous.x, previous.y, nullptr);

    POINT position{dragged.Left(), 0};
    if (UseRightToLeftAlignment())
        position.x += RightToLeftOffset(true);
    ::ClientToScreen(Handle(), &position);
    position.y -= headerHeight;
    m_column_drag_image->SetMoveRestriction((header.Options() & hoRestrictDrag) ? dmrHorizontalOnly : dmrNone);
    m_column_drag_image->PrepareDrag(image, position, hotSpot, nullptr);
    m_column_drag_image->ShowDragImage();
}

void TCustomVirtualTreeControl::TrackColumnDrag(POINT p)
{
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    POINT q = p;
    ::ScreenToClient(Handle(), &q);
    int left = 0, right = 0;
    const TColumnIndex column = columns.ColumnAndBoundsAt(TPoint{q.x, q.y + header.Height()}, left, right, true);
    bool needRepaint = column != InvalidColumn && column != columns.DropTarget();
    bool before = columns.DropBefore();
    if (columns.IsValidColumn(column) && (q.x < (left + right) / 2) != before) {
        before = !before;
        needRepaint = true;
    }
    if (needRepaint) {
        const TColumnIndex previous = columns.DropTarget();
        if (columns.IsValidColumn(previous)) {
            columns.SetDropTarget(NoColumn, before);
            header.Invalidate(previous);
        }
        columns.SetDropTarget(columns.IsValidColumn(column) ? column : NoColumn, before);
        if (columns.IsValidColumn(column))
            header.Invalidate(column);
    }
    m_column_drag_image->DragTo(p, needRepaint);
}

// ---------------------------------------------------------------- OLE drag and drop

namespace {

// The mouse buttons the tree recorded as down.
ui::ShiftState RecordedButtons(TVirtualTreeStates states)
{
    ui::ShiftState shift = 0;
    if (states & tsLeftButtonDown)
        shift |= ui::ssLeft;
    if (states & tsMiddleButtonDown)
        shift |= ui::ssMiddle;
    if (states & tsRightButtonDown)
        shift |= ui::ssRight;
    return shift;
}

// The keys of an OLE key state and the buttons the tree recorded as down.
ui::ShiftState ShiftOfKeys(DWORD keys, TVirtualTreeStates states)
{
    ui::ShiftState shift = RecordedButtons(states);
    if (keys & MK_SHIFT)
        shift |= ui::ssShift;
    if (keys & MK_CONTROL)
        shift |= ui::ssCtrl;
    if (keys & MK_ALT)
        shift |= ui::ssAlt;
    return shift;
}

RECT ToRECT(const TRect& r)
{
    return RECT{r.Left, r.Top, r.Right, r.Bottom};
}

} // namespace

void TCustomVirtualTreeControl::BeginDrag(bool immediate, int threshold)
{
    if (DragType() == dtVCL) {
        ChangeStates(tsVCLDragPending, 0);
        ui::CustomControl::BeginDrag(immediate, threshold);
        return;
    }
    if (TreeStates() & (tsOLEDragPending | tsOLEDragging))
        return;
    if (!(TreeStates() & (tsLeftButtonDown | tsMiddleButtonDown | tsRightButtonDown)))
        return;
    m_drag_threshold = threshold < 0 ? GetSystemMetrics(SM_CXDRAG) : threshold;
    if (immediate)
        RunOLEDrag(LastClickPos());
    else
        ChangeStates(tsOLEDragPending, 0);
}

bool TCustomVirtualTreeControl::Dragging() const
{
    return (TreeStates() & (tsOLEDragPending | tsOLEDragging | tsVCLDragging)) != 0;
}

IVTDragManager* TCustomVirtualTreeControl::DragManager()
{
    if (!m_drag_manager.manager) {
        IVTDragManager* manager = nullptr;
        if (OnCreateDragManager)
            OnCreateDragManager(this, manager);
        m_drag_manager.manager = manager ? manager : new TVTDragManager(this);
    }
    return m_drag_manager.manager;
}

TCustomVirtualTreeControl::DragManagerRef::~DragManagerRef()
{
    if (!manager)
        return;
    if (auto* own = dynamic_cast<TVTDragManager*>(manager))
        own->Detach();
    manager->Release();
}

bool TCustomVirtualTreeControl::IsCurrentDropTarget() const
{
    return m_drag_manager.manager && m_drag_manager.manager->GetIsDropTarget();
}

void TCustomVirtualTreeControl::CreateWnd()
{
    TVirtualTreeControl::CreateWnd();
    if (!(ComponentState() & core::csDesigning) && (TreeOptions().MiscOptions() & toAcceptOLEDrop)) {
        IDropTarget* target = nullptr;
        if (SUCCEEDED(DragManager()->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&target)))) {
            RegisterDragDrop(Handle(), target);
            target->Release();
        }
    }
}

void TCustomVirtualTreeControl::WndProc(ui::Message& message)
{
    if (message.Msg == WM_NCDESTROY && !(ComponentState() & core::csDesigning) &&
        (TreeOptions().MiscOptions() & toAcceptOLEDrop))
        RevokeDragDrop(Handle());
    if ((message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) && DragMode() == ui::dmAutomatic &&
        !(ComponentState() & core::csDesigning)) {
        // The press handling starts the drag itself (where the row was hit), not the class
        // library's way on every press.
        SetDragMode(ui::dmManual);
        m_automatic_press = true;
        struct Restore {
            TCustomVirtualTreeControl& tree;
            ~Restore()
            {
                tree.m_automatic_press = false;
                tree.SetDragMode(ui::dmAutomatic);
            }
        } restore{*this};
        TVirtualTreeControl::WndProc(message);
        return;
    }
    TVirtualTreeControl::WndProc(message);
}

DWORD TCustomVirtualTreeControl::ChooseDropEffect(core::Object* source, ui::ShiftState shift, POINT pt, DWORD allowed)
{
    (void)pt;
    auto pick = [allowed](DWORD wanted, DWORD otherwise) { return (allowed & wanted) ? wanted : otherwise; };
    const DWORD base = source == this ? pick(DROPEFFECT_MOVE, allowed) : pick(DROPEFFECT_COPY, allowed);
    const bool ctrl = shift & ui::ssCtrl, shiftKey = shift & ui::ssShift, alt = shift & ui::ssAlt;
    if (ctrl && shiftKey)
        return pick(DROPEFFECT_LINK, base);
    if (ctrl && !alt)
        return pick(DROPEFFECT_COPY, base);
    if (shiftKey && !alt)
        return pick(DROPEFFECT_MOVE, base);
    if (alt && !ctrl && !shiftKey)
        return pick(DROPEFFECT_LINK, base);
    return base;
}

void TCustomVirtualTreeControl::RunOLEDrag(TPoint hotSpot)
{
    CancelEditing();
    if (HotNode()) {
        InvalidateNode(HotNode());
        StoreHotNode(nullptr);
    }
    if (FocusedNode() && !Selected(FocusedNode())) {
        AddNodesToSelection({FocusedNode()}, true);
        InvalidateNode(FocusedNode());
    }
    UpdateWindow(Handle());
    m_drag_selection = GetSortedSelection(false);
    ChangeStates(tsOLEDragging, tsClearPending | tsOLEDragPending);
    struct EndDrag {
        TCustomVirtualTreeControl& tree;
        IDataObject* data = nullptr;
        ~EndDrag()
        {
            if (data)
                data->Release();
            tree.m_drag_image->EndDrag();
            tree.ChangeStates(0, tsOLEDragging);
            tree.m_drag_selection.clear();
        }
    } end{*this};
    ui::DragObject* object = nullptr;
    DoStartDrag(object);
    delete object;
    end.data = DragManager()->GetDataObject();
    PrepareDragImage(hotSpot, end.data);
    SetLastDropMode(dmOnNode);
    DWORD allowed = 0;
    if (DragOperations() & doCopy)
        allowed |= DROPEFFECT_COPY;
    if (DragOperations() & doMove)
        allowed |= DROPEFFECT_MOVE;
    if (DragOperations() & doLink)
        allowed |= DROPEFFECT_LINK;
    if (DragOperations() == 0)
        allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    DWORD effect = DROPEFFECT_NONE;
    StartOLEDragLoop(allowed, end.data, effect);
    DragManager()->ForceDragLeave();
    POINT cursor{};
    GetCursorPos(&cursor);
    ::ScreenToClient(Handle(), &cursor);
    DoEndDrag(this, cursor.x, cursor.y);
    m_drag_image->EndDrag();
    if (effect == DROPEFFECT_MOVE && (TreeOptions().AutoOptions() & toAutoDeleteMovedNodes)) {
        BeginUpdate();
        struct Close {
            TCustomVirtualTreeControl& tree;
            ~Close() noexcept(false) { tree.EndUpdate(); }
        } close{*this};
        // Deleting a node frees its subtree, which leaves the drag selection as it goes.
        while (!m_drag_selection.empty()) {
            PVirtualNode node = m_drag_selection.front();
            m_drag_selection.erase(m_drag_selection.begin());
            DeleteNode(node);
        }
    }
}

void TCustomVirtualTreeControl::StartOLEDragLoop(DWORD allowedEffects, IDataObject* dataObject, DWORD& effect)
{
    IDropSource* source = nullptr;
    if (!dataObject || FAILED(DragManager()->QueryInterface(IID_IDropSource, reinterpret_cast<void**>(&source))))
        return;
    DoDragDrop(dataObject, source, allowedEffects, &effect);
    source->Release();
}

HRESULT TCustomVirtualTreeControl::HandleOLEDragEnter(DWORD keyState, POINT pt, DWORD& effect)
{
    try {
        ResetDragScrollStart();
        const ui::ShiftState shift = ShiftOfKeys(keyState, TreeStates());
        POINT client = pt;
        ::ScreenToClient(Handle(), &client);
        TCustomVirtualTreeControl* source = DragManager()->GetDragSource();
        effect = ChooseDropEffect(source, shift, client, effect);
        const bool accept = OnDragOver && OnDragOver(this, source, shift, dsDragEnter, TPoint{client.x, client.y},
                                                      LastDropMode(), effect);
        if (accept) {
            THitInfo hit;
            GetHitTestInfoAt(client.x, client.y, true, hit);
            if (hit.HitNode) {
                StoreDropTargetNode(hit.HitNode);
                const TRect r = GetDisplayRect(hit.HitNode, Header().MainColumn(), false);
                if (hit.HitPositions & hiOnItemLabel)
                    SetLastDropMode(dmOnNode);
                else
                    SetLastDropMode(client.y < (r.Top + r.Bottom) / 2 ? dmAbove : dmBelow);
            } else {
                SetLastDropMode(dmNowhere);
            }
        } else {
            effect = DROPEFFECT_NONE;
        }
        if (!DragManager()->GetDropTargetHelperSupported() && source)
            source->DragImage().ShowDragImage();
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT TCustomVirtualTreeControl::HandleOLEDragOver(core::Object* source, DWORD keyState, POINT pt, DWORD& effect,
                                                     TDragState state)
{
    try {
        TCustomVirtualTreeControl* sourceTree = nullptr;
        if (!DragManager()->GetDropTargetHelperSupported())
            sourceTree = dynamic_cast<TCustomVirtualTreeControl*>(source);
        // The source's drag image repaints the client area itself.
        const TScrollUpdateOptions scrollOptions = sourceTree ? TScrollUpdateOptions(suoUpdateNCArea)
                                                              : DefaultScrollUpdateFlags;
        POINT client = pt;
        ::ScreenToClient(Handle(), &client);
        bool scrolled = false;
        TScrollDirections directions = ScrollDirectionsAt(client.x, client.y);
        if (directions) {
            const int vertical = std::min<int>(ScrollBarOptions().VerticalIncrement(), ClientHeight());
            const int horizontal = ScrollBarOptions().HorizontalIncrement();
            TPoint delta{0, 0};
            if ((directions & sdUp) && OffsetY() < 0)
                delta.Y = vertical;
            else if ((directions & sdDown) && ClientHeight() - OffsetY() < int(RangeY()))
                delta.Y = -vertical;
            if ((directions & sdLeft) && EffectiveOffsetX() > 0)
                delta.X = horizontal;
            else if ((directions & sdRight) && ClientWidth() + EffectiveOffsetX() < int(RangeX()))
                delta.X = -horizontal;
            if (delta.X != 0 || delta.Y != 0)
                scrolled = ApplyOffset(TPoint{OffsetX() + delta.X, OffsetY() + delta.Y}, scrollOptions);
        }
        const ui::ShiftState shift = ShiftOfKeys(keyState, TreeStates());
        THitInfo hit;
        GetHitTestInfoAt(client.x, client.y, true, hit);
        PVirtualNode node = hit.HitNode;
        const bool onLabelOrIcon = hit.HitPositions & (hiOnItemLabel | hiOnNormalIcon | hiOnStateIcon);
        if ((TreeOptions().MiscOptions() & toReportMode) && (!onLabelOrIcon || hit.HitColumn != Header().MainColumn()))
            node = nullptr;
        TDropMode mode = dmNowhere;
        if (node) {
            const TRect row = GetDisplayRect(node, NoColumn, false);
            if (!onLabelOrIcon && (TreeOptions().PaintOptions() & toShowDropmark))
                mode = client.y < (row.Top + row.Bottom) / 2 ? dmAbove : dmBelow;
            else
                mode = dmOnNode;
        }
        const bool willMove = sourceTree && sourceTree->DragImage().WillMove(pt);
        RECT clientRect{0, 0, ClientWidth(), ClientHeight()};
        auto repaint = [&](RECT r) {
            if (sourceTree)
                RepaintUnderDragImage(sourceTree, r, !willMove, false);
            else
                InvalidateRect(Handle(), &r, FALSE);
        };
        if (node != DropTargetNode() || mode != LastDropMode()) {
            SetLastDropMode(mode);
            if (node == DropTargetNode()) {
                if (sourceTree && scrolled)
                    repaint(clientRect);
                else if (node)
                    repaint(ToRECT(GetDisplayRect(node, NoColumn, false)));
            } else {
                WindowPort().KillTimer(ExpandTimer);
                PVirtualNode old = DropTargetNode();
                StoreDropTargetNode(node);
                if (FocusedColumn() < 0)
                    StoreFocusedColumn(Header().MainColumn());
                RECT r{};
                if (old && node) {
                    const RECT a = ToRECT(GetDisplayRect(old, NoColumn, false));
                    const RECT b = ToRECT(GetDisplayRect(node, NoColumn, false));
                    UnionRect(&r, &a, &b);
                } else {
                    r = ToRECT(GetDisplayRect(old ? old : node, NoColumn, false));
                }
                if (old || node)
                    repaint(sourceTree && scrolled ? clientRect : r);
                if ((TreeOptions().AutoOptions() & toAutoDropExpand) && node && HasChildren(node))
                    WindowPort().SetTimer(ExpandTimer, AutoExpandDelay());
            }
        } else if (sourceTree && scrolled) {
            repaint(clientRect);
        }
        UpdateWindow(Handle());
        if (willMove)
            sourceTree->DragImage().DragTo(pt, false);
        effect = ChooseDropEffect(source, shift, client, effect);
        const bool accept = OnDragOver && OnDragOver(this, source, shift, state, TPoint{client.x, client.y}, mode,
                                                      effect);
        if (!accept)
            effect = DROPEFFECT_NONE;
        if (scrolled)
            effect |= DROPEFFECT_SCROLL;
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

void TCustomVirtualTreeControl::ExpandDropTarget()
{
    WindowPort().KillTimer(ExpandTimer);
    PVirtualNode node = DropTargetNode();
    if (!node || !HasChildren(node) || Expanded(node))
        return;
    TCustomVirtualTreeControl* source = DragManager()->GetDropTargetHelperSupported() ? nullptr
                                                                                       : DragManager()->GetDragSource();
    if (source)
        source->DragImage().HideDragImage();
    ToggleNode(node);
    UpdateWindow(Handle());
    if (source)
        source->DragImage().ShowDragImage();
}

void TCustomVirtualTreeControl::HandleOLEDragLeave()
{
    WindowPort().KillTimer(ExpandTimer);
    if (!DragManager()->GetDropTargetHelperSupported())
        if (TCustomVirtualTreeControl* source = DragManager()->GetDragSource())
            source->DragImage().HideDragImage();
    if (DropTargetNode()) {
        InvalidateNode(DropTargetNode());
        StoreDropTargetNode(nullptr);
    }
    UpdateWindow(Handle());
    DWORD effect = DROPEFFECT_NONE;
    if (OnDragOver)
        OnDragOver(this, nullptr, 0, dsDragLeave, TPoint{0, 0}, LastDropMode(), effect);
}

HRESULT TCustomVirtualTreeControl::HandleOLEDrop(IDataObject* dataObject, DWORD keyState, POINT pt, DWORD& effect)
{
    WindowPort().KillTimer(ExpandTimer);
    WindowPort().KillTimer(ScrollTimer);
    ChangeStates(0, tsScrolling | tsScrollPending);
    struct ForgetTarget {
        TCustomVirtualTreeControl& tree;
        ~ForgetTarget()
        {
            if (tree.DropTargetNode())
                tree.InvalidateNode(tree.DropTargetNode());
            tree.StoreDropTargetNode(nullptr);
        }
    } forget{*this};
    TCustomVirtualTreeControl* source = DragManager()->GetDragSource();
    HRESULT result = HandleOLEDragOver(source, keyState, pt, effect, dsDragMove);
    if (result != S_OK || (effect & ~DWORD(DROPEFFECT_SCROLL)) == DROPEFFECT_NONE)
        return E_FAIL;
    const ui::ShiftState shift = ShiftOfKeys(keyState, TreeStates());
    POINT client = pt;
    ::ScreenToClient(Handle(), &client);
    std::vector<UINT> formats;
    IEnumFORMATETC* enumerator = nullptr;
    if (!dataObject || FAILED(dataObject->EnumFormatEtc(DATADIR_GET, &enumerator)) || !enumerator)
        return E_UNEXPECTED;
    if (FAILED(enumerator->Reset())) {
        enumerator->Release();
        return E_UNEXPECTED;
    }
    FORMATETC format{};
    while (enumerator->Next(1, &format, nullptr) == S_OK) {
        formats.push_back(format.cfFormat);
        if (format.ptd)
            CoTaskMemFree(format.ptd);
    }
    enumerator->Release();
    try {
        if (OnDragDrop)
            OnDragDrop(this, source, dataObject, formats, shift, TPoint{client.x, client.y}, effect, LastDropMode());
    } catch (const std::exception& error) {
        ui::App().HandleException(error);
        return E_UNEXPECTED;
    }
    return S_OK;
}

void TCustomVirtualTreeControl::RepaintUnderDragImage(TCustomVirtualTreeControl* sourceTree, RECT r, bool reshowImage,
                                                      bool includeFrame)
{
    RECT client{0, 0, ClientWidth(), ClientHeight()};
    if (!sourceTree || !IntersectRect(&r, &r, &client))
        return;
    HRGN visible = CreateRectRgn(0, 0, 0, 0);
    if (HDC dc = GetDCEx(Handle(), nullptr, DCX_CACHE | DCX_WINDOW | DCX_CLIPSIBLINGS | DCX_CLIPCHILDREN)) {
        GetRandomRgn(dc, visible, SYSRGN);
        ReleaseDC(Handle(), dc);
    }
    struct DeleteRegion {
        HRGN region;
        ~DeleteRegion() { DeleteObject(region); }
    } deleteVisible{visible};
    TVTDragImage& image = sourceTree->DragImage();
    RECT imageRect = image.GetDragImageRect();
    image.RecaptureBackground(*this, r, visible, includeFrame, reshowImage);
    if (includeFrame) {
        RECT window{};
        GetWindowRect(Handle(), &window);
        RECT clientScreen = client;
        MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&clientScreen), 2);
        HRGN frame = CreateRectRgnIndirect(&window);
        HRGN cut = CreateRectRgnIndirect(&clientScreen);
        CombineRgn(frame, frame, cut, RGN_DIFF);
        SetRectRgn(cut, imageRect.left, imageRect.top, imageRect.right, imageRect.bottom);
        CombineRgn(frame, frame, cut, RGN_DIFF);
        OffsetRgn(frame, -window.left, -window.top);
        RedrawWindow(Handle(), nullptr, frame, 0x0569);
        DeleteObject(cut);
        DeleteObject(frame);
    }
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&imageRect), 2);
    HRGN area = CreateRectRgnIndirect(&r);
    HRGN cut = CreateRectRgnIndirect(&imageRect);
    CombineRgn(area, area, cut, RGN_DIFF);
    RedrawWindow(Handle(), nullptr, area, 0x0169);
    DeleteObject(cut);
    DeleteObject(area);
}

void TCustomVirtualTreeControl::DoStartDrag(ui::DragObject*& object)
{
    ui::CustomControl::DoStartDrag(object);
    if (object)
        ChangeStates(tsUserDragObject, 0);
}

void TCustomVirtualTreeControl::DoEndDrag(ui::Control* target, int x, int y)
{
    ui::CustomControl::DoEndDrag(target, x, y);
    EndMouseDragging();
}

void TCustomVirtualTreeControl::DoVCLDragDrop(core::Object* source, POINT pt, DWORD effect, TDropMode mode)
{
    if (OnDragDrop)
        OnDragDrop(this, source, nullptr, {}, ui::KeyboardShiftState() | RecordedButtons(TreeStates()),
                   TPoint{pt.x, pt.y}, effect, mode);
}

void TCustomVirtualTreeControl::EndMouseDragging()
{
    ChangeStates(0, tsUserDragObject | tsVCLDragging | tsVCLDragPending);
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    const UINT message = (TreeStates() & tsRightButtonDown)    ? WM_RBUTTONUP
                         : (TreeStates() & tsMiddleButtonDown) ? WM_MBUTTONUP
                                                               : WM_LBUTTONUP;
    SendMessageW(Handle(), message, 0, MAKELPARAM(p.x, p.y));
}

bool TCustomVirtualTreeControl::ProcessDrop(IDataObject* dataObject, PVirtualNode targetNode, DWORD& effect,
                                            TVTNodeAttachMode mode)
{
    if (mode == amNoWhere) {
        effect = DROPEFFECT_NONE;
        return false;
    }
    bool result = false;
    TVirtualTreeControl* source = TreeOfDataObject(dataObject);
    BeginUpdate();
    if (source)
        source->BeginUpdate();
    try {
        struct Close {
            TVirtualTreeControl* tree;
            TVirtualTreeControl* source;
            ~Close() noexcept(false)
            {
                if (source)
                    source->EndUpdate();
                tree->EndUpdate();
            }
        } close{this, source};
        if ((effect & DROPEFFECT_MOVE) && source) {
            result = ProcessOLEData(source, dataObject, targetNode, mode, !(effect & DROPEFFECT_COPY));
            // The move is complete: the drag source must delete nothing.
            effect = DROPEFFECT_NONE;
        } else if (effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE)) {
            result = ProcessOLEData(source, dataObject, targetNode, mode, false);
        }
    } catch (...) {
        effect = DROPEFFECT_NONE;
        result = false;
    }
    return result;
}

} // namespace treeview
