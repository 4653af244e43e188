// Frame bar, scroll box, splitter, glyph list and shell folder support on real windows.
#include "skin/controls/button.h"
#include "skin/controls/framebar.h"
#include "ui/label.h"
#include "skin/controls/glyphs.h"
#include "skin/controls/shellfolder.h"
#include "skin/controls/splitter.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using ui::test::UiTest;

class FrameBarTest : public UiTest {
protected:
    FrameBarTest()
    {
        InitSkinControls();
        form->SetClientSize(400, 420);
        form->Show();
        bar = new TsFrameBar(form.get());
        bar->SetParent(form.get());
        bar->SetPauseHook([this](unsigned ms) { pauses.push_back(ms); });
    }
    ~FrameBarTest() override { DoneSkinControls(); }

    TsTitleItem* AddItem(const char16_t* caption, int frameHeight)
    {
        TsTitleItem* item = bar->Items().Add();
        item->SetCaption(caption);
        item->OnCreateFrame = [this, frameHeight](core::Object*, TFrame*& frame) {
            frame = new TFrame(form.get());
            frame->SetHeight(frameHeight);
            ++framesMade;
        };
        return item;
    }

    std::unique_ptr<ui::Form> form{new ui::Form()};
    TsFrameBar* bar = nullptr;
    std::vector<unsigned> pauses;
    int framesMade = 0;
};

TEST_F(FrameBarTest, NewBarAndTitleButtonNames)
{
    EXPECT_EQ(bar->Align(), ui::alLeft);
    EXPECT_EQ(bar->TitleHeight(), 28);
    EXPECT_TRUE(bar->Animation());
    EXPECT_FALSE(bar->AllowAllClose());
    EXPECT_FALSE(bar->AllowAllOpen());
    EXPECT_EQ(bar->BarBorderWidth(), 2);
    EXPECT_EQ(bar->SkinData()->SkinSection(), u"BAR");
    EXPECT_EQ(SendAcMessage(bar->Handle(), scIsSkinAware, 0), 1);
    auto* a = AddItem(u"魔兽世界", 100);
    auto* b = AddItem(u"反恐精英", 100);
    EXPECT_EQ(a->TitleButton->Name(), u"sTitleButton1");
    EXPECT_EQ(b->TitleButton->Name(), u"sTitleButton2");
    EXPECT_EQ(a->TitleButton->Caption(), u"魔兽世界");
    EXPECT_EQ(a->TitleButton->SkinData()->SkinSection(), u"BARTITLE");
    EXPECT_EQ(a->TitleButton->TitleItem, a);
    EXPECT_EQ(a->TitleButton->Alignment(), ui::taLeftJustify);
    EXPECT_EQ(a->TitleButton->Margin(), 5);
    EXPECT_EQ(a->TitleButton->Spacing(), 8);
    bar->Items().Delete(0);
    auto* c = AddItem(u"星际争霸", 100);
    EXPECT_EQ(c->TitleButton->Name(), u"sTitleButton1");
    // Titles stack from the work rectangle's top.
    RECT work = bar->WorkRect();
    EXPECT_EQ(b->TitleButton->Top(), work.top);
    EXPECT_EQ(c->TitleButton->Top(), work.top + 28 + 2);
    EXPECT_EQ(b->TitleButton->Width(), work.right - work.left);
}

TEST_F(FrameBarTest, ClickOpensWithAnimatedPassesAndClosesTheOpenOne)
{
    auto* a = AddItem(u"A", 90);
    auto* b = AddItem(u"B", 60);
    std::vector<core::Object*> senders;
    a->OnClick = [&](core::Object* sender) { senders.push_back(sender); };
    a->TitleButton->Click();
    EXPECT_EQ(senders, std::vector<core::Object*>{a->TitleButton});
    EXPECT_EQ(a->State, stOpened);
    ASSERT_NE(a->Frame, nullptr);
    EXPECT_EQ(a->FrameSize, 90);
    EXPECT_TRUE(a->Frame->Visible());
    EXPECT_TRUE(a->TitleButton->Active());
    // Four passes, a pause after each opening step but the first (H = 0 then).
    EXPECT_EQ(pauses.size(), 4u);
    RECT work = bar->WorkRect();
    EXPECT_EQ(a->Frame->Top(), work.top + 28);
    EXPECT_EQ(b->TitleButton->Top(), work.top + 28 + 2 + 90 + 2);

    // A click on the open item without AllowAllClose leaves it open.
    a->TitleButton->Click();
    EXPECT_EQ(a->State, stOpened);
    EXPECT_EQ(senders.size(), 2u);

    // Opening B closes A, whose frame goes.
    pauses.clear();
    b->TitleButton->Click();
    EXPECT_EQ(b->State, stOpened);
    EXPECT_EQ(a->State, stClosed);
    EXPECT_EQ(a->Frame, nullptr);
    EXPECT_FALSE(a->TitleButton->Active());
    EXPECT_EQ(b->TitleButton->Top(), work.top + 28 + 2);
    EXPECT_FALSE(pauses.empty());

    bar->SetAllowAllClose(true);
    b->TitleButton->Click();
    EXPECT_EQ(b->State, stClosed);
}

