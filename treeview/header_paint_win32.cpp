// Header painting: the background and one button per visible column in display order, in the
// classic edge styles, the flat XP look or the visual style, with glyph or check box, caption,
// sort glyph and drop mark laid out per column, composed in the header bitmap and copied to the
// target at once.
#include "treeview/custom_tree_control.h"
#include "treeview/unit_services.h"
#include <algorithm>
#include <string>

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

// Header parts and states of the visual style.
constexpr int HeaderItemPart = 1, HeaderItemRightPart = 3;
constexpr int ItemNormal = 1, ItemHot = 2, ItemPressed = 3;

std::wstring Wide(core::StringView s) { return std::wstring(s.begin(), s.end()); }

int CaptionWidth(HDC dc, core::StringView s)
{
    const std::wstring wide = Wide(s);
    SIZE extent{0, 0};
    GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &extent);
    return extent.cx;
}

// Height of a (possibly wrapped, LF-separated) caption.
int CaptionHeight(HDC dc, core::StringView s)
{
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    int lines = 1;
    for (char16_t c : s)
        lines += c == u'\n';
    return lines * metrics.tmHeight;
}

} // namespace

bool TCustomVirtualTreeControl::HeaderThemed() { return ThemeData(L"HEADER") != nullptr; }

bool TCustomVirtualTreeControl::DrawHeaderThemePart(HDC dc, int part, int state, const RECT& r)
{
    HTHEME theme = ThemeData(L"HEADER");
    return theme && SUCCEEDED(DrawThemeBackground(theme, dc, part, state, &r, nullptr));
}

void TCustomVirtualTreeControl::HeaderImagesChanged(TCustomImageList* old)
{
    if (old)
        old->RemoveFreeNotification(this);
    TCustomImageList* images = Header().Images();
    if (images) {
        if (!m_header_image_link.OnChange)
            m_header_image_link.OnChange = [this] {
                if (!TBaseVirtualTree::Destroying())
                    Header().Invalidate(NoColumn);
            };
        images->RegisterChanges(&m_header_image_link);
        images->FreeNotification(this);
    } else if (ui::ImageList* linked = m_header_image_link.Sender()) {
        // (A list that is being freed has dropped the link already.)
        linked->UnRegisterChanges(&m_header_image_link);
    }
}

void TCustomVirtualTreeControl::Notification(core::Component* component, core::Operation operation)
{
    // A header image list that goes away leaves the header without glyphs.
    if (operation == core::opRemove && component != this && Header().Images() &&
        component == static_cast<core::Component*>(Header().Images())) {
        Header().SetImages(nullptr);
    }
    TVirtualTreeControl::Notification(component, operation);
}

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

void TCustomVirtualTreeControl::DrawSortGlyph(TCanvas& canvas, TPoint at, bool ascending, bool themed)
{
    if (ui::ImageList* utilities = UtilityImages())
        utilities->Draw(canvas, at.X, at.Y, themed ? (ascending ? 5 : 4) : (ascending ? 3 : 2));
}

