// The main window after a login against the substitute service: the area title bar, area and
// node choices and tree rows for a table of node lists, area changes, the tree's click, menus
// and their URLs, the close query both ways, the tray's exit item and minimising to the tray.
#include "client/test/clientfixture_win32.h"

#include "client/connwatch.h"
#include "client/nodelist.h"
#include "client/protocol.h"

#include "core/fileio.h"
#include "dialup/rascon.h"
#include "skin/controls/button.h"
#include "skin/controls/combobox.h"
#include "skin/controls/framebar.h"
#include "skin/controls/panel.h"
#include "skin/controls/statusbar.h"
#include "treeview/string_tree.h"
#include "treeview/unit_services.h"
#include "treeview/virtual_tree.h"
#include "ui/label.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/statusbar.h"
#include "ui/webpane.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace client::test {
namespace {

using core::String;
using Names = std::vector<String>;

// A real main connection (the simulated library connects every dial), as the state poll would
// have seen it: the disconnect reports only a connection it finds up.
void ConnectForReal(Tfrmmain* form)
{
    form->btn_connClick(nullptr);
    for (int i = 0; i < 250; ++i) {
        ui::App().ProcessMessages();
        if (form->ras1->GetConnectStatusEx(h_vpnconn, 0) == 0 && form->ras1->ConnectState() == 8192)
            break;
        Sleep(20);
    }
    vpn_connected = true;
}

const char kAccounts[] = "[account demo]\npassword=demo123\ninfo=包月\ndial=issued\ndial_user=vu\ndial_password=vp\n";

class MainFormTest : public ClientTest {
protected:
    Tfrmmain* LoggedIn(const std::string& areas = {})
    {
        if (!areas.empty())
            UseData(std::string(kAccounts) + areas);
        Tfrmmain* form = MakeMain(TypeLogin(u"demo", u"demo123"));
        EXPECT_TRUE(login_ok);
        return form;
    }

    static Names Items(skin::TsComboBox* box)
    {
        Names out;
        for (int i = 0; i < box->Items().Count(); ++i)
            out.push_back(box->Items()[i]);
        return out;
    }
    static Names Titles(Tfrmmain* form)
    {
        Names out;
        for (int i = 0; i < form->sb->Items().Count(); ++i)
            out.push_back(form->sb->Items()[i]->Caption());
        return out;
    }
    static std::vector<ps> Rows(Tfrmmain* form)
    {
        std::vector<ps> out;
        for (auto node = form->vt1->GetFirst(); node; node = form->vt1->GetNext(node))
            out.push_back(*form->NodeRecord(node));
        return out;
    }
    static Names RowNames(Tfrmmain* form)
    {
        Names out;
        for (const ps& row : Rows(form))
            out.push_back(row.name);
        return out;
    }
};

TEST_F(MainFormTest, NodeListMatrix)
{
    const struct {
        const char* name;
        std::string areas;
        Names titles, areaChoices, nodeChoices, rows;
        bool first_item;
    } cases[] = {
        {"areas and a reserved one",
         "[area 华东电信]\n上海电信1=127.0.0.11,98%,1\n杭州电信=127.0.0.13,90%,0\n[area 华南网通]\n广州网通=127.0.0.21,97%,1\n"
         "[area 海外加速]\n香港=127.0.0.31,99%,1\n",
         {u"华东电信", u"华南网通"}, {u"华东电信", u"华南网通", u"海外加速"}, {u"上海电信1", u"杭州电信"},
         {u"上海电信1", u"杭州电信"}, true},
        {"reserved section first", "[area Route]\nr1=10.0.0.1,1%,1\n[area 华东]\n节点1=1.2.3.4,98%,1\n",
         {u"华东"}, {u"Route", u"华东"}, {u"r1"}, {}, false},
        {"duplicate sections", "[area 华东]\na=1.1.1.1,1%,1\n[area 华北]\nb=2.2.2.2,2%,1\n[area 华东]\nc=3.3.3.3,3%,0\n",
         {u"华东", u"华北", u"华东"}, {u"华东", u"华北", u"华东"}, {u"c"}, {u"c"}, true},
        {"malformed values", "[area 华东]\n节点1=1.2.3.4,98%,1\n空=\n坏=5.5.5.5,,x\n短=6.6.6.6,99%\n节点2=5.6.7.8,95%,0\n",
         {u"华东"}, {u"华东"}, {u"节点1", u"空", u"坏", u"短", u"节点2"}, {u"节点1", u"坏", u"短", u"节点2"}, true},
        {"empty list", "", {}, {}, {}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseData(std::string(kAccounts) + c.areas);
        Tfrmmain* form = MakeMain(TypeLogin(u"demo", u"demo123"));
        ASSERT_TRUE(login_ok);
        EXPECT_EQ(Titles(form), c.titles);
        EXPECT_EQ(Items(form->AreaTxt2), c.areaChoices);
        EXPECT_EQ(Items(form->AreaTxt), c.areaChoices);
        EXPECT_EQ(form->AreaTxt2->ItemIndex(), c.areaChoices.empty() ? -1 : 0);
        EXPECT_EQ(Items(form->IPAddrTxt), c.nodeChoices);
        EXPECT_EQ(form->IPAddrTxt->ItemIndex(), c.nodeChoices.empty() ? -1 : 0);
        EXPECT_EQ(form->_zz != nullptr, c.first_item);
        EXPECT_TRUE(Rows(form).empty());  // until the window shows
        form->Show();
        EXPECT_EQ(RowNames(form), c.rows);
        EXPECT_TRUE(m_errors.empty());
        main.reset();
        ResetGlobals();
        Pump();
    }
}

TEST_F(MainFormTest, RowsCarryTheNodeFields)
{
    Tfrmmain* form = LoggedIn("[area 华东]\n节点1=1.2.3.4,98%,1\n节点2=5.6.7.8,95%,0\n坏=9.9.9.9,,1\n");
    form->Show();
    const auto rows = Rows(form);
    ASSERT_EQ(rows.size(), 3u);
    const struct {
        const char16_t *ip, *rate, *l2tp;
    } expected[] = {{u"1.2.3.4", u"98%", u"支持"}, {u"5.6.7.8", u"95%", u"不支持"}, {u"9.9.9.9", u"", u"支持"}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].ip, expected[i].ip);
        EXPECT_EQ(rows[i].delay, u"NA");
        EXPECT_EQ(rows[i].lostpacket, expected[i].rate);
        EXPECT_EQ(rows[i].sendtimes, expected[i].l2tp);
        EXPECT_EQ(rows[i].losttimes, 0);
    }
    EXPECT_EQ(form->vt1->NodeDataSize(), int32_t(sizeof(ps)));
}

