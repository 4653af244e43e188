// Hints of the tree: which hint the tree agrees to (CM_HINTSHOW), how long the application waits
// (CM_HINTSHOWPAUSE), and the tree's hint window that sizes, paints and animates it.
#include "treeview/tree_hint.h"

#include "treeview/draw_tree.h"
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/form.h"

#include <algorithm>

namespace treeview {
namespace {

bool g_animation_stopped = true; // no hint window yet: nothing animates

bool PointIn(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }

bool IsKeyboardMessage(UINT m) { return m >= WM_KEYFIRST && m <= 0x109; }

// The window of the outermost form around a control, or null when the control sits on none.
HWND OuterFormWindow(ui::Control* control)
{
    ui::Form* form = nullptr;
    for (ui::Control* c = control; c; c = c->Parent())
        if (auto* f = dynamic_cast<ui::Form*>(c))
            form = f;
    return form ? form->HandleIfAllocated() : nullptr;
}

// The window's own mapping: the frame and the header lie between the window's and the client
// area's origins.
POINT ToScreen(TCustomVirtualTreeControl* tree, POINT p)
{
    ::ClientToScreen(tree->Handle(), &p);
    return p;
}

} // namespace

// ---- The tree's side ----

ui::HintWindowClass TCustomVirtualTreeControl::TreeHintWindowClass() const { return &TVirtualTreeHintWindow::Make; }

void TCustomVirtualTreeControl::CancelHint() { ui::App().CancelHint(); }

bool TCustomVirtualTreeControl::HandleHintMessage(ui::Message& message)
{
    switch (message.Msg) {
    case ui::CM_HINTSHOWPAUSE: {
        auto& pause = *reinterpret_cast<unsigned*>(message.LParam);
        POINT p{};
        GetCursorPos(&p);
        ::ScreenToClient(Handle(), &p);
        TVTHeader& header = Header();
        if ((TVirtualTreeHintWindow::AnimationStopped() && header.UseColumns() && (header.Options() & hoShowHint) &&
             header.InHeader(TPoint{p.x, p.y})) ||
            HintMode() == hmTooltip)
            pause = 0;
        message.Result = 0;
        return true;
    }
    case ui::CM_MOUSELEAVE:
        if (TCustomVirtualTreeControl* tree = m_hint_data.Tree)
            tree->m_last_hint_rect = TRect{};
        m_last_hint_rect = TRect{};
        ChangeStates(0, tsHint);
        return false;
    case WM_NCDESTROY:
        // A hint animation of this tree must not outlive the window it reads.
        if (TreeStates() & tsInAnimation)
            TVirtualTreeHintWindow::SetAnimationStopped(true);
        return false;
    case ui::CM_HINTSHOW:
        break;
    default:
        return false;
    }

    ui::HintInfo& info = *reinterpret_cast<ui::HintInfo*>(message.LParam);
    message.Result = 1;
    const TPoint cursor{info.CursorPos.x, info.CursorPos.y};
    // The hint of this rectangle was offered already.
    if (PointIn(m_last_hint_rect, cursor))
        return true;
    THitInfo hit;
    GetHitTestInfoAt(cursor.X, cursor.Y, true, hit);

    bool showOK;
    if (IsEditing()) {
        showOK = hit.HitNode != FocusedNode();
    } else {
        showOK = Focused();
        if (HWND form = OuterFormWindow(this)) {
            HWND active = GetActiveWindow();
            showOK = active == form || active != nullptr;
        }
    }
    TVTHeader& header = Header();
    TVirtualTreeColumns& columns = header.Columns();
    LRESULT result = 1;
    bool show = false;
    TColumnIndex column = NoColumn;
    PVirtualNode node = nullptr;
    if (!GetCapture() && ShowHint() && !Dragging() && !IsMouseSelecting() &&
        !(TreeStates() & tsScrolling) && header.States() == 0 && showOK) {
        result = 0;
        info.HintStr.assign(1, u' ');
        if (header.UseColumns() && (header.Options() & hoShowHint) && header.InHeader(cursor)) {
            info.CursorRect = RECT{0, -header.Height(), ClientWidth(), 0};
            int left = 0, right = 0;
            column = columns.ColumnAndBoundsAt(TPoint{cursor.X, cursor.Y + header.Height()}, left, right);
            if (column >= 0) {
                info.CursorRect.left = left;
                info.CursorRect.right = right;
            }
            POINT bottom = ToScreen(this, POINT{0, info.CursorRect.bottom});
            info.HintPos.y = std::max<LONG>(info.HintPos.y, bottom.y);
            if (column < 0 || (TreeStates() & tsLeftButtonDown)) {
                result = 1;
            } else {
                m_hint_data.DefaultHint = columns[column].Hint();
                show = !m_hint_data.DefaultHint.empty();
                if (!show)
                    result = 1;
            }
        } else if (HintMode() == hmDefault) {
            const core::String& hint = Hint();
            info.HintStr = hint.substr(0, hint.find(u'|'));
        } else if (hit.HitNode && hit.HitColumn >= NoColumn) {
            node = hit.HitNode;
            column = hit.HitColumn;
            if (auto* drawTree = dynamic_cast<TCustomVirtualDrawTree*>(this)) {
                m_hint_data.HintRect = TRect{};
                drawTree->QueryHintSize(node, column, m_hint_data.HintRect);
                const TRect& r = m_hint_data.HintRect;
                show = r.Right > r.Left && r.Bottom > r.Top;
            } else {
                show = true;
            }
            if (!show) {
                result = 1;
            } else {
                int left = 0, right = ClientWidth();
                if (column > NoColumn) {
                    columns.GetColumnBounds(column, left, right);
                    if (TreeOptions().AutoOptions() & toAutoSpanColumns) {
                        for (TColumnIndex next = columns.GetNextVisibleColumn(column);
                             next > NoColumn && IsCellEmpty(node, next); next = columns.GetNextVisibleColumn(next)) {
                            int nextLeft = 0, nextRight = 0;
                            columns.GetColumnBounds(next, nextLeft, nextRight);
                            right = nextRight;
                        }
                    }
                }
                m_hint_data.DefaultHint.clear();
                if (HintMode() == hmTooltip) {
                    TRect r;
                    if (!treeview::HasState(node, vsMultiline)) {
                        r = GetDisplayRect(node, column, true, true, true);
                        TPoint margin = QueryContentMargin(node, column, ccmtBottomRightOnly, nullptr);
                        show = PointIn(r, cursor) && cursor.X >= left && cursor.X <= right &&
                               (r.Right + margin.X > std::min(right - 1, ClientWidth()) || r.Left < std::max(left, 0) ||
                                r.Bottom + margin.Y > ClientHeight() || r.Top < 0);
                    } else {
                        show = (hit.HitPositions & hiOnItemLabel) != 0;
                        if (show)
                            r = GetDisplayRect(node, column, true, false, false);
                    }
                    if (show) {
                        info.HintPos = ToScreen(this, POINT{r.Left, r.Top});
                        info.CursorRect = RECT{r.Left, r.Top, r.Right, r.Bottom};
                    } else {
                        result = 1;
                    }
                } else {
                    TRect row = GetDisplayRect(node, column, false, false, false);
                    info.CursorRect = RECT{left, row.Top, right, row.Bottom};
                    POINT bottom = ToScreen(this, POINT{0, row.Bottom});
                    // Two pixels below the row.
                    info.HintPos.y = std::max<LONG>(info.HintPos.y, bottom.y) + 2;
                }
            }
        } else if (HintMode() == hmHintAndDefault) {
            const core::String& hint = Hint();
            m_hint_data.DefaultHint = hint.substr(0, hint.find(u'|'));
            show = !m_hint_data.DefaultHint.empty();
            if (!show)
                result = 1;
        } else {
            result = 1;
        }
    }
    if (!show || result != 0) {
        m_last_hint_rect = TRect{};
    } else {
        info.HintWindowClass = TreeHintWindowClass();
        m_hint_data.Tree = this;
        m_hint_data.Column = column;
        m_hint_data.Node = node;
        m_last_hint_rect = TRect{info.CursorRect.left, info.CursorRect.top, info.CursorRect.right,
                                 info.CursorRect.bottom};
        info.HintData = &m_hint_data;
    }
    if (result != 0)
        ChangeStates(0, tsHint);
    else
        ChangeStates(tsHint, 0);
    message.Result = result;
    return true;
}

// ---- The hint window ----

THintAnimationType EffectiveAnimationType(THintAnimationType type)
{
    if (type != hatSystemDefault)
        return type;
    BOOL animation = FALSE, fade = FALSE;
    SystemParametersInfoW(SPI_GETTOOLTIPANIMATION, 0, &animation, 0);
    if (!animation)
        return hatNone;
    SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0);
    return fade ? hatFade : hatSlide;
}

