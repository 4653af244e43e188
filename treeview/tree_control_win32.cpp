// The virtual tree's window control (see tree_control.h): window creation and frame, the header in
// the non-client area, the message routing and the TreeWindowPort over the real window.
#include "treeview/dataobject_win32.h"
#include "treeview/tree_control.h"
#include "treeview/builtin_images.h"
#include "treeview/unit_services.h"
#include "ui/application.h"
#include "ui/imagelist.h"
#include "ui/timer.h"
#include "ui/form.h"
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

namespace treeview {

namespace {

RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
TRect ToTRect(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

// The explorer theme exists from major version 6 on.
bool IsWindowsVistaOrLater()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    bool known = GetVersionExW(&info) != FALSE;
#pragma GCC diagnostic pop
    return known && info.dwMajorVersion >= 6;
}


} // namespace

// ---------------------------------------------------------------- the port over the window

class TVirtualTreeControl::Port : public TreeWindowPort {
public:
    explicit Port(TVirtualTreeControl& control) : m_control(control) {}

    // The window as the validation thread may see it: set when made, cleared when destroyed.
    std::atomic<HWND> Window = nullptr;

    bool HandleAllocated() const override { return Window.load() != nullptr; }
    // Switching redraw off hides the window as far as IsWindowVisible goes: a window hidden only
    // by that switch still counts as visible, so that the end of an update switches it on again.
    bool Visible() const override
    {
        HWND w = Window.load();
        return w && (IsWindowVisible(w) || m_redraw_off.load());
    }
    void Invalidate(const TRect* rect) override
    {
        if (HWND w = Window.load()) {
            RECT r = rect ? ToRECT(*rect) : RECT{};
            InvalidateRect(w, rect ? &r : nullptr, FALSE);
        }
    }
    void Update() override
    {
        if (HWND w = Window.load())
            UpdateWindow(w);
    }
    void SetRedraw(bool redraw) override
    {
        if (HWND w = Window.load()) {
            m_redraw_off.store(!redraw);
            SendMessageW(w, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
        }
    }
    // GUI thread only, as the timers themselves. A new window starts without timers.
    void SetWindow(HWND window)
    {
        Window.store(window);
        m_redraw_off.store(false);
        m_timers = 0;
        if (m_expand_timer)
            m_expand_timer->SetEnabled(false);
    }
    void SetTimer(unsigned id, unsigned milliseconds) override
    {
        if (id == ExpandTimer) {
            StartExpandTimer(milliseconds);
            return;
        }
        if (HWND w = Window.load()) {
            ++m_timer_calls;
            if (::SetTimer(w, id, milliseconds, nullptr))
                m_timers |= TimerBit(id);
        }
    }
    void KillTimer(unsigned id) override
    {
        // Every structure change cancels a pending edit, so nearly every call finds no timer: asking
        // the system anyway would cost a round trip to it per added node.
        if (id == ExpandTimer) {
            if (m_expand_timer)
                m_expand_timer->SetEnabled(false);
            return;
        }
        HWND w = Window.load();
        if (!w || (id < 32 && !(m_timers & TimerBit(id))))
            return;
        m_timers &= ~TimerBit(id);
        ++m_timer_calls;
        ::KillTimer(w, id);
    }
    uint64_t TimerCalls() const { return m_timer_calls; }
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override
    {
        HWND w = Window.load();
        if (!w)
            return;
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | (info.DisableNoScroll ? SIF_DISABLENOSCROLL : 0);
        si.nMin = info.Min;
        si.nMax = info.Max;
        si.nPage = UINT(std::max(0, info.Page));
        si.nPos = info.Pos;
        ::SetScrollInfo(w, bar == TScrollBarKind::Vertical ? SB_VERT : SB_HORZ, &si, TRUE);
    }
    void ShowScrollBar(TScrollBarKind bar, bool show) override
    {
        if (HWND w = Window.load())
            ::ShowScrollBar(w, bar == TScrollBarKind::Vertical ? SB_VERT : SB_HORZ, show ? TRUE : FALSE);
    }
    TSize ClientSize() const override
    {
        HWND w = Window.load();
        if (!w)
            return {};
        RECT r{};
        GetClientRect(w, &r);
        return TSize{r.right - r.left, r.bottom - r.top};
    }
    void SendStateMessage(uint32_t enter, uint32_t leave) override
    {
        if (HWND w = Window.load())
            SendMessageW(w, WM_CHANGESTATE, WPARAM(enter), LPARAM(leave));
    }
    bool PumpMessages() override
    {
        MSG msg;
        HWND w = Window.load();
        // PeekMessage also delivers messages sent from other threads (the validation thread's).
        if (PeekMessageW(&msg, w, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
        }
        return !ui::Application::Instance().Terminated();
    }
    bool ApplicationTerminated() const override { return ui::Application::Instance().Terminated(); }
    int TextHeight() const override { return m_control.TextHeight(); }
    int TextWidth(core::StringView text) const override { return m_control.TextWidth(text); }
    // The clipboard gets a data object of the tree; the data is rendered when someone asks.
    bool OfferClipboard(TBaseVirtualTree&) override
    {
        IDataObject* object = m_control.CreateDataObject(true);
        bool offered = OleSetClipboard(object) == S_OK;
        object->Release();
        return offered;
    }
    void EmptyClipboard() override
    {
        if (OpenClipboard(Window.load())) {
            ::EmptyClipboard();
            CloseClipboard();
        }
    }
    // The clipboard keeps rendered copies of the tree's formats and lets go of its data object.
    void FlushClipboard() override { OleFlushClipboard(); }

    void InvalidateHeader(const TRect* rect) override
    {
        HWND w = Window.load();
        if (!w)
            return;
        // Header coordinates -> client coordinates (the header lies above the client area).
        TRect header = m_control.HeaderRect();
        POINT origin = ClientOriginInWindow(w);
        RECT r;
        if (rect)
            r = RECT{header.Left + rect->Left - origin.x, header.Top + rect->Top - origin.y,
                     header.Left + rect->Right - origin.x, header.Top + rect->Bottom - origin.y};
        else
            r = RECT{header.Left - origin.x, header.Top - origin.y, header.Right - origin.x, header.Bottom - origin.y};
        RedrawWindow(w, &r, nullptr,
                     RDW_FRAME | RDW_INVALIDATE | RDW_VALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_NOCHILDREN);
    }
    void ScrollClient(int dx, int dy, const TRect* clip) override
    {
        HWND w = Window.load();
        if (!w)
            return;
        RECT c = clip ? ToRECT(*clip) : RECT{};
        ScrollWindowEx(w, dx, dy, clip ? &c : nullptr, clip ? &c : nullptr, nullptr, nullptr, SW_INVALIDATE);
    }
    void FrameChanged() override
    {
        HWND w = Window.load();
        if (!w)
            return;
        m_control.UpdateHeaderRect();
        SetWindowPos(w, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER |
                         SWP_NOSENDCHANGING);
    }
    void RecreateWindow() override { m_control.RecreateWnd(); }
    int HorizontalScrollBarHeight() const override { return GetSystemMetrics(SM_CYHSCROLL); }
    int VerticalScrollBarWidth() const override { return GetSystemMetrics(SM_CXVSCROLL); }

    static POINT ClientOriginInWindow(HWND w)
    {
        RECT window{};
        GetWindowRect(w, &window);
        POINT origin{0, 0};
        ::ClientToScreen(w, &origin);
        return POINT{origin.x - window.left, origin.y - window.top};
    }

private:
    // The auto-expand delay of a drag hovering over a node runs on the class library's timer clock
    // (window timers unless a test installed its own clock) and arrives as the window's timer 1.
    void StartExpandTimer(unsigned milliseconds)
    {
        if (!Window.load())
            return;
        if (!m_expand_timer) {
            m_expand_timer = std::make_unique<ui::Timer>();
            m_expand_timer->SetEnabled(false);
            m_expand_timer->SetOnTimer([this](core::Object*) {
                m_expand_timer->SetEnabled(false);
                if (HWND w = Window.load())
                    SendMessageW(w, WM_TIMER, ExpandTimer, 0);
            });
        }
        ++m_timer_calls;
        m_expand_timer->SetEnabled(false);
        m_expand_timer->SetInterval(std::max(1u, milliseconds));
        m_expand_timer->SetEnabled(true);
    }

    TVirtualTreeControl& m_control;
    std::unique_ptr<ui::Timer> m_expand_timer;
    uint32_t m_timers = 0;       // bit per timer id this window has running
    uint64_t m_timer_calls = 0;  // calls made to the system's timer functions
    std::atomic<bool> m_redraw_off = false;

    static uint32_t TimerBit(unsigned id) { return id < 32 ? 1u << id : 0u; }
};

uint64_t TVirtualTreeControl::SystemTimerCalls() const { return m_port->TimerCalls(); }

// ---------------------------------------------------------------- life cycle

TVirtualTreeControl::TVirtualTreeControl(core::Component* owner)
    : ui::CustomControl(owner), TTreeViewport(nullptr), m_port(std::make_unique<Port>(*this))
{
    InitializeTreeUnit();
    SetWindowPort(m_port.get());
    SetControlStyle((ControlStyle() | ui::csCaptureMouse | ui::csOpaque) & ~ui::ControlStyles(ui::csSetCaption));
    SetBounds(Left(), Top(), 200, 100);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(ui::clWindow);
    m_check_images = CheckImagesOfKind(m_check_image_kind);
    AfterConstruction();
}

TVirtualTreeControl::~TVirtualTreeControl()
{
    BeginDestruction();
    DetachTransferObjects(this);
    EndWheelPanning();
    Clear();
    DestroyHandle();
    SetWindowPort(nullptr);
}

void TVirtualTreeControl::Invalidate() { TTreeViewport::Invalidate(); }

bool TVirtualTreeControl::CanFocus() const
{
    if (!ui::CustomControl::CanFocus())
        return false;
    ui::Form* form = ParentForm();
    return !form || (form->Enabled() && form->Visible());
}

void TVirtualTreeControl::Assign(const TVirtualTreeControl& source)
{
    AssignView(source);
    SetAlign(source.Align());
    SetBiDiMode(source.BiDiMode());
    SetBevelEdges(source.m_bevel_edges);
    SetBevelInner(source.m_bevel_inner);
    SetBevelKind(source.m_bevel_kind);
    SetBevelOuter(source.m_bevel_outer);
    SetBevelWidth(source.m_bevel_width);
    SetBorderStyle(source.m_border_style);
    SetBorderWidth(source.m_border_width);
    SetColor(source.GetColor());
    SetCtl3D(source.m_ctl3d);
    SetEnabled(source.Enabled());
    SetFont(source.Font());
    SetHotCursor(source.m_hot_cursor);
    SetCheckImageKind(source.m_check_image_kind);
    SetDefaultPasteMode(source.m_default_paste_mode);
    SetDragImageKind(source.m_drag_image_kind);
    SetHintAnimation(source.m_hint_animation);
    SetHintMode(source.m_hint_mode);
    SetParentColor(source.ParentColor());
    SetParentFont(source.ParentFont());
    SetParentShowHint(source.ParentShowHint());
    SetShowHint(source.ShowHint());
    SetTabStop(source.TabStop());
    SetVisible(source.Visible());
}

void TVirtualTreeControl::SetBackgroundOffsetX(int value)
{
    if (value == m_background_offset_x)
        return;
    m_background_offset_x = value;
    Invalidate();
}

void TVirtualTreeControl::SetBackgroundOffsetY(int value)
{
    if (value == m_background_offset_y)
        return;
    m_background_offset_y = value;
    Invalidate();
}

void TVirtualTreeControl::SetCheckImageKind(TCheckImageKind value)
{
    if (value == m_check_image_kind)
        return;
    m_check_image_kind = value;
    ui::ImageList* shared = CheckImagesOfKind(value);
    m_check_images = shared ? shared : m_custom_check_images;
    if (HandleAllocated() && UpdateCount() == 0 && !Loading())
        Invalidate();
}

void TVirtualTreeControl::SetCustomCheckImages(ui::ImageList* value)
{
    if (value == m_custom_check_images)
        return;
    if (m_custom_check_images) {
        if (m_check_images == m_custom_check_images)
            m_check_images = nullptr;
        m_custom_check_images->RemoveFreeNotification(this);
    }
    m_custom_check_images = value;
    if (value) {
        value->FreeNotification(this);
        if (m_check_image_kind == ckCustom)
            m_check_images = value;
    }
    if (!Loading())
        Invalidate();
}

void TVirtualTreeControl::Notification(core::Component* component, core::Operation operation)
{
    if (operation == core::opRemove && component != this && m_custom_check_images && component == static_cast<core::Component*>(m_custom_check_images)) {
        if (m_check_images == m_custom_check_images)
            m_check_images = nullptr;
        m_custom_check_images = nullptr;
        m_check_image_kind = ckSystemDefault; // the field: no setter reaction
        m_check_images = CheckImagesOfKind(ckSystemDefault);
        if (!TBaseVirtualTree::Destroying())
            Invalidate();
    }
    ui::CustomControl::Notification(component, operation);
}

void TVirtualTreeControl::HookCanvasFont(ui::Canvas& canvas)
{
    if (m_font_hooked)
        return;
    m_font_hooked = true;
    m_old_font_change = canvas.Font().OnChange;
    canvas.Font().OnChange = [this] {
        m_font_changed = true;
        if (m_old_font_change)
            m_old_font_change();
    };
}

void TVirtualTreeControl::UnhookCanvasFont(ui::Canvas& canvas)
{
    if (!m_font_hooked)
        return;
    canvas.Font().OnChange = m_old_font_change;
    m_old_font_change = nullptr;
    m_font_hooked = false;
}

// ---------------------------------------------------------------- frame properties

void TVirtualTreeControl::SetBorderStyle(TBorderStyle value)
{
    if (value == m_border_style)
        return;
    m_border_style = value;
    RecreateWnd();
}

void TVirtualTreeControl::SetCtl3D(bool value)
{
    if (value == m_ctl3d)
        return;
    m_ctl3d = value;
    if (m_border_style == bsSingle)
        RecreateWnd();
}

void TVirtualTreeControl::SetBevelKind(TBevelKind value)
{
    if (value == m_bevel_kind)
        return;
    m_bevel_kind = value;
    HeaderFrameChanged();
}

void TVirtualTreeControl::SetBevelInner(TBevelCut value)
{
    m_bevel_inner = value;
    HeaderFrameChanged();
}

void TVirtualTreeControl::SetBevelOuter(TBevelCut value)
{
    m_bevel_outer = value;
    HeaderFrameChanged();
}

void TVirtualTreeControl::SetBevelEdges(TBevelEdges value)
{
    m_bevel_edges = value;
    HeaderFrameChanged();
}

void TVirtualTreeControl::SetBevelWidth(int value)
{
    m_bevel_width = std::max(1, value);
    HeaderFrameChanged();
}

void TVirtualTreeControl::SetBorderWidth(int value)
{
    m_border_width = std::max(0, value);
    HeaderFrameChanged();
}

// ---------------------------------------------------------------- window creation and loading

void TVirtualTreeControl::CreateParams(ui::CreateParamsRec& params)
{
    ui::CustomControl::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (ScrollBarOptions().ScrollBars()) {
    case ssHorizontal: params.Style |= WS_HSCROLL; break;
    case ssVertical: params.Style |= WS_VSCROLL; break;
    case ssBoth: params.Style |= WS_HSCROLL | WS_VSCROLL; break;
    default: break;
    }
    if (TreeOptions().MiscOptions() & toFullRepaintOnResize)
        params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
    else
        params.ClassStyle &= ~UINT(CS_HREDRAW | CS_VREDRAW);
    if (m_border_style == bsSingle) {
        if (m_ctl3d) {
            params.ExStyle |= WS_EX_CLIENTEDGE;
            params.Style &= ~DWORD(WS_BORDER);
        } else {
            params.Style |= WS_BORDER;
        }
    } else {
        params.Style &= ~DWORD(WS_BORDER);
    }
    // The tree mirrors its own drawing; the window only learns the reading order, the alignment and
    // the side of the vertical scroll bar (no mirrored layout of the device context).
    if (UseRightToLeftReading())
        params.ExStyle |= WS_EX_RTLREADING;
    if (UseRightToLeftAlignment())
        params.ExStyle |= WS_EX_RIGHT;
    if (UseRightToLeftScrollBar())
        params.ExStyle |= WS_EX_LEFTSCROLLBAR;
}

void TVirtualTreeControl::BiDiModeChanged()
{
    if (HandleAllocated())
        RecreateWnd();
}

void TVirtualTreeControl::CreateWnd()
{
    ChangeStates(tsWindowCreating, 0);
    try {
        ui::CustomControl::CreateWnd();
    } catch (...) {
        ChangeStates(0, tsWindowCreating);
        throw;
    }
    ChangeStates(0, tsWindowCreating);
    m_port->SetWindow(HandleIfAllocated());
    CloseThemes();
    UpdateThemeState();
    UpdateHeaderRect();
    if (Header().States() & hsNeedScaling)
        Header().ApplyHeaderConstraints();
    if (Header().Options() & hoAutoResize)
        Header().Columns().FitAutoSizeColumn(false);
    UpdateScrollBars(true);
    UpdateHeaderRect();
}

void TVirtualTreeControl::Loaded()
{
    ui::CustomControl::Loaded();
    SetLoading(false);
    if ((TreeStates() & tsNeedRootCountUpdate) && RootNode()->ChildCount > 0) {
        ChangeStates(0, tsNeedRootCountUpdate);
        TVTMiscOptions misc = TreeOptions().MiscOptions();
        TreeOptions().SetMiscOptions(TVTMiscOptions(misc & ~toReadOnly));
        uint32_t count = RootNode()->ChildCount;
        RootNode()->ChildCount = 0;
        BeginUpdate();
        try {
            SetChildCount(RootNode(), count);
        } catch (...) {
            EndUpdate();
            TreeOptions().SetMiscOptions(misc);
            throw;
        }
        EndUpdate();
        TreeOptions().SetMiscOptions(misc);
    }
    Updating();
    struct Done {
        TVirtualTreeControl& tree;
        ~Done() { tree.Updated(); }
    } done{*this};
    Header().ClampMainColumn();
    Header().Columns().RebuildPositionArray();
    if (TreeOptions().AutoOptions() & toAutoBidiColumnOrdering)
        Header().Columns().ResetColumnOrder(UseRightToLeftAlignment());
    Header().RecalculateHeaderFrame();
    if (Header().Options() & hoAutoResize)
        Header().Columns().FitAutoSizeColumn(true);
}

// ---------------------------------------------------------------- frame geometry

TSize TVirtualTreeControl::BorderDimensions() const
{
    TSize size;
    HWND w = HandleIfAllocated();
    if (!w)
        return size;
    LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(w, GWL_EXSTYLE);
    if (style & WS_BORDER)
        size.cx -= 1, size.cy -= 1;
    if (style & WS_THICKFRAME)
        size.cx -= GetSystemMetrics(SM_CXFIXEDFRAME), size.cy -= GetSystemMetrics(SM_CYFIXEDFRAME);
    if (exStyle & WS_EX_CLIENTEDGE)
        size.cx -= GetSystemMetrics(SM_CXEDGE), size.cy -= GetSystemMetrics(SM_CYEDGE);
    return size;
}

void TVirtualTreeControl::UpdateHeaderRect()
{
    TSize border = BorderDimensions();
    TRect r{0, 0, Width(), Height()};
    r.Left -= border.cx, r.Top -= border.cy, r.Right += border.cx, r.Bottom += border.cy;
    int bevel = 0;
    if (m_bevel_kind != bkNone)
        bevel = (m_bevel_inner != bvNone ? m_bevel_width : 0) + (m_bevel_outer != bvNone ? m_bevel_width : 0);
    int insetX = m_border_width + ((m_bevel_edges & beLeft) ? bevel : 0);
    int insetY = m_border_width + ((m_bevel_edges & beTop) ? bevel : 0);
    r.Left += insetX, r.Right -= insetX, r.Top += insetY, r.Bottom -= insetY;
    if (!(Header().Options() & hoVisible))
        r.Bottom = r.Top;
    else if (r.Left > r.Right)
        r = TRect{};
    else
        r.Bottom = r.Top + Header().Height();
    SetHeaderRect(r);
}

void TVirtualTreeControl::HeaderFrameChanged()
{
    if (!HandleAllocated())
        return;
    m_port->FrameChanged();
}

void TVirtualTreeControl::RedrawFrame()
{
    if (HWND w = HandleIfAllocated())
        RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE | RDW_NOCHILDREN);
}

void TVirtualTreeControl::PaintBorder(HDC windowDC)
{
    if (m_bevel_kind == bkNone && m_border_width == 0)
        return;
    TSize border = BorderDimensions();
    RECT r{0, 0, Width(), Height()};
    InflateRect(&r, border.cx, border.cy);
    RECT outer = r;
    if (m_bevel_kind != bkNone) {
        UINT inner = m_bevel_inner == bvLowered ? BDR_SUNKENINNER : m_bevel_inner == bvRaised ? BDR_RAISEDINNER : 0;
        UINT outerEdge = m_bevel_outer == bvLowered ? BDR_SUNKENOUTER : m_bevel_outer == bvRaised ? BDR_RAISEDOUTER : 0;
        UINT kind = m_bevel_kind == bkSoft ? BF_SOFT : m_bevel_kind == bkFlat ? BF_FLAT : 0;
        DrawEdge(windowDC, &r, inner | outerEdge, UINT(m_bevel_edges) | kind | (m_ctl3d ? 0 : BF_MONO));
        int bevel = (m_bevel_inner != bvNone ? m_bevel_width : 0) + (m_bevel_outer != bvNone ? m_bevel_width : 0);
        if (m_bevel_edges & beLeft)
            r.left += bevel;
        if (m_bevel_edges & beTop)
            r.top += bevel;
        if (m_bevel_edges & beRight)
            r.right -= bevel;
        if (m_bevel_edges & beBottom)
            r.bottom -= bevel;
    }
    IntersectClipRect(windowDC, r.left, r.top, r.right, r.bottom);
    InflateRect(&r, -m_border_width, -m_border_width);
    ExcludeClipRect(windowDC, r.left, r.top, r.right, r.bottom);
    HBRUSH brush = CreateSolidBrush(ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::BorderColor))));
    FillRect(windowDC, &outer, brush);
    DeleteObject(brush);
}

