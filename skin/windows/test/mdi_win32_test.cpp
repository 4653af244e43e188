// Skinned MDI frames on real windows under the window test skin: the client window's wrapper and
// its life with the skin and the provider, the client's background and frame from the form image,
// the rebuild after tiling and cascading, and the maximised child's button commands.
#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinnedforms.h"
#include "skin/engine/tsskinmanager.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/mdiform.h"
#include "skin/windows/mdiwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using namespace skin::testing;

uint32_t At(ui::Bitmap& bmp, int x, int y) { return uint32_t(ui::ColorToRGB(bmp.PixelColor(x, y))) & 0xFFFFFF; }

class MDISkinTest : public ui::test::UiTest {
protected:
    MDISkinTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        InitSkinCommand();
        SetDefaultManager(&manager);
        frame = std::make_unique<ui::Form>(nullptr);
        frame->SetFormStyle(ui::fsMDIForm);
        frame->SetBounds(80, 60, 520, 400);
        frame->HandleNeeded();
        provider = new TsSkinProvider(frame.get());
        provider->AfterConstruction();
        frame->Show();
        Pump();
        SendMessageW(frame->Handle(), WM_NCACTIVATE, 1, 0);
        Pump();
    }
    ~MDISkinTest() override
    {
        frame.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    ui::Form* AddChild()
    {
        auto* child = new ui::Form(frame.get());
        child->SetFormStyle(ui::fsMDIChild);
        child->SetBounds(0, 0, 200, 150);
        child->Show();
        Pump();
        return child;
    }
    HWND Client() const { return frame->ClientHandle(); }
    void Broadcast(int subCode)
    {
        ui::Message m{SM_SKINCMD, SkinWParam(subCode), LPARAM(static_cast<SkinManager*>(&manager)), 0};
        BroadcastToSkinnedForms(m);
    }

    WindowTestSkinManager manager;
    std::unique_ptr<ui::Form> frame;
    TsSkinProvider* provider = nullptr;
};

TEST_F(MDISkinTest, TheClientWindowHasOneWrapperWhileTheSkinLasts)
{
    ASSERT_NE(Client(), nullptr);
    ASSERT_TRUE(provider->MDIForm);
    EXPECT_EQ(ProviderState().MainMDIProvider, provider);
    auto* wrapper = dynamic_cast<TacMDIWnd*>(GetWrapper(Client()));
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper, provider->MDIForm->ListSW.get());
    EXPECT_EQ(wrapper->FForm, frame.get());
    EXPECT_EQ(wrapper->MDISkinData, provider->SkinData());

    // Connecting again keeps the wrapper; a refresh replaces it, still one.
    provider->MDIForm->ConnectToClient();
    EXPECT_EQ(GetWrapper(Client()), wrapper);
    provider->MDIForm->RefreshMDIScrolls();
    EXPECT_NE(GetWrapper(Client()), nullptr);
    EXPECT_EQ(GetWrapper(Client()), provider->MDIForm->ListSW.get());

    // The registry's broadcast reaches the client window too; the removal leaves no wrapper.
    AddChild();
    Broadcast(scSkinRemoved);
    EXPECT_EQ(GetWrapper(Client()), nullptr);
    EXPECT_FALSE(provider->MDIForm);
    EXPECT_TRUE(IsWindow(Client()));
    EXPECT_EQ(frame->MDIChildCount(), 1);
}

TEST_F(MDISkinTest, FreeingTheFrameProviderClearsTheMainMDIProviderAndTheWrapper)
{
    AddChild();
    SendMessageW(Client(), WM_MDIMAXIMIZE, WPARAM(frame->MDIChildren(0)->Handle()), 0);
    ASSERT_NE(GetWrapper(Client()), nullptr);
    delete provider;
    EXPECT_EQ(ProviderState().MainMDIProvider, nullptr);
    EXPECT_EQ(GetWrapper(Client()), nullptr);
    EXPECT_EQ(frame->MDIChildCount(), 1);
    EXPECT_EQ(m_errors.size(), 0u);
}

TEST_F(MDISkinTest, TheClientsBackgroundAndFrameComeFromTheFormImage)
{
    ASSERT_NE(GetWrapper(Client()), nullptr);
    const uint32_t client = kFormClientColors[provider->FormActive ? 1 : 0];
    RedrawWindow(Client(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    auto shot = CaptureWindowDC(Client());
    const int w = shot->Width(), h = shot->Height();
    struct Point {
        int x, y;
    };
    // The frame's two pixels on each side, and the background inside.
    for (Point p : {Point{0, 0}, Point{1, h / 2}, Point{w / 2, h - 1}, Point{w - 2, h / 2}, Point{w / 2, h / 2},
                    Point{5, 5}})
        EXPECT_EQ(At(*shot, p.x, p.y), client) << p.x << "," << p.y;

    // Printed, the background is the same image without the edge offset.
    auto printed = CaptureByPrint(Client());
    EXPECT_EQ(At(*printed, printed->Width() / 2, printed->Height() / 2), client);

    // A maximised child covers the client: erasing paints nothing and still answers 1.
    ui::Form* child = AddChild();
    SendMessageW(Client(), WM_MDIMAXIMIZE, WPARAM(child->Handle()), 0);
    HDC dc = GetDC(Client());
    EXPECT_EQ(SendMessageW(Client(), WM_ERASEBKGND, WPARAM(dc), 0), 1);
    ReleaseDC(Client(), dc);
    EXPECT_EQ(SendMessageW(Client(), WM_NCPAINT, 1, 0), 1);
}

TEST_F(MDISkinTest, TilingAndCascadingRebuildTheFormImageAndMenuLine)
{
    AddChild();
    AddChild();
    for (auto arrange : {&ui::Form::Tile, &ui::Form::Cascade}) {
        // Frozen, so that no paint builds the image again before it is looked at.
        provider->LockFormPaint(false);
        provider->SkinData()->BGChanged = false;
        provider->FLinesCount = 3;
        (frame.get()->*arrange)();
        EXPECT_TRUE(provider->SkinData()->BGChanged);
        EXPECT_EQ(provider->FLinesCount, -1);
        provider->UnlockFormPaint(false);
        // The skinned frame draws the active child's system menu itself.
        EXPECT_FALSE(GetWindowLongPtrW(frame->ActiveMDIChild()->Handle(), GWL_STYLE) & WS_SYSMENU);
    }
}

TEST_F(MDISkinTest, TheChildButtonsCommandTheActiveChild)
{
    // Without a child the commands go nowhere.
    provider->MDIForm->CloseClick();
    provider->MDIForm->MinClick();

    ui::Form* other = AddChild();
    ui::Form* child = AddChild();
    std::vector<std::string> log;
    for (ui::Form* f : {other, child})
        f->OnClose = [&log, f, child](core::Object*, ui::CloseAction& action) {
            log.push_back(f == child ? "close active" : "close other");
            action = ui::caNone;
        };
    ASSERT_EQ(frame->ActiveMDIChild(), child);
    SendMessageW(Client(), WM_MDIMAXIMIZE, WPARAM(child->Handle()), 0);
    provider->MDIForm->RestoreClick();
    EXPECT_EQ(child->WindowState(), ui::wsNormal);
    provider->MDIForm->CloseClick();
    EXPECT_EQ(log, std::vector<std::string>{"close active"});
    provider->MDIForm->MinClick();
    EXPECT_EQ(child->WindowState(), ui::wsMinimized);
    EXPECT_EQ(other->WindowState(), ui::wsNormal);
}

} // namespace
} // namespace skin
