// The batch latency test and the node tree in the real main window, with scripted echoes per
// address: colour bands and order after a pass, "禁ping" and "NA" rows, the pool-load label, stop and
// at once restart, stop and refill, clicks on rows, and "测速" with the speed-test window.
#include "client/mainform.h"

#include "client/batchstate.h"
#include "client/globals.h"
#include "client/nodelist.h"
#include "client/speedform.h"
#include "client/test/clientfixture_win32.h"
#include "client/test/scriptedechoes.h"
#include "core/convert.h"

#include "skin/controls/button.h"
#include "skin/controls/combobox.h"
#include "support/threadcomponent.h"
#include "support/threadpool.h"
#include "treeview/string_tree.h"
#include "ui/label.h"
#include "ui/test/uitest.h"

#include <algorithm>
#include <chrono>
#include <deque>

using namespace client;
using client::test::Echo;
using client::test::ScriptedEchoes;
using client::test::ScriptedEchoesScope;
using treeview::PVirtualNode;

namespace {

class ScriptedSpeedClient : public TIcmpClient {
public:
    void Ping() override
    {
        hosts.push_back(Host);
        if (OnReply)
            OnReply(this, {35, false});
    }
    std::vector<core::String> hosts;
};

class MainFormBatch : public ui::test::UiTest {
protected:
    MainFormBatch()
    {
        core::SetMainThread();
        nodeini = std::make_unique<support::TStreamIniFile>();
        // Made without its creation handler: no login, the test fills what the login would.
        form.reset(new Tfrmmain(nullptr));
        form->vt1->SetNodeDataSize(int32_t(sizeof(ps)));
        form->Show();
        Pump();
    }
    ~MainFormBatch() override
    {
        form.reset();
        ResetGlobals();
    }

    void Fill(const std::vector<std::pair<const char16_t*, const char16_t*>>& nodes)
    {
        nodeini = std::make_unique<support::TStreamIniFile>();
        for (const auto& [name, ip] : nodes)
            nodeini->WriteString(u"华东", name, core::String(ip) + u",98%,1");
        form->vt1->Clear();
        form->FillTree(u"华东");
        form->AreaTxt2->Items().Clear();
        form->AreaTxt2->Items().Add(u"华东");
        form->AreaTxt2->SetItemIndex(0);
        form->IPAddrTxt->Items().Clear();
        for (const auto& [name, ip] : nodes)
            form->IPAddrTxt->Items().Add(name);
    }

    template <class F>
    bool PumpUntil(F condition, int timeoutMs = 15000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            core::CheckSynchronize(5);
            Pump();
        }
        return true;
    }

    std::vector<core::String> Rows()
    {
        std::vector<core::String> rows;
        for (PVirtualNode node = form->vt1->GetFirst(); node; node = form->vt1->GetNext(node))
            rows.push_back(form->NodeRecord(node)->name + u"=" + form->NodeRecord(node)->delay);
        return rows;
    }

    treeview::TVirtualStringTree& Tree() { return *static_cast<treeview::TVirtualStringTree*>(form->vt1); }
    BatchLatencyTest& Test() { return form->Batch().test; }

    // The colour just left of each row's latency text, where the band is widened, from the tree
    // printed into a bitmap.
    std::vector<COLORREF> LatencyCellColours()
    {
        HWND window = Tree().Handle();
        RECT client{};
        GetClientRect(window, &client);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(window, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT);
        const int x = Tree().Header().Columns()[1].Left() + Tree().TextMargin() - 2;
        std::vector<COLORREF> colours;
        int row = 0;
        for (PVirtualNode node = form->vt1->GetFirst(); node; node = form->vt1->GetNext(node), ++row)
            colours.push_back(GetPixel(dc, x, row * 20 + 10));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return colours;
    }

    std::unique_ptr<Tfrmmain> form;
};

} // namespace

TEST_F(MainFormBatch, TreeIsTheStringTreeWithFourColumnsSortedByLatency)
{
    treeview::TVTHeader& header = Tree().Header();
    ASSERT_EQ(header.Columns().Count(), 4);
    EXPECT_EQ(header.Columns()[0].Text(), u"线路名称");
    EXPECT_EQ(header.Columns()[1].Text(), u"延时(ms)");
    EXPECT_EQ(header.Columns()[2].Text(), u"在线率");
    EXPECT_EQ(header.Columns()[3].Text(), u"L2TP支持");
    EXPECT_EQ(header.SortColumn(), 1);
    // Column 0 takes up what the window's width leaves; the others keep their widths unless the
    // header needs more to show their caption whole.
    const int defined[] = {170, 80, 60, 60};
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(header.Columns()[i].Width(), std::max(defined[i], Tree().HeaderCaptionWidth(i))) << i;
    EXPECT_GT(header.Columns()[0].Width(), 100);
    EXPECT_EQ(form->vt1->DefaultNodeHeight(), 20u);
    Fill({{u"节点1", u"1.2.3.4"}});
    EXPECT_EQ(Tree().Text(form->vt1->GetFirst(), 0), u"节点1");
    EXPECT_EQ(Tree().Text(form->vt1->GetFirst(), 1), u"NA");
    EXPECT_EQ(Tree().Text(form->vt1->GetFirst(), 2), u"98%");
    EXPECT_EQ(Tree().Text(form->vt1->GetFirst(), 3), u"支持");
}

