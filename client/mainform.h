// Tfrmmain: the main window. Its creation runs the login; then it shows the node list by area, the
// connection choices and the status line, owns the tray icon, timers, dial-up components, the
// thread pool and the latency worker, and ends the process when it closes.
//
// The handlers live in several files: this window's own (layout, menus, areas and nodes, show,
// close) in mainform_win32.cpp; connecting and the connection watch in mainform_connect_win32.cpp and
// mainform_relay_win32.cpp; the batch latency test and the tree's handlers in
// mainform_batch_win32.cpp. Each of those files declares its members only in its block below.
#pragma once

#include "core/win32.h"
#include "ui/form.h"
#include "ui/frame.h"

// Types of the connecting block.
#include "client/connwatch.h"
#include "client/protocol.h"
#include "core/tick.h"
#include "dialup/rasstate.h"

#include <memory>

namespace core {
class Object;
}
namespace ui {
class Label;
class Memo;
class Panel;
class StatusBar;
class Timer;
class MainMenu;
class PopupMenu;
class MenuItem;
class WebPane;
}
namespace skin {
class TsButton;
class TsComboBox;
class TsLabel;
class TsRadioButton;
class TsGroupBox;
class TsPanel;
class TsStatusBar;
class TsFrameBar;
class TsTitleItem;
class TsSplitter;
}
namespace support {
class TThreadPool;
class TThreadComponent;
}
namespace dialup {
class TRasCon;
class TRasEdt;
class TRasPer;
}
namespace treeview {
class TBaseVirtualTree;
class TreeWindowPort;
class TCanvas;
struct TVirtualNode;
struct TRect;
}

namespace client {

class Tfrmlogin;
class TTrayIcon;
struct ps;

class Tfrmmain : public ui::Form {
public:
    explicit Tfrmmain(core::Component* owner);
    ~Tfrmmain() override;

    // ---- Visible parts ----
    skin::TsGroupBox* GroupBox2 = nullptr;
    skin::TsLabel* sLabel2 = nullptr;       // "选择地区："
    skin::TsComboBox* AreaTxt2 = nullptr;   // area choice
    skin::TsButton* btn_speed = nullptr;    // "批量测速"
    skin::TsLabel* sLabel3 = nullptr;       // "选择节点："
    skin::TsComboBox* IPAddrTxt = nullptr;  // node choice
    skin::TsLabel* sLabel4 = nullptr;       // "连接协议："
    skin::TsRadioButton* rb_pptp = nullptr;
    skin::TsRadioButton* rb_lp2p = nullptr;
    ui::Memo* Memo1 = nullptr;
    ui::Memo* Memo2 = nullptr;
    treeview::TBaseVirtualTree* vt1 = nullptr;  // node list, four columns
    ui::WebPane* web2 = nullptr;                // news pane
    skin::TsButton* btn_conn = nullptr;
    skin::TsButton* btn_disconn = nullptr;
    skin::TsButton* cesu = nullptr;             // "测速"
    skin::TsPanel* Panel1 = nullptr;            // status line
    ui::Label* statuslabel = nullptr;
    ui::Label* datalabel = nullptr;
    ui::Label* userlabel = nullptr;

    // ---- Parts outside the visible area (state holders) ----
    ui::StatusBar* StatusBar1 = nullptr;        // panels of widths 200, 220, 200
    skin::TsStatusBar* sb001 = nullptr;
    skin::TsFrameBar* sb = nullptr;             // area title bar
    skin::TsComboBox* AreaTxt = nullptr;        // hidden twin of AreaTxt2
    skin::TsLabel* sLabel1 = nullptr;           // "加速方式："
    skin::TsComboBox* com_game = nullptr;       // acceleration mode, disabled, never filled
    skin::TsPanel* pan_button = nullptr;
    skin::TsButton* btn_zz = nullptr;           // relay, "启用中转(&Z)"
    ui::Label* lbl_info = nullptr;              // pool load, "PNA/PNA"
    skin::TsGroupBox* GroupBox1 = nullptr;      // "帐户信息"
    ui::Label* Lab_card = nullptr;              // "有效时间:"
    ui::Label* LabelSpeed = nullptr;
    ui::Label* LabelDataXmit = nullptr;
    ui::Label* LabelDataRecv = nullptr;
    ui::Label* connname = nullptr;
    ui::Label* clientip = nullptr;
    ui::Label* serverip = nullptr;
    ui::Label* Label1 = nullptr;
    ui::Label* Label2 = nullptr;
    skin::TsSplitter* sSplitter1 = nullptr;     // width 0, disabled

