// The string tree's portable half: texts through events, measuring and the per-node width cache,
// shortening, cell spans, paths, incremental search by text and the caption chunk of node streams.
#include "treeview/string_tree.h"
#include <string>
#include "core/exception.h"
#include <algorithm>
#include <cstring>

namespace treeview {

TCustomVirtualStringTree::TCustomVirtualStringTree(core::Component* owner) : TCustomVirtualTreeControl(owner)
{
    m_internal_data_offset = ReserveInternalData(sizeof(uint32_t));
    AfterConstruction();
}

TCustomVirtualStringTree::~TCustomVirtualStringTree()
{
    BeginDestruction();
}

uint32_t* TCustomVirtualStringTree::WidthSlot(PVirtualNode node) const
{
    if (!node || node == RootNode())
        return nullptr;
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(node) + m_internal_data_offset);
}

uint32_t TCustomVirtualStringTree::CachedWidth(PVirtualNode node) const
{
    uint32_t* slot = WidthSlot(node);
    return slot ? *slot : 0;
}

void TCustomVirtualStringTree::ClearAllWidths()
{
    for (PVirtualNode node = GetFirstNoInit(); node; node = GetNextNoInit(node))
        *WidthSlot(node) = 0;
}

void TCustomVirtualStringTree::SetDefaultText(core::StringView value)
{
    if (value == m_default_text)
        return;
    m_default_text = core::String(value);
    if (!Loading())
        Invalidate();
}

void TCustomVirtualStringTree::SetFontMetrics(int textHeight, int ellipsisWidth)
{
    m_text_height = textHeight;
    m_ellipsis_width = ellipsisWidth;
    ClearAllWidths();
}

void TCustomVirtualStringTree::HandleMainColumnChange()
{
    CancelEditing();
    ClearAllWidths();
}

void TCustomVirtualStringTree::DoMainColumnChanged(TColumnIndex column)
{
    TCustomVirtualTreeControl::DoMainColumnChanged(column);
    HandleMainColumnChange();
}

int TCustomVirtualStringTree::DoGetNodeWidth(PVirtualNode node, TColumnIndex column)
{
    return NodeWidth(nullptr, node, column);
}

int TCustomVirtualStringTree::NodeWidthOnCanvas(TCanvas* canvas, PVirtualNode node, TColumnIndex column)
{
    return NodeWidth(canvas, node, column);
}

core::String TCustomVirtualStringTree::ItemText(PVirtualNode node)
{
    return Text(node, Header().MainColumn());
}

void TCustomVirtualStringTree::UpdateFontMetrics()
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE ellipsis{0, 0};
    GetTextExtentPoint32W(dc, L"...", 3, &ellipsis);
    SelectObject(dc, old);
    DeleteDC(dc);
    SetFontMetrics(metrics.tmHeight, ellipsis.cx);
}

void TCustomVirtualStringTree::CreateHandle()
{
    TCustomVirtualTreeControl::CreateHandle();
    UpdateFontMetrics();
}

void TCustomVirtualStringTree::WndProc(ui::Message& message)
{
    TCustomVirtualTreeControl::WndProc(message);
    if (message.Msg == ui::CM_FONTCHANGED)
        UpdateFontMetrics();
}

void TCustomVirtualStringTree::QueryText(PVirtualNode node, TColumnIndex column, TVSTTextType textType, core::String& text)
{
    if (OnGetText)
        OnGetText(this, node, column, textType, text);
}

core::String TCustomVirtualStringTree::Text(PVirtualNode node, TColumnIndex column)
{
    CORE_ASSERT(node, u"Node must not be nil.");
    if (!treeview::HasState(node, vsInitialized))
        InitializeNode(node);
    core::String text = m_default_text;
    QueryText(node, column, ttNormal, text);
    return text;
}

void TCustomVirtualStringTree::SetText(PVirtualNode node, TColumnIndex column, core::StringView text)
{
    CommitText(node, column, text);
    InvalidateNode(node);
}

