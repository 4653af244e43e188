// Printing the tree to metafile pages (the test machine has no printer): how many pages a tree
// takes, each page's picture stretched over the whole page, white ground with grid lines where
// the rows end, and a tree far too tall for one bitmap printed page by page.
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"
#include "ui/printer.h"

#include <psapi.h>
#include <vector>

namespace treeview::test {
namespace {

class Printing : public TreeInForm<TVirtualStringTree> {
protected:
    Printing()
    {
        TVTHeader& header = tree->Header();
        header.SetOptions(header.Options() | hoVisible);
        header.SetHeight(20);
        for (int width : {120, 80})
            header.Columns().Add().SetWidth(width);
        tree->SetDefaultNodeHeight(20);
        auto& options = tree->TreeOptions();
        options.SetPaintOptions(TVTPaintOptions(options.PaintOptions() | toShowHorzGridLines));
        tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType, core::String& text) {
            text.clear();
        };
        form->Show();
        Pump();
    }
    ~Printing() override
    {
        tree->OnGetText = nullptr;
        form.reset();
    }
};

// The records of one kind in a metafile.
std::vector<EMRSTRETCHDIBITS> StretchRecords(HENHMETAFILE page)
{
    std::vector<EMRSTRETCHDIBITS> records;
    EnumEnhMetaFile(
        nullptr, page,
        [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
            if (record->iType == EMR_STRETCHDIBITS)
                reinterpret_cast<std::vector<EMRSTRETCHDIBITS>*>(data)->push_back(
                    *reinterpret_cast<const EMRSTRETCHDIBITS*>(record));
            return 1;
        },
        &records, nullptr);
    return records;
}

TEST_F(Printing, PagesAcrossAndDownAreTheImageOverThePageRoundedUp)
{
    // The columns make the tree 200 pixels wide; rows are 20 high, the header 20.
    struct Case {
        int pageWidth, pageHeight;
        uint32_t rows;
        bool header;
        int pages;
    } cases[] = {
        {200, 100, 5, false, 1},  // exactly one page wide and tall: no blank second page
        {200, 100, 5, true, 2},   // the header pushes the last row onto a second page
        {100, 100, 5, false, 2},  // two across
        {150, 60, 6, true, 2 * 3}, // two across, 140 pixels down over 60-pixel pages
    };
    for (const Case& c : cases) {
        tree->SetRootNodeCount(c.rows);
        ui::MetafilePrinter printer(c.pageWidth, c.pageHeight);
        tree->Print(&printer, c.header);
        EXPECT_EQ(int(printer.Pages().size()), c.pages) << c.pageWidth << "x" << c.pageHeight << " " << c.header;
        EXPECT_FALSE(printer.Printing());
        for (HENHMETAFILE page : printer.Pages()) {
            std::vector<EMRSTRETCHDIBITS> stretches = StretchRecords(page);
            ASSERT_EQ(stretches.size(), 1u);
            EXPECT_EQ(stretches[0].xDest, 0);
            EXPECT_EQ(stretches[0].yDest, 0);
            EXPECT_EQ(stretches[0].cxDest, c.pageWidth);
            EXPECT_EQ(stretches[0].cyDest, c.pageHeight - 1);
        }
    }
    // Without a printer nothing happens.
    tree->Print(nullptr, true);
}

TEST_F(Printing, APageShowsWhiteGroundAndGridLinesWhereRowsEnd)
{
    tree->SetColor(ui::clYellow);
    tree->SetRootNodeCount(3);
    BYTE quality = 0;
    tree->OnGetText = [&](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType, core::String& text) {
        quality = tree->Font().Quality();
        text.clear();
    };
    ui::MetafilePrinter printer(200, 101);
    tree->Print(&printer, false);
    ASSERT_EQ(printer.Pages().size(), 1u);
    EXPECT_EQ(quality, ANTIALIASED_QUALITY);          // text is drawn antialiased on paper
    EXPECT_EQ(tree->Font().Quality(), DEFAULT_QUALITY); // and the screen's quality is back
    EXPECT_EQ(tree->GetColor(), ui::clYellow);          // as is the tree's colour
    std::vector<uint32_t> pixels = printer.RenderPage(0);
    auto at = [&](int x, int y) { return pixels.at(size_t(y) * 200 + size_t(x)); };
    auto darkOnRow = [&](int y) {
        int dark = 0;
        for (int x = 30; x < 110; ++x)
            dark += at(x, y) != 0xFFFFFF;
        return dark;
    };
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(at(60, row * 20 + 10), 0xFFFFFFu) << row; // white, not the tree's colour
        // The dotted line along the row's bottom (the picture is stretched one pixel short of the
        // page, so a line may land one row higher).
        EXPECT_GT(std::max(darkOnRow(row * 20 + 19), darkOnRow(row * 20 + 18)), 20) << row;
    }
    EXPECT_EQ(darkOnRow(75), 0); // below the rows: white
}

TEST_F(Printing, AHundredThousandRowsPrintPageByPage)
{
    tree->SetRootNodeCount(100000);
    ui::MetafilePrinter printer(200, 2000);
    printer.SetKeepPages(false);
    PROCESS_MEMORY_COUNTERS_EX before{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
    tree->Print(&printer, true);
    PROCESS_MEMORY_COUNTERS_EX after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
    // 20 header pixels and 2,000,000 row pixels over 2000-pixel pages.
    EXPECT_EQ(printer.PageCount(), 1001);
    // The whole tree as one bitmap would be 1.6 GB; page by page stays small.
    if (before.PeakPagefileUsage && after.PeakPagefileUsage) {
        EXPECT_LT(after.PeakPagefileUsage - before.PeakPagefileUsage, SIZE_T(64) << 20);
    }
}

} // namespace
} // namespace treeview::test
