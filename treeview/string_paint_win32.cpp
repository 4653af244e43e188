// The string tree's cell painting: the normal text (font and colours, OnPaintText, shortening with
// an ellipsis, OnDrawText) and the static text beside it.
#include "treeview/string_tree.h"
#include <utility>

namespace treeview {

namespace {
UINT AlignmentFlag(TAlignment alignment)
{
    return alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
}
} // namespace

void TCustomVirtualStringTree::PaintNodeContent(TVTPaintInfo& info)
{
    FontWatch watch(*this, *info.Canvas);
    core::String text = Text(info.Node, info.Column);
    if (!text.empty())
        PaintNormalText(info, std::move(text));
    if (Alignment() != taCenter && !treeview::HasState(info.Node, vsMultiline) && (StringOptions() & toShowStaticText)) {
        core::String staticText;
        QueryText(info.Node, info.Column, ttStatic, staticText);
        if (!staticText.empty())
            PaintStaticText(info, staticText);
    }
}

void TCustomVirtualStringTree::ApplyTextColors(TVTPaintInfo& info)
{
    TCanvas& canvas = *info.Canvas;
    canvas.Font().Assign(Font());
    const auto paintOptions = TreeOptions().PaintOptions();
    if ((paintOptions & toHotTrack) && info.Node == HotNode()) {
        canvas.Font().SetStyle(canvas.Font().Style() | ui::fsUnderline);
        canvas.Font().SetColor(ui::Color(Colors().Color(TVTColors::HotColor)));
    }
    if ((info.PaintOptions & poDrawSelection) &&
        (info.Column == FocusedColumn() || (TreeOptions().SelectionOptions() & toFullRowSelect))) {
        if (info.Node == DropTargetNode()) {
            if (Selected(info.Node))
                canvas.Font().SetColor(ui::clHighlightText);
        } else if (Selected(info.Node) && (Focused() || (paintOptions & toPopupMode))) {
            canvas.Font().SetColor(ui::clHighlightText);
        }
    }
}

void TCustomVirtualStringTree::PaintNormalText(TVTPaintInfo& info, core::String text)
{
    TCanvas& canvas = *info.Canvas;
    ApplyTextColors(info);
    canvas.SetBrushStyle(ui::bsClear);
    TRect r = info.ContentRect;
    const bool disabled = treeview::HasState(info.Node, vsDisabled) || !Enabled();
    UINT format;
    if (treeview::HasState(info.Node, vsMultiline)) {
        r.Left += TextMargin();
        r.Right -= TextMargin();
        PrepareTextPaint(info.Node, &canvas, info.Column, ttNormal);
        if (disabled)
            canvas.Font().SetColor(ui::Color(Colors().Color(TVTColors::DisabledColor)));
        format = DT_NOPREFIX | DT_WORDBREAK | DT_END_ELLIPSIS | DT_EDITCONTROL | AlignmentFlag(info.Alignment);
    } else {
        r.Left += TextMargin();
        r.Right -= TextMargin();
        ClearFontChangedFlag();
        int ellipsisWidth = EllipsisWidth();
        PrepareTextPaint(info.Node, &canvas, info.Column, ttNormal);
        if (FontChangedFlag()) {
            ellipsisWidth = 0;
            info.NodeWidth = TextExtent(&canvas, text) + 2 * TextMargin();
        }
        if (disabled)
            canvas.Font().SetColor(ui::Color(Colors().Color(TVTColors::DisabledColor)));
        format = DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE;
        if (info.Column >= 0 && info.NodeWidth - 2 * TextMargin() > r.Right - r.Left) {
            text = ShortenText(&canvas, info.Node, info.Column, text, r.Right - r.Left, ellipsisWidth);
            if (info.Alignment == taRightJustify)
                format |= DT_RIGHT;
        } else {
            format |= AlignmentFlag(info.Alignment);
        }
    }
    if (info.BidiMode != bdLeftToRight)
        format |= DT_RTLREADING;
    DrawCellText(info, text, r, format);
}

void TCustomVirtualStringTree::PaintStaticText(TVTPaintInfo& info, core::StringView text)
{
    TCanvas& canvas = *info.Canvas;
    canvas.Font().Assign(Font());
    if (TreeOptions().SelectionOptions() & toFullRowSelect) {
        if (info.Node == DropTargetNode())
            canvas.Font().SetColor(Selected(info.Node) ? ui::clHighlightText : Font().FontColor());
        else if (Selected(info.Node))
            canvas.Font().SetColor((Focused() || (TreeOptions().PaintOptions() & toPopupMode)) ? ui::clHighlightText
                                                                                              : Font().FontColor());
    }
    canvas.SetBrushStyle(ui::bsClear);
    PrepareTextPaint(info.Node, &canvas, info.Column, ttStatic);
    if (treeview::HasState(info.Node, vsDisabled) || !Enabled())
        canvas.Font().SetColor(ui::Color(Colors().Color(TVTColors::DisabledColor)));
    RECT r{info.ContentRect.Left, info.ContentRect.Top, info.ContentRect.Right, info.ContentRect.Bottom};
    if (info.Alignment == taRightJustify)
        r.right -= info.NodeWidth + TextMargin();
    else
        r.left += info.NodeWidth + TextMargin();
    canvas.TextRect(r, text, DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE);
}

void TCustomVirtualStringTree::DrawCellText(TVTPaintInfo& info, core::StringView text, const TRect& cellRect, UINT drawFormat)
{
    bool defaultDraw = true;
    // A handler that fills behind the text leaves its brush behind; the text keeps the background
    // mode chosen before it.
    const ui::BrushStyle style = info.Canvas->BrushStyle();
    if (OnDrawText)
        OnDrawText(this, info.Canvas, info.Node, info.Column, text, cellRect, defaultDraw);
    if (!defaultDraw)
        return;
    RECT r{cellRect.Left, cellRect.Top, cellRect.Right, cellRect.Bottom};
    info.Canvas->SetBrushStyle(style);
    info.Canvas->TextRect(r, text, drawFormat);
}

} // namespace treeview