TEST_F(MainFormTest, TitleBarHighlightsTheChosenArea)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    auto* first = form->sb->Items()[0]->TitleButton;
    auto* second = form->sb->Items()[1]->TitleButton;
    EXPECT_EQ(first->Font().FontColor(), ui::clGreen);
    EXPECT_EQ(first->Font().Style(), unsigned(ui::fsBold));
    second->Click();
    EXPECT_EQ(first->Font().FontColor(), ui::clWindowText);
    EXPECT_EQ(first->Font().Style(), 0u);
    EXPECT_EQ(second->Font().FontColor(), ui::clGreen);
    EXPECT_EQ(form->_XZ, form->sb->Items()[1]);
    EXPECT_EQ(RowNames(form), (Names{u"广州网通"}));
    // The node choice stays with the first area.
    EXPECT_EQ(form->IPAddrTxt->Items()[0], u"上海电信1");

    ping_running = true;
    first->Click();
    ping_running = false;
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"请先关闭Ping测试");
    EXPECT_EQ(m_box.Calls()[0].flags, unsigned(ui::mbOK | ui::mbIconInformation));
    EXPECT_EQ(RowNames(form), (Names{u"广州网通"}));
}

TEST_F(MainFormTest, AreaChoiceFillsTreeAndNodes)
{
    Tfrmmain* form = LoggedIn(std::string("[area 华东]\na=1.1.1.1,1%,1\n[area 空区]\n[area 海外加速]\n香港=7.7.7.7,99%,1\n"));
    form->Show();
    form->AreaTxt2->SetItemIndex(2);
    form->AreaTxt2Change(form->AreaTxt2);
    EXPECT_EQ(RowNames(form), (Names{u"香港"}));
    EXPECT_EQ(Items(form->IPAddrTxt), (Names{u"香港"}));
    EXPECT_EQ(form->sb->Items()[0]->TitleButton->Font().FontColor(), ui::clWindowText);

    // An area without nodes leaves no node chosen.
    form->AreaTxt2->SetItemIndex(1);
    form->AreaTxt2Change(form->AreaTxt2);
    EXPECT_TRUE(RowNames(form).empty());
    EXPECT_TRUE(Items(form->IPAddrTxt).empty());
    EXPECT_EQ(form->IPAddrTxt->ItemIndex(), -1);

    ping_running = true;
    form->AreaTxt2->SetItemIndex(0);
    form->AreaTxt2Change(form->AreaTxt2);
    ping_running = false;
    EXPECT_EQ(m_box.Calls().size(), 1u);
    EXPECT_TRUE(RowNames(form).empty());
    EXPECT_EQ(form->AreaTxt2->ItemIndex(), 1) << "a refused change puts the previous area back";

    form->AreaTxt->SetItemIndex(2);
    form->AreaTxtChange(form->AreaTxt);
    EXPECT_EQ(Items(form->IPAddrTxt), (Names{u"香港"}));
}

