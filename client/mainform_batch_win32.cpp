// The batch latency test and the node tree of the main window: the tree's making and handlers
// (texts, colour bands, latency order, release of records), the "批量测速" button with the test's
// worker and pool, and "测速" with the speed-test window.
#include "client/mainform.h"

#include "client/batchstate.h"
#include "client/globals.h"
#include "client/nodelist.h"
#include "client/place.h"
#include "client/speedform.h"

#include "skin/controls/button.h"
#include "skin/controls/combobox.h"
#include "skin/controls/statusbar.h"
#include "support/threadcomponent.h"
#include "support/threadpool.h"
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/label.h"

#include <algorithm>

namespace client {

using core::String;
using treeview::PVirtualNode;

namespace {

constexpr uint32_t kSelectionColor = 0x7D6D37;  // $00BBGGRR: RGB 55, 109, 125

// The mean of two $00BBGGRR colours, channel by channel.
uint32_t MixColors(uint32_t a, uint32_t b)
{
    uint32_t mixed = 0;
    for (int shift = 0; shift < 24; shift += 8)
        mixed |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2) << shift;
    return mixed;
}

} // namespace

void Tfrmmain::CreateNodeTree()
{
    auto* tree = new treeview::TVirtualStringTree(this);
    // Set up as a window definition is loaded: column 0's auto-size must not squeeze the other columns
    // while the window has no size yet.
    tree->BeginLoad();
    tree->SetLoading(true);
    Place(tree, this, 311, 0, 383, 395);
    treeview::TVTHeader& header = tree->Header();
    header.SetOptions(treeview::hoColumnResize | treeview::hoDblClickResize | treeview::hoDrag |
                      treeview::hoShowSortGlyphs | treeview::hoVisible | treeview::hoAutoResize);
    header.SetStyle(treeview::hsXPStyle);
    const int widths[] = {170, 80, 60, 60};
    const char16_t* captions[] = {u"线路名称", u"延时(ms)", u"在线率", u"L2TP支持"};
    for (int i = 0; i < 4; ++i) {
        treeview::TVirtualTreeColumn& column = header.Columns().Add();
        column.SetWidth(widths[i]);
        column.SetText(captions[i]);
    }
    header.SetAutoSizeIndex(0);
    header.SetDefaultHeight(22);
    header.SetHeight(22);
    header.SetSortColumn(1);
    header.SetSortDirection(treeview::sdAscending);
    // The definition's widths leave a caption such as "L2TP支持" short of the room the header lays it
    // out in (button edges, margins): such a column is widened to hold its whole caption, and the
    // auto-size column gives up the room.
    for (int i = 0; i < header.Columns().Count(); ++i)
        if (i != header.AutoSizeIndex())
            header.Columns()[i].SetWidth(std::max(header.Columns()[i].Width(), tree->HeaderCaptionWidth(i)));

    treeview::TCustomStringTreeOptions& options = tree->StringTreeOptions();
    options.SetMiscOptions(treeview::TVTMiscOptions(treeview::toReportMode | treeview::toFullRepaintOnResize |
                                                    treeview::toWheelPanning | treeview::toToggleOnDblClick));
    options.SetSelectionOptions(treeview::toFullRowSelect | treeview::toSiblingSelectConstraint);
    options.SetPaintOptions(treeview::toHideFocusRect | treeview::toShowHorzGridLines | treeview::toShowTreeLines |
                            treeview::toThemeAware | treeview::toUseBlendedImages);
    options.SetAnimationOptions(treeview::toAnimatedToggle | treeview::toAdvancedAnimatedToggle);
    options.SetAutoOptions(treeview::toAutoExpand | treeview::toAutoScroll | treeview::toAutoSpanColumns |
                           treeview::toAutoTristateTracking | treeview::toAutoDeleteMovedNodes);
    options.SetStringOptions(treeview::toSaveCaptions);
    tree->SetDefaultNodeHeight(20);
    tree->SetMargin(0);
    tree->SetLineStyle(treeview::lsSolid);
    tree->SetDrawSelectionMode(treeview::smBlendedRectangle);
    tree->SetSelectionBlendFactor(200);
    tree->Colors().SetColor(treeview::TVTColors::FocusedSelectionColor, kSelectionColor);
    tree->Colors().SetColor(treeview::TVTColors::FocusedSelectionBorderColor, kSelectionColor);
    static_cast<core::Component*>(tree)->Loaded();
    vt1 = tree;
}

