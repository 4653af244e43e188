// The string tree's content export and clipboard renderings, and its captions in node streams.
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"
#include "core/codepage.h"
#include "core/stream.h"
#include <map>
#include <vector>

namespace treeview::test {
namespace {

class ExportTest : public TreeInForm<TVirtualStringTree> {
protected:
    ExportTest()
    {
        tree->OnGetText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType, core::String& text) {
            auto found = texts.find(node);
            if (found == texts.end())
                return;
            size_t index = column < 0 ? 0 : size_t(column);
            text = index < found->second.size() ? found->second[index] : core::String();
        };
        form->Show();
    }
    ~ExportTest() override
    {
        if (tree) {
            tree->OnGetText = nullptr;
            tree->OnNewText = nullptr;
            tree->OnBeforeNodeExport = nullptr;
        }
        form.reset();
    }
    PVirtualNode Add(PVirtualNode parent, std::vector<core::String> cells)
    {
        PVirtualNode node = tree->AddChild(parent);
        texts[node] = std::move(cells);
        return node;
    }
    void AddColumns(std::vector<core::String> captions)
    {
        for (const core::String& caption : captions) {
            TVirtualTreeColumn& column = tree->Header().Columns().Add();
            column.SetText(caption);
            column.SetWidth(60);
        }
    }
    std::string Block(HGLOBAL block)
    {
        EXPECT_NE(block, nullptr);
        if (!block)
            return {};
        std::string out(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
        GlobalUnlock(block);
        GlobalFree(block);
        return out;
    }
    std::map<PVirtualNode, std::vector<core::String>> texts;
};

TEST_F(ExportTest, UnicodeTextOfOneNodeIsTenBytes)
{
    Add(nullptr, {u"ab"});
    std::string bytes = Block(tree->ContentToClipboard(CF_UNICODETEXT, tstAll));
    EXPECT_EQ(bytes, std::string("a\0b\0\r\0\n\0\0\0", 10));
}

TEST_F(ExportTest, TextPadsTheMainColumnToTheDeepestLevel)
{
    AddColumns({u"名称", u"值"});
    PVirtualNode a = Add(nullptr, {u"a", u"1"});
    PVirtualNode b = Add(a, {u"b", u"2"});
    Add(b, {u"c", u"3"});
    tree->FullExpand();
    EXPECT_EQ(tree->ContentToText(tstAll, '\t'), core::ToAnsi(u"名称\t\t\t值\r\n") + "a\t\t\t1\r\n\tb\t\t2\r\n\t\tc\t3\r\n");
    EXPECT_EQ(tree->ContentToUnicode(tstAll, u'\t'), u"名称\t\t\t值\r\na\t\t\t1\r\n\tb\t\t2\r\n\t\tc\t3\r\n");
}

TEST_F(ExportTest, WithoutColumnsEachNodeIsOneIndentedLine)
{
    PVirtualNode a = Add(nullptr, {u"a"});
    Add(a, {u"b"});
    EXPECT_EQ(tree->ContentToText(tstAll, ","), "a\r\n,b\r\n");
    EXPECT_EQ(tree->ContentToUnicode(tstAll, u","), u"a\r\n,b\r\n");
}

TEST_F(ExportTest, CellsAreQuotedWhereTheyWouldBreakTheTable)
{
    AddColumns({u"x", u"y"});
    const struct {
        core::String cell;
        std::string ansi;
        core::String unicode;
    } cases[] = {
        {u"a,b", "\"a,b\"", u"\"a,b\""},
        {u"say \"hi\", now", "\"say \"\"hi\"\", now\"", u"\"say \"\"hi\"\", now\""},
        {u"say \"hi\"", "\"say \"\"hi\"\"\"", u"say \"hi\""},
        {u"two\r\nlines", "\"two\r\nlines\"", u"two\r\nlines"},
        {u"plain", "plain", u"plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.cell));
        tree->Clear();
        texts.clear();
        Add(nullptr, {u"k", c.cell});
        EXPECT_EQ(tree->ContentToText(tstAll, ","), "x,y\r\nk," + c.ansi + "\r\n");
        EXPECT_EQ(tree->ContentToUnicode(tstAll, u","), u"x,y\r\nk," + c.unicode + u"\r\n");
    }
}

TEST_F(ExportTest, ExportModeAndTheBeforeNodeEventFilterAnsiTextOnly)
{
    PVirtualNode a = Add(nullptr, {u"a"});
    PVirtualNode b = Add(nullptr, {u"b"});
    PVirtualNode c = Add(nullptr, {u"c"});
    tree->SetCheckType(a, ctCheckBox);
    tree->SetCheckType(b, ctCheckBox);
    tree->SetCheckState(a, csCheckedNormal);
    tree->SetCheckState(b, csCheckedPressed);
    tree->TreeOptions().SetExportMode(emChecked);
    EXPECT_EQ(tree->ContentToText(tstAll, ","), "a\r\n");
    EXPECT_EQ(tree->ContentToUnicode(tstAll, u","), u"a\r\nb\r\nc\r\n");
    tree->TreeOptions().SetExportMode(emAll);
    tree->OnBeforeNodeExport = [c](TBaseVirtualTree*, TVTExportType, PVirtualNode node) { return node != c; };
    EXPECT_EQ(tree->ContentToText(tstAll, ","), "a\r\nb\r\n");
}

TEST_F(ExportTest, RtfWritesEveryUnitAsASignedCodeWithItsFallback)
{
    Add(nullptr, {u"a\nb"});
    Add(nullptr, {core::String(1, char16_t(0x8000))});
    std::string rtf = tree->ContentToRTF(tstAll);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 ", 0), 0u);
    EXPECT_NE(rtf.find(" \\u97\\'3f{\\par}\\u98\\'3f\\cell\\row"), std::string::npos);
    EXPECT_NE(rtf.find("\\u-32768\\'3f"), std::string::npos);
    EXPECT_EQ(rtf.substr(rtf.size() - 10), "\\pard\\par}");
}

TEST_F(ExportTest, HtmlEscapesTextsAndCarriesCaptionAndBorder)
{
    AddColumns({u"<名>"});
    Add(nullptr, {u"a&b \"c\""});
    tree->SetBorderWidth(1);
    std::string html = tree->ContentToHTML(tstAll, u"表");
    EXPECT_NE(html.find(" caption=\"\xE8\xA1\xA8\" border=\"2\" frame=box cellspacing=\"0\""), std::string::npos);
    EXPECT_NE(html.find(">&lt;\xE5\x90\x8D&gt;</th>"), std::string::npos);
    EXPECT_NE(html.find(">a&amp;b &quot;c&quot;</td>"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 8), "</table>");
}

TEST_F(ExportTest, ClipboardHtmlCarriesItsOffsets)
{
    Add(nullptr, {u"x"});
    std::string fragment = tree->ContentToHTML(tstAll);
    std::string data = Block(tree->ContentToClipboard(uint16_t(RegisterClipboardFormatW(L"HTML Format")), tstAll));
    ASSERT_GT(data.size(), 269u);
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  "Version:1.0\r\nStartHTML:00000097\r\nEndHTML:%.8zu\r\nStartFragment:00000269\r\nEndFragment:%.8zu\r\n",
                  269 + fragment.size() + 32, 269 + fragment.size());
    EXPECT_EQ(data.substr(0, 97), expected);
    EXPECT_EQ(data.substr(269, fragment.size()), fragment);
    EXPECT_EQ(data.substr(269 + fragment.size()), std::string("<!--EndFragment--></body></html>") + '\0');
}

TEST_F(ExportTest, CsvTakesTheLocalesListSeparatorAndUnknownFormatsGiveNothing)
{
    AddColumns({u"x", u"y"});
    Add(nullptr, {u"1", u"2"});
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, 8);
    std::string sep = core::ToAnsi(core::String(reinterpret_cast<const char16_t*>(separator)));
    std::string csv = Block(tree->ContentToClipboard(uint16_t(RegisterClipboardFormatW(L"CSV")), tstAll));
    EXPECT_EQ(csv, "x" + sep + "y\r\n1" + sep + "2\r\n" + '\0');
    EXPECT_EQ(tree->ContentToClipboard(CF_BITMAP, tstAll), nullptr);
}

TEST_F(ExportTest, CustomExportRaisesOnlyEvents)
{
    AddColumns({u"x"});
    tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() | hoVisible));
    Add(nullptr, {u"1"});
    std::string log;
    tree->OnBeforeTreeExport = [&](TBaseVirtualTree*, TVTExportType t) { log += t == etCustom ? "T" : "?"; };
    tree->OnAfterTreeExport = [&](TBaseVirtualTree*, TVTExportType) { log += "t"; };
    tree->OnColumnExport = [&](TBaseVirtualTree*, TVTExportType, TVirtualTreeColumn*) { log += "C"; };
    tree->OnNodeExport = [&](TBaseVirtualTree*, TVTExportType, PVirtualNode) { log += "N"; return true; };
    tree->ContentToCustom(tstAll);
    EXPECT_EQ(log, "TCNt");
    tree->OnBeforeTreeExport = nullptr;
    tree->OnAfterTreeExport = nullptr;
    tree->OnColumnExport = nullptr;
    tree->OnNodeExport = nullptr;
}

TEST_F(ExportTest, CaptionsTravelInNodeStreamsWithSaveCaptions)
{
    PVirtualNode a = Add(nullptr, {u"甲"});
    Add(a, {u"乙"});
    Add(nullptr, {u""});   // an empty caption writes no chunk
    tree->ValidateNode(nullptr, true);
    auto& options = tree->StringTreeOptions();
    options.SetStringOptions(TVTStringOptions(options.StringOptions() | toSaveCaptions));
    core::MemoryStream stream;
    tree->SaveToStream(stream);
    // Three nodes of 33 bytes, two caption chunks of 8 + 2 bytes.
    EXPECT_EQ(stream.Size(), 16 + 3 * 33 + 2 * 10);

    std::vector<core::String> received;
    tree->OnNewText = [&](TBaseVirtualTree*, PVirtualNode, TColumnIndex, core::StringView text) {
        received.push_back(core::String(text));
    };
    stream.SetPosition(0);
    tree->LoadFromStream(stream);
    EXPECT_EQ(received, (std::vector<core::String>{u"乙", u"甲"}));
    EXPECT_EQ(tree->TotalCount(), 3u);
}

} // namespace
} // namespace treeview::test
