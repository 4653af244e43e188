// The painting pass: rows that meet the requested area are drawn one at a time into a row bitmap
// (background, grid lines, tree lines, buttons, cell backgrounds, content) and copied to the target
// with one block transfer, then the band below the last row is filled.
#include "treeview/custom_tree_control.h"
#include <vssym32.h>
#include <algorithm>
#include <cmath>

namespace treeview {

namespace {

// Leaves tsPainting however the pass ends.
struct PaintingGuard {
    std::function<void()> leave;
    ~PaintingGuard() { leave(); }
};

TRect Intersect(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    if (r.Right < r.Left)
        r.Right = r.Left;
    if (r.Bottom < r.Top)
        r.Bottom = r.Top;
    return r;
}

RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

} // namespace

namespace {
// Blends rect of a 32-bit row bitmap (device coordinates) with colour at alpha/256.
void BlendRect(ui::Bitmap& bitmap, RECT rect, uint32_t colorRGB, int alpha)
{
    GdiFlush();
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, bitmap.Width());
    rect.bottom = std::min<LONG>(rect.bottom, bitmap.Height());
    const int r = colorRGB & 0xFF, g = (colorRGB >> 8) & 0xFF, b = (colorRGB >> 16) & 0xFF;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        uint8_t* line = bitmap.ScanLine(int(y));
        for (LONG x = rect.left; x < rect.right; ++x) {
            uint8_t* p = line + x * 4;
            p[0] = uint8_t((b - p[0]) * alpha / 256 + p[0]);
            p[1] = uint8_t((g - p[1]) * alpha / 256 + p[1]);
            p[2] = uint8_t((r - p[2]) * alpha / 256 + p[2]);
        }
    }
}
} // namespace

TCustomVirtualTreeControl::TCustomVirtualTreeControl(core::Component* owner) : TVirtualTreeControl(owner)
{
    m_header_font.SetName(u"宋体");
    m_header_font.SetHeight(-12);
}

TCustomVirtualTreeControl::~TCustomVirtualTreeControl()
{
    BeginDestruction();
    m_edit_link.reset();
    SetAccessibleItem(nullptr);
    SetAccessible(nullptr);
    if (m_dotted_brush)
        DeleteObject(m_dotted_brush);
}

void TCustomVirtualTreeControl::CreateHandle()
{
    TVirtualTreeControl::CreateHandle();
    PrepareBitmaps(true, true);
}

void TCustomVirtualTreeControl::ThemeChanged()
{
    if (HandleAllocated()) {
        PrepareBitmaps(true, false);
        Invalidate();
    }
}

bool TCustomVirtualTreeControl::TreeLinesShown() const
{
    const auto paintOptions = TreeOptions().PaintOptions();
    return (paintOptions & toShowTreeLines) &&
           !((paintOptions & toHideTreeLinesIfThemed) && (TreeStates() & tsUseThemes));
}

void TCustomVirtualTreeControl::SetLineStyle(TVTLineStyle value)
{
    if (value == m_line_style)
        return;
    m_line_style = value;
    PrepareBitmaps(false, true);
    Invalidate();
}

void TCustomVirtualTreeControl::SetButtonStyle(TVTButtonStyle value)
{
    if (value == m_button_style)
        return;
    m_button_style = value;
    PrepareBitmaps(true, false);
    Invalidate();
}

void TCustomVirtualTreeControl::SetButtonFillMode(TVTButtonFillMode value)
{
    if (value == m_button_fill_mode)
        return;
    m_button_fill_mode = value;
    PrepareBitmaps(true, false);
    Invalidate();
}

// ---- Drawing support ----

void TCustomVirtualTreeControl::PrepareBitmaps(bool buttons, bool lines)
{
    if (buttons) {
        HTHEME theme = ThemeData(L"TREEVIEW");
        const bool explorer = theme && UsesExplorerTheme();
        m_button_size = 9;
        if (explorer) {
            SIZE size{};
            if (SUCCEEDED(GetThemePartSize(theme, nullptr, TVP_GLYPH, GLPS_OPENED, nullptr, TS_TRUE, &size)) && size.cx > 0)
                m_button_size = size.cx;
        }
        const int w = m_button_size;
        // The explorer look draws on the main column's colour; otherwise around a transparent key.
        ui::Color clear = ui::Color(0xFF00FF);
        if (explorer) {
            clear = GetColor();
            TVirtualTreeColumns& columns = Header().Columns();
            TColumnIndex main = Header().MainColumn();
            if (Header().UseColumns() && columns.IsValidColumn(main) && !(columns[main].Options() & coParentColor))
                clear = ui::Color(columns[main].Color());
        }
        ui::Bitmap* bitmaps[] = {&m_minus_bm, &m_plus_bm};
        for (int i = 0; i < 2; ++i) {
            ui::Bitmap& bm = *bitmaps[i];
            bm.SetPixelFormat(ui::pf24bit);
            bm.SetSize(w, w);
            bm.SetTransparentColor(0xFF00FF);
            bm.SetTransparent(!explorer);
            ui::Canvas& c = bm.Canvas();
            c.SetBrushColor(clear);
            c.FillRect(RECT{0, 0, w, w});
            const bool plus = i == 1;
            if (theme) {
                RECT r{0, 0, w, w};
                DrawThemeBackground(theme, c.Handle(), TVP_GLYPH, plus ? GLPS_CLOSED : GLPS_OPENED, &r, nullptr);
            } else if (m_button_style == bsTriangle) {
                c.SetPenColor(ui::clBlack);
                c.SetBrushColor(ui::clBlack);
                if (plus) {
                    POINT pts[] = {{2, 0}, {6, 4}, {2, 8}};
                    c.Polygon(pts);
                } else {
                    POINT pts[] = {{0, 2}, {8, 2}, {4, 6}};
                    c.Polygon(pts);
                }
            } else {
                switch (m_button_fill_mode) {
                case fmTreeColor: c.SetBrushColor(GetColor()); break;
                case fmWindowColor: c.SetBrushColor(ui::clWindow); break;
                default: c.SetBrushStyle(ui::bsClear); break;
                }
                c.SetPenColor(ui::Color(Colors().Color(TVTColors::TreeLineColor)));
                c.Rectangle(0, 0, w, w);
                c.SetBrushStyle(ui::bsSolid);
                c.SetPenColor(Font().FontColor());
                c.MoveTo(2, w / 2);
                c.LineTo(w - 2, w / 2);
                if (plus) {
                    c.MoveTo(w / 2, 2);
                    c.LineTo(w / 2, w - 2);
                }
            }
        }
        m_hot_minus_bm.Assign(m_minus_bm);
        m_hot_plus_bm.Assign(m_plus_bm);
        if (explorer) {
            ui::Bitmap* hot[] = {&m_hot_minus_bm, &m_hot_plus_bm};
            for (int i = 0; i < 2; ++i) {
                ui::Canvas& c = hot[i]->Canvas();
                c.SetBrushColor(clear);
                c.FillRect(RECT{0, 0, w, w});
                RECT r{0, 0, w, w};
                DrawThemeBackground(theme, c.Handle(), TVP_HOTGLYPH, i == 1 ? HGLPS_CLOSED : HGLPS_OPENED, &r, nullptr);
            }
        }
    }
    if (lines) {
        if (m_dotted_brush) {
            DeleteObject(m_dotted_brush);
            m_dotted_brush = nullptr;
        }
        uint16_t bits[8];
        for (int i = 0; i < 8; ++i)
            bits[i] = (i % 2) ? 0xAA : 0x55;
        if (m_line_style == lsSolid)
            std::fill(std::begin(bits), std::end(bits), uint16_t(0));
        else if (m_line_style == lsCustomStyle && OnGetLineStyle)
            OnGetLineStyle(this, m_line_style, bits);
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, bits);
        m_dotted_brush = CreatePatternBrush(pattern);
        DeleteObject(pattern);
    }
}