    // ---- Non-visual parts ----
    TTrayIcon* TrayIcon1 = nullptr;
    support::TThreadPool* tp1 = nullptr;
    support::TThreadComponent* pingthread = nullptr;
    std::unique_ptr<dialup::TRasCon> ras1;      // main connection
    std::unique_ptr<dialup::TRasCon> ras2;      // relay connection
    std::unique_ptr<dialup::TRasEdt> rase1;
    std::unique_ptr<dialup::TRasEdt> rase2;
    std::unique_ptr<dialup::TRasPer> rasp1;
    ui::Timer* dialupcheck = nullptr;   // 11000 ms
    ui::Timer* rast12 = nullptr;        // 3000 ms, enabled
    ui::Timer* rast2 = nullptr;         // 3000 ms
    ui::Timer* statuscheck1 = nullptr;  // 4000 ms
    ui::Timer* statuscheck2 = nullptr;  // 16000 ms
    ui::Timer* statuscheck = nullptr;   // 118000 ms
    ui::Timer* Timer2 = nullptr;        // 1000 ms
    ui::Timer* Timer1 = nullptr;        // 10000 ms, enabled, no handler

    // ---- Menus ----
    ui::MainMenu* mm1 = nullptr;
    ui::MenuItem* N2 = nullptr;      // "帐户管理"
    ui::MenuItem* N3 = nullptr;      // "帐户充值"
    ui::MenuItem* N4 = nullptr;      // "修改密码"
    ui::MenuItem* H1 = nullptr;      // "帮助中心(&H)"
    ui::MenuItem* V1 = nullptr;      // "用户须知", Ctrl+L, hidden
    ui::MenuItem* A1 = nullptr;      // "帮助中心", hidden
    ui::MenuItem* N1 = nullptr;      // "关于"
    ui::MenuItem* O1 = nullptr;      // "系统设置(&O)", hidden
    ui::MenuItem* L2TPQ1 = nullptr;  // "L2TP强制生效", Ctrl+K
    ui::PopupMenu* taskmenu1 = nullptr;
    ui::MenuItem* N9 = nullptr;      // "显示主界面"
    ui::MenuItem* N7 = nullptr;      // "退出"
    ui::MenuItem* N8 = nullptr;      // "关于"
    ui::MenuItem* N5 = nullptr;      // "连接", hidden
    ui::MenuItem* N6 = nullptr;      // "断开", hidden

    // ---- Start-up, show and close ----
    void FormCreate(core::Object* sender);
    void FormShow(core::Object* sender);
    void FormCloseQuery(core::Object* sender, bool& canClose);
    void FormClose(core::Object* sender, ui::CloseAction& action);

    // ---- Menus ----
    void N3Click(core::Object* sender);
    void N4Click(core::Object* sender);
    void V1Click(core::Object* sender);
    void A1Click(core::Object* sender);
    void N1Click(core::Object* sender);
    void N9Click(core::Object* sender);
    void N7Click(core::Object* sender);

    // ---- Areas and nodes ----
    void BuildAreaLists();
    void ShowAreaNodes(core::Object* sender);
    void CreateEmptyFrame(core::Object* sender, ui::TFrame*& frame);
    void AreaTxt2Change(core::Object* sender);
    // The message that refuses an area change while the batch test runs.
    void RefuseAreaChange();
    void AreaTxtChange(core::Object* sender);
    void vt1Click(core::Object* sender);
    void vt1DblClick(core::Object* sender);
    void com_gameChange(core::Object* sender);
    void com_gameClick(core::Object* sender);
    void com_gameKeyPress(core::Object* sender, char16_t& key);
    // Adds a row per node of the section to the tree.
    void FillTree(const core::String& section);
    // The record of a row (the tree's per-node data).
    ps* NodeRecord(treeview::TVirtualNode* node) const;
    skin::TsTitleItem* _zz = nullptr;  // item of the first section
    skin::TsTitleItem* _XZ = nullptr;  // highlighted item

    // Statuses that the login writes (panel 0 and 2 of StatusBar1, statuslabel, userlabel).
    void SetLoginStatus(const core::String& userText);

    // ---- connecting, connection watch, relay and L2TP (mainform_connect, mainform_relay)

