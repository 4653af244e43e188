// The string tree's content export: ANSI and UTF-16 text, an HTML table, an RTF table, events only,
// and the clipboard formats built from them.
#include "treeview/string_tree.h"
#include "core/codepage.h"
#include <cstdio>
#include <cstring>

namespace treeview {

namespace {

constexpr char Quote = '"';

// Standard UTF-8; a high surrogate without its low half is dropped, a lone low surrogate is
// written as the three bytes of its own value.
void AppendUtf8(std::string& out, core::StringView text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                continue;
            }
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
}

// Text of an HTML document: UTF-8 with the markup characters escaped, so that a cell text never
// becomes markup.
std::string HtmlText(core::StringView text)
{
    std::string utf8;
    AppendUtf8(utf8, text);
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string HtmlColor(TColor color)
{
    uint32_t rgb = ui::ColorToRGB(ui::Color(color));
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", unsigned(GetRValue(rgb)), unsigned(GetGValue(rgb)),
                  unsigned(GetBValue(rgb)));
    return buffer;
}

std::string Number(long long value)
{
    return std::to_string(value);
}

TAlignment Mirrored(TAlignment alignment)
{
    return alignment == taLeftJustify ? taRightJustify : alignment == taRightJustify ? taLeftJustify : alignment;
}

} // namespace

// ---- Node and column selection ----

namespace {

struct ExportPlan {
    // The exported columns in display order; one null entry stands for column -1.
    std::vector<TVirtualTreeColumn*> columns;
    bool useColumns = false;
    TColumnIndex mainColumn = NoColumn;
};

ExportPlan PlanColumns(TCustomVirtualStringTree& tree)
{
    ExportPlan plan;
    TVTHeader& header = tree.Header();
    plan.useColumns = header.UseColumns();
    plan.mainColumn = header.MainColumn();
    if (plan.useColumns) {
        for (TVirtualTreeColumn* column : header.Columns().GetVisibleColumns())
            if (column->Options() & coVisible)
                plan.columns.push_back(column);
    } else {
        plan.columns.push_back(nullptr);
    }
    return plan;
}

TColumnIndex IndexOf(const TVirtualTreeColumn* column)
{
    return column ? column->Index() : NoColumn;
}

bool ModeAllows(const TCustomVirtualStringTree& tree, PVirtualNode node)
{
    switch (tree.TreeOptions().ExportMode()) {
    case emChecked: return node->CheckState == csCheckedNormal;
    case emUnchecked: return node->CheckState == csUncheckedNormal;
    default: return true;
    }
}

} // namespace

// ---- Text ----

std::string TCustomVirtualStringTree::ContentToText(TVSTTextSourceType source, char separator)
{
    return ContentToText(source, std::string_view(&separator, 1));
}

std::string TCustomVirtualStringTree::ContentToText(TVSTTextSourceType source, std::string_view separator)
{
    ExportPlan plan = PlanColumns(*this);
    uint32_t maxLevel = 0;
    for (PVirtualNode run = FirstOfSource(source); run; run = NextOfSource(run, source))
        maxLevel = std::max(maxLevel, GetNodeLevel(run));
    std::string pad;
    for (uint32_t i = 0; i < maxLevel; ++i)
        pad += separator;
    auto cell = [&](const std::string& text) {
        bool quote = text.find(separator) != std::string::npos || text.find_first_of("\"\r\n") != std::string::npos;
        if (!quote)
            return text;
        std::string out(1, Quote);
        for (char c : text) {
            out += c;
            if (c == Quote)
                out += Quote;
        }
        out += Quote;
        return out;
    };

    TBufferedAnsiString buffer;
    if (plan.useColumns) {
        for (size_t i = 0; i < plan.columns.size(); ++i) {
            buffer.Add(core::ToAnsi(plan.columns[i]->Text()));
            if (i + 1 < plan.columns.size()) {
                if (IndexOf(plan.columns[i]) == plan.mainColumn)
                    buffer.Add(pad);
                buffer.Add(separator);
            }
        }
        buffer.AddNewLine();
    }
    for (PVirtualNode node = FirstOfSource(source); node; node = NextOfSource(node, source)) {
        if (!ModeAllows(*this, node) || !DoBeforeNodeExport(etText, node))
            continue;
        uint32_t level = GetNodeLevel(node);
        if (!plan.useColumns) {
            buffer.Add(std::string_view(pad).substr(0, level * separator.size()));
            std::string text = core::ToAnsi(Text(node, NoColumn));
            buffer.Add(text.find_first_of("\r\n") != std::string::npos ? cell(text) : text);
            buffer.AddNewLine();
            DoAfterNodeExport(etText, node);
            continue;
        }
        for (size_t i = 0; i < plan.columns.size(); ++i) {
            TColumnIndex column = IndexOf(plan.columns[i]);
            bool main = column == plan.mainColumn;
            if (main)
                buffer.Add(std::string_view(pad).substr(0, level * separator.size()));
            buffer.Add(cell(core::ToAnsi(Text(node, column))));
            if (main)
                buffer.Add(std::string_view(pad).substr(0, (maxLevel - level) * separator.size()));
            if (i + 1 < plan.columns.size())
                buffer.Add(separator);
        }
        DoAfterNodeExport(etText, node);
        buffer.AddNewLine();
    }
    return buffer.AsString();
}