TLineImage TCustomVirtualTreeControl::DetermineLineImage(PVirtualNode node, int& selectLevel)
{
    const auto paintOptions = TreeOptions().PaintOptions();
    const bool showRoot = paintOptions & toShowRoot;
    int levels = 0;
    selectLevel = 0;
    for (PVirtualNode p = node->Parent; p && p != RootNode(); p = p->Parent) {
        ++levels;
        if (Selected(p))
            ++selectLevel;
    }
    TLineImage image(size_t(levels + (showRoot ? 1 : 0)), ltNone);
    if (image.empty() || !TreeLinesShown())
        return image;
    auto prevVisible = [this](PVirtualNode n) { return GetPreviousVisibleSibling(n) != nullptr; };
    auto nextVisible = [this](PVirtualNode n) { return GetNextVisibleSibling(n) != nullptr; };
    if (paintOptions & toChildrenAbove) {
        const bool prev = prevVisible(node);
        const bool cont = node->Parent != RootNode() || nextVisible(node);
        image.back() = prev ? (cont ? ltTopDownRight : ltTopRight) : (cont ? ltBottomRight : ltRight);
        size_t index = image.size() - 1;
        for (PVirtualNode p = node->Parent; p && p != RootNode() && index > 0; p = p->Parent)
            if (prevVisible(p))
                image[--index] = ltTopDown;
            else
                --index;
        return image;
    }
    if (node->Parent != RootNode()) {
        image.back() = nextVisible(node) ? ltTopDownRight : ltTopRight;
        size_t index = image.size() - 1;
        for (PVirtualNode p = node->Parent; p->Parent && p->Parent != RootNode(); p = p->Parent)
            image[--index] = nextVisible(p) ? ltTopDown : ltNone;
    }
    if (showRoot) {
        PVirtualNode top = node;
        while (top->Parent != RootNode())
            top = top->Parent;
        if (top == node) {
            const bool first = !prevVisible(top), last = !nextVisible(top);
            image[0] = first && last ? ltRight : last ? ltTopRight : first ? ltBottomRight : ltTopDownRight;
        } else {
            image[0] = nextVisible(top) ? ltTopDown : ltNone;
        }
    }
    return image;
}

int TCustomVirtualTreeControl::VerticalAlignment(PVirtualNode node)
{
    const int height = int(node->NodeHeight);
    switch (m_node_alignment) {
    case naFromBottom: return height - node->Align;
    case naFromTop: return node->Align;
    default:
        if (TreeOptions().PaintOptions() & toShowButtons)
            return int(std::lround(double(height - m_button_size) * node->Align / 100.0)) + m_button_size / 2;
        return int(std::lround(double(height) * node->Align / 100.0));
    }
}

void TCustomVirtualTreeControl::DrawDottedHorzLine(TCanvas& canvas, int left, int right, int y)
{
    RECT r{std::min(left, right), y, std::max(left, right) + 1, y + 1};
    SetBkColor(canvas.Handle(), ui::ColorToRGB(GetColor()));
    FillRect(canvas.Handle(), &r, m_dotted_brush);
}

void TCustomVirtualTreeControl::DrawDottedVertLine(TCanvas& canvas, int top, int bottom, int x)
{
    RECT r{x, std::min(top, bottom), x + 1, std::max(top, bottom) + 1};
    SetBkColor(canvas.Handle(), ui::ColorToRGB(GetColor()));
    FillRect(canvas.Handle(), &r, m_dotted_brush);
}

void TCustomVirtualTreeControl::DrawLineImageEntry(TCanvas& canvas, TVTLineType type, int x, int y, int h, int v,
                                                   bool reverse)
{
    const int indent = int(Indent());
    const int m = x + indent / 2, e = reverse ? x : x + indent;
    const int edge = reverse ? x + indent : x;
    switch (type) {
    case ltBottomRight:
        DrawDottedVertLine(canvas, y + v, y + h, m);
        DrawDottedHorzLine(canvas, m, e, y + v);
        break;
    case ltTopDown:
        DrawDottedVertLine(canvas, y, y + h, m);
        break;
    case ltTopDownRight:
        DrawDottedVertLine(canvas, y, y + h, m);
        DrawDottedHorzLine(canvas, m, e, y + v);
        break;
    case ltRight:
        DrawDottedHorzLine(canvas, m, e, y + v);
        break;
    case ltTopRight:
        DrawDottedVertLine(canvas, y, y + v, m);
        DrawDottedHorzLine(canvas, m, e, y + v);
        break;
    case ltLeft:
        DrawDottedVertLine(canvas, y, y + h, edge);
        break;
    case ltLeftBottom:
        DrawDottedVertLine(canvas, y, y + h, edge);
        DrawDottedHorzLine(canvas, x, x + indent, y + h);
        break;
    default:
        break;
    }
}

// ---- Expand/collapse animation ----

void TCustomVirtualTreeControl::AnimateToggle(const TToggleAnimationPlan& plan)
{
    HWND window = HandleIfAllocated();
    if (!window)
        return;
    TToggleAnimationData data;
    data.R1 = RECT{plan.R1.Left, plan.R1.Top, plan.R1.Right, plan.R1.Bottom};
    data.R2 = RECT{plan.R2.Left, plan.R2.Top, plan.R2.Right, plan.R2.Bottom};
    data.Mode1 = plan.Mode1;
    data.Mode2 = plan.Mode2;
    if (plan.Mode1 != tamNoScroll && plan.Mode2 != tamNoScroll && plan.Amount1 > 0)
        data.ScaleFactor = double(plan.Amount2) / plan.Amount1;
    data.DC = GetDC(window);
    if (!data.DC)
        return;
    data.Brush = CreateSolidBrush(ui::ColorToRGB(GetColor()));
    struct Release {
        HWND window;
        TToggleAnimationData& data;
        ~Release()
        {
            DeleteObject(data.Brush);
            ReleaseDC(window, data.DC);
        }
    } release{window, data};
    int steps = plan.Mode1 != tamNoScroll ? plan.Amount1 : plan.Amount2;
    // The loop hands each step's number of pixels as its step size.
    RunAnimation(steps, AnimationDuration(), [&](int, int stepSize) { return ToggleCallback(stepSize, data); });
}