void TCustomVirtualStringTree::CommitText(PVirtualNode node, TColumnIndex column, core::StringView text)
{
    if (OnNewText)
        OnNewText(this, node, column, text);
    if (UpdateCount() == 0)
        UpdateScrollBars(true);
}

void TCustomVirtualStringTree::InvalidateNode(PVirtualNode node)
{
    TCustomVirtualTreeControl::InvalidateNode(node);
    if (uint32_t* slot = WidthSlot(node)) {
        *slot = 0;
        ExcludeStates(node, vsHeightMeasured);
    }
}

core::String TCustomVirtualStringTree::Path(PVirtualNode node, TColumnIndex column, TVSTTextType textType, char16_t delimiter)
{
    if (!node || node == RootNode())
        return core::String(1, delimiter);
    core::String result;
    for (; node && node != RootNode(); node = node->Parent) {
        // Each level starts from an empty text, so that a level without a text of its own does not
        // repeat the one below it.
        core::String text;
        QueryText(node, column, textType, text);
        result = text + delimiter + result;
    }
    return result;
}

void TCustomVirtualStringTree::PrepareTextPaint(PVirtualNode node, TCanvas* canvas, TColumnIndex column, TVSTTextType textType)
{
    if (OnPaintText)
        OnPaintText(this, canvas, node, column, textType);
}

int TCustomVirtualStringTree::TextExtent(TCanvas* canvas, core::StringView text)
{
    if (!canvas) {
        canvas = &MeasureCanvas();
        canvas->Font().Assign(Font());
    }
    return canvas->TextWidth(text);
}

int TCustomVirtualStringTree::MeasureText(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView text)
{
    int width = TextExtent(canvas, text);
    if (OnMeasureTextWidth)
        OnMeasureTextWidth(this, canvas, node, column, text, width);
    return width;
}

TCanvas& TCustomVirtualStringTree::MeasureCanvas()
{
    if (!m_measure_canvas) {
        m_measure_bitmap = std::make_unique<ui::Bitmap>(1, 1, ui::pf32bit);
        m_measure_canvas = std::make_unique<TCanvas>(m_measure_bitmap->Canvas().Handle());
    }
    return *m_measure_canvas;
}

int TCustomVirtualStringTree::ComputeTextWidth(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView text)
{
    int width = 2 * TextMargin();
    if (!text.empty()) {
        if (!canvas)
            canvas = &MeasureCanvas();
        canvas->Font().Assign(Font());
        PrepareTextPaint(node, canvas, column, ttNormal);
        width += MeasureText(canvas, node, column, text);
    }
    return width;
}

int TCustomVirtualStringTree::NodeWidth(TCanvas* canvas, PVirtualNode node, TColumnIndex column)
{
    if (!node || node == RootNode())
        return 0;
    if (column >= 0 && treeview::HasState(node, vsMultiline))
        return Header().Columns()[column].Width();
    if (column == Header().MainColumn()) {
        uint32_t* slot = WidthSlot(node);
        if (*slot == 0)
            *slot = uint32_t(std::max(0, ComputeTextWidth(canvas, node, column, Text(node, column))));
        return int(*slot);
    }
    return ComputeTextWidth(canvas, node, column, Text(node, column));
}

core::String TCustomVirtualStringTree::ShortenText(TCanvas* canvas, PVirtualNode node, TColumnIndex column,
                                                   core::StringView s, int width, int ellipsisWidth)
{
    bool done = false;
    core::String result;
    if (OnShortenString)
        OnShortenString(this, canvas, node, column, s, width, result, done);
    if (done)
        return result;
    if (ellipsisWidth <= 0)
        ellipsisWidth = TextExtent(canvas, u"...");
    if (s.empty() || width <= 0 || width <= ellipsisWidth)
        return {};
    // The longest prefix that fits beside "..." (never the whole text), found by bisection.
    size_t low = 0, high = s.size() - 1;
    while (low < high) {
        size_t mid = (low + high + 1) / 2;
        if (TextExtent(canvas, s.substr(0, mid)) + ellipsisWidth <= width)
            low = mid;
        else
            high = mid - 1;
    }
    // Never split a surrogate pair.
    if (low > 0 && s[low - 1] >= 0xD800 && s[low - 1] <= 0xDBFF)
        --low;
    return core::String(s.substr(0, low)) + u"...";
}