TEST_F(MainFormTest, ArrowKeysInTheOpenAreaListAreRefusedOnceDuringTheBatchTest)
{
    Tfrmmain* form = LoggedIn(std::string("[area 华东]\na=1.1.1.1,1%,1\n[area 华南]\nb=2.2.2.2,1%,1\n[area 华北]\nc=3.3.3.3,1%,1\n"));
    form->Show();
    form->AreaTxt2->SetFocus();
    ping_running = true;
    form->AreaTxt2->SetDroppedDown(true);
    ASSERT_TRUE(form->AreaTxt2->DroppedDown());
    for (int i = 0; i < 3; ++i) {
        SendMessageW(form->AreaTxt2->Handle(), WM_KEYDOWN, VK_DOWN, 0);
        ui::App().ProcessMessages();
    }
    EXPECT_TRUE(m_box.Calls().empty()) << "nothing while the list is open";
    EXPECT_EQ(form->AreaTxt2->ItemIndex(), 0);
    form->AreaTxt2->SetDroppedDown(false);
    ui::App().ProcessMessages();
    ping_running = false;
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"请先关闭Ping测试");
    EXPECT_EQ(form->AreaTxt2->ItemIndex(), 0);
    EXPECT_EQ(RowNames(form), (Names{u"a"}));
}

TEST_F(MainFormTest, TheHiddenPartsLieOutsideTheClientArea)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    const std::pair<const char*, ui::Control*> hidden[] = {
        {"sb", form->sb}, {"StatusBar1", form->StatusBar1}, {"sb001", form->sb001}, {"AreaTxt", form->AreaTxt}};
    for (const auto& [name, control] : hidden)
        EXPECT_GE(control->Left(), 715) << name;
    EXPECT_EQ(form->sb->Top(), 0);
    EXPECT_EQ(form->sb->Width(), 150);
}

TEST_F(MainFormTest, TheWindowAndTheTrayShowTheProgramsIcon)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    const HICON own = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(HICON(SendMessageW(form->Handle(), WM_GETICON, ICON_BIG, 0)), own);
    EXPECT_NE(SendMessageW(form->Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    HICON trayIcon = nullptr;
    for (const auto& call : tray.calls)
        if (call.message == NIM_ADD)
            trayIcon = call.data.hIcon;
    ASSERT_NE(trayIcon, nullptr);
    EXPECT_NE(trayIcon, LoadIconW(nullptr, IDI_APPLICATION));
}

TEST_F(MainFormTest, TheFirstColumnTakesWhatTheOthersLeave)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    Pump();
    auto& tree = dynamic_cast<treeview::TVirtualStringTree&>(*form->vt1);
    RECT client{};
    GetClientRect(tree.Handle(), &client);
    // The other columns keep the definition's widths (80, 60, 60) unless their caption needs more.
    const int defined[] = {170, 80, 60, 60};
    int others = 0, expectedOthers = 0;
    for (int i = 1; i < tree.Header().Columns().Count(); ++i) {
        others += tree.Header().Columns()[i].Width();
        expectedOthers += std::max(defined[i], tree.HeaderCaptionWidth(i));
    }
    EXPECT_EQ(others, expectedOthers);
    EXPECT_EQ(tree.Header().Columns()[0].Width(), client.right - others);
}