bool TCustomVirtualTreeControl::ToggleCallback(int step, TToggleAnimationData& data)
{
    if (step <= 0)
        return true;
    auto scrollAndFill = [&](const RECT& area, TToggleAnimationMode mode, int amount) {
        RECT r = area;
        ScrollDC(data.DC, 0, mode == tamScrollUp ? -amount : amount, &r, &r, nullptr, nullptr);
        RECT strip = area;
        if (mode == tamScrollUp)
            strip.top = std::max(area.top, area.bottom - amount - 1);
        else
            strip.bottom = std::min(area.bottom, area.top + amount + 1);
        if (!Header().UseColumns()) {
            FillRect(data.DC, &strip, data.Brush);
            return;
        }
        TVirtualTreeColumns& columns = Header().Columns();
        const int clientWidth = ClientWidth();
        for (TColumnIndex c = columns.GetFirstVisibleColumn(); columns.IsValidColumn(c); c = columns.GetNextVisibleColumn(c)) {
            int left = 0, right = 0;
            columns[c].GetUnscrolledBounds(left, right);
            // Tree x to client x: fixed columns do not scroll, only the right-to-left shift moves them.
            const int toClient = columns[c].Fixed() ? EffectiveOffsetX() - TreeOffsetX() : -TreeOffsetX();
            left += toClient;
            right += toClient;
            if (left >= clientWidth)
                break;
            RECT part{std::max<LONG>(strip.left, left), strip.top, std::min<LONG>(strip.right, right), strip.bottom};
            if (part.right <= part.left)
                continue;
            if (columns[c].Options() & coParentColor) {
                FillRect(data.DC, &part, data.Brush);
            } else {
                HBRUSH brush = CreateSolidBrush(ui::ColorToRGB(ui::Color(columns[c].Color())));
                FillRect(data.DC, &part, brush);
                DeleteObject(brush);
            }
        }
    };
    int step2 = step;
    if (data.Mode1 != tamNoScroll) {
        scrollAndFill(data.R1, data.Mode1, step);
        if (data.Mode2 != tamNoScroll && data.ScaleFactor > 0) {
            step2 = int(std::lround((step + data.MissedSteps) * data.ScaleFactor));
            data.MissedSteps = step * data.ScaleFactor + data.MissedSteps - step2;
        }
    }
    if (data.Mode2 != tamNoScroll)
        scrollAndFill(data.R2, data.Mode2, step2);
    return true;
}

// ---- Painting pieces ----

void TCustomVirtualTreeControl::PaintTreeLines(TVTPaintInfo& info, int vAlignment, int indentSize, const TLineImage& lineImage)
{
    TCanvas& canvas = *info.Canvas;
    const int height = info.CellRect.Bottom - info.CellRect.Top;
    SetBrushOrgEx(canvas.Handle(), info.BrushOrigin.X, info.BrushOrigin.Y, nullptr);
    // Levels run from the cell's leading edge: the right one in a right-to-left cell.
    const bool reverse = info.BidiMode != bdLeftToRight;
    auto levelX = [&](int level) {
        return reverse ? info.CellRect.Right - int(Indent()) * (level + 1) : info.CellRect.Left + level * int(Indent());
    };
    if (m_line_mode == lmBands) {
        if (!(info.PaintOptions & poGridLines))
            return;
        TLineImage bands(lineImage.size(), ltNone);
        const bool expandedParent = Expanded(info.Node) && GetFirstVisibleChild(info.Node) != nullptr;
        for (size_t i = lineImage.size(); i-- > 0;) {
            if (expandedParent) {
                bands[i] = ltLeft;
                continue;
            }
            TVTLineType deeper = i + 1 < lineImage.size() ? lineImage[i + 1] : ltNone;
            switch (lineImage[i]) {
            case ltNone:
            case ltTopDown:
                bands[i] = (deeper == ltNone || deeper == ltTopRight) && i + 1 < bands.size() ? bands[i + 1] : ltLeft;
                break;
            case ltLeft:
            case ltLeftBottom:
                bands[i] = ltNone;
                break;
            default:
                bands[i] = ltLeftBottom;
                break;
            }
        }
        SetTextColor(canvas.Handle(), ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::GridLineColor))));
        for (int i = 0; i < indentSize && size_t(i) < bands.size(); ++i)
            DrawLineImageEntry(canvas, bands[size_t(i)], levelX(i), info.CellRect.Top, height - 1, vAlignment, reverse);
        return;
    }
    SetTextColor(canvas.Handle(), ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::TreeLineColor))));
    for (int i = 0; i < indentSize && size_t(i) < lineImage.size(); ++i)
        DrawLineImageEntry(canvas, lineImage[size_t(i)], levelX(i), info.CellRect.Top, height, vAlignment, reverse);
}

void TCustomVirtualTreeControl::PaintExpandButton(TCanvas& canvas, PVirtualNode node, const TRect& r, int buttonX, int buttonY)
{
    const bool hot = (TreeOptions().PaintOptions() & toHotTrack) && node == HotNode() && m_hot_node_button_hit;
    ui::Bitmap& bm = Expanded(node) ? (hot ? m_hot_minus_bm : m_minus_bm) : (hot ? m_hot_plus_bm : m_plus_bm);
    canvas.Draw(r.Left + buttonX, r.Top + buttonY, bm);
}

int TCustomVirtualTreeControl::CheckImageWidth() const
{
    ui::ImageList* images = CheckImages();
    return images ? images->Width() : 0;
}

void TCustomVirtualTreeControl::PaintCheckImage(TVTPaintInfo& info)
{
    const TVTImageInfo& check = info.ImageInfo[iiCheck];
    ui::ImageList* images = CheckImages();
    if (check.Index < 0 || !images)
        return;
    if (CheckImageKind() == ckSystemDefault) {
        if (HTHEME theme = ThemeData(L"BUTTON")) {
            // The system's own check, radio and push buttons in the theme's look.
            RECT r{check.XPos - 1, check.YPos, check.XPos + 16, check.YPos + 16};
            int part = 0, state = 0;
            if (check.Index >= 1 && check.Index <= 8)
                part = BP_RADIOBUTTON, state = check.Index;
            else if (check.Index >= 9 && check.Index <= 20)
                part = BP_CHECKBOX, state = check.Index - 8;
            else if (check.Index >= 21 && check.Index <= 24)
                part = BP_PUSHBUTTON, state = check.Index - 20;
            DrawThemeBackground(theme, info.Canvas->Handle(), part, state, &r, nullptr);
            if (part == BP_PUSHBUTTON)
                if (ui::ImageList* utilities = UtilityImages())
                    utilities->Draw(*info.Canvas, check.XPos - 1, check.YPos, 4);
            return;
        }
    }
    images->Draw(*info.Canvas, check.XPos, check.YPos, check.Index);
}

TSize TCustomVirtualTreeControl::ImageSize(TVTImageKind kind) const
{
    const TCustomImageList* list = kind == TVTImageKind::ikState ? m_state_images : m_images;
    return list ? TSize{list->Width(), list->Height()} : TSize{};
}