// ---------------------------------------------------------------- default painting

void TVirtualTreeControl::PaintWindow(HDC dc)
{
    RECT clip{};
    if (GetClipBox(dc, &clip) == NULLREGION || clip.right <= clip.left)
        GetClientRect(HandleIfAllocated(), &clip);
    ui::Canvas& canvas = Canvas();
    canvas.SetHandle(dc);
    canvas.Font().Assign(Font());
    canvas.SetBrushColor(GetColor());
    struct Release {
        ui::Canvas& canvas;
        ~Release() { canvas.SetHandle(nullptr); }
    } release{canvas};
    ChangeStates(tsPainting, 0);
    struct Leave {
        TVirtualTreeControl& tree;
        ~Leave() { tree.ChangeStates(0, tsPainting); }
    } leave{*this};
    PaintTreeArea(canvas, ToTRect(clip));
}

void TVirtualTreeControl::PaintTreeArea(ui::Canvas& canvas, const TRect& updateRect)
{
    canvas.SetBrushColor(GetColor());
    canvas.FillRect(ToRECT(updateRect));
}

void TVirtualTreeControl::PaintHeader(HDC dc, const TRect& rect, int hOffset)
{
    RECT area = ToRECT(rect);
    HBRUSH background = CreateSolidBrush(ui::ColorToRGB(ui::Color(Header().Background())));
    FillRect(dc, &area, background);
    DeleteObject(background);
    HFONT oldFont = HFONT(SelectObject(dc, Font().Handle()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const TVirtualTreeColumns& columns = Header().Columns();
    for (TColumnIndex index : columns.PositionToIndex()) {
        const TVirtualTreeColumn& c = columns[index];
        if (!c.Visible())
            continue;
        int left = 0, right = 0;
        c.GetUnscrolledBounds(left, right);
        if (!c.Fixed())
            left -= hOffset, right -= hOffset;
        RECT cell{rect.Left + left, rect.Top, rect.Left + right, rect.Bottom};
        if (cell.left >= area.right || cell.right <= area.left)
            continue;
        DrawEdge(dc, &cell, EDGE_RAISED, BF_RECT | BF_SOFT);
        RECT text = cell;
        InflateRect(&text, -c.Margin(), 0);
        std::wstring caption(c.Text().begin(), c.Text().end());
        UINT align = c.CaptionAlignment() == taCenter ? DT_CENTER : c.CaptionAlignment() == taRightJustify ? DT_RIGHT : DT_LEFT;
        DrawTextW(dc, caption.c_str(), int(caption.size()), &text, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    SelectObject(dc, oldFont);
}

// ---------------------------------------------------------------- text metrics

int TVirtualTreeControl::TextHeight() const
{
    HDC dc = GetDC(nullptr);
    HFONT old = HFONT(SelectObject(dc, const_cast<TVirtualTreeControl*>(this)->Font().Handle()));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

int TVirtualTreeControl::TextWidth(core::StringView text) const
{
    HDC dc = GetDC(nullptr);
    HFONT old = HFONT(SelectObject(dc, const_cast<TVirtualTreeControl*>(this)->Font().Handle()));
    SIZE size{};
    std::wstring w(text.begin(), text.end());
    GetTextExtentPoint32W(dc, w.c_str(), int(w.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// ---------------------------------------------------------------- messages

THitInfo TVirtualTreeControl::HitAt(LPARAM lparam)
{
    THitInfo info;
    GetHitTestInfoAt(short(LOWORD(lparam)), short(HIWORD(lparam)), true, info);
    return info;
}

bool TVirtualTreeControl::DoMouseWheel(ui::ShiftState shift, int delta, POINT mouse)
{
    EndWheelPanning();
    if (ui::CustomControl::DoMouseWheel(shift, delta, mouse))
        return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    HandleWheel(delta, (shift & ui::ssShift) != 0, (shift & ui::ssCtrl) != 0, lines == WHEEL_PAGESCROLL ? UINT_MAX : lines);
    return true;
}

void TVirtualTreeControl::Resize()
{
    ui::CustomControl::Resize();
}

void TVirtualTreeControl::KeyDown(WORD& key, ui::ShiftState shift)
{
    ui::CustomControl::KeyDown(key, shift);
    if (key != 0 && ScrollByKey(key, shift))
        key = 0;
}

void TVirtualTreeControl::DoScroll(int deltaX, int deltaY) { TTreeViewport::DoScroll(deltaX, deltaY); }

void TVirtualTreeControl::HandleScrollMessage(ui::Message& message, TScrollBarKind bar)
{
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_TRACKPOS;
    GetScrollInfo(HandleIfAllocated(), bar == TScrollBarKind::Vertical ? SB_VERT : SB_HORZ, &si);
    TScrollCode code = TScrollCode(LOWORD(message.WParam));
    HandleScrollRequest(bar, code, si.nTrackPos);
    if (code == scEndScroll && bar == TScrollBarKind::Vertical)
        RedrawFrame();
    message.Result = 0;
}

void TVirtualTreeControl::HandleSize(ui::Message& message)
{
    ui::CustomControl::WndProc(message);
    if (!HandleAllocated() || (TreeStates() & tsWindowCreating) || ClientHeight() < 1)
        return;
    if (TreeStates() & tsSizing) {
        // A scroll bar that the pass under way shows or hides changes the client size again; that size
        // is fitted once the current pass is done, or the auto-size column would keep the bar's width.
        m_size_pending = true;
        return;
    }
    ChangeStates(tsSizing, 0);
    struct Leave {
        TVirtualTreeControl& tree;
        ~Leave()
        {
            tree.m_size_pending = false;
            tree.ChangeStates(0, tsSizing);
        }
    } leave{*this};
    // A bar that comes with one width and goes with the next could toggle for ever: a few passes
    // settle every real case (vertical bar, then horizontal bar, then the size they leave).
    constexpr int MaxSizePasses = 4;
    for (int pass = 0; pass < MaxSizePasses; ++pass) {
        m_size_pending = false;
        UpdateHeaderRect();
        if (Header().Options() & hoAutoResize)
            Header().Columns().FitAutoSizeColumn(false);
        else
            Header().ApplyHeaderConstraints();
        Header().Columns().DistributeSpringWidth();
        UpdateScrollBars(true);
        if (!m_size_pending || ClientHeight() < 1)
            break;
    }
}

void TVirtualTreeControl::HandleTimer(ui::Message& message)
{
    unsigned id = unsigned(message.WParam);
    switch (id) {
    case ScrollTimer:
        if (TreeStates() & tsScrollPending) {
            CancelHint();
            m_port->SetTimer(ScrollTimer, AutoScrollInterval());
            ChangeStates(tsScrolling, tsScrollPending);
        }
        ScrollOnTimer();
        break;
    case ChangeTimer:
    case StructureChangeTimer:
        TimerFired(id);
        break;
    case HeaderTimer:
        m_port->KillTimer(id);
        break;
    default:
        TreeTimer(id);
        break;
    }
    message.Result = 0;
}

void TVirtualTreeControl::TreeTimer(unsigned id) { m_port->KillTimer(id); }

// ---------------------------------------------------------------- drags of the class library

HRESULT TVirtualTreeControl::HandleOLEDragOver(core::Object* source, DWORD keyState, POINT pt, DWORD& effect,
                                               TDragState state)
{
    (void)source, (void)keyState, (void)pt, (void)state;
    effect = DROPEFFECT_NONE;
    return S_OK;
}

void TVirtualTreeControl::DoVCLDragDrop(core::Object* source, POINT pt, DWORD effect, TDropMode mode)
{
    (void)source, (void)pt, (void)effect, (void)mode;
}

void TVirtualTreeControl::FreeNodeRecord(PVirtualNode node)
{
    if (node == m_drag_drop_target)
        m_drag_drop_target = nullptr;
    // The end of a move deletes the dragged nodes: one freed meanwhile must not be among them.
    std::erase(m_drag_selection, node);
    TTreeViewport::FreeNodeRecord(node);
}

void TVirtualTreeControl::HandleDragMessage(ui::Message& message)
{
    auto* rec = reinterpret_cast<TDragRec*>(message.LParam);
    HWND w = HandleIfAllocated();
    if (!rec || rec->Docking || !w || message.WParam == dmDragCancel) {
        ui::CustomControl::WndProc(message);
        return;
    }
    core::Object* source = rec->Source;
    if (rec->Source && !(TreeStates() & tsUserDragObject))
        source = rec->Source->Control;
    POINT client = rec->Pos;
    ::ScreenToClient(w, &client);
    message.Result = 0;
    switch (message.WParam) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        TDragState state = dsDragMove;
        if (message.WParam == dmDragEnter) {
            ChangeStates(tsVCLDragging, 0);
            state = dsDragEnter;
        } else if (message.WParam == dmDragLeave) {
            ChangeStates(0, tsVCLDragging);
            state = dsDragLeave;
        } else {
            AutoScrollAt(client.x, client.y);
        }
        DWORD keys = 0;
        auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
        if (down(VK_SHIFT))
            keys |= MK_SHIFT;
        if (down(VK_CONTROL))
            keys |= MK_CONTROL;
        if (down(VK_MENU))
            keys |= MK_ALT;
        if (down(VK_LBUTTON))
            keys |= MK_LBUTTON;
        if (down(VK_RBUTTON))
            keys |= MK_RBUTTON;
        if (down(VK_MBUTTON))
            keys |= MK_MBUTTON;
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        HRESULT result = HandleOLEDragOver(source, keys, rec->Pos, effect, state);
        m_drag_drop_target = DropTargetNode();
        m_drag_effect = effect;
        message.Result = SUCCEEDED(result) && (effect & ~DWORD(DROPEFFECT_SCROLL)) != DROPEFFECT_NONE;
        if (state == dsDragLeave) {
            // The drop that may follow restores the remembered target.
            InvalidateNode(DropTargetNode());
            StoreDropTargetNode(nullptr);
        }
        break;
    }
    case dmDragDrop: {
        InvalidateNode(DropTargetNode());
        StoreDropTargetNode(m_drag_drop_target);
        struct Clear {
            TVirtualTreeControl& tree;
            ~Clear()
            {
                tree.InvalidateNode(tree.DropTargetNode());
                tree.StoreDropTargetNode(nullptr);
                tree.m_drag_drop_target = nullptr;
            }
        } clear{*this};
        DoVCLDragDrop(source, client, m_drag_effect, LastDropMode());
        break;
    }
    case dmFindTarget: {
        ui::Control* target = ControlAtPos(client, false);
        message.Result = LRESULT(target ? target : static_cast<ui::Control*>(this));
        ChangeStates(tsVCLDragging, tsVCLDragPending | tsEditPending | tsClearPending);
        break;
    }
    default:
        ui::CustomControl::WndProc(message);
        break;
    }
}

bool TVirtualTreeControl::IsControlAt(int x, int y) const
{
    HWND w = HandleIfAllocated();
    if (!w)
        return false;
    POINT p{x, y};
    ::ClientToScreen(w, &p);
    return WindowFromPoint(p) == w;
}

void TVirtualTreeControl::ScrollOnTimer()
{
    HWND w = HandleIfAllocated();
    if (!w)
        return;
    POINT screen{};
    GetCursorPos(&screen);
    RECT client{};
    GetClientRect(w, &client);
    MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&client), 2);
    bool inClient = PtInRect(&client, screen) != FALSE;
    POINT local = screen;
    ::ScreenToClient(w, &local);
    bool panning = (TreeStates() & (tsWheelPanning | tsWheelScrolling)) != 0;
    bool selecting = IsMouseSelecting();
    if (!selecting && !inClient && !panning)
        return;
    TPoint outside{screen.x < client.left ? client.left - screen.x : screen.x > client.right ? screen.x - client.right : 0,
                   screen.y < client.top ? client.top - screen.y : screen.y > client.bottom ? screen.y - client.bottom : 0};
    TPoint delta = ScrollDeltasAt(TPoint{local.x, local.y}, inClient, outside);
    if (selecting) {
        TRect clip{delta.X, delta.Y, ClientWidth() + delta.X, ClientHeight() + delta.Y};
        const bool moved = ApplyOffset(TPoint{OffsetX() + delta.X, OffsetY() + delta.Y}, DefaultScrollUpdateFlags, &clip);
        const bool changed = moved && UpdateRubberBandAfterScroll(TPoint{local.x, local.y});
        if (moved || changed)
            Invalidate();
    } else if (!IsCurrentDropTarget() && (delta.X != 0 || delta.Y != 0)) {
        ApplyOffset(TPoint{OffsetX() + delta.X, OffsetY() + delta.Y});
    }
    UpdateWindow(w);
    if (ScrollDirections() == 0 && !panning) {
        m_port->KillTimer(ScrollTimer);
        ChangeStates(0, tsScrolling | tsScrollPending);
    }
}

LRESULT CALLBACK TVirtualTreeControl::PanningWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(window, &ps);
        auto image = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (image) {
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(memory, image);
            BitBlt(dc, 0, 0, 32, 32, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, msg, wparam, lparam);
}

void TVirtualTreeControl::BeginWheelPanning(POINT position)
{
    HWND w = HandleIfAllocated();
    if (!w)
        return;
    m_port->KillTimer(ScrollTimer);
    ChangeStates(tsWheelPanning | tsWheelScrolling, 0);
    SetLastClickPos(TPoint{position.x, position.y});
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    bool registered = GetClassInfoExW(instance, L"VTPanningWindow", &info) != FALSE;
    if (registered && info.lpfnWndProc != PanningWindowProc) {
        UnregisterClassW(L"VTPanningWindow", instance);
        registered = false;
    }
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PanningWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"VTPanningWindow";
        RegisterClassExW(&wc);
    }
    bool wide = int(RangeX()) > ClientWidth(), tall = int(RangeY()) > ClientHeight();
    const char* name = wide && tall ? "VT_MOVEALL" : wide ? "VT_MOVEEW" : "VT_MOVENS";
    TPixelStrip image;
    CORE_ASSERT(BuiltinStrip(name, image) && image.Width > 0, u"Invalid wheel panning image.");
    POINT screen = position;
    ::ClientToScreen(w, &screen);
    m_panning_window = CreateWindowExW(WS_EX_TOOLWINDOW, L"VTPanningWindow", nullptr, WS_POPUP, screen.x - 16,
                                       screen.y - 16, 32, 32, w, nullptr, instance, nullptr);
    // The image as a bitmap, and the window shaped to its opaque pixels.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = image.Width;
    bi.bmiHeader.biHeight = -image.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_panning_image = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < image.Height; ++y) {
        int run = -1;
        for (int x = 0; x <= image.Width; ++x) {
            bool opaque = x < image.Width && image.At(x, y) != stripcolor::Mask;
            if (x < image.Width && bits)
                static_cast<uint32_t*>(bits)[y * image.Width + x] = image.At(x, y);
            if (opaque && run < 0)
                run = x;
            if (!opaque && run >= 0) {
                HRGN piece = CreateRectRgn(run, y, x, y + 1);
                CombineRgn(region, region, piece, RGN_OR);
                DeleteObject(piece);
                run = -1;
            }
        }
    }
    if (m_panning_window) {
        SetWindowRgn(m_panning_window, region, FALSE); // the window owns the region now
        SetWindowLongPtrW(m_panning_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_panning_image));
        ShowWindow(m_panning_window, SW_SHOWNOACTIVATE);
    } else {
        DeleteObject(region);
    }
    if (GetFocus() != w && CanFocus())
        ::SetFocus(w);
    SetCapture(w);
    m_port->SetTimer(ScrollTimer, 20);
}

void TVirtualTreeControl::EndWheelPanning()
{
    if (!(TreeStates() & (tsWheelPanning | tsWheelScrolling)))
        return;
    m_port->KillTimer(ScrollTimer);
    if (GetCapture() == HandleIfAllocated())
        ReleaseCapture();
    ChangeStates(0, tsWheelPanning | tsWheelScrolling);
    if (m_panning_window) {
        DestroyWindow(m_panning_window);
        m_panning_window = nullptr;
    }
    if (m_panning_image) {
        DeleteObject(m_panning_image);
        m_panning_image = nullptr;
    }
    // The panning cursors are shared by the unit; only the reference goes.
    m_panning_cursor = nullptr;
    ::SetCursor(ui::CursorHandle(Cursor() == ui::crDefault ? ui::crArrow : Cursor()));
}

void TVirtualTreeControl::UpdatePanningCursor(int x, int y)
{
    bool wide = int(RangeX()) > ClientWidth(), tall = int(RangeY()) > ClientHeight();
    TPoint click = LastClickPos();
    int dx = x - click.X, dy = y - click.Y;
    const char* name;
    if (std::abs(dx) > 7 || std::abs(dy) > 7) {
        if (wide && tall) {
            if (dx < -8)
                name = dy < -8 ? "VT_MOVENW" : dy < 9 ? "VT_MOVEW" : "VT_MOVESW";
            else if (dx < 9)
                name = y < click.Y ? "VT_MOVEN" : "VT_MOVES";
            else
                name = dy < -8 ? "VT_MOVENE" : dy < 9 ? "VT_MOVEE" : "VT_MOVESE";
        } else if (wide) {
            name = x < click.X ? "VT_MOVEW" : "VT_MOVEE";
        } else {
            name = y < click.Y ? "VT_MOVEN" : "VT_MOVES";
        }
    } else {
        name = !wide ? "VT_MOVENS" : tall ? "VT_MOVEALL" : "VT_MOVEEW";
    }
    HCURSOR cursor = PanningCursor(name);
    if (cursor == m_panning_cursor)
        return;
    m_panning_cursor = cursor;
    ::SetCursor(cursor);
}

void TVirtualTreeControl::HandleButton(ui::Message& message)
{
    TVTSelectionOptions selection = TreeOptions().SelectionOptions();
    bool headerBusy = Header().States() != 0;
    switch (message.Msg) {
    case WM_LBUTTONDOWN: {
        ChangeStates(tsLeftButtonDown, 0);
        if (TreeStates() & (tsWheelPanning | tsWheelScrolling)) {
            // A press during panning only ends it.
            EndWheelPanning();
            break;
        }
        SetLastClickPos(TPoint{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))});
        ui::CustomControl::WndProc(message);
        THitInfo info = HitAt(message.LParam);
        MousePressed(message, info);
        break;
    }
    case WM_LBUTTONUP: {
        ChangeStates(0, tsLeftButtonDown | tsNodeHeightTracking | tsNodeHeightTrackPending);
        THitInfo info = HitAt(message.LParam);
        MouseReleased(message, info);
        ui::CustomControl::WndProc(message);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        ChangeStates(tsLeftDblClick, 0);
        ui::CustomControl::WndProc(message);
        THitInfo info = HitAt(message.LParam);
        MouseDoubleClicked(message, info);
        ChangeStates(0, tsLeftDblClick);
        break;
    }
    case WM_MBUTTONDOWN: {
        ChangeStates(tsMiddleButtonDown, 0);
        if (headerBusy)
            break;
        ui::CustomControl::WndProc(message);
        bool panning = (TreeStates() & (tsWheelPanning | tsWheelScrolling)) != 0;
        if ((TreeOptions().MiscOptions() & toWheelPanning) && !panning &&
            (int(RangeX()) > ClientWidth() || int(RangeY()) > ClientHeight())) {
            BeginWheelPanning(POINT{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))});
            break;
        }
        EndWheelPanning();
        if (selection & toMiddleClickSelect) {
            THitInfo info = HitAt(message.LParam);
            MousePressed(message, info);
        }
        break;
    }
    case WM_MBUTTONUP:
        ChangeStates(0, tsMiddleButtonDown);
        if (TreeStates() & (tsWheelPanning | tsWheelScrolling)) {
            if (TreeStates() & tsWheelScrolling)
                ChangeStates(0, tsWheelPanning);
            else
                EndWheelPanning();
            break;
        }
        if (headerBusy)
            break;
        ui::CustomControl::WndProc(message);
        if (selection & toMiddleClickSelect) {
            THitInfo info = HitAt(message.LParam);
            MouseReleased(message, info);
        }
        break;
    case WM_MBUTTONDBLCLK:
        ChangeStates(tsMiddleDblClick, 0);
        ui::CustomControl::WndProc(message);
        if (selection & toMiddleClickSelect) {
            THitInfo info = HitAt(message.LParam);
            MouseDoubleClicked(message, info);
        }
        ChangeStates(0, tsMiddleDblClick);
        break;
    case WM_RBUTTONDOWN:
        ChangeStates(tsRightButtonDown, 0);
        if (TreeStates() & (tsWheelPanning | tsWheelScrolling)) {
            EndWheelPanning();
            break;
        }
        if (headerBusy)
            break;
        ui::CustomControl::WndProc(message);
        if (selection & toRightClickSelect) {
            THitInfo info = HitAt(message.LParam);
            MousePressed(message, info);
        }
        break;
    case WM_RBUTTONUP: {
        ChangeStates(0, tsRightButtonDown | tsPopupMenuShown);
        if (headerBusy)
            break;
        CancelHint();
        ui::CustomControl::WndProc(message);
        THitInfo info = HitAt(message.LParam);
        if (selection & toRightClickSelect)
            MouseReleased(message, info);
        ShowNodePopup(info, POINT{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))});
        break;
    }
    case WM_RBUTTONDBLCLK:
        ChangeStates(tsRightDblClick, 0);
        ui::CustomControl::WndProc(message);
        if (selection & toRightClickSelect) {
            THitInfo info = HitAt(message.LParam);
            MouseDoubleClicked(message, info);
        }
        ChangeStates(0, tsRightDblClick);
        break;
    }
}