    // Assigns the events of the parts these files own (buttons, timers, tray items "连接"/"断开",
    // menu item "L2TP强制生效").
    void WireConnection();
    void btn_connClick(core::Object* sender);
    void btn_disconnClick(core::Object* sender);
    // Hangs up the main connection and deletes its phonebook entry.
    void HangUpMain();
    // Hangs up the relay and deletes its phonebook entry.
    void HangUpRelay();
    void L2TPQ1Click(core::Object* sender);
    // Connection watch (mainform_connect_win32.cpp).
    void dialupcheckTimer(core::Object* sender);
    void rast12Timer(core::Object* sender);
    // The traffic texts emptied (every connect, disconnect and failure).
    void ClearTrafficText();
    // The traffic label as wide as its text (at least its place), the user's label beside it.
    void FitTrafficLabel();
    static constexpr int kTrafficLabelWidth = 222;
    static constexpr int kUserLabelLeft = 436;
    void statuscheck1Timer(core::Object* sender);
    void statuscheck2Timer(core::Object* sender);
    void statuscheckTimer(core::Object* sender);
    void Timer2Timer(core::Object* sender);
    // The state every end of an attempt or of a connection restores, with its status text.
    void IdleControls(const core::String& status);
    // Relay and L2TP (mainform_relay_win32.cpp).
    void btn_zzClick(core::Object* sender);
    void rast2Timer(core::Object* sender);
    void AskForceL2tp();
    enum class L2tpPreparation { WriteFailed, ValueWritten, Done };
    L2tpPreparation ForceL2tp();
    // Waits ms milliseconds handling messages; returns early when the application ends.
    void WaitPumping(unsigned ms);
    // The clock WaitPumping measures with (null: the system's); tests pass their own.
    void SetWaitClock(core::Clock* clock) { m_wait_clock = clock; }
    // Whether a relay dial of this window is current (dialling or up).
    bool RelayActive() const { return m_relay_active; }

private:
    struct RelayLink;
    void LockControls();
    void SetStatusPanel(int index, const core::String& text);
    void SetStatusLabel(const core::String& text, bool red);
    void FillEntryBasics(dialup::TRasEdt& edit, bool l2tp, const core::String& server);
    void FillEntrySecurity(dialup::TRasEdt& edit);
    PollResult PollMain();
    ReportFields MainReportFields();
    HttpReply PostReport(bool stop);
    void ReportTick(ReportKind kind);
    void WireRelay();
    void EndRelayDial();
    static void ras2StateChanged(const std::weak_ptr<RelayLink>& link, dialup::TRasCon& sender);
    void RelayStateChanged(const dialup::TRasStateRec& record, uint64_t generation);
    void AnnounceL2tp(L2tpPreparation result, const core::String& done);
    bool m_main_seen_connected = false;  // a poll of the current attempt has seen it connected
    bool m_relay_active = false;
    std::shared_ptr<RelayLink> m_relay_link;
    core::Clock* m_wait_clock = nullptr;

public:

    // ---- end of connecting block


    // ---- batch latency test and node tree handlers (mainform_batch)

    // Makes the node tree vt1: the string tree window control in report mode with its four columns.
    void CreateNodeTree();
    // Assigns the events of the batch test button, the worker, the pool, the tree and "测速".
    void WireBatchTest();
    // "批量测速" / "暂停测速": starts or stops the batch latency test.
    void btn_speedClick(core::Object* sender);
    // After each pass: repaint the tree and show the pool load in lbl_info.
    void ShowPoolLoad();
    // The tree's handlers.
    void vt1GetText(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node, int column, core::String& cellText);
    void vt1DrawText(treeview::TBaseVirtualTree* sender, treeview::TCanvas* canvas, treeview::TVirtualNode* node,
                     int column, const treeview::TRect& cellRect, bool& defaultDraw);
    void vt1CompareNodes(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node1,
                         treeview::TVirtualNode* node2, int column, int& result);
    // Finalises a row's record when the tree frees it.
    void vt1FreeNode(treeview::TBaseVirtualTree* sender, treeview::TVirtualNode* node);
    // "测速": the speed test of the chosen node in the speed-test window.
    void cesuClick(core::Object* sender);
    // Makes the speed-test window (program entry).
    static ui::Form* CreateSpeedForm(core::Component* owner);
    // The batch test's state (its pacing, requests and hand-over of results); tests read its figures.
    struct BatchState;
    BatchState& Batch() const { return *m_batch; }
    std::shared_ptr<BatchState> m_batch;  // destroyed before the pool and the worker component

    // ---- end of batch block

private:
    void CreateComponents();
    void CreateMenus();
    Tfrmlogin* _frmlogin = nullptr;
    int m_area_index = -1;        // the area choice the tree's nodes come from
    bool m_area_refused = false;  // a refused change in the open area list, told at its close
    std::unique_ptr<treeview::TreeWindowPort> m_vt1_port;
    std::unique_ptr<treeview::TBaseVirtualTree> m_vt1;
};

// The globals of the windows.
extern Tfrmmain* frmmain;
extern Tfrmlogin* frmlogin;
extern ui::Form* Form1;

} // namespace client