TEST_F(FrameBarTest, WithoutAnimationOneShortPassAndNoPauses)
{
    bar->SetAnimation(false);
    auto* a = AddItem(u"A", 80);
    a->TitleButton->Click();
    EXPECT_EQ(a->State, stOpened);
    EXPECT_TRUE(pauses.empty());
    // OpenItem puts its item straight into the open state, also with animation allowed.
    bar->SetAnimation(true);
    auto* b = AddItem(u"B", 40);
    bar->OpenItem(1, true);
    EXPECT_EQ(b->State, stOpened);
    EXPECT_EQ(a->State, stClosed);
}

TEST_F(FrameBarTest, ScrollRangeFollowsTheLaidOutHeight)
{
    bar->SetAnimation(false);
    auto* a = AddItem(u"A", 80);
    AddItem(u"B", 80);
    a->TitleButton->Click();
    RECT work = bar->WorkRect();
    int y = work.top + (28 + 2 + 80 + 2) + (28 + 2);
    EXPECT_EQ(bar->VertScrollBar().Range(), y + 2 + 2);
}

TEST_F(FrameBarTest, ArrangementFollowsTheNativeScrollPosition)
{
    bar->SetAnimation(false);
    bar->SetAlign(ui::alNone);
    bar->SetBounds(0, 0, 150, 120);
    std::vector<TsTitleItem*> items;
    for (int i = 0; i < 6; ++i)
        items.push_back(AddItem(u"item", 40));
    bar->Rearrange();
    ASSERT_GT(bar->VertScrollBar().Range(), bar->ClientHeight());
    bar->VertScrollBar().SetPosition(40);
    ASSERT_EQ(GetScrollPos(bar->Handle(), SB_VERT), 40);
    bar->Rearrange();
    RECT work = bar->WorkRect();
    EXPECT_EQ(items[0]->TitleButton->Top(), work.top - 40);
    EXPECT_EQ(items[1]->TitleButton->Top(), work.top + 30 - 40);
}

TEST_F(FrameBarTest, DefaultFrameIsTheRedNotice)
{
    bar->SetAnimation(false);
    TsTitleItem* item = bar->Items().Add();
    item->TitleButton->Click();
    ASSERT_NE(item->Frame, nullptr);
    EXPECT_EQ(item->Frame->Height(), 150);
    ASSERT_EQ(item->Frame->ControlCount(), 1);
    auto* label = dynamic_cast<ui::Label*>(item->Frame->Controls(0));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), u"Frame creation\r\nevent has not been defined.");
    EXPECT_EQ(label->Font().FontColor(), 255u);
    // The frame is skinned by its adapter, in the bar's panel section.
    TsFrameAdapter* adapter = nullptr;
    for (int i = 0; i < item->Frame->ComponentCount() && !adapter; ++i)
        adapter = dynamic_cast<TsFrameAdapter*>(item->Frame->Components(i));
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->Frame(), item->Frame);
    EXPECT_EQ(adapter->SkinData()->SkinSection(), u"BARPANEL");
    EXPECT_EQ(SendAcMessage(item->Frame->Handle(), scIsSkinAware, 0), 1);
}

TEST_F(FrameBarTest, EmptyFramesKeepTheItemOpeningAndFramesCanBeKept)
{
    bar->SetAnimation(false);
    TsTitleItem* item = bar->Items().Add();
    int asked = 0;
    item->OnCreateFrame = [&](core::Object*, TFrame*& frame) { ++asked; };
    item->State = stOpening;
    bar->ArrangeTitles();
    // Without animation and without a frame size the item counts as open at once.
    EXPECT_EQ(item->State, stOpened);
    EXPECT_EQ(item->Frame, nullptr);
    // A frame kept by OnFrameDestroy stays with its closed item, hidden.
    auto* kept = AddItem(u"kept", 50);
    kept->OnFrameDestroy = [](core::Object*, TFrame*&, bool& canDestroy) { canDestroy = false; };
    bar->OpenItem(1, false);
    ASSERT_NE(kept->Frame, nullptr);
    bar->CloseItem(1, false);
    EXPECT_EQ(kept->State, stClosed);
    ASSERT_NE(kept->Frame, nullptr);
    EXPECT_FALSE(kept->Frame->Visible());
}

