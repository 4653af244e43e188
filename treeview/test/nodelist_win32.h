// The client's node list on the tree, for the tree's window tests and its demo: the header (four
// columns, sort column 1), and a string tree over rows of texts with the client's options, colours
// and latency bands drawn by a draw-text handler.
#pragma once
#include "treeview/string_tree.h"

#include <vector>

namespace treeview::test {

struct NodeListRow {
    core::String name, delay, rate, l2tp;
};

// The client's latency bands; a text without a number counts as 0.
inline ui::Color NodeListBandColor(core::StringView delay)
{
    int d = 0;
    for (char16_t c : delay) {
        if (c < u'0' || c > u'9') {
            d = 0;
            break;
        }
        d = d * 10 + (c - u'0');
    }
    if (d <= 150)
        return RGB(180, 255, 155);
    if (d <= 200)
        return RGB(237, 255, 140);
    if (d <= 300)
        return RGB(252, 200, 123);
    return RGB(255, 93, 82);
}

// The header's options and columns; the heights and sort column follow once the form is shown
// (SetNodeListHeaderHeights).
inline void SetUpNodeListHeader(TVTHeader& header)
{
    header.SetOptions(hoColumnResize | hoDblClickResize | hoDrag | hoShowSortGlyphs | hoVisible);
    header.SetStyle(hsXPStyle);
    const int widths[] = {170, 80, 60, 60};
    const char16_t* captions[] = {u"线路名称", u"延时(ms)", u"在线率", u"L2TP支持"};
    for (int i = 0; i < 4; ++i) {
        TVirtualTreeColumn& column = header.Columns().Add();
        column.SetWidth(widths[i]);
        column.SetText(captions[i]);
    }
    header.SetAutoSizeIndex(0);
}

inline void SetNodeListHeaderHeights(TVTHeader& header)
{
    header.SetDefaultHeight(22);
    header.SetHeight(22);
    header.SetSortColumn(1);
}

// A string tree as the client's node list over `rows` (row i is node i; the rows must outlive the
// handlers, which the owner clears before the rows go).
inline void SetUpNodeListStrings(TVirtualStringTree& tree, const std::vector<NodeListRow>& rows)
{
    tree.SetColor(ui::clWhite);
    SetUpNodeListHeader(tree.Header());
    auto& options = tree.TreeOptions();
    options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toReportMode | toToggleOnDblClick));
    options.SetSelectionOptions(toFullRowSelect | toSiblingSelectConstraint);
    options.SetPaintOptions(TVTPaintOptions(options.PaintOptions() | toShowHorzGridLines | toUseBlendedSelection |
                                            toHideFocusRect));
    options.SetAutoOptions(TVTAutoOptions(options.AutoOptions() | toAutoSpanColumns));
    tree.SetLineStyle(lsSolid);
    tree.SetMargin(0);
    tree.SetSelectionBlendFactor(200);
    tree.Colors().SetColor(TVTColors::FocusedSelectionColor, TColor(RGB(55, 109, 125)));
    tree.Colors().SetColor(TVTColors::FocusedSelectionBorderColor, TColor(RGB(55, 109, 125)));
    tree.SetDefaultNodeHeight(20);
    tree.OnGetText = [&rows](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                             core::String& text) {
        const NodeListRow& row = rows.at(node->Index);
        const core::String* fields[] = {&row.name, &row.delay, &row.rate, &row.l2tp};
        if (column >= 0 && column < 4)
            text = *fields[column];
    };
    // The client's draw-text handler: a band behind every cell of a measured row.
    tree.OnDrawText = [&rows](TBaseVirtualTree*, TCanvas* canvas, PVirtualNode node, TColumnIndex, core::StringView,
                              const TRect& r, bool&) {
        const NodeListRow& row = rows.at(node->Index);
        if (row.delay == u"NA")
            return;
        canvas->SetBrushColor(NodeListBandColor(row.delay));
        canvas->SetBrushStyle(ui::bsSolid);
        canvas->FillRect(RECT{r.Left - 4, r.Top, r.Right + 4, r.Bottom});
    };
}

// A list of one red 16 x 16 image that the tree shows as the normal image of row 0's first cell
// (the list must outlive the tree's use of it).
inline void ShowRedImageInFirstRow(TVirtualStringTree& tree, TCustomImageList& images)
{
    ui::Bitmap red(16, 16, ui::pf24bit);
    red.Canvas().SetBrushColor(ui::clRed);
    red.Canvas().FillRect(RECT{0, 0, 16, 16});
    images.Add(red);
    tree.SetImages(&images);
    tree.OnGetImageIndex = [](TBaseVirtualTree*, PVirtualNode node, TVTImageKind kind, TColumnIndex column, bool&,
                              int& index) {
        if (column == 0 && node->Index == 0 && kind == TVTImageKind::ikNormal)
            index = 0;
    };
}

} // namespace treeview::test