core::String TCustomVirtualStringTree::ContentToUnicode(TVSTTextSourceType source, char16_t separator)
{
    return ContentToUnicode(source, core::StringView(&separator, 1));
}

core::String TCustomVirtualStringTree::ContentToUnicode(TVSTTextSourceType source, core::StringView separator)
{
    ExportPlan plan = PlanColumns(*this);
    uint32_t maxLevel = 0;
    for (PVirtualNode run = FirstOfSource(source); run; run = NextOfSource(run, source))
        maxLevel = std::max(maxLevel, GetNodeLevel(run));
    core::String pad;
    for (uint32_t i = 0; i < maxLevel; ++i)
        pad += separator;
    auto cell = [&](const core::String& text) {
        if (text.find(separator) == core::String::npos)
            return text;
        core::String out(1, u'"');
        for (char16_t c : text) {
            out += c;
            if (c == u'"')
                out += u'"';
        }
        out += u'"';
        return out;
    };

    TWideBufferedString buffer;
    if (plan.useColumns) {
        for (size_t i = 0; i < plan.columns.size(); ++i) {
            buffer.Add(plan.columns[i]->Text());
            if (i + 1 < plan.columns.size()) {
                if (IndexOf(plan.columns[i]) == plan.mainColumn)
                    buffer.Add(pad);
                buffer.Add(separator);
            }
        }
        buffer.AddNewLine();
    }
    for (PVirtualNode node = FirstOfSource(source); node; node = NextOfSource(node, source)) {
        uint32_t level = GetNodeLevel(node);
        if (!plan.useColumns) {
            buffer.Add(core::StringView(pad).substr(0, level * separator.size()));
            buffer.Add(Text(node, NoColumn));
            buffer.AddNewLine();
            continue;
        }
        for (size_t i = 0; i < plan.columns.size(); ++i) {
            TColumnIndex column = IndexOf(plan.columns[i]);
            bool main = column == plan.mainColumn;
            if (main)
                buffer.Add(core::StringView(pad).substr(0, level * separator.size()));
            buffer.Add(cell(Text(node, column)));
            if (main)
                buffer.Add(core::StringView(pad).substr(0, (maxLevel - level) * separator.size()));
            if (i + 1 < plan.columns.size())
                buffer.Add(separator);
        }
        buffer.AddNewLine();
    }
    return buffer.AsString();
}

// ---- HTML ----

namespace {

std::string HtmlFontStyle(const ui::Font& font, const char* className)
{
    std::string out = className ? std::string(".") + className + "{font:" : std::string(" style=\"{font:");
    if (font.Style() & ui::fsUnderline)
        out += " underline";
    if (font.Style() & ui::fsItalic)
        out += " italic";
    if (font.Style() & ui::fsBold)
        out += " bold";
    std::string name = HtmlText(font.Name());
    if (font.Size() < 0)
        out += " " + Number(font.Height()) + "px \"" + name + "\";";
    else
        out += " " + Number(font.Size()) + "pt \"" + name + "\";";
    out += "color:" + HtmlColor(TColor(font.FontColor())) + ";}";
    if (!className)
        out += Quote;
    return out;
}

const char* AlignAttribute(TAlignment alignment)
{
    return alignment == taRightJustify ? " align=right" : alignment == taCenter ? " align=center" : " align=left";
}

} // namespace