TEST_F(FrameBarTest, AutoFrameSizeGivesTheOpenFrameTheFreeHeight)
{
    bar->SetAnimation(false);
    bar->SetAutoFrameSize(true);
    auto* a = AddItem(u"A", 10);
    AddItem(u"B", 10);
    a->TitleButton->Click();
    RECT work = bar->WorkRect();
    int used = work.top + (28 + 2 + 2) + (28 + 2);
    EXPECT_EQ(a->Frame->Height(), (work.bottom - work.top) - used);
}

TEST_F(FrameBarTest, FlagsComeBackAfterAnArrangementAlsoOnAnException)
{
    ui::App().SetShowHint(true);
    auto* a = AddItem(u"A", 50);
    a->OnCreateFrame = [](core::Object*, TFrame*&) { throw core::Exception(u"frame failed"); };
    EXPECT_THROW(a->TitleButton->Click(), core::Exception);
    EXPECT_FALSE(bar->Arranging);
    EXPECT_FALSE(Engine().FadingSuspended);
    EXPECT_FALSE(Engine().HoverSuspended);
    EXPECT_FALSE(Engine().HintsSuppressed);
    EXPECT_TRUE(ui::App().ShowHint());
    EXPECT_FALSE(bar->SkinData()->FUpdating);
    // Redrawing is on again: the window accepts a paint.
    EXPECT_TRUE(IsWindowVisible(bar->Handle()));
}

TEST_F(FrameBarTest, ItemsChangedDuringAnAnimationStopTheArrangement)
{
    auto* a = AddItem(u"A", 60);
    // A button whose click (handled between two passes) replaces the bar's items.
    auto* button = new TsButton(form.get());
    button->SetParent(form.get());
    button->SetLeft(300);
    button->OnClick = [&](core::Object*) {
        bar->Items().Clear();
        AddItem(u"new", 60)->State = stOpening;
    };
    bool posted = false;
    bar->SetPauseHook([&](unsigned ms) {
        pauses.push_back(ms);
        if (!posted) {
            posted = true;
            PostMessageW(button->Handle(), BM_CLICK, 0, 0);
        }
    });
    a->TitleButton->Click();
    ASSERT_EQ(bar->Items().Count(), 1);
    EXPECT_EQ(bar->Items()[0]->Caption(), u"new");
    // Only the first pass ran: the new item was not animated by the old arrangement.
    EXPECT_EQ(pauses.size(), 1u);
    EXPECT_FALSE(bar->Arranging);
    bar->ArrangeTitles();
    EXPECT_EQ(bar->Items()[0]->State, stOpened);
}

TEST_F(FrameBarTest, ScrollBoxDefaultsAndScrollEvents)
{
    auto* box = new TsScrollBox(form.get());
    box->SetParent(form.get());
    EXPECT_EQ(box->Width(), 185);
    EXPECT_EQ(box->Height(), 41);
    EXPECT_TRUE(box->AutoScroll());
    EXPECT_FALSE(box->TabStop());
    EXPECT_EQ(box->BorderStyle(), ui::bsSingleBorder);
    EXPECT_EQ(box->SkinData()->SkinSection(), u"PANEL_LOW");
    auto* child = new TFrame(form.get());
    child->SetParent(box);
    child->SetBounds(0, 0, 100, 300);
    std::vector<int> events;
    box->OnBeforeScroll = [&](core::Object*) { events.push_back(51); };
    box->OnAfterScroll = [&](core::Object*) { events.push_back(52); };
    box->ScrollBy(0, -20);
    EXPECT_EQ(events, (std::vector<int>{51, 52}));
    EXPECT_EQ(child->Top(), -20);
}

TEST_F(FrameBarTest, WheelForwardingFallsBackToTheVerticalBar)
{
    auto* box = new TsScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 150, 100);
    auto* tall = new TFrame(form.get());
    tall->SetParent(box);
    tall->SetBounds(0, 0, 100, 600);
    box->SetAutoMouseWheel(true);
    box->VertScrollBar().SetIncrement(8);
    box->VertScrollBar().SetPosition(40);
    struct Case {
        int delta, position;
    } cases[] = {{240, 24}, {60, 24}, {-120, 32}};
    for (const auto& c : cases) {
        SendMessageW(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, short(c.delta)), MAKELPARAM(10, 10));
        EXPECT_EQ(box->VertScrollBar().Position(), c.position) << c.delta;
    }
}

