// The skin command message, the skin state and the common handlers, driven through real windows.
#include "skin/engine/boundlabel.h"
#include "skin/engine/commondata.h"
#include "ui/edit.h"
#include "ui/graphiccontrol.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

#include <vector>

namespace skin {
namespace {

using ui::test::UiTest;

// A windowless child that counts the skin commands it receives and may act on them.
class Probe : public ui::GraphicControl {
public:
    using ui::GraphicControl::GraphicControl;
    int received = 0;
    std::function<void()> onReceive;

protected:
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD) {
            ++received;
            if (onReceive)
                onReceive();
            return;
        }
        ui::GraphicControl::WndProc(m);
    }
};

// A panel that owns a skin state and routes its messages through the common handler, as every
// skinned control does.
class StatePanel : public ui::Panel {
public:
    explicit StatePanel(core::Component* owner) : ui::Panel(owner), data(this, true) { data.COC = ckPanel; }
    TsCommonData data;

protected:
    void WndProc(ui::Message& m) override
    {
        if (AnswerSkinQuery(m) || HandleCommonMessage(m, &data))
            return;
        ui::Panel::WndProc(m);
    }
};

// A skin manager with one section, for the branches that only a skin reaches.
class OneSectionManager : public SkinManager {
public:
    SectionData section;
    MaskData mask;
    int GetSkinIndex(core::StringView name) const override { return name == section.ClassName ? 0 : -1; }
    int SectionCount() const override { return 1; }
    const SectionData& Section(int) const override { return section; }
    bool IsValidImgIndex(int) const override { return false; }
    const MaskData& Mask(int) const override { return mask; }
    int GetTextureIndex(int, core::StringView, core::StringView) const override { return -1; }
    int GetMaskIndex(int, core::StringView, core::StringView) const override { return -1; }
    bool Active() const override { return true; }
    uint32_t GlobalColor() const override { return 0x808080; }
    uint32_t GlobalFontColor() const override { return 0; }
};

class SkinEngineTest : public UiTest {
protected:
    SkinEngineTest()
    {
        form->SetClientSize(300, 200);
        form->Show();
    }
    LRESULT Ask(TsCommonData& data, int subCode, LPARAM lparam = 0, int flag = 0)
    {
        ui::Message m{SM_SKINCMD, SkinWParam(subCode, flag), lparam, 0};
        HandleSkinCommand(m, &data);
        return m.Result;
    }
    std::unique_ptr<ui::Form> form{new ui::Form()};
};

TEST_F(SkinEngineTest, TheMessageKeepsItsFixedNumberAndPlainWindowsDoNotAnswer)
{
    InitSkinCommand();
    EXPECT_NE(RegisteredSkinCommand(), 0u);
    EXPECT_EQ(SM_SKINCMD, 0xA100u);
    EXPECT_EQ(SendAcMessage(form->Handle(), scIsSkinAware, 0), 0);
    EXPECT_FALSE(AskAcMessage(form->Handle(), scIsSkinAware));
    auto* panel = new StatePanel(form.get());
    panel->SetParent(form.get());
    EXPECT_TRUE(AskAcMessage(panel->Handle(), scIsSkinAware));
    EXPECT_EQ(SendAcMessage(panel->Handle(), scGetApplication, 0), LRESULT(&ui::App()));
}

TEST_F(SkinEngineTest, SectionNamesDefaultsAndTheUnskinnedState)
{
    TsCommonData data(nullptr, false);
    data.SetSkinSection(u"Edit");
    EXPECT_EQ(data.SkinSection(), u"EDIT");
    data.SetSkinSection(u"");
    EXPECT_EQ(data.SkinSection(), u"UNKNOWN");

    auto* panel = new StatePanel(form.get());
    EXPECT_EQ(panel->data.SkinSection(), u"");
    panel->data.Loaded();
    EXPECT_EQ(panel->data.SkinSection(), u"PANEL");
    EXPECT_FALSE(panel->data.Skinned());
    EXPECT_EQ(panel->data.SkinIndex, -1);
    EXPECT_FALSE(panel->data.GetUpdating());
    EXPECT_TRUE(panel->data.RepaintIfMoved());
    EXPECT_TRUE(panel->data.WantsCacheBmp());

    // Without a section of its kind, the owner's class name.
    TsCommonData other(panel, false);
    other.Loaded();
    EXPECT_EQ(other.SkinSection(), core::UpperCase(panel->ClassName()));
}

