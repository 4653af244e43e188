// The string tree: every cell shows a text that the application supplies on demand (OnGetText),
// optionally followed by a static text. The tree measures, shortens and caches the main column's
// text width per node and draws the texts (string_paint_win32.cpp).
#pragma once
#include "treeview/custom_tree_control.h"
#include "core/stream.h"
#include <utility>

namespace treeview {

enum TVSTTextType : uint8_t { ttNormal, ttStatic };
enum TVSTTextSourceType : uint8_t { tstAll, tstInitialized, tstSelected, tstCutCopySet, tstVisible };
enum TVTTooltipLineBreakStyle : uint8_t { hlbDefault, hlbForceSingleLine, hlbForceMultiLine };

// Node stream chunk type of a node's main-column caption.
constexpr int32_t CaptionChunk = 3;

class FontWatch;

class TCustomVirtualStringTree : public TCustomVirtualTreeControl {
public:
    explicit TCustomVirtualStringTree(core::Component* owner = nullptr);
    ~TCustomVirtualStringTree() override;

    // ---- Properties ----
    const core::String& DefaultText() const { return m_default_text; }
    void SetDefaultText(core::StringView value);
    // The cell's text: DefaultText, then OnGetText. The node is initialised first.
    core::String Text(PVirtualNode node, TColumnIndex column);
    // OnNewText, then the node is repainted.
    void SetText(PVirtualNode node, TColumnIndex column, core::StringView text);
    TCustomStringTreeOptions& StringTreeOptions() const { return static_cast<TCustomStringTreeOptions&>(TreeOptions()); }
    TVTStringOptions StringOptions() const { return StringTreeOptions().StringOptions(); }
    // Metrics of the window's font: line height and width of "...". Setting them (when the window
    // gets a new font) forgets every cached width.
    int TextHeight() const { return m_text_height; }
    int EllipsisWidth() const { return m_ellipsis_width; }
    void SetFontMetrics(int textHeight, int ellipsisWidth);

    // ---- Operations ----
    // The node's texts from the top level down, each followed by the delimiter.
    core::String Path(PVirtualNode node, TColumnIndex column, TVSTTextType textType, char16_t delimiter);
    int ComputeTextWidth(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView text);
    int NodeWidth(TCanvas* canvas, PVirtualNode node, TColumnIndex column);
    // The cached main-column width of a node (0: not measured).
    uint32_t CachedWidth(PVirtualNode node) const;
    void InvalidateNode(PVirtualNode node) override;
    // Called when the main column changes: every cached width is stale.
    void HandleMainColumnChange();
    // The first node and the step of a text source.
    PVirtualNode FirstOfSource(TVSTTextSourceType source);
    PVirtualNode NextOfSource(PVirtualNode node, TVSTTextSourceType source);
    // Node stream: the caption chunk of a node (nothing for the root, uninitialised nodes or empty
    // captions), and reading one chunk (false for chunk types this class does not know).
    void WriteCaptionChunk(core::Stream& stream, PVirtualNode node);
    void WriteChunks(core::Stream& stream, PVirtualNode node) override;
    bool ReadChunk(core::Stream& stream, int version, PVirtualNode node, int32_t chunkType, int32_t chunkSize) override;
    // ---- Content export (string_export_win32.cpp) ----
    // ANSI text in the system code page, cells joined by the separator.
    std::string ContentToText(TVSTTextSourceType source, char separator);
    std::string ContentToText(TVSTTextSourceType source, std::string_view separator);
    core::String ContentToUnicode(TVSTTextSourceType source, char16_t separator);
    core::String ContentToUnicode(TVSTTextSourceType source, core::StringView separator);
    // An HTML table: markup in ASCII, texts in UTF-8.
    std::string ContentToHTML(TVSTTextSourceType source, core::StringView caption = {});
    std::string ContentToRTF(TVSTTextSourceType source);
    // Only the export events, with etCustom.
    void ContentToCustom(TVSTTextSourceType source);
    // The format's data in a new global block that belongs to the caller; null for a format
    // without data or when the block cannot be had.
    HGLOBAL ContentToClipboard(uint16_t format, TVSTTextSourceType source);
    // The tree's own data first, then the text formats from the cut/copy set (clipboard) or the
    // selection (drag).
    HRESULT RenderData(const FORMATETC& formatIn, STGMEDIUM& medium, bool forClipboard) override;

    // Shortens s to fit width with "..."; OnShortenString first.
    core::String ShortenText(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView s, int width,
                             int ellipsisWidth);
    // The extent of a text on a canvas (the tree's font without a canvas).
    virtual int TextExtent(TCanvas* canvas, core::StringView text);
    // Whether OnPaintText changed the font of the cell being painted.
    bool FontChangedWhilePainting() const { return FontChangedFlag(); }