void TCustomVirtualTreeControl::FillImageInfo(TVTPaintInfo& info, TVTImageKind kind, TVTImageInfoIndex imageInfoIndex,
                                              TCustomImageList* defaultImages)
{
    TVTImageInfo& entry = info.ImageInfo[imageInfoIndex];
    entry.Index = -1;
    entry.Ghosted = false;
    TCustomImageList* list = QueryImageIndex(info.Node, kind, info.Column, entry.Ghosted, entry.Index);
    entry.Images = list ? list : defaultImages;
    if (!entry.Images)
        entry.Index = -1;
}

void TCustomVirtualTreeControl::PaintNodeImage(TVTPaintInfo& info, TVTImageInfoIndex imageInfoIndex, bool doOverlay)
{
    TVTImageInfo& entry = info.ImageInfo[imageInfoIndex];
    if (entry.Index < 0 || !entry.Images)
        return;
    TVTImageInfo& overlay = info.ImageInfo[iiOverlay];
    overlay.Index = -1;
    if (doOverlay)
        FillImageInfo(info, TVTImageKind::ikOverlay, iiOverlay, m_images);
    const bool cut = treeview::HasState(info.Node, vsCutOrCopy) && (TreeStates() & tsCutPending);
    const bool enabled = !treeview::HasState(info.Node, vsDisabled) && Enabled();
    // Ghosted and cut images are drawn blended when the tree asks for blended images.
    const bool blend = (Focused() || (TreeOptions().PaintOptions() & toGhostedIfUnfocused)) &&
                       (TreeOptions().PaintOptions() & toUseBlendedImages) &&
                       (entry.Ghosted || cut ||
                        (Selected(info.Node) &&
                         !(TreeOptions().SelectionOptions() & toFullRowSelect) &&
                         !(TreeOptions().MiscOptions() & toGridExtensions)));
    entry.Images->Draw(*info.Canvas, entry.XPos, entry.YPos, entry.Index, blend ? ui::dsFocus : ui::dsTransparent,
                       ui::itImage, enabled);
    if (overlay.Index >= 0 && overlay.Images)
        overlay.Images->Draw(*info.Canvas, entry.XPos, entry.YPos, overlay.Index, ui::dsTransparent, ui::itImage, enabled);
}

void TCustomVirtualTreeControl::PaintDropMark(TVTPaintInfo& info, const TRect& r)
{
    if (LastDropMode() != dmAbove && LastDropMode() != dmBelow)
        return;
    TCanvas& canvas = *info.Canvas;
    const int saved = canvas.SaveState();
    HBRUSH brush = CreateSolidBrush(ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::DropMarkColor))));
    HGDIOBJ oldBrush = SelectObject(canvas.Handle(), brush);
    HGDIOBJ oldPen = SelectObject(canvas.Handle(), GetStockObject(NULL_PEN));
    if (LastDropMode() == dmAbove) {
        POINT points[] = {{r.Left + 2, r.Top}, {r.Right - 2, r.Top}, {r.Right - 2, r.Top + 6},
                          {r.Right - 6, r.Top + 2}, {r.Left + 6, r.Top + 2}, {r.Left + 2, r.Top + 6}};
        Polygon(canvas.Handle(), points, 6);
    } else {
        POINT points[] = {{r.Left + 2, r.Bottom - 1}, {r.Right - 2, r.Bottom - 1}, {r.Right - 2, r.Bottom - 8},
                          {r.Right - 7, r.Bottom - 3}, {r.Left + 7, r.Bottom - 3}, {r.Left + 2, r.Bottom - 8}};
        Polygon(canvas.Handle(), points, 6);
    }
    SelectObject(canvas.Handle(), oldPen);
    SelectObject(canvas.Handle(), oldBrush);
    DeleteObject(brush);
    canvas.RestoreState(saved);
}

void TCustomVirtualTreeControl::PaintSelectionRect(TCanvas& canvas, int windowOrgX, const TRect& selectionRect,
                                                   const TRect& targetRect)
{
    TRect sel{std::min(selectionRect.Left, selectionRect.Right), std::min(selectionRect.Top, selectionRect.Bottom),
              std::max(selectionRect.Left, selectionRect.Right), std::max(selectionRect.Top, selectionRect.Bottom)};
    if (m_draw_selection_mode == smBlendedRectangle || (TreeStates() & tsUseThemes)) {
        TRect part = Intersect(sel, targetRect);
        if (part.Right > part.Left && part.Bottom > part.Top)
            BlendRect(m_row_bitmap, RECT{part.Left - windowOrgX, part.Top, part.Right - windowOrgX, part.Bottom},
                      ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::SelectionRectangleBlendColor))),
                      SelectionBlendFactor());
        canvas.SetBrushColor(ui::Color(Colors().Color(TVTColors::SelectionRectangleBorderColor)));
        canvas.FrameRect(ToRECT(sel));
        return;
    }
    RECT r = ToRECT(sel);
    SetTextColor(canvas.Handle(), RGB(255, 255, 255));
    SetBkColor(canvas.Handle(), RGB(0, 0, 0));
    DrawFocusRect(canvas.Handle(), &r);
}

int TCustomVirtualTreeControl::CheckImageIndex(TCheckType type, TCheckState state, bool enabled, bool hot)
{
    // Rows: unchecked normal/pressed, checked normal/pressed, mixed normal/pressed. Cells: disabled,
    // disabled hot, enabled, enabled hot.
    static constexpr int checkBox[6][4] = {{12, 12, 9, 10}, {12, 12, 11, 11}, {16, 16, 13, 14},
                                           {16, 16, 15, 15}, {20, 20, 17, 18}, {20, 20, 19, 19}};
    static constexpr int radio[6][4] = {{4, 4, 1, 2}, {4, 4, 3, 3}, {8, 8, 5, 6},
                                        {8, 8, 7, 7}, {20, 20, 17, 18}, {20, 20, 19, 19}};
    static constexpr int button[6][4] = {{24, 24, 21, 22}, {24, 24, 23, 23}, {24, 24, 21, 22},
                                         {24, 24, 23, 23}, {20, 20, 17, 18}, {20, 20, 19, 19}};
    const int cell = (enabled ? 2 : 0) + (hot ? 1 : 0);
    const size_t row = std::min<size_t>(state, 5);
    switch (type) {
    case ctCheckBox:
    case ctTriStateCheckBox: return checkBox[row][cell];
    case ctRadioButton: return radio[row][cell];
    case ctButton: return button[row][cell];
    default: return -1;
    }
}

int TCustomVirtualTreeControl::CheckImageIndex(PVirtualNode node)
{
    if (!node)
        return -1;
    return CheckImageIndex(node->CheckType, node->CheckState, !treeview::HasState(node, vsDisabled) && Enabled(),
                           node == HotNode());
}

int TCustomVirtualTreeControl::LevelDifference(PVirtualNode node1, PVirtualNode node2) const
{
    CORE_ASSERT(node1 && node2, u"Both nodes must be Assigned.");
    return int(GetNodeLevel(node2)) - int(GetNodeLevel(node1));
}