TEST_F(SkinEngineTest, AnswersOfAnUnskinnedState)
{
    auto* panel = new StatePanel(form.get());
    panel->SetParent(form.get());
    panel->SetColor(ui::clBtnFace);
    panel->data.Loaded();
    EXPECT_EQ(Ask(panel->data, scIsSkinAware), 1);
    EXPECT_EQ(Ask(panel->data, scIsUpdating), 1); // BGChanged starts set
    EXPECT_EQ(Ask(panel->data, scGetSkinIndex), 0);
    EXPECT_EQ(Ask(panel->data, scIsHalfVisible), 1);
    EXPECT_EQ(Ask(panel->data, scGetBgColor), LRESULT(ui::ColorToRGB(ui::clBtnFace)));
    EXPECT_EQ(Ask(panel->data, scGetApplication), LRESULT(&ui::App()));
    Ask(panel->data, scSetUpdating, 0, 1);
    EXPECT_TRUE(panel->data.FUpdating);
    Ask(panel->data, scSetUpdating, 0, 0);
    EXPECT_FALSE(panel->data.FUpdating);
    // Sub-code 2 of the (absent) own manager: indexes -1, updating set.
    Ask(panel->data, scSkinRemoved, 0);
    EXPECT_TRUE(panel->data.FUpdating);
    // Another manager's sub-code 2 is ignored.
    panel->data.FUpdating = false;
    OneSectionManager other;
    Ask(panel->data, scSkinRemoved, LPARAM(&other));
    EXPECT_FALSE(panel->data.FUpdating);

    TacBGQuery query;
    EXPECT_TRUE(QueryBgOfControl(query, panel, false));
    EXPECT_EQ(query.BgType, 1);
    EXPECT_EQ(query.Color, ui::clBtnFace);
}

TEST_F(SkinEngineTest, HalfTransparentSectionsBlendWithTheParentsColour)
{
    OneSectionManager manager;
    manager.section.ClassName = u"PANEL";
    manager.section.Transparency = 50;
    manager.section.Color = 0x000000;
    auto* outer = new StatePanel(form.get());
    outer->SetParent(form.get());
    outer->SetColor(0xFFFFFF); // unskinned parent answers its own colour
    auto* inner = new StatePanel(form.get());
    inner->SetParent(outer);
    inner->data.SetSkinManager(&manager);
    inner->data.Loaded();
    ASSERT_TRUE(inner->data.Skinned());
    EXPECT_EQ(Ask(inner->data, scGetBgColor), 0x313131);
    EXPECT_EQ(Ask(inner->data, scGetSkinIndex), 1);
}