// Every caption of the node list's header is drawn whole, with few rows and with enough rows for the
// scroll bar: its extent in the header's font, with the column's margins (and the sort glyph beside
// the sort column's caption), fits the column's width, and the columns end inside the client area.
TEST_F(MainFormTest, TheHeaderCaptionsFitTheirColumns)
{
    struct Case {
        const char* what;
        int rows;
        bool bar;
    };
    const Case cases[] = {{"three rows", 3, false}, {"forty rows", 40, true}, {"three rows again", 3, false}};
    // One area per row count, in the order of the cases' first use.
    std::string areas;
    for (int rows : {3, 40}) {
        areas += "[area " + std::to_string(rows) + "]\n";
        for (int i = 0; i < rows; ++i)
            areas += "节点" + std::to_string(i) + "=10.0.0." + std::to_string(i + 1) + ",98%,1\n";
    }
    Tfrmmain* form = LoggedIn(areas);
    form->Show();
    Pump();
    auto& tree = dynamic_cast<treeview::TVirtualStringTree&>(*form->vt1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form->sb->Items()[c.rows == 3 ? 0 : 1]->TitleButton->Click();
        Pump();
        ASSERT_EQ(int(tree.RootNodeCount()), c.rows);
        EXPECT_EQ(bool(GetWindowLongPtrW(tree.Handle(), GWL_STYLE) & WS_VSCROLL), c.bar);
        treeview::TVirtualTreeColumns& columns = tree.Header().Columns();
        ASSERT_EQ(columns.Count(), 4);
        RECT client{};
        GetClientRect(tree.Handle(), &client);
        HDC dc = GetDC(tree.Handle());
        HGDIOBJ old = SelectObject(dc, tree.HeaderFont().Handle());
        const int sortGlyph = treeview::UtilityImages() ? treeview::UtilityImages()->Width() : 0;
        int right = 0;
        for (int i = 0; i < columns.Count(); ++i) {
            treeview::TVirtualTreeColumn& column = columns[i];
            const std::wstring caption(column.Text().begin(), column.Text().end());
            SCOPED_TRACE(i);
            SIZE extent{};
            ASSERT_TRUE(GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &extent));
            // The header lays a caption out in its extent plus two pixels, between the column's
            // margins, inside the button's 2-pixel edges.
            int needed = 2 + column.Margin() + extent.cx + 2 + column.Margin() + 2;
            if (i == tree.Header().SortColumn())
                needed += column.Spacing() + sortGlyph;
            EXPECT_LE(needed, column.Width()) << "caption extent " << extent.cx;
            right += column.Width();
        }
        EXPECT_LE(right, client.right);
        SelectObject(dc, old);
        ReleaseDC(tree.Handle(), dc);
    }
}

// The buttons draw their captions in the font the window definition gives them: the window's "宋体"
// 12 pixels in GB2312, bold; "连接" and "断开" also keep the definition's lime font colour.
TEST_F(MainFormTest, ButtonsUseTheDefinitionsFont)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    Pump();
    const struct {
        skin::TsButton* button;
        const char16_t* caption;
        bool lime;
    } cases[] = {
        {form->btn_conn, u"连接", true},
        {form->btn_disconn, u"断开", true},
        {form->btn_speed, u"批量测速", false},
        {form->cesu, u"测速", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.caption, c.caption + std::char_traits<char16_t>::length(c.caption)));
        EXPECT_EQ(c.button->Caption(), c.caption);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.button->Handle(), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << "the window has the control's font";
        LOGFONTW logFont{};
        ASSERT_EQ(GetObjectW(font, sizeof(logFont), &logFont), int(sizeof(logFont)));
        EXPECT_STREQ(logFont.lfFaceName, L"宋体");
        EXPECT_EQ(logFont.lfHeight, -12);
        EXPECT_EQ(logFont.lfWeight, FW_BOLD);
        EXPECT_EQ(logFont.lfCharSet, 134);
        EXPECT_FALSE(logFont.lfItalic);
        EXPECT_FALSE(logFont.lfUnderline);
        EXPECT_EQ(c.button->Font().FontColor(), c.lime ? ui::clLime : ui::clWindowText);
    }
}

