// The frame adapter on real frames: what it answers without a skin, its error on a wrong owner, the
// window method given back, skinned painting and the messages a skinned frame handles; frames as
// containers of the skin state and in the owner chain.
#include "skin/engine/graphutils.h"
#include "skin/engine/system.h"
#include "skin/windows/frameadapter.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "ui/test/uitest.h"

#include <vector>

namespace skin {
namespace {

using namespace skin::testing;

// A child control that remembers the skin sub-codes it was told.
class Listener : public ui::Control {
public:
    using ui::Control::Control;
    std::vector<int> codes;

protected:
    void WndProc(ui::Message& message) override
    {
        if (message.Msg == SM_SKINCMD)
            codes.push_back(SubCodeOf(message.WParam));
        ui::Control::WndProc(message);
    }
};

class FrameAdapterTest : public ui::test::UiTest {
protected:
    FrameAdapterTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBounds(40, 40, 400, 300);
        form->Show();
        frame = new ui::TFrame(form.get());
        frame->SetParent(form.get());
        frame->SetBounds(20, 20, 200, 120);
        // Every message that reaches the frame's own method is logged.
        own = frame->WindowProc();
        frame->SetWindowProc([this](ui::Message& m) {
            seen.push_back(m.Msg);
            own(m);
        });
    }
    ~FrameAdapterTest() override
    {
        form.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }
    void Skin()
    {
        SetDefaultManager(&manager);
        adapter->SkinData()->UpdateIndexes();
    }
    bool Seen(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }

    WindowTestSkinManager manager;
    std::unique_ptr<ui::Form> form;
    ui::TFrame* frame = nullptr;
    ui::WndMethod own;
    std::vector<UINT> seen;
    TsFrameAdapter* adapter = nullptr;
};

TEST_F(FrameAdapterTest, UnskinnedFrameAnswersItsQueriesAndPassesWindowMessagesOn)
{
    adapter = new TsFrameAdapter(frame);
    EXPECT_EQ(adapter->SkinData()->SkinSection(), u"GROUPBOX");
    EXPECT_EQ(adapter->SkinData()->COC, int(ckFrameAdapter));
    HWND wnd = frame->Handle();
    struct Case {
        int subCode;
        LRESULT answer;
    } cases[] = {{scIsSkinAware, 1}, {scGetSkinIndex, 0}, {scGetApplication, ApplicationAnswer()}};
    for (const Case& c : cases) {
        seen.clear();
        EXPECT_EQ(SendAcMessage(wnd, c.subCode, 0), c.answer) << c.subCode;
        EXPECT_FALSE(Seen(SM_SKINCMD)) << c.subCode;
    }
    // The background query is answered here, never by the frame.
    seen.clear();
    TacBGQuery query;
    SendAcMessage(wnd, scGetBackground, LPARAM(&query));
    EXPECT_FALSE(Seen(SM_SKINCMD));
    for (UINT msg : {UINT(WM_SIZE), UINT(WM_ERASEBKGND), UINT(WM_NCPAINT)}) {
        seen.clear();
        SendMessageW(wnd, msg, 0, 0);
        EXPECT_TRUE(Seen(msg)) << msg;
    }
}

TEST_F(FrameAdapterTest, WrongOwnerShowsTheErrorAndStaysInert)
{
    adapter = new TsFrameAdapter(form.get());
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"TsFrameAdapter adapter must be placed on the handled frame");
    EXPECT_EQ(adapter->Frame(), nullptr);
    EXPECT_EQ(SendAcMessage(form->Handle(), scIsSkinAware, 0), 0);
}

TEST_F(FrameAdapterTest, FreeingGivesTheFrameItsWindowMethodBack)
{
    adapter = new TsFrameAdapter(frame);
    EXPECT_EQ(SendAcMessage(frame->Handle(), scIsSkinAware, 0), 1);
    delete adapter;
    seen.clear();
    EXPECT_EQ(SendAcMessage(frame->Handle(), scIsSkinAware, 0), 0);
    EXPECT_TRUE(Seen(SM_SKINCMD));
}

TEST_F(FrameAdapterTest, SkinnedFramePaintsTheGroupBoxSection)
{
    adapter = new TsFrameAdapter(frame);
    Skin();
    ASSERT_TRUE(adapter->SkinData()->Skinned());
    auto shot = CaptureByPrint(frame->Handle());
    EXPECT_EQ(shot->PixelColor(0, 60), WindowTestBoxColor(wbGroupBox, 0));
    EXPECT_EQ(shot->PixelColor(199, 60), WindowTestBoxColor(wbGroupBox, 0));
    // Inside the border the section's colour; the key-coloured corners show the parent.
    EXPECT_EQ(shot->PixelColor(100, 60), WindowTestBoxColor(wbGroupBox, 0));
    EXPECT_NE(shot->PixelColor(0, 0), 0xFF00FFu);
}