void TCustomVirtualTreeControl::LayoutHeaderCell(TVirtualTreeColumn& column, HDC dc, const TRect& client,
                                                 bool useHeaderGlyph, bool useSortGlyph, TPoint& glyphPos,
                                                 TPoint& sortGlyphPos, TRect& textBounds, UINT drawFormat,
                                                 bool measuring)
{
    (void)drawFormat;
    glyphPos = sortGlyphPos = TPoint{};
    textBounds = TRect{};
    const core::String& caption = column.Text();
    if (caption.empty() && !useHeaderGlyph && !useSortGlyph)
        return;
    const bool rtl = column.UseRightToLeftReading();
    TAlignment alignment = column.CaptionAlignment();
    if (rtl && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    const int w = client.Right - client.Left, h = client.Bottom - client.Top;
    const int margin = column.Margin(), spacing = column.Spacing();
    const TVTHeaderColumnLayout layout = column.Layout();
    const bool stacked = useHeaderGlyph && (layout == blGlyphTop || layout == blGlyphBottom);

    // Sizes.
    int gw = 0, gh = 0;
    if (useHeaderGlyph) {
        ui::ImageList* list = column.CheckBox() ? CheckImages() : static_cast<ui::ImageList*>(Header().Images());
        if (list)
            gw = list->Width(), gh = list->Height();
    }
    int sw = 0, sh = 0;
    if (useSortGlyph)
        if (ui::ImageList* utilities = UtilityImages())
            sw = utilities->Width(), sh = utilities->Height();
    sortGlyphPos.Y = (h - sh) / 2;
    // A measured caption is one line: the width at which it need not wrap.
    const bool wrap = !measuring && (column.Options() & coWrapCaption) != 0;
    auto measure = [dc](core::StringView s) { return CaptionWidth(dc, s); };
    int tw = 0, th = 0;
    if (!caption.empty()) {
        if (wrap) {
            const core::String wrapped = WrapCaption(measure, caption, w, rtl);
            column.SetCaptionText(wrapped);
            size_t start = 0;
            while (start <= wrapped.size()) {
                size_t end = wrapped.find(u'\n', start);
                if (end == core::String::npos)
                    end = wrapped.size();
                tw = std::max(tw, CaptionWidth(dc, core::StringView(wrapped).substr(start, end - start)));
                start = end + 1;
            }
            th = CaptionHeight(dc, wrapped);
        } else {
            if (!measuring)
                column.SetCaptionText(caption);
            tw = CaptionWidth(dc, caption) + 2;
            th = CaptionHeight(dc, caption);
        }
    } else if (!measuring) {
        column.SetCaptionText(caption);
    }
    const int textSpacing = caption.empty() ? 0 : spacing;
    int textLeft = 0, textTop = 0;

    if (!useHeaderGlyph && caption.empty()) {
        // A lone sort glyph sits in the middle.
        sortGlyphPos.X = (w - sw) / 2;
    } else {
        // Vertical placement.
        if (!stacked) {
            glyphPos.Y = (h - gh) / 2;
            textTop = th > h ? 0 : (h - th) / 2;
        } else {
            const int d = (h - gh - th - textSpacing) / 2;
            if (layout == blGlyphTop) {
                glyphPos.Y = d;
                textTop = d + gh + textSpacing;
            } else {
                textTop = d;
                glyphPos.Y = d + th + textSpacing;
            }
        }
        // Horizontal placement.
        if (alignment == taLeftJustify) {
            int x = margin;
            if (rtl && useSortGlyph) {
                sortGlyphPos.X = x;
                x += sw + spacing;
            }
            if (!stacked) {
                if (useHeaderGlyph && layout == blGlyphLeft) {
                    glyphPos.X = x;
                    x += gw + spacing;
                }
                textLeft = x;
                x += tw + textSpacing;
                if (useHeaderGlyph && layout == blGlyphRight) {
                    glyphPos.X = x;
                    x += gw + spacing;
                }
            } else {
                textLeft = x;
                glyphPos.X = std::max((w - gw) / 2, x);
                x = std::max(textLeft + tw + textSpacing, glyphPos.X + gw + spacing);
            }
            if (!rtl && useSortGlyph)
                sortGlyphPos.X = x;
        } else if (alignment == taCenter) {
            int blockLeft, blockRight;
            if (!stacked) {
                const int block = (useHeaderGlyph ? gw : 0) + textSpacing + tw;
                blockLeft = (w - block) / 2;
                blockRight = blockLeft + block;
                if (useHeaderGlyph && layout == blGlyphLeft) {
                    glyphPos.X = blockLeft;
                    textLeft = blockLeft + gw + textSpacing;
                } else {
                    textLeft = blockLeft;
                    glyphPos.X = blockLeft + tw + textSpacing;
                }
            } else {
                glyphPos.X = (w - gw) / 2;
                textLeft = (w - tw) / 2 - (useSortGlyph ? sw / 2 : 0);
                blockLeft = std::min(textLeft, glyphPos.X);
                blockRight = std::max(textLeft + tw, glyphPos.X + gw);
            }
            if (useSortGlyph)
                sortGlyphPos.X = rtl ? blockLeft - spacing - sw : blockRight + spacing;
        } else {
            int limit = w - margin;
            if (!rtl && useSortGlyph) {
                sortGlyphPos.X = limit - sw;
                limit -= sw + spacing;
            }
            int leftmost;
            if (!stacked) {
                if (useHeaderGlyph && layout == blGlyphRight) {
                    glyphPos.X = limit - gw;
                    limit -= gw + spacing;
                    textLeft = limit - tw;
                    leftmost = textLeft;
                } else {
                    textLeft = limit - tw;
                    glyphPos.X = textLeft - textSpacing - gw;
                    leftmost = useHeaderGlyph ? glyphPos.X : textLeft;
                }
            } else {
                textLeft = limit - tw;
                glyphPos.X = std::min((w - gw) / 2, limit - gw);
                leftmost = std::min(textLeft, glyphPos.X);
            }
            if (rtl && useSortGlyph)
                sortGlyphPos.X = leftmost - spacing - sw;
        }
    }

    // Clamping to the margins: the sort glyph first, then the header glyph, then the text.
    int leftLimit = margin, rightLimit = w - margin;
    if (useSortGlyph) {
        if (!rtl) {
            if (sortGlyphPos.X + sw > rightLimit)
                sortGlyphPos.X = rightLimit - sw;
            if (sortGlyphPos.X < leftLimit)
                sortGlyphPos.X = leftLimit;
            rightLimit = std::min(rightLimit, sortGlyphPos.X - spacing);
        } else {
            if (sortGlyphPos.X < leftLimit)
                sortGlyphPos.X = leftLimit;
            leftLimit = std::max(leftLimit, sortGlyphPos.X + sw + spacing);
        }
    }
    if (useHeaderGlyph) {
        if (glyphPos.X + gw > rightLimit)
            glyphPos.X = rightLimit - gw;
        if (glyphPos.X < leftLimit)
            glyphPos.X = leftLimit;
        if (!stacked && layout == blGlyphRight)
            rightLimit = std::min(rightLimit, glyphPos.X - spacing);
        if (!stacked && layout == blGlyphLeft)
            leftLimit = std::max(leftLimit, glyphPos.X + gw + spacing);
    }
    textLeft = std::max(textLeft, leftLimit);
    const int textRight = std::max(textLeft, std::min(textLeft + tw, rightLimit));
    textBounds = TRect{client.Left + textLeft, client.Top + textTop, client.Left + textRight, client.Top + textTop + th};
    glyphPos.X += client.Left, glyphPos.Y += client.Top;
    sortGlyphPos.X += client.Left, sortGlyphPos.Y += client.Top;
    if (wrap && !caption.empty()) {
        // The caption wrapped again to the width it finally got.
        const core::String wrapped = WrapCaption(measure, caption, textRight - textLeft, rtl);
        column.SetCaptionText(wrapped);
        textBounds.Bottom = textBounds.Top + CaptionHeight(dc, wrapped);
    }
}

int TCustomVirtualTreeControl::HeaderCaptionWidth(TColumnIndex index)
{
    TVirtualTreeColumns& columns = Header().Columns();
    if (!columns.IsValidColumn(index))
        return 0;
    TVirtualTreeColumn& column = columns[index];
    const bool headerGlyph = (Header().Options() & hoShowImages) && Header().Images() && column.ImageIndex() >= 0;
    const bool sortGlyph = index == Header().SortColumn() && (Header().Options() & hoShowSortGlyphs);
    int gw = 0, sw = 0;
    if (headerGlyph)
        if (ui::ImageList* list = column.CheckBox() ? CheckImages() : static_cast<ui::ImageList*>(Header().Images()))
            gw = list->Width();
    if (sortGlyph)
        if (ui::ImageList* utilities = UtilityImages())
            sw = utilities->Width();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFont = SelectObject(dc, m_header_font.Handle());
    const core::String& caption = column.Text();
    const std::wstring wide(caption.begin(), caption.end());
    SIZE extent{0, 0};
    GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &extent);
    const int tw = caption.empty() ? 0 : extent.cx + 2;
    // The placement depends on the alignment and the clamping to the margins, so the cell (the
    // button shrunk by 2 pixels a side) is widened from the least the contents could take until the
    // layout gives the caption its whole room and keeps both glyphs inside the margins.
    const int margin = column.Margin();
    const int height = std::max(Header().Height() - 4, 1);
    const int least = 2 * margin + tw;
    const int most = least + 2 * (gw + sw + 2 * column.Spacing() + margin) + 2;
    int width = most;
    for (int w = least; w < most; ++w) {
        TPoint glyphPos, sortPos;
        TRect text;
        LayoutHeaderCell(column, dc, TRect{0, 0, w, height}, headerGlyph, sortGlyph, glyphPos, sortPos, text,
                         DT_NOPREFIX, true);
        const auto inside = [&](int left, int right) { return left >= margin && right <= w - margin; };
        if (text.Right - text.Left == tw && inside(text.Left, text.Right) &&
            (!sortGlyph || inside(sortPos.X, sortPos.X + sw)) && (!headerGlyph || inside(glyphPos.X, glyphPos.X + gw))) {
            width = w;
            break;
        }
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    return 2 + width + 2;
}

void TCustomVirtualTreeControl::DrawCaptionText(HDC dc, core::StringView caption, TRect bounds, bool enabled, bool hot,
                                                UINT drawFormat, bool wrapCaption)
{
    core::String text(caption);
    if (!wrapCaption) {
        const int width = bounds.Right - bounds.Left;
        if (CaptionWidth(dc, text) > width)
            text = ShortenWithEllipsis([dc](core::StringView s) { return CaptionWidth(dc, s); }, text, width);
        drawFormat |= DT_SINGLELINE;
    }
    const std::wstring wide = Wide(text);
    SetBkMode(dc, TRANSPARENT);
    RECT r{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
    if (enabled) {
        SetTextColor(dc, ui::ColorToRGB(hot ? ui::Color(Colors().Color(TVTColors::HeaderHotColor)) : m_header_font.FontColor()));
        DrawTextW(dc, wide.c_str(), int(wide.size()), &r, drawFormat);
    } else {
        // Embossed: a highlight copy one pixel down and right under the shadow.
        RECT shifted = r;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, wide.c_str(), int(wide.size()), &shifted, drawFormat);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(dc, wide.c_str(), int(wide.size()), &r, drawFormat);
    }
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
    const bool themed = HeaderThemed();

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
    else if (themed && DrawHeaderThemePart(bdc, HeaderItemRightPart, ItemNormal, RECT{r.Left, r.Top, r.Right, r.Bottom}))
        ;
    else if (style == hsXPStyle)
        DrawFlatHeaderButton(canvas, TRect{0, 0, width, std::max(headerHeight, r.Bottom)}, false, false, false);
    else
        Fill(bdc, RECT{r.Left, r.Top, r.Right, r.Bottom}, ui::ColorToRGB(ui::Color(Header().Background())));

    const bool lastWithoutBorder = style != hsThickButtons && (Header().Options() & hoAutoResize) && BevelKind() != bkNone;
    const bool showImages = (Header().Options() & hoShowImages) && Header().Images();
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
        const bool headerGlyph = showImages && c.ImageIndex() >= 0;
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
        paintInfo.ShowHeaderGlyph = headerGlyph;
        paintInfo.ShowSortGlyph = sortGlyph;
        paintInfo.ShowRightBorder = rightBorder;
        paintInfo.DropMark = dropMark;
        claimed = 0;
        if (advanced)
            OnHeaderDrawQueryElements(&Header(), paintInfo, claimed);
        if (claimed & hpeBackground) {
            OnAdvancedHeaderDraw(&Header(), paintInfo, hpeBackground);
        } else if (themed &&
                   DrawHeaderThemePart(bdc, HeaderItemPart, down ? ItemPressed : hover ? ItemHot : ItemNormal, face)) {
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

        // Contents, laid out in the button shrunk by 2 pixels; a pressed button moves them by one.
        const TRect client{button.Left + 2, button.Top + 2, button.Right - 2, button.Bottom - 2};
        const TAlignment alignment = c.CaptionAlignment();
        UINT format = DT_NOPREFIX;
        if (alignment == taRightJustify)
            format |= DT_RIGHT;
        else if (alignment == taCenter)
            format |= DT_CENTER;
        if (c.UseRightToLeftReading())
            format |= DT_RTLREADING;
        HGDIOBJ oldFont = SelectObject(bdc, font);
        TPoint glyphPos, sortPos;
        TRect textRect;
        LayoutHeaderCell(c, bdc, client, headerGlyph, sortGlyph, glyphPos, sortPos, textRect, format);
        if (down) {
            glyphPos.X += 1, glyphPos.Y += 1;
            sortPos.X += 1, sortPos.Y += 1;
            textRect = TRect{textRect.Left + 1, textRect.Top + 1, textRect.Right + 1, textRect.Bottom + 1};
        }
        paintInfo.GlyphPos = glyphPos;
        paintInfo.SortGlyphPos = sortPos;
        paintInfo.TextRectangle = textRect;

        // The glyph (or check box) unless the sort glyph sits on it.
        c.SetImageRect(TRect{}, false);
        if (headerGlyph && !(claimed & hpeHeaderGlyph)) {
            ui::ImageList* list = c.CheckBox() ? CheckImages() : static_cast<ui::ImageList*>(Header().Images());
            if (list && (!sortGlyph || c.UseRightToLeftReading() || sortPos.X >= glyphPos.X + list->Width())) {
                const int index = c.CheckBox() ? CheckImageIndex(c.CheckType(), c.CheckState(), enabled, false) : c.ImageIndex();
                list->Draw(canvas, glyphPos.X, glyphPos.Y, index, ui::dsNormal, ui::itImage, enabled);
                c.SetImageRect(TRect{glyphPos.X - button.Left, glyphPos.Y - r.Top, glyphPos.X - button.Left + list->Width(),
                                     glyphPos.Y - r.Top + list->Height()},
                               true);
            }
        }
        if (!c.Text().empty() && !(claimed & hpeText)) {
            const bool wrap = (c.Options() & coWrapCaption) != 0;
            DrawCaptionText(bdc, wrap ? c.CaptionText() : c.Text(), textRect, enabled,
                            hover && (Header().Options() & hoHotTrack) && !themed, format, wrap);
        }
        SelectObject(bdc, oldFont);
        if (sortGlyph && !(claimed & hpeSortGlyph))
            DrawSortGlyph(canvas, sortPos, Header().SortDirection() == sdAscending, themed);
        if (dropMark != dmmNone && !(claimed & hpeDropMark)) {
            if (ui::ImageList* utilities = UtilityImages()) {
                const int x = dropMark == dmmLeft ? button.Left : button.Right - 16;
                const int y = (button.Top + button.Bottom - utilities->Height()) / 2;
                utilities->Draw(canvas, x, y, dropMark == dmmLeft ? 0 : 1);
            }
        }
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
