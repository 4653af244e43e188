// The owner-draw tree.
#include "treeview/draw_tree.h"

namespace treeview {

TCanvas& TCustomVirtualDrawTree::OwnCanvas()
{
    if (!m_own_canvas) {
        m_own_bitmap = std::make_unique<ui::Bitmap>(1, 1, ui::pf32bit);
        m_own_canvas = std::make_unique<TCanvas>(m_own_bitmap->Canvas().Handle());
        m_own_canvas->Font().Assign(Font());
    }
    return *m_own_canvas;
}

void TCustomVirtualDrawTree::PaintNodeContent(TVTPaintInfo& info)
{
    if (OnDrawNode)
        OnDrawNode(this, info);
}

int TCustomVirtualDrawTree::NodeWidthOnCanvas(TCanvas* canvas, PVirtualNode node, TColumnIndex column)
{
    int width = 2 * TextMargin();
    if (OnGetNodeWidth)
        OnGetNodeWidth(this, canvas ? canvas : &OwnCanvas(), node, column, width);
    return width;
}

int TCustomVirtualDrawTree::DoGetNodeWidth(PVirtualNode node, TColumnIndex column)
{
    return NodeWidthOnCanvas(nullptr, node, column);
}

TPoint TCustomVirtualDrawTree::QueryContentMargin(PVirtualNode node, TColumnIndex column,
                                                  TVTCellContentMarginType type, TCanvas* canvas)
{
    TPoint margin{};
    if (OnGetCellContentMargin)
        OnGetCellContentMargin(this, canvas ? canvas : &OwnCanvas(), node, column, type, margin);
    return margin;
}

void TCustomVirtualDrawTree::QueryHintSize(PVirtualNode node, TColumnIndex column, TRect& r)
{
    if (OnGetHintSize)
        OnGetHintSize(this, node, column, r);
}

void TCustomVirtualDrawTree::DrawHint(TCanvas* canvas, PVirtualNode node, const TRect& r, TColumnIndex column)
{
    if (OnDrawHint)
        OnDrawHint(this, canvas, node, r, column);
}

} // namespace treeview