std::string TCustomVirtualStringTree::ContentToHTML(TVSTTextSourceType source, core::StringView caption)
{
    ExportPlan plan = PlanColumns(*this);
    uint32_t maxLevel = 0;
    for (PVirtualNode run = FirstOfSource(source); run; run = NextOfSource(run, source))
        if (ModeAllows(*this, run))
            maxLevel = std::max(maxLevel, GetNodeLevel(run));
    TCanvas& canvas = MeasureCanvas();
    FontWatch watch(*this, canvas);

    const std::string pad = "padding-left:" + Number(Margin()) + "px;padding-right:" + Number(Margin()) + "px;";
    const std::string line = LineStyle() == lsSolid ? "solid;" : "dotted;";
    const std::string q(1, Quote);
    std::string attributes = " ";
    if (!caption.empty())
        attributes = " caption=" + q + HtmlText(caption) + q;
    if (BorderStyle() != bsNone)
        attributes += " border=" + q + Number(BorderWidth() + 1) + q + " frame=box";

    TBufferedAnsiString buffer;
    buffer.Add("<META http-equiv=" + q + "Content-Type" + q + " content=" + q + "text/html; charset=utf-8" + q + ">");
    buffer.Add("<style type=" + q + "text/css" + q + ">");
    buffer.AddNewLine();
    buffer.Add(HtmlFontStyle(Font(), "default"));
    buffer.AddNewLine();
    buffer.Add(HtmlFontStyle(HeaderFont(), "header"));
    buffer.AddNewLine();
    TVTPaintOptions paintOptions = TreeOptions().PaintOptions();
    if (paintOptions & toShowHorzGridLines)
        buffer.Add(".noborder{border-style:" + line + " border-bottom:1;border-left:0;border-right:0; border-top:0;" + pad + "}");
    else
        buffer.Add(".noborder{border-style:none;" + pad + "}");
    buffer.AddNewLine();
    buffer.Add(".normalborder {border-top:none; border-left:none; vertical-align:top;");
    buffer.Add((paintOptions & toShowVertGridLines) ? "border-right:1 " + line : std::string("border-right:none;"));
    buffer.Add((paintOptions & toShowHorzGridLines) ? "border-bottom:1 " + line : std::string("border-bottom:none;"));
    buffer.Add(pad + "}</style>");
    buffer.AddNewLine();
    buffer.Add("<table class=" + q + "default" + q + " bgcolor=" + HtmlColor(TColor(ControlColor())) + attributes +
               " cellspacing=" + q + "0" + q + " cellpadding=" + Number(Margin()) + ">");
    buffer.AddNewLine();

    if (plan.useColumns) {
        DoBeforeHeaderExport(etHTML);
        buffer.Add("<tr class=" + q + "header" + q + " style=" + q + pad + q + ">");
        buffer.AddNewLine();
        for (TVirtualTreeColumn* column : plan.columns) {
            DoBeforeColumnExport(etHTML, column);
            buffer.Add("<th height=" + q + Number(Header().Height()) + "px" + q);
            TAlignment alignment = column->CaptionAlignment();
            if (column->BiDiMode() != bdLeftToRight) {
                alignment = Mirrored(alignment);
                buffer.Add(" dir=" + q + "rtl" + q);
            }
            buffer.Add(AlignAttribute(alignment));
            if (column->Index() == plan.mainColumn && maxLevel > 0)
                buffer.Add(" colspan=" + q + Number(maxLevel + 1) + q);
            buffer.Add(" bgcolor=" + HtmlColor(TColor(ui::clBtnFace)));
            buffer.Add(" width=" + q + Number(column->Width()) + "px" + q + ">");
            buffer.Add(HtmlText(column->Text()));
            buffer.Add("</th>");
            DoAfterColumnExport(etHTML, column);
        }
        buffer.Add("</tr>");
        buffer.AddNewLine();
        DoAfterHeaderExport(etHTML);
    }

    for (PVirtualNode node = FirstOfSource(source); node; node = NextOfSource(node, source)) {
        if (!ModeAllows(*this, node) || !DoBeforeNodeExport(etHTML, node))
            continue;
        uint32_t level = GetNodeLevel(node);
        std::string height = q + Number(NodeHeight(node)) + "px" + q;
        buffer.Add(" <tr class=" + q + "default" + q + ">");
        buffer.AddNewLine();
        for (TVirtualTreeColumn* column : plan.columns) {
            TColumnIndex index = IndexOf(column);
            canvas.Font().Assign(Font());
            ClearFontChangedFlag();
            PrepareTextPaint(node, &canvas, index, ttNormal);
            bool parentColor = !column || (column->Options() & coParentColor);
            if (index == plan.mainColumn) {
                for (uint32_t i = 0; i < level; ++i) {
                    if (parentColor)
                        buffer.Add(i == 0 ? " <td height=" + height + ">&nbsp;</td>" : std::string(" <td>&nbsp;</td>"));
                    else
                        buffer.Add("<td class=" + q + "noborder" + q + " width=" + q + Number(Indent()) + q + " height=" +
                                   height + " bgcolor=" + HtmlColor(column->Color()) + ">&nbsp;</td>");
                }
            }
            if (FontChangedFlag())
                buffer.Add(" <td class=" + q + "normalborder" + q + " " + HtmlFontStyle(canvas.Font(), nullptr) +
                           " height=" + height);
            else
                buffer.Add(" <td class=" + q + "normalborder" + q + "  height=" + height);
            TAlignment alignment = column ? column->Alignment() : Alignment();
            TBiDiMode bidi = column ? column->BiDiMode() : BiDiMode();
            if (bidi != bdLeftToRight) {
                alignment = Mirrored(alignment);
                buffer.Add(" dir=" + q + "rtl" + q);
            }
            buffer.Add(AlignAttribute(alignment));
            if (index == plan.mainColumn && maxLevel > 0 && level < maxLevel)
                buffer.Add(" colspan=" + q + Number(maxLevel - level + 1) + q);
            if (column && !parentColor)
                buffer.Add(" bgcolor=" + HtmlColor(column->Color()));
            buffer.Add(">" + HtmlText(Text(node, index)) + "</td>");
        }
        DoAfterNodeExport(etHTML, node);
        buffer.Add(" </tr>");
        buffer.AddNewLine();
    }
    buffer.Add("</table>");
    return buffer.AsString();
}