void TVirtualTreeControl::PrintClientArea(HDC dc)
{
    HWND w = HandleIfAllocated();
    RECT window{};
    POINT origin{0, 0};
    if (!w || !dc || !GetWindowRect(w, &window) || !::ClientToScreen(w, &origin))
        return;
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, origin.x - window.left, origin.y - window.top, nullptr);
    IntersectClipRect(dc, 0, 0, ClientWidth(), ClientHeight());
    SendMessageW(w, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
}

void TVirtualTreeControl::HandleNCPaint(ui::Message& message)
{
    HWND w = HandleIfAllocated();
    const bool themedEdge =
        w && (TreeStates() & tsUseThemes) && (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) && ThemeData(L"TREEVIEW");
    if (themedEdge) {
        // The default painting (scroll bars) stays inside the edge, which the theme paints.
        RECT r{};
        GetWindowRect(w, &r);
        InflateRect(&r, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
        HRGN inside = CreateRectRgnIndirect(&r);
        if (message.WParam != 1)
            CombineRgn(inside, inside, HRGN(message.WParam), RGN_AND);
        message.Result = DefWindowProcW(w, WM_NCPAINT, WPARAM(inside), 0);
        DeleteObject(inside);
    } else {
        ui::CustomControl::WndProc(message);
    }
    if (!w)
        return;
    HDC dc = GetWindowDC(w);
    if (!dc)
        return;
    struct Release {
        HWND w;
        HDC dc;
        ~Release() { ReleaseDC(w, dc); }
    } release{w, dc};
    if (Header().Options() & hoVisible) {
        TRect r = HeaderRect();
        if (r.Right > r.Left && r.Bottom > r.Top) {
            int saved = SaveDC(dc);
            IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
            PaintHeader(dc, r, EffectiveOffsetX());
            RestoreDC(dc, saved);
        }
    }
    PaintBorder(dc);
    if (themedEdge)
        PaintThemedBorder(dc);
}

// ---------------------------------------------------------------- visual themes

bool TVirtualTreeControl::ThemesEnabled() const { return IsThemeActive() && IsAppThemed(); }

bool TVirtualTreeControl::UsesExplorerTheme() const
{
    return (TreeStates() & tsUseThemes) && (TreeOptions().PaintOptions() & toUseExplorerTheme) && IsWindowsVistaOrLater();
}

HTHEME TVirtualTreeControl::ThemeData(const wchar_t* themeClass)
{
    HWND w = HandleIfAllocated();
    if (!w || !(TreeStates() & tsUseThemes))
        return nullptr;
    HTHEME& theme = std::wcscmp(themeClass, L"BUTTON") == 0   ? m_button_theme
                    : std::wcscmp(themeClass, L"HEADER") == 0 ? m_header_theme
                                                              : m_tree_theme;
    if (!theme)
        theme = OpenThemeData(w, themeClass);
    return theme;
}

void TVirtualTreeControl::CloseThemes()
{
    for (HTHEME* theme : {&m_tree_theme, &m_button_theme, &m_header_theme}) {
        if (*theme)
            CloseThemeData(*theme);
        *theme = nullptr;
    }
}

void TVirtualTreeControl::UpdateThemeState()
{
    if ((TreeOptions().PaintOptions() & toThemeAware) && ThemesEnabled()) {
        ChangeStates(tsUseThemes, 0);
        if (UsesExplorerTheme())
            if (HWND w = HandleIfAllocated())
                SetWindowTheme(w, L"explorer", nullptr);
    } else {
        ChangeStates(0, tsUseThemes);
    }
}

void TVirtualTreeControl::ThemeOptionsChanged(TVTPaintOptions value)
{
    (void)value;   // stored already; the window half asks the options itself
    HWND w = HandleIfAllocated();
    if (!w) {
        TTreeViewport::ThemeOptionsChanged(value);
        return;
    }
    CloseThemes();
    UpdateThemeState();
    ThemeChanged();
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_VALIDATE | RDW_FRAME);
}