TPoint TCustomVirtualTreeControl::QueryContentMargin(PVirtualNode node, TColumnIndex column,
                                                     TVTCellContentMarginType type, TCanvas* canvas)
{
    if (!OnBeforeCellPaint)
        return TPoint{};
    std::unique_ptr<TCanvas> own;
    if (!canvas) {
        own = std::make_unique<TCanvas>(m_row_bitmap.Canvas().Handle());
        canvas = own.get();
    }
    const TRect cell = GetDisplayRect(node, column, false);
    TRect content = cell;
    OnBeforeCellPaint(this, canvas, node, column, cpmGetContentMargin, cell, content);
    switch (type) {
    case ccmtTopLeftOnly: return TPoint{content.Left - cell.Left, content.Top - cell.Top};
    case ccmtBottomRightOnly: return TPoint{cell.Right - content.Right, cell.Bottom - content.Bottom};
    default:
        return TPoint{cell.Right - content.Right + content.Left - cell.Left,
                      cell.Bottom - content.Bottom + content.Top - cell.Top};
    }
}

TColumnIndex TCustomVirtualTreeControl::AdjustCellRect(TVTPaintInfo& info)
{
    return Header().Columns().GetNextVisibleColumn(info.Column);
}

int TCustomVirtualTreeControl::NodeWidthOnCanvas(TCanvas* canvas, PVirtualNode node, TColumnIndex column)
{
    (void)canvas;
    return DoGetNodeWidth(node, column);
}


void TCustomVirtualTreeControl::PaintCellBackground(TVTPaintInfo& info, int windowOrgX, int maxWidth)
{
    TCanvas& canvas = *info.Canvas;
    const auto paintOptions = TreeOptions().PaintOptions();
    const auto selectionOptions = TreeOptions().SelectionOptions();
    const bool fullRow = selectionOptions & toFullRowSelect;
    const bool grid = TreeOptions().MiscOptions() & toGridExtensions;
    // The explorer look draws selection and hot rows with the theme over the whole row.
    HTHEME theme = UsesExplorerTheme() ? ThemeData(L"TREEVIEW") : nullptr;
    RECT themeRow{0, info.CellRect.Top, int(RangeX()) - ((paintOptions & toShowVertGridLines) ? 1 : 0),
                  info.CellRect.Bottom};
    const bool hotCell = theme && (paintOptions & toHotTrack) && info.Node == HotNode() &&
                         (info.Column == m_hot_column || fullRow);
    auto drawThemeItem = [&](int state, const TRect& over) {
        RECT cell = ToRECT(info.CellRect);
        RECT target = (grid || fullRow) ? themeRow : ToRECT(over);
        DrawThemeBackground(theme, canvas.Handle(), TVP_TREEITEM, state, &target, &cell);
    };
    if ((info.PaintOptions & poColumnColor) && Header().Columns().IsValidColumn(info.Column)) {
        canvas.SetBrushColor(ui::Color(Header().Columns()[info.Column].Color()));
        canvas.FillRect(ToRECT(info.CellRect));
    }
    if (OnBeforeCellPaint)
        OnBeforeCellPaint(this, &canvas, info.Node, info.Column, cpmPaint, info.CellRect, info.ContentRect);
    TRect inner = info.ContentRect;
    if (!grid) {
        const int width = info.NodeWidth;
        switch (info.Alignment) {
        case taLeftJustify:
            if (inner.Left + width < inner.Right)
                inner.Right = inner.Left + width;
            break;
        case taRightJustify:
            if (width < inner.Right - inner.Left)
                inner.Left = inner.Right - width;
            break;
        case taCenter:
            if (width < inner.Right - inner.Left) {
                inner.Left = (inner.Left + inner.Right - width) / 2;
                inner.Right = inner.Left + width;
            }
            break;
        }
    }
    const bool focusedLook = Focused() || (paintOptions & toPopupMode);
    if ((info.Column == FocusedColumn() || fullRow) && (info.PaintOptions & poDrawSelection) && Selected(info.Node)) {
        const ui::Color fill = ui::Color(Colors().Color(focusedLook ? TVTColors::FocusedSelectionColor : TVTColors::UnfocusedSelectionColor));
        const ui::Color border = ui::Color(Colors().Color(focusedLook ? TVTColors::FocusedSelectionBorderColor : TVTColors::UnfocusedSelectionBorderColor));
        if (grid || fullRow)
            inner = info.CellRect;
        if (inner.Right > inner.Left && inner.Bottom > inner.Top) {
            if (theme) {
                if (!hotCell)
                    drawThemeItem(focusedLook ? TREIS_SELECTED : TREIS_SELECTEDNOTFOCUS, inner);
            } else if (paintOptions & toUseBlendedSelection) {
                RECT device{inner.Left - windowOrgX, inner.Top, inner.Right - windowOrgX, inner.Bottom};
                device.left = std::max<LONG>(device.left, 0);
                device.right = std::min<LONG>(device.right, maxWidth);
                BlendRect(m_row_bitmap, device, ui::ColorToRGB(fill), SelectionBlendFactor());
            } else {
                canvas.SetBrushColor(fill);
                canvas.SetPenColor(border);
                canvas.RoundRect(inner.Left, inner.Top, inner.Right, inner.Bottom, m_selection_curve_radius,
                                 m_selection_curve_radius);
            }
        }
    }
    if (hotCell) {
        const bool selected = Selected(info.Node) && !(paintOptions & toAlwaysHideSelection);
        drawThemeItem(selected ? TREIS_HOTSELECTED : TREIS_HOT, inner);
    }
    const bool themedFullRow = theme && fullRow && !(selectionOptions & toExtendedFocus);
    if ((info.Column == FocusedColumn() || fullRow) && (info.PaintOptions & poDrawFocusRect) && focusedLook &&
        info.Node == FocusedNode() && (info.Column == FocusedColumn() || themedFullRow)) {
        RECT r = themedFullRow ? themeRow : ToRECT(grid ? info.CellRect : inner);
        if (theme)
            InflateRect(&r, -1, -1);
        COLORREF oldText = SetTextColor(canvas.Handle(), RGB(255, 255, 255));
        COLORREF oldBack = SetBkColor(canvas.Handle(), RGB(0, 0, 0));
        DrawFocusRect(canvas.Handle(), &r);
        SetTextColor(canvas.Handle(), oldText);
        SetBkColor(canvas.Handle(), oldBack);
    }
}

bool TCustomVirtualTreeControl::UseBackground(TVTInternalPaintOptions options)
{
    return (TreeOptions().PaintOptions() & toShowBackground) && !m_background.Empty() && (options & poBackground);
}