TEST_F(SkinEngineTest, CacheBitmapIsA24BitSectionOfTheControlsSizeAndServesBackgroundQueries)
{
    // Asked for with the state: an empty 24-bit bitmap; not asked for: none until InitCacheBmp.
    TsCommonData bare(nullptr, false);
    EXPECT_EQ(bare.CacheBmp(), nullptr);
    auto* panel = new StatePanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 40, 30);
    ASSERT_NE(panel->data.CacheBmp(), nullptr);
    EXPECT_TRUE(panel->data.CacheBmp()->Empty());
    EXPECT_EQ(panel->data.CacheBmp()->GetPixelFormat(), ui::pf24bit);

    // A section with an image part is painted from the cache: a bitmap answer, and a drawing request
    // copies the cache's pixels from the asked offset.
    OneSectionManager manager;
    manager.section.ClassName = u"PANEL";
    manager.section.ImagePercent = 50;
    panel->data.SetSkinManager(&manager);
    panel->data.Loaded();
    ASSERT_TRUE(panel->data.Skinned());
    panel->data.InitCacheBmp();
    ui::Bitmap* cache = panel->data.CacheBmp();
    ASSERT_EQ(cache->Width(), 40);
    ASSERT_EQ(cache->Height(), 30);
    cache->Canvas().SetBrushColor(0x0000FF);
    cache->Canvas().FillRect(RECT{0, 0, 40, 30});
    cache->Canvas().SetBrushColor(0x00FF00);
    cache->Canvas().FillRect(RECT{10, 10, 40, 30});

    TacBGQuery query;
    EXPECT_EQ(SendAcMessage(panel->Handle(), scGetBackground, LPARAM(&query)), 0);
    EXPECT_EQ(query.BgType, 2);
    EXPECT_EQ(query.Bmp, cache);

    ui::Bitmap target(4, 4, ui::pf24bit);
    TacBGQuery draw;
    draw.PleaseDraw = true;
    draw.DrawDC = target.Canvas().Handle();
    draw.R = RECT{0, 0, 4, 4};
    draw.Offset = POINT{8, 8};
    panel->data.GetBgInfo(draw, 0, nullptr);
    EXPECT_EQ(draw.BgType, 2);
    EXPECT_EQ(target.PixelColor(0, 0), ui::Color(0x0000FF)); // (8, 8) of the cache
    EXPECT_EQ(target.PixelColor(3, 3), ui::Color(0x00FF00)); // (11, 11)

    panel->data.EmptyCacheBmp();
    EXPECT_TRUE(cache->Empty());
    panel->data.SetSkinManager(nullptr);
}

TEST_F(SkinEngineTest, BroadcastWalkSkipsChildrenBeingDestroyedAndGoesOn)
{
    auto* panel = new StatePanel(form.get());
    panel->SetParent(form.get());
    std::vector<Probe*> probes;
    for (int i = 0; i < 4; ++i) {
        probes.push_back(new Probe(form.get()));
        probes.back()->SetParent(panel);
    }
    probes[1]->BeforeDestruction();
    // The first child frees the third while the walk runs.
    Probe* victim = probes[2];
    probes[0]->onReceive = [&] { delete victim; victim = nullptr; };
    ui::Message m{SM_SKINCMD, SkinWParam(scSkinLoaded), 0, 0};
    SendMsgToChildControls(panel, m);
    EXPECT_EQ(probes[0]->received, 1);
    EXPECT_EQ(probes[1]->received, 0);
    EXPECT_EQ(victim, nullptr);
    EXPECT_EQ(probes[3]->received, 1);
    // Into a windowed child that is not skin-aware, on to its own children.
    auto* plain = new ui::Panel(form.get());
    plain->SetParent(panel);
    auto* deep = new Probe(form.get());
    deep->SetParent(plain);
    SendMsgToChildControls(panel, m);
    EXPECT_EQ(deep->received, 1);
    delete probes[1];
}

TEST_F(SkinEngineTest, NotifyChildControlsSendsNothingDuringAFormAnimation)
{
    auto* panel = new StatePanel(form.get());
    panel->SetParent(form.get());
    auto* child = new StatePanel(form.get());
    child->SetParent(panel);
    child->HandleNeeded();
    child->data.FUpdating = true;
    int seen = 0;
    child->SetWindowProc([&, previous = child->WindowProc()](ui::Message& m) {
        if (IsSubCode(m, scUpdateDone))
            ++seen;
        previous(m);
    });
    Engine().FormAnimationActive = true;
    NotifyChildControls(panel);
    Engine().FormAnimationActive = false;
    EXPECT_EQ(seen, 0);
    NotifyChildControls(panel);
    EXPECT_EQ(seen, 1);
    child->SetVisible(false);
    NotifyChildControls(panel);
    EXPECT_EQ(seen, 1);
}