void Tfrmmain::WireBatchTest()
{
    auto* tree = static_cast<treeview::TVirtualStringTree*>(vt1);
    tree->OnGetText = [this](treeview::TBaseVirtualTree* sender, PVirtualNode node, treeview::TColumnIndex column,
                             treeview::TVSTTextType, String& cellText) { vt1GetText(sender, node, column, cellText); };
    tree->OnDrawText = [this](treeview::TBaseVirtualTree* sender, treeview::TCanvas* canvas, PVirtualNode node,
                              treeview::TColumnIndex column, core::StringView, const treeview::TRect& cellRect,
                              bool& defaultDraw) { vt1DrawText(sender, canvas, node, column, cellRect, defaultDraw); };
    tree->OnCompareNodes = [this](treeview::TBaseVirtualTree* sender, PVirtualNode node1, PVirtualNode node2,
                                  treeview::TColumnIndex column, int& result) {
        vt1CompareNodes(sender, node1, node2, column, result);
    };
    // Rows may still be freed while the window itself is being taken apart: the release needs
    // nothing of the window.
    tree->OnFreeNode = [](treeview::TBaseVirtualTree* sender, PVirtualNode node) { FreeNodeRecord<ps>(*sender, node); };
    tree->OnClick = [this](core::Object* sender) { vt1Click(sender); };
    tree->OnDblClick = [this](core::Object* sender) { vt1DblClick(sender); };

    m_batch = std::make_shared<BatchState>(*this);
    m_batch->test.Configure();
    m_batch->target.OnPassDone = [this] { ShowPoolLoad(); };
    m_batch->target.OnEnded = [this] { lbl_info->SetCaption(kPoolLoadIdle); };
    btn_speed->OnClick = [this](core::Object* sender) { btn_speedClick(sender); };
    cesu->OnClick = [this](core::Object* sender) { cesuClick(sender); };
}

void Tfrmmain::btn_speedClick(core::Object*)
{
    sb001->SetSimpleText(u"");
    if (btn_speed->Caption() != kBatchStopCaption) {
        ping_running = true;
        m_batch->test.Start();
        btn_speed->SetCaption(kBatchStopCaption);
        return;
    }
    ping_running = false;
    m_batch->test.Stop();
    btn_speed->SetCaption(kBatchStartCaption);
    m_batch->target.SortRows();
}

void Tfrmmain::ShowPoolLoad()
{
    try {
        vt1->Invalidate();
        lbl_info->SetCaption(PoolLoadText(tp1->TaskCount(), tp1->ThreadCount()));
    } catch (...) {
        // The label keeps its previous text.
    }
}

void Tfrmmain::vt1GetText(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node, int column,
                          String& cellText)
{
    if (const ps* record = sender->GetNodeData<ps>(node))
        cellText = NodeCellText(*record, column);
}

void Tfrmmain::vt1DrawText(treeview::TBaseVirtualTree* sender, treeview::TCanvas* canvas, treeview::TVirtualNode* node,
                           int, const treeview::TRect& cellRect, bool&)
{
    const ps* record = sender->GetNodeData<ps>(node);
    if (!record)
        return;
    const std::optional<uint32_t> band = LatencyBandColor(record->delay);
    if (!band)
        return;  // nothing measured: drawn as usual
    uint32_t fill = *band;
    if (sender->Selected(node)) {
        // The selection's light text would vanish on the light bands: a selected banded row shows
        // its band mixed with the selection colour, under the normal dark text.
        fill = MixColors(fill, kSelectionColor);
        canvas->Font().SetColor(ui::clWindowText);
    }
    canvas->SetBrushColor(ui::Color(fill));
    canvas->SetBrushStyle(ui::bsSolid);
    canvas->FillRect(RECT{cellRect.Left - 4, cellRect.Top, cellRect.Right + 4, cellRect.Bottom});
}

void Tfrmmain::vt1CompareNodes(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node1,
                               treeview::TVirtualNode* node2, int column, int& result)
{
    CompareNodeRecords<ps>(*sender, node1, node2, column, result);
}

void Tfrmmain::vt1FreeNode(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node)
{
    FreeNodeRecord<ps>(*sender, node);
}

void Tfrmmain::cesuClick(core::Object*)
{
    const String node = IPAddrTxt->Text();
    if (core::AnsiLowerCase(node).find(core::AnsiLowerCase(u"选译服务器")) != String::npos) {
        if (IPAddrTxt->CanFocus())
            IPAddrTxt->SetFocus();
        return;
    }
    auto* form = dynamic_cast<TForm1*>(Form1);
    if (!form)
        return;
    const String value = nodeini ? nodeini->ReadString(AreaTxt2->Text(), node, u"") : String();
    form->Measure({node, value, Left(), Top(), cesu});
}

ui::Form* Tfrmmain::CreateSpeedForm(core::Component* owner)
{
    auto* form = new TForm1(owner);
    form->OnRemeasure = [](core::Object*) {
        if (frmmain)
            frmmain->cesuClick(frmmain->cesu);
    };
    return form;
}

} // namespace client