void TCustomVirtualTreeControl::PaintBackgroundPicture(HDC dc, const TRect& r, TPoint dcToTree, TPoint dcToClient)
{
    const int w = m_background.Width(), h = m_background.Height();
    HDC source = m_background.Canvas().Handle();
    if (TreeOptions().PaintOptions() & toStaticBackground) {
        HBRUSH brush = CreateSolidBrush(ui::ColorToRGB(GetColor()));
        RECT whole = ToRECT(r);
        FillRect(dc, &whole, brush);
        DeleteObject(brush);
        // The picture in dc coordinates.
        const TRect picture{BackgroundOffsetX() - dcToClient.X, BackgroundOffsetY() - dcToClient.Y,
                            BackgroundOffsetX() - dcToClient.X + w, BackgroundOffsetY() - dcToClient.Y + h};
        const TRect part = Intersect(picture, r);
        if (part.Right <= part.Left || part.Bottom <= part.Top)
            return;
        const int pw = part.Right - part.Left, ph = part.Bottom - part.Top;
        const int sx = part.Left - picture.Left, sy = part.Top - picture.Top;
        if (!m_background.Transparent()) {
            BitBlt(dc, part.Left, part.Top, pw, ph, source, sx, sy, SRCCOPY);
            return;
        }
        // A transparent picture lets the tree's colour show through: its mask (set where the
        // picture has its transparent colour) keeps the destination there.
        HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
        HDC maskDC = CreateCompatibleDC(dc);
        HGDIOBJ oldMask = SelectObject(maskDC, mask);
        const COLORREF oldBk = SetBkColor(source, ui::ColorToRGB(m_background.TransparentColor()));
        BitBlt(maskDC, 0, 0, w, h, source, 0, 0, SRCCOPY);
        SetBkColor(source, oldBk);
        SelectObject(maskDC, oldMask);
        DeleteDC(maskDC);
        MaskBlt(dc, part.Left, part.Top, pw, ph, source, sx, sy, mask, sx, sy, 0xCCAA0029);
        DeleteObject(mask);
        return;
    }
    auto phase = [](int value, int size) { return ((value % size) + size) % size; };
    int y = r.Top;
    int sy = phase(r.Top + dcToTree.Y + BackgroundOffsetY(), h);
    while (y < r.Bottom) {
        const int rows = std::min(h - sy, r.Bottom - y);
        int x = r.Left;
        int sx = phase(r.Left + dcToClient.X + BackgroundOffsetX(), w);
        while (x < r.Right) {
            const int columns = std::min(w - sx, r.Right - x);
            BitBlt(dc, x, y, columns, rows, source, sx, sy, SRCCOPY);
            x += columns;
            sx = 0;
        }
        y += rows;
        sy = 0;
    }
}

void TCustomVirtualTreeControl::PaintRowBackground(TVTPaintInfo& info, const TRect& r)
{
    TCanvas& canvas = *info.Canvas;
    ui::Color color = GetColor();
    TItemEraseAction action = eaDefault;
    if (OnBeforeItemErase)
        OnBeforeItemErase(this, &canvas, info.Node, r, color, action);
    if (action == eaColor) {
        canvas.SetBrushColor(color);
        canvas.FillRect(ToRECT(r));
    } else if (action == eaDefault) {
        const auto paintOptions = TreeOptions().PaintOptions();
        if (UseBackground(info.PaintOptions)) {
            // Row coordinates: tree x, y from the row's top.
            PaintBackgroundPicture(canvas.Handle(), r, TPoint{0, m_row_top},
                                   TPoint{-TreeOffsetX(), m_row_top + OffsetY()});
        } else if ((info.PaintOptions & poDrawSelection) && (TreeOptions().SelectionOptions() & toFullRowSelect) &&
                   Selected(info.Node) && !(paintOptions & toUseBlendedSelection) && !UsesExplorerTheme()) {
            const bool focusedLook = Focused() || (paintOptions & toPopupMode);
            canvas.SetBrushColor(GetColor());
            canvas.FillRect(ToRECT(r));
            canvas.SetBrushColor(ui::Color(Colors().Color(focusedLook ? TVTColors::FocusedSelectionColor : TVTColors::UnfocusedSelectionColor)));
            canvas.SetPenColor(ui::Color(Colors().Color(focusedLook ? TVTColors::FocusedSelectionBorderColor : TVTColors::UnfocusedSelectionBorderColor)));
            int bottom = r.Bottom - ((paintOptions & toShowHorzGridLines) ? 1 : 0);
            canvas.RoundRect(r.Left, r.Top, r.Right, bottom, m_selection_curve_radius, m_selection_curve_radius);
        } else {
            canvas.SetBrushColor(color);
            canvas.FillRect(ToRECT(r));
        }
    }
    if (OnAfterItemErase)
        OnAfterItemErase(this, &canvas, info.Node, r);
}

// ---- The pass ----

// The window's paint message runs inside tsPainting already: the rows are painted directly.
void TCustomVirtualTreeControl::PaintTreeArea(ui::Canvas& canvas, const TRect& updateRect)
{
    if (updateRect.Right <= updateRect.Left || updateRect.Bottom <= updateRect.Top)
        return;
    const int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    const int fixed = Header().UseColumns() ? Header().Columns().GetVisibleFixedWidth() : 0;
    // Columns narrower than a right-to-left tree end at its right edge.
    const int correction = EffectiveOffsetX() - TreeOffsetX();
    TRect r = updateRect;
    if (fixed > 0) {
        TRect fixedArea = Intersect(TRect{0, 0, fixed, clientHeight}, updateRect);
        if (fixedArea.Right > fixedArea.Left) {
            TRect window{fixedArea.Left - correction, fixedArea.Top - OffsetY(), fixedArea.Right - correction,
                         fixedArea.Bottom - OffsetY()};
            PaintRows(canvas, window, TPoint{fixedArea.Left, fixedArea.Top}, WindowPaintOptions);
        }
        r = Intersect(TRect{fixed, 0, clientWidth, clientHeight}, updateRect);
        if (r.Right <= r.Left)
            return;
    }
    const int shift = EffectiveOffsetX() - correction;
    TRect window{r.Left + shift, r.Top - OffsetY(), r.Right + shift, r.Bottom - OffsetY()};
    PaintRows(canvas, window, TPoint{r.Left, r.Top}, WindowPaintOptions);
}

void TCustomVirtualTreeControl::PaintTree(ui::Canvas& target, const TRect& window, TPoint targetPoint,
                                          TVTInternalPaintOptions options)
{
    if (TreeStates() & tsPainting)
        return;
    ChangeStates(tsPainting, 0);
    PaintingGuard guard{[this] { ChangeStates(0, tsPainting); }};
    PaintRows(target, window, targetPoint, options);
}