TEST_F(MainFormBatch, PassGivesBandsAndOrderAndNoBandForUnmeasuredRows)
{
    ScriptedEchoesScope scope;
    ScriptedEchoes::Instance().Set("10.0.0.1", {Echo::Reply, 320, 20});
    ScriptedEchoes::Instance().Set("10.0.0.2", {Echo::Timeout, 0, 30});
    ScriptedEchoes::Instance().Set("10.0.0.3", {Echo::Reply, 45});
    ScriptedEchoes::Instance().Set("10.0.0.5", {Echo::Reply, 180});
    ScriptedEchoes::Instance().Set("10.0.0.6", {Echo::ErrorReply, 2});
    ScriptedEchoes::Instance().Set("10.0.0.7", {Echo::Reply, 250});
    // 10.0.0.4 is a name that never resolves: no echo is sent, the row counts a failure.
    Fill({{u"远", u"10.0.0.1"}, {u"静", u"10.0.0.2"}, {u"近", u"10.0.0.3"}, {u"名", u"no-such-host.invalid"},
          {u"中", u"10.0.0.5"}, {u"错", u"10.0.0.6"}, {u"较远", u"10.0.0.7"}});

    form->btn_speed->Click();
    EXPECT_EQ(form->btn_speed->Caption(), u"暂停测速");
    EXPECT_TRUE(ping_running);
    ASSERT_TRUE(PumpUntil([&] { return Test().PassesDone() >= 2; }));
    // The label shows the pool's load after each pass.
    const core::String load = form->lbl_info->Caption();
    EXPECT_NE(load, u"PNA/PNA");
    EXPECT_NE(load.find(u'/'), core::String::npos) << core::ToUtf8(load);

    form->btn_speed->Click();
    EXPECT_EQ(form->btn_speed->Caption(), u"批量测速");
    EXPECT_FALSE(ping_running);
    EXPECT_EQ(Rows(), (std::vector<core::String>{u"近=45", u"中=180", u"较远=250", u"远=320", u"静=禁ping",
                                                 u"名=禁ping", u"错=禁ping"}));
    ASSERT_TRUE(PumpUntil([&] { return form->lbl_info->Caption() == u"PNA/PNA"; }));
    for (PVirtualNode node = form->vt1->GetFirst(); node; node = form->vt1->GetNext(node)) {
        if (form->NodeRecord(node)->delay == u"禁ping") {
            EXPECT_GE(form->NodeRecord(node)->losttimes, 2);
        }
    }

    Tree().Repaint();
    const COLORREF white = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(LatencyCellColours(), (std::vector<COLORREF>{RGB(180, 255, 155), RGB(237, 255, 140), RGB(252, 200, 123),
                                                           RGB(255, 93, 82), white, white, white}));

    // A fresh row that was never measured ("NA") gets no band either.
    Fill({{u"新", u"10.0.0.9"}});
    Tree().Repaint();
    EXPECT_EQ(LatencyCellColours(), std::vector<COLORREF>{white});
}

TEST_F(MainFormBatch, StopAndAtOnceRestartKeepsOneWorkerAndGoesOn)
{
    ScriptedEchoesScope scope;
    ScriptedEchoes::Instance().Set("10.0.1.1", {Echo::Reply, 12});
    ScriptedEchoes::Instance().Set("10.0.1.2", {Echo::Reply, 7});
    Fill({{u"a", u"10.0.1.1"}, {u"b", u"10.0.1.2"}});
    form->btn_speed->Click();
    ASSERT_TRUE(PumpUntil([&] { return ScriptedEchoes::Instance().Sent() >= 1; }));
    form->btn_speed->Click();  // stop inside the pass
    form->btn_speed->Click();  // and start again at once
    EXPECT_EQ(form->pingthread->Count(), 1) << "the worker still in its pass carries on";
    const int passes = Test().PassesDone();
    ASSERT_TRUE(PumpUntil([&] { return Test().PassesDone() >= passes + 2; }));
    EXPECT_EQ(form->pingthread->Count(), 1);
    form->btn_speed->Click();
    EXPECT_EQ(Rows(), (std::vector<core::String>{u"b=7", u"a=12"}));
}

