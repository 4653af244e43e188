// The owner-draw tree: the application paints each cell, sizes it and draws its hint through
// events; the tree itself draws no content.
#pragma once
#include "treeview/custom_tree_control.h"

namespace treeview {

class TCustomVirtualDrawTree : public TCustomVirtualTreeControl {
public:
    using TCustomVirtualTreeControl::TCustomVirtualTreeControl;

    // ---- Events ----
    std::function<void(TBaseVirtualTree*, const TVTPaintInfo&)> OnDrawNode;
    std::function<void(TBaseVirtualTree*, TCanvas* hintCanvas, PVirtualNode, TColumnIndex, TVTCellContentMarginType,
                       TPoint& cellContentMargin)> OnGetCellContentMargin;
    std::function<void(TBaseVirtualTree*, TCanvas* hintCanvas, PVirtualNode, TColumnIndex, int& nodeWidth)> OnGetNodeWidth;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TRect& r)> OnGetHintSize;
    std::function<void(TBaseVirtualTree*, TCanvas* hintCanvas, PVirtualNode, const TRect& r, TColumnIndex)> OnDrawHint;

    // ---- Steps ----
    // The hint's size for a cell: an empty rectangle shows no hint.
    virtual void QueryHintSize(PVirtualNode node, TColumnIndex column, TRect& r);
    // Draws the hint of a cell (the hint window calls it with its buffer).
    virtual void DrawHint(TCanvas* canvas, PVirtualNode node, const TRect& r, TColumnIndex column);
    TPoint QueryContentMargin(PVirtualNode node, TColumnIndex column, TVTCellContentMarginType type,
                              TCanvas* canvas) override;

protected:
    void PaintNodeContent(TVTPaintInfo& info) override;
    int NodeWidthOnCanvas(TCanvas* canvas, PVirtualNode node, TColumnIndex column) override;
    int DoGetNodeWidth(PVirtualNode node, TColumnIndex column) override;

private:
    // The tree's own canvas when an event gets none (a memory context).
    TCanvas& OwnCanvas();
    std::unique_ptr<ui::Bitmap> m_own_bitmap;
    std::unique_ptr<TCanvas> m_own_canvas;
};

class TVirtualDrawTree : public TCustomVirtualDrawTree {
public:
    using TCustomVirtualDrawTree::TCustomVirtualDrawTree;
};

} // namespace treeview