void TCustomVirtualTreeControl::PaintRows(ui::Canvas& target, const TRect& window, TPoint targetPoint,
                                          TVTInternalPaintOptions options)
{
    if (window.Right <= window.Left || window.Bottom <= window.Top)
        return;
    if (!m_dotted_brush)
        PrepareBitmaps(true, true);
    TCanvas targetCanvas(target.Handle());
    DoBeforePaint(&targetCanvas);

    const auto paintOptions = TreeOptions().PaintOptions();
    if ((paintOptions & toAlwaysHideSelection) || (!Focused() && (paintOptions & toHideSelection)))
        options &= TVTInternalPaintOptions(~poDrawSelection);
    if (paintOptions & toHideFocusRect)
        options &= TVTInternalPaintOptions(~poDrawFocusRect);

    const int windowWidth = window.Right - window.Left;
    const int rowWidth = std::max(ClientWidth(), int(RangeX()));
    const int targetBottom = targetPoint.Y + (window.Bottom - window.Top);
    TVirtualTreeColumns& columns = Header().Columns();
    const bool useColumns = Header().UseColumns();
    const TColumnIndex mainColumn = Header().MainColumn();
    HDC targetDC = target.Handle();

    uint32_t nodeTop = 0;
    PVirtualNode node = window.Top >= 0 ? GetNodeAtY(uint32_t(window.Top), &nodeTop) : GetFirstVisible(nullptr, true);
    int targetY = targetPoint.Y + (int(nodeTop) - window.Top);
    const int baseButtonX = int(std::lrint(double(int(Indent()) - m_button_size) / 2.0));
    m_row_bitmap.SetPixelFormat(ui::pf32bit);

    // The rubber band, in tree coordinates, only while the mouse selects.
    const TRect selection{std::min(m_new_sel_rect.Left, m_new_sel_rect.Right), std::min(m_new_sel_rect.Top, m_new_sel_rect.Bottom),
                          std::max(m_new_sel_rect.Left, m_new_sel_rect.Right), std::max(m_new_sel_rect.Top, m_new_sel_rect.Bottom)};
    const bool drawSelectionRect = (TreeStates() & tsDrawSelecting) && selection.Right > selection.Left &&
                                   selection.Bottom > selection.Top;

    while (node && targetY < targetBottom) {
        const int rowTop = targetY - targetPoint.Y + window.Top;
        m_row_top = rowTop;
        int selectLevel = 0;
        TLineImage lineImage = DetermineLineImage(node, selectLevel);
        if (!treeview::HasState(node, vsInitialized))
            InitializeNode(node);
        if (Selected(node) && !(paintOptions & toChildrenAbove))
            ++selectLevel;
        const int height = int(NodeHeight(node));
        if (selectLevel > 0 || !(options & poSelectedOnly)) {
            if (m_row_bitmap.Width() != windowWidth || m_row_bitmap.Height() != height)
                m_row_bitmap.SetSize(windowWidth, height);
            HDC rowDC = m_row_bitmap.Canvas().Handle();
            // Drawing uses tree x coordinates: the bitmap's left edge is window.Left.
            SetWindowOrgEx(rowDC, window.Left, 0, nullptr);
            {
                TCanvas rowCanvas(rowDC);
                rowCanvas.Font().Assign(Font());
                TVTPaintInfo info;
                info.Canvas = &rowCanvas;
                info.Node = node;
                info.BrushOrigin = TPoint{window.Left % 2, (targetY - targetPoint.Y + window.Top) % 2};
                const int vAlign = VerticalAlignment(node);
                const int buttonY = vAlign - m_button_size / 2;
                const TRect itemRect{0, 0, rowWidth, height};
                if (!DoBeforeItemPaint(&rowCanvas, node, itemRect)) {
                    info.PaintOptions = options;
                    PaintRowBackground(info, TRect{window.Left, 0, window.Right, height});
                    TColumnIndex column = useColumns ? columns.GetFirstVisibleColumn() : NoColumn;
                    if (useColumns && columns.IsValidColumn(column)) {
                        int left = 0, right = 0;
                        columns[column].GetUnscrolledBounds(left, right);
                        info.CellRect = TRect{left, 0, right, height};
                    } else {
                        info.CellRect = itemRect;
                    }
                    for (;;) {
                        if (useColumns && !columns.IsValidColumn(column))
                            break;
                        info.Column = column;
                        TVTInternalPaintOptions cellOptions = options;
                        if (IsEditing() && node == FocusedNode() && (column == EditColumn() || !useColumns))
                            cellOptions &= TVTInternalPaintOptions(~poDrawSelection);
                        if (useColumns) {
                            TVirtualTreeColumn& c = columns[column];
                            info.Position = c.Position();
                            info.Alignment = c.Alignment();
                            info.BidiMode = c.BiDiMode();
                            if ((c.Options() & coParentColor) ||
                                (Selected(node) && (TreeOptions().SelectionOptions() & toFullRowSelect) &&
                                 (cellOptions & poDrawSelection)))
                                cellOptions &= TVTInternalPaintOptions(~poColumnColor);
                        } else {
                            info.Position = 0;
                            info.Alignment = Alignment();
                            info.BidiMode = BiDiMode();
                            cellOptions &= TVTInternalPaintOptions(~poColumnColor);
                        }
                        info.PaintOptions = cellOptions;
                        // A right-to-left cell starts at its right edge and mirrors its alignment.
                        const bool rtl = info.BidiMode != bdLeftToRight;
                        if (rtl && info.Alignment != taCenter)
                            info.Alignment = info.Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
                        const bool main = !useColumns || column == mainColumn;
                        TColumnIndex next = InvalidColumn;
                        if (useColumns)
                            next = AdjustCellRect(info);
                        if (info.CellRect.Right > window.Left && (!(options & poMainOnly) || main)) {
                            info.NodeWidth = NodeWidthOnCanvas(&rowCanvas, node, column);
                            info.ContentRect = info.CellRect;
                            // The leading edge: left, or right in a right-to-left cell.
                            int& lead = rtl ? info.ContentRect.Right : info.ContentRect.Left;
                            const int ahead = rtl ? -1 : 1;
                            lead += ahead * Margin();
                            for (auto& image : info.ImageInfo)
                                image = TVTImageInfo{};
                            if (main && (TreeOptions().MiscOptions() & toCheckSupport) && node->CheckType != ctNone &&
                                CheckImageWidth() > 0) {
                                info.ImageInfo[iiCheck].Index = CheckImageIndex(node);
                                info.ImageInfo[iiCheck].XPos = rtl ? lead - CheckImageWidth() : lead;
                                info.ImageInfo[iiCheck].YPos = vAlign - CheckImageWidth() / 2;
                                lead += ahead * (CheckImageWidth() + 2);
                            }
                            // State and normal images follow at the leading edge, each moving it by
                            // its width + 2.
                            auto place = [&](TVTImageInfoIndex index) {
                                TVTImageInfo& entry = info.ImageInfo[index];
                                if (entry.Index < 0 || !entry.Images)
                                    return;
                                entry.XPos = rtl ? lead - entry.Images->Width() : lead;
                                entry.YPos = vAlign - entry.Images->Height() / 2;
                                lead += ahead * (entry.Images->Width() + 2);
                            };
                            if (m_state_images || OnGetImageIndexEx) {
                                FillImageInfo(info, TVTImageKind::ikState, iiState, m_state_images);
                                place(iiState);
                            }
                            if (m_images || OnGetImageIndexEx) {
                                FillImageInfo(info, Selected(node) ? TVTImageKind::ikSelected : TVTImageKind::ikNormal,
                                              iiNormal, m_images);
                                place(iiNormal);
                            }
                            const int indentSize = (paintOptions & toFixedIndent) ? 1 : int(lineImage.size());
                            if (main) {
                                const int shift = ahead * indentSize * int(Indent());
                                lead += shift;
                                for (auto& entry : info.ImageInfo)
                                    entry.XPos += shift;
                            }
                            int clip = 0;
                            if (useColumns) {
                                clip = rowCanvas.SaveState();
                                rowCanvas.IntersectClipRect(ToRECT(info.CellRect));
                            }
                            if ((options & poGridLines) && (paintOptions & toShowHorzGridLines)) {
                                SetTextColor(rowDC, ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::GridLineColor))));
                                SetBrushOrgEx(rowDC, info.BrushOrigin.X, info.BrushOrigin.Y, nullptr);
                                int lineLeft = info.CellRect.Left, lineRight = info.CellRect.Right - 1;
                                if (main && m_line_mode == lmBands)
                                    (rtl ? lineRight : lineLeft) += ahead * indentSize * int(Indent());
                                DrawDottedHorzLine(rowCanvas, lineLeft, lineRight, info.CellRect.Bottom - 1);
                                --info.CellRect.Bottom;
                                --info.ContentRect.Bottom;
                            }
                            if (useColumns && (options & poGridLines) && (paintOptions & toShowVertGridLines) &&
                                !(columns.GetNextVisibleColumn(column) < 0 && (Header().Options() & hoAutoResize))) {
                                SetTextColor(rowDC, ui::ColorToRGB(ui::Color(Colors().Color(TVTColors::GridLineColor))));
                                if (!rtl || !IsCellEmpty(node, column))
                                    DrawDottedVertLine(rowCanvas, info.CellRect.Top, info.CellRect.Bottom, info.CellRect.Right - 1);
                                --info.CellRect.Right;
                                --info.ContentRect.Right;
                            }
                            PaintCellBackground(info, window.Left, windowWidth);
                            if (main) {
                                if (TreeLinesShown() && !lineImage.empty())
                                    PaintTreeLines(info, vAlign, indentSize, lineImage);
                                if ((paintOptions & toShowButtons) && HasChildren(node) &&
                                    (!treeview::HasState(node, vsAllChildrenHidden) ||
                                     !(TreeOptions().AutoOptions() & toAutoHideButtons))) {
                                    int buttonX = baseButtonX + ((paintOptions & toFixedIndent) ? 0 : (indentSize - 1) * int(Indent()));
                                    // Counted from the right edge in a right-to-left cell.
                                    if (rtl)
                                        buttonX = info.CellRect.Right - info.CellRect.Left - buttonX - m_button_size;
                                    PaintExpandButton(rowCanvas, node, info.CellRect, buttonX, buttonY);
                                }
                                PaintCheckImage(info);
                            }
                            PaintNodeImage(info, iiState, false);
                            PaintNodeImage(info, iiNormal, true);
                            if (!(IsEditing() && node == FocusedNode() && column == EditColumn()))
                                PaintNodeContent(info);
                            DoAfterCellPaint(&rowCanvas, node, column, info.CellRect);
                            if (useColumns)
                                rowCanvas.RestoreState(clip);
                        }
                        if (!useColumns || !columns.IsValidColumn(next) || info.CellRect.Right >= window.Right)
                            break;
                        column = next;
                        int left = 0, right = 0;
                        columns[column].GetUnscrolledBounds(left, right);
                        info.CellRect = TRect{left, 0, right, height};
                    }
                }
                DoAfterItemPaint(&rowCanvas, node, itemRect);
                if (node == DropTargetNode() && (paintOptions & toShowDropmark) && (options & poDrawDropMark))
                    PaintDropMark(info, itemRect);
                if (drawSelectionRect) {
                    TRect sel = selection;
                    sel.Top -= rowTop;
                    sel.Bottom -= rowTop;
                    if (sel.Bottom > 0 && sel.Top < height)
                        PaintSelectionRect(rowCanvas, window.Left, sel, TRect{window.Left, 0, window.Right, height});
                }
            }
            SetWindowOrgEx(rowDC, 0, 0, nullptr);
            BitBlt(targetDC, targetPoint.X, targetY, windowWidth, height, rowDC, 0, 0, SRCCOPY);
        }
        targetY += height;
        node = GetNextVisible(node, true);
    }

    if (targetY < targetBottom) {
        TRect area{targetPoint.X, targetY, targetPoint.X + windowWidth, targetBottom};
        if (!DoPaintBackground(&targetCanvas, area)) {
            if (UseBackground(options)) {
                const TPoint toTree{window.Left - targetPoint.X, window.Top - targetPoint.Y};
                PaintBackgroundPicture(target.Handle(), area, toTree,
                                       TPoint{toTree.X - TreeOffsetX(), toTree.Y + OffsetY()});
            } else {
                FillBandBelow(target, area, options, window.Left);
            }
        }
    }
    DoAfterPaint(&targetCanvas);
}