TEST_F(MainFormTest, TheTrafficLabelShowsItsWholeText)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    const String userText = form->userlabel->Caption();
    const struct {
        uint32_t sent, received;
    } cases[] = {{10 * 1024, 20 * 1024}, {1234 * 1024, 5678 * 1024}, {123456 * 1024, 3000000 * 1024u}};
    for (const auto& c : cases) {
        form->datalabel->SetCaption(TrafficText(c.sent, c.received, 3723000));
        form->FitTrafficLabel();
        ui::Label probe(nullptr);
        probe.SetParent(form->Panel1);
        probe.Font().Assign(form->datalabel->Font());
        probe.SetCaption(form->datalabel->Caption());
        probe.SetAutoSize(true);
        EXPECT_GE(form->datalabel->Width(), probe.Width()) << "the online time is not cut";
        EXPECT_GE(form->datalabel->Width(), Tfrmmain::kTrafficLabelWidth);
        EXPECT_GE(form->userlabel->Left(), form->datalabel->Left() + form->datalabel->Width());
        EXPECT_EQ(form->userlabel->Caption(), userText);
    }
    form->ClearTrafficText();
    EXPECT_EQ(form->datalabel->Width(), Tfrmmain::kTrafficLabelWidth);
    EXPECT_EQ(form->userlabel->Left(), Tfrmmain::kUserLabelLeft);
}

TEST_F(MainFormTest, ALargeAreaFillsTheTreeInOneUpdate)
{
    std::string area = "[area 大区]\n";
    for (int i = 1; i <= 3000; ++i)
        area += "节点" + std::to_string(i) + "=127.0.0." + std::to_string(i % 250) + ",9" + std::to_string(i % 10) +
                "%," + std::to_string(i % 2) + "\n";
    Tfrmmain* form = LoggedIn(area);
    // Every row added on its own would cost the tree a structure change with its scroll-bar update
    // and repaint; the fill makes one.
    int structureChanges = 0;
    form->vt1->OnStructureChange = [&](treeview::TBaseVirtualTree*, treeview::PVirtualNode, treeview::TChangeReason) {
        ++structureChanges;
    };
    form->Show();
    form->vt1->OnStructureChange = nullptr;
    EXPECT_EQ(form->vt1->RootNodeCount(), 3000u);
    EXPECT_EQ(structureChanges, 1);
    EXPECT_EQ(form->IPAddrTxt->Items().Count(), 3000);
    EXPECT_EQ(SendMessageW(form->IPAddrTxt->Handle(), CB_GETCOUNT, 0, 0), 3000);
    EXPECT_EQ(form->IPAddrTxt->Items()[2999], u"节点3000");
}

TEST_F(MainFormTest, TreeClickChoosesTheNode)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    form->vt1Click(form);
    EXPECT_EQ(form->IPAddrTxt->ItemIndex(), 0);  // no row focused: nothing changes
    auto second = form->vt1->GetNext(form->vt1->GetFirst());
    form->vt1->SetFocusedNode(second);
    form->vt1DblClick(form);
    EXPECT_EQ(form->IPAddrTxt->Text(), u"上海电信2");
}

TEST_F(MainFormTest, AccelerationModeChoiceIsInert)
{
    Tfrmmain* form = LoggedIn();
    EXPECT_FALSE(form->com_game->Enabled());
    EXPECT_EQ(form->com_game->Items().Count(), 0);
    core::Char key = u'a';
    form->com_gameKeyPress(form->com_game, key);
    EXPECT_EQ(key, 0);
    form->com_game->Items().Add(u"海外加速");
    form->com_game->SetItemIndex(0);
    form->com_gameChange(form->com_game);
    EXPECT_EQ(form->Memo2->Text(),
              u"海外加速模式：只有连接海外数据时通过vpn代理通道，包括海外游戏/网站等，连接国内数据走自己本地网络，实现优化网速");
}

TEST_F(MainFormTest, MenusOpenTheServicePages)
{
    Tfrmmain* form = LoggedIn();
    const String app = u"http://127.0.0.1:" + core::IntToStr(server->AppPort());
    const String content = u"http://127.0.0.1:" + core::IntToStr(server->ContentPort());
    form->N3->Click();
    form->N4->Click();
    EXPECT_FALSE(form->V1->Visible());
    EXPECT_TRUE(form->IsShortCut('L', ui::ssCtrl));  // the hidden "用户须知"
    form->A1->Click();
    EXPECT_EQ(urls.Urls(), (Names{app + u"/zirovadi/useradmin", app + u"/zirovadi/useradmin/",
                                  content + u"/divezevor2011/about.htm", content + u"/divezevor2011/help.htm"}));

    form->N1->Click();
    form->N8->Click();
    ASSERT_EQ(m_box.Calls().size(), 2u);
    for (const auto& call : m_box.Calls()) {
        EXPECT_EQ(call.text, u"客户端");
        EXPECT_EQ(call.caption, u"关于");
        EXPECT_EQ(call.flags, unsigned(ui::mbOK));
    }

    // Ctrl+K reaches the forced L2TP preparation inside the hidden "系统设置".
    int forced = 0;
    form->L2TPQ1->OnClick = [&](core::Object*) { ++forced; };
    EXPECT_FALSE(form->O1->Visible());
    EXPECT_TRUE(form->IsShortCut('K', ui::ssCtrl));
    EXPECT_EQ(forced, 1);
}

