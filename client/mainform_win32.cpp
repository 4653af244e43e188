// The main window: layout, menus, start-up with the login, areas and nodes, show and close.
#include "client/mainform.h"

#include "client/globals.h"
#include "client/loginform.h"
#include "client/nodelist.h"
#include "client/place.h"
#include "client/protocol.h"
#include "client/tools.h"
#include "client/trayicon.h"

#include "core/fileio.h"
#include "dialup/rascon.h"
#include "dialup/rasedt.h"
#include "dialup/rasper.h"
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/combobox.h"
#include "skin/controls/frame.h"
#include "skin/controls/framebar.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/controls/splitter.h"
#include "skin/controls/statusbar.h"
#include "support/threadcomponent.h"
#include "support/threadpool.h"
#include "treeview/virtual_tree.h"
#include "ui/application.h"
#include "ui/label.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/messagebox.h"
#include "ui/shortcut.h"
#include "ui/statusbar.h"
#include "ui/timer.h"
#include "ui/urlopener.h"
#include "ui/webpane.h"

namespace client {

using core::String;

Tfrmmain* frmmain = nullptr;
Tfrmlogin* frmlogin = nullptr;
ui::Form* Form1 = nullptr;

namespace {

ui::Timer* MakeTimer(core::Component* owner, unsigned interval, bool enabled)
{
    auto* timer = new ui::Timer(owner);
    timer->SetInterval(interval);
    timer->SetEnabled(enabled);
    return timer;
}

ui::Label* MakeLabel(core::Component* owner, ui::WinControl* parent, int left, int top, const char16_t* caption)
{
    auto* label = Place(new ui::Label(owner), parent, left, top, 0, 0);
    label->SetCaption(caption);
    return label;
}

ui::MenuItem* MakeItem(core::Component* owner, ui::MenuItem* parent, const char16_t* caption, bool visible = true,
                       ui::ShortCut shortcut = ui::scNone)
{
    auto* item = new ui::MenuItem(owner);
    item->SetCaption(caption);
    item->SetVisible(visible);
    item->SetShortCut(shortcut);
    parent->Add(item);
    return item;
}

template <class T>
T* Unaligned(T* control)
{
    control->SetAlign(ui::alNone);
    return control;
}

void Highlight(skin::TsTitleItem* item, bool on)
{
    if (!item || !item->TitleButton)
        return;
    item->TitleButton->Font().SetColor(on ? ui::clGreen : ui::clWindowText);
    item->TitleButton->Font().SetStyle(on ? ui::FontStyles(ui::fsBold) : ui::FontStyles(0));
}

const char16_t* const kModes[][2] = {
    {u"全局加速", u"全局模式：最常用的连接方式，整个网络的代理，所有操作全部走VPN通道"},
    {u"海外加速", u"海外加速模式：只有连接海外数据时通过vpn代理通道，包括海外游戏/网站等，连接国内数据走自己本地网络，实现优化网速"},
    {u"电信加速", u"电信加速模式：只有连接电信数据时通过vpn代理通道，连接网通或者海外等数据全部走本地网络，实现优化网速"},
    {u"网通加速", u"网通加速模式：只有连接网通数据时通过vpn代理通道，连接电信或者海外等数据全部走本地网络，实现优化网速"},
};

} // namespace

Tfrmmain::Tfrmmain(core::Component* owner) : ui::Form(owner)
{
    frmmain = this;
    SetBorderStyle(ui::bsSingle);
    SetBorderIcons(ui::biSystemMenu | ui::biMinimize);
    SetPosition(ui::poScreenCenter);
    UseDefinitionFont(*this);
    CreateComponents();
    CreateMenus();
    SetClientSize(696, 415);  // below the menu bar

    OnCreate = [this](core::Object* s) { FormCreate(s); };
    OnShow = [this](core::Object* s) { FormShow(s); };
    OnCloseQuery = [this](core::Object* s, bool& c) { FormCloseQuery(s, c); };
    OnClose = [this](core::Object* s, ui::CloseAction& a) { FormClose(s, a); };
    WireConnection();
    WireBatchTest();
}

Tfrmmain::~Tfrmmain()
{
    // Rows go before the window whose handlers finalise them.
    if (vt1)
        vt1->Clear();
    if (frmmain == this)
        frmmain = nullptr;
}

void Tfrmmain::CreateComponents()
{
    // ---- Connection choices ----
    GroupBox2 = Place(new skin::TsGroupBox(this), this, 5, -4, 302, 185);
    sLabel2 = Place(new skin::TsLabel(this), GroupBox2, 0, 17, 0, 0);
    sLabel2->SetCaption(u"选择地区：");
    AreaTxt2 = Place(new skin::TsComboBox(this), GroupBox2, 60, 13, 144, 0);
    AreaTxt2->SetStyle(ui::csDropDownList);
    btn_speed = Place(new skin::TsButton(this), GroupBox2, 210, 9, 81, 24);
    btn_speed->SetCaption(u"批量测速");
    btn_speed->Font().SetStyle(ui::fsBold);
    sLabel3 = Place(new skin::TsLabel(this), GroupBox2, 0, 43, 0, 0);
    sLabel3->SetCaption(u"选择节点：");
    IPAddrTxt = Place(new skin::TsComboBox(this), GroupBox2, 60, 39, 231, 0);
    IPAddrTxt->SetStyle(ui::csDropDownList);
    sLabel4 = Place(new skin::TsLabel(this), GroupBox2, 0, 68, 0, 0);
    sLabel4->SetCaption(u"连接协议：");
    rb_pptp = Place(new skin::TsRadioButton(this), GroupBox2, 74, 65, 46, 20);
    rb_pptp->SetCaption(u"PPTP");
    rb_pptp->SetChecked(true);
    rb_lp2p = Place(new skin::TsRadioButton(this), GroupBox2, 124, 65, 46, 20);
    rb_lp2p->SetCaption(u"L2TP");
    Memo1 = Place(new ui::Memo(this), GroupBox2, 6, 102, 288, 30);
    Memo1->SetBorderStyle(ui::bsNoBorder);
    Memo1->SetReadOnly(true);
    Memo1->SetText(u"PPTP连接：最常用的连接方式，连接速度快而稳定，适合大部分网络");
    Memo2 = Place(new ui::Memo(this), GroupBox2, 3, 138, 288, 30);
    Memo2->SetBorderStyle(ui::bsNoBorder);
    Memo2->SetReadOnly(true);
    Memo2->SetText(u"L2TP连接方式：适合少数网吧网络/教育网/铁通网/公司局域网等多样化网络");

    // ---- Node tree (mainform_batch) ----
    CreateNodeTree();

    web2 = Place(ui::CreateWebPane(this), this, 6, 272, 302, 121);
    btn_conn = Place(new skin::TsButton(this), this, 24, 215, 60, 24);
    btn_conn->SetCaption(u"连接");
    btn_conn->Font().SetStyle(ui::fsBold);
    btn_conn->Font().SetColor(ui::clLime);
    btn_disconn = Place(new skin::TsButton(this), this, 120, 215, 60, 24);
    btn_disconn->SetCaption(u"断开");
    btn_disconn->Font().SetStyle(ui::fsBold);
    btn_disconn->Font().SetColor(ui::clLime);
    btn_disconn->SetEnabled(false);
    cesu = Place(new skin::TsButton(this), this, 224, 215, 60, 25);
    cesu->SetCaption(u"测速");
    cesu->Font().SetStyle(ui::fsBold);

    Panel1 = Place(new skin::TsPanel(this), this, 0, 395, 695, 20);
    statuslabel = MakeLabel(this, Panel1, 6, 5, u"未连接");
    statuslabel->SetAutoSize(false);
    statuslabel->SetWidth(203);
    datalabel = MakeLabel(this, Panel1, 208, 6, u"");
    datalabel->SetAutoSize(false);
    datalabel->SetWidth(kTrafficLabelWidth);
    userlabel = MakeLabel(this, Panel1, kUserLabelLeft, 5, u"");
    userlabel->SetAutoSize(false);
    userlabel->SetWidth(496);

    // ---- Outside the visible area: state holders the logic writes ----
    // The two status bars, the area title bar and the splitter would align themselves to an edge;
    // these sit outside.
    StatusBar1 = Unaligned(new ui::StatusBar(this));
    Place(StatusBar1, this, 715, 300, 620, 19);
    for (int width : {200, 220, 200})
        StatusBar1->AddPanel()->SetWidth(width);
    sb001 = Place(Unaligned(new skin::TsStatusBar(this)), this, 715, 330, 620, 19);
    sb = Place(Unaligned(new skin::TsFrameBar(this)), this, 715, 0, 150, 280);
    sb->SetAnimation(false);
    AreaTxt = Place(new skin::TsComboBox(this), this, 880, 10, 144, 0);
    AreaTxt->SetStyle(ui::csDropDownList);
    sLabel1 = Place(new skin::TsLabel(this), this, 880, 44, 0, 0);
    sLabel1->SetCaption(u"加速方式：");
    com_game = Place(new skin::TsComboBox(this), this, 940, 40, 144, 0);
    com_game->SetStyle(ui::csDropDownList);
    com_game->SetEnabled(false);
    pan_button = Place(new skin::TsPanel(this), this, 880, 80, 200, 40);
    btn_zz = Place(new skin::TsButton(this), pan_button, 4, 8, 90, 24);
    btn_zz->SetCaption(u"启用中转(&Z)");
    lbl_info = MakeLabel(this, pan_button, 100, 12, u"PNA/PNA");
    GroupBox1 = Place(new skin::TsGroupBox(this), this, 880, 130, 200, 160);
    GroupBox1->SetCaption(u"帐户信息");
    Lab_card = MakeLabel(this, GroupBox1, 8, 20, u"有效时间:");
    LabelSpeed = MakeLabel(this, GroupBox1, 8, 40, u"");
    LabelDataXmit = MakeLabel(this, GroupBox1, 8, 56, u"");
    LabelDataRecv = MakeLabel(this, GroupBox1, 8, 72, u"");
    connname = MakeLabel(this, GroupBox1, 8, 88, u"");
    clientip = MakeLabel(this, GroupBox1, 8, 104, u"");
    serverip = MakeLabel(this, GroupBox1, 8, 120, u"");
    Label1 = MakeLabel(this, GroupBox1, 100, 20, u"");
    Label2 = MakeLabel(this, GroupBox1, 100, 40, u"");
    sSplitter1 = Place(Unaligned(new skin::TsSplitter(this)), this, 1100, 0, 0, 100);
    sSplitter1->SetEnabled(false);

    // ---- Non-visual parts ----
    TrayIcon1 = new TTrayIcon(this, nullptr, true);
    TrayIcon1->SetEnabled(false);
    TrayIcon1->SetAnimate(true);
    TrayIcon1->RestoreOn = ticLeftClick;
    TrayIcon1->PopupMenuOn = ticRightClick;
    TrayIcon1->Loaded();
    tp1 = new support::TThreadPool(this);
    pingthread = new support::TThreadComponent(this);
    ras1 = std::make_unique<dialup::TRasCon>();
    ras2 = std::make_unique<dialup::TRasCon>();
    rase1 = std::make_unique<dialup::TRasEdt>();
    rase2 = std::make_unique<dialup::TRasEdt>();
    rasp1 = std::make_unique<dialup::TRasPer>();
    dialupcheck = MakeTimer(this, 11000, false);
    rast12 = MakeTimer(this, 3000, true);
    rast2 = MakeTimer(this, 3000, false);
    statuscheck1 = MakeTimer(this, 4000, false);
    statuscheck2 = MakeTimer(this, 16000, false);
    statuscheck = MakeTimer(this, 118000, false);
    Timer2 = MakeTimer(this, 1000, false);
    Timer1 = MakeTimer(this, 10000, true);  // no handler: it never ticks

    AreaTxt2->OnChange = [this](core::Object* s) { AreaTxt2Change(s); };
    AreaTxt2->OnCloseUp = [this](core::Object*) {
        if (m_area_refused)
            RefuseAreaChange();
    };
    AreaTxt->OnChange = [this](core::Object* s) { AreaTxtChange(s); };
    com_game->OnChange = [this](core::Object* s) { com_gameChange(s); };
    com_game->OnClick = [this](core::Object* s) { com_gameClick(s); };
    com_game->OnKeyPress = [this](core::Object* s, core::Char& key) { com_gameKeyPress(s, key); };
}

void Tfrmmain::CreateMenus()
{
    mm1 = new ui::MainMenu(this);
    ui::MenuItem* root = mm1->Items();
    N2 = MakeItem(this, root, u"帐户管理");
    N3 = MakeItem(this, N2, u"帐户充值");
    N4 = MakeItem(this, N2, u"修改密码");
    H1 = MakeItem(this, root, u"帮助中心(&H)");
    V1 = MakeItem(this, H1, u"用户须知", false, ui::MakeShortCut('L', ui::ssCtrl));
    A1 = MakeItem(this, H1, u"帮助中心", false);
    N1 = MakeItem(this, H1, u"关于");
    O1 = MakeItem(this, root, u"系统设置(&O)", false);
    L2TPQ1 = MakeItem(this, O1, u"L2TP强制生效", true, ui::MakeShortCut('K', ui::ssCtrl));
    SetMenu(mm1);

    taskmenu1 = new ui::PopupMenu(this);
    ui::MenuItem* tray = taskmenu1->Items();
    N9 = MakeItem(this, tray, u"显示主界面");
    N7 = MakeItem(this, tray, u"退出");
    N8 = MakeItem(this, tray, u"关于");
    N5 = MakeItem(this, tray, u"连接", false);
    N6 = MakeItem(this, tray, u"断开", false);
    TrayIcon1->SetPopupMenu(taskmenu1);

    N3->OnClick = [this](core::Object* s) { N3Click(s); };
    N4->OnClick = [this](core::Object* s) { N4Click(s); };
    V1->OnClick = [this](core::Object* s) { V1Click(s); };
    A1->OnClick = [this](core::Object* s) { A1Click(s); };
    N1->OnClick = [this](core::Object* s) { N1Click(s); };
    N9->OnClick = [this](core::Object* s) { N9Click(s); };
    N7->OnClick = [this](core::Object* s) { N7Click(s); };
    N8->OnClick = [this](core::Object* s) { N1Click(s); };
}

// ---- Start-up, show and close ----

void Tfrmmain::FormCreate(core::Object*)
{
    LoadIpHlpApi();
    SetCaption(ui::App().Title());
    _frmlogin = new Tfrmlogin(nullptr);
    std::unique_ptr<Tfrmlogin> login(_frmlogin);
    login->AfterConstruction();
    if (BeforeLoginShown)
        BeforeLoginShown(*login);
    login->ShowModal();
    login.reset();
    _frmlogin = nullptr;
    if (!login_ok) {
        ui::App().Halt(0);
        return;
    }
    web2->Navigate(ContentUrl(str_host, kNewsPath));
    TrayIcon1->SetEnabled(true);
    TrayIcon1->SetHint(Caption());
    vt1->SetNodeDataSize(int32_t(sizeof(ps)));
    BuildAreaLists();
}

void Tfrmmain::FormShow(core::Object*)
{
    if (_zz && _zz->TitleButton)
        _zz->TitleButton->Click();
}

void Tfrmmain::FormCloseQuery(core::Object*, bool& canClose)
{
    if (!vpn_connected)
        return;
    const int answer = ui::App().MessageBox(u"VPN正在连接,关闭将断开VPN连接,你确定要关闭吗", ui::App().Title(),
                                            ui::mbYesNo | ui::mbIconQuestion);
    if (answer == ui::idYes) {
        // Ends the connection as the "断开" button does, report to the service included.
        btn_disconnClick(this);
        return;
    }
    canClose = false;
    if (HandleAllocated())
        SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void Tfrmmain::FormClose(core::Object*, ui::CloseAction&)
{
    ping_running = false;
    HangUpRelay();
    HangUpMain();
    TrayIcon1->SetEnabled(false);
    core::DeleteFileW(str_apppath + u"delroute.bat");
    core::DeleteFileW(str_apppath + u"route.bat");
    ras1.reset();
    rasp1.reset();
    rase1.reset();
    ui::App().Halt(0);
}

void Tfrmmain::SetLoginStatus(const String& userText)
{
    StatusBar1->Panels(2)->SetText(userText);
    userlabel->SetCaption(userText);
    StatusBar1->Panels(0)->SetText(u"未连接");
    statuslabel->SetCaption(u"未连接");
}

// ---- Menus ----

void Tfrmmain::N3Click(core::Object*) { ui::OpenUrl(AppUrl(str_host, kRechargePath)); }
void Tfrmmain::N4Click(core::Object*) { ui::OpenUrl(AppUrl(str_host, kAccountPath)); }
void Tfrmmain::V1Click(core::Object*) { ui::OpenUrl(ContentUrl(str_host, kAboutPath)); }
void Tfrmmain::A1Click(core::Object*) { ui::OpenUrl(ContentUrl(str_host, kHelpPath)); }
void Tfrmmain::N1Click(core::Object*) { ui::App().MessageBox(u"客户端", u"关于", ui::mbOK); }
void Tfrmmain::N9Click(core::Object*) { TrayIcon1->RestoreApp(); }

void Tfrmmain::N7Click(core::Object*)
{
    if (vpn_connected)
        btn_disconnClick(this);
    Close();
}

// ---- Areas and nodes ----

ps* Tfrmmain::NodeRecord(treeview::TVirtualNode* node) const
{
    return node ? vt1->GetNodeData<ps>(node) : nullptr;
}

void Tfrmmain::FillTree(const String& section)
{
    if (!nodeini)
        return;
    // One update for the whole fill: otherwise every row would cost the tree a scroll-bar update, a
    // repaint request and a round trip with its cache-building thread.
    vt1->BeginUpdate();
    try {
        // Each row goes straight into its node: a list of them first would be megabytes of fresh
        // memory for a large area.
        ForEachNodeRow(*nodeini, section, [this](ps&& row) {
            treeview::PVirtualNode node = vt1->AddChild(nullptr);
            // The tree's data block is raw memory: the record is made in it and finalised when the
            // row is freed (vt1FreeNode).
            new (vt1->GetNodeData(node)) ps(std::move(row));
        });
    } catch (...) {
        vt1->EndUpdate();
        throw;
    }
    vt1->EndUpdate();
}

namespace {

// Replaces a choice's entries in one update of its window: a node list can hold thousands of nodes.
void FillChoice(skin::TsComboBox* box, const std::vector<String>& entries)
{
    core::Strings& items = box->Items();
    items.BeginUpdate();
    try {
        items.Clear();
        for (const String& entry : entries)
            items.Add(entry);
    } catch (...) {
        items.EndUpdate();
        throw;
    }
    items.EndUpdate();
}

} // namespace

void Tfrmmain::BuildAreaLists()
{
    sb->Items().Clear();
    _zz = _XZ = nullptr;
    const std::vector<String> areas = nodeini ? AreaNames(*nodeini) : std::vector<String>();
    for (size_t i = 0; i < areas.size(); ++i) {
        if (IsReservedSection(areas[i]))
            continue;
        skin::TsTitleItem* item = sb->Items().Add();
        item->OnClick = [this](core::Object* s) { ShowAreaNodes(s); };
        item->OnCreateFrame = [this](core::Object* s, skin::TFrame*& f) { CreateEmptyFrame(s, f); };
        item->SetCaption(areas[i]);
        if (areas[i] == areas.front())
            _zz = _XZ = item;
    }
    for (skin::TsComboBox* box : {AreaTxt2, AreaTxt}) {
        FillChoice(box, areas);
        box->SetItemIndex(areas.empty() ? -1 : 0);
    }
    m_area_index = AreaTxt2->ItemIndex();
    FillChoice(IPAddrTxt, !areas.empty() && nodeini ? NodeNames(*nodeini, AreaTxt->Items()[AreaTxt->ItemIndex()])
                                                    : std::vector<String>());
    IPAddrTxt->SetItemIndex(IPAddrTxt->Items().Count() > 0 ? 0 : -1);
    com_game->Clear();
}

void Tfrmmain::CreateEmptyFrame(core::Object*, skin::TFrame*& frame)
{
    frame = new skin::TFrame(this);
    frame->SetBounds(0, 0, 0, 0);
}

void Tfrmmain::ShowAreaNodes(core::Object* sender)
{
    if (ping_running) {
        ui::App().MessageBox(u"请先关闭Ping测试", ui::App().Title(), ui::mbOK | ui::mbIconInformation);
        return;
    }
    auto* button = dynamic_cast<skin::TsTitleButton*>(sender);
    if (!button || !button->TitleItem)
        return;
    Highlight(_XZ, false);
    vt1->Clear();
    Highlight(button->TitleItem, true);
    _XZ = button->TitleItem;
    FillTree(button->Caption());
}

void Tfrmmain::AreaTxt2Change(core::Object*)
{
    if (ping_running) {
        // The box keeps showing the area whose nodes the tree holds, so that a connect uses it.
        AreaTxt2->SetItemIndex(m_area_index);
        // In the open list every arrow key is a change: the refusal comes once, when it closes.
        if (AreaTxt2->DroppedDown())
            m_area_refused = true;
        else
            RefuseAreaChange();
        return;
    }
    Highlight(_XZ, false);
    vt1->Clear();
    const int index = AreaTxt2->ItemIndex();
    m_area_index = index;
    if (index < 0 || !nodeini)
        return;
    const String section = AreaTxt2->Items()[index];
    FillTree(section);
    // An area without nodes leaves no node of another area chosen.
    FillChoice(IPAddrTxt, NodeNames(*nodeini, section));
    IPAddrTxt->SetItemIndex(IPAddrTxt->Items().Count() > 0 ? 0 : -1);
}

void Tfrmmain::RefuseAreaChange()
{
    m_area_refused = false;
    ui::App().MessageBox(u"请先关闭Ping测试", ui::App().Title(), ui::mbOK | ui::mbIconInformation);
}

void Tfrmmain::AreaTxtChange(core::Object*)
{
    const int index = AreaTxt->ItemIndex();
    FillChoice(IPAddrTxt, index >= 0 && nodeini ? NodeNames(*nodeini, AreaTxt->Items()[index]) : std::vector<String>());
    IPAddrTxt->SetItemIndex(IPAddrTxt->Items().Count() > 0 ? 0 : -1);
}

void Tfrmmain::vt1Click(core::Object*)
{
    const ps* record = NodeRecord(vt1->FocusedNode());
    if (!record)
        return;
    IPAddrTxt->SetItemIndex(IPAddrTxt->Items().IndexOf(record->name));
}

void Tfrmmain::vt1DblClick(core::Object* sender) { vt1Click(sender); }

void Tfrmmain::com_gameChange(core::Object*)
{
    const String text = com_game->Text();
    for (const auto& mode : kModes)
        if (text == mode[0])
            Memo2->SetText(mode[1]);
}

void Tfrmmain::com_gameClick(core::Object*)
{
    // Choosing a mode changes nothing: the modes were never put to work.
}

void Tfrmmain::com_gameKeyPress(core::Object*, char16_t& key) { key = 0; }

} // namespace client