// ---- RTF ----

namespace {

class RtfWriter {
public:
    // The screen's resolution is asked once: a font's point size is asked for every cell.
    explicit RtfWriter(int ppi) : m_ppi(ppi) {}
    void Run(TBufferedAnsiString& body, core::StringView text, const ui::Font& font)
    {
        if (text.empty())
            return;
        ui::FontStyles style = font.Style();
        if (style & ui::fsUnderline)
            body.Add("\\ul");
        if (style & ui::fsItalic)
            body.Add("\\i");
        if (style & ui::fsBold)
            body.Add("\\b");
        int fontIndex = -1;
        if (m_font >= 0 && m_fonts[size_t(m_font)] == font.Name())
            fontIndex = m_font;   // the common case: the font of the cell before
        for (size_t i = 0; fontIndex < 0 && i < m_fonts.size(); ++i)
            if (core::AnsiSameText(m_fonts[i], font.Name()))
                fontIndex = int(i);
        bool newFont = fontIndex < 0;
        if (newFont) {
            m_fonts.push_back(font.Name());
            fontIndex = int(m_fonts.size()) - 1;
        }
        if (newFont || fontIndex != m_font) {
            body.Add("\\f" + Number(fontIndex));
            m_font = fontIndex;
        }
        uint32_t rgb = ui::ColorToRGB(font.FontColor());
        int colorIndex = -1;
        for (size_t i = 0; i < m_colors.size(); ++i)
            if (m_colors[i] == rgb)
                colorIndex = int(i);
        bool newColor = colorIndex < 0;
        if (newColor) {
            m_colors.push_back(rgb);
            colorIndex = int(m_colors.size()) - 1;
        }
        if (newColor || colorIndex != m_color) {
            body.Add("\\cf" + Number(colorIndex + 1));
            m_color = colorIndex;
        }
        int size = -MulDiv(font.Height(), 72, m_ppi);
        if (!m_has_size || size != m_size) {
            body.Add("\\fs" + Number(2 * size));
            m_size = size;
            m_has_size = true;
        }
        body.Add(" ");
        char piece[16];
        for (char16_t unit : text) {
            if (unit == u'\n') {
                body.Add("{\\par}");
            } else if (unit != u'\r') {
                int length = std::snprintf(piece, sizeof piece, "\\u%d\\'3f", int(int16_t(unit)));
                body.Add(std::string_view(piece, size_t(length)));
            }
        }
        if (style & ui::fsUnderline)
            body.Add("\\ul0");
        if (style & ui::fsItalic)
            body.Add("\\i0");
        if (style & ui::fsBold)
            body.Add("\\b0");
    }
    std::string Tables() const
    {
        std::string out = "{\\fonttbl";
        for (size_t i = 0; i < m_fonts.size(); ++i)
            out += "{\\f" + Number(long(i)) + " " + core::ToAnsi(m_fonts[i]) + ";}";
        out += "}{\\colortbl;";
        for (uint32_t rgb : m_colors)
            out += "\\red" + Number(GetRValue(rgb)) + "\\green" + Number(GetGValue(rgb)) + "\\blue" + Number(GetBValue(rgb)) + ";";
        out += "}";
        return out;
    }

private:
    int m_ppi;
    std::vector<core::String> m_fonts;
    std::vector<uint32_t> m_colors;
    int m_font = -1, m_color = -1, m_size = 0;
    bool m_has_size = false;
};

const char* RtfAlignment(TAlignment alignment)
{
    return alignment == taRightJustify ? "\\qr" : alignment == taCenter ? "\\qc" : "";
}

int ScreenPixelsPerInch()
{
    HDC dc = GetDC(nullptr);
    int ppi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return ppi > 0 ? ppi : 96;
}

} // namespace