TEST_F(FrameAdapterTest, SizingMarksTheBackgroundAndTellsTheChildren)
{
    adapter = new TsFrameAdapter(frame);
    auto* child = new Listener(frame);
    child->SetParent(frame);
    Skin();
    adapter->SkinData()->BGChanged = false;
    SendMessageW(frame->Handle(), WM_SIZE, 0, MAKELPARAM(200, 120));
    EXPECT_TRUE(adapter->SkinData()->BGChanged);
    EXPECT_NE(std::find(child->codes.begin(), child->codes.end(), scBgChanged), child->codes.end());
}

TEST_F(FrameAdapterTest, PlainBackgroundNeverReportsUpdating)
{
    adapter = new TsFrameAdapter(frame);
    Skin();
    TsCommonData* data = adapter->SkinData();
    data->FUpdating = true;
    struct Case {
        uint16_t state;
        LRESULT answer;
    } cases[] = {{0, 1}, {1, 0}};
    for (const Case& c : cases) {
        data->CtrlSkinState = c.state;
        EXPECT_EQ(SendAcMessage(frame->Handle(), scIsUpdating, 0), c.answer) << c.state;
    }
    data->FUpdating = false;
}

TEST_F(FrameAdapterTest, ScrollBarsLeaveTheUpdateOfAnAligningFrameToIt)
{
    adapter = new TsFrameAdapter(frame);
    Skin();
    SendAcMessage(frame->Handle(), scSkinRefresh, LPARAM(&manager));
    ASSERT_NE(adapter->ListSW(), nullptr);
    TsCommonData* data = adapter->SkinData();
    struct Case {
        bool aligning;
        bool updatingAfter;
    } cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        data->FUpdating = true;
        frame->SetControlState(c.aligning ? ui::ControlStates(ui::csAligning) : 0u);
        SendAcMessage(frame->Handle(), scUpdateDone, 0);
        EXPECT_EQ(data->FUpdating, c.updatingAfter) << c.aligning;
    }
    frame->SetControlState(0);
    data->FUpdating = false;
}

TEST_F(FrameAdapterTest, FramesAreContainersAndOwnersOfTheirComponents)
{
    auto* inner = new Listener(frame);
    EXPECT_EQ(OwnerFrameOf(inner), frame);
    EXPECT_EQ(OwnerFrameOf(frame), frame);
    EXPECT_EQ(OwnerFrameOf(form.get()), nullptr);
    EXPECT_EQ(OwnerFrameOf(nullptr), nullptr);
    SetDefaultManager(&manager);
    // A plain section without a large border needs no cache: bit 0 for frames and forms, not for
    // other controls.
    struct Case {
        const char* what;
        core::Object* owner;
        uint16_t bit;
    } cases[] = {{"frame", frame, 1}, {"form", form.get(), 1}, {"control", inner, 0}};
    for (const Case& c : cases) {
        TsCommonData data(c.owner, false);
        data.SetSkinSection(u"CHECKBOX");
        data.UpdateIndexes();
        ASSERT_GE(data.SkinIndex, 0) << c.what;
        EXPECT_EQ(data.CtrlSkinState & 1, c.bit) << c.what;
    }
}

TEST_F(FrameAdapterTest, AdaptingTwiceKeepsOneAdapter)
{
    TsFrameAdapter* first = AdaptFrame(frame, u"GROUPBOX");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(AdaptFrame(frame, u"GROUPBOX"), nullptr);
    EXPECT_EQ(first->SkinData()->SkinSection(), u"GROUPBOX");
}

TEST_F(FrameAdapterTest, SkinLoadHooksThePopupMenusTheFrameOwns)
{
    WindowTestMenuManager menus;
    auto* owned = new ui::PopupMenu(frame);
    ui::PopupMenu foreign(form.get());
    for (ui::PopupMenu* popup : {owned, &foreign}) {
        auto* item = new ui::MenuItem(popup);
        item->SetCaption(u"Item");
        popup->Items()->Add(item);
    }
    adapter = new TsFrameAdapter(frame);
    SetDefaultManager(&menus);
    SendAcMessage(frame->Handle(), scSkinLoaded, LPARAM(&menus));
    EXPECT_TRUE(owned->OwnerDraw());
    EXPECT_TRUE(TsMenuPainter::HasOurHandlers(owned->Items()->Items(0)));
    // Menus of other owners are the form provider's business.
    EXPECT_FALSE(foreign.OwnerDraw());
    menus.Painter()->HookPopupMenu(owned, false);
    SetDefaultManager(nullptr);
}

} // namespace
} // namespace skin