TEST_F(SkinEngineTest, FocusAndHoverAreTrackedUnskinned)
{
    auto* panel = new StatePanel(form.get());
    panel->SetParent(form.get());
    panel->SetTabStop(true);
    panel->Handle();
    panel->SetFocus();
    EXPECT_TRUE(panel->data.FFocused);
    panel->Perform(ui::CM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(panel->data.FMouseAbove); // panels have no hot state
    TsCommonData edit(panel, false);
    edit.COC = ckEdit;
    ui::Message enter{ui::CM_MOUSEENTER, 0, 0, 0};
    HandleCommonMessage(enter, &edit);
    EXPECT_TRUE(edit.FMouseAbove);
}

TEST_F(SkinEngineTest, HintsAreSwitchedOffOnceAndComeBack)
{
    ui::App().SetShowHint(true);
    SuppressHints();
    SuppressHints();
    EXPECT_FALSE(ui::App().ShowHint());
    RestoreHints();
    EXPECT_TRUE(ui::App().ShowHint());
    // A restore without a suppression leaves the hints alone.
    RestoreHints();
    EXPECT_TRUE(ui::App().ShowHint());
}

class TestEditLabel : public ui::Label {
public:
    TestEditLabel(ui::Control* owner, TsBoundLabel* bound) : ui::Label(owner), m_bound(bound) {}
    ~TestEditLabel() override
    {
        if (m_bound)
            m_bound->LabelDestroyed();
    }
    TsBoundLabel* m_bound;
};

TEST_F(SkinEngineTest, BoundLabelPlacement)
{
    auto* edit = new ui::Edit(form.get());
    edit->SetName(u"user");
    edit->SetParent(form.get());
    edit->SetBounds(120, 60, 100, 21);
    TsCommonData data(edit, false);
    TsBoundLabel bound(&data, [](ui::Control* owner, TsBoundLabel* b) { return new TestEditLabel(owner, b); });
    bound.SetIndent(3); // inactive: nothing to place yet
    bound.SetActive(true);
    ui::Label* label = bound.TheLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), u"user");
    EXPECT_EQ(label->Name(), u"userLabel");
    EXPECT_EQ(label->FocusControl(), edit);
    EXPECT_EQ(label->Left() + label->Width(), 120 - 3 - 4);
    EXPECT_EQ(label->Top(), 60 + (21 - label->Height()) / 2);
    struct Case {
        TsCaptionLayout layout;
        int left;
    } cases[] = {{sclTopLeft, 120}, {sclTopCenter, 120 + (100 - label->Width()) / 2}, {sclTopRight, 220 - label->Width()}};
    for (const auto& c : cases) {
        bound.SetLayout(c.layout);
        EXPECT_EQ(label->Left(), c.left);
        EXPECT_EQ(label->Top() + label->Height(), 60 - 3);
    }
    bound.SetMaxWidth(100);
    EXPECT_EQ(label->Width(), 100);
    EXPECT_EQ(label->Height(), 21);
    // The label freed elsewhere leaves the bound label inactive.
    delete label;
    EXPECT_FALSE(bound.Active());
    EXPECT_TRUE(bound.UseSkinColor());
}

} // namespace
} // namespace skin

#include "skin/engine/system.h"

namespace skin {
namespace {

TEST_F(SkinEngineTest, SystemQueries)
{
    core::String folder = AppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), u'\\');
    EXPECT_EQ(FileIconOf(u"C:\\no\\such\\file.exe", 1), nullptr);
    if (HFONT font = CreateCaptionFont())
        DeleteObject(font);
    auto* panel = new ui::Panel(form.get());
    EXPECT_EQ(OwnerFormOf(panel), form.get());
    EXPECT_EQ(OwnerFormOf(nullptr), nullptr);
    ui::Message m = MakeMessage(SM_SKINCMD, SkinWParam(scMoved, 1), 5, 7);
    EXPECT_EQ(SubCodeOf(m.WParam), scMoved);
    EXPECT_EQ(FlagOf(m.WParam), 1);
    EXPECT_EQ(m.Result, 7);
}

} // namespace
} // namespace skin