bool TVirtualTreeHintWindow::AnimationStopped() { return g_animation_stopped; }
void TVirtualTreeHintWindow::SetAnimationStopped(bool value) { g_animation_stopped = value; }

TVirtualTreeHintWindow::TVirtualTreeHintWindow(core::Component* owner) : ui::HintWindow(owner)
{
    m_background.SetPixelFormat(ui::pf32bit);
    m_draw_buffer.SetPixelFormat(ui::pf32bit);
    m_target.SetPixelFormat(ui::pf32bit);
    g_animation_stopped = false;
}

TVirtualTreeHintWindow::~TVirtualTreeHintWindow() { g_animation_stopped = true; }

std::unique_ptr<ui::HintWindow> TVirtualTreeHintWindow::Make() { return std::make_unique<TVirtualTreeHintWindow>(); }

void TVirtualTreeHintWindow::CreateParams(ui::CreateParamsRec& params)
{
    ui::HintWindow::CreateParams(params);
    params.Style = WS_POPUP;
    params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
}

THintAnimationType TVirtualTreeHintWindow::Animation() const
{
    return m_hint_data.Tree ? EffectiveAnimationType(m_hint_data.Tree->HintAnimation()) : hatNone;
}

RECT TVirtualTreeHintWindow::CalcHintRect(int maxWidth, const core::String& hint, void* data)
{
    (void)hint;
    if (!data)
        return RECT{};
    m_hint_data = *static_cast<const TVTHintData*>(data);
    TCustomVirtualTreeControl* tree = m_hint_data.Tree;
    if (!tree)
        return RECT{};
    PVirtualNode node = m_hint_data.Node;
    const TColumnIndex column = m_hint_data.Column;
    if (node && dynamic_cast<TCustomVirtualDrawTree*>(tree)) {
        const TRect& r = m_hint_data.HintRect;
        return RECT{r.Left, r.Top, r.Right, r.Bottom};
    }
    TVirtualTreeColumns& columns = tree->Header().Columns();
    bool rtl;
    if (columns.IsValidColumn(column)) {
        m_hint_data.Alignment = columns[column].Alignment();
        m_hint_data.BidiMode = columns[column].BiDiMode();
        rtl = columns[column].UseRightToLeftReading();
    } else {
        m_hint_data.Alignment = tree->Alignment();
        m_hint_data.BidiMode = tree->BiDiMode();
        rtl = tree->UseRightToLeftReading();
    }
    if (rtl && m_hint_data.Alignment != taCenter)
        m_hint_data.Alignment = m_hint_data.Alignment == taLeftJustify ? taRightJustify : taLeftJustify;

    const bool tooltip = node && tree->HintMode() == hmTooltip;
    auto* stringTree = dynamic_cast<TCustomVirtualStringTree*>(tree);
    ui::Bitmap scratch(1, 1, ui::pf32bit);
    TCanvas canvas(scratch.Canvas().Handle());
    if (tooltip) {
        canvas.Font().Assign(tree->Font());
        if (stringTree) {
            FontWatch watch(*stringTree, canvas);
            stringTree->PrepareTextPaint(node, &canvas, column, ttNormal);
        }
    } else {
        AssignHintFont(canvas.Font());
    }
    HDC dc = canvas.Handle();
    HGDIOBJ oldFont = SelectObject(dc, canvas.Font().Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    m_text_height = metrics.tmHeight;

    m_hint_data.LineBreakStyle = hlbDefault;
    if (!m_hint_data.DefaultHint.empty())
        m_hint_data.HintText = m_hint_data.DefaultHint;
    else if (stringTree && node)
        m_hint_data.HintText = tooltip ? stringTree->NodeTooltipText(node, column, m_hint_data.LineBreakStyle)
                                       : stringTree->NodeHintText(node, column, m_hint_data.LineBreakStyle);
    else
        m_hint_data.HintText.clear();
    RECT result{};
    if (m_hint_data.HintText.empty()) {
        SelectObject(dc, oldFont);
        return result;
    }
    std::wstring text(m_hint_data.HintText.begin(), m_hint_data.HintText.end());
    if (tooltip) {
        if (m_hint_data.LineBreakStyle == hlbDefault)
            m_hint_data.LineBreakStyle = treeview::HasState(node, vsMultiline) ? hlbForceMultiLine : hlbForceSingleLine;
        TRect r;
        if (m_hint_data.LineBreakStyle == hlbForceMultiLine) {
            r = tree->GetDisplayRect(node, column, true, false);
            RECT measured{r.Left, r.Top, r.Right, r.Bottom};
            DrawTextW(dc, text.c_str(), int(text.size()), &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            if (rtl)
                r.Left = measured.left - tree->TextMargin() + 1;
            else
                r.Right = measured.right + tree->TextMargin();
            r.Bottom = measured.bottom;
            ++r.Right;
            int columnWidth = tree->ClientWidth();
            if (columns.IsValidColumn(column))
                columnWidth = columns[column].Width();
            // A text that fits its cell needs no tooltip.
            if (int(tree->NodeHeight(node)) + 2 >= r.Bottom - r.Top && columnWidth + 2 >= r.Right - r.Left && r.Left >= 0 &&
                r.Top >= 0 && tree->ClientWidth() + 3 >= r.Right && tree->ClientHeight() + 3 >= r.Bottom) {
                SelectObject(dc, oldFont);
                return RECT{};
            }
        } else {
            r = tree->LastHintRect();
            if (tree->TreeOptions().PaintOptions() & toShowHorzGridLines)
                --r.Bottom;
        }
        result = RECT{-1, -1, r.Right - r.Left + 1, r.Bottom - r.Top + 1};
    } else {
        RECT r{0, 0, maxWidth, m_text_height};
        DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
        r.bottom += 6;
        r.right += 2 * tree->TextMargin() + 2;
        result = r;
    }
    SelectObject(dc, oldFont);
    return result;
}

void TVirtualTreeHintWindow::ActivateHint(RECT rect, const core::String& hint)
{
    if (IsRectEmpty(&rect)) {
        ui::App().CancelHint();
        return;
    }
    TCustomVirtualTreeControl* tree = m_hint_data.Tree;
    const bool wasAnimating = tree && (tree->TreeStates() & tsInAnimation);
    if (wasAnimating)
        tree->ChangeStates(0, tsInAnimation);
    HWND window = Handle();
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    SetWindowPos(window, nullptr, rect.left, rect.top, width, height,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    // On the desktop as a whole.
    const int dl = GetSystemMetrics(SM_XVIRTUALSCREEN), dt = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int dw = GetSystemMetrics(SM_CXVIRTUALSCREEN), dh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (rect.top + height > dt + dh)
        rect.top = dt + dh - height;
    if (rect.left + width > dl + dw)
        rect.left = dl + dw - width;
    if (rect.top < dt)
        rect.top = dt;
    if (rect.left < dl)
        rect.left = dl;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    SetBounds(rect.left, rect.top, width, height);
    m_background.SetSize(width, height);
    m_draw_buffer.SetSize(width, height);
    m_target.SetSize(width, height);
    // The captured screen must show the tree as it is now.
    if (tree && tree->HandleAllocated())
        UpdateWindow(tree->HandleIfAllocated());
    HDC screen = GetDC(nullptr);
    BitBlt(m_background.Canvas().Handle(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    m_paint_steps = 0;
    // The picture is built once; animation steps only compose it with the background.
    InternalPaint(0, -1);
    switch (Animation()) {
    case hatFade:
        ValidateRect(window, nullptr);
        tree->RunAnimation(255, 2 * tree->AnimationDuration(),
                           [this](int step, int stepSize) { return AnimationStep(step, stepSize); });
        break;
    case hatSlide:
        ValidateRect(window, nullptr);
        tree->RunAnimation(height, tree->AnimationDuration(),
                           [this](int step, int stepSize) { return AnimationStep(step, stepSize); });
        break;
    default:
        InvalidateRect(window, nullptr, FALSE);
        break;
    }
    if (wasAnimating && !g_animation_stopped && tree)
        tree->ChangeStates(tsCancelHintAnimation, 0);
    (void)hint;
}

bool TVirtualTreeHintWindow::AnimationStep(int step, int stepSize)
{
    TCustomVirtualTreeControl* tree = m_hint_data.Tree;
    const bool go = !g_animation_stopped && HandleAllocated() && IsWindowVisible(HandleIfAllocated()) && tree &&
                    !(tree->TreeStates() & tsCancelHintAnimation);
    if (!go)
        return false;
    InternalPaint(step, stepSize);
    // Input reaches the application while the hint fades in.
    ui::App().ProcessMessages();
    return true;
}

bool TVirtualTreeHintWindow::IsHintMsg(MSG& msg)
{
    const bool shown = HandleAllocated() && IsWindowVisible(HandleIfAllocated());
    bool result = ui::HintWindow::IsHintMsg(msg) && shown;
    // Keys and moves over the frame leave the hint up. During an animation a key goes on to the
    // loop, which dispatches it once.
    if (result && (msg.message == WM_NCMOUSEMOVE || IsKeyboardMessage(msg.message)))
        result = false;
    return result;
}

void TVirtualTreeHintWindow::ReleaseHandle()
{
    if (HWND window = HandleIfAllocated())
        ShowWindow(window, SW_HIDE);
}

void TVirtualTreeHintWindow::WndProc(ui::Message& message)
{
    switch (message.Msg) {
    case WM_SETTEXT:
        message.Result = TRUE;
        return;
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_NCPAINT:
        message.Result = 0;
        return;
    case WM_SHOWWINDOW:
        if (!message.WParam) {
            // A hidden window ends its animation by its visibility; the flag is free for the next hint.
            m_hint_data = TVTHintData{};
            g_animation_stopped = false;
        }
        break;
    default:
        break;
    }
    ui::HintWindow::WndProc(message);
}

void TVirtualTreeHintWindow::Paint() { InternalPaint(0, 0); }

void TVirtualTreeHintWindow::PutOnWindow(HDC source)
{
    HWND window = HandleIfAllocated();
    if (!window)
        return;
    HDC dc = GetDC(window);
    BitBlt(dc, 0, 0, m_draw_buffer.Width(), m_draw_buffer.Height(), source, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}

void TVirtualTreeHintWindow::InternalPaint(int step, int stepSize)
{
    TCustomVirtualTreeControl* tree = m_hint_data.Tree;
    const int width = m_draw_buffer.Width(), height = m_draw_buffer.Height();
    if (width <= 0 || height <= 0)
        return;
    if (stepSize >= 1)
        ++m_paint_steps;
    if (step == 0 && stepSize <= 0) {
        ui::Canvas& buffer = m_draw_buffer.Canvas();
        PVirtualNode node = m_hint_data.Node;
        const TColumnIndex column = m_hint_data.Column;
        const bool tooltip = tree && node && tree->HintMode() == hmTooltip;
        int textTop = 2;
        if (tooltip) {
            auto* stringTree = dynamic_cast<TCustomVirtualStringTree*>(tree);
            TRect r;
            core::String text;
            buffer.Font().Assign(tree->Font());
            if (stringTree)
                stringTree->GetTextInfo(node, column, buffer.Font(), r, text);
            textTop = m_hint_data.LineBreakStyle == hlbForceMultiLine ? 1 : (r.Top + height - r.Bottom) / 2;
        } else {
            AssignHintFont(buffer.Font());
        }
        RECT r{0, 0, width, height};
        auto* drawTree = dynamic_cast<TCustomVirtualDrawTree*>(tree);
        if (drawTree && node) {
            TCanvas canvas(buffer.Handle());
            drawTree->DrawHint(&canvas, node, TRect{r.left, r.top, r.right, r.bottom}, column);
        } else {
            buffer.Font().SetColor(ui::clInfoText);
            buffer.SetPenColor(ui::clBlack);
            buffer.SetBrushColor(ui::clInfoBk);
            buffer.Rectangle(r);
            InflateRect(&r, -1, -1);
            UINT format = DT_NOPREFIX;
            const int margin = tree ? tree->TextMargin() : 2;
            if (m_hint_data.BidiMode != bdLeftToRight) {
                format |= DT_RIGHT | DT_RTLREADING;
                r.right -= margin - 1;
            } else {
                r.left += margin;
            }
            SetBkMode(buffer.Handle(), TRANSPARENT);
            r.top = textTop;
            if (node && m_hint_data.LineBreakStyle == hlbForceMultiLine)
                format |= DT_WORDBREAK;
            buffer.TextRect(r, m_hint_data.HintText, format);
        }
    }
    if (stepSize < 1) {
        if (stepSize == 0 && Animation() != hatFade)
            PutOnWindow(m_draw_buffer.Canvas().Handle());
        return;
    }
    if (Animation() == hatFade) {
        HDC target = m_target.Canvas().Handle();
        BitBlt(target, 0, 0, width, height, m_background.Canvas().Handle(), 0, 0, SRCCOPY);
        BlendBitmapArea(m_draw_buffer.Canvas().Handle(), target, RECT{0, 0, width, height}, POINT{0, 0},
                        bmConstantAlpha, MulDiv(step, 256, 255), 0);
        PutOnWindow(target);
    } else {
        HWND window = HandleIfAllocated();
        if (!window)
            return;
        const int shown = std::min(step, height);
        HDC dc = GetDC(window);
        BitBlt(dc, 0, 0, width, shown, m_draw_buffer.Canvas().Handle(), 0, height - shown, SRCCOPY);
        BitBlt(dc, 0, shown, width, height - shown, m_background.Canvas().Handle(), 0, shown, SRCCOPY);
        ReleaseDC(window, dc);
    }
}

} // namespace treeview