void TVirtualTreeControl::PaintThemedBorder(HDC windowDC)
{
    HTHEME theme = ThemeData(L"TREEVIEW");
    HWND w = HandleIfAllocated();
    if (!theme || !w)
        return;
    RECT window{};
    GetWindowRect(w, &window);
    RECT r{0, 0, window.right - window.left, window.bottom - window.top};
    int saved = SaveDC(windowDC);
    ExcludeClipRect(windowDC, r.left + GetSystemMetrics(SM_CXEDGE), r.top + GetSystemMetrics(SM_CYEDGE),
                    r.right - GetSystemMetrics(SM_CXEDGE), r.bottom - GetSystemMetrics(SM_CYEDGE));
    DrawThemeBackground(theme, windowDC, 0, 0, &r, nullptr);
    RestoreDC(windowDC, saved);
}

bool TVirtualTreeControl::HandleHeaderMessage(ui::Message& message)
{
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    HWND w = HandleIfAllocated();
    if (!w)
        return false;
    auto clientPoint = [&](bool screen) {
        POINT p{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
        if (screen)
            ::ScreenToClient(w, &p);
        return TPoint{p.x, p.y};
    };
    switch (message.Msg) {
    case WM_SETCURSOR: {
        if (header.States() != 0) {
            message.Result = 1;
            return true;
        }
        POINT p{};
        GetCursorPos(&p);
        ::ScreenToClient(w, &p);
        if (header.IsColumnSplitterHit(TPoint{p.x, p.y})) {
            HCURSOR split = TreeCursor(63);
            ::SetCursor(split ? split : LoadCursorW(nullptr, IDC_SIZEWE));
            message.Result = 1;
            return true;
        }
        return false;
    }
    case WM_NCLBUTTONDOWN:
    case WM_LBUTTONDOWN: {
        TPoint p = clientPoint(message.Msg == WM_NCLBUTTONDOWN);
        if (!header.IsColumnSplitterHit(p))
            return false;
        m_port->KillTimer(ScrollTimer);
        m_port->KillTimer(EditTimer);
        ChangeStates(0, tsScrollPending | tsScrolling | tsEditPending);
        header.SetTrackStart(p);
        columns.SetHoverIndex(NoColumn);
        header.NotifyBeforeColumnWidthTracking(columns.TrackIndex());
        header.EnterStates(hsColumnWidthTrackPending);
        SetCapture(w);
        message.Result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: {
        if (!(header.States() & (hsColumnWidthTrackPending | hsColumnWidthTracking)))
            return false;
        TPoint p = clientPoint(message.Msg == WM_NCMOUSEMOVE);
        if (header.States() & hsColumnWidthTrackPending) {
            header.LeaveStates(hsColumnWidthTrackPending);
            header.EnterStates(hsColumnWidthTracking);
        }
        TColumnIndex track = columns.TrackIndex();
        if (columns.IsValidColumn(track)) {
            TPoint trackPoint = header.TrackPoint();
            if (header.AskColumnWidthTracking(track, trackPoint, p)) {
                header.SetTrackPoint(trackPoint);
                columns[track].SetWidth(UseRightToLeftAlignment() ? trackPoint.X - p.X : p.X - trackPoint.X);
                header.Invalidate(track, true);
            }
        }
        message.Result = 0;
        return true;
    }
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP: {
        if (!(header.States() & (hsColumnWidthTrackPending | hsColumnWidthTracking)))
            return false;
        if (GetCapture() == w)
            ReleaseCapture();
        TColumnIndex track = columns.TrackIndex();
        if (columns.IsValidColumn(track)) {
            if (header.States() & hsColumnWidthTracking)
                header.NotifyAfterColumnWidthTracking(track);
            header.Invalidate(track);
        }
        columns.SetTrackIndex(NoColumn);
        header.LeaveStates(hsColumnWidthTracking | hsColumnWidthTrackPending | hsDragging | hsDragPending |
                           hsHeightTracking | hsHeightTrackPending);
        message.Result = 0;
        return true;
    }
    case WM_NCLBUTTONDBLCLK:
    case WM_LBUTTONDBLCLK: {
        TPoint p = clientPoint(message.Msg == WM_NCLBUTTONDBLCLK);
        if (!(header.Options() & hoDblClickResize) || !header.IsColumnSplitterHit(p))
            return false;
        TColumnIndex track = columns.TrackIndex();
        if (columns.IsValidColumn(track) && header.AskColumnWidthDblClickResize(track, p)) {
            int position = int(columns[track].Position());
            header.AutoFitColumns(true, smaUseColumnOption, position, position);
            header.Invalidate(NoColumn);
        }
        message.Result = 0;
        return true;
    }
    case WM_KILLFOCUS:
        if (header.States() & (hsColumnWidthTracking | hsColumnWidthTrackPending)) {
            if (GetCapture() == w)
                ReleaseCapture();
            if (columns.IsValidColumn(columns.TrackIndex()))
                header.NotifyAfterColumnWidthTracking(columns.TrackIndex());
            header.LeaveStates(hsColumnWidthTracking | hsColumnWidthTrackPending);
        }
        return false;
    default:
        return false;
    }
}

void TVirtualTreeControl::WndProc(ui::Message& message)
{
    if (!m_port->Window.load() && HandleIfAllocated())
        m_port->SetWindow(HandleIfAllocated());
    if (HandleHeaderMessage(message))
        return;
    if (HandleHintMessage(message))
        return;
    switch (message.Msg) {
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        if (!Focused() && CanFocus())
            SetFocus();
        break;
    case CM_ISVIRTUALTREE:
        message.Result = 1;
        return;
    case CM_DRAG:
        HandleDragMessage(message);
        return;
    case WM_CHANGESTATE:
        HandleChangeStateMessage(uint32_t(message.WParam), uint32_t(message.LParam));
        message.Result = 0;
        return;
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_GETDLGCODE:
        message.Result = WantTabs() ? DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB : DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_GETOBJECT:
        message.Result = HandleGetObject(message.WParam, message.LParam);
        return;
    case WM_NCCALCSIZE:
        ui::CustomControl::WndProc(message);
        if (Header().Options() & hoVisible) {
            RECT* r = message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(message.LParam)->rgrc[0]
                                     : reinterpret_cast<RECT*>(message.LParam);
            r->top = std::min<LONG>(r->top + Header().Height(), r->bottom);
        }
        return;
    case WM_NCHITTEST: {
        ui::CustomControl::WndProc(message);
        if ((Header().Options() & hoVisible) && !(ComponentState() & core::csDesigning)) {
            POINT p{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
            RECT window{};
            GetWindowRect(HandleIfAllocated(), &window);
            TRect h = HeaderRect();
            int x = p.x - window.left, y = p.y - window.top;
            if (x >= h.Left && x < h.Right && y >= h.Top && y < h.Bottom)
                message.Result = HTBORDER;
        }
        return;
    }
    case WM_NCPAINT:
        HandleNCPaint(message);
        return;
    case WM_NCDESTROY:
        CloseThemes();
        InterruptValidation();
        m_port->KillTimer(ChangeTimer);
        m_port->KillTimer(StructureChangeTimer);
        m_port->SetWindow(nullptr);
        ui::CustomControl::WndProc(message);
        return;
    case WM_VSCROLL:
        HandleScrollMessage(message, TScrollBarKind::Vertical);
        return;
    case WM_HSCROLL:
        HandleScrollMessage(message, TScrollBarKind::Horizontal);
        return;
    case WM_SIZE:
        HandleSize(message);
        return;
    case WM_TIMER:
        HandleTimer(message);
        return;
    case WM_MOUSEMOVE:
        if (TreeStates() & (tsWheelPanning | tsWheelScrolling)) {
            int x = short(LOWORD(message.LParam)), y = short(HIWORD(message.LParam));
            TPoint click = LastClickPos();
            // A move past the drag threshold turns "button up" panning into "hold the button".
            if ((TreeStates() & tsWheelScrolling) && (std::abs(x - click.X) >= GetSystemMetrics(SM_CXDRAG) ||
                                                      std::abs(y - click.Y) >= GetSystemMetrics(SM_CYDRAG)))
                ChangeStates(0, tsWheelScrolling);
            UpdatePanningCursor(x, y);
            AutoScrollAt(x, y);
            message.Result = 0;
            return;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        HandleButton(message);
        return;
    case WM_CANCELMODE:
        for (unsigned id : {ExpandTimer, EditTimer, HeaderTimer, ScrollTimer, SearchTimer})
            m_port->KillTimer(id);
        ChangeStates(0, tsClearPending | tsDrawSelPending | tsDrawSelecting | tsEditPending | tsIncrementalSearching |
                            tsOLEDragPending | tsVCLDragPending);
        break;
    case WM_CONTEXTMENU:
        ChangeStates(0, tsClearPending | tsEditPending | tsOLEDragPending | tsVCLDragPending);
        if (TreeStates() & tsPopupMenuShown) {
            message.Result = 0;
            return;
        }
        break;
    case WM_COPY:
        CopyToClipBoard();
        return;
    case WM_CUT:
        CutToClipBoard();
        return;
    case WM_PASTE:
        PasteFromClipboard();
        return;
    case WM_ENABLE:
        ui::CustomControl::WndProc(message);
        RedrawFrame();
        return;
    case WM_THEMECHANGED:
        ui::CustomControl::WndProc(message);
        CloseThemes();
        UpdateThemeState();
        ThemeChanged();
        RedrawFrame();
        return;
    case WM_SETFOCUS:
        ui::CustomControl::WndProc(message);
        if (SelectedCount() > 0 || !(TreeOptions().PaintOptions() & toGhostedIfUnfocused))
            Invalidate();
        FocusChanged(true);
        return;
    case WM_KILLFOCUS:
        ui::CustomControl::WndProc(message);
        CancelHint();
        EndWheelPanning();
        for (unsigned id : {ExpandTimer, EditTimer, HeaderTimer, ScrollTimer, SearchTimer})
            m_port->KillTimer(id);
        ChangeStates(0, tsEditPending | tsNodeHeightTracking | tsNodeHeightTrackPending | tsIncrementalSearching |
                            tsLeftButtonDown | tsMiddleButtonDown | tsOLEDragPending | tsRightButtonDown |
                            tsScrolling | tsScrollPending | tsVCLDragPending);
        if (SelectedCount() > 0 || !(TreeOptions().PaintOptions() & toGhostedIfUnfocused))
            Invalidate();
        else
            InvalidateNode(FocusedNode());
        FocusChanged(false);
        return;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(message.WParam) == HandleIfAllocated() && LOWORD(message.LParam) == HTCLIENT &&
            !(TreeStates() & tsWheelPanning)) {
            POINT p{};
            GetCursorPos(&p);
            ::ScreenToClient(HandleIfAllocated(), &p);
            ::SetCursor(CursorHandleAt(p));
            message.Result = 1;
            return;
        }
        break;
    case WM_PRINT:
        if (!((message.LParam & PRF_CHECKVISIBLE) && !IsWindowVisible(HandleIfAllocated()))) {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            if (Header().Options() & hoVisible) {
                TRect r = HeaderRect();
                PaintHeader(dc, r, EffectiveOffsetX());
            }
            if (message.LParam & PRF_CLIENT)
                PrintClientArea(dc);
        }
        // The system would print the client over the header at the window's origin; the tree
        // paints its whole client area itself, so there is nothing to erase either.
        message.LParam &= ~LPARAM(PRF_CLIENT | PRF_ERASEBKGND);
        break;
    case WM_SYSCOLORCHANGE:
        // The shared images are drawn in system colours.
        RebuildTreeImages();
        break;
    case WM_PRINTCLIENT: {
        ui::Canvas& canvas = Canvas();
        canvas.SetHandle(reinterpret_cast<HDC>(message.WParam));
        struct Release {
            ui::Canvas& canvas;
            ~Release() { canvas.SetHandle(nullptr); }
        } release{canvas};
        PaintTreeArea(canvas, TRect{0, 0, ClientWidth(), ClientHeight()});
        message.Result = 0;
        return;
    }
    case ui::CM_MOUSELEAVE:
        ChangeStates(0, tsHint);
        if (!(TreeStates() & tsWheelPanning)) {
            m_port->KillTimer(ScrollTimer);
            ChangeStates(0, tsScrollPending | tsScrolling);
        }
        Header().Columns().SetHoverIndex(NoColumn);
        Header().Columns().SetDownIndex(NoColumn);
        break;
    case ui::CM_COLORCHANGED:
    case ui::CM_FONTCHANGED:
        ui::CustomControl::WndProc(message);
        if (!Loading() && HandleAllocated())
            Invalidate();
        return;
    case TVM_GETITEMW:
        message.Result = HandleGetItem(message.LParam);
        return;
    case TVM_GETITEMRECT:
        message.Result = HandleGetItemRect(message.WParam, message.LParam);
        return;
    case TVM_GETNEXTITEM:
        message.Result = HandleGetNextItem(message.WParam, message.LParam);
        return;
    default:
        break;
    }
    ui::CustomControl::WndProc(message);
}

HCURSOR TVirtualTreeControl::CursorHandleAt(POINT client)
{
    THitInfo hit;
    GetHitTestInfoAt(client.x, client.y, true, hit);
    // Over a row's upper or lower edge the row height can be dragged.
    if ((TreeOptions().MiscOptions() & toNodeHeightResize) && hit.HitNode &&
        (hit.HitPositions & (hiUpperSplitter | hiLowerSplitter))) {
        if (HCURSOR split = TreeCursor(62))
            return split;
    }
    ui::Cursor cursor = CursorAt(client);
    if ((TreeOptions().PaintOptions() & toHotTrack) && hit.HitNode && hit.HitNode == HotNode() &&
        m_hot_cursor != ui::crDefault)
        cursor = m_hot_cursor;
    if (OnGetCursor)
        OnGetCursor(this, cursor);
    return ui::CursorHandle(cursor == ui::crDefault ? ui::crArrow : cursor);
}

// ---------------------------------------------------------------- keys that scroll

bool TVirtualTreeControl::ScrollByKey(WORD key, ui::ShiftState shift)
{
    bool ctrl = (shift & ui::ssCtrl) != 0, shifted = (shift & ui::ssShift) != 0;
    bool alt = (shift & ui::ssAlt) != 0;
    if (!ctrl || alt)
        return false;
    int factor = UseRightToLeftAlignment() ? -1 : 1;
    switch (key) {
    case VK_PRIOR:
        if (shifted)
            SetOffsetX(OffsetX() + ClientWidth());
        else
            SetOffsetY(OffsetY() + ClientHeight());
        return true;
    case VK_NEXT:
        if (shifted)
            SetOffsetX(OffsetX() - ClientWidth());
        else
            SetOffsetY(OffsetY() - ClientHeight());
        return true;
    case VK_UP:
        SetOffsetY(OffsetY() + int(DefaultNodeHeight()));
        return true;
    case VK_DOWN:
        SetOffsetY(OffsetY() - int(DefaultNodeHeight()));
        return true;
    case VK_LEFT:
        SetOffsetX(OffsetX() + Header().Columns().GetScrollWidth() * factor);
        return true;
    case VK_RIGHT:
        SetOffsetX(OffsetX() - Header().Columns().GetScrollWidth() * factor);
        return true;
    case VK_HOME:
    case VK_END: {
        if (shifted || (TreeOptions().MiscOptions() & toGridExtensions))
            return false;
        // Rows are not mirrored, and OffsetX 0 is the start of the reading direction in both layouts.
        bool home = key == VK_HOME;
        PVirtualNode target = home ? GetFirstVisible(nullptr, true) : GetLastVisible(nullptr, true);
        if (target)
            ScrollIntoView(target, (TreeOptions().SelectionOptions() & toCenterScrollIntoView) != 0,
                           !(TreeOptions().AutoOptions() & toDisableAutoscrollOnFocus));
        SetOffsetX(home ? 0 : INT_MIN / 2);
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------- tree-view compatibility

PVirtualNode TVirtualTreeControl::NodeFromItemHandle(LPARAM item)
{
    // Handles come from other processes' tools: only a node of this tree is ever dereferenced.
    if (item == 0)
        return nullptr;
    auto candidate = reinterpret_cast<PVirtualNode>(item);
    if (candidate == RootNode())
        return nullptr;
    for (PVirtualNode node = GetFirstNoInit(); node; node = GetNextNoInit(node))
        if (node == candidate)
            return node;
    return nullptr;
}

LRESULT TVirtualTreeControl::HandleGetItem(LPARAM lparam)
{
    auto* item = reinterpret_cast<TVITEMW*>(lparam);
    if (!item || !(item->mask & TVIF_HANDLE))
        return 0;
    PVirtualNode node = NodeFromItemHandle(reinterpret_cast<LPARAM>(item->hItem));
    if (!node)
        return 0;
    if (item->mask & TVIF_CHILDREN)
        item->cChildren = int(node->ChildCount);
    if (item->mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
        bool ghosted = false;
        int index = -1;
        if (item->mask & TVIF_IMAGE) {
            QueryImageIndex(node, TVTImageKind::ikNormal, NoColumn, ghosted, index);
            item->iImage = index;
        }
        if (item->mask & TVIF_SELECTEDIMAGE) {
            index = -1;
            QueryImageIndex(node, TVTImageKind::ikSelected, NoColumn, ghosted, index);
            item->iSelectedImage = index;
        }
    }
    if (item->mask & TVIF_STATE) {
        item->stateMask = 0xFF2F;
        UINT state = 0;
        if (node == FocusedNode())
            state |= 0x1; // focused
        if (Selected(node))
            state |= TVIS_SELECTED;
        if (treeview::HasState(node, vsCutOrCopy))
            state |= TVIS_CUT;
        if (node == DropTargetNode())
            state |= TVIS_DROPHILITED;
        if (Expanded(node))
            state |= TVIS_EXPANDED;
        bool ghosted = false;
        int stateIndex = -1, overlay = -1;
        QueryImageIndex(node, TVTImageKind::ikState, NoColumn, ghosted, stateIndex);
        QueryImageIndex(node, TVTImageKind::ikOverlay, NoColumn, ghosted, overlay);
        state |= UINT((stateIndex + 1) & 0xF) << 12;
        state |= UINT((overlay + 1) & 0xF) << 8;
        item->state = state;
    }
    if ((item->mask & TVIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        core::String text = ItemText(node);
        size_t count = std::min<size_t>(text.size(), size_t(item->cchTextMax - 1));
        std::copy_n(text.begin(), count, item->pszText);
        item->pszText[count] = 0;
    }
    return 1;
}

LRESULT TVirtualTreeControl::HandleGetItemRect(WPARAM wparam, LPARAM lparam)
{
    auto* rect = reinterpret_cast<RECT*>(lparam);
    if (!rect)
        return 0;
    LPARAM handle = 0;
    std::memcpy(&handle, rect, sizeof(handle));
    PVirtualNode node = NodeFromItemHandle(handle);
    if (!node)
        return 0;
    if (!treeview::HasState(node, vsInitialized))
        InitializeNode(node);
    if (!treeview::HasState(node, vsVisible))
        return 0;
    *rect = ToRECT(GetDisplayRect(node, NoColumn, wparam != 0));
    return 1;
}

LRESULT TVirtualTreeControl::HandleGetNextItem(WPARAM wparam, LPARAM lparam)
{
    PVirtualNode item = NodeFromItemHandle(lparam);
    PVirtualNode result = nullptr;
    switch (wparam) {
    case TVGN_ROOT: result = GetFirst(); break;
    case TVGN_NEXT: result = item ? GetNextSibling(item) : nullptr; break;
    case TVGN_PREVIOUS: result = item ? GetPreviousSibling(item) : nullptr; break;
    case TVGN_PARENT: result = item && item->Parent != RootNode() ? item->Parent : nullptr; break;
    case TVGN_CHILD: result = item ? GetFirstChild(item) : nullptr; break;
    case TVGN_FIRSTVISIBLE: result = GetFirstVisible(); break;
    case TVGN_NEXTVISIBLE: result = item ? GetNextVisible(item) : nullptr; break;
    case TVGN_PREVIOUSVISIBLE: result = item ? GetPreviousVisible(item) : nullptr; break;
    case TVGN_DROPHILITE: result = DropTargetNode(); break;
    case TVGN_CARET: result = FocusedNode(); break;
    case TVGN_LASTVISIBLE: result = GetLastVisible(); break;
    default: break;
    }
    return reinterpret_cast<LRESULT>(result);
}

} // namespace treeview