void TCustomVirtualTreeControl::FillBandBelow(ui::Canvas& target, const TRect& area, TVTInternalPaintOptions options,
                                              int windowLeft)
{
    HDC dc = target.Handle();
    const ui::Color treeColor = GetColor();
    auto fill = [dc](const RECT& r, ui::Color color) {
        HBRUSH brush = CreateSolidBrush(ui::ColorToRGB(color));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    };
    int x = area.Left;
    if (Header().UseColumns()) {
        TVirtualTreeColumns& columns = Header().Columns();
        const auto paintOptions = TreeOptions().PaintOptions();
        const bool lines = (options & poGridLines) && (paintOptions & toFullVertGridLines) && (paintOptions & toShowVertGridLines);
        for (TColumnIndex c = columns.GetFirstVisibleColumn(); columns.IsValidColumn(c) && x < area.Right;
             c = columns.GetNextVisibleColumn(c)) {
            int left = 0, right = 0;
            columns[c].GetUnscrolledBounds(left, right);
            left += area.Left - windowLeft;
            right += area.Left - windowLeft;
            if (right <= area.Left)
                continue;
            // Right-to-left columns narrower than the window leave a band before the first one.
            if (left > x)
                fill(RECT{x, area.Top, std::min(left, area.Right), area.Bottom}, treeColor);
            RECT r{std::max(left, area.Left), area.Top, std::min(right, area.Right), area.Bottom};
            fill(r, (columns[c].Options() & coParentColor) ? treeColor : ui::Color(columns[c].Color()));
            const bool last = !columns.IsValidColumn(columns.GetNextVisibleColumn(c)) && (Header().Options() & hoAutoResize);
            if (lines && !last && right - 1 < area.Right) {
                RECT line{right - 1, area.Top, right, area.Bottom};
                fill(line, ui::Color(Colors().Color(TVTColors::GridLineColor)));
            }
            x = right;
        }
    }
    if (x < area.Right)
        fill(RECT{std::max(x, area.Left), area.Top, area.Right, area.Bottom}, treeColor);
}

} // namespace treeview