TEST_F(FrameBarTest, SplitterSnapsCollapsedNeighboursAndSwitchesHints)
{
    auto* top = new TFrame(form.get());
    top->SetParent(form.get());
    top->SetAlign(ui::alTop);
    top->SetHeight(0);
    auto* splitter = new TsSplitter(form.get());
    splitter->SetParent(form.get());
    splitter->SetAlign(ui::alTop);
    EXPECT_EQ(splitter->SkinData()->SkinSection(), u"SPLITTER");
    EXPECT_TRUE(splitter->ControlStyle() & ui::csAcceptsControls);
    EXPECT_EQ(SendAcMessageTo(splitter, scIsSkinAware, 0), 1);
    splitter->SetTop(40);
    ui::App().SetShowHint(true);
    POINT p{splitter->Left() + 5, splitter->Top() + 2};
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    EXPECT_FALSE(ui::App().ShowHint());
    EXPECT_TRUE(splitter->Sizing());
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    EXPECT_TRUE(ui::App().ShowHint());
    EXPECT_FALSE(splitter->Sizing());
    EXPECT_EQ(top->Top(), splitter->Top());
}

TEST(ButtonGlyphs, FivePicturesOf48By16WithAlpha)
{
    InitSkinControls();
    TsAlphaImageList* glyphs = ButtonGlyphs();
    ASSERT_NE(glyphs, nullptr);
    EXPECT_EQ(glyphs->Width(), 48);
    EXPECT_EQ(glyphs->Height(), 16);
    ASSERT_EQ(glyphs->Count(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        ui::Bitmap image;
        ASSERT_TRUE(glyphs->GetBitmap32(i, &image));
        ASSERT_EQ(image.GetPixelFormat(), ui::pf32bit);
        // Shapes drawn by their alpha: clear around them, solid in the strokes, nothing between.
        int clear = 0, solid = 0, partial = 0;
        ui::PixelView v = image.Pixels();
        for (int y = 0; y < v.Height(); ++y)
            for (int x = 0; x < v.Width(); ++x) {
                const uint32_t alpha = v.ReadPixel(x, y) >> 24;
                (alpha == 0 ? clear : alpha == 255 ? solid : partial)++;
            }
        EXPECT_EQ(v.ReadPixel(0, 0) >> 24, 0u);
        EXPECT_GT(solid, 0);
        EXPECT_EQ(partial, 0);
        EXPECT_GT(clear, solid);
    }
    DoneSkinControls();
    EXPECT_EQ(ButtonGlyphs(), nullptr);
}

TEST(ShellFolders, DesktopObjectAfterOleAndLevels)
{
    // An apartment already made by someone else is fine.
    HRESULT before = OleInitialize(nullptr);
    InitShellFolders();
    TacShellFolder* desktop = DesktopFolder();
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(desktop->Level(), 0);
    EXPECT_EQ(desktop->Parent(), nullptr);
    EXPECT_NE(desktop->ShellFolder(), nullptr);
    // The first child of the desktop: level 0 under the desktop, level 1 below that.
    IEnumIDList* items = nullptr;
    ASSERT_EQ(desktop->ShellFolder()->EnumObjects(nullptr, SHCONTF_FOLDERS, &items), S_OK);
    LPITEMIDLIST child = nullptr;
    ULONG fetched = 0;
    if (items->Next(1, &child, &fetched) == S_OK) {
        TacShellFolder first(desktop, desktop->ShellFolder(), child);
        EXPECT_EQ(first.Level(), 0);
        EXPECT_FALSE(first.DisplayName().empty());
        TacShellFolder second(&first, desktop->ShellFolder(), child);
        EXPECT_EQ(second.Level(), 1);
        EXPECT_EQ(ItemIdListSize(reinterpret_cast<const uint8_t*>(second.AbsoluteID())),
                  ItemIdListSize(reinterpret_cast<const uint8_t*>(first.AbsoluteID())) + ItemCount(reinterpret_cast<const uint8_t*>(child)));
        CoTaskMemFree(child);
    }
    items->Release();
    DoneShellFolders();
    EXPECT_EQ(DesktopFolder(), nullptr);
    if (SUCCEEDED(before))
        OleUninitialize();
}

} // namespace
} // namespace skin
