// Header painting: the background and one button per visible column in display order, in the
// classic edge styles or the flat XP look, with caption, sort glyph and drop mark, composed in the
// header bitmap and copied to the target at once.
#include "treeview/custom_tree_control.h"
#include <algorithm>

namespace treeview {

namespace {

COLORREF Rgb(uint32_t rrggbb) { return RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF); }

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color)
{
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void Fill(HDC dc, const RECT& r, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

struct EdgeStyle {
    UINT edge, flags;
};
EdgeStyle NormalEdge(TVTHeaderStyle style)
{
    switch (style) {
    case hsThickButtons: return {EDGE_RAISED, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_SOFT | BF_ADJUST};
    case hsFlatButtons: return {BDR_RAISEDINNER, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_ADJUST};
    default: return {BDR_RAISEDINNER, BF_RECT | BF_MIDDLE | BF_SOFT | BF_ADJUST};
    }
}
EdgeStyle PressedEdge(TVTHeaderStyle style)
{
    if (style == hsThickButtons)
        return {EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT | BF_ADJUST | BF_FLAT};
    return {BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE | BF_ADJUST};
}

} // namespace

void TCustomVirtualTreeControl::DrawFlatHeaderButton(TCanvas& canvas, const TRect& r, bool splitter, bool down, bool hover)
{
    HDC dc = canvas.Handle();
    const uint32_t face = down ? 0xDEDFD8 : hover ? 0xFAF8F3 : 0xEBEADB;
    Fill(dc, RECT{r.Left, r.Top, r.Right, r.Bottom}, Rgb(face));
    if (splitter && !down && !hover) {
        Line(dc, r.Right - 2, r.Top + 3, r.Right - 2, r.Bottom - 5, Rgb(0xC7C5B2));
        Line(dc, r.Right - 1, r.Top + 3, r.Right - 1, r.Bottom - 5, Rgb(0xFFFFFF));
    }
    if (down) {
        Line(dc, r.Left, r.Top, r.Left, r.Bottom - 1, Rgb(0xA5A597));
        Line(dc, r.Left, r.Bottom - 1, r.Right - 1, r.Bottom - 1, Rgb(0xA5A597));
        Line(dc, r.Right - 1, r.Bottom - 1, r.Right - 1, r.Top - 1, Rgb(0xA5A597));
        Line(dc, r.Left + 1, r.Bottom - 2, r.Left + 1, r.Top, Rgb(0xC1C2B8));
        Line(dc, r.Left + 1, r.Top, r.Right - 1, r.Top, Rgb(0xC1C2B8));
        Line(dc, r.Left + 2, r.Bottom - 2, r.Left + 2, r.Top + 1, Rgb(0xD0D1C9));
        Line(dc, r.Left + 2, r.Top + 1, r.Right - 1, r.Top + 1, Rgb(0xD0D1C9));
    } else if (hover) {
        // The hot underline from the utility pieces (16 x 3 each).
        if (ui::ImageList* utilities = UtilityImages()) {
            const int y = r.Bottom - 3;
            if (r.Right - r.Left > 32) {
                utilities->Draw(canvas, r.Left, y, 6);
                for (int x = r.Left + 16; x + 16 < r.Right - 16; x += 16)
                    utilities->Draw(canvas, x, y, 7);
                utilities->Draw(canvas, r.Right - 16, y, 8);
            } else {
                utilities->Draw(canvas, r.Right - 16, y, 8);
                const int saved = canvas.SaveState();
                canvas.IntersectClipRect(RECT{r.Left, y, r.Left + (r.Right - r.Left) / 2, r.Bottom});
                utilities->Draw(canvas, r.Left, y, 6);
                canvas.RestoreState(saved);
            }
        }
    } else {
        const uint32_t shades[] = {0xE0DECF, 0xD5D2C3, 0xCBC7B8};
        for (int i = 0; i < 3; ++i)
            Line(dc, r.Left, r.Bottom - 3 + i, r.Right, r.Bottom - 3 + i, Rgb(shades[i]));
    }
}

void TCustomVirtualTreeControl::DrawSortGlyph(TCanvas& canvas, TPoint at, bool ascending)
{
    if (ui::ImageList* utilities = UtilityImages())
        utilities->Draw(canvas, at.X, at.Y, ascending ? 3 : 2);
}

void TCustomVirtualTreeControl::PaintHeader(HDC dc, const TRect& rect, int hOffset)
{
    PaintHeaderInto(dc, rect, hOffset);
}

void TCustomVirtualTreeControl::PaintHeaderInto(HDC dc, const TRect& r, int hOffset)
{
    const int headerHeight = Header().Height();
    const int width = std::max(ClientWidth() + 4, r.Right);
    if (m_header_bitmap.Width() < width || m_header_bitmap.Height() != std::max(headerHeight, r.Bottom)) {
        m_header_bitmap.SetPixelFormat(ui::pf32bit);
        m_header_bitmap.SetSize(width, std::max(headerHeight, r.Bottom));
    }
    HDC bdc = m_header_bitmap.Canvas().Handle();
    TCanvas canvas(bdc);
    const TVTHeaderStyle style = Header().Style();
    TVirtualTreeColumns& columns = Header().Columns();

    const bool ownerDraw = Header().Options() & hoOwnerDraw;
    const bool advanced = ownerDraw && OnAdvancedHeaderDraw && OnHeaderDrawQueryElements;
    const bool simple = ownerDraw && OnHeaderDraw && !advanced;
    THeaderPaintInfo paintInfo;
    paintInfo.TargetCanvas = &canvas;

    // Background.
    THeaderPaintElements claimed = 0;
    if (advanced) {
        paintInfo.PaintRectangle = r;
        OnHeaderDrawQueryElements(&Header(), paintInfo, claimed);
    }
    if (claimed & hpeBackground)
        OnAdvancedHeaderDraw(&Header(), paintInfo, hpeBackground);
    else if (style == hsXPStyle)
        DrawFlatHeaderButton(canvas, TRect{0, 0, width, std::max(headerHeight, r.Bottom)}, false, false, false);
    else
        Fill(bdc, RECT{r.Left, r.Top, r.Right, r.Bottom}, ui::ColorToRGB(ui::Color(Header().Background())));

    const bool lastWithoutBorder = style != hsThickButtons && (Header().Options() & hoAutoResize) && BevelKind() != bkNone;
    HFONT font = m_header_font.Handle();
    // Columns narrower than a right-to-left tree end at the header's right edge; a scroll bar at the
    // left moves the columns right with the client area.
    int running = r.Left + (UseRightToLeftAlignment() ? RightToLeftOffset(false) : LeftScrollBarWidth());
    int clipLeft = r.Left;
    bool offsetApplied = false;
    const TColumnIndex lastVisible = columns.GetLastVisibleColumn();
    for (TColumnIndex column = columns.GetFirstVisibleColumn(); columns.IsValidColumn(column);
         column = columns.GetNextVisibleColumn(column)) {
        TVirtualTreeColumn& c = columns[column];
        if (!c.Fixed() && !offsetApplied) {
            running -= hOffset; // the scroll position: columns move left as it grows
            offsetApplied = true;
        }
        TRect button{running, r.Top, running + c.Width(), r.Bottom};
        running += c.Width();
        TRect clip{clipLeft, r.Top, std::max(button.Right, clipLeft), r.Bottom};
        clipLeft = clip.Right;
        clip.Left = std::max(clip.Left, r.Left);
        clip.Right = std::min(clip.Right, r.Right);
        if (button.Right <= r.Left)
            continue;
        if (button.Left >= r.Right)
            break;
        const bool hover = column == columns.HoverIndex() && (Header().Options() & hoHotTrack) && (c.Options() & coEnabled);
        const bool down = column == columns.DownIndex();
        TVTDropMarkMode dropMark = dmmNone;
        if ((c.Options() & coShowDropMark) && column == columns.DropTarget() && column != columns.DragIndex())
            dropMark = columns.DropBefore() ? dmmLeft : dmmRight;
        const bool enabled = (c.Options() & coEnabled) && Enabled();
        const bool sortGlyph = column == Header().SortColumn() && (Header().Options() & hoShowSortGlyphs);
        const bool rightBorder = !(lastWithoutBorder && column == lastVisible);

        int saved = SaveDC(bdc);
        IntersectClipRect(bdc, clip.Left, clip.Top, clip.Right, clip.Bottom);
        if (c.Style() == vsOwnerDraw && simple) {
            OnHeaderDraw(&Header(), &canvas, &c, button, hover, down, dropMark);
            RestoreDC(bdc, saved);
            continue;
        }
        RECT face{button.Left, button.Top, button.Right, button.Bottom};
        paintInfo = THeaderPaintInfo{};
        paintInfo.TargetCanvas = &canvas;
        paintInfo.Column = &c;
        paintInfo.PaintRectangle = button;
        paintInfo.IsHoverIndex = hover;
        paintInfo.IsDownIndex = down;
        paintInfo.IsEnabled = enabled;
        paintInfo.ShowSortGlyph = sortGlyph;
        paintInfo.ShowRightBorder = rightBorder;
        paintInfo.DropMark = dropMark;
        claimed = 0;
        if (advanced)
            OnHeaderDrawQueryElements(&Header(), paintInfo, claimed);
        if (claimed & hpeBackground) {
            OnAdvancedHeaderDraw(&Header(), paintInfo, hpeBackground);
        } else if (style == hsXPStyle) {
            DrawFlatHeaderButton(canvas, button, rightBorder, down, hover);
        } else {
            EdgeStyle edge = down ? PressedEdge(style)
                             : (style == hsPlates && hover && (c.Options() & coAllowClick) && (c.Options() & coEnabled))
                                 ? EdgeStyle{BDR_RAISEDINNER, BF_LEFT | BF_TOP | BF_BOTTOM | BF_MIDDLE | BF_ADJUST}
                                 : NormalEdge(style);
            if (!down && rightBorder)
                edge.flags |= BF_RIGHT;
            DrawEdge(bdc, &face, edge.edge, edge.flags);
        }

        // Contents: caption and sort glyph laid out in the button shrunk by 2 pixels.
        TRect client{button.Left + 2, button.Top + 2, button.Right - 2, button.Bottom - 2};
        // A right-to-left column mirrors its alignment and puts the sort glyph before the caption.
        const bool rtlColumn = c.UseRightToLeftReading();
        TAlignment alignment = c.CaptionAlignment();
        if (rtlColumn && alignment != taCenter)
            alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
        UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | (rtlColumn ? DT_RTLREADING : 0u);
        if (alignment == taRightJustify)
            format |= DT_RIGHT;
        else if (alignment == taCenter)
            format |= DT_CENTER;
        HGDIOBJ oldFont = SelectObject(bdc, font);
        core::String caption = c.Text();
        const std::wstring wide(caption.begin(), caption.end());
        SIZE extent{0, 0};
        GetTextExtentPoint32W(bdc, wide.c_str(), int(wide.size()), &extent);
        const int margin = c.Margin(), spacing = c.Spacing();
        const int sortWidth = sortGlyph ? 16 : 0;
        const int sortSpace = sortGlyph ? sortWidth + spacing : 0;
        int textLeft = client.Left + margin + (rtlColumn ? sortSpace : 0);
        int textRight = client.Right - margin - (rtlColumn ? 0 : sortSpace);
        int textWidth = extent.cx + 2;
        TPoint sortPos;
        if (alignment == taCenter) {
            int block = std::min(textWidth, textRight - textLeft);
            const int start = std::max(client.Left + margin, (client.Left + client.Right - block - sortSpace) / 2);
            if (rtlColumn) {
                sortPos.X = start;
                textLeft = start + sortSpace;
            } else {
                textLeft = start;
                sortPos.X = textLeft + block + spacing;
            }
        } else if (alignment == taRightJustify) {
            sortPos.X = rtlColumn ? std::max(client.Left + margin, textRight - textWidth - sortSpace)
                                  : client.Right - margin - sortWidth;
        } else {
            sortPos.X = rtlColumn ? client.Left + margin : std::min(textLeft + textWidth + spacing, client.Right - margin - sortWidth);
        }
        sortPos.Y = client.Top + (client.Bottom - client.Top - 16) / 2;
        if (down) {
            textLeft += 1;
            textRight += 1;
            sortPos.X += 1;
            sortPos.Y += 1;
        }
        RECT textRect{textLeft, client.Top + (down ? 1 : 0), std::max(textLeft, textRight), client.Bottom + (down ? 1 : 0)};
        paintInfo.TextRectangle = TRect{textRect.left, textRect.top, textRect.right, textRect.bottom};
        paintInfo.SortGlyphPos = sortPos;
        if (!caption.empty() && !(claimed & hpeText)) {
            SetBkMode(bdc, TRANSPARENT);
            if (!(c.Options() & coWrapCaption) && textWidth - 2 > textRect.right - textRect.left)
                format |= DT_END_ELLIPSIS;
            if (enabled) {
                const bool hot = hover && (Header().Options() & hoHotTrack);
                SetTextColor(bdc, ui::ColorToRGB(hot ? ui::Color(Colors().Color(TVTColors::HeaderHotColor))
                                                     : m_header_font.FontColor()));
                DrawTextW(bdc, wide.c_str(), int(wide.size()), &textRect, format);
            } else {
                RECT shifted = textRect;
                OffsetRect(&shifted, 1, 1);
                SetTextColor(bdc, GetSysColor(COLOR_BTNHIGHLIGHT));
                DrawTextW(bdc, wide.c_str(), int(wide.size()), &shifted, format);
                SetTextColor(bdc, GetSysColor(COLOR_BTNSHADOW));
                DrawTextW(bdc, wide.c_str(), int(wide.size()), &textRect, format);
            }
        }
        SelectObject(bdc, oldFont);
        if (sortGlyph && !(claimed & hpeSortGlyph))
            DrawSortGlyph(canvas, sortPos, Header().SortDirection() == sdAscending);
        if (dropMark != dmmNone && !(claimed & hpeDropMark)) {
            if (ui::ImageList* utilities = UtilityImages()) {
                const int x = dropMark == dmmLeft ? button.Left : button.Right - 16;
                const int y = (button.Top + button.Bottom - utilities->Height()) / 2;
                utilities->Draw(canvas, x, y, dropMark == dmmLeft ? 0 : 1);
            }
        }
        c.SetImageRect(TRect{}, false);
        if (claimed & (hpeDropMark | hpeHeaderGlyph | hpeSortGlyph | hpeText)) {
            const int state = SaveDC(bdc);
            OnAdvancedHeaderDraw(&Header(), paintInfo, THeaderPaintElements(claimed & ~hpeBackground));
            RestoreDC(bdc, state);
        }
        RestoreDC(bdc, saved);
    }
    BitBlt(dc, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, bdc, r.Left, r.Top, SRCCOPY);
}

} // namespace treeview