TEST_F(MainFormBatch, StopDropsQueuedEchoesAndARefillSeesNoLateResult)
{
    ScriptedEchoesScope scope;
    std::vector<std::pair<const char16_t*, const char16_t*>> nodes;
    static const char16_t* names[] = {u"n1", u"n2", u"n3", u"n4", u"n5", u"n6"};
    static const char16_t* ips[] = {u"10.0.2.1", u"10.0.2.2", u"10.0.2.3", u"10.0.2.4", u"10.0.2.5", u"10.0.2.6"};
    for (int i = 0; i < 6; ++i) {
        nodes.push_back({names[i], ips[i]});
        ScriptedEchoes::Instance().Set(core::ToUtf8(ips[i]).c_str(), {Echo::Reply, 30, 400});
    }
    Fill(nodes);
    form->btn_speed->Click();
    ASSERT_TRUE(PumpUntil([&] { return ScriptedEchoes::Instance().Sent() >= 3; }));
    form->btn_speed->Click();
    EXPECT_EQ(form->tp1->TaskCount(), 0);
    // The area changes right after the stop: every row is freed while echoes are under way.
    Fill({{u"新", u"10.0.2.9"}});
    ASSERT_TRUE(PumpUntil([&] { return form->lbl_info->Caption() == u"PNA/PNA"; }));
    core::Sleep(500);
    core::CheckSynchronize(50);
    Pump();
    EXPECT_EQ(Rows(), std::vector<core::String>{u"新=NA"});
    EXPECT_GT(Test().ResultsDiscarded(), 0);
}

TEST_F(MainFormBatch, ClickOnARowChoosesItsNode)
{
    Fill({{u"节点1", u"1.2.3.4"}, {u"节点2", u"5.6.7.8"}});
    Pump();
    HWND window = Tree().Handle();
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    Pump();
    EXPECT_EQ(form->IPAddrTxt->ItemIndex(), 1);
}

TEST_F(MainFormBatch, SpeedButtonMeasuresTheChosenNode)
{
    Fill({{u"节点1", u"1.2.3.4"}, {u"节点2", u"5.6.7.8"}});
    std::unique_ptr<ui::Form> speed(Tfrmmain::CreateSpeedForm(nullptr));
    Form1 = speed.get();
    auto* window = dynamic_cast<TForm1*>(speed.get());
    ASSERT_NE(window, nullptr);
    auto client = std::make_unique<ScriptedSpeedClient>();
    ScriptedSpeedClient* icmp = client.get();
    window->SetIcmpClient(std::move(client));

    form->IPAddrTxt->SetItemIndex(1);
    form->cesu->Click();
    EXPECT_EQ(icmp->hosts, std::vector<core::String>(7, u"5.6.7.8"));
    EXPECT_EQ(window->ListBox1->Items().Count(), 7);
    EXPECT_EQ(window->ListBox1->Items()[0], u"节点2:  time=35 ms");
    EXPECT_EQ(window->Left(), form->Left() + 300);

    // "重新测速" empties the list and measures again.
    window->Button1->Click();
    EXPECT_EQ(icmp->hosts.size(), 14u);
    EXPECT_EQ(window->ListBox1->Items().Count(), 7);

    // The node choice's placeholder only focuses the choice.
    form->IPAddrTxt->Items().Add(u"请选译服务器");
    form->IPAddrTxt->SetItemIndex(2);
    form->cesu->Click();
    EXPECT_EQ(icmp->hosts.size(), 14u);
    Form1 = nullptr;
}

namespace {

class LoggedInBatch : public client::test::ClientTest {};

} // namespace

TEST_F(LoggedInBatch, PassOverLiveLoopbackEchoesAfterALogin)
{
    Tfrmmain* form = MakeMain(TypeLogin(u"demo", u"demo123"));
    ASSERT_TRUE(login_ok);
    form->Show();  // the first area's nodes (127.0.0.11 to 13) fill the tree
    Pump();
    ASSERT_EQ(form->vt1->RootNodeCount(), 3u);

    form->btn_speed->Click();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (form->Batch().test.PassesDone() < 2 && std::chrono::steady_clock::now() < end) {
        core::CheckSynchronize(5);
        Pump();
    }
    ASSERT_GE(form->Batch().test.PassesDone(), 2);
    // The area stays while the test runs.
    form->AreaTxt2->SetItemIndex(1);
    form->AreaTxt2Change(form->AreaTxt2);
    EXPECT_EQ(form->vt1->RootNodeCount(), 3u);
    EXPECT_EQ(form->AreaTxt2->ItemIndex(), 0) << "the box keeps the area the tree shows";
    ASSERT_FALSE(m_box.Calls().empty());
    EXPECT_EQ(m_box.Calls().back().text, u"请先关闭Ping测试");

    form->btn_speed->Click();
    for (PVirtualNode node = form->vt1->GetFirst(); node; node = form->vt1->GetNext(node)) {
        int32_t ms = -1;
        EXPECT_TRUE(core::TryStrToInt(form->NodeRecord(node)->delay, ms)) << core::ToUtf8(form->NodeRecord(node)->delay);
        EXPECT_GE(ms, 0);
        EXPECT_EQ(form->NodeRecord(node)->losttimes, 0);
    }
    // Stopped, the area changes.
    form->AreaTxt2->SetItemIndex(1);
    form->AreaTxt2Change(form->AreaTxt2);
    EXPECT_EQ(form->vt1->RootNodeCount(), 1u);
}