TEST_F(MainFormTest, ShowsTheNewsOfTheChosenHost)
{
    LoadScenario("host=127.0.0.1 path=netcheck.php status=503");
    Tfrmmain* form = LoggedIn();
    EXPECT_EQ(form->web2->LocationURL(), u"http://127.0.0.2:" + core::IntToStr(server->ContentPort()) + u"/divezevor2011/news.htm");
    EXPECT_TRUE(form->TrayIcon1->Enabled());
    EXPECT_EQ(form->TrayIcon1->Hint(), u"客户端");
    EXPECT_EQ(tray.icons, 1);
}

TEST_F(MainFormTest, CloseWhileConnectedAnsweredNoMinimises)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    vpn_connected = true;
    own_account = false;
    m_box.Answer(ui::idNo);
    form->Close();
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"VPN正在连接,关闭将断开VPN连接,你确定要关闭吗");
    EXPECT_EQ(m_box.Calls()[0].caption, u"客户端");
    EXPECT_EQ(m_box.Calls()[0].flags, unsigned(ui::mbYesNo | ui::mbIconQuestion));
    EXPECT_TRUE(exits.empty());
    EXPECT_TRUE(vpn_connected);
    EXPECT_TRUE(ui::App().IsMinimized());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));  // hidden to the tray
    EXPECT_EQ(LastBody("stopcheck.php"), "<none>");
}

TEST_F(MainFormTest, CloseWhileConnectedAnsweredYesReportsAndExits)
{
    const struct {
        bool own;
        bool reported;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.own);
        Tfrmmain* form = LoggedIn();
        form->Show();
        str_apppath = core::GetTempDirectory();
        for (const char16_t* name : {u"route.bat", u"delroute.bat"})
            core::FileClose(core::FileCreate(str_apppath + name));
        ConnectForReal(form);
        own_account = c.own;
        str_uniqueid = u"u1";
        m_box.Answer(ui::idYes);
        form->Close();
        EXPECT_EQ(exits, std::vector<int>{0});
        EXPECT_FALSE(vpn_connected);
        EXPECT_EQ(tray.icons, 0);
        EXPECT_FALSE(core::FileExists(str_apppath + u"route.bat"));
        EXPECT_FALSE(core::FileExists(str_apppath + u"delroute.bat"));
        const std::string body = LastBody("stopcheck.php");
        if (c.reported)
            EXPECT_NE(body.find("uniqueid=u1&username=demo"), std::string::npos) << body;
        else
            EXPECT_EQ(body, "<none>");
        main.reset();
        exits.clear();
        m_box.Clear();
        service.Log().Clear();
        ResetGlobals();
        Pump();
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ui::App().ClearTerminated();
    }
}

TEST_F(MainFormTest, TrayExitWhileConnectedReportsWithoutAsking)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    ConnectForReal(form);
    own_account = false;
    form->N7->Click();
    EXPECT_TRUE(m_box.Calls().empty());
    EXPECT_NE(LastBody("stopcheck.php"), "<none>");
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(MainFormTest, MinimiseHidesToTheTrayAndAClickRestores)
{
    Tfrmmain* form = LoggedIn();
    form->Show();
    ASSERT_TRUE(IsWindowVisible(form->Handle()));
    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    SendMessageW(form->TrayIcon1->Handle(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(IsIconic(form->Handle()));
    EXPECT_FALSE(ui::App().IsMinimized());

    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    form->N9->Click();  // "显示主界面"
    EXPECT_TRUE(IsWindowVisible(form->Handle()));

    // The right button shows the tray menu.
    int popups = 0;
    form->TrayIcon1->PopupHook = [&](int, int) { ++popups; };
    SendMessageW(form->TrayIcon1->Handle(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDOWN);
    EXPECT_EQ(popups, 1);
}

} // namespace
} // namespace client::test