std::string TCustomVirtualStringTree::ContentToRTF(TVSTTextSourceType source)
{
    ExportPlan plan = PlanColumns(*this);
    TCanvas& canvas = MeasureCanvas();
    FontWatch watch(*this, canvas);
    int ppi = ScreenPixelsPerInch();
    RtfWriter rtf(ppi);
    TBufferedAnsiString body;
    body.Add("\\uc1\\trowd\\trgaph70");
    auto twips = [ppi](long long pixels) { return (pixels * 1440 + ppi / 2) / ppi; };
    if (plan.useColumns) {
        long long sum = 0;
        for (TVirtualTreeColumn* column : plan.columns) {
            sum += column->Width();
            body.Add("\\cellx" + Number(twips(sum)));
        }
    } else {
        body.Add("\\cellx" + Number(twips(ClientWidth())));
    }
    if (plan.useColumns) {
        DoBeforeHeaderExport(etRTF);
        body.Add("\\pard\\intbl");
        for (TVirtualTreeColumn* column : plan.columns) {
            DoBeforeColumnExport(etRTF, column);
            TAlignment alignment = column->CaptionAlignment();
            if (column->BiDiMode() != bdLeftToRight)
                alignment = Mirrored(alignment);
            body.Add(RtfAlignment(alignment));
            rtf.Run(body, column->Text(), HeaderFont());
            body.Add("\\cell");
            DoAfterColumnExport(etRTF, column);
        }
        body.Add("\\row");
        DoAfterHeaderExport(etRTF);
    }
    for (PVirtualNode node = FirstOfSource(source); node; node = NextOfSource(node, source)) {
        if (!ModeAllows(*this, node) || !DoBeforeNodeExport(etRTF, node))
            continue;
        uint32_t level = GetNodeLevel(node);
        for (TVirtualTreeColumn* column : plan.columns) {
            TColumnIndex index = IndexOf(column);
            body.Add("\\pard\\intbl");
            TAlignment alignment = column ? column->Alignment() : Alignment();
            if ((column ? column->BiDiMode() : BiDiMode()) != bdLeftToRight)
                alignment = Mirrored(alignment);
            body.Add(RtfAlignment(alignment));
            canvas.Font().Assign(Font());
            PrepareTextPaint(node, &canvas, index, ttNormal);
            if (index == plan.mainColumn && level >= 1) {
                for (uint32_t i = 0; i < level; ++i)
                    body.Add("\\tab");
                body.Add(" ");
            }
            rtf.Run(body, Text(node, index), canvas.Font());
            body.Add("\\cell");
        }
        body.Add("\\row");
        DoAfterNodeExport(etRTF, node);
    }
    body.Add("\\pard\\par");
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043" + rtf.Tables() + body.AsString() + "}";
}