bool TCustomVirtualStringTree::IsCellEmpty(PVirtualNode node, TColumnIndex column)
{
    if (!Text(node, column).empty())
        return false;
    return TCustomVirtualTreeControl::IsCellEmpty(node, column);
}

TColumnIndex TCustomVirtualStringTree::AdjustCellRect(TVTPaintInfo& info)
{
    TVirtualTreeColumns& columns = Header().Columns();
    TColumnIndex next = columns.GetNextVisibleColumn(info.Column);
    if ((TreeOptions().AutoOptions() & toAutoSpanColumns) && Header().UseColumns() && info.BidiMode == bdLeftToRight) {
        while (columns.IsValidColumn(next) && columns[next].BiDiMode() == bdLeftToRight && IsCellEmpty(info.Node, next)) {
            info.CellRect.Right += columns[next].Width();
            next = columns.GetNextVisibleColumn(next);
        }
        if (!columns.IsValidColumn(next))
            next = InvalidColumn;
    }
    return next;
}

int TCustomVirtualStringTree::MatchSearchText(PVirtualNode node, core::StringView searchText)
{
    if (OnIncrementalSearch)
        return TCustomVirtualTreeControl::MatchSearchText(node, searchText);
    core::String text = Text(node, FocusedColumn());
    return text.compare(0, searchText.size(), searchText) == 0 && text.size() >= searchText.size() ? 0 : 1;
}

void TCustomVirtualStringTree::GetTextInfo(PVirtualNode node, TColumnIndex column, ui::Font& font, TRect& r,
                                           core::String& text)
{
    ui::Bitmap scratch(1, 1, ui::pf32bit);
    TCanvas canvas(scratch.Canvas().Handle());
    canvas.Font().Assign(font);
    int lineHeight = TextHeight();
    {
        FontWatch watch(*this, canvas);
        ClearFontChangedFlag();
        PrepareTextPaint(node, &canvas, column, ttNormal);
        if (FontChangedFlag()) {
            font.Assign(canvas.Font());
            TEXTMETRICW metrics{};
            HGDIOBJ old = SelectObject(canvas.Handle(), canvas.Font().Handle());
            GetTextMetricsW(canvas.Handle(), &metrics);
            SelectObject(canvas.Handle(), old);
            lineHeight = metrics.tmHeight;
        }
    }
    text = Text(node, column);
    r = GetDisplayRect(node, column, true, !treeview::HasState(node, vsMultiline));
    if (TreeOptions().PaintOptions() & toShowHorzGridLines)
        --r.Bottom;
    const int grow = (lineHeight - (r.Bottom - r.Top)) / 2;
    r.Top -= grow;
    r.Bottom += grow;
}

int TCustomVirtualStringTree::ComputeNodeHeight(TCanvas* canvas, PVirtualNode node, TColumnIndex column, core::StringView s)
{
    core::String text = s.empty() ? Text(node, column) : core::String(s);
    UINT format = DT_NOPREFIX | DT_CALCRECT | DT_WORDBREAK;
    TVTPaintInfo info;
    info.Node = node;
    info.Column = column;
    TVirtualTreeColumns& columns = Header().Columns();
    if (!columns.IsValidColumn(column)) {
        info.BidiMode = BiDiMode();
        info.CellRect.Right = ClientWidth();
    } else {
        info.BidiMode = columns[column].BiDiMode();
        info.CellRect.Right = columns[column].Width() - TextMargin();
        info.CellRect.Left = TextMargin() + Margin();
        if (column == Header().MainColumn()) {
            int selectLevel = 0;
            const int levels = (TreeOptions().PaintOptions() & toFixedIndent) ? 1 : int(DetermineLineImage(node, selectLevel).size());
            info.CellRect.Left += int(Indent()) * levels;
        }
        AdjustCellRect(info);
    }
    if (info.BidiMode != bdLeftToRight)
        format |= DT_RTLREADING | DT_RIGHT;
    std::unique_ptr<ui::Bitmap> scratch;
    std::unique_ptr<TCanvas> own;
    if (!canvas) {
        scratch = std::make_unique<ui::Bitmap>(1, 1, ui::pf32bit);
        own = std::make_unique<TCanvas>(scratch->Canvas().Handle());
        own->Font().Assign(Font());
        canvas = own.get();
    }
    RECT r{info.CellRect.Left, 0, info.CellRect.Right, 0};
    canvas->TextRect(r, text, format);
    return int(r.bottom - r.top);
}