    // The font, rectangle and text of a cell as the hint and the editor show it: font changes of
    // OnPaintText are taken over, the rectangle is the text's, grown to the line height.
    void GetTextInfo(PVirtualNode node, TColumnIndex column, ui::Font& font, TRect& r, core::String& text);
    // The height a text needs word-wrapped in its cell (empty s: the cell's text).
    int ComputeNodeHeight(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView s = {});
    // The hint of a cell (OnGetHint), and the tool tip (OnGetHint, else the cell's text).
    core::String NodeHintText(PVirtualNode node, TColumnIndex column, TVTTooltipLineBreakStyle& lineBreakStyle);
    core::String NodeTooltipText(PVirtualNode node, TColumnIndex column, TVTTooltipLineBreakStyle& lineBreakStyle);

    // ---- Events ----
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType, core::String& cellText)> OnGetText;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVTTooltipLineBreakStyle&, core::String& hint)> OnGetHint;
    std::function<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, core::StringView newText)> OnNewText;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, TVSTTextType)> OnPaintText;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView s, int textSpace,
                       core::String& result, bool& done)> OnShortenString;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView text, int& width)> OnMeasureTextWidth;
    std::function<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView text,
                       const TRect& cellRect, bool& defaultDraw)> OnDrawText;

    // ---- Steps (public for the painter) ----
    virtual void QueryText(PVirtualNode node, TColumnIndex column, TVSTTextType textType, core::String& text);
    virtual void PrepareTextPaint(PVirtualNode node, TCanvas* canvas, TColumnIndex column, TVSTTextType textType);
    virtual int MeasureText(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView text);
    bool IsCellEmpty(PVirtualNode node, TColumnIndex column) override;

protected:
    virtual void CommitText(PVirtualNode node, TColumnIndex column, core::StringView text);
    int MatchSearchText(PVirtualNode node, core::StringView searchText) override;
    void PaintNodeContent(TVTPaintInfo& info) override;
    TColumnIndex AdjustCellRect(TVTPaintInfo& info) override;
    int NodeWidthOnCanvas(TCanvas* canvas, PVirtualNode node, TColumnIndex column) override;
    int DoGetNodeWidth(PVirtualNode node, TColumnIndex column) override;
    core::String ItemText(PVirtualNode node) override;
    void DoMainColumnChanged(TColumnIndex column) override;
    void WndProc(ui::Message& message) override;
    void CreateHandle() override;
    virtual void DrawCellText(TVTPaintInfo& info, core::StringView text, const TRect& cellRect, UINT drawFormat);

private:
    void PaintNormalText(TVTPaintInfo& info, core::String text);
    void PaintStaticText(TVTPaintInfo& info, core::StringView text);
    void ApplyTextColors(TVTPaintInfo& info);
    void UpdateFontMetrics();
    friend class FontWatch;
    int m_font_watch_depth = 0;
    // The tree's own canvas for measuring without a paint (a memory context).
    TCanvas& MeasureCanvas();
    std::unique_ptr<ui::Bitmap> m_measure_bitmap;
    std::unique_ptr<TCanvas> m_measure_canvas;
    uint32_t* WidthSlot(PVirtualNode node) const;
    void ClearAllWidths();

    core::String m_default_text = u"Node";
    int m_text_height = 0;
    int m_ellipsis_width = 0;
    uint32_t m_internal_data_offset = 0;
};

// The font watch of a painting step: hooked for the step's duration and ended however the step
// is left, also when an event handler raises. A watch inside another (a text query from a paint
// handler) leaves the outer one in place.
class FontWatch {
public:
    FontWatch(TCustomVirtualStringTree& tree, ui::Canvas& canvas) : m_tree(tree), m_canvas(canvas)
    {
        if (m_tree.m_font_watch_depth++ == 0)
            m_tree.HookCanvasFont(m_canvas);
    }
    ~FontWatch()
    {
        if (--m_tree.m_font_watch_depth == 0)
            m_tree.UnhookCanvasFont(m_canvas);
    }
    FontWatch(const FontWatch&) = delete;
    FontWatch& operator=(const FontWatch&) = delete;

private:
    TCustomVirtualStringTree& m_tree;
    ui::Canvas& m_canvas;
};

class TVirtualStringTree : public TCustomVirtualStringTree {
public:
    using TCustomVirtualStringTree::TCustomVirtualStringTree;
};

} // namespace treeview