// ---- Custom ----

void TCustomVirtualStringTree::ContentToCustom(TVSTTextSourceType source)
{
    DoBeforeTreeExport(etCustom);
    if (Header().UseColumns() && (Header().Options() & hoVisible)) {
        DoBeforeHeaderExport(etCustom);
        for (TVirtualTreeColumn* column : Header().Columns().GetVisibleColumns()) {
            DoBeforeColumnExport(etCustom, column);
            DoColumnExport(etCustom, column);
            DoAfterColumnExport(etCustom, column);
        }
        DoAfterHeaderExport(etCustom);
    }
    for (PVirtualNode node = FirstOfSource(source); node; node = NextOfSource(node, source)) {
        if (!ModeAllows(*this, node))
            continue;
        DoBeforeNodeExport(etCustom, node);
        DoNodeExport(etCustom, node);
        DoAfterNodeExport(etCustom, node);
    }
    DoAfterTreeExport(etCustom);
}

// ---- Clipboard ----

namespace {

// CF_HTML: a header of byte offsets (counted from the header's start), a document, the fragment.
std::string WrapHtmlFragment(const std::string& fragment)
{
    const std::string doctype = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">";
    const std::string head =
        "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\"></head><body><!--StartFragment-->";
    const std::string tail = "<!--EndFragment--></body></html>";
    auto line = [](const char* label, size_t value) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%s%.8zu\r\n", label, value);
        return std::string(buffer);
    };
    const size_t start = 97, fragmentStart = start + doctype.size() + head.size();
    std::string out = "Version:1.0\r\n" + line("StartHTML:", start) +
                      line("EndHTML:", fragmentStart + fragment.size() + tail.size()) +
                      line("StartFragment:", fragmentStart) + line("EndFragment:", fragmentStart + fragment.size());
    return out + doctype + head + fragment + tail;
}

std::string ListSeparator()
{
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 8) <= 1)
        return ",";
    return core::ToAnsi(core::String(reinterpret_cast<const char16_t*>(buffer)));
}

UINT Registered(const wchar_t* name)
{
    return RegisterClipboardFormatW(name);
}

} // namespace

HGLOBAL TCustomVirtualStringTree::ContentToClipboard(uint16_t format, TVSTTextSourceType source)
{
    std::string data;
    if (format == CF_TEXT) {
        data = ContentToText(source, '\t');
        data += '\0';
    } else if (format == CF_UNICODETEXT) {
        core::String text = ContentToUnicode(source, u'\t');
        data.assign(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
    } else if (format == Registered(L"CSV")) {
        data = ContentToText(source, ListSeparator());
        data += '\0';
    } else if (format == Registered(L"Rich Text Format") || format == Registered(L"Rich Text Format Without Objects")) {
        data = ContentToRTF(source);
        data += '\0';
    } else if (format == Registered(L"HTML Format")) {
        data = WrapHtmlFragment(ContentToHTML(source));
        data += '\0';
    } else {
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, data.size());
    if (!block)
        return nullptr;
    void* memory = GlobalLock(block);
    if (!memory) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(memory, data.data(), data.size());
    GlobalUnlock(block);
    return block;
}

} // namespace treeview