core::String TCustomVirtualStringTree::NodeHintText(PVirtualNode node, TColumnIndex column,
                                                    TVTTooltipLineBreakStyle& lineBreakStyle)
{
    core::String hint = Hint();
    if (OnGetHint)
        OnGetHint(this, node, column, lineBreakStyle, hint);
    return hint;
}

core::String TCustomVirtualStringTree::NodeTooltipText(PVirtualNode node, TColumnIndex column,
                                                       TVTTooltipLineBreakStyle& lineBreakStyle)
{
    core::String hint = Hint();
    if (OnGetHint)
        OnGetHint(this, node, column, lineBreakStyle, hint);
    else
        hint = Text(node, column);
    return hint;
}

PVirtualNode TCustomVirtualStringTree::FirstOfSource(TVSTTextSourceType source)
{
    switch (source) {
    case tstInitialized: return GetFirstInitialized();
    case tstSelected: return GetFirstSelected();
    case tstCutCopySet: return GetFirstCutCopy();
    case tstVisible: return GetFirstVisible(nullptr, true);
    default: return GetFirst();
    }
}

PVirtualNode TCustomVirtualStringTree::NextOfSource(PVirtualNode node, TVSTTextSourceType source)
{
    switch (source) {
    case tstInitialized: return GetNextInitialized(node);
    case tstSelected: return GetNextSelected(node);
    case tstCutCopySet: return GetNextCutCopy(node);
    case tstVisible: return GetNextVisible(node, true);
    default: return GetNext(node);
    }
}

// Caption chunk: chunk type (32-bit, 3), chunk size (32-bit, bytes), then the main column's text as
// UTF-16 code units without a terminator.
void TCustomVirtualStringTree::WriteCaptionChunk(core::Stream& stream, PVirtualNode node)
{
    if (!(StringOptions() & toSaveCaptions) || !node || node == RootNode() || !treeview::HasState(node, vsInitialized))
        return;
    core::String text = Text(node, Header().MainColumn());
    if (text.empty())
        return;
    stream.WriteInt32(CaptionChunk);
    stream.WriteInt32(int32_t(text.size() * 2));
    for (char16_t unit : text)
        stream.WriteUInt16(unit);
}

void TCustomVirtualStringTree::WriteChunks(core::Stream& stream, PVirtualNode node)
{
    TCustomVirtualTreeControl::WriteChunks(stream, node);
    WriteCaptionChunk(stream, node);
}

bool TCustomVirtualStringTree::ReadChunk(core::Stream& stream, int version, PVirtualNode node, int32_t chunkType,
                                         int32_t chunkSize)
{
    if (chunkType != CaptionChunk)
        return TCustomVirtualTreeControl::ReadChunk(stream, version, node, chunkType, chunkSize);
    core::String text;
    if (chunkSize > 0) {
        // A size beyond the stream's end is refused rather than filled with guesses.
        if (stream.Size() - stream.Position() < int64_t(chunkSize))
            throw EVirtualTreeError(u"Unable to load tree structure, not enough data available.", hcTFStreamTooSmall);
        text.resize(size_t(chunkSize / 2));
        for (char16_t& unit : text)
            unit = stream.ReadUInt16();
        if (chunkSize % 2)
            stream.ReadUInt8();
    }
    SetText(node, Header().MainColumn(), text);
    return true;
}

} // namespace treeview
